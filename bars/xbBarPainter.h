// The painter contract of the bars: every metric and every pixel of a toolbar, menu, dock or item control
// comes from one painter family. A family is a class with no state; each has exactly one immutable
// instance, which the bar manager chooses from its effective style and keeps. A family that uses another
// family's behaviour calls that family's instance. Here: the family tree, the choice, and each family's
// metrics and yes/no answers; the drawing operations join them with the bar windows.
#pragma once

#include "platform/vcl/Types.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/win/WinTypes.h"
#include "platform/win/gdi/Gdi.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vcl {
class TBitmap;
class TCustomImageList;
} // namespace vcl

namespace bars {

class TCustomxbBarControl;
class TxbBarControl;
class TxbBarItemControl;
class TxbBarManager;
class TxbBarSubMenuControl;
class TxbDockControl;

// How an item control is drawn: on a toolbar, in a menu, on a rotated vertical toolbar.
enum TxbPaintType { ptToolbar = 0, ptMenu = 1, ptVertical = 2 };

// The state of an item as its control hands it to the painter: enabled, selected (hot), pressed, down
// (checked, or its menu open), opens a menu (a drop-down button or a sub item), its drop-down part selected,
// in a menu (else on a toolbar), on a vertical toolbar, caption only, a glyph present.
enum TxbItemDrawState {
    idsEnabled,
    idsSelected,
    idsPressed,
    idsDown,
    idsOpensMenu,
    idsDropDownSelected,
    idsInMenu,
    idsVertical,
    idsCaptionOnly,
    idsGlyph
};
using TxbItemDrawStates = vcl::TSet<TxbItemDrawState>;

// Where the painters paint: what they read from the bar or menu window holding the items (never changed).
// The window builds it when it paints; tests make one by hand.
struct TxbPaintWindow {
    const TxbBarManager* Manager = nullptr;
    win::HFONT Font = nullptr;
    // The window's brushes: background, face, selection (hot menu rows), secondary (checked buttons).
    win::HBRUSH Brush = nullptr;
    win::HBRUSH FaceBrush = nullptr;
    win::HBRUSH SelectionBrush = nullptr;
    win::HBRUSH SecondaryBrush = nullptr;
    // The window paints its own background into the rect (a colour, a tiled bitmap or a gradient); without
    // one the rect is filled with the brush given.
    std::function<void(win::HDC, const win::TRect&, win::HBRUSH)> PaintBackground;
    bool IsMenu = false;
    bool Vertical = false; // a vertical toolbar
    bool Rotated = false;  // a vertical toolbar whose text turns
    bool HasOwnBackground = false;
    int32_t TextRowHeight = 0;
    int32_t MenuRowHeight = 0; // also the width of the menu's glyph column
    int32_t ArrowSize = 0;
    // Glyph sizes: the manager's button width and height and glyph size, the menu's glyph size.
    int32_t ButtonWidth = 23;
    int32_t ButtonHeight = 22;
    int32_t GlyphSize = 16;
    int32_t MenuGlyphSize = 16;
    bool StretchGlyphs = false;
    bool LargeIcons = false;
    bool MakeDisabledImagesFaded = false;
    // The window's font is below 16 points (a thin check mark).
    bool SmallFont = true;
};

// The state of one item as it is painted.
struct TxbItemPaintState {
    bool Enabled = true;
    bool Selected = false; // hot
    bool Pressed = false;
    bool Down = false; // checked, or its menu open
    bool OpensMenu = false;
    bool DropDownSelected = false;
    bool CaptionOnly = false;
    bool HasGlyph = false;
    bool RarelyUsed = false;
};

// A glyph: an image of a list, or a bitmap.
struct TxbGlyphSource {
    vcl::TCustomImageList* Images = nullptr;
    int32_t ImageIndex = -1;
    vcl::TBitmap* Bitmap = nullptr;
};

// What the bar painters read from a toolbar window: its docking, client size, end mark and caption.
struct TxbPaintBar {
    TxbPaintWindow Window;
    int32_t DockingStyle = 0; // TxbBarDockingStyle: 0 floating, 1 left, 2 top, 3 right, 4 bottom
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    bool Truncated = false;
    int32_t MarkState = 0; // 0 normal, 1 hot, 2 pressed
    int32_t CloseButtonState = 0;
    bool CanMove = true;
    win::TRect CaptionRect{};
    // The floating caption: its text, a close button (the bar may close, is no main menu and the window has a
    // caption), the end mark shown in it, the form active, the caption font from the system.
    std::string Caption;
    bool ShowsCloseButton = false;
    bool ShowsMark = false;
    bool Active = true;
    bool UseSystemFont = true;
    bool IsVertical() const { return DockingStyle == 1 || DockingStyle == 3; }
};

// What the menu painters read from a menu window.
struct TxbPaintMenu {
    TxbPaintWindow Window;
    int32_t ClientWidth = 0;
    int32_t ClientHeight = 0;
    int32_t SideBarWidth = 0;
    int32_t TextHeight = 0;   // the text height of "0"
    int32_t QqTextHeight = 0; // the text height of "Qq"
    bool Detachable = false;
    bool DetachBarHot = false;
    bool ShowsExpandButton = false;
    bool ExpandHot = false;
    int32_t ExpandRowHeight = 0;
    // The light background of a hot expand row (button face + 20 a channel); its palette on screens of 8 bits
    // per pixel or fewer.
    win::HBRUSH LightBrush = nullptr;
    win::HPALETTE LightPalette = nullptr;
};

// What a menu window shows of its rows when the painter paints around them: the first and the last shown
// row, whether rows are hidden above or below, and whether the last row starts a run of rarely used rows.
struct TxbMenuContent {
    win::TRect FirstRect{};
    win::TRect LastRect{};
    bool HiddenAbove = false;
    bool HiddenBelow = false;
    bool LastStartsRun = false;
    bool LastRarelyUsed = false;
};

// One row of a menu that shows rarely used rows: the row, the indent of its left strip, and its place in
// the runs of rarely used rows.
struct TxbRarelyUsedRow {
    win::TRect Rect{};
    int32_t Indent = 0;
    bool First = false;     // the first row of the menu
    bool Last = false;      // the last row of the menu
    bool StartsRun = false; // its rarely used state differs from the row above
    bool RarelyUsed = false;
    win::TRect SeparatorRect{}; // its group separator, empty when none
};

// Row metrics a menu window keeps.
struct TxbMenuMetrics {
    int32_t ArrowWidth = 0;
    int32_t ExpandRowHeight = 0;
    int32_t GlyphStretchReference = 0;
};

class TxbBarItemControlPainter {
public:
    TxbBarItemControlPainter(const TxbBarItemControlPainter&) = delete;
    TxbBarItemControlPainter& operator=(const TxbBarItemControlPainter&) = delete;
    virtual ~TxbBarItemControlPainter() = default;
    // The family's class name ("TxbBarItemControlEnhancedPainter").
    virtual const char* ClassName() const = 0;

