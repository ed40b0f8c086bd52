#include "framework/sdl/KeyCodes.h"

#include "framework/Utf8.h"

int VirtualKeyCode(SDL_Keycode key, SDL_Scancode scancode)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9)
        return '0' + (key - SDLK_0);
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return 112 + (key - SDLK_F1);
    if (key >= SDLK_F13 && key <= SDLK_F24)
        return 124 + (key - SDLK_F13);
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return 97 + (key - SDLK_KP_1);

    switch (key) {
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 16;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 17;
    case SDLK_LALT:
    case SDLK_RALT: return 18;
    case SDLK_PAUSE: return 19;
    case SDLK_CAPSLOCK: return 20;
    case SDLK_ESCAPE: return 27;
    case SDLK_SPACE: return 32;
    case SDLK_PAGEUP: return 33;
    case SDLK_PAGEDOWN: return 34;
    case SDLK_END: return 35;
    case SDLK_HOME: return 36;
    case SDLK_LEFT: return 37;
    case SDLK_UP: return 38;
    case SDLK_RIGHT: return 39;
    case SDLK_DOWN: return 40;
    case SDLK_PRINTSCREEN: return 44;
    case SDLK_INSERT: return 45;
    case SDLK_DELETE: return 46;
    case SDLK_LGUI: return 91;
    case SDLK_RGUI: return 92;
    case SDLK_APPLICATION: return 93;
    case SDLK_KP_0: return 96;
    case SDLK_KP_MULTIPLY: return 106;
    case SDLK_KP_PLUS: return 107;
    case SDLK_KP_MINUS: return 109;
    case SDLK_KP_PERIOD: return 110;
    case SDLK_KP_DIVIDE: return 111;
    case SDLK_NUMLOCKCLEAR: return 144;
    case SDLK_SCROLLLOCK: return 145;
    case SDLK_SEMICOLON: return 186;
    case SDLK_EQUALS: return 187;
    case SDLK_COMMA: return 188;
    case SDLK_MINUS: return 189;
    case SDLK_PERIOD: return 190;
    case SDLK_SLASH: return 191;
    case SDLK_BACKQUOTE: return 192;
    case SDLK_LEFTBRACKET: return 219;
    case SDLK_BACKSLASH: return 220;
    case SDLK_RIGHTBRACKET: return 221;
    case SDLK_QUOTE: return 222;
    default: break;
    }

    // Layouts whose letter keys carry other scripts: name the key by its position.
    if (scancode >= SDL_SCANCODE_A && scancode <= SDL_SCANCODE_Z)
        return 'A' + (scancode - SDL_SCANCODE_A);
    if (scancode >= SDL_SCANCODE_1 && scancode <= SDL_SCANCODE_9)
        return '1' + (scancode - SDL_SCANCODE_1);
    if (scancode == SDL_SCANCODE_0)
        return '0';
    return 0;
}

int ShiftState(Uint16 modifiers)
{
    int state = 0;
    if ((modifiers & KMOD_SHIFT) != 0)
        state |= 1;
    if ((modifiers & KMOD_CTRL) != 0)
        state |= 2;
    if ((modifiers & KMOD_ALT) != 0)
        state |= 4;
    return state;
}

int MouseButtons(Uint32 sdlButtonState)
{
    int buttons = 0;
    if ((sdlButtonState & SDL_BUTTON_LMASK) != 0)
        buttons |= 1;
    if ((sdlButtonState & SDL_BUTTON_RMASK) != 0)
        buttons |= 2;
    if ((sdlButtonState & SDL_BUTTON_MMASK) != 0)
        buttons |= 4;
    return buttons;
}

int ControlCharacter(SDL_Keycode key)
{
    switch (key) {
    case SDLK_ESCAPE: return 27;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 13;
    case SDLK_BACKSPACE: return 8;
    case SDLK_TAB: return 9;
    default: return 0;
    }
}

std::vector<int> Latin1Characters(std::string_view utf8)
{
    std::vector<int> characters;
    for (std::size_t at = 0; at < utf8.size();) {
        const std::optional<char32_t> c = NextUtf8Character(utf8, at);
        if (c && *c >= 1 && *c <= 255)
            characters.push_back(static_cast<int>(*c));
    }
    return characters;
}
