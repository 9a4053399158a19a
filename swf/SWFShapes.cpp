#include "swf/SWFShapes.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

namespace swf {

namespace {

int32_t ShapesColorOf(const TSWFRGBRec& c) {
    return int32_t(c.R) | (int32_t(c.G) << 8) | (int32_t(c.B) << 16);
}

void ShapesWriteColor(TBitsEngine* engine, const TSWFRGBA& color, bool withAlpha) {
    if (withAlpha)
        engine->WriteRGBA(color.GetRGBA());
    else
        engine->WriteRGB(color.GetColor());
}

void ShapesReadColor(TBitsEngine* engine, TSWFRGBA& color, bool withAlpha) {
    if (withAlpha)
        color.SetRGBA(engine->ReadRGBA());
    else
        color.SetColor(ShapesColorOf(engine->ReadRGB()));
}

void ShapesWriteCount(TBitsEngine* engine, size_t count) {
    if (count > 0xFFFF)
        throw vcl::ERangeError("Too many shape styles");
    if (count <= 254) {
        engine->WriteByte(static_cast<uint8_t>(count));
    } else {
        engine->WriteByte(0xFF);
        engine->WriteWord(static_cast<uint16_t>(count));
    }
}

uint32_t ShapesReadCount(TBitsEngine* engine) {
    uint32_t count = engine->ReadByte();
    if (count == 0xFF)
        count = engine->ReadWord();
    return count;
}

std::unique_ptr<TSWFFillStyle> ShapesNewFill(uint8_t type) {
    std::unique_ptr<TSWFFillStyle> fill;
    switch (type) {
    case fillSolid:
        fill = std::make_unique<TSWFColorFill>();
        break;
    case fillLinearGradient:
    case fillRadialGradient:
        fill = std::make_unique<TSWFGradientFill>();
        break;
    case fillRepeatingBitmap:
    case fillClippedBitmap:
    case fillRepeatingBitmapHard:
    case fillClippedBitmapHard:
        fill = std::make_unique<TSWFImageFill>();
        break;
    default:
        throw vcl::EReadError("Unknown fill style type " + std::to_string(type));
    }
    fill->SetFillType(type);
    return fill;
}

void ShapesReadFillStyles(TBitsEngine* engine, TSWFFillStyles& styles, bool hasAlpha) {
    uint32_t count = ShapesReadCount(engine);
    styles.clear();
    for (uint32_t i = 0; i < count; ++i) {
        auto fill = ShapesNewFill(engine->ReadByte());
        fill->SetHasAlpha(hasAlpha);
        fill->ReadFromStream(engine);
        styles.push_back(std::move(fill));
    }
}

void ShapesReadLineStyles(TBitsEngine* engine, TSWFLineStyles& styles, bool hasAlpha) {
    uint32_t count = ShapesReadCount(engine);
    styles.clear();
    for (uint32_t i = 0; i < count; ++i) {
        auto line = std::make_unique<TSWFLineStyle>();
        line->ReadFromStream(engine, hasAlpha);
        styles.push_back(std::move(line));
    }
}

uint8_t ShapesEdgeBits(int32_t magnitude) {
    uint8_t n = GetSBitsCount(magnitude, 1);
    // The field holds NumBits - 2 in 4 bits.
    if (n > 17)
        throw vcl::ERangeError("Shape edge too long for one record");
    return n < 2 ? 2 : n;
}

} // namespace

void TSWFFillStyle::Assign(const TSWFFillStyle& source) {
    FHasAlpha = source.FHasAlpha;
    FFillType = source.FFillType;
}

std::unique_ptr<TSWFFillStyle> TSWFFillStyle::Clone() const {
    auto copy = ShapesNewFill(FFillType);
    copy->Assign(*this);
    return copy;
}

void TSWFColorFill::Assign(const TSWFFillStyle& source) {
    TSWFFillStyle::Assign(source);
    if (auto* s = dynamic_cast<const TSWFColorFill*>(&source))
        FColor.Assign(s->FColor);
}

void TSWFColorFill::ReadFromStream(TBitsEngine* engine) {
    ShapesReadColor(engine, FColor, FHasAlpha);
}

void TSWFColorFill::WriteToStream(TBitsEngine* engine) {
    engine->WriteByte(FFillType);
    ShapesWriteColor(engine, FColor, FHasAlpha);
}

void TSWFImageFill::Assign(const TSWFFillStyle& source) {
    TSWFFillStyle::Assign(source);
    if (auto* s = dynamic_cast<const TSWFImageFill*>(&source)) {
        FBitmapID = s->FBitmapID;
        FMatrix.Assign(s->FMatrix);
    }
}

void TSWFImageFill::ReadFromStream(TBitsEngine* engine) {
    FBitmapID = engine->ReadWord();
    FMatrix.FromRecord(engine->ReadMatrix());
}

void TSWFImageFill::WriteToStream(TBitsEngine* engine) {
    engine->WriteByte(FFillType);
    engine->WriteWord(FBitmapID);
    engine->WriteMatrix(FMatrix.ToRecord());
}

TSWFGradientFill::TSWFGradientFill() {
    FFillType = fillLinearGradient;
    FColors[0] = std::make_unique<TSWFRGBA>(false);
    FColors[1] = std::make_unique<TSWFRGBA>(false);
}

int TSWFGradientFill::CheckPoint(int index) {
    if (index < 1 || index > MaxPoints)
        throw vcl::ERangeError("Gradient point index out of range");
    return index - 1;
}

void TSWFGradientFill::SetCount(uint8_t v) {
    if (v > MaxPoints)
        throw vcl::ERangeError("A gradient holds at most 8 points");
    FCount = v;
}

uint8_t TSWFGradientFill::GetRatio(int index) const {
    return FRatio[CheckPoint(index)];
}

void TSWFGradientFill::SetRatio(int index, uint8_t ratio) {
    FRatio[CheckPoint(index)] = ratio;
}

TSWFRGBA& TSWFGradientFill::GetGradientColor(int index) {
    int i = CheckPoint(index);
    if (!FColors[i])
        FColors[i] = std::make_unique<TSWFRGBA>(false);
    return *FColors[i];
}

void TSWFGradientFill::Assign(const TSWFFillStyle& source) {
    TSWFFillStyle::Assign(source);
    if (auto* s = dynamic_cast<const TSWFGradientFill*>(&source)) {
        FCount = s->FCount;
        FMatrix.Assign(s->FMatrix);
        for (int i = 0; i < MaxPoints; ++i) {
            FRatio[i] = s->FRatio[i];
            if (s->FColors[i])
                GetGradientColor(i + 1).Assign(*s->FColors[i]);
        }
    }
}

void TSWFGradientFill::ReadFromStream(TBitsEngine* engine) {
    FMatrix.FromRecord(engine->ReadMatrix());
    uint8_t count = engine->ReadByte();
    if (count > MaxPoints)
        throw vcl::EReadError("Gradient with more than 8 points");
    FCount = count;
    for (int i = 1; i <= FCount; ++i) {
        FRatio[i - 1] = engine->ReadByte();
        ShapesReadColor(engine, GetGradientColor(i), FHasAlpha);
    }
}

void TSWFGradientFill::WriteToStream(TBitsEngine* engine) {
    engine->WriteByte(FFillType);
    engine->WriteMatrix(FMatrix.ToRecord());
    engine->WriteByte(FCount);
    for (int i = 1; i <= FCount; ++i) {
        engine->WriteByte(FRatio[i - 1]);
        ShapesWriteColor(engine, GetGradientColor(i), FHasAlpha);
    }
}

void TSWFLineStyle::Assign(const TSWFLineStyle& source) {
    FWidth = source.FWidth;
    FColor.Assign(source.FColor);
    FColor.SetHasAlpha(source.FColor.GetHasAlpha());
}

void TSWFLineStyle::ReadFromStream(TBitsEngine* engine, bool hasAlpha) {
    FWidth = engine->ReadWord();
    FColor.SetHasAlpha(hasAlpha);
    ShapesReadColor(engine, FColor, hasAlpha);
}

void TSWFLineStyle::WriteToStream(TBitsEngine* engine) {
    engine->WriteWord(FWidth);
    ShapesWriteColor(engine, FColor, FColor.GetHasAlpha());
}

void WriteFillStyles(TBitsEngine* engine, TSWFFillStyles& styles, bool hasAlpha) {
    ShapesWriteCount(engine, styles.size());
    for (auto& fill : styles) {
        fill->SetHasAlpha(hasAlpha);
        fill->WriteToStream(engine);
    }
}

void WriteLineStyles(TBitsEngine* engine, TSWFLineStyles& styles, bool hasAlpha) {
    ShapesWriteCount(engine, styles.size());
    for (auto& line : styles) {
        line->GetColor().SetHasAlpha(hasAlpha);
        line->WriteToStream(engine);
    }
}

std::unique_ptr<TSWFShapeRecord> TSWFShapeRecord::Clone() const {
    std::unique_ptr<TSWFShapeRecord> copy;
    switch (FRecordType) {
    case rtEndShape:
        copy = std::make_unique<TSWFEndShapeRecord>();
        break;
    case rtStyleChange:
        copy = std::make_unique<TSWFStyleChangeRecord>();
        break;
    case rtStraightEdge:
        copy = std::make_unique<TSWFStraightEdgeRecord>();
        break;
    case rtCurvedEdge:
        copy = std::make_unique<TSWFCurvedEdgeRecord>();
        break;
    }
    copy->Assign(*this);
    return copy;
}

void CopyShapeRecords(const TSWFShapeRecords& source, TSWFShapeRecords& dest) {
    dest.clear();
    for (const auto& r : source)
        dest.push_back(r->Clone());
}

void TSWFEndShapeRecord::WriteToStream(TBitsEngine* engine) {
    engine->WriteBits(0, 6);
}

void TSWFStraightEdgeRecord::Assign(const TSWFShapeRecord& source) {
    if (auto* s = dynamic_cast<const TSWFStraightEdgeRecord*>(&source)) {
        FDeltaX = s->FDeltaX;
        FDeltaY = s->FDeltaY;
    }
}

void TSWFStraightEdgeRecord::WriteToStream(TBitsEngine* engine) {
    if (FDeltaX == 0 && FDeltaY == 0)
        return;
    uint8_t n = ShapesEdgeBits(MaxAbs2(FDeltaX, FDeltaY));
    engine->WriteBit(true);
    engine->WriteBit(true);
    engine->WriteBits(n - 2, 4);
    if (FDeltaX != 0 && FDeltaY != 0) {
        engine->WriteBit(true);
        engine->WriteSB(FDeltaX, n);
        engine->WriteSB(FDeltaY, n);
    } else {
        engine->WriteBit(false);
        engine->WriteBit(FDeltaX == 0);
        engine->WriteSB(FDeltaX != 0 ? FDeltaX : FDeltaY, n);
    }
}

void TSWFStyleChangeRecord::SetMoveTo(int32_t x, int32_t y) {
    FDeltaX = x;
    FDeltaY = y;
    StateMoveTo = true;
}

void TSWFStyleChangeRecord::SetFillStyle0(uint16_t v) {
    FFillStyle0 = v;
    StateFillStyle0 = true;
}

void TSWFStyleChangeRecord::SetFillStyle1(uint16_t v) {
    FFillStyle1 = v;
    StateFillStyle1 = true;
}

void TSWFStyleChangeRecord::SetLineStyle(uint16_t v) {
    FLineStyle = v;
    StateLineStyle = true;
}

TSWFFillStyles& TSWFStyleChangeRecord::GetNewFillStyles() {
    if (!FNewFillStyles)
        FNewFillStyles = std::make_unique<TSWFFillStyles>();
    StateNewStyles = true;
    return *FNewFillStyles;
}

TSWFLineStyles& TSWFStyleChangeRecord::GetNewLineStyles() {
    if (!FNewLineStyles)
        FNewLineStyles = std::make_unique<TSWFLineStyles>();
    StateNewStyles = true;
    return *FNewLineStyles;
}

void TSWFStyleChangeRecord::Assign(const TSWFShapeRecord& source) {
    TSWFStraightEdgeRecord::Assign(source);
    auto* s = dynamic_cast<const TSWFStyleChangeRecord*>(&source);
    if (!s)
        return;
    FFillBits = s->FFillBits;
    FLineBits = s->FLineBits;
    FFillStyle0 = s->FFillStyle0;
    FFillStyle1 = s->FFillStyle1;
    FLineStyle = s->FLineStyle;
    FHasAlpha = s->FHasAlpha;
    StateFillStyle0 = s->StateFillStyle0;
    StateFillStyle1 = s->StateFillStyle1;
    StateLineStyle = s->StateLineStyle;
    StateMoveTo = s->StateMoveTo;
    StateNewStyles = s->StateNewStyles;
    FNewFillStyles.reset();
    FNewLineStyles.reset();
    if (s->FNewFillStyles) {
        FNewFillStyles = std::make_unique<TSWFFillStyles>();
        for (auto& f : *s->FNewFillStyles)
            FNewFillStyles->push_back(f->Clone());
    }
    if (s->FNewLineStyles) {
        FNewLineStyles = std::make_unique<TSWFLineStyles>();
        for (auto& l : *s->FNewLineStyles) {
            auto copy = std::make_unique<TSWFLineStyle>();
            copy->Assign(*l);
            FNewLineStyles->push_back(std::move(copy));
        }
    }
}

void TSWFStyleChangeRecord::WriteToStream(TBitsEngine* engine) {
    bool anyStyle = StateLineStyle || StateFillStyle1 || StateFillStyle0;
    // A style change that changes no index always carries a move, so it cannot read as an end record.
    bool move = anyStyle ? StateMoveTo : true;
    engine->WriteBit(false);
    engine->WriteBit(StateNewStyles);
    engine->WriteBit(StateLineStyle);
    engine->WriteBit(StateFillStyle1);
    engine->WriteBit(StateFillStyle0);
    engine->WriteBit(move);
    if (move) {
        uint8_t n = GetSBitsCount(MaxAbs2(FDeltaX, FDeltaY), 1);
        engine->WriteBits(n, 5);
        engine->WriteSB(FDeltaX, n);
        engine->WriteSB(FDeltaY, n);
    }
    if (StateFillStyle0)
        engine->WriteBits(FFillStyle0, FFillBits);
    if (StateFillStyle1)
        engine->WriteBits(FFillStyle1, FFillBits);
    if (StateLineStyle)
        engine->WriteBits(FLineStyle, FLineBits);
    if (StateNewStyles) {
        engine->FlushBits(true);
        TSWFFillStyles noFills;
        TSWFLineStyles noLines;
        TSWFFillStyles& fills = FNewFillStyles ? *FNewFillStyles : noFills;
        TSWFLineStyles& lines = FNewLineStyles ? *FNewLineStyles : noLines;
        WriteFillStyles(engine, fills, FHasAlpha);
        WriteLineStyles(engine, lines, FHasAlpha);
        FFillBits = static_cast<uint8_t>(GetBitsCount(static_cast<uint32_t>(fills.size())));
        FLineBits = static_cast<uint8_t>(GetBitsCount(static_cast<uint32_t>(lines.size())));
        engine->WriteBits(FFillBits, 4);
        engine->WriteBits(FLineBits, 4);
    }
}

void TSWFCurvedEdgeRecord::Assign(const TSWFShapeRecord& source) {
    if (auto* s = dynamic_cast<const TSWFCurvedEdgeRecord*>(&source)) {
        FAnchorDeltaX = s->FAnchorDeltaX;
        FAnchorDeltaY = s->FAnchorDeltaY;
        FControlDeltaX = s->FControlDeltaX;
        FControlDeltaY = s->FControlDeltaY;
    }
}

void TSWFCurvedEdgeRecord::WriteToStream(TBitsEngine* engine) {
    if (FAnchorDeltaX == 0 && FAnchorDeltaY == 0 && FControlDeltaX == 0 && FControlDeltaY == 0)
        return;
    uint8_t n = ShapesEdgeBits(MaxAbs4(FAnchorDeltaX, FAnchorDeltaY, FControlDeltaX, FControlDeltaY));
    engine->WriteBit(true);
    engine->WriteBit(false);
    engine->WriteBits(n - 2, 4);
    engine->WriteSB(FControlDeltaX, n);
    engine->WriteSB(FControlDeltaY, n);
    engine->WriteSB(FAnchorDeltaX, n);
    engine->WriteSB(FAnchorDeltaY, n);
}

TSWFDefineShape::TSWFDefineShape() {
    FTagID = tagDefineShape;
}

TSWFDefineShape3::TSWFDefineShape3() {
    FTagID = tagDefineShape3;
    FHasAlpha = 1;
}

void TSWFDefineShape::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    auto* s = dynamic_cast<TSWFDefineShape*>(source);
    if (!s || s == this)
        return;
    FHasAlpha = s->FHasAlpha;
    FShapeID = s->FShapeID;
    FBounds.Assign(s->FBounds);
    CopyShapeRecords(s->FRecords, FRecords);
    FFillStyles.clear();
    for (auto& f : s->FFillStyles)
        FFillStyles.push_back(f->Clone());
    FLineStyles.clear();
    for (auto& l : s->FLineStyles) {
        auto copy = std::make_unique<TSWFLineStyle>();
        copy->Assign(*l);
        FLineStyles.push_back(std::move(copy));
    }
}

