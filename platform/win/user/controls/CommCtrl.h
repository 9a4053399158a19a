// The standard and common controls: their class names, styles, messages, notifications and records.
// The window classes are registered by InitCommonControls (the class library calls it on first use).
#pragma once

#include "platform/win/WinTypes.h"
#include "platform/win/user/UserTypes.h"

#include <functional>
#include <string>

namespace win {

// Registers every control class below (once; later calls do nothing).
void InitCommonControls();

// Class names.
constexpr const char* WC_EDIT = "EDIT";
constexpr const char* WC_LISTBOX = "LISTBOX";
constexpr const char* WC_COMBOBOX = "COMBOBOX";
constexpr const char* WC_COMBOLBOX = "ComboLBox"; // the drop-down list of a combo box
constexpr const char* WC_BUTTON = "BUTTON";
constexpr const char* WC_STATIC = "STATIC";
constexpr const char* WC_LISTVIEW = "SysListView32";
constexpr const char* WC_HEADER = "SysHeader32";
constexpr const char* STATUSCLASSNAME = "msctls_statusbar32";
constexpr const char* PROGRESS_CLASS = "msctls_progress32";
constexpr const char* TRACKBAR_CLASS = "msctls_trackbar32";
constexpr const char* UPDOWN_CLASS = "msctls_updown32";
constexpr const char* WC_TABCONTROL = "SysTabControl32";

// The text clipboard the edit controls cut, copy and paste through. The window system has no clipboard
// of its own: the layer that owns it installs these (the class library does); without them cut, copy and
// paste do nothing.
struct EditClipboard {
    std::function<bool(const std::string&)> SetText;
    std::function<bool(std::string*)> GetText;
};
void SetEditClipboard(EditClipboard clipboard);

// Notification header and owner-draw records.
struct NMHDR {
    HWND hwndFrom = nullptr;
    UINT_PTR idFrom = 0;
    UINT code = 0;
};

constexpr UINT ODT_MENU = 1, ODT_LISTBOX = 2, ODT_COMBOBOX = 3, ODT_BUTTON = 4, ODT_STATIC = 5,
               ODT_HEADER = 100, ODT_LISTVIEW = 102;
constexpr UINT ODA_DRAWENTIRE = 1, ODA_SELECT = 2, ODA_FOCUS = 4;
constexpr UINT ODS_SELECTED = 0x1, ODS_GRAYED = 0x2, ODS_DISABLED = 0x4, ODS_CHECKED = 0x8, ODS_FOCUS = 0x10,
               ODS_DEFAULT = 0x20, ODS_HOTLIGHT = 0x40, ODS_NOACCEL = 0x100, ODS_NOFOCUSRECT = 0x200,
               ODS_COMBOBOXEDIT = 0x1000;

struct DRAWITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemAction = 0;
    UINT itemState = 0;
    HWND hwndItem = nullptr;
    HDC hDC = nullptr;
    TRect rcItem;
    UINT_PTR itemData = 0;
};

struct MEASUREITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    UINT itemWidth = 0;
    UINT itemHeight = 0;
    UINT_PTR itemData = 0;
};

struct DELETEITEMSTRUCT {
    UINT CtlType = 0;
    UINT CtlID = 0;
    UINT itemID = 0;
    HWND hwndItem = nullptr;
    UINT_PTR itemData = 0;
};

// Common notification codes.
constexpr UINT NM_CLICK = UINT(-2), NM_DBLCLK = UINT(-3), NM_RETURN = UINT(-4), NM_RCLICK = UINT(-5),
               NM_RDBLCLK = UINT(-6), NM_SETFOCUS = UINT(-7), NM_KILLFOCUS = UINT(-8),
               NM_CUSTOMDRAW = UINT(-12);

// ---- Edit ----
constexpr DWORD ES_LEFT = 0x0, ES_CENTER = 0x1, ES_RIGHT = 0x2, ES_MULTILINE = 0x4, ES_UPPERCASE = 0x8,
                ES_LOWERCASE = 0x10, ES_PASSWORD = 0x20, ES_AUTOVSCROLL = 0x40, ES_AUTOHSCROLL = 0x80,
                ES_NOHIDESEL = 0x100, ES_READONLY = 0x800, ES_WANTRETURN = 0x1000, ES_NUMBER = 0x2000;
