// Editor control: recognition and arguments of every editor kind, the jump
// macro, the follow throttle, and opening, following and closing through a
// recording host.
#include "integration/editor_control.h"

#include <gtest/gtest.h>

#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using Words = std::vector<std::string>;

TEST(EditorKinds, RecognitionOpenAndFollowCommandsOfEveryKind) {
    struct Case {
        const char* program;
        EditorKind kind;
        Words open;    // program and arguments for /w/a b.nc at line 7 with the plain "%1"
        Words follow;  // the command that moves it to line 12 (empty: none)
    };
    const std::string f = "/w/a b.nc";
    const Case cases[] = {
        {"notepad", EditorKind::Other, {"notepad", f}, {}},
        {"C:\\Tools\\Hidemaru.EXE",
         EditorKind::Hidemaru,
         {"C:\\Tools\\Hidemaru.EXE", "/j7", f},
         {}},
        {"/opt/maruo", EditorKind::Hidemaru, {"/opt/maruo", "/j7", f}, {}},
        {"TeraPad.exe", EditorKind::TeraPad, {"TeraPad.exe", "/j=7", f}, {}},
        {"k2editor", EditorKind::K2Editor, {"k2editor", "/j7", f}, {}},
        {"MIW.exe", EditorKind::Other, {"MIW.exe", f}, {}},
        {"maruo.ex",
         EditorKind::Other,
         {"maruo.ex", f},
         {}},  // a three-character ending is no extension
        {"gvim",
         EditorKind::Vim,
         {"gvim", "--servername", "S", "+7", f},
         {"gvim", "--servername", "S", "--remote-send", "<C-\\><C-N>:12<CR>"}},
        {"/usr/bin/vim",
         EditorKind::Vim,
         {"/usr/bin/vim", "--servername", "S", "+7", f},
         {"/usr/bin/vim", "--servername", "S", "--remote-send", "<C-\\><C-N>:12<CR>"}},
        {"nvim",
         EditorKind::Neovim,
         {"nvim", "--listen", "S", "+7", f},
         {"nvim", "--server", "S", "--remote-send", "<C-\\><C-N>:12<CR>"}},
        {"emacsclient",
         EditorKind::Emacs,
         {"emacsclient", "-c", "-n", "-a", "", "+7", f},
         {"emacsclient", "-n", "+12", f}},
        {"/usr/bin/emacs",
         EditorKind::Emacs,
         {"/usr/bin/emacs", "--eval",
          "(progn (require 'server) (unless (server-running-p) (server-start)))", "+7", f},
         {"/usr/bin/emacsclient", "-n", "+12", f}},
        {"code", EditorKind::VsCode, {"code", "--goto", f + ":7"}, {"code", "--goto", f + ":12"}},
        {"kate", EditorKind::Kate, {"kate", "-u", "-l", "7", f}, {"kate", "-u", "-l", "12", f}},
        {"geany", EditorKind::Geany, {"geany", "--line", "7", f}, {"geany", "--line", "12", f}},
        {"/usr/bin/gedit",
         EditorKind::Gedit,
         {"/usr/bin/gedit", "+7", f},
         {"/usr/bin/gedit", "+12", f}},
        {"xvim", EditorKind::Other, {"xvim", f}, {}},  // Linux editors go by their whole name
    };
    test::TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.program);
        EXPECT_EQ(EditorKindOf(c.program), c.kind);
        test::RecordingHost host;
        EditorLink link;
        EditorSetup setup;
        setup.program = c.program;
        setup.macroName = dir.Path("J.MAC");  // Hidemaru's macro goes here, not next to the program
        setup.server = "S";
        ASSERT_TRUE(OpenEditor(link, host, setup, f, 7, 0));
        ASSERT_EQ(host.started.size(), 1u);
        EXPECT_EQ(host.started[0], c.open);
        FollowLine(link, host, 12, 1000);
        if (c.follow.empty()) {
            EXPECT_EQ(host.started.size(), 1u);
        } else {
            ASSERT_EQ(host.started.size(), 2u);
            EXPECT_EQ(host.started[1], c.follow);
        }
    }
}

