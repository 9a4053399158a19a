#include "platform/win/shell/Shell.h"
#include "platform/win/kernel/Kernel.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"
#include "platform/win/user/WindowStyles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

using namespace win;
namespace fs = std::filesystem;

namespace {

// A folder of its own for each test, removed afterwards.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("loomwick-shell-" + std::to_string(std::random_device{}()));
        fs::create_directories(FDir / "sub");
        std::ofstream(FDir / "a.gif") << "GIF89a";
        std::ofstream(FDir / "sub" / "b c.gif") << "GIF89a";
    }
    void TearDown() override {
        SetShellLaunchSpy(nullptr);
        SetShellOpenProgram("");
        std::error_code ec;
        fs::remove_all(FDir, ec);
    }
    std::string Path(const std::string& name) const { return (FDir / name).string(); }
    fs::path FDir;
};

} // namespace

TEST_F(ShellTest, OpenGoesToTheLauncherAndItsFailuresBecomeResultCodes) {
    std::vector<std::vector<std::string>> launched;
    int status = 0;
    SetShellLaunchSpy([&](const std::vector<std::string>& argv) {
        launched.push_back(argv);
        return status;
    });
    struct Case {
        const char* Verb;
        std::string File;
        int Status;
        intptr_t Expected;
    } cases[] = {
        {"open", Path("a.gif"), 0, SE_SUCCESS},
        {nullptr, "https://example.org/a b?q=1", 0, SE_SUCCESS},
        {"open", Path("missing.gif"), 0, SE_ERR_FNF},
        {"open", Path("nofolder/x.gif"), 0, SE_ERR_PNF},
        {"open", "", 0, SE_ERR_FNF},
        {"print", Path("a.gif"), 0, SE_ERR_NOASSOC},
        {"open", Path("a.gif"), 3, SE_ERR_NOASSOC}, // the launcher found no program
        {"open", Path("a.gif"), 4, SE_ERR_NOASSOC},
        {"open", Path("a.gif"), 2, SE_ERR_FNF},
    };
    for (auto& c : cases) {
        launched.clear();
        status = c.Status;
        EXPECT_EQ(ShellExecute(nullptr, c.Verb, c.File.c_str(), nullptr, nullptr, SW_SHOWNOACTIVATE),
                  c.Expected)
            << c.File;
    }
    // The address is handed over as one argument, never through a shell.
    status = 0;
    launched.clear();
    ShellExecute(nullptr, "open", "https://example.org/a b?q=1;rm -rf x", nullptr, nullptr, SW_SHOWNORMAL);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0], (std::vector<std::string>{"xdg-open", "https://example.org/a b?q=1;rm -rf x"}));
    // A relative name is found in the folder given.
    launched.clear();
    EXPECT_EQ(ShellExecute(nullptr, "open", "a.gif", nullptr, FDir.c_str(), SW_SHOWNORMAL), SE_SUCCESS);
    ASSERT_EQ(launched.size(), 1u);
    EXPECT_EQ(launched[0][1], Path("a.gif"));

    SHELLEXECUTEINFO info;
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_DDEWAIT | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = "Open";
    info.lpFile = "https://example.org";
    EXPECT_TRUE(ShellExecuteEx(&info));
    EXPECT_EQ(info.hInstApp, SE_SUCCESS);
    ASSERT_NE(info.hProcess, nullptr);
    EXPECT_EQ(WaitForSingleObject(info.hProcess, 0), WAIT_OBJECT_0);
    CloseHandle(info.hProcess);
    status = 4;
    EXPECT_FALSE(ShellExecuteEx(&info));
    EXPECT_EQ(info.hInstApp, SE_ERR_NOASSOC);
    EXPECT_EQ(WinExec("anything", SW_SHOWNORMAL), 0u);
}

