// Shared types of the GIF library: the exception, enumerations, option sets, limits and forward
// declarations that every other header of gif/ uses.
#pragma once

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <string>
#include <vector>

namespace gif {

class TGifDocument;
class TGifFrame;
class TGifHeader;
class TGifExtension;
class TGifGraphicControlExtension;
class TGifColorMap;

// The exception every unrecoverable GIF failure raises, with a fixed English message.
class EGifError : public vcl::EInvalidGraphic {
public:
    using EInvalidGraphic::EInvalidGraphic;
};

// Raw data sub-blocks of an application extension: one entry per sub-block.
using TGifLines = std::vector<std::string>;

// A frame's disposal method; values 4 to 7 read from a file are kept as they are.
enum TGifDisposal : uint8_t { dpUnspecified = 0, dpKeep = 1, dpRestoreBackground = 2, dpRestorePrevious = 3 };

// Drawing and playback options, stored as a 16-bit set (bit n = value n).
enum TGifPaintOption : uint8_t {
    gpoThreaded = 0,
    gpoUseTransparency = 1,
    gpoStepFrames = 2,
    gpoRepeat = 3,
    gpoRepeatForever = 4,
    gpoCheckDC = 5,
    gpoPaintOnTarget = 6,
    gpoClearEachPass = 7,
    gpoTiled = 8,
    gpoDither = 9,
    gpoDitherLowColor = 10,
};
using TGifPaintOptions = vcl::TSet<TGifPaintOption>;

// How a true-colour picture becomes an 8-bit frame.
enum TGifReductionMethod : uint8_t {
    rdNone = 0,
    rdSystem20 = 1,
    rdHalftone256 = 2,
    rdSystemGray4 = 3,
    rdBlackWhite = 4,
    rdGray256 = 5,
    rdWebSafe216 = 6,
    rdOctree = 7,
    rdOctreeWithSystem = 8,
    rdGivenPalette = 9,
};

enum TGifDitherMethod : uint8_t {
    dtClosestColor = 0,
    dtFloydSteinberg = 1,
    dtStucki = 2,
    dtSierra = 3,
    dtJarvisJudiceNinke = 4,
    dtStevensonArce = 5,
    dtBurkes = 6,
};

// The raster coder used when writing.
enum TGifEncoderKind : uint8_t { ekLzw = 0, ekRunLength = 1 };

// The class library's thread priority values (tpNormal is 3), kept as a number until threads exist.
using TGifThreadPriority = int32_t;

// Colours are 32-bit with red in the low byte; clNone means "no colour chosen".
using TGifColor = int32_t;
constexpr TGifColor GifColorNone = 0x1FFFFFFF;

// Module-wide defaults that every new document copies. Only DefaultPaintOptions is changed at run
// time (by the editor, at start-up).
extern TGifPaintOptions DefaultPaintOptions;
// Steps of TGifDocument::Optimize, combined with |.
enum TGifOptimizeOption : uint8_t {
    opTrimTransparent = 0x01, // crop transparent frames to their opaque area, dropping empty ones
    opBlankUnchanged = 0x02,  // pixels repeating the previous frame become transparent
    opCleanUp = 0x04,         // drop unused transparency, invisible disposals and blocks a viewer ignores
    opSortColorTables = 0x08, // sort and prune every colour table
    opReduceColors = 0x10,    // accepted; reduces nothing
};
using TGifOptimizeOptions = uint8_t;

constexpr TGifReductionMethod DefaultReductionMethod = rdWebSafe216;
constexpr int32_t DefaultQuantizeBits = 8;
constexpr TGifDitherMethod DefaultDitherMethod = dtClosestColor;
constexpr TGifEncoderKind DefaultEncoderKind = ekLzw;
constexpr TGifThreadPriority DefaultPainterPriority = 3;
constexpr int32_t DefaultPlaySpeed = 100;

// Memory limits for pixel buffers. A hostile file can claim a 65535 x 65535 frame in a few bytes, so
// sizes are checked against these before anything is allocated. Programs that read untrusted data in
// bulk (the fuzzer) may lower them at start-up.
extern int64_t GifMaxFramePixels;    // one frame's width x height
extern int64_t GifMaxDocumentPixels; // all frames of one document read from a stream

// The memory rule every GIF reader follows (the document's reader and the imaging library's GIF filter):
// a frame read from a stream gets only as many pixels as its LZW data can produce. A code of w bits
// stands for at most 2^w + 2 pixels (a string of distinct table entries below 2^w + 1, and the previous
// code's first pixel), which is most per bit at 12 bits: 4098 pixels per 12 bits, 2732 per byte.
constexpr int64_t GifLzwPixelsPerByte = 2732;
constexpr int64_t GifLzwMaxPixels(int64_t dataBytes) {
    return dataBytes <= 0 ? 0 : dataBytes * GifLzwPixelsPerByte;
}
// A frame its data cannot fill (a file cut short keeps the rest of the frame blank) is charged in full to
// this budget, one per document read. The default is 16 M pixels (16 MB of 8-bit pixels); callers may
// change it.
extern int64_t GifPixelBudget;
// Applies the rule to a frame of `pixels` pixels whose LZW data holds dataBytes bytes: true when the
// frame may be allocated; a frame its data cannot fill is added to budgetUsed. False (the reader
// refuses with "Image is too large", before allocating) when the frame exceeds GifMaxFramePixels or
// the budget.
bool GifChargeFramePixels(int64_t pixels, int64_t dataBytes, int64_t& budgetUsed);

} // namespace gif
