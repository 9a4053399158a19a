// Dock sites. A dock control is a window along one edge of a form (or placed by the form's designer) that
// holds docked toolbar windows in rows: row 0 is nearest the dock's near edge (left or top); each row holds
// cols, one per window, in order along the row. Here the row model, docking a window at a screen point, the
// layout of the rows and the dock's own size.
#pragma once

#include "bars/xbBarManager.h"
#include "platform/vcl/Controls.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace bars {

class TxbBar;
class TxbBarControl;
class TxbDockControl;
class TxbDockRow;

class TxbDockCol {
public:
    TxbDockCol(TxbDockRow* row, TxbBarControl* window) : FOwnerRow(row), FToolbarWindow(window) {}
    TxbDockRow* GetOwnerRow() const { return FOwnerRow; }
    TxbBarControl* GetToolbarWindow() const { return FToolbarWindow; }
    // Where the window wants to be along the row, in the dock's client coordinates.
    win::TPoint StoredPos{0, 0};
    // Copies the window's left and top into StoredPos.
    void SavePosition();

private:
    friend class TxbDockRow;
    TxbDockRow* FOwnerRow;
    TxbBarControl* FToolbarWindow;
};

class TxbDockRow {
public:
    explicit TxbDockRow(TxbDockControl* dock) : FOwnerDock(dock) {}
    TxbDockControl* GetOwnerDock() const { return FOwnerDock; }
    int32_t GetColCount() const { return int32_t(FCols.size()); }
    // Null outside the range.
    TxbDockCol* GetCol(int32_t index) const;
    TxbDockCol* InsertCol(int32_t index, TxbBarControl* window);
    void DeleteCol(int32_t index);
    int32_t IndexOfWindow(const TxbBarControl* window) const;

private:
    TxbDockControl* FOwnerDock;
    std::vector<std::unique_ptr<TxbDockCol>> FCols;
};

class TxbDockControl : public vcl::TCustomControl {
public:
    // A placed dock.
    explicit TxbDockControl(vcl::TComponent* owner);
    // One of the manager's four edge docks (style dsLeft .. dsBottom), a child of the owner form.
    TxbDockControl(TxbBarManager* manager, TxbBarDockingStyle style);
    ~TxbDockControl() override;

    TxbBarManager* GetBarManager() const { return FBarManager; }
    void SetBarManager(TxbBarManager* value);
    bool IsManagerDock() const { return FManagerDockStyle != dsNone; }
    // From Align: left, right and bottom, else top.
    TxbBarDockingStyle GetDockingStyle() const;
    bool IsVertical() const;
    // Whether bars may dock here.
    bool GetAllowDocking() const { return FAllowDocking; }
    void SetAllowDocking(bool value) { FAllowDocking = value; }
    virtual bool CanDockBar(TxbBar* bar) { return FAllowDocking; }

    // ---- Rows
    int32_t GetRowCount() const { return int32_t(FRows.size()); }
    // Null outside the range.
    TxbDockRow* GetRow(int32_t index) const;
    // The row and col index of a window, false when it is not docked here.
    bool FindWindow(const TxbBarControl* window, int32_t& row, int32_t& col) const;
    // Puts the window into a row at the screen point; with update the rows are laid out.
    void DockBar(TxbBarControl* window, win::TPoint point, bool update);
    // Removes the window's col; a row left empty goes.
    void UndockBar(TxbBarControl* window, bool update);
    void MoveBar(TxbBarControl* window, win::TPoint point);
    void SavePositions();

    // ---- Geometry
    // The screen rect in which a dragged toolbar docks here.
    win::TRect GetDockingZone();
    // The extent across the dock [start, end) of part 0, 1 (the new-row band) or 2 of row index n (-1 ..
    // the row count).
    void GetRowZone(int32_t n, int32_t part, int32_t& start, int32_t& end);
    // The row a screen point docks into, and whether a new row is made there.
    void RowAtPoint(win::TPoint point, int32_t& row, bool& newRow);
    // Where in a row a window docked at the screen point goes.
    int32_t ColIndexAt(int32_t row, win::TPoint point);
    // Moves a screen point across the dock into the middle of the zone of a row.
    void SnapPointToRow(int32_t row, bool newRow, win::TPoint& point);
    // A row's rect in client coordinates (empty outside the range).
    win::TRect GetRowRect(int32_t row);
    virtual int32_t GetRowsSize();
    int32_t GetDockSize();

    // ---- Layout
    void UpdateLayout();
    void LayoutRows();
    void SizeToRows();
    void RefreshFrames();
    // Without a manager, or with the manager's AutoDockColor, the parent's colour; else the manager's DockColor.
    virtual void UpdateColor();
    void UpdateBorder();
    // The dock's settings changed: the background cache goes (a placed dock also takes its colour and frame
    // again).
    virtual void Changed();
    // The form the dock belongs to: the manager's.
    virtual vcl::TCustomForm* GetDockForm();

