/* A test simulation module that misbehaves as the variable VXBAD says, after lowering cell 0 by
 * 1 mm a move (so that a test sees whether the workpiece was given back): "path" answers path type 5,
 * "nan" leaves a height that is no number, "fail" answers -3 to a cut, "size" changes the grid's
 * nx, "bottom" moves the work bottom. Anything else cuts nothing and behaves. Its path type is
 * VXBAD_PATH's, 1 (whole moves) when unset. Every call is written to the file VXBAD_LOG names,
 * one line each, for the order of the calls; a cut with its sub-step "k/n". */
#include "integration/plugin_abi.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static VxGrid* g_grid;

static int mode(const char* name) {
    const char* m = getenv("VXBAD");
    return m && strcmp(m, name) == 0;
}

static void note_step(const char* what, int value, int step, int steps) {
    const char* path = getenv("VXBAD_LOG");
    FILE* f = path ? fopen(path, "ab") : 0;
    if (!f) return;
    if (steps > 0) fprintf(f, "%s %s %d %d/%d\n", TEST_PLUGIN_NAME, what, value, step, steps);
    else fprintf(f, "%s %s %d\n", TEST_PLUGIN_NAME, what, value);
    fclose(f);
}

static void note(const char* what, int value) { note_step(what, value, 0, 0); }

int VXSIMMENUITEM(char* text, int size) {
    snprintf(text, (size_t)size, "Bad %s", TEST_PLUGIN_NAME);
    return 1;
}

int VXSIMPARAMETER(int* status) {
    note("parameter", *status);
    return 1;
}

int VXSIMPATHTYPE(void) {
    const char* path = getenv("VXBAD_PATH");
    return mode("path") ? 5 : path ? atoi(path) : VX_SIM_PATH_MOVES;
}

int VXSIMGETWORK(VxGrid* grid) {
    note("getwork", grid->nx);
    g_grid = grid;
    return 1;
}

int VXSIMSTART(const char* nc_file) {
    note("start", nc_file != 0);
    return !mode("decline"); /* "decline": no fault, the module just says no */
}

void VXSIMGETTOOL(const VxSimTool* tool) { note("tool", tool->number); }

int VXSIMCUTWORK(const VxSimMove* move) {
    note_step("cut", move->line, move->step, move->steps);
    if (move->step == 1) g_grid->height[0] -= 1.0f;  /* once a move */
    if (mode("nan")) g_grid->height[g_grid->nx + 1] = NAN;
    if (mode("fail")) return -3;
    if (mode("size")) g_grid->nx = 0;
    if (mode("bottom")) g_grid->bottom += 1.0;
    return 1;
}

void VXSIMEND(int aborted) { note("end", aborted); }

void VXSIMFREE(void) { note("free", 0); }
