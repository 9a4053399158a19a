#include "platform/win/kernel/Errors.h"
#include "platform/win/kernel/Modules.h"
#include "platform/win/kernel/Version.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

using namespace win;

namespace {

class VersionResourceTest : public ::testing::Test {
protected:
    void SetUp() override {
        // The window system registers the common controls' module; these tests run on the kernel alone.
        RegisterModuleExports("comctl32.dll", {});
        RegisterModuleExports("VerTest.dll", {});
    }
    void TearDown() override {
        ResetModuleVersions();
        ResetModuleSwitches();
    }

    // Reads the module's fixed file information the way callers do: size, block, root query.
    static bool ReadFixed(const char* module, VS_FIXEDFILEINFO& out) {
        DWORD handle = 77;
        DWORD size = GetFileVersionInfoSizeA(module, &handle);
        EXPECT_EQ(handle, 0u);
        if (size == 0)
            return false;
        std::vector<unsigned char> block(size);
        if (!GetFileVersionInfoA(module, handle, size, block.data()))
            return false;
        void* fixed = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), "\\", &fixed, &length))
            return false;
        EXPECT_EQ(length, sizeof(VS_FIXEDFILEINFO));
        // The answer points into the caller's block, not at storage of the layer.
        EXPECT_GE(static_cast<unsigned char*>(fixed), block.data());
        EXPECT_LE(static_cast<unsigned char*>(fixed) + length, block.data() + block.size());
        std::memcpy(&out, fixed, sizeof out);
        return true;
    }
};

} // namespace

TEST_F(VersionResourceTest, TheCommonControlsAnswerSixPointZero) {
    EXPECT_GT(GetFileVersionInfoSize("comctl32.dll", nullptr), 0u);
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(ReadFixed("COMCTL32.DLL", info));
    EXPECT_EQ(info.dwSignature, 0xFEEF04BDu);
    EXPECT_EQ(info.dwStrucVersion, 0x00010000u);
    EXPECT_EQ(info.dwFileVersionMS, 0x00060000u);
    EXPECT_EQ(info.dwProductVersionMS, 0x00060000u);
    EXPECT_EQ(info.dwFileType, VFT_DLL);
}

TEST_F(VersionResourceTest, ASetVersionReadsBack) {
    struct Case {
        const char* Module;
        DWORD MS, LS;
    } cases[] = {
        {"comctl32.dll", 0x00050052, 0x0B540884}, // 5.82.2900.2180
        {"comctl32", 0x00040048, 0},             // 4.72, named without the extension
        {"vertest.dll", 0xFFFFFFFF, 0xFFFFFFFF},
    };
    for (const Case& c : cases) {
        SetModuleFileVersion(c.Module, c.MS, c.LS);
        VS_FIXEDFILEINFO info;
        ASSERT_TRUE(ReadFixed(c.Module, info)) << c.Module;
        EXPECT_EQ(info.dwFileVersionMS, c.MS) << c.Module;
        EXPECT_EQ(info.dwFileVersionLS, c.LS) << c.Module;
        EXPECT_EQ(info.dwSignature, VS_FFI_SIGNATURE);
    }
    // The switch takes the resource away and gives the same one back; it gives none to a module without.
    SetModuleVersionAbsent("vertest.dll", true);
    EXPECT_EQ(GetFileVersionInfoSize("vertest.dll", nullptr), 0u);
    SetModuleVersionAbsent("vertest.dll", false);
    VS_FIXEDFILEINFO info;
    ASSERT_TRUE(ReadFixed("vertest.dll", info));
    EXPECT_EQ(info.dwFileVersionMS, 0xFFFFFFFFu);
    ResetModuleVersions();
    SetModuleVersionAbsent("vertest.dll", true);
    SetModuleVersionAbsent("vertest.dll", false);
    EXPECT_EQ(GetFileVersionInfoSize("vertest.dll", nullptr), 0u);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    ASSERT_TRUE(ReadFixed("comctl32.dll", info));
    EXPECT_EQ(info.dwFileVersionMS, 0x00060000u);
}

TEST_F(VersionResourceTest, FailuresReportAnErrorAndWriteNothing) {
    const DWORD full = GetFileVersionInfoSize("comctl32.dll", nullptr);
    ASSERT_GT(full, 0u);
    struct Case {
        const char* Name;
        const char* Module;
        bool ResourceOff;
        DWORD Size; // given to GetFileVersionInfo
        DWORD SizeAnswer; // expected of GetFileVersionInfoSize
        DWORD Error;
    } cases[] = {
        {"resource off", "comctl32.dll", true, full, 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"no resource given", "vertest.dll", false, full, 0, ERROR_RESOURCE_TYPE_NOT_FOUND},
        {"unknown module", "nosuch.dll", false, full, 0, ERROR_FILE_NOT_FOUND},
        {"a path", "C:\\WINDOWS\\system32\\comctl32.dll", false, full, 0, ERROR_FILE_NOT_FOUND},
        {"one byte short", "comctl32.dll", false, full - 1, full, ERROR_INSUFFICIENT_BUFFER},
        {"no room", "comctl32.dll", false, 0, full, ERROR_INSUFFICIENT_BUFFER},
    };
    for (const Case& c : cases) {
        SetModuleVersionAbsent("comctl32.dll", c.ResourceOff);
        SetLastError(0);
        EXPECT_EQ(GetFileVersionInfoSize(c.Module, nullptr), c.SizeAnswer) << c.Name;
        if (c.SizeAnswer == 0) {
            EXPECT_EQ(GetLastError(), c.Error) << c.Name;
        }
        std::vector<unsigned char> buffer(full + 16, 0xAB);
        SetLastError(0);
        EXPECT_FALSE(GetFileVersionInfo(c.Module, 0, c.Size, buffer.data())) << c.Name;
        EXPECT_EQ(GetLastError(), c.Error) << c.Name;
        EXPECT_TRUE(std::all_of(buffer.begin(), buffer.end(), [](unsigned char b) { return b == 0xAB; }))
            << c.Name;
    }
}

TEST_F(VersionResourceTest, OnlyTheRootOfAFilledBlockIsAnswered) {
    const DWORD size = GetFileVersionInfoSize("comctl32.dll", nullptr);
    std::vector<unsigned char> block(size);
    ASSERT_TRUE(GetFileVersionInfo("comctl32.dll", 0, size, block.data()));
    void* untouched = &block;
    UINT length = 1234;
    for (const char* sub : {"\\StringFileInfo\\040904B0\\FileVersion", "\\VarFileInfo\\Translation", "\\\\"}) {
        EXPECT_FALSE(VerQueryValue(block.data(), sub, &untouched, &length)) << sub;
        EXPECT_EQ(GetLastError(), ERROR_RESOURCE_DATA_NOT_FOUND);
    }
    std::vector<unsigned char> garbage(size, 0x5A);
    EXPECT_FALSE(VerQueryValue(garbage.data(), "\\", &untouched, &length));
    EXPECT_EQ(untouched, static_cast<void*>(&block));
    EXPECT_EQ(length, 1234u);
    EXPECT_FALSE(VerQueryValue(nullptr, "\\", &untouched, &length));
}
