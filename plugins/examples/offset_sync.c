/* offset_sync: a synchronisation module (install as mvsync.so) that hands
 * the program a G54 work offset for every run and records what the program
 * tells it.
 *
 *   MORVEX_SYNC_G54       "X Y Z": the G54 offset to supply, or else
 *   MORVEX_SYNC_G54_FILE  a file whose first line holds "X Y Z".
 *                         With neither, the controller's offsets are kept.
 *   MORVEX_SYNC_NAME      a mapping name to use instead of the settings'.
 *   MORVEX_SYNC_LOG       a file to which every call is appended, one line
 *                         each: "GETNAME <program>", "GET <flag>" and
 *                         "PUT <state> <line> <x> <y> <z>" (state 1 at a
 *                         step, 2 at the end of the run).
 */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "morvex/plugin.h"

static FILE* logFile = NULL;

static void OpenLog(void) {
    const char* name = getenv("MORVEX_SYNC_LOG");
    if (logFile == NULL && name != NULL && *name != '\0') logFile = fopen(name, "a");
    if (logFile != NULL) setvbuf(logFile, NULL, _IOLBF, 0); /* whole lines, as they come */
}

/* The offset to supply: three numbers from the variable or the file. */
static int ReadG54(double xyz[3]) {
    char line[200] = "";
    const char* text = getenv("MORVEX_SYNC_G54");
    if (text == NULL) {
        const char* name = getenv("MORVEX_SYNC_G54_FILE");
        FILE* f = name != NULL ? fopen(name, "r") : NULL;
        if (f == NULL) return 0;
        if (fgets(line, sizeof line, f) == NULL) line[0] = '\0';
        fclose(f);
        text = line;
    }
    return sscanf(text, "%lf %lf %lf", &xyz[0], &xyz[1], &xyz[2]) == 3;
}

void MVSYNCINIT(int32_t* flag) {
    OpenLog();
    *flag = 1; /* 0 would decline: the module is released at once */
}

void MVSYNCGETNAME(const char* program, char name[MV_TEXT_SIZE], int32_t* flag) {
    const char* wanted = getenv("MORVEX_SYNC_NAME");
    if (logFile != NULL) fprintf(logFile, "GETNAME %s\n", program);
    if (wanted == NULL) return; /* flag stays 0: the settings' name is used */
    strncpy(name, wanted, MV_TEXT_SIZE - 1); /* the last byte stays 0 */
    *flag = 1;
}

/* At a run's start: offsets arrive holding the controller's G54..G59 and
 * count 6; setting the first entry and count 1 replaces G54 only. */
void MVSYNCGET(int32_t* state, int32_t* line, double point[3], double offsets[MV_SYNC_OFFSETS * 3],
               int32_t* count, int32_t* flag) {
    double g54[3];
    (void)state, (void)line, (void)point;
    if (ReadG54(g54)) {
        memcpy(offsets, g54, sizeof g54);
        *count = 1;
        *flag = 1;
    }
    if (logFile != NULL) fprintf(logFile, "GET %d\n", (int)*flag);
}

void MVSYNCPUT(const int32_t* state, const int32_t* line, const double point[3],
               const double offsets[MV_SYNC_OFFSETS * 3], const int32_t* count, int32_t* flag) {
    (void)offsets, (void)count, (void)flag;
    if (logFile != NULL) fprintf(logFile, "PUT %d %d %.3f %.3f %.3f\n", (int)*state, (int)*line, point[0], point[1], point[2]);
}

void MVSYNCFREE(void) {
    if (logFile != NULL) fclose(logFile);
    logFile = NULL;
}
