#include "imaging/io/JpegFilter.h"

#include "codecs/JpegSupport.h"
#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

// clang-format off
#include <jpeglib.h>
#include <jerror.h>
// clang-format on

// The library's header defines TRUE and FALSE as macros; other headers of a unity build declare those names.
#undef TRUE
#undef FALSE

namespace imaging {

namespace {

constexpr boolean JpegTrue = 1;
constexpr boolean JpegFalse = 0;
constexpr int32_t JpegBufferSize = 65536;
constexpr int32_t JpegSignatureRange = 100;

// The library's messages in the numbering of its release 6b: a message code of the installed library is
// reported as the 6b code of the message of the same name.
constexpr int JpegClassicCodes[] = {JMSG_NOMESSAGE,
                                    JERR_ARITH_NOTIMPL,
                                    JERR_BAD_ALIGN_TYPE,
                                    JERR_BAD_ALLOC_CHUNK,
                                    JERR_BAD_BUFFER_MODE,
                                    JERR_BAD_COMPONENT_ID,
                                    JERR_BAD_DCT_COEF,
                                    JERR_BAD_DCTSIZE,
                                    JERR_BAD_HUFF_TABLE,
                                    JERR_BAD_IN_COLORSPACE,
                                    JERR_BAD_J_COLORSPACE,
                                    JERR_BAD_LENGTH,
                                    JERR_BAD_LIB_VERSION,
                                    JERR_BAD_MCU_SIZE,
                                    JERR_BAD_POOL_ID,
                                    JERR_BAD_PRECISION,
                                    JERR_BAD_PROGRESSION,
                                    JERR_BAD_PROG_SCRIPT,
                                    JERR_BAD_SAMPLING,
                                    JERR_BAD_SCAN_SCRIPT,
                                    JERR_BAD_STATE,
                                    JERR_BAD_STRUCT_SIZE,
                                    JERR_BAD_VIRTUAL_ACCESS,
                                    JERR_BUFFER_SIZE,
                                    JERR_CANT_SUSPEND,
                                    JERR_CCIR601_NOTIMPL,
                                    JERR_COMPONENT_COUNT,
                                    JERR_CONVERSION_NOTIMPL,
                                    JERR_DAC_INDEX,
                                    JERR_DAC_VALUE,
                                    JERR_DHT_INDEX,
                                    JERR_DQT_INDEX,
                                    JERR_EMPTY_IMAGE,
                                    JERR_EMS_READ,
                                    JERR_EMS_WRITE,
                                    JERR_EOI_EXPECTED,
                                    JERR_FILE_READ,
                                    JERR_FILE_WRITE,
                                    JERR_FRACT_SAMPLE_NOTIMPL,
                                    JERR_HUFF_CLEN_OVERFLOW,
                                    JERR_HUFF_MISSING_CODE,
                                    JERR_IMAGE_TOO_BIG,
                                    JERR_INPUT_EMPTY,
                                    JERR_INPUT_EOF,
                                    JERR_MISMATCHED_QUANT_TABLE,
                                    JERR_MISSING_DATA,
                                    JERR_MODE_CHANGE,
                                    JERR_NOTIMPL,
                                    JERR_NOT_COMPILED,
                                    JERR_NO_BACKING_STORE,
                                    JERR_NO_HUFF_TABLE,
                                    JERR_NO_IMAGE,
                                    JERR_NO_QUANT_TABLE,
                                    JERR_NO_SOI,
                                    JERR_OUT_OF_MEMORY,
                                    JERR_QUANT_COMPONENTS,
                                    JERR_QUANT_FEW_COLORS,
                                    JERR_QUANT_MANY_COLORS,
                                    JERR_SOF_DUPLICATE,
                                    JERR_SOF_NO_SOS,
                                    JERR_SOF_UNSUPPORTED,
                                    JERR_SOI_DUPLICATE,
                                    JERR_SOS_NO_SOF,
                                    JERR_TFILE_CREATE,
                                    JERR_TFILE_READ,
                                    JERR_TFILE_SEEK,
                                    JERR_TFILE_WRITE,
                                    JERR_TOO_LITTLE_DATA,
                                    JERR_UNKNOWN_MARKER,
                                    JERR_VIRTUAL_BUG,
                                    JERR_WIDTH_OVERFLOW,
                                    JERR_XMS_READ,
                                    JERR_XMS_WRITE,
                                    JMSG_COPYRIGHT,
                                    JMSG_VERSION,
                                    JTRC_16BIT_TABLES,
                                    JTRC_ADOBE,
                                    JTRC_APP0,
                                    JTRC_APP14,
                                    JTRC_DAC,
                                    JTRC_DHT,
                                    JTRC_DQT,
                                    JTRC_DRI,
                                    JTRC_EMS_CLOSE,
                                    JTRC_EMS_OPEN,
                                    JTRC_EOI,
                                    JTRC_HUFFBITS,
                                    JTRC_JFIF,
                                    JTRC_JFIF_BADTHUMBNAILSIZE,
                                    JTRC_JFIF_EXTENSION,
                                    JTRC_JFIF_THUMBNAIL,
                                    JTRC_MISC_MARKER,
                                    JTRC_PARMLESS_MARKER,
                                    JTRC_QUANTVALS,
                                    JTRC_QUANT_3_NCOLORS,
                                    JTRC_QUANT_NCOLORS,
                                    JTRC_QUANT_SELECTED,
                                    JTRC_RECOVERY_ACTION,
                                    JTRC_RST,
                                    JTRC_SMOOTH_NOTIMPL,
                                    JTRC_SOF,
                                    JTRC_SOF_COMPONENT,
                                    JTRC_SOI,
                                    JTRC_SOS,
                                    JTRC_SOS_COMPONENT,
                                    JTRC_SOS_PARAMS,
                                    JTRC_TFILE_CLOSE,
                                    JTRC_TFILE_OPEN,
                                    JTRC_THUMB_JPEG,
                                    JTRC_THUMB_PALETTE,
                                    JTRC_THUMB_RGB,
                                    JTRC_UNKNOWN_IDS,
                                    JTRC_XMS_CLOSE,
                                    JTRC_XMS_OPEN,
                                    JWRN_ADOBE_XFORM,
                                    JWRN_BOGUS_PROGRESSION,
                                    JWRN_EXTRANEOUS_DATA,
                                    JWRN_HIT_MARKER,
                                    JWRN_HUFF_BAD_CODE,
                                    JWRN_JFIF_MAJOR,
                                    JWRN_JPEG_EOF,
                                    JWRN_MUST_RESYNC,
                                    JWRN_NOT_SEQUENTIAL,
                                    JWRN_TOO_MUCH_DATA};
static_assert(std::size(JpegClassicCodes) == 124);

// The 6b code of a message of the installed library, or -1 for one that release did not have.
int32_t JpegClassicCode(int code) {
    for (size_t i = 0; i < std::size(JpegClassicCodes); ++i)
        if (JpegClassicCodes[i] == code)
            return int32_t(i);
    return -1;
}

// The message text of a code with every printf placeholder (a leading "0x" and placeholders separated by
// single spaces taken with it) replaced by one "?".
void JpegMessageText(j_common_ptr cinfo, int code, char* out, size_t outSize) {
    out[0] = 0;
    const int32_t classic = JpegClassicCode(code);
    if (classic < 0) {
        std::snprintf(out, outSize, "Corrupted");
        return;
    }
    if (code == JMSG_COPYRIGHT || code == JMSG_VERSION)
        return;
    const char* text = code <= cinfo->err->last_jpeg_message ? cinfo->err->jpeg_message_table[code] : nullptr;
    if (!text)
        return;
    std::string result;
    for (const char* p = text; *p;) {
        const bool hex = p[0] == '0' && p[1] == 'x' && p[2] == '%';
        if (*p == '%' || hex) {
            const char* q = hex ? p + 2 : p;
            if (q[1] == '%') {
                result += '%';
                p = q + 2;
                continue;
            }
            // Skip one or more placeholders separated by single spaces.
            for (;;) {
                ++q;
                while (*q && std::strchr("0123456789.-+ #l", *q) && *q != ' ')
                    ++q;
                if (*q)
                    ++q; // the conversion letter
                const bool more = q[0] == ' ' && (q[1] == '%' || (q[1] == '0' && q[2] == 'x' && q[3] == '%'));
                if (!more)
                    break;
                q += q[1] == '%' ? 1 : 3;
            }
            result += '?';
            p = q;
        } else {
            result += *p++;
        }
    }
    std::snprintf(out, outSize, "%s", result.c_str());
}

// ---- Source manager --------------------------------------------------------------------------------------

struct TJpegSourceMgr {
    jpeg_source_mgr Pub;
    vcl::TStream* Stream = nullptr;
    bool StartOfFile = false;
    std::atomic<bool>* Aborting = nullptr;
    std::unique_ptr<JOCTET[]> Buffer{new JOCTET[JpegBufferSize]};
};

void JpegInitSource(j_decompress_ptr cinfo) {
    reinterpret_cast<TJpegSourceMgr*>(cinfo->src)->StartOfFile = true;
}

boolean JpegFillInputBuffer(j_decompress_ptr cinfo) {
    auto* src = reinterpret_cast<TJpegSourceMgr*>(cinfo->src);
    int32_t got = 0;
    try {
        got = src->Stream->Read(src->Buffer.get(), JpegBufferSize);
    } catch (...) {
        got = 0; // a failing stream ends the data like its end does
    }
    if (got <= 0) {
        if (src->StartOfFile && src->Aborting)
            src->Aborting->store(true);
        if (!src->StartOfFile)
            WARNMS(cinfo, JWRN_JPEG_EOF);
        src->Buffer[0] = 0xFF;
        src->Buffer[1] = JPEG_EOI;
        got = 2;
    }
    src->Pub.next_input_byte = src->Buffer.get();
    src->Pub.bytes_in_buffer = size_t(got);
    src->StartOfFile = false;
    return JpegTrue;
}

void JpegSkipInputData(j_decompress_ptr cinfo, long count) {
    auto* src = reinterpret_cast<TJpegSourceMgr*>(cinfo->src);
    if (count <= 0)
        return;
    while (count > long(src->Pub.bytes_in_buffer)) {
        count -= long(src->Pub.bytes_in_buffer);
        JpegFillInputBuffer(cinfo);
    }
    src->Pub.next_input_byte += count;
    src->Pub.bytes_in_buffer -= size_t(count);
}

void JpegTermSource(j_decompress_ptr) {}

void SetJpegStreamSource(j_decompress_ptr cinfo, TJpegSourceMgr& src, vcl::TStream* stream,
                         std::atomic<bool>* aborting) {
    src.Pub.init_source = JpegInitSource;
    src.Pub.fill_input_buffer = JpegFillInputBuffer;
    src.Pub.skip_input_data = JpegSkipInputData;
    src.Pub.resync_to_restart = jpeg_resync_to_restart;
    src.Pub.term_source = JpegTermSource;
    src.Pub.bytes_in_buffer = 0;
    src.Pub.next_input_byte = nullptr;
    src.Stream = stream;
    src.Aborting = aborting;
    cinfo->src = &src.Pub;
}

// ---- Destination manager ---------------------------------------------------------------------------------

struct TJpegDestMgr {
    jpeg_destination_mgr Pub;
    vcl::TStream* Stream = nullptr;
    std::atomic<bool>* Aborting = nullptr;
    std::unique_ptr<JOCTET[]> Buffer;
};

void JpegWriteOut(TJpegDestMgr* dest, size_t count) {
    int32_t put = 0;
    try {
        put = dest->Stream->Write(dest->Buffer.get(), int32_t(count));
    } catch (...) {
        put = -1;
    }
    if (put != int32_t(count) && dest->Aborting)
        dest->Aborting->store(true);
}

void JpegInitDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TJpegDestMgr*>(cinfo->dest);
    if (!dest->Buffer)
        dest->Buffer.reset(new JOCTET[JpegBufferSize]);
    dest->Pub.next_output_byte = dest->Buffer.get();
    dest->Pub.free_in_buffer = JpegBufferSize;
}

boolean JpegEmptyOutputBuffer(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TJpegDestMgr*>(cinfo->dest);
    JpegWriteOut(dest, JpegBufferSize);
    dest->Pub.next_output_byte = dest->Buffer.get();
    dest->Pub.free_in_buffer = JpegBufferSize;
    return JpegTrue;
}

void JpegTermDestination(j_compress_ptr cinfo) {
    auto* dest = reinterpret_cast<TJpegDestMgr*>(cinfo->dest);
    const size_t used = JpegBufferSize - dest->Pub.free_in_buffer;
    if (used > 0)
        JpegWriteOut(dest, used);
}

// ---- Library calls that may fail ------------------------------------------------------------------------

struct TJpegCompressSetup {
    int32_t Width, Height, Components;
    J_COLOR_SPACE InSpace, FileSpace;
    uint16_t DpiX, DpiY;
    J_DCT_METHOD Dct;
    bool SetDct, Optimize, Progressive;
    int32_t Smoothing, Quality;
};

void JpegApplyCompressSetup(jpeg_compress_struct* cinfo, const TJpegCompressSetup& s) {
    cinfo->image_width = JDIMENSION(s.Width);
    cinfo->image_height = JDIMENSION(s.Height);
    cinfo->input_components = s.Components;
    cinfo->in_color_space = s.InSpace;
    jpeg_set_defaults(cinfo);
    jpeg_set_colorspace(cinfo, s.FileSpace);
    cinfo->density_unit = 1;
    cinfo->X_density = s.DpiX;
    cinfo->Y_density = s.DpiY;
    if (s.SetDct)
        cinfo->dct_method = s.Dct;
    cinfo->optimize_coding = s.Optimize ? JpegTrue : JpegFalse;
    cinfo->smoothing_factor = std::clamp(s.Smoothing, 0, 100);
    jpeg_set_quality(cinfo, std::clamp(s.Quality, 0, 100), JpegTrue);
    if (s.Progressive)
        jpeg_simple_progression(cinfo);
}

bool JpegSetDct(uint8_t method, J_DCT_METHOD& dct) {
    switch (method) {
    case ikjdIntegerSlow:
        dct = JDCT_ISLOW;
        return true;
    case ikjdIntegerFast:
        dct = JDCT_IFAST;
        return true;
    case ikjdFloat:
        dct = JDCT_FLOAT;
        return true;
    default:
        return false;
    }
}

// Owns the decompress object and its source manager for one read.
struct TJpegDecoder {
    jpeg_decompress_struct Info{};
    codecs::TJpegErrorBridge Err;
    codecs::TJpegScanLimit Scans;
    TJpegSourceMgr Source;
    bool Created = false;
    ~TJpegDecoder() {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
};

struct TJpegEncoder {
    jpeg_compress_struct Info{};
    codecs::TJpegErrorBridge Err;
    TJpegDestMgr Dest;
    bool Created = false;
    ~TJpegEncoder() {
        if (Created)
            jpeg_destroy_compress(&Info);
    }
};

} // namespace

TIKColorTriple JpegCmykToBgr(const uint8_t* cmyk) {
    const int32_t k = cmyk[3];
    return TIKColorTriple{uint8_t(cmyk[2] * k / 255), uint8_t(cmyk[1] * k / 255), uint8_t(cmyk[0] * k / 255)};
}

void JpegBgrToCmyk(TIKColorTriple color, uint8_t* cmyk) {
    int32_t k = std::max({color.R, color.G, color.B});
    if (k == 0)
        k = 1;
    cmyk[0] = uint8_t(color.R * 255 / k);
    cmyk[1] = uint8_t(color.G * 255 / k);
    cmyk[2] = uint8_t(color.B * 255 / k);
    cmyk[3] = uint8_t(k);
}

int64_t LocateJpegSignature(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    uint8_t window[JpegSignatureRange + 2] = {};
    const int32_t got = stream->Read(window, int32_t(sizeof(window)));
    stream->SetPosition(start);
    for (int32_t i = 0; i + 2 < got; ++i)
        if (window[i] == 0xFF && window[i + 1] == 0xD8 && window[i + 2] == 0xFF)
            return start + i;
    return -1;
}

void DecodeJpegToBitmap(vcl::TStream* stream, vcl::TStream* tablesStream, TIKBitmap* bitmap,
                        TIOParamsVals& params, TIKProgressContext& progress, TIKReadMode mode,
                        TIKJpegOutput output) {
    params.JpegWarningCount = 0;
    params.JpegWarningCode = 0;
    const int64_t at = LocateJpegSignature(stream);
    if (at < 0) {
        progress.SetAborting();
        return;
    }
    stream->SetPosition(at);

    auto dec = std::make_unique<TJpegDecoder>();
    jpeg_decompress_struct* cinfo = &dec->Info;
    cinfo->err = codecs::InitJpegErrorBridge(dec->Err, progress.Aborting, JpegMessageText);
    std::string tablesError;
    bool storedRgb = false;
    bool cmyk = false;
    std::vector<uint8_t> conversion;

    // The steps run in order until one fails; the markers and warnings are collected afterwards in every
    // case.
    [&] {
        if (!codecs::JpegTry(dec->Err, [&] { jpeg_create_decompress(cinfo); }))
            return;
        dec->Created = true;
        if (progress.IsAborting())
            return;
        if (tablesStream && tablesStream != stream) {
            SetJpegStreamSource(cinfo, dec->Source, tablesStream, progress.Aborting);
            if (!codecs::JpegTry(dec->Err, [&] { jpeg_read_header(cinfo, JpegFalse); })) {
                tablesError = dec->Err.Message;
                return;
            }
        }
        SetJpegStreamSource(cinfo, dec->Source, stream, progress.Aborting);
        if (progress.IsAborting())
            return;
        const bool headerRead = codecs::JpegTry(dec->Err, [&] {
            jpeg_save_markers(cinfo, JPEG_COM, 0xFFFF);
            for (int m = 0; m < 16; ++m)
                jpeg_save_markers(cinfo, JPEG_APP0 + m, 0xFFFF);
            jpeg_read_header(cinfo, JpegTrue);
        });
        if (!headerRead || progress.IsAborting()) {
            progress.SetAborting();
            return;
        }
        codecs::JpegLimitScans(cinfo, dec->Scans);
        params.BitsPerSample = 8;
        switch (cinfo->jpeg_color_space) {
        case JCS_GRAYSCALE:
            params.JpegColorSpace = ikjcGray;
            cinfo->out_color_space = JCS_EXT_BGR;
            params.SamplesPerPixel = 1;
            break;
        case JCS_RGB:
            params.JpegColorSpace = ikjcRgb;
            cinfo->out_color_space = JCS_RGB;
            params.SamplesPerPixel = 3;
            storedRgb = true;
            break;
        case JCS_YCbCr:
            params.JpegColorSpace = ikjcYCbCr;
            cinfo->out_color_space = JCS_EXT_BGR;
            params.SamplesPerPixel = 3;
            break;
        case JCS_CMYK:
            params.JpegColorSpace = ikjcCmyk;
            cinfo->out_color_space = JCS_CMYK;
            params.SamplesPerPixel = 4;
            cmyk = true;
            break;
        case JCS_YCCK:
            params.JpegColorSpace = ikjcYcck;
            cinfo->out_color_space = JCS_CMYK;
            params.SamplesPerPixel = 4;
            cmyk = true;
            break;
        default:
            break;
        }
        // Stored components are handed out raw only for YCbCr data, the one layout that fits the 3-byte rows.
        if (output == ikjoRawComponents && cinfo->jpeg_color_space == JCS_YCbCr) {
            cinfo->out_color_space = JCS_YCbCr;
            storedRgb = false;
            cmyk = false;
        }
        J_DCT_METHOD dct;
        if (JpegSetDct(params.JpegDctMethod, dct))
            cinfo->dct_method = dct;
        if (cinfo->density_unit == 0 || cinfo->density_unit == 1) {
            params.DpiX = cinfo->X_density;
            params.DpiY = cinfo->Y_density;
        } else if (cinfo->density_unit == 2) {
            params.DpiX = int32_t(cinfo->X_density * 2.54);
            params.DpiY = int32_t(cinfo->Y_density * 2.54);
        }
        params.FreeColorMap();
        params.JpegProgressive = cinfo->progressive_mode ? 1 : 0;
        params.JpegOriginalWidth = int32_t(cinfo->image_width);
        params.JpegOriginalHeight = int32_t(cinfo->image_height);

        int32_t d = 0;
        switch (params.JpegScale) {
        case ikjsFull:
            d = 1;
            break;
        case ikjsHalf:
            d = 2;
            break;
        case ikjsQuarter:
            d = 4;
            break;
        case ikjsEighth:
            d = 8;
            break;
        case ikjsAuto:
            d = 1;
            if (params.Width > 0 && params.Height > 0)
                for (int32_t c : {8, 4, 2}) {
                    if (int64_t(cinfo->image_width) / c >= params.Width &&
                        int64_t(cinfo->image_height) / c >= params.Height) {
                        d = c;
                        break;
                    }
                }
            break;
        default:
            d = int32_t(cinfo->scale_denom);
            break;
        }
        cinfo->scale_num = 1;
        cinfo->scale_denom = unsigned(d);
        params.JpegScaleUsed = d;

        // A hostile header may announce an image far larger than its data; refuse it before the library
        // allocates for it.
        if (int64_t(cinfo->image_width) * cinfo->image_height > IOMaxImagePixels) {
            progress.SetAborting();
            return;
        }
        if (mode == ikrmParamsOnly) {
            // The output size without starting the decompressor (which would read a progressive image
            // whole).
            if (!codecs::JpegTry(dec->Err, [&] { jpeg_calc_output_dimensions(cinfo); }))
                return;
            params.Width = int32_t(cinfo->output_width);
            params.Height = int32_t(cinfo->output_height);
            return;
        }
        // A header announcing far more pixels than the data could code (a hostile file of a few bytes) is
        // refused before the image is allocated.
        const int64_t available = stream->GetSize() - stream->GetPosition();
        if (!codecs::JpegDataCanFill(cinfo->image_width, cinfo->image_height, available)) {
            progress.SetAborting();
            return;
        }
        if (!codecs::JpegTry(dec->Err, [&] { jpeg_start_decompress(cinfo); }))
            return;
        params.Width = int32_t(cinfo->output_width);
        params.Height = int32_t(cinfo->output_height);
        const int32_t width = params.Width, height = params.Height;
        // Every row is written or cleared here: the bitmap need not start zeroed.
        bitmap->AllocateUncleared(width, height, ikbf24Bit);
        TIKRowClearer clearer(bitmap);
        progress.RowsDone = 0;
        progress.PerRowStep = height > 0 ? 100.0 / height : 0;
        if (cmyk)
            conversion.resize(size_t(width) * 4);
        else if (storedRgb)
            conversion.resize(size_t(width) * 3);
        while (cinfo->output_scanline < cinfo->output_height) {
            const int32_t y = int32_t(cinfo->output_scanline);
            clearer.Reach(y);
            uint8_t* row = bitmap->ScanLine(y);
            JSAMPROW target = conversion.empty() ? row : conversion.data();
            JDIMENSION read = 0;
            if (!codecs::JpegTry(dec->Err, [&] { read = jpeg_read_scanlines(cinfo, &target, 1); }))
                break;
            if (read == 0)
                break;
            if (cmyk) {
                for (int32_t x = 0; x < width; ++x) {
                    const TIKColorTriple c = JpegCmykToBgr(&conversion[size_t(x) * 4]);
                    row[x * 3] = c.B;
                    row[x * 3 + 1] = c.G;
                    row[x * 3 + 2] = c.R;
                }
            } else if (storedRgb) {
                for (int32_t x = 0; x < width; ++x) {
                    row[x * 3] = conversion[size_t(x) * 3 + 2];
                    row[x * 3 + 1] = conversion[size_t(x) * 3 + 1];
                    row[x * 3 + 2] = conversion[size_t(x) * 3];
                }
            }
            progress.AdvanceRows(int32_t(read));
            if (progress.IsAborting())
                break;
        }
        if (cinfo->output_scanline < cinfo->output_height)
            progress.SetAborting();
    }();

    if (dec->Created) {
        params.JpegMarkers.Clear();
        bool first = true;
        for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
            // The headers the library writes itself: the JFIF APP0 in front, and Adobe's APP14 (its colour
            // transform follows the colour space a writer chooses, so an old one must not be copied).
            const bool jfifHeader = first && m->marker == JPEG_APP0;
            const bool adobeHeader =
                m->marker == JPEG_APP0 + 14 && m->data_length >= 5 && std::memcmp(m->data, "Adobe", 5) == 0;
            first = false;
            if (jfifHeader || adobeHeader)
                continue;
            const auto length = int32_t(std::min<unsigned>(m->data_length, TIKMarkerList::IKMaxMarkerLength));
            params.JpegMarkers.AddMarker(uint8_t(m->marker), m->data, length);
        }
        if (!progress.IsAborting() && mode == ikrmImage && tablesError.empty()) {
            // Errors at the end of the data no longer matter: the image is complete.
            dec->Err.Aborting = nullptr;
            codecs::JpegTry(dec->Err, [&] { jpeg_finish_decompress(cinfo); });
        }
        if (dec->Err.WarningCount != 0) {
            const int32_t classic = JpegClassicCode(dec->Err.LastWarningCode);
            params.JpegWarningCount = dec->Err.WarningCount;
            params.JpegWarningCode = classic >= 0 ? classic : dec->Err.LastWarningCode;
        }
    }
    const bool tooManyScans = dec->Scans.Exceeded;
    const int maxScans = dec->Scans.MaxScans;
    dec.reset();
    if (!tablesError.empty())
        throw EIKJpegException(tablesError);
    if (tooManyScans)
        throw EIKJpegException("The image has more than " + std::to_string(maxScans) + " scans");
}

