#include "nc/ctl.h"

#include "platform/files.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

namespace vx::nc {
namespace {

using vx::testing::TempDir;

Ctl parsed(std::string_view text) {
    Ctl c;
    parse_ctl(text, c);
    return c;
}

// ---- Defaults ----
// A file without any key must leave every default of the record's table; a wrong default
// changes how every program without that key is read.

TEST(CtlDefaults, FileWithoutKeysKeepsTheTableDefaults) {
    const Ctl c = parsed("This controller file has no key at all.\n; nor here\n\n");
    EXPECT_EQ(c.name, "");
    EXPECT_EQ(c.name_colour, rgb(255, 0, 0));
    EXPECT_EQ(c.name_background, rgb(255, 255, 0));
    EXPECT_EQ(c.unit, 1000);
    EXPECT_DOUBLE_EQ(c.min_move, 0.0005);
    EXPECT_EQ(c.scale_unit, 1000);
    EXPECT_EQ(c.angle_unit, 1000);
    EXPECT_EQ(c.decimal_point, 0);
    EXPECT_EQ(c.product, Dialect::Default);
    EXPECT_EQ(c.pre_read, 0);
    EXPECT_EQ(c.only_g40, 1);
    EXPECT_EQ(c.initial_plane, 17);
    EXPECT_EQ(c.return_level, 1);
    EXPECT_FALSE(c.check_f0);
    EXPECT_FLOAT_EQ(c.r_tolerance, 1000000.0f);
    EXPECT_FALSE(c.code_check);
    EXPECT_FALSE(c.has_check_char);
    EXPECT_FALSE(c.radius_offset_check.active);
    EXPECT_FALSE(c.check_reverse_arc);
    EXPECT_FLOAT_EQ(c.smooth_angle, 2.0f);
    EXPECT_EQ(c.feedrate, 0);
    EXPECT_EQ(c.offset_memory, 3);
    EXPECT_EQ(c.g92_mode, 0);
    EXPECT_EQ(c.g49_mode, 0);
    EXPECT_EQ(c.g00_mode, 0);
    EXPECT_FALSE(c.g00_path);
    EXPECT_FALSE(c.block_skip_any);
    EXPECT_TRUE(c.stop_characters.empty());
    EXPECT_TRUE(c.concave_arc_feed);
    EXPECT_EQ(c.stop_option, 0);
    EXPECT_TRUE(c.wait_m_codes.empty());
    EXPECT_FLOAT_EQ(c.g73_d, 1.0f);
    EXPECT_FLOAT_EQ(c.g83_d, 1.0f);
    EXPECT_FALSE(c.cycle_l0_once);
    EXPECT_FALSE(c.cycle_k0_once);
    EXPECT_EQ(c.scale_effect, (std::array<bool, 3>{true, true, true}));
    EXPECT_EQ(c.scale, (std::array<double, 3>{1.0, 1.0, 1.0}));
    EXPECT_EQ(c.axis_letter, (std::array<char, 3>{'X', 'Y', 'Z'}));
    EXPECT_EQ(c.centre_letter, (std::array<char, 3>{'I', 'J', 'K'}));
    EXPECT_EQ(c.reverse, (std::array<bool, 3>{false, false, false}));
    EXPECT_EQ(c.start_code, ' ');
    EXPECT_FALSE(c.d_from_tool || c.h_from_tool || c.memory_run || c.rigid_tap);
    EXPECT_TRUE(c.replacements.empty());
    EXPECT_EQ(c.plane_codes, (std::array<int, 3>{17, 18, 19}));
    EXPECT_EQ(c.current_work_offset, (Vec3{0, 0, 0}));
}

// ---- Key order ----
// Keys are matched on the beginning of the line; a key that is the beginning of another must be
// tried after it, or the longer key's lines set the wrong field.

TEST(CtlKeyOrder, UnitScaleAndDegAreNotTheLinearUnit) {
    const Ctl c = parsed("UNIT(SCALE)=1/100000\nunit(deg) = .00001\n");
    EXPECT_EQ(c.scale_unit, 100000);
    EXPECT_EQ(c.angle_unit, 100000);
    EXPECT_EQ(c.unit, 1000);
    EXPECT_DOUBLE_EQ(c.min_move, 0.0005);
}

TEST(CtlKeyOrder, CycleRetractKeysAreNotClearanceLines) {
    const Ctl c = parsed("G73_D=2.5\nG83_D = 0.75\nG73 CLEARANCE=0.5\nG89 CLEARANCE 2\nG90 CLEARANCE=9\n");
    EXPECT_FLOAT_EQ(c.g73_d, 2.5f);
    EXPECT_FLOAT_EQ(c.g83_d, 0.75f);
    EXPECT_DOUBLE_EQ(c.clearance[3], 0.5);   // G73
    EXPECT_DOUBLE_EQ(c.clearance[19], 2.0);  // G89
    for (int g = 70; g < 90; ++g) {
        if (g == 73 || g == 89) continue;
        EXPECT_DOUBLE_EQ(c.clearance[static_cast<std::size_t>(g - 70)], 0.0) << g;
    }
    EXPECT_FLOAT_EQ(parsed("CYCLE(D)=3\n").g83_d, 3.0f);
    EXPECT_FLOAT_EQ(parsed("CYCLE(D)=3\n").g73_d, 3.0f);
}

TEST(CtlKeyOrder, KeysBeginningWithDHFAreNotOffsetLines) {
    const Ctl c = parsed("D-CODE VALUE=AUTO\nH-CODE VALUE=AUTO\nFEEDRATE=AUTO2\nDECIMAL POINT=YES\nF12=300\nD3=1.25\n");
    EXPECT_TRUE(c.d_from_tool);
    EXPECT_TRUE(c.h_from_tool);
    EXPECT_EQ(c.feedrate, 3);
    EXPECT_EQ(c.decimal_point, 1);
    EXPECT_FLOAT_EQ(c.f[12], 300.0f);
    EXPECT_FLOAT_EQ(c.d[3].value, 1.25f);
    EXPECT_FLOAT_EQ(c.d[0].value, 0.0f);
    EXPECT_FLOAT_EQ(c.h[0].value, 0.0f);
}

TEST(CtlKeyOrder, KeyMustStartTheLine) {
    const Ctl c = parsed(" UNIT=1/100\n;EOR=%\nxUNIT=1/100\n");
    EXPECT_EQ(c.unit, 1000);
    EXPECT_EQ(c.start_code, ' ');
}

// ---- Keyword values ----
// Values are matched on their first letters, so a value that begins with another value's word
// must be tested first ("NORMAL" begins with "NO").

TEST(CtlKeywords, NormalIsNotNo) {
    EXPECT_EQ(parsed("DECIMAL POINT=NORMAL\n").decimal_point, 3);
    EXPECT_EQ(parsed("DECIMAL POINT=NO\n").decimal_point, 0);
    EXPECT_EQ(parsed("DECIMAL POINT = yes\n").decimal_point, 1);
    EXPECT_EQ(parsed("DECIMAL POINT=YESTERDAY\n").decimal_point, 1);
    EXPECT_EQ(parsed("DECIMAL POINT=MAYBE\n").decimal_point, 2);
}

TEST(CtlKeywords, LongerWordsBeforeTheirBeginnings) {
    EXPECT_EQ(parsed("G00MODE=ASYNC2\n").g00_mode, 2);
    EXPECT_EQ(parsed("G00MODE=ASYNC1\n").g00_mode, 1);
    EXPECT_EQ(parsed("G00MODE=ASYNC\n").g00_mode, 1);
    EXPECT_EQ(parsed("G00MODE=UNKNOWN\n").g00_mode, 9);
    EXPECT_EQ(parsed("STOP OPTION=NONE\n").stop_option, 0);
    EXPECT_EQ(parsed("STOP OPTION=NORMAL\n").stop_option, 1);
    EXPECT_EQ(parsed("STOP OPTION=M01\n").stop_option, 2);
    EXPECT_EQ(parsed("STOP OPTION=DEFINE\n").stop_option, 4);
    EXPECT_EQ(parsed("FEEDRATE=AUTO1\n").feedrate, 2);
    EXPECT_EQ(parsed("FEEDRATE=INDIRECT\n").feedrate, 1);
}

TEST(CtlKeywords, ModesAndDialects) {
    EXPECT_EQ(parsed("PRODUCT=HEIDENHAIN\n").product, Dialect::Heidenhain);
    EXPECT_EQ(parsed("PRODUCT=OSP\nPRODUCT=FANUC\n").product, Dialect::Default);  // later line, unknown value
    EXPECT_EQ(parsed("PRE READ=NEW\n").pre_read, 10);
    EXPECT_EQ(parsed("PRE READ=3\n").pre_read, 3);
    EXPECT_EQ(parsed("RETURN LEVEL=G99\n").return_level, 0);
    EXPECT_EQ(parsed("RETURN LEVEL=R\n").return_level, 0);
    EXPECT_EQ(parsed("RETURN LEVEL=R\nRETURN LEVEL=INITIAL\n").return_level, 1);
    EXPECT_EQ(parsed("INITIAL PLANE=ZX\n").initial_plane, 18);
    EXPECT_EQ(parsed("INITIAL PLANE=G19\n").initial_plane, 19);
    EXPECT_EQ(parsed("TOOL OFFSET MEMORY=A\n").offset_memory, 1);
    EXPECT_EQ(parsed("G10MODE=FANUC-B\n").offset_memory, 2);
    EXPECT_EQ(parsed("ONLY G40=RESET\n").only_g40, 2);
    EXPECT_EQ(parsed("G92MODE=MOVE\n").g92_mode, 1);
    EXPECT_EQ(parsed("G49MODE=KEEP\n").g49_mode, 1);
    EXPECT_FALSE(parsed("CONCAVE-ARC FEED=KEEP\n").concave_arc_feed);
    EXPECT_TRUE(parsed("CYCLE(L0)=IGNORE\n").cycle_l0_once);
    EXPECT_FALSE(parsed("SCALE EFFECT(Y)=OFF\n").scale_effect[1]);
    EXPECT_TRUE(parsed("SCALE EFFECT(Y)=OFF\n").scale_effect[0]);
    EXPECT_DOUBLE_EQ(parsed("SCALE(Z)=0.5\n").scale[2], 0.5);
    const RadiusOffsetCheck r = parsed("CHECK RADIUS OFFSET=STOP+OPEN\n").radius_offset_check;
    EXPECT_TRUE(r.stop && r.active && !r.penki);
    EXPECT_EQ(r.list, 2);
    EXPECT_TRUE(parsed("CHECK RADIUS OFFSET=PENKI\n").radius_offset_check.active);
}

TEST(CtlUnits, InputUnitAndMinimumMove) {
    const Ctl fine = parsed("UNIT=1/10000\n");
    EXPECT_EQ(fine.unit, 10000);
    EXPECT_DOUBLE_EQ(fine.min_move, 0.00005);
    EXPECT_EQ(parsed("UNIT=0.0001\n").unit, 10000);
    const Ctl coarse = parsed("UNIT=.01\n");
    EXPECT_EQ(coarse.unit, 100);
    EXPECT_DOUBLE_EQ(coarse.min_move, 0.0005);
    const Ctl other = parsed("UNIT=1/10000\nUNIT=1/500\n");  // not a known value: both unchanged
    EXPECT_EQ(other.unit, 10000);
    EXPECT_DOUBLE_EQ(other.min_move, 0.00005);
    // "1/10000" begins with "1/1000", but it is no value of UNIT(SCALE).
    EXPECT_EQ(parsed("UNIT(SCALE)=1/10000\n").scale_unit, 1000);
    EXPECT_EQ(parsed("UNIT(SCALE)=1/100000\nUNIT(SCALE)=0.001\n").scale_unit, 1000);
}

// ---- Offset memory lines ----
// The index is the number behind the letter and the value the next number behind the index; the
// wear only when a blank, tab or comma follows the value. Out-of-table indices must not write.

TEST(CtlMemory, IndexAndValueVariants) {
    for (const char* line : {"MEMORY D5=1.5", "MEMORY D05=1.5", "MEMORY D5 = 1.5", "MEMORY=D5=1.5", "memory d5=1.5",
                             "MEMORY D005=1.5", "D5=1.5", "D05 = 1.5"}) {
        const Ctl c = parsed(line);
        EXPECT_FLOAT_EQ(c.d[5].value, 1.5f) << line;
        EXPECT_FLOAT_EQ(c.d[5].wear, 0.0f) << line;
    }
    EXPECT_FLOAT_EQ(parsed("MEMORY D123=4.25").d[123].value, 4.25f);
    EXPECT_FLOAT_EQ(parsed("MEMORY D999=-2").d[999].value, -2.0f);
    EXPECT_FLOAT_EQ(parsed("MEMORY H07=25.").h[7].value, 25.0f);
}

TEST(CtlMemory, WearFollowsABlankTabOrComma) {
    EXPECT_FLOAT_EQ(parsed("MEMORY D07= 2.5,0.1").d[7].wear, 0.1f);
    EXPECT_FLOAT_EQ(parsed("MEMORY D07= 2.5 -0.05").d[7].wear, -0.05f);
    EXPECT_FLOAT_EQ(parsed("MEMORY D07= 2.5\t0.2").d[7].wear, 0.2f);
    EXPECT_FLOAT_EQ(parsed("H7=2.5 , 0.3").h[7].wear, 0.3f);
    const Ctl again = parsed("MEMORY D07= 2.5,0.1\nMEMORY D07= 3.5\n");  // a later line without wear clears it
    EXPECT_FLOAT_EQ(again.d[7].value, 3.5f);
    EXPECT_FLOAT_EQ(again.d[7].wear, 0.0f);
}

TEST(CtlMemory, OutOfTableOrIncompleteLinesChangeNothing) {
    const Ctl c = parsed("MEMORY D1000=5\nMEMORY H99999999999=5\nMEMORY F1000=7\nMEMORY WK201=(1,1,1)\n"
                         "MEMORY G53=(9,9,9)\nMEMORY D=4\nMEMORY D-5=4\nMEMORY D5\n");
    for (const OffsetEntry& e : c.d) EXPECT_FLOAT_EQ(e.value, 0.0f);
    for (const OffsetEntry& e : c.h) EXPECT_FLOAT_EQ(e.value, 0.0f);
    for (float f : c.f) EXPECT_FLOAT_EQ(f, 0.0f);
    for (const Vec3& p : c.work) EXPECT_EQ(p, (Vec3{0, 0, 0}));
    EXPECT_FLOAT_EQ(parsed("MEMORY F999=12\n").f[999], 12.0f);
    EXPECT_EQ(parsed("MEMORY WK200=(1,2,3)\n").work[200], (Vec3{1, 2, 3}));
}

TEST(CtlMemory, WorkOffsetsExternalOffsetAndReferencePoints) {
    EXPECT_EQ(parsed("MEMORY G54= (1,2,3)\n").work[1], (Vec3{1, 2, 3}));
    EXPECT_EQ(parsed("MEMORY WK1= (1,2,3)\n").work[1], (Vec3{1, 2, 3}));
    EXPECT_EQ(parsed("MEMORY G59=(4,5,-6.5)\n").work[6], (Vec3{4, 5, -6.5}));
    EXPECT_EQ(parsed("MEMORY EXOFS= (0,0,-50)\n").work[0], (Vec3{0, 0, -50}));
    EXPECT_EQ(parsed("MEMORY WK12= (7,8,9)\n").work[12], (Vec3{7, 8, 9}));
    const Ctl r = parsed("MEMORY REF-PT2= 10,20,30\nMEMORY REF-PT7=1,2,3\n");
    EXPECT_TRUE(r.ref[2].defined);
    EXPECT_FLOAT_EQ(r.ref[2].z, 30.0f);
    EXPECT_TRUE(r.ref[1].defined);  // a digit other than 1..4 selects point 1 and is not X
    EXPECT_FLOAT_EQ(r.ref[1].x, 1.0f);
    EXPECT_FALSE(r.ref[3].defined);
    EXPECT_FLOAT_EQ(parsed("MEMORY REF-PT= 5,6,7\n").ref[1].y, 6.0f);
}

// ---- Axis letters and plane codes ----
// The plane codes decide which machine axes G17/G18/G19 and the arc direction act on; a sign
// error mirrors every arc of the program.

TEST(CtlAxes, SwappedAxesGiveNegativeCodes) {
    const Ctl c = parsed("X-CODE=Y\nY-CODE=X\n");
    EXPECT_EQ(c.axis_letter, (std::array<char, 3>{'Y', 'X', 'Z'}));
    EXPECT_EQ(c.centre_letter, (std::array<char, 3>{'J', 'I', 'K'}));
    // (mX, mY) = (Y, X): -17; (mZ, mX) = (Z, Y): -19; (mY, mZ) = (X, Z): -18.
    EXPECT_EQ(c.plane_codes, (std::array<int, 3>{-17, -19, -18}));
}

TEST(CtlAxes, EachReversalFlipsTheSign) {
    const Ctl c = parsed("Z-CODE=-Z\n");
    EXPECT_TRUE(c.reverse[2]);
    EXPECT_EQ(c.axis_letter[2], 'Z');
    EXPECT_EQ(c.plane_codes, (std::array<int, 3>{17, -18, -19}));
    EXPECT_EQ(parsed("X-CODE=-X\nY-CODE=-Y\n").plane_codes, (std::array<int, 3>{17, -18, -19}));
    EXPECT_FALSE(parsed("Z-CODE=-Z\nZ-CODE=Z\n").reverse[2]);  // the later line holds
}

TEST(CtlAxes, RenamedLetterKeepsItsAxis) {
    const Ctl c = parsed("CHAR(X)=u\n");
    EXPECT_EQ(c.axis_letter[0], 'U');
    EXPECT_EQ(c.display_letter[0], 'U');
    EXPECT_EQ(c.centre_letter[0], 'I');
    EXPECT_EQ(c.plane_codes, (std::array<int, 3>{17, 18, 19}));
    EXPECT_EQ(parsed("CHAR(Y)=5\n").axis_letter[1], 'Y');  // a digit can be no address letter
}

// ---- Lists and texts ----
// List keys append and are bounded; malformed entries are dropped without touching the rest.

TEST(CtlLists, Replacements) {
    const Ctl c = parsed("REPLACE \"G43\" \"G43.4\"\nREPLACE 'A' 'B\"C'\nREPLACE \"X\" \"Y\nREPLACE \"\" \"Z\"\n"
                         "REPLACE \"M6\" \"\"\n");
    ASSERT_EQ(c.replacements.size(), 3u);
    EXPECT_EQ(c.replacements[0].from, "G43");
    EXPECT_EQ(c.replacements[0].to, "G43.4");
    EXPECT_EQ(c.replacements[1].to, "B\"C");  // the first quote on the line chooses the kind
    EXPECT_EQ(c.replacements[2].from, "M6");
    EXPECT_EQ(c.replacements[2].to, "");
    std::string many;
    for (int i = 0; i < 31; ++i) many += "REPLACE \"A" + std::to_string(i) + "\" \"B\"\n";
    const Ctl full = parsed(many);
    ASSERT_EQ(full.replacements.size(), 30u);
    EXPECT_EQ(full.replacements.back().from, "A29");
}

TEST(CtlLists, StopCharactersWaitCodesAndBlockSkip) {
    const Ctl c = parsed("STOP CHARACTER = STOP1, (M00)\tTOOLONGTOKEN\nWAIT M-CODE = 100, 101 wait101.txt , 102\n"
                         "OPTIONAL BLOCK SKIP = 1,3\n");
    EXPECT_EQ(c.stop_characters, (std::vector<std::string>{"STOP1", "(M00)", "TOOLONGTO"}));
    ASSERT_EQ(c.wait_m_codes.size(), 3u);
    EXPECT_EQ(c.wait_m_codes[0].m, 100);
    EXPECT_EQ(c.wait_m_codes[0].file, "waitfile");
    EXPECT_EQ(c.wait_m_codes[1].m, 101);
    EXPECT_EQ(c.wait_m_codes[1].file, "wait101.txt");
    EXPECT_EQ(c.wait_m_codes[2].file, "waitfile");
    EXPECT_EQ(find_wait_m_code(c, 101), &c.wait_m_codes[1]);
    EXPECT_EQ(find_wait_m_code(c, 103), nullptr);
    EXPECT_TRUE(c.block_skip[1] && c.block_skip[3] && !c.block_skip[2] && c.block_skip_any);
    const Ctl zero = parsed("OPTIONAL BLOCK SKIP=0\n");
    EXPECT_TRUE(zero.block_skip[1]);
    EXPECT_FALSE(parsed("OPTIONAL BLOCK SKIP=12\n").block_skip_any);
    std::string twelve = "WAIT M-CODE=";
    for (int m = 1; m <= 12; ++m) twelve += std::to_string(m) + " f" + std::to_string(m) + ",";
    const Ctl capped = parsed(twelve);
    ASSERT_EQ(capped.wait_m_codes.size(), 10u);
    EXPECT_EQ(capped.wait_m_codes[9].file, "f10");  // the dropped entries' names go with them
}

TEST(CtlLists, TextsAndCharacters) {
    const Ctl c = parsed("NAME(MAX20)=first\nNAME(MAX20) = Second Name \nNAME COLOR=(0,0,255),(10,20,300)\n"
                         "EOR = %\nCHECK CHAR=\"GXYF. \"\nCODE CHECK=YES\n");
    EXPECT_EQ(c.name, "Second Name ");
    EXPECT_EQ(c.name_colour, rgb(0, 0, 255));
    EXPECT_EQ(c.name_background, rgb(10, 20, 255));
    EXPECT_EQ(c.start_code, '%');
    EXPECT_TRUE(c.code_check);
    EXPECT_TRUE(c.has_check_char);
    EXPECT_EQ(c.check_char, "GXYF. ");
    EXPECT_EQ(parsed("EOR=\n").start_code, ' ');
    EXPECT_EQ(parsed(std::string("NAME(MAX20)=") + std::string(300, 'n')).name.size(), 255u);
    EXPECT_EQ(parsed("NAME(MAX20)=\x82\xa0\r\n").name, "\xe3\x81\x82");  // Shift-JIS shown as UTF-8
}

// ---- Derived values ----

TEST(CtlDerived, StartWorkOffsetPerDialect) {
    const std::string offsets = "MEMORY EXOFS= (0,0,-50)\nMEMORY WK1= (100,0,0)\n";
    EXPECT_EQ(parsed(offsets).current_work_offset, (Vec3{100, 0, -50}));
    EXPECT_EQ(parsed(offsets + "PRODUCT=MAZAK\n").current_work_offset, (Vec3{100, 0, -50}));
    EXPECT_EQ(parsed(offsets + "PRODUCT=SIEMENS\n").current_work_offset, (Vec3{100, 0, -50}));
    EXPECT_EQ(parsed(offsets + "PRODUCT=OSP\n").current_work_offset, (Vec3{0, 0, -50}));
    EXPECT_EQ(parsed(offsets + "PRODUCT=HEIDENHAIN\n").current_work_offset, (Vec3{100, 0, 0}));
}

// ---- Loading from a file ----
// A reload must start from the defaults, delete the wait files of the list (any spelling of
// their names) and record the file's time so the change watch does not reload it at once.

TEST(CtlLoad, ReadsTheFileAndDeletesWaitFiles) {
    TempDir dir;
    const std::string path = dir.write("zazar.ctl", "EOR=%\r\nWAIT M-CODE=100,101 WAIT101.TXT\r\n");
    dir.write("waitfile", "");
    dir.write("wait101.txt", "");
    dir.write("keep.txt", "");
    Ctl c;
    c.name = "from an earlier file";
    ASSERT_EQ(load_ctl(path, c, dir.path()), 1);
    EXPECT_EQ(c.load_state, 1);
    EXPECT_EQ(c.name, "");
    EXPECT_EQ(c.start_code, '%');
    EXPECT_EQ(c.file_time, platform::file_time(path));
    EXPECT_FALSE(platform::is_file(dir.path() + "waitfile"));
    EXPECT_FALSE(platform::is_file(dir.path() + "wait101.txt"));
    EXPECT_TRUE(platform::is_file(dir.path() + "keep.txt"));
}

TEST(CtlLoad, MissingFileLeavesDefaults) {
    TempDir dir;
    Ctl c = parsed("UNIT=1/100\nMEMORY D1=5\n");
    EXPECT_EQ(load_ctl(dir.path() + "absent.ctl", c, dir.path()), 0);
    EXPECT_EQ(c.load_state, -1);
    EXPECT_EQ(c.unit, 1000);
    EXPECT_FLOAT_EQ(c.d[1].value, 0.0f);
    EXPECT_EQ(c.current_work_offset, (Vec3{0, 0, 0}));
}

TEST(CtlLoad, BlockSkipDialogRecomputesTheAnyFlag) {
    Ctl c;
    std::array<bool, 10> levels{};
    levels[4] = true;
    set_block_skip(c, levels);
    EXPECT_TRUE(c.block_skip_any);
    set_block_skip(c, {});
    EXPECT_FALSE(c.block_skip_any);
}

}  // namespace
}  // namespace vx::nc

namespace vx::nc {
namespace {

// ---- The shipped example ----
// The example set must load as the Fanuc-style controller it describes.

TEST(CtlExample, ShippedDefinitionLoads) {
    vx::testing::TempDir dir;
    Ctl c;
    const std::string data = VORNEX_TEST_DATA;  // <source>/tests/data
    const std::string source = data.substr(0, data.rfind("/tests/data"));
    ASSERT_EQ(load_ctl(source + "/examples/zazar.ctl", c, dir.path()), 1);
    EXPECT_EQ(c.name, "FANUC 0i-MF");
    EXPECT_EQ(c.product, Dialect::Default);
    EXPECT_EQ(c.start_code, '%');
    EXPECT_EQ(c.offset_memory, 3);
    EXPECT_FLOAT_EQ(c.d[3].wear, -0.01f);
    EXPECT_FLOAT_EQ(c.h[2].value, 95.5f);
    EXPECT_EQ(c.work[2], (Vec3{100, 0, 0}));
    EXPECT_TRUE(c.ref[1].defined);
    EXPECT_TRUE(c.block_skip[1]);
    EXPECT_DOUBLE_EQ(c.clearance[13], 0.5);
}

}  // namespace
}  // namespace vx::nc
