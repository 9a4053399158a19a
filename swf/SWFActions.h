// Action records: the byte code that DoAction, DoInitAction and clip-action records carry. Each action code
// has a class; an action list holds actions in order and writes them one after the other. Branches (jumps,
// ifs, with blocks, function bodies, try blocks) are given either as numbers or as markers placed in the
// list, whose offsets are worked out while the list is written. A reader parses byte code back into
// actions and turns branch targets into named markers.
#pragma once

#include "platform/vcl/Object.h"
#include "swf/SWFTools.h"

#include <cstdint>
#include <memory>
#include <string>
#include <variant>
#include <vector>

namespace vcl {
class TStream;
}

namespace swf {

class TSWFActionList;
class TSWFOffsetMarker;

// Pseudo-codes: raw byte code and a marker. Neither is an action of the format.
enum : uint8_t {
    actionByteCode = 0xFE,
    actionOffsetMarker = 0xFF,
};

class TSWFAction : public vcl::TObject, public std::enable_shared_from_this<TSWFAction> {
public:
    explicit TSWFAction(uint8_t code) : FActionCode(code) {}

    // Copies the fields of a like action.
    virtual void Assign(const TSWFAction& source);
    // The SWF version that introduced the action.
    virtual int32_t SWFVersion() const { return 3; }
    // Reads the action's data from a stream that holds exactly its Length bytes.
    virtual void ReadData(TBitsEngine* engine);
    virtual void WriteData(TBitsEngine*) {}
    // The code, then for codes from 0x80 the 16-bit data length and the data. Raises for data longer than
    // 65535 bytes.
    virtual void WriteToStream(TBitsEngine* engine);

    // The fields whose value may come from a marker (branch offsets, block and code sizes), in a fixed
    // order per class; a slot holds no marker until one is asked for.
    virtual int32_t MarkerFieldCount() const { return 0; }
    virtual std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t) { return nullptr; }

    uint8_t GetActionCode() const { return FActionCode; }
    // The data length of the last write or read.
    uint16_t GetLength() const { return FLength; }
    void SetLength(uint16_t v) { FLength = v; }

protected:
    // Runs after the action is in the stream (code at start, data from start + 3 to end): works out the
    // fields that go through markers.
    virtual void ResolveMarkerFields(vcl::TStream*, int64_t, int64_t) {}

    uint8_t FActionCode;
    uint16_t FLength = 0;
};

// Actions by the version that introduced them.
class TSWFAction4 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int32_t SWFVersion() const override { return 4; }
};

class TSWFAction5 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int32_t SWFVersion() const override { return 5; }
};

class TSWFAction6 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int32_t SWFVersion() const override { return 6; }
};

class TSWFAction7 : public TSWFAction {
public:
    using TSWFAction::TSWFAction;
    int32_t SWFVersion() const override { return 7; }
};

