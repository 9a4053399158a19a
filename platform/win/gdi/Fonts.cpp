// Logical fonts and the font engine: fontconfig finds the file, FreeType scales and renders.
#include "platform/win/gdi/Fonts.h"
#include "platform/win/gdi/FontLibraries.h"
#include "platform/win/gdi/FontsEngine.h"
#include "platform/win/gdi/GdiObjects.h"
#include "platform/win/kernel/Utf16.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <numbers>
#include <unordered_map>

#if defined(__SANITIZE_ADDRESS__)
// fontconfig 2.14 loses a small block while it parses its configuration; that is not ours to free.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n";
}
#endif

// The engine's part of a font object: the realised font, made on first use.
struct win::FontData {
    std::mutex Lock;
    std::shared_ptr<win::RealizedFont> Font;
};

namespace win {
namespace {

// Sizes beyond this are refused as hostile (metafiles and form files carry LOGFONTs): clamp, then draw.
constexpr LONG FontsMaxPixelHeight = 2048;
constexpr LONG FontsDefaultCellHeight = 16;
constexpr size_t FontsCacheLimit = 48;
constexpr size_t FontsGlyphCacheBytes = size_t(16) << 20; // per realised font
constexpr int FontsFallbackQueryLimit = 256;              // per realised font

// Every FreeType library call that creates or frees faces and every fontconfig call runs under this lock;
// glyph work on one face runs under that face's own lock.
struct FontsEngine {
    std::mutex Lock;
    FT_Library Library = nullptr;
    bool FontconfigReady = false;
    std::map<std::string, std::shared_ptr<RealizedFont>> Cache;
    std::deque<std::string> CacheOrder;
};

// The font libraries; called only once a font engine exists, which needs them opened.
const FontLibraries& FontsLib() {
    return *OpenFontLibraries();
}

FontsEngine& FontsGlobal() {
    // Deliberately never destroyed: fonts may still be in use by static objects at exit.
    static FontsEngine* engine = new FontsEngine;
    return *engine;
}

std::string FontsLower(const char* s) {
    std::string out;
    for (; *s; ++s)
        out += char(std::tolower(static_cast<unsigned char>(*s)));
    return out;
}

std::string FontsFaceName(const LOGFONT& lf) {
    // The face name may lack its terminator in a hostile record.
    return std::string(lf.lfFaceName, strnlen(lf.lfFaceName, LF_FACESIZE));
}

int64_t FontsRoundDiv(int64_t a, int64_t b) {
    return a >= 0 ? (a + b / 2) / b : -((-a + b / 2) / b);
}
int64_t FontsCeilDiv(int64_t a, int64_t b) {
    return a >= 0 ? (a + b - 1) / b : -((-a) / b);
}

// Letter weights of the classic average-width rule of the TrueType OS/2 table (per thousand).
constexpr std::pair<char, int> FontsAverageWeights[] = {
    {'a', 64}, {'b', 14}, {'c', 27}, {'d', 35}, {'e', 100}, {'f', 20}, {'g', 14}, {'h', 42}, {'i', 63},
    {'j', 3},  {'k', 6},  {'l', 35}, {'m', 20}, {'n', 56},  {'o', 56}, {'p', 17}, {'q', 4},  {'r', 49},
    {'s', 56}, {'t', 71}, {'u', 31}, {'v', 10}, {'w', 18},  {'x', 3},  {'y', 18}, {'z', 2},  {' ', 166}};

struct FontsFileMatch {
    std::string File;
    int Index = 0;
    std::string Family;
    bool Bold = false;
    bool Italic = false;
};

// Asks fontconfig for a family; the engine lock is held.
bool FontsMatchFile(FontsEngine& engine, const std::string& family, int weight, bool italic,
                    FontsFileMatch& out) {
    if (!engine.FontconfigReady) {
        if (!FontsLib().FcInit())
            return false;
        engine.FontconfigReady = true;
    }
    FcPattern* pattern = FontsLib().FcPatternCreate();
    if (!pattern)
        return false;
    FontsLib().FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FontsLib().FcPatternAddInteger(pattern, FC_WEIGHT, FontsLib().FcWeightFromOpenType(std::clamp(weight, 1, 1000)));
    FontsLib().FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FontsLib().FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
    FontsLib().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FontsLib().FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* match = FontsLib().FcFontMatch(nullptr, pattern, &result);
    FontsLib().FcPatternDestroy(pattern);
    if (!match)
        return false;
    FcChar8* file = nullptr;
    FcChar8* fam = nullptr;
    int index = 0, matchedWeight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
    bool ok = FontsLib().FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file;
    if (ok) {
        out.File = reinterpret_cast<const char*>(file);
        FontsLib().FcPatternGetInteger(match, FC_INDEX, 0, &index);
        out.Index = index;
        if (FontsLib().FcPatternGetString(match, FC_FAMILY, 0, &fam) == FcResultMatch && fam)
            out.Family = reinterpret_cast<const char*>(fam);
        FontsLib().FcPatternGetInteger(match, FC_WEIGHT, 0, &matchedWeight);
        FontsLib().FcPatternGetInteger(match, FC_SLANT, 0, &slant);
        out.Bold = matchedWeight >= FC_WEIGHT_DEMIBOLD;
        out.Italic = slant != FC_SLANT_ROMAN;
    }
    FontsLib().FcPatternDestroy(match);
    return ok;
}

// "Marlett" has no counterpart on Linux: its window-control symbols are drawn here, on top of DejaVu Sans
// for everything else. "r" close, "0" minimise, "1" maximise, "2" restore, "3" to "6" arrows left, right,
// up and down, "a" check mark, "h" bullet, "s" help.
bool FontsIsSymbolFace(const LOGFONT& lf) {
    return FontsLower(FontsFaceName(lf).c_str()) == "marlett";
}

bool FontsIsSymbol(char32_t ch) {
    return (ch >= U'0' && ch <= U'6') || ch == U'a' || ch == U'h' || ch == U'r' || ch == U's';
}

void FontsDrawSymbol(char32_t ch, int e, GlyphBitmap& out) {
    out.Left = 0;
    out.Width = e;
    out.Height = e;
    out.Coverage.assign(size_t(e) * size_t(e), 0);
    auto fill = [&](int x0, int y0, int x1, int y1) {
        for (int y = std::max(y0, 0); y < std::min(y1, e); ++y)
            for (int x = std::max(x0, 0); x < std::min(x1, e); ++x)
                out.Coverage[size_t(y) * size_t(e) + size_t(x)] = 255;
    };
    auto art = [&](const char* const* rows, int h, int w) {
        const int k = std::max(1, e / 11);
        const int x0 = (e - w * k) / 2, y0 = (e - h * k) / 2;
        for (int j = 0; j < h; ++j)
            for (int i = 0; i < w; ++i)
                if (rows[j][i] == '#')
                    fill(x0 + i * k, y0 + j * k, x0 + (i + 1) * k, y0 + (j + 1) * k);
    };
    const int s = std::max(3, e * 7 / 11);
    const int x0 = (e - s - 1) / 2, y0 = (e - s) / 2;
    switch (ch) {
    case U'r':
        for (int i = 0; i < s; ++i) {
            fill(x0 + i, y0 + i, x0 + i + 2, y0 + i + 1);
            fill(x0 + s - 1 - i, y0 + i, x0 + s + 1 - i, y0 + i + 1);
        }
        break;
    case U'0':
        fill(x0, y0 + s - 2, x0 + s - 1, y0 + s);
        break;
    case U'1':
        fill(x0, y0, x0 + s + 1, y0 + 2);
        fill(x0, y0, x0 + 1, y0 + s);
        fill(x0 + s, y0, x0 + s + 1, y0 + s);
        fill(x0, y0 + s - 1, x0 + s + 1, y0 + s);
        break;
    case U'2': {
        const int b = std::max(3, s * 2 / 3);
        const int bx = x0 + s - b + 1;
        fill(bx, y0, bx + b, y0 + 2);
        fill(bx + b - 1, y0, bx + b, y0 + b);
        const int fy = y0 + s - b;
        fill(x0, fy, x0 + b, fy + 2);
        fill(x0, fy, x0 + 1, fy + b);
        fill(x0 + b - 1, fy, x0 + b, fy + b);
        fill(x0, fy + b - 1, x0 + b, fy + b);
        break;
    }
    case U'3':
    case U'4':
    case U'5':
    case U'6': {
        const int base = s | 1, tall = (base + 1) / 2;
        const bool vertical = ch == U'5' || ch == U'6';
        const int ax = (e - (vertical ? base : tall)) / 2, ay = (e - (vertical ? tall : base)) / 2;
        for (int i = 0; i < tall; ++i) {
            const int lo = tall - 1 - i, hi = tall + i; // row i from the tip spans 2i+1 pixels
            if (ch == U'5')
                fill(ax + lo, ay + i, ax + hi, ay + i + 1);
            else if (ch == U'6')
                fill(ax + lo, ay + tall - 1 - i, ax + hi, ay + tall - i);
            else if (ch == U'3')
                fill(ax + i, ay + lo, ax + i + 1, ay + hi);
            else
                fill(ax + tall - 1 - i, ay + lo, ax + tall - i, ay + hi);
        }
        break;
    }
    case U'a': {
        static const char* const tick[] = {"......#", ".....##", "#...###", "##.###.",
                                           "#####..", ".###...", "..#...."};
        art(tick, 7, 7);
        break;
    }
    case U'h': {
        const int d = std::max(2, e / 3);
        const double r = d / 2.0;
        const int bx = (e - d) / 2, by = (e - d) / 2;
        for (int y = 0; y < d; ++y)
            for (int x = 0; x < d; ++x) {
                const double dx = x + 0.5 - r, dy = y + 0.5 - r;
                if (dx * dx + dy * dy <= r * r + 0.25)
                    fill(bx + x, by + y, bx + x + 1, by + y + 1);
            }
        break;
    }
    default: {
        static const char* const question[] = {".####.", "##..##", "....##", "...##.", "..##..",
                                               "..##..", "......", "..##..", "..##.."};
        art(question, 9, 6);
        break;
    }
    }
}

class FontsRealized final : public RealizedFont {
public:
    FontsRealized(FT_Face face, const LOGFONT& lf, const FontsFileMatch& match, const std::string& family);
    ~FontsRealized() override;

