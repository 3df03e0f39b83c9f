// The step barrier and the position record.
//
// Implementation notes:
// - The mapped bytes are read and written through std::atomic_ref with
//   acquire/release order: each instance writes its own state byte, the
//   releasing instance moves every waiting byte to 1, and any instance may
//   set the control byte. The releaser moves a byte from 2 or 3 to 1 by
//   compare-and-swap, so that an instance that left (9) or joined meanwhile
//   is never made "released".
// - A barrier round for instance k reads its own state s:
//   0 -> 2 (arrived); 1 -> 0 and go on (released);
//   2 -> when every other state is 9, 2 or 3: control 1 -> 3 (paused),
//        otherwise the lowest instance that is not 9 releases the group;
//   3 -> when every other state is 9 or 3: control 1 answers "paused",
//        otherwise the lowest instance releases the group.
//   A stop (control 2) is answered at once, whether or not the partners are
//   there, so that a group stop also works when a partner has died.
// - Waiting first yields the processor, then sleeps for growing short
//   spells (up to 2 ms), so that idle waiters do not keep cores busy.
// - A partner that does not come within the time limit (time the whole
//   group spends paused does not count) makes the wait give up; this instance then leaves the
//   barrier for the rest of the run (its byte becomes 9).
#include "integration/sync_link.h"

#include <sched.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstring>
#include <thread>

#include "workio/replaced_file.h"

namespace morvex {
namespace {

constexpr int kYieldRounds = 200;
constexpr std::chrono::microseconds kFirstSleep{50};
constexpr std::chrono::microseconds kLongestSleep{2000};
constexpr std::chrono::milliseconds kIdleInterval{20};

using Clock = std::chrono::steady_clock;

std::atomic_ref<std::uint8_t> Byte(const SyncLink& link, int i) {
    return std::atomic_ref<std::uint8_t>(link.map.bytes[i]);
}

bool BarrierOpen(const SyncLink& link) {
    return link.mode == kSyncBarrier && link.map.bytes != nullptr && link.map.size >= kBarrierBytes;
}

bool PositionOpen(const SyncLink& link) {
    return link.mode == kSyncPosition && link.map.bytes != nullptr && link.map.size >= sizeof(PositionRecord);
}

// True when every other instance's state is one of `a`, `b`, `c`.
bool OthersAre(const SyncLink& link, std::uint8_t a, std::uint8_t b, std::uint8_t c) {
    for (int i = 0; i < link.total; ++i) {
        if (i == link.self) continue;
        const std::uint8_t s = Byte(link, i).load(std::memory_order_acquire);
        if (s != a && s != b && s != c) return false;
    }
    return true;
}

bool LowestTakingPart(const SyncLink& link) {
    for (int i = 0; i < link.self; ++i) {
        if (Byte(link, i).load(std::memory_order_acquire) != kSyncAbsent) return false;
    }
    return true;
}

void ReleaseGroup(SyncLink& link) {
    for (int i = 0; i < link.total; ++i) {
        if (i == link.self) continue;
        auto byte = Byte(link, i);
        std::uint8_t s = byte.load(std::memory_order_acquire);
        // Only a waiting or paused partner: one that left or (re)joined
        // meanwhile is not released into a step it never came to.
        while ((s == kSyncWaiting || s == kSyncPaused) &&
               !byte.compare_exchange_weak(s, kSyncReleased, std::memory_order_acq_rel)) {
        }
    }
    Byte(link, link.self).store(kSyncRunning, std::memory_order_release);
}

template <class T>
std::atomic_ref<T> Field(const SyncLink& link, std::size_t offset) {
    return std::atomic_ref<T>(*reinterpret_cast<T*>(link.map.bytes + offset));
}

// What the signal handler needs, kept where it can reach it: the only
// process-wide state of the sync code, set while a link is open.
struct SignalLeave {
    std::uint8_t* ownByte = nullptr;  // null outside barrier mode
    int fd = -1;
    char name[260] = {};
};
SignalLeave gLeave;
volatile sig_atomic_t gLeaveArmed = 0;
constexpr int kLeaveSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGABRT, SIGSEGV, SIGBUS, SIGFPE};

extern "C" void LeaveAndResignal(int sig) {
    if (gLeaveArmed != 0) {
        gLeaveArmed = 0;
        if (gLeave.ownByte != nullptr) __atomic_store_n(gLeave.ownByte, kSyncAbsent, __ATOMIC_RELEASE);
        if (gLeave.fd >= 0 && flock(gLeave.fd, LOCK_EX | LOCK_NB) == 0) shm_unlink(gLeave.name);
    }
    // What the saves under way were writing goes too (this handler took
    // their signals over).
    RemoveTemporaryFiles();
    // The handler was installed to run once: the signal now does what it
    // would have done.
    raise(sig);
}

}  // namespace

