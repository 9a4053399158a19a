// The common dialogs, shown by the installed screen.
#include "platform/win/user/CommonDialogs.h"
#include "platform/win/user/Backend.h"
#include "platform/win/user/User.h"

namespace win {

namespace {

// Disables the owner's top-level window while a dialog is up, as a modal window does, and gives the
// activation back afterwards, with the focus to the window inside it that had it (disabling the owner took
// the focus away, and an owner that stayed active gets no new activation that would give it back).
class DialogOwnerScope {
public:
    explicit DialogOwnerScope(HWND owner) {
        FTop = owner ? GetAncestor(owner, GA_ROOT) : nullptr;
        if (FTop && IsWindowEnabled(FTop)) {
            HWND focus = GetFocus();
            if (focus && (focus == FTop || IsChild(FTop, focus)))
                FFocus = focus;
            EnableWindow(FTop, FALSE);
            FDisabled = true;
        }
    }
    ~DialogOwnerScope() {
        if (FDisabled && IsWindow(FTop)) {
            EnableWindow(FTop, TRUE);
            SetActiveWindow(FTop);
            if (FFocus && !GetFocus() && GetActiveWindow() == FTop && IsWindow(FFocus) && IsWindowVisible(FFocus) &&
                IsWindowEnabled(FFocus))
                SetFocus(FFocus);
        }
    }
    DialogOwnerScope(const DialogOwnerScope&) = delete;
    DialogOwnerScope& operator=(const DialogOwnerScope&) = delete;

private:
    HWND FTop = nullptr;
    HWND FFocus = nullptr;
    bool FDisabled = false;
};

} // namespace

bool ShowFileDialog(const FileDialogRequest& request, FileDialogResult* result) {
    WaitScope scope(request.Kind == FileDialogRequest::fdSave ? "The save dialog" : "The open dialog");
    DialogOwnerScope owner(request.Owner);
    FileDialogResult answer;
    answer.FilterIndex = request.FilterIndex;
    if (!ScreenBackend().FileDialog(request, &answer) || answer.Files.empty())
        return false;
    // One file unless the dialog allows several.
    if (!(request.Options & OFN_ALLOWMULTISELECT))
        answer.Files.resize(1);
    if (result)
        *result = std::move(answer);
    return true;
}

bool ShowColorDialog(const ColorDialogRequest& request, ColorDialogResult* result) {
    WaitScope scope("The colour dialog");
    DialogOwnerScope owner(request.Owner);
    ColorDialogResult answer;
    answer.Color = request.Color;
    answer.CustomColors = request.CustomColors;
    if (!ScreenBackend().ColorDialog(request, &answer))
        return false;
    answer.Color &= 0x00FFFFFF;
    if (answer.CustomColors.size() > 16)
        answer.CustomColors.resize(16);
    if (result)
        *result = std::move(answer);
    return true;
}

std::vector<FileDialogFilter> ParseFileDialogFilter(const std::string& filter) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start < filter.size()) {
        size_t bar = filter.find('|', start);
        if (bar == std::string::npos)
            bar = filter.size();
        parts.push_back(filter.substr(start, bar - start));
        start = bar + 1;
    }
    std::vector<FileDialogFilter> filters;
    for (size_t i = 0; i + 1 < parts.size(); i += 2)
        filters.push_back({parts[i], parts[i + 1]});
    return filters;
}

} // namespace win
