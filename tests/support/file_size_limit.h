// While one lives, the files this process writes stop growing at a given
// size, as on a disk that fills up: a write beyond it fails (SIGXFSZ is
// ignored meanwhile) instead of ending the process.
#pragma once

#include <sys/resource.h>

#include <csignal>

namespace morvex::test {

class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        set_ = getrlimit(RLIMIT_FSIZE, &saved_) == 0;
        previous_ = std::signal(SIGXFSZ, SIG_IGN);
        rlimit small = saved_;
        small.rlim_cur = bytes;
        set_ = set_ && setrlimit(RLIMIT_FSIZE, &small) == 0;
    }
    ~FileSizeLimit() {
        if (set_) setrlimit(RLIMIT_FSIZE, &saved_);
        std::signal(SIGXFSZ, previous_);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool Set() const { return set_; }

private:
    rlimit saved_{};
    void (*previous_)(int) = SIG_DFL;
    bool set_ = false;
};

}  // namespace morvex::test
