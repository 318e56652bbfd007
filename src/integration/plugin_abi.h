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

/* ---- Workpiece loaders (vxload .. vxload3) ----
 * A loader reads a workpiece format of its own. The program picks the loader whose VXLOADSUFFIX
 * names the file's extension (several: "XYZ;PTS"; any case) when a file is loaded as the
 * workpiece (menu, -D, a bare argument, a dropped file), as the basic model or as a merge model.
 * Calls, in order: PARAMETER, GETWORKSIZE, LOADWORK. The grid is square: cell (i, j) stands at
 * X = origin X + i * pitch, Y = origin Y + j * pitch and is element j * nx + i of every array.
 * A module that answers nonsense (a size below 0 or not a number, a pitch that is not a number,
 * a grid of more than 2^31 - 1 points, a height that is not a number) or lacks GETWORKSIZE or
 * LOADWORK is refused: it is named on stderr and in the log, unloaded, and the workpiece stays
 * as it was. */
/* VXLOADKIND: the format's name for the file dialog, e.g. "XYZ point grid". */
/* VXLOADPARAMETER: called before each load with *status = 1; the module may ask the user for its
 * options here. Anything but 1 left in *status cancels the load (no message box; stderr and the
 * log say that the module cancelled it). */
typedef void (*VxLoadParameterFn)(int* status);
/* VXLOADGETWORKSIZE: the extent of the workpiece in `file`. extent[0..2] receive its size along
 * X, Y and Z (each 0 or more); origin[0..2] its minimum corner (origin Z is the bottom, origin Z +
 * extent Z the top); *pitch is 0 on entry and may be set to the file's own grid pitch; 0 or less
 * means the program's pitch (for a workpiece the work pitch of the settings, for a model the
 * workpiece's). The program then sizes the grid: nx = trunc(extent X / pitch + 1.5), at least 2
 * (ny likewise). Returns 1, or 0 when the file cannot be read (the load stops with a message
 * naming the module and the file). */
typedef int (*VxLoadGetWorkSizeFn)(const char* file, double* extent, double* origin, double* pitch);
/* VXLOADLOADWORK: the heights of `file` on the grid sized from GETWORKSIZE: `heights` (nx * ny
 * floats, mm) start at the bottom (origin Z) for a workpiece and at -100000 (no material) for a
 * model; `attributes` (nx * ny bytes, bit 0 paint, bits 1-3 pen, bits 4-5 cutting direction;
 * bits 6-7 are cleared afterwards) and `line_numbers` (nx * ny NC line numbers) start at 0;
 * `line_numbers` is null for a model and for a workpiece that keeps no line numbers. Returns 1,
 * or 0 when the file cannot be read (nothing is changed). */
typedef int (*VxLoadLoadWorkFn)(const char* file, double pitch, int nx, int ny, float* heights,
                                unsigned char* attributes, int* line_numbers);
/* VXLOADSTARTPOINT: looked up, not called by this version. */

/* ---- Workpiece savers (vxsave .. vxsave3) ----
 * A saver writes the workpiece in a format of its own: save type 7 + its slot, chosen by
 * VXSAVESUFFIX (the first suffix names the type; -O and the save dialog take it). Calls, in
 * order: PARAMETER, GETBASICMODEL, GETSAVELEVEL, SAVEWORK. */
/* VXSAVEKIND: the format's name for the save dialog's file-type list, e.g. "CSV height grid". */
/* VXSAVEPARAMETER: called before each save with *status = 1; 0 left in *status cancels it (said
 * on stderr and in the log). */
typedef void (*VxSaveParameterFn)(int* status);
/* VXSAVEGETBASICMODEL: for a module that saves against the reference shape. The program loads
 * the basic model named in the settings (or by -K) first; without one the save stops with
 * "Please select!" titled "Basic Model". `heights` holds nx * ny floats on the workpiece grid
 * (-100000 where the model has no material), valid during this call only. */
typedef void (*VxSaveGetBasicModelFn)(const float* heights, int nx, int ny);
/* VXSAVEGETSAVELEVEL: the save settings: `save_level` 1 heights only, 2 with attribute bytes,
 * 3 with NC line numbers (SAVE_LEVEL); `integer_heights` 1 for VALUE TYPE "INT", else 0. */
