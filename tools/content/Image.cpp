#include "tools/content/Image.h"

#include <cairo.h>

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace Content {

Colour operator+(Colour a, Colour b)
{
    return {a.R + b.R, a.G + b.G, a.B + b.B};
}

Colour operator*(Colour a, float k)
{
    return {a.R * k, a.G * k, a.B * k};
}

Colour operator*(Colour a, Colour b)
{
    return {a.R * b.R, a.G * b.G, a.B * b.B};
}

Colour Mix(Colour a, Colour b, float t)
{
    return {a.R + (b.R - a.R) * t, a.G + (b.G - a.G) * t, a.B + (b.B - a.B) * t};
}

Colour Grey(float level)
{
    return {level, level, level};
}

Image::Image(int width, int height, Colour fill)
    : width_(width), height_(height), pixels_(static_cast<std::size_t>(width) * height, fill)
{
    if (width <= 0 || height <= 0)
        throw std::invalid_argument("an image needs a positive size");
}

const Colour& Image::Wrapped(int x, int y) const
{
    x %= width_;
    y %= height_;
    return At(x < 0 ? x + width_ : x, y < 0 ? y + height_ : y);
}

namespace {

std::uint32_t ToByte(float value)
{
    return static_cast<std::uint32_t>(std::lround(std::clamp(value, 0.0f, 1.0f) * 255.0f));
}

cairo_status_t AppendToString(void* closure, const unsigned char* data, unsigned int length)
{
    static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
    return CAIRO_STATUS_SUCCESS;
}

} // namespace

std::string EncodePng(const Image& image)
{
    // Cairo's RGB24 surfaces are written as 8-bit RGB PNGs without an alpha channel.
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, image.Width(), image.Height());
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        cairo_surface_destroy(surface);
        throw std::runtime_error("cannot create an image surface");
    }
    cairo_surface_flush(surface);
    unsigned char* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < image.Height(); ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(data + static_cast<std::ptrdiff_t>(y) * stride);
        for (int x = 0; x < image.Width(); ++x) {
            const Colour& c = image.At(x, y);
            row[x] = (ToByte(c.R) << 16) | (ToByte(c.G) << 8) | ToByte(c.B);
        }
    }
    cairo_surface_mark_dirty(surface);

    std::string bytes;
    const cairo_status_t status = cairo_surface_write_to_png_stream(surface, AppendToString, &bytes);
    cairo_surface_destroy(surface);
    if (status != CAIRO_STATUS_SUCCESS)
        throw std::runtime_error(std::string("cannot encode a PNG picture: ") + cairo_status_to_string(status));
    return bytes;
}

} // namespace Content
