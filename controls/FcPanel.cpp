#include "controls/FcPanel.h"

#include "controls/FcPanelDockManager.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Utf16.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace controls {

namespace {

// How far a frame style reaches in from a side.
int32_t FrameStyleWidth(TFrameStyleEx style, int32_t bevelWidth) {
    switch (style) {
    case fsNone: return 0;
    case fsFlat: return 1;
    case fsStatus:
    case fsPopup: return bevelWidth;
    default: return 2;
    }
}

uint32_t AlignmentFlag(vcl::TAlignment a) {
    return a == vcl::taLeftJustify ? win::DT_LEFT : a == vcl::taRightJustify ? win::DT_RIGHT : win::DT_CENTER;
}

void PanelText(vcl::TCanvas* c, const std::string& text, TRect r, uint32_t flags, TColor color) {
    win::HDC dc = c->GetHandle();
    win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(color)));
    win::SetBkMode(dc, win::TRANSPARENT);
    win::DrawText(dc, text.c_str(), -1, &r, flags);
}

// The height and width of text in the control's font, also before the control has a window.
win::TSize MeasureText(vcl::TFont* font, const std::string& text) {
    win::HDC dc = win::CreateCompatibleDC(nullptr);
    vcl::TCanvas canvas;
    canvas.SetHandle(dc);
    canvas.SetFont(font);
    const win::TSize size = canvas.TextExtent(text);
    canvas.SetHandle(nullptr);
    win::DeleteDC(dc);
    return size;
}

} // namespace

// ---- TFcCustomPanel -------------------------------------------------------------------------------------

TFcCustomPanel::TFcCustomPanel(vcl::TComponent* owner) : vcl::TCustomPanel(owner) {
    SetBevelOuter(vcl::bvNone);
    FControlStyle.Exclude(vcl::csSetCaption);
    SetUseDockManager(true);
}

TFcCustomPanel::~TFcCustomPanel() {
    // The dock manager goes while the panel is whole: it puts the panel's handler back.
    FDockManager.reset();
    if (FFrameController)
        FFrameController->RemoveControl(this);
}

#define LOOMWICK_FC_PANEL_SETTER(Name, Type, Field, Realigns)                                                  \
    void TFcCustomPanel::Set##Name(Type value) {                                                               \
        if (!vcl::SetIfChanged(Field, value))                                                                  \
            return;                                                                                            \
        if (Realigns)                                                                                          \
            Realign();                                                                                         \
        Invalidate();                                                                                          \
    }
LOOMWICK_FC_PANEL_SETTER(AlignmentVertical, TAlignmentVertical, FAlignmentVertical, false)
LOOMWICK_FC_PANEL_SETTER(BorderInner, TFrameStyleEx, FBorderInner, true)
LOOMWICK_FC_PANEL_SETTER(BorderOuter, TFrameStyleEx, FBorderOuter, true)
LOOMWICK_FC_PANEL_SETTER(BorderSides, TSides, FBorderSides, true)
LOOMWICK_FC_PANEL_SETTER(BorderColor, TColor, FBorderColor, false)
LOOMWICK_FC_PANEL_SETTER(BorderHighlight, TColor, FBorderHighlight, false)
LOOMWICK_FC_PANEL_SETTER(BorderShadow, TColor, FBorderShadow, false)
LOOMWICK_FC_PANEL_SETTER(FlatColor, TColor, FFlatColor, false)
LOOMWICK_FC_PANEL_SETTER(FlatColorAdjustment, int32_t, FFlatColorAdjustment, false)
LOOMWICK_FC_PANEL_SETTER(GridColor, TColor, FGridColor, false)
LOOMWICK_FC_PANEL_SETTER(GridStyle, TFcGridStyle, FGridStyle, false)
LOOMWICK_FC_PANEL_SETTER(GridXSize, uint16_t, FGridXSize, false)
LOOMWICK_FC_PANEL_SETTER(GridYSize, uint16_t, FGridYSize, false)
LOOMWICK_FC_PANEL_SETTER(ShowGrid, bool, FShowGrid, false)
LOOMWICK_FC_PANEL_SETTER(ThemeAware, bool, FThemeAware, false)
#undef LOOMWICK_FC_PANEL_SETTER

