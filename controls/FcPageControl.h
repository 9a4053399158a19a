// The page control: a tab control whose tabs are its pages. Each TFcTabSheet child is one page; the
// visible ones have tabs, and choosing a tab shows its page and hides the others. With DockSite set, a
// control docked onto it gets a page of its own.
#pragma once

#include "controls/FcTabs.h"

#include <vector>

namespace controls {

class TFcPageControl;

class TFcTabSheet : public vcl::TCustomControl {
public:
    explicit TFcTabSheet(vcl::TComponent* owner);
    ~TFcTabSheet() override;

    TFcPageControl* GetPageControl() const { return FPageControl; }
    virtual void SetPageControl(TFcPageControl* value);
    // The position among all pages of the page control (-1 without one).
    virtual int32_t GetPageIndex() const;
    virtual void SetPageIndex(int32_t value);
    // -1 while the tab is hidden, else the number of pages before it with visible tabs.
    virtual int32_t GetTabIndex() const;
    bool GetTabVisible() const { return FTabVisible; }
    virtual void SetTabVisible(bool value);
    bool GetTabEnabled() const { return FTabEnabled; }
    virtual void SetTabEnabled(bool value);
    int32_t GetImageIndex() const { return FImageIndex; }
    virtual void SetImageIndex(int32_t value);
    int32_t GetDisabledIndex() const { return FDisabledIndex; }
    virtual void SetDisabledIndex(int32_t value);
    TColor GetColor() const { return vcl::TCustomControl::GetColor(); }
    virtual void SetColor(TColor value);
    // Pages are shown and hidden by their page control alone: writing Visible raises.
    void SetVisible(bool value) override;

    void SetParentComponent(vcl::TComponent* value) override;
    void Dispatch(vcl::TMessage& message) override;

    TFcPaintBackgroundEvent OnPaintBackground;

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void Paint() override;

private:
    friend class TFcPageControl;
    // The visibility the page control gives.
    void ShowPage(bool value) { vcl::TCustomControl::SetVisible(value); }
    void TabChanged();

    TFcPageControl* FPageControl = nullptr;
    bool FTabVisible = true;
    bool FTabEnabled = true;
    int32_t FImageIndex = -1;
    int32_t FDisabledIndex = -1;
};

class TFcPageControl : public TFcCustomTabControl {
public:
    explicit TFcPageControl(vcl::TComponent* owner);
    ~TFcPageControl() override;

    virtual TFcTabSheet* GetPage(int32_t index) const;
    virtual int32_t GetPageCount() const { return int32_t(FPages.size()); }
    TFcTabSheet* GetActivePage() const { return FActivePage; }
    virtual void SetActivePage(TFcTabSheet* value);
    virtual int32_t GetActivePageIndex() const;
    virtual void SetActivePageIndex(int32_t index);
    TFcTabSheet* GetActivePageDefault() const { return FActivePageDefault; }
    void SetActivePageDefault(TFcTabSheet* value);
    bool GetSaveResources() const { return FSaveResources; }
    virtual void SetSaveResources(bool value);

    // The next page with a visible tab from the active one, with wrap-around, activated.
    void SelectNextPage(bool goForward);
    // The page after (or before) current whose tab is visible, current itself looked at last; null when
    // none (or no page).
    TFcTabSheet* FindNextPage(TFcTabSheet* current, bool goForward) const;
    virtual void HideAllTabs();
    virtual void ShowAllTabs();
    // Activates the control's page when it is one of the pages.
    void ShowControl(vcl::TControl* control);

    void InvalidateTabs() override;
    void SetUseColoredTabs(bool value) override;
    void Loaded() override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override;
    void SetChildOrder(vcl::TComponent* child, int32_t order) override;
    void Dispatch(vcl::TMessage& message) override;

    // Docking: each docked control gets a page of its own.
    void DoAddDockClient(vcl::TControl* client) override;
    void DoRemoveDockClient(vcl::TControl* client) override;
    void DockClientNotify(vcl::TControl* client, win::UINT message) override;
    bool DoUnDock(vcl::TWinControl* newTarget, vcl::TControl* client) override;
    void DockOver(vcl::TDragDockObject* source, int32_t x, int32_t y, vcl::TDragState state,
                  bool& accept) override;
    // The control docked in a page, or null.
    vcl::TControl* DockedControl(TFcTabSheet* page) const;

protected:
    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void DoChanging(int32_t newIndex, bool& allowChange) override;
    void DoChange() override;
    void DoPaintCardBackground(vcl::TCanvas* canvas, int32_t row, const TRect& rect, bool& handled) override;
    void CloseActiveTab() override;
    void MoveActiveTab(int32_t newIndex) override;
    void CreateParams(vcl::TCreateParams& params) override;

private:
    friend class TFcTabSheet;
    void InsertPage(TFcTabSheet* page);
    void RemovePage(TFcTabSheet* page);
    void MovePage(TFcTabSheet* page, int32_t index);
    // Hides the active page and shows page (the focus follows), without events.
    void ChangeActivePage(TFcTabSheet* page);
    TFcTabSheet* PageForTab(int32_t tabIndex) const;
    bool DialogKey(vcl::TMessage& message);

    std::vector<TFcTabSheet*> FPages;
    TFcTabSheet* FActivePage = nullptr;
    TFcTabSheet* FActivePageDefault = nullptr;
    bool FSaveResources = false;
    bool FInLoaded = false;
    // The page of a control being undocked, freed once the control has left.
    TFcTabSheet* FUndockingPage = nullptr;
};

// The page control's and the pages' property tables.
void RegisterPageControlTables();

} // namespace controls
