#include "integration/sync_link.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

namespace morvex {
namespace {

using namespace std::chrono_literals;

std::string UniqueName(const char* what) {
    return "morvex_test_" + std::to_string(getpid()) + "_" + what;
}

bool ObjectExists(const std::string& name) {
    struct stat st {};
    return stat(("/dev/shm/" + name).c_str(), &st) == 0;
}

// A member that writes raw bytes, as another instance or a crashed run would.
void WriteRaw(const std::string& name, std::size_t size, std::uint8_t value) {
    const int fd = shm_open(("/" + name).c_str(), O_RDWR | O_CREAT, 0600);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, static_cast<off_t>(size)), 0);
    void* p = mmap(nullptr, size, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    ASSERT_NE(p, MAP_FAILED);
    std::memset(p, value, size);
    munmap(p, size);
    close(fd);
}

void SetByte(SyncLink& link, int i, std::uint8_t v) {
    std::atomic_ref<std::uint8_t>(link.map.bytes[i]).store(v);
}

TEST(SyncLink, PositionRecordLayoutAsAnOutsideReaderSeesIt) {
    static_assert(offsetof(PositionRecord, state) == 0);
    static_assert(offsetof(PositionRecord, line) == 4);
    static_assert(offsetof(PositionRecord, point) == 8);
    static_assert(sizeof(PositionRecord::point) == 24);
    const std::string name = UniqueName("pos");
    SyncLink writer, reader;
    std::string error;
    ASSERT_TRUE(OpenSyncLink(writer, kSyncPosition, name, 0, 0, error)) << error;
    ASSERT_TRUE(OpenSyncLink(reader, kSyncPosition, name, 0, 0, error)) << error;
    EXPECT_EQ(writer.map.size, 120u);
    EXPECT_EQ(PositionState(reader), kPositionIdle);

    const double p[3] = {12.5, -3.25, 40.0};
    PublishPosition(writer, 1234, p);
    // Read as raw bytes at the fixed offsets.
    std::int32_t state = 0, line = 0;
    double xyz[3] = {};
    std::memcpy(&state, reader.map.bytes + 0, 4);
    std::memcpy(&line, reader.map.bytes + 4, 4);
    std::memcpy(xyz, reader.map.bytes + 8, 24);
    EXPECT_EQ(state, 1);
    EXPECT_EQ(line, 1234);
    EXPECT_EQ(xyz[0], 12.5);
    EXPECT_EQ(xyz[1], -3.25);
    EXPECT_EQ(xyz[2], 40.0);
    for (int i = 32; i < 120; ++i) EXPECT_EQ(reader.map.bytes[i], 0) << i;  // never written
    const PositionRecord followed = ReadPosition(reader);  // as a following window reads it
    EXPECT_EQ(followed.state, kPositionRunning);
    EXPECT_EQ(followed.line, 1234);
    EXPECT_EQ(followed.point[1], -3.25);

    PublishFinished(writer);
    EXPECT_EQ(PositionState(reader), kPositionFinished);
    // The outside reader clears the state word: a wait M-code's wait ends.
    std::memset(reader.map.bytes, 0, 4);
    EXPECT_EQ(PositionState(writer), kPositionIdle);

    // Publishing in the wrong mode or on a closed link does nothing.
    SyncLink closed;
    PublishPosition(closed, 1, p);
    EXPECT_EQ(PositionState(closed), kPositionIdle);
    CloseSyncLink(reader);
    CloseSyncLink(writer);
    EXPECT_FALSE(ObjectExists(name));
}

TEST(SyncLink, OpeningRefusesBadGroupsAndNames) {
    struct Case {
        int mode, total, self;
        std::string name;
        bool ok;
    };
    const std::string name = UniqueName("open");
    const std::vector<Case> cases = {
        {kSyncBarrier, 0, 0, name, false},  {kSyncBarrier, 9, 0, name, false},
        {kSyncBarrier, 2, 2, name, false},  {kSyncBarrier, 2, -1, name, false},
        {kSyncBarrier, 8, 7, name, true},   {kSyncBarrier, 2, 0, "", false},
        {kSyncBarrier, 2, 0, "a/b", false}, {kSyncBarrier, 2, 0, std::string(300, 'x'), false},
        {kSyncNone, 0, 0, "", true},
    };
    for (const Case& c : cases) {
        SyncLink link;
        std::string error;
        EXPECT_EQ(OpenSyncLink(link, c.mode, c.name, c.total, c.self, error), c.ok)
            << c.mode << " " << c.total << " " << c.self << " " << c.name.size();
        EXPECT_EQ(error.empty(), c.ok);
        EXPECT_EQ(SyncLinkOpen(link), c.ok && c.mode != kSyncNone);
        CloseSyncLink(link);
    }
    EXPECT_FALSE(ObjectExists(name));
}

// Fixed states of the partners decide what one barrier round does.
TEST(SyncLink, BarrierRulesForOneInstance) {
    const std::string name = UniqueName("rules");
    std::string error;
    BarrierWaitOptions quick;
    quick.timeout = 100ms;
    {
        // The lowest instance finds everybody waiting: it releases them all.
        SyncLink a;
        ASSERT_TRUE(OpenSyncLink(a, kSyncBarrier, name, 3, 0, error)) << error;
        SetByte(a, 1, kSyncWaiting);
        SetByte(a, 2, kSyncPaused);
        EXPECT_EQ(BarrierWait(a, quick), BarrierResult::GoOn);
        EXPECT_EQ(BarrierState(a, 0), kSyncRunning);
        EXPECT_EQ(BarrierState(a, 1), kSyncReleased);
        EXPECT_EQ(BarrierState(a, 2), kSyncReleased);
        // A partner that never came (0) holds it; one that left (9) does not.
        SetByte(a, 1, kSyncAbsent);
        SetByte(a, 2, kSyncRunning);
        const auto t0 = std::chrono::steady_clock::now();
        EXPECT_EQ(BarrierWait(a, quick), BarrierResult::TimedOut);
        const auto waited = std::chrono::steady_clock::now() - t0;
        EXPECT_GE(waited, 100ms);
        EXPECT_LT(waited, 2s);
        EXPECT_EQ(BarrierState(a, 0), kSyncAbsent);  // it left the barrier
        SetByte(a, 2, kSyncAbsent);
        EXPECT_EQ(BarrierWait(a, quick), BarrierResult::GoOn);  // alone now
        // Group control: pause when all are there, stop at once.
        SetByte(a, 1, kSyncPaused);
        SetByte(a, 2, kSyncPaused);
        GroupPause(a);
        EXPECT_EQ(BarrierWait(a, quick), BarrierResult::Paused);
        EXPECT_EQ(BarrierState(a, 0), kSyncPaused);
        GroupStop(a);
        GroupPause(a);  // does not undo a stop
        EXPECT_EQ(GroupControl(a), kGroupStop);
        SetByte(a, 1, kSyncRunning);  // a partner still running
        EXPECT_EQ(BarrierWait(a, quick), BarrierResult::Stop);
        // The run start clears states and control, but not who has left.
        SetByte(a, 2, kSyncAbsent);
        ClearBarrier(a);
        EXPECT_EQ(BarrierState(a, 0), kSyncRunning);
        EXPECT_EQ(BarrierState(a, 1), kSyncRunning);
        EXPECT_EQ(BarrierState(a, 2), kSyncAbsent);
        EXPECT_EQ(GroupControl(a), kGroupNormal);
        CloseSyncLink(a);
    }
    {
        // A later-indexed last arrival does not release: the lowest does.
        SyncLink c;
        ASSERT_TRUE(OpenSyncLink(c, kSyncBarrier, name, 3, 2, error)) << error;
        SetByte(c, 0, kSyncWaiting);
        SetByte(c, 1, kSyncWaiting);
        EXPECT_EQ(BarrierWait(c, quick), BarrierResult::TimedOut);
        EXPECT_EQ(BarrierState(c, 0), kSyncWaiting);
        EXPECT_EQ(BarrierState(c, 1), kSyncWaiting);
        // Continue lifts a pause only for an instance paused with its group.
        GroupPause(c);
        EXPECT_FALSE(GroupContinue(c));
        EXPECT_EQ(GroupControl(c), kGroupPause);
        SetByte(c, 2, kSyncPaused);
        EXPECT_TRUE(GroupContinue(c));
        EXPECT_EQ(GroupControl(c), kGroupNormal);
        CloseSyncLink(c);
    }
    SyncLink closed;
    EXPECT_EQ(BarrierWait(closed, quick), BarrierResult::NotJoined);
    EXPECT_FALSE(ObjectExists(name));
}

// Runs `body(i)` on n threads; a watchdog stops the group when they do not
// finish in time, so that a fault fails the test instead of hanging it.
template <class Body>
bool RunGroup(std::vector<SyncLink>& links, Body body, std::chrono::seconds limit) {
    std::mutex m;
    std::condition_variable cv;
    int done = 0;
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < links.size(); ++i) {
        threads.emplace_back([&, i] {
            body(static_cast<int>(i));
            std::lock_guard<std::mutex> lock(m);
            ++done;
            cv.notify_all();
        });
    }
    bool inTime = false;
    {
        std::unique_lock<std::mutex> lock(m);
        inTime = cv.wait_for(lock, limit, [&] { return done == static_cast<int>(links.size()); });
    }
    if (!inTime) GroupStop(links[0]);  // every waiter answers a stop at once
    for (std::thread& t : threads) t.join();
    return inTime;
}