typedef void (*VxSaveGetSaveLevelFn)(int save_level, int integer_heights);
/* VXSAVESAVEWORK: writes `file`. extent[0..2]: the defined workpiece's size along X, Y and Z;
 * origin[0..2]: its minimum corner (origin Z the bottom); then the grid and its arrays as in
 * LOADWORK (`line_numbers` null when the workpiece keeps none; negative numbers are lines of a
 * called program). The arrays are valid during the call only. Returns 1 written, 0 failed (the
 * user is told that the module did not write the file). */
typedef int (*VxSaveSaveWorkFn)(const char* file, const double* extent, const double* origin, double pitch,
                                int nx, int ny, const float* heights, const unsigned char* attributes,
                                const int* line_numbers);

/* ---- NC comments (vxnccom) ----
 * Every NC line that holds a comment "(...)" is offered once, before the comment is skipped,
 * unless the user switched the module off (command "Disable vxnccom.dll"). `line` is the whole
 * block as read. A tool number given is made the active tool as a T word with a tool change
 * would (it must be in the tool table); a length (above 0) becomes the current tool's protrusion
 * (its LENGTH) until the tool is selected again; arbors are read but not yet applied (the run
 * says so once). Each ...F variant, when exported, is called instead of its
 * plain one and also gets the NC line number of the block. */
typedef int (*VxNcComToolFn)(const char* line, int* tool);         /* VXNCCOMTOOL: 1 defines the tool */
typedef int (*VxNcComToolLenFn)(const char* line, double* length); /* VXNCCOMTOOLLEN: 1 gives a length */
typedef int (*VxNcComArborFn)(const char* line, int* arbor);       /* VXNCCOMARBOR: 1 gives an arbor */
typedef int (*VxNcComToolFFn)(const char* line, int line_number, int* tool);         /* VXNCCOMTOOLF */
typedef int (*VxNcComToolLenFFn)(const char* line, int line_number, double* length); /* VXNCCOMTOOLLENF */
typedef int (*VxNcComArborFFn)(const char* line, int line_number, int* arbor);       /* VXNCCOMARBORF */

/* ---- Editor link (vxeditor) ----
 * Takes over steps of the external editor link; every export is optional and replaces only its
 * own step. The module is unloaded at start-up when EXEC_PROGRAM names an editor whose line jump
 * the program does itself (vi, vim, nvim, emacs, nano, gedit, kate, code, and the Windows editors
 * Hidemaru, Maruo, TeraPad, K2Editor). */
/* VXEDITOREXECOPTION: builds the editor's parameters from the pattern (EXEC_OPTION, "%1" the
 * file, "%2" the line) instead of the program: fills `parameters` (a terminated string of fewer
 * than `size` bytes) and returns 1, or returns 0 to leave it to the program. */
typedef int (*VxEditorExecOptionFn)(const char* pattern, const char* nc_file, int line, char* parameters,
                                    int size);
/* VXEDITOREXECPROGRAM: starts the editor `program` (EXEC_PROGRAM as written) with `parameters`
 * (one string, as a command line would carry them) instead of the program; 1 started, 0 not
 * (the user is told). */
typedef int (*VxEditorExecProgramFn)(const char* program, const char* parameters);
/* VXEDITORFINDWINDOW: after the start, instead of the program's own search for the editor:
 * *found (0 on entry) receives 1 when the module can reach the editor on `nc_file`. Line jumps
 * are sent only while it is found; without this export the editor counts as found once started. */
typedef void (*VxEditorFindWindowFn)(const char* nc_file, int* found);
/* VXEDITORJUMP: show `line` where a run stopped. VXEDITORJUMP2: show the NC line of a point
 * picked on the workpiece. Each stands in for the other when only one is exported. */
typedef void (*VxEditorJumpFn)(int line);
/* VXEDITORTOP, VXEDITORDOWN, VXEDITORDOWN2(count): cursor to the first line, one line down, `count`
 * lines down. Looked up, not called by this version (its window has no stepping navigation). */
typedef void (*VxEditorTopFn)(void);
typedef void (*VxEditorDownFn)(void);
typedef void (*VxEditorDown2Fn)(int count);
/* VXEDITOREXIT: the run's line link ends (the run is over); the module may close the editor. */
typedef void (*VxEditorExitFn)(void);

/* ---- Sync provider (vxsync) ---- */
/* VXSYNCGETNAME: the NAME of the machine definition, each time one is read. */
typedef void (*VxSyncGetNameFn)(const char* machine_name);

#ifdef __cplusplus
}
#endif

#endif
