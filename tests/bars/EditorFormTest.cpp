// A layout shaped like the editor's main window: the main menu bar, its menus and toolbar buttons with the
// drop-down "Save", six categories, the edge docks and the frames popup, read and written back; the popup
// opened at the cursor; groups and bad values in layouts.
#include "EditorFormSupport.h"

#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubMenu.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

#include <map>

using namespace bars;
using namespace barstest;

namespace {

std::string WriteText(vcl::TComponent* root) {
    vcl::TMemoryStream stream;
    {
        vcl::TWriter writer(&stream);
        writer.WriteRootComponent(root);
    }
    return vcl::ObjectBinaryToText(std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())));
}

// Reads a layout text into a form that reads none itself.
void ReadInto(vcl::TComponent* root, const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream input(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&input);
    reader.ReadRootComponent(root);
}

class EditorFormTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        DefineBarsEditorForm();
    }
    static std::string LayoutText() { return std::string(vcl::FindFormResource("TBarsEditorForm")); }
    // The names of the items a link collection shows, with "|" before a group break.
    static std::vector<std::string> Entries(TxbBarItemLinks* links) {
        std::vector<std::string> names;
        for (int32_t i = 0; i < links->GetCount(); ++i) {
            TxbBarItemLink* link = links->GetItem(i);
            names.push_back((link->GetStoredBeginGroup() ? "|" : "") + (link->GetItem() ? link->GetItem()->GetName() : "?"));
        }
        return names;
    }
};

