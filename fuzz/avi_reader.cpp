// Feeds arbitrary bytes to the video-file service as an AVI file: open, the first two video streams'
// descriptions and formats, then every frame through both kinds of frame getter, the first frames once more
// out of order. Refusals are result codes and null frames; anything else (a crash, a sanitizer report, a
// hang) is a finding.
#include "platform/win/media/Vfw.h"

#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One file per process, rewritten for every input.
const std::string& FuzzFile() {
    static const std::string name = [] {
        const char* folder = std::getenv("TMPDIR");
        std::string pattern = std::string(folder && *folder ? folder : "/tmp") + "/loomwick-avi-fuzz-XXXXXX";
        int fd = ::mkstemp(pattern.data());
        if (fd < 0)
            std::abort();
        ::close(fd);
        return pattern;
    }();
    return name;
}

bool WriteFuzzFile(const uint8_t* data, size_t size) {
    FILE* file = std::fopen(FuzzFile().c_str(), "wb");
    if (!file)
        return false;
    bool ok = std::fwrite(data, 1, size, file) == size;
    return std::fclose(file) == 0 && ok;
}

void ReadFrames(win::PAVISTREAM stream, const win::BITMAPINFOHEADER* wanted) {
    win::PGETFRAME getter = win::AVIStreamGetFrameOpen(stream, wanted);
    if (!getter)
        return;
    // A decoder may be slow on large frames: the frame size is bounded below, the count here.
    constexpr win::LONG fuzzMaxFrames = 256;
    win::LONG start = win::AVIStreamStart(stream);
    win::LONG length = win::AVIStreamLength(stream);
    uint32_t sum = 0;
    for (win::LONG i = 0; i < length && i < fuzzMaxFrames; ++i) {
        auto* dib = static_cast<const uint8_t*>(win::AVIStreamGetFrame(getter, start + i));
        if (!dib)
            continue;
        win::BITMAPINFOHEADER header;
        std::memcpy(&header, dib, sizeof header);
        // Touch the whole DIB as a reader of it would.
        size_t total = header.biSize + header.biClrUsed * 4 + header.biSizeImage;
        for (size_t k = 0; k < total; k += 61)
            sum += dib[k];
        sum += dib[total - 1];
    }
    for (win::LONG i : {1, 0, length - 1, 0})
        win::AVIStreamGetFrame(getter, start + i);
    (void)sum;
    win::AVIStreamGetFrameClose(getter);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    win::AviMaxFramePixels = int64_t(1) << 20;
    if (!WriteFuzzFile(data, size))
        return 0;
    win::AVIFileInit();
    win::PAVIFILE file = nullptr;
    if (win::AVIFileOpen(&file, FuzzFile().c_str(), win::OF_READ | win::OF_SHARE_DENY_WRITE, nullptr) ==
        win::AVIERR_OK) {
        for (win::LONG index = 0; index < 2; ++index) {
            win::PAVISTREAM stream = nullptr;
            if (win::AVIFileGetStream(file, &stream, win::streamtypeVIDEO, index) != win::AVIERR_OK)
                break;
            win::AVISTREAMINFOA info;
            win::AVIStreamInfo(stream, &info, sizeof info);
            win::LONG formatSize = 0;
            if (win::AVIStreamReadFormat(stream, 0, nullptr, &formatSize) == win::AVIERR_OK) {
                std::vector<uint8_t> format(static_cast<size_t>(formatSize));
                win::AVIStreamReadFormat(stream, 0, format.data(), &formatSize);
            }
            if (win::AVIStreamBeginStreaming(stream, 0, 0, 1000) == win::AVIERR_OK) {
                ReadFrames(stream, nullptr);
                win::BITMAPINFOHEADER wanted{};
                wanted.biSize = sizeof wanted;
                wanted.biBitCount = 24;
                ReadFrames(stream, &wanted);
                win::AVIStreamEndStreaming(stream);
            }
            win::AVIStreamRelease(stream);
        }
    }
    win::AVIFileRelease(file);
    win::AVIFileExit();
    return 0;
}
