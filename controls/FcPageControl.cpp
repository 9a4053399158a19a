// The page control and its pages: membership and order, the tabs rebuilt from the pages, switching pages
// with OnChanging and OnChange, Ctrl+Tab, closing and moving the active page, page colours, and windows
// given back while pages are hidden.
#include "controls/FcPageControl.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>

namespace controls {

// ---- Pages ---------------------------------------------------------------------------------------------

TFcTabSheet::TFcTabSheet(vcl::TComponent* owner) : vcl::TCustomControl(owner) {
    FVisible = false;
    FControlStyle.Include(vcl::csAcceptsControls).Include(vcl::csOpaque).Include(vcl::csNoDesignVisible);
    SetAlign(vcl::alClient);
}

TFcTabSheet::~TFcTabSheet() {
    if (FPageControl)
        FPageControl->RemovePage(this);
}

void TFcTabSheet::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    params.WindowClassStyle &= ~(win::CS_HREDRAW | win::CS_VREDRAW);
}

void TFcTabSheet::SetPageControl(TFcPageControl* value) {
    if (FPageControl == value)
        return;
    if (FPageControl)
        FPageControl->RemovePage(this);
    SetParent(value);
    if (value)
        value->InsertPage(this);
}

void TFcTabSheet::SetParentComponent(vcl::TComponent* value) {
    // A page read from a layout joins the page control it sits in.
    if (auto* pc = dynamic_cast<TFcPageControl*>(value))
        SetPageControl(pc);
    else
        vcl::TCustomControl::SetParentComponent(value);
}

int32_t TFcTabSheet::GetPageIndex() const {
    if (!FPageControl)
        return -1;
    const auto& pages = FPageControl->FPages;
    return int32_t(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TFcTabSheet::SetPageIndex(int32_t value) {
    if (!FPageControl)
        return;
    const int32_t last = FPageControl->GetPageCount() - 1;
    if (value < 0 || value > last)
        throw vcl::EListError(
            vcl::Format("%d is an invalid PageIndex value. PageIndex must be between 0 and %d", value, last));
    FPageControl->MovePage(this, value);
}

int32_t TFcTabSheet::GetTabIndex() const {
    if (!FTabVisible || !FPageControl)
        return -1;
    int32_t n = 0;
    for (TFcTabSheet* p : FPageControl->FPages) {
        if (p == this)
            return n;
        if (p->FTabVisible)
            ++n;
    }
    return -1;
}

void TFcTabSheet::TabChanged() {
    if (FPageControl)
        FPageControl->InvalidateTabs();
}

void TFcTabSheet::SetTabVisible(bool value) {
    if (FTabVisible == value)
        return;
    FTabVisible = value;
    TabChanged();
}

void TFcTabSheet::SetTabEnabled(bool value) {
    if (FTabEnabled == value)
        return;
    FTabEnabled = value;
    TabChanged();
}

void TFcTabSheet::SetImageIndex(int32_t value) {
    if (FImageIndex == value)
        return;
    FImageIndex = value;
    TabChanged();
}

void TFcTabSheet::SetDisabledIndex(int32_t value) {
    if (FDisabledIndex == value)
        return;
    FDisabledIndex = value;
    TabChanged();
}

void TFcTabSheet::SetColor(TColor value) {
    if (value == GetColor())
        return;
    // A colour of its own colours the tabs; the page control's colour is always accepted.
    if (FPageControl && value != FPageControl->GetColor() && !FPageControl->GetUseColoredTabs())
        FPageControl->SetUseColoredTabs(true);
    vcl::TCustomControl::SetColor(value);
    TabChanged();
}

void TFcTabSheet::SetVisible(bool) {
    throw vcl::EInvalidOperation("You cannot change the Visible property of a page");
}

void TFcTabSheet::Paint() {
    vcl::TCanvas* c = GetCanvas();
    const TRect r{0, 0, GetWidth(), GetHeight()};
    bool handled = false;
    if (OnPaintBackground)
        OnPaintBackground(this, c, r, handled);
    if (!handled) {
        c->GetBrush()->SetColor(GetColor());
        c->FillRect(r);
    }
}

void TFcTabSheet::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    case vcl::CM_TEXTCHANGED:
        vcl::TCustomControl::Dispatch(m);
        TabChanged();
        return;
    default:
        vcl::TCustomControl::Dispatch(m);
    }
}

// ---- The page control ----------------------------------------------------------------------------------

TFcPageControl::TFcPageControl(vcl::TComponent* owner) : TFcCustomTabControl(owner) {
    FControlStyle.Exclude(vcl::csAcceptsControls).Include(vcl::csOpaque);
    SetHeight(150);
    SetUseColoredTabs(false);
}

