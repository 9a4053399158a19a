#include "swf/SWFSlideShowCreator.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Exceptions.h"
#include "swf/FlashObjects.h"

#include <algorithm>

namespace swf {

TSWFSlideShowCreator::TSWFSlideShowCreator(vcl::TComponent* owner) : vcl::TComponent(owner) {}

TSWFSlideShowCreator::~TSWFSlideShowCreator() = default;

void TSWFSlideShowCreator::Clear() {
    FMovie.reset();
    FImageCount = 0;
    FFrameTotal = 0;
}

void TSWFSlideShowCreator::CreateMovie(int32_t height, int32_t width, int32_t rate) {
    // The rate is stored in 8.8 fixed point: 1..255 frames per second.
    if (rate <= 0 || rate > 255)
        throw vcl::ERangeError("The frame rate must lie between 1 and 255 frames per second");
    if (width <= 0 || height <= 0)
        throw vcl::ERangeError("The movie must be at least one pixel wide and high");
    auto movie = std::make_unique<TFlashMovie>(0, 0, width, height, double(rate), true);
    movie->SetCompressed(true);
    movie->SetVersion(6);
    Clear();
    FFrameRate = rate;
    FMsPerFrame = 1000 / rate;
    FMovie = std::move(movie);
}

int32_t TSWFSlideShowCreator::FramesFor(int32_t delayMs) const {
    int32_t d = std::max({delayMs, FMsPerFrame, 1});
    return std::max(d / FMsPerFrame, 1);
}

void TSWFSlideShowCreator::AddImageFrom(TBMPReader&& pixels, int32_t delayMs) {
    const int32_t n = FramesFor(delayMs);
    // Each image takes n + 1 frames; a movie holds at most 65535. Refuse before anything is added.
    if (int64_t(FFrameTotal) + n + 1 > 0xFFFF)
        throw vcl::ERangeError("The movie would have more than 65535 frames");
    if (pixels.GetWidth() > SWFMaxBitmapSide || pixels.GetHeight() > SWFMaxBitmapSide)
        throw vcl::EInvalidGraphic("The image is too large for a SWF bitmap (at most 65535 pixels a side)");
    TFlashImage* image = FMovie->AddImage();
    ++FImageCount;
    image->TakeReader(std::move(pixels));
    image->Pack();
    TFlashShape* shape = FMovie->AddRectangle(0, 0, image->GetWidth(), image->GetHeight());
    shape->AddImageFill(image, 2, 1.0, 1.0);
    for (int32_t i = n; i >= 0; --i) {
        TFlashPlaceObject* place = FMovie->PlaceObject(shape, 2);
        place->GetColorTransform().SetAlphaAdd(-RoundToEven(double(i) / double(n) * 128.0));
        if (i < n)
            place->SetMove(true);
        FMovie->ShowFrame(1);
    }
    FFrameTotal += n + 1;
}

void TSWFSlideShowCreator::AddImage(vcl::TBitmap* bitmap, int32_t delayMs) {
    if (!FMovie)
        throw vcl::Exception("CreateMovie must be called before adding image!");
    if (!bitmap || bitmap->GetEmpty())
        throw vcl::EInvalidGraphic("Cannot add an empty bitmap to the movie");
    AddImage(bitmap->GetHandle(), delayMs);
}

void TSWFSlideShowCreator::AddImage(win::HBITMAP bitmap, int32_t delayMs) {
    if (!FMovie)
        throw vcl::Exception("CreateMovie must be called before adding image!");
    // The pixels are read before the movie changes, so a bad bitmap leaves it as it was.
    TBMPReader pixels;
    pixels.LoadFromHandle(bitmap);
    AddImageFrom(std::move(pixels), delayMs);
}

void TSWFSlideShowCreator::AddImage(const vcl::TDibFormat& format, const uint8_t* bits, int32_t delayMs) {
    if (!FMovie)
        throw vcl::Exception("CreateMovie must be called before adding image!");
    TBMPReader pixels;
    pixels.LoadFromDib(format, bits);
    AddImageFrom(std::move(pixels), delayMs);
}

void TSWFSlideShowCreator::MakeStream() {
    if (!FMovie)
        throw vcl::Exception("CreateMovie must be called before calling MakeStream!");
    FMovie->MakeStream();
}

bool TSWFSlideShowCreator::SaveToFile(const std::string& fileName) {
    if (!FMovie)
        throw vcl::Exception("CreateMovie must be called before calling SaveToFile!");
    FMovie->SaveToFile(fileName);
    return true;
}

} // namespace swf
