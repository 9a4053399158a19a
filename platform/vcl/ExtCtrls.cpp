#include "platform/vcl/ExtCtrls.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/User.h"

#include <algorithm>
#include <map>
#include <set>

namespace vcl {

namespace {

// Running timers by the window system's timer id.
std::map<uintptr_t, TTimer*>& ExtCtrlsTimers() {
    static std::map<uintptr_t, TTimer*> timers;
    return timers;
}

// Every timer that exists, running or not.
std::set<TTimer*>& ExtCtrlsLiveTimers() {
    static std::set<TTimer*> timers;
    return timers;
}

void ExtCtrlsTimerProc(win::HWND, win::UINT, uintptr_t id, win::DWORD) {
    auto it = ExtCtrlsTimers().find(id);
    if (it == ExtCtrlsTimers().end())
        return;
    // The handler may stop, restart or free the timer, which changes the table: the iterator is not kept.
    TTimer* timer = it->second;
    try {
        timer->Timer();
    } catch (const win::StallError&) {
        throw;
    } catch (const EAbort&) {
    } catch (const std::exception& e) {
        if (!Application)
            throw;
        // A timer freed by its handler is no longer the sender.
        Application->HandleException(ExtCtrlsLiveTimers().count(timer) ? timer : nullptr, e);
    }
}

} // namespace

TTimer::TTimer(TComponent* owner) : TComponent(owner) { ExtCtrlsLiveTimers().insert(this); }

TTimer::~TTimer() {
    ExtCtrlsLiveTimers().erase(this);
    FEnabled = false;
    UpdateTimer();
}

void TTimer::UpdateTimer() {
    if (FTimerId) {
        win::KillTimer(nullptr, FTimerId);
        ExtCtrlsTimers().erase(FTimerId);
        FTimerId = 0;
    }
    if (FEnabled && FInterval != 0 && FOnTimer) {
        FTimerId = win::SetTimer(nullptr, 0, FInterval, ExtCtrlsTimerProc);
        if (!FTimerId)
            throw EOutOfResources("Not enough timers available");
        ExtCtrlsTimers()[FTimerId] = this;
    }
}

void TTimer::SetEnabled(bool value) {
    if (SetIfChanged(FEnabled, value))
        UpdateTimer();
}

void TTimer::SetInterval(uint32_t value) {
    if (SetIfChanged(FInterval, value))
        UpdateTimer();
}

void TTimer::SetOnTimer(TNotifyEvent value) {
    FOnTimer = std::move(value);
    UpdateTimer();
}

void TTimer::Timer() {
    if (FEnabled && FOnTimer) {
        // A copy: the handler may replace itself or free the timer.
        TNotifyEvent handler = FOnTimer;
        handler(this);
    }
}

// ---- TCustomPanel --------------------------------------------------------------------------------------

namespace {

// Draws a bevel of the cut's kind inside rect and shrinks rect by its width.
void ExtCtrlsBevel(win::HDC dc, TRect& rect, TBevelCut cut, int32_t width) {
    if (cut == bvNone)
        return;
    for (int32_t i = 0; i < width; ++i) {
        if (cut != bvSpace) {
            win::UINT edge = cut == bvLowered ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER;
            TRect r = rect;
            win::DrawEdge(dc, &r, edge, win::BF_RECT);
        }
        rect = {rect.Left + 1, rect.Top + 1, rect.Right - 1, rect.Bottom - 1};
    }
}

} // namespace

TCustomPanel::TCustomPanel(TComponent* owner) : TCustomControl(owner) {
    FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                  csOpaque,          csDoubleClicks, csReplicatable};
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
}

void TCustomPanel::CreateParams(TCreateParams& p) {
    TCustomControl::CreateParams(p);
    if (FBorderStyle == bsSingle)
        p.ExStyle |= win::WS_EX_CLIENTEDGE;
    // Resizing repaints the whole panel so that its bevel and caption stay right.
    p.WindowClassStyle &= ~win::UINT(FFullRepaint ? 0 : (win::CS_HREDRAW | win::CS_VREDRAW));
}

