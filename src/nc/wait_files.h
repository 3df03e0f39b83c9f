// Wait files of the wait M-codes: where a name from the controller
// definition points, and the removal of stale ones when the definition is
// read, confined to the folders a wait file may live in.
#pragma once

#include <string>
#include <vector>

#include "base/messages.h"
#include "nc/controller_def.h"

namespace morvex {

// Folders besides the controller file's own in which a stale wait file may
// be deleted; an empty entry adds none.
struct WaitFilePlaces {
    std::string ncDir;    // the NC folder (Target_NCdir)
    std::string tempDir;  // the system's temporary folder
};

enum class WaitFileFate {
    Deleted,
    KeptOutside,     // not in the controller file's, the NC or the temporary folder
    KeptNotRegular,  // a folder, a symbolic link (never followed), a device or a pipe
};

struct WaitFileNote {
    std::string path;
    WaitFileFate fate = WaitFileFate::Deleted;
};

// The absolute path of a wait-file name: a relative name is taken in the
// folder of the controller file `ctlPath`.
std::string ResolveWaitFile(const std::string& ctlPath, const std::string& name);

// Deletes every existing wait file (codes[i].path) that is a regular file in
// the controller file's folder, the NC folder or the temporary folder itself
// (not a subfolder); folders are compared canonically, so ".." and linked
// folders count where they lead. Returns what became of each existing name.
std::vector<WaitFileNote> DeleteStaleWaitFiles(const std::string& ctlPath,
                                               const std::vector<WaitCode>& codes,
                                               const WaitFilePlaces& places);

// The message for a note; the path follows it.
MsgId WaitFileMessage(WaitFileFate fate);

}  // namespace morvex
