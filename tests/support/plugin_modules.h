// Plug-in modules for tests: the modules are built next to the test program
// under their own names; a test copies the ones it wants into a folder of
// its own under the names the program looks for.
#pragma once

#include <filesystem>
#include <string>

#include "base/paths.h"

namespace morvex::test {

// Copies <test program's folder>/<built>.so to <dir>/<as>.so; false when the
// built module is missing.
inline bool InstallModule(const std::string& dir, const std::string& built, const std::string& as) {
    std::error_code ec;
    const std::filesystem::path from = std::filesystem::path(ExecutableDirectory()) / (built + ".so");
    std::filesystem::copy_file(from, std::filesystem::path(dir) / (as + ".so"),
                               std::filesystem::copy_options::overwrite_existing, ec);
    return !ec;
}

}  // namespace morvex::test