    // Item faces and marks.
    virtual bool KeepsWindowBackgroundPressed() const { return false; }
    virtual bool HandlesRarelyUsedBackground() const { return false; }
    virtual int32_t GetPressedGlyphOffset() const { return 0; }
    virtual int32_t GetDownGlyphOffset(bool pressed) const { return 0; }
    virtual bool HasSplitDropDownHotTrack() const { return false; }
    virtual bool HighlightsDropDownPart() const { return true; }
    virtual int32_t GetLoweredFrameWidth() const { return 0; }

    // Bar metrics.
    virtual int32_t GetGripIndent() const { return 0; }
    virtual int32_t GetFloatingBorderWidth() const;
    virtual int32_t GetFloatingBorderHeight() const;
    virtual int32_t GetFixedBarGripSize() const { return 0; }
    virtual int32_t GetGripSize() const { return 0; }
    virtual int32_t GetGripBarWidth() const { return 3; }
    virtual int32_t GetButtonArrowWidth(const TxbBarManager* manager) const;
    virtual int32_t GetLargeButtonArrowWidth(const TxbBarManager* manager) const;
    virtual int32_t GetMenuSeparatorIndent() const { return 0; }
    virtual bool HasThemedBackground() const { return false; }
    virtual bool UsesFlatSelection() const { return false; }
    virtual int32_t GetMenuRowIndent() const { return 6; }
    virtual bool HotTracksMark() const { return false; }
    virtual bool SupportsQuickCustomizing() const { return false; }
    virtual int32_t GetToolbarSeparatorSize() const { return 6; }
    // The distance from a separator area's edge to its line.
    virtual int32_t GetSeparatorLineOffset() const { return (GetToolbarSeparatorSize() - 2) / 2; }
    virtual int32_t GetDockedFrameWidth() const { return 1; }
    virtual win::TRect GetDockedBorderRect() const { return {2, 2, 2, 2}; }
    virtual int32_t GetSmallCaptionHeight() const;
    int32_t GetFloatingCaptionHeight() const { return GetSmallCaptionHeight() + 1; }
    virtual bool HasThemedCaption() const { return false; }
    virtual int32_t GetFloatingSideBorder() const { return 0; }
    virtual int32_t GetFloatingTopBorder() const { return 0; }
    virtual int32_t GetFloatingBottomBorder() const { return 0; }
    virtual bool UsesSystemCloseHitTest() const { return false; }
    virtual bool UsesSystemCaptionMetrics() const { return false; }
    virtual int32_t GetStatusBarTopBorder() const { return 2; }
    // The size grip of a status bar: the horizontal scroll arrow's width and height.
    virtual win::TSize GetSizeGripSize(const TxbBarManager* manager) const;
    virtual bool AlignsQuickMenuLeft() const { return false; }
    virtual int32_t GetButtonHeightIndent() const { return 6; }
    virtual int32_t GetButtonWidthIndent() const { return 7; }
    virtual void AdjustMenuGlyphWidth(int32_t& width) const {}
    virtual void AdjustMenuButtonWidth(int32_t& width) const {}
    virtual void AdjustMenuCaptionHeight(int32_t& height) const {}

    // Buttons, combos, menus and edits.
    virtual bool HotTracksDropDownPart() const { return false; }
    virtual int32_t GetComboButtonIndent() const { return 1; }
    virtual int32_t GetDropDownListBorder() const { return 0; }
    virtual int32_t GetMenuFrameWidth() const { return 2; }
    virtual int32_t GetMenuSeparatorHeight() const { return 10; }
    virtual int32_t GetMenuBorderIndent() const { return 3; }
    virtual bool SeparatorsTakeSpace() const { return false; }
    virtual int32_t GetMenuScrollArrowHeight() const { return 1; }
    // How much each side of a detach bar's rect shrinks (left/right, top/bottom).
    virtual win::TPoint GetDetachBarShrink() const { return {3, 3}; }
    virtual int32_t CalcEditCaptionWidth(int32_t textWidth) const { return textWidth + 6; }
    virtual win::DWORD GetEditStyle() const;
    virtual bool IsFlatLike() const { return false; }
    virtual int32_t GetProgressChunkSize() const { return 12; }
    virtual int32_t GetFlatExtraIndent() const { return 0; }

