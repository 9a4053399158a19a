#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/ole/Ole.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace win;

namespace {

// A target that records what it is told and answers `Answer` (masked by what is allowed).
class RecordingTarget final : public ComObject<IDropTarget> {
public:
    HRESULT DragEnter(IDataObject* data, DWORD keys, TPoint p, DWORD* effect) override {
        Calls.push_back("enter " + Where(p));
        Keys = keys;
        *effect &= Answer;
        return S_OK;
    }
    HRESULT DragOver(DWORD keys, TPoint p, DWORD* effect) override {
        Calls.push_back("over " + Where(p));
        Keys = keys;
        *effect &= Answer;
        return S_OK;
    }
    HRESULT DragLeave() override {
        Calls.push_back("leave");
        return S_OK;
    }
    HRESULT Drop(IDataObject* data, DWORD keys, TPoint p, DWORD* effect) override {
        Calls.push_back("drop " + Where(p));
        Keys = keys;
        *effect &= Answer;
        Dropped = ComPtr<IDataObject>(data);
        return S_OK;
    }
    static std::string Where(TPoint p) { return std::to_string(p.X) + "," + std::to_string(p.Y); }

    std::vector<std::string> Calls;
    DWORD Keys = 0;
    DWORD Answer = DROPEFFECT_COPY | DROPEFFECT_MOVE;
    ComPtr<IDataObject> Dropped;
};

// A source that goes on while the left button is down and cancels on Escape.
class TestSource final : public ComObject<IDropSource> {
public:
    HRESULT QueryContinueDrag(BOOL escape, DWORD keys) override {
        if (escape)
            return DRAGDROP_S_CANCEL;
        return (keys & MK_LBUTTON) ? S_OK : DRAGDROP_S_DROP;
    }
    HRESULT GiveFeedback(DWORD effect) override {
        Feedback.push_back(effect);
        return DRAGDROP_S_USEDEFAULTCURSORS;
    }
    std::vector<DWORD> Feedback;
};

// A screen that hands out one scripted input each time a loop waits, and fails a wait with nothing left
// (queued all at once, mouse moves would merge into one, as they do on a real queue).
class ScriptScreen final : public IScreenBackend {
public:
    ScriptScreen() { SetScreenBackend(this); }
    ~ScriptScreen() override { SetScreenBackend(nullptr); }
    std::vector<MonitorDesc> Monitors() override { return {{{0, 0, 1024, 768}, {0, 0, 1024, 738}, true}}; }
    void WaitForEvents(DWORD, const std::string& waiter) override {
        if (FSteps.empty())
            throw StallError(waiter + " stalled");
        auto step = FSteps.front();
        FSteps.erase(FSteps.begin());
        step();
    }
    void Wake() override {}
    std::vector<std::function<void()>> FSteps;
};

class DragDropTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetInputState();
        static bool registered = false;
        if (!registered) {
            WNDCLASSEX wc;
            wc.lpfnWndProc = DefWindowProc;
            wc.lpszClassName = "DropTestWindow";
            RegisterClassEx(wc);
            registered = true;
        }
        FTarget = ComPtr<RecordingTarget>::Attach(new RecordingTarget);
        FSource = ComPtr<TestSource>::Attach(new TestSource);
        FData = CreateMemoryDataObject({{CLIPFORMAT(CF_TEXT), {'h', 'i', 0}}});
        FLeft = Window({0, 0, 100, 100});
        FRight = Window({200, 0, 300, 100});
    }
    void TearDown() override {
        for (HWND w : FWindows)
            DestroyWindow(w);
        ResetInputState();
    }
    HWND Window(TRect r, HWND parent = nullptr) {
        HWND w = CreateWindowEx(0, "DropTestWindow", "", (parent ? WS_CHILD : WS_POPUP) | WS_VISIBLE, r.Left,
                                r.Top, r.Width(), r.Height(), parent, nullptr, nullptr, nullptr);
        if (!parent)
            FWindows.push_back(w);
        return w;
    }
    // The whole drag is queued before the loop starts; the loop ends on its own when the button is up.
    HRESULT Drag(const std::vector<TPoint>& path, bool escapeBeforeRelease, DWORD* effect,
                 DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_MOVE | DROPEFFECT_LINK) {
        QueueMouseInput(MouseAction::Move, path.front());
        QueueMouseInput(MouseAction::LeftDown, path.front());
        MSG msg;
        while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) // the press that starts the drag
            DispatchMessage(&msg);
        auto& steps = FScreen.FSteps;
        for (size_t i = 1; i < path.size(); ++i)
            steps.push_back([p = path[i]] { QueueMouseInput(MouseAction::Move, p); });
        if (escapeBeforeRelease)
            steps.push_back([] {
                QueueKeyInput(VK_ESCAPE, true);
                QueueKeyInput(VK_ESCAPE, false);
            });
        steps.push_back([p = path.back()] { QueueMouseInput(MouseAction::LeftUp, p); });
        HRESULT hr = DoDragDrop(FData.Get(), FSource.Get(), allowed, effect);
        steps.clear();
        return hr;
    }

    ScriptScreen FScreen;
    ComPtr<RecordingTarget> FTarget;
    ComPtr<TestSource> FSource;
    ComPtr<IDataObject> FData;
    HWND FLeft = nullptr;
    HWND FRight = nullptr;
    std::vector<HWND> FWindows;
};

} // namespace

