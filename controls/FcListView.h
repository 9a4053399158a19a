// The framed list view: the shared frame model on the non-client area, background colours that follow the
// state (disabled, focused, normal), a last column that fills the client width, column-click sorting of all
// rows with a sort arrow drawn in the owner-drawn header, themed hot and pressed header sections, check-box
// changes that can be vetoed, a context menu per item (also from the keyboard), and the wheel scrolling a
// fixed number of pixels a line. The editor's frame list is one.
#pragma once

#include "controls/FcFramedControl.h"
#include "controls/FcFrames.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/Menus.h"

#include <functional>
#include <memory>

namespace controls {

// Where the sort arrow goes in the sorted column's header section.
enum TFcLVHeaderSortDisplayMode : uint8_t { hsdmNone, hsdmLeftAlign, hsdmRightOfText, hsdmRightAlign };

using TFcLVCheckStateChanging =
    std::function<void(vcl::TObject* Sender, vcl::TListItem* Item, bool ToBeChecked, bool& AllowChange)>;
using TFcLVCheckStateChange = std::function<void(vcl::TObject* Sender, vcl::TListItem* Item)>;
// Pos in client coordinates; the handler may move it, or change or clear the menu.
using TFcLVOnItemContextMenuEvent = std::function<void(vcl::TObject* Sender, vcl::TListItem* Item,
                                                       win::TPoint& Pos, vcl::TPopupMenu*& Menu)>;

// Posted to the list view after its window is made: the header's formats follow the sort display mode.
constexpr win::UINT ListViewHeaderFormatsMsg = 0x0464;

class TFcCustomListView : public vcl::TCustomListView, public TFcFramedControl {
public:
    explicit TFcCustomListView(vcl::TComponent* owner);
    ~TFcCustomListView() override;

    // The colour the user gave; the control shows DisabledColor or FocusColor in its place while disabled
    // or focused.
    TColor GetColor() const { return vcl::TCustomListView::GetColor(); }
    virtual void SetColor(TColor value);
    TColor GetNormalColor() const { return FNormalColor; }

