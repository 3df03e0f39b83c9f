// The work model's storage and whole-grid operations: data levels,
// allocation with buffer reuse, the uniform fill, the "C" key backup pair,
// the highest node, the removal volume and the attribute commands.
//
// Implementation notes:
// - Storage vectors only grow. A redefinition to a smaller grid keeps every
//   buffer, so the other pair still holds the previous (larger) grid and
//   Restore can bring it back; the vectors may therefore be longer than
//   cellCount. A buffer that must grow is released before the new one is
//   allocated, so the old and the new block are never held together.
// - After an allocation the current pair stays B only when B was current and
//   both pairs kept their contents together with a saved state; otherwise A
//   is current. A shared work keeps pair A in the sharing's arrays and
//   current at all times: a restore exchanges contents instead of pointers.
// - Allocation failures (bad_alloc, length_error) are caught here and turned
//   into FreeWork + false; nothing escapes the module.
#include "sim/work_model.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <new>
#include <stdexcept>

namespace morvex {
namespace {

template <class T>
void Release(std::vector<T>& v) {
    std::vector<T>().swap(v);
}

template <class T>
void Release(ZeroedArray<T>& a) {
    a.Release();
}

// Makes v hold at least n elements; true when it had to be allocated anew
// (its contents are then zero).
template <class T>
bool Grow(std::vector<T>& v, std::size_t n) {
    if (v.size() >= n) return false;
    Release(v);
    v.resize(n);
    return true;
}

template <class T>
bool Grow(ZeroedArray<T>& a, std::size_t n) {
    if (a.size() >= n) return false;
    if (!a.Reset(n)) throw std::bad_alloc();
    return true;
}

void FillOffsets(WorkModel& w) {
    for (std::size_t i = 0; i < w.nodeOffset.size(); ++i) {
        w.nodeOffset[i] = static_cast<double>(i) * w.pitch;
    }
}

bool HasBackupPair(const WorkModel& w) {
    return LevelHasBackup(w.dataLevel) && w.heightOther != nullptr && w.attrOther != nullptr &&
           w.height != nullptr && w.attr != nullptr && w.cellCount > 0;
}

WorkScalars ScalarsOf(const WorkModel& w, const Point& originOffset, const Point& toolPosition) {
    WorkScalars s;
    s.xMin = w.xMin;
    s.yMin = w.yMin;
    s.zMin = w.zMin;
    s.xMax = w.xMax;
    s.yMax = w.yMax;
    s.zMax = w.zMax;
    s.pitch = w.pitch;
    s.nx = w.nx;
    s.ny = w.ny;
    s.workState = w.workState;
    for (int i = 0; i < 3; ++i) {
        s.originOffset[i] = originOffset[i];
        s.toolPosition[i] = toolPosition[i];
    }
    return s;
}

void SetScalars(WorkModel& w, const WorkScalars& s, Point& originOffset, Point& toolPosition) {
    w.xMin = s.xMin;
    w.yMin = s.yMin;
    w.zMin = s.zMin;
    w.xMax = s.xMax;
    w.yMax = s.yMax;
    w.zMax = s.zMax;
    w.pitch = s.pitch;
    w.nx = s.nx;
    w.ny = s.ny;
    w.lastX = s.nx - 1;
    w.lastY = s.ny - 1;
    w.cellCount = static_cast<std::uint32_t>(static_cast<std::uint64_t>(s.nx) *
                                             static_cast<std::uint64_t>(s.ny));
    w.workState = s.workState;
    for (int i = 0; i < 3; ++i) {
        originOffset[i] = s.originOffset[i];
        toolPosition[i] = s.toolPosition[i];
    }
}

bool AttributesReady(const WorkModel& w) {
    return w.workState > 0 && w.attr != nullptr && w.cellCount > 0;
}

}  // namespace

bool LevelHasBackup(int dataLevel) {
    return dataLevel == kDataLevelFull || dataLevel == kDataLevelBackup;
}

bool LevelHasLineNumbers(int dataLevel) {
    return dataLevel == kDataLevelFull || dataLevel == kDataLevelLineNumbers;
}

int BytesPerNode(int dataLevel) {
    // Height A (4), attribute A (1), screen cache (4); pair B (4 + 1); line number (4).
    return 9 + (LevelHasBackup(dataLevel) ? 5 : 0) + (LevelHasLineNumbers(dataLevel) ? 4 : 0);
}

bool AllocateWork(WorkModel& w, int nx, int ny, int dataLevel, bool fillOffsets) {
    if (nx < 2 || ny < 2) {
        FreeWork(w);
        return false;
    }
    const std::uint64_t cells = static_cast<std::uint64_t>(nx) * static_cast<std::uint64_t>(ny);
    if (cells > kMaxWorkNodes) {
        FreeWork(w);
        return false;
    }
    if (dataLevel < kDataLevelFull || dataLevel > kDataLevelMinimal) dataLevel = kDataLevelFull;
    const bool backup = LevelHasBackup(dataLevel);
    const bool lines = LevelHasLineNumbers(dataLevel);
    const bool wasOnB = w.height != nullptr && w.height == w.heightB.data();
    const auto n = static_cast<std::size_t>(cells);
    const bool shared = w.sharing != nullptr;
    bool pairsKept = true;
    try {
        Grow(w.nodeOffset, static_cast<std::size_t>(std::max(nx, ny)));
        Grow(w.screenXY, 2 * n);
        // Shared, pair A and the line numbers are the sharing's arrays
        // (memory other processes map) instead of heap.
        if (shared) {
            Release(w.heightA);
            Release(w.attrA);
            pairsKept = n == w.sharedCells;
        } else {
            pairsKept = !Grow(w.heightA, n) && pairsKept;
            pairsKept = !Grow(w.attrA, n) && pairsKept;
        }
        if (backup) {
            pairsKept = !Grow(w.heightB, n) && pairsKept;
            pairsKept = !Grow(w.attrB, n) && pairsKept;
        } else {
            Release(w.heightB);
            Release(w.attrB);
        }
        if (lines && !shared) {
            Grow(w.lineNumbers, n);
        } else {
            Release(w.lineNumbers);
        }
    } catch (const std::bad_alloc&) {
        FreeWork(w);
        return false;
    } catch (const std::length_error&) {
        FreeWork(w);
        return false;
    }
    float* sharedHeight = nullptr;
    std::uint8_t* sharedAttr = nullptr;
    std::int32_t* sharedLines = nullptr;
    if (shared) {
        if (!w.sharing->attach(n, lines, sharedHeight, sharedAttr, sharedLines)) {
            FreeWork(w);
            return false;
        }
        w.sharedCells = n;
    }

    w.haveSaved = w.haveSaved && backup && pairsKept;
    const bool onB = !shared && wasOnB && w.haveSaved;
    float* heightA = shared ? sharedHeight : w.heightA.data();
    std::uint8_t* attrA = shared ? sharedAttr : w.attrA.data();
    w.height = onB ? w.heightB.data() : heightA;
    w.attr = onB ? w.attrB.data() : attrA;
    w.heightOther = backup ? (onB ? heightA : w.heightB.data()) : nullptr;
    w.attrOther = backup ? (onB ? attrA : w.attrB.data()) : nullptr;
    w.lineNo = lines ? (shared ? sharedLines : w.lineNumbers.data()) : nullptr;
    w.nx = nx;
    w.ny = ny;
    w.lastX = nx - 1;
    w.lastY = ny - 1;
    w.cellCount = static_cast<std::uint32_t>(cells);
    w.dataLevel = dataLevel;
    if (fillOffsets) FillOffsets(w);
    return true;
}

std::uint64_t WorkBytes(int nx, int ny, int dataLevel) {
    if (nx < 0 || ny < 0) return 0;
    if (dataLevel < kDataLevelFull || dataLevel > kDataLevelMinimal) dataLevel = kDataLevelFull;
    const std::uint64_t cells = static_cast<std::uint64_t>(nx) * static_cast<std::uint64_t>(ny);
    return cells * static_cast<std::uint64_t>(BytesPerNode(dataLevel)) +
           sizeof(double) * static_cast<std::uint64_t>(std::max(nx, ny));
}

std::uint64_t WorkHeldBytes(const WorkModel& w) {
    auto bytes = [](const auto& v) { return static_cast<std::uint64_t>(v.size()) * sizeof(v[0]); };
    return bytes(w.nodeOffset) + bytes(w.screenXY) + bytes(w.heightA) + bytes(w.heightB) +
           bytes(w.attrA) + bytes(w.attrB) + bytes(w.lineNumbers);
}

void FreeWork(WorkModel& w) {
    // Assigning a fresh record releases every buffer and clears every count.
    std::shared_ptr<WorkSharing> sharing = std::move(w.sharing);
    if (sharing && sharing->detach) sharing->detach();
    w = WorkModel{};
    w.sharing = std::move(sharing);
}

bool TakeSharing(WorkModel& w, std::shared_ptr<WorkSharing> sharing) {
    if (!sharing || w.height == nullptr || w.attr == nullptr || w.cellCount == 0) return false;
    const std::size_t n = w.cellCount;
    const bool lines = w.lineNo != nullptr;
    float* height = nullptr;
    std::uint8_t* attr = nullptr;
    std::int32_t* lineNo = nullptr;
    if (!sharing->attach(n, lines, height, attr, lineNo)) return false;
    std::copy_n(w.height, n, height);
    std::copy_n(w.attr, n, attr);
    if (lines) std::copy_n(w.lineNo, n, lineNo);
    // The current pair becomes the shared one; a backup stays in the other.
    const bool currentWasA = w.height == w.heightA.data();
    if (!currentWasA && w.heightOther == w.heightA.data()) {
        // The backup lived in A: it moves to B, which held the current pair.
        std::copy_n(w.heightA.data(), n, w.heightB.data());
        std::copy_n(w.attrA.data(), n, w.attrB.data());
    }
    w.height = height;
    w.attr = attr;
    w.lineNo = lineNo;
    if (w.heightOther != nullptr) {
        w.heightOther = w.heightB.data();
        w.attrOther = w.attrB.data();
    }
    Release(w.heightA);
    Release(w.attrA);
    Release(w.lineNumbers);
    w.sharing = std::move(sharing);
    w.sharedCells = n;
    return true;
}

void FillUniform(WorkModel& w) {
    if (w.height == nullptr || w.attr == nullptr) return;
    std::fill_n(w.height, w.cellCount, static_cast<float>(w.zMax));
    std::fill_n(w.attr, w.cellCount, std::uint8_t{0});
    if (w.lineNo != nullptr) std::fill_n(w.lineNo, w.cellCount, std::int32_t{0});
    // A shared work may be changed by other processes at any time: it is
    // never taken for the uniform block.
    w.workState = w.sharing ? 2 : 1;
}

bool Backup(WorkModel& w, const Point& originOffset, const Point& toolPosition) {
    if (!HasBackupPair(w)) return false;
    w.saved = ScalarsOf(w, originOffset, toolPosition);
    std::copy_n(w.height, w.cellCount, w.heightOther);
    std::copy_n(w.attr, w.cellCount, w.attrOther);
    w.haveSaved = true;
    return true;
}

bool Restore(WorkModel& w, Point& originOffset, Point& toolPosition) {
    if (!HasBackupPair(w) || !w.haveSaved) return false;
    const WorkScalars target = w.saved;
    if (target.nx < 2 || target.ny < 2) return false;
    // The other pair was written for the saved grid; the buffers only grow,
    // so they hold it unless the work was freed in between. Check anyway.
    const std::uint64_t cells =
        static_cast<std::uint64_t>(target.nx) * static_cast<std::uint64_t>(target.ny);
    const std::size_t side = static_cast<std::size_t>(std::max(target.nx, target.ny));
    const bool shared = w.sharing != nullptr;
    const std::size_t pairA = shared ? w.sharedCells : std::min(w.heightA.size(), w.attrA.size());
    const std::size_t lineCells = shared ? w.sharedCells : w.lineNumbers.size();
    if (cells > kMaxWorkNodes || cells > pairA || cells > w.heightB.size() || cells > w.attrB.size() ||
        side > w.nodeOffset.size() || (w.lineNo != nullptr && cells > lineCells)) {
        return false;
    }
    const std::size_t before = w.cellCount;
    w.saved = ScalarsOf(w, originOffset, toolPosition);
    SetScalars(w, target, originOffset, toolPosition);
    if (shared) {
        // The shared pair stays the current one: the contents change places.
        const std::size_t span = std::max<std::size_t>(before, cells);
        std::swap_ranges(w.height, w.height + span, w.heightOther);
        std::swap_ranges(w.attr, w.attr + span, w.attrOther);
    } else {
        std::swap(w.height, w.heightOther);
        std::swap(w.attr, w.attrOther);
    }
    FillOffsets(w);
    // Line numbers are not backed up: after a restore no node has a cut line.
    if (w.lineNo != nullptr) std::fill_n(w.lineNo, w.cellCount, std::int32_t{0});
    return true;
}

void RecomputeZMax(WorkModel& w) {
    if (w.height == nullptr || w.cellCount == 0) return;
    bool any = false;
    float top = 0.0f;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        const float h = w.height[i];
        if (!std::isfinite(h)) continue;
        if (!any || h > top) top = h;
        any = true;
    }
    if (any) w.zMax = top;
}