    const TEXTMETRIC& Metrics() const override { return FMetrics; }
    int Advance(char32_t ch) override;
    std::shared_ptr<const GlyphBitmap> Glyph(char32_t ch) override;
    int UnderlinePosition() const override { return FUnderlinePos; }
    int UnderlineThickness() const override { return FUnderlineThick; }
    int StrikeOutPosition() const override { return FStrikePos; }
    int StrikeOutThickness() const override { return FStrikeThick; }
    double Angle() const override { return FAngle; }
    const std::string& FamilyName() const override { return FFamily; }
    bool HasGlyph(char32_t ch) override;

private:
    int AdvanceLocked(char32_t ch);
    void Render(char32_t ch, GlyphBitmap& out);
    // The face that has the character: this font's, or another installed font sized like it.
    std::pair<FT_Face, FT_UInt> FaceFor(char32_t ch);

    struct Fallback {
        std::string File;
        int Index = 0;
        FT_Face Face = nullptr;
    };
    std::vector<Fallback> FFallbacks;
    int FFallbackQueries = 0; // fontconfig is asked at most FontsFallbackQueryLimit times per font
    int64_t FPpem64 = 64, FXppem64 = 64;

    std::mutex FLock;
    FT_Face FFace; // null when no font file could be loaded: characters are drawn as boxes
    TEXTMETRIC FMetrics;
    std::string FFamily;
    double FAngle = 0;
    FT_Matrix FMatrix{0x10000, 0, 0, 0x10000};
    bool FTransformed = false;
    bool FSynthBold = false;
    bool FMono = false;
    int FBoldExtra = 0;    // 26.6 strength of synthetic emboldening
    int FBoxWidth = 0;     // the box of a face-less font
    int FEm = 1;           // em size in whole pixels
    bool FSymbols = false; // "Marlett": window-control symbols drawn by the layer
    int FUnderlinePos = 1, FUnderlineThick = 1, FStrikePos = -3, FStrikeThick = 1;
    int FAsciiAdvance[128];
    std::unordered_map<char32_t, int> FAdvances;
    std::unordered_map<char32_t, std::shared_ptr<const GlyphBitmap>> FGlyphs;
    size_t FGlyphBytes = 0;
};

FontsRealized::FontsRealized(FT_Face face, const LOGFONT& lf, const FontsFileMatch& match,
                             const std::string& family)
    : FFace(face), FFamily(family) {
    std::fill(std::begin(FAsciiAdvance), std::end(FAsciiAdvance), -1);
    LONG height = lf.lfHeight == 0 ? FontsDefaultCellHeight : lf.lfHeight;
    height = std::clamp<LONG>(height, -FontsMaxPixelHeight, FontsMaxPixelHeight);
    LONG width = std::clamp<LONG>(lf.lfWidth, 0, FontsMaxPixelHeight);
    const LONG weight = lf.lfWeight == 0 ? FW_NORMAL : std::clamp<LONG>(lf.lfWeight, 1, 1000);
    FAngle = double(lf.lfEscapement % 3600) / 1800.0 * std::numbers::pi;
    FMono = lf.lfQuality == NONANTIALIASED_QUALITY;
    FSymbols = FontsIsSymbolFace(lf);

    TEXTMETRIC& tm = FMetrics;
    tm.tmWeight = weight;
    tm.tmItalic = lf.lfItalic ? 1 : 0;
    tm.tmUnderlined = lf.lfUnderline ? 1 : 0;
    tm.tmStruckOut = lf.lfStrikeOut ? 1 : 0;
    tm.tmCharSet = lf.lfCharSet == DEFAULT_CHARSET ? ANSI_CHARSET : lf.lfCharSet;
    tm.tmDigitizedAspectX = 96;
    tm.tmDigitizedAspectY = 96;
    tm.tmFirstChar = 0x20;
    tm.tmLastChar = 0xFFFC;
    tm.tmDefaultChar = 0x1F;
    tm.tmBreakChar = 0x20;
    const std::string lowerFamily = FontsLower(family.c_str());
    BYTE familyBits = lowerFamily.find("mono") != std::string::npos    ? FF_MODERN
                      : lowerFamily.find("serif") != std::string::npos ? FF_ROMAN
                                                                       : FF_SWISS;
    if (lowerFamily.find("sans") != std::string::npos && lowerFamily.find("mono") == std::string::npos)
        familyBits = FF_SWISS;

    if (!FFace) {
        // No font at all: a box font of the requested height so layout still works.
        const LONG cell = height < 0 ? -height * 5 / 4 + 1 : height;
        tm.tmHeight = std::max<LONG>(cell, 1);
        tm.tmAscent = tm.tmHeight * 4 / 5;
        tm.tmDescent = tm.tmHeight - tm.tmAscent;
        tm.tmInternalLeading = tm.tmHeight - std::max<LONG>(height < 0 ? -height : height * 4 / 5, 1);
        tm.tmInternalLeading = std::max<LONG>(tm.tmInternalLeading, 0);
        FBoxWidth = std::max<LONG>(width ? width : tm.tmHeight / 2, 1);
        FEm = std::max<LONG>(tm.tmHeight - tm.tmInternalLeading, 1);
        tm.tmAveCharWidth = FBoxWidth;
        tm.tmMaxCharWidth = FBoxWidth;
        tm.tmPitchAndFamily = TMPF_VECTOR | familyBits;
        FUnderlinePos = 1;
        FStrikePos = -tm.tmAscent / 3;
        return;
    }

    const int64_t upem = std::max<int64_t>(FFace->units_per_EM, 16);
    auto* os2 = static_cast<TT_OS2*>(FontsLib().FT_Get_Sfnt_Table(FFace, FT_SFNT_OS2));
    auto* hhea = static_cast<TT_HoriHeader*>(FontsLib().FT_Get_Sfnt_Table(FFace, FT_SFNT_HHEA));
    int64_t winAscent = os2 && os2->version != 0xFFFF ? os2->usWinAscent : FFace->ascender;
    int64_t winDescent = os2 && os2->version != 0xFFFF ? os2->usWinDescent : -FFace->descender;
    if (winAscent <= 0 || winDescent < 0 || winAscent + winDescent <= 0) {
        winAscent = upem * 4 / 5;
        winDescent = upem / 5;
    }

    // The em size in 26.6 pixels, and the cell.
    int64_t ppem64;
    if (height < 0) {
        ppem64 = int64_t(-height) * 64;
        tm.tmAscent = LONG(FontsCeilDiv(winAscent * -height, upem));
        tm.tmDescent = LONG(FontsCeilDiv(winDescent * -height, upem));
    } else {
        ppem64 = std::max<int64_t>(FontsRoundDiv(int64_t(height) * 64 * upem, winAscent + winDescent), 1);
        tm.tmAscent = LONG(FontsRoundDiv(winAscent * height, winAscent + winDescent));
        tm.tmDescent = height - tm.tmAscent;
    }
    ppem64 = std::max<int64_t>(ppem64, 1);
    FEm = int(std::max<int64_t>((ppem64 + 32) / 64, 1));
    tm.tmHeight = tm.tmAscent + tm.tmDescent;
    tm.tmInternalLeading = std::max<LONG>(tm.tmHeight - LONG((ppem64 + 32) / 64), 0);
    if (hhea) {
        const int64_t gap = hhea->Line_Gap - ((winAscent + winDescent) - (hhea->Ascender - hhea->Descender));
        tm.tmExternalLeading = gap > 0 ? LONG(FontsRoundDiv(gap * ppem64, upem * 64)) : 0;
    }

    // The weighted average width in font units, which also sets the horizontal scale for lfWidth.
    int64_t averageUnits = 0;
    bool allLetters = true;
    for (auto [ch, w] : FontsAverageWeights) {
        const FT_UInt index = FontsLib().FT_Get_Char_Index(FFace, FT_ULong(ch));
        FT_Fixed advance = 0;
        if (index == 0 || FontsLib().FT_Get_Advance(FFace, index, FT_LOAD_NO_SCALE, &advance) != 0) {
            allLetters = false;
            break;
        }
        averageUnits += advance * w;
    }
    averageUnits =
        allLetters ? averageUnits / 1000 : (os2 && os2->xAvgCharWidth > 0 ? os2->xAvgCharWidth : upem / 2);
    if (FT_IS_FIXED_WIDTH(FFace) && hhea)
        averageUnits = hhea->advance_Width_Max;
    averageUnits = std::max<int64_t>(averageUnits, 1);
    int64_t xppem64 = ppem64;
    if (width > 0)
        xppem64 = std::max<int64_t>(FontsRoundDiv(int64_t(width) * 64 * upem, averageUnits), 1);
    FontsLib().FT_Set_Char_Size(FFace, FT_F26Dot6(xppem64), FT_F26Dot6(ppem64), 72, 72);
    FPpem64 = ppem64;
    FXppem64 = xppem64;
    tm.tmAveCharWidth = LONG(std::max<int64_t>(FontsRoundDiv(averageUnits * xppem64, upem * 64), 1));
    tm.tmMaxCharWidth =
        hhea ? LONG(FontsRoundDiv(int64_t(hhea->advance_Width_Max) * xppem64, upem * 64)) : tm.tmAveCharWidth;
    tm.tmPitchAndFamily =
        TMPF_TRUETYPE | TMPF_VECTOR | (FT_IS_FIXED_WIDTH(FFace) ? 0 : TMPF_FIXED_PITCH) | familyBits;

    // Synthetic styles where the matched file lacks them.
    FSynthBold = weight >= FW_SEMIBOLD && !match.Bold;
    const bool synthItalic = lf.lfItalic && !match.Italic;
    if (FSynthBold)
        FBoldExtra = int(std::max<int64_t>(64, ppem64 / 24));
    const double c = std::cos(FAngle), s = std::sin(FAngle);
    const double shear = synthItalic ? 0.2 : 0.0;
    // Rotation times the italic shear, in FreeType's y-up space.
    FMatrix.xx = FT_Fixed(std::lround(c * 65536.0));
    FMatrix.xy = FT_Fixed(std::lround((c * shear - s) * 65536.0));
    FMatrix.yx = FT_Fixed(std::lround(s * 65536.0));
    FMatrix.yy = FT_Fixed(std::lround((s * shear + c) * 65536.0));
    FTransformed = FMatrix.xx != 0x10000 || FMatrix.xy != 0 || FMatrix.yx != 0 || FMatrix.yy != 0x10000;

    // Underline and strike-out from the post and OS/2 tables.
    const double scale = double(ppem64) / 64.0 / double(upem);
    if (FFace->underline_thickness > 0) {
        FUnderlineThick = std::max(1, int(std::lround(FFace->underline_thickness * scale)));
        FUnderlinePos = int(std::lround(-FFace->underline_position * scale - FUnderlineThick / 2.0));
    } else {
        FUnderlinePos = std::max<LONG>(tm.tmDescent / 2, 1);
    }
    FUnderlinePos = std::clamp<int>(FUnderlinePos, 1, std::max<int>(tm.tmDescent - FUnderlineThick, 1));
    if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
        FStrikeThick = std::max(1, int(std::lround(os2->yStrikeoutSize * scale)));
        FStrikePos = -int(std::lround(os2->yStrikeoutPosition * scale));
    } else {
        FStrikeThick = FUnderlineThick;
        FStrikePos = -int(tm.tmAscent / 3);
    }
}

FontsRealized::~FontsRealized() {
    std::lock_guard lock(FontsGlobal().Lock);
    for (Fallback& f : FFallbacks)
        FontsLib().FT_Done_Face(f.Face);
    if (FFace) {
        FontsLib().FT_Done_Face(FFace);
    }
}

bool FontsRealized::HasGlyph(char32_t ch) {
    std::lock_guard lock(FLock);
    return FFace && FontsLib().FT_Get_Char_Index(FFace, FT_ULong(ch)) != 0;
}

std::pair<FT_Face, FT_UInt> FontsRealized::FaceFor(char32_t ch) {
    const FT_UInt index = FontsLib().FT_Get_Char_Index(FFace, FT_ULong(ch));
    if (index != 0 || ch < 0x20 || (ch >= 0x7F && ch < 0xA0) || ch > 0x10FFFF)
        return {FFace, index};
    // Faces already opened for earlier characters are asked first.
    for (const Fallback& f : FFallbacks)
        if (const FT_UInt i = FontsLib().FT_Get_Char_Index(f.Face, FT_ULong(ch)))
            return {f.Face, i};
    // Text full of characters no font has must not turn into a fontconfig query each.
    if (FFallbackQueries >= FontsFallbackQueryLimit)
        return {FFace, 0};
    ++FFallbackQueries;
    FontsEngine& engine = FontsGlobal();
    std::string file;
    int faceIndex = 0;
    {
        std::lock_guard lock(engine.Lock);
        FcPattern* pattern = FontsLib().FcPatternCreate();
        FcCharSet* wanted = FontsLib().FcCharSetCreate();
        if (pattern && wanted && FontsLib().FcCharSetAddChar(wanted, FcChar32(ch))) {
            FontsLib().FcPatternAddCharSet(pattern, FC_CHARSET, wanted);
            FontsLib().FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>("sans-serif"));
            FontsLib().FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
            FontsLib().FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
            FontsLib().FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            if (FcPattern* match = FontsLib().FcFontMatch(nullptr, pattern, &result)) {
                FcCharSet* has = nullptr;
                FcChar8* name = nullptr;
                if (FontsLib().FcPatternGetCharSet(match, FC_CHARSET, 0, &has) == FcResultMatch && has &&
                    FontsLib().FcCharSetHasChar(has, FcChar32(ch)) &&
                    FontsLib().FcPatternGetString(match, FC_FILE, 0, &name) == FcResultMatch && name) {
                    file = reinterpret_cast<const char*>(name);
                    FontsLib().FcPatternGetInteger(match, FC_INDEX, 0, &faceIndex);
                }
                FontsLib().FcPatternDestroy(match);
            }
        }
        if (wanted)
            FontsLib().FcCharSetDestroy(wanted);
        if (pattern)
            FontsLib().FcPatternDestroy(pattern);
    }
    if (file.empty())
        return {FFace, 0};
    for (const Fallback& f : FFallbacks)
        if (f.File == file && f.Index == faceIndex) {
            const FT_UInt i = FontsLib().FT_Get_Char_Index(f.Face, FT_ULong(ch));
            return i ? std::pair{f.Face, i} : std::pair{FFace, FT_UInt(0)};
        }
    if (FFallbacks.size() >= 4)
        return {FFace, 0};
    FT_Face face = nullptr;
    {
        std::lock_guard lock(engine.Lock);
        if (FontsLib().FT_New_Face(engine.Library, file.c_str(), faceIndex, &face) != 0)
            face = nullptr;
    }
    if (!face)
        return {FFace, 0};
    FontsLib().FT_Set_Char_Size(face, FT_F26Dot6(FXppem64), FT_F26Dot6(FPpem64), 72, 72);
    FFallbacks.push_back(Fallback{file, faceIndex, face});
    const FT_UInt i = FontsLib().FT_Get_Char_Index(face, FT_ULong(ch));
    return i ? std::pair{face, i} : std::pair{FFace, FT_UInt(0)};
}

