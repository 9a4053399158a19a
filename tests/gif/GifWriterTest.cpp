#include "GifTestUtil.h"
#include "gif/GifLzw.h"

#include <gtest/gtest.h>

#include <random>

using namespace gif;
using namespace giftest;

namespace {

// Splits a raster written by the writer into its code size and the joined sub-block data.
struct Raster {
    int CodeSize = -1;
    Bytes Data;
    std::vector<int> BlockSizes;
};

Raster SplitRaster(const Bytes& bytes, size_t pos) {
    Raster r;
    r.CodeSize = bytes.at(pos++);
    for (;;) {
        int n = bytes.at(pos++);
        if (n == 0)
            break;
        r.BlockSizes.push_back(n);
        r.Data.insert(r.Data.end(), bytes.begin() + long(pos), bytes.begin() + long(pos + n));
        pos += size_t(n);
    }
    return r;
}

TEST(GifWriter, VersionFollowsWhatTheFramesNeed) {
    TGifDocument doc;
    // Without frames: "87a", a screen and the trailer.
    const Bytes empty = SaveBytes(doc);
    EXPECT_EQ(std::string(empty.begin(), empty.begin() + 6), "GIF87a");
    doc.GlobalColorMap()->AppendColor(0);
    doc.GlobalColorMap()->AppendColor(0xFFFFFF);
    TGifFrame* frame = AddFrame(doc, 1, 1, {1});
    Bytes plain = SaveBytes(doc);
    EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF87a");
    frame->GetExtensionList()->AppendItem(new TGifCommentExtension(frame));
    Bytes bytes = SaveBytes(doc);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
    EXPECT_EQ(bytes.back(), ';');
}

TEST(GifWriter, TablesArePaddedAndCodeSizesAtLeastTwo) {
    TGifDocument doc;
    for (int i = 0; i < 3; ++i)
        doc.GlobalColorMap()->AppendColor(i * 40);
    TGifFrame* frame = AddFrame(doc, 2, 1, {1, 0});
    for (int i = 0; i < 256; ++i)
        frame->GetLocalColorMap()->AppendColor(i);
    Bytes bytes = SaveBytes(doc);
    EXPECT_EQ(bytes[10] & 0x87, 0x81); // global table of 4 entries
    EXPECT_EQ(bytes[10] & 0x70, 0x70); // colour resolution of the 256-entry local table
    EXPECT_EQ(bytes[13 + 9], 0);       // the fourth entry is black
    size_t descriptor = 13 + 12;
    EXPECT_EQ(bytes[descriptor], 0x2C);
    EXPECT_EQ(bytes[descriptor + 9], 0x87);
    EXPECT_EQ(SplitRaster(bytes, descriptor + 10 + 768).CodeSize, 8);

    TGifDocument two;
    TGifFrame* f = AddFrame(two, 3, 1, {1, 0, 1});
    f->GetLocalColorMap()->AppendColor(0);
    f->GetLocalColorMap()->AppendColor(1);
    Bytes b = SaveBytes(two);
    EXPECT_EQ(b[13 + 9], 0x80);
    EXPECT_EQ(SplitRaster(b, 13 + 10 + 6).CodeSize, 2);
    EXPECT_EQ(FramePixels(LoadBytes(b)->Doc->Frame(0)), (Bytes{1, 0, 1}));
}

TEST(GifWriter, InterlacedFramesKeepEveryRow) {
    for (int height : {1, 2, 3, 4, 9, 17}) {
        for (bool local : {false, true}) {
            TGifDocument doc;
            TGifColorMap* map = doc.GlobalColorMap();
            Bytes pixels;
            for (int y = 0; y < height; ++y)
                pixels.push_back(uint8_t(y % 16));
            TGifFrame* frame = AddFrame(doc, 1, height, pixels);
            if (local)
                map = frame->GetLocalColorMap();
            for (int i = 0; i < 16; ++i)
                map->AppendColor(i);
            frame->Descriptor().PackedFields = 0x40;
            auto loaded = LoadBytes(SaveBytes(doc));
            EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), pixels) << height;
            // A frame with a local table is written without interlacing.
            EXPECT_EQ(loaded->Doc->Frame(0)->IsInterlaced(), !local) << height;
        }
    }
}

TEST(GifWriter, SubBlocksHoldAtMost255Bytes) {
    for (int count : {1, 254, 255, 256, 510, 511}) {
        vcl::TMemoryStream stream;
        TGifWriter writer(&stream);
        for (int i = 0; i < count; ++i)
            writer.PutByte(uint8_t(i));
        writer.Flush();
        int64_t expected = count + (count + 254) / 255;
        EXPECT_EQ(stream.GetSize(), expected) << count;
        EXPECT_EQ(static_cast<const uint8_t*>(stream.Memory())[0], std::min(count, 255));
    }
    vcl::TMemoryStream none;
    TGifWriter idle(&none);
    idle.Flush();
    EXPECT_EQ(none.GetSize(), 0);
    EXPECT_THROW(idle.Read(nullptr, 0), vcl::Exception);
}

