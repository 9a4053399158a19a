#include "imaging/io/IOFormatRegistry.h"

#include "Formats2TestUtil.h"
#include "imaging/io/JpegFilter.h"
#include "imaging/io/PngFilter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include <unistd.h>

using namespace imaging;
using namespace formats2test;

namespace {

Bytes EncodedJpeg() {
    TRun run;
    run.Bitmap.Allocate(8, 8, ikbf24Bit);
    vcl::TMemoryStream out;
    EncodeBitmapToJpeg(&out, &run.Bitmap, run.Params, run.Progress);
    return StreamBytes(out);
}

Bytes EncodedPng() {
    TRun run;
    run.Bitmap.Allocate(2, 2, ikbf24Bit);
    vcl::TMemoryStream out;
    EncodeBitmapToPng(&out, &run.Bitmap, run.Params, run.Progress, nullptr);
    return StreamBytes(out);
}

Bytes IconDirectory(int type) {
    Bytes b;
    Append(b, {0, 0, type, 0, 1, 0});
    Append(b, {1, 1, 2, 0, 1, 0, 1, 0});
    AppendDWord(b, 48);
    AppendDWord(b, 22);
    b.resize(22 + 48, 0);
    return b;
}

Bytes WithZeros(size_t zeros, const Bytes& data) {
    Bytes b(zeros, 0);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}

int32_t Detect(const Bytes& data, int64_t position = 0) {
    vcl::TReadOnlyMemoryStream stream(data.data(), int64_t(data.size()));
    stream.SetPosition(position);
    const int32_t id = FindStreamFormat(&stream);
    EXPECT_EQ(stream.GetPosition(), position);
    return id;
}

struct TTempFile {
    std::string Path;
    TTempFile(const std::string& name, const Bytes& data) {
        Path = (std::filesystem::temp_directory_path() /
                ("lw-registry-" + std::to_string(::getpid()) + "-" + name))
                   .string();
        std::ofstream(Path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), long(data.size()));
    }
    ~TTempFile() { std::filesystem::remove(Path); }
};

bool SignatureDetected(vcl::TStream* stream) {
    uint8_t b[4] = {};
    const bool hit = stream->Read(b, 4) == 4 && std::memcmp(b, "LWX!", 4) == 0;
    return hit;
}

} // namespace

TEST(IOFormatRegistry, EntriesAndExtensions) {
    BuildFormatRegistry();
    EXPECT_EQ(FormatExtensionCount(ikfTiff), 5);
    EXPECT_EQ(FormatExtensionAt(ikfTga, 5), "PIX");
    EXPECT_EQ(FormatExtensionAt(ikfTga, 6), "");
    EXPECT_EQ(FormatExtensionAt(99, 0), "");
    EXPECT_EQ(FormatExtensionCount(99), 0);
    ASSERT_NE(FindFormatEntryByExtension("TiFf"), nullptr);
    EXPECT_EQ(FindFormatEntryByExtension("TiFf")->FormatId, ikfTiff);
    EXPECT_EQ(FindFormatEntryByExtension("jpe")->FormatId, ikfJpeg);
    EXPECT_EQ(FindFormatEntryByExtension("j2c")->FormatId, ikfJ2k);
    EXPECT_EQ(FindFormatEntryByExtension("xyz"), nullptr);
    EXPECT_EQ(FindFormatEntryByExtension(""), nullptr);
    ASSERT_NE(FindFormatEntryById(ikfPnm), nullptr);
    EXPECT_EQ(FindFormatEntryById(ikfPnm)->Description, "Portable Pixmap, GreyMap, BitMap");
    EXPECT_EQ(FindFormatEntryById(ikfIco)->Write, nullptr);
    EXPECT_EQ(FindFormatEntryById(0), nullptr);
}

