// The drop source through its interfaces and through whole drags on the headless screen: how a drag ends
// and is reported, the image settings, the formats it offers and takes back, the clipboard, and the faults
// its interfaces must not pass on.
#include "dragdrop/DragDropFile.h"
#include "dragdrop/DropSource.h"
#include "tests/dragdrop/DragDropTestSupport.h"
#include "tests/platform/vcl/VclControlsSupport.h"

#include "platform/vcl/Bitmap.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/user/Messages.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

using namespace dragdrop;
using namespace ddtest;

namespace ddtest {

// A source of file names.
class TFileSource : public TCustomDropMultiSource {
public:
    explicit TFileSource(vcl::TComponent* owner) : TCustomDropMultiSource(owner) { Files = new TFileDataFormat(this); }
    TFileDataFormat* Files;
};

} // namespace ddtest

namespace {

// A target that takes every drag with one effect, and at the drop writes a performed effect back and answers
// another.
class MovingTarget final : public win::ComObject<win::IDropTarget> {
public:
    win::HRESULT DragEnter(win::IDataObject*, win::DWORD, win::TPoint, win::DWORD* effect) override {
        *effect &= win::DROPEFFECT_MOVE;
        return win::S_OK;
    }
    win::HRESULT DragOver(win::DWORD, win::TPoint, win::DWORD* effect) override {
        *effect &= win::DROPEFFECT_MOVE;
        return win::S_OK;
    }
    win::HRESULT DragLeave() override { return win::S_OK; }
    win::HRESULT Drop(win::IDataObject* data, win::DWORD, win::TPoint, win::DWORD* effect) override {
        TPerformedDropEffectClipboardFormat performed;
        performed.SetValue(win::DROPEFFECT_MOVE);
        win::STGMEDIUM m;
        SetDataResult = performed.SetData(data, performed.GetFormatEtc(), m);
        *effect = win::DROPEFFECT_NONE;
        return win::S_OK;
    }
    bool SetDataResult = false;
};

class DropSourceTest : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        dragdrop::InitializeDragDrop();
        FForm = MakeForm({100, 100, 500, 400});
        FSource = new TFileSource(FForm);
        FSource->Files->GetFiles()->Add("/pictures/one.gif");
        FSource->Files->GetFiles()->Add("/pictures/two words.gif");
        FSource->OnAfterDrop = [this](TObject*, TDragResult r, bool optimized) {
            FAfter.push_back(std::to_string(int(r)) + (optimized ? "o" : ""));
        };
        vcl::Application->OnException = [this](TObject*, const std::exception& e) { FErrors.push_back(e.what()); };
    }
    void TearDown() override {
        vcl::Application->OnException = nullptr;
        VclControlsTest::TearDown();
        dragdrop::FinalizeDragDrop();
    }
    win::IDataObject* Data() { return static_cast<win::IDataObject*>(FSource); }
    win::IDropSource* Source() { return static_cast<win::IDropSource*>(FSource); }
    // A drag that starts at from with the left button and follows the script; the result of Execute.
    TDragResult Drag(win::TPoint from, const std::vector<std::function<void()>>& script) {
        FScreen.InjectMouse(win::MouseAction::Move, from);
        FScreen.InjectMouse(win::MouseAction::LeftDown, from);
        Pump();
        for (auto& step : script)
            FScreen.Script(step);
        return FSource->Execute();
    }

    vcl::TForm* FForm = nullptr;
    TFileSource* FSource = nullptr;
    std::vector<std::string> FAfter;
    std::vector<std::string> FErrors;
};

TEST_F(DropSourceTest, EscapeCancelsTheDrag) {
    win::TPoint p = FForm->ClientToScreen({20, 20});
    TDragResult r = Drag(p, {[p] { win::QueueMouseInput(win::MouseAction::Move, {p.X + 30, p.Y + 30}); },
                             [] {
                                 win::QueueKeyInput(win::VK_ESCAPE, true);
                                 win::QueueKeyInput(win::VK_ESCAPE, false);
                             }});
    EXPECT_EQ(r, drrCancel);
    EXPECT_EQ(FAfter, (std::vector<std::string>{std::to_string(int(drrCancel))}));
    EXPECT_EQ(FSource->GetPerformedDropEffect(), 0); // "not reported" is not left behind
    EXPECT_FALSE(FSource->GetInShellDragLoop());
}

