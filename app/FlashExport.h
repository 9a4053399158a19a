// The Flash movie export (command 106): the document as a slide show of the screens the GIF shows, one image
// for each frame that draws something, written by the SWF writer; then the HTML that embeds the movie.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vcl {
class TBitmap;
class TSaveDialog;
} // namespace vcl
namespace gif {
class TGifDocument;
class TGifFrame;
} // namespace gif

namespace app {

// The movie writer the export feeds: the SWF writer's slide show in the program; tests record the calls.
class TFlashSlideShow {
public:
    virtual ~TFlashSlideShow() = default;
    virtual void CreateMovie(int32_t height, int32_t width, int32_t rate) = 0;
    // The bitmap stays the caller's.
    virtual void AddImage(vcl::TBitmap* bitmap, int32_t delayMs) = 0;
    virtual void MakeStream() = 0;
    virtual void SaveToFile(const std::string& fileName) = 0;
};
using TFlashSlideShowFactory = std::function<std::unique_ptr<TFlashSlideShow>()>;
// Replaces the writer the export makes; nullptr puts the SWF writer back.
void SetFlashSlideShowFactory(TFlashSlideShowFactory factory);

// The smallest delay of every graphic control extension of every frame (empty frames included), 100 when
// there is none and 1 when it is 0; the rate is 1000 div (smallest x 10), at least 1.
int32_t FlashFrameRate(gif::TGifDocument* document);
// How long the frame shows: the delay of its last graphic control extension (none: 0, and 0 counts as 4),
// x 10 ms.
int32_t FlashImageDelayMs(gif::TGifFrame* frame);

// Writes the movie: the logical screen after each frame that is not empty, as the GIF shows it over its
// background colour, for that frame's time.
void WriteFlashMovie(gif::TGifDocument* document, const std::string& fileName);

// Sets one status bar panel's text.
using TFlashStatusProc = std::function<void(const std::string& text, int32_t panel)>;

// The command: asks for the movie's file in dialog (filter "Macromedia Flash|*.swf", the document's name with
// ".swf"), normalises the document, writes the movie and shows the HTML for it. Whatever happens, the
// dialog gets its filter, default extension and an empty file name back and the status panels 1 and 2 are
// cleared; the writer's exceptions pass on. True when a movie was written.
bool ExportToFlash(vcl::TSaveDialog* dialog, gif::TGifDocument* document, const std::string& documentFileName,
                   const TFlashStatusProc& status);

} // namespace app
