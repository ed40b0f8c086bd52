#include "game/mdlInput.h"

#include "framework/Platform.h"

#include <cmath>

namespace mdlInput {

namespace {

struct Centre {
    float X;
    float Y;
};

Centre CentreOf(const Window& w)
{
    return {static_cast<float>(w.Left() + w.ClientWidth() / 2.0), static_cast<float>(w.Top() + w.ClientHeight() / 2.0)};
}

} // namespace

std::int32_t RoundEven(double value) { return static_cast<std::int32_t>(std::nearbyint(value)); }

void MouseLook(Window& w)
{
    if (!MouseLookActive) {
        MouseDeltaX = 0;
        MouseDeltaY = 0;
        return;
    }
    const Centre centre = CentreOf(w);
    MouseDeltaX = RoundEven(static_cast<double>(MouseX) - centre.X);
    MouseDeltaY = RoundEven(static_cast<double>(MouseY) - centre.Y);
    ThePlatform().SetCursorPos(RoundEven(centre.X), RoundEven(centre.Y));
}

void CentrePointer(Window& w)
{
    const Centre centre = CentreOf(w);
    MouseX = RoundEven(centre.X);
    MouseY = RoundEven(centre.Y);
    MouseDeltaX = 0;
    MouseDeltaY = 0;
    ThePlatform().SetCursorPos(MouseX, MouseY);
}

} // namespace mdlInput
