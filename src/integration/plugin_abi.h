/* The calling convention of Vornex plug-in modules, for the modules' authors as much as for the
 * program. A module is a shared library (libvxread.so, libvxread1.so, ...) exporting C functions
 * by the names below; every export is optional unless marked. Text buffers are at least
 * VX_PLUGIN_TEXT + 1 bytes; a module writes a terminated string of at most VX_PLUGIN_TEXT
 * characters. Strings are UTF-8; numbers in millimetres. */
#ifndef VORNEX_PLUGIN_ABI_H
#define VORNEX_PLUGIN_ABI_H

#ifdef __cplusplus
extern "C" {
#endif

#define VX_PLUGIN_TEXT 50

/* ---- Every family ---- */
typedef int (*VxInitFn)(void);                 /* INIT: 0 makes the program unload the module */
typedef int (*VxTextFn)(char* text, int size); /* MENUITEM / SUFFIX: the menu caption or the file suffix */
typedef void (*VxFreeFn)(void);                /* FREE: called once at shutdown, before unloading */

/* ---- NC readers (vxread .. vxread3) ---- */
/* VXREADSUFFIX (required): the file suffix the module reads, e.g. "CLS" (several: "CLS;APT"). */
typedef int (*VxReadKindFn)(char* text, int size);         /* VXREADKIND: the format's name */
typedef int (*VxReadPathColorFn)(int path_kind);           /* VXREADPATHCOLOR: packed RGB, red low */
typedef int (*VxReadTotalBlockFn)(const char* nc_file);    /* VXREADTOTALBLOCK: records, for progress */
typedef int (*VxReadOpenFn)(const char* nc_file);          /* VXREADOPEN: 1 opened, 0 not */
typedef int (*VxReadToolFn)(int* tool);                    /* VXREADTOOL: the first tool; 1 when given */
typedef int (*VxReadToolLenFn)(double* length);            /* VXREADTOOLLEN: 1 when given */
typedef int (*VxReadArborFn)(int* arbor);                  /* VXREADARBOR: 1 when given */
typedef int (*VxReadStartPointFn)(double* xyz);            /* VXREADSTARTPOINT: 1 when given */
/* VXREADPATH: the next path record as one NC block of at most 255 characters (no line end
 * needed) with its own line number; 1 when a record was written, 0 at the end of the program. */
typedef int (*VxReadPathFn)(char* block, int size, int* line_number);
typedef int (*VxReadCloseFn)(void);                        /* VXREADCLOSE */

/* ---- NC comments (vxnccom): offered every NC line that holds a comment ---- */
typedef int (*VxNcComToolFn)(const char* line, int* tool);         /* VXNCCOMTOOL: 1 defines the tool */
typedef int (*VxNcComToolLenFn)(const char* line, double* length); /* VXNCCOMTOOLLEN */
typedef int (*VxNcComArborFn)(const char* line, int* arbor);       /* VXNCCOMARBOR */

/* ---- Sync provider (vxsync) ---- */
/* VXSYNCGETNAME: the NAME of the machine definition, each time one is read. */
typedef void (*VxSyncGetNameFn)(const char* machine_name);

#ifdef __cplusplus
}
#endif

#endif
