// A test sync plug-in: when VXSYNC_TEST_LOG names a file, it writes there every machine name the
// program hands to VXSYNCGETNAME, so the tests can see when and with what it was called.
#include "integration/plugin_abi.h"

#include <cstdio>
#include <cstdlib>

extern "C" {

int VXSYNCINIT() { return 1; }

void VXSYNCGETNAME(const char* machine_name) {
    const char* log = std::getenv("VXSYNC_TEST_LOG");
    if (!log) return;
    if (std::FILE* f = std::fopen(log, "ab")) {
        std::fprintf(f, "name %s\n", machine_name);
        std::fclose(f);
    }
}

}
