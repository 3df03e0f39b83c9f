// The plug-in items in the menu and their enable rules, and the simulation
// and modifier commands against modules made of this file's functions: the
// calling order, the motions handed over, and what the program does with
// nonsense (heights that are not numbers, heights below the bottom, a
// negative result, a cancelled parameter).
#include "frame/plugin_commands.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "frame/command_dispatch.h"
#include "frame/plugin_menu.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

// What the test modules do and what they were told.
struct Script {
    int parameter = 1;
    int rapid = 0, line = 1, arc = 0;
    int stopAtCut = 0;        // CUTWORK number (1-based) that answers -1
    bool nonsense = false;    // the first CUTWORK (or MODWORK) leaves NaN and below-bottom heights
    int modFlag = 1;
    std::vector<std::string> calls;
    std::vector<MvMotion> motions;
    float toolD = 0.0f;
    int basicPresent = -1;
};
Script g;

constexpr int kNan = 1, kLow = 2, kCut = 5;  // nodes (i, i) the modules write

void Write(float* h, int nx) {
    h[kNan * nx + kNan] = std::numeric_limits<float>::quiet_NaN();
    h[kLow * nx + kLow] = -50.0f;
    h[kCut * nx + kCut] = -2.0f;
}

void SimParameter(int32_t* flag) {
    g.calls.push_back("PARAMETER");
    *flag = g.parameter;
}
void SimPathType(int32_t* rapid, int32_t* line, int32_t* arc) {
    g.calls.push_back("PATHTYPE");
    *rapid = g.rapid;
    *line = g.line;
    *arc = g.arc;
}
void SimGetWork(int32_t*, float*, uint8_t*, int32_t*, const int32_t* nx, const int32_t*, const double* pitch,
                const double origin[3], const double extent[3]) {
    g.calls.push_back("GETWORK " + std::to_string(*nx) + " " + std::to_string(*pitch) + " " +
                      std::to_string(origin[2]) + " " + std::to_string(extent[2]));
}
void SimStart(int32_t*) { g.calls.push_back("START"); }
void SimGetTool(const int32_t*, const int32_t*, const float* d, const float*, const float*, const float*,
                const float*, const float*, const float*, const float*, const float*) {
    g.calls.push_back("GETTOOL");
    g.toolD = *d;
}
void SimGetToolLen(const int32_t*, const float*, const int32_t*, const float*, const int32_t*) {
    g.calls.push_back("GETTOOLLEN");
}
void SimGetArbor(const int32_t*, const int32_t*, const int32_t*, const float*, const float*, const int32_t*) {
    g.calls.push_back("GETARBOR");
}
void SimCutWork(int32_t*, const MvMotion* motion, const MvTool*, float* height, uint8_t*, int32_t*,
                const int32_t* nx, const int32_t*, int32_t* result) {
    g.calls.push_back("CUTWORK");
    g.motions.push_back(*motion);
    const int n = static_cast<int>(g.motions.size());
    if (n == g.stopAtCut) {
        *result = -1;
        return;
    }
    if (g.nonsense && n == 1) {
        Write(height, *nx);
        *result = 1;
    }
}
void SimEnd() { g.calls.push_back("END"); }

void ModParameter(int32_t* flag) {
    g.calls.push_back("PARAMETER");
    *flag = g.parameter;
}
void ModBasic(const float* basic, const int32_t* present) {
    g.calls.push_back("GETBASICMODEL");
    g.basicPresent = basic == nullptr ? -(*present) - 1 : *present;
}
void ModWork(MvWork* work, int32_t* flag) {
    g.calls.push_back("MODWORK");
    Write(work->height, work->nx);
    work->attr[kCut * work->nx + kCut] |= 1;
    *flag = g.modFlag;
}

// A 21 x 21 block from (0, 0, -10) to (20, 20, 0) at pitch 1 and a program
// with a rapid, two lines with a tool change between them, an arc and a
// rapid.
struct Bench {
    test::TempDir dir;
    App app;
    test::RecordingHost host;

