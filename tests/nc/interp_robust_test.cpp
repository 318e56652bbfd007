#include "interp_rig.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>

namespace vx::nc {
namespace {

// Seeded random blocks from the interpreter's own vocabulary, under every G00 mode, both G92
// and G49 modes, a swapped axis mapping and radius compensation with its look-ahead: the interpreter must neither crash nor read outside
// a table (the sanitizer build checks the latter) and must end in its end state or its alarm.
std::string random_program(std::mt19937& rng, int blocks) {
    static const char* kWords[] = {
        "G00", "G01", "G02", "G03", "G04", "G10", "G17", "G18", "G19", "G28", "G29", "G30", "G40", "G41",
        "G42", "G39", "G43", "G44", "G49", "G50", "G50.1", "G51", "G51.1", "G52", "G53", "G54", "G54.1", "G59",
        "G68", "G69", "G80", "G81", "G90", "G91", "G92", "M03", "M06", "M30", "M98", "M99", "T", "D", "H",
        "L", "P", "R", "F", "S", "I", "J", "K", "X", "Y", "Z", "Q", "(", ")", "/", "%", ".", "-"};
    static const char* kNumbers[] = {"0", "1", "2.", "-3.5", "10", "999", "1000", "99999999999", "1e308",
                                     "-0", "0.0000001", "12.5.3", "", "360.", "20", "7"};
    std::uniform_int_distribution<std::size_t> word(0, std::size(kWords) - 1);
    std::uniform_int_distribution<std::size_t> number(0, std::size(kNumbers) - 1);
    std::uniform_int_distribution<int> count(0, 7);
    std::string p;
    for (int b = 0; b < blocks; ++b) {
        for (int w = count(rng); w > 0; --w) {
            p += kWords[word(rng)];
            p += kNumbers[number(rng)];
            p += ' ';
        }
        p += '\n';
    }
    return p;
}

TEST(InterpRobust, RandomBlocksUnderEveryMode) {
    const char* kControllers[] = {
        "G00MODE=LINE\n", "G00MODE=ASYNC1\nG92MODE=MOVE\n", "G00MODE=ASYNC2\nG49MODE=KEEP\n",
        "G00MODE=UNKNOWN\nX-CODE=Y\nY-CODE=-X\nD-CODE VALUE=AUTO\nH-CODE VALUE=AUTO\nR-TOLERANCE=0.01\n",
        "PRODUCT=OSP\nTOOL OFFSET MEMORY=A\n", "PRODUCT=HEIDENHAIN\nCHECK F0=YES\n",
        "PRE READ=NEW\nONLY G40=RESET\nD-CODE VALUE=AUTO\nCHECK RADIUS OFFSET=STOP+PENKI\nCHECK REVERSE ARC=YES\n"};
    std::mt19937 rng(20261208);
    for (const char* c : kControllers) {
        for (int round = 0; round < 4; ++round) {
            auto r = test::rig(c);
            r->with_tools();
            r->with_time();
            parse_mtl(round % 2 ? "ATC TYPE=WAIT2\n" : "ATC TYPE=DIRECT T1,3\n", r->mtl);
            r->ctl.ref[1] = {0.0f, 0.0f, 300.0f, true};
            auto moves = r->run(random_program(rng, 1500));
            for (const MoveRecord& m : moves) {
                ASSERT_GE(m.motion, 0);
                ASSERT_LE(m.motion, 3);
            }
            EXPECT_EQ(execute_next_block(r->in), alarm_code(r->in) ? kExecuteAlarm : 0);
        }
    }
}

}  // namespace
}  // namespace vx::nc
