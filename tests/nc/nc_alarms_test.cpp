// The NC alarm texts in both languages, their delivery to a message box or the
// batch log, and the radius-offset and interference list files of a run.
#include "nc/nc_alarms.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "base/messages.h"
#include "support/language.h"
#include "support/recording_host.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::LanguageScope;
using test::TempDir;

// Keeps every message request whole (the recording host keeps the text only).
class RequestHost final : public Host {
public:
    std::vector<MessageRequest> requests;
    MessageAnswer ShowMessage(const MessageRequest& request) override {
        requests.push_back(request);
        return MessageAnswer::Ok;
    }
    bool IsKeyDown(int) override { return false; }
    void PumpMessages() override {}
    void RequestRedraw() override {}
    void PlaySound(int) override {}
    bool OpenWithViewer(const std::string&) override { return true; }
    bool StartProgram(const std::string&, const std::vector<std::string>&) override { return true; }
    bool IsUnattended() const override { return false; }
};

TEST(NcAlarmText, EveryCodeInBothLanguagesWithPlaceholders) {
    // Every detail is filled in; each text takes only its own. The texts
    // with a placeholder or a variant, and the ends of both code ranges.
    const struct {
        int code;
        bool possibleG00;
        int cutKind;
        bool batch;
        const char* english;
        const char* japanese;
    } cases[] = {
        // clang-format off
        {1, false, 0, false, "The tool was dameged. (G00 interference)", "工具が破損しました(G00干渉)"},
        {1, true, 0, false, "G00 interference or it's possible", "G00干渉、もしくはその可能性があります"},
        {7, false, 1, false, "Too heavy Cutting. Tool was dameged.(Vertical-Cut)", "工具が過負荷で破損しました(垂直加工部)"},
        {7, false, 4, false, "Too heavy Cutting. Tool was dameged.(General-Cut)", "工具が過負荷で破損しました(全面加工部)"},
        {103, false, 0, false, "Start Code(%) is not Fonud !", "開始コード(%)が見つかりません!"},
        {103, false, 0, true, "Start Code(%) is Not Found !", "開始コード(%)が見つかりません!"},
        {104, false, 0, false, "12\"@\" - Invalid Character!", "12文字目\"@\" - 不正文字検出!"},
        {105, false, 0, false, "12th - Double decimal points!", "12文字目 - 小数点重複!"},
        {106, false, 0, false, "Over Offset - Reverse Arc!(42Line)", "過剰オフセット - 円弧が反転!(42行目)"},
        {106, false, 0, true, "Over Offset - Reverse Arc!", "過剰オフセット - 円弧が反転!"},
        {107, false, 0, true, "Over Offset - Alarm(42Line)", "過剰オフセット - アラーム(42行目)"},
        {108, false, 0, false, "NC reader module error - read error -3!(42Line)", "NC読込みモジュールのエラー - read error -3!(42行目)"},
        {108, false, 0, true, "NC reader module error - read error -3!", "NC読込みモジュールのエラー - read error -3!"},
        // Codes outside the table have no text.
        {0, false, 0, false, "", ""}, {9, false, 0, false, "", ""},
        {100, false, 0, false, "", ""}, {109, false, 0, true, "", ""},
        // clang-format on
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << c.code << (c.batch ? " batch" : ""));
        AlarmDetail d;
        d.programLine = 42;
        d.column = 12;
        d.character = '@';
        d.endOfRecord = '%';
        d.possibleG00 = c.possibleG00;
        d.cutKind = c.cutKind;
        d.reason = "read error -3";
        EXPECT_EQ(AlarmText(c.code, d, true, c.batch), c.english);
        EXPECT_EQ(AlarmText(c.code, d, false, c.batch), c.japanese);
    }
}

// The invalid character: quoted as itself only when printable, named in
// hex with its line and column; no other code has a detail.
TEST(NcAlarmText, InvalidCharacterNamesTheByteLineAndColumn) {
    const char* cases[][4] = {
        {"@", "3\"@\" - Invalid Character!", "Byte 0x40 in line 9, column 3.", "9行目 3文字目 バイト 0x40"},
        {"\x01", "3\"?\" - Invalid Character!", "Byte 0x01 in line 9, column 3.", "9行目 3文字目 バイト 0x01"},
        {"\x82", "3\"?\" - Invalid Character!", "Byte 0x82 in line 9, column 3.", "9行目 3文字目 バイト 0x82"},
    };
    for (const auto& c : cases) {
        AlarmDetail d;
        d.programLine = 9;
        d.column = 3;
        d.character = c[0][0];
        EXPECT_EQ(AlarmText(104, d, true, false), c[1]);
        EXPECT_EQ(AlarmWhere(104, d, true), c[2]);
        EXPECT_EQ(AlarmWhere(104, d, false), c[3]);
        EXPECT_EQ(AlarmWhere(105, d, true), "");
    }
}