void TCustomPanel::AdjustClientRect(TRect& rect) {
    TCustomControl::AdjustClientRect(rect);
    int32_t inset = FBorderWidth;
    if (FBevelOuter != bvNone)
        inset += FBevelWidth;
    if (FBevelInner != bvNone)
        inset += FBevelWidth;
    rect = {rect.Left + inset, rect.Top + inset, rect.Right - inset, rect.Bottom - inset};
}

void TCustomPanel::Paint() {
    TCanvas* c = GetCanvas();
    TRect r = GetClientRect();
    c->GetBrush()->SetColor(FColor);
    c->FillRect(r);
    win::HDC dc = c->GetHandle();
    ExtCtrlsBevel(dc, r, FBevelOuter, FBevelWidth);
    r = {r.Left + FBorderWidth, r.Top + FBorderWidth, r.Right - FBorderWidth, r.Bottom - FBorderWidth};
    ExtCtrlsBevel(dc, r, FBevelInner, FBevelWidth);
    std::string text = GetCaption();
    if (text.empty())
        return;
    c->SetFont(FFont.get());
    win::SelectObject(dc, FFont->GetHandle());
    win::SetBkMode(dc, win::TRANSPARENT);
    win::SetTextColor(dc, win::COLORREF(ColorToRGB(GetEnabled() ? FFont->GetColor() : TColor(clGrayText))));
    win::UINT align = FAlignment == taLeftJustify    ? win::DT_LEFT
                      : FAlignment == taRightJustify ? win::DT_RIGHT
                                                     : win::DT_CENTER;
    win::DrawText(dc, text.c_str(), -1, &r, align | win::DT_VCENTER | win::DT_SINGLELINE);
}

