#include "swf/FlashMovie.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashImage.h"
#include "swf/FlashPlacement.h"
#include "swf/FlashShape.h"
#include "swf/FlashSound.h"
#include "swf/FlashSprite.h"
#include "swf/FlashVideo.h"
#include "swf/SWFProtect.h"

#include <algorithm>

namespace swf {

void TFlashObject::Assign(TBasedSWFObject* source) {
    if (auto* s = dynamic_cast<TFlashObject*>(source))
        if (!FOwner)
            SetOwner(s->FOwner);
}

void TFlashObject::SetOwner(TFlashMovie* m) {
    FOwner = m;
    OwnerChanged();
}

void TFlashObject::Changed() {
    if (FOwner)
        FOwner->Changed();
}

void TFlashIDObject::Assign(TBasedSWFObject* source) {
    TFlashObject::Assign(source);
    if (auto* s = dynamic_cast<TFlashIDObject*>(source))
        SetCharacterID(s->GetCharacterID());
}

TFlashMovie::TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, double rate, bool inPixels)
    : TBasedSWFStream(xMin, yMin, xMax, yMax, rate, inPixels) {}

TFlashMovie::~TFlashMovie() {
    // The sound, the video placements and the indexes point into the object list: clear them first.
    FSoundStream.reset();
    FVideos.clear();
    FImageList.clear();
    FShapeList.clear();
    FObjects.clear();
}

void TFlashMovie::AddObject(std::unique_ptr<TBasedSWFObject> o) {
    const int32_t count = static_cast<int32_t>(FObjects.size());
    if (FInsertMode && FInsertIndex != -1 && FInsertIndex < count - 1) {
        FObjects.insert(FObjects.begin() + std::max(FInsertIndex, 0), std::move(o));
        ++FInsertIndex;
    } else {
        FObjects.push_back(std::move(o));
        FInsertIndex = static_cast<int32_t>(FObjects.size()) - 1;
    }
    Changed();
}

int32_t TFlashMovie::IndexOfObject(const TBasedSWFObject* o) const {
    for (size_t i = 0; i < FObjects.size(); ++i)
        if (FObjects[i].get() == o)
            return static_cast<int32_t>(i);
    return -1;
}

void TFlashMovie::MoveObject(int32_t from, int32_t to) {
    const int32_t count = static_cast<int32_t>(FObjects.size());
    if (from < 0 || from >= count || to < 0 || to >= count)
        throw vcl::EListError("List index out of bounds");
    if (from == to)
        return;
    auto item = std::move(FObjects[size_t(from)]);
    FObjects.erase(FObjects.begin() + from);
    FObjects.insert(FObjects.begin() + to, std::move(item));
    Changed();
}

namespace {
void MovieTakeID(uint16_t& next) {
    if (next == 0xFFFF)
        throw vcl::ERangeError("The movie has no character identifiers left");
    ++next;
}
} // namespace

uint16_t TFlashMovie::TakeCharacterID() {
    uint16_t id = FNextCharacterID;
    MovieTakeID(FNextCharacterID);
    return id;
}

TFlashSprite* TFlashMovie::AddSprite() {
    auto sprite = std::make_unique<TFlashSprite>(this);
    TFlashSprite* result = sprite.get();
    AddObject(std::move(sprite));
    return result;
}

TFlashPlaceVideo* TFlashMovie::PlaceVideo(TFlashVideo* video, uint16_t depth) {
    FVideos.push_back(std::make_unique<TFlashPlaceVideo>(this, depth, video));
    Changed();
    return FVideos.back().get();
}

TFlashPlaceVideo* TFlashMovie::GetVideo(int32_t index) const {
    return index >= 0 && index < VideoCount() ? FVideos[size_t(index)].get() : nullptr;
}

TFlashSound* TFlashMovie::GetSoundStream() {
    if (!FSoundStream) {
        FSoundStream = std::make_unique<TFlashSound>(this);
        FSoundStream->SetLoop(true);
    }
    FHasSoundStream = 1;
    Changed();
    return FSoundStream.get();
}

TFlashImage* TFlashMovie::AddImage(const std::string& fileName) {
    auto image = std::make_unique<TFlashImage>(this, fileName);
    TFlashImage* result = image.get();
    result->SetCharacterID(FNextCharacterID);
    AddObject(std::move(image));
    FImageList.push_back(result);
    MovieTakeID(FNextCharacterID);
    return result;
}

TFlashShape* TFlashMovie::AddShape(std::unique_ptr<TFlashShape> shape) {
    if (!shape)
        shape = std::make_unique<TFlashShape>(this);
    else if (shape->GetOwner() != this)
        shape->SetOwner(this);
    TFlashShape* result = shape.get();
    result->SetCharacterID(FNextCharacterID);
    AddObject(std::move(shape));
    FShapeList.push_back(result);
    MovieTakeID(FNextCharacterID);
    return result;
}

