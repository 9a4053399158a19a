// The drop target through IDropTarget on the headless screen: effects, refusals, the drop and its
// clean-up, nested and replaced registrations, exceptions at the interface, auto-scroll on the manual
// clock, asynchronous transfers, pastes, a whole drag through the drag loop, and the property table.
#include "dragdrop/DragDropFormats.h"
#include "dragdrop/DropTarget.h"
#include "tests/dragdrop/DragDropTestSupport.h"
#include "tests/platform/vcl/VclControlsSupport.h"

#include "platform/vcl/Clipbrd.h"
#include "platform/vcl/Thread.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/shell/Shell.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/WindowStyles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

using namespace dragdrop;
using ddtest::Bytes;

namespace ddtest {

// A windowed control that may have scroll bars and records the scroll messages it receives.
class TScrollTarget : public vcl::TWinControl {
public:
    TScrollTarget(vcl::TComponent* owner, win::DWORD scrollBars) : TWinControl(owner), FScrollBars(scrollBars) {}
    void WndProc(vcl::TMessage& message) override {
        if (message.Msg == win::WM_VSCROLL || message.Msg == win::WM_HSCROLL)
            Scrolls.push_back((message.Msg == win::WM_VSCROLL ? "v" : "h") + std::to_string(message.WParam));
        TWinControl::WndProc(message);
    }
    std::vector<std::string> Scrolls;

protected:
    void CreateParams(vcl::TCreateParams& params) override {
        TWinControl::CreateParams(params);
        params.Style |= FScrollBars;
    }

private:
    win::DWORD FScrollBars;
};

// The test's multi target: one text format.
class TTextDropTarget : public TCustomDropMultiTarget {
public:
    explicit TTextDropTarget(vcl::TComponent* owner) : TCustomDropMultiTarget(owner) { Text = new TTextDataFormat(this); }
    TTextDataFormat* Text;
};

} // namespace ddtest

using namespace ddtest;

namespace {

const win::DWORD allEffects = win::DROPEFFECT_COPY | win::DROPEFFECT_MOVE | win::DROPEFFECT_LINK;

// A data object that asks for an asynchronous transfer and records how it ends.
class AsyncDataObject final : public win::ComObject<win::IDataObject, win::IAsyncOperation> {
public:
    explicit AsyncDataObject(win::ComPtr<win::IDataObject> inner) : FInner(std::move(inner)) {}
    win::HRESULT GetData(const win::FORMATETC* f, win::STGMEDIUM* m) override { return FInner->GetData(f, m); }
    win::HRESULT GetDataHere(const win::FORMATETC* f, win::STGMEDIUM* m) override { return FInner->GetDataHere(f, m); }
    win::HRESULT QueryGetData(const win::FORMATETC* f) override { return FInner->QueryGetData(f); }
    win::HRESULT GetCanonicalFormatEtc(const win::FORMATETC* a, win::FORMATETC* b) override {
        return FInner->GetCanonicalFormatEtc(a, b);
    }
    win::HRESULT SetData(const win::FORMATETC* f, win::STGMEDIUM* m, win::BOOL r) override {
        return FInner->SetData(f, m, r);
    }
    win::HRESULT EnumFormatEtc(win::DWORD d, win::IEnumFORMATETC** e) override { return FInner->EnumFormatEtc(d, e); }
    win::HRESULT DAdvise(const win::FORMATETC*, win::DWORD, win::IAdviseSink*, win::DWORD*) override {
        return win::OLE_E_ADVISENOTSUPPORTED;
    }
    win::HRESULT DUnadvise(win::DWORD) override { return win::OLE_E_ADVISENOTSUPPORTED; }
    win::HRESULT EnumDAdvise(win::IEnumSTATDATA**) override { return win::OLE_E_ADVISENOTSUPPORTED; }