TEST_F(EditorFormTest, TheEditorsBarsReadBackAsTheLayoutSays) {
    auto* form = new TBarsEditorForm(nullptr);
    TxbBarManager* manager = form->xbBarManager1;
    ASSERT_NE(manager, nullptr);
    EXPECT_FALSE(manager->GetCanCustomize());

    ASSERT_EQ(manager->GetBars()->GetCount(), 1);
    TxbBar* main = manager->FindBarByName("Main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(manager->GetMainMenuBar(), main);
    EXPECT_EQ(main->GetDockingStyle(), dsTop);
    EXPECT_TRUE(main->GetWholeRow());
    EXPECT_TRUE(main->GetMultiLine());
    EXPECT_TRUE(main->GetOneOnRow());
    EXPECT_FALSE(main->GetAllowClose());
    EXPECT_FALSE(main->GetAllowCustomizing());
    EXPECT_TRUE(main->GetVisible());
    EXPECT_EQ(Entries(main->GetItemLinks()),
              (std::vector<std::string>{"siFile", "siEdit", "siView", "siTools", "siHelp", "|miNew", "|miOpen",
                                        "|siSaveDrop", "|miFrameInsert", "miFrameRemove", "|miFrameUp", "miFrameDown",
                                        "|miViewPreviewWindow", "|miPlay", "miPause", "miRewind"}));

    const std::map<std::string, std::vector<std::string>> menus = {
        {"siFile", {"miNew", "|miOpen", "|miSave", "miSaveAs", "|miSaveAsFlash", "miExportImages", "|miImportAVI", "|miExit"}},
        {"siEdit", {"miSelectAll", "|miFrameInsert", "miFrameRemove", "|miFrameUp", "miFrameDown"}},
        {"siView", {"miPlay", "miPause", "miRewind"}},
        {"siTools", {"miPalDefaults", "miFrameSizeDialog", "|miHTMLCode", "|miOptimize"}},
        {"siHelp", {"miHelpContents", "miSupport", "|miAbout"}},
        {"siSaveDrop", {"miSave", "miSaveAs", "|miSaveAsFlash", "miExportImages", "|miHTMLCode", "miOptimize"}},
    };
    for (const auto& [name, entries] : menus) {
        auto* sub = dynamic_cast<TxbBarSubItem*>(manager->FindItemByName(name));
        ASSERT_NE(sub, nullptr) << name;
        EXPECT_EQ(Entries(sub->GetItemLinks()), entries) << name;
    }
    // The effective break of the hidden "Individual Frames" passes on: it is never shown.
    auto* file = static_cast<TxbBarSubItem*>(manager->FindItemByName("siFile"));
    EXPECT_EQ(file->GetItemLinks()->GetVisibleItemCount(), 7);

    struct Command {
        const char* Name;
        intptr_t Tag;
        vcl::TShortCut ShortCut;
    };
    const Command commands[] = {
        {"miNew", 101, vcl::scCtrl | 'N'}, {"miOpen", 102, vcl::scCtrl | 'O'}, {"miExit", 103, 0},
        {"miSave", 104, vcl::scCtrl | 'S'}, {"miSaveAs", 105, 0}, {"miSaveAsFlash", 106, 0},
        {"miImportAVI", 107, 0}, {"miExportImages", 108, 0}, {"miFrameInsert", 201, vcl::scCtrl | 'I'},
        {"miFrameRemove", 202, 0x2E}, {"miSelectAll", 203, vcl::scCtrl | 'A'}, {"miFrameUp", 204, vcl::scCtrl | 'U'},
        {"miFrameDown", 205, vcl::scCtrl | 'D'}, {"miViewPreviewWindow", 301, 0}, {"miPlay", 302, vcl::scCtrl | 'P'},
        {"miPause", 303, vcl::scCtrl | 'X'}, {"miRewind", 304, 0}, {"miPalDefaults", 401, 0},
        {"miFrameSizeDialog", 402, 0}, {"miHTMLCode", 403, 0}, {"miOptimize", 404, 0},
        {"miHelpContents", 501, 0x70}, {"miAbout", 502, 0}, {"miSupport", 504, 0},
    };
    int buttons = 0;
    for (int32_t i = 0; i < manager->GetItemCount(); ++i)
        buttons += dynamic_cast<TxbBarButton*>(manager->GetItem(i)) ? 1 : 0;
    EXPECT_EQ(buttons, 24);
    for (const Command& c : commands) {
        TxbBarItem* item = manager->FindItemByName(c.Name);
        ASSERT_NE(item, nullptr) << c.Name;
        EXPECT_EQ(item->GetTag(), c.Tag) << c.Name;
        EXPECT_EQ(item->GetShortCut(), c.ShortCut) << c.Name;
        EXPECT_EQ(item->GetCategory(), int32_t(c.Tag / 100)) << c.Name;
        EXPECT_EQ(item->GetVisible(), std::string(c.Name) == "miExportImages" ? ivNever : ivAlways) << c.Name;
    }

    ASSERT_EQ(manager->GetCategories()->GetCount(), 6);
    for (int32_t i = 0; i < 6; ++i) {
        EXPECT_EQ(manager->GetCategoryItemsVisible(i), ivAlways);
        EXPECT_TRUE(manager->GetCategoryVisible(i));
    }
    EXPECT_EQ(manager->GetCategories()->Get(5), "Help");
    TxbBars* bars = manager->GetBars();
    EXPECT_EQ(bars->GetDockControl(dsLeft)->GetWidth(), 0);
    EXPECT_EQ(bars->GetDockControl(dsRight)->GetWidth(), 0);
    EXPECT_EQ(bars->GetDockControl(dsBottom)->GetHeight(), 0);

    // The main menu bar gets the toolbar window and the top dock takes its height instead of the stored 49. The
    // form is 320 wide: the bar's window spans the dock and wraps its links in the client width less the end
    // mark's 11, breaking rows before a group that does not fit (a group that fits stays on its row).
    TxbBarControl* window = main->GetItemLinks()->GetBarControl();
    ASSERT_NE(window, nullptr);
    TxbDockControl* top = bars->GetDockControl(dsTop);
    EXPECT_EQ(window->GetWidth(), top->GetWidth());
    const std::vector<std::vector<std::string>> rows = {
        {"siFile", "siEdit", "siView", "siTools", "siHelp", "miNew", "miOpen", "siSaveDrop"},
        {"miFrameInsert", "miFrameRemove"},
        {"miFrameUp", "miFrameDown"},
        {"miViewPreviewWindow"},
        {"miPlay", "miPause", "miRewind"},
    };
    const int32_t available = window->GetClientWidth() - 11;
    const int32_t separator = window->GetSeparatorSize();
    // Rows of buttons with text: each as high as a button, a group separator between rows.
    const int32_t rowHeight = main->GetItemLinks()->GetItem(5)->GetControl()->GetHeight();
    int32_t rowTop = 0;
    for (size_t r = 0; r < rows.size(); ++r) {
        int32_t length = 0;
        for (const std::string& name : rows[r]) {
            TxbBarItemLink* link = nullptr;
            for (int32_t i = 0; i < main->GetItemLinks()->GetCount(); ++i)
                if (main->GetItemLinks()->GetItem(i)->GetItem()->GetName() == name)
                    link = main->GetItemLinks()->GetItem(i);
            ASSERT_NE(link, nullptr) << name;
            const win::TRect& rect = link->ItemRect;
            EXPECT_GE(rect.Top, rowTop) << name;
            EXPECT_LE(rect.Bottom, rowTop + rowHeight) << name;
            length = rect.Right;
        }
        EXPECT_LE(length, available) << r;
        rowTop += rowHeight + separator;
    }
    const int32_t frame = window->GetHeight() - window->GetClientHeight();
    EXPECT_EQ(separator, 6);
    EXPECT_EQ(top->GetHeight(), frame + 5 * rowHeight + 4 * separator);
    EXPECT_EQ(top->GetHeight(), window->GetHeight());
    // Placing the window stores the bar's docked position, which counts as a change of the layout.
    EXPECT_EQ(main->GetDockedDockingStyle(), dsTop);
    EXPECT_TRUE(manager->GetChanged());

    // A command's shortcut runs its click through the form's handler; a menu's shortcut too.
    EXPECT_TRUE(main->ExecuteShortCut(vcl::scCtrl | 'N'));
    EXPECT_TRUE(main->ExecuteShortCut(0x70));
    EXPECT_EQ(form->Clicked, (std::vector<intptr_t>{101, 501}));

    // Written back it gives the same text, with the dock's measured height.
    std::string expected = LayoutText();
    const std::string stored = "DockControlHeights = (\n      0\n      0\n      49\n";
    const size_t at = expected.find(stored);
    ASSERT_NE(at, std::string::npos);
    expected.replace(at, stored.size(),
                     "DockControlHeights = (\n      0\n      0\n      " + std::to_string(top->GetHeight()) + "\n");
    EXPECT_EQ(WriteText(form), expected);

    // Nothing to offer in the toolbars popup: the main menu bar cannot close, and customizing is off.
    TxbBarItemLinks popup(manager, nullptr);
    manager->FillToolbarsPopup(&popup);
    EXPECT_EQ(popup.GetCount(), 0);
    delete form;
}

TEST_F(EditorFormTest, TheFramesPopupOpensAtTheCursorAndRunsAClickInsideItsLoop) {
    auto* form = new TBarsEditorForm(nullptr);
    ASSERT_NE(form->pumFrames, nullptr);
    EXPECT_EQ(form->pumFrames->GetBarManager(), form->xbBarManager1);
    EXPECT_EQ(Entries(form->pumFrames->GetItemLinks()),
              (std::vector<std::string>{"miSelectAll", "|miFrameInsert", "miFrameRemove", "|miFrameUp", "miFrameDown"}));
    form->SetBounds(100, 100, 500, 400);
    form->Show();
    const win::TPoint cursor{260, 240};
    FScreen.InjectMouse(headless::MouseAction::Move, cursor);
    DrainMessages();
    FScreen.Script([&] {
        TxbBarSubMenuControl* menu = form->pumFrames->GetControl();
        ASSERT_NE(menu, nullptr);
        EXPECT_EQ(menu->GetRequestedPosition().X, cursor.X);
        EXPECT_EQ(menu->GetRequestedPosition().Y, cursor.Y);
        win::TRect r{};
        win::GetWindowRect(menu->GetHandle(), &r);
        EXPECT_EQ(r.Left, cursor.X);
        EXPECT_EQ(r.Top, cursor.Y);
        const win::TRect insert = menu->GetItemScreenRect(form->pumFrames->GetItemLinks()->GetItem(1)->GetControl());
        const win::TPoint centre{(insert.Left + insert.Right) / 2, (insert.Top + insert.Bottom) / 2};
        FScreen.InjectMouse(headless::MouseAction::Move, centre);
        FScreen.InjectClick(centre);
    });
    form->pumFrames->PopupAtCursor();
    // The command ran before PopupAtCursor came back, and the menu is gone.
    EXPECT_EQ(form->Clicked, std::vector<intptr_t>{201});
    EXPECT_EQ(form->pumFrames->GetControl(), nullptr);
    EXPECT_FALSE(form->pumFrames->IsOpen());
    delete form;
}

TEST_F(EditorFormTest, TheDropDownSaveOpensItsMenuFromTheToolbar) {
    auto* form = new TBarsEditorForm(nullptr);
    form->SetBounds(100, 100, 500, 400);
    form->Show();
    DrainMessages();
    TxbBar* main = form->xbBarManager1->GetMainMenuBar();
    TxbBarControl* window = main->GetControl();
    ASSERT_NE(window, nullptr);
    auto* save = static_cast<TxbBarSubItem*>(form->xbBarManager1->FindItemByName("siSaveDrop"));
    TxbBarItemControl* control = main->GetItemLinks()->GetItem(7)->GetControl();
    ASSERT_NE(control, nullptr);
    ASSERT_EQ(control->GetItem(), save);
    window->EnterKeyboardMode(control);
    win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, win::VK_DOWN, 0);
    auto* menu = dynamic_cast<TxbBarSubMenuControl*>(save->GetItemLinks()->GetMenuWindow());
    ASSERT_NE(menu, nullptr);
    // Below the button, "Individual Frames" hidden.
    win::TRect r{};
    win::GetWindowRect(menu->GetHandle(), &r);
    EXPECT_EQ(r.Left, window->GetItemScreenRect(control).Left);
    EXPECT_EQ(r.Top, window->GetItemScreenRect(control).Bottom);
    EXPECT_EQ(save->GetItemLinks()->GetShownItemCount(), 5);
    ASSERT_NE(menu->GetSelectedControl(), nullptr);
    EXPECT_EQ(menu->GetSelectedControl()->GetItem()->GetName(), "miSave");
    win::SendMessage(menu->GetHandle(), win::WM_KEYDOWN, win::VK_DOWN, 0);
    win::SendMessage(menu->GetHandle(), win::WM_KEYDOWN, win::VK_RETURN, 0);
    EXPECT_EQ(form->Clicked, std::vector<intptr_t>{105});
    EXPECT_EQ(save->GetItemLinks()->GetMenuWindow(), nullptr);
    EXPECT_EQ(GetActiveBarControl(), nullptr);
    delete form;
}

