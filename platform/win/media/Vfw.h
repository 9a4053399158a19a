// The layer's video-file service: AVI files opened read-only, their video streams described (stream
// header and BITMAPINFOHEADER format) and decoded frame by frame into packed bottom-up DIBs. The container
// is checked here chunk by chunk against the file before anything is read from it; the demuxing and the
// decoding are Debian's libavformat (its AVI reader, never another) and libavcodec, the conversion to
// 24-bit pixels libswscale. No type of those libraries appears in this header.
//
// Handles are the layer's own objects: a released or foreign handle is refused (AVIERR_BADHANDLE, or a
// null or -1 answer where a call returns no code), never followed. The calls may come from any thread; one
// handle is used by one thread at a time.
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/ole/Com.h"

#include <cstdint>

namespace win {

struct AVIFILE__;
struct AVISTREAM__;
struct GETFRAME__;
using PAVIFILE = AVIFILE__*;
using PAVISTREAM = AVISTREAM__*;
using PGETFRAME = GETFRAME__*;

constexpr DWORD mmioFOURCC(char a, char b, char c, char d) {
    return DWORD(uint8_t(a)) | DWORD(uint8_t(b)) << 8 | DWORD(uint8_t(c)) << 16 | DWORD(uint8_t(d)) << 24;
}
constexpr DWORD streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');

// AVIFileOpen modes. Only reading is served; the share flags are accepted and mean nothing here.
constexpr UINT OF_READ = 0x0000;
constexpr UINT OF_WRITE = 0x0001;
constexpr UINT OF_READWRITE = 0x0002;
constexpr UINT OF_SHARE_DENY_WRITE = 0x0020;
constexpr UINT OF_CREATE = 0x1000;

// Result codes.
constexpr HRESULT MakeAviError(int32_t code) {
    return HRESULT(0x80044000u | uint32_t(code));
}
constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT AVIERR_UNSUPPORTED = MakeAviError(101);
constexpr HRESULT AVIERR_BADFORMAT = MakeAviError(102);
constexpr HRESULT AVIERR_MEMORY = MakeAviError(103);
constexpr HRESULT AVIERR_INTERNAL = MakeAviError(104);
constexpr HRESULT AVIERR_BADFLAGS = MakeAviError(105);
constexpr HRESULT AVIERR_BADPARAM = MakeAviError(106);
constexpr HRESULT AVIERR_BADSIZE = MakeAviError(107);
constexpr HRESULT AVIERR_BADHANDLE = MakeAviError(108);
constexpr HRESULT AVIERR_FILEREAD = MakeAviError(109);
constexpr HRESULT AVIERR_FILEWRITE = MakeAviError(110);
constexpr HRESULT AVIERR_FILEOPEN = MakeAviError(111);
constexpr HRESULT AVIERR_COMPRESSOR = MakeAviError(112);
constexpr HRESULT AVIERR_NOCOMPRESSOR = MakeAviError(113);
constexpr HRESULT AVIERR_READONLY = MakeAviError(114);
constexpr HRESULT AVIERR_NODATA = MakeAviError(115);
constexpr HRESULT AVIERR_BUFFERTOOSMALL = MakeAviError(116);
constexpr HRESULT AVIERR_CANTCOMPRESS = MakeAviError(117);
constexpr HRESULT AVIERR_USERABORT = MakeAviError(198);
constexpr HRESULT AVIERR_ERROR = MakeAviError(199);

// A stream's description, 140 bytes as the callers expect.
struct AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale; // dwRate / dwScale frames a second
    DWORD dwRate;
    DWORD dwStart; // the first frame's position
    DWORD dwLength; // frames
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AVISTREAMINFOA) == 140);

// Limits of the streams served: each dimension of a frame lies in 1..AviMaxDimension. A frame of more
// than AviMaxFramePixels pixels is refused too (the default admits every size within the dimensions;
// the fuzzer lowers it, and a caller may).
constexpr int32_t AviMaxDimension = 16384;
extern int64_t AviMaxFramePixels;

// The scaler flags frames are converted to 24 bits with, as ffmpeg's -sws_flags names them.
extern const char* const AviScalerFlagsText;

// Counted start-up and shut-down; the calls below work without them.
void AVIFileInit();
void AVIFileExit();

// Opens an AVI file for reading (mode OF_READ, optionally OF_SHARE_DENY_WRITE; handler is ignored). Every
// chunk of the file is checked against its list and the file first. *file is null on failure:
// AVIERR_FILEOPEN (no such file, or unreadable), AVIERR_BADFORMAT (not an AVI file, or its headers
// unreadable), AVIERR_FILEREAD (a chunk or list reaches past its list or the end of the file),
// AVIERR_READONLY (a write mode), AVIERR_BADPARAM.
HRESULT AVIFileOpen(PAVIFILE* file, const char* fileName, UINT mode, const CLSID* handler);
// The index-th video stream (type streamtypeVIDEO, or 0). *stream is null on failure: AVIERR_NODATA (no
// such stream, or another type), AVIERR_BADFORMAT (its header or format is out of bounds: a dimension
// outside 1..AviMaxDimension, a scale or rate of 0, more frames than the file can hold).
HRESULT AVIFileGetStream(PAVIFILE file, PAVISTREAM* stream, DWORD type, LONG index);
// Releases the handle (the streams taken from the file stay usable); the references left, 0.
ULONG AVIFileRelease(PAVIFILE file);

// Copies the first size bytes of the stream's description (scale and rate as the demuxer's time base,
// the length its frame count).
HRESULT AVIStreamInfo(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size);
// With format null, *size receives the format's size; otherwise the format is copied into the *size
// bytes at format (AVIERR_BUFFERTOOSMALL, with *size set, when it does not fit). The format is a
// 40-byte BITMAPINFOHEADER followed, for 8 bits or fewer, by biClrUsed (1..256) colours, all of which the
// file holds; other depths come without colours. AVIERR_BADFORMAT when the file's table claims more than
// 256 colours or more than the depth allows, or holds none. position is not used.
HRESULT AVIStreamReadFormat(PAVISTREAM stream, LONG position, LPVOID format, LONG* size);
// Reads the stream's frames out of the file (done otherwise by the first AVIStreamGetFrameOpen):
// AVIERR_FILEREAD when the file cannot be read through, AVIERR_NODATA when it holds no frame of a stream
// that claims some. The range and rate are hints and not used.
HRESULT AVIStreamBeginStreaming(PAVISTREAM stream, LONG start, LONG end, LONG rate);
HRESULT AVIStreamEndStreaming(PAVISTREAM stream);
// The first frame's position and the number of frames; -1 for a handle that is not a stream.
LONG AVIStreamStart(PAVISTREAM stream);
LONG AVIStreamLength(PAVISTREAM stream);
ULONG AVIStreamRelease(PAVISTREAM stream);

// A frame getter: wanted null gives 8-bit frames with their palette for paletted video and 24-bit ones
// for the rest; a header asking for 24 bits (BI_RGB) gives 24-bit frames always. Null when the stream's
// codec has no decoder here, or its frames cannot be read.
PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, const BITMAPINFOHEADER* wanted);
// The frame at position as a packed DIB: BITMAPINFOHEADER (biSizeImage set), colour table (256 colours
// for 8 bits) and bottom-up rows padded to 4 bytes, valid until the next call on the getter or its
// close. A position without a frame of its own shows the frame before it, as AVI files skip unchanged
// frames. Null outside the stream, or when the frame cannot be decoded.
LPVOID AVIStreamGetFrame(PGETFRAME getter, LONG position);
HRESULT AVIStreamGetFrameClose(PGETFRAME getter);

} // namespace win
