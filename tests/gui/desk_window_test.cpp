// The window on the bundled samples (offscreen platform): commands and keys
// change check marks, the colour mode and the title; a run from the window
// locks the menu, pauses in single block with the reason in the title,
// goes on with G, and leaves the same work as a run without stops; the C
// key restores the work from before the run.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QImage>
#include <QCheckBox>
#include <QInputDialog>
#include <QLineEdit>
#include <QMenu>
#include <QRadioButton>
#include <QTabBar>
#include <QTableWidget>
#include <QPushButton>
#include <QMessageBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <vector>

#include "base/messages.h"
#include "frame/gui/command_panel.h"
#include "frame/gui/desk.h"
#include "frame/gui/display_dialogs.h"
#include "frame/gui/offset_dialog.h"
#include "frame/gui/statistics_dialog.h"
#include "frame/gui/panel_strip.h"
#include "frame/gui/tool_dialog.h"
#include "frame/gui/work_dialogs.h"
#include "frame/ini_file.h"
#include "frame/gui/main_window.h"
#include "frame/startup.h"
#include "frame/unattended_cut.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

struct Samples {
    test::TempDir start, programDir;
    App app;
    QtHost host;
    bool ready = false;

    // The samples and, when `program` is given, the NC program `nc` with that text.
    explicit Samples(const std::string& nc, const std::string& program = {}, double pitch = 0.0,
                     bool withWork = true) {
        const char* source = std::getenv("MORVEX_SOURCE_DIR");
        if (source == nullptr) return;
        for (const auto& e : std::filesystem::directory_iterator(std::string(source) + "/samples")) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        if (!program.empty()) start.Write(nc, program);
        const StartResult r = PrepareStartUp(app, {start.Path(nc)}, start.Dir(), programDir.Dir());
        if (r.exit) return;
        ContinueStartUp(app, host);
        if (pitch > 0.0) app.settings.work.workPitch = pitch;
        ready = !withWork || PrepareLaunchWork(app, host) == 0;
    }
    std::vector<float> Heights() const { return {app.work.height, app.work.height + app.work.cellCount}; }
};

std::string Title(const MainWindow& w) { return w.windowTitle().toStdString(); }

// The window's modal dialogs are handed to `fill`, which sets their fields
// and accepts them (or not), instead of waiting for a user.
void FillDialogsWith(MainWindow& window, std::function<void(QDialog&)>& fill) {
    window.Tools().runDialog = [&fill](QDialog& d) {
        fill(d);
        return d.result();
    };
}

// Answers the message boxes the window shows with `button`, keeping their texts.
struct BoxAnswerer {
    QTimer timer;
    std::vector<std::string> texts;
    explicit BoxAnswerer(QMessageBox::StandardButton button) {
        QObject::connect(&timer, &QTimer::timeout, [this, button]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            texts.push_back(box->text().toStdString());
            QAbstractButton* b = box->button(button);
            if (b == nullptr) b = box->buttons().value(0);
            if (b != nullptr) b->click();
        });
        timer.start(20);
    }
};

// A raster of short feeds over the samples' 100 x 100 stock with the D8 ball:
// 80 lines of 100 motions each.
std::string Raster() {
    std::string p = "%\nG17 G21 G40 G49 G80 G90\nT03 M06\nG00 G90 G54 X0. Y10. S8000 M03\nG43 Z30. H03\n"
                    "G01 Z-1. F1500\n";
    for (int line = 0; line < 80; ++line) {
        p += "Y" + std::to_string(10 + line) + ".\n";
        for (int i = 1; i <= 100; ++i) p += "X" + std::to_string(line % 2 == 0 ? i : 100 - i) + ".\n";
    }
    return p + "G00 Z30.\nM30\n%\n";
}

