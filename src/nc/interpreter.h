// The NC interpreter: turns the blocks of a program into motions, one per
// NextMotion call, keeping the controller's modal state between calls.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "nc/block_reader.h"
#include "nc/controller_def.h"
#include "nc/motion_queue.h"
#include "nc/path_record.h"
#include "nc/spline.h"

namespace morvex {
struct AlarmFiles;
}

namespace morvex {

// How T words are written, from the machine definition's ATC TYPE: a plain
// tool number, or tool and length-offset number in one word.
struct ToolWordForm {
    bool withOffsetDigits = false;
    int offsetDigits = 0;  // 0..9
};

inline constexpr int kCycleNone = 80;
inline constexpr int kTrackedCodes = 200;
inline constexpr std::size_t kMaxQueuedPerBlock = 996;

struct CycleState {
    int code = kCycleNone;
    double initialLevel = 0.0;
    double rPoint = 0.0;
    bool rGiven = false;
    double bottom = 0.0;
    bool bottomGiven = false;
    double q = 0.0;
    double dwell = 0.0;  // seconds
    int repeat = 1;
    bool incremental = false;
};

struct ScalingState {
    bool on = false;
    Point factor{1.0, 1.0, 1.0};
    Point centre{};
};

enum class RotationMode { Off, Requested, Active, Cancelling };

struct RotationState {
    RotationMode mode = RotationMode::Off;
    double angle = 0.0;  // degrees
    double sine = 0.0;
    double cosine = 1.0;
    int first = 0;
    int second = 1;
    Point centre{};
};

struct MirrorState {
    std::array<bool, 3> axis{};
    Point coordinate{};
    bool on = false;
};

// One motion of a canned-cycle hole, as the cycle expander writes it.
struct QueuedMotion {
    int type = kRapid;
    Point end{};
    Point centre{};
};

// What the caller of a run tells the interpreter: the run's mode, whether it
// only checks, the work pitch and the machine's rapid axes for the rapid
// split, and where radius-offset alarms are listed.
struct InterpreterSetup {
    int runMode = 3;         // 0 check; 1..3 cutting runs; 4 and above the fast runs
    bool checkOnly = false;  // no rapid split, no radius-offset alarm list
    double workPitch = 1.0;  // mm
    std::array<double, 3> rapidRate{10000.0, 10000.0, 10000.0};  // mm/min
    std::array<double, 3> rapidAccel{0.1, 0.1, 0.1};             // G
    AlarmFiles* alarms = nullptr;  // radius-offset alarm list; none when null
    // G00MODE UNKNOWN: asks the work model whether the area of a rapid's XY
    // move is clear at its end height; when it is, one corner point is
    // enough and is returned. Set by the cutting run; unset means never.
    std::function<std::optional<Point>(const Point& start, const Point& end)> rapidCorner;
    // Offered the whole text of every block read from the NC file that holds
    // a comment, once per block, before its words act (the network tool data
    // module defines tools from comments). Unset means none.
    std::function<void(std::string_view block)> commentHook;
};

// Radius compensation between NextMotion calls: the element held back until
// the corner after it is known, and the blocks read past it.
// An element read past an inside corner that did not meet, kept by the
// look-ahead while later elements are tried against the held one.
struct LookAheadElement {
    PathRecord programmed;
    PathRecord offset;
    int programLine = 0;
    std::string block;
};

struct CompensationRun {
    int state = 0;              // 0 off, 1 on, 2 cancelling; 3 and 4 for 1 and 2 with look-ahead
    bool startPending = false;  // on, but no element has moved in the plane yet
    bool holding = false;       // `held` waits for the corner after it
    bool heldStartsUp = false;  // `held` is the element that started compensation
    PathRecord heldProgrammed;
    PathRecord held;                  // compensated
    std::vector<PathRecord> toolAxis;  // blocks read past `held` that do not move in the plane
    std::vector<LookAheadElement> ahead;  // at most PRE READ of them
    Point position{};  // where the tool stands while cancelling
    double r = 0.0;    // signed radius offset in force (positive: tool on the left)
    int request = 0;   // this block's G40, G41 or G42 (0 none)
};

// Words of the current block that act only in it.
struct BlockWords {
    int nonModalG = -1;  // G04, G10, G28, G52, G53, G92 ... of this block
    bool g10 = false;
    bool g51 = false;
    bool g68 = false;
    bool g51_1 = false;
    bool g50_1 = false;
    bool g54 = false;
    bool hasL = false;
    int l = 0;
    bool hasP = false;
    int p = 0;
    bool hasR = false;
    double r = 0.0;
    bool ijkGiven = false;
    Point ijk{};
    bool rGiven = false;  // arc radius
    double radius = 0.0;
    std::array<bool, 3> axisGiven{};
    Point axisValue{};  // as read, before incremental and scaling
    bool stopReading = false;
    bool g49 = false;
    bool heidenhainCycleCall = false;
    // Spline blocks: weight R, knot (K after G06.2, Q after G132), order P.
    bool splineWeightGiven = false;
    double splineWeight = 1.0;
    bool knotGiven = false;
    double knot = 0.0;
    bool orderGiven = false;
    int order = 4;
};

struct Interpreter {
    BlockReader reader;
    PathRecord path;

