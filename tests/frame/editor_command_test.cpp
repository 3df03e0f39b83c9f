// Editor settings as programs and arguments.
#include "frame/editor_command.h"

#include <gtest/gtest.h>

namespace morvex {
namespace {

TEST(EditorCommand, ProgramArgumentsAndTheFile) {
    // The default of two empty quote pairs: the system's viewer.
    EXPECT_TRUE(EditorCommandOf("\"\" \"\"", "a.ttl").program.empty());
    EXPECT_TRUE(EditorCommandOf("", "a.ttl").program.empty());
    // A bare program gets the file as its argument.
    EditorCommand c = EditorCommandOf("gedit", "/w/a b.ttl");
    EXPECT_EQ(c.program, "gedit");
    ASSERT_EQ(c.args.size(), 1u);
    EXPECT_EQ(c.args[0], "/w/a b.ttl");
    // Quoted program with blanks; %1 placed where the arguments say; empty quotes dropped.
    c = EditorCommandOf("\"/opt/my editor/ed\" \"-n %1\" \"\"", "x.ctl");
    EXPECT_EQ(c.program, "/opt/my editor/ed");
    ASSERT_EQ(c.args.size(), 1u);
    EXPECT_EQ(c.args[0], "-n x.ctl");
    // An unterminated quote takes the rest of the text.
    c = EditorCommandOf("\"kate", "m.mtl");
    EXPECT_EQ(c.program, "kate");
    ASSERT_EQ(c.args.size(), 1u);
    EXPECT_EQ(c.args[0], "m.mtl");
}

}  // namespace
}  // namespace morvex
