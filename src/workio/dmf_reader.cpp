// Reading DMF work files: the checked header, the full body into a work,
// the heights-only reader, the grid compatibility check and the load.
//
// Implementation notes:
// - The file is hostile until its header has been checked: the magic, node
//   counts of 2 or more with nx * ny within kMaxWorkNodes, a finite origin,
//   a finite positive pitch, a finite unit, and a file length equal to the
//   one the counts and the attribute code promise. Only then does anything
//   get allocated or read past offset 156, so every later read is in range.
// - A uniform file is 172 bytes whatever its node counts, so the length
//   cannot bound the work: before allocating, the bytes of every array at
//   the work's data level are compared with the memory available.
// - LoadDmf reads into a fresh WorkModel and a copy of the context and moves
//   both into place only when everything was read.
// - The origin is (m9, m10) when m0..m8 are exactly the identity and
//   (m3, m7) otherwise; m11 is the origin Z, which the bottom height then
//   overrides. The rotation part is not applied to the grid.
// - Integer heights are c * unit in single precision; workState is
//   2 - storage mode (1 uniform, 0 full grid saved unchanged, 2 otherwise),
//   or 2 in share mode.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <utility>
#include <vector>

#include "workio/dmf_file.h"

namespace morvex {
namespace {

constexpr double kZMaxStart = -99999.0;
constexpr double kOriginTolerance = 0.001;  // mm

std::int32_t I32At(const unsigned char* p) {
    std::uint32_t u = 0;
    for (int i = 3; i >= 0; --i) u = (u << 8) | p[i];
    return static_cast<std::int32_t>(u);
}

float F32At(const unsigned char* p) {
    const std::uint32_t u = static_cast<std::uint32_t>(I32At(p));
    float v = 0.0f;
    std::memcpy(&v, &u, 4);
    return v;
}

double F64At(const unsigned char* p) {
    std::uint64_t u = 0;
    for (int i = 7; i >= 0; --i) u = (u << 8) | p[i];
    double v = 0.0;
    std::memcpy(&v, &u, 8);
    return v;
}

bool ReadExact(DmfFile& file, void* data, std::size_t size) {
    return file.fp != nullptr && std::fread(data, 1, size, file.fp) == size;
}

bool IsIdentity(const std::array<double, 12>& m) {
    return m[0] == 1.0 && m[4] == 1.0 && m[8] == 1.0 && m[1] == 0.0 && m[2] == 0.0 && m[3] == 0.0 &&
           m[5] == 0.0 && m[6] == 0.0 && m[7] == 0.0;
}

// One height value as stored, converted to millimetres.
float HeightOf(const unsigned char* p, const DmfHeader& h, float unit) {
    if (h.unit == 0.0) return F32At(p);
    return static_cast<float>(I32At(p)) * unit;
}

void SetUnit(const DmfHeader& h, DmfContext& ctx) {
    ctx.intHeights = h.unit != 0.0;
    if (ctx.intHeights) ctx.unit = static_cast<float>(h.unit);
}

// Reads ny rows of nx stored heights into heights[] and returns the largest.
bool ReadRows(DmfFile& file, const DmfHeader& h, float unit, float* heights, double& zMax) {
    const auto nx = static_cast<std::size_t>(h.nx);
    std::vector<unsigned char> row(4 * nx);
    for (std::int32_t iy = 0; iy < h.ny; ++iy) {
        if (!ReadExact(file, row.data(), row.size())) return false;
        float* out = heights + static_cast<std::size_t>(iy) * nx;
        for (std::size_t ix = 0; ix < nx; ++ix) {
            out[ix] = HeightOf(row.data() + 4 * ix, h, unit);
            zMax = std::max(zMax, static_cast<double>(out[ix]));
        }
    }
    return true;
}

DmfStatus ReadBodyUnchecked(DmfFile& file, const DmfHeader& h, WorkModel& work, DmfContext& ctx) {
    SetUnit(h, ctx);
    const float unit = ctx.unit;
    const std::size_t n = work.cellCount;
    const bool linesKept = work.lineNo != nullptr;

    work.xMin = h.origin[0];
    work.yMin = h.origin[1];
    work.pitch = h.pitchX;
    for (std::size_t i = 0; i < work.nodeOffset.size(); ++i) {
        work.nodeOffset[i] = static_cast<double>(i) * work.pitch;
    }
    work.workState = ctx.shareMode ? 2 : (h.storage == kDmfStorageUniform ? 1 : (h.storage == 2 ? 0 : 2));
    work.xMax = work.xMin + (h.nx - 1) * work.pitch;
    work.yMax = work.yMin + (h.ny - 1) * work.pitch;
    work.zMax = kZMaxStart;

    if (h.storage == kDmfStorageUniform) {
        unsigned char top[9] = {};
        const std::size_t size = 4 + (h.code > 0 ? 1 : 0) + (h.code > 1 ? 4 : 0);
        if (!ReadExact(file, top, size)) return DmfStatus::ReadFailed;
        const float z = HeightOf(top, h, unit);
        const std::uint8_t a = h.code > 0 ? top[4] : 0;
        const std::int32_t line = h.code > 1 ? I32At(top + 5) : 0;
        std::fill_n(work.height, n, z);
        std::fill_n(work.attr, n, a);
        if (linesKept) std::fill_n(work.lineNo, n, line);
        work.zMax = z;
    } else {
        if (!ReadRows(file, h, unit, work.height, work.zMax)) return DmfStatus::ReadFailed;
        if (h.code > 0) {
            if (!ReadExact(file, work.attr, n)) return DmfStatus::ReadFailed;
        } else {
            std::fill_n(work.attr, n, std::uint8_t{0});
        }
        if (h.code > 1) {
            if (linesKept) {
                std::vector<unsigned char> row(4 * static_cast<std::size_t>(h.nx));
                for (std::size_t at = 0; at < n; at += static_cast<std::size_t>(h.nx)) {
                    if (!ReadExact(file, row.data(), row.size())) return DmfStatus::ReadFailed;
                    for (std::size_t ix = 0; ix < static_cast<std::size_t>(h.nx); ++ix) {
                        work.lineNo[at + ix] = I32At(row.data() + 4 * ix);
                    }
                }
            } else if (std::fseek(file.fp, static_cast<long>(4 * n), SEEK_CUR) != 0) {
                return DmfStatus::ReadFailed;
            }
        } else if (linesKept) {
            std::fill_n(work.lineNo, n, std::int32_t{0});
        }
    }

    unsigned char bottom[kDmfBottomSize];
    if (!ReadExact(file, bottom, sizeof bottom)) return DmfStatus::ReadFailed;
    work.zMin = HeightOf(bottom + 8, h, unit);
    ctx.matrix = h.matrix;
    return DmfStatus::Ok;
}

}  // namespace

std::uint64_t DmfFileLength(const DmfHeader& h) {
    const std::uint64_t n =
        h.storage == kDmfStorageUniform ? 1 : static_cast<std::uint64_t>(h.nx) * static_cast<std::uint64_t>(h.ny);
    std::uint64_t top = 4 * n;
    if (h.code > 0) top += n;
    if (h.code > 1) top += 4 * n;
    return kDmfHeaderSize + top + kDmfBottomSize;
}

DmfStatus OpenDmf(DmfFile& file, const std::string& path) {
    CloseDmf(file);
    file.fp = std::fopen(path.c_str(), "rb");
    if (file.fp == nullptr) return DmfStatus::NotOpened;
    struct stat st {};
    if (::fstat(::fileno(file.fp), &st) != 0 || !S_ISREG(st.st_mode)) {
        CloseDmf(file);
        return DmfStatus::NotOpened;
    }
    file.size = static_cast<std::uint64_t>(st.st_size);
    return DmfStatus::Ok;
}

DmfStatus ReadDmfHeader(DmfFile& file, DmfHeader& h) {
    unsigned char b[kDmfHeaderSize];
    if (file.fp == nullptr) return DmfStatus::NotOpened;
    if (file.size < kDmfHeaderSize + kDmfBottomSize) {
        // Too short to be anything: still tell a foreign file from a cut one.
        if (file.size >= kDmfMagicSize && ReadExact(file, b, kDmfMagicSize) &&
            std::memcmp(b, kDmfMagic, kDmfMagicSize) != 0) {
            return DmfStatus::BadMagic;
        }
        return DmfStatus::BadLength;
    }
    if (!ReadExact(file, b, sizeof b)) return DmfStatus::ReadFailed;
    if (std::memcmp(b, kDmfMagic, kDmfMagicSize) != 0) return DmfStatus::BadMagic;
    for (std::size_t i = 0; i < 12; ++i) h.matrix[i] = F64At(b + 16 + 8 * i);
    const bool identity = IsIdentity(h.matrix);
    h.origin[0] = identity ? h.matrix[9] : h.matrix[3];
    h.origin[1] = identity ? h.matrix[10] : h.matrix[7];
    h.origin[2] = h.matrix[11];
    h.nx = I32At(b + 112);
    h.ny = I32At(b + 116);
    h.sections = I32At(b + 120);
    h.pitchX = F64At(b + 124);
    h.pitchY = F64At(b + 132);
    h.unit = F64At(b + 140);
    h.code = I32At(b + 148);
    h.storage = I32At(b + 152);

    if (h.nx < 2 || h.ny < 2 ||
        static_cast<std::uint64_t>(h.nx) * static_cast<std::uint64_t>(h.ny) > kMaxWorkNodes) {
        return DmfStatus::BadGrid;
    }
    const double xMax = h.origin[0] + (h.nx - 1) * h.pitchX;
    const double yMax = h.origin[1] + (h.ny - 1) * h.pitchX;
    if (!std::isfinite(h.pitchX) || !(h.pitchX > 0.0) || !std::isfinite(h.pitchY) ||
        !std::isfinite(h.unit) || !std::isfinite(h.origin[0]) || !std::isfinite(h.origin[1]) ||
        !std::isfinite(xMax) || !std::isfinite(yMax)) {
        return DmfStatus::BadGrid;
    }
    if (file.size != DmfFileLength(h)) return DmfStatus::BadLength;
    return DmfStatus::Ok;
}

DmfStatus ReadDmfBody(DmfFile& file, const DmfHeader& h, WorkModel& work, DmfContext& ctx) {
    if (file.fp == nullptr) return DmfStatus::NotOpened;
    if (work.height == nullptr || work.attr == nullptr || work.nx != h.nx || work.ny != h.ny ||
        work.cellCount != static_cast<std::uint64_t>(h.nx) * static_cast<std::uint64_t>(h.ny)) {
        return DmfStatus::BadGrid;
    }
    try {
        return ReadBodyUnchecked(file, h, work, ctx);
    } catch (const std::bad_alloc&) {
        return DmfStatus::MemoryOver;
    }
}

DmfStatus ReadDmfHeights(DmfFile& file, const DmfHeader& h, float* heights, std::size_t count,
                         double& pitchY, DmfContext& ctx) {
    if (file.fp == nullptr) return DmfStatus::NotOpened;
    const auto n = static_cast<std::uint64_t>(h.nx) * static_cast<std::uint64_t>(h.ny);
    if (heights == nullptr || count != n) return DmfStatus::BadGrid;
    pitchY = h.pitchY;
    SetUnit(h, ctx);
    try {
        if (h.storage == kDmfStorageUniform) {
            unsigned char top[4];
            if (!ReadExact(file, top, sizeof top)) return DmfStatus::ReadFailed;
            std::fill_n(heights, count, HeightOf(top, h, ctx.unit));
            return DmfStatus::Ok;
        }
        double zMax = kZMaxStart;
        return ReadRows(file, h, ctx.unit, heights, zMax) ? DmfStatus::Ok : DmfStatus::ReadFailed;
    } catch (const std::bad_alloc&) {
        return DmfStatus::MemoryOver;
    }
}

void CloseDmf(DmfFile& file) {
    if (file.fp != nullptr) std::fclose(file.fp);
    file = DmfFile{};
}

DmfStatus LoadDmf(const std::string& path, WorkModel& work, DmfContext& ctx,
                  std::optional<std::uint64_t> availableMemory) {
    DmfFile file;
    DmfStatus status = OpenDmf(file, path);
    DmfHeader h;
    if (status == DmfStatus::Ok) status = ReadDmfHeader(file, h);
    if (status == DmfStatus::Ok) {
        // The old work stays while the new one is read: all of the new
        // arrays and one row buffer come on top of it.
        const std::uint64_t need = WorkBytes(h.nx, h.ny, work.dataLevel) + 4 * static_cast<std::uint64_t>(h.nx);
        if (!FitsInMemory(need, availableMemory)) status = DmfStatus::MemoryOver;
    }
    if (status != DmfStatus::Ok) {
        CloseDmf(file);
        return status;
    }
    WorkModel fresh;
    fresh.pitch = h.pitchX;
    if (!AllocateWork(fresh, h.nx, h.ny, work.dataLevel, true)) {
        CloseDmf(file);
        return DmfStatus::MemoryOver;
    }
    DmfContext next = ctx;
    status = ReadDmfBody(file, h, fresh, next);
    CloseDmf(file);
    if (status != DmfStatus::Ok) return status;
    std::swap(work, fresh);
    // A work shared with other processes stays shared.
    if (fresh.sharing) (void)TakeSharing(work, std::move(fresh.sharing));
    ctx = next;
    return DmfStatus::Ok;
}

int CheckDmfGrid(const std::string& path, const WorkModel& work) {
    DmfFile file;
    DmfHeader h;
    DmfStatus status = OpenDmf(file, path);
    if (status == DmfStatus::Ok) status = ReadDmfHeader(file, h);
    CloseDmf(file);
    if (status != DmfStatus::Ok) return 1;
    if (std::fabs(h.origin[0] - work.xMin) > kOriginTolerance ||
        std::fabs(h.origin[1] - work.yMin) > kOriginTolerance) {
        return 2;
    }
    if (h.nx != work.nx || h.ny != work.ny) return 3;
    if (h.pitchY != work.pitch) return 4;
    return 0;
}

std::optional<MsgId> DmfLoadMessage(DmfStatus status) {
    switch (status) {
        case DmfStatus::Ok: return std::nullopt;
        case DmfStatus::NotOpened: return MsgId::DmfNotOpened;
        case DmfStatus::BadMagic: return MsgId::DmfBadMagic;
        case DmfStatus::BadGrid: return MsgId::DmfBadGrid;
        case DmfStatus::BadLength: return MsgId::DmfBadLength;
        case DmfStatus::ReadFailed: return MsgId::DmfReadFailed;
        case DmfStatus::MemoryOver: return MsgId::MemoryOver;
    }
    return std::nullopt;
}

}  // namespace morvex
