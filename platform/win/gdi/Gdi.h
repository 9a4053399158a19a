// The software GDI: device contexts over device-independent bitmaps, palettes, pens, brushes, regions,
// raster operations and primitives. Handles are pointers to the layer's own objects (GdiObjects.h); a
// freed or foreign handle is refused, never followed.
//
// Conventions: rectangles are half-open; device coordinates are clamped to +-2^29; raster operations on
// 32-bit pixels change the colour bits only (the top byte is kept) except SRCCOPY between bitmaps of the
// same format, which copies whole pixels, and AlphaBlend/GradientFill, which write alpha.
#pragma once

#include "platform/win/WinTypes.h"

namespace win {

using ULONG = uint32_t;
using USHORT = uint16_t;
using ULONG_PTR = uintptr_t;
using FXPT2DOT30 = int32_t;

// ---------------------------------------------------------------------------------------------------------
// File-format structures. They keep their on-disk sizes: BITMAPINFOHEADER 40 bytes, BITMAPCOREHEADER 12,
// BITMAPFILEHEADER 14, BITMAPV4HEADER 108, BITMAPV5HEADER 124.

struct RGBQUAD {
    BYTE rgbBlue = 0;
    BYTE rgbGreen = 0;
    BYTE rgbRed = 0;
    BYTE rgbReserved = 0;
    constexpr bool operator==(const RGBQUAD&) const = default;
};

struct RGBTRIPLE {
    BYTE rgbtBlue;
    BYTE rgbtGreen;
    BYTE rgbtRed;
};

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};

struct BITMAPCOREHEADER {
    DWORD bcSize;
    WORD bcWidth;
    WORD bcHeight;
    WORD bcPlanes;
    WORD bcBitCount;
};

struct CIEXYZ {
    FXPT2DOT30 ciexyzX;
    FXPT2DOT30 ciexyzY;
    FXPT2DOT30 ciexyzZ;
};
struct CIEXYZTRIPLE {
    CIEXYZ ciexyzRed;
    CIEXYZ ciexyzGreen;
    CIEXYZ ciexyzBlue;
};

struct BITMAPV4HEADER {
    DWORD bV4Size;
    LONG bV4Width;
    LONG bV4Height;
    WORD bV4Planes;
    WORD bV4BitCount;
    DWORD bV4V4Compression;
    DWORD bV4SizeImage;
    LONG bV4XPelsPerMeter;
    LONG bV4YPelsPerMeter;
    DWORD bV4ClrUsed;
    DWORD bV4ClrImportant;
    DWORD bV4RedMask;
    DWORD bV4GreenMask;
    DWORD bV4BlueMask;
    DWORD bV4AlphaMask;
    DWORD bV4CSType;
    CIEXYZTRIPLE bV4Endpoints;
    DWORD bV4GammaRed;
    DWORD bV4GammaGreen;
    DWORD bV4GammaBlue;
};

struct BITMAPV5HEADER {
    DWORD bV5Size;
    LONG bV5Width;
    LONG bV5Height;
    WORD bV5Planes;
    WORD bV5BitCount;
    DWORD bV5Compression;
    DWORD bV5SizeImage;
    LONG bV5XPelsPerMeter;
    LONG bV5YPelsPerMeter;
    DWORD bV5ClrUsed;
    DWORD bV5ClrImportant;
    DWORD bV5RedMask;
    DWORD bV5GreenMask;
    DWORD bV5BlueMask;
    DWORD bV5AlphaMask;
    DWORD bV5CSType;
    CIEXYZTRIPLE bV5Endpoints;
    DWORD bV5GammaRed;
    DWORD bV5GammaGreen;
    DWORD bV5GammaBlue;
    DWORD bV5Intent;
    DWORD bV5ProfileData;
    DWORD bV5ProfileSize;
    DWORD bV5Reserved;
};

#pragma pack(push, 2)
struct BITMAPFILEHEADER {
    WORD bfType;
    DWORD bfSize;
    WORD bfReserved1;
    WORD bfReserved2;
    DWORD bfOffBits;
};
#pragma pack(pop)

static_assert(sizeof(BITMAPINFOHEADER) == 40);
static_assert(sizeof(BITMAPCOREHEADER) == 12);
static_assert(sizeof(BITMAPFILEHEADER) == 14);
static_assert(sizeof(BITMAPV4HEADER) == 108);
static_assert(sizeof(BITMAPV5HEADER) == 124);

// A header followed by its colour table (or three DWORD masks for BI_BITFIELDS). Callers allocate room
// for as many entries as they pass.
struct BITMAPINFO {
    BITMAPINFOHEADER bmiHeader;
    RGBQUAD bmiColors[1];
};

