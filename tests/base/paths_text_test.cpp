// Path joining and the text helpers every reader relies on.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <system_error>

#include "base/memory_budget.h"
#include "base/paths.h"
#include "base/text.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(Paths, JoinTitleAndDirectoryHandleBothSeparators) {
    EXPECT_EQ(JoinPath("C:\\work", "a.ttl"), "C:/work/a.ttl");
    EXPECT_EQ(JoinPath("/shop/", "sub\\a.ttl"), "/shop/sub/a.ttl");
    EXPECT_EQ(JoinPath("", "a.ttl"), "a.ttl");  // relative to the current directory
    EXPECT_EQ(WithTrailingSlash(""), "");
    EXPECT_EQ(FileTitle("/jobs/part 1.nc"), "part 1.nc");
    EXPECT_EQ(FileTitle("dir\\x.ctl"), "x.ctl");
    EXPECT_EQ(FileTitle("plain"), "plain");
    EXPECT_EQ(DirectoryPart("/jobs/part.nc"), "/jobs/");
    EXPECT_EQ(DirectoryPart("part.nc"), "");
    EXPECT_TRUE(HasDirSeparator("a\\b"));
    EXPECT_FALSE(HasDirSeparator("ab.ini"));

    test::TempDir dir;
    EXPECT_FALSE(CanOpenForReading(dir.Dir()));  // a directory is no file
    EXPECT_FALSE(CanOpenForReading(""));
    EXPECT_TRUE(CanOpenForReading(dir.Write("f.txt", "x")));
}

// Two output names for one file, whether it exists yet or not: relative
// against absolute, through "..", through a link to the folder.
TEST(Paths, SameFileWhetherOrNotItExistsYet) {
    test::TempDir dir;
    const std::string cwd = CurrentDirectory();
    ASSERT_EQ(::chdir(dir.Dir().c_str()), 0);
    const std::string here = CurrentDirectory();
    EXPECT_TRUE(SameFile("end.DMF", JoinPath(here, "end.DMF")));  // nothing there yet
    EXPECT_TRUE(SameFile("./sub/../end.DMF", "end.DMF"));
    EXPECT_FALSE(SameFile("end.DMF", "end.dmf"));
    EXPECT_FALSE(SameFile("end.DMF", ""));
    (void)dir.Write("end.DMF", "x");
    EXPECT_TRUE(SameFile("end.DMF", JoinPath(here, "end.DMF")));
    std::error_code ec;
    std::filesystem::create_directory_symlink(here, JoinPath(here, "link"), ec);
    ASSERT_FALSE(ec);
    EXPECT_TRUE(SameFile("link/end.DMF", "end.DMF"));
    EXPECT_TRUE(SameFile("link/new.TXT", JoinPath(here, "new.TXT")));
    ASSERT_EQ(::chdir(cwd.c_str()), 0);
}

TEST(Paths, MemoryBudgetKeepsItsHeadRoom) {
    constexpr std::uint64_t kMiB = 1u << 20;
    // 1 GiB available: an eighth and 32 MiB stay free, 864 MiB can be had.
    EXPECT_TRUE(FitsInMemory(864 * kMiB, 1024 * kMiB));
    EXPECT_FALSE(FitsInMemory(864 * kMiB + 1, 1024 * kMiB));
    EXPECT_FALSE(FitsInMemory(0, 32 * kMiB));  // nothing beyond the head-room
    EXPECT_TRUE(FitsInMemory(UINT64_MAX, std::nullopt));  // unknown: the allocation decides
    const auto now = AvailableMemory();
    ASSERT_TRUE(now.has_value());  // /proc/meminfo or sysconf answer on Linux
    EXPECT_FALSE(FitsInMemory(*now));
}

TEST(Text, CaseRulesAndTruncationKeepMultiByteTextWhole) {
    EXPECT_TRUE(StartsWithNoCase("yes please", "YES"));
    EXPECT_FALSE(StartsWithNoCase("YE", "YES"));
    EXPECT_TRUE(EndsWithNoCase("part.Stl", ".STL"));
    EXPECT_TRUE(EqualsNoCase("Define", "DEFINE"));
    EXPECT_FALSE(EqualsNoCase("Define", "DEFINES"));
    EXPECT_EQ(ToUpperAscii("ａbc停止"), "ａBC停止");  // only ASCII letters change
    EXPECT_EQ(TrimBlanks(" \t x y \r\n"), "x y");
    EXPECT_EQ(TruncateBytes("abcdefghij", 8), "abcdefgh");
    EXPECT_EQ(TruncateBytes("ab停止", 4), "ab");     // "停" is 3 bytes: not cut in half
    EXPECT_EQ(TruncateBytes("停止中", 8), "停止");
    EXPECT_EQ(Format("%04d/%s", 7, "x"), "0007/x");
}

}  // namespace
}  // namespace morvex
