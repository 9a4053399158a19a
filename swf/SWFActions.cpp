#include "swf/SWFActions.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <cmath>
#include <cstring>
#include <limits>

namespace swf {

namespace {

// Zero-terminated strings cannot hold a 0 byte; writing one would cut the string and shift everything
// after it.
void ActionsWriteString(TBitsEngine* engine, const std::string& s) {
    if (s.find('\0') != std::string::npos)
        throw vcl::EWriteError("An action string holds a 0 byte");
    engine->WriteString(s, true, false);
}

template <typename T> const T* ActionsSame(const TSWFAction& source) {
    return dynamic_cast<const T*>(&source);
}

uint16_t ActionsCount(size_t n, const char* what) {
    if (n > 0xFFFF)
        throw vcl::EWriteError(std::string("Too many ") + what + " for one action");
    return static_cast<uint16_t>(n);
}

// A marker slot of an action: its own copy of the source's marker, which the list copy may re-point.
void ActionsCopyMarker(std::shared_ptr<TSWFOffsetMarker>& target, const std::shared_ptr<TSWFOffsetMarker>& source) {
    target.reset();
    if (source) {
        target = std::make_shared<TSWFOffsetMarker>();
        target->Assign(*source);
    }
}

TSWFOffsetMarker* ActionsMarker(std::shared_ptr<TSWFOffsetMarker>& slot) {
    if (!slot)
        slot = std::make_shared<TSWFOffsetMarker>();
    return slot.get();
}

bool ActionsUsesMarker(bool useNumber, const std::shared_ptr<TSWFOffsetMarker>& marker) {
    return !useNumber && marker && marker->GetActive();
}

} // namespace

void TSWFAction::Assign(const TSWFAction& source) {
    FLength = source.FLength;
}

void TSWFAction::ReadData(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    int64_t target = s->GetPosition() + FLength;
    if (target > s->GetSize())
        throw vcl::EReadError("Action data runs past its end");
    s->SetPosition(target);
}

void TSWFAction::WriteToStream(TBitsEngine* engine) {
    if (FActionCode == actionByteCode || FActionCode == actionOffsetMarker) {
        WriteData(engine);
        return;
    }
    engine->FlushBits(true);
    vcl::TStream* s = engine->GetStream();
    const int64_t start = s->GetPosition();
    engine->WriteByte(FActionCode);
    if (FActionCode < 0x80)
        return;
    vcl::TMemoryStream data;
    TBitsEngine dataEngine(&data);
    WriteData(&dataEngine);
    dataEngine.FlushBits(true);
    if (data.GetSize() > 0xFFFF)
        throw vcl::EWriteError("Action data is longer than 65535 bytes");
    FLength = static_cast<uint16_t>(data.GetSize());
    engine->WriteWord(FLength);
    engine->WriteBytes(data.Memory(), FLength);
    ResolveMarkerFields(s, start, s->GetPosition());
}

void TSWFActionByteCode::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionByteCode>(source))
        FData = s->FData;
}

void TSWFActionByteCode::ReadData(TBitsEngine* engine) {
    FData.resize(FLength);
    if (FLength > 0)
        engine->GetStream()->ReadBuffer(FData.data(), FLength);
}

void TSWFActionByteCode::WriteData(TBitsEngine* engine) {
    engine->FlushBits(true);
    engine->WriteBytes(FData.data(), static_cast<int32_t>(FData.size()));
    FLength = static_cast<uint16_t>(std::min<size_t>(FData.size(), 0xFFFF));
}

void TSWFActionByteCode::SetData(const void* data, int32_t size) {
    auto* p = static_cast<const uint8_t*>(data);
    FData.assign(p, p + std::max(size, 0));
}

void TSWFActionGotoFrame::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionGotoFrame>(source))
        Frame = s->Frame;
}

void TSWFActionGotoFrame::ReadData(TBitsEngine* engine) {
    Frame = engine->ReadWord();
}