    // ---- Drawing the windows and item controls ask for. Rectangles are in the coordinates of dc; an
    // operation taking the rectangle by reference shrinks it by what it drew.
    // Item controls.
    virtual void DrawItemGlyph(TxbBarItemControl* control, win::HDC dc, const win::TRect& rect,
                               TxbItemDrawStates states, TxbPaintType paintType,
                               const win::TRect* glyphRect = nullptr) const;
    virtual void DrawMenuButton(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                const win::TRect& rect) const;
    // One line of caption text aligned left (0), centred (1) or right (2); rotated on vertical toolbars.
    virtual void DrawItemCaption(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                 int32_t alignment, const win::TRect& rect, const std::string& text, bool clip,
                                 bool rotated, bool keepColor) const;
    virtual void DrawLoweredFrame(TxbBarItemControl* control, win::HDC dc, win::TRect& rect) const;
    // The arrow part of a split button.
    virtual void DrawDropDownButtonPart(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                        const win::TRect& rect) const;
    // Sub items: the arrow size, height and width, and the whole item (open: its menu is shown).
    virtual bool IsMainMenuBarItem(TxbBarItemControl* control) const { return false; }
    virtual int32_t GetSubItemArrowSize(TxbBarItemControl* control) const;
    virtual int32_t CalcSubItemHeight(TxbBarItemControl* control) const;
    virtual int32_t CalcSubItemWidth(TxbBarItemControl* control) const;
    virtual void DrawSubItem(TxbBarItemControl* control, win::HDC dc, TxbPaintType paintType, bool open,
                             bool highlighted, const win::TRect& rect) const;
    // The button at the right of a combo item; buttonRect receives its rect.
    virtual void DrawComboButton(TxbBarItemControl* control, win::HDC dc, TxbItemDrawStates states,
                                 const win::TRect& rect, win::TRect& buttonRect) const;
    virtual void GetComboColors(TxbBarItemControl* control, TxbItemDrawStates states, int32_t& textColor,
                                win::HBRUSH& brush) const {
        GetItemColors(control, states, textColor, brush);
    }
    // Moves a pressed glyph's or caption's rectangle.
    virtual void OffsetPressedGlyph(TxbBarItemControl* control, bool pressed, win::TRect& rect) const {}
    virtual void OffsetPressedCaption(bool pressed, win::TRect& rect) const {}
    // The border of a drop-down list window (its width: GetDropDownListBorder).
    virtual void DrawDropDownListBorder(win::HDC dc, const win::TRect& rect) const {}
    virtual void GetItemColors(TxbBarItemControl* control, TxbItemDrawStates states, int32_t& textColor,
                               win::HBRUSH& brush) const;
    virtual int32_t GetMenuCaptionOffset(TxbBarItemControl* control) const;

    // Bar windows: colours, brushes and backgrounds.
    virtual int32_t GetCaptionColor(TCustomxbBarControl* window, bool active) const;
    virtual int32_t GetCaptionTextColor(TCustomxbBarControl* window) const;
    virtual int32_t GetCaptionButtonColor(TCustomxbBarControl* window, int32_t state) const;
    virtual win::HBRUSH GetBarBrush(const TxbBarManager* manager) const;
    virtual win::HBRUSH GetBackgroundBrush(TCustomxbBarControl* window) const;
    virtual win::HBRUSH GetBarBackgroundBrush(TxbBarControl* window) const;
    virtual win::HBRUSH GetSecondaryBrush(TCustomxbBarControl* window) const;
    virtual win::HBRUSH GetFaceBrush(TCustomxbBarControl* window) const;
    virtual win::HBRUSH GetSelectionBrush(TCustomxbBarControl* window) const;
    virtual bool HasShadow(TCustomxbBarControl* window) const { return false; }
    virtual void DrawDockBackground(TxbDockControl* dock, win::HDC dc, int32_t color, win::HBRUSH brush,
                                    const win::TRect& rect, const win::TRect& offsetRect) const;
    virtual void DrawDockedBarBackground(TCustomxbBarControl* window, win::HDC dc, int32_t color, win::HBRUSH brush,
                                         const win::TRect& rect, const win::TRect& offsetRect) const;
    virtual void DrawFloatingBarBackground(TCustomxbBarControl* window, win::HDC dc, int32_t color,
                                           win::HBRUSH brush, const win::TRect& rect,
                                           const win::TRect& offsetRect) const;
    // The strip where a window meets the item that opened it.
    virtual void FillOwnerJoint(TCustomxbBarControl* window, win::HDC dc) const {}
    virtual int32_t GetComboButtonWidth(TCustomxbBarControl* window, win::HDC dc, int32_t digitWidth) const {
        return 2 * digitWidth - 1;
    }
    int32_t CalcMenuRowHeight(TCustomxbBarControl* window, win::HDC dc, int32_t textHeight) const {
        return textHeight + GetMenuRowIndent();
    }