TEST(DeskWindow, CommandsKeysAndTheTitle) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(false);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    const auto& a = window.Actions();
    // An NC program and a work: the run, path, print and image items can be chosen.
    for (const int id : {cmd::kRunResult, cmd::kRunFastResult, cmd::kToolTipPath, cmd::kPrint, cmd::kSaveImage}) {
        EXPECT_TRUE(a[id]->isEnabled()) << id;
    }
    EXPECT_FALSE(a[cmd::kReport]->isEnabled());  // its part is not in the program yet
    EXPECT_NE(Title(window).find("pocket.nc"), std::string::npos) << Title(window);
    EXPECT_NE(Title(window).find(" ペン色"), std::string::npos) << Title(window);
    // The drawing step shows in the title while it is above 1.
    const int step = window.Work().DrawingStepNow();
    EXPECT_EQ(Title(window).find("/粗さ:") != std::string::npos, step > 1) << Title(window);
    // F6 draws the tool-tip path over the work; F7 cuts with the fast version.
    const QImage plain = window.Picture();
    QTest::keyClick(&window, Qt::Key_F6);
    EXPECT_NE(window.Picture(), plain);
    QTest::keyClick(&window, Qt::Key_F7);
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);
    EXPECT_TRUE(window.Work().Run()->setup.fast);
    // Y switches the colour mode, H the mesh (which greys the colour modes), N the optimised drawing.
    QTest::keyClick(&window, Qt::Key_Y);
    EXPECT_TRUE(a[cmd::kColorByDirection]->isChecked());
    EXPECT_FALSE(a[cmd::kColorByPen]->isChecked());
    EXPECT_NE(Title(window).find(" 方向色"), std::string::npos) << Title(window);
    QTest::keyClick(&window, Qt::Key_H);
    EXPECT_TRUE(a[cmd::kMeshMode]->isChecked());
    EXPECT_FALSE(a[cmd::kColorByPen]->isEnabled());
    QTest::keyClick(&window, Qt::Key_H);
    EXPECT_TRUE(a[cmd::kColorByPen]->isEnabled());
    const bool optimised = s.app.settings.display.optimizeDrawing;
    QTest::keyClick(&window, Qt::Key_N);
    EXPECT_NE(s.app.settings.display.optimizeDrawing, optimised);
    EXPECT_EQ(a[cmd::kOptimizeDrawing]->isChecked(), !optimised);
    // Radio groups: one member checked after each command.
    window.OnCommand(cmd::kArborPause);
    window.OnCommand(cmd::kChipRequired);
    window.OnCommand(cmd::kStopModeFirst + 2);
    EXPECT_TRUE(a[cmd::kArborPause]->isChecked() && !a[cmd::kArborAbort]->isChecked());
    EXPECT_TRUE(a[cmd::kChipRequired]->isChecked() && !a[cmd::kChipNo]->isChecked());
    EXPECT_TRUE(a[cmd::kStopModeFirst + 2]->isChecked() && !a[cmd::kStopModeFirst]->isChecked());
    EXPECT_EQ(window.Work().state.stopMode, 2);
    // View keys: 0 is the plan view, then 5 turns A to 345.
    EXPECT_TRUE(window.OnKey('0', false));
    EXPECT_TRUE(window.OnKey('5', false));
    EXPECT_FLOAT_EQ(window.Work().View().angleA, 345.0f);
    EXPECT_FALSE(window.OnKey('Q', false));
    window.close();
}

// Without a work the run commands ask for one, in the window's language.
TEST(DeskWindow, RunWithoutAWorkAsksForOne) {
    Samples s("pocket.nc", {}, 0.0, false);
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(true);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    EXPECT_EQ(Title(window).find("Pen Color"), std::string::npos) << Title(window);  // no work: no colour mode
    EXPECT_FALSE(window.Actions()[cmd::kPrint]->isEnabled());
    QTest::keyClick(&window, Qt::Key_F5);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "Please Load Work.");
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Idle);
    SetEnglish(false);
    window.close();
}

// Modes chosen while a run is open take effect from its next motion: a
// single-block run switched to no stop goes to its end with one G. Closing
// the window while a program is cut ends the run.
TEST(DeskWindow, ModesChangeDuringARunAndClosingEndsIt) {
    Samples s("raster.nc", Raster(), 0.1);
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    window.OnCommand(cmd::kStopModeFirst + 3);
    window.OnKey(116, false);
    ASSERT_EQ(window.Work().RunStateNow(), RunState::Paused);
    window.OnCommand(cmd::kStopModeFirst + 0);
    window.OnKey('G', false);
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);

    // Closed after 100 ms of a run of several hundred: the run ends there.
    QTimer::singleShot(100, &window, [&window]() { window.close(); });
    window.OnCommand(cmd::kRunSkip);
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Aborted);
    EXPECT_FALSE(window.Work().state.runActive);
    EXPECT_FALSE(window.isVisible());
}

// A rapid into the stock under the pausing rapid check: the title names the
// interference, ESC ends the run, and the list of interferences is opened.
TEST(DeskWindow, InterferencePauseInTheTitle) {
    Samples s("rapid.nc", "%\nT03 M06\nG90 G00 X50. Y50. Z5.\nZ-2.\nZ5.\nM30\n%\n");  // the ball has no load limit
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(true);
    s.app.settings.work.rapidInterferenceMode = 2;
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    window.OnCommand(cmd::kStopModeFirst + 0);
    QTest::keyClick(&window, Qt::Key_F5);
    for (const auto& text : boxes.texts) ADD_FAILURE() << text;
    ASSERT_EQ(window.Work().RunStateNow(), RunState::Paused);
    EXPECT_NE(Title(window).find(" --- INTERFERENCE! (G or ESC)"), std::string::npos) << Title(window);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Aborted);
    EXPECT_FALSE(window.Work().state.runActive);
    EXPECT_EQ(Title(window).find("---"), std::string::npos) << Title(window);
    SetEnglish(false);
    window.close();
}

