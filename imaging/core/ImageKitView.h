// TImageKitView: the single-image view. It owns an image of one or more layers (TIKBitmap each), shows it
// zoomed and scrolled in its client area over one of eleven background styles, and paints through a
// client-sized back buffer that is composed again only when something changed. The I/O component attaches to
// it (GetIO makes one on first use) and works on its current layer.
//
// The model (layers, zoom, scrolling, Update, messages) is in ImageKitView.cpp and ImageKitViewZoom.cpp,
// painting in ImageKitViewPaint.cpp, selections and their outline in ImageKitViewSelect.cpp, the property
// tables in ImageKitViewTables.cpp.
#pragma once

#include "imaging/core/IKDefs.h"
#include "imaging/core/IKView.h"
#include "imaging/io/IOParams.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

namespace vcl {
class TBitmap;
class TCanvas;
class TMemoryStream;
class TStream;
class TTimer;
} // namespace vcl
namespace win {
struct TRect;
}

namespace imaging {

class TIKBitmap;
class TIKMask;
class TImageKitIO;
class TImageKitProc;
struct TIKDrawDibContext;

enum TIKBackgroundStyle : uint8_t {
    ikbsSolid,
    ikbsHorizontal,
    ikbsVertical,
    ikbsFDiagonal,
    ikbsBDiagonal,
    ikbsCross,
    ikbsDiagCross,
    ikbsChessboard,
    ikbsDiagonals,
    ikbsCropped,
    ikbsCropShadow
};

// The mouse tools a view offers (their behaviour comes with the selection tools).
enum TIKMouseInteractItem : uint8_t {
    miZoom,
    miScroll,
    miSelect,
    miSelectPolygon,
    miSelectCircle,
    miSelectZoom,
    miSelectMagicWand,
    miSelectLasso
};
using TIKMouseInteract = vcl::TSet<TIKMouseInteractItem>;

// What a selection does: moving dashes, grips, being dragged, shown filled (inverted), leaving the image
// when moved (cut at the border), dimming what lies outside, scrolling the view while it is dragged.
enum TIKSelectionOption : uint8_t {
    iksoAnimated,
    iksoSizeable,
    iksoMoveable,
    iksoFilled,
    iksoCutBorders,
    iksoMarkOuter,
    iksoCanScroll
};
using TIKSelectionOptions = vcl::TSet<TIKSelectionOption>;
// The coordinates the selection operations take: client pixels or bitmap pixels.
enum TIKSelectionBase : uint8_t { iksbClientArea, iksbBitmap };

// One selection as the user drew it: polygons of bitmap points, separated by IKSelectionSeparator.
struct TIKSelectionRecord {
    std::vector<win::TPoint> Points;
    int32_t Color1 = 0;        // dash colours of the outline
    int32_t Color2 = 0xFFFFFF;
    bool Animated = false;
    int32_t Phase = 0;         // 0..9, advanced by the outline timer
    int32_t DashCounter = 0;
    vcl::TCanvas* Canvas = nullptr;
    // The points' bounding box (right and bottom exclusive for rectangles).
    int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Visible = false;
    bool Sizeable = false;
};
constexpr int32_t IKSelectionSeparator = 1048575;

// Change 0: the view scrolled; 1: the zoom changed.
enum : int32_t { ikvcScrolled = 0, ikvcZoomed = 1 };
using TViewChangeEvent = std::function<void(vcl::TObject* Sender, int32_t Change)>;
using TIKMouseInResizingGripEvent = std::function<void(vcl::TObject* Sender, int32_t Grip)>;
using TIKZoomEvent = std::function<void(vcl::TObject* Sender, double& NewZoom)>;

// One layer of a view's image.
class TIKLayer : public vcl::TObject {
public:
    // useGiven: the layer takes bitmap; otherwise it gets an empty bitmap of bitmap's size, format and
    // storage kind (a bitmap kept in a class-library bitmap: a new one of the same format and size).
    TIKLayer(TIKBitmap* bitmap, bool useGiven);
    ~TIKLayer() override;

    bool OwnsBitmap = true;
    TIKBitmap* Bitmap = nullptr;
    bool Visible = true;
    int32_t Transparency = 255; // 0..255, 255 opaque

