// Image lists: equally sized images with masks, drawn normally, transparently, as masks or blended.
#include "platform/win/user/controls/ControlSupport.h"

#include <algorithm>
#include <vector>

namespace win {

struct IMAGELIST_ {
    int Cx = 16;
    int Cy = 16;
    UINT Flags = 0;
    COLORREF Bk = CLR_NONE;
    std::vector<std::vector<COLORREF>> Colors;
    std::vector<std::vector<BYTE>> Masks; // 1 = transparent
};

namespace {

// Image lists live until destroyed; handles are checked against the live set.
std::vector<HIMAGELIST>& ImageLists() {
    static std::vector<HIMAGELIST> lists;
    return lists;
}

HIMAGELIST ImageListValid(HIMAGELIST list) {
    auto& all = ImageLists();
    return std::find(all.begin(), all.end(), list) != all.end() ? list : nullptr;
}

struct ImageListDrag {
    HIMAGELIST List = nullptr;
    int Index = -1;
    bool Entered = false;
    bool Shown = false;
    TPoint Pos;
};
ImageListDrag& ImageListDragState() {
    static ImageListDrag drag;
    return drag;
}

// Reads the pixels of a bitmap; false when it is no bitmap.
bool ImageListReadBitmap(HBITMAP bmp, int* width, int* height, std::vector<COLORREF>* pixels) {
    BITMAP bm{};
    if (!bmp || !GetObject(bmp, sizeof(bm), &bm) || bm.bmWidth <= 0 || bm.bmHeight <= 0)
        return false;
    *width = int(bm.bmWidth);
    *height = int(bm.bmHeight);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bmp);
    pixels->resize(size_t(*width) * size_t(*height));
    for (int y = 0; y < *height; ++y)
        for (int x = 0; x < *width; ++x)
            (*pixels)[size_t(y) * size_t(*width) + size_t(x)] = GetPixel(dc, x, y) & 0xFFFFFF;
    SelectObject(dc, old);
    DeleteDC(dc);
    return true;
}

// Cuts a strip into images; keyed says which pixels are transparent.
template <class Keyed>
int ImageListAddStrip(HIMAGELIST list, const std::vector<COLORREF>& pixels, int width, int height,
                      Keyed keyed, int replaceAt = -1) {
    int count = std::max(1, width / list->Cx);
    int first = replaceAt >= 0 ? replaceAt : int(list->Colors.size());
    for (int n = 0; n < count; ++n) {
        std::vector<COLORREF> colors(size_t(list->Cx) * size_t(list->Cy), 0);
        std::vector<BYTE> mask(colors.size(), 1);
        for (int y = 0; y < std::min(height, list->Cy); ++y)
            for (int x = 0; x < list->Cx; ++x) {
                int sx = n * list->Cx + x;
                if (sx >= width)
                    continue;
                size_t si = size_t(y) * size_t(width) + size_t(sx);
                size_t di = size_t(y) * size_t(list->Cx) + size_t(x);
                bool transparent = keyed(si);
                mask[di] = transparent ? 1 : 0;
                colors[di] = transparent ? 0 : pixels[si];
            }
        if (replaceAt >= 0) {
            list->Colors[size_t(replaceAt)] = std::move(colors);
            list->Masks[size_t(replaceAt)] = std::move(mask);
            return replaceAt;
        }
        list->Colors.push_back(std::move(colors));
        list->Masks.push_back(std::move(mask));
    }
    return first;
}

COLORREF ImageListBlend(COLORREF a, COLORREF b, int percentB) {
    auto mix = [&](int shift) {
        int ca = int((a >> shift) & 0xFF), cb = int((b >> shift) & 0xFF);
        return COLORREF((ca * (100 - percentB) + cb * percentB) / 100) << shift;
    };
    return mix(0) | mix(8) | mix(16);
}

} // namespace

HIMAGELIST ImageList_Create(int cx, int cy, UINT flags, int, int) {
    if (cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096)
        return nullptr;
    auto* list = new IMAGELIST_;
    list->Cx = cx;
    list->Cy = cy;
    list->Flags = flags;
    ImageLists().push_back(list);
    return list;
}

BOOL ImageList_Destroy(HIMAGELIST list) {
    if (!ImageListValid(list))
        return FALSE;
    auto& all = ImageLists();
    all.erase(std::find(all.begin(), all.end(), list));
    if (ImageListDragState().List == list)
        ImageListDragState() = ImageListDrag();
    delete list;
    return TRUE;
}

