#include "tools/content/Textures.h"

#include "tools/content/Noise.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <functional>
#include <stdexcept>

namespace Content {

namespace {

constexpr int Size = 256;

// Calls paint(x, y, u, v) for every pixel; u and v are the pixel centre's place in the tile, 0..1.
void ForEachPixel(Image& image, const std::function<Colour(int, int, float, float)>& paint)
{
    const float w = static_cast<float>(image.Width());
    const float h = static_cast<float>(image.Height());
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x)
            image.At(x, y) = paint(x, y, (static_cast<float>(x) + 0.5f) / w, (static_cast<float>(y) + 0.5f) / h);
}

// Per-pixel grain: a small brightness factor around 1.
float Grain(int x, int y, std::uint32_t seed, float amount)
{
    return 1.0f + amount * (HashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), seed) - 0.5f) * 2.0f;
}

// Light falls from the top left: faces of a raised piece lose light toward the bottom and right
// edges and gain it at the top and left. The distances are from the pixel to each edge.
float EdgeLight(float top, float bottom, float left, float right, float width, float strength)
{
    const float lit = (1.0f - SmoothStep(0.0f, width, top)) + 0.6f * (1.0f - SmoothStep(0.0f, width, left));
    const float shaded = (1.0f - SmoothStep(0.0f, width, bottom)) + 0.6f * (1.0f - SmoothStep(0.0f, width, right));
    return 1.0f + strength * (lit - shaded);
}

// Distance from the pixel centre (x, y) to the nearest edge of the rectangle [x0, x1) x [y0, y1),
// positive inside.
float InsideDistance(int x, int y, float x0, float y0, float x1, float y1)
{
    const float px = static_cast<float>(x) + 0.5f;
    const float py = static_cast<float>(y) + 0.5f;
    return std::min(std::min(px - x0, x1 - px), std::min(py - y0, y1 - py));
}

int Modulo(int value, int period)
{
    const int r = value % period;
    return r < 0 ? r + period : r;
}

// ---------------------------------------------------------------------------------------------
// Red bricks in running bond: 16 courses of 16 pixels, bricks 64 pixels long, every other
// course shifted by half a brick, in pale recessed mortar.