constexpr UINT EM_GETSEL = 0xB0, EM_SETSEL = 0xB1, EM_GETRECT = 0xB2, EM_SETRECT = 0xB3, EM_SETRECTNP = 0xB4,
               EM_SCROLL = 0xB5, EM_LINESCROLL = 0xB6, EM_SCROLLCARET = 0xB7, EM_GETMODIFY = 0xB8,
               EM_SETMODIFY = 0xB9, EM_GETLINECOUNT = 0xBA, EM_LINEINDEX = 0xBB, EM_LINELENGTH = 0xC1,
               EM_REPLACESEL = 0xC2, EM_GETLINE = 0xC4, EM_LIMITTEXT = 0xC5, EM_CANUNDO = 0xC6,
               EM_UNDO = 0xC7, EM_LINEFROMCHAR = 0xC9, EM_SETPASSWORDCHAR = 0xCC, EM_EMPTYUNDOBUFFER = 0xCD,
               EM_GETFIRSTVISIBLELINE = 0xCE, EM_SETREADONLY = 0xCF, EM_GETPASSWORDCHAR = 0xD2,
               EM_SETMARGINS = 0xD3, EM_GETMARGINS = 0xD4, EM_GETLIMITTEXT = 0xD5, EM_POSFROMCHAR = 0xD6,
               EM_CHARFROMPOS = 0xD7;
constexpr UINT EM_SETLIMITTEXT = EM_LIMITTEXT;
constexpr WORD EN_SETFOCUS = 0x100, EN_KILLFOCUS = 0x200, EN_CHANGE = 0x300, EN_UPDATE = 0x400,
               EN_MAXTEXT = 0x501, EN_HSCROLL = 0x601, EN_VSCROLL = 0x602;
constexpr WPARAM EC_LEFTMARGIN = 0x1, EC_RIGHTMARGIN = 0x2, EC_USEFONTINFO = 0xFFFF;
// The longest text an edit takes when no limit was set.
constexpr int EDIT_DEFAULT_LIMIT = 0x7FFFFFFE;

// ---- List box ----
constexpr DWORD LBS_NOTIFY = 0x1, LBS_SORT = 0x2, LBS_NOREDRAW = 0x4, LBS_MULTIPLESEL = 0x8,
                LBS_OWNERDRAWFIXED = 0x10, LBS_OWNERDRAWVARIABLE = 0x20, LBS_HASSTRINGS = 0x40,
                LBS_USETABSTOPS = 0x80, LBS_NOINTEGRALHEIGHT = 0x100, LBS_MULTICOLUMN = 0x200,
                LBS_WANTKEYBOARDINPUT = 0x400, LBS_EXTENDEDSEL = 0x800, LBS_DISABLENOSCROLL = 0x1000,
                LBS_NOSEL = 0x4000, LBS_COMBOBOX = 0x8000;
constexpr UINT LB_ADDSTRING = 0x180, LB_INSERTSTRING = 0x181, LB_DELETESTRING = 0x182,
               LB_RESETCONTENT = 0x184, LB_SETSEL = 0x185, LB_SETCURSEL = 0x186, LB_GETSEL = 0x187,
               LB_GETCURSEL = 0x188, LB_GETTEXT = 0x189, LB_GETTEXTLEN = 0x18A, LB_GETCOUNT = 0x18B,
               LB_SELECTSTRING = 0x18C, LB_GETTOPINDEX = 0x18E, LB_FINDSTRING = 0x18F, LB_GETSELCOUNT = 0x190,
               LB_GETSELITEMS = 0x191, LB_SETTABSTOPS = 0x192, LB_GETHORIZONTALEXTENT = 0x193,
               LB_SETHORIZONTALEXTENT = 0x194, LB_SETTOPINDEX = 0x197, LB_GETITEMRECT = 0x198,
               LB_GETITEMDATA = 0x199, LB_SETITEMDATA = 0x19A, LB_SETANCHORINDEX = 0x19C,
               LB_GETANCHORINDEX = 0x19D, LB_SETCARETINDEX = 0x19E, LB_GETCARETINDEX = 0x19F,
               LB_SETITEMHEIGHT = 0x1A0, LB_GETITEMHEIGHT = 0x1A1, LB_FINDSTRINGEXACT = 0x1A2,
               LB_ITEMFROMPOINT = 0x1A9;
constexpr LRESULT LB_OKAY = 0, LB_ERR = -1;
constexpr WORD LBN_SELCHANGE = 1, LBN_DBLCLK = 2, LBN_SELCANCEL = 3, LBN_SETFOCUS = 4, LBN_KILLFOCUS = 5;

// ---- Combo box ----
constexpr DWORD CBS_SIMPLE = 0x1, CBS_DROPDOWN = 0x2, CBS_DROPDOWNLIST = 0x3, CBS_OWNERDRAWFIXED = 0x10,
                CBS_OWNERDRAWVARIABLE = 0x20, CBS_AUTOHSCROLL = 0x40, CBS_SORT = 0x100,
                CBS_HASSTRINGS = 0x200, CBS_NOINTEGRALHEIGHT = 0x400, CBS_UPPERCASE = 0x2000,
                CBS_LOWERCASE = 0x4000;
