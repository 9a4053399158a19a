// The records that pass between the I/O component, its callers and the format filters: the per-image
// parameter record TIOParamsVals (what a reader found, what a writer should produce) and the progress
// record TIKProgressContext every reader and writer receives, with the caller's Aborting flag.
#pragma once

#include "imaging/core/IKHelpers.h"
#include "imaging/core/IKMetadata.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TObject;
class TStream;
} // namespace vcl

namespace imaging {

class TIKBitmap;

// ---- LZW coders ------------------------------------------------------------------------------------------
// GIF image data: reads the LZW data block that follows an image descriptor (and its local colour table)
// and decodes width x height indexes into pixels, rows from the top (an interlaced image is put in order).
// False when the data cannot be decoded at all; pixels the data does not supply stay 0.
using TGifLzwDecoderProc = bool (*)(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                                    uint8_t* pixels);
// Codes width x height indexes (rows from the top, interlaced in the file when asked) of bitsPerPixel bits
// (1..8) and writes them as that data block. False when the stream took fewer bytes than given.
using TGifLzwEncoderProc = bool (*)(vcl::TStream* stream, int32_t height, int32_t width, bool interlaced,
                                    const uint8_t* pixels, int32_t bitsPerPixel);
// TIFF strips and tiles. Returns the next outputSize decoded bytes of the strip or tile of inputSize bytes
// at input, or nullptr when the data cannot supply them. state is nullptr at the start of each strip or tile;
// after it the reader calls once more with (nullptr, 0, 0, state) so that the coder releases its state.
using TTiffLzwDecoderFunc = const uint8_t* (*)(const uint8_t* input, int64_t inputSize, int32_t outputSize,
                                               void*& state);
// Called once per row with its bytes, then once with (nullptr, 0, stream, state) to flush and release the
// state (nullptr before the first row). False when the stream took fewer bytes than given.
using TTiffLzwEncoderProc = bool (*)(const uint8_t* row, int32_t size, vcl::TStream* stream, void*& state);

// The library-wide coders that new parameter records take. The library installs its own (IOLzw.h); a
// program may replace them before it makes records, or set a record's own fields.
extern TGifLzwDecoderProc GifLzwDecoderHook;
extern TGifLzwEncoderProc GifLzwEncoderHook;
extern TTiffLzwDecoderFunc TiffLzwDecoderHook;
extern TTiffLzwEncoderProc TiffLzwEncoderHook;

// The library default resolution: the screen's logical pixels per inch. Readers store it when a file
// carries no resolution.
extern int32_t IKDefaultDpiX;
extern int32_t IKDefaultDpiY;

// Readers refuse images of more pixels than this before they allocate anything.
constexpr int64_t IOMaxImagePixels = int64_t(1) << 30;

// ---- Progress --------------------------------------------------------------------------------------------
// Progress in percent; the sender is the I/O component.
using TIKProgressEvent = std::function<void(vcl::TObject* sender, int32_t percent)>;

// Built on the caller's stack for one read or write, never stored. Only the flag Aborting points at may be
// written by other threads (a caller or a thread waiting for shutdown asks the filter to stop there).
struct TIKProgressContext {
    TIKProgressEvent OnProgress;
    vcl::TObject* Sender = nullptr;
    int32_t RowsDone = 0;   // rows, strips, tiles or images done
    double PerRowStep = 0;  // percent per unit of RowsDone, normally 100 / height
    double PerItemStep = 0; // a second step for filters that count two kinds of unit
    std::atomic<bool>* Aborting = nullptr;

    TIKProgressContext() = default;
    explicit TIKProgressContext(std::atomic<bool>& aborting) : Aborting(&aborting) {}