TEST(NcAlarmShow, MessageBoxOnTopWithTheNcPathAsCaption) {
    AlarmDelivery delivery;
    delivery.ncPath = "/home/user/parts/pocket.nc";
    AlarmDetail detail;
    detail.programLine = 7;
    detail.column = 12;
    detail.character = '@';
    LanguageScope english(true);
    RequestHost host;
    ShowAlarm(host, delivery, 104, detail);
    ShowAlarm(host, delivery, 106, detail);
    ShowAlarm(host, delivery, 999, detail);  // no text, nothing shown
    ASSERT_EQ(host.requests.size(), 2u);
    const MessageRequest& first = host.requests[0];
    EXPECT_EQ(
        std::tuple(first.text, first.caption, first.topMost, first.buttons),
        std::tuple("12\"@\" - Invalid Character!\nByte 0x40 in line 7, column 12.", delivery.ncPath, true,
                   MessageButtons::Ok));
    EXPECT_EQ(first.kind, MessageKind::Error);
    EXPECT_EQ(host.requests[1].text, "Over Offset - Reverse Arc!(7Line)");

    LanguageScope japanese(false);
    test::RecordingHost recorder;
    ShowAlarm(recorder, delivery, 102, detail);
    EXPECT_EQ(recorder.messages, std::vector<std::string>{"送り速度が0です!"});
}

TEST(NcAlarmShow, BatchModeAppendsStampedLinesToTheLog) {
    LanguageScope english(true);
    TempDir dir;
    AlarmDelivery delivery;
    delivery.batch = true;
    delivery.ncPath = dir.Path("pocket.nc");
    delivery.logDir = dir.Path("logs");  // created by the first entry
    delivery.ncName = "pocket.nc";
    AlarmDetail detail;
    detail.programLine = 31;
    detail.endOfRecord = '%';
    test::RecordingHost host;
    ShowAlarm(host, delivery, 103, detail);
    ShowAlarm(host, delivery, 106, detail);
    detail.programLine = 5;
    ShowAlarm(host, delivery, 2, detail);
    detail.column = 4;
    detail.character = '$';
    ShowAlarm(host, delivery, 104, detail);
    EXPECT_TRUE(host.messages.empty());

    std::istringstream log(TempDir::Read(dir.Path("logs/morvex.log")));
    const std::string expected[] = {
        "pocket.nc(31) - Start Code(%) is Not Found !",
        "pocket.nc(31) - Over Offset - Reverse Arc!",
        "pocket.nc(5) - Arbor interfered.",
        "pocket.nc(5) - 4\"$\" - Invalid Character! [Byte 0x24 in line 5, column 4.]",
    };
    // "yyyy/mm/dd hh:mm:ss：": digits where the pattern has 9.
    const auto stamped = [](const std::string& text) {
        const std::string pattern = "9999/99/99 99:99:99";
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            if (pattern[i] == '9' ? !std::isdigit(static_cast<unsigned char>(text[i])) : text[i] != pattern[i]) {
                return false;
            }
        }
        return text.compare(pattern.size(), std::string::npos, "：") == 0;
    };
    const std::size_t stampBytes = 19 + std::string("：").size();
    std::size_t count = 0;
    for (std::string line; std::getline(log, line); ++count) {
        ASSERT_LT(count, std::size(expected)) << line;
        ASSERT_GT(line.size(), stampBytes);
        EXPECT_TRUE(stamped(line.substr(0, stampBytes))) << line;
        EXPECT_EQ(line.substr(stampBytes), expected[count]);
    }
    EXPECT_EQ(count, 4u);
}

TEST(NcAlarmFiles, ListContentsAfterTwoEntries) {
    TempDir dir;
    AlarmFiles files;
    files.folder = dir.Dir();
    WriteOffsetAlarm(files, kOffsetListList, 5.0, 12, "G41G01X10.Y5.D1\n");
    EXPECT_TRUE(TakeOffsetMark(files));
    EXPECT_FALSE(TakeOffsetMark(files));  // taken once per motion
    WriteOffsetAlarm(files, kOffsetListOpen, 2.4996, 13, "X-3.25\n");
    EXPECT_TRUE(TakeOffsetMark(files));

    InterferenceFindings rapidAndArbor;
    rapidAndArbor.rapid = rapidAndArbor.arbor = true;
    EXPECT_TRUE(WriteInterference(files, rapidAndArbor, 20, "G00Z-5.\n"));
    InterferenceFindings all;
    all.attachment = all.tooFast = all.taper = all.overChip = all.overLength = true;
    all.arbor = all.rapid = true;
    EXPECT_TRUE(WriteInterference(files, all, 21, "G01Z-10.F100\n"));
    EXPECT_FALSE(WriteInterference(files, InterferenceFindings{}, 22, "X0\n"));

    test::RecordingHost host;
    CloseAlarmFiles(files, host, false, kOffsetListOpen);
    EXPECT_EQ(TempDir::Read(dir.Path("alarm.txt")),
              "<<< ALARM INFORMATION >>>\n--------------"
              "\nINTERFERENCE IN RADIUS(5.000) OFFSET\n12:G41G01X10.Y5.D1\n"
              "\nINTERFERENCE IN RADIUS(2.500) OFFSET\n13:X-3.25\n");
    EXPECT_EQ(TempDir::Read(dir.Path("interference.txt")),
              "<<< INTERFERENCE INFORMATION >>>\n--------------"
              "\nRAPID(G00) + ARBOR\n20:G00Z-5.\n"
              "\nRAPID(G00) + ARBOR + OVER LENGTH + OVER CHIP + TAPER + TOO FAST + ATTATCHMENT\n"
              "21:G01Z-10.F100\n");

    // Without the list option nothing is written, but the motion is marked.
    TempDir quiet;
    AlarmFiles none;
    none.folder = quiet.Dir();
    WriteOffsetAlarm(none, kOffsetListNone, 5.0, 1, "X1\n");
    EXPECT_TRUE(TakeOffsetMark(none));
    EXPECT_FALSE(std::filesystem::exists(quiet.Path("alarm.txt")));
}

