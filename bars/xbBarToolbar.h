// The window of one toolbar: docked in a dock site or floating with a caption. It answers the size
// questions of the dock layout (minimum and maximum length, the size for a given length, the end mark) from
// its item controls, lays the links out in rows, draws its frame and runs the toolbar's mouse and keys.
#pragma once

#include "bars/xbBarControl.h"

#include <cstdint>
#include <functional>

namespace bars {

class TxbBar;
class TxbDockControl;

class TxbBarControl : public TCustomxbBarControl {
public:
    // The window of bar, owned by the bar's manager.
    explicit TxbBarControl(TxbBar* bar);
    ~TxbBarControl() override;
    TxbBar* GetBar() const { return FBar; }
    bool IsToolbar() const override { return true; }
    int32_t GetSeparatorSize() override;

    // ---- Size questions of the dock layout (lengths without the non-client frame)
    virtual int32_t GetMinWidth(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMinHeight(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMaxWidth(TxbBarDockingStyle style) = 0;
    virtual int32_t GetMaxHeight(TxbBarDockingStyle style) = 0;
    virtual win::TSize CalcSizeByWidth(TxbBarDockingStyle style, int32_t width) = 0;
    virtual win::TSize CalcSizeByHeight(TxbBarDockingStyle style, int32_t height) = 0;
    // The end mark is shown.
    bool HasMark() override = 0;
    // The items wrap into several rows (a docked multi-line bar).
    virtual bool AllowsMultipleRows();
    // Where the cursor sits within the window when the dragged bar takes style.
    virtual win::TPoint GetDragCursorOffset(TxbBarDockingStyle style) { return {0, 0}; }
    // Lays out the item links inside the window.
    virtual void ArrangeItemLinks() {}
    // The frame is computed again.
    virtual void FrameChanged();
    // Records the window's place in its bar.
    virtual void StorePosition();
    // The window is told it is about to be hidden (it leaves keyboard mode and its selection).
    virtual void HideNotification() {}

    // ---- Docking state
    TxbBarDockingStyle GetDockingStyle() const { return FDockingStyle; }
    virtual void SetDockingStyle(TxbBarDockingStyle value);
    TxbDockControl* GetDockControl() const { return FDockControl; }
    void SetDockControl(TxbDockControl* value) { FDockControl = value; }
    bool IsVertical() const { return FDockingStyle == dsLeft || FDockingStyle == dsRight; }
    // A programmatic docking change (restoring a layout, showing a bar) is in progress.
    bool IsDockingChanging() const { return FDockingChanging > 0; }
    void BeginDockingChange() { ++FDockingChanging; }
    void EndDockingChange() { --FDockingChanging; }
    // The bar is being dragged by the user.
    bool GetMoving() const { return FMoving; }
    void SetMoving(bool value) { FMoving = value; }
    // The dock layout gave a single-row bar less length than it needs.
    bool GetTruncated() const { return FTruncated; }
    void SetTruncated(bool value) { FTruncated = value; }
    // The dock row and col holding the window (0 when floating or not found).
    int32_t GetDockRowIndex() const;
    int32_t GetDockColIndex() const;

private:
    TxbBar* FBar;
    TxbBarDockingStyle FDockingStyle = dsNone;
    TxbDockControl* FDockControl = nullptr;
    int32_t FDockingChanging = 0;
    bool FMoving = false;
    bool FTruncated = false;
};

// Makes the window of a bar; null when none is installed (bars are then shown without windows).
using TxbBarControlFactory = std::function<TxbBarControl*(TxbBar* bar)>;
const TxbBarControlFactory& GetBarControlFactory();
void SetBarControlFactory(TxbBarControlFactory factory);

} // namespace bars
