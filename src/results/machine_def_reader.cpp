// Machine definition reading: one pass over the lines of the MTL file, each
// tested against the keys in their fixed order; the first key that begins the
// line decides, and lines that begin with no key are passed over.
//
// Implementation notes:
// - Where a value starts: right behind the key, stepping over the one
//   separator character that stands there (a blank, a tab or "="). Word and
//   text values then pass over further blanks and "=" signs, and a number is
//   taken from its first numeric character, so "KEY = v", "KEY=v" and "KEY v"
//   read alike. A value character directly behind the key ("RAPID(X)5000")
//   is kept rather than dropped as a separator.
// - A read resets only what the file's reading resets (see the header); the
//   rates, accelerations, times, name and digit counts are held until a line
//   sets them. The shapes are emptied together with the attachment list so
//   that a shape taken out of the file does not linger under its number.
// - Everything taken from the file is bounded before use: at most ten listed
//   attachments (an eleventh ATTACHMENT line ends the reading), attachment
//   numbers 0..10 (a line with another number is passed over), five blocks
//   per shape, digit counts 0..9 (10^offsetDigits must not overflow where T
//   words are split), and an initial attachment inside the list (else none).
#include "results/machine_def.h"

#include <algorithm>
#include <string_view>

#include "nc/definition_reader.h"

