// Start-up: the command line, the settings file and the definition files in
// their order, with the records read and their times kept for the check.
#include "frame/startup.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(StartUp, ReadsSettingsThenTheDefinitionFilesTheyName) {
    test::TempDir start;
    test::TempDir program;
    start.Write("shop.ini", "[Table]\nCONTROLLER_TABLE=mill.ctl\nMACHINE_TABLE=mill.mtl\n");
    start.Write("mill.ctl", "UNIT=1/10000\nEOR=%\n");
    start.Write("mill.mtl", "TOOL CHANGE TIME = 7.5\n");
    App app;
    const StartResult r = PrepareStartUp(app, {"shop.ini"}, start.Dir(), program.Dir());
    ASSERT_FALSE(r.exit) << r.error;
    EXPECT_FALSE(IsEnglish());
    test::RecordingHost host;
    // The settings file is named relative to the start directory.
    const std::string cwd = std::filesystem::current_path();
    std::filesystem::current_path(start.Dir());
    ContinueStartUp(app, host);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(app.locations.settingsFile, start.Path("shop.ini"));
    EXPECT_EQ(app.controller.readStatus, 1);
    EXPECT_EQ(app.controller.lengthIncrement, 10000);
    EXPECT_EQ(app.controller.endOfRecord, '%');
    EXPECT_FLOAT_EQ(app.machine.toolChangeTime, 7.5f);
    EXPECT_TRUE(app.definitions[DefinitionKind::Controller].readTime.has_value());
    EXPECT_FALSE(app.definitions[DefinitionKind::ToolTable].readTime.has_value());  // no atc.ttl
    EXPECT_TRUE(host.messages.empty());

    App help;
    EXPECT_TRUE(PrepareStartUp(help, {"--help"}, start.Dir(), program.Dir()).exit);
    App bad;
    const StartResult unusable = PrepareStartUp(bad, {"-q"}, start.Dir(), program.Dir());
    EXPECT_TRUE(unusable.exit);
    EXPECT_EQ(unusable.exitCode, 2);
}

}  // namespace
}  // namespace morvex
