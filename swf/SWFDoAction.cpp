#include "swf/SWFDoAction.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

namespace swf {

TSWFDoAction::TSWFDoAction() : FOwnedList(std::make_unique<TSWFActionList>()), FActions(FOwnedList.get()) {
    FTagID = tagDoAction;
}

TSWFDoAction::TSWFDoAction(TSWFActionList* list) : FActions(list), FOwnsActions(0) {
    if (!list) {
        FOwnedList = std::make_unique<TSWFActionList>();
        FActions = FOwnedList.get();
        FOwnsActions = 1;
    }
    FTagID = tagDoAction;
}

void TSWFDoAction::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    auto* s = dynamic_cast<TSWFDoAction*>(source);
    if (!s || s == this)
        return;
    // A list the tag does not own belongs to someone else and stays as it is.
    auto copy = std::make_unique<TSWFActionList>();
    CopyActionList(*s->FActions, *copy);
    FOwnedList = std::move(copy);
    FActions = FOwnedList.get();
    FOwnsActions = 1;
    FParseActions = s->FParseActions;
}

int32_t TSWFDoAction::MinVersion() const {
    return FActions->MaxVersion(3);
}

void TSWFDoAction::ReadFromStream(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    const int64_t start = s->GetPosition();
    const uint32_t fixed = FixedFieldsSize();
    // The fixed fields and the closing 0 byte.
    if (FBodySize < fixed + 1)
        throw vcl::EReadError("The action tag's body is shorter than its fixed fields");
    if (start + int64_t(FBodySize) > s->GetSize())
        throw vcl::EReadError("The action tag's body runs past the end of its data");
    ReadFixedFields(engine);
    if (FParseActions) {
        ReadActionList(engine, *FActions, FBodySize - fixed);
    } else {
        auto code = std::make_shared<TSWFActionByteCode>();
        const uint32_t size = FBodySize - fixed - 1;
        code->GetData().resize(size);
        if (size > 0)
            s->ReadBuffer(code->GetData().data(), static_cast<int32_t>(size));
        FActions->Add(std::shared_ptr<TSWFAction>(code));
        engine->ReadByte();
    }
    s->SetPosition(start + FBodySize);
}

void TSWFDoAction::WriteTagBody(TBitsEngine* engine) {
    WriteFixedFields(engine);
    FActions->WriteToStream(engine);
    engine->WriteByte(0);
}

TSWFDoInitAction::TSWFDoInitAction() {
    FTagID = tagDoInitAction;
}

TSWFDoInitAction::TSWFDoInitAction(TSWFActionList* list) : TSWFDoAction(list) {
    FTagID = tagDoInitAction;
}

void TSWFDoInitAction::Assign(TBasedSWFObject* source) {
    TSWFDoAction::Assign(source);
    if (auto* s = dynamic_cast<TSWFDoInitAction*>(source))
        FSpriteID = s->FSpriteID;
}

void TSWFDoInitAction::ReadFixedFields(TBitsEngine* engine) {
    FSpriteID = engine->ReadWord();
}

void TSWFDoInitAction::WriteFixedFields(TBitsEngine* engine) {
    engine->WriteWord(FSpriteID);
}

} // namespace swf
