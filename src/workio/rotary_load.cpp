// Implementation notes: a DMF is laid onto the grid as its cells' triangles
// (split as the STL writer splits them) rather than row by row, so that a
// turn about Z leaves no gaps between rows; each turned triangle goes
// through the same rasterisation as an STL facet.
#include "workio/rotary_load.h"

#include <cmath>
#include <new>
#include <vector>

#include "base/text.h"
#include "workio/dmf_file.h"
#include "workio/stl_file.h"

namespace morvex {

Point SwingPoint(const SwingSetting& s, const Point& p) {
    const double a = s.angle * kPi / 180.0, c = std::cos(a), si = std::sin(a);
    const double x = p[0] - s.centre[0], y = p[1] - s.centre[1], z = p[2] - s.centre[2];
    Point q{x, y, z};
    switch (s.axis) {
        case 0: q = {x, c * y - si * z, si * y + c * z}; break;
        case 1: q = {c * x + si * z, y, -si * x + c * z}; break;
        default: q = {c * x - si * y, si * x + c * y, z}; break;
    }
    return {q[0] + s.centre[0], q[1] + s.centre[1], q[2] + s.centre[2]};
}

std::optional<MsgId> LoadSwung(const std::string& path, const SwingSetting& swing, WorkModel& w) {
    if (w.height == nullptr || w.nx < 2 || w.ny < 2) return MsgId::PleaseLoadWork;
    if (!std::isfinite(swing.angle) || !std::isfinite(swing.centre[0]) || !std::isfinite(swing.centre[1]) ||
        !std::isfinite(swing.centre[2])) {
        return MsgId::WorkNotFinite;
    }
    std::vector<float> out;
    try {
        out.assign(w.cellCount, static_cast<float>(w.zMin));
    } catch (const std::bad_alloc&) {
        return MsgId::MemoryOver;
    }
    auto lay = [&](const Point& a, const Point& b, const Point& c) {
        StlFacet f;
        f.v = {SwingPoint(swing, a), SwingPoint(swing, b), SwingPoint(swing, c)};
        RasteriseStlFacet(f, w.xMin, w.yMin, w.pitch, w.nx, w.ny, w.zMin, out.data());
    };
    if (EndsWithNoCase(path, ".stl") || EndsWithNoCase(path, ".dme")) {
        int type = kStlText;
        StlStatus status = DetectStlType(path, type);
        if (status == StlStatus::Ok) {
            status = ForEachStlFacet(type, path, [&](const StlFacet& f) {
                lay(f.v[0], f.v[1], f.v[2]);
                return true;
            });
        }
        if (status != StlStatus::Ok) return StlLoadMessage(status);
    } else if (EndsWithNoCase(path, ".dmf")) {
        WorkModel model;
        model.dataLevel = kDataLevelMinimal;
        DmfContext ctx;
        if (const auto failed = DmfLoadMessage(LoadDmf(path, model, ctx))) return failed;
        auto node = [&](int ix, int iy) {
            return Point{model.xMin + ix * model.pitch, model.yMin + iy * model.pitch,
                         static_cast<double>(model.height[NodeIndex(model, ix, iy)])};
        };
        for (int iy = 0; iy < model.lastY; ++iy) {
            for (int ix = 0; ix < model.lastX; ++ix) {
                lay(node(ix, iy), node(ix + 1, iy), node(ix, iy + 1));
                lay(node(ix + 1, iy + 1), node(ix, iy + 1), node(ix + 1, iy));
            }
        }
    } else {
        return MsgId::WorkFormatNotAvailable;
    }
    std::copy(out.begin(), out.end(), w.height);
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0});
    if (w.lineNo != nullptr) std::fill_n(w.lineNo, w.cellCount, std::int32_t{0});
    RecomputeZMax(w);
    w.workState = 2;
    return std::nullopt;
}

}  // namespace morvex
