// The tab control's data, settings, events and housekeeping.
#include "controls/FcTabs.h"

#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/StringList.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Messages.h"
#include "platform/win/user/WindowStyles.h"

namespace controls {

// ---- Tab records ---------------------------------------------------------------------------------------

void TFcTabData::Assign(vcl::TPersistent* source) {
    if (auto* s = dynamic_cast<TFcTabData*>(source)) {
        Caption = s->Caption;
        DisabledIndex = s->DisabledIndex;
        ImageIndex = s->ImageIndex;
        Color = s->Color;
        Enabled = s->Enabled;
        Visible = s->Visible;
        Hint = s->Hint;
        return;
    }
    vcl::TPersistent::Assign(source);
}

void TFcTabDataList::SetItem(int32_t i, TFcTabData* value) { FItems[size_t(i)].reset(value); }

TFcTabData* TFcTabDataList::Add() {
    FItems.push_back(std::make_unique<TFcTabData>());
    return FItems.back().get();
}

void TFcTabDataList::Delete(int32_t i) { FItems.erase(FItems.begin() + i); }

void TFcTabDataList::Move(int32_t from, int32_t to) {
    if (from == to)
        return;
    auto item = std::move(FItems[size_t(from)]);
    FItems.erase(FItems.begin() + from);
    FItems.insert(FItems.begin() + to, std::move(item));
}

void TFcTabDataList::Assign(vcl::TPersistent* source) {
    if (auto* s = dynamic_cast<TFcTabDataList*>(source)) {
        if (s == this)
            return;
        Clear();
        for (int32_t i = 0; i < s->Count(); ++i)
            Add()->Assign(s->Items(i));
        return;
    }
    vcl::TPersistent::Assign(source);
}

// ---- Colour sets ---------------------------------------------------------------------------------------

void TFcTabColors::Set(TColor& field, TColor value) {
    if (field == value)
        return;
    field = value;
    if (FOwner)
        FOwner->LayoutChanged();
}
void TFcTabColors::SetHighlightBar(TColor value) { Set(FHighlightBar, value); }
void TFcTabColors::SetShadow(TColor value) { Set(FShadow, value); }
void TFcTabColors::SetUnselected(TColor value) { Set(FUnselected, value); }
void TFcTabColors::Assign(vcl::TPersistent* source) {
    if (auto* s = dynamic_cast<TFcTabColors*>(source)) {
        SetHighlightBar(s->FHighlightBar);
        SetShadow(s->FShadow);
        SetUnselected(s->FUnselected);
        return;
    }
    vcl::TPersistent::Assign(source);
}

void TFcTextColors::Set(TColor& field, TColor value) {
    if (field == value)
        return;
    field = value;
    if (FOwner)
        FOwner->LayoutChanged();
}
void TFcTextColors::SetDisabledHighlight(TColor value) { Set(FDisabledHighlight, value); }
void TFcTextColors::SetDisabledShadow(TColor value) { Set(FDisabledShadow, value); }
void TFcTextColors::SetSelected(TColor value) { Set(FSelected, value); }
void TFcTextColors::SetUnselected(TColor value) { Set(FUnselected, value); }
void TFcTextColors::Assign(vcl::TPersistent* source) {
    if (auto* s = dynamic_cast<TFcTextColors*>(source)) {
        SetDisabledHighlight(s->FDisabledHighlight);
        SetDisabledShadow(s->FDisabledShadow);
        SetSelected(s->FSelected);
        SetUnselected(s->FUnselected);
        return;
    }
    vcl::TPersistent::Assign(source);
}

// ---- The control ---------------------------------------------------------------------------------------

TFcCustomTabControl::TFcCustomTabControl(vcl::TComponent* owner)
    : vcl::TCustomControl(owner), FTabs(std::make_unique<TFcTabDataList>()),
      FBuffer(std::make_unique<vcl::TBitmap>()), FTabFont(std::make_unique<vcl::TFont>()),
      FRegionCache(std::make_unique<TFcTabRegionCache>()), FTabColors(std::make_unique<TFcTabColors>(this)),
      FTextColors(std::make_unique<TFcTextColors>(this)), FImageChangeLink(std::make_unique<vcl::TChangeLink>()) {
    FControlStyle = vcl::TControlStyle{vcl::csAcceptsControls, vcl::csCaptureMouse, vcl::csClickEvents,
                                       vcl::csDoubleClicks};
    SetBounds(FLeft, FTop, 300, 100);
    SetColor(vcl::clBtnFace);
    SetParentColor(true);
    SetTabStop(true);
    FTabFont->Assign(GetFont());
    FImageChangeLink->OnChange = [this](vcl::TObject* s) { ImagesChanged(s); };
}

TFcCustomTabControl::~TFcCustomTabControl() {
    StopHotTimer();
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
    FRegionCache->Clear();
}

void TFcCustomTabControl::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomControl::CreateParams(params);
    params.WindowClassStyle &= ~(win::CS_HREDRAW | win::CS_VREDRAW);
}

