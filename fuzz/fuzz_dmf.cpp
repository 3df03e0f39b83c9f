// Fuzz target: the DMF work file. A load refused for any reason leaves the
// previous work as it was; a loaded work saves and loads back to the same
// grid. Works are held below 64 MiB so that an input cannot exhaust memory.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fuzz_input.h"
#include "workio/dmf_file.h"

namespace {
constexpr std::uint64_t kMemory = 64u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    const std::string path = fuzz::WriteInput(data, size, "work.dmf");
    WorkModel work;
    PitchSettings pitch;
    if (DefineBoxWork(work, BoxRequest{0, 0, 0, 3, 2, 1}, pitch, kDataLevelFull) != DefineWorkStatus::Ok) {
        std::abort();
    }
    const std::vector<float> before(work.height, work.height + work.cellCount);
    DmfContext ctx;
    ctx.saveLevel = 3;
    const DmfStatus status = LoadDmf(path, work, ctx, kMemory);
    if (status != DmfStatus::Ok) {
        if (work.cellCount != before.size() || !std::equal(before.begin(), before.end(), work.height)) std::abort();
        return 0;
    }
    const int nx = work.nx;
    const int ny = work.ny;
    const std::string copy = fuzz::FuzzPath("copy.dmf");
    if (SaveDmf(copy, work, ctx) != kDmfSaved) std::abort();
    WorkModel back;
    if (LoadDmf(copy, back, ctx, kMemory) != DmfStatus::Ok || back.nx != nx || back.ny != ny) std::abort();
    if (CheckDmfGrid(copy, work) != 0) std::abort();

    // The heights-only reader over the same file.
    DmfFile file;
    DmfHeader header;
    if (OpenDmf(file, path) != DmfStatus::Ok || ReadDmfHeader(file, header) != DmfStatus::Ok) std::abort();
    std::vector<float> heights(static_cast<std::size_t>(nx) * static_cast<std::size_t>(ny));
    double pitchY = 0.0;
    if (ReadDmfHeights(file, header, heights.data(), heights.size(), pitchY, ctx) != DmfStatus::Ok) std::abort();
    CloseDmf(file);
    return 0;
}