struct BITMAP {
    LONG bmType;
    LONG bmWidth;
    LONG bmHeight;
    LONG bmWidthBytes;
    WORD bmPlanes;
    WORD bmBitsPixel;
    void* bmBits;
};

struct DIBSECTION {
    BITMAP dsBm;
    BITMAPINFOHEADER dsBmih;
    DWORD dsBitfields[3];
    HANDLE dshSection;
    DWORD dsOffset;
};

constexpr DWORD BI_RGB = 0;
constexpr DWORD BI_RLE8 = 1;
constexpr DWORD BI_RLE4 = 2;
constexpr DWORD BI_BITFIELDS = 3;
constexpr UINT DIB_RGB_COLORS = 0;
constexpr UINT DIB_PAL_COLORS = 1;
constexpr DWORD CBM_INIT = 4;

// ---------------------------------------------------------------------------------------------------------
// Palettes and colours.

struct PALETTEENTRY {
    BYTE peRed;
    BYTE peGreen;
    BYTE peBlue;
    BYTE peFlags;
};

struct LOGPALETTE {
    WORD palVersion;
    WORD palNumEntries;
    PALETTEENTRY palPalEntry[1];
};

constexpr BYTE PC_RESERVED = 1;
constexpr BYTE PC_EXPLICIT = 2;
constexpr BYTE PC_NOCOLLAPSE = 4;

constexpr COLORREF PALETTEINDEX(WORD i) {
    return 0x01000000u | i;
}
constexpr COLORREF PALETTERGB(BYTE r, BYTE g, BYTE b) {
    return 0x02000000u | RGB(r, g, b);
}
constexpr COLORREF CLR_INVALID = 0xFFFFFFFF;
constexpr UINT GDI_ERROR = 0xFFFFFFFF;

// ---------------------------------------------------------------------------------------------------------
// Pens, brushes and fonts.

struct LOGBRUSH {
    UINT lbStyle;
    COLORREF lbColor;
    ULONG_PTR lbHatch;
};

struct LOGPEN {
    UINT lopnStyle;
    POINT lopnWidth;
    COLORREF lopnColor;
};

constexpr int LF_FACESIZE = 32;
struct LOGFONTA {
    LONG lfHeight;
    LONG lfWidth;
    LONG lfEscapement;
    LONG lfOrientation;
    LONG lfWeight;
    BYTE lfItalic;
    BYTE lfUnderline;
    BYTE lfStrikeOut;
    BYTE lfCharSet;
    BYTE lfOutPrecision;
    BYTE lfClipPrecision;
    BYTE lfQuality;
    BYTE lfPitchAndFamily;
    char lfFaceName[LF_FACESIZE]; // UTF-8
};
using LOGFONT = LOGFONTA;

constexpr UINT PS_SOLID = 0;
constexpr UINT PS_DASH = 1;
constexpr UINT PS_DOT = 2;
constexpr UINT PS_DASHDOT = 3;
constexpr UINT PS_DASHDOTDOT = 4;
constexpr UINT PS_NULL = 5;
constexpr UINT PS_INSIDEFRAME = 6;
constexpr UINT PS_USERSTYLE = 7;
constexpr UINT PS_ALTERNATE = 8;
constexpr UINT PS_STYLE_MASK = 0x0000000F;
constexpr UINT PS_ENDCAP_ROUND = 0x00000000;
constexpr UINT PS_ENDCAP_SQUARE = 0x00000100;
constexpr UINT PS_ENDCAP_FLAT = 0x00000200;
constexpr UINT PS_ENDCAP_MASK = 0x00000F00;
constexpr UINT PS_JOIN_ROUND = 0x00000000;
constexpr UINT PS_JOIN_BEVEL = 0x00001000;
constexpr UINT PS_JOIN_MITER = 0x00002000;
constexpr UINT PS_JOIN_MASK = 0x0000F000;
constexpr UINT PS_COSMETIC = 0x00000000;
constexpr UINT PS_GEOMETRIC = 0x00010000;

constexpr UINT BS_SOLID = 0;
constexpr UINT BS_NULL = 1;
constexpr UINT BS_HOLLOW = BS_NULL;
constexpr UINT BS_HATCHED = 2;
constexpr UINT BS_PATTERN = 3;
constexpr UINT BS_DIBPATTERN = 5;
constexpr UINT BS_DIBPATTERNPT = 6;

constexpr int HS_HORIZONTAL = 0; // -----
constexpr int HS_VERTICAL = 1;   // |||||
constexpr int HS_FDIAGONAL = 2;  // \\\\\ (top-left to bottom-right)
constexpr int HS_BDIAGONAL = 3;  // ///// (bottom-left to top-right)
constexpr int HS_CROSS = 4;      // +++++
constexpr int HS_DIAGCROSS = 5;  // xxxxx

