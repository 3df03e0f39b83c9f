// The recording editor module (installed as mveditor beside the program)
// in the window: E opens the NC program through it, a run moves its caret
// (the top first, then the latest lines through the throttle, ending at the
// run's last line), and with CLOSE END the window's closing closes it.
#include <gtest/gtest.h>

#include <algorithm>

#include <QElapsedTimer>
#include <QtTest/QTest>
#include <filesystem>
#include <sstream>

#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/plugin_modules.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(EditorModuleWindow, RecordsOpenFollowAndExit) {
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    if (source == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    test::TempDir start, programDir;
    for (const auto& e : std::filesystem::directory_iterator(std::string(source) + "/samples"))
        std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
    std::string program = "%\nG17 G21 G40 G49 G80 G90\nT03 M06\nG00 G90 G54 X0. Y10. S8000 M03\nG43 Z30. H03\nG01 Z-1. F1500\n";
    for (int row = 0; row < 16; ++row) {
        program += "Y" + std::to_string(10 + row) + ".\n";
        for (int i = 1; i <= 100; ++i) program += "X" + std::to_string(row % 2 == 0 ? i : 100 - i) + ".\n";
    }
    program += "G00 Z30.\nM30\n%\n";
    const std::string nc = start.Write("follow.nc", program);
    ASSERT_TRUE(test::InstallModule(programDir.Dir(), "recording_editor", "mveditor"));
    const std::string log = start.Path("editor.log");
    ::setenv("MORVEX_EDITOR_LOG", log.c_str(), 1);

    App app;
    QtHost host;
    ASSERT_FALSE(PrepareStartUp(app, {nc}, start.Dir(), programDir.Dir()).exit);
    ContinueStartUp(app, host);
    ASSERT_TRUE(HasEditorPlugin(app.plugins));
    EXPECT_EQ(app.settings.editor.program, "");  // the module starts no editor
    app.settings.editor.closeEnd = true;
    ASSERT_EQ(PrepareLaunchWork(app, host), 0);
    auto window = std::make_unique<MainWindow>(app, host);
    window->Create();
    window->show();

    QTest::keyClick(window.get(), Qt::Key_E);
    QElapsedTimer clock;
    clock.start();
    window->OnCommand(cmd::kRunSkip);
    ASSERT_EQ(window->Work().RunStateNow(), RunState::Finished);
    const int last = window->Work().Run()->interp.reader.programLine;
    const std::string lastCall = "DOWN2 " + app.launch.ncProgram + " " + std::to_string(last);
    ASSERT_TRUE(QTest::qWaitFor([&]() { 
        const auto calls = Lines(test::TempDir::Read(log));
        return !calls.empty() && calls.back() == lastCall;
    }, 5000))
        << test::TempDir::Read(log);
    const long long spentMs = clock.elapsed();
    window->close();
    ::unsetenv("MORVEX_EDITOR_LOG");

    const std::vector<std::string> calls = Lines(test::TempDir::Read(log));
    ASSERT_GE(calls.size(), 6u);
    EXPECT_EQ(calls[0], "EXECPROGRAM gedit");
    EXPECT_EQ(calls[1], "EXECOPTION +%2 %1");
    EXPECT_EQ(calls[2], "FINDWINDOW " + app.launch.ncProgram);
    EXPECT_EQ(calls[3], "TOP");
    // Some 1600 lines read: one follow call per 100 ms at most.
    EXPECT_LE(calls.size(), 6u + static_cast<std::size_t>(spentMs / 90)) << spentMs << " ms";
    for (std::size_t i = 4; i + 1 < calls.size(); ++i) EXPECT_EQ(calls[i].rfind("DOWN2 ", 0), 0u) << calls[i];
    EXPECT_EQ(calls[calls.size() - 2], lastCall);
    EXPECT_EQ(calls.back(), "EXIT");
}

// SELECT OPEN: a program named on the command line is shown in the editor
// as soon as the window is made, as one chosen in the window is.
TEST(EditorModuleWindow, SelectOpenShowsTheCommandLineProgram) {
    test::TempDir start, programDir;
    const std::string nc = start.Write("short.nc", "%\nG00 X0 Y0 Z30\nG01 X10 F500\nM30\n%\n");
    ASSERT_TRUE(test::InstallModule(programDir.Dir(), "recording_editor", "mveditor"));
    const std::string log = start.Path("editor.log");
    ::setenv("MORVEX_EDITOR_LOG", log.c_str(), 1);
    for (const bool selectOpen : {false, true}) {
        std::filesystem::remove(log);
        App app;
        QtHost host;
        ASSERT_FALSE(PrepareStartUp(app, {nc}, start.Dir(), programDir.Dir()).exit);
        ContinueStartUp(app, host);
        app.settings.editor.selectOpen = selectOpen;
        ASSERT_EQ(PrepareLaunchWork(app, host), 0);
        auto window = std::make_unique<MainWindow>(app, host);
        window->Create();
        const std::vector<std::string> calls = Lines(test::TempDir::Read(log));
        const bool found =
            std::find(calls.begin(), calls.end(), "FINDWINDOW " + app.launch.ncProgram) != calls.end();
        EXPECT_EQ(found, selectOpen);
        window->close();
    }
    ::unsetenv("MORVEX_EDITOR_LOG");
}

}  // namespace
}  // namespace morvex