constexpr UINT CB_GETEDITSEL = 0x140, CB_LIMITTEXT = 0x141, CB_SETEDITSEL = 0x142, CB_ADDSTRING = 0x143,
               CB_DELETESTRING = 0x144, CB_GETCOUNT = 0x146, CB_GETCURSEL = 0x147, CB_GETLBTEXT = 0x148,
               CB_GETLBTEXTLEN = 0x149, CB_INSERTSTRING = 0x14A, CB_RESETCONTENT = 0x14B,
               CB_FINDSTRING = 0x14C, CB_SELECTSTRING = 0x14D, CB_SETCURSEL = 0x14E, CB_SHOWDROPDOWN = 0x14F,
               CB_GETITEMDATA = 0x150, CB_SETITEMDATA = 0x151, CB_GETDROPPEDCONTROLRECT = 0x152,
               CB_SETITEMHEIGHT = 0x153, CB_GETITEMHEIGHT = 0x154, CB_GETDROPPEDSTATE = 0x157,
               CB_FINDSTRINGEXACT = 0x158, CB_GETTOPINDEX = 0x15B, CB_SETTOPINDEX = 0x15C,
               CB_GETDROPPEDWIDTH = 0x15F, CB_SETDROPPEDWIDTH = 0x160;
constexpr LRESULT CB_OKAY = 0, CB_ERR = -1;
constexpr WORD CBN_SELCHANGE = 1, CBN_DBLCLK = 2, CBN_SETFOCUS = 3, CBN_KILLFOCUS = 4, CBN_EDITCHANGE = 5,
               CBN_EDITUPDATE = 6, CBN_DROPDOWN = 7, CBN_CLOSEUP = 8, CBN_SELENDOK = 9, CBN_SELENDCANCEL = 10;
// The ids of a combo box's own children.
constexpr int COMBO_EDIT_ID = 1001;
constexpr int COMBO_LIST_ID = 1000;
// How many items the drop-down list shows before it scrolls.
constexpr UINT CB_SETMINVISIBLE = 0x1701, CB_GETMINVISIBLE = 0x1702;

// ---- Button ----
constexpr DWORD BS_PUSHBUTTON = 0x0, BS_DEFPUSHBUTTON = 0x1, BS_CHECKBOX = 0x2, BS_AUTOCHECKBOX = 0x3,
                BS_RADIOBUTTON = 0x4, BS_3STATE = 0x5, BS_AUTO3STATE = 0x6, BS_GROUPBOX = 0x7,
                BS_AUTORADIOBUTTON = 0x9, BS_OWNERDRAW = 0xB, BS_TYPEMASK = 0xF, BS_LEFTTEXT = 0x20,
                BS_PUSHLIKE = 0x1000, BS_MULTILINE = 0x2000;
constexpr UINT BM_GETCHECK = 0xF0, BM_SETCHECK = 0xF1, BM_GETSTATE = 0xF2, BM_SETSTATE = 0xF3,
               BM_SETSTYLE = 0xF4, BM_CLICK = 0xF5, BM_GETIMAGE = 0xF6, BM_SETIMAGE = 0xF7;
constexpr LRESULT BST_UNCHECKED = 0x0, BST_CHECKED = 0x1, BST_INDETERMINATE = 0x2, BST_PUSHED = 0x4,
                  BST_FOCUS = 0x8;
constexpr WORD BN_CLICKED = 0, BN_DOUBLECLICKED = 5;

// ---- Static ----
constexpr DWORD SS_LEFT = 0x0, SS_CENTER = 0x1, SS_RIGHT = 0x2, SS_ICON = 0x3, SS_BLACKRECT = 0x4,
                SS_GRAYRECT = 0x5, SS_WHITERECT = 0x6, SS_BLACKFRAME = 0x7, SS_SIMPLE = 0xB,
                SS_LEFTNOWORDWRAP = 0xC, SS_OWNERDRAW = 0xD, SS_BITMAP = 0xE, SS_ETCHEDFRAME = 0x12,
                SS_TYPEMASK = 0x1F, SS_NOPREFIX = 0x80, SS_NOTIFY = 0x100, SS_CENTERIMAGE = 0x200,
                SS_SUNKEN = 0x1000;
constexpr UINT STM_SETICON = 0x170, STM_GETICON = 0x171, STM_SETIMAGE = 0x172, STM_GETIMAGE = 0x173;
constexpr WPARAM IMAGE_BITMAP = 0, IMAGE_ICON = 1;
constexpr WORD STN_CLICKED = 0, STN_DBLCLK = 1;

