#include "shell/command_line.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace vx::shell {
namespace {

using vx::testing::TempDir;

CommandLineContext context_in(const TempDir& dir) {
    CommandLineContext ctx;
    ctx.current_dir = dir.path();
    return ctx;
}

CommandLine parse(const std::string& line) {
    CommandLineContext ctx;
    ctx.current_dir = "/nonexistent-vornex-test/";
    ctx.load_extensions = {"xyz"};
    ctx.save_extensions = {"", ".ABC"};
    return parse_command_line(line, ctx);
}

bool mentions(const CommandLine& cl, std::string_view text) {
    return std::any_of(cl.diagnostics.begin(), cl.diagnostics.end(),
                       [&](const std::string& d) { return d.find(text) != std::string::npos; });
}

// ---- Splitting ----
// The single-string entry must split as a Windows command line does, or a quoted path with
// blanks would turn into several files.

TEST(CommandLineSplit, BlanksTabsAndQuotes) {
    EXPECT_EQ(split_command_line("  a\tb   c "), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(split_command_line("\"my dir/a b.nc\" -C\"x y\""), (std::vector<std::string>{"my dir/a b.nc", "-Cx y"}));
    EXPECT_EQ(split_command_line("a \"\" b"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(split_command_line("").empty());
    std::vector<std::string> problems;
    EXPECT_EQ(split_command_line("\"open end", &problems), (std::vector<std::string>{"open end"}));
    EXPECT_EQ(problems.size(), 1u);
}

TEST(CommandLineSplit, ArgvElementsStayWhole) {
    TempDir dir;
    dir.write("a b.nc", "G0X0\n");
    const char* argv[] = {"vornex", "a b.nc", "-Cmy ctl", nullptr};
    const CommandLine cl = parse_command_line(3, argv, context_in(dir));
    EXPECT_EQ(cl.nc_file, dir.path() + "a b.nc");
    EXPECT_EQ(cl.controller_file, "my ctl.CTL");
    EXPECT_TRUE(cl.diagnostics.empty());
}

// ---- Bare files ----
// Files are told apart by extension in any case; only the first of each definition kind
// counts, and a missing NC file is dropped without stopping the start.

TEST(CommandLineFiles, ClassifiedByExtensionInAnyCase) {
    const CommandLine cl = parse("a.ini b.CtC c.Ttl d.ctl e.MTL");
    EXPECT_EQ(cl.settings_file, "a.ini");
    EXPECT_EQ(cl.colour_table, "b.CtC");
    EXPECT_EQ(cl.tool_file, "c.Ttl");
    EXPECT_EQ(cl.controller_file, "d.ctl");
    EXPECT_EQ(cl.machine_file, "e.MTL");
    EXPECT_TRUE(cl.diagnostics.empty());
}

TEST(CommandLineFiles, WorkpieceExtensionsIncludingPlugins) {
    for (const char* name : {"w.dmf", "w.DMFZ", "w.Stl", "w.XYZ", "w.xyz"}) {
        const CommandLine cl = parse(name);
        ASSERT_TRUE(cl.workpiece) << name;
        EXPECT_EQ(cl.workpiece->path, name);
        EXPECT_EQ(cl.workpiece->load, WorkLoad::Plain);
        EXPECT_FALSE(cl.workpiece->from_switch);
    }
    EXPECT_FALSE(parse("w.xyzz").workpiece);  // an NC name, missing, so dropped
}

TEST(CommandLineFiles, FirstDefinitionFileWins) {
    const CommandLine cl = parse("first.ctl second.CTL -Cthird one.ini two.ini");
    EXPECT_EQ(cl.controller_file, "first.ctl");
    EXPECT_EQ(cl.settings_file, "one.ini");
    EXPECT_EQ(cl.diagnostics.size(), 3u);
    EXPECT_TRUE(mentions(cl, "second.CTL"));
}

TEST(CommandLineFiles, MissingNcFileIsDroppedAndTheRestGoesOn) {
    TempDir dir;
    const CommandLine cl = parse_command_line("absent.nc -X3 m.mtl", context_in(dir));
    EXPECT_EQ(cl.nc_file, "");
    EXPECT_EQ(cl.missing_nc_files, (std::vector<std::string>{"absent.nc"}));
    EXPECT_TRUE(mentions(cl, "absent.nc"));
    EXPECT_EQ(cl.batch_level, 3);
    EXPECT_EQ(cl.machine_file, "m.mtl");
}

TEST(CommandLineFiles, ExistingNcFileFoundInAnyCaseAndFromBackslashes) {
    TempDir dir;
    dir.write("progs/PART1.NC", "G0\n");
    EXPECT_EQ(parse_command_line("progs/part1.nc", context_in(dir)).nc_file, dir.path() + "progs/PART1.NC");
    EXPECT_EQ(parse_command_line("progs\\PART1.NC", context_in(dir)).nc_file, dir.path() + "progs/PART1.NC");
    EXPECT_EQ(parse_command_line(dir.path() + "progs/PART1.NC", context_in(dir)).nc_file, dir.path() + "progs/PART1.NC");
    // A folder is not an NC file.
    EXPECT_EQ(parse_command_line("progs", context_in(dir)).nc_file, "");
}

TEST(CommandLineFiles, ShortcutsAreDroppedWithAReason) {
    const CommandLine cl = parse("part.LNK");
    EXPECT_EQ(cl.nc_file, "");
    EXPECT_TRUE(cl.missing_nc_files.empty());
    EXPECT_TRUE(mentions(cl, "shortcut"));
}

TEST(CommandLineFiles, AbsolutePathIsNotASwitch) {
    TempDir dir;
    const std::string nc = dir.write("x.nc", "G0\n");
    const CommandLine cl = parse_command_line(nc, context_in(dir));
    EXPECT_EQ(cl.nc_file, nc);
    EXPECT_TRUE(cl.diagnostics.empty());
}

// ---- Definition-file switches ----

TEST(CommandLineDefinitions, ExtensionsAppendedOnlyWhenMissing) {
    EXPECT_EQ(parse("-Czazar").controller_file, "zazar.CTL");
    EXPECT_EQ(parse("-Czazar.ctl").controller_file, "zazar.ctl");
    EXPECT_EQ(parse("-cZAZAR.Ctl").controller_file, "ZAZAR.Ctl");
    EXPECT_EQ(parse("-Czazar.txt").controller_file, "zazar.txt.CTL");
    EXPECT_EQ(parse("-Czazarctl").controller_file, "zazarctl.CTL");
    EXPECT_EQ(parse("-Mmachn").machine_file, "machn.MTL");
    EXPECT_EQ(parse("-Iother").settings_file, "other.INI");
    EXPECT_EQ(parse("-IC colours").colour_table, "colours.CTC");
    EXPECT_EQ(parse("-ic colours.ctc").colour_table, "colours.ctc");
    // -IC takes the colour table's name attached too; a settings name that begins with C is
    // told by its .INI.
    EXPECT_EQ(parse("-ICcolours").colour_table, "colours.CTC");
    EXPECT_EQ(parse("-ICcolours").settings_file, "");
    EXPECT_EQ(parse("-icCOLOURS.CTC").colour_table, "COLOURS.CTC");
    EXPECT_EQ(parse("-ICustom.ini").settings_file, "Custom.ini");
    EXPECT_EQ(parse("-ICustom.ini").colour_table, "");
    EXPECT_EQ(parse("-Cdir\\sub\\z.ctl").controller_file, "dir/sub/z.ctl");
}

TEST(CommandLineDefinitions, ValueMayBeTheNextArgument) {
    EXPECT_EQ(parse("-C zazar").controller_file, "zazar.CTL");
    const CommandLine cl = parse("-C -X2");
    EXPECT_EQ(cl.controller_file, "");
    EXPECT_EQ(cl.batch_level, 2);
    EXPECT_TRUE(mentions(cl, "file name"));
    EXPECT_TRUE(mentions(parse("-IC"), "file name"));
}

TEST(CommandLineDefinitions, ToolFileWithInitialTool) {
    CommandLine cl = parse("-Tatc,12");
    EXPECT_EQ(cl.tool_file, "atc.TTL");
    EXPECT_EQ(cl.initial_tool, 12);
    cl = parse("-Tatc.ttl,3");
    EXPECT_EQ(cl.tool_file, "atc.ttl");
    EXPECT_EQ(cl.initial_tool, 3);
    cl = parse("-Tatc");
    EXPECT_FALSE(cl.initial_tool);
    cl = parse("-Tatc,x");
    EXPECT_EQ(cl.tool_file, "atc.TTL");
    EXPECT_FALSE(cl.initial_tool);
    EXPECT_EQ(cl.diagnostics.size(), 1u);
    EXPECT_FALSE(parse("-Tatc,-1").initial_tool);
    // A comma followed by a path belongs to the name.
    cl = parse("-Ttools,v2/atc.ttl");
    EXPECT_EQ(cl.tool_file, "tools,v2/atc.ttl");
    EXPECT_FALSE(cl.initial_tool);
}

// ---- Workpiece switches ----

TEST(CommandLineWorkpiece, BoxTriplesAreExchanged) {
    const CommandLine cl = parse("-D(100,50,30,-1,-2,-3)");
    ASSERT_TRUE(cl.box);
    EXPECT_EQ(cl.box->first, (Vec3{-1, -2, -3}));
    EXPECT_EQ(cl.box->second, (Vec3{100, 50, 30}));
    EXPECT_FALSE(cl.workpiece);
    for (const char* bad : {"-D(1,2,3,4,5)", "-D(1,2,3,4,5,6,7)", "-D(1,2,3,4,5,x)", "-D(1,2,3,4,5,6)x", "-D(1,2,3,4,5,6"}) {
        const CommandLine b = parse(bad);
        EXPECT_FALSE(b.box) << bad;
        EXPECT_EQ(b.diagnostics.size(), 1u) << bad;
    }
    EXPECT_TRUE(parse("-D (1,2,3,4,5,6)").box);
}

TEST(CommandLineWorkpiece, LoadVariants) {
    CommandLine cl = parse("-Dwork.dmf");
    ASSERT_TRUE(cl.workpiece);
    EXPECT_EQ(cl.workpiece->path, "work.dmf");
    EXPECT_TRUE(cl.workpiece->from_switch);

    cl = parse("-dpy model.stl");
    ASSERT_TRUE(cl.workpiece);
    EXPECT_EQ(cl.workpiece->load, WorkLoad::Press);
    EXPECT_EQ(cl.workpiece->axis, 'Y');
    EXPECT_EQ(cl.workpiece->path, "model.stl");

    for (const char* line : {"-DZ(1,2,30) w.dmf", "-DZ (1,2,30) w.dmf"}) {
        cl = parse(line);
        ASSERT_TRUE(cl.workpiece) << line;
        EXPECT_EQ(cl.workpiece->load, WorkLoad::Swing);
        EXPECT_EQ(cl.workpiece->axis, 'Z');
        EXPECT_TRUE(cl.workpiece->swing_given);
        EXPECT_DOUBLE_EQ(cl.workpiece->a, 1);
        EXPECT_DOUBLE_EQ(cl.workpiece->b, 2);
        EXPECT_DOUBLE_EQ(cl.workpiece->angle, 30);
        EXPECT_EQ(cl.workpiece->path, "w.dmf");
    }
    cl = parse("-DX w.dmf");
    EXPECT_EQ(cl.workpiece->load, WorkLoad::Swing);
    EXPECT_FALSE(cl.workpiece->swing_given);
}

TEST(CommandLineWorkpiece, FileNamesThatLookLikeVariantsArePlain) {
    for (const char* name : {"part.dmf", "x.stl", "Pxy.dmf", "PX1.dmf", "y2.dmf"}) {
        const CommandLine cl = parse(std::string("-D") + name);
        ASSERT_TRUE(cl.workpiece) << name;
        EXPECT_EQ(cl.workpiece->load, WorkLoad::Plain) << name;
        EXPECT_EQ(cl.workpiece->path, name);
    }
    EXPECT_TRUE(mentions(parse("-DP w.dmf"), "direction"));
    EXPECT_TRUE(mentions(parse("-DPX"), "file name"));
    EXPECT_TRUE(mentions(parse("-DPX(1,2,0) w.dmf"), "(paint,pen,direction)"));  // flags are 0 or 1
    const CommandLine kept = parse("-DPY (0,1,0) w.dmf");
    ASSERT_TRUE(kept.workpiece);
    EXPECT_TRUE(kept.workpiece->keep_given);
    EXPECT_EQ(kept.workpiece->keep[1], true);
    EXPECT_EQ(kept.workpiece->path, "w.dmf");
}

TEST(CommandLineWorkpiece, LaterWorkpieceReplacesWithANote) {
    const CommandLine cl = parse("a.dmf -Db.dmf");
    EXPECT_EQ(cl.workpiece->path, "b.dmf");
    EXPECT_TRUE(mentions(cl, "replaces"));
}

// ---- Output file ----
// The suffix after the comma picks the save type; a name without a known extension gets
// ".DMF" so that the batch never writes a file the reader would not recognise.

TEST(CommandLineOutput, SaveTypesFromExtensionAndSuffix) {
    struct Case {
        const char* arg;
        const char* path;
        int type;
    };
    for (const Case& c : {Case{"-Oout.dmf", "out.dmf", kSaveDmf}, Case{"-Oout.DMFZ", "out.DMFZ", kSaveDmf},
                          Case{"-Oout", "out.DMF", kSaveDmf}, Case{"-Oout.txt", "out.txt.DMF", kSaveDmf},
                          Case{"-Oout.stl", "out.stl", kSaveStlText}, Case{"-Oout.STL,b", "out.STL", kSaveStlLittle},
                          Case{"-Oout.stl,B2", "out.stl", kSaveStlBig}, Case{"-Oout.wrl", "out.wrl", kSaveVrmlFaces},
                          Case{"-Oout.WRL,z", "out.WRL", kSaveVrmlGrid}, Case{"-Oout.abc", "out.abc", kSavePlugin + 1},
                          Case{"-Oa,b.dmf", "a,b.dmf", kSaveDmf}, Case{"-O out.stl,b", "out.stl", kSaveStlLittle}}) {
        const CommandLine cl = parse(c.arg);
        ASSERT_TRUE(cl.output) << c.arg;
        EXPECT_EQ(cl.output->path, c.path) << c.arg;
        EXPECT_EQ(cl.output->save_type, c.type) << c.arg;
        EXPECT_TRUE(cl.diagnostics.empty()) << c.arg;
    }
}

TEST(CommandLineOutput, SuffixThatDoesNotFitIsReported) {
    for (const char* arg : {"-Oout.dmf,b", "-Oout.stl,z", "-Oout.wrl,b", "-Oout,b", "-Oout.stl,q"}) {
        const CommandLine cl = parse(arg);
        ASSERT_TRUE(cl.output) << arg;
        EXPECT_EQ(cl.diagnostics.size(), 1u) << arg;
    }
    const CommandLine cl = parse("-Oout.stl,q");
    EXPECT_EQ(cl.output->path, "out.stl");
    EXPECT_EQ(cl.output->save_type, kSaveStlText);
}

// ---- Numbers ----

TEST(CommandLineNumbers, PlacementPitchPositionFontProcessor) {
    const CommandLine cl = parse("-(10,-20,800,600) -P(0.25) -S(1.5,-2) -F16 -G1");
    EXPECT_TRUE(cl.diagnostics.empty());
    ASSERT_TRUE(cl.placement);
    EXPECT_EQ(cl.placement->x, 10);
    EXPECT_EQ(cl.placement->y, -20);
    EXPECT_EQ(cl.placement->width, 800);
    EXPECT_EQ(cl.placement->height, 600);
    EXPECT_EQ(cl.pitch, 0.25);
    ASSERT_TRUE(cl.start_position);
    EXPECT_DOUBLE_EQ(cl.start_position->x, 1.5);
    EXPECT_DOUBLE_EQ(cl.start_position->y, -2);
    EXPECT_EQ(cl.font_height, 16);
    EXPECT_EQ(cl.ideal_processor, 1);
}

TEST(CommandLineNumbers, MalformedValuesAreReportedAndKeepTheDefault) {
    for (const char* arg : {"-(1,2,3)", "-(1,2,3.5,4)", "-P(0)", "-P(-1)", "-P(abc)", "-P", "-S(1)", "-S(1,2,3)",
                            "-F0", "-F", "-Fx", "-F1001", "-G-1", "-G1x", "-(1,2,3,99999999999)"}) {
        const CommandLine cl = parse(arg);
        EXPECT_EQ(cl.diagnostics.size(), 1u) << arg;
        EXPECT_FALSE(cl.placement) << arg;
        EXPECT_FALSE(cl.pitch) << arg;
        EXPECT_FALSE(cl.start_position) << arg;
        EXPECT_EQ(cl.font_height, 0) << arg;
        EXPECT_EQ(cl.ideal_processor, -1) << arg;
    }
}

// ---- Report and batch level ----

TEST(CommandLineBatch, ReportSwitches) {
    EXPECT_EQ(parse("-V").report, Report::V);
    EXPECT_EQ(parse("-v5").report, Report::V5);
    EXPECT_EQ(parse("-V6").report, Report::V6);
    EXPECT_EQ(parse("-va").report, Report::VA);
    const CommandLine bad = parse("-V7");
    EXPECT_EQ(bad.report, Report::None);
    EXPECT_EQ(bad.diagnostics.size(), 1u);
}

TEST(CommandLineBatch, LevelsAndSuffixes) {
    struct Case {
        const char* arg;
        int level;
        bool fast, no_dialog;
        int sim;
    };
    for (const Case& c : {Case{"-X0", 0, false, false, 0}, Case{"-X4f", 4, true, false, 0}, Case{"-x5N", 5, false, true, 0},
                          Case{"-X6fn", 6, true, true, 0}, Case{"-X6NF", 6, true, true, 0}, Case{"-X4s2", 4, false, false, 2},
                          Case{"-X5S3", 5, false, false, 3}}) {
        const CommandLine cl = parse(c.arg);
        EXPECT_EQ(cl.batch_level, c.level) << c.arg;
        EXPECT_EQ(cl.fast, c.fast) << c.arg;
        EXPECT_EQ(cl.no_dialog, c.no_dialog) << c.arg;
        EXPECT_EQ(cl.sim_plugin, c.sim) << c.arg;
        EXPECT_TRUE(cl.diagnostics.empty()) << c.arg;
    }
    CommandLine cl = parse("-X4s4");
    EXPECT_EQ(cl.batch_level, 4);
    EXPECT_EQ(cl.sim_plugin, 0);
    EXPECT_EQ(cl.diagnostics.size(), 1u);
    // A level that does not cut and show would drop the module's run without a word.
    for (const char* arg : {"-X7s1", "-X3s2"}) {
        cl = parse(arg);
        EXPECT_EQ(cl.sim_plugin, 0) << arg;
        ASSERT_EQ(cl.diagnostics.size(), 1u) << arg;
        EXPECT_NE(cl.diagnostics[0].find("levels 4 to 6"), std::string::npos) << arg;
    }
    cl = parse("-X8");
    EXPECT_EQ(cl.batch_level, -1);
    EXPECT_EQ(cl.diagnostics.size(), 1u);
    // The last level given counts, with its own suffix only.
    cl = parse("-X4f -X3");
    EXPECT_EQ(cl.batch_level, 3);
    EXPECT_FALSE(cl.fast);
}

TEST(CommandLineBatch, MinimisedStart) {
    EXPECT_FALSE(parse("-X5").minimised);
    EXPECT_TRUE(parse("-X6").minimised);
    EXPECT_TRUE(parse("-X7").minimised);
    EXPECT_TRUE(parse("-V6").minimised);
    EXPECT_FALSE(parse("-V5").minimised);
    EXPECT_TRUE(parse("-XR1").minimised);
    EXPECT_FALSE(parse("-XR9").minimised);  // a switch that was not understood starts nothing
}

// ---- Workpiece operations ----

TEST(CommandLineOperations, CommandsAndValues) {
    struct Case {
        const char* arg;
        WorkOperationKind kind;
        int command, value;
    };
    for (const Case& c : {Case{"-XAH model.dmf", WorkOperationKind::Merge, 32895, 1},
                          Case{"-XALmodel.dmf", WorkOperationKind::Merge, 32895, -1},
                          Case{"-XMS(1,2,3)", WorkOperationKind::Move, 32827, 1},
                          Case{"-XMO (1,2,3)", WorkOperationKind::Move, 32827, 2},
                          Case{"-XON", WorkOperationKind::Offset, 32788, 1}, Case{"-XOZ", WorkOperationKind::Offset, 32788, 2},
                          Case{"-XOH", WorkOperationKind::Offset, 32788, 3}, Case{"-XONP", WorkOperationKind::Offset, 32788, 11},
                          Case{"-XOZP", WorkOperationKind::Offset, 32788, 12}, Case{"-XONPO", WorkOperationKind::Offset, 32788, 21},
                          Case{"-XOZPO", WorkOperationKind::Offset, 32788, 22}, Case{"-xohpo", WorkOperationKind::Offset, 32788, 23},
                          Case{"-XP1", WorkOperationKind::PenStrip, 32820, 1}, Case{"-XP7", WorkOperationKind::PenStrip, 32820, 7},
                          Case{"-XPA", WorkOperationKind::PenStrip, 32820, 8}, Case{"-XPP", WorkOperationKind::PaintAll, 32789, 0},
                          Case{"-XPC", WorkOperationKind::StripPaint, 32790, 0},
                          Case{"-XR1", WorkOperationKind::RotateMirror, 32826, 1},
                          Case{"-XR5", WorkOperationKind::RotateMirror, 32826, 5},
                          Case{"-XD", WorkOperationKind::Difference, 32893, 1}, Case{"-XDM", WorkOperationKind::Difference, 32893, -1},
                          Case{"-XU1", WorkOperationKind::Plugin, 32911, 0}, Case{"-XU3", WorkOperationKind::Plugin, 32913, 0}}) {
        const CommandLine cl = parse(c.arg);
        ASSERT_EQ(cl.operations.size(), 1u) << c.arg;
        EXPECT_TRUE(cl.diagnostics.empty()) << c.arg;
        const WorkOperation& op = cl.operations[0];
        EXPECT_EQ(op.kind, c.kind) << c.arg;
        EXPECT_EQ(op.command, c.command) << c.arg;
        EXPECT_EQ(op.value, c.value) << c.arg;
    }
}

TEST(CommandLineOperations, NumbersAndFiles) {
    CommandLine cl = parse("-XAH model.dmf");
    EXPECT_EQ(cl.operations[0].file, "model.dmf");
    EXPECT_FALSE(cl.workpiece);  // the model is not the workpiece to load
    EXPECT_EQ(parse("-XMS(1,-2,3.5)").operations[0].numbers, (std::vector<double>{1, -2, 3.5}));
    EXPECT_EQ(parse("-XONP(-2.5)").operations[0].numbers, (std::vector<double>{-2.5}));
    EXPECT_EQ(parse("-XOH (2)").operations[0].numbers, (std::vector<double>{2}));
    EXPECT_TRUE(parse("-XOH").operations[0].numbers.empty());
    EXPECT_EQ(parse("-XDM(0.05)").operations[0].numbers, (std::vector<double>{0.05}));
}

TEST(CommandLineOperations, MalformedOperationsAreDropped) {
    for (const char* arg : {"-XA", "-XAX m.dmf", "-XAH", "-XMS", "-XMS(1,2)", "-XMX(1,2,3)", "-XO", "-XOQ", "-XONX", "-XOHP",
                            "-XON(x)", "-XP", "-XP8", "-XP12", "-XR0", "-XR6", "-XDQ", "-XD(-1)", "-XU0", "-XU4", "-XQ", "-X"}) {
        const CommandLine cl = parse(arg);
        EXPECT_TRUE(cl.operations.empty()) << arg;
        EXPECT_EQ(cl.diagnostics.size(), 1u) << arg;
    }
}

// ---- Unknown switches and Linux additions ----

TEST(CommandLineSwitches, UnknownSwitchesAreReportedAndTheParseGoesOn) {
    const CommandLine cl = parse("-Q -Z1 - --verbose -X2 -Czazar");
    EXPECT_EQ(cl.diagnostics.size(), 4u);
    EXPECT_EQ(cl.batch_level, 2);
    EXPECT_EQ(cl.controller_file, "zazar.CTL");
}

TEST(CommandLineSwitches, HelpAndVersion) {
    EXPECT_TRUE(parse("--help").help);
    EXPECT_TRUE(parse("--version").version);
    EXPECT_FALSE(parse("--help").version);
}

TEST(CommandLineSwitches, DiagnosticsStayOneLine) {
    const CommandLine cl = parse_arguments({"-Q\nforged log line"}, CommandLineContext{});
    ASSERT_EQ(cl.diagnostics.size(), 1u);
    EXPECT_EQ(cl.diagnostics[0].find('\n'), std::string::npos);
    std::vector<std::string> many(500, "-Q");
    EXPECT_LE(parse_arguments(many, CommandLineContext{}).diagnostics.size(), 101u);
}

TEST(CommandLineSwitches, UsageListsEverySwitch) {
    const std::string usage = usage_text();
    for (const char* sw : {"-(", "-C", "-M", "-T", "-I", "-IC", "-D", "-DP", "-DX", "-K", "-O", "-P(", "-S(", "-F", "-G", "-V",
                           "-V5", "-V6", "-VA", "-X0", "-XA", "-XM", "-XO", "-XP", "-XR", "-XD", "-XU", "--image", "--help", "--version"})
        EXPECT_NE(usage.find(sw), std::string::npos) << sw;
}

TEST(CommandLineSwitches, ImageTakesAFileAndAnOptionalSize) {
    const CommandLine plain = parse("-X5 --image out/view.png");
    ASSERT_TRUE(plain.image);
    EXPECT_EQ(plain.image->path, "out/view.png");
    EXPECT_EQ(plain.image->width, 1280);
    EXPECT_EQ(plain.image->height, 960);
    const CommandLine sized = parse("--image=a,b.png,640x480");
    ASSERT_TRUE(sized.image);
    EXPECT_EQ(sized.image->path, "a,b.png");
    EXPECT_EQ(sized.image->width, 640);
    EXPECT_EQ(sized.image->height, 480);
    for (const char* bad : {"--image v.png,640", "--image v.png,8x8", "--image v.png,640x480x2", "--image"}) {
        const CommandLine c = parse(bad);
        EXPECT_FALSE(c.image) << bad;
        EXPECT_EQ(c.diagnostics.size(), 1u) << bad;
    }
}

// ---- Feeding the settings ----
// The command line's values must reach the settings and mark the keys they replace, or a saved
// value would silently win over what the user typed.

TEST(CommandLineSettings, ContextMarksTheReplacedKeys) {
    CommandLine cl = parse("-(1,2,3,4) -D(1,2,3,4,5,6) -S(1,2) -XON(2) -XDM -V6 -IC c.ctc -Iother");
    SettingsContext ctx = settings_context(cl, "/cur/", "/prog/", 4);
    EXPECT_EQ(ctx.current_dir, "/cur/");
    EXPECT_EQ(ctx.program_dir, "/prog/");
    EXPECT_EQ(ctx.processors, 4);
    EXPECT_TRUE(ctx.placement_given);
    EXPECT_TRUE(ctx.box_given);
    EXPECT_TRUE(ctx.control_point_given);
    EXPECT_TRUE(ctx.offset_given);
    EXPECT_TRUE(ctx.difference_paint_given);
    EXPECT_TRUE(ctx.minimised);
    EXPECT_EQ(ctx.colour_table, "c.ctc");
    EXPECT_EQ(settings_file_name(cl), "other.INI");

    ctx = settings_context(parse("-XON"), "/cur/", "/prog/", 1);
    EXPECT_FALSE(ctx.offset_given);  // no distance: OFFSET VALUE is read
    EXPECT_FALSE(ctx.placement_given);
    EXPECT_EQ(settings_file_name(parse("")), "vornex.ini");
}

TEST(CommandLineSettings, ValuesReachTheSettings) {
    TempDir dir;
    dir.write("mine.ctl", "");
    const CommandLine cl = parse_command_line("-Cmine -D(100,50,30,-1,-2,-3) -S(5,6) -P(0.5) -XOZ(1.5) -XDM(0.2)",
                                              context_in(dir));
    const SettingsContext ctx = settings_context(cl, dir.path(), dir.path() + "prog/", 1);
    Settings s = read_settings(dir.path() + "absent.ini", ctx);
    apply_command_line(cl, ctx, s);
    EXPECT_EQ(s.table.controller_table, dir.path() + "mine.ctl");
    EXPECT_EQ(s.table.machine_table, dir.path() + "prog/machn.mtl");  // not given: the settings' own
    EXPECT_EQ(s.dmf.initial_size.first, (Vec3{-1, -2, -3}));
    EXPECT_EQ(s.dmf.initial_size.second, (Vec3{100, 50, 30}));
    EXPECT_EQ(s.define.control_point, (Vec3{5, 6, 0}));
    EXPECT_FALSE(s.define.work_pitch.automatic);
    EXPECT_EQ(s.define.work_pitch.pitch, 0.5);
    EXPECT_EQ(s.define.offset_value, 1.5);
    EXPECT_TRUE(s.define.difference_minus);
    EXPECT_EQ(s.define.difference_margin, 0.2);
}

}  // namespace
}  // namespace vx::shell
