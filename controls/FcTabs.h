// The owner-drawn tab control of the control set: tabs in four shapes on any side of a card, in either
// sequence, with colours per tab, gradients, multi-line rows, scroll arrows for a line that does not fit and
// a close box. The tab list, the settings and the events; the geometry (FcTabLayout.cpp), the painting
// (FcTabPaint.cpp), the two small child controls (FcTabScroller.cpp) and the cache of tab regions
// (FcTabRegionCache.cpp).
#pragma once

#include "controls/FcFrames.h"
#include "controls/FcGraphics.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Persistent.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TChangeLink;
class TCustomImageList;
class TStringList;
class TStrings;
} // namespace vcl

namespace controls {

using win::TPoint;

// ---- Region cache -------------------------------------------------------------------------------------

class TFcTabRegionCacheItem {
public:
    TFcTabRegionCacheItem() = default;
    virtual ~TFcTabRegionCacheItem();
    TFcTabRegionCacheItem(const TFcTabRegionCacheItem&) = delete;
    TFcTabRegionCacheItem& operator=(const TFcTabRegionCacheItem&) = delete;

    TRect TabRect{-1, -1, -1, -1};
    win::HRGN GetTabRegion() const { return FTabRegion; }
    // Keeps region, deleting the one held before when it differs.
    virtual void SetTabRegion(win::HRGN region);

private:
    win::HRGN FTabRegion = nullptr;
};

// The regions of the tabs last drawn or hit, keyed by the tab's window rectangle, most recently added first.
// The cache owns every region handed to Add.
class TFcTabRegionCache {
public:
    TFcTabRegionCache() = default;
    ~TFcTabRegionCache();
    TFcTabRegionCache(const TFcTabRegionCache&) = delete;
    TFcTabRegionCache& operator=(const TFcTabRegionCache&) = delete;

    // The region cached for exactly rect, or null.
    win::HRGN Find(const TRect& rect) const;
    // A rectangle already cached moves to the front and the region given is deleted; a new one goes in front.
    // Beyond Capacity the oldest is dropped.
    void Add(const TRect& rect, win::HRGN region);
    void Clear();
    int32_t Count() const { return int32_t(FItems.size()); }
    const TFcTabRegionCacheItem& Item(int32_t i) const { return *FItems[size_t(i)]; }

    int32_t GetCapacity() const { return FCapacity; }
    // -1 (no limit) or above 0; anything else raises and changes nothing.
    void SetCapacity(int32_t value);

private:
    void Trim();
    std::vector<std::unique_ptr<TFcTabRegionCacheItem>> FItems;
    int32_t FCapacity = 1;
};

// ---- Tab data ------------------------------------------------------------------------------------------

class TFcTabData : public vcl::TPersistent {
public:
    TFcTabData() = default;

    void Assign(vcl::TPersistent* source) override;