    win::HRESULT SetAsyncMode(win::BOOL) override { return win::S_OK; }
    win::HRESULT GetAsyncMode(win::BOOL* async) override {
        *async = win::TRUE;
        return win::S_OK;
    }
    win::HRESULT StartOperation(win::IBindCtx*) override {
        ++Starts;
        return win::S_OK;
    }
    win::HRESULT InOperation(win::BOOL* in) override {
        *in = Starts > Ends ? win::TRUE : win::FALSE;
        return win::S_OK;
    }
    win::HRESULT EndOperation(win::HRESULT result, win::IBindCtx*, win::DWORD effects) override {
        ++Ends;
        EndResult = result;
        EndEffects = effects;
        return win::S_OK;
    }
    std::atomic<int> Starts{0}, Ends{0};
    std::atomic<win::HRESULT> EndResult{1};
    std::atomic<win::DWORD> EndEffects{0};

private:
    win::ComPtr<win::IDataObject> FInner;
};

class DropTargetTest : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        dragdrop::InitializeDragDrop();
        FForm = MakeForm({100, 100, 500, 400});
        FPanel = Child(FForm, {20, 20, 200, 150}, 0);
        FTarget = new TTextDropTarget(FForm);
        FTarget->SetTarget(FPanel);
        vcl::Application->OnException = [this](TObject*, const std::exception& e) { FErrors.push_back(e.what()); };
    }
    void TearDown() override {
        vcl::Application->OnException = nullptr;
        VclControlsTest::TearDown();
        dragdrop::FinalizeDragDrop();
    }
    TScrollTarget* Child(vcl::TWinControl* parent, vcl::TRect r, win::DWORD scrollBars) {
        auto* c = new TScrollTarget(FForm, scrollBars);
        c->SetBounds(r.Left, r.Top, r.Width(), r.Height());
        c->SetParent(parent);
        Pump();
        return c;
    }
    win::IDropTarget* Ole() { return static_cast<win::IDropTarget*>(FTarget); }
    win::ComPtr<win::IDataObject> TextObject(const std::string& text) {
        return win::CreateMemoryDataObject({{uint16_t(win::CF_TEXT), Bytes(text + std::string(1, '\0'))}});
    }
    win::TPoint At(vcl::TControl* c, int x, int y) { return c->ClientToScreen({x, y}); }
    // Enters at a point and answers the effect (the result code in *hr).
    win::DWORD Enter(win::IDataObject* data, win::DWORD keys, win::TPoint p, win::DWORD allowed = allEffects,
                     win::HRESULT* hr = nullptr) {
        win::DWORD effect = allowed;
        win::HRESULT r = Ole()->DragEnter(data, keys, p, &effect);
        if (hr)
            *hr = r;
        return effect;
    }

    vcl::TForm* FForm = nullptr;
    TScrollTarget* FPanel = nullptr;
    TTextDropTarget* FTarget = nullptr;
    std::vector<std::string> FErrors;
};

TEST_F(DropTargetTest, EffectsForCopyAndLinkTargets) {
    struct Case {
        const char* What;
        win::DWORD Keys;
        win::DWORD Allowed;
        win::DWORD Expected;
    };
    const win::DWORD left = win::MK_LBUTTON;
    const std::vector<Case> cases = {
        {"no key", left, allEffects, win::DROPEFFECT_COPY},
        {"Shift", left | win::MK_SHIFT, allEffects, win::DROPEFFECT_COPY},
        {"Ctrl", left | win::MK_CONTROL, allEffects, win::DROPEFFECT_COPY},
        {"Ctrl and Shift", left | win::MK_CONTROL | win::MK_SHIFT, allEffects, win::DROPEFFECT_LINK},
        {"a source that only moves", left, win::DROPEFFECT_MOVE, win::DROPEFFECT_NONE},
    };
    auto data = TextObject("hello");
    for (const Case& c : cases) {
        win::HRESULT hr = win::E_FAIL;
        EXPECT_EQ(Enter(data.Get(), c.Keys, At(FPanel, 10, 10), c.Allowed, &hr), c.Expected) << c.What;
        EXPECT_EQ(hr, win::S_OK) << c.What;
        win::DWORD over = c.Allowed;
        Ole()->DragOver(c.Keys, At(FPanel, 12, 12), &over);
        EXPECT_EQ(over, c.Expected) << c.What;
        EXPECT_EQ(Ole()->DragLeave(), win::S_OK);
    }
    EXPECT_TRUE(FErrors.empty());
}

