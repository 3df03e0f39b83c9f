/*
 * MORVEX plug-in modules: the entry points a module may export.
 *
 * A module is a shared object named <name>.so placed in the same directory
 * as the morvex program (the program never looks in the current directory
 * or on LD_LIBRARY_PATH). It is loaded once at start-up and released at
 * exit. Every entry point is optional unless marked "required"; a module
 * that lacks a required entry is skipped without a message.
 *
 * Names. Each entry is looked up under its plain name (MVREADINIT) and, when
 * the family's first entry is not found that way, under the same name with
 * a leading underscore (_MVREADINIT); the choice made for the first entry
 * holds for all entries of that module.
 *
 * Families and module names (tried in this order; a family keeps at most
 * three accepted modules):
 *   NC reader          mvread  mvread1  mvread2  mvread3
 *   simulation         mvsim   mvsim1   mvsim2   mvsim3
 *   work loader        mvload  mvload1  mvload2  mvload3
 *   work modifier      mvmod   mvmod1   mvmod2   mvmod3
 *   work saver         mvsave  mvsave1  mvsave2  mvsave3
 *   network tool data  mvnccom
 *   editor control     mveditor
 *   synchronisation    mvsync
 *
 * Conventions.
 *   - Plain C calling convention, fixed-width types; lengths in mm, feeds in
 *     mm/min, angles in degrees.
 *   - A "flag out" is a pointer to an int32_t the module sets. The program
 *     sets it to 0 before each call, so a module that forgets it declines.
 *   - Every buffer belongs to the program: the module may read or write it
 *     only during the call, unless an entry says otherwise, and never beyond
 *     the size given here. Text buffers are MV_TEXT_SIZE (50), MV_SUFFIX_SIZE
 *     (10) or MV_EXEC_SIZE (256) bytes; the program zeroes them before the
 *     call and reads at most size - 1 bytes, so a text without a terminator
 *     is cut, never overrun.
 *   - Texts are plain 8-bit texts (ASCII or UTF-8).
 *   - Language flag: 0 Japanese, 1 English (the menu language in use). The
 *     module may change it to the language of the text it returns.
 *   - The program checks what a module returns: counts out of range, points
 *     that are not finite numbers and heights that are not numbers are
 *     refused or clamped with a message, never used as they are.
 *   - Entry points are called on the program's main thread only.
 *
 * The work (Z-map). The workpiece is a regular grid of nx * ny nodes in XY,
 * node (ix, iy) at X = xMin + ix * pitch, Y = yMin + iy * pitch; arrays are
 * row after row, index iy * nx + ix. Per node: the top height of the
 * material (float, mm), an attribute byte (bit 0 painted, bits 1-3 pen,
 * bits 4-5 cutting direction, bit 7 kept by the program) and, when the
 * program keeps them, the NC line that last cut it (int32_t, negative for a
 * compensated motion; the array pointer is NULL when line numbers are not
 * kept). The block's bottom is zMin; no height should go below it.
 */
#ifndef MORVEX_PLUGIN_H
#define MORVEX_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define MV_TEXT_SIZE 50
#define MV_SUFFIX_SIZE 10
#define MV_EXEC_SIZE 256
#define MV_PATH_COLORS 10
#define MV_ARBOR_SEGMENTS 10

/* INIT result of a work modifier that wants the basic model handed to it
 * (MVMODGETBASICMODEL) before every modification. */
#define MV_MODIFIER_WANTS_BASIC_MODEL 20090603

/* Motion types of MVREADPATH and MvMotion. */
#define MV_RAPID 0
#define MV_LINE 1
#define MV_ARC_CW 2
#define MV_ARC_CCW 3
/* A type of 1000 or more is no motion: type - 1000, when above 0, changes to
 * that tool number (1000 alone is a block without motion). */
#define MV_NO_MOTION 1000

/* One motion as the simulation module receives it: in the work's
 * coordinates (the frame of the grid), for the tip of the tool, after the
 * program's offsets and compensation; for arcs the plane's two axes of the
 * centre are meaningful. */
typedef struct MvMotion {
    int32_t type;      /* MV_RAPID, MV_LINE, MV_ARC_CW, MV_ARC_CCW */
    int32_t plane;     /* 17 XY, 18 ZX, 19 YZ */
    int32_t line;      /* NC line number */
    int32_t reserved;
    double start[3];
    double end[3];
    double centre[3];
    double feed;       /* mm/min, 0 for rapids */
} MvMotion;