void TSWFDefineShape::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(FShapeID);
    engine->WriteTRect(FBounds.ToTRect());
    WriteFillStyles(engine, FFillStyles, FHasAlpha);
    WriteLineStyles(engine, FLineStyles, FHasAlpha);
    uint8_t fillBits = static_cast<uint8_t>(GetBitsCount(static_cast<uint32_t>(FFillStyles.size())));
    uint8_t lineBits = static_cast<uint8_t>(GetBitsCount(static_cast<uint32_t>(FLineStyles.size())));
    engine->WriteBits(fillBits, 4);
    engine->WriteBits(lineBits, 4);
    if (FRecords.empty()) {
        engine->WriteBits(0, 6);
    } else {
        for (size_t i = 0; i < FRecords.size(); ++i) {
            TSWFShapeRecord* record = FRecords[i].get();
            bool last = i + 1 == FRecords.size();
            if (record->GetRecordType() == rtEndShape && !last)
                continue;
            auto* change = dynamic_cast<TSWFStyleChangeRecord*>(record);
            if (!change) {
                record->WriteToStream(engine);
                continue;
            }
            change->SetHasAlpha(FHasAlpha);
            change->SetFillBits(fillBits);
            change->SetLineBits(lineBits);
            // Indices into empty style arrays are dropped from the output, without losing them in the
            // record itself.
            bool keep0 = change->StateFillStyle0, keep1 = change->StateFillStyle1,
                 keepL = change->StateLineStyle;
            if (!change->StateNewStyles) {
                if (fillBits == 0)
                    change->StateFillStyle0 = change->StateFillStyle1 = false;
                if (lineBits == 0)
                    change->StateLineStyle = false;
            }
            change->WriteToStream(engine);
            change->StateFillStyle0 = keep0;
            change->StateFillStyle1 = keep1;
            change->StateLineStyle = keepL;
            if (change->StateNewStyles) {
                fillBits = change->GetFillBits();
                lineBits = change->GetLineBits();
            }
        }
        if (FRecords.back()->GetRecordType() != rtEndShape)
            engine->WriteBits(0, 6);
    }
    engine->FlushBits(true);
}

