/* A workpiece loader (libvxload.so) for plain text point grids, suffix "XYZ": one point per line,
 * "X Y Z" separated by blanks, tabs or commas; lines that do not start with three numbers
 * (headers, "#" comments) are skipped. The points are expected on a square grid; the pitch is
 * the smallest X step between consecutive points. Each point raises the grid point nearest to
 * it, so a sparse file leaves the rest of the workpiece at its bottom.
 *
 * The file is read twice (size, then heights) and never held in memory. */
#include "plugin_abi.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define LINE_BYTES 512
#define SMALLEST_STEP 1e-9 /* steps below this are the same X written twice */

/* The first three numbers of a line; 0 when it has fewer. */
static int read_point(const char* line, double point[3]) {
    const char* p = line;
    int k;
    for (k = 0; k < 3; ++k) {
        char* end;
        while (*p == ' ' || *p == '\t' || *p == ',') ++p;
        point[k] = strtod(p, &end);
        if (end == p || !isfinite(point[k])) return 0;
        p = end;
    }
    return 1;
}

struct Extent {
    double min[3], max[3];
    double step;
    long points;
};

static int measure(const char* file, struct Extent* e) {
    FILE* f = fopen(file, "r");
    char line[LINE_BYTES];
    double point[3], last_x = 0.0;
    int k;
    if (!f) return 0;
    e->points = 0;
    e->step = 0.0;
    while (fgets(line, sizeof line, f)) {
        if (!read_point(line, point)) continue;
        for (k = 0; k < 3; ++k) {
            if (e->points == 0 || point[k] < e->min[k]) e->min[k] = point[k];
            if (e->points == 0 || point[k] > e->max[k]) e->max[k] = point[k];
        }
        if (e->points > 0) {
            double step = fabs(point[0] - last_x);
            if (step > SMALLEST_STEP && (e->step == 0.0 || step < e->step)) e->step = step;
        }
        last_x = point[0];
        ++e->points;
    }
    fclose(f);
    return e->points > 0;
}

int VXLOADSUFFIX(char* text, int size) {
    snprintf(text, (size_t)size, "XYZ");
    return 1;
}

int VXLOADKIND(char* text, int size) {
    snprintf(text, (size_t)size, "XYZ point grid");
    return 1;
}

int VXLOADGETWORKSIZE(const char* file, double* extent, double* origin, double* pitch) {
    struct Extent e;
    int k;
    if (!measure(file, &e)) return 0;
    for (k = 0; k < 3; ++k) {
        origin[k] = e.min[k];
        extent[k] = e.max[k] - e.min[k];
    }
    *pitch = e.step; /* 0 for a single column: the program's pitch then */
    return 1;
}

int VXLOADLOADWORK(const char* file, double pitch, int nx, int ny, float* heights, unsigned char* attributes,
                   int* line_numbers) {
    struct Extent e;
    FILE* f;
    char line[LINE_BYTES];
    double point[3];
    (void)attributes;
    (void)line_numbers;
    if (!measure(file, &e) || !(pitch > 0.0)) return 0;
    f = fopen(file, "r");
    if (!f) return 0;
    while (fgets(line, sizeof line, f)) {
        double i, j;
        float* cell;
        if (!read_point(line, point)) continue;
        i = floor((point[0] - e.min[0]) / pitch + 0.5);
        j = floor((point[1] - e.min[1]) / pitch + 0.5);
        if (i < 0 || j < 0 || i >= nx || j >= ny) continue;
        cell = heights + (long)j * nx + (long)i;
        if ((float)point[2] > *cell) *cell = (float)point[2];
    }
    fclose(f);
    return 1;
}
