#include "controls/FcListView.h"

#include "controls/FcCommon.h"
#include "controls/FcThemeServices.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/gdi/DrawText.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/user/Keys.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/User.h"
#include "platform/win/user/WindowStyles.h"

#include <algorithm>
#include <unordered_map>

namespace controls {

namespace {

// The header window's properties while its procedure is ours: the list view, and the procedure it had.
constexpr const char* ListViewHeaderOwnerProp = "LoomwickFcListViewHeader";
constexpr const char* ListViewHeaderPrevProp = "LoomwickFcListViewHeaderPrev";

// Check boxes are state images 1 (clear) and 2 (checked).
constexpr win::UINT ListViewStateUnchecked = 0x1000;
constexpr win::UINT ListViewStateChecked = 0x2000;

TRect ListViewShrunk(const TRect& r, int32_t by) { return {r.Left + by, r.Top + by, r.Right - by, r.Bottom - by}; }

win::TPoint ListViewCentre(const TRect& r) { return {(r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2}; }

// A column's text of an item: the caption for column 0, else the sub-item before it (empty when missing).
std::string ListViewColumnText(vcl::TListItem* item, int32_t column) {
    if (column <= 0)
        return item->GetCaption();
    vcl::TStrings* subItems = item->GetSubItems();
    return column - 1 < subItems->GetCount() ? subItems->Get(column - 1) : std::string();
}

} // namespace

// The header's window procedure while subclassed. It reaches the list view only while the list view holds it;
// afterwards (the list view gone, someone else's procedure on top of ours) it hands every message on.
struct FcListViewHeaderProc {
    static win::LRESULT CALLBACK_Proc(win::HWND header, win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
        auto prev = reinterpret_cast<win::WNDPROC>(win::GetProp(header, ListViewHeaderPrevProp));
        auto* view = reinterpret_cast<TFcCustomListView*>(win::GetProp(header, ListViewHeaderOwnerProp));
        if (!prev)
            return win::DefWindowProc(header, msg, wParam, lParam);
        if (!view) {
            if (msg == win::WM_NCDESTROY)
                win::RemoveProp(header, ListViewHeaderPrevProp);
            return win::CallWindowProc(prev, header, msg, wParam, lParam);
        }
        try {
            return view->HeaderMessage(msg, wParam, lParam);
        } catch (const std::exception& e) {
            vcl::Application->HandleException(view, e);
            return 0;
        }
    }
};

// ---- Construction and settings ------------------------------------------------------------------------

TFcCustomListView::TFcCustomListView(vcl::TComponent* owner)
    : vcl::TCustomListView(owner), TFcFramedControl(this), FHeaderCanvas(std::make_unique<vcl::TCanvas>()) {
    FNormalColor = vcl::TCustomListView::GetColor();
}

TFcCustomListView::~TFcCustomListView() {
    *FAlive = false;
    RestoreHeader();
    UnlinkFrameController();
}

void TFcCustomListView::FrameVisibleChanged() {
    // A frame controller's settings come all at once while it links: the frame is repainted instead.
    if (LinkingFrameController())
        InvalidateFrame();
    else if (HandleAllocated() && !Loading())
        RecreateWnd();
}

void TFcCustomListView::Notification(vcl::TComponent* component, vcl::TOperation operation) {
    vcl::TCustomListView::Notification(component, operation);
    FrameControllerNotification(component, operation);
}

void TFcCustomListView::DefineProperties(vcl::TFiler* filer) {
    vcl::TCustomListView::DefineProperties(filer);
    DefineLegacyFrameReaders(filer);
}

// ---- Colours and the frame ------------------------------------------------------------------------------

void TFcCustomListView::SetColor(TColor value) {
    FNormalColor = value;
    if (Loading()) {
        ApplyColor(value);
        return;
    }
    UpdateColors();
}

void TFcCustomListView::ApplyColor(TColor value) {
    FUpdatingColor = true;
    vcl::ScopeExit done([this]() noexcept { FUpdatingColor = false; });
    vcl::TCustomListView::SetColor(value);
}

void TFcCustomListView::UpdateColors() { ApplyColor(StateColor(FFocused, FNormalColor)); }

bool TFcCustomListView::IsHot() const { return FFrame.FrameHotTrack && (FFocused || FMouseOver); }

void TFcCustomListView::UpdateFrameState(bool isOver, bool value) {
    if (isOver)
        FMouseOver = value;
    else
        FFocused = value;
    if (FFrame.FrameHotTrack)
        InvalidateFrame();
    UpdateColors();
}

void TFcCustomListView::InvalidateFrame() {
    if (HandleAllocated() && FFrame.FrameVisible)
        win::RedrawWindow(GetHandle(), nullptr, nullptr, win::RDW_FRAME | win::RDW_INVALIDATE | win::RDW_UPDATENOW);
}

void TFcCustomListView::PaintFrame() {
    if (!FFrame.FrameVisible || UseThemes() || !HandleAllocated())
        return;
    win::HDC dc = win::GetWindowDC(GetHandle());
    if (!dc)
        return;
    vcl::TCanvas canvas;
    canvas.SetHandle(dc);
    const bool hot = IsHot();
    PaintControlFrame(&canvas, GetWidth(), GetHeight(), hot ? FFrame.FrameHotStyle : FFrame.FrameStyle, GetColor(),
                      hot ? FFrame.FrameHotColor : FFrame.FrameColor, FFrame.FrameSides, false);
    canvas.SetHandle(nullptr);
    win::ReleaseDC(GetHandle(), dc);
}

void TFcCustomListView::DoEnter() {
    vcl::TCustomListView::DoEnter();
    UpdateFrameState(false, true);
}

void TFcCustomListView::DoExit() {
    vcl::TCustomListView::DoExit();
    UpdateFrameState(false, false);
}

void TFcCustomListView::MouseEnter() {
    if (OnMouseEnter)
        OnMouseEnter(this);
}

void TFcCustomListView::MouseLeave() {
    if (OnMouseLeave)
        OnMouseLeave(this);
}

// ---- Window ---------------------------------------------------------------------------------------------

void TFcCustomListView::CreateParams(vcl::TCreateParams& params) {
    vcl::TCustomListView::CreateParams(params);
    // The frame is drawn over the standard border's two pixels.
    if (FFrame.FrameVisible)
        params.ExStyle |= win::WS_EX_CLIENTEDGE;
}

void TFcCustomListView::CreateWnd() {
    vcl::TCustomListView::CreateWnd();
    win::PostMessage(GetHandle(), ListViewHeaderFormatsMsg, 0, 0);
    if (!Loading())
        SubclassHeader(reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0)));
}

