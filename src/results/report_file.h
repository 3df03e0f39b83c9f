// Where the cutting-information report goes and how it is written: its
// name (fixed or after the NC program), the template it is made from, and
// the write through a temporary file, so that a failed write leaves the
// report before it (or none) under the name.
#pragma once

#include <cstdint>
#include <string>

namespace morvex {

struct ReportFileSettings {
    std::string dir;             // Target_VERIFYdir: the folder of a fixed name ("" the current one)
    std::string suffix = "txt";  // VERIFY SUFFIX
    bool append = false;         // CREATE MODE(VERIFY) APPEND
    bool automatic = false;      // NAMING MODE(VERIFY) AUTO: beside the NC program
};

inline constexpr const char* kReportTemplateName = "verify_form.def";
// A template is read up to this many bytes; the rest is not used.
inline constexpr std::uint64_t kReportTemplateMax = 16u << 20;

// Fixed: dir/verify.<suffix>. Automatic: the NC program's path with its
// last extension replaced by "_verify.<suffix>" (appended when the name
// has none).
std::string ReportFileName(const ReportFileSettings& settings, const std::string& ncPath);

// The template in the current folder, else in the settings folder; "" when
// neither has one.
std::string FindReportTemplate(const std::string& currentDir, const std::string& settingsDir);

// The template's text (at most kReportTemplateMax bytes); false when it
// cannot be read.
bool ReadReportTemplate(const std::string& path, std::string& text);

// Writes text as the report at `path` (after the report already there in
// append mode), creating `createDir` first when it is not empty and does
// not exist. False when the report cannot be written ("Write protect").
bool WriteReportFile(const std::string& path, const std::string& text, bool append, const std::string& createDir);

}  // namespace morvex
