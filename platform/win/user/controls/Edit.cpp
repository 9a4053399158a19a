// The "EDIT" class: single-line and multi-line text entry with a caret, selection by mouse and keys,
// clipboard, one level of undo, read-only and password modes and a length limit.
//
// Positions are byte offsets into the UTF-8 text. A multi-line edit keeps its lines separated by "\n"
// and hands out its text with "\r\n" between lines; what it is given may use either.
#include "platform/win/user/Cursors.h"
#include "platform/win/user/Metrics.h"
#include "platform/win/user/ScrollBars.h"
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace win::ctl {

namespace {

// The lines as laid out: where each starts and where its shown text ends. A hard line ends before its
// "\n"; a soft line (word wrap) ends before the spaces it broke at, and the next one starts after them.
struct EditLineTable {
    std::vector<int> Starts{0};
    std::vector<int> Ends{0};
    int operator[](size_t line) const { return Starts[line]; }
    size_t size() const { return Starts.size(); }
};

struct EditState {
    std::string Text;
    int Anchor = 0; // where the selection started
    int Caret = 0;  // where it ends; the caret stands here
    int Limit = EDIT_DEFAULT_LIMIT;
    char PasswordChar = 0;
    bool Modified = false;
    std::string UndoText;
    int UndoAnchor = 0;
    int UndoCaret = 0;
    bool CanUndo = false;
    bool LastWasTyping = false;
    HFONT Font = nullptr;
    int LeftMargin = 1;
    int RightMargin = 1;
    bool HasRect = false;
    TRect Rect;
    int ScrollX = 0; // pixels scrolled off on the left
    int TopLine = 0; // first visible line
    bool Focused = false;
    int DesiredX = -1; // the column Up and Down keep to
    // The last layout of the lines and what it was made from.
    EditLineTable Layout;
    std::string LayoutText;
    int LayoutWidth = -1; // -1: no word wrap
    HFONT LayoutFont = nullptr;
    bool LayoutValid = false;
};

// One edit window: its text, selection, undo and layout (EditState), and its message handlers.
class EditWindow final : public CaptureTrackingWindow, public EditState {
public:
    explicit EditWindow(HWND hwnd) : CaptureTrackingWindow(hwnd) {}

protected:
    void OnCreate() override;
    void OnSize() override;
    void OnEnable(bool enabled) override;
    void OnPaint(HDC dc) override;
    LRESULT OnGetDlgCode() override;
    void OnSetFocus() override;
    void OnKillFocus() override;
    void OnSetFont(HFONT font, bool redraw) override;
    HFONT OnGetFont() override;
    bool OnKeyDown(WPARAM key) override;
    bool OnChar(WPARAM ch) override;
    bool OnMouseDown(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) override;
    bool OnMouseMove(WPARAM keys, TPoint p) override;
    bool OnScroll(bool vertical, WPARAM request) override;
    bool OnMouseWheel(int delta, WPARAM keys) override;
    std::optional<LRESULT> OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) override;

private:
};

EditState* EditOf(HWND hwnd) {
    return ControlOf<EditWindow>(hwnd);
}
bool EditMulti(HWND hwnd) {
    return (Style(hwnd) & ES_MULTILINE) != 0;
}
bool EditReadOnly(HWND hwnd) {
    return (Style(hwnd) & ES_READONLY) != 0;
}

int EditSelStart(const EditState* s) {
    return std::min(s->Anchor, s->Caret);
}
int EditSelEnd(const EditState* s) {
    return std::max(s->Anchor, s->Caret);
}

bool EditIsCont(char c) {
    return (uint8_t(c) & 0xC0) == 0x80;
}
int EditPrev(const std::string& t, int pos) {
    if (pos <= 0)
        return 0;
    --pos;
    while (pos > 0 && EditIsCont(t[size_t(pos)]))
        --pos;
    return pos;
}
int EditNext(const std::string& t, int pos) {
    int n = int(t.size());
    if (pos >= n)
        return n;
    ++pos;
    while (pos < n && EditIsCont(t[size_t(pos)]))
        ++pos;
    return pos;
}
int EditCharCount(const std::string& t, int from, int to) {
    int count = 0;
    for (int i = from; i < to; ++i)
        if (!EditIsCont(t[size_t(i)]))
            ++count;
    return count;
}
bool EditIsWordChar(char c) {
    return std::isalnum(uint8_t(c)) || c == '_' || (uint8_t(c) & 0x80);
}

// What the edit stores: line breaks as "\n" (multi-line) or the text up to its first line break.
std::string EditNormalize(HWND hwnd, const std::string& in) {
    std::string out;
    out.reserve(in.size());
    bool multi = EditMulti(hwnd);
    for (size_t i = 0; i < in.size(); ++i) {
        char c = in[i];
        if (c == '\r') {
            if (!multi)
                break;
            if (i + 1 < in.size() && in[i + 1] == '\n')
                continue;
            c = '\n';
        }
        if (c == '\n' && !multi)
            break;
        out += c;
    }
    DWORD style = Style(hwnd);
    if (style & ES_UPPERCASE)
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char ch) { return char(std::toupper(uint8_t(ch))); });
    else if (style & ES_LOWERCASE)
        std::transform(out.begin(), out.end(), out.begin(),
                       [](char ch) { return char(std::tolower(uint8_t(ch))); });
    return out;
}

