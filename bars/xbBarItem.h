// The bar item: one command with its caption, glyph, shortcut, category, enabled and visibility state and
// click event. An item never draws itself: it appears through item links (one per place it is shown), and
// each link shown in an open window has an item control that draws it. The item holds the command's state,
// passes each change to the controls of its links, and runs the click chain.
#pragma once

#include "platform/vcl/ActnList.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TCustomImageList;
} // namespace vcl

namespace bars {

class TxbBarItem;
class TxbBarItemControl;
class TxbBarItemLink;
class TxbBarManager;
class TxbBarItemControlPainter;

enum TxbBarItemAlign { iaLeft, iaCenter, iaRight, iaClient };
enum TxbBarItemVisible { ivNever, ivInCustomizing, ivAlways };

// ivAlways for true, ivNever for false (an action's Visible copied to an item).
inline TxbBarItemVisible BooleanToItemVisible(bool value) { return value ? ivAlways : ivNever; }

// The tie of an item to a standard action: each property follows the action while the item's own value
// equals the action's.
class TxbBarItemActionLink : public vcl::TActionLink {
public:
    explicit TxbBarItemActionLink(vcl::TObject* client);
    bool IsCaptionLinked() override;
    bool IsCheckedLinked() override;
    bool IsEnabledLinked() override;
    bool IsHelpContextLinked() override;
    bool IsHintLinked() override;
    bool IsImageIndexLinked() override;
    bool IsShortCutLinked() override;
    bool IsVisibleLinked() override;
    bool IsOnExecuteLinked() override;
    void SetCaption(const std::string& value) override;
    void SetChecked(bool value) override;
    void SetEnabled(bool value) override;
    void SetHelpContext(vcl::THelpContext value) override;
    void SetHint(const std::string& value) override;
    void SetImageIndex(vcl::TImageIndex value) override;
    void SetShortCut(vcl::TShortCut value) override;
    void SetVisible(bool value) override;
    void SetOnExecute(const vcl::TNotifyEvent& value) override;

protected:
    void AssignClient(vcl::TObject* client) override;
    TxbBarItem* FClient = nullptr;
};

class TxbBarItem : public vcl::TComponent {
public:
    explicit TxbBarItem(vcl::TComponent* owner);
    ~TxbBarItem() override;
    void BeforeDestruction() override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void ReadState(vcl::TReader* reader) override;
    void AssignTo(vcl::TPersistent* dest) override;
    bool HasParent() const override { return FCategory >= 0; }
    vcl::TComponent* GetParentComponent() const override;
    void SetParentComponent(vcl::TComponent* value) override;

    // ---- Hooks the kinds replace
    virtual void BarManagerChanged() {}
    virtual bool CanClick() const { return true; }
    virtual void CaptionChanged();
    virtual void EnabledChanged();
    virtual int32_t GetImageIndex() const { return FImageIndex; }
    virtual void AssignImageIndex(int32_t value) { SetImageIndex(value); }
    virtual bool IsHiddenFromCustomizing() const { return false; }
    virtual void GlyphChanged();
    virtual bool CanSelectByAccel(TxbBarItemLink* link) const { return GetEnabled(); }
    virtual bool HasContent() const { return true; }
    virtual void SetImageIndex(int32_t value);
    virtual void ShortCutChanged();
    virtual void UpdateControls();
    virtual void LayoutChanged();
    virtual bool UsesHotImages() const { return false; }
    virtual bool UsesLargeImages() const { return false; }
    virtual void VisibleChanged();
    virtual vcl::TCustomImageList* GetImages() const;

    // ---- The click chain
    virtual void Click();
    // Nothing for a disabled item; otherwise the manager's DoClickItem, then DoClick; an exception goes to
    // the application's handler and goes no further.
    virtual void ExecuteClick();
    virtual void DoClick();
    // Copies the action's values (with checkDefaults only into values the item still has at their default).
    virtual void ActionChange(vcl::TObject* sender, bool checkDefaults);

    // ---- Queries
    TxbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TxbBarManager* value);
    // May the item be shown now (its Visible, its content, the manager's customizing mode).
    bool IsAvailable() const;
    int32_t GetLinkCount() const { return int32_t(FLinks.size()); }
    // Null outside 0 .. count - 1.
    TxbBarItemLink* GetLink(int32_t index) const;
    int32_t GetManagerIndex() const;
    const TxbBarItemControlPainter* GetPainter() const;
    bool HasValidImage() const;
    bool HasItemControls() const;
    // The caption without its first '&' and then without its first "...".
    std::string GetPlainCaption() const { return PlainCaption(FCaption); }
    static std::string PlainCaption(const std::string& caption);
    bool IsLoading() const { return GetComponentState().Contains(vcl::csLoading); }
    bool IsDesigning() const { return GetComponentState().Contains(vcl::csDesigning); }
    bool IsDestroying() const { return GetComponentState().Contains(vcl::csDestroying); }

