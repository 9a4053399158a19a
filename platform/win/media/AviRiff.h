// The AVI container as the video-file service checks it before any decoder sees it: every chunk and list
// of the file walked, each size held in 64 bits against its list and the file, and the stream headers
// (strh, strf, strn) of the header list collected. Internal to platform/win/media.
#pragma once

#include "platform/win/media/Vfw.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace win::avi {

// One "strl" list.
struct AviStreamHeader {
    bool HasHeader = false; // a "strh" of 48 bytes or more was found
    DWORD Type = 0;
    DWORD Handler = 0;
    DWORD Flags = 0;
    WORD Priority = 0;
    WORD Language = 0;
    DWORD InitialFrames = 0;
    DWORD Scale = 0;
    DWORD Rate = 0;
    DWORD Start = 0;
    DWORD Length = 0;
    DWORD SuggestedBufferSize = 0;
    DWORD Quality = 0;
    DWORD SampleSize = 0;
    int16_t Frame[4] = {}; // left, top, right, bottom
    std::vector<uint8_t> Format; // the "strf" chunk as it stands
    std::string Name; // "strn", at most 63 bytes
};

struct AviHeaders {
    int64_t FileSize = 0;
    std::vector<AviStreamHeader> Streams;
};

// Reads size bytes at offset; false when the file does not hold them all.
using AviReadAt = std::function<bool(int64_t offset, void* buffer, size_t size)>;

// Walks the whole file: AVIERR_OK with the stream headers, AVIERR_BADFORMAT when it is no AVI file (or a
// list nests deeper than any AVI file does), AVIERR_FILEREAD when a chunk or list reaches past the list
// holding it or the end of the file.
HRESULT ReadAviHeaders(const AviReadAt& read, int64_t fileSize, AviHeaders& headers);

// Checks a video stream's header and format against the limits and the file (AVIERR_OK or
// AVIERR_BADFORMAT).
HRESULT CheckVideoStream(const AviStreamHeader& stream, int64_t fileSize);

// The format the service hands out for a video stream (see AVIStreamReadFormat): AVIERR_OK or
// AVIERR_BADFORMAT.
HRESULT BuildVideoFormat(const AviStreamHeader& stream, std::vector<uint8_t>& format);

// The bytes of a row of width pixels of bitCount bits, padded to 4 bytes.
int64_t DibStride(int64_t width, int32_t bitCount);

} // namespace win::avi
