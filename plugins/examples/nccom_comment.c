/*
 * nccom_comment: an example network tool data module. Install it next to
 * the morvex program as mvnccom.so.
 *
 * A block comment of the form "(TOOL <number> <shape> D<diameter>)" defines
 * that tool while the program is read, e.g. "(TOOL 3 FLAT D10)" or
 * "(TOOL 5 BALL D6)". Shapes: FLAT, BALL. The tool's name becomes the
 * comment's text. Anything else in a comment is left alone.
 */
#include <stdio.h>
#include <string.h>

#include "morvex/plugin.h"

void MVNCCOMTOOL(const char* comment, MvTool* tool, char name[MV_TEXT_SIZE], int32_t* flag) {
    const char* at = strstr(comment, "(TOOL ");
    int number = 0;
    char shape[8] = "";
    float d = 0.0f;
    if (at == NULL || sscanf(at, "(TOOL %d %7s D%f", &number, shape, &d) != 3 || d <= 0.0f) return;
    if (strcmp(shape, "FLAT") == 0) {
        tool->shape = 2;
        tool->r = 0.0f;
    } else if (strcmp(shape, "BALL") == 0) {
        tool->shape = 1;
        tool->r = d / 2.0f;
    } else {
        return;
    }
    tool->number = number;
    tool->d = d;
    snprintf(name, MV_TEXT_SIZE, "%s D%g", shape, (double)d);
    *flag = 1;
}
