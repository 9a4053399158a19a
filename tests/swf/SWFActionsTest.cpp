#include "SwfScriptSample.h"
#include "SwfTestUtil.h"

#include "platform/vcl/Exceptions.h"
#include "swf/FlashObjects.h"
#include "swf/SWFObjects.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace swf;
using namespace swftest;

namespace {

Bytes WriteList(TSWFActionList& list) {
    return Render([&](TBitsEngine& e) { list.WriteToStream(&e); });
}

Bytes WriteAction(TSWFAction& a) {
    return Render([&](TBitsEngine& e) { a.WriteToStream(&e); });
}

// Reads byte code (without a closing 0 unless given) into a new list.
void ReadInto(const Bytes& code, TSWFActionList& list) {
    vcl::TReadOnlyMemoryStream s(code.data(), int64_t(code.size()));
    TBitsEngine e(&s);
    ReadActionList(&e, list, uint32_t(code.size()));
}

template <typename T> T* As(TSWFActionList& list, int32_t index) {
    auto* a = dynamic_cast<T*>(list.GetAction(index));
    EXPECT_NE(a, nullptr) << "entry " << index << " is " << list.GetAction(index)->ClassName();
    return a;
}

} // namespace

TEST(SWFActions, ByteTable) {
    TSWFActionStop stop;
    EXPECT_EQ(Hex(WriteAction(stop)), "07");
    TSWFActionGotoFrame gotoFrame;
    gotoFrame.Frame = 5;
    EXPECT_EQ(Hex(WriteAction(gotoFrame)), "81 02 00 05 00");
    TSWFActionCall call;
    EXPECT_EQ(Hex(WriteAction(call)), "9E 00 00");

    TSWFActionList forward;
    auto* jump = forward.Add<TSWFActionJump>();
    jump->GetBranchTarget()->SetIsBackward(false);
    forward.Add<TSWFActionStop>();
    forward.Add(jump->GetBranchTarget());
    EXPECT_EQ(Hex(WriteList(forward)), "99 02 00 01 00 07");

    TSWFActionList backward;
    auto jumpBack = std::make_shared<TSWFActionJump>();
    backward.Add(jumpBack->GetBranchTarget());
    backward.Add<TSWFActionPlay>();
    backward.Add(std::shared_ptr<TSWFAction>(jumpBack));
    EXPECT_EQ(Hex(WriteList(backward)), "06 99 02 00 FA FF");

    TSWFActionPush push;
    push.AddValue(7);
    push.AddValue("a");
    EXPECT_EQ(Hex(WriteAction(push)), "96 08 00 07 07 00 00 00 00 61 00");
    EXPECT_EQ(push.SWFVersion(), 5);

    TSWFActionList function;
    auto* f = function.Add<TSWFActionDefineFunction>();
    f->FunctionName = "f";
    f->GetEndMarker()->SetIsBackward(false);
    function.Add<TSWFActionReturn>();
    function.Add(f->GetEndMarker());
    EXPECT_EQ(Hex(WriteList(function)), "9B 06 00 66 00 00 00 01 00 3E");
}

// The high 32-bit half of the little-endian double comes first, each half little-endian.
TEST(SWFActions, PushedDoublesInSwfOrder) {
    struct Case {
        double value;
        const char* bytes;
    } cases[] = {
        {0.1, "99 99 B9 3F 9A 99 99 99"},
        {1.0, "00 00 F0 3F 00 00 00 00"},
        {-2.5, "00 00 04 C0 00 00 00 00"},
    };
    for (auto& c : cases) {
        TSWFActionPush push;
        push.AddValue(TPushVariant(c.value));
        Bytes b = WriteAction(push);
        EXPECT_EQ(Hex(Bytes(b.begin() + 4, b.end())), c.bytes) << c.value;
        TSWFActionList back;
        ReadInto(b, back);
        ASSERT_EQ(back.Count(), 1);
        auto& v = As<TSWFActionPush>(back, 0)->GetValues().at(0);
        EXPECT_EQ(v.ValueType, pvDouble);
        EXPECT_EQ(std::get<double>(v.Value), c.value);
    }
}

