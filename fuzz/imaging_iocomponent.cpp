// Feeds arbitrary bytes to the I/O component's stream roads: the first byte picks block headers on or off
// and either detection by content or one format id; the rest is the stream. A parameters-only read comes
// first (it must never raise); images it finds of moderate size are then loaded in full. Failures set
// Aborting or raise the library's own exceptions; a crash, a sanitizer report or a hang is a finding.
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOComponent.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace imaging;
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    vcl::TReadOnlyMemoryStream stream(data + 1, int64_t(size - 1));
    TImageKitIO io;
    io.SetStreamHeaders((mode & 0x80) != 0);
    const int32_t formatId = mode & 0x1F; // 0 means detection by content
    if (formatId == 0)
        io.ReadParamsFromStream(&stream);
    else
        io.ReadParamsFromStreamOfFormat(&stream, formatId);
    if (io.GetParams().FileType == 0 || int64_t(io.GetParams().Width) * io.GetParams().Height > (1 << 22))
        return 0;
    try {
        stream.SetPosition(0);
        if (formatId == 0)
            io.LoadFromStreamDetected(&stream);
        else
            io.LoadFromStreamOfFormat(&stream, formatId);
    } catch (const vcl::Exception&) {
        // A refused stream: the component reports it this way too.
    }
    return 0;
}
