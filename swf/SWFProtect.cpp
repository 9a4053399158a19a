#include "swf/SWFProtect.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/SWFmd5.h"

namespace swf {

TSWFProtect::TSWFProtect() {
    FTagID = tagProtect;
}

void TSWFProtect::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFProtect*>(source)) {
        FHash = s->FHash;
        FPassword = s->FPassword;
    }
}

int32_t TSWFProtect::MinVersion() const {
    return FHash.empty() && FPassword.empty() ? 2 : 5;
}

void TSWFProtect::ReadFromStream(TBitsEngine* engine) {
    FHash.clear();
    if (FBodySize == 0)
        return;
    if (FBodySize < 2)
        throw vcl::EReadError("The Protect tag's body is shorter than its reserved word");
    engine->ReadWord();
    const uint32_t size = FBodySize - 2;
    std::string rest(size, '\0');
    if (size > 0)
        engine->GetStream()->ReadBuffer(rest.data(), static_cast<int32_t>(size));
    // The hash ends at its terminator.
    FHash = rest.substr(0, rest.find('\0'));
}

void TSWFProtect::WriteTagBody(TBitsEngine* engine) {
    if (!FPassword.empty())
        FHash = MD5Crypt(FPassword, "");
    if (FHash.empty())
        return;
    if (FHash.find('\0') != std::string::npos)
        throw vcl::EWriteError("The protection hash holds a 0 byte");
    engine->WriteWord(0);
    engine->WriteString(FHash, true, false);
}

} // namespace swf
