/*
 * helix_reader: an example NC reader module. Install it next to the morvex
 * program as mvread.so (or mvread1.so .. mvread3.so).
 *
 * It reads files whose name ends with ".HLX" (any letter case). The file
 * holds one line of eight numbers, separated by blanks:
 *
 *     centre-x centre-y radius top bottom pitch tool feed
 *
 * for example "20 20 6 0 -3 1 1 600". Lines starting with '#' and empty
 * lines are passed over. The module then delivers:
 *
 *   1. a tool change to `tool` (motion type 1000 + tool),
 *   2. a rapid to (centre-x + radius, centre-y, top),
 *   3. the helix down from `top` to `bottom`, counter-clockwise, `pitch` mm
 *      deeper per turn, as quarter-turn arcs in the XY plane (the last one
 *      ends at `bottom`; choose top - bottom as a multiple of pitch / 4 to
 *      keep every quarter on the same helix),
 *   4. one full flat turn at `bottom` (four quarters), to clean the floor,
 *   5. a rapid straight up to `top`.
 *
 * Line numbers are left to the program (0: it counts on by one). The start
 * point is the first rapid's end raised by 5 mm.
 */
#include <math.h>
#include <stdio.h>
#include <string.h>

#include "morvex/plugin.h"

static const double kPi = 3.14159265358979323846;

static struct {
    double cx, cy, r, top, bottom, pitch, feed;
    int tool;
    int step;      /* the next motion to deliver */
    int quarters;  /* quarter turns of the helix */
} helix;

void MVREADSUFFIX(char suffix[MV_SUFFIX_SIZE]) { strcpy(suffix, ".HLX"); }

void MVREADINIT(int32_t* flag) { *flag = 1; }

void MVREADKIND(int32_t* language, char text[MV_TEXT_SIZE]) {
    *language = 1;
    strcpy(text, "Helix (*.HLX)");
}

void MVREADPATHCOLOR(int32_t* use, uint32_t colors[MV_PATH_COLORS]) {
    /* rapids grey, cutting green, arcs orange, tool changes red */
    static const uint32_t mine[MV_PATH_COLORS] = {0x808080, 0x808080, 0x808080, 0x00A000, 0x00A000,
                                                  0x00A000, 0xFF8000, 0xFF8000, 0xFF8000, 0xFF0000};
    memcpy(colors, mine, sizeof mine);
    *use = 1;
}

void MVREADOPEN(const char* ncFile, int32_t* flag) {
    char line[256];
    FILE* f = fopen(ncFile, "r");
    int read = 0;
    if (f == NULL) return; /* flag stays 0: cannot be opened */
    while (fgets(line, sizeof line, f) != NULL) {
        if (line[0] == '#' || line[0] == '\n' || line[0] == '\r') continue;
        read = sscanf(line, "%lf %lf %lf %lf %lf %lf %d %lf", &helix.cx, &helix.cy, &helix.r, &helix.top,
                      &helix.bottom, &helix.pitch, &helix.tool, &helix.feed);
        break;
    }
    fclose(f);
    if (read != 8 || !(helix.r > 0.0) || !(helix.pitch > 0.0) || !(helix.top >= helix.bottom) ||
        !(helix.feed > 0.0) || helix.tool < 1) {
        return;
    }
    helix.quarters = (int)ceil((helix.top - helix.bottom) / (helix.pitch / 4.0) - 1e-9);
    if (helix.quarters > 1000000) return; /* a helix this long is surely a typing error */
    helix.step = 0;
    *flag = 1;
}

void MVREADSTARTPOINT(double* x, double* y, double* z) {
    *x = helix.cx + helix.r;
    *y = helix.cy;
    *z = helix.top + 5.0;
}

/* The point `quarter` quarter turns around from the start, at height z. */
static void Around(int quarter, double z, double* x, double* y, double* zOut) {
    const double angle = quarter * kPi / 2.0;
    *x = helix.cx + helix.r * cos(angle);
    *y = helix.cy + helix.r * sin(angle);
    *zOut = z;
}

int32_t MVREADPATH(int32_t* type, double* x, double* y, double* z, double* i, double* j, double* k,
                   int32_t* plane, double* feed, int32_t* line) {
    const int s = helix.step++;
    const int helixEnd = 2 + helix.quarters;
    *line = 0;
    if (s == 0) {
        *type = MV_NO_MOTION + helix.tool;
        return 1;
    }
    if (s == 1) {
        *type = MV_RAPID;
        Around(0, helix.top, x, y, z);
        return 1;
    }
    if (s < helixEnd + 4) {
        const int q = s - 1; /* quarters done after this arc */
        double depth = helix.top - q * helix.pitch / 4.0;
        if (depth < helix.bottom || s >= helixEnd) depth = helix.bottom;
        *type = MV_ARC_CCW;
        Around(q, depth, x, y, z);
        *i = helix.cx;
        *j = helix.cy;
        *k = depth;
        *plane = 17;
        *feed = helix.feed;
        return 1;
    }
    if (s == helixEnd + 4) {
        *type = MV_RAPID;
        Around(helix.quarters + 4, helix.top, x, y, z); /* straight up where the floor turn ended */
        return 1;
    }
    return 0; /* the end of the program */
}

void MVREADCLOSE(void) { helix.step = 0; }
