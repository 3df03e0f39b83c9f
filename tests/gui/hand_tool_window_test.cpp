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
    void Press(int ix, int iy) { QTest::mousePress(view, Qt::LeftButton, {}, At(ix, iy)); }
    void MoveTo(int ix, int iy) { QTest::mouseMove(view, At(ix, iy)); }
    void Release(int ix, int iy) { QTest::mouseRelease(view, Qt::LeftButton, {}, At(ix, iy)); }
    float Z(int ix, int iy) const { return app.work.height[NodeIndex(app.work, ix, iy)]; }
    int Attr(int ix, int iy) const { return app.work.attr[NodeIndex(app.work, ix, iy)]; }
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
    ASSERT_EQ(window->Work().state.mouseMode, 2);
    Press(20, 20);
    EXPECT_EQ(ClassAt(20.5, 20.5), kClassAlarm);
    Release(20, 20);
    EXPECT_EQ(ClassAt(20.5, 20.5), 3 + 1);
    int raised = 0;
    for (int iy = 17; iy <= 23; ++iy) {
        for (int ix = 17; ix <= 23; ++ix) {
            const int dx = ix - 20, dy = iy - 20;
            const bool in = dx * dx + dy * dy <= 6;  // within 2.5 mm
            EXPECT_FLOAT_EQ(Z(ix, iy), in ? 10.5f : 10.0f) << ix << "," << iy;
            EXPECT_EQ(Attr(ix, iy), in ? 6 : 0) << ix << "," << iy;
            raised += in;
        }
    }
    EXPECT_EQ(raised, 21);
    EXPECT_FLOAT_EQ(static_cast<float>(app.work.zMax), 10.5f);
    EXPECT_EQ(app.strokes.count, 1u);
    // C takes the stroke back, as it does a run.
    ASSERT_TRUE(window->OnKey('C', false));
    EXPECT_FLOAT_EQ(Z(20, 20), 10.0f);
    EXPECT_EQ(Attr(20, 20), 0);

    // A drag from (10,30) to (13,30) in one move: discs at 10, 11, 12, 13.
    Press(10, 30);
    MoveTo(13, 30);
    Release(13, 30);
    const struct {
        int ix, iy;
        float z;
    } welded[] = {{8, 30, 10.5f}, {10, 30, 11.5f}, {13, 30, 11.5f}, {15, 30, 10.5f}, {16, 30, 10.0f}, {13, 32, 11.0f}};
    for (const auto& c : welded) EXPECT_FLOAT_EQ(Z(c.ix, c.iy), c.z) << c.ix << "," << c.iy;

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
    window->SetMouseMode(3);
    Press(10, 10);
    MoveTo(30, 10);
    Release(30, 10);
    for (int ix = 8; ix <= 32; ++ix) {
        for (int iy = 8; iy <= 12; ++iy) {
            const bool ground = ix >= 9 && ix <= 19 && iy >= 9 && iy <= 11;
            EXPECT_FLOAT_EQ(Z(ix, iy), ground ? 4.0f : ix < 20 ? 5.0f : 10.0f) << ix << "," << iy;
            EXPECT_EQ(Attr(ix, iy), ground ? 5 << 1 : 0) << ix << "," << iy;
        }
    }

    // Paper 0.25 deep, 3 wide, pen 7: nothing on the press, the 3 x 3
    // square round the first point the pointer moves to.
    SetParameters({{6, "0.25"}, {7, "3"}, {8, "7"}});
    window->SetMouseMode(4);
    Press(3, 35);
    EXPECT_FLOAT_EQ(Z(3, 35), 5.0f);
    MoveTo(6, 35);
    Release(6, 35);
    for (int ix = 3; ix <= 8; ++ix) {
        for (int iy = 33; iy <= 37; ++iy) {
            const bool sanded = ix >= 5 && ix <= 7 && iy >= 34 && iy <= 36;
            EXPECT_FLOAT_EQ(Z(ix, iy), sanded ? 4.75f : 5.0f) << ix << "," << iy;
            EXPECT_EQ(Attr(ix, iy), sanded ? 7 << 1 : 0) << ix << "," << iy;
        }
    }

    // Brush 3 wide paints round (32,30); the spatula, one node wide, scrapes
    // (33,30) and then the walk back to (31,30). Heights and pens stay.
    SetParameters({{9, "3"}, {10, "1"}});
    app.work.attr[NodeIndex(app.work, 32, 31)] = 0x24;  // pen 2, down-cut
    window->SetMouseMode(6);
    Press(30, 30);
    MoveTo(32, 30);
    Release(32, 30);
    EXPECT_EQ(ClassAt(31.5, 29.5), kClassPaint);
    window->SetMouseMode(7);
    Press(32, 30);
    MoveTo(33, 30);
    MoveTo(31, 30);
    Release(31, 30);
    for (int ix = 29; ix <= 34; ++ix) {
        for (int iy = 28; iy <= 32; ++iy) {
            const bool painted = ix >= 31 && ix <= 33 && iy >= 29 && iy <= 31 && iy != 30;
            const int pen = ix == 32 && iy == 31 ? 0x24 : 0;
            EXPECT_EQ(Attr(ix, iy), pen | (painted ? kAttrPaint : 0)) << ix << "," << iy;
            EXPECT_FLOAT_EQ(Z(ix, iy), 10.0f) << ix << "," << iy;
        }
    }

    // While a run is open the tools do nothing.
    window->Work().state.runActive = true;
    window->SetMouseMode(6);
    Press(20, 5);
    MoveTo(22, 5);
    Release(22, 5);
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
    ASSERT_TRUE(tools.Press(3, At(10, 10).x(), At(10, 10).y()));
    for (int ix = 11; ix <= 20; ++ix) EXPECT_TRUE(tools.Move(At(ix, 10).x(), At(ix, 10).y()));
    EXPECT_TRUE(tools.Release());
    EXPECT_EQ(sounds.looped, (std::vector<int>{kSoundGrinder, -1}));
    EXPECT_EQ(sounds.played, (std::vector<int>{kSoundGrinder2, kSoundGrindOff}));
    EXPECT_FALSE(tools.Release());  // no stroke any more
    EXPECT_FALSE(tools.Move(0, 0));

    // 40 steps of welding in 400 ms: one sound per 150 ms, at 0, 150, 300 ms.
    sounds.played.clear();
    ASSERT_TRUE(tools.Press(2, At(5, 20).x(), At(5, 20).y()));
    for (int i = 1; i <= 40; ++i) {
        now += 10.0;
        tools.Move(At(5 + i % 20, 20).x(), At(5, 20).y());
    }
    tools.Release();
    EXPECT_EQ(sounds.played, (std::vector<int>(3, kSoundWelding)));
    // Silent with SOUND off; other modes are not the hand tools'.
    app.settings.work.sound = false;
    sounds.played.clear();
    tools.Press(4, At(5, 5).x(), At(5, 5).y());
    tools.Move(At(8, 5).x(), At(8, 5).y());
    tools.Release();
    EXPECT_TRUE(sounds.played.empty() && sounds.looped.size() == 2);
    EXPECT_FALSE(tools.Press(11, 10, 10));
    EXPECT_FALSE(tools.Press(1, 10, 10));
}

}  // namespace
}  // namespace morvex