    // ---- Background
    // The dock's own picture, tiled from the client origin under the dock and its docked bars.
    vcl::TBitmap* GetBackgroundBitmap() const { return FBackgroundBitmap.get(); }
    void SetBackgroundBitmap(vcl::TBitmap* value);
    // The whole client area as the painter last drew it (painters that draw the dock once and copy parts).
    vcl::TBitmap* GetBackgroundCache() const { return FBackgroundCache.get(); }
    virtual void ClearBackgroundCache();
    // Repaints every docked toolbar window with its frame at once.
    virtual void RepaintBars();
    // Double buffered while a picture or the painter's own background shows.
    virtual void UpdateDoubleBuffered();

    // ---- The window
    // Paints the background into rect: the own bitmap, the manager's bar bitmap, or the painter's dock
    // background. offsetRect is the part of the endless tiling from the client origin that rect shows.
    virtual void DrawBackground(win::HDC dc, const win::TRect& rect, vcl::TColor color, win::HBRUSH brush,
                                const win::TRect& offsetRect);
    virtual bool HasOwnBackground() const;
    // A picture or the painter's own background shows behind the bars.
    virtual bool HasBackground() const;
    virtual bool GetSunkenBorder() const;

    // The action-update pass of the form reaches the dock: the actions of the items of every visible bar of
    // the manager refresh what they set on their items (enabled, caption, checked ...).
    void InitiateAction() override;

protected:
    void Notification(vcl::TComponent* component, vcl::TOperation operation) override;
    void CreateParams(vcl::TCreateParams& params) override;
    void WndProc(vcl::TMessage& message) override;
    // Lays the rows out again whenever the dock's children are aligned (not while the window goes or the
    // manager reads its form).
    void AlignControls(vcl::TControl* control, vcl::TRect& rect) override;

    // The bars of a window of the dock that is being made again wait in the manager's list of bars to show;
    // a placed dock takes its own back when its window exists again.
    virtual void WindowCreated() {}
    void BackgroundChanged(vcl::TObject* sender);
    int32_t ClientAcross();

private:
    // The thickness of a row (its thickest window).
    int32_t RowThickness(const TxbDockRow* row) const;
    int32_t ClientAlong();
    bool ManagerRestoring() const;
    void LayoutRow(TxbDockRow* row, int32_t rowIndex);
    void WindowPosChanged(const vcl::TMessage& message);

    TxbBarManager* FBarManager = nullptr;
    TxbBarDockingStyle FManagerDockStyle = dsNone;
    bool FAllowDocking = true;
    std::unique_ptr<vcl::TBitmap> FBackgroundBitmap;
    std::unique_ptr<vcl::TBitmap> FBackgroundCache;
    std::vector<std::unique_ptr<TxbDockRow>> FRows;
    // The row list exists from the first docked window on; until then the dock keeps the size it has.
    bool FRowsMade = false;
};

// The alignments of a placed dock (the window's own alignments).
enum TxbBarDockAlign { dalNone, dalTop, dalBottom, dalLeft, dalRight };

// A dock site placed on a form by its designer.
class TxbBarDockControl : public TxbDockControl {
public:
    explicit TxbBarDockControl(vcl::TComponent* owner);
    // Not into a dock inside the bar's own window.
    bool CanDockBar(TxbBar* bar) override;
    // Without bars: 3 pixels at design time (0 with AllowZeroSizeInDesignTime), 0 at run time; while the form
    // is read or the manager restores its bars, the size the dock has.
    int32_t GetRowsSize() override;
    int32_t DesignMinimumSize() const;
    bool GetAllowZeroSizeInDesignTime() const { return FAllowZeroSizeInDesignTime; }
    void SetAllowZeroSizeInDesignTime(bool value);
    // The component is being read, or the manager restores its bars.
    bool IsLoadingOrRestoring() const;

    void Changed() override;
    void UpdateColor() override;
    bool GetSunkenBorder() const override;
    vcl::TCustomForm* GetDockForm() override;

    // ---- Published properties
    TxbBarDockAlign GetDockAlign() const { return TxbBarDockAlign(GetAlign()); }
    // The docked windows take the docking style of the new alignment and are rebuilt.
    void SetDockAlign(TxbBarDockAlign value);
    // Setting the colour (or following the parent's) makes it the dock's own.
    void SetColor(vcl::TColor value);
    void SetParentColor(bool value);
    bool GetUseOwnColor() const { return FUseOwnColor; }
    // Turned off, the manager's colour rule applies again.
    void SetUseOwnColor(bool value);
    // A border other than the effective one becomes the dock's own.
    void SetSunkenBorder(bool value);
    bool GetUseOwnSunkenBorder() const { return FUseOwnSunkenBorder; }
    void SetUseOwnSunkenBorder(bool value);

protected:
    void CreateParams(vcl::TCreateParams& params) override;
    void WndProc(vcl::TMessage& message) override;
    void Paint() override;
    void WindowCreated() override;

private:
    bool FAllowZeroSizeInDesignTime = false;
    bool FSunkenBorder = false;
    bool FUseOwnColor = false;
    bool FUseOwnSunkenBorder = false;
    // Set while the dock sizes itself to the design minimum.
    bool FSizing = false;
};

// Registers the dock's property table and the placed dock's class.
void RegisterDockControlTables();

// The end mark's room in a row and the band between rows in which a dragged bar makes a new row.
inline constexpr int32_t DockEndMarkSize = 11;
inline constexpr int32_t DockNewRowBand = 5;

} // namespace bars
