// Shows a dialog of the themed control set, created from its layout file (TFcDemoForm.txt, embedded at
// build time), modally on the desktop's screen, and prints:
//   window X,Y WxH         (the dialog's place and size on the screen)
//   client X,Y WxH         (its client area)
//   button NAME X,Y WxH    (each push button on the screen: btnOK, the default one, and btnCancel)
//   tabs X,Y WxH           (the tab control tabPreview on the screen, eight tabs that do not fit)
//   tab N X,Y WxH          (its selected tab's rectangle on the screen)
//   card X,Y WxH           (its main card)
//   scroller X,Y WxH       (its scroll arrows)
//   combo X,Y WxH          (the disposal combo box cboDisposal)
//   header N X,Y WxH       (section N of the frame list lvFrames' header: two columns, 200 rows)
//   spin X,Y WxH           (the frame delay's spin edit spinDelay: two decimals, typing allowed, step 0.01)
//   spinup X,Y WxH         (its up button)
//   btnface R,G,B          (the system's button face colour)
//   pages X,Y WxH          (the page control pgcPreview on the screen, three pages)
//   pagetab N X,Y WxH      (the rectangle of each of its tabs)
//   url X,Y WxH            (the URL label lblHome)
//   glyph NAME X,Y WxH     (the client area of each control in the "Animation Properties" group box: the
//                          check box chkAnimationTrans, the radio buttons optLoopForever and optLoopSpecified,
//                          the glyph button btnSelectColor with a 16 x 16 picture of its own)
//   ready
// and afterwards, as they happen:
//   enter NAME, leave NAME (the pointer came over a button or left it)
//   click NAME             (a button was clicked)
//   FirstShownTab N        (the tabs scrolled)
//   match TEXT             (typing completed the combo box's text)
//   first CAPTION          (a header click sorted the rows: the first row's caption)
//   arrow X,Y              (and a pixel inside the sort arrow it draws, on the screen)
//   spinDelay TEXT         (the spin edit's text changed)
//   page N X,Y WxH         (the page control showed page N, there on the screen)
//   visited                (the URL label opened its address and shows itself visited)
//   state NAME 0|1         (a check box or radio button in the group box changed: its Checked afterwards)
//   modal N                (the dialog ended with that modal result; the program then ends)
// Options: --seconds N ends the dialog after N seconds with modal result 3. The colour scheme follows
// LOOMWICK_THEME as everywhere on the Qt screen. Used by tests/external/fcdemo.sh.
#include "controls/FcCommon.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/User.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <initializer_list>
#include <string>

