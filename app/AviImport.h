// The AVI import (command 107): the first video stream of a small AVI file becomes a new animation, each
// video frame a frame reduced to the web palette with the delay of the video's frame rate. The main
// window's side (ImportAvi, ImportAviDocument, AviProgress) is declared in GifMainForm.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace gif {
class TGifDocument;
}

namespace app {

class TfrmProgress;

// Files of this many bytes or more are refused.
constexpr int64_t AviImportMaxFileSize = 500000;

// Hundredths of a second per video frame: scale x 100 / rate rounded (scale div 100 when the rate is 0),
// within 0..65535.
uint16_t AviFrameDelay(uint32_t scale, uint32_t rate);

// The BMP file for a decoded frame (a packed DIB) with the stream format's colours written over the frame's
// own, as many as the format's count says and both tables hold (never more than 256). Every size comes from
// the headers and is checked: a dimension outside 1..16384, a depth or coding other than a DIB's, more
// colours than the depth allows, or fewer pixel bytes than the rows need give false. A pixel size of 0 is
// computed; the bits offset counts the colour table the DIB actually holds.
bool AviFrameToBmp(const void* dib, const std::vector<uint8_t>& format, std::vector<uint8_t>& bmp);

// Fills the empty document from the file's first video stream, showing each step in the progress window
// and stopping between steps once its Cancel was pressed. Raises vcl::Exception with the failing step's
// message ("Failed to open AVI file" ... "Failed to decompress AVI frame"); everything it opened is closed
// on every path. Without Cancel, a document with frames gets one global colour table and an empty comment
// on frame 0.
void ImportAviFile(gif::TGifDocument* image, const std::string& fileName, TfrmProgress* progress);

// Called after each frame the import appends, with its index: a test's way to press Cancel mid-way.
using TAviFrameHook = std::function<void(int32_t frameIndex)>;
void SetAviImportFrameHook(TAviFrameHook hook);

} // namespace app
