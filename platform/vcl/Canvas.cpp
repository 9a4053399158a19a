#include "platform/vcl/Canvas.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Graphic.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/gdi/Text.h"

namespace vcl {

namespace {

win::HGDIOBJ CanvasObj(void* handle) {
    return reinterpret_cast<win::HGDIOBJ>(handle);
}

} // namespace

TCanvas::TCanvas()
    : FFont(std::make_unique<TFont>()), FPen(std::make_unique<TPen>()), FBrush(std::make_unique<TBrush>()) {
    FFont->OnChange = [this](TObject* s) { FontChanged(s); };
    FPen->OnChange = [this](TObject* s) { PenChanged(s); };
    FBrush->OnChange = [this](TObject* s) { BrushChanged(s); };
}

TCanvas::~TCanvas() {
    DeselectHandles();
    FFont->OnChange = nullptr;
    FPen->OnChange = nullptr;
    FBrush->OnChange = nullptr;
}

win::HDC TCanvas::GetHandle() {
    RequiredState({csHandleValid});
    return FHandle;
}

void TCanvas::SetHandle(win::HDC value) {
    if (value == FHandle)
        return;
    DeselectHandles();
    FHandle = value;
    if (value)
        FState.Include(csHandleValid);
}

void TCanvas::CreateHandle() {}

void TCanvas::DeselectHandles() {
    if (FHandle) {
        if (FState.Contains(csFontValid) && FOldFont)
            win::SelectObject(FHandle, FOldFont);
        if (FState.Contains(csPenValid) && FOldPen)
            win::SelectObject(FHandle, FOldPen);
        if (FState.Contains(csBrushValid) && FOldBrush)
            win::SelectObject(FHandle, FOldBrush);
    }
    FOldFont = FOldPen = FOldBrush = nullptr;
    FHandle = nullptr;
    FState = {};
}

void TCanvas::RequiredState(TCanvasStates required) {
    TCanvasStates needed = required - FState;
    if (needed.Empty())
        return;
    if (needed.Contains(csHandleValid)) {
        CreateHandle();
        if (!FHandle)
            throw EInvalidOperation("Canvas does not allow drawing");
        FState.Include(csHandleValid);
    }
    if (needed.Contains(csFontValid))
        CreateFont();
    if (needed.Contains(csPenValid))
        CreatePen();
    if (needed.Contains(csBrushValid))
        CreateBrush();
}

void TCanvas::CreateFont() {
    win::HGDIOBJ old = win::SelectObject(FHandle, CanvasObj(FFont->GetHandle()));
    if (!FOldFont)
        FOldFont = old;
    win::SetTextColor(FHandle, win::COLORREF(ColorToRGB(FFont->GetColor())));
    FState.Include(csFontValid);
}

void TCanvas::CreatePen() {
    win::HGDIOBJ old = win::SelectObject(FHandle, CanvasObj(FPen->GetHandle()));
    if (!FOldPen)
        FOldPen = old;
    win::SetROP2(FHandle, PenModeToRop2(FPen->GetMode()));
    FState.Include(csPenValid);
}

void TCanvas::CreateBrush() {
    win::HGDIOBJ old = win::SelectObject(FHandle, CanvasObj(FBrush->GetHandle()));
    if (!FOldBrush)
        FOldBrush = old;
    // Hatches draw their gaps in the background colour: the inverse of the brush colour, transparently.
    if (FBrush->GetStyle() == bsSolid) {
        win::SetBkColor(FHandle, win::COLORREF(ColorToRGB(FBrush->GetColor())));
        win::SetBkMode(FHandle, win::OPAQUE);
    } else {
        win::SetBkColor(FHandle, ~win::COLORREF(ColorToRGB(FBrush->GetColor())) & 0xFFFFFF);
        win::SetBkMode(FHandle, win::TRANSPARENT);
    }
    FState.Include(csBrushValid);
}

void TCanvas::FontChanged(TObject*) {
    if (FState.Contains(csFontValid)) {
        FState.Exclude(csFontValid);
        if (FHandle && FOldFont)
            win::SelectObject(FHandle, FOldFont);
    }
}

void TCanvas::PenChanged(TObject*) {
    if (FState.Contains(csPenValid)) {
        FState.Exclude(csPenValid);
        if (FHandle && FOldPen)
            win::SelectObject(FHandle, FOldPen);
    }
}

void TCanvas::BrushChanged(TObject*) {
    if (FState.Contains(csBrushValid)) {
        FState.Exclude(csBrushValid);
        if (FHandle && FOldBrush)
            win::SelectObject(FHandle, FOldBrush);
    }
}

void TCanvas::Changing() {
    if (OnChanging)
        OnChanging(this);
}

void TCanvas::Changed() {
    if (OnChange)
        OnChange(this);
}

void TCanvas::Lock() {
    FLock.lock();
    ++FLockCount;
}

void TCanvas::Unlock() {
    --FLockCount;
    FLock.unlock();
}

bool TCanvas::TryLock() {
    if (!FLock.try_lock())
        return false;
    ++FLockCount;
    return true;
}

TColor TCanvas::GetPixel(int32_t x, int32_t y) {
    RequiredState({csHandleValid});
    win::COLORREF c = win::GetPixel(FHandle, x, y);
    return c == win::CLR_INVALID ? clNone : TColor(c);
}

void TCanvas::SetPixel(int32_t x, int32_t y, TColor color) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    win::SetPixel(FHandle, x, y, win::COLORREF(ColorToRGB(color)));
    Changed();
}

