// The metafile record player shared by the WMF and EMF readers: the mapping from the metafile's logical
// units to the destination, the object table, the saved states, clipping, paths and the drawing calls the
// records make. Points are mapped here in double precision and handed to the DC in MM_TEXT; while the
// mapping keeps the axes a figure is the GDI call of its record, otherwise a flattened polygon.
#pragma once

#include "platform/win/gdi/Metafile.h"
#include "platform/win/gdi/Text.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace win {

// A metafile's bytes as loaded, with what playback needs of its header.
struct HENHMETAFILE__ : HandleObject {
    std::vector<uint8_t> FData;
    bool FWmf = false;
    ENHMETAHEADER FHeader{};
    size_t FRecords = 0; // WMF: offset of the first record (after the placeable and standard headers)
    double FWinLeft = 0; // WMF: the window before the first window record
    double FWinTop = 0;
    double FWinWidth = 0;
    double FWinHeight = 0;
    bool FHasWindow = false; // WMF: a placeable box or window records give the window
};

} // namespace win

namespace win::meta {

// Limits that keep hostile metafiles finite.
constexpr int MaxSavedStates = 4096;       // deeper SAVEDCs are ignored
constexpr uint64_t MaxRecords = 4000000;   // records played per metafile
constexpr size_t MaxPathPoints = 4000000;  // points of one path
constexpr int64_t MaxDibPixels = 1 << 24;  // pixels of one bitmap in a record
constexpr int64_t MaxBlitArea = 1 << 24;   // device pixels of one transformed blit
constexpr double MaxDeviceCoord = 1 << 29; // mapped points are clamped to this

// ---- Little-endian reads of a record's bytes. Every read is bounded by the record; out of range gives 0
// and marks the record bad, so a handler checks Bad() before acting on what it read.
class Rec {
public:
    Rec(const uint8_t* data, size_t size) : FData(data), FSize(size) {}
    size_t Size() const { return FSize; }
    bool Has(size_t offset, size_t count) const { return offset <= FSize && count <= FSize - offset; }
    bool Bad() const { return FBad; }
    const uint8_t* Ptr(size_t offset, size_t count) const {
        if (!Has(offset, count)) {
            FBad = true;
            return nullptr;
        }
        return FData + offset;
    }
    uint8_t U8(size_t o) const { return Has(o, 1) ? FData[o] : Fail(); }
    uint16_t U16(size_t o) const { return Has(o, 2) ? uint16_t(FData[o] | FData[o + 1] << 8) : Fail(); }
    int16_t I16(size_t o) const { return int16_t(U16(o)); }
    uint32_t U32(size_t o) const {
        if (!Has(o, 4))
            return Fail();
        return uint32_t(FData[o]) | uint32_t(FData[o + 1]) << 8 | uint32_t(FData[o + 2]) << 16 |
               uint32_t(FData[o + 3]) << 24;
    }
    int32_t I32(size_t o) const { return int32_t(U32(o)); }
    float F32(size_t o) const {
        uint32_t v = U32(o);
        float f;
        std::memcpy(&f, &v, 4);
        return f;
    }

private:
    uint8_t Fail() const {
        FBad = true;
        return 0;
    }
    const uint8_t* FData;
    size_t FSize;
    mutable bool FBad = false;
};

// ---- Geometry.
struct Pt {
    double X = 0;
    double Y = 0;
};

// x' = M11 x + M21 y + Dx, y' = M12 x + M22 y + Dy.
struct Xform {
    double M11 = 1, M12 = 0, M21 = 0, M22 = 1, Dx = 0, Dy = 0;
    Pt Apply(Pt p) const { return {p.X * M11 + p.Y * M21 + Dx, p.X * M12 + p.Y * M22 + Dy}; }
    Pt Vector(Pt p) const { return {p.X * M11 + p.Y * M21, p.X * M12 + p.Y * M22}; }
    // This transform followed by next.
    Xform Then(const Xform& next) const;
    double Det() const { return M11 * M22 - M12 * M21; }
    bool Invert(Xform& out) const;
    // Scales and translates only (no rotation, shear or swap of the axes).
    bool ScalesOnly() const;
    // Maps axis-parallel rectangles onto axis-parallel rectangles (scaling, or a quarter turn).
    bool KeepsAxes() const;
    bool Finite() const;
};

// ---- A decoded bitmap: top-down rows of 0xAARRGGBB.
struct Dib {
    int32_t Width = 0;
    int32_t Height = 0;
    bool BottomUp = true; // as stored: source rows of DIB calls count from the bottom
    std::vector<uint32_t> Pixels;
};
// Decodes a packed DIB header (info, V4, V5 or core) with its colour table, and its bits (BI_RGB,
// BI_BITFIELDS, BI_RLE8, BI_RLE4). DIB_PAL_COLORS entries index the palette given. False when anything is
// out of range or the bits are too short for the header.
bool DecodeDib(const uint8_t* header, size_t headerSize, const uint8_t* bits, size_t bitsSize, UINT usage,
               HPALETTE palette, Dib& out);

// A packed DIB (header, colour table, bits in one block).
bool DecodePackedDib(const uint8_t* data, size_t size, UINT usage, HPALETTE palette, Dib& out);
// A device-dependent bitmap of a WMF record (1, 24 or 32 bits per pixel); 1 bits take the colour one.
bool DecodeBitmap16(const uint8_t* data, size_t size, COLORREF zero, COLORREF one, Dib& out);
HBRUSH PatternBrushOf(const Dib& dib);
HBRUSH MonoBrushOf(const Dib& dib);
// The top-down row where a source rectangle starting at row sy (counted as the DIB stores its rows)
// of height h begins.
int DibTopRow(const Dib& dib, int64_t sy, int64_t h);

// ---- Objects of the metafile's table. Pens and fonts keep their logical description and are realised
// for the mapping in force when drawn; brushes, palettes and stock objects are GDI objects at once.
struct MetaPen {
    UINT Style = PS_SOLID; // with cap, join and the geometric flag for extended pens
    double Width = 0;      // logical units; 0 = one pixel
    COLORREF Color = 0;
    bool Cosmetic = false;
    std::vector<DWORD> Dashes;
};

struct MetaObject {
    enum Kind { moPen, moBrush, moFont, moPalette, moRegion };
    explicit MetaObject(Kind kind) : FKind(kind) {}
    ~MetaObject();
    MetaObject(const MetaObject&) = delete;
    MetaObject& operator=(const MetaObject&) = delete;

