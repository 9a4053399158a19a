// A movie clip: a character with its own timeline of placements and frames, an optional stream sound and
// video placements, written as one DefineSprite tag holding the inner tags, then a DoInitAction for its
// initialisation script.
#pragma once

#include "swf/FlashShape.h"

#include <memory>
#include <string>
#include <vector>

namespace swf {

class TFlashActionScript;
class TFlashPlaceObject;
class TFlashPlaceVideo;
class TFlashSound;
class TFlashVideo;

class TFlashSprite : public TFlashVisualObject {
public:
    // Made with its owner movie, whose next character identifier it takes.
    explicit TFlashSprite(TFlashMovie* owner);
    ~TFlashSprite() override;
    void Assign(TBasedSWFObject* source) override;
    // The largest version of its timeline's objects (and of its sound and init script), at least 3.
    int32_t MinVersion() const override;
    void WriteToStream(TBitsEngine* engine) override;
    void SetCharacterID(uint16_t id) override;

    // The sprite's own timeline, which owns what is added to it.
    void AddObject(std::unique_ptr<TBasedSWFObject> o);
    TFlashPlaceObject* PlaceObject(TFlashIDObject* character, uint16_t depth);
    TFlashPlaceVideo* PlaceVideo(TFlashVideo* video, uint16_t depth);
    // Closes count frames (0 counts as 1), after the pending object and label.
    void ShowFrame(int32_t count = 1);
    void SetPendingObject(std::unique_ptr<TBasedSWFObject> o) { FPendingObject = std::move(o); }
    void SetPendingLabel(const std::string& v) { FPendingLabel = v; }

    // Created on first use (with no file), which turns the stream sound on.
    TFlashSound* GetSoundStream();
    bool GetHasSoundStream() const { return FHasSoundStream; }
    void SetHasSoundStream(bool v) { FHasSoundStream = v; }
    // Created on first use.
    TFlashActionScript* GetInitScript();
    uint16_t GetFrameCount() const { return FFrameCount; }
    uint16_t GetSpriteID() const { return FSpriteID; }
    int32_t GetCurrentFrame() const { return FCurrentFrame; }
    int32_t GetLastObjectIndex() const { return FLastObjectIndex; }
    const std::vector<std::unique_ptr<TBasedSWFObject>>& GetTimeline() const { return FTimeline; }
    int32_t VideoCount() const { return static_cast<int32_t>(FVideos.size()); }
    // None for an index out of range.
    TFlashPlaceVideo* GetVideo(int32_t index) const;

private:
    std::unique_ptr<TFlashSound> FSoundStream;
    uint8_t FHasSoundStream = 0;
    int32_t FCurrentFrame = -1;
    int32_t FLastObjectIndex = -1;
    std::unique_ptr<TBasedSWFObject> FPendingObject;
    std::string FPendingLabel;
    std::unique_ptr<TFlashActionScript> FInitScript;
    std::vector<std::unique_ptr<TBasedSWFObject>> FTimeline;
    uint16_t FFrameCount = 0;
    uint16_t FSpriteID = 0;
    std::vector<std::unique_ptr<TFlashPlaceVideo>> FVideos;
};

} // namespace swf