    // A new class-library bitmap owned by the layer (the one it had goes), for its bitmap to keep its pixels
    // in.
    vcl::TBitmap* MakeWrapped();

private:
    // The class-library bitmap a layer made for a bitmap kept in one.
    std::unique_ptr<vcl::TBitmap> FWrapped;
};

class TImageKitView : public TIKView {
public:
    explicit TImageKitView(vcl::TComponent* owner);
    ~TImageKitView() override;

    // ---- The image ----
    // The legacy bitmap: the class-library bitmap that keeps the current layer's pixels in legacy mode (nil
    // otherwise). Drawing on it directly is picked up at the next Update.
    vcl::TBitmap* GetBitmap() override { return FLegacy; }
    TIKBitmap* GetIKBitmap() override { return FCurrent; }
    TIKBitmap* GetAlphaChannel() override;
    bool HasAlphaChannel() override;
    // With merge and a 24-bit image with an alpha channel, the pixels are blended over Background; the alpha
    // channel is removed in every case.
    void MergeAlphaWithBackground(bool merge) override;
    // Fills the current bitmap with Background, drops its alpha channel, Update.
    void Clear();
    // nil: Clear. Another view: its current bitmap, background and resolution. A class-library bitmap: its
    // pixels, as 24 bits unless they are 1 or 24 bits. Others: nothing.
    void Assign(vcl::TPersistent* source) override;
    void ImageChanged() override;
    // True when the current bitmap is at most 1 x 1.
    bool IsEmpty();
    bool GetLegacyBitmap() const { return FLegacyMode; }
    void SetLegacyBitmap(bool value);
    int32_t LayerCount() const { return int32_t(FLayers.size()); }
    // vcl::EListError for an index outside the list.
    TIKLayer* Layers(int32_t index) const;
    int32_t GetCurrentLayer() const { return FCurrentLayer; }
    void SetCurrentLayer(int32_t index);
    // The largest width and height over the layers.
    int32_t ImageWidth() const { return FImageWidth; }
    int32_t ImageHeight() const { return FImageHeight; }
    // The view's I/O and processing components, each made and attached on first use.
    TImageKitIO* GetIO();
    TImageKitProc* GetProc();

    void SetBackground(int32_t value) override;
    void SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) override;

    // ---- Painting locks and Update ----
    void LockPaint() override;
    void UnlockPaint() override;
    void UnlockPaintNoUpdate() override;
    int32_t PaintLockCount() const { return FPaintLock; }
    // Synchronises the layers, applies the automatic zoom, clamps the origin, sets the scroll bars and the
    // image's place in the client area, and marks the back buffer dirty.
    void Update() override;

    // ---- Zoom and scrolling ----
    double GetZoom() const { return FZoom; }
    void SetZoom(double value);
    int32_t GetViewX() const { return FViewX; }
    int32_t GetViewY() const { return FViewY; }
    void SetViewX(int32_t value);
    void SetViewY(int32_t value);
    void SetViewOrigin(int32_t x, int32_t y);
    // Zooms keeping the bitmap pixel under the client point (x, y), which it brings to the centre.
    void ZoomAt(int32_t x, int32_t y, double zoom);
    void ZoomToFit();
    double GetFitZoom();
    void GetMaxViewXY(int32_t& maxX, int32_t& maxY);
    bool IsScrollable();
    // Client pixels to bitmap pixels and back.
    int32_t XScr2Bmp(int32_t x);
    int32_t YScr2Bmp(int32_t y);
    int32_t XBmp2Scr(int32_t x);
    int32_t YBmp2Scr(int32_t y);
    // Where the image shows in the client area, and how large.
    int32_t GetOffsetX() const { return FOffsetX; }
    int32_t GetOffsetY() const { return FOffsetY; }
    int32_t GetExtentX() const { return FExtentX; }
    int32_t GetExtentY() const { return FExtentY; }
    int32_t GetZoomedWidth() const { return FZoomedWidth; }
    int32_t GetZoomedHeight() const { return FZoomedHeight; }
    double GetHorizontalThumbFactor() const { return FHThumbFactor; }
    double GetVerticalThumbFactor() const { return FVThumbFactor; }

