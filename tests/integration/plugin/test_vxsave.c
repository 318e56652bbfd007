/* A saver (suffix "REC") that saves against the basic model and writes, instead of a format,
 * what the program handed it: "basic <first height> <nx> <ny>", "level <level> <integer>" and
 * "work <nx> <ny> <pitch> <origin X> <origin Y> <bottom> <first height>". $VXSAVE_CANCEL set
 * makes its PARAMETER cancel. */
#include "integration/plugin_abi.h"

#include <stdio.h>
#include <stdlib.h>

static char g_basic[128] = "no basic model", g_level[64] = "no level";

int VXSAVESUFFIX(char* text, int size) {
    snprintf(text, (size_t)size, "REC");
    return 1;
}

void VXSAVEPARAMETER(int* status) {
    if (getenv("VXSAVE_CANCEL")) *status = 0;
}

void VXSAVEGETBASICMODEL(const float* heights, int nx, int ny) {
    snprintf(g_basic, sizeof g_basic, "basic %g %d %d", heights[0], nx, ny);
}

void VXSAVEGETSAVELEVEL(int save_level, int integer_heights) {
    snprintf(g_level, sizeof g_level, "level %d %d", save_level, integer_heights);
}

int VXSAVESAVEWORK(const char* file, const double* extent, const double* origin, double pitch, int nx, int ny,
                   const float* heights, const unsigned char* attributes, const int* line_numbers) {
    FILE* f = fopen(file, "w");
    (void)extent, (void)attributes, (void)line_numbers;
    if (!f) return 0;
    fprintf(f, "%s\n%s\nwork %d %d %g %g %g %g %g\n", g_basic, g_level, nx, ny, pitch, origin[0], origin[1], origin[2],
            heights[0]);
    return fclose(f) == 0;
}
