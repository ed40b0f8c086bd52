// Mouse look: the pointer's distance from the main window's centre turns the view, and the
// pointer goes back to the centre after every frame.
#pragma once

#include <cstdint>

class Window;

namespace mdlInput {

// Last pointer position reported by the main window, in its client pixels.
inline std::int32_t MouseX = 0;
inline std::int32_t MouseY = 0;
// Pointer position minus window centre, measured by MouseLook.
inline std::int32_t MouseDeltaX = 0;
inline std::int32_t MouseDeltaY = 0;
// False while the main window does not have the keyboard focus: the pointer is left alone and
// mouse movement is ignored.
inline bool MouseLookActive = true;

// Sets MouseDeltaX and MouseDeltaY and puts the pointer back to the window's centre. While the
// window is in the background the deltas are 0 and the pointer stays where the user put it.
void MouseLook(Window& w);

// Treats the pointer as standing at the window's centre, so the next MouseLook does not turn
// the view (the start of the loop, and the return of the focus).
void CentrePointer(Window& w);

// Rounds to the nearest whole number, halves to the even neighbour.
std::int32_t RoundEven(double value);

} // namespace mdlInput
