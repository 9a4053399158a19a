// The keyboard layout (a US one) and the translation of key messages into characters.
#include "platform/win/user/WindowObject.h"

namespace win {

namespace {

struct KeyChar {
    char FPlain;
    char FShifted;
    int FVk;
};

// Keys that type characters, with and without Shift.
constexpr KeyChar KeyboardLayoutTable[] = {
    {'0', ')', '0'},          {'1', '!', '1'},
    {'2', '@', '2'},          {'3', '#', '3'},
    {'4', '$', '4'},          {'5', '%', '5'},
    {'6', '^', '6'},          {'7', '&', '7'},
    {'8', '*', '8'},          {'9', '(', '9'},
    {' ', ' ', VK_SPACE},     {';', ':', VK_OEM_1},
    {'=', '+', VK_OEM_PLUS},  {',', '<', VK_OEM_COMMA},
    {'-', '_', VK_OEM_MINUS}, {'.', '>', VK_OEM_PERIOD},
    {'/', '?', VK_OEM_2},     {'`', '~', VK_OEM_3},
    {'[', '{', VK_OEM_4},     {'\\', '|', VK_OEM_5},
    {']', '}', VK_OEM_6},     {'\'', '"', VK_OEM_7},
    {'\r', '\r', VK_RETURN},  {'\t', '\t', VK_TAB},
    {'\b', '\b', VK_BACK},    {'\x1b', '\x1b', VK_ESCAPE},
};

// Scan codes of a PC keyboard for the letters, digits, F1 to F10, modifiers, editing and movement keys;
// others get 0.
UINT ScanCodeOf(UINT vk) {
    if (vk >= 'A' && vk <= 'Z') {
        static const BYTE letters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17,
                                         0x24, 0x25, 0x26, 0x32, 0x31, 0x18, 0x19, 0x10, 0x13,
                                         0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};
        return letters[vk - 'A'];
    }
    if (vk >= '1' && vk <= '9')
        return 0x02 + (vk - '1');
    if (vk >= VK_F1 && vk <= VK_F10)
        return 0x3B + (vk - VK_F1);
    switch (vk) {
    case '0':
        return 0x0B;
    case VK_ESCAPE:
        return 0x01;
    case VK_BACK:
        return 0x0E;
    case VK_TAB:
        return 0x0F;
    case VK_RETURN:
        return 0x1C;
    case VK_CONTROL:
    case VK_LCONTROL:
        return 0x1D;
    case VK_SHIFT:
    case VK_LSHIFT:
        return 0x2A;
    case VK_RSHIFT:
        return 0x36;
    case VK_MENU:
    case VK_LMENU:
        return 0x38;
    case VK_SPACE:
        return 0x39;
    case VK_HOME:
        return 0x47;
    case VK_UP:
        return 0x48;
    case VK_PRIOR:
        return 0x49;
    case VK_LEFT:
        return 0x4B;
    case VK_RIGHT:
        return 0x4D;
    case VK_END:
        return 0x4F;
    case VK_DOWN:
        return 0x50;
    case VK_NEXT:
        return 0x51;
    case VK_INSERT:
        return 0x52;
    case VK_DELETE:
        return 0x53;
    default:
        return 0;
    }
}

} // namespace

int16_t VkKeyScan(char ch) {
    if (ch >= 'a' && ch <= 'z')
        return int16_t(ch - 'a' + 'A');
    if (ch >= 'A' && ch <= 'Z')
        return int16_t(0x100 | ch);
    if (ch >= 1 && ch <= 26 && ch != '\b' && ch != '\t' && ch != '\r')
        return int16_t(0x200 | (ch - 1 + 'A')); // Ctrl+letter
    for (const KeyChar& k : KeyboardLayoutTable) {
        if (k.FPlain == ch)
            return int16_t(k.FVk);
        if (k.FShifted == ch)
            return int16_t(0x100 | k.FVk);
    }
    return -1;
}

UINT MapVirtualKey(UINT code, UINT mapType) {
    switch (mapType) {
    case MAPVK_VK_TO_VSC:
        return ScanCodeOf(code);
    case MAPVK_VSC_TO_VK:
        for (UINT vk = 1; vk < 256; ++vk)
            if (ScanCodeOf(vk) == code && code != 0)
                return vk;
        return 0;
    case MAPVK_VK_TO_CHAR:
        if (code >= 'A' && code <= 'Z')
            return code;
        for (const KeyChar& k : KeyboardLayoutTable)
            if (UINT(k.FVk) == code)
                return UINT(static_cast<unsigned char>(k.FPlain));
        return 0;
    default:
        return 0;
    }
}

BOOL TranslateMessage(const MSG* msg) {
    if (!msg || (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN))
        return FALSE;
    uint32_t ch = msg->lPrivate;
    if (!ch) {
        bool shift = GetKeyState(VK_SHIFT) < 0;
        bool ctrl = GetKeyState(VK_CONTROL) < 0;
        bool caps = GetKeyState(VK_CAPITAL) & 1;
        int vk = int(msg->wParam);
        if (vk >= 'A' && vk <= 'Z') {
            if (ctrl)
                ch = uint32_t(vk - 'A' + 1);
            else
                ch = uint32_t((shift != caps) ? vk : vk - 'A' + 'a');
        } else if (!ctrl || vk == VK_RETURN || vk == VK_ESCAPE || vk == VK_BACK) {
            for (const KeyChar& k : KeyboardLayoutTable)
                if (k.FVk == vk) {
                    ch = uint32_t(static_cast<unsigned char>(shift ? k.FShifted : k.FPlain));
                    break;
                }
        }
    }
    if (!ch)
        return FALSE;
    PostMessage(msg->hwnd, msg->message == WM_SYSKEYDOWN ? WM_SYSCHAR : WM_CHAR, ch, msg->lParam);
    return TRUE;
}

} // namespace win