void TFcCustomListView::DestroyWnd() {
    RestoreHeader();
    vcl::TCustomListView::DestroyWnd();
}

void TFcCustomListView::SetParent(vcl::TWinControl* value) {
    RestoreHeader();
    vcl::TCustomListView::SetParent(value);
    if (HandleAllocated() && !Loading())
        SubclassHeader(reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0)));
}

void TFcCustomListView::Loaded() {
    vcl::TCustomListView::Loaded();
    UpdateColors();
    FFocused = false;
    FMouseOver = false;
    FillLastColumnWithin(true);
    if (HandleAllocated())
        SubclassHeader(reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0)));
}

void TFcCustomListView::SetBounds(int32_t left, int32_t top, int32_t width, int32_t height) {
    const bool changed = left != GetLeft() || top != GetTop() || width != GetWidth() || height != GetHeight();
    vcl::TCustomListView::SetBounds(left, top, width, height);
    if (changed && FFillLastColumn)
        FillLastColumn();
}

// ---- Last column, sorting, wheel ------------------------------------------------------------------------

void TFcCustomListView::SetFillLastColumn(bool value) {
    if (vcl::SetIfChanged(FFillLastColumn, value) && value)
        FillLastColumn();
}

void TFcCustomListView::FillLastColumnWithin(bool scrollBarAllowance) {
    vcl::TListColumns* columns = GetColumns();
    if (!FFillLastColumn || GetViewStyle() != vcl::vsReport || GetComponentState().Contains(vcl::csDestroying) ||
        columns->GetCount() == 0)
        return;
    int32_t sum = 0;
    for (int32_t i = 0; i + 1 < columns->GetCount(); ++i)
        sum += columns->GetItem(i)->GetWidth();
    int32_t available = GetClientWidth();
    if (scrollBarAllowance || GetItems()->GetCount() == 0 || Loading())
        available -= win::GetSystemMetrics(win::SM_CXVSCROLL);
    if (sum >= available)
        return;
    const int32_t difference = available - sum;
    GetItems()->BeginUpdate();
    vcl::ScopeExit ended([this]() noexcept {
        try {
            GetItems()->EndUpdate();
        } catch (...) {
        }
    });
    columns->GetItem(columns->GetCount() - 1)->SetWidth(difference <= 4 ? 5 : difference);
}

