// Sound slots: start directory first, then the program directory; missing files stay silent.
#include "frame/sounds.h"

#include <gtest/gtest.h>

#include "support/temp_dir.h"

namespace morvex {
namespace {

TEST(Sounds, SlotsAreLookedUpInStartThenProgramDirectory) {
    test::TempDir start;
    test::TempDir program;
    start.Write("aircut1.wav", "start");
    program.Write("aircut1.wav", "program-side");
    program.Write("workset.wav", "ws");
    SoundTable sounds;
    LoadSounds(sounds, start.Dir(), program.Dir());
    EXPECT_TRUE(sounds.loaded);
    EXPECT_EQ(std::string(sounds.data[0].begin(), sounds.data[0].end()), "start");
    EXPECT_EQ(std::string(sounds.data[19].begin(), sounds.data[19].end()), "ws");
    EXPECT_STREQ(SoundFileName(14), "toolchg.wav");
    EXPECT_TRUE(sounds.data[14].empty());  // missing: silent
    FreeSounds(sounds);
    EXPECT_FALSE(sounds.loaded);
    EXPECT_TRUE(sounds.data[0].empty());
}

}  // namespace
}  // namespace morvex
