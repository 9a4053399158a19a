// The bar manager: construction rules, the stored settings, the settings' rules, design-time renames and
// the modified notification.
#include "BarsTestSupport.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"

using namespace bars;
using namespace barstest;

namespace {

class ManagerTest : public BarsFixture {
protected:
    // The manager as a form resource writes it.
    std::string WrittenText(TxbBarManager* manager) {
        vcl::TMemoryStream binary;
        {
            vcl::TWriter writer(&binary);
            writer.WriteRootComponent(manager);
        }
        return vcl::ObjectBinaryToText(
            std::string(static_cast<const char*>(binary.Memory()), size_t(binary.GetSize())));
    }
};

std::string ErrorOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const vcl::Exception& e) {
        return e.Message();
    }
    return "";
}

TEST_F(ManagerTest, ASecondManagerOnAFormIsRefusedAndTheFirstKeepsWorking) {
    TxbBarManager* first = MakeManager();
    std::vector<TxbBarItem*> clicked;
    first->OnClickItem = [&](vcl::TObject*, TxbBarItem* item) { clicked.push_back(item); };
    EXPECT_EQ(ErrorOf([&] { new TxbBarManager(Form); }), "A Form should contain only a single TxbBarManager");
    EXPECT_EQ(BarManagerList()->GetCount(), 1);
    EXPECT_EQ(Form->GetComponentCount(), 1);
    EXPECT_EQ(GetBarManagerByForm(Form), first);
    auto* item = new TxbBarItem(Form);
    EXPECT_EQ(item->GetBarManager(), first);
    item->Click();
    EXPECT_EQ(clicked, std::vector<TxbBarItem*>{item});
    EXPECT_EQ(first->GetItemCount(), 1);
}

TEST_F(ManagerTest, AnOwnerThatIsNoFormIsRefused) {
    vcl::TComponent owner(nullptr);
    EXPECT_EQ(ErrorOf([&] { new TxbBarManager(&owner); }),
              "TxbBarManager should have as its Owner - TForm (TCustomForm)");
    EXPECT_EQ(owner.GetComponentCount(), 0);
    EXPECT_EQ(BarManagerList()->GetCount(), 0);
    // Without an owner the main form is taken; here there is none.
    EXPECT_NE(ErrorOf([&] { new TxbBarManager(nullptr); }), "");
}

TEST_F(ManagerTest, SettingsAreWrittenOnlyWhenTheyDifferFromTheirDefaults) {
    TxbBarManager* manager = MakeManager();
    manager->SetName("bm");
    std::string text = WrittenText(manager);
    // A new manager writes only UseSystemFont, which has no default.
    EXPECT_NE(text.find("UseSystemFont = True"), std::string::npos) << text;
    for (const char* name : {"Style", "ButtonArrowWidth", "ShowHint", "WaitForDockingTime", "DockColor",
                             "MostRecentItemsPercents", "AllowReset", "Font", "Tag", "Bars"})
        EXPECT_EQ(text.find("\n  " + std::string(name) + " ="), std::string::npos) << name << " in\n" << text;

    struct Change {
        std::function<void()> Set;
        const char* Written;
    };
    const Change changes[] = {
        {[&] { manager->SetStyle(bmsFlat); }, "Style = bmsFlat"},
        {[&] { manager->SetButtonArrowWidth(15); }, "ButtonArrowWidth = 15"},
        {[&] { manager->SetShowHint(false); }, "ShowHint = False"},
        {[&] { manager->SetWaitForDockingTime(40); }, "WaitForDockingTime = 40"},
        {[&] { manager->SetMostRecentItemsPercents(50); }, "MostRecentItemsPercents = 50"},
        {[&] { manager->SetAllowReset(false); }, "AllowReset = False"},
        {[&] { manager->SetLargeIcons(true); }, "LargeIcons = True"},
        {[&] { manager->SetNotDocking(TxbBarDockingStyles{dsLeft}); }, "NotDocking = [dsLeft]"},
        {[&] { manager->SetDockColor(vcl::clTeal); }, "DockColor = clTeal"},
        {[&] { manager->SetUseSystemFont(false); }, "UseSystemFont = False"},
    };
    for (const Change& c : changes) {
        c.Set();
        text = WrittenText(manager);
        EXPECT_NE(text.find(c.Written), std::string::npos) << c.Written << " in\n" << text;
    }
    EXPECT_NE(text.find("AutoDockColor = False"), std::string::npos);
}