TEST(SyncLink, ThreadsStayInLockStepAndStopTogether) {
    for (const int n : {2, 3, 8}) {
        const std::string name = UniqueName("group");
        std::vector<SyncLink> links(static_cast<std::size_t>(n));
        std::string error;
        for (int i = 0; i < n; ++i) {
            ASSERT_TRUE(OpenSyncLink(links[static_cast<std::size_t>(i)], kSyncBarrier, name, n, i, error)) << error;
        }
        constexpr int kSteps = 300;
        std::vector<std::atomic<int>> arrived(static_cast<std::size_t>(n));
        std::atomic<int> behind{0}, failures{0};
        BarrierWaitOptions options;
        options.timeout = 20s;
        const bool inTime = RunGroup(
            links,
            [&](int i) {
                for (int step = 1; step <= kSteps; ++step) {
                    arrived[static_cast<std::size_t>(i)].store(step);
                    if (BarrierWait(links[static_cast<std::size_t>(i)], options) != BarrierResult::GoOn) {
                        ++failures;
                        return;
                    }
                    // Nobody passes a step before everybody has come to it.
                    for (auto& a : arrived) {
                        if (a.load() < step) ++behind;
                    }
                }
            },
            30s);
        EXPECT_TRUE(inTime) << n;
        EXPECT_EQ(failures.load(), 0) << n;
        EXPECT_EQ(behind.load(), 0) << n;

        // A group stop reaches every waiter, also with a partner missing.
        ClearBarrier(links[0]);
        std::atomic<int> stopped{0};
        const bool stopInTime = RunGroup(
            links,
            [&](int i) {
                if (i == n - 1) {
                    std::this_thread::sleep_for(20ms);
                    GroupStop(links[static_cast<std::size_t>(i)]);  // the escape key of one instance
                    return;
                }
                if (BarrierWait(links[static_cast<std::size_t>(i)], options) == BarrierResult::Stop) ++stopped;
            },
            10s);
        EXPECT_TRUE(stopInTime) << n;
        EXPECT_EQ(stopped.load(), n - 1) << n;
        for (SyncLink& l : links) CloseSyncLink(l);
        EXPECT_FALSE(ObjectExists(name));
    }
}

