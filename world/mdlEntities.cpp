#include "world/mdlEntities.h"

#include "world/Player.h"
#include "world/WorldErrors.h"

namespace mdlEntities {

void ResetState() { State = ModuleState{}; }

std::string UpperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

void AddEntity(const std::string& name, float x, float y, float z)
{
    if (EntityCount >= MaxEntities)
        throw CapacityError("the entity table is full (" + std::to_string(MaxEntities) + " entities)");
    ++EntityCount;
    Entity& entity = Entities[static_cast<std::size_t>(EntityCount)];
    entity.X = x;
    entity.Y = y;
    entity.Z = z;
    entity.Name = UpperCase(name);
    entity.Colour = entity.Name == "PLAYERSPAWN" ? SpawnColour : 0;
}

void SpawnPlayer()
{
    for (std::int32_t i = 1; i <= EntityCount; ++i) {
        const Entity& entity = Entities[static_cast<std::size_t>(i)];
        if (UpperCase(entity.Name) == "PLAYERSPAWN") {
            Player.X = entity.X;
            Player.Y = entity.Y;
            Player.Z = entity.Z - 5.0f;
        }
    }
}

} // namespace mdlEntities