int FontsRealized::AdvanceLocked(char32_t ch) {
    if (FSymbols && FontsIsSymbol(ch))
        return FEm;
    if (ch < 128 && FAsciiAdvance[ch] >= 0)
        return FAsciiAdvance[ch];
    if (ch >= 128) {
        auto it = FAdvances.find(ch);
        if (it != FAdvances.end())
            return it->second;
    }
    int advance = FBoxWidth;
    if (FFace) {
        advance = 0;
        const auto [face, index] = FaceFor(ch);
        FontsLib().FT_Set_Transform(face, nullptr, nullptr);
        const FT_Int32 flags = FMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT;
        if (FontsLib().FT_Load_Glyph(face, index, flags | FT_LOAD_NO_BITMAP) == 0)
            advance = int((face->glyph->advance.x + 32) >> 6);
        if (FSynthBold && advance > 0)
            advance += (FBoldExtra + 32) >> 6;
    }
    if (ch < 128)
        FAsciiAdvance[ch] = advance;
    else
        FAdvances.emplace(ch, advance);
    return advance;
}

int FontsRealized::Advance(char32_t ch) {
    std::lock_guard lock(FLock);
    return AdvanceLocked(ch);
}

void FontsRealized::Render(char32_t ch, GlyphBitmap& out) {
    out.Advance = AdvanceLocked(ch);
    if (FSymbols && FontsIsSymbol(ch)) {
        FontsDrawSymbol(ch, FEm, out);
        out.Top = -FMetrics.tmAscent + (FMetrics.tmHeight - FEm) / 2;
        return;
    }
    if (!FFace) {
        // A hollow box inside the cell.
        const int w = std::max(FBoxWidth - 1, 1), h = std::max<int>(FMetrics.tmAscent - 1, 1);
        out.Left = 0;
        out.Top = -h;
        out.Width = w;
        out.Height = h;
        out.Coverage.assign(size_t(w) * size_t(h), 0);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                if (x == 0 || y == 0 || x == w - 1 || y == h - 1)
                    out.Coverage[size_t(y) * size_t(w) + size_t(x)] = 255;
        return;
    }
    const auto [face, index] = FaceFor(ch);
    FontsLib().FT_Set_Transform(face, FTransformed ? &FMatrix : nullptr, nullptr);
    const FT_Int32 flags = (FMono ? FT_LOAD_TARGET_MONO : FT_LOAD_TARGET_LIGHT) | FT_LOAD_NO_BITMAP;
    FT_Error error = FontsLib().FT_Load_Glyph(face, index, flags);
    FontsLib().FT_Set_Transform(face, nullptr, nullptr);
    if (error)
        return;
    FT_GlyphSlot slot = face->glyph;
    if (slot->format == FT_GLYPH_FORMAT_OUTLINE && FSynthBold)
        FontsLib().FT_Outline_Embolden(&slot->outline, FBoldExtra);
    if (FontsLib().FT_Render_Glyph(slot, FMono ? FT_RENDER_MODE_MONO : FT_RENDER_MODE_NORMAL) != 0)
        return;
    const FT_Bitmap& bitmap = slot->bitmap;
    out.Left = slot->bitmap_left;
    out.Top = -slot->bitmap_top;
    out.Width = int(bitmap.width);
    out.Height = int(bitmap.rows);
    out.Coverage.assign(size_t(out.Width) * size_t(out.Height), 0);
    for (int y = 0; y < out.Height; ++y) {
        const unsigned char* row = bitmap.buffer + ptrdiff_t(y) * bitmap.pitch;
        uint8_t* dst = out.Coverage.data() + size_t(y) * size_t(out.Width);
        if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) {
            for (int x = 0; x < out.Width; ++x)
                dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
        } else if (bitmap.pixel_mode == FT_PIXEL_MODE_GRAY) {
            std::memcpy(dst, row, size_t(out.Width));
        }
    }
}

