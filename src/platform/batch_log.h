// The batch log "morvex.log" of unattended runs: each entry is appended with
// the local date and time and the NC program name in front of its text.
#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace morvex {

inline constexpr std::string_view kBatchLogName = "morvex.log";

// "%04d/%02d/%02d %02d:%02d:%02d：%s" of the local time and the NC name.
std::string BatchLogStamp(std::time_t when, std::string_view ncName);

// Appends stamp + text to `logDir`/morvex.log (the current directory when
// `logDir` is empty), creating the folder when it does not exist yet.
// Returns false when the log cannot be written.
bool AppendBatchLog(const std::string& logDir, std::string_view ncName, std::string_view text);

}  // namespace morvex
