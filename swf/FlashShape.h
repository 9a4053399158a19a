// A shape character of a movie: a path built with move and line commands, a bounding rectangle and fill
// styles, written as DefineShape2 or DefineShape3.
#pragma once

#include "swf/FlashMovie.h"
#include "swf/SWFShapes.h"

#include <memory>
#include <vector>

namespace swf {

class TFlashImage;

// A movie character drawn in the movie's units: pixels (20 twips each) for a movie in pixels, unless the
// object works in twips.
class TFlashVisualObject : public TFlashIDObject {
public:
    using TFlashIDObject::TFlashIDObject;
    void Assign(TBasedSWFObject* source) override;
    bool GetUseTwips() const { return FUseTwips; }
    void SetUseTwips(bool v) { FUseTwips = v; }

protected:
    int32_t UnitFactor() const;
    uint8_t FUseTwips = 0;
};

// A dash pattern: lengths in pixels (0-255), drawn, gap, drawn, gap ...
class TFlashLineStyle {
public:
    std::vector<uint8_t>& GetItems() { return FItems; }
    uint8_t GetCount() const { return static_cast<uint8_t>(FItems.size()); }

private:
    std::vector<uint8_t> FItems;
};

// Builds a shape's records with a pen.
class TFlashEdges {
public:
    TFlashEdges(TSWFShapeRecords* records, TFlashMovie* owner);
    // The last record when it is a style change, else a new one appended.
    TSWFStyleChangeRecord* CurrentStyleChange();
    TSWFStyleChangeRecord* MoveTo(int32_t x, int32_t y);
    TSWFStraightEdgeRecord* LineDelta(int32_t dx, int32_t dy);
    void Rectangle(int32_t w, int32_t h);
    void EndShape();

    int32_t GetCurrentX() const { return FCurrentX; }
    int32_t GetStartX() const { return FStartX; }
    int32_t GetStartY() const { return FStartY; }
    int32_t GetCurrentY() const { return FCurrentY; }
    bool GetUseTwips() const { return FUseTwips; }
    void SetUseTwips(bool v) { FUseTwips = v; }
    void SetOwner(TFlashMovie* owner) { FOwner = owner; }

private:
    int32_t UnitFactor() const;
    int32_t FCurrentX = 0;
    int32_t FCurrentY = 0;
    uint8_t FUseTwips = 0;
    int32_t FStartX = 0;
    int32_t FStartY = 0;
    TSWFShapeRecords* FRecords;
    TFlashMovie* FOwner;
};

class TFlashShape : public TFlashVisualObject {
public:
    explicit TFlashShape(TFlashMovie* owner);
    ~TFlashShape() override;
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 2 + FHasAlpha; }
    void WriteToStream(TBitsEngine* engine) override;
    void SetCharacterID(uint16_t id) override;

    void SetBounds(int32_t left, int32_t top, int32_t right, int32_t bottom);
    // The getters that give the shape out for changes mark the movie for rendering again.
    TSWFRect& GetBounds() {
        Changed();
        return FBounds;
    }
    int32_t GetXMin() const;
    int32_t GetXMax() const;
    int32_t GetYMin() const;
    int32_t GetYMax() const;
    int32_t GetWidth(bool inTwips) const;
    int32_t GetHeight(bool inTwips) const;
    TFlashEdges& GetEdges() {
        Changed();
        return *FEdges;
    }
    TSWFDefineShape3& GetShape() {
        Changed();
        return FShape;
    }

    uint16_t GetFillStyle0() const { return FFillStyle0; }
    uint16_t GetFillStyle1() const { return FFillStyle1; }
    uint16_t GetLineStyle() const { return FLineStyle; }
    void SetFillStyle0(uint16_t i);
    void SetFillStyle1(uint16_t i);
    void SetLineStyle(uint16_t i);
    // Adds the fill (unless the shape has it already) and makes it fill style 1.
    TSWFFillStyle* AddFillStyle(std::unique_ptr<TSWFFillStyle> fill);
    // A bitmap fill of image: mode 0 clipped, 1 stretched over the shape, 2 repeating; sx, sy scale it.
    TSWFImageFill* AddImageFill(TFlashImage* image, int32_t mode, double sx = 1.0, double sy = 1.0);
    bool GetHasAlpha() const { return FHasAlpha; }
    void SetHasAlpha(bool v) { FHasAlpha = v; }
    // The dash pattern the outline is drawn with, created on first use (which turns dashing on).
    TFlashLineStyle& GetDashes();
    bool GetDashed() const { return FDashed; }
    bool GetUseLastStyleChange() const { return FUseLastStyleChange; }
    void SetUseLastStyleChange(bool v) { FUseLastStyleChange = v; }

protected:
    void OwnerChanged() override;

private:
    TSWFStyleChangeRecord* StyleTarget();
    TSWFRect FBounds;
    std::unique_ptr<TFlashEdges> FEdges;
    std::unique_ptr<TFlashLineStyle> FDashes;
    uint16_t FFillStyle0 = 0;
    uint16_t FFillStyle1 = 0;
    uint8_t FDashed = 0;
    uint16_t FLineStyle = 0;
    TSWFDefineShape3 FShape;
    uint8_t FUseLastStyleChange = 0;
    uint8_t FHasAlpha = 0;
};

} // namespace swf
