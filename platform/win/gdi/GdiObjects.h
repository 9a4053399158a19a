// Internal: the objects behind the GDI handles and the device context's state. Only code of the GDI
// library (and the font and text engine that lives beside it) includes this header.
#pragma once

#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <vector>

namespace win {

namespace gdi {

// Base of every GDI object: counts live objects by kind and remembers how many DCs hold it selected,
// so that DeleteObject can defer freeing a selected object until it is deselected.
struct Object : GdiObject {
    explicit Object(GdiKind kind);
    ~Object() override;
    Object(const Object&) = delete;
    Object& operator=(const Object&) = delete;

    GdiKind FKind;
    std::atomic<bool> FStock{false};
    // DCs (and their saved states) holding the object. Stock objects are shared by DCs on any thread and
    // never freed, so they are not counted.
    std::atomic<int> FSelectCount{0};
    std::atomic<bool> FDeletePending{false};
};

// The object behind a handle, or null when the handle is null, freed or not a GDI object.
Object* Checked(const GdiObject* handle);
// Mark an object as stock: it no longer counts as live and DeleteObject ignores it.
void MakeStock(Object* obj);
// Select bookkeeping used by SelectObject and by DC state restore.
void AddSelect(Object* obj);
void ReleaseSelect(Object* obj);

// Largest bitmap the layer allocates (bytes of pixel storage); anything above is refused.
constexpr int64_t MaxBitmapBytes = int64_t(1) << 30;
constexpr int32_t MaxBitmapSide = 1 << 20;
// Device coordinates are clamped to +-MaxCoord so that sums of two of them never overflow.
constexpr int32_t MaxCoord = 1 << 29;

// A banded list of rectangles: sorted by top then left, rectangles of one band share top and bottom,
// rectangles within a band do not touch, and adjacent equal bands are merged.
struct Region {
    std::vector<TRect> FRects;
    TRect FBox{};

    bool Empty() const { return FRects.empty(); }
    int Complexity() const; // NULLREGION, SIMPLEREGION or COMPLEXREGION
    void SetRect(const TRect& r);
    void Offset(int dx, int dy);
    bool Contains(int x, int y) const;
    bool Intersects(const TRect& r) const;
    // Normalises an arbitrary list of non-overlapping rows of spans (one band per row) into banded form.
    void FinishFromBands();
    static Region Combine(const Region& a, const Region& b, int mode);
    static Region FromRect(const TRect& r);
    bool operator==(const Region& o) const { return FRects == o.FRects; }
};

// Where a pixel is sampled against a figure. GDI's polygons (Polygon, PolyPolygon, polygon regions) take pixel
// (x, y) when the point (x, y), its top-left corner, lies inside, a point on a left or top edge included and one
// on a right or bottom edge left out: a triangle keeps every pixel whose corner it covers, as the arrows of the
// controls (7, 5, 3, 1 pixels from the three points (cx, cy), (cx - 3, cy - 4), (cx + 4, cy - 4)) rely on.
// Figures made of a pen's width and colour ramps sample pixel centres (x + 0.5, y + 0.5).
enum PolygonSampling { PolygonCorners, PolygonCentres };

// Spans of a polygon for each row, by GDI's fill rules (ALTERNATE or WINDING). Drawing code passes the rows it
// can see (rowMin .. rowMax - 1) so that huge figures cost only their visible part.
Region PolygonRegion(const POINT* pts, const int* counts, int polys, int fillMode, int rowMin = INT32_MIN,
                     int rowMax = INT32_MAX, PolygonSampling sampling = PolygonCorners);
Region EllipseRegion(int left, int top, int right, int bottom, int rowMin = INT32_MIN,
                     int rowMax = INT32_MAX);
Region RoundRectRegion(int left, int top, int right, int bottom, int ew, int eh, int rowMin = INT32_MIN,
                       int rowMax = INT32_MAX);
Region RegionFromRects(const TRect* rects, size_t count);

} // namespace gdi

struct HBITMAP__ : gdi::Object {
    HBITMAP__() : gdi::Object(GdiKind::gkBitmap) {}
    ~HBITMAP__() override;

    int32_t FWidth = 0;
    int32_t FHeight = 0;
    int FBitsPixel = 32;
    int32_t FStride = 0; // bytes per row, padded to 4 bytes
    bool FTopDown = false;
    bool FDibSection = false;
    bool FMono = false; // a device-dependent 1-bit bitmap: colours follow the DC's text and background
    uint32_t FCompression = BI_RGB;
    uint32_t FMasks[3] = {0, 0, 0}; // red, green, blue masks of 16- and 32-bit pixels
    uint8_t FMaskShift[3] = {0, 0, 0};
    uint8_t FMaskBits[3] = {0, 0, 0};
    bool FOwnsBits = true;        // false for a temporary view over a caller's DIB memory
    std::vector<RGBQUAD> FColors; // colour table of 1-, 4- and 8-bit bitmaps
    uint8_t* FBits = nullptr;     // pixel storage (owned)
    HDC__* FSelectedIn = nullptr; // the memory DC that holds it, if any

