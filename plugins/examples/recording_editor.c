/* recording_editor: an editor control module (install as mveditor.so) that
 * starts no editor and shows nothing. It appends every call it receives,
 * with its arguments, as one line to the file named by the environment
 * variable MORVEX_EDITOR_LOG (nothing is written when it is not set):
 *
 *   EXECPROGRAM notepad          the settings' editor program it was handed
 *   EXECOPTION %1
 *   FINDWINDOW /path/to/part.nc
 *   TOP
 *   DOWN2 /path/to/part.nc 17
 *   JUMP2 /path/to/part.nc 40
 *   EXIT
 *
 * A starting point for a module that drives a real editor, and a way to see
 * when the program calls what. */
#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include "morvex/plugin.h"

static void Record(const char* format, ...) {
    const char* name = getenv("MORVEX_EDITOR_LOG");
    FILE* log;
    va_list args;
    if (name == NULL || *name == '\0') return;
    log = fopen(name, "a");
    if (log == NULL) return;
    va_start(args, format);
    vfprintf(log, format, args);
    va_end(args);
    fputc('\n', log);
    fclose(log);
}

/* Required. The window of the editor showing ncFile; 0 would mean "not
 * found", after which the program does not move the caret. There is no real
 * window here, so any number other than 0 will do. */
void MVEDITORFINDWINDOW(const char* ncFile, int64_t* window) {
    Record("FINDWINDOW %s", ncFile);
    *window = 1;
}

/* The buffer holds the settings' editor program; what is left in it is
 * started. An empty text starts nothing. */
void MVEDITOREXECPROGRAM(char program[MV_EXEC_SIZE]) {
    Record("EXECPROGRAM %s", program);
    program[0] = '\0';
}

/* The option template ("%1" the file, "%2" the line); left as it is. */
void MVEDITOREXECOPTION(char option[MV_EXEC_SIZE]) {
    Record("EXECOPTION %s", option);
}

void MVEDITORTOP(void) { Record("TOP"); }

void MVEDITORDOWN(int32_t line) { Record("DOWN %d", (int)line); }

void MVEDITORDOWN2(const char* ncFile, int32_t line) { Record("DOWN2 %s %d", ncFile, (int)line); }

void MVEDITORJUMP(int32_t line) { Record("JUMP %d", (int)line); }

void MVEDITORJUMP2(const char* ncFile, int32_t line) { Record("JUMP2 %s %d", ncFile, (int)line); }

void MVEDITOREXIT(void) { Record("EXIT"); }
