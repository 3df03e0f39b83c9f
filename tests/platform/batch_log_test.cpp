// Batch log entries: the stamp, appending, and a log folder that does not exist yet.
#include "platform/batch_log.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "platform/unattended_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(BatchLog, StampAppendAndFolderCreation) {
    setenv("TZ", "UTC", 1);
    tzset();
    // 2026-03-04 05:06:07 UTC
    EXPECT_EQ(BatchLogStamp(1772600767, "pocket.nc"), "2026/03/04 05:06:07：pocket.nc");

    test::TempDir dir;
    const std::string logDir = dir.Path("logs/deep");
    ASSERT_TRUE(AppendBatchLog(logDir, "a.nc", "(102) - Zero Feedrate!\n"));
    ASSERT_TRUE(AppendBatchLog(logDir, "a.nc", "second\n"));
    const std::string text = test::TempDir::Read(logDir + "/morvex.log");
    EXPECT_NE(text.find("：a.nc(102) - Zero Feedrate!\n"), std::string::npos);
    EXPECT_NE(text.find("：a.ncsecond\n"), std::string::npos);
    EXPECT_LT(text.find("Zero"), text.find("second"));

    // The unattended host logs every message and answers questions No.
    UnattendedHost host;
    host.logDir = logDir;
    host.ncName = "b.nc";
    MessageRequest question;
    question.text = "Is it so?";
    question.buttons = MessageButtons::YesNo;
    EXPECT_EQ(host.ShowMessage(question), MessageAnswer::No);
    EXPECT_NE(test::TempDir::Read(logDir + "/morvex.log").find("：b.ncIs it so?\n"), std::string::npos);
    EXPECT_FALSE(host.IsKeyDown(27));
    unsetenv("TZ");
    tzset();
}

}  // namespace
}  // namespace morvex
