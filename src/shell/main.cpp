// The vornex executable. The command line, the batch and the window arrive with the run and
// window work; until then only --help and --version are served.
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("vornex %s\n", VORNEX_VERSION);
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "--help") == 0) {
        std::printf("usage: vornex [--help] [--version]\n"
                    "Simulation from the command line is not available in this build yet.\n");
        return 0;
    }
    std::fprintf(stderr, "vornex: simulation is not available in this build yet (try --help)\n");
    return 2;
}
