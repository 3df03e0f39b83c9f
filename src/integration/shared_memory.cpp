// Named shared memory between instances.
//
// Implementation notes: membership is a flock on the object's descriptor.
// Joining tries an exclusive lock without blocking: when it is granted
// nobody else is a member (a crashed member's lock went with its process),
// so the contents are reset while it is held, and the lock is turned into a shared one.
// Leaving turns the shared lock into an exclusive one without blocking:
// when granted, this was the last member and the name is unlinked. An
// object unlinked between our open and our lock (its last member just left)
// is opened again, so that a newcomer never ends up alone on a dead object.
#include "integration/shared_memory.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace morvex {
namespace {

constexpr std::size_t kMaxNameBytes = 250;  // NAME_MAX less the leading "/"
constexpr int kOpenAttempts = 5;

std::string SystemError(const std::string& what, const std::string& name) {
    return what + " " + name + ": " + std::strerror(errno);
}

}  // namespace

std::string SharedObjectName(const std::string& mappingName) {
    if (mappingName.empty() || mappingName.size() > kMaxNameBytes) return {};
    if (mappingName.find('/') != std::string::npos) return {};
    return "/" + mappingName;
}

bool OpenSharedMapping(SharedMapping& m, const std::string& mappingName, std::size_t size, std::string& error) {
    CloseSharedMapping(m);
    const std::string name = SharedObjectName(mappingName);
    if (name.empty() || size == 0) {
        error = "unusable shared memory name \"" + mappingName + "\"";
        return false;
    }
    int fd = -1;
    bool fresh = false;
    for (int attempt = 0; attempt < kOpenAttempts && fd < 0; ++attempt) {
        fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd < 0) {
            error = SystemError("cannot open shared memory", name);
            return false;
        }
        fresh = flock(fd, LOCK_EX | LOCK_NB) == 0;
        // Nobody else is in: whatever the object holds is left from an
        // earlier run (or another grid); cutting it to nothing and back
        // gives zeros of the size wanted.
        if (fresh && (ftruncate(fd, 0) != 0 || ftruncate(fd, static_cast<off_t>(size)) != 0)) {
            error = SystemError("cannot size shared memory", name);
            close(fd);
            return false;
        }
        // Shared from here on; a member that leaves meanwhile finds us.
        if (flock(fd, LOCK_SH) != 0) {
            error = SystemError("cannot lock shared memory", name);
            close(fd);
            return false;
        }
        struct stat st {};
        if (fstat(fd, &st) != 0 || st.st_nlink == 0) {
            close(fd);  // its last member unlinked it before we were in
            fd = -1;
            continue;
        }
        if (st.st_size != static_cast<off_t>(size)) {
            errno = EINVAL;
            error = SystemError("shared memory of another size", name);
            close(fd);
            return false;
        }
    }
    if (fd < 0) {
        error = "cannot join shared memory " + name;
        return false;
    }
    void* view = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (view == MAP_FAILED) {
        error = SystemError("cannot map shared memory", name);
        close(fd);
        return false;
    }
    m.name = name;
    m.fd = fd;
    m.bytes = static_cast<std::uint8_t*>(view);
    m.size = size;
    m.fresh = fresh;
    return true;
}

void CloseSharedMapping(SharedMapping& m) {
    if (m.fd < 0) return;
    if (m.bytes != nullptr) munmap(m.bytes, m.size);
    // Granted only when no other member holds its shared lock.
    if (flock(m.fd, LOCK_EX | LOCK_NB) == 0) shm_unlink(m.name.c_str());
    close(m.fd);
    m = SharedMapping{};
}

}  // namespace morvex
