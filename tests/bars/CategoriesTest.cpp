// Categories and groups: renumbering items as categories move, per-category visibility, and groups.
#include "BarsTestSupport.h"

#include "platform/vcl/Exceptions.h"

using namespace bars;
using namespace barstest;

namespace {

class CategoriesTest : public BarsFixture {
protected:
    void SetUp() override {
        BarsFixture::SetUp();
        Manager = MakeManager();
    }
    // Five categories "C0" .. "C4" with one item each, named after its category.
    void MakeFive() {
        vcl::TStrings* cats = Manager->GetCategories();
        cats->Clear();
        for (int i = 0; i < 5; ++i) {
            cats->Add("C" + std::to_string(i));
            auto* item = new TxbBarButton(Form);
            item->SetName("I" + std::to_string(i));
            item->SetCategory(i);
        }
    }
    std::vector<int32_t> Categories(const std::vector<std::string>& names) {
        std::vector<int32_t> result;
        for (const std::string& name : names) {
            TxbBarItem* item = Manager->FindItemByName(name);
            result.push_back(item ? item->GetCategory() : -99);
        }
        return result;
    }
    TxbBarManager* Manager = nullptr;
};

TEST_F(CategoriesTest, ItemsFollowTheirCategories) {
    MakeFive();
    vcl::TStrings* cats = Manager->GetCategories();
    cats->Delete(2);
    EXPECT_EQ(Manager->FindItemByName("I2"), nullptr); // freed with its category
    EXPECT_EQ(Categories({"I0", "I1", "I3", "I4"}), (std::vector<int32_t>{0, 1, 2, 3}));

    cats->Move(0, 3);
    EXPECT_EQ(cats->Get(3), "C0");
    EXPECT_EQ(Categories({"I0", "I1", "I3", "I4"}), (std::vector<int32_t>{3, 0, 1, 2}));

    cats->Exchange(0, 3);
    EXPECT_EQ(Categories({"I0", "I1"}), (std::vector<int32_t>{0, 3}));

    cats->Insert(1, "New");
    EXPECT_EQ(Categories({"I0", "I3", "I4", "I1"}), (std::vector<int32_t>{0, 2, 3, 4}));
}

TEST_F(CategoriesTest, DeletingTheOnlyCategoryLeavesDefault) {
    vcl::TStrings* cats = Manager->GetCategories();
    ASSERT_EQ(cats->GetCount(), 1);
    cats->Delete(0);
    ASSERT_EQ(cats->GetCount(), 1);
    EXPECT_EQ(cats->Get(0), "Default");
}

TEST_F(CategoriesTest, CategoryVisibilityAndOutOfRangeIndexes) {
    MakeFive();
    EXPECT_EQ(Manager->GetCategoryItemsVisible(1), ivAlways);
    EXPECT_TRUE(Manager->GetCategoryVisible(1));
    EXPECT_EQ(Manager->GetCategoryItemsVisible(9), ivNever);
    EXPECT_FALSE(Manager->GetCategoryVisible(-1));
    Manager->SetCategoryVisible(1, false);
    EXPECT_FALSE(Manager->GetCategoryVisible(1));
    EXPECT_EQ(Manager->GetVisibleCategoryIndex(1), 2);
    Manager->SetCategoryItemsVisible(3, ivInCustomizing);
    EXPECT_EQ(Manager->FindItemByName("I3")->GetVisible(), ivInCustomizing);
    // An item whose visibility differed keeps its own.
    Manager->FindItemByName("I3")->SetVisible(ivNever);
    Manager->SetCategoryItemsVisible(3, ivAlways);
    EXPECT_EQ(Manager->FindItemByName("I3")->GetVisible(), ivNever);
    Manager->SetCategoryItemsVisible(42, ivNever); // nothing
}

TEST_F(CategoriesTest, EmptyBarsHideAndComeBackWithTheirCategory) {
    ScopedTestWindows windows;
    MakeFive();
    Manager->SetAutoHideEmptyBars(true);
    TxbBar* bar = Manager->GetBars()->Add();
    bar->SetDockingStyle(dsTop);
    bar->GetItemLinks()->Add()->SetItem(Manager->FindItemByName("I1"));
    bar->SetVisible(true);
    Manager->SetCategoryItemsVisible(1, ivNever);
    EXPECT_FALSE(bar->GetVisible());
    EXPECT_TRUE(bar->GetHiddenBecauseEmpty());
    Manager->SetCategoryItemsVisible(1, ivAlways);
    EXPECT_TRUE(bar->GetVisible());
    EXPECT_FALSE(bar->GetHiddenBecauseEmpty());
    EXPECT_NE(bar->GetControl(), nullptr);
    // Switching the option off clears the marks.
    Manager->SetCategoryItemsVisible(1, ivNever);
    EXPECT_TRUE(bar->GetHiddenBecauseEmpty());
    Manager->SetAutoHideEmptyBars(false);
    EXPECT_FALSE(bar->GetHiddenBecauseEmpty());
}

TEST_F(CategoriesTest, GroupsRefuseLoopsAndPassStatesToNestedMembers) {
    TxbBarGroup* outer = Manager->CreateGroup();
    TxbBarGroup* inner = Manager->CreateGroup();
    auto* a = new TxbBarButton(Form);
    auto* b = new TxbBarButton(Form);
    outer->Add(a);
    outer->Add(inner);
    inner->Add(b);
    outer->Add(a); // already there
    outer->Add(nullptr);
    outer->Add(Form); // neither an item nor a group
    EXPECT_EQ(outer->GetCount(), 2);
    for (auto [group, member] : {std::pair{outer, outer}, std::pair{inner, outer}, std::pair{inner, inner}}) {
        try {
            group->Add(member);
            ADD_FAILURE() << "no error";
        } catch (const vcl::Exception& e) {
            EXPECT_EQ(e.Message(), "You cannot create recursive groups");
        }
    }
    outer->SetEnabled(false);
    EXPECT_FALSE(a->GetEnabled());
    EXPECT_FALSE(b->GetEnabled());
    outer->SetVisible(ivInCustomizing);
    EXPECT_EQ(b->GetVisible(), ivInCustomizing);
    // A freed member leaves the group.
    b->Free();
    EXPECT_EQ(inner->GetCount(), 0);
    EXPECT_EQ(Manager->GetGroupCount(), 2);
    inner->Free();
    EXPECT_EQ(outer->GetCount(), 1);
    EXPECT_EQ(Manager->GetGroupCount(), 1);
}

} // namespace