void EncodeBitmapToJpeg(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                        TIKProgressContext& progress) {
    std::unique_ptr<TIKBitmap> converted;
    TIKBitmap* source = bitmap;
    if (bitmap->PixelFormat() != ikbf24Bit) {
        converted = IOCopyTo24Bit(bitmap);
        source = converted.get();
    }
    auto enc = std::make_unique<TJpegEncoder>();
    jpeg_compress_struct* cinfo = &enc->Info;
    cinfo->err = codecs::InitJpegErrorBridge(enc->Err, progress.Aborting, JpegMessageText);
    if (!codecs::JpegTry(enc->Err, [&] { jpeg_create_compress(cinfo); }))
        throw EIKJpegException(enc->Err.Message);
    enc->Created = true;
    enc->Dest.Stream = stream;
    enc->Dest.Aborting = progress.Aborting;
    enc->Dest.Pub.init_destination = JpegInitDestination;
    enc->Dest.Pub.empty_output_buffer = JpegEmptyOutputBuffer;
    enc->Dest.Pub.term_destination = JpegTermDestination;
    cinfo->dest = &enc->Dest.Pub;
    if (progress.IsAborting())
        return;

    TJpegCompressSetup s{};
    s.Width = source->Width();
    s.Height = source->Height();
    s.Components = 3;
    s.InSpace = JCS_EXT_BGR;
    bool rgbFile = false, cmyk = false;
    switch (params.JpegColorSpace) {
    case ikjcGray:
        s.FileSpace = JCS_GRAYSCALE;
        break;
    case ikjcYCbCr:
        s.FileSpace = JCS_YCbCr;
        break;
    case ikjcCmyk:
    case ikjcYcck:
        s.InSpace = JCS_CMYK;
        s.Components = 4;
        s.FileSpace = params.JpegColorSpace == ikjcCmyk ? JCS_CMYK : JCS_YCCK;
        cmyk = true;
        break;
    default:
        s.InSpace = JCS_RGB;
        s.FileSpace = JCS_RGB;
        rgbFile = true;
        break;
    }
    s.DpiX = uint16_t(params.DpiX != 0 ? params.DpiX : IKDefaultDpiX);
    s.DpiY = uint16_t(params.DpiY != 0 ? params.DpiY : IKDefaultDpiY);
    s.SetDct = JpegSetDct(params.JpegDctMethod, s.Dct);
    s.Optimize = params.JpegOptimalHuffman != 0;
    s.Progressive = params.JpegProgressive != 0;
    s.Smoothing = params.JpegSmoothing;
    s.Quality = params.JpegQuality;
    if (!codecs::JpegTry(enc->Err, [&] {
            JpegApplyCompressSetup(cinfo, s);
            jpeg_start_compress(cinfo, JpegTrue);
        }))
        throw EIKJpegException(enc->Err.Message);
    for (int32_t i = 0; i < params.JpegMarkers.Count(); ++i)
        if (!codecs::JpegTry(enc->Err, [&] {
                jpeg_write_marker(cinfo, params.JpegMarkers.MarkerType(i), params.JpegMarkers.MarkerData(i),
                                  unsigned(params.JpegMarkers.MarkerLength(i)));
            }))
            throw EIKJpegException(enc->Err.Message);

    const int32_t width = s.Width, height = s.Height;
    progress.RowsDone = 0;
    progress.PerRowStep = height > 0 ? 100.0 / height : 0;
    std::vector<uint8_t> conversion(cmyk ? size_t(width) * 4 : rgbFile ? size_t(width) * 3 : 0);
    while (cinfo->next_scanline < cinfo->image_height) {
        uint8_t* row = source->ScanLine(int32_t(cinfo->next_scanline));
        uint8_t* pass = row;
        if (cmyk) {
            for (int32_t x = 0; x < width; ++x)
                JpegBgrToCmyk({row[x * 3], row[x * 3 + 1], row[x * 3 + 2]}, &conversion[size_t(x) * 4]);
            pass = conversion.data();
        } else if (rgbFile) {
            for (int32_t x = 0; x < width; ++x) {
                conversion[size_t(x) * 3] = row[x * 3 + 2];
                conversion[size_t(x) * 3 + 1] = row[x * 3 + 1];
                conversion[size_t(x) * 3 + 2] = row[x * 3];
            }
            pass = conversion.data();
        }
        if (!codecs::JpegTry(enc->Err, [&] { jpeg_write_scanlines(cinfo, &pass, 1); }))
            throw EIKJpegException(enc->Err.Message);
        progress.AdvanceRows();
        if (progress.IsAborting())
            break;
    }
    if (!progress.IsAborting() && !codecs::JpegTry(enc->Err, [&] { jpeg_finish_compress(cinfo); }))
        throw EIKJpegException(enc->Err.Message);
}

} // namespace imaging
