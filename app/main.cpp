// Loomwick's program: the libraries' start-ups, the application object on the desktop's screen, the main
// window made from its layout, and the message loop until the main window closes.
#include "app/GifMainForm.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace resources {
// Generated at build time from the bitmaps and cursors under resources/bitmaps and resources/cursors.
void RegisterResources();
} // namespace resources

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i)
        if (std::strcmp(argv[i], "--version") == 0) {
            std::puts("Loomwick 7.5");
            return 0;
        }
    const char* display = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if ((!display || !*display) && (!wayland || !*wayland)) {
        std::fputs("loomwick: no display. Start it on a desktop, or under a virtual one with\n"
                   "  xvfb-run -a build/loomwick\n",
                   stderr);
        return 2;
    }
    try {
        qtbackend::QtScreen screen(argc, argv);
        resources::RegisterResources();
        app::InitializeEditor();
        vcl::Application->Initialize();
        vcl::Application->SetTitle("Quorvane Loomwick");
        app::TfrmGifMain* mainForm = nullptr;
        vcl::Application->CreateForm(mainForm);
        vcl::Application->Run();
        // The window goes before the libraries it was built from shut down.
        mainForm->Free();
        app::FinalizeEditor();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loomwick: %s\n", e.what());
        return 1;
    }
    return 0;
}
