/* A reader and simulation module that does nothing but answer the loader:
 * its name, consent and texts depend on how it was built. Each FREE entry
 * appends "<kind>:<suffix>" to the file named by MORVEX_PROBE_LOG. */
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "morvex/plugin.h"

#ifdef PROBE_UNDERSCORED
#define ENTRY(name) _##name
#else
#define ENTRY(name) name
#endif

#ifndef PROBE_SUFFIX
#define PROBE_SUFFIX ".PRB"
#endif

static void Log(const char* what) {
    const char* file = getenv("MORVEX_PROBE_LOG");
    if (file == NULL) return;
    FILE* f = fopen(file, "a");
    if (f == NULL) return;
    fprintf(f, "%s\n", what);
    fclose(f);
}

void ENTRY(MVREADSUFFIX)(char suffix[MV_SUFFIX_SIZE]) {
#ifdef PROBE_ENDLESS_TEXT
    memset(suffix, 'S', MV_SUFFIX_SIZE);
#else
    strcpy(suffix, PROBE_SUFFIX);
#endif
}
void ENTRY(MVREADINIT)(int32_t* flag) {
#ifdef PROBE_DECLINES
    *flag = 0;
#else
    *flag = 1;
#endif
}
void ENTRY(MVREADKIND)(int32_t* language, char text[MV_TEXT_SIZE]) {
    (void)language;
#ifdef PROBE_ENDLESS_TEXT
    memset(text, 'K', MV_TEXT_SIZE);
#else
    strcpy(text, *language == 1 ? "Probe files" : "probe");
#endif
}
void ENTRY(MVREADOPEN)(const char* ncFile, int32_t* flag) {
    (void)ncFile;
    *flag = 1;
}
#ifndef PROBE_UNUSABLE
int32_t ENTRY(MVREADPATH)(int32_t* type, double* x, double* y, double* z, double* i, double* j, double* k,
                          int32_t* plane, double* feed, int32_t* line) {
    (void)type, (void)x, (void)y, (void)z, (void)i, (void)j, (void)k, (void)plane, (void)feed, (void)line;
    return 0;
}
#endif
void ENTRY(MVREADFREE)(void) { Log("read:" PROBE_SUFFIX); }

void ENTRY(MVSIMMENUITEM)(int32_t* language, char text[MV_TEXT_SIZE]) {
    strcpy(text, *language == 1 ? "Probe cut" : "probe cut");
}
void ENTRY(MVSIMINIT)(int32_t* flag) { ENTRY(MVREADINIT)(flag); }
void ENTRY(MVSIMGETWORK)(int32_t* param, float* height, uint8_t* attr, int32_t* lineNo, const int32_t* nx,
                         const int32_t* ny, const double* pitch, const double origin[3], const double extent[3]) {
    (void)param, (void)height, (void)attr, (void)lineNo, (void)nx, (void)ny, (void)pitch, (void)origin, (void)extent;
}
void ENTRY(MVSIMCUTWORK)(int32_t* param, const MvMotion* motion, const MvTool* tool, float* height, uint8_t* attr,
                         int32_t* lineNo, const int32_t* nx, const int32_t* ny, int32_t* result) {
    (void)param, (void)motion, (void)tool, (void)height, (void)attr, (void)lineNo, (void)nx, (void)ny;
    *result = 0;
}
void ENTRY(MVSIMFREE)(void) { Log("sim:" PROBE_SUFFIX); }
