// Message boxes drawn by Qt, for the executable that runs the Qt launcher.
#pragma once

#include "framework/Platform.h"

#include <string_view>

// A modal box with the title, the text, an OK button and the icon; false when no Qt
// application is running to show it.
bool ShowQtMessageBox(std::string_view title, std::string_view text, MessageBoxIcon icon);
