// The bitmap character tags: JPEG data (DefineBits, DefineBitsJPEG2, DefineBitsJPEG3 with an alpha plane) or
// zlib-compressed pixels (DefineBitsLossless, DefineBitsLossless2). The payload is a memory block held by the
// tag or is written, at write time, by a callback of the object that owns the pixels.
#pragma once

#include "swf/SWFTags.h"

#include <functional>
#include <vector>

namespace swf {

class TSWFDataObject;

// Writes a tag's payload straight into the engine's stream.
using TSWFWriteDataEvent = std::function<void(TSWFDataObject* sender, TBitsEngine* engine)>;

class TSWFDataObject : public TSWFObject {
public:
    void Assign(TBasedSWFObject* source) override;

    const uint8_t* GetData() const { return FData.data(); }
    int32_t GetDataSize() const { return static_cast<int32_t>(FData.size()); }
    // Copies the block into the tag.
    void SetData(const void* data, int32_t size);
    TSWFWriteDataEvent OnWriteData;

protected:
    // The callback when assigned, otherwise the held block.
    void WritePayload(TBitsEngine* engine);
    // Reads size bytes of payload into the tag's block.
    void ReadPayload(TBitsEngine* engine, int64_t size);
    std::vector<uint8_t> FData;
};

class TSWFImageTag : public TSWFDataObject {
public:
    void Assign(TBasedSWFObject* source) override;
    uint16_t GetCharacterID() const { return FCharacterID; }
    void SetCharacterID(uint16_t v) { FCharacterID = v; }

protected:
    uint16_t FCharacterID = 0;
};

class TSWFDefineBits : public TSWFImageTag {
public:
    TSWFDefineBits() { FTagID = tagDefineBits; }
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;
};

class TSWFDefineBitsJPEG2 : public TSWFDefineBits {
public:
    TSWFDefineBitsJPEG2() { FTagID = tagDefineBitsJPEG2; }
    int32_t MinVersion() const override { return 2; }
};

class TSWFDefineBitsJPEG3 : public TSWFDefineBitsJPEG2 {
public:
    TSWFDefineBitsJPEG3() { FTagID = tagDefineBitsJPEG3; }
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 3; }
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    const uint8_t* GetAlphaData() const { return FAlphaData.data(); }
    int32_t GetAlphaSize() const { return static_cast<int32_t>(FAlphaData.size()); }
    void SetAlphaData(const void* data, int32_t size);
    TSWFWriteDataEvent OnWriteAlpha;

private:
    std::vector<uint8_t> FAlphaData;
};

enum : uint8_t { bfColorMapped8 = 3, bfRGB15 = 4, bfRGB24 = 5 };

class TSWFDefineBitsLossless : public TSWFImageTag {
public:
    TSWFDefineBitsLossless() { FTagID = tagDefineBitsLossless; }
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 2; }
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    // Palette entries less one; written only for format 3.
    uint8_t GetColorTableSize() const { return FColorTableSize; }
    void SetColorTableSize(uint8_t v) { FColorTableSize = v; }
    uint8_t GetFormat() const { return FFormat; }
    void SetFormat(uint8_t v) { FFormat = v; }
    uint16_t GetWidth() const { return FWidth; }
    void SetWidth(uint16_t v) { FWidth = v; }
    uint16_t GetHeight() const { return FHeight; }
    void SetHeight(uint16_t v) { FHeight = v; }

private:
    uint8_t FColorTableSize = 0;
    uint8_t FFormat = bfRGB24;
    uint16_t FHeight = 0;
    uint16_t FWidth = 0;
};

class TSWFDefineBitsLossless2 : public TSWFDefineBitsLossless {
public:
    TSWFDefineBitsLossless2() { FTagID = tagDefineBitsLossless2; }
    int32_t MinVersion() const override { return 3; }
};

} // namespace swf
