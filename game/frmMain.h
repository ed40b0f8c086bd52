// The main game window: black, without border or title bar, its client area at the screen's
// top-left corner, so its pointer coordinates are screen coordinates. Its handlers steer the
// player, switch drawing modes and request the end.
#pragma once

#include "framework/Platform.h"

#include <memory>
#include <string>

namespace frmMain {

inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_F12 = 123;
inline constexpr int KeyEscape = 27;

// The module's state at its start-of-program value.
struct ModuleState {
    // The window, made by Create and kept for the rest of the run.
    std::unique_ptr<Window> Form;
};

inline ModuleState State;

// The parts of the state under their own names.
inline constexpr auto& Form = State.Form;

// Puts the state back to its start-of-program value: the window is destroyed.
inline void ResetState() { State = ModuleState{}; }

// Makes the window (not yet shown) and connects its handlers.
Window& Create(int width, int height);

// Shows the window and hides the mouse cursor however often it was shown before.
void Form_Load();

void Form_KeyDown(int keyCode, int shift);
void Form_KeyUp(int keyCode, int shift);
void Form_KeyPress(int character);
void Form_MouseMove(int button, int shift, float x, float y);
// Leaving the window gives the pointer back to the user; coming back takes it again.
void Form_FocusChanged(bool focused);
// A request to close the window (its close button, the window manager, a signal to end) ends
// the game as Escape does.
void Form_QueryUnload();

// Saves the frame just presented as screenshot-NNNN.png (the first number not yet taken) in the
// run's screenshot folder and logs it; returns the file name, empty when nothing could be saved.
std::string SaveScreenshot();

} // namespace frmMain