void TFcCustomListView::SortByColumn(int32_t column, bool descending) {
    // The keys are folded once: a sort of n rows compares n log n times.
    std::unordered_map<vcl::TListItem*, std::string> keys;
    keys.reserve(size_t(GetItems()->GetCount()));
    for (int32_t i = 0; i < GetItems()->GetCount(); ++i) {
        vcl::TListItem* item = GetItems()->GetItem(i);
        keys.emplace(item, vcl::AnsiLowerCase(ListViewColumnText(item, column)));
    }
    CustomSort(
        [&keys, descending](vcl::TListItem* a, vcl::TListItem* b, int32_t) {
            const std::string& ka = keys[a];
            const std::string& kb = keys[b];
            int32_t r;
            if (ka.empty() != kb.empty())
                r = ka.empty() ? 1 : -1; // empty texts after the others
            else
                r = ka.compare(kb) < 0 ? -1 : ka.compare(kb) > 0 ? 1 : 0;
            return descending ? -r : r;
        },
        column);
}

void TFcCustomListView::ColClick(vcl::TListColumn* column) {
    if (FAlphaSortAll && column) {
        auto alive = FAlive;
        const int32_t index = column->GetIndex();
        FSortColumn = index;
        if (index == FLastAscendingColumn) {
            FSortDirection = 1;
            FLastAscendingColumn = -1;
        } else {
            FSortDirection = 0;
            FLastAscendingColumn = index;
        }
        SortByColumn(index, FSortDirection == 1);
        if (!*alive)
            return;
        if (vcl::GetComCtlVersion() >= 0x00060000)
            UpdateHeaderFormats();
        if (FHeader)
            win::InvalidateRect(FHeader, nullptr, win::FALSE);
    }
    vcl::TCustomListView::ColClick(column);
}

bool TFcCustomListView::DoMouseWheelDown(vcl::TShiftState, win::TPoint) {
    WheelScroll(1);
    return true;
}

bool TFcCustomListView::DoMouseWheelUp(vcl::TShiftState, win::TPoint) {
    WheelScroll(-1);
    return true;
}

void TFcCustomListView::WheelScroll(int32_t direction) {
    win::UINT lines = 3;
    win::SystemParametersInfo(win::SPI_GETWHEELSCROLLLINES, 0, &lines, 0);
    const int32_t step = GetViewStyle() == vcl::vsIcon ? 32 : 16;
    Scroll(0, direction * int32_t(lines) * step);
}

// ---- Check boxes, editing -------------------------------------------------------------------------------

bool TFcCustomListView::DoCheckStateChanging(vcl::TListItem* item, bool toBeChecked) {
    bool allow = true;
    if (OnCheckStateChanging)
        OnCheckStateChanging(this, item, toBeChecked, allow);
    return allow;
}

void TFcCustomListView::DoCheckStateChange(vcl::TListItem* item) {
    if (OnCheckStateChange)
        OnCheckStateChange(this, item);
}

bool TFcCustomListView::CanEdit(vcl::TListItem* item) {
    if (GetViewStyle() == vcl::vsReport && GetRowSelect() && !FEditOnRowClick) {
        win::TPoint cursor{};
        win::GetCursorPos(&cursor);
        const win::TPoint p = ScreenToClient(cursor);
        const TRect label = item->DisplayRect(vcl::drLabel);
        if (!(p.X >= label.Left && p.X < label.Right && p.Y >= label.Top && p.Y < label.Bottom))
            return false;
    }
    return vcl::TCustomListView::CanEdit(item);
}

// ---- Context menus ----------------------------------------------------------------------------------------

void TFcCustomListView::RightClick() {
    win::TPoint cursor{};
    win::GetCursorPos(&cursor);
    const win::TPoint p = ScreenToClient(cursor);
    FRightClickOnItem = GetItemAt(p.X, p.Y) != nullptr;
    ShowContextMenuAt(p);
}

