// The SWF value types that tags and movie objects own: rectangle, RGB and RGBA colours, colour transform and
// transformation matrix. Each converts to and from the plain records the bit engine writes.
#pragma once

#include "swf/SWFTools.h"

#include <cstdint>

namespace swf {

// A rectangle in twips whose setters keep XMin <= XMax and YMin <= YMax.
class TSWFRect {
public:
    int32_t GetXMin() const { return FXMin; }
    int32_t GetXMax() const { return FXMax; }
    int32_t GetYMin() const { return FYMin; }
    int32_t GetYMax() const { return FYMax; }
    void SetXMin(int32_t v);
    void SetXMax(int32_t v);
    void SetYMin(int32_t v);
    void SetYMax(int32_t v);
    void SetRect(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax);
    void SetFromTRect(const win::TRect& r);
    void SetFromRec(const TSWFRectRec& r);
    win::TRect ToTRect() const;
    TSWFRectRec ToRec() const { return {FXMin, FXMax, FYMin, FYMax}; }
    void Assign(const TSWFRect& source);

private:
    void Normalize();
    int32_t FXMax = 0;
    int32_t FXMin = 0;
    int32_t FYMax = 0;
    int32_t FYMin = 0;
};

class TSWFRGB {
public:
    virtual ~TSWFRGB() = default;
    // From a packed colour, red in the low byte.
    virtual void SetColor(int32_t color);
    virtual void Assign(const TSWFRGB& source);
    int32_t GetColor() const { return int32_t(FR) | (int32_t(FG) << 8) | (int32_t(FB) << 16); }
    TSWFRGBRec ToRec() const { return {FR, FG, FB}; }
    uint8_t GetR() const { return FR; }
    uint8_t GetG() const { return FG; }
    uint8_t GetB() const { return FB; }

protected:
    uint8_t FB = 0;
    uint8_t FG = 0;
    uint8_t FR = 0;
};

class TSWFRGBA : public TSWFRGB {
public:
    explicit TSWFRGBA(bool hasAlpha = false) { SetHasAlpha(hasAlpha); }
    void SetColor(int32_t color) override;
    void Assign(const TSWFRGB& source) override;
    uint8_t GetA() const { return FA; }
    // Turns HasAlpha on for any value but 255; never turns it off.
    void SetA(uint8_t a);
    bool GetHasAlpha() const { return FHasAlpha != 0; }
    // Clearing it makes the colour opaque.
    void SetHasAlpha(bool v);
    void SetRGBA(int32_t c);
    int32_t GetRGBA() const;

private:
    uint8_t FA = 255;
    uint8_t FHasAlpha = 0;
};

class TSWFColorTransform {
public:
    int32_t GetRedAdd() const { return FRedAdd; }
    int32_t GetGreenAdd() const { return FGreenAdd; }
    int32_t GetBlueAdd() const { return FBlueAdd; }
    int32_t GetAlphaAdd() const { return FAlphaAdd; }
    int32_t GetRedMult() const { return FRedMult; }
    int32_t GetGreenMult() const { return FGreenMult; }
    int32_t GetBlueMult() const { return FBlueMult; }
    int32_t GetAlphaMult() const { return FAlphaMult; }
    bool GetHasAdd() const { return FHasAdd; }
    bool GetHasMult() const { return FHasMult; }
    bool GetHasAlpha() const { return FHasAlpha; }
    void SetHasAlpha(bool v) { FHasAlpha = v; }

    // Each setter stores its term and turns on its kind (add or mult); the alpha setters also turn on alpha.
    void SetRedAdd(int32_t v);
    void SetGreenAdd(int32_t v);
    void SetBlueAdd(int32_t v);
    void SetAlphaAdd(int32_t v);
    void SetRedMult(int32_t v);
    void SetGreenMult(int32_t v);
    void SetBlueMult(int32_t v);
    void SetAlphaMult(int32_t v);

    TSWFColorTransformRec ToRecord() const;
    void FromRecord(const TSWFColorTransformRec& r);
    void Assign(const TSWFColorTransform& source) { *this = source; }

private:
    int32_t FAlphaAdd = 0;
    int32_t FBlueAdd = 0;
    int32_t FGreenAdd = 0;
    int32_t FRedAdd = 0;
    uint8_t FHasAdd = 0;
    uint8_t FHasAlpha = 0;
    uint8_t FHasMult = 0;
    int32_t FAlphaMult = 0;
    int32_t FBlueMult = 0;
    int32_t FGreenMult = 0;
    int32_t FRedMult = 0;
};

class TSWFMatrix {
public:
    bool GetHasScale() const { return FHasScale; }
    bool GetHasRotate() const { return FHasRotate; }
    int32_t GetScaleX() const { return FScaleX; }
    int32_t GetScaleY() const { return FScaleY; }
    int32_t GetRotateSkew0() const { return FRotateSkew0; }
    int32_t GetRotateSkew1() const { return FRotateSkew1; }
    int32_t GetTranslateX() const { return FTranslateX; }
    int32_t GetTranslateY() const { return FTranslateY; }

    void SetScale(double sx, double sy);
    void SetScaleX(double sx);
    void SetScaleY(double sy);
    void SetTranslate(int32_t x, int32_t y);
    void Assign(const TSWFMatrix& source) { *this = source; }
    TSWFMatrixRec ToRecord() const;
    void FromRecord(const TSWFMatrixRec& r);

private:
    uint8_t FHasScale = 0;
    uint8_t FHasRotate = 0;
    int32_t FScaleX = 0;
    int32_t FScaleY = 0;
    int32_t FRotateSkew1 = 0;
    int32_t FRotateSkew0 = 0;
    int32_t FTranslateX = 0;
    int32_t FTranslateY = 0;
};

} // namespace swf
