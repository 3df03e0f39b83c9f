// The four definition files the program reads (tool table, arbor file,
// controller and machine definition) with the time each was read, and the
// check that reads a file again when it was edited on disk meanwhile.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "base/file_time.h"

namespace morvex {

class Host;

enum class DefinitionKind { ToolTable = 0, Arbor = 1, Controller = 2, Machine = 3 };
inline constexpr std::size_t kDefinitionKinds = 4;

struct DefinitionFile {
    std::string path;  // empty: not known (never named, or forgotten after it vanished)
    bool fromCommandLine = false;
    FileTime readTime;  // last-write time when it was read
};

struct DefinitionFiles {
    std::array<DefinitionFile, kDefinitionKinds> files;
    bool checking = false;  // a check is in progress (message boxes pump events)

    DefinitionFile& operator[](DefinitionKind kind) { return files[static_cast<std::size_t>(kind)]; }
    const DefinitionFile& operator[](DefinitionKind kind) const {
        return files[static_cast<std::size_t>(kind)];
    }
};

// What the check does besides messages: read one kind again (the reader
// records the new time), refresh the tool dialog, panels and window.
struct DefinitionReload {
    std::function<void(DefinitionKind)> read;
    std::function<void()> refresh;
};

// Sound slots played after a reload.
inline constexpr int kSoundToolChange = 14;  // "toolchg.wav"
inline constexpr int kSoundWorkSet = 19;     // "workset.wav"

// Runs the check once: for each known file in kind order whose last-write
// time differs from the recorded one, shows the update message and reads it
// again (an arbor file change reads the tool table, which reads its arbor
// file); a file that no longer exists gets the not-found message and is
// forgotten. Does nothing while the current directory is not `startDir` or a
// check is already running. Returns the number of files read again.
int CheckDefinitionFiles(DefinitionFiles& files, Host& host, const DefinitionReload& reload,
                         bool soundOn, const std::string& startDir);

}  // namespace morvex
