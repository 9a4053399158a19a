#include "swf/FlashShape.h"

#include "platform/vcl/Exceptions.h"
#include "swf/FlashImage.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace swf {

namespace {

int32_t ShapeScaled(int64_t v, int32_t factor) {
    int64_t r = v * factor;
    if (r < INT32_MIN || r > INT32_MAX)
        throw vcl::ERangeError("Shape coordinate out of range");
    return static_cast<int32_t>(r);
}

} // namespace

void TFlashVisualObject::Assign(TBasedSWFObject* source) {
    TFlashIDObject::Assign(source);
    if (auto* s = dynamic_cast<TFlashVisualObject*>(source))
        FUseTwips = s->FUseTwips;
}

int32_t TFlashVisualObject::UnitFactor() const {
    return (FUseTwips || !FOwner) ? 1 : FOwner->GetUnitFactor();
}

TFlashEdges::TFlashEdges(TSWFShapeRecords* records, TFlashMovie* owner) : FRecords(records), FOwner(owner) {
    CurrentStyleChange()->StateFillStyle1 = true;
}

int32_t TFlashEdges::UnitFactor() const {
    return (FUseTwips || !FOwner) ? 1 : FOwner->GetUnitFactor();
}

TSWFStyleChangeRecord* TFlashEdges::CurrentStyleChange() {
    if (!FRecords->empty())
        if (auto* last = dynamic_cast<TSWFStyleChangeRecord*>(FRecords->back().get()))
            return last;
    FRecords->push_back(std::make_unique<TSWFStyleChangeRecord>());
    return static_cast<TSWFStyleChangeRecord*>(FRecords->back().get());
}

TSWFStyleChangeRecord* TFlashEdges::MoveTo(int32_t x, int32_t y) {
    TSWFStyleChangeRecord* record = CurrentStyleChange();
    const int32_t f = UnitFactor();
    int32_t px = ShapeScaled(x, f), py = ShapeScaled(y, f);
    // A move to where the pen already is, before any edge, adds nothing.
    if (px == FCurrentX && py == FCurrentY && FRecords->size() <= 1)
        return record;
    FCurrentX = px;
    FCurrentY = py;
    record->SetMoveTo(px, py);
    FStartX = px;
    FStartY = py;
    return record;
}

TSWFStraightEdgeRecord* TFlashEdges::LineDelta(int32_t dx, int32_t dy) {
    if (dx == 0 && dy == 0)
        return nullptr;
    const int32_t f = UnitFactor();
    int64_t tx = int64_t(dx) * f, ty = int64_t(dy) * f;
    if (std::llabs(tx) > INT32_MAX || std::llabs(ty) > INT32_MAX)
        throw vcl::ERangeError("Shape coordinate out of range");
    // An edge record moves at most 65535 twips along an axis: longer lines are split evenly.
    int64_t k = std::max((std::llabs(tx) + 65534) / 65535, (std::llabs(ty) + 65534) / 65535);
    TSWFStraightEdgeRecord* last = nullptr;
    for (int64_t j = 1; j <= k; ++j) {
        int32_t ex = RoundToEven(double(tx) / double(k) * double(j)) -
                     RoundToEven(double(tx) / double(k) * double(j - 1));
        int32_t ey = RoundToEven(double(ty) / double(k) * double(j)) -
                     RoundToEven(double(ty) / double(k) * double(j - 1));
        FRecords->push_back(std::make_unique<TSWFStraightEdgeRecord>(ex, ey));
        last = static_cast<TSWFStraightEdgeRecord*>(FRecords->back().get());
    }
    FCurrentX = static_cast<int32_t>(FCurrentX + tx);
    FCurrentY = static_cast<int32_t>(FCurrentY + ty);
    return last;
}

void TFlashEdges::Rectangle(int32_t w, int32_t h) {
    LineDelta(w, 0);
    LineDelta(0, h);
    LineDelta(-w, 0);
    LineDelta(0, -h);
}

void TFlashEdges::EndShape() {
    FRecords->push_back(std::make_unique<TSWFEndShapeRecord>());
}

TFlashShape::TFlashShape(TFlashMovie* owner) : TFlashVisualObject(owner) {
    // The shape tag is a later member: the edges can take its records only once it exists.
    FEdges = std::make_unique<TFlashEdges>(&FShape.GetRecords(), owner);
}

TFlashShape::~TFlashShape() = default;

void TFlashShape::OwnerChanged() {
    FEdges->SetOwner(FOwner);
}

void TFlashShape::SetCharacterID(uint16_t id) {
    TFlashVisualObject::SetCharacterID(id);
    FShape.SetShapeID(id);
}

void TFlashShape::SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    const int32_t f = UnitFactor();
    FBounds.SetRect(ShapeScaled(left, f), ShapeScaled(top, f), ShapeScaled(right, f), ShapeScaled(bottom, f));
    Changed();
}

int32_t TFlashShape::GetXMin() const {
    return FBounds.GetXMin() / UnitFactor();
}
int32_t TFlashShape::GetXMax() const {
    return FBounds.GetXMax() / UnitFactor();
}
int32_t TFlashShape::GetYMin() const {
    return FBounds.GetYMin() / UnitFactor();
}
int32_t TFlashShape::GetYMax() const {
    return FBounds.GetYMax() / UnitFactor();
}

