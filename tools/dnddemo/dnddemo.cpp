// Shows a window of drop targets and a drop source (declared in the layout beside this file, embedded at
// build time) on the desktop's screen: a text target, a file target, a panel that drags two files and a
// button that copies them. Text dropped on its panel, or pasted with Ctrl+V anywhere in the window, is shown
// under the panel and printed (a backslash and line breaks written as \\ and \n); Ctrl+V also pastes files
// into the file target. It prints:
//   client X,Y WxH          (the window's client area on the screen)
//   drop X,Y WxH            (the panel that takes text, on the screen)
//   files X,Y WxH           (the panel that takes files)
//   source X,Y WxH          (the panel that drags the two files)
//   copy X,Y                (the middle of the button that copies them)
//   ready
// and afterwards, as they happen:
//   drop: TEXT              (text dropped on the panel)
//   paste: TEXT             (text pasted from the clipboard; "nothing" when there was none)
//   dropfiles: A | B        (files dropped on the file panel, their names)
//   pastefiles: A | B       (files pasted from the clipboard; nothing printed when there were none)
//   afterdrop RESULT        (a drag from the source panel ended: drrCopy, drrCancel ...)
//   copied                  (the two files are on the clipboard)
// Options: --seconds N ends the demo after N seconds (default: it runs until its window is closed); --files A B
// names the two files the source offers (default: "first file.gif" and "second.gif" in the current folder).
// Used by tests/external/dnddemo.sh.
#include "dragdrop/DragDropFile.h"
#include "dragdrop/DragDropFormats.h"
#include "dragdrop/DropSource.h"
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
#include <filesystem>
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

// A source of two files.
class TDemoFileSource : public dragdrop::TCustomDropMultiSource {
public:
    explicit TDemoFileSource(TComponent* owner) : TCustomDropMultiSource(owner) {
        Files = new dragdrop::TFileDataFormat(this);
    }
    dragdrop::TFileDataFormat* Files;
};

const char* const dragResultNames[] = {"drrCopy", "drrMove", "drrLink", "drrCancel", "drrOutOfMemory", "drrUnknown"};

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
    TPanel* pnlFiles = nullptr;
    TPanel* pnlSource = nullptr;
    TButton* btnCopy = nullptr;
    dragdrop::TFileDropTarget* dtFiles = nullptr;
    TDemoFileSource* dsFiles = nullptr;
    TDemoTextTarget* dtText = nullptr;
    TTimer* tmrQuit = nullptr;

    void dtFilesDrop(TObject* sender, TShiftState shift, TPoint point, int32_t& effect) {
        TStrings* names = dtFiles->GetFileNames();
        if (names->Count() == 0)
            return;
        std::string line;
        for (int32_t i = 0; i < names->Count(); ++i)
            line += (i ? " | " : "") + Escaped(names->Get(i));
        std::printf("%s: %s\n", FPasting ? "pastefiles" : "dropfiles", line.c_str());
        std::fflush(stdout);
    }

    void dsFilesAfterDrop(TObject* sender, dragdrop::TDragResult result, bool optimized) {
        std::printf("afterdrop %s\n", dragResultNames[result]);
        std::fflush(stdout);
    }

    void pnlSourceMouseDown(TObject* sender, TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
        if (button == mbLeft)
            dsFiles->Execute();
    }

    void btnCopyClick(TObject* sender) {
        if (dsFiles->CopyToClipboard()) {
            std::printf("copied\n");
            std::fflush(stdout);
        }
    }

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
            dtFiles->PasteFromClipboard();
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
    DefineClassProperties<TDemoFileSource, dragdrop::TCustomDropMultiSource>();
    RegisterClass<TDemoFileSource>("TDemoFileSource");
    DefineClassProperties<TDndDemoForm, TForm>();
    DefineFormClass<TDndDemoForm>()
        .Field("pnlDrop", &TDndDemoForm::pnlDrop)
        .Field("lblLast", &TDndDemoForm::lblLast)
        .Field("pnlFiles", &TDndDemoForm::pnlFiles)
        .Field("pnlSource", &TDndDemoForm::pnlSource)
        .Field("btnCopy", &TDndDemoForm::btnCopy)
        .Field("dtFiles", &TDndDemoForm::dtFiles)
        .Field("dsFiles", &TDndDemoForm::dsFiles)
        .Method("dtFilesDrop", &TDndDemoForm::dtFilesDrop)
        .Method("dsFilesAfterDrop", &TDndDemoForm::dsFilesAfterDrop)
        .Method("pnlSourceMouseDown", &TDndDemoForm::pnlSourceMouseDown)
        .Method("btnCopyClick", &TDndDemoForm::btnCopyClick)
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
    std::string files[2] = {"first file.gif", "second.gif"};
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--files") == 0 && i + 2 < argc) {
            files[0] = argv[++i];
            files[1] = argv[++i];
        } else {
            std::fprintf(stderr, "usage: dnddemo [--seconds N] [--files A B]\n");
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
        for (const std::string& file : files)
            form->dsFiles->Files->GetFiles()->Add(std::filesystem::absolute(file).lexically_normal().string());
        form->Show();
        vcl::Application->ProcessMessages();
        dnddemo::PrintRect("client", form->ClientToScreen({0, 0}), form->GetClientWidth(), form->GetClientHeight());
        dnddemo::PrintRect("drop", form->pnlDrop->ClientToScreen({0, 0}), form->pnlDrop->GetWidth(),
                           form->pnlDrop->GetHeight());
        dnddemo::PrintRect("files", form->pnlFiles->ClientToScreen({0, 0}), form->pnlFiles->GetWidth(),
                           form->pnlFiles->GetHeight());
        dnddemo::PrintRect("source", form->pnlSource->ClientToScreen({0, 0}), form->pnlSource->GetWidth(),
                           form->pnlSource->GetHeight());
        const vcl::TPoint copy =
            form->btnCopy->ClientToScreen({form->btnCopy->GetWidth() / 2, form->btnCopy->GetHeight() / 2});
        std::printf("copy %d,%d\n", copy.X, copy.Y);
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