TEST_F(ShellTest, TheLauncherIsARealProcessStartedWithItsArguments) {
    // A stand-in launcher that writes what it was given and fails for names with "fail" in them.
    std::string script = Path("launcher.sh");
    std::ofstream(script) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > \"" << Path("args.txt")
                          << "\"\ncase \"$1\" in *fail*) exit 3;; esac\nexit 0\n";
    fs::permissions(script, fs::perms::owner_all);
    SetShellOpenProgram(script);
    EXPECT_EQ(ShellExecute(nullptr, "open", Path("sub/b c.gif").c_str(), nullptr, nullptr, SW_SHOWNORMAL),
              SE_SUCCESS);
    std::ifstream in(Path("args.txt"));
    std::string line;
    std::getline(in, line);
    EXPECT_EQ(line, Path("sub/b c.gif"));
    EXPECT_EQ(ShellExecute(nullptr, "open", "mailto:fail@example.org", nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
    SetShellOpenProgram("loomwick-no-such-launcher");
    EXPECT_EQ(ShellExecute(nullptr, "open", "https://example.org", nullptr, nullptr, SW_SHOWNORMAL),
              SE_ERR_NOASSOC);
}

TEST_F(ShellTest, PathsBecomeItemListsAndBack) {
    IShellFolder* raw = nullptr;
    ASSERT_EQ(SHGetDesktopFolder(&raw), S_OK);
    auto desktop = ComPtr<IShellFolder>::Attach(raw);
    LPITEMIDLIST list = nullptr;
    ULONG eaten = 0;
    std::string path = Path("sub/b c.gif");
    ASSERT_EQ(desktop->ParseDisplayName(nullptr, nullptr, path.c_str(), &eaten, &list, nullptr), S_OK);
    EXPECT_EQ(eaten, path.size());
    // One item per component: size field, the file-system marker, the name.
    UINT expected = 2;
    for (auto& part : fs::path(path))
        if (part != "/")
            expected += UINT(part.string().size() + 3);
    EXPECT_EQ(ILGetSize(list), expected);
    char buffer[MAX_PATH + 1];
    ASSERT_TRUE(SHGetPathFromIDList(list, buffer));
    EXPECT_EQ(std::string(buffer), path);
    // A buffer too small is left empty instead of overrun.
    EXPECT_FALSE(SHGetPathFromIDListEx(list, buffer, 8, 0));
    EXPECT_STREQ(buffer, "");
    ILFree(list);

    EXPECT_NE(desktop->ParseDisplayName(nullptr, nullptr, Path("missing").c_str(), nullptr, &list, nullptr),
              S_OK);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(desktop->ParseDisplayName(nullptr, nullptr, "relative/a.gif", nullptr, &list, nullptr),
              E_INVALIDARG);

    // An item that is not a file-system item has no path.
    uint8_t virtualItem[] = {5, 0, 0x70, 'x', 'y', 0, 0};
    EXPECT_FALSE(SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(virtualItem), buffer));
    // The desktop itself is the root folder.
    uint8_t empty[] = {0, 0};
    ASSERT_TRUE(SHGetPathFromIDList(reinterpret_cast<LPCITEMIDLIST>(empty), buffer));
    EXPECT_STREQ(buffer, "/");
}

TEST(ShellFormats, DropBlocksRoundTripAndTruncatedOnesAreReadOnlyToTheirEnd) {
    std::vector<std::string> names{"a", "bc", "/tmp/é.gif"};
    auto narrow = BuildHDrop({"a", "bc"});
    EXPECT_EQ(narrow.size(), 26u); // header, "a", zero, "bc", zero, zero
    EXPECT_EQ(ReadHDrop(narrow.data(), narrow.size()), (std::vector<std::string>{"a", "bc"}));
    auto wide = BuildHDrop(names, true);
    EXPECT_EQ(ReadHDrop(wide.data(), wide.size()), names);
    // Cut inside the last name: what is there is read, nothing past the end.
    auto cut = BuildHDrop({"first", "second"});
    cut.resize(20 + 6 + 3);
    EXPECT_EQ(ReadHDrop(cut.data(), cut.size()), (std::vector<std::string>{"first", "sec"}));
    auto bad = narrow;
    bad[0] = 200; // offset past the block
    EXPECT_TRUE(ReadHDrop(bad.data(), bad.size()).empty());
    EXPECT_TRUE(ReadHDrop(narrow.data(), 19).empty());

    HGLOBAL block = GlobalFromBytes(narrow);
    EXPECT_EQ(DragQueryFile(block, 0xFFFFFFFF, nullptr, 0), 2u);
    char buffer[2];
    EXPECT_EQ(DragQueryFile(block, 1, nullptr, 0), 2u);
    EXPECT_EQ(DragQueryFile(block, 1, buffer, sizeof buffer), 1u);
    EXPECT_STREQ(buffer, "b");
    GlobalFree(block);
}

TEST(ShellFormats, UriListsGiveLocalPathsOnly) {
    std::string list = "# a comment\r\nfile:///home/u/My%20Pictures/a.gif\r\n"
                       "file://localhost/tmp/b.gif\r\nfile://otherhost/c.gif\r\nhttps://example.org/d.gif\r\n"
                       "file:/tmp/e%2.gif\r\nfile:///tmp/nul%00.gif\r\n\r\n";
    EXPECT_EQ(ParseUriList(list),
              (std::vector<std::string>{"/home/u/My Pictures/a.gif", "/tmp/b.gif", "/tmp/e%2.gif"}));
    EXPECT_EQ(FileUrlFromPath("/tmp/a b#.gif"), "file:///tmp/a%20b%23.gif");
    EXPECT_EQ(ParseUriList(FileUrlFromPath("/tmp/ä ö.gif")), (std::vector<std::string>{"/tmp/ä ö.gif"}));
}

TEST(ShellFormats, ADesktopDropOffersTheFilesInEveryFileFormat) {
    auto data = CreateFileDropDataObject({"/tmp/a.gif", "/tmp/b.gif"}, "some text");
    auto get = [&](UINT format) {
        FORMATETC f{CLIPFORMAT(format), nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium;
        std::vector<uint8_t> bytes;
        if (data->GetData(&f, &medium) == S_OK) {
            ReadMediumBytes(medium, &bytes);
            ReleaseStgMedium(&medium);
        }
        return bytes;
    };
    auto drop = get(CF_HDROP);
    EXPECT_EQ(ReadHDrop(drop.data(), drop.size()), (std::vector<std::string>{"/tmp/a.gif", "/tmp/b.gif"}));
    auto wide = get(RegisterClipboardFormat(CFSTR_FILENAMEW));
    ASSERT_EQ(wide.size(), 22u);
    EXPECT_EQ(wide[0], '/');
    EXPECT_EQ(wide[1], 0);
    auto name = get(RegisterClipboardFormat(CFSTR_FILENAMEA));
    EXPECT_STREQ(reinterpret_cast<const char*>(name.data()), "/tmp/a.gif");
    auto text = get(CF_TEXT);
    EXPECT_STREQ(reinterpret_cast<const char*>(text.data()), "some text");
    EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("x\xF0\x9F\x98\x80y")), "x\xF0\x9F\x98\x80y");
    EXPECT_EQ(Utf8ToUtf16("\xC3"), u"\uFFFD");
}
