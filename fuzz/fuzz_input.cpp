// The process's fuzz folder: made under the temporary folder on first use,
// removed with its contents when the process ends.
#include "fuzz_input.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "base/paths.h"

namespace morvex::fuzz {
namespace {

struct Folder {
    std::string path;
    Folder() {
        std::string pattern = JoinPath(SystemTempDir(), "morvex-fuzz-XXXXXX");
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~Folder() {
        std::error_code ec;
        if (!path.empty()) std::filesystem::remove_all(path, ec);
    }
};

const std::string& FolderPath() {
    static Folder folder;
    if (folder.path.empty()) std::abort();  // no temporary folder: nothing can be tested
    return folder.path;
}

}  // namespace

std::string FuzzPath(const std::string& name) {
    return FolderPath() + "/" + name;
}

std::string WriteInput(const std::uint8_t* data, std::size_t size, const std::string& name) {
    const std::string path = FuzzPath(name);
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr) std::abort();
    if (size > 0 && std::fwrite(data, 1, size, f) != size) std::abort();
    std::fclose(f);
    return path;
}

}  // namespace morvex::fuzz
