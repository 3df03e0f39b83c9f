// What the version dialog and the thread settings need to know of the machine.
#pragma once

#include <string>

namespace morvex {

struct SystemInfo {
    int processorCount = 1;
    int wordSize = 64;      // bits of this build
    std::string osVersion;  // kernel name, release and machine
};

SystemInfo QuerySystemInfo();

// Pins the calling thread to processor `n` when it is one of several present
// (best effort). Returns true when the affinity was set.
bool SetMainThreadProcessor(int n, int processorCount);

}  // namespace morvex
