// Deterministic randomness for the texture painters: integer hashes, a seeded generator, and
// noise fields that repeat exactly over the picture so the textures tile without seams.
// Only integer arithmetic and IEEE-exact float operations are used, so every run and every
// build draws the same pixels.
#pragma once

#include <cstdint>

namespace Content {

std::uint32_t Hash(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);
// A hash mapped onto 0 (included) to 1 (excluded).
float HashUnit(std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);

class Random {
public:
    explicit Random(std::uint64_t seed) : state_(seed) {}
    std::uint64_t NextBits();
    // 0 (included) to 1 (excluded).
    float Unit();
    float Range(float low, float high) { return low + (high - low) * Unit(); }
    // 0 to count - 1.
    int Below(int count);

private:
    std::uint64_t state_;
};

// Smooth value noise on a lattice of whole cells that repeats every periodX by periodY cells;
// x and y are measured in cells. Result 0..1.
float ValueNoise(float x, float y, int periodX, int periodY, std::uint32_t seed);

// Fractal sum of value noise over the unit square (u, v from 0 to 1 cover one tile): the first
// octave has periodX by periodY cells, each further octave twice as many at half the weight.
// Result 0..1, most values near 0.5.
float Fractal(float u, float v, int periodX, int periodY, int octaves, std::uint32_t seed);

// Cellular noise over the unit square with period by period jittered feature points, one per
// cell: distances (in cells) to the nearest and second-nearest point, and the nearest point's
// identity and position relative to (u, v) in cells.
struct CellSample {
    float Nearest = 0;
    float Second = 0;
    std::uint32_t Id = 0;
    float OffsetX = 0;
    float OffsetY = 0;
};
CellSample Cellular(float u, float v, int period, float jitter, std::uint32_t seed);

float Clamp01(float value);
// 0 below edge0, 1 above edge1, a smooth S-curve between.
float SmoothStep(float edge0, float edge1, float value);

} // namespace Content
