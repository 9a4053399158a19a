// Turns a sequence of bitmaps into a compressed slide-show movie: each image is a full-size rectangle
// filled with the bitmap that fades in from half transparency over the frames its display time covers.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
struct TDibFormat;
class TBitmap;
} // namespace vcl

namespace swf {

class TFlashMovie;
class TBMPReader;

class TSWFSlideShowCreator : public vcl::TComponent {
public:
    // The editor creates it without an owner and frees it after saving.
    explicit TSWFSlideShowCreator(vcl::TComponent* owner = nullptr);
    ~TSWFSlideShowCreator() override;

    // Starts a new movie of the given frame size in pixels (height first) and rate, which must lie in
    // 1..255; a refused rate leaves the creator as it was.
    void CreateMovie(int32_t height, int32_t width, int32_t rate);
    // Frees the movie.
    void Clear();
    // Adds the bitmap shown for delayMs milliseconds; the bitmap stays the caller's.
    void AddImage(vcl::TBitmap* bitmap, int32_t delayMs);
    void AddImage(win::HBITMAP bitmap, int32_t delayMs);
    // The same for a bitmap held in memory (bottom-up rows as format describes them).
    void AddImage(const vcl::TDibFormat& format, const uint8_t* bits, int32_t delayMs);
    void MakeStream();
    // Renders the movie first when it changed since the last MakeStream; a failed save keeps the old file.
    bool SaveToFile(const std::string& fileName);

    // The number of movie frames an image shown for delayMs takes, less one.
    int32_t FramesFor(int32_t delayMs) const;
    TFlashMovie* GetMovie() const { return FMovie.get(); }
    int32_t GetFrameRate() const { return FFrameRate; }
    int32_t GetMsPerFrame() const { return FMsPerFrame; }
    int32_t GetImageCount() const { return FImageCount; }

private:
    void AddImageFrom(TBMPReader&& pixels, int32_t delayMs);
    std::unique_ptr<TFlashMovie> FMovie;
    int32_t FFrameRate = 20;
    int32_t FMsPerFrame = 50;
    int32_t FImageCount = 0;
    int32_t FFrameTotal = 0;
};

} // namespace swf
