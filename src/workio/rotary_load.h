// The rotary (swing) load: a work file or an STL model placed on the
// current grid after turning it about the X, Y or Z axis through a centre.
#pragma once

#include <optional>
#include <string>

#include "base/messages.h"
#include "nc/path_record.h"
#include "sim/work_model.h"

namespace morvex {

struct SwingSetting {
    int axis = 2;  // 0 X, 1 Y, 2 Z
    Point centre{};
    double angle = 0.0;  // degrees
};

// p turned: R(p - centre) + centre.
Point SwingPoint(const SwingSetting& swing, const Point& p);

// Replaces the work's heights with those of the turned model (a DMF's top
// surface as two triangles per cell, or an STL's facets), the highest
// surface over each node, the bottom where none lies; attribute bytes and
// line numbers become 0. The grid stays. On failure the message, and the
// work is unchanged.
[[nodiscard]] std::optional<MsgId> LoadSwung(const std::string& path, const SwingSetting& swing, WorkModel& work);

}  // namespace morvex
