// The window procedures of the edit, list box, combo box and list view as tables: each step sends one
// message to a fresh control and names the answer and the notifications its parent hears.
#include "ControlsTestSupport.h"

#include <cstring>
#include <ostream>

using namespace controlstest;

namespace {

// One notification as the parent hears it: WM_COMMAND with its code, or WM_NOTIFY with its code and item.
struct ProcNote {
    UINT Message;
    UINT Code;
    int Item = -1;
    bool operator==(const ProcNote&) const = default;
};
ProcNote Cmd(UINT code) {
    return {WM_COMMAND, code};
}
ProcNote Ntf(UINT code, int item = -1) {
    return {WM_NOTIFY, code, item};
}
void PrintTo(const ProcNote& n, std::ostream* os) {
    *os << (n.Message == WM_COMMAND ? "WM_COMMAND " : "WM_NOTIFY ") << int(int16_t(n.Code)) << " item "
        << n.Item;
}

// What a step passes as lParam: a number, a string, a buffer the answer's text goes into, or a record.
enum class Arg { Value, Text, OutText, Item, Column, Point };

struct ProcStep {
    UINT Message;
    WPARAM WParam;
    LPARAM LParam;
    LRESULT Result;
    std::vector<ProcNote> Notes;
    Arg Kind = Arg::Value;
    const char* Text = nullptr; // Arg::Text: the string sent; Arg::OutText: the text expected back
};

struct ProcCase {
    const char* Name;
    const char* Class;
    DWORD Style;
    std::vector<ProcStep> Steps;
};

constexpr LPARAM Xy(int x, int y) {
    return LPARAM(MAKELPARAM(x, y));
}

std::vector<ProcCase> ProcCases() {
    return {
        {"edit",
         WC_EDIT,
         ES_AUTOHSCROLL,
         {
             {WM_GETDLGCODE, 0, 0, DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS, {}},
             {WM_ERASEBKGND, 0, 0, 1, {}},
             {WM_SETTEXT, 0, 0, TRUE, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}, Arg::Text, "hello world"},
             {WM_GETTEXTLENGTH, 0, 0, 11, {}},
             {EM_SETSEL, 0, 5, 0, {}},
             {EM_GETSEL, 0, 0, MAKELRESULT(0, 5), {}},
             {EM_REPLACESEL, TRUE, 0, 0, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}, Arg::Text, "HELLO"},
             {EM_CANUNDO, 0, 0, TRUE, {}},
             {EM_GETMODIFY, 0, 0, TRUE, {}},
             {WM_GETTEXT, 32, 0, 11, {}, Arg::OutText, "HELLO world"},
             {WM_SETFOCUS, 0, 0, 0, {Cmd(EN_SETFOCUS)}},
             {WM_KEYDOWN, VK_HOME, 0, 0, {}},
             {WM_CHAR, 'x', 0, 0, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}},
             {WM_KEYDOWN, VK_END, 0, 0, {}},
             {EM_GETSEL, 0, 0, MAKELRESULT(12, 12), {}},
             {WM_CHAR, 8, 0, 0, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}},
             {WM_GETTEXT, 32, 0, 11, {}, Arg::OutText, "xHELLO worl"},
             {EM_LIMITTEXT, 11, 0, 0, {}},
             {WM_CHAR, 'y', 0, 0, {Cmd(EN_MAXTEXT)}},
             {EM_UNDO, 0, 0, TRUE, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}},
             {EM_GETLINECOUNT, 0, 0, 1, {}},
             {EM_SETREADONLY, TRUE, 0, TRUE, {}},
             {WM_CHAR, 'z', 0, 0, {}},
             {WM_KILLFOCUS, 0, 0, 0, {Cmd(EN_KILLFOCUS)}},
         }},
        {"multi-line edit",
         WC_EDIT,
         ES_MULTILINE | ES_WANTRETURN | WS_VSCROLL,
         {
             {WM_GETDLGCODE, 0, 0, DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS | DLGC_WANTALLKEYS, {}},
             {WM_SETTEXT, 0, 0, TRUE, {Cmd(EN_UPDATE), Cmd(EN_CHANGE)}, Arg::Text, "one\r\ntwo\r\nthree"},
             {EM_GETLINECOUNT, 0, 0, 3, {}},
             // Lines end in one character inside the control.
             {EM_LINEINDEX, 2, 0, 8, {}},
             {EM_LINEFROMCHAR, 6, 0, 1, {}},
             {EM_LINELENGTH, 10, 0, 5, {}},
             {EM_LINESCROLL, 0, 1, TRUE, {}},
             {EM_GETFIRSTVISIBLELINE, 0, 0, 1, {}},
         }},
        {"list box",
         WC_LISTBOX,
         LBS_NOTIFY | LBS_SORT | WS_VSCROLL,
         {
             {WM_GETDLGCODE, 0, 0, DLGC_WANTARROWS | DLGC_WANTCHARS, {}},
             {LB_ADDSTRING, 0, 0, 0, {}, Arg::Text, "pear"},
             {LB_ADDSTRING, 0, 0, 0, {}, Arg::Text, "apple"},
             {LB_ADDSTRING, 0, 0, 2, {}, Arg::Text, "plum"},
             {LB_INSERTSTRING, 1, 0, 1, {}, Arg::Text, "fig"},
             {LB_GETCOUNT, 0, 0, 4, {}},
             {LB_GETTEXT, 1, 0, 3, {}, Arg::OutText, "fig"},
             {LB_GETTEXTLEN, 3, 0, 4, {}},
             {LB_GETTEXTLEN, 9, 0, LB_ERR, {}},
             {LB_FINDSTRING, WPARAM(-1), 0, 3, {}, Arg::Text, "PL"},
             {LB_FINDSTRINGEXACT, WPARAM(-1), 0, LB_ERR, {}, Arg::Text, "pl"},
             {LB_SETITEMDATA, 2, 42, 0, {}},
             {LB_GETITEMDATA, 2, 0, 42, {}},
             {LB_GETCURSEL, 0, 0, LB_ERR, {}},
             {LB_SETCURSEL, 0, 0, 0, {}},
             {WM_SETFOCUS, 0, 0, 0, {Cmd(LBN_SETFOCUS)}},
             {WM_KEYDOWN, VK_DOWN, 0, 0, {Cmd(LBN_SELCHANGE)}},
             {WM_KEYDOWN, VK_END, 0, 0, {Cmd(LBN_SELCHANGE)}},
             {LB_GETCURSEL, 0, 0, 3, {}},
             {WM_CHAR, 'a', 0, 0, {Cmd(LBN_SELCHANGE)}},
             {LB_GETCURSEL, 0, 0, 0, {}},
             // A click takes the focus; the item under it is already the selected one.
             {WM_LBUTTONDOWN, MK_LBUTTON, Xy(5, 1), 0, {Cmd(LBN_SETFOCUS)}, Arg::Point, nullptr},
             {WM_LBUTTONUP, 0, Xy(5, 1), 0, {}, Arg::Point, nullptr},
             {WM_LBUTTONDBLCLK, MK_LBUTTON, Xy(5, 1), 0, {Cmd(LBN_DBLCLK)}, Arg::Point, nullptr},
             {LB_DELETESTRING, 0, 0, 3, {}},
             {LB_DELETESTRING, 9, 0, LB_ERR, {}},
             {LB_SETCURSEL, 7, 0, LB_ERR, {}},
             {WM_KILLFOCUS, 0, 0, 0, {Cmd(LBN_KILLFOCUS)}},
             {LB_RESETCONTENT, 0, 0, 0, {}},
             {LB_GETCOUNT, 0, 0, 0, {}},
         }},
        {"drop-down list combo box",
         WC_COMBOBOX,
         CBS_DROPDOWNLIST,
         {
             {CB_ADDSTRING, 0, 0, 0, {}, Arg::Text, "red"},
             {CB_ADDSTRING, 0, 0, 1, {}, Arg::Text, "green"},
             {CB_ADDSTRING, 0, 0, 2, {}, Arg::Text, "blue"},
             {CB_GETCOUNT, 0, 0, 3, {}},
             {CB_GETCURSEL, 0, 0, CB_ERR, {}},
             {CB_SETCURSEL, 1, 0, 1, {}},
             {WM_GETTEXT, 32, 0, 5, {}, Arg::OutText, "green"},
             {CB_GETLBTEXT, 2, 0, 4, {}, Arg::OutText, "blue"},
             {CB_GETLBTEXTLEN, 0, 0, 3, {}},
             {CB_FINDSTRINGEXACT, WPARAM(-1), 0, 2, {}, Arg::Text, "BLUE"},
             {CB_SELECTSTRING, WPARAM(-1), 0, 0, {}, Arg::Text, "r"},
             {CB_SETITEMDATA, 0, 7, 0, {}},
             {CB_GETITEMDATA, 0, 0, 7, {}},
             {WM_SETFOCUS, 0, 0, 0, {Cmd(CBN_SETFOCUS)}},
             {WM_KEYDOWN, VK_DOWN, 0, 0, {Cmd(CBN_SELCHANGE)}},
             {CB_GETCURSEL, 0, 0, 1, {}},
             {CB_GETDROPPEDSTATE, 0, 0, FALSE, {}},
             {CB_SHOWDROPDOWN, TRUE, 0, TRUE, {Cmd(CBN_DROPDOWN)}},
             {CB_GETDROPPEDSTATE, 0, 0, TRUE, {}},
             {CB_SHOWDROPDOWN, FALSE, 0, TRUE, {Cmd(CBN_SELENDCANCEL), Cmd(CBN_CLOSEUP)}},
             {CB_GETDROPPEDSTATE, 0, 0, FALSE, {}},
             {CB_SETCURSEL, 9, 0, CB_ERR, {}},
             {CB_GETCURSEL, 0, 0, CB_ERR, {}},
             {CB_DELETESTRING, 0, 0, 2, {}},
             {WM_KILLFOCUS, 0, 0, 0, {Cmd(CBN_KILLFOCUS)}},
             {CB_RESETCONTENT, 0, 0, CB_OKAY, {}},
             {CB_GETCOUNT, 0, 0, 0, {}},
         }},
        {"drop-down combo box",
         WC_COMBOBOX,
         CBS_DROPDOWN,
         {
             {CB_ADDSTRING, 0, 0, 0, {}, Arg::Text, "alpha"},
             {CB_ADDSTRING, 0, 0, 1, {}, Arg::Text, "beta"},
             {WM_SETTEXT, 0, 0, TRUE, {}, Arg::Text, "gamma"},
             {WM_GETTEXTLENGTH, 0, 0, 5, {}},
             {CB_SETEDITSEL, 0, Xy(1, 3), TRUE, {}},
             {CB_GETEDITSEL, 0, 0, MAKELRESULT(1, 3), {}},
             {CB_SETCURSEL, 1, 0, 1, {}},
             {WM_GETTEXT, 32, 0, 4, {}, Arg::OutText, "beta"},
         }},
        {"report list view",
         WC_LISTVIEW,
         LVS_REPORT | LVS_SHOWSELALWAYS,
         {
             {WM_GETDLGCODE, 0, 0, DLGC_WANTARROWS | DLGC_WANTCHARS, {}},
             {WM_ERASEBKGND, 0, 0, 1, {}},
             {LVM_INSERTCOLUMN, 0, 0, 0, {}, Arg::Column, "Name"},
             {LVM_INSERTCOLUMN, 1, 0, 1, {}, Arg::Column, "Size"},
             {LVM_GETCOLUMNWIDTH, 0, 0, 80, {}},
             {LVM_INSERTITEM, 0, 0, 0, {Ntf(LVN_INSERTITEM, 0)}, Arg::Item, "a.gif"},
             {LVM_INSERTITEM, 0, 0, 1, {Ntf(LVN_INSERTITEM, 1)}, Arg::Item, "b.gif"},
             {LVM_INSERTITEM, 0, 0, 2, {Ntf(LVN_INSERTITEM, 2)}, Arg::Item, "c.gif"},
             {LVM_GETITEMCOUNT, 0, 0, 3, {}},
             {LVM_GETITEMTEXT, 1, 0, 5, {}, Arg::OutText, "b.gif"},
             {LVM_SETITEMSTATE,
              1,
              0,
              TRUE,
              {Ntf(LVN_ITEMCHANGING, 1), Ntf(LVN_ITEMCHANGED, 1)},
              Arg::Item,
              "select"},
             {LVM_GETITEMSTATE, 1, LVIS_SELECTED | LVIS_FOCUSED, LVIS_SELECTED | LVIS_FOCUSED, {}},
             {LVM_GETSELECTEDCOUNT, 0, 0, 1, {}},
             {LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED, 1, {}},
             {WM_SETFOCUS, 0, 0, 0, {Ntf(NM_SETFOCUS)}},
             {WM_KEYDOWN,
              VK_DOWN,
              0,
              0,
              // The key first; item 1 gives up the focus, then item 2 takes selection and focus, which
              // clears item 1's selection while item 2 changes.
              {Ntf(LVN_KEYDOWN), Ntf(LVN_ITEMCHANGING, 1), Ntf(LVN_ITEMCHANGED, 1), Ntf(LVN_ITEMCHANGING, 2),
               Ntf(LVN_ITEMCHANGING, 1), Ntf(LVN_ITEMCHANGED, 1), Ntf(LVN_ITEMCHANGED, 2)}},
             {LVM_GETNEXTITEM, WPARAM(-1), LVNI_SELECTED, 2, {}},
             {LVM_GETNEXTITEM, WPARAM(-1), LVNI_FOCUSED, 2, {}},
             {LVM_DELETEITEM, 0, 0, TRUE, {Ntf(LVN_DELETEITEM, 0)}},
             {LVM_DELETEITEM, 7, 0, FALSE, {}},
             {LVM_GETITEMCOUNT, 0, 0, 2, {}},
             {LVM_GETTOPINDEX, 0, 0, 0, {}},
             {LVM_SETBKCOLOR, 0, 0x123456, TRUE, {}},
             {LVM_GETBKCOLOR, 0, 0, 0x123456, {}},
             {WM_KILLFOCUS, 0, 0, 0, {Ntf(NM_KILLFOCUS)}},
             // The parent does not decline the per-item notifications, so each item is named as it goes.
             {LVM_DELETEALLITEMS,
              0,
              0,
              TRUE,
              {Ntf(LVN_DELETEALLITEMS), Ntf(LVN_DELETEITEM, 1), Ntf(LVN_DELETEITEM, 0)}},
             {LVM_GETITEMCOUNT, 0, 0, 0, {}},
         }},
    };
}

