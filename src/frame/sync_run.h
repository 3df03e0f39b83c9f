// The sync mapping of SYNC MODE in the program: made at start-up, closed at
// exit, and tied into every run (the step barrier of lock-step runs, the
// position record, group continue and stop from the keys).
//
// The synchronisation module, which exchanges offset tables with an outside
// party, is a separate facility that joins here: it may name the mapping,
// and AttachSyncToRun hands it each run (frame/sync_module_run.h).
#pragma once

#include "frame/app.h"
#include "sim/run_control.h"

namespace morvex {

class Host;

// SHARE MODE: the work's heights, attributes and line numbers live in the
// named objects SHARE NAME + "_TOP", "_TOPC" and "_TOPN" from the next
// allocation on; ShareWork is called at start-up, the objects are left when
// the work is freed.
void ShareWork(App& app);

// Start-up: opens the mapping of the Sync section; a mapping that cannot be
// used is reported and the program goes on without synchronisation.
void CreateSyncMapping(App& app, Host& host);
// Exit: leaves the group (its state byte becomes 9) and closes the mapping.
void CloseSyncMapping(App& app);

// Completes a run's setup: in lock-step mode the barrier is cleared for the
// run and every step waits for the group (`interactive` runs pump events
// while waiting and pause with the group; unattended ones hold a group
// pause until it is lifted), and a run that ends early stops the group; in
// position mode every motion is published and
// a wait M-code waits for the outside reader to clear the record's state.
void AttachSyncToRun(App& app, Host& host, RunSetup& setup);

// The keys of a lock-step group: G lifts a group pause (true when this
// instance was paused with the group), the escape key stops the group.
bool GroupContinueKey(App& app);
void GroupStopKey(App& app);
bool InLockStep(const App& app);

// A follower of another instance's position record (MAPFILE without a run
// of its own): the status text of the record, and whether a run is being
// followed (state not 0).
bool FollowedRun(const App& app, std::string& status);

}  // namespace morvex