namespace {

struct TDetectCase {
    const char* name;
    Bytes data;
    int32_t id;
};

// One sample of every format the probes know, and near misses.
std::vector<TDetectCase> DetectionCases() {
    Bytes pcx(129, 0);
    pcx[0] = 0x0A;
    pcx[1] = 0x05;
    Bytes pcx6 = pcx;
    pcx6[1] = 0x06;
    Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0, 1, 2, 3};
    const Bytes jpeg = EncodedJpeg();
    return {
        {"JPEG block header", ToBytes(std::string("JFIF\0\0\0\0\0\0\0\0\0", 13)), ikfJpeg},
        {"GIF", ToBytes("GIF89a........"), ikfGif},
        {"GIF of 10 bytes", ToBytes("GIF89a...."), ikfUnknown},
        {"PCX block header", ToBytes(std::string("PCX2\0\0\0\0\0\0\0\0\0", 13)), ikfPcx},
        {"BMP", ToBytes("BM.............."), ikfBmp},
        {"PCX version 5", pcx, ikfPcx},
        {"PCX version 6", pcx6, ikfUnknown},
        {"TIFF", Bytes{'I', 'I', 42, 0, 8, 0, 0, 0, 0}, ikfTiff},
        {"PNG", EncodedPng(), ikfPng},
        {"icon", IconDirectory(1), ikfIco},
        {"cursor", IconDirectory(2), ikfCur},
        {"TGA", tga, ikfTga},
        {"PNM", ToBytes("P6 1 1 255\n\1\2\3"), ikfPnm},
        {"JPEG", jpeg, ikfJpeg},
        {"JPEG after 60 zero bytes", WithZeros(60, jpeg), ikfJpeg},
        {"JPEG after 120 zero bytes", WithZeros(120, jpeg), ikfUnknown},
        {"JP2", Bytes{0, 0, 0, 12, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A, 0}, ikfJp2},
        {"J2K", Bytes{0xFF, 0x4F, 0xFF, 0x51, 0, 0}, ikfJ2k},
        {"nothing", Bytes{}, ikfUnknown},
        {"text", ToBytes("just some text"), ikfUnknown},
    };
}

} // namespace

TEST(IOFormatRegistry, DetectionTable) {
    BuildFormatRegistry();
    const std::vector<TDetectCase> cases = DetectionCases();
    for (const auto& c : cases)
        EXPECT_EQ(Detect(c.data), c.id) << c.name;

    // Probes look only after the position: a signature that ends early there is no match.
    Bytes prefixed = ToBytes("....GIF8");
    EXPECT_EQ(Detect(prefixed, 4), ikfUnknown);
    Bytes prefixedGif = ToBytes("....GIF89a........");
    EXPECT_EQ(Detect(prefixedGif, 4), ikfGif);
}

// Behind 300 bytes of other data (which makes every size condition on the whole stream true) each sample is
// found from its position; cut short there, it is found as itself or not at all, never as another format:
// the probes compare only the bytes they actually read after the position.
TEST(IOFormatRegistry, ProbesSeeOnlyTheBytesAfterThePosition) {
    BuildFormatRegistry();
    Bytes lead;
    while (lead.size() < 300)
        Append(lead, {'G', 'I', 'F', '8', '9', 'a', 'B', 'M', 'I', 'I', 0xFF, 0xD8, 0xFF, 0x0A, 0x05});
    lead.resize(300);
    for (const TDetectCase& c : DetectionCases()) {
        if (c.id == ikfUnknown)
            continue;
        Bytes data = lead;
        data.insert(data.end(), c.data.begin(), c.data.end());
        EXPECT_EQ(Detect(data, int64_t(lead.size())), c.id) << c.name;
        for (size_t cut = 0; cut < c.data.size(); ++cut) {
            data.resize(lead.size() + cut);
            const int32_t id = Detect(data, int64_t(lead.size()));
            EXPECT_TRUE(id == c.id || id == ikfUnknown) << c.name << " cut to " << cut << ": " << id;
        }
    }
}

