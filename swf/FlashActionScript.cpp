#include "swf/FlashActionScript.h"

#include "swf/SWFDoAction.h"

namespace swf {

TFlashActionScript::TFlashActionScript(TFlashMovie* owner, TSWFActionList* list)
    : TFlashObject(owner), FActions(list), FOwnsActions(list ? 0 : 1) {
    if (!list) {
        FOwnedList = std::make_unique<TSWFActionList>();
        FActions = FOwnedList.get();
    }
}

void TFlashActionScript::Assign(TBasedSWFObject* source) {
    TFlashObject::Assign(source);
    auto* s = dynamic_cast<TFlashActionScript*>(source);
    if (!s || s == this)
        return;
    FActions->Clear();
    CopyActionList(*s->FActions, *FActions);
    Changed();
}

int32_t TFlashActionScript::MinVersion() const {
    return FActions->MaxVersion(1);
}

void TFlashActionScript::WriteToStream(TBitsEngine* engine) {
    TSWFDoAction tag(FActions);
    tag.WriteToStream(engine);
}

} // namespace swf
