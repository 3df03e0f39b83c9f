// Whether a block whose size comes from outside (a work file's node counts,
// a model's bounds, a plug-in's answer) can be had without driving the
// system into its out-of-memory killer: the memory the system has available
// now, less a head-room for the rest of the program.
#pragma once

#include <cstdint>
#include <optional>

namespace morvex {

// Bytes the system can still hand out: MemAvailable of /proc/meminfo, else
// the free physical pages; lowered to the room left under a cgroup memory
// limit. Empty when the system does not tell.
std::optional<std::uint64_t> AvailableMemory();

// Whether `bytes` fit into `available` with the head-room kept free (an
// eighth of it and 32 MiB); an unknown figure lets every request through,
// the allocation itself then decides.
bool FitsInMemory(std::uint64_t bytes, std::optional<std::uint64_t> available);
// The same against the system's figure now.
bool FitsInMemory(std::uint64_t bytes);

}  // namespace morvex
