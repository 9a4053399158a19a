#include "swf/SWFRecords.h"

#include <utility>

namespace swf {

void TSWFRect::Normalize() {
    if (FXMin > FXMax)
        std::swap(FXMin, FXMax);
    if (FYMin > FYMax)
        std::swap(FYMin, FYMax);
}

void TSWFRect::SetXMin(int32_t v) {
    FXMin = v;
    Normalize();
}
void TSWFRect::SetXMax(int32_t v) {
    FXMax = v;
    Normalize();
}
void TSWFRect::SetYMin(int32_t v) {
    FYMin = v;
    Normalize();
}
void TSWFRect::SetYMax(int32_t v) {
    FYMax = v;
    Normalize();
}

void TSWFRect::SetRect(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax) {
    FXMin = xMin;
    FYMin = yMin;
    FXMax = xMax;
    FYMax = yMax;
    Normalize();
}

void TSWFRect::SetFromTRect(const win::TRect& r) {
    SetRect(r.Left, r.Top, r.Right, r.Bottom);
}

void TSWFRect::SetFromRec(const TSWFRectRec& r) {
    SetRect(r.XMin, r.YMin, r.XMax, r.YMax);
}

win::TRect TSWFRect::ToTRect() const {
    return {FXMin, FYMin, FXMax, FYMax};
}

void TSWFRect::Assign(const TSWFRect& source) {
    *this = source;
}

void TSWFRGB::SetColor(int32_t color) {
    FR = static_cast<uint8_t>(color);
    FG = static_cast<uint8_t>(color >> 8);
    FB = static_cast<uint8_t>(color >> 16);
}

void TSWFRGB::Assign(const TSWFRGB& source) {
    FR = source.FR;
    FG = source.FG;
    FB = source.FB;
}

void TSWFRGBA::SetA(uint8_t a) {
    FA = a;
    if (a != 255)
        FHasAlpha = 1;
}

void TSWFRGBA::SetHasAlpha(bool v) {
    FHasAlpha = v;
    if (!v)
        FA = 255;
}

void TSWFRGBA::SetColor(int32_t color) {
    TSWFRGB::SetColor(color);
    SetA(255);
}

void TSWFRGBA::SetRGBA(int32_t c) {
    TSWFRGB::SetColor(c);
    SetA(static_cast<uint8_t>(uint32_t(c) >> 24));
}

int32_t TSWFRGBA::GetRGBA() const {
    return MakeRGBA(FR, FG, FB, FA);
}

void TSWFRGBA::Assign(const TSWFRGB& source) {
    if (auto* rgba = dynamic_cast<const TSWFRGBA*>(&source))
        SetRGBA(rgba->GetRGBA());
    else
        SetColor(source.GetColor());
}

void TSWFColorTransform::SetRedAdd(int32_t v) {
    FRedAdd = v;
    FHasAdd = 1;
}
void TSWFColorTransform::SetGreenAdd(int32_t v) {
    FGreenAdd = v;
    FHasAdd = 1;
}
void TSWFColorTransform::SetBlueAdd(int32_t v) {
    FBlueAdd = v;
    FHasAdd = 1;
}
void TSWFColorTransform::SetAlphaAdd(int32_t v) {
    FAlphaAdd = v;
    FHasAdd = 1;
    FHasAlpha = 1;
}
void TSWFColorTransform::SetRedMult(int32_t v) {
    FRedMult = v;
    FHasMult = 1;
}
void TSWFColorTransform::SetGreenMult(int32_t v) {
    FGreenMult = v;
    FHasMult = 1;
}
void TSWFColorTransform::SetBlueMult(int32_t v) {
    FBlueMult = v;
    FHasMult = 1;
}
void TSWFColorTransform::SetAlphaMult(int32_t v) {
    FAlphaMult = v;
    FHasMult = 1;
    FHasAlpha = 1;
}

TSWFColorTransformRec TSWFColorTransform::ToRecord() const {
    TSWFColorTransformRec r;
    r.HasAlpha = FHasAlpha;
    if (FHasAdd) {
        r.RedAdd = static_cast<int16_t>(FRedAdd);
        r.GreenAdd = static_cast<int16_t>(FGreenAdd);
        r.BlueAdd = static_cast<int16_t>(FBlueAdd);
        if (FHasAlpha)
            r.AlphaAdd = static_cast<int16_t>(FAlphaAdd);
        r.HasAdd = 1;
    }
    if (FHasMult) {
        r.RedMult = static_cast<int16_t>(FRedMult);
        r.GreenMult = static_cast<int16_t>(FGreenMult);
        r.BlueMult = static_cast<int16_t>(FBlueMult);
        if (FHasAlpha)
            r.AlphaMult = static_cast<int16_t>(FAlphaMult);
        r.HasMult = 1;
    }
    return r;
}

void TSWFColorTransform::FromRecord(const TSWFColorTransformRec& r) {
    FHasAlpha = r.HasAlpha;
    if (r.HasAdd) {
        SetRedAdd(r.RedAdd);
        SetGreenAdd(r.GreenAdd);
        SetBlueAdd(r.BlueAdd);
        if (r.HasAlpha)
            SetAlphaAdd(r.AlphaAdd);
    } else {
        FHasAdd = 0;
    }
    if (r.HasMult) {
        SetRedMult(r.RedMult);
        SetGreenMult(r.GreenMult);
        SetBlueMult(r.BlueMult);
        if (r.HasAlpha)
            SetAlphaMult(r.AlphaMult);
    } else {
        FHasMult = 0;
    }
}

void TSWFMatrix::SetScale(double sx, double sy) {
    FScaleX = FloatToFixed16(sx);
    FScaleY = FloatToFixed16(sy);
    FHasScale = 1;
}

void TSWFMatrix::SetScaleX(double sx) {
    FScaleX = FloatToFixed16(sx);
    FHasScale = 1;
}

void TSWFMatrix::SetScaleY(double sy) {
    FScaleY = FloatToFixed16(sy);
    FHasScale = 1;
}

void TSWFMatrix::SetTranslate(int32_t x, int32_t y) {
    FTranslateX = x;
    FTranslateY = y;
}

TSWFMatrixRec TSWFMatrix::ToRecord() const {
    return MakeMatrix(FHasScale, FHasRotate, FScaleX, FScaleY, FRotateSkew1, FRotateSkew0, FTranslateX,
                      FTranslateY);
}

void TSWFMatrix::FromRecord(const TSWFMatrixRec& r) {
    FHasScale = r.HasScale;
    FHasRotate = r.HasRotate;
    FScaleX = r.ScaleX;
    FScaleY = r.ScaleY;
    FRotateSkew1 = r.RotateSkew1;
    FRotateSkew0 = r.RotateSkew0;
    FTranslateX = r.TranslateX;
    FTranslateY = r.TranslateY;
}

} // namespace swf
