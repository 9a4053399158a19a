#include "swf/SWFJpeg.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"

#include <csetjmp>
#include <cstdio>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace swf {

namespace {

// libjpeg reports errors through a callback that must not return; it jumps back to the caller, which
// raises once it is outside the library's frames.
struct JpegErrorManager {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

void JpegErrorExit(j_common_ptr info) {
    auto* err = reinterpret_cast<JpegErrorManager*>(info->err);
    (*info->err->format_message)(info, err->Message);
    std::longjmp(err->Jump, 1);
}

void JpegSilence(j_common_ptr, int) {}

} // namespace

bool JpegIsProgressive(const uint8_t* data, size_t size) {
    if (size < 4)
        return false;
    jpeg_decompress_struct cinfo;
    JpegErrorManager err;
    cinfo.err = jpeg_std_error(&err.Pub);
    err.Pub.error_exit = JpegErrorExit;
    err.Pub.emit_message = JpegSilence;
    if (setjmp(err.Jump)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&cinfo, TRUE);
    bool progressive = cinfo.progressive_mode;
    jpeg_destroy_decompress(&cinfo);
    return progressive;
}

void JpegReencodeBaseline(const uint8_t* data, size_t size, vcl::TStream* out, uint16_t& width,
                          uint16_t& height) {
    std::vector<uint8_t> pixels;
    unsigned char* encoded = nullptr;
    unsigned long encodedSize = 0;
    jpeg_decompress_struct dinfo;
    jpeg_compress_struct cinfo;
    JpegErrorManager err;
    volatile bool haveDecoder = false, haveEncoder = false;
    dinfo.err = jpeg_std_error(&err.Pub);
    cinfo.err = &err.Pub;
    err.Pub.error_exit = JpegErrorExit;
    err.Pub.emit_message = JpegSilence;
    if (setjmp(err.Jump)) {
        if (haveDecoder)
            jpeg_destroy_decompress(&dinfo);
        if (haveEncoder)
            jpeg_destroy_compress(&cinfo);
        free(encoded);
        throw vcl::EInvalidGraphic(std::string("JPEG error: ") + err.Message);
    }
    jpeg_create_decompress(&dinfo);
    haveDecoder = true;
    jpeg_mem_src(&dinfo, data, static_cast<unsigned long>(size));
    jpeg_read_header(&dinfo, TRUE);
    dinfo.out_color_space = dinfo.num_components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_start_decompress(&dinfo);
    const JDIMENSION w = dinfo.output_width, h = dinfo.output_height;
    const int components = dinfo.output_components;
    if (w > 65535 || h > 65535) {
        jpeg_destroy_decompress(&dinfo);
        throw vcl::EInvalidGraphic("JPEG image too large for a SWF bitmap");
    }
    pixels.resize(size_t(w) * h * components);
    while (dinfo.output_scanline < h) {
        JSAMPROW row = pixels.data() + size_t(dinfo.output_scanline) * w * components;
        jpeg_read_scanlines(&dinfo, &row, 1);
    }
    jpeg_finish_decompress(&dinfo);
    jpeg_destroy_decompress(&dinfo);
    haveDecoder = false;

    jpeg_create_compress(&cinfo);
    haveEncoder = true;
    jpeg_mem_dest(&cinfo, &encoded, &encodedSize);
    cinfo.image_width = w;
    cinfo.image_height = h;
    cinfo.input_components = components;
    cinfo.in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 90, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < h) {
        JSAMPROW row = pixels.data() + size_t(cinfo.next_scanline) * w * components;
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    haveEncoder = false;
    try {
        out->WriteBuffer(encoded, static_cast<int32_t>(encodedSize));
    } catch (...) {
        free(encoded);
        throw;
    }
    free(encoded);
    width = static_cast<uint16_t>(w);
    height = static_cast<uint16_t>(h);
}

} // namespace swf
