// A small floating-point RGB picture that the texture painters draw into, and its PNG encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace Content {

struct Colour {
    float R = 0;
    float G = 0;
    float B = 0;
};

Colour operator+(Colour a, Colour b);
Colour operator*(Colour a, float k);
Colour operator*(Colour a, Colour b);
// a at t = 0, b at t = 1.
Colour Mix(Colour a, Colour b, float t);
Colour Grey(float level);

class Image {
public:
    Image(int width, int height, Colour fill = {});

    int Width() const { return width_; }
    int Height() const { return height_; }
    Colour& At(int x, int y) { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    const Colour& At(int x, int y) const { return pixels_[static_cast<std::size_t>(y) * width_ + x]; }
    // The pixel at (x, y) with both coordinates wrapped into the picture, for tiling patterns.
    const Colour& Wrapped(int x, int y) const;

private:
    int width_;
    int height_;
    std::vector<Colour> pixels_;
};

// The picture as a 24-bit RGB PNG file (components clamped to 0..1 and rounded to 8 bits).
// The same picture always gives the same bytes: no time stamps or other varying chunks.
std::string EncodePng(const Image& image);

} // namespace Content