void TSWFDefineShape::ReadFromStream(TBitsEngine* engine) {
    int64_t start = engine->GetStream()->GetPosition();
    FShapeID = engine->ReadWord();
    FBounds.SetFromTRect(engine->ReadRect());
    ShapesReadFillStyles(engine, FFillStyles, FHasAlpha);
    ShapesReadLineStyles(engine, FLineStyles, FHasAlpha);
    uint8_t bits = engine->ReadByte();
    uint8_t fillBits = bits >> 4, lineBits = bits & 0x0F;
    FRecords.clear();
    int64_t end = start + FBodySize;
    for (;;) {
        // A record list that runs past the tag's body is malformed; stop at the body's end.
        if (engine->GetStream()->GetPosition() > end)
            throw vcl::EReadError("Shape records run past the end of the tag");
        bool isEdge = engine->ReadBits(1);
        if (isEdge) {
            bool straight = engine->ReadBits(1);
            uint8_t n = static_cast<uint8_t>(engine->ReadBits(4) + 2);
            if (straight) {
                auto edge = std::make_unique<TSWFStraightEdgeRecord>();
                if (engine->ReadBits(1)) {
                    edge->SetDeltaX(engine->ReadSBits(n));
                    edge->SetDeltaY(engine->ReadSBits(n));
                } else if (engine->ReadBits(1)) {
                    edge->SetDeltaY(engine->ReadSBits(n));
                } else {
                    edge->SetDeltaX(engine->ReadSBits(n));
                }
                FRecords.push_back(std::move(edge));
            } else {
                int32_t cx = engine->ReadSBits(n), cy = engine->ReadSBits(n);
                int32_t ax = engine->ReadSBits(n), ay = engine->ReadSBits(n);
                FRecords.push_back(std::make_unique<TSWFCurvedEdgeRecord>(cx, cy, ax, ay));
            }
            continue;
        }
        uint32_t flags = engine->ReadBits(5);
        if (flags == 0) {
            FRecords.push_back(std::make_unique<TSWFEndShapeRecord>());
            break;
        }
        auto change = std::make_unique<TSWFStyleChangeRecord>();
        change->SetHasAlpha(FHasAlpha);
        if (flags & 1) {
            uint8_t n = static_cast<uint8_t>(engine->ReadBits(5));
            int32_t dx = engine->ReadSBits(n);
            int32_t dy = engine->ReadSBits(n);
            change->SetMoveTo(dx, dy);
        }
        if (flags & 2)
            change->SetFillStyle0(static_cast<uint16_t>(engine->ReadBits(fillBits)));
        if (flags & 4)
            change->SetFillStyle1(static_cast<uint16_t>(engine->ReadBits(fillBits)));
        if (flags & 8)
            change->SetLineStyle(static_cast<uint16_t>(engine->ReadBits(lineBits)));
        change->SetFillBits(fillBits);
        change->SetLineBits(lineBits);
        if (flags & 16) {
            engine->FlushBits(false);
            ShapesReadFillStyles(engine, change->GetNewFillStyles(), FHasAlpha);
            ShapesReadLineStyles(engine, change->GetNewLineStyles(), FHasAlpha);
            fillBits = static_cast<uint8_t>(engine->ReadBits(4));
            lineBits = static_cast<uint8_t>(engine->ReadBits(4));
            change->SetFillBits(fillBits);
            change->SetLineBits(lineBits);
        }
        FRecords.push_back(std::move(change));
    }
    engine->FlushBits(false);
    engine->GetStream()->SetPosition(end);
}

} // namespace swf
