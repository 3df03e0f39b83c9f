// Last-write times of files, as recorded when a definition file is read and
// compared later to notice an edit made while the program runs.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace morvex {

// Nanoseconds of the file's last write on the file clock; empty when the file
// does not exist or cannot be examined.
using FileTime = std::optional<std::int64_t>;

FileTime ReadFileTime(const std::string& path);

}  // namespace morvex