TEST(DeskWindow, PausedRunEndsWithTheSameWorkAndCRestores) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(false);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    const std::vector<float> before = s.Heights();
    const QImage uncut = window.Picture();

    // Single block, chosen on the strip's third stop cell: the run started by
    // a real F5 key press stops after the first block, with its reason in the
    // title and GO and ESC on the strip.
    PanelStrip& strip = *window.Strip();
    const QRect stops = strip.StopRect();
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(stops.left() + stops.width() * 5 / 8, stops.center().y()));
    EXPECT_EQ(window.Work().state.stopMode, 3);
    EXPECT_TRUE(window.Actions()[cmd::kStopModeFirst + 3]->isChecked());
    QTest::keyClick(&window, Qt::Key_F5);
    ASSERT_EQ(window.Work().RunStateNow(), RunState::Paused);
    EXPECT_NE(Title(window).find(" --- 停止中! (G or ESC)"), std::string::npos) << Title(window);
    const auto& a = window.Actions();
    for (const int id : {cmd::kSelectNc, cmd::kLoadWork, cmd::kChooseToolTable}) {
        EXPECT_FALSE(a[id]->isEnabled()) << id;
    }
    EXPECT_TRUE(a[cmd::kMeshMode]->isEnabled());
    // GO on the strip goes on once; then the G key, to the end.
    const QRect run = strip.RunRect();
    const int lineBefore = window.Work().Run()->interp.path.line;
    QTest::mouseClick(&strip, Qt::LeftButton, {}, QPoint(run.left() + 3, run.center().y()));
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Paused);
    EXPECT_NE(window.Work().Run()->interp.path.line, lineBefore);
    int pauses = 2;
    while (window.Work().RunStateNow() == RunState::Paused && pauses < 1000) {
        QTest::keyClick(&window, Qt::Key_G);
        ++pauses;
    }
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);
    EXPECT_GT(pauses, 20);
    EXPECT_EQ(Title(window).find("---"), std::string::npos) << Title(window);
    for (const int id : {cmd::kSelectNc, cmd::kChooseToolTable}) EXPECT_TRUE(a[id]->isEnabled()) << id;
    const std::vector<float> paused = s.Heights();
    EXPECT_NE(paused, before);
    EXPECT_NE(window.Picture(), uncut);

    // C: back to the work before the run; then a run without stops cuts the same.
    EXPECT_TRUE(window.OnKey('C', false));
    EXPECT_EQ(s.Heights(), before);
    window.OnCommand(cmd::kStopModeFirst + 0);
    window.OnKey(116, false);
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);
    EXPECT_EQ(s.Heights(), paused);
    window.close();
}

// Time in ms that the threads of this process have spent ready to run but
// waiting for a processor (the second field of each thread's schedstat); 0
// where the system does not tell.
qint64 WaitedForProcessorMs() {
    long long ns = 0;
    std::error_code error;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", error)) {
        std::ifstream in(task.path() / "schedstat");
        long long running = 0, waiting = 0;
        if (in >> running >> waiting) ns += waiting;
    }
    return ns / 1000000;
}

// A skip run of 8,000 motions on a 1000 x 1000 grid from the window: events are handled at least
// every 100 ms all through it, the status shows the NC line and the
// progress bar moves on, and the view shows the cut work afterwards.
TEST(DeskWindow, RunKeepsTheWindowLiveAndShowsItsProgress) {
    Samples s("raster.nc", Raster(), 0.1);
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    s.app.settings.display.progressBar = true;
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    const QImage uncut = window.Picture();
    QElapsedTimer clock;
    struct Tick {
        qint64 ms = 0;      // wall clock
        qint64 waited = 0;  // of which the threads waited for a processor
    };
    std::vector<Tick> ticks;
    std::vector<int> progress;
    std::vector<std::string> statuses;
    int unlocked = 0;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&]() {
        // The menu is locked while the program is cut; the run cells are blank.
        unlocked += window.Actions()[cmd::kSelectNc]->isEnabled() || window.Actions()[cmd::kLoadWork]->isEnabled();
        ticks.push_back({clock.elapsed(), WaitedForProcessorMs()});
        progress.push_back(window.ProgressValue());
        statuses.push_back(window.StatusText().toStdString());
    });
    timer.start(10);
    clock.start();
    const Tick start{0, WaitedForProcessorMs()};
    window.OnCommand(cmd::kRunSkip);
    const Tick stop{clock.elapsed(), WaitedForProcessorMs()};
    const qint64 end = stop.ms;
    timer.stop();
    EXPECT_EQ(window.Work().RunStateNow(), RunState::Finished);
    for (const auto& text : boxes.texts) ADD_FAILURE() << text;
    ASSERT_NE(window.Work().Run(), nullptr);
    EXPECT_GE(window.Work().Run()->motions, 8000);
    ASSERT_GE(ticks.size(), 3u) << "the run took " << end << " ms";
    // A gap between two event rounds is the wall clock less the time the
    // machine kept the process waiting for a processor: other programs
    // running at the same time do not count against the run.
    ticks.insert(ticks.begin(), start);
    ticks.push_back(stop);
    std::vector<qint64> gaps;
    for (std::size_t i = 1; i < ticks.size(); ++i) {
        const qint64 wall = ticks[i].ms - ticks[i - 1].ms;
        gaps.push_back(wall - std::clamp(ticks[i].waited - ticks[i - 1].waited, qint64{0}, wall));
    }
    std::sort(gaps.begin(), gaps.end());
    const qint64 longest = gaps.back(), p95 = gaps[(gaps.size() - 1) * 95 / 100];
    std::printf("run %lld ms (%lld ms waiting for a processor), %zu event rounds, gaps: 95%% under "
                "%lld ms, longest %lld ms\n",
                static_cast<long long>(end), static_cast<long long>(stop.waited - start.waited),
                ticks.size() - 2, static_cast<long long>(p95), static_cast<long long>(longest));
    // The loop hands events over every 50 ms; one round may come late now
    // and then. Instrumented builds run the motions several times slower.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
    constexpr qint64 kSlower = 3;
