// Sounds played from memory through the system's sound player program
// (aplay, pw-play or paplay, the first one found on PATH), fed the WAV bytes
// on its standard input. One sound plays at a time: a new one replaces the
// one playing, as a looping sound is replaced or stopped. The callers never
// wait: a worker thread starts the player and feeds it. A player that fails
// (no sound device, no sound server) silences the player for good, so that
// a machine without sound neither hangs nor fills the terminal.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace morvex {

// The first of `names` that is an executable file in one of the folders of
// `pathList` (a PATH text, folders separated by ':'); "" when none is.
std::string FindProgramOnPath(const std::vector<std::string>& names, const std::string& pathList);

// A player program and the arguments that make it read a WAV sound from
// its standard input.
struct PlayerCommand {
    std::string program;  // "" none
    std::vector<std::string> args;
};

// The sound player of this machine: aplay, pw-play or paplay on PATH.
PlayerCommand FindSoundPlayer();

class SoundPlayer {
public:
    // `program` is the player to start ("" gives a silent player); it is
    // started as `program args...` and reads the sound from its standard input.
    explicit SoundPlayer(PlayerCommand command);
    ~SoundPlayer();
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    // Plays the bytes once, replacing what plays now. An empty sound does nothing.
    void Play(const std::vector<std::uint8_t>& sound);
    // Plays the bytes over and over until the next Play, Loop or Stop; an
    // empty sound stops what plays.
    void Loop(const std::vector<std::uint8_t>& sound);
    void Stop();

    // False once the player program could not be started or failed.
    bool Working() const;
    // How many times the player program has been started (for tests).
    int Starts() const;
    // Waits until nothing plays (a loop never ends by itself) or `ms` passed;
    // true when nothing plays.
    bool WaitIdle(int ms) const;

private:
    struct Request {
        // A copy of the caller's bytes: the table may be reloaded or freed while they play.
        std::shared_ptr<const std::vector<std::uint8_t>> sound;
        bool loop = false;
        unsigned serial = 0;
    };
    void Submit(const std::vector<std::uint8_t>* sound, bool loop);  // null: stop
    void Worker();
    // Plays one round of `request`; false when the player failed.
    bool PlayOnce(const Request& request, std::unique_lock<std::mutex>& lock);

    std::string program_;
    std::vector<std::string> args_;
    mutable std::mutex mutex_;
    mutable std::condition_variable wake_;
    Request next_;
    bool busy_ = false;
    bool working_ = true;
    bool quit_ = false;
    int starts_ = 0;
    std::thread worker_;
};

}  // namespace morvex
