// Tool data handed over by modules: a reader module at its tool changes and
// the network tool data module (comments, the tool table). Sensible fields
// are taken, nonsense keeps the program's value with a note.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "integration/nccom_tools.h"
#include "sim/module_tool.h"

namespace morvex {
namespace {

const float kNaN = std::numeric_limits<float>::quiet_NaN();

// A reader module's tool entries, each writing what the current case asks.
struct ToolAnswer {
    MvTool tool{};
    int32_t lengthKind = 0;
    float lengths[6] = {};
    int32_t limitKind = 0;
    int32_t pen = 0;
    int32_t arborCount = 0;
    float arborDia0 = 0;
    int32_t seenNumber = 0;
    float seenD = 0;
};
ToolAnswer answer;

void ReaderTool(int32_t* number, int32_t* shape, float* d, float* r, float* e, float* f, float* alpha,
                float* beta, float* tipWidth, float* h, float* shift) {
    answer.seenNumber = *number;
    answer.seenD = *d;
    const MvTool& t = answer.tool;
    *shape = t.shape, *d = t.d, *r = t.r, *e = t.e, *f = t.f, *alpha = t.alpha, *beta = t.beta;
    *tipWidth = t.tipWidth, *h = t.h, *shift = t.shift;
}
void ReaderToolLen(int32_t* lengthKind, float lengths[6], int32_t* limitKind, float*, int32_t* pen) {
    *lengthKind = answer.lengthKind;
    for (int i = 0; i < 6; ++i) lengths[i] = answer.lengths[i];
    *limitKind = answer.limitKind;
    *pen = answer.pen;
}
void ReaderArbor(int32_t* defined, int32_t* kind, int32_t* count, float dia[MV_ARBOR_SEGMENTS + 1], float*,
                 int32_t*) {
    *defined = 1;
    *kind = 0;
    *count = answer.arborCount;
    dia[0] = answer.arborDia0;
}

TEST(ModuleTools, ReaderToolFieldsAreCheckedOneByOne) {
    ModuleReader module;
    module.tool = ReaderTool;
    module.toolLen = ReaderToolLen;
    module.arbor = ReaderArbor;
    ToolDef program;
    program.defined = true;
    program.shape = kShapeFlat;
    program.d = 10;
    program.h = 20;
    program.length.kind = 1;
    program.length.len[0] = 40;
    program.pen = 2;

    // Sensible values replace the program's, and the module saw the program's definition.
    answer = ToolAnswer{};
    answer.tool = MvTool{0, kShapeBall, 6, 3, 0, 3, 0, 0, 0, 12, 0.5f};
    answer.lengthKind = 1;
    answer.lengths[0] = 30;
    answer.pen = 5;
    answer.arborCount = 1;
    answer.arborDia0 = 20;
    ToolDef def = program;
    std::vector<std::string> notes;
    ApplyReaderTool(module, 4, def, notes);
    EXPECT_EQ(answer.seenNumber, 4);
    EXPECT_EQ(answer.seenD, 10.0f);
    EXPECT_EQ(def.shape, kShapeBall);
    EXPECT_EQ(def.d, 6.0f);
    EXPECT_EQ(def.r, 3.0f);
    EXPECT_EQ(def.shift, 0.5f);
    EXPECT_EQ(def.length.len[0], 30.0f);
    EXPECT_EQ(def.pen, 5);
    EXPECT_EQ(def.holder.count, 1);
    EXPECT_TRUE(notes.empty());

    // Nonsense: every field keeps the program's value, each refusal noted.
    answer = ToolAnswer{};
    answer.tool = MvTool{0, 8, kNaN, -1, -2, std::numeric_limits<float>::infinity(), 200, 90, -1, kNaN, kNaN};
    answer.lengthKind = 4;
    answer.limitKind = 3;
    answer.pen = 9;
    answer.arborCount = 11;
    def = program;
    notes.clear();
    ApplyReaderTool(module, 4, def, notes);
    EXPECT_EQ(def.shape, kShapeFlat);
    EXPECT_EQ(def.d, 10.0f);
    EXPECT_EQ(def.r, 0.0f);
    EXPECT_EQ(def.h, 20.0f);
    EXPECT_EQ(def.shift, 0.0f);
    EXPECT_EQ(def.length, program.length);
    EXPECT_EQ(def.pen, 2);
    EXPECT_EQ(def.holder, program.holder);
    EXPECT_GE(notes.size(), 12u);

    // A negative length inside a known kind, a negative holder diameter.
    answer = ToolAnswer{};
    answer.tool = MvTool{0, kShapeFlat, 10, 0, 0, 0, 0, 0, 0, 20, 0};
    answer.lengthKind = 2;
    answer.lengths[3] = -1;
    answer.arborCount = 1;
    answer.arborDia0 = -4;
    def = program;
    notes.clear();
    ApplyReaderTool(module, 4, def, notes);
    EXPECT_EQ(def.length, program.length);
    EXPECT_EQ(def.holder, program.holder);
    EXPECT_EQ(notes.size(), 2u);
}

// The network tool data module: comments name the tool they define.
void CommentTool(const char* comment, MvTool* tool, char name[MV_TEXT_SIZE], int32_t* flag) {
    const std::string text = comment;
    if (text.find("(NEW)") != std::string::npos) {
        tool->number = 3;
        tool->shape = kShapeBall;
        tool->d = 8;
        for (int i = 0; i < MV_TEXT_SIZE; ++i) name[i] = 'x';  // no terminator: cut
        *flag = 1;
    } else if (text.find("(FAR)") != std::string::npos) {
        tool->number = 5000;
        tool->d = 8;
        *flag = 1;
    } else if (text.find("(BAD)") != std::string::npos) {
        tool->d = kNaN;  // the tool in use keeps its diameter
        *flag = 1;
    }
}
void CommentArbor(const char*, int32_t* defined, int32_t* kind, int32_t* count, float dia[MV_ARBOR_SEGMENTS + 1],
                  float hgt[MV_ARBOR_SEGMENTS], int32_t*, int32_t* flag) {
    *defined = 1;
    *kind = 0;
    *count = 1;
    dia[0] = 30, dia[1] = 30, hgt[0] = 50;
    *flag = 1;
}
void TableTool(int32_t number, MvTool* tool, char name[MV_TEXT_SIZE], int32_t* flag) {
    if (number != 2) return;
    tool->d = 4;
    name[0] = 'T', name[1] = '2';
    *flag = 1;
}

TEST(ModuleTools, NetworkToolDataFromCommentsAndForTheTable) {
    ToolTable table;
    table.tools.resize(11);
    table.tools[1].defined = true;
    table.tools[1].shape = kShapeFlat;
    table.tools[1].d = 10;
    NcComEntries e;
    e.tool = CommentTool;
    e.arbor = CommentArbor;
    std::vector<std::string> notes;

    EXPECT_EQ(ApplyNcComComment(e, "G1 X1 (NEW)\n", 1, table, notes), 3);
    EXPECT_TRUE(table.tools[3].defined);
    EXPECT_EQ(table.tools[3].shape, kShapeBall);
    EXPECT_EQ(table.tools[3].name, std::string(MV_TEXT_SIZE - 1, 'x'));
    EXPECT_EQ(table.tools[3].holder.count, 1);       // the holder goes to the tool defined
    EXPECT_EQ(table.tools[1].holder.defined, false);
    EXPECT_EQ(notes.size(), 1u);

    notes.clear();
    EXPECT_EQ(ApplyNcComComment(e, "(FAR)", 1, table, notes), -1);
    EXPECT_EQ(notes.size(), 1u);
    notes.clear();
    EXPECT_EQ(ApplyNcComComment(e, "(BAD)", 1, table, notes), 1);
    EXPECT_EQ(table.tools[1].d, 10.0f);
    EXPECT_EQ(notes.size(), 1u);

    // The table's F variants, only while the module is there and switched on.
    PluginSet set;
    int handle = 0;
    set.nccom.module.handle = &handle;
    set.nccom.entry.toolF = TableTool;
    set.nccomEnabled = false;
    ApplyNcComToTable(set, table, notes);
    EXPECT_FALSE(table.tools[2].defined);
    set.nccomEnabled = true;
    ApplyNcComToTable(set, table, notes);
    EXPECT_TRUE(table.tools[2].defined);
    EXPECT_EQ(table.tools[2].d, 4.0f);
    EXPECT_EQ(table.tools[2].name, std::string("T2"));
    EXPECT_EQ(table.tools[1].d, 10.0f);
    set.nccom.module.handle = nullptr;  // nothing to release
}

}  // namespace
}  // namespace morvex