TFlashShape* TFlashMovie::AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    TFlashShape* shape = AddShape();
    shape->SetBounds(left, top, right, bottom);
    TFlashEdges& edges = shape->GetEdges();
    edges.MoveTo(left, top);
    edges.LineDelta(right - left, 0);
    edges.LineDelta(0, bottom - top);
    edges.LineDelta(left - right, 0);
    edges.LineDelta(0, top - bottom);
    edges.EndShape();
    return shape;
}

TFlashPlaceObject* TFlashMovie::PlaceObject(TFlashIDObject* character, uint16_t depth) {
    auto place = std::make_unique<TFlashPlaceObject>(this, depth, character);
    TFlashPlaceObject* result = place.get();
    AddObject(std::move(place));
    return result;
}

void TFlashMovie::ShowFrame(int32_t count) {
    if (!FPendingLabel.empty()) {
        AddObject(std::make_unique<TSWFFrameLabel>(FPendingLabel));
        FPendingLabel.clear();
    }
    if (FPendingObject)
        AddObject(std::move(FPendingObject));
    if (count < 1)
        count = 1;
    for (int32_t i = 0; i < count; ++i) {
        AddObject(std::make_unique<TSWFShowFrame>());
        SetFrameCount(static_cast<uint16_t>(GetFrameCount() + 1));
    }
    FCurrentFrame = GetFrameCount() - 1;
}

TSWFRGB& TFlashMovie::GetBackgroundColor() {
    if (!FBackgroundColor)
        FBackgroundColor = std::make_unique<TSWFRGB>();
    FHasBackgroundColor = 1;
    Changed();
    return *FBackgroundColor;
}

void TFlashMovie::MakeStream() {
    // The frame count is a 16-bit field: refuse a movie that needs more before anything is written.
    int64_t frames = 0;
    auto isShowFrame = [](TBasedSWFObject* o) {
        auto* tag = o->LibraryLevel() == 0 ? dynamic_cast<TSWFObject*>(o) : nullptr;
        return tag && tag->GetTagID() == tagShowFrame;
    };
    for (auto& o : FObjects)
        if (isShowFrame(o.get()))
            ++frames;
    if (frames > 0xFFFF)
        throw vcl::ERangeError("A movie holds at most 65535 frames");

    vcl::TMemoryStream* body = GetBody();
    body->Clear();
    int32_t version = GetVersion();
    int32_t k = 0;
    TBitsEngine engine(body);
    if (FHasBackgroundColor && FBackgroundColor) {
        TSWFSetBackgroundColor tag;
        tag.GetColor().Assign(*FBackgroundColor);
        tag.WriteToStream(&engine);
    }
    // A stream sound needs a file: a sound that was asked for but never loaded writes nothing.
    TFlashSound* sound =
        FHasSoundStream && FSoundStream && !FSoundStream->GetFileName().empty() ? FSoundStream.get() : nullptr;
    if (sound) {
        version = std::max(version, sound->MinVersion());
        TSWFSoundStreamHead2 head;
        sound->FillStreamHead(head, GetFrameRate());
        head.WriteToStream(&engine);
    }
    if (FProtect) {
        TSWFProtect protect;
        protect.SetPassword(FPassword);
        protect.WriteToStream(&engine);
        version = std::max(version, protect.MinVersion());
    }
    const size_t count = FObjects.size();
    for (size_t i = 0; i < count; ++i) {
        TBasedSWFObject* o = FObjects[i].get();
        if (OnProgress)
            OnProgress(this, RoundToEven(double(i + 1) / double(count) * 100.0), 1);
        version = std::max(version, o->MinVersion());
        if (isShowFrame(o)) {
            for (auto& video : FVideos)
                video->WriteFrame(&engine, k);
            if (sound && sound->GetStartFrame() <= k)
                sound->WriteStreamBlock(&engine);
            ++k;
        }
        if (auto* place = dynamic_cast<TFlashPlaceObject*>(o))
            place->GetTag().SetSWFVersion(static_cast<uint8_t>(version));
        o->WriteToStream(&engine);
    }
    // Every body ends with an End tag; an empty movie is an End tag alone.
    if (FObjects.empty() || !dynamic_cast<TSWFEnd*>(FObjects.back().get()))
        engine.WriteWord(0);
    SetFrameCount(static_cast<uint16_t>(k));
    if (version > GetVersion())
        SetVersion(static_cast<uint8_t>(version));
    FBodyCurrent = true;
}

} // namespace swf
