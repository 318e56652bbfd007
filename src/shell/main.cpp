// The vornex executable of a build without the desktop window: unattended starts only.
#include "shell/entry.h"

int main(int argc, char** argv) { return vx::shell::run_program(argc, argv, nullptr); }