    bool GetAlphaSortAll() const { return FAlphaSortAll; }
    void SetAlphaSortAll(bool value) { FAlphaSortAll = value; }
    bool GetEditOnRowClick() const { return FEditOnRowClick; }
    void SetEditOnRowClick(bool value) { FEditOnRowClick = value; }
    bool GetFillLastColumn() const { return FFillLastColumn; }
    virtual void SetFillLastColumn(bool value);
    bool GetHeaderDefaultDrawing() const { return FHeaderDefaultDrawing; }
    void SetHeaderDefaultDrawing(bool value);
    TFcLVHeaderSortDisplayMode GetHeaderSortDisplayMode() const { return FHeaderSortDisplayMode; }
    // Takes the value only on common controls above 4.69 (hsdmNone otherwise).
    void SetHeaderSortDisplayMode(TFcLVHeaderSortDisplayMode value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // The state of sorting: the sort column (-1 none), its direction (0 ascending, 1 descending), and the
    // column last sorted ascending by a click (-1 none).
    int32_t GetSortColumn() const { return FSortColumn; }
    int32_t GetSortDirection() const { return FSortDirection; }
    // The header section under the mouse (-1 none), and whether the left button is down on the header.
    int32_t GetHotSection() const { return FHotSection; }
    bool GetHeaderPressed() const { return FHeaderPressed; }
    bool GetMouseOver() const { return FMouseOver; }
    // The header window while its procedure is ours.
    win::HWND GetSubclassedHeader() const { return FHeader; }

    // The last column takes what the others leave of the client width (report view).
    virtual void FillLastColumn() { FillLastColumnWithin(false); }
    // Sorts every row by one column's texts (column 0 the captions), without regard to case, empty texts
    // after the others; descending reverses the order.
    void SortByColumn(int32_t column, bool descending);
    // The header formats: owner-drawn sections while a sort arrow is shown, plain strings (with the image
    // flag where a column has one) otherwise; the justification is kept.
    void UpdateHeaderFormats();
    // The sort arrow's rectangle made from a rectangle of the header section.
    static TRect SortArrowRect(const TRect& r);

    TFcLVCheckStateChanging OnCheckStateChanging;
    TFcLVCheckStateChange OnCheckStateChange;
    TFcLVOnItemContextMenuEvent OnItemContextMenu;
    vcl::TNotifyEvent OnMouseEnter;
    vcl::TNotifyEvent OnMouseLeave;

    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;
    void SetParent(vcl::TWinControl* value) override;
    void Loaded() override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void Dispatch(vcl::TMessage& message) override;

protected:
    void UpdateColors() override;
    // The standard border and the frame share the non-client area: the window is made again for it.
    void FrameVisibleChanged() override;
    void FrameLookChanged() override { InvalidateFrame(); }
    TColor FocusColorStoredAgainst() const override { return FNormalColor; }
    virtual void UpdateFrameState(bool isOver, bool value);
    virtual void InvalidateFrame();
    virtual void MouseEnter();
    virtual void MouseLeave();
    virtual void DoCheckStateChange(vcl::TListItem* item);
    virtual bool DoCheckStateChanging(vcl::TListItem* item, bool toBeChecked);
    virtual void ShowContextMenuAt(win::TPoint pos);
    virtual void ShowItemContextMenu(win::TPoint pos);
    virtual void DoItemContextMenu(vcl::TListItem* item, win::TPoint& pos, vcl::TPopupMenu*& menu);

    void CreateParams(vcl::TCreateParams& params) override;
    void CreateWnd() override;
    void DestroyWnd() override;
    void ColClick(vcl::TListColumn* column) override;
    bool CanEdit(vcl::TListItem* item) override;
    bool DoMouseWheelDown(vcl::TShiftState shift, win::TPoint mousePos) override;
    bool DoMouseWheelUp(vcl::TShiftState shift, win::TPoint mousePos) override;
    void MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void DoEnter() override;
    void DoExit() override;

private:
    friend struct FcListViewHeaderProc;
    bool Loading() const { return GetComponentState().Contains(vcl::csLoading); }
    bool Designing() const { return GetComponentState().Contains(vcl::csDesigning); }
    bool IsHot() const;
    void ApplyColor(TColor value);
    void FillLastColumnWithin(bool scrollBarAllowance);
    void WheelScroll(int32_t direction);
    void PaintFrame();
    // The header: subclassed when it is made or after loading, given back when it or the list view goes.
    void SubclassHeader(win::HWND header);
    void RestoreHeader();
    win::LRESULT HeaderMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam);
    void SetHotSection(int32_t section);
    void DrawHeaderSection(const win::DRAWITEMSTRUCT& dis);
    void DrawSortArrow(vcl::TCanvas* canvas, const TRect& a, int32_t column);
    bool ListNotify(vcl::TMessage& message);
    void HandleHeaderNotify(vcl::TMessage& message);
    void RightClick();
    void ShowControlMenu(win::TPoint pos);

    TColor FNormalColor = vcl::clWindow;
    bool FUpdatingColor = false;
    bool FAlphaSortAll = false;
    bool FEditOnRowClick = false;
    bool FFillLastColumn = true;
    bool FHeaderDefaultDrawing = true;
    TFcLVHeaderSortDisplayMode FHeaderSortDisplayMode = hsdmRightOfText;
    int32_t FSortColumn = -1;
    int32_t FSortDirection = 0;
    int32_t FLastAscendingColumn = -1;
    int32_t FHotSection = -1;
    bool FHeaderPressed = false;
    bool FFocused = false;
    bool FMouseOver = false;
    bool FMenuShown = false;
    bool FRightClickOnItem = false;
    int32_t FHeaderUpdating = 0;
    win::HWND FHeader = nullptr;
    win::WNDPROC FHeaderPrevProc = nullptr;
    std::unique_ptr<vcl::TCanvas> FHeaderCanvas;
    // False once the control is gone: code that runs a handler checks it before touching the control again.
    std::shared_ptr<bool> FAlive = std::make_shared<bool>(true);
};

class TFcListView : public TFcCustomListView {
public:
    explicit TFcListView(vcl::TComponent* owner) : TFcCustomListView(owner) {}
};

} // namespace controls