/* The shape of the tool in the spindle. Shape codes: 0 other, 1 ball,
 * 2 flat, 3 bull nose, 4 taper ball, 5 vertical, 6 oval, 7 T-slot,
 * 9 radius. */
typedef struct MvTool {
    int32_t number;
    int32_t shape;
    float d;          /* diameter */
    float r;          /* corner radius */
    float e;          /* axis to the corner-radius centre */
    float f;          /* height of the corner-radius centre above the tip */
    float alpha;      /* bottom angle */
    float beta;       /* flank taper from the vertical */
    float tipWidth;   /* vertical tools only */
    float h;          /* flute length above the tip */
    float shift;      /* tip up to the controlled point */
} MvTool;

/* The work as the loader, modifier and saver see it. */
typedef struct MvWork {
    float* height;       /* nx * ny */
    uint8_t* attr;       /* nx * ny */
    int32_t* lineNo;     /* nx * ny, or NULL */
    int32_t nx, ny;
    double pitch;
    double xMin, yMin, zMin;
    double xMax, yMax, zMax;
} MvWork;

/* ---- NC reader: mvread, mvread1..3 -------------------------------------
 * Handles NC files whose name ends with its suffix; the program then takes
 * its motions instead of reading the text itself.
 * Required: MVREADSUFFIX (first entry), MVREADKIND, MVREADOPEN, MVREADPATH. */
void MVREADSUFFIX(char suffix[MV_SUFFIX_SIZE]);   /* e.g. ".HLX"; compared without case over the last four characters */
void MVREADINIT(int32_t* flag);                   /* 0 declines: the module is released */
void MVREADKIND(int32_t* language, char text[MV_TEXT_SIZE]);  /* kind name in file dialogs */
/* use: 1 when the paths are drawn in the module's colours; colours 0xRRGGBB:
 * [0..2] rapid, [3..5] cutting, [6..8] arcs, [9] tool change marks. */
void MVREADPATHCOLOR(int32_t* use, uint32_t colors[MV_PATH_COLORS]);
void MVREADOPEN(const char* ncFile, int32_t* flag);  /* 0: cannot be opened */
/* After a tool change motion: the program's definition of the new tool is
 * filled in; the module may replace it. A field the program cannot accept
 * (not finite, negative size, unknown shape) leaves the program's value. */
void MVREADTOOL(int32_t* number, int32_t* shape, float* d, float* r, float* e, float* f, float* alpha,
                float* beta, float* tipWidth, float* h, float* shift);
/* lengthKind 0 none, 1..3 LENGTH, LENGTH2, LENGTH3 with six lengths;
 * limitKind 0 none, 1, 2, 11, 12 with four values; pen 0..7. */
void MVREADTOOLLEN(int32_t* lengthKind, float lengths[6], int32_t* limitKind, float limits[4], int32_t* pen);
/* defined 0/1; kind 0 stepped cylinders, 1 cones, 2 mixed; count segments
 * (at most 10); dia[count + 1], hgt[count], cone[count]. */
void MVREADARBOR(int32_t* defined, int32_t* kind, int32_t* count, float dia[MV_ARBOR_SEGMENTS + 1],
                 float hgt[MV_ARBOR_SEGMENTS], int32_t cone[MV_ARBOR_SEGMENTS]);
void MVREADSTARTPOINT(double* x, double* y, double* z);  /* start of the path (the tool's first position) */
/* The next motion: type (MV_*), end point, arc centre (arcs), plane
 * (17, 18, 19; 0 keeps the current one), feed (0 keeps the current one) and
 * the NC line (0: the program counts on by one). Returns 1 when a motion was
 * delivered, 0 at the end of the program, a negative number on a read error
 * (the program reports it and ends the run).
 * Points are absolute work coordinates: x, y, z the end, i, j, k the arc
 * centre itself (not relative to the start); an end that differs from the
 * start along the plane's third axis makes a helical arc. On entry the
 * fields hold the current position (type: the current motion mode, plane,
 * feed and line 0). The program refuses, as a read error that ends the
 * program, a type that is not 0..3 or 1000 and above, a point or feed that
 * is not a finite number, a negative feed and a plane other than 0, 17, 18,
 * 19; a negative line counts on like 0. A program gets at most 50,000,000
 * motions. A type of 1000 + n (n > 0) is followed by MVREADTOOL,
 * MVREADTOOLLEN and MVREADARBOR for tool n before the next MVREADPATH. */