// ---- Header ----
constexpr DWORD HDS_HORZ = 0x0, HDS_BUTTONS = 0x2, HDS_HOTTRACK = 0x4, HDS_HIDDEN = 0x8, HDS_FULLDRAG = 0x80;
constexpr UINT HDM_FIRST = 0x1200;
constexpr UINT HDM_GETITEMCOUNT = HDM_FIRST + 0, HDM_INSERTITEM = HDM_FIRST + 1,
               HDM_DELETEITEM = HDM_FIRST + 2, HDM_GETITEM = HDM_FIRST + 3, HDM_SETITEM = HDM_FIRST + 4,
               HDM_LAYOUT = HDM_FIRST + 5, HDM_HITTEST = HDM_FIRST + 6, HDM_GETITEMRECT = HDM_FIRST + 7;
constexpr UINT HDI_WIDTH = 0x1, HDI_HEIGHT = HDI_WIDTH, HDI_TEXT = 0x2, HDI_FORMAT = 0x4, HDI_LPARAM = 0x8,
               HDI_BITMAP = 0x10, HDI_IMAGE = 0x20, HDI_ORDER = 0x80;
constexpr int HDF_LEFT = 0x0, HDF_RIGHT = 0x1, HDF_CENTER = 0x2, HDF_JUSTIFYMASK = 0x3, HDF_SORTDOWN = 0x200,
              HDF_SORTUP = 0x400, HDF_IMAGE = 0x800, HDF_BITMAP = 0x2000, HDF_STRING = 0x4000,
              HDF_OWNERDRAW = 0x8000;
constexpr UINT HHT_NOWHERE = 0x1, HHT_ONHEADER = 0x2, HHT_ONDIVIDER = 0x4;
constexpr UINT HDN_FIRST = UINT(-300);
constexpr UINT HDN_ITEMCHANGING = HDN_FIRST - 0, HDN_ITEMCHANGED = HDN_FIRST - 1,
               HDN_ITEMCLICK = HDN_FIRST - 2, HDN_ITEMDBLCLICK = HDN_FIRST - 3,
               HDN_DIVIDERDBLCLICK = HDN_FIRST - 5, HDN_BEGINTRACK = HDN_FIRST - 6,
               HDN_ENDTRACK = HDN_FIRST - 7, HDN_TRACK = HDN_FIRST - 8;
// Header texts keep at most this many bytes.
constexpr int HEADER_MAX_TEXT = 254;

struct HDITEM {
    UINT mask = 0;
    int cxy = 0;
    char* pszText = nullptr;
    HBITMAP hbm = nullptr;
    int cchTextMax = 0;
    int fmt = 0;
    LPARAM lParam = 0;
    int iImage = 0;
    int iOrder = 0;
};
struct HDHITTESTINFO {
    TPoint pt;
    UINT flags = 0;
    int iItem = -1;
};
struct HDLAYOUT {
    TRect* prc = nullptr;
    WINDOWPOS* pwpos = nullptr;
};
struct NMHEADER {
    NMHDR hdr;
    int iItem = -1;
    int iButton = 0;
    HDITEM* pitem = nullptr;
};

// ---- List view ----
constexpr DWORD LVS_ICON = 0x0, LVS_REPORT = 0x1, LVS_SMALLICON = 0x2, LVS_LIST = 0x3, LVS_TYPEMASK = 0x3,
                LVS_SINGLESEL = 0x4, LVS_SHOWSELALWAYS = 0x8, LVS_SORTASCENDING = 0x10,
                LVS_SORTDESCENDING = 0x20, LVS_SHAREIMAGELISTS = 0x40, LVS_NOLABELWRAP = 0x80,
                LVS_AUTOARRANGE = 0x100, LVS_EDITLABELS = 0x200, LVS_OWNERDATA = 0x1000,
                LVS_NOSCROLL = 0x2000, LVS_NOCOLUMNHEADER = 0x4000, LVS_NOSORTHEADER = 0x8000;
