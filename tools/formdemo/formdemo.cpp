// Shows a window of every standard control, created from its layout file (TDemoForm.txt, embedded at build
// time) on the desktop's screen. Once the window is shown the demo clicks its Count button through the
// window system, so that the handler bound by name in the layout runs, and prints:
//   clicked 1
//   window X,Y WxH         (the window's place and size on the screen)
//   client X,Y WxH         (its client area)
//   tab X,Y                (the centre of the page control's second tab, on the screen)
//   pages X,Y WxH          (the page control's display area, where its pages show, on the screen)
//   ready
// and afterwards, as they happen:
//   help ID                (F1 pressed: the id of the control the help is for; the name edit is 101)
//   activateapp 0|1        (the program lost or got back the desktop's focus)
//   drop ENTRY X,Y WxH     (an entry of the colour list dragged onto the frames list joined it: the entry and
//                          its new row on the screen)
//   enddrag none           (a drag of an entry released over nothing that takes it)
//   activate 0|1           (the window was deactivated or activated)
//   placed X,Y WxH         (the window was moved or resized: its client area on the screen)
//   dialog X,Y WxH         (the OK button opened a modal dialog, "Loomwick demo dialog": its place and size)
//   second activate 0|1    (the second window, "Loomwick demo second", was deactivated or activated)
// Options: --seconds N ends the demo after N seconds (default: it runs until its window is closed);
// --picture FILE shows FILE (any picture the class library reads: BMP, icons, GIF, WMF, EMF) in the image,
// at its own size from the image's top-left corner, and prints "image X,Y WxH" (the image's place on the
// screen) before "ready"; --sizable gives the window a sizing frame; --icon FILE makes the icon file FILE
// the application's icon, which the window and its dialog show; --at X,Y puts the window's top-left corner
// at X,Y instead of the place its layout gives; --second also shows a second window of the program, modeless,
// at 700,100.
// Choosing a page of the page control prints "page CAPTION". Used by tests/external/formdemo.sh.
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/User.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

namespace formdemo {

void RegisterDemoForms();

using namespace vcl;

class TDemoForm : public TForm {
public:
    explicit TDemoForm(TComponent* owner) : TForm(owner) { InitInheritedComponent(typeid(TDemoForm)); }

    TLabel* lblName = nullptr;
    TEdit* edtName = nullptr;
    TEdit* edtTimes = nullptr;
    TUpDown* udTimes = nullptr;
    TMemo* memNotes = nullptr;
    TListBox* lstColors = nullptr;
    TComboBox* cboDisposal = nullptr;
    TCheckBox* chkLoop = nullptr;
    TCheckBox* chkTrans = nullptr;
    TGroupBox* grpPlayback = nullptr;
    TRadioButton* optOnce = nullptr;
    TRadioButton* optForever = nullptr;
    TListView* lvFrames = nullptr;
    TProgressBar* prgLoad = nullptr;
    TTrackBar* trkSpeed = nullptr;
    TPanel* pnlPreview = nullptr;
    TImage* imgPreview = nullptr;
    TShape* shpMarker = nullptr;
    TPaintBox* pbxSwatches = nullptr;
    TBevel* bevLine = nullptr;
    TLabel* lblPanel = nullptr;
    TScrollBox* sbxLarge = nullptr;
    TLabel* lblInside = nullptr;
    TPanel* pnlInside = nullptr;
    TBitBtn* btnOK = nullptr;
    TButton* btnCount = nullptr;
    TButton* btnClose = nullptr;
    TStatusBar* sbStatus = nullptr;
    TSpeedButton* sbPlay = nullptr;
    TSpeedButton* sbStop = nullptr;
    TPageControl* pcDemo = nullptr;
    TTabSheet* tsFirst = nullptr;
    TTabSheet* tsSecond = nullptr;
    TTimer* tmrQuit = nullptr;

    int32_t Clicks = 0;

