// Files written beside their name: a file of several megabytes written in
// uneven pieces (its write-back started and its data synced on the way)
// comes out byte for byte, patched counts land where they belong, and the
// file under the name stays the old one until the finish, or for good when
// the write fails.
#include "workio/replaced_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>
#include <string>

#include "../support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;

// Bytes that differ from piece to piece, so that a lost or doubled piece shows.
std::string Pattern(std::size_t size) {
    std::string s(size, '\0');
    unsigned v = 12345;
    for (char& c : s) {
        v = v * 1103515245u + 12345u;
        c = static_cast<char>(v >> 16);
    }
    return s;
}

TEST(ReplacedFile, LongFileInPiecesReplacesTheOldOneOnlyAtTheFinish) {
    TempDir dir;
    const std::string path = dir.Write("CUTDATA.TXT", "the previous run's data\n");
    const std::string data = Pattern(5u * 1024u * 1024u + 321u);
    ReplacedFile file;
    ASSERT_TRUE(BeginReplace(file, path));
    // Made durable every megabyte on the way, as the cut data writer does.
    file.durableStep = 1u << 20;
    // Pieces of uneven sizes, some far past a megabyte, some tiny.
    std::size_t at = 0, piece = 1;
    while (at < data.size()) {
        const std::size_t n = std::min(piece, data.size() - at);
        ASSERT_TRUE(WriteBytes(file, data.data() + at, n));
        at += n;
        piece = piece * 7 % 1500007 + 1;
    }
    // A count patched in near the start after its write-back has begun.
    const char count[4] = {'N', 'E', 'W', '!'};
    ASSERT_TRUE(WriteBytesAt(file, 10, count, sizeof count));
    EXPECT_GE(file.durable, 4u << 20);
    EXPECT_LE(file.durable, file.written);
    EXPECT_EQ(TempDir::Read(path), "the previous run's data\n");
    EXPECT_EQ(FinishReplace(file, true), kFileSaved);
    std::string expected = data;
    expected.replace(10, 4, "NEW!");
    const std::string written = TempDir::Read(path);
    EXPECT_EQ(written.size(), expected.size());
    EXPECT_TRUE(written == expected);
    EXPECT_FALSE(std::filesystem::exists(file.temp));

    // A run that fails after megabytes were written: the old file stays,
    // and nothing is left beside it.
    ASSERT_TRUE(BeginReplace(file, path));
    EXPECT_EQ(file.durable, 0u);
    ASSERT_TRUE(WriteBytes(file, data.data(), data.size()));
    EXPECT_EQ(FinishReplace(file, false), kFileWriteFailed);
    EXPECT_TRUE(TempDir::Read(path) == expected);
    EXPECT_FALSE(std::filesystem::exists(file.temp));
}

// A file under the name that nobody may write is write-protected: it is
// neither replaced nor touched, and nothing is left beside it. A writable
// one is replaced and the new file keeps its permissions; a link under the
// name stays a link, its target written.
TEST(ReplacedFile, WriteProtectedFileStaysPermissionsAndLinksCarryOver) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string path = dir.Write("verify.txt", "kept\n");
    fs::permissions(path, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    ReplacedFile file;
    EXPECT_FALSE(BeginReplace(file, path));
    EXPECT_EQ(file.error, EACCES);
    EXPECT_EQ(FinishReplace(file, true), kFileWriteFailed);
    EXPECT_EQ(TempDir::Read(path), "kept\n");
    EXPECT_FALSE(fs::exists(file.temp));

    const fs::perms own = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    fs::permissions(path, own);
    ASSERT_TRUE(BeginReplace(file, path));
    ASSERT_TRUE(WriteBytes(file, "new\n", 4));
    EXPECT_EQ(FinishReplace(file, true), kFileSaved);
    EXPECT_EQ(TempDir::Read(path), "new\n");
    EXPECT_EQ(fs::status(path).permissions(), own);

    const std::string link = dir.Path("link.txt");
    fs::create_symlink(path, link);
    ASSERT_TRUE(BeginReplace(file, link));
    ASSERT_TRUE(WriteBytes(file, "linked\n", 7));
    EXPECT_EQ(FinishReplace(file, true), kFileSaved);
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(TempDir::Read(path), "linked\n");

    // A link to a file not there yet (relative, as `ln -s` makes it),
    // through a second link: both stay, and the file they name is made.
    fs::create_directory(dir.Path("sub"));
    fs::create_symlink("sub/first.txt", dir.Path("outer.txt"));
    fs::create_symlink("made.txt", dir.Path("sub/first.txt"));
    ASSERT_TRUE(BeginReplace(file, dir.Path("outer.txt")));
    ASSERT_TRUE(WriteBytes(file, "made\n", 5));
    EXPECT_EQ(FinishReplace(file, true), kFileSaved);
    EXPECT_TRUE(fs::is_symlink(dir.Path("outer.txt")));
    EXPECT_TRUE(fs::is_symlink(dir.Path("sub/first.txt")));
    EXPECT_EQ(TempDir::Read(dir.Path("sub/made.txt")), "made\n");
    // Links that lead round in a circle name no file: nothing is written.
    fs::create_symlink("loop2.txt", dir.Path("loop1.txt"));
    fs::create_symlink("loop1.txt", dir.Path("loop2.txt"));
    EXPECT_FALSE(BeginReplace(file, dir.Path("loop1.txt")));
    EXPECT_EQ(file.error, ELOOP);
    EXPECT_TRUE(fs::is_symlink(dir.Path("loop1.txt")));
}

// Only regular files are replaced: a pipe under the name, or under a link
// to it, stays a pipe (as a device such as /dev/null would), and a folder
// stays a folder. The temporary file is a new one of its own: a link left
// under its name is not followed, and the file it names is untouched.
TEST(ReplacedFile, OnlyRegularFilesAreReplacedAndTheTemporaryIsNew) {
    namespace fs = std::filesystem;
    TempDir dir;
    const std::string pipe = dir.Path("pipe");
    ASSERT_EQ(::mkfifo(pipe.c_str(), 0666), 0);
    fs::create_symlink(pipe, dir.Path("to_pipe.txt"));
    fs::create_directory(dir.Path("folder"));
    for (const std::string name : {"pipe", "to_pipe.txt", "folder"}) {
        ReplacedFile file;
        EXPECT_FALSE(BeginReplace(file, dir.Path(name))) << name;
        EXPECT_EQ(FinishReplace(file, true), kFileWriteFailed) << name;
    }
    EXPECT_TRUE(fs::is_fifo(pipe));
    EXPECT_TRUE(fs::is_directory(dir.Path("folder")));

    const std::string victim = dir.Write("victim.txt", "mine\n");
    const std::string path = dir.Path("report.txt");
    fs::create_symlink(victim, path + "." + std::to_string(::getpid()) + ".tmp");
    ReplacedFile file;
    ASSERT_TRUE(BeginReplace(file, path));
    ASSERT_TRUE(WriteBytes(file, "report\n", 7));
    EXPECT_EQ(FinishReplace(file, true), kFileSaved);
    EXPECT_EQ(TempDir::Read(victim), "mine\n");
    EXPECT_FALSE(fs::is_symlink(path));
    EXPECT_EQ(TempDir::Read(path), "report\n");
}

}  // namespace
}  // namespace morvex
