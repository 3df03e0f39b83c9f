// Shared by the fuzz targets: most readers take a path, so each input is
// written to a file in a folder of its own that lives as long as the process.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace morvex::fuzz {

// Writes the input to `name` in the process's fuzz folder and returns its path.
std::string WriteInput(const std::uint8_t* data, std::size_t size, const std::string& name);

// A path in the process's fuzz folder (for outputs such as a saved work).
std::string FuzzPath(const std::string& name);

}  // namespace morvex::fuzz