    // The rows of the list view, a picture for the image and the combo box's choice: what a layout file
    // leaves to code.
    void FormCreate(TObject* sender) {
        const char* rows[][2] = {{"Frame 1", "120 x 80"}, {"Frame 2", "120 x 80"}, {"Frame 3", "64 x 64"}};
        for (const auto& row : rows) {
            TListItem* item = lvFrames->GetItems()->Add();
            item->SetCaption(row[0]);
            item->GetSubItems()->Add(row[1]);
        }
        lvFrames->GetItems()->GetItem(0)->SetSelected(true);
        cboDisposal->SetItemIndex(2);

        auto* bitmap = imgPreview->GetPicture()->GetBitmap();
        bitmap->SetWidth(96);
        bitmap->SetHeight(96);
        TCanvas* canvas = bitmap->GetCanvas();
        for (int y = 0; y < 96; ++y) {
            canvas->GetPen()->SetColor(TColor(0x010000 * (y * 255 / 95) + 0x0000C0));
            canvas->MoveTo(0, y);
            canvas->LineTo(96, y);
        }
        imgPreview->Invalidate();

        // An entry of the colour list dragged onto the frames list joins it.
        lstColors->SetDragMode(dmAutomatic);
        lstColors->OnEndDrag = [this](TObject* s, TObject* t, int32_t x, int32_t y) { lstColorsEndDrag(s, t, x, y); };
        lvFrames->OnDragOver = [this](TObject* s, TObject* src, int32_t x, int32_t y, TDragState st, bool& accept) {
            lvFramesDragOver(s, src, x, y, st, accept);
        };
        lvFrames->OnDragDrop = [this](TObject* s, TObject* src, int32_t x, int32_t y) {
            lvFramesDragDrop(s, src, x, y);
        };
    }

    void lvFramesDragOver(TObject*, TObject* source, int32_t, int32_t, TDragState, bool& accept) {
        accept = source == lstColors && lstColors->GetItemIndex() >= 0;
    }

    void lvFramesDragDrop(TObject*, TObject*, int32_t, int32_t) {
        const std::string entry = lstColors->GetItems()->GetStrings(lstColors->GetItemIndex());
        TListItem* item = lvFrames->GetItems()->Add();
        item->SetCaption(entry);
        item->GetSubItems()->Add("dropped");
        const TRect r = item->DisplayRect(drBounds);
        const TPoint at = lvFrames->ClientToScreen({r.Left, r.Top});
        std::printf("drop %s %d,%d %dx%d\n", entry.c_str(), at.X, at.Y, r.Width(), r.Height());
        std::fflush(stdout);
    }

    void lstColorsEndDrag(TObject*, TObject* target, int32_t, int32_t) {
        if (!target) {
            std::printf("enddrag none\n");
            std::fflush(stdout);
        }
    }

    void btnCountClick(TObject* sender) {
        ++Clicks;
        sbStatus->GetPanels()->GetItem(0)->SetText("Clicked " + std::to_string(Clicks));
        std::printf("clicked %d\n", Clicks);
        std::fflush(stdout);
    }

    void btnCloseClick(TObject* sender) { Close(); }

    // A modal dialog owned by the form, centred on it.
    void btnOKClick(TObject* sender) {
        TForm dialog(this);
        dialog.SetBorderStyle(bsDialog);
        dialog.SetPosition(poOwnerFormCenter);
        dialog.SetCaption("Loomwick demo dialog");
        dialog.SetBounds(0, 0, 320, 160);
        dialog.OnShow = [&dialog](TObject*) {
            std::printf("dialog %d,%d %dx%d\n", dialog.GetLeft(), dialog.GetTop(), dialog.GetWidth(),
                        dialog.GetHeight());
            std::fflush(stdout);
        };
        dialog.ShowModal();
    }

    // Four colour swatches in the corners of the box.
    void pbxSwatchesPaint(TObject* sender) {
        TCanvas* canvas = pbxSwatches->GetCanvas();
        const TColor colours[] = {clRed, clLime, clBlue, clFuchsia};
        for (int i = 0; i < 4; ++i) {
            canvas->GetBrush()->SetColor(colours[i]);
            const int x = (i % 2) * 48, y = (i / 2) * 48;
            canvas->FillRect(Rect(x, y, x + 48, y + 48));
        }
    }

    void tmrQuitTimer(TObject* sender) { Application->Terminate(); }

