// Every built-in format through the I/O component, one row each: what a load from a file and a load from a
// stream do to an attached view's resolution, to the component's background and to the parameters, what a
// parameters-only read gives, and which block header a stream save writes. The named per-format methods
// and the format-id roads must agree.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>

namespace {

using imaging::TIKBitmap;
using imaging::TImageKitIO;
using Bytes = std::vector<uint8_t>;

constexpr int32_t TableStartBackground = 0x00FF00;

void FillTableImage(TIKBitmap& bitmap) {
    bitmap.Allocate(8, 6, imaging::ikbf24Bit);
    for (int32_t y = 0; y < 6; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < 24; ++x)
            row[x] = uint8_t(11 * x + 37 * y);
    }
}

void PutLE(Bytes& b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// A directory of one 8 x 6 24-bit image at 96 DPI: an icon (type 1) or a cursor (type 2).
Bytes TableIconBytes(int type) {
    Bytes b;
    PutLE(b, 0, 2), PutLE(b, uint32_t(type), 2), PutLE(b, 1, 2);
    const uint32_t rowBytes = 24, maskBytes = 4, size = 40 + 6 * (rowBytes + maskBytes);
    b.push_back(8), b.push_back(6), b.push_back(0), b.push_back(0);
    PutLE(b, 1, 2), PutLE(b, 24, 2), PutLE(b, size, 4), PutLE(b, 22, 4);
    PutLE(b, 40, 4), PutLE(b, 8, 4), PutLE(b, 12, 4), PutLE(b, 1, 2), PutLE(b, 24, 2);
    PutLE(b, 0, 4), PutLE(b, 0, 4), PutLE(b, 3780, 4), PutLE(b, 3780, 4), PutLE(b, 0, 4), PutLE(b, 0, 4);
    for (uint32_t i = 0; i < 6 * rowBytes; ++i)
        b.push_back(uint8_t(i * 7));
    b.insert(b.end(), 6 * maskBytes, 0);
    return b;
}

// The bytes of a format as its stream save writes them (icons and cursors are built by hand).
Bytes TableFormatBytes(int32_t id) {
    if (id == imaging::ikfIco || id == imaging::ikfCur)
        return TableIconBytes(id == imaging::ikfIco ? 1 : 2);
    TImageKitIO writer;
    FillTableImage(*writer.GetIKBitmap());
    imaging::TIOParamsVals& p = writer.GetParams();
    p.BitsPerSample = 8;
    p.SamplesPerPixel = 3;
    p.DpiX = 150;
    p.DpiY = 75;
    p.GifBackground = {0, 0, 200};
    vcl::TMemoryStream s;
    writer.SaveToStreamOfFormat(&s, id);
    EXPECT_FALSE(writer.GetAborting()) << id;
    const auto* data = static_cast<const uint8_t*>(s.Memory());
    return Bytes(data, data + s.GetSize());
}

std::string TableTempName(const std::string& ext) {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() /
            ("iocomptable-" + std::to_string(::getpid()) + "-" + std::to_string(rd()) + ext))
        .string();
}

// A view as the component needs one: a resolution and nothing else worth noting.
class TTableView : public imaging::TIKViewLink {
public:
    vcl::TComponent* GetViewComponent() override { return &FComponent; }
    vcl::TBitmap* GetBitmap() override { return nullptr; }
    TIKBitmap* GetIKBitmap() override { return &Image; }
    int32_t GetDpiX() const override { return DpiX; }
    int32_t GetDpiY() const override { return DpiY; }
    void SetDpi(int32_t x, int32_t y) override {
        if (x)
            DpiX = x;
        if (y)
            DpiY = y;
    }
    int32_t GetBackground() const override { return 0; }
    void ImageChanged() override {}
    void Update() override {}
    win::HWND GetRefreshWindow() override { return nullptr; }
    intptr_t AddChangeListener(TChangeListener) override { return 1; }
    void RemoveChangeListener(intptr_t) override {}

    TIKBitmap Image;
    int32_t DpiX = 1, DpiY = 1;

private:
    vcl::TComponent FComponent{nullptr};
};

// How a load changes the component's background.
enum TTableBackground {
    tbKeep, // as it was
    tbGif,  // the GIF's transparent colour, else its screen background
};

using TTableFileLoad = std::function<void(TImageKitIO&, const std::string&)>;
using TTableStreamLoad = std::function<void(TImageKitIO&, vcl::TStream*)>;

