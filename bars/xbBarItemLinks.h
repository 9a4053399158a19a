// Item links and their collections. A link is one appearance of an item in one bar, sub-menu or popup
// menu, with its own group break, visibility, user overrides and usage record. A collection keeps its
// links in order and, derived from them, the available, visible and shown lists and the recent-use order,
// from which it decides what a short menu shows; it finds links by shortcut and by accelerator.
#pragma once

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/Controls.h"
#include "platform/win/WinTypes.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
}

namespace bars {

class TCustomxbBarControl;
class TxbBarControl;
class TxbBarItem;
class TxbBarItemLinks;
class TxbBarManager;

enum TxbBarPaintStyle { psStandard, psCaption, psCaptionInMenu, psCaptionGlyph };
enum TxbBarUserDefine { udCaption, udGlyph, udPaintStyle, udWidth };
using TxbBarUserDefines = vcl::TSet<TxbBarUserDefine>;

inline constexpr const char* sxbBarRecursiveSubItems = "You cannot create recursive subitems";

// The object that shows the link in its collection's open window (bars/xbBarItemControl.h).
class TxbBarItemControl;

class TxbBarItemLink : public vcl::TCollectionItem {
public:
    explicit TxbBarItemLink(vcl::TCollection* collection);
    ~TxbBarItemLink() override;
    void Assign(vcl::TPersistent* source) override;

    TxbBarManager* GetBarManager() const;
    TxbBarItemLinks* GetLinks() const;
    TxbBarItemLink* GetRealLink() { return FRealLink ? FRealLink : this; }
    void SetRealLink(TxbBarItemLink* value) { FRealLink = value; }
    int32_t GetAvailableIndex() const;
    int32_t GetVisibleIndex() const;
    int32_t GetShownIndex() const;
    int32_t GetRecentIndex() const;
    // The effective group break: a stored break of a hidden link passes to the next shown link, and the
    // first shown link never starts a group.
    bool GetBeginGroup() const;
    bool GetStoredBeginGroup() const { return FBeginGroup; }
    void SetBeginGroup(bool value);
    std::string GetCaption() const;
    vcl::TBitmap* GetGlyph() const;
    TxbBarPaintStyle GetPaintStyle() const;
    int32_t GetWidth() const;
    bool IsAvailableAndVisible() const;
    bool IsOwnedBy(vcl::TPersistent* persistent) const;

    TxbBarItem* GetItem() const { return FItem; }
    void SetItem(TxbBarItem* value);
    bool GetMostRecentlyUsed() const { return FMostRecentlyUsed; }
    void SetMostRecentlyUsed(bool value);
    const std::string& GetUserCaption() const { return FUserCaption; }
    void SetUserCaption(const std::string& value);
    TxbBarUserDefines GetUserDefine() const { return FUserDefine; }
    void SetUserDefine(TxbBarUserDefines value);
    vcl::TBitmap* GetUserGlyph() const { return FUserGlyph.get(); }
    void SetUserGlyph(vcl::TBitmap* value);
    TxbBarPaintStyle GetUserPaintStyle() const { return FUserPaintStyle; }
    void SetUserPaintStyle(TxbBarPaintStyle value);
    int32_t GetUserWidth() const { return FUserWidth; }
    void SetUserWidth(int32_t value);
    bool GetVisible() const { return FVisible; }
    void SetVisible(bool value);
    void SetPendingVisible(bool value) { FPendingVisible = value; }
    void ApplyPendingVisible() { SetVisible(FPendingVisible); }
    int32_t GetUseCount() const { return FUseCount; }
    void SetUseCount(int32_t value) { FUseCount = value; }
    // What the layout store read: the position in the recent-use order (-1: none) and the use count.
    void SetPendingRecent(int32_t index, int32_t useCount) {
        FPendingRecentIndex = index;
        FPendingUseCount = useCount;
    }
    int32_t GetPendingRecentIndex() const { return FPendingRecentIndex; }
    intptr_t Data = 0;
    TxbBarItemControl* GetControl() const { return FControl; }
    win::TRect ItemRect{};
    // The thickness of the toolbar row or column holding the link (set with ItemRect by the layout).
    int32_t RowThickness = 0;

