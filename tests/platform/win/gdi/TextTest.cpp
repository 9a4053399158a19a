// Fonts, text output and DrawText, measured with the shipped Liberation and DejaVu fonts.
#include "platform/win/gdi/Text.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/DrawTextLayout.h"
#include "platform/win/gdi/FontsEngine.h"
#include "tests/platform/win/gdi/TextTestCanvas.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <string>

using namespace win;
using texttest::DibCanvas;

namespace {

const COLORREF White = RGB(255, 255, 255);
const COLORREF Black = RGB(0, 0, 0);

HFONT MakeFont(const char* face, int height, int escapement = 0, int weight = FW_NORMAL,
               bool underline = false, bool strikeOut = false, BYTE quality = DEFAULT_QUALITY) {
    return CreateFont(height, 0, escapement, escapement, weight, 0, underline, strikeOut, DEFAULT_CHARSET, 0,
                      0, quality, 0, face);
}

// A canvas with a font selected, black text, transparent background.
struct TextCanvas : DibCanvas {
    HFONT Font;
    HGDIOBJ OldFont;
    TextCanvas(int w, int h, HFONT font) : DibCanvas(w, h), Font(font) {
        OldFont = SelectObject(Dc, Font);
        SetTextColor(Dc, Black);
        SetBkMode(Dc, TRANSPARENT);
    }
    ~TextCanvas() {
        SelectObject(Dc, OldFont);
        DeleteObject(Font);
    }
    SIZE Extent(const char* s) {
        SIZE size{};
        GetTextExtentPoint32(Dc, s, int(std::strlen(s)), &size);
        return size;
    }
    TEXTMETRIC Metrics() {
        TEXTMETRIC tm;
        GetTextMetrics(Dc, &tm);
        return tm;
    }
    bool Inside(const TRect& ink, const TRect& box) {
        return ink.Left >= box.Left && ink.Top >= box.Top && ink.Right <= box.Right &&
               ink.Bottom <= box.Bottom;
    }
};

// ---- Fonts --------------------------------------------------------------------------------------------

TEST(TextFonts, FaceNamesMapToMetricCompatibleDebianFonts) {
    struct Case {
        const char* Face;
        BYTE Pitch;
        const char* Family;
    } cases[] = {
        {"Arial", 0, "Liberation Sans"},
        {"MS Sans Serif", 0, "Liberation Sans"},
        {"Tahoma", 0, "Liberation Sans"},
        {"Microsoft Sans Serif", 0, "Liberation Sans"},
        {"MS Shell Dlg", 0, "Liberation Sans"},
        {"ARIAL", 0, "Liberation Sans"},
        {"Courier New", 0, "Liberation Mono"},
        {"Times New Roman", 0, "Liberation Serif"},
        {"Verdana", 0, "DejaVu Sans"},
        {"Marlett", 0, "DejaVu Sans"},
        {"", FIXED_PITCH, "Liberation Mono"},
        {"", FF_ROMAN, "Liberation Serif"},
        {"", 0, "Liberation Sans"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(MapFaceName(c.Face, c.Pitch), c.Family) << c.Face;
        LOGFONT lf{};
        lf.lfHeight = -11;
        lf.lfPitchAndFamily = c.Pitch;
        std::strncpy(lf.lfFaceName, c.Face, LF_FACESIZE - 1);
        HFONT font = CreateFontIndirect(&lf);
        EXPECT_EQ(RealizedFamilyName(font), c.Family) << "fontconfig found another font for " << c.Face;
        DeleteObject(font);
    }
}

TEST(TextFonts, MetricsFollowTheRequestedHeight) {
    // Negative heights give the em size, positive ones the cell; both keep ascent + descent = height.
    for (int height : {-8, -11, -13, -24, -100, 10, 16, 33}) {
        TextCanvas c(8, 8, MakeFont("Arial", height));
        const TEXTMETRIC tm = c.Metrics();
        EXPECT_EQ(tm.tmHeight, tm.tmAscent + tm.tmDescent) << height;
        if (height < 0)
            EXPECT_EQ(tm.tmHeight - tm.tmInternalLeading, -height) << height;
        else
            EXPECT_EQ(tm.tmHeight, height);
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_TRUETYPE);
        EXPECT_TRUE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH) << "a proportional font";
        EXPECT_GT(tm.tmAveCharWidth, 0);
        EXPECT_GE(tm.tmMaxCharWidth, tm.tmAveCharWidth);
    }
    // The dialog font: Liberation Sans at 11 pixels has Arial's 13-pixel cell.
    TextCanvas dlg(8, 8, MakeFont("MS Sans Serif", -11));
    const TEXTMETRIC tm = dlg.Metrics();
    EXPECT_EQ(tm.tmAscent, 10);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(dlg.Extent("Qq").cy, 13);
}

TEST(TextFonts, StockFonts) {
    DibCanvas c(8, 8);
    TEXTMETRIC tm;
    ASSERT_TRUE(GetTextMetrics(c.Dc, &tm)); // a new DC draws with the system font
    EXPECT_EQ(tm.tmHeight, 16);
    EXPECT_GE(tm.tmWeight, FW_BOLD);
    HGDIOBJ old = SelectObject(c.Dc, GetStockObject(DEFAULT_GUI_FONT));
    ASSERT_TRUE(GetTextMetrics(c.Dc, &tm));
    EXPECT_EQ(tm.tmHeight, 13);
    char face[LF_FACESIZE];
    GetTextFace(c.Dc, sizeof face, face);
    EXPECT_STREQ(face, "MS Shell Dlg");
    SelectObject(c.Dc, GetStockObject(ANSI_FIXED_FONT));
    int w[5];
    GetCharWidth32(c.Dc, 'i', 'm', w);
    EXPECT_EQ(w[0], w[4]);
    SelectObject(c.Dc, old);
}