    // Toolbar windows: separators, frames, captions and the end mark.
    virtual void DrawToolbarSeparator(TxbBarControl* window, win::HDC dc, bool across, win::HBRUSH brush,
                                      const win::TRect& rect) const;
    // Each side of the part of a docked bordered toolbar's frame that DrawDockedFrame paints.
    virtual win::TRect GetDockedFrameWidths(TxbBarControl* window) const;
    virtual void DrawDockedFrame(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const;
    virtual void DrawFloatingFrame(TxbBarControl* window, win::HDC dc, win::HBRUSH brush, int32_t borderWidth,
                                   const win::TRect& rect) const;
    virtual void DrawFloatingCaption(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                     const win::TRect& rect) const;
    virtual void FillCaption(TCustomxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                             const win::TRect& rect) const;
    // State 0 normal, 1 hot, 2 pressed.
    virtual void FillCaptionButton(TxbBarControl* window, win::HDC dc, int32_t state, const win::TRect& rect) const;
    virtual void DrawCaptionCloseButton(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const;
    virtual win::TSize GetCloseButtonSize() const { return {GetSmallCaptionHeight(), GetSmallCaptionHeight()}; }
    virtual void DrawFloatingBackground(TxbBarControl* window, win::HDC dc, int32_t color, win::HBRUSH brush,
                                        const win::TRect& rect) const;
    virtual void DrawMarkBackground(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                    const win::TRect& rect) const;
    virtual void DrawMarkChevrons(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const;
    void DrawMark(TxbBarControl* window, win::HDC dc, win::HBRUSH brush, const win::TRect& rect) const {
        DrawMarkBackground(window, dc, brush, rect);
        DrawMarkChevrons(window, dc, rect);
    }
    // The quick-customize arrow of a floating caption's mark button, in the caption button colour of its state.
    virtual void DrawMarkArrow(TxbBarControl* window, win::HDC dc, const win::TRect& rect) const;
    virtual win::TRect CalcMarkRect(TxbBarControl* window) const;
    virtual win::TRect GetMarkRect(TxbBarControl* window) const { return CalcMarkRect(window); }
    // A docked window invalidates its mark; a floating one repaints its frame, where the mark sits.
    virtual void InvalidateMark(TxbBarControl* window) const;
    // Kind 0 minimize, 1 restore, 2 close.
    virtual void DrawMenuBarCaptionButton(TxbBarControl* window, int32_t kind, const win::TRect& rect, win::HDC dc,
                                          bool selected, bool pressed) const;
    // A status bar's size-grip column and top border strip (window coordinates).
    virtual void DrawSizeGrip(TxbBarControl* window, win::HDC dc, win::HBRUSH brush, const win::TRect& rect) const;
    virtual void DrawStatusBarBorder(TxbBarControl* window, win::HDC dc, win::HBRUSH brush,
                                     const win::TRect& rect) const;

    // Menu windows: what lies around the rows (scroll arrows, the rest of the client area, the expand row),
    // the non-client border, and the band behind runs of rarely used rows.
    virtual void DrawMenuContent(TxbBarSubMenuControl* menu, win::HDC dc) const;
    virtual void DrawMenuBorder(TxbBarSubMenuControl* menu, win::HDC dc, const win::TRect& rect) const;
    virtual void DrawRarelyUsedItemFrame(TxbBarSubMenuControl* menu, const TxbRarelyUsedRow& row, win::HDC dc) const;

    // ---- What the painters read, taken from the windows and item controls.
    TxbPaintWindow MakePaintWindow(TCustomxbBarControl* window) const;
    TxbPaintBar MakePaintBar(TxbBarControl* window) const;
    TxbPaintMenu MakePaintMenu(TxbBarSubMenuControl* menu) const;
    static TxbItemPaintState MakePaintState(TxbItemDrawStates states, bool rarelyUsed);
    static TxbGlyphSource MakeGlyphSource(TxbBarItemControl* control, bool large);
    // The arrow size of sub items: half the font's height.
    static int32_t GetSubItemArrowSizeFor(win::HFONT font);

    // ---- Item drawing
    virtual void DrawButtonFace(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, win::TRect rect,
                                win::HBRUSH brush) const {}
    // A check mark of line thickness t (1 or 2) with its box at (x, y).
    virtual void DrawCheckMark(win::HDC dc, bool enabled, int32_t t, int32_t x, int32_t y) const {}
    void DrawGlyphPlaceholder(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool check,
                              win::TRect rect, win::HBRUSH brush) const;
    virtual void DrawGlyph(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                           const TxbGlyphSource& glyph, win::TRect area, win::TRect glyphRect,
                           win::HBRUSH brush) const;
    virtual void DrawArrow(win::HDC dc, const win::TRect& rect, bool down, bool enabled, bool selected) const;
    virtual void DrawArrowGlyph(win::HDC dc, const win::TRect& rect, int32_t size, bool down, bool enabled,
                                bool selected) const;
    virtual vcl::TColor GetDisabledGlyphFadeColor(const TxbPaintWindow& w) const;
    virtual void GetCaptionTextColors(bool enabled, bool selected, bool keepColor, win::COLORREF& top,
                                      win::COLORREF& under) const;
    virtual bool IsSmallButton(const win::TRect& rect) const { return rect.Bottom - rect.Top < 17; }
    virtual void DrawTriangle(win::HDC dc, int colorIndex, int32_t size, int32_t x, int32_t y) const;
    void DrawPlainText(win::HDC dc, const win::TRect& rect, bool opaque, const std::string& text,
                       int32_t offset) const;
    // With useBrush the rect is filled with the brush; without, the window paints its background there.
    void DrawItemBackground(const TxbPaintWindow& w, win::HDC dc, bool useBrush, win::HBRUSH brush,
                            const win::TRect& rect) const;
    // A 1-pixel ring: framed with the brush, or the window background in it.
    void FrameItemBackground(const TxbPaintWindow& w, win::HDC dc, bool useBrush, win::HBRUSH brush,
                             const win::TRect& rect) const;
    virtual void DrawSeparatorLine(win::HDC dc, const win::TRect& rect) const;
    // The glyph part of an item: its area and centred glyph rect, then the glyph area (background, glyph,
    // face). A given glyph rect replaces the computed place of the face.
    void PaintItemGlyph(const TxbPaintWindow& w, win::HDC dc, const win::TRect& rect, const TxbItemPaintState& s,
                       const TxbGlyphSource& glyph, const win::TRect* glyphRect = nullptr) const;
    // The area DrawItemGlyph works in and the glyph rect centred in it.
    win::TRect CalcGlyphArea(const TxbPaintWindow& w, const win::TRect& rect) const;
    win::TSize CalcGlyphSize(const TxbPaintWindow& w, const TxbGlyphSource& glyph) const;
    win::TRect CalcGlyphRect(const TxbPaintWindow& w, const win::TRect& area, const TxbItemPaintState& s,
                             const TxbGlyphSource& glyph) const;
    void DrawGlyphArea(const TxbPaintWindow& w, win::HDC dc, const win::TRect& area, const win::TRect& glyphRect,
                       const TxbItemPaintState& s, const TxbGlyphSource& glyph) const;
    virtual void PaintMenuButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                const win::TRect& rect, const std::string& caption,
                                const TxbGlyphSource& glyph) const {}
    // One line of caption; alignment 0 left, 1 centre, 2 right.
    void PaintItemCaption(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool keepColor,
                         int32_t alignment, bool clip, const win::TRect& rect, const std::string& text,
                         bool rotated = false) const;
    virtual void PaintLoweredFrame(win::HDC dc, win::TRect& rect) const {}
    virtual void DrawGlyphFrame(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool framed,
                                win::TRect& rect) const {}
    virtual win::HBRUSH GetItemBackgroundBrush(const TxbPaintWindow& w, const TxbItemPaintState& s) const {
        return w.Brush;
    }
    virtual void DrawProgressFrame(const TxbPaintWindow& w, win::HDC dc, win::TRect& rect) const;
    // The filled part ends at the position within minimum .. maximum; a bar without a range stays empty.
    virtual void DrawProgressBar(const TxbPaintWindow& w, win::HDC dc, int32_t minimum, int32_t maximum,
                                 int32_t position, bool solid, bool vertical, vcl::TColor color,
                                 const win::TRect& rect) const;
    // The end of the filled part of a progress bar from start over length.
    static int32_t CalcProgressEnd(int32_t start, int32_t length, int32_t minimum, int32_t maximum,
                                   int32_t position);
    // The arrow part of a split button: its background, an edge while active, the arrow.
    virtual void PaintDropDownButtonPart(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                         const win::TRect& rect) const;
    // Sub items: height and width from what the item shows, and the item itself (a menu row with its arrow,
    // or a toolbar button with glyph part, caption and, off the main menu, a drop-down arrow).
    int32_t CalcSubItemHeightFor(const TxbPaintWindow& w, bool showsGlyph, bool showsCaption) const;
    int32_t CalcSubItemWidthFor(const TxbPaintWindow& w, const std::string& caption, bool showsGlyph,
                                bool showsCaption, bool mainMenu) const;
    void PaintSubItem(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, const win::TRect& rect,
                      const std::string& caption, const TxbGlyphSource& glyph, bool mainMenu,
                      bool mainMenuBarItem) const;
    // The combo button: the right part of rect, comboButtonWidth wide, returned.
    virtual win::TRect PaintComboButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                        bool droppedDown, int32_t comboButtonWidth, vcl::TColor textColor,
                                        win::HBRUSH brush, const win::TRect& rect) const;
    // Edits: the two rings of the frame (rect shrinks by 2), the caption part, the value text.
    virtual void PaintEditFrame(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool active,
                                win::TRect& rect) const;
    virtual void PaintEdit(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool active,
                           const win::TRect& rect, const std::string& caption) const;
    // The value of an edit whose window is hidden: text and background from the edit colours.
    virtual void PaintEditText(const TxbPaintWindow& w, win::HDC dc, bool enabled, const win::TRect& rect,
                               const std::string& text) const;
    virtual void GetEditColors(const TxbPaintWindow& w, bool enabled, win::COLORREF& text,
                               win::COLORREF& background) const;
    void DrawEditValue(win::HDC dc, win::TRect rect, win::HBRUSH brush, const std::string& text) const;
    virtual void AdjustMenuCaptionIndent(win::TRect& rect) const {}
    void DrawComboListItem(win::HDC dc, const win::TRect& rect, const std::string& text) const;
    virtual void SetEditMargins(win::HWND edit) const {}
    virtual void SelectEditText(win::HWND edit, bool notify) const;
    // Drop-down, spin, text and caption parts.
    virtual void DrawEllipsisButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                    win::TRect& inner, const win::TRect& rect) const;
    virtual void DrawTextButton(win::HDC dc, bool pressed, const std::string& text, const win::TRect& rect) const;
    // One half of a spin button: the upper (up) or lower part of rect split at splitY, its arrow of size at
    // the offset from the part's left.
    virtual void DrawSpinArrow(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool up,
                               const win::TRect& rect, int32_t splitY, int32_t size, int32_t offset) const;
    virtual void DrawCaptionItem(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                 const win::TRect& rect, const std::string& caption, bool arrowDown) const;
    virtual win::HBRUSH GetStaticBrush() const { return win::GetSysColorBrush(win::COLOR_BTNSHADOW); }
    // A solid triangle pointing down, up or right.
    static void FillTriangle(win::HDC dc, const win::POINT (&points)[3], win::COLORREF colour);
    // A down triangle size wide at (x, y): enabled in the colour, disabled embossed (highlight one pixel right
    // and down under shadow).
    static void DrawDownTriangle(win::HDC dc, int32_t x, int32_t y, int32_t size, bool enabled, win::COLORREF colour);

