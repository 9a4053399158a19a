// The movie-level holder of an action list, written as a DoAction tag where it stands in the movie's
// object list; sprites and sprite placements keep their scripts in it too.
#pragma once

#include "swf/FlashMovie.h"
#include "swf/SWFActions.h"

#include <memory>

namespace swf {

class TFlashActionScript : public TFlashObject {
public:
    // With no list given the script makes and owns one; a given list stays its owner's.
    explicit TFlashActionScript(TFlashMovie* owner, TSWFActionList* list = nullptr);
    // Copies the source's actions into this script's list; branches of the copy point at its markers.
    void Assign(TBasedSWFObject* source) override;
    // The largest version of its actions, at least 1.
    int32_t MinVersion() const override;
    void WriteToStream(TBitsEngine* engine) override;

    // Access for changes: the movie renders itself again before it is saved.
    TSWFActionList& GetActions() {
        Changed();
        return *FActions;
    }
    const TSWFActionList& GetActions() const { return *FActions; }
    TSWFAction* GetAction(int32_t index) const { return FActions->GetAction(index); }
    bool GetOwnsActions() const { return FOwnsActions; }

private:
    std::unique_ptr<TSWFActionList> FOwnedList;
    TSWFActionList* FActions;
    uint8_t FOwnsActions;
};

} // namespace swf