// ---------------------------------------------------------------------------------------------------------
// Device context settings.

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;

constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

constexpr int BLACKONWHITE = 1;
constexpr int WHITEONBLACK = 2;
constexpr int COLORONCOLOR = 3;
constexpr int HALFTONE = 4;
constexpr int STRETCH_ANDSCANS = BLACKONWHITE;
constexpr int STRETCH_ORSCANS = WHITEONBLACK;
constexpr int STRETCH_DELETESCANS = COLORONCOLOR;
constexpr int STRETCH_HALFTONE = HALFTONE;

constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

constexpr int AD_COUNTERCLOCKWISE = 1;
constexpr int AD_CLOCKWISE = 2;

constexpr int MM_TEXT = 1;
constexpr int MM_LOMETRIC = 2;
constexpr int MM_HIMETRIC = 3;
constexpr int MM_LOENGLISH = 4;
constexpr int MM_HIENGLISH = 5;
constexpr int MM_TWIPS = 6;
constexpr int MM_ISOTROPIC = 7;
constexpr int MM_ANISOTROPIC = 8;

// GetDeviceCaps indices and answers.
constexpr int HORZSIZE = 4;
constexpr int VERTSIZE = 6;
constexpr int HORZRES = 8;
constexpr int VERTRES = 10;
constexpr int BITSPIXEL = 12;
constexpr int PLANES = 14;
constexpr int NUMBRUSHES = 16;
constexpr int NUMPENS = 18;
constexpr int NUMFONTS = 22;
constexpr int NUMCOLORS = 24;
constexpr int TECHNOLOGY = 2;
constexpr int RASTERCAPS = 38;
constexpr int LOGPIXELSX = 88;
constexpr int LOGPIXELSY = 90;
constexpr int SIZEPALETTE = 104;
constexpr int NUMRESERVED = 106;
constexpr int COLORRES = 108;
constexpr int DT_RASDISPLAY = 1;
constexpr int RC_BITBLT = 0x0001;
constexpr int RC_BITMAP64 = 0x0008;
constexpr int RC_DI_BITMAP = 0x0080;
constexpr int RC_PALETTE = 0x0100;
constexpr int RC_DIBTODEV = 0x0200;
constexpr int RC_STRETCHBLT = 0x0800;
constexpr int RC_FLOODFILL = 0x1000;
constexpr int RC_STRETCHDIB = 0x2000;

// Object types (GetObjectType).
constexpr DWORD OBJ_PEN = 1;
constexpr DWORD OBJ_BRUSH = 2;
constexpr DWORD OBJ_DC = 3;
constexpr DWORD OBJ_PAL = 5;
constexpr DWORD OBJ_FONT = 6;
constexpr DWORD OBJ_BITMAP = 7;
constexpr DWORD OBJ_REGION = 8;
constexpr DWORD OBJ_MEMDC = 10;

// Stock objects.
constexpr int WHITE_BRUSH = 0;
constexpr int LTGRAY_BRUSH = 1;
constexpr int GRAY_BRUSH = 2;
constexpr int DKGRAY_BRUSH = 3;
constexpr int BLACK_BRUSH = 4;
constexpr int NULL_BRUSH = 5;
constexpr int HOLLOW_BRUSH = NULL_BRUSH;
constexpr int WHITE_PEN = 6;
constexpr int BLACK_PEN = 7;
constexpr int NULL_PEN = 8;
constexpr int OEM_FIXED_FONT = 10;
constexpr int ANSI_FIXED_FONT = 11;
constexpr int ANSI_VAR_FONT = 12;
constexpr int SYSTEM_FONT = 13;
constexpr int DEVICE_DEFAULT_FONT = 14;
constexpr int DEFAULT_PALETTE = 15;
constexpr int SYSTEM_FIXED_FONT = 16;
constexpr int DEFAULT_GUI_FONT = 17;

// Region results and combination modes.
constexpr int ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// ---------------------------------------------------------------------------------------------------------
// Raster operations: the ternary operation's index byte (bit P<<2 | S<<1 | D gives the result) sits in
// bits 16..23; the low word is the traditional operation code and is ignored.