constexpr DWORD LVS_EX_GRIDLINES = 0x1, LVS_EX_CHECKBOXES = 0x4, LVS_EX_FULLROWSELECT = 0x20;
constexpr UINT LVM_FIRST = 0x1000;
constexpr UINT LVM_GETBKCOLOR = LVM_FIRST + 0, LVM_SETBKCOLOR = LVM_FIRST + 1,
               LVM_GETIMAGELIST = LVM_FIRST + 2, LVM_SETIMAGELIST = LVM_FIRST + 3,
               LVM_GETITEMCOUNT = LVM_FIRST + 4, LVM_GETITEM = LVM_FIRST + 5, LVM_SETITEM = LVM_FIRST + 6,
               LVM_INSERTITEM = LVM_FIRST + 7, LVM_DELETEITEM = LVM_FIRST + 8,
               LVM_DELETEALLITEMS = LVM_FIRST + 9, LVM_GETNEXTITEM = LVM_FIRST + 12,
               LVM_GETITEMRECT = LVM_FIRST + 14, LVM_HITTEST = LVM_FIRST + 18,
               LVM_ENSUREVISIBLE = LVM_FIRST + 19, LVM_SCROLL = LVM_FIRST + 20,
               LVM_REDRAWITEMS = LVM_FIRST + 21, LVM_EDITLABEL = LVM_FIRST + 23,
               LVM_GETEDITCONTROL = LVM_FIRST + 24, LVM_GETCOLUMN = LVM_FIRST + 25,
               LVM_SETCOLUMN = LVM_FIRST + 26, LVM_INSERTCOLUMN = LVM_FIRST + 27,
               LVM_DELETECOLUMN = LVM_FIRST + 28, LVM_GETCOLUMNWIDTH = LVM_FIRST + 29,
               LVM_SETCOLUMNWIDTH = LVM_FIRST + 30, LVM_GETHEADER = LVM_FIRST + 31,
               LVM_GETTEXTCOLOR = LVM_FIRST + 35, LVM_SETTEXTCOLOR = LVM_FIRST + 36,
               LVM_GETTEXTBKCOLOR = LVM_FIRST + 37, LVM_SETTEXTBKCOLOR = LVM_FIRST + 38,
               LVM_GETTOPINDEX = LVM_FIRST + 39, LVM_GETCOUNTPERPAGE = LVM_FIRST + 40,
               LVM_UPDATE = LVM_FIRST + 42, LVM_SETITEMSTATE = LVM_FIRST + 43,
               LVM_GETITEMSTATE = LVM_FIRST + 44, LVM_GETITEMTEXT = LVM_FIRST + 45,
               LVM_SETITEMTEXT = LVM_FIRST + 46, LVM_SORTITEMS = LVM_FIRST + 48,
               LVM_GETSELECTEDCOUNT = LVM_FIRST + 50, LVM_SETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 54,
               LVM_GETEXTENDEDLISTVIEWSTYLE = LVM_FIRST + 55, LVM_GETSUBITEMRECT = LVM_FIRST + 56,
               LVM_SUBITEMHITTEST = LVM_FIRST + 57;
constexpr UINT LVIF_TEXT = 0x1, LVIF_IMAGE = 0x2, LVIF_PARAM = 0x4, LVIF_STATE = 0x8, LVIF_INDENT = 0x10;
constexpr UINT LVIS_FOCUSED = 0x1, LVIS_SELECTED = 0x2, LVIS_CUT = 0x4, LVIS_DROPHILITED = 0x8,
               LVIS_OVERLAYMASK = 0xF00, LVIS_STATEIMAGEMASK = 0xF000;
constexpr UINT INDEXTOSTATEIMAGEMASK(UINT i) {
    return i << 12;
}
constexpr UINT LVNI_ALL = 0x0, LVNI_FOCUSED = 0x1, LVNI_SELECTED = 0x2, LVNI_ABOVE = 0x100,
               LVNI_BELOW = 0x200;
constexpr UINT LVCF_FMT = 0x1, LVCF_WIDTH = 0x2, LVCF_TEXT = 0x4, LVCF_SUBITEM = 0x8, LVCF_IMAGE = 0x10,
               LVCF_ORDER = 0x20;
constexpr int LVCFMT_LEFT = 0x0, LVCFMT_RIGHT = 0x1, LVCFMT_CENTER = 0x2, LVCFMT_JUSTIFYMASK = 0x3,
              LVCFMT_IMAGE = 0x800;
constexpr UINT LVHT_NOWHERE = 0x1, LVHT_ONITEMICON = 0x2, LVHT_ONITEMLABEL = 0x4, LVHT_ONITEMSTATEICON = 0x8,
               LVHT_ONITEM = LVHT_ONITEMICON | LVHT_ONITEMLABEL | LVHT_ONITEMSTATEICON, LVHT_ABOVE = 0x8,
               LVHT_BELOW = 0x10, LVHT_TORIGHT = 0x20, LVHT_TOLEFT = 0x40;