    Bench() {
        g = Script{};
        app.launch.ncProgram = dir.Write("p.nc",
                                         "G90 G17\n"
                                         "G00 X5. Y5. Z5.\n"
                                         "G01 Z-2. F100\n"
                                         "T02 M06\n"
                                         "X15.\n"
                                         "G02 X15. Y15. R5.\n"
                                         "G00 Z5.\n"
                                         "M30\n");
        PitchSettings pitch;
        pitch.workPitch = 1.0;
        EXPECT_EQ(DefineBoxWork(app.work, BoxRequest{0, 0, -10, 20, 20, 0}, pitch, kDataLevelFull),
                  DefineWorkStatus::Ok);
        SimModule sim;
        sim.entry.parameter = SimParameter;
        sim.entry.pathType = SimPathType;
        sim.entry.getWork = SimGetWork;
        sim.entry.start = SimStart;
        sim.entry.getTool = SimGetTool;
        sim.entry.getToolLen = SimGetToolLen;
        sim.entry.getArbor = SimGetArbor;
        sim.entry.cutWork = SimCutWork;
        sim.entry.end = SimEnd;
        app.plugins.sims.push_back(sim);
        ModifierModule mod;
        mod.entry.parameter = ModParameter;
        mod.entry.getBasicModel = ModBasic;
        mod.entry.modWork = ModWork;
        app.plugins.modifiers.push_back(mod);
    }
    float Z(int i) const { return app.work.height[NodeIndex(app.work, i, i)]; }
};

TEST(PluginMenu, ItemsAtTheirPlacesAndTheirEnableRules) {
    PluginSet set;
    set.sims.resize(2);
    set.sims[0].menuText = "Sim A or F8";
    set.sims[1].menuText = "Sim B or F9";
    set.modifiers.resize(1);
    set.modifiers[0].menuText = "Mod";
    int fakeModule = 0;
    set.nccom.module.handle = &fakeModule;
    MenuBarDef menu = DefaultMenuBar();
    const MenuBarDef plain = menu;
    AddPluginMenuItems(menu, set, true);
    const struct {
        int popup, position, id;
        const char* text;
    } items[] = {{kMachiningMenu, 6, 32901, "Sim A or F8"},
                 {kMachiningMenu, 7, 32902, "Sim B or F9"},
                 {kWorkMenu, 13, 32911, "Mod"},
                 {kDefinitionMenu, 0, 32931, "Disable mvnccom.dll(&N)"}};
    for (const auto& it : items) {
        const MenuItem& item = menu[static_cast<std::size_t>(it.popup)].items[static_cast<std::size_t>(it.position)];
        EXPECT_EQ(item.id, it.id);
        EXPECT_EQ(item.text, it.text);
    }
    // The items that were there follow them.
    EXPECT_EQ(menu[kMachiningMenu].items[8].id, plain[kMachiningMenu].items[6].id);
    EXPECT_EQ(menu[kWorkMenu].items.size(), plain[kWorkMenu].items.size() + 1);
    EXPECT_STREQ(NcComToggleText(false), "mvnccom.dllの無効化(&N)");
    set.nccomEnabled = false;
    EXPECT_EQ(PluginCheckedCommands(set), std::vector<int>{32931});

    // Simulation items with an NC program, modifiers with a work, none of them
    // (nor the switch) while a run holds the work.
    Settings settings;
    const struct {
        bool nc, work, run;
        bool sim, mod, toggle;
    } rules[] = {{false, true, false, false, true, true},
                 {true, false, false, true, false, true},
                 {true, true, false, true, true, true},
                 {true, true, true, false, false, false}};
    for (const auto& r : rules) {
        DeskState desk;
        desk.ncLoaded = r.nc;
        desk.workExists = r.work;
        desk.runActive = r.run;
        EXPECT_EQ(CanChooseCommand(32903, settings, desk), r.sim) << r.nc << r.work << r.run;
        EXPECT_EQ(CanChooseCommand(32912, settings, desk), r.mod) << r.nc << r.work << r.run;
        EXPECT_EQ(CanChooseCommand(32931, settings, desk), r.toggle) << r.nc << r.work << r.run;
    }
    EXPECT_FALSE(IsCommandBuilt(32904));

    // The switch turns the module off and on, reading the tool table each time.
    test::TempDir dir;
    App app;
    test::RecordingHost host;
    app.plugins.nccom.module.handle = &fakeModule;
    app.definitions[DefinitionKind::ToolTable].path = dir.Write("t.ttl", "MAGAZINE01 FLAT 10.0,22.0\n");
    ToggleNcCom(app, host);
    EXPECT_FALSE(app.plugins.nccomEnabled);
    EXPECT_EQ(app.tools.status, 1);
    EXPECT_FLOAT_EQ(app.tools.tools.at(1).d, 10.0f);
    dir.Write("t.ttl", "MAGAZINE01 FLAT 6.0,22.0\n");
    ToggleNcCom(app, host);
    EXPECT_TRUE(app.plugins.nccomEnabled);
    EXPECT_FLOAT_EQ(app.tools.tools.at(1).d, 6.0f);
    app.plugins.nccom.module.handle = nullptr;  // not a module: nothing to release
}

