// TTimer, and the simple controls: panels, bevels, shapes, images, paint boxes and scroll boxes.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/StdCtrls.h"

#include <memory>

namespace vcl {

class TTimer : public TComponent {
public:
    explicit TTimer(TComponent* owner);
    ~TTimer() override;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    uint32_t GetInterval() const { return FInterval; }
    void SetInterval(uint32_t value);
    // Setting the handler starts the timer when it is enabled; clearing it stops it.
    void SetOnTimer(TNotifyEvent value);
    const TNotifyEvent& GetOnTimer() const { return FOnTimer; }

    // For the window system's timer callback.
    void Timer();

private:
    void UpdateTimer();
    bool FEnabled = true;
    uint32_t FInterval = 1000;
    TNotifyEvent FOnTimer;
    uintptr_t FTimerId = 0;
};

class TPicture;

// ---- Panel ----

enum TBevelCut { bvNone, bvLowered, bvRaised, bvSpace };

class TCustomPanel : public TCustomControl {
public:
    explicit TCustomPanel(TComponent* owner);
    TBevelCut GetBevelOuter() const { return FBevelOuter; }
    void SetBevelOuter(TBevelCut value);
    TBevelCut GetBevelInner() const { return FBevelInner; }
    void SetBevelInner(TBevelCut value);
    int32_t GetBevelWidth() const { return FBevelWidth; }
    void SetBevelWidth(int32_t value);
    int32_t GetBorderWidth() const { return FBorderWidth; }
    void SetBorderWidth(int32_t value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    TAlignment GetAlignment() const { return FAlignment; }
    void SetAlignment(TAlignment value);
    bool GetFullRepaint() const { return FFullRepaint; }
    void SetFullRepaint(bool value) { FFullRepaint = value; }
    // A locked panel is an OLE container's frame; here it only keeps the flag.
    bool GetLocked() const { return FLocked; }
    void SetLocked(bool value) { FLocked = value; }
    void AdjustClientRect(TRect& rect) override;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void Paint() override;

    TBevelCut FBevelOuter = bvRaised;
    TBevelCut FBevelInner = bvNone;
    int32_t FBevelWidth = 1;
    int32_t FBorderWidth = 0;
    TBorderStyle FBorderStyle = bsNone;
    TAlignment FAlignment = taCenter;
    bool FFullRepaint = true;
    bool FLocked = false;
};

class TPanel : public TCustomPanel {
public:
    explicit TPanel(TComponent* owner) : TCustomPanel(owner) {}
};

// ---- Bevel ----

enum TBevelStyle { bsLowered, bsRaised };
enum TBevelShape { bsBox, bsFrame, bsTopLine, bsBottomLine, bsLeftLine, bsRightLine, bsSpacer };

class TBevel : public TGraphicControl {
public:
    explicit TBevel(TComponent* owner);
    TBevelShape GetShape() const { return FShape; }
    void SetShape(TBevelShape value);
    TBevelStyle GetStyle() const { return FStyle; }
    void SetStyle(TBevelStyle value);

protected:
    void Paint() override;

private:
    TBevelShape FShape = bsBox;
    TBevelStyle FStyle = bsLowered;
};

// ---- Shape ----

enum TShapeType { stRectangle, stSquare, stRoundRect, stRoundSquare, stEllipse, stCircle };

class TShape : public TGraphicControl {
public:
    explicit TShape(TComponent* owner);
    ~TShape() override;
    TShapeType GetShape() const { return FShape; }
    void SetShape(TShapeType value);
    TBrush* GetBrush() const { return FBrush.get(); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    TPen* GetPen() const { return FPen.get(); }
    void SetPen(TPen* value) { FPen->Assign(value); }

protected:
    void Paint() override;

private:
    TShapeType FShape = stRectangle;
    std::unique_ptr<TBrush> FBrush;
    std::unique_ptr<TPen> FPen;
};

// ---- Image ----

class TImage : public TGraphicControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;
    TPicture* GetPicture() const { return FPicture.get(); }
    void SetPicture(TPicture* value);
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);
    bool GetStretch() const { return FStretch; }
    void SetStretch(bool value);
    bool GetProportional() const { return FProportional; }
    void SetProportional(bool value);
    bool GetTransparent() const { return FTransparent; }
    void SetTransparent(bool value);
    bool GetAutoSize() const { return FAutoSize; }
    void SetAutoSize(bool value);
    // A canvas on the picture's bitmap (one is made when the picture holds nothing).
    TCanvas* GetCanvas();
    // Where the graphic is drawn in the control.
    TRect DestRect() const;

protected:
    void Paint() override;
    virtual void PictureChanged(TObject* sender);

private:
    std::unique_ptr<TPicture> FPicture;
    bool FCenter = false;
    bool FStretch = false;
    bool FProportional = false;
    bool FTransparent = false;
    bool FAutoSize = false;
    bool FDrawing = false;
};

// ---- Paint box ----

class TPaintBox : public TGraphicControl {
public:
    explicit TPaintBox(TComponent* owner);
    TNotifyEvent OnPaint;

protected:
    void Paint() override;
};

// ---- Scroll box ----

enum TScrollBarKind { sbHorizontal, sbVertical };
class TScrollBox;

// One of a scroll box's bars: the range it scrolls over and where it is.
class TControlScrollBar : public TPersistent {
public:
    TControlScrollBar(TScrollBox* owner, TScrollBarKind kind) : FOwner(owner), FKind(kind) {}
    TScrollBarKind GetKind() const { return FKind; }
    int32_t GetPosition() const { return FPosition; }
    void SetPosition(int32_t value);
    // The size of what is scrolled (0: the controls' extent plus the margin).
    int32_t GetRange() const { return FRange; }
    void SetRange(int32_t value);
    int32_t GetIncrement() const { return FIncrement; }
    void SetIncrement(int32_t value) { FIncrement = value < 1 ? 1 : value; }
    int32_t GetMargin() const { return FMargin; }
    void SetMargin(int32_t value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    bool IsScrollBarVisible() const;
    int32_t ScrollPos() const { return IsScrollBarVisible() ? FPosition : 0; }

private:
    friend class TScrollBox;
    TScrollBox* FOwner;
    TScrollBarKind FKind;
    int32_t FPosition = 0;
    int32_t FRange = 0;
    int32_t FCalcRange = 0;
    int32_t FIncrement = 8;
    int32_t FMargin = 0;
    bool FVisible = true;
};

class TScrollBox : public TWinControl {
public:
    explicit TScrollBox(TComponent* owner);
    ~TScrollBox() override;
    TControlScrollBar* GetHorzScrollBar() const { return FHorz.get(); }
    TControlScrollBar* GetVertScrollBar() const { return FVert.get(); }
    bool GetAutoScroll() const { return FAutoScroll; }
    void SetAutoScroll(bool value);
    TBorderStyle GetBorderStyle() const { return FBorderStyle; }
    void SetBorderStyle(TBorderStyle value);
    // Scrolls so that the control is in view.
    void ScrollInView(TControl* control);
    // Scrolls the children by (dx, dy) pixels.
    void ScrollBy(int32_t dx, int32_t dy);
    // Recomputes the ranges from the children and shows or hides the bars.
    void UpdateScrollBars();
    void AlignControls(TControl* control, TRect& rect) override;
    void Dispatch(TMessage& message) override;

protected:
    void CreateParams(TCreateParams& params) override;
    void CreateWnd() override;

private:
    friend class TControlScrollBar;
    void ScrollTo(TControlScrollBar* bar, int32_t position);
    void OnScroll(TControlScrollBar* bar, win::WORD code, int32_t thumb);
    std::unique_ptr<TControlScrollBar> FHorz;
    std::unique_ptr<TControlScrollBar> FVert;
    bool FAutoScroll = true;
    TBorderStyle FBorderStyle = bsSingle;
    bool FUpdating = false;
};

} // namespace vcl
