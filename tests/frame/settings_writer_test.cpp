// Writing the display settings back at exit and the keys written while running.
#include "frame/settings_writer.h"

#include <gtest/gtest.h>

#include "frame/ini_file.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(SettingsWriter, SaveSectionFollowsItsFlagsAndKeepsTheRestOfTheFile) {
    test::TempDir dir;
    const std::string path = dir.Write("morvex.ini",
                                       "; keep this comment\n"
                                       "[Define]\n"
                                       "ANGLE-A=10\n"
                                       "WORK COLOR=(1,2,3)\n"
                                       "[Save]\n"
                                       "DISPLAY=1\n"
                                       "MY NOTE=hello\n");
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
    placement.left = 40;
    placement.top = 30;
    placement.right = 1040;
    placement.bottom = 830;
    ASSERT_TRUE(SaveDisplaySettings(path, settings, placement));

    const IniFile ini = LoadIni(path);
    EXPECT_EQ(ini.lines.front(), "; keep this comment");
    EXPECT_EQ(GetIniString(ini, "Save", "MY NOTE", ""), "hello");
    EXPECT_EQ(GetIniString(ini, "Define", "ANGLE-A", ""), "10");
    EXPECT_EQ(GetIniInt(ini, "Save", "SHOW", 0), 3);
    EXPECT_EQ(GetIniInt(ini, "Save", "X", 0), 40);
    EXPECT_EQ(GetIniInt(ini, "Save", "Y", 0), 30);
    EXPECT_EQ(GetIniInt(ini, "Save", "HEIGHT", 0), 800);
    EXPECT_EQ(GetIniInt(ini, "Save", "WIDE", 0), 1000);
    EXPECT_EQ(GetIniInt(ini, "Save", "VIEW_P", 0), 1);
    EXPECT_EQ(GetIniInt(ini, "Save", "VIEW_T", 9), 0);
    EXPECT_EQ(GetIniString(ini, "Define", "WORK COLOR", ""), "(10,20,30)");
    EXPECT_EQ(GetIniString(ini, "Define", "PEN7 COLOR", ""), "(0,0,0)");
    EXPECT_EQ(GetIniString(ini, "Define", "TOOL-TOP COLOR", ""), "(44,0,255)");
    EXPECT_EQ(GetIniString(ini, "Define", "TOOL-TOP COLOR MODE", ""), "PEN COLOR");
    // Flags that are off leave their colours unwritten.
    EXPECT_EQ(GetIniString(ini, "Define", "TOP-PATH COLOR", "absent"), "absent");
    EXPECT_EQ(GetIniString(ini, "Define", "BACKGROUND", "absent"), "absent");
    EXPECT_EQ(GetIniInt(ini, "Save", "LINE COLOR", 9), 0);
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
        EXPECT_EQ(GetIniString(ini, "Save", "X", "absent"), "absent");
        EXPECT_EQ(GetIniString(ini, "Save", "WIDE", "absent"), "absent");
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
