#include "bars/xbBarSubItem.h"

#include "bars/xbBarButton.h"
#include "bars/xbBarCommon.h"
#include "bars/xbBarItemLinks.h"
#include "bars/xbBarManager.h"
#include "bars/xbBarSubMenu.h"
#include "bars/xbBars.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/TypInfo.h"

#include <vector>

namespace bars {

TCustomxbBarSubItem::TCustomxbBarSubItem(vcl::TComponent* owner) : TxbBarItem(owner) {
    FItemLinks = std::make_unique<TxbBarItemLinks>(GetBarManager(), this);
    FItemLinks->SetPropName("ItemLinks");
    FShowCaption = true;
}

TCustomxbBarSubItem::~TCustomxbBarSubItem() {
    Destroying();
    SetDetachingBar(-1);
    FItemLinks.reset();
}

void TCustomxbBarSubItem::BarManagerChanged() { FItemLinks->SetBarManager(GetBarManager()); }

void TCustomxbBarSubItem::DoPaintBar(vcl::TCanvas* canvas, const win::TRect& r) {
    if (OnPaintBar)
        OnPaintBar(this, canvas, r);
}

void TCustomxbBarSubItem::DoCloseUp() {
    if (OnCloseUp)
        OnCloseUp(this);
}

void TCustomxbBarSubItem::DoDetaching() {
    if (OnDetaching)
        OnDetaching(this);
}

void TCustomxbBarSubItem::DoPopup() {
    if (OnPopup)
        OnPopup(this);
}

void TCustomxbBarSubItem::SetBarSize(int32_t value) { FBarSize = value < 0 ? 0 : value; }

int32_t TCustomxbBarSubItem::GetDetachingBar() const { return FDetachingBar ? FDetachingBar->GetIndex() : -1; }

void TCustomxbBarSubItem::SetDetachingBar(int32_t value) {
    TxbBars* bars = GetBarManager() ? GetBarManager()->GetBars() : nullptr;
    if (!bars || value < -1 || value >= bars->GetCount())
        value = -1;
    TxbBar* bar = value < 0 ? nullptr : bars->GetItem(value);
    if (bar == FDetachingBar)
        return;
    if (FDetachingBar)
        FDetachingBar->RemoveDetachingSubItem(this);
    FDetachingBar = bar;
    if (FDetachingBar)
        FDetachingBar->AddDetachingSubItem(this);
}

void TCustomxbBarSubItem::DetachingBarNotification(vcl::TOperation operation, TxbBar* bar) {
    if (operation == vcl::opRemove && bar == FDetachingBar)
        FDetachingBar = nullptr; // the bar is already emptying its list
}

void TCustomxbBarSubItem::SetItemLinks(TxbBarItemLinks* value) { FItemLinks->Assign(value); }

void TCustomxbBarSubItem::SetShowCaption(bool value) {
    if (value == FShowCaption)
        return;
    FShowCaption = value;
    if (!IsLoading())
        LayoutChanged();
}

bool TCustomxbBarSubItem::HandleShortCut(vcl::TShortCut shortCut) { return FItemLinks->ExecuteShortCut(shortCut); }

TxbBarSubItem::TxbBarSubItem(vcl::TComponent* owner) : TCustomxbBarSubItem(owner) { FAllowCustomizing = true; }

// ---- Recursion ----------------------------------------------------------------------------------------------

namespace {

// Whether target is item or is reached through the sub items (nested to any depth) of item's menu. The
// walk remembers the sub items it has seen, so a loop made by other means cannot make it run forever.
bool MenuReaches(TCustomxbBarSubItem* item, const vcl::TPersistent* target, std::vector<TCustomxbBarSubItem*>& seen) {
    if (static_cast<const vcl::TPersistent*>(item) == target)
        return true;
    for (TCustomxbBarSubItem* s : seen)
        if (s == item)
            return false;
    seen.push_back(item);
    TxbBarItemLinks* links = item->GetItemLinks();
    for (int32_t i = 0; i < links->GetCount(); ++i)
        if (auto* sub = dynamic_cast<TCustomxbBarSubItem*>(links->GetItem(i)->GetItem()))
            if (MenuReaches(sub, target, seen))
                return true;
    return false;
}

} // namespace

bool CanLinkItemTo(vcl::TPersistent* owner, TxbBarItem* item) {
    if (auto* sub = dynamic_cast<TCustomxbBarSubItem*>(item)) {
        std::vector<TCustomxbBarSubItem*> seen;
        if (MenuReaches(sub, owner, seen))
            return false;
    }
    // A button's drop-down menu holding the owner joins with the popup menus.
    return true;
}

// ---- Property tables ----------------------------------------------------------------------------------------

void RegisterBarSubItemTables() {
    using C = TCustomxbBarSubItem;
    using L = TxbBarItemActionLink;
    vcl::DefineClassProperties<C, TxbBarItem>()
        .Property("BarSize", &C::GetBarSize, &C::SetBarSize)
        .Default(0)
        .Property("Detachable", &C::GetDetachable, &C::SetDetachable)
        .Default(false)
        .Property("DetachingBar", &C::GetDetachingBar, &C::SetDetachingBar)
        .Default(-1)
        .Property("Glyph", &C::GetGlyph, &C::SetGlyph)
        .Stored([](C* s) { return !s->GetGlyph()->GetEmpty(); })
        .Property("ImageIndex", &C::GetImageIndex, &C::AssignImageIndex)
        .Stored([](C* s) { return s->GetImageIndex() != -1 && s->IsStoredByAction(&L::IsImageIndexLinked); })
        .Property("ShowCaption", &C::GetShowCaption, &C::SetShowCaption)
        .Default(true)
        .Event("OnClick", static_cast<vcl::TNotifyEvent C::*>(&C::OnClick))
        .Event("OnDetaching", &C::OnDetaching)
        .Event("OnPaintBar", &C::OnPaintBar);
    using T = TxbBarSubItem;
    vcl::DefineClassProperties<T, C>()
        .Property("AllowCustomizing", &T::GetAllowCustomizing, &T::SetAllowCustomizing)
        .Default(true)
        .Property("ItemLinks", &T::GetItemLinks, &T::SetItemLinks)
        .Event("OnCloseUp", static_cast<vcl::TNotifyEvent T::*>(&T::OnCloseUp))
        .Event("OnPopup", static_cast<vcl::TNotifyEvent T::*>(&T::OnPopup));
    RegisterItemClass(
        "TxbBarSubItem", typeid(T), [](vcl::TComponent* owner) -> vcl::TPersistent* { return new T(owner); },
        &MakeItemControl<TxbBarSubItemControl>, true);
}

} // namespace bars
