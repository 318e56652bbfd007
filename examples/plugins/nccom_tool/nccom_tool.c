/* An NC-comment provider (libvxnccom.so) for programs whose CAM system names the tool in a
 * comment instead of a T word, as in "(T5 D10 L75)": T sets the tool (it must be in the tool
 * table), L its length. Other words in the comment (D, a name) are ignored; a "T" or "L" that
 * is not followed by a number ("(TOOL 5)", "(LONG)") is not read. Only text inside "(" ... ")"
 * counts: the words of the block itself are the interpreter's. */
#include "plugin_abi.h"

#include <ctype.h>
#include <math.h>
#include <stdlib.h>

/* The number behind the first word of `letter` inside a comment of `line`; 1 when found. */
static int comment_word(const char* line, char letter, double* value) {
    int depth = 0;
    const char* p;
    for (p = line; *p; ++p) {
        if (*p == '(') ++depth;
        else if (*p == ')' && depth > 0) --depth;
        else if (depth > 0 && toupper((unsigned char)*p) == letter &&
                 (p[-1] == '(' || p[-1] == ' ' || p[-1] == '\t')) {
            char* end;
            const double v = strtod(p + 1, &end);
            if (end != p + 1 && isdigit((unsigned char)p[1]) && isfinite(v)) {
                *value = v;
                return 1;
            }
        }
    }
    return 0;
}

int VXNCCOMTOOL(const char* line, int* tool) {
    double t;
    if (!comment_word(line, 'T', &t) || t < 0 || t > 99999) return 0;
    *tool = (int)t;
    return 1;
}

int VXNCCOMTOOLLEN(const char* line, double* length) {
    double l;
    if (!comment_word(line, 'L', &l) || !(l > 0)) return 0;
    *length = l;
    return 1;
}
