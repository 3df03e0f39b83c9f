/* flat_bottom_sim: a simulation module that cuts with a flat-bottomed
 * cylinder of the tool's diameter.
 *
 * For every line motion the program hands over, each node of the work
 * whose XY position lies within half the tool diameter of the motion's XY
 * segment is lowered to the motion's lowest Z (never raised). Rapids and
 * arcs are not cut: MVSIMPATHTYPE asks for lines only.
 *
 * Build: cc -shared -fPIC -I<morvex>/include flat_bottom_sim.c -o mvsim.so
 * and place mvsim.so next to the morvex program. */
#include <string.h>

#include "morvex/plugin.h"

/* What the program handed over for this command (valid until MVSIMEND). */
static float* g_height;
static int32_t* g_lineNo;
static int32_t g_nx, g_ny;
static double g_pitch, g_xMin, g_yMin;
static double g_radius; /* half the diameter of the tool in the spindle */

void MVSIMMENUITEM(int32_t* language, char text[MV_TEXT_SIZE]) {
    /* The program appends " or F8" for the first module. */
    if (*language == 1) {
        strncpy(text, "Flat Bottom Cut(&B)", MV_TEXT_SIZE - 1);
    } else {
        strncpy(text, "平底カット(&B)", MV_TEXT_SIZE - 1);
    }
}

void MVSIMINIT(int32_t* flag) { *flag = 1; }

void MVSIMPARAMETER(int32_t* flag) { *flag = 1; /* no dialog: always go */ }

void MVSIMPATHTYPE(int32_t* rapid, int32_t* line, int32_t* arc) {
    *rapid = 0;
    *line = 1;
    *arc = 0;
}

void MVSIMGETWORK(int32_t* param, float* height, uint8_t* attr, int32_t* lineNo, const int32_t* nx,
                  const int32_t* ny, const double* pitch, const double origin[3], const double extent[3]) {
    (void)param;
    (void)attr;
    (void)extent;
    g_height = height;
    g_lineNo = lineNo;
    g_nx = *nx;
    g_ny = *ny;
    g_pitch = *pitch;
    g_xMin = origin[0];
    g_yMin = origin[1];
}

void MVSIMSTART(int32_t* param) { (void)param; }

void MVSIMGETTOOL(const int32_t* number, const int32_t* shape, const float* d, const float* r, const float* e,
                  const float* f, const float* alpha, const float* beta, const float* tipWidth, const float* h,
                  const float* shift) {
    (void)number, (void)shape, (void)r, (void)e, (void)f, (void)alpha, (void)beta, (void)tipWidth, (void)h;
    (void)shift;
    g_radius = *d > 0.0f ? *d / 2.0 : 0.0;
}

/* Node index range [lo, hi] covering lo..hi mm along an axis from `min`. */
static void Span(double lo, double hi, double min, int32_t count, int32_t* first, int32_t* last) {
    const double a = (lo - min) / g_pitch, b = (hi - min) / g_pitch;
    *first = a < 0.0 ? 0 : (a > (double)count ? count : (int32_t)a);
    *last = b >= (double)(count - 1) ? count - 1 : (b < 0.0 ? -1 : (int32_t)b + 1);
}

void MVSIMCUTWORK(int32_t* param, const MvMotion* motion, const MvTool* tool, float* height, uint8_t* attr,
                  int32_t* lineNo, const int32_t* nx, const int32_t* ny, int32_t* result) {
    (void)param, (void)tool, (void)attr, (void)nx, (void)ny;
    *result = 0;
    if (height != g_height || motion->type != MV_LINE || g_radius <= 0.0) return;
    const double x0 = motion->start[0], y0 = motion->start[1];
    const double dx = motion->end[0] - x0, dy = motion->end[1] - y0;
    const double bottom = motion->start[2] < motion->end[2] ? motion->start[2] : motion->end[2];
    const float level = (float)bottom;
    const double r2 = g_radius * g_radius, len2 = dx * dx + dy * dy;
    int32_t ix0, ix1, iy0, iy1;
    Span((dx < 0 ? x0 + dx : x0) - g_radius, (dx < 0 ? x0 : x0 + dx) + g_radius, g_xMin, g_nx, &ix0, &ix1);
    Span((dy < 0 ? y0 + dy : y0) - g_radius, (dy < 0 ? y0 : y0 + dy) + g_radius, g_yMin, g_ny, &iy0, &iy1);
    for (int32_t iy = iy0; iy <= iy1; ++iy) {
        for (int32_t ix = ix0; ix <= ix1; ++ix) {
            /* Distance squared from the node to the segment in XY. */
            const double px = g_xMin + ix * g_pitch - x0, py = g_yMin + iy * g_pitch - y0;
            double t = len2 > 0.0 ? (px * dx + py * dy) / len2 : 0.0;
            t = t < 0.0 ? 0.0 : (t > 1.0 ? 1.0 : t);
            const double ex = px - t * dx, ey = py - t * dy;
            if (ex * ex + ey * ey > r2) continue;
            float* z = &height[(long)iy * g_nx + ix];
            if (*z <= level) continue;
            *z = level;
            if (lineNo != NULL) lineNo[(long)iy * g_nx + ix] = motion->line;
            *result = 1;
        }
    }
}

void MVSIMEND(void) {
    /* The arrays are the program's again. */
    g_height = NULL;
    g_lineNo = NULL;
}

void MVSIMFREE(void) {}
