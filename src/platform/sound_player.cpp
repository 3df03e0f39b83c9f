// The sound player program, fed from memory on a worker thread.
//
// Implementation notes: the sound goes to the player through a socket pair
// rather than a pipe, so that a player that died while being fed gives an
// error from send (MSG_NOSIGNAL) instead of SIGPIPE for the whole program.
// The player's output and error streams go to /dev/null: a player without a
// sound device explains itself at length. Waiting is done on the condition
// variable in short slices, so that a new sound or the end of the program
// is noticed within them.
#include "platform/sound_player.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>

extern char** environ;

namespace morvex {
namespace {

constexpr std::chrono::milliseconds kSlice{20};
// A loop round lasts at least this long, whatever the player does.
constexpr std::chrono::milliseconds kMinLoopRound{100};
constexpr std::size_t kChunk = 16384;

bool IsExecutable(const std::string& path) {
    return access(path.c_str(), X_OK) == 0;
}

// Ends the player: politely, then for sure.
void EndChild(pid_t pid) {
    kill(pid, SIGTERM);
    for (int i = 0; i < 50; ++i) {
        if (waitpid(pid, nullptr, WNOHANG) == pid) return;
        usleep(10000);
    }
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
}

}  // namespace

std::string FindProgramOnPath(const std::vector<std::string>& names, const std::string& pathList) {
    for (const std::string& name : names) {
        std::size_t start = 0;
        while (start <= pathList.size()) {
            const std::size_t colon = pathList.find(':', start);
            const std::string dir = pathList.substr(
                start, colon == std::string::npos ? std::string::npos : colon - start);
            if (!dir.empty()) {
                const std::string path = dir + "/" + name;
                if (IsExecutable(path)) return path;
            }
            if (colon == std::string::npos) break;
            start = colon + 1;
        }
    }
    return {};
}

PlayerCommand FindSoundPlayer() {
    const char* env = std::getenv("PATH");
    const std::string path = env != nullptr ? env : "/usr/bin:/bin";
    static const PlayerCommand kPlayers[] = {
        {"aplay", {"-q", "-"}}, {"pw-play", {"-"}}, {"paplay", {}}};
    for (const PlayerCommand& p : kPlayers) {
        std::string found = FindProgramOnPath({p.program}, path);
        if (!found.empty()) return PlayerCommand{std::move(found), p.args};
    }
    return {};
}

SoundPlayer::SoundPlayer(PlayerCommand command)
    : program_(std::move(command.program)), args_(std::move(command.args)) {
    working_ = !program_.empty();
    if (working_) worker_ = std::thread([this]() { Worker(); });
}

SoundPlayer::~SoundPlayer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void SoundPlayer::Play(const std::vector<std::uint8_t>& sound) {
    if (!sound.empty()) Submit(&sound, false);
}

void SoundPlayer::Loop(const std::vector<std::uint8_t>& sound) {
    Submit(sound.empty() ? nullptr : &sound, true);
}

void SoundPlayer::Stop() {
    Submit(nullptr, false);
}

void SoundPlayer::Submit(const std::vector<std::uint8_t>* sound, bool loop) {
    if (!Working()) return;
    auto copy =
        sound != nullptr ? std::make_shared<const std::vector<std::uint8_t>>(*sound) : nullptr;
    {
        std::lock_guard lock(mutex_);
        if (!working_) return;
        next_.sound = std::move(copy);
        next_.loop = loop;
        ++next_.serial;
    }
    wake_.notify_all();
}

bool SoundPlayer::Working() const {
    std::lock_guard lock(mutex_);
    return working_;
}

int SoundPlayer::Starts() const {
    std::lock_guard lock(mutex_);
    return starts_;
}

bool SoundPlayer::WaitIdle(int ms) const {
    std::unique_lock lock(mutex_);
    return wake_.wait_for(lock, std::chrono::milliseconds(ms),
                          [this]() { return !busy_ && next_.sound == nullptr; });
}

void SoundPlayer::Worker() {
    std::unique_lock lock(mutex_);
    while (true) {
        wake_.wait(lock, [this]() { return quit_ || next_.sound != nullptr; });
        if (quit_) break;
        const Request request = next_;
        if (!request.loop) next_.sound = nullptr;  // a single sound is taken
        busy_ = true;
        const auto started = std::chrono::steady_clock::now();
        if (!PlayOnce(request, lock)) {
            working_ = false;
            next_.sound = nullptr;
        } else if (request.loop) {
            // The next round no sooner than the shortest round allows.
            wake_.wait_until(lock, started + kMinLoopRound,
                             [&]() { return quit_ || next_.serial != request.serial; });
        }
        busy_ = false;
        wake_.notify_all();
        if (!working_) break;
    }
    busy_ = false;
    wake_.notify_all();
}

bool SoundPlayer::PlayOnce(const Request& request, std::unique_lock<std::mutex>& lock) {
    const std::vector<std::uint8_t>& sound = *request.sound;
    ++starts_;
    lock.unlock();
    int sv[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, sv) != 0) {
        lock.lock();
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, sv[1], 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
#if defined(__GLIBC__) && (__GLIBC__ > 2 || (__GLIBC__ == 2 && __GLIBC_MINOR__ >= 34))
    // The window system's connection and the program's files are not the player's.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
#endif
    std::vector<char*> argv;
    argv.push_back(program_.data());
    for (std::string& a : args_)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    pid_t pid = -1;
    const int spawned =
        posix_spawn(&pid, program_.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(sv[1]);
    if (spawned != 0) {
        close(sv[0]);
        lock.lock();
        return false;
    }
    auto cancelled = [&]() {
        std::lock_guard guard(*lock.mutex());
        return quit_ || next_.serial != request.serial;
    };

    // Feed the sound while the player takes it.
    bool stopped = false;
    std::size_t offset = 0;
    while (offset < sound.size()) {
        if (cancelled()) {
            stopped = true;
            break;
        }
        pollfd p{sv[0], POLLOUT, 0};
        if (poll(&p, 1, static_cast<int>(kSlice.count())) <= 0) continue;
        if ((p.revents & POLLOUT) == 0) break;  // the player closed its input
        const std::size_t n = std::min(kChunk, sound.size() - offset);
        const ssize_t sent = send(sv[0], sound.data() + offset, n, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            offset += static_cast<std::size_t>(sent);
        } else if (sent < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR) {
            break;
        }
    }
    close(sv[0]);

    // Then wait for it to finish playing, or end it when asked to.
    int status = 0;
    lock.lock();
    while (!stopped) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0) return false;
        wake_.wait_for(lock, kSlice, [&]() { return quit_ || next_.serial != request.serial; });
        stopped = quit_ || next_.serial != request.serial;
    }
    lock.unlock();
    EndChild(pid);
    lock.lock();
    return true;
}

}  // namespace morvex
