// The bands split the pixel rows the surface can reach, not the whole
// rectangle, so that a work drawn small in a large picture still keeps every
// thread busy.
#include "view/surface_bands.h"

#include <algorithm>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "view/pixel_fill.h"
#include "view/surface_fill.h"

namespace morvex {
namespace {

constexpr long long kThreadedCells = 200000;  // fewer: one thread is quicker than starting more
constexpr long long kThreadedPixels = 256 * 256;
constexpr int kMaxThreads = 4;
constexpr int kBandsPerThread = 4;
constexpr int kMinBandRows = 16;

// The pixel rows of `reach` that some cell row reaches.
QRect SurfaceRows(const ProjectedGrid& g, const QRect& reach) {
    if (g.rowSpans.empty()) return reach;
    int top = INT16_MAX, bottom = INT16_MIN;
    for (const CellSpan& s : g.rowSpans) {
        top = std::min<int>(top, s.y0);
        bottom = std::max<int>(bottom, s.y1);
    }
    return reach.intersected(QRect(reach.left(), top, reach.width(), bottom - top + 1));
}

}  // namespace

int SurfaceThreads(const ProjectedGrid& g, const QRect& reach) {
    const long long cells = static_cast<long long>(g.rows.size() > 1 ? g.rows.size() - 1 : 0) *
                            static_cast<long long>(g.columns.size() > 1 ? g.columns.size() - 1 : 0);
    const long long pixels = static_cast<long long>(reach.width()) * reach.height();
    const int processors = static_cast<int>(std::thread::hardware_concurrency());
    if (cells < kThreadedCells || pixels < kThreadedPixels || processors < 2) return 1;
    return std::min(processors, kMaxThreads);
}

void FillSurfaceInBands(QImage& image, const QRect& reach, const WorkModel& w, const ViewState& v,
                        const RenderStyle& s, const ProjectedGrid& g, int threads) {
    const QRect rows = SurfaceRows(g, reach.intersected(image.rect()));
    if (rows.isEmpty()) return;
    threads = std::clamp(threads, 1, kMaxThreads * 2);
    const int bands = threads == 1 ? 1 : std::clamp(rows.height() / kMinBandRows, 1, threads * kBandsPerThread);
    // Every fill takes the image's pixels here, on the calling thread, so
    // that the image is detached once and before any thread writes.
    std::vector<QRect> rects;
    std::vector<PixelFill> fills;
    rects.reserve(static_cast<std::size_t>(bands));
    fills.reserve(static_cast<std::size_t>(bands));
    for (int i = 0; i < bands; ++i) {
        const int top = rows.top() + rows.height() * i / bands;
        const int bottom = rows.top() + rows.height() * (i + 1) / bands - 1;
        rects.emplace_back(QRect(rows.left(), top, rows.width(), bottom - top + 1));
        fills.emplace_back(image, rects.back());
    }
    std::mutex mutex;
    int next = 0;  // the first band not yet taken
    auto drawBands = [&] {
        for (;;) {
            int i;
            {
                std::lock_guard lock(mutex);
                if (next == bands) return;
                i = next++;
            }
            const std::size_t k = static_cast<std::size_t>(i);
            FillSurface(fills[k], rects[k], w, v, s, g);
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(static_cast<std::size_t>(threads));
    for (int i = 1; i < threads && i < bands; ++i) {
        try {
            workers.emplace_back(drawBands);
        } catch (const std::system_error&) {
            break;  // the threads there are take the rest
        }
    }
    drawBands();
    for (std::thread& t : workers) t.join();
}

}  // namespace morvex
