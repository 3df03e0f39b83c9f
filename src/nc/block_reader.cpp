// NC block reader.
#include "nc/block_reader.h"

#include <vector>

#include "base/text.h"
#include "nc/word_reader.h"

namespace morvex {
namespace {

// Makes the block end with exactly one newline (a carriage return before
// it has already been folded into it by the line reader).
void NormaliseLineEnd(std::string& block) {
    const std::size_t n = block.size();
    if (n >= 2 && block[n - 1] == '\n' && block[n - 2] != '\n' && block[n - 2] != '\r') return;
    while (!block.empty() && (block.back() == '\n' || block.back() == '\r')) block.pop_back();
    block += '\n';
}

}  // namespace

bool OpenNcProgram(BlockReader& reader, const std::string& path) {
    reader.module.Close();
    return OpenDefinitionFile(path, reader.source);
}

bool OpenNcProgram(BlockReader& reader, const std::string& path, const ModuleReader& module) {
    if (!module.active()) return OpenNcProgram(reader, path);
    return reader.module.Open(module, path);
}

void ResetBlockReader(BlockReader& reader, const ControllerDef& ctl) {
    reader.block.clear();
    reader.programLine = 0;
    reader.motionLine = 0;
    reader.programState = ctl.endOfRecord == ' ' || reader.module.reading() ? ProgramState::InProgram
                                                                            : ProgramState::WaitingForStart;
    reader.endState = EndState::None;
    reader.decimalPoint = ctl.decimalPoint;
    reader.pendingError = kNcNoError;
    reader.errorColumn = 0;
    reader.errorChar = 0;
    reader.reuseBlock = false;
    reader.forcedStop = false;
}

bool IsRecordMark(std::string_view block, char endOfRecord) {
    if (endOfRecord == ' ' || block.empty()) return false;
    if (block[0] == endOfRecord) return true;
    return block[0] == ' ' && block.size() > 1 && block[1] == endOfRecord;
}

void ApplyReplacements(std::string& block, const std::vector<Replacement>& pairs) {
    if (pairs.empty()) return;
    struct Match {
        std::size_t at;
        std::size_t length;
        const std::string* to;
    };
    std::vector<Match> matches;
    std::size_t pos = 0;
    while (pos < block.size() && matches.size() < kMaxReplacementsPerBlock) {
        const Replacement* found = nullptr;
        for (const Replacement& r : pairs) {
            // An empty "from" text matches nothing (it would match everywhere).
            if (!r.from.empty() && StartsWithNoCase(std::string_view(block).substr(pos), r.from)) {
                found = &r;
                break;
            }
        }
        if (found) {
            matches.push_back({pos, found->from.size(), &found->to});
            pos += found->from.size();
        } else {
            ++pos;
        }
    }
    if (matches.empty()) return;
    std::string out;
    std::size_t from = 0;
    for (const Match& m : matches) {
        out.append(block, from, m.at - from);
        out += *m.to;
        from = m.at + m.length;
    }
    out.append(block, from, std::string::npos);
    if (out.size() > kBlockChars) out.resize(kBlockChars);
    block = std::move(out);
}

int CheckBlockCharacters(std::string_view block, const ControllerDef& ctl, int& column, char& bad) {
    const std::string_view text = WithoutLineEnd(block);
    int points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '(') {
            const std::size_t close = text.find(')', i + 1);
            if (close == std::string_view::npos) break;
            i = close;
            continue;
        }
        if (ctl.hasCheckChars && !(c >= '0' && c <= '9') &&
            ctl.checkChars.find(c) == std::string::npos) {
            column = static_cast<int>(i) + 1;
            bad = c;
            return kNcInvalidCharacter;
        }
        if ((c >= 'A' && c <= 'Z') || c == '#') {
            points = 0;
        } else if (c == '.' && ++points == 2) {
            column = static_cast<int>(i) + 1;
            bad = c;
            return kNcDoubleDecimalPoint;
        }
    }
    return kNcNoError;
}

bool IsSkippedBlock(std::string_view block, const ControllerDef& ctl) {
    if (!ctl.skipActive) return false;
    std::size_t i = 0;
    while (i < block.size() && (block[i] == ' ' || block[i] == '\t')) ++i;
    if (i >= block.size() || block[i] != '/') return false;
    const char level = i + 1 < block.size() ? block[i + 1] : '\0';
    const int index = (level >= '1' && level <= '9') ? level - '0' : 0;
    return ctl.skipLevels[static_cast<std::size_t>(index)];
}

bool ReadNextBlock(BlockReader& reader, const ControllerDef& ctl) {
    if (reader.reuseBlock) {
        reader.reuseBlock = false;
        return true;
    }
    bool delivered = false;
    while (true) {
        if (!ReadDefinitionLine(reader.source, reader.block, kBlockChars)) {
            reader.endState = EndState::EndReached;
            reader.block.clear();
            break;
        }
        ++reader.programLine;
        ++reader.motionLine;
        ApplyReplacements(reader.block, ctl.replacements);
        if (ctl.codeCheck) {
            const int error =
                CheckBlockCharacters(reader.block, ctl, reader.errorColumn, reader.errorChar);
            if (error != kNcNoError) {
                NormaliseLineEnd(reader.block);
                reader.pendingError = error;
                break;
            }
        }
        if (IsSkippedBlock(reader.block, ctl)) continue;
        NormaliseLineEnd(reader.block);
        delivered = true;
        break;
    }
    return delivered;
}

int StopMarksOf(std::string_view block, const ControllerDef& ctl) {
    int marks = 0;
    if (block.find("M0") != std::string_view::npos) {
        // The last M word outside comments decides between M00 and M01.
        int last = -1;
        for (std::size_t i = 0; i < block.size(); ++i) {
            if (block[i] == '(') {
                const std::size_t close = block.find(')', i + 1);
                if (close == std::string_view::npos) break;
                i = close;
            } else if (block[i] == 'M') {
                std::size_t cursor = i + 1;
                last = ReadIntegerWord(block, cursor);
                i = cursor - 1;
            }
        }
        if (last == 0) marks |= kStopMarkM00;
        if (last == 1) marks |= kStopMarkM01;
    }
    for (const std::string& s : ctl.stopStrings) {
        if (!s.empty() && block.find(s) != std::string_view::npos) {
            marks |= kStopMarkString;
            break;
        }
    }
    return marks;
}

bool StopsAt(int marks, int stopOption) {
    switch (stopOption) {
    case 1: return (marks & kStopMarkM00) != 0;
    case 2: return (marks & (kStopMarkM00 | kStopMarkM01)) != 0;
    case 3: return true;
    case 4: return (marks & kStopMarkString) != 0;
    default: return false;
    }
}

bool IsStopBlock(BlockReader& reader, const ControllerDef& ctl, int stopOption) {
    if (reader.forcedStop) {
        reader.forcedStop = false;
        return true;
    }
    return StopsAt(StopMarksOf(reader.block, ctl), stopOption);
}

}  // namespace morvex