    // The help key's request and the program's activation, as the form hears them.
    void WndProc(TMessage& message) override {
        if (message.Msg == win::WM_HELP) {
            const auto* info = reinterpret_cast<const win::HELPINFO*>(message.LParam);
            std::printf("help %d\n", info->iCtrlId);
            std::fflush(stdout);
            message.Result = win::TRUE;
            return;
        }
        if (message.Msg == win::WM_ACTIVATEAPP) {
            std::printf("activateapp %d\n", message.WParam ? 1 : 0);
            std::fflush(stdout);
        }
        if (message.Msg == win::WM_ACTIVATE) {
            std::printf("activate %d\n", (message.WParam & 0xFFFF) != win::WA_INACTIVE ? 1 : 0);
            std::fflush(stdout);
        }
        TForm::WndProc(message);
        if (message.Msg == win::WM_WINDOWPOSCHANGED && Ready) {
            const auto* pos = reinterpret_cast<const win::WINDOWPOS*>(message.LParam);
            if ((pos->flags & (win::SWP_NOMOVE | win::SWP_NOSIZE)) != (win::SWP_NOMOVE | win::SWP_NOSIZE)) {
                const TPoint origin = ClientToScreen({0, 0});
                std::printf("placed %d,%d %dx%d\n", origin.X, origin.Y, GetClientWidth(), GetClientHeight());
                std::fflush(stdout);
            }
        }
    }

    bool Ready = false; // the first report is out: later moves and sizes are reported
    void pcDemoChange(TObject* sender) {
        std::printf("page %s\n", pcDemo->GetActivePage()->GetCaption().c_str());
        std::fflush(stdout);
    }
};

// A second window of the program, which reports its activation.
class TSecondForm : public TForm {
public:
    explicit TSecondForm(TComponent* owner) : TForm(owner) {
        SetBorderStyle(bsSingle);
        SetCaption("Loomwick demo second");
        SetBounds(700, 100, 240, 160);
    }
    void WndProc(TMessage& message) override {
        if (message.Msg == win::WM_ACTIVATE) {
            std::printf("second activate %d\n", (message.WParam & 0xFFFF) != win::WA_INACTIVE ? 1 : 0);
            std::fflush(stdout);
        }
        TForm::WndProc(message);
    }
};

void RegisterDemoClasses() {
    RegisterVclClasses();
    DefineClassProperties<TDemoForm, TForm>();
    DefineFormClass<TDemoForm>()
        .Field("lblName", &TDemoForm::lblName)
        .Field("edtName", &TDemoForm::edtName)
        .Field("edtTimes", &TDemoForm::edtTimes)
        .Field("udTimes", &TDemoForm::udTimes)
        .Field("memNotes", &TDemoForm::memNotes)
        .Field("lstColors", &TDemoForm::lstColors)
        .Field("cboDisposal", &TDemoForm::cboDisposal)
        .Field("chkLoop", &TDemoForm::chkLoop)
        .Field("chkTrans", &TDemoForm::chkTrans)
        .Field("grpPlayback", &TDemoForm::grpPlayback)
        .Field("optOnce", &TDemoForm::optOnce)
        .Field("optForever", &TDemoForm::optForever)
        .Field("lvFrames", &TDemoForm::lvFrames)
        .Field("prgLoad", &TDemoForm::prgLoad)
        .Field("trkSpeed", &TDemoForm::trkSpeed)
        .Field("pnlPreview", &TDemoForm::pnlPreview)
        .Field("imgPreview", &TDemoForm::imgPreview)
        .Field("shpMarker", &TDemoForm::shpMarker)
        .Field("pbxSwatches", &TDemoForm::pbxSwatches)
        .Field("bevLine", &TDemoForm::bevLine)
        .Field("lblPanel", &TDemoForm::lblPanel)
        .Field("sbxLarge", &TDemoForm::sbxLarge)
        .Field("lblInside", &TDemoForm::lblInside)
        .Field("pnlInside", &TDemoForm::pnlInside)
        .Field("btnOK", &TDemoForm::btnOK)
        .Field("btnCount", &TDemoForm::btnCount)
        .Field("btnClose", &TDemoForm::btnClose)
        .Field("sbStatus", &TDemoForm::sbStatus)
        .Field("tmrQuit", &TDemoForm::tmrQuit)
        .Field("sbPlay", &TDemoForm::sbPlay)
        .Field("sbStop", &TDemoForm::sbStop)
        .Field("pcDemo", &TDemoForm::pcDemo)
        .Field("tsFirst", &TDemoForm::tsFirst)
        .Field("tsSecond", &TDemoForm::tsSecond)
        .Method("FormCreate", &TDemoForm::FormCreate)
        .Method("btnCountClick", &TDemoForm::btnCountClick)
        .Method("btnCloseClick", &TDemoForm::btnCloseClick)
        .Method("pbxSwatchesPaint", &TDemoForm::pbxSwatchesPaint)
        .Method("tmrQuitTimer", &TDemoForm::tmrQuitTimer)
        .Method("pcDemoChange", &TDemoForm::pcDemoChange);
    RegisterClass<TDemoForm>("TDemoForm");
    RegisterDemoForms();
}

void PrintRect(const char* what, const TRect& r) {
    std::printf("%s %d,%d %dx%d\n", what, r.Left, r.Top, r.Width(), r.Height());
}

} // namespace formdemo