    bool IsAborting() const { return Aborting && Aborting->load(std::memory_order_relaxed); }
    // Reports failure; the flag is never cleared by a filter.
    void SetAborting() {
        if (Aborting)
            Aborting->store(true, std::memory_order_relaxed);
    }
    void Report(int32_t percent) {
        if (OnProgress)
            OnProgress(Sender, percent);
    }
    // Advances RowsDone by count and reports Trunc(RowsDone x PerRowStep).
    void AdvanceRows(int32_t count = 1) {
        RowsDone += count;
        if (OnProgress)
            OnProgress(Sender, int32_t(RowsDone * PerRowStep));
    }
};

// ---- Coded values -----------------------------------------------------------------------------------------
// The values the record's coded byte fields hold; the fields stay bytes, so that a stored record, and a
// caller that writes numbers, read the same.

// TiffCompression. The reader stores iktcOther for any scheme it does not know.
enum TIKTiffCompression : uint8_t {
    iktcNone = 0,
    iktcCcitt1D = 1,
    iktcG3Fax1D = 2,
    iktcG3Fax2D = 3,
    iktcG4Fax = 4,
    iktcLzw = 5,
    iktcOldJpeg = 6,
    iktcJpeg = 7,
    iktcPackBits = 8,
    iktcOther = 9
};

// TiffPhotometric.
enum TIKTiffPhotometric : uint8_t {
    iktpWhiteIsZero = 0,
    iktpBlackIsZero = 1,
    iktpRgb = 2,
    iktpPalette = 3,
    iktpTransparencyMask = 4,
    iktpCmyk = 5,
    iktpYCbCr = 6,
    iktpCieLab = 7
};

// JpegColorSpace.
enum TIKJpegColorSpace : uint8_t { ikjcRgb = 0, ikjcGray = 1, ikjcYCbCr = 2, ikjcCmyk = 3, ikjcYcck = 4 };
// JpegDctMethod.
enum TIKJpegDctMethod : uint8_t { ikjdIntegerSlow = 0, ikjdIntegerFast = 1, ikjdFloat = 2 };
// JpegScale: ikjsAuto is the largest reduction that keeps at least Width x Height.
enum TIKJpegScale : uint8_t { ikjsAuto = 0, ikjsFull = 1, ikjsHalf = 2, ikjsQuarter = 3, ikjsEighth = 4 };
// The JPEG markers the I/O component reads and writes itself, by their type byte in TIKMarkerList.
enum TIKJpegMarkerType : int32_t {
    ikjmApp1Exif = 225, // APP1: the EXIF block
    ikjmApp13Iptc = 237 // APP13: the IPTC records, behind the Photoshop header
};

// Jpeg2000ColorSpace (YCbCr is written as RGB).
enum TIKJpeg2000ColorSpace : uint8_t { ikj2Gray = 0, ikj2Rgb = 1, ikj2YCbCr = 2 };
// Jpeg2000Progression: layer-resolution-component-position or resolution-layer-component-position.
enum TIKJpeg2000Progression : uint8_t { ikj2Lrcp = 0, ikj2Rlcp = 1 };

// BmpVersion: the header of the last BMP read, or the one to write.
enum TIKBmpVersion : uint8_t { ikbvOther = 0, ikbvInfo40 = 1, ikbvCore12 = 2, ikbvInfo64 = 3 };
// BmpCompression: the writer codes 4- and 8-bit images in runs; the reader says whether it met runs.
enum TIKBmpCompression : uint8_t { ikbcNone = 0, ikbcRle = 1 };
// PcxCompression, and the encoding byte of a PCX header: runs or plain bytes.
enum TIKPcxCompression : uint8_t { ikpcNone = 0, ikpcRle = 1 };
// PngFilter: the row filter the writer uses.
enum TIKPngFilter : uint8_t { ikpfNone = 0, ikpfSub = 1, ikpfPaeth = 2 };

// ---- How a filter is asked to read or write ---------------------------------------------------------------

// What a read is for: the image, or only the parameters (the image is left as it was).
enum TIKReadMode : uint8_t { ikrmImage, ikrmParamsOnly };
// What a reader does with the transparency it finds: puts it into the caller's mask, or leaves the mask
// alone.
enum TIKAlphaMode : uint8_t { ikamKeep, ikamIgnore };
// The pixels a JPEG read hands out: converted to B, G, R, or the stored components of a YCbCr datastream
// as they are (for callers that convert themselves).
enum TIKJpegOutput : uint8_t { ikjoConverted, ikjoRawComponents };
// The two forms of JPEG 2000 a writer produces: a JP2 file or a bare code stream.
enum TIKJpeg2000Form : int32_t { ikj2fJp2 = 0, ikj2fCodeStream = 1 };

// ---- Parameters ------------------------------------------------------------------------------------------
// What a parameter record asks of the I/O component that owns it when it takes its defaults.
class TIOParamsOwner {
public:
    virtual ~TIOParamsOwner() = default;
    // The size of the legacy bitmap attached to the component; false when none is attached.
    virtual bool GetAttachedBitmapSize(int32_t& width, int32_t& height) const = 0;
    // The resolution of the view attached to the component; false when none is attached.
    virtual bool GetAttachedViewDpi(int32_t& dpiX, int32_t& dpiY) const = 0;
};

// The per-image parameters. Flags are bytes, 0 false and 1 true. Readers overwrite what they read and leave
// the rest; the I/O component runs ClearAll before each load, so the lists and texts of one file never
// leak into the next while the caller's options (quality, compression, indexes) survive.
class TIOParamsVals {
public:
    explicit TIOParamsVals(TIOParamsOwner* owner = nullptr);
    ~TIOParamsVals();
    TIOParamsVals(const TIOParamsVals&) = delete;
    TIOParamsVals& operator=(const TIOParamsVals&) = delete;

