#include "platform/vcl/Clipbrd.h"

#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/kernel/Memory.h"
#include "platform/win/ole/Clipboard.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vcl;

namespace {

// A graphic that puts a few bytes on the clipboard in its own registered format.
class TNoteGraphic : public TBitmap {
public:
    uint16_t Format = uint16_t(win::RegisterClipboardFormat("Loomwick Note"));
    void SaveToClipboardFormat(uint16_t& format, win::HANDLE& data, win::HPALETTE& palette) override {
        format = Format;
        win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, 4);
        std::memcpy(win::GlobalLock(block), "note", 4);
        win::GlobalUnlock(block);
        data = block;
        palette = nullptr;
    }
};

TEST(ClipbrdTest, TextRoundTripsAndReplacesWhatWasThere) {
    headless::HeadlessScreen screen;
    TClipboard* cb = Clipboard();
    cb->SetAsText("Frame 1 \xE2\x80\x94 delay 10");
    EXPECT_TRUE(cb->HasFormat(win::CF_TEXT));
    EXPECT_EQ(cb->GetAsText(), "Frame 1 \xE2\x80\x94 delay 10");

    TNoteGraphic note;
    cb->Assign(&note);
    EXPECT_TRUE(cb->HasFormat(note.Format));
    EXPECT_FALSE(cb->HasFormat(win::CF_TEXT)); // a new content replaces the old
    EXPECT_EQ(cb->GetAsText(), "");
    auto block = static_cast<win::HGLOBAL>(cb->GetAsHandle(note.Format));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(std::memcmp(win::GlobalLock(block), "note", 4), 0);
    win::GlobalUnlock(block);

    // Several formats in one open series stay together.
    cb->Open();
    cb->SetAsText("both");
    cb->Assign(&note);
    cb->Close();
    EXPECT_TRUE(cb->HasFormat(win::CF_TEXT));
    EXPECT_TRUE(cb->HasFormat(note.Format));
    EXPECT_EQ(cb->GetFormatCount(), 2);

    cb->Clear();
    EXPECT_EQ(cb->GetFormatCount(), 0);
    EXPECT_THROW(cb->GetFormat(0), EListError);
}

TEST(ClipbrdTest, TextWithoutTerminatorIsReadOnlyToTheEndOfItsBlock) {
    headless::HeadlessScreen screen;
    win::HGLOBAL block = win::GlobalAlloc(win::GMEM_MOVEABLE, 3);
    std::memcpy(win::GlobalLock(block), "abc", 3);
    win::GlobalUnlock(block);
    Clipboard()->SetAsHandle(win::CF_TEXT, block);
    EXPECT_EQ(Clipboard()->GetAsText(), "abc");
    Clipboard()->Clear();
}

} // namespace
