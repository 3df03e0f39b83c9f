// What a run makes of the sweep's findings: the decision after each motion
// (go on, pause with an interference-list entry, abort with a message), the
// load check of each step against the tool's limits, and the required-length
// report of the compute modes.
#pragma once

#include <cstdio>
#include <string>

#include "nc/nc_alarms.h"
#include "sim/sweep.h"
#include "sim/tool_profile.h"

namespace morvex {

// The check modes of a run (menu radio groups; settings keys INTERFERENCE,
// ARBOR CHECK, HEIGHT CHECK, CHIP-W CHECK).
struct RunChecks {
    int rapid = 1;   // 0 force, 1 abort, 2 pause
    int arbor = 3;   // 0 ignore holders, 1 compute stick-out, 2 cut through, 3 abort, 4 pause
    int length = 2;  // 0 force, 1 compute, 2 abort, 3 pause
    int chip = 0;    // 0 force, 1 compute, 2 abort, 3 pause
    double rapidFeedrate = 999999999.0;  // mm/min; a feed at or above it counts as rapid
};

enum class RunDecision { GoOn, Pause, Abort };

struct MotionVerdict {
    RunDecision decision = RunDecision::GoOn;
    int alarmCode = 0;  // abort: the message code (1..8)
    InterferenceFindings findings;  // pause: every kind that applies
};

// The decision after one swept motion; go on unless the motion lowered a node.
MotionVerdict DecideAfterMotion(const SweepFlags& flags, const RunChecks& checks, bool rapidMotion, double feed);

// Whether a motion counts as rapid for the checks: RAPID, or a feed at or
// above RAPID FEEDRATE.
inline bool FedAsRapid(bool rapidMotion, double feed, const RunChecks& checks) {
    return rapidMotion || feed >= checks.rapidFeedrate;
}

// The load of one step against the tool's LIMIT/LIMITS record.
struct StepLoad {
    bool over = false;
    int cutClass = kStepClassGeneral;
    double value = 0.0;  // the compared value: V (mm2), torque, or the removal rate (mm3/s)
};

// Volume load V = volume / step length (torque load with `torque`); kinds 1
// and 11 compare it with the slot of the step's class, kinds 2 and 12 the
// removal rate V * feed / 60. A slot of 0 or less checks nothing; only a
// value strictly above the slot is an overload.
StepLoad CheckStepLoad(const LimitDef& limit, const SweepFlags& step, double stepLength, double feed, bool torque);

// One recorded overload (kinds 11 and 12): "limitp.txt" or "limitsp.txt" in
// `folder`, created at the run's first record.
struct LimitRecord {
    ListFile file;
    int count = 0;
    bool failed = false;
};
void RecordOverload(LimitRecord& record, const std::string& folder, int kind, int line, const Point& position,
                    const StepLoad& load);
void CloseLimitRecord(LimitRecord& record);

// Required lengths measured for the current tool since its last report line.
struct RequiredLengths {
    double stickOut = 0.0;
    double neck = 0.0;
    double taper = 0.0;
    bool taperImpossible = false;
    double flute = 0.0;
    double tipWidth = 0.0;
    double centre = 0.0;
};
void AddRequiredLengths(RequiredLengths& into, const SweepFlags& flags);

// Where the report goes: Target_LENGTHdir, CREATE MODE(LENGTH) and NAMING
// MODE(LENGTH) (0 by compute mode and language, 1 fixed, 2 after the NC file).
struct LengthReportSettings {
    std::string folder;
    bool append = false;
    int namingMode = 0;
    bool english = true;
};

// Whether any compute mode is on.
bool ComputesLengths(const RunChecks& checks);

// The report's file name for the checks, the NC file and the settings.
std::string LengthReportName(const RunChecks& checks, const std::string& ncPath, const LengthReportSettings& s);

// Opens the report (new or appended) and writes the NC file name; null when
// no compute mode is on or the file cannot be opened.
ListFile OpenLengthReport(const RunChecks& checks, const std::string& ncPath, const LengthReportSettings& s);

// The line of one tool ("T%02d:%s" and the parts of the compute modes), then
// the maxima are reset. `toolNumber` >= 0 names the tool the program called
// when the table does not define it (the profile then has number 0).
std::string RequiredLengthLine(const ToolProfile& tool, const RunChecks& checks, RequiredLengths& lengths,
                               bool english, int toolNumber = -1);

}  // namespace morvex