    std::string Caption;
    TColor Color = vcl::clBtnFace;
    int32_t DisabledIndex = -1;
    bool Enabled = true;
    std::string Hint;
    int32_t ImageIndex = -1;
    bool Visible = true;
    // Layout results: the rectangle in strip coordinates and the row (0 next to the card).
    TRect RawRect{0, 0, 0, 0};
    int32_t Row = 0;
};

class TFcTabDataList : public vcl::TPersistent {
public:
    TFcTabDataList() = default;
    int32_t Count() const { return int32_t(FItems.size()); }
    TFcTabData* Items(int32_t i) const { return FItems[size_t(i)].get(); }
    // Replaces record i (the old one is freed); the list takes value.
    void SetItem(int32_t i, TFcTabData* value);
    TFcTabData* Add();
    void Delete(int32_t i);
    void Move(int32_t from, int32_t to);
    void Clear() { FItems.clear(); }
    void Assign(vcl::TPersistent* source) override;

private:
    std::vector<std::unique_ptr<TFcTabData>> FItems;
};

class TFcCustomTabControl;

class TFcTabColors : public vcl::TPersistent {
public:
    explicit TFcTabColors(TFcCustomTabControl* owner) : FOwner(owner) {}
    void Assign(vcl::TPersistent* source) override;
    TColor GetHighlightBar() const { return FHighlightBar; }
    void SetHighlightBar(TColor value);
    TColor GetShadow() const { return FShadow; }
    void SetShadow(TColor value);
    TColor GetUnselected() const { return FUnselected; }
    void SetUnselected(TColor value);

private:
    void Set(TColor& field, TColor value);
    TFcCustomTabControl* FOwner;
    TColor FHighlightBar = vcl::clHighlight;
    TColor FShadow = vcl::clBtnFace;
    TColor FUnselected = vcl::clWindow;
};

class TFcTextColors : public vcl::TPersistent {
public:
    explicit TFcTextColors(TFcCustomTabControl* owner) : FOwner(owner) {}
    void Assign(vcl::TPersistent* source) override;
    TColor GetDisabledHighlight() const { return FDisabledHighlight; }
    void SetDisabledHighlight(TColor value);
    TColor GetDisabledShadow() const { return FDisabledShadow; }
    void SetDisabledShadow(TColor value);
    TColor GetSelected() const { return FSelected; }
    void SetSelected(TColor value);
    TColor GetUnselected() const { return FUnselected; }
    void SetUnselected(TColor value);

private:
    void Set(TColor& field, TColor value);
    TFcCustomTabControl* FOwner;
    TColor FDisabledHighlight = vcl::clBtnHighlight;
    TColor FDisabledShadow = vcl::clBtnShadow;
    TColor FSelected = vcl::clBtnText;
    TColor FUnselected = vcl::clBtnText;
};

enum TFcHotTrackStyle : uint8_t { htsTab, htsText };
enum TFcHorizontalAlignment : uint8_t { haLeft, haCenter, haRight };
enum TFcVerticalAlignment : uint8_t { vaTop, vaCenter, vaBottom };
enum TFcImagePosition : uint8_t { ipLeft, ipTop, ipRight, ipBottom, ipBack, ipStretch };
enum TFcTabOrientation : uint8_t { toTop, toLeft, toBottom, toRight };
enum TFcTabSequence : uint8_t { tsStandard, tsReverse };
enum TFcTabStyle : uint8_t { tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners };
// 0 hot tab, 1 selected tab, 2 other tab, 3 and 4 the highlight and shadow copies of a disabled caption.
using TFcTextStyle = uint8_t;

using TFcTabChangingEvent = std::function<void(vcl::TObject* sender, int32_t newIndex, bool& allowChange)>;
using TFcTabCloseEvent = std::function<void(vcl::TObject* sender, bool& allowClose)>;
using TFcGetTextColorEvent = std::function<void(vcl::TObject* sender, int32_t tabIndex, TFcTextStyle style,
                                                TColor& color, bool& handled)>;
using TFcPaintBackgroundEvent =
    std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, const TRect& rect, bool& handled)>;
using TFcPaintCardBackgroundEvent = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas, int32_t row,
                                                       const TRect& rect, bool& handled)>;
using TFcPaintTabBackgroundEvent = std::function<void(vcl::TObject* sender, vcl::TCanvas* canvas,
                                                      int32_t tabIndex, const TRect& rect, bool& handled)>;

// ---- Scroller and close box ----------------------------------------------------------------------------

class TFcTabScroller : public vcl::TCustomControl {
public:
    explicit TFcTabScroller(vcl::TComponent* owner);
    TColor GetFrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor value);
    TOrientation GetOrientation() const { return FOrientation; }
    virtual void SetOrientation(TOrientation value);
    bool GetPressing() const { return FPressing; }
    bool GetPressedOver() const { return FPressedOver; }
    // True while the up/right half is held.
    bool GetPressedUpRight() const { return FPressedUpRight; }
    TFcCustomTabControl* GetTabControl() const { return FTabControl; }
    void SetTabControl(TFcCustomTabControl* value) { FTabControl = value; }

    vcl::TNotifyEvent OnUpRightClick;
    vcl::TNotifyEvent OnDownLeftClick;

protected:
    virtual void DownLeftClick();
    virtual void UpRightClick();
    void Paint() override;
    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;

private:
    bool InUpRightHalf(int32_t x, int32_t y) const;
    TFcCustomTabControl* FTabControl = nullptr;
    TColor FFrameColor = vcl::clBtnShadow;
    TOrientation FOrientation = orHorizontal;
    bool FPressedUpRight = false;
    bool FPressing = false;
    bool FPressedOver = false;
};

class TFcTabCloseButton : public vcl::TCustomControl {
public:
    explicit TFcTabCloseButton(vcl::TComponent* owner);
    TColor GetFrameColor() const { return FFrameColor; }
    virtual void SetFrameColor(TColor value);
    bool GetPressing() const { return FPressing; }
    bool GetPressedOver() const { return FPressedOver; }
    TFcCustomTabControl* GetTabControl() const { return FTabControl; }
    void SetTabControl(TFcCustomTabControl* value) { FTabControl = value; }