TEST_F(ManagerTest, RecentItemMinCountFollowsThePercentage) {
    TxbBarManager* manager = MakeManager();
    EXPECT_EQ(manager->GetRecentItemMinCount(), 20); // the default 95
    for (auto [percents, count] : {std::pair{100, 0}, {95, 20}, {0, 1}, {99, 100}, {50, 2}, {98, 50}}) {
        manager->SetMostRecentItemsPercents(uint8_t(percents));
        EXPECT_EQ(manager->GetRecentItemMinCount(), count) << percents;
    }
    manager->SetMostRecentItemsPercents(150);
    EXPECT_EQ(manager->GetMostRecentItemsPercents(), 100);
    EXPECT_EQ(manager->GetRecentItemMinCount(), 0);
}

TEST_F(ManagerTest, InvalidWidthsAndDockingTimesAreIgnored) {
    TxbBarManager* manager = MakeManager();
    manager->SetButtonArrowWidth(1);
    EXPECT_EQ(manager->GetButtonArrowWidth(), 11);
    manager->SetLargeButtonArrowWidth(0);
    EXPECT_EQ(manager->GetLargeButtonArrowWidth(), 13);
    manager->SetWaitForDockingTime(-5);
    EXPECT_EQ(manager->GetWaitForDockingTime(), 21);
    manager->SetWaitForDockingTime(0);
    EXPECT_EQ(manager->GetWaitForDockingTime(), 0);
    manager->SetButtonArrowWidth(2);
    EXPECT_EQ(manager->GetButtonArrowWidth(), 2);
}

TEST_F(ManagerTest, DockColorFollowsTheFormUntilWritten) {
    TxbBarManager* manager = MakeManager();
    Form->SetColor(vcl::clTeal);
    EXPECT_TRUE(manager->GetAutoDockColor());
    EXPECT_EQ(manager->GetDockColor(), vcl::clTeal);
    // Writing the stored value itself still turns the automatic colour off.
    manager->SetDockColor(vcl::clBtnFace);
    EXPECT_FALSE(manager->GetAutoDockColor());
    EXPECT_EQ(manager->GetDockColor(), vcl::clBtnFace);
    manager->SetAutoDockColor(true);
    EXPECT_EQ(manager->GetDockColor(), vcl::clTeal);
}

TEST_F(ManagerTest, RenamingAtDesignTimeRenamesTheItemsThatCarryTheName) {
    Form->SetDesigning(true);
    TFakeDesigner designer;
    Form->SetDesigner(&designer);
    TxbBarManager* manager = MakeManager();
    manager->SetName("xbBarManager1");
    vcl::TComponent otherOwner(nullptr);
    struct Case {
        const char* Name;
        vcl::TComponent* Owner;
        const char* After;
    };
    // An item named like the manager keeps its name (it is not longer), and so does one of another owner.
    const Case cases[] = {{"xbBarManager1Button3", Form, "bmButton3"},
                          {"XBBARMANAGER1Edit", Form, "bmEdit"},
                          {"xbBarManager1", nullptr, "xbBarManager1"},
                          {"xbBarManager1Other", &otherOwner, "xbBarManager1Other"},
                          {"Button7", Form, "Button7"}};
    std::vector<TxbBarItem*> items;
    for (const Case& c : cases) {
        auto* item = new TxbBarItem(c.Owner);
        item->SetBarManager(manager);
        item->SetName(c.Name);
        items.push_back(item);
    }
    // A name already taken on the form stays with its holder; the rename of that item is skipped.
    auto* holder = new TxbBarItem(Form);
    holder->SetName("bmTaken");
    auto* blocked = new TxbBarItem(Form);
    blocked->SetName("xbBarManager1Taken");
    manager->SetName("bm");
    for (size_t i = 0; i < items.size(); ++i)
        EXPECT_EQ(items[i]->GetName(), cases[i].After) << cases[i].Name;
    EXPECT_EQ(blocked->GetName(), "xbBarManager1Taken");
    items[3]->SetBarManager(nullptr);
    delete items[3];
    delete items[2];
    Form->SetDesigner(nullptr);
}

TEST_F(ManagerTest, ModifiedReachesTheDesignerOnlyAtDesignTimeAndNotWhileLoading) {
    TFakeDesigner designer;
    Form->SetDesigner(&designer);
    TxbBarManager* runtime = MakeManager();
    runtime->Modified();
    EXPECT_TRUE(runtime->GetChanged());
    EXPECT_EQ(designer.ModifiedCount, 0);
    delete runtime;

    Form->SetDesigning(true);
    TxbBarManager* manager = MakeManager();
    EXPECT_TRUE(manager->GetDesigning());
    const int before = designer.ModifiedCount;
    manager->SetShowHint(false);
    EXPECT_EQ(designer.ModifiedCount, before + 1);
    manager->SetChanged(false);
    Form->SetDesigner(nullptr);
    Form->SetDesigner(&designer);
    // While the docks lay themselves out after loading nothing is reported.
    const int loading = designer.ModifiedCount;
    manager->SetLayingOutDocks(true);
    manager->Modified();
    EXPECT_EQ(designer.ModifiedCount, loading);
    manager->SetLayingOutDocks(false);
    Form->SetDesigner(nullptr);
}

