// The optimised NC program and the cut data of a cutting run: every motion
// step of the sweep comes here with whether it removed material and how
// much. Cutting steps get a feed from the tool's OPT-F table by their load;
// air steps are kept, sped up or replaced by escape moves; steps of equal
// feed merge into one block. The cut data logs every step, as text or as a
// compact binary stream.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "nc/path_record.h"
#include "results/cut_data.h"
#include "results/node_scale_steps.h"
#include "sim/tool_def.h"
#include "workio/replaced_file.h"

namespace morvex {

// Codes of the settings of section Optimize.
inline constexpr int kOptCutNo = 0, kOptCutOptimize = 1, kOptCutEscape = 2;
inline constexpr int kOptAirNo = 0, kOptAirEscape = 1, kOptAirMaxOptF = 2, kOptAirMaxMachineF = 3;
inline constexpr int kCutDataNo = 0, kCutDataText = 1, kCutDataTextOpen = 2, kCutDataBinary = 3,
                     kCutDataBinaryOpen = 4;
inline constexpr int kOptNcNo = 0, kOptNcWrite = 1, kOptNcWriteOpen = 2;

struct OptimizeOptions {
    int optCut = kOptCutOptimize;
    int optAircut = kOptAirEscape;
    int cutData = kCutDataNo;
    int optNc = kOptNcWriteOpen;
    bool torque = false;        // V-VALUE TORQUE: the cut data and the feed choice use the torque load
    double escapeWidth = 0.3;   // mm (ESCAPE-WIDTH, or 3 pitches for 0)
    double escapeHeight = 3.0;  // mm
    // The work's node spacing (mm): steps are judged over this much travel
    // (see node_scale_steps.h); 0 judges every step alone.
    double nodePitch = 0.0;
};

// How the controller writes numbers: counts per mm, decimal points, the
// program delimiter (a blank for none).
struct OptimizeFormat {
    int units = 1000;
    bool decimalPoint = true;
    char delimiter = ' ';
    // How the machine changes tools: the T word of tool n is n times
    // toolWordScale (offset digits after the tool number), and M06 makes
    // the change unless the T word alone does.
    int toolWordScale = 1;
    bool toolChangeM06 = false;
};

// A tool's feeds for the choice: its OPT-F tables and the limits they give.
struct OptimizeFeeds {
    int tool = 0;
    std::array<OptFeedSlot, 4> table{};
    double minOptF = 50.0;
    double maxOptF = 0.0;
    double maxMachineF = 0.0;  // the largest maxFeed of the machine's axes
};
OptimizeFeeds OptimizeFeedsOf(int toolNumber, const ToolDef& tool, const std::array<float, 3>& maxFeed);

// One motion step, positions in the program's frame (mm).
struct OptimizeStep {
    bool cut = false;       // it removed material
    bool blockEnd = false;  // it ends its NC block
    int type = kLine;       // kRapid, kLine, kArcCw, kArcCcw
    bool nurbs = false;     // a chord of a spline (written as a line)
    int line = 0;           // NC line number
    long long motion = 0;   // which motion of the run it belongs to
    int plane = 17;
    Point end{};
    Point centre{};  // arcs
    double feed = 0.0;   // programmed, mm/min
    int cutClass = -1;   // 0 A, 1 V, 2 U, 3 D, -1 none
    double load = 0.0;   // per step length, by the V-VALUE measure
    double length = 0.0;  // mm of travel
    // The highest material it took away (program frame), -infinity for none.
    double highestCut = -std::numeric_limits<double>::infinity();
    int tool = -1;  // the tool in use, -1 not known
};

// The feed the table gives for a load: the feed of the first threshold
// below the load, the last feed when none is; the programmed feed without
// a table for the class or for class A.
long long OptimalFeed(const OptimizeFeeds& feeds, int cutClass, double load, double programmedFeed);

// A value in counts after its letter, in the controller's number form.
std::string FormatCounts(const char* letter, long long counts, const OptimizeFormat& format);
long long ToCounts(double mm, int units);

struct OptimizeRun {
    int escape = -1;  // 0 escape, 1 kept, -1 none pending
    int type = kLine;
    int line = 0;  // of its first step
    long long motion = 0;
    int plane = 17;
    Point start{}, end{}, centre{};
    long long feed = 0;
};

struct OptimizedOutput {
    OptimizeOptions options;
    OptimizeFormat format;
    ReplacedFile nc, data;
    bool writeNc = false, writeData = false, binary = false;
    // A write of that file failed: it is not renamed into place. After
    // CloseOptimisedOutputs: that file could not be put in place.
    bool ncFailed = false, dataFailed = false;
    std::string ncText, dataBytes;  // buffered, written in large pieces
    // The height (program frame) at which the tool passes `margin` above
    // the work over the straight path between two points (a vertical move
    // when they are one), and the work's top.
    std::function<double(const Point& from, const Point& to, double margin)> clearance;
    // The pending escape's heights taken before the motion after it cut
    // anything (PrepareEscapeClearance), for the path from..to: its retract
    // height, and the floors of its vertical rapids at its start and end
    // (see rapidFloor).
    bool clearanceKnown = false;
    Point clearanceFrom{}, clearanceTo{};
    double clearanceZ = 0.0;
    double clearanceStartZ = 0.0, clearanceEndZ = 0.0;
    // The lowest tip height (program frame) a vertical rapid at `written`
    // may reach, `margin` above material a rapid profile wider than the
    // cutter, or the rounding of `exact` to `written` within `slack`, would
    // meet beside what the tool cleared at `exact`; -infinity for none. An
    // escape's start is both: the run written before it ended there.
    // Without `cleared` the tool has cleared nothing there (it was just
    // changed): every node its rapid profile reaches counts. Where the
    // written program's tool never `stood` at `written` (an escape's end),
    // what the edges of cuts written off their place (markCut) may have
    // left standing counts even within the cutter's reach of `exact`.
    std::function<double(const Point& exact, const Point& written, double slack, double margin, bool cleared,
                         bool stood)>
        rapidFloor;
    // Told of every kept run written off its exact place: the exact
    // straight path from..to (a chord of an arc), written up to `shift`
    // mm off it, whose cut's edges may leave slivers standing.
    std::function<void(const Point& from, const Point& to, double shift)> markCut;
    // The lowest tip height (program frame) a vertical rapid at `written`
    // may reach above what the cutter standing at `cutExact` cleared and the
    // same cutter at `cutWritten`, that point rounded as written, may have
    // left standing; -infinity for none.
    std::function<double(const Point& cutExact, const Point& cutWritten, const Point& written, double slack,
                         double margin)>
        sliverFloor;
    // Told of every cutting step an escape skips (OPT-CUT=ESCAPE): its
    // straight path from..to and the highest material it took away, which
    // the written program leaves standing there.
    std::function<void(const Point& from, const Point& to, double top)> markLeft;
    // The highest material such skipped cuts left within the tool's reach
    // of the path from..to: straight, or for a `rapid` as the controller
    // moves one; -infinity for none.
    std::function<double(const Point& from, const Point& to, bool rapid)> leftNear;
    bool leftAny = false;  // markLeft was told of a cut
    // Escaped cutting steps not yet told to markLeft: consecutive steps
    // along one line are told as one path with the highest of their tops.
    bool leftPending = false;
    Point leftFrom{}, leftTo{};
    double leftPendingTop = 0.0;
    // The highest material (program frame) the pending escape's cutting
    // steps took away in the run: an escape under OPT-CUT=ESCAPE leaves it
    // standing. -infinity when none.
    double escapeCutTop = -std::numeric_limits<double>::infinity();
    // The tool's lowest optimised feed when a cut was last escaped, for the
    // moves into what escaped cuts left standing.
    long long escapeCutFeed = 0;
    // What the escape written last left standing (escapeCutTop when it was
    // written): the run written after it comes down at escapeCutFeed where
    // it starts below that top.
    double leftTop = -std::numeric_limits<double>::infinity();
    // Counts: where the last escape's rapid down stopped; the run after it
    // feeds on from there.
    long long escapeFloor = 0;
    double workTop = 0.0;
    // The steps of the last node spacing of travel, by which each step is
    // judged.
    NodeScaleWindow window;
    OptimizeRun pending;
    bool pendingEnded = false;    // its last step ended its NC block
    // The pending escape as the program moves it: its steps merged into
    // runs as kept steps would be, at their chosen feeds. An escape that writes no move of its own
    // writes these, so that the tool still follows the program; beyond
    // 4096 pieces they are dropped and the escape is written in full.
    std::vector<OptimizeRun> escapePieces;
    bool piecesEnded = false;  // the last piece's step ended its NC block
    bool piecesLost = false;
    Point lastEnd{};              // where the last step ended
    int lastWrittenLine = -1;     // the NC line of the run written last
    bool previousEscape = false;  // the run written last was an escape
    long long lastX = 0, lastY = 0, lastZ = 0;
    bool haveLast = false;
    long long lastF = -1;
    int lastTool = -1;  // the tool the program written so far has in use
    bool toolChanged = false;  // the tool was changed after the last run written
    int lastMode = -1;
    int lastPlane = -1;
    // The cut data: its form, the records not yet handed over, and the
    // thread that formats and writes them (started with the first full
    // chunk; without it the records are formatted here).
    CutDataForm dataForm;
    std::vector<CutRecord> cutRecords;
    std::unique_ptr<CutDataWriter> dataWriter;
};

// Opens the files (an empty path: that file is not written) and writes
// the leading delimiter; `tool` is in use when the program starts. False
// when one cannot be created.
bool OpenOptimisedOutputs(OptimizedOutput& out, const OptimizeOptions& options, const OptimizeFormat& format,
                          const std::string& ncPath, const std::string& dataPath, int tool);
// The G92 line at the program's start point.
void BeginOptimisedOutput(OptimizedOutput& out, const Point& start);
void AddOptimisedStep(OptimizedOutput& out, const OptimizeStep& step, const OptimizeFeeds& feeds);
// The program changes to `tool`, told while the tool it replaces is still
// the run's (the pending run's heights are that tool's): the pending run is
// written, then the change in the machine's words. The machine may leave
// the tool anywhere, so every word is written again afterwards, the escape
// after it goes across above the work's top, and the tool rises at the
// feed out of whatever its rapid profile meets where it stands.
void ChangeOptimisedTool(OptimizedOutput& out, int tool);
// Told before the next motion is swept, with the work as that motion finds
// it: takes the retract height of a pending escape now, for the escape that
// ends where the motion starts (exact; asked later, the work may already be
// cut by what follows the escape).
void PrepareEscapeClearance(OptimizedOutput& out);
// Writes the pending run as the end of the program and the trailing
// delimiter and puts both files in place. An aborted run leaves no
// optimised NC (its cut data stays). Returns false when a file could not
// be written (an aborted run's optimised NC, left out, is no failure).
bool CloseOptimisedOutputs(OptimizedOutput& out, bool aborted);

// File names in their folders: FIXED "OPTNC.NC", "CUTDATA.TXT" or
// "CUTDATA.BIN"; AUTO the NC program's title with everything after its
// first "." replaced by the suffix.
std::string OptimizedFileName(const std::string& folder, bool automatic, const std::string& ncPath,
                              const std::string& fixedName, const std::string& suffix);

}  // namespace morvex