void TCanvas::BrushCopy(const TRect& dest, TBitmap* bitmap, const TRect& source, TColor color) {
    if (!bitmap || bitmap->GetEmpty() || source.IsEmpty())
        return;
    // Every pixel of `color` in the source area becomes the brush colour; the rest is copied as it is.
    TBitmap work;
    work.SetPixelFormat(pf32bit);
    work.SetSize(source.Width(), source.Height());
    work.GetCanvas()->CopyRect(Rect(0, 0, source.Width(), source.Height()), bitmap->GetCanvas(), source);
    uint32_t key = uint32_t(ColorToRGB(color)) & 0xFFFFFF;
    uint32_t keyBgr = (key & 0xFF) << 16 | (key & 0xFF00) | (key >> 16);
    uint32_t fill = uint32_t(ColorToRGB(FBrush->GetColor())) & 0xFFFFFF;
    uint32_t fillBgr = (fill & 0xFF) << 16 | (fill & 0xFF00) | (fill >> 16);
    for (int32_t y = 0; y < source.Height(); ++y) {
        auto* row = static_cast<uint32_t*>(work.ScanLine(y));
        for (int32_t x = 0; x < source.Width(); ++x)
            if ((row[x] & 0xFFFFFF) == keyBgr)
                row[x] = fillBgr;
    }
    TCopyMode mode = FCopyMode;
    FCopyMode = cmSrcCopy;
    CopyRect(dest, work.GetCanvas(), Rect(0, 0, source.Width(), source.Height()));
    FCopyMode = mode;
}

void TCanvas::CopyRect(const TRect& dest, TCanvas* canvas, const TRect& source) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    // Monochrome sources take the font colour for 0 bits and the brush colour for 1 bits.
    win::SetTextColor(FHandle, win::COLORREF(ColorToRGB(FFont->GetColor())));
    win::HDC src = canvas->GetHandle();
    win::StretchBlt(FHandle, dest.Left, dest.Top, dest.Width(), dest.Height(), src, source.Left, source.Top,
                    source.Width(), source.Height(), FCopyMode);
    Changed();
}

void TCanvas::Draw(int32_t x, int32_t y, TGraphic* graphic) {
    if (!graphic || graphic->GetEmpty())
        return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(this, Rect(x, y, x + graphic->GetWidth(), y + graphic->GetHeight()));
    Changed();
}

