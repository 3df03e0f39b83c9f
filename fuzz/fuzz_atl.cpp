// Fuzz target: the arbor (holder) file reader.
#include <cstdlib>

#include "fuzz_input.h"
#include "sim/tool_table.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    ArborDef holder;
    if (ReadArborFile(fuzz::WriteInput(data, size, "holders.atl"), holder) != 1) std::abort();
    return 0;
}
