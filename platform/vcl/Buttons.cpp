#include "platform/vcl/Buttons.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Scope.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Edges.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace vcl {

namespace {

struct ButtonsKind {
    const char* Caption;
    TModalResult Result;
};
// Captions and results of the standard kinds, in TBitBtnKind order.
constexpr ButtonsKind ButtonsKinds[] = {{"", mrNone},          {"OK", mrOk},       {"Cancel", mrCancel},
                                        {"&Help", mrNone},     {"&Yes", mrYes},    {"&No", mrNo},
                                        {"&Close", mrNone},    {"Abort", mrAbort}, {"&Retry", mrRetry},
                                        {"&Ignore", mrIgnore}, {"&All", mrAll}};

// Lays out a glyph (image index of a strip of numGlyphs, its bottom-left pixel's colour transparent) and a
// caption within r and draws them; a disabled caption is embossed.
void ButtonsDrawContent(win::HDC dc, const TRect& r, TBitmap* strip, int32_t numGlyphs, int32_t index,
                        const std::string& caption, TFont* font, TButtonLayout layout, int32_t margin,
                        int32_t spacing, bool enabled) {
    win::SelectObject(dc, font->GetHandle());
    TRect textSize{0, 0, 0, 0};
    if (!caption.empty())
        win::DrawText(dc, caption.c_str(), -1, &textSize, win::DT_SINGLELINE | win::DT_CALCRECT);
    int32_t gw = strip->GetWidth() > 0 ? strip->GetWidth() / std::max(1, numGlyphs) : 0;
    int32_t gh = strip->GetHeight();
    bool horizontal = layout == blGlyphLeft || layout == blGlyphRight;
    spacing = gw > 0 && !caption.empty() ? spacing : 0;
    int32_t total = horizontal ? gw + spacing + textSize.Width() : gh + spacing + textSize.Height();
    int32_t room = horizontal ? r.Width() : r.Height();
    int32_t start = margin < 0 ? (room - total) / 2 : margin;
    TPoint glyphAt, textAt;
    int32_t cx = r.Left + (r.Width() - (horizontal ? 0 : gw)) / 2,
            cy = r.Top + (r.Height() - (horizontal ? gh : 0)) / 2;
    switch (layout) {
    case blGlyphLeft:
        glyphAt = {r.Left + start, cy};
        textAt = {glyphAt.X + gw + spacing, r.Top + (r.Height() - textSize.Height()) / 2};
        break;
    case blGlyphRight:
        textAt = {r.Left + start, r.Top + (r.Height() - textSize.Height()) / 2};
        glyphAt = {textAt.X + textSize.Width() + spacing, cy};
        break;
    case blGlyphTop:
        glyphAt = {cx, r.Top + start};
        textAt = {r.Left + (r.Width() - textSize.Width()) / 2, glyphAt.Y + gh + spacing};
        break;
    case blGlyphBottom:
        textAt = {r.Left + (r.Width() - textSize.Width()) / 2, r.Top + start};
        glyphAt = {cx, textAt.Y + textSize.Height() + spacing};
        break;
    }
    if (gw > 0 && gh > 0) {
        TBitmap glyph;
        glyph.SetSize(gw, gh);
        glyph.GetCanvas()->CopyRect({0, 0, gw, gh}, strip->GetCanvas(), {index * gw, 0, index * gw + gw, gh});
        glyph.SetTransparent(true);
        glyph.SetTransparentColor(strip->GetCanvas()->GetPixel(0, gh - 1));
        TCanvas canvas;
        TCanvasDCScope lent(&canvas, dc);
        canvas.Draw(glyphAt.X, glyphAt.Y, &glyph);
    }
    if (!caption.empty()) {
        TRect tr{textAt.X, textAt.Y, textAt.X + textSize.Width(), textAt.Y + textSize.Height()};
        win::SetBkMode(dc, win::TRANSPARENT);
        if (!enabled) {
            TRect shadow{tr.Left + 1, tr.Top + 1, tr.Right + 1, tr.Bottom + 1};
            win::SetTextColor(dc, win::GetSysColor(win::COLOR_BTNHIGHLIGHT));
            win::DrawText(dc, caption.c_str(), -1, &shadow, win::DT_SINGLELINE);
            win::SetTextColor(dc, win::GetSysColor(win::COLOR_BTNSHADOW));
        } else {
            win::SetTextColor(dc, win::COLORREF(ColorToRGB(font->GetColor())));
        }
        win::DrawText(dc, caption.c_str(), -1, &tr, win::DT_SINGLELINE);
    }
}

// Copies value into glyph (none empties it). A strip of square images is as many glyphs as it is wide in
// heights, up to four; any other picture leaves numGlyphs as it is.
void AssignGlyph(TBitmap& glyph, TBitmap* value, int32_t& numGlyphs) {
    if (value)
        glyph.Assign(value);
    else
        glyph.SetSize(0, 0);
    if (glyph.GetHeight() > 0 && glyph.GetWidth() % glyph.GetHeight() == 0) {
        int32_t n = glyph.GetWidth() / glyph.GetHeight();
        if (n >= 1 && n <= 4)
            numGlyphs = n;
    }
}

} // namespace