void TSWFActionGotoFrame::WriteData(TBitsEngine* engine) {
    engine->WriteWord(Frame);
}

void TSWFActionGetUrl::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionGetUrl>(source)) {
        Target = s->Target;
        URL = s->URL;
    }
}

void TSWFActionGetUrl::ReadData(TBitsEngine* engine) {
    URL = engine->ReadString();
    Target = engine->ReadString();
}

void TSWFActionGetUrl::WriteData(TBitsEngine* engine) {
    ActionsWriteString(engine, URL);
    ActionsWriteString(engine, Target);
}

void TSWFActionWaitForFrame::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionWaitForFrame>(source)) {
        Frame = s->Frame;
        SkipCount = s->SkipCount;
    }
}

void TSWFActionWaitForFrame::ReadData(TBitsEngine* engine) {
    Frame = engine->ReadWord();
    SkipCount = engine->ReadByte();
}

void TSWFActionWaitForFrame::WriteData(TBitsEngine* engine) {
    engine->WriteWord(Frame);
    engine->WriteByte(SkipCount);
}

void TSWFActionSetTarget::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionSetTarget>(source))
        TargetName = s->TargetName;
}

void TSWFActionSetTarget::ReadData(TBitsEngine* engine) {
    TargetName = engine->ReadString();
}

void TSWFActionSetTarget::WriteData(TBitsEngine* engine) {
    ActionsWriteString(engine, TargetName);
}

void TSWFActionGoToLabel::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionGoToLabel>(source))
        Label = s->Label;
}

void TSWFActionGoToLabel::ReadData(TBitsEngine* engine) {
    Label = engine->ReadString();
}

void TSWFActionGoToLabel::WriteData(TBitsEngine* engine) {
    ActionsWriteString(engine, Label);
}

void TSWFActionWaitForFrame2::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionWaitForFrame2>(source))
        SkipCount = s->SkipCount;
}

void TSWFActionWaitForFrame2::ReadData(TBitsEngine* engine) {
    SkipCount = engine->ReadByte();
}

void TSWFActionWaitForFrame2::WriteData(TBitsEngine* engine) {
    engine->WriteByte(SkipCount);
}

void TSWFActionStoreRegister::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionStoreRegister>(source))
        Register = s->Register;
}

void TSWFActionStoreRegister::ReadData(TBitsEngine* engine) {
    Register = engine->ReadByte();
}

void TSWFActionStoreRegister::WriteData(TBitsEngine* engine) {
    engine->WriteByte(Register);
}

void TSWFActionGetURL2::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionGetURL2>(source)) {
        LoadTarget = s->LoadTarget;
        LoadVariables = s->LoadVariables;
        SendVarsMethod = s->SendVarsMethod;
    }
}

void TSWFActionGetURL2::ReadData(TBitsEngine* engine) {
    SendVarsMethod = static_cast<uint8_t>(engine->ReadBits(2));
    engine->ReadBits(4);
    LoadTarget = static_cast<uint8_t>(engine->ReadBits(1));
    LoadVariables = static_cast<uint8_t>(engine->ReadBits(1));
}

void TSWFActionGetURL2::WriteData(TBitsEngine* engine) {
    engine->WriteBits(SendVarsMethod, 2);
    engine->WriteBits(0, 4);
    engine->WriteBit(LoadTarget != 0);
    engine->WriteBit(LoadVariables != 0);
}

void TSWFActionGotoFrame2::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionGotoFrame2>(source)) {
        Play = s->Play;
        SceneBias = s->SceneBias;
        HasSceneBias = s->HasSceneBias;
    }
}

void TSWFActionGotoFrame2::ReadData(TBitsEngine* engine) {
    engine->ReadBits(6);
    HasSceneBias = static_cast<uint8_t>(engine->ReadBits(1));
    Play = static_cast<uint8_t>(engine->ReadBits(1));
    if (HasSceneBias)
        SceneBias = engine->ReadWord();
}

