#include "imaging/io/PnmFilter.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "imaging/io/IOByteReader.h"
#include "imaging/io/IOFilterSupport.h"
#include "imaging/io/IOParams.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace imaging {

namespace {

// Tokens longer than this are consumed but not kept: no number or magic is that long.
constexpr size_t PnmMaxTokenLength = 1024;
constexpr int32_t PnmMaxSampleValue = 65535;

bool PnmIsAlnum(int32_t c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

std::string PnmReadTokenFrom(TIKByteReader& in) {
    int32_t c = in.GetByte();
    while (c >= 0 && c != '#' && !PnmIsAlnum(c))
        c = in.GetByte();
    if (c < 0)
        return std::string();
    std::string token(1, char(c));
    if (c == '#') {
        std::string text;
        for (c = in.GetByte(); c >= 0 && c != '\n' && c != '\r'; c = in.GetByte())
            if (text.size() < PnmMaxTokenLength)
                text += char(c);
        return token + vcl::Trim(text);
    }
    for (c = in.GetByte(); c >= 0 && PnmIsAlnum(c); c = in.GetByte())
        if (token.size() < PnmMaxTokenLength)
            token += char(c);
    return token; // the byte that ended the token is consumed too
}

// The next token that is not a comment; empty at the end of the data.
std::string PnmReadValueToken(TIKByteReader& in) {
    for (;;) {
        std::string token = PnmReadTokenFrom(in);
        if (token.empty() || token[0] != '#')
            return token;
    }
}

bool PnmIsMagic(const std::string& token) {
    return token.size() == 2 && token[0] == 'P' && token[1] >= '1' && token[1] <= '6';
}

// Scales a sample of 0..maxval to 0..255, clamping values above maxval.
inline uint8_t PnmScale(int32_t value, int32_t maxval) {
    if (value < 0)
        value = 0;
    if (value >= maxval)
        return 255;
    return uint8_t(int64_t(value) * 255 / maxval);
}

struct TPnmHeader {
    char Kind = 0; // '1' .. '6'
    int32_t Width = -1;
    int32_t Height = -1;
    int32_t MaxVal = 1;
};

// Reads the header, collecting comments; false when the stream ends before the magic or the magic is
// not one of the six.
bool PnmReadHeader(TIKByteReader& in, TPnmHeader& header, std::vector<std::string>& comments) {
    int32_t values[3] = {-1, -1, -1};
    int32_t wanted = 0; // 0 before the magic
    int32_t got = 0;
    for (;;) {
        std::string token = PnmReadTokenFrom(in);
        if (token.empty())
            break;
        if (token[0] == '#') {
            comments.push_back(token.substr(1));
            continue;
        }
        if (wanted == 0) {
            if (!PnmIsMagic(token))
                return false;
            header.Kind = token[1];
            wanted = (header.Kind == '1' || header.Kind == '4') ? 2 : 3;
            continue;
        }
        values[got++] = vcl::StrToIntDef(token, -1);
        if (got == wanted)
            break;
    }
    if (wanted == 0)
        return false;
    header.Width = values[0];
    header.Height = values[1];
    header.MaxVal = wanted == 2 ? 1 : values[2];
    return true;
}

// At least this many bytes must follow the header for the image to be complete: the binary forms need
// their exact size, the ASCII forms one byte per sample.
int64_t PnmMinimumData(const TPnmHeader& h) {
    const int64_t w = h.Width;
    const int64_t pixels = w * h.Height;
    const int64_t sampleBytes = h.MaxVal > 255 ? 2 : 1;
    switch (h.Kind) {
    case '1':
    case '2':
        return pixels;
    case '3':
        return pixels * 3;
    case '4':
        return (w + 7) / 8 * h.Height;
    case '5':
        return pixels * sampleBytes;
    default:
        return pixels * 3 * sampleBytes;
    }
}

// Reads an ASCII sample; false at the end of the data.
bool PnmReadAsciiSample(TIKByteReader& in, int32_t maxval, uint8_t& out) {
    const std::string token = PnmReadValueToken(in);
    if (token.empty())
        return false;
    out = PnmScale(vcl::StrToIntDef(token, 0), maxval);
    return true;
}

void PnmDecodePlainBits(TIKByteReader& in, TIKBitmap* bitmap, const TPnmHeader& h,
                        TIKProgressContext& progress) {
    for (int32_t y = 0; y < h.Height; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        int32_t x = 0;
        while (x < h.Width) {
            const int32_t c = in.GetByte();
            if (c < 0) {
                progress.SetAborting(); // the pixels read so far stay
                return;
            }
            if (c == '#') { // a comment runs to the end of its line
                int32_t d = in.GetByte();
                while (d >= 0 && d != '\n' && d != '\r')
                    d = in.GetByte();
            } else if (c == '0') {
                IKPutBit(row, x++, true);
            } else if (c == '1') {
                IKPutBit(row, x++, false);
            }
        }
        if (y + 1 < h.Height)
            progress.AdvanceRows();
        else
            ++progress.RowsDone;
    }
}

void PnmDecodeAscii(TIKByteReader& in, TIKBitmap* bitmap, const TPnmHeader& h, TIKProgressContext& progress) {
    const bool color = h.Kind == '3';
    for (int32_t y = 0; y < h.Height; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        for (int32_t x = 0; x < h.Width; ++x) {
            uint8_t* p = row + 3 * size_t(x);
            uint8_t r = 0, g = 0, b = 0;
            bool ok = PnmReadAsciiSample(in, h.MaxVal, r);
            if (color && ok)
                ok = PnmReadAsciiSample(in, h.MaxVal, g) && PnmReadAsciiSample(in, h.MaxVal, b);
            if (!ok) {
                progress.SetAborting();
                return;
            }
            if (!color)
                g = b = r;
            p[0] = b;
            p[1] = g;
            p[2] = r;
        }
        progress.AdvanceRows();
    }
}

// File samples in RGB order become the image's blue, green, red, in place.
void PnmSwapRedBlue(uint8_t* row, int32_t width) {
    for (int32_t x = 0; x < width; ++x, row += 3) {
        const uint8_t r = row[0];
        row[0] = row[2];
        row[2] = r;
    }
}

// Every sample value of the file scaled to 0..255 once, instead of a division per sample: 256 entries
// for one-byte samples, 65536 for two-byte ones (values above maxval read as 255).
std::vector<uint8_t> PnmScaleTable(int32_t maxval) {
    std::vector<uint8_t> table(maxval > 255 ? 65536 : 256);
    for (size_t v = 0; v < table.size(); ++v)
        table[v] = PnmScale(int32_t(v), maxval);
    return table;
}

void PnmDecodeBinary(TIKByteReader& in, TIKBitmap* bitmap, const TPnmHeader& h,
                     TIKProgressContext& progress) {
    const int32_t samples = h.Kind == '6' ? 3 : h.Kind == '5' ? 1 : 0;
    const bool wide = h.MaxVal > 255;
    const size_t rowBytes =
        samples == 0 ? (size_t(h.Width) + 7) / 8 : size_t(h.Width) * samples * (wide ? 2 : 1);
    // Colour rows of full-range bytes have the image row's size and are read straight into it; other
    // rows go through a buffer.
    const bool direct = samples == 3 && h.MaxVal == 255;
    const std::vector<uint8_t> scale =
        h.MaxVal == 255 || samples == 0 ? std::vector<uint8_t>() : PnmScaleTable(h.MaxVal);
    std::vector<uint8_t> buffer(direct ? 0 : rowBytes);
    const size_t count = size_t(h.Width) * size_t(samples);
    for (int32_t y = 0; y < h.Height; ++y) {
        uint8_t* row = bitmap->ScanLine(y);
        uint8_t* data = direct ? row : buffer.data();
        const int64_t got = in.Read(data, int64_t(rowBytes));
        if (got < int64_t(rowBytes)) {
            if (direct) // the whole pixels read so far stay, in the image's order
                PnmSwapRedBlue(row, int32_t(std::max<int64_t>(got, 0) / 3));
            progress.SetAborting();
            return;
        }
        if (samples == 0) {
            // One-bit rows store 1 for white; the file stores 1 for black.
            for (size_t i = 0; i < rowBytes; ++i)
                row[i] = uint8_t(~buffer[i]);
        } else if (direct) {
            PnmSwapRedBlue(row, h.Width);
        } else {
            // Scale in place: two-byte samples shrink to one byte each, front to back.
            if (wide)
                for (size_t i = 0; i < count; ++i)
                    buffer[i] = scale[size_t(buffer[2 * i]) << 8 | buffer[2 * i + 1]];
            else if (!scale.empty())
                for (size_t i = 0; i < count; ++i)
                    buffer[i] = scale[buffer[i]];
            if (samples == 1) {
                for (int32_t x = 0; x < h.Width; ++x) {
                    uint8_t* p = row + 3 * size_t(x);
                    p[0] = p[1] = p[2] = buffer[size_t(x)];
                }
            } else {
                std::memcpy(row, buffer.data(), count);
                PnmSwapRedBlue(row, h.Width);
            }
        }
        progress.AdvanceRows();
    }
}

// The colour of pixel x of a row of any pixel format.
TIKColorTriple PnmPixel(TIKBitmap* bitmap, const uint8_t* row, int32_t x, int32_t y) {
    if (bitmap->PixelFormat() == ikbf24Bit) {
        const uint8_t* p = row + 3 * size_t(x);
        return TIKColorTriple{p[0], p[1], p[2]};
    }
    return bitmap->PixelColor(x, y);
}

} // namespace

std::string ReadPnmToken(vcl::TStream* stream) {
    TIKByteReader in(stream);
    std::string token = PnmReadTokenFrom(in);
    in.Release();
    return token;
}

bool IsPnmStream(vcl::TStream* stream) {
    const int64_t start = stream->GetPosition();
    bool result = false;
    {
        TIKByteReader in(stream);
        int32_t count = 0;
        std::string values[3];
        int32_t got = 0;
        while (count < 501 && got < 3) {
            std::string token = PnmReadTokenFrom(in);
            ++count;
            if (token.empty())
                break;
            if (token[0] == '#')
                continue;
            values[got++] = token;
            if (got == 1 && !PnmIsMagic(token))
                break;
        }
        result = got == 3 && PnmIsMagic(values[0]) && vcl::StrToIntDef(values[1], -1) > 0 &&
                 vcl::StrToIntDef(values[2], -1) > 0;
    }
    stream->SetPosition(start);
    return result;
}

void DecodePnmToBitmap(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress, TIKReadMode mode) {
    TIKByteReader in(stream);
    TPnmHeader h;
    std::vector<std::string> comments;
    const bool known = PnmReadHeader(in, h, comments);
    params.PnmComments = comments;
    if (!known || h.Width < 1 || h.Height < 1 || h.MaxVal < 1 || h.MaxVal > PnmMaxSampleValue) {
        progress.SetAborting();
        return;
    }
    const bool oneBit = h.Kind == '1' || h.Kind == '4';
    params.FreeColorMap();
    params.Width = h.Width;
    params.Height = h.Height;
    params.DpiX = IKDefaultDpiX;
    params.DpiY = IKDefaultDpiY;
    params.BitsPerSample = oneBit ? 1 : 8;
    params.SamplesPerPixel = (h.Kind == '3' || h.Kind == '6') ? 3 : 1;
    if (mode == ikrmParamsOnly)
        return;
    // Refuse what the data cannot hold before allocating for it.
    if (int64_t(h.Width) * h.Height > IKMaxReadPixels || in.Remaining() < PnmMinimumData(h)) {
        progress.SetAborting();
        return;
    }
    bitmap->Allocate(h.Width, h.Height, oneBit ? ikbf1Bit : ikbf24Bit);
    IKFilterStartRows(progress, h.Height);
    if (h.Kind == '1')
        PnmDecodePlainBits(in, bitmap, h, progress);
    else if (h.Kind == '2' || h.Kind == '3')
        PnmDecodeAscii(in, bitmap, h, progress);
    else
        PnmDecodeBinary(in, bitmap, h, progress);
}

void EncodeBitmapToPnm(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                       TIKProgressContext& progress) {
    const int32_t width = bitmap->Width();
    const int32_t height = bitmap->Height();
    if (width <= 0 || height <= 0 || bitmap->PixelFormat() == ikbfNone)
        return;
    std::string comments;
    for (const std::string& line : params.PnmComments)
        comments += "\n# " + line + "\n";
    const std::string size = std::to_string(width) + " " + std::to_string(height);
    const bool oneBitSource = bitmap->PixelFormat() == ikbf1Bit;
    char kind;
    if ((params.BitsPerSample == 1 && params.SamplesPerPixel == 1) || oneBitSource)
        kind = '4';
    else if (params.BitsPerSample == 8 && params.SamplesPerPixel == 1)
        kind = '5';
    else if ((params.BitsPerSample == 8 && params.SamplesPerPixel == 3) || bitmap->PixelFormat() == ikbf24Bit)
        kind = '6';
    else
        return;
    const std::string header =
        std::string("P") + kind + " " + comments + size + (kind == '4' ? "\n" : " 255\n");
    IKFilterWrite(stream, progress, header.data(), int32_t(header.size()));

    const size_t outBytes = kind == '4' ? (size_t(width) + 7) / 8 : size_t(width) * (kind == '5' ? 1 : 3);
    std::vector<uint8_t> out(outBytes);
    IKFilterStartRows(progress, height);
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* row = bitmap->ScanLine(y);
        if (kind == '4' && oneBitSource) {
            for (size_t i = 0; i < outBytes; ++i)
                out[i] = uint8_t(~row[i]);
        } else if (kind == '4') {
            // A colour image asked for as a bitmap: pixels darker than middle gray become black.
            std::fill(out.begin(), out.end(), 0);
            for (int32_t x = 0; x < width; ++x)
                if (IKTripleGrayLevel(PnmPixel(bitmap, row, x, y)) < 128)
                    out[size_t(x) >> 3] |= IKBitMask[x & 7];
        } else if (kind == '6' && bitmap->PixelFormat() == ikbf24Bit) {
            // Blue, green, red become red, green, blue.
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = row + 3 * size_t(x);
                uint8_t* o = out.data() + 3 * size_t(x);
                o[0] = p[2];
                o[1] = p[1];
                o[2] = p[0];
            }
        } else if (bitmap->PixelFormat() == ikbf24Bit) {
            for (int32_t x = 0; x < width; ++x) {
                const uint8_t* p = row + 3 * size_t(x);
                out[size_t(x)] = uint8_t(IKTripleGrayLevel(TIKColorTriple{p[0], p[1], p[2]}));
            }
        } else {
            for (int32_t x = 0; x < width; ++x) {
                const TIKColorTriple c = PnmPixel(bitmap, row, x, y);
                if (kind == '5') {
                    out[size_t(x)] = uint8_t(IKTripleGrayLevel(c));
                } else {
                    out[3 * size_t(x)] = c.R;
                    out[3 * size_t(x) + 1] = c.G;
                    out[3 * size_t(x) + 2] = c.B;
                }
            }
        }
        IKFilterWrite(stream, progress, out.data(), int32_t(outBytes));
        progress.AdvanceRows();
    }
}

} // namespace imaging