    Kind FKind;
    MetaPen FPen;
    HBRUSH FBrush = nullptr;     // owned
    HPALETTE FPalette = nullptr; // owned
    LOGFONT FFont{};
    HGDIOBJ FStock = nullptr;  // a stock pen or font drawn as it is
    std::vector<RECT> FRects;  // a region's rectangles
    bool FDeviceUnits = false; // region rectangles in the reference device's pixels
};
using ObjectRef = std::shared_ptr<MetaObject>;

// A region handle that copies with its owner.
class Rgn {
public:
    Rgn() = default;
    explicit Rgn(HRGN h) : FH(h) {}
    Rgn(const Rgn& o);
    Rgn& operator=(const Rgn& o);
    Rgn(Rgn&& o) noexcept : FH(o.FH) { o.FH = nullptr; }
    Rgn& operator=(Rgn&& o) noexcept;
    ~Rgn();
    HRGN Get() const { return FH; }
    explicit operator bool() const { return FH != nullptr; }

private:
    HRGN FH = nullptr;
};

struct DrawState {
    int MapMode = MM_TEXT;
    Pt WinOrg{0, 0}, WinExt{1, 1}, VpOrg{0, 0}, VpExt{1, 1};
    Xform World;
    ObjectRef Pen, Brush, Font, Palette;
    COLORREF TextColor = 0;
    COLORREF BkColor = 0xFFFFFF;
    int BkMode = OPAQUE;
    int Rop2 = R2_COPYPEN;
    int FillMode = ALTERNATE;
    int StretchMode = BLACKONWHITE;
    int ArcDir = AD_COUNTERCLOCKWISE;
    UINT TextAlign = 0;
    double CharExtra = 0;
    Pt BrushOrg;
    Pt Cur;
    // Mode records: a value outside the mode's range leaves the mode as it is.
    void SetBkMode(uint32_t v) {
        if (v == TRANSPARENT || v == OPAQUE)
            BkMode = int(v);
    }
    void SetFillMode(uint32_t v) {
        if (v == ALTERNATE || v == WINDING)
            FillMode = int(v);
    }
    void SetRop2(uint32_t v) {
        if (v >= R2_BLACK && v <= R2_WHITE)
            Rop2 = int(v);
    }
    void SetStretchMode(uint32_t v) {
        if (v >= BLACKONWHITE && v <= HALFTONE)
            StretchMode = int(v);
    }
    Rgn Clip; // the metafile's clip in destination device units; none = the caller's
};

struct PathFigure {
    std::vector<Pt> Points; // destination device units
    bool Closed = false;
};

enum ArcKind { akArc, akPie, akChord };

class Player {
public:
    // dest: the rectangle the picture's frame fills, in the DC's device units.
    Player(HDC dc, const RECT& dest);
    ~Player();
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    // ---- Frame and mapping.
    // WMF: the window maps onto the destination; viewport and map mode do not move it.
    void SetWmfWindow(Pt org, Pt ext);
    // EMF: the reference device (pixels and millimetres) and the frame in its pixels.
    void SetEmfFrame(double left, double top, double right, double bottom, SIZE devicePixels,
                     SIZE millimetres);
    bool IsWmf() const { return FWmf; }
    DrawState& St() { return FState; }
    void MappingChanged() {
        FMapValid = false;
        FPenValid = false;
        FFontValid = false;
    }
    void SetMapMode(int mode);
    void SetWindowOrg(Pt p);
    void SetWindowExt(Pt e);
    void SetViewportOrg(Pt p);
    void SetViewportExt(Pt e);
    void ScaleWindowExt(double xn, double xd, double yn, double yd);
    void ScaleViewportExt(double xn, double xd, double yn, double yd);
    void SetWorld(const Xform& x);
    const Xform& Mapping();
    Pt Map(Pt p) { return Mapping().Apply(p); }
    static POINT Round(Pt p);

