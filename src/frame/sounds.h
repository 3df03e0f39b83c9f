// The sound table: 20 slots loaded whole into memory at start-up (or when
// sound is switched on) and played from memory by the host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace morvex {

inline constexpr std::size_t kSoundSlots = 20;

// Slots by file, in table order.
enum SoundSlot : int {
    kSoundAirCut = 0,    // "aircut1.wav"
    kSoundCut = 1,       // "cutting1.wav"
    kSoundGrinder = 2,   // "grinder1.wav"
    kSoundGrinder2 = 3,  // "grinder2.wav"
    kSoundGrindOff = 4,  // "grindoff.wav"
    kSoundHake = 5,      // "hake.wav"
    kSoundHera = 6,      // "hera1.wav"
    kSoundHera2 = 7,     // "hera2.wav"
    kSoundHeraOku = 8,   // "heraoku.wav"
    kSoundKanOku = 9,    // "kanoku.wav"
    kSoundPaper = 10,    // "paper.wav"
    kSoundPaperOku = 11, // "paperoku.wav"
    kSoundPi = 12,       // "pi.wav"
    kSoundPokin = 13,    // "pokin.wav"
    kSoundToolChg = 14,  // "toolchg.wav"
    kSoundPress = 15,    // "press.wav"
    kSoundTouch = 16,    // "touch.wav"
    kSoundWelding = 17,  // "welding.wav"
    kSoundWeldOku = 18,  // "weldoku.wav"
    kSoundWorkSetSlot = 19,  // "workset.wav"
};

struct SoundTable {
    std::array<std::vector<std::uint8_t>, kSoundSlots> data;  // empty: silent slot
    bool loaded = false;
};

// File name of a slot ("aircut1.wav" ... "workset.wav").
const char* SoundFileName(std::size_t slot);

// Reads every slot's file from the start directory, else the program
// directory; a missing, unreadable or oversized file leaves its slot silent.
void LoadSounds(SoundTable& sounds, const std::string& startDir, const std::string& programDir);

void FreeSounds(SoundTable& sounds);

}  // namespace morvex
