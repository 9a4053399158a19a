// A small writer of WMF and EMF bytes for the tests: records are added by function number or type with
// their parameters as they are stored, and the headers are filled in when the bytes are taken.
#pragma once

#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <string>
#include <vector>

namespace metatest {

// Little-endian bytes.
struct Bytes {
    std::vector<uint8_t> D;
    Bytes& U8(uint8_t v) {
        D.push_back(v);
        return *this;
    }
    Bytes& U16(uint16_t v) {
        D.push_back(uint8_t(v));
        D.push_back(uint8_t(v >> 8));
        return *this;
    }
    Bytes& I16(int16_t v) { return U16(uint16_t(v)); }
    Bytes& U32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            D.push_back(uint8_t(v >> (8 * i)));
        return *this;
    }
    Bytes& I32(int32_t v) { return U32(uint32_t(v)); }
    Bytes& F32(float f) {
        uint32_t v;
        std::memcpy(&v, &f, 4);
        return U32(v);
    }
    Bytes& Raw(const std::vector<uint8_t>& b) {
        D.insert(D.end(), b.begin(), b.end());
        return *this;
    }
    Bytes& Pad(size_t multiple) {
        while (D.size() % multiple)
            D.push_back(0);
        return *this;
    }
    size_t Size() const { return D.size(); }
};

// A packed DIB of 32-bit pixels (0x00RRGGBB, top row first), stored bottom-up.
inline std::vector<uint8_t> PackedDib32(int w, int h, const std::vector<uint32_t>& topDown) {
    Bytes b;
    b.U32(40).I32(w).I32(h).U16(1).U16(32).U32(0).U32(uint32_t(w * h * 4)).I32(0).I32(0).U32(0).U32(0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x)
            b.U32(topDown[size_t(y * w + x)]);
    return b.D;
}

class WmfWriter {
public:
    // A placeable box (l, t, r, b) in units of `inch` per inch, or none.
    WmfWriter(bool placeable, int16_t l = 0, int16_t t = 0, int16_t r = 100, int16_t b = 100,
              uint16_t inch = 96, uint16_t objects = 16)
        : FPlaceable(placeable), FBox{l, t, r, b}, FInch(inch), FObjects(objects) {}

    // Parameters as stored (last to first, as the records keep them).
    WmfWriter& Rec(uint16_t fn, std::initializer_list<int16_t> params) {
        Bytes b;
        for (int16_t p : params)
            b.I16(p);
        return RecBytes(fn, b.D);
    }
    WmfWriter& RecBytes(uint16_t fn, std::vector<uint8_t> params) {
        if (params.size() % 2)
            params.push_back(0);
        Bytes r;
        r.U32(uint32_t(3 + params.size() / 2)).U16(fn).Raw(params);
        FMax = std::max<uint32_t>(FMax, uint32_t(r.Size() / 2));
        FRecords.Raw(r.D);
        return *this;
    }
    // Convenience records, arguments in reading order.
    WmfWriter& Rectangle(int l, int t, int r, int b) { return Rec(0x041B, {I(b), I(r), I(t), I(l)}); }
    WmfWriter& Ellipse(int l, int t, int r, int b) { return Rec(0x0418, {I(b), I(r), I(t), I(l)}); }
    WmfWriter& WindowOrg(int x, int y) { return Rec(0x020B, {I(y), I(x)}); }
    WmfWriter& WindowExt(int x, int y) { return Rec(0x020C, {I(y), I(x)}); }
    WmfWriter& Select(int index) { return Rec(0x012D, {I(index)}); }
    WmfWriter& Delete(int index) { return Rec(0x01F0, {I(index)}); }
    WmfWriter& Pen(uint16_t style, int width, uint32_t color) {
        Bytes b;
        b.U16(style).I16(I(width)).I16(0).U32(color);
        return RecBytes(0x02FA, b.D);
    }
    WmfWriter& Brush(uint16_t style, uint32_t color, uint16_t hatch = 0) {
        Bytes b;
        b.U16(style).U32(color).U16(hatch);
        return RecBytes(0x02FC, b.D);
    }

    std::vector<uint8_t> Take() {
        Bytes out;
        if (FPlaceable) {
            Bytes p;
            p.U32(0x9AC6CDD7).U16(0).I16(FBox[0]).I16(FBox[1]).I16(FBox[2]).I16(FBox[3]).U16(FInch).U32(0);
            uint16_t sum = 0;
            for (size_t i = 0; i < 20; i += 2)
                sum ^= uint16_t(p.D[i] | p.D[i + 1] << 8);
            p.U16(sum);
            out.Raw(p.D);
        }
        Bytes records = FRecords;
        records.U32(3).U16(0); // end of file
        out.U16(1).U16(9).U16(0x300).U32(uint32_t((18 + records.Size()) / 2)).U16(FObjects).U32(FMax).U16(0);
        out.Raw(records.D);
        return out.D;
    }

private:
    static int16_t I(int v) { return int16_t(v); }
    bool FPlaceable;
    int16_t FBox[4];
    uint16_t FInch;
    uint16_t FObjects;
    uint32_t FMax = 3;
    Bytes FRecords;
};

