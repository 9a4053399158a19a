// The video character that a video placement shows: a parsed video file, as the placement reads it. Reading
// video files is no part of the writer; a program supplies a descendant that knows its file, and that writes
// its DefineVideoStream tag.
#pragma once

#include "swf/FlashMovie.h"

#include <cstdint>

namespace vcl {
class TStream;
}

namespace swf {

// Where one packet of the video file's data lies in its stream.
struct TFlashVideoPacket {
    uint32_t Offset = 0;
    uint32_t Size = 0;
};

class TFlashVideo : public TFlashIDObject {
public:
    using TFlashIDObject::TFlashIDObject;

    // The video file, positioned anywhere; packets are read at their offsets.
    virtual vcl::TStream* GetVideoStream() = 0;
    // The number of video packets (frames).
    virtual uint16_t VideoFrameCount() const = 0;
    virtual TFlashVideoPacket VideoPacket(uint32_t index) const = 0;
    // The SWF video codec number (2 Sorenson H.263, 3 screen video ...).
    virtual uint8_t Codec() const = 0;
    // The frame type of video packet index (1 key frame, 2 inter frame ...).
    virtual uint8_t FrameType(uint32_t index) const = 0;
    // Format in the high 4 bits, rate code in bits 3-2, 16-bit flag in bit 1, stereo in bit 0.
    virtual uint8_t AudioFormat() const = 0;
    // The first MP3 frame header of the audio, most significant byte first.
    virtual uint32_t FirstMP3Header() const = 0;
    // 0 without audio.
    virtual uint32_t AudioPacketCount() const = 0;
    // Packet j is taken as j mod AudioPacketCount.
    virtual TFlashVideoPacket AudioPacket(uint32_t index) const = 0;
};

} // namespace swf