TEST(SimulationCommand, CallsInOrderAndCutsOnlyTheChosenMotions) {
    Bench b;
    // The window locks its menu from before the first cut until after END.
    SimulationHooks hooks;
    hooks.started = [] { g.calls.push_back("(started)"); };
    hooks.ended = [] { g.calls.push_back("(ended)"); };
    const PluginCommandResult r = RunSimulationCommand(b.app, b.host, 0, hooks);
    EXPECT_EQ(r.end, PluginCommandEnd::Done);
    EXPECT_FALSE(r.changed);  // the module cut nothing
    EXPECT_EQ(b.app.work.workState, 1);
    const std::vector<std::string> calls = {"PARAMETER", "PATHTYPE", "GETWORK 21 1.000000 -10.000000 0.000000",
                                            "START", "GETTOOL", "GETTOOLLEN", "GETARBOR", "(started)", "CUTWORK",
                                            "GETTOOL", "GETTOOLLEN", "GETARBOR", "CUTWORK", "CUTWORK", "END",
                                            "(ended)"};
    EXPECT_EQ(g.calls, calls);
    // The lines (the tool change's block is one of no length), in the
    // work's coordinates, with their lines and feed.
    ASSERT_EQ(g.motions.size(), 3u);
    const MvMotion& m = g.motions[2];
    EXPECT_EQ(m.type, MV_LINE);
    EXPECT_EQ(m.line, 5);
    EXPECT_EQ((std::vector<double>{m.start[0], m.start[1], m.start[2], m.end[0], m.end[1], m.end[2], m.feed}),
              (std::vector<double>{5, 5, -2, 15, 5, -2, 100}));
    EXPECT_TRUE(b.host.messages.empty());

    // Arcs and rapids too when the module asks for them.
    Bench all;
    g.rapid = g.arc = 1;
    EXPECT_EQ(RunSimulationCommand(all.app, all.host, 0).end, PluginCommandEnd::Done);
    int arcs = 0, rapids = 0;
    for (const MvMotion& mo : g.motions) {
        arcs += mo.type == MV_ARC_CW;
        rapids += mo.type == MV_RAPID;
        if (mo.type == MV_ARC_CW) {
            EXPECT_EQ((std::vector<double>{mo.centre[0], mo.centre[1], mo.end[1]}),
                      (std::vector<double>{15, 10, 15}));
        }
    }
    EXPECT_EQ(arcs, 1);
    EXPECT_GE(rapids, 2);
}