void TSWFActionGotoFrame2::WriteData(TBitsEngine* engine) {
    engine->WriteBits(0, 6);
    engine->WriteBit(HasSceneBias != 0);
    engine->WriteBit(Play != 0);
    if (HasSceneBias)
        engine->WriteWord(SceneBias);
}

void TSWFActionConstantPool::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionConstantPool>(source))
        Constants = s->Constants;
}

void TSWFActionConstantPool::ReadData(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    const int64_t start = s->GetPosition();
    uint16_t count = engine->ReadWord();
    Constants.clear();
    // Each constant takes at least its terminator: a count beyond the data fails before anything is kept.
    if (count > s->GetSize() - s->GetPosition())
        throw vcl::EReadError("Constant pool count runs past the action's data");
    for (uint16_t i = 0; i < count; ++i)
        Constants.push_back(engine->ReadString());
    const int64_t used = s->GetPosition() - start;
    if (used != FLength)
        FLength = static_cast<uint16_t>(used);
}

void TSWFActionConstantPool::WriteData(TBitsEngine* engine) {
    engine->WriteWord(ActionsCount(Constants.size(), "constants"));
    for (auto& c : Constants)
        ActionsWriteString(engine, c);
}

// Pushed values.

namespace {

const char* const kFlashVarNull = "FlashVar_null";
const char* const kFlashVarUndefined = "FlashVar_undefined";

int64_t PushInteger(const TPushVariant& v) {
    if (auto* b = std::get_if<bool>(&v))
        return *b ? 1 : 0;
    if (auto* i = std::get_if<int64_t>(&v))
        return *i;
    if (auto* f = std::get_if<float>(&v))
        return static_cast<int64_t>(std::trunc(double(*f)));
    if (auto* d = std::get_if<double>(&v)) {
        if (!(std::fabs(*d) < 9.2e18))
            throw vcl::EConvertError("A pushed value is not an integer");
        return static_cast<int64_t>(std::trunc(*d));
    }
    throw vcl::EConvertError("A pushed value is not a number");
}

double PushReal(const TPushVariant& v) {
    if (auto* f = std::get_if<float>(&v))
        return *f;
    if (auto* d = std::get_if<double>(&v))
        return *d;
    return static_cast<double>(PushInteger(v));
}

void PushCheckRange(int64_t v, int64_t lo, int64_t hi, const char* what) {
    if (v < lo || v > hi)
        throw vcl::EWriteError(std::string("A pushed ") + what + " does not fit its field");
}

} // namespace

void TSWFActionPush::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionPush>(source))
        FValues = s->FValues;
}

int32_t TSWFActionPush::SWFVersion() const {
    for (auto& v : FValues)
        if (v.IsValid && v.ValueType > pvFloat)
            return 5;
    return 4;
}

int32_t TSWFActionPush::AddValue(const TPushVariant& value) {
    TPushValueInfo info;
    info.Value = value;
    info.IsValid = 1;
    switch (value.index()) {
    case 0:
        info.ValueType = pvUndefined;
        break;
    case 1:
        info.ValueType = pvNull;
        break;
    case 2:
        info.ValueType = pvBoolean;
        break;
    case 3: {
        int64_t i = std::get<int64_t>(value);
        if (i < INT32_MIN || i > INT32_MAX)
            throw vcl::ERangeError("A pushed integer does not fit 32 bits");
        info.ValueType = pvInteger;
        break;
    }
    case 4:
        info.ValueType = pvFloat;
        break;
    case 5:
        info.ValueType = pvDouble;
        break;
    default: {
        const std::string& s = std::get<std::string>(value);
        if (s == kFlashVarNull) {
            info.ValueType = pvNull;
            info.Value = std::string("null");
        } else if (s == kFlashVarUndefined) {
            info.ValueType = pvUndefined;
            info.Value = std::string("undefined");
        } else {
            info.ValueType = pvString;
        }
        break;
    }
    }
    FValues.push_back(std::move(info));
    return static_cast<int32_t>(FValues.size()) - 1;
}

