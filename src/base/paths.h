// File-name helpers: directory joins, separators written either way, the
// start and program directories, and the "can it be opened" probe that the
// look-up rules of the settings and definition files are built on.
#pragma once

#include <string>
#include <string_view>

namespace morvex {

// Settings values may name paths with "\" or "/"; the program uses "/".
std::string NormaliseSeparators(std::string_view path);

bool HasDirSeparator(std::string_view path);

// Joins a directory and a file name with exactly one "/" between them.
// An empty directory leaves the name relative to the current directory.
std::string JoinPath(std::string_view dir, std::string_view name);

// Adds a trailing "/" when the text lacks one (an empty text stays empty).
std::string WithTrailingSlash(std::string_view dir);

// Directory part up to and including the last "/", or "" when there is none.
std::string DirectoryPart(std::string_view path);

// The file's own name without its directory ("title" in window captions).
std::string FileTitle(std::string_view path);

// A regular file that this process may read.
bool CanOpenForReading(const std::string& path);
// Whether two output names (neither empty) name one file, whether or not
// it exists yet.
bool SameFile(const std::string& a, const std::string& b);
bool IsExistingPath(const std::string& path);

// The current directory with a trailing "/".
std::string CurrentDirectory();

// The system's temporary folder: TMPDIR when set, else "/tmp".
std::string SystemTempDir();

// The directory of the running executable with a trailing "/", or "" when
// the system does not tell.
std::string ExecutableDirectory();

}  // namespace morvex