void TFcCustomPanel::SetTransparent(bool value) {
    if (!vcl::SetIfChanged(FTransparent, value))
        return;
    if (value)
        FControlStyle.Exclude(vcl::csOpaque);
    else
        FControlStyle.Include(vcl::csOpaque);
    Invalidate();
    for (int32_t i = 0; i < GetControlCount(); ++i)
        GetControl(i)->Invalidate();
}

void TFcCustomPanel::SetFrameController(TFcFrameController* value) {
    LinkFrameController(this, FFrameController, value);
}

void TFcCustomPanel::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomPanel::Notification(component, operation);
    if (operation == vcl::opRemove && component == FFrameController)
        FFrameController = nullptr;
}

void TFcCustomPanel::ApplyControllerSettings() {
    TakeControllerBorder(*FFrameController, this, {FBorderOuter, FBorderSides, FFlatColor, FFlatColorAdjustment, FBorderHighlight, FBorderShadow});
    Invalidate();
}

void TFcCustomPanel::ApplyFrameController() {
    if (FFrameController && FFrameController->GetFrameVisible())
        ApplyControllerSettings();
}

void TFcCustomPanel::GetCursorClientPos(win::TPoint& p) {
    win::GetCursorPos(&p);
    p = ScreenToClient(p);
}

void TFcCustomPanel::AdjustBorderRect(TRect& r, bool includeBorderWidth) {
    if (includeBorderWidth) {
        const int32_t b = GetBorderWidth();
        r = {r.Left + b, r.Top + b, r.Right - b, r.Bottom - b};
    }
    for (TFrameStyleEx style : {FBorderOuter, FBorderInner}) {
        const int32_t w = FrameStyleWidth(style, GetBevelWidth());
        if (FBorderSides.Contains(sdLeft))
            r.Left += w;
        if (FBorderSides.Contains(sdTop))
            r.Top += w;
        if (FBorderSides.Contains(sdRight))
            r.Right -= w;
        if (FBorderSides.Contains(sdBottom))
            r.Bottom -= w;
    }
}

void TFcCustomPanel::AlignControls(vcl::TControl* control, TRect& rect) {
    AdjustBorderRect(rect, false);
    vcl::TCustomPanel::AlignControls(control, rect);
}

void TFcCustomPanel::AdjustClientRect(TRect& rect) {
    vcl::TCustomPanel::AdjustClientRect(rect);
    if (GetDockSite())
        AdjustBorderRect(rect, false);
}

void TFcCustomPanel::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    // A panel on the bottom or right edge grows away from that edge.
    if (GetAlign() == vcl::alBottom && height != GetHeight())
        top = GetTop() + GetHeight() - height;
    else if (GetAlign() == vcl::alRight && width != GetWidth())
        left = GetLeft() + GetWidth() - width;
    vcl::TCustomPanel::SetBounds(left, top, width, height);
}

std::unique_ptr<vcl::TDockTree> TFcCustomPanel::CreateDockManager() {
    std::unique_ptr<vcl::TDockTree> manager;
    if (GetDockSite() && GetUseDockManager())
        manager = std::make_unique<TFcPanelDockManager>(this);
    if (manager)
        SetDoubleBuffered(true);
    return manager;
}

bool TFcCustomPanel::PanelThemed() const { return FThemeAware && GetThemeServices()->ThemesEnabled(); }

void TFcCustomPanel::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomPanel::DefineProperties(filer);
    // Older layouts kept the sides under another name: read and dropped.
    filer->DefineProperty("FrameSides", [](vcl::TReader* r) { TFcOldPropReader::ReadSet(r); }, nullptr, false);
}

void TFcCustomPanel::ForgetChild(vcl::TControl* child) {
    std::erase_if(FEnabledChildren, [child](const auto& e) { return e.first == child; });
}

void TFcCustomPanel::EnabledChanged() {
    if (!GetEnabled()) {
        FEnabledChildren.clear();
        for (int32_t i = 0; i < GetControlCount(); ++i)
            FEnabledChildren.emplace_back(GetControl(i), GetControl(i)->GetEnabled());
        for (int32_t i = 0; i < GetControlCount(); ++i)
            GetControl(i)->SetEnabled(false);
    } else {
        for (int32_t i = 0; i < GetControlCount(); ++i) {
            vcl::TControl* child = GetControl(i);
            auto it = std::find_if(FEnabledChildren.begin(), FEnabledChildren.end(),
                                   [child](const auto& e) { return e.first == child; });
            if (it == FEnabledChildren.end() || it->second)
                child->SetEnabled(true);
        }
    }
    Repaint();
}

