// The I/O component's roads by extension, its stream block headers, its parameters-only reads, its JPEG
// metadata handling and the resolution adjustment.
#include "imaging/io/IOComponent.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOFormatRegistry.h"
#include "platform/vcl/Streams.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>

namespace {

using imaging::TIKBitmap;
using imaging::TImageKitIO;

// An 8 x 6 colour image with distinct pixels.
void FillFormatsImage(TIKBitmap& bitmap, int32_t width = 8, int32_t height = 6) {
    bitmap.Allocate(width, height, imaging::ikbf24Bit);
    for (int32_t y = 0; y < height; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int32_t x = 0; x < width * 3; ++x)
            row[x] = uint8_t(13 * x + 41 * y);
    }
}

bool SameFormatsPixels(TIKBitmap& a, TIKBitmap& b) {
    if (a.Width() != b.Width() || a.Height() != b.Height() || a.PixelFormat() != b.PixelFormat())
        return false;
    for (int32_t y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y),
                        std::vector<uint8_t>(b.ScanLine(y), b.ScanLine(y) + b.RowLength()).data(),
                        size_t(a.RowLength())) != 0)
            return false;
    return true;
}

std::string FormatsTempName(const std::string& ext) {
    std::random_device rd;
    return (std::filesystem::temp_directory_path() /
            ("iocompfmt-" + std::to_string(::getpid()) + "-" + std::to_string(rd()) + ext))
        .string();
}

struct TFormatsFinish {
    int Count = 0;
    explicit TFormatsFinish(TImageKitIO& io) {
        io.OnFinishWork = [this](vcl::TObject*) { ++Count; };
    }
};

std::vector<uint8_t> FormatsBytes(vcl::TMemoryStream& s, int64_t from = 0) {
    const auto* p = static_cast<const uint8_t*>(s.Memory());
    return std::vector<uint8_t>(p + from, p + s.GetSize());
}

uint32_t FormatsLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

TEST(IOComponentFormatsTest, ExtensionsPickTheFormatBothWays) {
    const struct {
        const char* Ext;
        int32_t Id;
        bool Lossless;
    } cases[] = {
        {".JPG", imaging::ikfJpeg, false}, {".jpeg", imaging::ikfJpeg, false},
        {".jpe", imaging::ikfJpeg, false}, {".jp2", imaging::ikfJp2, true},
        {".J2K", imaging::ikfJ2k, true},   {".jpc", imaging::ikfJ2k, true},
        {".j2c", imaging::ikfJ2k, true},   {".png", imaging::ikfPng, true},
        {".tif", imaging::ikfTiff, true},  {".TIFF", imaging::ikfTiff, true},
        {".fax", imaging::ikfTiff, true},  {".g3n", imaging::ikfTiff, true},
        {".g3f", imaging::ikfTiff, true},  {".pcx", imaging::ikfPcx, true},
        {".gif", imaging::ikfGif, false},  {".bmp", imaging::ikfBmp, true},
        {".dib", imaging::ikfBmp, true},   {".rle", imaging::ikfBmp, true},
        {".tga", imaging::ikfTga, true},   {".targa", imaging::ikfTga, true},
        {".vda", imaging::ikfTga, true},   {".icb", imaging::ikfTga, true},
        {".vst", imaging::ikfTga, true},   {".win", imaging::ikfTga, true},
        {".pxm", imaging::ikfPnm, true},   {".ppm", imaging::ikfPnm, true},
        {".pgm", imaging::ikfPnm, false},  {".pbm", imaging::ikfPnm, false},
        {".pix", imaging::ikfTga, true}, // the registry's road
    };
    TIKBitmap expected;
    FillFormatsImage(expected);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Ext);
        const std::string name = FormatsTempName(c.Ext);
        TImageKitIO writer;
        FillFormatsImage(*writer.GetIKBitmap());
        writer.GetParams().BitsPerSample = 8;
        writer.GetParams().SamplesPerPixel = 3;
        writer.SaveToFileByExtension(name);
        ASSERT_FALSE(writer.GetAborting());
        TImageKitIO reader;
        TFormatsFinish finish(reader);
        reader.LoadFromFileByExtension(name);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        EXPECT_EQ(reader.GetParams().FileType, c.Id);
        EXPECT_EQ(reader.GetParams().FileName, name);
        EXPECT_EQ(reader.GetIKBitmap()->Width(), 8);
        EXPECT_EQ(reader.GetIKBitmap()->Height(), 6);
        if (c.Lossless) {
            EXPECT_TRUE(SameFormatsPixels(*reader.GetIKBitmap(), expected));
        }
        std::filesystem::remove(name);
    }
}

