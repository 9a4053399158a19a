#include "codecs/JpegSupport.h"

#include <algorithm>
#include <cstdio>

#include <jerror.h>

namespace codecs {

namespace {

void JpegScanLimitProgress(j_common_ptr cinfo);

// The scan limit of cinfo when it is installed and has just been passed, else nullptr.
const TJpegScanLimit* JpegExceededScanLimit(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor || !cinfo->progress ||
        cinfo->progress->progress_monitor != JpegScanLimitProgress)
        return nullptr;
    const auto* limit = reinterpret_cast<const TJpegScanLimit*>(cinfo->progress);
    return limit->Exceeded ? limit : nullptr;
}

void JpegBridgeErrorExit(j_common_ptr cinfo) {
    auto* bridge = reinterpret_cast<TJpegErrorBridge*>(cinfo->err);
    if (bridge->Aborting)
        bridge->Aborting->store(true);
    if (const TJpegScanLimit* limit = JpegExceededScanLimit(cinfo))
        std::snprintf(bridge->Message, sizeof(bridge->Message), "the image has more than %d scans",
                      limit->MaxScans);
    else if (bridge->Describe)
        bridge->Describe(cinfo, cinfo->err->msg_code, bridge->Message, sizeof(bridge->Message));
    else
        cinfo->err->format_message(cinfo, bridge->Message);
    std::longjmp(bridge->Jump, 1);
}

// Level -1 is a warning; higher levels are trace messages, which nobody reads.
void JpegBridgeEmitMessage(j_common_ptr cinfo, int level) {
    auto* bridge = reinterpret_cast<TJpegErrorBridge*>(cinfo->err);
    if (level == -1) {
        ++bridge->WarningCount;
        bridge->LastWarningCode = cinfo->err->msg_code;
    }
}

void JpegBridgeOutputMessage(j_common_ptr) {}

// Runs when a decompressor or compressor starts on another datastream.
void JpegBridgeReset(j_common_ptr cinfo) {
    auto* bridge = reinterpret_cast<TJpegErrorBridge*>(cinfo->err);
    bridge->WarningCount = 0;
    bridge->LastWarningCode = 0;
    cinfo->err->num_warnings = 0;
    cinfo->err->msg_code = 0;
}

void JpegScanLimitProgress(j_common_ptr cinfo) {
    if (!cinfo->is_decompressor)
        return;
    auto* limit = reinterpret_cast<TJpegScanLimit*>(cinfo->progress);
    if (reinterpret_cast<j_decompress_ptr>(cinfo)->input_scan_number <= limit->MaxScans)
        return;
    limit->Exceeded = true;
    cinfo->err->msg_code = JERR_BAD_SCAN_SCRIPT;
    cinfo->err->error_exit(cinfo);
}

} // namespace

void JpegLimitScans(j_decompress_ptr cinfo, TJpegScanLimit& limit, int maxScans) {
    limit.Pub.progress_monitor = JpegScanLimitProgress;
    limit.MaxScans = maxScans;
    limit.Exceeded = false;
    cinfo->progress = &limit.Pub;
}

jpeg_error_mgr* InitJpegErrorBridge(TJpegErrorBridge& bridge, std::atomic<bool>* aborting,
                                    TJpegDescribeProc describe) {
    jpeg_std_error(&bridge.Pub);
    bridge.Pub.error_exit = JpegBridgeErrorExit;
    bridge.Pub.emit_message = JpegBridgeEmitMessage;
    bridge.Pub.output_message = JpegBridgeOutputMessage;
    bridge.Pub.reset_error_mgr = JpegBridgeReset;
    bridge.Pub.trace_level = 0;
    bridge.Message[0] = 0;
    bridge.WarningCount = 0;
    bridge.LastWarningCode = 0;
    bridge.Aborting = aborting;
    bridge.Describe = describe;
    return &bridge.Pub;
}

bool JpegDataCanFill(int64_t width, int64_t height, int64_t dataBytes) {
    constexpr int64_t smallPicture = int64_t(1) << 24;
    constexpr int64_t pixelsPerByte = 4096;
    if (width <= 0 || height <= 0)
        return true;
    if (width > INT64_MAX / height)
        return false;
    const int64_t pixels = width * height;
    if (pixels <= smallPicture)
        return true;
    const int64_t bytes = std::max<int64_t>(dataBytes + 1024, 0);
    return bytes >= INT64_MAX / pixelsPerByte || pixels <= bytes * pixelsPerByte;
}

} // namespace codecs
