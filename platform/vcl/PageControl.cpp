// The page control (ComCtrls.h): pages (TTabSheet) on the window system's tab control. The tabs are made
// again from the pages whenever a page comes, goes, moves, or changes its caption or TabVisible; the pages
// are placed in the tab control's display area once the control has a window.
#include "platform/vcl/ComCtrls.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/User.h"

#include <algorithm>

namespace vcl {

// ---- TTabSheet -----------------------------------------------------------------------------------------

TTabSheet::TTabSheet(TComponent* owner) : TWinControl(owner) {
    FControlStyle.Include(csAcceptsControls);
    FColor = clBtnFace;
    // Hidden until its page control shows it.
    FVisible = false;
}

TTabSheet::~TTabSheet() {
    if (FPageControl)
        FPageControl->RemovePage(this);
}

void TTabSheet::SetPageControl(TPageControl* value) {
    SetParent(value);
}

void TTabSheet::SetParent(TWinControl* value) {
    auto* pageControl = dynamic_cast<TPageControl*>(value);
    if (FPageControl && FPageControl != pageControl)
        FPageControl->RemovePage(this);
    TWinControl::SetParent(value);
    if (pageControl && FPageControl != pageControl)
        pageControl->InsertPage(this);
}

int32_t TTabSheet::GetPageIndex() const {
    if (!FPageControl)
        return -1;
    const auto& pages = FPageControl->FPages;
    return int32_t(std::find(pages.begin(), pages.end(), this) - pages.begin());
}

void TTabSheet::SetPageIndex(int32_t value) {
    if (!FPageControl)
        return;
    auto& pages = FPageControl->FPages;
    const int32_t last = int32_t(pages.size()) - 1;
    if (value < 0 || value > last)
        throw EListError("Page index " + std::to_string(value) + " is out of range (0 to " +
                         std::to_string(last) + ")");
    const int32_t old = GetPageIndex();
    if (value == old)
        return;
    pages.erase(pages.begin() + old);
    pages.insert(pages.begin() + value, this);
    FPageControl->UpdateTabs();
}

int32_t TTabSheet::GetTabIndex() const {
    if (!FPageControl || !FTabVisible)
        return -1;
    int32_t index = 0;
    for (TTabSheet* page : FPageControl->FPages) {
        if (page == this)
            return index;
        if (page->FTabVisible)
            ++index;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool value) {
    if (value == FTabVisible)
        return;
    FTabVisible = value;
    if (FPageControl)
        FPageControl->UpdateTabs();
}

void TTabSheet::Dispatch(TMessage& m) {
    TWinControl::Dispatch(m);
    if (m.Msg == CM_TEXTCHANGED && FPageControl)
        FPageControl->UpdateTabs();
}

// ---- TPageControl --------------------------------------------------------------------------------------

TPageControl::TPageControl(TComponent* owner) : TWinControl(owner) {
    FControlStyle.Exclude(csAcceptsControls);
    FColor = clBtnFace;
    FWidth = 289;
    FHeight = 193;
    FTabStop = true;
}

TPageControl::~TPageControl() {
    // The pages may outlive the control's own part of the destruction: they must not call back.
    for (TTabSheet* page : FPages)
        page->FPageControl = nullptr;
    FPages.clear();
    FActivePage = nullptr;
}

void TPageControl::CreateParams(TCreateParams& p) {
    RegisterButtonClass();
    TWinControl::CreateParams(p);
    p.SuperClassName = win::WC_TABCONTROL;
    p.Style |= win::WS_CLIPCHILDREN;
    if (FTabPosition == tpBottom)
        p.Style |= win::TCS_BOTTOM;
}

void TPageControl::CreateWnd() {
    TWinControl::CreateWnd();
    win::SendMessage(FHandle, win::WM_SETFONT, reinterpret_cast<win::WPARAM>(FFont->GetHandle()), 0);
    UpdateTabs();
    Realign();
}

void TPageControl::InsertPage(TTabSheet* page) {
    FPages.push_back(page);
    page->FPageControl = this;
    UpdateTabs();
    if (HandleAllocated())
        Realign(); // the new page takes the display area
    // The first page with a tab is shown until another is chosen (a layout chooses once it is read).
    if (!FActivePage && page->FTabVisible && !GetComponentState().Contains(csLoading))
        SetActivePage(page);
}

void TPageControl::RemovePage(TTabSheet* page) {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end())
        return;
    if (page == FActivePage) {
        TTabSheet* next = FindNextPage(page, true, true);
        SetActivePage(next == page ? nullptr : next);
        it = std::find(FPages.begin(), FPages.end(), page);
    }
    if (page == FActivePage) // no other page to show
        FActivePage = nullptr;
    FPages.erase(it);
    page->FPageControl = nullptr;
    UpdateTabs();
}

void TPageControl::UpdateTabs() {
    if (!HandleAllocated() || GetComponentState().Contains(csDestroying))
        return;
    win::SendMessage(FHandle, win::TCM_DELETEALLITEMS, 0, 0);
    int32_t tab = 0;
    for (TTabSheet* page : FPages) {
        if (!page->FTabVisible)
            continue;
        std::string caption = page->GetCaption();
        win::TCITEM item;
        item.mask = win::TCIF_TEXT;
        item.pszText = caption.data();
        win::SendMessage(FHandle, win::TCM_INSERTITEM, win::WPARAM(tab++),
                         reinterpret_cast<win::LPARAM>(&item));
    }
    // An active page whose tab is hidden leaves no tab selected.
    const int32_t selected = FActivePage ? FActivePage->GetTabIndex() : -1;
    win::SendMessage(FHandle, win::TCM_SETCURSEL, win::WPARAM(selected), 0);
}

TTabSheet* TPageControl::PageOfTab(int32_t tabIndex) const {
    if (tabIndex < 0)
        return nullptr;
    for (TTabSheet* page : FPages)
        if (page->FTabVisible && tabIndex-- == 0)
            return page;
    return nullptr;
}

int32_t TPageControl::GetTabIndex() const {
    return FActivePage ? FActivePage->GetTabIndex() : -1;
}

int32_t TPageControl::GetActivePageIndex() const {
    return FActivePage ? FActivePage->GetPageIndex() : -1;
}

void TPageControl::SetActivePageIndex(int32_t value) {
    SetActivePage(value >= 0 && value < GetPageCount() ? FPages[size_t(value)] : nullptr);
}

void TPageControl::SetActivePage(TTabSheet* value) {
    if (value && value->FPageControl != this)
        return;
    // While a layout is read the page is only remembered: Loaded shows it.
    if (GetComponentState().Contains(csLoading)) {
        FActivePage = value;
        return;
    }
    ShowPage(value);
}

void TPageControl::ShowPage(TTabSheet* page) {
    if (page == FActivePage) {
        if (page && !page->GetVisible())
            page->SetVisible(true);
        UpdateTabs();
        return;
    }
    TTabSheet* old = FActivePage;
    // The focus leaves a page that goes out of sight: to the new page when it can take it, else to the tabs.
    win::HWND focus = win::GetFocus();
    TWinControl* focused = focus ? FindControl(focus) : nullptr;
    bool focusInOld = old && focused && old->ContainsControl(focused);
    if (page) {
        page->BringToFront();
        page->SetVisible(true);
    }
    FActivePage = page;
    if (old)
        old->SetVisible(false);
    UpdateTabs();
    if (focusInOld) {
        if (page && page->CanFocus())
            page->SelectFirst();
        // A page with nothing to focus leaves the focus with the tabs.
        focus = win::GetFocus();
        focused = focus ? FindControl(focus) : nullptr;
        if ((!focused || old->ContainsControl(focused)) && CanFocus())
            SetFocus();
    }
}

TTabSheet* TPageControl::FindNextPage(TTabSheet* current, bool goForward, bool checkTabVisible) const {
    const int32_t count = GetPageCount();
    if (count == 0)
        return nullptr;
    auto at = std::find(FPages.begin(), FPages.end(), current);
    int32_t start = at == FPages.end() ? (goForward ? count - 1 : 0) : int32_t(at - FPages.begin());
    int32_t i = start;
    for (int32_t step = 0; step < count; ++step) {
        i = goForward ? (i + 1) % count : (i + count - 1) % count;
        TTabSheet* page = FPages[size_t(i)];
        if (!checkTabVisible || page->FTabVisible)
            return page;
    }
    return nullptr;
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging)
        OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange)
        OnChange(this);
}

