// Fuzz target: the machine definition reader.
#include <cstdlib>

#include "fuzz_input.h"
#include "results/machine_def.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    MachineDef def;
    if (ReadMachineDef(fuzz::WriteInput(data, size, "machine.mtl"), def) != 1) std::abort();
    return 0;
}