std::shared_ptr<const GlyphBitmap> FontsRealized::Glyph(char32_t ch) {
    std::lock_guard lock(FLock);
    auto it = FGlyphs.find(ch);
    if (it != FGlyphs.end())
        return it->second;
    auto glyph = std::make_shared<GlyphBitmap>();
    Render(ch, *glyph);
    // Large sizes make large glyphs: past the budget the cache starts again rather than grow.
    const size_t bytes = glyph->Coverage.size() + sizeof(GlyphBitmap);
    if (FGlyphBytes + bytes > FontsGlyphCacheBytes) {
        FGlyphs.clear();
        FGlyphBytes = 0;
    }
    FGlyphBytes += bytes;
    FGlyphs.emplace(ch, glyph);
    return glyph;
}

std::string FontsCacheKey(const LOGFONT& lf, const std::string& family) {
    char buffer[160];
    std::snprintf(buffer, sizeof buffer, "%d/%d/%d/%d/%d/%d/%d/%d/", int(lf.lfHeight), int(lf.lfWidth),
                  int(lf.lfEscapement % 3600), int(lf.lfWeight), int(lf.lfItalic != 0),
                  int(lf.lfUnderline != 0), int(lf.lfStrikeOut != 0),
                  int(lf.lfQuality == NONANTIALIASED_QUALITY));
    return buffer + family + (FontsIsSymbolFace(lf) ? "/symbols" : "");
}

} // namespace

