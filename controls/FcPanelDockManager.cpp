#include "controls/FcPanelDockManager.h"

#include "controls/FcGraphics.h"
#include "controls/FcPanel.h"
#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"
#include "platform/win/user/Messages.h"

namespace controls {

namespace {

// The wrapper put into the dock site's handler chain; a named type, so that the manager can tell its own
// wrapper from one another component put in front of it.
struct TDockSiteHook {
    vcl::TWinControl* Site;
    vcl::TWndMethod Previous;
    std::weak_ptr<bool> Alive;
    void operator()(vcl::TMessage& m) const {
        if (auto alive = Alive.lock(); alive && *alive && (m.Msg == win::WM_COMMAND || m.Msg == win::WM_MOUSEACTIVATE))
            Site->Invalidate();
        if (Previous)
            Previous(m);
    }
};

} // namespace

TFcPanelDockManager::TFcPanelDockManager(vcl::TWinControl* dockSite)
    : vcl::TDockTree(dockSite), FPanel(dynamic_cast<TFcCustomPanel*>(dockSite)),
      FCaptionFont(std::make_unique<vcl::TFont>()), FCloseFont(std::make_unique<vcl::TFont>()) {
    FGrabberSize = GrabberSize;
    FCaptionFont->SetName("Verdana");
    FCaptionFont->SetSize(8);
    FCloseFont->SetName("Marlett");
    FCloseFont->SetSize(8);
    if (!dockSite->GetComponentState().Contains(vcl::csDesigning)) {
        dockSite->SetWindowProc(TDockSiteHook{dockSite, dockSite->GetWindowProc(), FAlive});
        FHooked = true;
    }
}

TFcPanelDockManager::~TFcPanelDockManager() {
    *FAlive = false;
    if (FHooked) {
        // Only our own wrapper is taken out; one put in front of it keeps its chain, whose link to us now
        // only passes messages on.
        vcl::TWndMethod current = FDockSite->GetWindowProc();
        if (const auto* hook = current.target<TDockSiteHook>(); hook && hook->Alive.lock() == FAlive)
            FDockSite->SetWindowProc(hook->Previous);
    }
}

bool TFcPanelDockManager::GrabberLeft() const {
    return FDockSite->GetAlign() == vcl::alTop || FDockSite->GetAlign() == vcl::alBottom;
}

void TFcPanelDockManager::AdjustDockRect(vcl::TControl*, vcl::TRect& rect) {
    if (GrabberLeft())
        rect.Left += GrabberSize;
    else
        rect.Top += GrabberSize;
}

vcl::TRect TFcPanelDockManager::CloseBoxRect(const vcl::TRect& r) const {
    if (GrabberLeft())
        return {r.Left + 1, r.Top + 1, r.Left + 12, r.Top + 12};
    return {r.Right - 15, r.Top + 1, r.Right - 2, r.Top + 12};
}

void TFcPanelDockManager::PaintDockFrame(vcl::TCanvas* canvas, vcl::TControl* control, const vcl::TRect& r) {
    if (FPanel && !FPanel->GetShowDockClientCaptions()) {
        vcl::TDockTree::PaintDockFrame(canvas, control, r);
        return;
    }
    canvas->SetFont(FCaptionFont.get());
    auto* windowed = dynamic_cast<vcl::TWinControl*>(control);
    const bool active = !windowed || windowed->Focused();
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    canvas->GetBrush()->SetColor(active ? vcl::clActiveCaption : vcl::clInactiveCaption);
    canvas->GetFont()->SetColor(active ? vcl::clCaptionText : vcl::clInactiveCaptionText);
    const std::string caption = control->GetCaption();
    if (!GrabberLeft()) {
        const vcl::TRect bar{r.Left, r.Top, r.Right, r.Top + GrabberSize};
        canvas->FillRect(bar);
        canvas->TextRect(bar, r.Left + 2, r.Top, caption);
    } else {
        const vcl::TRect bar{r.Left, r.Top, r.Left + GrabberSize, r.Bottom};
        canvas->FillRect(bar);
        win::HDC dc = canvas->GetHandle();
        const win::UINT oldAlign = win::SetTextAlign(dc, win::TA_BASELINE);
        // The caption written upwards.
        canvas->GetFont()->SetHandle(CreateRotatedFont(FCaptionFont.get(), 90)); // the canvas's font owns it
        canvas->GetFont()->SetColor(vcl::clCaptionText);
        canvas->TextRect(bar, bar.Right - 2, bar.Bottom - 3, caption);
        win::SetTextAlign(canvas->GetHandle(), oldAlign);
        canvas->SetFont(FCaptionFont.get());
    }
    const vcl::TRect close = CloseBoxRect(r);
    canvas->GetFont()->SetName("Marlett");
    canvas->GetBrush()->SetStyle(vcl::bsClear);
    canvas->TextRect(close, close.Left, close.Top, "r");
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
}

} // namespace controls