std::string EditExternal(HWND hwnd, const std::string& text) {
    if (!EditMulti(hwnd))
        return text;
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (char c : text) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

// Hard lines only (always at least one line).
EditLineTable EditHardLines(const std::string& text) {
    EditLineTable t;
    t.Ends.clear();
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\n') {
            t.Ends.push_back(int(i));
            t.Starts.push_back(int(i + 1));
        }
    t.Ends.push_back(int(text.size()));
    return t;
}
int EditLineOf(const EditLineTable& lines, int pos) {
    auto it = std::upper_bound(lines.Starts.begin(), lines.Starts.end(), pos);
    return std::max(0, int(it - lines.Starts.begin()) - 1);
}
int EditLineEnd(const EditLineTable& lines, int line) {
    return lines.Ends[size_t(line)];
}

// The text as shown: password characters in place of the characters.
std::string EditShown(const EditState* s, int from, int to) {
    if (!s->PasswordChar)
        return s->Text.substr(size_t(from), size_t(to - from));
    return std::string(size_t(EditCharCount(s->Text, from, to)), s->PasswordChar);
}

TRect EditFormatRect(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    if (s->HasRect)
        return s->Rect;
    TRect r;
    GetClientRect(hwnd, &r);
    return {r.Left + s->LeftMargin, r.Top + (EditMulti(hwnd) ? 0 : 1), r.Right - s->RightMargin, r.Bottom};
}

// Measures with the edit's font on a DC of the window.
class EditDC {
public:
    explicit EditDC(HWND hwnd) : FWnd(hwnd), FDc(GetDC(hwnd)) {
        FOld = SelectObject(FDc, ControlFont(EditOf(hwnd)->Font));
    }
    ~EditDC() {
        SelectObject(FDc, FOld);
        ReleaseDC(FWnd, FDc);
    }
    EditDC(const EditDC&) = delete;
    EditDC& operator=(const EditDC&) = delete;
    HDC Get() const { return FDc; }

private:
    HWND FWnd;
    HDC FDc;
    HGDIOBJ FOld;
};

// Pixel offset of pos from its line's start, and the line's shown width.
int EditXOf(HDC dc, const EditState* s, int lineStart, int pos) {
    return TextWidth(dc, EditShown(s, lineStart, pos));
}

// A multi-line edit without horizontal scrolling breaks its lines at the right edge of its format
// rectangle (a password edit shows one line and never wraps).
bool EditWraps(HWND hwnd) {
    DWORD style = Style(hwnd);
    return (style & ES_MULTILINE) && !(style & (ES_AUTOHSCROLL | WS_HSCROLL)) && !EditOf(hwnd)->PasswordChar;
}

// Breaks the hard line [from, to) into lines no wider than width: after the last space that fits (the
// spaces stay at the end of the line they follow), or inside a word longer than the whole width, never
// leaving a line without at least one character.
void EditWrapLine(HDC dc, const std::string& text, int from, int to, int width, EditLineTable& out) {
    std::vector<int> dx(size_t(std::max(1, to - from)));
    SIZE total{};
    GetTextExtentExPoint(dc, text.data() + from, to - from, 0, nullptr, dx.data(), &total);
    auto extent = [&](int pos) { return pos <= from ? 0 : dx[size_t(pos - from - 1)]; };
    int pos = from;
    while (extent(to) - extent(pos) > width) {
        // The longest run of whole characters that fits.
        int fit = pos;
        while (fit < to) {
            int next = EditNext(text, fit);
            if (next > to || extent(next) - extent(pos) > width)
                break;
            fit = next;
        }
        int lineEnd = fit, nextStart = fit;
        if (text[size_t(fit)] == ' ') {
            // The break falls on spaces: they hang at the end of this line.
            while (nextStart < to && text[size_t(nextStart)] == ' ')
                ++nextStart;
        } else {
            int space = fit - 1;
            while (space > pos && text[size_t(space)] != ' ')
                --space;
            if (space > pos) {
                nextStart = space + 1;
                lineEnd = space;
            } else if (fit == pos) {
                lineEnd = nextStart = EditNext(text, pos);
            }
        }
        while (lineEnd > pos && text[size_t(lineEnd - 1)] == ' ')
            --lineEnd;
        if (nextStart >= to) {
            pos = nextStart;
            break;
        }
        out.Ends.push_back(lineEnd);
        out.Starts.push_back(nextStart);
        pos = nextStart;
    }
    out.Ends.push_back(to);
}

// The lines as the edit lays them out now (made again only when the text, font or width changed).
EditLineTable EditLinesOf(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    int width = EditWraps(hwnd) ? std::max(1, int(EditFormatRect(hwnd).Width())) : -1;
    if (s->LayoutValid && s->LayoutWidth == width && s->LayoutFont == s->Font && s->LayoutText == s->Text)
        return s->Layout;
    EditLineTable lines = EditHardLines(s->Text);
    if (width > 0) {
        EditDC dc(hwnd);
        EditLineTable wrapped;
        wrapped.Starts.clear();
        wrapped.Ends.clear();
        for (size_t i = 0; i < lines.size(); ++i) {
            wrapped.Starts.push_back(lines.Starts[i]);
            EditWrapLine(dc.Get(), s->Text, lines.Starts[i], lines.Ends[i], width, wrapped);
        }
        lines = std::move(wrapped);
    }
    s->Layout = lines;
    s->LayoutText = s->Text;
    s->LayoutWidth = width;
    s->LayoutFont = s->Font;
    s->LayoutValid = true;
    return lines;
}