void TFcCustomTabControl::SetIntProp(int32_t& field, int32_t value, bool relayout) {
    if (value < 0 || field == value)
        return;
    field = value;
    if (relayout)
        InvalidateTabs();
}

void TFcCustomTabControl::SetAlignTabs(bool value) {
    if (FAlignTabs == value)
        return;
    FAlignTabs = value;
    if (FMultiLine)
        InvalidateTabs();
}
void TFcCustomTabControl::SetBackgroundColor(TColor value) {
    if (FBackgroundColor == value)
        return;
    FBackgroundColor = value;
    FParentBackgroundColor = false;
    LayoutChanged();
}
void TFcCustomTabControl::SetBoldCurrentTab(bool value) { SetRelayout(FBoldCurrentTab, value); }
void TFcCustomTabControl::SetCutCornerSize(int32_t value) {
    if (value < 0 || value == FCutCornerSize)
        return;
    FCutCornerSize = value;
    if (FTabStyle == tsCutCorner)
        InvalidateTabs();
}
void TFcCustomTabControl::SetFlatColor(TColor value) {
    if (FFlatColor == value)
        return;
    FFlatColor = value;
    UpdateButtonColors();
    LayoutChanged();
}
void TFcCustomTabControl::SetFlatColorAdjustment(int32_t value) {
    if (FFlatColorAdjustment == value)
        return;
    FFlatColorAdjustment = value;
    UpdateButtonColors();
    LayoutChanged();
}
void TFcCustomTabControl::SetHotTrackColor(TColor value) { SetRepaint(FHotTrackColor, value); }
void TFcCustomTabControl::SetHotTrackColorType(TFcHotTrackColorType value) {
    SetRepaint(FHotTrackColorType, value);
}
void TFcCustomTabControl::SetHotTrackStyle(TFcHotTrackStyle value) { SetRepaint(FHotTrackStyle, value); }
void TFcCustomTabControl::SetImageAlignment(TFcHorizontalAlignment value) { SetRelayout(FImageAlignment, value); }
void TFcCustomTabControl::SetImageAlignmentVertical(TFcVerticalAlignment value) {
    SetRelayout(FImageAlignmentVertical, value);
}
void TFcCustomTabControl::SetImageMargin(int32_t value) { SetIntProp(FImageMargin, value); }
void TFcCustomTabControl::SetImagePosition(TFcImagePosition value) { SetRelayout(FImagePosition, value); }
void TFcCustomTabControl::SetMargin(int32_t value) { SetIntProp(FMargin, value); }
void TFcCustomTabControl::SetMultiLine(bool value) { SetRelayout(FMultiLine, value); }
void TFcCustomTabControl::SetParentBackgroundColor(bool value) {
    if (FParentBackgroundColor == value)
        return;
    FParentBackgroundColor = value;
    if (GetParent())
        Perform(vcl::CM_PARENTCOLORCHANGED, 0, 0);
}
void TFcCustomTabControl::SetRowIndent(int32_t value) { SetIntProp(FRowIndent, value); }
void TFcCustomTabControl::SetRowOverlap(int32_t value) { SetIntProp(FRowOverlap, value); }
void TFcCustomTabControl::SetShowCardFrame(bool value) { SetRelayout(FShowCardFrame, value); }
void TFcCustomTabControl::SetShowCloseButton(bool value) {
    if (FShowCloseButton == value)
        return;
    FShowCloseButton = value;
    if (value)
        NeedCloseButton();
    if (FCloseButton)
        FCloseButton->SetVisible(value);
    InvalidateTabs();
}
void TFcCustomTabControl::SetShowFocusRect(bool value) {
    if (FShowFocusRect == value)
        return;
    FShowFocusRect = value;
    Invalidate();
}
void TFcCustomTabControl::SetShowFullFrame(bool value) {
    if (FShowFullFrame == value)
        return;
    FShowFullFrame = value;
    if (!value)
        FShowShadow = false;
    InvalidateTabs();
}
void TFcCustomTabControl::SetShowShadow(bool value) {
    if (FShowShadow == value)
        return;
    FShowShadow = value;
    if (value)
        FShowFullFrame = true;
    InvalidateTabs();
}
void TFcCustomTabControl::SetTabHeight(int32_t value) { SetIntProp(FTabHeight, value); }
void TFcCustomTabControl::SetTabOrientation(TFcTabOrientation value) {
    if (FTabOrientation == value)
        return;
    FTabOrientation = value;
    if (!GetComponentState().Contains(vcl::csLoading))
        InvalidateTabs();
}
void TFcCustomTabControl::SetTabSequence(TFcTabSequence value) { SetRelayout(FTabSequence, value); }
void TFcCustomTabControl::SetTabStyle(TFcTabStyle value) { SetRelayout(FTabStyle, value); }
void TFcCustomTabControl::SetTabWidth(int32_t value) { SetIntProp(FTabWidth, value); }
void TFcCustomTabControl::SetTextAlignment(TFcHorizontalAlignment value) { SetRelayout(FTextAlignment, value); }
void TFcCustomTabControl::SetTextAlignmentVertical(TFcVerticalAlignment value) {
    SetRelayout(FTextAlignmentVertical, value);
}
void TFcCustomTabControl::SetTextOrientation(TOrientation value) {
    if (FTextOrientation == value)
        return;
    FTextOrientation = value;
    if (!GetComponentState().Contains(vcl::csLoading) && value == orVertical && !IsTrueTypeFont(GetFont()))
        GetFont()->SetName("Verdana");
    InvalidateTabs();
}
void TFcCustomTabControl::SetTransparent(bool value) { SetRepaint(FTransparent, value); }
void TFcCustomTabControl::SetUseColoredTabs(bool value) { SetRepaint(FUseColoredTabs, value); }
void TFcCustomTabControl::SetUseGradients(bool value) { SetRepaint(FUseGradients, value); }

