// The single-image view's selections: the records of points the user drew, the mask processing works with,
// rectangle and point selection, bounds, zooming to the selection, the saved-selection stack and the stream
// form of a selection, the mouse-tool rules, and the outline drawn over the window (grips, dashed polygons,
// the mask's marching ants) with its 210 ms timer.
#include "imaging/core/ImageKitView.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMask.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace imaging {

namespace {

constexpr uint32_t SelTimerInterval = 210;

void SelWriteInt(vcl::TStream* stream, int32_t value) {
    const auto v = uint32_t(value);
    const uint8_t bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    stream->WriteBuffer(bytes, 4);
}

void SelWriteBool(vcl::TStream* stream, bool value) {
    const uint8_t b = value ? 1 : 0;
    stream->WriteBuffer(&b, 1);
}

// Reads exactly count bytes; false when the stream holds fewer.
bool SelReadExact(vcl::TStream* stream, void* buffer, int64_t count) {
    auto* p = static_cast<uint8_t*>(buffer);
    while (count > 0) {
        const int32_t chunk = int32_t(std::min<int64_t>(count, 1 << 20));
        const int32_t got = stream->Read(p, chunk);
        if (got != chunk)
            return false;
        p += chunk;
        count -= chunk;
    }
    return true;
}

bool SelReadInt(vcl::TStream* stream, int32_t& value) {
    uint8_t b[4];
    if (!SelReadExact(stream, b, 4))
        return false;
    value = int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    return true;
}

bool SelReadBool(vcl::TStream* stream, bool& value) {
    uint8_t b = 0;
    if (!SelReadExact(stream, &b, 1))
        return false;
    value = b != 0;
    return true;
}

// What is left of a stream after its position (the largest value when the stream cannot tell).
int64_t SelRemaining(vcl::TStream* stream) {
    try {
        const int64_t size = stream->GetSize(), pos = stream->GetPosition();
        return size >= pos ? size - pos : 0;
    } catch (...) {
        return INT64_MAX;
    }
}

// Steps the dash counter on by k pixels: 0..7, back to 0 after 7 (a phase of 8 or 9 runs out first).
void SelDashAdvance(int32_t& counter, int64_t k) {
    if (k <= 0)
        return;
    if (counter > 7) {
        counter = 0;
        --k;
    }
    counter = int32_t((counter + k) % 8);
}

int32_t SelTrunc(double x) {
    if (!std::isfinite(x))
        return 0;
    return int32_t(std::clamp(std::trunc(x), double(INT32_MIN), double(INT32_MAX)));
}

} // namespace

// ---- Construction -----------------------------------------------------------------------------------------

void TImageKitView::CreateSelectionMachinery() {
    FSelMask = std::make_unique<TIKMask>();
    FSelMask->Allocate(FCurrent->Width(), FCurrent->Height(), 1);
    auto main = std::make_unique<TIKSelectionRecord>();
    main->Color1 = FSelColor1;
    main->Color2 = FSelColor2;
    main->Animated = FSelectionOptions.Contains(iksoAnimated);
    main->Sizeable = FSelectionOptions.Contains(iksoSizeable);
    if (!IsDesigning())
        main->Canvas = GetCanvas();
    FSelRecords.push_back(std::move(main));
    // The first record starts the timer; its first tick stops it again unless something is animated.
    FOutlineTimer = std::make_unique<vcl::TTimer>(nullptr);
    FOutlineTimer->SetEnabled(false);
    FOutlineTimer->SetInterval(SelTimerInterval);
    FOutlineTimer->SetOnTimer([this](vcl::TObject* sender) { OutlineTimerTick(sender); });
    if (!IsDesigning())
        FOutlineTimer->SetEnabled(true);
}

// ---- The point lists --------------------------------------------------------------------------------------