std::string MapFaceName(const char* faceName, BYTE pitchAndFamily) {
    const std::string name = FontsLower(faceName ? faceName : "");
    static const std::pair<const char*, const char*> table[] = {
        {"arial", "Liberation Sans"},
        {"ms sans serif", "Liberation Sans"},
        {"microsoft sans serif", "Liberation Sans"},
        {"ms shell dlg", "Liberation Sans"},
        {"ms shell dlg 2", "Liberation Sans"},
        {"tahoma", "Liberation Sans"},
        {"helvetica", "Liberation Sans"},
        {"system", "Liberation Sans"},
        {"courier new", "Liberation Mono"},
        {"courier", "Liberation Mono"},
        {"fixedsys", "Liberation Mono"},
        {"terminal", "Liberation Mono"},
        {"lucida console", "Liberation Mono"},
        {"times new roman", "Liberation Serif"},
        {"times", "Liberation Serif"},
        {"liberation sans", "Liberation Sans"},
        {"liberation serif", "Liberation Serif"},
        {"liberation mono", "Liberation Mono"},
        {"dejavu sans", "DejaVu Sans"},
        {"dejavu serif", "DejaVu Serif"},
        {"dejavu sans mono", "DejaVu Sans Mono"},
    };
    for (auto [from, to] : table)
        if (name == from)
            return to;
    if (name.empty()) {
        if ((pitchAndFamily & 3) == FIXED_PITCH || (pitchAndFamily & 0xF0) == FF_MODERN)
            return "Liberation Mono";
        if ((pitchAndFamily & 0xF0) == FF_ROMAN)
            return "Liberation Serif";
        return "Liberation Sans";
    }
    return "DejaVu Sans";
}

