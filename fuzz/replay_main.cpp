// Runs a fuzz target over files without libFuzzer: every file named on the
// command line, and every regular file inside a folder named there (not
// recursively), each given once to LLVMFuzzerTestOneInput. Used by the test
// suite to keep the targets working in every build.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);

namespace {

bool RunFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return false;
    }
    const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    namespace fs = std::filesystem;
    int files = 0;
    bool ok = true;
    for (int i = 1; i < argc; ++i) {
        std::error_code ec;
        if (fs::is_directory(argv[i], ec)) {
            std::vector<fs::path> entries;
            for (const fs::directory_entry& e : fs::directory_iterator(argv[i], ec)) {
                if (e.is_regular_file()) entries.push_back(e.path());
            }
            for (const fs::path& p : entries) {
                ok = RunFile(p) && ok;
                ++files;
            }
        } else {
            ok = RunFile(argv[i]) && ok;
            ++files;
        }
    }
    std::printf("%d inputs run\n", files);
    return ok && files > 0 ? 0 : 1;
}