void TSWFActionPush::SetValueType(int32_t index, uint8_t type) {
    if (index < 0 || index >= static_cast<int32_t>(FValues.size()))
        throw vcl::EListError("List index out of bounds (" + std::to_string(index) + ")");
    if (type > pvConstant16)
        throw vcl::ERangeError("Unknown push value type " + std::to_string(type));
    FValues[size_t(index)].ValueType = type;
}

void TSWFActionPush::ReadData(TBitsEngine* engine) {
    vcl::TStream* s = engine->GetStream();
    FValues.clear();
    while (s->GetPosition() < s->GetSize()) {
        TPushValueInfo info;
        info.IsValid = 1;
        info.ValueType = engine->ReadByte();
        switch (info.ValueType) {
        case pvString:
            info.Value = engine->ReadString();
            break;
        case pvFloat: {
            uint32_t bits = engine->ReadDWord();
            float f;
            std::memcpy(&f, &bits, 4);
            info.Value = f;
            break;
        }
        case pvNull:
            info.Value = std::string(kFlashVarNull);
            break;
        case pvUndefined:
            info.Value = std::string(kFlashVarUndefined);
            break;
        case pvRegister:
        case pvConstant8:
            info.Value = int64_t(engine->ReadByte());
            break;
        case pvBoolean:
            info.Value = engine->ReadByte() != 0;
            break;
        case pvDouble: {
            // The high half of the little-endian double comes first.
            uint64_t high = engine->ReadDWord();
            uint64_t low = engine->ReadDWord();
            uint64_t bits = (high << 32) | low;
            double d;
            std::memcpy(&d, &bits, 8);
            info.Value = d;
            break;
        }
        case pvInteger:
            info.Value = int64_t(int32_t(engine->ReadDWord()));
            break;
        case pvConstant16:
            info.Value = int64_t(engine->ReadWord());
            break;
        default:
            throw vcl::EReadError("Unknown push value type " + std::to_string(info.ValueType));
        }
        FValues.push_back(std::move(info));
    }
}

void TSWFActionPush::WriteData(TBitsEngine* engine) {
    for (auto& v : FValues) {
        if (!v.IsValid)
            continue;
        engine->WriteByte(v.ValueType);
        switch (v.ValueType) {
        case pvString: {
            auto* s = std::get_if<std::string>(&v.Value);
            if (!s)
                throw vcl::EConvertError("A pushed string value is not a string");
            ActionsWriteString(engine, *s);
            break;
        }
        case pvFloat: {
            float f = static_cast<float>(PushReal(v.Value));
            uint32_t bits;
            std::memcpy(&bits, &f, 4);
            engine->WriteDWord(bits);
            break;
        }
        case pvNull:
        case pvUndefined:
            break;
        case pvRegister:
        case pvConstant8:
        case pvBoolean: {
            int64_t i = PushInteger(v.Value);
            PushCheckRange(i, 0, 255, "byte");
            engine->WriteByte(static_cast<uint8_t>(i));
            break;
        }
        case pvDouble: {
            double d = PushReal(v.Value);
            uint64_t bits;
            std::memcpy(&bits, &d, 8);
            engine->WriteDWord(static_cast<uint32_t>(bits >> 32));
            engine->WriteDWord(static_cast<uint32_t>(bits));
            break;
        }
        case pvInteger: {
            int64_t i = PushInteger(v.Value);
            PushCheckRange(i, INT32_MIN, INT32_MAX, "integer");
            engine->WriteDWord(static_cast<uint32_t>(i));
            break;
        }
        case pvConstant16: {
            int64_t i = PushInteger(v.Value);
            PushCheckRange(i, 0, 0xFFFF, "constant index");
            engine->WriteWord(static_cast<uint16_t>(i));
            break;
        }
        default:
            throw vcl::EWriteError("Unknown push value type " + std::to_string(v.ValueType));
        }
    }
}

