#include "imaging/io/Ccitt.h"

#include "imaging/core/IKHelpers.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstring>

namespace imaging {

namespace {

// ---- Code tables
// ------------------------------------------------------------------------------------------- Each colour has
// 128 entries: 0-63 terminating codes of runs 0 to 63, 64-90 make-up codes of 64 to 1728, 91-103 the extended
// make-up codes of 1792 to 2560 (shared by both colours). The markers (EOL, the codes without effect, EOL
// after fill bits) are recognised by their run of leading zeros instead, since all of them are "k zero bits
// then a 1" with k of 8 or more, and no run code starts with more than 7 zeros.

constexpr const char* CcittWhiteTerm[64] = {
    "00110101", "000111",   "0111",     "1000",     "1011",     "1100",     "1110",     "1111",
    "10011",    "10100",    "00111",    "01000",    "001000",   "000011",   "110100",   "110101",
    "101010",   "101011",   "0100111",  "0001100",  "0001000",  "0010111",  "0000011",  "0000100",
    "0101000",  "0101011",  "0010011",  "0100100",  "0011000",  "00000010", "00000011", "00011010",
    "00011011", "00010010", "00010011", "00010100", "00010101", "00010110", "00010111", "00101000",
    "00101001", "00101010", "00101011", "00101100", "00101101", "00000100", "00000101", "00001010",
    "00001011", "01010010", "01010011", "01010100", "01010101", "00100100", "00100101", "01011000",
    "01011001", "01011010", "01011011", "01001010", "01001011", "00110010", "00110011", "00110100"};

constexpr const char* CcittWhiteMakeup[27] = {
    "11011",     "10010",     "010111",    "0110111",   "00110110",  "00110111",  "01100100",
    "01100101",  "01101000",  "01100111",  "011001100", "011001101", "011010010", "011010011",
    "011010100", "011010101", "011010110", "011010111", "011011000", "011011001", "011011010",
    "011011011", "010011000", "010011001", "010011010", "011000",    "010011011"};

constexpr const char* CcittBlackTerm[64] = {
    "0000110111",   "010",          "11",           "10",           "011",          "0011",
    "0010",         "00011",        "000101",       "000100",       "0000100",      "0000101",
    "0000111",      "00000100",     "00000111",     "000011000",    "0000010111",   "0000011000",
    "0000001000",   "00001100111",  "00001101000",  "00001101100",  "00000110111",  "00000101000",
    "00000010111",  "00000011000",  "000011001010", "000011001011", "000011001100", "000011001101",
    "000001101000", "000001101001", "000001101010", "000001101011", "000011010010", "000011010011",
    "000011010100", "000011010101", "000011010110", "000011010111", "000001101100", "000001101101",
    "000011011010", "000011011011", "000001010100", "000001010101", "000001010110", "000001010111",
    "000001100100", "000001100101", "000001010010", "000001010011", "000000100100", "000000110111",
    "000000111000", "000000100111", "000000101000", "000001011000", "000001011001", "000000101011",
    "000000101100", "000001011010", "000001100110", "000001100111"};

constexpr const char* CcittBlackMakeup[27] = {
    "0000001111",    "000011001000",  "000011001001",  "000001011011",  "000000110011",  "000000110100",
    "000000110101",  "0000001101100", "0000001101101", "0000001001010", "0000001001011", "0000001001100",
    "0000001001101", "0000001110010", "0000001110011", "0000001110100", "0000001110101", "0000001110110",
    "0000001110111", "0000001010010", "0000001010011", "0000001010100", "0000001010101", "0000001011010",
    "0000001011011", "0000001100100", "0000001100101"};

constexpr const char* CcittExtendedMakeup[13] = {
    "00000001000",  "00000001100",  "00000001101",  "000000010010", "000000010011",
    "000000010100", "000000010101", "000000010110", "000000010111", "000000011100",
    "000000011101", "000000011110", "000000011111"};

constexpr int32_t CcittCodeCount = 104; // run entries per colour
constexpr int32_t CcittLookupBits = 13; // the longest run code
constexpr int32_t CcittEolLength = 12;
constexpr uint32_t CcittEolBits = 1;

struct CcittEntry {
    uint8_t Length = 0; // 0: no code
    uint8_t Index = 0;  // the entry index, 0..103
};

struct CcittTables {
    TCcittCode Codes[2][CcittCodeCount];        // [black][index]
    CcittEntry Lookup[2][1 << CcittLookupBits]; // [black][next 13 bits]
    bool Consistent = true;                     // no code is a prefix of another
};

TCcittCode CcittParse(const char* text) {
    TCcittCode c;
    for (const char* p = text; *p; ++p) {
        c.Bits = c.Bits << 1 | uint32_t(*p == '1');
        ++c.Length;
    }
    return c;
}

int32_t CcittRunOf(int32_t index) {
    return index < 64 ? index : (index - 63) * 64;
}

const CcittTables& CcittGetTables() {
    static const CcittTables tables = [] {
        CcittTables t{};
        for (int black = 0; black < 2; ++black) {
            for (int i = 0; i < 64; ++i)
                t.Codes[black][i] = CcittParse(black ? CcittBlackTerm[i] : CcittWhiteTerm[i]);
            for (int i = 0; i < 27; ++i)
                t.Codes[black][64 + i] = CcittParse(black ? CcittBlackMakeup[i] : CcittWhiteMakeup[i]);
            for (int i = 0; i < 13; ++i)
                t.Codes[black][91 + i] = CcittParse(CcittExtendedMakeup[i]);
            for (int i = 0; i < CcittCodeCount; ++i) {
                const TCcittCode& c = t.Codes[black][i];
                int32_t spare = CcittLookupBits - c.Length;
                uint32_t first = c.Bits << spare;
                for (uint32_t s = 0; s < (1u << spare); ++s) {
                    CcittEntry& e = t.Lookup[black][first | s];
                    if (e.Length != 0)
                        t.Consistent = false;
                    e.Length = uint8_t(c.Length);
                    e.Index = uint8_t(i);
                }
            }
        }
        return t;
    }();
    return tables;
}

// ---- Bit input
// ---------------------------------------------------------------------------------------------
class CcittBitReader {
public:
    CcittBitReader(const uint8_t* data, int64_t size, int32_t fillOrder, int64_t bitPos)
        : FData(data), FSize(size > 0 && data ? size : 0), FReversed(fillOrder == 2),
          FPos(std::max<int64_t>(0, bitPos)) {
        FEnd = FSize * 8;
    }
    // The next 32 bits, first bit in the most significant place; zeros past the end of the data.
    uint32_t Peek() const {
        int64_t byte = FPos >> 3;
        uint64_t v = 0;
        for (int i = 0; i < 5; ++i) {
            uint8_t b = byte + i < FSize ? FData[byte + i] : 0;
            v = v << 8 | (FReversed ? IKReversedBits[b] : b);
        }
        return uint32_t(v >> (8 - (FPos & 7)));
    }
    bool AtEnd() const { return FPos >= FEnd; }
    // True when the next n bits all lie inside the data.
    bool Has(int32_t n) const { return FPos + n <= FEnd; }
    void Skip(int64_t n) { FPos = std::min(FPos + n, FEnd); }
    void ToEnd() { FPos = FEnd; }
    int64_t Position() const { return FPos; }

private:
    const uint8_t* FData;
    int64_t FSize;
    bool FReversed;
    int64_t FPos;
    int64_t FEnd = 0;
};

// ---- Rows
// --------------------------------------------------------------------------------------------------
inline int32_t CcittRowBytes(int32_t width) {
    return int32_t((int64_t(width) + 7) / 8);
}

inline bool CcittBit(const uint8_t* row, int32_t x) {
    return (row[x >> 3] & IKBitMask[x & 7]) != 0;
}

// The first pixel at or after from whose bit equals value; width when there is none.
int32_t CcittFindBit(const uint8_t* row, int32_t from, int32_t width, bool value) {
    if (from >= width)
        return width;
    if (from < 0)
        from = 0;
    const uint8_t flip = value ? 0 : 0xFF;
    int32_t bytes = CcittRowBytes(width);
    int32_t i = from >> 3;
    uint8_t b = uint8_t((row[i] ^ flip) & (0xFF >> (from & 7)));
    while (b == 0) {
        // Whole bytes of the other value are skipped at once.
        if (++i >= bytes)
            return width;
        b = uint8_t(row[i] ^ flip);
    }
    return std::min(width, i * 8 + std::countl_zero(b));
}

// Clears the bits [from, to) of a decoded row (paints black), clipped to the row.
void CcittPaintBlack(uint8_t* row, int64_t from, int64_t to, int32_t width) {
    from = std::max<int64_t>(from, 0);
    to = std::min<int64_t>(to, width);
    if (from >= to)
        return;
    int32_t a = int32_t(from), b = int32_t(to);
    int32_t first = a >> 3, last = (b - 1) >> 3;
    uint8_t headMask = uint8_t(0xFF >> (a & 7));
    uint8_t tailMask = uint8_t(0xFF << (7 - ((b - 1) & 7)));
    if (first == last) {
        row[first] &= uint8_t(~(headMask & tailMask));
        return;
    }
    row[first] &= uint8_t(~headMask);
    if (last > first + 1)
        std::memset(row + first + 1, 0, size_t(last - first - 1));
    row[last] &= uint8_t(~tailMask);
}

// b1: the first changing element of the reference row right of a0 whose colour is opposite to a0's;
// b2: the next changing element after it. whiteBit is the bit value of a white pixel in ref.
void CcittFindB1B2(const uint8_t* ref, int32_t a0, bool white, int32_t width, bool whiteBit, int32_t& b1,
                   int32_t& b2) {
    bool curBit = white ? whiteBit : !whiteBit;
    int32_t q = a0 + 1;
    if (q > 0 && q <= width && CcittBit(ref, q - 1) != curBit)
        q = CcittFindBit(ref, q, width, curBit);
    b1 = CcittFindBit(ref, q, width, !curBit);
    b2 = b1 < width ? CcittFindBit(ref, b1 + 1, width, curBit) : width;
}

// ---- Decoding
// ----------------------------------------------------------------------------------------------
enum CcittCodeKind { ckNone, ckRun, ckEol, ckNoEffect };

struct CcittCodeRead {
    CcittCodeKind Kind = ckNone;
    int32_t Length = 0;
    int32_t Index = 0;
};

// Identifies the next run code or marker of a colour without consuming it.
CcittCodeRead CcittNextCode(const CcittBitReader& in, bool black) {
    uint32_t v = in.Peek();
    int32_t zeros = std::countl_zero(v);
    if (zeros >= 8) {
        if (zeros == 32)
            return {};
        return {zeros >= 11 ? ckEol : ckNoEffect, zeros + 1, 0};
    }
    const CcittEntry& e = CcittGetTables().Lookup[black][v >> (32 - CcittLookupBits)];
    if (e.Length == 0)
        return {};
    return {ckRun, e.Length, e.Index};
}

// The one-dimensional row decoder shared by the Group 3 and Modified Huffman entry points.
void CcittDecode1d(uint8_t* row, CcittBitReader& in, int32_t width) {
    std::memset(row, 0xFF, size_t(CcittRowBytes(width)));
    int64_t pos = 0;
    bool black = false;
    bool makeupPending = false;
    bool codeSeen = false;
    while ((pos < width || makeupPending) && !in.AtEnd()) {
        CcittCodeRead c = CcittNextCode(in, black);
        if (c.Kind == ckNone) {
            in.Skip(1);
            continue;
        }
        if (!in.Has(c.Length)) {
            in.ToEnd(); // a code cut by the end of the data
            break;
        }
        if (c.Kind == ckEol) {
            if (!codeSeen) {
                // The EOL that starts a row (after fill bits, or repeated).
                in.Skip(c.Length);
                continue;
            }
            if (black)
                CcittPaintBlack(row, pos, width, width);
            in.Skip(c.Length);
            return;
        }
        in.Skip(c.Length);
        if (c.Kind == ckNoEffect)
            continue;
        codeSeen = true;
        int32_t run = CcittRunOf(c.Index);
        if (black)
            CcittPaintBlack(row, pos, pos + run, width);
        pos = std::min<int64_t>(pos + run, width);
        if (c.Index >= 64) {
            makeupPending = true;
        } else {
            makeupPending = false;
            black = !black;
        }
    }
}

// One run of a colour in horizontal mode: make-up codes summed up to a terminating code. False when the
// data holds no valid run there.
bool CcittReadRun(CcittBitReader& in, bool black, int64_t& run) {
    run = 0;
    while (!in.AtEnd()) {
        CcittCodeRead c = CcittNextCode(in, black);
        if (c.Kind == ckNone || c.Kind == ckEol || !in.Has(c.Length))
            return false;
        in.Skip(c.Length);
        if (c.Kind == ckNoEffect)
            continue;
        run = std::min<int64_t>(run + CcittRunOf(c.Index), int64_t(1) << 40);
        if (c.Index < 64)
            return true;
    }
    return false;
}

enum CcittMode { cmNone, cmPass, cmHorizontal, cmVertical, cmExtension, cmEol };

struct CcittModeRead {
    CcittMode Mode = cmNone;
    int32_t Length = 0;
    int32_t Offset = 0; // vertical modes
};

CcittModeRead CcittNextMode(const CcittBitReader& in) {
    uint32_t v = in.Peek();
    int32_t zeros = std::countl_zero(v);
    if (zeros >= 11)
        return zeros == 32 ? CcittModeRead{cmNone, 1, 0} : CcittModeRead{cmEol, zeros + 1, 0};
    switch (zeros) {
    case 0:
        return {cmVertical, 1, 0};
    case 1:
        return {cmVertical, 3, (v >> 29) == 3 ? 1 : -1};
    case 2:
        return {cmHorizontal, 3, 0};
    case 3:
        return {cmPass, 4, 0};
    case 4:
        return {cmVertical, 6, (v >> 26) == 3 ? 2 : -2};
    case 5:
        return {cmVertical, 7, (v >> 25) == 3 ? 3 : -3};
    case 6:
        if ((v >> 22) == 0xF) // 0000001111
            return {cmExtension, 10, 0};
        break;
    case 8:
        if ((v >> 20) == 0xF) // 000000001111
            return {cmExtension, 12, 0};
        break;
    default:
        break;
    }
    return {cmNone, 12, 0}; // no valid mode: twelve bits are dropped
}

} // namespace

int32_t DecodeCcittMhRow(uint8_t* row, const uint8_t* data, int64_t dataSize, int32_t width,
                         int32_t fillOrder) {
    if (width <= 0)
        return 0;
    CcittBitReader in(data, dataSize, fillOrder, 0);
    CcittDecode1d(row, in, width);
    return int32_t(std::min<int64_t>((in.Position() + 7) / 8, INT32_MAX));
}

int64_t DecodeCcittG3Row(uint8_t* row, const uint8_t* data, int64_t dataSize, int32_t width,
                         int32_t fillOrder, int64_t bitPos) {
    if (width <= 0)
        return bitPos;
    CcittBitReader in(data, dataSize, fillOrder, bitPos);
    CcittDecode1d(row, in, width);
    return in.Position();
}

int64_t DecodeCcitt2dRow(uint8_t* row, const uint8_t* data, int64_t dataSize, bool fillBits,
                         int32_t fillOrder, int64_t bitPos, uint8_t* refRow, int32_t width) {
    (void)fillBits; // fill bits before an EOL are recognised whether or not the page announces them
    if (width <= 0)
        return bitPos;
    const int32_t rowBytes = CcittRowBytes(width);
    CcittBitReader in(data, dataSize, fillOrder, bitPos);
    std::memset(row, 0xFF, size_t(rowBytes));
    int32_t a0 = -1;
    bool white = true;
    bool firstCode = true;
    while (a0 < width && !in.AtEnd()) {
        CcittModeRead m = CcittNextMode(in);
        if (!in.Has(m.Length)) {
            in.ToEnd();
            break;
        }
        if (m.Mode == cmEol) {
            if (!firstCode) {
                // An EOL inside the row ends it; the EOL stays for the next row.
                if (!white)
                    CcittPaintBlack(row, a0, width, width);
                break;
            }
            in.Skip(m.Length);
            if (!in.Has(1))
                continue;
            bool oneDimensional = (in.Peek() >> 31) != 0;
            in.Skip(1);
            if (oneDimensional) {
                CcittDecode1d(row, in, width);
                break;
            }
            continue;
        }
        in.Skip(m.Length);
        if (m.Mode == cmNone)
            continue;
        firstCode = false;
        int32_t b1, b2;
        int32_t start = std::max(a0, 0);
        switch (m.Mode) {
        case cmPass:
            CcittFindB1B2(refRow, a0, white, width, true, b1, b2);
            if (!white)
                CcittPaintBlack(row, start, b2, width);
            a0 = std::max(b2, start);
            break;
        case cmVertical: {
            CcittFindB1B2(refRow, a0, white, width, true, b1, b2);
            int32_t a1 = std::clamp(b1 + m.Offset, start, width);
            if (!white)
                CcittPaintBlack(row, start, a1, width);
            a0 = a1;
            white = !white;
            break;
        }
        case cmHorizontal: {
            int64_t run1 = 0, run2 = 0;
            if (!CcittReadRun(in, !white, run1) || !CcittReadRun(in, white, run2)) {
                a0 = width; // the row cannot be completed
                break;
            }
            int64_t mid = std::min<int64_t>(start + run1, width);
            int64_t end = std::min<int64_t>(mid + run2, width);
            CcittPaintBlack(row, white ? mid : start, white ? end : mid, width);
            a0 = int32_t(end);
            break;
        }
        case cmExtension: {
            // Uncompressed mode: each code word is a count of bits up to and including the first 1.
            int32_t pos = start;
            bool exited = false;
            while (!exited && !in.AtEnd()) {
                int32_t zeros = std::countl_zero(in.Peek());
                if (zeros >= 11 || !in.Has(zeros + 1))
                    break;
                int32_t n = zeros + 1;
                in.Skip(n);
                if (n <= 5) {
                    CcittPaintBlack(row, int64_t(pos) + n - 1, int64_t(pos) + n, width);
                    pos = int32_t(std::min<int64_t>(int64_t(pos) + n, width));
                } else if (n == 6) {
                    pos = int32_t(std::min<int64_t>(int64_t(pos) + 5, width));
                } else {
                    pos = int32_t(std::min<int64_t>(int64_t(pos) + n - 7, width));
                    if (in.Has(1)) {
                        white = (in.Peek() >> 31) == 0;
                        in.Skip(1);
                    }
                    exited = true;
                }
            }
            a0 = exited ? pos : width;
            break;
        }
        default:
            break;
        }
    }
    std::memcpy(refRow, row, size_t(rowBytes));
    return in.Position();
}

// ---- Encoding
// ----------------------------------------------------------------------------------------------
namespace {

class CcittBitWriter {
public:
    CcittBitWriter(int32_t pendingBits, uint8_t pendingByte) {
        FCount = std::clamp(pendingBits, 0, 7);
        FAcc = FCount ? uint64_t(pendingByte >> (8 - FCount)) : 0;
    }
    void Put(uint32_t bits, int32_t length) {
        FAcc = FAcc << length | (bits & ((uint64_t(1) << length) - 1));
        FCount += length;
        while (FCount >= 8) {
            FBytes.push_back(uint8_t(FAcc >> (FCount - 8)));
            FCount -= 8;
        }
        FAcc &= (uint64_t(1) << FCount) - 1;
    }
    void Put(const TCcittCode& c) { Put(c.Bits, c.Length); }
    void PadToByte() {
        if (FCount)
            Put(0, 8 - FCount);
    }
    // Writes the whole bytes and hands the partial byte back.
    void Flush(vcl::TStream* stream, bool& aborting, int32_t& pendingBits, uint8_t& pendingByte) {
        if (!FBytes.empty() && !aborting)
            IKWriteStreamChecked(stream, aborting, FBytes.data(), int32_t(FBytes.size()));
        FBytes.clear();
        pendingBits = FCount;
        pendingByte = FCount ? uint8_t(FAcc << (8 - FCount)) : 0;
    }

private:
    std::vector<uint8_t> FBytes;
    uint64_t FAcc = 0;
    int32_t FCount = 0;
};

void CcittPutRun(CcittBitWriter& out, int64_t run, bool black) {
    const CcittTables& t = CcittGetTables();
    while (run >= 64) {
        int64_t part = std::min<int64_t>(run, 2560) / 64 * 64;
        out.Put(t.Codes[black][63 + part / 64]);
        run -= part;
    }
    out.Put(t.Codes[black][run]);
}

// Encoder rows: a set bit is black.
void CcittEncode1d(CcittBitWriter& out, const uint8_t* row, int32_t width) {
    int32_t pos = 0;
    bool black = false;
    while (pos < width) {
        int32_t next = CcittFindBit(row, pos, width, !black);
        CcittPutRun(out, next - pos, black);
        pos = next;
        black = !black;
    }
}

void CcittEncode2d(CcittBitWriter& out, const uint8_t* row, const uint8_t* ref, int32_t width) {
    static constexpr TCcittCode vertical[7] = {{7, 0x02}, {6, 0x02}, {3, 0x02}, {1, 0x01},
                                               {3, 0x03}, {6, 0x03}, {7, 0x03}};
    int32_t a0 = -1;
    bool white = true;
    while (a0 < width) {
        int32_t b1, b2;
        CcittFindB1B2(ref, a0, white, width, false, b1, b2);
        // In encoder rows a set bit is black: the first pixel of the other colour is a1.
        int32_t a1 = CcittFindBit(row, a0 + 1, width, white);
        if (b2 < a1) {
            out.Put(1, 4); // pass
            a0 = b2;
        } else if (a1 - b1 >= -3 && a1 - b1 <= 3) {
            out.Put(vertical[a1 - b1 + 3]);
            a0 = a1;
            white = !white;
        } else {
            int32_t a2 = a1 < width ? CcittFindBit(row, a1 + 1, width, !white) : width;
            out.Put(1, 3); // horizontal
            CcittPutRun(out, a1 - std::max(a0, 0), !white);
            CcittPutRun(out, a2 - a1, white);
            a0 = a2;
        }
    }
}

} // namespace

std::vector<TCcittCode> CcittRunCodes(int32_t run, bool black) {
    std::vector<TCcittCode> codes;
    const CcittTables& t = CcittGetTables();
    while (run >= 64) {
        int32_t part = std::min(run, 2560) / 64 * 64;
        codes.push_back(t.Codes[black][63 + part / 64]);
        run -= part;
    }
    codes.push_back(t.Codes[black][std::max(run, 0)]);
    return codes;
}

void EncodeCcittMhRow(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting) {
    CcittBitWriter out(0, 0);
    CcittEncode1d(out, row, width);
    out.PadToByte();
    int32_t bits;
    uint8_t byte;
    out.Flush(stream, aborting, bits, byte);
}

void EncodeCcittG3Row(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                      int32_t& pendingBits, uint8_t& pendingByte) {
    CcittBitWriter out(pendingBits, pendingByte);
    if (row) {
        // Every row starts with an EOL, so that a reader finds the rows (and resynchronises after damage).
        out.Put(CcittEolBits, CcittEolLength);
        CcittEncode1d(out, row, width);
    } else {
        out.PadToByte();
    }
    out.Flush(stream, aborting, pendingBits, pendingByte);
}

void EncodeCcittG32dRow(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                        std::vector<uint8_t>& refRow, int32_t& pendingBits, uint8_t& pendingByte) {
    CcittBitWriter out(pendingBits, pendingByte);
    const size_t rowBytes = size_t(CcittRowBytes(width));
    if (row) {
        out.Put(CcittEolBits, CcittEolLength);
        if (refRow.size() != rowBytes) {
            out.Put(1, 1);
            CcittEncode1d(out, row, width);
        } else {
            out.Put(0, 1);
            CcittEncode2d(out, row, refRow.data(), width);
        }
        refRow.assign(row, row + rowBytes);
    } else {
        out.Put(CcittEolBits, CcittEolLength);
        out.PadToByte();
        refRow.clear();
    }
    out.Flush(stream, aborting, pendingBits, pendingByte);
}

void EncodeCcittG4Row(const uint8_t* row, int32_t width, vcl::TStream* stream, bool& aborting,
                      std::vector<uint8_t>& refRow, int32_t& pendingBits, uint8_t& pendingByte) {
    CcittBitWriter out(pendingBits, pendingByte);
    const size_t rowBytes = size_t(CcittRowBytes(width));
    if (row) {
        if (refRow.size() != rowBytes)
            refRow.assign(rowBytes, 0); // an all-white row before the page
        CcittEncode2d(out, row, refRow.data(), width);
        refRow.assign(row, row + rowBytes);
    } else {
        out.Put(CcittEolBits, CcittEolLength); // end of facsimile block: two EOLs
        out.Put(CcittEolBits, CcittEolLength);
        out.PadToByte();
        refRow.clear();
    }
    out.Flush(stream, aborting, pendingBits, pendingByte);
}

bool CcittTablesConsistent() {
    return CcittGetTables().Consistent;
}

} // namespace imaging
