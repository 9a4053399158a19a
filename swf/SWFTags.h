// The root of SWF tags and movie objects, the tag with its short or long header, and the simplest tags.
#pragma once

#include "platform/vcl/Object.h"
#include "swf/SWFRecords.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TMemoryStream;
}

namespace swf {

// Tag numbers.
enum : uint16_t {
    tagEnd = 0,
    tagShowFrame = 1,
    tagDefineShape = 2,
    tagDefineBits = 6,
    tagSetBackgroundColor = 9,
    tagDoAction = 12,
    tagDefineSound = 14,
    tagSoundStreamHead = 18,
    tagSoundStreamBlock = 19,
    tagDefineBitsLossless = 20,
    tagDefineBitsJPEG2 = 21,
    tagDefineShape2 = 22,
    tagProtect = 24,
    tagPlaceObject2 = 26,
    tagDefineShape3 = 32,
    tagDefineBitsJPEG3 = 35,
    tagDefineBitsLossless2 = 36,
    tagDefineSprite = 39,
    tagFrameLabel = 43,
    tagSoundStreamHead2 = 45,
    tagDoInitAction = 59,
    tagDefineVideoStream = 60,
    tagVideoFrame = 61,
};

// What a movie's object list holds: SWF tags (library level 0) and movie objects (level 1).
class TBasedSWFObject : public vcl::TObject {
public:
    virtual void Assign(TBasedSWFObject* source) = 0;
    virtual int32_t LibraryLevel() const = 0;
    // The lowest SWF version whose players understand the object.
    virtual int32_t MinVersion() const { return 1; }
    virtual void WriteToStream(TBitsEngine* engine) = 0;
};

// One SWF tag: renders its body, then writes the short or the long header and the body.
class TSWFObject : public TBasedSWFObject {
public:
    void Assign(TBasedSWFObject* source) override;
    int32_t LibraryLevel() const override { return 0; }
    void WriteToStream(TBitsEngine* engine) override;
    virtual void ReadFromStream(TBitsEngine* engine) {}
    virtual void WriteTagBody(TBitsEngine* engine) {}

    uint32_t GetBodySize() const { return FBodySize; }
    void SetBodySize(uint32_t v) { FBodySize = v; }
    uint16_t GetTagID() const { return FTagID; }
    void SetTagID(uint16_t v) { FTagID = v; }

protected:
    uint32_t FBodySize = 0;
    uint16_t FTagID = 0;
};

// Whether a tag of this number and body size takes the long header.
bool NeedsLongTagHeader(uint16_t tagID, uint32_t bodySize);

// Writes a tag whose body is already in a memory stream; size 0 means the whole body.
void WriteTag(vcl::TStream* stream, uint16_t tagID, vcl::TMemoryStream* body, uint32_t size = 0);

class TSWFSetBackgroundColor : public TSWFObject {
public:
    TSWFSetBackgroundColor();
    void Assign(TBasedSWFObject* source) override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;
    TSWFRGB& GetColor() { return FColor; }

private:
    TSWFRGB FColor;
};

class TSWFFrameLabel : public TSWFObject {
public:
    explicit TSWFFrameLabel(std::string name = {});
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return FNamedAnchor ? 6 : 3; }
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& v) { FName = v; }
    bool GetNamedAnchor() const { return FNamedAnchor; }
    void SetNamedAnchor(bool v) { FNamedAnchor = v; }

private:
    uint8_t FNamedAnchor = 0;
    std::string FName;
};

class TSWFShowFrame : public TSWFObject {
public:
    TSWFShowFrame() { FTagID = tagShowFrame; }
};

class TSWFEnd : public TSWFObject {
public:
    TSWFEnd() { FTagID = tagEnd; }
};

} // namespace swf
