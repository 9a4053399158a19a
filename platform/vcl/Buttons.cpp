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
    if (value)
        FGlyph->Assign(value);
    else
        FGlyph->SetSize(0, 0);
    // A strip of square images is as many glyphs as it is wide in heights.
    if (FGlyph->GetHeight() > 0 && FGlyph->GetWidth() % FGlyph->GetHeight() == 0) {
        int32_t n = FGlyph->GetWidth() / FGlyph->GetHeight();
        if (n >= 1 && n <= 4)
            FNumGlyphs = n;
    }
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
    // Measure the caption and the glyph, then lay them out.
    std::string caption = GetCaption();
    win::SelectObject(dc, FFont->GetHandle());
    TRect textSize{0, 0, 0, 0};
    if (!caption.empty())
        win::DrawText(dc, caption.c_str(), -1, &textSize, win::DT_SINGLELINE | win::DT_CALCRECT);
    int32_t gw = FGlyph->GetWidth() > 0 ? FGlyph->GetWidth() / FNumGlyphs : 0;
    int32_t gh = FGlyph->GetHeight();
    bool horizontal = FLayout == blGlyphLeft || FLayout == blGlyphRight;
    int32_t spacing = gw > 0 && !caption.empty() ? FSpacing : 0;
    int32_t total = horizontal ? gw + spacing + textSize.Width() : gh + spacing + textSize.Height();
    int32_t room = horizontal ? r.Width() : r.Height();
    int32_t start = FMargin < 0 ? (room - total) / 2 : FMargin;
    TPoint glyphAt, textAt;
    int32_t cx = r.Left + (r.Width() - (horizontal ? 0 : gw)) / 2,
            cy = r.Top + (r.Height() - (horizontal ? gh : 0)) / 2;
    switch (FLayout) {
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
        // Glyph 2 is the disabled one, 3 the pressed one, when the strip has them.
        int32_t index = !enabled && FNumGlyphs > 1 ? 1 : down && FNumGlyphs > 2 ? 2 : 0;
        TBitmap glyph;
        glyph.SetSize(gw, gh);
        glyph.GetCanvas()->CopyRect({0, 0, gw, gh}, FGlyph->GetCanvas(),
                                    {index * gw, 0, index * gw + gw, gh});
        glyph.SetTransparent(true);
        glyph.SetTransparentColor(FGlyph->GetCanvas()->GetPixel(0, gh - 1));
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
            win::SetTextColor(dc, win::COLORREF(ColorToRGB(FFont->GetColor())));
        }
        win::DrawText(dc, caption.c_str(), -1, &tr, win::DT_SINGLELINE);
    }
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

} // namespace vcl
