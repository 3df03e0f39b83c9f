// What the view keeps and shows (offscreen platform, the bundled samples):
// the program path shown stays over view keys, colour changes and resizes
// and goes with the command that hid it or with a run; steep walls drawn
// with the thinned-out step look as they do drawn in detail; the info strip
// shows the new work after "Define Work"; F1 without a browser names the
// guide in a message.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QStandardPaths>
#include <QTimer>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <utility>
#include <vector>

#include "base/messages.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/gui/panel_strip.h"
#include "frame/gui/work_dialogs.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// The samples with the program `nc` (pocket.nc), started up as the program does.
struct Samples {
    test::TempDir start, programDir;
    App app;
    QtHost host;
    bool ready = false;

    explicit Samples(double pitch) {
        const std::string samples = std::string(std::getenv("MORVEX_SOURCE_DIR")) + "/samples";
        for (const auto& e : std::filesystem::directory_iterator(samples)) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        if (PrepareStartUp(app, {start.Path("pocket.nc")}, start.Dir(), programDir.Dir()).exit) return;
        ContinueStartUp(app, host);
        if (pitch > 0.0) app.settings.work.workPitch = pitch;
        ready = PrepareLaunchWork(app, host) == 0;
    }
};

class DeskView : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("MORVEX_SOURCE_DIR") == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    }
    void TearDown() override {
        if (window && window->isVisible()) window->close();
        SetEnglish(false);
    }
    // The window in English on the samples, `settings` changed first.
    bool Open(const std::function<void(App&)>& settings = {}, double pitch = 0.0) {
        window.reset();  // the old window refers to the old samples' host
        s = std::make_unique<Samples>(pitch);
        if (!s->ready) return false;
        if (settings) settings(s->app);
        SetEnglish(true);
        window = std::make_unique<MainWindow>(s->app, s->host);
        window->Create();
        window->show();
        window->Tools().runDialog = [this](QDialog& d) {
            fill ? fill(d) : d.reject();
            return d.result();
        };
        // Message boxes are answered and their texts kept.
        QObject::connect(&boxTimer, &QTimer::timeout, [this]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            boxes.push_back(box->text().toStdString());
            if (QAbstractButton* b = box->buttons().value(0)) b->click();
        });
        boxTimer.start(20);
        return true;
    }
    Desk& Work() { return window->Work(); }

    std::unique_ptr<Samples> s;
    std::unique_ptr<MainWindow> window;
    std::function<void(QDialog&)> fill;
    QTimer boxTimer;
    std::vector<std::string> boxes;
};

QRgb Rgb(ColorRef c) { return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

int CountColour(const QImage& image, QRgb colour) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) n += (image.pixel(x, y) & 0xFFFFFFu) == (colour & 0xFFFFFFu);
    }
    return n;
}