namespace morvex {
namespace {

constexpr std::string_view kAttachmentKey = "ATTACHMENT";


std::size_t ValueStart(std::string_view line, std::size_t keyEnd) {
    const bool separator =
        keyEnd < line.size() && (line[keyEnd] == ' ' || line[keyEnd] == '\t' || line[keyEnd] == '=');
    return separator ? keyEnd + 1 : keyEnd;
}

float NumberAt(std::string_view line, std::size_t at) {
    float value = 0.0f;
    ReadNumberFloat(at, line, value);
    return value;
}

int DigitCount(float value) { return std::clamp(TruncateToInt(value), 0, kMaxCodeDigits); }

// ---- values of single keys -------------------------------------------------

void ReadName(MachineDef& d, std::string_view line, std::size_t at) {
    SkipSeparators(at, line);
    std::string_view rest = line.substr(std::min(at, line.size()));
    while (!rest.empty() && (rest.back() == '\n' || rest.back() == '\r')) rest.remove_suffix(1);
    d.name.assign(rest);
}

// "DIRECT", "DIRECT T2,2" (tool digits, then offset digits), "WAIT2", "WAIT";
// WAIT2 is tried first because WAIT is its prefix. Another word leaves the
// type reset to DIRECT.
void ReadAtcType(MachineDef& d, std::string_view line, std::size_t at) {
    std::size_t c = at;
    SkipSeparators(c, line);
    if (MatchWord(c, line, "DIRECT")) {
        d.atcType = AtcType::Direct;
        c += std::string_view("DIRECT").size();
        SkipSeparators(c, line);
        if (c < line.size() && (line[c] == 'T' || line[c] == 't')) {
            ++c;
            d.toolCodeMode = ToolCodeMode::ToolAndOffset;
            float value = 0.0f;
            ReadNumberFloat(c, line, value);
            d.toolDigits = DigitCount(value);
            ReadNextFloat(c, line, value);
            d.offsetDigits = DigitCount(value);
        }
    } else if (MatchWord(c, line, "WAIT2")) {
        d.atcType = AtcType::Wait2;
    } else if (MatchWord(c, line, "WAIT")) {
        d.atcType = AtcType::Wait;
    }
}

template <auto Field, std::size_t Axis>
void ReadAxis(MachineDef& d, std::string_view line, std::size_t at) {
    (d.*Field)[Axis] = NumberAt(line, at);
}

template <auto Field>
void ReadAllAxes(MachineDef& d, std::string_view line, std::size_t at) {
    (d.*Field).fill(NumberAt(line, at));
}

// Any line beginning "INI", written "INI ATTACHMENT = k": behind the
// separators the ten characters of the word ATTACHMENT are passed over.
void ReadInitialAttachment(MachineDef& d, std::string_view line, std::size_t at) {
    SkipSeparators(at, line);
    at += kAttachmentKey.size();  // beyond the line the number reads as 0
    d.initialAttachment = TruncateToInt(NumberAt(line, at));
}

// Blocks from the first value on, as a comma-separated list: first[0], and
// while first[i] is not 0: second[i], then first[i + 1]; at most five blocks.
AttachmentShape ReadSquare(std::string_view line, std::size_t c) {
    AttachmentShape s;
    s.type = AttachmentType::Square;
    ReadNumberFloat(c, line, s.first[0]);
    for (std::size_t i = 0; i < kMaxAttachmentPairs && s.first[i] != 0.0f; ++i) {
        ReadNextFloat(c, line, s.second[i]);
        s.pairCount = static_cast<int>(i + 1);
        if (i + 1 < kMaxAttachmentPairs) ReadNextFloat(c, line, s.first[i + 1]);
    }
    return s;
}

// "ATTACHMENT n" or "ATTACHMENT n SQUARE side,height,...,0.0". The caller has
// already ended the reading when the list is full.
void ReadAttachment(MachineDef& d, std::string_view line, std::size_t at) {
    const auto count = static_cast<std::size_t>(d.attachmentCount);
    if (count >= kMaxAttachments) return;
    std::size_t c = at;
    float value = 0.0f;
    ReadNumberFloat(c, line, value);
    const int n = TruncateToInt(value);
    if (n < 0 || n >= static_cast<int>(kAttachmentNumbers)) return;  // no shape record for it
    d.attachmentNo[count] = n;
    d.attachmentCount = static_cast<int>(count + 1);
    c = EndOfNumber(line, c);
    SkipSeparators(c, line);
    if (MatchWord(c, line, "SQUARE")) {
        d.attachmentShape[static_cast<std::size_t>(n)] = ReadSquare(line, c + std::string_view("SQUARE").size());
    }
}

// ---- the key table ---------------------------------------------------------

using KeyAction = void (*)(MachineDef&, std::string_view line, std::size_t at);

struct KeyRule {
    std::string_view key;
    KeyAction apply;  // `at` is where the value starts
};

// A key that is the prefix of another stands after it: "MAXIMUM FEEDRATE"
// after its axis forms, "INI" and "ATTACHMENT" last.
constexpr KeyRule kKeys[] = {
    {"NAME", ReadName},
    {"ATC TYPE", ReadAtcType},
    {"TOOL CHANGE TIME", [](MachineDef& d, std::string_view l, std::size_t at) {
         d.toolChangeTime = NumberAt(l, at);
     }},
    {"RAPID(X)", ReadAxis<&MachineDef::rapid, 0>},
    {"RAPID(Y)", ReadAxis<&MachineDef::rapid, 1>},
    {"RAPID(Z)", ReadAxis<&MachineDef::rapid, 2>},
    {"RAPID ACCELERATION(X)", ReadAxis<&MachineDef::rapidAccel, 0>},
    {"RAPID ACCELERATION(Y)", ReadAxis<&MachineDef::rapidAccel, 1>},
    {"RAPID ACCELERATION(Z)", ReadAxis<&MachineDef::rapidAccel, 2>},
    {"MAXIMUM FEEDRATE(X)", ReadAxis<&MachineDef::maxFeed, 0>},
    {"MAXIMUM FEEDRATE(Y)", ReadAxis<&MachineDef::maxFeed, 1>},
    {"MAXIMUM FEEDRATE(Z)", ReadAxis<&MachineDef::maxFeed, 2>},
    {"MAXIMUM FEEDRATE", ReadAllAxes<&MachineDef::maxFeed>},
    {"ACCELERATION(X)", ReadAxis<&MachineDef::accel, 0>},
    {"ACCELERATION(Y)", ReadAxis<&MachineDef::accel, 1>},
    {"ACCELERATION(Z)", ReadAxis<&MachineDef::accel, 2>},
    // The older name of the same settings.
    {"MAXIMUM ACCELERATION(X)", ReadAxis<&MachineDef::accel, 0>},
    {"MAXIMUM ACCELERATION(Y)", ReadAxis<&MachineDef::accel, 1>},
    {"MAXIMUM ACCELERATION(Z)", ReadAxis<&MachineDef::accel, 2>},
    {"INI", ReadInitialAttachment},
    {kAttachmentKey, ReadAttachment},
};

void ApplyLine(MachineDef& d, std::string_view line) {
    for (const KeyRule& rule : kKeys) {
        if (MatchKey(line, rule.key)) {
            rule.apply(d, line, ValueStart(line, rule.key.size()));
            return;
        }
    }
}

// ATTACHMENT is the last key and no earlier key begins a line that begins
// with it, so this test may come before the key table.
bool EndsReading(const MachineDef& d, std::string_view line) {
    return MatchKey(line, kAttachmentKey) && static_cast<std::size_t>(d.attachmentCount) >= kMaxAttachments;
}

}  // namespace

int ReadMachineDef(const std::string& path, MachineDef& def) {
    def.atcType = AtcType::Direct;
    def.toolCodeMode = ToolCodeMode::Plain;
    def.fileTime = ReadFileTime(path);
    DefinitionLineReader reader;
    if (!OpenDefinitionFile(path, reader)) {
        def.loaded = -1;
        return def.loaded;
    }
    def.loaded = 1;
    def.attachmentCount = 0;
    def.attachmentNo.fill(0);
    def.attachmentShape.fill(AttachmentShape{});
    def.initialAttachment = 0;

    std::string line;
    while (ReadDefinitionLine(reader, line)) {
        if (EndsReading(def, line)) break;
        ApplyLine(def, line);
    }
    if (def.initialAttachment < 0 || def.initialAttachment > def.attachmentCount) def.initialAttachment = 0;
    return def.loaded;
}

}  // namespace morvex
