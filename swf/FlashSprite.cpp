#include "swf/FlashSprite.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "swf/FlashActionScript.h"
#include "swf/FlashPlacement.h"
#include "swf/FlashSound.h"
#include "swf/FlashVideo.h"
#include "swf/SWFDoAction.h"
#include "swf/SWFSoundTags.h"

#include <algorithm>

namespace swf {

TFlashSprite::TFlashSprite(TFlashMovie* owner) : TFlashVisualObject(owner) {
    if (owner)
        SetCharacterID(owner->TakeCharacterID());
}

TFlashSprite::~TFlashSprite() = default;

void TFlashSprite::SetCharacterID(uint16_t id) {
    TFlashVisualObject::SetCharacterID(id);
    FSpriteID = id;
}

void TFlashSprite::AddObject(std::unique_ptr<TBasedSWFObject> o) {
    FTimeline.push_back(std::move(o));
    Changed();
}

TFlashPlaceObject* TFlashSprite::PlaceObject(TFlashIDObject* character, uint16_t depth) {
    auto place = std::make_unique<TFlashPlaceObject>(GetOwner(), depth, character);
    TFlashPlaceObject* result = place.get();
    AddObject(std::move(place));
    return result;
}

TFlashPlaceVideo* TFlashSprite::PlaceVideo(TFlashVideo* video, uint16_t depth) {
    FVideos.push_back(std::make_unique<TFlashPlaceVideo>(GetOwner(), depth, video));
    Changed();
    return FVideos.back().get();
}

TFlashPlaceVideo* TFlashSprite::GetVideo(int32_t index) const {
    return index >= 0 && index < VideoCount() ? FVideos[size_t(index)].get() : nullptr;
}

void TFlashSprite::ShowFrame(int32_t count) {
    if (count < 1)
        count = 1;
    if (FFrameCount + count > 0xFFFF)
        throw vcl::ERangeError("A sprite holds at most 65535 frames");
    FFrameCount = static_cast<uint16_t>(FFrameCount + count);
    if (FPendingObject)
        AddObject(std::move(FPendingObject));
    if (!FPendingLabel.empty()) {
        AddObject(std::make_unique<TSWFFrameLabel>(FPendingLabel));
        FPendingLabel.clear();
    }
    for (int32_t i = 0; i < count; ++i)
        AddObject(std::make_unique<TSWFShowFrame>());
    FCurrentFrame = FFrameCount - 1;
    FLastObjectIndex = static_cast<int32_t>(FTimeline.size()) - 1;
}

TFlashSound* TFlashSprite::GetSoundStream() {
    if (!FSoundStream)
        FSoundStream = std::make_unique<TFlashSound>(GetOwner());
    FHasSoundStream = 1;
    Changed();
    return FSoundStream.get();
}

TFlashActionScript* TFlashSprite::GetInitScript() {
    if (!FInitScript)
        FInitScript = std::make_unique<TFlashActionScript>(GetOwner());
    Changed();
    return FInitScript.get();
}

int32_t TFlashSprite::MinVersion() const {
    int32_t v = 3;
    for (auto& o : FTimeline)
        v = std::max(v, o->MinVersion());
    if (FHasSoundStream && FSoundStream && !FSoundStream->GetFileName().empty())
        v = std::max(v, FSoundStream->MinVersion());
    if (FInitScript)
        v = std::max({v, FInitScript->MinVersion(), 6});
    return v;
}

void TFlashSprite::Assign(TBasedSWFObject* source) {
    TFlashVisualObject::Assign(source);
    auto* s = dynamic_cast<TFlashSprite*>(source);
    if (!s || s == this)
        return;
    FFrameCount = s->FFrameCount;
    FCurrentFrame = s->FCurrentFrame;
    FLastObjectIndex = s->FLastObjectIndex;
    FPendingLabel = s->FPendingLabel;
    FHasSoundStream = s->FHasSoundStream;
    // The timeline's objects are made anew as their own kinds and assigned.
    FTimeline.clear();
    for (auto& o : s->FTimeline) {
        std::unique_ptr<TBasedSWFObject> copy;
        if (dynamic_cast<TSWFShowFrame*>(o.get()))
            copy = std::make_unique<TSWFShowFrame>();
        else if (dynamic_cast<TSWFEnd*>(o.get()))
            copy = std::make_unique<TSWFEnd>();
        else if (dynamic_cast<TSWFFrameLabel*>(o.get()))
            copy = std::make_unique<TSWFFrameLabel>();
        else if (dynamic_cast<TSWFSetBackgroundColor*>(o.get()))
            copy = std::make_unique<TSWFSetBackgroundColor>();
        else if (dynamic_cast<TSWFDoInitAction*>(o.get()))
            copy = std::make_unique<TSWFDoInitAction>();
        else if (auto* video = dynamic_cast<TFlashPlaceVideo*>(o.get()))
            copy = std::make_unique<TFlashPlaceVideo>(GetOwner(), video->GetTag().GetDepth(), video->GetVideo());
        else if (auto* place = dynamic_cast<TFlashPlaceObject*>(o.get()))
            copy = std::make_unique<TFlashPlaceObject>(GetOwner(), place->GetTag().GetDepth(), place->GetCharacter());
        else if (dynamic_cast<TFlashActionScript*>(o.get()))
            copy = std::make_unique<TFlashActionScript>(GetOwner());
        else if (dynamic_cast<TSWFDoAction*>(o.get()))
            copy = std::make_unique<TSWFDoAction>();
        else
            throw vcl::EConvertError("A sprite cannot copy a timeline object of class " + o->ClassName());
        copy->Assign(o.get());
        FTimeline.push_back(std::move(copy));
    }
    if (s->FSoundStream) {
        FSoundStream = std::make_unique<TFlashSound>(GetOwner());
        FSoundStream->Assign(s->FSoundStream.get());
    }
    if (s->FInitScript) {
        GetInitScript()->Assign(s->FInitScript.get());
    }
    FVideos.clear();
    for (auto& v : s->FVideos) {
        auto copy = std::make_unique<TFlashPlaceVideo>(GetOwner(), v->GetTag().GetDepth(), v->GetVideo());
        copy->Assign(v.get());
        FVideos.push_back(std::move(copy));
    }
    Changed();
}

void TFlashSprite::WriteToStream(TBitsEngine* engine) {
    if (FFrameCount == 0)
        ShowFrame(1);
    vcl::TMemoryStream body;
    TBitsEngine bodyEngine(&body);
    bodyEngine.WriteWord(FSpriteID);
    bodyEngine.WriteWord(FFrameCount);
    TFlashMovie* movie = GetOwner();
    const bool sound = FHasSoundStream && FSoundStream && !FSoundStream->GetFileName().empty();
    if (sound) {
        if (!movie)
            throw vcl::ERangeError("A sprite's stream sound needs the movie's frame rate");
        TSWFSoundStreamHead2 head;
        FSoundStream->FillStreamHead(head, movie->GetFrameRate());
        head.WriteToStream(&bodyEngine);
    }
    int32_t k = 0;
    for (auto& o : FTimeline) {
        if (auto* place = dynamic_cast<TFlashPlaceObject*>(o.get()); place && movie)
            place->GetTag().SetSWFVersion(movie->GetVersion());
        auto* tag = o->LibraryLevel() == 0 ? dynamic_cast<TSWFObject*>(o.get()) : nullptr;
        if (tag && tag->GetTagID() == tagShowFrame) {
            for (auto& v : FVideos)
                v->WriteFrame(&bodyEngine, k);
            if (sound && FSoundStream->GetStartFrame() <= k)
                FSoundStream->WriteStreamBlock(&bodyEngine);
            ++k;
        }
        o->WriteToStream(&bodyEngine);
    }
    if (FTimeline.empty() || !dynamic_cast<TSWFEnd*>(FTimeline.back().get()))
        bodyEngine.WriteWord(0);
    bodyEngine.FlushBits(true);
    engine->FlushBits(true);
    WriteTag(engine->GetStream(), tagDefineSprite, &body);
    if (FInitScript) {
        TSWFDoInitAction init(&FInitScript->GetActions());
        init.SetSpriteID(FSpriteID);
        init.WriteToStream(engine);
    }
}

} // namespace swf