std::vector<std::string> InstalledFontFamilies() {
    std::vector<std::string> families;
    if (!OpenFontLibraries())
        return families;
    const FontLibraries& lib = FontsLib();
    std::lock_guard lock(FontsGlobal().Lock);
    FcConfig* config = lib.FcInitLoadConfigAndFonts();
    if (!config)
        return families;
    FcPattern* pattern = lib.FcPatternCreate();
    FcObjectSet* objects = lib.FcObjectSetBuild(FC_FAMILY, nullptr);
    if (FcFontSet* set = pattern && objects ? lib.FcFontList(config, pattern, objects) : nullptr) {
        for (int i = 0; i < set->nfont; ++i) {
            FcChar8* family = nullptr;
            if (lib.FcPatternGetString(set->fonts[i], FC_FAMILY, 0, &family) == FcResultMatch && family)
                families.emplace_back(reinterpret_cast<const char*>(family));
        }
        lib.FcFontSetDestroy(set);
    }
    if (objects)
        lib.FcObjectSetDestroy(objects);
    if (pattern)
        lib.FcPatternDestroy(pattern);
    lib.FcConfigDestroy(config);
    return families;
}

std::shared_ptr<RealizedFont> RealizeFont(const LOGFONT& lf) {
    const std::string face = FontsFaceName(lf);
    const std::string family = MapFaceName(face.c_str(), lf.lfPitchAndFamily);
    const std::string key = FontsCacheKey(lf, family);
    FontsEngine& engine = FontsGlobal();
    std::lock_guard lock(engine.Lock);
    if (auto it = engine.Cache.find(key); it != engine.Cache.end())
        return it->second;

    // Without the font libraries there is no engine, and the realised font draws boxes.
    if (!engine.Library && OpenFontLibraries() && FontsLib().FT_Init_FreeType(&engine.Library) != 0)
        engine.Library = nullptr;
    const int weight = lf.lfWeight == 0 ? FW_NORMAL : std::clamp<int>(lf.lfWeight, 1, 1000);
    FT_Face ftFace = nullptr;
    FontsFileMatch match;
    for (const std::string& candidate :
         {family, std::string("DejaVu Sans"), std::string("Liberation Sans")}) {
        if (!engine.Library)
            break;
        if (!FontsMatchFile(engine, candidate, weight, lf.lfItalic != 0, match))
            continue;
        if (FontsLib().FT_New_Face(engine.Library, match.File.c_str(), match.Index, &ftFace) == 0) {
            if (FT_IS_SCALABLE(ftFace))
                break;
            FontsLib().FT_Done_Face(ftFace);
        }
        ftFace = nullptr;
    }
    auto font = std::make_shared<FontsRealized>(ftFace, lf, match, ftFace ? match.Family : family);
    if (engine.Cache.size() >= FontsCacheLimit && !engine.CacheOrder.empty()) {
        engine.Cache.erase(engine.CacheOrder.front());
        engine.CacheOrder.pop_front();
    }
    engine.Cache.emplace(key, font);
    engine.CacheOrder.push_back(key);
    return font;
}