// Branches and blocks.

void TSWFActionJump::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionJump>(source)) {
        FBranchOffset = s->FBranchOffset;
        FUseOffset = s->FUseOffset;
        ActionsCopyMarker(FBranchTarget, s->FBranchTarget);
    }
}

void TSWFActionJump::SetBranchOffset(int16_t v) {
    FBranchOffset = v;
    FUseOffset = 1;
}

TSWFOffsetMarker* TSWFActionJump::GetBranchTarget() {
    return ActionsMarker(FBranchTarget);
}

std::shared_ptr<TSWFOffsetMarker>* TSWFActionJump::MarkerField(int32_t index) {
    return index == 0 ? &FBranchTarget : nullptr;
}

void TSWFActionJump::ReadData(TBitsEngine* engine) {
    SetBranchOffset(static_cast<int16_t>(engine->ReadWord()));
}

void TSWFActionJump::WriteData(TBitsEngine* engine) {
    engine->WriteWord(ActionsUsesMarker(FUseOffset, FBranchTarget) ? 0 : uint16_t(FBranchOffset));
}

void TSWFActionJump::ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) {
    FStartPosition = start;
    if (ActionsUsesMarker(FUseOffset, FBranchTarget))
        FBranchTarget->ResolveField(stream, start + 3, end, nullptr, true);
}

void TSWFActionWith::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionWith>(source)) {
        FSize = s->FSize;
        FUseSize = s->FUseSize;
        ActionsCopyMarker(FEndMarker, s->FEndMarker);
    }
}

void TSWFActionWith::SetSize(uint16_t v) {
    FSize = v;
    FUseSize = 1;
}

TSWFOffsetMarker* TSWFActionWith::GetEndMarker() {
    return ActionsMarker(FEndMarker);
}

std::shared_ptr<TSWFOffsetMarker>* TSWFActionWith::MarkerField(int32_t index) {
    return index == 0 ? &FEndMarker : nullptr;
}

void TSWFActionWith::ReadData(TBitsEngine* engine) {
    SetSize(engine->ReadWord());
}

void TSWFActionWith::WriteData(TBitsEngine* engine) {
    engine->WriteWord(ActionsUsesMarker(FUseSize, FEndMarker) ? 0 : FSize);
}

void TSWFActionWith::ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) {
    FStartPosition = start;
    if (ActionsUsesMarker(FUseSize, FEndMarker))
        FEndMarker->ResolveField(stream, start + 3, end, nullptr, false);
}

void TSWFActionDefineFunction::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionDefineFunction>(source)) {
        FCodeSize = s->FCodeSize;
        FUseCodeSize = s->FUseCodeSize;
        FunctionName = s->FunctionName;
        Params = s->Params;
        ActionsCopyMarker(FEndMarker, s->FEndMarker);
    }
}

void TSWFActionDefineFunction::SetCodeSize(uint16_t v) {
    FCodeSize = v;
    FUseCodeSize = 1;
}

TSWFOffsetMarker* TSWFActionDefineFunction::GetEndMarker() {
    return ActionsMarker(FEndMarker);
}

std::shared_ptr<TSWFOffsetMarker>* TSWFActionDefineFunction::MarkerField(int32_t index) {
    return index == 0 ? &FEndMarker : nullptr;
}

void TSWFActionDefineFunction::ReadData(TBitsEngine* engine) {
    FunctionName = engine->ReadString();
    uint16_t count = engine->ReadWord();
    Params.clear();
    for (uint16_t i = 0; i < count; ++i)
        Params.push_back(engine->ReadString());
    SetCodeSize(engine->ReadWord());
}

