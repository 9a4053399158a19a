#include "controls/FcGraphics.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Version.h"

#include <gtest/gtest.h>

#include <string>

using namespace controls;
using vcl::clBlack;
using vcl::clBtnFace;
using vcl::clRed;
using vcl::clWhite;
using vcl::clWindow;

namespace {

constexpr TColor Rgb(int r, int g, int b) { return TColor(r | (g << 8) | (b << 16)); }

TEST(ColorRoutinesTest, ThePartsCases) {
    struct HslCase {
        TColor Color;
        THSL240 Hsl;
    };
    const HslCase toHsl[] = {
        {Rgb(255, 0, 0), {0, 240, 120}},
        {Rgb(255, 255, 255), {0, 0, 240}},
        {Rgb(0, 0, 0), {0, 0, 0}},
        {Rgb(128, 128, 128), {0, 0, 120}}, // 0.50196 * 240 = 120.47
        {Rgb(0, 0, 255), {160, 240, 120}},
        {Rgb(0, 255, 0), {80, 240, 120}},
        {Rgb(106, 106, 106), {0, 0, 100}},
        {Rgb(169, 169, 169), {0, 0, 159}},
        {Rgb(170, 170, 170), {0, 0, 160}},
    };
    for (const HslCase& c : toHsl) {
        SCOPED_TRACE(c.Color);
        EXPECT_EQ(ColorToHSL240(c.Color), c.Hsl);
        EXPECT_EQ(HueOfColor(c.Color), c.Hsl.H);
    }

    struct Case {
        const char* Name;
        TColor Got, Expected;
    };
    const Case cases[] = {
        {"HSL (0, 240, 120) is red", HSL240ToColor(0, 240, 120), Rgb(255, 0, 0)},
        // h = 160/239: sextant 4, f = 0.0167, so red is 0.0167 * 255 = 4.27.
        {"HSL (160, 240, 120) is nearly blue", HSL240ToColor(160, 240, 120), Rgb(4, 0, 255)},
        {"H 239 is the full turn", HSL240ToColor(239, 240, 120), Rgb(255, 0, 0)},
        {"no luminance is black", HSL240ToColor(100, 200, 0), Rgb(0, 0, 0)},
        {"L above 240 is white", HSL240ToColor(40, 100, 250), Rgb(255, 255, 255)},
        {"darker black stays black", DarkerColor(clBlack, 50), clBlack},
        {"lighter white stays white", LighterColor(clWhite, 50), clWhite},
        // L 60: v = 0.5, red 127.5 rounds to the even 128.
        {"red darkened by 60", DarkerColor(clRed, 60), Rgb(128, 0, 0)},
        {"red lightened by 60", LighterColor(clRed, 60), Rgb(255, 128, 128)},
        {"shade 0 keeps a system colour", ShadeColor(clBtnFace, 0), clBtnFace},
        {"shade +60 is lighter", ShadeColor(clRed, 60), Rgb(255, 128, 128)},
        {"shade -60 is darker", ShadeColor(clRed, -60), Rgb(128, 0, 0)},
        {"shade resolves system colours", ShadeColor(clBlack, 240), clWhite},
        {"blend 30 of black into white", BlendColors(clBlack, clWhite, 30), Rgb(225, 225, 225)},
        {"blend 255 is the first colour", BlendColors(Rgb(1, 2, 3), Rgb(200, 100, 50), 255), Rgb(1, 2, 3)},
        {"blend 0 is the second colour", BlendColors(Rgb(1, 2, 3), Rgb(200, 100, 50), 0), Rgb(200, 100, 50)},
        {"blend resolves system colours", BlendColors(clBtnFace, clBtnFace, 77), vcl::ColorToRGB(clBtnFace)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.Got, c.Expected) << c.Name;

    // Equal hues, luminances 100 and 159 are close; 100 and 160 are not.
    EXPECT_TRUE(ColorsAreClose(Rgb(106, 106, 106), Rgb(169, 169, 169)));
    EXPECT_FALSE(ColorsAreClose(Rgb(106, 106, 106), Rgb(170, 170, 170)));
    EXPECT_FALSE(ColorsAreClose(Rgb(255, 0, 0), Rgb(0, 255, 0))); // hues 0 and 80
    EXPECT_TRUE(ColorsAreClose(clWindow, clWhite));              // clWindow resolves to white
    EXPECT_EQ(IMin(3, -4), -4);
    EXPECT_EQ(IMax(3, -4), 3);
}

TEST(SystemRoutinesTest, WindowsVersionsByKind) {
    struct Case {
        win::DWORD Platform, Major, Minor;
        int Kind; // the one kind that answers true, or -1
    };
    const Case cases[] = {
        {win::VER_PLATFORM_WIN32_NT, 5, 1, wvWinXP},     {win::VER_PLATFORM_WIN32_NT, 5, 2, wvWin2003},
        {win::VER_PLATFORM_WIN32_NT, 4, 0, wvWinNT},     {win::VER_PLATFORM_WIN32_NT, 5, 0, wvWin2000},
        {win::VER_PLATFORM_WIN32_WINDOWS, 4, 0, wvWin95}, {win::VER_PLATFORM_WIN32_WINDOWS, 4, 10, wvWin98},
        {win::VER_PLATFORM_WIN32_WINDOWS, 4, 90, wvWinMe}, {win::VER_PLATFORM_WIN32_NT, 6, 0, -1},
    };
    for (const Case& c : cases) {
        win::OsVersion v;
        v.Platform = c.Platform;
        v.Major = c.Major;
        v.Minor = c.Minor;
        win::SetOsVersion(v);
        for (int kind = 0; kind <= 8; ++kind)
            EXPECT_EQ(IsWindowsVersion(uint8_t(kind)), kind == c.Kind)
                << c.Platform << " " << c.Major << "." << c.Minor << " kind " << kind;
    }
    win::ResetOsVersion();
    EXPECT_TRUE(IsWindowsVersion(wvWinXP));
}

TEST(SystemRoutinesTest, FontsAndTheDisplay) {
    headless::HeadlessScreen screen;
    EXPECT_TRUE(DisplayHasFullColor());
    win::SetScreenBitsPixel(8);
    EXPECT_FALSE(DisplayHasFullColor());
    win::SetScreenBitsPixel(32);

    vcl::TFont font;
    font.SetName("Arial");
    font.SetHeight(-13);
    font.SetStyle({vcl::fsBold, vcl::fsUnderline});
    font.SetPitch(vcl::fpVariable);
    win::HFONT rotated = CreateRotatedFont(&font, 90);
    ASSERT_NE(rotated, nullptr);
    win::LOGFONT lf{};
    ASSERT_EQ(win::GetObject(win::ToGdiObj(rotated), sizeof lf, &lf), int(sizeof lf));
    EXPECT_EQ(lf.lfHeight, -13);
    EXPECT_EQ(lf.lfEscapement, 900);
    EXPECT_EQ(lf.lfOrientation, 0);
    EXPECT_EQ(lf.lfWeight, 700);
    EXPECT_EQ(lf.lfUnderline, 1);
    EXPECT_EQ(lf.lfItalic, 0);
    EXPECT_EQ(lf.lfCharSet, 1);
    EXPECT_EQ(lf.lfPitchAndFamily, 2);
    EXPECT_EQ(std::string(lf.lfFaceName), "Arial");
    win::DeleteObject(rotated);

    EXPECT_TRUE(IsTrueTypeFont(&font));
    // Arial's text height at 13 pixels of character height (Liberation Sans keeps its metrics): 15.
    EXPECT_EQ(FontLineHeight(&font), 15 + 2);
}

class TRecordingDesigner : public vcl::IFormDesigner {
public:
    void Modified() override { ++ModifiedCount; }
    void SelectComponent(vcl::TPersistent*) override {}
    vcl::TPersistent* GetSelectedComponent() override { return nullptr; }
    void DeleteComponent(vcl::TComponent*) override {}
    std::string UniqueName(const std::string& baseName) override { return baseName; }
    void EditItem(vcl::TComponent*) override {}
    int ModifiedCount = 0;
};

TEST(SystemRoutinesTest, TheDesignerHearsOnlyOfControlsItDesigns) {
    headless::HeadlessScreen screen;
    auto* form = new vcl::TForm(nullptr);
    auto* button = new vcl::TButton(form);
    button->SetParent(form);
    TRecordingDesigner designer;

    NotifyDesignerModified(button); // run time: no designer
    form->SetDesigner(&designer);
    NotifyDesignerModified(button); // not being designed
    EXPECT_EQ(designer.ModifiedCount, 0);
    form->SetDesigning(true);
    NotifyDesignerModified(button);
    EXPECT_EQ(designer.ModifiedCount, 1);
    button->Updating();
    NotifyDesignerModified(button); // busy
    button->Updated();
    NotifyDesignerModified(nullptr);
    EXPECT_EQ(designer.ModifiedCount, 1);
    form->SetDesigner(nullptr);
    delete form;
}

} // namespace