// The actions without data: name, code, version.
#define LOOMWICK_SWF_PLAIN_ACTIONS(X)                                                                             \
    X(NextFrame, 0x04, 3)                                                                                        \
    X(PreviousFrame, 0x05, 3)                                                                                    \
    X(Play, 0x06, 3)                                                                                             \
    X(Stop, 0x07, 3)                                                                                             \
    X(ToggleQuality, 0x08, 3)                                                                                    \
    X(StopSounds, 0x09, 3)                                                                                       \
    X(Add, 0x0A, 4)                                                                                              \
    X(Subtract, 0x0B, 4)                                                                                         \
    X(Multiply, 0x0C, 4)                                                                                         \
    X(Divide, 0x0D, 4)                                                                                           \
    X(Equals, 0x0E, 4)                                                                                           \
    X(Less, 0x0F, 4)                                                                                             \
    X(And, 0x10, 4)                                                                                              \
    X(Or, 0x11, 4)                                                                                               \
    X(Not, 0x12, 4)                                                                                              \
    X(StringEquals, 0x13, 4)                                                                                     \
    X(StringLength, 0x14, 4)                                                                                     \
    X(StringExtract, 0x15, 4)                                                                                    \
    X(Pop, 0x17, 4)                                                                                              \
    X(ToInteger, 0x18, 4)                                                                                        \
    X(GetVariable, 0x1C, 4)                                                                                      \
    X(SetVariable, 0x1D, 4)                                                                                      \
    X(SetTarget2, 0x20, 4)                                                                                       \
    X(StringAdd, 0x21, 4)                                                                                        \
    X(GetProperty, 0x22, 4)                                                                                      \
    X(SetProperty, 0x23, 4)                                                                                      \
    X(CloneSprite, 0x24, 4)                                                                                      \
    X(RemoveSprite, 0x25, 4)                                                                                     \
    X(Trace, 0x26, 4)                                                                                            \
    X(StartDrag, 0x27, 4)                                                                                        \
    X(EndDrag, 0x28, 4)                                                                                          \
    X(StringLess, 0x29, 4)                                                                                       \
    X(RandomNumber, 0x30, 4)                                                                                     \
    X(MBStringLength, 0x31, 4)                                                                                   \
    X(CharToAscii, 0x32, 4)                                                                                      \
    X(AsciiToChar, 0x33, 4)                                                                                      \
    X(GetTime, 0x34, 4)                                                                                          \
    X(MBStringExtract, 0x35, 4)                                                                                  \
    X(MBCharToAscii, 0x36, 4)                                                                                    \
    X(MBAsciiToChar, 0x37, 4)                                                                                    \
    X(Call, 0x9E, 4)                                                                                             \
    X(Delete, 0x3A, 5)                                                                                           \
    X(Delete2, 0x3B, 5)                                                                                          \
    X(DefineLocal, 0x3C, 5)                                                                                      \
    X(CallFunction, 0x3D, 5)                                                                                     \
    X(Return, 0x3E, 5)                                                                                           \
    X(Modulo, 0x3F, 5)                                                                                           \
    X(NewObject, 0x40, 5)                                                                                        \
    X(DefineLocal2, 0x41, 5)                                                                                     \
    X(InitArray, 0x42, 5)                                                                                        \
    X(InitObject, 0x43, 5)                                                                                       \
    X(TypeOf, 0x44, 5)                                                                                           \
    X(TargetPath, 0x45, 5)                                                                                       \
    X(Enumerate, 0x46, 5)                                                                                        \
    X(Add2, 0x47, 5)                                                                                             \
    X(Less2, 0x48, 5)                                                                                            \
    X(Equals2, 0x49, 5)                                                                                          \
    X(ToNumber, 0x4A, 5)                                                                                         \
    X(ToString, 0x4B, 5)                                                                                         \
    X(PushDuplicate, 0x4C, 5)                                                                                    \
    X(StackSwap, 0x4D, 5)                                                                                        \
    X(GetMember, 0x4E, 5)                                                                                        \
    X(SetMember, 0x4F, 5)                                                                                        \
    X(Increment, 0x50, 5)                                                                                        \
    X(Decrement, 0x51, 5)                                                                                        \
    X(CallMethod, 0x52, 5)                                                                                       \
    X(NewMethod, 0x53, 5)                                                                                        \
    X(BitAnd, 0x60, 5)                                                                                           \
    X(BitOr, 0x61, 5)                                                                                            \
    X(BitXor, 0x62, 5)                                                                                           \
    X(BitLShift, 0x63, 5)                                                                                        \
    X(BitRShift, 0x64, 5)                                                                                        \
    X(BitURShift, 0x65, 5)                                                                                       \
    X(InstanceOf, 0x54, 6)                                                                                       \
    X(Enumerate2, 0x55, 6)                                                                                       \
    X(StrictEquals, 0x66, 6)                                                                                     \
    X(Greater, 0x67, 6)                                                                                          \
    X(StringGreater, 0x68, 6)                                                                                    \
    X(Throw, 0x2A, 7)                                                                                            \
    X(CastOp, 0x2B, 7)                                                                                           \
    X(ImplementsOp, 0x2C, 7)                                                                                     \
    X(Extends, 0x69, 7)

#define LOOMWICK_SWF_PLAIN_ACTION_CLASS(Name, Code, Version)                                                     \
    class TSWFAction##Name final : public TSWFAction##Version {                                                  \
    public:                                                                                                      \
        TSWFAction##Name() : TSWFAction##Version(Code) {}                                                        \
    };
