// Texture image files: the header checks and SDL2_image's decoders, as the OpenGL back end
// reads a texture. The bytes are tried under a .png and a .tga name, since TGA files are known
// by their name alone.
#include "tests/fuzz/FuzzHarness.h"

#include "framework/gl/ImageFiles.h"

#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // The largest texture llvmpipe takes.
    constexpr std::uint32_t MaxSide = 16384;
    const std::vector<std::uint8_t> bytes(data, data + size);
    for (const char* name : {"fuzz.png", "fuzz.tga"}) {
        ImageHeader header;
        const bool known = ReadImageHeader(bytes.data(), bytes.size(), name, header);
        ImageRGBA image;
        std::string error;
        if (!DecodeImage(bytes, name, MaxSide, image, error)) {
            FUZZ_CHECK(!error.empty());
            continue;
        }
        FUZZ_CHECK(known && image.Width == header.Width && image.Height == header.Height);
        FUZZ_CHECK(image.Width > 0 && image.Height > 0 && image.Width <= MaxSide && image.Height <= MaxSide);
        FUZZ_CHECK(image.Pixels.size() == std::size_t{image.Width} * image.Height * 4);
    }
    return 0;
}