TEST(SWFActions, CreateActionCoversEveryCode) {
    struct Entry {
        uint8_t code;
        const char* name;
        int version;
    };
    const Entry table[] = {
        {0x04, "NextFrame", 3},     {0x05, "PreviousFrame", 3},  {0x06, "Play", 3},
        {0x07, "Stop", 3},          {0x08, "ToggleQuality", 3},  {0x09, "StopSounds", 3},
        {0x81, "GotoFrame", 3},     {0x83, "GetUrl", 3},         {0x8A, "WaitForFrame", 3},
        {0x8B, "SetTarget", 3},     {0x8C, "GoToLabel", 3},      {0x0A, "Add", 4},
        {0x0B, "Subtract", 4},      {0x0C, "Multiply", 4},       {0x0D, "Divide", 4},
        {0x0E, "Equals", 4},        {0x0F, "Less", 4},           {0x10, "And", 4},
        {0x11, "Or", 4},            {0x12, "Not", 4},            {0x13, "StringEquals", 4},
        {0x14, "StringLength", 4},  {0x15, "StringExtract", 4},  {0x17, "Pop", 4},
        {0x18, "ToInteger", 4},     {0x1C, "GetVariable", 4},    {0x1D, "SetVariable", 4},
        {0x20, "SetTarget2", 4},    {0x21, "StringAdd", 4},      {0x22, "GetProperty", 4},
        {0x23, "SetProperty", 4},   {0x24, "CloneSprite", 4},    {0x25, "RemoveSprite", 4},
        {0x26, "Trace", 4},         {0x27, "StartDrag", 4},      {0x28, "EndDrag", 4},
        {0x29, "StringLess", 4},    {0x30, "RandomNumber", 4},   {0x31, "MBStringLength", 4},
        {0x32, "CharToAscii", 4},   {0x33, "AsciiToChar", 4},    {0x34, "GetTime", 4},
        {0x35, "MBStringExtract", 4}, {0x36, "MBCharToAscii", 4}, {0x37, "MBAsciiToChar", 4},
        {0x8D, "WaitForFrame2", 4}, {0x96, "Push", 4},           {0x99, "Jump", 4},
        {0x9A, "GetURL2", 4},       {0x9D, "If", 4},             {0x9E, "Call", 4},
        {0x9F, "GotoFrame2", 4},    {0x3A, "Delete", 5},         {0x3B, "Delete2", 5},
        {0x3C, "DefineLocal", 5},   {0x3D, "CallFunction", 5},   {0x3E, "Return", 5},
        {0x3F, "Modulo", 5},        {0x40, "NewObject", 5},      {0x41, "DefineLocal2", 5},
        {0x42, "InitArray", 5},     {0x43, "InitObject", 5},     {0x44, "TypeOf", 5},
        {0x45, "TargetPath", 5},    {0x46, "Enumerate", 5},      {0x47, "Add2", 5},
        {0x48, "Less2", 5},         {0x49, "Equals2", 5},        {0x4A, "ToNumber", 5},
        {0x4B, "ToString", 5},      {0x4C, "PushDuplicate", 5},  {0x4D, "StackSwap", 5},
        {0x4E, "GetMember", 5},     {0x4F, "SetMember", 5},      {0x50, "Increment", 5},
        {0x51, "Decrement", 5},     {0x52, "CallMethod", 5},     {0x53, "NewMethod", 5},
        {0x60, "BitAnd", 5},        {0x61, "BitOr", 5},          {0x62, "BitXor", 5},
        {0x63, "BitLShift", 5},     {0x64, "BitRShift", 5},      {0x65, "BitURShift", 5},
        {0x87, "StoreRegister", 5}, {0x88, "ConstantPool", 5},   {0x94, "With", 5},
        {0x9B, "DefineFunction", 5}, {0x54, "InstanceOf", 6},    {0x55, "Enumerate2", 6},
        {0x66, "StrictEquals", 6},  {0x67, "Greater", 6},        {0x68, "StringGreater", 6},
        {0x2A, "Throw", 7},         {0x2B, "CastOp", 7},         {0x2C, "ImplementsOp", 7},
        {0x69, "Extends", 7},       {0x8E, "DefineFunction2", 7}, {0x8F, "Try", 7},
    };
    bool listed[256] = {};
    for (auto& e : table) {
        listed[e.code] = true;
        auto a = CreateAction(e.code);
        ASSERT_NE(a, nullptr) << std::hex << int(e.code);
        EXPECT_EQ(a->ClassName(), std::string("TSWFAction") + e.name);
        EXPECT_EQ(a->SWFVersion(), e.version) << e.name;
        EXPECT_EQ(a->GetActionCode(), e.code);
    }
    auto code = CreateAction(0xFE);
    ASSERT_NE(code, nullptr);
    EXPECT_EQ(code->ClassName(), "TSWFActionByteCode");
    EXPECT_EQ(code->SWFVersion(), 4);
    auto marker = CreateAction(0xFF);
    ASSERT_NE(marker, nullptr);
    EXPECT_EQ(marker->ClassName(), "TSWFOffsetMarker");
    EXPECT_EQ(marker->SWFVersion(), 3);
    for (int c = 0; c < 0xFE; ++c) {
        if (listed[c])
            continue;
        EXPECT_EQ(CreateAction(uint8_t(c)), nullptr) << std::hex << c;
    }
}

