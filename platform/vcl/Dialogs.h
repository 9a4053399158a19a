// Message boxes as the program's own dialogs: a caption, an icon, the text and a row of buttons. Each
// box is a modal form whose text window and buttons a test (or an accessibility tool) can read through
// the window system: the caption is the form's window text, the text is the window text of its
// "TMessageText" child, and the buttons are its "TButton" children.
#pragma once

#include "platform/vcl/Forms.h"

#include <string>
#include <vector>

namespace vcl {

// Button sets, icons and default buttons of MessageBox; the results are the ModalResult values.
constexpr uint32_t MB_OK = 0x00000000;
constexpr uint32_t MB_OKCANCEL = 0x00000001;
constexpr uint32_t MB_ABORTRETRYIGNORE = 0x00000002;
constexpr uint32_t MB_YESNOCANCEL = 0x00000003;
constexpr uint32_t MB_YESNO = 0x00000004;
constexpr uint32_t MB_RETRYCANCEL = 0x00000005;
constexpr uint32_t MB_ICONHAND = 0x00000010;
constexpr uint32_t MB_ICONSTOP = MB_ICONHAND;
constexpr uint32_t MB_ICONERROR = MB_ICONHAND;
constexpr uint32_t MB_ICONQUESTION = 0x00000020;
constexpr uint32_t MB_ICONEXCLAMATION = 0x00000030;
constexpr uint32_t MB_ICONWARNING = MB_ICONEXCLAMATION;
constexpr uint32_t MB_ICONASTERISK = 0x00000040;
constexpr uint32_t MB_ICONINFORMATION = MB_ICONASTERISK;
constexpr uint32_t MB_DEFBUTTON1 = 0x00000000;
constexpr uint32_t MB_DEFBUTTON2 = 0x00000100;
constexpr uint32_t MB_DEFBUTTON3 = 0x00000200;
constexpr uint32_t MB_APPLMODAL = 0x00000000;
constexpr uint32_t MB_TASKMODAL = 0x00002000;
constexpr int32_t IDOK = 1;
constexpr int32_t IDCANCEL = 2;
constexpr int32_t IDABORT = 3;
constexpr int32_t IDRETRY = 4;
constexpr int32_t IDIGNORE = 5;
constexpr int32_t IDYES = 6;
constexpr int32_t IDNO = 7;

// Shows a message box and returns the ID of the button chosen. An empty caption becomes the
// application's title (or "Error" for a box with the stop icon when there is no title).
int32_t MessageBox(const std::string& text, const std::string& caption, uint32_t flags);
// The same, owned by a window (it stays above it); null for none.
int32_t MessageBox(win::HWND owner, const std::string& text, const std::string& caption, uint32_t flags);

enum TMsgDlgType { mtWarning, mtError, mtInformation, mtConfirmation, mtCustom };
enum TMsgDlgBtn {
    mbYes,
    mbNo,
    mbOK,
    mbCancel,
    mbAbort,
    mbRetry,
    mbIgnore,
    mbAll,
    mbNoToAll,
    mbYesToAll,
    mbHelp
};
using TMsgDlgButtons = TSet<TMsgDlgBtn>;

// A message box titled after its type ("Warning", "Error", "Information", "Confirm"); returns the
// ModalResult of the button chosen.
int32_t MessageDlg(const std::string& msg, TMsgDlgType type, TMsgDlgButtons buttons, int32_t helpContext);
// The text in a box with an OK button, titled with the application's title.
void ShowMessage(const std::string& msg);

// What a test sees of a message box window.
struct TMessageBoxView {
    win::HWND Window = nullptr;
    std::string Caption;
    std::string Text;
    std::vector<std::string> Buttons;     // captions left to right
    std::vector<win::HWND> ButtonWindows; // same order
    std::string DefaultButton;
    uint32_t Icon = 0; // MB_ICON... or 0
};
// The message box shown now (the innermost one), if any.
bool FindMessageBox(TMessageBoxView* view);
// The screen point at the middle of a button of the box shown now; throws when there is no such button.
win::TPoint MessageBoxButtonCenter(const std::string& caption);

} // namespace vcl