TEST_F(DropTargetTest, UnknownFormatsAreRefused) {
    auto data = win::CreateMemoryDataObject({{uint16_t(win::CF_UNICODETEXT), {'h', 0, 0, 0}}});
    int entered = 0;
    FTarget->OnEnter = [&](TObject*, vcl::TShiftState, win::TPoint, int32_t&) { ++entered; };
    win::HRESULT hr = win::E_FAIL;
    EXPECT_EQ(Enter(data.Get(), win::MK_LBUTTON, At(FPanel, 10, 10), allEffects, &hr), win::DROPEFFECT_NONE);
    EXPECT_EQ(hr, win::S_OK);
    EXPECT_EQ(entered, 0);
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    // Every later DragOver refuses, telling the effect it would have had.
    win::DWORD effect = allEffects;
    EXPECT_EQ(Ole()->DragOver(win::MK_LBUTTON, At(FPanel, 11, 10), &effect), win::DV_E_CLIPFORMAT);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY);
    effect = allEffects;
    EXPECT_EQ(Ole()->Drop(data.Get(), 0, At(FPanel, 11, 10), &effect), win::E_UNEXPECTED);
    EXPECT_EQ(effect, win::DROPEFFECT_NONE);
}

TEST_F(DropTargetTest, DropGivesTheDataOnlyDuringOnDropAndReportsAMoveAsACopy) {
    FTarget->SetOptimizedMove(true);
    FTarget->SetDragtypes({dtCopy, dtMove});
    std::string seen;
    win::TPoint point{-1, -1};
    FTarget->OnDrop = [&](TObject* sender, vcl::TShiftState, win::TPoint p, int32_t& effect) {
        seen = FTarget->Text->GetText();
        point = p;
        EXPECT_EQ(static_cast<TCustomDropTarget*>(sender)->GetTarget(), FPanel);
        effect = win::DROPEFFECT_MOVE;
    };
    auto data = TextObject("dropped text");
    EXPECT_EQ(Enter(data.Get(), win::MK_LBUTTON, At(FPanel, 30, 40)), win::DROPEFFECT_MOVE);
    EXPECT_EQ(FTarget->Text->GetText(), ""); // read at the drop, not on entry
    win::DWORD effect = allEffects;
    ASSERT_EQ(Ole()->Drop(data.Get(), 0, At(FPanel, 31, 41), &effect), win::S_OK);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY);
    EXPECT_EQ(seen, "dropped text");
    EXPECT_EQ(point.X, 31);
    EXPECT_EQ(point.Y, 41);
    // Afterwards: no data, no data object, no current target.
    EXPECT_EQ(FTarget->Text->GetText(), "");
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    EXPECT_EQ(FTarget->GetTarget(), FPanel);
    // The source's data object was told the copy.
    TPerformedDropEffectClipboardFormat performed;
    ASSERT_TRUE(performed.GetData(data.Get()));
    EXPECT_EQ(performed.GetValue(), uint32_t(win::DROPEFFECT_COPY));
    EXPECT_TRUE(FErrors.empty());
}

