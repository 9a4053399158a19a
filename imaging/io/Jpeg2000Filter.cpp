#include "imaging/io/Jpeg2000Filter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <openjpeg.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

namespace imaging {

namespace {

constexpr uint8_t J2kJp2Signature[12] = {0, 0, 0, 12, 0x6A, 0x50, 0x20, 0x20, 0x0D, 0x0A, 0x87, 0x0A};
constexpr OPJ_SIZE_T J2kStreamBuffer = 64 * 1024;
constexpr int32_t J2kMaxPrecision = 16;

// The YCbCr to RGB tables, built once: R = Y + CrR[Cr], G = Y + CbG[Cb] + CrG[Cr], B = Y + CbB[Cb].
struct TJ2kYCbCrTables {
    int32_t CrR[256], CbB[256], CrG[256], CbG[256];
    TJ2kYCbCrTables() {
        const float kr = 0.299f, kg = 0.587f, kb = 0.114f;
        const float a = 2 - 2 * kr;
        const float c = kr * a / kg;
        const float b = 2 - 2 * kb;
        const float d = kb * b / kg;
        for (int32_t i = 0; i < 256; ++i) {
            const int32_t r = i - 128;
            CrR[i] = int32_t(vcl::Round(double(a * float(r))));
            CbB[i] = int32_t(vcl::Round(double(b * float(r))));
            CrG[i] = -int32_t(vcl::Round(double(c * float(r))));
            CbG[i] = -int32_t(vcl::Round(double(d * float(r))));
        }
    }
};

const TJ2kYCbCrTables& J2kTables() {
    static const TJ2kYCbCrTables tables;
    return tables;
}

bool J2kProbe(vcl::TStream* stream, uint8_t* bytes, int32_t count) {
    const int64_t start = stream->GetPosition();
    const bool read = stream->Read(bytes, count) == count;
    stream->SetPosition(start);
    return read;
}

// Reads a big-endian value of count bytes; false when the stream ends first.
bool J2kReadBig(vcl::TStream* stream, int32_t count, uint64_t& value) {
    uint8_t bytes[8];
    if (count > 8 || stream->Read(bytes, count) != count)
        return false;
    value = 0;
    for (int32_t i = 0; i < count; ++i)
        value = (value << 8) | bytes[i];
    return true;
}

// Walks the boxes from the position to end (at most a few hundred) and calls visit(type, contentStart,
// contentEnd) for each; visit returns false to stop. Stops at the first box that does not fit.
template <typename F> void J2kWalkBoxes(vcl::TStream* stream, int64_t position, int64_t end, F&& visit) {
    for (int32_t boxes = 0; boxes < 256 && position + 8 <= end; ++boxes) {
        stream->SetPosition(position);
        uint64_t length = 0, type = 0;
        if (!J2kReadBig(stream, 4, length) || !J2kReadBig(stream, 4, type))
            return;
        int64_t header = 8;
        if (length == 1) {
            if (!J2kReadBig(stream, 8, length))
                return;
            header = 16;
        } else if (length == 0) {
            length = uint64_t(end - position);
        }
        if (length < uint64_t(header) || length > uint64_t(end - position))
            return;
        if (!visit(uint32_t(type), position + header, position + int64_t(length)))
            return;
        position += int64_t(length);
    }
}

constexpr uint32_t J2kBoxType(const char (&name)[5]) {
    return uint32_t(uint8_t(name[0])) << 24 | uint32_t(uint8_t(name[1])) << 16 |
           uint32_t(uint8_t(name[2])) << 8 | uint32_t(uint8_t(name[3]));
}

// The enumerated colour space a JP2 file's header declares (16 sRGB, 17 gray, 18 sYCC ...), 0 when it
// declares none. The decoder names it only after decoding the whole image, so a parameters-only read
// looks here. The stream position is restored.
uint32_t J2kDeclaredColour(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    const int64_t end = stream->GetSize();
    uint32_t declared = 0;
    J2kWalkBoxes(stream, start, end, [&](uint32_t type, int64_t from, int64_t to) {
        if (type == J2kBoxType("jp2c"))
            return false;
        if (type != J2kBoxType("jp2h"))
            return true;
        J2kWalkBoxes(stream, from, to, [&](uint32_t inner, int64_t content, int64_t contentEnd) {
            if (inner != J2kBoxType("colr"))
                return true;
            stream->SetPosition(content);
            uint64_t method = 0, ignored = 0, colour = 0;
            if (contentEnd - content >= 7 && J2kReadBig(stream, 1, method) &&
                J2kReadBig(stream, 2, ignored) && method == 1 && J2kReadBig(stream, 4, colour))
                declared = uint32_t(colour);
            return false; // the first colour box is the one that counts
        });
        return false;
    });
    stream->SetPosition(start);
    return declared;
}

// OpenJPEG's stream layer over a class-library stream, from the position it had at the start.
struct TJ2kStreamHost {
    vcl::TStream* Stream;
    int64_t Start;
    int64_t End; // the furthest position written
};

OPJ_SIZE_T J2kRead(void* buffer, OPJ_SIZE_T count, void* data) {
    auto* host = static_cast<TJ2kStreamHost*>(data);
    const int32_t n = host->Stream->Read(buffer, int32_t(std::min<OPJ_SIZE_T>(count, INT32_MAX)));
    return n > 0 ? OPJ_SIZE_T(n) : OPJ_SIZE_T(-1);
}

OPJ_SIZE_T J2kWrite(void* buffer, OPJ_SIZE_T count, void* data) {
    auto* host = static_cast<TJ2kStreamHost*>(data);
    const int32_t n = host->Stream->Write(buffer, int32_t(std::min<OPJ_SIZE_T>(count, INT32_MAX)));
    host->End = std::max(host->End, host->Stream->GetPosition());
    return n >= 0 ? OPJ_SIZE_T(n) : OPJ_SIZE_T(-1);
}

OPJ_OFF_T J2kSkip(OPJ_OFF_T count, void* data) {
    auto* host = static_cast<TJ2kStreamHost*>(data);
    const int64_t before = host->Stream->GetPosition();
    const int64_t after = host->Stream->Seek(count, vcl::soCurrent);
    return after < 0 ? -1 : after - before;
}

OPJ_BOOL J2kSeek(OPJ_OFF_T position, void* data) {
    auto* host = static_cast<TJ2kStreamHost*>(data);
    return host->Stream->Seek(host->Start + position, vcl::soBeginning) == host->Start + position;
}

void J2kQuiet(const char*, void*) {
    // The library's messages never reach the user: failures are reported through the Aborting flag.
}

struct TJ2kCodecDeleter {
    void operator()(opj_codec_t* codec) const { opj_destroy_codec(codec); }
};
struct TJ2kStreamDeleter {
    void operator()(opj_stream_t* stream) const { opj_stream_destroy(stream); }
};
struct TJ2kImageDeleter {
    void operator()(opj_image_t* image) const { opj_image_destroy(image); }
};
using TJ2kCodec = std::unique_ptr<opj_codec_t, TJ2kCodecDeleter>;
using TJ2kStream = std::unique_ptr<opj_stream_t, TJ2kStreamDeleter>;
using TJ2kImage = std::unique_ptr<opj_image_t, TJ2kImageDeleter>;

TJ2kStream J2kMakeStream(TJ2kStreamHost& host, bool input) {
    TJ2kStream stream(opj_stream_create(J2kStreamBuffer, input ? OPJ_TRUE : OPJ_FALSE));
    if (!stream)
        return stream;
    opj_stream_set_user_data(stream.get(), &host, nullptr);
    if (input) {
        opj_stream_set_read_function(stream.get(), J2kRead);
        opj_stream_set_user_data_length(
            stream.get(), OPJ_UINT64(std::max<int64_t>(0, host.Stream->GetSize() - host.Start)));
    } else {
        opj_stream_set_write_function(stream.get(), J2kWrite);
    }
    opj_stream_set_skip_function(stream.get(), J2kSkip);
    opj_stream_set_seek_function(stream.get(), J2kSeek);
    return stream;
}

void J2kQuietCodec(opj_codec_t* codec) {
    opj_set_info_handler(codec, J2kQuiet, nullptr);
    opj_set_warning_handler(codec, J2kQuiet, nullptr);
    opj_set_error_handler(codec, J2kQuiet, nullptr);
}

// One component as the pixel loop reads it: the component column of every image column (-1 outside it),
// and its samples scaled to 8 bits through a table (Trunc(v / maxval x 255)), so that the loop divides
// nothing.
struct TJ2kPlane {
    const opj_image_comp_t* Comp = nullptr;
    std::vector<int32_t> Cols;
    std::vector<uint8_t> Scale; // empty for more than 16 bits
    int64_t MaxVal = 0;
    int64_t Offset = 0; // added to signed samples