TEST(SWFActions, PushValueTypesAndVersions) {
    struct Case {
        TPushVariant value;
        uint8_t type;
        int version;
    } cases[] = {
        {TPushVariant(std::string("s")), pvString, 4},
        {TPushVariant(1.25f), pvFloat, 4},
        {TPushVariant(nullptr), pvNull, 5},
        {TPushVariant(), pvUndefined, 5},
        {TPushVariant(true), pvBoolean, 5},
        {TPushVariant(2.5), pvDouble, 5},
        {TPushVariant(int64_t(-7)), pvInteger, 5},
        {TPushVariant(std::string("FlashVar_null")), pvNull, 5},
        {TPushVariant(std::string("FlashVar_undefined")), pvUndefined, 5},
    };
    for (auto& c : cases) {
        TSWFActionPush push;
        push.AddValue(c.value);
        EXPECT_EQ(push.GetValues()[0].ValueType, c.type);
        EXPECT_EQ(push.SWFVersion(), c.version) << int(c.type);
    }
    TSWFActionPush named;
    named.AddValue("FlashVar_null");
    EXPECT_EQ(std::get<std::string>(named.GetValues()[0].Value), "null");
    EXPECT_EQ(Hex(WriteAction(named)), "96 01 00 02");

    TSWFActionPush tooWide;
    EXPECT_THROW(tooWide.AddValue(TPushVariant(int64_t(1) << 40)), vcl::ERangeError);

    // Null and undefined read back as their FlashVar names.
    TSWFActionList back;
    ReadInto({0x96, 0x02, 0x00, 0x02, 0x03}, back);
    auto& values = As<TSWFActionPush>(back, 0)->GetValues();
    ASSERT_EQ(values.size(), 2u);
    EXPECT_EQ(std::get<std::string>(values[0].Value), "FlashVar_null");
    EXPECT_EQ(std::get<std::string>(values[1].Value), "FlashVar_undefined");
    EXPECT_EQ(values[1].ValueType, pvUndefined);
}

// Sizes through markers are the format's block sizes, and the reader puts the markers at the blocks' ends.
TEST(SWFActions, TryBlocksThroughMarkers) {
    TSWFActionList list;
    auto* t = list.Add<TSWFActionTry>();
    t->HasCatch = 1;
    t->HasFinally = 1;
    t->CatchName = "e";
    list.Add<TSWFActionStop>();
    list.Add<TSWFActionStop>();
    list.Add(t->GetTryMarker());
    list.Add<TSWFActionPlay>();
    list.Add(t->GetCatchMarker());
    list.Add<TSWFActionNextFrame>();
    list.Add<TSWFActionNextFrame>();
    list.Add<TSWFActionNextFrame>();
    list.Add(t->GetFinallyMarker());
    Bytes b = WriteList(list);
    EXPECT_EQ(Hex(b), "8F 09 00 03 02 00 01 00 03 00 65 00 07 07 06 04 04 04");

    TSWFActionList back;
    ReadInto(b, back);
    ASSERT_EQ(back.Count(), 10);
    auto* read = As<TSWFActionTry>(back, 0);
    EXPECT_EQ(back.IndexOf(read->GetTryMarker()), 3);
    EXPECT_EQ(back.IndexOf(read->GetCatchMarker()), 5);
    EXPECT_EQ(back.IndexOf(read->GetFinallyMarker()), 9);
    EXPECT_EQ(read->GetCatchMarker()->GetName(), "label 2");

    // Without a catch block the finally block starts where the try block ends; its absent catch size is 0.
    TSWFActionList noCatch;
    auto* t2 = noCatch.Add<TSWFActionTry>();
    t2->HasFinally = 1;
    t2->CatchInRegister = 1;
    t2->CatchRegister = 2;
    noCatch.Add<TSWFActionStop>();
    noCatch.Add(t2->GetTryMarker());
    noCatch.Add<TSWFActionPlay>();
    noCatch.Add<TSWFActionPlay>();
    noCatch.Add(t2->GetFinallyMarker());
    EXPECT_EQ(Hex(WriteList(noCatch)), "8F 08 00 06 01 00 00 00 02 00 02 07 06 06");
}