TEST_F(DropTargetTest, NestedTargetsReportTheInnerControl) {
    FTarget->SetMultiTarget(true);
    TScrollTarget* inner = Child(FPanel, {50, 50, 120, 110}, 0);
    FTarget->Register(inner);
    ASSERT_EQ(FTarget->GetTargetCount(), 2);
    EXPECT_EQ(FTarget->GetTargets(0), FPanel);
    EXPECT_EQ(FTarget->GetTargets(1), inner);
    vcl::TWinControl* dropped = nullptr;
    win::TPoint point;
    FTarget->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint p, int32_t&) {
        dropped = FTarget->GetTarget();
        point = p;
    };
    auto data = TextObject("nested");
    struct Case {
        vcl::TControl* Over;
        int X, Y;
        vcl::TWinControl* Expected;
    };
    for (Case c : {Case{inner, 5, 6, inner}, Case{FPanel, 5, 6, FPanel}}) {
        Enter(data.Get(), win::MK_LBUTTON, At(c.Over, c.X, c.Y));
        win::DWORD effect = allEffects;
        ASSERT_EQ(Ole()->Drop(data.Get(), 0, At(c.Over, c.X, c.Y), &effect), win::S_OK);
        EXPECT_EQ(dropped, c.Expected);
        EXPECT_EQ(point.X, c.X);
        EXPECT_EQ(point.Y, c.Y);
    }
}

TEST_F(DropTargetTest, RegistrationsFollowTargetAndTheControlsWindows) {
    auto registered = [&](vcl::TWinControl* c) {
        win::HWND owner = nullptr;
        win::ComPtr<win::IDropTarget> t = win::FindDropTarget(c->GetHandle(), &owner);
        return t.Get() == Ole() && owner == c->GetHandle();
    };
    EXPECT_TRUE(registered(FPanel));
    // Assigning nil outside a drag keeps the registration; another control replaces it.
    FTarget->SetTarget(nullptr);
    EXPECT_TRUE(registered(FPanel));
    TScrollTarget* other = Child(FForm, {220, 20, 360, 150}, 0);
    FTarget->SetTarget(other);
    EXPECT_FALSE(registered(FPanel));
    EXPECT_TRUE(registered(other));
    EXPECT_EQ(FTarget->GetTargetCount(), 1);
    // A new window of the control is registered again; the old one is gone.
    win::HWND before = other->GetHandle();
    other->RecreateWnd();
    EXPECT_NE(other->GetHandle(), before);
    EXPECT_TRUE(registered(other));
    // A control freed leaves the list; a control's own children are not lost to the proxy.
    other->Free();
    EXPECT_EQ(FTarget->GetTargetCount(), 0);
    EXPECT_EQ(FTarget->GetTarget(), nullptr);
    FTarget->SetTarget(FPanel);
    EXPECT_EQ(FPanel->GetControlCount(), 1); // the hidden proxy
    EXPECT_FALSE(win::IsWindowVisible(static_cast<vcl::TWinControl*>(FPanel->GetControl(0))->GetHandle()));
    FTarget->Unregister(FPanel);
    EXPECT_EQ(FPanel->GetControlCount(), 0);
    EXPECT_FALSE(registered(FPanel));
}

TEST_F(DropTargetTest, ExceptionsStopAtTheInterface) {
    auto data = TextObject("boom");
    FTarget->OnEnter = [](TObject*, vcl::TShiftState, win::TPoint, int32_t&) { throw vcl::Exception("enter failed"); };
    win::HRESULT hr = win::S_OK;
    EXPECT_EQ(Enter(data.Get(), win::MK_LBUTTON, At(FPanel, 10, 10), allEffects, &hr), win::DROPEFFECT_NONE);
    EXPECT_EQ(hr, win::E_UNEXPECTED);
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    Ole()->DragLeave();

    FTarget->OnEnter = nullptr;
    FTarget->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint, int32_t&) {
        EXPECT_EQ(FTarget->Text->GetText(), "boom");
        throw std::runtime_error("drop failed");
    };
    Enter(data.Get(), win::MK_LBUTTON, At(FPanel, 10, 10));
    win::DWORD effect = allEffects;
    EXPECT_EQ(Ole()->Drop(data.Get(), 0, At(FPanel, 10, 10), &effect), win::E_UNEXPECTED);
    EXPECT_EQ(effect, win::DROPEFFECT_NONE);
    // The clean-up of the drop ran all the same.
    EXPECT_EQ(FTarget->Text->GetText(), "");
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    EXPECT_EQ(FTarget->GetTarget(), FPanel);
    EXPECT_EQ(FErrors, (std::vector<std::string>{"enter failed", "drop failed"}));
}

