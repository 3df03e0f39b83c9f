// Arc quantities and the text forms of a motion.
//
// Implementation notes: the sweep is the angle between the centre-to-start
// and centre-to-end directions, acos of their dot product; the sign of their
// cross product (first x second axis) tells whether the motion goes the short
// or the long way for its direction: clockwise with a positive cross product,
// or counter-clockwise with a negative one, is the long way (2 pi - angle).
#include "nc/path_record.h"

#include <algorithm>
#include <cmath>

#include <nlohmann/json.hpp>

#include "base/text.h"

namespace morvex {
namespace {

const char* TypeName(int type) {
    switch (type) {
    case kRapid: return "RAPID";
    case kLine: return "LINE";
    case kArcCw: return "ARC(CW)";
    case kArcCcw: return "ARC(CCW)";
    default: return "OTHER";
    }
}

}  // namespace

void ComputeArcQuantities(PathRecord& p) {
    const int a = p.first;
    const int b = p.second;
    p.startDir = Point{};
    p.endDir = Point{};
    const double sa = p.start[a] - p.centre[a];
    const double sb = p.start[b] - p.centre[b];
    const double ea = p.end[a] - p.centre[a];
    const double eb = p.end[b] - p.centre[b];
    p.startRadius = std::hypot(sa, sb);
    p.endRadius = std::hypot(ea, eb);
    if (p.startRadius > 0.0) {
        p.startDir[a] = sa / p.startRadius;
        p.startDir[b] = sb / p.startRadius;
    }
    if (p.endRadius > 0.0) {
        p.endDir[a] = ea / p.endRadius;
        p.endDir[b] = eb / p.endRadius;
    }
    if (p.start[a] == p.end[a] && p.start[b] == p.end[b]) {
        p.sweep = 2.0 * kPi;
    } else {
        const double dot = p.startDir[a] * p.endDir[a] + p.startDir[b] * p.endDir[b];
        const double angle = std::acos(std::clamp(dot, -1.0, 1.0));
        const double cross = p.startDir[a] * p.endDir[b] - p.startDir[b] * p.endDir[a];
        if ((p.type == kArcCw && cross > 0.0) || (p.type == kArcCcw && cross < 0.0)) {
            p.sweep = 2.0 * kPi - angle;
        } else {
            p.sweep = angle == 0.0 ? 2.0 * kPi : angle;
        }
    }
    p.arcLength = (p.startRadius + p.endRadius) * p.sweep * 0.5;
}

std::string StatusLineText(const PathRecord& p) {
    std::string text = Format("\t\t%ld:", static_cast<long>(p.line));
    if (p.type == kRapid) {
        return text + Format("RAPID:%9.3f,%9.3f,%9.3f", p.end[0], p.end[1], p.end[2]);
    }
    return text + Format("%s:%9.3f,%9.3f,%9.3f , FEED=%9.3f", TypeName(p.type), p.end[0], p.end[1],
                         p.end[2], p.feed);
}

std::string PointQueryText(const PathRecord& p) {
    return Format("%ld: %-9s%9.3f,%9.3f,%9.3f", static_cast<long>(p.line), TypeName(p.type),
                  p.end[0], p.end[1], p.end[2]);
}

std::string MotionListingLine(const PathRecord& p, int tool) {
    static constexpr const char* kTypes[] = {"rapid", "line", "arc_cw", "arc_ccw"};
    const char* type = p.type >= kRapid && p.type <= kArcCcw ? kTypes[p.type]
                       : p.type == kSpline                   ? "spline"
                                                             : "other";
    // The keys keep the order in which they are documented.
    nlohmann::ordered_json j;
    j["line"] = p.line;
    j["type"] = type;
    j["start"] = p.start;
    j["end"] = p.end;
    j["tool_start"] = p.toolStart;
    j["tool_end"] = p.toolEnd;
    if (p.type == kArcCw || p.type == kArcCcw) {
        j["centre"] = p.centre;
        j["tool_centre"] = p.toolCentre;
        j["sweep"] = p.sweep;
        j["arc_length"] = p.arcLength;
        j["radius"] = p.startRadius;
        j["plane"] = p.plane;
        j["sweep_deg"] = p.sweep * 180.0 / kPi;
    }
    j["feed"] = p.feed;
    j["tool"] = tool;
    j["compensated"] = p.compensated;
    return j.dump();
}

}  // namespace morvex
