// The sync module in a run: the offsets it supplies stand in the
// controller's table for the run and are put back at its end; it is told
// every step and the end once; without it a run gets no hook at all.
#include "frame/sync_module_run.h"

#include <gtest/gtest.h>

#include "frame/sync_run.h"
#include "support/recording_host.h"

namespace morvex {
namespace {

struct Put {
    int state, line;
    double x, g54x, g55x;
    int count;
};
std::vector<Put> puts;

void SuppliesG54(int32_t*, int32_t*, double*, double offsets[MV_SYNC_OFFSETS * 3], int32_t* count, int32_t* flag) {
    offsets[0] = 10.0;
    offsets[1] = 20.0;
    offsets[2] = 30.0;
    *count = 1;
    *flag = 1;
}
void Records(const int32_t* state, const int32_t* line, const double point[3],
             const double offsets[MV_SYNC_OFFSETS * 3], const int32_t* count, int32_t*) {
    puts.push_back(Put{*state, *line, point[0], offsets[0], offsets[3], *count});
}

bool IsAt(const WorkCoordinate& w, float x, float y, float z) {
    return w.x == x && w.y == y && w.z == z;
}

TEST(SyncModuleRun, OffsetsForTheRunStepsEndAndRestore) {
    App app;
    app.plugins.sync.module.handle = &app;  // present; never unloaded by the test
    app.plugins.sync.entry.get = SuppliesG54;
    app.plugins.sync.entry.put = Records;
    ControllerDef& ctl = app.controller;
    ctl.work[1] = WorkCoordinate{1.0f, 2.0f, 3.0f};
    ctl.work[2] = WorkCoordinate{4.0f, 5.0f, 6.0f};
    puts.clear();

    RunSetup setup;
    int published = 0;
    setup.publish = [&](const CuttingRun&) { ++published; };  // the position record's hook stays
    AttachSyncModuleToRun(app, setup);
    EXPECT_TRUE(IsAt(ctl.work[1], 10.0f, 20.0f, 30.0f));
    EXPECT_TRUE(IsAt(ctl.work[2], 4.0f, 5.0f, 6.0f));
    CuttingRun run;
    run.state = RunState::Running;
    run.interp.path.line = 12;
    run.interp.path.end = Point{7.0, 8.0, 9.0};
    setup.publish(run);
    run.state = RunState::Finished;  // the end is told by `ended`, once
    setup.publish(run);
    EXPECT_EQ(published, 2);
    setup.ended();
    setup.ended();
    ASSERT_EQ(puts.size(), 2u);
    EXPECT_EQ(puts[0].state, 1);
    EXPECT_EQ(puts[0].line, 12);
    EXPECT_EQ(puts[0].x, 7.0);
    EXPECT_EQ(puts[0].g54x, 10.0);  // the offsets in use
    EXPECT_EQ(puts[0].g55x, 4.0);
    EXPECT_EQ(puts[0].count, MV_SYNC_OFFSETS);
    EXPECT_EQ(puts[1].state, 2);
    EXPECT_EQ(puts[1].line, 12);
    EXPECT_TRUE(IsAt(ctl.work[1], 1.0f, 2.0f, 3.0f));

    // A G54 the program changed during the run (G10) keeps the change; once
    // the modules were freed the end is not told.
    RunSetup second;
    AttachSyncModuleToRun(app, second);
    ctl.work[1] = WorkCoordinate{99.0f, 2.0f, 3.0f};
    app.plugins.freed = true;
    second.ended();
    EXPECT_TRUE(IsAt(ctl.work[1], 99.0f, 2.0f, 3.0f));
    EXPECT_EQ(puts.size(), 2u);

    // Without the module a run gets no hook.
    App plain;
    test::RecordingHost host;
    RunSetup none;
    AttachSyncToRun(plain, host, none);
    EXPECT_FALSE(none.publish);
    EXPECT_FALSE(none.ended);
}

}  // namespace
}  // namespace morvex
