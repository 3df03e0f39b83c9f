// The user guide behind F1: opened with the viewer when it exists; a guide
// that is missing or that no viewer takes gives a message naming its path.
#include "frame/help_file.h"

#include <gtest/gtest.h>

#include "base/messages.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(HelpFile, OpenedOrNamedInAMessage) {
    test::TempDir dir;
    const std::string guide = dir.Write("HELP/index.htm", "<html></html>");
    const struct {
        std::string path;
        bool viewerOpens;
        bool opened;
        const char* message;  // the start of the message; "" for none
    } cases[] = {
        {guide, true, true, ""},
        {guide, false, false, "No web browser could be started for the user guide."},
        {dir.Path("HELP/missing.htm"), true, false, "The user guide was not found:"},
        {dir.Path("HELP"), true, false, "The user guide was not found:"},  // a folder is no guide
        {"", true, false, "The user guide was not found:"},
    };
    SetEnglish(true);
    for (const auto& c : cases) {
        test::RecordingHost host;
        host.viewerOpens = c.viewerOpens;
        EXPECT_EQ(OpenHelpFile(c.path, host), c.opened) << c.path;
        if (*c.message == '\0') {
            EXPECT_TRUE(host.messages.empty()) << c.path;
            EXPECT_EQ(host.opened, std::vector<std::string>{c.path});
            continue;
        }
        ASSERT_EQ(host.messages.size(), 1u) << c.path;
        EXPECT_EQ(host.messages[0].rfind(c.message, 0), 0u) << host.messages[0];
        // The path closes the message, so that the guide can be opened by hand.
        EXPECT_EQ(host.messages[0].substr(host.messages[0].size() - c.path.size()), c.path);
        EXPECT_EQ(host.captions[0], "MORVEX2000");
    }
    SetEnglish(false);
    test::RecordingHost host;
    host.viewerOpens = false;
    EXPECT_FALSE(OpenHelpFile(guide, host));
    ASSERT_EQ(host.messages.size(), 1u);
    EXPECT_EQ(host.messages[0].rfind("ヘルプを表示するブラウザーを起動できません。", 0), 0u);
}

}  // namespace
}  // namespace morvex
