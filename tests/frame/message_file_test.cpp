// The message file: menu texts consumed in menu order, panel captions.
#include "frame/message_file.h"

#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

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
    // Comment and empty lines are skipped, so is a line that starts with a
    // letter while menu texts are read; a long text is cut at 79 characters.
    const std::string path = dir.Write("morvex.mes", "# comment\n\n\r\n[&File]\nignored: a letter\n  " + longText +
                                                         "\n Mode\n[One]\r\n  Two\n[E&xit]\n[&Help]\n &Version\n"
                                                         "Panel\n#\nButton-long-caption\n");
    PanelCaptions panel;
    ASSERT_TRUE(ApplyMessageFile(path, menu, panel));
    const auto& file = menu[0].items;
    EXPECT_EQ((std::vector<std::string>{menu[0].title, file[0].text, file[2].text, file[2].items[0].text,
                                        file[2].items[1].text, file[3].text, menu[1].title, menu[1].items[0].text}),
              (std::vector<std::string>{"&File", std::string(77, 'x'), "Mode", "One", "Two", "E&xit", "&Help",
                                        "&Version"}));
    EXPECT_EQ(menu[1].items[0].id, 5);  // items keep their commands
    EXPECT_TRUE(panel.fromMessageFile);
    // Captions of at most 8 bytes; the file ran out for the third.
    EXPECT_EQ((std::array{panel.text[0], panel.text[1], panel.text[2]}),
              (std::array<std::string, 3>{"Panel", "Button-l", ""}));
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
        ascii({MenuItem{MenuItemKind::Submenu, 0, popup.title, {}, false}});
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
    EXPECT_EQ(FindMessageFile(start.Dir(), program.Dir()), program.Write("morvex.mes", "x\n"));
    EXPECT_EQ(FindMessageFile(start.Dir(), program.Dir()), start.Write("morvex.mes", "x\n"));
}

}  // namespace
}  // namespace morvex
