// Loomwick's program. Until the editor's main window is built, the program checks that it has a display
// and reports which parts of the system this build holds.
#include "platform/vcl/Classes.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("Loomwick 0.1");
            return 0;
        }
    }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) {
        std::fputs("loomwick: no display. Start it on a desktop, or under a virtual one with\n"
                   "  xvfb-run -a build/loomwick\n",
                   stderr);
        return 2;
    }
    std::puts("Loomwick: the editor's main window is not built yet. This build holds the platform runtime\n"
              "(objects, lists, streams, threads, settings). Run scripts/test to exercise it.");
    return 0;
}