void TSWFActionDefineFunction::WriteData(TBitsEngine* engine) {
    ActionsWriteString(engine, FunctionName);
    engine->WriteWord(ActionsCount(Params.size(), "parameters"));
    for (auto& p : Params)
        ActionsWriteString(engine, p);
    engine->WriteWord(ActionsUsesMarker(FUseCodeSize, FEndMarker) ? 0 : FCodeSize);
}

void TSWFActionDefineFunction::ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) {
    FStartPosition = start;
    if (ActionsUsesMarker(FUseCodeSize, FEndMarker))
        FEndMarker->ResolveField(stream, end - 2, end, nullptr, false);
}

void TSWFActionDefineFunction2::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionDefineFunction2>(source)) {
        FCodeSize = s->FCodeSize;
        FUseCodeSize = s->FUseCodeSize;
        FunctionName = s->FunctionName;
        Params = s->Params;
        PreloadParent = s->PreloadParent;
        PreloadRoot = s->PreloadRoot;
        SuppressSuper = s->SuppressSuper;
        PreloadSuper = s->PreloadSuper;
        SuppressArguments = s->SuppressArguments;
        PreloadArguments = s->PreloadArguments;
        SuppressThis = s->SuppressThis;
        PreloadThis = s->PreloadThis;
        PreloadGlobal = s->PreloadGlobal;
        RegisterCount = s->RegisterCount;
        ActionsCopyMarker(FEndMarker, s->FEndMarker);
    }
}

void TSWFActionDefineFunction2::SetCodeSize(uint16_t v) {
    FCodeSize = v;
    FUseCodeSize = 1;
}

TSWFOffsetMarker* TSWFActionDefineFunction2::GetEndMarker() {
    return ActionsMarker(FEndMarker);
}

std::shared_ptr<TSWFOffsetMarker>* TSWFActionDefineFunction2::MarkerField(int32_t index) {
    return index == 0 ? &FEndMarker : nullptr;
}

void TSWFActionDefineFunction2::ReadData(TBitsEngine* engine) {
    FunctionName = engine->ReadString();
    uint16_t count = engine->ReadWord();
    RegisterCount = engine->ReadByte();
    PreloadParent = static_cast<uint8_t>(engine->ReadBits(1));
    PreloadRoot = static_cast<uint8_t>(engine->ReadBits(1));
    SuppressSuper = static_cast<uint8_t>(engine->ReadBits(1));
    PreloadSuper = static_cast<uint8_t>(engine->ReadBits(1));
    SuppressArguments = static_cast<uint8_t>(engine->ReadBits(1));
    PreloadArguments = static_cast<uint8_t>(engine->ReadBits(1));
    SuppressThis = static_cast<uint8_t>(engine->ReadBits(1));
    PreloadThis = static_cast<uint8_t>(engine->ReadBits(1));
    engine->ReadBits(7);
    PreloadGlobal = static_cast<uint8_t>(engine->ReadBits(1));
    Params.clear();
    for (uint16_t i = 0; i < count; ++i) {
        TSWFFunctionParam p;
        p.Register = engine->ReadByte();
        p.Name = engine->ReadString();
        Params.push_back(std::move(p));
    }
    SetCodeSize(engine->ReadWord());
}

void TSWFActionDefineFunction2::WriteData(TBitsEngine* engine) {
    ActionsWriteString(engine, FunctionName);
    engine->WriteWord(ActionsCount(Params.size(), "parameters"));
    engine->WriteByte(RegisterCount);
    for (uint8_t flag : {PreloadParent, PreloadRoot, SuppressSuper, PreloadSuper, SuppressArguments,
                         PreloadArguments, SuppressThis, PreloadThis})
        engine->WriteBit(flag != 0);
    engine->WriteBits(0, 7);
    engine->WriteBit(PreloadGlobal != 0);
    for (auto& p : Params) {
        engine->WriteByte(p.Register);
        ActionsWriteString(engine, p.Name);
    }
    engine->WriteWord(ActionsUsesMarker(FUseCodeSize, FEndMarker) ? 0 : FCodeSize);
}

