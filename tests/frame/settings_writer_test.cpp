// Writing the display settings back at exit and the keys written while running.
#include "frame/settings_writer.h"

#include <gtest/gtest.h>

#include <utility>

#include "frame/ini_file.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(SettingsWriter, SaveSectionFollowsItsFlagsAndKeepsTheRestOfTheFile) {
    test::TempDir dir;
    const std::string path = dir.Write(
        "morvex.ini", "; keep this comment\n[Define]\nANGLE-A=10\nWORK COLOR=(1,2,3)\n[Save]\nDISPLAY=1\nMY NOTE=hello\n");
    Settings settings;
    settings.save.display = 1;
    settings.save.viewPanel = 1;
    settings.save.workColor = 1;
    settings.save.toolColor = 1;
    settings.save.lineColor = 0;
    settings.save.background = 0;
    settings.colors[ColorKey::Work] = MakeColor(10, 20, 30);
    settings.colors[ColorKey::ToolTop] = MakeColor(300, 0, 255);  // only the low byte counts
    settings.colors[ColorKey::TopPath] = MakeColor(1, 1, 1);
    settings.display.toolTopPenColor = true;

    WindowPlacement placement;
    placement.show = 3;
    placement.left = 40, placement.top = 30, placement.right = 1040, placement.bottom = 830;
    ASSERT_TRUE(SaveDisplaySettings(path, settings, placement));

    const IniFile ini = LoadIni(path);
    EXPECT_EQ(ini.lines.front(), "; keep this comment");
    // HEIGHT and WIDE from the placement's corners; the low byte of each colour
    // component; flags that are off leave their colours unwritten.
    const std::pair<const char*, const char*> keys[] = {
        {"MY NOTE", "hello"}, {"SHOW", "3"}, {"X", "40"}, {"Y", "30"}, {"HEIGHT", "800"}, {"WIDE", "1000"},
        {"VIEW_P", "1"}, {"VIEW_T", "0"}, {"LINE COLOR", "0"}};
    for (const auto& [key, value] : keys) EXPECT_EQ(GetIniString(ini, "Save", key, "absent"), value) << key;
    const std::pair<const char*, const char*> colours[] = {
        {"ANGLE-A", "10"}, {"WORK COLOR", "(10,20,30)"}, {"PEN7 COLOR", "(0,0,0)"},
        {"TOOL-TOP COLOR", "(44,0,255)"}, {"TOOL-TOP COLOR MODE", "PEN COLOR"}, {"TOP-PATH COLOR", "absent"},
        {"BACKGROUND", "absent"}};
    for (const auto& [key, value] : colours) EXPECT_EQ(GetIniString(ini, "Define", key, "absent"), value) << key;
}

TEST(SettingsWriter, AMinimisedWindowOrDisplayZeroWritesNoPlacement) {
    test::TempDir dir;
    for (const bool minimised : {true, false}) {
        const std::string path = dir.Write("m.ini", "");
        Settings settings;
        settings.save.display = minimised ? 1 : 0;
        WindowPlacement placement;
        placement.minimised = minimised;
        placement.right = 500;
        ASSERT_TRUE(SaveDisplaySettings(path, settings, placement));
        const IniFile ini = LoadIni(path);
        EXPECT_EQ(GetIniString(ini, "Save", "X", "absent") + GetIniString(ini, "Save", "WIDE", "absent"), "absentabsent");
        EXPECT_EQ(GetIniInt(ini, "Save", "DISPLAY", 9), settings.save.display);
    }
}

TEST(SettingsWriter, RunningCommandsWriteTheirOneKey) {
    test::TempDir dir;
    const std::string path = dir.Write("morvex.ini", "[Define]\nNEW CONTROL POINT=BOX-TOP\nX=1\n");
    ASSERT_TRUE(WriteNewControlPoint(path, 2));
    ASSERT_TRUE(WriteSpecifiedPoint(path, Vec3{1.0, -2.5, 100.0004}));
    ASSERT_TRUE(WriteColorKey(path, ColorKey::Background, MakeColor(0, 0, 0)));
    EXPECT_EQ(test::TempDir::Read(path),
              "[Define]\nNEW CONTROL POINT=SPECIFY\nX=1\n"
              "SPECIFIED POINT=(1.000,-2.500,100.000)\nBACKGROUND=(0,0,0)\n");
}

}  // namespace
}  // namespace morvex
