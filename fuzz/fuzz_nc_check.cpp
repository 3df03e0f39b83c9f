// Fuzz target: an NC program through the NC check (extents, lengths, times
// and the codes used), without a tool table, with the dialect as
// nc_dialect.h picks it; odd-sized inputs check extents only. The check
// runs a program to its end, so inputs are held to 16 KiB.
#include <cstdlib>

#include "fuzz_input.h"
#include "nc_dialect.h"
#include "results/nc_check.h"

namespace {
constexpr std::size_t kMaxInput = 16 * 1024;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    if (size > kMaxInput) return 0;
    ControllerDef ctl;
    const std::size_t start = fuzz::DialectOf(data, size, ctl);
    CheckInput input;
    input.ncPath = fuzz::WriteInput(data + start, size - start, "program.nc");
    input.mode = size % 2 == 1 ? kCheckMinMax : kCheckData;
    MachineDef machine;
    CheckTools tools;
    CheckResult result;
    if (CheckProgram(input, ctl, machine, tools, result) != 0) std::abort();  // the file was just written
    return 0;
}
