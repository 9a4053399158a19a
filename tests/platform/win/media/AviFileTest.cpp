// The video-file service on AVI files written here: descriptions, formats and frames of 24-bit and
// paletted streams, frames asked for out of order and skipped ones, hostile files refused at the step
// they break, and handles refused once failed or released.
#include "platform/win/media/Vfw.h"

#include "tests/platform/win/media/AviWriter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

using namespace win;
using avitest::AviSpec;
using avitest::MakeFrame;
using avitest::WriteAvi;

namespace {

class AviFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "loomwick-avi-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        FDir = pattern;
        AVIFileInit();
    }
    void TearDown() override {
        AVIFileExit();
        std::error_code ec;
        std::filesystem::remove_all(FDir, ec);
    }
    std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
        std::string path = (FDir / name).string();
        avitest::WriteFile(path, bytes);
        return path;
    }
    std::filesystem::path FDir;
};

// Colour of pixel (x, y) of frame f, 0x00RRGGBB.
uint32_t Colour(int x, int y, int f) {
    return uint32_t((x * 40 + f * 7) & 0xFF) << 16 | uint32_t((y * 60 + f) & 0xFF) << 8 | uint32_t(0x80 + f);
}

AviSpec TrueColourSpec(int frames) {
    AviSpec spec;
    spec.Width = 5; // rows of 15 bytes, padded to 16
    spec.Height = 3;
    for (int f = 0; f < frames; ++f)
        spec.Frames.push_back(MakeFrame(5, 3, 24, [f](int x, int y) { return Colour(x, y, f); }));
    return spec;
}

AviSpec PalettedSpec(int frames) {
    AviSpec spec;
    spec.Width = 6;
    spec.Height = 4;
    spec.BitCount = 8;
    for (uint32_t i = 0; i < 16; ++i)
        spec.Palette.push_back(i * 0x0F0A05 + 0x030201);
    for (int f = 0; f < frames; ++f)
        spec.Frames.push_back(MakeFrame(6, 4, 8, [f](int x, int y) { return uint32_t((x + 2 * y + f) % 16); }));
    return spec;
}

struct Opened {
    PAVIFILE File = nullptr;
    PAVISTREAM Stream = nullptr;
    ~Opened() {
        AVIStreamRelease(Stream);
        AVIFileRelease(File);
    }
};

// The DIB's bits after its header and table.
std::vector<uint8_t> DibBits(const void* dib) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    const auto* bits = static_cast<const uint8_t*>(dib) + header.biSize + header.biClrUsed * 4;
    return {bits, bits + header.biSizeImage};
}