    // Every group to its defaults (the constructor runs it).
    void SetDefaults();
    // Empties the lists and texts of a file (IPTC records, JPEG markers, EXIF group, GIF and PNM comments,
    // TIFF and TGA texts); every other value stays.
    void ClearAll();
    void ClearExif();
    // Copies every field except Owner, JpegWarningCount and JpegWarningCode.
    void Assign(const TIOParamsVals& source);

    // The palette of the last read.
    int32_t ColorMapCount() const { return int32_t(ColorMap.size()); }
    void FreeColorMap() { ColorMap.clear(); }
    // A zeroed palette of count entries.
    TIKColorTriple* NewColorMap(int32_t count);

    // The EXIF thumbnail, made on demand.
    TIKBitmap* GetExifThumbnail();
    bool HasExifThumbnail() const { return FExifThumbnail != nullptr; }

    TIOParamsOwner* Owner = nullptr;

    // Common group.
    int32_t BitsPerSample = 8;
    int32_t SamplesPerPixel = 3;
    int32_t Width = 0;
    int32_t Height = 0;
    int32_t DpiX = 0;
    int32_t DpiY = 0;
    int32_t FileType = 0;
    std::string FileName;
    std::vector<TIKColorTriple> ColorMap;

    // TIFF group.
    uint8_t TiffCompression = iktcNone; // TIKTiffCompression
    int32_t TiffImageIndex = 0;
    int32_t TiffImageCount = 0;
    uint8_t TiffPhotometric = iktpRgb; // TIKTiffPhotometric
    int32_t TiffPlanarConfig = 1;
    int32_t TiffXPosition = 0;
    int32_t TiffYPosition = 0;
    std::string TiffDocumentName;
    std::string TiffImageDescription;
    std::string TiffPageName;
    int32_t TiffPageNumber = 0;
    int32_t TiffPageCount = 0;
    int32_t TiffOrientation = 1;
    uint8_t TiffApplyOrientation = 0;
    int32_t TiffJpegQuality = 80;
    TTiffLzwDecoderFunc TiffLzwDecoder = nullptr;
    TTiffLzwEncoderProc TiffLzwEncoder = nullptr;

    // GIF group.
    std::string GifVersion = "GIF89a";
    int32_t GifImageIndex = 0;
    int32_t GifImageCount = 0;
    int32_t GifXPosition = 0;
    int32_t GifYPosition = 0;
    int32_t GifDelay = 0;
    uint8_t GifTransparent = 0;
    TIKColorTriple GifTransparentColor{};
    uint8_t GifInterlaced = 0;
    int32_t GifScreenWidth = 0;
    int32_t GifScreenHeight = 0;
    TIKColorTriple GifBackground{};
    int32_t GifAspectRatio = 0;
    std::vector<std::string> GifComments;
    TGifLzwDecoderProc GifLzwDecoder = nullptr;
    TGifLzwEncoderProc GifLzwEncoder = nullptr;

    // JPEG group.
    uint8_t JpegColorSpace = ikjcYCbCr; // TIKJpegColorSpace
    int32_t JpegQuality = 80;
    uint8_t JpegDctMethod = ikjdIntegerSlow; // TIKJpegDctMethod
    uint8_t JpegOptimalHuffman = 0;
    int32_t JpegSmoothing = 0;
    uint8_t JpegProgressive = 0;
    uint8_t JpegScale = ikjsFull; // TIKJpegScale
    int32_t JpegScaleUsed = 1;
    int32_t JpegOriginalWidth = 0;
    int32_t JpegOriginalHeight = 0;
    int32_t JpegWarningCount = 0;
    int32_t JpegWarningCode = 0;
    TIKMarkerList JpegMarkers;

    // JPEG 2000 group.
    uint8_t Jpeg2000ColorSpace = ikj2Rgb; // TIKJpeg2000ColorSpace
    double Jpeg2000Rate = 1.0;
    uint8_t Jpeg2000Progression = ikj2Lrcp; // TIKJpeg2000Progression

