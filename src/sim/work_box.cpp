// Building a box work: the pitch rule, the "Define Work" command, the box
// around the NC extents and the control point the tool starts from.
//
// Implementation notes:
// - Node counts are computed in double, n = max(2, trunc(span * (1 / pitch)
//   + 1.5)), and compared with the node ceiling before they are converted
//   to int, so that huge or non-finite boxes end in MemoryOver or NotFinite
//   and never in an overflowing conversion. A grid within the ceiling is
//   still refused when its arrays, less the buffers the work already holds
//   and reuses, exceed the memory the system has available.
// - The automatic pitch compares nx(p) * ny(p) as a double with Maximum,
//   exact for every count below 2^53.
#include "sim/work_model.h"

#include <algorithm>
#include <cmath>

#include "base/memory_budget.h"

namespace morvex {

double WorkNodeCount(double span, double pitch) {
    const double n = std::trunc(span * (1.0 / pitch) + 1.5);
    return std::isnan(n) ? n : std::max(2.0, n);
}

double ApplyPitchRule(const BoxRequest& box, PitchSettings& settings) {
    double pitch = settings.workPitch;
    if (settings.autoWork) {
        const double spanX = box.xMax - box.xMin;
        const double spanY = box.yMax - box.yMin;
        for (const double p : kPitchCandidates) {
            if (WorkNodeCount(spanX, p) * WorkNodeCount(spanY, p) <=
                static_cast<double>(settings.maximum)) {
                pitch = p;
                break;
            }
        }
        if (settings.minimumPitch > 0.0) pitch = std::max(pitch, settings.minimumPitch);
    }
    if (settings.autoMove) settings.movePitch = pitch * settings.moveRate;
    return pitch;
}

bool PitchSettingsValid(const PitchSettings& settings) {
    return std::isfinite(settings.workPitch) && settings.workPitch > 0.0 &&
           std::isfinite(settings.movePitch) && settings.movePitch >= 0.0;
}

DefineWorkStatus DefineBoxWork(WorkModel& work, const BoxRequest& request, PitchSettings& pitch,
                               int dataLevel) {
    const BoxRequest& r = request;
    for (const double v : {r.xMin, r.yMin, r.zMin, r.xMax, r.yMax, r.zMax}) {
        if (!std::isfinite(v)) return DefineWorkStatus::NotFinite;
    }
    if (!(r.xMax > r.xMin)) return DefineWorkStatus::ReversedX;
    if (!(r.yMax > r.yMin)) return DefineWorkStatus::ReversedY;
    if (!(r.zMax > r.zMin)) return DefineWorkStatus::ReversedZ;

    const double p = ApplyPitchRule(r, pitch);
    if (!std::isfinite(p)) return DefineWorkStatus::NotFinite;
    if (!(p > 0.0)) return DefineWorkStatus::PitchNotPositive;

    // A span of finite bounds may still overflow to infinity; the product
    // test catches it together with every grid above the ceiling.
    const double nx = WorkNodeCount(r.xMax - r.xMin, p);
    const double ny = WorkNodeCount(r.yMax - r.yMin, p);
    if (!(nx * ny <= static_cast<double>(kMaxWorkNodes))) {
        FreeWork(work);
        return DefineWorkStatus::MemoryOver;
    }
    const std::uint64_t need = WorkBytes(static_cast<int>(nx), static_cast<int>(ny), dataLevel);
    const std::uint64_t held = WorkHeldBytes(work);
    if (!FitsInMemory(need > held ? need - held : 0)) return DefineWorkStatus::MemoryOver;
    work.pitch = p;
    if (!AllocateWork(work, static_cast<int>(nx), static_cast<int>(ny), dataLevel, true)) {
        return DefineWorkStatus::MemoryOver;  // AllocateWork has freed the work
    }
    work.xMin = r.xMin;
    work.yMin = r.yMin;
    work.zMin = r.zMin;
    work.xMax = work.xMin + work.lastX * p;
    work.yMax = work.yMin + work.lastY * p;
    work.zMax = r.zMax;
    work.workState = 0;
    FillUniform(work);
    // The caller resets both to 0 right after; the backup records that state.
    Backup(work, Point{}, Point{});
    return DefineWorkStatus::Ok;
}

std::optional<MsgId> DefineWorkMessage(DefineWorkStatus status) {
    switch (status) {
        case DefineWorkStatus::Ok:
            return std::nullopt;
        case DefineWorkStatus::NotFinite:
            return MsgId::WorkNotFinite;
        case DefineWorkStatus::ReversedX:
            return MsgId::ReversedX;
        case DefineWorkStatus::ReversedY:
            return MsgId::ReversedY;
        case DefineWorkStatus::ReversedZ:
            return MsgId::ReversedZ;
        case DefineWorkStatus::PitchNotPositive:
            return MsgId::PitchNotPositive;
        case DefineWorkStatus::MemoryOver:
            return MsgId::MemoryOver;
    }
    return std::nullopt;
}

std::string_view DefineWorkTitle(DefineWorkStatus status) {
    switch (status) {
        case DefineWorkStatus::Ok:
            return {};
        case DefineWorkStatus::PitchNotPositive:
            return Msg(MsgId::WarningTitle);
        case DefineWorkStatus::MemoryOver:
            return Msg(MsgId::WorkSizeTitle);
        default:
            return kMessageCaption;
    }
}

BoxRequest OptimumBoxFromExtents(const Point& min, const Point& max, const Point& margin,
                                 const BoxRequest& initialSize) {
    BoxRequest box;
    // Untouched extents stay at +-9999999 (min above max); NaN counts as empty.
    if (!(min[0] <= max[0]) || !(min[1] <= max[1])) {
        box = initialSize;
        box.zMax = initialSize.zMax - 5.0;
        box.zMin = box.zMax - 10.0;
        return box;
    }
    box.xMin = min[0] - margin[0];
    box.xMax = max[0] + margin[0];
    box.yMin = min[1] - margin[1];
    box.yMax = max[1] + margin[1];
    box.zMax = max[2] + margin[2];
    box.zMin = min[2] - 10.0;
    return box;
}

void WidenFlatBox(BoxRequest& box, double pitch) {
    if (!(pitch > 0.0) || !std::isfinite(pitch)) return;
    if (box.xMax <= box.xMin) box.xMax = box.xMin + pitch;
    if (box.yMax <= box.yMin) box.yMax = box.yMin + pitch;
}

Point PlaceControlPoint(ControlPointMode mode, const WorkModel& work, const Point& current,
                        const Point& specified) {
    switch (mode) {
        case ControlPointMode::Current:
            return {current[0], current[1], current[2] < work.zMax ? work.zMax : current[2]};
        case ControlPointMode::Specify:
            return specified;
        case ControlPointMode::BoxTop:
            break;
    }
    return {work.xMin, work.yMin, work.zMax};
}

}  // namespace morvex
