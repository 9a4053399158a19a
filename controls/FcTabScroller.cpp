// The tab control's two small children: the pair of scroll arrows and the close box.
#include "controls/FcTabs.h"

#include "controls/FcThemeServices.h"
#include "platform/vcl/Canvas.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/User.h"

namespace controls {

namespace {

void OutlineRect(vcl::TCanvas* c, const TRect& r, TColor color) {
    c->GetBrush()->SetStyle(vcl::bsClear);
    c->GetPen()->SetStyle(vcl::psSolid);
    c->GetPen()->SetColor(color);
    c->Rectangle(r);
    c->GetBrush()->SetStyle(vcl::bsSolid);
}

constexpr int32_t SmallCloseButtonPart = 19;

} // namespace

// ---- Scroller ------------------------------------------------------------------------------------------

TFcTabScroller::TFcTabScroller(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
    SetBounds(0, 0, 33, 17);
}

void TFcTabScroller::SetFrameColor(TColor value) {
    if (FFrameColor == value)
        return;
    FFrameColor = value;
    Invalidate();
}

void TFcTabScroller::SetOrientation(TOrientation value) {
    if (FOrientation == value)
        return;
    FOrientation = value;
    Invalidate();
}

void TFcTabScroller::DownLeftClick() {
    if (OnDownLeftClick)
        OnDownLeftClick(this);
}

void TFcTabScroller::UpRightClick() {
    if (OnUpRightClick)
        OnUpRightClick(this);
}

bool TFcTabScroller::InUpRightHalf(int32_t x, int32_t y) const {
    if (FOrientation == orHorizontal)
        return x >= GetWidth() / 2;
    return y <= GetHeight() / 2;
}

void TFcTabScroller::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseDown(button, shift, x, y);
    FPressedUpRight = InUpRightHalf(x, y);
    FPressing = true;
    FPressedOver = true;
    Invalidate();
    if (HandleAllocated())
        win::SetCapture(GetHandle());
}

void TFcTabScroller::MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseMove(shift, x, y);
    if (!FPressing)
        return;
    const bool inside = x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight();
    const bool over = inside && InUpRightHalf(x, y) == FPressedUpRight;
    if (over != FPressedOver) {
        FPressedOver = over;
        Invalidate();
    }
}

void TFcTabScroller::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    win::ReleaseCapture();
    FPressing = false;
    if (FPressedOver) {
        FPressedOver = false;
        if (FPressedUpRight)
            UpRightClick();
        else
            DownLeftClick();
        Invalidate();
    }
    vcl::TCustomControl::MouseUp(button, shift, x, y);
}

void TFcTabScroller::Paint() {
    vcl::TCanvas* c = GetCanvas();
    const int32_t w = GetWidth(), h = GetHeight();
    // Which arrow can scroll: back is impossible at the first tab, forward once the last tab is shown.
    bool upRightEnabled = true, downLeftEnabled = true;
    if (FTabControl) {
        const bool backPossible = FTabControl->GetFirstShownTab() > 0;
        const int32_t last = FTabControl->LastVisibleTab();
        const bool forwardPossible = last >= 0 && !FTabControl->TabShown(last);
        const bool upForward = FTabControl->UpRightScrollsForward();
        upRightEnabled = upForward ? forwardPossible : backPossible;
        downLeftEnabled = upForward ? backPossible : forwardPossible;
    }
    const bool upPressed = FPressedOver && FPressedUpRight, downPressed = FPressedOver && !FPressedUpRight;
    TThemeServices* themes = GetThemeServices();
    if (themes->ThemesEnabled()) {
        auto state = [](bool enabled, bool pressed) { return !enabled ? 3 : pressed ? 2 : 0; };
        const win::HDC dc = c->GetHandle();
        if (FOrientation == orVertical) {
            themes->PaintElement(dc, themes->DetailsForSpin(tsDownNormal + state(downLeftEnabled, downPressed)),
                                 {0, h - h / 2, w, h});
            themes->PaintElement(dc, themes->DetailsForSpin(tsUpNormal + state(upRightEnabled, upPressed)),
                                 {0, 0, w, h - h / 2});
        } else {
            themes->PaintElement(dc,
                                 themes->DetailsForSpin(tsDownHorzNormal + state(downLeftEnabled, downPressed)),
                                 {0, 0, w / 2, h});
            themes->PaintElement(dc, themes->DetailsForSpin(tsUpHorzNormal + state(upRightEnabled, upPressed)),
                                 {w / 2, 0, w, h});
        }
        return;
    }
    // The two halves share their middle line.
    TRect down, up;
    if (FOrientation == orVertical) {
        down = {0, h - (h / 2 + 1), w, h};
        up = {0, 0, w, h / 2 + 1};
    } else {
        down = {0, 0, w / 2 + 1, h};
        up = {w - (w / 2 + 1), 0, w, h};
    }
    const bool vert = FOrientation == orVertical;
    PaintDirectionArrow(c, down, false, vert ? adDown : adLeft, downPressed, downLeftEnabled);
    OutlineRect(c, down, FFrameColor);
    PaintDirectionArrow(c, up, false, vert ? adUp : adRight, upPressed, upRightEnabled);
    OutlineRect(c, up, FFrameColor);
}

// ---- Close box -----------------------------------------------------------------------------------------

TFcTabCloseButton::TFcTabCloseButton(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
    SetBounds(0, 0, 15, 15);
}

void TFcTabCloseButton::SetFrameColor(TColor value) {
    if (FFrameColor == value)
        return;
    FFrameColor = value;
    Invalidate();
}

void TFcTabCloseButton::CloseClick() {
    if (OnClose)
        OnClose(this);
}

void TFcTabCloseButton::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseDown(button, shift, x, y);
    FPressing = true;
    FPressedOver = true;
    Invalidate();
    if (HandleAllocated())
        win::SetCapture(GetHandle());
}

void TFcTabCloseButton::MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomControl::MouseMove(shift, x, y);
    if (!FPressing)
        return;
    const bool over = x >= 0 && y >= 0 && x < GetWidth() && y < GetHeight();
    if (over != FPressedOver) {
        FPressedOver = over;
        Invalidate();
    }
}

void TFcTabCloseButton::MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    win::ReleaseCapture();
    FPressing = false;
    const bool click = FPressedOver;
    FPressedOver = false;
    if (click)
        Invalidate();
    vcl::TCustomControl::MouseUp(button, shift, x, y);
    // Last: the click may free the active page, the tab control and this button with it.
    if (click)
        CloseClick();
}

void TFcTabCloseButton::Paint() {
    vcl::TCanvas* c = GetCanvas();
    TRect r{0, 0, GetWidth(), GetHeight()};
    const bool active = FTabControl && FTabControl->GetTabIndex() >= 0;
    TThemeServices* themes = GetThemeServices();
    if (themes->ThemesEnabled()) {
        const int32_t state = !active ? 4 : FPressedOver ? 3 : 1;
        themes->PaintElement(c->GetHandle(), {teWindow, SmallCloseButtonPart, state}, r);
        return;
    }
    win::RECT rr{r.Left, r.Top, r.Right, r.Bottom};
    win::DrawFrameControl(c->GetHandle(), &rr, win::DFC_CAPTION,
                          win::DFCS_CAPTIONCLOSE | win::DFCS_FLAT | (FPressedOver ? win::DFCS_PUSHED : 0) |
                              (active ? 0 : win::DFCS_INACTIVE));
    OutlineRect(c, r, FFrameColor);
}

} // namespace controls
