// The message file: menu texts consumed in menu order, panel captions.
#include "frame/message_file.h"

#include <gtest/gtest.h>

#include "resources/command_ids.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(MessageFile, TextsAreConsumedInMenuOrder) {
    MenuBarDef menu = {
        {"ファイル", {{MenuItemKind::Command, 1, "開く", {}, false},
                      {MenuItemKind::Separator, 0, {}, {}, false},
                      {MenuItemKind::Submenu, 0, "モード", {{MenuItemKind::Command, 2, "一", {}, true},
                                                             {MenuItemKind::Command, 3, "二", {}, true}},
                       false},
                      {MenuItemKind::Command, 4, "終了", {}, false}}},
        {"ヘルプ", {{MenuItemKind::Command, 5, "版", {}, false}}},
    };
    test::TempDir dir;
    const std::string longText(100, 'x');
    const std::string path = dir.Write(
        "morvex.mes",
        "# comment lines and empty lines are skipped\n"
        "\n"
        "\r\n"
        "[&File]\n"
        "ignored: a line that starts with a letter\n"
        "  " + longText + "\n"  // cut at 79 characters; its rest is passed over

        " Mode\n"
        "[One]\r\n"
        "  Two\n"
        "[E&xit]\n"
        "[&Help]\n"
        " &Version\n"
        "Panel\n"
        "#\n"
        "Button-long-caption\n");
    PanelCaptions panel;
    ASSERT_TRUE(ApplyMessageFile(path, menu, panel));
    EXPECT_EQ(menu[0].title, "&File");
    EXPECT_EQ(menu[0].items[0].text, std::string(77, 'x'));
    EXPECT_EQ(menu[0].items[2].text, "Mode");
    EXPECT_EQ(menu[0].items[2].items[0].text, "One");
    EXPECT_EQ(menu[0].items[2].items[1].text, "Two");
    EXPECT_EQ(menu[0].items[3].text, "E&xit");
    EXPECT_EQ(menu[1].title, "&Help");
    EXPECT_EQ(menu[1].items[0].text, "&Version");
    EXPECT_EQ(menu[1].items[0].id, 5);  // items keep their commands
    EXPECT_TRUE(panel.fromMessageFile);
    EXPECT_EQ(panel.text[0], "Panel");
    EXPECT_EQ(panel.text[1], "Button-l");  // at most 8 bytes
    EXPECT_EQ(panel.text[2], "");          // the file ran out
}

TEST(MessageFile, AShortFileLeavesTheRestJapaneseAndTheShippedFileCoversTheMenu) {
    MenuBarDef menu = DefaultMenuBar();
    test::TempDir dir;
    PanelCaptions panel;
    ASSERT_TRUE(ApplyMessageFile(dir.Write("m.mes", "[&NC]\n"), menu, panel));
    EXPECT_EQ(menu[0].title, "&NC");
    EXPECT_EQ(FindMenuItem(menu, cmd::kSelectNc)->text, "選択（&S）");
    EXPECT_FALSE(panel.fromMessageFile);
    EXPECT_FALSE(ApplyMessageFile(dir.Path("missing.mes"), menu, panel));

    // The English message file shipped with the program rewrites every text.
    const char* source = std::getenv("MORVEX_SOURCE_DIR");
    if (!source) GTEST_SKIP() << "MORVEX_SOURCE_DIR is not set";
    MenuBarDef english = DefaultMenuBar();
    PanelCaptions englishPanel;
    ASSERT_TRUE(ApplyMessageFile(std::string(source) + "/src/resources/morvex.mes", english,
                                 englishPanel));
    EXPECT_EQ(english.size(), 8u);
    std::function<void(const std::vector<MenuItem>&)> ascii = [&](const std::vector<MenuItem>& items) {
        for (const MenuItem& item : items) {
            for (const unsigned char c : item.text) EXPECT_LT(c, 0x80) << item.text;
            ascii(item.items);
        }
    };
    for (const MenuPopup& popup : english) {
        for (const unsigned char c : popup.title) EXPECT_LT(c, 0x80) << popup.title;
        ascii(popup.items);
    }
    EXPECT_EQ(FindMenuItem(english, cmd::kVersion)->text, "&About MORVEX...");
    // The check items are this program's own: the file neither names nor counts them.
    EXPECT_EQ(FindMenuItem(english, cmd::kCheckData)->text, "Check &Data");
    EXPECT_EQ(FindMenuItem(english, cmd::kEditor)->text, "&Editor");  // the items after them stay in step
    EXPECT_TRUE(englishPanel.fromMessageFile);
    EXPECT_FALSE(englishPanel.text[20].empty());
}

TEST(MessageFile, StartDirectoryComesBeforeProgramDirectory) {
    test::TempDir start;
    test::TempDir program;
    EXPECT_EQ(FindMessageFile(start.Dir(), program.Dir()), "");
    const std::string inProgram = program.Write("morvex.mes", "x\n");
    EXPECT_EQ(FindMessageFile(start.Dir(), program.Dir()), inProgram);
    const std::string inStart = start.Write("morvex.mes", "x\n");
    EXPECT_EQ(FindMessageFile(start.Dir(), program.Dir()), inStart);
}

}  // namespace
}  // namespace morvex
