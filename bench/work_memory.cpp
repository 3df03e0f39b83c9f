// Peak memory of a work of nx x ny nodes at one data level: allocates and
// fills the work, then prints the process's peak resident size against the
// bytes per node of the level.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "sim/work_model.h"

namespace {

long PeakKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    const int level = argc > 1 ? std::atoi(argv[1]) : 1;
    const int n = argc > 2 ? std::atoi(argv[2]) : 4000;
    const long before = PeakKilobytes();
    morvex::WorkModel work;
    if (!morvex::AllocateWork(work, n, n, level, true)) {
        std::fprintf(stderr, "allocation failed\n");
        return 1;
    }
    work.zMax = 10.0;
    morvex::FillUniform(work);
    std::fill(work.screenXY.begin(), work.screenXY.end(), 1);
    if (work.heightOther != nullptr) std::fill(work.heightOther, work.heightOther + work.cellCount, 1.0f);
    const long peak = PeakKilobytes();
    const double nodes = static_cast<double>(n) * n;
    std::printf("level %d: %d x %d nodes, peak %ld kB (%ld kB before), grid %.0f kB = %.2f bytes/node "
                "(table %d)\n",
                level, n, n, peak, before, static_cast<double>(peak - before),
                (peak - before) * 1024.0 / nodes, morvex::BytesPerNode(level));
    return 0;
}
