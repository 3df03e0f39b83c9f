// What the version dialog and the thread settings need to know of the machine.
#pragma once

#include <sched.h>

#include <string>

namespace morvex {

struct SystemInfo {
    int processorCount = 1;
    int wordSize = 64;      // bits of this build
    std::string osVersion;  // kernel name, release and machine
};

SystemInfo QuerySystemInfo();

// The processors a thread may run on, as it was before the main thread was
// given its own processor.
struct ProcessorAffinity {
    cpu_set_t set{};
    bool saved = false;
};

// Puts the calling thread on processor `n` when it is one of several present
// (best effort), keeping the affinity in force before in `before`. Threads
// started later inherit the choice; workers call RestoreProcessorAffinity
// with `before` so that they may run on every processor again.
bool SetMainThreadProcessor(int n, int processorCount, ProcessorAffinity& before);
void RestoreProcessorAffinity(const ProcessorAffinity& before);

}  // namespace morvex
