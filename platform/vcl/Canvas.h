// TCanvas: drawing on a device context with a pen, a brush and a font. Derived canvases (a bitmap's, a
// control's) create their device context on demand through the virtual CreateHandle.
#pragma once

#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Scope.h"

#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace vcl {

class TGraphic;
class TBitmap;

// Copy modes are raster operations.
using TCopyMode = uint32_t;
constexpr TCopyMode cmBlackness = 0x00000042;
constexpr TCopyMode cmDstInvert = 0x00550009;
constexpr TCopyMode cmMergeCopy = 0x00C000CA;
constexpr TCopyMode cmMergePaint = 0x00BB0226;
constexpr TCopyMode cmNotSrcCopy = 0x00330008;
constexpr TCopyMode cmNotSrcErase = 0x001100A6;
constexpr TCopyMode cmPatCopy = 0x00F00021;
constexpr TCopyMode cmPatInvert = 0x005A0049;
constexpr TCopyMode cmPatPaint = 0x00FB0A09;
constexpr TCopyMode cmSrcAnd = 0x008800C6;
constexpr TCopyMode cmSrcCopy = 0x00CC0020;
constexpr TCopyMode cmSrcErase = 0x00440328;
constexpr TCopyMode cmSrcInvert = 0x00660046;
constexpr TCopyMode cmSrcPaint = 0x00EE0086;
constexpr TCopyMode cmWhiteness = 0x00FF0062;

enum TFillStyle { fsSurface, fsBorder };
enum TCanvasState { csHandleValid, csFontValid, csPenValid, csBrushValid };
using TCanvasStates = TSet<TCanvasState>;

// Text output options of TextRect.
enum TTextFormats { tfClipped };

class TCanvas : public TPersistent {
public:
    TCanvas();
    ~TCanvas() override;

    // The device context; derived canvases create it on first use.
    win::HDC GetHandle();
    void SetHandle(win::HDC value);
    bool HandleAllocated() const { return FHandle != nullptr; }

    TFont* GetFont() const { return FFont.get(); }
    void SetFont(TFont* value) { FFont->Assign(value); }
    TPen* GetPen() const { return FPen.get(); }
    void SetPen(TPen* value) { FPen->Assign(value); }
    TBrush* GetBrush() const { return FBrush.get(); }
    void SetBrush(TBrush* value) { FBrush->Assign(value); }
    TPoint GetPenPos();
    void SetPenPos(TPoint value);
    TCopyMode GetCopyMode() const { return FCopyMode; }
    void SetCopyMode(TCopyMode value) { FCopyMode = value; }
    // The clip box of the device context in logical coordinates.
    TRect GetClipRect();

    // Pixels[x][y].
    TColor GetPixel(int32_t x, int32_t y);
    void SetPixel(int32_t x, int32_t y, TColor color);

    // Painter threads lock the canvas while they draw; the lock is recursive.
    void Lock();
    void Unlock();
    bool TryLock();
    int32_t GetLockCount() const { return FLockCount; }

    TNotifyEvent OnChange;
    TNotifyEvent OnChanging;

    void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4);
    void BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color);
    void Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
               int32_t y4);
    void CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source);
    void Draw(int32_t x, int32_t y, TGraphic* graphic);
    void DrawFocusRect(const TRect& rect);
    void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Ellipse(const TRect& rect) { Ellipse(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void FillRect(const TRect& rect);
    void FloodFill(int32_t x, int32_t y, TColor color, TFillStyle fillStyle);
    void FrameRect(const TRect& rect);
    void LineTo(int32_t x, int32_t y);
    void MoveTo(int32_t x, int32_t y);
    void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4, int32_t y4);
    void Polygon(const TPoint* points, int32_t count);
    void Polygon(const std::vector<TPoint>& points) { Polygon(points.data(), int32_t(points.size())); }
    void Polyline(const TPoint* points, int32_t count);
    void Polyline(const std::vector<TPoint>& points) { Polyline(points.data(), int32_t(points.size())); }
    void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
    void Rectangle(const TRect& rect) { Rectangle(rect.Left, rect.Top, rect.Right, rect.Bottom); }
    void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3);
    void StretchDraw(const TRect& rect, TGraphic* graphic);
    TSize TextExtent(const std::string& text);
    int32_t TextHeight(const std::string& text) { return TextExtent(text).cy; }
    void TextOut(int32_t x, int32_t y, const std::string& text);
    void TextRect(const TRect& rect, int32_t x, int32_t y, const std::string& text);
    int32_t TextWidth(const std::string& text) { return TextExtent(text).cx; }

    // Change notification around drawing: OnChanging before, OnChange after.
    virtual void Changing();
    virtual void Changed();

protected:
    // Makes the device context (derived canvases); the base canvas raises "Canvas does not allow drawing".
    virtual void CreateHandle();
    // Makes sure the listed parts are selected into the device context.
    void RequiredState(TCanvasStates required);
    // Deselects the tools and forgets the device context (derived canvases call it before freeing it).
    void DeselectHandles();

private:
    void FontChanged(TObject*);
    void PenChanged(TObject*);
    void BrushChanged(TObject*);
    void CreateFont();
    void CreatePen();
    void CreateBrush();

    win::HDC FHandle = nullptr;
    TCanvasStates FState;
    std::unique_ptr<TFont> FFont;
    std::unique_ptr<TPen> FPen;
    std::unique_ptr<TBrush> FBrush;
    TCopyMode FCopyMode = cmSrcCopy;
    // Objects the device context held before the canvas selected its own.
    win::HGDIOBJ FOldFont = nullptr;
    win::HGDIOBJ FOldPen = nullptr;
    win::HGDIOBJ FOldBrush = nullptr;
    std::recursive_mutex FLock;
    int32_t FLockCount = 0;
};

// Lends a device context to a canvas for one scope: locks the canvas and gives it the DC; leaving the scope,
// also by an exception, takes the DC back and unlocks.
class TCanvasDCScope {
public:
    TCanvasDCScope(TCanvas* canvas, win::HDC dc) : FCanvas(canvas) {
        canvas->Lock();
        ScopeExit unlocked([canvas]() noexcept { canvas->Unlock(); });
        canvas->SetHandle(dc);
        unlocked.Dismiss();
    }
    ~TCanvasDCScope() {
        FCanvas->SetHandle(nullptr);
        FCanvas->Unlock();
    }
    TCanvasDCScope(const TCanvasDCScope&) = delete;
    TCanvasDCScope& operator=(const TCanvasDCScope&) = delete;

private:
    TCanvas* FCanvas;
};

} // namespace vcl
