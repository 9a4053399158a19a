// Property tables of the drawing tools (fonts, pens, brushes) and of graphics and pictures.
#include "platform/vcl/ClassTables.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Picture.h"

namespace vcl {

namespace {

// The character sets a font names in form files.
const TIdentMap* GraphicsCharsetIdents() {
    static const TIdentMap map{{
        {0, "ANSI_CHARSET"},      {1, "DEFAULT_CHARSET"},    {2, "SYMBOL_CHARSET"},
        {77, "MAC_CHARSET"},      {128, "SHIFTJIS_CHARSET"}, {129, "HANGEUL_CHARSET"},
        {130, "JOHAB_CHARSET"},   {134, "GB2312_CHARSET"},   {136, "CHINESEBIG5_CHARSET"},
        {161, "GREEK_CHARSET"},   {162, "TURKISH_CHARSET"},  {163, "VIETNAMESE_CHARSET"},
        {177, "HEBREW_CHARSET"},  {178, "ARABIC_CHARSET"},   {186, "BALTIC_CHARSET"},
        {204, "RUSSIAN_CHARSET"}, {222, "THAI_CHARSET"},     {238, "EASTEUROPE_CHARSET"},
        {255, "OEM_CHARSET"},
    }};
    return &map;
}

} // namespace

void RegisterGraphicsTables() {
    DefineClassProperties<TGraphicsObject, TPersistent>();
    DefineClassProperties<TFont, TGraphicsObject>()
        .Property("Charset", &TFont::GetCharset, &TFont::SetCharset, GraphicsCharsetIdents())
        .Property("Color", &TFont::GetColor, &TFont::SetColor, ColorIdents())
        // The size in points before the height in pixels: a layout that has both ends with the exact height.
        .Property("Size", &TFont::GetSize, &TFont::SetSize)
        .Property("Height", &TFont::GetHeight, &TFont::SetHeight)
        .Property("Name", &TFont::GetName, &TFont::SetName)
        .Property("Pitch", &TFont::GetPitch, &TFont::SetPitch)
        .Property("Style", &TFont::GetStyle, &TFont::SetStyle);
    DefineClassProperties<TPen, TGraphicsObject>()
        .Property("Color", &TPen::GetColor, &TPen::SetColor, ColorIdents())
        .Property("Mode", &TPen::GetMode, &TPen::SetMode)
        .Property("Style", &TPen::GetStyle, &TPen::SetStyle)
        .Property("Width", &TPen::GetWidth, &TPen::SetWidth);
    DefineClassProperties<TBrush, TGraphicsObject>()
        .Property("Color", &TBrush::GetColor, &TBrush::SetColor, ColorIdents())
        .Property("Style", &TBrush::GetStyle, &TBrush::SetStyle);

    // Pictures store their content through their own pseudo-property ("Data"); their tables only let lookups
    // reach TPersistent.
    DefineClassProperties<TGraphic, TPersistent>();
    DefineClassProperties<TBitmap, TGraphic>();
    DefineClassProperties<TPicture, TPersistent>();
}

} // namespace vcl