void TFcCustomListView::ShowContextMenuAt(win::TPoint pos) {
    if (FRightClickOnItem) {
        FRightClickOnItem = false;
        ShowItemContextMenu(pos);
        return;
    }
    vcl::TListItem* focused = GetItemFocused();
    if (!focused) {
        ShowControlMenu(pos);
        return;
    }
    if (focused->GetSelected())
        ShowItemContextMenu(ListViewCentre(focused->DisplayRect(vcl::drIcon)));
    else if (vcl::TListItem* selected = GetSelected())
        ShowItemContextMenu(ListViewCentre(selected->DisplayRect(vcl::drIcon)));
    else
        ShowControlMenu({0, 0});
}

void TFcCustomListView::ShowControlMenu(win::TPoint pos) {
    FMenuShown = true;
    vcl::TPopupMenu* menu = GetPopupMenu();
    if (!menu)
        return;
    menu->SetPopupComponent(this);
    const win::TPoint screen = ClientToScreen(pos);
    menu->Popup(screen.X, screen.Y);
}

void TFcCustomListView::DoItemContextMenu(vcl::TListItem* item, win::TPoint& pos, vcl::TPopupMenu*& menu) {
    if (OnItemContextMenu)
        OnItemContextMenu(this, item, pos, menu);
}

void TFcCustomListView::ShowItemContextMenu(win::TPoint pos) {
    vcl::TPopupMenu* menu = GetPopupMenu();
    auto alive = FAlive;
    DoItemContextMenu(GetItemFocused(), pos, menu);
    if (!*alive)
        return;
    FMenuShown = true;
    if (!menu)
        return;
    menu->SetPopupComponent(this);
    const win::TPoint screen = ClientToScreen(pos);
    menu->Popup(screen.X, screen.Y);
}

void TFcCustomListView::KeyDown(uint16_t& key, vcl::TShiftState shift) {
    const bool apps = key == win::VK_APPS && !shift.Contains(vcl::ssShift);
    const bool shiftF10 = key == win::VK_F10 && shift.Contains(vcl::ssShift);
    if (apps || shiftF10) {
        key = 0; // the window's own context-menu request would show the menu a second time
        ShowContextMenuAt({0, 0});
        return;
    }
    vcl::TCustomListView::KeyDown(key, shift);
}

// ---- Header ----------------------------------------------------------------------------------------------

void TFcCustomListView::SubclassHeader(win::HWND header) {
    if (!header || header == FHeader || !win::IsWindow(header) || win::GetProp(header, ListViewHeaderPrevProp))
        return;
    RestoreHeader();
    auto prev = reinterpret_cast<win::WNDPROC>(win::SetWindowLong(
        header, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(&FcListViewHeaderProc::CALLBACK_Proc)));
    win::SetProp(header, ListViewHeaderPrevProp, reinterpret_cast<win::HANDLE>(prev));
    win::SetProp(header, ListViewHeaderOwnerProp, reinterpret_cast<win::HANDLE>(this));
    FHeader = header;
    FHeaderPrevProc = prev;
}

void TFcCustomListView::RestoreHeader() {
    win::HWND header = FHeader;
    win::WNDPROC prev = FHeaderPrevProc;
    FHeader = nullptr;
    FHeaderPrevProc = nullptr;
    FHotSection = -1;
    FHeaderPressed = false;
    if (!header || !win::IsWindow(header))
        return;
    win::RemoveProp(header, ListViewHeaderOwnerProp);
    // When a procedure was put on top of ours, ours stays in the chain and passes everything on.
    if (win::GetWindowLong(header, win::GWL_WNDPROC) ==
        reinterpret_cast<win::LONG_PTR>(&FcListViewHeaderProc::CALLBACK_Proc)) {
        win::SetWindowLong(header, win::GWL_WNDPROC, reinterpret_cast<win::LONG_PTR>(prev));
        win::RemoveProp(header, ListViewHeaderPrevProp);
    }
}

win::LRESULT TFcCustomListView::HeaderMessage(win::UINT msg, win::WPARAM wParam, win::LPARAM lParam) {
    win::HWND header = FHeader;
    win::WNDPROC prev = FHeaderPrevProc;
    switch (msg) {
    case win::WM_NCDESTROY:
        RestoreHeader();
        return win::CallWindowProc(prev, header, msg, wParam, lParam);
    case win::WM_NCHITTEST:
        if (Designing())
            return win::HTTRANSPARENT;
        break;
    case win::WM_MOUSEMOVE:
        if (GetThemeServices()->ThemesEnabled() &&
            !(wParam & (win::MK_LBUTTON | win::MK_RBUTTON | win::MK_MBUTTON))) {
            win::HDHITTESTINFO info;
            info.pt = {win::GET_X_LPARAM(lParam), win::GET_Y_LPARAM(lParam)};
            win::SendMessage(header, win::HDM_HITTEST, 0, reinterpret_cast<win::LPARAM>(&info));
            SetHotSection((info.flags & win::HHT_ONHEADER) ? info.iItem : -1);
        }
        break;
    case win::WM_LBUTTONDOWN:
        FHeaderPressed = true;
        break;
    case win::WM_LBUTTONUP:
        FHeaderPressed = false;
        break;
    default:
        break;
    }
    return win::CallWindowProc(prev, header, msg, wParam, lParam);
}

