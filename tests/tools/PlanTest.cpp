#include "tests/support/WorldFixture.h"

#include "tools/Plan.h"

#include <cairo.h>
#include <gmock/gmock.h>

#include <algorithm>
#include <sstream>

using ::testing::HasSubstr;

namespace {

class PlanTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        ResetWorldState();
        DirectX_Framework::ResetState();
        DirectX_Framework::DirectXFactory = nullptr;
        InstallPlatform(nullptr);
    }
    TempFolder folder;
    std::string map = std::string(DUNMERE_ASSETS_DIR) + "/e1m1-double.dnmap";
    std::ostringstream err;
};

TEST_F(PlanTest, DrawsTheShippedMapWithItsFloorsWallsAndSpawnWhereTheMapPutsThem)
{
    ASSERT_EQ(Plan::Run({map, folder / "plan.svg", 1024}, err), 0) << err.str();
    const std::string svg = ReadWholeFile(folder / "plan.svg");
    EXPECT_EQ(svg.rfind("<?xml", 0), 0u);
    EXPECT_THAT(svg, HasSubstr("<svg"));
    EXPECT_THAT(svg, HasSubstr("</svg>"));
    EXPECT_EQ(Plan::Run({map, folder / "plan.gif", 1024}, err), 2);

    Plan::Layout at;
    ASSERT_EQ(Plan::Run({map, folder / "plan.png", 1024}, err, &at), 0) << err.str();
    cairo_surface_t* png = cairo_image_surface_create_from_png((folder / "plan.png").c_str());
    ASSERT_EQ(cairo_surface_status(png), CAIRO_STATUS_SUCCESS);
    const int width = cairo_image_surface_get_width(png);
    const int height = cairo_image_surface_get_height(png);
    EXPECT_EQ(std::max(width, height), 1024);
    const unsigned char* data = cairo_image_surface_get_data(png);
    const int stride = cairo_image_surface_get_stride(png);
    const auto pixel = [&](double x, double y) {
        const int px = std::clamp(static_cast<int>(at.X(x)), 0, width - 1);
        const int py = std::clamp(static_cast<int>(at.Y(y)), 0, height - 1);
        return *reinterpret_cast<const std::uint32_t*>(data + py * stride + px * 4) & 0xFFFFFF;
    };
    const auto light = [&](double x, double y) {
        const std::uint32_t c = pixel(x, y);
        return (0.2126 * (c >> 16 & 0xFF) + 0.7152 * (c >> 8 & 0xFF) + 0.0722 * (c & 0xFF)) / 255;
    };

    // Floors, lighter the higher they lie: the pit (z 40), the entrance hall (0), the library (-40);
    // lighter still the background between the stair hall and the crypt.
    EXPECT_LT(light(380, 50), light(40, 60));
    EXPECT_LT(light(40, 60), light(100, 600));
    EXPECT_LT(light(100, 600), light(240, 400));
    // The hall's west wall on x = 0 and the crypt's east wall on x = 512, drawn in dark lines.
    const auto darkest = [&](double x, double y) {
        return std::min({light(x - 1 / at.Scale, y), light(x, y), light(x + 1 / at.Scale, y)});
    };
    EXPECT_LT(darkest(0, 88), 0.25);
    EXPECT_LT(darkest(512, 100), 0.25);
    // The spawn marker in the spawn entity's green.
    const std::uint32_t spawn = pixel(96.5, 24.5);
    EXPECT_GT(spawn >> 8 & 0xFF, 2 * (spawn >> 16 & 0xFF));
    cairo_surface_destroy(png);
}

} // namespace