Image PaintBrick()
{
    Image image(Size, Size);
    constexpr int Course = 16;
    constexpr int Length = 64;
    constexpr float Mortar = 2.5f;
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int row = y / Course;
        const int shifted = Modulo(x + (row % 2) * (Length / 2), Size);
        const int column = shifted / Length;
        const int lx = shifted % Length;
        const int ly = y % Course;
        const auto id = static_cast<std::uint32_t>(row * 8 + column);

        const float ragged = (Fractal(u, v, 32, 32, 2, 11) - 0.5f) * 2.2f;
        const float inside = InsideDistance(lx, ly, Mortar, Mortar, Length, Course) + ragged;
        const float brickMask = SmoothStep(-0.4f, 0.9f, inside);

        Random random(id * 7919u + 3u);
        const float burnt = random.Unit() < 0.14f ? 1.0f : 0.0f;
        Colour brick = Mix(Colour{0.55f, 0.23f, 0.15f}, Colour{0.68f, 0.34f, 0.21f}, random.Unit());
        brick = Mix(brick, Colour{0.36f, 0.19f, 0.15f}, burnt * 0.8f);
        brick = brick * random.Range(0.82f, 1.08f);
        const float blotch = Fractal(u, v, 16, 16, 4, 21);
        brick = brick * (0.82f + 0.36f * blotch);
        const float pits = SmoothStep(0.68f, 0.78f, Fractal(u, v, 64, 64, 2, 31));
        brick = brick * (1.0f - 0.25f * pits);
        brick = brick * EdgeLight(static_cast<float>(ly) + 0.5f - Mortar, Course - 0.5f - static_cast<float>(ly),
                                  static_cast<float>(lx) + 0.5f - Mortar, Length - 0.5f - static_cast<float>(lx),
                                  3.0f, 0.12f);
        brick = brick * Grain(x, y, 41, 0.05f);

        Colour mortar = Colour{0.58f, 0.56f, 0.52f} * (0.8f + 0.3f * Fractal(u, v, 32, 32, 3, 51));
        // The brick above throws a little shadow into the bed joint under it.
        if (ly < 3)
            mortar = mortar * 0.82f;
        mortar = mortar * Grain(x, y, 61, 0.08f);
        return Mix(mortar, brick, brickMask);
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Dressed stone blocks (ashlar): four courses of 64 pixels, blocks of random lengths in each
// course, thin dark joints, chiselled faces and a few stains.

Image PaintStone()
{
    Image image(Size, Size);
    constexpr int Course = 64;
    constexpr int Courses = Size / Course;
    // Block boundaries of each course, as x positions; every course starts at its own offset.
    std::array<std::vector<int>, Courses> joints;
    for (int row = 0; row < Courses; ++row) {
        Random random(1000u + static_cast<std::uint64_t>(row));
        const int count = 3 + random.Below(2);
        std::vector<float> weights;
        float total = 0;
        for (int i = 0; i < count; ++i) {
            weights.push_back(random.Range(0.6f, 1.4f));
            total += weights.back();
        }
        const int free = Size - count * 40;
        const int offset = random.Below(Size);
        int at = offset;
        for (int i = 0; i < count; ++i) {
            joints[row].push_back(at);
            at += 40 + static_cast<int>(static_cast<float>(free) * weights[i] / total);
        }
    }
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int row = y / Course;
        const int ly = y % Course;
        // The block this pixel lies in: the last joint at or left of x, going round the tile.
        const std::vector<int>& list = joints[row];
        int block = -1;
        int left = 0;
        int right = 0;
        for (std::size_t i = 0; i < list.size(); ++i) {
            const int start = list[i];
            const int end = i + 1 < list.size() ? list[i + 1] : list[0] + Size;
            for (int shift : {-Size, 0, Size}) {
                if (x >= start + shift && x < end + shift) {
                    block = static_cast<int>(i);
                    left = start + shift;
                    right = end + shift;
                }
            }
        }
        const float lx = static_cast<float>(x - left);
        const float width = static_cast<float>(right - left);
        const auto id = static_cast<std::uint32_t>(row * 16 + block);

        constexpr float Joint = 2.0f;
        const float chipped = (Fractal(u, v, 32, 32, 3, 111) - 0.5f) * 3.0f;
        const float inside = std::min(std::min(lx + 0.5f - Joint, width - lx - 0.5f),
                                      std::min(static_cast<float>(ly) + 0.5f - Joint, Course - static_cast<float>(ly) - 0.5f))
            + chipped;
        const float stoneMask = SmoothStep(-0.5f, 1.0f, inside);

        Random random(id * 104729u + 7u);
        Colour stone = Mix(Colour{0.52f, 0.52f, 0.52f}, Colour{0.6f, 0.55f, 0.47f}, random.Unit());
        stone = stone * random.Range(0.86f, 1.08f);
        stone = stone * (0.8f + 0.4f * Fractal(u, v, 8, 8, 5, 121));
        stone = stone * (0.9f + 0.2f * Fractal(u, v, 64, 64, 2, 131));
        const float stain = SmoothStep(0.55f, 0.75f, Fractal(u, v, 4, 4, 3, 141));
        stone = Mix(stone, stone * Colour{0.78f, 0.8f, 0.74f}, stain);
        stone = stone * EdgeLight(static_cast<float>(ly) + 0.5f - Joint, Course - 0.5f - static_cast<float>(ly),
                                  lx + 0.5f - Joint, width - 0.5f - lx, 5.0f, 0.14f);
        stone = stone * Grain(x, y, 151, 0.05f);

        const Colour joint = Colour{0.27f, 0.26f, 0.24f} * (0.85f + 0.3f * Fractal(u, v, 32, 32, 2, 161));
        return Mix(joint, stone, stoneMask);
    });
    return image;
}

// Wood grain for a board whose grain runs along one axis: along is the place along the grain
// (0..1 of the tile), across the place across it; returns a brightness factor.
float WoodGrain(float along, float across, std::uint32_t seed)
{
    const float warp = Fractal(along, across, 2, 8, 3, seed);
    const float rings = warp * 14.0f + across * 6.0f;
    const float t = rings - std::floor(rings);
    const float band = std::abs(t - 0.5f) * 2.0f;
    const float fibres = Fractal(along, across, 4, 128, 2, seed + 5);
    return 0.78f + 0.22f * band * band + 0.14f * (fibres - 0.5f);
}

