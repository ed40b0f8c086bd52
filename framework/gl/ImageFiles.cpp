#include "framework/gl/ImageFiles.h"

#include <SDL2/SDL.h>
#include <SDL2/SDL_image.h>

#include <algorithm>
#include <cctype>
#include <cstring>
#include <fstream>

namespace {

// Texture files larger than this are not read at all.
constexpr std::uint64_t MaxImageFileBytes = 512ull * 1024 * 1024;

std::uint32_t Big16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[0] << 8 | p[1]); }
std::uint32_t Little16(const std::uint8_t* p) { return static_cast<std::uint32_t>(p[1] << 8 | p[0]); }
std::uint32_t Big32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
           static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}
std::uint32_t Little32(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[3]) << 24 | static_cast<std::uint32_t>(p[2]) << 16 |
           static_cast<std::uint32_t>(p[1]) << 8 | p[0];
}

bool HasExtension(std::string_view name, std::string_view extension)
{
    if (name.size() < extension.size())
        return false;
    const std::string_view tail = name.substr(name.size() - extension.size());
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    });
}

bool ReadPng(const std::uint8_t* data, std::size_t size, ImageHeader& out)
{
    // Signature, then the IHDR chunk: length 13, type, width, height.
    if (size < 24 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return false;
    out.Width = Big32(data + 16);
    out.Height = Big32(data + 20);
    // Every chunk (length, type, data, checksum) must lie within the file, up to the IEND chunk
    // that ends it: the decoder would otherwise go on reading a chunk that claims gigabytes, or,
    // at the end of the data, read the last chunk again and again.
    for (std::size_t at = 8; size - at >= 12 && Big32(data + at) <= size - at - 12; at += 12 + Big32(data + at))
        if (std::memcmp(data + at + 4, "IEND", 4) == 0)
            return true;
    return false;
}

bool ReadBmp(const std::uint8_t* data, std::size_t size, ImageHeader& out)
{
    if (size < 26)
        return false;
    const std::uint32_t infoSize = Little32(data + 14);
    std::uint32_t bits = 0;
    std::uint32_t compression = 0;
    if (infoSize == 12) { // OS/2 core header: 16-bit sizes
        out.Width = Little16(data + 18);
        out.Height = Little16(data + 20);
        bits = Little16(data + 24);
    } else {
        const auto width = static_cast<std::int32_t>(Little32(data + 18));
        const auto height = static_cast<std::int32_t>(Little32(data + 22)); // negative: rows top down
        if (infoSize < 40 || size < 34 || width <= 0 || height == 0 || height == INT32_MIN)
            return false;
        out.Width = static_cast<std::uint32_t>(width);
        out.Height = static_cast<std::uint32_t>(height < 0 ? -height : height);
        bits = Little16(data + 28);
        compression = Little32(data + 30);
    }
    // Uncompressed rows (padded to 4 bytes) must all be there: the decoder would make up the rest.
    const std::uint64_t offset = Little32(data + 10);
    const std::uint64_t rowBytes = (std::uint64_t{out.Width} * bits + 31) / 32 * 4;
    const bool rows = compression == 0 || compression == 3; // plain or with bit fields
    return offset <= size && (!rows || rowBytes * out.Height <= size - offset);
}

bool ReadJpeg(const std::uint8_t* data, std::size_t size, ImageHeader& out)
{
    std::size_t at = 2;
    while (at + 4 <= size) {
        if (data[at] != 0xFF)
            return false;
        const std::uint8_t marker = data[at + 1];
        if (marker == 0xFF) { // fill byte
            ++at;
            continue;
        }
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) { // markers without a segment
            at += 2;
            continue;
        }
        if (marker == 0xD9 || marker == 0xDA) // end of image or scan data before any frame header
            return false;
        const std::uint32_t length = Big16(data + at + 2);
        if (length < 2)
            return false;
        const bool frame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
        if (frame) {
            if (length < 7 || at + 9 > size)
                return false;
            out.Height = Big16(data + at + 5);
            out.Width = Big16(data + at + 7);
            return true;
        }
        at += 2 + length;
    }
    return false;
}

bool ReadTga(const std::uint8_t* data, std::size_t size, ImageHeader& out)
{
    if (size < 18)
        return false;
    const std::uint8_t colourMapType = data[1];
    const std::uint8_t imageType = data[2];
    const std::uint8_t depth = data[16];
    const bool knownType = imageType == 1 || imageType == 2 || imageType == 3 || imageType == 9 || imageType == 10 ||
                           imageType == 11;
    if (colourMapType > 1 || !knownType || (depth != 8 && depth != 15 && depth != 16 && depth != 24 && depth != 32))
        return false;
    out.Width = Little16(data + 12);
    out.Height = Little16(data + 14);
    // The picture must be all there: the decoder would leave missing rows black. Run-length
    // packets cover at most 128 pixels with a header byte and one pixel value each.
    const std::uint64_t mapBytes = colourMapType == 1 ? Little16(data + 5) * ((data[7] + 7ull) / 8) : 0;
    const std::uint64_t pixels = static_cast<std::uint64_t>(out.Width) * out.Height;
    const std::uint64_t pixelSize = (depth + 7u) / 8;
    const std::uint64_t pixelBytes = imageType <= 3 ? pixels * pixelSize : (pixels + 127) / 128 * (1 + pixelSize);
    return 18ull + data[0] + mapBytes + pixelBytes <= size;
}