    // ---- Bars, menus and docks
    virtual void PaintToolbarSeparator(const TxbPaintWindow& w, win::HDC dc, bool across, win::HBRUSH brush,
                                      const win::TRect& rect) const;
    virtual void PaintCaptionButton(const TxbPaintWindow& w, win::HDC dc, int32_t state, const win::TRect& rect,
                                    bool active) const;
    virtual void DrawDropDownArrow(win::HDC dc, const win::TRect& rect, win::COLORREF color) const;
    virtual void DrawMarkChevron(const TxbPaintBar& bar, win::HDC dc, int32_t position, const win::TRect& rect) const {}
    virtual void PaintMarkBackground(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                    const win::TRect& rect) const {}
    virtual void PaintMarkChevrons(const TxbPaintBar& bar, win::HDC dc, const win::TRect& rect) const;
    virtual int32_t GetMarkArrowColorIndex() const;
    void PaintMark(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush, const win::TRect& rect) const;
    virtual win::TRect CalcBarMarkRect(const TxbPaintBar& bar) const { return {}; }
    virtual void PaintCaptionCloseButton(const TxbPaintBar& bar, win::HDC dc, win::TRect rect, bool pressed) const {}
    virtual void PaintDockedFrame(const TxbPaintBar& bar, win::HDC dc, win::TRect rect) const {}
    virtual void PaintFloatingFrame(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush, int32_t borderWidth,
                                   win::TRect rect) const {}
    // kind 0 minimize, 1 restore, 2 close; inactive when the system menu's command is disabled; flat for a
    // close button drawn with the manager's FlatCloseButton.
    virtual void PaintMenuBarCaptionButton(win::HDC dc, int32_t kind, const win::TRect& rect, bool selected,
                                          bool pressed, bool inactive, bool flat) const {}
    // The floating caption: the line under it, the close button, the text, the end mark.
    virtual void PaintFloatingCaption(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                                      const win::TRect& rect) const;
    // Where the caption's text starts when the mark sits in the caption.
    virtual int32_t PlaceCaptionText(const TxbPaintBar& bar, const win::TRect& mark) const { return mark.Right + 3; }
    void PaintSizeGrip(const TxbPaintWindow& w, win::HDC dc, win::HBRUSH brush, const win::TRect& rect) const;
    virtual void DrawSizeGripGlyph(const TxbPaintWindow& w, win::HDC dc, win::HBRUSH brush,
                                   const win::TRect& rect) const;
    // The font of a floating caption: the system's small caption font, or with useSystemFont off the bar
    // font's face at least 11 pixels high.
    static win::LOGFONT GetFloatingCaptionFont(bool useSystemFont, win::HFONT barFont);
    static win::LOGFONT AdjustFloatingCaptionFont(win::LOGFONT systemFont, bool useSystemFont, win::HFONT barFont);
    // Menus.
    virtual TxbMenuMetrics CalcMenuMetrics(int32_t rowHeight, int32_t textHeight) const;
    virtual int32_t GetMenuArrowSize(int32_t rowHeight) const { return (rowHeight - 6) / 2; }
    virtual win::TSize CalcMenuSize(const TxbPaintMenu& menu, win::TSize content, int32_t rowHeight) const;
    virtual int32_t GetDetachBarHeight(const TxbPaintMenu& menu) const;
    // The text height of "Qq" halved, made odd: the tear-off strip's own height.
    static int32_t GetMenuHalfTextHeight(const TxbPaintMenu& menu);
    virtual void DrawMenuSeparator(const TxbPaintMenu& menu, win::HDC dc, bool rarelyUsedRunStart, int32_t indent,
                                   const win::TRect& itemRect, win::TRect& separatorRect) const;
    virtual void DrawMenuScrollArrow(const TxbPaintMenu& menu, win::HDC dc, bool up, const win::TRect& rect) const;
    virtual void DrawMenuExpandArrow(const TxbPaintMenu& menu, win::HDC dc, bool hot, const win::TRect& rect) const;
    virtual void DrawMenuFrame(const TxbPaintMenu& menu, win::HDC dc, win::HBRUSH brush, win::TRect rect) const;
    virtual void DrawDetachBar(const TxbPaintMenu& menu, win::HDC dc, const win::TRect& rect) const;
    // The rect of a menu's links: for layout with the row limit, for painting from the first row unlimited.
    struct TxbMenuClientRect {
        win::TRect Rect{};
        int32_t FirstRow = 0;
        int32_t Limit = -1; // -1: no limit
    };
    virtual TxbMenuClientRect CalcMenuClientRect(const TxbPaintMenu& menu, bool forLayout) const;
    // The menu's background: the bitmap tiled, or without one the brush.
    virtual void DrawMenuBackground(const TxbPaintMenu& menu, win::HDC dc, vcl::TColor color, win::HBRUSH brush,
                                    const win::TRect& rect, vcl::TBitmap* bitmap) const;
    virtual win::HBRUSH GetMenuItemBrush() const { return nullptr; }
    virtual win::HBRUSH GetMenuBackgroundBrush() const { return win::GetSysColorBrush(win::COLOR_BTNFACE); }