constexpr int LVIR_BOUNDS = 0, LVIR_ICON = 1, LVIR_LABEL = 2, LVIR_SELECTBOUNDS = 3;
constexpr WPARAM LVSIL_NORMAL = 0, LVSIL_SMALL = 1, LVSIL_STATE = 2;
constexpr UINT LVN_FIRST = UINT(-100);
constexpr UINT LVN_ITEMCHANGING = LVN_FIRST - 0, LVN_ITEMCHANGED = LVN_FIRST - 1,
               LVN_INSERTITEM = LVN_FIRST - 2, LVN_DELETEITEM = LVN_FIRST - 3,
               LVN_DELETEALLITEMS = LVN_FIRST - 4, LVN_BEGINLABELEDIT = LVN_FIRST - 5,
               LVN_ENDLABELEDIT = LVN_FIRST - 6, LVN_COLUMNCLICK = LVN_FIRST - 8,
               LVN_BEGINDRAG = LVN_FIRST - 9, LVN_KEYDOWN = LVN_FIRST - 55;
constexpr COLORREF CLR_NONE = 0xFFFFFFFF, CLR_DEFAULT = 0xFF000000;

struct LVITEM {
    UINT mask = 0;
    int iItem = 0;
    int iSubItem = 0;
    UINT state = 0;
    UINT stateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = 0;
    LPARAM lParam = 0;
    int iIndent = 0;
};
// LVN_BEGINLABELEDIT (a non-zero answer keeps the label as it is) and LVN_ENDLABELEDIT (pszText null when
// the edit was cancelled; a non-zero answer takes the new text).
struct NMLVDISPINFO {
    NMHDR hdr;
    LVITEM item;
};
struct LVCOLUMN {
    UINT mask = 0;
    int fmt = 0;
    int cx = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iSubItem = 0;
    int iImage = 0;
    int iOrder = 0;
};
struct LVHITTESTINFO {
    TPoint pt;
    UINT flags = 0;
    int iItem = -1;
    int iSubItem = 0;
};
struct NMLISTVIEW {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    TPoint ptAction;
    LPARAM lParam = 0;
};
// NM_CLICK, NM_DBLCLK and NM_RCLICK of a list view.
struct NMITEMACTIVATE {
    NMHDR hdr;
    int iItem = -1;
    int iSubItem = 0;
    UINT uNewState = 0;
    UINT uOldState = 0;
    UINT uChanged = 0;
    TPoint ptAction;
    LPARAM lParam = 0;
    UINT uKeyFlags = 0;
};
constexpr int LVSCW_AUTOSIZE = -1, LVSCW_AUTOSIZE_USEHEADER = -2;
struct NMLVKEYDOWN {
    NMHDR hdr;
    WORD wVKey = 0;
    UINT flags = 0;
};
// Compares two items' data for LVM_SORTITEMS: negative, zero or positive.
using PFNLVCOMPARE = int (*)(LPARAM a, LPARAM b, LPARAM sortParam);

// Custom draw.
constexpr DWORD CDDS_PREPAINT = 0x1, CDDS_POSTPAINT = 0x2, CDDS_ITEM = 0x10000,
                CDDS_ITEMPREPAINT = CDDS_ITEM | CDDS_PREPAINT,
                CDDS_ITEMPOSTPAINT = CDDS_ITEM | CDDS_POSTPAINT, CDDS_SUBITEM = 0x20000;
constexpr LRESULT CDRF_DODEFAULT = 0x0, CDRF_NEWFONT = 0x2, CDRF_SKIPDEFAULT = 0x4,
                  CDRF_NOTIFYPOSTPAINT = 0x10, CDRF_NOTIFYITEMDRAW = 0x20, CDRF_NOTIFYSUBITEMDRAW = 0x20;
constexpr UINT CDIS_SELECTED = 0x1, CDIS_GRAYED = 0x2, CDIS_DISABLED = 0x4, CDIS_CHECKED = 0x8,
               CDIS_FOCUS = 0x10;
struct NMCUSTOMDRAW {
    NMHDR hdr;
    DWORD dwDrawStage = 0;
    HDC hdc = nullptr;
    TRect rc;
    DWORD_PTR dwItemSpec = 0;
    UINT uItemState = 0;
    LPARAM lItemlParam = 0;
};
struct NMLVCUSTOMDRAW {
    NMCUSTOMDRAW nmcd;
    COLORREF clrText = 0;
    COLORREF clrTextBk = 0;
    int iSubItem = 0;
};

// ---- Status bar ----
constexpr DWORD SBARS_SIZEGRIP = 0x100, CCS_TOP = 0x1, CCS_BOTTOM = 0x3, CCS_NORESIZE = 0x4,
                CCS_NOPARENTALIGN = 0x8;