void LeaveGroupOnSignals(const SyncLink& link) {
    if (!SyncLinkOpen(link) || link.map.name.size() >= sizeof(gLeave.name)) return;
    gLeaveArmed = 0;
    gLeave.ownByte = link.mode == kSyncBarrier ? link.map.bytes + link.self : nullptr;
    gLeave.fd = link.map.fd;
    std::memcpy(gLeave.name, link.map.name.c_str(), link.map.name.size() + 1);
    gLeaveArmed = 1;
    struct sigaction action {};
    action.sa_handler = LeaveAndResignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESETHAND;
    for (const int sig : kLeaveSignals) {
        struct sigaction before {};
        // A signal the program was started to ignore stays ignored.
        if (sigaction(sig, nullptr, &before) == 0 && before.sa_handler == SIG_IGN) continue;
        sigaction(sig, &action, nullptr);
    }
}

bool OpenSyncLink(SyncLink& link, int mode, const std::string& mappingName, int total, int self,
                  std::string& error) {
    CloseSyncLink(link);
    if (mode != kSyncBarrier && mode != kSyncPosition) return true;
    if (mode == kSyncBarrier && (total < 1 || total > kMaxSyncInstances)) {
        error = "SYNC TOTAL must be 1 to 8 for SYNC MODE SYNC";
        return false;
    }
    if (mode == kSyncBarrier && (self < 0 || self >= total)) {
        error = "SYNC NO must be 1 to SYNC TOTAL for SYNC MODE SYNC";
        return false;
    }
    const std::size_t size = mode == kSyncBarrier ? kBarrierBytes : sizeof(PositionRecord);
    if (!OpenSharedMapping(link.map, mappingName, size, error)) return false;
    link.mode = mode;
    link.total = mode == kSyncBarrier ? total : 0;
    link.self = mode == kSyncBarrier ? self : 0;
    if (mode == kSyncBarrier) Byte(link, self).store(kSyncRunning, std::memory_order_release);
    return true;
}

void CloseSyncLink(SyncLink& link) {
    if (gLeaveArmed != 0 && gLeave.fd == link.map.fd) gLeaveArmed = 0;
    if (BarrierOpen(link)) Byte(link, link.self).store(kSyncAbsent, std::memory_order_release);
    CloseSharedMapping(link.map);
    link = SyncLink{};
}

bool SyncLinkOpen(const SyncLink& link) {
    return BarrierOpen(link) || PositionOpen(link);
}

void ClearBarrier(SyncLink& link) {
    if (!BarrierOpen(link)) return;
    for (int i = 0; i < link.total; ++i) {
        auto byte = Byte(link, i);
        std::uint8_t s = byte.load(std::memory_order_acquire);
        // Our own byte always; a partner's unless it has left.
        while ((i == link.self || s != kSyncAbsent) && s != kSyncRunning &&
               !byte.compare_exchange_weak(s, kSyncRunning, std::memory_order_acq_rel)) {
        }
    }
    Byte(link, link.total).store(kGroupNormal, std::memory_order_release);
}