void TImageKitView::SelAddPoint(TIKSelectionRecord& rec, int32_t x, int32_t y) {
    if (rec.Points.size() % 64 == 0)
        rec.Points.reserve(rec.Points.size() + 64);
    rec.Points.push_back({x, y});
    if (rec.Points.size() == 2) {
        const win::TPoint a = rec.Points[0], b = rec.Points[1];
        rec.Left = std::min(a.X, b.X);
        rec.Right = std::max(a.X, b.X);
        rec.Top = std::min(a.Y, b.Y);
        rec.Bottom = std::max(a.Y, b.Y);
    } else if (rec.Points.size() > 2) {
        rec.Left = std::min(rec.Left, x);
        rec.Right = std::max(rec.Right, x);
        rec.Top = std::min(rec.Top, y);
        rec.Bottom = std::max(rec.Bottom, y);
    }
    FSelected = true;
}

void TImageKitView::SelAddSeparator(TIKSelectionRecord& rec) {
    if (!rec.Points.empty() && rec.Points.back().X == IKSelectionSeparator)
        return;
    if (rec.Points.size() % 64 == 0)
        rec.Points.reserve(rec.Points.size() + 64);
    rec.Points.push_back({IKSelectionSeparator, IKSelectionSeparator});
}

void TImageKitView::SelClear(TIKSelectionRecord& rec) {
    rec.Points.clear();
    rec.Points.shrink_to_fit();
    PaintUnlessLocked();
}

void TImageKitView::SelDropLastPolygon(TIKSelectionRecord& rec) {
    auto it = std::find_if(rec.Points.rbegin(), rec.Points.rend(),
                           [](const win::TPoint& p) { return p.X == IKSelectionSeparator; });
    rec.Points.erase(it == rec.Points.rend() ? rec.Points.begin() : std::prev(it.base()), rec.Points.end());
    if (rec.Points.empty())
        SelClear(rec);
    else
        PaintUnlessLocked();
}

void TImageKitView::SelDropLastPoint(TIKSelectionRecord& rec) {
    if (rec.Points.empty())
        return;
    rec.Points.pop_back();
    while (!rec.Points.empty() && rec.Points.back().X == IKSelectionSeparator)
        rec.Points.pop_back();
}

bool TImageKitView::SelIsRectangle(const TIKSelectionRecord& rec) {
    if (rec.Points.size() != 4)
        return false;
    int kind = -1; // 0 vertical, 1 horizontal
    for (size_t i = 0; i < 4; ++i) {
        const win::TPoint a = rec.Points[i], b = rec.Points[(i + 1) % 4];
        int k;
        if (a.X == b.X)
            k = 0;
        else if (a.Y == b.Y)
            k = 1;
        else
            return false;
        if (kind == k)
            return false;
        kind = k;
    }
    return true;
}

void TImageKitView::PaintUnlessLocked() {
    if (FPaintLock == 0)
        Paint();
}

void TImageKitView::ShowRecord(TIKSelectionRecord& rec, bool draw) {
    rec.Visible = true;
    if (draw)
        DrawOutline(false, false);
}

bool TImageKitView::DrawingSelection() const {
    return FPolyDrawing || FRectDrawing || FCircleDrawing || FGrip >= 0 || FRectMove;
}

// ---- Selection operations ---------------------------------------------------------------------------------

void TImageKitView::SelectRectCore(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t op, bool constrain) {
    if (x1 == x2 || y1 == y2)
        return;
    if (FSelectionBase == iksbClientArea) {
        x1 = XScr2Bmp(x1);
        y1 = YScr2Bmp(y1);
        x2 = XScr2Bmp(x2);
        y2 = YScr2Bmp(y2);
    }
    TIKSelectionRecord& rec = *FSelRecords.front();
    FSelected = true;
    if (op == 1 && !rec.Points.empty())
        SelAddSeparator(rec);
    else
        SelClear(rec);
    if (op == 0)
        FSelMask->Empty();
    if (constrain)
        y2 = int32_t(std::clamp<int64_t>(int64_t(y1) + (int64_t(x2) - x1), INT32_MIN, INT32_MAX));
    const int32_t maxX = std::max(FImageWidth - 1, 0), maxY = std::max(FImageHeight - 1, 0);
    x1 = std::clamp(x1, 0, maxX);
    x2 = std::clamp(x2, 0, maxX);
    y1 = std::clamp(y1, 0, maxY);
    y2 = std::clamp(y2, 0, maxY);
    if (x2 < x1)
        std::swap(x1, x2);
    if (y2 < y1)
        std::swap(y1, y2);
    ++x2;
    ++y2;
    SelAddPoint(rec, x1, y1);
    SelAddPoint(rec, x2, y1);
    SelAddPoint(rec, x2, y2);
    SelAddPoint(rec, x1, y2);
    ShowRecord(rec, true);
}

