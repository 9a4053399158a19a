// Feeds arbitrary bytes to the SWF tag readers: the first byte picks the tag, the rest is its body. What a
// reader accepts is written again.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/SWFObjects.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

std::unique_ptr<swf::TSWFObject> FuzzTag(uint8_t kind) {
    switch (kind % 13) {
    case 0:
        return std::make_unique<swf::TSWFDefineShape>();
    case 1:
        return std::make_unique<swf::TSWFDefineShape3>();
    case 2:
        return std::make_unique<swf::TSWFDefineBitsJPEG2>();
    case 3:
        return std::make_unique<swf::TSWFDefineBitsJPEG3>();
    case 4:
        return std::make_unique<swf::TSWFDefineBitsLossless>();
    case 5:
        return std::make_unique<swf::TSWFPlaceObject2>();
    case 6:
        return std::make_unique<swf::TSWFFrameLabel>();
    case 7:
        return std::make_unique<swf::TSWFSetBackgroundColor>();
    case 9:
        return std::make_unique<swf::TSWFDefineSound>();
    case 10:
        return std::make_unique<swf::TSWFSoundStreamHead>();
    case 11:
        return std::make_unique<swf::TSWFSoundStreamHead2>();
    case 12:
        return std::make_unique<swf::TSWFVideoFrame>();
    default: {
        auto place = std::make_unique<swf::TSWFPlaceObject2>();
        place->SetSWFVersion(6);
        return place;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    auto tag = FuzzTag(data[0]);
    vcl::TReadOnlyMemoryStream stream(data + 1, int64_t(size - 1));
    swf::TBitsEngine engine(&stream);
    tag->SetBodySize(uint32_t(size - 1));
    try {
        tag->ReadFromStream(&engine);
        vcl::TMemoryStream out;
        swf::TBitsEngine writer(&out);
        tag->WriteToStream(&writer);
    } catch (const vcl::Exception&) {
    }
    return 0;
}
