// The automatic run in the window (offscreen platform): a run that pauses
// writes its outputs only when it has ended, once, and the window stays.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "frame/gui/auto_run_window.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// Two cuts with an M00 between them, over the samples' stock.
constexpr const char* kStopped =
    "%\nG17 G21 G40 G49 G80 G90\nT03 M06\nG00 G90 G54 X10. Y10. S8000 M03\nG43 Z30. H03\n"
    "G01 Z-1. F1500\nX20.\nM00\nX30.\nG00 Z30.\nM30\n%\n";

// The samples started up as the program does, with the automatic run `mode` and its letters.
struct AutoSamples {
    test::TempDir start, programDir;
    App app;
    QtHost host;
    bool workReady = false;

    AutoSamples(int mode, const std::string& variant) {
        const std::string samples = std::string(std::getenv("MORVEX_SOURCE_DIR")) + "/samples";
        for (const auto& e : std::filesystem::directory_iterator(samples)) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        start.Write("stop.nc", kStopped);
        if (PrepareStartUp(app, {start.Path("stop.nc")}, start.Dir(), programDir.Dir()).exit)
            return;
        ContinueStartUp(app, host);
        app.launch.autoRunMode = mode;
        app.launch.autoVariant = variant;
        app.launch.outputWork = start.Path("out.dmf");
        app.launch.outputFormat = OutputFormat::Dmf;
        workReady = PrepareLaunchWork(app, host) == 0;
    }
    bool Written() const { return std::filesystem::exists(start.Path("out.dmf")); }
};

TEST(AutoRunWindow, APausedRunWritesItsOutputsWhenItEndsOnceAndTheWindowStays) {
    if (std::getenv("MORVEX_SOURCE_DIR") == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    for (const std::string variant : {"", "N"}) {
        AutoSamples s(3, variant);
        ASSERT_TRUE(s.workReady);
        MainWindow window(s.app, s.host);
        window.Create();
        window.ShowAtStart();
        window.LaunchWorkReady();
        window.OnCommand(cmd::kStopModeFirst +
                         1);  // stop at M00, unless the letter N says otherwise
        ASSERT_TRUE(StartAutoRun(s.app, s.host, window, s.workReady)) << variant;
        EXPECT_EQ(s.app.launch.autoRunMode, 0);  // once
        if (variant.empty()) {
            EXPECT_EQ(window.Work().RunStateNow(), RunState::Paused);
            EXPECT_FALSE(s.Written());
            window.OnKey('G', false);
        }
        EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished) << variant;
        EXPECT_TRUE(s.Written()) << variant;
        EXPECT_TRUE(window.isVisible());
        // A later run from the menu writes nothing.
        std::filesystem::remove(s.start.Path("out.dmf"));
        window.OnCommand(cmd::kStopModeFirst + 0);
        window.OnCommand(cmd::kRunResult);
        EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);
        EXPECT_FALSE(s.Written());
        window.close();
    }
}

}  // namespace
}  // namespace morvex
