// The cache of tab regions: a short most-recently-added list of regions keyed by the tab's rectangle.
#include "controls/FcTabs.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

namespace controls {

TFcTabRegionCacheItem::~TFcTabRegionCacheItem() { SetTabRegion(nullptr); }

void TFcTabRegionCacheItem::SetTabRegion(win::HRGN region) {
    if (region == FTabRegion)
        return;
    if (FTabRegion)
        win::DeleteObject(win::ToGdiObj(FTabRegion));
    FTabRegion = region;
}

TFcTabRegionCache::~TFcTabRegionCache() { Clear(); }

win::HRGN TFcTabRegionCache::Find(const TRect& rect) const {
    for (const auto& item : FItems)
        if (item->TabRect == rect)
            return item->GetTabRegion();
    return nullptr;
}

void TFcTabRegionCache::Add(const TRect& rect, win::HRGN region) {
    for (size_t i = 0; i < FItems.size(); ++i) {
        if (FItems[i]->TabRect == rect) {
            // The cache owns what it is given: a second region for the same rectangle is not kept.
            if (region && region != FItems[i]->GetTabRegion())
                win::DeleteObject(win::ToGdiObj(region));
            auto item = std::move(FItems[i]);
            FItems.erase(FItems.begin() + std::ptrdiff_t(i));
            FItems.insert(FItems.begin(), std::move(item));
            return;
        }
    }
    auto item = std::make_unique<TFcTabRegionCacheItem>();
    item->TabRect = rect;
    item->SetTabRegion(region);
    FItems.insert(FItems.begin(), std::move(item));
    Trim();
}

void TFcTabRegionCache::Clear() { FItems.clear(); }

void TFcTabRegionCache::Trim() {
    if (FCapacity == -1)
        return;
    while (int32_t(FItems.size()) > FCapacity)
        FItems.pop_back();
}

void TFcTabRegionCache::SetCapacity(int32_t value) {
    if (value == 0 || value < -1)
        throw vcl::Exception("Capacity must be -1 (to cache all regions) or > 0");
    if (value == FCapacity)
        return;
    FCapacity = value;
    Trim();
}

} // namespace controls
