// Shows a dialog of the themed control set, created from its layout file (TFcDemoForm.txt, embedded at
// build time), modally on the desktop's screen, and prints:
//   window X,Y WxH         (the dialog's place and size on the screen)
//   client X,Y WxH         (its client area)
//   button NAME X,Y WxH    (each push button on the screen: btnOK, the default one, and btnCancel)
//   tabs X,Y WxH           (the tab control tabPreview on the screen, eight tabs that do not fit)
//   tab N X,Y WxH          (its selected tab's rectangle on the screen)
//   card X,Y WxH           (its main card)
//   scroller X,Y WxH       (its scroll arrows)
//   ready
// and afterwards, as they happen:
//   enter NAME, leave NAME (the pointer came over a button or left it)
//   click NAME             (a button was clicked)
//   FirstShownTab N        (the tabs scrolled)
//   modal N                (the dialog ended with that modal result; the program then ends)
// Options: --seconds N ends the dialog after N seconds with modal result 3. The colour scheme follows
// LOOMWICK_THEME as everywhere on the Qt screen. Used by tests/external/fcdemo.sh.
#include "controls/FcCommon.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace fcdemo {

void RegisterDemoForms();

using namespace vcl;

void Say(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

void SayRect(const std::string& what, const TRect& r) {
    std::printf("%s %d,%d %dx%d\n", what.c_str(), r.Left, r.Top, r.Width(), r.Height());
    std::fflush(stdout);
}

class TFcDemoForm : public TForm {
public:
    explicit TFcDemoForm(TComponent* owner) : TForm(owner) { InitInheritedComponent(typeid(TFcDemoForm)); }

    TEdit* edtName = nullptr;
    controls::TFcButton* btnOK = nullptr;
    controls::TFcButton* btnCancel = nullptr;
    controls::TFcTabControl* tabPreview = nullptr;
    controls::TFcFrameController* FrameController1 = nullptr;

    void btnClick(TObject* sender) { Say("click " + static_cast<TComponent*>(sender)->GetName()); }
    void btnMouseEnter(TObject* sender) { Say("enter " + static_cast<TComponent*>(sender)->GetName()); }
    void btnMouseLeave(TObject* sender) { Say("leave " + static_cast<TComponent*>(sender)->GetName()); }

    // Once the dialog shows: where it and its buttons are.
    void Report() {
        SayRect("window", GetBoundsRect());
        const TPoint origin = ClientToScreen({0, 0});
        SayRect("client", Bounds(origin.X, origin.Y, GetClientWidth(), GetClientHeight()));
        for (controls::TFcButton* b : {btnOK, btnCancel}) {
            const TPoint at = b->ClientToScreen({0, 0});
            SayRect("button " + b->GetName(), Bounds(at.X, at.Y, b->GetWidth(), b->GetHeight()));
        }
        tabPreview->Repaint();
        const TPoint tabsAt = tabPreview->ClientToScreen({0, 0});
        SayRect("tabs", Bounds(tabsAt.X, tabsAt.Y, tabPreview->GetWidth(), tabPreview->GetHeight()));
        const int32_t selected = tabPreview->GetTabIndex();
        if (selected >= 0) {
            const TRect r = tabPreview->TabRect(selected);
            SayRect("tab " + std::to_string(selected),
                    Bounds(tabsAt.X + r.Left, tabsAt.Y + r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1));
        }
        const TRect card = tabPreview->CardRect(0);
        SayRect("card", Bounds(tabsAt.X + card.Left, tabsAt.Y + card.Top, card.Right - card.Left + 1,
                               card.Bottom - card.Top + 1));
        if (controls::TFcTabScroller* s = tabPreview->GetScroller(); s && tabPreview->GetScrollersShown()) {
            const TPoint at = s->ClientToScreen({0, 0});
            SayRect("scroller", Bounds(at.X, at.Y, s->GetWidth(), s->GetHeight()));
        }
        Say("ready");
    }
    // Reports a scroll of the tabs (polled: scrolling fires no event).
    void WatchTabs() {
        const int32_t first = tabPreview->GetFirstShownTab();
        if (first != LastFirstShownTab) {
            if (LastFirstShownTab >= 0)
                Say("FirstShownTab " + std::to_string(first));
            LastFirstShownTab = first;
        }
    }
    int32_t LastFirstShownTab = -1;
};

void RegisterDemoClasses() {
    controls::RegisterControlClasses();
    DefineFormClass<TFcDemoForm, TForm>()
        .Field("edtName", &TFcDemoForm::edtName)
        .Field("btnOK", &TFcDemoForm::btnOK)
        .Field("btnCancel", &TFcDemoForm::btnCancel)
        .Field("tabPreview", &TFcDemoForm::tabPreview)
        .Field("FrameController1", &TFcDemoForm::FrameController1)
        .Method("btnClick", &TFcDemoForm::btnClick)
        .Method("btnMouseEnter", &TFcDemoForm::btnMouseEnter)
        .Method("btnMouseLeave", &TFcDemoForm::btnMouseLeave);
    RegisterClass<TFcDemoForm>("TFcDemoForm");
    RegisterDemoForms();
}

} // namespace fcdemo

int main(int argc, char** argv) {
    int seconds = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: fcdemo [--seconds N]\n");
            return 2;
        }
    }
    try {
        qtbackend::QtScreen screen(argc, argv);
        vcl::Application->Initialize();
        vcl::Application->SetTitle("Loomwick themed controls");
        controls::InitializeControls();
        fcdemo::RegisterDemoClasses();
        auto* form = new fcdemo::TFcDemoForm(vcl::Application);
        // The report follows the dialog's first showing; the time limit ends it.
        vcl::TTimer shown(nullptr);
        shown.SetInterval(100);
        shown.SetOnTimer([&](vcl::TObject*) {
            shown.SetEnabled(false);
            form->Report();
        });
        vcl::TTimer watch(nullptr);
        watch.SetInterval(50);
        watch.SetOnTimer([&](vcl::TObject*) { form->WatchTabs(); });
        vcl::TTimer limit(nullptr);
        limit.SetEnabled(seconds > 0);
        limit.SetInterval(uint32_t(seconds > 0 ? seconds : 1) * 1000u);
        limit.SetOnTimer([&](vcl::TObject*) { form->SetModalResult(3); });
        const vcl::TModalResult result = form->ShowModal();
        std::printf("modal %d\n", int(result));
        std::fflush(stdout);
        controls::FinalizeControls();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "fcdemo: %s\n", e.what());
        return 1;
    }
    return 0;
}
