#include "platform/win/ole/Clipboard.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <thread>

using namespace win;

namespace {

HGLOBAL Block(const char* text) {
    size_t n = std::strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, n);
    std::memcpy(GlobalLock(h), text, n);
    GlobalUnlock(h);
    return h;
}

std::string Text(HANDLE h) {
    auto* p = static_cast<const char*>(GlobalLock(h));
    std::string s(p, GlobalSize(h) - 1);
    GlobalUnlock(h);
    return s;
}

} // namespace

TEST(Clipboard, HoldsOneBlockPerFormatAndFreesThemWhenEmptied) {
    int bitmaps = GdiObjectCount(GdiKind::gkBitmap);
    UINT gif = RegisterClipboardFormat("GIF Image");
    EXPECT_EQ(RegisterClipboardFormat("gif image"), gif);
    char name[64];
    EXPECT_EQ(GetClipboardFormatName(gif, name, sizeof name), 9);
    EXPECT_STREQ(name, "GIF Image");
    EXPECT_EQ(GetClipboardFormatName(CF_TEXT, name, sizeof name), 0);

    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_TRUE(EmptyClipboard());
    HGLOBAL text = Block("hello");
    EXPECT_EQ(SetClipboardData(CF_TEXT, text), text);
    HGLOBAL gifBlock = Block("GIF89a");
    EXPECT_EQ(SetClipboardData(gif, gifBlock), gifBlock);
    EXPECT_EQ(GetClipboardData(gif), gifBlock);
    HBITMAP bmp = CreateBitmap(4, 4, 1, 32, nullptr);
    EXPECT_NE(SetClipboardData(CF_BITMAP, ToGdiObj(bmp)), nullptr);
    HGLOBAL replaced = Block("replaced");
    EXPECT_EQ(SetClipboardData(CF_TEXT, replaced), replaced);
    EXPECT_EQ(GlobalSize(text), 0u); // the block it replaced was freed
    EXPECT_EQ(EnumClipboardFormats(0), CF_TEXT);
    EXPECT_EQ(EnumClipboardFormats(CF_TEXT), gif);
    EXPECT_EQ(EnumClipboardFormats(gif), CF_BITMAP);
    EXPECT_EQ(EnumClipboardFormats(CF_BITMAP), 0u);
    EXPECT_TRUE(CloseClipboard());

    EXPECT_TRUE(IsClipboardFormatAvailable(gif));
    EXPECT_EQ(GetClipboardData(gif), nullptr); // not open
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "replaced");
    EXPECT_EQ(Text(GetClipboardData(gif)), "GIF89a");
    EmptyClipboard();
    CloseClipboard();
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    EXPECT_EQ(GdiObjectCount(GdiKind::gkBitmap), bitmaps);
}

TEST(Clipboard, RefusesWhenNotOpenOrOpenElsewhere) {
    HGLOBAL mine = Block("x");
    EXPECT_EQ(SetClipboardData(CF_TEXT, mine), nullptr); // not open: the caller keeps the block
    EXPECT_EQ(GlobalFree(mine), nullptr);
    ASSERT_TRUE(OpenClipboard(nullptr));
    bool otherOpened = true;
    std::thread other([&] { otherOpened = OpenClipboard(nullptr); });
    other.join();
    EXPECT_FALSE(otherOpened);
    EXPECT_EQ(SetClipboardData(CF_TEXT, nullptr), nullptr);
    CloseClipboard();
}

namespace {

// A desktop clipboard in memory: what the store publishes, and what another program offers.
class FakeDesktop final : public IClipboardBridge {
public:
    void Emptied() override { Given.clear(), ++Empties; }
    void Published(UINT f, const std::vector<uint8_t>& b) override { Given[f] = b; }
    bool Fetch(UINT f, std::vector<uint8_t>* b) override {
        auto it = Offered.find(f);
        if (it == Offered.end())
            return false;
        *b = it->second;
        return true;
    }
    std::map<UINT, std::vector<uint8_t>> Given;
    std::map<UINT, std::vector<uint8_t>> Offered;
    int Empties = 0;
};

// A 2 x 1 packed DIB of 24 bits: red, then blue (rows padded to 4 bytes).
std::vector<uint8_t> TwoPixelDib() {
    BITMAPINFOHEADER h{};
    h.biSize = sizeof h;
    h.biWidth = 2;
    h.biHeight = 1;
    h.biPlanes = 1;
    h.biBitCount = 24;
    std::vector<uint8_t> block(sizeof h);
    std::memcpy(block.data(), &h, sizeof h);
    for (uint8_t b : {0, 0, 255, 255, 0, 0, 0, 0})
        block.push_back(b);
    return block;
}

} // namespace

TEST(Clipboard, TheDesktopSeesTextAndBitmapsAndLendsItsOwn) {
    FakeDesktop desktop;
    SetClipboardBridge(&desktop);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_TEXT, Block("shared"));
    HBITMAP bmp = BitmapFromPackedDib(TwoPixelDib().data(), TwoPixelDib().size());
    ASSERT_NE(bmp, nullptr);
    SetClipboardData(CF_BITMAP, ToGdiObj(bmp));
    CloseClipboard();
    EXPECT_EQ(desktop.Empties, 1);
    EXPECT_EQ(desktop.Given[CF_TEXT].size(), 7u);
    // The bitmap went out as a 32-bit packed DIB.
    const auto& dib = desktop.Given[CF_DIB];
    ASSERT_EQ(dib.size(), sizeof(BITMAPINFOHEADER) + 8);
    EXPECT_EQ(dib[sizeof(BITMAPINFOHEADER) + 2], 255); // red in the first pixel (B, G, R, A)
    EXPECT_EQ(dib[sizeof(BITMAPINFOHEADER) + 4], 255); // blue in the second

    // Another program takes the desktop's clipboard: the store lets go and lends the desktop's data.
    DesktopClipboardChanged();
    desktop.Offered[CF_TEXT] = {'t', 'h', 'e', 'i', 'r', 's', 0};
    desktop.Offered[CF_DIB] = TwoPixelDib();
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
    ASSERT_TRUE(OpenClipboard(nullptr));
    EXPECT_EQ(Text(GetClipboardData(CF_TEXT)), "theirs");
    HBITMAP pasted = AsBitmap(static_cast<HGDIOBJ>(GetClipboardData(CF_BITMAP)));
    ASSERT_NE(pasted, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, ToGdiObj(pasted));
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, 1, 0), RGB(0, 0, 255));
    SelectObject(dc, old);
    DeleteDC(dc);
    CloseClipboard();

    // Images the desktop describes wrongly are refused, not read past their end.
    auto dibs = std::vector<std::vector<uint8_t>>(4, TwoPixelDib());
    dibs[0].resize(dibs[0].size() - 1); // rows cut short
    dibs[1][14] = 8;                    // 8 bits per pixel
    dibs[2][4] = 0;                     // width 0
    dibs[3][0] = 200;                   // header larger than the block
    for (auto& d : dibs)
        EXPECT_EQ(BitmapFromPackedDib(d.data(), d.size()), nullptr);
    SetClipboardBridge(nullptr);
    DesktopClipboardChanged();
}