TEST_F(AviFileTest, TrueColourStreamGivesItsDescriptionFormatAndFrames) {
    AviSpec spec = TrueColourSpec(3);
    std::string path = Write("true.avi", WriteAvi(spec));
    Opened avi;
    ASSERT_EQ(AVIFileOpen(&avi.File, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(avi.File, &avi.Stream, streamtypeVIDEO, 0), AVIERR_OK);

    AVISTREAMINFOA info;
    std::memset(static_cast<void*>(&info), 0xCC, sizeof info);
    ASSERT_EQ(AVIStreamInfo(avi.Stream, &info, sizeof info), AVIERR_OK);
    EXPECT_EQ(info.fccType, streamtypeVIDEO);
    EXPECT_EQ(info.dwScale, 1u);
    EXPECT_EQ(info.dwRate, 15u);
    EXPECT_EQ(info.dwStart, 0u);
    EXPECT_EQ(info.dwLength, 3u);
    EXPECT_EQ(AVIStreamStart(avi.Stream), 0);
    EXPECT_EQ(AVIStreamLength(avi.Stream), 3);

    LONG size = 0;
    ASSERT_EQ(AVIStreamReadFormat(avi.Stream, 0, nullptr, &size), AVIERR_OK);
    ASSERT_EQ(size, 40);
    BITMAPINFOHEADER format;
    ASSERT_EQ(AVIStreamReadFormat(avi.Stream, 0, &format, &size), AVIERR_OK);
    EXPECT_EQ(format.biWidth, 5);
    EXPECT_EQ(format.biHeight, 3);
    EXPECT_EQ(format.biBitCount, 24);
    EXPECT_EQ(format.biClrUsed, 0u);
    EXPECT_EQ(format.biSizeImage, 48u) << "a size of 0 in the file is computed";

    ASSERT_EQ(AVIStreamBeginStreaming(avi.Stream, 0, 0, 1000), AVIERR_OK);
    PGETFRAME getter = AVIStreamGetFrameOpen(avi.Stream, nullptr);
    ASSERT_NE(getter, nullptr);
    // In order, then back and again: each frame as the file holds it.
    for (int f : {0, 1, 2, 0, 2, 1}) {
        void* dib = AVIStreamGetFrame(getter, f);
        ASSERT_NE(dib, nullptr) << f;
        BITMAPINFOHEADER header;
        std::memcpy(&header, dib, sizeof header);
        EXPECT_EQ(header.biSize, 40u);
        EXPECT_EQ(header.biWidth, 5);
        EXPECT_EQ(header.biHeight, 3);
        EXPECT_EQ(header.biBitCount, 24);
        EXPECT_EQ(header.biClrUsed, 0u);
        EXPECT_EQ(DibBits(dib), spec.Frames[size_t(f)]) << "frame " << f;
    }
    EXPECT_EQ(AVIStreamGetFrame(getter, 3), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(getter, -1), nullptr);
    EXPECT_EQ(AVIStreamGetFrameClose(getter), AVIERR_OK);
    EXPECT_EQ(AVIStreamEndStreaming(avi.Stream), AVIERR_OK);
}

TEST_F(AviFileTest, PalettedStreamGivesItsPaletteAndIndexes) {
    AviSpec spec = PalettedSpec(2);
    std::string path = Write("paletted.avi", WriteAvi(spec));
    Opened avi;
    ASSERT_EQ(AVIFileOpen(&avi.File, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(avi.File, &avi.Stream, 0, 0), AVIERR_OK);

    LONG size = 0;
    ASSERT_EQ(AVIStreamReadFormat(avi.Stream, 0, nullptr, &size), AVIERR_OK);
    ASSERT_EQ(size, 40 + 16 * 4);
    std::vector<uint8_t> format(static_cast<size_t>(size));
    LONG small = 40;
    EXPECT_EQ(AVIStreamReadFormat(avi.Stream, 0, format.data(), &small), AVIERR_BUFFERTOOSMALL);
    EXPECT_EQ(small, size);
    ASSERT_EQ(AVIStreamReadFormat(avi.Stream, 0, format.data(), &size), AVIERR_OK);
    BITMAPINFOHEADER header;
    std::memcpy(&header, format.data(), sizeof header);
    EXPECT_EQ(header.biBitCount, 8);
    EXPECT_EQ(header.biClrUsed, 16u);
    for (size_t i = 0; i < 16; ++i) {
        uint32_t entry;
        std::memcpy(&entry, format.data() + 40 + 4 * i, 4);
        EXPECT_EQ(entry, spec.Palette[i]) << i;
    }

    PGETFRAME getter = AVIStreamGetFrameOpen(avi.Stream, nullptr);
    ASSERT_NE(getter, nullptr);
    for (int f : {1, 0, 1}) {
        void* dib = AVIStreamGetFrame(getter, f);
        ASSERT_NE(dib, nullptr) << f;
        std::memcpy(&header, dib, sizeof header);
        EXPECT_EQ(header.biBitCount, 8);
        ASSERT_EQ(header.biClrUsed, 256u);
        const auto* table = static_cast<const uint8_t*>(dib) + 40;
        for (size_t i = 0; i < 16; ++i) {
            uint32_t entry;
            std::memcpy(&entry, table + 4 * i, 4);
            EXPECT_EQ(entry, spec.Palette[i]) << "frame " << f << " colour " << i;
        }
        EXPECT_EQ(DibBits(dib), spec.Frames[size_t(f)]) << "frame " << f;
    }
    // Asked for 24 bits, the same frame comes through its palette.
    BITMAPINFOHEADER wanted{};
    wanted.biSize = 40;
    wanted.biBitCount = 24;
    PGETFRAME getter24 = AVIStreamGetFrameOpen(avi.Stream, &wanted);
    ASSERT_NE(getter24, nullptr);
    void* dib = AVIStreamGetFrame(getter24, 1);
    ASSERT_NE(dib, nullptr);
    std::vector<uint8_t> bits = DibBits(dib);
    std::vector<uint8_t> expected = MakeFrame(6, 4, 24, [&spec](int x, int y) {
        return spec.Palette[size_t((x + 2 * y + 1) % 16)];
    });
    EXPECT_EQ(bits, expected);
    AVIStreamGetFrameClose(getter24);
    AVIStreamGetFrameClose(getter);
}

TEST_F(AviFileTest, SkippedFramesShowTheFrameBeforeAndTheStartCounts) {
    AviSpec spec = TrueColourSpec(3);
    spec.Frames.insert(spec.Frames.begin() + 1, std::vector<uint8_t>()); // frame 1 repeats frame 0
    spec.Start = 4;
    std::string path = Write("skipped.avi", WriteAvi(spec));
    Opened avi;
    ASSERT_EQ(AVIFileOpen(&avi.File, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(avi.File, &avi.Stream, streamtypeVIDEO, 0), AVIERR_OK);
    ASSERT_EQ(AVIStreamStart(avi.Stream), 4);
    ASSERT_EQ(AVIStreamLength(avi.Stream), 4);
    PGETFRAME getter = AVIStreamGetFrameOpen(avi.Stream, nullptr);
    ASSERT_NE(getter, nullptr);
    const size_t shown[] = {0, 0, 2, 3};
    for (int position = 0; position < 4; ++position) {
        void* dib = AVIStreamGetFrame(getter, 4 + position);
        ASSERT_NE(dib, nullptr) << position;
        EXPECT_EQ(DibBits(dib), spec.Frames[shown[position]]) << "position " << position;
    }
    EXPECT_EQ(AVIStreamGetFrame(getter, 3), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(getter, 8), nullptr);
    AVIStreamGetFrameClose(getter);
}

// The calls in the order an importer makes them; the first that fails and its code.
struct Failure {
    std::string Step;
    HRESULT Code = AVIERR_OK;
};

Failure RunImport(const std::string& path) {
    Opened avi;
    HRESULT r = AVIFileOpen(&avi.File, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr);
    if (r != AVIERR_OK)
        return {"open", r};
    if ((r = AVIFileGetStream(avi.File, &avi.Stream, streamtypeVIDEO, 0)) != AVIERR_OK)
        return {"stream", r};
    AVISTREAMINFOA info;
    if ((r = AVIStreamInfo(avi.Stream, &info, sizeof info)) != AVIERR_OK)
        return {"info", r};
    LONG size = 0;
    if ((r = AVIStreamReadFormat(avi.Stream, 0, nullptr, &size)) != AVIERR_OK)
        return {"format size", r};
    std::vector<uint8_t> format(static_cast<size_t>(size));
    if ((r = AVIStreamReadFormat(avi.Stream, 0, format.data(), &size)) != AVIERR_OK)
        return {"format", r};
    if ((r = AVIStreamBeginStreaming(avi.Stream, 0, 0, 1000)) != AVIERR_OK)
        return {"streaming", r};
    PGETFRAME getter = AVIStreamGetFrameOpen(avi.Stream, nullptr);
    if (!getter)
        return {"decompression", AVIERR_OK};
    Failure result;
    for (LONG f = AVIStreamStart(avi.Stream); f < AVIStreamStart(avi.Stream) + AVIStreamLength(avi.Stream); ++f)
        if (!AVIStreamGetFrame(getter, f)) {
            result = {"frame", AVIERR_OK};
            break;
        }
    AVIStreamGetFrameClose(getter);
    AVIStreamEndStreaming(avi.Stream);
    return result;
}

TEST_F(AviFileTest, HostileFilesFailAtTheStepTheyBreak) {
    using Mutate = void (*)(AviSpec&, std::vector<uint8_t>&);
    struct Case {
        const char* Name;
        Mutate Change;
        const char* Step;
        HRESULT Code;
    };
    const Case cases[] = {
        {"sound", nullptr, "", AVIERR_OK},
        {"not a RIFF file", [](AviSpec&, std::vector<uint8_t>& b) { b[0] = 'X'; }, "open", AVIERR_BADFORMAT},
        {"a RIFF form other than AVI", [](AviSpec&, std::vector<uint8_t>& b) { b[11] = 'X'; }, "open", AVIERR_BADFORMAT},
        {"a truncated movi list", [](AviSpec&, std::vector<uint8_t>& b) { b.resize(size_t(avitest::FindId(b, "movi") + 60)); },
         "open", AVIERR_FILEREAD},
        {"a frame chunk past the end", [](AviSpec&, std::vector<uint8_t>& b) {
             avitest::PutU32(b, avitest::FindId(b, "00db") + 4, 0x7FFFFFF0); },
         "open", AVIERR_FILEREAD},
        {"a format chunk past its list", [](AviSpec&, std::vector<uint8_t>& b) {
             avitest::PutU32(b, avitest::FindId(b, "strf") + 4, 0xFFFFFFF0); },
         "open", AVIERR_FILEREAD},
        {"lists nested past any AVI file", [](AviSpec&, std::vector<uint8_t>& b) {
             // The movi list's place taken by LIST chunks inside each other down to its end.
             int64_t movi = avitest::FindId(b, "movi") - 8;
             uint32_t size = uint32_t(b.size()) - uint32_t(movi) - 8;
             for (int64_t at = movi; size >= 12; at += 12, size -= 12) {
                 std::memcpy(b.data() + at, "LIST", 4);
                 avitest::PutU32(b, at + 4, size);
                 std::memcpy(b.data() + at + 8, "deep", 4);
             } },
         "open", AVIERR_BADFORMAT},
        {"65535 x 65535", [](AviSpec&, std::vector<uint8_t>& b) {
             int64_t strf = avitest::FindId(b, "strf") + 8;
             avitest::PutU32(b, strf + 4, 65535);
             avitest::PutU32(b, strf + 8, 65535); },
         "stream", AVIERR_BADFORMAT},
        {"a width of 0", [](AviSpec&, std::vector<uint8_t>& b) { avitest::PutU32(b, avitest::FindId(b, "strf") + 12, 0); },
         "stream", AVIERR_BADFORMAT},
        {"rate 0", [](AviSpec&, std::vector<uint8_t>& b) { avitest::PutU32(b, avitest::FindId(b, "strh") + 8 + 24, 0); },
         "stream", AVIERR_BADFORMAT},
        {"more frames than the file holds", [](AviSpec&, std::vector<uint8_t>& b) {
             avitest::PutU32(b, avitest::FindId(b, "strh") + 8 + 32, 0x10000000); },
         "stream", AVIERR_BADFORMAT},
        {"a format shorter than its header", [](AviSpec& s, std::vector<uint8_t>& b) {
             avitest::PutU32(b, avitest::FindId(b, "strf") + 8, 400); },
         "stream", AVIERR_BADFORMAT},
        {"no video stream", [](AviSpec& s, std::vector<uint8_t>& b) { s.StreamType = "auds"; b = WriteAvi(s); },
         "stream", AVIERR_NODATA},
        {"biClrUsed 5000", [](AviSpec& s, std::vector<uint8_t>& b) {
             s = PalettedSpec(2);
             s.ClrUsed = 5000;
             b = WriteAvi(s); },
         "format size", AVIERR_BADFORMAT},
        {"an 8-bit format without colours", [](AviSpec& s, std::vector<uint8_t>& b) {
             s = PalettedSpec(2);
             s.Palette.clear();
             b = WriteAvi(s); },
         "format size", AVIERR_BADFORMAT},
        {"frames claimed but none stored", [](AviSpec& s, std::vector<uint8_t>& b) {
             s.Frames.clear();
             s.Length = 2;
             b = WriteAvi(s); },
         "streaming", AVIERR_NODATA},
        {"a codec without a decoder", [](AviSpec& s, std::vector<uint8_t>& b) {
             s.Compression = avitest::FourCC("QQZZ");
             b = WriteAvi(s); },
         "decompression", AVIERR_OK},
        {"a frame cut short", [](AviSpec& s, std::vector<uint8_t>& b) {
             s.Frames[1].resize(10);
             b = WriteAvi(s); },
         "frame", AVIERR_OK},
    };
    for (const Case& c : cases) {
        AviSpec spec = TrueColourSpec(3);
        std::vector<uint8_t> bytes = WriteAvi(spec);
        if (c.Change)
            c.Change(spec, bytes);
        Failure failure = RunImport(Write("hostile.avi", bytes));
        EXPECT_EQ(failure.Step, c.Step) << c.Name;
        EXPECT_EQ(failure.Code, c.Code) << c.Name;
    }
    Failure missing = RunImport((FDir / "none.avi").string());
    EXPECT_EQ(missing.Step, "open");
    EXPECT_EQ(missing.Code, AVIERR_FILEOPEN);
}

TEST_F(AviFileTest, CallsWithoutAHandleOrAfterReleaseAreRefused) {
    PAVIFILE file = reinterpret_cast<PAVIFILE>(0x1234);
    EXPECT_EQ(AVIFileOpen(&file, (FDir / "none.avi").c_str(), OF_READ, nullptr), AVIERR_FILEOPEN);
    EXPECT_EQ(file, nullptr);
    EXPECT_EQ(AVIFileOpen(nullptr, "x.avi", OF_READ, nullptr), AVIERR_BADPARAM);
    std::string path = Write("ok.avi", WriteAvi(TrueColourSpec(1)));
    EXPECT_EQ(AVIFileOpen(&file, path.c_str(), OF_WRITE, nullptr), AVIERR_READONLY);
    EXPECT_EQ(file, nullptr);

    // Everything an importer calls after a failed open, with the null handles it holds.
    PAVISTREAM stream = reinterpret_cast<PAVISTREAM>(0x5678);
    EXPECT_EQ(AVIFileGetStream(nullptr, &stream, streamtypeVIDEO, 0), AVIERR_BADHANDLE);
    EXPECT_EQ(stream, nullptr);
    AVISTREAMINFOA info;
    LONG size = 0;
    EXPECT_EQ(AVIStreamInfo(nullptr, &info, sizeof info), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamReadFormat(nullptr, 0, nullptr, &size), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamBeginStreaming(nullptr, 0, 0, 1000), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamGetFrameOpen(nullptr, nullptr), nullptr);
    EXPECT_EQ(AVIStreamGetFrame(nullptr, 0), nullptr);
    EXPECT_EQ(AVIStreamGetFrameClose(nullptr), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamEndStreaming(nullptr), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamStart(nullptr), -1);
    EXPECT_EQ(AVIStreamLength(nullptr), -1);
    EXPECT_EQ(AVIStreamRelease(nullptr), 0u);
    EXPECT_EQ(AVIFileRelease(nullptr), 0u);

    // Released handles are refused too; a stream outlives its file's handle.
    ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ, nullptr), AVIERR_OK);
    ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK);
    PAVISTREAM second = nullptr;
    EXPECT_EQ(AVIFileGetStream(file, &second, streamtypeVIDEO, 1), AVIERR_NODATA);
    EXPECT_EQ(AVIFileGetStream(file, &second, mmioFOURCC('a', 'u', 'd', 's'), 0), AVIERR_NODATA);
    EXPECT_EQ(AVIFileRelease(file), 0u);
    EXPECT_EQ(AVIFileGetStream(file, &second, streamtypeVIDEO, 0), AVIERR_BADHANDLE);
    PGETFRAME getter = AVIStreamGetFrameOpen(stream, nullptr);
    ASSERT_NE(getter, nullptr);
    EXPECT_NE(AVIStreamGetFrame(getter, 0), nullptr);
    EXPECT_EQ(AVIStreamGetFrameClose(getter), AVIERR_OK);
    EXPECT_EQ(AVIStreamGetFrameClose(getter), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamGetFrame(getter, 0), nullptr);
    AVIStreamRelease(stream);
    EXPECT_EQ(AVIStreamInfo(stream, &info, sizeof info), AVIERR_BADHANDLE);
    EXPECT_EQ(AVIStreamLength(stream), -1);
}

} // namespace
