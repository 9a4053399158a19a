// GDI object bookkeeping: live counts by kind, stock objects, deferred deletion, GetObject.
#include "platform/win/gdi/GdiObjects.h"

#include <array>
#include <atomic>
#include <cstring>
#include <mutex>
#include <unordered_set>

namespace win {

namespace {

std::array<std::atomic<int>, size_t(GdiKind::gkCount)> ObjectsLiveCounts{};

// Every live object, so that a stale or foreign handle is refused instead of followed.
struct ObjectsRegistry {
    std::mutex FLock;
    std::unordered_set<const GdiObject*> FLive;
};
ObjectsRegistry& ObjectsLive() {
    static ObjectsRegistry* registry = new ObjectsRegistry; // outlives static destructors
    return *registry;
}

HGDIOBJ ObjectsMakeStock(gdi::Object* obj) {
    gdi::MakeStock(obj);
    return obj;
}

HBRUSH ObjectsSolidStock(COLORREF c) {
    auto* b = new HBRUSH__;
    b->FColor = c;
    ObjectsMakeStock(b);
    return b;
}

HPEN ObjectsPenStock(UINT style, COLORREF c) {
    auto* p = new HPEN__;
    p->FStyle = style;
    p->FColor = c;
    ObjectsMakeStock(p);
    return p;
}

HFONT ObjectsFontStock(const char* face, LONG height, LONG weight, BYTE pitch) {
    auto* f = new HFONT__;
    f->FLog.lfHeight = height;
    f->FLog.lfWeight = weight;
    f->FLog.lfPitchAndFamily = pitch;
    std::strncpy(f->FLog.lfFaceName, face, LF_FACESIZE - 1);
    ObjectsMakeStock(f);
    return f;
}

struct ObjectsStockTable {
    std::array<HGDIOBJ, 18> FObjects{};
    ObjectsStockTable() {
        FObjects[WHITE_BRUSH] = ObjectsSolidStock(RGB(255, 255, 255));
        FObjects[LTGRAY_BRUSH] = ObjectsSolidStock(RGB(192, 192, 192));
        FObjects[GRAY_BRUSH] = ObjectsSolidStock(RGB(128, 128, 128));
        FObjects[DKGRAY_BRUSH] = ObjectsSolidStock(RGB(64, 64, 64));
        FObjects[BLACK_BRUSH] = ObjectsSolidStock(RGB(0, 0, 0));
        auto* nb = new HBRUSH__;
        nb->FStyle = BS_NULL;
        FObjects[NULL_BRUSH] = ObjectsMakeStock(nb);
        FObjects[WHITE_PEN] = ObjectsPenStock(PS_SOLID, RGB(255, 255, 255));
        FObjects[BLACK_PEN] = ObjectsPenStock(PS_SOLID, RGB(0, 0, 0));
        FObjects[NULL_PEN] = ObjectsPenStock(PS_NULL, RGB(0, 0, 0));
        // Font slots: the font engine resolves their faces when they are first used.
        FObjects[OEM_FIXED_FONT] = ObjectsFontStock("Courier New", 12, 400, 1);
        FObjects[ANSI_FIXED_FONT] = ObjectsFontStock("Courier New", 12, 400, 1);
        FObjects[ANSI_VAR_FONT] = ObjectsFontStock("MS Sans Serif", 12, 400, 2);
        FObjects[SYSTEM_FONT] = ObjectsFontStock("System", 16, 700, 2);
        FObjects[DEVICE_DEFAULT_FONT] = ObjectsFontStock("System", 16, 700, 2);
        FObjects[SYSTEM_FIXED_FONT] = ObjectsFontStock("Fixedsys", 15, 400, 1);
        FObjects[DEFAULT_GUI_FONT] = ObjectsFontStock("MS Shell Dlg", -11, 400, 0);
        auto* pal = new HPALETTE__;
        pal->FEntries.assign(gdi::StaticColors20(), gdi::StaticColors20() + 20);
        FObjects[DEFAULT_PALETTE] = ObjectsMakeStock(pal);
    }
};

const ObjectsStockTable& ObjectsStock() {
    static const ObjectsStockTable table;
    return table;
}

void ObjectsFree(gdi::Object* obj) {
    delete obj;
}

} // namespace

namespace gdi {

Object::Object(GdiKind kind) : FKind(kind) {
    ++ObjectsLiveCounts[size_t(kind)];
    auto& reg = ObjectsLive();
    std::lock_guard lock(reg.FLock);
    reg.FLive.insert(this);
}

Object::~Object() {
    if (!FStock)
        --ObjectsLiveCounts[size_t(FKind)];
    auto& reg = ObjectsLive();
    std::lock_guard lock(reg.FLock);
    reg.FLive.erase(this);
}

Object* Checked(const GdiObject* handle) {
    if (!handle)
        return nullptr;
    auto& reg = ObjectsLive();
    {
        std::lock_guard lock(reg.FLock);
        if (!reg.FLive.count(handle))
            return nullptr;
    }
    return dynamic_cast<Object*>(const_cast<GdiObject*>(handle));
}

void MakeStock(Object* obj) {
    if (obj->FStock)
        return;
    obj->FStock = true;
    --ObjectsLiveCounts[size_t(obj->FKind)];
}

void AddSelect(Object* obj) {
    if (obj && !obj->FStock)
        ++obj->FSelectCount;
}

void ReleaseSelect(Object* obj) {
    if (!obj || obj->FStock)
        return;
    if (--obj->FSelectCount > 0)
        return;
    obj->FSelectCount = 0;
    if (obj->FKind == GdiKind::gkBitmap)
        static_cast<HBITMAP__*>(obj)->FSelectedIn = nullptr;
    if (obj->FDeletePending && !obj->FStock)
        ObjectsFree(obj);
}

} // namespace gdi

int GdiObjectCount(GdiKind kind) {
    if (kind >= GdiKind::gkCount)
        return 0;
    return ObjectsLiveCounts[size_t(kind)];
}

HGDIOBJ GetStockObject(int index) {
    if (index < 0 || index >= int(ObjectsStock().FObjects.size()))
        return nullptr;
    return ObjectsStock().FObjects[size_t(index)];
}

BOOL DeleteObject(HGDIOBJ handle) {
    auto* obj = gdi::Checked(handle);
    if (!obj || obj->FKind == GdiKind::gkDC)
        return FALSE;
    if (obj->FStock)
        return TRUE;
    if (obj->FSelectCount > 0) {
        // Still selected: freed when the DC lets go of it.
        obj->FDeletePending = true;
        return TRUE;
    }
    ObjectsFree(obj);
    return TRUE;
}

DWORD GetObjectType(HGDIOBJ handle) {
    auto* obj = gdi::Checked(handle);
    if (!obj || obj->FDeletePending)
        return 0;
    switch (obj->FKind) {
    case GdiKind::gkPen:
        return OBJ_PEN;
    case GdiKind::gkBrush:
        return OBJ_BRUSH;
    case GdiKind::gkDC:
        return static_cast<HDC>(obj)->FScreen ? OBJ_DC : OBJ_MEMDC;
    case GdiKind::gkPalette:
        return OBJ_PAL;
    case GdiKind::gkFont:
        return OBJ_FONT;
    case GdiKind::gkBitmap:
        return OBJ_BITMAP;
    case GdiKind::gkRegion:
        return OBJ_REGION;
    default:
        return 0;
    }
}

namespace {

int ObjectsCopyOut(const void* data, int dataSize, int size, void* buffer) {
    if (!buffer)
        return dataSize;
    int n = std::min(size, dataSize);
    if (n <= 0)
        return 0;
    std::memcpy(buffer, data, size_t(n));
    return n;
}

int ObjectsBitmapInfo(const HBITMAP__* b, int size, void* buffer) {
    DIBSECTION ds{};
    ds.dsBm.bmType = 0;
    ds.dsBm.bmWidth = b->FWidth;
    ds.dsBm.bmHeight = b->FHeight;
    ds.dsBm.bmPlanes = 1;
    ds.dsBm.bmBitsPixel = WORD(b->FBitsPixel);
    if (b->FDibSection) {
        ds.dsBm.bmWidthBytes = b->FStride;
        ds.dsBm.bmBits = b->FBits;
        ds.dsBmih.biSize = sizeof(BITMAPINFOHEADER);
        ds.dsBmih.biWidth = b->FWidth;
        ds.dsBmih.biHeight = b->FTopDown ? -b->FHeight : b->FHeight;
        ds.dsBmih.biPlanes = 1;
        ds.dsBmih.biBitCount = WORD(b->FBitsPixel);
        ds.dsBmih.biCompression = b->FCompression;
        ds.dsBmih.biSizeImage = DWORD(int64_t(b->FStride) * b->FHeight);
        ds.dsBmih.biClrUsed = b->Palettized() ? DWORD(b->FColors.size()) : 0;
        for (int i = 0; i < 3; ++i)
            ds.dsBitfields[i] = b->FMasks[i];
        // A DIBSECTION only when the caller has room for one; otherwise the BITMAP part.
        if (!buffer || size >= int(sizeof(DIBSECTION)))
            return ObjectsCopyOut(&ds, sizeof(DIBSECTION), size, buffer);
        return ObjectsCopyOut(&ds.dsBm, sizeof(BITMAP), size, buffer);
    }
    // Device-dependent bitmaps report rows padded to 16 bits and no pixel pointer.
    ds.dsBm.bmWidthBytes = LONG(((int64_t(b->FWidth) * b->FBitsPixel + 15) / 16) * 2);
    return ObjectsCopyOut(&ds.dsBm, sizeof(BITMAP), size, buffer);
}

} // namespace

int GetObject(HGDIOBJ handle, int size, void* buffer) {
    auto* obj = gdi::Checked(handle);
    if (!obj || size < 0)
        return 0;
    switch (obj->FKind) {
    case GdiKind::gkBitmap:
        return ObjectsBitmapInfo(static_cast<HBITMAP__*>(obj), size, buffer);
    case GdiKind::gkPen: {
        auto* p = static_cast<HPEN__*>(obj);
        LOGPEN lp{p->FStyle | p->FEndCap | p->FJoin, POINT{p->FWidth, 0}, p->FColor};
        return ObjectsCopyOut(&lp, sizeof lp, size, buffer);
    }
    case GdiKind::gkBrush: {
        auto* b = static_cast<HBRUSH__*>(obj);
        LOGBRUSH lb{b->FStyle, b->FColor, ULONG_PTR(b->FHatch)};
        return ObjectsCopyOut(&lb, sizeof lb, size, buffer);
    }
    case GdiKind::gkFont: {
        auto* f = static_cast<HFONT__*>(obj);
        return ObjectsCopyOut(&f->FLog, sizeof f->FLog, size, buffer);
    }
    case GdiKind::gkPalette: {
        WORD n = WORD(static_cast<HPALETTE__*>(obj)->FEntries.size());
        return ObjectsCopyOut(&n, sizeof n, size, buffer);
    }
    default:
        return 0;
    }
}

BOOL GdiFlush() {
    return TRUE;
}

#define LOOMWICK_GDI_HANDLE_DEFS(H)                                                                          \
    HGDIOBJ SelectObject(HDC dc, H obj) {                                                                    \
        return SelectObject(dc, static_cast<HGDIOBJ>(obj));                                                  \
    }                                                                                                        \
    BOOL DeleteObject(H obj) {                                                                               \
        return DeleteObject(static_cast<HGDIOBJ>(obj));                                                      \
    }                                                                                                        \
    int GetObject(H obj, int size, void* buffer) {                                                           \
        return GetObject(static_cast<HGDIOBJ>(obj), size, buffer);                                           \
    }                                                                                                        \
    DWORD GetObjectType(H obj) {                                                                             \
        return GetObjectType(static_cast<HGDIOBJ>(obj));                                                     \
    }                                                                                                        \
    HGDIOBJ ToGdiObj(H obj) {                                                                                \
        return obj;                                                                                          \
    }
LOOMWICK_GDI_HANDLE_DEFS(HBITMAP)
LOOMWICK_GDI_HANDLE_DEFS(HPEN)
LOOMWICK_GDI_HANDLE_DEFS(HBRUSH)
LOOMWICK_GDI_HANDLE_DEFS(HFONT)
LOOMWICK_GDI_HANDLE_DEFS(HRGN)
LOOMWICK_GDI_HANDLE_DEFS(HPALETTE)
#undef LOOMWICK_GDI_HANDLE_DEFS

DWORD GetObjectType(HDC dc) {
    return GetObjectType(static_cast<HGDIOBJ>(dc));
}

namespace {
template <class T> T* ObjectsDowncast(HGDIOBJ handle, GdiKind kind) {
    gdi::Object* obj = gdi::Checked(handle);
    return obj && obj->FKind == kind ? static_cast<T*>(obj) : nullptr;
}
} // namespace

HBITMAP AsBitmap(HGDIOBJ obj) {
    return ObjectsDowncast<HBITMAP__>(obj, GdiKind::gkBitmap);
}
HPEN AsPen(HGDIOBJ obj) {
    return ObjectsDowncast<HPEN__>(obj, GdiKind::gkPen);
}
HBRUSH AsBrush(HGDIOBJ obj) {
    return ObjectsDowncast<HBRUSH__>(obj, GdiKind::gkBrush);
}
HFONT AsFont(HGDIOBJ obj) {
    return ObjectsDowncast<HFONT__>(obj, GdiKind::gkFont);
}
HRGN AsRegion(HGDIOBJ obj) {
    return ObjectsDowncast<HRGN__>(obj, GdiKind::gkRegion);
}
HPALETTE AsPalette(HGDIOBJ obj) {
    return ObjectsDowncast<HPALETTE__>(obj, GdiKind::gkPalette);
}

} // namespace win
