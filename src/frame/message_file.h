// The message file "morvex.mes": its presence switches the program to
// English, and its lines replace the menu texts and the command panel's
// captions in menu order.
#pragma once

#include <array>
#include <string>

#include "resources/menu_table.h"

namespace morvex {

inline constexpr const char* kMessageFileName = "morvex.mes";
inline constexpr std::size_t kPanelCaptionCount = 21;  // the title and 20 buttons
inline constexpr std::size_t kPanelCaptionBytes = 8;

struct PanelCaptions {
    std::array<std::string, kPanelCaptionCount> text;
    bool fromMessageFile = false;
};

// The message file in the start directory, else in the program directory, or
// "" when neither has one.
std::string FindMessageFile(const std::string& startDir, const std::string& programDir);

// Rewrites the menu texts (pull-down titles by position, items by command)
// and fills the panel captions from the file. Texts the file runs out of keep
// their Japanese form. Returns false when the file cannot be read.
[[nodiscard]] bool ApplyMessageFile(const std::string& path, MenuBarDef& menu,
                                    PanelCaptions& panel);

}  // namespace morvex
