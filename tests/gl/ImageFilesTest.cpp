// Picture sizes read from image file headers before anything is decoded.
#include "framework/gl/ImageFiles.h"

#include <gtest/gtest.h>

#include <string>

namespace {

bool Header(const std::string& bytes, const std::string& name, ImageHeader& out)
{
    return ReadImageHeader(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), name, out);
}

TEST(ImageHeaders, GiveTheKindAndSizeOfEachFormatBeforeAnyDecoding)
{
    ImageHeader h;
    const std::string png = std::string("\x89PNG\r\n\x1A\n\0\0\0\x0DIHDR\0\0\x01\x00\0\0\0\x40", 24);
    ASSERT_TRUE(Header(png, "a.bin", h));
    EXPECT_EQ(h.Kind, ImageKind::Png);
    EXPECT_EQ(h.Width, 256u);
    EXPECT_EQ(h.Height, 64u);

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
    ASSERT_TRUE(Header(tga, "Wall.TGA", h));
    EXPECT_EQ(h.Kind, ImageKind::Tga);
    EXPECT_EQ(h.Width, 3u);
    EXPECT_EQ(h.Height, 2u);
    EXPECT_FALSE(Header(tga, "wall.png", h));
    tga[2] = 2; // uncompressed, so all 3 x 2 pixels must be there
    EXPECT_FALSE(Header(tga, "Wall.TGA", h));
    tga += std::string(18, '\0');
    EXPECT_TRUE(Header(tga, "Wall.TGA", h));
}

} // namespace