std::optional<double> RemovalVolume(const WorkModel& w) {
    if (!HasBackupPair(w) || !w.haveSaved || w.saved.nx != w.nx || w.saved.ny != w.ny) {
        return std::nullopt;
    }
    // Trapezoidal rule over the grid: a node stands for a pitch x pitch
    // cell, halved on a border row or column and quartered at a corner.
    double total = 0.0;
    for (int iy = 0; iy < w.ny; ++iy) {
        const std::size_t row = NodeIndex(w, 0, iy);
        double inner = 0.0;
        for (int ix = 1; ix < w.lastX; ++ix) {
            inner += static_cast<double>(w.heightOther[row + ix]) - w.height[row + ix];
        }
        const double ends = static_cast<double>(w.heightOther[row]) - w.height[row] +
                            static_cast<double>(w.heightOther[row + w.lastX]) -
                            w.height[row + w.lastX];
        const double rowSum = inner + 0.5 * ends;
        total += (iy == 0 || iy == w.lastY) ? 0.5 * rowSum : rowSum;
    }
    return total * w.pitch * w.pitch;
}

bool PaintAll(WorkModel& w) {
    if (!AttributesReady(w)) return false;
    for (std::uint32_t i = 0; i < w.cellCount; ++i)
        w.attr[i] |= kAttrPaint;
    return true;
}

bool StripPaint(WorkModel& w) {
    if (!AttributesReady(w)) return false;
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        w.attr[i] = static_cast<std::uint8_t>(w.attr[i] & ~kAttrPaint);
    }
    return true;
}

bool StripPen(WorkModel& w, int pen) {
    if (!AttributesReady(w) || pen < 1 || pen > 8) return false;
    const auto clearPen = static_cast<std::uint8_t>(~kAttrPenMask);
    const auto match = static_cast<std::uint8_t>((pen & 7) << 1);
    for (std::uint32_t i = 0; i < w.cellCount; ++i) {
        if (pen == 8 || (w.attr[i] & kAttrPenMask) == match) w.attr[i] &= clearPen;
    }
    return true;
}

}  // namespace morvex