constexpr DWORD SRCCOPY = 0x00CC0020;
constexpr DWORD SRCPAINT = 0x00EE0086;
constexpr DWORD SRCAND = 0x008800C6;
constexpr DWORD SRCINVERT = 0x00660046;
constexpr DWORD SRCERASE = 0x00440328;
constexpr DWORD NOTSRCCOPY = 0x00330008;
constexpr DWORD NOTSRCERASE = 0x001100A6;
constexpr DWORD MERGECOPY = 0x00C000CA;
constexpr DWORD MERGEPAINT = 0x00BB0226;
constexpr DWORD PATCOPY = 0x00F00021;
constexpr DWORD PATPAINT = 0x00FB0A09;
constexpr DWORD PATINVERT = 0x005A0049;
constexpr DWORD DSTINVERT = 0x00550009;
constexpr DWORD BLACKNESS = 0x00000042;
constexpr DWORD WHITENESS = 0x00FF0062;
constexpr DWORD NOMIRRORBITMAP = 0x80000000;
constexpr DWORD CAPTUREBLT = 0x40000000;
// MaskBlt: fore applies where the mask bit is 1, back where it is 0.
constexpr DWORD MAKEROP4(DWORD fore, DWORD back) {
    return ((back << 8) & 0xFF000000u) | fore;
}

// ---------------------------------------------------------------------------------------------------------
// GDI objects: counting, kinds, deletion.

enum class GdiKind { gkDC, gkBitmap, gkPen, gkBrush, gkFont, gkRegion, gkPalette, gkIcon, gkCount };
// Live (non-stock) objects of a kind; tests use it to prove objects are released.
int GdiObjectCount(GdiKind kind);

HGDIOBJ GetStockObject(int index);
// Frees an object. Stock objects are ignored; an object still selected into a DC is freed when it is
// deselected (or its DC deleted). Returns FALSE for a null handle.
BOOL DeleteObject(HGDIOBJ obj);
DWORD GetObjectType(HGDIOBJ obj);
// Copies the object's description: BITMAP or DIBSECTION, LOGPEN, LOGBRUSH, LOGFONT, or a WORD entry
// count for a palette. With a null buffer returns the size needed.
int GetObject(HGDIOBJ obj, int size, void* buffer);
BOOL GdiFlush();

// The handle types are incomplete outside the library, so each one gets typed overloads of the generic
// calls, an upcast (ToGdiObj) and a checked downcast (AsBitmap ... AsRegion: null when the object is of
// another kind).
#define LOOMWICK_GDI_HANDLE_OVERLOADS(H)                                                                     \
    HGDIOBJ SelectObject(HDC dc, H obj);                                                                     \
    BOOL DeleteObject(H obj);                                                                                \
    int GetObject(H obj, int size, void* buffer);                                                            \
    DWORD GetObjectType(H obj);                                                                              \
    HGDIOBJ ToGdiObj(H obj);
LOOMWICK_GDI_HANDLE_OVERLOADS(HBITMAP)
LOOMWICK_GDI_HANDLE_OVERLOADS(HPEN)
LOOMWICK_GDI_HANDLE_OVERLOADS(HBRUSH)
LOOMWICK_GDI_HANDLE_OVERLOADS(HFONT)
LOOMWICK_GDI_HANDLE_OVERLOADS(HRGN)
LOOMWICK_GDI_HANDLE_OVERLOADS(HPALETTE)
#undef LOOMWICK_GDI_HANDLE_OVERLOADS
DWORD GetObjectType(HDC dc);
HBITMAP AsBitmap(HGDIOBJ obj);
HPEN AsPen(HGDIOBJ obj);
HBRUSH AsBrush(HGDIOBJ obj);
HFONT AsFont(HGDIOBJ obj);
HRGN AsRegion(HGDIOBJ obj);
HPALETTE AsPalette(HGDIOBJ obj);

// ---------------------------------------------------------------------------------------------------------
// Device contexts.

HDC CreateCompatibleDC(HDC dc);
BOOL DeleteDC(HDC dc);
// The virtual screen's DC, shared and never deleted (DeleteDC ignores it).
HDC GetScreenDC();
// A new DC on the virtual screen; free it with DeleteDC.
HDC CreateScreenDC();
// Virtual screen size and depth (tests may change them; the depth applies to compatible bitmaps).
void SetScreenSize(int width, int height);
// The depths the GDI draws at: 1, 4, 8, 16, 24 and 32 bits a pixel; SetScreenBitsPixel ignores any other.
bool ScreenBitsPixelSupported(int bpp);
void SetScreenBitsPixel(int bpp);
int GetScreenBitsPixel();
void SetScreenLogPixels(int dpi);
HBITMAP GetScreenBitmap();

// Selects a pen, brush, font or bitmap (into a memory DC, one DC at a time) and returns the previous one, or
// null on failure. Selecting a region sets the clip region to a copy of it and returns the region.
// Palettes go through SelectPalette.
HGDIOBJ SelectObject(HDC dc, HGDIOBJ obj);
HGDIOBJ GetCurrentObject(HDC dc, UINT type);
int SaveDC(HDC dc);
BOOL RestoreDC(HDC dc, int saved);
int GetDeviceCaps(HDC dc, int index);

