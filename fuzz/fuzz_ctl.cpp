// Fuzz target: the controller definition reader. Wait files it may delete
// are confined to the controller file's own folder, the fuzz folder.
#include <cstdlib>

#include "fuzz_input.h"
#include "nc/controller_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace morvex;
    const std::string path = fuzz::WriteInput(data, size, "controller.ctl");
    ControllerDef def;
    std::vector<WaitFileNote> notes;
    if (ReadControllerDef(path, def, WaitFilePlaces{}, &notes) != 1) std::abort();
    for (const WaitCode& w : def.waitCodes) {
        if (w.file.size() > static_cast<std::size_t>(kWaitFileChars)) std::abort();
    }
    return 0;
}
