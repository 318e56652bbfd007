/* A loader (suffix "BAD") that misbehaves in the way $VXLOAD_BAD names, for the refusal tests:
 * "negative" a negative extent, "nan-pitch" a pitch that is not a number, "huge" a grid of
 * 10^18 points, "nan-height" a height that is not a number, "unreadable" says it cannot read the
 * file (no fault: the module stays). Anything else: a sound 3 x 3 grid at Z 5. */
#include "integration/plugin_abi.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int mode(const char* name) {
    const char* m = getenv("VXLOAD_BAD");
    return m && strcmp(m, name) == 0;
}

int VXLOADSUFFIX(char* text, int size) {
    snprintf(text, (size_t)size, "BAD");
    return 1;
}

int VXLOADGETWORKSIZE(const char* file, double* extent, double* origin, double* pitch) {
    (void)file;
    if (mode("unreadable")) return 0;
    extent[0] = mode("negative") ? -2.0 : mode("huge") ? 1e9 : 2.0;
    extent[1] = mode("huge") ? 1e9 : 2.0;
    extent[2] = 5.0;
    origin[0] = origin[1] = origin[2] = 0.0;
    *pitch = mode("nan-pitch") ? NAN : 1.0;
    return 1;
}

int VXLOADLOADWORK(const char* file, double pitch, int nx, int ny, float* heights, unsigned char* attributes,
                   int* line_numbers) {
    int k;
    (void)file, (void)pitch, (void)attributes, (void)line_numbers;
    for (k = 0; k < nx * ny; ++k) heights[k] = 5.0f;
    if (mode("nan-height")) heights[nx + 1] = NAN;
    return 1;
}
