// The window of one toolbar: docked in a dock site or floating with a caption. It answers the size
// questions of the dock layout (minimum and maximum length, the size for a given length, the end mark) from
// its item controls, lays the links out in rows, draws its frame and runs the toolbar's mouse and keys.
// The layout lives in bars/xbBarToolbarLayout.cpp, the non-client frame in bars/xbBarToolbarFrame.cpp.
#pragma once

#include "bars/xbBarControl.h"

#include <cstdint>
#include <functional>

namespace bars {

class TxbBar;
class TxbDockControl;

// The end mark's room at the end of a docked row.
inline constexpr int32_t ToolbarMarkSize = 11;
// The hit-test codes the window keeps from its last WM_NCHITTEST: a press with the move code drags the bar.
inline constexpr int32_t ToolbarHitNone = 0;
inline constexpr int32_t ToolbarHitClient = 1;
inline constexpr int32_t ToolbarHitMove = 2;
// The highest a floating bar's top may be dragged, so that its caption stays reachable.
inline constexpr int32_t ToolbarTopLimit = -15;

class TxbBarControl : public TCustomxbBarControl {
public:
    // The window of bar, owned by the bar's manager.
    explicit TxbBarControl(TxbBar* bar);
    ~TxbBarControl() override;
    TxbBar* GetBar() const { return FBar; }
    bool IsToolbar() const override { return true; }
    int32_t GetSeparatorSize() override;
    bool IsLastLink(TxbBarItemControl* control) override;

    // ---- Size questions of the dock layout (lengths without the non-client frame)
    virtual int32_t GetMinWidth(TxbBarDockingStyle style);
    virtual int32_t GetMinHeight(TxbBarDockingStyle style);
    virtual int32_t GetMaxWidth(TxbBarDockingStyle style);
    virtual int32_t GetMaxHeight(TxbBarDockingStyle style);
    virtual win::TSize CalcSizeByWidth(TxbBarDockingStyle style, int32_t width);
    virtual win::TSize CalcSizeByHeight(TxbBarDockingStyle style, int32_t height);
    // The window size (with the frame) the bar takes in style.
    win::TSize CalcSizeForStyle(TxbBarDockingStyle style);
    // The end mark is shown.
    bool HasMark() override;
    // The items wrap into several rows: a floating or multi-line bar.
    virtual bool AllowsMultipleRows();
    // Where the cursor sits within the window when the dragged bar takes style.
    virtual win::TPoint GetDragCursorOffset(TxbBarDockingStyle style);
    // Lays out the item links inside the window: each shown link's rectangle and row thickness.
    virtual void ArrangeItemLinks();
    // The end mark's rectangle in client coordinates (window coordinates of the caption when floating).
    win::TRect GetMarkRect();
    win::TRect GetMarkScreenRect();
    // A link's rectangle widened to its whole row (what the item draws on).
    void GetItemDrawRect(TxbBarItemControl* control, win::TRect& rect);
    void GetItemDrawRect(TxbBarItemControl* control, bool vertical, win::TRect& rect);
    // The frame is computed again.
    virtual void FrameChanged();
    // Records the window's place in its bar.
    virtual void StorePosition();
    // The window is told it is about to be hidden (it leaves keyboard mode and its selection).
    virtual void HideNotification();
    void Rebuild() override;
    void SetActive(bool value) override;
    void DeactivateAll() override;
    void SelectItemControl(TxbBarItemControl* control) override;
    // A menu was opened from this bar by key or click, so moving along the bar opens the next menu.
    bool GetKeyboardOpened() const { return FKeyboardOpened; }
    void SetKeyboardOpened(bool value) { FKeyboardOpened = value; }
    void RepaintItemControl(TxbBarItemControl* control) override;
    void SetMarkState(int32_t state) override;
    void UpdateFont() override;
    win::HFONT GetFont() override;

    // ---- Docking state
    void SetDockingStyle(TxbBarDockingStyle value) override;
    bool IsVertical() const { return FDockingStyle == dsLeft || FDockingStyle == dsRight; }
    // A programmatic docking change (restoring a layout, showing a bar) is in progress.
    bool IsDockingChanging() const { return FDockingChanging > 0; }
    void BeginDockingChange() { ++FDockingChanging; }
    void EndDockingChange() { --FDockingChanging; }
    // The bar is being dragged by the user: the bars remember the window, no position is stored meanwhile,
    // and leaving stores the place the drag ended in.
    bool GetMoving() const { return FMoving; }
    void SetMoving(bool value);
    // The style and metrics are taken again after a style or theme change; the frame follows.
    void RefreshLook();
    // The frame, the background and the layout are taken again.
    void UpdateFrame();
    // The bar's AlphaBlendValue while dragged and while floating, opaque otherwise.
    void UpdateAlphaBlend() override;
    // The dock layout gave a single-row bar less length than it needs.
    bool GetTruncated() const { return FTruncated; }
    void SetTruncated(bool value) { FTruncated = value; }
    // The dock row and col holding the window (0 when floating or not found).
    int32_t GetDockRowIndex() const;
    int32_t GetDockColIndex() const;
    // Moves the window into a dock (style other than dsNone) or out of it.
    void DockTo(TxbBarDockingStyle style, TxbDockControl* dock);