    // ---- Painting ----
    // Composes the view into a client-sized 24-bit bitmap (rows: its scan lines, top first; clip: nil for
    // all of it).
    void RenderTo(vcl::TBitmap* bitmap, uint8_t* const* rows, const win::TRect* clip);
    void BuildZoomTables();
    // The zoom tables of the last render: screen column (row) to bitmap column (row) and back.
    const std::vector<int32_t>& ScreenToBitmapX() const { return FScr2BmpX; }
    const std::vector<int32_t>& ScreenToBitmapY() const { return FScr2BmpY; }
    const std::vector<int32_t>& BitmapToScreenX() const { return FBmp2ScrX; }
    const std::vector<int32_t>& BitmapToScreenY() const { return FBmp2ScrY; }
    bool GetDisplayGrid() const { return FDisplayGrid; }
    void SetDisplayGrid(bool value);
    int32_t GetChessboardSize() const { return FChessSize; }
    void SetChessboardSize(int32_t value);
    vcl::TBrushStyle GetChessboardBrushStyle() const { return FChessBrushStyle; }
    void SetChessboardBrushStyle(vcl::TBrushStyle value);
    vcl::TBitmap* GetBackBuffer() const { return FBackBuffer.get(); }

    // ---- Published properties ----
    bool GetDoubleBuffer() const { return FDoubleBuffer; }
    void SetDoubleBuffer(bool value) { FDoubleBuffer = value; }
    TResampleFilter GetZoomFilter() const { return FZoomFilter; }
    void SetZoomFilter(TResampleFilter value);
    vcl::TScrollStyle GetScrollBars() const { return FScrollBars; }
    virtual void SetScrollBars(vcl::TScrollStyle value);
    bool GetCenter() const { return FCenter; }
    void SetCenter(bool value);
    TIKMouseInteract GetMouseInteract() const { return FMouseInteract; }
    virtual void SetMouseInteract(TIKMouseInteract value);
    bool GetAutoFit() const { return FAutoFit; }
    void SetAutoFit(bool value) { FAutoFit = value; }
    bool GetAutoStretch() const { return FAutoStretch; }
    void SetAutoStretch(bool value) { FAutoStretch = value; }
    bool GetAutoShrink() const { return FAutoShrink; }
    void SetAutoShrink(bool value) { FAutoShrink = value; }
    TIKBackgroundStyle GetBackgroundStyle() const { return FBackgroundStyle; }
    void SetBackgroundStyle(TIKBackgroundStyle value);
    bool GetDelayZoomFilter() const { return FDelayZoomFilter; }
    void SetDelayZoomFilter(bool value) { FDelayZoomFilter = value; }
    bool GetEnableAlphaChannel() const { return FEnableAlphaChannel; }
    void SetEnableAlphaChannel(bool value);
    virtual void SetOnProgress(TIKProgressEvent value);
    virtual TIKProgressEvent GetOnProgress() const { return FOnProgress; }
    // The view's own cursor, also the control's cursor now.
    vcl::TCursor GetCursor() const { return FViewCursor; }
    void SetCursor(vcl::TCursor value);
    bool GetKeepDisabledBars() const { return FKeepDisabledBars; }
    void SetKeepDisabledBars(bool value) { FKeepDisabledBars = value; }
    // While set, Update does not invalidate the window.
    bool GetSuppressInvalidate() const { return FSuppressInvalidate; }
    void SetSuppressInvalidate(bool value) { FSuppressInvalidate = value; }
    TIKScrollBarParams* GetHScrollParams() const { return FHScrollParams.get(); }
    TIKScrollBarParams* GetVScrollParams() const { return FVScrollParams.get(); }
    TIKMouseWheelParams* GetWheelParams() const { return FWheelParams.get(); }

