// SDL's keys and typed text as the program's key codes and characters.
#include "framework/sdl/KeyCodes.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

using ::testing::ElementsAre;
using ::testing::IsEmpty;

namespace {

TEST(KeyCodes, KeysBecomeTheVirtualKeyCodesTheHandlersExpect)
{
    const struct {
        SDL_Keycode Key;
        SDL_Scancode Scancode;
        int Code;
    } keys[] = {
        {SDLK_LEFT, SDL_SCANCODE_LEFT, 37}, {SDLK_DOWN, SDL_SCANCODE_DOWN, 40}, {SDLK_a, SDL_SCANCODE_A, 65},
        {SDLK_z, SDL_SCANCODE_Z, 90}, {SDLK_0, SDL_SCANCODE_0, 48}, {SDLK_9, SDL_SCANCODE_9, 57},
        {SDLK_F1, SDL_SCANCODE_F1, 112}, {SDLK_F12, SDL_SCANCODE_F12, 123}, {SDLK_ESCAPE, SDL_SCANCODE_ESCAPE, 27},
        {SDLK_RETURN, SDL_SCANCODE_RETURN, 13}, {SDLK_KP_ENTER, SDL_SCANCODE_KP_ENTER, 13},
        {SDLK_BACKSPACE, SDL_SCANCODE_BACKSPACE, 8}, {SDLK_SPACE, SDL_SCANCODE_SPACE, 32},
        {SDLK_RSHIFT, SDL_SCANCODE_RSHIFT, 16}, {SDLK_KP_0, SDL_SCANCODE_KP_0, 96}, {SDLK_KP_9, SDL_SCANCODE_KP_9, 105},
        {SDLK_SEMICOLON, SDL_SCANCODE_SEMICOLON, 186}, {SDLK_QUOTE, SDL_SCANCODE_APOSTROPHE, 222},
        {0x0444, SDL_SCANCODE_A, 65}, // a Cyrillic layout's "ф" sits where Latin layouts have "A"
        {SDLK_MUTE, SDL_SCANCODE_MUTE, 0},
    };
    for (const auto& k : keys)
        EXPECT_EQ(VirtualKeyCode(k.Key, k.Scancode), k.Code) << SDL_GetKeyName(k.Key);
}

TEST(KeyCodes, TypedTextGivesItsLatin1CharactersOnly)
{
    EXPECT_THAT(Latin1Characters("wW"), ElementsAre(119, 87));
    EXPECT_THAT(Latin1Characters("\xC3\xA9\xC3\xBF"), ElementsAre(233, 255)); // é ÿ
    EXPECT_THAT(Latin1Characters("\xE2\x82\xAC"), IsEmpty());                 // €
    EXPECT_THAT(Latin1Characters("\xF0\x9F\x98\x80s"), ElementsAre('s'));     // an emoji, then s
    EXPECT_THAT(Latin1Characters("a\xFF" "b\xC3"), ElementsAre('a', 'b'));     // stray and cut-off bytes
    EXPECT_THAT(Latin1Characters("\xC1\x81"), IsEmpty());                     // overlong "A"
}

} // namespace
