// The adapter's display modes from what the display reports.
#include "framework/gl/DisplayModeList.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace {

std::vector<std::string> Names(const std::vector<D3DDISPLAYMODE>& modes)
{
    std::vector<std::string> names;
    for (const D3DDISPLAYMODE& m : modes)
        names.push_back(std::to_string(m.Width) + "x" + std::to_string(m.Height) + "x" +
                        (m.Format == D3DFMT_R5G6B5 ? "16" : "32") + "@" + std::to_string(m.RefreshRate));
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name)
{
    return std::find(names.begin(), names.end(), name) != names.end();
}

TEST(DisplayModeList, KeepsTheDisplaysOwnModesAndRatesTogether)
{
    const auto names = Names(BuildAdapterModes({{1920, 1080, 60}, {1920, 1080, 144}, {1366, 768, 60}, {800, 600, 75}},
                                               {1920, 1080, 60}));
    // Refresh rates of one size and format stand next to each other, 16-bit first.
    const auto at = std::find(names.begin(), names.end(), "1920x1080x16@60");
    ASSERT_NE(at, names.end());
    ASSERT_GE(names.end() - at, 4);
    EXPECT_EQ(std::vector<std::string>(at, at + 4),
              (std::vector<std::string>{"1920x1080x16@60", "1920x1080x16@144", "1920x1080x32@60", "1920x1080x32@144"}));
    EXPECT_TRUE(Has(names, "1366x768x32@60"));
    EXPECT_TRUE(Has(names, "800x600x16@75"));
    EXPECT_FALSE(Has(names, "800x600x16@60")) << "the display's own rate replaces the desktop's";
    EXPECT_TRUE(Has(names, "1024x768x16@60"));
}

TEST(DisplayModeList, OffersTheProbeAndDefaultModesEvenOnATinyDesktop)
{
    const auto names = Names(BuildAdapterModes({{600, 400, 60}}, {600, 400, 60}));
    EXPECT_EQ(names, (std::vector<std::string>{"320x200x16@60", "320x200x32@60", "320x240x16@60", "320x240x32@60",
                                               "400x300x16@60", "400x300x32@60", "512x384x16@60", "512x384x32@60",
                                               "600x400x16@60", "600x400x32@60", "640x480x16@60", "640x480x32@60"}));
}

} // namespace