TEST(TextFonts, FixedPitchFontHasEqualAdvances) {
    TextCanvas c(8, 8, MakeFont("Courier New", -13));
    const TEXTMETRIC tm = c.Metrics();
    EXPECT_FALSE(tm.tmPitchAndFamily & TMPF_FIXED_PITCH);
    int widths[3];
    ASSERT_TRUE(GetCharWidth32(c.Dc, 'i', 'k', widths));
    EXPECT_EQ(widths[0], widths[2]);
    EXPECT_EQ(c.Extent("iiii").cx, c.Extent("MMMM").cx);
    EXPECT_EQ(tm.tmAveCharWidth, widths[0]);
}

TEST(TextFonts, ObjectRoundTripAndCounting) {
    const int before = GdiObjectCount(GdiKind::gkFont);
    HFONT font = MakeFont("Arial", -12, 0, FW_BOLD, true);
    EXPECT_EQ(GdiObjectCount(GdiKind::gkFont), before + 1);
    LOGFONT lf{};
    ASSERT_EQ(GetObject(font, sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -12);
    EXPECT_EQ(lf.lfWeight, FW_BOLD);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_STREQ(lf.lfFaceName, "Arial");
    {
        TextCanvas c(8, 8, font);
        char face[LF_FACESIZE];
        EXPECT_EQ(GetTextFace(c.Dc, sizeof face, face), 6);
        EXPECT_STREQ(face, "Arial");
        EXPECT_EQ(GetTextFace(c.Dc, 0, nullptr), 6);
    }
    EXPECT_EQ(GdiObjectCount(GdiKind::gkFont), before);
}

TEST(TextFonts, MarlettSymbolsAreDrawnByTheLayer) {
    // "r" is the close cross: symmetric, one em wide; other letters come from the fallback face.
    TextCanvas c(40, 20, MakeFont("Marlett", -11));
    EXPECT_EQ(c.Extent("r").cx, 11);
    TextOut(c.Dc, 2, 2, "r", 1);
    const TRect cross = c.Ink();
    ASSERT_FALSE(cross.IsEmpty());
    EXPECT_EQ(cross.Width(), 8);
    EXPECT_EQ(cross.Height(), 7);
    for (int y = cross.Top; y < cross.Bottom; ++y)
        for (int x = cross.Left; x < cross.Right; ++x)
            EXPECT_EQ(c.At(x, y), c.At(cross.Left + cross.Right - 1 - x, y));
    EXPECT_EQ(c.Count(Black, cross), 26); // two strokes of 7 rows x 2 pixels, meeting in the middle row
    // A font of another name at the same size keeps its own "r".
    TextCanvas v(40, 20, MakeFont("Verdana", -11));
    TextOut(v.Dc, 2, 2, "r", 1);
    EXPECT_NE(v.Ink(), cross);
    for (const char* symbol : {"0", "1", "2", "3", "4", "5", "6", "a", "h", "s"}) {
        c.Clear(White);
        TextOut(c.Dc, 2, 2, symbol, 1);
        EXPECT_GT(c.Count(Black, TRect{0, 0, 40, 20}), 2) << symbol;
    }
}

TEST(TextFonts, CharactersMissingFromTheFaceComeFromAnotherFont) {
    // Liberation Sans has no check mark (U+2713) or black star (U+2605); DejaVu Sans has both.
    TextCanvas c(60, 30, MakeFont("Arial", -16));
    auto font = FontRealized(c.Font);
    ASSERT_FALSE(font->HasGlyph(U'\u2713'));
    TextOut(c.Dc, 2, 2, "\xE2\x9C\x93\xE2\x98\x85", 6);
    const TRect marks = c.Ink();
    TextCanvas d(60, 30, MakeFont("DejaVu Sans", -16));
    TextOut(d.Dc, 2, 2, "\xE2\x9C\x93\xE2\x98\x85", 6);
    EXPECT_EQ(marks, d.Ink());
    EXPECT_EQ(c.Extent("\xE2\x9C\x93").cx, d.Extent("\xE2\x9C\x93").cx);
    // Thousands of characters no installed font has are measured quickly, as boxes.
    std::u32string unknown;
    for (char32_t ch = 0xF0000; ch < 0xF0000 + 3000; ++ch)
        unknown.push_back(ch);
    const std::string bytes = EncodeText(unknown);
    SIZE size{};
    EXPECT_TRUE(GetTextExtentPoint32(c.Dc, bytes.c_str(), int(bytes.size()), &size));
    EXPECT_GT(size.cx, 0);
}

TEST(TextFonts, HostileLogFontsAreTamed) {
    LOGFONT lf{};
    lf.lfHeight = INT_MIN;
    lf.lfWidth = INT_MAX;
    lf.lfEscapement = INT_MIN;
    lf.lfWeight = INT_MAX;
    std::memset(lf.lfFaceName, 'A', sizeof lf.lfFaceName); // no terminator
    TextCanvas c(64, 64, CreateFontIndirect(&lf));
    const TEXTMETRIC tm = c.Metrics();
    EXPECT_GT(tm.tmHeight, 0);
    EXPECT_LE(tm.tmHeight, 4096);
    EXPECT_TRUE(TextOut(c.Dc, 0, 0, "Wide", 4));
    RECT r{0, 0, 64, 64};
    EXPECT_GT(DrawText(c.Dc, "Wide text", -1, &r, DT_WORDBREAK | DT_CALCRECT), 0);
    // Many large glyphs: the glyph cache stays within its budget and every glyph still draws.
    TextCanvas big(64, 64, MakeFont("Arial", -700));
    const char* letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    for (int i = 0; i < 52; ++i)
        TextOut(big.Dc, -20, -300, letters + i, 1);
    EXPECT_FALSE(big.Ink().IsEmpty());
}

TEST(TextFonts, InvalidUtf8BytesReadAsLatin1) {
    std::vector<int> lengths;
    const std::u32string s = DecodeText("a\xE9z\xC3\xA9\xE2\x82", 7, &lengths);
    EXPECT_EQ(s, (std::u32string{U'a', 0xE9, U'z', 0xE9, 0xE2, 0x82}));
    EXPECT_EQ(lengths, (std::vector<int>{1, 1, 1, 2, 1, 1}));
    EXPECT_EQ(EncodeText(U"\u00e9\u20ac"), "\xC3\xA9\xE2\x82\xAC");
}

// ---- Text output
// --------------------------------------------------------------------------------------------

TEST(TextOutput, InkStaysInsideTheMeasuredCell) {
    TextCanvas c(200, 60, MakeFont("Arial", -16));
    const SIZE ext = c.Extent("Hello, Qqjy!");
    ASSERT_TRUE(TextOut(c.Dc, 20, 10, "Hello, Qqjy!", 12));
    const TRect ink = c.Ink();
    ASSERT_FALSE(ink.IsEmpty());
    EXPECT_TRUE(c.Inside(ink, TRect{20, 10, 20 + ext.cx, 10 + ext.cy}));
    EXPECT_LE(ink.Left, 22);
    EXPECT_GE(ink.Right, 20 + ext.cx - 3);
    // Anti-aliased: edge pixels are neither black nor white.
    int gray = 0;
    for (int y = ink.Top; y < ink.Bottom; ++y)
        for (int x = ink.Left; x < ink.Right; ++x)
            gray += c.At(x, y) != White && c.At(x, y) != Black;
    EXPECT_GT(gray, 10);
}

TEST(TextOutput, NonAntialiasedQualityDrawsOnlyTheTextColour) {
    TextCanvas c(100, 40, MakeFont("Arial", -16, 0, FW_NORMAL, false, false, NONANTIALIASED_QUALITY));
    TextOut(c.Dc, 4, 4, "Swim", 4);
    EXPECT_GT(c.Count(Black, TRect{0, 0, 100, 40}), 20);
    EXPECT_EQ(c.Count(Black, TRect{0, 0, 100, 40}) + c.Count(White, TRect{0, 0, 100, 40}), 100 * 40);
}

TEST(TextOutput, OpaqueModeFillsExactlyTheTextCell) {
    TextCanvas c(120, 40, MakeFont("Arial", -13));
    const COLORREF bk = RGB(0, 0, 255);
    SetBkMode(c.Dc, OPAQUE);
    SetBkColor(c.Dc, bk);
    const SIZE ext = c.Extent("Cell");
    TextOut(c.Dc, 10, 5, "Cell", 4);
    EXPECT_EQ(c.Ink(), (TRect{10, 5, 10 + ext.cx, 5 + ext.cy}));
    EXPECT_EQ(c.At(10, 5), bk);
    EXPECT_EQ(c.At(10 + ext.cx - 1, 5 + ext.cy - 1), bk);
}

TEST(TextOutput, AlignmentMovesTheCellAroundTheReferencePoint) {
    struct Case {
        UINT Align;
        int Dx; // cell left relative to x, in units of the width (0, -1) or -1/2 (2)
        int Dy; // cell top: 0 top, 1 baseline, 2 bottom
    } cases[] = {{TA_LEFT | TA_TOP, 0, 0},      {TA_RIGHT | TA_TOP, -1, 0},
                 {TA_CENTER | TA_TOP, 2, 0},    {TA_LEFT | TA_BASELINE, 0, 1},
                 {TA_RIGHT | TA_BOTTOM, -1, 2}, {TA_CENTER | TA_BASELINE, 2, 1}};
    for (const Case& k : cases) {
        TextCanvas c(200, 80, MakeFont("Arial", -14));
        SetBkMode(c.Dc, OPAQUE);
        SetBkColor(c.Dc, RGB(255, 0, 0));
        const SIZE ext = c.Extent("Align");
        const TEXTMETRIC tm = c.Metrics();
        EXPECT_EQ(SetTextAlign(c.Dc, k.Align), 0u);
        EXPECT_EQ(GetTextAlign(c.Dc), k.Align);
        TextOut(c.Dc, 100, 40, "Align", 5);
        const int left = k.Dx == 0 ? 100 : k.Dx == -1 ? 100 - ext.cx : 100 - ext.cx / 2;
        const int top = k.Dy == 0 ? 40 : k.Dy == 1 ? 40 - tm.tmAscent : 40 - ext.cy;
        EXPECT_EQ(c.Ink(), (TRect{left, top, left + ext.cx, top + ext.cy})) << k.Align;
    }
}

TEST(TextOutput, UpdateCurrentPositionAdvancesPastTheText) {
    TextCanvas c(200, 40, MakeFont("Arial", -12));
    SetTextAlign(c.Dc, TA_UPDATECP);
    const SIZE ab = c.Extent("ab"), cd = c.Extent("cd");
    TextOut(c.Dc, 0, 0, "ab", 2);
    TextOut(c.Dc, 0, 0, "cd", 2);
    TextCanvas ref(200, 40, MakeFont("Arial", -12));
    TextOut(ref.Dc, 0, 0, "abcd", 4);
    EXPECT_EQ(c.Ink(), ref.Ink());
    EXPECT_EQ(ab.cx + cd.cx, ref.Extent("abcd").cx);
}

TEST(TextOutput, ExtTextOutClipsOpaquesAndSpaces) {
    TextCanvas c(120, 40, MakeFont("Arial", -20));
    RECT clip{10, 5, 30, 30};
    ExtTextOut(c.Dc, 5, 5, ETO_CLIPPED, &clip, "WWWW", 4, nullptr);
    const TRect ink = c.Ink();
    EXPECT_FALSE(ink.IsEmpty());
    EXPECT_TRUE(c.Inside(ink, clip));

    // ETO_OPAQUE fills the rectangle with the background colour even in transparent mode.
    c.Clear(White);
    SetBkColor(c.Dc, RGB(0, 255, 0));
    RECT fill{50, 2, 90, 38};
    ExtTextOut(c.Dc, 52, 4, ETO_OPAQUE, &fill, "", 0, nullptr);
    EXPECT_EQ(c.Ink(), fill);
    EXPECT_EQ(c.Count(RGB(0, 255, 0), fill), 40 * 36);

    // Spacing: each "i" advances 30 pixels; one entry per byte.
    c.Clear(White);
    const int dx[2] = {30, 30};
    ExtTextOut(c.Dc, 0, 0, 0, nullptr, "ii", 2, dx);
    const TRect both = c.Ink();
    EXPECT_GE(both.Right - both.Left, 30);
    EXPECT_LT(both.Right - both.Left, 40);
}

TEST(TextOutput, UnderlineAndStrikeOutSpanTheText) {
    for (bool strike : {false, true}) {
        TextCanvas c(120, 40, MakeFont("Arial", -20, 0, FW_NORMAL, !strike, strike));
        const SIZE ext = c.Extent("ooo");
        TextOut(c.Dc, 10, 5, "ooo", 3);
        // Some row is solid text colour across the whole advance width.
        int solidRows = 0;
        for (int y = 5; y < 5 + ext.cy; ++y)
            solidRows += c.Count(Black, TRect{10, y, 10 + ext.cx, y + 1}) == ext.cx;
        EXPECT_GE(solidRows, 1) << (strike ? "strike-out" : "underline");
        EXPECT_TRUE(c.Inside(c.Ink(), TRect{10, 5, 10 + ext.cx, 5 + ext.cy}));
    }
}

TEST(TextOutput, RotatedTextFillsTheRotatedCell) {
    struct Case {
        int Escapement;
    } cases[] = {{900}, {-900}, {2700}, {1800}, {450}, {300}};
    for (const Case& k : cases) {
        TextCanvas c(240, 240, MakeFont("Arial", -16, k.Escapement));
        const SIZE ext = c.Extent("Rotate");
        TextOut(c.Dc, 120, 120, "Rotate", 6);
        const TRect ink = c.Ink();
        ASSERT_FALSE(ink.IsEmpty()) << k.Escapement;
        // The cell (0..cx along the baseline, 0..cy down from the top) turned counter-clockwise about
        // the reference point; the ink lies within its bounding box.
        const double a = k.Escapement / 10.0 * 3.14159265358979 / 180.0;
        const double ux = std::cos(a), uy = -std::sin(a), vx = std::sin(a), vy = std::cos(a);
        double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
        for (double along : {0.0, double(ext.cx)})
            for (double across : {0.0, double(ext.cy)}) {
                const double x = 120 + ux * along + vx * across, y = 120 + uy * along + vy * across;
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
                minY = std::min(minY, y);
                maxY = std::max(maxY, y);
            }
        EXPECT_GE(ink.Left, int(std::floor(minX)) - 1) << k.Escapement;
        EXPECT_GE(ink.Top, int(std::floor(minY)) - 1) << k.Escapement;
        EXPECT_LE(ink.Right, int(std::ceil(maxX)) + 1) << k.Escapement;
        EXPECT_LE(ink.Bottom, int(std::ceil(maxY)) + 1) << k.Escapement;
        // And it fills most of the rotated text's length.
        EXPECT_GT(std::max(ink.Width(), ink.Height()), std::max(maxX - minX, maxY - minY) * 0.7)
            << k.Escapement;
    }
    // Quarter turns are exact: 90 degrees runs the text upwards from the reference point.
    TextCanvas up(100, 200, MakeFont("Arial", -16, 900));
    SetBkMode(up.Dc, OPAQUE);
    SetBkColor(up.Dc, RGB(255, 0, 0));
    const SIZE ext = up.Extent("Up");
    TextOut(up.Dc, 20, 150, "Up", 2);
    EXPECT_EQ(up.Ink(), (TRect{20, 150 - ext.cx, 20 + ext.cy, 150}));
}

TEST(TextOutput, TheClipRegionHoldsForTextAndFrames) {
    TextCanvas c(120, 40, MakeFont("Arial", -20));
    SetBkMode(c.Dc, OPAQUE);
    SetBkColor(c.Dc, RGB(0, 0, 255));
    IntersectClipRect(c.Dc, 10, 0, 100, 40);
    ExcludeClipRect(c.Dc, 30, 0, 50, 40);
    TextOut(c.Dc, 0, 5, "WWWWWWWWWW", 10);
    const TRect ink = c.Ink();
    EXPECT_EQ(ink.Left, 10);
    EXPECT_EQ(c.Count(White, TRect{30, 0, 50, 40}), 20 * 40);
    EXPECT_EQ(c.Count(White, TRect{0, 0, 10, 40}), 10 * 40);
}

TEST(TextOutput, EveryTargetDepthTakesTheText) {
    // The same text on 24-, 16-, 8- and 1-bit DIBs reads back like the 32-bit rendering, within each
    // format's precision (the 8-bit table is a gray ramp, the 1-bit one black and white).
    TextCanvas ref(80, 30, MakeFont("Arial", -16));
    TextOut(ref.Dc, 2, 2, "Depth", 5);
    for (int bpp : {24, 16, 8, 1}) {
        std::vector<uint8_t> storage(sizeof(BITMAPINFOHEADER) + 256 * sizeof(RGBQUAD));
        auto* info = reinterpret_cast<BITMAPINFO*>(storage.data());
        info->bmiHeader =
            BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 80, -30, 1, WORD(bpp), BI_RGB, 0, 0, 0, 0, 0};
        const int colours = bpp <= 8 ? 1 << bpp : 0;
        for (int i = 0; i < colours; ++i) {
            const BYTE v = BYTE(i * 255 / (colours - 1));
            info->bmiColors[i] = RGBQUAD{v, v, v, 0};
        }
        void* bits = nullptr;
        HBITMAP bmp = CreateDIBSection(nullptr, info, DIB_RGB_COLORS, &bits, nullptr, 0);
        ASSERT_NE(bmp, nullptr) << bpp;
        HDC dc = CreateCompatibleDC(nullptr);
        HGDIOBJ oldBitmap = SelectObject(dc, bmp);
        HGDIOBJ oldFont = SelectObject(dc, ref.Font);
        RECT all{0, 0, 80, 30};
        HBRUSH white = CreateSolidBrush(White);
        FillRect(dc, &all, white);
        DeleteObject(white);
        SetBkMode(dc, TRANSPARENT);
        TextOut(dc, 2, 2, "Depth", 5);
        const int tolerance = bpp == 24 ? 0 : bpp == 16 ? 8 : bpp == 8 ? 1 : 255;
        int dark = 0, refDark = 0;
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 80; ++x) {
                const COLORREF got = GetPixel(dc, x, y), want = ref.At(x, y);
                if (bpp != 1) {
                    EXPECT_NEAR(GetGValue(got), GetGValue(want), tolerance) << bpp << " at " << x << "," << y;
                }
                dark += GetGValue(got) < 128;
                refDark += GetGValue(want) < 128;
            }
        EXPECT_NEAR(dark, refDark, refDark / 10 + 1) << bpp;
        SelectObject(dc, oldFont);
        SelectObject(dc, oldBitmap);
        DeleteDC(dc);
        DeleteObject(bmp);
    }
}

