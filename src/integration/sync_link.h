// Running several instances together through named shared memory: the
// step barrier of lock-step runs (up to eight instances, one state byte
// each and a group control byte) and the position record that a running
// instance publishes for an outside reader.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "integration/shared_memory.h"

namespace morvex {

// Sync modes (SYNC MODE).
inline constexpr int kSyncNone = 0;
inline constexpr int kSyncBarrier = 1;   // "SYNC"
inline constexpr int kSyncPosition = 2;  // "MAPFILE"

// The barrier mapping: bytes 0..N-1 the instances' states, byte N the group
// control; N is at most 8.
inline constexpr std::size_t kBarrierBytes = 9;
inline constexpr int kMaxSyncInstances = 8;
inline constexpr std::uint8_t kSyncRunning = 0;
inline constexpr std::uint8_t kSyncReleased = 1;
inline constexpr std::uint8_t kSyncWaiting = 2;
inline constexpr std::uint8_t kSyncPaused = 3;
inline constexpr std::uint8_t kSyncAbsent = 9;  // not taking part (never came, or left)
inline constexpr std::uint8_t kGroupNormal = 0;
inline constexpr std::uint8_t kGroupPause = 1;
inline constexpr std::uint8_t kGroupStop = 2;

// The position record, 120 bytes, as an outside reader sees it.
struct PositionRecord {
    std::int32_t state;  // 0 idle, 1 position written (running), 2 run finished
    std::int32_t line;   // current NC line
    double point[3];     // mm, current control point X, Y, Z
    std::uint8_t unused[88];
};
static_assert(sizeof(PositionRecord) == 120);
inline constexpr std::int32_t kPositionIdle = 0;
inline constexpr std::int32_t kPositionRunning = 1;
inline constexpr std::int32_t kPositionFinished = 2;

// What a barrier wait answers.
enum class BarrierResult {
    GoOn = 0,       // released with the group
    Paused = 3,     // the group is paused
    Stop = 4,       // the group is to stop
    TimedOut = 5,   // a partner did not come within the time limit
    NotJoined = 6,  // no barrier mapping (wrong mode or closed)
};

// The process's sync mapping.
struct SyncLink {
    int mode = kSyncNone;
    int total = 0;  // N, instances in the group (barrier)
    int self = 0;   // k, this instance, 0-based
    SharedMapping map;
};

// Creates or joins the mapping of `mode` named `mappingName`; in barrier
// mode `total` (1..8) instances take part and this is instance `self`
// (0-based, below total); its own state byte is set to 0 (taking part). A
// group size or instance number out of range is refused with a message, as
// is a mapping that cannot be made. Mode 0 does nothing and succeeds.
[[nodiscard]] bool OpenSyncLink(SyncLink& link, int mode, const std::string& mappingName, int total, int self,
                                std::string& error);

// Leaves the group: in barrier mode this instance's byte becomes 9 so that
// nobody waits for it; the last instance out removes the mapping.
void CloseSyncLink(SyncLink& link);

bool SyncLinkOpen(const SyncLink& link);

// While the link is open, an interrupt, termination or crash signal leaves
// the group first (the state byte becomes 9, the last one out removes the
// name) and then takes its usual course. One link per process.
void LeaveGroupOnSignals(const SyncLink& link);

// Start of a run in barrier mode: every state and the control byte are
// cleared, except the bytes of instances that have left (9).
void ClearBarrier(SyncLink& link);

struct BarrierWaitOptions {
    // How long the group may keep this instance waiting for a partner that
    // has not come; zero waits for ever. Time spent paused does not count.
    std::chrono::milliseconds timeout{60000};
    // Called about every 20 ms while waiting (events, keys); may set the
    // control byte through GroupStop or GroupContinue.
    std::function<void()> idle;
    // False: a group pause is waited out here instead of being answered.
    bool answerPause = true;
};

// Waits at the step barrier until the whole group is there (see the
// implementation notes); own state is left 0 when released, 3 when paused.
BarrierResult BarrierWait(SyncLink& link, const BarrierWaitOptions& options);

// User actions: continue clears the control byte when this instance waits
// paused (true when it did); stop asks every waiting instance to stop;
// pause asks the group to pause at its next barrier.
bool GroupContinue(SyncLink& link);
void GroupStop(SyncLink& link);
void GroupPause(SyncLink& link);

std::uint8_t BarrierState(const SyncLink& link, int instance);
std::uint8_t GroupControl(const SyncLink& link);

// Position record (mode 2): each step of a run writes state 1, the line and
// the control point; the end of the run writes state 2.
void PublishPosition(SyncLink& link, int line, const double point[3]);
void PublishFinished(SyncLink& link);
// The record's state word; a wait M-code's wait ends when the outside
// reader has cleared it to 0.
std::int32_t PositionState(const SyncLink& link);
// The record as a follower reads it (all zero on a closed link); the line
// and point may be one step apart while the writer is at work.
PositionRecord ReadPosition(const SyncLink& link);

}  // namespace morvex