void TImageKitView::SelectRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t op) {
    if (x1 == x2 || y1 == y2)
        return;
    SelectRectCore(x1, y1, x2, y2, op, FConstrainAlways);
    if (op == 0)
        FSelMask->Empty();
    EndSelect();
    FBackBufferDirty = true;
    FFullRepaint = true;
    Paint();
}

void TImageKitView::AddSelectionPoint(int32_t x, int32_t y) {
    if (FSelectionBase == iksbClientArea) {
        x = std::clamp(XScr2Bmp(x), 0, std::max(FImageWidth, 0));
        y = std::clamp(YScr2Bmp(y), 0, std::max(FImageHeight, 0));
    }
    TIKSelectionRecord& rec = *FSelRecords.front();
    SelAddPoint(rec, x, y);
    PaintUnlessLocked();
    ShowRecord(rec, true);
    if (rec.Points.size() > 2) {
        FSelMask->Empty();
        EndSelect();
    }
    FBackBufferDirty = true;
    FFullRepaint = true;
    Paint();
}

void TImageKitView::EndSelect() {
    TIKSelectionRecord& rec = *FSelRecords.front();
    if (!rec.Points.empty())
        FSelMask->FillPolygons(1, rec.Points.data(), int32_t(rec.Points.size()));
    if (FSelMask->IsEmpty()) {
        FSelected = false;
        SelClear(rec);
    }
}

void TImageKitView::Deselect() {
    TIKSelectionRecord& rec = *FSelRecords.front();
    if (FSelected) {
        rec.Visible = false;
        // What the outline or a filled selection covered is composed again.
        FBackBufferDirty = true;
        FFullRepaint = true;
        PaintUnlessLocked();
    }
    rec.Points.clear();
    rec.Points.shrink_to_fit();
    FSelMask->Empty();
    FSelected = false;
    FPolyDrawing = FLassoMode = FRectDrawing = FCircleDrawing = false;
    FGrip = -1;
    FMoveMarker = -1;
    TIKView::SetCursor(FViewCursor);
}

int32_t TImageKitView::SelX1() {
    return DrawingSelection() ? FSelRecords.front()->Left : FSelMask->X1();
}

int32_t TImageKitView::SelY1() {
    return DrawingSelection() ? FSelRecords.front()->Top : FSelMask->Y1();
}

int32_t TImageKitView::SelX2() {
    return DrawingSelection() ? FSelRecords.front()->Right - 1 : FSelMask->X2();
}

int32_t TImageKitView::SelY2() {
    return DrawingSelection() ? FSelRecords.front()->Bottom - 1 : FSelMask->Y2();
}

void TImageKitView::ZoomSelection() {
    if (!FSelected)
        return;
    const int32_t x1 = SelX1(), y1 = SelY1(), x2 = SelX2(), y2 = SelY2();
    const int64_t width = int64_t(x2) - x1 + 1, height = int64_t(y2) - y1 + 1;
    if (x1 < 0 || y1 < 0 || width < 2 || height < 2)
        return;
    LockPaint();
    Deselect();
    SetZoom(std::min(FHeight / (double(height) / 100.0), FWidth / (double(width) / 100.0)));
    const double z = FZoom / 100.0;
    const int32_t cw = ClientWidthOrDefault(), ch = ClientHeightOrDefault();
    SetViewOrigin(SelTrunc(x1 * z) - (cw - SelTrunc(double(width) * z)) / 2,
                  SelTrunc(y1 * z) - (ch - SelTrunc(double(height) * z)) / 2);
    UnlockPaint();
}

void TImageKitView::SetSelColor1(int32_t value) {
    FSelColor1 = value;
    FSelRecords.front()->Color1 = value;
}