    vcl::TNotifyEvent OnClose;

protected:
    virtual void CloseClick();
    void Paint() override;
    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseUp(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;

private:
    TFcCustomTabControl* FTabControl = nullptr;
    TColor FFrameColor = vcl::clBtnShadow;
    bool FPressing = false;
    bool FPressedOver = false;
};

// The move marker of tab dragging: a small topmost popup showing the marker bitmap at a screen rectangle.
class TFcMoveMarkerWindow : public vcl::TCustomControl {
public:
    explicit TFcMoveMarkerWindow(vcl::TComponent* owner);
    ~TFcMoveMarkerWindow() override;
    // Shows the bitmap at the screen rectangle; Hide takes it away.
    void ShowAt(const TRect& screenRect, vcl::TBitmap* bitmap);
    void Hide();
    bool GetShown() const { return FShown; }
    TRect GetScreenRect() const { return FScreenRect; }
    vcl::TBitmap* GetBitmap() const { return FBitmap.get(); }

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void Paint() override;
    void Dispatch(vcl::TMessage& message) override;

private:
    std::unique_ptr<vcl::TBitmap> FBitmap;
    TRect FScreenRect{0, 0, 0, 0};
    bool FShown = false;
};

// ---- The tab control -----------------------------------------------------------------------------------

class TFcCustomTabControl : public vcl::TCustomControl {
public:
    explicit TFcCustomTabControl(vcl::TComponent* owner);
    ~TFcCustomTabControl() override;

    TFcTabDataList* GetTabs() const { return FTabs.get(); }

#define FC_TAB_PROP(Type, Name)                                                                                \
    Type Get##Name() const { return F##Name; }                                                                 \
    virtual void Set##Name(Type value);
    FC_TAB_PROP(bool, AlignTabs)
    FC_TAB_PROP(TColor, BackgroundColor)
    FC_TAB_PROP(bool, BoldCurrentTab)
    FC_TAB_PROP(int32_t, CutCornerSize)
    FC_TAB_PROP(TColor, FlatColor)
    FC_TAB_PROP(int32_t, FlatColorAdjustment)
    FC_TAB_PROP(bool, HotTrack)
    FC_TAB_PROP(TColor, HotTrackColor)
    FC_TAB_PROP(TFcHotTrackColorType, HotTrackColorType)
    FC_TAB_PROP(TFcHotTrackStyle, HotTrackStyle)
    FC_TAB_PROP(TFcHorizontalAlignment, ImageAlignment)
    FC_TAB_PROP(TFcVerticalAlignment, ImageAlignmentVertical)
    FC_TAB_PROP(int32_t, ImageMargin)
    FC_TAB_PROP(TFcImagePosition, ImagePosition)
    FC_TAB_PROP(int32_t, Margin)
    FC_TAB_PROP(bool, MultiLine)
    FC_TAB_PROP(bool, ParentBackgroundColor)
    FC_TAB_PROP(int32_t, RowIndent)
    FC_TAB_PROP(int32_t, RowOverlap)
    FC_TAB_PROP(bool, ShowCardFrame)
    FC_TAB_PROP(bool, ShowCloseButton)
    FC_TAB_PROP(bool, ShowFocusRect)
    FC_TAB_PROP(bool, ShowFullFrame)
    FC_TAB_PROP(bool, ShowShadow)
    FC_TAB_PROP(int32_t, TabHeight)
    FC_TAB_PROP(bool, TabHints)
    FC_TAB_PROP(int32_t, TabIndex)
    FC_TAB_PROP(TFcTabOrientation, TabOrientation)
    FC_TAB_PROP(TFcTabSequence, TabSequence)
    FC_TAB_PROP(TFcTabStyle, TabStyle)
    FC_TAB_PROP(int32_t, TabWidth)
    FC_TAB_PROP(TFcHorizontalAlignment, TextAlignment)
    FC_TAB_PROP(TFcVerticalAlignment, TextAlignmentVertical)
    FC_TAB_PROP(TOrientation, TextOrientation)
    FC_TAB_PROP(bool, Transparent)
    FC_TAB_PROP(bool, UseColoredTabs)
    FC_TAB_PROP(bool, UseGradients)
#undef FC_TAB_PROP
    bool GetAllowTabDragging() const { return FAllowTabDragging; }
    void SetAllowTabDragging(bool value) { FAllowTabDragging = value; }
    // Tab dragging's state: the marker shown and where, and the tab it refers to (-1 when none).
    bool GetMarkerShown() const { return FMarkerShown; }
    TRect GetMarkerRect() const { return FMarkerRect; }
    int32_t GetDragTarget() const { return FDragTarget; }
    TFcMoveMarkerWindow* GetMarkerWindow() const { return FMarkerWindow; }
    // 0 or the id of the hot-tracking timer.
    uintptr_t GetHotTimer() const { return FHotTimer; }
    // The client rectangle of the move marker for a drop on tab i.
    TRect MoveMarkerRect(int32_t i);
    // The marker bitmap at R (client coordinates); drawing it at the same place again takes it away.
    void DrawMoveMarker(const TRect& r);
    vcl::TCustomImageList* GetImages() const { return FImages; }
    virtual void SetImages(vcl::TCustomImageList* value);
    TFcTabColors* GetTabColors() const { return FTabColors.get(); }
    virtual void SetTabColors(TFcTabColors* value);
    TFcTextColors* GetTextColors() const { return FTextColors.get(); }
    virtual void SetTextColors(TFcTextColors* value);
    TFcAboutInfo GetAbout() const { return fcAbout; }
    void SetAbout(TFcAboutInfo) {}

