/*
 * xyz_saver: a work saver module (install as mvsave.so next to morvex).
 *
 * Writes the work as a point list, one line "x y z" per node, row after
 * row from the row at yMin, each row from xMin upwards; values in mm with
 * four decimals. The save dialog lists it as "XYZ points(*.xyz *.XYZ)";
 * on the command line "/O name.xyz" selects it (format 7 when it is the
 * first saver).
 *
 * The program hands over a temporary file name in the target folder and
 * renames it to the chosen name only when *flag is 1, so this module never
 * has to clean up after a failed write: it only reports it.
 */
#include <stdio.h>
#include <string.h>

#include "morvex/plugin.h"

void MVSAVESUFFIX(char suffix[MV_SUFFIX_SIZE]) { strcpy(suffix, ".XYZ"); }

void MVSAVEINIT(int32_t* flag) { *flag = 1; }

void MVSAVEKIND(int32_t* language, char text[MV_TEXT_SIZE]) {
    strcpy(text, *language == 0 ? "XYZ点列" : "XYZ points");
}

/* Nothing to ask: every save goes ahead. */
void MVSAVEPARAMETER(const char* file, int32_t* flag) {
    (void)file;
    *flag = 1;
}

void MVSAVESAVEWORK(const char* file, const MvWork* work, int32_t* flag) {
    int32_t ix, iy;
    int ok;
    FILE* out = fopen(file, "w");
    if (out == NULL) return; /* flag stays 0: the program reports the failure */
    for (iy = 0; iy < work->ny; ++iy) {
        const double y = work->yMin + iy * work->pitch;
        const float* row = work->height + (long)iy * work->nx;
        for (ix = 0; ix < work->nx; ++ix) {
            fprintf(out, "%.4f %.4f %.4f\n", work->xMin + ix * work->pitch, y, (double)row[ix]);
        }
    }
    ok = !ferror(out);
    if (fclose(out) != 0) ok = 0;
    *flag = ok;
}
