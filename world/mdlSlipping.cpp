#include "world/mdlSlipping.h"

#include "framework/D3DXMath.h"
#include "world/mdlWalls.h"

#include <cmath>
#include <cstdint>

namespace mdlSlipping {

using mdlWalls::Wall;

void PrepareWalls()
{
    for (std::int32_t i = 1; i <= mdlWalls::WallCount; ++i) {
        Wall& wall = mdlWalls::Walls[static_cast<std::size_t>(i)];
        if (wall.Z1 < wall.Z2) {
            wall.MinZ = wall.Z1;
            wall.MaxZ = wall.Z2;
        } else {
            wall.MinZ = wall.Z2;
            wall.MaxZ = wall.Z1;
        }
        const D3DXVECTOR2 along{wall.Y1 - wall.Y2, wall.X2 - wall.X1};
        D3DXVECTOR2 normal;
        D3DXVec2Normalize(&normal, &along);
        wall.NormalX = normal.x;
        wall.NormalY = normal.y;
    }
}

// Values are rounded to 32-bit floats exactly where the comments say; everything between those
// points is worked out in double precision.
void SlideAgainstWalls(const PlayerRecord& player, const float& r)
{
    const double x = player.X;
    const double y = player.Y;
    const float z = player.Z;
    std::int16_t hits = 0;
    for (;;) {
        const float oldX = MoveX;
        const float oldY = MoveY;
        for (std::int32_t i = 1; i <= mdlWalls::WallCount; ++i) {
            const Wall& wall = mdlWalls::Walls[static_cast<std::size_t>(i)];
            // A wall whose ends coincide has no normal and takes no part.
            if ((wall.NormalX == 0.0f && wall.NormalY == 0.0f) || !std::isfinite(wall.NormalX) ||
                !std::isfinite(wall.NormalY))
                continue;

            if (!ReachesEye(wall, z))
                continue;

            const double qx = x + MoveX;
            const double qy = y + MoveY;
            const D3DXVECTOR2 normal{wall.NormalX, wall.NormalY};
            const D3DXVECTOR2 offset{static_cast<float>(qx - wall.X1), static_cast<float>(qy - wall.Y1)};
            const float d = D3DXVec2Dot(&normal, &offset);
            if (!(std::fabs(d) < r))
                continue;

            const double nx = wall.NormalX;
            const double ny = wall.NormalY;
            const auto fx = static_cast<float>(qx - nx * d);
            const auto fy = static_cast<float>(qy - ny * d);
            const auto t = static_cast<float>(std::fabs(wall.NormalX) > 0.0f
                                                  ? (static_cast<double>(fy) - wall.Y1) /
                                                        (static_cast<double>(wall.Y2) - wall.Y1)
                                                  : (static_cast<double>(fx) - wall.X1) /
                                                        (static_cast<double>(wall.X2) - wall.X1));
            if (!(t > 0.0f && t < 1.0f))
                continue;

            // Take the part of the move along the normal away...
            const auto k = static_cast<float>((nx * MoveX + ny * MoveY) / (nx * nx + ny * ny));
            MoveX = static_cast<float>(MoveX - nx * k);
            MoveY = static_cast<float>(MoveY - ny * k);
            // ...and put the position one radius off the line, on the side the player is on.
            const double ax = std::fabs(nx);
            const double ay = std::fabs(ny);
            if (static_cast<float>(x + MoveX) > fx)
                MoveX = static_cast<float>(fx + ax * r - x);
            else
                MoveX = static_cast<float>(fx - ax * r - x);
            if (static_cast<float>(y + MoveY) > fy)
                MoveY = static_cast<float>(fy + ay * r - y);
            else
                MoveY = static_cast<float>(fy - ay * r - y);
            ++hits;
            break;
        }
        const auto changedX = static_cast<float>(std::fabs(static_cast<double>(oldX) - MoveX));
        const auto changedY = static_cast<float>(std::fabs(static_cast<double>(oldY) - MoveY));
        if (!((changedX > 0.0f || changedY > 0.0f) && hits != 15))
            return;
    }
}

} // namespace mdlSlipping
