// Batch log entries, opened for appending per entry and closed after it.
#include "platform/batch_log.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "base/text.h"

namespace morvex {

std::string BatchLogStamp(std::time_t when, std::string_view ncName) {
    std::tm local{};
    localtime_r(&when, &local);
    return Format("%04d/%02d/%02d %02d:%02d:%02d：%.*s", local.tm_year + 1900, local.tm_mon + 1,
                  local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                  static_cast<int>(ncName.size()), ncName.data());
}

bool AppendBatchLog(const std::string& logDir, std::string_view ncName, std::string_view text) {
    const std::string path = JoinPath(logDir, kBatchLogName);
    std::FILE* f = std::fopen(path.c_str(), "ab");
    if (!f && !logDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(logDir, ec);
        f = std::fopen(path.c_str(), "ab");
    }
    if (!f) return false;
    const std::string entry = BatchLogStamp(std::time(nullptr), ncName) + std::string(text);
    const bool ok = std::fwrite(entry.data(), 1, entry.size(), f) == entry.size();
    return (std::fclose(f) == 0) && ok;
}

}  // namespace morvex