    // Usage.
    void MoveToRecentFront(bool countUse);
    void MarkUsed(bool countUse);
    void MarkUnused();
    void ResetUsage();
    void SetRecentIndex(int32_t index);
    void CopyUsage(TxbBarItemLink* other);
    void SaveRecentIndex() { FSavedRecentIndex = GetRecentIndex(); }
    void RestoreRecentIndex() { SetRecentIndex(FSavedRecentIndex); }
    // Makes the control of the item's kind while the collection has a window (none without a registered kind).
    void CreateControl();
    void DestroyControl();
    // The control tells its link that it is freed.
    void ForgetControl() { FControl = nullptr; }

private:
    friend class TxbBarItemLinks;
    friend class TxbBarItem;
    void Changed();
    bool HasLiveCollection() const;

    TxbBarItem* FItem = nullptr;
    bool FBeginGroup = false;
    bool FVisible = true;
    bool FPendingVisible = true;
    bool FMostRecentlyUsed = true;
    int32_t FUseCount = 0;
    int32_t FPendingRecentIndex = -1;
    int32_t FPendingUseCount = 0;
    int32_t FSavedRecentIndex = -1;
    TxbBarUserDefines FUserDefine;
    std::string FUserCaption;
    std::unique_ptr<vcl::TBitmap> FUserGlyph;
    TxbBarPaintStyle FUserPaintStyle = psStandard;
    int32_t FUserWidth = 0;
    TxbBarItemControl* FControl = nullptr;
    TxbBarItemLink* FRealLink = nullptr;
    TxbBarItemLinks* FLinks = nullptr;
    // Marks kept by the collection's RebuildLists: in the visible list, chosen for the shown list.
    bool FInVisibleList = false;
    bool FChosen = false;
};

class TxbBarItemLinks : public vcl::TCollection {
public:
    // owner: the bar, sub item or popup menu (or, for library menus, any persistent) the links belong to.
    TxbBarItemLinks(TxbBarManager* manager, vcl::TPersistent* owner);
    ~TxbBarItemLinks() override;
    void Assign(vcl::TPersistent* source) override;
    vcl::TPersistent* GetOwner() override;

    TxbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TxbBarManager* value) { FBarManager = value; }
    vcl::TPersistent* GetLinksOwner() const { return FOwner; }
    TxbBarItemLink* Add() { return static_cast<TxbBarItemLink*>(vcl::TCollection::Add()); }
    TxbBarItemLink* GetItem(int32_t index) const {
        return static_cast<TxbBarItemLink*>(vcl::TCollection::GetItem(index));
    }
    int32_t IndexOf(const TxbBarItemLink* link) const;
    int32_t GetAvailableItemCount() const { return int32_t(FAvailable.size()); }
    TxbBarItemLink* GetAvailableItem(int32_t index) const { return At(FAvailable, index); }
    int32_t GetVisibleItemCount() const { return int32_t(FVisible.size()); }
    TxbBarItemLink* GetVisibleItem(int32_t index) const { return At(FVisible, index); }
    int32_t GetShownItemCount() const { return int32_t(FShown.size()); }
    TxbBarItemLink* GetShownItem(int32_t index) const { return At(FShown, index); }
    int32_t GetRecentCount() const { return int32_t(FRecent.size()); }
    TxbBarItemLink* GetRecentItem(int32_t index) const { return At(FRecent, index); }

    bool GetUseRecentItems() const { return FUseRecentItems; }
    void SetUseRecentItems(bool value) { FUseRecentItems = value; }
    // Whether short menus apply: never in the standard style.
    bool UsesRecentItems() const;
    int32_t GetRecentItemCount() const { return FRecentItemCount; }
    // How many links a short menu shows (-1: all).
    int32_t CalcRecentItemCount() const;
    void SetRecentItemCount(int32_t count);
    void RestoreRecentItemCount();
    void RebuildLists();

