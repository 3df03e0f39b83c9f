// Writing the work as an STL solid.
//
// Implementation notes:
// - The solid is the top surface (two triangles per grid cell, split as
//   (p0, p1, p2) and (p3, p2, p1) with p0..p3 the cell's corners in grid
//   order), four walls down to the bottom (each edge segment a quad split
//   the same way) and the bottom, a fan from its centre to every edge
//   segment. Every edge of the solid is shared by exactly two triangles and
//   all normals face outwards, so mesh tools read it as one closed solid;
//   a fan keeps the bottom at four triangles per edge node instead of two
//   per cell.
// - A node below the work bottom (cut through) is written at the bottom:
//   the solid stays closed and its volume is that of the material left.
// - Normals: the cross product of the first two edges from the first
//   vertex, divided by its length; a triangle whose normal has no length is
//   left out (a wall where the top meets the bottom).
// - Binary records are built in a buffer and written in large blocks; the
//   count at offset 80 is patched in at the end. Text uses "%f".
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "base/paths.h"
#include "workio/replaced_file.h"
#include "workio/stl_file.h"

namespace morvex {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;

struct StlOut {
    ReplacedFile file;
    int type = kStlText;
    std::vector<char> buf;
    std::uint64_t count = 0;

    bool Flush() {
        const bool ok = WriteBytes(file, buf.data(), buf.size());
        buf.clear();
        return ok;
    }

    void PutU32(std::uint32_t u) {
        char b[4];
        if (type == kStlBinaryBig) {
            for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(u >> (24 - 8 * i));
        } else {
            for (int i = 0; i < 4; ++i) b[i] = static_cast<char>(u >> (8 * i));
        }
        buf.insert(buf.end(), b, b + 4);
    }
    void PutF32(double v) {
        const auto f = static_cast<float>(v);
        std::uint32_t u = 0;
        std::memcpy(&u, &f, 4);
        PutU32(u);
    }

    // One triangle; false only when a write failed.
    bool Triangle(const Point& p0, const Point& p1, const Point& p2) {
        const double ux = p1[0] - p0[0], uy = p1[1] - p0[1], uz = p1[2] - p0[2];
        const double vx = p2[0] - p0[0], vy = p2[1] - p0[1], vz = p2[2] - p0[2];
        double n[3] = {uy * vz - uz * vy, uz * vx - ux * vz, ux * vy - uy * vx};
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        if (!(length > 0.0)) return true;
        for (double& c : n) c /= length;
        const Point* corners[3] = {&p0, &p1, &p2};
        if (type == kStlText) {
            char text[512];
            int k = std::snprintf(text, sizeof text, "  facet normal %f %f %f\n    outer loop\n", n[0], n[1], n[2]);
            buf.insert(buf.end(), text, text + std::clamp(k, 0, static_cast<int>(sizeof text) - 1));
            for (const Point* p : corners) {
                k = std::snprintf(text, sizeof text, "      vertex %f %f %f\n", (*p)[0], (*p)[1], (*p)[2]);
                buf.insert(buf.end(), text, text + std::clamp(k, 0, static_cast<int>(sizeof text) - 1));
            }
            static constexpr char kEnd[] = "    endloop\n  endfacet\n";
            buf.insert(buf.end(), kEnd, kEnd + sizeof kEnd - 1);
        } else {
            for (double c : n) PutF32(c);
            for (const Point* p : corners) {
                for (std::size_t i = 0; i < 3; ++i) PutF32((*p)[i]);
            }
            buf.push_back(0);
            buf.push_back(0);
        }
        ++count;
        return buf.size() < kFlushAt || Flush();
    }

