// Picture sizes read from image file headers before anything is decoded.
#include "framework/gl/ImageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

bool Header(const std::string& bytes, const std::string& name, ImageHeader& out)
{
    return ReadImageHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), name, out);
}

TEST(ImageHeaders, GiveTheKindAndSizeOfEachFormatBeforeAnyDecoding)
{
    ImageHeader h;
    // Signature, IHDR (its fields after the size, and the checksums, are not read here) and IEND.
    const std::string ihdr = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x01\x00\0\0\0\x40", 24) + std::string(9, '\0');
    const std::string iend = std::string("\0\0\0\0IEND", 8) + std::string(4, '\0');
    ASSERT_TRUE(Header(ihdr + iend, "a.bin", h));
    EXPECT_EQ(h.Kind, ImageKind::Png);
    EXPECT_EQ(h.Width, 256u);
    EXPECT_EQ(h.Height, 64u);
    // Every chunk must lie within the file, up to IEND: the decoder would go on reading one that
    // claims more, or read the last one again and again.
    EXPECT_FALSE(Header(ihdr.substr(0, 32), "a.png", h));
    EXPECT_FALSE(Header(ihdr, "a.png", h));
    EXPECT_FALSE(Header(ihdr + std::string("\0\x20\0\x07tIME", 8) + std::string(11, '\0') + iend, "a.png", h));

    std::string bmp = "BM" + std::string(24, '\0');
    bmp[14] = 40;
    bmp[18] = 10;                                   // width 10
    bmp.replace(22, 4, std::string("\xFB\xFF\xFF\xFF", 4)); // height -5: rows top down
    ASSERT_TRUE(Header(bmp, "a.bmp", h));
    EXPECT_EQ(h.Kind, ImageKind::Bmp);
    EXPECT_EQ(h.Width, 10u);
    EXPECT_EQ(h.Height, 5u);

    // A JPEG whose frame header comes after an application segment.
    const std::string jpeg("\xFF\xD8\xFF\xE0\x00\x04\x00\x00\xFF\xC2\x00\x0B\x08\x01\x2C\x00\xC8\x01\x01\x11\x00", 21);
    ASSERT_TRUE(Header(jpeg, "a.jpg", h));
    EXPECT_EQ(h.Kind, ImageKind::Jpeg);
    EXPECT_EQ(h.Width, 200u);
    EXPECT_EQ(h.Height, 300u);

    // TGA has no signature: only the file name tells it.
    std::string tga(18, '\0');
    tga[2] = 10; // run-length encoded true colour
    tga[12] = 3;
    tga[14] = 2;
    tga[16] = 24;
    // Pictures must be all there: a run-length packet covers at most 128 pixels.
    EXPECT_FALSE(Header(tga, "Wall.TGA", h));
    tga += "\x85\x10\x20\x30"; // one run of 6 pixels
    ASSERT_TRUE(Header(tga, "Wall.TGA", h));
    EXPECT_EQ(h.Kind, ImageKind::Tga);
    EXPECT_EQ(h.Width, 3u);
    EXPECT_EQ(h.Height, 2u);
    EXPECT_FALSE(Header(tga, "wall.png", h));
    tga[12] = static_cast<char>(129); // 258 pixels need two packets
    EXPECT_FALSE(Header(tga, "Wall.TGA", h));
    tga[12] = 3;
    tga[2] = 2; // uncompressed: 18 bytes of pixels
    EXPECT_FALSE(Header(tga, "Wall.TGA", h));
    tga += std::string(14, '\0');
    EXPECT_TRUE(Header(tga, "Wall.TGA", h));
}

// The picture seeds of the fuzz corpus: ok-* files decode to the size their header gives; bad-*
// files (empty, cut short, corrupt, false, or claiming pictures far larger than their data) are
// refused with a reason.
TEST(ImageFiles, TheCorpusFilesDecodeOrAreRefusedAsNamed)
{
    for (const auto& entry : std::filesystem::directory_iterator(DUNMERE_FUZZ_CORPUS "/image")) {
        const std::string name = entry.path().filename().string();
        ImageRGBA image;
        std::string error;
        const bool loaded = LoadImageFile(entry.path().string(), 16384, image, error);
        if (name.rfind("ok-", 0) == 0) {
            EXPECT_TRUE(loaded && image.Pixels.size() == image.Width * image.Height * 4u) << name << ": " << error;
        } else if (name.rfind("bad-", 0) == 0) {
            EXPECT_FALSE(loaded || error.empty()) << name;
        }
    }
    ImageRGBA image;
    std::string error;
    EXPECT_FALSE(LoadImageFile(DUNMERE_FUZZ_CORPUS "/image/missing.png", 64, image, error));
    EXPECT_FALSE(LoadImageFile(DUNMERE_FUZZ_CORPUS "/image", 64, image, error)) << "a folder";
}

// Only the decoder of the kind the header names runs: this JPEG frame header is followed by an
// SVG picture, which SDL_image, choosing by content, would decode.
TEST(ImageFiles, OnlyTheDecoderOfTheHeadersKindRuns)
{
    const std::string jpeg = "\xFF\xD8\xFF\xC0\x01\x11\x08\x01\x04\x01\x04\x03"; // 260 x 260
    const std::string svg = "<svg xmlns='http://www.w3.org/2000/svg' width='4' height='4'>"
                            "<rect width='4' height='4' fill='red'/></svg>";
    const std::string bytes = jpeg + svg;
    ImageRGBA image;
    std::string error;
    EXPECT_FALSE(DecodeImage({bytes.begin(), bytes.end()}, "vector.jpg", 1024, image, error));
    EXPECT_FALSE(error.empty());
}

} // namespace