    // Row y counted from the top of the image.
    uint8_t* Row(int y) const {
        return FTopDown ? FBits + int64_t(y) * FStride : FBits + int64_t(FHeight - 1 - y) * FStride;
    }
    bool Palettized() const { return FBitsPixel <= 8; }
    uint32_t GetRaw(int x, int y) const;
    void SetRaw(int x, int y, uint32_t v);
    // Pixel value in this bitmap's format for an RGB colour (nearest colour-table entry when palettized).
    uint32_t FromRgb(COLORREF rgb) const;
    COLORREF ToRgb(uint32_t pixel) const;
    // Mask of the bits a raster operation may change.
    uint32_t ValueMask() const;
    void SetMasks(uint32_t r, uint32_t g, uint32_t b);
    // 32-bit pixels laid out as 0x00RRGGBB (the layer's native colour format).
    bool IsNative32() const {
        return FBitsPixel == 32 && FMasks[0] == 0xFF0000 && FMasks[1] == 0xFF00 && FMasks[2] == 0xFF;
    }
    // True when pixel values mean the same colours in both bitmaps.
    bool SameFormat(const HBITMAP__& o) const;
};

struct HPALETTE__ : gdi::Object {
    HPALETTE__() : gdi::Object(GdiKind::gkPalette) {}
    std::vector<PALETTEENTRY> FEntries;
};

struct HPEN__ : gdi::Object {
    HPEN__() : gdi::Object(GdiKind::gkPen) {}
    UINT FStyle = PS_SOLID; // style only (PS_STYLE_MASK part)
    UINT FEndCap = 0;
    UINT FJoin = 0;
    int FWidth = 1;
    COLORREF FColor = 0;
    std::vector<DWORD> FUserDashes;
};

struct HBRUSH__ : gdi::Object {
    HBRUSH__() : gdi::Object(GdiKind::gkBrush) {}
    UINT FStyle = BS_SOLID;
    COLORREF FColor = 0;
    int FHatch = 0;
    // Pattern brushes keep a copy of the bitmap (as a mono flag plus RGB or bit values).
    int32_t FPatWidth = 0;
    int32_t FPatHeight = 0;
    bool FPatMono = false;
    std::vector<uint32_t> FPattern; // mono: 0/1 values; colour: COLORREF values
};

// The font engine defines FontData; a font object is a LOGFONT plus the engine's cached face.
struct FontData;
struct HFONT__ : gdi::Object {
    HFONT__() : gdi::Object(GdiKind::gkFont) {}
    LOGFONTA FLog{};
    std::shared_ptr<FontData> FData;
};

struct HRGN__ : gdi::Object {
    HRGN__() : gdi::Object(GdiKind::gkRegion) {}
    gdi::Region FRgn;
};

struct HICON__ : gdi::Object {
    HICON__() : gdi::Object(GdiKind::gkIcon) {}
    ~HICON__() override;
    BOOL FIcon = TRUE;
    DWORD FHotX = 0;
    DWORD FHotY = 0;
    HBITMAP FMask = nullptr; // private copies, deleted with the icon
    HBITMAP FColor = nullptr;
};

namespace gdi {

// The part of a DC's state that SaveDC stores and RestoreDC brings back.
struct DcState {
    HBITMAP FBitmap = nullptr;
    HPEN FPen = nullptr;
    HBRUSH FBrush = nullptr;
    HFONT FFont = nullptr;
    HPALETTE FPalette = nullptr;
    COLORREF FTextColor = 0x000000;
    COLORREF FBkColor = 0xFFFFFF;
    int FBkMode = OPAQUE;
    int FRop2 = R2_COPYPEN;
    int FStretchMode = BLACKONWHITE;
    int FPolyFillMode = ALTERNATE;
    int FArcDirection = AD_COUNTERCLOCKWISE;
    int FMapMode = MM_TEXT;
    UINT FTextAlign = 0;
    int FTextCharExtra = 0;
    POINT FWindowOrg{};
    POINT FViewportOrg{};
    SIZE FWindowExt{1, 1};
    SIZE FViewportExt{1, 1};
    POINT FBrushOrg{};
    POINT FCurPos{};
    bool FHasClip = false;
    Region FClip; // user clip in device coordinates (valid when FHasClip)
};

} // namespace gdi

struct HDC__ : gdi::Object {
    HDC__() : gdi::Object(GdiKind::gkDC) {}
    ~HDC__() override;