void TPageControl::ChangeByUser(TTabSheet* page) {
    if (!page || page == FActivePage || !CanChange())
        return;
    ShowPage(page);
    Change();
}

void TPageControl::SelectNextPage(bool goForward) {
    TTabSheet* page = FindNextPage(FActivePage, goForward, true);
    ChangeByUser(page);
}

void TPageControl::SetTabPosition(TTabPosition value) {
    if (value == FTabPosition)
        return;
    FTabPosition = value;
    if (HandleAllocated())
        RecreateWnd();
}

void TPageControl::AdjustClientRect(TRect& rect) {
    TWinControl::AdjustClientRect(rect);
    if (HandleAllocated())
        win::SendMessage(FHandle, win::TCM_ADJUSTRECT, 0, reinterpret_cast<win::LPARAM>(&rect));
}

void TPageControl::AlignControls(TControl* control, TRect& rect) {
    // Every page fills the display area, the hidden ones too, so that showing one moves nothing. Without a
    // window the display area is not known yet and the pages keep their bounds.
    if (HandleAllocated())
        for (TTabSheet* page : FPages)
            page->SetBounds(rect.Left, rect.Top, rect.Width(), rect.Height());
    TWinControl::AlignControls(control, rect);
}

void TPageControl::Loaded() {
    TWinControl::Loaded();
    TTabSheet* page = FActivePage;
    if (!page || page->FPageControl != this)
        page = FindNextPage(nullptr, true, true);
    FActivePage = nullptr;
    for (TTabSheet* p : FPages)
        if (p != page && p->GetVisible())
            p->SetVisible(false);
    ShowPage(page);
}