    int motionMode = kRapid;
    int plane = 17;  // signed
    int first = 0;
    int second = 1;
    int third = 2;
    bool incremental = false;
    Point lastProgrammed{};
    Point current{};  // end of the last motion, programmed coordinates
    Point startPosition{};

    int workSystem = 1;
    Point workOffset{};
    std::array<Point, kWorkEntries> localShift{};

    int lengthSign = 0;         // +1 G43, -1 G44, 0 off
    double lengthOffset = 0.0;  // signed value in force on the tool axis
    int lengthNumber = 0;       // H number in force
    int keptOffset = 0;  // G49MODE KEEP mark: 1 set, 2 a later block moved
    int radiusSign = 0;         // +1 G41, -1 G42 (reversed in a negative plane), 0 off
    double radiusOffset = 0.0;  // D value + second column of the D number in force
    int radiusNumber = 0;
    bool cornerArcRequested = false;

    ScalingState scaling;
    RotationState rotation;
    MirrorState mirror;
    CycleState cycle;
    int returnLevel = 1;  // 1 initial, 0 R level, 2 the G71 level
    double g71Level = 0.0;
    bool g71Pending = false;
    bool ospWorkSelect = false;  // G15/G16: H words select the work system

    double commandedFeed = 0.0;
    double feed = 0.0;
    int tool = 0;
    int pendingTool = 0;
    int mCode = -1;
    int sequenceNumber = 0;
    int programNumber = 0;
    double spindle = 0.0;
    double maxSpindle = 0.0;  // the largest S read so far

    BlockWords words;
    bool g92Seen = false;
    Point g92Machine{};
    Point lastToolEnd{};
    // Added to the programmed points of the motion handed out last when it
    // is converted to the tool frame: it was made in the work system before
    // a pending change, and the run places it with the offset in force.
    Point frameShift{};
    bool offsetChangePending = false;
    Point offsetChange{};  // added to the current point once the queues are empty

    bool trackCodes = false;
    std::array<bool, kTrackedCodes> usedG{};
    std::array<bool, kTrackedCodes> usedM{};

    // The spline being collected, and the one handed out last.
    SplineCurve spline;
    PathRecord splineMotion;  // feed, line and plane of the curve's first block
    bool splineCollecting = false;
    bool splineControlDone = false;  // only knots follow
    char knotLetter = 'K';

    InterpreterSetup setup;  // kept by StartProgram
    CompensationRun comp;
    // Motions of the blocks read so far, handed out one per NextMotion call
    // before the next block is read: rapid pieces, cycle holes, corners.
    MotionQueue queue;
    // A block of one motion that nothing else is queued before leaves it in
    // `path` and sets this instead of queueing a copy; NextMotion hands it out next.
    bool pathQueued = false;
    Point queuedEnd{};       // end of the last motion queued
    bool endAfterQueue = false;
};

enum class MotionResult { Motion, End, Error };
enum class BlockRead { Block, End, Error };

// Resets the modal state, queues and reader for a new program starting at
// `start` (the NC file must already be open in interp.reader).
void StartProgram(Interpreter& interp, const ControllerDef& ctl, const Point& start);

// Produces the next motion into interp.path.
MotionResult NextMotion(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools);

// Reads the next block of the program and interprets it into interp.path,
// with the program start and end marks. End at the end mark or the file end.
[[nodiscard]] BlockRead ReadProgrammedBlock(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools);

// Appends a motion to the hand-out queue; its start is the end of the motion
// queued before.
void QueueMotion(Interpreter& interp, const PathRecord& motion);

// Acts on every word of the block in interp.reader.block.
void InterpretBlock(Interpreter& interp, ControllerDef& ctl, const ToolWordForm& tools);

// Fills the tool-frame fields of interp.path (rotation, mirror, length offset).
void ToToolFrame(Interpreter& interp);

// A change of the work offset the tool does not follow: the points kept in
// the program frame (the current point, the held and looked-ahead motions
// of the compensation, the scaling centre) or in the tool frame (the tool's last point, the
// rotation centre, the mirror axes) are expressed in the new system, d
// added to each (new = old + d).
void ShiftProgramPoints(Interpreter& interp, const Point& d);
void ShiftToolPoints(Interpreter& interp, const Point& d);

// The work offset of a work system: common entry 0 + the entry + its local shift.
Point WorkOffsetOf(const Interpreter& interp, const ControllerDef& ctl, int workSystem);

}  // namespace morvex
