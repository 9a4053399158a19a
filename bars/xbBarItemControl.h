// The item control: the plain object (not a window) that shows one item link inside one bar window (a
// toolbar, a menu or a popup menu). The link's collection makes it through the item-kind registry when the
// window shows the link and frees it when the link is hidden or the window closes. The control answers the
// window's layout questions, keeps the per-appearance state (selected, pressed, dropped down, rarely used),
// draws itself through the manager's painter family and turns a click into the item's click chain, guarded
// by weak references so that a command that frees the menu, the control or the item harms nothing.
#pragma once

#include "bars/xbBarButton.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarPainter.h"
#include "platform/vcl/Object.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <string>

namespace vcl {
class TBitmap;
class TCustomImageList;
} // namespace vcl

namespace bars {

class TCustomxbBarControl;
class TxbBarManager;
class TxbBarSubMenuControl;

class TxbBarItemControl : public vcl::TObject {
public:
    explicit TxbBarItemControl(TxbBarItemLink* link);
    ~TxbBarItemControl() override;

    // ---- What the item and the link tell the control
    virtual void Refresh() {}
    virtual void SizeChanged();
    virtual void CaptionChanged();
    virtual void EnabledChanged();
    virtual void GlyphChanged();
    virtual void PressedChanged();
    // Menus tell each shown control whether it lies in the scrolled page.
    virtual void PageVisibilityChanged(bool inPage) {}
    virtual void ShortCutChanged();
    virtual void VisibleChanged();
    virtual void BeginGroupChanged();

    // ---- Behaviour the kinds replace
    virtual bool ClicksItem() { return true; }
    virtual bool BelongsToManager();
    virtual bool IsHotTrackable() { return IsSelectable(); }
    virtual bool IsSelectable();
    virtual void Activate(bool byKey);
    virtual void DropDown(bool byKey) { FDroppedDown = true; }
    virtual void CloseUp(bool byKey) { FDroppedDown = false; }
    virtual void Enter(bool byMouse) {}
    virtual void Click(bool byKey);
    virtual bool IsHighlighted() { return IsSelected(); }
    virtual void KeyDown(uint16_t& key) {}
    virtual bool HandlesKey(uint16_t key) { return false; }
    virtual std::string GetCaption();
    virtual bool GetEnabled();
    virtual vcl::TBitmap* GetGlyph();
    virtual int32_t GetImageIndex();
    virtual vcl::TCustomImageList* GetImages(bool large);
    virtual std::string GetHint();
    virtual vcl::TCustomImageList* GetHotImages();
    virtual bool CanDrawGlyph();
    virtual vcl::TCustomImageList* GetLargeImages();
    virtual vcl::TShortCut GetShortCut();
    virtual int32_t GetHeight() { return 0; }
    virtual int32_t GetClientAlignHeight() { return 1; }
    virtual int32_t GetClientAlignWidth() { return 1; }
    virtual TCustomxbBarControl* GetSubMenuWindow() { return nullptr; }
    virtual int32_t GetWidth() { return 0; }
    virtual bool HasHint();
    virtual bool UsesFlatSelection();
    virtual bool ClosesMenusOnClick() { return true; }
    virtual bool OpensSubMenu() { return false; }
    virtual bool IsClickEnabled() { return false; }
    virtual void Draw(const win::TRect& rect, TxbPaintType paintType) {}
    virtual void Repaint();
    virtual void RebuildWindow();
    virtual void DblClick() {}
    virtual bool WantsDblClick();
    // A mouse press on the control is running (a button passes it to its drop-down menu).
    virtual void SetPressedByMouse(bool value) {}
    // The selection came from the mouse, so a sub menu opened now may animate.
    virtual void SetOpenedByMouse(bool value) {}
    // A button's drop-down menu is open from this control.
    virtual bool IsShowingDropDown() const { return false; }
    virtual bool IsButtonControl() const { return false; }
    // The paint style the control draws with (a button control's effective one).
    virtual TxbBarPaintStyle GetPaintStyle() const { return psStandard; }
    // The text colour and background brush of the control in states (the painter's).
    virtual void GetColors(TxbItemDrawStates states, int32_t& textColor, win::HBRUSH& brush);
    // Where the caption starts after the glyph column (menus).
    virtual int32_t GetCaptionOffset();

    // ---- Window items (edit and combo controls) answer with their child window
    // The child window the item is edited in; null for controls without one.
    virtual win::HWND GetChildWindow() { return nullptr; }
    // Where the child window goes, in the bar window's client coordinates (empty without one).
    virtual win::TRect GetEditRect() { return {}; }
    // The child window is shown and focused for editing.
    virtual bool IsEditing() { return false; }
    // Sends a mouse message to the child window with clientPoint (the bar window's client coordinates)
    // mapped into it; nothing without a child window.
    void PassMouseMessage(win::UINT msg, win::WPARAM keys, const win::TPoint& clientPoint);

    // ---- Drawing through the painter, into the window's canvas
    win::HDC GetDC() const;
    // Draws the lowered frame, shrinking rect by it.
    void DrawLoweredFrame(win::TRect& rect);
    void DrawGlyph(const win::TRect& rect, TxbItemDrawStates states, TxbPaintType paintType,
                   const win::TRect* glyphRect = nullptr);
    void DrawMenuItem(TxbItemDrawStates states, const win::TRect& rect);
    void DrawCaption(TxbItemDrawStates states, int32_t alignment, const win::TRect& rect, const std::string& text,
                     bool clip = true, bool rotated = false, bool keepColor = false);

