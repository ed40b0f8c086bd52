#include "game/mdlGameLoop.h"

#include "framework/MathHelpers.h"
#include "world/mdlClip.h"
#include "world/mdlSlipping.h"

namespace mdlGameLoop {

void UpdatePlayer()
{
    PlayerRecord& p = Player;
    const float reference = p.Z + FloorProbeOffset;
    const float floor = mdlClip::FloorHeight(p.X, p.Y, reference);
    const float target = floor - EyeHeight;
    if (p.Z < target)
        p.Z = p.Z + FallStep;
    if (p.Z > target) {
        const float threeZ = 3 * p.Z;
        p.Z = static_cast<float>((static_cast<double>(target) + threeZ) * RiseFactor);
    }

    p.Yaw = p.Yaw + p.YawRate;

    mdlSlipping::MoveX = static_cast<float>(p.Speed * DirectX_Framework::DirectionX(p.Yaw, 0));
    mdlSlipping::MoveY = static_cast<float>(p.Speed * DirectX_Framework::DirectionY(p.Yaw, 0));
    mdlSlipping::SlideAgainstWalls(p, CollisionRadius);
    p.X = p.X + mdlSlipping::MoveX;
    p.Y = p.Y + mdlSlipping::MoveY;
}

} // namespace mdlGameLoop