BarrierResult BarrierWait(SyncLink& link, const BarrierWaitOptions& options) {
    if (!BarrierOpen(link)) return BarrierResult::NotJoined;
    const int k = link.self;
    auto own = Byte(link, k);
    auto control = Byte(link, link.total);
    auto waitingSince = Clock::now();
    auto lastIdle = waitingSince;
    int round = 0;
    auto sleep = kFirstSleep;
    while (true) {
        const std::uint8_t s = own.load(std::memory_order_acquire);
        const std::uint8_t c = control.load(std::memory_order_acquire);
        if (s == kSyncReleased) {
            own.store(kSyncRunning, std::memory_order_release);
            return BarrierResult::GoOn;
        }
        if (c == kGroupStop) return BarrierResult::Stop;
        if (s == kSyncWaiting) {
            if (OthersAre(link, kSyncAbsent, kSyncWaiting, kSyncPaused)) {
                if (c == kGroupPause) {
                    // By swap: a releaser that saw no pause may have been first.
                    std::uint8_t expected = kSyncWaiting;
                    own.compare_exchange_strong(expected, kSyncPaused, std::memory_order_acq_rel);
                    continue;
                }
                if (LowestTakingPart(link)) {
                    ReleaseGroup(link);
                    return BarrierResult::GoOn;
                }
            }
        } else if (s == kSyncPaused) {
            if (OthersAre(link, kSyncAbsent, kSyncPaused, kSyncPaused)) {
                if (c == kGroupPause) waitingSince = Clock::now();  // a paused group waits for its user
                if (c == kGroupPause && options.answerPause) return BarrierResult::Paused;
                if (c != kGroupPause && LowestTakingPart(link)) {
                    ReleaseGroup(link);
                    return BarrierResult::GoOn;
                }
            }
        } else {
            // Running, or a byte we never wrote (cleared by a run start):
            // arrive. A failed swap means a releaser got there first.
            std::uint8_t expected = s;
            own.compare_exchange_strong(expected, kSyncWaiting, std::memory_order_acq_rel);
            continue;
        }

        const auto now = Clock::now();
        if (options.timeout.count() > 0 && now - waitingSince > options.timeout) {
            // Leave unless released at this very moment.
            std::uint8_t expected = s;
            if (own.compare_exchange_strong(expected, kSyncAbsent, std::memory_order_acq_rel)) {
                return BarrierResult::TimedOut;
            }
            continue;
        }
        if (options.idle && now - lastIdle >= kIdleInterval) {
            options.idle();
            lastIdle = Clock::now();
        }
        if (round < kYieldRounds) {
            ++round;
            sched_yield();
        } else {
            std::this_thread::sleep_for(sleep);
            sleep = std::min(sleep * 2, kLongestSleep);
        }
    }
}

bool GroupContinue(SyncLink& link) {
    if (!BarrierOpen(link)) return false;
    if (Byte(link, link.self).load(std::memory_order_acquire) != kSyncPaused) return false;
    Byte(link, link.total).store(kGroupNormal, std::memory_order_release);
    return true;
}

void GroupStop(SyncLink& link) {
    if (BarrierOpen(link)) Byte(link, link.total).store(kGroupStop, std::memory_order_release);
}

void GroupPause(SyncLink& link) {
    if (!BarrierOpen(link)) return;
    std::uint8_t expected = kGroupNormal;  // a stop is not turned into a pause
    Byte(link, link.total).compare_exchange_strong(expected, kGroupPause, std::memory_order_acq_rel);
}

std::uint8_t BarrierState(const SyncLink& link, int instance) {
    if (!BarrierOpen(link) || instance < 0 || instance > link.total) return kSyncAbsent;
    return Byte(link, instance).load(std::memory_order_acquire);
}

std::uint8_t GroupControl(const SyncLink& link) {
    return BarrierOpen(link) ? Byte(link, link.total).load(std::memory_order_acquire) : kGroupNormal;
}

void PublishPosition(SyncLink& link, int line, const double point[3]) {
    if (!PositionOpen(link)) return;
    Field<std::int32_t>(link, offsetof(PositionRecord, line)).store(line, std::memory_order_relaxed);
    for (int a = 0; a < 3; ++a) {
        Field<double>(link, offsetof(PositionRecord, point) + a * sizeof(double))
            .store(point[a], std::memory_order_relaxed);
    }
    Field<std::int32_t>(link, offsetof(PositionRecord, state)).store(kPositionRunning, std::memory_order_release);
}

void PublishFinished(SyncLink& link) {
    if (!PositionOpen(link)) return;
    Field<std::int32_t>(link, offsetof(PositionRecord, state)).store(kPositionFinished, std::memory_order_release);
}

std::int32_t PositionState(const SyncLink& link) {
    if (!PositionOpen(link)) return kPositionIdle;
    return Field<std::int32_t>(link, offsetof(PositionRecord, state)).load(std::memory_order_acquire);
}

PositionRecord ReadPosition(const SyncLink& link) {
    PositionRecord r{};
    if (!PositionOpen(link)) return r;
    r.state = Field<std::int32_t>(link, offsetof(PositionRecord, state)).load(std::memory_order_acquire);
    r.line = Field<std::int32_t>(link, offsetof(PositionRecord, line)).load(std::memory_order_relaxed);
    for (int a = 0; a < 3; ++a) {
        r.point[a] = Field<double>(link, offsetof(PositionRecord, point) + a * sizeof(double))
                         .load(std::memory_order_relaxed);
    }
    return r;
}

}  // namespace morvex
