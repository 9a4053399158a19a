// Colours and the drawing tools of a canvas: TFont, TPen and TBrush. Each tool keeps its properties and
// builds its GDI handle on first use; a change drops the handle and tells the owner through OnChange.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <string>

namespace vcl {

class TBitmap;

// A colour: red in the low byte; a set high bit marks a system colour (its low byte a COLOR_ index).
using TColor = int32_t;

constexpr TColor clBlack = 0x000000;
constexpr TColor clMaroon = 0x000080;
constexpr TColor clGreen = 0x008000;
constexpr TColor clOlive = 0x008080;
constexpr TColor clNavy = 0x800000;
constexpr TColor clPurple = 0x800080;
constexpr TColor clTeal = 0x808000;
constexpr TColor clGray = 0x808080;
constexpr TColor clSilver = 0xC0C0C0;
constexpr TColor clRed = 0x0000FF;
constexpr TColor clLime = 0x00FF00;
constexpr TColor clYellow = 0x00FFFF;
constexpr TColor clBlue = 0xFF0000;
constexpr TColor clFuchsia = 0xFF00FF;
constexpr TColor clAqua = 0xFFFF00;
constexpr TColor clLtGray = 0xC0C0C0;
constexpr TColor clDkGray = 0x808080;
constexpr TColor clWhite = 0xFFFFFF;
constexpr TColor clMoneyGreen = 0xC0DCC0;
constexpr TColor clSkyBlue = 0xF0CAA6;
constexpr TColor clCream = 0xF0FBFF;
constexpr TColor clMedGray = 0xA4A0A0;
constexpr TColor clNone = 0x1FFFFFFF;
constexpr TColor clDefault = 0x20000000;

constexpr TColor SystemColor(int index) {
    return TColor(0x80000000u | uint32_t(index));
}
constexpr TColor clScrollBar = SystemColor(0);
constexpr TColor clBackground = SystemColor(1);
constexpr TColor clActiveCaption = SystemColor(2);
constexpr TColor clInactiveCaption = SystemColor(3);
constexpr TColor clMenu = SystemColor(4);
constexpr TColor clWindow = SystemColor(5);
constexpr TColor clWindowFrame = SystemColor(6);
constexpr TColor clMenuText = SystemColor(7);
constexpr TColor clWindowText = SystemColor(8);
constexpr TColor clCaptionText = SystemColor(9);
constexpr TColor clActiveBorder = SystemColor(10);
constexpr TColor clInactiveBorder = SystemColor(11);
constexpr TColor clAppWorkSpace = SystemColor(12);
constexpr TColor clHighlight = SystemColor(13);
constexpr TColor clHighlightText = SystemColor(14);
constexpr TColor clBtnFace = SystemColor(15);
constexpr TColor clBtnShadow = SystemColor(16);
constexpr TColor clGrayText = SystemColor(17);
constexpr TColor clBtnText = SystemColor(18);
constexpr TColor clInactiveCaptionText = SystemColor(19);
constexpr TColor clBtnHighlight = SystemColor(20);
constexpr TColor cl3DDkShadow = SystemColor(21);
constexpr TColor cl3DLight = SystemColor(22);
constexpr TColor clInfoText = SystemColor(23);
constexpr TColor clInfoBk = SystemColor(24);
constexpr TColor clHotLight = SystemColor(26);
constexpr TColor clGradientActiveCaption = SystemColor(27);
constexpr TColor clGradientInactiveCaption = SystemColor(28);

// Resolves a system colour to its RGB value; other colours come back unchanged.
int32_t ColorToRGB(TColor color);

// Tools share the change notification of TGraphicsObject.
class TGraphicsObject : public TPersistent {
public:
    TNotifyEvent OnChange;

protected:
    virtual void Changed();
};

enum TFontStyle { fsBold, fsItalic, fsUnderline, fsStrikeOut };
using TFontStyles = TSet<TFontStyle>;
enum TFontPitch { fpDefault, fpVariable, fpFixed };
using TFontCharset = uint8_t;
constexpr TFontCharset DEFAULT_CHARSET = 1;

class TFont : public TGraphicsObject {
public:
    TFont();
    ~TFont() override;
    void Assign(TPersistent* source) override;