    // Borders of item controls: style 0 none, 1 sunken, 2 raised, 3 etched, 4 raised then sunken; rect shrinks.
    virtual void DrawBorderEdge(win::HDC dc, int32_t style, int32_t width, win::TRect& rect) const;
    // The quick customization menu's background brush and the square of an entry's check.
    virtual win::HBRUSH GetQuickMenuBrush() const { return GetBackgroundBrush(nullptr); }
    virtual void CalcQuickItemRect(win::TRect& rect) const { rect.Right = rect.Left + rect.Bottom - rect.Top; }
    virtual void DrawQuickItemCheck(win::HDC dc, bool checked, const win::TRect& rect) const {}
    // Drop-down windows: the non-client rect (shrinks; the grip strip taken at the corner's side) and the corner
    // of the size grip (0 top-left, 1 top-right, 2 bottom-left, 3 bottom-right), from where the window lies
    // against the item control's rect; and their non-client painting.
    virtual int32_t CalcDropDownNCRect(win::TRect& rect, bool sizeGrip, const win::TRect& controlRect,
                                       const win::TRect& dropDownRect) const;
    virtual void DrawDropDownNC(win::HWND window, bool hasGripBar, int32_t corner, win::TRect& closeRect,
                                win::TRect& gripRect, bool closeHot, bool closePressed) const;
    virtual int32_t GetGripStripHeight() const;
    virtual vcl::TColor GetDropDownColor() const { return vcl::clBtnFace; }
    virtual vcl::TColor GetProgressColor() const { return vcl::clHighlight; }
    virtual int32_t GetMenuItemExtra(TxbBarItemControl* control) const { return 0; }
    virtual void PaintMenuContent(const TxbPaintMenu& menu, win::HDC dc, const TxbMenuContent& content) const;
    // The non-client border; a detachable menu's detach bar goes into detachRect (given by the window).
    virtual void PaintMenuBorder(const TxbPaintMenu& menu, win::HDC dc, win::TRect rect,
                                 const win::TRect& detachRect) const;
    virtual void PaintRarelyUsedItemFrame(const TxbPaintMenu& menu, win::HDC dc, const TxbRarelyUsedRow& row) const {}

protected:
    TxbBarItemControlPainter() = default;
};

using TxbBarItemControlPainterClass = const TxbBarItemControlPainter*;

class TxbBarItemControlStandardPainter : public TxbBarItemControlPainter {
public:
    const char* ClassName() const override { return "TxbBarItemControlStandardPainter"; }
    bool KeepsWindowBackgroundPressed() const override { return true; }
    int32_t GetPressedGlyphOffset() const override { return 1; }
    int32_t GetDownGlyphOffset(bool pressed) const override { return 1; }
    int32_t GetLoweredFrameWidth() const override { return 1; }
    int32_t GetGripIndent() const override { return 2; }
    int32_t GetGripSize() const override { return GetGripIndent() + 2 * GetGripBarWidth() + 1; }
    int32_t GetMenuSeparatorIndent() const override { return 2; }
    int32_t GetFloatingSideBorder() const override { return 4; }
    int32_t GetFloatingTopBorder() const override { return 2; }
    int32_t GetFloatingBottomBorder() const override { return 1; }
    bool UsesSystemCloseHitTest() const override { return true; }
    bool UsesSystemCaptionMetrics() const override { return true; }
    int32_t GetDropDownListBorder() const override { return 2; }
    bool SeparatorsTakeSpace() const override { return true; }
    int32_t GetMenuScrollArrowHeight() const override { return 2; }
    bool IsSmallButton(const win::TRect& rect) const override { return false; }