// Two branches to one marker both land on it; a marker that is not in the list, or values that do not fit
// their fields, raise instead of writing broken byte code.
TEST(SWFActions, MarkersSharedAndMissing) {
    TSWFActionList list;
    auto end = std::make_shared<TSWFOffsetMarker>();
    auto* a = list.Add<TSWFActionIf>();
    a->SetBranchTarget(end);
    list.Add<TSWFActionStop>();
    auto* b = list.Add<TSWFActionJump>();
    b->SetBranchTarget(end);
    list.Add<TSWFActionPlay>();
    list.Add(std::shared_ptr<TSWFAction>(end));
    EXPECT_EQ(Hex(WriteList(list)), "9D 02 00 07 00 07 99 02 00 01 00 06");
    // Written twice, the same bytes.
    EXPECT_EQ(Hex(WriteList(list)), "9D 02 00 07 00 07 99 02 00 01 00 06");

    TSWFActionList orphan;
    auto* jump = orphan.Add<TSWFActionJump>();
    jump->GetBranchTarget()->SetName("nowhere");
    orphan.Add<TSWFActionStop>();
    EXPECT_THROW(WriteList(orphan), vcl::EWriteError);
}

TEST(SWFActions, ValuesThatDoNotFitRaise) {
    // A push whose data exceeds 65535 bytes.
    TSWFActionPush big;
    big.AddValue(std::string(70000, 'x'));
    EXPECT_THROW(WriteAction(big), vcl::EWriteError);

    // A forward jump over more than 32767 bytes.
    TSWFActionList far;
    auto* jump = far.Add<TSWFActionJump>();
    far.Add<TSWFActionPush>()->AddValue(std::string(20000, 'a'));
    far.Add<TSWFActionPush>()->AddValue(std::string(20000, 'b'));
    far.Add(jump->GetBranchTarget());
    EXPECT_THROW(WriteList(far), vcl::EWriteError);

    // A function body longer than 65535 bytes.
    TSWFActionList body;
    auto* f = body.Add<TSWFActionDefineFunction>();
    for (int i = 0; i < 3; ++i)
        body.Add<TSWFActionPush>()->AddValue(std::string(30000, 'c'));
    body.Add(f->GetEndMarker());
    EXPECT_THROW(WriteList(body), vcl::EWriteError);

    // A block that ends before it starts.
    TSWFActionList before;
    auto w = std::make_shared<TSWFActionWith>();
    before.Add(w->GetEndMarker());
    before.Add<TSWFActionStop>();
    before.Add(std::shared_ptr<TSWFAction>(w));
    EXPECT_THROW(WriteList(before), vcl::EWriteError);

    // Strings cannot hold a 0 byte; push fields hold their range.
    TSWFActionGoToLabel label;
    label.Label = std::string("a\0b", 3);
    EXPECT_THROW(WriteAction(label), vcl::EWriteError);
    TSWFActionPush reg;
    reg.SetValueType(reg.AddValue(300), pvRegister);
    EXPECT_THROW(WriteAction(reg), vcl::EWriteError);
}

TEST(SWFActions, SampleScriptSurvivesReadingAndCopying) {
    TSWFActionList script;
    swfsample::BuildSampleScript(script);
    Bytes written = WriteList(script);

    TSWFActionList read;
    Bytes withEnd = written;
    withEnd.push_back(0);
    ReadInto(withEnd, read);
    EXPECT_EQ(Hex(WriteList(read)), Hex(written));
    // The reader names its markers "label N" and leaves them inactive, the numbers in use.
    int labels = 0;
    for (int32_t i = 0; i < read.Count(); ++i)
        if (auto* m = dynamic_cast<TSWFOffsetMarker*>(read.GetAction(i))) {
            EXPECT_EQ(m->GetName(), "label " + std::to_string(++labels));
            EXPECT_FALSE(m->GetActive());
        }
    EXPECT_EQ(labels, 10);

    TSWFActionList copy;
    CopyActionList(script, copy);
    EXPECT_EQ(Hex(WriteList(copy)), Hex(written));
    // The copy's branches point at the copy's markers.
    auto* copiedJump = dynamic_cast<TSWFActionJump*>(copy.GetAction(13));
    ASSERT_NE(copiedJump, nullptr);
    EXPECT_EQ(copy.IndexOf(copiedJump->GetBranchTarget()), 2);
    TSWFActionList copyOfRead;
    CopyActionList(read, copyOfRead);
    EXPECT_EQ(Hex(WriteList(copyOfRead)), Hex(written));
}

