// Work loaders and savers with modules that misbehave: the entries of a
// hand-made module point at the functions below, which hand back whatever
// the test case asks for (counts out of range, a pitch or origin that is not
// a number, heights that are not numbers, a save that fails).
#include "integration/work_plugins.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <limits>

#include "base/messages.h"
#include "frame/plugin_work_forms.h"
#include "frame/work_commands.h"
#include "support/language.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"
#include "workio/model_heights.h"

namespace morvex {
namespace {

using test::TempDir;
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr float kInf = std::numeric_limits<float>::infinity();

// What the fake loader reports.
struct FakeLoader {
    int32_t parameterFlag = 1;
    double origin[3] = {10.0, 20.0, -10.0};
    int32_t nx = 3, ny = 2;
    double pitch = 5.0;
    int32_t sizeFlag = 1;
    std::vector<float> heights = {0.0f, 1.0f, 2.0f, 3.0f, 4.0f, 5.0f};
    int32_t loadFlag = 1;
    float prefill = 0.0f;  // what the buffer held when the module got it
};
FakeLoader g_load;

void LoadParameter(const char*, int32_t* flag) { *flag = g_load.parameterFlag; }
void LoadStart(double origin[3]) {
    for (int i = 0; i < 3; ++i) origin[i] = g_load.origin[i];
}
void LoadSize(int32_t* nx, int32_t* ny, double* pitch, int32_t* flag) {
    *nx = g_load.nx;
    *ny = g_load.ny;
    *pitch = g_load.pitch;
    *flag = g_load.sizeFlag;
}
void LoadWork(float* height, int32_t* flag) {
    g_load.prefill = height[0];
    const std::size_t n = static_cast<std::size_t>(g_load.nx) * static_cast<std::size_t>(g_load.ny);
    for (std::size_t i = 0; i < n && i < g_load.heights.size(); ++i) height[i] = g_load.heights[i];
    *flag = g_load.loadFlag;
}

LoaderModule FakeLoaderModule() {
    LoaderModule m;
    m.module.name = "mvload";
    m.suffix = ".GRD";
    m.kind = "Grid";
    m.entry.parameter = LoadParameter;
    m.entry.startPoint = LoadStart;
    m.entry.getWorkSize = LoadSize;
    m.entry.loadWork = LoadWork;
    return m;
}

// A 4 x 4 work of height 7 to check that a refused load leaves it alone.
WorkModel OldWork() {
    WorkModel w;
    w.pitch = 1.0;
    EXPECT_TRUE(AllocateWork(w, 4, 4, kDataLevelFull, true));
    std::fill_n(w.height, w.cellCount, 7.0f);
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0});
    w.zMax = 7.0;
    w.xMax = w.yMax = 3.0;
    w.workState = 1;
    return w;
}

