// INI reading and rewriting.
//
// Implementation notes: the file is held as its lines; look-ups scan them,
// which is fast enough for the few hundred lines a settings file has and
// keeps every byte of lines the program does not write.
#include "frame/ini_file.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#include "base/text.h"
#include "workio/replaced_file.h"

namespace morvex {
namespace {

constexpr std::uintmax_t kMaxIniBytes = 16 * 1024 * 1024;
constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// Section name of a "[name]" line, or nullopt for any other line.
std::optional<std::string_view> SectionName(std::string_view line) {
    const std::string_view trimmed = TrimBlanks(line);
    if (trimmed.empty() || trimmed.front() != '[') return std::nullopt;
    const std::size_t close = trimmed.find(']');
    if (close == std::string_view::npos) return std::nullopt;
    return TrimBlanks(trimmed.substr(1, close - 1));
}

struct KeyLine {
    std::string_view key;
    std::size_t valueStart = 0;  // offset of the value in the line (after blanks)
};

std::optional<KeyLine> SplitKeyLine(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    KeyLine out;
    out.key = TrimBlanks(line.substr(0, eq));
    out.valueStart = eq + 1;
    while (out.valueStart < line.size() &&
           (line[out.valueStart] == ' ' || line[out.valueStart] == '\t')) {
        ++out.valueStart;
    }
    return out;
}

// Index range [first, last) of the body lines of the first section so named.
struct SectionRange {
    std::size_t header = 0;
    std::size_t first = 0;
    std::size_t last = 0;
};

std::optional<SectionRange> FindSection(const IniFile& ini, std::string_view section) {
    for (std::size_t i = 0; i < ini.lines.size(); ++i) {
        const auto name = SectionName(ini.lines[i]);
        if (!name || !EqualsNoCase(*name, section)) continue;
        SectionRange range{i, i + 1, i + 1};
        while (range.last < ini.lines.size() && !SectionName(ini.lines[range.last])) ++range.last;
        return range;
    }
    return std::nullopt;
}

std::optional<std::size_t> FindKey(const IniFile& ini, const SectionRange& range,
                                   std::string_view key) {
    for (std::size_t i = range.first; i < range.last; ++i) {
        const auto split = SplitKeyLine(ini.lines[i]);
        if (split && EqualsNoCase(split->key, key)) return i;
    }
    return std::nullopt;
}

std::optional<std::string> FindValue(const IniFile& ini, std::string_view section,
                                     std::string_view key) {
    const auto range = FindSection(ini, section);
    if (!range) return std::nullopt;
    const auto index = FindKey(ini, *range, key);
    if (!index) return std::nullopt;
    const std::string_view line = ini.lines[*index];
    std::string_view value = TrimBlanks(line.substr(SplitKeyLine(line)->valueStart));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
        value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

}  // namespace

IniFile LoadIni(const std::string& path) {
    IniFile ini;
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return ini;
    // A settings file is a few kilobytes; one past this size is not one.
    const auto size = std::filesystem::file_size(path, ec);
    if (ec || size > kMaxIniBytes) return ini;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return ini;
    std::string content;
    char buffer[8192];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof(buffer), f)) > 0) content.append(buffer, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return ini;
    ini.loaded = true;
    if (content.rfind(kUtf8Mark, 0) == 0) {
        ini.byteOrderMark = true;
        content.erase(0, kUtf8Mark.size());
    }
    if (content.find("\r\n") != std::string::npos) ini.lineEnd = "\r\n";
    std::size_t pos = 0;
    while (pos < content.size()) {
        std::size_t end = content.find('\n', pos);
        const std::size_t next = end == std::string::npos ? content.size() : end + 1;
        if (end == std::string::npos) end = content.size();
        if (end > pos && content[end - 1] == '\r') --end;
        ini.lines.emplace_back(content, pos, end - pos);
        pos = next;
    }
    return ini;
}

bool LoadIniForUpdate(const std::string& path, IniFile& ini) {
    ini = LoadIni(path);
    if (ini.loaded) return true;
    std::error_code ec;
    return !std::filesystem::exists(path, ec) && !ec;
}

bool HasIniKey(const IniFile& ini, std::string_view section, std::string_view key) {
    return FindValue(ini, section, key).has_value();
}

std::string GetIniString(const IniFile& ini, std::string_view section, std::string_view key,
                         std::string_view fallback) {
    auto value = FindValue(ini, section, key);
    return value ? std::move(*value) : std::string(fallback);
}

int GetIniInt(const IniFile& ini, std::string_view section, std::string_view key, int fallback) {
    const auto value = FindValue(ini, section, key);
    if (!value) return fallback;
    std::string_view text = TrimBlanks(*value);
    bool negative = false;
    if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
        negative = text.front() == '-';
        text.remove_prefix(1);
    }
    long long number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') break;
        number = number * 10 + (c - '0');
        if (number > 2147483648LL) break;  // held below; more digits change nothing
    }
    if (negative) number = -number;
    if (number > 2147483647LL) number = 2147483647LL;
    if (number < -2147483648LL) number = -2147483648LL;
    return static_cast<int>(number);
}

void SetIniString(IniFile& ini, std::string_view section, std::string_view key,
                  std::string_view value) {
    const auto range = FindSection(ini, section);
    if (!range) {
        if (!ini.lines.empty() && !TrimBlanks(ini.lines.back()).empty()) ini.lines.emplace_back();
        ini.lines.push_back("[" + std::string(section) + "]");
        ini.lines.push_back(std::string(key) + "=" + std::string(value));
        return;
    }
    if (const auto index = FindKey(ini, *range, key)) {
        std::string& line = ini.lines[*index];
        line = line.substr(0, SplitKeyLine(line)->valueStart) + std::string(value);
        return;
    }
    // After the last non-blank line of the section, so blank lines that
    // separate it from the next section stay where they were.
    std::size_t at = range->last;
    while (at > range->first && TrimBlanks(ini.lines[at - 1]).empty()) --at;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(at),
                     std::string(key) + "=" + std::string(value));
}

bool ReplaceFileContents(const std::string& path, std::string_view content) {
    ReplacedFile file;
    if (!BeginReplace(file, path)) return false;
    const bool ok = WriteBytes(file, content.data(), content.size());
    return FinishReplace(file, ok) == kFileSaved;
}

bool SaveIni(const IniFile& ini, const std::string& path) {
    std::string content(ini.byteOrderMark ? kUtf8Mark : std::string_view());
    for (const std::string& line : ini.lines) {
        content += line;
        content += ini.lineEnd;
    }
    return ReplaceFileContents(path, content);
}

bool WriteIniString(const std::string& path, std::string_view section, std::string_view key,
                    std::string_view value) {
    IniFile ini;
    if (!LoadIniForUpdate(path, ini)) return false;
    SetIniString(ini, section, key, value);
    return SaveIni(ini, path);
}

}  // namespace morvex