// Version 3 actions derive from the root itself.
using TSWFAction3 = TSWFAction;
LOOMWICK_SWF_PLAIN_ACTIONS(LOOMWICK_SWF_PLAIN_ACTION_CLASS)
#undef LOOMWICK_SWF_PLAIN_ACTION_CLASS

// A position in an action list that branches and block sizes refer to. A marker written before its
// branch gives a backward offset, one written after it a forward offset, patched in when the marker is
// written. An inactive marker (as the reader leaves them) writes and patches nothing.
class TSWFOffsetMarker final : public TSWFAction {
public:
    TSWFOffsetMarker() : TSWFAction(actionOffsetMarker) {}
    void Assign(const TSWFAction& source) override;
    void WriteData(TBitsEngine* engine) override;

    bool GetPlaced() const { return FPlaced; }
    void SetPlaced(bool v) { FPlaced = v; }
    // What the reader found; the writer follows the order in which markers and branches are written.
    bool GetIsBackward() const { return FIsBackward; }
    void SetIsBackward(bool v) { FIsBackward = v; }
    bool GetActive() const { return FActive; }
    void SetActive(bool v) { FActive = v; }
    const std::string& GetName() const { return FName; }
    void SetName(const std::string& v) { FName = v; }
    uint8_t GetFieldSize() const { return FFieldSize; }
    void SetFieldSize(uint8_t v) { FFieldSize = v; }
    // The stream position where the marker was last written.
    uint32_t GetPosition() const { return FPosition; }

    // Write bookkeeping of the list writer.
    void BeginPass();
    bool HasPendingFields() const { return !FPending.empty(); }
    // Fills in the 16-bit field at field of stream with (this marker's position - base), where base is
    // baseOffset plus the position of baseMarker when one is given: at once when this marker (and the
    // base marker) was written in this pass, else when this marker is.
    void ResolveField(vcl::TStream* stream, int64_t field, int64_t baseOffset, const TSWFOffsetMarker* baseMarker,
                      bool isSigned);

private:
    struct TPendingField {
        vcl::TStream* Stream;
        int64_t Field;
        int64_t BaseOffset;
        const TSWFOffsetMarker* BaseMarker;
        bool IsSigned;
    };
    void Patch(const TPendingField& f);

    uint8_t FPlaced = 0;
    uint8_t FIsBackward = 1;
    uint8_t FActive = 1;
    std::string FName;
    uint8_t FFieldSize = 2;
    uint32_t FPosition = 0;
    bool FWritten = false;
    vcl::TStream* FWrittenStream = nullptr;
    std::vector<TPendingField> FPending;
};

// Raw byte code, written unchanged.
class TSWFActionByteCode final : public TSWFAction4 {
public:
    TSWFActionByteCode() : TSWFAction4(actionByteCode) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    std::vector<uint8_t>& GetData() { return FData; }
    const std::vector<uint8_t>& GetData() const { return FData; }
    int32_t GetDataSize() const { return static_cast<int32_t>(FData.size()); }
    void SetData(const void* data, int32_t size);

private:
    std::vector<uint8_t> FData;
};

class TSWFActionGotoFrame final : public TSWFAction {
public:
    TSWFActionGotoFrame() : TSWFAction(0x81) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint16_t Frame = 0;
};

class TSWFActionGetUrl final : public TSWFAction {
public:
    TSWFActionGetUrl() : TSWFAction(0x83) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    std::string Target;
    std::string URL;
};

class TSWFActionWaitForFrame final : public TSWFAction {
public:
    TSWFActionWaitForFrame() : TSWFAction(0x8A) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint16_t Frame = 0;
    uint8_t SkipCount = 0;
};

class TSWFActionSetTarget final : public TSWFAction {
public:
    TSWFActionSetTarget() : TSWFAction(0x8B) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    std::string TargetName;
};

class TSWFActionGoToLabel final : public TSWFAction {
public:
    TSWFActionGoToLabel() : TSWFAction(0x8C) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    std::string Label;
};