TEST_F(DropSourceTest, ReleasingOverALinkOnlyTargetCancelsWithoutOnDrop) {
    int drops = 0;
    FSource->OnDrop = [&](TObject*, TDragType, bool&) { ++drops; };
    EXPECT_EQ(Source()->GiveFeedback(win::DROPEFFECT_LINK), win::DRAGDROP_S_USEDEFAULTCURSORS);
    EXPECT_EQ(Source()->QueryContinueDrag(win::FALSE, win::MK_LBUTTON), win::S_OK);
    EXPECT_EQ(Source()->QueryContinueDrag(win::FALSE, 0), win::DRAGDROP_S_CANCEL);
    EXPECT_EQ(drops, 0);
    // A copy is dropped, unless OnDrop vetoes it; Escape always cancels.
    Source()->GiveFeedback(win::DROPEFFECT_COPY);
    EXPECT_EQ(Source()->QueryContinueDrag(win::FALSE, 0), win::DRAGDROP_S_DROP);
    FSource->OnDrop = [&](TObject*, TDragType type, bool& go) {
        EXPECT_EQ(type, dtCopy);
        go = false;
    };
    EXPECT_EQ(Source()->QueryContinueDrag(win::FALSE, 0), win::DRAGDROP_S_CANCEL);
    EXPECT_EQ(Source()->QueryContinueDrag(win::TRUE, win::MK_LBUTTON), win::DRAGDROP_S_CANCEL);
    // OnFeedback may take the cursors over.
    FSource->OnFeedback = [](TObject*, int32_t, bool& defaults) { defaults = false; };
    EXPECT_EQ(Source()->GiveFeedback(win::DROPEFFECT_COPY), win::S_OK);
}

TEST_F(DropSourceTest, AMoveReportedOnlyThroughThePerformedEffect) {
    FSource->SetDragTypes({dtCopy, dtMove});
    auto* window = new vcl::TPanel(FForm);
    window->SetBounds(200, 100, 150, 100);
    window->SetParent(FForm);
    Pump();
    auto target = win::ComPtr<MovingTarget>::Attach(new MovingTarget);
    ASSERT_EQ(win::RegisterDragDrop(window->GetHandle(), target.Get()), win::S_OK);
    win::TPoint from = FForm->ClientToScreen({20, 20}), to = window->ClientToScreen({30, 30});
    TDragResult r = Drag(from, {[to] { win::QueueMouseInput(win::MouseAction::Move, to); },
                                [to] { win::QueueMouseInput(win::MouseAction::LeftUp, to); }});
    EXPECT_TRUE(target->SetDataResult);
    EXPECT_EQ(r, drrMove);
    EXPECT_EQ(FSource->GetPerformedDropEffect(), int32_t(win::DROPEFFECT_MOVE));
    // The target moved the files itself (an optimised move: the source has nothing left to delete).
    EXPECT_EQ(FAfter, (std::vector<std::string>{std::to_string(int(drrMove)) + "o"}));
    win::RevokeDragDrop(window->GetHandle());
}

TEST_F(DropSourceTest, AFileDragOntoAFileTargetDeliversTheNames) {
    auto* target = new TFileDropTarget(FForm);
    auto* panel = new vcl::TPanel(FForm);
    panel->SetBounds(200, 100, 150, 100);
    panel->SetParent(FForm);
    Pump();
    target->SetTarget(panel);
    std::vector<std::string> names;
    target->OnDrop = [&](TObject*, vcl::TShiftState, win::TPoint, int32_t&) {
        for (int32_t i = 0; i < target->GetFileNames()->Count(); ++i)
            names.push_back(target->GetFileNames()->Get(i));
    };
    win::TPoint from = FForm->ClientToScreen({20, 20}), to = panel->ClientToScreen({30, 30});
    TDragResult r = Drag(from, {[to] { win::QueueMouseInput(win::MouseAction::Move, to); },
                                [to] { win::QueueMouseInput(win::MouseAction::LeftUp, to); }});
    EXPECT_EQ(r, drrCopy);
    EXPECT_EQ(names, (std::vector<std::string>{"/pictures/one.gif", "/pictures/two words.gif"}));
    EXPECT_EQ(FSource->GetPerformedDropEffect(), int32_t(win::DROPEFFECT_COPY));
    EXPECT_TRUE(FErrors.empty());
}

