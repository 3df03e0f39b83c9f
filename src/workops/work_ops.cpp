// Implementation notes: operations that change the grid's counts keep the
// work's buffers (they only ever grow, which the backup pair relies on) and
// compact the nodes in place in index order, where every node moves to an
// index no larger than its own. Turning copies the arrays first.
#include "workops/work_ops.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <new>
#include <vector>

namespace morvex {
namespace {

void SetExtents(WorkModel& w) {
    w.lastX = w.nx - 1;
    w.lastY = w.ny - 1;
    w.cellCount = static_cast<std::uint32_t>(static_cast<std::uint64_t>(w.nx) * static_cast<std::uint64_t>(w.ny));
    w.xMax = w.xMin + w.lastX * w.pitch;
    w.yMax = w.yMin + w.lastY * w.pitch;
    for (std::size_t i = 0; i < w.nodeOffset.size(); ++i) w.nodeOffset[i] = static_cast<double>(i) * w.pitch;
}

// A lowered surface takes the bottom with it.
void FollowBottom(WorkModel& w) {
    float lowest = std::numeric_limits<float>::infinity();
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        if (std::isfinite(w.height[i])) lowest = std::min(lowest, w.height[i]);
    }
    if (lowest < w.zMin) w.zMin = lowest;
}

bool Usable(const WorkModel& w) { return w.height != nullptr && w.attr != nullptr && w.nx >= 2 && w.ny >= 2; }

// Moves node `from` to `to` (both indices of the current arrays).
void MoveNode(WorkModel& w, std::size_t from, std::size_t to) {
    w.height[to] = w.height[from];
    w.attr[to] = w.attr[from];
    if (w.lineNo != nullptr) w.lineNo[to] = w.lineNo[from];
}

}  // namespace

bool TurnWork(WorkModel& w, TurnKind kind) {
    if (!Usable(w)) return false;
    std::vector<float> h;
    std::vector<std::uint8_t> a;
    std::vector<std::int32_t> n;
    try {
        h.assign(w.height, w.height + w.cellCount);
        a.assign(w.attr, w.attr + w.cellCount);
        if (w.lineNo != nullptr) n.assign(w.lineNo, w.lineNo + w.cellCount);
    } catch (const std::bad_alloc&) {
        return false;
    }
    const int nx = w.nx, ny = w.ny;
    const bool swapAxes = kind == TurnKind::Deg90 || kind == TurnKind::DegMinus90;
    const int newNx = swapAxes ? ny : nx;
    for (int iy = 0; iy < ny; ++iy) {
        for (int ix = 0; ix < nx; ++ix) {
            int jx = ix, jy = iy;
            switch (kind) {
                case TurnKind::Deg90: jx = ny - 1 - iy, jy = ix; break;
                case TurnKind::Deg180: jx = nx - 1 - ix, jy = ny - 1 - iy; break;
                case TurnKind::DegMinus90: jx = iy, jy = nx - 1 - ix; break;
                case TurnKind::MirrorX: jx = nx - 1 - ix; break;
                case TurnKind::MirrorY: jy = ny - 1 - iy; break;
            }
            const std::size_t from = static_cast<std::size_t>(iy) * nx + ix;
            const std::size_t to = static_cast<std::size_t>(jy) * newNx + jx;
            w.height[to] = h[from];
            w.attr[to] = a[from];
            if (w.lineNo != nullptr) w.lineNo[to] = n[from];
        }
    }
    const double xMin = w.xMin, yMin = w.yMin, xMax = w.xMax, yMax = w.yMax;
    switch (kind) {
        case TurnKind::Deg90: w.xMin = -yMax, w.yMin = xMin; break;
        case TurnKind::Deg180: w.xMin = -xMax, w.yMin = -yMax; break;
        case TurnKind::DegMinus90: w.xMin = yMin, w.yMin = -xMax; break;
        case TurnKind::MirrorX: w.xMin = -xMax; break;
        case TurnKind::MirrorY: w.yMin = -yMax; break;
    }
    if (swapAxes) std::swap(w.nx, w.ny);
    SetExtents(w);
    return true;
}

void ShiftWork(WorkModel& w, double dx, double dy, double dz) {
    if (!Usable(w)) return;
    w.xMin += dx;
    w.yMin += dy;
    w.zMin += dz;
    w.zMax += dz;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) w.height[i] = static_cast<float>(w.height[i] + dz);
    SetExtents(w);
}

void PlaceWork(WorkModel& w, double minX, double minY, double minZ) {
    if (!Usable(w)) return;
    const double dz = minZ - w.zMin;
    w.xMin = minX;
    w.yMin = minY;
    if (dz != 0.0) {
        for (std::uint32_t i = 0; i < w.cellCount; ++i) w.height[i] = static_cast<float>(w.height[i] + dz);
    }
    w.zMax += dz;
    w.zMin = minZ;
    SetExtents(w);
}

