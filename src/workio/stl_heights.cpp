// Heights from STL models: each facet raises the nodes in its XY triangle
// to its plane, the highest facet over a node wins, and a model becomes a
// work of its own bounding box.
//
// Implementation notes:
// - The plane is the one through the three vertices, not the normal the
//   file states: exporters often write a zero or rounded normal, and the
//   heights must be those of the model's vertices. A facet whose unit
//   normal has |z| < 1e-8 (vertical, or degenerate) gives nothing.
// - Row by row the facet's XY triangle is cut by the row's line: the span
//   between the crossings, widened by kEdgeSlack, holds the nodes inside;
//   a row within kEdgeSlack of a corner still meets it (a turned model's
//   edges lie on the grid's rows up to rounding).
//   A node on an edge shared by two facets is thus found by both (the
//   larger height wins), never by neither.
#include <algorithm>
#include <cmath>

#include "workio/stl_file.h"

namespace morvex {
namespace {

constexpr double kEdgeSlack = 1e-7;  // mm along a row

int ClampedIndex(double v, int last) { return static_cast<int>(std::clamp(v, -1.0, static_cast<double>(last) + 1.0)); }

}  // namespace

void RasteriseStlFacet(const StlFacet& facet, double xMin, double yMin, double pitch, int nx, int ny,
                       double bottom, float* target) {
    const Point& p0 = facet.v[0];
    const Point& p1 = facet.v[1];
    const Point& p2 = facet.v[2];
    const double ux = p1[0] - p0[0], uy = p1[1] - p0[1], uz = p1[2] - p0[2];
    const double vx = p2[0] - p0[0], vy = p2[1] - p0[1], vz = p2[2] - p0[2];
    const double nxv = uy * vz - uz * vy, nyv = uz * vx - ux * vz, nzv = ux * vy - uy * vx;
    const double length = std::sqrt(nxv * nxv + nyv * nyv + nzv * nzv);
    if (!(length > 0.0) || !std::isfinite(length)) return;
    const double a = nxv / length, b = nyv / length, c = nzv / length;
    if (!(std::fabs(c) >= 1e-8)) return;
    const double d = a * p0[0] + b * p0[1] + c * p0[2];
    const double minX = std::min({p0[0], p1[0], p2[0]}), maxX = std::max({p0[0], p1[0], p2[0]});
    const double minY = std::min({p0[1], p1[1], p2[1]}), maxY = std::max({p0[1], p1[1], p2[1]});
    const double minZ = std::min({p0[2], p1[2], p2[2]}), maxZ = std::max({p0[2], p1[2], p2[2]});
    const double inv = 1.0 / pitch;
    const int ix0 = std::max(0, ClampedIndex(std::trunc((minX - xMin) * inv + 0.1), nx - 1));
    const int ix1 = std::min(nx - 1, ClampedIndex(std::trunc((maxX - xMin) * inv + 0.1), nx - 1));
    const int iy0 = std::max(0, ClampedIndex(std::trunc((minY - yMin) * inv + 0.1), ny - 1));
    const int iy1 = std::min(ny - 1, ClampedIndex(std::trunc((maxY - yMin) * inv + 0.1), ny - 1));
    if (ix1 < ix0) return;
    const Point* corners[3] = {&p0, &p1, &p2};
    for (int iy = iy0; iy <= iy1; ++iy) {
        const double y = yMin + iy * pitch;
        double lo = HUGE_VAL, hi = -HUGE_VAL;
        for (int e = 0; e < 3; ++e) {
            const Point& p = *corners[e];
            const Point& q = *corners[(e + 1) % 3];
            if (y < std::min(p[1], q[1]) - kEdgeSlack || y > std::max(p[1], q[1]) + kEdgeSlack) continue;
            if (std::fabs(q[1] - p[1]) <= kEdgeSlack) {
                lo = std::min({lo, p[0], q[0]});
                hi = std::max({hi, p[0], q[0]});
                continue;
            }
            const double t = std::clamp((y - p[1]) / (q[1] - p[1]), 0.0, 1.0);
            const double x = p[0] + t * (q[0] - p[0]);
            lo = std::min(lo, x);
            hi = std::max(hi, x);
        }
        if (!(lo <= hi)) continue;
        const int from = std::max(ix0, ClampedIndex(std::ceil((lo - kEdgeSlack - xMin) * inv), nx - 1));
        const int to = std::min(ix1, ClampedIndex(std::floor((hi + kEdgeSlack - xMin) * inv), nx - 1));
        float* row = target + static_cast<std::size_t>(iy) * static_cast<std::size_t>(nx);
        const double rowPart = d - b * y;
        for (int ix = from; ix <= to; ++ix) {
            const double x = xMin + ix * pitch;
            double z = (rowPart - a * x) / c;
            z = (z > maxZ + 5.0 || z < minZ - 5.0) ? bottom : std::clamp(z, minZ, maxZ);
            row[ix] = std::max(row[ix], static_cast<float>(z));
        }
    }
}

void StlSpikeFilter(float* height, int nx, int ny, double bottom) {
    auto fill = [&](float* h, std::size_t step, int n) {
        for (int i = 0; i + 2 < n; ++i) {
            const float a = h[step * static_cast<std::size_t>(i)];
            float& mid = h[step * static_cast<std::size_t>(i + 1)];
            const float b = h[step * static_cast<std::size_t>(i + 2)];
            if (a > bottom + 0.1 && std::fabs(mid - bottom) < 0.0001 && b > bottom + 0.1) {
                mid = static_cast<float>((static_cast<double>(a) + b) * 0.5);
            }
        }
    };
    const auto width = static_cast<std::size_t>(nx);
    for (int iy = 0; iy < ny; ++iy) fill(height + width * static_cast<std::size_t>(iy), 1, nx);
    for (int ix = 0; ix < nx; ++ix) fill(height + ix, width, ny);
}

StlStatus LoadStlWork(const std::string& path, const StlLoadOptions& options, WorkModel& work,
                      std::optional<std::uint64_t> availableMemory) {
    int type = kStlText;
    StlStatus status = DetectStlType(path, type);
    StlBounds bounds;
    if (status == StlStatus::Ok) {
        StageOf(options.progress, MsgId::StatusMinMax);
        status = ReadStlBounds(type, path, bounds, options.progress);
    }
    if (status != StlStatus::Ok) return status;
    const double pitch = options.pitch;
    if (!(pitch > 0.0) || !std::isfinite(pitch)) return StlStatus::MemoryOver;
    const double nxD = StlNodeCount(bounds.max[0] - bounds.min[0], pitch);
    const double nyD = StlNodeCount(bounds.max[1] - bounds.min[1], pitch);
    if (!(nxD * nyD <= static_cast<double>(kMaxWorkNodes))) return StlStatus::MemoryOver;
    const int nx = static_cast<int>(nxD), ny = static_cast<int>(nyD);
    // The old work stays while the new one is made: all of the new arrays
    // come on top of it.
    if (!FitsInMemory(WorkBytes(nx, ny, work.dataLevel), availableMemory)) return StlStatus::MemoryOver;
    WorkModel fresh;
    fresh.pitch = pitch;
    if (!AllocateWork(fresh, nx, ny, work.dataLevel, true)) return StlStatus::MemoryOver;
    const double bottom = bounds.min[2];
    fresh.xMin = bounds.min[0];
    fresh.yMin = bounds.min[1];
    fresh.xMax = (nx - 1) * pitch + fresh.xMin;
    fresh.yMax = (ny - 1) * pitch + fresh.yMin;
    fresh.zMin = bottom;
    fresh.zMax = bounds.max[2];
    std::fill(fresh.height, fresh.height + fresh.cellCount, static_cast<float>(bottom));
    std::fill(fresh.attr, fresh.attr + fresh.cellCount, std::uint8_t{0});
    if (fresh.lineNo != nullptr) std::fill(fresh.lineNo, fresh.lineNo + fresh.cellCount, 0);
    StageOf(options.progress, MsgId::StatusZValue);
    status = ForEachStlFacet(type, path, [&](const StlFacet& f) {
        RasteriseStlFacet(f, fresh.xMin, fresh.yMin, pitch, nx, ny, bottom, fresh.height);
        return true;
    }, options.progress);
    if (status != StlStatus::Ok) return status;
    if (options.spikeFilter) StlSpikeFilter(fresh.height, nx, ny, bottom);
    fresh.workState = 2;
    std::swap(work, fresh);
    // A work shared with other processes stays shared.
    if (fresh.sharing) (void)TakeSharing(work, std::move(fresh.sharing));
    return StlStatus::Ok;
}

}  // namespace morvex