TEST(SimulationCommand, NonsenseIsMendedOrStopsTheRun) {
    {  // PARAMETER 0: nothing more is called and the work is untouched.
        Bench b;
        g.parameter = 0;
        g.nonsense = true;
        EXPECT_EQ(RunSimulationCommand(b.app, b.host, 0).end, PluginCommandEnd::Cancelled);
        EXPECT_EQ(g.calls, std::vector<std::string>{"PARAMETER"});
        EXPECT_EQ(b.app.work.workState, 1);
        EXPECT_FLOAT_EQ(b.Z(kNan), 0.0f);
    }
    {  // A NaN is put back, a height below the bottom raised to it; the cut stays.
        Bench b;
        g.nonsense = true;
        const PluginCommandResult r = RunSimulationCommand(b.app, b.host, 0);
        EXPECT_EQ(r.end, PluginCommandEnd::Done);
        EXPECT_EQ(r.repair.notNumbers, 1);
        EXPECT_EQ(r.repair.belowBottom, 1);
        EXPECT_EQ((std::vector<float>{b.Z(kNan), b.Z(kLow), b.Z(kCut)}), (std::vector<float>{0.0f, -10.0f, -2.0f}));
        EXPECT_EQ(b.app.work.workState, 2);
        ASSERT_EQ(b.host.messages.size(), 1u);
        EXPECT_EQ(b.host.messages[0], HeightRepairText(r.repair));
        // The backup holds the work before the command ("C").
        EXPECT_FLOAT_EQ(b.app.work.heightOther[NodeIndex(b.app.work, kCut, kCut)], 0.0f);
    }
    {  // A negative result ends the run at that motion; END is still called.
        Bench b;
        g.stopAtCut = 1;
        const PluginCommandResult r = RunSimulationCommand(b.app, b.host, 0);
        EXPECT_EQ(r.end, PluginCommandEnd::Stopped);
        EXPECT_EQ(r.stopLine, 3);
        EXPECT_EQ(g.motions.size(), 1u);
        EXPECT_EQ(g.calls.back(), "END");
        ASSERT_EQ(b.host.messages.size(), 1u);
        EXPECT_EQ(b.host.messages[0], ModuleStoppedText(3));
    }
    {  // No work: the message, and the module is not asked.
        Bench b;
        b.app.work.workState = 0;
        EXPECT_EQ(RunSimulationCommand(b.app, b.host, 0).end, PluginCommandEnd::NoWork);
        EXPECT_TRUE(g.calls.empty());
        EXPECT_EQ(RunSimulationCommand(b.app, b.host, 1).end, PluginCommandEnd::NoModule);
    }
}

TEST(ModifierCommand, FlagZeroPutsTheWorkBackAndNonsenseIsMended) {
    const struct {
        int parameter, flag;
        bool wantsBasic;
        PluginCommandEnd end;
        std::vector<std::string> calls;
        std::vector<float> z;  // nodes kNan, kLow, kCut after the command
        int workState;
    } cases[] = {
        {0, 1, false, PluginCommandEnd::Cancelled, {"PARAMETER"}, {0, 0, 0}, 1},
        {1, 0, false, PluginCommandEnd::Cancelled, {"PARAMETER", "MODWORK"}, {0, 0, 0}, 1},
        {1, 1, false, PluginCommandEnd::Done, {"PARAMETER", "MODWORK"}, {0, -10, -2}, 2},
        {1, 1, true, PluginCommandEnd::Done, {"PARAMETER", "GETBASICMODEL", "MODWORK"}, {0, -10, -2}, 2},
    };
    for (const auto& c : cases) {
        Bench b;
        g.parameter = c.parameter;
        g.modFlag = c.flag;
        b.app.plugins.modifiers[0].wantsBasicModel = c.wantsBasic;
        const PluginCommandResult r = RunModifierCommand(b.app, b.host, 0);
        EXPECT_EQ(r.end, c.end) << c.parameter << c.flag;
        EXPECT_EQ(g.calls, c.calls);
        EXPECT_EQ((std::vector<float>{b.Z(kNan), b.Z(kLow), b.Z(kCut)}), c.z);
        EXPECT_EQ(b.app.work.attr[NodeIndex(b.app.work, kCut, kCut)], c.workState == 2 ? 1 : 0);
        EXPECT_EQ(b.app.work.workState, c.workState);
        EXPECT_EQ(b.host.messages.size(), c.workState == 2 ? 1u : 0u);
        if (c.wantsBasic) {
            EXPECT_EQ(g.basicPresent, -1);  // no basic model: null and 0
        }
    }
}

}  // namespace
}  // namespace morvex