#else
    constexpr qint64 kSlower = 1;
#endif
    EXPECT_LT(p95, 100 * kSlower);
    EXPECT_LT(longest, 250 * kSlower);
    EXPECT_EQ(unlocked, 0);
    EXPECT_TRUE(window.Actions()[cmd::kSelectNc]->isEnabled());
    int moving = 0;
    for (std::size_t i = 1; i < progress.size(); ++i) {
        EXPECT_GE(progress[i], progress[i - 1] == -1 ? -1 : progress[i - 1]);
        moving += progress[i] > 0 && progress[i] < 1000;
    }
    EXPECT_GT(moving, 0);
    EXPECT_NE(std::find_if(statuses.begin(), statuses.end(),
                           [](const std::string& t) { return t.find('X') != std::string::npos; }),
              statuses.end());
    EXPECT_EQ(window.ProgressValue(), -1);
    EXPECT_NE(window.Picture(), uncut);
    window.close();
}

// The mouse over the view: drag-rotate, the zoom rectangle of Z (once) and
// of mode 14, panning by a toggling right click or a held right button, and
// the context menu of the mouse modes with the unbuilt ones greyed.
TEST(DeskWindow, MouseRotatesZoomsPansAndOffersItsModes) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    MainWindow window(s.app, s.host);
    window.Create();
    window.resize(800, 600);
    window.show();
    ViewState& v = window.Work().View();
    const float a = v.angleA;
    window.OnMousePress(Qt::LeftButton, 100, 100, false);
    window.OnMouseMove(200, 100, false);
    window.OnMouseRelease(Qt::LeftButton, 200, 100);
    EXPECT_NE(v.angleA, a);

    // Z: the next drag zooms into its rectangle, then the mode is rotate again.
    double scale = v.scale;
    EXPECT_TRUE(window.OnKey('Z', false));
    window.OnMousePress(Qt::LeftButton, 100, 100, false);
    window.OnMouseMove(180, 160, false);
    window.OnMouseRelease(Qt::LeftButton, 180, 160);
    EXPECT_GT(v.scale, scale * 2.0);
    const float turned = v.angleA;
    window.OnMousePress(Qt::LeftButton, 100, 100, false);
    window.OnMouseMove(300, 100, false);
    window.OnMouseRelease(Qt::LeftButton, 300, 100);
    EXPECT_NE(v.angleA, turned);
    window.SetMouseMode(14);
    scale = v.scale;
    window.OnMousePress(Qt::LeftButton, 10, 10, false);
    window.OnMouseRelease(Qt::LeftButton, 300, 300);
    EXPECT_NE(v.scale, scale);
    window.SetMouseMode(3);  // the grinder is not in the program yet: the mode stays
    EXPECT_EQ(window.Work().state.mouseMode, 14);
    window.SetMouseMode(11);

    // MOVE SWITCH RBUTTONCLICK: a right click toggles panning with the pointer.
    s.app.settings.mouse.moveWhileRightButtonDown = false;
    Vec3 centre = v.centre;
    window.OnMousePress(Qt::RightButton, 300, 300, false);
    window.OnMouseRelease(Qt::RightButton, 300, 300);
    EXPECT_TRUE(window.PanToggled());
    window.OnMouseMove(340, 300, false);
    EXPECT_NE(v.centre.x, centre.x);
    window.OnMousePress(Qt::RightButton, 340, 300, false);
    window.OnMouseRelease(Qt::RightButton, 340, 300);
    EXPECT_FALSE(window.PanToggled());
    centre = v.centre;
    window.OnMouseMove(400, 300, false);
    EXPECT_EQ(v.centre.x, centre.x);

    // RBUTTONDOWN: a right drag pans; a right click opens the mode menu.
    s.app.settings.mouse.moveWhileRightButtonDown = true;
    window.OnMousePress(Qt::RightButton, 300, 300, false);
    window.OnMouseMove(300, 360, false);
    window.OnMouseRelease(Qt::RightButton, 300, 360);
    EXPECT_NE(v.centre.y, centre.y);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
    window.OnMousePress(Qt::RightButton, 200, 200, false);
    window.OnMouseRelease(Qt::RightButton, 200, 200);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    const QList<QAction*> modes = menu->actions();
    ASSERT_EQ(modes.size(), 11);
    int checked = 0, enabled = 0;
    for (QAction* action : modes) {
        checked += action->isChecked() ? action->data().toInt() : 0;
        enabled += action->isEnabled();
        EXPECT_FALSE(action->icon().isNull());
    }
    EXPECT_EQ(checked, 257);  // drag-rotate
    EXPECT_EQ(enabled, 2);    // rotate and zoom
    modes.back()->trigger();  // zoom
    EXPECT_EQ(window.Work().state.mouseMode, 14);
    menu->close();
    window.close();
}

