// The logical screen of an animation as it looks after each frame: the frames drawn one after another with
// their disposal methods and transparency, the way the playback painter shows them on a screen-sized
// target, but as plain pixels, without a painter, a thread or a clock.
#pragma once

#include "gif/GifTypes.h"
#include "platform/vcl/GraphicsObjects.h"

#include <cstdint>
#include <vector>

namespace vcl {
class TBitmap;
} // namespace vcl

namespace gif {

class TGifFrame;

// The colour the playback painter starts from and restores to: the document's playback background when
// set, else the colour of the header's background index when there is a global table, else the window
// colour; as red, green and blue (red in the low byte).
vcl::TColor ComposeBackgroundColor(TGifDocument* image);

class TGifComposer {
public:
    // The screen starts in background (red in the low byte; a system colour is resolved), which also shows
    // where a frame restores to the background. Without useTransparency the transparent index draws in its
    // colour. A screen above GifMaxFramePixels pixels raises "Image is too large" (EGifError).
    TGifComposer(TGifDocument* image, vcl::TColor background, bool useTransparency = true);

    // Composes the next frame; false after the last one. An empty frame draws nothing: the screen shows
    // what the previous frame's disposal left (the painter ends its pass at such a frame).
    bool Next();
    // The frame composed last; -1 before the first.
    int32_t FrameIndex() const { return FFrameIndex; }

    int32_t Width() const { return FWidth; }
    int32_t Height() const { return FHeight; }
    // The screen after the frame, row by row from the top, each pixel 0x00RRGGBB (the byte order of a
    // 32-bit bitmap's rows).
    const std::vector<uint32_t>& Screen() const { return FScreen; }
    uint32_t Pixel(int32_t x, int32_t y) const { return FScreen[size_t(y) * size_t(FWidth) + size_t(x)]; }
    // The screen as a 32-bit bitmap of the screen's size.
    void AssignTo(vcl::TBitmap* bitmap) const;

private:
    void DrawFrame(TGifFrame* frame, std::vector<uint32_t>& into);
    void FillFrameArea(TGifFrame* frame, std::vector<uint32_t>& into, uint32_t color);

    TGifDocument* FImage;
    int32_t FWidth;
    int32_t FHeight;
    uint32_t FBackground;
    bool FUseTransparency;
    int32_t FFrameIndex = -1;
    // What the screen shows, and the picture the next frame is drawn over (the painter's compose buffer):
    // they differ after a frame that restores to the previous picture or to the background.
    std::vector<uint32_t> FScreen;
    std::vector<uint32_t> FKept;
};

} // namespace gif