TEST_F(DropSourceTest, ImageSettings) {
    auto* images = new vcl::TImageList(FForm);
    vcl::TBitmap bitmap;
    bitmap.SetSize(48, 16);
    images->Add(&bitmap, nullptr);
    ASSERT_EQ(images->GetCount(), 3);
    FSource->SetShowImage(true);
    EXPECT_FALSE(FSource->GetShowImage()); // no image list yet
    FSource->SetImages(images);
    FSource->SetShowImage(true);
    FSource->SetImageIndex(2);
    FSource->SetImageIndex(5);
    EXPECT_EQ(FSource->GetImageIndex(), 2);
    EXPECT_TRUE(FSource->GetShowImage());
    FSource->SetImageIndex(-1);
    EXPECT_EQ(FSource->GetImageIndex(), 0);
    EXPECT_FALSE(FSource->GetShowImage());
    // The image list going away leaves none.
    images->Free();
    EXPECT_EQ(FSource->GetImages(), nullptr);
    EXPECT_EQ(FSource->GetImageHotSpotX(), 16);
}

std::vector<std::string> Enumerated(win::IDataObject* data, win::DWORD direction) {
    win::IEnumFORMATETC* e = nullptr;
    std::vector<std::string> names;
    if (data->EnumFormatEtc(direction, &e) != win::S_OK)
        return names;
    auto formats = win::ComPtr<win::IEnumFORMATETC>::Attach(e);
    win::FORMATETC f;
    win::ULONG n = 0;
    while (formats->Next(1, &f, &n) == win::S_OK && n == 1)
        names.push_back(f.cfFormat == win::CF_HDROP ? "CF_HDROP" : GetClipboardFormatNameStr(f.cfFormat));
    return names;
}

TEST_F(DropSourceTest, OffersAndTakesBackItsFormats) {
    EXPECT_EQ(Enumerated(Data(), win::DATADIR_SET),
              (std::vector<std::string>{"Logical Performed DropEffect", "TargetCLSID", "Paste Succeeded",
                                        "Performed DropEffect"}));
    EXPECT_EQ(Enumerated(Data(), win::DATADIR_GET),
              (std::vector<std::string>{"InShellDragLoop", "Preferred DropEffect", "CF_HDROP", "Shell IDList Array",
                                        "FileNameW", "FileName"}));
    // The names as CF_HDROP, read by the platform's own reader.
    win::FORMATETC hdrop{uint16_t(win::CF_HDROP), nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL};
    win::STGMEDIUM m;
    ASSERT_EQ(Data()->GetData(&hdrop, &m), win::S_OK);
    std::vector<uint8_t> block = MediumBytes(m);
    win::ReleaseStgMedium(&m);
    EXPECT_EQ(win::ReadHDrop(block.data(), block.size()),
              (std::vector<std::string>{"/pictures/one.gif", "/pictures/two words.gif"}));
    win::FORMATETC unknown{uint16_t(win::RegisterClipboardFormat("Not offered")), nullptr, win::DVASPECT_CONTENT, -1,
                           win::TYMED_HGLOBAL};
    EXPECT_EQ(Data()->QueryGetData(&unknown), win::DV_E_FORMATETC);

    // An accepted format whose block no data format takes is kept as it came, and offered so afterwards (while
    // the feedback format, listed first, holds no value it would offer instead).
    uint16_t performed = uint16_t(win::RegisterClipboardFormat(win::CFSTR_PERFORMEDDROPEFFECT));
    win::FORMATETC p{performed, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL};
    win::STGMEDIUM shortBlock = MakeMedium(Medium::HGlobal, {7, 7, 7});
    EXPECT_EQ(Data()->SetData(&p, &shortBlock, win::TRUE), win::S_OK);
    ASSERT_EQ(Data()->GetData(&p, &m), win::S_OK);
    EXPECT_EQ(MediumBytes(m), (std::vector<uint8_t>{7, 7, 7}));
    win::ReleaseStgMedium(&m);
    EXPECT_EQ(Data()->SetData(&unknown, &shortBlock, win::FALSE), win::DV_E_FORMATETC);
    // "Paste Succeeded" written back fires OnPaste.
    std::vector<std::string> pastes;
    FSource->OnPaste = [&](TObject*, TDragResult action, bool deleteOnPaste) {
        pastes.push_back(std::to_string(int(action)) + (deleteOnPaste ? "d" : ""));
    };
    uint16_t pasted = uint16_t(win::RegisterClipboardFormat(win::CFSTR_PASTESUCCEEDED));
    win::FORMATETC f{pasted, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL};
    win::STGMEDIUM value = MakeMedium(Medium::HGlobal, {1, 0, 0, 0});
    EXPECT_EQ(Data()->SetData(&f, &value, win::TRUE), win::S_OK);
    EXPECT_EQ(pastes, (std::vector<std::string>{std::to_string(int(drrCopy))}));
    EXPECT_EQ(FSource->GetFeedbackDataFormat()->GetPasteSucceeded(), 1);

}