void TImageKitView::SetSelColor2(int32_t value) {
    FSelColor2 = value;
    FSelRecords.front()->Color2 = value;
}

const win::TPoint* TImageKitView::PolySelPoints() const {
    const auto& points = FSelRecords.front()->Points;
    return points.empty() ? nullptr : points.data();
}

int32_t TImageKitView::PolySelCount() const {
    return int32_t(FSelRecords.front()->Points.size());
}

void TImageKitView::SetSelectionOptions(TIKSelectionOptions value) {
    FSelectionOptions = value;
    TIKSelectionRecord& rec = *FSelRecords.front();
    rec.Animated = value.Contains(iksoAnimated);
    rec.Sizeable = value.Contains(iksoSizeable);
    Update();
}

void TImageKitView::SetMouseInteract(TIKMouseInteract value) {
    if (value == FMouseInteract)
        return;
    if (FPolyDrawing && FMouseInteract.Contains(miSelectPolygon)) {
        // The polygon being drawn ends as it stands.
        SelDropLastPoint(*FSelRecords.front());
        FSelMask->Empty();
        EndSelect();
        FPolyDrawing = false;
        Invalidate();
    }
    const TIKMouseInteract old = FMouseInteract;
    const auto added = [&](TIKMouseInteractItem item) { return value.Contains(item) && !old.Contains(item); };
    if (added(miScroll))
        value = value * TIKMouseInteract{miZoom, miScroll};
    else if (added(miSelect))
        value = value * TIKMouseInteract{miZoom, miSelect};
    else if (added(miSelectPolygon))
        value = value * TIKMouseInteract{miSelectPolygon};
    else if (added(miSelectCircle))
        value = value * TIKMouseInteract{miZoom, miSelectCircle};
    else if (added(miSelectLasso))
        value = value * TIKMouseInteract{miZoom, miSelectLasso};
    else if (added(miSelectZoom))
        value = value * TIKMouseInteract{miZoom, miSelectZoom};
    else if (added(miZoom))
        value = value - TIKMouseInteract{miSelectPolygon, miSelectMagicWand};
    else if (added(miSelectMagicWand))
        value = value * TIKMouseInteract{miSelectMagicWand};
    FMouseInteract = value;
}

// ---- The image's size -------------------------------------------------------------------------------------

void TImageKitView::SyncSelectionMask() {
    if (FSelected) {
        // The selection belonged to the former image; it goes without a paint of its own (Update follows).
        ++FPaintLock;
        Deselect();
        --FPaintLock;
    }
    FSelMask->Allocate(FCurrent->Width(), FCurrent->Height(), 1);
}

// ---- Saving and restoring ---------------------------------------------------------------------------------

void TImageKitView::SaveSelectionToStream(vcl::TStream* stream) {
    const TIKSelectionRecord& rec = *FSelRecords.front();
    const TIKMask& mask = *FSelMask;
    SelWriteInt(stream, mask.GetWidth());
    SelWriteInt(stream, mask.GetHeight());
    SelWriteInt(stream, int32_t(rec.Points.size()));
    for (const win::TPoint& p : rec.Points) {
        SelWriteInt(stream, p.X);
        SelWriteInt(stream, p.Y);
    }
    SelWriteInt(stream, rec.Left);
    SelWriteInt(stream, rec.Top);
    SelWriteInt(stream, rec.Right);
    SelWriteInt(stream, rec.Bottom);
    SelWriteBool(stream, FSelected);
    SelWriteInt(stream, mask.GetBitsPerPixel());
    SelWriteInt(stream, mask.X1());
    SelWriteInt(stream, mask.Y1());
    SelWriteInt(stream, mask.X2());
    SelWriteInt(stream, mask.Y2());
    SelWriteBool(stream, mask.GetFull());
    for (int32_t y = mask.GetHeight() - 1; y >= 0; --y)
        stream->WriteBuffer(mask.ScanLine(y), mask.GetRowLength());
}