TFcPageControl::~TFcPageControl() {
    // The pages go with their parent after this part of the object: they must not call back.
    for (TFcTabSheet* p : FPages)
        p->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TFcPageControl::CreateParams(vcl::TCreateParams& params) {
    TFcCustomTabControl::CreateParams(params);
    params.Style |= win::WS_CLIPCHILDREN;
}

TFcTabSheet* TFcPageControl::GetPage(int32_t index) const { return FPages.at(size_t(index)); }

int32_t TFcPageControl::GetActivePageIndex() const { return FActivePage ? FActivePage->GetPageIndex() : -1; }

void TFcPageControl::SetActivePageIndex(int32_t index) { SetActivePage(GetPage(index)); }

void TFcPageControl::SetActivePageDefault(TFcTabSheet* value) {
    if (FActivePageDefault == value)
        return;
    FActivePageDefault = value;
    if (value)
        value->FreeNotification(this);
}

void TFcPageControl::InsertPage(TFcTabSheet* page) {
    HandleNeeded();
    FPages.push_back(page);
    page->FPageControl = this;
    page->FreeNotification(this);
    InvalidateTabs();
}

void TFcPageControl::RemovePage(TFcTabSheet* page) {
    if (page == FActivePage)
        SetActivePage(nullptr);
    if (page == FActivePageDefault)
        FActivePageDefault = nullptr;
    FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
    page->FPageControl = nullptr;
    InvalidateTabs();
}

void TFcPageControl::MovePage(TFcTabSheet* page, int32_t index) {
    const auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end())
        return;
    FPages.erase(it);
    FPages.insert(FPages.begin() + index, page);
    InvalidateTabs();
}

TFcTabSheet* TFcPageControl::PageForTab(int32_t tabIndex) const {
    if (tabIndex < 0)
        return nullptr;
    for (TFcTabSheet* p : FPages)
        if (p->FTabVisible && tabIndex-- == 0)
            return p;
    return nullptr;
}

void TFcPageControl::InvalidateTabs() {
    TFcTabDataList* tabs = GetTabs();
    tabs->Clear();
    for (TFcTabSheet* p : FPages) {
        if (!p->FTabVisible)
            continue;
        TFcTabData* t = tabs->Add();
        t->Caption = p->GetCaption();
        t->Color = p->GetColor();
        t->Enabled = p->FTabEnabled;
        t->Hint = p->GetHint();
        t->ImageIndex = p->FImageIndex;
        t->DisabledIndex = p->FDisabledIndex;
    }
    if (FActivePage)
        StoreTabIndex(FActivePage->GetTabIndex());
    else if (GetTabIndex() >= tabs->Count())
        StoreTabIndex(-1);
    TFcCustomTabControl::InvalidateTabs();
}

// ---- Switching pages -----------------------------------------------------------------------------------

void TFcPageControl::SetActivePage(TFcTabSheet* value) {
    if (value && value->FPageControl != this)
        return;
    if (GetComponentState().Contains(vcl::csLoading)) {
        FActivePage = value;
        return;
    }
    const int32_t t = value ? value->GetTabIndex() : -1;
    if (t < 0) {
        ChangeActivePage(value);
        SetTabIndex(-1);
        return;
    }
    SetTabIndex(t);
    // Already the selected tab (no change was asked): the page follows it.
    if (GetTabIndex() == t && FActivePage != value)
        ChangeActivePage(value);
}

void TFcPageControl::DoChanging(int32_t newIndex, bool& allowChange) {
    if (!FInLoaded)
        TFcCustomTabControl::DoChanging(newIndex, allowChange);
    if (allowChange)
        ChangeActivePage(PageForTab(newIndex));
}

void TFcPageControl::DoChange() {
    if (!FInLoaded)
        TFcCustomTabControl::DoChange();
}

void TFcPageControl::ChangeActivePage(TFcTabSheet* page) {
    TFcTabSheet* old = FActivePage;
    if (page == old)
        return;
    vcl::TCustomForm* form = vcl::GetParentForm(this);
    if (form && old && form->GetActiveControl() && old->ContainsControl(form->GetActiveControl()))
        form->SetActiveControl(old);
    if (page) {
        page->BringToFront();
        page->ShowPage(true);
        if (form && old && form->GetActiveControl() == old)
            form->SetActiveControl(page->CanFocus() ? static_cast<vcl::TWinControl*>(page) : this);
    }
    FActivePage = page;
    if (old) {
        old->ShowPage(false);
        if (FSaveResources && !GetComponentState().Contains(vcl::csDesigning))
            old->DestroyHandle();
    }
    if (form && page && form->GetActiveControl() == page)
        page->SelectFirst();
}

