#include "gif/GifOctree.h"

#include "platform/vcl/Exceptions.h"
#include "platform/win/gdi/Gdi.h"

#include <algorithm>
#include <vector>

namespace gif {

TOctreeNode::~TOctreeNode() {
    // Children go from the last to the first.
    for (int i = 7; i >= 0; --i)
        Children[size_t(i)].reset();
}

TColorQuantizer::TColorQuantizer(int colorLimit, int treeDepth)
    : FColorLimit(std::max(colorLimit, 1)), FTreeDepth(std::clamp(treeDepth, 1, 8)) {}

TColorQuantizer::~TColorQuantizer() = default;

void TColorQuantizer::AddColor(std::unique_ptr<TOctreeNode>& node, uint8_t r, uint8_t g, uint8_t b, int level) {
    // The walk goes one level down per step and stops at the tree depth.
    std::unique_ptr<TOctreeNode>* ref = &node;
    for (;; ++level) {
        if (!*ref) {
            *ref = std::make_unique<TOctreeNode>();
            if (level == FTreeDepth) {
                (*ref)->IsLeafNode = true;
                ++FLeafTotal;
            } else {
                (*ref)->NextReducible = FReducibleLists[size_t(level)];
                FReducibleLists[size_t(level)] = ref->get();
            }
        }
        TOctreeNode* n = ref->get();
        if (n->IsLeafNode) {
            ++n->PixelTotal;
            n->SumRed += r;
            n->SumGreen += g;
            n->SumBlue += b;
            return;
        }
        int shift = 7 - level;
        int index = ((r >> shift) & 1) * 4 + ((g >> shift) & 1) * 2 + ((b >> shift) & 1);
        ref = &n->Children[size_t(index)];
    }
}

void TColorQuantizer::ReduceTree() {
    int level = FTreeDepth - 1;
    while (level > 0 && !FReducibleLists[size_t(level)])
        --level;
    TOctreeNode* node = FReducibleLists[size_t(level)];
    if (!node)
        return;
    FReducibleLists[size_t(level)] = node->NextReducible;
    int merged = 0;
    for (auto& child : node->Children) {
        if (!child)
            continue;
        node->PixelTotal += child->PixelTotal;
        node->SumRed += child->SumRed;
        node->SumGreen += child->SumGreen;
        node->SumBlue += child->SumBlue;
        ++merged;
    }
    for (int i = 7; i >= 0; --i)
        node->Children[size_t(i)].reset();
    node->IsLeafNode = true;
    FLeafTotal -= merged - 1;
}

void TColorQuantizer::AddPixel(uint8_t red, uint8_t green, uint8_t blue) {
    AddColor(FRoot, red, green, blue, 0);
    while (FLeafTotal > FColorLimit) {
        int before = FLeafTotal;
        ReduceTree();
        if (FLeafTotal >= before)
            break; // nothing left to merge
    }
}

bool TColorQuantizer::ScanPixels(TDIB& reader) {
    int32_t width = reader.GetBitmap()->GetWidth(), height = reader.GetBitmap()->GetHeight();
    for (int32_t y = 0; y < height; ++y) {
        const uint8_t* p = reader.RowPointer(y);
        for (int32_t x = 0; x < width; ++x, p += 3)
            AddPixel(p[2], p[1], p[0]);
    }
    return true;
}

void TColorQuantizer::Collect(const TOctreeNode* node, uint8_t*& out) {
    if (!node)
        return;
    if (node->IsLeafNode) {
        if (node->PixelTotal > 0) {
            out[0] = uint8_t(node->SumBlue / node->PixelTotal);
            out[1] = uint8_t(node->SumGreen / node->PixelTotal);
            out[2] = uint8_t(node->SumRed / node->PixelTotal);
        } else {
            out[0] = out[1] = out[2] = 0;
        }
        out[3] = 0;
        out += 4;
        return;
    }
    for (const auto& child : node->Children)
        Collect(child.get(), out);
}

void TColorQuantizer::CollectColors(uint8_t* table) const {
    uint8_t* out = table;
    Collect(FRoot.get(), out);
}

win::HPALETTE BuildOctreePalette(TDIB& reader, int colors, int treeDepth, bool withSystemColors) {
    colors = std::clamp(colors, 1, 256);
    int entries = withSystemColors ? 256 : colors;
    int first = withSystemColors ? 10 : 0;
    int octreeColors = withSystemColors ? 236 : colors;
    std::vector<uint8_t> block(sizeof(win::LOGPALETTE) + 256 * sizeof(win::PALETTEENTRY), 0);
    auto* lp = reinterpret_cast<win::LOGPALETTE*>(block.data());
    lp->palVersion = 0x300;
    lp->palNumEntries = win::WORD(entries);
    if (withSystemColors) {
        win::PALETTEENTRY stock[20] = {};
        win::GetPaletteEntries(win::AsPalette(win::GetStockObject(win::DEFAULT_PALETTE)), 0, 20, stock);
        for (int i = 0; i < 10; ++i) {
            lp->palPalEntry[i] = stock[i];
            lp->palPalEntry[246 + i] = stock[10 + i];
        }
    }
    TColorQuantizer quantizer(octreeColors, treeDepth);
    quantizer.ScanPixels(reader);
    std::vector<uint8_t> table(size_t(std::max(quantizer.GetLeafTotal(), 1)) * 4);
    quantizer.CollectColors(table.data());
    int n = std::min(quantizer.GetLeafTotal(), octreeColors);
    for (int i = 0; i < n; ++i) {
        win::PALETTEENTRY& e = lp->palPalEntry[first + i];
        e.peRed = table[size_t(i) * 4 + 2];
        e.peGreen = table[size_t(i) * 4 + 1];
        e.peBlue = table[size_t(i) * 4];
        e.peFlags = 0;
    }
    win::HPALETTE palette = win::CreatePalette(lp);
    if (!palette)
        throw vcl::EOutOfResources("Out of system resources");
    return palette;
}

win::HPALETTE BuildOctreePaletteFromBitmap(vcl::TBitmap* bitmap, int colors, int treeDepth, bool withSystemColors) {
    TDIBReader reader(bitmap, vcl::pf24bit);
    return BuildOctreePalette(reader, colors, treeDepth, withSystemColors);
}

} // namespace gif
