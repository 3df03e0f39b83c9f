// Plug-in modules in the window (offscreen platform): the example simulation
// module installed as mvsim and the example modifier as mvmod next to the
// program; their menu items at their places with their texts and enable
// states, F8 cutting the samples' stock through the module, the modifier
// cutting at the middle level and painting, and C taking it back.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTimer>
#include <QtTest/QTest>
#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <string>

#include "base/messages.h"
#include "frame/gui/desk.h"
#include "frame/gui/main_window.h"
#include "frame/plugin_menu.h"
#include "frame/startup.h"
#include "frame/work_commands.h"
#include "platform/qt/qt_host.h"
#include "resources/command_ids.h"
#include "support/plugin_modules.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// A plunge at (20, 50) to Z-4, a line to X80 at that depth, an arc and
// rapids, with T01 (the samples' flat end mill of diameter 10).
constexpr const char* kProgram =
    "%\nG17 G21 G40 G49 G80 G90\nT01 M06\nG00 G90 G54 X20. Y50. S3200 M03\nG43 Z30. H01\nZ5.\n"
    "G01 Z-4. F400\nX80.\nG02 X80. Y30. R10.\nG00 Z30.\nM30\n%\n";

class PluginWindow : public ::testing::Test {
protected:
    void SetUp() override {
        const char* source = std::getenv("MORVEX_SOURCE_DIR");
        if (source == nullptr) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
        for (const auto& e : std::filesystem::directory_iterator(std::string(source) + "/samples")) {
            std::filesystem::copy(e.path(), start.Path(e.path().filename().string()));
        }
        start.Write("cut.nc", kProgram);
        ASSERT_TRUE(test::InstallModule(programDir.Dir(), "flat_bottom_sim", "mvsim"));
        ASSERT_TRUE(test::InstallModule(programDir.Dir(), "level_modifier", "mvmod"));
        ASSERT_FALSE(PrepareStartUp(app, {start.Path("cut.nc")}, start.Dir(), programDir.Dir()).exit);
        ContinueStartUp(app, host);
        app.settings.work.workPitch = 1.0;
        ASSERT_EQ(PrepareLaunchWork(app, host), 0);
        ASSERT_EQ(app.work.nx, 101);
        window = std::make_unique<MainWindow>(app, host);
        window->Create();
        window->show();
        // Message boxes are answered and their texts kept.
        QObject::connect(&boxes, &QTimer::timeout, [this]() {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) return;
            texts.push_back(box->text().toStdString());
            if (QAbstractButton* b = box->buttons().value(0)) b->click();
        });
        boxes.start(20);
    }
    void TearDown() override {
        if (window && window->isVisible()) window->close();
    }
    // The item at `position` of pull-down `popup`.
    QAction* ItemAt(int popup, int position) const {
        QMenu* menu = window->menuBar()->actions().value(popup)->menu();
        return menu == nullptr ? nullptr : menu->actions().value(position);
    }
    float Z(double x, double y) const {
        return app.work.height[NodeIndex(app.work, static_cast<int>(x), static_cast<int>(y))];
    }
    int Attr(double x, double y) const {
        return app.work.attr[NodeIndex(app.work, static_cast<int>(x), static_cast<int>(y))];
    }
    // Nodes within 5 mm (the tool's radius) of the line (20, 50)-(80, 50)
    // in XY are at Z-4, the others at the top, Z0.
    static float AfterCut(double x, double y) {
        const double nearestX = std::clamp(x, 20.0, 80.0);
        const double d2 = (x - nearestX) * (x - nearestX) + (y - 50.0) * (y - 50.0);
        return d2 <= 25.0 ? -4.0f : 0.0f;
    }

    test::TempDir start, programDir;
    App app;
    QtHost host;
    std::unique_ptr<MainWindow> window;
    QTimer boxes;
    std::vector<std::string> texts;
};

TEST_F(PluginWindow, MenuItemsF8AndTheModifierCutTheWork) {
    ASSERT_EQ(app.plugins.sims.size(), 1u);
    ASSERT_EQ(app.plugins.modifiers.size(), 1u);
    const auto& a = window->Actions();
    QAction* sim = a.value(cmd::kPluginSimFirst);
    QAction* mod = a.value(cmd::kPluginModFirst);
    ASSERT_NE(sim, nullptr);
    ASSERT_NE(mod, nullptr);
    // Japanese menu: the module's text with the key the program added.
    EXPECT_EQ(sim->text().toStdString(), "平底カット(&B) or F8キー");
    EXPECT_EQ(mod->text().toStdString(), "中間高さでカット(&J)");
    EXPECT_EQ(ItemAt(kMachiningMenu, 6), sim);
    EXPECT_EQ(ItemAt(kWorkMenu, 13), mod);
    EXPECT_EQ(a.value(cmd::kPluginSimFirst + 1), nullptr);
    EXPECT_EQ(a.value(cmd::kNcComToggle), nullptr);  // no network module
    EXPECT_TRUE(sim->isEnabled());  // an NC program is read
    EXPECT_TRUE(mod->isEnabled());  // a work exists

    // F9 has no module; F8 cuts through the one there is.
    QTest::keyClick(window.get(), Qt::Key_F9);
    EXPECT_EQ(app.work.workState, 1);
    QTest::keyClick(window.get(), Qt::Key_F8);
    EXPECT_EQ(app.work.workState, 2);
    EXPECT_FALSE(window->Work().state.runActive);
    EXPECT_TRUE(sim->isEnabled() && mod->isEnabled());
    int wrong = 0, cut = 0;
    for (int iy = 0; iy <= 100; ++iy) {
        for (int ix = 0; ix <= 100; ++ix) {
            const float want = AfterCut(ix, iy);
            cut += want < 0.0f;
            if (Z(ix, iy) != want) ++wrong;
        }
    }
    EXPECT_EQ(wrong, 0);
    // The capsule: 11 rows of 61 nodes, and at either end the 35 nodes of
    // half a disc of radius 5 (81 lattice points, 11 of them on its axis).
    EXPECT_EQ(cut, 11 * 61 + 2 * 35);
    // Edges of the cylinder, the arc (through (90, 40)) and the last rapid are not cut.
    EXPECT_EQ((std::vector<float>{Z(50, 55), Z(50, 56), Z(16, 47), Z(15, 50), Z(90, 40), Z(80, 30)}),
              (std::vector<float>{-4.0f, 0.0f, -4.0f, -4.0f, 0.0f, 0.0f}));
    EXPECT_TRUE(texts.empty()) << texts.front();

    // The modifier: the level halfway between -4 and 0; what stood above it
    // is lowered to it and painted.
    mod->trigger();
    EXPECT_EQ((std::vector<float>{Z(50, 50), Z(0, 0), Z(100, 100), Z(50, 56)}),
              (std::vector<float>{-4.0f, -2.0f, -2.0f, -2.0f}));
    EXPECT_EQ((std::vector<int>{Attr(50, 50) & 1, Attr(0, 0) & 1, Attr(50, 56) & 1}), (std::vector<int>{0, 1, 1}));
    EXPECT_FLOAT_EQ(static_cast<float>(app.work.zMax), -2.0f);
    // C returns to the work the simulation left.
    ASSERT_TRUE(window->OnKey('C', false));
    EXPECT_EQ((std::vector<float>{Z(50, 50), Z(0, 0), Z(50, 56)}), (std::vector<float>{-4.0f, 0.0f, 0.0f}));
    EXPECT_EQ(Attr(0, 0) & 1, 0);
}

}  // namespace
}  // namespace morvex
