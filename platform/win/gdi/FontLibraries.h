// FreeType and fontconfig, opened when the first font is realised rather than by every program at start:
// most tools never draw text, and the two libraries bring six shared objects with them.
#pragma once

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H
#include FT_SYNTHESIS_H
#include FT_ADVANCES_H

namespace win {

// Every function of the two libraries the font engine calls.
#define LOOMWICK_FONT_LIBRARY_CALLS(X)                                                                        \
    X(FT_Init_FreeType) X(FT_New_Face) X(FT_Done_Face) X(FT_Set_Char_Size) X(FT_Set_Transform)                \
    X(FT_Get_Char_Index) X(FT_Get_Advance) X(FT_Get_Sfnt_Table) X(FT_Load_Glyph) X(FT_Render_Glyph)           \
    X(FT_Outline_Embolden) X(FcInit) X(FcInitLoadConfigAndFonts) X(FcConfigDestroy) X(FcConfigSubstitute)     \
    X(FcDefaultSubstitute) X(FcFontMatch) X(FcFontList) X(FcFontSetDestroy) X(FcObjectSetBuild)               \
    X(FcObjectSetDestroy) X(FcPatternCreate) X(FcPatternDestroy) X(FcPatternAddString)                        \
    X(FcPatternAddInteger) X(FcPatternAddBool) X(FcPatternAddCharSet) X(FcPatternGetString)                   \
    X(FcPatternGetInteger) X(FcPatternGetCharSet) X(FcCharSetCreate) X(FcCharSetDestroy)                      \
    X(FcCharSetAddChar) X(FcCharSetHasChar) X(FcWeightFromOpenType)

struct FontLibraries {
#define LOOMWICK_FONT_LIBRARY_MEMBER(name) decltype(&::name) name = nullptr;
    LOOMWICK_FONT_LIBRARY_CALLS(LOOMWICK_FONT_LIBRARY_MEMBER)
#undef LOOMWICK_FONT_LIBRARY_MEMBER
};

// The two libraries, opened once (thread-safe); null when either cannot be opened or lacks a function, in
// which case there are no fonts: text is measured and drawn as boxes.
const FontLibraries* OpenFontLibraries();

} // namespace win
