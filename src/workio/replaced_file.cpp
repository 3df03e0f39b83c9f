// Implementation notes: a write that writes nothing on its first attempt is
// retried in 400-byte chunks (some file systems refuse large writes near
// their limits); later writes continue in chunks no larger than the last
// successful one, and a write that writes nothing then is a failure.
// A file that grows over a long run (the cut data, written while the tool
// moves) has its write-back started every megabyte: the disk then works
// while the run goes on, and the flush at the end waits for the last
// megabyte only, instead of for all of a file of tens of megabytes. A file
// with a durable step is also synced every few megabytes by the thread that
// writes it: the journal then commits its blocks a few at a time, and the
// flush at the end (some 50 ms for 30 MB committed at once) is short.
#include "workio/replaced_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace morvex {
namespace {

constexpr std::uint64_t kWriteBackStep = 1u << 20;

// The temporary files being written, for RemoveTemporaryFiles: a slot is
// taken (0 -> 1), its name copied, then armed (2); a signal handler
// unlinks the armed ones. The only process-wide state of the saves.
struct TempSlot {
    std::atomic<int> state{0};
    char path[4096] = {};
};
constexpr int kTempSlots = 32;
TempSlot gTemps[kTempSlots];
static_assert(std::atomic<int>::is_always_lock_free);

int NoteTemporary(const std::string& temp) {
    if (temp.size() >= sizeof(TempSlot::path)) return -1;
    for (int i = 0; i < kTempSlots; ++i) {
        int free = 0;
        if (!gTemps[i].state.compare_exchange_strong(free, 1)) continue;
        std::memcpy(gTemps[i].path, temp.c_str(), temp.size() + 1);
        gTemps[i].state.store(2, std::memory_order_release);
        return i;
    }
    return -1;  // more saves at once than slots: that one is not cleaned up
}

void ForgetTemporary(ReplacedFile& file) {
    if (file.slot >= 0) gTemps[file.slot].state.store(0, std::memory_order_release);
    file.slot = -1;
}

extern "C" void RemoveTemporariesAndResignal(int sig) {
    RemoveTemporaryFiles();
    // Installed to run once: the signal now does what it would have done.
    ::raise(sig);
}

// False when the data could not be made durable: an error a sync reports
// is reported once, so the flush at the end would not see it again.
bool StartWriteBack(ReplacedFile& file) {
    if (file.written - file.started < kWriteBackStep) return true;
    // Only a hint: whatever fails here fails again at the fsync, which
    // reports it.
    (void)::sync_file_range(file.fd, static_cast<off_t>(file.started),
                            static_cast<off_t>(file.written - file.started), SYNC_FILE_RANGE_WRITE);
    file.started = file.written;
    if (file.durableStep == 0 || file.written - file.durable < file.durableStep) return true;
    if (::fdatasync(file.fd) != 0) {
        file.error = errno;
        return false;
    }
    file.durable = file.written;
    return true;
}

int ResultOf(int error) {
    return (error == ENOMEM || error == ENOBUFS) ? kFileResourceOver : kFileWriteFailed;
}

// A symbolic link under the name stays: the name becomes the one the
// links lead to, taken link by link (the file there may not exist yet, as
// opening the link for writing would create it). False (ELOOP) for links
// that lead round in a circle, or another error when one cannot be read.
bool FollowLinks(ReplacedFile& file) {
    constexpr int kMaxLinks = 40;  // as the system gives up on a path
    std::filesystem::path name = file.path;
    std::error_code ec;
    for (int links = 0; std::filesystem::is_symlink(name, ec); ++links) {
        const std::filesystem::path target = std::filesystem::read_symlink(name, ec);
        if (ec || links == kMaxLinks) {
            file.error = ec ? ec.value() : ELOOP;
            return false;
        }
        name = target.is_absolute() ? target : name.parent_path() / target;
    }
    file.path = name.string();
    return true;
}

}  // namespace

bool WriteProtected(const std::string& path) {
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    return (info.st_mode & 0222) == 0 || ::access(path.c_str(), W_OK) != 0;
}

bool BeginReplace(ReplacedFile& file, const std::string& path) {
    file.error = 0;
    file.written = 0;
    file.started = 0;
    file.durable = 0;
    file.path = path;
    if (!FollowLinks(file)) return false;
    file.temp = file.path + "." + std::to_string(::getpid()) + ".tmp";
    if (WriteProtected(file.path)) {
        file.error = EACCES;
        return false;
    }
    struct stat old {};
    const bool exists = ::stat(file.path.c_str(), &old) == 0;
    // Only a regular file is replaced: a folder, a pipe or a device (say
    // /dev/null under a link) is no file of ours to put one in place of.
    if (exists && !S_ISREG(old.st_mode)) {
        file.error = S_ISDIR(old.st_mode) ? EISDIR : EINVAL;
        return false;
    }
    const bool replacing = exists;
    // A new file of our own: never through a link, nor into one that stands
    // under the name already (left by a process of the same number that
    // was killed, or put there by someone else), which goes first.
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
    file.fd = ::open(file.temp.c_str(), kFlags, 0666);
    if (file.fd < 0 && errno == EEXIST && ::unlink(file.temp.c_str()) == 0) {
        file.fd = ::open(file.temp.c_str(), kFlags, 0666);
    }
    if (file.fd < 0) {
        file.error = errno;
        return false;
    }
    file.slot = NoteTemporary(file.temp);
    // Only a hint: a file system without modes keeps its own.
    if (replacing) (void)::fchmod(file.fd, old.st_mode & 0777);
    return true;
}

bool WriteBytes(ReplacedFile& file, const void* data, std::size_t size) {
    if (file.fd < 0 || file.error != 0) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    std::size_t chunk = size;
    bool first = true;
    while (done < size) {
        const std::size_t want = std::min(chunk, size - done);
        const ssize_t n = ::write(file.fd, bytes + done, want);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (!first || n < 0) {
                file.error = n < 0 ? errno : EIO;
                return false;
            }
            chunk = 400;
            first = false;
            continue;
        }
        done += static_cast<std::size_t>(n);
        chunk = static_cast<std::size_t>(n);
        first = false;
    }
    file.written += size;
    return StartWriteBack(file);
}

bool WriteBytesAt(ReplacedFile& file, std::uint64_t offset, const void* data, std::size_t size) {
    if (file.fd < 0 || file.error != 0) return false;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(file.fd, bytes + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            file.error = n < 0 ? errno : EIO;
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    return true;
}

int FinishReplace(ReplacedFile& file, bool ok) {
    if (file.fd < 0) return ResultOf(file.error);
    ok = ok && file.error == 0;
    if (ok && ::fsync(file.fd) != 0) {
        file.error = errno;
        ok = false;
    }
    if (::close(file.fd) != 0 && ok) {
        file.error = errno;
        ok = false;
    }
    file.fd = -1;
    if (ok && std::rename(file.temp.c_str(), file.path.c_str()) != 0) {
        file.error = errno;
        ok = false;
    }
    if (!ok) ::unlink(file.temp.c_str());
    ForgetTemporary(file);
    return ok ? kFileSaved : ResultOf(file.error);
}

void RemoveTemporaryFiles() {
    for (TempSlot& slot : gTemps) {
        if (slot.state.load(std::memory_order_acquire) == 2) ::unlink(slot.path);
    }
}

void RemoveTemporaryFilesOnSignals() {
    struct sigaction action {};
    action.sa_handler = RemoveTemporariesAndResignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction before {};
        if (::sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        ::sigaction(sig, &action, nullptr);
    }
}

}  // namespace morvex