// ---------------------------------------------------------------------------------------------
// Wall panelling: eight vertical boards of 32 pixels, dark joints, one butt joint per board,
// a few knots.

Image PaintWood()
{
    Image image(Size, Size);
    constexpr int Board = 32;
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int board = x / Board;
        const int lx = x % Board;
        Random random(5000u + static_cast<std::uint64_t>(board));
        const int butt = random.Below(Size);
        const int ly = Modulo(y - butt, Size);
        const auto piece = static_cast<std::uint32_t>(board);
        Colour wood = Mix(Colour{0.36f, 0.21f, 0.11f}, Colour{0.5f, 0.31f, 0.16f}, random.Unit());
        wood = wood * WoodGrain(v, u * 8.0f - static_cast<float>(board), 200u + piece);
        // A knot on some boards: darker rings round a dark heart.
        if (random.Unit() < 0.5f) {
            const float kx = static_cast<float>(board * Board) + random.Range(9.0f, 23.0f);
            const float ky = random.Range(0.0f, Size);
            float dy = static_cast<float>(y) + 0.5f - ky;
            dy -= std::round(dy / Size) * Size;
            const float dx = static_cast<float>(x) + 0.5f - kx;
            const float d = std::sqrt(dx * dx + dy * dy * 0.2f);
            const float ring = std::abs(d - std::floor(d / 2.0f) * 2.0f - 1.0f);
            wood = wood * (1.0f - 0.28f * (1.0f - SmoothStep(1.5f, 3.5f, d)) - 0.14f * ring * (1.0f - SmoothStep(3.0f, 8.0f, d)));
        }
        wood = wood * EdgeLight(static_cast<float>(ly) + 0.5f, Size - 0.5f - static_cast<float>(ly),
                                static_cast<float>(lx) - 1.5f, Board - 0.5f - static_cast<float>(lx), 3.0f, 0.1f);
        wood = wood * Grain(x, y, 211, 0.03f);
        const float gap = 1.0f - SmoothStep(1.2f, 2.2f, std::min(static_cast<float>(lx) + 0.5f, Board - static_cast<float>(lx) - 0.5f) + 1.0f);
        const float buttGap = 1.0f - SmoothStep(0.6f, 1.4f, std::min(static_cast<float>(ly) + 0.5f, Size - static_cast<float>(ly) - 0.5f));
        return Mix(wood, Colour{0.1f, 0.06f, 0.035f}, std::max(gap, buttGap * 0.9f));
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Riveted steel plates: four plates of 128 pixels with raised rivets along their edges, a
// brushed finish and patches of rust.

Image PaintMetal()
{
    Image image(Size, Size);
    constexpr int Plate = 128;
    constexpr std::array<int, 5> RivetRow = {10, 38, 64, 90, 118};
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int px = x % Plate;
        const int py = y % Plate;
        const auto plate = static_cast<std::uint32_t>((y / Plate) * 2 + x / Plate);
        Random random(7000u + plate);
        Colour metal = Mix(Colour{0.42f, 0.45f, 0.5f}, Colour{0.5f, 0.51f, 0.52f}, random.Unit());
        metal = metal * (0.9f + 0.2f * Fractal(u, v, 2, 128, 3, 301 + plate));
        metal = metal * (0.9f + 0.2f * Fractal(u, v, 8, 8, 4, 311));
        metal = metal * EdgeLight(static_cast<float>(py) + 0.5f, Plate - 0.5f - static_cast<float>(py),
                                  static_cast<float>(px) + 0.5f, Plate - 0.5f - static_cast<float>(px), 4.0f, 0.18f);

        const float rust = SmoothStep(0.66f, 0.74f, Fractal(u, v, 4, 4, 5, 321));
        const Colour rustColour = Mix(Colour{0.42f, 0.22f, 0.1f}, Colour{0.58f, 0.33f, 0.14f}, Fractal(u, v, 64, 64, 2, 331));
        metal = Mix(metal, rustColour, rust * 0.7f);

        // The nearest rivet: rivets stand 10 pixels in from each plate edge.
        float best = 1e9f;
        float rx = 0;
        float ry = 0;
        for (int along : RivetRow) {
            for (int line : {10, 118}) {
                for (const auto& [cx, cy] : {std::pair{along, line}, std::pair{line, along}}) {
                    const float dx = static_cast<float>(px) + 0.5f - static_cast<float>(cx);
                    const float dy = static_cast<float>(py) + 0.5f - static_cast<float>(cy);
                    const float d = dx * dx + dy * dy;
                    if (d < best) {
                        best = d;
                        rx = dx;
                        ry = dy;
                    }
                }
            }
        }
        constexpr float Radius = 3.5f;
        const float d = std::sqrt(best);
        if (d < Radius + 0.5f) {
            const float nz = std::sqrt(std::max(0.0f, 1.0f - (d / Radius) * (d / Radius)));
            const float light = (-rx / Radius * -0.5f + -ry / Radius * -0.6f + nz * 0.62f);
            const Colour head = Colour{0.55f, 0.56f, 0.57f} * (0.55f + 0.75f * std::max(0.0f, light));
            metal = Mix(head, metal, SmoothStep(Radius - 0.5f, Radius + 0.5f, d));
        } else if (d < Radius + 2.5f && rx + ry > 0) {
            metal = metal * (0.75f + 0.25f * SmoothStep(Radius + 0.5f, Radius + 2.5f, d));
        }
        metal = metal * Grain(x, y, 341, 0.04f);

        // Seams between the plates: a dark gap with a lit lip after it.
        const float seam = std::min(static_cast<float>(px) + 0.5f, static_cast<float>(py) + 0.5f);
        return Mix(Colour{0.12f, 0.12f, 0.13f}, metal, SmoothStep(1.0f, 2.0f, seam));
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Floor tiles: a checker of terracotta and cream tiles of 64 pixels in dark grout, the cream
// tiles with an inlaid border line.

Image PaintTiles()
{
    Image image(Size, Size);
    constexpr int Tile = 64;
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int tx = x / Tile;
        const int ty = y / Tile;
        const int lx = x % Tile;
        const int ly = y % Tile;
        const auto id = static_cast<std::uint32_t>(ty * 4 + tx);
        Random random(9000u + id);
        const bool cream = (tx + ty) % 2 == 0;
        Colour tile = cream ? Colour{0.8f, 0.74f, 0.6f} : Colour{0.6f, 0.29f, 0.19f};
        tile = tile * random.Range(0.9f, 1.06f);
        tile = tile * (0.88f + 0.24f * Fractal(u, v, 16, 16, 4, 401));
        const float inside = InsideDistance(lx, ly, 2.0f, 2.0f, Tile - 2.0f, Tile - 2.0f);
        if (cream) {
            const float line = std::abs(inside - 9.0f);
            tile = Mix(tile, Colour{0.55f, 0.3f, 0.2f}, 0.7f * (1.0f - SmoothStep(0.8f, 1.6f, line)));
        }
        tile = tile * EdgeLight(static_cast<float>(ly) - 1.5f, Tile - 2.5f - static_cast<float>(ly),
                                static_cast<float>(lx) - 1.5f, Tile - 2.5f - static_cast<float>(lx), 3.0f, 0.12f);
        const float speck = SmoothStep(0.93f, 0.97f, HashUnit(static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y), 411));
        tile = tile * (1.0f - 0.2f * speck);
        tile = tile * Grain(x, y, 421, 0.025f);
        const Colour grout = Colour{0.3f, 0.29f, 0.27f} * (0.85f + 0.3f * Fractal(u, v, 32, 32, 2, 431));
        return Mix(grout, tile, SmoothStep(0.0f, 1.0f, inside));
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Stair treads: two treads of 128 pixels; each is a pale stone slab with a grooved nosing strip
// along its bottom edge (the front edge of a tread rising away from the viewer) and a shadow at
// the back where the next riser stands.

Image PaintTreads()
{
    Image image(Size, Size);
    constexpr int Tread = 128;
    constexpr int Nosing = 14;
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int band = y / Tread;
        const int ly = y % Tread;
        const int slabShift = band * 72;
        const int lx = Modulo(x + slabShift, Tread);
        const auto id = static_cast<std::uint32_t>(band * 2 + Modulo(x + slabShift, Size) / Tread);
        Random random(11000u + id);
        Colour slab = Colour{0.6f, 0.58f, 0.54f} * random.Range(0.9f, 1.05f);
        slab = slab * (0.84f + 0.32f * Fractal(u, v, 8, 8, 5, 501));
        slab = slab * (0.93f + 0.14f * Fractal(u, v, 64, 64, 2, 511));
        slab = slab * EdgeLight(static_cast<float>(ly) + 0.5f, Tread - Nosing - 0.5f - static_cast<float>(ly),
                                static_cast<float>(lx) - 0.5f, Tread - 0.5f - static_cast<float>(lx), 3.0f, 0.1f);
        // The back of the tread lies in the shadow of the riser above it.
        slab = slab * (0.72f + 0.28f * SmoothStep(0.0f, 10.0f, static_cast<float>(ly)));
        slab = slab * Grain(x, y, 521, 0.04f);
        const float seam = std::min(static_cast<float>(lx) + 0.5f, Tread - static_cast<float>(lx) - 0.5f);
        slab = Mix(Colour{0.25f, 0.24f, 0.22f}, slab, SmoothStep(0.5f, 1.5f, seam));

        if (ly >= Tread - Nosing) {
            const int ny = ly - (Tread - Nosing);
            Colour strip = Colour{0.36f, 0.33f, 0.27f} * (0.9f + 0.2f * Fractal(u, v, 4, 32, 3, 531));
            if (ny >= 2 && ny < Nosing - 2 && ny % 3 == 0)
                strip = strip * 0.6f;
            if (ny < 2)
                strip = strip * 1.35f;
            if (ny >= Nosing - 2)
                strip = strip * 0.55f;
            return strip * Grain(x, y, 541, 0.05f);
        }
        return slab;
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Flagstones: irregular paving slabs from cellular noise, dark gaps with a trace of moss.

Image PaintFlagstones()
{
    Image image(Size, Size);
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const CellSample cell = Cellular(u, v, 5, 0.75f, 601);
        const float edge = (cell.Second - cell.Nearest) * 51.2f; // in pixels: a cell is 51.2 pixels
        Random random(13000u + cell.Id);
        Colour stone = Mix(Colour{0.46f, 0.46f, 0.43f}, Colour{0.52f, 0.47f, 0.39f}, random.Unit());
        stone = stone * random.Range(0.82f, 1.08f);
        stone = stone * (0.82f + 0.36f * Fractal(u, v, 8, 8, 5, 611 + cell.Id % 3));
        stone = stone * (0.92f + 0.16f * Fractal(u, v, 64, 64, 2, 621));
        // Worn, rounded edges: darker within a few pixels of the gap.
        stone = stone * (0.78f + 0.22f * SmoothStep(1.5f, 6.0f, edge));
        stone = stone * Grain(x, y, 631, 0.04f);
        const Colour moss = Mix(Colour{0.12f, 0.13f, 0.09f}, Colour{0.22f, 0.28f, 0.14f}, Fractal(u, v, 16, 16, 3, 641));
        return Mix(moss, stone, SmoothStep(1.2f, 2.4f, edge));
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Rubble: rounded dark cobbles, lit from the top left, in black gaps; for the pit.

Image PaintRubble()
{
    Image image(Size, Size);
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const CellSample cell = Cellular(u, v, 9, 0.85f, 701);
        const float edge = (cell.Second - cell.Nearest) * (Size / 9.0f);
        Random random(15000u + cell.Id);
        Colour stone = Mix(Colour{0.3f, 0.28f, 0.25f}, Colour{0.36f, 0.33f, 0.3f}, random.Unit());
        stone = stone * random.Range(0.75f, 1.1f);
        // A dome over each cobble: brighter on the side that faces the light.
        const float dome = 1.0f + 0.9f * (cell.OffsetX + cell.OffsetY) * 0.5f;
        stone = stone * dome;
        stone = stone * (0.8f + 0.4f * Fractal(u, v, 16, 16, 4, 711));
        stone = stone * (0.7f + 0.3f * SmoothStep(0.0f, 7.0f, edge));
        stone = stone * Grain(x, y, 721, 0.06f);
        const Colour gap = Colour{0.07f, 0.065f, 0.06f};
        return Mix(gap, stone, SmoothStep(0.8f, 2.2f, edge));
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Ceiling plaster: warm off-white with soft mottling and a few hairline cracks.

Image PaintPlaster()
{
    Image image(Size, Size);
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        Colour plaster = Colour{0.78f, 0.75f, 0.68f};
        plaster = plaster * (0.88f + 0.24f * Fractal(u, v, 4, 4, 5, 801));
        plaster = plaster * (0.96f + 0.08f * Fractal(u, v, 32, 32, 3, 811));
        const float crackLine = std::abs(Fractal(u, v, 6, 6, 4, 821) - 0.5f);
        const float crackZone = SmoothStep(0.6f, 0.66f, Fractal(u, v, 3, 3, 2, 831));
        const float crack = (1.0f - SmoothStep(0.002f, 0.007f, crackLine)) * crackZone;
        plaster = plaster * (1.0f - 0.2f * crack);
        return plaster * Grain(x, y, 841, 0.02f);
    });
    return image;
}

// ---------------------------------------------------------------------------------------------
// Floor boards: eight boards of 32 pixels running across the tile, butt joints staggered from
// board to board.

Image PaintPlanks()
{
    Image image(Size, Size);
    constexpr int Board = 32;
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const int board = y / Board;
        const int ly = y % Board;
        Random boardRandom(17000u + static_cast<std::uint64_t>(board));
        const int offset = boardRandom.Below(Size);
        const int along = Modulo(x - offset, Size);
        const int pieceIndex = along / 128;
        const int lx = along % 128;
        const auto piece = static_cast<std::uint32_t>(board * 2 + pieceIndex);
        Random random(17100u + piece);
        Colour wood = Mix(Colour{0.5f, 0.33f, 0.17f}, Colour{0.62f, 0.43f, 0.24f}, random.Unit());
        wood = wood * WoodGrain(u, v * 8.0f - static_cast<float>(board), 900u + piece);
        wood = wood * EdgeLight(static_cast<float>(ly) - 1.5f, Board - 0.5f - static_cast<float>(ly),
                                static_cast<float>(lx) - 0.5f, 128.0f - 0.5f - static_cast<float>(lx), 2.5f, 0.1f);
        wood = wood * Grain(x, y, 911, 0.03f);
        const float side = std::min(static_cast<float>(ly) + 0.5f, Board - static_cast<float>(ly) - 0.5f) + 0.5f;
        const float end = std::min(static_cast<float>(lx) + 0.5f, 128.0f - static_cast<float>(lx) - 0.5f);
        const float gap = std::min(side, end + 0.5f);
        return Mix(Colour{0.11f, 0.07f, 0.04f}, wood, SmoothStep(0.8f, 1.8f, gap));
    });
    return image;
}

struct WorldTexture {
    std::string FileName;
    Image (*Paint)();
};

const std::vector<WorldTexture>& WorldTextures()
{
    static const std::vector<WorldTexture> textures = {
        {"brick.png", PaintBrick},       {"stone.png", PaintStone},   {"wood.png", PaintWood},
        {"metal.png", PaintMetal},       {"tiles.png", PaintTiles},   {"treads.png", PaintTreads},
        {"flagstones.png", PaintFlagstones}, {"planks.png", PaintPlanks}, {"rubble.png", PaintRubble},
        {"plaster.png", PaintPlaster},
    };
    return textures;
}

// ---------------------------------------------------------------------------------------------
// A 5 x 7 block font for the banner's title.

const std::array<const char*, 7>* Glyph(char letter)
{
    static const std::array<const char*, 7> d = {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."};
    static const std::array<const char*, 7> e = {"#####", "#....", "#....", "####.", "#....", "#....", "#####"};
    static const std::array<const char*, 7> m = {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"};
    static const std::array<const char*, 7> n = {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"};
    static const std::array<const char*, 7> o = {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    static const std::array<const char*, 7> r = {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"};
    static const std::array<const char*, 7> u = {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."};
    switch (letter) {
    case 'D': return &d;
    case 'E': return &e;
    case 'M': return &m;
    case 'N': return &n;
    case 'O': return &o;
    case 'R': return &r;
    case 'U': return &u;
    default: return nullptr;
    }
}

} // namespace

const std::vector<std::string>& WorldTextureNames()
{
    static const std::vector<std::string> names = [] {
        std::vector<std::string> list;
        for (const WorldTexture& texture : WorldTextures())
            list.push_back(texture.FileName);
        return list;
    }();
    return names;
}

bool CanPaintWorldTexture(const std::string& fileName)
{
    return std::any_of(WorldTextures().begin(), WorldTextures().end(),
                       [&](const WorldTexture& texture) { return texture.FileName == fileName; });
}

Image PaintWorldTexture(const std::string& fileName)
{
    for (const WorldTexture& texture : WorldTextures())
        if (texture.FileName == fileName)
            return texture.Paint();
    throw std::invalid_argument("no painter for the texture \"" + fileName + "\"");
}

Image PaintEntityCubeTexture()
{
    // A green crate: a riveted frame, a diagonal brace and panel boards.
    constexpr int Side = 128;
    Image image(Side, Side);
    ForEachPixel(image, [&](int x, int y, float u, float v) {
        const float px = static_cast<float>(x) + 0.5f;
        const float py = static_cast<float>(y) + 0.5f;
        Colour panel = Colour{0.2f, 0.5f, 0.24f} * WoodGrain(v, u * 4.0f, 1101);
        const float boardLine = std::abs(std::fmod(px, 26.0f) - 13.0f);
        panel = panel * (boardLine > 12.0f ? 0.6f : 1.0f);
        const float brace = std::abs(px - py) / 1.41421356f;
        Colour frame = Colour{0.16f, 0.36f, 0.18f} * (0.85f + 0.3f * Fractal(u, v, 8, 8, 3, 1111));
        const float border = std::min(std::min(px, Side - px), std::min(py, Side - py));
        Colour result = panel;
        if (brace < 7.0f)
            result = frame * (brace > 5.5f ? 0.7f : 1.05f);
        if (border < 14.0f)
            result = frame * EdgeLight(py, Side - py, px, Side - px, 3.0f, 0.25f) * (border > 12.5f ? 0.7f : 1.0f);
        for (const auto& [cx, cy] : {std::pair{7.0f, 7.0f}, std::pair{121.0f, 7.0f}, std::pair{7.0f, 121.0f},
                                     std::pair{121.0f, 121.0f}}) {
            const float dx = px - cx;
            const float dy = py - cy;
            const float d = std::sqrt(dx * dx + dy * dy);
            if (d < 3.5f)
                result = Colour{0.75f, 0.76f, 0.7f} * (1.0f - 0.12f * (dx + dy));
        }
        return result * Grain(x, y, 1121, 0.04f);
    });
    return image;
}

const std::vector<int>& IconSizes()
{
    static const std::vector<int> sizes{16, 22, 24, 32, 48, 64, 128, 256};
    return sizes;
}

Image PaintIcon(int side)
{
    // A brick wall with an arched doorway that glows faintly from within, laid out on a grid of
    // 32 x 32 units: four units a course, eight a brick, one of mortar. At 32 pixels each pixel
    // shows the unit at its centre; any other size averages 4 x 4 points of each pixel, so the
    // edges stay sharp at every size instead of being enlarged pixels.
    const auto design = [](float ux, float uy) {
        const int x = static_cast<int>(std::floor(ux));
        const int y = static_cast<int>(std::floor(uy));
        const int row = y / 4;
        const int lx = Modulo(x + (row % 2) * 4, 8);
        const bool mortar = y % 4 == 0 || lx == 0;
        Random random(static_cast<std::uint64_t>(row * 8 + Modulo(x + (row % 2) * 4, 32) / 8) + 31u);
        const Colour brick = Mix(Colour{0.58f, 0.25f, 0.16f}, Colour{0.72f, 0.36f, 0.22f}, random.Unit());
        Colour result = mortar ? Colour{0.55f, 0.53f, 0.5f} : brick;
        const float dx = ux - 16.0f;
        const float dy = uy - 15.0f;
        const bool door = (std::abs(dx) < 7.0f && y >= 15) || (dx * dx + dy * dy < 49.0f);
        const bool arch = !door && ((std::abs(dx) < 9.0f && y >= 15) || (dx * dx + dy * dy < 81.0f));
        if (arch)
            result = Colour{0.7f, 0.68f, 0.62f} * (dx < 0 ? 1.1f : 0.85f);
        if (door)
            result = Mix(Colour{0.05f, 0.04f, 0.03f}, Colour{0.55f, 0.4f, 0.18f}, Clamp01((uy - 0.5f - 12.0f) / 22.0f));
        return result;
    };
    Image image(side, side);
    const int points = side == 32 ? 1 : 4;
    const float unit = 32.0f / static_cast<float>(side);
    ForEachPixel(image, [&](int x, int y, float, float) {
        Colour sum{};
        for (int j = 0; j < points; ++j)
            for (int i = 0; i < points; ++i)
                sum = sum + design((static_cast<float>(x) + (static_cast<float>(i) + 0.5f) / static_cast<float>(points)) * unit,
                                   (static_cast<float>(y) + (static_cast<float>(j) + 0.5f) / static_cast<float>(points)) * unit);
        return sum * (1.0f / static_cast<float>(points * points));
    });
    return image;
}

Image PaintBanner()
{
    // A dark band of brick behind the title in raised stone letters.
    constexpr int Width = 500;
    constexpr int Height = 64;
    Image image(Width, Height);
    const Image brick = PaintBrick();
    ForEachPixel(image, [&](int x, int y, float, float) {
        const Colour& b = brick.Wrapped(x * 2 + 40, y * 2 + 96);
        const float fade = 0.3f + 0.25f * (static_cast<float>(y) / Height);
        return b * fade;
    });

    const std::string title = "DUNMERE DEMO";
    constexpr int Cell = 6;
    constexpr int Advance = 6 * Cell;
    const int textWidth = static_cast<int>(title.size()) * Advance - Cell;
    const int left = (Width - textWidth) / 2;
    const int top = (Height - 7 * Cell) / 2;
    // Which pixels the letters cover.
    std::vector<bool> letter(static_cast<std::size_t>(Width) * Height, false);
    for (std::size_t i = 0; i < title.size(); ++i) {
        const auto* glyph = Glyph(title[i]);
        if (glyph == nullptr)
            continue;
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 5; ++column)
                if ((*glyph)[row][column] == '#')
                    for (int y = 0; y < Cell; ++y)
                        for (int x = 0; x < Cell; ++x)
                            letter[static_cast<std::size_t>(top + row * Cell + y) * Width
                                   + static_cast<std::size_t>(left + static_cast<int>(i) * Advance + column * Cell + x)] = true;
    }
    const auto covered = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < Width && y < Height && letter[static_cast<std::size_t>(y) * Width + static_cast<std::size_t>(x)];
    };
    constexpr int Drop = 3;
    for (int y = 0; y < Height; ++y) {
        for (int x = 0; x < Width; ++x) {
            if (!covered(x, y)) {
                // The letters' drop shadow, down and to the right.
                if (covered(x - Drop, y - Drop))
                    image.At(x, y) = image.At(x, y) * 0.35f;
                continue;
            }
            const float noise = Fractal(static_cast<float>(x) / Width, static_cast<float>(y) / Height, 50, 8, 3, 1201);
            Colour stone = Colour{0.82f, 0.78f, 0.68f} * (0.85f + 0.3f * noise);
            // Chiselled edges: lit where the letter's edge faces up or left, shaded down or right.
            if (!covered(x, y - 1) || !covered(x - 1, y) || !covered(x, y - 2) || !covered(x - 2, y))
                stone = stone * 1.18f;
            if (!covered(x, y + 1) || !covered(x + 1, y) || !covered(x, y + 2) || !covered(x + 2, y))
                stone = stone * 0.68f;
            image.At(x, y) = stone;
        }
    }
    return image;
}

} // namespace Content