TEST_F(DropSourceTest, TheClipboardKeepsTheDataAsItWas) {
    ASSERT_TRUE(FSource->CutToClipboard());
    EXPECT_EQ(win::OleIsCurrentClipboard(Data()), win::S_OK);
    win::IDataObject* clip = nullptr;
    ASSERT_EQ(win::OleGetClipboard(&clip), win::S_OK);
    auto clipboard = win::ComPtr<win::IDataObject>::Attach(clip);
    TPreferredDropEffectClipboardFormat preferred;
    ASSERT_TRUE(preferred.GetData(clipboard.Get()));
    EXPECT_EQ(preferred.GetValue(), uint32_t(win::DROPEFFECT_MOVE));
    clipboard = nullptr;
    // A change of the data flushes the clipboard first: it keeps the names as they were.
    FSource->Files->GetFiles()->Add("/pictures/three.gif");
    EXPECT_EQ(win::OleIsCurrentClipboard(Data()), win::S_FALSE);
    ASSERT_EQ(win::OleGetClipboard(&clip), win::S_OK);
    clipboard = win::ComPtr<win::IDataObject>::Attach(clip);
    TFileClipboardFormat hdrop;
    ASSERT_TRUE(hdrop.GetData(clipboard.Get()));
    EXPECT_EQ(hdrop.GetFiles()->Count(), 2);
    // A copy is preferred as a copy; the source gone, the clipboard does not keep it.
    ASSERT_TRUE(FSource->CopyToClipboard());
    EXPECT_EQ(FSource->GetPreferredDropEffect(), int32_t(win::DROPEFFECT_COPY));
    FSource->Free();
    FSource = nullptr;
    EXPECT_EQ(win::OleIsCurrentClipboard(nullptr), win::S_FALSE);
    ASSERT_EQ(win::OleGetClipboard(&clip), win::S_OK);
    clip->Release();
}

// Counts the releases of a medium it is the pUnkForRelease of.
class MediumOwner final : public win::ComObject<win::IUnknown> {
public:
    win::ULONG Release() override {
        ++Releases;
        return ComObject::Release();
    }
    int Releases = 0;
};

