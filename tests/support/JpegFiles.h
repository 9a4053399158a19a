// JPEG files for the readers' tests, made with the library: plain ones, and hostile progressive ones.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace testsupport {

// A file of width x height pixels whose rows all hold row (components samples a pixel, in space), at the
// given quality, progressive or sequential, as the library writes it.
inline std::vector<uint8_t> JpegOfRows(int width, int height, J_COLOR_SPACE space, int components,
                                       const uint8_t* row, bool progressive, int quality = 75) {
    jpeg_compress_struct info{};
    jpeg_error_mgr errors{};
    info.err = jpeg_std_error(&errors);
    jpeg_create_compress(&info);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&info, &out, &size);
    info.image_width = JDIMENSION(width);
    info.image_height = JDIMENSION(height);
    info.input_components = components;
    info.in_color_space = space;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, 1);
    if (progressive)
        jpeg_simple_progression(&info);
    jpeg_start_compress(&info, 1);
    while (info.next_scanline < info.image_height) {
        JSAMPROW r = const_cast<JSAMPROW>(row);
        jpeg_write_scanlines(&info, &r, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    std::vector<uint8_t> d(out, out + size);
    std::free(out);
    return d;
}

// A progressive gray file of width x height pixels whose first scan (the DC values, one block coded) is
// followed by `refinements` scans that refine the DC values by one bit and hold no data: each is ten bytes,
// and each makes a decoder pass over every block of the picture.
inline std::vector<uint8_t> JpegOfManyScans(int width, int height, int refinements) {
    // The library's first scan of an 8 x 8 progressive gray file codes the DC values from the high bits down
    // to bit 1.
    const uint8_t row[8] = {0, 40, 80, 120, 160, 200, 240, 255};
    std::vector<uint8_t> d = JpegOfRows(8, 8, JCS_GRAYSCALE, 1, row, true);

    // The offsets of the length fields of the frame header and of the first scan header.
    size_t frame = 0, scan = 0;
    for (size_t i = 2; i + 4 <= d.size() && d[i] == 0xFF && !scan;
         i += 2 + (size_t(d[i + 2]) << 8 | d[i + 3])) {
        if (d[i + 1] == 0xC2)
            frame = i + 2;
        if (d[i + 1] == 0xDA)
            scan = i + 2;
    }
    const uint8_t firstScan[6] = {1, 1, 0, 0, 0, 0x01}; // component 1; DC only; bits down to 1
    bool layout = frame && scan && scan + 8 <= d.size();
    for (size_t k = 0; layout && k < 6; ++k)
        layout = d[scan + 2 + k] == firstScan[k];
    if (!layout) {
        std::fprintf(stderr, "JpegOfManyScans: the library wrote an unexpected first scan\n");
        std::abort();
    }
    d[frame + 3] = uint8_t(height >> 8);
    d[frame + 4] = uint8_t(height);
    d[frame + 5] = uint8_t(width >> 8);
    d[frame + 6] = uint8_t(width);
    // The end of the first scan's data: the first marker that is not a restart marker.
    size_t end = scan + 8;
    while (end + 1 < d.size() &&
           !(d[end] == 0xFF && d[end + 1] != 0 && (d[end + 1] < 0xD0 || d[end + 1] > 0xD7)))
        ++end;
    d.resize(end);
    for (int i = 0; i < refinements; ++i)
        d.insert(d.end(), {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 0, 0x10});
    d.insert(d.end(), {0xFF, 0xD9});
    return d;
}

} // namespace testsupport
