#include "bars/xbBarPainter.h"

#include "bars/xbBarControl.h"
#include "bars/xbBarDraw.h"
#include "bars/xbBarItemControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarUtils.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/MulDiv.h"
#include "platform/win/user/Menus.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/controls/CommCtrl.h"

namespace bars {

int32_t TxbBarItemControlPainter::GetFloatingBorderWidth() const { return win::GetSystemMetrics(win::SM_CXFRAME); }

win::TSize TxbBarItemControlPainter::GetSizeGripSize(const TxbBarManager*) const {
    return {win::GetSystemMetrics(win::SM_CXHSCROLL), win::GetSystemMetrics(win::SM_CYHSCROLL)};
}

int32_t TxbBarItemControlPainter::GetFloatingBorderHeight() const {
    return win::GetSystemMetrics(win::SM_CYFRAME);
}

int32_t TxbBarItemControlPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    int32_t width = manager->GetButtonArrowWidth() * (manager->GetLargeIcons() ? 2 : 1);
    return width % 2 == 0 ? width + 1 : width;
}

int32_t TxbBarItemControlPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return manager->GetLargeButtonArrowWidth();
}

int32_t TxbBarItemControlPainter::GetSmallCaptionHeight() const {
    win::NONCLIENTMETRICS metrics;
    if (!win::SystemParametersInfo(win::SPI_GETNONCLIENTMETRICS, sizeof(metrics), &metrics, 0))
        return win::GetSystemMetrics(win::SM_CYSMCAPTION) - 1;
    return metrics.iSmCaptionHeight;
}

win::DWORD TxbBarItemControlPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL; }

void TxbBarItemControlPainter::GetItemColors(TxbBarItemControl* control, TxbItemDrawStates, int32_t& textColor,
                                             win::HBRUSH& brush) const {
    textColor = int32_t(0x80000000u | win::COLOR_BTNTEXT);
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    brush = window && window->GetBkBrush() ? window->GetBkBrush() : GetBackgroundBrush(window);
}

int32_t TxbBarItemControlPainter::GetMenuCaptionOffset(TxbBarItemControl* control) const {
    TCustomxbBarControl* window = control ? control->GetWindow() : nullptr;
    return window && window->IsMenu() ? window->GetMenuRowHeight() + 1 : 0;
}

int32_t TxbBarItemControlPainter::GetCaptionColor(TCustomxbBarControl*, bool active) const {
    return int32_t(0x80000000u | (active ? win::COLOR_ACTIVECAPTION : win::COLOR_INACTIVECAPTION));
}

int32_t TxbBarItemControlPainter::GetCaptionTextColor(TCustomxbBarControl*) const {
    return int32_t(0x80000000u | win::COLOR_CAPTIONTEXT);
}

int32_t TxbBarItemControlPainter::GetCaptionButtonColor(TCustomxbBarControl*, int32_t) const {
    return int32_t(0x80000000u | win::COLOR_CAPTIONTEXT);
}

win::HBRUSH TxbBarItemControlPainter::GetBarBrush(const TxbBarManager* manager) const {
    return manager ? manager->GetFlatFaceBrush() : nullptr;
}

win::HBRUSH TxbBarItemControlPainter::GetBackgroundBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_BTNFACE);
}

win::HBRUSH TxbBarItemControlPainter::GetBarBackgroundBrush(TxbBarControl* window) const {
    return GetBackgroundBrush(window);
}

win::HBRUSH TxbBarItemControlPainter::GetSecondaryBrush(TCustomxbBarControl*) const {
    // The bar library's checked pattern of button highlight and button face.
    win::HBRUSH dither = DitherBrush();
    return dither ? dither : win::GetSysColorBrush(win::COLOR_BTNHIGHLIGHT);
}

win::HBRUSH TxbBarItemControlPainter::GetFaceBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_BTNFACE);
}

win::HBRUSH TxbBarItemControlPainter::GetSelectionBrush(TCustomxbBarControl*) const {
    return win::GetSysColorBrush(win::COLOR_HIGHLIGHT);
}

void TxbBarItemControlPainter::DrawDockBackground(TxbDockControl*, win::HDC dc, int32_t color, win::HBRUSH brush,
                                                  const win::TRect& rect, const win::TRect& offsetRect) const {
    FillRectOrTileBitmap(dc, rect, offsetRect, nullptr, color, brush);
}