void OffsetWorkZ(WorkModel& w, double value, bool onlyPaint) {
    if (!Usable(w)) return;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        if (onlyPaint && (w.attr[i] & kAttrPaint) == 0) continue;
        w.height[i] = static_cast<float>(w.height[i] + value);
        w.attr[i] = 0;
        if (w.lineNo != nullptr) w.lineNo[i] = 0;
    }
    if (value < 0.0) FollowBottom(w);
    RecomputeZMax(w);
    w.workState = 2;
}

XyzCutStatus CutWorkXyz(WorkModel& w, const XyzCut& cut) {
    if (!Usable(w)) return XyzCutStatus::EmptyRange;
    const double inv = 1.0 / w.pitch;
    auto index = [&](double v, double origin, int last) {
        const double i = std::trunc((v - origin) * inv + 0.1);
        return static_cast<int>(std::clamp(std::isnan(i) ? -1.0 : i, -1.0, static_cast<double>(last) + 1.0));
    };
    const int ix0 = std::max(0, index(std::min(cut.xMin, cut.xMax), w.xMin, w.lastX));
    const int ix1 = std::min(w.lastX, index(std::max(cut.xMin, cut.xMax), w.xMin, w.lastX));
    const int iy0 = std::max(0, index(std::min(cut.yMin, cut.yMax), w.yMin, w.lastY));
    const int iy1 = std::min(w.lastY, index(std::max(cut.yMin, cut.yMax), w.yMin, w.lastY));
    if (ix1 - ix0 < 1 || iy1 - iy0 < 1) return XyzCutStatus::EmptyRange;
    const int nx = ix1 - ix0 + 1, ny = iy1 - iy0 + 1;
    for (int iy = 0; iy < ny; ++iy) {
        for (int ix = 0; ix < nx; ++ix) {
            MoveNode(w, NodeIndex(w, ix0 + ix, iy0 + iy), static_cast<std::size_t>(iy) * nx + ix);
        }
    }
    w.xMin += ix0 * w.pitch;
    w.yMin += iy0 * w.pitch;
    w.nx = nx;
    w.ny = ny;
    SetExtents(w);
    const auto zCut = static_cast<float>(cut.zCut), zMin = static_cast<float>(cut.zMin);
    const auto bottom = static_cast<float>(w.zMin);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        const float h = w.height[i];
        float next = h;
        if (cut.cutToBottom ? h >= zCut : h > zCut) {
            next = cut.cutToBottom ? bottom : zCut;
        } else if (cut.bottomToMinimum && h == bottom) {
            next = zMin;
        } else if (h < zMin) {
            next = zMin;
        }
        if (next != h) {
            w.height[i] = next;
            w.attr[i] = 0;
            if (w.lineNo != nullptr) w.lineNo[i] = 0;
        }
    }
    // The highest height, not Z-Cut: a Z-Min above Z-Cut raises nodes over
    // it, and zMax must stay above every node for the sweep.
    RecomputeZMax(w);
    w.workState = 2;
    return XyzCutStatus::Ok;
}

bool ThinWork(WorkModel& w, int k, bool xEnd, bool yEnd) {
    if (k < 2 || !Usable(w)) return false;
    const int lastX = w.lastX, lastY = w.lastY;
    const int nx = lastX / k + 1 + ((xEnd && (lastX / k) * k < lastX) ? 1 : 0);
    const int ny = lastY / k + 1 + ((yEnd && (lastY / k) * k < lastY) ? 1 : 0);
    for (int j = 0; j < ny; ++j) {
        for (int i = 0; i < nx; ++i) {
            const int ox = std::min(k * i, lastX), oy = std::min(k * j, lastY);
            MoveNode(w, NodeIndex(w, ox, oy), static_cast<std::size_t>(j) * nx + i);
        }
    }
    w.pitch *= k;
    w.nx = nx;
    w.ny = ny;
    SetExtents(w);
    w.workState = 2;
    return true;
}

bool ReverseWork(WorkModel& w, const ReverseSetting& s) {
    if (!Usable(w)) return false;
    float top = -std::numeric_limits<float>::infinity();
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        if (std::isfinite(w.height[i])) top = std::max(top, w.height[i]);
    }
    const auto c = static_cast<float>(10.0 + w.zMin + top);
    const std::uint8_t keep = static_cast<std::uint8_t>((s.keepPaint ? 0x01 : 0) | (s.keepPen ? 0x0E : 0) |
                                                        (s.keepDirection ? 0xF0 : 0));
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const int jx = s.alongY ? ix : w.lastX - ix, jy = s.alongY ? w.lastY - iy : iy;
            const std::size_t a = NodeIndex(w, ix, iy), b = NodeIndex(w, jx, jy);
            if (b < a) continue;  // each pair once
            const float ha = w.height[a], hb = w.height[b];
            const std::uint8_t aa = w.attr[a], ab = w.attr[b];
            w.height[a] = c - hb;
            w.height[b] = c - ha;
            w.attr[a] = static_cast<std::uint8_t>(ab & keep);
            w.attr[b] = static_cast<std::uint8_t>(aa & keep);
        }
    }
    if (w.lineNo != nullptr) std::fill_n(w.lineNo, w.cellCount, std::int32_t{0});
    RecomputeZMax(w);
    w.workState = 2;
    return true;
}

}  // namespace morvex
