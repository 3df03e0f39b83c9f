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
#include <cstring>

#include "base/json_number.h"
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

namespace {

// Room for the longest line: 7 points and 5 numbers of kJsonNumberChars,
// three integers, and the keys.
constexpr std::size_t kMaxListingLine = 1024;

template <std::size_t N>
void Put(char*& at, const char (&text)[N]) {
    std::memcpy(at, text, N - 1);
    at += N - 1;
}

void PutPoint(char*& at, const Point& p, JsonNumberCache& numbers) {
    *at++ = '[';
    at = WriteJsonNumber(at, p[0], numbers);
    *at++ = ',';
    at = WriteJsonNumber(at, p[1], numbers);
    *at++ = ',';
    at = WriteJsonNumber(at, p[2], numbers);
    *at++ = ']';
}

}  // namespace

void AppendMotionListingLine(std::string& out, const PathRecord& p, int tool, JsonNumberCache& numbers) {
    char line[kMaxListingLine];
    char* at = line;
    // The keys keep the order in which they are documented; no text needs escaping.
    Put(at, "{\"line\":");
    at = WriteJsonNumber(at, p.line);
    switch (p.type) {
    case kRapid: Put(at, ",\"type\":\"rapid\",\"start\":"); break;
    case kLine: Put(at, ",\"type\":\"line\",\"start\":"); break;
    case kArcCw: Put(at, ",\"type\":\"arc_cw\",\"start\":"); break;
    case kArcCcw: Put(at, ",\"type\":\"arc_ccw\",\"start\":"); break;
    case kSpline: Put(at, ",\"type\":\"spline\",\"start\":"); break;
    default: Put(at, ",\"type\":\"other\",\"start\":"); break;
    }
    PutPoint(at, p.start, numbers);
    Put(at, ",\"end\":");
    PutPoint(at, p.end, numbers);
    Put(at, ",\"tool_start\":");
    PutPoint(at, p.toolStart, numbers);
    Put(at, ",\"tool_end\":");
    PutPoint(at, p.toolEnd, numbers);
    if (p.type == kArcCw || p.type == kArcCcw) {
        Put(at, ",\"centre\":");
        PutPoint(at, p.centre, numbers);
        Put(at, ",\"tool_centre\":");
        PutPoint(at, p.toolCentre, numbers);
        Put(at, ",\"sweep\":");
        at = WriteJsonNumber(at, p.sweep, numbers);
        Put(at, ",\"arc_length\":");
        at = WriteJsonNumber(at, p.arcLength, numbers);
        Put(at, ",\"radius\":");
        at = WriteJsonNumber(at, p.startRadius, numbers);
        Put(at, ",\"plane\":");
        at = WriteJsonNumber(at, p.plane);
        Put(at, ",\"sweep_deg\":");
        at = WriteJsonNumber(at, p.sweep * 180.0 / kPi, numbers);
    }
    Put(at, ",\"feed\":");
    at = WriteJsonNumber(at, p.feed, numbers);
    Put(at, ",\"tool\":");
    at = WriteJsonNumber(at, tool);
    if (p.compensated) {
        Put(at, ",\"compensated\":true}");
    } else {
        Put(at, ",\"compensated\":false}");
    }
    out.append(line, static_cast<std::size_t>(at - line));
}

std::string MotionListingLine(const PathRecord& p, int tool) {
    std::string line;
    JsonNumberCache numbers;
    AppendMotionListingLine(line, p, tool, numbers);
    return line;
}

}  // namespace morvex