int main(int argc, char** argv) {
    int seconds = 0;
    const char* picture = nullptr;
    const char* icon = nullptr;
    const char* at = nullptr;
    bool second = false;
    bool sizable = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--picture") == 0 && i + 1 < argc) {
            picture = argv[++i];
        } else if (std::strcmp(argv[i], "--icon") == 0 && i + 1 < argc) {
            icon = argv[++i];
        } else if (std::strcmp(argv[i], "--at") == 0 && i + 1 < argc) {
            at = argv[++i];
        } else if (std::strcmp(argv[i], "--second") == 0) {
            second = true;
        } else if (std::strcmp(argv[i], "--sizable") == 0) {
            sizable = true;
        } else {
            std::fprintf(stderr, "usage: formdemo [--seconds N] [--picture FILE] [--icon FILE] [--at X,Y] "
                                 "[--second] [--sizable]\n");
            return 2;
        }
    }
    try {
        qtbackend::QtScreen screen(argc, argv);
        vcl::Application->Initialize();
        vcl::Application->SetTitle("Loomwick form demo");
        if (icon)
            vcl::Application->GetIcon()->LoadFromFile(icon);
        formdemo::RegisterDemoClasses();
        formdemo::TDemoForm* form = nullptr;
        vcl::Application->CreateForm(form);
        if (picture)
            form->imgPreview->GetPicture()->LoadFromFile(picture);
        if (sizable)
            form->SetBorderStyle(vcl::bsSizeable);
        int x = 0, y = 0;
        if (at && std::sscanf(at, "%d,%d", &x, &y) == 2)
            form->SetBounds(x, y, form->GetWidth(), form->GetHeight());
        form->Show();
        // The name edit has the focus and a control id, which the help key's report names.
        win::SetWindowLong(form->edtName->GetHandle(), win::GWL_ID, 101);
        form->edtName->SetFocus();
        vcl::Application->ProcessMessages();

        // A click as the window system delivers it, through the handler the layout binds by name.
        win::SendMessage(form->btnCount->GetHandle(), vcl::BM_CLICK, 0, 0);
        vcl::Application->ProcessMessages();
        formdemo::PrintRect("window", form->GetBoundsRect());
        const vcl::TPoint origin = form->ClientToScreen({0, 0});
        formdemo::PrintRect("client",
                            vcl::Bounds(origin.X, origin.Y, form->GetClientWidth(), form->GetClientHeight()));
        if (picture) {
            const vcl::TPoint at = form->imgPreview->ClientToScreen({0, 0});
            formdemo::PrintRect("image", vcl::Bounds(at.X, at.Y, form->imgPreview->GetWidth(),
                                                     form->imgPreview->GetHeight()));
        }
        vcl::TRect tab;
        win::SendMessage(form->pcDemo->GetHandle(), win::TCM_GETITEMRECT, 1,
                         reinterpret_cast<win::LPARAM>(&tab));
        const vcl::TPoint tabCentre =
            form->pcDemo->ClientToScreen({(tab.Left + tab.Right) / 2, (tab.Top + tab.Bottom) / 2});
        std::printf("tab %d,%d\n", tabCentre.X, tabCentre.Y);
        const vcl::TPoint pages = form->tsSecond->ClientToScreen({0, 0});
        formdemo::PrintRect(
            "pages", vcl::Bounds(pages.X, pages.Y, form->tsSecond->GetWidth(), form->tsSecond->GetHeight()));
        if (second) {
            auto* other = new formdemo::TSecondForm(form);
            other->Show();
            form->Show(); // the main window stays the active one
            vcl::Application->ProcessMessages();
        }
        std::printf("ready\n");
        std::fflush(stdout);
        form->Ready = true;
        form->btnOK->OnClick = [form](vcl::TObject* sender) { form->btnOKClick(sender); };
        if (seconds > 0) {
            form->tmrQuit->SetInterval(uint32_t(seconds) * 1000u);
            form->tmrQuit->SetEnabled(true);
        }
        vcl::Application->Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "formdemo: %s\n", e.what());
        return 1;
    }
    return 0;
}
