// The report's file.
#include "results/report_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

#include "base/paths.h"
#include "workio/replaced_file.h"

namespace morvex {

std::string ReportFileName(const ReportFileSettings& s, const std::string& ncPath) {
    const std::string tail = "verify." + s.suffix;
    if (!s.automatic) return JoinPath(s.dir, tail);
    // The last "." of the file's own name, not of a folder's.
    const std::size_t slash = ncPath.find_last_of('/');
    const std::size_t dot = ncPath.find_last_of('.');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) {
        return ncPath.substr(0, dot) + "_" + tail;
    }
    return ncPath + "_" + tail;
}

std::string FindReportTemplate(const std::string& currentDir, const std::string& settingsDir) {
    for (const std::string& dir : {currentDir, settingsDir}) {
        const std::string path = JoinPath(dir, kReportTemplateName);
        if (CanOpenForReading(path)) return path;
    }
    return {};
}

bool ReadReportTemplate(const std::string& path, std::string& text) {
    text.clear();
    std::FILE* fp = std::fopen(path.c_str(), "rb");
    if (fp == nullptr) return false;
    char buf[65536];
    std::size_t got = 0;
    while (text.size() < kReportTemplateMax && (got = std::fread(buf, 1, sizeof buf, fp)) > 0) {
        text.append(buf, std::min<std::size_t>(got, kReportTemplateMax - text.size()));
    }
    const bool ok = std::ferror(fp) == 0;
    std::fclose(fp);
    return ok;
}

bool WriteReportFile(const std::string& path, const std::string& text, bool append, const std::string& createDir) {
    if (!createDir.empty()) {
        std::error_code ec;
        std::filesystem::create_directories(createDir, ec);
    }
    ReplacedFile file;
    if (!BeginReplace(file, path)) return false;
    bool ok = true;
    if (append) {
        // The report so far is copied first: the old one stays whole until the rename.
        if (std::FILE* old = std::fopen(path.c_str(), "rb")) {
            char buf[65536];
            std::size_t got = 0;
            while (ok && (got = std::fread(buf, 1, sizeof buf, old)) > 0) ok = WriteBytes(file, buf, got);
            ok = ok && std::ferror(old) == 0;
            std::fclose(old);
        }
    }
    ok = ok && WriteBytes(file, text.data(), text.size());
    return FinishReplace(file, ok) == kFileSaved;
}

}  // namespace morvex
