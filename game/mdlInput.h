// Mouse look: the pointer's distance from the main window's centre turns the view, and the
// pointer goes back to the centre after every frame.
#pragma once

#include <cstdint>

class Window;

namespace mdlInput {

// The module's state, every part at its start-of-program value.
struct ModuleState {
    // Last pointer position reported by the main window, in its client pixels.
    std::int32_t MouseX = 0;
    std::int32_t MouseY = 0;
    // Pointer position minus window centre, measured by MouseLook.
    std::int32_t MouseDeltaX = 0;
    std::int32_t MouseDeltaY = 0;
    // False while the main window does not have the keyboard focus: the pointer is left alone
    // and mouse movement is ignored.
    bool MouseLookActive = true;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& MouseX = State.MouseX;
inline constexpr auto& MouseY = State.MouseY;
inline constexpr auto& MouseDeltaX = State.MouseDeltaX;
inline constexpr auto& MouseDeltaY = State.MouseDeltaY;
inline constexpr auto& MouseLookActive = State.MouseLookActive;

// Puts the state back to its start-of-program value.
inline void ResetState() { State = ModuleState{}; }

// Sets MouseDeltaX and MouseDeltaY and puts the pointer back to the window's centre. While the
// window is in the background the deltas are 0 and the pointer stays where the user put it.
void MouseLook(Window& w);

// Treats the pointer as standing at the window's centre, so the next MouseLook does not turn
// the view (the start of the loop, and the return of the focus).
void CentrePointer(Window& w);

// Rounds to the nearest whole number, halves to the even neighbour.
std::int32_t RoundEven(double value);

} // namespace mdlInput
