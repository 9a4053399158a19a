// Random headers, coordinates and region data through the calls that take them from outside (clipboard
// DIBs, metafile records): every call must either work or refuse, never read or write out of bounds.
#include "GdiTestUtil.h"

#include <gtest/gtest.h>

#include <random>

using namespace win;
using namespace gditest;

TEST(GdiRobustness, RandomDibHeadersAndCoordinates) {
    std::mt19937 rng(7);
    auto pick = [&](std::initializer_list<int64_t> values) {
        auto it = values.begin();
        std::advance(it, rng() % values.size());
        return *it;
    };
    DibDC dst(16, 16, 32), dst8(16, 16, 8), mono(CreateBitmap(16, 16, 1, 1, nullptr));
    for (int round = 0; round < 3000; ++round) {
        // Room for the largest header the calls accept and a full colour table after it.
        struct {
            BITMAPINFOHEADER h;
            uint8_t rest[sizeof(BITMAPV5HEADER) - sizeof(BITMAPINFOHEADER) + 1024];
        } info{};
        info.h.biSize = DWORD(pick({40, 40, 40, 108, 124, 12, 0, 2000}));
        info.h.biWidth = LONG(pick({1, 3, 16, 17, 0, -1, 100000, INT32_MAX, INT32_MIN}));
        info.h.biHeight = LONG(pick({1, 5, -5, 16, 0, INT32_MIN, INT32_MAX, -100000}));
        info.h.biPlanes = WORD(pick({1, 1, 0, 2}));
        info.h.biBitCount = WORD(pick({1, 4, 8, 16, 24, 32, 0, 2, 64}));
        info.h.biCompression = DWORD(pick({BI_RGB, BI_RGB, BI_BITFIELDS, BI_RLE8, 77}));
        info.h.biClrUsed = DWORD(pick({0, 1, 2, 256, 257, 0xFFFFFFFF}));
        for (auto& t : info.rest)
            t = uint8_t(rng());
        int64_t stride = DibStride(info.h.biWidth, info.h.biBitCount);
        int64_t rows = std::llabs(int64_t(info.h.biHeight));
        std::vector<uint8_t> bits;
        if (stride > 0 && stride * rows <= (1 << 20))
            bits.resize(size_t(stride * rows) + 1);
        else
            bits.resize(16);
        for (auto& b : bits)
            b = uint8_t(rng());
        // Only headers that describe the buffer reach the calls that read pixels.
        bool fits = stride > 0 && stride * rows < int64_t(bits.size());
        auto* bi = reinterpret_cast<BITMAPINFO*>(&info);
        void* out = nullptr;
        HBITMAP b = CreateDIBSection(nullptr, bi, DIB_RGB_COLORS, &out, nullptr, 0);
        if (b)
            DeleteObject(b);
        int c = int(pick({0, 1, -1, 7, 16, -100000, INT32_MAX, INT32_MIN}));
        int d = int(pick({0, 2, -3, 16, 100000, INT32_MIN}));
        if (fits) {
            for (HDC target : {dst.Dc, dst8.Dc, mono.Dc}) {
                StretchDIBits(target, c, d, d, c, d, c, c, d, bits.data(), bi, DIB_RGB_COLORS, SRCCOPY);
                StretchDIBits(target, 0, 0, 16, 16, c, d, 5, 5, bits.data(), bi, DIB_RGB_COLORS, SRCINVERT);
                SetDIBitsToDevice(target, c, d, DWORD(std::abs(int64_t(d)) & 0xFFFF), 4, c, d,
                                  UINT(round % 3), UINT(rows), bits.data(), bi, DIB_RGB_COLORS);
            }
            SetDIBits(dst.Dc, dst.Bmp, UINT(round % 20), UINT(rows), bits.data(), bi, DIB_RGB_COLORS);
            GetDIBits(dst.Dc, dst.Bmp, UINT(round % 20), UINT(rows), bits.data(), bi, DIB_RGB_COLORS);
        }
    }
}

TEST(GdiRobustness, RandomRegionDataAndClipping) {
    std::mt19937 rng(11);
    DibDC dst(32, 32, 32);
    HBRUSH brush = CreateHatchBrush(HS_DIAGCROSS, RGB(1, 2, 3));
    for (int round = 0; round < 500; ++round) {
        size_t n = rng() % 40;
        std::vector<uint8_t> buf(sizeof(RGNDATAHEADER) + n * sizeof(RECT));
        auto* data = reinterpret_cast<RGNDATA*>(buf.data());
        data->rdh.dwSize = sizeof(RGNDATAHEADER);
        data->rdh.iType = RDH_RECTANGLES;
        data->rdh.nCount = DWORD(round % 7 == 0 ? n + 5 : n);
        auto* rects = reinterpret_cast<RECT*>(data->Buffer);
        for (size_t i = 0; i < n; ++i) {
            int x = int(rng() % 80) - 20, y = int(rng() % 80) - 20;
            rects[i] = RECT{x, y, x + int(rng() % 30) - 5, y + int(rng() % 30) - 5};
        }
        HRGN rgn = ExtCreateRegion(nullptr, DWORD(buf.size()), data);
        if (round % 7 == 0) {
            EXPECT_EQ(rgn, nullptr);
            continue;
        }
        ASSERT_NE(rgn, nullptr);
        // Each rectangle given is inside the region, and the region covers nothing else.
        for (size_t i = 0; i < n; ++i) {
            if (rects[i].Left < rects[i].Right && rects[i].Top < rects[i].Bottom) {
                EXPECT_TRUE(PtInRegion(rgn, rects[i].Left, rects[i].Top));
            }
        }
        RECT box{};
        GetRgnBox(rgn, &box);
        for (int k = 0; k < 20; ++k) {
            int x = int(rng() % 100) - 30, y = int(rng() % 100) - 30;
            bool inAny = false;
            for (size_t i = 0; i < n; ++i)
                inAny |= x >= rects[i].Left && x < rects[i].Right && y >= rects[i].Top && y < rects[i].Bottom;
            EXPECT_EQ(PtInRegion(rgn, x, y) != 0, inAny);
        }
        int mode = RGN_AND + int(rng() % 5);
        ExtSelectClipRgn(dst.Dc, rgn, mode);
        RECT all{-100, -100, 100, 100};
        FillRect(dst.Dc, &all, brush);
        FrameRgn(dst.Dc, rgn, brush, 1 + int(rng() % 3), 1 + int(rng() % 3));
        if (round % 10 == 0)
            SelectClipRgn(dst.Dc, nullptr);
        DeleteObject(rgn);
    }
    DeleteObject(brush);
}
