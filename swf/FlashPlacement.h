// The movie-level wrapper of one PlaceObject2 tag: places a character of the movie at a depth.
#pragma once

#include "swf/FlashMovie.h"
#include "swf/SWFPlaceObject.h"

namespace swf {

class TFlashPlaceObject : public TFlashObject {
public:
    TFlashPlaceObject(TFlashMovie* owner, uint16_t depth, TFlashIDObject* character);
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

private:
    TFlashIDObject* FCharacter;
    TSWFPlaceObject2 FTag;
};

} // namespace swf