TEST(SWFActions, BranchIntoAnActionMakesAnErrorMarker) {
    TSWFActionList list;
    ReadInto({0x99, 0x02, 0x00, 0x03, 0x00, 0x81, 0x02, 0x00, 0x05, 0x00, 0x00}, list);
    ASSERT_EQ(list.Count(), 2);
    auto* jump = As<TSWFActionJump>(list, 0);
    EXPECT_EQ(jump->GetBranchTarget()->GetName(), "Error Size offset: 3");
    EXPECT_EQ(list.IndexOf(jump->GetBranchTarget()), -1);

    // Backward past the start.
    TSWFActionList before;
    ReadInto({0x07, 0x99, 0x02, 0x00, 0xF0, 0xFF}, before);
    EXPECT_EQ(As<TSWFActionJump>(before, 1)->GetBranchTarget()->GetName(), "Error Size offset: -16");
    // A backward jump lands before the action it counts to.
    TSWFActionList loop;
    ReadInto({0x07, 0x06, 0x99, 0x02, 0x00, 0xFA, 0xFF}, loop);
    ASSERT_EQ(loop.Count(), 4);
    EXPECT_EQ(loop.IndexOf(As<TSWFActionJump>(loop, 3)->GetBranchTarget()), 1);
    EXPECT_TRUE(As<TSWFActionJump>(loop, 3)->GetBranchTarget()->GetIsBackward());
}

TEST(SWFActions, MalformedByteCodeRaises) {
    struct Case {
        const char* what;
        Bytes code;
    } cases[] = {
        {"length past the list", {0x81, 0x05, 0x00, 0x01, 0x00}},
        {"length cut off", {0x81, 0x02}},
        {"string without terminator", {0x8C, 0x02, 0x00, 0x61, 0x62}},
        {"constant without terminator", {0x88, 0x04, 0x00, 0x01, 0x00, 0x61, 0x62}},
        {"constant count beyond the data", {0x88, 0x04, 0x00, 0xFF, 0xFF, 0x61, 0x00}},
        {"push value cut short", {0x96, 0x03, 0x00, 0x07, 0x01, 0x02}},
        {"push double cut short", {0x96, 0x05, 0x00, 0x06, 0x00, 0x00, 0x00, 0x00}},
        {"push of an unknown type", {0x96, 0x01, 0x00, 0x0A}},
        {"function without its code size", {0x9B, 0x04, 0x00, 0x66, 0x00, 0x00, 0x00}},
    };
    for (auto& c : cases) {
        TSWFActionList list;
        EXPECT_THROW(ReadInto(c.code, list), vcl::EReadError) << c.what;
    }
    // Unknown codes are skipped by their length; a branch over them still finds its target.
    TSWFActionList skipped;
    ReadInto({0x99, 0x02, 0x00, 0x04, 0x00, 0xC0, 0x01, 0x00, 0x55, 0x01, 0x07}, skipped);
    ASSERT_EQ(skipped.Count(), 3);
    EXPECT_EQ(skipped.IndexOf(As<TSWFActionJump>(skipped, 0)->GetBranchTarget()), 1);
    EXPECT_EQ(skipped.GetAction(2)->GetActionCode(), 0x07);
    // Reading stops at the code 0 or at the size, whichever comes first.
    TSWFActionList stopped;
    ReadInto({0x07, 0x00, 0x06}, stopped);
    EXPECT_EQ(stopped.Count(), 1);
}

// Lists, actions and copies freed in any order free each marker once and leave no branch dangling.
TEST(SWFActions, FreeingInAnyOrder) {
    for (int order = 0; order < 6; ++order) {
        auto list = std::make_unique<TSWFActionList>();
        auto jump = std::make_shared<TSWFActionJump>();
        jump->GetBranchTarget()->SetIsBackward(false);
        list->Add(std::shared_ptr<TSWFAction>(jump));
        list->Add<TSWFActionStop>();
        list->Add(jump->GetBranchTarget());
        auto copy = std::make_unique<TSWFActionList>();
        CopyActionList(*list, *copy);
        auto unplaced = std::make_shared<TSWFActionIf>();
        unplaced->GetBranchTarget();
        switch (order) {
        case 0:
            list.reset();
            EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { jump->GetBranchTarget()->WriteToStream(&e); })), "");
            jump.reset();
            copy.reset();
            break;
        case 1:
            jump.reset();
            copy.reset();
            list.reset();
            break;
        case 2:
            copy.reset();
            list.reset();
            jump.reset();
            break;
        case 3:
            list->Delete(2);
            list.reset();
            EXPECT_EQ(jump->GetBranchTarget()->GetActionCode(), 0xFF);
            break;
        case 4:
            list->Clear();
            EXPECT_EQ(Hex(WriteList(*copy)), "99 02 00 01 00 07");
            break;
        default:
            unplaced.reset();
            list.reset();
            EXPECT_EQ(Hex(WriteList(*copy)), "99 02 00 01 00 07");
            break;
        }
    }
}