void TxbBarItemControlPainter::DrawDockedBarBackground(TCustomxbBarControl* window, win::HDC dc, int32_t color,
                                                       win::HBRUSH brush, const win::TRect& rect,
                                                       const win::TRect& offsetRect) const {
    // The dock's background at the bar's place, so that a dock bitmap continues under the bar.
    auto* toolbar = dynamic_cast<TxbBarControl*>(window);
    TxbDockControl* dock = toolbar ? toolbar->GetDockControl() : nullptr;
    if (!dock) {
        FillRectOrTileBitmap(dc, rect, offsetRect, nullptr, color, brush);
        return;
    }
    win::TRect offset = offsetRect;
    win::OffsetRect(&offset, toolbar->GetLeft(), toolbar->GetTop());
    dock->DrawBackground(dc, rect, color, brush, offset);
}

void TxbBarItemControlPainter::DrawFloatingBarBackground(TCustomxbBarControl* window, win::HDC dc, int32_t color,
                                                         win::HBRUSH brush, const win::TRect& rect,
                                                         const win::TRect& offsetRect) const {
    const TxbBarManager* manager = window ? window->GetBarManager() : nullptr;
    vcl::TBitmap* bar = manager && manager->GetBackgrounds() ? manager->GetBackgrounds()->GetBar() : nullptr;
    FillRectOrTileBitmap(dc, rect, offsetRect, bar, color, brush);
}

void TxbBarItemControlPainter::DrawFloatingBackground(TxbBarControl*, win::HDC dc, int32_t, win::HBRUSH brush,
                                                      const win::TRect& rect) const {
    win::FillRect(dc, &rect, brush);
}

win::TRect TxbBarItemControlPainter::GetDockedFrameWidths(TxbBarControl*) const {
    const int32_t w = GetDockedFrameWidth();
    return {w, w, w, w};
}

void TxbBarItemControlPainter::FillCaption(TCustomxbBarControl*, win::HDC dc, win::HBRUSH brush,
                                           const win::TRect& rect) const {
    win::FillRect(dc, &rect, brush);
}

// ---- The windows' and item controls' requests, turned into what the drawing reads.

TxbPaintWindow TxbBarItemControlPainter::MakePaintWindow(TCustomxbBarControl* window) const {
    TxbPaintWindow w;
    if (!window)
        return w;
    const TxbBarManager* manager = window->GetBarManager();
    w.Manager = manager;
    w.Font = window->GetFont();
    w.Brush = window->GetBkBrush() ? window->GetBkBrush() : GetBackgroundBrush(window);
    w.FaceBrush = GetFaceBrush(window);
    w.SelectionBrush = GetSelectionBrush(window);
    w.SecondaryBrush = GetSecondaryBrush(window);
    w.IsMenu = window->IsMenu();
    w.HasOwnBackground = window->HasOwnBackground();
    // The window's own background painting (a dock or bar bitmap shows through), in client coordinates.
    w.PaintBackground = [window, fallback = w.Brush](win::HDC dc, const win::TRect& rect, win::HBRUSH brush) {
        window->DrawBackground(dc, rect, true, int32_t(vcl::clBtnFace), brush ? brush : fallback);
    };
    if (auto* toolbar = dynamic_cast<TxbBarControl*>(window)) {
        w.Vertical = toolbar->IsVertical();
        w.Rotated = w.Vertical && toolbar->GetBar() && toolbar->GetBar()->GetRotateWhenVertical();
    }
    w.TextRowHeight = window->GetTextRowHeight();
    w.MenuRowHeight = window->GetMenuRowHeight();
    w.ArrowSize = GetSubItemArrowSizeFor(w.Font);
    if (manager) {
        w.ButtonWidth = manager->GetButtonWidth();
        w.ButtonHeight = manager->GetButtonHeight();
        w.StretchGlyphs = manager->GetStretchGlyphs();
        w.LargeIcons = manager->GetLargeIcons();
        w.MakeDisabledImagesFaded = manager->GetMakeDisabledImagesFaded();
        w.GlyphSize = w.LargeIcons ? 32 : 16;
    }
    win::LOGFONT lf{};
    if (w.Font && win::GetObject(w.Font, sizeof(lf), &lf))
        w.SmallFont = win::MulDiv(lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight, 72, 96) < 16;
    return w;
}

int32_t TxbBarItemControlPainter::GetSubItemArrowSizeFor(win::HFONT font) {
    win::LOGFONT lf{};
    if (!font || !win::GetObject(font, sizeof(lf), &lf))
        return 4;
    return (lf.lfHeight < 0 ? -lf.lfHeight : lf.lfHeight) / 2;
}

