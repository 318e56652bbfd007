#include "shell/ini.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <filesystem>

#include <sys/stat.h>

namespace vx::shell {
namespace {

// ---- Reading ----
// The profile semantics the settings rely on: case-insensitive names, the first key wins,
// trimmed values, quotes stripped only when they enclose the whole value, comments skipped.

TEST(IniRead, ProfileSemantics) {
    const IniFile ini = ini_parse("x.ini",
                                  "top=outside\n[Define]\n  Mesh Mode =  YES  \r\nmesh mode=NO\n; PITCH=3\n"
                                  "QUOTED=\" a b \"\nHALF=\"open\nNOEQUALS\n[ other ]\nK=other\n[DEFINE]\nLATE=1\n");
    EXPECT_EQ(ini_find(ini, "define", "MESH MODE"), "YES");
    EXPECT_EQ(ini_find(ini, "Define", "QUOTED"), " a b ");
    EXPECT_EQ(ini_find(ini, "Define", "HALF"), "\"open");
    EXPECT_FALSE(ini_find(ini, "Define", "PITCH"));
    EXPECT_FALSE(ini_find(ini, "Define", "; PITCH"));
    EXPECT_FALSE(ini_find(ini, "Define", "NOEQUALS"));
    EXPECT_FALSE(ini_find(ini, "Define", "top"));
    EXPECT_EQ(ini_find(ini, "OTHER", "k"), "other");
    EXPECT_EQ(ini_find(ini, "Define", "LATE"), "1");  // a repeated section still counts
    EXPECT_EQ(ini_get(ini, "Define", "MISSING", "fallback"), "fallback");
}

TEST(IniRead, MissingFileIsEmpty) {
    const IniFile ini = ini_load("/nonexistent/folder/vornex.ini");
    EXPECT_TRUE(ini.lines.empty());
    EXPECT_EQ(ini_get(ini, "A", "B", "d"), "d");
}

// ---- Writing ----
// Setting a key must touch only its own line: every other byte (comments, order, blank lines,
// unknown keys, line ends) stays as it was.

TEST(IniWrite, ReplacesInPlaceKeepingTheLineEnd) {
    IniFile ini = ini_parse("x.ini", "; c\r\n[A]\r\n Key = old ; note\r\nother=1\r\n");
    ini_set(ini, "a", "KEY", "new");
    EXPECT_EQ(ini_bytes(ini), "; c\r\n[A]\r\nKEY=new\r\nother=1\r\n");
}

TEST(IniWrite, AppendsAfterTheLastLineOfTheSection) {
    IniFile ini = ini_parse("x.ini", "[A]\nk=1\n\n\n[B]\nz=0\n[A]\nlate=2\n");
    ini_set(ini, "A", "new", "v");
    EXPECT_EQ(ini_bytes(ini), "[A]\nk=1\nnew=v\n\n\n[B]\nz=0\n[A]\nlate=2\n");
}

TEST(IniWrite, CreatesAMissingSectionAtTheEnd) {
    IniFile ini = ini_parse("x.ini", "[A]\r\nk=1");  // no line end on the last line
    ini_set(ini, "B", "n", "2");
    EXPECT_EQ(ini_bytes(ini), "[A]\r\nk=1\r\n[B]\r\nn=2\r\n");
    IniFile empty = ini_parse("x.ini", "");
    ini_set(empty, "S", "k", "v");
    EXPECT_EQ(ini_bytes(empty), "[S]\nk=v\n");
}

TEST(IniWrite, SaveReplacesTheWholeFileAndKeepsItsMode) {
    vx::testing::TempDir dir;
    const std::string path = dir.write("vornex.ini", "[A]\nk=1\n");
    ::chmod(path.c_str(), 0600);
    IniFile ini = ini_load(path);
    ini_set(ini, "A", "k", "2");
    ASSERT_TRUE(ini_save(ini));
    EXPECT_EQ(dir.read("vornex.ini"), "[A]\nk=2\n");
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    // No temporary file is left beside it.
    int entries = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path())) (void)e, ++entries;
    EXPECT_EQ(entries, 1);
}

}  // namespace
}  // namespace vx::shell