void TCustomPanel::SetBevelOuter(TBevelCut value) {
    if (!SetIfChanged(FBevelOuter, value))
        return;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelInner(TBevelCut value) {
    if (!SetIfChanged(FBevelInner, value))
        return;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBevelWidth(int32_t value) {
    if (value == FBevelWidth || value < 1)
        return;
    FBevelWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderWidth(int32_t value) {
    if (value == FBorderWidth || value < 0)
        return;
    FBorderWidth = value;
    Realign();
    Invalidate();
}

void TCustomPanel::SetBorderStyle(TBorderStyle value) {
    if (SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

void TCustomPanel::SetAlignment(TAlignment value) {
    if (SetIfChanged(FAlignment, value))
        Invalidate();
}

void TCustomPanel::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_COLORCHANGED:
        TCustomControl::Dispatch(m);
        Invalidate();
        return;
    default:
        TCustomControl::Dispatch(m);
    }
}

// ---- TBevel --------------------------------------------------------------------------------------------

TBevel::TBevel(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle.Include(csReplicatable);
    FWidth = 50;
    FHeight = 50;
}

void TBevel::SetShape(TBevelShape value) {
    if (SetIfChanged(FShape, value))
        Invalidate();
}

void TBevel::SetStyle(TBevelStyle value) {
    if (SetIfChanged(FStyle, value))
        Invalidate();
}

void TBevel::Paint() {
    win::HDC dc = GetCanvas()->GetHandle();
    TRect r{0, 0, FWidth, FHeight};
    bool lowered = FStyle == bsLowered;
    switch (FShape) {
    case bsBox:
        win::DrawEdge(dc, &r, lowered ? win::BDR_SUNKENOUTER : win::BDR_RAISEDINNER, win::BF_RECT);
        break;
    case bsFrame:
        win::DrawEdge(dc, &r, lowered ? win::EDGE_ETCHED : win::EDGE_BUMP, win::BF_RECT);
        break;
    case bsTopLine:
        r.Bottom = r.Top + 2;
        win::DrawEdge(dc, &r, lowered ? win::EDGE_ETCHED : win::EDGE_BUMP, win::BF_TOP);
        break;
    case bsBottomLine:
        r.Top = r.Bottom - 2;
        win::DrawEdge(dc, &r, lowered ? win::EDGE_ETCHED : win::EDGE_BUMP, win::BF_TOP);
        break;
    case bsLeftLine:
        r.Right = r.Left + 2;
        win::DrawEdge(dc, &r, lowered ? win::EDGE_ETCHED : win::EDGE_BUMP, win::BF_LEFT);
        break;
    case bsRightLine:
        r.Left = r.Right - 2;
        win::DrawEdge(dc, &r, lowered ? win::EDGE_ETCHED : win::EDGE_BUMP, win::BF_LEFT);
        break;
    case bsSpacer:
        break;
    }
}

// ---- TShape --------------------------------------------------------------------------------------------

TShape::TShape(TComponent* owner)
    : TGraphicControl(owner), FBrush(std::make_unique<TBrush>()), FPen(std::make_unique<TPen>()) {
    FControlStyle.Include(csReplicatable);
    FWidth = 65;
    FHeight = 65;
    FBrush->OnChange = [this](TObject*) { Invalidate(); };
    FPen->OnChange = [this](TObject*) { Invalidate(); };
}

TShape::~TShape() {
    FBrush->OnChange = nullptr;
    FPen->OnChange = nullptr;
}

void TShape::SetShape(TShapeType value) {
    if (SetIfChanged(FShape, value))
        Invalidate();
}

void TShape::Paint() {
    TCanvas* c = GetCanvas();
    c->SetPen(FPen.get());
    c->SetBrush(FBrush.get());
    // The pen's width stays inside the control.
    int32_t pw = FPen->GetWidth();
    int32_t x = pw / 2, y = pw / 2;
    int32_t w = FWidth - pw + 1, h = FHeight - pw + 1;
    if (pw == 0) {
        --w;
        --h;
    }
    if (FShape == stSquare || FShape == stRoundSquare || FShape == stCircle) {
        int32_t side = std::min(w, h);
        x += (w - side) / 2;
        y += (h - side) / 2;
        w = h = side;
    }
    switch (FShape) {
    case stRectangle:
    case stSquare:
        c->Rectangle(x, y, x + w, y + h);
        break;
    case stRoundRect:
    case stRoundSquare:
        c->RoundRect(x, y, x + w, y + h, std::min(w, h) / 4, std::min(w, h) / 4);
        break;
    case stEllipse:
    case stCircle:
        c->Ellipse(x, y, x + w, y + h);
        break;
    }
}

// ---- TImage --------------------------------------------------------------------------------------------

TImage::TImage(TComponent* owner) : TGraphicControl(owner), FPicture(std::make_unique<TPicture>()) {
    FControlStyle.Include(csReplicatable);
    FWidth = 105;
    FHeight = 105;
    FPicture->OnChange = [this](TObject* sender) { PictureChanged(sender); };
}

TImage::~TImage() {
    FPicture->OnChange = nullptr;
}

void TImage::SetPicture(TPicture* value) {
    FPicture->Assign(value);
}

TRect TImage::DestRect() const {
    int32_t w = FPicture->GetWidth(), h = FPicture->GetHeight();
    int32_t cw = FWidth, ch = FHeight;
    if (FStretch || (FProportional && (w > cw || h > ch))) {
        if (FProportional && w > 0 && h > 0) {
            // Fit inside, keeping the aspect ratio.
            if (int64_t(cw) * h > int64_t(ch) * w) {
                w = int32_t(int64_t(ch) * w / h);
                h = ch;
            } else {
                h = int32_t(int64_t(cw) * h / w);
                w = cw;
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    int32_t x = 0, y = 0;
    if (FCenter) {
        x = (cw - w) / 2;
        y = (ch - h) / 2;
    }
    return {x, y, x + w, y + h};
}

void TImage::Paint() {
    TGraphic* g = FPicture->GetGraphic();
    if (!g || g->GetEmpty())
        return;
    FDrawing = true;
    ScopeExit drawn([this]() noexcept { FDrawing = false; });
    GetCanvas()->StretchDraw(DestRect(), g);
}

void TImage::PictureChanged(TObject*) {
    TGraphic* g = FPicture->GetGraphic();
    if (g && FTransparent != g->GetTransparent() && !dynamic_cast<TBitmap*>(g))
        g->SetTransparent(FTransparent);
    if (FAutoSize && g && FPicture->GetWidth() > 0 && FPicture->GetHeight() > 0)
        SetBounds(FLeft, FTop, FPicture->GetWidth(), FPicture->GetHeight());
    // Opaque pictures that fill the control need no background behind them.
    if (g && !g->GetTransparent() && DestRect() == TRect{0, 0, FWidth, FHeight})
        FControlStyle.Include(csOpaque);
    else
        FControlStyle.Exclude(csOpaque);
    // A graphic that changes while it is being drawn (an animation's next frame) repaints later.
    if (!FDrawing)
        Invalidate();
}

void TImage::SetCenter(bool value) {
    if (SetIfChanged(FCenter, value))
        PictureChanged(this);
}

void TImage::SetStretch(bool value) {
    if (SetIfChanged(FStretch, value))
        PictureChanged(this);
}

void TImage::SetProportional(bool value) {
    if (SetIfChanged(FProportional, value))
        PictureChanged(this);
}

void TImage::SetTransparent(bool value) {
    if (!SetIfChanged(FTransparent, value))
        return;
    if (TGraphic* g = FPicture->GetGraphic())
        g->SetTransparent(value);
    PictureChanged(this);
}

void TImage::SetAutoSize(bool value) {
    if (SetIfChanged(FAutoSize, value))
        PictureChanged(this);
}

TCanvas* TImage::GetCanvas() {
    // Drawing on an image draws on its picture's bitmap; an empty picture gets one of the control's size.
    if (FDrawing)
        return TGraphicControl::GetCanvas();
    TGraphic* g = FPicture->GetGraphic();
    if (!g) {
        TBitmap* bmp = FPicture->GetBitmap();
        bmp->SetSize(FWidth, FHeight);
        return bmp->GetCanvas();
    }
    if (auto* bmp = dynamic_cast<TBitmap*>(g))
        return bmp->GetCanvas();
    throw EInvalidOperation("Can only modify an image if it contains a bitmap");
}

// ---- TPaintBox -----------------------------------------------------------------------------------------

TPaintBox::TPaintBox(TComponent* owner) : TGraphicControl(owner) {
    FControlStyle.Include(csReplicatable);
    FWidth = 105;
    FHeight = 105;
}

void TPaintBox::Paint() {
    TCanvas* c = TGraphicControl::GetCanvas();
    c->SetFont(FFont.get());
    c->GetBrush()->SetColor(FColor);
    if (OnPaint)
        OnPaint(this);
}

// ---- TScrollBox ----------------------------------------------------------------------------------------

void TControlScrollBar::SetPosition(int32_t value) {
    FOwner->ScrollTo(this, value);
}

void TControlScrollBar::SetRange(int32_t value) {
    if (value == FRange || value < 0)
        return;
    FRange = value;
    FOwner->UpdateScrollBars();
}

void TControlScrollBar::SetMargin(int32_t value) {
    if (value == FMargin || value < 0)
        return;
    FMargin = value;
    FOwner->UpdateScrollBars();
}

void TControlScrollBar::SetVisible(bool value) {
    if (SetIfChanged(FVisible, value))
        FOwner->UpdateScrollBars();
}

bool TControlScrollBar::IsScrollBarVisible() const {
    if (!FVisible || !FOwner->HandleAllocated())
        return false;
    win::DWORD style = win::DWORD(win::GetWindowLong(FOwner->GetHandle(), win::GWL_STYLE));
    return (style & (FKind == sbHorizontal ? win::WS_HSCROLL : win::WS_VSCROLL)) != 0;
}

TScrollBox::TScrollBox(TComponent* owner)
    : TWinControl(owner), FHorz(std::make_unique<TControlScrollBar>(this, sbHorizontal)),
      FVert(std::make_unique<TControlScrollBar>(this, sbVertical)) {
    FControlStyle =
        TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
    FWidth = 185;
    FHeight = 41;
    FColor = clBtnFace;
    FTabStop = false;
}

TScrollBox::~TScrollBox() = default;

void TScrollBox::CreateParams(TCreateParams& p) {
    TWinControl::CreateParams(p);
    if (FBorderStyle == bsSingle)
        p.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TScrollBox::CreateWnd() {
    TWinControl::CreateWnd();
    UpdateScrollBars();
}

void TScrollBox::SetAutoScroll(bool value) {
    if (SetIfChanged(FAutoScroll, value))
        UpdateScrollBars();
}

void TScrollBox::SetBorderStyle(TBorderStyle value) {
    if (SetIfChanged(FBorderStyle, value))
        RecreateWnd();
}

void TScrollBox::UpdateScrollBars() {
    if (!HandleAllocated() || FUpdating)
        return;
    FUpdating = true;
    // The extent of the children, in unscrolled coordinates, plus the margins.
    int32_t right = 0, bottom = 0;
    for (int32_t i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControl(i);
        if (!c->GetVisible())
            continue;
        right = std::max(right, c->GetLeft() + c->GetWidth() + FHorz->FPosition);
        bottom = std::max(bottom, c->GetTop() + c->GetHeight() + FVert->FPosition);
    }
    FHorz->FCalcRange = FHorz->FRange > 0 || !FAutoScroll ? FHorz->FRange : right + FHorz->FMargin;
    FVert->FCalcRange = FVert->FRange > 0 || !FAutoScroll ? FVert->FRange : bottom + FVert->FMargin;
    // Two passes: one bar appearing can make the other needed.
    for (int pass = 0; pass < 2; ++pass)
        for (TControlScrollBar* bar : {FHorz.get(), FVert.get()}) {
            TRect client;
            win::GetClientRect(FHandle, &client);
            int32_t page = bar->FKind == sbHorizontal ? client.Width() : client.Height();
            win::SCROLLINFO si;
            si.fMask = win::SIF_RANGE | win::SIF_PAGE | win::SIF_POS;
            si.nMin = 0;
            si.nMax = bar->FVisible && bar->FCalcRange > page ? bar->FCalcRange - 1 : 0;
            si.nPage = win::UINT(std::max(1, page));
            int32_t maxPos = std::max(0, bar->FCalcRange - page);
            si.nPos = std::clamp(bar->FPosition, 0, bar->FVisible ? maxPos : 0);
            win::SetScrollInfo(FHandle, bar->FKind == sbHorizontal ? win::SB_HORZ : win::SB_VERT, &si,
                               win::TRUE);
            if (si.nPos != bar->FPosition) {
                int32_t delta = bar->FPosition - si.nPos;
                bar->FPosition = si.nPos;
                FUpdating = false;
                ScrollBy(bar->FKind == sbHorizontal ? delta : 0, bar->FKind == sbVertical ? delta : 0);
                FUpdating = true;
            }
        }
    FUpdating = false;
}

void TScrollBox::ScrollBy(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0)
        return;
    DisableAlign();
    for (int32_t i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControl(i);
        c->SetBounds(c->GetLeft() + dx, c->GetTop() + dy, c->GetWidth(), c->GetHeight());
    }
    EnableAlign();
    Invalidate();
}

void TScrollBox::ScrollTo(TControlScrollBar* bar, int32_t position) {
    TRect client = GetClientRect();
    int32_t page = bar->FKind == sbHorizontal ? client.Width() : client.Height();
    position = std::clamp(position, 0, std::max(0, bar->FCalcRange - page));
    if (position == bar->FPosition)
        return;
    int32_t delta = bar->FPosition - position;
    bar->FPosition = position;
    ScrollBy(bar->FKind == sbHorizontal ? delta : 0, bar->FKind == sbVertical ? delta : 0);
    if (HandleAllocated())
        win::SetScrollPos(FHandle, bar->FKind == sbHorizontal ? win::SB_HORZ : win::SB_VERT, position,
                          win::TRUE);
}

void TScrollBox::ScrollInView(TControl* control) {
    if (!control || !ContainsControl(control))
        return;
    UpdateScrollBars();
    TRect client = GetClientRect();
    // The control's rectangle relative to this box.
    TPoint origin = ScreenToClient(control->ClientToScreen({0, 0}));
    if (origin.X < 0)
        ScrollTo(FHorz.get(), FHorz->FPosition + origin.X - FHorz->FMargin);
    else if (origin.X + control->GetWidth() > client.Right)
        ScrollTo(FHorz.get(),
                 FHorz->FPosition + origin.X + control->GetWidth() - client.Right + FHorz->FMargin);
    if (origin.Y < 0)
        ScrollTo(FVert.get(), FVert->FPosition + origin.Y - FVert->FMargin);
    else if (origin.Y + control->GetHeight() > client.Bottom)
        ScrollTo(FVert.get(),
                 FVert->FPosition + origin.Y + control->GetHeight() - client.Bottom + FVert->FMargin);
}

void TScrollBox::AlignControls(TControl* control, TRect& rect) {
    TWinControl::AlignControls(control, rect);
    UpdateScrollBars();
}

void TScrollBox::OnScroll(TControlScrollBar* bar, win::WORD code, int32_t thumb) {
    UpdateScrollBars();
    TRect client = GetClientRect();
    int32_t page = bar->FKind == sbHorizontal ? client.Width() : client.Height();
    int32_t pos = bar->FPosition;
    switch (code) {
    case win::SB_LINEUP:
        pos -= bar->FIncrement;
        break;
    case win::SB_LINEDOWN:
        pos += bar->FIncrement;
        break;
    case win::SB_PAGEUP:
        pos -= page;
        break;
    case win::SB_PAGEDOWN:
        pos += page;
        break;
    case win::SB_THUMBTRACK:
    case win::SB_THUMBPOSITION:
        pos = thumb;
        break;
    case win::SB_TOP:
        pos = 0;
        break;
    case win::SB_BOTTOM:
        pos = bar->FCalcRange;
        break;
    default:
        return;
    }
    ScrollTo(bar, pos);
}

void TScrollBox::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case win::WM_HSCROLL:
    case win::WM_VSCROLL:
        if (m.LParam == 0) {
            TControlScrollBar* bar = m.Msg == win::WM_HSCROLL ? FHorz.get() : FVert.get();
            int32_t thumb = win::HIWORD(m.WParam);
            if (win::LOWORD(m.WParam) == win::SB_THUMBTRACK ||
                win::LOWORD(m.WParam) == win::SB_THUMBPOSITION) {
                win::SCROLLINFO si;
                si.fMask = win::SIF_TRACKPOS;
                if (win::GetScrollInfo(FHandle, m.Msg == win::WM_HSCROLL ? win::SB_HORZ : win::SB_VERT, &si))
                    thumb = si.nTrackPos;
            }
            OnScroll(bar, win::LOWORD(m.WParam), thumb);
            return;
        }
        TWinControl::Dispatch(m);
        return;
    case win::WM_MOUSEWHEEL: {
        int steps = win::GET_WHEEL_DELTA_WPARAM(m.WParam) / win::WHEEL_DELTA;
        ScrollTo(FVert.get(), FVert->FPosition - steps * FVert->FIncrement * 3);
        m.Result = 1;
        return;
    }
    case win::WM_SIZE:
    case CM_CONTROLLISTCHANGE:
        TWinControl::Dispatch(m);
        UpdateScrollBars();
        return;
    case win::WM_PAINT:
        // Children moved by code do not tell their parent: the ranges are brought up to date before
        // each paint.
        UpdateScrollBars();
        TWinControl::Dispatch(m);
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

} // namespace vcl
