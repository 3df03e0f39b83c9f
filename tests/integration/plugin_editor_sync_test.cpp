// The editor and sync modules as the program calls them: entry pointers of a
// hand-made module point at the recording functions below.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "integration/editor_control.h"
#include "integration/editor_module.h"
#include "integration/sync_module.h"
#include "support/recording_host.h"

namespace morvex {
namespace {

using Words = std::vector<std::string>;

Words calls;
int findAnswersLeft = 0;  // FINDWINDOW answers 0 this many times first

void Find(const char* file, int64_t* window) {
    calls.push_back(std::string("FIND ") + file);
    *window = findAnswersLeft-- > 0 ? 0 : 7;
}
void Top() { calls.push_back("TOP"); }
void Down(int32_t line) { calls.push_back("DOWN " + std::to_string(line)); }
void Down2(const char* file, int32_t line) { calls.push_back(std::string("DOWN2 ") + file + " " + std::to_string(line)); }
void Jump(int32_t line) { calls.push_back("JUMP " + std::to_string(line)); }
void Jump2(const char* file, int32_t line) { calls.push_back(std::string("JUMP2 ") + file + " " + std::to_string(line)); }
void Exit() { calls.push_back("EXIT"); }

EditorEntries FullEditor() {
    EditorEntries e;
    e.findWindow = Find;
    e.top = Top;
    e.down = Down;
    e.down2 = Down2;
    e.jump = Jump;
    e.jump2 = Jump2;
    e.exit = Exit;
    return e;
}

TEST(EditorModule, OpenFindTopFollowJumpExit) {
    test::RecordingHost host;
    const EditorEntries entries = FullEditor();
    EditorSetup setup;
    setup.program = "xed";
    setup.plugin = &entries;
    setup.findStepMs = 0;
    EditorLink link;
    calls.clear();
    findAnswersLeft = 2;  // the window shows on the third look
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 1, 0));
    EXPECT_EQ(link.kind, EditorKind::PlugIn);
    ASSERT_EQ(host.started.size(), 1u);
    EXPECT_EQ(host.started[0], (Words{"xed", "/w/a.nc"}));
    EXPECT_EQ(calls, (Words{"FIND /w/a.nc", "FIND /w/a.nc", "FIND /w/a.nc"}));
    // A run starts: the top at once; it reads 1000 lines in 50 ms: the
    // latest line 100 ms after the top.
    calls.clear();
    FollowRunStart(link, 0);
    for (int line = 2; line <= 1000; ++line) FollowLine(link, host, line, line / 20);
    EXPECT_EQ(calls, (Words{"TOP"}));
    EXPECT_EQ(EditorFollowDueMs(link), 100);
    PumpFollow(link, host, 99);
    PumpFollow(link, host, 100);
    EXPECT_EQ(calls, (Words{"TOP", "DOWN2 /w/a.nc 1000"}));
    // Opened again on the shown file: a jump, nothing started.
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 40, 300));
    EXPECT_EQ(host.started.size(), 1u);
    EXPECT_EQ(calls.back(), "JUMP2 /w/a.nc 40");
    CloseEditor(link, host);
    EXPECT_EQ(calls.back(), "EXIT");
    EXPECT_FALSE(link.open);
    EXPECT_TRUE(host.started.size() == 1u) << "closing starts nothing";

    // Without the file-taking entries and the top: DOWN and JUMP; an empty
    // program starts nothing.
    EditorEntries plain = FullEditor();
    plain.down2 = nullptr;
    plain.jump2 = nullptr;
    plain.top = nullptr;
    setup.plugin = &plain;
    setup.program.clear();
    calls.clear();
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/b.nc", 1, 1000));
    EXPECT_EQ(host.started.size(), 1u);
    FollowLine(link, host, 1, 1000);  // line 1 read: the top, or line 1 without it
    FollowLine(link, host, 5, 1200);
    JumpToLine(link, host, 9, 1300);
    EXPECT_EQ(calls, (Words{"FIND /w/b.nc", "DOWN 1", "DOWN 5", "JUMP 9"}));

    // A window never found: looked for a bounded number of times, no caret
    // call, but the module still closes its editor.
    setup.findTries = 4;
    findAnswersLeft = 1000;
    calls.clear();
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/c.nc", 1, 2000));
    FollowRunStart(link, 2000);
    FollowLine(link, host, 3, 2000);
    JumpToLine(link, host, 3, 2000);
    CloseEditor(link, host);
    EXPECT_EQ(calls, (Words{"FIND /w/c.nc", "FIND /w/c.nc", "FIND /w/c.nc", "FIND /w/c.nc", "EXIT"}));
    // An editor that cannot be started is not looked for.
    setup.program = "xed";
    host.programsStart = false;
    calls.clear();
    EXPECT_FALSE(OpenEditor(link, host, setup, "/w/d.nc", 1, 3000));
    CloseEditor(link, host);
    EXPECT_TRUE(calls.empty());
}

// EXEC texts: the module's answer, cut at the buffer's end when it has none.
void EndlessProgram(char program[MV_EXEC_SIZE]) { std::memset(program, 'p', MV_EXEC_SIZE); }
void NamesVim(char program[MV_EXEC_SIZE]) { std::strcpy(program, "vim"); }
void LeavesIt(char option[MV_EXEC_SIZE]) { (void)option; }
void AddsLine(char option[MV_EXEC_SIZE]) { std::strcat(option, " +%2"); }