TEST(SWFDoAction, Tags) {
    TSWFDoAction stop;
    stop.GetActions().Add<TSWFActionStop>();
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { stop.WriteToStream(&e); })), "02 03 07 00");
    TSWFDoAction empty;
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { empty.WriteToStream(&e); })), "01 03 00");
    EXPECT_EQ(empty.MinVersion(), 3);
    TSWFDoInitAction init;
    init.SetSpriteID(5);
    init.GetActions().Add<TSWFActionPlay>();
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { init.WriteToStream(&e); })), "C4 0E 05 00 06 00");
    EXPECT_EQ(init.MinVersion(), 6);
    stop.GetActions().Add<TSWFActionThrow>();
    EXPECT_EQ(stop.MinVersion(), 7);
}

TEST(SWFDoAction, ReadsParsedOrRaw) {
    const Bytes body = {0x05, 0x00, 0x07, 0x06, 0x00};
    for (bool parse : {true, false}) {
        vcl::TReadOnlyMemoryStream s(body.data(), int64_t(body.size()));
        TBitsEngine e(&s);
        TSWFDoInitAction tag;
        tag.SetParseActions(parse);
        tag.SetBodySize(uint32_t(body.size()));
        tag.ReadFromStream(&e);
        EXPECT_EQ(tag.GetSpriteID(), 5);
        EXPECT_EQ(s.GetPosition(), int64_t(body.size()));
        EXPECT_EQ(tag.GetActions().Count(), parse ? 2 : 1);
        Bytes again = Render([&](TBitsEngine& w) { tag.WriteTagBody(&w); });
        EXPECT_EQ(Hex(again), Hex(body));
    }
    // Bodies shorter than their fixed fields raise.
    struct Case {
        bool init;
        Bytes body;
    } shortBodies[] = {{false, {}}, {true, {}}, {true, {0x05, 0x00}}};
    for (auto& c : shortBodies)
        for (bool parse : {true, false}) {
            vcl::TReadOnlyMemoryStream s(c.body.data(), int64_t(c.body.size()));
            TBitsEngine e(&s);
            std::unique_ptr<TSWFDoAction> tag =
                c.init ? std::make_unique<TSWFDoInitAction>() : std::make_unique<TSWFDoAction>();
            tag->SetParseActions(parse);
            tag->SetBodySize(uint32_t(c.body.size()));
            EXPECT_THROW(tag->ReadFromStream(&e), vcl::EReadError);
        }
}

TEST(SWFDoAction, AssignCopiesActionsWithTheirMarkers) {
    TSWFDoAction source;
    auto* jump = source.GetActions().Add<TSWFActionJump>();
    jump->GetBranchTarget()->SetIsBackward(false);
    source.GetActions().Add<TSWFActionStop>();
    source.GetActions().Add(jump->GetBranchTarget());
    TSWFActionList external;
    TSWFDoAction target(&external);
    target.Assign(&source);
    EXPECT_EQ(external.Count(), 0);
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { target.WriteTagBody(&e); })), "99 02 00 01 00 07 00");
}

