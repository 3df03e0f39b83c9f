// The desktop window on Qt's offscreen platform without an NC program: the
// title and menus in the language of the message file, the check marks from
// the settings, the settings written when it closes; the Qt host's keys.
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

TEST(MainWindow, LanguageCheckMarksAndSaveWrittenOnClose) {
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    const struct {
        bool messageFile;
        const char *title, *menu, *exit;
    } cases[] = {{false, "NCデータ未選択(atc.ttl,vadez.ctl,zuvid.mtl)", "NCデータ(&N)", "終了（&X）"},
                 {true, "Not Selected(atc.ttl,vadez.ctl,zuvid.mtl)", "&NC Data", "E&xit"}};
    for (const auto& c : cases) {
        test::TempDir start, program;
        const std::string ini = start.Write("morvex.ini", "; shop note\n[Define]\nPATH(RESULT)=NO\n");
        if (c.messageFile) program.Write("morvex.mes", test::TempDir::Read(std::string(source) + "/src/resources/morvex.mes"));
        App app;
        QtHost host;
        ASSERT_FALSE(PrepareStartUp(app, {}, start.Dir(), program.Dir()).exit);
        ContinueStartUp(app, host);
        EXPECT_EQ(IsEnglish(), c.messageFile);
        MainWindow window(app, host);
        window.Create();
        window.show();
        EXPECT_EQ(window.windowTitle(), QString("MORVEX2000 - ") + QString::fromUtf8(c.title));
        const QList<QAction*> pulldowns = window.menuBar()->actions();
        ASSERT_EQ(pulldowns.size(), 8);
        EXPECT_EQ(pulldowns[0]->text(), QString::fromUtf8(c.menu));
        const auto& actions = window.Actions();
        EXPECT_EQ(actions[cmd::kExit]->text(), QString::fromUtf8(c.exit));
        EXPECT_TRUE(actions[cmd::kExit]->isEnabled());
        EXPECT_FALSE(actions[cmd::kRunResult]->isEnabled());  // no NC program read yet
        EXPECT_FALSE(actions[cmd::kPathResult]->isChecked());  // off in the settings file
        EXPECT_TRUE(actions[cmd::kBoundaryBox]->isChecked());
        EXPECT_TRUE(actions[cmd::kStopModeFirst + 0]->isChecked());  // the controller's STOP OPTION, NONE
        EXPECT_TRUE(actions[cmd::kArborAbort]->isChecked() && !actions[cmd::kArborPause]->isChecked());
        EXPECT_TRUE(window.close());
        const IniFile written = LoadIni(ini);
        EXPECT_EQ(written.lines.front(), "; shop note");
        EXPECT_EQ(GetIniString(written, "Define", "PATH(RESULT)", ""), "NO");
        EXPECT_EQ(GetIniInt(written, "Save", "DISPLAY", -1), 0);
        SetEnglish(false);
    }
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