TEST_F(DeskView, ShownPathStaysOverViewChangesUntilHidden) {
    // Path colours no other drawing uses.
    constexpr ColorRef kTip = MakeColor(1, 254, 3), kCommand = MakeColor(3, 1, 254);
    ASSERT_TRUE(Open([](App& app) {
        app.settings.colors[ColorKey::TopPath] = kTip;
        app.settings.colors[ColorKey::ControlPath] = kCommand;
    }));
    auto tip = [this] { return CountColour(window->Picture(), Rgb(kTip)); };
    auto command = [this] { return CountColour(window->Picture(), Rgb(kCommand)); };
    ASSERT_EQ(tip(), 0);
    window->OnKey(117, false);  // F6
    const int shown = tip();
    ASSERT_GT(shown, 500);  // the pocket's loops
    // Each view change draws the path again for the new view.
    const struct {
        const char* what;
        std::function<void()> act;
    } changes[] = {
        {"R", [this] { window->OnKey('R', false); }},
        {"turn +15", [this] { window->OnKey('6', false); }},
        {"from behind", [this] { window->OnKey('7', false); }},
        {"tilt up", [this] { window->OnKey('U', false); }},
        {"zoom out", [this] { window->OnKey('S', false); }},
        {"F", [this] { window->OnKey('F', false); }},
        {"colour mode", [this] { window->OnKey('Y', false); }},
        {"work colour",
         [this] {
             s->app.settings.colors[ColorKey::Work] = MakeColor(200, 180, 40);
             Work().RestyleAndRedraw();
         }},
        {"resize", [this] { Work().Resize(700, 500); }},
        {"redraw", [this] { window->OnKey('P', false); }},
    };
    for (const auto& c : changes) {
        c.act();
        EXPECT_GT(tip(), 200) << c.what;
        EXPECT_EQ(command(), 0) << c.what;
    }
    window->OnKey(117, false);  // F6 again hides it
    EXPECT_EQ(tip(), 0);
    window->OnKey('R', false);
    EXPECT_EQ(tip(), 0);
    // The command-point path replaces the tool-tip path and stays too.
    window->OnKey(117, false);
    window->OnCommand(cmd::kCommandPointPath);
    EXPECT_EQ(tip(), 0);
    EXPECT_GT(command(), 200);
    window->OnKey('4', false);
    EXPECT_GT(command(), 200);
    // A run replaces it; its result path (PATH(RESULT)) stays over view changes.
    window->OnKey(116, false);  // F5
    ASSERT_EQ(Work().RunStateNow(), RunState::Finished);
    EXPECT_EQ(command(), 0);
    EXPECT_GT(tip(), 200);
    window->OnKey('5', false);
    EXPECT_GT(tip(), 200);
    EXPECT_EQ(Work().PathShown(), PathSet::ToolTip);
    // The path drawn while cutting (PATH(START)) stays over a view change of a paused run.
    constexpr ColorRef kCut = MakeColor(254, 2, 200);
    s->app.settings.colors[ColorKey::CutPath] = kCut;
    s->app.settings.display.pathStart = true;
    auto cut = [this] { return CountColour(window->Picture(), Rgb(kCut)); };
    window->OnCommand(cmd::kStopModeFirst + 3);  // single block
    window->OnCommand(cmd::kRunReal);
    for (int i = 0; i < 30 && Work().RunStateNow() == RunState::Paused && cut() <= 20; ++i) window->OnKey('G', false);
    ASSERT_EQ(Work().RunStateNow(), RunState::Paused);
    EXPECT_EQ(tip(), 0);
    const int before = cut();
    EXPECT_GT(before, 20);
    window->OnKey('R', false);
    window->OnKey('6', false);
    EXPECT_GT(cut(), 20);
    window->OnKey(s->app.settings.work.escapeKey, false);
    EXPECT_NE(Work().RunStateNow(), RunState::Paused);
}