// Clip actions on a placement: actions written with the end rule, read parsed or raw.
TEST(SWFClipActions, WrittenAndReadBack) {
    TSWFPlaceObject2 p;
    p.SetDepth(1);
    p.SetCharacterID(3);
    auto* load = p.GetClipActions().AddRecord(ceLoad);
    load->Add<TSWFActionPlay>();
    auto* raw = p.GetClipActions().AddRecord(ceEnterFrame);
    const uint8_t code[] = {0x07, 0x00};
    raw->Add<TSWFActionByteCode>()->SetData(code, 2);
    Bytes tag = Render([&](TBitsEngine& e) { p.WriteToStream(&e); });
    EXPECT_EQ(p.GetSWFVersion(), 5);
    // Flags, depth, character, reserved word, all flags (16 bits), then each record: flags, size, actions.
    Bytes body(tag.begin() + 2, tag.end());
    EXPECT_EQ(Hex(body), "82 01 00 03 00 00 00 03 00 01 00 02 00 00 00 06 00 02 00 02 00 00 00 07 00 00 00");
    for (bool parse : {true, false}) {
        vcl::TReadOnlyMemoryStream s(body.data(), int64_t(body.size()));
        TBitsEngine e(&s);
        TSWFPlaceObject2 back;
        back.SetSWFVersion(5);
        back.SetParseActions(parse);
        back.SetBodySize(uint32_t(body.size()));
        back.ReadFromStream(&e);
        auto& records = back.GetClipActions().GetRecords();
        ASSERT_EQ(records.size(), 2u);
        if (parse) {
            EXPECT_EQ(records[0]->GetAction(0)->ClassName(), "TSWFActionPlay");
        } else {
            auto* bytes = dynamic_cast<TSWFActionByteCode*>(records[0]->GetAction(0));
            ASSERT_NE(bytes, nullptr);
            EXPECT_EQ(bytes->GetData(), (Bytes{0x06, 0x00}));
        }
        back.SetSWFVersion(5);
        EXPECT_EQ(Hex(Render([&](TBitsEngine& w) { back.WriteTagBody(&w); })), Hex(body)) << parse;
    }
    // From version 6 the flags take 32 bits and the end marker 4 bytes; a version-7 action asks for 7.
    raw->Add<TSWFActionThrow>();
    EXPECT_EQ(p.MinVersion(), 7);
    Render([&](TBitsEngine& e) { p.WriteToStream(&e); });
    EXPECT_EQ(p.GetSWFVersion(), 7);

    // A record whose size runs past the tag raises.
    Bytes cut = body;
    cut[11] = 0x40;
    vcl::TReadOnlyMemoryStream s(cut.data(), int64_t(cut.size()));
    TBitsEngine e(&s);
    TSWFPlaceObject2 bad;
    bad.SetBodySize(uint32_t(cut.size()));
    bad.SetParseActions(true);
    EXPECT_THROW(bad.ReadFromStream(&e), vcl::EReadError);
}

