#include "platform/vcl/CommonDialogs.h"

#include "platform/vcl/StringList.h"
#include "platform/win/user/CommonDialogs.h"
#include "platform/win/user/User.h"

#include <filesystem>
#include <system_error>

namespace vcl {

namespace {

// True when the last component of a path carries an extension ("a.gif", not "a", ".hidden" or "a.").
bool CommonDialogHasExtension(const std::string& path) {
    size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    size_t dot = name.rfind('.');
    return dot != std::string::npos && dot != 0 && dot + 1 < name.size();
}

bool CommonDialogPathExists(const std::string& path) {
    std::error_code ec;
    return std::filesystem::exists(path, ec);
}

} // namespace

TOpenDialog::TOpenDialog(TComponent* owner) : TCommonDialog(owner), FFiles(std::make_unique<TStringList>()) {}

TOpenDialog::~TOpenDialog() = default;

void TOpenDialog::SetDefaultExt(const std::string& value) {
    size_t start = value.find_first_not_of('.');
    FDefaultExt = start == std::string::npos ? std::string() : value.substr(start);
}

bool TOpenDialog::Execute() {
    return DoExecute(false);
}

bool TSaveDialog::Execute() {
    return DoExecute(true);
}

bool TOpenDialog::DoExecute(bool save) {
    win::FileDialogRequest request;
    request.Kind = save ? win::FileDialogRequest::fdSave : win::FileDialogRequest::fdOpen;
    request.Owner = win::GetActiveWindow();
    request.Title = GetTitle();
    request.Filters = win::ParseFileDialogFilter(FFilter);
    // An index outside the filters starts on the first one.
    int32_t count = static_cast<int32_t>(request.Filters.size());
    request.FilterIndex = (count > 0 && (FFilterIndex < 1 || FFilterIndex > count)) ? 1 : FFilterIndex;
    request.InitialDir = FInitialDir;
    request.FileName = FFileName;
    request.DefaultExt = FDefaultExt;
    static constexpr std::pair<TOpenOption, win::DWORD> flags[] = {
        {ofReadOnly, win::OFN_READONLY},           {ofOverwritePrompt, win::OFN_OVERWRITEPROMPT},
        {ofHideReadOnly, win::OFN_HIDEREADONLY},   {ofNoChangeDir, win::OFN_NOCHANGEDIR},
        {ofNoValidate, win::OFN_NOVALIDATE},       {ofAllowMultiSelect, win::OFN_ALLOWMULTISELECT},
        {ofPathMustExist, win::OFN_PATHMUSTEXIST}, {ofFileMustExist, win::OFN_FILEMUSTEXIST},
        {ofCreatePrompt, win::OFN_CREATEPROMPT},   {ofEnableSizing, win::OFN_ENABLESIZING},
    };
    for (const auto& [option, flag] : flags)
        if (FOptions.Contains(option))
            request.Options |= flag;

    win::FileDialogResult result;
    if (!win::ShowFileDialog(request, &result) || result.Files.empty())
        return false;
    // A typed name without an extension gets the default one; on opening, only when the name as typed
    // names no file.
    if (!FDefaultExt.empty())
        for (std::string& file : result.Files)
            if (!CommonDialogHasExtension(file) && (save || !CommonDialogPathExists(file))) {
                if (!file.empty() && file.back() != '.')
                    file += '.';
                file += FDefaultExt;
            }
    FFiles->Clear();
    for (const std::string& file : result.Files)
        FFiles->Add(file);
    FFileName = result.Files.front();
    if (count > 0 && result.FilterIndex >= 1 && result.FilterIndex <= count)
        FFilterIndex = result.FilterIndex;
    return true;
}

bool TColorDialog::Execute() {
    win::ColorDialogRequest request;
    request.Owner = win::GetActiveWindow();
    request.Title = GetTitle();
    request.Color = static_cast<win::COLORREF>(ColorToRGB(FColor)) & 0x00FFFFFF;
    request.Options = win::CC_RGBINIT;
    win::ColorDialogResult result;
    if (!win::ShowColorDialog(request, &result))
        return false;
    FColor = static_cast<TColor>(result.Color & 0x00FFFFFF);
    return true;
}

} // namespace vcl