TEST(IOComponentFormatsTest, UnreadableNamesFailCleanly) {
    TIKBitmap expected;
    FillFormatsImage(expected);
    const std::string existing = FormatsTempName(".wmf");
    {
        std::ofstream out(existing, std::ios::binary);
        out << "not really a metafile";
    }
    // Failures set Aborting, fire OnFinishWork once and leave the image as it was.
    for (const std::string& name : {std::string(), std::string("picture.jif"), std::string("noextension"),
                                    std::string("dir.png/file"), existing}) {
        SCOPED_TRACE(name);
        TImageKitIO io;
        FillFormatsImage(*io.GetIKBitmap());
        TFormatsFinish finish(io);
        io.LoadFromFileByExtension(name);
        EXPECT_TRUE(io.GetAborting());
        EXPECT_EQ(finish.Count, 1);
        EXPECT_TRUE(SameFormatsPixels(*io.GetIKBitmap(), expected));
    }
    std::filesystem::remove(existing);

    // A missing file raises after the finish notification, with Aborting set, whatever the format.
    for (const char* ext : {".png", ".gif", ".pcx", ".pix"}) {
        TImageKitIO io;
        TFormatsFinish finish(io);
        EXPECT_ANY_THROW(io.LoadFromFileByExtension(FormatsTempName(ext))) << ext;
        EXPECT_TRUE(io.GetAborting()) << ext;
        EXPECT_EQ(finish.Count, 1) << ext;
    }

    // Formats without a writer never create a file.
    for (const char* ext : {".ico", ".cur", ".wmf", ".emf", ".jif", ""}) {
        const std::string name = FormatsTempName(ext);
        TImageKitIO io;
        FillFormatsImage(*io.GetIKBitmap());
        io.SaveToFileByExtension(name);
        EXPECT_TRUE(io.GetAborting()) << ext;
        EXPECT_FALSE(std::filesystem::exists(name)) << ext;
    }
}

