// The octree colour quantizer: a picture's colours counted in an octree whose leaves are merged from the
// bottom up while there are more of them than the palette may hold; each leaf gives one colour, the
// average of the pixels it collected.
#pragma once

#include "gif/GifDib.h"
#include "platform/win/WinTypes.h"

#include <array>
#include <cstdint>
#include <memory>

namespace gif {

struct TOctreeNode {
    bool IsLeafNode = false;
    int64_t PixelTotal = 0;
    int64_t SumRed = 0;
    int64_t SumGreen = 0;
    int64_t SumBlue = 0;
    TOctreeNode* NextReducible = nullptr;
    std::array<std::unique_ptr<TOctreeNode>, 8> Children;
    ~TOctreeNode();
};

class TColorQuantizer {
public:
    // colorLimit: the most leaves allowed (at least 1); treeDepth: the level where leaves are made (1..8).
    TColorQuantizer(int colorLimit, int treeDepth);
    ~TColorQuantizer();
    TColorQuantizer(const TColorQuantizer&) = delete;
    TColorQuantizer& operator=(const TColorQuantizer&) = delete;

    // Adds every pixel of the reader's 24-bit picture (B, G, R), rows from the top.
    bool ScanPixels(TDIB& reader);
    // Adds one colour, then merges while there are too many leaves.
    void AddPixel(uint8_t red, uint8_t green, uint8_t blue);
    // One B, G, R, 0 entry per leaf, depth first with children 0 to 7; table has room for LeafTotal entries.
    void CollectColors(uint8_t* table) const;
    int GetLeafTotal() const { return FLeafTotal; }

private:
    void AddColor(std::unique_ptr<TOctreeNode>& node, uint8_t r, uint8_t g, uint8_t b, int level);
    void ReduceTree();
    static void Collect(const TOctreeNode* node, uint8_t*& out);
    std::unique_ptr<TOctreeNode> FRoot;
    int FLeafTotal = 0;
    std::array<TOctreeNode*, 8> FReducibleLists{};
    int FColorLimit;
    int FTreeDepth;
};

// A new palette (the caller owns it) of `colors` entries from the picture's own colours; with system
// colours it has 256 entries: the stock palette's first ten, 236 of the picture's, the stock's last ten.
win::HPALETTE BuildOctreePalette(TDIB& reader, int colors, int treeDepth, bool withSystemColors);
// The same over a bitmap, converted to 24 bits in place.
win::HPALETTE BuildOctreePaletteFromBitmap(vcl::TBitmap* bitmap, int colors, int treeDepth, bool withSystemColors);

} // namespace gif
