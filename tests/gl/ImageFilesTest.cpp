// Texture image files: kind and size from the header before anything is decoded, and decoding.
#include "framework/gl/ImageFiles.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// The picture seeds of the fuzz corpus: ok-* files of every kind decode (to the size their header
// gives); bad-* files (empty, cut short, corrupt, false, or claiming pictures far larger than
// their data, in a chunk, in run-length packets or in a header alone) are refused with a reason,
// also a JPEG header on an SVG picture, which SDL_image, choosing its decoder by content, decodes.
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

} // namespace