    // ---- Selections (ImageKitViewSelect.cpp) ----
    // A rectangle; op 0 replaces the selection, 1 adds a further polygon. Equal X or equal Y does nothing.
    virtual void SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t op);
    // Appends a point to the polygon being drawn.
    virtual void AddSelectionPoint(int32_t x, int32_t y);
    // Fills every polygon into the mask; a mask left empty ends the selection.
    virtual void EndSelect();
    void Deselect();
    bool GetSelected() const { return FSelected; }
    // The selection's bounds in bitmap pixels (inclusive); without a selection X1 and Y1 are the largest
    // integer and X2 and Y2 are 0.
    int32_t SelX1();
    int32_t SelY1();
    int32_t SelX2();
    int32_t SelY2();
    // Zooms and scrolls so that the selection fills the view.
    void ZoomSelection();
    // The saved-selection stack: push, and pop into the view (false when empty or unusable).
    void SaveSelection();
    bool RestoreSelection();
    void SaveSelectionToStream(vcl::TStream* stream);
    // False, with the selection unchanged, for a selection of an image of another size and for anything the
    // stream does not hold whole and sound.
    bool LoadSelectionFromStream(vcl::TStream* stream);
    int32_t GetSelColor1() const { return FSelColor1; }
    int32_t GetSelColor2() const { return FSelColor2; }
    void SetSelColor1(int32_t value);
    void SetSelColor2(int32_t value);
    const win::TPoint* PolySelPoints() const;
    int32_t PolySelCount() const;
    TIKSelectionOptions GetSelectionOptions() const { return FSelectionOptions; }
    void SetSelectionOptions(TIKSelectionOptions value);
    TIKSelectionBase GetSelectionBase() const { return FSelectionBase; }
    void SetSelectionBase(TIKSelectionBase value) { FSelectionBase = value; }
    // The selection as a one-bit mask of the image's size.
    TIKMask* GetSelectionMask() const { return FSelMask.get(); }
    const TIKSelectionRecord& GetSelectionRecord() const { return *FSelRecords.front(); }
    // Behave as if Alt were held: rectangles become squares.
    bool GetConstrainAlways() const { return FConstrainAlways; }
    void SetConstrainAlways(bool value) { FConstrainAlways = value; }
    bool GetExtendedGrips() const { return FExtendedGrips; }
    void SetExtendedGrips(bool value) { FExtendedGrips = value; }
    int32_t GetGripSize() const { return FGripSize; }
    void SetGripSize(int32_t value) { FGripSize = value; }
    int32_t GetGripPenColor() const { return FGripPenColor; }
    void SetGripPenColor(int32_t value) { FGripPenColor = value; }
    int32_t GetGripBrushColor() const { return FGripBrushColor; }
    void SetGripBrushColor(int32_t value) { FGripBrushColor = value; }
    vcl::TBrushStyle GetGripBrushStyle() const { return FGripBrushStyle; }
    void SetGripBrushStyle(vcl::TBrushStyle value) { FGripBrushStyle = value; }
    bool GetMagicWandMaxFilter() const { return FMagicWandMaxFilter; }
    void SetMagicWandMaxFilter(bool value) { FMagicWandMaxFilter = value; }
    int32_t GetMagicWandTolerance() const { return FMagicWandTolerance; }
    void SetMagicWandTolerance(int32_t value) { FMagicWandTolerance = value; }
    uint8_t GetMagicWandMode() const { return FMagicWandMode; }
    void SetMagicWandMode(uint8_t value) { FMagicWandMode = value; }
    // The phase of the mask outline's dashes, advanced by the outline timer.
    int32_t GetAntsCounter() const { return FAntsCounter; }
    // While set, the mask outline is hidden for two timer periods after a scroll or zoom.
    bool GetOutlinePause() const { return FOutlinePauseFlag; }
    void SetOutlinePause(bool value) { FOutlinePauseFlag = value; }
    int32_t GetDelayedFilterCountdown() const { return FDelayedFilterCountdown; }
    int32_t GetOutlinePauseCountdown() const { return FOutlinePause; }
    vcl::TTimer* GetOutlineTimer() const { return FOutlineTimer.get(); }
    // Draws the selection outline and grips over the window now.
    void DrawSelection();

    vcl::TNotifyEvent OnSelectionChanging;
    vcl::TNotifyEvent OnSelectionChange;
    vcl::TNotifyEvent OnBeforeSelectionChange;
    vcl::TNotifyEvent OnMouseInSel;

    TViewChangeEvent OnViewChange;
    vcl::TNotifyEvent OnImageChange;
    vcl::TNotifyEvent OnPaint;
    TIKMouseInResizingGripEvent OnMouseInResizingGrip;
    TIKZoomEvent OnZoomIn;
    TIKZoomEvent OnZoomOut;

    // ---- Message handling ----
    void WndProc(vcl::TMessage& message) override;
    virtual void ViewChanged(int32_t change);
    virtual int32_t ClientWidthOrDefault();
    virtual int32_t ClientHeightOrDefault();
    // On a form, or with a parent window.
    virtual bool HasParentWindow();