TEST(IOComponentFormatsTest, StreamBlockHeaders) {
    const struct {
        int32_t Id;
        const char* Tag;
    } cases[] = {{imaging::ikfJpeg, "JFIF"}, {imaging::ikfTiff, "TIFF"}, {imaging::ikfPcx, "PCX2"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Tag);
        TImageKitIO writer;
        FillFormatsImage(*writer.GetIKBitmap());
        writer.SetStreamHeaders(true);
        vcl::TMemoryStream stream;
        stream.Write("lead", 4);
        writer.SaveToStreamOfFormat(&stream, c.Id);
        ASSERT_FALSE(writer.GetAborting());
        const int64_t end = stream.GetSize();
        EXPECT_EQ(stream.GetPosition(), end);
        stream.Write("tail bytes", 10);
        const std::vector<uint8_t> bytes = FormatsBytes(stream);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 4, 4), c.Tag);
        EXPECT_EQ(bytes[8], 0);
        EXPECT_EQ(FormatsLE32(bytes.data() + 12), uint32_t(end - 4 - 12));

        // Read back from the block's start: the position ends just after the block.
        TImageKitIO reader;
        reader.SetStreamHeaders(true);
        stream.SetPosition(4);
        reader.LoadFromStreamOfFormat(&stream, c.Id);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(stream.GetPosition(), end);
        EXPECT_EQ(reader.GetIKBitmap()->Width(), 8);
        if (c.Id != imaging::ikfJpeg) {
            TIKBitmap expected;
            FillFormatsImage(expected);
            EXPECT_TRUE(SameFormatsPixels(*reader.GetIKBitmap(), expected));
        }
        // Detection knows the block headers too.
        stream.SetPosition(4);
        TImageKitIO detector;
        detector.SetStreamHeaders(true);
        detector.LoadFromStreamDetected(&stream);
        EXPECT_FALSE(detector.GetAborting());
        EXPECT_EQ(detector.GetParams().FileType, c.Id);
        EXPECT_EQ(stream.GetPosition(), end);
    }

    // The JPEG load looks for its header whatever StreamHeaders says.
    TImageKitIO writer;
    FillFormatsImage(*writer.GetIKBitmap());
    writer.SetStreamHeaders(true);
    vcl::TMemoryStream jpeg;
    writer.SaveToJpegStream(&jpeg);
    const int64_t jpegEnd = jpeg.GetSize();
    jpeg.Write("more", 4);
    jpeg.SetPosition(0);
    TImageKitIO plain;
    plain.LoadFromJpegStream(&jpeg);
    EXPECT_FALSE(plain.GetAborting());
    EXPECT_EQ(jpeg.GetPosition(), jpegEnd);

    // A TIFF or PCX load expecting a header refuses another tag; the TIFF load then counts no pages.
    vcl::TMemoryStream wrong;
    wrong.Write("JFIF\0\0\0\0\0\0\0\0garbage garbage", 27);
    for (int32_t id : {imaging::ikfTiff, imaging::ikfPcx}) {
        TImageKitIO io;
        io.SetStreamHeaders(true);
        TFormatsFinish finish(io);
        wrong.SetPosition(0);
        const int32_t pages =
            id == imaging::ikfTiff ? io.LoadFromTiffStream(&wrong) : (io.LoadFromPcxStream(&wrong), 0);
        EXPECT_TRUE(io.GetAborting()) << id;
        EXPECT_EQ(pages, 0);
        EXPECT_EQ(finish.Count, 1);
    }

    // The older 4-byte PCX header is still read.
    TImageKitIO pcxWriter;
    FillFormatsImage(*pcxWriter.GetIKBitmap());
    vcl::TMemoryStream pcxPlain;
    pcxWriter.SaveToPcxStream(&pcxPlain);
    vcl::TMemoryStream old;
    old.Write("PCX\0", 4);
    old.Write(pcxPlain.Memory(), int32_t(pcxPlain.GetSize()));
    old.SetPosition(0);
    TImageKitIO oldReader;
    oldReader.SetStreamHeaders(true);
    oldReader.LoadFromPcxStream(&old);
    EXPECT_FALSE(oldReader.GetAborting());
    EXPECT_TRUE(SameFormatsPixels(*oldReader.GetIKBitmap(), *pcxWriter.GetIKBitmap()));
}

TEST(IOComponentFormatsTest, ParamsOnlyReadsNeverRaise) {
    // Good bytes of each format, then cut short and spoilt.
    struct TCase {
        int32_t Id;
        std::vector<uint8_t> Bytes;
    };
    std::vector<TCase> cases;
    for (int32_t id : {imaging::ikfTiff, imaging::ikfGif, imaging::ikfJpeg, imaging::ikfPcx, imaging::ikfBmp,
                       imaging::ikfPng, imaging::ikfTga, imaging::ikfPnm, imaging::ikfJp2, imaging::ikfJ2k}) {
        TImageKitIO writer;
        FillFormatsImage(*writer.GetIKBitmap());
        vcl::TMemoryStream s;
        writer.SaveToStreamOfFormat(&s, id);
        cases.push_back({id, FormatsBytes(s)});
    }
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Id);
        TImageKitIO io;
        TFormatsFinish finish(io);
        vcl::TMemoryStream whole;
        whole.Write(c.Bytes.data(), int32_t(c.Bytes.size()));
        whole.SetPosition(0);
        io.ReadParamsFromStream(&whole);
        EXPECT_EQ(io.GetParams().FileType, c.Id);
        EXPECT_EQ(io.GetParams().Width, 8);
        EXPECT_EQ(io.GetParams().Height, 6);
        EXPECT_EQ(io.GetIKBitmap()->Width(), 0);
        for (size_t cut : {size_t(0), size_t(5), size_t(20), c.Bytes.size() / 2}) {
            vcl::TMemoryStream part;
            if (cut > 0)
                part.Write(c.Bytes.data(), int32_t(cut));
            part.SetPosition(0);
            EXPECT_NO_THROW(io.ReadParamsFromStreamOfFormat(&part, c.Id)) << cut;
        }
        EXPECT_EQ(finish.Count, 5);
    }
    // Files: missing, a folder, empty, junk under an image name.
    const std::string empty = FormatsTempName(".png");
    const std::string junk = FormatsTempName(".jpg");
    std::ofstream(empty, std::ios::binary).close();
    std::ofstream(junk, std::ios::binary) << "this is not a JPEG file at all, only text";
    for (const std::string& name : {FormatsTempName(".tif"), std::filesystem::temp_directory_path().string(),
                                    empty, junk, std::string()}) {
        TImageKitIO io;
        EXPECT_NO_THROW(io.ReadParamsFromFile(name)) << name;
        EXPECT_EQ(io.GetParams().FileType, 0) << name;
        EXPECT_EQ(io.GetParams().FileName, name);
        EXPECT_NO_THROW(io.ReadParamsFromFileOfFormat(name, imaging::ikfJpeg)) << name;
        EXPECT_EQ(io.GetParams().FileType, 0) << name;
    }
    std::filesystem::remove(empty);
    std::filesystem::remove(junk);
}

