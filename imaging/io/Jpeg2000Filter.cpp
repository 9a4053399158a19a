#include "imaging/io/Jpeg2000Filter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOCodecUtil.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/ImageBudget.h"
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

// ---- The layout of a code stream, read before the decoder sees it -----------------------------------------
// OpenJPEG sets up every tile while it reads the main header and decodes whole components at once, so a
// few bytes that declare tens of thousands of tiles or a picture of gigabytes cost that much before any
// data is looked at. The reader therefore walks the code stream first: the image and tile size marker,
// the markers of the main header, and the tile-parts from one start-of-tile marker to the next.

constexpr uint16_t J2kMarkerSOT = 0xFF90;
constexpr uint16_t J2kMarkerSOD = 0xFF93;
constexpr uint16_t J2kMarkerSOP = 0xFF91;
constexpr uint16_t J2kMarkerEPH = 0xFF92;
constexpr uint16_t J2kMarkerPPM = 0xFF60;
constexpr uint16_t J2kMarkerPPT = 0xFF61;
constexpr int64_t J2kMaxTiles = 65535;
// The smallest tile-part: its start-of-tile segment (12 bytes) and the start-of-data marker.
constexpr int64_t J2kMinTilePart = 14;
// What OpenJPEG keeps for every tile and for every component of every tile while it reads the main header
// (coding parameters, progression changes, quantisation step sizes), rounded up.
constexpr int64_t J2kTileSetupBytes = 4096;
constexpr int64_t J2kTileComponentSetupBytes = 2048;

struct TJ2kLayout {
    int64_t Width = 0, Height = 0;
    int64_t Tiles = 0;
    int32_t Components = 0;
    int64_t PlaneBytes = 0; // every component's samples at 4 bytes, the decoder's output planes
    int64_t LargestPlaneBytes = 0;
    int64_t TileBytes = 0;      // the samples of the largest tile, all components, at 4 bytes
    bool PackedHeaders = false; // packet headers kept in PPM or PPT markers

    // What reading the main header commits.
    int64_t HeaderCost() const {
        return vcl::ImageReadBytes(Tiles,
                                   J2kTileSetupBytes + int64_t(Components) * J2kTileComponentSetupBytes);
    }
};

// a + b of two byte counts, saturated.
int64_t J2kAddBytes(int64_t a, int64_t b) {
    return b > INT64_MAX - a ? INT64_MAX : a + b;
}

