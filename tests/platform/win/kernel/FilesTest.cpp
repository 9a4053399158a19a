#include "platform/win/kernel/Files.h"
#include "platform/win/kernel/Errors.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <set>
#include <thread>

using namespace win;
namespace fs = std::filesystem;

namespace {

// A fresh folder under the system temp folder, removed with its content.
struct FilesTempDir {
    fs::path Path;
    FilesTempDir() {
        Path = fs::temp_directory_path() / ("loomwick-files-" + std::to_string(::getpid()) + "-" +
                                            std::to_string(reinterpret_cast<uintptr_t>(this)));
        fs::create_directories(Path);
    }
    ~FilesTempDir() { fs::remove_all(Path); }
};

// Sets an environment variable for the scope.
struct FilesEnv {
    std::string Name;
    std::optional<std::string> Old;
    FilesEnv(const char* name, const char* value) : Name(name) {
        if (const char* old = std::getenv(name))
            Old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~FilesEnv() {
        if (Old)
            ::setenv(Name.c_str(), Old->c_str(), 1);
        else
            ::unsetenv(Name.c_str());
    }
};

} // namespace

TEST(Files, TempPathFollowsTmpdirWithATrailingSlash) {
    struct Case {
        const char* Tmpdir;
        const char* Expected;
    } cases[] = {{"/var/tmp", "/var/tmp/"}, {"/var/tmp/", "/var/tmp/"}, {"", "/tmp/"}, {nullptr, "/tmp/"}};
    for (const auto& c : cases) {
        FilesEnv env("TMPDIR", c.Tmpdir);
        EXPECT_EQ(GetTempPath(), c.Expected);
        char buffer[MAX_PATH];
        EXPECT_EQ(GetTempPath(MAX_PATH, buffer), std::strlen(c.Expected));
        EXPECT_STREQ(buffer, c.Expected);
        char tiny[4] = "abc";
        EXPECT_EQ(GetTempPath(sizeof tiny, tiny), std::strlen(c.Expected) + 1); // size needed
        EXPECT_STREQ(tiny, "abc");                                              // untouched
    }
}

TEST(Files, TempFileNamesAreCreatedWithThePrefix) {
    FilesTempDir dir;
    std::set<std::string> names;
    for (int i = 0; i < 20; ++i) {
        std::string name;
        UINT number = GetTempFileName(dir.Path.string(), "imagekit", 0, name);
        ASSERT_NE(number, 0u);
        const std::string file = fs::path(name).filename().string();
        EXPECT_EQ(fs::path(name).parent_path(), dir.Path);
        EXPECT_EQ(file.substr(0, 3), "ima");
        EXPECT_EQ(file.size(), 3 + 4 + 4u) << file;
        EXPECT_EQ(file.substr(7), ".tmp");
        EXPECT_EQ(std::stoul(file.substr(3, 4), nullptr, 16), number);
        EXPECT_TRUE(fs::is_regular_file(name));
        EXPECT_EQ(fs::file_size(name), 0u);
        EXPECT_EQ(fs::status(name).permissions() & fs::perms::all,
                  fs::perms::owner_read | fs::perms::owner_write);
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 20u);

    // A given number only makes the name.
    std::string name;
    EXPECT_EQ(GetTempFileName(dir.Path.string() + "/", "ab", 0x1234A, name), 0x1234Au);
    EXPECT_EQ(name, (dir.Path / "ab234A.tmp").string());
    EXPECT_FALSE(fs::exists(name));

    // The buffer form.
    char buffer[MAX_PATH];
    UINT number = GetTempFileName(dir.Path.c_str(), "gif", 0, buffer);
    ASSERT_NE(number, 0u);
    EXPECT_TRUE(fs::exists(buffer));
}

TEST(Files, TempFileNameFailures) {
    FilesTempDir dir;
    std::string name;
    EXPECT_EQ(GetTempFileName((dir.Path / "missing").string(), "x", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(GetTempFileName("", "x", 0, name), 0u);
    EXPECT_EQ(GetTempFileName(dir.Path.string(), "a/b", 0, name), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME);
    // A folder whose names would not fit the MAX_PATH buffer: refused before anything is created.
    const std::string deep = (dir.Path / std::string(250, 'd')).string();
    fs::create_directories(deep);
    char buffer[MAX_PATH];
    EXPECT_EQ(GetTempFileName(deep.c_str(), "pre", 0, buffer), 0u);
    EXPECT_EQ(GetLastError(), ERROR_FILENAME_EXCED_RANGE);
    EXPECT_TRUE(fs::is_empty(deep));
}

TEST(Files, DeleteSizeAndFolders) {
    FilesTempDir dir;
    const std::string file = (dir.Path / "data.bin").string();
    std::ofstream(file) << "12345";
    uint64_t size = 0;
    EXPECT_TRUE(GetFileSizeByName(file, size));
    EXPECT_EQ(size, 5u);
    EXPECT_FALSE(GetFileSizeByName(dir.Path.string(), size)); // a folder has no file size
    EXPECT_TRUE(DeleteFile(file));
    EXPECT_FALSE(fs::exists(file));
    EXPECT_FALSE(DeleteFile(file));
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);
    EXPECT_FALSE(GetFileSizeByName(file, size));
    EXPECT_FALSE(DeleteFile(dir.Path.string())); // folders are not files
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    const std::string nested = (dir.Path / "a" / "b" / "c").string();
    EXPECT_FALSE(CreateDirectory(nested));
    EXPECT_EQ(GetLastError(), ERROR_PATH_NOT_FOUND);
    EXPECT_TRUE(CreateDirectoryPath(nested));
    EXPECT_TRUE(fs::is_directory(nested));
    EXPECT_TRUE(CreateDirectoryPath(nested + "/")); // exists already
    EXPECT_FALSE(CreateDirectory(nested));
    EXPECT_EQ(GetLastError(), ERROR_ALREADY_EXISTS);
    std::ofstream((dir.Path / "plain").string()) << "x";
    EXPECT_FALSE(CreateDirectoryPath((dir.Path / "plain" / "sub").string()));
    EXPECT_TRUE(RemoveDirectory(nested));
    EXPECT_FALSE(fs::exists(nested));
}

TEST(Files, ModuleFileNameIsThisProgram) {
    const std::string name = GetModuleFileName();
    EXPECT_EQ(name, fs::canonical("/proc/self/exe").string());
    EXPECT_EQ(fs::path(name).filename(), "test_win_kernel");
    char buffer[MAX_PATH];
    EXPECT_EQ(GetModuleFileName(nullptr, buffer, MAX_PATH), name.size());
    EXPECT_EQ(name, buffer);
    char small[5];
    EXPECT_EQ(GetModuleFileName(nullptr, small, sizeof small), sizeof small);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), name.substr(0, 4));
}

