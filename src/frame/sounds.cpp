// Loading the sound files.
#include "frame/sounds.h"

#include <fstream>
#include <iterator>

#include "base/paths.h"

namespace morvex {
namespace {

constexpr const char* kSoundFiles[kSoundSlots] = {
    "aircut1.wav", "cutting1.wav", "grinder1.wav", "grinder2.wav", "grindoff.wav",
    "hake.wav",    "hera1.wav",    "hera2.wav",    "heraoku.wav",  "kanoku.wav",
    "paper.wav",   "paperoku.wav", "pi.wav",       "pokin.wav",    "toolchg.wav",
    "press.wav",   "touch.wav",    "welding.wav",  "weldoku.wav",  "workset.wav",
};

// Sound effects are short; a file past this size is not a sound we play.
constexpr std::streamoff kMaxSoundBytes = 32 * 1024 * 1024;

std::vector<std::uint8_t> ReadWhole(const std::string& path) {
    if (!CanOpenForReading(path)) return {};
    std::ifstream in(path, std::ios::binary | std::ios::ate);
    if (!in) return {};
    const std::streamoff size = in.tellg();
    if (size <= 0 || size > kMaxSoundBytes) return {};
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(bytes.data()), size)) return {};
    return bytes;
}

}  // namespace

const char* SoundFileName(std::size_t slot) { return slot < kSoundSlots ? kSoundFiles[slot] : ""; }

void LoadSounds(SoundTable& sounds, const std::string& startDir, const std::string& programDir) {
    for (std::size_t i = 0; i < kSoundSlots; ++i) {
        std::string path = JoinPath(startDir, kSoundFiles[i]);
        if (!CanOpenForReading(path)) path = JoinPath(programDir, kSoundFiles[i]);
        sounds.data[i] = ReadWhole(path);
    }
    sounds.loaded = true;
}

void FreeSounds(SoundTable& sounds) {
    for (auto& slot : sounds.data) std::vector<std::uint8_t>().swap(slot);
    sounds.loaded = false;
}

}  // namespace morvex
