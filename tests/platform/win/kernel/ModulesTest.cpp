#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Version.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace win;

namespace {

int ModulesTestAnswer() { return 42; }
int ModulesTestOther() { return 7; }
bool ModulesTestServed = true;
bool ModulesTestAvailable() { return ModulesTestServed; }

class ModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterModuleExports("TestLib.dll", {{"Answer", ExportOf(&ModulesTestAnswer)},
                                              {"Other", ExportOf(&ModulesTestOther)},
                                              {"Served", ExportOf(&ModulesTestOther), &ModulesTestAvailable}});
    }
    void TearDown() override {
        ResetModuleSwitches();
        ModulesTestServed = true;
        // Every test frees what it loads.
        EXPECT_EQ(ModuleLoadCount("testlib"), 0);
    }
};

} // namespace

TEST_F(ModulesTest, NamesIgnoreCaseAndTheDefaultExtension) {
    HMODULE a = LoadLibrary("testlib.dll");
    HMODULE b = LoadLibrary("TESTLIB.DLL");
    HMODULE c = LoadLibraryA("TestLib");
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, c);
    EXPECT_EQ(ModuleLoadCount("TestLib.dll"), 3);
    auto answer = reinterpret_cast<int (*)()>(GetProcAddress(a, "Answer"));
    ASSERT_NE(answer, nullptr);
    EXPECT_EQ(answer(), 42);
    // Entry-point names compare exactly.
    EXPECT_EQ(GetProcAddress(a, "answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(FreeLibrary(a));
    EXPECT_EQ(ModuleLoadCount("testlib"), 0);
}

TEST_F(ModulesTest, FreeLibraryCountsAndAFreedHandleAnswersNothing) {
    HMODULE m = LoadLibrary("testlib");
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(LoadLibrary("testlib"), m);
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_NE(GetProcAddress(m, "Answer"), nullptr); // still loaded once
    EXPECT_TRUE(FreeLibrary(m));
    EXPECT_EQ(GetProcAddress(m, "Answer"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_FALSE(FreeLibrary(m));
    EXPECT_EQ(ModuleLoadCount("testlib"), 0);
    // The same handle comes back on the next load.
    EXPECT_EQ(LoadLibrary("testlib"), m);
    FreeLibrary(m);
}

TEST_F(ModulesTest, UnknownModulesPathsAndForeignHandlesGiveNull) {
    const char* names[] = {"nosuch.dll", "", "/usr/lib/testlib.dll", "C:\\Windows\\testlib.dll", nullptr};
    for (const char* name : names) {
        SetLastError(0);
        EXPECT_EQ(LoadLibrary(name), nullptr) << (name ? name : "(null)");
        EXPECT_EQ(GetLastError(), ERROR_MOD_NOT_FOUND);
    }
    int notAModule = 0;
    EXPECT_EQ(GetProcAddress(reinterpret_cast<HMODULE>(&notAModule), "Answer"), nullptr);
    EXPECT_EQ(GetProcAddress(nullptr, "Answer"), nullptr);
    EXPECT_FALSE(FreeLibrary(reinterpret_cast<HMODULE>(&notAModule)));
    HMODULE m = LoadLibrary("testlib");
    EXPECT_EQ(GetProcAddress(m, nullptr), nullptr);
    EXPECT_EQ(GetProcAddress(m, "Missing"), nullptr);
    FreeLibrary(m);
}

TEST_F(ModulesTest, SwitchesMakeAModuleOrOneEntryPointAbsent) {
    SetModuleAbsent("TESTLIB.dll", true);
    EXPECT_EQ(LoadLibrary("testlib"), nullptr);
    SetModuleAbsent("testlib", false);
    HMODULE m = LoadLibrary("testlib");
    ASSERT_NE(m, nullptr);
    SetExportAbsent("testlib", "Answer", true);
    EXPECT_EQ(GetProcAddress(m, "Answer"), nullptr);
    EXPECT_NE(GetProcAddress(m, "Other"), nullptr);
    // A module switched off while loaded answers nothing but still counts its loads down.
    SetModuleAbsent("testlib", true);
    EXPECT_EQ(GetProcAddress(m, "Other"), nullptr);
    ResetModuleSwitches();
    EXPECT_NE(GetProcAddress(m, "Answer"), nullptr);
    EXPECT_TRUE(FreeLibrary(m));
}

TEST_F(ModulesTest, AnEntryPointTheLayerCannotServeIsMissing) {
    HMODULE m = LoadLibrary("testlib");
    EXPECT_NE(GetProcAddress(m, "Served"), nullptr);
    ModulesTestServed = false;
    EXPECT_EQ(GetProcAddress(m, "Served"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    FreeLibrary(m);
}

TEST(Version, ReportsNt51ByDefault) {
    ResetOsVersion();
    OSVERSIONINFOA info;
    ASSERT_EQ(info.dwOSVersionInfoSize, 148u);
    ASSERT_TRUE(GetVersionExA(&info));
    EXPECT_EQ(info.dwPlatformId, VER_PLATFORM_WIN32_NT);
    EXPECT_EQ(info.dwMajorVersion, 5u);
    EXPECT_EQ(info.dwMinorVersion, 1u);
    EXPECT_EQ(info.dwBuildNumber, 2600u);
    EXPECT_EQ(GetVersion(), 0x0A280105u); // build 2600 in the high word, 1 and 5 below
}

TEST(Version, ASetVersionReadsBackInBothCalls) {
    struct Case {
        OsVersion Version;
        DWORD Expected;
    } cases[] = {
        {{VER_PLATFORM_WIN32_NT, 5, 0, 2195, "Service Pack 4"}, 0x08930005u},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 0, 950, ""}, 0x80000004u},
        {{VER_PLATFORM_WIN32_WINDOWS, 4, 10, 1998, ""}, 0x80000A04u},
        {{VER_PLATFORM_WIN32_NT, 6, 0, 6000, std::string(300, 'x')}, 0x17700006u},
    };
    for (const Case& c : cases) {
        SetOsVersion(c.Version);
        OSVERSIONINFOA info;
        std::memset(info.szCSDVersion, 'z', sizeof info.szCSDVersion);
        ASSERT_TRUE(GetVersionEx(&info));
        EXPECT_EQ(info.dwPlatformId, c.Version.Platform);
        EXPECT_EQ(info.dwMajorVersion, c.Version.Major);
        EXPECT_EQ(info.dwMinorVersion, c.Version.Minor);
        EXPECT_EQ(info.dwBuildNumber, c.Version.Build);
        // The service-pack text is cut to fit and always terminated.
        EXPECT_EQ(std::string(info.szCSDVersion), c.Version.ServicePack.substr(0, 127));
        EXPECT_EQ(GetVersion(), c.Expected);
    }
    ResetOsVersion();
}

TEST(Version, ARecordOfAnotherSizeIsRefused) {
    OSVERSIONINFOA info;
    info.dwOSVersionInfoSize = 144;
    SetLastError(0);
    EXPECT_FALSE(GetVersionEx(&info));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(info.dwMajorVersion, 0u);
    EXPECT_FALSE(GetVersionEx(nullptr));
}
