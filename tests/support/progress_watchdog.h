// Ends the process when a threaded test has made no progress for 10 s,
// rather than let a lost wake-up hang the suite. The watchdog ends with the
// test, a failed assertion included.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>
#include <thread>

namespace morvex::test {

class ProgressWatchdog {
public:
    // `what` names the progress in the message, e.g. "a worker hand-over
    // hung after %lld motions".
    explicit ProgressWatchdog(const char* what) : what_(what), thread_([this] { Watch(); }) {}
    ~ProgressWatchdog() {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        wake_.notify_one();
        thread_.join();
    }
    ProgressWatchdog(const ProgressWatchdog&) = delete;
    ProgressWatchdog& operator=(const ProgressWatchdog&) = delete;

    void Progress(long long n) {
        std::lock_guard lock(mutex_);
        progress_ = n;
    }

private:
    void Watch() {
        std::unique_lock lock(mutex_);
        long long seen = -1;
        while (!done_) {
            if (progress_ == seen) {
                std::fprintf(stderr, what_, seen);
                std::fputc('\n', stderr);
                std::abort();
            }
            seen = progress_;
            wake_.wait_for(lock, std::chrono::seconds(10), [this] { return done_; });
        }
    }

    const char* what_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool done_ = false;
    long long progress_ = 0;
    std::thread thread_;  // last: starts when everything above is made
};

}  // namespace morvex::test