HFONT CreateFontIndirect(const LOGFONT* logFont) {
    if (!logFont)
        return nullptr;
    auto* font = new HFONT__;
    font->FLog = *logFont;
    font->FLog.lfFaceName[LF_FACESIZE - 1] = '\0';
    font->FData = std::make_shared<FontData>();
    return font;
}

HFONT CreateFont(int height, int width, int escapement, int orientation, int weight, DWORD italic,
                 DWORD underline, DWORD strikeOut, DWORD charSet, DWORD outPrecision, DWORD clipPrecision,
                 DWORD quality, DWORD pitchAndFamily, const char* faceName) {
    LOGFONT lf{};
    lf.lfHeight = height;
    lf.lfWidth = width;
    lf.lfEscapement = escapement;
    lf.lfOrientation = orientation;
    lf.lfWeight = weight;
    lf.lfItalic = BYTE(italic != 0);
    lf.lfUnderline = BYTE(underline != 0);
    lf.lfStrikeOut = BYTE(strikeOut != 0);
    lf.lfCharSet = BYTE(charSet);
    lf.lfOutPrecision = BYTE(outPrecision);
    lf.lfClipPrecision = BYTE(clipPrecision);
    lf.lfQuality = BYTE(quality);
    lf.lfPitchAndFamily = BYTE(pitchAndFamily);
    if (faceName)
        std::strncpy(lf.lfFaceName, faceName, LF_FACESIZE - 1);
    return CreateFontIndirect(&lf);
}