int32_t TFlashShape::GetWidth(bool inTwips) const {
    return (GetXMax() - GetXMin()) * (inTwips ? UnitFactor() : 1);
}

int32_t TFlashShape::GetHeight(bool inTwips) const {
    return (GetYMax() - GetYMin()) * (inTwips ? UnitFactor() : 1);
}

TSWFStyleChangeRecord* TFlashShape::StyleTarget() {
    auto& records = FShape.GetRecords();
    if (records.empty())
        return nullptr;
    if (FUseLastStyleChange) {
        for (auto it = records.rbegin(); it != records.rend(); ++it)
            if (auto* change = dynamic_cast<TSWFStyleChangeRecord*>(it->get()))
                return change;
        return nullptr;
    }
    return dynamic_cast<TSWFStyleChangeRecord*>(records.front().get());
}

void TFlashShape::SetFillStyle0(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FFillStyle0 = target ? i : 0;
    if (target)
        target->SetFillStyle0(i);
    Changed();
}

void TFlashShape::SetFillStyle1(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FFillStyle1 = target ? i : 0;
    if (target)
        target->SetFillStyle1(i);
    Changed();
}

void TFlashShape::SetLineStyle(uint16_t i) {
    TSWFStyleChangeRecord* target = StyleTarget();
    FLineStyle = target ? i : 0;
    if (target)
        target->SetLineStyle(i);
    Changed();
}

TSWFFillStyle* TFlashShape::AddFillStyle(std::unique_ptr<TSWFFillStyle> fill) {
    auto& fills = FShape.GetFillStyles();
    fills.push_back(std::move(fill));
    TSWFFillStyle* added = fills.back().get();
    if (fills.size() > 0xFFFF)
        throw vcl::ERangeError("Too many fill styles");
    SetFillStyle1(static_cast<uint16_t>(fills.size()));
    return added;
}

TSWFImageFill* TFlashShape::AddImageFill(TFlashImage* image, int32_t mode, double sx, double sy) {
    auto fill = std::make_unique<TSWFImageFill>();
    fill->SetBitmapID(image->GetCharacterID());
    sx *= 20;
    sy *= 20;
    const int32_t tx = FBounds.GetXMin() - 5, ty = FBounds.GetYMin() - 5;
    switch (mode) {
    case 0:
        fill->SetFillType(fillClippedBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        fill->GetMatrix().SetScale(sx, sy);
        break;
    case 1: {
        if (image->GetWidth() == 0 || image->GetHeight() == 0)
            throw vcl::EInvalidGraphic("Cannot stretch an image of unknown size over a shape");
        fill->SetFillType(fillClippedBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        double w = FBounds.GetXMax() - FBounds.GetXMin(), h = FBounds.GetYMax() - FBounds.GetYMin();
        fill->GetMatrix().SetScale(w / image->GetWidth() + 0.003662109375,
                                   h / image->GetHeight() + 0.003662109375);
        break;
    }
    case 2:
        fill->SetFillType(fillRepeatingBitmap);
        fill->GetMatrix().SetTranslate(tx, ty);
        fill->GetMatrix().SetScale(sx, sy);
        break;
    default:
        fill->SetFillType(fillClippedBitmap);
        break;
    }
    auto* added = static_cast<TSWFImageFill*>(AddFillStyle(std::move(fill)));
    // The bitmap must be defined before the shape that uses it.
    if (FOwner) {
        int32_t shapeAt = FOwner->IndexOfObject(this), imageAt = FOwner->IndexOfObject(image);
        if (shapeAt >= 0 && imageAt > shapeAt)
            FOwner->MoveObject(imageAt, shapeAt);
    }
    return added;
}

void TFlashShape::Assign(TBasedSWFObject* source) {
    TFlashVisualObject::Assign(source);
    auto* s = dynamic_cast<TFlashShape*>(source);
    if (!s || s == this)
        return;
    FBounds.Assign(s->FBounds);
    FShape.Assign(&s->FShape);
    FUseLastStyleChange = s->FUseLastStyleChange;
    SetFillStyle0(s->FFillStyle0);
    SetFillStyle1(s->FFillStyle1);
    SetLineStyle(s->FLineStyle);
    FHasAlpha = s->FHasAlpha;
    FShape.SetShapeID(FCharacterID);
}

void TFlashShape::WriteToStream(TBitsEngine* engine) {
    FShape.SetTagID(FHasAlpha ? tagDefineShape3 : tagDefineShape2);
    FShape.SetHasAlpha(FHasAlpha);
    int32_t w = 0;
    for (auto& line : FShape.GetLineStyles())
        w = std::max<int32_t>(w, line->GetWidth());
    FShape.GetBounds().SetRect(FBounds.GetXMin() - w / 2, FBounds.GetYMin() - w / 2,
                               FBounds.GetXMax() + w / 2, FBounds.GetYMax() + w / 2);
    FShape.WriteToStream(engine);
}

} // namespace swf
