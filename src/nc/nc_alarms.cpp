// The NC alarm table, its delivery, and the radius-offset and interference
// list files of a run.
#include "nc/nc_alarms.h"

#include <filesystem>
#include <system_error>

#include "base/messages.h"
#include "base/paths.h"
#include "base/text.h"
#include "nc/block_reader.h"
#include "platform/batch_log.h"
#include "platform/host.h"

namespace morvex {
namespace {

constexpr std::string_view kAlarmListHeader = "<<< ALARM INFORMATION >>>\n--------------";
constexpr std::string_view kInterferenceListHeader =
    "<<< INTERFERENCE INFORMATION >>>\n--------------";

std::string Pick(bool english, const char* englishText, const char* japaneseText) {
    return english ? englishText : japaneseText;
}

std::string OverloadText(int cutKind, bool english) {
    switch (cutKind) {
        case kCutKindVertical:
            return Pick(english, "Too heavy Cutting. Tool was dameged.(Vertical-Cut)",
                        "工具が過負荷で破損しました(垂直加工部)");
        case kCutKindUp:
            return Pick(english, "Too heavy Cutting. Tool was dameged.(Up-Cut)",
                        "工具が過負荷で破損しました(アップカット部)");
        case kCutKindDown:
            return Pick(english, "Too heavy Cutting. Tool was dameged.(Down-Cut)",
                        "工具が過負荷で破損しました(ダウンカット部)");
        default:
            return Pick(english, "Too heavy Cutting. Tool was dameged.(General-Cut)",
                        "工具が過負荷で破損しました(全面加工部)");
    }
}

// The offending byte of an invalid character may be anything a file holds
// (a control byte, half of a multi-byte character): it is quoted as itself
// only when it is a printable ASCII character, so that the message stays
// valid text; the detail line names every byte in hex.
char Quotable(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte >= 0x20 && byte < 0x7F ? c : '?';
}

// Writes the bytes as given (a block may hold any byte); a failed write only
// loses the entry, the run goes on.
void Put(std::FILE* f, std::string_view text) {
    if (!text.empty()) std::fwrite(text.data(), 1, text.size(), f);
}

// The list's file, created with its header at the first entry of the run
// (replacing an older file); null when it cannot be created.
std::FILE* OpenList(AlarmList& list, const std::string& folder, std::string_view name,
                    std::string_view header) {
    if (list.file) return list.file.get();
    if (list.failed) return nullptr;
    const std::string path = JoinPath(folder, name);
    list.file.reset(std::fopen(path.c_str(), "wb"));
    if (!list.file) {
        list.failed = true;
        return nullptr;
    }
    // Kept absolute so that the viewer finds it whatever its working folder.
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    list.path = ec ? path : absolute.string();
    Put(list.file.get(), header);
    return list.file.get();
}

// Closes the list; true when it was written in this run.
bool CloseList(AlarmList& list) {
    const bool written = list.file != nullptr;
    list.file.reset();
    list.failed = false;
    return written;
}

}  // namespace

AlarmDetail NcErrorDetail(const BlockReader& reader, char endOfRecord) {
    AlarmDetail detail;
    detail.programLine = reader.programLine;
    detail.column = reader.errorColumn;
    detail.character = reader.errorChar;
    detail.endOfRecord = endOfRecord;
    detail.reason = reader.module.error;
    return detail;
}

std::string AlarmText(int code, const AlarmDetail& d, bool english, bool batch) {
    switch (code) {
        case kAlarmRapid:
            if (d.possibleG00) {
                return Pick(english, "G00 interference or it's possible",
                            "G00干渉、もしくはその可能性があります");
            }
            return Pick(english, "The tool was dameged. (G00 interference)",
                        "工具が破損しました(G00干渉)");
        case kAlarmArbor:
            return Pick(english, "Arbor interfered.", "工具保持具が干渉しました");
        case kAlarmOverLength:
            return Pick(english, "Cut in an invalid part of tool length.",
                        "有効刃長を越えて切削しました");
        case kAlarmOverChip:
            return Pick(english, "Cut in an invalid part of bottom.",
                        "内径の無効部分で切削しました");
        case kAlarmTaper:
            return Pick(english, "Tool side (*tapa*) interfered.", "工具側テーパ部が干渉しました");
        case kAlarmTooFast:
            return Pick(english, "RAPID Interference(Too fast Feedrate).",
                        "早送り干渉(送り速度が速すぎます)");
        case kAlarmOverload:
            return OverloadText(d.cutKind, english);
        case kAlarmAttachment:
            return Pick(english, "Attachment interfered", "アタッチメントが干渉しました");
        case kAlarmArcRadius:
            return Pick(english, "G02/G03 IJK Error - Invalid IJK Value.",
                        "G02/G03 IJK Error - 始点の半径と終点の半径が大きく異なる");
        case kAlarmZeroFeed:
            return Pick(english, "Zero Feedrate!", "送り速度が0です!");
        case kAlarmNoStartCode:
            if (english) {
                return batch ? Format("Start Code(%c) is Not Found !", d.endOfRecord)
                             : Format("Start Code(%c) is not Fonud !", d.endOfRecord);
            }
            return Format("開始コード(%c)が見つかりません!", d.endOfRecord);
        case kAlarmInvalidCharacter:
            return english ? Format("%d\"%c\" - Invalid Character!", d.column, Quotable(d.character))
                           : Format("%d文字目\"%c\" - 不正文字検出!", d.column, Quotable(d.character));
        case kAlarmDoubleDecimalPoint:
            return english ? Format("%dth - Double decimal points!", d.column)
                           : Format("%d文字目 - 小数点重複!", d.column);
        case kAlarmReverseArc:
            // The batch entry already leads with the line counter.
            if (batch)
                return Pick(english, "Over Offset - Reverse Arc!", "過剰オフセット - 円弧が反転!");
            return english ? Format("Over Offset - Reverse Arc!(%dLine)", d.programLine)
                           : Format("過剰オフセット - 円弧が反転!(%d行目)", d.programLine);
        case kAlarmOverOffset:
            return english ? Format("Over Offset - Alarm(%dLine)", d.programLine)
                           : Format("過剰オフセット - アラーム(%d行目)", d.programLine);
        case kAlarmModuleRead:
            // As with 106, the batch entry already leads with the line counter.
            if (batch) {
                return english ? Format("NC reader module error - %s!", d.reason.c_str())
                               : Format("NC読込みモジュールのエラー - %s!", d.reason.c_str());
            }
            return english ? Format("NC reader module error - %s!(%dLine)", d.reason.c_str(), d.programLine)
                           : Format("NC読込みモジュールのエラー - %s!(%d行目)", d.reason.c_str(), d.programLine);
        default:
            return {};
    }
}

std::string AlarmWhere(int code, const AlarmDetail& d, bool english) {
    if (code != kAlarmInvalidCharacter) return {};
    const unsigned byte = static_cast<unsigned char>(d.character);
    return english ? Format("Byte 0x%02X in line %d, column %d.", byte, d.programLine, d.column)
                   : Format("%d行目 %d文字目 バイト 0x%02X", d.programLine, d.column, byte);
}

void ShowAlarm(Host& host, const AlarmDelivery& delivery, int code, const AlarmDetail& detail) {
    std::string text = AlarmText(code, detail, IsEnglish(), delivery.batch);
    if (text.empty()) return;
    const std::string where = AlarmWhere(code, detail, IsEnglish());
    if (!delivery.batch) {
        MessageRequest request;
        request.text = where.empty() ? text : text + "\n" + where;
        if (!delivery.ncPath.empty()) request.caption = delivery.ncPath;
        request.kind = MessageKind::Error;
        request.topMost = true;
        host.ShowMessage(request);
        return;
    }
    // The log keeps one line per entry: the detail follows the message in brackets.
    if (!where.empty()) text += " [" + where + "]";
    const std::string entry = Format("(%d) - ", detail.programLine) + text + "\n";
    const bool logged = AppendBatchLog(delivery.logDir, delivery.ncName, entry);
    if (host.IsUnattended()) {
        std::fprintf(stderr, "morvex: %s", entry.c_str());
        if (!logged) {
            std::fprintf(stderr, "morvex: the batch log in \"%s\" cannot be written\n",
                         delivery.logDir.c_str());
        }
    }
}

void WriteOffsetAlarm(AlarmFiles& files, int listOption, double radiusOffset, int programLine,
                      std::string_view block) {
    files.offsetMarked = true;
    if (listOption != kOffsetListList && listOption != kOffsetListOpen) return;
    std::FILE* f = OpenList(files.alarm, files.folder, kAlarmListName, kAlarmListHeader);
    if (!f) return;
    Put(f, Format("\nINTERFERENCE IN RADIUS(%.3f) OFFSET\n%d:", radiusOffset, programLine));
    Put(f, block);
    std::fflush(f);  // the list is readable while the run goes on
}

bool TakeOffsetMark(AlarmFiles& files) {
    const bool marked = files.offsetMarked;
    files.offsetMarked = false;
    return marked;
}

bool WriteInterference(AlarmFiles& files, const InterferenceFindings& findings, int programLine,
                       std::string_view block) {
    const struct {
        bool found;
        std::string_view name;
    } kinds[] = {
        {findings.rapid, "RAPID(G00)"},
        {findings.arbor, "ARBOR"},
        {findings.overLength, "OVER LENGTH"},
        {findings.overChip, "OVER CHIP"},
        {findings.taper, "TAPER"},
        {findings.tooFast, "TOO FAST"},
        {findings.attachment, "ATTATCHMENT"},
    };
    std::string names;
    for (const auto& kind : kinds) {
        if (!kind.found) continue;
        if (!names.empty()) names += " + ";
        names += kind.name;
    }
    if (names.empty()) return false;
    std::FILE* f =
        OpenList(files.interference, files.folder, kInterferenceListName, kInterferenceListHeader);
    if (f) {
        Put(f, "\n" + names + "\n" + Format("%d:", programLine));
        Put(f, block);
        std::fflush(f);
    }
    return true;
}

void CloseAlarmFiles(AlarmFiles& files, Host& host, bool batch, int listOption) {
    const bool alarmWritten = CloseList(files.alarm);
    const bool interferenceWritten = CloseList(files.interference);
    files.offsetMarked = false;
    if (batch) return;
    if (alarmWritten && listOption == kOffsetListOpen) host.OpenWithViewer(files.alarm.path);
    if (interferenceWritten) host.OpenWithViewer(files.interference.path);
}

}  // namespace morvex
