// System information through POSIX uname and sched_getaffinity.
#include "frame/system_info.h"

#include <pthread.h>
#include <sched.h>
#include <sys/utsname.h>

#include <thread>

namespace morvex {

SystemInfo QuerySystemInfo() {
    SystemInfo info;
    const unsigned n = std::thread::hardware_concurrency();
    info.processorCount = n > 0 ? static_cast<int>(n) : 1;
    info.wordSize = static_cast<int>(sizeof(void*) * 8);
    utsname name{};
    if (uname(&name) == 0) {
        info.osVersion = std::string(name.sysname) + " " + name.release + " " + name.machine;
    }
    return info;
}

bool SetMainThreadProcessor(int n, int processorCount, ProcessorAffinity& before) {
    if (n < 0 || processorCount <= 1 || n >= processorCount || n >= CPU_SETSIZE) return false;
    before.saved =
        pthread_getaffinity_np(pthread_self(), sizeof(before.set), &before.set) == 0;
    cpu_set_t set;
    CPU_ZERO(&set);
    CPU_SET(n, &set);
    return pthread_setaffinity_np(pthread_self(), sizeof(set), &set) == 0;
}

void RestoreProcessorAffinity(const ProcessorAffinity& before) {
    if (before.saved) pthread_setaffinity_np(pthread_self(), sizeof(before.set), &before.set);
}

}  // namespace morvex