// Its skip count is kept so that byte code read and written again stays whole.
class TSWFActionWaitForFrame2 final : public TSWFAction4 {
public:
    TSWFActionWaitForFrame2() : TSWFAction4(0x8D) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint8_t SkipCount = 0;
};

class TSWFActionStoreRegister final : public TSWFAction5 {
public:
    TSWFActionStoreRegister() : TSWFAction5(0x87) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint8_t Register = 0;
};

class TSWFActionGetURL2 final : public TSWFAction4 {
public:
    TSWFActionGetURL2() : TSWFAction4(0x9A) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint8_t LoadTarget = 0;
    uint8_t LoadVariables = 0;
    // 0 none, 1 GET, 2 POST.
    uint8_t SendVarsMethod = 0;
};

class TSWFActionGotoFrame2 final : public TSWFAction4 {
public:
    TSWFActionGotoFrame2() : TSWFAction4(0x9F) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    uint8_t Play = 0;
    uint16_t SceneBias = 0;
    uint8_t HasSceneBias = 0;
};

class TSWFActionConstantPool final : public TSWFAction5 {
public:
    TSWFActionConstantPool() : TSWFAction5(0x88) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    std::vector<std::string> Constants;
};

// Pushed value types.
enum : uint8_t {
    pvString = 0,
    pvFloat = 1,
    pvNull = 2,
    pvUndefined = 3,
    pvRegister = 4,
    pvBoolean = 5,
    pvDouble = 6,
    pvInteger = 7,
    pvConstant8 = 8,
    pvConstant16 = 9,
};

// A value to push: empty (undefined), null, a boolean, an integer, a single, a double or a string.
using TPushVariant = std::variant<std::monostate, std::nullptr_t, bool, int64_t, float, double, std::string>;

struct TPushValueInfo {
    TPushVariant Value;
    uint8_t ValueType = pvUndefined;
    uint8_t IsValid = 0;
};

class TSWFActionPush final : public TSWFAction4 {
public:
    TSWFActionPush() : TSWFAction4(0x96) {}
    void Assign(const TSWFAction& source) override;
    // 5 when a value needs it (any type above float), else 4.
    int32_t SWFVersion() const override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;

    // Picks the type from the value: the strings "FlashVar_null" and "FlashVar_undefined" push null and
    // undefined. Raises for an integer outside 32 bits. Returns the value's index.
    int32_t AddValue(const TPushVariant& value);
    int32_t AddValue(const char* value) { return AddValue(TPushVariant(std::string(value))); }
    int32_t AddValue(int32_t value) { return AddValue(TPushVariant(int64_t(value))); }
    // Overrides the type of a value added before (a register number, a constant index).
    void SetValueType(int32_t index, uint8_t type);
    std::vector<TPushValueInfo>& GetValues() { return FValues; }
    const std::vector<TPushValueInfo>& GetValues() const { return FValues; }

private:
    std::vector<TPushValueInfo> FValues;
};

// A branch. Its offset is written as the number when UseOffset is set (as the number's setter does) or no
// active marker was asked for; otherwise it is worked out from the target marker. If derives from it.
class TSWFActionJump : public TSWFAction4 {
public:
    TSWFActionJump() : TSWFAction4(0x99) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    int32_t MarkerFieldCount() const override { return 1; }
    std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t index) override;

    int16_t GetBranchOffset() const { return FBranchOffset; }
    void SetBranchOffset(int16_t v);
    // The target marker, created on first use; place it in the list to branch to it.
    TSWFOffsetMarker* GetBranchTarget();
    // Branches to a marker shared with other branches.
    void SetBranchTarget(std::shared_ptr<TSWFOffsetMarker> marker) { FBranchTarget = std::move(marker); }
    bool GetUseOffset() const { return FUseOffset; }
    void SetUseOffset(bool v) { FUseOffset = v; }
    int64_t GetStartPosition() const { return FStartPosition; }

protected:
    TSWFActionJump(uint8_t code) : TSWFAction4(code) {}
    void ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) override;

