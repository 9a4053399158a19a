// The SWF shape definition: fill and line styles, the four kinds of shape record, and the DefineShape tag
// (DefineShape, DefineShape2 and DefineShape3 share one class; the tag number and the alpha flag choose).
#pragma once

#include "swf/SWFTags.h"

#include <memory>
#include <vector>

namespace swf {

enum : uint8_t {
    fillSolid = 0x00,
    fillLinearGradient = 0x10,
    fillRadialGradient = 0x12,
    fillRepeatingBitmap = 0x40,
    fillClippedBitmap = 0x41,
    fillRepeatingBitmapHard = 0x42,
    fillClippedBitmapHard = 0x43,
};

class TSWFFillStyle {
public:
    virtual ~TSWFFillStyle() = default;
    virtual void Assign(const TSWFFillStyle& source);
    virtual void ReadFromStream(TBitsEngine* engine) = 0;
    // Writes the type byte and the style's data.
    virtual void WriteToStream(TBitsEngine* engine) = 0;
    // A new fill of the same kind holding the same settings.
    std::unique_ptr<TSWFFillStyle> Clone() const;

    bool GetHasAlpha() const { return FHasAlpha; }
    void SetHasAlpha(bool v) { FHasAlpha = v; }
    uint8_t GetFillType() const { return FFillType; }
    void SetFillType(uint8_t v) { FFillType = v; }

protected:
    uint8_t FHasAlpha = 0;
    uint8_t FFillType = 0;
};

class TSWFColorFill : public TSWFFillStyle {
public:
    TSWFColorFill() { FFillType = fillSolid; }
    void Assign(const TSWFFillStyle& source) override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteToStream(TBitsEngine* engine) override;
    TSWFRGBA& GetColor() { return FColor; }

private:
    TSWFRGBA FColor{false};
};

class TSWFImageFill : public TSWFFillStyle {
public:
    TSWFImageFill() { FFillType = fillClippedBitmap; }
    void Assign(const TSWFFillStyle& source) override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteToStream(TBitsEngine* engine) override;
    uint16_t GetBitmapID() const { return FBitmapID; }
    void SetBitmapID(uint16_t v) { FBitmapID = v; }
    TSWFMatrix& GetMatrix() { return FMatrix; }

private:
    uint16_t FBitmapID = 0;
    TSWFMatrix FMatrix;
};

class TSWFGradientFill : public TSWFFillStyle {
public:
    static constexpr int MaxPoints = 8;
    TSWFGradientFill();
    void Assign(const TSWFFillStyle& source) override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteToStream(TBitsEngine* engine) override;
    uint8_t GetCount() const { return FCount; }
    void SetCount(uint8_t v);
    // Points are numbered 1 to 8.
    uint8_t GetRatio(int index) const;
    void SetRatio(int index, uint8_t ratio);
    TSWFRGBA& GetGradientColor(int index);
    TSWFMatrix& GetMatrix() { return FMatrix; }

private:
    static int CheckPoint(int index);
    uint8_t FRatio[MaxPoints] = {};
    std::unique_ptr<TSWFRGBA> FColors[MaxPoints];
    uint8_t FCount = 0;
    TSWFMatrix FMatrix;
};

class TSWFLineStyle {
public:
    void Assign(const TSWFLineStyle& source);
    void ReadFromStream(TBitsEngine* engine, bool hasAlpha);
    void WriteToStream(TBitsEngine* engine);
    TSWFRGBA& GetColor() { return FColor; }
    uint16_t GetWidth() const { return FWidth; }
    void SetWidth(uint16_t v) { FWidth = v; }

private:
    TSWFRGBA FColor{false};
    uint16_t FWidth = 0;
};

using TSWFFillStyles = std::vector<std::unique_ptr<TSWFFillStyle>>;
using TSWFLineStyles = std::vector<std::unique_ptr<TSWFLineStyle>>;

enum TSWFShapeRecordType : uint8_t {
    rtEndShape = 0,
    rtStyleChange = 1,
    rtStraightEdge = 2,
    rtCurvedEdge = 3
};

class TSWFShapeRecord {
public:
    virtual ~TSWFShapeRecord() = default;
    virtual void Assign(const TSWFShapeRecord& source) {}
    virtual void WriteToStream(TBitsEngine* engine) = 0;
    TSWFShapeRecordType GetRecordType() const { return FRecordType; }
    // A new record of the same type holding the same values.
    std::unique_ptr<TSWFShapeRecord> Clone() const;

protected:
    explicit TSWFShapeRecord(TSWFShapeRecordType type) : FRecordType(type) {}
    TSWFShapeRecordType FRecordType;
};

using TSWFShapeRecords = std::vector<std::unique_ptr<TSWFShapeRecord>>;

// Copies a record list record by record.
void CopyShapeRecords(const TSWFShapeRecords& source, TSWFShapeRecords& dest);

class TSWFEndShapeRecord : public TSWFShapeRecord {
public:
    TSWFEndShapeRecord() : TSWFShapeRecord(rtEndShape) {}
    void WriteToStream(TBitsEngine* engine) override;
};

class TSWFStraightEdgeRecord : public TSWFShapeRecord {
public:
    TSWFStraightEdgeRecord(int32_t dx = 0, int32_t dy = 0)
        : TSWFShapeRecord(rtStraightEdge), FDeltaX(dx), FDeltaY(dy) {}
    void Assign(const TSWFShapeRecord& source) override;
    void WriteToStream(TBitsEngine* engine) override;
    int32_t GetDeltaX() const { return FDeltaX; }
    int32_t GetDeltaY() const { return FDeltaY; }
    void SetDeltaX(int32_t v) { FDeltaX = v; }
    void SetDeltaY(int32_t v) { FDeltaY = v; }

protected:
    explicit TSWFStraightEdgeRecord(TSWFShapeRecordType type) : TSWFShapeRecord(type) {}
    int32_t FDeltaX = 0;
    int32_t FDeltaY = 0;
};

// Changes styles and moves the pen; the inherited deltas are the move deltas.
class TSWFStyleChangeRecord : public TSWFStraightEdgeRecord {
public:
    TSWFStyleChangeRecord() : TSWFStraightEdgeRecord(rtStyleChange) {}
    void Assign(const TSWFShapeRecord& source) override;
    void WriteToStream(TBitsEngine* engine) override;