struct TTableRow {
    int32_t Id;
    const char* Ext;
    TTableFileLoad FileLoad;
    TTableStreamLoad StreamLoad;
    bool FileViewDpi, StreamViewDpi;
    TTableBackground FileBackground, StreamBackground;
    const char* Tag; // the block header of a stream save with StreamHeaders; null: none, or no writer
    int32_t imaging::TIOParamsVals::*Count;
};

// Where file and stream differ, the reason is on the row.
const std::vector<TTableRow>& TableRows() {
    using IO = TImageKitIO;
    using S = vcl::TStream*;
    using N = const std::string&;
    static const std::vector<TTableRow> rows = {
        {imaging::ikfTiff, ".tif", [](IO& io, N n) { EXPECT_EQ(io.LoadFromTiffFile(n), 1); },
         [](IO& io, S s) { EXPECT_EQ(io.LoadFromTiffStream(s), 1); }, true, true, tbKeep, tbKeep, "TIFF",
         &imaging::TIOParamsVals::TiffImageCount},
        // Stream: the view keeps its resolution; GIF data carries none (a file load sets the default).
        {imaging::ikfGif, ".gif", [](IO& io, N n) { EXPECT_EQ(io.LoadFromGifFile(n), 1); },
         [](IO& io, S s) { EXPECT_EQ(io.LoadFromGifStream(s), 1); }, true, false, tbGif, tbGif, nullptr,
         &imaging::TIOParamsVals::GifImageCount},
        {imaging::ikfJpeg, ".jpg", [](IO& io, N n) { io.LoadFromJpegFile(n); },
         [](IO& io, S s) { io.LoadFromJpegStream(s); }, true, true, tbKeep, tbKeep, "JFIF", nullptr},
        {imaging::ikfPcx, ".pcx", [](IO& io, N n) { io.LoadFromPcxFile(n); },
         [](IO& io, S s) { io.LoadFromPcxStream(s); }, true, true, tbKeep, tbKeep, "PCX2", nullptr},
        // Stream: the view keeps its resolution; a bitmap handed over in memory seldom carries a real one.
        {imaging::ikfBmp, ".bmp", [](IO& io, N n) { io.LoadFromBmpFile(n); },
         [](IO& io, S s) { io.LoadFromBmpStream(s); }, true, false, tbKeep, tbKeep, nullptr, nullptr},
        // Stream: the view keeps its resolution; icons carry none.
        {imaging::ikfIco, ".ico", [](IO& io, N n) { io.LoadFromIcoFile(n); },
         [](IO& io, S s) { io.LoadFromIcoStream(s); }, true, false, tbKeep, tbKeep, nullptr, nullptr},
        // Stream: the view keeps its resolution; cursors carry none.
        {imaging::ikfCur, ".cur", [](IO& io, N n) { io.LoadFromCurFile(n); },
         [](IO& io, S s) { io.LoadFromCurStream(s); }, true, false, tbKeep, tbKeep, nullptr, nullptr},
        // Both loads start the reader from the component's background, and a full read keeps it.
        {imaging::ikfPng, ".png", [](IO& io, N n) { io.LoadFromPngFile(n); },
         [](IO& io, S s) { io.LoadFromPngStream(s); }, true, true, tbKeep, tbKeep, nullptr, nullptr},
        // Stream: the view keeps its resolution; Targa files carry none.
        {imaging::ikfTga, ".tga", [](IO& io, N n) { io.LoadFromTgaFile(n); },
         [](IO& io, S s) { io.LoadFromTgaStream(s); }, true, false, tbKeep, tbKeep, nullptr, nullptr},
        {imaging::ikfPnm, ".ppm", [](IO& io, N n) { io.LoadFromPnmFile(n); },
         [](IO& io, S s) { io.LoadFromPnmStream(s); }, false, false, tbKeep, tbKeep, nullptr, nullptr},
        {imaging::ikfJp2, ".jp2", [](IO& io, N n) { io.LoadFromJp2File(n); },
         [](IO& io, S s) { io.LoadFromJp2Stream(s); }, true, true, tbKeep, tbKeep, nullptr, nullptr},
        {imaging::ikfJ2k, ".j2k", [](IO& io, N n) { io.LoadFromJ2kFile(n); },
         [](IO& io, S s) { io.LoadFromJ2kStream(s); }, true, true, tbKeep, tbKeep, nullptr, nullptr},
    };
    return rows;
}