class EmfWriter {
public:
    // bounds in pixels, frame in hundredths of a millimetre, the reference device in pixels and millimetres.
    EmfWriter(int32_t frameL, int32_t frameT, int32_t frameR, int32_t frameB, int32_t devW = 1000,
              int32_t devH = 1000, int32_t mmW = 100, int32_t mmH = 100, uint16_t handles = 16)
        : FFrame{frameL, frameT, frameR, frameB}, FDev{devW, devH}, FMM{mmW, mmH}, FHandles(handles) {}

    // Fields after the type and size; offsets inside a record count from its start (8 bytes before these).
    EmfWriter& Rec(uint32_t type, Bytes fields) {
        fields.Pad(4);
        Bytes r;
        r.U32(type).U32(uint32_t(8 + fields.Size())).Raw(fields.D);
        FRecords.Raw(r.D);
        ++FCount;
        return *this;
    }
    EmfWriter& Ints(uint32_t type, std::initializer_list<int32_t> v) {
        Bytes b;
        for (int32_t x : v)
            b.I32(x);
        return Rec(type, b);
    }
    EmfWriter& Rectangle(int l, int t, int r, int b) { return Ints(43, {l, t, r, b}); }
    EmfWriter& Ellipse(int l, int t, int r, int b) { return Ints(42, {l, t, r, b}); }
    EmfWriter& Select(uint32_t index) { return Ints(37, {int32_t(index)}); }
    EmfWriter& Pen(uint32_t index, uint32_t style, int width, uint32_t color) {
        return Ints(38, {int32_t(index), int32_t(style), width, 0, int32_t(color)});
    }
    EmfWriter& Brush(uint32_t index, uint32_t style, uint32_t color, uint32_t hatch = 0) {
        return Ints(39, {int32_t(index), int32_t(style), int32_t(color), int32_t(hatch)});
    }
    EmfWriter& World(float m11, float m12, float m21, float m22, float dx, float dy) {
        Bytes b;
        b.F32(m11).F32(m12).F32(m21).F32(m22).F32(dx).F32(dy);
        return Rec(35, b);
    }
    // EXTTEXTOUTW at (x, y) with per-character advances (none when empty).
    EmfWriter& TextW(int x, int y, const std::u16string& text, const std::vector<int32_t>& dx = {},
                     uint32_t opts = 0) {
        Bytes b;
        b.I32(0).I32(0).I32(-1).I32(-1).U32(1).F32(1).F32(1); // bounds, graphics mode, scales
        uint32_t offString = 8 + 28 + 40, offDx = uint32_t(offString + ((text.size() * 2 + 3) & ~size_t(3)));
        b.I32(x).I32(y).U32(uint32_t(text.size())).U32(offString).U32(opts).I32(0).I32(0).I32(-1).I32(-1);
        b.U32(dx.empty() ? 0 : offDx);
        for (char16_t c : text)
            b.U16(c);
        b.Pad(4);
        for (int32_t d : dx)
            b.I32(d);
        return Rec(84, b);
    }
    // STRETCHDIBITS of a packed 32-bit DIB onto (x, y, w, h), the whole source.
    EmfWriter& StretchDib(int x, int y, int w, int h, int sw, int sh, const std::vector<uint8_t>& packed,
                          uint32_t rop = 0x00CC0020) {
        Bytes b;
        b.I32(0).I32(0).I32(-1).I32(-1).I32(x).I32(y).I32(0).I32(0).I32(sw).I32(sh);
        uint32_t offBmi = 8 + 72, offBits = offBmi + 40;
        b.U32(offBmi).U32(40).U32(offBits).U32(uint32_t(packed.size() - 40)).U32(0).U32(rop).I32(w).I32(h);
        b.Raw(packed);
        return Rec(81, b);
    }

    std::vector<uint8_t> Take() {
        Bytes records = FRecords;
        records.U32(14).U32(20).U32(0).U32(16).U32(20);
        Bytes h;
        h.U32(1).U32(88);
        h.I32(0).I32(0).I32(FDev[0]).I32(FDev[1]); // bounds (unused by playback)
        h.I32(FFrame[0]).I32(FFrame[1]).I32(FFrame[2]).I32(FFrame[3]);
        h.U32(0x464D4520).U32(0x10000).U32(uint32_t(88 + records.Size())).U32(FCount + 2);
        h.U16(FHandles).U16(0).U32(0).U32(0).U32(0);
        h.I32(FDev[0]).I32(FDev[1]).I32(FMM[0]).I32(FMM[1]);
        h.Raw(records.D);
        return h.D;
    }

private:
    int32_t FFrame[4];
    int32_t FDev[2];
    int32_t FMM[2];
    uint16_t FHandles;
    uint32_t FCount = 0;
    Bytes FRecords;
};

} // namespace metatest