TEST_F(EditorFormTest, AFormDeletedWithAMenuOpenClosesItsMenusWithoutCallingIntoIt) {
    // Deleted outright, not freed: the form frees its docks before it is marked as destroying. Whatever opened
    // the menu and whichever of form and manager goes first, closing the menus calls nothing of the form.
    enum Opener { ByKeys, PopupAsDropDown };
    struct Case {
        Opener opener;
        bool managerFirst;
    };
    const Case cases[] = {{ByKeys, false}, {ByKeys, true}, {PopupAsDropDown, false}, {PopupAsDropDown, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.opener) * 2 + int(c.managerFirst));
        auto* form = new TBarsEditorForm(nullptr);
        form->SetBounds(100, 100, 500, 400);
        form->Show();
        DrainMessages();
        TxbBarManager* manager = form->xbBarManager1;
        TxbBarControl* window = manager->GetMainMenuBar()->GetControl();
        ASSERT_NE(window, nullptr);
        auto* file = static_cast<TxbBarSubItem*>(manager->FindItemByName("siFile"));
        TxbBarItemControl* control = manager->GetMainMenuBar()->GetItemLinks()->GetItem(0)->GetControl();
        ASSERT_NE(control, nullptr);
        ASSERT_EQ(control->GetItem(), file);
        TxbBarSubMenuControl* menu = nullptr;
        switch (c.opener) {
        case ByKeys:
            window->EnterKeyboardMode(control);
            win::SendMessage(window->GetHandle(), win::WM_KEYDOWN, win::VK_DOWN, 0);
            menu = dynamic_cast<TxbBarSubMenuControl*>(file->GetItemLinks()->GetMenuWindow());
            break;
        case PopupAsDropDown:
            window->EnterKeyboardMode(control);
            form->pumFrames->SetDropDown(true, window);
            form->pumFrames->PopupEx(120, 140, 0, 22, false, nullptr);
            form->pumFrames->SetDropDown(false, nullptr);
            menu = form->pumFrames->GetControl();
            break;
        }
        ASSERT_NE(menu, nullptr);
        ASSERT_TRUE(menu->HandleAllocated());
        if (c.managerFirst)
            manager->Free();
        delete form;
        DrainMessages();
        EXPECT_EQ(GetActiveBarControl(), nullptr);
        EXPECT_FALSE(IsAnyPopupMenuOpen());
    }
}