void TFcPageControl::SelectNextPage(bool goForward) {
    if (TFcTabSheet* p = FindNextPage(FActivePage, goForward))
        SetActivePage(p);
}

TFcTabSheet* TFcPageControl::FindNextPage(TFcTabSheet* current, bool goForward) const {
    const int32_t count = GetPageCount();
    if (count == 0)
        return nullptr;
    int32_t i = current ? current->GetPageIndex() : -1;
    if (i < 0)
        i = goForward ? count - 1 : 0;
    for (int32_t n = 0; n < count; ++n) {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        if (FPages[size_t(i)]->FTabVisible)
            return FPages[size_t(i)];
    }
    return nullptr;
}

void TFcPageControl::ShowControl(vcl::TControl* control) {
    if (auto* page = dynamic_cast<TFcTabSheet*>(control); page && page->FPageControl == this)
        SetActivePage(page);
}

void TFcPageControl::HideAllTabs() {
    for (TFcTabSheet* p : std::vector<TFcTabSheet*>(FPages))
        p->SetTabVisible(false);
}

void TFcPageControl::ShowAllTabs() {
    for (TFcTabSheet* p : std::vector<TFcTabSheet*>(FPages))
        p->SetTabVisible(true);
}

void TFcPageControl::CloseActiveTab() {
    if (!FActivePage)
        return;
    const int32_t index = GetTabIndex();
    TFcTabSheet* page = FActivePage;
    page->Free();
    SetTabIndex(index > 0 ? index - 1 : 0);
}

void TFcPageControl::MoveActiveTab(int32_t newIndex) {
    // The tab index dropped on names a page: the active page takes that page's place.
    TFcTabSheet* target = PageForTab(newIndex);
    if (FActivePage && target)
        FActivePage->SetPageIndex(target->GetPageIndex());
}

void TFcPageControl::SetSaveResources(bool value) {
    if (FSaveResources == value)
        return;
    FSaveResources = value;
    if (value && !GetComponentState().Contains(vcl::csDesigning))
        for (TFcTabSheet* p : FPages)
            if (p != FActivePage)
                p->DestroyHandle();
}

void TFcPageControl::SetUseColoredTabs(bool value) {
    const bool was = GetUseColoredTabs();
    TFcCustomTabControl::SetUseColoredTabs(value);
    if (was && !value)
        Perform(vcl::CM_COLORCHANGED);
}

void TFcPageControl::DoPaintCardBackground(vcl::TCanvas* canvas, int32_t row, const TRect& rect, bool& handled) {
    TFcCustomTabControl::DoPaintCardBackground(canvas, row, rect, handled);
    if (!handled && row == 0 && GetTabIndex() >= 0 && FActivePage) {
        canvas->GetBrush()->SetColor(FActivePage->GetColor());
        canvas->FillRect(rect);
        handled = true;
    }
}

// ---- Loading, streaming, messages ----------------------------------------------------------------------

void TFcPageControl::Loaded() {
    FInLoaded = true;
    try {
        TFcCustomTabControl::Loaded();
        UpdateLayout();
        StoreTabIndex(-1);
        TFcTabSheet* page = FActivePage;
        if (FActivePageDefault && FActivePageDefault != FActivePage) {
            if (FActivePage)
                FActivePage->ShowPage(false);
            page = FActivePageDefault;
        }
        FActivePage = nullptr;
        InvalidateTabs();
        SetActivePage(page);
    } catch (...) {
        FInLoaded = false;
        throw;
    }
    FInLoaded = false;
}

void TFcPageControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    TFcCustomTabControl::Notification(component, operation);
    if (operation == vcl::opRemove && component == FActivePageDefault)
        FActivePageDefault = nullptr;
}

void TFcPageControl::GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) {
    // The pages in page order, then any other child.
    for (TFcTabSheet* p : std::vector<TFcTabSheet*>(FPages))
        if (p->GetOwner() == root)
            proc(p);
    std::vector<vcl::TComponent*> others;
    TFcCustomTabControl::GetChildren([&](vcl::TComponent* c) {
        if (!dynamic_cast<TFcTabSheet*>(c))
            others.push_back(c);
    }, root);
    for (vcl::TComponent* c : others)
        proc(c);
}

void TFcPageControl::SetChildOrder(vcl::TComponent* child, int32_t order) {
    if (auto* page = dynamic_cast<TFcTabSheet*>(child); page && page->FPageControl == this)
        if (order >= 0 && order < GetPageCount())
            page->SetPageIndex(order);
}

// ---- Docking ------------------------------------------------------------------------------------------