private:
    int16_t FBranchOffset = 0;
    std::shared_ptr<TSWFOffsetMarker> FBranchTarget;
    uint8_t FUseOffset = 0;
    int64_t FStartPosition = 0;
};

class TSWFActionIf final : public TSWFActionJump {
public:
    TSWFActionIf() : TSWFActionJump(0x9D) {}
};

class TSWFActionWith final : public TSWFAction5 {
public:
    TSWFActionWith() : TSWFAction5(0x94) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    int32_t MarkerFieldCount() const override { return 1; }
    std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t index) override;

    uint16_t GetSize() const { return FSize; }
    void SetSize(uint16_t v);
    // The marker at the end of the block, created on first use.
    TSWFOffsetMarker* GetEndMarker();
    bool GetUseSize() const { return FUseSize; }
    void SetUseSize(bool v) { FUseSize = v; }
    int64_t GetStartPosition() const { return FStartPosition; }

protected:
    void ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) override;

private:
    uint16_t FSize = 0;
    std::shared_ptr<TSWFOffsetMarker> FEndMarker;
    uint8_t FUseSize = 0;
    int64_t FStartPosition = 0;
};

class TSWFActionDefineFunction final : public TSWFAction5 {
public:
    TSWFActionDefineFunction() : TSWFAction5(0x9B) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    int32_t MarkerFieldCount() const override { return 1; }
    std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t index) override;

    uint16_t GetCodeSize() const { return FCodeSize; }
    void SetCodeSize(uint16_t v);
    // The marker at the end of the function body, created on first use.
    TSWFOffsetMarker* GetEndMarker();
    bool GetUseCodeSize() const { return FUseCodeSize; }
    void SetUseCodeSize(bool v) { FUseCodeSize = v; }
    int64_t GetStartPosition() const { return FStartPosition; }

    std::string FunctionName;
    std::vector<std::string> Params;

protected:
    void ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) override;

private:
    uint16_t FCodeSize = 0;
    std::shared_ptr<TSWFOffsetMarker> FEndMarker;
    uint8_t FUseCodeSize = 0;
    int64_t FStartPosition = 0;
};

// A parameter of DefineFunction2: its register (0: none) and name.
struct TSWFFunctionParam {
    uint8_t Register = 0;
    std::string Name;
    bool operator==(const TSWFFunctionParam&) const = default;
};

class TSWFActionDefineFunction2 final : public TSWFAction7 {
public:
    TSWFActionDefineFunction2() : TSWFAction7(0x8E) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    int32_t MarkerFieldCount() const override { return 1; }
    std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t index) override;

    uint16_t GetCodeSize() const { return FCodeSize; }
    void SetCodeSize(uint16_t v);
    TSWFOffsetMarker* GetEndMarker();
    bool GetUseCodeSize() const { return FUseCodeSize; }
    void SetUseCodeSize(bool v) { FUseCodeSize = v; }
    int64_t GetStartPosition() const { return FStartPosition; }

    std::string FunctionName;
    std::vector<TSWFFunctionParam> Params;
    uint8_t PreloadParent = 0;
    uint8_t PreloadRoot = 0;
    uint8_t SuppressSuper = 0;
    uint8_t PreloadSuper = 0;
    uint8_t SuppressArguments = 0;
    uint8_t PreloadArguments = 0;
    uint8_t SuppressThis = 0;
    uint8_t PreloadThis = 0;
    uint8_t PreloadGlobal = 0;
    uint8_t RegisterCount = 0;

protected:
    void ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) override;

private:
    uint16_t FCodeSize = 0;
    std::shared_ptr<TSWFOffsetMarker> FEndMarker;
    uint8_t FUseCodeSize = 0;
    int64_t FStartPosition = 0;
};

// A try block, followed by its catch block and then its finally block. Through markers the three sizes
// run from the end of the action to the try marker, from there to the catch marker, and from the end of
// the catch block (or of the try block without one) to the finally marker.
class TSWFActionTry final : public TSWFAction7 {
public:
    TSWFActionTry() : TSWFAction7(0x8F) {}
    void Assign(const TSWFAction& source) override;
    void ReadData(TBitsEngine* engine) override;
    void WriteData(TBitsEngine* engine) override;
    // Try, catch, finally.
    int32_t MarkerFieldCount() const override { return 3; }
    std::shared_ptr<TSWFOffsetMarker>* MarkerField(int32_t index) override;