TEST_F(DeskView, SteepWallsWithoutStreaks) {
    // The pocket at 0.1 mm, drawn every few nodes, and at 0.5 mm, every
    // node but each cell a few pixels wide. Neither the tool nor the path
    // covers the wall.
    for (const double pitch : {0.1, 0.5}) {
        ASSERT_TRUE(Open(
            [](App& app) {
                app.settings.display.toolDisplay = false;
                app.settings.display.pathResult = false;
                app.settings.display.optimizeDrawing = true;
                app.settings.display.optimizeDots = 3;
            },
            pitch));
        window->OnKey(116, false);  // F5
        ASSERT_EQ(Work().RunStateNow(), RunState::Finished);
        const int step = Work().DrawingStepNow();
        ASSERT_EQ(step > 1, pitch < 0.5) << step;
        const QImage shown = window->Picture();
        Work().RedrawDetailed();
        const QImage detail = window->Picture();
        // The pixels of the pocket's far wall (Y 70, facing the viewer; depth
        // 12 mm), away from its rounded corners and from its top and bottom.
        const ViewState& v = Work().View();
        std::set<std::pair<int, int>> wall;
        for (double x = 34.0; x <= 66.0; x += 0.05) {
            for (double z = -11.0; z <= -1.0; z += 0.05) {
                const ScreenPoint p = Project(v, x, 70.05, z);
                if (p.x > 0 && p.y >= 0 && p.x + 1 < shown.width() && p.y < shown.height()) wall.insert({p.x, p.y});
            }
        }
        ASSERT_GT(wall.size(), 2000u);
        // A streak pixel differs from both neighbours in its row, which agree.
        auto streak = [&shown](int x, int y) {
            const QRgb left = shown.pixel(x - 1, y), here = shown.pixel(x, y), right = shown.pixel(x + 1, y);
            return left == right && here != left;
        };
        // Colours apart by more than a few shades (the thinned-out wall is a
        // little less steep than the detailed one).
        auto apart = [](QRgb a, QRgb b) {
            return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b)) > 60;
        };
        int streaks = 0, differ = 0;
        for (const auto& [x, y] : wall) {
            streaks += streak(x, y);
            differ += apart(shown.pixel(x, y), detail.pixel(x, y));
        }
        const int n = static_cast<int>(wall.size());
        EXPECT_LE(streaks, n / 100) << streaks << " streak pixels of " << n << " at pitch " << pitch;
        EXPECT_LE(differ, n / 20) << differ << " of " << n << " pixels unlike the detailed picture at pitch " << pitch;
        window->close();
    }
}

TEST_F(DeskView, InfoStripShowsTheNewWorkAfterDefineWork) {
    ASSERT_TRUE(Open());
    window->OnCommand(cmd::kRadiusOffsets);  // the offsets group first (the dialog is cancelled)
    ASSERT_EQ(window->Strip()->InfoCells().front().text, "\tD-Code");
    fill = [](QDialog& d) {
        auto& w = dynamic_cast<DefineWorkDialog&>(d);
        const char* values[7] = {"-10", "-20", "-30", "110", "60", "5", "0.5"};
        for (int i = 0; i < 7; ++i) w.Field(i)->setText(values[i]);
        w.accept();
    };
    window->OnCommand(cmd::kDefineWorkTwoPoints);
    const std::vector<PanelCell>& cells = window->Strip()->InfoCells();
    ASSERT_EQ(cells.size(), 14u);
    EXPECT_EQ(cells[0].text, "\tWork\t");
    EXPECT_EQ(cells[1].text, "\tPitch:0.500\t");
    const std::pair<const char*, const char*> expected[] = {
        {"\tMax-X", "\t  110.000"}, {"\tMax-Y", "\t   60.000"}, {"\tMax-Z", "\t    5.000"},
        {"\tMin-X", "\t  -10.000"}, {"\tMin-Y", "\t  -20.000"}, {"\tMin-Z", "\t  -30.000"}};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(cells[2 + 2 * i].text, expected[i].first);
        EXPECT_EQ(cells[3 + 2 * i].text, expected[i].second) << expected[i].first;
    }
}

TEST_F(DeskView, HelpWithoutABrowserNamesTheGuide) {
    // Where a launcher is installed a browser might really open: not here.
    if (!QStandardPaths::findExecutable("xdg-open").isEmpty()) GTEST_SKIP() << "xdg-open is installed";
    std::string guide;
    ASSERT_TRUE(Open([&guide](App& app) {
        guide = app.locations.startDir + "HELP/index.htm";
        std::filesystem::create_directories(app.locations.startDir + "HELP");
        std::ofstream(guide) << "<html></html>";
        app.locations.helpFile = guide;
    }));
    const std::string message =
        "No web browser could be started for the user guide. Open this file in a browser:\n" + guide;
    window->OnKey(112, false);  // F1
    window->OnCommand(cmd::kHelp);
    EXPECT_EQ(boxes, (std::vector<std::string>{message, message}));
}

}  // namespace
}  // namespace morvex