// An EXIF block whose first directory holds only the resolution: x and y per unit (2 inch, 3 cm).
std::vector<uint8_t> FormatsExifBlock(uint32_t resolution, uint16_t unit) {
    std::vector<uint8_t> b = {'E', 'x', 'i', 'f', 0, 0, 'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put16 = [&](uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    auto put32 = [&](uint32_t v) {
        put16(uint16_t(v));
        put16(uint16_t(v >> 16));
    };
    put16(3);
    const uint32_t rationals = 8 + 2 + 3 * 12 + 4;
    put16(282), put16(5), put32(1), put32(rationals);
    put16(283), put16(5), put32(1), put32(rationals + 8);
    put16(296), put16(3), put32(1), put32(unit);
    put32(0);
    put32(resolution), put32(1), put32(resolution), put32(1);
    return b;
}

TEST(IOComponentFormatsTest, JpegMetadataAfterReadAndBeforeWrite) {
    const struct {
        int32_t JfifDpi;
        uint16_t Unit;
        int32_t Expected;
    } cases[] = {{1, 3, 182}, {1, 2, 72}, {96, 3, 96}};
    for (const auto& c : cases) {
        TImageKitIO writer;
        FillFormatsImage(*writer.GetIKBitmap());
        writer.GetParams().DpiX = writer.GetParams().DpiY = c.JfifDpi;
        const std::vector<uint8_t> exif = FormatsExifBlock(72, c.Unit);
        writer.GetParams().JpegMarkers.AddMarker(imaging::ikjmApp1Exif, exif.data(), int32_t(exif.size()));
        writer.GetParams().IptcRecords.AddData(2, 120, "caption", 7);
        vcl::TMemoryStream s;
        writer.SaveToJpegStream(&s);
        ASSERT_FALSE(writer.GetAborting());
        // The changed IPTC records went out as an APP13 marker.
        EXPECT_GE(writer.GetParams().JpegMarkers.IndexOfType(imaging::ikjmApp13Iptc), 0);

        for (bool paramsOnly : {false, true}) {
            TImageKitIO reader;
            s.SetPosition(0);
            if (paramsOnly)
                reader.ReadParamsFromStream(&s);
            else
                reader.LoadFromStreamDetected(&s);
            EXPECT_EQ(reader.GetParams().DpiX, c.Expected) << c.Unit << paramsOnly;
            EXPECT_EQ(reader.GetParams().DpiY, c.Expected);
            EXPECT_EQ(reader.GetParams().ExifPresent, 1);
            ASSERT_EQ(reader.GetParams().IptcRecords.Count(), 1);
            EXPECT_EQ(std::string(reinterpret_cast<const char*>(reader.GetParams().IptcRecords.Data(0)), 7),
                      "caption");
        }
    }
}

TEST(IOComponentFormatsTest, LoadsTakeTheBackgroundOfTheFile) {
    // GIF: the transparent colour when there is one, else the screen's background. A PNG file load starts
    // the reader from the component's background, which it keeps.
    const imaging::TIKColorTriple blue{200, 0, 0}, red{0, 0, 200};
    const struct {
        const char* Ext;
        bool Transparent;
        int32_t Expected;
    } cases[] = {{".gif", true, 0xC80000}, {".gif", false, 0x0000C8}, {".png", false, 0x00FF00}};
    for (const auto& c : cases) {
        const std::string name = FormatsTempName(c.Ext);
        TImageKitIO writer;
        writer.GetIKBitmap()->Allocate(4, 2, imaging::ikbf24Bit);
        writer.GetIKBitmap()->FillRect(0, 0, 1, 1, 0xC80000);
        writer.GetIKBitmap()->FillRect(2, 0, 3, 1, 0x0000C8);
        writer.GetParams().BitsPerSample = 1;
        writer.GetParams().GifTransparent = c.Transparent;
        writer.GetParams().GifTransparentColor = blue;
        writer.GetParams().GifBackground = red;
        writer.SaveToFileByExtension(name);
        ASSERT_FALSE(writer.GetAborting());
        TImageKitIO reader;
        reader.SetBackground(0x00FF00);
        reader.LoadFromFileByExtension(name);
        EXPECT_FALSE(reader.GetAborting());
        EXPECT_EQ(reader.GetBackground(), c.Expected) << c.Ext << c.Transparent;
        std::filesystem::remove(name);
    }
}