void TFcCustomPanel::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case vcl::CM_ENABLEDCHANGED:
        vcl::TCustomPanel::Dispatch(m);
        EnabledChanged();
        return;
    case vcl::CM_CONTROLLISTCHANGE:
        if (m.LParam == 0)
            ForgetChild(reinterpret_cast<vcl::TControl*>(m.WParam));
        break;
    case vcl::CM_MOUSEENTER:
    case vcl::CM_MOUSELEAVE: {
        vcl::TCustomPanel::Dispatch(m);
        const vcl::TNotifyEvent& event = m.Msg == vcl::CM_MOUSEENTER ? OnMouseEnter : OnMouseLeave;
        if (event)
            event(this);
        return;
    }
    case win::WM_ERASEBKGND:
        if (FTransparent) {
            PaintParentImage(this, reinterpret_cast<win::HDC>(m.WParam), false);
            m.Result = 1;
            return;
        }
        break;
    case win::WM_WINDOWPOSCHANGED:
        // The frame and caption move with the size: the whole panel is drawn again.
        vcl::TCustomPanel::Dispatch(m);
        Invalidate();
        return;
    default:
        break;
    }
    vcl::TCustomPanel::Dispatch(m);
}

void TFcCustomPanel::Paint() {
    vcl::TCanvas* c = GetCanvas();
    TRect r;
    GetControlRect(r);
    const TColor parentColor = GetParent() ? GetParent()->GetColor() : GetColor();
    r = PaintInnerOuterBorders(c, r, FBorderOuter, FBorderInner, GetBorderWidth(), FBorderSides, GetBevelWidth(),
                               FBorderColor, FBorderHighlight, FBorderShadow, FFlatColor, FFlatColorAdjustment,
                               GetColor(), parentColor, FTransparent, false);
    if (!FTransparent) {
        c->GetBrush()->SetStyle(vcl::bsSolid);
        c->GetBrush()->SetColor(GetColor());
        c->FillRect(r);
    }
    if (FShowGrid)
        DrawGrid(r);
    c->GetBrush()->SetStyle(vcl::bsClear);
    DrawCaption(r);
    c->GetBrush()->SetStyle(vcl::bsSolid);
    if (OnPaint)
        OnPaint(this);
}

void TFcCustomPanel::DrawCaption(TRect r) {
    const std::string caption = GetCaption();
    if (caption.empty())
        return;
    vcl::TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    r.Left += 1;
    const uint32_t align = AlignmentFlag(GetAlignment());
    TRect measure = r;
    win::DrawText(c->GetHandle(), caption.c_str(), -1, &measure,
                  align | win::DT_CALCRECT | win::DT_EXPANDTABS | win::DT_WORDBREAK | win::DT_VCENTER);
    const int32_t h = measure.Height();
    if (FAlignmentVertical == avCenter) {
        r.Top = (r.Top + r.Bottom - h) / 2;
        r.Bottom = r.Top + h;
    } else if (FAlignmentVertical == avBottom) {
        r.Top = r.Bottom - h - 1;
    }
    const uint32_t flags = align | win::DT_EXPANDTABS | win::DT_WORDBREAK | win::DT_VCENTER;
    TColor color = GetFont()->GetColor();
    if (!GetEnabled()) {
        PanelText(c, caption, {r.Left + 1, r.Top + 1, r.Right + 1, r.Bottom + 1}, flags, vcl::clBtnHighlight);
        color = vcl::clBtnShadow;
    }
    PanelText(c, caption, r, flags, color);
}