TEST(Errors, LastErrorIsPerThreadAndHasText) {
    SetLastError(ERROR_ACCESS_DENIED);
    DWORD other = 1;
    std::thread([&] { other = GetLastError(); }).join();
    EXPECT_EQ(other, ERROR_SUCCESS);
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);

    EXPECT_EQ(ErrnoToError(ENOENT), ERROR_FILE_NOT_FOUND);
    EXPECT_EQ(ErrnoToError(EACCES), ERROR_ACCESS_DENIED);
    EXPECT_EQ(ErrnoToError(ENOSPC), ERROR_DISK_FULL);
    EXPECT_EQ(SysErrorMessage(ERROR_FILE_NOT_FOUND), "No such file or directory");
    // An errno without a code of its own keeps its text.
    EXPECT_EQ(SysErrorMessage(ErrnoToError(EXDEV)), "Invalid cross-device link");
    EXPECT_EQ(SysErrorMessage(0x7777), "Unknown error 30583");

    char buffer[256];
    DWORD length = FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 256);
    EXPECT_EQ(std::string(buffer, length), "Permission denied");
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, 0x7777, 0, buffer, 256), 0u);
    EXPECT_EQ(FormatMessage(FORMAT_MESSAGE_FROM_SYSTEM, nullptr, ERROR_ACCESS_DENIED, 0, buffer, 4), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
}