int32_t MVREADPATH(int32_t* type, double* x, double* y, double* z, double* i, double* j, double* k, int32_t* plane,
                   double* feed, int32_t* line);
void MVREADCLOSE(void);
void MVREADFREE(void);

/* ---- Simulation: mvsim, mvsim1..3 --------------------------------------
 * A cutting command of its own in the machining menu (commands 32901-32903,
 * F8 and F9 for the first two): the program interprets the NC program and
 * hands every motion to the module instead of its own sweep.
 * Required: MVSIMMENUITEM (first entry), MVSIMGETWORK, MVSIMCUTWORK.
 *
 * One command, in this order: MVSIMPARAMETER, MVSIMPATHTYPE, (the program
 * backs the work up), MVSIMGETWORK, MVSIMSTART, then MVSIMGETTOOL,
 * MVSIMGETTOOLLEN and MVSIMGETARBOR for the first tool and again at every
 * tool change, MVSIMCUTWORK for every motion of a chosen kind, MVSIMEND.
 * The program runs from the start of the NC program to its end without
 * stopping (M00, single block and wait M-codes do not hold it; the escape
 * key ends it early). `param` of MVSIMGETWORK, MVSIMSTART and MVSIMCUTWORK
 * is the flag MVSIMPARAMETER returned (1 without that entry). A spline is
 * handed over as its chords, each as a line. Motions are given in the
 * work's coordinates (the frame of the grid's origin and heights), with
 * the tip of the tool. After MVSIMEND the program checks the heights (see
 * MVSIMCUTWORK) and marks the work changed when a result was 1 or a
 * height changed. */
void MVSIMMENUITEM(int32_t* language, char text[MV_TEXT_SIZE]);
void MVSIMINIT(int32_t* flag);
void MVSIMPARAMETER(int32_t* flag);  /* 0 cancels the command (e.g. the module's own dialog was cancelled) */
void MVSIMPATHTYPE(int32_t* rapid, int32_t* line, int32_t* arc);  /* 1 for the kinds the module cuts; all 1 when missing */
/* The work for this command. The arrays stay valid, and may be written,
 * until MVSIMEND returns. origin = xMin, yMin, zMin; extent = xMax, yMax, zMax. */
void MVSIMGETWORK(int32_t* param, float* height, uint8_t* attr, int32_t* lineNo, const int32_t* nx,
                  const int32_t* ny, const double* pitch, const double origin[3], const double extent[3]);
void MVSIMSTART(int32_t* param);
void MVSIMGETTOOL(const int32_t* number, const int32_t* shape, const float* d, const float* r, const float* e,
                  const float* f, const float* alpha, const float* beta, const float* tipWidth, const float* h,
                  const float* shift);
void MVSIMGETTOOLLEN(const int32_t* lengthKind, const float lengths[6], const int32_t* limitKind,
                     const float limits[4], const int32_t* pen);
void MVSIMGETARBOR(const int32_t* defined, const int32_t* kind, const int32_t* count,
                   const float dia[MV_ARBOR_SEGMENTS + 1], const float hgt[MV_ARBOR_SEGMENTS],
                   const int32_t cone[MV_ARBOR_SEGMENTS]);
/* Cuts one motion. result: 0 or 1 (cut) to go on, negative to stop the run
 * (the program reports "the simulation module stopped the run"). Heights
 * the module leaves that are not numbers are put back; heights below the
 * block's bottom are raised to it. */
void MVSIMCUTWORK(int32_t* param, const MvMotion* motion, const MvTool* tool, float* height, uint8_t* attr,
                  int32_t* lineNo, const int32_t* nx, const int32_t* ny, int32_t* result);
void MVSIMEND(void);
void MVSIMFREE(void);

/* ---- Work loader: mvload, mvload1..3 -----------------------------------
 * Reads work files whose name ends with its suffix (as the work to cut, a
 * basic model or a model to merge).
 * Required: MVLOADSUFFIX (first entry), MVLOADKIND, MVLOADGETWORKSIZE, MVLOADLOADWORK. */
