#include "GifTestUtil.h"
#include "platform/win/gdi/Gdi.h"

#include <gtest/gtest.h>

using namespace gif;
using namespace giftest;

namespace {

TGifColor Rgb(int r, int g, int b) {
    return r | (g << 8) | (b << 16);
}

TEST(GifColorMap, ReserveGrowsInStepsOf16Then32) {
    struct Case {
        int count;
        int capacity;
    } cases[] = {{0, 16},  {1, 16},    {16, 16},   {17, 32},  {32, 32},
                 {33, 64}, {200, 224}, {255, 256}, {256, 256}};
    for (const Case& c : cases) {
        TGifColorMap map;
        map.Reserve(c.count);
        EXPECT_EQ(map.GetCapacity(), c.capacity) << c.count;
    }
    // Appending one by one reallocates at most nine times.
    TGifColorMap map;
    int changes = 0;
    int last = 0;
    for (int i = 0; i < 256; ++i) {
        map.AppendColor(Rgb(i, 0, 0));
        if (map.GetCapacity() != last)
            ++changes;
        last = map.GetCapacity();
    }
    EXPECT_LE(changes, 9);
}

TEST(GifColorMap, AppendingThe257thColorOverflows) {
    TGifColorMap map;
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(map.AppendColor(Rgb(i, 1, 2)), i);
    EXPECT_THROW(
        {
            try {
                map.AppendColor(0);
            } catch (const EGifError& e) {
                EXPECT_STREQ(e.what(), "Color table overflow");
                throw;
            }
        },
        EGifError);
    EXPECT_EQ(map.GetEntryCount(), 256);
}

TEST(GifColorMap, LookupsAndEditing) {
    TGifColorMap map;
    map.AppendColor(Rgb(1, 2, 3));
    map.AppendColor(Rgb(9, 9, 9));
    map.AppendColor(Rgb(1, 2, 3));
    // Unsorted tables are searched from the last entry down, sorted ones from the first up.
    EXPECT_EQ(map.FindColorIndex(Rgb(1, 2, 3)), 2);
    map.SetSortedFlag(true);
    EXPECT_EQ(map.FindColorIndex(Rgb(1, 2, 3)), 0);
    EXPECT_EQ(map.FindColorIndex(Rgb(7, 7, 7)), -1);
    // System colours (high byte set) are stored by their low three bytes.
    EXPECT_EQ(map.FindOrAppendColor(int32_t(0x80000000u | uint32_t(Rgb(5, 6, 7)))), 3);
    EXPECT_EQ(map.EntryColor(3), Rgb(5, 6, 7));
    EXPECT_FALSE(map.GetSortedFlag());

    map.SetEntryColor(1, Rgb(4, 4, 4));
    EXPECT_EQ(map.EntryColor(1), Rgb(4, 4, 4));
    map.RemoveEntry(0);
    EXPECT_EQ(map.GetEntryCount(), 3);
    EXPECT_EQ(map.EntryColor(0), Rgb(4, 4, 4));
    EXPECT_THROW(map.RemoveEntry(3), EGifError);
    EXPECT_THROW(map.SetEntryColor(-1, 0), EGifError);
}

TEST(GifColorMap, EntryColorOutsideTheTableReportsAndReadsEntryZero) {
    TGifDocument doc;
    std::vector<std::string> issues;
    doc.OnIssue = [&](vcl::TObject*, int32_t, const std::string& m) { issues.push_back(m); };
    TGifColorMap* map = doc.GlobalColorMap();
    EXPECT_THROW(map->EntryColor(0), EGifError);
    EXPECT_EQ(issues, std::vector<std::string>{"Invalid color index"});
    map->AppendColor(Rgb(10, 20, 30));
    map->AppendColor(Rgb(1, 1, 1));
    map->AppendColor(Rgb(2, 2, 2));
    EXPECT_EQ(map->EntryColor(5), Rgb(10, 20, 30));
    EXPECT_EQ(issues.size(), 2u);
}

TEST(GifColorMap, WriteTablePadsToAPowerOfTwo) {
    TGifColorMap map;
    vcl::TMemoryStream empty;
    map.WriteTable(&empty);
    EXPECT_EQ(empty.GetSize(), 0);
    for (int i = 1; i <= 5; ++i)
        map.AppendColor(Rgb(i, i, i));
    EXPECT_EQ(map.TableBits(), 3);
    vcl::TMemoryStream stream;
    map.WriteTable(&stream);
    ASSERT_EQ(stream.GetSize(), 24);
    const auto* p = static_cast<const uint8_t*>(stream.Memory());
    EXPECT_EQ(p[12], 5);
    for (int i = 15; i < 24; ++i)
        EXPECT_EQ(p[i], 0);
    // Reading it back takes exactly 3 x N bytes; fewer raise.
    stream.SetPosition(0);
    TGifColorMap back;
    back.ReadTable(&stream, 8);
    EXPECT_EQ(back.GetEntryCount(), 8);
    EXPECT_THROW(back.ReadTable(&stream, 1), EGifError);
}

TEST(GifColorMap, SortAndPruneOrdersByUseAndDropsUnusedEntries) {
    TGifDocument doc;
    TGifFrame* frame = AddFrame(doc, 10, 1, {2, 2, 2, 2, 2, 2, 0, 0, 2, 2});
    TGifLocalColorMap* local = frame->GetLocalColorMap();
    for (int i = 0; i < 4; ++i)
        local->AppendColor(Rgb(i, 0, 0));
    auto* gce = new TGifGraphicControlExtension(frame);
    frame->GetExtensionList()->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(0);

    EXPECT_TRUE(local->SortAndPrune());
    EXPECT_TRUE(local->GetSortedFlag());
    ASSERT_EQ(local->GetEntryCount(), 2);
    EXPECT_EQ(local->EntryColor(0), Rgb(2, 0, 0));
    EXPECT_EQ(local->EntryColor(1), Rgb(0, 0, 0));
    EXPECT_EQ(FramePixels(frame), (Bytes{0, 0, 0, 0, 0, 0, 1, 1, 0, 0}));
    EXPECT_EQ(gce->GetTransparentIndex(), 1);
}

TEST(GifColorMap, SortAndPruneEdgeCases) {
    TGifDocument doc;
    // One entry: nothing to sort, the flag stays off.
    TGifFrame* one = AddFrame(doc, 2, 1, {0, 0});
    one->GetLocalColorMap()->AppendColor(0);
    EXPECT_FALSE(one->GetLocalColorMap()->SortAndPrune());
    EXPECT_FALSE(one->GetLocalColorMap()->GetSortedFlag());
    // Already in order of decreasing use: the unused last entry is kept.
    TGifFrame* ordered = AddFrame(doc, 6, 1, {0, 0, 0, 1, 1, 2});
    for (int i = 0; i < 4; ++i)
        ordered->GetLocalColorMap()->AppendColor(Rgb(i, i, 0));
    EXPECT_TRUE(ordered->GetLocalColorMap()->SortAndPrune());
    EXPECT_TRUE(ordered->GetLocalColorMap()->GetSortedFlag());
    EXPECT_EQ(ordered->GetLocalColorMap()->GetEntryCount(), 4);
    // A global table without frames is left alone.
    TGifDocument empty;
    empty.GlobalColorMap()->AppendColor(1);
    empty.GlobalColorMap()->AppendColor(2);
    EXPECT_FALSE(empty.GlobalColorMap()->SortAndPrune());
    EXPECT_FALSE(empty.GlobalColorMap()->GetSortedFlag());
}

TEST(GifColorMap, GlobalSortAndPruneRemapsEveryFrameUsingIt) {
    TGifDocument doc;
    for (int i = 0; i < 3; ++i)
        doc.GlobalColorMap()->AppendColor(Rgb(i, 0, 0));
    TGifFrame* a = AddFrame(doc, 3, 1, {1, 1, 2});
    TGifFrame* b = AddFrame(doc, 2, 1, {1, 7}); // 7 lies beyond the table and stays there
    TGifFrame* own = AddFrame(doc, 2, 1, {0, 0});
    own->GetLocalColorMap()->AppendColor(0);
    own->GetLocalColorMap()->AppendColor(1);
    doc.GetHeader()->SetBackgroundIndex(1);
    EXPECT_TRUE(doc.GlobalColorMap()->SortAndPrune());
    EXPECT_EQ(doc.GlobalColorMap()->GetEntryCount(), 2);
    EXPECT_EQ(FramePixels(a), (Bytes{0, 0, 1}));
    EXPECT_EQ(FramePixels(b), (Bytes{0, 7}));
    EXPECT_EQ(FramePixels(own), (Bytes{0, 0}));
    EXPECT_EQ(doc.GetHeader()->ScreenDescriptor().BackgroundIndex, 0);
}

TEST(GifColorMap, SortKeepsTheBackgroundEntryAndTransparentIndexesBeyondTheTable) {
    TGifDocument doc;
    for (int i = 0; i < 3; ++i)
        doc.GlobalColorMap()->AppendColor(Rgb(10 * i, 0, 0));
    TGifFrame* frame = AddFrame(doc, 3, 1, {1, 1, 2});
    // Entry 0 is used by no pixel, only as the screen's background.
    EXPECT_TRUE(doc.GlobalColorMap()->SortAndPrune());
    ASSERT_EQ(doc.GlobalColorMap()->GetEntryCount(), 3);
    uint8_t background = doc.GetHeader()->ScreenDescriptor().BackgroundIndex;
    EXPECT_EQ(doc.GlobalColorMap()->EntryColor(background), Rgb(0, 0, 0));
    EXPECT_EQ(FramePixels(frame), (Bytes{0, 0, 2}));

    // A transparent index beyond a local table (as other encoders write) stays where it was.
    TGifDocument other;
    TGifFrame* local = AddFrame(other, 3, 1, {1, 0, 1});
    auto* gce = new TGifGraphicControlExtension(local);
    local->GetExtensionList()->AppendItem(gce);
    gce->SetTransparentFlag(true);
    gce->SetTransparentIndex(7);
    local->GetLocalColorMap()->AppendColor(Rgb(1, 1, 1));
    local->GetLocalColorMap()->AppendColor(Rgb(2, 2, 2));
    EXPECT_TRUE(local->GetLocalColorMap()->SortAndPrune());
    EXPECT_EQ(FramePixels(local), (Bytes{0, 1, 0}));
    EXPECT_EQ(gce->GetTransparentIndex(), 7);
}

TEST(GifColorMap, AssignAndTripletsCopyTheTable) {
    TGifColorMap a;
    for (int i = 0; i < 20; ++i)
        a.AppendColor(Rgb(i, 2 * i, 3 * i));
    a.SetSortedFlag(true);
    TGifColorMap b;
    b.Assign(&a);
    EXPECT_EQ(b.GetEntryCount(), 20);
    EXPECT_EQ(b.GetCapacity(), a.GetCapacity());
    EXPECT_TRUE(b.GetSortedFlag());
    EXPECT_EQ(b.EntryColor(19), Rgb(19, 38, 57));
    // Triplets from the table's own buffer.
    TGifRGB own[256];
    std::copy(b.Entries(), b.Entries() + 20, own);
    b.SetTriplets(b.Entries(), 3);
    EXPECT_EQ(b.GetEntryCount(), 3);
    EXPECT_EQ(b.EntryColor(2), Rgb(2, 4, 6));
    TGifRGBQuad quads[2] = {{1, 2, 3, 0}, {4, 5, 6, 0}};
    b.CopyFromQuads(quads, 2);
    EXPECT_EQ(b.EntryColor(0), Rgb(3, 2, 1));
    EXPECT_THROW(b.Assign(nullptr), vcl::EConvertError);
}

} // namespace

namespace {

TEST(GifColorMap, PlatformPalettesRoundTrip) {
    TGifColorMap map;
    EXPECT_EQ(map.MakePalette(), nullptr);
    for (int i = 0; i < 20; ++i)
        map.AppendColor(Rgb(i, 255 - i, 7));
    win::HPALETTE palette = map.MakePalette();
    ASSERT_NE(palette, nullptr);
    win::PALETTEENTRY entries[20];
    ASSERT_EQ(win::GetPaletteEntries(palette, 0, 20, entries), 20u);
    EXPECT_EQ(entries[3].peFlags, win::PC_NOCOLLAPSE);
    TGifColorMap back;
    back.CopyFromPalette(palette);
    EXPECT_EQ(back.GetEntryCount(), 20);
    EXPECT_EQ(back.EntryColor(19), Rgb(19, 236, 7));
    win::DeleteObject(palette);
    back.CopyFromPalette(nullptr);
    EXPECT_EQ(back.GetEntryCount(), 0);
}

} // namespace
