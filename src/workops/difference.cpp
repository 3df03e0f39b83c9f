// Implementation notes: the normal check offsets a copy of the model with
// the work offset (the margin as radius, outwards for Plus, inwards for
// Minus) and compares the work with it. The point query from a file reads
// the file's heights once into a scratch array of the work's size.
#include "workops/difference.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "workio/dmf_file.h"
#include "workops/offset.h"

namespace morvex {

DifferenceStatus PaintDifference(WorkModel& w, const std::vector<float>& basic, const DifferenceSettings& s,
                                 int threads, std::vector<std::uint8_t>& marks, const Progress* progress) {
    if (w.height == nullptr || basic.size() < w.cellCount) return DifferenceStatus::NoBasicModel;
    if (s.penMode && (s.penNumber < 1 || s.penNumber > 7)) return DifferenceStatus::BadPen;
    const bool plus = s.area >= 0;
    std::vector<float> model;
    try {
        marks.assign(w.cellCount, 0);
        if (s.normalCheck) model.assign(basic.begin(), basic.begin() + w.cellCount);
    } catch (const std::bad_alloc&) {
        return DifferenceStatus::MemoryOver;
    }
    if (s.normalCheck) {
        OffsetRun run;
        run.kind = OffsetKind::Normal;
        run.value = plus ? std::fabs(s.margin) : -std::fabs(s.margin);
        run.threads = threads;
        run.progress = progress;
        int rows = 0;
        const OffsetStatus status = OffsetHeights(model.data(), w.nx, w.ny, w.pitch, run, rows);
        if (status == OffsetStatus::TooLarge) return DifferenceStatus::OffsetTooLarge;
        if (status == OffsetStatus::MemoryOver) return DifferenceStatus::MemoryOver;
    }
    const std::uint8_t code = s.penMode ? kDifferencePenCodes[s.penNumber] : 0;
    // In single precision, as the heights are kept: a node one margin above
    // the model (5.01 over 5 with 0.01) is not beyond it.
    const auto margin = static_cast<float>(s.margin);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        const float b = basic[i];
        if (b == kNoModelHeight) continue;
        const float h = w.height[i];
        bool marked = false;
        if (s.normalCheck) {
            marked = plus ? model[i] < h : model[i] > h;
        } else {
            marked = plus ? h - margin > b : h + margin < b;
        }
        std::uint8_t& a = w.attr[i];
        if (marked) {
            marks[i] = 1;
            a = s.penMode ? static_cast<std::uint8_t>((a & kDifferenceKeepMask) | code)
                          : static_cast<std::uint8_t>(a | kAttrPaint);
        } else if (s.clear) {
            if (!s.penMode) {
                a = static_cast<std::uint8_t>(a & ~kAttrPaint);
            } else if ((a & kDifferencePenMask) == code) {
                a = static_cast<std::uint8_t>(a & kDifferenceKeepMask);
            }
        }
    }
    return DifferenceStatus::Ok;
}

bool DifferenceAt(const WorkModel& w, const float* basic, int ix, int iy, DifferencePoint& out) {
    if (w.height == nullptr || basic == nullptr || ix < 0 || iy < 0 || ix > w.lastX || iy > w.lastY) return false;
    const std::size_t at = NodeIndex(w, ix, iy);
    const double b = basic[at];
    if (b == kNoModelHeight) return false;
    const double h = w.height[at];
    out = DifferencePoint{};
    out.vertical = h - b;
    out.workPoint = Point{ix * w.pitch, iy * w.pitch, b};
    out.modelPoint = out.workPoint;
    const double v = std::fabs(out.vertical);
    if (v <= w.pitch) {
        if (v < 0.000001) out.vertical = 0.0;
        out.nearest = out.vertical;
        return true;
    }
    out.nearest = v;
    const int reach = static_cast<int>(std::min(std::ceil(v / w.pitch), static_cast<double>(std::max(w.nx, w.ny))));
    const bool above = out.vertical > 0.0;
    for (int jy = std::max(0, iy - reach); jy <= std::min(w.lastY, iy + reach); ++jy) {
        for (int jx = std::max(0, ix - reach); jx <= std::min(w.lastX, ix + reach); ++jx) {
            const double g = basic[NodeIndex(w, jx, jy)];
            if (g == kNoModelHeight) continue;
            const double flat = (1.0 * (jx - ix) * (jx - ix) + 1.0 * (jy - iy) * (jy - iy)) * w.pitch * w.pitch;
            const bool sameSide = above ? g <= h : g > h;
            const double d = std::sqrt(sameSide ? flat + (h - g) * (h - g) : flat);
            if (d < out.nearest) {
                out.nearest = d;
                out.modelPoint = Point{jx * w.pitch, jy * w.pitch, g};
            }
        }
    }
    return true;
}

int DifferenceAtFile(const WorkModel& w, const std::string& dmfPath, int ix, int iy, DifferencePoint& out) {
    const int check = CheckDmfGrid(dmfPath, w);
    if (check != 0) return check;
    DmfFile file;
    DmfHeader header;
    if (OpenDmf(file, dmfPath) != DmfStatus::Ok || ReadDmfHeader(file, header) != DmfStatus::Ok) {
        CloseDmf(file);
        return 5;
    }
    std::vector<float> heights;
    try {
        heights.resize(w.cellCount);
    } catch (const std::bad_alloc&) {
        CloseDmf(file);
        return 5;
    }
    DmfContext ctx;
    double pitchY = 0.0;
    const DmfStatus status = ReadDmfHeights(file, header, heights.data(), heights.size(), pitchY, ctx);
    CloseDmf(file);
    if (status != DmfStatus::Ok) return 5;
    return DifferenceAt(w, heights.data(), ix, iy, out) ? 0 : 5;
}

}  // namespace morvex