TEST(IOFormatRegistry, RegisteredDetectorsComeFirst) {
    BuildFormatRegistry();
    TIKFormatEntry entry;
    entry.FormatId = 77;
    entry.Description = std::string(100, 'd');
    entry.Extensions = "LWX;LWY";
    entry.Detect = SignatureDetected;
    const int32_t index = RegisterFormatEntry(entry);
    EXPECT_EQ(index, 14);
    EXPECT_EQ(FindFormatEntryById(77)->Description.size(), 80u);
    EXPECT_EQ(FindFormatEntryByExtension("lwy")->FormatId, 77);
    EXPECT_EQ(Detect(ToBytes("LWX!GIF89a........")), 77);
    EXPECT_EQ(Detect(ToBytes("GIF89a........")), ikfGif);
    FreeFormatRegistry();
    EXPECT_EQ(FindFormatEntryById(ikfGif), nullptr);
    BuildFormatRegistry();
    EXPECT_EQ(FindFormatEntryById(77), nullptr);
    EXPECT_NE(FindFormatEntryById(ikfGif), nullptr);
}

TEST(IOFormatRegistry, FileFormatAndItsExtension) {
    BuildFormatRegistry();
    const TTempFile icon("icon.cur", IconDirectory(1));
    const TTempFile png("image.bmp", EncodedPng());
    const TTempFile jpeg("photo.png", EncodedJpeg());
    const TTempFile gray("gray.PGM", ToBytes("P5 1 1 255\n\x7f"));
    EXPECT_EQ(FindFileFormat(icon.Path, true), ikfCur);
    EXPECT_EQ(FindFileFormat(icon.Path, false), ikfIco);
    EXPECT_EQ(FindFileFormat(png.Path, true), ikfUnknown);
    EXPECT_EQ(FindFileFormat(png.Path, false), ikfPng);
    EXPECT_EQ(FindFileFormat(jpeg.Path, false), ikfJpeg);
    EXPECT_EQ(FindFileFormat(gray.Path, true), ikfPnm);
    EXPECT_EQ(FindFileFormat(icon.Path + ".missing", false), ikfUnknown);
    EXPECT_EQ(FindFileFormat("", false), ikfUnknown);
}

TEST(IOFormatRegistry, EntriesReadAndWriteThroughTheirFilters) {
    BuildFormatRegistry();
    // A PIX file is a Targa file.
    const Bytes tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 0, 24, 0x20, 3, 2, 1};
    TRun run;
    vcl::TReadOnlyMemoryStream stream(tga.data(), int64_t(tga.size()));
    FindFormatEntryByExtension("pix")->Read(&stream, &run.Bitmap, run.Params, run.Progress, ikrmImage);
    ASSERT_FALSE(run.Failed());
    EXPECT_EQ(Rgb(run.Bitmap, 0, 0), 0x010203u);

    // Every entry with a writer writes what its reader reads back.
    for (int32_t id = ikfTiff; id <= ikfJ2k; ++id) {
        const TIKFormatEntry* entry = FindFormatEntryById(id);
        ASSERT_NE(entry, nullptr);
        if (!entry->Write || entry->Write == NoFormatWrite)
            continue;
        TRun source;
        source.Bitmap.Allocate(3, 2, ikbf24Bit);
        source.Bitmap.Fill(0x00FF00);
        vcl::TMemoryStream out;
        entry->Write(&out, &source.Bitmap, source.Params, source.Progress);
        ASSERT_FALSE(source.Failed()) << entry->Description;
        EXPECT_EQ(Detect(StreamBytes(out)), id) << entry->Description;
        out.SetPosition(0);
        TRun back;
        entry->Read(&out, &back.Bitmap, back.Params, back.Progress, ikrmImage);
        ASSERT_FALSE(back.Failed()) << entry->Description;
        EXPECT_EQ(back.Bitmap.Width(), 3) << entry->Description;
        EXPECT_EQ(back.Bitmap.Height(), 2) << entry->Description;
    }

    // Formats without a filter report failure and write nothing.
    TRun metafile;
    vcl::TMemoryStream empty;
    FindFormatEntryById(ikfWmf)->Read(&empty, &metafile.Bitmap, metafile.Params, metafile.Progress,
                                      ikrmImage);
    EXPECT_TRUE(metafile.Failed());
}