// The command panel sends its keys to the window and follows VIEW_P; the
// tool list shows the table's tools and follows VIEW_T; both flags are
// written back at exit.
TEST(DeskWindow, CommandPanelAndToolList) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(false);
    s.app.settings.save.viewPanel = 1;
    s.app.settings.save.viewToolDialog = 0;
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    ASSERT_NE(window.Panel(), nullptr);
    EXPECT_TRUE(window.Panel()->isVisible());
    EXPECT_TRUE(window.Actions()[cmd::kViewPanel]->isChecked());
    const QList<QPushButton*> buttons = window.Panel()->findChildren<QPushButton*>();
    ASSERT_EQ(buttons.size(), 20);
    EXPECT_EQ(buttons[0]->text(), QString::fromUtf8("初期(&R)"));
    window.OnKey('4', false);  // A = 315
    window.Panel()->findChild<QPushButton*>(QStringLiteral("key-5"))->click();
    EXPECT_FLOAT_EQ(window.Work().View().angleA, 300.0f);
    window.OnCommand(cmd::kViewPanel);
    EXPECT_FALSE(window.Panel()->isVisible());
    EXPECT_FALSE(window.Actions()[cmd::kViewPanel]->isChecked());

    window.OnCommand(cmd::kToolDialog);
    ASSERT_NE(window.ToolList(), nullptr);
    EXPECT_TRUE(window.ToolList()->isVisible());
    EXPECT_GE(window.ToolList()->Rows(), 4);
    EXPECT_EQ(window.ToolList()->Cell(0, 0), "1");
    EXPECT_EQ(window.ToolList()->Cell(0, 2), "10.000");  // the D10 flat
    QTest::keyClick(window.ToolList(), Qt::Key_Escape);  // hidden by the escape key: as closed
    EXPECT_FALSE(window.ToolList()->isVisible());
    EXPECT_EQ(s.app.settings.save.viewToolDialog, 0);
    EXPECT_FALSE(window.Actions()[cmd::kToolDialog]->isChecked());
    window.OnCommand(cmd::kToolDialog);
    window.OnCommand(cmd::kViewPanel);
    window.close();
    const IniFile written = LoadIni(s.app.locations.settingsFile);
    EXPECT_EQ(GetIniInt(written, "Save", "VIEW_P", -1), 1);
    EXPECT_EQ(GetIniInt(written, "Save", "VIEW_T", -1), 1);
}