TEST(SyncLink, GroupPauseAndContinue) {
    const std::string name = UniqueName("pause");
    std::vector<SyncLink> links(2);
    std::string error;
    for (int i = 0; i < 2; ++i) ASSERT_TRUE(OpenSyncLink(links[static_cast<std::size_t>(i)], kSyncBarrier, name, 2, i, error));
    GroupPause(links[1]);
    std::vector<int> pauses(2), passes(2);
    BarrierWaitOptions options;
    options.timeout = 10s;
    const bool inTime = RunGroup(
        links,
        [&](int i) {
            SyncLink& l = links[static_cast<std::size_t>(i)];
            // Each asks again while the pause lasts, as a paused window's
            // timer does; the second lifts the pause (its G key) once it is
            // paused. The first may see the pause or only its end.
            for (int n = 0; n < 2000; ++n) {
                const BarrierResult r = BarrierWait(l, options);
                if (r != BarrierResult::Paused) {
                    if (r == BarrierResult::GoOn) ++passes[static_cast<std::size_t>(i)];
                    return;
                }
                ++pauses[static_cast<std::size_t>(i)];
                if (i == 1) {
                    EXPECT_TRUE(GroupContinue(l));
                }
                std::this_thread::sleep_for(1ms);
            }
        },
        20s);
    EXPECT_TRUE(inTime);
    EXPECT_EQ(passes, (std::vector<int>{1, 1}));
    EXPECT_EQ(pauses[1], 1);  // the pause held it until it lifted it
    EXPECT_EQ(GroupControl(links[0]), kGroupNormal);
    for (SyncLink& l : links) CloseSyncLink(l);
}

