// The check that reads definition files again after they changed on disk.
#include "frame/definition_files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "base/messages.h"
#include "base/paths.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

void Touch(const std::string& path, int secondsAhead) {
    namespace fs = std::filesystem;
    fs::last_write_time(path, fs::last_write_time(path) + std::chrono::seconds(secondsAhead));
}

TEST(DefinitionFiles, AnEditIsReadOnceAndADeletedFileIsForgotten) {
    SetEnglish(true);
    test::TempDir dir;
    DefinitionFiles files;
    files[DefinitionKind::ToolTable].path = dir.Write("atc.ttl", "T1\n");
    files[DefinitionKind::Arbor].path = dir.Write("atc.atl", "A\n");
    files[DefinitionKind::Controller].path = dir.Write("vadez.ctl", "C\n");
    for (DefinitionFile& f : files.files) f.readTime = ReadFileTime(f.path);

    std::vector<DefinitionKind> reads;
    int refreshes = 0;
    DefinitionReload reload{[&](DefinitionKind k) { reads.push_back(k); }, [&] { ++refreshes; }};
    test::RecordingHost host;
    const std::string cwd = CurrentDirectory();

    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, true, cwd), 0);
    EXPECT_TRUE(host.messages.empty());

    Touch(files[DefinitionKind::ToolTable].path, 5);
    Touch(files[DefinitionKind::Arbor].path, 5);
    std::filesystem::remove(files[DefinitionKind::Controller].path);
    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, true, cwd), 2);
    ASSERT_EQ(host.messages.size(), 3u);
    EXPECT_EQ(host.messages[0], "Because the TTL-file has been update, it reads.");
    EXPECT_EQ(host.messages[1], "Because the ATL-file has been update, it reads.");
    EXPECT_EQ(host.messages[2], "The CTL-file is not found.");
    // An arbor change reads the tool table, which reads its arbor file.
    EXPECT_EQ(reads, (std::vector<DefinitionKind>{DefinitionKind::ToolTable, DefinitionKind::ToolTable}));
    EXPECT_EQ(refreshes, 2);
    EXPECT_EQ(host.sounds, (std::vector<int>{kSoundToolChange, kSoundToolChange}));
    EXPECT_TRUE(files[DefinitionKind::Controller].path.empty());

    // Nothing changed since: no more messages, the forgotten file is not checked.
    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, true, cwd), 0);
    EXPECT_EQ(host.messages.size(), 3u);
    SetEnglish(false);
}

TEST(DefinitionFiles, NoCheckAwayFromTheStartDirectoryOrWhileChecking) {
    test::TempDir dir;
    DefinitionFiles files;
    files[DefinitionKind::Machine].path = dir.Write("zuvid.mtl", "M\n");
    test::RecordingHost host;
    DefinitionReload reload;
    // The recorded time differs from the file's: a check would report it.
    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, false, dir.Dir()), 0);
    files.checking = true;
    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, false, CurrentDirectory()), 0);
    files.checking = false;
    EXPECT_EQ(CheckDefinitionFiles(files, host, reload, false, CurrentDirectory()), 1);
    EXPECT_EQ(host.messages.size(), 1u);
    EXPECT_TRUE(host.sounds.empty());  // sound off

    // A file named but missing at start is read once it appears.
    DefinitionFiles later;
    later[DefinitionKind::Controller].path = dir.Path("late.ctl");
    EXPECT_EQ(CheckDefinitionFiles(later, host, reload, false, CurrentDirectory()), 0);
    EXPECT_FALSE(later[DefinitionKind::Controller].path.empty());
    dir.Write("late.ctl", "UNIT=1/1000\n");
    EXPECT_EQ(CheckDefinitionFiles(later, host, reload, false, CurrentDirectory()), 1);
    EXPECT_EQ(host.messages.size(), 2u);
}

}  // namespace
}  // namespace morvex
