// Writing settings back to the settings file: the section Save and the saved
// colours when the main window closes, and the two keys that commands write
// while the program runs.
#pragma once

#include <string>

#include "frame/settings.h"

namespace morvex {

// Where the main window stands, as the window system reports it.
struct WindowPlacement {
    int show = 1;  // 1 normal, 3 maximised
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    bool minimised = false;
};

// Writes section Save and the colour keys its flags select, in one rewrite of
// the file. Returns false when the file could not be written.
[[nodiscard]] bool SaveDisplaySettings(const std::string& path, const Settings& settings,
                                       const WindowPlacement& placement);

// "(%d,%d,%d)" of red, green, blue.
std::string FormatColor(ColorRef color);

[[nodiscard]] bool WriteColorKey(const std::string& path, ColorKey key, ColorRef color);

// NEW CONTROL POINT as "BOX-TOP", "CURRENT" or "SPECIFY" (mode 0, 1, 2).
[[nodiscard]] bool WriteNewControlPoint(const std::string& path, int mode);

// SPECIFIED POINT as "(%.3f,%.3f,%.3f)".
[[nodiscard]] bool WriteSpecifiedPoint(const std::string& path, const Vec3& point);

}  // namespace morvex
