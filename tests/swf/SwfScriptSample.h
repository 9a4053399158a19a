// A script that uses every action class with data, branches forward and backward through markers, a try
// block with catch and finally, and a run of data-free actions. The SWF tests and tools/swfscript share it.
#pragma once

#include "swf/SWFActions.h"

namespace swfsample {

// Appends the script to list.
inline void BuildSampleScript(swf::TSWFActionList& list) {
    using namespace swf;
    auto* pool = list.Add<TSWFActionConstantPool>();
    pool->Constants = {"alpha", "beta", "gamma"};
    // Every value type but double and undefined.
    auto* push = list.Add<TSWFActionPush>();
    push->AddValue("text");
    push->AddValue(TPushVariant(1.5f));
    push->AddValue(TPushVariant(nullptr));
    push->SetValueType(push->AddValue(2), pvRegister);
    push->AddValue(TPushVariant(true));
    push->AddValue(-123456);
    push->SetValueType(push->AddValue(1), pvConstant8);
    push->SetValueType(push->AddValue(2), pvConstant16);

    // The loop top, which two branches further down go back to.
    auto top = std::make_shared<TSWFOffsetMarker>();
    top->SetName("top");
    list.Add(top);

    auto* gotoFrame = list.Add<TSWFActionGotoFrame>();
    gotoFrame->Frame = 5;
    auto* getUrl = list.Add<TSWFActionGetUrl>();
    getUrl->URL = "http://example.org/page";
    getUrl->Target = "_blank";
    auto* wait = list.Add<TSWFActionWaitForFrame>();
    wait->Frame = 3;
    wait->SkipCount = 1;
    list.Add<TSWFActionSetTarget>()->TargetName = "/clip";
    list.Add<TSWFActionGoToLabel>()->Label = "intro";
    list.Add<TSWFActionWaitForFrame2>()->SkipCount = 2;
    list.Add<TSWFActionStoreRegister>()->Register = 1;
    auto* getUrl2 = list.Add<TSWFActionGetURL2>();
    getUrl2->SendVarsMethod = 2;
    getUrl2->LoadTarget = 1;
    auto* goto2 = list.Add<TSWFActionGotoFrame2>();
    goto2->Play = 1;
    goto2->HasSceneBias = 1;
    goto2->SceneBias = 4;

    // If forward over a backward jump.
    auto* ifForward = list.Add<TSWFActionIf>();
    TSWFOffsetMarker* afterLoop = ifForward->GetBranchTarget();
    afterLoop->SetIsBackward(false);
    afterLoop->SetName("after loop");
    auto* jumpBack = list.Add<TSWFActionJump>();
    jumpBack->SetBranchTarget(top);
    list.Add(afterLoop);

    auto* with = list.Add<TSWFActionWith>();
    with->GetEndMarker()->SetIsBackward(false);
    list.Add<TSWFActionPush>()->AddValue("x");
    list.Add<TSWFActionTrace>();
    list.Add(with->GetEndMarker());

    auto* f = list.Add<TSWFActionDefineFunction>();
    f->FunctionName = "f";
    f->Params = {"a", "b"};
    f->GetEndMarker()->SetIsBackward(false);
    list.Add<TSWFActionPush>()->AddValue("a");
    list.Add<TSWFActionGetVariable>();
    list.Add<TSWFActionReturn>();
    list.Add(f->GetEndMarker());

    auto* g = list.Add<TSWFActionDefineFunction2>();
    g->FunctionName = "g";
    g->Params = {{1, "x"}, {0, "y"}};
    g->RegisterCount = 3;
    g->PreloadThis = 1;
    g->SuppressArguments = 1;
    g->PreloadGlobal = 1;
    g->GetEndMarker()->SetIsBackward(false);
    auto* pushRegister = list.Add<TSWFActionPush>();
    pushRegister->SetValueType(pushRegister->AddValue(1), pvRegister);
    list.Add<TSWFActionReturn>();
    list.Add(g->GetEndMarker());

    auto* t = list.Add<TSWFActionTry>();
    t->HasCatch = 1;
    t->HasFinally = 1;
    t->CatchName = "e";
    for (TSWFOffsetMarker* m : {t->GetTryMarker(), t->GetCatchMarker(), t->GetFinallyMarker()})
        m->SetIsBackward(false);
    list.Add<TSWFActionPush>()->AddValue("t");
    list.Add<TSWFActionThrow>();
    list.Add(t->GetTryMarker());
    list.Add<TSWFActionPop>();
    list.Add(t->GetCatchMarker());
    list.Add<TSWFActionStop>();
    list.Add(t->GetFinallyMarker());

    // If backward to the top, then a jump forward over raw byte code.
    auto* ifBack = list.Add<TSWFActionIf>();
    ifBack->SetBranchTarget(top);
    auto* jumpForward = list.Add<TSWFActionJump>();
    jumpForward->GetBranchTarget()->SetIsBackward(false);
    const uint8_t play = 0x06;
    list.Add<TSWFActionByteCode>()->SetData(&play, 1);
    list.Add(jumpForward->GetBranchTarget());

    // A run of data-free actions of every version.
    for (uint8_t code : {0x04, 0x05, 0x06, 0x07, 0x08, 0x09, 0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F, 0x10, 0x11, 0x12,
                         0x13, 0x14, 0x15, 0x17, 0x18, 0x1C, 0x1D, 0x20, 0x21, 0x22, 0x23, 0x24, 0x25, 0x26, 0x27,
                         0x28, 0x29, 0x30, 0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x9E, 0x3A, 0x3B, 0x3C, 0x3D,
                         0x3E, 0x3F, 0x40, 0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47, 0x48, 0x49, 0x4A, 0x4B, 0x4C,
                         0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52, 0x53, 0x60, 0x61, 0x62, 0x63, 0x64, 0x65, 0x54, 0x55,
                         0x66, 0x67, 0x68, 0x2A, 0x2B, 0x2C, 0x69})
        list.Add(std::shared_ptr<TSWFAction>(CreateAction(code)));
}

} // namespace swfsample