TEST(EditorKinds, TemplatesQuotingAndWindowTitles) {
    struct Case {
        const char* templ;
        const char* file;
        int line;
        bool quoteToEnd;
        const char* text;
    };
    const Case cases[] = {
        {"%1", "C:\\My NC\\a.nc", 1, false, "\"C:\\My NC\\a.nc\""},
        {"%1", "C:\\NC\\a.nc", 1, false, "C:\\NC\\a.nc"},
        {"%1 /j%2", "C:\\My NC\\a.nc", 5, true,
         "\"C:\\My NC\\a.nc /j5\""},  // MIW: the quote closes at the end
        {"/j%2 %1", "a.nc", -7, false, "/j7 a.nc"},
        {"/j%2 %1", "a.nc", 0, false, "/j1 a.nc"},
        {"%3 100% %", "a.nc", 2, false, "%3 100% %"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EditorArgumentText(c.templ, c.file, c.line, c.quoteToEnd), c.text) << c.templ;
    }
    // A template of another length than two is the user's own.
    EXPECT_EQ(EditorTemplate(EditorKind::TeraPad, "%1"), "/j=%2 %1");
    EXPECT_EQ(EditorTemplate(EditorKind::TeraPad, "-n %1"), "-n %1");
    EXPECT_EQ(EditorTemplate(EditorKind::Other, "%1"), "%1");

    const std::string f = "C:\\NC\\a.nc";
    EXPECT_EQ(EditorWindowTitles(EditorKind::Hidemaru, "maruo.exe", f),
              (Words{f + " - Maruo", "Maruo"}));
    EXPECT_EQ(EditorWindowTitles(EditorKind::Hidemaru, "hidemaru", f),
              (Words{f + " - 秀丸", "秀丸エディタ"}));
    EXPECT_EQ(EditorWindowTitles(EditorKind::TeraPad, "terapad", f),
              (Words{"a.nc - TeraPad", "a.nc * - TeraPad"}));
    EXPECT_EQ(
        EditorWindowTitles(EditorKind::K2Editor, "k2editor", f),
        (Words{"[a.nc] - K2Editor", f + " - K2Editor", "a.nc - K2Editor", "[変更][a.nc] - K2Editor",
               "[変更]" + f + " - K2Editor", "[変更]a.nc - K2Editor"}));
    EXPECT_TRUE(EditorWindowTitles(EditorKind::Gedit, "gedit", f).empty());

    // The messages: follow, jump and close per kind (message, registered name, wParam, lParam).
    auto text = [](const std::vector<WindowMessage>& ms) {
        std::string s;
        for (const WindowMessage& m : ms) {
            s += std::to_string(m.message) + m.registered + "," + std::to_string(m.wParam) + "," +
                 std::to_string(m.lParam) + ";";
        }
        return s;
    };
    EXPECT_EQ(text(FollowMessages(EditorKind::Hidemaru, 1)), "273,23,0;");
    EXPECT_EQ(text(FollowMessages(EditorKind::Hidemaru, 9)), "273,15,0;257,40,0;");
    EXPECT_EQ(text(FollowMessages(EditorKind::TeraPad, 1)), "1124,1,0;");
    EXPECT_EQ(text(FollowMessages(EditorKind::TeraPad, 9)), "1124,9,0;");
    EXPECT_EQ(text(FollowMessages(EditorKind::K2Editor, 9)), "0K2EDITOR LINEJUMP,1,9;");
    EXPECT_EQ(text(JumpMessages(EditorKind::Hidemaru, 9, 209)), "273,209,0;");
    EXPECT_EQ(text(JumpMessages(EditorKind::TeraPad, 9, 283)), "1124,9,0;");
    EXPECT_EQ(text(JumpMessages(EditorKind::K2Editor, 9, 283)), "0K2EDITOR LINEJUMP,1,9;");
    EXPECT_EQ(text(CloseMessages(EditorKind::Hidemaru)), "273,10,0;");
    EXPECT_EQ(text(CloseMessages(EditorKind::TeraPad)), "273,42,0;");
    EXPECT_EQ(text(CloseMessages(EditorKind::K2Editor)), "273,17,0;");
    EXPECT_EQ(text(CloseMessages(EditorKind::Gedit)), "");
}

TEST(EditorKinds, JumpMacroNumberPathAndText) {
    const std::pair<int, int> ids[] = {{-1, 283}, {0, 145},  {15, 160}, {16, 205}, {20, 209},
                                       {30, 219}, {31, 234}, {80, 283}, {81, 283}, {-2, 283}};
    for (const auto& [n, id] : ids)
        EXPECT_EQ(MacroCommandId(n), id) << n;

    EXPECT_EQ(JumpMacroPath("C:\\Tools\\hidemaru.exe", "MORVEXJUMP.MAC"),
              "C:\\Tools\\MORVEXJUMP.MAC");
    EXPECT_EQ(JumpMacroPath("/opt/ed/Maruo", "J.MAC"), "/opt/ed/J.MAC");
    EXPECT_EQ(JumpMacroPath("hidemaru", "J.MAC"), "J.MAC");
    EXPECT_EQ(JumpMacroPath("C:\\Tools\\hidemaru.exe", "D:\\M\\J.MAC"), "D:\\M\\J.MAC");
    EXPECT_EQ(JumpMacroPath("notepad", "J.MAC"), "MORVEXJUMP.MAC");

    EXPECT_EQ(JumpMacroText(1), "moveto 0,0;\n");
    EXPECT_EQ(JumpMacroText(0), "moveto 0,0;\n");
    EXPECT_EQ(JumpMacroText(25), "moveto 0,24;\n");

    // Opening Hidemaru writes the macro for line 1 next to the program; a
    // folder that does not exist fails without a word.
    test::TempDir dir;
    const std::string macro = dir.Path("MORVEXJUMP.MAC");
    dir.Write("MORVEXJUMP.MAC", "old text that is longer than the macro\n");
    test::RecordingHost host;
    EditorLink link;
    EditorSetup setup;
    setup.program = dir.Path("hidemaru.exe");
    setup.macroNo = 20;
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 30, 0));
    EXPECT_EQ(test::TempDir::Read(macro), "moveto 0,0;\n");
    EXPECT_EQ(link.macroCommand, 209);
    EXPECT_FALSE(link.windowFound);  // no such window here: follow and jump do nothing
    JumpToLine(link, host, 40, 10);
    FollowLine(link, host, 41, 20);
    EXPECT_EQ(host.started.size(), 1u);
    EXPECT_FALSE(WriteJumpMacro(dir.Path("missing/J.MAC"), 3));
}