TEST_F(DragDropTest, RegistrationIsOncePerWindowAndEndsWithTheWindow) {
    EXPECT_EQ(RegisterDragDrop(FLeft, FTarget.Get()), S_OK);
    EXPECT_EQ(RegisterDragDrop(FLeft, FTarget.Get()), DRAGDROP_E_ALREADYREGISTERED);
    EXPECT_EQ(RegisterDragDrop(nullptr, FTarget.Get()), DRAGDROP_E_INVALIDHWND);
    EXPECT_EQ(RevokeDragDrop(FRight), DRAGDROP_E_NOTREGISTERED);
    // A child finds the target of the nearest registered parent.
    HWND child = Window({10, 10, 50, 50}, FLeft);
    HWND owner = nullptr;
    EXPECT_EQ(FindDropTarget(child, &owner).Get(), FTarget.Get());
    EXPECT_EQ(owner, FLeft);
    EXPECT_EQ(RevokeDragDrop(FLeft), S_OK);
    EXPECT_FALSE(FindDropTarget(child));

    // The registration holds a reference, let go of when the window is destroyed.
    ULONG before = FTarget->AddRef();
    FTarget->Release();
    RegisterDragDrop(FRight, FTarget.Get());
    EXPECT_EQ(FTarget->AddRef(), before + 1);
    FTarget->Release();
    DestroyWindow(FRight);
    EXPECT_EQ(FTarget->AddRef(), before);
    FTarget->Release();
}

TEST_F(DragDropTest, TheLoopFollowsThePointerAcrossTargetsAndDropsWhereTheButtonIsReleased) {
    auto other = ComPtr<RecordingTarget>::Attach(new RecordingTarget);
    RegisterDragDrop(FLeft, FTarget.Get());
    RegisterDragDrop(FRight, other.Get());
    QueueKeyInput(VK_CONTROL, true);
    DWORD effect = 99;
    HRESULT hr = Drag({{10, 10}, {20, 20}, {150, 50}, {250, 50}, {260, 60}}, false, &effect);
    QueueKeyInput(VK_CONTROL, false);
    EXPECT_EQ(hr, DRAGDROP_S_DROP);
    EXPECT_EQ(effect, DROPEFFECT_COPY | DROPEFFECT_MOVE);
    EXPECT_EQ(FTarget->Calls, (std::vector<std::string>{"enter 10,10", "over 20,20", "leave"}));
    EXPECT_EQ(other->Calls, (std::vector<std::string>{"enter 250,50", "over 260,60", "drop 260,60"}));
    EXPECT_EQ(other->Keys & MK_CONTROL, DWORD(MK_CONTROL));
    EXPECT_EQ(other->Dropped.Get(), FData.Get());
    // Feedback had no effect over the gap between the windows.
    EXPECT_NE(std::find(FSource->Feedback.begin(), FSource->Feedback.end(), DROPEFFECT_NONE),
              FSource->Feedback.end());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(DragDropTest, EscapeARefusingTargetOrNoTargetEndWithoutADrop) {
    RegisterDragDrop(FLeft, FTarget.Get());
    DWORD effect = 99;
    EXPECT_EQ(Drag({{10, 10}, {20, 20}}, true, &effect), DRAGDROP_S_CANCEL);
    EXPECT_EQ(effect, DROPEFFECT_NONE);
    EXPECT_EQ(FTarget->Calls.back(), "leave");

    FTarget->Calls.clear();
    FTarget->Answer = DROPEFFECT_NONE;
    EXPECT_EQ(Drag({{10, 10}, {20, 20}}, false, &effect), DRAGDROP_S_CANCEL);
    EXPECT_EQ(FTarget->Calls.back(), "leave");

    FTarget->Calls.clear();
    FTarget->Answer = DROPEFFECT_LINK; // the target wants what the source does not allow
    EXPECT_EQ(Drag({{10, 10}, {20, 20}}, false, &effect, DROPEFFECT_COPY), DRAGDROP_S_CANCEL);
    EXPECT_EQ(FTarget->Calls.back(), "leave");

    EXPECT_EQ(Drag({{150, 10}, {160, 20}}, false, &effect), DRAGDROP_S_CANCEL);
    EXPECT_EQ(DoDragDrop(nullptr, FSource.Get(), DROPEFFECT_COPY, &effect), E_INVALIDARG);
}

TEST_F(DragDropTest, AStalledDragLetsGoOfTheMouseAndTheTarget) {
    RegisterDragDrop(FLeft, FTarget.Get());
    QueueMouseInput(MouseAction::Move, {10, 10});
    QueueMouseInput(MouseAction::LeftDown, {10, 10});
    MSG msg;
    while (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE))
        DispatchMessage(&msg);
    DWORD effect = 0;
    EXPECT_THROW(DoDragDrop(FData.Get(), FSource.Get(), DROPEFFECT_COPY, &effect), StallError);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(FTarget->Calls.back(), "leave");
}