uint16_t J2kBig16(const uint8_t* p) {
    return uint16_t(p[0] << 8 | p[1]);
}
uint32_t J2kBig32(const uint8_t* p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

bool J2kReadAt(vcl::TStream* stream, int64_t position, void* buffer, int32_t count) {
    stream->SetPosition(position);
    return stream->Read(buffer, count) == count;
}

// The image and tile size marker right after the start of the code stream. False when it is malformed
// or its tiles cannot all have a tile-part in the bytes that follow.
bool J2kReadSize(vcl::TStream* stream, int64_t start, int64_t end, TJ2kLayout& layout, int64_t& next) {
    uint8_t siz[42];
    if (!J2kReadAt(stream, start, siz, 42) || J2kBig16(siz) != 0xFF4F || J2kBig16(siz + 2) != 0xFF51)
        return false;
    const int64_t length = J2kBig16(siz + 4);
    const int64_t xsiz = J2kBig32(siz + 8), ysiz = J2kBig32(siz + 12);
    const int64_t xo = J2kBig32(siz + 16), yo = J2kBig32(siz + 20);
    const int64_t xt = J2kBig32(siz + 24), yt = J2kBig32(siz + 28);
    const int64_t xto = J2kBig32(siz + 32), yto = J2kBig32(siz + 36);
    const int32_t components = J2kBig16(siz + 40);
    if (components < 1 || components > 16384 || length != 38 + 3 * int64_t(components) || xsiz <= xo ||
        ysiz <= yo || xt == 0 || yt == 0 || xto > xo || yto > yo || xto + xt <= xo || yto + yt <= yo)
        return false;
    layout.Width = xsiz - xo;
    layout.Height = ysiz - yo;
    const int64_t across = (xsiz - xto + xt - 1) / xt, down = (ysiz - yto + yt - 1) / yt;
    layout.Tiles = vcl::ImageReadBytes(across, down);
    layout.Components = components;
    next = start + 4 + length;
    if (layout.Tiles > J2kMaxTiles || layout.Tiles * J2kMinTilePart > end - next)
        return false;
    std::vector<uint8_t> comps(size_t(3) * size_t(components));
    if (!J2kReadAt(stream, start + 42, comps.data(), int32_t(comps.size())))
        return false;
    const int64_t tileW = std::min(xt, layout.Width), tileH = std::min(yt, layout.Height);
    for (int32_t k = 0; k < components; ++k) {
        const int64_t dx = comps[size_t(k) * 3 + 1], dy = comps[size_t(k) * 3 + 2];
        if (dx == 0 || dy == 0)
            return false;
        const int64_t w = (xsiz + dx - 1) / dx - (xo + dx - 1) / dx;
        const int64_t h = (ysiz + dy - 1) / dy - (yo + dy - 1) / dy;
        const int64_t plane = vcl::ImageReadBytes(w, h, 4);
        layout.PlaneBytes = J2kAddBytes(layout.PlaneBytes, plane);
        layout.LargestPlaneBytes = std::max(layout.LargestPlaneBytes, plane);
        layout.TileBytes = J2kAddBytes(
            layout.TileBytes, vcl::ImageReadBytes((tileW + dx - 1) / dx + 1, (tileH + dy - 1) / dy + 1, 4));
    }
    return true;
}

// Whether the bytes of a tile-part from position to end carry coded data: a packet header that is not
// empty starts with a set bit, so a body of zero bytes (between any packet markers) holds no coefficient.
bool J2kBodyHasData(vcl::TStream* stream, int64_t position, int64_t end) {
    uint8_t chunk[4096];
    bool marker = false; // the last byte seen was FF
    int64_t skip = 0;    // bytes of a packet marker segment still to pass
    while (position < end) {
        const auto count = int32_t(std::min<int64_t>(end - position, int64_t(sizeof chunk)));
        if (!J2kReadAt(stream, position, chunk, count))
            return false;
        for (int32_t i = 0; i < count; ++i) {
            const uint8_t b = chunk[i];
            if (skip > 0) {
                --skip;
            } else if (marker) {
                marker = false;
                if (0xFF00u + b == J2kMarkerSOP)
                    skip = 4; // Lsop and Nsop
                else if (0xFF00u + b != J2kMarkerEPH)
                    return true;
            } else if (b == 0xFF) {
                marker = true;
            } else if (b != 0) {
                return true;
            }
        }
        position += count;
    }
    return false;
}

// Walks the main header and the tile-parts of the code stream from start to end. False when the stream is
// malformed, when a tile has no tile-part, or when no tile carries coded data: OpenJPEG would decode such
// a stream into a blank picture of the declared size.
bool J2kReadLayout(vcl::TStream* stream, int64_t start, int64_t end, TJ2kLayout& layout) {
    int64_t position = 0;
    if (!J2kReadSize(stream, start, end, layout, position))
        return false;
    uint8_t segment[12];
    // The main header: marker segments up to the first tile-part.
    for (;;) {
        if (position + 4 > end || !J2kReadAt(stream, position, segment, 4) || segment[0] != 0xFF)
            return false;
        const uint16_t marker = J2kBig16(segment);
        if (marker == J2kMarkerSOT)
            break;
        if (marker == J2kMarkerPPM)
            layout.PackedHeaders = true;
        position += 2 + int64_t(J2kBig16(segment + 2));
    }
    std::vector<uint8_t> seen(size_t(layout.Tiles), 0); // 1: a tile-part, 2: coded data
    bool anyData = false;
    while (position + J2kMinTilePart <= end) {
        if (!J2kReadAt(stream, position, segment, 12) || J2kBig16(segment) != J2kMarkerSOT ||
            J2kBig16(segment + 2) != 10)
            break; // end of code stream, or bytes after it
        const uint32_t tile = J2kBig16(segment + 4);
        const int64_t length = J2kBig32(segment + 6);
        // The last tile-part (length 0) runs to the end-of-code-stream marker.
        int64_t partEnd = length == 0 ? end : position + length;
        uint8_t eoc[2] = {};
        if (length == 0 && end - 2 > position && J2kReadAt(stream, end - 2, eoc, 2) &&
            J2kBig16(eoc) == 0xFFD9)
            partEnd = end - 2;
        if (tile >= uint32_t(layout.Tiles) || (length != 0 && length < J2kMinTilePart) || partEnd > end)
            return false;
        // The tile-part header: marker segments up to the start of data.
        int64_t body = position + 12;
        bool packed = layout.PackedHeaders;
        for (;;) {
            if (body + 2 > partEnd || !J2kReadAt(stream, body, segment, 2) || segment[0] != 0xFF)
                return false;
            const uint16_t marker = J2kBig16(segment);
            body += 2;
            if (marker == J2kMarkerSOD)
                break;
            if (body + 2 > partEnd || !J2kReadAt(stream, body, segment + 2, 2))
                return false;
            if (marker == J2kMarkerPPT)
                packed = true;
            body += int64_t(J2kBig16(segment + 2));
        }
        const bool data = packed ? body < partEnd : J2kBodyHasData(stream, body, partEnd);
        seen[tile] = std::max<uint8_t>(seen[tile], data ? 2 : 1);
        anyData = anyData || data;
        if (length == 0)
            break;
        position = partEnd;
    }
    return anyData && std::find(seen.begin(), seen.end(), 0) == seen.end();
}

// Where the code stream lies: the whole stream from its position for a raw code stream, the content of the
// contiguous code stream box of a JP2 file.
bool J2kCodeStreamRange(vcl::TStream* stream, bool jp2, int64_t& start, int64_t& end) {
    start = stream->GetPosition();
    end = stream->GetSize();
    if (!jp2)
        return true;
    bool found = false;
    J2kWalkBoxes(stream, start, end, [&](uint32_t type, int64_t from, int64_t to) {
        if (type != J2kBoxType("jp2c"))
            return true;
        start = from;
        end = to;
        found = true;
        return false;
    });
    return found;
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
               TIKReadMode mode) {
    const bool jp2 = IsJp2Stream(stream);
    if (!jp2 && !IsJ2kStream(stream)) {
        progress.SetAborting();
        return;
    }
    // Colour that needs three components, declared for fewer, is refused before anything is decoded.
    const uint32_t declared = jp2 ? J2kDeclaredColour(stream) : 0;
    // The code stream's layout decides whether the decoder may even read its header.
    const int64_t origin = stream->GetPosition();
    int64_t codeStart = 0, codeEnd = 0;
    TJ2kLayout layout;
    const bool laidOut = J2kCodeStreamRange(stream, jp2, codeStart, codeEnd) &&
                         J2kReadLayout(stream, codeStart, codeEnd, layout);
    stream->SetPosition(origin);
    if (!laidOut || !vcl::ImageReadFits(layout.HeaderCost())) {
        progress.SetAborting();
        return;
    }
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
    if (mode == ikrmParamsOnly)
        return;
    // The decoder's output planes, one tile's planes while it decodes that tile, the planes a JP2 palette
    // or channel definition adds, and the bitmap: all within the reading budget.
    const bool oneBitOut = params.BitsPerSample == 1 && params.SamplesPerPixel == 1;
    const int64_t bitmapBytes = vcl::ImageReadBytes(IKRowLength(width, oneBitOut ? 1 : 24), height);
    const int64_t extraPlanes = jp2 ? vcl::ImageReadBytes(layout.LargestPlaneBytes, 3) : 0;
    int64_t cost = layout.HeaderCost();
    for (int64_t part : {layout.PlaneBytes, layout.TileBytes, extraPlanes, bitmapBytes})
        cost = J2kAddBytes(cost, part);
    if (!vcl::ImageReadFits(cost)) {
        progress.SetAborting();
        return;
    }
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

void J2kEncode(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params, TIKJpeg2000Form form,
               TIKProgressContext& progress) {
    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width <= 0 || height <= 0 || (form != ikj2fJp2 && form != ikj2fCodeStream)) {
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
        params.Jpeg2000ColorSpace = ikj2Gray;
    }
    const int32_t precision = params.BitsPerSample;
    const double rate = params.Jpeg2000Rate;
    if (params.Jpeg2000ColorSpace > ikj2YCbCr || precision < 1 || precision > J2kMaxPrecision ||
        !(rate > 0) || !std::isfinite(rate)) {
        progress.SetAborting();
        return;
    }
    const bool gray = params.Jpeg2000ColorSpace == ikj2Gray;
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
    if (params.Jpeg2000Progression == ikj2Rlcp)
        parameters.prog_order = OPJ_RLCP;
    else
        parameters.prog_order = OPJ_LRCP;
    // Small images need fewer resolution levels than the default.
    int32_t levels = 1;
    while (levels < 6 && (width >> levels) >= 1 && (height >> levels) >= 1)
        ++levels;
    parameters.numresolution = std::min(parameters.numresolution, levels);

    TJ2kCodec codec(opj_create_compress(form == ikj2fJp2 ? OPJ_CODEC_JP2 : OPJ_CODEC_J2K));
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
                            TIKProgressContext& progress, TIKReadMode mode) {
    J2kDecode(stream, bitmap, params, progress, mode);
}

void EncodeBitmapToJpeg2000(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                            TIKJpeg2000Form form, TIKProgressContext& progress) {
    J2kEncode(stream, bitmap, params, form, progress);
}

} // namespace imaging
