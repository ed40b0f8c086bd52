// The display modes the OpenGL adapter offers.
#pragma once

#include "framework/D3D8Types.h"

#include <vector>

struct ScreenMode {
    int Width = 0;
    int Height = 0;
    int RefreshRate = 0; // Hz; 0 when the display does not say
};

// Every resolution the display reports, plus the common smaller ones that fit on the desktop
// (320 x 200 and 640 x 480 always), each in R5G6B5 and X8R8G8B8: the back buffer is drawn
// off-screen and scaled into the window, so any of them can be presented. Sorted by width,
// height, format (16-bit first) and refresh rate, without repeats.
std::vector<D3DDISPLAYMODE> BuildAdapterModes(const std::vector<ScreenMode>& displayModes, const ScreenMode& desktop);
