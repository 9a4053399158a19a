#include "platform/win/ole/Clipboard.h"
#include "platform/win/gdi/Gdi.h"
#include "platform/win/kernel/Memory.h"

#include <gtest/gtest.h>

#include <cstring>
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
