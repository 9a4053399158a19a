// What every caller of libjpeg in Loomwick shares: one way to meet the library's errors (a fatal error
// jumps back to the call that raised it, with the library's message kept) and the rule that refuses a
// header announcing more pixels than its data can code.
#pragma once

#include <atomic>
#include <csetjmp>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

namespace codecs {

// Writes the text of the library's message code into out (outSize bytes).
using TJpegDescribeProc = void (*)(j_common_ptr cinfo, int code, char* out, size_t outSize);

// The library's error record and what its callbacks keep for the caller. The library must never return
// from a fatal error: the bridge writes the message, sets *Aborting when it was given and jumps back to the
// JpegTry that made the call. Warnings are counted, never printed. The bridge stays where it is while a
// decompressor or compressor uses it.
struct TJpegErrorBridge {
    jpeg_error_mgr Pub; // first: the callbacks find the bridge from cinfo->err
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX] = {};
    int32_t WarningCount = 0;
    int LastWarningCode = 0; // the library's code of the last warning
    std::atomic<bool>* Aborting = nullptr;
    TJpegDescribeProc Describe = nullptr; // null: the library's own text
};

// Sets the bridge up; the result goes into the err field of a decompressor or a compressor (or both).
jpeg_error_mgr* InitJpegErrorBridge(TJpegErrorBridge& bridge, std::atomic<bool>* aborting = nullptr,
                                    TJpegDescribeProc describe = nullptr);

// Runs call, which makes library calls, and answers false when one of them raised a fatal error (its text
// is then in bridge.Message). The frames of call are left by a jump: they hold nothing with a destructor,
// only library calls and plain values stored through references.
template <class Call> bool JpegTry(TJpegErrorBridge& bridge, Call&& call) {
    if (setjmp(bridge.Jump))
        return false;
    call();
    return true;
}

// A progressive datastream may hold thousands of scans, each a pass over every block of the picture: a few
// kilobytes could keep a decoder busy for minutes. Installed as a decompressor's progress monitor, the limit
// raises a fatal error (through the bridge, whose message becomes "the image has more than MaxScans scans")
// when the decoder starts on scan MaxScans + 1, and sets Exceeded. Coders need far fewer: a full
// successive-approximation script of three components has a few dozen scans.
struct TJpegScanLimit {
    jpeg_progress_mgr Pub; // first: the callback finds the limit from cinfo->progress
    int MaxScans = 0;
    bool Exceeded = false;
};

constexpr int JpegDefaultMaxScans = 500;

// Installs limit as the progress monitor of cinfo (before jpeg_start_decompress).
void JpegLimitScans(j_decompress_ptr cinfo, TJpegScanLimit& limit, int maxScans = JpegDefaultMaxScans);

// Whether a datastream of dataBytes bytes can code a picture of width x height. Every 8 x 8 block of a
// scan costs at least a bit, so a picture takes at most 512 pixels a byte of one component; the rule
// allows 4096, and every picture up to 16 M pixels (2^24), whatever the data. Checked after the header,
// before the library or the caller allocates for the picture.
bool JpegDataCanFill(int64_t width, int64_t height, int64_t dataBytes);

} // namespace codecs