bool TImageKitView::LoadSelectionFromStream(vcl::TStream* stream) {
    if (!stream)
        return false;
    int32_t width = 0, height = 0;
    if (!SelReadInt(stream, width) || !SelReadInt(stream, height))
        return false;
    if (width != FImageWidth || height != FImageHeight)
        return false;
    // Everything is read and checked before the selection changes: a stream cut short, a count larger than
    // what follows, a depth other than 1 or 8, points or a box outside the image leave it as it was.
    int32_t count = 0;
    if (!SelReadInt(stream, count) || count < 0 || int64_t(count) * 8 > SelRemaining(stream))
        return false;
    std::vector<win::TPoint> points;
    points.reserve(size_t(count) + 64);
    for (int32_t i = 0; i < count; ++i) {
        win::TPoint p{};
        if (!SelReadInt(stream, p.X) || !SelReadInt(stream, p.Y))
            return false;
        const bool separator = p.X == IKSelectionSeparator && p.Y == IKSelectionSeparator;
        if (!separator && (p.X < 0 || p.Y < 0 || p.X > width || p.Y > height))
            return false;
        points.push_back(p);
    }
    int32_t box[4];
    bool selected = false, full = false;
    int32_t bits = 0;
    int32_t maskBox[4];
    for (int32_t& v : box)
        if (!SelReadInt(stream, v))
            return false;
    if (!SelReadBool(stream, selected) || !SelReadInt(stream, bits))
        return false;
    if (bits != 1 && bits != 8)
        return false;
    for (int32_t& v : maskBox)
        if (!SelReadInt(stream, v))
            return false;
    if (!SelReadBool(stream, full))
        return false;
    const bool emptyBox = maskBox[0] == TIKMask::IKEmptyBox && maskBox[1] == TIKMask::IKEmptyBox &&
                          maskBox[2] == 0 && maskBox[3] == 0;
    const bool boxInside = maskBox[0] >= 0 && maskBox[1] >= 0 && maskBox[0] <= maskBox[2] &&
                           maskBox[1] <= maskBox[3] && maskBox[2] < width && maskBox[3] < height;
    if (!emptyBox && !boxInside)
        return false;
    const int64_t rowLength = IKRowLength(width, bits);
    if (rowLength * height > SelRemaining(stream))
        return false;
    auto mask = std::make_unique<TIKMask>();
    mask->Allocate(width, height, bits);
    for (int32_t y = height - 1; y >= 0; --y)
        if (!SelReadExact(stream, mask->ScanLine(y), rowLength))
            return false;
    mask->SetBox(maskBox[0], maskBox[1], maskBox[2], maskBox[3]);
    mask->SetFull(full);

    TIKSelectionRecord& rec = *FSelRecords.front();
    rec.Points = std::move(points);
    rec.Left = box[0];
    rec.Top = box[1];
    rec.Right = box[2];
    rec.Bottom = box[3];
    FSelected = selected;
    FSelMask = std::move(mask);
    ShowRecord(rec, true);
    Update();
    return true;
}

void TImageKitView::SaveSelection() {
    auto stream = std::make_unique<vcl::TMemoryStream>();
    SaveSelectionToStream(stream.get());
    FSavedSelections.push_back(std::move(stream));
}

bool TImageKitView::RestoreSelection() {
    if (FSavedSelections.empty())
        return false;
    std::unique_ptr<vcl::TMemoryStream> stream = std::move(FSavedSelections.back());
    FSavedSelections.pop_back();
    stream->SetPosition(0);
    return LoadSelectionFromStream(stream.get());
}

// ---- The outline ------------------------------------------------------------------------------------------

void TImageKitView::DrawSelection() {
    DrawOutline(false, false);
}

void TImageKitView::OutlineTimerTick(vcl::TObject*) {
    DrawOutline(true, false);
}

void TImageKitView::UpdateOutlineTimer() {
    bool animated = false;
    for (const auto& rec : FSelRecords)
        animated = animated || (rec->Visible && rec->Animated);
    FOutlineTimer->SetEnabled(FDelayedFilterCountdown != 0 || FOutlinePause != 0 || animated);
}

