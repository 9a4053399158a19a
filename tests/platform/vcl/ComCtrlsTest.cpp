#include "platform/vcl/ComCtrls.h"

#include "VclControlsSupport.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"

#include <algorithm>

using namespace vcl;
using vcltest::Place;
using vcltest::VclControlsTest;

namespace {

TListView* FrameList(TWinControl* parent) {
    auto* lv = Place<TListView>(parent, {10, 10, 360, 200});
    lv->SetViewStyle(vsReport);
    lv->SetMultiSelect(true);
    lv->SetReadOnly(true);
    TListColumn* frame = lv->GetColumns()->Add();
    frame->SetCaption("Frame");
    frame->SetWidth(196);
    TListColumn* size = lv->GetColumns()->Add();
    size->SetCaption("Size");
    size->SetWidth(96);
    for (int i = 0; i < 4; ++i) {
        TListItem* item = lv->GetItems()->Add();
        item->SetCaption("Frame " + std::to_string(i + 1));
        item->GetSubItems()->Add(std::to_string(10 * (i + 1)) + " KB");
    }
    return lv;
}

} // namespace

TEST_F(VclControlsTest, ListViewReportsEverySelectionChangeByMouseKeysOrCode) {
    TForm* form = MakeForm();
    TListView* lv = FrameList(form);
    std::vector<std::pair<int, bool>> events;
    lv->OnSelectItem = [&](TObject*, TListItem* item, bool selected) {
        events.push_back({item->GetIndex(), selected});
    };
    TRect r = lv->GetItems()->GetItem(1)->DisplayRect(drLabel);
    Click(lv, r.Left + 5, r.Top + 3);
    EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{1, true}}));
    EXPECT_EQ(lv->GetSelected(), lv->GetItems()->GetItem(1));
    events.clear();
    FScreen.InjectKey(win::VK_SHIFT, true);
    Key(win::VK_DOWN);
    FScreen.InjectKey(win::VK_SHIFT, false);
    Pump();
    EXPECT_EQ(lv->GetSelCount(), 2);
    EXPECT_EQ(events, (std::vector<std::pair<int, bool>>{{2, true}}));
    events.clear();
    lv->SetSelected(lv->GetItems()->GetItem(0)); // by code: reported as well
    EXPECT_EQ(lv->GetSelCount(), 1);
    EXPECT_EQ(events.size(), 3u);
    EXPECT_EQ(lv->GetNextItem(nullptr, sdAll, {isSelected}), lv->GetItems()->GetItem(0));
    EXPECT_EQ(lv->GetItemAt(r.Left + 5, r.Top + 3), lv->GetItems()->GetItem(1));
}

TEST_F(VclControlsTest, ListViewColumnsClicksSortingAndRecreationKeepItems) {
    TForm* form = MakeForm();
    TListView* lv = FrameList(form);
    TListColumn* clicked = nullptr;
    lv->OnColumnClick = [&](TObject*, TListColumn* c) { clicked = c; };
    auto header = reinterpret_cast<win::HWND>(win::SendMessage(lv->GetHandle(), win::LVM_GETHEADER, 0, 0));
    TPoint p{220, 5};
    win::ClientToScreen(header, &p);
    FScreen.InjectClick(p);
    Pump();
    EXPECT_EQ(clicked, lv->Column(1));
    lv->GetItems()->GetItem(2)->SetChecked(false);
    lv->GetItems()->GetItem(3)->SetSelected(true);
    lv->OnCompare = [](TObject*, TListItem* a, TListItem* b, int32_t, int32_t& r) {
        r = b->GetCaption().compare(a->GetCaption());
    };
    lv->AlphaSort();
    EXPECT_EQ(lv->GetItems()->GetItem(0)->GetCaption(), "Frame 4");
    EXPECT_TRUE(lv->GetItems()->GetItem(0)->GetSelected());
    lv->SetCheckboxes(true);
    lv->GetItems()->GetItem(1)->SetChecked(true);
    lv->SetHideSelection(false); // a new window
    EXPECT_EQ(lv->GetItems()->GetCount(), 4);
    EXPECT_TRUE(lv->GetItems()->GetItem(0)->GetSelected());
    EXPECT_TRUE(lv->GetItems()->GetItem(1)->GetChecked());
    EXPECT_EQ(lv->Column(0)->GetWidth(), 196);
    char text[32] = {};
    win::LVITEM item;
    item.iSubItem = 1;
    item.pszText = text;
    item.cchTextMax = sizeof(text);
    win::SendMessage(lv->GetHandle(), win::LVM_GETITEMTEXT, 0, reinterpret_cast<win::LPARAM>(&item));
    EXPECT_STREQ(text, "40 KB");
    std::vector<std::string> deleted;
    lv->OnDeletion = [&](TObject*, TListItem* i) { deleted.push_back(i->GetCaption()); };
    lv->GetItems()->Delete(0);
    lv->Clear();
    EXPECT_EQ(deleted.size(), 4u);
}

