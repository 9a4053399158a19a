#include "swf/SWFPlaceObject.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <algorithm>

namespace swf {

void TSWFClipActionRecord::SetKeyCode(uint8_t k) {
    FKeyCode = k;
    if (k != 0)
        FEventFlags |= ceKeyPress;
    else
        FEventFlags &= ~uint32_t(ceKeyPress);
}

TSWFClipActionRecord* TSWFClipActions::AddRecord(uint32_t flags, uint8_t keyCode) {
    auto record = std::make_unique<TSWFClipActionRecord>();
    record->SetEventFlags(flags);
    if (keyCode != 0)
        record->SetKeyCode(keyCode);
    FAllEventFlags |= record->GetEventFlags();
    FRecords.push_back(std::move(record));
    return FRecords.back().get();
}

void TSWFClipActions::Assign(const TSWFClipActions& source) {
    if (&source == this)
        return;
    FAllEventFlags = source.FAllEventFlags;
    FRecords.clear();
    for (auto& r : source.FRecords) {
        auto copy = std::make_unique<TSWFClipActionRecord>();
        copy->SetEventFlags(r->GetEventFlags());
        copy->SetKeyCode(r->GetKeyCode());
        copy->SetEventFlags(r->GetEventFlags());
        CopyActionList(*r, *copy);
        FRecords.push_back(std::move(copy));
    }
}

void TSWFBasedPlaceObject::Assign(TBasedSWFObject* source) {
    TSWFObject::Assign(source);
    if (auto* s = dynamic_cast<TSWFBasedPlaceObject*>(source)) {
        FCharacterID = s->FCharacterID;
        FDepth = s->FDepth;
    }
}

TSWFPlaceObject2::TSWFPlaceObject2() {
    FTagID = tagPlaceObject2;
}

TSWFPlaceObject2::~TSWFPlaceObject2() = default;

void TSWFPlaceObject2::SetCharacterID(uint16_t id) {
    FCharacterID = id;
    HasCharacter = true;
}

TSWFClipActions& TSWFPlaceObject2::GetClipActions() {
    if (!FClipActions) {
        FClipActions = std::make_unique<TSWFClipActions>();
        HasClipActions = true;
    }
    return *FClipActions;
}

TSWFColorTransform& TSWFPlaceObject2::GetColorTransform() {
    if (!FColorTransform) {
        FColorTransform = std::make_unique<TSWFColorTransform>();
        FColorTransform->SetHasAlpha(true);
    }
    HasColorTransform = true;
    return *FColorTransform;
}

TSWFMatrix& TSWFPlaceObject2::GetMatrix() {
    if (!FMatrix)
        FMatrix = std::make_unique<TSWFMatrix>();
    HasMatrix = true;
    return *FMatrix;
}

void TSWFPlaceObject2::SetClipDepth(uint16_t v) {
    FClipDepth = v;
    HasClipDepth = true;
}

void TSWFPlaceObject2::SetName(const std::string& v) {
    FName = v;
    HasName = !v.empty();
}

void TSWFPlaceObject2::SetRatio(uint16_t v) {
    FRatio = v;
    HasRatio = true;
}

bool TSWFPlaceObject2::NeedsLongEventFlags() const {
    // Events above bit 15 (Construct, KeyPress, DragOut) exist only in the 32-bit flags of version 6;
    // in 16-bit flags such a record would read as the end of the list.
    return FClipActions && (FClipActions->GetAllEventFlags() & 0xFFFF0000u);
}

int32_t TSWFPlaceObject2::ClipActionsVersion() const {
    if (!HasClipActions)
        return 0;
    int32_t v = NeedsLongEventFlags() ? 6 : 5;
    // The handlers' actions need their own versions too.
    if (FClipActions)
        for (auto& record : FClipActions->GetRecords())
            v = record->MaxVersion(v);
    return v;
}

int32_t TSWFPlaceObject2::MinVersion() const {
    if (!HasClipActions)
        return 3;
    return std::max<int32_t>(FSWFVersion < 6 ? 0 : FSWFVersion, ClipActionsVersion());
}

void TSWFPlaceObject2::Assign(TBasedSWFObject* source) {
    TSWFBasedPlaceObject::Assign(source);
    auto* s = dynamic_cast<TSWFPlaceObject2*>(source);
    if (!s || s == this)
        return;
    HasCharacter = s->HasCharacter;
    HasClipActions = s->HasClipActions;
    HasClipDepth = s->HasClipDepth;
    HasColorTransform = s->HasColorTransform;
    HasMatrix = s->HasMatrix;
    HasName = s->HasName;
    HasRatio = s->HasRatio;
    FClipDepth = s->FClipDepth;
    FName = s->FName;
    FMove = s->FMove;
    FRatio = s->FRatio;
    FSWFVersion = s->FSWFVersion;
    FParseActions = s->FParseActions;
    FClipActions.reset();
    if (s->FClipActions) {
        FClipActions = std::make_unique<TSWFClipActions>();
        FClipActions->Assign(*s->FClipActions);
    }
    FColorTransform.reset();
    if (s->FColorTransform)
        FColorTransform = std::make_unique<TSWFColorTransform>(*s->FColorTransform);
    FMatrix.reset();
    if (s->FMatrix)
        FMatrix = std::make_unique<TSWFMatrix>(*s->FMatrix);
}

void TSWFPlaceObject2::WriteEventFlags(TBitsEngine* engine, uint32_t flags) {
    for (int bit = 0; bit < 16; ++bit)
        engine->WriteBit((flags >> bit) & 1);
    if (FSWFVersion >= 6) {
        engine->WriteBits(0, 5);
        for (int bit = 16; bit < 19; ++bit)
            engine->WriteBit((flags >> bit) & 1);
        engine->WriteByte(0);
    }
}

uint32_t TSWFPlaceObject2::ReadEventFlags(TBitsEngine* engine) {
    uint32_t flags = 0;
    for (int bit = 0; bit < 16; ++bit)
        flags |= engine->ReadBits(1) << bit;
    if (FSWFVersion >= 6) {
        engine->ReadBits(5);
        for (int bit = 16; bit < 19; ++bit)
            flags |= engine->ReadBits(1) << bit;
        engine->ReadBits(8);
    }
    return flags;
}

void TSWFPlaceObject2::WriteTagBody(TBitsEngine* engine) {
    bool writeActions = HasClipActions && FClipActions && !FClipActions->GetRecords().empty();
    engine->WriteBit(writeActions);
    engine->WriteBit(HasClipDepth);
    engine->WriteBit(HasName);
    engine->WriteBit(HasRatio);
    engine->WriteBit(HasColorTransform);
    engine->WriteBit(HasMatrix);
    engine->WriteBit(HasCharacter);
    engine->WriteBit(FMove);
    engine->WriteWord(FDepth);
    if (HasCharacter)
        engine->WriteWord(FCharacterID);
    if (HasMatrix)
        engine->WriteMatrix(GetMatrix().ToRecord());
    if (HasColorTransform)
        engine->WriteColorTransform(GetColorTransform().ToRecord());
    if (HasRatio)
        engine->WriteWord(FRatio);
    if (HasName)
        engine->WriteString(FName, true, false);
    if (HasClipDepth)
        engine->WriteWord(FClipDepth);
    if (!writeActions)
        return;
    if (FSWFVersion < MinVersion())
        FSWFVersion = static_cast<uint8_t>(MinVersion());
    engine->WriteWord(0);
    WriteEventFlags(engine, FClipActions->GetAllEventFlags());
    vcl::TStream* s = engine->GetStream();
    for (auto& record : FClipActions->GetRecords()) {
        WriteEventFlags(engine, record->GetEventFlags());
        int64_t sizeAt = s->GetPosition();
        engine->WriteDWord(0);
        if (record->GetEventFlags() & ceKeyPress)
            engine->WriteByte(record->GetKeyCode());
        record->WriteToStream(engine);
        // The action list ends with a 0 byte unless it ends in raw byte code whose last byte is 0.
        bool ended = false;
        if (record->Count() > 0)
            if (auto* code = dynamic_cast<TSWFActionByteCode*>(record->GetAction(record->Count() - 1)))
                ended = !code->GetData().empty() && code->GetData().back() == 0;
        if (!ended)
            engine->WriteByte(0);
        int64_t end = s->GetPosition();
        s->SetPosition(sizeAt);
        engine->WriteDWord(static_cast<uint32_t>(end - sizeAt - 4));
        s->SetPosition(end);
    }
    if (FSWFVersion >= 6)
        engine->WriteDWord(0);
    else
        engine->WriteWord(0);
}

void TSWFPlaceObject2::ReadFromStream(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    int64_t end = s->GetPosition() + FBodySize;
    uint8_t flags = engine->ReadByte();
    bool clipActions = flags & 0x80;
    HasClipDepth = flags & 0x40;
    HasName = flags & 0x20;
    HasRatio = flags & 0x10;
    HasColorTransform = flags & 0x08;
    HasMatrix = flags & 0x04;
    HasCharacter = flags & 0x02;
    FMove = flags & 0x01;
    FDepth = engine->ReadWord();
    if (HasCharacter)
        FCharacterID = engine->ReadWord();
    if (HasMatrix)
        GetMatrix().FromRecord(engine->ReadMatrix());
    if (HasColorTransform)
        GetColorTransform().FromRecord(engine->ReadColorTransform(true));
    if (HasRatio)
        FRatio = engine->ReadWord();
    if (HasName)
        FName = engine->ReadString();
    if (HasClipDepth)
        FClipDepth = engine->ReadWord();
    if (clipActions) {
        TSWFClipActions& actions = GetClipActions();
        engine->ReadWord();
        ReadEventFlags(engine);
        for (;;) {
            uint32_t eventFlags = ReadEventFlags(engine);
            if (eventFlags == 0)
                break;
            int64_t size = engine->ReadDWord();
            if (size > end - s->GetPosition())
                throw vcl::EReadError("Clip action record runs past the end of the tag");
            const int64_t recordEnd = s->GetPosition() + size;
            TSWFClipActionRecord* record = actions.AddRecord(eventFlags);
            if (eventFlags & ceKeyPress) {
                if (size < 1)
                    throw vcl::EReadError("Clip action record is shorter than its key code");
                record->SetKeyCode(engine->ReadByte());
                --size;
            }
            if (FParseActions) {
                ReadActionList(engine, *record, static_cast<uint32_t>(size));
                s->SetPosition(recordEnd);
            } else if (size > 0) {
                auto code = std::make_shared<TSWFActionByteCode>();
                code->GetData().resize(static_cast<size_t>(size));
                s->ReadBuffer(code->GetData().data(), static_cast<int32_t>(size));
                record->Add(std::shared_ptr<TSWFAction>(code));
            }
        }
        if (actions.GetRecords().empty())
            HasClipActions = false;
    }
    if (s->GetPosition() < end)
        s->SetPosition(end);
}

} // namespace swf