int ImageList_GetImageCount(HIMAGELIST list) {
    return ImageListValid(list) ? int(list->Colors.size()) : 0;
}

BOOL ImageList_SetImageCount(HIMAGELIST list, UINT count) {
    if (!ImageListValid(list))
        return FALSE;
    size_t n = size_t(list->Cx) * size_t(list->Cy);
    list->Colors.resize(count, std::vector<COLORREF>(n, 0));
    list->Masks.resize(count, std::vector<BYTE>(n, 1));
    return TRUE;
}

BOOL ImageList_GetIconSize(HIMAGELIST list, int* cx, int* cy) {
    if (!ImageListValid(list))
        return FALSE;
    if (cx)
        *cx = list->Cx;
    if (cy)
        *cy = list->Cy;
    return TRUE;
}

BOOL ImageList_SetIconSize(HIMAGELIST list, int cx, int cy) {
    if (!ImageListValid(list) || cx <= 0 || cy <= 0 || cx > 4096 || cy > 4096)
        return FALSE;
    list->Cx = cx;
    list->Cy = cy;
    list->Colors.clear();
    list->Masks.clear();
    return TRUE;
}

COLORREF ImageList_SetBkColor(HIMAGELIST list, COLORREF color) {
    if (!ImageListValid(list))
        return CLR_NONE;
    COLORREF old = list->Bk;
    list->Bk = color;
    return old;
}

COLORREF ImageList_GetBkColor(HIMAGELIST list) {
    return ImageListValid(list) ? list->Bk : CLR_NONE;
}

int ImageList_Add(HIMAGELIST list, HBITMAP image, HBITMAP mask) {
    int w = 0, h = 0;
    std::vector<COLORREF> pixels;
    if (!ImageListValid(list) || !ImageListReadBitmap(image, &w, &h, &pixels))
        return -1;
    int mw = 0, mh = 0;
    std::vector<COLORREF> maskPixels;
    bool hasMask = mask && ImageListReadBitmap(mask, &mw, &mh, &maskPixels) && mw == w && mh == h;
    return ImageListAddStrip(list, pixels, w, h, [&](size_t i) { return hasMask && maskPixels[i] != 0; });
}

int ImageList_AddMasked(HIMAGELIST list, HBITMAP image, COLORREF maskColor) {
    int w = 0, h = 0;
    std::vector<COLORREF> pixels;
    if (!ImageListValid(list) || !ImageListReadBitmap(image, &w, &h, &pixels))
        return -1;
    maskColor &= 0xFFFFFF;
    return ImageListAddStrip(list, pixels, w, h, [&](size_t i) { return pixels[i] == maskColor; });
}

BOOL ImageList_Replace(HIMAGELIST list, int index, HBITMAP image, HBITMAP mask) {
    if (!ImageListValid(list) || index < 0 || index >= int(list->Colors.size()))
        return FALSE;
    int w = 0, h = 0;
    std::vector<COLORREF> pixels;
    if (!ImageListReadBitmap(image, &w, &h, &pixels))
        return FALSE;
    int mw = 0, mh = 0;
    std::vector<COLORREF> maskPixels;
    bool hasMask = mask && ImageListReadBitmap(mask, &mw, &mh, &maskPixels) && mw == w && mh == h;
    ImageListAddStrip(
        list, pixels, w, h, [&](size_t i) { return hasMask && maskPixels[i] != 0; }, index);
    return TRUE;
}

BOOL ImageList_Remove(HIMAGELIST list, int index) {
    if (!ImageListValid(list))
        return FALSE;
    if (index == -1) {
        list->Colors.clear();
        list->Masks.clear();
        return TRUE;
    }
    if (index < 0 || index >= int(list->Colors.size()))
        return FALSE;
    list->Colors.erase(list->Colors.begin() + index);
    list->Masks.erase(list->Masks.begin() + index);
    return TRUE;
}

BOOL ImageList_Copy(HIMAGELIST dst, int dstIndex, HIMAGELIST src, int srcIndex, UINT) {
    if (!ImageListValid(dst) || !ImageListValid(src) || srcIndex < 0 || srcIndex >= int(src->Colors.size()) ||
        dstIndex < 0 || dstIndex >= int(dst->Colors.size()) || dst->Cx != src->Cx || dst->Cy != src->Cy)
        return FALSE;
    dst->Colors[size_t(dstIndex)] = src->Colors[size_t(srcIndex)];
    dst->Masks[size_t(dstIndex)] = src->Masks[size_t(srcIndex)];
    return TRUE;
}