    void DrawButtonFace(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, win::TRect rect,
                        win::HBRUSH brush) const override;
    void DrawCheckMark(win::HDC dc, bool enabled, int32_t t, int32_t x, int32_t y) const override;
    void DrawSeparatorLine(win::HDC dc, const win::TRect& rect) const override;
    void PaintMenuButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, const win::TRect& rect,
                        const std::string& caption, const TxbGlyphSource& glyph) const override;
    void PaintLoweredFrame(win::HDC dc, win::TRect& rect) const override;
    void DrawGlyphFrame(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool framed,
                        win::TRect& rect) const override;
    win::HBRUSH GetItemBackgroundBrush(const TxbPaintWindow& w, const TxbItemPaintState& s) const override;
    void DrawMarkChevron(const TxbPaintBar& bar, win::HDC dc, int32_t position, const win::TRect& rect) const override;
    void PaintMarkBackground(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                            const win::TRect& rect) const override;
    win::TRect CalcBarMarkRect(const TxbPaintBar& bar) const override;
    void PaintCaptionCloseButton(const TxbPaintBar& bar, win::HDC dc, win::TRect rect, bool pressed) const override;
    void PaintDockedFrame(const TxbPaintBar& bar, win::HDC dc, win::TRect rect) const override;
    void PaintFloatingFrame(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush, int32_t borderWidth,
                           win::TRect rect) const override;
    void PaintMenuBarCaptionButton(win::HDC dc, int32_t kind, const win::TRect& rect, bool selected, bool pressed,
                                  bool inactive, bool flat) const override;
    void PaintDropDownButtonPart(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s,
                                 const win::TRect& rect) const override;
    win::TRect PaintComboButton(const TxbPaintWindow& w, win::HDC dc, const TxbItemPaintState& s, bool droppedDown,
                                int32_t comboButtonWidth, vcl::TColor textColor, win::HBRUSH brush,
                                const win::TRect& rect) const override;
    void PaintRarelyUsedItemFrame(const TxbPaintMenu& menu, win::HDC dc, const TxbRarelyUsedRow& row) const override;
    void SetEditMargins(win::HWND edit) const override;
    void DrawDropDownListBorder(win::HDC dc, const win::TRect& rect) const override;
    void OffsetPressedGlyph(TxbBarItemControl* control, bool pressed, win::TRect& rect) const override;
    void OffsetPressedCaption(bool pressed, win::TRect& rect) const override;

protected:
    // One grip bar (raised edge, face inside, a highlight pixel in its corner), then excluded from the clip.
    void DrawGripBar(win::HDC dc, const win::TRect& rect, bool vertical) const;
    friend const TxbBarItemControlPainter* StandardPainter();
    friend class TxbBarItemControlEnhancedPainter;
    TxbBarItemControlStandardPainter() = default;
};

class TxbBarItemControlEnhancedPainter : public TxbBarItemControlStandardPainter {
public:
    const char* ClassName() const override { return "TxbBarItemControlEnhancedPainter"; }
    int32_t GetGripIndent() const override { return 1; }
    int32_t GetGripSize() const override { return GetGripIndent() + GetGripBarWidth() + 2; }
    int32_t GetMenuSeparatorIndent() const override { return 12; }
    bool SupportsQuickCustomizing() const override { return true; }