// The decoder of the kind the header names, and no other: SDL_image's own choice goes by what
// the bytes look like and would let any of its other formats (SVG, GIF, XCF, ...) decode a file
// that passed for one of these four.
SDL_Surface* Decode(ImageKind kind, SDL_RWops* stream)
{
    switch (kind) {
    case ImageKind::Bmp: return IMG_LoadBMP_RW(stream);
    case ImageKind::Png: return IMG_LoadPNG_RW(stream);
    case ImageKind::Jpeg: return IMG_LoadJPG_RW(stream);
    case ImageKind::Tga: return IMG_LoadTGA_RW(stream);
    default: return nullptr;
    }
}

} // namespace

bool ReadImageHeader(const std::uint8_t* data, std::size_t size, std::string_view fileName, ImageHeader& out)
{
    static const std::uint8_t PngSignature[] = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    out = ImageHeader{};
    bool read = false;
    if (size >= 8 && std::memcmp(data, PngSignature, 8) == 0) {
        out.Kind = ImageKind::Png;
        read = ReadPng(data, size, out);
    } else if (size >= 2 && data[0] == 'B' && data[1] == 'M') {
        out.Kind = ImageKind::Bmp;
        read = ReadBmp(data, size, out);
    } else if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF) {
        out.Kind = ImageKind::Jpeg;
        read = ReadJpeg(data, size, out);
    } else if (HasExtension(fileName, ".tga")) {
        out.Kind = ImageKind::Tga;
        read = ReadTga(data, size, out);
    }
    return read && out.Width > 0 && out.Height > 0;
}

bool LoadImageFile(const std::string& path, std::uint32_t maxSide, ImageRGBA& out, std::string& error)
{
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot open the file";
        return false;
    }
    const std::streamoff length = file.tellg();
    if (length <= 0) {
        error = length == 0 ? "the file is empty" : "cannot read the file";
        return false;
    }
    if (static_cast<std::uint64_t>(length) > MaxImageFileBytes) {
        error = "the file is too large for a texture";
        return false;
    }
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(length));
    file.seekg(0);
    if (!file.read(reinterpret_cast<char*>(bytes.data()), length)) {
        error = "cannot read the file";
        return false;
    }
    return DecodeImage(bytes, path, maxSide, out, error);
}

bool DecodeImage(const std::vector<std::uint8_t>& bytes, std::string_view fileName, std::uint32_t maxSide,
                 ImageRGBA& out, std::string& error)
{
    ImageHeader header;
    if (!ReadImageHeader(bytes.data(), bytes.size(), fileName, header)) {
        error = "not a BMP, PNG, JPEG or TGA image, or its header is damaged";
        return false;
    }
    if (header.Width > maxSide || header.Height > maxSide) {
        error = "the picture is " + std::to_string(header.Width) + " x " + std::to_string(header.Height) +
                " pixels; the graphics driver takes at most " + std::to_string(maxSide) + " x " +
                std::to_string(maxSide);
        return false;
    }

    SDL_RWops* stream = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    SDL_Surface* decoded = stream ? Decode(header.Kind, stream) : nullptr;
    if (stream != nullptr)
        SDL_RWclose(stream);
    if (decoded == nullptr) {
        error = std::string("the image is damaged (") + IMG_GetError() + ")";
        return false;
    }
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(decoded, SDL_PIXELFORMAT_RGBA32, 0);
    SDL_FreeSurface(decoded);
    if (rgba == nullptr) {
        error = std::string("cannot convert the image (") + SDL_GetError() + ")";
        return false;
    }
    // The header's size was checked against maxSide; a picture of another size is damaged.
    const bool fits = rgba->w > 0 && rgba->h > 0 && static_cast<std::uint32_t>(rgba->w) == header.Width &&
                      static_cast<std::uint32_t>(rgba->h) == header.Height;
    if (fits) {
        out.Width = static_cast<std::uint32_t>(rgba->w);
        out.Height = static_cast<std::uint32_t>(rgba->h);
        out.Pixels.resize(static_cast<std::size_t>(out.Width) * out.Height * 4);
        SDL_LockSurface(rgba);
        for (std::uint32_t y = 0; y < out.Height; ++y)
            std::memcpy(out.Pixels.data() + static_cast<std::size_t>(y) * out.Width * 4,
                        static_cast<const std::uint8_t*>(rgba->pixels) + static_cast<std::size_t>(y) * static_cast<std::size_t>(rgba->pitch),
                        static_cast<std::size_t>(out.Width) * 4);
        SDL_UnlockSurface(rgba);
    } else {
        error = "the picture is not of the size its header gives";
    }
    SDL_FreeSurface(rgba);
    return fits;
}