TEST_F(VclControlsTest, ListViewCustomDrawColoursARow) {
    TForm* form = MakeForm();
    TListView* lv = FrameList(form);
    std::vector<int> asked;
    lv->OnCustomDrawItem = [&](TCustomListView* sender, TListItem* item, TCustomDrawState,
                               bool& defaultDraw) {
        asked.push_back(item->GetIndex());
        if (item->GetIndex() == 0)
            sender->GetCanvas()->GetFont()->SetColor(clRed);
        defaultDraw = item->GetIndex() != 2;
    };
    lv->Repaint();
    Pump();
    for (int i = 0; i < 4; ++i)
        EXPECT_NE(std::find(asked.begin(), asked.end(), i), asked.end()) << i;
}

TEST_F(VclControlsTest, StatusBarPanelsAndOwnerDrawnOnes) {
    TForm* form = MakeForm();
    auto* bar = new TStatusBar(form);
    bar->SetParent(form);
    for (int w : {20, 225, 50})
        bar->GetPanels()->Add()->SetWidth(w);
    bar->GetPanels()->GetItem(0)->SetStyle(psOwnerDraw);
    int drawn = 0;
    bar->OnDrawPanel = [&](TStatusBar* sb, TStatusPanel* panel, const TRect& rect) {
        ++drawn;
        EXPECT_EQ(panel->GetIndex(), 0);
        sb->GetCanvas()->GetBrush()->SetColor(clRed);
        sb->GetCanvas()->FillRect(rect);
    };
    bar->GetPanels()->GetItem(2)->SetText("Ready");
    bar->Repaint();
    EXPECT_GT(drawn, 0);
    EXPECT_EQ(bar->GetTop() + bar->GetHeight(), form->GetClientHeight());
    char text[32] = {};
    win::SendMessage(bar->GetHandle(), win::SB_GETTEXT, 2, reinterpret_cast<win::LPARAM>(text));
    EXPECT_STREQ(text, "Ready");
    TRect part;
    win::SendMessage(bar->GetHandle(), win::SB_GETRECT, 1, reinterpret_cast<win::LPARAM>(&part));
    EXPECT_EQ(part.Right, 245);
    // A progress bar can sit inside it.
    auto* progress = new TProgressBar(form);
    progress->SetParent(bar);
    progress->SetBounds(250, 2, 100, 14);
    progress->SetPosition(50);
    progress->StepIt();
    EXPECT_EQ(progress->GetPosition(), 60);
}

// A drawing handler that raises leaves the canvas as it found it: unlocked and without the borrowed DC.
TEST_F(VclControlsTest, OwnerDrawHandlerThatRaisesGivesTheCanvasBack) {
    TForm* form = MakeForm();
    auto* bar = new TStatusBar(form);
    bar->SetParent(form);
    bar->GetPanels()->Add()->SetWidth(40);
    bar->GetPanels()->GetItem(0)->SetStyle(psOwnerDraw);
    int raised = 0;
    bar->OnDrawPanel = [&](TStatusBar*, TStatusPanel*, const TRect&) {
        ++raised;
        throw EConvertError("cannot draw");
    };
    std::vector<std::string> reported;
    Application->OnException = [&](TObject*, const std::exception& e) { reported.push_back(e.what()); };
    bar->Repaint();
    Application->OnException = nullptr;
    EXPECT_GT(raised, 0);
    ASSERT_FALSE(reported.empty());
    EXPECT_EQ(reported[0], "cannot draw");
    EXPECT_EQ(bar->GetCanvas()->GetLockCount(), 0);
    EXPECT_FALSE(bar->GetCanvas()->HandleAllocated());
}