void TImageKitView::DrawOutline(bool tick, bool afterPaint) {
    if (HasParentWindow() && HandleAllocated()) {
        const int32_t cw = GetClientWidth(), ch = GetClientHeight();
        for (const auto& recPtr : FSelRecords) {
            TIKSelectionRecord& rec = *recPtr;
            if (!rec.Visible)
                continue;
            if (tick && rec.Animated && !DrawingSelection()) {
                rec.Phase = rec.Phase >= 9 ? 0 : rec.Phase + 1;
                ++FAntsCounter;
            }
            vcl::TCanvas* canvas = rec.Canvas;
            if (!canvas || FPaintLock > 0 || FInAutoScroll || cw <= 0 || ch <= 0)
                continue;
            if (!afterPaint && canvas->GetLockCount() > 0)
                continue;
            if (rec.Sizeable && SelIsRectangle(rec) && !FRectDrawing && FMoveMarker < 0 && !FRectMove)
                DrawGrips(rec, canvas);
            if (&rec == FSelRecords.front().get() && !FSelMask->IsEmpty() && !FRectDrawing && !FPolyDrawing &&
                !FCircleDrawing && FGrip < 0 && !FRectMove) {
                if (FOutlinePauseFlag && FOutlinePause > 0)
                    continue;
                FSelMask->DrawOutline(canvas, FOffsetX, FOffsetY, FDestWidth, FDestHeight, FSrcX, FSrcY,
                                      FSrcWidth, FSrcHeight, uint8_t(FAntsCounter), rec.Color2, rec.Color1);
                continue;
            }
            DrawDashedPoints(rec, canvas);
        }
        // Outside a paint the canvas drew on a device context of its own: letting it go puts what was drawn
        // on the screen now (inside a paint the canvas holds the paint's context and this does nothing).
        if (!afterPaint)
            if (auto* canvas = dynamic_cast<vcl::TControlCanvas*>(GetCanvas()))
                canvas->FreeHandle();
    }
    UpdateOutlineTimer();
    if (!tick)
        return;
    if (FDelayedFilterCountdown > 0 && --FDelayedFilterCountdown == 0)
        Update(); // the next render uses the zoom filter again
    if (FOutlinePause > 0 && --FOutlinePause == 0 && FSelected) {
        // The mask outline hidden while the view moved shows again at once, also when nothing is animated.
        DrawOutline(false, false);
    }
    UpdateOutlineTimer();
}

void TImageKitView::DrawGrips(TIKSelectionRecord& rec, vcl::TCanvas* canvas) {
    canvas->GetBrush()->SetStyle(FGripBrushStyle);
    canvas->GetBrush()->SetColor(FGripBrushColor);
    canvas->GetPen()->SetStyle(vcl::psSolid);
    canvas->GetPen()->SetMode(vcl::pmCopy);
    canvas->GetPen()->SetWidth(1);
    canvas->GetPen()->SetColor(FGripPenColor);
    const int32_t s = FGripSize;
    int32_t minX = INT32_MAX, maxX = INT32_MIN, minY = INT32_MAX, maxY = INT32_MIN;
    for (const win::TPoint& p : rec.Points) {
        const int32_t sx = XBmp2Scr(p.X), sy = YBmp2Scr(p.Y);
        canvas->Rectangle(sx - s, sy - s, sx + s, sy + s);
        minX = std::min(minX, sx);
        maxX = std::max(maxX, sx);
        minY = std::min(minY, sy);
        maxY = std::max(maxY, sy);
    }
    if (!FExtendedGrips)
        return;
    const int32_t mx = int32_t((int64_t(minX) + maxX) / 2), my = int32_t((int64_t(minY) + maxY) / 2);
    canvas->Rectangle(minX - s, my - s, minX + s, my + s);
    canvas->Rectangle(maxX - s, my - s, maxX + s, my + s);
    canvas->Rectangle(mx - s, minY - s, mx + s, minY + s);
    canvas->Rectangle(mx - s, maxY - s, mx + s, maxY + s);
}