const LOGFONT* FontLogFont(HFONT font) {
    return font ? &font->FLog : nullptr;
}

std::shared_ptr<RealizedFont> FontRealized(HFONT font) {
    if (!font)
        font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
    if (!font)
        return RealizeFont(LOGFONT{});
    // Stock fonts carry no engine data: the engine's cache, keyed by the LOGFONT, keeps their faces.
    if (!font->FData)
        return RealizeFont(font->FLog);
    std::lock_guard lock(font->FData->Lock);
    if (!font->FData->Font)
        font->FData->Font = RealizeFont(font->FLog);
    return font->FData->Font;
}

std::string RealizedFamilyName(HFONT font) {
    return FontRealized(font)->FamilyName();
}

std::u32string DecodeText(const char* text, int byteCount, std::vector<int>* byteLengths) {
    std::u32string out;
    if (byteLengths)
        byteLengths->clear();
    if (!text || byteCount <= 0)
        return out;
    out.reserve(size_t(byteCount));
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    int i = 0;
    while (i < byteCount) {
        const unsigned char b = s[i];
        int len = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        char32_t cp = len == 1 ? b : len == 2 ? (b & 0x1F) : len == 3 ? (b & 0x0F) : (b & 0x07);
        bool valid = len > 0 && i + len <= byteCount;
        for (int k = 1; valid && k < len; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                valid = false;
            else
                cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        // Overlong forms, surrogates and values past U+10FFFF are not valid UTF-8 either.
        if (valid && ((len == 2 && cp < 0x80) || (len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000) ||
                      (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF))
            valid = false;
        if (!valid) {
            len = 1;
            cp = char32_t(b); // Latin-1
        }
        out.push_back(cp);
        if (byteLengths)
            byteLengths->push_back(len);
        i += len;
    }
    return out;
}

std::string EncodeText(const std::u32string& text) {
    std::string out;
    out.reserve(text.size());
    for (char32_t c : text)
        AppendUtf8(out, c);
    return out;
}

} // namespace win
