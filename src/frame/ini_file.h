// Reading and rewriting Windows-style initialisation files ([Section] and
// key=value lines) with the behaviour of the private-profile functions:
// section and key names are matched without regard to case, a quoted value
// loses its quotes, and a rewrite changes only the keys written and keeps
// every other line, section and comment as it was.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace morvex {

struct IniFile {
    std::vector<std::string> lines;  // without their line ends
    std::string lineEnd = "\n";      // the file's own line end, kept on rewrite
    bool byteOrderMark = false;      // the file began with a UTF-8 mark, kept on rewrite
    bool loaded = false;             // false when the file could not be read
};

// Reads the whole file; a missing, unreadable, oversized or non-regular file
// gives an empty IniFile with `loaded` false (not an error: every key then
// takes its default).
IniFile LoadIni(const std::string& path);

// Reads the file for a rewrite: a missing file gives an empty IniFile (the
// rewrite creates it), but a file that exists and cannot be read gives false,
// so that nothing replaces a file whose contents were not seen.
[[nodiscard]] bool LoadIniForUpdate(const std::string& path, IniFile& ini);

// The value of `key` in `section`, or `fallback` when either is absent.
std::string GetIniString(const IniFile& ini, std::string_view section, std::string_view key,
                         std::string_view fallback);

bool HasIniKey(const IniFile& ini, std::string_view section, std::string_view key);

// The value as a signed decimal integer (0 when it is not a number), or
// `fallback` when the key is absent.
int GetIniInt(const IniFile& ini, std::string_view section, std::string_view key, int fallback);

// Sets `key` in `section`: an existing key line keeps its name and spacing and
// gets the new value; a missing key is added at the end of its section; a
// missing section is added at the end of the file.
void SetIniString(IniFile& ini, std::string_view section, std::string_view key,
                  std::string_view value);

// Writes the file through a temporary file in the same directory and a
// rename, so that a failed write leaves the previous file intact. A symbolic
// link is followed and its target replaced; a read-only file is not
// replaced. Returns false on failure.
[[nodiscard]] bool SaveIni(const IniFile& ini, const std::string& path);

// Load, set one key, save: the single write of a running command.
[[nodiscard]] bool WriteIniString(const std::string& path, std::string_view section,
                                  std::string_view key, std::string_view value);

// Writes `content` to `path` through a temporary file and a rename.
[[nodiscard]] bool ReplaceFileContents(const std::string& path, std::string_view content);

}  // namespace morvex