TEST(GifWriter, FramesWithoutPixelsWriteOnlyTheirExtensions) {
    TGifDocument doc;
    AddFrame(doc, 1, 1, {0});
    auto* tail = new TGifFrame(&doc);
    doc.AppendFrame(tail);
    auto* comment = new TGifCommentExtension(tail);
    comment->Lines().Add("end");
    tail->GetExtensionList()->AppendItem(comment);
    doc.GlobalColorMap()->AppendColor(0);
    Bytes bytes = SaveBytes(doc);
    Bytes ending(bytes.end() - 8, bytes.end());
    EXPECT_EQ(ending, (Bytes{0x21, 0xFE, 3, 'e', 'n', 'd', 0, ';'}));
    auto loaded = LoadBytes(bytes);
    ASSERT_EQ(loaded->Doc->FrameCount(), 2);
    EXPECT_TRUE(loaded->Doc->Frame(1)->IsEmpty());
}

TEST(GifWriter, PixelsBeyondTheTableGrowIt) {
    // The table a frame uses grows to the power of two that covers its highest index, with black entries;
    // the encoder itself still refuses such pixels.
    struct Case {
        int localEntries;
        int globalEntries;
        uint8_t pixel;
        int written; // entries of the table the frame uses, read back (a file holds a power of two)
    } cases[] = {{3, 0, 2, 4}, {3, 0, 3, 4}, {0, 3, 3, 4},    {0, 3, 4, 8},
                 {0, 0, 0, 0}, {0, 0, 1, 2}, {2, 4, 200, 256}};
    for (const Case& c : cases) {
        for (TGifEncoderKind kind : {ekLzw, ekRunLength}) {
            TGifDocument doc;
            doc.SetEncoderKind(kind);
            TGifFrame* frame = AddFrame(doc, 2, 1, {0, c.pixel});
            for (int i = 0; i < c.localEntries; ++i)
                frame->GetLocalColorMap()->AppendColor(i + 1);
            for (int i = 0; i < c.globalEntries; ++i)
                doc.GlobalColorMap()->AppendColor(i + 1);
            auto back = LoadBytes(SaveBytes(doc));
            TGifColorMap* map = back->Doc->Frame(0)->EffectiveColorMap();
            EXPECT_EQ(map->GetEntryCount(), c.written) << int(c.pixel);
            EXPECT_EQ(FramePixels(back->Doc->Frame(0)), (Bytes{0, c.pixel}));
            const int kept = c.localEntries > 0 ? c.localEntries : c.globalEntries;
            for (int i = 0; i < map->GetEntryCount(); ++i)
                EXPECT_EQ(map->EntryColor(i), i < kept ? i + 1 : 0);
        }
    }
    vcl::TMemoryStream stream;
    const uint8_t pixels[2] = {0, 3};
    TLZWEncoder encoder;
    try {
        encoder.EncodeFrame(&stream, 2, 2, 1, false, pixels, 3);
        ADD_FAILURE();
    } catch (const EGifError& e) {
        EXPECT_STREQ(e.what(), "Color not in color table");
    }
}

// Random frames through both coders: the reader gives back the pixels, and the LZW coder's output equals
// the naive reference encoder's.
TEST(GifWriter, RandomRoundTrips) {
    std::mt19937 rng(42);
    for (int round = 0; round < 120; ++round) {
        int w = 1 + int(rng() % 300);
        int h = 1 + int(rng() % (round % 10 == 0 ? 300 : 40));
        int entries = 1 + int(rng() % 256);
        bool interlaced = rng() % 2;
        bool runs = rng() % 2;
        Bytes pixels(size_t(w) * h);
        int value = 0;
        for (auto& p : pixels) {
            if (!runs || rng() % 16 == 0)
                value = int(rng() % uint32_t(entries));
            p = uint8_t(value);
        }
        for (TGifEncoderKind kind : {ekLzw, ekRunLength}) {
            TGifDocument doc;
            doc.SetEncoderKind(kind);
            for (int i = 0; i < entries; ++i)
                doc.GlobalColorMap()->AppendColor(i * 0x010101);
            TGifFrame* frame = AddFrame(doc, w, h, pixels);
            frame->Descriptor().PackedFields = interlaced ? 0x40 : 0;
            Bytes bytes = SaveBytes(doc);
            auto loaded = LoadBytes(bytes);
            ASSERT_EQ(FramePixels(loaded->Doc->Frame(0)), pixels) << round << " kind " << kind;
            EXPECT_TRUE(loaded->Issues.empty()) << round;
            if (kind != ekLzw)
                continue;
            size_t raster = 13 + 3 * (size_t(1) << doc.GlobalColorMap()->TableBits()) + 10;
            Raster r = SplitRaster(bytes, raster);
            Bytes order;
            for (int pass = 0, y = 0; pass < (interlaced ? 4 : 1); ++pass) {
                static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
                for (y = interlaced ? start[pass] : 0; y < h; y += interlaced ? step[pass] : 1)
                    order.insert(order.end(), pixels.begin() + long(y) * w, pixels.begin() + long(y + 1) * w);
            }
            EXPECT_EQ(r.Data, ReferenceLzw(order, r.CodeSize)) << round;
            for (size_t i = 0; i + 1 < r.BlockSizes.size(); ++i)
                EXPECT_EQ(r.BlockSizes[i], 255);
        }
    }
}

