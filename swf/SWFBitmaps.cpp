#include "swf/SWFBitmaps.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstring>

namespace swf {

namespace {
const uint8_t bitmapsSOI[2] = {0xFF, 0xD8};
const uint8_t bitmapsEOI[2] = {0xFF, 0xD9};

void BitmapsCheckPayload(int64_t size, int64_t available) {
    if (size < 0 || size > available)
        throw vcl::EReadError("Bitmap tag shorter than its data");
}
} // namespace

void TSWFDataObject::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    auto* s = dynamic_cast<TSWFDataObject*>(source);
    if (!s || s == this)
        return;
    if (s->OnWriteData)
        OnWriteData = s->OnWriteData;
    else
        FData = s->FData;
}

void TSWFDataObject::SetData(const void* data, int32_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    FData.assign(p, p + (size > 0 ? size : 0));
}

void TSWFDataObject::WritePayload(TBitsEngine* engine) {
    if (OnWriteData)
        OnWriteData(this, engine);
    else
        engine->WriteBytes(FData.data(), static_cast<int32_t>(FData.size()));
}

void TSWFDataObject::ReadPayload(TBitsEngine* engine, int64_t size) {
    vcl::TStream* s = engine->GetStream();
    BitmapsCheckPayload(size, s->GetSize() - s->GetPosition());
    FData.resize(static_cast<size_t>(size));
    if (size > 0)
        s->ReadBuffer(FData.data(), static_cast<int32_t>(size));
}

void TSWFImageTag::Assign(TBasedSWFObject* source) {
    TSWFDataObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFImageTag*>(source))
        FCharacterID = s->FCharacterID;
}

void TSWFDefineBits::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(FCharacterID);
    engine->WriteBytes(bitmapsSOI, 2);
    WritePayload(engine);
    engine->WriteBytes(bitmapsEOI, 2);
}

void TSWFDefineBits::ReadFromStream(TBitsEngine* engine) {
    int64_t start = engine->GetStream()->GetPosition();
    int64_t end = start + FBodySize;
    FCharacterID = engine->ReadWord();
    while (engine->ReadWord() != 0xD8FF) {
        if (engine->GetStream()->GetPosition() + 2 > end)
            throw vcl::EReadError("JPEG data without a start marker");
    }
    int64_t size = end - engine->GetStream()->GetPosition() - 2;
    ReadPayload(engine, size);
    engine->ReadWord();
}

void TSWFDefineBitsJPEG3::Assign(TBasedSWFObject* source) {
    TSWFDefineBitsJPEG2::Assign(source);
    auto* s = dynamic_cast<TSWFDefineBitsJPEG3*>(source);
    if (!s || s == this)
        return;
    if (s->OnWriteAlpha)
        OnWriteAlpha = s->OnWriteAlpha;
    else
        FAlphaData = s->FAlphaData;
}

void TSWFDefineBitsJPEG3::SetAlphaData(const void* data, int32_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    FAlphaData.assign(p, p + (size > 0 ? size : 0));
}

void TSWFDefineBitsJPEG3::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(FCharacterID);
    vcl::TStream* s = engine->GetStream();
    int64_t offsetAt = s->GetPosition();
    engine->WriteDWord(0);
    engine->WriteBytes(bitmapsSOI, 2);
    WritePayload(engine);
    engine->WriteBytes(bitmapsEOI, 2);
    int64_t end = s->GetPosition();
    uint32_t jpegSize = static_cast<uint32_t>(end - offsetAt - 4);
    s->SetPosition(offsetAt);
    engine->WriteDWord(jpegSize);
    s->SetPosition(end);
    if (OnWriteAlpha)
        OnWriteAlpha(this, engine);
    else
        engine->WriteBytes(FAlphaData.data(), static_cast<int32_t>(FAlphaData.size()));
}

void TSWFDefineBitsJPEG3::ReadFromStream(TBitsEngine* engine) {
    FCharacterID = engine->ReadWord();
    int64_t jpegSize = engine->ReadDWord();
    // The JPEG part holds both marker pairs: 4 bytes that are not payload.
    int64_t payload = jpegSize - 4;
    int64_t alpha = int64_t(FBodySize) - payload - 10;
    if (payload < 0 || alpha < 0)
        throw vcl::EReadError("Invalid DefineBitsJPEG3 offset");
    engine->ReadWord();
    ReadPayload(engine, payload);
    engine->ReadWord();
    vcl::TStream* s = engine->GetStream();
    BitmapsCheckPayload(alpha, s->GetSize() - s->GetPosition());
    FAlphaData.resize(static_cast<size_t>(alpha));
    if (alpha > 0)
        s->ReadBuffer(FAlphaData.data(), static_cast<int32_t>(alpha));
}

void TSWFDefineBitsLossless::Assign(TBasedSWFObject* source) {
    TSWFImageTag::Assign(source);
    if (auto* s = dynamic_cast<TSWFDefineBitsLossless*>(source)) {
        FColorTableSize = s->FColorTableSize;
        FFormat = s->FFormat;
        FWidth = s->FWidth;
        FHeight = s->FHeight;
    }
}

void TSWFDefineBitsLossless::WriteTagBody(TBitsEngine* engine) {
    engine->WriteWord(FCharacterID);
    engine->WriteByte(FFormat);
    engine->WriteWord(FWidth);
    engine->WriteWord(FHeight);
    if (FFormat == bfColorMapped8)
        engine->WriteByte(FColorTableSize);
    WritePayload(engine);
}

void TSWFDefineBitsLossless::ReadFromStream(TBitsEngine* engine) {
    int64_t start = engine->GetStream()->GetPosition();
    FCharacterID = engine->ReadWord();
    FFormat = engine->ReadByte();
    FWidth = engine->ReadWord();
    FHeight = engine->ReadWord();
    if (FFormat == bfColorMapped8)
        FColorTableSize = engine->ReadByte();
    ReadPayload(engine, start + FBodySize - engine->GetStream()->GetPosition());
}

} // namespace swf