void TFcCustomListView::SetHotSection(int32_t section) {
    if (vcl::SetIfChanged(FHotSection, section) && FHeader)
        win::InvalidateRect(FHeader, nullptr, win::FALSE);
}

void TFcCustomListView::SetHeaderDefaultDrawing(bool value) {
    if (vcl::SetIfChanged(FHeaderDefaultDrawing, value) && FHeader)
        win::InvalidateRect(FHeader, nullptr, win::FALSE);
}

void TFcCustomListView::SetHeaderSortDisplayMode(TFcLVHeaderSortDisplayMode value) {
    // Owner-drawn header sections need common controls 4.70.
    const uint32_t majorMinor = uint32_t(ComCtlFileVersion() >> 32);
    FHeaderSortDisplayMode = majorMinor > 4u * 65536u + 69u ? value : hsdmNone;
    UpdateHeaderFormats();
    if (FHeader)
        win::InvalidateRect(FHeader, nullptr, win::FALSE);
}

void TFcCustomListView::UpdateHeaderFormats() {
    if (!HandleAllocated() || GetViewStyle() != vcl::vsReport || FHeaderUpdating > 0)
        return;
    auto header = reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0));
    if (!header)
        return;
    ++FHeaderUpdating;
    vcl::ScopeExit done([this]() noexcept { --FHeaderUpdating; });
    const int32_t count = int32_t(win::SendMessage(header, win::HDM_GETITEMCOUNT, 0, 0));
    for (int32_t i = count - 1; i >= 0; --i) {
        win::HDITEM item;
        item.mask = win::HDI_FORMAT;
        win::SendMessage(header, win::HDM_GETITEM, win::WPARAM(i), reinterpret_cast<win::LPARAM>(&item));
        int format = item.fmt & win::HDF_JUSTIFYMASK;
        if (FHeaderSortDisplayMode != hsdmNone) {
            format |= win::HDF_OWNERDRAW;
        } else {
            format |= win::HDF_STRING;
            if (i < GetColumns()->GetCount() && Column(i)->GetImageIndex() != -1 && GetSmallImages())
                format |= win::HDF_IMAGE;
        }
        item.fmt = format;
        win::SendMessage(header, win::HDM_SETITEM, win::WPARAM(i), reinterpret_cast<win::LPARAM>(&item));
    }
    win::InvalidateRect(header, nullptr, win::TRUE);
}

TRect TFcCustomListView::SortArrowRect(const TRect& r) {
    const int32_t s = (r.Top + r.Bottom) / 2 - 1;
    TRect a;
    a.Left = r.Left;
    a.Right = r.Left + s + 1;
    a.Top = (r.Top + r.Bottom - s) / 2 - 1;
    a.Bottom = a.Top + s;
    return a;
}

void TFcCustomListView::DrawSortArrow(vcl::TCanvas* canvas, const TRect& a, int32_t column) {
    auto header = reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0));
    TRect section{0, 0, 0, 0};
    win::SendMessage(header, win::HDM_GETITEMRECT, win::WPARAM(column), reinterpret_cast<win::LPARAM>(&section));
    if (column != FSortColumn || 2 * a.Width() >= section.Width())
        return;
    const int32_t h = a.Height() * 3 / 4;
    if (h <= 0)
        return;
    const int32_t apexX = a.Left + (2 * h - 1) / 2;
    std::vector<win::TPoint> points;
    if (FSortDirection == 0)
        points = {{apexX, a.Bottom - h}, {a.Left, a.Bottom - 1}, {a.Left + 2 * h - 2, a.Bottom - 1}};
    else
        points = {{apexX, a.Bottom - 1}, {a.Left, a.Bottom - h}, {a.Left + 2 * h - 2, a.Bottom - h}};
    canvas->GetPen()->SetColor(vcl::clBtnShadow);
    canvas->GetPen()->SetStyle(vcl::psSolid);
    canvas->GetBrush()->SetStyle(vcl::bsSolid);
    canvas->GetBrush()->SetColor(vcl::clBtnShadow);
    canvas->Polygon(points);
}