void TFcCustomTabControl::SetImages(vcl::TCustomImageList* value) {
    if (FImages == value)
        return;
    if (FImages)
        FImages->UnRegisterChanges(FImageChangeLink.get());
    FImages = value;
    if (FImages) {
        FImages->RegisterChanges(FImageChangeLink.get());
        FImages->FreeNotification(this);
    }
    InvalidateTabs();
}
void TFcCustomTabControl::ImagesChanged(vcl::TObject*) { InvalidateTabs(); }
void TFcCustomTabControl::SetTabColors(TFcTabColors* value) { FTabColors->Assign(value); }
void TFcCustomTabControl::SetTextColors(TFcTextColors* value) { FTextColors->Assign(value); }

void TFcCustomTabControl::SetRegionCacheCapacity(int32_t n) {
    if (n == -1 || (n > 0 && n != FRegionCache->GetCapacity()))
        FRegionCache->SetCapacity(n);
}

void TFcCustomTabControl::SetLayoutDirty(bool value) {
    const bool was = FLayoutDirty;
    FLayoutDirty = value;
    if (value && !was)
        LayoutChanged();
}

void TFcCustomTabControl::LayoutChanged() {
    FHotRepaintOnly = false;
    Invalidate();
}

void TFcCustomTabControl::SetShowCard(bool value) {
    if (FShowCard == value)
        return;
    FShowCard = value;
    InvalidateTabs();
}

TColor TFcCustomTabControl::FlatShade() const { return ShadeColor(FFlatColor, FFlatColorAdjustment); }

void TFcCustomTabControl::UpdateButtonColors() {
    if (FScroller)
        FScroller->SetFrameColor(FlatShade());
    if (FCloseButton)
        FCloseButton->SetFrameColor(FlatShade());
}

void TFcCustomTabControl::NeedScroller() {
    if (FScroller)
        return;
    FScroller = new TFcTabScroller(this);
    FScroller->SetTabControl(this);
    FScroller->SetVisible(false);
    FScroller->SetParent(this);
    FScroller->SetFrameColor(FlatShade());
    FScroller->OnUpRightClick = [this](vcl::TObject*) {
        if (UpRightScrollsForward())
            ScrollTabsForward();
        else
            ScrollTabsBack();
    };
    FScroller->OnDownLeftClick = [this](vcl::TObject*) {
        if (UpRightScrollsForward())
            ScrollTabsBack();
        else
            ScrollTabsForward();
    };
}

void TFcCustomTabControl::NeedCloseButton() {
    if (FCloseButton)
        return;
    FCloseButton = new TFcTabCloseButton(this);
    FCloseButton->SetTabControl(this);
    FCloseButton->SetVisible(false);
    FCloseButton->SetParent(this);
    FCloseButton->SetFrameColor(FlatShade());
    FCloseButton->OnClose = [this](vcl::TObject*) { CloseTabClick(); };
}

void TFcCustomTabControl::CloseTabClick() {
    if (FTabIndex != -1 && DoClose())
        CloseActiveTab();
}

void TFcCustomTabControl::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomControl::Notification(component, operation);
    if (operation == vcl::opRemove) {
        if (component == FImages) {
            FImages = nullptr;
            InvalidateTabs();
        }
        if (component == FScroller)
            FScroller = nullptr;
        if (component == FCloseButton)
            FCloseButton = nullptr;
        if (component == FMarkerWindow)
            FMarkerWindow = nullptr;
    }
}

// ---- Events --------------------------------------------------------------------------------------------

