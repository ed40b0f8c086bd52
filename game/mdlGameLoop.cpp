#include "game/mdlGameLoop.h"

#include "framework/MathHelpers.h"
#include "world/mdlClip.h"
#include "world/mdlSlipping.h"

#include <cmath>
#include <stdexcept>

namespace mdlGameLoop {

namespace {

// Arithmetic that overflows the 32-bit floats is an error of the tick: the player is never
// carried on at infinity or NaN.
void CheckFinite(float value, const char* what)
{
    if (!std::isfinite(value))
        throw std::overflow_error(std::string("Overflow: the player's ") + what +
                                  " has left the range of single-precision numbers");
}

} // namespace

void UpdatePlayer()
{
    PlayerRecord& p = Player;
    const float reference = p.Z + FloorProbeOffset;
    const float floor = mdlClip::FloorHeight(p.X, p.Y, reference);
    const float target = floor - EyeHeight;
    float z = p.Z;
    if (z < target)
        z = z + FallStep;
    if (z > target) {
        const float threeZ = 3 * z;
        z = static_cast<float>((static_cast<double>(target) + threeZ) * RiseFactor);
    }
    CheckFinite(z, "height");
    p.Z = z;

    p.Yaw = p.Yaw + p.YawRate;

    mdlSlipping::MoveX = static_cast<float>(p.Speed * DirectX_Framework::DirectionX(p.Yaw, 0));
    mdlSlipping::MoveY = static_cast<float>(p.Speed * DirectX_Framework::DirectionY(p.Yaw, 0));
    mdlSlipping::SlideAgainstWalls(p, CollisionRadius);
    CheckFinite(p.X + mdlSlipping::MoveX, "position");
    CheckFinite(p.Y + mdlSlipping::MoveY, "position");
    p.X = p.X + mdlSlipping::MoveX;
    p.Y = p.Y + mdlSlipping::MoveY;
}

} // namespace mdlGameLoop