void TFcCustomListView::DrawHeaderSection(const win::DRAWITEMSTRUCT& dis) {
    const int32_t column = int32_t(dis.itemID);
    const TRect section = dis.rcItem;
    win::HDC dc = dis.hDC;
    const int saved = win::SaveDC(dc);
    vcl::ScopeExit restored([dc, saved]() noexcept { win::RestoreDC(dc, saved); });
    vcl::TCanvasDCScope lent(FHeaderCanvas.get(), dc);
    vcl::TCanvas* canvas = FHeaderCanvas.get();
    canvas->SetFont(GetFont());
    TThemeServices* themes = GetThemeServices();
    const bool themed = themes->ThemesEnabled();
    TRect t = section;
    if (!themed) {
        canvas->GetBrush()->SetStyle(vcl::bsSolid);
        canvas->GetBrush()->SetColor(vcl::clBtnFace);
        canvas->FillRect(section);
        t = ListViewShrunk(section, 2);
    }
    if (!FHeaderDefaultDrawing)
        return;
    if (themed) {
        const bool hot = column == FHotSection;
        const int detail = hot ? (FHeaderPressed ? thHeaderItemPressed : thHeaderItemHot) : thHeaderItemNormal;
        themes->PaintElement(dc, themes->DetailsForHeader(detail), section);
        t = ListViewShrunk(section, 2);
    }
    t.Left += 4;
    t.Right -= 4;
    win::IntersectClipRect(dc, section.Left, section.Top, section.Right, section.Bottom);

    char buffer[256] = {};
    win::HDITEM item;
    item.mask = win::HDI_FORMAT | win::HDI_TEXT;
    item.pszText = buffer;
    item.cchTextMax = 255; // up to 254 characters
    win::SendMessage(dis.hwndItem, win::HDM_GETITEM, win::WPARAM(column), reinterpret_cast<win::LPARAM>(&item));
    const std::string text = buffer;
    const int justify = item.fmt & win::HDF_JUSTIFYMASK;
    const bool sorted = column == FSortColumn;

    auto drawCaption = [&](TRect r) {
        vcl::TCustomImageList* images = GetSmallImages();
        const int32_t image = column < GetColumns()->GetCount() ? Column(column)->GetImageIndex() : -1;
        if (image != -1 && images) {
            images->Draw(canvas, r.Left, r.Top, image);
            r.Left += images->GetWidth() + 4;
        }
        win::SelectObject(dc, win::ToGdiObj(canvas->GetFont()->GetHandle()));
        win::SetTextColor(dc, win::COLORREF(vcl::ColorToRGB(vcl::clBtnText)));
        if (themed) {
            win::SetBkMode(dc, win::TRANSPARENT);
        } else {
            win::SetBkMode(dc, win::OPAQUE);
            win::SetBkColor(dc, win::COLORREF(vcl::ColorToRGB(vcl::clBtnFace)));
        }
        const win::UINT align = justify == win::HDF_RIGHT    ? win::DT_RIGHT
                                : justify == win::HDF_CENTER ? win::DT_CENTER
                                                             : win::DT_LEFT;
        win::DrawText(dc, text.c_str(), -1, &r,
                      align | win::DT_SINGLELINE | win::DT_END_ELLIPSIS | win::DT_VCENTER | win::DT_NOPREFIX);
        return r;
    };
    auto atRightEnd = [](TRect a, int32_t right) {
        const int32_t w = a.Width();
        a.Right = right - 5;
        a.Left = a.Right - w;
        return a;
    };

    switch (FHeaderSortDisplayMode) {
    case hsdmLeftAlign:
        if (sorted && section.Width() > 15) {
            const TRect a = SortArrowRect(t);
            DrawSortArrow(canvas, a, column);
            t.Left = a.Right + 5;
        }
        break;
    case hsdmRightAlign: {
        const TRect a = atRightEnd(SortArrowRect(t), t.Right);
        DrawSortArrow(canvas, a, column);
        if (sorted)
            t.Right = a.Left - 5;
        break;
    }
    case hsdmRightOfText:
        if (justify == win::HDF_LEFT) {
            const TRect r = drawCaption(t);
            const int32_t textWidth = std::min(canvas->TextWidth(text), std::max(0, r.Width()));
            TRect a = SortArrowRect(t);
            const int32_t w = a.Width();
            a.Left = r.Left + textWidth + 5;
            a.Right = a.Left + w;
            DrawSortArrow(canvas, a, column);
            return;
        }
        if (sorted) {
            // The arrow is as high as the text.
            TRect textHigh = t;
            textHigh.Bottom = t.Top + canvas->TextHeight(text.empty() ? std::string("Wg") : text);
            const TRect a = atRightEnd(SortArrowRect(textHigh), t.Right);
            DrawSortArrow(canvas, a, column);
            if (justify == win::HDF_RIGHT) {
                t.Right = a.Left - 5;
            } else {
                t.Left += a.Width() + 5;
                t.Right -= a.Width() + 5;
            }
        }
        break;
    case hsdmNone:
        break;
    }
    drawCaption(t);
}

