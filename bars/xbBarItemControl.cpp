#include "bars/xbBarItemControl.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarControl.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarToolbar.h"
#include "bars/xbBarUtils.h"
#include "lookandfeel/lkClasses.h"
#include "platform/vcl/Graphics.h"
#include "platform/vcl/ImgList.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"

namespace bars {

namespace {
TxbBarItemControl* GEditingItemControl = nullptr;
} // namespace

TxbBarItemControl* GetEditingItemControl() { return GEditingItemControl; }

void SetEditingItemControl(TxbBarItemControl* control) { GEditingItemControl = control; }

TxbBarItemControl::TxbBarItemControl(TxbBarItemLink* link) : FLink(link) {
    if (link && link->GetLinks())
        FWindow = link->GetLinks()->GetWindow();
}

TxbBarItemControl::~TxbBarItemControl() {
    if (GEditingItemControl == this)
        GEditingItemControl = nullptr;
    TxbBarManager* manager = GetBarManager();
    if (manager && manager->GetCurrentItemControl() == this)
        manager->SetCurrentItemControl(nullptr);
    if (FLink && FLink->GetControl() == this)
        FLink->ForgetControl();
    if (WindowAlive() && FWindow->GetSelectedControl() == this && manager && !manager->IsDestroying() &&
        !manager->IsCustomizing()) {
        // A link that is no longer shown leaves no selection behind; otherwise hovering picks again.
        if (!FLink || FLink->GetShownIndex() < 0)
            FWindow->ClearSelection();
        else
            FWindow->SelectItemControlByMouse(nullptr);
    }
    if (WindowAlive() && FWindow->GetSelectedControl() == this)
        FWindow->ClearSelection();
    if (WindowAlive() && FWindow->GetPressedControl() == this)
        FWindow->ForgetPressedControl();
    lookandfeel::ClearObjectLinks(this);
}

bool TxbBarItemControl::WindowAlive() const { return FWindow && IsBarControlAlive(FWindow); }

void TxbBarItemControl::PassMouseMessage(win::UINT msg, win::WPARAM keys, const win::TPoint& clientPoint) {
    const win::HWND child = GetChildWindow();
    if (!child || !WindowAlive() || !FWindow->HandleAllocated())
        return;
    win::TPoint p = clientPoint;
    win::MapWindowPoints(FWindow->GetHandle(), child, &p, 1);
    win::SendMessage(child, msg, keys, win::MAKELPARAM(p.X, p.Y));
}

// ---- What the item and the link tell the control -------------------------------------------------------------

void TxbBarItemControl::SizeChanged() { RebuildWindow(); }

void TxbBarItemControl::CaptionChanged() {
    if (GetAlign() == iaClient)
        Repaint();
    else
        RebuildWindow();
}

void TxbBarItemControl::EnabledChanged() {
    if (!GetEnabled() && WindowAlive() && FWindow->GetSelectedControl() == this)
        FWindow->SelectItemControl(nullptr);
    Repaint();
}

void TxbBarItemControl::GlyphChanged() { Repaint(); }

void TxbBarItemControl::PressedChanged() {
    if (!FPressed)
        Repaint();
}

void TxbBarItemControl::ShortCutChanged() {
    if (WindowAlive() && FWindow->IsMenu())
        RebuildWindow();
}

void TxbBarItemControl::VisibleChanged() { RebuildWindow(); }

void TxbBarItemControl::BeginGroupChanged() { RebuildWindow(); }

void TxbBarItemControl::RebuildWindow() {
    if (WindowAlive())
        FWindow->Rebuild();
}

void TxbBarItemControl::Repaint() {
    if (!WindowAlive() || FWindow->GetComponentState().Contains(vcl::csDestroying))
        return;
    const bool painting = FWindow->GetPaintingItem();
    FWindow->SetPaintingItem(true);
    try {
        FWindow->RepaintItemControl(this);
    } catch (...) {
        if (IsBarControlAlive(FWindow))
            FWindow->SetPaintingItem(painting);
        throw;
    }
    if (IsBarControlAlive(FWindow))
        FWindow->SetPaintingItem(painting);
}

// ---- Behaviour ---------------------------------------------------------------------------------------------

bool TxbBarItemControl::BelongsToManager() {
    TxbBarManager* manager = GetBarManager();
    TxbBarItem* item = GetItem();
    if (!manager || !item)
        return false;
    return item->GetBarManager() == manager || manager->GetComponentState().Contains(vcl::csAncestor);
}

bool TxbBarItemControl::IsSelectable() {
    TxbBarManager* manager = GetBarManager();
    return !(manager && manager->IsCustomizing()) || BelongsToManager();
}

void TxbBarItemControl::Activate(bool byKey) {
    if (!GetEnabled())
        return;
    TCustomxbBarControl* window = FWindow;
    lookandfeel::TlkObjectLinkScope self(this);
    Enter(byKey);
    if (self.Alive() && window && IsBarControlAlive(window) && window->OwnsItemControl(this))
        Click(byKey);
}

void TxbBarItemControl::Click(bool byKey) {
    TCustomxbBarControl* window = FWindow;
    if (window && IsBarControlAlive(window) && window->IsMenu() && dynamic_cast<TxbBarButton*>(GetItem()))
        PlayMenuSound(1);
    TxbBarItemLink* link = FLink;
    TxbBarItemLink* realLink = link ? link->GetRealLink() : nullptr;
    TxbBarItem* item = GetItem();
    const bool clicksItem = ClicksItem();
    const bool closesMenus = ClosesMenusOnClick();

    if (closesMenus && realLink) {
        try {
            realLink->MarkUsed(true);
            if (realLink != link)
                link->MarkUsed(true);
        } catch (...) {
            // Usage bookkeeping never stops a command.
        }
    }
    lookandfeel::TlkObjectLinkScope self(this);
    const bool windowAlive = window && IsBarControlAlive(window);
    const bool showPressed = GetUnclickAfterDoing() && (!closesMenus || !(windowAlive && window->IsQuickControl()));
    if (showPressed)
        SetPressed(true);
    if (closesMenus && self.Alive() && window && IsBarControlAlive(window))
        window->DeactivateAll();
    if (clicksItem && item) {
        lookandfeel::TlkObjectLinkScope itemAlive(item);
        item->SetClickedItemLink(realLink ? realLink : link);
        item->ExecuteClick();
        if (itemAlive.Alive())
            item->SetClickedItemLink(nullptr);
    }
    if (self.Alive() && showPressed)
        SetPressed(false);
}

bool TxbBarItemControl::HasHint() {
    return !GetHint().empty() && WindowAlive() && FWindow->IsToolbar();
}

bool TxbBarItemControl::UsesFlatSelection() { return WindowAlive() && FWindow->UsesFlatSelection(); }

bool TxbBarItemControl::WantsDblClick() {
    TxbBarManager* manager = GetBarManager();
    return (manager && manager->GetDesigning()) || OpensSubMenu();
}

// ---- What the control shows ---------------------------------------------------------------------------------

std::string TxbBarItemControl::GetCaption() { return FLink ? FLink->GetCaption() : std::string(); }

bool TxbBarItemControl::GetEnabled() {
    TxbBarItem* item = GetItem();
    return item && item->GetEnabled();
}

vcl::TBitmap* TxbBarItemControl::GetGlyph() { return FLink ? FLink->GetGlyph() : nullptr; }

int32_t TxbBarItemControl::GetImageIndex() {
    TxbBarItem* item = GetItem();
    return item ? item->GetImageIndex() : -1;
}

vcl::TCustomImageList* TxbBarItemControl::GetImages(bool large) {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return nullptr;
    const bool enabled = GetEnabled();
    if (large && manager->GetLargeIcons() && manager->UsesLargeImages()) {
        if (!enabled && manager->GetDisabledLargeImages())
            return manager->GetDisabledLargeImages();
        return manager->GetLargeImages();
    }
    if (!enabled && manager->GetDisabledImages())
        return manager->GetDisabledImages();
    return manager->GetImages();
}

std::string TxbBarItemControl::GetHint() {
    TxbBarItem* item = GetItem();
    return item ? item->GetHint() : std::string();
}

vcl::TCustomImageList* TxbBarItemControl::GetHotImages() {
    TxbBarManager* manager = GetBarManager();
    return manager ? manager->GetHotImages() : nullptr;
}

bool TxbBarItemControl::CanDrawGlyph() {
    if (GetEnabled())
        return true;
    TxbBarManager* manager = GetBarManager();
    vcl::TBitmap* glyph = GetGlyph();
    return manager && manager->GetDisabledImages() && (!glyph || glyph->GetEmpty());
}

vcl::TCustomImageList* TxbBarItemControl::GetLargeImages() {
    TxbBarManager* manager = GetBarManager();
    if (!manager)
        return nullptr;
    if (!GetEnabled() && manager->GetDisabledLargeImages())
        return manager->GetDisabledLargeImages();
    return manager->GetLargeImages();
}

vcl::TShortCut TxbBarItemControl::GetShortCut() {
    TxbBarItem* item = GetItem();
    return item ? item->GetShortCut() : 0;
}

// ---- Queries ------------------------------------------------------------------------------------------------

TxbBarItem* TxbBarItemControl::GetItem() const { return FLink ? FLink->GetItem() : nullptr; }

TxbBarManager* TxbBarItemControl::GetBarManager() const { return FLink ? FLink->GetBarManager() : nullptr; }

const TxbBarItemControlPainter* TxbBarItemControl::GetPainter() const {
    TxbBarManager* manager = GetBarManager();
    return manager ? manager->GetPainter() : nullptr;
}

TxbBarItemAlign TxbBarItemControl::GetAlign() const {
    TxbBarItem* item = GetItem();
    return item ? item->GetAlign() : iaLeft;
}

bool TxbBarItemControl::IsSelected() {
    return WindowAlive() && FWindow->GetSelectedControl() == this && (GetEnabled() || !FSelectedByMouse);
}

bool TxbBarItemControl::GetUnclickAfterDoing() const {
    auto* button = dynamic_cast<TxbBarButton*>(GetItem());
    return button ? button->GetUnclickAfterDoing() : true;
}

void TxbBarItemControl::SetPressed(bool value) {
    if (FPressed == value)
        return;
    FPressed = value;
    PressedChanged();
}

bool TxbBarItemControl::HasGlyph() {
    vcl::TBitmap* glyph = GetGlyph();
    return (glyph && !glyph->GetEmpty()) || HasValidImage();
}

bool TxbBarItemControl::HasValidImage() {
    vcl::TCustomImageList* images = GetImages(false);
    const int32_t index = GetImageIndex();
    return images && index >= 0 && index < images->GetCount();
}

bool TxbBarItemControl::IsPressedNow() {
    if (!GetEnabled() || !WindowAlive() || !FWindow->HandleAllocated())
        return false;
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    win::ScreenToClient(FWindow->GetHandle(), &cursor);
    const win::TRect r = FWindow->GetItemRect(this);
    if (!(cursor.X >= r.Left && cursor.X < r.Right && cursor.Y >= r.Top && cursor.Y < r.Bottom))
        return false;
    const bool swapped = win::GetSystemMetrics(win::SM_SWAPBUTTON) != 0;
    return swapped ? IsPrimaryButtonDown() : win::GetKeyState(win::VK_LBUTTON) < 0;
}

// ---- Drawing through the painter --------------------------------------------------------------------------------

void TxbBarItemControl::GetColors(TxbItemDrawStates states, int32_t& textColor, win::HBRUSH& brush) {
    const TxbBarItemControlPainter* painter = GetPainter();
    textColor = int32_t(0x80000000u | win::COLOR_BTNTEXT);
    brush = nullptr;
    if (painter)
        painter->GetItemColors(this, states, textColor, brush);
}

int32_t TxbBarItemControl::GetCaptionOffset() {
    const TxbBarItemControlPainter* painter = GetPainter();
    return painter ? painter->GetMenuCaptionOffset(this) : 0;
}

win::HDC TxbBarItemControl::GetDC() const {
    return WindowAlive() && FWindow->GetCanvas() ? FWindow->GetCanvas()->GetHandle() : nullptr;
}

void TxbBarItemControl::DrawLoweredFrame(win::TRect& rect) {
    if (const TxbBarItemControlPainter* painter = GetPainter())
        painter->DrawLoweredFrame(this, GetDC(), rect);
}

void TxbBarItemControl::DrawGlyph(const win::TRect& rect, TxbItemDrawStates states, TxbPaintType paintType,
                                  const win::TRect* glyphRect) {
    if (const TxbBarItemControlPainter* painter = GetPainter())
        painter->DrawItemGlyph(this, GetDC(), rect, states, paintType, glyphRect);
}

void TxbBarItemControl::DrawMenuItem(TxbItemDrawStates states, const win::TRect& rect) {
    if (const TxbBarItemControlPainter* painter = GetPainter())
        painter->DrawMenuButton(this, GetDC(), states, rect);
}

void TxbBarItemControl::DrawCaption(TxbItemDrawStates states, int32_t alignment, const win::TRect& rect,
                                    const std::string& text, bool clip, bool rotated, bool keepColor) {
    if (const TxbBarItemControlPainter* painter = GetPainter())
        painter->DrawItemCaption(this, GetDC(), states, alignment, rect, text, clip, rotated, keepColor);
}

} // namespace bars
