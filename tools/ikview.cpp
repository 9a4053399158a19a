// Shows an image file in one single-image view, loaded through the view's I/O component.
//
//   ikview FILE [--zoom Z] [--background N] [--select X1,Y1,X2,Y2] [--gray] [--render OUT.ppm W H]
//
// On the desktop's screen it opens a window whose client area is the view and prints, once the image shows:
//   client X,Y WxH        (the view's client area on the screen)
//   zoom Z
//   offset X,Y            (where the image starts in the view's client area)
//   origin VX,VY          (the zoomed-image pixel at the client area's top-left corner)
//   ready
// and after every change of the view (wheel, scroll bars, keys) "view VX,VY zoom Z offset X,Y". Page Up,
// Page Down, Home, End and the arrow keys scroll the view through its scroll-bar messages. --zoom sets the
// zoom in per cent, --background the background style (0 solid ... 7 chessboard ... 10 cropped shadow).
// --select selects the rectangle of bitmap pixels X1..X2, Y1..Y2 (inclusive), shown with its marching ants;
// --gray turns the image gray through the view's processing component, within the selection when there is
// one.
// With --render it draws the view for a W x H client area on the headless screen into OUT.ppm (binary
// PPM) and exits. Used by tests/external/imaging_view.sh.
#include "imaging/core/ImageKitProc.h"
#include "imaging/core/ImageKitView.h"
#include "imaging/io/IOComponent.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/backend/qt/QtScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Forms.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <fstream>
#include <string>

namespace {

struct TIkviewOptions {
    std::string File;
    double Zoom = 100;
    int Background = 0;
    std::string RenderFile;
    int RenderWidth = 0;
    int RenderHeight = 0;
    bool Select = false;
    int SelX1 = 0, SelY1 = 0, SelX2 = 0, SelY2 = 0;
    bool Gray = false;
};

bool IkviewParse(int argc, char** argv, TIkviewOptions& o) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--zoom") == 0 && i + 1 < argc) {
            o.Zoom = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--background") == 0 && i + 1 < argc) {
            o.Background = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--render") == 0 && i + 3 < argc) {
            o.RenderFile = argv[++i];
            o.RenderWidth = std::atoi(argv[++i]);
            o.RenderHeight = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--select") == 0 && i + 1 < argc) {
            o.Select = std::sscanf(argv[++i], "%d,%d,%d,%d", &o.SelX1, &o.SelY1, &o.SelX2, &o.SelY2) == 4;
            if (!o.Select)
                return false;
        } else if (std::strcmp(argv[i], "--gray") == 0) {
            o.Gray = true;
        } else if (argv[i][0] != '-' && o.File.empty()) {
            o.File = argv[i];
        } else {
            return false;
        }
    }
    return !o.File.empty() && o.Zoom > 0 && o.Background >= 0 && o.Background <= 10 &&
           (o.RenderFile.empty() || (o.RenderWidth > 0 && o.RenderHeight > 0));
}

// Loads the file into the view; false (with a message) when it cannot be read.
bool IkviewLoad(imaging::TImageKitView* view, const TIkviewOptions& o) {
    view->GetIO()->LoadFromFileByExtension(o.File);
    if (view->GetIO()->GetAborting()) {
        std::fprintf(stderr, "ikview: cannot read %s\n", o.File.c_str());
        return false;
    }
    view->SetBackgroundStyle(imaging::TIKBackgroundStyle(o.Background));
    view->SetZoom(o.Zoom);
    view->Update();
    if (o.Select) {
        view->SetSelectionBase(imaging::iksbBitmap);
        view->SelectRect(o.SelX1, o.SelY1, o.SelX2, o.SelY2, 0);
    }
    if (o.Gray)
        view->GetProc()->ConvertToGray();
    return true;
}