// ---- Messages --------------------------------------------------------------------------------------------

bool TFcCustomListView::ListNotify(vcl::TMessage& m) {
    auto* hdr = reinterpret_cast<win::NMHDR*>(m.LParam);
    auto alive = FAlive;
    switch (hdr->code) {
    case win::LVN_ITEMCHANGING:
    case win::LVN_ITEMCHANGED: {
        vcl::TCustomListView::Dispatch(m);
        if (!*alive)
            return true;
        auto* nm = reinterpret_cast<win::NMLISTVIEW*>(hdr);
        if (!GetCheckboxes() || FRecreating || !(nm->uChanged & win::LVIF_STATE) ||
            !((nm->uOldState ^ nm->uNewState) & win::LVIS_STATEIMAGEMASK))
            return true;
        const win::UINT image = nm->uNewState & win::LVIS_STATEIMAGEMASK;
        if (image != ListViewStateChecked && image != ListViewStateUnchecked)
            return true;
        vcl::TListItem* item = ItemOfNative(nm->iItem);
        if (!item)
            return true;
        if (hdr->code == win::LVN_ITEMCHANGING) {
            if (m.Result == 0 && !DoCheckStateChanging(item, image == ListViewStateChecked))
                m.Result = 1;
        } else {
            DoCheckStateChange(item);
        }
        return true;
    }
    case win::NM_RCLICK:
        RightClick();
        if (!*alive)
            return true;
        vcl::TCustomListView::Dispatch(m);
        return true;
    case win::NM_CUSTOMDRAW: {
        if (GetEnabled() || Designing())
            return false;
        // Disabled: every row is drawn on the disabled colour.
        auto* cd = reinterpret_cast<win::NMLVCUSTOMDRAW*>(hdr);
        vcl::TCustomListView::Dispatch(m);
        if (cd->nmcd.dwDrawStage == win::CDDS_PREPAINT) {
            m.Result |= win::CDRF_NOTIFYITEMDRAW;
        } else if (cd->nmcd.dwDrawStage == win::CDDS_ITEMPREPAINT) {
            cd->clrTextBk = win::COLORREF(vcl::ColorToRGB(FFrame.DisabledColor));
        }
        return true;
    }
    default:
        return false;
    }
}

void TFcCustomListView::HandleHeaderNotify(vcl::TMessage& m) {
    auto* hdr = reinterpret_cast<win::NMHDR*>(m.LParam);
    auto alive = FAlive;
    vcl::TCustomListView::Dispatch(m);
    if (!*alive)
        return;
    switch (hdr->code) {
    case win::HDN_ENDTRACK:
    case win::HDN_DIVIDERDBLCLICK:
        FillLastColumn();
        if (hdr->code == win::HDN_ENDTRACK)
            UpdateHeaderFormats();
        break;
    case win::HDN_ITEMCHANGED:
    case win::HDN_BEGINTRACK:
        UpdateHeaderFormats();
        break;
    default:
        break;
    }
}