    // ---- States.
    void Save();
    void Restore(int which);

    // ---- Objects.
    void SetTableSize(size_t n) { FObjects.assign(n, nullptr); }
    size_t TableSize() const { return FObjects.size(); }
    // WMF: the lowest free slot; -1 when the table is full (the object is then dropped).
    int AddLowest(ObjectRef obj);
    void Put(size_t index, ObjectRef obj);
    ObjectRef Get(size_t index) const { return index < FObjects.size() ? FObjects[index] : nullptr; }
    void Delete(size_t index);
    void Select(const ObjectRef& obj);
    void SelectStock(uint32_t index);
    void PenChanged() { FPenValid = false; }
    void FontChanged() { FFontValid = false; }
    // A brush object; a brush that could not be made becomes one that paints nothing.
    static ObjectRef BrushObject(HBRUSH brush);
    // A brush of a LOGBRUSH record: solid, hatched or null; other styles paint nothing.
    static ObjectRef LogBrushObject(const LOGBRUSH& lb);
    // A palette of n entries stored at offset at (1 to 1024 that the record holds); otherwise an object
    // without a palette, so later references to its slot still find it.
    static ObjectRef PaletteObject(const Rec& r, size_t at, uint64_t n);
    // Sets n entries (up to 1024, stored at offset at) of the palette object from entry start.
    static void SetPaletteEntriesOf(const MetaObject* pal, uint64_t start, const Rec& r, size_t at, uint64_t n);
    // The eight one-byte fields of a LOGFONT record, italic to pitch and family, stored at offset at.
    static void ReadFontBytes(LOGFONT& lf, const Rec& r, size_t at);

    // ---- Drawing in logical units. In a path they add figures instead.
    void MoveTo(Pt p);
    void LineTo(Pt p);
    void Polyline(const std::vector<Pt>& pts);
    void PolylineTo(const std::vector<Pt>& pts);
    void Polygons(const std::vector<std::vector<Pt>>& polys);
    void Polylines(const std::vector<std::vector<Pt>>& lines);
    void PolyBezier(const std::vector<Pt>& pts, bool fromCurrent);
    void PolyDraw(const std::vector<Pt>& pts, const std::vector<uint8_t>& types);
    void Rectangle(Pt a, Pt b);
    void RoundRect(Pt a, Pt b, Pt corner);
    void Ellipse(Pt a, Pt b);
    void Arc(ArcKind kind, Pt a, Pt b, Pt start, Pt end);
    void ArcTo(Pt a, Pt b, Pt start, Pt end);
    void AngleArc(Pt centre, double radius, double startDeg, double sweepDeg);
    void SetPixel(Pt p, COLORREF c);
    void FloodFill(Pt p, COLORREF c, UINT type);
    void PatBlt(Pt p, Pt size, DWORD rop);
    void GradientFill(const std::vector<TRIVERTEX>& vertices, const std::vector<ULONG>& mesh, ULONG mode);

    // Text: code points with their advances in logical units (empty: the font's own).
    void Text(Pt ref, UINT options, const RECT* rect, const std::u32string& text,
              const std::vector<double>& dx);
    // 8-bit text in the current font's character set.
    std::u32string DecodeAnsi(const uint8_t* text, size_t count, const double* dxIn,
                              std::vector<double>* dxOut);
    BYTE FontCharset() const;

