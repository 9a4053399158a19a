// Feeds arbitrary bytes, as a file, to the audio readers: ID3v1 and ID3v2 tags, the MPEG audio analysis and
// the WAV reader (as ".wav" and as ".mp3"), and loads what they accept as a Flash sound, written as an event
// sound and as a few stream blocks.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashSound.h"
#include "swf/ID3v1.h"
#include "swf/ID3v2.h"
#include "swf/MPEGaudio.h"
#include "swf/SoundReader.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

namespace {

std::string FuzzWrite(const uint8_t* data, size_t size, const char* extension) {
    std::string path = "/tmp/swf-audio-fuzz-" + std::to_string(::getpid()) + extension;
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, f);
        std::fclose(f);
    }
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    for (const char* extension : {".mp3", ".wav"}) {
        std::string path = FuzzWrite(data, size, extension);
        swf::TID3v1 v1;
        v1.ReadFromFile(path);
        swf::TID3v2 v2;
        v2.ReadFromFile(path);
        swf::TMPEGaudio mpeg;
        if (mpeg.ReadFromFile(path)) {
            mpeg.GetBitRate();
            mpeg.GetFrameCount();
            mpeg.GetDuration();
        }
        try {
            swf::TWaveReader reader(path);
            swf::TFlashSound sound(nullptr, path);
            vcl::TMemoryStream out;
            swf::TBitsEngine engine(&out);
            sound.WriteToStream(&engine);
            swf::TSWFSoundStreamHead2 head;
            sound.FillStreamHead(head, 12);
            for (int i = 0; i < 4; ++i)
                sound.WriteStreamBlock(&engine);
        } catch (const vcl::Exception&) {
        }
        std::remove(path.c_str());
    }
    return 0;
}
