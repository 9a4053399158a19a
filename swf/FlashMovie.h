// The high-level movie: hands out character identifiers, keeps the ordered list of everything that goes
// into the movie (characters, placements, frames) and renders that list into the SWF body.
#pragma once

#include "swf/SWFRecords.h"
#include "swf/SWFStreams.h"
#include "swf/SWFTags.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace swf {

class TFlashMovie;
class TFlashImage;
class TFlashShape;
class TFlashPlaceObject;
class TFlashPlaceVideo;
class TFlashSound;
class TFlashSprite;
class TFlashVideo;

// A movie object: library level 1, owned by the movie's object list.
class TFlashObject : public TBasedSWFObject {
public:
    explicit TFlashObject(TFlashMovie* owner) : FOwner(owner) {}
    int32_t LibraryLevel() const override { return 1; }
    void Assign(TBasedSWFObject* source) override;
    TFlashMovie* GetOwner() const { return FOwner; }
    void SetOwner(TFlashMovie* m);

protected:
    virtual void OwnerChanged() {}
    // Tells the owner movie that its rendered body no longer matches its objects.
    void Changed();
    TFlashMovie* FOwner;
};

// A movie object that is a character, with an identifier.
class TFlashIDObject : public TFlashObject {
public:
    using TFlashObject::TFlashObject;
    void Assign(TBasedSWFObject* source) override;
    virtual uint16_t GetCharacterID() const { return FCharacterID; }
    virtual void SetCharacterID(uint16_t id) { FCharacterID = id; }

protected:
    uint16_t FCharacterID = 0;
};

using TFlashLoadImageEvent =
    std::function<void(TFlashImage* image, const std::string& fileName, bool& doDefault)>;

class TFlashMovie : public TBasedSWFStream {
public:
    // Coordinates in pixels when inPixels, else in twips.
    TFlashMovie(int32_t xMin, int32_t yMin, int32_t xMax, int32_t yMax, double rate, bool inPixels);
    ~TFlashMovie() override;

    // Adds o at the insert position (see SetInsertMode) or at the end; the movie owns it from then on.
    void AddObject(std::unique_ptr<TBasedSWFObject> o);
    // A new image character, loading fileName when it is not empty.
    TFlashImage* AddImage(const std::string& fileName = {});
    // Adds the given shape (a new one when none) as a character.
    TFlashShape* AddShape(std::unique_ptr<TFlashShape> shape = nullptr);
    // A rectangle shape in the movie's units.
    TFlashShape* AddRectangle(int32_t left, int32_t top, int32_t right, int32_t bottom);
    TFlashPlaceObject* PlaceObject(TFlashIDObject* character, uint16_t depth);
    // A new sprite with the next character identifier, added to the object list.
    TFlashSprite* AddSprite();
    // A video placement, written frame by frame before each ShowFrame; the video character itself goes into
    // the object list like any other character.
    TFlashPlaceVideo* PlaceVideo(TFlashVideo* video, uint16_t depth);
    int32_t VideoCount() const { return static_cast<int32_t>(FVideos.size()); }
    // None for an index out of range.
    TFlashPlaceVideo* GetVideo(int32_t index) const;
    // Hands out the next character identifier; raises when none is left.
    uint16_t TakeCharacterID();
    // Closes count frames (0 counts as 1), after the pending label and object.
    void ShowFrame(int32_t count = 1);
    void MakeStream() override;

    TSWFRGB& GetBackgroundColor();
    // The stream sound, created on first use with looping on; asking for it turns it on.
    TFlashSound* GetSoundStream();
    bool GetHasSoundStream() const { return FHasSoundStream; }
    void SetHasSoundStream(bool v) {
        FHasSoundStream = v;
        Changed();
    }
    bool GetHasBackgroundColor() const { return FHasBackgroundColor; }
    uint16_t GetNextCharacterID() const { return FNextCharacterID; }
    int32_t GetCurrentFrame() const { return FCurrentFrame; }
    const std::vector<TFlashImage*>& GetImageList() const { return FImageList; }
    const std::vector<TFlashShape*>& GetShapeList() const { return FShapeList; }
    const std::vector<std::unique_ptr<TBasedSWFObject>>& GetObjects() const { return FObjects; }
    int32_t IndexOfObject(const TBasedSWFObject* o) const;
    // Moves the object at index from to index to, keeping the others in order.
    void MoveObject(int32_t from, int32_t to);

    bool GetInsertMode() const { return FInsertMode; }
    void SetInsertMode(bool v) { FInsertMode = v; }
    int32_t GetInsertIndex() const { return FInsertIndex; }
    void SetInsertIndex(int32_t v) { FInsertIndex = v; }
    void SetPendingObject(std::unique_ptr<TBasedSWFObject> o) { FPendingObject = std::move(o); }
    void SetPendingLabel(const std::string& v) { FPendingLabel = v; }
    // With Protect set the movie carries a Protect tag, holding Password's hash when it is not empty.
    const std::string& GetPassword() const { return FPassword; }
    void SetPassword(const std::string& v) {
        FPassword = v;
        Changed();
    }
    bool GetProtect() const { return FProtect; }
    void SetProtect(bool v) {
        FProtect = v;
        Changed();
    }

    TFlashLoadImageEvent OnLoadImage;

    // Marks the rendered body as out of date.
    void Changed() { FBodyCurrent = false; }

protected:
    bool IsBodyCurrent() const override { return FBodyCurrent; }

private:
    uint8_t FInsertMode = 0;
    int32_t FInsertIndex = -1;
    std::unique_ptr<TSWFRGB> FBackgroundColor;
    uint8_t FHasBackgroundColor = 0;
    std::unique_ptr<TFlashSound> FSoundStream;
    uint8_t FHasSoundStream = 0;
    std::vector<std::unique_ptr<TFlashPlaceVideo>> FVideos;
    uint16_t FNextCharacterID = 1;
    int32_t FCurrentFrame = -1;
    std::unique_ptr<TBasedSWFObject> FPendingObject;
    std::string FPendingLabel;
    std::vector<TFlashImage*> FImageList;
    std::vector<TFlashShape*> FShapeList;
    std::vector<std::unique_ptr<TBasedSWFObject>> FObjects;
    std::string FPassword;
    uint8_t FProtect = 0;
    bool FBodyCurrent = false;
};

} // namespace swf