TEST_F(EditorFormTest, TheToolbarsPopupOffersClosableBarsAndCustomizing) {
    TxbBarManager* manager = MakeManager();
    TxbBar* standard = manager->GetBars()->Add();
    standard->SetCaption("Standard");
    TxbBar* hidden = manager->GetBars()->Add();
    hidden->SetCaption("Hidden");
    hidden->SetHidden(true);
    TxbBar* fixed = manager->GetBars()->Add();
    fixed->SetCaption("Fixed");
    fixed->SetAllowClose(false);
    int shown = 0;
    manager->OnShowToolbarsPopup = [&](vcl::TObject*, TxbBarItemLinks*) { ++shown; };
    TxbBarItemLinks popup(manager, nullptr);
    manager->FillToolbarsPopup(&popup);
    ASSERT_EQ(popup.GetCount(), 2);
    auto* toggle = static_cast<TxbBarButton*>(popup.GetItem(0)->GetItem());
    EXPECT_EQ(toggle->GetCaption(), "Standard");
    EXPECT_EQ(toggle->GetButtonStyle(), bsChecked);
    EXPECT_FALSE(toggle->GetDown());
    EXPECT_EQ(toggle->GetTag(), 0);
    TxbBarItem* customize = popup.GetItem(1)->GetItem();
    EXPECT_EQ(customize->GetCaption(), "&Customize...");
    EXPECT_EQ(customize->GetTag(), 1000);
    EXPECT_TRUE(popup.GetItem(1)->GetBeginGroup());
    EXPECT_EQ(shown, 1);
    toggle->Click();
    EXPECT_TRUE(standard->GetVisible());
}