namespace resources {
void RegisterResources();
}

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
    explicit TFcDemoForm(TComponent* owner) : TForm(owner) {
        InitInheritedComponent(typeid(TFcDemoForm));
        for (const char* item : {"None", "Don't Remove", "Background", "Previous"})
            cboDisposal->GetItems()->Add(item);
        cboDisposal->OnMatch = [this](TObject*) {
            Say("match " + win::GetWindowTextString(cboDisposal->GetHandle()));
        };
        lvFrames->GetColumns()->Add()->SetCaption("Frame");
        lvFrames->GetColumns()->Add()->SetCaption("Delay");
        lvFrames->Column(0)->SetWidth(110);
        lvFrames->GetItems()->BeginUpdate();
        for (int i = 0; i < 200; ++i) {
            TListItem* item = lvFrames->GetItems()->Add();
            item->SetCaption("Frame " + std::to_string(i + 1));
            item->GetSubItems()->Add(std::to_string((i * 73) % 200) + " ms");
        }
        lvFrames->GetItems()->EndUpdate();
        lvFrames->OnColumnClick = [this](TObject*, TListColumn* column) { ReportSort(column->GetIndex()); };
        // The colour button's picture: a red square in a black frame on the olive that stands for transparent.
        TBitmap glyph;
        glyph.SetSize(16, 16);
        TCanvas* c = glyph.GetCanvas();
        c->GetBrush()->SetColor(TColor(0x008080));
        c->FillRect({0, 0, 16, 16});
        c->GetBrush()->SetColor(clBlack);
        c->FillRect({2, 2, 14, 14});
        c->GetBrush()->SetColor(clRed);
        c->FillRect({3, 3, 13, 13});
        btnSelectColor->SetGlyph(&glyph);
    }

    TEdit* edtName = nullptr;
    controls::TFcButton* btnOK = nullptr;
    controls::TFcButton* btnCancel = nullptr;
    controls::TFcTabControl* tabPreview = nullptr;
    controls::TFcSpinEdit* spinDelay = nullptr;
    controls::TFcFrameController* FrameController1 = nullptr;
    controls::TFcComboBox* cboDisposal = nullptr;
    controls::TFcListView* lvFrames = nullptr;

    win::HWND FramesHeader() const {
        return reinterpret_cast<win::HWND>(win::SendMessage(lvFrames->GetHandle(), win::LVM_GETHEADER, 0, 0));
    }
    TRect Section(int32_t column) const {
        TRect r{0, 0, 0, 0};
        win::SendMessage(FramesHeader(), win::HDM_GETITEMRECT, win::WPARAM(column), reinterpret_cast<win::LPARAM>(&r));
        return r;
    }
    TPoint HeaderToScreen(TPoint p) const {
        win::ClientToScreen(FramesHeader(), &p);
        return p;
    }
    // A header section on the screen.
    TRect SectionOnScreen(int32_t column) const {
        const TRect r = Section(column);
        const TPoint at = HeaderToScreen({r.Left, r.Top});
        return Bounds(at.X, at.Y, r.Width(), r.Height());
    }
    // The first row after a sort, and a pixel inside the arrow the sorted section shows at its right end (the
    // classic look: the section's text rectangle is the section less 2 all round and 4 at the sides; the
    // arrow's arithmetic works in the header's own coordinates).
    void ReportSort(int32_t column) {
        Say("first " + lvFrames->GetItems()->GetItem(0)->GetCaption());
        const TRect s = Section(column);
        const TRect t{s.Left + 6, s.Top + 2, s.Right - 6, s.Bottom - 2};
        TRect a = controls::TFcCustomListView::SortArrowRect(t);
        const int32_t w = a.Width();
        a.Right = t.Right - 5;
        a.Left = a.Right - w;
        const int32_t h = a.Height() * 3 / 4;
        const int32_t apexY = lvFrames->GetSortDirection() == 0 ? a.Bottom - h : a.Bottom - 1;
        const int32_t baseY = lvFrames->GetSortDirection() == 0 ? a.Bottom - 1 : a.Bottom - h;
        const TPoint p = HeaderToScreen({a.Left + (2 * h - 1) / 2, (apexY + baseY) / 2});
        Say("arrow " + std::to_string(p.X) + "," + std::to_string(p.Y));
    }
    controls::TFcPageControl* pgcPreview = nullptr;
    controls::TFcURLLabel* lblHome = nullptr;
    controls::TFcGroupBox* grpAnimation = nullptr;
    controls::TFcCheckBox* chkAnimationTrans = nullptr;
    controls::TFcRadioButton* optLoopForever = nullptr;
    controls::TFcRadioButton* optLoopSpecified = nullptr;
    controls::TFcBitBtn* btnSelectColor = nullptr;

    void glyphClick(TObject* sender) {
        auto* button = static_cast<controls::TFcCustomGlyphButton*>(sender);
        Say("state " + button->GetName() + (button->GetChecked() ? " 1" : " 0"));
    }

    void spinChange(TObject*) { Say("spinDelay " + spinDelay->GetText()); }

    void btnClick(TObject* sender) { Say("click " + static_cast<TComponent*>(sender)->GetName()); }
    void btnMouseEnter(TObject* sender) { Say("enter " + static_cast<TComponent*>(sender)->GetName()); }
    void btnMouseLeave(TObject* sender) { Say("leave " + static_cast<TComponent*>(sender)->GetName()); }
    void pgcPreviewChange(TObject*) {
        controls::TFcTabSheet* page = pgcPreview->GetActivePage();
        if (!page)
            return;
        page->Repaint();
        const TPoint at = page->ClientToScreen({0, 0});
        SayRect("page " + std::to_string(pgcPreview->GetActivePageIndex()),
                Bounds(at.X, at.Y, page->GetWidth(), page->GetHeight()));
    }

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
        const TPoint comboAt = cboDisposal->ClientToScreen({0, 0});
        SayRect("combo", Bounds(comboAt.X, comboAt.Y, cboDisposal->GetWidth(), cboDisposal->GetHeight()));
        for (int32_t i = 0; i < 2; ++i)
            SayRect("header " + std::to_string(i), SectionOnScreen(i));
        const TPoint spinAt = spinDelay->ClientToScreen({0, 0});
        SayRect("spin", Bounds(spinAt.X, spinAt.Y, spinDelay->GetClientWidth(), spinDelay->GetClientHeight()));
        controls::TFcControlButton* up = spinDelay->GetSpinButton(0);
        const TPoint upAt = up->ClientToScreen({0, 0});
        SayRect("spinup", Bounds(upAt.X, upAt.Y, up->GetWidth(), up->GetHeight()));
        const TColor face = ColorToRGB(clBtnFace);
        Say("btnface " + std::to_string(face & 0xFF) + "," + std::to_string((face >> 8) & 0xFF) + "," +
            std::to_string((face >> 16) & 0xFF));
        pgcPreview->Repaint();
        const TPoint pagesAt = pgcPreview->ClientToScreen({0, 0});
        SayRect("pages", Bounds(pagesAt.X, pagesAt.Y, pgcPreview->GetWidth(), pgcPreview->GetHeight()));
        for (int32_t i = 0; i < pgcPreview->GetTabs()->Count(); ++i) {
            const TRect r = pgcPreview->TabRect(i);
            SayRect("pagetab " + std::to_string(i),
                    Bounds(pagesAt.X + r.Left, pagesAt.Y + r.Top, r.Right - r.Left + 1, r.Bottom - r.Top + 1));
        }
        const TPoint urlAt = lblHome->ClientToScreen({0, 0});
        SayRect("url", Bounds(urlAt.X, urlAt.Y, lblHome->GetWidth(), lblHome->GetHeight()));
        for (TControl* c : std::initializer_list<TControl*>{chkAnimationTrans, optLoopForever, optLoopSpecified,
                                                             btnSelectColor}) {
            const TPoint at = c->ClientToScreen({0, 0});
            SayRect("glyph " + c->GetName(), Bounds(at.X, at.Y, c->GetClientWidth(), c->GetClientHeight()));
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
    // Reports the URL label's visit (polled: it fires no event of its own).
    void WatchLink() {
        if (lblHome->GetVisited() && !Visited) {
            Visited = true;
            lblHome->Repaint();
            Say("visited");
        }
    }
    bool Visited = false;
};

