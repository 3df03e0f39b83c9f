// The sound table: 20 slots loaded whole into memory at start-up (or when
// sound is switched on) and played from memory by the host.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace morvex {

inline constexpr std::size_t kSoundSlots = 20;

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
