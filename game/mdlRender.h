// The frame renderer and the main loop.
#pragma once

#include "framework/D3D8Types.h"
#include "framework/Device.h"
#include "framework/Loading.h"

#include <cstdint>
#include <string>

namespace mdlRender {

inline constexpr std::uint32_t GameTickMs = 15;
inline constexpr std::uint32_t FpsWindowMs = 1000;
// A pass runs at most this many ticks; the rest of a longer stall is dropped (3 s of game time).
inline constexpr std::int32_t MaxTicksPerPass = 200;
inline constexpr double MouseDivisor = 10;
inline constexpr float PitchLimit = 89;
inline constexpr float FieldOfViewDegrees = 60;
inline constexpr float AspectRatio = 0.8f;
inline constexpr float NearPlane = 0.1f;
inline constexpr float FarPlane = 500;
inline constexpr D3DCOLOR ReadoutColour = 0x33FFFFFF;
// The note line under the read-out: its top, the height of its box, and a colour that stays
// legible over bright walls (the read-out itself is faint on purpose).
inline constexpr float ReadoutNoteTop = 16;
inline constexpr float ReadoutNoteHeight = 20;
inline constexpr D3DCOLOR ReadoutNoteColour = 0xFFFFE060;

// The read-out's font, kept between frames: the picture is the same and it saves a font
// creation every frame.
struct CachedFont {
    FontPtr Font;
    std::string Face;
    std::int16_t Size = 0;
};

// What a caller of the main loop sees of its passes (dunmere-tool play records, replays and
// reloads through it). The game runs the loop without one.
class LoopObserver {
public:
    virtual ~LoopObserver() = default;
    // The scene is set up and the player stands at the spawn; the first pass follows.
    virtual void SceneReady() {}
    // A pass's due ticks, before they run. False: the observer has run them itself.
    virtual bool Ticks(std::int32_t /*due*/) { return true; }
    // A pass's mouse look, before it turns the view; the observer may change it.
    virtual void Look(std::int32_t& /*deltaX*/, std::int32_t& /*deltaY*/) {}
    // The end of a pass, after its second letting through of events.
    virtual void PassEnded() {}
};

// The renderer's and the loop's state, every part at its start-of-program value.
struct ModuleState {
    float FramesPerSecond = 0;
    std::int32_t FpsFrameCount = 0;
    std::uint32_t FpsWindowStart = 0;
    std::uint32_t LastUpdateTick = 0;
    D3DLIGHT8 DirectionalLight{};
    D3DLIGHT8 PlayerLight{};
    DirectX_Framework::Model EntityModel;
    // The folder the entity model is loaded from; empty: models/ in the program's folder.
    std::string EntityModelFolder;
    CachedFont ReadoutFont; // belongs to the device it was made on
    // A line drawn under the read-out while it is not empty (dunmere-tool play's messages).
    std::string ReadoutNote;
    // Sees the main loop's passes; null in the game.
    LoopObserver* Observer = nullptr;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& FramesPerSecond = State.FramesPerSecond;
inline constexpr auto& FpsFrameCount = State.FpsFrameCount;
inline constexpr auto& FpsWindowStart = State.FpsWindowStart;
inline constexpr auto& LastUpdateTick = State.LastUpdateTick;
inline constexpr auto& DirectionalLight = State.DirectionalLight;
inline constexpr auto& PlayerLight = State.PlayerLight;
inline constexpr auto& EntityModel = State.EntityModel;
inline constexpr auto& EntityModelFolder = State.EntityModelFolder;
inline constexpr auto& ReadoutNote = State.ReadoutNote;

// Puts the renderer's and the loop's state back to its start-of-program value, releasing the
// model and the read-out's font.
void ResetState();

// Draws one frame from the eye (x, y, z) looking along yaw and pitch: clear, lights, camera,
// walls, floors, the frames-per-second read-out (and the note under it), present.
void RenderFrame(const float& x, const float& y, const float& z, const float& yaw, const float& pitch);

// The camera of a frame: the view from the eye (x, y, z) looking along yaw and pitch, one unit
// ahead, with up (0, 0, -1).
D3DMATRIX CameraView(float x, float y, float z, float yaw, float pitch);

// Draws text in the rectangle (left, top)-(left + width, top + height) in a colour with alpha.
void DrawTextBox(float left, float width, float top, float height, const std::string& text, D3DCOLOR colour,
                 const std::string& fontName, std::int16_t fontSize);

// The loop's frame count: one frame more, and once the tick counter (readTickCounter reads it)
// has gone 1000 ms past FpsWindowStart, FramesPerSecond takes the window's count and a new
// window starts at a new reading.
template <typename ReadTickCounter>
void CountFrame(ReadTickCounter readTickCounter)
{
    ++FpsFrameCount;
    if (readTickCounter() - FpsWindowStart >= FpsWindowMs) {
        FramesPerSecond = static_cast<float>(FpsFrameCount);
        FpsFrameCount = 0;
        FpsWindowStart = readTickCounter();
    }
}

// The game ticks due since LastUpdateTick at the tick counter's reading now: the elapsed time
// over 15 ms, rounded. LastUpdateTick advances by exactly the ticks counted, so the rest of the
// time carries to the next pass; past MaxTicksPerPass the rest is dropped.
std::int32_t TakeDueTicks(std::uint32_t now);

// Turns the view by a pointer travel: a tenth of a degree a pixel, the pitch kept within
// +-89 degrees, the yaw unbounded.
void ApplyMouseLook(std::int32_t deltaX, std::int32_t deltaY);

// The render state that stays the same from frame to frame: projection, culling, the two
// lights, ambient light and texture filters.
void PrepareRendering();

// Starts reading the map's textures and the entity model in the background, for the loading
// that follows (see ID3DX8::ReadAhead): the map's file at mapPath names the textures.
void ReadAhead(const std::string& mapPath);

// What the loop sets up before its first frame: the entity model, the player at the spawn, and
// the render state of PrepareRendering. A model that cannot be loaded ends the program.
void SetUpScene();

// The scene set-up (model, spawn, projection, culling, lights, ambient light, filters), then
// the frame loop until Escape, then the shutdown. State.Observer, when set, sees each pass.
// Never returns.
[[noreturn]] void RunMainLoop();

} // namespace mdlRender