    // Run-time state.
    int32_t GetFirstShownTab() const { return FFirstShownTab; }
    bool GetScrollersShown() const { return FScrollersShown; }
    bool GetLayoutDirty() const { return FLayoutDirty; }
    int32_t GetRowCount() const { return FRowCount; }
    int32_t GetFixedDimension() const { return FFixedDimension; }
    int32_t GetHotTab() const { return FHotTab; }
    bool GetShowCard() const { return FShowCard; }
    bool GetPaintedOnce() const { return FPaintedOnce; }
    vcl::TFont* GetTabFont() const { return FTabFont.get(); }
    vcl::TBitmap* GetBuffer() const { return FBuffer.get(); }
    TFcTabRegionCache* GetRegionCache() const { return FRegionCache.get(); }
    TFcTabScroller* GetScroller() const { return FScroller; }
    TFcTabCloseButton* GetCloseButton() const { return FCloseButton; }
    virtual void SetRegionCacheCapacity(int32_t n);

    // ---- Geometry (computed at the next paint after InvalidateTabs; UpdateLayout brings it up to date) ----
    void UpdateLayout();
    // The tab area, the strip's length, the row depth D, the slant overlap O(F).
    TRect TabArea();
    int32_t StripLength();
    int32_t TabAreaDepth();
    int32_t SlantOverlap(int32_t thickness) const;
    int32_t ScrollButtonSize();
    int32_t CloseButtonSize();
    TRect CardRect(int32_t row);
    // The children's area, (-2, -2, -1, -1) without the card.
    TRect ChildArea();
    // Tab i's rectangle in window coordinates and its outline.
    TRect TabRect(int32_t i);
    std::vector<TPoint> TabOutline(int32_t i);
    // The tab's region from the cache (made and cached on a miss); null for a degenerate outline.
    win::HRGN TabRegion(int32_t i);
    int32_t ScrollOffset();
    bool ScrollersNeeded();
    bool TabShown(int32_t i);
    // The tab at a client point, or -1.
    int32_t TabAtPos(int32_t x, int32_t y);
    bool CanChange(int32_t newIndex);
    void ScrollTabsForward();
    void ScrollTabsBack();
    // The arrow (up/right or down/left) that scrolls forward for this side and sequence.
    bool UpRightScrollsForward() const;
    int32_t FirstVisibleTab() const;
    int32_t LastVisibleTab() const;
    // Places the scroller and the close box (the paint and the children's alignment do).
    void PlaceButtons();
    // Strip coordinates to window coordinates.
    TPoint StripToWindow(TPoint p);
    TRect StripRectToWindow(const TRect& r);

    virtual void InvalidateTabs() { SetLayoutDirty(true); }
    virtual void LayoutChanged();
    virtual void SetLayoutDirty(bool value);
    virtual void SetShowCard(bool value);
    // The close box's click: with a selection and OnClose allowing it, CloseActiveTab.
    void CloseTabClick();