constexpr UINT SB_SETTEXT = 0x401, SB_GETTEXT = 0x402, SB_GETTEXTLENGTH = 0x403, SB_SETPARTS = 0x404,
               SB_GETPARTS = 0x406, SB_GETBORDERS = 0x407, SB_SETMINHEIGHT = 0x408, SB_SIMPLE = 0x409,
               SB_GETRECT = 0x40A, SB_ISSIMPLE = 0x40E;
constexpr WPARAM SBT_NOBORDERS = 0x100, SBT_POPOUT = 0x200, SBT_OWNERDRAW = 0x1000;
constexpr WPARAM SB_SIMPLEID = 0xFF;
// A status bar has at most this many parts.
constexpr int STATUS_MAX_PARTS = 256;

// ---- Progress bar ----
constexpr DWORD PBS_SMOOTH = 0x1, PBS_VERTICAL = 0x4;
constexpr UINT PBM_SETRANGE = 0x401, PBM_SETPOS = 0x402, PBM_DELTAPOS = 0x403, PBM_SETSTEP = 0x404,
               PBM_STEPIT = 0x405, PBM_SETRANGE32 = 0x406, PBM_GETRANGE = 0x407, PBM_GETPOS = 0x408;
struct PBRANGE {
    int iLow = 0;
    int iHigh = 0;
};

// ---- Track bar ----
constexpr DWORD TBS_AUTOTICKS = 0x1, TBS_VERT = 0x2, TBS_HORZ = 0x0, TBS_TOP = 0x4, TBS_BOTTOM = 0x0,
                TBS_LEFT = 0x4, TBS_RIGHT = 0x0, TBS_BOTH = 0x8, TBS_NOTICKS = 0x10,
                TBS_ENABLESELRANGE = 0x20, TBS_FIXEDLENGTH = 0x40, TBS_NOTHUMB = 0x80;
constexpr UINT TBM_GETPOS = 0x400, TBM_GETRANGEMIN = 0x401, TBM_GETRANGEMAX = 0x402, TBM_SETPOS = 0x405,
               TBM_SETRANGE = 0x406, TBM_SETRANGEMIN = 0x407, TBM_SETRANGEMAX = 0x408, TBM_SETTICFREQ = 0x414,
               TBM_SETPAGESIZE = 0x415, TBM_GETPAGESIZE = 0x416, TBM_SETLINESIZE = 0x417,
               TBM_GETLINESIZE = 0x418, TBM_GETTHUMBRECT = 0x419, TBM_GETCHANNELRECT = 0x41A,
               TBM_SETTHUMBLENGTH = 0x41B, TBM_GETTHUMBLENGTH = 0x41C;
constexpr WORD TB_LINEUP = 0, TB_LINEDOWN = 1, TB_PAGEUP = 2, TB_PAGEDOWN = 3, TB_THUMBPOSITION = 4,
               TB_THUMBTRACK = 5, TB_TOP = 6, TB_BOTTOM = 7, TB_ENDTRACK = 8;

// ---- Up-down ----
constexpr DWORD UDS_WRAP = 0x1, UDS_SETBUDDYINT = 0x2, UDS_ALIGNRIGHT = 0x4, UDS_ALIGNLEFT = 0x8,
                UDS_AUTOBUDDY = 0x10, UDS_ARROWKEYS = 0x20, UDS_HORZ = 0x40, UDS_NOTHOUSANDS = 0x80;
constexpr UINT UDM_SETRANGE = 0x465, UDM_GETRANGE = 0x466, UDM_SETPOS = 0x467, UDM_GETPOS = 0x468,
               UDM_SETBUDDY = 0x469, UDM_GETBUDDY = 0x46A, UDM_SETRANGE32 = 0x46F, UDM_GETRANGE32 = 0x470,
               UDM_SETPOS32 = 0x471, UDM_GETPOS32 = 0x472;
// Posted to an up-down control when its buddy window is destroyed (wParam: the old buddy); the control has
// let go of it already. Whoever makes the buddy again hands the new window over with UDM_SETBUDDY.
constexpr UINT UDM_BUDDYDESTROYED = 0x0400 + 0x7F2;
constexpr UINT UDN_FIRST = UINT(-721);
constexpr UINT UDN_DELTAPOS = UDN_FIRST - 1;
struct NMUPDOWN {
    NMHDR hdr;
    int iPos = 0;
    int iDelta = 0;
};