void TImageKitView::DashedLine(TIKSelectionRecord& rec, vcl::TCanvas* canvas, int32_t x1, int32_t y1, int32_t x2,
                               int32_t y2) {
    // Pixel i of the segment lies at (x1 + dx * i / n, y1 + dy * i / n), rounded; only the pixels inside the
    // client area are visited, the dash counter stepping over the others, so a far-zoomed segment costs no
    // more than the client area it crosses.
    const int64_t dx = int64_t(x2) - x1, dy = int64_t(y2) - y1;
    const int64_t n = std::max(std::llabs(dx), std::llabs(dy));
    const int32_t cw = GetClientWidth(), ch = GetClientHeight();
    const auto plot = [&](int32_t x, int32_t y) {
        if (x >= 0 && y >= 0 && x < cw && y < ch)
            canvas->SetPixel(x, y, rec.DashCounter < 4 ? rec.Color1 : rec.Color2);
    };
    if (n == 0) {
        plot(x1, y1);
        SelDashAdvance(rec.DashCounter, 1);
        return;
    }
    double lo = 0, hi = double(n);
    const auto clipAxis = [&](double start, double delta, double limit) {
        // Steps i with 0 <= start + delta * i / n < limit, widened by one step.
        if (delta == 0) {
            if (start < -1 || start > limit)
                hi = -1;
            return;
        }
        double a = (-1 - start) * double(n) / delta, b = (limit - start) * double(n) / delta;
        if (a > b)
            std::swap(a, b);
        lo = std::max(lo, a - 1);
        hi = std::min(hi, b + 1);
    };
    clipAxis(x1, double(dx), cw);
    clipAxis(y1, double(dy), ch);
    int64_t first = int64_t(std::max(std::floor(lo), 0.0));
    int64_t last = hi < 0 ? -1 : int64_t(std::min(std::ceil(hi), double(n)));
    if (last < first) {
        SelDashAdvance(rec.DashCounter, n + 1);
        return;
    }
    SelDashAdvance(rec.DashCounter, first);
    for (int64_t i = first; i <= last; ++i) {
        const int32_t x = int32_t(x1 + std::llround(double(dx) * double(i) / double(n)));
        const int32_t y = int32_t(y1 + std::llround(double(dy) * double(i) / double(n)));
        plot(x, y);
        SelDashAdvance(rec.DashCounter, 1);
    }
    SelDashAdvance(rec.DashCounter, n - last);
}

void TImageKitView::DrawDashedPoints(TIKSelectionRecord& rec, vcl::TCanvas* canvas) {
    const auto& pts = rec.Points;
    if (pts.empty())
        return;
    if (SelIsRectangle(rec)) {
        // Four sides, each from a fresh dash: along the top to the right, down, back to the left, and down
        // the left side.
        const int32_t left = XBmp2Scr(rec.Left), top = YBmp2Scr(rec.Top);
        const int32_t right = XBmp2Scr(rec.Right) - 1, bottom = YBmp2Scr(rec.Bottom) - 1;
        rec.DashCounter = 0;
        DashedLine(rec, canvas, left, top, right, top);
        rec.DashCounter = 0;
        DashedLine(rec, canvas, right, top, right, bottom);
        rec.DashCounter = 0;
        DashedLine(rec, canvas, right, bottom, left, bottom);
        rec.DashCounter = 0;
        DashedLine(rec, canvas, left, top, left, bottom);
        return;
    }
    rec.DashCounter = rec.Phase;
    size_t start = 0; // first point of the polygon being drawn
    for (size_t i = 0; i < pts.size(); ++i) {
        if (pts[i].X == IKSelectionSeparator) {
            // A separator closes the polygon before it.
            if (i > start)
                DashedLine(rec, canvas, XBmp2Scr(pts[i - 1].X), YBmp2Scr(pts[i - 1].Y), XBmp2Scr(pts[start].X),
                           YBmp2Scr(pts[start].Y));
            start = i + 1;
            continue;
        }
        if (i > start)
            DashedLine(rec, canvas, XBmp2Scr(pts[i - 1].X), YBmp2Scr(pts[i - 1].Y), XBmp2Scr(pts[i].X),
                       YBmp2Scr(pts[i].Y));
    }
    if (!FPolyDrawing && pts.size() > start + 1)
        DashedLine(rec, canvas, XBmp2Scr(pts.back().X), YBmp2Scr(pts.back().Y), XBmp2Scr(pts[start].X),
                   YBmp2Scr(pts[start].Y));
}

} // namespace imaging