TEST_F(VclControlsTest, TrackBarChangesByKeysAndUpDownStepsItsEdit) {
    TForm* form = MakeForm();
    auto* track = Place<TTrackBar>(form, {10, 10, 55, 160});
    track->SetOrientation(trVertical);
    track->SetMax(4);
    int changes = 0;
    track->OnChange = [&](TObject*) { ++changes; };
    track->SetPosition(1);
    EXPECT_EQ(changes, 0);
    track->SetFocus();
    Key(win::VK_DOWN);
    EXPECT_EQ(track->GetPosition(), 2);
    EXPECT_EQ(changes, 1);

    auto* edit = Place<TEdit>(form, {100, 10, 180, 31});
    auto* spin = Place<TUpDown>(form, {180, 10, 196, 31});
    spin->SetMax(1000);
    spin->SetAssociate(edit);
    spin->SetPosition(5);
    EXPECT_EQ(edit->GetText(), "5");
    EXPECT_EQ(spin->GetLeft(), edit->GetLeft() + edit->GetWidth());
    std::vector<TUDBtnType> clicks;
    spin->OnClick = [&](TObject*, TUDBtnType b) { clicks.push_back(b); };
    spin->SetIncrement(10);
    Click(spin, 5, 2);
    EXPECT_EQ(spin->GetPosition(), 15);
    EXPECT_EQ(edit->GetText(), "15");
    spin->OnChanging = [](TObject*, bool& allow) { allow = false; };
    Click(spin, 5, spin->GetHeight() - 3);
    EXPECT_EQ(spin->GetPosition(), 15);
    EXPECT_EQ(clicks, std::vector<TUDBtnType>{btNext});
}

// An associate that makes a new window of its own (a property change re-creates it) keeps its arrow keys,
// its text and its place beside the up-down control.
TEST_F(VclControlsTest, UpDownKeepsItsAssociateAcrossTheAssociatesNewWindow) {
    TForm* form = MakeForm();
    auto* edit = Place<TEdit>(form, {100, 10, 180, 31});
    auto* spin = Place<TUpDown>(form, {180, 10, 196, 31});
    spin->SetMax(100);
    spin->SetAssociate(edit);
    TRect editBounds = edit->GetBoundsRect(), spinBounds = spin->GetBoundsRect();
    edit->SetFocus();
    Key(win::VK_UP);
    EXPECT_EQ(spin->GetPosition(), 1);
    for (TEditCharCase charCase : {ecUpperCase, ecNormal}) {
        edit->SetCharCase(charCase);
        Pump();
        edit->SetFocus();
        int before = spin->GetPosition();
        Key(win::VK_UP);
        EXPECT_EQ(spin->GetPosition(), before + 1) << int(charCase);
        EXPECT_EQ(edit->GetText(), std::to_string(before + 1));
        EXPECT_EQ(edit->GetBoundsRect(), editBounds);
        EXPECT_EQ(spin->GetBoundsRect(), spinBounds);
    }
}

