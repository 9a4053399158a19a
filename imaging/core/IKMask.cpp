#include "imaging/core/IKMask.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Exceptions.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace imaging {

namespace {

// floor(a / b) for b > 0.
int64_t MaskFloorDiv(__int128 a, __int128 b) {
    __int128 q = a / b;
    if (a % b != 0 && a < 0)
        --q;
    return int64_t(std::clamp<__int128>(q, INT64_MIN / 4, INT64_MAX / 4));
}

int64_t MaskCeilDiv(__int128 a, __int128 b) {
    return -MaskFloorDiv(-a, b);
}

int32_t MaskClampInt(int64_t v) {
    return int32_t(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// One polygon edge from its upper end (x0, y0) to its lower end; dy > 0.
struct MaskEdge {
    int64_t X0, Y0, Y1, DX, DY;
    // x on scan line y: the exact edge rounded to the nearest pixel, halves toward the edge's start.
    int64_t XAt(int64_t y) const {
        __int128 k2dx = __int128(2) * (y - Y0) * DX;
        return X0 + (DX > 0 ? MaskCeilDiv(k2dx - DY, 2 * __int128(DY))
                            : MaskFloorDiv(k2dx + DY, 2 * __int128(DY)));
    }
};

} // namespace

size_t TIKMask::RowOffset(int32_t y) const {
    if (y < 0 || y >= FHeight)
        throw vcl::ERangeError("Scan line index out of range");
    return size_t(FHeight - 1 - y) * size_t(FRowLength);
}

void TIKMask::Allocate(int32_t width, int32_t height, int32_t bits) {
    width = std::max(width, 0);
    height = std::max(height, 0);
    bits = bits == 1 ? 1 : 8;
    const int64_t rowLength = IKRowLength(width, bits);
    if (rowLength > IKMaxRowLength)
        throw vcl::EOutOfMemory("Mask too large");
    std::vector<uint8_t> data;
    try {
        data.assign(size_t(rowLength) * size_t(height), 0);
    } catch (const std::bad_alloc&) {
        throw vcl::EOutOfMemory("Out of memory");
    }
    FData.swap(data);
    FWidth = width;
    FHeight = height;
    FBitsPerPixel = bits;
    FRowLength = int32_t(rowLength);
    EmptyBox();
    FFull = false;
}

void TIKMask::FreeBits() {
    FData.clear();
    FData.shrink_to_fit();
    FWidth = FHeight = FBitsPerPixel = FRowLength = 0;
}

void TIKMask::Assign(const TIKMask* source) {
    if (!source || source == this)
        return;
    FData = source->FData;
    FWidth = source->FWidth;
    FHeight = source->FHeight;
    FBitsPerPixel = source->FBitsPerPixel;
    FRowLength = source->FRowLength;
    SetBox(source->FX1, source->FY1, source->FX2, source->FY2);
    FFull = source->FFull;
}

void TIKMask::SetBox(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    FX1 = x1;
    FY1 = y1;
    FX2 = x2;
    FY2 = y2;
}

void TIKMask::ClampBox() {
    FX1 = std::clamp(FX1, 0, std::max(FWidth - 1, 0));
    FY1 = std::clamp(FY1, 0, std::max(FHeight - 1, 0));
    FX2 = std::clamp(FX2, 0, std::max(FWidth - 1, 0));
    FY2 = std::clamp(FY2, 0, std::max(FHeight - 1, 0));
}

int32_t TIKMask::GetPixel(int32_t x, int32_t y) const {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return 0;
    const uint8_t* row = ScanLine(y);
    return FBitsPerPixel == 1 ? IKTestBit(row, x) : row[x];
}

bool TIKMask::Bit(int32_t x, int32_t y) const {
    return GetPixel(x, y) != 0;
}

void TIKMask::SetPixel(int32_t x, int32_t y, int32_t value) {
    if (x < 0 || y < 0 || x >= FWidth || y >= FHeight)
        return;
    if (value != 0) {
        FX1 = std::min(FX1, x);
        FY1 = std::min(FY1, y);
        FX2 = std::max(FX2, x);
        FY2 = std::max(FY2, y);
        ClampBox();
    }
    uint8_t* row = ScanLine(y);
    if (FBitsPerPixel == 1) {
        if (value == 0)
            FFull = false;
        IKPutBit(row, x, value != 0);
    } else {
        if (uint8_t(value) != 255)
            FFull = false;
        row[x] = uint8_t(value);
    }
}

void TIKMask::Fill(int32_t value) {
    std::fill(FData.begin(), FData.end(), uint8_t(value));
    FFull = uint8_t(value) == 255;
}

void TIKMask::Empty() {
    Fill(0);
    EmptyBox();
}

int32_t TIKMask::FillSpan(int32_t value, int32_t x1, int32_t y, int32_t x2) {
    if (y < 0 || y >= FHeight)
        return 0;
    x1 = std::max(x1, 0);
    x2 = std::min(x2, FWidth - 1);
    if (x2 < x1)
        return 0;
    uint8_t* row = ScanLine(y);
    if (FBitsPerPixel == 1) {
        if (value == 0)
            FFull = false;
        for (int32_t x = x1; x <= x2; ++x)
            IKPutBit(row, x, value != 0);
    } else {
        if (uint8_t(value) != 255)
            FFull = false;
        std::memset(row + x1, uint8_t(value), size_t(x2 - x1 + 1));
    }
    return x2 - x1 + 1;
}

void TIKMask::FillPolygons(int32_t value, const win::TPoint* points, int32_t count) {
    if (!points || count <= 0)
        return;
    int32_t start = 0;
    for (int32_t i = 0; i <= count; ++i)
        if (i == count || points[i].X == IKPolygonSeparator) {
            FillPolygon(value, points + start, i - start);
            start = i + 1;
        }
}

void TIKMask::FillPolygon(int32_t value, const win::TPoint* points, int32_t count) {
    if (!points || count <= 0)
        return;
    const int32_t saved[4] = {FX1, FY1, FX2, FY2};
    if (value != 0)
        for (int32_t i = 0; i < count; ++i) {
            FX1 = std::min(FX1, points[i].X);
            FY1 = std::min(FY1, points[i].Y);
            FX2 = MaskClampInt(std::max<int64_t>(FX2, int64_t(points[i].X) - 1));
            FY2 = MaskClampInt(std::max<int64_t>(FY2, int64_t(points[i].Y) - 1));
        }
    FX1 = std::max(FX1, 0);
    FY1 = std::max(FY1, 0);
    FX2 = std::min(FX2, FWidth - 1);
    FY2 = std::min(FY2, FHeight - 1);

    std::vector<MaskEdge> edges;
    int64_t minY = INT64_MAX, maxY = INT64_MIN;
    for (int32_t i = 0; i < count; ++i) {
        const win::TPoint& a = points[i];
        const win::TPoint& b = points[(i + 1) % count];
        minY = std::min<int64_t>(minY, a.Y);
        maxY = std::max<int64_t>(maxY, a.Y);
        if (a.Y == b.Y)
            continue;
        const win::TPoint& top = a.Y < b.Y ? a : b;
        const win::TPoint& bottom = a.Y < b.Y ? b : a;
        edges.push_back({top.X, top.Y, bottom.Y, int64_t(bottom.X) - top.X, int64_t(bottom.Y) - top.Y});
    }
    std::sort(edges.begin(), edges.end(), [](const MaskEdge& l, const MaskEdge& r) { return l.Y0 < r.Y0; });

    // Only the mask's rows are scanned; each row's crossings are sorted, so self-intersecting outlines fill
    // by the even-odd rule too.
    int64_t written = 0;
    const int64_t first = std::max<int64_t>(minY, 0), last = std::min<int64_t>(maxY - 1, FHeight - 1);
    std::vector<const MaskEdge*> active;
    std::vector<int64_t> xs;
    size_t next = 0;
    for (int64_t y = first; y <= last; ++y) {
        while (next < edges.size() && edges[next].Y0 <= y)
            active.push_back(&edges[next++]);
        std::erase_if(active, [y](const MaskEdge* e) { return e->Y1 <= y; });
        xs.clear();
        for (const MaskEdge* e : active)
            xs.push_back(e->XAt(y));
        std::sort(xs.begin(), xs.end());
        for (size_t i = 0; i + 1 < xs.size(); i += 2) {
            int64_t l = std::max<int64_t>(xs[i], 0), r = std::min<int64_t>(xs[i + 1] - 1, FWidth - 1);
            if (r >= l)
                written += FillSpan(value, int32_t(l), int32_t(y), int32_t(r));
        }
    }
    // A fill that writes nothing leaves the selection's box as it was.
    if (written == 0)
        SetBox(saved[0], saved[1], saved[2], saved[3]);
}

void TIKMask::Translate(int32_t& dx, int32_t& dy, bool clip) {
    if (IsEmpty() || FData.empty())
        return;
    ClampBox();
    int64_t x1 = FX1, y1 = FY1, x2 = FX2, y2 = FY2, mx = dx, my = dy;
    if (clip) {
        x1 = std::max(x1, -mx);
        x2 = std::min(x2, FWidth - 1 - mx);
        y1 = std::max(y1, -my);
        y2 = std::min(y2, FHeight - 1 - my);
    } else {
        if (x1 + mx < 0)
            mx = -x1;
        if (x2 + mx >= FWidth)
            mx = FWidth - 1 - x2;
        if (y1 + my < 0)
            my = -y1;
        if (y2 + my >= FHeight)
            my = FHeight - 1 - y2;
        dx = int32_t(mx);
        dy = int32_t(my);
    }
    if (mx == 0 && my == 0)
        return;
    // Take the box out, clear its old place, and put what stays inside back at its new place.
    const int32_t bx1 = FX1, by1 = FY1, bx2 = FX2, by2 = FY2;
    if (bx2 < bx1 || by2 < by1)
        return;
    TIKMask content;
    content.Allocate(bx2 - bx1 + 1, by2 - by1 + 1, FBitsPerPixel);
    for (int32_t y = by1; y <= by2; ++y) {
        if (FBitsPerPixel == 1) {
            IKCopyBitRange(content.ScanLine(y - by1), ScanLine(y), 0, bx1, bx2 - bx1 + 1, FRowLength);
            for (int32_t x = bx1; x <= bx2; ++x)
                IKPutBit(ScanLine(y), x, false);
        } else {
            std::memcpy(content.ScanLine(y - by1), ScanLine(y) + bx1, size_t(bx2 - bx1 + 1));
            std::memset(ScanLine(y) + bx1, 0, size_t(bx2 - bx1 + 1));
        }
    }
    if (x1 <= x2 && y1 <= y2) {
        for (int64_t y = y1; y <= y2; ++y) {
            const uint8_t* from = content.ScanLine(int32_t(y - by1));
            uint8_t* to = ScanLine(int32_t(y + my));
            if (FBitsPerPixel == 1)
                IKCopyBitRange(to, from, int32_t(x1 + mx), int32_t(x1 - bx1), int32_t(x2 - x1 + 1),
                               content.FRowLength);
            else
                std::memcpy(to + x1 + mx, from + (x1 - bx1), size_t(x2 - x1 + 1));
        }
        SetBox(int32_t(x1 + mx), int32_t(y1 + my), int32_t(x2 + mx), int32_t(y2 + my));
        ClampBox();
    } else {
        EmptyBox();
    }
}

void TIKMask::CopyWithMask(TIKBitmap* dest, TIKBitmap* source, bool destAtBox, bool sourceAtBox) {
    if (!dest || !source || IsEmpty() || FX2 < FX1 || FY2 < FY1 || FData.empty())
        return;
    const TIKBitmapFormat df = dest->PixelFormat(), sf = source->PixelFormat();
    const bool color = df == ikbf24Bit && sf == ikbf24Bit, bits = df == ikbf1Bit && sf == ikbf1Bit;
    if (!color && !bits)
        return;
    const int32_t sox = sourceAtBox ? FX1 : 0, soy = sourceAtBox ? FY1 : 0;
    const int32_t dox = destAtBox ? FX1 : 0, doy = destAtBox ? FY1 : 0;
    // The source row goes through a buffer: a mapped bitmap hands out one row at a time, and source and
    // destination may be one bitmap.
    std::vector<uint8_t> srcRow(size_t(std::max(source->RowLength(), 0)));
    for (int32_t y = FY1; y <= std::min(FY2, FHeight - 1); ++y) {
        const int32_t sy = y - soy, dy = y - doy;
        if (sy < 0 || sy >= source->Height() || dy < 0 || dy >= dest->Height() || srcRow.empty())
            continue;
        std::memcpy(srcRow.data(), source->ScanLine(sy), srcRow.size());
        uint8_t* d = dest->ScanLine(dy);
        const uint8_t* m = ScanLine(y);
        for (int32_t x = FX1; x <= std::min(FX2, FWidth - 1); ++x) {
            const int32_t sx = x - sox, dx = x - dox;
            if (sx < 0 || sx >= source->Width() || dx < 0 || dx >= dest->Width())
                continue;
            const int32_t mv = FBitsPerPixel == 1 ? (IKTestBit(m, x) ? 255 : 0) : m[x];
            if (mv == 0)
                continue;
            if (bits) {
                IKPutBit(d, dx, IKTestBit(srcRow.data(), sx));
            } else if (FBitsPerPixel == 1) {
                std::memcpy(d + 3 * size_t(dx), srcRow.data() + 3 * size_t(sx), 3);
            } else {
                for (int c = 0; c < 3; ++c) {
                    int32_t dv = d[3 * size_t(dx) + size_t(c)], sv = srcRow[3 * size_t(sx) + size_t(c)];
                    d[3 * size_t(dx) + size_t(c)] = uint8_t(dv + (((sv - dv) * mv) >> 8));
                }
            }
        }
    }
}

void TIKMask::ScaleToBuffer(uint8_t* buffer, int32_t destWidth, int32_t destHeight, int32_t srcX,
                            int32_t srcY, int32_t srcWidth, int32_t srcHeight) const {
    if (!buffer || destWidth <= 0 || destHeight <= 0)
        return;
    const int64_t rowLength = IKRowLength(destWidth, 1);
    std::memset(buffer, 0, size_t(rowLength) * size_t(destHeight));
    if (FBitsPerPixel != 1 || IsEmpty() || srcWidth <= 0 || srcHeight <= 0)
        return;
    const int64_t stepX = int64_t(double(srcWidth) / destWidth * 16384);
    const int64_t stepY = int64_t(double(srcHeight) / destHeight * 16384);
    const int64_t r0 = std::max<int64_t>(int64_t(double(FY1 - int64_t(srcY)) * destHeight / srcHeight), 0);
    const int64_t r1 = std::min<int64_t>(int64_t(double(destHeight) / srcHeight * (FY2 - int64_t(srcY) + 1)),
                                         destHeight - 1);
    const int64_t c0 = std::max<int64_t>(int64_t(double(FX1 - int64_t(srcX)) * destWidth / srcWidth), 0);
    const int64_t c1 =
        std::min<int64_t>(int64_t(double(destWidth) / srcWidth * (FX2 - int64_t(srcX) + 1)), destWidth - 1);
    for (int64_t r = r0; r <= r1; ++r) {
        const int64_t sy = srcY + ((stepY * r) >> 14);
        if (sy < 0 || sy >= FHeight)
            continue;
        const uint8_t* maskRow = ScanLine(int32_t(sy));
        uint8_t* out = buffer + size_t(destHeight - 1 - r) * size_t(rowLength);
        for (int64_t c = c0; c <= c1; ++c) {
            const int64_t sx = srcX + ((stepX * c) >> 14);
            if (sx >= 0 && sx < FWidth && IKTestBit(maskRow, int32_t(sx)))
                IKPutBit(out, int32_t(c), true);
        }
    }
}

void TIKMask::PrepareOutline(int32_t destWidth, int32_t destHeight, int32_t srcX, int32_t srcY,
                             int32_t srcWidth, int32_t srcHeight) {
    if (FOutlineWidth != destWidth || FOutlineHeight != destHeight) {
        FOutline.assign(size_t(IKRowLength(destWidth, 1)) * size_t(destHeight), 0);
        FOutlineWidth = destWidth;
        FOutlineHeight = destHeight;
    }
    ScaleToBuffer(FOutline.data(), destWidth, destHeight, srcX, srcY, srcWidth, srcHeight);
}

void TIKMask::TraceOutline(int32_t destX, int32_t destY, int32_t destWidth, int32_t destHeight, int32_t srcX,
                           int32_t srcY, int32_t srcWidth, int32_t srcHeight, uint8_t phase, int32_t colorB,
                           int32_t colorA,
                           const std::function<void(int32_t x, int32_t y, int32_t color)>& setPixel) {
    if (FBitsPerPixel != 1 || IsEmpty() || destWidth <= 0 || destHeight <= 0 || srcWidth <= 0 ||
        srcHeight <= 0)
        return;
    colorB = IKColorToRGB(colorB);
    colorA = IKColorToRGB(colorA);
    PrepareOutline(destWidth, destHeight, srcX, srcY, srcWidth, srcHeight);
    const int64_t stepX = int64_t(double(srcWidth) / destWidth * 16384);
    const int64_t stepY = int64_t(double(srcHeight) / destHeight * 16384);
    if (stepX <= 0 || stepY <= 0)
        return;
    const int64_t rowLength = IKRowLength(destWidth, 1);
    auto bit = [&](int64_t i, int64_t j) {
        return IKTestBit(FOutline.data() + size_t(destHeight - 1 - i) * size_t(rowLength), int32_t(j)) != 0;
    };
    const int64_t firstRow = std::max<int64_t>(((int64_t(FY1) - srcY) << 14) / stepY, 0);
    const int64_t lastRow = std::min<int64_t>(((int64_t(FY2) - srcY + 1) << 14) / stepY + 1, destHeight - 1);
    const int64_t firstCol = std::max<int64_t>(((int64_t(FX1) - srcX) << 14) / stepX, 0);
    const int64_t lastCol = std::min<int64_t>(((int64_t(FX2) - srcX + 1) << 14) / stepX + 1, destWidth - 1);
    for (int64_t i = firstRow; i <= lastRow; ++i)
        for (int64_t j = firstCol; j <= lastCol; ++j) {
            if (!bit(i, j))
                continue;
            const int64_t srcCol = srcX + ((stepX * j) >> 14), srcRow = srcY + stepY * i / 16384;
            bool border;
            if (j == 0)
                border = FX1 >= srcCol;
            else if (j == lastCol)
                border = srcCol >= FX2;
            else if (i == 0)
                border = FY1 >= srcRow;
            else if (i == lastRow)
                border = srcRow >= FY2;
            else {
                border = false;
                for (int64_t r : {std::max<int64_t>(i - 1, 0), i, std::min<int64_t>(i + 1, destHeight - 1)})
                    for (int64_t c = j - 1; c <= j + 1; ++c)
                        border = border || !bit(r, c);
            }
            if (border)
                setPixel(int32_t(destX + j), int32_t(destY + i),
                         ((j + destX + destY + phase + i) & 4) ? colorB : colorA);
        }
}

void TIKMask::DimOutside(const std::function<uint8_t*(int32_t y)>& row, int32_t bitmapWidth,
                         int32_t bitmapHeight, int32_t destX, int32_t destY, int32_t destWidth,
                         int32_t destHeight, int32_t srcX, int32_t srcY, int32_t srcWidth,
                         int32_t srcHeight) {
    if (FBitsPerPixel != 1 || IsEmpty() || destWidth < 1 || destHeight < 1 || srcWidth <= 0 || srcHeight <= 0)
        return;
    PrepareOutline(destWidth, destHeight, srcX, srcY, srcWidth, srcHeight);
    const int64_t stepX = int64_t(double(srcWidth) / destWidth * 16384);
    const int64_t stepY = int64_t(double(srcHeight) / destHeight * 16384);
    if (stepX <= 0 || stepY <= 0)
        return;
    const int64_t rowLength = IKRowLength(destWidth, 1);
    // The rows and columns of the view that show the mask and lie inside the bitmap.
    const int64_t firstRow = std::max<int64_t>({-int64_t(srcY) * 16384 / stepY, 0, -int64_t(destY)});
    const int64_t lastRow = std::min<int64_t>({((int64_t(FHeight) - srcY) << 14) / stepY + 1,
                                               int64_t(destHeight) - 1, int64_t(bitmapHeight) - 1 - destY});
    const int64_t firstCol = std::max<int64_t>({-int64_t(srcX) * 16384 / stepX, 0, -int64_t(destX)});
    const int64_t lastCol = std::min<int64_t>({((int64_t(FWidth) - srcX) << 14) / stepX + 1,
                                               int64_t(destWidth) - 1, int64_t(bitmapWidth) - 1 - destX});
    for (int64_t i = firstRow + (firstRow & 1); i <= lastRow; i += 2) {
        const int64_t y = destY + i;
        if (y < 0 || y >= bitmapHeight)
            continue;
        const uint8_t* buf = FOutline.data() + size_t(destHeight - 1 - i) * size_t(rowLength);
        uint8_t* pixels = row(int32_t(y));
        for (int64_t j = firstCol + (firstCol & 1); j <= lastCol; j += 2) {
            const int64_t x = destX + j;
            if (x >= 0 && x < bitmapWidth && !IKTestBit(buf, int32_t(j)))
                std::memset(pixels + 3 * x, 255, 3);
        }
    }
}

void TIKBitmap::AssignMask(const TIKMask* mask) {
    if (!mask) {
        Fill(255);
        return;
    }
    if (mask->GetBitsPerPixel() != 1 && mask->GetBitsPerPixel() != 8)
        return;
    Allocate(mask->GetWidth(), mask->GetHeight(), mask->GetBitsPerPixel() == 1 ? ikbf1Bit : ikbf8BitGray);
    const size_t bytes = size_t(std::min(FRowLength, mask->GetRowLength()));
    for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y)
        std::memcpy(ScanLine(y), mask->ScanLine(y), bytes);
    FFull = mask->GetFull();
}

void TIKBitmap::CopyToMask(TIKMask* mask) {
    if (!mask || (FPixelFormat != ikbf1Bit && FPixelFormat != ikbf8BitGray))
        return;
    mask->Allocate(FWidth, FHeight, FPixelFormat == ikbf1Bit ? 1 : 8);
    const size_t bytes = size_t(std::min(FRowLength, mask->GetRowLength()));
    for (int32_t y = 0; y < FHeight && FRowLength > 0; ++y)
        std::memcpy(mask->ScanLine(y), ScanLine(y), bytes);
    mask->SetFull(FFull);
}

} // namespace imaging
