// DoAction (tag 12): an action list that runs when its frame is reached; DoInitAction (tag 59): one that
// initialises a sprite.
#pragma once

#include "swf/SWFActions.h"
#include "swf/SWFTags.h"

#include <memory>

namespace swf {

class TSWFDoAction : public TSWFObject {
public:
    // With a list of its own.
    TSWFDoAction();
    // Over an existing list, which the tag does not own.
    explicit TSWFDoAction(TSWFActionList* list);
    // Gives the tag its own copy of the source's actions.
    void Assign(TBasedSWFObject* source) override;
    // The largest version of its actions, at least 3.
    int32_t MinVersion() const override;
    // Raises for a body shorter than its fixed fields or byte code that runs past the body.
    void ReadFromStream(TBitsEngine* engine) override;
    // The actions, then a 0 byte.
    void WriteTagBody(TBitsEngine* engine) override;

    TSWFActionList& GetActions() { return *FActions; }
    const TSWFActionList& GetActions() const { return *FActions; }
    bool GetOwnsActions() const { return FOwnsActions; }
    // Reading parses the actions when set; otherwise the body is kept as one raw byte-code action.
    bool GetParseActions() const { return FParseActions; }
    void SetParseActions(bool v) { FParseActions = v; }

protected:
    // The bytes before the actions.
    virtual uint32_t FixedFieldsSize() const { return 0; }
    virtual void ReadFixedFields(TBitsEngine*) {}
    virtual void WriteFixedFields(TBitsEngine*) {}

private:
    std::unique_ptr<TSWFActionList> FOwnedList;
    TSWFActionList* FActions;
    uint8_t FOwnsActions = 1;
    uint8_t FParseActions = 0;
};

class TSWFDoInitAction : public TSWFDoAction {
public:
    TSWFDoInitAction();
    explicit TSWFDoInitAction(TSWFActionList* list);
    void Assign(TBasedSWFObject* source) override;
    int32_t MinVersion() const override { return 6; }
    uint16_t GetSpriteID() const { return FSpriteID; }
    void SetSpriteID(uint16_t v) { FSpriteID = v; }

protected:
    uint32_t FixedFieldsSize() const override { return 2; }
    void ReadFixedFields(TBitsEngine* engine) override;
    void WriteFixedFields(TBitsEngine* engine) override;

private:
    uint16_t FSpriteID = 0;
};

} // namespace swf