TEST_F(ManagerTest, FindDockControlByPathAnswersPlacedDocksOnly) {
    TxbBarManager* manager = MakeManager();
    auto* dock = new TxbBarDockControl(Form);
    dock->SetName("Dock1");
    auto* plain = new vcl::TComponent(Form);
    plain->SetName("Plain");
    EXPECT_EQ(manager->FindDockControlByPath("Dock1"), dock);
    // Any other component, or nothing, answers no dock.
    EXPECT_EQ(manager->FindDockControlByPath("Plain"), nullptr);
    EXPECT_EQ(manager->FindDockControlByPath("xbBarManager"), nullptr);
    EXPECT_EQ(manager->FindDockControlByPath("Missing"), nullptr);
    EXPECT_EQ(manager->FindDockControlByPath(""), nullptr);
    EXPECT_EQ(manager->FindDockControlByPath("NoForm.Dock1"), nullptr);
}

TEST_F(ManagerTest, CategoriesStartWithDefaultAndListTheirItems) {
    TxbBarManager* manager = MakeManager();
    ASSERT_EQ(manager->GetCategories()->GetCount(), 1);
    EXPECT_EQ(manager->GetCategories()->GetStrings(0), "Default");
    auto* a = new TxbBarItem(Form);
    auto* b = new TxbBarItem(Form);
    a->SetCategory(0);
    b->SetCategory(3); // out of range: ignored
    EXPECT_EQ(b->GetCategory(), -1);
    std::vector<TxbBarItem*> list;
    manager->GetCategoryItems(0, list);
    EXPECT_EQ(list, std::vector<TxbBarItem*>{a});
    manager->GetCategoryItems(5, list);
    EXPECT_TRUE(list.empty());
    a->SetVisible(ivNever);
    manager->GetCategoryUserItems(0, list);
    EXPECT_TRUE(list.empty());
}

} // namespace

namespace {

class ManagerStreamTest : public BarsFixture {};

TEST_F(ManagerStreamTest, AFormResourceBringsBackTheSettingsAndItsItems) {
    RegisterItemClass<TTestItem, TCountingControl>("TTestItem", true);
    vcl::LinkPropertyTable(typeid(TTestItem), typeid(TxbBarItem));
    TxbBarManager* manager = MakeManager();
    manager->SetName("bm");
    manager->SetStyle(bmsFlat);
    manager->SetShowHint(false);
    manager->GetCategories()->Add("File");
    auto* open = new TTestItem(Form);
    open->SetName("Open");
    open->SetCategory(1);
    open->SetCaption("&Open...");
    open->SetEnabled(false);
    open->SetVisible(ivInCustomizing);
    // An item the library makes for its own menus: no category, no owner, freed with the manager.
    auto* internal = new TTestItem(nullptr);
    internal->SetName("Internal");
    EXPECT_EQ(internal->GetBarManager(), manager);

    vcl::TMemoryStream stream;
    {
        vcl::TWriter writer(&stream);
        writer.WriteRootComponent(Form);
    }
    const std::string binary(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize()));
    const std::string text = vcl::ObjectBinaryToText(binary);
    EXPECT_NE(text.find("object Open: TTestItem"), std::string::npos) << text;
    EXPECT_EQ(text.find("Internal"), std::string::npos) << text;
    delete Form;
    Form = new vcl::TForm(nullptr);
    vcl::TReadOnlyMemoryStream input(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&input);
    reader.ReadRootComponent(Form);

    TxbBarManager* read = GetBarManagerByForm(Form);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(read->GetStyle(), bmsFlat);
    EXPECT_STREQ(read->GetPainter()->ClassName(), "TxbBarItemControlFlatPainter");
    EXPECT_FALSE(read->GetShowHint());
    EXPECT_EQ(read->GetCategories()->GetCount(), 2);
    EXPECT_TRUE(read->CanReset());
    ASSERT_EQ(read->GetItemCount(), 1);
    auto* item = dynamic_cast<TTestItem*>(read->GetItem(0));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetName(), "Open");
    EXPECT_EQ(item->GetCategory(), 1);
    EXPECT_EQ(item->GetCaption(), "&Open...");
    EXPECT_FALSE(item->GetEnabled());
    // The visibility read waits for the manager's Loaded.
    EXPECT_EQ(item->GetVisible(), ivInCustomizing);
    EXPECT_FALSE(read->GetChanged());
}

} // namespace