COLORREF SetBkColor(HDC dc, COLORREF c);
COLORREF GetBkColor(HDC dc);
int SetBkMode(HDC dc, int mode);
int GetBkMode(HDC dc);
COLORREF SetTextColor(HDC dc, COLORREF c);
COLORREF GetTextColor(HDC dc);
int SetROP2(HDC dc, int rop2);
int GetROP2(HDC dc);
int SetStretchBltMode(HDC dc, int mode);
int GetStretchBltMode(HDC dc);
int SetPolyFillMode(HDC dc, int mode);
int GetPolyFillMode(HDC dc);
int SetArcDirection(HDC dc, int dir);
int GetArcDirection(HDC dc);
BOOL SetBrushOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetBrushOrgEx(HDC dc, POINT* org);

// Coordinates and mapping.
int SetMapMode(HDC dc, int mode);
int GetMapMode(HDC dc);
BOOL SetViewportOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetViewportOrgEx(HDC dc, POINT* org);
BOOL OffsetViewportOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetWindowOrgEx(HDC dc, int x, int y, POINT* old);
BOOL GetWindowOrgEx(HDC dc, POINT* org);
BOOL OffsetWindowOrgEx(HDC dc, int dx, int dy, POINT* old);
BOOL SetViewportExtEx(HDC dc, int x, int y, SIZE* old);
BOOL GetViewportExtEx(HDC dc, SIZE* ext);
BOOL SetWindowExtEx(HDC dc, int x, int y, SIZE* old);
BOOL GetWindowExtEx(HDC dc, SIZE* ext);
BOOL LPtoDP(HDC dc, POINT* pts, int count);
BOOL DPtoLP(HDC dc, POINT* pts, int count);
BOOL GetDCOrgEx(HDC dc, POINT* org);
// Window system hook: where the DC's device origin lies on the screen.
void SetDCOrg(HDC dc, int x, int y);

// ---------------------------------------------------------------------------------------------------------
// Bitmaps.

HBITMAP CreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                         DWORD offset);
// Device-dependent bitmaps. Bits given to CreateBitmap are top-down rows padded to 16 bits.
HBITMAP CreateBitmap(int width, int height, UINT planes, UINT bitsPerPixel, const void* bits);
HBITMAP CreateCompatibleBitmap(HDC dc, int width, int height);
HBITMAP CreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                       const BITMAPINFO* info, UINT usage);
LONG GetBitmapBits(HBITMAP bmp, LONG count, void* bits);
LONG SetBitmapBits(HBITMAP bmp, DWORD count, const void* bits);
// Reads lines [start, start+lines) counted from the bottom of the bitmap into bits in the format of
// info (converted as needed). With bits null only fills in the header (and colour table).
int GetDIBits(HDC dc, HBITMAP bmp, UINT start, UINT lines, void* bits, BITMAPINFO* info, UINT usage);
int SetDIBits(HDC dc, HBITMAP bmp, UINT start, UINT lines, const void* bits, const BITMAPINFO* info,
              UINT usage);
int SetDIBitsToDevice(HDC dc, int xDest, int yDest, DWORD w, DWORD h, int xSrc, int ySrc, UINT startScan,
                      UINT lines, const void* bits, const BITMAPINFO* info, UINT usage);
int StretchDIBits(HDC dc, int xDest, int yDest, int wDest, int hDest, int xSrc, int ySrc, int wSrc, int hSrc,
                  const void* bits, const BITMAPINFO* info, UINT usage, DWORD rop);
UINT GetDIBColorTable(HDC dc, UINT start, UINT count, RGBQUAD* colors);
UINT SetDIBColorTable(HDC dc, UINT start, UINT count, const RGBQUAD* colors);
// Bytes per DIB row for a width and depth (rows padded to 4 bytes); -1 when too large.
int64_t DibStride(int64_t width, int bitsPerPixel);

// ---------------------------------------------------------------------------------------------------------
// Raster operations.

BOOL BitBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, DWORD rop);
BOOL PatBlt(HDC dc, int x, int y, int w, int h, DWORD rop);
// Negative extents mirror. Scaling picks the source pixel whose centre is nearest; when shrinking,
// BLACKONWHITE ANDs and WHITEONBLACK ORs the covered source pixels, HALFTONE averages them.
BOOL StretchBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                DWORD rop);
// Copies (stretching) all source pixels except those of the colour `transparent`.
BOOL TransparentBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                    UINT transparent);
struct BLENDFUNCTION {
    BYTE BlendOp;
    BYTE BlendFlags;
    BYTE SourceConstantAlpha;
    BYTE AlphaFormat;
};
constexpr BYTE AC_SRC_OVER = 0;
constexpr BYTE AC_SRC_ALPHA = 1;
// Source over destination with premultiplied colours: per-pixel alpha of a 32-bit source (AC_SRC_ALPHA)
// and a constant alpha for the whole source. A 32-bit destination keeps a combined alpha.
BOOL AlphaBlend(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, int wSrc, int hSrc,
                BLENDFUNCTION blend);