    // ---- Queries
    TxbBarItemLink* GetLink() const { return FLink; }
    TxbBarItem* GetItem() const;
    TxbBarManager* GetBarManager() const;
    const TxbBarItemControlPainter* GetPainter() const;
    TCustomxbBarControl* GetWindow() const { return FWindow; }
    TxbBarItemAlign GetAlign() const;
    // The window's selection is this control, and it is enabled or was not selected by hovering.
    bool IsSelected();
    // The button item's UnclickAfterDoing; true for other kinds.
    bool GetUnclickAfterDoing() const;
    bool GetPressed() const { return FPressed; }
    void SetPressed(bool value);
    bool HasGlyph();
    bool HasValidImage();
    // Enabled, the cursor over the control's rectangle and the primary button down.
    bool IsPressedNow();
    bool IsUsable() { return IsSelectable() || ClicksItem(); }

    // ---- Per-appearance state
    bool GetDroppedDown() const { return FDroppedDown; }
    bool GetSelectedByMouse() const { return FSelectedByMouse; }
    void SetSelectedByMouse(bool value) { FSelectedByMouse = value; }
    bool GetRarelyUsed() const { return FRarelyUsed; }
    void SetRarelyUsed(bool value) { FRarelyUsed = value; }
    bool GetRunStart() const { return FRunStart; }
    void SetRunStart(bool value) { FRunStart = value; }
    bool GetHasWindow() const { return FHasWindow; }
    bool GetEndsRow() const { return FEndsRow; }
    void SetEndsRow(bool value) { FEndsRow = value; }
    bool GetStartsRow() const { return FStartsRow; }
    void SetStartsRow(bool value) { FStartsRow = value; }
    const win::TRect& GetSeparatorRect() const { return FSeparatorRect; }
    void SetSeparatorRect(const win::TRect& value) { FSeparatorRect = value; }

protected:
    // The window lives (it may have gone while user code ran).
    bool WindowAlive() const;
    void SetHasWindow(bool value) { FHasWindow = value; }

private:
    win::TRect FSeparatorRect{};
    bool FRunStart = false;
    bool FHasWindow = false;
    bool FDroppedDown = false;
    TxbBarItemLink* FLink;
    bool FEndsRow = false;
    bool FStartsRow = false;
    bool FRarelyUsed = false;
    TCustomxbBarControl* FWindow = nullptr;
    bool FPressed = false;
    bool FSelectedByMouse = false;
};

// The control of a button item in a toolbar or menu: its size from the paint style, caption, shortcut and
// the manager's button metrics; its drawing in each state; check-button toggling on click; the drop-down
// menu of a split button opened from its arrow part or by key.
class TxbBarButtonControl : public TxbBarItemControl {
public:
    explicit TxbBarButtonControl(TxbBarItemLink* link);

    virtual int32_t GetArrowWidth();
    virtual void ButtonStyleChanged() { RebuildWindow(); }
    virtual void DownChanged() { Repaint(); }
    virtual void DropDownEnabledChanged() { Repaint(); }
    virtual int32_t CalcHeight();
    virtual int32_t CalcWidth();
    virtual void PaintStyleChanged() { RebuildWindow(); }
    // psStandard without a glyph shows the caption.
    virtual void AdjustPaintStyle(TxbBarPaintStyle& style);
    virtual void ShowDropDownMenu(bool byMouse);
    // The drop-down menu's window tells the control it is gone (a toolbar then stops opening menus as the
    // selection moves).
    virtual void DropDownMenuClosed();

    void GlyphChanged() override;
    void Enter(bool byMouse) override;
    void Click(bool byKey) override;
    void CloseUp(bool byKey) override;
    bool IsHighlighted() override;
    void KeyDown(uint16_t& key) override;
    bool HandlesKey(uint16_t key) override;
    int32_t GetHeight() override;
    int32_t GetWidth() override;
    TCustomxbBarControl* GetSubMenuWindow() override;
    bool ClosesMenusOnClick() override;
    bool IsClickEnabled() override { return !FDropDownShown; }
    void Draw(const win::TRect& rect, TxbPaintType paintType) override;
    TxbBarPaintStyle GetPaintStyle() const override;
    void SetPressedByMouse(bool value) override { FPressedByMouse = value; }
    bool IsShowingDropDown() const override { return FDropDownShown; }
    bool IsButtonControl() const override { return true; }

    // ---- What the item says (plain answers for items that are not buttons)
    TxbBarButton* GetButton() const;
    TxbBarButtonStyle GetButtonStyle() const;
    bool GetDown() const;
    bool GetDropDownEnabled() const;
    bool GetLowered() const;
    bool GetDropDownShown() const { return FDropDownShown; }
    bool GetPressedByMouse() const { return FPressedByMouse; }
    // A split button whose arrow part (the right GetArrowWidth pixels) holds the cursor.
    bool IsOverArrow();
    bool IsArrowPressed() { return IsPressedNow() && IsOverArrow(); }

private:
    bool InToolbar() const;
    // In a vertical toolbar whose bar turns its captions.
    bool IsRotated() const;
    bool ShowsCaption() const;
    int32_t CaptionWidth(const std::string& text) const;
    int32_t FontPointSize() const;

    bool FDropDownShown = false;
    bool FPressedByMouse = false;
};

// The window item being edited in any bar window (null when none): hovering changes nothing meanwhile.
TxbBarItemControl* GetEditingItemControl();
void SetEditingItemControl(TxbBarItemControl* control);

} // namespace bars
