// The bar library's process-wide registries, filled by its start-up and emptied by its shut-down: which
// item-control class shows which item class, the live bar windows, the list of bar managers, the pool of
// items the library makes for its own menus, the optional USER32 entry points, the system flags and the
// drag cursors.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/win/WinTypes.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/user/UserTypes.h"

#include <cstdint>
#include <string>
#include <typeindex>
#include <vector>

namespace bars {

class TxbBarItem;
class TxbBarItemControl;
class TxbBarItemLink;
class TxbBarManager;

// An item class: its C++ type (looked up by exact identity) and how form resources create it.
// An item-control class: how one is made for a link.
using TxbBarItemControlFactory = TxbBarItemControl* (*)(TxbBarItemLink* link);
template <class TControl> TxbBarItemControl* MakeItemControl(TxbBarItemLink* link) { return new TControl(link); }

struct TRegItemRecord {
    std::type_index ItemClass = typeid(void);
    std::string ItemClassName;
    TxbBarItemControlFactory ItemControlClass = nullptr;
    // The kind is offered to users (the add-item dialog).
    bool Visible = false;
};

// Appends a record and registers the item class for streaming under name.
void RegisterItemClass(const std::string& name, std::type_index itemClass, vcl::TPersistentFactory create,
                       TxbBarItemControlFactory controlClass, bool visible);
template <class TItem, class TControl> void RegisterItemClass(const std::string& name, bool visible) {
    RegisterItemClass(
        name, typeid(TItem), [](vcl::TComponent* owner) -> vcl::TPersistent* { return new TItem(owner); },
        &MakeItemControl<TControl>, visible);
}
// Removes the first record of the class and unregisters it from streaming.
void UnregisterItemClass(std::type_index itemClass);
int32_t GetItemClassRecordCount();
// The kinds offered to users: their number, and the Index-th one's class (void outside the range).
int32_t GetUserItemClassCount();
std::type_index GetUserItemClass(int32_t index);
// The item-control class of exactly this item class (a derived class that is not registered itself has
// none): null when there is none.
TxbBarItemControlFactory FindItemControlClass(std::type_index itemClass);

// Live bar windows: a window adds itself when made and leaves when freed. IsBarControlAlive answers whether
// an object (perhaps freed by a handler meanwhile) is still one of them.
void RegisterBarControl(const void* control);
void UnregisterBarControl(const void* control);
bool IsBarControlAlive(const void* control);

// Every bar manager of the process (not owned while it lives; freeing the list frees any still in it).
class TxbBarManagerList : public vcl::TObject {
public:
    ~TxbBarManagerList() override;
    int32_t GetCount() const { return int32_t(FManagers.size()); }
    // Null outside the range.
    TxbBarManager* GetManager(int32_t index) const;
    TxbBarManager* GetFirstCustomizingManager() const;
    void Add(TxbBarManager* manager) { FManagers.push_back(manager); }
    void Remove(TxbBarManager* manager);
    int32_t IndexOf(const TxbBarManager* manager) const;

private:
    std::vector<TxbBarManager*> FManagers;
};
// The list while the library is started, else null.
TxbBarManagerList* BarManagerList();

// Items the library makes in code for its own menus (Category -1). FreeUnusedInternalItems frees, last
// first, those that have no link any more.
void AddInternalItem(TxbBarItem* item);
void RemoveInternalItem(TxbBarItem* item);
int32_t InternalItemCount();
// The pool itself while the library is started (null otherwise).
std::vector<TxbBarItem*>* InternalItemPool();
void FreeUnusedInternalItems();

// USER32 entry points that older systems lack: null when absent.
using TTrackMouseEventProc = win::BOOL (*)(win::TRACKMOUSEEVENT*);
extern TTrackMouseEventProc TrackMouseEventProc;
extern win::FARPROC UpdateLayeredWindowProc;
extern win::FARPROC AnimateWindowProc;
extern win::FARPROC SetLayeredWindowAttributesProc;

// The system flags, read at start-up.
extern bool IsWin9x, IsWin95, HasNewMenuItemInfo;

// The drag cursors in the screen's table.
constexpr int32_t crxbBarDrag = 1041, crxbBarDragCopy = 1042, crxbBarDragNoDrop = 1043,
                  crxbBarEditSizing = 1044;

// The library's start-up (once; later calls only count) and shut-down (the last one runs it). The
// look-and-feel side must have started first.
void InitBarCommonModule();
void DoneBarCommonModule();
bool BarCommonModuleInitialized();

} // namespace bars
