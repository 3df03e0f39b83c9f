// Work files through plug-in modules.
//
// Implementation notes: a loader's steps are PARAMETER (open), STARTPOINT,
// GETWORKSIZE, then LOADWORK into a buffer the program allocated and
// prefilled with the bottom. Nothing the module reports reaches the work
// before it was checked, and the work is replaced only once the whole file
// was read. A saver writes a temporary name in the target folder; the
// program renames it when the module says it wrote it, and removes it
// otherwise, so the final name never holds half a file and an older file
// under it survives a failed save.
#include "integration/work_plugins.h"

#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <new>

#include "base/messages.h"
#include "base/text.h"
#include "workio/model_heights.h"

namespace morvex {
namespace {

// Two origins closer than this count as the same grid placement.
constexpr double kSameOrigin = 0.001;

std::string Text(const char* english, const char* japanese) { return IsEnglish() ? english : japanese; }

PluginWorkResult Failed(std::string message) {
    PluginWorkResult r;
    r.message = std::move(message);
    return r;
}

std::string Number(double v) { return Format("%g", v); }

// PARAMETER, STARTPOINT and GETWORKSIZE, with every value checked.
PluginWorkResult ReadGrid(const LoaderModule& loader, const std::string& path, PluginGrid& grid) {
    const std::string& name = loader.module.name;
    const LoaderEntries& e = loader.entry;
    if (e.getWorkSize == nullptr || e.loadWork == nullptr) {
        return Failed(name + Text(": the module cannot load works", ": このモジュールはワークを読み込めません"));
    }
    if (e.parameter != nullptr) {
        int32_t flag = 0;
        e.parameter(path.c_str(), &flag);
        if (flag == 0) return Failed(std::string(Msg(MsgId::DmfNotOpened)) + " " + path);
    }
    double origin[3] = {0.0, 0.0, 0.0};
    if (e.startPoint != nullptr) e.startPoint(origin);
    if (!std::isfinite(origin[0]) || !std::isfinite(origin[1]) || !std::isfinite(origin[2])) {
        return Failed(name + Text(": the origin of the work is not a number: (", ": ワークの原点が数値ではありません: (") +
                      Number(origin[0]) + ", " + Number(origin[1]) + ", " + Number(origin[2]) + ") " + path);
    }
    int32_t nx = 0, ny = 0, flag = 0;
    double pitch = 0.0;
    e.getWorkSize(&nx, &ny, &pitch, &flag);
    if (flag == 0) {
        return Failed(name + Text(": the module gave no size for the work ", ": ワークのサイズが得られません ") + path);
    }
    if (nx < 2 || ny < 2) {
        return Failed(name + Text(": the work needs at least 2 x 2 nodes, not ", ": ワークには2 x 2以上の格子点が必要です: ") +
                      std::to_string(nx) + " x " + std::to_string(ny) + " " + path);
    }
    if (static_cast<std::uint64_t>(nx) * static_cast<std::uint64_t>(ny) > kMaxWorkNodes) {
        return Failed(name + Text(": too many nodes for a work: ", ": 格子点が多すぎます: ") + std::to_string(nx) + " x " +
                      std::to_string(ny) + " (" + Text("at most ", "最大 ") + std::to_string(kMaxWorkNodes) + ") " +
                      path);
    }
    const double xMax = origin[0] + (nx - 1) * pitch, yMax = origin[1] + (ny - 1) * pitch;
    if (!std::isfinite(pitch) || !(pitch > 0.0) || !std::isfinite(xMax) || !std::isfinite(yMax)) {
        return Failed(name + Text(": the pitch of the work is not usable: ", ": ワークのピッチが使えません: ") + Number(pitch) +
                      " " + path);
    }
    grid.origin[0] = origin[0];
    grid.origin[1] = origin[1];
    grid.origin[2] = origin[2];
    grid.nx = nx;
    grid.ny = ny;
    grid.pitch = pitch;
    PluginWorkResult ok;
    ok.ok = true;
    return ok;
}

// LOADWORK into `heights` (prefilled with the bottom), then the clamp.
PluginWorkResult ReadHeights(const LoaderModule& loader, const std::string& path, const PluginGrid& grid,
                             float* heights, std::size_t count, double& zMax) {
    const auto bottom = static_cast<float>(grid.origin[2]);
    std::fill_n(heights, count, bottom);
    int32_t flag = 0;
    loader.entry.loadWork(heights, &flag);
    if (flag == 0) {
        return Failed(loader.module.name + Text(": the work could not be read: ", ": ワークを読み込めませんでした: ") + path);
    }
    PluginWorkResult r;
    r.ok = true;
    if (const std::size_t changed = ClampLoadedHeights(heights, count, bottom, zMax); changed > 0) {
        r.notes.push_back(loader.module.name + ": " + std::to_string(changed) +
                          Text(" heights that were not numbers or lay below the bottom were set to the bottom in ",
                               " 個の数値でない、または底面より低い高さを底面にしました: ") +
                          path);
    }
    return r;
}

}  // namespace

std::size_t ClampLoadedHeights(float* heights, std::size_t count, float bottom, double& zMax) {
    std::size_t changed = 0;
    float top = bottom;
    for (std::size_t i = 0; i < count; ++i) {
        float& h = heights[i];
        if (std::isnan(h) || h < bottom) {
            h = bottom;
            ++changed;
        } else if (std::isinf(h)) {  // +inf: no top to draw or cut against
            h = bottom;
            ++changed;
        }
        top = std::max(top, h);
    }
    zMax = top;
    return changed;
}

PluginWorkResult LoadWorkWithPlugin(const LoaderModule& loader, const std::string& path, WorkModel& work,
                                    int dataLevel, std::optional<std::uint64_t> availableMemory) {
    PluginGrid grid;
    if (PluginWorkResult r = ReadGrid(loader, path, grid); !r.ok) return r;
    // The old work stays while the new one is read: all of the new arrays
    // come on top of it.
    if (!FitsInMemory(WorkBytes(grid.nx, grid.ny, dataLevel), availableMemory)) {
        return Failed(std::string(Msg(MsgId::MemoryOver)) + " (" + loader.module.name + ": " + std::to_string(grid.nx) +
                      " x " + std::to_string(grid.ny) + ")");
    }
    WorkModel fresh;
    fresh.pitch = grid.pitch;
    if (!AllocateWork(fresh, grid.nx, grid.ny, dataLevel, true)) return Failed(std::string(Msg(MsgId::MemoryOver)));
    double zMax = grid.origin[2];
    PluginWorkResult r = ReadHeights(loader, path, grid, fresh.height, fresh.cellCount, zMax);
    if (!r.ok) return r;
    std::fill_n(fresh.attr, fresh.cellCount, std::uint8_t{0});
    if (fresh.lineNo != nullptr) std::fill_n(fresh.lineNo, fresh.cellCount, std::int32_t{0});
    fresh.xMin = grid.origin[0];
    fresh.yMin = grid.origin[1];
    fresh.zMin = grid.origin[2];
    fresh.xMax = fresh.xMin + (grid.nx - 1) * grid.pitch;
    fresh.yMax = fresh.yMin + (grid.ny - 1) * grid.pitch;
    fresh.zMax = zMax;
    fresh.workState = 2;  // a full grid, as a loaded DMF of that kind
    std::swap(work, fresh);
    // A work shared with other processes stays shared.
    if (fresh.sharing) (void)TakeSharing(work, std::move(fresh.sharing));
    return r;
}

PluginWorkResult PluginModelHeights(const LoaderModule& loader, const std::string& path, const WorkModel& work,
                                    std::vector<float>& target, std::optional<std::uint64_t> availableMemory,
                                    const Progress* progress) {
    if (work.height == nullptr || work.nx < 2 || work.ny < 2) {
        return Failed(std::string(Msg(MsgId::WorkFormatNotAvailable)) + path);
    }
    PluginGrid grid;
    if (PluginWorkResult r = ReadGrid(loader, path, grid); !r.ok) return r;
    const bool sameGrid = std::fabs(grid.origin[0] - work.xMin) <= kSameOrigin &&
                          std::fabs(grid.origin[1] - work.yMin) <= kSameOrigin && grid.nx == work.nx &&
                          grid.ny == work.ny && grid.pitch == work.pitch;
    const std::uint64_t cells = static_cast<std::uint64_t>(grid.nx) * static_cast<std::uint64_t>(grid.ny);
    const std::uint64_t need = 4 * (static_cast<std::uint64_t>(work.cellCount) + (sameGrid ? 0 : cells));
    if (!FitsInMemory(need, availableMemory)) return Failed(std::string(Msg(MsgId::MemoryOver)));
    std::vector<float> out, scratch;
    try {
        out.resize(work.cellCount);
        if (!sameGrid) scratch.resize(cells);
    } catch (const std::bad_alloc&) {
        return Failed(std::string(Msg(MsgId::MemoryOver)));
    }
    double zMax = 0.0;
    PluginWorkResult r = sameGrid ? ReadHeights(loader, path, grid, out.data(), out.size(), zMax)
                                  : ReadHeights(loader, path, grid, scratch.data(), scratch.size(), zMax);
    if (!r.ok) return r;
    if (!sameGrid) {
        StageOf(progress, MsgId::StatusSetZ);
        ResampleGrid(scratch.data(), grid.nx, grid.ny, grid.origin[0], grid.origin[1], grid.pitch, grid.pitch, work,
                     out.data());
    }
    target.swap(out);
    return r;
}

std::optional<std::string> ModelHeightsOf(const PluginSet& plugins, const std::string& path, const WorkModel& work,
                                          float startValue, std::vector<float>& target, const Progress* progress) {
    // The built-in kinds come first, as they do for a work file.
    if (!EndsWithNoCase(path, "DMF") && !EndsWithNoCase(path, "STL")) {
        if (const LoaderModule* loader = LoaderForFile(plugins, path)) {
            PluginWorkResult r = PluginModelHeights(*loader, path, work, target, AvailableMemory(), progress);
            for (const std::string& note : r.notes) std::fprintf(stderr, "morvex: plug-in %s\n", note.c_str());
            if (!r.ok) return r.message;
            return std::nullopt;
        }
    }
    if (auto failed = ModelHeightsOnGrid(path, work, startValue, target, AvailableMemory(), progress)) {
        return std::string(Msg(*failed)) + " " + path;
    }
    return std::nullopt;
}

std::string PluginTempName(const std::string& path) {
    return path + "." + std::to_string(::getpid()) + ".tmp";
}

PluginWorkResult SaveWorkWithPlugin(const SaverModule& saver, const std::string& path, const WorkModel& work,
                                    const float* basic, int dataLevel) {
    const std::string& name = saver.module.name;
    const SaverEntries& e = saver.entry;
    if (e.saveWork == nullptr) {
        return Failed(name + Text(": the module cannot save works", ": このモジュールはワークを保存できません"));
    }
    if (work.height == nullptr || work.attr == nullptr || work.nx < 2 || work.ny < 2) {
        return Failed(std::string(Msg(MsgId::OutputNotWritten)) + path);
    }
    if (e.parameter != nullptr) {
        int32_t flag = 0;
        e.parameter(path.c_str(), &flag);
        if (flag == 0) {
            PluginWorkResult r;
            r.cancelled = true;
            return r;
        }
    }
    if (e.getBasicModel != nullptr) {
        const int32_t present = basic != nullptr ? 1 : 0;
        e.getBasicModel(basic, &present);
    }
    if (e.getSaveLevel != nullptr) {
        const int32_t level = std::clamp(dataLevel, 1, 4);
        e.getSaveLevel(&level);
    }
    MvWork w{};
    w.height = work.height;
    w.attr = work.attr;
    w.lineNo = work.lineNo;
    w.nx = work.nx;
    w.ny = work.ny;
    w.pitch = work.pitch;
    w.xMin = work.xMin;
    w.yMin = work.yMin;
    w.zMin = work.zMin;
    w.xMax = work.xMax;
    w.yMax = work.yMax;
    w.zMax = work.zMax;
    const std::string temp = PluginTempName(path);
    std::error_code ec;
    std::filesystem::remove(temp, ec);  // a leftover of an earlier failure
    int32_t flag = 0;
    e.saveWork(temp.c_str(), &w, &flag);
    // Written means: the module said so and its file is there.
    bool written = flag == 1 && std::filesystem::is_regular_file(temp, ec);
    if (written) {
        std::filesystem::rename(temp, path, ec);
        written = !ec;
    }
    if (!written) {
        std::filesystem::remove(temp, ec);
        return Failed(std::string(Msg(MsgId::OutputNotWritten)) + path + " (" + name + ")");
    }
    PluginWorkResult r;
    r.ok = true;
    return r;
}

}  // namespace morvex
