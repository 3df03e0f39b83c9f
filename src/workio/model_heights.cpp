#include "workio/model_heights.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "base/text.h"
#include "workio/dmf_file.h"
#include "workio/stl_file.h"

namespace morvex {
namespace {

std::optional<MsgId> FromDmf(const std::string& path, const WorkModel& work, std::vector<float>& target,
                             std::optional<std::uint64_t> available, const Progress* progress) {
    DmfFile file;
    DmfHeader h;
    DmfStatus status = OpenDmf(file, path);
    if (status == DmfStatus::Ok) status = ReadDmfHeader(file, h);
    if (status != DmfStatus::Ok) {
        CloseDmf(file);
        return DmfLoadMessage(status);
    }
    const std::uint64_t cells = static_cast<std::uint64_t>(h.nx) * static_cast<std::uint64_t>(h.ny);
    const bool sameGrid = CheckDmfGrid(path, work) == 0;
    const std::uint64_t need = 4 * (static_cast<std::uint64_t>(work.cellCount) + (sameGrid ? 0 : cells));
    if (!FitsInMemory(need, available)) {
        CloseDmf(file);
        return MsgId::MemoryOver;
    }
    std::vector<float> out, scratch;
    try {
        out.assign(work.cellCount, kBasicModelStart);
        if (!sameGrid) scratch.resize(cells);
    } catch (const std::bad_alloc&) {
        CloseDmf(file);
        return MsgId::MemoryOver;
    }
    DmfContext ctx;
    double pitchY = 0.0;
    float* into = sameGrid ? out.data() : scratch.data();
    status = ReadDmfHeights(file, h, into, sameGrid ? out.size() : scratch.size(), pitchY, ctx);
    CloseDmf(file);
    if (status != DmfStatus::Ok) return DmfLoadMessage(status);
    if (!sameGrid) {
        StageOf(progress, MsgId::StatusSetZ);
        ResampleGrid(scratch.data(), h.nx, h.ny, h.origin[0], h.origin[1], h.pitchX, pitchY > 0.0 ? pitchY : h.pitchX,
                     work, out.data());
    }
    target.swap(out);
    return std::nullopt;
}

std::optional<MsgId> FromStl(const std::string& path, const WorkModel& work, float startValue,
                             std::vector<float>& target, std::optional<std::uint64_t> available,
                             const Progress* progress) {
    if (!FitsInMemory(4 * static_cast<std::uint64_t>(work.cellCount), available)) return MsgId::MemoryOver;
    std::vector<float> out;
    try {
        out.assign(work.cellCount, startValue);
    } catch (const std::bad_alloc&) {
        return MsgId::MemoryOver;
    }
    int type = kStlText;
    StlStatus status = DetectStlType(path, type);
    if (status == StlStatus::Ok) {
        StageOf(progress, startValue == kBasicModelStart ? MsgId::StatusBasicZ : MsgId::StatusMergeZ);
        status = ForEachStlFacet(type, path, [&](const StlFacet& f) {
            RasteriseStlFacet(f, work.xMin, work.yMin, work.pitch, work.nx, work.ny, work.zMin, out.data());
            return true;
        }, progress);
    }
    if (status != StlStatus::Ok) return StlLoadMessage(status);
    target.swap(out);
    return std::nullopt;
}

}  // namespace

std::optional<MsgId> ModelHeightsOnGrid(const std::string& path, const WorkModel& work, float startValue,
                                        std::vector<float>& target, std::optional<std::uint64_t> availableMemory,
                                        const Progress* progress) {
    if (work.height == nullptr || work.nx < 2 || work.ny < 2) return MsgId::WorkFormatNotAvailable;
    if (EndsWithNoCase(path, "DMF")) return FromDmf(path, work, target, availableMemory, progress);
    if (EndsWithNoCase(path, "STL")) return FromStl(path, work, startValue, target, availableMemory, progress);
    return MsgId::WorkFormatNotAvailable;
}

void ResampleGrid(const float* source, int nx, int ny, double xMin, double yMin, double pitch, double pitchY,
                  const WorkModel& work, float* target) {
    const double xEnd = xMin + (nx - 1) * pitch, yEnd = yMin + (ny - 1) * pitchY;
    for (int iy = 0; iy < work.ny; ++iy) {
        const double y = work.yMin + iy * work.pitch;
        float* row = target + NodeIndex(work, 0, iy);
        if (!(y >= yMin && y <= yEnd)) {
            std::fill_n(row, work.nx, kBasicModelStart);
            continue;
        }
        const int cy = std::min(ny - 2, static_cast<int>((y - yMin) / pitchY));
        const double fy = (y - yMin - cy * pitchY) / pitchY;
        for (int ix = 0; ix < work.nx; ++ix) {
            const double x = work.xMin + ix * work.pitch;
            if (!(x >= xMin && x <= xEnd)) {
                row[ix] = kBasicModelStart;
                continue;
            }
            const int cx = std::min(nx - 2, static_cast<int>((x - xMin) / pitch));
            const double fx = (x - xMin - cx * pitch) / pitch;
            const std::size_t at = static_cast<std::size_t>(cy) * nx + cx;
            const double z00 = source[at], z10 = source[at + 1], z01 = source[at + nx], z11 = source[at + nx + 1];
            const double z = fx + fy <= 1.0 ? z00 + (z10 - z00) * fx + (z01 - z00) * fy
                                             : z11 + (z01 - z11) * (1.0 - fx) + (z10 - z11) * (1.0 - fy);
            row[ix] = static_cast<float>(z);
        }
    }
}

bool ApplyMerge(WorkModel& w, const std::vector<float>& m, bool higher) {
    if (w.height == nullptr || m.size() < w.cellCount) return false;
    bool changed = false;
    const auto bottom = static_cast<float>(w.zMin);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        const bool take = higher ? w.height[i] < m[i] : (w.height[i] > m[i] && m[i] >= bottom);
        if (!take) continue;
        w.height[i] = m[i];
        w.attr[i] = 0;
        if (w.lineNo != nullptr) w.lineNo[i] = 0;
        changed = true;
    }
    if (changed) {
        w.workState = 2;
        RecomputeZMax(w);
    }
    return changed;
}

}  // namespace morvex