// The work dialogs through the window: the pitch (refused at 0, stored with
// its note), "Define Work" (reversed bounds refused, then the box built),
// the removed volume after a cut, the paint commands and the version.
TEST(DeskWindow, WorkDialogsAndCommands) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(true);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    std::function<void(QDialog&)> fill;
    FillDialogsWith(window, fill);
    // Pitch: 0 is refused with the warning; 0.25 is stored with its note.
    fill = [](QDialog& d) {
        auto& p = dynamic_cast<PitchDialog&>(d);
        p.Field("work")->setText("0");
        p.accept();
    };
    window.OnCommand(cmd::kPitch);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "The pitch is 0.0 or less.");
    fill = [](QDialog& d) {
        auto& p = dynamic_cast<PitchDialog&>(d);
        p.Field("work")->setText("0.25");
        p.Field("rate")->setText("2");
        p.AutoMove()->setChecked(true);
        EXPECT_EQ(p.Field("move")->text(), "0.500");  // follows work pitch x rate
        p.accept();
    };
    window.OnCommand(cmd::kPitch);
    EXPECT_DOUBLE_EQ(s.app.settings.work.workPitch, 0.25);
    EXPECT_TRUE(s.app.settings.work.autoMovePitch);
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], "Work pitch is reflected, When redefining work.");

    // Define Work: Y reversed is named; a good box at pitch 0.5 is built.
    fill = [](QDialog& d) {
        auto& w = dynamic_cast<DefineWorkDialog&>(d);
        const char* values[7] = {"0", "50", "-20", "40", "10", "0", "0.5"};
        for (int i = 0; i < 7; ++i) w.Field(i)->setText(values[i]);
        w.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        w.Field(1)->setText("0");
        w.Field(4)->setText("30");
        w.SetControlPoint(0);
        w.accept();
    };
    window.OnCommand(cmd::kDefineWorkTwoPoints);
    ASSERT_EQ(boxes.texts.size(), 3u);
    EXPECT_EQ(boxes.texts[2], "The maximum and the minimum of Y value are reversed.");
    EXPECT_EQ(s.app.work.nx, 81);
    EXPECT_EQ(s.app.work.ny, 61);
    EXPECT_DOUBLE_EQ(s.app.work.zMax, 0.0);
    EXPECT_EQ(s.app.settings.work.newControlPoint, 0);
    EXPECT_EQ(GetIniString(LoadIni(s.app.locations.settingsFile), "Define", "NEW CONTROL POINT", ""), "BOX-TOP");
    // The specified point is written at once; the start-up state keeps the window's place.
    fill = [](QDialog& d) {
        auto& p = dynamic_cast<PointDialog&>(d);
        p.Field(0)->setText("1.5");
        p.Field(2)->setText("x");  // not a number: 0
        p.accept();
    };
    window.OnCommand(cmd::kControlPoint);
    EXPECT_EQ(GetIniString(LoadIni(s.app.locations.settingsFile), "Define", "SPECIFIED POINT", ""),
              "(1.500,0.000,0.000)");
    fill = [](QDialog& d) {
        auto& st = dynamic_cast<StartupDialog&>(d);
        st.Box(0)->setChecked(true);
        st.accept();
    };
    window.OnCommand(cmd::kStartupState);
    EXPECT_EQ(s.app.settings.save.display, 1);
    fill = [](QDialog& d) {
        auto& k = dynamic_cast<SkipDialog&>(d);
        k.Level(3)->setChecked(true);
        k.accept();
    };
    window.OnCommand(cmd::kOptionalBlockSkip);
    EXPECT_TRUE(s.app.controller.skipLevels[3]);
    EXPECT_TRUE(s.app.controller.skipActive);

    // The removed volume after the pocket is cut: positive, in cubic millimetres.
    window.OnKey(116, false);
    window.OnCommand(cmd::kRemovalVolume);
    ASSERT_EQ(boxes.texts.size(), 4u);
    EXPECT_EQ(boxes.texts[3].rfind("Volume:\n", 0), 0u) << boxes.texts[3];
    EXPECT_GT(std::stol(boxes.texts[3].substr(8)), 0) << boxes.texts[3];  // the pocket reaches into this smaller block
    EXPECT_NE(boxes.texts[3].find("(Cubic mm)"), std::string::npos);

    // Stripping pens: a cancelled question strips nothing.
    s.app.work.attr[0] = 2;  // pen 1
    QTimer cancel;
    QObject::connect(&cancel, &QTimer::timeout, []() {
        if (auto* ask = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) ask->reject();
    });
    cancel.start(20);
    window.OnCommand(cmd::kStripPen);
    cancel.stop();
    EXPECT_EQ(s.app.work.attr[0], 2);
    // Paint all, then strip it.
    window.OnCommand(cmd::kPaintAll);
    EXPECT_NE(s.app.work.attr[0] & kAttrPaint, 0);
    window.OnCommand(cmd::kStripPaint);
    EXPECT_EQ(s.app.work.attr[0] & kAttrPaint, 0);
    // The NC check from the NC menu: the statistics of the pocket program.
    std::map<std::string, std::string> figures;
    fill = [&figures](QDialog& d) {
        auto& st = dynamic_cast<StatisticsDialog&>(d);
        EXPECT_EQ(st.windowTitle(), "Check Data");
        for (int r = 0; r < st.Table()->rowCount(); ++r) {
            figures[st.Table()->item(r, 0)->text().toStdString()] = st.Table()->item(r, 1)->text().toStdString();
        }
        d.accept();
    };
    window.OnCommand(cmd::kCheckData);
    EXPECT_EQ(figures["Tools"].rfind("T01", 0), 0u) << figures["Tools"];
    EXPECT_NE(figures["Feed length"], "0.000 mm");
    window.OnCommand(cmd::kVersion);
    ASSERT_EQ(boxes.texts.size(), 5u);
    EXPECT_EQ(boxes.texts[4].rfind("MORVEX2000 version ", 0), 0u) << boxes.texts[4];
    SetEnglish(false);
    window.close();
}