BOOL ImageList_DrawEx(HIMAGELIST list, int index, HDC dc, int x, int y, int dx, int dy, COLORREF back,
                      COLORREF fore, UINT style) {
    if (!ImageListValid(list) || index < 0 || index >= int(list->Colors.size()) || !dc)
        return FALSE;
    const auto& colors = list->Colors[size_t(index)];
    const auto& mask = list->Masks[size_t(index)];
    int w = dx > 0 ? std::min(dx, list->Cx) : list->Cx;
    int h = dy > 0 ? std::min(dy, list->Cy) : list->Cy;
    if (back == CLR_DEFAULT)
        back = list->Bk;
    if (style & ILD_TRANSPARENT)
        back = CLR_NONE;
    if (fore == CLR_DEFAULT || fore == CLR_NONE)
        fore = GetSysColor(COLOR_HIGHLIGHT);
    int blend = (style & ILD_BLEND50) ? 50 : (style & ILD_BLEND25) ? 25 : 0;
    for (int py = 0; py < h; ++py)
        for (int px = 0; px < w; ++px) {
            size_t i = size_t(py) * size_t(list->Cx) + size_t(px);
            bool transparent = (list->Flags & ILC_MASK) ? mask[i] != 0 : false;
            if (style & ILD_MASK) {
                SetPixelV(dc, x + px, y + py, transparent ? 0xFFFFFF : 0);
                continue;
            }
            COLORREF c;
            if (transparent) {
                if (back == CLR_NONE)
                    continue;
                c = back & 0xFFFFFF;
            } else {
                c = colors[i];
                if (blend)
                    c = ImageListBlend(c, fore & 0xFFFFFF, blend);
            }
            SetPixelV(dc, x + px, y + py, c);
        }
    return TRUE;
}

BOOL ImageList_Draw(HIMAGELIST list, int index, HDC dc, int x, int y, UINT style) {
    return ImageList_DrawEx(list, index, dc, x, y, 0, 0, CLR_DEFAULT, CLR_DEFAULT, style);
}

BOOL ImageList_GetPixels(HIMAGELIST list, int index, COLORREF* colors, BYTE* transparent) {
    if (!ImageListValid(list) || index < 0 || index >= int(list->Colors.size()))
        return FALSE;
    size_t n = size_t(list->Cx) * size_t(list->Cy);
    for (size_t i = 0; i < n; ++i) {
        bool t = (list->Flags & ILC_MASK) && list->Masks[size_t(index)][i];
        if (colors)
            colors[i] = list->Colors[size_t(index)][i];
        if (transparent)
            transparent[i] = t ? 1 : 0;
    }
    return TRUE;
}

BOOL ImageList_BeginDrag(HIMAGELIST list, int index, int, int) {
    if (!ImageListValid(list) || index < 0 || index >= int(list->Colors.size()))
        return FALSE;
    ImageListDragState() = ImageListDrag{list, index, false, false, {}};
    return TRUE;
}

void ImageList_EndDrag() {
    ImageListDragState() = ImageListDrag();
}

BOOL ImageList_DragEnter(HWND, int x, int y) {
    ImageListDrag& d = ImageListDragState();
    if (!d.List)
        return FALSE;
    d.Entered = d.Shown = true;
    d.Pos = {x, y};
    return TRUE;
}

BOOL ImageList_DragLeave(HWND) {
    ImageListDrag& d = ImageListDragState();
    d.Entered = d.Shown = false;
    return TRUE;
}

BOOL ImageList_DragMove(int x, int y) {
    ImageListDrag& d = ImageListDragState();
    if (!d.List)
        return FALSE;
    d.Pos = {x, y};
    return TRUE;
}

BOOL ImageList_DragShowNolock(BOOL show) {
    ImageListDrag& d = ImageListDragState();
    if (!d.Entered)
        return FALSE;
    d.Shown = show != 0;
    return TRUE;
}

BOOL ImageList_SetDragCursorImage(HIMAGELIST list, int index, int, int) {
    return ImageListValid(list) && index >= 0 && index < int(list->Colors.size());
}

HIMAGELIST ImageList_GetDragImage(TPoint* pos, TPoint* hotspot) {
    if (pos)
        *pos = ImageListDragState().Pos;
    if (hotspot)
        *hotspot = {0, 0};
    return nullptr;
}

bool ImageList_DragShowing() {
    return ImageListDragState().Shown;
}

} // namespace win