TEST_F(EditorFormTest, AnUnknownDockingStyleFailsTheLayoutAndLeavesTheFormEmpty) {
    std::string text = LayoutText();
    const size_t at = text.find("DockingStyle = dsTop");
    ASSERT_NE(at, std::string::npos);
    text.replace(at, std::string("DockingStyle = dsTop").size(), "DockingStyle = dsMiddle");
    auto* form = new TBarsEditorForm(nullptr, TBarsEditorForm::NoLayout{});
    EXPECT_THROW(ReadInto(form, text), vcl::EReadError);
    EXPECT_EQ(form->GetComponentCount(), 0);
    EXPECT_EQ(GetBarManagerByForm(form), nullptr);
    delete form;
}

TEST_F(EditorFormTest, ADockSizeNoWindowCanHaveFailsTheLayout) {
    for (const char* size : {"-1", "40000", "2147483647"}) {
        std::string text = LayoutText();
        const std::string from = "DockControlHeights = (\n      0\n      0\n      49";
        const size_t at = text.find(from);
        ASSERT_NE(at, std::string::npos);
        text.replace(at, from.size(), "DockControlHeights = (\n      0\n      0\n      " + std::string(size));
        auto* form = new TBarsEditorForm(nullptr, TBarsEditorForm::NoLayout{});
        EXPECT_THROW(ReadInto(form, text), vcl::EReadError) << size;
        EXPECT_EQ(form->GetComponentCount(), 0) << size;
        delete form;
    }
}

