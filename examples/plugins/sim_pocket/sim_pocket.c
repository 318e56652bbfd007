/* sim_pocket: a small simulation module for Vornex (libvxsim.so). It cuts every move of the NC
 * program as a flat end mill of the tool's diameter would, whatever the tool's shape: quick,
 * and exact for the flat-bottomed pockets and facings that the pocket example mills. The program
 * hands it straight pieces (VXSIMPATHTYPE 2: lines whole, arcs in short chords); each piece
 * lowers every grid point the cutter's disc passes over to the lowest tool-tip height it has
 * there, and marks it with the tool's pen and the NC line.
 *
 * Build: cmake builds it as build/examples/plugins/libvxsim.so. Try it: put that file next to the
 * vornex executable (or in a folder on LD_LIBRARY_PATH) and run
 *     vornex -X5s1 pocket.nc -Oresult.dmf
 * or pick "Flat pocket cut or F8" in the Run menu. */
#include "plugin_abi.h"

#include <math.h>
#include <string.h>

static VxGrid* g_grid;      /* lent by VXSIMGETWORK until VXSIMEND */
static double g_radius;     /* of the current tool */
static int g_pen;           /* pen 0..7 of the current tool */

int VXSIMMENUITEM(char* text, int size) {
    strncpy(text, "Flat pocket cut", (size_t)size - 1);
    text[size - 1] = '\0';
    return 1;
}

int VXSIMPATHTYPE(void) { return VX_SIM_PATH_LINES; }

int VXSIMGETWORK(VxGrid* grid) {
    g_grid = grid;
    return grid->height != 0;
}

void VXSIMGETTOOL(const VxSimTool* tool) {
    g_radius = tool->diameter > 0 ? tool->diameter / 2 : 0;
    g_pen = tool->pen & 7;
}

static double clamp01(double t) { return t < 0 ? 0 : t > 1 ? 1 : t; }

/* The lowest tip height over the part of the piece whose disc covers point (x, y), or HUGE_VAL
 * when the disc never reaches it. Along the piece the height changes linearly, so the lowest is
 * at one end of the covering interval [t0, t1]. */
static double lowest_tip(const VxSimMove* m, double x, double y) {
    const double ax = m->start[0], ay = m->start[1], dx = m->end[0] - ax, dy = m->end[1] - ay;
    const double len2 = dx * dx + dy * dy;
    double t0 = 0, t1 = 1;
    if (len2 > 0) {
        const double tc = ((x - ax) * dx + (y - ay) * dy) / len2;
        const double px = ax + tc * dx - x, py = ay + tc * dy - y;
        const double d2 = px * px + py * py;
        if (d2 > g_radius * g_radius) return HUGE_VAL;
        const double half = sqrt((g_radius * g_radius - d2) / len2);
        if (tc + half < 0 || tc - half > 1) return HUGE_VAL; /* the covered part lies beyond the piece */
        t0 = clamp01(tc - half);
        t1 = clamp01(tc + half);
    } else if ((x - ax) * (x - ax) + (y - ay) * (y - ay) > g_radius * g_radius) {
        return HUGE_VAL;
    }
    const double z0 = m->start[2] + t0 * (m->end[2] - m->start[2]);
    const double z1 = m->start[2] + t1 * (m->end[2] - m->start[2]);
    return z0 < z1 ? z0 : z1;
}

static int first_index(double from, double origin, double pitch) {
    const double i = ceil((from - origin) / pitch);
    return i < 0 ? 0 : (int)i;
}

static int last_index(double to, double origin, double pitch, int count) {
    const double i = floor((to - origin) / pitch);
    return i > count - 1 ? count - 1 : (int)i;
}

int VXSIMCUTWORK(const VxSimMove* m) {
    VxGrid* g = g_grid;
    if (!g || g_radius <= 0) return 1;
    const double lo_x = fmin(m->start[0], m->end[0]) - g_radius, hi_x = fmax(m->start[0], m->end[0]) + g_radius;
    const double lo_y = fmin(m->start[1], m->end[1]) - g_radius, hi_y = fmax(m->start[1], m->end[1]) + g_radius;
    const int i0 = first_index(lo_x, g->origin_x, g->pitch), i1 = last_index(hi_x, g->origin_x, g->pitch, g->nx);
    const int j0 = first_index(lo_y, g->origin_y, g->pitch), j1 = last_index(hi_y, g->origin_y, g->pitch, g->ny);
    const int plunge = m->start[0] == m->end[0] && m->start[1] == m->end[1];
    for (int j = j0; j <= j1; ++j) {
        for (int i = i0; i <= i1; ++i) {
            const double z = lowest_tip(m, g->origin_x + i * g->pitch, g->origin_y + j * g->pitch);
            const long c = (long)j * g->nx + i;
            if (z >= g->height[c]) continue;
            g->height[c] = (float)(z < g->bottom ? g->bottom : z);
            g->attribute[c] = (unsigned char)((g->attribute[c] & 1) | (g_pen << 1) | (plunge ? 3 << 4 : 0));
            if (g->line) g->line[c] = m->line;
        }
    }
    return 1;
}

void VXSIMEND(int aborted) {
    (void)aborted;
    g_grid = 0;
}