TEST_F(DragDropTest, ADragFromAnotherProgramEntersMovesLeavesAndDrops) {
    RegisterDragDrop(FLeft, FTarget.Get());
    ExternalDrag drag;
    DWORD allowed = DROPEFFECT_COPY | DROPEFFECT_LINK;
    EXPECT_EQ(drag.Move(FData.Get(), {10, 10}, 0, allowed), DROPEFFECT_COPY);
    EXPECT_EQ(drag.CurrentWindow(), FLeft);
    EXPECT_EQ(drag.Move(FData.Get(), {150, 10}, 0, allowed), DROPEFFECT_NONE);
    EXPECT_EQ(drag.Drop(FData.Get(), {20, 20}, MK_SHIFT, allowed), DROPEFFECT_COPY);
    EXPECT_EQ(FTarget->Calls,
              (std::vector<std::string>{"enter 10,10", "leave", "enter 20,20", "drop 20,20"}));
    EXPECT_EQ(FTarget->Keys, DWORD(MK_SHIFT));
    EXPECT_EQ(drag.Drop(FData.Get(), {150, 20}, 0, allowed), DROPEFFECT_NONE);
}

TEST(OleClipboard, ADataObjectsFormatsReachThePlainClipboardAndOutliveIt) {
    UINT gif = RegisterClipboardFormat("GIF Image");
    auto data =
        CreateMemoryDataObject({{CLIPFORMAT(CF_TEXT), {'a', 'b', 0}}, {CLIPFORMAT(gif), {'G', 'I', 'F'}}});
    ASSERT_EQ(OleSetClipboard(data.Get()), S_OK);
    EXPECT_EQ(OleIsCurrentClipboard(data.Get()), S_OK);
    EXPECT_TRUE(IsClipboardFormatAvailable(gif));

    IDataObject* raw = nullptr;
    ASSERT_EQ(OleGetClipboard(&raw), S_OK);
    EXPECT_EQ(raw, data.Get());
    raw->Release();

    // Flushing lets go of the object; a plain reader still finds the data, and so does OleGetClipboard.
    EXPECT_EQ(OleFlushClipboard(), S_OK);
    EXPECT_EQ(OleIsCurrentClipboard(data.Get()), S_FALSE);
    ASSERT_EQ(OleGetClipboard(&raw), S_OK);
    auto snapshot = ComPtr<IDataObject>::Attach(raw);
    FORMATETC f{CLIPFORMAT(gif), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium;
    ASSERT_EQ(snapshot->GetData(&f, &medium), S_OK);
    std::vector<uint8_t> bytes;
    ReadMediumBytes(medium, &bytes);
    ReleaseStgMedium(&medium);
    EXPECT_EQ(bytes, (std::vector<uint8_t>{'G', 'I', 'F'}));

    // Another writer takes the clipboard over: the object is no longer current.
    ASSERT_EQ(OleSetClipboard(data.Get()), S_OK);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    EXPECT_EQ(OleIsCurrentClipboard(data.Get()), S_FALSE);
    ASSERT_EQ(OleSetClipboard(nullptr), S_OK);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
}