TEST(SWFmd5, Rfc1321Suite) {
    struct Case {
        const char* text;
        const char* digest;
    } cases[] = {
        {"", "d41d8cd98f00b204e9800998ecf8427e"},
        {"a", "0cc175b9c0f1b6a831c399e269772661"},
        {"abc", "900150983cd24fb0d6963f7d28e17f72"},
        {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
        {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
        {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
        {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
         "57edf4a22be3c955ac49da2e2107b67a"},
    };
    for (auto& c : cases) {
        TMD5Context context;
        MD5Start(context);
        // Fed in two pieces, to cross the block buffer at an odd place.
        size_t n = std::strlen(c.text);
        MD5Feed(context, c.text, n / 3);
        MD5Feed(context, c.text + n / 3, n - n / 3);
        TMD5Digest d = MD5Finish(context);
        char hex[33];
        for (int i = 0; i < 16; ++i)
            std::snprintf(hex + 2 * i, 3, "%02x", d[size_t(i)]);
        EXPECT_STREQ(hex, c.digest) << c.text;
    }
}

// Expected strings from the system's libcrypt (python3: crypt.crypt(password, "$1$Zx")), for passwords of
// the letters a-z repeated to the length.
TEST(SWFmd5, CryptMatchesLibcrypt) {
    struct Case {
        size_t length;
        const char* hash;
    } cases[] = {
        {0, "$1$Zx$ZZYVFj3Sc1P9iFt44y3Xs0"},   {1, "$1$Zx$sOJm89YrZv.GpA55wuL2k/"},
        {20, "$1$Zx$yJiGCeMZWUk5N.Dz0On8Z1"},  {255, "$1$Zx$j6mn3b0gjxA4wUIBMNpMU1"},
        {256, "$1$Zx$RX05bBGEM.ScxPHlS8vTM1"}, {300, "$1$Zx$vmXyGj0WETeF.W7d.aQkk/"},
    };
    for (auto& c : cases) {
        std::string password;
        for (size_t i = 0; i < c.length; ++i)
            password += char('a' + i % 26);
        EXPECT_EQ(MD5Crypt(password, "Zx"), c.hash) << c.length;
    }
    // Of "$1$" and eight characters only the first two are used.
    EXPECT_EQ(MD5Crypt("secret", "$1$abcdefgh"), "$1$ab$dslkcXxVH.x8LwW1W/oAB/");
    EXPECT_EQ(MD5Crypt("secret", "$1$ab"), MD5Crypt("secret", "ab"));
    EXPECT_EQ(ToCrypt64(0, 2), "..");
    EXPECT_EQ(ToCrypt64(63 | (1 << 6), 2), "z/");
    // With no salt two characters come from the random source.
    auto old = SetMD5CryptRandom([] { return uint32_t(64 + 12); });
    std::string hash = MD5Crypt("secret", "");
    SetMD5CryptRandom(old);
    EXPECT_EQ(hash.substr(0, 6), "$1$AA$");
    EXPECT_EQ(hash.size(), 28u);
}

TEST(SWFProtect, Tag) {
    TSWFProtect plain;
    EXPECT_EQ(Hex(Render([&](TBitsEngine& e) { plain.WriteToStream(&e); })), "00 06");
    EXPECT_EQ(plain.MinVersion(), 2);

    auto old = SetMD5CryptRandom([] { return uint32_t(13); });
    TSWFProtect locked;
    locked.SetPassword("secret");
    Bytes b = Render([&](TBitsEngine& e) { locked.WriteToStream(&e); });
    SetMD5CryptRandom(old);
    // "$1$", two salt characters, "$" and 22 characters between the reserved word and the terminator.
    ASSERT_EQ(b.size(), 33u);
    EXPECT_EQ(b[0] | (b[1] << 8), 24 * 64 + 31);
    std::string text(b.begin() + 4, b.end() - 1);
    EXPECT_EQ(text, MD5Crypt("secret", "BB"));
    EXPECT_EQ(b[2], 0);
    EXPECT_EQ(b[3], 0);
    EXPECT_EQ(b.back(), 0);
    EXPECT_EQ(locked.MinVersion(), 5);

    // Reading keeps the hash up to its terminator.
    vcl::TReadOnlyMemoryStream s(b.data() + 2, 31);
    TBitsEngine e(&s);
    TSWFProtect back;
    back.SetBodySize(31);
    back.ReadFromStream(&e);
    EXPECT_EQ(back.GetHash(), text);
    const uint8_t one = 0;
    vcl::TReadOnlyMemoryStream s1(&one, 1);
    TBitsEngine e1(&s1);
    TSWFProtect shortBody;
    shortBody.SetBodySize(1);
    EXPECT_THROW(shortBody.ReadFromStream(&e1), vcl::EReadError);
}

TEST(FlashActionScript, MovieVersionAndProtection) {
    TFlashMovie movie(0, 0, 10, 10, 12, true);
    movie.GetBackgroundColor().SetColor(0xFFFFFF);
    auto script = std::make_unique<TFlashActionScript>(&movie);
    TFlashActionScript* s = script.get();
    s->GetActions().Add<TSWFActionStop>();
    movie.AddObject(std::move(script));
    movie.ShowFrame();
    EXPECT_EQ(s->MinVersion(), 3);
    movie.MakeStream();
    EXPECT_EQ(movie.GetVersion(), 5);
    Bytes body = StreamBytes(*movie.GetBody());
    EXPECT_EQ(Hex(body), "43 02 FF FF FF 02 03 07 00 40 00 00 00");

    s->GetActions().Add<TSWFActionThrow>();
    movie.SetProtect(true);
    movie.MakeStream();
    EXPECT_EQ(movie.GetVersion(), 7);
    body = StreamBytes(*movie.GetBody());
    // The Protect tag follows the background colour.
    EXPECT_EQ(Hex(Bytes(body.begin(), body.begin() + 7)), "43 02 FF FF FF 00 06");

    TFlashMovie old(0, 0, 10, 10, 12, true);
    old.SetVersion(2);
    old.SetPassword("secret");
    old.SetProtect(true);
    old.ShowFrame();
    old.MakeStream();
    EXPECT_EQ(old.GetVersion(), 5);
    body = StreamBytes(*old.GetBody());
    EXPECT_EQ(body[0] | (body[1] << 8), 24 * 64 + 31);
}

// Damaged copies of real byte code (fixed seed) raise or read; whatever reads is written again.
TEST(SWFActions, DamagedByteCodeNeverCrashes) {
    TSWFActionList script;
    swfsample::BuildSampleScript(script);
    Bytes good = WriteList(script);
    good.push_back(0);
    uint32_t seed = 12345;
    auto next = [&] {
        seed = seed * 1103515245u + 12345u;
        return seed >> 8;
    };
    int accepted = 0;
    for (int round = 0; round < 3000; ++round) {
        Bytes code = good;
        for (int k = 1 + int(next() % 4); k > 0; --k)
            code[next() % code.size()] = uint8_t(next());
        code.resize(code.size() - next() % 8);
        TSWFActionList list;
        try {
            ReadInto(code, list);
            ++accepted;
            WriteList(list);
            TSWFActionList copy;
            CopyActionList(list, copy);
            WriteList(copy);
        } catch (const vcl::Exception&) {
        }
    }
    EXPECT_GT(accepted, 0);
}
