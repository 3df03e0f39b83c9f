// Wait-file names and the removal of stale wait files.
//
// Implementation notes:
// - A controller definition may come from someone else, and its names are
//   free text: "/etc/passwd" and "../x" fit into 14 characters. Only a
//   regular file whose canonical folder lies in an allowed folder is removed;
//   the name's last part is examined without following a symbolic link, so
//   a link is kept together with whatever it points to.
#include "nc/wait_files.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "base/paths.h"

namespace morvex {
namespace {

namespace fs = std::filesystem;

fs::path Canonical(const fs::path& p) {
    std::error_code ec;
    fs::path c = fs::weakly_canonical(fs::absolute(p, ec), ec);
    if (ec) return {};
    if (!c.has_filename() && c.has_relative_path()) c = c.parent_path();  // "dir/" as "dir"
    return c;
}

}  // namespace

std::string ResolveWaitFile(const std::string& ctlPath, const std::string& name) {
    const fs::path file = NormaliseSeparators(name);
    if (file.is_absolute()) return file.string();
    std::error_code ec;
    const fs::path joined = fs::path(DirectoryPart(ctlPath)) / file;
    const fs::path absolute = fs::absolute(joined, ec);
    return (ec ? joined : absolute).lexically_normal().string();
}

std::vector<WaitFileNote> DeleteStaleWaitFiles(const std::string& ctlPath,
                                               const std::vector<WaitCode>& codes,
                                               const WaitFilePlaces& places) {
    std::vector<fs::path> allowed;
    const std::string ctlDir = DirectoryPart(ctlPath);
    for (const std::string& dir : {ctlDir.empty() ? std::string(".") : ctlDir, places.ncDir, places.tempDir}) {
        if (!dir.empty()) allowed.push_back(Canonical(NormaliseSeparators(dir)));
    }
    std::vector<WaitFileNote> notes;
    std::vector<std::string> seen;
    for (const WaitCode& w : codes) {
        const std::string path = w.path.empty() ? ResolveWaitFile(ctlPath, w.file) : w.path;
        if (w.file.empty() || std::find(seen.begin(), seen.end(), path) != seen.end()) continue;
        seen.push_back(path);
        std::error_code ec;
        const fs::file_status status = fs::symlink_status(path, ec);
        if (ec || !fs::exists(status)) continue;  // nothing stale
        const fs::path folder = Canonical(fs::path(path).parent_path());
        // Directly in an allowed folder: a subfolder of the user's CTL folder
        // may hold anything of theirs.
        bool inside = false;
        for (const fs::path& root : allowed) inside = inside || (!folder.empty() && folder == root);
        if (!inside) {
            notes.push_back({path, WaitFileFate::KeptOutside});
        } else if (!fs::is_regular_file(status)) {
            notes.push_back({path, WaitFileFate::KeptNotRegular});
        } else if (fs::remove(path, ec) && !ec) {
            notes.push_back({path, WaitFileFate::Deleted});
        }
    }
    return notes;
}

MsgId WaitFileMessage(WaitFileFate fate) {
    switch (fate) {
    case WaitFileFate::Deleted: return MsgId::WaitFileDeleted;
    case WaitFileFate::KeptOutside: return MsgId::WaitFileKeptOutside;
    case WaitFileFate::KeptNotRegular: return MsgId::WaitFileKeptNotRegular;
    }
    return MsgId::WaitFileDeleted;
}

}  // namespace morvex