    void Loaded() override;
    void DefineProperties(vcl::TFiler* filer) override;
    void Dispatch(vcl::TMessage& message) override;
    void DragOver(vcl::TObject* source, int32_t x, int32_t y, vcl::TDragState state, bool& accept) override;
    void DragDrop(vcl::TObject* source, int32_t x, int32_t y) override;
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;

    vcl::TNotifyEvent OnChange;
    TFcTabChangingEvent OnChanging;
    TFcTabCloseEvent OnClose;
    TFcGetTextColorEvent OnGetTextColor;
    TFcPaintBackgroundEvent OnPaintBackground;
    TFcPaintCardBackgroundEvent OnPaintCardBackground;
    TFcPaintTabBackgroundEvent OnPaintTabBackground;
    vcl::TNotifyEvent OnTabClick;

protected:
    virtual void DoChanging(int32_t newIndex, bool& allowChange);
    virtual void DoGetTextColor(int32_t tabIndex, TFcTextStyle style, TColor& color, bool& handled);
    virtual void DoTabClick();
    virtual void DoPaintBackground(vcl::TCanvas* canvas, const TRect& rect, bool& handled);
    virtual void DoPaintCardBackground(vcl::TCanvas* canvas, int32_t row, const TRect& rect, bool& handled);
    virtual void DoPaintTabBackground(vcl::TCanvas* canvas, int32_t tabIndex, const TRect& rect, bool& handled);
    virtual void CloseActiveTab() {}
    virtual void MoveActiveTab(int32_t) {}
    virtual void DoChange();
    virtual bool DoClose();
    // Stores the selection without asking or telling anyone (a page control keeping its tabs in step).
    void StoreTabIndex(int32_t value);
    // Stops the hot-tracking timer, clears HotTab and gives the control its own hint back.
    void ClearHotTab();
    void MouseDown(vcl::TMouseButton button, vcl::TShiftState shift, int32_t x, int32_t y) override;
    void MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) override;
    void KeyDown(uint16_t& key, vcl::TShiftState shift) override;
    void DoEndDrag(vcl::TObject* target, int32_t x, int32_t y) override;
    void Paint() override;
    void Resize() override;
    void AlignControls(vcl::TControl* control, TRect& rect) override;
    void CreateParams(vcl::TCreateParams& params) override;

    bool FSkipCanChange = false;
    bool FHotRepaintOnly = false;
    int32_t FHotTab = -1;
    std::string FOwnHint;

private:
    friend class TFcTabScroller;
    friend class TFcTabCloseButton;
    void SetIntProp(int32_t& field, int32_t value, bool relayout = true);
    template <class T> void SetRelayout(T& field, T value) {
        if (field != value) {
            field = value;
            InvalidateTabs();
        }
    }
    template <class T> void SetRepaint(T& field, T value) {
        if (field != value) {
            field = value;
            LayoutChanged();
        }
    }
    void ApplyTabIndex(int32_t value);
    // Input (FcTabInput.cpp): the messages it answers (true when handled), the keys, the hints.
    bool InputMessage(vcl::TMessage& message);
    void HotTimerTick();
    void StopHotTimer();
    void ShowTabHint(const std::string& hint);
    void RestoreOwnHint();
    void SelectByKey(int32_t target);
    int32_t KeyTarget(uint16_t key);
    bool DialogChar(uint16_t ch);
    void EraseMoveMarker();
    void BringRowToCard(int32_t row);
    void NeedScroller();
    void NeedCloseButton();
    void UpdateButtonColors();
    void ImagesChanged(vcl::TObject*);
    // Measuring.
    win::TSize CaptionExtent(win::HDC dc, const std::string& caption) const;
    win::TSize ContentSize(win::HDC dc, int32_t i);
    win::TSize MinimumContent(win::HDC dc);
    win::TSize OuterSize(win::TSize content) const;
    bool HorizontalStrip() const { return FTabOrientation == toTop || FTabOrientation == toBottom; }
    bool VerticalText() const { return FTextOrientation == orVertical; }
    int32_t FontAngle() const;
    void SelectTabFont(win::HDC dc, bool bold);
    void RestoreTabFont(win::HDC dc);
    void ComputeLayout();
    void PlaceRows(const std::vector<int32_t>& lengths, int32_t usable, int32_t rowsAllowed, int32_t& rowsUsed,
                   bool store);
    void EnsureValidSelection();
    void AlignChildren();
    // Drawing.
    void DrawTabsAndCards(vcl::TCanvas* canvas);
    void DrawTab(vcl::TCanvas* canvas, int32_t i);
    void DrawTabBackground(vcl::TCanvas* canvas, int32_t i, const TRect& r);
    void DrawTabContent(vcl::TCanvas* canvas, int32_t i, const TRect& r);
    void DrawCaption(vcl::TCanvas* canvas, int32_t i, TRect area, TColor color, int32_t dx, int32_t dy);
    void DrawCard(vcl::TCanvas* canvas, int32_t row);
    TRect ContentRect(int32_t i, const TRect& r);
    struct LineOp {
        uint8_t Code;
        TPoint P;
    };
    void RunLineOps(vcl::TCanvas* canvas);
    TColor FlatShade() const;