    bool Quad(const Point& p0, const Point& p1, const Point& p2, const Point& p3) {
        return Triangle(p0, p1, p2) && Triangle(p3, p2, p1);
    }
};

bool WriteSolid(StlOut& out, const WorkModel& w) {
    const double bottom = w.zMin;
    auto top = [&](int ix, int iy) {
        const double h = std::max(static_cast<double>(w.height[NodeIndex(w, ix, iy)]), bottom);
        return Point{w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, h};
    };
    auto low = [&](int ix, int iy) { return Point{w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, bottom}; };
    const int lx = w.lastX, ly = w.lastY;
    for (int iy = 0; iy < ly; ++iy) {
        for (int ix = 0; ix < lx; ++ix) {
            if (!out.Quad(top(ix, iy), top(ix + 1, iy), top(ix, iy + 1), top(ix + 1, iy + 1))) return false;
        }
    }
    // Walls, each quad ordered so that its normal faces outwards.
    for (int ix = 0; ix < lx; ++ix) {
        if (!out.Quad(low(ix, 0), low(ix + 1, 0), top(ix, 0), top(ix + 1, 0))) return false;
        if (!out.Quad(low(ix + 1, ly), low(ix, ly), top(ix + 1, ly), top(ix, ly))) return false;
    }
    for (int iy = 0; iy < ly; ++iy) {
        if (!out.Quad(low(0, iy + 1), low(0, iy), top(0, iy + 1), top(0, iy))) return false;
        if (!out.Quad(low(lx, iy), low(lx, iy + 1), top(lx, iy), top(lx, iy + 1))) return false;
    }
    // The bottom: a fan from its centre over the edge segments, facing down.
    const Point centre{w.xMin + 0.5 * lx * w.pitch, w.yMin + 0.5 * ly * w.pitch, bottom};
    for (int ix = 0; ix < lx; ++ix) {
        if (!out.Triangle(centre, low(ix + 1, 0), low(ix, 0))) return false;
        if (!out.Triangle(centre, low(ix, ly), low(ix + 1, ly))) return false;
    }
    for (int iy = 0; iy < ly; ++iy) {
        if (!out.Triangle(centre, low(0, iy), low(0, iy + 1))) return false;
        if (!out.Triangle(centre, low(lx, iy + 1), low(lx, iy))) return false;
    }
    return true;
}

// Triangles of the solid at most: two per cell and per edge segment, one
// per bottom segment.
std::uint64_t MostTriangles(const WorkModel& w) {
    const auto lx = static_cast<std::uint64_t>(w.lastX), ly = static_cast<std::uint64_t>(w.lastY);
    return 2 * lx * ly + 6 * (lx + ly);
}

}  // namespace

int WriteStl(const std::string& path, const WorkModel& work, int type) {
    if (work.height == nullptr || work.nx < 2 || work.ny < 2) return kFileWriteFailed;
    if (type != kStlText && type != kStlBinaryLittle && type != kStlBinaryBig) return kFileWriteFailed;
    // A binary count is 32 bits wide.
    if (type != kStlText && MostTriangles(work) > std::numeric_limits<std::uint32_t>::max()) return kFileWriteFailed;
    try {
        StlOut out;
        out.type = type;
        out.buf.reserve(kFlushAt + 1024);
        if (!BeginReplace(out.file, path)) return FinishReplace(out.file, false);
        if (type == kStlText) {
            static constexpr char kSolid[] = "solid\n";
            out.buf.insert(out.buf.end(), kSolid, kSolid + sizeof kSolid - 1);
        } else {
            // The title and one blank, then zeros; the count follows.
            char header[kStlHeaderSize] = {};
            const std::string title = FileTitle(path).substr(0, kStlHeaderSize - 1) + " ";
            std::memcpy(header, title.data(), title.size());
            out.buf.insert(out.buf.end(), header, header + kStlHeaderSize);
            out.PutU32(0);
        }
        bool ok = WriteSolid(out, work);
        if (ok && type == kStlText) {
            static constexpr char kEnd[] = "endsolid\n";
            out.buf.insert(out.buf.end(), kEnd, kEnd + sizeof kEnd - 1);
        }
        ok = ok && out.Flush();
        if (ok && type != kStlText) {
            out.PutU32(static_cast<std::uint32_t>(out.count));
            ok = WriteBytesAt(out.file, kStlHeaderSize, out.buf.data(), 4);
        }
        return FinishReplace(out.file, ok);
    } catch (const std::bad_alloc&) {
        return kFileResourceOver;
    }
}

}  // namespace morvex