    // ---- Properties
    vcl::TBasicAction* GetAction() const;
    void SetAction(vcl::TBasicAction* value);
    TxbBarItemAlign GetAlign() const { return FAlign; }
    void SetAlign(TxbBarItemAlign value);
    const std::string& GetCaption() const { return FCaption; }
    void SetCaption(const std::string& value);
    int32_t GetCategory() const { return FCategory; }
    void SetCategory(int32_t value);
    // The category list renumbers its items with this (no range check, no notice).
    void SetCategoryIndex(int32_t value) { FCategory = value; }
    const std::string& GetDescription() const { return FDescription; }
    void SetDescription(const std::string& value);
    // True while the manager customizes at run time and the item has a category; else the stored value.
    bool GetEnabled() const;
    void SetEnabled(bool value);
    vcl::TBitmap* GetGlyph() const { return FGlyph.get(); }
    void SetGlyph(vcl::TBitmap* value);
    vcl::THelpContext GetHelpContext() const { return FHelpContext; }
    void SetHelpContext(vcl::THelpContext value) { FHelpContext = value; }
    const std::string& GetHint() const { return FHint; }
    void SetHint(const std::string& value) { FHint = value; }
    vcl::TShortCut GetShortCut() const { return FShortCut; }
    void SetShortCut(vcl::TShortCut value);
    // The link whose control runs the item's click, null outside a click.
    TxbBarItemLink* GetClickedItemLink() const { return FClickedItemLink; }
    void SetClickedItemLink(TxbBarItemLink* value) { FClickedItemLink = value; }
    bool GetUnclickAfterDoing() const { return FUnclickAfterDoing; }
    void SetUnclickAfterDoing(bool value) { FUnclickAfterDoing = value; }
    TxbBarItemVisible GetVisible() const { return FVisible; }
    void SetVisible(TxbBarItemVisible value);
    TxbBarItemVisible GetPendingVisible() const { return FPendingVisible; }
    // The manager's Loaded applies the value read from the form (the item may still be marked loading then).
    void ApplyPendingVisible();
    vcl::TNotifyEvent OnClick;
    vcl::TNotifyEvent OnDestroy;
    vcl::TNotifyEvent OnAfterLoad;
    TxbBarItemActionLink* GetActionLink() const { return FActionLink.get(); }

    // Links join and leave the item's list (TxbBarItemLink does this).
    void AddLink(TxbBarItemLink* link);
    void RemoveLink(TxbBarItemLink* link);
    // Each link's control asks its window to rebuild (not while loading).
    void RebuildLinkWindows();

protected:
    // Whether a caption change carries the hint with it (sub items keep theirs).
    virtual bool HintFollowsCaption() const { return true; }
    bool FApplyingAction = false;
    bool FUnclickAfterDoing = false;

public:
    // Whether a value is written: without an action link, or where the link does not follow the action.
    bool IsStoredByAction(bool (TxbBarItemActionLink::*linked)()) const;
    // A bar the item refers to goes away (sub items forget their detaching bar).
    virtual void DetachingBarNotification(vcl::TOperation operation, class TxbBar* bar) {}

private:
    void ActionChanged(vcl::TObject* sender);
    friend void RegisterBarItemTables();

    std::unique_ptr<TxbBarItemActionLink> FActionLink;
    TxbBarItemAlign FAlign = iaLeft;
    TxbBarManager* FBarManager = nullptr;
    std::string FCaption;
    int32_t FCategory = -1;
    std::string FDescription;
    bool FEnabled = true;
    std::unique_ptr<vcl::TBitmap> FGlyph;
    vcl::THelpContext FHelpContext = 0;
    std::string FHint;
    TxbBarItemLink* FClickedItemLink = nullptr;
    int32_t FImageIndex = -1;
    std::vector<TxbBarItemLink*> FLinks;
    TxbBarItemVisible FPendingVisible = ivAlways;
    vcl::TShortCut FShortCut = 0;
    TxbBarItemVisible FVisible = ivAlways;
};

// Registers the item's property table (the kinds publish more of its fields).
void RegisterBarItemTables();

} // namespace bars