TEST(TextOutput, ScalingMapModesScaleTheFont) {
    // Two device pixels per logical unit: a 10-unit font is drawn 20 pixels high, measured in units.
    TextCanvas scaled(200, 60, MakeFont("Arial", -10));
    SetMapMode(scaled.Dc, MM_ANISOTROPIC);
    SetWindowExtEx(scaled.Dc, 100, 100, nullptr);
    SetViewportExtEx(scaled.Dc, 200, 200, nullptr);
    TextCanvas plain(200, 60, MakeFont("Arial", -20));
    const SIZE big = plain.Extent("Scale"), logical = scaled.Extent("Scale");
    EXPECT_NEAR(logical.cx, big.cx / 2.0, 0.5);
    EXPECT_NEAR(logical.cy, big.cy / 2.0, 0.5);
    EXPECT_NEAR(scaled.Metrics().tmHeight, plain.Metrics().tmHeight / 2.0, 0.5);
    TextOut(scaled.Dc, 5, 5, "Scale", 5);
    TextOut(plain.Dc, 10, 10, "Scale", 5);
    EXPECT_EQ(scaled.Ink(), plain.Ink());
    // DrawText lays out in logical units too (each advance rounded to whole units).
    RECT r{0, 0, 0, 0};
    DrawText(scaled.Dc, "Scale", -1, &r, DT_SINGLELINE | DT_CALCRECT);
    EXPECT_NEAR(r.Right, logical.cx, 3);
    EXPECT_EQ(r.Bottom, logical.cy);
}