int32_t TableColor(imaging::TIKColorTriple c) {
    return int32_t(c.R) | int32_t(c.G) << 8 | int32_t(c.B) << 16;
}

int32_t TableExpectedBackground(TTableBackground rule, const imaging::TIOParamsVals& p) {
    switch (rule) {
    case tbGif:
        return TableColor(p.GifTransparent ? p.GifTransparentColor : p.GifBackground);
    default:
        return TableStartBackground;
    }
}

// What every load of a row must leave, whichever road it took.
void ExpectTableLoad(const TTableRow& row, TImageKitIO& io, const std::string& fileName) {
    const imaging::TIOParamsVals& p = io.GetParams();
    EXPECT_FALSE(io.GetAborting());
    EXPECT_EQ(p.FileType, row.Id);
    EXPECT_EQ(p.FileName, fileName);
    EXPECT_EQ(io.GetIKBitmap()->Width(), 8);
    EXPECT_EQ(io.GetIKBitmap()->Height(), 6);
    EXPECT_EQ(p.Width, 8);
    EXPECT_EQ(p.Height, 6);
    EXPECT_GT(p.DpiX, 1);
    if (row.Count) {
        EXPECT_EQ(p.*row.Count, 1);
    }
}

TEST(IOComponentTableTest, EveryFormatFromAFileAndFromAStream) {
    for (const TTableRow& row : TableRows()) {
        SCOPED_TRACE(row.Ext);
        const Bytes bytes = TableFormatBytes(row.Id);
        const std::string name = TableTempName(row.Ext);
        std::ofstream(name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));

        for (bool byId : {false, true}) {
            SCOPED_TRACE(byId ? "by format id" : "by method");
            // A file load into a view.
            {
                TTableView view;
                TImageKitIO io;
                io.SetAttachedImageKit(&view);
                byId ? io.LoadFromFileOfFormat(name, row.Id) : row.FileLoad(io, name);
                ExpectTableLoad(row, io, name);
                EXPECT_EQ(view.DpiX, row.FileViewDpi ? io.GetParams().DpiX : 1);
                EXPECT_EQ(view.DpiY, row.FileViewDpi ? io.GetParams().DpiY : 1);
                io.SetAttachedImageKit(nullptr);
            }
            // A stream load into a view.
            {
                TTableView view;
                TImageKitIO io;
                io.SetAttachedImageKit(&view);
                vcl::TMemoryStream s;
                s.Write(bytes.data(), int32_t(bytes.size()));
                s.SetPosition(0);
                byId ? io.LoadFromStreamOfFormat(&s, row.Id) : row.StreamLoad(io, &s);
                ExpectTableLoad(row, io, std::string());
                EXPECT_EQ(view.DpiX, row.StreamViewDpi ? io.GetParams().DpiX : 1);
                EXPECT_EQ(view.DpiY, row.StreamViewDpi ? io.GetParams().DpiY : 1);
                io.SetAttachedImageKit(nullptr);
            }
        }
        // The background, on a component without a view.
        {
            TImageKitIO io;
            io.SetBackground(TableStartBackground);
            row.FileLoad(io, name);
            EXPECT_EQ(io.GetBackground(), TableExpectedBackground(row.FileBackground, io.GetParams()));
        }
        {
            TImageKitIO io;
            io.SetBackground(TableStartBackground);
            vcl::TMemoryStream s;
            s.Write(bytes.data(), int32_t(bytes.size()));
            s.SetPosition(0);
            row.StreamLoad(io, &s);
            EXPECT_EQ(io.GetBackground(), TableExpectedBackground(row.StreamBackground, io.GetParams()));
        }
        // Parameters only: the same record, the image untouched, the background too.
        for (bool fromFile : {true, false}) {
            TImageKitIO io;
            io.SetBackground(TableStartBackground);
            vcl::TMemoryStream s;
            s.Write(bytes.data(), int32_t(bytes.size()));
            s.SetPosition(0);
            fromFile ? io.ReadParamsFromFile(name) : io.ReadParamsFromStream(&s);
            EXPECT_FALSE(io.GetAborting()) << fromFile;
            EXPECT_EQ(io.GetParams().FileType, row.Id) << fromFile;
            EXPECT_EQ(io.GetParams().FileName, fromFile ? name : std::string());
            EXPECT_EQ(io.GetParams().Width, 8);
            EXPECT_EQ(io.GetParams().Height, 6);
            EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
            EXPECT_EQ(io.GetBackground(), TableStartBackground);
            if (row.Count) {
                EXPECT_EQ(io.GetParams().*row.Count, 1);
            }
        }
        std::filesystem::remove(name);
    }
}