TEST_F(DropSourceTest, InterfaceFaultsAreMended) {
    // OnGetData supplies the medium when it handles the call.
    FSource->OnGetData = [](TObject*, const win::FORMATETC&, win::STGMEDIUM& medium, bool& handled) {
        medium = MakeMedium(Medium::HGlobal, Bytes("from the handler"));
        handled = true;
    };
    win::FORMATETC text{uint16_t(win::CF_TEXT), nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL};
    win::STGMEDIUM m;
    ASSERT_EQ(Data()->GetData(&text, &m), win::S_OK);
    EXPECT_EQ(MediumBytes(m), Bytes("from the handler"));
    win::ReleaseStgMedium(&m);
    FSource->OnGetData = nullptr;

    // A medium written back is released once when handed over, and not at all when only lent.
    uint16_t performed = uint16_t(win::RegisterClipboardFormat(win::CFSTR_PERFORMEDDROPEFFECT));
    win::FORMATETC p{performed, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL};
    for (win::BOOL release : {win::TRUE, win::FALSE}) {
        auto owner = win::ComPtr<MediumOwner>::Attach(new MediumOwner);
        win::STGMEDIUM lent = MakeMedium(Medium::HGlobal, {2, 0, 0, 0});
        win::HGLOBAL block = lent.hGlobal;
        lent.pUnkForRelease = owner.Get();
        owner->AddRef();
        EXPECT_EQ(Data()->SetData(&p, &lent, release), win::S_OK);
        EXPECT_EQ(FSource->GetPerformedDropEffect(), 2);
        EXPECT_EQ(owner->Releases, release ? 1 : 0);
        if (!release) {
            EXPECT_EQ(lent.hGlobal, block); // left alone
            win::ReleaseStgMedium(&lent);
        }
        win::GlobalFree(block);
    }

    // Exceptions stop at the interfaces.
    FSource->OnDrop = [](TObject*, TDragType, bool&) { throw vcl::Exception("drop vetoed badly"); };
    Source()->GiveFeedback(win::DROPEFFECT_COPY);
    EXPECT_EQ(Source()->QueryContinueDrag(win::FALSE, 0), win::DRAGDROP_S_CANCEL);
    FSource->OnGetData = [](TObject*, const win::FORMATETC&, win::STGMEDIUM&, bool&) {
        throw std::runtime_error("no data today");
    };
    EXPECT_EQ(Data()->GetData(&text, &m), win::E_UNEXPECTED);
    FSource->SetAllowAsyncTransfer(true);
    auto* async = static_cast<win::IAsyncOperation*>(FSource);
    ASSERT_EQ(async->SetAsyncMode(win::TRUE), win::S_OK);
    ASSERT_EQ(async->StartOperation(nullptr), win::S_OK);
    FSource->OnAfterDrop = [](TObject*, TDragResult, bool) { throw vcl::Exception("after drop failed"); };
    EXPECT_EQ(async->EndOperation(win::S_OK, nullptr, win::DROPEFFECT_COPY), win::E_UNEXPECTED);
    EXPECT_EQ(FErrors, (std::vector<std::string>{"drop vetoed badly", "no data today", "after drop failed"}));
}

TEST_F(DropSourceTest, AsynchronousOperationsReportTheirEnd) {
    auto* async = static_cast<win::IAsyncOperation*>(FSource);
    EXPECT_EQ(async->SetAsyncMode(win::TRUE), win::E_NOTIMPL);
    EXPECT_EQ(async->StartOperation(nullptr), win::E_NOTIMPL);
    FSource->SetAllowAsyncTransfer(true);
    ASSERT_EQ(async->SetAsyncMode(win::TRUE), win::S_OK);
    win::BOOL mode = win::FALSE;
    async->GetAsyncMode(&mode);
    EXPECT_EQ(mode, win::BOOL(-1));
    EXPECT_EQ(async->EndOperation(win::S_OK, nullptr, 0), win::E_FAIL);
    ASSERT_EQ(async->StartOperation(nullptr), win::S_OK);
    EXPECT_EQ(async->EndOperation(win::S_OK, nullptr, win::DROPEFFECT_COPY | win::DROPEFFECT_MOVE), win::S_OK);
    ASSERT_EQ(async->StartOperation(nullptr), win::S_OK);
    EXPECT_EQ(async->EndOperation(win::E_FAIL, nullptr, win::DROPEFFECT_COPY), win::S_OK);
    // Copy and move masked by [dtCopy]: a copy; a failed operation: unknown.
    EXPECT_EQ(FAfter, (std::vector<std::string>{std::to_string(int(drrCopy)) + "o", std::to_string(int(drrUnknown)) + "o"}));
    FSource->SetAllowAsyncTransfer(false);
    async->GetAsyncMode(&mode);
    EXPECT_EQ(mode, win::FALSE);
}

TEST(DropSourceRoutinesTest, DropEffectToDragResult) {
    EXPECT_EQ(DropEffectToDragResult(0), drrCancel);
    EXPECT_EQ(DropEffectToDragResult(win::DROPEFFECT_COPY), drrCopy);
    EXPECT_EQ(DropEffectToDragResult(win::DROPEFFECT_MOVE), drrMove);
    EXPECT_EQ(DropEffectToDragResult(win::DROPEFFECT_LINK), drrLink);
    EXPECT_EQ(DropEffectToDragResult(win::DROPEFFECT_COPY | win::DROPEFFECT_LINK), drrUnknown);
}

} // namespace
