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

/* ---- The workpiece grid, as simulation modules and modifiers get it ----
 * The program's own layers, lent for the length of a call (a simulation module: from
 * VXSIMGETWORK until VXSIMEND returns). Cell (i, j) lies at X = origin_x + i * pitch,
 * Y = origin_y + j * pitch and is element j * nx + i of every array. A module writes heights,
 * attribute bytes and line numbers in place; it never changes nx, ny, origin_x, origin_y,
 * pitch or the pointers (the program refuses a module that does, and gives the workpiece back
 * as it was before the call, as it does for a height that is not a finite number or lies below
 * the bottom). */
typedef struct VxGrid {
    int nx, ny;                 /* grid points along X and Y, each at least 2 */
    double origin_x, origin_y;  /* X and Y of cell (0, 0), mm */
    double pitch;               /* distance of neighbouring grid points, mm, above 0 */
    double bottom;              /* work bottom Z: no height may lie below it */
    double top;                 /* work top Z: the stock's upper face (a cut never raises it) */
    float* height;              /* nx * ny heights (Z, mm) */
    unsigned char* attribute;   /* nx * ny bytes: bit 0 paint, bits 1-3 pen 0..7 of the last cut,
                                   bits 4-5 how it was cut (0 none, 1 up-cut, 2 down-cut,
                                   3 vertical plunge) */
    int* line;                  /* nx * ny NC line numbers of the last cut (negated for a line of
                                   a called program, 0 never cut); NULL when the data-holding
                                   level keeps no line numbers */
} VxGrid;

/* ---- Simulation modules (vxsim .. vxsim3) ----
 * A simulation module cuts the selected NC program instead of the built-in cut: the Run menu
 * item with its VXSIMMENUITEM caption (command 32941 + slot; keys F8 and F9 for slots 0 and 1),
 * or the batch suffixes s1..s3 of -X4, -X5 and -X6. The program still reads and interprets the
 * NC program (cycles, subprograms, offsets) and hands the module the resulting moves; it takes
 * the workpiece backup first and ends the run as any cut-and-show run ends (log, summary, result
 * view). Such a run never stops at M00/M01 or single blocks: the module's START..END bracket is
 * closed in one go. Calls, in order:
 *   VXSIMPARAMETER, VXSIMPATHTYPE, VXSIMGETWORK, VXSIMSTART,
 *   then per move: VXSIMGETTOOL, VXSIMGETTOOLLEN, VXSIMGETARBOR (first move and after each tool
 *   change), VXSIMCUTWORK (once per move or per sub-step, see VXSIMPATHTYPE),
 *   VXSIMEND (always, once VXSIMSTART said 1).
 * Besides these: VXSIMMENUITEM (VxTextFn: the Run menu caption; " or F8"/" or F9" is appended for
 * slots 0 and 1), VXSIMINIT and VXSIMFREE (VxInitFn, VxFreeFn). A refused module is told FREE
 * and unloaded at once, and is not called again until the next start. */

/* VXSIMPARAMETER: *status is 1 when a user is there, 2 in an unattended batch (show nothing).
 * The module may ask for its settings; leaving 0 in *status cancels the run (nothing changed).
 * The result is ignored. */
typedef int (*VxSimParameterFn)(int* status);

/* VXSIMPATHTYPE: how VXSIMCUTWORK gets the moves. 0 (also without this export): sub-steps, each
 * a straight piece of at most PITCH(MOVE) (arcs are divided), as the built-in cut samples them;
 * 1: whole moves, arcs with their centre; 2: straight pieces, lines whole and arcs divided as
 * in 0 (for a module that sweeps its tool along a straight piece exactly). Any other answer
 * refuses the module. */
#define VX_SIM_PATH_STEPS 0
#define VX_SIM_PATH_MOVES 1
#define VX_SIM_PATH_LINES 2
typedef int (*VxSimPathTypeFn)(void);

/* VXSIMGETWORK: the workpiece the run cuts. The module keeps `grid` (the pointer and the arrays
 * it points to) until VXSIMEND returns, and cuts into it. 1 accepts; 0 declines the run. */
typedef int (*VxSimGetWorkFn)(VxGrid* grid);