void TSWFActionDefineFunction2::ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) {
    FStartPosition = start;
    if (ActionsUsesMarker(FUseCodeSize, FEndMarker))
        FEndMarker->ResolveField(stream, end - 2, end, nullptr, false);
}

void TSWFActionTry::Assign(const TSWFAction& source) {
    TSWFAction::Assign(source);
    if (auto* s = ActionsSame<TSWFActionTry>(source)) {
        HasCatch = s->HasCatch;
        CatchInRegister = s->CatchInRegister;
        CatchName = s->CatchName;
        CatchRegister = s->CatchRegister;
        HasFinally = s->HasFinally;
        FTrySize = s->FTrySize;
        FCatchSize = s->FCatchSize;
        FFinallySize = s->FFinallySize;
        FUseSizes = s->FUseSizes;
        ActionsCopyMarker(FTryMarker, s->FTryMarker);
        ActionsCopyMarker(FCatchMarker, s->FCatchMarker);
        ActionsCopyMarker(FFinallyMarker, s->FFinallyMarker);
    }
}

void TSWFActionTry::SetTrySize(uint16_t v) {
    FTrySize = v;
    FUseSizes = 1;
}

void TSWFActionTry::SetCatchSize(uint16_t v) {
    FCatchSize = v;
    FUseSizes = 1;
}

void TSWFActionTry::SetFinallySize(uint16_t v) {
    FFinallySize = v;
    FUseSizes = 1;
}

TSWFOffsetMarker* TSWFActionTry::GetTryMarker() {
    return ActionsMarker(FTryMarker);
}

TSWFOffsetMarker* TSWFActionTry::GetCatchMarker() {
    return ActionsMarker(FCatchMarker);
}

TSWFOffsetMarker* TSWFActionTry::GetFinallyMarker() {
    return ActionsMarker(FFinallyMarker);
}

std::shared_ptr<TSWFOffsetMarker>* TSWFActionTry::MarkerField(int32_t index) {
    switch (index) {
    case 0:
        return &FTryMarker;
    case 1:
        return &FCatchMarker;
    case 2:
        return &FFinallyMarker;
    default:
        return nullptr;
    }
}

void TSWFActionTry::ReadData(TBitsEngine* engine) {
    engine->ReadBits(5);
    CatchInRegister = static_cast<uint8_t>(engine->ReadBits(1));
    HasFinally = static_cast<uint8_t>(engine->ReadBits(1));
    HasCatch = static_cast<uint8_t>(engine->ReadBits(1));
    SetTrySize(engine->ReadWord());
    SetCatchSize(engine->ReadWord());
    SetFinallySize(engine->ReadWord());
    if (CatchInRegister)
        CatchRegister = engine->ReadByte();
    else
        CatchName = engine->ReadString();
}

namespace {

// What a try size field holds: the number, 0 for an absent block, or a placeholder for its marker.
struct ActionsTryField {
    bool UsesMarker;
    uint16_t Number;
};

ActionsTryField ActionsTryFieldOf(bool useSizes, bool present, const std::shared_ptr<TSWFOffsetMarker>& marker, uint16_t size) {
    if (useSizes)
        return {false, size};
    if (!present)
        return {false, 0};
    if (ActionsUsesMarker(false, marker))
        return {true, 0};
    return {false, size};
}

} // namespace

void TSWFActionTry::WriteData(TBitsEngine* engine) {
    engine->WriteBits(0, 5);
    engine->WriteBit(CatchInRegister != 0);
    engine->WriteBit(HasFinally != 0);
    engine->WriteBit(HasCatch != 0);
    engine->WriteWord(ActionsTryFieldOf(FUseSizes, true, FTryMarker, FTrySize).Number);
    engine->WriteWord(ActionsTryFieldOf(FUseSizes, HasCatch, FCatchMarker, FCatchSize).Number);
    engine->WriteWord(ActionsTryFieldOf(FUseSizes, HasFinally, FFinallyMarker, FFinallySize).Number);
    if (CatchInRegister)
        engine->WriteByte(CatchRegister);
    else
        ActionsWriteString(engine, CatchName);
}

