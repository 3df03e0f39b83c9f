/* level_modifier: a work modifier that cuts the work flat at the middle of
 * its height range.
 *
 * The level is halfway between the lowest and the highest node; every node
 * above it is lowered to it and painted (attribute bit 0), so that the
 * display shows what the modifier took away. A work that is already flat
 * is left alone (flag 0).
 *
 * Build: cc -shared -fPIC -I<morvex>/include level_modifier.c -o mvmod.so
 * and place mvmod.so next to the morvex program. */
#include <string.h>

#include "morvex/plugin.h"

void MVMODMENUITEM(int32_t* language, char text[MV_TEXT_SIZE]) {
    if (*language == 1) {
        strncpy(text, "Cut at Middle Level(&J)", MV_TEXT_SIZE - 1);
    } else {
        strncpy(text, "中間高さでカット(&J)", MV_TEXT_SIZE - 1);
    }
}

void MVMODINIT(int32_t* flag) { *flag = 1; /* no basic model needed */ }

void MVMODPARAMETER(int32_t* flag) { *flag = 1; }

void MVMODMODWORK(MvWork* work, int32_t* flag) {
    const long count = (long)work->nx * work->ny;
    float lo, hi, level;
    long i;
    *flag = 0;
    if (count <= 0 || work->height == NULL) return;
    lo = hi = work->height[0];
    for (i = 1; i < count; ++i) {
        if (work->height[i] < lo) lo = work->height[i];
        if (work->height[i] > hi) hi = work->height[i];
    }
    if (!(hi > lo)) return;
    level = lo + (hi - lo) / 2.0f;
    for (i = 0; i < count; ++i) {
        if (work->height[i] <= level) continue;
        work->height[i] = level;
        work->attr[i] |= 1; /* painted */
        *flag = 1;
    }
}

void MVMODFREE(void) {}