int IkviewRender(const TIkviewOptions& o) {
    headless::HeadlessScreen screen({0, 0, o.RenderWidth + 200, o.RenderHeight + 200});
    auto* form = new vcl::TForm(nullptr);
    form->SetBorderStyle(vcl::bsNone);
    form->SetBounds(0, 0, o.RenderWidth, o.RenderHeight);
    auto* view = new imaging::TImageKitView(form);
    view->SetBorderStyle(vcl::bsNone);
    view->SetScrollBars(vcl::ssNone);
    view->SetParent(form);
    view->SetBounds(0, 0, o.RenderWidth, o.RenderHeight);
    form->Show();
    vcl::Application->ProcessMessages();
    if (!IkviewLoad(view, o)) {
        form->Free();
        return 1;
    }
    vcl::TBitmap out;
    out.SetPixelFormat(vcl::pf24bit);
    out.SetSize(view->GetClientWidth(), view->GetClientHeight());
    view->RenderTo(&out, nullptr, nullptr);
    std::ofstream file(o.RenderFile, std::ios::binary);
    file << "P6\n" << out.GetWidth() << " " << out.GetHeight() << "\n255\n";
    for (int32_t y = 0; y < out.GetHeight(); ++y) {
        const auto* row = static_cast<const uint8_t*>(out.ScanLine(y));
        for (int32_t x = 0; x < out.GetWidth(); ++x) {
            const char rgb[3] = {char(row[3 * x + 2]), char(row[3 * x + 1]), char(row[3 * x])};
            file.write(rgb, 3);
        }
    }
    form->Free();
    if (!file) {
        std::fprintf(stderr, "ikview: cannot write %s\n", o.RenderFile.c_str());
        return 1;
    }
    return 0;
}

void IkviewPrintState(imaging::TImageKitView* view, const char* prefix) {
    std::printf("%sview %d,%d zoom %g offset %d,%d\n", prefix, view->GetViewX(), view->GetViewY(), view->GetZoom(),
                view->GetOffsetX(), view->GetOffsetY());
    std::fflush(stdout);
}

// The keys scroll as the scroll bars do.
void IkviewKeyDown(imaging::TImageKitView* view, uint16_t& key) {
    struct {
        uint16_t Key;
        win::UINT Message;
        win::WORD Code;
    } const keys[] = {
        {uint16_t(win::VK_PRIOR), win::WM_VSCROLL, win::SB_PAGEUP},
        {uint16_t(win::VK_NEXT), win::WM_VSCROLL, win::SB_PAGEDOWN},
        {uint16_t(win::VK_HOME), win::WM_VSCROLL, win::SB_TOP},
        {uint16_t(win::VK_END), win::WM_VSCROLL, win::SB_BOTTOM},
        {uint16_t(win::VK_UP), win::WM_VSCROLL, win::SB_LINEUP},
        {uint16_t(win::VK_DOWN), win::WM_VSCROLL, win::SB_LINEDOWN},
        {uint16_t(win::VK_LEFT), win::WM_HSCROLL, win::SB_LINEUP},
        {uint16_t(win::VK_RIGHT), win::WM_HSCROLL, win::SB_LINEDOWN},
    };
    for (const auto& k : keys)
        if (k.Key == key) {
            view->Perform(k.Message, win::MAKEWPARAM(k.Code, 0), 0);
            key = 0;
            return;
        }
}

int IkviewShow(int argc, char** argv, const TIkviewOptions& o) {
    qtbackend::QtScreen screen(argc, argv);
    vcl::Application->Initialize();
    vcl::Application->SetTitle("Loomwick image view");
    vcl::TForm* form = nullptr;
    vcl::Application->CreateForm(form);
    form->SetCaption("ikview " + o.File);
    form->SetBounds(40, 40, 400, 300);
    form->SetClientWidth(400);
    form->SetClientHeight(300);
    auto* view = new imaging::TImageKitView(form);
    view->SetParent(form);
    view->SetAlign(vcl::alClient);
    view->SetTabStop(true);
    form->Show();
    vcl::Application->ProcessMessages();
    if (!IkviewLoad(view, o))
        return 1;
    view->SetFocus();
    view->OnKeyDown = [view](vcl::TObject*, uint16_t& key, vcl::TShiftState) { IkviewKeyDown(view, key); };
    bool ready = false;
    view->OnViewChange = [view, &ready](vcl::TObject*, int32_t) {
        if (ready)
            IkviewPrintState(view, "");
    };
    vcl::Application->ProcessMessages();
    const vcl::TPoint origin = view->ClientToScreen({0, 0});
    std::printf("client %d,%d %dx%d\n", origin.X, origin.Y, view->GetClientWidth(), view->GetClientHeight());
    std::printf("zoom %g\noffset %d,%d\norigin %d,%d\nready\n", view->GetZoom(), view->GetOffsetX(),
                view->GetOffsetY(), view->GetViewX(), view->GetViewY());
    std::fflush(stdout);
    ready = true;
    vcl::Application->Run();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    TIkviewOptions o;
    if (!IkviewParse(argc, argv, o)) {
        std::fprintf(stderr, "usage: ikview FILE [--zoom Z] [--background N] [--select X1,Y1,X2,Y2] [--gray] "
                             "[--render OUT.ppm W H]\n");
        return 2;
    }
    try {
        return o.RenderFile.empty() ? IkviewShow(argc, argv, o) : IkviewRender(o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ikview: %s\n", e.what());
        return 1;
    }
}