    void DrawMarkChevron(const TxbPaintBar& bar, win::HDC dc, int32_t position, const win::TRect& rect) const override;
    void PaintMarkBackground(const TxbPaintBar& bar, win::HDC dc, win::HBRUSH brush,
                            const win::TRect& rect) const override;
    void PaintMarkChevrons(const TxbPaintBar& bar, win::HDC dc, const win::TRect& rect) const override;
    win::TRect CalcBarMarkRect(const TxbPaintBar& bar) const override;
    void PaintDockedFrame(const TxbPaintBar& bar, win::HDC dc, win::TRect rect) const override;

protected:
    friend const TxbBarItemControlPainter* EnhancedPainter();
    TxbBarItemControlEnhancedPainter() = default;
};

class TxbBarItemControlFlatPainter : public TxbBarItemControlPainter {
public:
    const char* ClassName() const override { return "TxbBarItemControlFlatPainter"; }
    bool HasSplitDropDownHotTrack() const override { return true; }
    int32_t GetLoweredFrameWidth() const override { return 1; }
    int32_t GetGripIndent() const override { return 1; }
    int32_t GetGripSize() const override { return GetGripIndent() + GetGripBarWidth() + 2; }
    int32_t GetButtonArrowWidth(const TxbBarManager* manager) const override;
    int32_t GetLargeButtonArrowWidth(const TxbBarManager* manager) const override;
    int32_t GetMenuSeparatorIndent() const override { return 8; }
    bool UsesFlatSelection() const override { return true; }
    int32_t GetMenuRowIndent() const override { return 7; }
    bool HotTracksMark() const override { return true; }
    bool SupportsQuickCustomizing() const override { return true; }
    int32_t GetToolbarSeparatorSize() const override { return 5; }
    int32_t GetSeparatorLineOffset() const override { return (GetToolbarSeparatorSize() - 1) / 2; }
    bool AlignsQuickMenuLeft() const override { return true; }
    void AdjustMenuGlyphWidth(int32_t& width) const override { width += 2; }
    void AdjustMenuButtonWidth(int32_t& width) const override { width += 9; }
    void AdjustMenuCaptionHeight(int32_t& height) const override { height += 2; }
    bool HotTracksDropDownPart() const override { return true; }
    int32_t GetDropDownListBorder() const override { return 2; }
    int32_t GetMenuSeparatorHeight() const override { return 5; }
    int32_t GetMenuBorderIndent() const override { return 2; }
    win::TPoint GetDetachBarShrink() const override { return {2, 2}; }
    int32_t CalcEditCaptionWidth(int32_t textWidth) const override { return textWidth + 11; }
    win::DWORD GetEditStyle() const override;
    bool IsFlatLike() const override { return true; }
    int32_t GetFlatExtraIndent() const override { return 9; }

protected:
    friend const TxbBarItemControlPainter* FlatPainter();
    friend class TxbBarItemControlOffice11Painter;
    TxbBarItemControlFlatPainter() = default;
};

class TxbBarItemControlOffice11Painter : public TxbBarItemControlFlatPainter {
public:
    const char* ClassName() const override { return "TxbBarItemControlOffice11Painter"; }
    bool HandlesRarelyUsedBackground() const override { return true; }
    bool HighlightsDropDownPart() const override { return false; }
    int32_t GetGripIndent() const override { return 1 + GetOffice11GripExtra(); }
    int32_t GetFloatingBorderWidth() const override { return 3; }
    int32_t GetFloatingBorderHeight() const override { return 3; }
    int32_t GetFixedBarGripSize() const override { return 2; }
    bool HasThemedBackground() const override { return true; }
    win::TPoint GetDetachBarShrink() const override { return {2, 4}; }
    int32_t GetOffice11GripExtra() const { return 2; }

private:
    friend const TxbBarItemControlPainter* Office11Painter();
    TxbBarItemControlOffice11Painter() = default;
};

class TxbBarItemControlXPPainter : public TxbBarItemControlPainter {
public:
    const char* ClassName() const override { return "TxbBarItemControlXPPainter"; }
    int32_t GetPressedGlyphOffset() const override { return 1; }
    int32_t GetDownGlyphOffset(bool pressed) const override { return pressed ? 0 : 1; }
    int32_t GetGripIndent() const override { return 0; }
    int32_t GetGripSize() const override { return GetGripIndent() + GetGripBarWidth() + 2; }
    int32_t GetButtonArrowWidth(const TxbBarManager* manager) const override;
    int32_t GetLargeButtonArrowWidth(const TxbBarManager* manager) const override;
    bool HasThemedBackground() const override { return true; }
    bool HotTracksMark() const override { return true; }
    bool SupportsQuickCustomizing() const override { return true; }
    int32_t GetSeparatorLineOffset() const override { return (GetToolbarSeparatorSize() - 1) / 2; }
    int32_t GetDockedFrameWidth() const override { return 0; }
    bool HasThemedCaption() const override { return true; }
    bool AlignsQuickMenuLeft() const override { return true; }
    void AdjustMenuGlyphWidth(int32_t& width) const override { width += 1; }
    void AdjustMenuCaptionHeight(int32_t& height) const override { height += 2; }
    int32_t GetComboButtonIndent() const override { return 0; }
    int32_t GetDropDownListBorder() const override { return 2; }
    int32_t GetMenuFrameWidth() const override { return 1; }
    int32_t GetMenuBorderIndent() const override { return 1; }
    win::TPoint GetDetachBarShrink() const override { return {2, 2}; }
    int32_t CalcEditCaptionWidth(int32_t textWidth) const override { return textWidth + 11; }
    win::DWORD GetEditStyle() const override;
    bool IsFlatLike() const override { return true; }

private:
    friend const TxbBarItemControlPainter* XPPainter();
    TxbBarItemControlXPPainter() = default;
};

// The one instance of each family.
const TxbBarItemControlPainter* StandardPainter();
const TxbBarItemControlPainter* EnhancedPainter();
const TxbBarItemControlPainter* FlatPainter();
const TxbBarItemControlPainter* Office11Painter();
const TxbBarItemControlPainter* XPPainter();

} // namespace bars
