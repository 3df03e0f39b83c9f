// File-name helpers over std::filesystem and POSIX access().
#include "base/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace morvex {

std::string NormaliseSeparators(std::string_view path) {
    std::string out(path);
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

bool HasDirSeparator(std::string_view path) {
    return path.find('/') != std::string_view::npos || path.find('\\') != std::string_view::npos;
}

std::string WithTrailingSlash(std::string_view dir) {
    std::string out = NormaliseSeparators(dir);
    if (!out.empty() && out.back() != '/') out += '/';
    return out;
}

std::string JoinPath(std::string_view dir, std::string_view name) {
    return WithTrailingSlash(dir) + NormaliseSeparators(name);
}

std::string DirectoryPart(std::string_view path) {
    const std::string norm = NormaliseSeparators(path);
    const std::size_t slash = norm.rfind('/');
    return slash == std::string::npos ? std::string() : norm.substr(0, slash + 1);
}

std::string FileTitle(std::string_view path) {
    const std::string norm = NormaliseSeparators(path);
    const std::size_t slash = norm.rfind('/');
    return slash == std::string::npos ? norm : norm.substr(slash + 1);
}

bool SameFile(const std::string& a, const std::string& b) {
    if (a.empty() || b.empty()) return false;
    // Absolute first: of a relative name of which nothing exists yet the
    // canonical form stays relative.
    const auto full = [](const std::string& name, std::filesystem::path& path) {
        std::error_code ec;
        const std::filesystem::path absolute = std::filesystem::absolute(name, ec);
        if (!ec) path = std::filesystem::weakly_canonical(absolute, ec);
        return !ec;
    };
    std::filesystem::path pa, pb;
    return a == b || (full(a, pa) && full(b, pb) && pa == pb);
}

bool CanOpenForReading(const std::string& path) {
    if (path.empty()) return false;
    std::error_code ec;
    // Only regular files: a directory is no file, and a FIFO or device
    // would block or never end when it is read.
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    return ::access(path.c_str(), R_OK) == 0;
}

bool IsExistingPath(const std::string& path) {
    std::error_code ec;
    return !path.empty() && std::filesystem::exists(path, ec);
}

std::string CurrentDirectory() {
    std::error_code ec;
    const std::filesystem::path cwd = std::filesystem::current_path(ec);
    return ec ? std::string("./") : WithTrailingSlash(cwd.string());
}

std::string ExecutableDirectory() {
    std::error_code ec;
    const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return WithTrailingSlash(exe.parent_path().string());
}

std::string SystemTempDir() {
    const char* dir = std::getenv("TMPDIR");
    return dir != nullptr && *dir != '\0' ? std::string(dir) : std::string("/tmp");
}

}  // namespace morvex