// rop = MAKEROP4(fore, back): fore where the monochrome mask's bit is 1, back where it is 0.
BOOL MaskBlt(HDC dst, int x, int y, int w, int h, HDC src, int xSrc, int ySrc, HBITMAP mask, int xMask,
             int yMask, DWORD rop);

// ---------------------------------------------------------------------------------------------------------
// Palettes.

HPALETTE CreatePalette(const LOGPALETTE* lp);
UINT GetPaletteEntries(HPALETTE pal, UINT start, UINT count, PALETTEENTRY* entries);
UINT SetPaletteEntries(HPALETTE pal, UINT start, UINT count, const PALETTEENTRY* entries);
BOOL ResizePalette(HPALETTE pal, UINT count);
UINT GetNearestPaletteIndex(HPALETTE pal, COLORREF c);
COLORREF GetNearestColor(HDC dc, COLORREF c);
// The fixed 256-colour halftone palette: entries 0..9 and 246..255 are the static colours, 10..225 a
// 6x6x6 colour cube (index 10 + 36 r + 6 g + b, channel levels 0, 51, ..., 255) and 226..245 a ramp of
// grays between the cube's (levels 8, 20, ..., 236). The layout is stable.
HPALETTE CreateHalftonePalette(HDC dc);
UINT GetSystemPaletteEntries(HDC dc, UINT start, UINT count, PALETTEENTRY* entries);
HPALETTE SelectPalette(HDC dc, HPALETTE pal, BOOL forceBackground);
UINT RealizePalette(HDC dc);
BOOL UpdateColors(HDC dc);

// ---------------------------------------------------------------------------------------------------------
// Pens and brushes.

HPEN CreatePen(int style, int width, COLORREF color);
HPEN CreatePenIndirect(const LOGPEN* lp);
HPEN ExtCreatePen(DWORD style, DWORD width, const LOGBRUSH* brush, DWORD styleCount, const DWORD* styles);
HBRUSH CreateSolidBrush(COLORREF color);
HBRUSH CreateHatchBrush(int hatch, COLORREF color);
// A brush tiled from an 8x8 (or larger) bitmap; a monochrome bitmap draws 0 bits in the DC's text colour
// and 1 bits in its background colour.
HBRUSH CreatePatternBrush(HBITMAP bmp);
HBRUSH CreateBrushIndirect(const LOGBRUSH* lb);

// ---------------------------------------------------------------------------------------------------------
// Primitives.