void TFcCustomPanel::DrawGrid(TRect r) {
    vcl::TCanvas* c = GetCanvas();
    const int32_t nx = FGridXSize ? (r.Right - r.Left) / FGridXSize : 0;
    const int32_t ny = FGridYSize ? (r.Bottom - r.Top) / FGridYSize : 0;
    c->GetPen()->SetColor(FGridColor);
    if (FGridStyle == gsDots) {
        for (int32_t i = 1; i <= nx; ++i)
            for (int32_t j = 1; j <= ny; ++j)
                c->SetPixel(r.Left + i * FGridXSize - 1, r.Top + j * FGridYSize - 1, FGridColor);
        return;
    }
    const bool dotted = FGridStyle == gsDottedLines;
    for (int32_t i = 1; i <= nx; ++i) {
        const int32_t x = r.Left + i * FGridXSize - 1;
        if (dotted) {
            for (int32_t y = r.Top + 1; y < r.Bottom; y += 2)
                c->SetPixel(x, y, FGridColor);
        } else {
            c->MoveTo(x, r.Top);
            c->LineTo(x, r.Bottom);
        }
    }
    for (int32_t j = 1; j <= ny; ++j) {
        const int32_t y = r.Top + j * FGridYSize - 1;
        if (dotted) {
            for (int32_t x = r.Left + 1; x < r.Right; x += 2)
                c->SetPixel(x, y, FGridColor);
        } else {
            c->MoveTo(r.Left, y);
            c->LineTo(r.Right, y);
        }
    }
}

// ---- TFcCustomGroupBox ----------------------------------------------------------------------------------

TFcCustomGroupBox::TFcCustomGroupBox(vcl::TComponent* owner) : TFcCustomPanel(owner) {
    FControlStyle.Include(vcl::csSetCaption);
    FControlStyle.Include(vcl::csDoubleClicks);
    FBorderOuter = fsNone;
    FBorderInner = fsNone;
    SetAlignment(vcl::taLeftJustify);
    SetAlignmentVertical(avTop);
    SetBounds(GetLeft(), GetTop(), GetWidth(), 105);
}

void TFcCustomGroupBox::SetGroupStyle(TFcGroupBoxStyle value) {
    if (!vcl::SetIfChanged(FGroupStyle, value))
        return;
    if (value == gsCustom || value == gsTopLine)
        SetThemeAware(false);
    Realign();
    Invalidate();
}

void TFcCustomGroupBox::ApplyFrameController() {
    if (GetFrameController() && GetFrameController()->GetFrameVisible() && FGroupStyle == gsCustom)
        ApplyControllerSettings();
}

void TFcCustomGroupBox::AdjustClientRect(TRect& rect) {
    TFcCustomPanel::AdjustClientRect(rect);
    const int32_t h = MeasureText(GetFont(), "Yy").cy;
    int32_t inset;
    if (FGroupStyle == gsCustom) {
        rect.Top += h;
        inset = 2;
    } else {
        const int32_t a = h / 2 - 1;
        rect.Top += a < GetBorderWidth() ? a : h - GetBorderWidth();
        inset = FGroupStyle == gsStandard ? 2 : 1;
    }
    rect = {rect.Left + inset, rect.Top + inset, rect.Right - inset, rect.Bottom - inset};
}

TRect TFcCustomGroupBox::CaptionRect() {
    const std::string caption = GetCaption();
    if (caption.empty() || FGroupStyle == gsCustom)
        return {};
    const win::TSize extent = MeasureText(GetFont(), caption);
    const int32_t indent = FGroupStyle == gsTopLine ? 0 : 8;
    if (UseRightToLeftAlignment())
        return {GetWidth() - indent - extent.cx, 0, GetWidth() - indent, extent.cy};
    return {indent, 0, indent + extent.cx, extent.cy};
}