    // Selection walking over the shown links whose controls are selectable: after (before) link, wrapping;
    // a null link starts at the first (last). Null when none is selectable.
    TxbBarItemLink* GetFirstSelectableLink() const { return GetNextSelectableLink(nullptr); }
    TxbBarItemLink* GetLastSelectableLink() const { return GetPrevSelectableLink(nullptr); }
    TxbBarItemLink* GetNextSelectableLink(TxbBarItemLink* link) const;
    TxbBarItemLink* GetPrevSelectableLink(TxbBarItemLink* link) const;

    // Runs the click of the first available, enabled link whose item has the shortcut, searching sub items'
    // and drop-down buttons' menus too; true when one ran.
    bool ExecuteShortCut(vcl::TShortCut shortCut);
    // The same, path holding the collections the search is inside (none is entered twice).
    bool ExecuteShortCut(vcl::TShortCut shortCut, std::vector<const TxbBarItemLinks*>& path);
    // The next link after afterLink (null: from the start) whose caption's accelerator is key with shift
    // (Alt aside); the start link is examined last. Null when none.
    TxbBarItemLink* FindAccelLink(uint16_t key, vcl::TShiftState shift, TxbBarItemLink* afterLink);
    // Whether a caption's accelerator is key with shift (Alt already removed).
    static bool CaptionMatchesAccel(const std::string& caption, uint16_t key, vcl::TShiftState shift);

    bool ContainsOwnedBy(vcl::TPersistent* persistent) const;
    void ApplyLoadedState(bool restoreVisible);
    void CopyUsageFrom(TxbBarItemLinks* other);
    void PackRecentOrder();
    void UpdateItemActions();
    bool IsAssigning() const { return FAssigning; }
    bool IsDestroying() const { return FDestroying; }
    // The window showing the links (a bar's toolbar window), null while not shown.
    TxbBarControl* GetBarControl() const { return FBarControl; }
    TxbBarControl* CreateBarControl();
    void DestroyBarControl();
    // The window tells its collection that it is freed.
    void BarControlGone(TxbBarControl* control);
    // The menu window showing the links (a sub item's or popup menu's), null while closed.
    TCustomxbBarControl* GetMenuWindow() const { return FMenuWindow; }
    void SetMenuWindow(TCustomxbBarControl* value) { FMenuWindow = value; }
    // The window showing the links: the toolbar window or the menu window.
    TCustomxbBarControl* GetWindow() const;
    // Runs after every change of the links (a bar installs one that marks the manager modified).
    std::function<void(TxbBarItemLinks*)> OnChange;

    // The recent-use order, for the links themselves.
    void MoveInRecent(TxbBarItemLink* link, int32_t position);
    void RemoveFromRecent(TxbBarItemLink* link);
    void AppendToRecent(TxbBarItemLink* link) { FRecent.push_back(link); }
    int32_t RecentIndexOf(const TxbBarItemLink* link) const;
    bool IsVisibleLink(const TxbBarItemLink* link) const;

protected:
    void Update(vcl::TCollectionItem* item) override;
    void Notify(vcl::TCollectionItem* item, vcl::TCollectionNotification action) override;

private:
    static TxbBarItemLink* At(const std::vector<TxbBarItemLink*>& list, int32_t index) {
        return index >= 0 && index < int32_t(list.size()) ? list[size_t(index)] : nullptr;
    }
    TxbBarManager* FBarManager;
    vcl::TPersistent* FOwner;
    TxbBarControl* FBarControl = nullptr;
    TCustomxbBarControl* FMenuWindow = nullptr;
    std::vector<TxbBarItemLink*> FAvailable, FVisible, FShown, FRecent;
    int32_t FRecentItemCount = -1;
    int32_t FSavedRecentItemCount = -1;
    bool FUseRecentItems = true;
    bool FAssigning = false;
    bool FDestroying = false;
};

// Registers the link's property table (what a collection of links stores per link).
void RegisterItemLinkTables();

} // namespace bars
