// Shared by the control classes' tests: a parent window that records the notifications its controls
// send, and helpers that click and type through the input queue.
#pragma once

#include "../UserTestSupport.h"

#include "platform/win/user/controls/CommCtrl.h"

#include <string>
#include <vector>

namespace controlstest {

using namespace usertest;

struct Note {
    UINT Message; // WM_COMMAND or WM_NOTIFY
    UINT Code;
    HWND From;
    int Item = -1; // list view and header notifications
    UINT NewState = 0;
    UINT OldState = 0;
};

class ControlsTest : public UserTest {
protected:
    void SetUp() override {
        UserTest::SetUp();
        InitCommonControls();
        Notes.clear();
        FClipboard.clear();
        SetEditClipboard({[this](const std::string& t) {
                              FClipboard = t;
                              return true;
                          },
                          [this](std::string* t) {
                              *t = FClipboard;
                              return true;
                          }});
        Parent = Make("parent", WS_POPUP | WS_VISIBLE, {100, 100, 500, 400});
        Handlers()[Parent] = [this](HWND, UINT msg, WPARAM wParam, LPARAM lParam, LRESULT* result) {
            if (msg == WM_COMMAND) {
                Notes.push_back({msg, HIWORD(wParam), reinterpret_cast<HWND>(lParam)});
            } else if (msg == WM_NOTIFY) {
                auto* hdr = reinterpret_cast<NMHDR*>(lParam);
                Note n{msg, hdr->code, hdr->hwndFrom};
                if (hdr->code == LVN_ITEMCHANGING || hdr->code == LVN_ITEMCHANGED ||
                    hdr->code == LVN_COLUMNCLICK || hdr->code == LVN_INSERTITEM ||
                    hdr->code == LVN_DELETEITEM) {
                    auto* nm = reinterpret_cast<NMLISTVIEW*>(lParam);
                    n.Item = hdr->code == LVN_COLUMNCLICK ? nm->iSubItem : nm->iItem;
                    n.NewState = nm->uNewState;
                    n.OldState = nm->uOldState;
                }
                Notes.push_back(n);
                if (NotifyAnswer) {
                    *result = NotifyAnswer(hdr);
                    return true;
                }
            } else if (msg == WM_CTLCOLOREDIT || msg == WM_CTLCOLORSTATIC || msg == WM_CTLCOLORLISTBOX) {
                return false;
            } else if (msg == WM_MEASUREITEM || msg == WM_DRAWITEM || msg == WM_DELETEITEM) {
                Notes.push_back({msg, 0, nullptr});
                if (msg == WM_MEASUREITEM)
                    reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = 20;
                if (msg == WM_DRAWITEM) {
                    auto* dis = reinterpret_cast<DRAWITEMSTRUCT*>(lParam);
                    Notes.back().Item = int(dis->itemID);
                    Notes.back().NewState = dis->itemState;
                    Notes.back().From = dis->hwndItem;
                }
                *result = TRUE;
                return true;
            } else if (msg == WM_HSCROLL || msg == WM_VSCROLL) {
                Notes.push_back({msg, LOWORD(wParam), reinterpret_cast<HWND>(lParam)});
            }
            return false;
        };
    }

    void TearDown() override {
        SetEditClipboard({});
        UserTest::TearDown();
    }

    HWND Control(const char* cls, DWORD style, TRect r, const char* text = "", int id = 7) {
        return CreateWindowEx(0, cls, text, WS_CHILD | WS_VISIBLE | style, r.Left, r.Top, r.Width(),
                              r.Height(), Parent, reinterpret_cast<HMENU>(intptr_t(id)), nullptr, nullptr);
    }

    // Screen point of a client point of a window.
    static TPoint At(HWND hwnd, int x, int y) {
        TPoint p{x, y};
        ClientToScreen(hwnd, &p);
        return p;
    }
    void Click(HWND hwnd, int x, int y, bool doubleClick = false) {
        TPoint p = At(hwnd, x, y);
        QueueMouseInput(MouseAction::Move, p);
        QueueMouseInput(MouseAction::LeftDown, p);
        QueueMouseInput(MouseAction::LeftUp, p);
        if (doubleClick) {
            QueueMouseInput(MouseAction::LeftDown, p);
            QueueMouseInput(MouseAction::LeftUp, p);
        }
        Pump();
    }
    void ClickScreen(TPoint p) {
        QueueMouseInput(MouseAction::Move, p);
        QueueMouseInput(MouseAction::LeftDown, p);
        QueueMouseInput(MouseAction::LeftUp, p);
        Pump();
    }
    void Press(int vk) {
        QueueKeyInput(vk, true);
        QueueKeyInput(vk, false);
        Pump();
    }
    // A key pressed while a modifier is held.
    void Chord(int modifier, int vk) {
        QueueKeyInput(modifier, true);
        QueueKeyInput(vk, true);
        QueueKeyInput(vk, false);
        QueueKeyInput(modifier, false);
        Pump();
    }
    void Type(const std::string& text) {
        for (char c : text) {
            int16_t k = VkKeyScan(c);
            bool shift = (k >> 8) & 1;
            if (shift)
                QueueKeyInput(VK_SHIFT, true);
            QueueKeyInput(k & 0xFF, true);
            QueueKeyInput(k & 0xFF, false);
            if (shift)
                QueueKeyInput(VK_SHIFT, false);
        }
        Pump();
    }
    std::vector<UINT> Codes(UINT message) const {
        std::vector<UINT> codes;
        for (const Note& n : Notes)
            if (n.Message == message)
                codes.push_back(n.Code);
        return codes;
    }

    HWND Parent = nullptr;
    std::vector<Note> Notes;
    std::function<LRESULT(NMHDR*)> NotifyAnswer;
    std::string FClipboard;
};

} // namespace controlstest
