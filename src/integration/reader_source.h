// The reader module that reads an NC program, in the form the interpreter
// takes it: inactive when no module handles the file's ending.
#pragma once

#include <string_view>

#include "integration/plugins.h"
#include "nc/module_reader.h"

namespace morvex {

ModuleReader ModuleReaderOf(const ReaderModule& module);

// The entries of the reader that handles `ncPath` by its ending; inactive
// when there is none.
ModuleReader ModuleReaderFor(const PluginSet& set, std::string_view ncPath);

}  // namespace morvex
