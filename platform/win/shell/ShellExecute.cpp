// Opening files and addresses through the desktop's launcher.
#include "platform/win/kernel/Kernel.h"
#include "platform/win/shell/Shell.h"

#include <cctype>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <mutex>
#include <thread>

#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace win {

namespace {

struct LaunchSettings {
    std::mutex FLock;
    std::function<int(const std::vector<std::string>&)> FSpy;
    std::string FOpenProgram = "xdg-open";
};

LaunchSettings& Launch() {
    static auto* settings = new LaunchSettings;
    return *settings;
}

// How long a launcher is waited for before it is left to run; launchers hand the document to a program
// and end, but a fallback may keep running until the user closes the document.
constexpr auto launchWait = std::chrono::seconds(5);

constexpr DWORD shellErrorNoAssociation = 1155; // the system's "no application is associated"

constexpr int launchStillRunning = -1;
constexpr int launchNotStarted = -2;

// Starts argv[0] from the path with the argument vector; its exit status, launchStillRunning when it was
// left to run, or launchNotStarted (errno in *error).
int RunLauncher(const std::vector<std::string>& argv, int* error) {
    std::function<int(const std::vector<std::string>&)> spy;
    {
        std::lock_guard<std::mutex> guard(Launch().FLock);
        spy = Launch().FSpy;
    }
    if (spy)
        return spy(argv);
    std::vector<char*> args;
    for (auto& a : argv)
        args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ);
    if (rc != 0) {
        *error = rc;
        return launchNotStarted;
    }
    auto deadline = std::chrono::steady_clock::now() + launchWait;
    for (;;) {
        int status = 0;
        pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            if (WIFEXITED(status))
                return WEXITSTATUS(status);
            return 128; // ended by a signal
        }
        if (done < 0 && errno != EINTR)
            return 128;
        if (std::chrono::steady_clock::now() >= deadline)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    // Still running: reap it when it ends so that no zombie stays behind.
    std::thread([pid] {
        int status = 0;
        while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }).detach();
    return launchStillRunning;
}

// A command line's words: blanks separate, double quotes group, a backslash before a quote keeps it.
std::vector<std::string> SplitParameters(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    bool inWord = false, quoted = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == '\\' && i + 1 < text.size() && text[i + 1] == '"') {
            word += '"';
            inWord = true;
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
            inWord = true;
        } else if ((c == ' ' || c == '\t') && !quoted) {
            if (inWord)
                words.push_back(word);
            word.clear();
            inWord = false;
        } else {
            word += c;
            inWord = true;
        }
    }
    if (inWord)
        words.push_back(word);
    return words;
}

bool HasScheme(const std::string& s) {
    // "scheme:" of two or more letters (a single letter would be a drive), e.g. http:, mailto:, file:.
    size_t colon = s.find(':');
    if (colon == std::string::npos || colon < 2)
        return false;
    for (size_t i = 0; i < colon; ++i) {
        char c = s[i];
        bool ok =
            std::isalpha(static_cast<unsigned char>(c)) ||
            (i > 0 && (std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.'));
        if (!ok)
            return false;
    }
    return true;
}

// The launcher's exit status as a result code (xdg-open: 1 bad arguments, 2 no such file, 3 a needed
// tool missing, 4 the action failed).
int LauncherResult(int status, int error) {
    if (status == launchNotStarted)
        return error == ENOENT ? SE_ERR_NOASSOC : error == EACCES ? SE_ERR_ACCESSDENIED : SE_ERR_OOM;
    if (status == launchStillRunning || status == 0)
        return SE_SUCCESS;
    switch (status) {
    case 2:
        return SE_ERR_FNF;
    case 3:
    case 4:
        return SE_ERR_NOASSOC;
    default:
        return SE_ERR_ASSOCINCOMPLETE;
    }
}

int Execute(const char* verb, const char* file, const char* parameters, const char* directory) {
    std::string target = file ? file : "";
    if (target.empty())
        return SE_ERR_FNF;
    std::string v = verb ? verb : "";
    for (char& c : v)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    if (!v.empty() && v != "open")
        return SE_ERR_NOASSOC;
    std::string program;
    {
        std::lock_guard<std::mutex> guard(Launch().FLock);
        program = Launch().FOpenProgram;
    }
    // The launcher's status first: the error it reports is read after.
    auto run = [](const std::vector<std::string>& argv) {
        int error = 0;
        int status = RunLauncher(argv, &error);
        return LauncherResult(status, error);
    };
    if (HasScheme(target))
        return run({program, target});

    namespace fs = std::filesystem;
    fs::path path(target);
    if (path.is_relative() && directory && *directory)
        path = fs::path(directory) / path;
    std::error_code ec;
    fs::file_status status = fs::status(path, ec);
    if (ec || !fs::exists(status)) {
        fs::path parent = path.parent_path();
        return parent.empty() || fs::is_directory(parent, ec) ? SE_ERR_FNF : SE_ERR_PNF;
    }
    if (access(path.c_str(), R_OK) != 0 && !fs::is_directory(status))
        return SE_ERR_ACCESSDENIED;
    if (fs::is_regular_file(status) && access(path.c_str(), X_OK) == 0) {
        std::vector<std::string> argv{path.string()};
        for (auto& w : SplitParameters(parameters ? parameters : ""))
            argv.push_back(w);
        return run(argv);
    }
    return run({program, fs::absolute(path, ec).string()});
}

} // namespace

intptr_t ShellExecute(HWND, const char* verb, const char* file, const char* parameters, const char* directory,
                      int) {
    return Execute(verb, file, parameters, directory);
}

BOOL ShellExecuteEx(SHELLEXECUTEINFO* info) {
    if (!info || info->cbSize != sizeof(SHELLEXECUTEINFO)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    info->hProcess = nullptr;
    int code = Execute(info->lpVerb, info->lpFile, info->lpParameters, info->lpDirectory);
    info->hInstApp = code;
    if (code <= 32) {
        SetLastError(code == SE_ERR_FNF   ? ERROR_FILE_NOT_FOUND
                     : code == SE_ERR_PNF ? ERROR_PATH_NOT_FOUND
                                          : shellErrorNoAssociation);
        return FALSE;
    }
    // The launcher has ended (or runs on alone): the handle is one that is already signalled.
    if (info->fMask & SEE_MASK_NOCLOSEPROCESS)
        info->hProcess = CreateEvent(nullptr, TRUE, TRUE);
    return TRUE;
}

UINT WinExec(const char*, UINT) {
    return 0;
}

void SetShellLaunchSpy(std::function<int(const std::vector<std::string>& argv)> spy) {
    std::lock_guard<std::mutex> guard(Launch().FLock);
    Launch().FSpy = std::move(spy);
}

void SetShellOpenProgram(const std::string& program) {
    std::lock_guard<std::mutex> guard(Launch().FLock);
    Launch().FOpenProgram = program.empty() ? "xdg-open" : program;
}

} // namespace win