// The display dialogs: a colour reaches the picture, the target area is
// refused with reversed bounds, the zoom rate must zoom, a resized window
// fits the work again when asked, the hand tools keep their pens in range.
TEST(DeskWindow, DisplayDialogs) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(true);
    MainWindow window(s.app, s.host);
    window.Create();
    window.resize(800, 600);
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    std::function<void(QDialog&)> fill;
    FillDialogsWith(window, fill);
    // The background colour: the corner of the view takes it.
    fill = [](QDialog& d) {
        auto& c = dynamic_cast<ColourDialog&>(d);
        c.SetColour(ColorKey::Background, MakeColor(10, 200, 30));
        c.accept();
    };
    window.OnCommand(cmd::kColors);
    EXPECT_EQ(window.Picture().pixel(1, 1), qRgb(10, 200, 30));
    // Target area: Z reversed is refused; a good one is switched on.
    fill = [](QDialog& d) {
        auto& t = dynamic_cast<TargetAreaDialog&>(d);
        t.Switch()->setChecked(true);
        const char* v[6] = {"0", "0", "0", "100", "100", "-5"};
        for (int i = 0; i < 6; ++i) t.Field(i)->setText(v[i]);
        t.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        t.Field(2)->setText("-10");
        t.accept();
    };
    window.OnCommand(cmd::kTargetArea);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_EQ(boxes.texts[0], "The maximum and the minimum of Z value are reversed.");
    EXPECT_TRUE(s.app.settings.display.targetAreaOn);
    EXPECT_DOUBLE_EQ(s.app.settings.display.targetArea[2], -10.0);
    // The zoom rate: 1 would not zoom; 2 is kept and W doubles the scale.
    fill = [](QDialog& d) {
        auto& r = dynamic_cast<RateDialog&>(d);
        r.Field()->setText("1");
        r.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        r.Field()->setText("2");
        r.accept();
    };
    window.OnCommand(cmd::kExpandRate);
    EXPECT_DOUBLE_EQ(s.app.settings.display.expandRate, 2.0);
    const double scale = window.Work().View().scale;
    window.OnKey('W', false);
    EXPECT_DOUBLE_EQ(window.Work().View().scale, scale * 2.0);
    // Fit on resize: a smaller window fits the work again (a smaller scale).
    fill = [](QDialog& d) {
        dynamic_cast<ResizeDialog&>(d).Fit()->setChecked(true);
        d.accept();
    };
    window.OnCommand(cmd::kResizeBehaviour);
    window.OnKey('F', false);
    const double fitted = window.Work().View().scale;
    window.resize(500, 400);
    QApplication::processEvents();
    EXPECT_LT(window.Work().View().scale, fitted);
    // Hand tools: pen 9 is refused; pen 3 kept.
    fill = [](QDialog& d) {
        auto& h = dynamic_cast<HandToolDialog&>(d);
        h.Field(2)->setText("9");
        h.accept();
        EXPECT_EQ(d.result(), QDialog::Rejected);
        h.Field(2)->setText("3");
        h.accept();
    };
    window.OnCommand(cmd::kToolParameters);
    EXPECT_EQ(s.app.settings.work.weldingPen, 3);
    EXPECT_EQ(boxes.texts.size(), 3u);
    SetEnglish(false);
    window.close();
}

// The offset editors: edits on two pages reach the controller's memories;
// "Modify CTL-File" writes them into the controller file (the old one kept
// as .bak) without the definition check taking it for an outside edit.
TEST(DeskWindow, OffsetEditorsStoreAndWriteBack) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(true);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    BoxAnswerer boxes(QMessageBox::Ok);
    std::function<void(QDialog&)> fill;
    FillDialogsWith(window, fill);
    fill = [](QDialog& d) {
        auto& o = dynamic_cast<OffsetDialog&>(d);
        EXPECT_EQ(o.windowTitle(), "Setting H-CODE");
        EXPECT_EQ(o.Grid()->verticalHeaderItem(3)->text(), "H03");
        o.Grid()->item(3, 0)->setText("12.5");
        o.Pages()->setCurrentIndex(1);
        EXPECT_EQ(o.Grid()->verticalHeaderItem(5)->text(), "H25");
        o.Grid()->item(5, 1)->setText("0.1");
        o.Grid()->item(6, 0)->setText("not a number");
        o.Modify()->setChecked(true);
        o.accept();
    };
    const float kept = s.app.controller.hOffsets[26].value;
    window.OnCommand(cmd::kLengthOffsets);
    EXPECT_FLOAT_EQ(s.app.controller.hOffsets[3].value, 12.5f);
    EXPECT_FLOAT_EQ(s.app.controller.hOffsets[25].second, 0.1f);
    EXPECT_FLOAT_EQ(s.app.controller.hOffsets[26].value, kept);
    const std::string ctl = s.app.definitions[DefinitionKind::Controller].path;
    EXPECT_NE(test::TempDir::Read(ctl).find("MEMORY H03="), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(ctl + ".bak"));
    window.Work().Redraw();
    QApplication::processEvents();  // a repaint runs the definition check
    for (const auto& text : boxes.texts) ADD_FAILURE() << text;

    // Work coordinates without the write-back: the memory only.
    const std::string before = test::TempDir::Read(ctl);
    fill = [](QDialog& d) {
        auto& o = dynamic_cast<OffsetDialog&>(d);
        EXPECT_EQ(o.Grid()->verticalHeaderItem(0)->text(), "1(G54)");
        EXPECT_EQ(o.Grid()->verticalHeaderItem(6)->text(), "7(P1)");
        o.Grid()->item(0, 0)->setText("5");
        o.accept();
    };
    window.OnCommand(cmd::kWorkCoordinates);
    EXPECT_FLOAT_EQ(s.app.controller.work[1].x, 5.0f);
    EXPECT_EQ(test::TempDir::Read(ctl), before);
    SetEnglish(false);
    window.close();
}

