/* An editor link (libvxeditor.so) that starts no editor: it appends what the link asks of one
 * to a text file, to see what the link does, or as the start of a module for an editor that the
 * program does not know. The file is $VXEDITOR_LOG, else "vxeditor.log" in the current folder.
 * Lines: "start <program> <parameters>", "find <nc file>", "jump <line>" (a run stopped there),
 * "pick <line>" (a picked point's line), "exit". Unloaded when EXEC_PROGRAM names an editor the
 * program drives itself. */
#include "plugin_abi.h"

#include <stdarg.h>
#include <stdio.h>
#include <stdlib.h>

static int note(const char* format, ...) {
    const char* name = getenv("VXEDITOR_LOG");
    FILE* f = fopen(name && *name ? name : "vxeditor.log", "a");
    va_list args;
    if (!f) return 0;
    va_start(args, format);
    vfprintf(f, format, args);
    va_end(args);
    fputc('\n', f);
    return fclose(f) == 0;
}

int VXEDITOREXECPROGRAM(const char* program, const char* parameters) {
    return note("start %s %s", program, parameters);
}

void VXEDITORFINDWINDOW(const char* nc_file, int* found) {
    *found = note("find %s", nc_file);
}

void VXEDITORJUMP(int line) { note("jump %d", line); }

void VXEDITORJUMP2(int line) { note("pick %d", line); }

void VXEDITOREXIT(void) { note("exit"); }
