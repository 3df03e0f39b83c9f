// Settings write-back through the INI rewriter, which keeps every other line.
#include "frame/settings_writer.h"

#include "base/text.h"
#include "frame/ini_file.h"

namespace morvex {
namespace {

void SetInt(IniFile& ini, const char* key, int value) {
    SetIniString(ini, "Save", key, Format("%d", value));
}

void SetColors(IniFile& ini, const Settings& settings, ColorKey first, ColorKey last) {
    for (auto i = static_cast<std::size_t>(first); i <= static_cast<std::size_t>(last); ++i) {
        const auto key = static_cast<ColorKey>(i);
        SetIniString(ini, "Define", ColorKeyOf(key).key, FormatColor(settings.colors[key]));
    }
}

}  // namespace

std::string FormatColor(ColorRef color) {
    return Format("(%d,%d,%d)", ColorRed(color), ColorGreen(color), ColorBlue(color));
}

bool SaveDisplaySettings(const std::string& path, const Settings& settings,
                         const WindowPlacement& placement) {
    IniFile ini;
    if (!LoadIniForUpdate(path, ini)) return false;
    const SaveSettings& save = settings.save;
    SetInt(ini, "DISPLAY", save.display);
    if (save.display == 1 && !placement.minimised) {
        SetInt(ini, "SHOW", placement.show);
        SetInt(ini, "X", placement.left);
        SetInt(ini, "Y", placement.top);
        SetInt(ini, "HEIGHT", placement.bottom - placement.top);
        SetInt(ini, "WIDE", placement.right - placement.left);
    }
    SetInt(ini, "VIEW_P", save.viewPanel);
    SetInt(ini, "VIEW_T", save.viewToolDialog);
    SetInt(ini, "WORK COLOR", save.workColor);
    if (save.workColor == 1) SetColors(ini, settings, ColorKey::Work, ColorKey::Work2);
    SetInt(ini, "TOOL COLOR", save.toolColor);
    if (save.toolColor == 1) {
        SetIniString(ini, "Define", "TOOL-TOP COLOR MODE",
                     settings.display.toolTopPenColor ? "PEN COLOR" : "SPECIFIED");
        SetColors(ini, settings, ColorKey::ToolTop, ColorKey::Attachment);
    }
    SetInt(ini, "LINE COLOR", save.lineColor);
    if (save.lineColor != 0) SetColors(ini, settings, ColorKey::TopPath, ColorKey::Minus);
    SetInt(ini, "BACKGROUND", save.background);
    if (save.background == 1) SetColors(ini, settings, ColorKey::Background, ColorKey::Background);
    return SaveIni(ini, path);
}

bool WriteColorKey(const std::string& path, ColorKey key, ColorRef color) {
    return WriteIniString(path, "Define", ColorKeyOf(key).key, FormatColor(color));
}

bool WriteNewControlPoint(const std::string& path, int mode) {
    static constexpr const char* kWords[] = {"BOX-TOP", "CURRENT", "SPECIFY"};
    if (mode < 0 || mode > 2) mode = 0;
    return WriteIniString(path, "Define", "NEW CONTROL POINT", kWords[mode]);
}

bool WriteSpecifiedPoint(const std::string& path, const Vec3& point) {
    return WriteIniString(path, "Define", "SPECIFIED POINT",
                          Format("(%.3f,%.3f,%.3f)", point.x, point.y, point.z));
}

}  // namespace morvex