void MVLOADSUFFIX(char suffix[MV_SUFFIX_SIZE]);
void MVLOADINIT(int32_t* flag);
void MVLOADKIND(int32_t* language, char text[MV_TEXT_SIZE]);
void MVLOADPARAMETER(const char* file, int32_t* flag);  /* opens the file; 0: cannot be read or cancelled */
void MVLOADSTARTPOINT(double origin[3]);                  /* xMin, yMin of node (0, 0) and the block's bottom zMin */
/* The grid: nx, ny at least 2, pitch above 0. flag 0 fails the load. */
void MVLOADGETWORKSIZE(int32_t* nx, int32_t* ny, double* pitch, int32_t* flag);
/* Fills nx * ny heights (prefilled with the bottom). flag 0 fails the load.
 * Heights that are not numbers, or lie below the bottom, become the bottom.
 * The calls of one load: PARAMETER, STARTPOINT, GETWORKSIZE, LOADWORK; a
 * refused size ends the load before LOADWORK and leaves the work as it was. */
void MVLOADLOADWORK(float* height, int32_t* flag);
void MVLOADFREE(void);

/* ---- Work modifier: mvmod, mvmod1..3 -----------------------------------
 * A command of its own in the work menu (32911-32913) that changes the
 * work's heights and attributes in place (not its grid).
 * Required: MVMODMENUITEM (first entry), MVMODMODWORK. */
void MVMODMENUITEM(int32_t* language, char text[MV_TEXT_SIZE]);
void MVMODINIT(int32_t* flag);  /* 0 declines; MV_MODIFIER_WANTS_BASIC_MODEL asks for the basic model */
void MVMODPARAMETER(int32_t* flag);  /* 0 cancels the command (before anything else is called) */
/* The basic model's heights on the work's grid (nx * ny), valid during the
 * call; present 0 and basic NULL when there is none. */
void MVMODGETBASICMODEL(const float* basic, const int32_t* present);
/* flag 0: nothing changed (the work is put back as it was, whatever the
 * module wrote). Else heights that are not numbers are put back, heights
 * below zMin raised to it, zMax set to the highest height. Changes to the
 * MvWork fields themselves (counts, pointers) are ignored. */
void MVMODMODWORK(MvWork* work, int32_t* flag);
void MVMODFREE(void);

/* ---- Work saver: mvsave, mvsave1..3 ------------------------------------
 * Writes the work in a format of its own: in the save dialog, and as the
 * output formats 7, 8, 9 of the /O option (first, second, third saver).
 * The program passes a temporary name in the target folder and renames it
 * to the final name when the module reports success.
 * Required: MVSAVESUFFIX (first entry), MVSAVEKIND, MVSAVESAVEWORK. */
void MVSAVESUFFIX(char suffix[MV_SUFFIX_SIZE]);
void MVSAVEINIT(int32_t* flag);
void MVSAVEKIND(int32_t* language, char text[MV_TEXT_SIZE]);
void MVSAVEPARAMETER(const char* file, int32_t* flag);  /* final file name; 0 cancels */
void MVSAVEGETBASICMODEL(const float* basic, const int32_t* present);
void MVSAVEGETSAVELEVEL(const int32_t* dataLevel);  /* the program's data level, 1..4 */
/* file is the temporary name; flag 1: written (any other value, or no file
 * under that name, fails the save: the temporary file is removed and a file
 * already under the final name is kept). */
void MVSAVESAVEWORK(const char* file, const MvWork* work, int32_t* flag);
void MVSAVEFREE(void);

/* ---- Network tool data: mvnccom ----------------------------------------
 * Supplies tool and holder definitions: the F variants when the tool table
 * is read (for every tool number of the table), the others from the comment
 * text of an NC block. flag 1: the module defined the item. The menu command
 * 32931 switches the module off and on.
 * Required: MVNCCOMTOOL or MVNCCOMTOOLF. */
/* comment: the whole text of a block holding "(" (without its line end),
 * once per block. tool holds the tool in use; the module may set
 * tool->number to define another tool of the table. The name is the tool's
 * name when the module writes one. MVNCCOMTOOLLEN and MVNCCOMARBOR then act
 * on the tool MVNCCOMTOOL defined, or on the tool in use. The F variants
 * get every tool number of the table with its definition filled in. Values
 * that are not finite, negative sizes, unknown shapes or kinds and counts
 * beyond their arrays keep the program's value. */