// Lines exclude their last pixel. Figures are filled with the brush and outlined with the pen through the
// DC's binary raster operation; without a pen they lose their right column and bottom row.
BOOL MoveToEx(HDC dc, int x, int y, POINT* old);
BOOL GetCurrentPositionEx(HDC dc, POINT* pos);
BOOL LineTo(HDC dc, int x, int y);
BOOL Polyline(HDC dc, const POINT* pts, int count);
BOOL PolylineTo(HDC dc, const POINT* pts, DWORD count);
BOOL Polygon(HDC dc, const POINT* pts, int count);
BOOL PolyPolygon(HDC dc, const POINT* pts, const int32_t* counts, int polygons);
BOOL Rectangle(HDC dc, int left, int top, int right, int bottom);
BOOL RoundRect(HDC dc, int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
BOOL Ellipse(HDC dc, int left, int top, int right, int bottom);
// Arcs run counter-clockwise (SetArcDirection) from the radial through (xs, ys) to the one through (xe, ye).
BOOL Arc(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye);
BOOL Pie(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye);
BOOL Chord(HDC dc, int left, int top, int right, int bottom, int xs, int ys, int xe, int ye);
// Fills with the brush the area bounded by `color` (FLOODFILLBORDER) or of that colour (FLOODFILLSURFACE).
constexpr UINT FLOODFILLBORDER = 0;
constexpr UINT FLOODFILLSURFACE = 1;
BOOL ExtFloodFill(HDC dc, int x, int y, COLORREF color, UINT type);
BOOL FloodFill(HDC dc, int x, int y, COLORREF border);

using COLOR16 = USHORT;
struct TRIVERTEX {
    LONG x;
    LONG y;
    COLOR16 Red;
    COLOR16 Green;
    COLOR16 Blue;
    COLOR16 Alpha;
};
struct GRADIENT_RECT {
    ULONG UpperLeft;
    ULONG LowerRight;
};
struct GRADIENT_TRIANGLE {
    ULONG Vertex1;
    ULONG Vertex2;
    ULONG Vertex3;
};
constexpr ULONG GRADIENT_FILL_RECT_H = 0;
constexpr ULONG GRADIENT_FILL_RECT_V = 1;
constexpr ULONG GRADIENT_FILL_TRIANGLE = 2;
// Colours run linearly across each rectangle from its first vertex to its second (pixel x - left over the
// width), or are interpolated over each triangle; 32-bit targets also receive the interpolated alpha.
BOOL GradientFill(HDC dc, const TRIVERTEX* vertices, ULONG nVertices, const void* mesh, ULONG nMesh,
                  ULONG mode);

// The dotted focus rectangle, drawn by inversion: a second call erases it.
BOOL DrawFocusRect(HDC dc, const RECT* rc);

int FillRect(HDC dc, const RECT* rc, HBRUSH brush);
int FrameRect(HDC dc, const RECT* rc, HBRUSH brush);
BOOL InvertRect(HDC dc, const RECT* rc);
COLORREF SetPixel(HDC dc, int x, int y, COLORREF c);
BOOL SetPixelV(HDC dc, int x, int y, COLORREF c);
COLORREF GetPixel(HDC dc, int x, int y);

// ---------------------------------------------------------------------------------------------------------
// Regions: banded rectangle lists in logical units; clip regions are in device units.

using INT = int32_t;
constexpr DWORD RDH_RECTANGLES = 1;
struct RGNDATAHEADER {
    DWORD dwSize;
    DWORD iType;
    DWORD nCount;
    DWORD nRgnSize;
    RECT rcBound;
};
struct RGNDATA {
    RGNDATAHEADER rdh;
    char Buffer[1]; // nCount RECTs
};

HRGN CreateRectRgn(int left, int top, int right, int bottom);
HRGN CreateRectRgnIndirect(const RECT* r);
HRGN CreateEllipticRgn(int left, int top, int right, int bottom);
HRGN CreateEllipticRgnIndirect(const RECT* r);
HRGN CreateRoundRectRgn(int left, int top, int right, int bottom, int ellipseWidth, int ellipseHeight);
// A polygon of fewer than three points (or with no area) gives an empty region, not a failure.
HRGN CreatePolygonRgn(const POINT* pts, int count, int fillMode);
HRGN CreatePolyPolygonRgn(const POINT* pts, const INT* counts, int polygons, int fillMode);
HRGN ExtCreateRegion(const void* xform, DWORD count, const RGNDATA* data);
DWORD GetRegionData(HRGN rgn, DWORD count, RGNDATA* data);
int CombineRgn(HRGN dst, HRGN a, HRGN b, int mode);
BOOL EqualRgn(HRGN a, HRGN b);
int OffsetRgn(HRGN rgn, int dx, int dy);
BOOL PtInRegion(HRGN rgn, int x, int y);
BOOL RectInRegion(HRGN rgn, const RECT* r);
int GetRgnBox(HRGN rgn, RECT* box);
BOOL SetRectRgn(HRGN rgn, int left, int top, int right, int bottom);
BOOL FillRgn(HDC dc, HRGN rgn, HBRUSH brush);
BOOL FrameRgn(HDC dc, HRGN rgn, HBRUSH brush, int width, int height);
BOOL InvertRgn(HDC dc, HRGN rgn);
BOOL PaintRgn(HDC dc, HRGN rgn);

int SelectClipRgn(HDC dc, HRGN rgn);
int ExtSelectClipRgn(HDC dc, HRGN rgn, int mode);
// 1 and a copy of the clip region when one is selected, 0 when none, -1 on error.
int GetClipRgn(HDC dc, HRGN rgn);
int IntersectClipRect(HDC dc, int left, int top, int right, int bottom);
int ExcludeClipRect(HDC dc, int left, int top, int right, int bottom);
int OffsetClipRgn(HDC dc, int dx, int dy);
int GetClipBox(HDC dc, RECT* box);
BOOL PtVisible(HDC dc, int x, int y);
BOOL RectVisible(HDC dc, const RECT* r);

// Window-system hooks. A target DC draws into a bitmap it does not own (a window's back buffer) with
// device (0, 0) at (x, y) of that bitmap; the meta clip (device units, null for none) is the window's
// visible region, and the user's clipping always lies within it.
HDC CreateTargetDC(HBITMAP target, int x, int y);
void SetMetaClipRgn(HDC dc, HRGN rgn);

// ---------------------------------------------------------------------------------------------------------
// System colours: the classic scheme until changed.

constexpr int COLOR_SCROLLBAR = 0;
constexpr int COLOR_BACKGROUND = 1;
constexpr int COLOR_DESKTOP = COLOR_BACKGROUND;
constexpr int COLOR_ACTIVECAPTION = 2;
constexpr int COLOR_INACTIVECAPTION = 3;
constexpr int COLOR_MENU = 4;
constexpr int COLOR_WINDOW = 5;
constexpr int COLOR_WINDOWFRAME = 6;
constexpr int COLOR_MENUTEXT = 7;
constexpr int COLOR_WINDOWTEXT = 8;
constexpr int COLOR_CAPTIONTEXT = 9;
constexpr int COLOR_ACTIVEBORDER = 10;
constexpr int COLOR_INACTIVEBORDER = 11;
constexpr int COLOR_APPWORKSPACE = 12;
constexpr int COLOR_HIGHLIGHT = 13;
constexpr int COLOR_HIGHLIGHTTEXT = 14;
constexpr int COLOR_BTNFACE = 15;
constexpr int COLOR_3DFACE = COLOR_BTNFACE;
constexpr int COLOR_BTNSHADOW = 16;
constexpr int COLOR_3DSHADOW = COLOR_BTNSHADOW;
constexpr int COLOR_GRAYTEXT = 17;
constexpr int COLOR_BTNTEXT = 18;
constexpr int COLOR_INACTIVECAPTIONTEXT = 19;
constexpr int COLOR_BTNHIGHLIGHT = 20;
constexpr int COLOR_BTNHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHIGHLIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DHILIGHT = COLOR_BTNHIGHLIGHT;
constexpr int COLOR_3DDKSHADOW = 21;
constexpr int COLOR_3DLIGHT = 22;
constexpr int COLOR_INFOTEXT = 23;
constexpr int COLOR_INFOBK = 24;
constexpr int COLOR_HOTLIGHT = 26;
constexpr int COLOR_GRADIENTACTIVECAPTION = 27;
constexpr int COLOR_GRADIENTINACTIVECAPTION = 28;
constexpr int COLOR_MENUHILIGHT = 29;
constexpr int COLOR_MENUBAR = 30;

COLORREF GetSysColor(int index);
// A stock brush per system colour; it follows later colour changes and DeleteObject ignores it.
HBRUSH GetSysColorBrush(int index);
BOOL SetSysColors(int count, const INT* elements, const COLORREF* values);
// Test and settings hooks: replace entries 0 .. count - 1 at once, or go back to the classic scheme.
// Announcing the change (WM_SYSCOLORCHANGE) is the window system's job.
void SetSysColorScheme(const COLORREF* colors, int count);
void ResetSysColors();

// ---------------------------------------------------------------------------------------------------------
// Icons and cursors (HCURSOR is an HICON): a monochrome AND mask and a colour XOR image. A monochrome icon
// has no colour image and a mask twice as high, the XOR image in its lower half.

struct ICONINFO {
    BOOL fIcon;
    DWORD xHotspot;
    DWORD yHotspot;
    HBITMAP hbmMask;
    HBITMAP hbmColor;
};
constexpr UINT DI_MASK = 0x0001;
constexpr UINT DI_IMAGE = 0x0002;
constexpr UINT DI_NORMAL = 0x0003;

// The icon keeps copies of the bitmaps; the caller still owns and deletes its own.
HICON CreateIconIndirect(const ICONINFO* info);
// Fills in new copies of the mask and colour bitmaps, which the caller must delete.
BOOL GetIconInfo(HICON icon, ICONINFO* info);
HICON CopyIcon(HICON icon);
BOOL DestroyIcon(HICON icon);
BOOL GetIconSize(HICON icon, SIZE* size);
// Draws the mask with AND and the image with XOR (each with SRCCOPY when drawn alone); a 32-bit image with
// alpha is blended instead. Sizes of 0 take the icon's own; a flicker-free brush composes off-screen first.
BOOL DrawIconEx(HDC dc, int x, int y, HICON icon, int cx, int cy, UINT step, HBRUSH flickerFree, UINT flags);
BOOL DrawIcon(HDC dc, int x, int y, HICON icon);

// ---------------------------------------------------------------------------------------------------------
// Rectangle helpers.

BOOL SetRect(RECT* r, int left, int top, int right, int bottom);
BOOL SetRectEmpty(RECT* r);
BOOL CopyRect(RECT* dst, const RECT* src);
BOOL InflateRect(RECT* r, int dx, int dy);
BOOL OffsetRect(RECT* r, int dx, int dy);
BOOL IntersectRect(RECT* dst, const RECT* a, const RECT* b);
BOOL UnionRect(RECT* dst, const RECT* a, const RECT* b);
BOOL SubtractRect(RECT* dst, const RECT* a, const RECT* b);
BOOL EqualRect(const RECT* a, const RECT* b);
BOOL IsRectEmpty(const RECT* r);
BOOL PtInRect(const RECT* r, POINT p);

} // namespace win
