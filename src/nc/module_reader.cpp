// Reading an NC program through a reader module.
#include "nc/module_reader.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "base/text.h"
#include "nc/interpreter.h"
#include "nc/plane.h"

namespace morvex {
namespace {

// The modules whose program is open: a module reads one program at a
// time, so a second session of the same module (a path drawn while a run
// reads) is refused rather than let it lose its place. Main thread only.
std::vector<decltype(&MVREADPATH)> openModules;

bool Finite(double a, double b, double c) { return std::isfinite(a) && std::isfinite(b) && std::isfinite(c); }

int Fail(Interpreter& in, std::string why) {
    BlockReader& reader = in.reader;
    reader.module.error = std::move(why);
    reader.pendingError = kNcModuleRead;
    reader.endState = EndState::EndReached;
    reader.module.Close();
    return -1;
}

}  // namespace

ModuleSession& ModuleSession::operator=(ModuleSession&& other) noexcept {
    if (this == &other) return *this;
    Close();
    entries_ = other.entries_;
    reading_ = other.reading_;
    open_ = other.open_;
    hasStart_ = other.hasStart_;
    for (int a = 0; a < 3; ++a) start_[a] = other.start_[a];
    delivered = other.delivered;
    error = std::move(other.error);
    other.open_ = false;
    other.reading_ = false;
    return *this;
}

bool ModuleSession::Open(const ModuleReader& entries, const std::string& ncPath) {
    Close();
    reading_ = false;
    hasStart_ = false;
    delivered = 0;
    error.clear();
    if (!entries.active()) return false;
    if (std::find(openModules.begin(), openModules.end(), entries.path) != openModules.end()) return false;
    int32_t flag = 0;
    entries.open(ncPath.c_str(), &flag);
    if (flag == 0) return false;
    entries_ = entries;
    reading_ = true;
    open_ = true;
    openModules.push_back(entries.path);
    if (entries.startPoint != nullptr) {
        double p[3] = {0.0, 0.0, 0.0};
        entries.startPoint(&p[0], &p[1], &p[2]);
        // A start that is not a number is ignored: the control point stays.
        if (Finite(p[0], p[1], p[2])) {
            hasStart_ = true;
            for (int a = 0; a < 3; ++a) start_[a] = p[a];
        }
    }
    return true;
}

void ModuleSession::Close() {
    if (!open_) return;
    open_ = false;
    const auto it = std::find(openModules.begin(), openModules.end(), entries_.path);
    if (it != openModules.end()) openModules.erase(it);
    if (entries_.close != nullptr) entries_.close();
}

int ReadModuleBlock(Interpreter& in, const ControllerDef& ctl) {
    BlockReader& reader = in.reader;
    ModuleSession& session = reader.module;
    PathRecord& p = in.path;
    p.start = in.current;
    p.end = in.current;
    p.centre = in.current;
    p.dwell = 0.0;
    p.mCode = -1;
    p.toolWord = -1;
    p.moduleTool = 0;
    p.compensated = false;
    p.spline = nullptr;
    p.error = kNcNoError;
    p.stopMarks = 0;
    in.mCode = -1;
    in.words = BlockWords{};
    in.comp.request = 0;

    if (session.delivered >= kMaxModuleMotions) {
        return Fail(in, Format("more than %lld motions", kMaxModuleMotions));
    }
    int32_t type = in.motionMode;
    double x = in.current[0], y = in.current[1], z = in.current[2];
    double i = x, j = y, k = z;
    int32_t plane = 0;
    double feed = 0.0;
    int32_t line = 0;
    const int32_t result = session.entries().path(&type, &x, &y, &z, &i, &j, &k, &plane, &feed, &line);
    if (result == 0) {
        session.Close();
        reader.endState = EndState::EndReached;
        return 0;
    }
    if (result < 0) return Fail(in, Format("read error %d", static_cast<int>(result)));
    ++session.delivered;
    // A line of its own, or one more than the last; a negative number would
    // read as a compensated motion's line and is counted on as well.
    if (line > 0) {
        reader.programLine = line;
        reader.motionLine = line;
    } else {
        ++reader.programLine;
        ++reader.motionLine;
    }
    p.line = reader.motionLine;

    if (type >= MV_NO_MOTION) {
        // No motion: the tool stays; type - 1000 above 0 changes the tool.
        if (type > MV_NO_MOTION) p.moduleTool = type - MV_NO_MOTION;
        p.type = in.motionMode == kArcCw || in.motionMode == kArcCcw ? kLine : in.motionMode;
    } else if (type < MV_RAPID || type > MV_ARC_CCW) {
        return Fail(in, Format("unknown motion type %d", static_cast<int>(type)));
    } else {
        if (!Finite(x, y, z)) return Fail(in, "end point not a number");
        const bool arc = type == MV_ARC_CW || type == MV_ARC_CCW;
        if (arc && !Finite(i, j, k)) return Fail(in, "arc centre not a number");
        if (plane != 0) {
            if (plane != 17 && plane != 18 && plane != 19) {
                return Fail(in, Format("unknown plane %d", static_cast<int>(plane)));
            }
            const PlaneAxes axes = PlaneOf(ctl, plane);
            in.plane = axes.plane;
            in.first = axes.first;
            in.second = axes.second;
            in.third = axes.third;
        }
        if (!std::isfinite(feed) || feed < 0.0) return Fail(in, "feed not a number or negative");
        if (feed > 0.0) in.commandedFeed = feed;
        in.motionMode = type;
        p.type = type;
        p.end = Point{x, y, z};
        if (arc) p.centre = Point{i, j, k};
    }
    p.feed = in.commandedFeed;
    p.first = in.first;
    p.second = in.second;
    p.third = in.third;
    p.plane = in.plane;
    if (p.type == kArcCw || p.type == kArcCcw) {
        ComputeArcQuantities(p);
        if (std::fabs(p.startRadius - p.endRadius) >= ctl.rTolerance) reader.pendingError = kNcArcRadius;
    }
    in.lengthOffset = 0.0;
    in.lastProgrammed = p.end;
    if (ctl.checkF0 && p.type != kRapid && p.feed == 0.0 && p.end != p.start) {
        reader.pendingError = kNcZeroFeed;
    }
    // The motion as the module gave it stands for the block's text.
    reader.block = PointQueryText(p);
    reader.block += '\n';
    return 1;
}

}  // namespace morvex
