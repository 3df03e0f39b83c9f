#include "integration/sync_module.h"

#include <cmath>

namespace morvex {

bool UsableMappingName(const std::string& name) {
    if (name.empty()) return false;
    for (const char c : name) {
        if (c < 0x20 || c > 0x7e || c == '/') return false;
    }
    return true;
}

std::string SyncModuleMappingName(const SyncEntries& entries, const std::string& program,
                                  const std::string& fallback, std::vector<std::string>& notes) {
    if (entries.getName == nullptr) return fallback;
    char name[MV_TEXT_SIZE] = {};
    int32_t flag = 0;
    entries.getName(program.c_str(), name, &flag);
    if (flag != 1) return fallback;
    bool terminated = true;
    const std::string text = PluginText(name, sizeof name, &terminated);
    if (!terminated) {
        notes.push_back("mvsync: its mapping name has no end within " + std::to_string(MV_TEXT_SIZE) +
                        " bytes; \"" + fallback + "\" is used");
        return fallback;
    }
    if (!UsableMappingName(text)) {
        notes.push_back("mvsync: its mapping name \"" + text +
                        "\" is empty, holds a '/' or a character that cannot be printed; \"" + fallback +
                        "\" is used");
        return fallback;
    }
    return text;
}

bool SyncModuleOffsets(const SyncEntries& entries, SyncOffsets& offsets, std::vector<std::string>& notes) {
    if (entries.get == nullptr) return false;
    int32_t state = 0;
    int32_t line = 0;
    double point[3] = {};
    SyncOffsets given = offsets;
    int32_t count = given.count;
    int32_t flag = 0;
    entries.get(&state, &line, point, given.xyz.data(), &count, &flag);
    if (flag != 1) return false;
    if (count < 1 || count > MV_SYNC_OFFSETS) {
        notes.push_back("mvsync: it supplied " + std::to_string(count) +
                        " work offsets (1 to 6 can be used); the controller's are used");
        return false;
    }
    for (int i = 0; i < count * 3; ++i) {
        if (!std::isfinite(given.xyz[static_cast<std::size_t>(i)])) {
            notes.push_back("mvsync: work offset G" + std::to_string(54 + i / 3) +
                            " is not a number; the controller's offsets are used");
            return false;
        }
    }
    given.count = count;
    offsets = given;
    return true;
}

void SyncModulePut(const SyncEntries& entries, int state, int line, const double point[3],
                   const SyncOffsets& offsets) {
    if (entries.put == nullptr) return;
    const int32_t s = state;
    const int32_t l = line;
    const int32_t count = offsets.count;
    int32_t flag = 0;
    entries.put(&s, &l, point, offsets.xyz.data(), &count, &flag);
}

}  // namespace morvex
