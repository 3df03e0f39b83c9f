// Saving the work as a DMF file at one of the three save levels.
//
// Implementation notes:
// - The file goes out through a ReplacedFile: written beside `path`, renamed
//   over it when complete, so a failed save (folder not writable, disk
//   full, file size limit) leaves the previous file whole. The header words
//   go through the same writer: a failure there is just as real.
// - Out of memory from the system (ENOMEM, ENOBUFS) reports
//   kDmfResourceOver; any other failure kDmfWriteFailed.
// - Numbers are encoded little-endian byte by byte, so the layout does not
//   depend on the host; heights, attribute bytes and line numbers go out in
//   blocks of whole rows, about 256 KB a write.
// - Integer heights: half away from zero in double precision, trunc(v + 0.5)
//   for v > 0 and trunc(v - 0.5) otherwise; the uniform height and the
//   bottom use v = z / unit, the full-grid rows v = z * (1 / unit), with the
//   unit being the single-precision unit widened to double.

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "workio/dmf_file.h"
#include "workio/replaced_file.h"

namespace morvex {
namespace {

std::uint32_t FloatBits(float v) {
    std::uint32_t u = 0;
    std::memcpy(&u, &v, 4);
    return u;
}

class Buffer {
public:
    std::vector<unsigned char> bytes;

    void I32(std::int32_t v) { U32(static_cast<std::uint32_t>(v)); }
    void U32(std::uint32_t v) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<unsigned char>(v >> (8 * i)));
    }
    void F32(float v) { U32(FloatBits(v)); }
    void F64(double v) {
        std::uint64_t u = 0;
        std::memcpy(&u, &v, 8);
        for (int i = 0; i < 8; ++i) bytes.push_back(static_cast<unsigned char>(u >> (8 * i)));
    }
};

// The DMF body goes out through a replaced file.
struct Writer {
    ReplacedFile& file;
    bool WriteBlock(const unsigned char* data, std::size_t size) { return WriteBytes(file, data, size); }
    bool Write(const Buffer& b) { return WriteBlock(b.bytes.data(), b.bytes.size()); }
};

double Unit(const DmfContext& ctx) { return static_cast<double>(ctx.unit); }

void PutHeight(Buffer& b, double z, const DmfContext& ctx) {
    if (ctx.intHeights) {
        b.I32(DmfCountOf(z / Unit(ctx)));
    } else {
        b.F32(static_cast<float>(z));
    }
}

// One 32-bit word per node, word(i) for node i in index order, little-endian,
// in blocks of whole rows (about 256 KB) rather than a write per row.
template <class Word>
bool WriteNodes(Writer& w, const WorkModel& work, Word&& word) {
    const std::size_t nodes = work.cellCount;
    const std::size_t nx = static_cast<std::size_t>(work.nx);
    const std::size_t block = std::max<std::size_t>(1, (std::size_t{1} << 16) / nx) * nx;
    std::vector<unsigned char> bytes(4 * std::min(block, nodes));
    for (std::size_t from = 0; from < nodes; from += block) {
        const std::size_t n = std::min(block, nodes - from);
        unsigned char* out = bytes.data();
        for (std::size_t i = 0; i < n; ++i, out += 4) {
            const std::uint32_t v = word(from + i);
            out[0] = static_cast<unsigned char>(v);
            out[1] = static_cast<unsigned char>(v >> 8);
            out[2] = static_cast<unsigned char>(v >> 16);
            out[3] = static_cast<unsigned char>(v >> 24);
        }
        if (!w.WriteBlock(bytes.data(), 4 * n)) return false;
    }
    return true;
}

bool WriteBody(Writer& w, const WorkModel& work, DmfContext& ctx) {
    const bool linesKept = work.lineNo != nullptr;
    const std::int32_t code = DmfSaveCode(ctx.saveLevel, linesKept);
    const std::int32_t storage = (work.workState >= 0 && work.workState <= 2) ? 2 - work.workState : 0;

    ctx.matrix[9] = work.xMin;
    ctx.matrix[10] = work.yMin;
    ctx.matrix[11] = 0.0;

    Buffer head;
    head.bytes.assign(kDmfMagic, kDmfMagic + kDmfMagicSize);
    for (double m : ctx.matrix) head.F64(m);
    head.I32(work.nx);
    head.I32(work.ny);
    head.I32(2);
    head.F64(work.pitch);
    head.F64(work.pitch);
    head.F64(ctx.intHeights ? Unit(ctx) : 0.0);
    head.I32(code);
    head.I32(storage);

    if (storage == kDmfStorageUniform) {
        PutHeight(head, work.height[0], ctx);
        if (code > 0) head.bytes.push_back(work.attr[0]);
        if (code > 1) head.I32(work.lineNo[0]);
        if (!w.Write(head)) return false;
    } else {
        if (!w.Write(head)) return false;
        const double inverse = 1.0 / Unit(ctx);
        const bool counts = ctx.intHeights;
        if (!WriteNodes(w, work, [&](std::size_t i) {
                return counts ? static_cast<std::uint32_t>(DmfCountOf(static_cast<double>(work.height[i]) * inverse))
                              : FloatBits(work.height[i]);
            })) {
            return false;
        }
        if (code > 0 && !w.WriteBlock(work.attr, work.cellCount)) return false;
        if (code > 1 &&
            !WriteNodes(w, work, [&](std::size_t i) { return static_cast<std::uint32_t>(work.lineNo[i]); })) {
            return false;
        }
    }

    Buffer bottom;
    bottom.I32(0);
    bottom.I32(1);
    PutHeight(bottom, work.zMin, ctx);
    return w.Write(bottom);
}

}  // namespace

std::int32_t DmfSaveCode(int saveLevel, bool lineNumbersKept) {
    if (saveLevel == 2) return kDmfCodeAttributes;
    if (saveLevel == 3) return lineNumbersKept ? kDmfCodeLineNumbers : kDmfCodeAttributes;
    return kDmfCodeHeights;
}

std::int32_t DmfCountOf(double scaled) {
    const double r = std::trunc(scaled > 0.0 ? scaled + 0.5 : scaled - 0.5);
    if (std::isnan(r)) return 0;
    if (r >= static_cast<double>(std::numeric_limits<std::int32_t>::max())) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (r <= static_cast<double>(std::numeric_limits<std::int32_t>::min())) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(r);
}

int SaveDmf(const std::string& path, const WorkModel& work, DmfContext& ctx) {
    if (work.height == nullptr || work.attr == nullptr || work.nx < 1 || work.ny < 1) {
        return kDmfWriteFailed;
    }
    try {
        ReplacedFile file;
        if (!BeginReplace(file, path)) return FinishReplace(file, false);
        Writer w{file};
        return FinishReplace(file, WriteBody(w, work, ctx));
    } catch (const std::bad_alloc&) {
        return kDmfResourceOver;
    }
}

std::optional<MsgId> DmfSaveMessage(int result) {
    if (result == kDmfSaved) return std::nullopt;
    return result == kDmfResourceOver ? MsgId::DmfResourceOver : MsgId::DmfWriteError;
}

std::optional<MsgId> DmfSaveTitle(int result) {
    if (result == kDmfSaved) return std::nullopt;
    return result == kDmfResourceOver ? MsgId::DmfResourceOverTitle : MsgId::DmfDiskOverTitle;
}

}  // namespace morvex