/* VXSIMSTART: the run begins with the NC file `nc_file` (UTF-8 path). 1 goes on; 0 declines. */
typedef int (*VxSimStartFn)(const char* nc_file);

/* VXSIMGETTOOL: the tool the following moves cut with. */
typedef struct VxSimTool {
    int number;             /* tool number of the tool file */
    int type;               /* 0 other, 1 ball, 2 flat, 3 bull nose, 4 taper ball, 5 vertical,
                               6 oval, 9 radius, 99 scribing */
    double diameter;        /* D, mm */
    double corner_radius;   /* R: the ball radius of a ball mill, the corner of a bull nose */
    double cutting_length;  /* H: height of the cutting edge (effective length), mm */
    int pen;                /* pen 0..7 for bits 1-3 of the attribute bytes it cuts */
} VxSimTool;
typedef void (*VxSimGetToolFn)(const VxSimTool* tool);

/* VXSIMGETTOOLLEN: the tool's protrusion from the holder (L1 of the tool file), mm; 0 when the
 * tool file gives none. */
typedef void (*VxSimGetToolLenFn)(double protrusion);

/* VXSIMGETARBOR: the holder above the protrusion, as sections from the bottom up: section k
 * (0-based) has diameter diameters[k] and height heights[k], mm. count 0: no holder given. */
typedef void (*VxSimGetArborFn)(int count, const double* diameters, const double* heights);

/* VXSIMCUTWORK: one piece of the tool's path, tool-tip coordinates in workpiece millimetres. */
typedef struct VxSimMove {
    int motion;          /* 0 rapid, 1 linear, 2 clockwise arc, 3 counter-clockwise arc */
    int line;            /* NC line number, negated inside a called program (for grid->line) */
    double start[3];     /* X, Y, Z where the piece starts */
    double end[3];       /* X, Y, Z where it ends */
    double centre[3];    /* arcs of whole moves: the centre; otherwise equal to end */
    int normal;          /* arcs: axis normal to the arc's plane, 0 X, 1 Y, 2 Z */
    double feed;         /* the modal F, mm/min (rapid moves carry it too, unused by them) */
    int step, steps;     /* sub-step k of n (1..n); whole moves: 1 of 1 */
} VxSimMove;
/* 1: go on; 0: the module ends the run here (the run ends as at the end of the program);
 * a negative result: the module failed, and is refused, the workpiece given back. */
typedef int (*VxSimCutWorkFn)(const VxSimMove* move);

/* VXSIMEND: the run is over; aborted is 1 when it ended early (escape, alarm, the module's 0).
 * The grid is the program's again once this returns. */
typedef void (*VxSimEndFn)(int aborted);

/* ---- Modifiers (vxmod .. vxmod3) ----
 * A modifier changes the whole workpiece at once: the Workpiece menu item with its VXMODMENUITEM
 * caption (command 32911 + slot, enabled once a workpiece exists), or unattended with
 * -XU1..-XU3 (load -D, modify, save -O, quit). The program takes the workpiece backup first (the
 * C key brings it back). Calls, in order: VXMODPARAMETER, VXMODGETBASICMODEL (only when a basic
 * model is loaded), VXMODMODWORK. Besides these: VXMODMENUITEM (VxTextFn: the menu caption),
 * VXMODINIT and VXMODFREE (VxInitFn, VxFreeFn). A refused module is told FREE and unloaded. */

/* VXMODPARAMETER: as VXSIMPARAMETER: *status 1 with a user, 2 unattended; 0 left cancels. */
typedef int (*VxModParameterFn)(int* status);

/* VXMODGETBASICMODEL: the basic model's heights, nx * ny like the grid's (resampled to it),
 * valid during the following VXMODMODWORK only. */
typedef void (*VxModGetBasicModelFn)(const float* heights, int nx, int ny);

/* VXMODMODWORK: change the workpiece in place. The module may also move grid->bottom and
 * grid->top (a raised workpiece raises both). 1: changed; 0: nothing was done (the program says
 * so). */
typedef int (*VxModModWorkFn)(VxGrid* grid);

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
/* VXEDITORTOP: cursor to the first line, called as a run starts (instead of a jump to line 1).
 * VXEDITORDOWN, VXEDITORDOWN2(count): one line down, `count` lines down; looked up, not called by
 * this version (a run's stops are sent as jumps). */
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