void TFcCustomTabControl::DoChanging(int32_t newIndex, bool& allowChange) {
    if (OnChanging)
        OnChanging(this, newIndex, allowChange);
}
void TFcCustomTabControl::DoGetTextColor(int32_t tabIndex, TFcTextStyle style, TColor& color, bool& handled) {
    if (OnGetTextColor)
        OnGetTextColor(this, tabIndex, style, color, handled);
}
void TFcCustomTabControl::DoTabClick() {
    if (OnTabClick)
        OnTabClick(this);
}
void TFcCustomTabControl::DoPaintBackground(vcl::TCanvas* canvas, const TRect& rect, bool& handled) {
    if (OnPaintBackground)
        OnPaintBackground(this, canvas, rect, handled);
}
void TFcCustomTabControl::DoPaintCardBackground(vcl::TCanvas* canvas, int32_t row, const TRect& rect,
                                                bool& handled) {
    if (OnPaintCardBackground)
        OnPaintCardBackground(this, canvas, row, rect, handled);
}
void TFcCustomTabControl::DoPaintTabBackground(vcl::TCanvas* canvas, int32_t tabIndex, const TRect& rect,
                                               bool& handled) {
    if (OnPaintTabBackground)
        OnPaintTabBackground(this, canvas, tabIndex, rect, handled);
}
void TFcCustomTabControl::DoChange() {
    if (OnChange)
        OnChange(this);
}
bool TFcCustomTabControl::DoClose() {
    bool allow = false;
    if (OnClose)
        OnClose(this, allow);
    return allow;
}

// ---- Messages, loading, streaming ----------------------------------------------------------------------

void TFcCustomTabControl::Dispatch(vcl::TMessage& m) {
    if (InputMessage(m))
        return;
    switch (m.Msg) {
    case vcl::CM_PARENTCOLORCHANGED:
        if (FParentBackgroundColor && GetParent()) {
            FBackgroundColor = GetParent()->GetColor();
            LayoutChanged();
        }
        vcl::TCustomControl::Dispatch(m);
        return;
    case vcl::CM_COLORCHANGED:
        if (FUseColoredTabs) {
            vcl::TMessage n{vcl::CM_PARENTCOLORCHANGED, 0, 0, 0};
            Broadcast(n);
            return;
        }
        vcl::TCustomControl::Dispatch(m);
        LayoutChanged();
        return;
    case vcl::CM_FONTCHANGED:
        FTabFont->Assign(GetFont());
        InvalidateTabs();
        vcl::TCustomControl::Dispatch(m);
        return;
    case win::WM_SETFOCUS:
    case win::WM_KILLFOCUS:
        LayoutChanged();
        vcl::TCustomControl::Dispatch(m);
        return;
    case win::WM_ERASEBKGND:
        m.Result = 1;
        return;
    default:
        vcl::TCustomControl::Dispatch(m);
    }
}

void TFcCustomTabControl::Resize() {
    vcl::TCustomControl::Resize();
    InvalidateTabs();
}

void TFcCustomTabControl::Loaded() {
    vcl::TCustomControl::Loaded();
    FOwnHint = GetHint();
    SetLayoutDirty(true);
    // The streamed index is applied (a page control chooses its page itself afterwards).
    const int32_t index = FTabIndex;
    if (FTextOrientation == orVertical && !IsTrueTypeFont(GetFont()))
        GetFont()->SetName("Verdana");
    FTabIndex = -1;
    ApplyTabIndex(index);
}

void TFcCustomTabControl::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomControl::DefineProperties(filer);
    filer->DefineProperty(
        "FixedDimension", [this](vcl::TReader* r) { FFixedDimension = int32_t(r->ReadInteger()); },
        [this](vcl::TWriter* w) { w->WriteInteger(FFixedDimension); }, true);
}

// ---- The publishing control ----------------------------------------------------------------------------

TFcTabControl::TFcTabControl(vcl::TComponent* owner)
    : TFcCustomTabControl(owner), FTabNames(std::make_unique<vcl::TStringList>()) {
    FTabNames->SetOnChange([this](vcl::TObject* s) { TabNamesChanged(s); });
}

TFcTabControl::~TFcTabControl() { FTabNames->SetOnChange(nullptr); }

vcl::TStrings* TFcTabControl::GetTabNames() const { return FTabNames.get(); }
void TFcTabControl::SetTabNames(vcl::TStrings* value) { FTabNames->Assign(value); }

void TFcTabControl::TabNamesChanged(vcl::TObject*) {
    TFcTabDataList* tabs = GetTabs();
    while (tabs->Count() > FTabNames->Count())
        tabs->Delete(tabs->Count() - 1);
    while (tabs->Count() < FTabNames->Count())
        tabs->Add();
    for (int32_t i = 0; i < tabs->Count(); ++i)
        tabs->Items(i)->Caption = FTabNames->Get(i);
    InvalidateTabs();
}

} // namespace controls