vcl::TControl* TFcPageControl::DockedControl(TFcTabSheet* page) const {
    if (!page)
        return nullptr;
    for (int32_t i = 0; i < GetDockClientCount(); ++i)
        if (GetDockClient(i)->GetParent() == page)
            return GetDockClient(i);
    return nullptr;
}

namespace {

std::string FirstLine(const std::string& text) { return text.substr(0, text.find_first_of("\r\n")); }

} // namespace

void TFcPageControl::DoAddDockClient(vcl::TControl* client) {
    auto* page = new TFcTabSheet(this);
    try {
        page->SetPageControl(this);
        if (dynamic_cast<vcl::TCustomForm*>(client))
            page->SetCaption(FirstLine(client->GetCaption()));
        page->InsertControl(client);
    } catch (...) {
        page->Free();
        throw;
    }
    page->SetTabVisible(client->GetVisible());
    if (client->GetVisible())
        SetActivePage(page);
    client->SetAlign(vcl::alClient);
}

bool TFcPageControl::DoUnDock(vcl::TWinControl* newTarget, vcl::TControl* client) {
    if (!TFcCustomTabControl::DoUnDock(newTarget, client))
        return false;
    client->SetAlign(vcl::alNone);
    FUndockingPage = dynamic_cast<TFcTabSheet*>(client->GetParent());
    return true;
}

void TFcPageControl::DoRemoveDockClient(vcl::TControl* client) {
    TFcTabSheet* page = FUndockingPage;
    FUndockingPage = nullptr;
    if (!page || page->FPageControl != this || GetComponentState().Contains(vcl::csDestroying))
        return;
    if (page == FActivePage)
        SelectNextPage(true);
    page->Free();
    (void)client;
}

void TFcPageControl::DockClientNotify(vcl::TControl* client, win::UINT message) {
    auto* page = dynamic_cast<TFcTabSheet*>(client->GetParent());
    if (!page || page->FPageControl != this)
        return;
    if (message == vcl::CM_TEXTCHANGED)
        page->SetCaption(FirstLine(client->GetCaption()));
    else if (message == vcl::CM_VISIBLECHANGED)
        page->SetTabVisible(client->GetVisible());
}

void TFcPageControl::DockOver(vcl::TDragDockObject* source, int32_t x, int32_t y, vcl::TDragState state,
                              bool& accept) {
    // A control docked here already cannot dock again; another would take a page of the whole control.
    accept = !(source->GetControl() && source->GetControl()->GetHostDockSite() == this);
    TRect r{0, 0, 0, 0};
    win::GetWindowRect(GetHandle(), &r);
    source->SetDockRect(r);
    if (OnDockOver)
        OnDockOver(this, source, x, y, state, accept);
}

void TFcPageControl::MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) {
    TFcCustomTabControl::MouseDown(button, shift, x, y);
    if (button != vcl::mbLeft || !GetDockSite())
        return;
    TFcTabSheet* page = PageForTab(TabAtPos(x, y));
    vcl::TControl* client = DockedControl(page);
    if (!client)
        return;
    if (shift.Contains(vcl::ssDouble)) {
        const TPoint tl = client->ClientToScreen({0, 0});
        client->ManualFloat({tl.X, tl.Y, tl.X + client->GetWidth(), tl.Y + client->GetHeight()});
    } else {
        client->BeginDrag(false);
    }
}

bool TFcPageControl::DialogKey(vcl::TMessage& m) {
    if (int(m.WParam) != win::VK_TAB)
        return false;
    const vcl::TShiftState shift = vcl::KeyboardShiftState();
    if (!shift.Contains(vcl::ssCtrl))
        return false;
    vcl::TCustomForm* form = vcl::GetParentForm(this);
    vcl::TWinControl* active = form ? form->GetActiveControl() : nullptr;
    if (!active || (active != this && !ContainsControl(active)))
        return false;
    SelectNextPage(!shift.Contains(vcl::ssShift));
    m.Result = 1;
    return true;
}

void TFcPageControl::Dispatch(vcl::TMessage& m) {
    switch (m.Msg) {
    case vcl::CM_DIALOGKEY:
        TFcCustomTabControl::Dispatch(m);
        if (m.Result == 0)
            DialogKey(m);
        return;
    case vcl::CM_COLORCHANGED:
        // Without coloured tabs every page wears the control's colour.
        if (!GetUseColoredTabs())
            for (TFcTabSheet* p : FPages)
                if (p->GetColor() != GetColor())
                    p->vcl::TCustomControl::SetColor(GetColor());
        TFcCustomTabControl::Dispatch(m);
        InvalidateTabs();
        return;
    default:
        TFcCustomTabControl::Dispatch(m);
    }
}

} // namespace controls