TEST(TextOutput, ExtentsOfPartsAddUp) {
    TextCanvas c(8, 8, MakeFont("Arial", -11));
    int fit = -1;
    int dx[8];
    SIZE size{};
    const SIZE ab = c.Extent("ab");
    ASSERT_TRUE(GetTextExtentExPoint(c.Dc, "abc", 3, ab.cx, &fit, dx, &size));
    EXPECT_EQ(fit, 2);
    EXPECT_EQ(dx[1], ab.cx);
    EXPECT_EQ(dx[2], size.cx);
    EXPECT_EQ(size.cx, c.Extent("abc").cx);
    // A two-byte character: both bytes report the extent at its end.
    ASSERT_TRUE(GetTextExtentExPoint(c.Dc, "a\xC3\xA9", 3, 1000, &fit, dx, &size));
    EXPECT_EQ(fit, 3);
    EXPECT_EQ(dx[1], dx[2]);
    EXPECT_EQ(c.Extent("AAA").cx, 3 * c.Extent("A").cx);
    EXPECT_EQ(c.Extent("").cx, 0);
    EXPECT_EQ(c.Extent("").cy, c.Metrics().tmHeight);
}

// ---- DrawText layout against a fixed measure
// ----------------------------------------------------------------

struct LayoutCase {
    const char* Text;
    UINT Format;
    int Width;
    std::vector<std::string> Lines; // with the underlined character marked by a preceding '_'
    int Height = 1000;
};