protected:
    void Paint() override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void KeyUp(uint16_t& key, vcl::TShiftState shift) override;

private:
    // The tests build views of several layers, which no operation of the view makes.
    friend class TImageKitViewTestAccess;
    // Layers (ImageKitView.cpp).
    void SyncLayers();
    void RewrapLegacy();
    // The automatic zoom for an available size (ImageKitViewZoom.cpp).
    double AutoZoom(int32_t availWidth, int32_t availHeight, bool shrink, bool stretch);
    void BackgroundInset(int32_t& ix, int32_t& iy) const;
    void UpdateScrollBars();
    void UpdateScrollBar(int bar, int32_t maxOrigin, int32_t clientSize, int32_t origin, double& factor,
                         bool& shown);
    void SetThumb(int bar, int32_t origin, double factor);
    void PauseFilterAndOutline();
    void OriginMoved(bool horizontal, bool vertical);
    void ScrollMessage(vcl::TMessage& message, bool horizontal);
    void MouseWheelMessage(vcl::TMessage& message);
    void SetZoomValue(double value);
    // Painting (ImageKitViewPaint.cpp).
    void PaintRegion(const win::TRect& rect);
    void ComputeVisibleRegion();
    void PaintBackground(vcl::TBitmap* bitmap, const win::TRect* clip, bool partial);
    void ResizeBackBuffer(int32_t width, int32_t height);
    void PaintSelectionFill(vcl::TBitmap* bitmap);
    bool IsRuntime() const;
    // Selections (ImageKitViewSelect.cpp).
    void CreateSelectionMachinery();
    void SelectRectCore(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t op, bool constrain);
    void SelAddPoint(TIKSelectionRecord& rec, int32_t x, int32_t y);
    void SelAddSeparator(TIKSelectionRecord& rec);
    void SelClear(TIKSelectionRecord& rec);
    void SelDropLastPolygon(TIKSelectionRecord& rec);
    void SelDropLastPoint(TIKSelectionRecord& rec);
    static bool SelIsRectangle(const TIKSelectionRecord& rec);
    void ShowRecord(TIKSelectionRecord& rec, bool draw);
    void PaintUnlessLocked();
    bool DrawingSelection() const;
    // The outline of every visible record; tick: a timer tick; afterPaint: right after a paint.
    void DrawOutline(bool tick, bool afterPaint);
    void DrawGrips(TIKSelectionRecord& rec, vcl::TCanvas* canvas);
    void DrawDashedPoints(TIKSelectionRecord& rec, vcl::TCanvas* canvas);
    void DashedLine(TIKSelectionRecord& rec, vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2,
                    int32_t y2);
    void OutlineTimerTick(vcl::TObject* sender);
    void UpdateOutlineTimer();
    // Drops the selection when the image changed size, and sizes the mask to the image.
    void SyncSelectionMask();
    bool IsDesigning() const;

    bool FLegacyMode = true;
    int16_t FSavedCursor = 0;
    vcl::TCursor FViewCursor = crIKCross3;
    bool FCenter = true;
    TResampleFilter FZoomFilter = rfNone;
    TResampleFilter FSavedZoomFilter = rfNone;
    bool FDelayZoomFilter = false;
    TIKBackgroundStyle FBackgroundStyle = ikbsSolid;
    double FHThumbFactor = 1.0;
    double FVThumbFactor = 1.0;
    bool FDisplayGrid = false;
    bool FVertBarShown = false;
    bool FHorzBarShown = false;
    TIKProgressEvent FOnProgress;
    bool FFullRepaint = true;
    bool FSuppressInvalidate = false;
    // The visible source rectangle and its size on screen.
    int32_t FSrcX = 0, FSrcY = 0, FSrcWidth = 0, FSrcHeight = 0;
    int32_t FDestWidth = 0, FDestHeight = 0;
    int32_t FSyncWidth = 0, FSyncHeight = 0;
    int32_t FDelayedFilterCountdown = 0;
    int32_t FOutlinePause = 0;
    bool FBackBufferDirty = true;
    std::unique_ptr<vcl::TBitmap> FBackBuffer;
    std::vector<uint8_t*> FBackRows;
    int32_t FViewX = 0, FViewY = 0;
    double FZoom = 100.0, FScale = 1.0, FInvScale = 1.0;
    TIKDrawDibContext* FDrawDib = nullptr;
    vcl::TScrollStyle FScrollBars = vcl::ssBoth;
    int32_t FPaintLock = 0;
    int32_t FOffsetX = 0, FOffsetY = 0;
    int32_t FExtentX = 0, FExtentY = 0;
    int32_t FZoomedWidth = 0, FZoomedHeight = 0;
    // Layer 0's class-library bitmap, and the legacy bitmap shown now (nil when LegacyBitmap is off).
    std::unique_ptr<vcl::TBitmap> FLegacyBitmap;
    vcl::TBitmap* FLegacy = nullptr;
    bool FDoubleBuffer = true;
    bool FAutoFit = false;
    bool FInvalidateOnUpdate = true;
    double FHalfPixel = 0.5;
    bool FAutoStretch = false;
    bool FAutoShrink = false;
    int32_t FChessSize = 16;
    vcl::TBrushStyle FChessBrushStyle = vcl::bsSolid;
    TIKMouseInteract FMouseInteract;
    bool FKeepDisabledBars = false;
    std::unique_ptr<TIKScrollBarParams> FVScrollParams;
    std::unique_ptr<TIKScrollBarParams> FHScrollParams;
    std::unique_ptr<TIKMouseWheelParams> FWheelParams;
    bool FEnableAlphaChannel = false;
    TIKBitmap* FCurrent = nullptr;
    TImageKitIO* FIO = nullptr;
    TImageKitProc* FProc = nullptr;
    std::vector<std::unique_ptr<TIKLayer>> FLayers;
    int32_t FCurrentLayer = 0;
    int32_t FImageWidth = 0, FImageHeight = 0;
    std::vector<int32_t> FScr2BmpX, FScr2BmpY, FBmp2ScrX, FBmp2ScrY;
    bool FUpdating = false;

    // Selection state.
    bool FMagicWandMaxFilter = false;
    int32_t FMagicWandTolerance = 15;
    uint8_t FMagicWandMode = 0; // 0 outline polygon, 1 connected region, 2 every similar pixel
    int32_t FAntsCounter = 0;
    bool FOutlinePauseFlag = true;
    bool FRectMove = false;
    int32_t FDownViewX = 0, FDownViewY = 0;
    bool FSelected = false;
    bool FPolyDrawing = false, FLassoMode = false, FRectDrawing = false, FCircleDrawing = false;
    int32_t FGrip = -1;
    int32_t FMoveMarker = -1;
    win::TPoint FLastPos{}, FDownPos{}, FPrevPos{};
    TIKSelectionBase FSelectionBase = iksbClientArea;
    TIKSelectionOptions FSelectionOptions{iksoAnimated, iksoSizeable, iksoMoveable, iksoCanScroll};
    int32_t FDownPointCount = 0;
    std::unique_ptr<TIKMask> FSelMask;
    int32_t FSelColor1 = 0;
    int32_t FSelColor2 = 0xFFFFFF;
    int32_t FGripPenColor = 0;
    int32_t FGripBrushColor = 0xFFFFFF;
    vcl::TBrushStyle FGripBrushStyle = vcl::bsSolid;
    int32_t FGripSize = 5;
    bool FExtendedGrips = true;
    bool FConstrainAlways = false;
    bool FInAutoScroll = false;
    std::vector<std::unique_ptr<vcl::TMemoryStream>> FSavedSelections;
    // The selection records; the first is the main one.
    std::vector<std::unique_ptr<TIKSelectionRecord>> FSelRecords;
    std::unique_ptr<vcl::TTimer> FOutlineTimer;
    win::TRect FGripDragRect{};
};

// Registers the imaging library's components and their property tables with the class library, once, so
// that layouts can hold them.
void RegisterImagingClasses();

} // namespace imaging
