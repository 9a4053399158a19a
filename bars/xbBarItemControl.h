// The item control: the plain object (not a window) that shows one item link inside one bar window (a
// toolbar, a menu or a popup menu). The link's collection makes it through the item-kind registry when the
// window shows the link and frees it when the link is hidden or the window closes. The control answers the
// window's layout questions, keeps the per-appearance state (selected, pressed, dropped down, rarely used),
// draws itself through the manager's painter family and turns a click into the item's click chain, guarded
// by weak references so that a command that frees the menu, the control or the item harms nothing.
#pragma once

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
    virtual TxbBarSubMenuControl* GetSubMenuWindow() { return nullptr; }
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
    // The paint style the control draws with (a button control's effective one).
    virtual TxbBarPaintStyle GetPaintStyle() const { return psStandard; }

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

} // namespace bars
