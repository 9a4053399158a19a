// The open, save and colour dialogs the screen offers: the desktop's own dialogs on a desktop backend,
// answers from the test's script on the headless one. The class library's dialog components fill a
// request, show it, and read the result.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>
#include <vector>

namespace win {

// Options of the file dialogs (the flags the class library's components set).
constexpr DWORD OFN_READONLY = 0x00000001;
constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
constexpr DWORD OFN_ALLOWMULTISELECT = 0x00000200;
constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
constexpr DWORD OFN_CREATEPROMPT = 0x00002000;
constexpr DWORD OFN_NOVALIDATE = 0x00000100;
constexpr DWORD OFN_ENABLESIZING = 0x00800000;

struct FileDialogFilter {
    std::string Description; // "GIF Images (*.gif)"
    std::string Patterns;    // "*.gif;*.GIF"
};

struct FileDialogRequest {
    enum TKind { fdOpen, fdSave };
    TKind Kind = fdOpen;
    HWND Owner = nullptr;
    std::string Title; // empty: the dialog's own ("Open", "Save As")
    std::vector<FileDialogFilter> Filters;
    int32_t FilterIndex = 1; // 1-based, as the components count
    std::string InitialDir;
    std::string FileName;   // the name proposed (a path, or a name in InitialDir)
    std::string DefaultExt; // without the dot; added to a typed name that has none
    DWORD Options = 0;
};

struct FileDialogResult {
    std::vector<std::string> Files; // absolute paths; one unless multi-select
    int32_t FilterIndex = 1;        // the filter chosen
};

// Options of the colour dialog.
constexpr DWORD CC_RGBINIT = 0x00000001;
constexpr DWORD CC_FULLOPEN = 0x00000002;
constexpr DWORD CC_PREVENTFULLOPEN = 0x00000004;
constexpr DWORD CC_ANYCOLOR = 0x00000100;

struct ColorDialogRequest {
    HWND Owner = nullptr;
    std::string Title;
    COLORREF Color = 0;                 // the colour shown first (red in the low byte)
    std::vector<COLORREF> CustomColors; // up to 16
    DWORD Options = 0;
};

struct ColorDialogResult {
    COLORREF Color = 0;
    std::vector<COLORREF> CustomColors;
};

// Shows a dialog modally over its owner (whose window is disabled meanwhile). False when the user
// cancelled; the result is filled only on true.
bool ShowFileDialog(const FileDialogRequest& request, FileDialogResult* result);
bool ShowColorDialog(const ColorDialogRequest& request, ColorDialogResult* result);

// Splits a filter text "description|patterns|description|patterns" into filters; a trailing "|" and an
// unpaired last description are tolerated.
std::vector<FileDialogFilter> ParseFileDialogFilter(const std::string& filter);

} // namespace win
