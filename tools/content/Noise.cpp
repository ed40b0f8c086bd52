#include "tools/content/Noise.h"

#include <cmath>
#include <initializer_list>

namespace Content {

std::uint32_t Hash(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    // Three rounds of a multiply-xorshift mix, one per input word.
    std::uint32_t h = 0x9E3779B9u;
    for (std::uint32_t word : {a, b, c}) {
        h ^= word + 0x7F4A7C15u + (h << 6) + (h >> 2);
        h ^= h >> 16;
        h *= 0x85EBCA6Bu;
        h ^= h >> 13;
        h *= 0xC2B2AE35u;
        h ^= h >> 16;
    }
    return h;
}

float HashUnit(std::uint32_t a, std::uint32_t b, std::uint32_t c)
{
    return static_cast<float>(Hash(a, b, c) >> 8) * (1.0f / 16777216.0f);
}

std::uint64_t Random::NextBits()
{
    // splitmix64
    std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
    return z ^ (z >> 31);
}

float Random::Unit()
{
    return static_cast<float>(NextBits() >> 40) * (1.0f / 16777216.0f);
}

int Random::Below(int count)
{
    return count <= 1 ? 0 : static_cast<int>(NextBits() % static_cast<std::uint64_t>(count));
}

namespace {

int Wrap(int value, int period)
{
    const int r = value % period;
    return r < 0 ? r + period : r;
}

float Fade(float t)
{
    return t * t * (3.0f - 2.0f * t);
}

float Lattice(int x, int y, int periodX, int periodY, std::uint32_t seed)
{
    return HashUnit(static_cast<std::uint32_t>(Wrap(x, periodX)), static_cast<std::uint32_t>(Wrap(y, periodY)), seed);
}

} // namespace

float ValueNoise(float x, float y, int periodX, int periodY, std::uint32_t seed)
{
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int ix = static_cast<int>(fx);
    const int iy = static_cast<int>(fy);
    const float tx = Fade(x - fx);
    const float ty = Fade(y - fy);
    const float a = Lattice(ix, iy, periodX, periodY, seed);
    const float b = Lattice(ix + 1, iy, periodX, periodY, seed);
    const float c = Lattice(ix, iy + 1, periodX, periodY, seed);
    const float d = Lattice(ix + 1, iy + 1, periodX, periodY, seed);
    const float top = a + (b - a) * tx;
    const float bottom = c + (d - c) * tx;
    return top + (bottom - top) * ty;
}

float Fractal(float u, float v, int periodX, int periodY, int octaves, std::uint32_t seed)
{
    float sum = 0;
    float weight = 0.5f;
    float total = 0;
    for (int octave = 0; octave < octaves; ++octave) {
        sum += weight * ValueNoise(u * static_cast<float>(periodX), v * static_cast<float>(periodY), periodX, periodY,
                                   seed + static_cast<std::uint32_t>(octave) * 1013u);
        total += weight;
        weight *= 0.5f;
        periodX *= 2;
        periodY *= 2;
    }
    return sum / total;
}

CellSample Cellular(float u, float v, int period, float jitter, std::uint32_t seed)
{
    const float x = u * static_cast<float>(period);
    const float y = v * static_cast<float>(period);
    const int cx = static_cast<int>(std::floor(x));
    const int cy = static_cast<int>(std::floor(y));
    CellSample sample;
    sample.Nearest = 1e9f;
    sample.Second = 1e9f;
    for (int dy = -2; dy <= 2; ++dy) {
        for (int dx = -2; dx <= 2; ++dx) {
            const int gx = cx + dx;
            const int gy = cy + dy;
            const auto wx = static_cast<std::uint32_t>(Wrap(gx, period));
            const auto wy = static_cast<std::uint32_t>(Wrap(gy, period));
            const float px = static_cast<float>(gx) + 0.5f + jitter * (HashUnit(wx, wy, seed) - 0.5f);
            const float py = static_cast<float>(gy) + 0.5f + jitter * (HashUnit(wx, wy, seed + 1) - 0.5f);
            const float ox = px - x;
            const float oy = py - y;
            const float distance = std::sqrt(ox * ox + oy * oy);
            if (distance < sample.Nearest) {
                sample.Second = sample.Nearest;
                sample.Nearest = distance;
                sample.Id = wy * static_cast<std::uint32_t>(period) + wx;
                sample.OffsetX = ox;
                sample.OffsetY = oy;
            } else if (distance < sample.Second) {
                sample.Second = distance;
            }
        }
    }
    return sample;
}

float Clamp01(float value)
{
    return value < 0 ? 0 : (value > 1 ? 1 : value);
}

float SmoothStep(float edge0, float edge1, float value)
{
    const float t = Clamp01((value - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

} // namespace Content