void TFcCustomGroupBox::PaintFrame(vcl::TCanvas* c, const TRect& f) {
    const TColor flat = AdjustedFlatColor();
    auto line = [c](int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
        c->MoveTo(x1, y1);
        c->LineTo(x2, y2);
    };
    // fsFlatRounded has no frame of its own here: it draws as fsFlat.
    const TFrameStyleEx outer = FBorderOuter == fsFlatRounded ? fsFlat : FBorderOuter;
    if (FGroupStyle == gsFlat) {
        c->GetPen()->SetColor(flat);
        line(f.Left, f.Top + 2, f.Left, f.Bottom - 2);
        line(f.Left + 2, f.Top, f.Right - 2, f.Top);
        line(f.Right - 1, f.Top + 2, f.Right - 1, f.Bottom - 2);
        line(f.Left + 2, f.Bottom - 1, f.Right - 2, f.Bottom - 1);
        c->SetPixel(f.Left + 1, f.Top + 1, flat);
        c->SetPixel(f.Right - 2, f.Top + 1, flat);
        c->SetPixel(f.Right - 2, f.Bottom - 2, flat);
        c->SetPixel(f.Left + 1, f.Bottom - 2, flat);
        return;
    }
    const TSides sides = FGroupStyle == gsTopLine ? TSides{sdTop} : AllSides;
    if (outer == fsNone) {
        PaintStyleBorderSides(c, f, fsGroove, sides);
    } else if (outer == fsFlat || outer == fsFlatBold) {
        if (FGroupStyle == gsTopLine) {
            c->GetPen()->SetColor(flat);
            line(f.Left + 2, f.Top, f.Right - 2, f.Top);
            if (outer == fsFlatBold)
                line(f.Left + 2, f.Top + 1, f.Right - 2, f.Top + 1);
        } else {
            PaintBevel(c, f, flat, flat, outer == fsFlat ? 1 : 2);
        }
    } else {
        PaintStyleBorderSides(c, f, outer, sides);
    }
}

void TFcCustomGroupBox::Paint() {
    vcl::TCanvas* c = GetCanvas();
    c->SetFont(GetFont());
    const int32_t h = c->TextHeight("Pp");
    const TRect q = CaptionRect();
    const TRect f{0, h / 2 - 1, GetWidth(), GetHeight()};
    const std::string caption = GetCaption();
    win::HDC dc = c->GetHandle();

    if (PanelThemed()) {
        TThemeServices* services = GetThemeServices();
        if (!GetTransparent())
            PaintParentImageOnCanvas(this, c, false);
        if (!q.IsEmpty())
            win::ExcludeClipRect(dc, q.Left, q.Top, q.Right, q.Bottom);
        const TThemedElementDetails details =
            services->DetailsForButton(GetEnabled() ? tbGroupBoxNormal : tbGroupBoxDisabled);
        services->PaintElement(dc, details, f);
        win::SelectClipRgn(dc, nullptr);
        if (!q.IsEmpty())
            services->PaintElementText(dc, details, win::Utf8ToUtf16(caption), q, 0, 0);
        return;
    }
    if (FGroupStyle == gsCustom) {
        TFcCustomPanel::Paint();
        return;
    }
    if (GetTransparent()) {
        if (!q.IsEmpty())
            win::ExcludeClipRect(dc, q.Left, q.Top, q.Right, q.Bottom);
    } else {
        c->GetBrush()->SetStyle(vcl::bsSolid);
        c->GetBrush()->SetColor(GetColor());
        c->FillRect({0, 0, GetWidth(), GetHeight()});
    }
    PaintFrame(c, f);
    if (q.IsEmpty()) {
        win::SelectClipRgn(dc, nullptr);
        return;
    }
    if (!GetTransparent()) {
        c->GetBrush()->SetStyle(vcl::bsSolid);
        c->GetBrush()->SetColor(GetColor());
        c->FillRect(q);
    }
    c->GetBrush()->SetStyle(vcl::bsClear);
    TColor color = GetFont()->GetColor();
    win::SelectClipRgn(dc, nullptr);
    const uint32_t flags = win::DT_SINGLELINE;
    if (!GetEnabled()) {
        PanelText(c, caption, {q.Left + 1, q.Top + 1, q.Right + 1, q.Bottom + 1}, flags, vcl::clBtnHighlight);
        color = vcl::clBtnShadow;
    }
    PanelText(c, caption, q, flags, color);
    c->GetBrush()->SetStyle(vcl::bsSolid);
}

void TFcCustomGroupBox::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case vcl::CM_DIALOGCHAR:
        if (vcl::IsAccel(uint16_t(m.WParam), GetCaption()) && CanFocus()) {
            // The first child in tab order takes the focus.
            if (vcl::TWinControl* first = FindNextControl(nullptr, true, true, false))
                first->SetFocus();
            m.Result = 1;
            return;
        }
        break;
    case vcl::CM_FONTCHANGED:
        TFcCustomPanel::Dispatch(m);
        Invalidate();
        return;
    default:
        break;
    }
    TFcCustomPanel::Dispatch(m);
}

} // namespace controls
