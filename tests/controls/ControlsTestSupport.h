// Shared by the control set's tests: a 32-bit memory surface with a class-library canvas over it, the
// count of GDI objects that every drawing test checks is back where it started, and a form on the headless
// screen for the tests of whole controls.
#pragma once

#include "controls/FcRegister.h"
#include "controls/FcThemeServices.h"
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Classes.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Clock.h"
#include "platform/win/theme/ThemeEngine.h"
#include "platform/win/user/Input.h"
#include "platform/win/user/User.h"

#include <gtest/gtest.h>

#include <array>
#include <string>

namespace fctest {

// A colour as the screen shows it, system colours resolved.
inline win::COLORREF Rgb(vcl::TColor c) {
    return win::COLORREF(vcl::ColorToRGB(c)) & 0xFFFFFF;
}

// The editor's highlight and hot-track colours.
constexpr vcl::TColor EditorHighlight = 16026986, EditorHotTrack = 3983359;

// Channel i of a colour: 0 red, 1 green, 2 blue.
inline int Channel(win::COLORREF c, int i) {
    return int((c >> (8 * i)) & 0xFF);
}

// A DIB section of 32 bits selected into a memory DC, filled with a sentinel colour, and a canvas on it.
class Surface {
public:
    Surface(int width, int height, win::COLORREF fill = Sentinel) : FWidth(width), FHeight(height) {
        FDc = win::CreateCompatibleDC(nullptr);
        win::BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(win::BITMAPINFOHEADER);
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        FBitmap = win::CreateDIBSection(FDc, &info, win::DIB_RGB_COLORS, &bits, nullptr, 0);
        FOld = win::SelectObject(FDc, win::ToGdiObj(FBitmap));
        Fill(fill);
        FCanvas.SetHandle(FDc);
    }
    ~Surface() {
        FCanvas.SetHandle(nullptr);
        win::SelectObject(FDc, FOld);
        win::DeleteObject(FBitmap);
        win::DeleteDC(FDc);
    }
    Surface(const Surface&) = delete;
    Surface& operator=(const Surface&) = delete;

    static constexpr win::COLORREF Sentinel = 0x030201;

    void Fill(win::COLORREF c) {
        win::HBRUSH b = win::CreateSolidBrush(c);
        win::TRect r{0, 0, FWidth, FHeight};
        win::FillRect(FDc, &r, b);
        win::DeleteObject(b);
    }
    win::HDC Dc() const { return FDc; }
    vcl::TCanvas* Canvas() { return &FCanvas; }
    win::COLORREF Pixel(int x, int y) const { return win::GetPixel(FDc, x, y); }
    int Width() const { return FWidth; }
    int Height() const { return FHeight; }

private:
    int FWidth, FHeight;
    win::HDC FDc = nullptr;
    win::HBITMAP FBitmap = nullptr;
    win::HGDIOBJ FOld = nullptr;
    vcl::TCanvas FCanvas;
};

// A root component written as layout text, and read back from it.
inline std::string WriteRoot(vcl::TComponent* root) {
    vcl::TMemoryStream out;
    vcl::TWriter writer(&out);
    writer.WriteRootComponent(root);
    return vcl::ObjectBinaryToText(std::string(static_cast<const char*>(out.Memory()), size_t(out.GetSize())));
}

inline void ReadRoot(vcl::TComponent* root, const std::string& text) {
    const std::string binary = vcl::ObjectTextToBinary(text);
    vcl::TReadOnlyMemoryStream stream(binary.data(), int64_t(binary.size()));
    vcl::TReader reader(&stream);
    reader.ReadRootComponent(root);
}

// Counts of every kind of GDI object, to compare before and after a test.
inline std::array<int, int(win::GdiKind::gkCount)> GdiCounts() {
    std::array<int, int(win::GdiKind::gkCount)> counts{};
    for (int k = 0; k < int(win::GdiKind::gkCount); ++k)
        counts[k] = win::GdiObjectCount(win::GdiKind(k));
    return counts;
}

// A test of whole controls: the control classes registered, a button-face form at the bounds given on the
// headless screen, under a manual clock; every form, message and theme state goes when the test ends.
class FormTest : public ::testing::Test {
protected:
    FormTest(int left, int top, int width, int height) : FBounds{left, top, width, height} {}
    void SetUp() override {
        controls::RegisterControlClasses();
        win::ResetInputState();
        FScreen.SetStallGraceMs(0);
        vcl::Application->ResetForTesting();
        FForm = new vcl::TForm(nullptr);
        FForm->SetBounds(FBounds[0], FBounds[1], FBounds[2], FBounds[3]);
        FForm->SetColor(vcl::clBtnFace);
    }
    void TearDown() override {
        while (vcl::Screen->GetFormCount() > 0)
            vcl::Screen->GetForm(0)->Free();
        win::MSG m;
        while (win::PeekMessage(&m, nullptr, 0, 0, win::PM_REMOVE)) {
        }
        controls::FreeThemeServices();
        win::SetThemeEngine(nullptr);
        vcl::Application->ResetForTesting();
        win::ResetInputState();
    }

    int FBounds[4];
    win::ManualClock FClock{100000};
    win::ScopedClock FClockScope{FClock};
    headless::HeadlessScreen FScreen;
    vcl::TForm* FForm = nullptr;
};

} // namespace fctest