TEST(IOComponentTableTest, StreamSavesWriteTheirBlockHeader) {
    for (const TTableRow& row : TableRows()) {
        SCOPED_TRACE(row.Ext);
        const imaging::TIKFormatEntry* entry = imaging::FindFormatEntryById(row.Id);
        ASSERT_NE(entry, nullptr);
        const bool writable = entry->Write != nullptr;
        TImageKitIO io;
        FillTableImage(*io.GetIKBitmap());
        io.SetStreamHeaders(true);
        vcl::TMemoryStream s;
        io.SaveToStreamOfFormat(&s, row.Id);
        EXPECT_EQ(io.GetAborting(), !writable);
        if (!writable) {
            EXPECT_EQ(s.GetSize(), 0);
            continue;
        }
        const std::string start(static_cast<const char*>(s.Memory()), 5);
        if (row.Tag) {
            EXPECT_EQ(start, std::string(row.Tag) + '\0');
        } else {
            // Without a tag the data starts at once: detection finds the format there.
            s.SetPosition(0);
            EXPECT_EQ(imaging::FindStreamFormat(&s), row.Id);
        }
    }
}

// ---- A format added through the registry ------------------------------------------------------------------

// "LWD1", the width and the height as bytes, then B, G, R per pixel from the top row.
constexpr int32_t TableDummyFormat = 941;
std::atomic<int> TableDummyWorkerReads{0};

void TableDummyRead(vcl::TStream* s, TIKBitmap* bitmap, imaging::TIOParamsVals& params,
                    imaging::TIKProgressContext& progress, imaging::TIKReadMode mode) {
    if (auto* io = dynamic_cast<TImageKitIO*>(progress.Sender); io && io->IsWorkerThread())
        ++TableDummyWorkerReads;
    uint8_t head[6] = {};
    if (s->Read(head, 6) != 6 || std::memcmp(head, "LWD1", 4) != 0) {
        progress.SetAborting();
        return;
    }
    params.Width = head[4];
    params.Height = head[5];
    params.DpiX = params.DpiY = 120;
    if (mode == imaging::ikrmParamsOnly)
        return;
    bitmap->Allocate(head[4], head[5], imaging::ikbf24Bit);
    for (int32_t y = 0; y < head[5]; ++y)
        if (s->Read(bitmap->ScanLine(y), 3 * head[4]) != 3 * head[4])
            progress.SetAborting();
}

void TableDummyWrite(vcl::TStream* s, TIKBitmap* bitmap, imaging::TIOParamsVals&,
                     imaging::TIKProgressContext&) {
    const uint8_t head[6] = {'L', 'W', 'D', '1', uint8_t(bitmap->Width()), uint8_t(bitmap->Height())};
    s->Write(head, 6);
    for (int32_t y = 0; y < bitmap->Height(); ++y)
        s->Write(bitmap->ScanLine(y), 3 * bitmap->Width());
}

bool TableDummyDetect(vcl::TStream* s) {
    uint8_t head[4] = {};
    return s->Read(head, 4) == 4 && std::memcmp(head, "LWD1", 4) == 0;
}

void RegisterTableDummy() {
    if (imaging::FindFormatEntryById(TableDummyFormat))
        return;
    imaging::RegisterFormatEntry({.FormatId = TableDummyFormat,
                                  .Description = "Loomwick test dummy",
                                  .Extensions = "LWD",
                                  .Read = TableDummyRead,
                                  .Write = TableDummyWrite,
                                  .Detect = TableDummyDetect,
                                  .BlockTag = "LWDB",
                                  .BlockHeaderRead = imaging::ikbhExpected});
}

bool SameTableImage(TIKBitmap& a, TIKBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), size_t(3 * a.Width())) != 0)
            return false;
    return true;
}

