// The sub-menu item: an item that owns a collection of item links and opens it as a menu. The entries of
// the main menu bar ("File", "Edit" ...) are such items, and so is every cascading sub-menu. A sub item may
// be torn off: its menu then becomes a floating toolbar, the detaching bar.
#pragma once

#include "bars/xbBarItem.h"

#include <cstdint>
#include <functional>
#include <memory>

namespace vcl {
class TCanvas;
}

namespace bars {

class TxbBar;
class TxbBarItemLinks;

using TxbBarPaintSubMenuBarEvent = std::function<void(vcl::TObject* Sender, vcl::TCanvas* Canvas, const win::TRect& R)>;

class TCustomxbBarSubItem : public TxbBarItem {
public:
    explicit TCustomxbBarSubItem(vcl::TComponent* owner);
    ~TCustomxbBarSubItem() override;
    void BarManagerChanged() override;
    // Clicking a sub item opens its menu; the click chain runs only as part of opening.
    bool CanClick() const override { return false; }
    void DetachingBarNotification(vcl::TOperation operation, TxbBar* bar) override;

    virtual void DoPaintBar(vcl::TCanvas* canvas, const win::TRect& r);
    // Whether a change of the links marks the manager modified.
    virtual bool NotifiesLinkChanges() const { return true; }
    virtual void DoCloseUp();
    virtual void DoDetaching();
    virtual void DoPopup();

    int32_t GetBarSize() const { return FBarSize; }
    void SetBarSize(int32_t value);
    bool GetDetachable() const { return FDetachable; }
    void SetDetachable(bool value) { FDetachable = value; }
    // The index of the detaching bar among the manager's bars, -1 when none.
    int32_t GetDetachingBar() const;
    void SetDetachingBar(int32_t value);
    TxbBar* GetDetachingBarObject() const { return FDetachingBar; }
    TxbBarItemLinks* GetItemLinks() const { return FItemLinks.get(); }
    void SetItemLinks(TxbBarItemLinks* value);
    bool GetShowCaption() const { return FShowCaption; }
    void SetShowCaption(bool value);
    // Runs the first enabled item of the menu (or of a menu below it) with that shortcut; true when one ran.
    bool HandleShortCut(vcl::TShortCut shortCut);

    vcl::TNotifyEvent OnCloseUp;
    vcl::TNotifyEvent OnDetaching;
    TxbBarPaintSubMenuBarEvent OnPaintBar;
    vcl::TNotifyEvent OnPopup;

protected:
    bool HintFollowsCaption() const override { return false; }

private:
    int32_t FBarSize = 0;
    bool FDetachable = false;
    TxbBar* FDetachingBar = nullptr;
    std::unique_ptr<TxbBarItemLinks> FItemLinks;
    bool FShowCaption = true;
};

class TxbBarSubItem : public TCustomxbBarSubItem {
public:
    explicit TxbBarSubItem(vcl::TComponent* owner);
    bool NotifiesLinkChanges() const override { return !FInternal; }
    bool GetAllowCustomizing() const { return FAllowCustomizing; }
    void SetAllowCustomizing(bool value) { FAllowCustomizing = value; }
    // Sub items the library makes for its own customizing popups.
    bool GetInternal() const { return FInternal; }
    void SetInternal(bool value) { FInternal = value; }

private:
    bool FAllowCustomizing = true;
    bool FInternal = false;
};

// Whether item may get a link in the link collection of owner (a bar, popup menu or sub item): not a sub
// item into its own menu or a menu nested anywhere below it.
bool CanLinkItemTo(vcl::TPersistent* owner, TxbBarItem* item);

// Registers the sub item's property tables and the kind.
void RegisterBarSubItemTables();

} // namespace bars