// F2, F3, F4 and Ctrl+F2: the files in the editors of the settings, or in the
// system's viewer when no editor is set.
TEST(DeskWindow, DefinitionFilesInTheirEditors) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    test::RecordingHost host;
    s.app.settings.editor.ctlEditor = "\"\" \"\"";
    EXPECT_TRUE(OpenDefinitionEditor(114, false, s.app, host));  // F3: no editor, the viewer
    ASSERT_EQ(host.opened.size(), 1u);
    EXPECT_EQ(host.opened[0], s.app.definitions[DefinitionKind::Controller].path);
    s.app.settings.editor.defEditor = "\"\"";
    s.start.Write("verify_form.def", "$NCFILE\n");
    EXPECT_TRUE(OpenDefinitionEditor(113, true, s.app, host));  // Ctrl+F2: the template of the start folder
    ASSERT_EQ(host.opened.size(), 2u);
    EXPECT_EQ(host.opened[1], s.start.Path("verify_form.def"));
    EXPECT_FALSE(OpenDefinitionEditor(116, false, s.app, host));
}

// The file commands with a chooser that answers for the user: NC selection,
// DMF save and load, the picture, a definition file that is not there.
TEST(DeskWindow, FileCommandsThroughTheChooser) {
    Samples s("pocket.nc");
    if (!s.ready) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    SetEnglish(false);
    MainWindow window(s.app, s.host);
    window.Create();
    window.show();
    std::string answer;
    window.Tools().choose = [&](FileKind, bool, const std::string&) { return answer; };
    BoxAnswerer boxes(QMessageBox::Yes);

    answer = s.start.Path("drill.nc");
    window.OnCommand(cmd::kSelectNc);
    EXPECT_NE(Title(window).find("drill.nc"), std::string::npos) << Title(window);
    EXPECT_TRUE(boxes.texts.empty());  // a work exists: no question
    answer = s.start.Path("missing.nc");
    window.OnCommand(cmd::kSelectNc);
    EXPECT_NE(Title(window).find("drill.nc"), std::string::npos);
    ASSERT_EQ(boxes.texts.size(), 1u);
    EXPECT_NE(boxes.texts[0].find("missing.nc"), std::string::npos);
    // Select and fit: asked first, then the block around the drilling program.
    answer = s.start.Path("pocket.nc");
    window.OnCommand(cmd::kSelectNcDefineWork);
    ASSERT_EQ(boxes.texts.size(), 2u);
    EXPECT_EQ(boxes.texts[1], "被切削材を更新してよいですね？");

    // Cut, save as DMF, restore, load it back: the cut heights return.
    window.OnKey(116, false);
    const std::vector<float> cut = s.Heights();
    answer = s.start.Path("cut.dmf");
    window.OnCommand(cmd::kSaveWork);
    EXPECT_TRUE(std::filesystem::exists(answer));
    window.OnKey('C', false);
    EXPECT_NE(s.Heights(), cut);
    window.OnCommand(cmd::kLoadWork);
    EXPECT_EQ(s.Heights(), cut);
    EXPECT_NE(Title(window).find("/cut.dmf"), std::string::npos) << Title(window);

    // The picture as PNG, at the view's size; an unwritable one is said so.
    answer = s.start.Path("view.png");
    window.OnCommand(cmd::kSaveImage);
    QImage png(QString::fromStdString(answer));
    EXPECT_EQ(png.size(), window.Picture().size());
    const std::size_t before = boxes.texts.size();
    answer = "/nonexistent-morvex-folder/view.png";
    window.OnCommand(cmd::kSaveImage);
    EXPECT_EQ(boxes.texts.size(), before + 1);

    // A controller that is not there: said so, the old one stays.
    const std::string controller = s.app.settings.table.controllerTable;
    answer = s.start.Path("none.ctl");
    window.OnCommand(cmd::kChooseController);
    EXPECT_EQ(s.app.settings.table.controllerTable, controller);
    EXPECT_EQ(boxes.texts.size(), before + 2);
    // Cancelled choosers change nothing.
    answer.clear();
    window.OnCommand(cmd::kLoadWork);
    EXPECT_EQ(s.Heights(), cut);

    // Files dropped on the window: the NC program, and a controller through a link.
    std::filesystem::create_symlink(s.start.Path("vadez.ctl"), s.start.Path("link-to.ctl"));
    DropFiles({s.start.Path("drill.nc"), s.start.Path("link-to.ctl")}, s.app, window.Work(), s.host);
    window.UpdateTitle();
    EXPECT_NE(Title(window).find("drill.nc"), std::string::npos) << Title(window);
    EXPECT_EQ(s.app.definitions[DefinitionKind::Controller].path, s.start.Path("vadez.ctl"));
    window.close();
}

}  // namespace
}  // namespace morvex