class ControlProcsTest : public ControlsTest {
protected:
    // Sends one step and answers what came back and what the parent heard.
    LRESULT Send(HWND control, const ProcStep& step, std::string* outText) {
        char buffer[64] = {};
        LVITEM item{};
        LVCOLUMN column{};
        LPARAM lParam = step.LParam;
        switch (step.Kind) {
        case Arg::Value:
        case Arg::Point:
            break;
        case Arg::Text:
            lParam = reinterpret_cast<LPARAM>(step.Text);
            break;
        case Arg::OutText:
            if (step.Message == LVM_GETITEMTEXT) {
                item.pszText = buffer;
                item.cchTextMax = int(sizeof buffer);
                lParam = reinterpret_cast<LPARAM>(&item);
            } else {
                lParam = reinterpret_cast<LPARAM>(buffer);
            }
            break;
        case Arg::Item:
            if (std::strcmp(step.Text, "select") == 0) {
                item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
                item.state = LVIS_SELECTED | LVIS_FOCUSED;
            } else {
                item.mask = LVIF_TEXT;
                item.iItem = 1000; // appended
                item.pszText = const_cast<char*>(step.Text);
            }
            lParam = reinterpret_cast<LPARAM>(&item);
            break;
        case Arg::Column:
            column.mask = LVCF_TEXT | LVCF_WIDTH;
            column.cx = 80;
            column.pszText = const_cast<char*>(step.Text);
            lParam = reinterpret_cast<LPARAM>(&column);
            break;
        }
        LRESULT result = SendMessage(control, step.Message, step.WParam, lParam);
        *outText = buffer;
        return result;
    }
};

