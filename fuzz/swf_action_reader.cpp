// Feeds arbitrary bytes to the action readers: the first byte picks an action list, DoAction or DoInitAction
// (parsed or raw), Protect, or PlaceObject2 clip actions (parsed or raw, 16- or 32-bit event flags). What a
// reader accepts is written again, and a parsed list is copied and written too.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/SWFObjects.h"

#include <cstddef>
#include <cstdint>
#include <memory>

namespace {

void FuzzWrite(swf::TBasedSWFObject& tag) {
    vcl::TMemoryStream out;
    swf::TBitsEngine writer(&out);
    tag.WriteToStream(&writer);
}

std::unique_ptr<swf::TSWFObject> FuzzTag(uint8_t kind) {
    switch (kind % 9) {
    case 1:
    case 2: {
        auto tag = std::make_unique<swf::TSWFDoAction>();
        tag->SetParseActions(kind % 9 == 1);
        return tag;
    }
    case 3:
    case 4: {
        auto tag = std::make_unique<swf::TSWFDoInitAction>();
        tag->SetParseActions(kind % 9 == 3);
        return tag;
    }
    case 5:
        return std::make_unique<swf::TSWFProtect>();
    default: {
        auto place = std::make_unique<swf::TSWFPlaceObject2>();
        place->SetParseActions(kind % 9 != 8);
        place->SetSWFVersion(kind % 9 == 6 ? 5 : 6);
        return place;
    }
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    vcl::TReadOnlyMemoryStream stream(data + 1, int64_t(size - 1));
    swf::TBitsEngine engine(&stream);
    try {
        if (data[0] % 9 == 0) {
            swf::TSWFActionList list;
            swf::ReadActionList(&engine, list, uint32_t(size - 1));
            vcl::TMemoryStream out;
            swf::TBitsEngine writer(&out);
            list.WriteToStream(&writer);
            swf::TSWFActionList copy;
            swf::CopyActionList(list, copy);
            copy.WriteToStream(&writer);
            return 0;
        }
        auto tag = FuzzTag(data[0]);
        tag->SetBodySize(uint32_t(size - 1));
        tag->ReadFromStream(&engine);
        FuzzWrite(*tag);
    } catch (const vcl::Exception&) {
    }
    return 0;
}