TxbPaintBar TxbBarItemControlPainter::MakePaintBar(TxbBarControl* window) const {
    TxbPaintBar bar;
    bar.Window = MakePaintWindow(window);
    if (!window)
        return bar;
    bar.DockingStyle = int32_t(window->GetDockingStyle());
    win::TRect client = window->GetClientRect();
    bar.ClientWidth = client.Right - client.Left;
    bar.ClientHeight = client.Bottom - client.Top;
    bar.Truncated = window->GetTruncated();
    bar.MarkState = window->GetMarkState();
    bar.CanMove = window->GetBar() ? window->GetBar()->CanMove() : true;
    bar.CloseButtonState = window->GetCloseButtonState();
    // The caption in client coordinates (the window paints it in window coordinates).
    bar.CaptionRect = window->GetCaptionRect();
    if (window->HandleAllocated()) {
        win::TRect screen{};
        win::GetWindowRect(window->GetHandle(), &screen);
        win::TPoint origin{0, 0};
        win::ClientToScreen(window->GetHandle(), &origin);
        win::OffsetRect(&bar.CaptionRect, screen.Left - origin.X, screen.Top - origin.Y);
    }
    if (const TxbBar* b = window->GetBar()) {
        bar.Caption = b->GetCaption();
        bar.ShowsCloseButton = b->GetAllowClose() && !b->GetIsMainMenu() && window->GetHasCaption();
    }
    bar.ShowsMark = bar.DockingStyle == 0 && window->HasMark();
    if (const TxbBarManager* manager = window->GetBarManager()) {
        bar.Active = manager->GetFormActive();
        bar.UseSystemFont = manager->GetUseSystemFont();
    }
    return bar;
}

TxbItemPaintState TxbBarItemControlPainter::MakePaintState(TxbItemDrawStates states, bool rarelyUsed) {
    TxbItemPaintState s;
    s.Enabled = states.Contains(idsEnabled);
    s.Selected = states.Contains(idsSelected);
    s.Pressed = states.Contains(idsPressed);
    s.Down = states.Contains(idsDown);
    s.OpensMenu = states.Contains(idsOpensMenu);
    s.DropDownSelected = states.Contains(idsDropDownSelected);
    s.CaptionOnly = states.Contains(idsCaptionOnly);
    s.HasGlyph = states.Contains(idsGlyph);
    s.RarelyUsed = rarelyUsed;
    return s;
}

TxbGlyphSource TxbBarItemControlPainter::MakeGlyphSource(TxbBarItemControl* control, bool large) {
    TxbGlyphSource glyph;
    if (!control)
        return glyph;
    glyph.Bitmap = control->GetGlyph();
    glyph.Images = control->GetImages(large);
    glyph.ImageIndex = control->GetImageIndex();
    return glyph;
}

void TxbBarItemControlPainter::DrawItemGlyph(TxbBarItemControl* control, win::HDC dc, const win::TRect& rect,
                                             TxbItemDrawStates states, TxbPaintType paintType,
                                             const win::TRect* glyphRect) const {
    TxbPaintWindow w = MakePaintWindow(control ? control->GetWindow() : nullptr);
    w.IsMenu = paintType == ptMenu;
    TxbItemPaintState s = MakePaintState(states, control && control->GetRarelyUsed());
    TxbGlyphSource glyph = s.CaptionOnly ? TxbGlyphSource{} : MakeGlyphSource(control, !w.IsMenu && w.LargeIcons);
    PaintItemGlyph(w, dc, rect, s, glyph, glyphRect);
}

void TxbBarItemControlPainter::DrawMenuButton(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                              const win::TRect& rect) const {
    TxbPaintWindow w = MakePaintWindow(control ? control->GetWindow() : nullptr);
    w.IsMenu = true;
    TxbItemPaintState s = MakePaintState(states, control && control->GetRarelyUsed());
    TxbGlyphSource glyph = s.CaptionOnly ? TxbGlyphSource{} : MakeGlyphSource(control, false);
    PaintMenuButton(w, dc, s, rect, control ? control->GetCaption() : std::string(), glyph);
}

void TxbBarItemControlPainter::DrawItemCaption(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                               int32_t alignment, const win::TRect& rect, const std::string& text,
                                               bool clip, bool rotated, bool keepColor) const {
    TxbPaintWindow w = MakePaintWindow(control ? control->GetWindow() : nullptr);
    PaintItemCaption(w, dc, MakePaintState(states, control && control->GetRarelyUsed()), keepColor, alignment, clip,
                     rect, text, rotated);
}

