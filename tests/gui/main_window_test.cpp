// The desktop window on Qt's offscreen platform: title, menus, check marks,
// and the settings written when it closes.
#include "frame/gui/main_window.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenuBar>

#include "base/messages.h"
#include "frame/ini_file.h"
#include "frame/startup.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

struct Started {
    App app;
    QtHost host;
};

void Start(Started& s, const test::TempDir& start, const test::TempDir& program) {
    const StartResult r = PrepareStartUp(s.app, {}, start.Dir(), program.Dir());
    ASSERT_FALSE(r.exit);
    ContinueStartUp(s.app, s.host);
}

TEST(MainWindow, JapaneseWithoutMessageFileAndSaveWrittenOnClose) {
    test::TempDir start;
    test::TempDir program;
    const std::string ini = start.Write("morvex.ini", "; shop note\n[Define]\nPATH(RESULT)=NO\n");
    Started s;
    Start(s, start, program);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();

    const QString title = window.windowTitle();
    EXPECT_TRUE(title.startsWith("MORVEX2000 - ")) << title.toStdString();
    EXPECT_TRUE(title.contains(QString::fromUtf8("NCデータ未選択"))) << title.toStdString();
    EXPECT_TRUE(title.endsWith("(atc.ttl,vadez.ctl,zuvid.mtl)")) << title.toStdString();

    const QList<QAction*> pulldowns = window.menuBar()->actions();
    ASSERT_EQ(pulldowns.size(), 8);
    EXPECT_EQ(pulldowns[0]->text(), QString::fromUtf8("NCデータ(&N)"));
    const auto& actions = window.Actions();
    ASSERT_TRUE(actions.contains(cmd::kExit));
    EXPECT_TRUE(actions[cmd::kExit]->isEnabled());
    EXPECT_FALSE(actions[cmd::kRunResult]->isEnabled());  // no NC program read yet
    EXPECT_FALSE(actions[cmd::kPathResult]->isChecked());  // off in the settings file
    EXPECT_TRUE(actions[cmd::kBoundaryBox]->isChecked());
    EXPECT_TRUE(actions[cmd::kStopModeFirst + 0]->isChecked());  // the controller's STOP OPTION, NONE
    EXPECT_TRUE(actions[cmd::kArborAbort]->isChecked());
    EXPECT_FALSE(actions[cmd::kArborPause]->isChecked());
    EXPECT_EQ(window.Picture().pixelColor(0, 0), QColor(255, 255, 255));

    EXPECT_TRUE(window.close());
    const IniFile written = LoadIni(ini);
    EXPECT_EQ(written.lines.front(), "; shop note");
    EXPECT_EQ(GetIniString(written, "Define", "PATH(RESULT)", ""), "NO");
    EXPECT_EQ(GetIniInt(written, "Save", "DISPLAY", -1), 0);
    EXPECT_EQ(GetIniInt(written, "Save", "BACKGROUND", -1), 0);
}

TEST(MainWindow, EnglishWithMessageFileInTheProgramDirectory) {
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    test::TempDir start;
    test::TempDir program;
    program.Write("morvex.mes",
                  test::TempDir::Read(std::string(source) + "/src/resources/morvex.mes"));
    Started s;
    Start(s, start, program);
    EXPECT_TRUE(IsEnglish());
    MainWindow window(s.app, s.host);
    window.Create();
    EXPECT_TRUE(window.windowTitle().contains("Not Selected")) << window.windowTitle().toStdString();
    EXPECT_EQ(window.menuBar()->actions()[0]->text(), "&NC Data");
    EXPECT_EQ(window.Actions()[cmd::kExit]->text(), "E&xit");
    SetEnglish(false);
    window.close();
}

TEST(QtHost, KeysMapToVirtualCodesAndAreForgottenWithTheFocus) {
    const struct {
        int qtKey;
        int virtualKey;
    } keys[] = {{Qt::Key_Escape, 27}, {Qt::Key_Control, 17}, {Qt::Key_Space, 32},
                {Qt::Key_Pause, 19},  {Qt::Key_Cancel, 3},   {Qt::Key_G, 'G'},
                {Qt::Key_5, '5'},     {Qt::Key_F5, 116},     {Qt::Key_AsciiTilde, 0}};
    for (const auto& k : keys) EXPECT_EQ(VirtualKeyOf(k.qtKey), k.virtualKey) << k.qtKey;

    QtHost host;
    host.SetKeyDown(27, true);
    host.SetKeyDown(300, true);  // out of the table: ignored
    EXPECT_TRUE(host.IsKeyDown(27));
    EXPECT_FALSE(host.IsKeyDown(300));
    host.ClearKeys();
    EXPECT_FALSE(host.IsKeyDown(27));
    // A tap between two questions (pressed and released within one pump) counts once.
    host.SetKeyDown('G', true);
    host.SetKeyDown('G', false);
    EXPECT_TRUE(host.IsKeyDown('G'));
    EXPECT_FALSE(host.IsKeyDown('G'));
    EXPECT_FALSE(host.IsUnattended());
}

}  // namespace
}  // namespace morvex

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
