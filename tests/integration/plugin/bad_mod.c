/* A test modifier that raises every height by 1 mm and then misbehaves as the variable VXBAD
 * says: "nan" leaves a height that is no number, "below" one below the work bottom, "size" a
 * negative nx, "pitch" a pitch of 0, "null" no height array, "top" a top that is no number,
 * "cancel" cancels in its PARAMETER. "basic" behaves: it puts the basic model it was given in
 * place of the workpiece (heights unchanged without one). Anything else is the plain raise. */
#include "integration/plugin_abi.h"

#include <math.h>
#include <stdlib.h>
#include <string.h>

static int mode(const char* name) {
    const char* m = getenv("VXBAD");
    return m && strcmp(m, name) == 0;
}

int VXMODMENUITEM(char* text, int size) {
    /* No terminator within the buffer: the program must cut the caption itself. */
    memset(text, 'M', (size_t)size);
    return 1;
}

static const float* g_basic;
static long g_basic_cells;

int VXMODPARAMETER(int* status) {
    if (mode("cancel")) *status = 0;
    g_basic = 0;
    return 1;
}

void VXMODGETBASICMODEL(const float* heights, int nx, int ny) {
    g_basic = heights;
    g_basic_cells = (long)nx * ny;
}

int VXMODMODWORK(VxGrid* grid) {
    const long cells = (long)grid->nx * grid->ny;
    if (mode("basic")) {
        for (long c = 0; g_basic && c < cells && c < g_basic_cells; ++c) grid->height[c] = g_basic[c];
        return g_basic != 0;
    }
    for (long c = 0; c < cells; ++c) grid->height[c] += 1.0f;
    grid->bottom += 1.0;
    grid->top += 1.0;
    if (mode("nan")) grid->height[cells / 2] = NAN;
    if (mode("below")) grid->height[1] = (float)(grid->bottom - 1.0);
    if (mode("size")) grid->nx = -5;
    if (mode("pitch")) grid->pitch = 0.0;
    if (mode("null")) grid->height = 0;
    if (mode("top")) grid->top = NAN;
    return 1;
}
