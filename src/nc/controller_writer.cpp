// Write-back of the D/H offsets and the work coordinates into the controller
// definition file.
//
// Implementation notes:
// - The file is copied into "<file>.new" in the pieces the reader sees (lines
//   of at most 255 characters), so a line is replaced exactly when the reader
//   would take it as a memory line. Every other line is copied byte for byte,
//   its line end included; the lines written here end as the file's first
//   line does ("\r\n" or "\n").
// - Bare "D12 = ..." and "H3 = ..." lines are replaced like MEMORY lines, in
//   their own form: otherwise an entry edited to zero would keep its old value
//   from the bare line when the file is read again.
// - Replacement order: ".new" complete and synced, then ".bak" deleted, the
//   file renamed to ".bak", ".new" renamed to the file. Each step's failure
//   is handled where it happens in Rewrite; the original stays in place.
#include "nc/controller_writer.h"

#include <unistd.h>

#include <array>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string_view>
#include <system_error>
#include <vector>

#include "base/file_time.h"
#include "base/text.h"
#include "nc/controller_reader.h"
#include "nc/definition_reader.h"

namespace morvex {
namespace {

namespace fs = std::filesystem;

// What becomes of one line: nullopt copies it, an empty text drops it, any
// other text (without line end) replaces it.
using LineRule = std::function<std::optional<std::string>(std::string_view line)>;
// The lines appended after the last line (without line ends).
using TailRule = std::function<std::vector<std::string>()>;

// Reads one line piece as ReadDefinitionLine cuts it ("\r\n" counts as one
// character) but keeps its bytes exactly. False at the end of the file.
bool ReadRawLine(std::FILE* f, std::string& raw) {
    raw.clear();
    std::size_t seen = 0;
    while (seen < kDefinitionLineChars) {
        const int c = std::fgetc(f);
        if (c == EOF) break;
        raw.push_back(static_cast<char>(c));
        ++seen;
        if (c == '\n') break;
        if (c == '\r') {
            const int next = std::fgetc(f);
            if (next == '\n') {
                raw.push_back('\n');
                break;
            }
            if (next != EOF) std::ungetc(next, f);
        }
    }
    return !raw.empty();
}

bool WriteAll(std::FILE* f, std::string_view text) {
    return text.empty() || std::fwrite(text.data(), 1, text.size(), f) == text.size();
}

// Copies `in` to `out` under the rules. False on any read or write error.
bool CopyWithRules(std::FILE* in, std::FILE* out, const LineRule& replace, const TailRule& tail) {
    std::string raw;
    std::string lineEnd = "\n";
    bool firstLine = true;
    bool atLineStart = true;  // the output so far ends with a line end (or is empty)
    while (ReadRawLine(in, raw)) {
        if (firstLine && raw.size() >= 2 && raw.compare(raw.size() - 2, 2, "\r\n") == 0) {
            lineEnd = "\r\n";
        }
        firstLine = false;
        const std::optional<std::string> replacement = replace(raw);
        if (!replacement) {
            if (!WriteAll(out, raw)) return false;
            atLineStart = raw.back() == '\n';
        } else if (!replacement->empty()) {
            if (!WriteAll(out, *replacement) || !WriteAll(out, lineEnd)) return false;
            atLineStart = true;
        }
    }
    if (std::ferror(in)) return false;  // a copy of part of the file must not replace it
    const std::vector<std::string> lines = tail();
    // A last line without a line end gets one, so the first appended line stands apart.
    if (!lines.empty() && !atLineStart && !WriteAll(out, lineEnd)) return false;
    for (const std::string& line : lines) {
        if (!WriteAll(out, line) || !WriteAll(out, lineEnd)) return false;
    }
    return true;
}

// Writes the rewritten copy and rotates it into place. False leaves the
// controller file as it was and removes the ".new" file.
bool Rewrite(const std::string& path, const LineRule& replace, const TailRule& tail, FileTime& fileTime) {
    std::error_code ec;
    // Through a symbolic link the file it names is replaced, with ".new" and
    // ".bak" beside it. No such file: nothing is written.
    const fs::path target = fs::canonical(path, ec);
    if (ec) return false;
    const std::string file = target.string();
    DefinitionLineReader in;
    if (!OpenDefinitionFile(file, in)) return false;  // not a readable regular file
    const std::string newFile = file + ".new";
    const std::string bakFile = file + ".bak";

    // A ".new" left by an interrupted write-back is removed; a directory of
    // that name is not touched and fails the write-back.
    const fs::file_status stale = fs::symlink_status(newFile, ec);
    if (fs::is_directory(stale)) return false;
    if (fs::exists(stale) && !fs::remove(newFile, ec)) return false;
    // "x": created afresh, never through a link put there in the meantime.
    std::FILE* out = std::fopen(newFile.c_str(), "wbx");
    if (!out) return false;  // folder not writable: nothing changed
    bool ok = CopyWithRules(in.file.get(), out, replace, tail);
    // Flushed and synced, so that the file renamed into place is complete on disk.
    ok = std::fflush(out) == 0 && ok;
    ok = ::fsync(::fileno(out)) == 0 && ok;
    ok = std::fclose(out) == 0 && ok;
    in.file.reset();
    if (!ok) {  // read or write error: the incomplete copy goes, the original stays
        fs::remove(newFile, ec);
        return false;
    }
    // The copy takes the original's permissions (best effort).
    const fs::perms perms = fs::status(file, ec).permissions();
    if (!ec) fs::permissions(newFile, perms, ec);

    fs::remove(bakFile, ec);  // no ".bak" yet is not an error
    if (ec) {                 // a ".bak" that cannot be removed: the original stays
        fs::remove(newFile, ec);
        return false;
    }
    fs::rename(file, bakFile, ec);
    if (ec) {  // the original stays under its name
        fs::remove(newFile, ec);
        return false;
    }
    fs::rename(newFile, file, ec);
    if (ec) {  // put the original back from ".bak"
        fs::rename(bakFile, file, ec);
        fs::remove(newFile, ec);
        return false;
    }
    // The new time, so that the write-back is not taken for an outside edit.
    fileTime = ReadFileTime(path);
    return true;
}

bool IsZero(const OffsetValue& o, bool twoColumns) {
    return o.value == 0.0f && (!twoColumns || o.second == 0.0f);
}

std::string OffsetLine(bool memoryForm, char letter, int n, const OffsetValue& o, bool twoColumns) {
    const std::string text = twoColumns ? Format("%c%02d= %f,%f", letter, n, o.value, o.second)
                                        : Format("%c%02d= %f", letter, n, o.value);
    return memoryForm ? "MEMORY " + text : text;
}

bool IsZero(const WorkCoordinate& w) { return w.x == 0.0f && w.y == 0.0f && w.z == 0.0f; }

// Entry n as "MEMORY G5<n+3>= (...)" (G54..G59) or "MEMORY WK<n>= (...)".
std::string WorkLine(bool g5Form, int n, const WorkCoordinate& w) {
    return g5Form ? Format("MEMORY G5%d= (%f,%f,%f)", n + 3, w.x, w.y, w.z)
                  : Format("MEMORY WK%d= (%f,%f,%f)", n, w.x, w.y, w.z);
}

}  // namespace

bool WriteBackOffsets(const std::string& path, ControllerDef& def, char table) {
    const char letter = ToUpperAscii(table);
    if (letter != 'D' && letter != 'H') return false;
    const MemoryTable which = letter == 'D' ? MemoryTable::D : MemoryTable::H;
    const auto& offsets = letter == 'D' ? def.dOffsets : def.hOffsets;
    // FANUC-B and FANUC-C keep geometry and wear: both columns are written.
    const bool twoColumns = def.g10Mode == 2 || def.g10Mode == 3;
    std::array<bool, kOffsetNumbers> written{};

    const LineRule replace = [&](std::string_view line) -> std::optional<std::string> {
        const MemoryLine m = ParseMemoryLine(line);
        if (m.table != which) return std::nullopt;
        const auto n = static_cast<std::size_t>(m.number);
        written[n] = true;
        if (IsZero(offsets[n], twoColumns)) return std::string();
        return OffsetLine(m.memoryForm, letter, m.number, offsets[n], twoColumns);
    };
    const TailRule tail = [&] {
        std::vector<std::string> lines;
        for (int n = 1; n < kOffsetNumbers; ++n) {
            const OffsetValue& o = offsets[static_cast<std::size_t>(n)];
            if (!written[static_cast<std::size_t>(n)] && !IsZero(o, twoColumns)) {
                lines.push_back(OffsetLine(true, letter, n, o, twoColumns));
            }
        }
        return lines;
    };
    return Rewrite(path, replace, tail, def.fileTime);
}

bool WriteBackWorkCoordinates(const std::string& path, ControllerDef& def) {
    std::array<bool, kWorkEntries> written{};
    const LineRule replace = [&](std::string_view line) -> std::optional<std::string> {
        const MemoryLine m = ParseMemoryLine(line);
        if (m.table != MemoryTable::Work) return std::nullopt;
        const auto n = static_cast<std::size_t>(m.number);
        written[n] = true;
        if (IsZero(def.work[n])) return std::string();
        return WorkLine(m.g5Form, m.number, def.work[n]);
    };
    const TailRule tail = [&] {
        std::vector<std::string> lines;
        // The standard family names entries 1..6 by their codes G54..G59.
        const bool g5Names = def.product == ProductFamily::Standard;
        for (int n = 1; n < kWorkEntries; ++n) {
            const WorkCoordinate& w = def.work[static_cast<std::size_t>(n)];
            if (!written[static_cast<std::size_t>(n)] && !IsZero(w)) {
                lines.push_back(WorkLine(g5Names && n <= 6, n, w));
            }
        }
        return lines;
    };
    return Rewrite(path, replace, tail, def.fileTime);
}

}  // namespace morvex