void RegisterDemoClasses() {
    controls::RegisterControlClasses();
    DefineFormClass<TFcDemoForm, TForm>()
        .Field("edtName", &TFcDemoForm::edtName)
        .Field("btnOK", &TFcDemoForm::btnOK)
        .Field("btnCancel", &TFcDemoForm::btnCancel)
        .Field("tabPreview", &TFcDemoForm::tabPreview)
        .Field("spinDelay", &TFcDemoForm::spinDelay)
        .Field("FrameController1", &TFcDemoForm::FrameController1)
        .Field("cboDisposal", &TFcDemoForm::cboDisposal)
        .Field("lvFrames", &TFcDemoForm::lvFrames)
        .Field("pgcPreview", &TFcDemoForm::pgcPreview)
        .Field("lblHome", &TFcDemoForm::lblHome)
        .Field("grpAnimation", &TFcDemoForm::grpAnimation)
        .Field("chkAnimationTrans", &TFcDemoForm::chkAnimationTrans)
        .Field("optLoopForever", &TFcDemoForm::optLoopForever)
        .Field("optLoopSpecified", &TFcDemoForm::optLoopSpecified)
        .Field("btnSelectColor", &TFcDemoForm::btnSelectColor)
        .Method("glyphClick", &TFcDemoForm::glyphClick)
        .Method("pgcPreviewChange", &TFcDemoForm::pgcPreviewChange)
        .Method("btnClick", &TFcDemoForm::btnClick)
        .Method("btnMouseEnter", &TFcDemoForm::btnMouseEnter)
        .Method("btnMouseLeave", &TFcDemoForm::btnMouseLeave)
        .Method("spinChange", &TFcDemoForm::spinChange);
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
        // The controls' bitmaps (check marks, stock glyphs) before the controls start.
        resources::RegisterResources();
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
        watch.SetOnTimer([&](vcl::TObject*) {
            form->WatchTabs();
            form->WatchLink();
        });
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
