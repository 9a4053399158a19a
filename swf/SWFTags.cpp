#include "swf/SWFTags.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

namespace swf {

bool NeedsLongTagHeader(uint16_t tagID, uint32_t bodySize) {
    // Lossless bitmaps and video streams take the long form whatever their size.
    return bodySize >= 63 || tagID == tagDefineBitsLossless || tagID == tagDefineBitsLossless2 ||
           tagID == tagDefineVideoStream;
}

namespace {
void TagsWriteHeader(vcl::TStream* stream, uint16_t tagID, uint32_t bodySize) {
    bool isLong = NeedsLongTagHeader(tagID, bodySize);
    uint16_t word = static_cast<uint16_t>((tagID << 6) | (isLong ? 63 : bodySize));
    uint8_t header[6] = {uint8_t(word),          uint8_t(word >> 8),      uint8_t(bodySize),
                         uint8_t(bodySize >> 8), uint8_t(bodySize >> 16), uint8_t(bodySize >> 24)};
    stream->WriteBuffer(header, isLong ? 6 : 2);
}
} // namespace

void TSWFObject::Assign(TBasedSWFObject* source) {
    if (auto* tag = dynamic_cast<TSWFObject*>(source))
        FBodySize = tag->FBodySize;
}

void TSWFObject::WriteToStream(TBitsEngine* engine) {
    vcl::TMemoryStream body;
    TBitsEngine bodyEngine(&body);
    WriteTagBody(&bodyEngine);
    bodyEngine.FlushBits(true);
    FBodySize = static_cast<uint32_t>(body.GetSize());
    engine->FlushBits(true);
    TagsWriteHeader(engine->GetStream(), FTagID, FBodySize);
    if (FBodySize > 0)
        engine->GetStream()->WriteBuffer(body.Memory(), static_cast<int32_t>(FBodySize));
}

void WriteTag(vcl::TStream* stream, uint16_t tagID, vcl::TMemoryStream* body, uint32_t size) {
    if (size == 0)
        size = static_cast<uint32_t>(body->GetSize());
    if (size > body->GetSize())
        throw vcl::EWriteError("Tag body is shorter than its size");
    TagsWriteHeader(stream, tagID, size);
    if (size > 0)
        stream->WriteBuffer(body->Memory(), static_cast<int32_t>(size));
}

TSWFSetBackgroundColor::TSWFSetBackgroundColor() {
    FTagID = tagSetBackgroundColor;
}

void TSWFSetBackgroundColor::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFSetBackgroundColor*>(source))
        FColor.Assign(s->FColor);
}

void TSWFSetBackgroundColor::ReadFromStream(TBitsEngine* engine) {
    TSWFRGBRec c = engine->ReadRGB();
    FColor.SetColor(int32_t(c.R) | (int32_t(c.G) << 8) | (int32_t(c.B) << 16));
}

void TSWFSetBackgroundColor::WriteTagBody(TBitsEngine* engine) {
    engine->WriteRGB(FColor.GetColor());
}

TSWFFrameLabel::TSWFFrameLabel(std::string name) : FName(std::move(name)) {
    FTagID = tagFrameLabel;
}

void TSWFFrameLabel::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFFrameLabel*>(source)) {
        FName = s->FName;
        FNamedAnchor = s->FNamedAnchor;
    }
}

void TSWFFrameLabel::ReadFromStream(TBitsEngine* engine) {
    int64_t start = engine->GetStream()->GetPosition();
    FName = engine->ReadString();
    if (engine->GetStream()->GetPosition() - start == int64_t(FBodySize) - 1)
        FNamedAnchor = engine->ReadByte();
}

void TSWFFrameLabel::WriteTagBody(TBitsEngine* engine) {
    engine->WriteString(FName, true, false);
    if (FNamedAnchor)
        engine->WriteByte(1);
}

} // namespace swf
