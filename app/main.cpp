// Loomwick's program: the application object on the desktop's screen with the main window. Until the
// editor's main window is built, the main window is an empty form with the editor's caption.
#include "controls/FcCommon.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Forms.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace resources {
// Generated at build time from the layout files under resources/forms.
void RegisterProgramForms();
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
        resources::RegisterProgramForms();
        resources::RegisterResources();
        vcl::Application->Initialize();
        vcl::Application->SetTitle("Quorvane Loomwick");
        controls::InitializeControls();
        controls::RegisterControlClasses();
        vcl::TForm* mainForm = nullptr;
        vcl::Application->CreateForm(mainForm);
        mainForm->SetCaption("Quorvane Loomwick Version 7.5 - [UNTITLED]");
        mainForm->SetBounds(0, 0, 640, 480);
        mainForm->GetConstraints()->SetMinWidth(535);
        mainForm->GetConstraints()->SetMinHeight(441);
        mainForm->SetPosition(vcl::poScreenCenter);
        vcl::Application->Run();
        controls::FinalizeControls();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "loomwick: %s\n", e.what());
        return 1;
    }
    return 0;
}