TEST_F(EditorFormTest, AnItemsVisiblesEntryOutsideTheValuesLeavesItsCategory) {
    std::string text = LayoutText();
    const std::string from = "Categories.ItemsVisibles = (\n      2\n      2\n      2\n      2";
    const size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos);
    text.replace(at, from.size(), "Categories.ItemsVisibles = (\n      2\n      7\n      -1\n      1");
    auto* form = new TBarsEditorForm(nullptr, TBarsEditorForm::NoLayout{});
    ReadInto(form, text);
    TxbBarManager* manager = GetBarManagerByForm(form);
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(manager->GetCategoryItemsVisible(1), ivAlways);
    EXPECT_EQ(manager->GetCategoryItemsVisible(2), ivAlways);
    EXPECT_EQ(manager->GetCategoryItemsVisible(3), ivInCustomizing);
    EXPECT_EQ(manager->FindItemByName("miPlay")->GetVisible(), ivInCustomizing);
    delete form;
}

TEST_F(EditorFormTest, GroupsStoreTheirMembersByName) {
    TxbBarManager* manager = MakeManager();
    manager->SetName("bm");
    auto* a = new TxbBarButton(Form);
    a->SetName("ButtonA");
    a->SetCategory(0);
    auto* b = new TxbBarButton(Form);
    b->SetName("ButtonB");
    b->SetCategory(0);
    TxbBarGroup* empty = manager->CreateGroup();
    empty->SetName("Empty");
    TxbBarGroup* group = manager->CreateGroup();
    group->SetName("Pair");
    group->Add(a);
    group->Add(b);
    std::string text = WriteText(Form);
    const size_t emptyAt = text.find("object Empty: TxbBarGroup");
    ASSERT_NE(emptyAt, std::string::npos) << text;
    EXPECT_EQ(text.substr(emptyAt, text.find("end", emptyAt) - emptyAt).find("Items"), std::string::npos);
    EXPECT_NE(text.find("Items = (\n        'ButtonA'\n        'ButtonB')"), std::string::npos) << text;

    // A stored member that no longer exists is dropped without error.
    text.replace(text.find("'ButtonB'"), 9, "'Missing'");
    delete Form;
    Form = new vcl::TForm(nullptr);
    ReadInto(Form, text);
    TxbBarManager* read = GetBarManagerByForm(Form);
    ASSERT_NE(read, nullptr);
    ASSERT_EQ(read->GetGroupCount(), 2);
    TxbBarGroup* pair = read->GetGroup(1);
    EXPECT_EQ(pair->GetName(), "Pair");
    ASSERT_EQ(pair->GetCount(), 1);
    EXPECT_EQ(pair->GetItem(0)->GetName(), "ButtonA");
}

} // namespace