    TJ2kPlane(const opj_image_comp_t& comp, int64_t imageX0, int32_t width) : Comp(&comp) {
        MaxVal = (int64_t(1) << comp.prec) - 1;
        Offset = comp.sgnd ? int64_t(1) << (comp.prec - 1) : 0;
        Cols.resize(size_t(width));
        for (int32_t x = 0; x < width; ++x) {
            const int64_t col = (imageX0 + x) / comp.dx - comp.x0;
            Cols[size_t(x)] = col >= 0 && col < comp.w ? int32_t(col) : -1;
        }
        if (comp.prec <= 16) {
            Scale.resize(size_t(MaxVal) + 1);
            for (int64_t v = 0; v <= MaxVal; ++v)
                Scale[size_t(v)] = uint8_t(v * 255 / MaxVal);
        }
    }
    // The samples of image row refY, or null when the row lies outside the component.
    const OPJ_INT32* Row(int64_t refY) const {
        const int64_t row = refY / Comp->dy - Comp->y0;
        if (row < 0 || row >= Comp->h || !Comp->data)
            return nullptr;
        return Comp->data + row * int64_t(Comp->w);
    }
    int32_t Sample(const OPJ_INT32* row, int32_t x) const {
        const int32_t col = Cols[size_t(x)];
        if (!row || col < 0)
            return 0;
        const int64_t v = std::clamp<int64_t>(int64_t(row[col]) + Offset, 0, MaxVal);
        return Scale.empty() ? int32_t(v * 255 / MaxVal) : Scale[size_t(v)];
    }
};

enum TJ2kColorKind { j2kGray, j2kRGB, j2kYCbCr, j2kUnknown };

TJ2kColorKind J2kColorKind(const opj_image_t* image) {
    switch (image->color_space) {
    case OPJ_CLRSPC_GRAY:
        return j2kGray;
    case OPJ_CLRSPC_SRGB:
        return image->numcomps >= 3 ? j2kRGB : j2kUnknown;
    case OPJ_CLRSPC_SYCC:
        return image->numcomps >= 3 ? j2kYCbCr : j2kUnknown;
    case OPJ_CLRSPC_UNKNOWN:
    case OPJ_CLRSPC_UNSPECIFIED:
        // Code streams name no colour space: one or two components are gray, three or more RGB.
        return image->numcomps >= 3 ? j2kRGB : image->numcomps >= 1 ? j2kGray : j2kUnknown;
    default:
        return j2kUnknown;
    }
}

void J2kDecode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKProgressContext& progress,
               bool paramsOnly) {
    const bool jp2 = IsJp2Stream(stream);
    if (!jp2 && !IsJ2kStream(stream)) {
        progress.SetAborting();
        return;
    }
    // Colour that needs three components, declared for fewer, is refused before anything is decoded.
    const uint32_t declared = jp2 ? J2kDeclaredColour(stream) : 0;
    TJ2kStreamHost host{stream, stream->GetPosition(), 0};
    TJ2kStream input = J2kMakeStream(host, true);
    TJ2kCodec codec(opj_create_decompress(jp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    if (!input || !codec) {
        progress.SetAborting();
        return;
    }
    J2kQuietCodec(codec.get());
    opj_dparameters_t parameters;
    opj_set_default_decoder_parameters(&parameters);
    opj_image_t* rawImage = nullptr;
    if (!opj_setup_decoder(codec.get(), &parameters) ||
        !opj_read_header(input.get(), codec.get(), &rawImage)) {
        opj_image_destroy(rawImage);
        progress.SetAborting();
        return;
    }
    TJ2kImage image(rawImage);
    const TJ2kColorKind kind = J2kColorKind(image.get());
    const int64_t width = int64_t(image->x1) - image->x0;
    const int64_t height = int64_t(image->y1) - image->y0;
    const bool needsThree = declared == 16 || declared == 18;
    if (kind == j2kUnknown || (needsThree && image->numcomps < 3) || width < 1 || height < 1 ||
        width > INT32_MAX || height > INT32_MAX || width * height > IKMaxReadPixels) {
        progress.SetAborting();
        return;
    }
    for (uint32_t k = 0; k < std::min<uint32_t>(image->numcomps, kind == j2kGray ? 1 : 3); ++k)
        if (image->comps[k].prec < 1 || image->comps[k].prec > 31 || image->comps[k].dx == 0 ||
            image->comps[k].dy == 0) {
            progress.SetAborting();
            return;
        }
    params.BitsPerSample = int32_t(image->comps[0].prec);
    params.SamplesPerPixel = kind == j2kGray ? 1 : 3;
    params.DpiX = IKDefaultDpiX;
    params.DpiY = IKDefaultDpiY;
    params.FreeColorMap();
    params.Width = int32_t(width);
    params.Height = int32_t(height);
    if (paramsOnly)
        return;
    if (!opj_decode(codec.get(), input.get(), image.get()) || !opj_end_decompress(codec.get(), input.get())) {
        progress.SetAborting();
        return;
    }
    // The decode may have applied a palette: take the components as they are now.
    const TJ2kColorKind decodedKind = J2kColorKind(image.get());
    const int32_t used = decodedKind == j2kGray ? 1 : 3;
    if (decodedKind == j2kUnknown || int32_t(image->numcomps) < used) {
        progress.SetAborting();
        return;
    }
    for (int32_t k = 0; k < used; ++k)
        if (!image->comps[k].data || image->comps[k].prec < 1 || image->comps[k].prec > 31 ||
            image->comps[k].dx == 0 || image->comps[k].dy == 0) {
            progress.SetAborting();
            return;
        }

    const bool oneBit = params.BitsPerSample == 1 && params.SamplesPerPixel == 1;
    bitmap->Allocate(int32_t(width), int32_t(height), oneBit ? ikbf1Bit : ikbf24Bit);
    const TJ2kYCbCrTables& t = J2kTables();
    IKFilterStartRows(progress, int32_t(height));
    std::vector<uint8_t> row(size_t(bitmap->RowLength()));
    std::vector<TJ2kPlane> planes;
    for (int32_t k = 0; k < used; ++k)
        planes.emplace_back(image->comps[k], int64_t(image->x0), int32_t(width));
    for (int32_t y = 0; y < int32_t(height); ++y) {
        std::fill(row.begin(), row.end(), 0);
        const int64_t refY = int64_t(image->y0) + y;
        const OPJ_INT32* rows[3] = {};
        for (int32_t k = 0; k < used; ++k)
            rows[k] = planes[size_t(k)].Row(refY);
        for (int32_t x = 0; x < int32_t(width); ++x) {
            const int32_t s0 = planes[0].Sample(rows[0], x);
            if (decodedKind == j2kGray) {
                if (oneBit) {
                    if (s0 != 0)
                        row[size_t(x) >> 3] |= IKBitMask[x & 7];
                } else {
                    std::memset(row.data() + 3 * size_t(x), s0, 3);
                }
                continue;
            }
            const int32_t s1 = planes[1].Sample(rows[1], x);
            const int32_t s2 = planes[2].Sample(rows[2], x);
            int32_t r = s0, g = s1, b = s2;
            if (decodedKind == j2kYCbCr) {
                r = s0 + t.CrR[s2];
                g = s0 + t.CbG[s1] + t.CrG[s2];
                b = s0 + t.CbB[s1];
            }
            uint8_t* p = row.data() + 3 * size_t(x);
            p[0] = IKClampToByte(b);
            p[1] = IKClampToByte(g);
            p[2] = IKClampToByte(r);
        }
        std::memcpy(bitmap->ScanLine(y), row.data(), row.size());
        progress.AdvanceRows();
        if (progress.IsAborting())
            break;
    }
}

void J2kEncode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int32_t format,
               TIKProgressContext& progress) {
    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width <= 0 || height <= 0 || (format != 0 && format != 1)) {
        progress.SetAborting();
        return;
    }
    std::unique_ptr<TIKBitmap> converted;
    TIKBitmap* source = bitmap;
    if (bitmap->PixelFormat() != ikbf1Bit && bitmap->PixelFormat() != ikbf24Bit) {
        converted = IOCopyTo24Bit(bitmap);
        source = converted.get();
    }
    const bool oneBit = source->PixelFormat() == ikbf1Bit;
    if (oneBit) {
        params.BitsPerSample = 1;
        params.Jpeg2000ColorSpace = 0;
    }
    const int32_t precision = params.BitsPerSample;
    const double rate = params.Jpeg2000Rate;
    if (params.Jpeg2000ColorSpace > 2 || precision < 1 || precision > J2kMaxPrecision || !(rate > 0) ||
        !std::isfinite(rate)) {
        progress.SetAborting();
        return;
    }
    const bool gray = params.Jpeg2000ColorSpace == 0;
    const uint32_t components = gray ? 1 : 3;
    opj_image_cmptparm_t parts[3];
    std::memset(parts, 0, sizeof parts);
    for (uint32_t k = 0; k < components; ++k) {
        parts[k].dx = 1;
        parts[k].dy = 1;
        parts[k].w = uint32_t(width);
        parts[k].h = uint32_t(height);
        parts[k].prec = uint32_t(precision);
        parts[k].sgnd = 0;
    }
    TJ2kImage image(opj_image_create(components, parts, gray ? OPJ_CLRSPC_GRAY : OPJ_CLRSPC_SRGB));
    if (!image) {
        progress.SetAborting();
        return;
    }
    image->x0 = 0;
    image->y0 = 0;
    image->x1 = uint32_t(width);
    image->y1 = uint32_t(height);
    const int64_t maxval = (int64_t(1) << precision) - 1;
    IKFilterStartRows(progress, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = source->ScanLine(y);
        const size_t base = size_t(y) * size_t(width);
        for (int32_t x = 0; x < width; ++x) {
            if (oneBit) {
                image->comps[0].data[base + x] = IKTestBit(row, x) ? 1 : 0;
                continue;
            }
            const uint8_t* p = row + 3 * size_t(x);
            if (gray) {
                const int32_t level = IKTripleGrayLevel(TIKColorTriple{p[0], p[1], p[2]});
                image->comps[0].data[base + x] = OPJ_INT32(level * maxval / 255);
            } else {
                image->comps[0].data[base + x] = OPJ_INT32(p[2] * maxval / 255);
                image->comps[1].data[base + x] = OPJ_INT32(p[1] * maxval / 255);
                image->comps[2].data[base + x] = OPJ_INT32(p[0] * maxval / 255);
            }
        }
        progress.AdvanceRows();
        if (progress.IsAborting())
            return; // an abandoned image is not written
    }

    opj_cparameters_t parameters;
    opj_set_default_encoder_parameters(&parameters);
    parameters.tcp_numlayers = 1;
    // A rate r below 1 asks for about r of the uncompressed size; 1 or more keeps every sample exact.
    parameters.tcp_rates[0] = rate < 1 ? float(1 / rate) : 0;
    parameters.cp_disto_alloc = 1;
    parameters.tcp_mct = components == 3 ? 1 : 0;
    if (params.Jpeg2000Progression == 1)
        parameters.prog_order = OPJ_RLCP;
    else
        parameters.prog_order = OPJ_LRCP;
    // Small images need fewer resolution levels than the default.
    int32_t levels = 1;
    while (levels < 6 && (width >> levels) >= 1 && (height >> levels) >= 1)
        ++levels;
    parameters.numresolution = std::min(parameters.numresolution, levels);

    TJ2kCodec codec(opj_create_compress(format == 0 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
    TJ2kStreamHost host{stream, stream->GetPosition(), stream->GetPosition()};
    TJ2kStream output = J2kMakeStream(host, false);
    if (!codec || !output) {
        progress.SetAborting();
        return;
    }
    J2kQuietCodec(codec.get());
    if (!opj_setup_encoder(codec.get(), &parameters, image.get()) ||
        !opj_start_compress(codec.get(), image.get(), output.get()) ||
        !opj_encode(codec.get(), output.get()) || !opj_end_compress(codec.get(), output.get())) {
        progress.SetAborting();
        return;
    }
    stream->SetPosition(host.End);
}

} // namespace

bool IsJp2Stream(vcl::TStream* stream) {
    uint8_t bytes[12];
    return J2kProbe(stream, bytes, 12) && std::memcmp(bytes, J2kJp2Signature, 12) == 0;
}

bool IsJ2kStream(vcl::TStream* stream) {
    uint8_t bytes[4];
    return J2kProbe(stream, bytes, 4) && bytes[0] == 0xFF && bytes[1] == 0x4F && bytes[2] == 0xFF &&
           bytes[3] == 0x51;
}

void DecodeJpeg2000ToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                            TIKProgressContext& progress, bool paramsOnly) {
    J2kDecode(stream, bitmap, params, progress, paramsOnly);
}

void EncodeBitmapToJpeg2000(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, int32_t format,
                            TIKProgressContext& progress) {
    J2kEncode(stream, bitmap, params, format, progress);
}

} // namespace imaging