// ---- Tab control ----
// A row of tabs along the top (TCS_BOTTOM: the bottom) of a raised body. A click or Left/Right asks the
// parent with TCN_SELCHANGING (a non-zero answer keeps the selection), then selects and sends TCN_SELCHANGE;
// TCM_SETCURSEL selects without asking or telling.
constexpr DWORD TCS_BOTTOM = 0x2, TCS_FOCUSNEVER = 0x8000;
constexpr UINT TCM_FIRST = 0x1300;
constexpr UINT TCM_GETITEMCOUNT = TCM_FIRST + 4, TCM_GETITEM = TCM_FIRST + 5, TCM_SETITEM = TCM_FIRST + 6,
               TCM_INSERTITEM = TCM_FIRST + 7, TCM_DELETEITEM = TCM_FIRST + 8,
               TCM_DELETEALLITEMS = TCM_FIRST + 9, TCM_GETITEMRECT = TCM_FIRST + 10,
               TCM_GETCURSEL = TCM_FIRST + 11, TCM_SETCURSEL = TCM_FIRST + 12, TCM_HITTEST = TCM_FIRST + 13,
               TCM_ADJUSTRECT = TCM_FIRST + 40, TCM_GETROWCOUNT = TCM_FIRST + 44;
constexpr UINT TCIF_TEXT = 0x1, TCIF_IMAGE = 0x2, TCIF_PARAM = 0x8;
constexpr UINT TCHT_NOWHERE = 0x1, TCHT_ONITEMICON = 0x2, TCHT_ONITEMLABEL = 0x4,
               TCHT_ONITEM = TCHT_ONITEMICON | TCHT_ONITEMLABEL;
constexpr UINT TCN_FIRST = UINT(-550);
constexpr UINT TCN_SELCHANGE = TCN_FIRST - 1, TCN_SELCHANGING = TCN_FIRST - 2;
struct TCITEM {
    UINT mask = 0;
    DWORD dwState = 0;
    DWORD dwStateMask = 0;
    char* pszText = nullptr;
    int cchTextMax = 0;
    int iImage = -1;
    LPARAM lParam = 0;
};
struct TCHITTESTINFO {
    TPoint pt;
    UINT flags = 0;
};

// ---- Image lists ----
// A row of equally sized images, each with a mask of its transparent pixels.
struct IMAGELIST_;
using HIMAGELIST = IMAGELIST_*;
constexpr UINT ILC_MASK = 0x1, ILC_COLOR = 0x0, ILC_COLORDDB = 0xFE, ILC_COLOR4 = 0x4, ILC_COLOR8 = 0x8,
               ILC_COLOR16 = 0x10, ILC_COLOR24 = 0x18, ILC_COLOR32 = 0x20;
constexpr UINT ILD_NORMAL = 0x0, ILD_TRANSPARENT = 0x1, ILD_MASK = 0x10, ILD_BLEND25 = 0x2, ILD_BLEND50 = 0x4,
               ILD_SELECTED = ILD_BLEND50, ILD_FOCUS = ILD_BLEND25;
HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int initial, int grow);
BOOL ImageList_Destroy(HIMAGELIST list);
int ImageList_GetImageCount(HIMAGELIST list);
BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count);
BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy);
// Changing the size removes every image.
BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy);
COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color);
COLORREF ImageList_GetBkColor(HIMAGELIST list);
// Adds as many images as the bitmap is wide (in image widths); mask pixels that are set (white) are
// transparent. Returns the first new index, or -1.
int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask);
// As ImageList_Add, with the pixels of colour maskColor transparent.
int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor);
BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask);
// Removes an image (-1: all of them).
BOOL ImageList_Remove(HIMAGELIST list, int index);
BOOL ImageList_Copy(HIMAGELIST dst, int dstIndex, HIMAGELIST src, int srcIndex, UINT flags);
BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style);
// back: the colour behind masked pixels (CLR_NONE: transparent, CLR_DEFAULT: the list's); fore: the
// blend colour of ILD_BLEND25/50 (CLR_DEFAULT: the highlight colour).
BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF back,
                      COLORREF fore, UINT style);
// The colour (with the mask's pixels in bk colour) and mask of one image, for the class library.
BOOL ImageList_GetPixels(HIMAGELIST list, int index, COLORREF* colors, BYTE* transparent);

// Drag images: the window system shows no image of its own while dragging (the desktop shows its cursor),
// so these keep their state and succeed; ImageList_GetDragImage gives no list.
BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int hotX, int hotY);
void ImageList_EndDrag();
BOOL ImageList_DragEnter(HWND lock, int x, int y);
BOOL ImageList_DragLeave(HWND lock);
BOOL ImageList_DragMove(int x, int y);
BOOL ImageList_DragShowNolock(BOOL show);
BOOL ImageList_SetDragCursorImage(HIMAGELIST list, int index, int hotX, int hotY);
HIMAGELIST ImageList_GetDragImage(TPoint* pos, TPoint* hotspot);
// Whether a drag image is shown now (for tests and the hiding during painting).
bool ImageList_DragShowing();

} // namespace win