void TFcCustomListView::Dispatch(vcl::TMessage& m) {
    auto alive = FAlive;
    switch (m.Msg) {
    case vcl::CN_NOTIFY:
        if (!ListNotify(m))
            vcl::TCustomListView::Dispatch(m);
        return;
    case win::WM_NOTIFY: {
        auto* hdr = reinterpret_cast<win::NMHDR*>(m.LParam);
        if (hdr && HandleAllocated() &&
            hdr->hwndFrom == reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0))) {
            HandleHeaderNotify(m);
            return;
        }
        vcl::TCustomListView::Dispatch(m);
        return;
    }
    case win::WM_DRAWITEM: {
        auto* dis = reinterpret_cast<win::DRAWITEMSTRUCT*>(m.LParam);
        if (dis && dis->CtlType == win::ODT_HEADER && HandleAllocated() &&
            dis->hwndItem ==
                reinterpret_cast<win::HWND>(win::SendMessage(GetHandle(), win::LVM_GETHEADER, 0, 0))) {
            DrawHeaderSection(*dis);
            m.Result = 1;
            return;
        }
        vcl::TCustomListView::Dispatch(m);
        return;
    }
    case win::WM_PARENTNOTIFY:
        vcl::TCustomListView::Dispatch(m);
        if (*alive && win::LOWORD(m.WParam) == win::WM_CREATE && !Loading()) {
            auto child = reinterpret_cast<win::HWND>(m.LParam);
            if (win::GetClassNameString(child) == win::WC_HEADER)
                SubclassHeader(child);
        }
        return;
    case ListViewHeaderFormatsMsg:
        UpdateHeaderFormats();
        return;
    case win::LVM_INSERTCOLUMN:
    case win::LVM_SETCOLUMN:
        vcl::TCustomListView::Dispatch(m);
        if (*alive)
            UpdateHeaderFormats();
        return;
    case win::WM_NCPAINT:
        vcl::TCustomListView::Dispatch(m);
        if (*alive)
            PaintFrame();
        return;
    case win::WM_CONTEXTMENU: {
        if (Designing() || FMenuShown || GetSelCount() == 0 || !GetItemFocused())
            return;
        if (m.LParam == win::MAKELPARAM(-1, -1))
            ShowContextMenuAt({0, 0});
        else
            ShowItemContextMenu(ScreenToClient({win::GET_X_LPARAM(m.LParam), win::GET_Y_LPARAM(m.LParam)}));
        return;
    }
    case win::WM_RBUTTONUP:
        if (FMenuShown) {
            // The menu was shown on the press: the release must not show it again.
            vcl::TPopupMenu* menu = GetPopupMenu();
            SetPopupMenu(nullptr);
            vcl::TCustomListView::Dispatch(m);
            if (!*alive)
                return;
            SetPopupMenu(menu);
            FMenuShown = false;
            return;
        }
        vcl::TCustomListView::Dispatch(m);
        return;
    case vcl::CM_MOUSEENTER:
        vcl::TCustomListView::Dispatch(m);
        if (!*alive)
            return;
        MouseEnter();
        if (*alive)
            UpdateFrameState(true, true);
        return;
    case vcl::CM_MOUSELEAVE:
        vcl::TCustomListView::Dispatch(m);
        if (!*alive)
            return;
        if (FHotSection != -1 && GetThemeServices()->ThemesEnabled() && GetViewStyle() == vcl::vsReport)
            SetHotSection(-1);
        MouseLeave();
        if (*alive)
            UpdateFrameState(true, false);
        return;
    case vcl::CM_ENABLEDCHANGED:
        vcl::TCustomListView::Dispatch(m);
        if (*alive)
            UpdateColors();
        return;
    case vcl::CM_COLORCHANGED:
        vcl::TCustomListView::Dispatch(m);
        if (*alive)
            InvalidateFrame();
        return;
    case vcl::CM_SYSCOLORCHANGE:
        vcl::TCustomListView::Dispatch(m);
        if (*alive && HandleAllocated() && (GetColor() & 0x80000000) != 0) {
            const auto rgb = win::LPARAM(vcl::ColorToRGB(GetColor()));
            win::SendMessage(GetHandle(), win::LVM_SETBKCOLOR, 0, rgb);
            win::SendMessage(GetHandle(), win::LVM_SETTEXTBKCOLOR, 0, rgb);
        }
        return;
    default:
        vcl::TCustomListView::Dispatch(m);
    }
}

void TFcCustomListView::MouseMove(vcl::TShiftState shift, int32_t x, int32_t y) {
    vcl::TCustomListView::MouseMove(shift, x, y);
    if (FHotSection != -1 && GetThemeServices()->ThemesEnabled() && GetViewStyle() == vcl::vsReport)
        SetHotSection(-1);
}

} // namespace controls