void TSWFActionTry::ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) {
    FStartPosition = start;
    // Where each block ends: an offset, plus the position of a marker when the block ends at one.
    struct BlockEnd {
        int64_t Offset;
        const TSWFOffsetMarker* Marker;
    };
    ActionsTryField tryField = ActionsTryFieldOf(FUseSizes, true, FTryMarker, FTrySize);
    ActionsTryField catchField = ActionsTryFieldOf(FUseSizes, HasCatch, FCatchMarker, FCatchSize);
    ActionsTryField finallyField = ActionsTryFieldOf(FUseSizes, HasFinally, FFinallyMarker, FFinallySize);
    BlockEnd tryEnd{end + tryField.Number, nullptr};
    if (tryField.UsesMarker) {
        FTryMarker->ResolveField(stream, start + 4, end, nullptr, false);
        tryEnd = {0, FTryMarker.get()};
    }
    BlockEnd catchEnd{tryEnd.Offset + catchField.Number, tryEnd.Marker};
    if (catchField.UsesMarker) {
        FCatchMarker->ResolveField(stream, start + 6, tryEnd.Offset, tryEnd.Marker, false);
        catchEnd = {0, FCatchMarker.get()};
    }
    if (finallyField.UsesMarker)
        FFinallyMarker->ResolveField(stream, start + 8, catchEnd.Offset, catchEnd.Marker, false);
}

// The factory.

std::unique_ptr<TSWFAction> CreateAction(uint8_t code) {
    switch (code) {
#define LOOMWICK_SWF_CREATE(Name, Code, Version)                                                                 \
    case Code:                                                                                                   \
        return std::make_unique<TSWFAction##Name>();
        LOOMWICK_SWF_PLAIN_ACTIONS(LOOMWICK_SWF_CREATE)
#undef LOOMWICK_SWF_CREATE
    case 0x81:
        return std::make_unique<TSWFActionGotoFrame>();
    case 0x83:
        return std::make_unique<TSWFActionGetUrl>();
    case 0x87:
        return std::make_unique<TSWFActionStoreRegister>();
    case 0x88:
        return std::make_unique<TSWFActionConstantPool>();
    case 0x8A:
        return std::make_unique<TSWFActionWaitForFrame>();
    case 0x8B:
        return std::make_unique<TSWFActionSetTarget>();
    case 0x8C:
        return std::make_unique<TSWFActionGoToLabel>();
    case 0x8D:
        return std::make_unique<TSWFActionWaitForFrame2>();
    case 0x8E:
        return std::make_unique<TSWFActionDefineFunction2>();
    case 0x8F:
        return std::make_unique<TSWFActionTry>();
    case 0x94:
        return std::make_unique<TSWFActionWith>();
    case 0x96:
        return std::make_unique<TSWFActionPush>();
    case 0x99:
        return std::make_unique<TSWFActionJump>();
    case 0x9A:
        return std::make_unique<TSWFActionGetURL2>();
    case 0x9B:
        return std::make_unique<TSWFActionDefineFunction>();
    case 0x9D:
        return std::make_unique<TSWFActionIf>();
    case 0x9F:
        return std::make_unique<TSWFActionGotoFrame2>();
    case actionByteCode:
        return std::make_unique<TSWFActionByteCode>();
    case actionOffsetMarker:
        return std::make_unique<TSWFOffsetMarker>();
    default:
        return nullptr;
    }
}

int32_t ActionSize(const TSWFAction* action) {
    const uint8_t code = action->GetActionCode();
    if (code == actionOffsetMarker)
        return 0;
    if (code == actionByteCode)
        return static_cast<const TSWFActionByteCode*>(action)->GetDataSize();
    return code < 0x80 ? 1 : action->GetLength() + 3;
}

} // namespace swf
