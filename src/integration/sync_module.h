// The synchronisation module: the mapping name it may choose, the work
// offsets it may supply at a run's start, and the state, line, point and
// offsets it is told at every step and at the end. What it hands back is
// checked before it is used.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "integration/plugins.h"

namespace morvex {

// G54..G59 as the module sees them: `count` entries of X, Y, Z.
struct SyncOffsets {
    int count = 0;
    std::array<double, MV_SYNC_OFFSETS * 3> xyz{};
};

// Whether `name` can name a mapping: not empty, printable ASCII, no '/'.
bool UsableMappingName(const std::string& name);

// GETNAME: the name the module gives for `program` (the running program's
// file), or `fallback` when it gives none. A name that has no end within its
// buffer or cannot name a mapping is not used, with a note.
std::string SyncModuleMappingName(const SyncEntries& entries, const std::string& program,
                                  const std::string& fallback, std::vector<std::string>& notes);

// GET at a run's start. The module receives `offsets` (the controller's)
// and may replace them (flag 1): true, with `offsets` set, when it did so
// with a count of 1..6 and finite values only; anything else is not used,
// with a note. False without a GET entry or when the module supplies none.
bool SyncModuleOffsets(const SyncEntries& entries, SyncOffsets& offsets, std::vector<std::string>& notes);

// PUT: state 1 at a step of a run, 2 at its end. Nothing without the entry.
void SyncModulePut(const SyncEntries& entries, int state, int line, const double point[3],
                   const SyncOffsets& offsets);

}  // namespace morvex
