// Categories and groups. Every item of a manager belongs to one category (an index into the manager's
// Categories); the category list keeps the items' indexes in step when categories are inserted, deleted,
// exchanged or moved, and streams per category whether its items show ("ItemsVisibles") and whether it is
// visible ("Visibles"). A group is a named set of items and nested groups whose Enabled and Visible apply
// to all members at once.
#pragma once

#include "bars/xbBarItem.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/StringList.h"

#include <cstdint>
#include <string>
#include <vector>

namespace bars {

class TxbBarManager;

inline constexpr const char* sxbBarDefaultCategory = "Default";
inline constexpr const char* sxbBarRecursiveGroups = "You cannot create recursive groups";

// What a category holds beside its name; a category without one shows its items always and is visible.
class TxbBarCategoryData : public vcl::TObject {
public:
    TxbBarItemVisible ItemsVisible = ivAlways;
    TxbBarItemVisible PendingItemsVisible = ivAlways;
    bool HasPending = false;
    bool Visible = true;
};

class TxbBarManagerCategories : public vcl::TStringList {
public:
    explicit TxbBarManagerCategories(TxbBarManager* manager);
    ~TxbBarManagerCategories() override;
    void Clear() override;
    void Insert(int32_t index, const std::string& s) override;
    void Delete(int32_t index) override;
    void Exchange(int32_t index1, int32_t index2) override;
    void Move(int32_t curIndex, int32_t newIndex) override;
    void DefineProperties(vcl::TFiler* filer) override;
    // Every item of category from gets to (nothing when from is outside the list or to is negative).
    void SetItemsCategory(int32_t from, int32_t to);
    // The data object of a category, made when it has none; null outside the list.
    TxbBarCategoryData* GetData(int32_t index) const;
    TxbBarCategoryData* NeedData(int32_t index);

private:
    void FreeData(int32_t index);
    TxbBarManager* FManager;
    bool FMoving = false;
};

class TxbBarGroup : public vcl::TComponent {
public:
    explicit TxbBarGroup(vcl::TComponent* owner);
    ~TxbBarGroup() override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void SetName(const std::string& value) override;
    void DefineProperties(vcl::TFiler* filer) override;
    bool HasParent() const override { return FBarManager != nullptr; }
    vcl::TComponent* GetParentComponent() const override;
    void SetParentComponent(vcl::TComponent* value) override;

    TxbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TxbBarManager* value);
    int32_t GetCount() const { return int32_t(FMembers.size()); }
    // An item or a group; null outside the range.
    vcl::TComponent* GetItem(int32_t index) const;
    int32_t IndexOf(const vcl::TComponent* component) const;
    void Add(vcl::TComponent* component);
    void Remove(vcl::TComponent* component);
    void Move(int32_t curIndex, int32_t newIndex);
    int32_t GetIndex() const;
    void SetIndex(int32_t value);
    // Whether group is this group or one nested in it at any depth.
    bool Contains(const TxbBarGroup* group) const;

    bool GetEnabled() const { return FEnabled; }
    void SetEnabled(bool value);
    TxbBarItemVisible GetVisible() const { return FVisible; }
    void SetVisible(TxbBarItemVisible value);

private:
    bool IsLoading() const { return GetComponentState().Contains(vcl::csLoading); }
    bool IsDestroying() const { return GetComponentState().Contains(vcl::csDestroying); }
    bool FEnabled = true;
    TxbBarItemVisible FVisible = ivAlways;
    std::vector<vcl::TComponent*> FMembers;
    TxbBarManager* FBarManager = nullptr;
    std::vector<std::string> FPendingNames;
};

// Registers the group's property table and class.
void RegisterBarGroupTables();

} // namespace bars
