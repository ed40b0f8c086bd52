// The entity store: the named points of the map. The one in use is PLAYERSPAWN, where the
// player starts.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace mdlEntities {

inline constexpr int MaxEntities = 5;
inline constexpr std::int32_t SpawnColour = 65280; // 0x00FF00

struct Entity {
    float X = 0;
    float Y = 0;
    float Z = 0;
    std::string Name; // upper case
    std::int32_t Colour = 0;

    friend bool operator==(const Entity&, const Entity&) = default;
};

// The store's state at its start-of-program value: entries 1 to 5 (entry 0 is unused). Loading
// a map never empties the store; only ResetState does.
struct ModuleState {
    std::int32_t EntityCount = 0;
    std::array<Entity, MaxEntities + 1> Entities{};

    friend bool operator==(const ModuleState&, const ModuleState&) = default;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& EntityCount = State.EntityCount;
inline constexpr auto& Entities = State.Entities;

// Empties the store.
void ResetState();

// Stores a named point; a sixth raises CapacityError before anything is stored.
void AddEntity(const std::string& name, float x, float y, float z);

// Puts the player at the last entity named PLAYERSPAWN, 5 units above its point. Without one the
// position stays as it was.
void SpawnPlayer();

// ASCII upper case, as names and keywords are compared.
std::string UpperCase(std::string text);

} // namespace mdlEntities
