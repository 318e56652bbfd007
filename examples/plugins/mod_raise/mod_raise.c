/* mod_raise: a small modifier for Vornex (libvxmod.so). It raises the whole workpiece (heights,
 * bottom and top) by VORNEX_RAISE millimetres, 1 mm when that variable is not set; a negative
 * amount lowers it. Useful to put a stock saved at the wrong height where the program expects it.
 *
 * Build: cmake builds it as build/examples/plugins/libvxmod.so. Try it: put that file next to the
 * vornex executable (or in a folder on LD_LIBRARY_PATH) and run
 *     VORNEX_RAISE=2.5 vornex -Dstock.dmf -Oraised.dmf -XU1
 * or pick "Raise the workpiece" in the Workpiece menu (the C key takes it back). */
#include "plugin_abi.h"

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static double g_amount = 1.0;

int VXMODMENUITEM(char* text, int size) {
    strncpy(text, "Raise the workpiece", (size_t)size - 1);
    text[size - 1] = '\0';
    return 1;
}

/* Reads the amount; a value that is no number cancels, saying why. */
int VXMODPARAMETER(int* status) {
    const char* text = getenv("VORNEX_RAISE");
    g_amount = 1.0;
    if (!text || !*text) return 1;
    char* end = 0;
    const double amount = strtod(text, &end);
    if (*end != '\0' || !isfinite(amount)) {
        fprintf(stderr, "mod_raise: VORNEX_RAISE=\"%s\" is no number of millimetres\n", text);
        *status = 0;
        return 0;
    }
    g_amount = amount;
    return 1;
}

int VXMODMODWORK(VxGrid* grid) {
    if (g_amount == 0.0) return 0;
    const long cells = (long)grid->nx * grid->ny;
    for (long c = 0; c < cells; ++c) grid->height[c] = (float)(grid->height[c] + g_amount);
    grid->bottom += g_amount;
    grid->top += g_amount;
    return 1;
}