TEST(FollowThrottle, SpacingLatestLineWinsAndOneInFlight) {
    FollowThrottle t;
    EXPECT_EQ(NextSendMs(t), -1);
    WantLine(t, 5);
    EXPECT_EQ(NextSendMs(t), 0);
    EXPECT_EQ(TakeLine(t, 1000), 5);
    // In flight: nothing goes, however long it takes.
    WantLine(t, 6);
    WantLine(t, 9);
    EXPECT_EQ(NextSendMs(t), -1);
    EXPECT_EQ(TakeLine(t, 5000), 0);
    CommandEnded(t);
    EXPECT_EQ(NextSendMs(t), 1100);
    EXPECT_EQ(TakeLine(t, 5000), 9);  // the latest line; 6 is never sent
    CommandEnded(t);
    // Ended at once: still 100 ms from the last start.
    WantLine(t, 10);
    EXPECT_EQ(TakeLine(t, 5099), 0);
    EXPECT_EQ(NextSendMs(t), 5100);
    EXPECT_EQ(TakeLine(t, 5100), 10);
    CommandEnded(t);
    // The line shown last is not sent again, unless asked for again.
    WantLine(t, 10);
    EXPECT_EQ(TakeLine(t, 9000), 0);
    WantLine(t, 10, true);
    EXPECT_EQ(TakeLine(t, 9000), 10);
    CommandEnded(t);
    WantLine(t, 0);
    EXPECT_EQ(NextSendMs(t), -1);
}

TEST(EditorControl, FollowingARunThroughTheHost) {
    test::RecordingHost host;
    EditorLink link;
    int endReports = 0;
    link.commandEnded = [&]() { ++endReports; };
    EditorSetup setup;
    setup.program = "gedit";
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 1, 0));
    // A run reads 1000 lines within 50 ms: one command, for the first line.
    for (int line = 1; line <= 1000; ++line)
        FollowLine(link, host, line, line / 20);
    ASSERT_EQ(host.started.size(), 2u);
    EXPECT_EQ(host.started[1], (Words{"gedit", "+2", "/w/a.nc"}));
    // Its end lets the latest line go once 100 ms have passed since it started.
    host.EndProgram();
    EXPECT_EQ(endReports, 1);
    EXPECT_EQ(EditorFollowDueMs(link), 100);
    PumpFollow(link, host, 99);
    EXPECT_EQ(host.started.size(), 2u);
    PumpFollow(link, host, 100);
    ASSERT_EQ(host.started.size(), 3u);
    EXPECT_EQ(host.started[2], (Words{"gedit", "+1000", "/w/a.nc"}));
    // Opening the same file again moves the editor instead of starting another.
    host.EndProgram();
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 1000, 300));
    ASSERT_EQ(host.started.size(), 4u);
    EXPECT_EQ(host.started[3], (Words{"gedit", "+1000", "/w/a.nc"}));
    // A report that comes after the editor was replaced changes nothing.
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/b.nc", 1, 400));
    host.EndProgram();
    EXPECT_EQ(endReports, 2);
    // A follow command that cannot be started ends following until the next open.
    host.programsStart = false;
    FollowLine(link, host, 7, 1000);
    EXPECT_TRUE(link.followFailed);
    host.programsStart = true;
    const std::size_t before = host.started.size();
    FollowLine(link, host, 8, 2000);
    EXPECT_EQ(host.started.size(), before);
    EXPECT_EQ(EditorFollowDueMs(link), -1);

    // Closing: Vim is told ":qa" (it keeps unsaved changes); gedit is only forgotten.
    CloseEditor(link, host);
    EXPECT_FALSE(link.open);
    EXPECT_EQ(host.started.size(), before);
    setup.program = "gvim";
    setup.server = "MORVEX-1";
    ASSERT_TRUE(OpenEditor(link, host, setup, "/w/a.nc", 1, 0));
    CloseEditor(link, host);
    EXPECT_EQ(host.started.back(),
              (Words{"gvim", "--servername", "MORVEX-1", "--remote-send", "<C-\\><C-N>:qa<CR>"}));
    FollowLine(link, host, 3, 5000);  // nothing open any more
    EXPECT_EQ(host.started.back()[4], "<C-\\><C-N>:qa<CR>");
}

}  // namespace
}  // namespace morvex