TEST(IOComponentFormatsTest, AdjustDpiCases) {
    const struct {
        int32_t W, H, DpiX, DpiY;
        bool Filtered;
        int32_t NewW, NewH, NewDpiX, NewDpiY;
    } cases[] = {
        {300, 200, 100, 50, false, 300, 400, 100, 100}, // the shorter side is stretched
        {200, 300, 100, 50, false, 100, 300, 50, 50},   // the narrower side is shrunk
        {300, 200, 100, 50, true, 300, 400, 100, 100},  // the filtered resampler gives the same size
        {40, 30, 72, 72, false, 40, 30, 72, 72},        // equal: nothing
        {40, 30, 0, 72, false, 40, 30, 0, 72},          // unset: nothing
        {40, 30, 72, -5, false, 40, 30, 72, -5},
        {3000, 20, 60000, 1, false, 3000, 20, 60000, 1}, // would explode: refused
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " @" << c.DpiX << "x" << c.DpiY);
        TImageKitIO io;
        TIKBitmap* image = io.GetIKBitmap();
        image->Allocate(c.W, c.H, imaging::ikbf8Bit);
        image->Palette()[1] = {10, 20, 30};
        image->FillRect(0, 0, c.W / 2, c.H - 1, 1);
        image->GetAlphaChannel()->FillRect(0, 0, c.W - 1, c.H / 2, 0);
        io.GetParams().Width = c.W;
        io.GetParams().Height = c.H;
        io.GetParams().DpiX = c.DpiX;
        io.GetParams().DpiY = c.DpiY;
        io.SetFilteredAdjustDPI(c.Filtered);
        io.AdjustDpi();
        EXPECT_EQ(image->Width(), c.NewW);
        EXPECT_EQ(image->Height(), c.NewH);
        EXPECT_EQ(io.GetParams().DpiX, c.NewDpiX);
        EXPECT_EQ(io.GetParams().DpiY, c.NewDpiY);
        if (c.NewW != c.W || c.NewH != c.H) {
            EXPECT_EQ(io.GetParams().Width, c.NewW);
            EXPECT_EQ(io.GetParams().Height, c.NewH);
            EXPECT_EQ(image->PixelFormat(), c.Filtered ? imaging::ikbf24Bit : imaging::ikbf8Bit);
            // The alpha channel follows: transparent at the top, opaque at the bottom.
            ASSERT_TRUE(image->HasAlphaChannel());
            EXPECT_EQ(image->GetAlphaChannel()->Width(), c.NewW);
            EXPECT_EQ(image->GetAlphaChannel()->ScanLine(0)[0], 0);
            EXPECT_EQ(image->GetAlphaChannel()->ScanLine(c.NewH - 1)[0], 255);
            const imaging::TIKColorTriple left = image->PixelColor(0, 0);
            EXPECT_EQ(left.R, 30);
        }
    }

    // AutoAdjustDPI works on every load.
    TImageKitIO writer;
    FillFormatsImage(*writer.GetIKBitmap(), 30, 20);
    writer.GetParams().DpiX = 100;
    writer.GetParams().DpiY = 50;
    vcl::TMemoryStream png;
    writer.SaveToPngStream(&png);
    png.SetPosition(0);
    TImageKitIO reader;
    reader.SetAutoAdjustDPI(true);
    reader.LoadFromStreamDetected(&png);
    EXPECT_EQ(reader.GetIKBitmap()->Width(), 30);
    EXPECT_EQ(reader.GetIKBitmap()->Height(), 40);
    EXPECT_EQ(reader.GetParams().DpiY, 100);
}

} // namespace
