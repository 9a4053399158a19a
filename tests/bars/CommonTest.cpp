// The bar library's registries and start-up.
#include "BarsTestSupport.h"

#include "platform/vcl/Component.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Cursors.h"

using namespace bars;
using namespace barstest;

namespace {

class RegistryTest : public BarsFixture {};

TEST_F(RegistryTest, ItemControlsAreFoundByExactClassOnly) {
    RegisterItemClass<TTestItem, TCountingControl>("TTestItem", true);
    EXPECT_NE(FindItemControlClass(typeid(TTestItem)), nullptr);
    // Derived from a registered kind but not registered itself: no item control.
    EXPECT_EQ(FindItemControlClass(typeid(TDerivedTestItem)), nullptr);
    EXPECT_EQ(FindItemControlClass(typeid(TxbBarItem)), nullptr);
    // The class is known to form resources, and leaves them with its record.
    EXPECT_NE(vcl::GetClass("TTestItem"), nullptr);
    UnregisterItemClass(typeid(TTestItem));
    EXPECT_EQ(FindItemControlClass(typeid(TTestItem)), nullptr);
    EXPECT_EQ(vcl::GetClass("TTestItem"), nullptr);
}

TEST_F(RegistryTest, UserItemClassesAreTheVisibleRecordsInOrder) {
    // The library's own kinds (buttons, sub items) come first.
    const int32_t records = GetItemClassRecordCount();
    const int32_t users = GetUserItemClassCount();
    EXPECT_EQ(GetUserItemClass(0), std::type_index(typeid(TxbBarButton)));
    RegisterItemClass<TTestItem, TCountingControl>("TTestItem", false);
    RegisterItemClass<TDerivedTestItem, TCountingControl>("TDerivedTestItem", true);
    EXPECT_EQ(GetItemClassRecordCount(), records + 2);
    EXPECT_EQ(GetUserItemClassCount(), users + 1);
    EXPECT_EQ(GetUserItemClass(users), std::type_index(typeid(TDerivedTestItem)));
    EXPECT_EQ(GetUserItemClass(users + 1), std::type_index(typeid(void)));
    EXPECT_EQ(GetUserItemClass(-1), std::type_index(typeid(void)));
}

TEST_F(RegistryTest, AFreedBarWindowIsNoLongerAlive) {
    auto* window = new int(0);
    RegisterBarControl(window);
    EXPECT_TRUE(IsBarControlAlive(window));
    UnregisterBarControl(window);
    delete window;
    EXPECT_FALSE(IsBarControlAlive(window));
    EXPECT_FALSE(IsBarControlAlive(nullptr));
}

TEST_F(RegistryTest, FreeUnusedInternalItemsFreesOnlyItemsWithoutLinksLastFirst) {
    TxbBarManager* manager = MakeManager();
    std::vector<std::string> freed;
    std::vector<TxbBarItem*> items;
    for (const char* name : {"First", "Linked", "Third"}) {
        auto* item = new TxbBarItem(Form);
        item->SetName(name);
        item->OnDestroy = [&freed](vcl::TObject* sender) {
            freed.push_back(static_cast<TxbBarItem*>(sender)->GetName());
        };
        AddInternalItem(item);
        items.push_back(item);
    }
    TxbBarItemLinks links(manager, nullptr);
    links.Add()->SetItem(items[1]);
    FreeUnusedInternalItems();
    EXPECT_EQ(freed, (std::vector<std::string>{"Third", "First"}));
    EXPECT_EQ(InternalItemCount(), 1);
    EXPECT_EQ(manager->GetItemCount(), 1);
    // The linked item outlives this test's list of names: its handler must not write into it.
    items[1]->OnDestroy = nullptr;
}

TEST_F(RegistryTest, TheDragCursorsAreInTheScreenTable) {
    for (int id : {crxbBarDrag, crxbBarDragCopy, crxbBarDragNoDrop, crxbBarEditSizing}) {
        win::HCURSOR cursor = vcl::Screen->GetCursors(id);
        EXPECT_NE(cursor, nullptr) << id;
        EXPECT_NE(cursor, win::LoadCursor(nullptr, win::IDC_ARROW)) << id;
    }
    EXPECT_NE(vcl::Screen->GetCursors(crxbBarDrag), vcl::Screen->GetCursors(crxbBarDragCopy));
}

TEST_F(RegistryTest, StartUpRunsOnceAndShutDownReturnsEveryGdiObject) {
    while (BarCommonModuleInitialized())
        DoneBarCommonModule();
    std::vector<int> before;
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        before.push_back(win::GdiObjectCount(win::GdiKind(k)));
    const int user32Loads = win::ModuleLoadCount("USER32");
    InitBarCommonModule();
    TxbBarManagerList* list = BarManagerList();
    win::HBRUSH brush = DitherBrush();
    InitBarCommonModule(); // counts only
    EXPECT_EQ(BarManagerList(), list);
    EXPECT_EQ(DitherBrush(), brush);
    // A manager still alive at shut-down goes with the list.
    MakeManager();
    DoneBarCommonModule();
    EXPECT_TRUE(BarCommonModuleInitialized());
    DoneBarCommonModule();
    EXPECT_FALSE(BarCommonModuleInitialized());
    EXPECT_EQ(BarManagerList(), nullptr);
    EXPECT_EQ(DitherBrush(), nullptr);
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        EXPECT_EQ(win::GdiObjectCount(win::GdiKind(k)), before[size_t(k)]) << "kind " << k;
    EXPECT_EQ(win::ModuleLoadCount("USER32"), user32Loads);
}

TEST_F(RegistryTest, MissingUser32EntriesStayNull) {
    while (BarCommonModuleInitialized())
        DoneBarCommonModule();
    win::SetExportAbsent("USER32", "TrackMouseEvent", true);
    win::SetExportAbsent("USER32", "UpdateLayeredWindow", true);
    InitBarCommonModule();
    EXPECT_EQ(TrackMouseEventProc, nullptr);
    EXPECT_EQ(UpdateLayeredWindowProc, nullptr);
    EXPECT_NE(AnimateWindowProc, nullptr);
    EXPECT_NE(SetLayeredWindowAttributesProc, nullptr);
}

TEST_F(RegistryTest, SystemFlagsFollowTheVersion) {
    struct Case {
        win::DWORD Platform, Major, Minor;
        bool Win9x, Win95, NewMenuItemInfo;
    };
    const Case cases[] = {
        {win::VER_PLATFORM_WIN32_NT, 5, 1, false, false, true},       // XP
        {win::VER_PLATFORM_WIN32_NT, 5, 0, false, false, true},       // 2000
        {win::VER_PLATFORM_WIN32_NT, 4, 0, false, false, false},      // NT 4
        {win::VER_PLATFORM_WIN32_NT, 6, 0, false, false, false},      // only NT 5 counts
        {win::VER_PLATFORM_WIN32_WINDOWS, 4, 0, true, true, false},   // 95
        {win::VER_PLATFORM_WIN32_WINDOWS, 4, 10, true, false, true},  // 98
    };
    for (const Case& c : cases) {
        while (BarCommonModuleInitialized())
            DoneBarCommonModule();
        win::OsVersion version;
        version.Platform = c.Platform;
        version.Major = c.Major;
        version.Minor = c.Minor;
        win::SetOsVersion(version);
        InitBarCommonModule();
        EXPECT_EQ(IsWin9x, c.Win9x) << c.Major << "." << c.Minor;
        EXPECT_EQ(IsWin95, c.Win95) << c.Major << "." << c.Minor;
        EXPECT_EQ(HasNewMenuItemInfo, c.NewMenuItemInfo) << c.Major << "." << c.Minor;
    }
}

} // namespace