void TCanvas::StretchDraw(const TRect& rect, TGraphic* graphic) {
    if (!graphic || graphic->GetEmpty())
        return;
    Changing();
    RequiredState({csHandleValid});
    graphic->Draw(this, rect);
    Changed();
}

void TCanvas::FillRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    win::FillRect(FHandle, &rect, FBrush->GetHandle());
    Changed();
}

void TCanvas::FrameRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    win::FrameRect(FHandle, &rect, FBrush->GetHandle());
    Changed();
}

TSize TCanvas::TextExtent(const std::string& text) {
    RequiredState({csHandleValid, csFontValid});
    TSize size;
    win::GetTextExtentPoint32(FHandle, text.data(), int(text.size()), &size);
    return size;
}

void TCanvas::TextRect(const TRect& rect, int32_t x, int32_t y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    win::UINT options = win::ETO_CLIPPED;
    if (FBrush->GetStyle() != bsClear)
        options |= win::ETO_OPAQUE;
    win::ExtTextOut(FHandle, x, y, options, &rect, text.data(), win::UINT(text.size()), nullptr);
    Changed();
}
TPoint TCanvas::GetPenPos() {
    RequiredState({csHandleValid});
    TPoint p;
    win::GetCurrentPositionEx(FHandle, &p);
    return p;
}

void TCanvas::SetPenPos(TPoint value) {
    MoveTo(value.X, value.Y);
}

TRect TCanvas::GetClipRect() {
    RequiredState({csHandleValid});
    TRect r;
    win::GetClipBox(FHandle, &r);
    return r;
}

void TCanvas::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                  int32_t y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid});
    win::Arc(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                    int32_t y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Chord(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3, int32_t x4,
                  int32_t y4) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Pie(FHandle, x1, y1, x2, y2, x3, y3, x4, y4);
    Changed();
}

void TCanvas::DrawFocusRect(const TRect& rect) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    win::DrawFocusRect(FHandle, &rect);
    Changed();
}

void TCanvas::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Ellipse(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::FloodFill(int32_t x, int32_t y, TColor color, TFillStyle fillStyle) {
    Changing();
    RequiredState({csHandleValid, csBrushValid});
    win::ExtFloodFill(FHandle, x, y, win::COLORREF(ColorToRGB(color)),
                      fillStyle == fsSurface ? win::FLOODFILLSURFACE : win::FLOODFILLBORDER);
    Changed();
}

void TCanvas::LineTo(int32_t x, int32_t y) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::LineTo(FHandle, x, y);
    Changed();
}

void TCanvas::MoveTo(int32_t x, int32_t y) {
    RequiredState({csHandleValid});
    win::MoveToEx(FHandle, x, y, nullptr);
}

void TCanvas::Polygon(const TPoint* points, int32_t count) {
    if (count <= 0)
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Polygon(FHandle, points, count);
    Changed();
}

void TCanvas::Polyline(const TPoint* points, int32_t count) {
    if (count <= 0)
        return;
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Polyline(FHandle, points, count);
    Changed();
}

void TCanvas::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::Rectangle(FHandle, x1, y1, x2, y2);
    Changed();
}

void TCanvas::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t x3, int32_t y3) {
    Changing();
    RequiredState({csHandleValid, csPenValid, csBrushValid});
    win::RoundRect(FHandle, x1, y1, x2, y2, x3, y3);
    Changed();
}

void TCanvas::TextOut(int32_t x, int32_t y, const std::string& text) {
    Changing();
    RequiredState({csHandleValid, csFontValid, csBrushValid});
    win::ExtTextOut(FHandle, x, y, 0, nullptr, text.data(), win::UINT(text.size()), nullptr);
    MoveTo(x + TextWidth(text), y);
    Changed();
}

} // namespace vcl