// Captions are edited in place unless the list is read-only or OnEditing says no; OnEdited may change
// the text the item then takes.
TEST_F(VclControlsTest, ListViewEditsCaptionsThroughOnEditingAndOnEdited) {
    TForm* form = MakeForm();
    TListView* lv = FrameList(form);
    EXPECT_FALSE(lv->GetItems()->GetItem(0)->EditCaption());
    lv->SetReadOnly(false);
    std::vector<int> asked;
    bool allow = true;
    lv->OnEditing = [&](TObject*, TListItem* item, bool& allowEdit) {
        asked.push_back(item->GetIndex());
        allowEdit = allow;
    };
    lv->OnEdited = [&](TObject*, TListItem*, std::string& s) { s += "!"; };
    TListItem* item = lv->GetItems()->GetItem(2);
    ASSERT_TRUE(item->EditCaption());
    EXPECT_TRUE(lv->IsEditing());
    Type("Title");
    Key(win::VK_RETURN);
    EXPECT_FALSE(lv->IsEditing());
    EXPECT_EQ(item->GetCaption(), "Title!");
    ASSERT_TRUE(item->EditCaption());
    Type("Gone");
    Key(win::VK_ESCAPE);
    EXPECT_EQ(item->GetCaption(), "Title!");
    allow = false;
    EXPECT_FALSE(lv->GetItems()->GetItem(0)->EditCaption());
    EXPECT_EQ(asked, (std::vector<int>{2, 2, 0}));
    // The caption survives the window being made again.
    lv->RecreateWnd();
    EXPECT_EQ(lv->GetItems()->GetItem(2)->GetCaption(), "Title!");
}

// An up-down control that already stands beside its associate (a layout saved after attaching) leaves
// both where they are when it attaches again, on either side.
TEST_F(VclControlsTest, UpDownAttachingAgainKeepsALayoutSavedAfterAttaching) {
    for (TUDAlignButton side : {udRight, udLeft}) {
        TForm* form = MakeForm();
        auto* edit = Place<TEdit>(form, {100, 10, 160, 31});
        auto* spin = Place<TUpDown>(form, {0, 10, 16, 31});
        spin->SetAlignButton(side);
        spin->SetAssociate(edit);
        spin->HandleNeeded();
        TRect editBounds = edit->GetBoundsRect(), spinBounds = spin->GetBoundsRect();
        EXPECT_EQ(editBounds.Width() + spinBounds.Width(), 60) << int(side);
        for (int again = 0; again < 2; ++again) {
            spin->RecreateWnd();
            EXPECT_EQ(edit->GetBoundsRect(), editBounds) << int(side);
            EXPECT_EQ(spin->GetBoundsRect(), spinBounds) << int(side);
        }
        form->Free();
    }
}

TEST_F(VclControlsTest, ImageListKeepsMaskedImagesAndDrawsThemEnabledOrGreyed) {
    TImageList images(nullptr, 4, 4);
    TBitmap strip;
    strip.SetSize(8, 4);
    strip.GetCanvas()->GetBrush()->SetColor(clFuchsia);
    strip.GetCanvas()->FillRect({0, 0, 8, 4});
    strip.GetCanvas()->GetBrush()->SetColor(clBlue);
    strip.GetCanvas()->FillRect({0, 0, 2, 2});
    strip.GetCanvas()->GetBrush()->SetColor(clBlack);
    strip.GetCanvas()->FillRect({4, 0, 8, 2});
    int changes = 0;
    TChangeLink link;
    link.OnChange = [&](TObject*) { ++changes; };
    images.RegisterChanges(&link);
    EXPECT_EQ(images.AddMasked(&strip, clFuchsia), 0);
    EXPECT_EQ(images.GetCount(), 2);
    EXPECT_EQ(changes, 1);
    TBitmap target;
    target.SetSize(10, 10);
    target.GetCanvas()->GetBrush()->SetColor(clWhite);
    target.GetCanvas()->FillRect({0, 0, 10, 10});
    images.Draw(target.GetCanvas(), 0, 0, 0, true);
    EXPECT_EQ(target.GetCanvas()->GetPixel(1, 1), clBlue);
    EXPECT_EQ(target.GetCanvas()->GetPixel(3, 3), clWhite); // masked
    images.Draw(target.GetCanvas(), 5, 5, 1, false);
    EXPECT_EQ(target.GetCanvas()->GetPixel(5, 5), ColorToRGB(clBtnShadow));
    EXPECT_EQ(target.GetCanvas()->GetPixel(9, 9), clWhite);
    TBitmap one;
    images.GetBitmap(0, &one);
    EXPECT_EQ(one.GetWidth(), 4);
    images.Clear();
    EXPECT_EQ(images.GetCount(), 0);
    EXPECT_THROW(images.Delete(0), EInvalidOperation);
}