    uint16_t GetTrySize() const { return FTrySize; }
    void SetTrySize(uint16_t v);
    uint16_t GetCatchSize() const { return FCatchSize; }
    void SetCatchSize(uint16_t v);
    uint16_t GetFinallySize() const { return FFinallySize; }
    void SetFinallySize(uint16_t v);
    TSWFOffsetMarker* GetTryMarker();
    TSWFOffsetMarker* GetCatchMarker();
    TSWFOffsetMarker* GetFinallyMarker();
    bool GetUseSizes() const { return FUseSizes; }
    void SetUseSizes(bool v) { FUseSizes = v; }
    int64_t GetStartPosition() const { return FStartPosition; }

    uint8_t HasCatch = 0;
    uint8_t CatchInRegister = 0;
    std::string CatchName;
    uint8_t CatchRegister = 0;
    uint8_t HasFinally = 0;

protected:
    void ResolveMarkerFields(vcl::TStream* stream, int64_t start, int64_t end) override;

private:
    uint16_t FTrySize = 0;
    uint16_t FCatchSize = 0;
    uint16_t FFinallySize = 0;
    std::shared_ptr<TSWFOffsetMarker> FTryMarker;
    std::shared_ptr<TSWFOffsetMarker> FCatchMarker;
    std::shared_ptr<TSWFOffsetMarker> FFinallyMarker;
    uint8_t FUseSizes = 0;
    int64_t FStartPosition = 0;
};

// An ordered list of actions that owns them. A marker of a branch action that is placed in the list is
// shared by the list and the action, so lists, actions and copies may be freed in any order.
class TSWFActionList {
public:
    TSWFActionList() = default;
    TSWFActionList(const TSWFActionList&) = delete;
    TSWFActionList& operator=(const TSWFActionList&) = delete;
    virtual ~TSWFActionList() = default;

    int32_t Count() const { return static_cast<int32_t>(FItems.size()); }
    TSWFAction* GetAction(int32_t index) const;
    TSWFAction* operator[](int32_t index) const { return GetAction(index); }
    // Raises for an empty pointer.
    TSWFAction* Add(std::shared_ptr<TSWFAction> action);
    // Places an action already shared by another owner, such as the marker of a branch; raises for one
    // that nobody shares.
    TSWFAction* Add(TSWFAction* action);
    template <typename T, typename... Args> T* Add(Args&&... args) {
        auto action = std::make_shared<T>(std::forward<Args>(args)...);
        Add(std::shared_ptr<TSWFAction>(action));
        return action.get();
    }
    void Insert(int32_t index, std::shared_ptr<TSWFAction> action);
    void Delete(int32_t index);
    void Clear() { FItems.clear(); }
    int32_t IndexOf(const TSWFAction* action) const;
    // The largest version of the actions, at least floor.
    int32_t MaxVersion(int32_t floor) const;

    // Writes the actions one after the other, markers resolved; raises when a branch points at a marker
    // that is not in the list, or a value does not fit its field.
    void WriteToStream(TBitsEngine* engine);

private:
    std::vector<std::shared_ptr<TSWFAction>> FItems;
};

// The action of a code; a marker for 0xFF; none for a code without a class.
std::unique_ptr<TSWFAction> CreateAction(uint8_t code);
// 1 for codes below 0x80, else Length + 3; 0 for a marker, the data size for raw byte code.
int32_t ActionSize(const TSWFAction* action);
// Reads actions until the code 0 or until size bytes are used and appends them to list; branch targets
// become inactive markers named "label N", numbered in list order (the numbers stay in use). Codes without a class are skipped by
// their length. Raises for byte code that runs past size or the stream.
void ReadActionList(TBitsEngine* engine, TSWFActionList& list, uint32_t size);
// Appends a copy of every action of source to target; branches of the copy point at the copy's markers.
void CopyActionList(const TSWFActionList& source, TSWFActionList& target);

} // namespace swf
