// The movie-level wrapper of one PlaceObject2 tag: places a character of the movie at a depth. A video
// placement shows an embedded video: before every ShowFrame it writes that frame's video data, the matching
// block of the video's sound and the placement.
#pragma once

#include "swf/FlashMovie.h"
#include "swf/SWFActions.h"
#include "swf/SWFPlaceObject.h"

#include <functional>
#include <memory>

namespace swf {

class TFlashActionScript;
class TFlashVideo;

class TFlashPlaceObject : public TFlashObject {
public:
    // A placement of a sprite gets an action list and a script over it.
    TFlashPlaceObject(TFlashMovie* owner, uint16_t depth, TFlashIDObject* character);
    ~TFlashPlaceObject() override;
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override;
    void WriteToStream(TBitsEngine* engine) override;

    virtual uint16_t GetCharacterID() const { return FTag.GetCharacterID(); }
    TFlashIDObject* GetCharacter() const { return FCharacter; }
    // The tag's colour transform, created with alpha on first use.
    TSWFColorTransform& GetColorTransform();
    void SetMove(bool v);
    void SetRatio(uint16_t r);
    // Access to the tag for changes: the movie renders itself again before it is saved.
    TSWFPlaceObject2& GetTag() {
        Changed();
        return FTag;
    }
    // Only for sprites; none otherwise.
    TSWFActionList* GetActions() const { return FActions.get(); }
    TFlashActionScript* GetScript() const { return FScript.get(); }

private:
    TFlashIDObject* FCharacter;
    TSWFPlaceObject2 FTag;
    std::unique_ptr<TSWFActionList> FActions;
    std::unique_ptr<TFlashActionScript> FScript;
};

// What a video placement tells its events: the frame within the video, the video's identifier, the depth.
struct TFlashVideoFrameInfo {
    uint32_t Frame = 0;
    uint16_t CharacterID = 0;
    uint16_t Depth = 0;
};

class TFlashPlaceVideo;
using TFlashPlaceFrameEvent =
    std::function<void(TBitsEngine* engine, const TFlashVideoFrameInfo& info, TFlashPlaceObject* placement)>;
using TFlashWriteFrameEvent = std::function<void(TBitsEngine* engine, const TFlashVideoFrameInfo& info)>;

class TFlashPlaceVideo : public TFlashPlaceObject {
public:
    TFlashPlaceVideo(TFlashMovie* owner, uint16_t depth, TFlashVideo* video);
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 3; }
    uint16_t GetCharacterID() const override;
    // Writes the data of movie frame k: nothing before StartFrame or, without Loop, after the video's last
    // frame. With HasSound the first frame writes a stream head and every frame a block of the video's MP3
    // packets; audio in another format raises "Unsupported sound format".
    void WriteFrame(TBitsEngine* engine, int32_t k);

    TFlashVideo* GetVideo() const { return FVideo; }
    bool GetLoop() const { return FLoop; }
    void SetLoop(bool v) { FLoop = v; }
    bool GetHasSound() const { return FHasSound; }
    void SetHasSound(bool v) { FHasSound = v; }
    uint16_t GetStartFrame() const { return FStartFrame; }
    void SetStartFrame(uint16_t v) { FStartFrame = v; }
    int32_t GetSampleRate() const { return FSampleRate; }
    int32_t GetSoundBlockIndex() const { return FSoundBlockIndex; }
    int32_t GetSampleCarry() const { return FSampleCarry; }
    int32_t GetSamplesPerFrame() const { return FSamplesPerFrame; }
    int32_t GetSamplesPerMP3Frame() const { return FSamplesPerMP3Frame; }

    TFlashPlaceFrameEvent OnPlaceFrame;
    TFlashWriteFrameEvent OnWriteFrame;

private:
    void WriteSoundHead(TBitsEngine* engine);
    void WriteSoundBlock(TBitsEngine* engine, bool first);
    void WriteVideoFrame(TBitsEngine* engine, uint32_t frame);

    TFlashVideo* FVideo;
    uint8_t FLoop = 1;
    uint8_t FHasSound = 0;
    uint16_t FStartFrame = 0;
    int32_t FSampleRate = 0;
    int32_t FSoundBlockIndex = 0;
    int32_t FSampleCarry = 0;
    int32_t FSamplesPerFrame = 0;
    int32_t FSamplesPerMP3Frame = 0;
};

} // namespace swf
