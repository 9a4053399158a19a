// The half of tests/external/avi_ffmpeg.sh that runs inside the video-file service: with
// LOOMWICK_MEDIA_EXTERNAL_DIR set, every AVI file named in its list.txt is read as an importer reads it and
// its frames written top-down in 24 bits (NAME.ours.raw, a paletted frame through its colour table), its
// time base and frame count to NAME.ours.info ("SCALE/RATE LENGTH"), for the script to hold against ffmpeg
// and ffprobe. Without the variable the test is skipped.
#include "platform/win/media/Vfw.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

using namespace win;

namespace {

// The DIB's pixels as top-down rows of 24 bits without padding.
std::vector<uint8_t> TopDownBgr(const uint8_t* dib) {
    BITMAPINFOHEADER header;
    std::memcpy(&header, dib, sizeof header);
    const uint8_t* table = dib + header.biSize;
    const uint8_t* bits = table + header.biClrUsed * 4;
    int32_t width = header.biWidth;
    int32_t height = header.biHeight;
    size_t stride = (size_t(width) * header.biBitCount + 31) / 32 * 4;
    std::vector<uint8_t> out;
    out.reserve(size_t(width) * size_t(height) * 3);
    for (int32_t y = height - 1; y >= 0; --y) {
        const uint8_t* row = bits + size_t(y) * stride;
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t* pixel = header.biBitCount == 8 ? table + 4 * row[x] : row + 3 * x;
            out.insert(out.end(), pixel, pixel + 3);
        }
    }
    return out;
}

TEST(AviExternal, FramesAndTimingOfTheListedFiles) {
    const char* dir = std::getenv("LOOMWICK_MEDIA_EXTERNAL_DIR");
    if (!dir || !*dir)
        GTEST_SKIP() << "LOOMWICK_MEDIA_EXTERNAL_DIR is not set";
    std::filesystem::path folder = dir;
    std::ifstream list(folder / "list.txt");
    ASSERT_TRUE(list) << "no list.txt";
    std::string name;
    int files = 0;
    while (std::getline(list, name)) {
        if (name.empty())
            continue;
        ++files;
        std::string path = (folder / name).string();
        PAVIFILE file = nullptr;
        PAVISTREAM stream = nullptr;
        ASSERT_EQ(AVIFileOpen(&file, path.c_str(), OF_READ | OF_SHARE_DENY_WRITE, nullptr), AVIERR_OK) << name;
        ASSERT_EQ(AVIFileGetStream(file, &stream, streamtypeVIDEO, 0), AVIERR_OK) << name;
        AVISTREAMINFOA info;
        ASSERT_EQ(AVIStreamInfo(stream, &info, sizeof info), AVIERR_OK) << name;
        std::ofstream(folder / (name + ".ours.info")) << info.dwScale << "/" << info.dwRate << " " << info.dwLength
                                                       << "\n";
        ASSERT_EQ(AVIStreamBeginStreaming(stream, 0, 0, 1000), AVIERR_OK) << name;
        PGETFRAME getter = AVIStreamGetFrameOpen(stream, nullptr);
        ASSERT_NE(getter, nullptr) << name;
        std::ofstream raw(folder / (name + ".ours.raw"), std::ios::binary);
        LONG start = AVIStreamStart(stream);
        for (LONG f = start; f < start + AVIStreamLength(stream); ++f) {
            auto* dib = static_cast<const uint8_t*>(AVIStreamGetFrame(getter, f));
            ASSERT_NE(dib, nullptr) << name << " frame " << f;
            std::vector<uint8_t> pixels = TopDownBgr(dib);
            raw.write(reinterpret_cast<const char*>(pixels.data()), std::streamsize(pixels.size()));
        }
        AVIStreamGetFrameClose(getter);
        AVIStreamEndStreaming(stream);
        AVIStreamRelease(stream);
        AVIFileRelease(file);
    }
    EXPECT_GT(files, 0);
    std::ofstream(folder / "scaler.txt") << AviScalerFlagsText << "\n";
}

} // namespace
