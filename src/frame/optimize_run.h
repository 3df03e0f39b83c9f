// A cutting run that writes the optimised NC program and the cut data as
// section Optimize of the settings says: the files are named and opened
// before the run, fed with every step the sweep makes, and put in place
// when it ends.
#pragma once

#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "frame/app.h"
#include "results/optimized_nc.h"
#include "sim/run_control.h"

namespace morvex {

class Host;

struct OptimizeSession {
    OptimizedOutput out;
    std::vector<OptimizeFeeds> feeds;  // by tool number
    std::string ncPath, dataPath;      // "" for a file not written
    bool open = false;
    const CuttingRun* clearanceRun = nullptr;  // the run out.clearance looks at
    CutEdgeMarks edges;  // where cuts written off their place may leave slivers
    LeftStanding left;   // what cuts escaped (OPT-CUT=ESCAPE) leave standing
    // Once the run ended: whether it was cut short, and the files being put
    // in place on a thread of their own (BeginClosingOptimizedRun), with
    // what the closing answered.
    bool aborted = false;
    std::jthread closing;
    bool closed = false;
};

// The options of the settings (ESCAPE-WIDTH 0 is three work pitches).
OptimizeOptions OptimizeOptionsOf(const App& app);

// The file names of the settings for the command line's NC program.
std::string OptimizedNcPath(const App& app);
std::string CutDataPath(const App& app);

// Opens the outputs and hooks the run's step observer to them (before
// StartRun, through the setup). False after a message when a file cannot
// be created.
bool PrepareOptimizedRun(App& app, Host& host, OptimizeSession& session, RunSetup& setup, WorkModel& work);

// Starts putting the files in place on a thread of its own once the run
// ended, so that the run's other outputs are written meanwhile: flushing
// them and replacing a long old cut data file take tens of milliseconds.
// The session is the thread's until FinishOptimizedRun.
void BeginClosingOptimizedRun(OptimizeSession& session, const CuttingRun& run);

// Puts the files in place once the run ended (or waits for
// BeginClosingOptimizedRun to have done so). A run that did not reach its
// end writes no optimised NC, and says so. Returns false when an output
// could not be written (told).
bool FinishOptimizedRun(App& app, Host& host, OptimizeSession& session, const CuttingRun& run, bool openViewers);

}  // namespace morvex