    std::string GetName() const { return FName; }
    void SetName(const std::string& value);
    // Size in points, Height in pixels (negative: the character height without internal leading).
    int32_t GetSize() const;
    void SetSize(int32_t value);
    int32_t GetHeight() const { return FHeight; }
    void SetHeight(int32_t value);
    TFontStyles GetStyle() const { return FStyle; }
    void SetStyle(TFontStyles value);
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    TFontCharset GetCharset() const { return FCharset; }
    void SetCharset(TFontCharset value);
    TFontPitch GetPitch() const { return FPitch; }
    void SetPitch(TFontPitch value);
    // Screen resolution the point size is converted with (96 by default, from the screen).
    int32_t GetPixelsPerInch() const { return FPixelsPerInch; }
    void SetPixelsPerInch(int32_t value) { FPixelsPerInch = value; }

    // The font handle, built from the properties on first use and owned by the font.
    win::HFONT GetHandle();
    // Takes over a font handle: the properties are read from it and the font owns it from then on.
    void SetHandle(win::HFONT value);

private:
    void FreeHandle();
    std::string FName = "MS Sans Serif";
    int32_t FHeight = -11;
    TFontStyles FStyle;
    TColor FColor = clWindowText;
    TFontCharset FCharset = DEFAULT_CHARSET;
    TFontPitch FPitch = fpDefault;
    int32_t FPixelsPerInch = 96;
    win::HFONT FHandle = nullptr;
};

enum TPenStyle { psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum TPenMode {
    pmBlack,
    pmWhite,
    pmNop,
    pmNot,
    pmCopy,
    pmNotCopy,
    pmMergePenNot,
    pmMaskPenNot,
    pmMergeNotPen,
    pmMaskNotPen,
    pmMerge,
    pmNotMerge,
    pmMask,
    pmNotMask,
    pmXor,
    pmNotXor
};
// The GDI mix mode (SetROP2) of a pen mode.
int PenModeToRop2(TPenMode mode);

class TPen : public TGraphicsObject {
public:
    ~TPen() override;
    void Assign(TPersistent* source) override;

    TColor GetColor() const { return FColor; }
    void SetColor(TColor value);
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t value);
    TPenStyle GetStyle() const { return FStyle; }
    void SetStyle(TPenStyle value);
    // The mix mode is a property of the canvas's device context, applied when the pen is selected.
    TPenMode GetMode() const { return FMode; }
    void SetMode(TPenMode value);

    win::HPEN GetHandle();
    void SetHandle(win::HPEN value);

private:
    void FreeHandle();
    TColor FColor = clBlack;
    int32_t FWidth = 1;
    TPenStyle FStyle = psSolid;
    TPenMode FMode = pmCopy;
    win::HPEN FHandle = nullptr;
};

enum TBrushStyle {
    bsSolid,
    bsClear,
    bsHorizontal,
    bsVertical,
    bsFDiagonal,
    bsBDiagonal,
    bsCross,
    bsDiagCross
};

class TBrush : public TGraphicsObject {
public:
    ~TBrush() override;
    void Assign(TPersistent* source) override;

    TColor GetColor() const { return FColor; }
    // A colour other than clNone makes a clear brush solid again.
    void SetColor(TColor value);
    TBrushStyle GetStyle() const { return FStyle; }
    void SetStyle(TBrushStyle value);
    // A pattern bitmap (not owned): the brush tiles it from the brush origin until it is set to nullptr.
    TBitmap* GetBitmap() const { return FBitmap; }
    void SetBitmap(TBitmap* value);

    win::HBRUSH GetHandle();
    void SetHandle(win::HBRUSH value);

private:
    void FreeHandle();
    TColor FColor = clWhite;
    TBrushStyle FStyle = bsSolid;
    TBitmap* FBitmap = nullptr;
    win::HBRUSH FHandle = nullptr;
};

} // namespace vcl