TEST(WorkLoaderModule, NonsenseIsRefusedWithItsValueAndTheWorkStays) {
    const struct {
        const char* what;
        void (*spoil)(FakeLoader&);
        const char* said;  // part of the message
    } cases[] = {
        {"cannot open", [](FakeLoader& f) { f.parameterFlag = 0; }, "cannot be opened"},
        {"no size", [](FakeLoader& f) { f.sizeFlag = 0; }, "no size"},
        {"negative count", [](FakeLoader& f) { f.nx = -5; }, "-5 x 2"},
        {"one row", [](FakeLoader& f) { f.ny = 1; }, "3 x 1"},
        {"zero counts", [](FakeLoader& f) { f.nx = f.ny = 0; }, "0 x 0"},
        {"huge counts", [](FakeLoader& f) { f.nx = f.ny = 100000; }, "too many nodes for a work: 100000 x 100000"},
        {"NaN pitch", [](FakeLoader& f) { f.pitch = kNaN; }, "pitch of the work is not usable: nan"},
        {"zero pitch", [](FakeLoader& f) { f.pitch = 0.0; }, "not usable: 0"},
        {"negative pitch", [](FakeLoader& f) { f.pitch = -1.0; }, "not usable: -1"},
        {"endless extent", [](FakeLoader& f) { f.pitch = 1e308; }, "not usable: 1e+308"},
        {"NaN origin", [](FakeLoader& f) { f.origin[1] = kNaN; }, "origin of the work is not a number: (10, nan, -10)"},
        {"read fails", [](FakeLoader& f) { f.loadFlag = 0; }, "could not be read"},
    };
    const test::LanguageScope english(true);
    const LoaderModule loader = FakeLoaderModule();
    for (const auto& c : cases) {
        g_load = FakeLoader{};
        c.spoil(g_load);
        WorkModel work = OldWork();
        const PluginWorkResult r = LoadWorkWithPlugin(loader, "/d/part.grd", work, kDataLevelFull);
        EXPECT_FALSE(r.ok) << c.what;
        EXPECT_NE(r.message.find(c.said), std::string::npos) << c.what << ": " << r.message;
        if (std::string_view(c.what) != "cannot open") {
            EXPECT_EQ(r.message.rfind("mvload", 0), 0u) << r.message;
        }
        EXPECT_EQ(std::tuple(work.nx, work.ny, work.height[15], work.workState), std::tuple(4, 4, 7.0f, 1)) << c.what;
    }
    // A grid the memory cannot hold is refused before anything is allocated.
    g_load = FakeLoader{};
    WorkModel work = OldWork();
    const PluginWorkResult r = LoadWorkWithPlugin(loader, "/d/part.grd", work, kDataLevelFull, 1000);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Memory over"), std::string::npos) << r.message;
    EXPECT_EQ(work.nx, 4);
}

TEST(WorkLoaderModule, HeightsThatAreNotNumbersOrBelowTheBottomBecomeTheBottom) {
    const test::LanguageScope english(true);
    g_load = FakeLoader{};
    g_load.heights = {0.0f, std::nanf(""), -20.0f, 1.0f, kInf, 2.0f};
    WorkModel work = OldWork();
    const PluginWorkResult r = LoadWorkWithPlugin(FakeLoaderModule(), "/d/part.grd", work, kDataLevelLineNumbers);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(g_load.prefill, -10.0f);  // the buffer came filled with the bottom
    EXPECT_EQ(std::vector<float>(work.height, work.height + 6),
              (std::vector<float>{0.0f, -10.0f, -10.0f, 1.0f, -10.0f, 2.0f}));
    ASSERT_EQ(r.notes.size(), 1u);
    EXPECT_EQ(r.notes[0].rfind("mvload: 3 heights", 0), 0u) << r.notes[0];
    EXPECT_EQ(std::tuple(work.nx, work.ny, work.pitch, work.xMin, work.yMin, work.zMin, work.xMax, work.yMax, work.zMax,
                         work.workState, work.dataLevel),
              std::tuple(3, 2, 5.0, 10.0, 20.0, -10.0, 20.0, 25.0, 2.0, 2, kDataLevelLineNumbers));
    EXPECT_EQ(std::tuple(work.attr[4], work.lineNo[5]), std::tuple(std::uint8_t{0}, 0));
}

TEST(WorkLoaderModule, ModelHeightsOnTheSameGridDirectlyOtherwiseResampled) {
    const test::LanguageScope english(true);
    // The work: 3 x 2 nodes of 5 mm from (10, 20).
    g_load = FakeLoader{};
    WorkModel work;
    ASSERT_TRUE(LoadWorkWithPlugin(FakeLoaderModule(), "w.grd", work, kDataLevelFull).ok);

    // The same grid: the module's heights as they are, NaN clamped.
    g_load.heights = {9.0f, 8.0f, 7.0f, 6.0f, std::nanf(""), 4.0f};
    std::vector<float> model;
    PluginWorkResult r = PluginModelHeights(FakeLoaderModule(), "m.grd", work, model);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(model, (std::vector<float>{9.0f, 8.0f, 7.0f, 6.0f, -10.0f, 4.0f}));

    // A finer grid z = x over X 10..15 only: resampled exactly on the plane,
    // the nodes at X 20 lie outside it.
    g_load.nx = 3;
    g_load.ny = 3;
    g_load.pitch = 2.5;
    g_load.origin[2] = 0.0;
    g_load.heights = {10.0f, 12.5f, 15.0f, 10.0f, 12.5f, 15.0f, 10.0f, 12.5f, 15.0f};
    g_load.origin[1] = 20.0;
    r = PluginModelHeights(FakeLoaderModule(), "m.grd", work, model);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(model, (std::vector<float>{10.0f, 15.0f, kBasicModelStart, 10.0f, 15.0f, kBasicModelStart}));

    // By file name: a module's ending goes to the module, a refusal keeps the target.
    PluginSet set;
    set.loaders.push_back(FakeLoaderModule());
    g_load.pitch = kNaN;
    std::vector<float> kept = {1.0f};
    const auto failed = ModelHeightsOf(set, "/d/model.GRD", work, -10.0f, kept);
    ASSERT_TRUE(failed.has_value());
    EXPECT_NE(failed->find("pitch"), std::string::npos) << *failed;
    EXPECT_EQ(kept, std::vector<float>{1.0f});
}

