// Shell, file and string helpers of the editor.
#include "app/ShellUtils.h"

#include "platform/vcl/Application.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/SysUtils.h"
#include "platform/win/kernel/Files.h"
#include "platform/win/shell/Shell.h"

#include <sys/stat.h>

namespace app {

namespace {

constexpr size_t maxShellArgument = 255;
constexpr size_t maxTempFolder = 260;

// At most maxShellArgument bytes, never ending inside a UTF-8 sequence.
std::string ShellArgument(const std::string& text) {
    if (text.size() <= maxShellArgument)
        return text;
    size_t end = maxShellArgument;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;
    return text.substr(0, end);
}

} // namespace

std::string WithTrailingBackslash(const std::string& folder) {
    if (folder.empty() || folder.back() == '/')
        return folder;
    return folder + "/";
}

std::string ProgramFolder() {
    std::string folder;
    try {
        folder = WithTrailingBackslash(vcl::ExtractFileDir(win::GetModuleFileName(nullptr)));
    } catch (...) {
        folder.clear();
    }
    if (folder.empty() && vcl::Application) {
        folder = vcl::ExtractFilePath(vcl::Application->GetExeName());
        if (!folder.empty() && folder.back() != '/')
            folder += '/';
    }
    return folder;
}

intptr_t ShellExecuteOpen(const std::string& file, const std::string& parameters, const std::string& folder,
                          int showCommand) {
    if (file.size() >= 256) {
        vcl::MessageBox(nullptr,
                        "The path to the file is too long, please ensure the path is less than 255 characters.",
                        "", vcl::MB_OK | vcl::MB_ICONINFORMATION);
        return win::SE_ERR_FNF;
    }
    std::string target = ShellArgument(file);
    std::string params = ShellArgument(parameters);
    std::string dir = ShellArgument(folder);
    return win::ShellExecute(nullptr, "open", target.c_str(), params.empty() ? nullptr : params.c_str(),
                             dir.empty() ? nullptr : dir.c_str(), showCommand);
}

void ShellOpen(const std::string& target, win::HWND parent) {
    constexpr int showNoActivate = 4;
    ShellErrorMessage(ShellExecuteOpen(target, "", "", showNoActivate), parent);
}

std::string ShellErrorText(intptr_t code) {
    const char* explanation;
    switch (code) {
    case 0:
        explanation = "The operating system is out of memory or resources.";
        break;
    case 2:
        explanation = "The specified file was not found.";
        break;
    case 3:
        explanation = "The specified path was not found.";
        break;
    case 5:
        explanation = "The operating system denied access to the specified file.";
        break;
    case 8:
        explanation = "There was not enough memory to complete the operation.";
        break;
    case 11:
        explanation = "The .EXE file is invalid (non-Win32 .EXE or error in .EXE image).";
        break;
    case 26:
        explanation = "A sharing violation occurred.";
        break;
    case 27:
        explanation = "The filename association is incomplete or invalid.";
        break;
    case 28:
        explanation = "The DDE transaction could not be completed because the request timed out.";
        break;
    case 29:
        explanation = "The DDE transaction failed.";
        break;
    case 30:
        explanation = "The DDE transaction could not be completed because other DDE transactions were being "
                      "processed.";
        break;
    case 31:
        explanation = "There is no application associated with the given filename extension.";
        break;
    case 32:
        explanation = "The specified dynamic-link library was not found.";
        break;
    default:
        explanation = "An unknown error occurred when trying to load file in associated application.";
        break;
    }
    return std::string("Unable to execute file:\n\n") + explanation;
}

void ShellErrorMessage(intptr_t code, win::HWND parent) {
    if (code > 32)
        return;
    vcl::MessageBox(parent, ShellErrorText(code), "Error", vcl::MB_OK | vcl::MB_ICONWARNING);
}

int64_t FileSizeOf(const std::string& path) {
    struct stat st {};
    if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return 0;
    return int64_t(st.st_size);
}

std::string TempFolder() {
    std::string folder = win::GetTempPath();
    return folder.size() > maxTempFolder ? std::string() : folder;
}

std::string MakeTempFileName(const std::string& folder, const std::string& prefix) {
    std::string name;
    if (folder.empty() || win::GetTempFileName(folder, prefix, 0, name) == 0)
        return {};
    return name;
}

int32_t PosFrom(const std::string& text, const std::string& part, int32_t start) {
    if (part.empty())
        return 0;
    size_t from = start <= 1 ? 0 : size_t(start) - 1;
    if (from > text.size())
        return 0;
    size_t found = text.find(part, from);
    if (found == std::string::npos)
        return 0;
    // Counted from the start of the searched remainder, 1-based.
    return int32_t(found - from + 1);
}

std::string RightPart(const std::string& text, int32_t count) {
    if (count <= 0 || size_t(count) > text.size())
        return {};
    return text.substr(text.size() - size_t(count));
}

std::string HtmlQuotedValue(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        if (c == '"')
            out += "&quot;";
        else
            out += c;
    }
    return out;
}

} // namespace app
