// Shows a window with a text drop target (declared in the layout beside this file, embedded at build time)
// on the desktop's screen. Text dropped on its panel, or pasted with Ctrl+V anywhere in the window, is shown
// under the panel and printed (a backslash and line breaks written as \\ and \n):
//   client X,Y WxH          (the window's client area on the screen)
//   drop X,Y WxH            (the panel that takes drops, on the screen)
//   ready
// and afterwards, as they happen:
//   drop: TEXT              (text dropped on the panel)
//   paste: TEXT             (text pasted from the clipboard)
//   paste: nothing          (Ctrl+V with no text on the clipboard)
// Options: --seconds N ends the demo after N seconds (default: it runs until its window is closed).
// Used by tests/external/dnddemo.sh.
#include "dragdrop/DragDropFormats.h"
#include "dragdrop/DropTarget.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/Keys.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace dnddemo {

void RegisterDemoForms();

using namespace vcl;

// A drop target of text.
class TDemoTextTarget : public dragdrop::TCustomDropMultiTarget {
public:
    explicit TDemoTextTarget(TComponent* owner) : TCustomDropMultiTarget(owner) {
        Text = new dragdrop::TTextDataFormat(this);
    }
    dragdrop::TTextDataFormat* Text;
};

std::string Escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

class TDndDemoForm : public TForm {
public:
    explicit TDndDemoForm(TComponent* owner) : TForm(owner) { InitInheritedComponent(typeid(TDndDemoForm)); }

    TPanel* pnlDrop = nullptr;
    TLabel* lblLast = nullptr;
    TDemoTextTarget* dtText = nullptr;
    TTimer* tmrQuit = nullptr;

    void dtTextDrop(TObject* sender, TShiftState shift, TPoint point, int32_t& effect) {
        const std::string& text = dtText->Text->GetText();
        std::printf("%s: %s\n", FPasting ? "paste" : "drop", text.empty() ? "nothing" : Escaped(text).c_str());
        std::fflush(stdout);
        lblLast->SetCaption(text);
    }

    void FormKeyDown(TObject* sender, uint16_t& key, TShiftState shift) {
        if (key != 'V' || !shift.Contains(ssCtrl))
            return;
        key = 0;
        FPasting = true;
        try {
            dtText->PasteFromClipboard();
        } catch (...) {
            FPasting = false;
            throw;
        }
        FPasting = false;
    }

    void tmrQuitTimer(TObject* sender) { Application->Terminate(); }

private:
    bool FPasting = false;
};

void RegisterDemoClasses() {
    RegisterVclClasses();
    dragdrop::InitializeDragDrop(); // the formats and the drop targets' property tables
    DefineClassProperties<TDemoTextTarget, dragdrop::TCustomDropMultiTarget>();
    RegisterClass<TDemoTextTarget>("TDemoTextTarget");
    DefineClassProperties<TDndDemoForm, TForm>();
    DefineFormClass<TDndDemoForm>()
        .Field("pnlDrop", &TDndDemoForm::pnlDrop)
        .Field("lblLast", &TDndDemoForm::lblLast)
        .Field("dtText", &TDndDemoForm::dtText)
        .Field("tmrQuit", &TDndDemoForm::tmrQuit)
        .Method("dtTextDrop", &TDndDemoForm::dtTextDrop)
        .Method("FormKeyDown", &TDndDemoForm::FormKeyDown)
        .Method("tmrQuitTimer", &TDndDemoForm::tmrQuitTimer);
    RegisterClass<TDndDemoForm>("TDndDemoForm");
    RegisterDemoForms();
}

void PrintRect(const char* what, TPoint at, int32_t width, int32_t height) {
    std::printf("%s %d,%d %dx%d\n", what, at.X, at.Y, width, height);
}

} // namespace dnddemo

int main(int argc, char** argv) {
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: dnddemo [--seconds N]\n");
            return 2;
        }
    }
    try {
        qtbackend::QtScreen screen(argc, argv);
        vcl::Application->Initialize();
        vcl::Application->SetTitle("Loomwick drag and drop demo");
        dnddemo::RegisterDemoClasses();
        dnddemo::TDndDemoForm* form = nullptr;
        vcl::Application->CreateForm(form);
        form->Show();
        vcl::Application->ProcessMessages();
        dnddemo::PrintRect("client", form->ClientToScreen({0, 0}), form->GetClientWidth(), form->GetClientHeight());
        dnddemo::PrintRect("drop", form->pnlDrop->ClientToScreen({0, 0}), form->pnlDrop->GetWidth(),
                           form->pnlDrop->GetHeight());
        std::printf("ready\n");
        std::fflush(stdout);
        if (seconds > 0) {
            form->tmrQuit->SetInterval(uint32_t(seconds) * 1000u);
            form->tmrQuit->SetEnabled(true);
        }
        vcl::Application->Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "dnddemo: %s\n", e.what());
        return 1;
    }
    dragdrop::FinalizeDragDrop();
    return 0;
}
