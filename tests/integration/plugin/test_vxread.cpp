// A test NC-reader plug-in, built three ways: variant 0 exports the plain names, variant 1 the
// names with a leading underscore, variant 2 refuses its INIT. It serves the lines of the file
// it is opened with as path records numbered 10, 20, 30, ... and, when VXREAD_TEST_LOG names a
// file, writes there what the program called, so the tests can see the calls and their order.
#include "integration/plugin_abi.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#if TEST_PLUGIN_VARIANT == 1
#define EXPORTED(name) __asm__("_" #name)
#else
#define EXPORTED(name) __asm__(#name)
#endif

namespace {

std::FILE* g_file = nullptr;
int g_records = 0;

void note(const char* what) {
    const char* log = std::getenv("VXREAD_TEST_LOG");
    if (!log) return;
    if (std::FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "%s %s\n", TEST_PLUGIN_NAME, what);
        std::fclose(f);
    }
}

__attribute__((destructor)) void unloaded() { note("unload"); }

}  // namespace

extern "C" {

int suffix(char* text, int size) EXPORTED(VXREADSUFFIX);
int init() EXPORTED(VXREADINIT);
int open_file(const char* nc_file) EXPORTED(VXREADOPEN);
int first_tool(int* tool) EXPORTED(VXREADTOOL);
int path(char* block, int size, int* line_number) EXPORTED(VXREADPATH);
int close_file() EXPORTED(VXREADCLOSE);
void free_module() EXPORTED(VXREADFREE);

int suffix(char* text, int size) {
    std::snprintf(text, static_cast<std::size_t>(size), "%s", "tst;PTH");
    return 1;
}

int init() {
    note("init");
    return TEST_PLUGIN_VARIANT == 2 ? 0 : 1;
}

int open_file(const char* nc_file) {
    note("open");
    g_file = std::fopen(nc_file, "rb");
    g_records = 0;
    return g_file ? 1 : 0;
}

int first_tool(int* tool) {
    *tool = 7;
    return 1;
}

int path(char* block, int size, int* line_number) {
    if (!g_file || !std::fgets(block, size, g_file)) return 0;
    block[std::strcspn(block, "\r\n")] = '\0';
    *line_number = ++g_records * 10;
    return 1;
}

int close_file() {
    note("close");
    if (g_file) std::fclose(g_file);
    g_file = nullptr;
    return 1;
}

void free_module() { note("free"); }

}  // extern "C"