    gdi::DcState FState;
    std::vector<gdi::DcState> FSaved;
    bool FScreen = false;
    HBITMAP FDefaultBitmap = nullptr; // the 1x1 monochrome bitmap of a new memory DC (owned)
    bool FHasMetaClip = false;
    gdi::Region FMetaClip; // set by the window system: the visible part of a window DC
    POINT FDcOrg{};        // screen position of the device origin, for GetDCOrgEx
    // Where device (0, 0) lies in the target bitmap: a child window's DC draws into its top-level window's
    // back buffer. Clip regions are kept in target coordinates.
    POINT FSurfaceOrg{};

private:
    mutable gdi::Region FVisCache;
    mutable uint64_t FVisVersion = ~uint64_t(0);
    mutable const void* FVisBitmap = nullptr;
    mutable int32_t FVisWidth = 0, FVisHeight = 0;

public:
    HBITMAP Target() const { return FState.FBitmap; }
    // Effective clipping in target coordinates: the bitmap's bounds, the meta clip and the user clip.
    // Cached; code that changes FState.FClip, FHasClip or the meta clip bumps FClipVersion.
    const gdi::Region& Visible() const;
    uint64_t FClipVersion = 0;
    // Logical coordinates to target-bitmap coordinates (device coordinates plus FSurfaceOrg) and back.
    POINT ToDevice(int64_t x, int64_t y) const;
    POINT ToLogical(int64_t x, int64_t y) const;
    // A logical rectangle in target coordinates, normalised.
    TRect ToDevice(const TRect& r) const;
    // Scales a logical width or height (signed) to device units.
    int ScaleX(int64_t v) const;
    int ScaleY(int64_t v) const;
    bool IsIdentityMapping() const;
};

namespace gdi {

// Resolves PALETTEINDEX and PALETTERGB colours through the DC's palette to a plain RGB value; a class-library
// system colour (high bit set, index in the low byte) that reaches the layer unresolved takes its value.
COLORREF ResolveColor(HDC dc, COLORREF c);
// Pixel value of a colour in the DC's target format.
uint32_t DevicePixel(HDC dc, COLORREF c);
// A zero-filled bitmap with default masks and colour table, or null when the size is refused.
HBITMAP__* NewBitmap(int32_t width, int32_t height, int bpp, bool topDown);
// Standard colour tables: 2 (black, white), 16 (the VGA colours) or 256 (the halftone palette).
std::vector<RGBQUAD> DefaultColorTable(int bpp);
const std::vector<PALETTEENTRY>& HalftoneEntries();
const PALETTEENTRY* StaticColors20();
// A bitmap describing a caller's DIB memory (header, colour table or masks) without owning it; null when
// the header is invalid. usage DIB_PAL_COLORS takes colour-table entries as indices into dc's palette.
std::unique_ptr<HBITMAP__> DibView(const BITMAPINFO* info, UINT usage, HDC dc, const void* bits);
// Byte size of a DIB's colour table plus masks following its header (0 when invalid).
size_t DibTableBytes(const BITMAPINFOHEADER& h, UINT usage);
// Calls fn(rect) for each visible device rectangle inside r (r in device coordinates).
template <class F> void ForEachVisible(HDC dc, const TRect& r, F&& fn) {
    Region vis = dc->Visible();
    for (const TRect& c : vis.FRects) {
        TRect i = Intersect(c, r);
        if (!i.IsEmpty())
            fn(i);
    }
}

// Reads or writes n pixel values of row y starting at column x0 (in range).
void LoadRow(const HBITMAP__* bmp, int x0, int y, int n, uint32_t* out);
void StoreRow(HBITMAP__* bmp, int x0, int y, int n, const uint32_t* in);

// Raster operation on rows of pixel values: dst[i] = rop3(pat[i], src[i], dst[i]) masked by valueMask.
// pat or src may be null when the operation does not use them.
void RopRow(uint8_t rop3, const uint32_t* pat, const uint32_t* src, uint32_t* dst, int n, uint32_t valueMask);
// The reference path: evaluates the truth table bit by bit; fast paths must agree with it.
void RopRowGeneric(uint8_t rop3, const uint32_t* pat, const uint32_t* src, uint32_t* dst, int n,
                   uint32_t valueMask);
bool RopUsesSource(uint8_t rop3);
// Block transfers take their fast paths (a value table for sources of at most 8 bits, one row loop for
// copies from 8-bit sources into 32-bit targets) while this is on; tests turn it off to compare them with
// the general path. On by default.
void SetBlitFastPaths(bool on);
bool BlitFastPaths();
bool RopUsesPattern(uint8_t rop3);

// The current brush's pattern values for device row y, columns x0..x0+n-1, in the target's format.
// Returns false for a null brush. transparent (optional) marks hatch gaps drawn in TRANSPARENT mode.
bool BrushRow(HDC dc, HBRUSH brush, int x0, int y, int n, uint32_t* out, uint8_t* transparent);
// Fills a device rectangle (already clipped) with the brush using a ternary raster operation.
void PatRect(HDC dc, HBRUSH brush, const TRect& r, uint8_t rop3);
// The ternary operation that applies a binary one (R2_*) with the pattern as the pen.
uint8_t Rop2ToRop3(int rop2);

} // namespace gdi
} // namespace win
