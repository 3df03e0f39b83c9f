// The sound player: never waits for the player program, one sound at a
// time, silent for good once the player fails (no device, no server).
#include "platform/sound_player.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>

#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::TempDir;
using Clock = std::chrono::steady_clock;

// A player script: `body` runs with the sound on its standard input.
PlayerCommand Script(const TempDir& t, const std::string& name, const std::string& body) {
    const std::string path = t.Write(name, "#!/bin/sh\n" + body + "\n");
    std::filesystem::permissions(path, std::filesystem::perms::owner_all);
    return PlayerCommand{path, {}};
}

long long MsSince(Clock::time_point start) {
    return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

TEST(SoundPlayer, FindsThePlayerOnThePathInItsOrder) {
    TempDir t;
    Script(t, "b/pw-play", "exit 0");
    Script(t, "c/aplay", "exit 0");
    t.Write("a/aplay", "not executable");
    const std::string path = t.Dir() + "a:" + t.Dir() + "b::" + t.Dir() + "c";
    EXPECT_EQ(FindProgramOnPath({"aplay", "pw-play"}, path), t.Path("c/aplay"));
    EXPECT_EQ(FindProgramOnPath({"pw-play", "aplay"}, path), t.Path("b/pw-play"));
    EXPECT_EQ(FindProgramOnPath({"paplay"}, path), "");
    EXPECT_EQ(FindProgramOnPath({"aplay"}, ""), "");
}

TEST(SoundPlayer, WithoutAPlayerOrADeviceItIsSilentAndReturnsAtOnce) {
    const std::vector<std::uint8_t> sound(100000, 0x55);
    // No player program at all.
    SoundPlayer none(PlayerCommand{});
    auto start = Clock::now();
    none.Play(sound);
    none.Loop(sound);
    none.Stop();
    EXPECT_LT(MsSince(start), 2000);  // a bound for a hang, not a speed test
    EXPECT_FALSE(none.Working());
    EXPECT_EQ(none.Starts(), 0);

    // A player that fails as one without a sound device does: started once,
    // then silent; a loop asked for later starts nothing.
    TempDir t;
    SoundPlayer failing(Script(t, "noplay", "echo no sound device >&2; exit 1"));
    start = Clock::now();
    failing.Loop(sound);
    EXPECT_LT(MsSince(start), 2000);
    EXPECT_TRUE(failing.WaitIdle(5000));
    EXPECT_FALSE(failing.Working());
    failing.Loop(sound);
    failing.Play(sound);
    EXPECT_TRUE(failing.WaitIdle(1000));
    EXPECT_EQ(failing.Starts(), 1);

    // This machine's own player, if it has one: a machine without a sound
    // device ends the same way, without hanging.
    const PlayerCommand real = FindSoundPlayer();
    if (!real.program.empty()) {
        SoundPlayer own(real);
        own.Play(sound);
        EXPECT_TRUE(own.WaitIdle(10000));
    }
}

TEST(SoundPlayer, OneSoundAtATimeALoopRepeatsUntilStoppedAndNothingWaits) {
    TempDir t;
    const std::string got = t.Path("got");
    // The player takes the whole sound (as a real one would) and keeps it.
    SoundPlayer player(
        Script(t, "keep", "cat > '" + got + ".tmp' && mv '" + got + ".tmp' '" + got + "'"));
    const std::vector<std::uint8_t> once{'R', 'I', 'F', 'F', 1, 2, 3};
    {
        // The caller's bytes may go (a table reloaded or freed) while they play.
        std::vector<std::uint8_t> table = once;
        player.Play(table);
        table.assign(table.size(), 0);
    }
    ASSERT_TRUE(player.WaitIdle(5000));
    EXPECT_EQ(TempDir::Read(got), std::string(once.begin(), once.end()));
    EXPECT_TRUE(player.Working());
    EXPECT_EQ(player.Starts(), 1);

    player.Loop(once);
    const auto start = Clock::now();
    while (player.Starts() < 4 && MsSince(start) < 5000)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_GE(player.Starts(), 4);
    player.Loop({});  // a silent slot ends the loop
    EXPECT_TRUE(player.WaitIdle(2000));
    const int starts = player.Starts();
    std::this_thread::sleep_for(std::chrono::milliseconds(250));
    EXPECT_EQ(player.Starts(), starts);

    // A player that does not read while a long sound is fed: the caller
    // goes on at once, and a stop ends it.
    SoundPlayer stuck(Script(t, "stuck", "sleep 30"));
    const std::vector<std::uint8_t> big(8 << 20, 0);
    auto begin = Clock::now();
    stuck.Play(big);
    stuck.Play(big);  // replaces the first (which may not even have started)
    EXPECT_LT(MsSince(begin), 5000);  // the player takes 30 s: the caller did not wait for it
    EXPECT_FALSE(stuck.WaitIdle(200));
    stuck.Stop();
    EXPECT_TRUE(stuck.WaitIdle(5000));
    EXPECT_TRUE(stuck.Working());  // ended by us, not failed
    EXPECT_TRUE(stuck.Starts() == 1 || stuck.Starts() == 2) << stuck.Starts();
}

}  // namespace
}  // namespace morvex