TEST(IOComponentTableTest, AnAddedFormatTakesEveryRoad) {
    RegisterTableDummy();
    TIKBitmap expected;
    FillTableImage(expected);
    const std::string name = TableTempName(".LWD");

    // File: by extension and by id, both ways.
    {
        TImageKitIO writer;
        FillTableImage(*writer.GetIKBitmap());
        writer.SaveToFileByExtension(name);
        ASSERT_FALSE(writer.GetAborting());
        for (bool byId : {false, true}) {
            TTableView view;
            TImageKitIO io;
            io.SetAttachedImageKit(&view);
            byId ? io.LoadFromFileOfFormat(name, TableDummyFormat) : io.LoadFromFileByExtension(name);
            EXPECT_FALSE(io.GetAborting()) << byId;
            EXPECT_TRUE(SameTableImage(view.Image, expected)) << byId;
            EXPECT_EQ(io.GetParams().FileType, TableDummyFormat);
            EXPECT_EQ(io.GetParams().FileName, name);
            EXPECT_EQ(view.DpiX, 120);
            io.SetAttachedImageKit(nullptr);
        }
    }
    // Parameters only, from the file and from a stream, the format found by its detector.
    {
        TImageKitIO io;
        io.ReadParamsFromFile(name);
        EXPECT_EQ(io.GetParams().FileType, TableDummyFormat);
        EXPECT_EQ(io.GetParams().Width, 8);
        EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
        vcl::TFileStream file(name, vcl::fmOpenRead);
        io.ReadParamsFromStream(&file);
        EXPECT_EQ(io.GetParams().FileType, TableDummyFormat);
        EXPECT_EQ(io.GetParams().Height, 6);
    }
    // Streams with block headers: two images one after the other, each read back to its block's end.
    {
        TImageKitIO writer;
        FillTableImage(*writer.GetIKBitmap());
        writer.SetStreamHeaders(true);
        vcl::TMemoryStream s;
        writer.SaveToStreamOfFormat(&s, TableDummyFormat);
        const int64_t first = s.GetSize();
        writer.SaveToStreamOfFormat(&s, TableDummyFormat);
        ASSERT_FALSE(writer.GetAborting());
        EXPECT_EQ(std::string(static_cast<const char*>(s.Memory()), 5), std::string("LWDB\0", 5));
        TImageKitIO reader;
        reader.SetStreamHeaders(true);
        s.SetPosition(0);
        reader.LoadFromStreamOfFormat(&s, TableDummyFormat);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(s.GetPosition(), first);
        reader.LoadFromStreamOfFormat(&s, TableDummyFormat);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(s.GetPosition(), s.GetSize());
        EXPECT_TRUE(SameTableImage(*reader.GetIKBitmap(), expected));
        // Another block's tag ends the load.
        s.SetPosition(0);
        s.Write("JFIF", 4);
        s.SetPosition(0);
        reader.LoadFromStreamOfFormat(&s, TableDummyFormat);
        EXPECT_TRUE(reader.GetAborting());
    }
    // A stream without headers, by detection.
    {
        TImageKitIO writer;
        FillTableImage(*writer.GetIKBitmap());
        vcl::TMemoryStream s;
        writer.SaveToStreamOfFormat(&s, TableDummyFormat);
        s.SetPosition(0);
        TImageKitIO reader;
        reader.LoadFromStreamDetected(&s);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(reader.GetParams().FileType, TableDummyFormat);
        EXPECT_TRUE(SameTableImage(*reader.GetIKBitmap(), expected));
    }
    // Asynchronous: the read runs on a worker and the image is there once the wait returns.
    {
        TIKBitmap outside;
        TImageKitIO io;
        io.SetAsynchronous(true);
        io.AttachIKBitmap(&outside);
        int finished = 0;
        io.OnFinishWork = [&](vcl::TObject*) { ++finished; };
        TableDummyWorkerReads = 0;
        io.LoadFromFileByExtension(name);
        io.WaitForThreads(false);
        EXPECT_FALSE(io.GetAborting());
        EXPECT_EQ(TableDummyWorkerReads.load(), 1);
        EXPECT_EQ(finished, 1);
        EXPECT_TRUE(SameTableImage(outside, expected));
        const std::string copy = TableTempName(".lwd");
        io.SaveToFileByExtension(copy);
        io.WaitForThreads(false);
        EXPECT_FALSE(io.GetAborting());
        EXPECT_EQ(finished, 2);
        TImageKitIO check;
        check.LoadFromFileByExtension(copy);
        EXPECT_TRUE(SameTableImage(*check.GetIKBitmap(), expected));
        std::filesystem::remove(copy);
    }
    std::filesystem::remove(name);
}

} // namespace