    // Other formats.
    int32_t PcxVersion = 5;
    uint8_t PcxCompression = ikpcRle;  // TIKPcxCompression
    uint8_t BmpVersion = ikbvInfo40;   // TIKBmpVersion
    uint8_t BmpCompression = ikbcNone; // TIKBmpCompression
    int32_t IcoImageIndex = 0;
    TIKColorTriple IcoBackground{255, 255, 255};
    int32_t CurImageIndex = 0;
    int32_t CurXHotSpot = 0;
    int32_t CurYHotSpot = 0;
    TIKColorTriple CurBackground{255, 255, 255};
    uint8_t PngInterlaced = 0;
    TIKColorTriple PngBackground{};
    uint8_t PngFilter = ikpfNone; // TIKPngFilter
    int32_t PngCompression = 5;
    int32_t TgaXPosition = 0;
    int32_t TgaYPosition = 0;
    uint8_t TgaCompressed = 1;
    std::string TgaDescription;
    std::string TgaAuthor;
    std::string TgaName;
    double TgaDate = 0; // date and time, days since 30 December 1899
    TIKColorTriple TgaBackground{};
    double TgaAspectRatio = 1.0;
    double TgaGamma = 2.2;
    uint8_t TgaGrayLevel = 0;
    std::vector<std::string> PnmComments;
    TIKIPTCInfoList IptcRecords;

    // EXIF group.
    uint8_t ExifPresent = 0;
    std::string ExifImageDescription;
    std::string ExifMake;
    std::string ExifModel;
    int32_t ExifOrientation = 0;
    double ExifXResolution = 0;
    double ExifYResolution = 0;
    int32_t ExifResolutionUnit = 0;
    std::string ExifSoftware;
    std::string ExifDateTime;
    double ExifWhitePoint[2] = {};
    double ExifPrimaryChromaticities[6] = {};
    double ExifYCbCrCoefficients[3] = {};
    int32_t ExifYCbCrPositioning = 0;
    double ExifReferenceBlackWhite[6] = {};
    std::string ExifCopyright;
    double ExifExposureTime = 0;
    double ExifFNumber = 0;
    int32_t ExifExposureProgram = 0;
    int32_t ExifIsoSpeedRatings[2] = {};
    std::string ExifVersion;
    std::string ExifDateTimeOriginal;
    std::string ExifDateTimeDigitized;
    double ExifCompressedBitsPerPixel = 0;
    double ExifShutterSpeedValue = 0;
    double ExifApertureValue = 0;
    double ExifBrightnessValue = 0;
    double ExifExposureBiasValue = 0;
    double ExifMaxApertureValue = 0;
    double ExifSubjectDistance = 0;
    int32_t ExifMeteringMode = 0;
    int32_t ExifLightSource = 0;
    int32_t ExifFlash = 0;
    double ExifFocalLength = 0;
    std::string ExifUserCommentCode;
    std::string ExifUserComment;
    std::string ExifSubsecTime;
    std::string ExifSubsecTimeOriginal;
    std::string ExifSubsecTimeDigitized;
    std::string ExifFlashPixVersion;
    int32_t ExifColorSpace = 0;
    int32_t ExifPixelXDimension = 0;
    int32_t ExifPixelYDimension = 0;
    std::string ExifRelatedSoundFile;
    double ExifFocalPlaneXResolution = 0;
    double ExifFocalPlaneYResolution = 0;
    int32_t ExifFocalPlaneResolutionUnit = 0;
    double ExifExposureIndex = 0;
    int32_t ExifSensingMethod = 0;
    int32_t ExifFileSource = 0;
    int32_t ExifSceneType = 0;

    // Indexed access to the EXIF arrays; an index outside the array is ignored (0 on reading).
    int32_t GetExifIsoSpeedRatings(int32_t index) const;
    void SetExifIsoSpeedRatings(int32_t index, int32_t value);
    double GetExifWhitePoint(int32_t index) const;
    void SetExifWhitePoint(int32_t index, double value);
    double GetExifPrimaryChromaticities(int32_t index) const;
    void SetExifPrimaryChromaticities(int32_t index, double value);
    double GetExifYCbCrCoefficients(int32_t index) const;
    void SetExifYCbCrCoefficients(int32_t index, double value);
    double GetExifReferenceBlackWhite(int32_t index) const;
    void SetExifReferenceBlackWhite(int32_t index, double value);

    // The coders this record uses: its own when set, else the library-wide ones.
    TGifLzwDecoderProc EffectiveGifLzwDecoder() const {
        return GifLzwDecoder ? GifLzwDecoder : GifLzwDecoderHook;
    }
    TGifLzwEncoderProc EffectiveGifLzwEncoder() const {
        return GifLzwEncoder ? GifLzwEncoder : GifLzwEncoderHook;
    }
    TTiffLzwDecoderFunc EffectiveTiffLzwDecoder() const {
        return TiffLzwDecoder ? TiffLzwDecoder : TiffLzwDecoderHook;
    }
    TTiffLzwEncoderProc EffectiveTiffLzwEncoder() const {
        return TiffLzwEncoder ? TiffLzwEncoder : TiffLzwEncoderHook;
    }

private:
    void ClearExifValues();
    std::unique_ptr<TIKBitmap> FExifThumbnail;
};

} // namespace imaging