// The LZW coder indexes the extensions of small tables (up to 16 entries) directly and probes a hash table
// for larger ones, taking the last-extension shortcut only on rows where it keeps hitting. Each way must
// write what the naive reference encoder writes: tables of 2 to 256 entries, noise, runs, a cellular
// pattern and rows that change from runs to noise and back, at an odd width, plain and interlaced.
TEST(GifWriter, LzwCoderPathsMatchTheReferenceEncoder) {
    constexpr int w = 333, h = 151;
    std::mt19937 rng(9);
    enum Pattern { pNoise, pRuns, pCellular, pMixed };
    for (int entries : {2, 3, 4, 16, 17, 64, 256})
        for (Pattern pattern : {pNoise, pRuns, pCellular, pMixed})
            for (bool interlaced : {false, true}) {
                SCOPED_TRACE(::testing::Message() << entries << " entries, pattern " << pattern
                                                  << (interlaced ? ", interlaced" : ""));
                Bytes pixels(size_t(w) * h);
                int value = 0;
                for (int y = 0; y < h; ++y)
                    for (int x = 0; x < w; ++x) {
                        uint8_t& p = pixels[size_t(y) * w + size_t(x)];
                        const bool noisy = pattern == pNoise || (pattern == pMixed && (y / 20) % 2 == 1);
                        if (pattern == pCellular && y > 0) {
                            // Rule 30 over the row above, in the first two colours.
                            auto above = [&](int i) { return pixels[size_t(y - 1) * w + size_t((i + w) % w)] & 1; };
                            p = uint8_t((30 >> (above(x - 1) << 2 | above(x) << 1 | above(x + 1))) & 1);
                            continue;
                        }
                        if (noisy || rng() % 40 == 0)
                            value = int(rng() % uint32_t(pattern == pCellular ? 2 : entries));
                        p = uint8_t(value);
                    }
                int bits = 2;
                while ((1 << bits) < entries)
                    ++bits;
                vcl::TMemoryStream stream;
                TLZWEncoder encoder;
                encoder.EncodeFrame(&stream, bits, w, h, interlaced, pixels.data(), entries);
                const auto* data = static_cast<const uint8_t*>(stream.Memory());
                const Raster r = SplitRaster(Bytes(data, data + stream.GetSize()), 0);
                Bytes order;
                for (int pass = 0; pass < (interlaced ? 4 : 1); ++pass) {
                    static const int start[4] = {0, 4, 2, 1}, step[4] = {8, 8, 4, 2};
                    for (int y = interlaced ? start[pass] : 0; y < h; y += interlaced ? step[pass] : 1)
                        order.insert(order.end(), pixels.begin() + long(y) * w, pixels.begin() + long(y + 1) * w);
                }
                EXPECT_EQ(r.CodeSize, bits);
                ASSERT_EQ(r.Data, ReferenceLzw(order, bits));
            }
}

TEST(GifWriter, RunLengthCoderHandlesLongRuns) {
    for (int length : {1000, 5000, 100000}) {
        for (int entries : {2, 16, 256}) {
            TGifDocument doc;
            doc.SetEncoderKind(ekRunLength);
            for (int i = 0; i < entries; ++i)
                doc.GlobalColorMap()->AppendColor(i);
            Bytes pixels(size_t(length), uint8_t(entries - 1));
            for (int i = 0; i < length / 3; i += 97)
                pixels[size_t(i)] = 0;
            AddFrame(doc, length / 100 > 0 ? 100 : length, length / 100 > 0 ? length / 100 : 1, pixels);
            auto loaded = LoadBytes(SaveBytes(doc));
            EXPECT_EQ(FramePixels(loaded->Doc->Frame(0)), pixels) << length << " " << entries;
        }
    }
}

} // namespace
