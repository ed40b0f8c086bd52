#include "world/mdlSlipping.h"

#include "framework/D3DXMath.h"
#include "world/mdlWalls.h"

#include <cmath>
#include <cstdint>

namespace mdlSlipping {

using mdlWalls::Wall;

void ResetState() { State = ModuleState{}; }

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

namespace {

// The walls that can take part in one call, in table order, laid out for a quick scan: those
// with a usable normal (a wall whose ends coincide has none) whose height band reaches the eye.
// Neither depends on the move, so the passes of a call share the list.
struct Candidates {
    std::int32_t Count = 0;
    std::int32_t Index[mdlWalls::MaxWalls];
    float X1[mdlWalls::MaxWalls];
    float Y1[mdlWalls::MaxWalls];
    float NormalX[mdlWalls::MaxWalls];
    float NormalY[mdlWalls::MaxWalls];
    float Distance[mdlWalls::MaxWalls];
};

void Gather(float z, Candidates& out)
{
    std::int32_t n = 0;
    for (std::int32_t i = 1; i <= mdlWalls::WallCount; ++i) {
        const Wall& wall = mdlWalls::Walls[static_cast<std::size_t>(i)];
        if ((wall.NormalX == 0.0f && wall.NormalY == 0.0f) || !std::isfinite(wall.NormalX) ||
            !std::isfinite(wall.NormalY))
            continue;
        if (!ReachesEye(wall, z))
            continue;
        out.Index[n] = i;
        out.X1[n] = wall.X1;
        out.Y1[n] = wall.Y1;
        out.NormalX[n] = wall.NormalX;
        out.NormalY[n] = wall.NormalY;
        ++n;
    }
    out.Count = n;
}

} // namespace

// Values are rounded to 32-bit floats exactly where the comments say; everything between those
// points is worked out in double precision.
void SlideAgainstWalls(const PlayerRecord& player, const float& r)
{
    const double x = player.X;
    const double y = player.Y;
    Candidates walls;
    Gather(player.Z, walls);
    std::int16_t hits = 0;
    for (;;) {
        const float oldX = MoveX;
        const float oldY = MoveY;
        const double qx = x + MoveX;
        const double qy = y + MoveY;
        // The signed distance of the proposed position from each wall's line, the plan normal
        // dotted with the offset from the first end: first for all of them (the loop
        // vectorises), then the walls it comes closer to than r, in table order.
        for (std::int32_t k = 0; k < walls.Count; ++k) {
            const auto offsetX = static_cast<float>(qx - walls.X1[k]);
            const auto offsetY = static_cast<float>(qy - walls.Y1[k]);
            walls.Distance[k] = walls.NormalX[k] * offsetX + walls.NormalY[k] * offsetY;
        }
        for (std::int32_t k = 0; k < walls.Count; ++k) {
            const float d = walls.Distance[k];
            if (!(std::fabs(d) < r))
                continue;
            const Wall& wall = mdlWalls::Walls[static_cast<std::size_t>(walls.Index[k])];

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
            const auto share = static_cast<float>((nx * MoveX + ny * MoveY) / (nx * nx + ny * ny));
            MoveX = static_cast<float>(MoveX - nx * share);
            MoveY = static_cast<float>(MoveY - ny * share);
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
