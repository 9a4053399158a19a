#include "bars/xbBarCommon.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCategories.h"
#include "bars/xbBarItem.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarPopupMenu.h"
#include "bars/xbBarSubItem.h"
#include "bars/xbBars.h"
#include "bars/xbDockControl.h"
#include "platform/vcl/TypInfo.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarUtils.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Icon.h"
#include "platform/vcl/Resources.h"
#include "platform/win/kernel/Version.h"
#include "platform/win/user/Cursors.h"

#include <algorithm>
#include <memory>

namespace bars {

TTrackMouseEventProc TrackMouseEventProc = nullptr;
win::FARPROC UpdateLayeredWindowProc = nullptr;
win::FARPROC AnimateWindowProc = nullptr;
win::FARPROC SetLayeredWindowAttributesProc = nullptr;
bool IsWin9x = false, IsWin95 = false, HasNewMenuItemInfo = false;

namespace {

int32_t GInitCount = 0;
win::HMODULE GUser32 = nullptr;
std::unique_ptr<std::vector<TRegItemRecord>> GItemRegistry;
std::unique_ptr<std::vector<const void*>> GBarControls;
TxbBarManagerList* GManagerList = nullptr;
std::unique_ptr<std::vector<TxbBarItem*>> GInternalItems;

struct TCursorResource {
    const char* Name;
    int32_t Id;
};
constexpr TCursorResource DragCursors[] = {{"XBBARDRAGCURSOR", crxbBarDrag},
                                           {"XBBARDRAGCOPYCURSOR", crxbBarDragCopy},
                                           {"XBBARDRAGNODROPCURSOR", crxbBarDragNoDrop},
                                           {"XBBAREDITSIZINGCURSOR", crxbBarEditSizing}};
win::HCURSOR GCursors[4] = {};

void ReadOsFlags() {
    win::OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = 148;
    if (!win::GetVersionExA(&info))
        return;
    IsWin9x = info.dwPlatformId == win::VER_PLATFORM_WIN32_WINDOWS;
    IsWin95 = IsWin9x && info.dwMinorVersion == 0;
    HasNewMenuItemInfo = (IsWin9x && info.dwMinorVersion != 0) ||
                         (info.dwPlatformId == win::VER_PLATFORM_WIN32_NT && info.dwMajorVersion == 5);
}

void BindUser32() {
    GUser32 = win::LoadLibraryA("USER32");
    if (!GUser32)
        return;
    TrackMouseEventProc = reinterpret_cast<TTrackMouseEventProc>(win::GetProcAddress(GUser32, "TrackMouseEvent"));
    UpdateLayeredWindowProc = win::GetProcAddress(GUser32, "UpdateLayeredWindow");
    AnimateWindowProc = win::GetProcAddress(GUser32, "AnimateWindow");
    SetLayeredWindowAttributesProc = win::GetProcAddress(GUser32, "SetLayeredWindowAttributes");
}

void LoadDragCursors() {
    for (size_t i = 0; i < std::size(DragCursors); ++i) {
        if (!vcl::ResourceExists(vcl::rtCursorResource, DragCursors[i].Name))
            continue;
        GCursors[i] = vcl::LoadCursorResource(DragCursors[i].Name);
        if (vcl::Screen)
            vcl::Screen->SetCursors(DragCursors[i].Id, GCursors[i]);
    }
}

void FreeDragCursors() {
    for (size_t i = 0; i < std::size(DragCursors); ++i) {
        if (!GCursors[i])
            continue;
        if (vcl::Screen && vcl::Screen->GetCursors(DragCursors[i].Id) == GCursors[i])
            vcl::Screen->SetCursors(DragCursors[i].Id, nullptr);
        win::DestroyCursor(GCursors[i]);
        GCursors[i] = nullptr;
    }
}

} // namespace

void RegisterItemClass(const std::string& name, std::type_index itemClass, vcl::TPersistentFactory create,
                       TxbBarItemControlFactory controlClass, bool visible) {
    if (!GItemRegistry)
        GItemRegistry = std::make_unique<std::vector<TRegItemRecord>>();
    GItemRegistry->push_back({itemClass, name, controlClass, visible});
    vcl::RegisterClass(name, std::move(create), itemClass);
}

void UnregisterItemClass(std::type_index itemClass) {
    if (!GItemRegistry)
        return;
    auto it = std::find_if(GItemRegistry->begin(), GItemRegistry->end(),
                           [&](const TRegItemRecord& r) { return r.ItemClass == itemClass; });
    if (it == GItemRegistry->end())
        return;
    std::string name = it->ItemClassName;
    GItemRegistry->erase(it);
    vcl::UnRegisterClass(name);
}

int32_t GetItemClassRecordCount() { return GItemRegistry ? int32_t(GItemRegistry->size()) : 0; }

int32_t GetUserItemClassCount() {
    if (!GItemRegistry)
        return 0;
    return int32_t(std::count_if(GItemRegistry->begin(), GItemRegistry->end(),
                                 [](const TRegItemRecord& r) { return r.Visible; }));
}

std::type_index GetUserItemClass(int32_t index) {
    if (GItemRegistry && index >= 0)
        for (const TRegItemRecord& r : *GItemRegistry)
            if (r.Visible && index-- == 0)
                return r.ItemClass;
    return typeid(void);
}

TxbBarItemControlFactory FindItemControlClass(std::type_index itemClass) {
    if (GItemRegistry)
        for (const TRegItemRecord& r : *GItemRegistry)
            if (r.ItemClass == itemClass)
                return r.ItemControlClass;
    return nullptr;
}

void RegisterBarControl(const void* control) {
    if (!GBarControls)
        GBarControls = std::make_unique<std::vector<const void*>>();
    GBarControls->push_back(control);
}

void UnregisterBarControl(const void* control) {
    if (!GBarControls)
        return;
    auto it = std::find(GBarControls->begin(), GBarControls->end(), control);
    if (it != GBarControls->end())
        GBarControls->erase(it);
}

bool IsBarControlAlive(const void* control) {
    return control && GBarControls &&
           std::find(GBarControls->begin(), GBarControls->end(), control) != GBarControls->end();
}

TxbBarManagerList::~TxbBarManagerList() {
    // Managers still listed go with the list, last first; each leaves the list as it goes.
    while (!FManagers.empty()) {
        TxbBarManager* manager = FManagers.back();
        FManagers.pop_back();
        manager->Free();
    }
}

TxbBarManager* TxbBarManagerList::GetManager(int32_t index) const {
    return index >= 0 && index < GetCount() ? FManagers[size_t(index)] : nullptr;
}

TxbBarManager* TxbBarManagerList::GetFirstCustomizingManager() const {
    for (TxbBarManager* m : FManagers)
        if (m->GetCustomizing())
            return m;
    return nullptr;
}

void TxbBarManagerList::Remove(TxbBarManager* manager) {
    auto it = std::find(FManagers.begin(), FManagers.end(), manager);
    if (it != FManagers.end())
        FManagers.erase(it);
}

int32_t TxbBarManagerList::IndexOf(const TxbBarManager* manager) const {
    auto it = std::find(FManagers.begin(), FManagers.end(), manager);
    return it == FManagers.end() ? -1 : int32_t(it - FManagers.begin());
}

TxbBarManagerList* BarManagerList() { return GManagerList; }

void AddInternalItem(TxbBarItem* item) {
    if (GInternalItems)
        GInternalItems->push_back(item);
}

void RemoveInternalItem(TxbBarItem* item) {
    if (!GInternalItems)
        return;
    auto it = std::find(GInternalItems->begin(), GInternalItems->end(), item);
    if (it != GInternalItems->end())
        GInternalItems->erase(it);
}

int32_t InternalItemCount() { return GInternalItems ? int32_t(GInternalItems->size()) : 0; }

std::vector<TxbBarItem*>* InternalItemPool() { return GInternalItems.get(); }

void InitBarCommonModule() {
    if (GInitCount++ > 0)
        return;
    ReadOsFlags();
    BindUser32();
    GInternalItems = std::make_unique<std::vector<TxbBarItem*>>();
    GManagerList = new TxbBarManagerList;
    RefreshDeviceConsts();
    RefreshDitherBrush();
    if (!GItemRegistry)
        GItemRegistry = std::make_unique<std::vector<TRegItemRecord>>();
    if (!GBarControls)
        GBarControls = std::make_unique<std::vector<const void*>>();
    LoadDragCursors();
    RegisterBarManagerTables();
    RegisterBarItemTables();
    RegisterItemLinkTables();
    vcl::LinkPropertyTable(typeid(TxbBarItemLinks), typeid(vcl::TCollection));
    vcl::LinkPropertyTable(typeid(TxbBars), typeid(vcl::TCollection));
    vcl::LinkPropertyTable(typeid(TxbBarManagerCategories), typeid(vcl::TStringList));
    RegisterBarsTables();
    RegisterBarGroupTables();
    RegisterDockControlTables();
    RegisterBarButtonTables();
    RegisterBarSubItemTables();
    RegisterBarPopupMenuTables();
}

void DoneBarCommonModule() {
    if (GInitCount == 0 || --GInitCount > 0)
        return;
    FreeDragCursors();
    GBarControls.reset();
    // Kinds still registered (by libraries that did not unregister theirs) go last first.
    if (GItemRegistry)
        while (!GItemRegistry->empty())
            UnregisterItemClass(GItemRegistry->back().ItemClass);
    GItemRegistry.reset();
    DeleteDitherBrush();
    TxbBarManagerList* list = GManagerList;
    GManagerList = nullptr;
    delete list;
    GInternalItems.reset();
    if (GUser32)
        win::FreeLibrary(GUser32);
    GUser32 = nullptr;
    TrackMouseEventProc = nullptr;
    UpdateLayeredWindowProc = AnimateWindowProc = SetLayeredWindowAttributesProc = nullptr;
}

bool BarCommonModuleInitialized() { return GInitCount > 0; }

} // namespace bars
