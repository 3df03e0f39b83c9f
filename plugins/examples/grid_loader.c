/*
 * grid_loader: a work loader module (install as mvload.so next to morvex).
 *
 * Reads a height grid from a text file whose name ends with ".GRD" (any
 * letter case), as the work to cut, a basic model or a model to merge.
 *
 * File format (numbers separated by blanks or line ends):
 *
 *     nx ny pitch xmin ymin zmin
 *     h(0,0) h(1,0) ... h(nx-1,0)
 *     h(0,1) ...
 *     ...
 *     h(0,ny-1) ... h(nx-1,ny-1)
 *
 * The first line gives the node counts in X and Y, the spacing in mm, the
 * position of node (0, 0) and the bottom of the block. Then follow nx * ny
 * top heights row after row, starting with the row at ymin, each row from
 * xmin upwards. A line starting with '#' before the first line is a comment.
 *
 * Example, a 3 x 2 grid of 5 mm with a step:
 *
 *     3 2 5.0 0 0 -10
 *     0 0 -2
 *     0 0 -2
 *
 * The module only reads; the program checks what it gets (counts, pitch,
 * heights that are not numbers or lie below the bottom).
 */
#include <stdio.h>
#include <string.h>

#include "morvex/plugin.h"

static FILE* grid_file = NULL;
static int32_t grid_nx = 0, grid_ny = 0;
static double grid_pitch = 0.0, grid_origin[3] = {0.0, 0.0, 0.0};

static void close_grid(void) {
    if (grid_file != NULL) fclose(grid_file);
    grid_file = NULL;
}

void MVLOADSUFFIX(char suffix[MV_SUFFIX_SIZE]) { strcpy(suffix, ".GRD"); }

void MVLOADINIT(int32_t* flag) { *flag = 1; }

void MVLOADKIND(int32_t* language, char text[MV_TEXT_SIZE]) {
    strcpy(text, *language == 0 ? "高さ格子" : "Height grid");
}

/* Opens the file and reads its first line; the heights are read by
 * MVLOADLOADWORK. */
void MVLOADPARAMETER(const char* file, int32_t* flag) {
    int c;
    close_grid();
    grid_file = fopen(file, "r");
    if (grid_file == NULL) return; /* flag stays 0: cannot be read */
    /* Comment lines before the header. */
    while ((c = fgetc(grid_file)) == '#') {
        while ((c = fgetc(grid_file)) != EOF && c != '\n') {
        }
    }
    if (c != EOF) ungetc(c, grid_file);
    if (fscanf(grid_file, "%d %d %lf %lf %lf %lf", &grid_nx, &grid_ny, &grid_pitch, &grid_origin[0],
               &grid_origin[1], &grid_origin[2]) != 6) {
        close_grid();
        return;
    }
    *flag = 1;
}

void MVLOADSTARTPOINT(double origin[3]) {
    origin[0] = grid_origin[0];
    origin[1] = grid_origin[1];
    origin[2] = grid_origin[2];
}

void MVLOADGETWORKSIZE(int32_t* nx, int32_t* ny, double* pitch, int32_t* flag) {
    *nx = grid_nx;
    *ny = grid_ny;
    *pitch = grid_pitch;
    *flag = grid_file != NULL;
}

/* The program has checked the size and prefilled the nx * ny heights with
 * the bottom; a file with fewer heights fails the load. */
void MVLOADLOADWORK(float* height, int32_t* flag) {
    long i, count = (long)grid_nx * (long)grid_ny;
    if (grid_file == NULL) return;
    for (i = 0; i < count; ++i) {
        double z;
        if (fscanf(grid_file, "%lf", &z) != 1) {
            close_grid();
            return;
        }
        height[i] = (float)z;
    }
    close_grid();
    *flag = 1;
}

void MVLOADFREE(void) { close_grid(); }