std::string Shown(const text::DrawTextLine& line) {
    std::string s;
    for (size_t i = 0; i < line.Text.size(); ++i) {
        if (int(i) == line.Underline)
            s += '_';
        s += EncodeText(std::u32string(1, line.Text[i]));
    }
    return s;
}

TEST(TextDrawTextLayout, LinesBreaksMnemonicsAndEllipses) {
    // Every character is 10 pixels wide; tab stops every 40.
    const LayoutCase cases[] = {
        {"&File", 0, 100, {"_File"}},
        {"Save &As", 0, 100, {"Save _As"}},
        {"A&&B", 0, 100, {"A&B"}},
        {"&A &B", 0, 100, {"A _B"}}, // the last mnemonic wins
        {"End&", 0, 100, {"End"}},   // a trailing mark marks nothing
        {"&File", DT_NOPREFIX, 100, {"&File"}},
        {"&File", DT_HIDEPREFIX, 100, {"File"}},
        {"one\r\ntwo\nthree\rfour", 0, 100, {"one", "two", "three", "four"}},
        {"one\r\ntwo", DT_SINGLELINE, 100, {"onetwo"}},
        {"aaa bbb ccc", DT_WORDBREAK, 75, {"aaa bbb", "ccc"}},
        {"aaa bbb ccc", DT_WORDBREAK, 69, {"aaa", "bbb", "ccc"}},
        {"aaa   bbb", DT_WORDBREAK, 50, {"aaa", "bbb"}},
        {"aaaaaaaa bb", DT_WORDBREAK, 50, {"aaaaaaaa", "bb"}}, // a long word stays whole
        {"aaaaaaaa bb", DT_WORDBREAK | DT_EDITCONTROL, 50, {"aaaaa", "aaa", "bb"}},
        {"x &yy zz", DT_WORDBREAK, 40, {"x _yy", "zz"}},
        {"x &yy zz", DT_WORDBREAK, 39, {"x", "_yy", "zz"}},
        {"abcdefgh", DT_END_ELLIPSIS, 55, {"ab..."}},
        {"abcdefgh", DT_END_ELLIPSIS, 80, {"abcdefgh"}},
        {"ab cdefgh", DT_END_ELLIPSIS, 65, {"ab..."}}, // no space before the dots
        {"&abcdefgh", DT_END_ELLIPSIS, 55, {"_ab..."}},
        {"abcd&efgh", DT_END_ELLIPSIS, 55, {"ab..."}}, // the mnemonic was cut off
        {"C:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 160, {"C:\\d...\\file.txt"}},
        {"C:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 150, {"C:\\...\\file.txt"}},
        {"C:\\dir\\sub\\file.txt", DT_PATH_ELLIPSIS, 200, {"C:\\dir\\sub\\file.txt"}},
        {"C:\\dir\\sub\\longfilename.txt", DT_PATH_ELLIPSIS | DT_END_ELLIPSIS, 100, {"...\\lon..."}},
        {"nopathatall", DT_PATH_ELLIPSIS, 60, {"nop..."}},
        {"a\tb", DT_EXPANDTABS, 100, {"a\tb"}},
        {"one two three four five", DT_WORDBREAK | DT_END_ELLIPSIS, 90, {"one two", "three..."}, 25},
        {"", 0, 100, {""}},
    };
    for (const LayoutCase& k : cases) {
        text::DrawTextLayoutInput in;
        in.Text = DecodeText(k.Text, int(std::strlen(k.Text)));
        in.Format = k.Format;
        in.Width = k.Width;
        in.Height = k.Height;
        in.LineHeight = 10;
        in.TabWidth = 40;
        in.Advance = [](char32_t) { return 10; };
        const text::DrawTextLayoutResult out = text::LayoutDrawText(in);
        std::vector<std::string> lines;
        for (const auto& line : out.Lines)
            lines.push_back(Shown(line));
        EXPECT_EQ(lines, k.Lines) << k.Text << " format " << k.Format;
    }
}

TEST(TextDrawTextLayout, TabsExpandToTheNextStop) {
    text::DrawTextLayoutInput in;
    in.Text = U"a\tbb\tc";
    in.Format = DT_EXPANDTABS;
    in.Width = 500;
    in.TabWidth = 40;
    in.Advance = [](char32_t) { return 10; };
    const auto out = text::LayoutDrawText(in);
    ASSERT_EQ(out.Lines.size(), 1u);
    EXPECT_EQ(out.Lines[0].Advances, (std::vector<int>{10, 30, 10, 10, 20, 10}));
    EXPECT_EQ(out.Lines[0].Width, 90);
    in.Format = 0; // without expansion a tab is a space
    EXPECT_EQ(text::LayoutDrawText(in).Lines[0].Width, 60);
}

// ---- DrawText on a DC
// ---------------------------------------------------------------------------------------

TEST(TextDrawText, CalcRectMeasuresLinesAndMnemonics) {
    TextCanvas c(8, 8, MakeFont("MS Sans Serif", -11));
    const int h = c.Metrics().tmHeight;
    struct Case {
        const char* Text;
        UINT Format;
        int Width;
        const char* WidestLine;
        int Lines;
    } cases[] = {
        {"Hello world", DT_SINGLELINE, 10, "Hello world", 1},
        {"&File", 0, 10, "File", 1},
        {"A&&B", 0, 10, "A&B", 1},
        {"&File", DT_NOPREFIX, 10, "&File", 1},
        {"one\r\nthree", 0, 10, "three", 2},
        {"aaa bbb ccc", DT_WORDBREAK, 0, "aaa", 3},
    };
    for (const Case& k : cases) {
        RECT r{5, 7, 5 + k.Width, 8};
        EXPECT_EQ(DrawText(c.Dc, k.Text, -1, &r, k.Format | DT_CALCRECT), k.Lines * h) << k.Text;
        EXPECT_EQ(r, (RECT{5, 7, 5 + c.Extent(k.WidestLine).cx, 7 + k.Lines * h})) << k.Text;
    }
    // Word breaks keep lines inside a rectangle wide enough for "aaa bbb".
    RECT r{0, 0, c.Extent("aaa bbb").cx, 0};
    EXPECT_EQ(DrawText(c.Dc, "aaa bbb ccc", -1, &r, DT_WORDBREAK | DT_CALCRECT), 2 * h);
    EXPECT_EQ(r.Right, c.Extent("aaa bbb").cx);
    // An ellipsis fits the text into the rectangle.
    RECT e{0, 0, c.Extent("Hello").cx, 0};
    DrawText(c.Dc, "Hello wonderful world", -1, &e, DT_SINGLELINE | DT_END_ELLIPSIS | DT_CALCRECT);
    EXPECT_LE(e.Right, c.Extent("Hello").cx);
    EXPECT_GT(e.Right, 0);
    // Empty text measures nothing.
    RECT z{3, 3, 50, 50};
    EXPECT_EQ(DrawText(c.Dc, "", -1, &z, DT_CALCRECT), 0);
    EXPECT_EQ(z, (RECT{3, 3, 3, 3}));
}

TEST(TextDrawText, MnemonicUnderlinesOneCharacter) {
    TextCanvas c(100, 30, MakeFont("Arial", -16));
    RECT r{10, 5, 100, 30};
    DrawText(c.Dc, "&Hxx", -1, &r, DT_SINGLELINE);
    // The underline runs under "H" only: find a row below the baseline with black across H's width.
    const int hw = c.Extent("H").cx, tmAscent = c.Metrics().tmAscent;
    int row = -1;
    for (int y = 5 + tmAscent; y < 30 && row < 0; ++y)
        if (c.Count(Black, TRect{10, y, 10 + hw, y + 1}) == hw)
            row = y;
    ASSERT_GE(row, 0);
    EXPECT_EQ(c.Count(Black, TRect{10 + hw, row, 100, row + 1}), 0);
    EXPECT_EQ(c.At(9, row), White);

    // Hidden prefixes and DT_NOPREFIX draw no underline; DT_PREFIXONLY draws only it.
    for (UINT format : {UINT(DT_HIDEPREFIX), UINT(DT_PREFIXONLY)}) {
        c.Clear(White);
        DrawText(c.Dc, "&Hxx", -1, &r, DT_SINGLELINE | format);
        const bool only = format == DT_PREFIXONLY;
        EXPECT_EQ(c.Count(Black, TRect{10, row, 10 + hw, row + 1}), only ? hw : 0);
        if (only) {
            EXPECT_EQ(c.Ink(), (TRect{10, row, 10 + hw, row + 1}));
        }
    }
}

TEST(TextDrawText, AlignsAndCentresInTheRectangle) {
    TextCanvas c(200, 100, MakeFont("Arial", -13));
    SetBkMode(c.Dc, OPAQUE);
    SetBkColor(c.Dc, RGB(255, 0, 0));
    const SIZE ext = c.Extent("Box");
    RECT r{20, 10, 180, 90};
    struct Case {
        UINT Format;
        int Left, Top;
    } cases[] = {
        {DT_SINGLELINE, 20, 10},
        {DT_SINGLELINE | DT_RIGHT, 180 - ext.cx, 10},
        {DT_SINGLELINE | DT_CENTER | DT_VCENTER, 20 + (160 - ext.cx) / 2, 10 + (80 - ext.cy) / 2},
        {DT_SINGLELINE | DT_BOTTOM, 20, 90 - ext.cy},
        {DT_VCENTER, 20, 10}, // vertical placement needs DT_SINGLELINE
    };
    for (const Case& k : cases) {
        c.Clear(White);
        const int result = DrawText(c.Dc, "Box", -1, &r, k.Format);
        EXPECT_EQ(c.Ink(), (TRect{k.Left, k.Top, k.Left + ext.cx, k.Top + ext.cy})) << k.Format;
        EXPECT_EQ(result, (k.Format & (DT_VCENTER | DT_BOTTOM)) && (k.Format & DT_SINGLELINE)
                              ? k.Top + ext.cy - 10
                              : ext.cy)
            << k.Format;
    }
}

TEST(TextDrawText, ClipsUnlessToldNot) {
    TextCanvas c(200, 40, MakeFont("Arial", -16));
    RECT r{10, 5, 40, 35};
    DrawText(c.Dc, "Overflowing", -1, &r, DT_SINGLELINE);
    EXPECT_TRUE(c.Inside(c.Ink(), r));
    c.Clear(White);
    DrawText(c.Dc, "Overflowing", -1, &r, DT_SINGLELINE | DT_NOCLIP);
    EXPECT_GT(c.Ink().Right, 40);
}

TEST(TextDrawText, ExtremeRectanglesNeitherOverflowNorHang) {
    TextCanvas c(40, 40, MakeFont("Arial", -12));
    const RECT rects[] = {{INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX},
                          {INT32_MAX - 5, 0, INT32_MIN, 10},
                          {0, INT32_MAX - 3, 30, INT32_MAX}};
    std::string many;
    for (int i = 0; i < 2000; ++i)
        many += "word ";
    for (const RECT& start : rects)
        for (UINT format :
             {UINT(DT_WORDBREAK), UINT(DT_SINGLELINE | DT_CENTER | DT_VCENTER),
              UINT(DT_SINGLELINE | DT_RIGHT | DT_BOTTOM | DT_END_ELLIPSIS), UINT(DT_CALCRECT)}) {
            RECT r = start;
            DrawText(c.Dc, many.c_str(), -1, &r, format);
            ExtTextOut(c.Dc, 0, 0, ETO_OPAQUE | ETO_CLIPPED, &start, "x", 1, nullptr);
        }
    SUCCEED();
}

TEST(TextDrawText, EditControlHidesAPartlyVisibleLastLine) {
    TextCanvas c(100, 100, MakeFont("Arial", -12));
    const int h = c.Metrics().tmHeight;
    RECT r{0, 0, 100, h + h / 2};
    DrawText(c.Dc, "first\nsecond", -1, &r, DT_EDITCONTROL | DT_WORDBREAK | DT_NOCLIP);
    EXPECT_LE(c.Ink().Bottom, h);
    c.Clear(White);
    DrawText(c.Dc, "first\nsecond", -1, &r, DT_WORDBREAK | DT_NOCLIP);
    EXPECT_GT(c.Ink().Bottom, h);
}

TEST(TextDrawText, ModifyStringGivesTheShownText) {
    TextCanvas c(8, 8, MakeFont("Arial", -12));
    std::string s = "&Long caption";
    RECT r{0, 0, c.Extent("Long").cx, 20};
    DrawText(c.Dc, s, &r, DT_SINGLELINE | DT_END_ELLIPSIS | DT_MODIFYSTRING);
    EXPECT_EQ(s.substr(0, 2), "&L");
    EXPECT_EQ(s.substr(s.size() - 3), "...");
    std::string unchanged = "&Long caption";
    DrawText(c.Dc, unchanged, &r, DT_SINGLELINE | DT_END_ELLIPSIS);
    EXPECT_EQ(unchanged, "&Long caption");
}

TEST(TextDrawText, TabStopsAndMarginsOfDrawTextEx) {
    TextCanvas c(8, 8, MakeFont("Courier New", -13));
    const int ave = c.Metrics().tmAveCharWidth;
    RECT r{0, 0, 500, 0};
    DrawText(c.Dc, "a\tb", -1, &r, DT_EXPANDTABS | DT_CALCRECT);
    EXPECT_EQ(r.Right, 9 * ave); // default stops every 8 characters
    // DT_TABSTOP takes its count from bits 8-15, which DT_CALCRECT shares: measure the ink instead.
    DibCanvas ink(200, 30);
    HGDIOBJ old = SelectObject(ink.Dc, c.Font);
    r = RECT{0, 0, 200, 30};
    DrawText(ink.Dc, "a\tb", -1, &r, DT_EXPANDTABS | DT_TABSTOP | (4 << 8));
    EXPECT_GT(ink.Ink().Right, 4 * ave);
    EXPECT_LE(ink.Ink().Right, 5 * ave);
    SelectObject(ink.Dc, old);
    DRAWTEXTPARAMS params;
    params.iTabLength = 2;
    params.iLeftMargin = 7;
    r = RECT{0, 0, 500, 0};
    EXPECT_GT(DrawTextEx(c.Dc, "a\tb", -1, &r, DT_EXPANDTABS | DT_CALCRECT, &params), 0);
    EXPECT_EQ(r.Right, 7 + 3 * ave);
    EXPECT_EQ(params.uiLengthDrawn, 3u);
}

} // namespace