TEST_F(DropTargetTest, AutoScrollStepsEveryIntervalUntilOnScrollStops) {
    FClock.SetAutoAdvance(false);
    TScrollTarget* list = Child(FForm, {220, 20, 360, 220}, win::WS_VSCROLL);
    TScrollTarget* plain = Child(FForm, {20, 170, 200, 280}, 0);
    FTarget->SetMultiTarget(true);
    FTarget->Register(list);
    FTarget->Register(plain);
    int32_t band = std::abs(list->GetFont()->GetHeight());
    ASSERT_GT(band, 2);
    auto data = TextObject("scroll");

    // Over the plain control nothing ever scrolls.
    Enter(data.Get(), win::MK_LBUTTON, At(plain, 10, 2));
    win::DWORD effect = allEffects;
    Ole()->DragOver(win::MK_LBUTTON, At(plain, 10, 2), &effect);
    EXPECT_EQ(effect & win::DROPEFFECT_SCROLL, 0u);
    FClock.Advance(200);
    Pump();
    EXPECT_TRUE(plain->Scrolls.empty());
    Ole()->DragLeave();

    // In the band above the list's middle: the scroll effect, then a line up after 50 ms and every 50 ms.
    EXPECT_EQ(Enter(data.Get(), win::MK_LBUTTON, At(list, 10, band / 2)),
              win::DROPEFFECT_COPY | win::DROPEFFECT_SCROLL);
    effect = allEffects;
    Ole()->DragOver(win::MK_LBUTTON, At(list, 10, band / 2), &effect);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY | win::DROPEFFECT_SCROLL);
    FClock.Advance(49);
    Pump();
    EXPECT_TRUE(list->Scrolls.empty());
    FClock.Advance(1);
    Pump();
    EXPECT_EQ(list->Scrolls, (std::vector<std::string>{"v0"}));
    FClock.Advance(50);
    Pump();
    EXPECT_EQ(list->Scrolls, (std::vector<std::string>{"v0", "v0"}));
    // OnScroll empties the set: no step, and the timer waits for the next DragOver.
    FTarget->OnScroll = [](TObject*, win::TPoint, TScrolDirections& scroll, int32_t&) { scroll = {}; };
    FClock.Advance(50);
    Pump();
    FClock.Advance(200);
    Pump();
    EXPECT_EQ(list->Scrolls.size(), 2u);
    // Out of the band the effect has no scroll bit; near the bottom the step is a line down.
    FTarget->OnScroll = nullptr;
    effect = allEffects;
    Ole()->DragOver(win::MK_LBUTTON, At(list, 10, 100), &effect);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY);
    effect = allEffects;
    Ole()->DragOver(win::MK_LBUTTON, At(list, 10, list->GetClientRect().Bottom - 1), &effect);
    FClock.Advance(50);
    Pump();
    EXPECT_EQ(list->Scrolls.back(), "v1");
    Ole()->DragLeave();
    FClock.Advance(200);
    Pump();
    EXPECT_EQ(list->Scrolls.size(), 3u);
}

TEST_F(DropTargetTest, ADragEnteredOutsideTheTargetsKeepsTheSettings) {
    auto data = TextObject("outside");
    win::HRESULT hr = win::E_FAIL;
    Enter(data.Get(), win::MK_LBUTTON, At(FForm, 350, 250), allEffects, &hr);
    EXPECT_EQ(hr, win::S_OK);
    EXPECT_TRUE(FTarget->GetShowImage());
    EXPECT_TRUE(FTarget->GetAutoScroll());
    Ole()->DragLeave();
    // The next drag over a scrollable target scrolls as before.
    TScrollTarget* list = Child(FForm, {220, 20, 360, 220}, win::WS_VSCROLL);
    FTarget->SetTarget(list);
    EXPECT_EQ(Enter(data.Get(), win::MK_LBUTTON, At(list, 10, 1)), win::DROPEFFECT_COPY | win::DROPEFFECT_SCROLL);
    Ole()->DragLeave();
}