// What the fake saver does.
struct FakeSaver {
    int32_t parameterFlag = 1;
    int32_t saveFlag = 1;
    bool write = true;      // writes its file (the name it was given)
    std::string given;      // the name it was given
    int32_t basicPresent = -1;
    int32_t level = 0;
    int saves = 0;
};
FakeSaver g_save;

void SaveParameter(const char*, int32_t* flag) { *flag = g_save.parameterFlag; }
void SaveBasic(const float*, const int32_t* present) { g_save.basicPresent = *present; }
void SaveLevel(const int32_t* level) { g_save.level = *level; }
void SaveWorkEntry(const char* file, const MvWork* work, int32_t* flag) {
    ++g_save.saves;
    g_save.given = file;
    if (g_save.write) {
        if (std::FILE* f = std::fopen(file, "w")) {
            std::fprintf(f, "%d %d %g\n", work->nx, work->ny, static_cast<double>(work->height[0]));
            std::fclose(f);
        }
    }
    *flag = g_save.saveFlag;
}

SaverModule FakeSaverModule() {
    SaverModule m;
    m.module.name = "mvsave";
    m.suffix = ".XYZ";
    m.kind = "Points";
    m.entry.parameter = SaveParameter;
    m.entry.getBasicModel = SaveBasic;
    m.entry.getSaveLevel = SaveLevel;
    m.entry.saveWork = SaveWorkEntry;
    return m;
}

TEST(WorkSaverModule, OnlyAReportedWriteReachesTheFinalNameAndAFailureKeepsTheOldFile) {
    TempDir dir;
    const WorkModel work = OldWork();
    const std::string out = dir.Write("out.xyz", "old\n");
    const float basic[16] = {};
    const struct {
        const char* what;
        int32_t parameterFlag, saveFlag;
        bool write;
        bool ok, cancelled;
        const char* content;
    } cases[] = {
        {"declines at the parameter step", 0, 1, true, false, true, "old\n"},
        {"reports a failure after writing half", 1, 0, true, false, false, "old\n"},
        {"reports success without a file", 1, 1, false, false, false, "old\n"},
        {"an unknown flag", 1, 7, true, false, false, "old\n"},
        {"writes", 1, 1, true, true, false, "4 4 7\n"},
    };
    const test::LanguageScope english(true);
    for (const auto& c : cases) {
        g_save = FakeSaver{};
        g_save.parameterFlag = c.parameterFlag;
        g_save.saveFlag = c.saveFlag;
        g_save.write = c.write;
        const PluginWorkResult r = SaveWorkWithPlugin(FakeSaverModule(), out, work, basic, 3);
        EXPECT_EQ(std::tuple(r.ok, r.cancelled), std::tuple(c.ok, c.cancelled)) << c.what;
        EXPECT_EQ(TempDir::Read(out), c.content) << c.what;
        if (!r.ok && !r.cancelled) {
            EXPECT_NE(r.message.find("out.xyz (mvsave)"), std::string::npos) << r.message;
        }
        // Never the final name, always beside it, never left behind.
        if (g_save.saves > 0) {
            EXPECT_NE(g_save.given, out);
            EXPECT_EQ(std::filesystem::path(g_save.given).parent_path(), std::filesystem::path(out).parent_path());
            EXPECT_FALSE(std::filesystem::exists(g_save.given)) << c.what;
        }
    }
    EXPECT_EQ(std::tuple(g_save.basicPresent, g_save.level), std::tuple(1, 3));
    g_save = FakeSaver{};
    ASSERT_TRUE(SaveWorkWithPlugin(FakeSaverModule(), out, work, nullptr, 9).ok);
    EXPECT_EQ(std::tuple(g_save.basicPresent, g_save.level), std::tuple(0, 4));
}

