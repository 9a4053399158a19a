#include "swf/SWFJpeg.h"

#include "codecs/JpegSupport.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ImageBudget.h"
#include "platform/vcl/Streams.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace swf {

namespace {

// Owns what one conversion holds of the library: the decompressor, the compressor and the encoded bytes.
struct TSwfJpegCodecs {
    jpeg_decompress_struct Decoder{};
    jpeg_compress_struct Encoder{};
    codecs::TJpegErrorBridge Err;
    codecs::TJpegScanLimit Scans;
    bool HaveDecoder = false;
    bool HaveEncoder = false;
    unsigned char* Encoded = nullptr;
    unsigned long EncodedSize = 0;

    ~TSwfJpegCodecs() {
        if (HaveDecoder)
            jpeg_destroy_decompress(&Decoder);
        if (HaveEncoder)
            jpeg_destroy_compress(&Encoder);
        std::free(Encoded);
    }
    [[noreturn]] void Fail() const { throw vcl::EInvalidGraphic(std::string("JPEG error: ") + Err.Message); }
};

} // namespace

bool JpegIsProgressive(const uint8_t* data, size_t size) {
    if (size < 4)
        return false;
    TSwfJpegCodecs c;
    c.Decoder.err = codecs::InitJpegErrorBridge(c.Err);
    bool progressive = false;
    codecs::JpegTry(c.Err, [&] {
        jpeg_create_decompress(&c.Decoder);
        c.HaveDecoder = true;
        jpeg_mem_src(&c.Decoder, data, static_cast<unsigned long>(size));
        jpeg_read_header(&c.Decoder, TRUE);
        progressive = c.Decoder.progressive_mode;
    });
    return progressive;
}

void JpegReencodeBaseline(const uint8_t* data, size_t size, vcl::TStream* out, uint16_t& width,
                          uint16_t& height) {
    TSwfJpegCodecs c;
    jpeg_decompress_struct* dinfo = &c.Decoder;
    dinfo->err = codecs::InitJpegErrorBridge(c.Err);
    const bool headerRead = codecs::JpegTry(c.Err, [&] {
        jpeg_create_decompress(dinfo);
        c.HaveDecoder = true;
        jpeg_mem_src(dinfo, data, static_cast<unsigned long>(size));
        jpeg_read_header(dinfo, TRUE);
    });
    if (!headerRead)
        c.Fail();
    const JDIMENSION w = dinfo->image_width, h = dinfo->image_height;
    const int components = dinfo->num_components == 1 ? 1 : 3;
    if (w > 65535 || h > 65535)
        throw vcl::EInvalidGraphic("JPEG image too large for a SWF bitmap");
    // Refused before the library sets up its buffers (a progressive image keeps all its coefficients, two
    // bytes a sample) and before the pixels are allocated.
    if (!codecs::JpegDataCanFill(w, h, int64_t(size)) ||
        !vcl::ImageReadFits(vcl::ImageReadBytes(w, h, int64_t(components) + 2 * dinfo->num_components)))
        throw vcl::EInvalidGraphic("JPEG image too large");
    dinfo->out_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    codecs::JpegLimitScans(dinfo, c.Scans);
    std::vector<uint8_t> pixels;
    if (!codecs::JpegTry(c.Err, [&] { jpeg_start_decompress(dinfo); }))
        c.Fail();
    pixels.resize(size_t(w) * h * components);
    while (dinfo->output_scanline < h) {
        JSAMPROW row = pixels.data() + size_t(dinfo->output_scanline) * w * components;
        if (!codecs::JpegTry(c.Err, [&] { jpeg_read_scanlines(dinfo, &row, 1); }))
            c.Fail();
    }
    if (!codecs::JpegTry(c.Err, [&] { jpeg_finish_decompress(dinfo); }))
        c.Fail();
    jpeg_destroy_decompress(dinfo);
    c.HaveDecoder = false;

    jpeg_compress_struct* cinfo = &c.Encoder;
    cinfo->err = &c.Err.Pub;
    const bool encoded = codecs::JpegTry(c.Err, [&] {
        jpeg_create_compress(cinfo);
        c.HaveEncoder = true;
        jpeg_mem_dest(cinfo, &c.Encoded, &c.EncodedSize);
        cinfo->image_width = w;
        cinfo->image_height = h;
        cinfo->input_components = components;
        cinfo->in_color_space = components == 1 ? JCS_GRAYSCALE : JCS_RGB;
        jpeg_set_defaults(cinfo);
        jpeg_set_quality(cinfo, 90, TRUE);
        jpeg_start_compress(cinfo, TRUE);
        while (cinfo->next_scanline < h) {
            JSAMPROW row = pixels.data() + size_t(cinfo->next_scanline) * w * components;
            jpeg_write_scanlines(cinfo, &row, 1);
        }
        jpeg_finish_compress(cinfo);
    });
    if (!encoded)
        c.Fail();
    out->WriteBuffer(c.Encoded, static_cast<int32_t>(c.EncodedSize));
    width = static_cast<uint16_t>(w);
    height = static_cast<uint16_t>(h);
}

} // namespace swf