TEST_F(ControlProcsTest, EachMessageGetsItsAnswerAndItsNotifications) {
    for (const ProcCase& c : ProcCases()) {
        HWND control = Control(c.Class, c.Style, {10, 10, 210, 160});
        ASSERT_NE(control, nullptr) << c.Name;
        Pump();
        for (size_t i = 0; i < c.Steps.size(); ++i) {
            const ProcStep& step = c.Steps[i];
            SCOPED_TRACE(std::string(c.Name) + ", step " + std::to_string(i) + ", message 0x" + [](UINT m) {
                char hex[16];
                std::snprintf(hex, sizeof hex, "%X", m);
                return std::string(hex);
            }(step.Message));
            Notes.clear();
            std::string text;
            EXPECT_EQ(Send(control, step, &text), step.Result);
            if (step.Kind == Arg::OutText) {
                EXPECT_EQ(text, step.Text);
            }
            std::vector<ProcNote> heard;
            for (const Note& n : Notes) {
                if (n.Message != WM_COMMAND && n.Message != WM_NOTIFY)
                    continue;
                EXPECT_EQ(n.From, control);
                heard.push_back({n.Message, n.Code, n.Message == WM_NOTIFY ? n.Item : -1});
            }
            EXPECT_EQ(heard, step.Notes);
        }
        DestroyWindow(control);
    }
}

} // namespace
