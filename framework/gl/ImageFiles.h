// Texture image files: BMP, PNG, JPEG and TGA, read with SDL2_image.
//
// A file's picture size is read from its header before anything is decoded, so a file that
// claims an enormous picture is refused without the decoder allocating for it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class ImageKind { Unknown, Bmp, Png, Jpeg, Tga };

struct ImageHeader {
    ImageKind Kind = ImageKind::Unknown;
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
};

// The kind and picture size of an image file from its first bytes. TGA files carry no
// signature and are recognised by the extension (".tga", any case) of the file name.
// False when the bytes are none of the four kinds or their header is damaged.
bool ReadImageHeader(const std::uint8_t* data, std::size_t size, std::string_view fileName, ImageHeader& out);

// A decoded picture: RGBA bytes, top row first, rows back to back.
struct ImageRGBA {
    std::uint32_t Width = 0;
    std::uint32_t Height = 0;
    std::vector<std::uint8_t> Pixels;
};

// Reads and decodes an image file whose sides may be at most maxSide pixels. False with a
// reason for the user when the file cannot be read, is not an image of the four kinds, is
// damaged, or is too large.
bool LoadImageFile(const std::string& path, std::uint32_t maxSide, ImageRGBA& out, std::string& error);

// Decodes the bytes of an image file (the part of LoadImageFile after the reading).
bool DecodeImage(const std::vector<std::uint8_t>& bytes, std::string_view fileName, std::uint32_t maxSide,
                 ImageRGBA& out, std::string& error);
