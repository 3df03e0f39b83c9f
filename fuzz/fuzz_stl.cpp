// Fuzz target: STL models. Every form reads the input to a defined end; a
// load refused for any reason leaves the previous work as it was; a loaded
// work writes as a binary STL whose facets read back in the count written.
// Works are held below 64 MiB so that an input cannot exhaust memory.
#include <cstdlib>
#include <vector>

#include "fuzz_input.h"
#include "workio/stl_file.h"

namespace {
constexpr std::uint64_t kMemory = 64u << 20;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    const std::string path = fuzz::WriteInput(data, size, "model.stl");
    int detected = 0;
    if (DetectStlType(path, detected) == StlStatus::Ok &&
        detected != kStlText && detected != kStlBinaryLittle && detected != kStlBinaryBig) {
        std::abort();
    }
    for (int type : {kStlText, kStlBinaryLittle, kStlBinaryBig}) {
        StlBounds bounds;
        if (ReadStlBounds(type, path, bounds) == StlStatus::Ok && bounds.facets == 0) std::abort();
    }
    WorkModel work;
    PitchSettings pitch;
    if (DefineBoxWork(work, BoxRequest{0, 0, 0, 3, 2, 1}, pitch, kDataLevelMinimal) != DefineWorkStatus::Ok) {
        std::abort();
    }
    const std::vector<float> before(work.height, work.height + work.cellCount);
    StlLoadOptions options;
    options.pitch = 0.5;
    options.dataLevel = kDataLevelMinimal;
    options.spikeFilter = size % 2 == 0;
    if (LoadStlWork(path, options, work, kMemory) != StlStatus::Ok) {
        if (work.cellCount != before.size() || !std::equal(before.begin(), before.end(), work.height)) std::abort();
        return 0;
    }
    const std::string copy = fuzz::FuzzPath("copy.stl");
    if (WriteStl(copy, work, kStlBinaryLittle) != kFileSaved) std::abort();
    std::uint64_t facets = 0;
    if (ForEachStlFacet(kStlBinaryLittle, copy, [&](const StlFacet&) { return ++facets, true; }) != StlStatus::Ok ||
        facets < 2) {
        std::abort();
    }
    return 0;
}
