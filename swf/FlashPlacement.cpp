#include "swf/FlashPlacement.h"

namespace swf {

TFlashPlaceObject::TFlashPlaceObject(TFlashMovie* owner, uint16_t depth, TFlashIDObject* character)
    : TFlashObject(owner), FCharacter(character) {
    FTag.SetDepth(depth);
    if (character)
        FTag.SetCharacterID(character->GetCharacterID());
}

void TFlashPlaceObject::Assign(TBasedSWFObject* source) {
    TFlashObject::Assign(source);
    auto* s = dynamic_cast<TFlashPlaceObject*>(source);
    if (!s || s == this)
        return;
    FTag.Assign(&s->FTag);
    FCharacter = s->FCharacter;
    Changed();
}

int32_t TFlashPlaceObject::MinVersion() const {
    if (!FTag.HasClipActions)
        return 3;
    return FTag.ClipActionsVersion();
}

void TFlashPlaceObject::WriteToStream(TBitsEngine* engine) {
    FTag.WriteToStream(engine);
}

TSWFColorTransform& TFlashPlaceObject::GetColorTransform() {
    Changed();
    return FTag.GetColorTransform();
}

void TFlashPlaceObject::SetMove(bool v) {
    FTag.SetMove(v);
    Changed();
}

void TFlashPlaceObject::SetRatio(uint16_t r) {
    FTag.SetRatio(r);
    Changed();
}

} // namespace swf