void TxbBarItemControlPainter::DrawLoweredFrame(TxbBarItemControl*, win::HDC dc, win::TRect& rect) const {
    PaintLoweredFrame(dc, rect);
}

void TxbBarItemControlPainter::DrawToolbarSeparator(TxbBarControl* window, win::HDC dc, bool across,
                                                    win::HBRUSH brush, const win::TRect& rect) const {
    PaintToolbarSeparator(MakePaintWindow(window), dc, across, brush, rect);
}

void TxbBarItemControlPainter::DrawDockedFrame(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const {
    PaintDockedFrame(MakePaintBar(window), dc, rect);
}

void TxbBarItemControlPainter::DrawFloatingFrame(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                                 int32_t borderWidth, const win::TRect& rect) const {
    PaintFloatingFrame(MakePaintBar(window), dc, brush, borderWidth, rect);
}

void TxbBarItemControlPainter::FillCaptionButton(TxbBarControl* window, win::HDC dc, int32_t state,
                                                 const win::TRect& rect) const {
    PaintCaptionButton(MakePaintWindow(window), dc, state, rect, true);
}

void TxbBarItemControlPainter::DrawCaptionCloseButton(TxbBarControl* window, win::HDC dc,
                                                      const win::TRect& rect) const {
    PaintCaptionCloseButton(MakePaintBar(window), dc, rect, window && window->GetCloseButtonState() == 2);
}

void TxbBarItemControlPainter::DrawMarkBackground(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                                  const win::TRect& rect) const {
    PaintMarkBackground(MakePaintBar(window), dc, brush, rect);
}

void TxbBarItemControlPainter::DrawMarkChevrons(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const {
    PaintMarkChevrons(MakePaintBar(window), dc, rect);
}

win::TRect TxbBarItemControlPainter::CalcMarkRect(TxbBarControl* window) const {
    return CalcBarMarkRect(MakePaintBar(window));
}

void TxbBarItemControlPainter::DrawMenuBarCaptionButton(TxbBarControl* window, int32_t kind, const win::TRect& rect,
                                                        win::HDC dc, bool selected, bool pressed) const {
    const TxbBarManager* manager = window ? window->GetBarManager() : nullptr;
    bool flat = kind == 2 && manager && manager->GetFlatCloseButton() && manager->GetShowCloseButton();
    // The button is inactive while the form's system menu has its command disabled.
    bool inactive = false;
    vcl::TCustomForm* form = manager ? manager->GetOwnerForm() : nullptr;
    if (form && form->HandleAllocated()) {
        if (win::HMENU menu = win::GetSystemMenu(form->GetHandle(), win::FALSE)) {
            const win::UINT command = win::UINT(kind == 0 ? win::SC_MINIMIZE : kind == 1 ? win::SC_RESTORE : win::SC_CLOSE);
            const win::UINT state = win::GetMenuState(menu, command, win::MF_BYCOMMAND);
            inactive = state != win::UINT(-1) && (state & (win::MF_GRAYED | win::MF_DISABLED)) != 0;
        }
    }
    PaintMenuBarCaptionButton(dc, kind, rect, selected, pressed, inactive, flat);
}

int32_t TxbBarItemControlFlatPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetButtonArrowWidth(manager) - 1;
}

int32_t TxbBarItemControlFlatPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetLargeButtonArrowWidth(manager) - 1;
}

win::DWORD TxbBarItemControlFlatPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL | win::ES_MULTILINE; }

int32_t TxbBarItemControlXPPainter::GetButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetButtonArrowWidth(manager) + 3;
}

int32_t TxbBarItemControlXPPainter::GetLargeButtonArrowWidth(const TxbBarManager* manager) const {
    return TxbBarItemControlPainter::GetLargeButtonArrowWidth(manager) + 3;
}

win::DWORD TxbBarItemControlXPPainter::GetEditStyle() const { return win::ES_AUTOHSCROLL | win::ES_MULTILINE; }

const TxbBarItemControlPainter* StandardPainter() {
    static const TxbBarItemControlStandardPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* EnhancedPainter() {
    static const TxbBarItemControlEnhancedPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* FlatPainter() {
    static const TxbBarItemControlFlatPainter painter;
    return &painter;
}

const TxbBarItemControlPainter* Office11Painter() {
    static const TxbBarItemControlOffice11Painter painter;
    return &painter;
}

const TxbBarItemControlPainter* XPPainter() {
    static const TxbBarItemControlXPPainter painter;
    return &painter;
}

} // namespace bars
