// The NC alarm table (codes 1..8 of the cutting checks, 101..107 of the NC
// interpreter) in English and Japanese, its delivery through the Host (message
// box or batch log), and the two list files of a run: "alarm.txt" and
// "interference.txt".
#pragma once

#include <cstdio>
#include <memory>
#include <string>
#include <string_view>

namespace morvex {

class Host;
struct BlockReader;

// Message codes. The cutting checks raise 1..8; the NC codes are the pending
// NC error of the block reader or interpreter plus kNcAlarmBase, and 106/107
// come from radius compensation.
inline constexpr int kAlarmRapid = 1;
inline constexpr int kAlarmArbor = 2;
inline constexpr int kAlarmOverLength = 3;
inline constexpr int kAlarmOverChip = 4;
inline constexpr int kAlarmTaper = 5;
inline constexpr int kAlarmTooFast = 6;
inline constexpr int kAlarmOverload = 7;
inline constexpr int kAlarmAttachment = 8;
inline constexpr int kNcAlarmBase = 100;
inline constexpr int kAlarmArcRadius = 101;
inline constexpr int kAlarmZeroFeed = 102;
inline constexpr int kAlarmNoStartCode = 103;
inline constexpr int kAlarmInvalidCharacter = 104;
inline constexpr int kAlarmDoubleDecimalPoint = 105;
inline constexpr int kAlarmReverseArc = 106;
inline constexpr int kAlarmOverOffset = 107;
inline constexpr int kAlarmModuleRead = 108;

// Cut kinds named by the overload message (code 7); any other value is general.
inline constexpr int kCutKindVertical = 1;
inline constexpr int kCutKindUp = 2;
inline constexpr int kCutKindDown = 3;

// The radius-offset check list option of the controller definition.
inline constexpr int kOffsetListNone = 0;
inline constexpr int kOffsetListList = 1;
inline constexpr int kOffsetListOpen = 2;

inline constexpr std::string_view kAlarmListName = "alarm.txt";
inline constexpr std::string_view kInterferenceListName = "interference.txt";

// What the placeholders of a message are filled with.
struct AlarmDetail {
    int programLine = 0;     // program line counter of the block reader
    int column = 0;          // 104, 105: column of the character check, from 1
    char character = 0;      // 104: the offending character
    char endOfRecord = ' ';  // 103: the start code looked for
    int cutKind = 0;         // 7: kCutKindVertical, kCutKindUp, kCutKindDown, else general
    // 1: the rapid interference is only possible; set it only when G00MODE is
    // UNKNOWN, so that the "or it's possible" text is used.
    bool possibleG00 = false;
    std::string reason;  // 108: what the reader module did wrong
};

// Where a message goes: a message box on top with the NC file path as its
// caption, or in batch mode an entry of the batch log.
struct AlarmDelivery {
    bool batch = false;
    std::string ncPath;  // message box caption
    std::string logDir;  // Target_LOGdir; empty is the current folder
    std::string ncName;  // NC program name in the log stamp
};

// The detail of a pending NC error of the block reader (column, character,
// program line counter) with the end-of-record character of the controller.
AlarmDetail NcErrorDetail(const BlockReader& reader, char endOfRecord);

// The message of a code in one language; `batch` picks the batch-log form of
// codes 103 and 106. Empty for a code outside the table.
std::string AlarmText(int code, const AlarmDetail& detail, bool english, bool batch);

// Where the fault lies, for the codes that can say it: for 104 the byte in
// hex with its line and column. Empty for the other codes. The message box
// shows it on a line of its own under the message, the batch log in
// brackets after it, so that the message itself keeps its wording.
std::string AlarmWhere(int code, const AlarmDetail& detail, bool english);

// Shows the message of `code` in the current language, or in batch mode
// appends "(line) - message\n" to the batch log (also echoed on stderr when
// the host is unattended). A code outside the table shows nothing.
void ShowAlarm(Host& host, const AlarmDelivery& delivery, int code, const AlarmDetail& detail);

struct ListFileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using ListFile = std::unique_ptr<std::FILE, ListFileCloser>;

// One list of a run: open from its first entry until CloseAlarmFiles. A list
// that could not be created stays closed for the rest of the run, so that it
// never holds a list without its first entries.
struct AlarmList {
    ListFile file;
    std::string path;  // absolute path of the file last created
    bool failed = false;
};

// The two list files of one run, created in `folder` (the current folder
// when empty), each replacing an older file at its first entry.
struct AlarmFiles {
    std::string folder;
    AlarmList alarm;
    AlarmList interference;
    // Set by WriteOffsetAlarm for the motion being produced; the cutting side
    // takes it with TakeOffsetMark for the STOP and PENKI options.
    bool offsetMarked = false;
};

// What the interference checks found for one motion.
struct InterferenceFindings {
    bool rapid = false;       // "RAPID(G00)"
    bool arbor = false;       // "ARBOR"
    bool overLength = false;  // "OVER LENGTH"
    bool overChip = false;    // "OVER CHIP"
    bool taper = false;       // "TAPER"
    bool tooFast = false;     // "TOO FAST"
    bool attachment = false;  // "ATTATCHMENT"
};

// One radius-offset interference: with list option LIST or OPEN the entry
// (radius offset, program line counter and the block text, which ends with
// its newline) goes to "alarm.txt"; the offset mark is set in every case.
// The caller decides when the check applies (check on, deviation, not a
// check-only run).
void WriteOffsetAlarm(AlarmFiles& files, int listOption, double radiusOffset, int programLine,
                      std::string_view block);

// Returns the offset mark of the current motion and clears it.
[[nodiscard]] bool TakeOffsetMark(AlarmFiles& files);

// Lists the findings of one motion in "interference.txt". Returns true when
// there was any finding: the caller then plays the alarm sound when alarm
// sounds are on and requests a redraw when that display setting is on and
// the run is not in batch mode (both are the caller's settings and sound
// backend). Nothing is listed, and false returned, without findings.
bool WriteInterference(AlarmFiles& files, const InterferenceFindings& findings, int programLine,
                       std::string_view block);

// End of a run: closes both lists and, unless in batch mode, opens each list
// written in this run with the system viewer (the alarm list only with list
// option OPEN). The next run starts both lists afresh.
void CloseAlarmFiles(AlarmFiles& files, Host& host, bool batch, int listOption);

}  // namespace morvex
