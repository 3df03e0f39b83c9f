// The measuring mouse modes in the window (offscreen platform), clicked on
// the view from above: the measurement panel's values and the point query,
// a section, a line and a plane measurement, and the NC search: a node
// picked with Shift (before a run or while it is paused) stops the run after
// the motion that cuts it and names that line; picked again it is let go.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtTest/QTest>
#include <filesystem>
#include <memory>

#include "base/messages.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/gui/measure_input.h"
#include "frame/gui/panel_strip.h"
#include "frame/gui/section_window.h"
#include "frame/gui/work_view.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// A groove at Z-1 along Y 50 with the D8 ball: X10 to X40 on line 7, on to X90 on line 8.
constexpr const char* kGroove =
    "%\nG17 G21 G40 G49 G80 G90\nT03 M06\nG00 G90 G54 X10. Y50. S8000 M03\nG43 Z30. H03\n"
    "G01 Z-1. F1000\nX40.\nX90.\nG00 Z30.\nM30\n%\n";

class MeasureWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const char* source = std::getenv("MORVEX_SOURCE_DIR");
        if (source == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
        for (const auto& e : std::filesystem::directory_iterator(std::string(source) + "/samples")) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        start.Write("groove.nc", kGroove);
        // The samples' stock: 100 x 100, top at Z0, pitch 0.5, line numbers kept.
        ASSERT_FALSE(PrepareStartUp(app, {start.Path("groove.nc")}, start.Dir(), programDir.Dir()).exit);
        ContinueStartUp(app, host);
        ASSERT_EQ(PrepareLaunchWork(app, host), 0);
        SetEnglish(true);
        window = std::make_unique<MainWindow>(app, host);
        window->Create();
        window->show();
        window->resize(800, 600);
        QApplication::processEvents();
        view = window->findChild<WorkView*>();
        ASSERT_NE(view, nullptr);
        window->OnKey('0', false);  // from above
    }
    void TearDown() override {
        if (window) window->close();
        SetEnglish(false);
    }
    long long Node(double x, double y) const {
        return static_cast<long long>((y - app.work.yMin) / app.work.pitch + 0.5) * app.work.nx +
               static_cast<long long>((x - app.work.xMin) / app.work.pitch + 0.5);
    }
    // A click on the view where the node at (x, y) is drawn.
    void Click(double x, double y, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        const ScreenPoint at = Project(window->Work().View(), x, y, app.work.height[Node(x, y)]);
        QTest::mouseClick(view, Qt::LeftButton, mods, QPoint(at.x, at.y));
    }
    std::string Status() const { return window->StatusText().toStdString(); }
    // The value cell after the info panel's label `label`.
    std::string Panel(const std::string& label) const {
        const std::vector<PanelCell>& cells = window->Strip()->InfoCells();
        for (std::size_t i = 0; i + 1 < cells.size(); ++i) {
            if (cells[i].text == label) return cells[i + 1].text;
        }
        return "(no " + label + ")";
    }

    test::TempDir start, programDir;
    App app;
    QtHost host;
    std::unique_ptr<MainWindow> window;
    WorkView* view = nullptr;
};

TEST_F(MeasureWindow, MeasuresOnTheWorkAndStopsARunAtTheWatchedNode) {
    // Mode 1: three points on a circle of radius 30 about (50, 50), then a
    // fourth on the line through the last two.
    window->SetMouseMode(1);
    Click(20, 50);
    EXPECT_EQ(Status(), "X=   20.000 Y=   50.000 Z=    0.000   Not Cut");
    Click(50, 80);
    Click(80, 50);
    EXPECT_EQ(Panel("\tCount"), "\t3");
    EXPECT_EQ(Panel("\tDelta-X"), "\t   30.0000");
    EXPECT_EQ(Panel("\tDelta-Y"), "\t  -30.0000");
    EXPECT_EQ(Panel("\tR(3PT)"), "\t   30.000");
    Click(65, 65);
    EXPECT_EQ(Panel("\tDis"), "\t   21.2132");
    EXPECT_EQ(Panel("\tR(3PT)"), "\t100000.000");
    EXPECT_EQ(app.strokes.count, 4u);
    EXPECT_EQ(app.strokes.x[3], 65.0f);

    // A section across the stock, a line and a plane.
    window->SetMouseMode(5);
    Click(10, 10);
    Click(90, 10);
    ASSERT_NE(window->Measuring().Section(), nullptr);
    EXPECT_TRUE(window->Measuring().Section()->isVisible());
    EXPECT_EQ(window->Measuring().Section()->Samples().size(),
              321u);  // a quarter of a millimetre apart
    window->SetMouseMode(8);
    Click(10, 10);
    Click(90, 10);
    Click(50, 30);
    EXPECT_EQ(Status(), "Distance to the line:    20.0000   in plan:    20.0000");

    // Shift picks the watched node: the run pauses after line 7, which cuts
    // it; picked while the run is paused, another node pauses it after line 8.
    Click(25, 50, Qt::ShiftModifier);
    EXPECT_EQ(window->Work().watchedNode, Node(25, 50));
    window->OnCommand(cmd::kRunResult);
    ASSERT_EQ(window->Work().RunStateNow(), RunState::Paused);
    EXPECT_EQ(window->Work().PauseReason(), StopReason::SearchHit);
    EXPECT_EQ(Status(), "NC search - cut by 7: X40.");
    EXPECT_EQ(app.work.height[Node(60, 50)], 0.0f);
    Click(60, 50, Qt::ShiftModifier);
    EXPECT_EQ(window->Work().watchedNode, Node(60, 50));
    window->OnKey('G', false);
    ASSERT_EQ(window->Work().RunStateNow(), RunState::Paused);
    EXPECT_EQ(Status(), "NC search - cut by 8: X90.");
    EXPECT_EQ(app.work.height[Node(60, 50)], -1.0f);
    EXPECT_EQ(app.work.height[Node(95, 50)], 0.0f);
    window->OnKey('G', false);
    EXPECT_EQ(window->Work().RunStateNow(), RunState::Finished);

    // The query names the line that cut a node; the plane through three
    // points of the top measures the groove's depth.
    window->SetMouseMode(1);
    Click(25, 50);
    EXPECT_EQ(Status(), "X=   25.000 Y=   50.000 Z=   -1.000   7: X40.");
    window->SetMouseMode(9);
    Click(10, 10);
    Click(90, 10);
    Click(10, 90);
    EXPECT_EQ(Status(), "Plane tilt:     0.00");
    Click(60, 50);
    EXPECT_EQ(Status(), "Distance to the plane:    -1.0000");

    // Picked again the node is let go: the same run again from the work
    // before it goes through.
    Click(60, 50, Qt::ShiftModifier);
    EXPECT_EQ(window->Work().watchedNode, -1);
    EXPECT_EQ(Status(), "NC search: no point watched");
    window->OnKey('C', false);
    ASSERT_EQ(app.work.height[Node(60, 50)], 0.0f);
    window->OnCommand(cmd::kRunResult);
    EXPECT_EQ(window->Work().RunStateNow(), RunState::Finished);
}

}  // namespace
}  // namespace morvex