TEST_F(DropTargetTest, AnAsynchronousTransferReadsOnItsThreadAndClearsAfterItsEnd) {
    FTarget->SetAllowAsyncTransfer(true);
    auto inner = TextObject("async text");
    auto data = win::ComPtr<AsyncDataObject>::Attach(new AsyncDataObject(inner));
    std::vector<std::string> events;
    std::thread::id reader;
    std::string atEnd;
    bool ended = false;
    FTarget->OnStartAsyncTransfer = [&](TObject*) { events.push_back("start"); };
    FTarget->OnAcceptFormat = [&](TObject*, TCustomDataFormat*, bool&) { reader = std::this_thread::get_id(); };
    FTarget->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint, int32_t&) { events.push_back("drop"); };
    FTarget->OnEndAsyncTransfer = [&](TObject*) {
        events.push_back("end");
        atEnd = FTarget->Text->GetText();
        ended = true;
    };
    Enter(data.Get(), win::MK_LBUTTON, At(FPanel, 10, 10));
    win::DWORD effect = allEffects;
    ASSERT_EQ(Ole()->Drop(data.Get(), 0, At(FPanel, 10, 10), &effect), win::S_OK);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY);
    EXPECT_TRUE(FErrors.empty()) << FErrors.front(); // no "can't clear" on the way out of the drop
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!ended && std::chrono::steady_clock::now() < deadline) {
        if (!vcl::CheckSynchronize(0))
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_TRUE(ended);
    EXPECT_EQ(events, (std::vector<std::string>{"start", "drop", "end"}));
    EXPECT_NE(reader, std::this_thread::get_id());
    EXPECT_EQ(atEnd, "async text");
    EXPECT_EQ(data->Starts, 1);
    EXPECT_EQ(data->Ends, 1);
    EXPECT_EQ(data->EndResult, win::S_OK);
    EXPECT_EQ(data->EndEffects, win::DWORD(win::DROPEFFECT_COPY));
    // After the end: the data and the data object are gone, and a new drag is taken.
    EXPECT_FALSE(FTarget->GetAsyncTransfer());
    EXPECT_EQ(FTarget->Text->GetText(), "");
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    FTarget->SetAllowAsyncTransfer(false);
    EXPECT_EQ(Enter(inner.Get(), win::MK_LBUTTON, At(FPanel, 10, 10)), win::DROPEFFECT_COPY);
    Ole()->DragLeave();
    EXPECT_TRUE(FErrors.empty());
}

TEST_F(DropTargetTest, PastesTheClipboard) {
    std::vector<std::string> pasted;
    FTarget->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint p, int32_t&) {
        pasted.push_back(FTarget->Text->GetText() + "@" + std::to_string(p.X) + "," + std::to_string(p.Y));
    };
    vcl::Clipboard()->SetAsText("Grüße, Loomwick");
    EXPECT_EQ(FTarget->PasteFromClipboard(), 0); // the clipboard prefers no effect
    FTarget->Assign(vcl::Clipboard());
    EXPECT_EQ(pasted, (std::vector<std::string>{"Grüße, Loomwick@0,0", "Grüße, Loomwick@0,0"}));
    // The data stays after a paste until the next one reads; the data object goes.
    EXPECT_EQ(FTarget->GetDataObject(), nullptr);
    // Sources that are neither the clipboard nor a data object are refused.
    struct TObjectSource : vcl::TPersistent {};
    TObjectSource other;
    EXPECT_THROW(FTarget->Assign(&other), vcl::EConvertError);
}

