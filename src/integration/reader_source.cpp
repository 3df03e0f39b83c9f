// Reader modules as NC program sources.
#include "integration/reader_source.h"

namespace morvex {

ModuleReader ModuleReaderOf(const ReaderModule& module) {
    const ReaderEntries& e = module.entry;
    ModuleReader r;
    r.open = e.open;
    r.startPoint = e.startPoint;
    r.path = e.path;
    r.close = e.close;
    r.tool = e.tool;
    r.toolLen = e.toolLen;
    r.arbor = e.arbor;
    return r;
}

ModuleReader ModuleReaderFor(const PluginSet& set, std::string_view ncPath) {
    const ReaderModule* module = ReaderForFile(set, ncPath);
    return module != nullptr ? ModuleReaderOf(*module) : ModuleReader{};
}

}  // namespace morvex
