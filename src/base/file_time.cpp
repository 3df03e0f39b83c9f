// File times through std::filesystem::last_write_time.
#include "base/file_time.h"

#include <chrono>
#include <filesystem>
#include <system_error>

namespace morvex {

FileTime ReadFileTime(const std::string& path) {
    std::error_code ec;
    if (path.empty() || !std::filesystem::exists(path, ec)) return std::nullopt;
    const auto stamp = std::filesystem::last_write_time(path, ec);
    if (ec) return std::nullopt;
    return std::chrono::duration_cast<std::chrono::nanoseconds>(stamp.time_since_epoch()).count();
}

}  // namespace morvex
