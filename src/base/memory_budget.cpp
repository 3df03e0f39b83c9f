// The memory budget: what the system has available, and the head-room test.
#include "base/memory_budget.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>

namespace morvex {
namespace {

constexpr std::uint64_t kMiB = 1024 * 1024;
constexpr std::uint64_t kFixedHeadRoom = 32 * kMiB;

std::optional<std::uint64_t> MemAvailableOfMeminfo() {
    std::ifstream in("/proc/meminfo");
    std::string line;
    while (std::getline(in, line)) {
        unsigned long long kib = 0;
        if (std::sscanf(line.c_str(), "MemAvailable: %llu kB", &kib) == 1) return kib * 1024;
    }
    return std::nullopt;
}

std::optional<std::uint64_t> FreePhysicalPages() {
    const long pages = ::sysconf(_SC_AVPHYS_PAGES);
    const long size = ::sysconf(_SC_PAGESIZE);
    if (pages <= 0 || size <= 0) return std::nullopt;
    return static_cast<std::uint64_t>(pages) * static_cast<std::uint64_t>(size);
}

std::optional<std::uint64_t> NumberInFile(const char* path) {
    std::ifstream in(path);
    unsigned long long value = 0;
    if (!(in >> value)) return std::nullopt;  // also "max": no limit
    return value;
}

// A cgroup v2 limit kills the process long before the machine runs out.
std::optional<std::uint64_t> CgroupRoom() {
    const auto limit = NumberInFile("/sys/fs/cgroup/memory.max");
    const auto used = NumberInFile("/sys/fs/cgroup/memory.current");
    if (!limit || !used) return std::nullopt;
    return *limit > *used ? *limit - *used : 0;
}

}  // namespace

std::optional<std::uint64_t> AvailableMemory() {
    std::optional<std::uint64_t> room = MemAvailableOfMeminfo();
    if (!room) room = FreePhysicalPages();
    if (const auto cgroup = CgroupRoom()) room = room ? std::min(*room, *cgroup) : *cgroup;
    return room;
}

bool FitsInMemory(std::uint64_t bytes, std::optional<std::uint64_t> available) {
    if (!available) return true;
    const std::uint64_t headRoom = *available / 8 + kFixedHeadRoom;
    return *available > headRoom && bytes <= *available - headRoom;
}

bool FitsInMemory(std::uint64_t bytes) {
    return FitsInMemory(bytes, AvailableMemory());
}

}  // namespace morvex
