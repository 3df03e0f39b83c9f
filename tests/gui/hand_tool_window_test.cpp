// The hand tools in the window (offscreen platform) with real mouse events
// on the view: a 41 x 41 block at pitch 1 mm in the fitted plan view, each
// tool's stroke against hand-worked heights and attribute bytes, welding
// drawn in the alarm colour while the button is down, C taking a stroke
// back, nothing while a run is open; the tools' sounds on a recording host.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QtTest/QTest>
#include <memory>
#include <vector>

#include "frame/gui/desk.h"
#include "frame/gui/display_dialogs.h"
#include "frame/gui/hand_tool_input.h"
#include "frame/gui/main_window.h"
#include "frame/gui/work_view.h"
#include "frame/sounds.h"
#include "frame/startup.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// Records the sounds asked for; everything else does nothing.
class SoundHost final : public Host {
public:
    std::vector<int> played, looped;
    MessageAnswer ShowMessage(const MessageRequest&) override { return MessageAnswer::Ok; }
    bool IsKeyDown(int) override { return false; }
    void PumpMessages() override {}
    void RequestRedraw() override {}
    void PlaySound(int slot) override { played.push_back(slot); }
    void LoopSound(int slot) override { looped.push_back(slot); }
    bool OpenWithViewer(const std::string&) override { return true; }
    bool StartProgram(const std::string&, const std::vector<std::string>&) override { return true; }
    bool IsUnattended() const override { return false; }
};

class HandToolWindow : public ::testing::Test {
protected:
    void SetUp() override {
        // The light from a corner keeps the flat top's shades apart from white.
        start.Write("morvex.ini", "[Define]\nLIGHT VECTOR=(-0.5,-1.0,2.0)\nBOUNDARY BOX=OFF\n");
        ASSERT_FALSE(PrepareStartUp(app, {}, start.Dir(), programDir.Dir()).exit);
        ContinueStartUp(app, host);
        PitchSettings pitch;
        ASSERT_EQ(DefineBoxWork(app.work, BoxRequest{0, 0, 0, 40, 40, 10}, pitch, kDataLevelFull),
                  DefineWorkStatus::Ok);
        window = std::make_unique<MainWindow>(app, host);
        window->Create();
        window->resize(800, 600);
        window->show();
        view = window->findChild<WorkView*>();
        ASSERT_NE(view, nullptr);
        QTRY_VERIFY(window->Work().View().width > 300);
        window->LaunchWorkReady();
        ASSERT_TRUE(window->OnKey('0', false));  // plan view: X right, Y up
        ASSERT_TRUE(window->OnKey('F', false));
        ASSERT_GT(window->Work().View().scale, 5.0);  // well over 2 pixels per node
    }
    void TearDown() override {
        if (window && window->isVisible()) window->close();
    }

