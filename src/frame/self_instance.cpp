// Starting another instance of the program.
#include "frame/self_instance.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "frame/editor_command.h"
#include "platform/host.h"

namespace morvex {
namespace {

void ReplaceAll(std::string& text, std::string_view what, const std::string& with) {
    for (std::size_t at = text.find(what); at != std::string::npos;
         at = text.find(what, at + with.size())) {
        text.replace(at, what.size(), with);
    }
}

}  // namespace

std::vector<std::string> SelfInstanceArgs(const std::string& option, const std::string& ncProgram,
                                          int line) {
    const std::string lineText =
        std::to_string(line == 0 ? 1 : std::abs(static_cast<long long>(line)));
    std::vector<std::string> args;
    for (std::string word : CommandWords(option)) {
        // The line first: a program path may itself hold "%2".
        ReplaceAll(word, "%2", lineText);
        ReplaceAll(word, "%1", ncProgram);
        if (!word.empty()) args.push_back(std::move(word));
    }
    return args;
}

std::string OwnProgramFile() {
    std::error_code ec;
    const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
    return ec || self.empty() ? std::string("/proc/self/exe") : self.string();
}

bool StartSelfInstance(Host& host, const std::string& option, const std::string& ncProgram,
                       int line) {
    return host.StartProgram(OwnProgramFile(), SelfInstanceArgs(option, ncProgram, line));
}

}  // namespace morvex