TEST(NcAlarmFiles, NextRunReplacesTheLists) {
    TempDir dir;
    dir.Write("interference.txt", "an older list that is much longer than the new one\n");
    AlarmFiles files;
    files.folder = dir.Dir();
    test::RecordingHost host;
    InterferenceFindings taper;
    taper.taper = true;

    WriteInterference(files, taper, 1, "A\n");
    WriteInterference(files, taper, 2, "B\n");
    WriteOffsetAlarm(files, kOffsetListList, 1.0, 3, "C\n");
    CloseAlarmFiles(files, host, false, kOffsetListList);

    WriteInterference(files, taper, 9, "Z\n");
    CloseAlarmFiles(files, host, false, kOffsetListList);
    EXPECT_EQ(TempDir::Read(dir.Path("interference.txt")),
              "<<< INTERFERENCE INFORMATION >>>\n--------------\nTAPER\n9:Z\n");
    // A run without entries leaves the list of the earlier run alone.
    EXPECT_EQ(
        TempDir::Read(dir.Path("alarm.txt")),
        "<<< ALARM INFORMATION >>>\n--------------\nINTERFERENCE IN RADIUS(1.000) OFFSET\n3:C\n");
}

TEST(NcAlarmFiles, ListThatCannotBeCreatedIsSkippedForTheRun) {
    TempDir dir;
    AlarmFiles files;
    files.folder = dir.Path("missing");
    InterferenceFindings rapid;
    rapid.rapid = true;
    test::RecordingHost host;

    EXPECT_TRUE(WriteInterference(files, rapid, 4, "G00Z0\n"));  // the run still alerts
    WriteOffsetAlarm(files, kOffsetListOpen, 3.0, 5, "X1\n");
    EXPECT_TRUE(TakeOffsetMark(files));
    // Once the folder appears, this run still does not start a list without its first entries.
    std::filesystem::create_directory(dir.Path("missing"));
    EXPECT_TRUE(WriteInterference(files, rapid, 6, "G00Z1\n"));
    CloseAlarmFiles(files, host, false, kOffsetListOpen);
    EXPECT_FALSE(std::filesystem::exists(dir.Path("missing/interference.txt")));
    EXPECT_TRUE(host.opened.empty());

    // The next run tries again.
    EXPECT_TRUE(WriteInterference(files, rapid, 7, "G00Z2\n"));
    CloseAlarmFiles(files, host, false, kOffsetListOpen);
    EXPECT_EQ(host.opened, std::vector<std::string>{dir.Path("missing/interference.txt")});
}

TEST(NcAlarmFiles, CloseOpensOnlyWrittenListsAndNeverInBatch) {
    const struct {
        int listOption;
        bool batch, offsetEntry, interferenceEntry;
        std::vector<std::string> opened;
    } cases[] = {
        {kOffsetListOpen, false, true, true, {"alarm.txt", "interference.txt"}},
        {kOffsetListList, false, true, true, {"interference.txt"}},
        {kOffsetListOpen, false, false, true, {"interference.txt"}},
        {kOffsetListNone, false, true, false, {}},
        {kOffsetListOpen, true, true, true, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "option " << c.listOption << " batch " << c.batch
                                        << " entries " << c.offsetEntry << c.interferenceEntry);
        TempDir dir;
        AlarmFiles files;
        files.folder = dir.Dir();
        InterferenceFindings overLength;
        overLength.overLength = true;
        if (c.offsetEntry) WriteOffsetAlarm(files, c.listOption, 1.0, 1, "X1\n");
        if (c.interferenceEntry) WriteInterference(files, overLength, 2, "Z-1\n");
        test::RecordingHost host;
        CloseAlarmFiles(files, host, c.batch, c.listOption);
        std::vector<std::string> expected;
        for (const auto& name : c.opened) expected.push_back(dir.Path(name));
        EXPECT_EQ(host.opened, expected);
        // Batch runs still write their lists.
        EXPECT_EQ(std::filesystem::exists(dir.Path("interference.txt")), c.interferenceEntry);
    }
}

}  // namespace
}  // namespace morvex
