// The colour quantizer: chooses a palette of at most NCol colours for a 24-bit image and maps each colour
// of that image to its index. Engines, in order of precedence: a gray ramp (NCol 256 and every pixel
// gray), the exact palette (no more distinct colours than NCol, in order of first appearance), NeuQuant
// (NCol 128 or more) and median cut (NCol below 128).
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKPixelUtils.h"
#include "platform/vcl/Object.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

namespace imaging {

class TIKBitmap;
class NeuQuantNet;
class MedianCutQuantizer;

// True for a 24-bit bitmap whose every pixel has blue = green = red (an empty one included).
bool IKIsGrayBitmap(TIKBitmap* bitmap);

class TIKQuantizer : public vcl::TObject {
public:
    enum : int32_t { qeNeuQuant = 0, qeMedianCut = 1 };

    // colorMap receives the palette: the first entries the engine produces are overwritten, the others
    // keep what the caller put there. NCol is limited to the size of colorMap. quality is -1 (sampling
    // factor from the image size) or 0..100 and affects NeuQuant only; method is accepted and ignored.
    TIKQuantizer(TIKBitmap* bitmap, std::span<TIKColorTriple> colorMap, int32_t nCol, int32_t quality = -1,
                 int32_t method = 0);
    ~TIKQuantizer() override;

    // The palette index of a colour of the image. The exact engine gives -1 for a colour it did not find.
    int32_t RGBIndex(TIKColorTriple color) const;
    // The colour packed with blue in bits 0-7, green 8-15, red 16-23; bits 24-31 are ignored.
    int32_t RGBIndex(uint32_t packed) const { return RGBIndex(IKUnpackTriple(packed)); }

    int32_t GetNCol() const { return FNCol; }
    // qeNeuQuant or qeMedianCut; meaningful only when neither the gray ramp nor the exact palette is used.
    int32_t GetEngine() const { return FEngine; }
    bool GetGrayRamp() const { return FGrayRamp; }
    bool GetExact() const { return FExact; }
    // The distinct colours of the exact engine, in order of first appearance.
    int32_t GetExactCount() const { return int32_t(FExactColors.size()); }
    const NeuQuantNet* GetNeuQuant() const { return FNeuQuant.get(); }
    const MedianCutQuantizer* GetMedianCut() const { return FMedianCut.get(); }

private:
    bool CollectExactPalette(TIKBitmap* bitmap);
    int32_t ExactIndex(uint32_t packed) const;

    int32_t FEngine = qeNeuQuant;
    std::unique_ptr<NeuQuantNet> FNeuQuant;
    std::unique_ptr<MedianCutQuantizer> FMedianCut;
    bool FGrayRamp = false;
    bool FExact = false;
    std::vector<TIKColorTriple> FExactColors;
    // Open-addressing table of the exact colours: packed colour + 1 (0 marks a free slot) and its index.
    std::vector<uint32_t> FExactKeys;
    std::vector<int32_t> FExactIndexes;
    int32_t FNCol = 0;
};

} // namespace imaging