TEST(WorkModuleForms, DialogsOutputFormatsAndTheProgramsLoadAndSave) {
    PluginSet set;
    set.loaders.push_back(FakeLoaderModule());
    set.savers.push_back(FakeSaverModule());
    set.savers.push_back(FakeSaverModule());
    set.savers[1].suffix = ".pts";
    set.savers[1].kind.clear();
    set.savers[1].module.name = "mvsave2";

    const WorkSaveFormList list = WorkSaveFormsWith(set);
    ASSERT_EQ(list.forms.size(), 8u);
    EXPECT_EQ(FilterText(list.forms[6], true), "Points(*.xyz *.XYZ)");
    EXPECT_EQ(FilterText(list.forms[7], false), "mvsave2(*.pts *.PTS)");
    EXPECT_EQ(std::string(list.forms[7].tail), ",8");
    EXPECT_EQ(WorkOpenFilter(set), "DMF (*.dmf *.DMF);;STL (*.stl *.STL *.dme *.DME);;Grid (*.grd *.GRD)");

    std::string chosen = "/d/out.xyz,8";
    EXPECT_EQ(SaverFormatOfTail(set, chosen), OutputFormat::Plugin2);
    EXPECT_EQ(chosen, "/d/out.xyz");
    chosen = "/d/out.xyz,9";  // no third saver
    EXPECT_EQ(SaverFormatOfTail(set, chosen), OutputFormat::None);
    EXPECT_EQ(chosen, "/d/out.xyz,9");
    EXPECT_TRUE(OutputFormatWritable(set, OutputFormat::Plugin2));
    EXPECT_FALSE(OutputFormatWritable(set, OutputFormat::Plugin3));
    // A first saver that declined at start-up closed up the slots: /O keeps
    // the module of its ending.
    LaunchOptions launch;
    launch.outputWork = "/d/out.PTS";
    launch.outputFormat = OutputFormat::Plugin3;
    SettleModuleOutputFormat(launch, set);
    EXPECT_EQ(launch.outputFormat, OutputFormat::Plugin2);
    launch.outputWork = "/d/out.abc";
    SettleModuleOutputFormat(launch, set);
    EXPECT_EQ(launch.outputFormat, OutputFormat::None);
    EXPECT_NE(PluginHelp(set).find("/O format 8: .pts, written by the save module mvsave2"), std::string::npos);

    // The program's own load and save commands with the modules.
    TempDir dir;
    App app;
    app.plugins = set;
    test::RecordingHost host;
    g_load = FakeLoader{};
    ASSERT_TRUE(LoadWorkFile(app, host, dir.Path("part.grd")));
    EXPECT_EQ(std::tuple(app.work.nx, app.work.ny, app.work.height[5]), std::tuple(3, 2, 5.0f));
    g_load.ny = -1;
    EXPECT_FALSE(LoadWorkFile(app, host, dir.Path("part.grd")));
    ASSERT_FALSE(host.messages.empty());
    EXPECT_NE(host.messages.back().find("-1"), std::string::npos);
    EXPECT_EQ(app.work.ny, 2);

    g_save = FakeSaver{};
    EXPECT_TRUE(SaveWorkFile(app, host, dir.Path("w.XYZ")));  // by the ending: the first saver
    EXPECT_EQ(TempDir::Read(dir.Path("w.XYZ")), "3 2 0\n");
    g_save.saveFlag = 0;
    EXPECT_EQ(SaveWork(app, dir.Path("n.pts"), OutputFormat::Plugin2), kFileWriteFailed);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("n.pts")));
    EXPECT_EQ(SaveWork(app, dir.Path("n.pts"), OutputFormat::Plugin3), kFileWriteFailed);
}

}  // namespace
}  // namespace morvex
