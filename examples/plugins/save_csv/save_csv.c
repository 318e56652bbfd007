/* A workpiece saver (libvxsave.so) that writes the height grid as CSV, suffix "CSV", save type 7
 * when it is the first saver. The first row holds "Y\X" and the X of every column; each further
 * row the Y of a grid row and its heights, rows in increasing Y. Numbers have four decimals
 * and a decimal point whatever the locale, lines end in LF. A spreadsheet opens it as it is. */
#include "plugin_abi.h"

#include <stdio.h>
#include <string.h>

/* One number with a decimal point, also under a locale whose decimal separator is a comma. */
static int put_number(FILE* f, const char* before, double value) {
    char text[64];
    char* comma;
    snprintf(text, sizeof text, "%.4f", value);
    comma = strchr(text, ',');
    if (comma) *comma = '.';
    return fprintf(f, "%s%s", before, text) > 0;
}

int VXSAVESUFFIX(char* text, int size) {
    snprintf(text, (size_t)size, "CSV");
    return 1;
}

int VXSAVEKIND(char* text, int size) {
    snprintf(text, (size_t)size, "CSV height grid");
    return 1;
}

int VXSAVESAVEWORK(const char* file, const double* extent, const double* origin, double pitch, int nx, int ny,
                   const float* heights, const unsigned char* attributes, const int* line_numbers) {
    FILE* f = fopen(file, "wb");
    int ok, i, j;
    (void)extent;
    (void)attributes;
    (void)line_numbers;
    if (!f) return 0;
    ok = fputs("Y\\X", f) >= 0;
    for (i = 0; i < nx && ok; ++i) ok = put_number(f, ",", origin[0] + i * pitch);
    for (j = 0; j < ny && ok; ++j) {
        ok = fputc('\n', f) != EOF && put_number(f, "", origin[1] + j * pitch);
        for (i = 0; i < nx && ok; ++i) ok = put_number(f, ",", heights[(long)j * nx + i]);
    }
    ok = ok && fputc('\n', f) != EOF;
    return fclose(f) == 0 && ok;
}