    // ---- Frame (bars/xbBarToolbarFrame.cpp)
    // The grip area the dock's painting leaves to the bar's frame.
    win::TRect GetNCExcludeRect();
    // The floating caption in window coordinates and its close button in client coordinates.
    win::TRect GetCaptionRect();
    win::TRect GetCloseButtonRect();
    int32_t GetCloseButtonState() const { return FCloseButtonState; }
    void SetCloseButtonState(int32_t state);
    int32_t GetHitTestCode() const { return FHitTestCode; }
    bool GetHasCaption() const { return FHasCaption; }
    void SetHasCaption(bool value) { FHasCaption = value; }

    // The press that starts a drag: the cursor offset within the window and the window's size then.
    win::TPoint GetDragPressOffset() const { return FDragPressOffset; }
    win::TSize GetDragPressSize() const { return FDragPressSize; }

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void DestroyWnd() override;
    void WndProc(vcl::TMessage& message) override;
    void Paint() override;

private:
    // ---- Layout helpers (bars/xbBarToolbarLayout.cpp)
    struct TItemMeasure {
        int32_t Length = 0;
        int32_t Thickness = 0;
    };
    TItemMeasure MeasureItem(TxbBarItemControl* control, bool vertical);
    TxbBarItemAlign EffectiveAlign(TxbBarItemControl* control);
    void ArrangeFor(TxbBarDockingStyle style, int32_t clientWidth, int32_t clientHeight);
    void CenterRow(int32_t first, int32_t last, int32_t thickness, bool vertical);
    void CalcWrappedSize(TxbBarDockingStyle style, bool countMark, int32_t maxLength, win::TSize& size);
    int32_t MinLength(TxbBarDockingStyle style, bool vertical);
    int32_t MaxLength(TxbBarDockingStyle style, bool vertical);
    win::TSize CalcSizeByLength(TxbBarDockingStyle style, int32_t length, bool byWidth);
    bool MultiRowFor(TxbBarDockingStyle style);
    bool HasMarkFor(TxbBarDockingStyle style);
    // The separators between groups, remembered in the controls (drawn by Paint).
    void PlaceSeparators(TxbBarDockingStyle style, int32_t clientWidth, int32_t clientHeight);

    // The bar's own colour as a solid fill, else the painter's docked or floating background, in which a dock's
    // picture continues under the bar (withOrigin: rect is in client coordinates, else window coordinates).
    void DrawBackground(win::HDC dc, const win::TRect& rect, bool withOrigin, int32_t color,
                        win::HBRUSH brush) override;
    // The client area's origin in window coordinates (bars/xbBarToolbarFrame.cpp).
    win::TPoint GetBackgroundOrigin() override;

    // ---- Frame helpers (bars/xbBarToolbarFrame.cpp)
    void WMNCCalcSize(vcl::TMessage& message);
    void WMNCHitTest(vcl::TMessage& message);
    void WMNCPaint(vcl::TMessage& message);
    void WMSizing(vcl::TMessage& message);
    void WMGetMinMaxInfo(vcl::TMessage& message);
    void WMWindowPosChanging(vcl::TMessage& message);
    void RunCloseButton();
    void DrawCloseButton();

    // ---- Mouse and docking helpers (bars/xbBarToolbar.cpp)
    void WMLButtonDown(vcl::TMessage& message);
    void WMLButtonDblClk(vcl::TMessage& message);
    void WMMouseMove(vcl::TMessage& message);
    void WMKeyDown(vcl::TMessage& message);
    void WMDestroy(vcl::TMessage& message);
    // A press on the items: keyboard mode and the keyboard-opened flag. False when the press ends there (the
    // window went, or the edit window of the item being edited took it).
    bool PressItemControl(const win::TPoint& clientPoint);
    bool PointOnMark(const win::TPoint& clientPoint);
    void ToggleMark();
    void ToggleDocking();
    void StopMarkTimer();
    void ApplyCanvasFont();
    static void CALLBACK_MarkTimer(win::HWND hwnd, win::UINT msg, uintptr_t id, win::DWORD time);

    TxbBar* FBar;
    bool FDestroying = false;
    // The window's own teardown of its handle runs (not the window system's after its owner went).
    bool FDestroyingWnd = false;
    int32_t FCloseButtonState = 0;
    bool FHasCaption = true;
    bool FSizeGrip = false;
    int32_t FHitTestCode = ToolbarHitNone;
    int32_t FDockingChanging = 0;
    uintptr_t FMarkTimer = 0;
    bool FMoving = false;
    bool FKeyboardOpened = false;
    bool FCreatingFont = false;
    bool FTruncated = false;
    win::HFONT FRotatedFont = nullptr;
    TxbBarDockingStyle FDragStartStyle = dsNone;
    win::TPoint FDragPressOffset{0, 0};
    win::TSize FDragPressSize{0, 0};
};

// Makes the window of a bar. With no factory installed a bar gets the toolbar window MakeToolbarWindow makes;
// tests install windows of their own (a factory answering null leaves bars without windows).
using TxbBarControlFactory = std::function<TxbBarControl*(TxbBar* bar)>;
TxbBarControl* MakeToolbarWindow(TxbBar* bar);
const TxbBarControlFactory& GetBarControlFactory();
void SetBarControlFactory(TxbBarControlFactory factory);

} // namespace bars