TEST(EditorModule, ExecTextsReplacedCutOrKept) {
    std::vector<std::string> notes;
    EditorEntries e;
    std::string program = "gedit", option = "%1";
    TakeEditorModuleTexts(e, program, option, notes);  // no entries: unchanged
    EXPECT_EQ(program, "gedit");
    EXPECT_EQ(option, "%1");
    e.execProgram = NamesVim;
    e.execOption = AddsLine;
    TakeEditorModuleTexts(e, program, option, notes);
    EXPECT_EQ(program, "vim");
    EXPECT_EQ(option, "%1 +%2");
    EXPECT_TRUE(notes.empty());
    // No end within 256 bytes: 255 taken, noted.
    e.execProgram = EndlessProgram;
    TakeEditorModuleTexts(e, program, option, notes);
    EXPECT_EQ(program, std::string(MV_EXEC_SIZE - 1, 'p'));
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("editor program"), std::string::npos);
    // A setting longer than the buffer that the module leaves alone stays whole.
    e.execOption = LeavesIt;
    option = std::string(300, 'o');
    TakeEditorModuleTexts(e, program, option, notes);
    EXPECT_EQ(option, std::string(300, 'o'));
}

// Sync: names and offsets as a module may hand them.
std::string nameGiven;
bool nameEndless = false;
int32_t nameFlag = 1;
void GetName(const char* program, char name[MV_TEXT_SIZE], int32_t* flag) {
    calls.push_back(std::string("GETNAME ") + program);
    if (nameEndless) {
        std::memset(name, 'N', MV_TEXT_SIZE);
    } else {
        std::strncpy(name, nameGiven.c_str(), MV_TEXT_SIZE - 1);
    }
    *flag = nameFlag;
}

TEST(SyncModule, MappingNamesUsedOnlyWhenUsable) {
    SyncEntries e;
    e.getName = GetName;
    struct Case {
        std::string given;
        bool endless;
        int32_t flag;
        std::string expected;
        bool noted;
    };
    const Case cases[] = {
        {"LINE2", false, 1, "LINE2", false},
        {"LINE2", false, 0, "MORVEXSYNC", false},  // the module gives none
        {"", false, 1, "MORVEXSYNC", true},
        {"a/b", false, 1, "MORVEXSYNC", true},
        {"tab\there", false, 1, "MORVEXSYNC", true},
        {"\xc3\xa9t\xc3\xa9", false, 1, "MORVEXSYNC", true},
        {"", true, 1, "MORVEXSYNC", true},
    };
    for (const Case& c : cases) {
        nameGiven = c.given;
        nameEndless = c.endless;
        nameFlag = c.flag;
        calls.clear();
        std::vector<std::string> notes;
        EXPECT_EQ(SyncModuleMappingName(e, "/opt/morvex/morvex", "MORVEXSYNC", notes), c.expected) << c.given;
        EXPECT_EQ(notes.size(), c.noted ? 1u : 0u) << c.given;
        EXPECT_EQ(calls, (Words{"GETNAME /opt/morvex/morvex"}));
    }
    std::vector<std::string> notes;
    EXPECT_EQ(SyncModuleMappingName(SyncEntries{}, "p", "MORVEXSYNC", notes), "MORVEXSYNC");
}

int32_t getCount = 1;
int32_t getFlag = 1;
double getValue = 5.0;
int32_t countSeen = 0;
double g55Seen = 0.0;
void Get(int32_t* state, int32_t* line, double point[3], double offsets[MV_SYNC_OFFSETS * 3], int32_t* count,
         int32_t* flag) {
    (void)state, (void)line, (void)point;
    countSeen = *count;
    g55Seen = offsets[3];
    offsets[0] = getValue;
    offsets[4] = getValue;  // G55 Y
    *count = getCount;
    *flag = getFlag;
}

TEST(SyncModule, OffsetsCheckedBeforeUse) {
    SyncEntries e;
    e.get = Get;
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        int32_t count, flag;
        double value;
        bool used;
        bool noted;
    };
    const Case cases[] = {
        {1, 1, 5.0, true, false},   {2, 1, -5.0, true, false}, {6, 1, 5.0, true, false},
        {1, 0, 5.0, false, false},  // the module supplies none
        {0, 1, 5.0, false, true},   {7, 1, 5.0, false, true},  {-3, 1, 5.0, false, true},
        {1, 1, nan, false, true},   {2, 1, inf, false, true},
        {1, 1, inf, false, true},
    };
    for (const Case& c : cases) {
        getCount = c.count;
        getFlag = c.flag;
        getValue = c.value;
        SyncOffsets offsets;
        offsets.count = MV_SYNC_OFFSETS;
        offsets.xyz.fill(1.5);
        std::vector<std::string> notes;
        SCOPED_TRACE(testing::Message() << "count " << c.count << " value " << c.value);
        EXPECT_EQ(SyncModuleOffsets(e, offsets, notes), c.used);
        EXPECT_EQ(notes.size(), c.noted ? 1u : 0u);
        EXPECT_EQ(countSeen, MV_SYNC_OFFSETS);  // the controller's table comes in
        EXPECT_EQ(g55Seen, 1.5);
        if (c.used) {
            EXPECT_EQ(offsets.count, c.count);
            EXPECT_EQ(offsets.xyz[0], c.value);
        } else {
            EXPECT_EQ(offsets.count, MV_SYNC_OFFSETS);
            EXPECT_EQ(offsets.xyz[0], 1.5);
        }
    }
}

}  // namespace
}  // namespace morvex
