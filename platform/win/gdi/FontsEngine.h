// The font engine behind HFONT: fontconfig finds a Debian font for a face name, FreeType scales it and
// renders glyphs into 8-bit coverage, cached per realised size.
#pragma once

#include "platform/win/gdi/Fonts.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace win {

// One rendered glyph. The coverage rows are top-down; (Left, Top) is the offset of the bitmap's top-left
// pixel from the pen position on the baseline, in device pixels with y pointing down.
struct GlyphBitmap {
    int Left = 0;
    int Top = 0;
    int Width = 0;
    int Height = 0;
    int Advance = 0; // along the baseline, whole pixels
    std::vector<uint8_t> Coverage;
};

// A font realised at one size, style and angle. Safe to share between threads.
class RealizedFont {
public:
    virtual ~RealizedFont() = default;
    virtual const TEXTMETRIC& Metrics() const = 0;
    // Advance width of a character in whole pixels along the baseline.
    virtual int Advance(char32_t ch) = 0;
    // The glyph of a character, rotated by the font's escapement. The cache behind it is bounded, so the
    // glyph is shared rather than referenced.
    virtual std::shared_ptr<const GlyphBitmap> Glyph(char32_t ch) = 0;
    // Underline and strike-out: offset of the line's top edge from the baseline (positive = below) and
    // its thickness, in pixels.
    virtual int UnderlinePosition() const = 0;
    virtual int UnderlineThickness() const = 0;
    virtual int StrikeOutPosition() const = 0;
    virtual int StrikeOutThickness() const = 0;
    // Escapement in radians, counter-clockwise.
    virtual double Angle() const = 0;
    virtual const std::string& FamilyName() const = 0;
    virtual bool HasGlyph(char32_t ch) = 0;
};

// The realised font of a LOGFONT (shared between equal LOGFONTs); never null: a face that cannot be
// loaded falls back to DejaVu Sans, and if no font file can be loaded at all, to a font without glyphs
// whose characters are boxes.
std::shared_ptr<RealizedFont> RealizeFont(const LOGFONT& logFont);

// The object behind an HFONT.
const LOGFONT* FontLogFont(HFONT font);
std::shared_ptr<RealizedFont> FontRealized(HFONT font);

// The family of every installed font as fontconfig lists them (a family may come more than once); empty when
// the font libraries are missing.
std::vector<std::string> InstalledFontFamilies();

// The Debian family a Windows face name maps to (exposed for tests).
std::string MapFaceName(const char* faceName, BYTE pitchAndFamily);

// UTF-8 to code points. Bytes that are not valid UTF-8 are taken as Latin-1 characters, so old 8-bit
// texts still show. byteLengths (optional) receives the number of bytes of each character.
std::u32string DecodeText(const char* text, int byteCount, std::vector<int>* byteLengths = nullptr);
std::string EncodeText(const std::u32string& text);

} // namespace win