// Horizontal offset of a line's text inside the format rectangle (centred or right-aligned lines).
int EditAlignOffset(HWND hwnd, HDC dc, const EditState* s, int lineStart, int lineEnd, const TRect& fr) {
    DWORD align = Style(hwnd) & (ES_CENTER | ES_RIGHT);
    if (!align)
        return 0;
    int w = EditXOf(dc, s, lineStart, lineEnd);
    int room = fr.Width() - w;
    if (room <= 0)
        return 0;
    return align == ES_RIGHT ? room : room / 2;
}

int EditCharFromX(HDC dc, const EditState* s, int lineStart, int lineEnd, int x) {
    int best = lineStart;
    int prevX = 0;
    for (int pos = lineStart; pos < lineEnd;) {
        int next = EditNext(s->Text, pos);
        int nx = EditXOf(dc, s, lineStart, next);
        if (x < (prevX + nx) / 2 + ((prevX + nx) % 2))
            return pos;
        best = next;
        prevX = nx;
        pos = next;
    }
    return best;
}

int EditVisibleLines(HWND hwnd, HDC dc) {
    TRect fr = EditFormatRect(hwnd);
    return std::max(1, fr.Height() / LineHeight(dc));
}

void EditUpdateScrollBars(HWND hwnd) {
    if (!EditMulti(hwnd))
        return;
    EditState* s = EditOf(hwnd);
    DWORD style = Style(hwnd);
    EditDC dc(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    if (style & WS_VSCROLL) {
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = int(lines.size()) - 1;
        si.nPage = UINT(EditVisibleLines(hwnd, dc.Get()));
        si.nPos = s->TopLine;
        SetScrollInfo(hwnd, SB_VERT, &si, TRUE);
    }
    if (style & WS_HSCROLL) {
        int widest = 0;
        for (size_t i = 0; i < lines.size(); ++i)
            widest = std::max(widest, EditXOf(dc.Get(), s, lines[i], EditLineEnd(lines, int(i))));
        SCROLLINFO si;
        si.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
        si.nMin = 0;
        si.nMax = widest;
        si.nPage = UINT(std::max(1, int(EditFormatRect(hwnd).Width())));
        si.nPos = s->ScrollX;
        SetScrollInfo(hwnd, SB_HORZ, &si, TRUE);
    }
}

void EditPlaceCaret(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    if (!s->Focused)
        return;
    EditDC dc(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    int line = EditLineOf(lines, s->Caret);
    TRect fr = EditFormatRect(hwnd);
    int start = lines[size_t(line)];
    int x = fr.Left - s->ScrollX + EditAlignOffset(hwnd, dc.Get(), s, start, EditLineEnd(lines, line), fr) +
            EditXOf(dc.Get(), s, start, s->Caret);
    if (EditWraps(hwnd))
        x = std::min(x, int(fr.Right) - 1); // after the spaces a line broke at
    int y = fr.Top + (line - s->TopLine) * LineHeight(dc.Get());
    SetCaretPos(x, y);
}

// Scrolls so that the caret is in view.
void EditScrollToCaret(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    EditDC dc(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    int line = EditLineOf(lines, s->Caret);
    TRect fr = EditFormatRect(hwnd);
    int x = EditXOf(dc.Get(), s, lines[size_t(line)], s->Caret);
    int width = std::max(1, int(fr.Width()));
    int oldX = s->ScrollX, oldTop = s->TopLine;
    if (x < s->ScrollX)
        s->ScrollX = std::max(0, x - width / 4);
    else if (x >= s->ScrollX + width)
        s->ScrollX = x - width + width / 4;
    if (EditWraps(hwnd))
        s->ScrollX = 0; // wrapped lines never need sideways scrolling
    if (!EditMulti(hwnd) && s->ScrollX > 0) {
        // Do not leave empty room on the right when the text fits.
        int total = EditXOf(dc.Get(), s, 0, int(s->Text.size()));
        s->ScrollX = std::max(0, std::min(s->ScrollX, total - width + 1));
        if (x < s->ScrollX)
            s->ScrollX = x;
    }
    if (EditMulti(hwnd)) {
        int visible = EditVisibleLines(hwnd, dc.Get());
        if (line < s->TopLine)
            s->TopLine = line;
        else if (line >= s->TopLine + visible)
            s->TopLine = line - visible + 1;
    }
    if (oldX != s->ScrollX || oldTop != s->TopLine) {
        InvalidateRect(hwnd, nullptr, TRUE);
        EditUpdateScrollBars(hwnd);
    }
    EditPlaceCaret(hwnd);
}

void EditSetSel(HWND hwnd, int anchor, int caret) {
    EditState* s = EditOf(hwnd);
    int n = int(s->Text.size());
    anchor = std::clamp(anchor, 0, n);
    caret = std::clamp(caret, 0, n);
    // Never inside a character.
    while (anchor > 0 && anchor < n && EditIsCont(s->Text[size_t(anchor)]))
        --anchor;
    while (caret > 0 && caret < n && EditIsCont(s->Text[size_t(caret)]))
        --caret;
    if (anchor == s->Anchor && caret == s->Caret)
        return;
    s->Anchor = anchor;
    s->Caret = caret;
    InvalidateRect(hwnd, nullptr, TRUE);
    EditScrollToCaret(hwnd);
}

void EditStoreWindowText(HWND hwnd) {
    std::string ext = EditExternal(hwnd, EditOf(hwnd)->Text);
    DefWindowProc(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(ext.c_str()));
}

void EditChanged(HWND hwnd) {
    EditStoreWindowText(hwnd);
    InvalidateRect(hwnd, nullptr, TRUE);
    EditUpdateScrollBars(hwnd);
    EditScrollToCaret(hwnd);
    NotifyCommand(hwnd, EN_UPDATE);
    NotifyCommand(hwnd, EN_CHANGE);
}

void EditSaveUndo(EditState* s, bool typing) {
    if (typing && s->LastWasTyping && s->CanUndo)
        return; // a run of typing undoes as one
    s->UndoText = s->Text;
    s->UndoAnchor = s->Anchor;
    s->UndoCaret = s->Caret;
    s->CanUndo = true;
    s->LastWasTyping = typing;
}

// Replaces the selection with text (cut to the limit); returns false when nothing could change.
bool EditReplaceSel(HWND hwnd, const std::string& raw, bool undoable, bool typing) {
    EditState* s = EditOf(hwnd);
    std::string text = EditNormalize(hwnd, raw);
    if (Style(hwnd) & ES_NUMBER) {
        std::string digits;
        for (char c : text)
            if (std::isdigit(uint8_t(c)))
                digits += c;
        if (digits.size() != text.size())
            MessageBeep(0);
        text = digits;
    }
    int start = EditSelStart(s), end = EditSelEnd(s);
    int64_t room = int64_t(s->Limit) - (int64_t(s->Text.size()) - (end - start));
    bool cut = false;
    if (int64_t(text.size()) > room) {
        int keep = int(std::max<int64_t>(0, room));
        while (keep > 0 && keep < int(text.size()) && EditIsCont(text[size_t(keep)]))
            --keep;
        text.resize(size_t(keep));
        cut = true;
    }
    if (start == end && text.empty()) {
        if (cut)
            NotifyCommand(hwnd, EN_MAXTEXT);
        return false;
    }
    if (undoable)
        EditSaveUndo(s, typing);
    s->Text.replace(size_t(start), size_t(end - start), text);
    s->Anchor = s->Caret = start + int(text.size());
    s->Modified = true;
    s->DesiredX = -1;
    EditChanged(hwnd);
    if (cut)
        NotifyCommand(hwnd, EN_MAXTEXT);
    return true;
}

void EditCopy(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    // Passwords never leave the control.
    if (s->PasswordChar || EditSelStart(s) == EditSelEnd(s))
        return;
    const EditClipboard& cb = GetEditClipboard();
    if (cb.SetText)
        cb.SetText(EditExternal(
            hwnd, s->Text.substr(size_t(EditSelStart(s)), size_t(EditSelEnd(s) - EditSelStart(s)))));
}

void EditCut(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    if (EditReadOnly(hwnd) || s->PasswordChar || EditSelStart(s) == EditSelEnd(s))
        return;
    EditCopy(hwnd);
    EditReplaceSel(hwnd, "", true, false);
}

void EditPaste(HWND hwnd) {
    if (EditReadOnly(hwnd))
        return;
    const EditClipboard& cb = GetEditClipboard();
    std::string text;
    if (cb.GetText && cb.GetText(&text))
        EditReplaceSel(hwnd, text, true, false);
}

void EditClear(HWND hwnd) {
    if (!EditReadOnly(hwnd))
        EditReplaceSel(hwnd, "", true, false);
}

bool EditUndo(HWND hwnd) {
    EditState* s = EditOf(hwnd);
    if (!s->CanUndo || EditReadOnly(hwnd))
        return false;
    // Undoing twice redoes, as the system's edits do.
    std::swap(s->Text, s->UndoText);
    int a = s->UndoAnchor, c = s->UndoCaret;
    s->UndoAnchor = s->Anchor;
    s->UndoCaret = s->Caret;
    s->Anchor = std::min(a, int(s->Text.size()));
    s->Caret = std::min(c, int(s->Text.size()));
    s->LastWasTyping = false;
    s->Modified = true;
    EditChanged(hwnd);
    return true;
}

int EditWordLeft(const std::string& t, int pos) {
    while (pos > 0 && !EditIsWordChar(t[size_t(pos - 1)]))
        --pos;
    while (pos > 0 && EditIsWordChar(t[size_t(pos - 1)]))
        --pos;
    return pos;
}
int EditWordRight(const std::string& t, int pos) {
    int n = int(t.size());
    while (pos < n && EditIsWordChar(t[size_t(pos)]))
        ++pos;
    while (pos < n && !EditIsWordChar(t[size_t(pos)]) && t[size_t(pos)] != '\n')
        ++pos;
    return pos;
}

// The character position nearest a client point.
int EditPosFromPoint(HWND hwnd, TPoint p) {
    EditState* s = EditOf(hwnd);
    EditDC dc(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    TRect fr = EditFormatRect(hwnd);
    int line = 0;
    if (EditMulti(hwnd)) {
        int y = p.Y - fr.Top;
        line = s->TopLine + (y < 0 ? -1 : y / LineHeight(dc.Get()));
        line = std::clamp(line, 0, int(lines.size()) - 1);
    }
    int start = lines[size_t(line)];
    int end = EditLineEnd(lines, line);
    int x = p.X - fr.Left + s->ScrollX - EditAlignOffset(hwnd, dc.Get(), s, start, end, fr);
    return EditCharFromX(dc.Get(), s, start, end, x);
}

// Up and Down: the same column on the line above or below.
int EditVertical(HWND hwnd, int delta) {
    EditState* s = EditOf(hwnd);
    EditDC dc(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    int line = EditLineOf(lines, s->Caret);
    if (s->DesiredX < 0)
        s->DesiredX = EditXOf(dc.Get(), s, lines[size_t(line)], s->Caret);
    int target = std::clamp(line + delta, 0, int(lines.size()) - 1);
    if (target == line)
        return delta < 0 ? lines[size_t(line)] : EditLineEnd(lines, line);
    return EditCharFromX(dc.Get(), s, lines[size_t(target)], EditLineEnd(lines, target), s->DesiredX);
}

bool EditKeyDown(HWND hwnd, int key) {
    EditState* s = EditOf(hwnd);
    bool shift = KeyDown(VK_SHIFT), ctrl = KeyDown(VK_CONTROL);
    bool multi = EditMulti(hwnd);
    EditLineTable lines = EditLinesOf(hwnd);
    int line = EditLineOf(lines, s->Caret);
    int to = -1;
    bool vertical = false;
    switch (key) {
    case VK_LEFT:
        if (!shift && EditSelStart(s) != EditSelEnd(s))
            to = EditSelStart(s);
        else
            to = ctrl ? EditWordLeft(s->Text, s->Caret) : EditPrev(s->Text, s->Caret);
        break;
    case VK_RIGHT:
        if (!shift && EditSelStart(s) != EditSelEnd(s))
            to = EditSelEnd(s);
        else
            to = ctrl ? EditWordRight(s->Text, s->Caret) : EditNext(s->Text, s->Caret);
        break;
    case VK_HOME:
        to = (ctrl || !multi) ? 0 : lines[size_t(line)];
        break;
    case VK_END:
        to = (ctrl || !multi) ? int(s->Text.size()) : EditLineEnd(lines, line);
        break;
    case VK_UP:
    case VK_DOWN:
    case VK_PRIOR:
    case VK_NEXT: {
        if (!multi)
            return false;
        int page = 1;
        if (key == VK_PRIOR || key == VK_NEXT) {
            EditDC dc(hwnd);
            page = EditVisibleLines(hwnd, dc.Get());
        }
        to = EditVertical(hwnd, (key == VK_UP || key == VK_PRIOR) ? -page : page);
        vertical = true;
        break;
    }
    case VK_DELETE:
        if (shift)
            EditCut(hwnd);
        else if (!EditReadOnly(hwnd)) {
            if (EditSelStart(s) == EditSelEnd(s))
                s->Caret = ctrl ? EditWordRight(s->Text, s->Caret) : EditNext(s->Text, s->Caret);
            EditReplaceSel(hwnd, "", true, false);
        }
        return true;
    case VK_INSERT:
        if (ctrl)
            EditCopy(hwnd);
        else if (shift)
            EditPaste(hwnd);
        return true;
    default:
        return false;
    }
    if (!vertical)
        s->DesiredX = -1;
    s->LastWasTyping = false;
    EditSetSel(hwnd, shift ? s->Anchor : to, to);
    EditScrollToCaret(hwnd);
    return true;
}

void EditChar(HWND hwnd, WPARAM ch) {
    EditState* s = EditOf(hwnd);
    switch (ch) {
    case 1: // Ctrl+A
        EditSetSel(hwnd, 0, int(s->Text.size()));
        return;
    case 3: // Ctrl+C
        EditCopy(hwnd);
        return;
    case 22: // Ctrl+V
        EditPaste(hwnd);
        return;
    case 24: // Ctrl+X
        EditCut(hwnd);
        return;
    case 26: // Ctrl+Z
        EditUndo(hwnd);
        return;
    case 8: // Backspace
        if (EditReadOnly(hwnd))
            return;
        if (EditSelStart(s) == EditSelEnd(s))
            s->Anchor = KeyDown(VK_CONTROL) ? EditWordLeft(s->Text, s->Caret) : EditPrev(s->Text, s->Caret);
        EditReplaceSel(hwnd, "", true, true);
        return;
    default:
        break;
    }
    if (EditReadOnly(hwnd))
        return;
    if (ch == '\r' || ch == '\n') {
        if (EditMulti(hwnd))
            EditReplaceSel(hwnd, "\n", true, true);
        return;
    }
    if (ch == '\t') {
        if (EditMulti(hwnd))
            EditReplaceSel(hwnd, "\t", true, true);
        return;
    }
    if (ch < 32 || ch == 127)
        return;
    // The character as UTF-8.
    std::string text;
    uint32_t cp = uint32_t(ch);
    if (cp < 0x80)
        text += char(cp);
    else if (cp < 0x800) {
        text += char(0xC0 | (cp >> 6));
        text += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        text += char(0xE0 | (cp >> 12));
        text += char(0x80 | ((cp >> 6) & 0x3F));
        text += char(0x80 | (cp & 0x3F));
    } else {
        text += char(0xF0 | (cp >> 18));
        text += char(0x80 | ((cp >> 12) & 0x3F));
        text += char(0x80 | ((cp >> 6) & 0x3F));
        text += char(0x80 | (cp & 0x3F));
    }
    EditReplaceSel(hwnd, text, true, true);
}

void EditPaint(HWND hwnd, HDC dc) {
    EditState* s = EditOf(hwnd);
    TRect client;
    GetClientRect(hwnd, &client);
    bool grey = EditReadOnly(hwnd) || !IsWindowEnabled(hwnd);
    HBRUSH brush = ParentColorBrush(hwnd, grey ? WM_CTLCOLORSTATIC : WM_CTLCOLOREDIT, dc,
                                    grey ? COLOR_BTNFACE : COLOR_WINDOW);
    if (grey && !EditReadOnly(hwnd))
        brush = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &client, brush);
    COLORREF textColor = IsWindowEnabled(hwnd) ? GetTextColor(dc) : GetSysColor(COLOR_GRAYTEXT);
    HGDIOBJ old = SelectObject(dc, ControlFont(s->Font));
    TRect fr = EditFormatRect(hwnd);
    int lh = LineHeight(dc);
    EditLineTable lines = EditLinesOf(hwnd);
    int selStart = EditSelStart(s), selEnd = EditSelEnd(s);
    bool showSel = s->Focused || (Style(hwnd) & ES_NOHIDESEL);
    SetBkMode(dc, TRANSPARENT);
    for (int line = s->TopLine; line < int(lines.size()); ++line) {
        int y = fr.Top + (line - s->TopLine) * lh;
        if (y >= fr.Bottom)
            break;
        int start = lines[size_t(line)];
        int end = EditLineEnd(lines, line);
        int x0 = fr.Left - s->ScrollX + EditAlignOffset(hwnd, dc, s, start, end, fr);
        std::string shown = EditShown(s, start, end);
        SetTextColor(dc, textColor);
        ExtTextOut(dc, x0, y, ETO_CLIPPED, &fr, shown.c_str(), UINT(shown.size()), nullptr);
        int a = std::max(selStart, start), b = std::min(selEnd, end);
        if (showSel && a < b) {
            int xa = x0 + EditXOf(dc, s, start, a), xb = x0 + EditXOf(dc, s, start, b);
            TRect sel{std::max(xa, int(fr.Left)), y, std::min(xb, int(fr.Right)),
                      std::min(y + lh, int(fr.Bottom))};
            std::string part = EditShown(s, a, b);
            SetBkColor(dc, GetSysColor(COLOR_HIGHLIGHT));
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            ExtTextOut(dc, xa, y, ETO_OPAQUE | ETO_CLIPPED, &sel, part.c_str(), UINT(part.size()), nullptr);
        }
        // A selected line break shows as a little highlighted room after the line.
        if (showSel && selStart <= end && selEnd > end && end < int(s->Text.size())) {
            int xe = x0 + EditXOf(dc, s, start, end);
            TRect nl{xe, y, xe + 4, y + lh};
            FillSys(dc, nl, COLOR_HIGHLIGHT);
        }
    }
    SelectObject(dc, old);
}

// ---- Messages -------------------------------------------------------------------------------------------

void EditWindow::OnCreate() {
    Text = EditNormalize(FWnd, GetWindowTextString(FWnd));
    if (Style(FWnd) & ES_PASSWORD)
        PasswordChar = '*';
    EditStoreWindowText(FWnd);
    EditUpdateScrollBars(FWnd);
}

void EditWindow::OnSize() {
    EditUpdateScrollBars(FWnd);
    EditScrollToCaret(FWnd);
}

void EditWindow::OnEnable(bool enabled) {
    InvalidateRect(FWnd, nullptr, TRUE);
}

void EditWindow::OnPaint(HDC dc) {
    EditPaint(FWnd, dc);
}

LRESULT EditWindow::OnGetDlgCode() {
    LRESULT code = DLGC_WANTCHARS | DLGC_HASSETSEL | DLGC_WANTARROWS;
    if (EditMulti(FWnd) && (Style(FWnd) & ES_WANTRETURN))
        code |= DLGC_WANTALLKEYS;
    return code;
}

void EditWindow::OnSetFocus() {
    Focused = true;
    EditDC dc(FWnd);
    CreateCaret(FWnd, nullptr, 1, LineHeight(dc.Get()));
    EditPlaceCaret(FWnd);
    ShowCaret(FWnd);
    InvalidateRect(FWnd, nullptr, TRUE);
    NotifyCommand(FWnd, EN_SETFOCUS);
}

void EditWindow::OnKillFocus() {
    Focused = false;
    Tracking = false;
    DestroyCaret();
    InvalidateRect(FWnd, nullptr, TRUE);
    NotifyCommand(FWnd, EN_KILLFOCUS);
}

void EditWindow::OnSetFont(HFONT font, bool redraw) {
    Font = font;
    if (redraw)
        InvalidateRect(FWnd, nullptr, TRUE);
    EditPlaceCaret(FWnd);
}

HFONT EditWindow::OnGetFont() {
    return Font;
}

bool EditWindow::OnKeyDown(WPARAM key) {
    return EditKeyDown(FWnd, int(key));
}

bool EditWindow::OnChar(WPARAM ch) {
    EditChar(FWnd, ch);
    return true;
}

bool EditWindow::OnMouseDown(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    if (GetFocus() != FWnd)
        SetFocus(FWnd);
    int pos = EditPosFromPoint(FWnd, p);
    DesiredX = -1;
    LastWasTyping = false;
    EditSetSel(FWnd, (keys & MK_SHIFT) ? Anchor : pos, pos);
    BeginTracking();
    return true;
}

bool EditWindow::OnDoubleClick(MouseButton button, WPARAM keys, TPoint p) {
    if (button != MouseButton::Left)
        return false;
    // Selects the word under the pointer.
    int pos = EditPosFromPoint(FWnd, p);
    int a = pos, b = pos;
    while (a > 0 && EditIsWordChar(Text[size_t(a - 1)]))
        --a;
    while (b < int(Text.size()) && EditIsWordChar(Text[size_t(b)]))
        ++b;
    EditSetSel(FWnd, a, b);
    return true;
}

bool EditWindow::OnMouseMove(WPARAM keys, TPoint p) {
    if (Tracking && (keys & MK_LBUTTON))
        EditSetSel(FWnd, Anchor, EditPosFromPoint(FWnd, p));
    return true;
}

bool EditWindow::OnScroll(bool vertical, WPARAM request) {
    EditDC dc(FWnd);
    int page = vertical ? EditVisibleLines(FWnd, dc.Get()) : std::max(1, int(EditFormatRect(FWnd).Width()));
    int line = vertical ? 1 : 8;
    int& value = vertical ? TopLine : ScrollX;
    int maxValue = vertical ? int(EditLinesOf(FWnd).size()) - 1 : 1 << 20;
    if (!ScrollRequestTarget(request, value, line, page, maxValue, &value))
        return true;
    value = std::clamp(value, 0, std::max(0, maxValue));
    InvalidateRect(FWnd, nullptr, TRUE);
    EditUpdateScrollBars(FWnd);
    EditPlaceCaret(FWnd);
    return true;
}

bool EditWindow::OnMouseWheel(int delta, WPARAM keys) {
    if (!EditMulti(FWnd))
        return false;
    SendMessage(FWnd, EM_LINESCROLL, 0, -3 * (delta / WHEEL_DELTA));
    return true;
}

std::optional<LRESULT> EditWindow::OnMessage(UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_SETTEXT: {
        Text = EditNormalize(FWnd, lParam ? reinterpret_cast<const char*>(lParam) : "");
        if (int(Text.size()) > Limit)
            Text.resize(size_t(Limit));
        Anchor = Caret = 0;
        ScrollX = 0;
        TopLine = 0;
        CanUndo = false;
        Modified = false;
        DesiredX = -1;
        EditChanged(FWnd);
        return TRUE;
    }
    case WM_SETCURSOR:
        if (LOWORD(WPARAM(lParam)) == HTCLIENT) {
            SetCursor(LoadCursor(nullptr, IDC_IBEAM));
            return TRUE;
        }
        return std::nullopt;
    case WM_CUT:
        EditCut(FWnd);
        return 0;
    case WM_COPY:
        EditCopy(FWnd);
        return 0;
    case WM_PASTE:
        EditPaste(FWnd);
        return 0;
    case WM_CLEAR:
        EditClear(FWnd);
        return 0;
    case WM_UNDO:
    case EM_UNDO:
        return EditUndo(FWnd);
    case EM_CANUNDO:
        return CanUndo;
    case EM_EMPTYUNDOBUFFER:
        CanUndo = false;
        return 0;
    case EM_GETSEL: {
        if (wParam)
            *reinterpret_cast<DWORD*>(wParam) = DWORD(EditSelStart(this));
        if (lParam)
            *reinterpret_cast<DWORD*>(lParam) = DWORD(EditSelEnd(this));
        return MAKELRESULT(std::min(EditSelStart(this), 0xFFFF), std::min(EditSelEnd(this), 0xFFFF));
    }
    case EM_SETSEL: {
        // (0, -1) selects everything; a start of -1 removes the selection.
        int n = int(Text.size());
        int a = int(intptr_t(wParam)), b = int(lParam);
        if (a == -1) {
            EditSetSel(FWnd, Caret, Caret);
            return 0;
        }
        if (b < 0 || b > n)
            b = n;
        a = std::clamp(a, 0, n);
        EditSetSel(FWnd, a, b);
        return 0;
    }
    case EM_REPLACESEL:
        EditReplaceSel(FWnd, lParam ? reinterpret_cast<const char*>(lParam) : "", wParam != 0, false);
        return 0;
    case EM_LIMITTEXT: {
        Limit = wParam == 0 ? EDIT_DEFAULT_LIMIT : int(std::min<WPARAM>(wParam, EDIT_DEFAULT_LIMIT));
        return 0;
    }
    case EM_GETLIMITTEXT:
        return Limit;
    case EM_SETREADONLY: {
        auto style = GetWindowLong(FWnd, GWL_STYLE);
        SetWindowLong(FWnd, GWL_STYLE, wParam ? (style | ES_READONLY) : (style & ~LONG_PTR(ES_READONLY)));
        InvalidateRect(FWnd, nullptr, TRUE);
        return TRUE;
    }
    case EM_SETPASSWORDCHAR:
        PasswordChar = char(wParam);
        InvalidateRect(FWnd, nullptr, TRUE);
        return 0;
    case EM_GETPASSWORDCHAR:
        return uint8_t(PasswordChar);
    case EM_GETMODIFY:
        return Modified;
    case EM_SETMODIFY:
        Modified = wParam != 0;
        return 0;
    case EM_SETMARGINS: {
        if (wParam & EC_LEFTMARGIN)
            LeftMargin = (LOWORD(WPARAM(lParam)) == EC_USEFONTINFO) ? 1 : int(LOWORD(WPARAM(lParam)));
        if (wParam & EC_RIGHTMARGIN)
            RightMargin = (HIWORD(WPARAM(lParam)) == EC_USEFONTINFO) ? 1 : int(HIWORD(WPARAM(lParam)));
        InvalidateRect(FWnd, nullptr, TRUE);
        EditPlaceCaret(FWnd);
        return 0;
    }
    case EM_GETMARGINS: {
        return MAKELRESULT(LeftMargin, RightMargin);
    }
    case EM_SETRECT:
    case EM_SETRECTNP: {
        HasRect = lParam != 0;
        if (lParam)
            Rect = *reinterpret_cast<const TRect*>(lParam);
        if (msg == EM_SETRECT)
            InvalidateRect(FWnd, nullptr, TRUE);
        EditPlaceCaret(FWnd);
        return 0;
    }
    case EM_GETRECT:
        if (lParam)
            *reinterpret_cast<TRect*>(lParam) = EditFormatRect(FWnd);
        return 0;
    case EM_GETLINECOUNT:
        return LRESULT(EditLinesOf(FWnd).size());
    case EM_LINEINDEX: {
        EditLineTable lines = EditLinesOf(FWnd);
        int line = int(intptr_t(wParam)) < 0 ? EditLineOf(lines, Caret) : int(wParam);
        return line < int(lines.size()) ? lines[size_t(line)] : -1;
    }
    case EM_LINEFROMCHAR: {
        int pos = int(intptr_t(wParam)) < 0 ? Caret : int(wParam);
        return EditLineOf(EditLinesOf(FWnd), std::min(pos, int(Text.size())));
    }
    case EM_LINELENGTH: {
        EditLineTable lines = EditLinesOf(FWnd);
        int pos = std::min(int(wParam), int(Text.size()));
        int line = EditLineOf(lines, pos);
        return EditLineEnd(lines, line) - lines[size_t(line)];
    }
    case EM_GETLINE: {
        // The buffer's first WORD gives its size; the line is not terminated.
        EditLineTable lines = EditLinesOf(FWnd);
        if (wParam >= lines.size() || !lParam)
            return 0;
        auto* buffer = reinterpret_cast<char*>(lParam);
        WORD size = 0;
        std::copy(buffer, buffer + sizeof(WORD), reinterpret_cast<char*>(&size));
        int start = lines[wParam];
        int len = std::min<int>(EditLineEnd(lines, int(wParam)) - start, size);
        std::copy(Text.begin() + start, Text.begin() + start + len, buffer);
        return len;
    }
    case EM_GETFIRSTVISIBLELINE:
        return EditMulti(FWnd) ? TopLine : 0;
    case EM_LINESCROLL: {
        int lines = int(EditLinesOf(FWnd).size());
        TopLine = std::clamp(TopLine + int(lParam), 0, std::max(0, lines - 1));
        ScrollX = std::max(0, ScrollX + int(intptr_t(wParam)) * 8);
        InvalidateRect(FWnd, nullptr, TRUE);
        EditUpdateScrollBars(FWnd);
        EditPlaceCaret(FWnd);
        return TRUE;
    }
    case EM_SCROLLCARET:
        EditScrollToCaret(FWnd);
        return TRUE;
    case EM_POSFROMCHAR: {
        int pos = std::min(int(wParam), int(Text.size()));
        EditDC dc(FWnd);
        EditLineTable lines = EditLinesOf(FWnd);
        int line = EditLineOf(lines, pos);
        TRect fr = EditFormatRect(FWnd);
        int start = lines[size_t(line)];
        int x = fr.Left - ScrollX +
                EditAlignOffset(FWnd, dc.Get(), this, start, EditLineEnd(lines, line), fr) +
                EditXOf(dc.Get(), this, start, pos);
        int y = fr.Top + (line - TopLine) * LineHeight(dc.Get());
        return MAKELRESULT(x, y);
    }
    case EM_CHARFROMPOS: {
        TPoint p{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        int pos = EditPosFromPoint(FWnd, p);
        return MAKELRESULT(pos, EditLineOf(EditLinesOf(FWnd), pos));
    }
    default:
        return std::nullopt;
    }
}

} // namespace

void RegisterEditClass() {
    RegisterControlClass(WC_EDIT, WithContextMenu<ControlProc<EditWindow>>, CS_DBLCLKS,
                         LoadCursor(nullptr, IDC_IBEAM));
}

} // namespace win::ctl