    QPoint At(double x, double y) const {
        const ScreenPoint p = Project(window->Work().View(), x, y, 0.0);
        return {p.x, p.y};
    }
    // A left-button stroke with real mouse events: down at the first node,
    // moves to the others, up at the last.
    void Stroke(int mode, const std::vector<GridCell>& nodes) {
        window->SetMouseMode(mode);
        ASSERT_EQ(window->Work().state.mouseMode, mode);
        QTest::mousePress(view, Qt::LeftButton, {}, At(nodes.front().ix, nodes.front().iy));
        for (std::size_t i = 1; i < nodes.size(); ++i) QTest::mouseMove(view, At(nodes[i].ix, nodes[i].iy));
        QTest::mouseRelease(view, Qt::LeftButton, {}, At(nodes.back().ix, nodes.back().iy));
    }
    float Z(int ix, int iy) const { return app.work.height[NodeIndex(app.work, ix, iy)]; }
    int Attr(int ix, int iy) const { return app.work.attr[NodeIndex(app.work, ix, iy)]; }
    // Every node of x0..x1 x y0..y1 has height `in(ix, iy)` ? z1 : z0 and byte a1 : a0.
    template <class In>
    void ExpectNodes(int x0, int x1, int y0, int y1, In in, float z0, float z1, int a0, int a1) {
        for (int iy = y0; iy <= y1; ++iy) {
            for (int ix = x0; ix <= x1; ++ix) {
                EXPECT_FLOAT_EQ(Z(ix, iy), in(ix, iy) ? z1 : z0) << ix << "," << iy;
                EXPECT_EQ(Attr(ix, iy), in(ix, iy) ? a1 : a0) << ix << "," << iy;
            }
        }
    }
    // The shade class a picture pixel belongs to (-1: none).
    int ClassAt(double x, double y) const {
        const QRgb c = window->Picture().pixel(At(x, y)) | 0xFF000000u;
        const RenderStyle style = RenderStyleOf(app.settings, false);
        for (int k = 0; k < kColorClasses * kShades; ++k) {
            if ((style.shade[static_cast<std::size_t>(k)] | 0xFF000000u) == c) return k / kShades;
        }
        return -1;
    }
    // The tool-parameter dialog (command 128) with these fields changed.
    void SetParameters(const std::vector<std::pair<int, const char*>>& fields) {
        window->Tools().runDialog = [fields](QDialog& d) {
            auto& tools = dynamic_cast<HandToolDialog&>(d);
            for (const auto& [i, text] : fields) tools.Field(i)->setText(QString::fromUtf8(text));
            d.accept();
            return d.result();
        };
        window->OnCommand(cmd::kToolParameters);
    }

    test::TempDir start, programDir;
    App app;
    QtHost host;
    std::unique_ptr<MainWindow> window;
    WorkView* view = nullptr;
};

TEST_F(HandToolWindow, StrokesWorkTheCellsUnderThePointer) {
    // Welding 0.5 high, 5 wide, pen 3: the disc of 21 nodes round (20,20),
    // red while the button is down, in pen 3's colour after it.
    SetParameters({{0, "0.5"}, {1, "5"}, {2, "3"}});
    window->SetMouseMode(2);
    QTest::mousePress(view, Qt::LeftButton, {}, At(20, 20));
    EXPECT_EQ(ClassAt(20.5, 20.5), kClassAlarm);
    QTest::mouseRelease(view, Qt::LeftButton, {}, At(20, 20));
    EXPECT_EQ(ClassAt(20.5, 20.5), 3 + 1);
    auto disc = [](int ix, int iy) { return (ix - 20) * (ix - 20) + (iy - 20) * (iy - 20) <= 6; };
    ExpectNodes(17, 23, 17, 23, disc, 10.0f, 10.5f, 0, 6);
    EXPECT_FLOAT_EQ(static_cast<float>(app.work.zMax), 10.5f);
    EXPECT_EQ(app.strokes.count, 1u);
    // C takes the stroke back, as it does a run.
    ASSERT_TRUE(window->OnKey('C', false));
    ExpectNodes(17, 23, 17, 23, disc, 10.0f, 10.0f, 0, 0);

    // Down at (10,30), one move to (13,30): discs at 10, 11, 12 and 13.
    Stroke(2, {{10, 30}, {13, 30}});
    EXPECT_EQ((std::array{Z(8, 30), Z(10, 30), Z(13, 30), Z(13, 32), Z(15, 30), Z(16, 30)}),
              (std::array{10.5f, 11.5f, 11.5f, 11.0f, 10.5f, 10.0f}));

    // Grinder 1 deep, 3 wide, pen 5 across a step from 5 mm (X < 20) to
    // 10 mm: the level 4 of the first contact; the plateau stays.
    for (int iy = 0; iy <= app.work.lastY; ++iy) {
        for (int ix = 0; ix <= app.work.lastX; ++ix) {
            app.work.height[NodeIndex(app.work, ix, iy)] = ix < 20 ? 5.0f : 10.0f;
            app.work.attr[NodeIndex(app.work, ix, iy)] = 0;
        }
    }
    window->Work().Redraw();
    SetParameters({{3, "1"}, {4, "3"}, {5, "5"}});
    Stroke(3, {{10, 10}, {30, 10}});
    ExpectNodes(8, 19, 8, 12, [](int ix, int iy) { return ix >= 9 && iy >= 9 && iy <= 11; }, 5.0f, 4.0f, 0, 10);
    ExpectNodes(20, 32, 8, 12, [](int, int) { return false; }, 10.0f, 0.0f, 0, 0);

    // Paper 0.25 deep, 3 wide, pen 7: nothing at the press, the square round
    // the first node the pointer moves to.
    SetParameters({{6, "0.25"}, {7, "3"}, {8, "7"}});
    Stroke(4, {{3, 35}, {6, 35}});
    ExpectNodes(3, 8, 33, 37, [](int ix, int iy) { return ix >= 5 && ix <= 7 && iy >= 34 && iy <= 36; }, 5.0f,
                4.75f, 0, 14);

    // Brush 3 wide paints round (32,30); the spatula, one node wide, scrapes
    // (33,30) and the walk back to (31,30). Heights and pens stay.
    SetParameters({{9, "3"}, {10, "1"}});
    app.work.attr[NodeIndex(app.work, 32, 31)] = 0x24;  // pen 2, down-cut
    Stroke(6, {{30, 30}, {32, 30}});
    EXPECT_EQ(ClassAt(31.5, 29.5), kClassPaint);
    Stroke(7, {{32, 30}, {33, 30}, {31, 30}});
    EXPECT_EQ(Attr(32, 31), 0x25);
    app.work.attr[NodeIndex(app.work, 32, 31)] = kAttrPaint;
    ExpectNodes(29, 34, 28, 32, [](int ix, int iy) { return ix >= 31 && ix <= 33 && iy >= 29 && iy <= 31 && iy != 30; },
                10.0f, 10.0f, 0, kAttrPaint);

    // While a run is open the tools do nothing.
    window->Work().state.runActive = true;
    Stroke(6, {{20, 5}, {22, 5}});
    window->Work().state.runActive = false;
    EXPECT_EQ(Attr(21, 5), 0);
}

