// Translation of SDL's keyboard events into the codes the program's key handlers take: Windows
// virtual-key codes for key down and key up, character codes 0 to 255 for key press.
#pragma once

#include <SDL2/SDL.h>

#include <string_view>
#include <vector>

// The virtual-key code of a key (37 left, 38 up, 39 right, 40 down, 65 to 90 for letters, 112 to
// 123 for F1 to F12, ...), 0 when the key has none. Letters and digits follow the keyboard layout
// and fall back to the key's position when the layout's symbol is not a Latin letter.
int VirtualKeyCode(SDL_Keycode key, SDL_Scancode scancode);

// The shift state of a key or mouse event: 1 Shift, 2 Ctrl, 4 Alt, added together.
int ShiftState(Uint16 modifiers);

// The mouse buttons held during a motion: 1 left, 2 right, 4 middle, added together.
int MouseButtons(Uint32 sdlButtonState);

// The character a key down types that SDL does not report as text: Escape 27, Return 13,
// Backspace 8, Tab 9; 0 for every other key.
int ControlCharacter(SDL_Keycode key);

// The characters 1 to 255 of a piece of typed UTF-8 text; characters beyond Latin-1 and the
// bytes that NextUtf8Character refuses (overlong forms among them) are left out.
std::vector<int> Latin1Characters(std::string_view utf8);