    int32_t GetMoveDeltaX() const { return FDeltaX; }
    int32_t GetMoveDeltaY() const { return FDeltaY; }
    void SetMoveTo(int32_t x, int32_t y);
    uint8_t GetFillBits() const { return FFillBits; }
    void SetFillBits(uint8_t v) { FFillBits = v; }
    uint8_t GetLineBits() const { return FLineBits; }
    void SetLineBits(uint8_t v) { FLineBits = v; }
    uint16_t GetFillStyle0() const { return FFillStyle0; }
    uint16_t GetFillStyle1() const { return FFillStyle1; }
    uint16_t GetLineStyle() const { return FLineStyle; }
    void SetFillStyle0(uint16_t v);
    void SetFillStyle1(uint16_t v);
    void SetLineStyle(uint16_t v);
    TSWFFillStyles& GetNewFillStyles();
    TSWFLineStyles& GetNewLineStyles();
    bool GetHasAlpha() const { return FHasAlpha; }
    void SetHasAlpha(bool v) { FHasAlpha = v; }

    bool StateFillStyle0 = false;
    bool StateFillStyle1 = false;
    bool StateLineStyle = false;
    bool StateMoveTo = false;
    bool StateNewStyles = false;

private:
    uint8_t FFillBits = 0;
    uint8_t FLineBits = 0;
    uint16_t FFillStyle0 = 0;
    uint16_t FFillStyle1 = 0;
    uint16_t FLineStyle = 0;
    std::unique_ptr<TSWFFillStyles> FNewFillStyles;
    std::unique_ptr<TSWFLineStyles> FNewLineStyles;
    uint8_t FHasAlpha = 0;
};

class TSWFCurvedEdgeRecord : public TSWFShapeRecord {
public:
    TSWFCurvedEdgeRecord(int32_t cx = 0, int32_t cy = 0, int32_t ax = 0, int32_t ay = 0)
        : TSWFShapeRecord(rtCurvedEdge), FAnchorDeltaX(ax), FAnchorDeltaY(ay), FControlDeltaX(cx),
          FControlDeltaY(cy) {}
    void Assign(const TSWFShapeRecord& source) override;
    void WriteToStream(TBitsEngine* engine) override;
    int32_t GetAnchorDeltaX() const { return FAnchorDeltaX; }
    int32_t GetAnchorDeltaY() const { return FAnchorDeltaY; }
    int32_t GetControlDeltaX() const { return FControlDeltaX; }
    int32_t GetControlDeltaY() const { return FControlDeltaY; }

private:
    int32_t FAnchorDeltaX;
    int32_t FAnchorDeltaY;
    int32_t FControlDeltaX;
    int32_t FControlDeltaY;
};

// Writes a style array as in a shape header: the count (one byte, or 0xFF and a word), then every style.
void WriteFillStyles(TBitsEngine* engine, TSWFFillStyles& styles, bool hasAlpha);
void WriteLineStyles(TBitsEngine* engine, TSWFLineStyles& styles, bool hasAlpha);

class TSWFDefineShape : public TSWFObject {
public:
    TSWFDefineShape();
    void Assign(TBasedSWFObject* source) override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    TSWFShapeRecords& GetRecords() { return FRecords; }
    TSWFFillStyles& GetFillStyles() { return FFillStyles; }
    TSWFLineStyles& GetLineStyles() { return FLineStyles; }
    TSWFRect& GetBounds() { return FBounds; }
    bool GetHasAlpha() const { return FHasAlpha; }
    void SetHasAlpha(bool v) { FHasAlpha = v; }
    uint16_t GetShapeID() const { return FShapeID; }
    void SetShapeID(uint16_t v) { FShapeID = v; }

protected:
    TSWFShapeRecords FRecords;
    TSWFFillStyles FFillStyles;
    uint8_t FHasAlpha = 0;
    TSWFLineStyles FLineStyles;
    TSWFRect FBounds;
    uint16_t FShapeID = 0;
};

class TSWFDefineShape3 : public TSWFDefineShape {
public:
    TSWFDefineShape3();
    int32_t MinVersion() const override { return 3; }
};

} // namespace swf