void TPageControl::GetChildren(const TGetChildProc& proc, TComponent* root) {
    // The pages in page order (the order they are read back in), then any other child.
    for (TTabSheet* page : std::vector<TTabSheet*>(FPages))
        if (page->GetOwner() == root)
            proc(page);
    for (int32_t i = 0; i < GetControlCount(); ++i) {
        TControl* c = GetControl(i);
        if (c->GetOwner() == root && std::find(FPages.begin(), FPages.end(), c) == FPages.end())
            proc(c);
    }
}

void TPageControl::Dispatch(TMessage& m) {
    switch (m.Msg) {
    case CN_NOTIFY: {
        auto* hdr = reinterpret_cast<win::NMHDR*>(m.LParam);
        if (hdr->code == win::TCN_SELCHANGING) {
            m.Result = CanChange() ? 0 : 1;
        } else if (hdr->code == win::TCN_SELCHANGE) {
            const auto tab = int32_t(win::SendMessage(FHandle, win::TCM_GETCURSEL, 0, 0));
            ShowPage(PageOfTab(tab));
            Change();
        }
        return;
    }
    case CM_DIALOGKEY: {
        // Ctrl+Tab and Ctrl+Shift+Tab turn the pages while the focus is anywhere inside.
        TShiftState shift = KeyboardShiftState();
        TWinControl* focused = nullptr;
        for (win::HWND h = win::GetFocus(); h && !focused; h = win::GetParent(h))
            focused = FindControl(h);
        if (int(m.WParam) == win::VK_TAB && shift.Contains(ssCtrl) && focused && ContainsControl(focused) &&
            IsEnabledChain() && Showing()) {
            SelectNextPage(!shift.Contains(ssShift));
            m.Result = 1;
        }
        return;
    }
    case CM_FONTCHANGED:
        TWinControl::Dispatch(m);
        Realign();
        return;
    default:
        TWinControl::Dispatch(m);
    }
}

} // namespace vcl