TEST(SyncLink, StaleObjectsAndLeavingInstances) {
    const std::string name = UniqueName("stale");
    std::string error;
    // Left by a crashed run, with the wrong size and every byte set.
    WriteRaw(name, 4096, kGroupStop);
    SyncLink a, b;
    ASSERT_TRUE(OpenSyncLink(a, kSyncBarrier, name, 2, 0, error)) << error;
    EXPECT_TRUE(a.map.fresh);
    for (int i = 0; i < 9; ++i) EXPECT_EQ(a.map.bytes[i], 0) << i;
    struct stat st {};
    ASSERT_EQ(fstat(a.map.fd, &st), 0);
    EXPECT_EQ(st.st_size, 9);
    ASSERT_TRUE(OpenSyncLink(b, kSyncBarrier, name, 2, 1, error)) << error;
    EXPECT_FALSE(b.map.fresh);

    // Leaving writes 9; the name stays while a member is in.
    CloseSyncLink(b);
    EXPECT_EQ(BarrierState(a, 1), kSyncAbsent);
    EXPECT_TRUE(ObjectExists(name));

    // A member killed by a signal leaves too (its handler writes 9)...
    const pid_t killed = fork();
    ASSERT_GE(killed, 0);
    if (killed == 0) {
        SyncLink child;
        std::string e;
        if (!OpenSyncLink(child, kSyncBarrier, name, 2, 1, e)) _exit(3);
        LeaveGroupOnSignals(child);
        kill(getpid(), SIGTERM);
        _exit(4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(killed, &status, 0), killed);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << status;
    EXPECT_EQ(BarrierState(a, 1), kSyncAbsent);

    // ... and the last one out removes the name.
    CloseSyncLink(a);
    EXPECT_FALSE(ObjectExists(name));

    // A run that crashed without leaving: the next start finds the object
    // and clears it.
    const pid_t crashed = fork();
    ASSERT_GE(crashed, 0);
    if (crashed == 0) {
        SyncLink child;
        std::string e;
        if (!OpenSyncLink(child, kSyncBarrier, name, 2, 1, e)) _exit(3);
        std::atomic_ref<std::uint8_t>(child.map.bytes[1]).store(kSyncWaiting);
        std::atomic_ref<std::uint8_t>(child.map.bytes[2]).store(kGroupStop);
        _exit(0);
    }
    ASSERT_EQ(waitpid(crashed, &status, 0), crashed);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_TRUE(ObjectExists(name));
    SyncLink next;
    ASSERT_TRUE(OpenSyncLink(next, kSyncBarrier, name, 2, 0, error)) << error;
    EXPECT_TRUE(next.map.fresh);
    EXPECT_EQ(BarrierState(next, 1), kSyncRunning);
    EXPECT_EQ(GroupControl(next), kGroupNormal);
    CloseSyncLink(next);
    EXPECT_FALSE(ObjectExists(name));
}

}  // namespace
}  // namespace morvex
