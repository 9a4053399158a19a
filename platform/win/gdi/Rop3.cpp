// Ternary raster operations over rows of pixel values: one generic path driven by the operation's truth
// table and fast paths for the common operations, which must give the same result.
#include "platform/win/gdi/GdiObjects.h"

namespace win::gdi {

uint8_t Rop2ToRop3(int rop2) {
    if (rop2 < R2_BLACK || rop2 > R2_WHITE)
        rop2 = R2_COPYPEN;
    unsigned table = unsigned(rop2 - 1); // bit (P << 1 | D)
    uint8_t rop = 0;
    for (int i = 0; i < 8; ++i) {
        unsigned pbit = (i >> 2) & 1, dbit = i & 1;
        if ((table >> (pbit * 2 + dbit)) & 1)
            rop |= uint8_t(1 << i);
    }
    return rop;
}

bool RopUsesSource(uint8_t rop) {
    return ((rop >> 2) & 0x33) != (rop & 0x33);
}
bool RopUsesPattern(uint8_t rop) {
    return ((rop >> 4) & 0x0F) != (rop & 0x0F);
}

void RopRowGeneric(uint8_t rop, const uint32_t* pat, const uint32_t* src, uint32_t* dst, int n,
                   uint32_t valueMask) {
    for (int i = 0; i < n; ++i) {
        uint32_t p = pat ? pat[i] : 0, s = src ? src[i] : 0, d = dst[i];
        uint32_t r = 0;
        // Each set bit of the index byte is one minterm of (P, S, D).
        for (int t = 0; t < 8; ++t) {
            if (!((rop >> t) & 1))
                continue;
            r |= ((t & 4) ? p : ~p) & ((t & 2) ? s : ~s) & ((t & 1) ? d : ~d);
        }
        dst[i] = (d & ~valueMask) | (r & valueMask);
    }
}

namespace {

template <class Op>
void Rop3Apply(const uint32_t* pat, const uint32_t* src, uint32_t* dst, int n, uint32_t m, Op op) {
    for (int i = 0; i < n; ++i) {
        uint32_t d = dst[i];
        dst[i] = (d & ~m) | (op(pat ? pat[i] : 0, src ? src[i] : 0, d) & m);
    }
}

} // namespace

void RopRow(uint8_t rop, const uint32_t* pat, const uint32_t* src, uint32_t* dst, int n, uint32_t m) {
    switch (rop) {
    case 0x00: // BLACKNESS
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t, uint32_t) { return 0u; });
    case 0xFF: // WHITENESS
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t, uint32_t) { return ~0u; });
    case 0xCC: // SRCCOPY
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t) { return s; });
    case 0x33: // NOTSRCCOPY
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t) { return ~s; });
    case 0x88: // SRCAND
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return s & d; });
    case 0xEE: // SRCPAINT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return s | d; });
    case 0x66: // SRCINVERT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return s ^ d; });
    case 0x44: // SRCERASE
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return s & ~d; });
    case 0x11: // NOTSRCERASE
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return ~(s | d); });
    case 0xC0: // MERGECOPY
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t p, uint32_t s, uint32_t) { return p & s; });
    case 0xBB: // MERGEPAINT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t s, uint32_t d) { return ~s | d; });
    case 0xF0: // PATCOPY
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t p, uint32_t, uint32_t) { return p; });
    case 0x0F: // NOT PATCOPY
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t p, uint32_t, uint32_t) { return ~p; });
    case 0x5A: // PATINVERT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t p, uint32_t, uint32_t d) { return p ^ d; });
    case 0xFB: // PATPAINT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t p, uint32_t s, uint32_t d) { return p | ~s | d; });
    case 0x55: // DSTINVERT
        return Rop3Apply(pat, src, dst, n, m, [](uint32_t, uint32_t, uint32_t d) { return ~d; });
    case 0xAA: // destination unchanged
        return;
    case 0xE2: // the pattern where the source is 1, the destination where it is 0
        return Rop3Apply(pat, src, dst, n, m,
                         [](uint32_t p, uint32_t s, uint32_t d) { return (p & s) | (d & ~s); });
    case 0xB8: // the destination where the source is 1, the pattern where it is 0
        return Rop3Apply(pat, src, dst, n, m,
                         [](uint32_t p, uint32_t s, uint32_t d) { return (d & s) | (p & ~s); });
    default:
        break;
    }
    // Any other operation, branch-free: split on the pattern bit into two functions of source and
    // destination, each a sum of the four minterms selected by all-ones masks.
    auto bit = [&](int i) { return ((rop >> i) & 1) ? ~0u : 0u; };
    const uint32_t p0[4] = {bit(0), bit(1), bit(2), bit(3)}, p1[4] = {bit(4), bit(5), bit(6), bit(7)};
    for (int i = 0; i < n; ++i) {
        uint32_t p = pat ? pat[i] : 0, s = src ? src[i] : 0, d = dst[i];
        uint32_t nsnd = ~s & ~d, nsd = ~s & d, snd = s & ~d, sd = s & d;
        uint32_t f0 = (nsnd & p0[0]) | (nsd & p0[1]) | (snd & p0[2]) | (sd & p0[3]);
        uint32_t f1 = (nsnd & p1[0]) | (nsd & p1[1]) | (snd & p1[2]) | (sd & p1[3]);
        uint32_t r = (p & f1) | (~p & f0);
        dst[i] = (d & ~m) | (r & m);
    }
}

} // namespace win::gdi