void MVNCCOMTOOL(const char* comment, MvTool* tool, char name[MV_TEXT_SIZE], int32_t* flag);
void MVNCCOMTOOLF(int32_t number, MvTool* tool, char name[MV_TEXT_SIZE], int32_t* flag);
void MVNCCOMINIT(int32_t* flag);
void MVNCCOMTOOLLEN(const char* comment, int32_t* lengthKind, float lengths[6], int32_t* flag);
void MVNCCOMTOOLLENF(int32_t number, int32_t* lengthKind, float lengths[6], int32_t* flag);
void MVNCCOMARBOR(const char* comment, int32_t* defined, int32_t* kind, int32_t* count,
                  float dia[MV_ARBOR_SEGMENTS + 1], float hgt[MV_ARBOR_SEGMENTS], int32_t cone[MV_ARBOR_SEGMENTS],
                  int32_t* flag);
void MVNCCOMARBORF(int32_t number, int32_t* defined, int32_t* kind, int32_t* count,
                   float dia[MV_ARBOR_SEGMENTS + 1], float hgt[MV_ARBOR_SEGMENTS], int32_t cone[MV_ARBOR_SEGMENTS],
                   int32_t* flag);
void MVNCCOMFREE(void);

/* ---- Editor control: mveditor ------------------------------------------
 * Replaces the program's own editor control.
 * Required: MVEDITORFINDWINDOW.
 * After the settings are read, EXECPROGRAM and EXECOPTION receive the
 * settings' editor program and option template and may change them. To
 * open the NC program the program starts that editor (nothing when the
 * program text is empty) and asks FINDWINDOW for its window, again every
 * 100 ms for about a second while the answer is 0; with no window the caret
 * calls are not made. While a run reads the program: TOP for line 1, else
 * DOWN2 (or DOWN), at most one call per 100 ms, the latest line winning.
 * JUMP2 (or JUMP) when the NC program is opened again while shown; EXIT
 * when the editor is closed (CLOSE END at exit). There is no INIT or FREE. */
void MVEDITORFINDWINDOW(const char* ncFile, int64_t* window);  /* window 0: not found (yet) */
void MVEDITOREXECPROGRAM(char program[MV_EXEC_SIZE]);  /* in: the settings' editor program; out: the one to start */
void MVEDITOREXECOPTION(char option[MV_EXEC_SIZE]);    /* the same for its options */
void MVEDITORTOP(void);                                /* caret to the first line */
void MVEDITORDOWN(int32_t line);                       /* caret to `line` while following a run */
void MVEDITORDOWN2(const char* ncFile, int32_t line);   /* the same, told the file; used when present */
void MVEDITORJUMP(int32_t line);                       /* caret to `line` on request */
void MVEDITORJUMP2(const char* ncFile, int32_t line);   /* the same, told the file; used when present */
void MVEDITOREXIT(void);                               /* close the editor */

/* ---- Synchronisation: mvsync -------------------------------------------
 * Exchanges the position and the work offsets with an outside party.
 * Required: MVSYNCGET or MVSYNCPUT.
 * A mapping name is asked for only when the settings' SYNC MODE makes one;
 * it must be printable ASCII without '/', else the settings' name is used.
 * Offsets are X Y Z of G54, G55, ... in turn; at GET they arrive holding
 * the controller's six (count 6); a count of 1..6 replaces that many from
 * G54 on, for that run only (a count out of range or a value that is not a
 * finite number leaves the controller's, with a message). */
#define MV_SYNC_OFFSETS 6 /* G54..G59, X Y Z each */
void MVSYNCINIT(int32_t* flag);
/* The mapping name to use instead of the settings' SYNC NAME: program is
 * the running program's file name (the morvex executable); flag 1 when name
 * was set. */
void MVSYNCGETNAME(const char* program, char name[MV_TEXT_SIZE], int32_t* flag);
/* At the start of a run: the module may supply work offsets (flag 1), which
 * replace the controller's G54..G59 offsets for the run. */
void MVSYNCGET(int32_t* state, int32_t* line, double point[3], double offsets[MV_SYNC_OFFSETS * 3],
               int32_t* count, int32_t* flag);
/* At every step of a run and at its end (state 1 running, 2 ended): the
 * current line, the control point and the offsets in use. */
void MVSYNCPUT(const int32_t* state, const int32_t* line, const double point[3],
               const double offsets[MV_SYNC_OFFSETS * 3], const int32_t* count, int32_t* flag);
void MVSYNCFREE(void);

#ifdef __cplusplus
}
#endif

#endif /* MORVEX_PLUGIN_H */
