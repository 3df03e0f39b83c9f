// Writing the work as VRML 2.0.
//
// Implementation notes:
// - Text is built in a buffer and handed on in blocks, either as it is or
//   through zlib's deflate with a gzip wrapper.
// - Points form (ElevationGrid): heights row by row from the last row down
//   to row 0, relative to the grid's own origin.
// - Facet form (IndexedFaceSet): every top node is a point (none is left
//   out), then the bottom corners of the edge nodes in counter-clockwise
//   order seen from above. Faces: a quad per cell, a quad per edge segment
//   for the walls, and the bottom as one index run; all wound
//   counter-clockwise seen from outside, so the solid's faces point out.
//   Walls are quads rather than one polygon per side: a side's outline
//   follows the cut and need not be convex, which viewers triangulate
//   wrongly. A node below the work bottom is written at the bottom, as in
//   the STL solid.
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <new>
#include <vector>

#include "workio/vrml_file.h"

namespace morvex {
namespace {

constexpr std::size_t kFlushAt = 1 << 20;

struct VrmlOut {
    ReplacedFile file;
    bool gzip = false;
    z_stream zs{};
    bool zOpen = false;
    std::vector<char> text;
    std::vector<unsigned char> packed;

    bool Start(const std::string& path) {
        text.reserve(kFlushAt + 4096);
        if (gzip) {
            if (deflateInit2(&zs, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
                return false;
            }
            zOpen = true;
            packed.resize(1 << 16);
        }
        return BeginReplace(file, path);
    }

    // Hands the buffered text on; with finish, ends the gzip stream.
    bool Flush(bool finish) {
        bool ok = true;
        if (!gzip) {
            ok = WriteBytes(file, text.data(), text.size());
        } else {
            zs.next_in = reinterpret_cast<Bytef*>(text.data());
            zs.avail_in = static_cast<uInt>(text.size());
            int rc = Z_OK;
            do {
                zs.next_out = packed.data();
                zs.avail_out = static_cast<uInt>(packed.size());
                rc = deflate(&zs, finish ? Z_FINISH : Z_NO_FLUSH);
                if (rc == Z_STREAM_ERROR) return false;
                const std::size_t n = packed.size() - zs.avail_out;
                if (n > 0 && !WriteBytes(file, packed.data(), n)) return false;
            } while (zs.avail_out == 0 || (finish && rc != Z_STREAM_END));
        }
        text.clear();
        return ok;
    }

    bool Put(const char* s) {
        text.insert(text.end(), s, s + std::char_traits<char>::length(s));
        return text.size() < kFlushAt || Flush(false);
    }
    template <class... Args>
    bool Printf(const char* format, Args... args) {
        char line[256];
        const int n = std::snprintf(line, sizeof line, format, args...);
        text.insert(text.end(), line, line + std::clamp(n, 0, static_cast<int>(sizeof line) - 1));
        return text.size() < kFlushAt || Flush(false);
    }

    ~VrmlOut() {
        if (zOpen) deflateEnd(&zs);
    }
};

bool Header(VrmlOut& out, std::uint32_t color) {
    const double r = (color & 0xFF) * 0.00392156862745098;
    const double g = ((color >> 8) & 0xFF) * 0.00392156862745098;
    const double b = ((color >> 16) & 0xFF) * 0.00392156862745098;
    return out.Put("#VRML V2.0 utf8\nShape {\n appearance Appearance {\n  material Material {\n") &&
           out.Printf("   diffuseColor %f %f %f\n", r, g, b) && out.Put("  }\n }\n");
}

bool Points(VrmlOut& out, const WorkModel& w) {
    if (!out.Put(" geometry ElevationGrid {\n") || !out.Printf("  xDimension %d\n  zDimension %d\n", w.nx, w.ny) ||
        !out.Printf("  xSpacing %f\n  zSpacing %f\n", w.pitch, w.pitch) || !out.Put("  height[\n")) {
        return false;
    }
    for (int iy = w.ny - 1; iy >= 0; --iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const double h = w.height[NodeIndex(w, ix, iy)];
            const bool last = iy == 0 && ix == w.nx - 1;
            if (!out.Printf(last ? "  %f\n" : "  %f,\n", h)) return false;
        }
    }
    return out.Put("  ]\n }\n}\n");
}

// The edge nodes in counter-clockwise order seen from above.
std::vector<std::pair<int, int>> Outline(const WorkModel& w) {
    std::vector<std::pair<int, int>> edge;
    const int lx = w.lastX, ly = w.lastY;
    for (int ix = 0; ix < lx; ++ix) edge.emplace_back(ix, 0);
    for (int iy = 0; iy < ly; ++iy) edge.emplace_back(lx, iy);
    for (int ix = lx; ix > 0; --ix) edge.emplace_back(ix, ly);
    for (int iy = ly; iy > 0; --iy) edge.emplace_back(0, iy);
    return edge;
}

bool Facets(VrmlOut& out, const WorkModel& w) {
    const double bottom = w.zMin;
    if (!out.Put("  geometry IndexedFaceSet {\n    coord Coordinate {\n      point [\n")) return false;
    const std::vector<std::pair<int, int>> edge = Outline(w);
    const std::size_t total = w.cellCount + edge.size();
    std::size_t written = 0;
    auto point = [&](double x, double y, double z) {
        ++written;
        return out.Printf(written == total ? "        %f %f %f\n" : "        %f %f %f,\n", x, y, z);
    };
    for (int iy = 0; iy < w.ny; ++iy) {
        for (int ix = 0; ix < w.nx; ++ix) {
            const double h = std::max(static_cast<double>(w.height[NodeIndex(w, ix, iy)]), bottom);
            if (!point(w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, h)) return false;
        }
    }
    for (const auto& [ix, iy] : edge) {
        if (!point(w.xMin + ix * w.pitch, w.yMin + iy * w.pitch, bottom)) return false;
    }
    if (!out.Put("      ]\n    }\n    coordIndex [\n")) return false;
    auto top = [&](int ix, int iy) { return static_cast<long long>(NodeIndex(w, ix, iy)); };
    for (int iy = 0; iy < w.lastY; ++iy) {
        for (int ix = 0; ix < w.lastX; ++ix) {
            if (!out.Printf("  %lld %lld %lld %lld -1,\n", top(ix, iy), top(ix + 1, iy), top(ix + 1, iy + 1),
                            top(ix, iy + 1))) {
                return false;
            }
        }
    }
    const auto base = static_cast<long long>(w.cellCount);
    const auto n = static_cast<long long>(edge.size());
    for (long long k = 0; k < n; ++k) {
        const long long next = (k + 1) % n;
        const auto [ax, ay] = edge[static_cast<std::size_t>(k)];
        const auto [bx, by] = edge[static_cast<std::size_t>(next)];
        if (!out.Printf("  %lld %lld %lld %lld -1,\n", base + k, base + next, top(bx, by), top(ax, ay))) return false;
    }
    // The bottom, seen from below: the outline backwards.
    for (long long k = n - 1; k >= 2; --k) {
        if (!out.Printf("%lld,\n", base + k)) return false;
    }
    return out.Printf("%lld %lld -1,\n", base + 1, base) && out.Put("    ]\n  }\n}\n");
}

}  // namespace

int WriteVrml(const std::string& path, const WorkModel& work, const VrmlOptions& options) {
    if (work.height == nullptr || work.nx < 2 || work.ny < 2) return kFileWriteFailed;
    try {
        VrmlOut out;
        out.gzip = options.gzip;
        if (!out.Start(path)) return FinishReplace(out.file, false);
        bool ok = Header(out, options.color);
        ok = ok && (options.form == kVrmlPoints ? Points(out, work) : Facets(out, work));
        ok = ok && out.Flush(true);
        return FinishReplace(out.file, ok);
    } catch (const std::bad_alloc&) {
        return kFileResourceOver;
    }
}

}  // namespace morvex