TBitBtn::TBitBtn(TComponent* owner) : TButton(owner), FGlyph(std::make_unique<TBitmap>()) {
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TBitBtn::~TBitBtn() {
    FGlyph->OnChange = nullptr;
}

win::DWORD TBitBtn::ButtonStyle() const {
    return win::BS_OWNERDRAW;
}

void TBitBtn::SetGlyph(TBitmap* value) {
    AssignGlyph(*FGlyph, value, FNumGlyphs);
    Invalidate();
}

void TBitBtn::SetNumGlyphs(int32_t value) {
    value = std::clamp(value, 1, 4);
    if (SetIfChanged(FNumGlyphs, value))
        Invalidate();
}

void TBitBtn::SetKind(TBitBtnKind value) {
    if (!SetIfChanged(FKind, value))
        return;
    if (value != bkCustom) {
        SetCaption(ButtonsKinds[value].Caption);
        SetModalResult(ButtonsKinds[value].Result);
        if (value == bkCancel)
            SetCancel(true);
        if (value == bkOK || value == bkYes)
            SetDefault(true);
    }
    Invalidate();
}

void TBitBtn::SetLayout(TButtonLayout value) {
    if (SetIfChanged(FLayout, value))
        Invalidate();
}

void TBitBtn::SetMargin(int32_t value) {
    if (value == FMargin || value < -1)
        return;
    FMargin = value;
    Invalidate();
}

void TBitBtn::SetSpacing(int32_t value) {
    if (SetIfChanged(FSpacing, value))
        Invalidate();
}

void TBitBtn::DrawItem(const win::DRAWITEMSTRUCT& item) {
    win::HDC dc = item.hDC;
    TRect r = item.rcItem;
    bool down = (item.itemState & win::ODS_SELECTED) != 0;
    bool focused = (item.itemState & win::ODS_FOCUS) != 0;
    bool enabled = !(item.itemState & win::ODS_DISABLED);
    bool isDefault = FDefault || focused;
    if (isDefault) {
        win::HBRUSH frame = win::CreateSolidBrush(win::GetSysColor(win::COLOR_WINDOWFRAME));
        win::FrameRect(dc, &r, frame);
        win::DeleteObject(frame);
        r = {r.Left + 1, r.Top + 1, r.Right - 1, r.Bottom - 1};
    }
    win::DrawFrameControl(dc, &r, win::DFC_BUTTON, win::DFCS_BUTTONPUSH | (down ? win::DFCS_PUSHED : 0));
    if (down)
        r = {r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
    // Glyph 2 is the disabled one, 3 the pressed one, when the strip has them.
    int32_t index = !enabled && FNumGlyphs > 1 ? 1 : down && FNumGlyphs > 2 ? 2 : 0;
    ButtonsDrawContent(dc, r, FGlyph.get(), FNumGlyphs, index, GetCaption(), FFont.get(), FLayout, FMargin,
                       FSpacing, enabled);
    if (focused) {
        TRect fr{item.rcItem.Left + 4, item.rcItem.Top + 4, item.rcItem.Right - 4, item.rcItem.Bottom - 4};
        win::DrawFocusRect(dc, &fr);
    }
}

void TBitBtn::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_DRAWITEM:
        DrawItem(*reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam));
        m.Result = 1;
        return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
        TButton::Dispatch(m);
        Invalidate();
        return;
    default:
        TButton::Dispatch(m);
    }
}

// ---- TSpeedButton -------------------------------------------------------------------------------------

TSpeedButton::TSpeedButton(TComponent* owner) : TGraphicControl(owner), FGlyph(std::make_unique<TBitmap>()) {
    FControlStyle = TControlStyle{csCaptureMouse, csDoubleClicks};
    FWidth = 23;
    FHeight = 22;
    FColor = clBtnFace;
    FParentColor = false;
    FGlyph->OnChange = [this](TObject*) { Invalidate(); };
}

TSpeedButton::~TSpeedButton() {
    FGlyph->OnChange = nullptr;
}

template <class F> void TSpeedButton::ForEachInGroup(F&& f) {
    if (!FParent || FGroupIndex == 0)
        return;
    for (int32_t i = 0; i < FParent->GetControlCount(); ++i)
        if (auto* other = dynamic_cast<TSpeedButton*>(FParent->GetControl(i));
            other && other != this && other->FGroupIndex == FGroupIndex)
            f(other);
}