    std::unique_ptr<TFcTabDataList> FTabs;
    std::unique_ptr<vcl::TBitmap> FBuffer;
    std::unique_ptr<vcl::TFont> FTabFont;
    std::unique_ptr<TFcTabRegionCache> FRegionCache;
    std::unique_ptr<TFcTabColors> FTabColors;
    std::unique_ptr<TFcTextColors> FTextColors;
    std::unique_ptr<vcl::TChangeLink> FImageChangeLink;
    std::vector<win::HFONT> FFontStack;
    std::vector<win::HGDIOBJ> FFontRestore;
    std::vector<LineOp> FLineOps;
    TFcTabScroller* FScroller = nullptr;
    TFcTabCloseButton* FCloseButton = nullptr;
    vcl::TCustomImageList* FImages = nullptr;

    bool FAlignTabs = false;
    bool FAllowTabDragging = false;
    TColor FBackgroundColor = vcl::clBtnFace;
    bool FBoldCurrentTab = false;
    int32_t FCutCornerSize = 6;
    TColor FFlatColor = vcl::clBtnShadow;
    int32_t FFlatColorAdjustment = 0;
    bool FHotTrack = true;
    TColor FHotTrackColor = vcl::clHighlight;
    TFcHotTrackColorType FHotTrackColorType = htctComplement;
    TFcHotTrackStyle FHotTrackStyle = htsTab;
    TFcHorizontalAlignment FImageAlignment = haCenter;
    TFcVerticalAlignment FImageAlignmentVertical = vaCenter;
    int32_t FImageMargin = 2;
    TFcImagePosition FImagePosition = ipLeft;
    int32_t FMargin = 0;
    bool FMultiLine = false;
    bool FParentBackgroundColor = true;
    int32_t FRowIndent = 5;
    int32_t FRowOverlap = 5;
    bool FShowCardFrame = true;
    bool FShowCloseButton = false;
    bool FShowFocusRect = true;
    bool FShowFullFrame = true;
    bool FShowShadow = true;
    int32_t FTabHeight = 0;
    bool FTabHints = false;
    int32_t FTabIndex = -1;
    TFcTabOrientation FTabOrientation = toTop;
    TFcTabSequence FTabSequence = tsStandard;
    TFcTabStyle FTabStyle = tsSingleSlant;
    int32_t FTabWidth = 0;
    TFcHorizontalAlignment FTextAlignment = haCenter;
    TFcVerticalAlignment FTextAlignmentVertical = vaCenter;
    TOrientation FTextOrientation = orHorizontal;
    bool FTransparent = false;
    bool FUseColoredTabs = false;
    bool FUseGradients = true;

    int32_t FFirstShownTab = 0;
    bool FScrollersShown = false;
    bool FLayoutDirty = true;
    int32_t FRowCount = 1;
    int32_t FFixedDimension = 0;
    bool FShowCard = true;
    bool FPaintedOnce = false;
    TRect FLastClientRect{-2, -2, -1, -1};

    uintptr_t FHotTimer = 0;
    bool FTabHintShown = false;
    bool FMarkerShown = false;
    TRect FMarkerRect{0, 0, 0, 0};
    int32_t FDragTarget = -1;
    TFcMoveMarkerWindow* FMarkerWindow = nullptr;
};

// The tab control for layouts and programs that are not page controls: one tab per line of Tabs.
class TFcTabControl : public TFcCustomTabControl {
public:
    explicit TFcTabControl(vcl::TComponent* owner);
    ~TFcTabControl() override;
    vcl::TStrings* GetTabNames() const;
    void SetTabNames(vcl::TStrings* value);

private:
    void TabNamesChanged(vcl::TObject*);
    std::unique_ptr<vcl::TStringList> FTabNames;
};

} // namespace controls
