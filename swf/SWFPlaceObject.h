// PlaceObject2: puts a character on the display list at a depth, or changes the one already there (matrix,
// colour transform, ratio, name, clip depth and, for sprites, clip actions).
#pragma once

#include "swf/SWFActions.h"
#include "swf/SWFTags.h"

#include <memory>
#include <vector>

namespace swf {

// Clip event bits; the stream holds bit 0 first.
enum : uint32_t {
    ceKeyUp = 1u << 0,
    ceKeyDown = 1u << 1,
    ceMouseUp = 1u << 2,
    ceMouseDown = 1u << 3,
    ceMouseMove = 1u << 4,
    ceUnload = 1u << 5,
    ceEnterFrame = 1u << 6,
    ceLoad = 1u << 7,
    ceDragOver = 1u << 8,
    ceRollOut = 1u << 9,
    ceRollOver = 1u << 10,
    ceReleaseOutside = 1u << 11,
    ceRelease = 1u << 12,
    cePress = 1u << 13,
    ceInitialize = 1u << 14,
    ceData = 1u << 15,
    ceConstruct = 1u << 16,
    ceKeyPress = 1u << 17,
    ceDragOut = 1u << 18,
};

// One event handler of a sprite placement: the actions it runs.
class TSWFClipActionRecord : public TSWFActionList {
public:
    uint32_t GetEventFlags() const { return FEventFlags; }
    void SetEventFlags(uint32_t v) { FEventFlags = v; }
    uint8_t GetKeyCode() const { return FKeyCode; }
    // A key code other than 0 turns on the key-press event; 0 turns it off.
    void SetKeyCode(uint8_t k);

private:
    uint32_t FEventFlags = 0;
    uint8_t FKeyCode = 0;
};

class TSWFClipActions {
public:
    TSWFClipActionRecord* AddRecord(uint32_t flags, uint8_t keyCode = 0);
    uint32_t GetAllEventFlags() const { return FAllEventFlags; }
    std::vector<std::unique_ptr<TSWFClipActionRecord>>& GetRecords() { return FRecords; }
    void Assign(const TSWFClipActions& source);

private:
    std::vector<std::unique_ptr<TSWFClipActionRecord>> FRecords;
    uint32_t FAllEventFlags = 0;
};

class TSWFBasedPlaceObject : public TSWFObject {
public:
    void Assign(TBasedSWFObject* source) override;
    uint16_t GetCharacterID() const { return FCharacterID; }
    virtual void SetCharacterID(uint16_t id) { FCharacterID = id; }
    uint16_t GetDepth() const { return FDepth; }
    void SetDepth(uint16_t v) { FDepth = v; }

protected:
    uint16_t FCharacterID = 0;
    uint16_t FDepth = 0;
};

class TSWFPlaceObject2 : public TSWFBasedPlaceObject {
public:
    TSWFPlaceObject2();
    ~TSWFPlaceObject2() override;
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override;
    void ReadFromStream(TBitsEngine* engine) override;
    void WriteTagBody(TBitsEngine* engine) override;

    void SetCharacterID(uint16_t id) override;
    // Each getter creates the object on first use and turns on its flag.
    TSWFClipActions& GetClipActions();
    TSWFColorTransform& GetColorTransform();
    TSWFMatrix& GetMatrix();
    uint16_t GetClipDepth() const { return FClipDepth; }
    void SetClipDepth(uint16_t v);
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& v);
    uint16_t GetRatio() const { return FRatio; }
    void SetRatio(uint16_t v);
    uint8_t GetSWFVersion() const { return FSWFVersion; }
    // Reading parses clip actions into actions when set; otherwise each record keeps one raw byte-code
    // action.
    bool GetParseActions() const { return FParseActions; }
    void SetParseActions(bool v) { FParseActions = v; }
    void SetSWFVersion(uint8_t v) { FSWFVersion = v; }
    bool GetMove() const { return FMove; }
    // Whether a clip action listens to an event that only the 32-bit flags of version 6 can hold.
    bool NeedsLongEventFlags() const;
    // The version clip actions need whatever version they are written for: 5, 6 for the 32-bit event
    // flags, or more for their actions; 0 without clip actions.
    int32_t ClipActionsVersion() const;
    void SetMove(bool v) { FMove = v; }

    bool HasCharacter = false;
    bool HasClipActions = false;
    bool HasClipDepth = false;
    bool HasColorTransform = false;
    bool HasMatrix = false;
    bool HasName = false;
    bool HasRatio = false;

private:
    void WriteEventFlags(TBitsEngine* engine, uint32_t flags);
    uint32_t ReadEventFlags(TBitsEngine* engine);
    std::unique_ptr<TSWFClipActions> FClipActions;
    uint16_t FClipDepth = 0;
    std::unique_ptr<TSWFColorTransform> FColorTransform;
    std::unique_ptr<TSWFMatrix> FMatrix;
    std::string FName;
    uint8_t FMove = 0;
    uint16_t FRatio = 0;
    uint8_t FSWFVersion = 3;
    uint8_t FParseActions = 0;
};

} // namespace swf