void TSpeedButton::SetDown(bool value) {
    if (FGroupIndex == 0)
        value = false;
    if (value == FDown)
        return;
    // The last down button of a group stays down unless the group allows all up.
    if (FDown && !FAllowAllUp)
        return;
    FDown = value;
    Invalidate();
    if (value)
        ForEachInGroup([](TSpeedButton* other) {
            if (other->FDown) {
                other->FDown = false;
                other->Invalidate();
            }
        });
}

void TSpeedButton::SetGroupIndex(int32_t value) {
    if (value == FGroupIndex)
        return;
    FGroupIndex = value;
    if (value == 0 && FDown) {
        FDown = false;
        Invalidate();
    }
    // A button joining a group takes the group's AllowAllUp.
    ForEachInGroup([this](TSpeedButton* other) { FAllowAllUp = other->FAllowAllUp; });
}

void TSpeedButton::SetAllowAllUp(bool value) {
    if (value == FAllowAllUp)
        return;
    FAllowAllUp = value;
    ForEachInGroup([value](TSpeedButton* other) { other->FAllowAllUp = value; });
}

void TSpeedButton::SetFlat(bool value) {
    if (value == FFlat)
        return;
    FFlat = value;
    Invalidate();
}

void TSpeedButton::SetGlyph(TBitmap* value) {
    AssignGlyph(*FGlyph, value, FNumGlyphs);
    Invalidate();
}

void TSpeedButton::SetNumGlyphs(int32_t value) {
    value = std::clamp(value, 1, 4);
    if (value == FNumGlyphs)
        return;
    FNumGlyphs = value;
    Invalidate();
}

void TSpeedButton::MouseDown(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TGraphicControl::MouseDown(button, shift, x, y);
    if (button != mbLeft || !IsEnabledChain())
        return;
    FPressed = true;
    FPressedInside = true;
    Invalidate();
}

void TSpeedButton::MouseMove(TShiftState shift, int32_t x, int32_t y) {
    TGraphicControl::MouseMove(shift, x, y);
    if (!FPressed)
        return;
    const bool inside = win::Contains(GetClientRect(), TPoint{x, y});
    if (inside != FPressedInside) {
        FPressedInside = inside;
        Invalidate();
    }
}

void TSpeedButton::MouseUp(TMouseButton button, TShiftState shift, int32_t x, int32_t y) {
    TGraphicControl::MouseUp(button, shift, x, y);
    if (button != mbLeft || !FPressed)
        return;
    FPressed = false;
    const bool inside = win::Contains(GetClientRect(), TPoint{x, y});
    FPressedInside = false;
    Invalidate();
    if (!inside)
        return;
    if (FGroupIndex != 0)
        SetDown(!FDown);
    Click();
}

void TSpeedButton::Click() {
    TGraphicControl::Click();
}

void TSpeedButton::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CM_MOUSEENTER:
    case CM_MOUSELEAVE:
        TGraphicControl::Dispatch(m);
        // A flat button shows its edge only while the pointer is over it.
        if (FFlat)
            Invalidate();
        return;
    case CM_TEXTCHANGED:
    case CM_FONTCHANGED:
    case CM_ENABLEDCHANGED:
        TGraphicControl::Dispatch(m);
        Invalidate();
        return;
    default:
        TGraphicControl::Dispatch(m);
    }
}

void TSpeedButton::Paint() {
    TCanvas* canvas = GetCanvas();
    win::HDC dc = canvas->GetHandle();
    TRect r = GetClientRect();
    const bool enabled = IsEnabledChain();
    const bool down = DrawnDown();
    const bool latched = FDown && !(FPressed && FPressedInside);
    canvas->GetBrush()->SetColor(FColor);
    canvas->FillRect(r);
    TRect inside = r;
    if (!FFlat) {
        win::UINT state = win::DFCS_BUTTONPUSH;
        if (latched)
            state |= win::DFCS_CHECKED;
        else if (down)
            state |= win::DFCS_PUSHED;
        win::DrawFrameControl(dc, &inside, win::DFC_BUTTON, state);
    } else if (down) {
        win::DrawEdge(dc, &inside, win::BDR_SUNKENOUTER, win::BF_RECT);
    } else if (MouseInControl() && enabled) {
        win::DrawEdge(dc, &inside, win::BDR_RAISEDINNER, win::BF_RECT);
    }
    if (down)
        r = {r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1};
    // Glyph 2 is the disabled one, 3 the pressed one, 4 the latched one, when the strip has them.
    int32_t index = 0;
    if (!enabled && FNumGlyphs > 1)
        index = 1;
    else if (latched && FNumGlyphs > 3)
        index = 3;
    else if (down && FNumGlyphs > 2)
        index = 2;
    ButtonsDrawContent(dc, r, FGlyph.get(), FNumGlyphs, index, GetCaption(), FFont.get(), blGlyphLeft, -1, 4,
                       enabled);
}

} // namespace vcl