// A source that goes on while the left button is down and drops when it is released.
class ButtonSource final : public win::ComObject<win::IDropSource> {
public:
    win::HRESULT QueryContinueDrag(win::BOOL escape, win::DWORD keys) override {
        if (escape)
            return win::DRAGDROP_S_CANCEL;
        return (keys & win::MK_LBUTTON) ? win::S_OK : win::DRAGDROP_S_DROP;
    }
    win::HRESULT GiveFeedback(win::DWORD) override { return win::DRAGDROP_S_USEDEFAULTCURSORS; }
};

TEST_F(DropTargetTest, ADragThroughTheDragLoopDropsAtTheReleasePoint) {
    std::string text;
    win::TPoint point{-1, -1};
    FTarget->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint p, int32_t&) {
        text = FTarget->Text->GetText();
        point = p;
    };
    win::TPoint start = At(FForm, 300, 250), over = At(FPanel, 40, 30), release = At(FPanel, 60, 70);
    FScreen.InjectMouse(win::MouseAction::Move, start);
    FScreen.InjectMouse(win::MouseAction::LeftDown, start);
    Pump();
    FScreen.ScriptMouse(win::MouseAction::Move, over);
    FScreen.ScriptMouse(win::MouseAction::Move, release);
    FScreen.ScriptMouse(win::MouseAction::LeftUp, release);
    auto data = TextObject("dragged here");
    auto source = win::ComPtr<ButtonSource>::Attach(new ButtonSource);
    win::DWORD effect = 0;
    EXPECT_EQ(win::DoDragDrop(data.Get(), source.Get(), allEffects, &effect), win::DRAGDROP_S_DROP);
    EXPECT_EQ(effect, win::DROPEFFECT_COPY);
    EXPECT_EQ(text, "dragged here");
    EXPECT_EQ(point.X, 60);
    EXPECT_EQ(point.Y, 70);
}

TEST_F(DropTargetTest, AnswersIDropTargetAndIsNeverFreedByItsReferences) {
    void* t = nullptr;
    ASSERT_EQ(Ole()->QueryInterface(win::IDropTarget::Iid, &t), win::S_OK);
    EXPECT_EQ(t, static_cast<void*>(Ole()));
    auto reference = win::ComPtr<win::IDropTarget>::Attach(static_cast<win::IDropTarget*>(t));
    reference = nullptr;
    EXPECT_EQ(Ole()->Release(), win::ULONG(-1));
    EXPECT_EQ(FTarget->Text->GetOwner(), FTarget); // still whole
}

TEST_F(DropTargetTest, PublishedPropertiesInOrder) {
    std::vector<std::string> names;
    for (const vcl::TPropInfo* p : vcl::GetPropList(typeid(TCustomDropMultiTarget)))
        names.push_back(p->Name);
    const std::vector<std::string> own = {"Dragtypes",          "GetDataOnEnter",     "OnEnter",   "OnDragOver",
                                          "OnLeave",            "OnDrop",             "OnGetDropEffect",
                                          "OnScroll",           "OnStartAsyncTransfer", "OnEndAsyncTransfer",
                                          "ShowImage",          "Target",             "MultiTarget", "AutoScroll",
                                          "OptimizedMove",      "AllowAsyncTransfer"};
    ASSERT_GE(names.size(), own.size());
    EXPECT_EQ(std::vector<std::string>(names.end() - ptrdiff_t(own.size()), names.end()), own);
    // The values set through the table reach the component.
    const vcl::TPropInfo* dragtypes = vcl::GetPropInfo(typeid(TCustomDropMultiTarget), "Dragtypes");
    ASSERT_NE(dragtypes, nullptr);
    EXPECT_EQ(dragtypes->GetOrd(FTarget), int64_t(win::DROPEFFECT_COPY | win::DROPEFFECT_LINK));
    const vcl::TPropInfo* target = vcl::GetPropInfo(typeid(TCustomDropMultiTarget), "Target");
    ASSERT_NE(target, nullptr);
    EXPECT_EQ(target->GetObject(FTarget), FPanel);
}

} // namespace