    // Bitmaps. dst and dstSize are logical; the source rectangle is in the DIB's top-down pixels.
    void StretchDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, DWORD rop);
    void MaskDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, const Dib& mask, int mx, int my,
                 DWORD rop);
    void TransparentDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, COLORREF key);
    void AlphaDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, BLENDFUNCTION blend);

    // ---- Regions and clipping.
    Rgn RegionOf(const MetaObject& region);
    void FillRegion(const MetaObject& region, HBRUSH brush);
    void FrameRegion(const MetaObject& region, HBRUSH brush, Pt stroke);
    void InvertRegion(const MetaObject& region);
    void PaintRegion(const MetaObject& region);
    void SelectClip(const MetaObject* region, int mode); // null region with RGN_COPY: no metafile clip
    void IntersectClip(Pt a, Pt b);
    void ExcludeClip(Pt a, Pt b);
    void OffsetClip(Pt offset);

    // ---- Paths (EMF).
    void BeginPath();
    void EndPath() { FInPath = false; }
    void AbortPath();
    void CloseFigure();
    void FillPath();
    void StrokePath();
    void StrokeAndFillPath();
    void WidenPath();
    void SelectClipPath(int mode);

    HDC Dc() const { return FDc; }

private:
    friend struct PathOps;
    // The DC set up for a drawing call: objects realised, colours, modes and clipping.
    void Prepare();
    void ApplyClip();
    void SetClip(Rgn clip);
    void CombineClip(HRGN rgn, int mode);
    HPEN RealisedPen();
    HFONT RealisedFont();
    double XScale();
    double YScale();
    std::vector<POINT> Device(const std::vector<Pt>& devicePts) const;
    // Figures in destination device units, for paths and for mappings that turn the axes.
    void AddFigure(std::vector<Pt> pts, bool closed);
    void DrawFigureLines(const std::vector<Pt>& pts, bool closed);
    void DrawFilledFigures(const std::vector<std::vector<Pt>>& polys);
    std::vector<Pt> EllipsePoints(Pt a, Pt b);
    std::vector<Pt> ArcPoints(Pt a, Pt b, Pt start, Pt end, bool& full);
    std::vector<Pt> RoundRectPoints(Pt a, Pt b, Pt corner);
    void LineToDevice(Pt devicePoint);
    HRGN PathRegion(bool winding);
    // A region of closed figures (device units) within the surface the DC can reach.
    Rgn RectClipRegion(Pt a, Pt b);
    HRGN FiguresRegion(const std::vector<std::vector<Pt>>& figures, int fillMode);
    void BlitDib(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh,
                 const std::function<void(HDC, RECT, HDC, int, int, int, int)>& blit);
    void TransformedBlit(Pt dst, Pt dstSize, const Dib& src, int sx, int sy, int sw, int sh, DWORD rop);

    HDC FDc;
    RECT FDest;
    RECT FReach{}; // the device box the DC can draw into, with a margin: regions are built within it
    int FSavedDc = 0;
    Rgn FCallerClip;
    bool FWmf = false;
    Xform FRefToDest; // EMF: reference device pixels to destination
    SIZE FRefPixels{1, 1};
    SIZE FRefMM{1, 1};
    Xform FMapping;
    bool FMapValid = false;
    DrawState FState;
    std::vector<DrawState> FSaved;
    std::vector<ObjectRef> FObjects;
    HPEN FPen = nullptr; // realised, owned
    bool FPenValid = false;
    HFONT FFont = nullptr; // realised, owned
    bool FFontValid = false;
    bool FClipApplied = false;
    bool FInPath = false;
    bool FPathWinding = false;
    bool FFigureOpen = false; // the last path figure takes further lines
    std::vector<PathFigure> FPath;
    size_t FPathPoints = 0;
    void* FIconv = nullptr; // the converter of FIconvCharset
    int FIconvCharset = -1;
};

// Handles: registered so that a freed or foreign handle is refused.
HENHMETAFILE RegisterMetafile(std::unique_ptr<HENHMETAFILE__> metafile);
bool LiveMetafile(HENHMETAFILE metafile);

// The record loops. Both end at the end record, at a record running past the data, or after MaxRecords.
void PlayWmfRecords(Player& player, const uint8_t* data, size_t size);
void PlayEmfRecords(Player& player, const uint8_t* data, size_t size);

// Flattening of curves into device points (MetafilePaths.cpp).
void FlattenBezier(Pt p0, Pt p1, Pt p2, Pt p3, std::vector<Pt>& out);
// Points of the elliptic arc of the box a-b from parameter t0 sweeping by sweep radians (logical units).
void FlattenEllipseArc(Pt a, Pt b, double t0, double sweep, const Xform& map, std::vector<Pt>& out);
// A closed figure cut to a box (device units); inside the box it fills as the whole figure does.
std::vector<Pt> ClipToBox(const std::vector<Pt>& figure, const RECT& box);
// The outline of a stroke of width w along the figures: polygons to be filled with the winding rule. Round
// joins everywhere, or only where the figure turns sharply (for flattened curves).
std::vector<std::vector<Pt>> WidenFigures(const std::vector<PathFigure>& figures, double width,
                                          bool roundAllJoins = true);

} // namespace win::meta