// Sounds with SOUND on: the grinder loops while applied, sounds its contact
// once and stops at the release; welding's steps are paced, not one each.
TEST_F(HandToolWindow, ToolSoundsArePaced) {
    SoundHost sounds;
    HandToolInput tools(app, window->Work(), sounds);
    double now = 1000.0;
    tools.clockMs = [&now]() { return now; };
    app.settings.work.sound = true;
    auto stroke = [&](int mode, int iy, int moves) {
        EXPECT_TRUE(tools.Press(mode, At(5, iy).x(), At(5, iy).y()));
        for (int i = 1; i <= moves; ++i) {
            now += 10.0;
            EXPECT_TRUE(tools.Move(At(5 + i % 20, iy).x(), At(5, iy).y()));
        }
        EXPECT_TRUE(tools.Release());
    };
    stroke(3, 10, 10);
    EXPECT_EQ(sounds.looped, (std::vector<int>{kSoundGrinder, -1}));
    EXPECT_EQ(sounds.played, (std::vector<int>{kSoundGrinder2, kSoundGrindOff}));
    EXPECT_FALSE(tools.Release() || tools.Move(0, 0));  // no stroke any more
    // 40 steps of welding in 400 ms: one sound per 150 ms, at 0, 150 and 300 ms.
    sounds.played.clear();
    stroke(2, 20, 40);
    EXPECT_EQ(sounds.played, (std::vector<int>(3, kSoundWelding)));
    app.settings.work.sound = false;
    sounds.played.clear();
    stroke(3, 30, 5);
    EXPECT_TRUE(sounds.played.empty() && sounds.looped.size() == 2);
    EXPECT_FALSE(tools.Press(11, 10, 10) || tools.Press(1, 10, 10));  // not the hand tools' modes
}

}  // namespace
}  // namespace morvex
