#include "imaging/io/IOParams.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/io/IOLzw.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cmath>

namespace imaging {

// The library's own coders (constant-initialised: records made during start-up see them too).
TGifLzwDecoderProc GifLzwDecoderHook = &IOGifLzwDecode;
TGifLzwEncoderProc GifLzwEncoderHook = &IOGifLzwEncode;
TTiffLzwDecoderFunc TiffLzwDecoderHook = &IOTiffLzwDecode;
TTiffLzwEncoderProc TiffLzwEncoderHook = &IOTiffLzwEncode;

int32_t IKDefaultDpiX = 96;
int32_t IKDefaultDpiY = 96;

namespace {

template <typename T, size_t N> T IOParamsGetAt(const T (&values)[N], int32_t index) {
    return index >= 0 && size_t(index) < N ? values[index] : T{};
}

template <typename T, size_t N> void IOParamsSetAt(T (&values)[N], int32_t index, T value) {
    if (index >= 0 && size_t(index) < N)
        values[index] = value;
}

} // namespace

TIOParamsVals::TIOParamsVals(TIOParamsOwner* owner) : Owner(owner) {
    SetDefaults();
}

TIOParamsVals::~TIOParamsVals() = default;

TIKColorTriple* TIOParamsVals::NewColorMap(int32_t count) {
    ColorMap.assign(size_t(count > 0 ? count : 0), TIKColorTriple{});
    return ColorMap.data();
}

TIKBitmap* TIOParamsVals::GetExifThumbnail() {
    if (!FExifThumbnail)
        FExifThumbnail = std::make_unique<TIKBitmap>();
    return FExifThumbnail.get();
}

void TIOParamsVals::SetDefaults() {
    FreeColorMap();
    FileName.clear();
    FileType = 0;
    BitsPerSample = 8;
    SamplesPerPixel = 3;
    Width = Height = 0;
    DpiX = DpiY = 0;
    if (Owner) {
        int32_t w = 0, h = 0;
        if (Owner->GetAttachedBitmapSize(w, h)) {
            Width = w;
            Height = h;
        }
        int32_t dx = 0, dy = 0;
        if (Owner->GetAttachedViewDpi(dx, dy)) {
            DpiX = dx;
            DpiY = dy;
        }
    }

    GifVersion = "GIF89a";
    GifImageIndex = 0;
    GifImageCount = 0;
    GifXPosition = GifYPosition = 0;
    GifDelay = 0;
    GifTransparent = 0;
    GifTransparentColor = {};
    GifInterlaced = 0;
    GifScreenWidth = GifScreenHeight = 0;
    GifBackground = {};
    GifAspectRatio = 0;
    GifComments.clear();
    GifLzwDecoder = GifLzwDecoderHook;
    GifLzwEncoder = GifLzwEncoderHook;

    TiffCompression = iktcNone;
    TiffImageIndex = 0;
    TiffImageCount = 0;
    TiffPhotometric = iktpRgb;
    TiffPlanarConfig = 1;
    TiffXPosition = TiffYPosition = 0;
    TiffDocumentName.clear();
    TiffImageDescription.clear();
    TiffPageName.clear();
    TiffPageNumber = TiffPageCount = 0;
    TiffOrientation = 1;
    TiffApplyOrientation = 0;
    TiffJpegQuality = 80;
    TiffLzwDecoder = TiffLzwDecoderHook;
    TiffLzwEncoder = TiffLzwEncoderHook;

    JpegColorSpace = ikjcYCbCr;
    JpegQuality = 80;
    JpegDctMethod = ikjdIntegerSlow;
    JpegOptimalHuffman = 0;
    JpegSmoothing = 0;
    JpegProgressive = 0;
    JpegScale = ikjsFull;
    JpegScaleUsed = 1;
    JpegOriginalWidth = JpegOriginalHeight = 0;
    JpegWarningCount = JpegWarningCode = 0;
    JpegMarkers.Clear();

    Jpeg2000ColorSpace = ikj2Rgb;
    Jpeg2000Rate = 1.0;
    Jpeg2000Progression = ikj2Lrcp;

    PcxVersion = 5;
    PcxCompression = ikpcRle;
    BmpVersion = ikbvInfo40;
    BmpCompression = ikbcNone;
    IcoImageIndex = 0;
    IcoBackground = {255, 255, 255};
    CurImageIndex = 0;
    CurXHotSpot = CurYHotSpot = 0;
    CurBackground = {255, 255, 255};
    PngInterlaced = 0;
    PngBackground = {};
    PngFilter = ikpfNone;
    PngCompression = 5;
    TgaXPosition = TgaYPosition = 0;
    TgaCompressed = 1;
    TgaDescription.clear();
    TgaAuthor.clear();
    TgaName.clear();
    TgaBackground = {};
    TgaAspectRatio = 1.0;
    TgaGamma = 2.2;
    TgaGrayLevel = 0;
    TgaDate = std::floor(vcl::Date());

    IptcRecords.Clear();
    PnmComments.clear();
    ClearExif();
}

void TIOParamsVals::ClearAll() {
    IptcRecords.Clear();
    JpegMarkers.Clear();
    ClearExif();
    GifComments.clear();
    TiffDocumentName.clear();
    TiffImageDescription.clear();
    TiffPageName.clear();
    TgaDescription.clear();
    TgaAuthor.clear();
    TgaName.clear();
    PnmComments.clear();
}

void TIOParamsVals::ClearExif() {
    ExifPresent = 0;
    FExifThumbnail.reset();
    ClearExifValues();
}

void TIOParamsVals::ClearExifValues() {
    for (std::string* s : {&ExifImageDescription, &ExifMake, &ExifModel, &ExifSoftware, &ExifDateTime,
                           &ExifCopyright, &ExifVersion, &ExifDateTimeOriginal, &ExifDateTimeDigitized,
                           &ExifUserCommentCode, &ExifUserComment, &ExifSubsecTime, &ExifSubsecTimeOriginal,
                           &ExifSubsecTimeDigitized, &ExifFlashPixVersion, &ExifRelatedSoundFile})
        s->clear();
    for (int32_t* i : {&ExifOrientation, &ExifResolutionUnit, &ExifYCbCrPositioning, &ExifExposureProgram,
                       &ExifIsoSpeedRatings[0], &ExifIsoSpeedRatings[1], &ExifMeteringMode, &ExifLightSource,
                       &ExifFlash, &ExifColorSpace, &ExifPixelXDimension, &ExifPixelYDimension,
                       &ExifFocalPlaneResolutionUnit, &ExifSensingMethod, &ExifFileSource, &ExifSceneType})
        *i = 0;
    for (double* d :
         {&ExifXResolution, &ExifYResolution, &ExifExposureTime, &ExifFNumber, &ExifCompressedBitsPerPixel,
          &ExifShutterSpeedValue, &ExifApertureValue, &ExifBrightnessValue, &ExifExposureBiasValue,
          &ExifMaxApertureValue, &ExifSubjectDistance, &ExifFocalLength, &ExifFocalPlaneXResolution,
          &ExifFocalPlaneYResolution, &ExifExposureIndex})
        *d = 0;
    for (double& d : ExifWhitePoint)
        d = 0;
    for (double& d : ExifPrimaryChromaticities)
        d = 0;
    for (double& d : ExifYCbCrCoefficients)
        d = 0;
    for (double& d : ExifReferenceBlackWhite)
        d = 0;
}

void TIOParamsVals::Assign(const TIOParamsVals& source) {
    if (&source == this)
        return;
    BitsPerSample = source.BitsPerSample;
    SamplesPerPixel = source.SamplesPerPixel;
    Width = source.Width;
    Height = source.Height;
    DpiX = source.DpiX;
    DpiY = source.DpiY;
    FileType = source.FileType;
    FileName = source.FileName;
    ColorMap = source.ColorMap;

    TiffCompression = source.TiffCompression;
    TiffImageIndex = source.TiffImageIndex;
    TiffImageCount = source.TiffImageCount;
    TiffPhotometric = source.TiffPhotometric;
    TiffPlanarConfig = source.TiffPlanarConfig;
    TiffXPosition = source.TiffXPosition;
    TiffYPosition = source.TiffYPosition;
    TiffDocumentName = source.TiffDocumentName;
    TiffImageDescription = source.TiffImageDescription;
    TiffPageName = source.TiffPageName;
    TiffPageNumber = source.TiffPageNumber;
    TiffPageCount = source.TiffPageCount;
    TiffOrientation = source.TiffOrientation;
    TiffApplyOrientation = source.TiffApplyOrientation;
    TiffJpegQuality = source.TiffJpegQuality;
    TiffLzwDecoder = source.TiffLzwDecoder;
    TiffLzwEncoder = source.TiffLzwEncoder;

    GifVersion = source.GifVersion;
    GifImageIndex = source.GifImageIndex;
    GifImageCount = source.GifImageCount;
    GifXPosition = source.GifXPosition;
    GifYPosition = source.GifYPosition;
    GifDelay = source.GifDelay;
    GifTransparent = source.GifTransparent;
    GifTransparentColor = source.GifTransparentColor;
    GifInterlaced = source.GifInterlaced;
    GifScreenWidth = source.GifScreenWidth;
    GifScreenHeight = source.GifScreenHeight;
    GifBackground = source.GifBackground;
    GifAspectRatio = source.GifAspectRatio;
    GifComments = source.GifComments;
    GifLzwDecoder = source.GifLzwDecoder;
    GifLzwEncoder = source.GifLzwEncoder;

    JpegColorSpace = source.JpegColorSpace;
    JpegQuality = source.JpegQuality;
    JpegDctMethod = source.JpegDctMethod;
    JpegOptimalHuffman = source.JpegOptimalHuffman;
    JpegSmoothing = source.JpegSmoothing;
    JpegProgressive = source.JpegProgressive;
    JpegScale = source.JpegScale;
    JpegScaleUsed = source.JpegScaleUsed;
    JpegOriginalWidth = source.JpegOriginalWidth;
    JpegOriginalHeight = source.JpegOriginalHeight;
    JpegMarkers.Assign(&source.JpegMarkers);

    Jpeg2000ColorSpace = source.Jpeg2000ColorSpace;
    Jpeg2000Rate = source.Jpeg2000Rate;
    Jpeg2000Progression = source.Jpeg2000Progression;

    PcxVersion = source.PcxVersion;
    PcxCompression = source.PcxCompression;
    BmpVersion = source.BmpVersion;
    BmpCompression = source.BmpCompression;
    IcoImageIndex = source.IcoImageIndex;
    IcoBackground = source.IcoBackground;
    CurImageIndex = source.CurImageIndex;
    CurXHotSpot = source.CurXHotSpot;
    CurYHotSpot = source.CurYHotSpot;
    CurBackground = source.CurBackground;
    PngInterlaced = source.PngInterlaced;
    PngBackground = source.PngBackground;
    PngFilter = source.PngFilter;
    PngCompression = source.PngCompression;
    TgaXPosition = source.TgaXPosition;
    TgaYPosition = source.TgaYPosition;
    TgaCompressed = source.TgaCompressed;
    TgaDescription = source.TgaDescription;
    TgaAuthor = source.TgaAuthor;
    TgaName = source.TgaName;
    TgaDate = source.TgaDate;
    TgaBackground = source.TgaBackground;
    TgaAspectRatio = source.TgaAspectRatio;
    TgaGamma = source.TgaGamma;
    TgaGrayLevel = source.TgaGrayLevel;
    PnmComments = source.PnmComments;
    IptcRecords.Assign(&source.IptcRecords);

    ExifPresent = source.ExifPresent;
    ExifImageDescription = source.ExifImageDescription;
    ExifMake = source.ExifMake;
    ExifModel = source.ExifModel;
    ExifOrientation = source.ExifOrientation;
    ExifXResolution = source.ExifXResolution;
    ExifYResolution = source.ExifYResolution;
    ExifResolutionUnit = source.ExifResolutionUnit;
    ExifSoftware = source.ExifSoftware;
    ExifDateTime = source.ExifDateTime;
    std::copy(std::begin(source.ExifWhitePoint), std::end(source.ExifWhitePoint), ExifWhitePoint);
    std::copy(std::begin(source.ExifPrimaryChromaticities), std::end(source.ExifPrimaryChromaticities),
              ExifPrimaryChromaticities);
    std::copy(std::begin(source.ExifYCbCrCoefficients), std::end(source.ExifYCbCrCoefficients),
              ExifYCbCrCoefficients);
    ExifYCbCrPositioning = source.ExifYCbCrPositioning;
    std::copy(std::begin(source.ExifReferenceBlackWhite), std::end(source.ExifReferenceBlackWhite),
              ExifReferenceBlackWhite);
    ExifCopyright = source.ExifCopyright;
    ExifExposureTime = source.ExifExposureTime;
    ExifFNumber = source.ExifFNumber;
    ExifExposureProgram = source.ExifExposureProgram;
    std::copy(std::begin(source.ExifIsoSpeedRatings), std::end(source.ExifIsoSpeedRatings),
              ExifIsoSpeedRatings);
    ExifVersion = source.ExifVersion;
    ExifDateTimeOriginal = source.ExifDateTimeOriginal;
    ExifDateTimeDigitized = source.ExifDateTimeDigitized;
    ExifCompressedBitsPerPixel = source.ExifCompressedBitsPerPixel;
    ExifShutterSpeedValue = source.ExifShutterSpeedValue;
    ExifApertureValue = source.ExifApertureValue;
    ExifBrightnessValue = source.ExifBrightnessValue;
    ExifExposureBiasValue = source.ExifExposureBiasValue;
    ExifMaxApertureValue = source.ExifMaxApertureValue;
    ExifSubjectDistance = source.ExifSubjectDistance;
    ExifMeteringMode = source.ExifMeteringMode;
    ExifLightSource = source.ExifLightSource;
    ExifFlash = source.ExifFlash;
    ExifFocalLength = source.ExifFocalLength;
    ExifUserCommentCode = source.ExifUserCommentCode;
    ExifUserComment = source.ExifUserComment;
    ExifSubsecTime = source.ExifSubsecTime;
    ExifSubsecTimeOriginal = source.ExifSubsecTimeOriginal;
    ExifSubsecTimeDigitized = source.ExifSubsecTimeDigitized;
    ExifFlashPixVersion = source.ExifFlashPixVersion;
    ExifColorSpace = source.ExifColorSpace;
    ExifPixelXDimension = source.ExifPixelXDimension;
    ExifPixelYDimension = source.ExifPixelYDimension;
    ExifRelatedSoundFile = source.ExifRelatedSoundFile;
    ExifFocalPlaneXResolution = source.ExifFocalPlaneXResolution;
    ExifFocalPlaneYResolution = source.ExifFocalPlaneYResolution;
    ExifFocalPlaneResolutionUnit = source.ExifFocalPlaneResolutionUnit;
    ExifExposureIndex = source.ExifExposureIndex;
    ExifSensingMethod = source.ExifSensingMethod;
    ExifFileSource = source.ExifFileSource;
    ExifSceneType = source.ExifSceneType;
    if (source.FExifThumbnail)
        GetExifThumbnail()->Assign(source.FExifThumbnail.get());
}

int32_t TIOParamsVals::GetExifIsoSpeedRatings(int32_t index) const {
    return IOParamsGetAt(ExifIsoSpeedRatings, index);
}
void TIOParamsVals::SetExifIsoSpeedRatings(int32_t index, int32_t value) {
    IOParamsSetAt(ExifIsoSpeedRatings, index, value);
}
double TIOParamsVals::GetExifWhitePoint(int32_t index) const {
    return IOParamsGetAt(ExifWhitePoint, index);
}
void TIOParamsVals::SetExifWhitePoint(int32_t index, double value) {
    IOParamsSetAt(ExifWhitePoint, index, value);
}
double TIOParamsVals::GetExifPrimaryChromaticities(int32_t index) const {
    return IOParamsGetAt(ExifPrimaryChromaticities, index);
}
void TIOParamsVals::SetExifPrimaryChromaticities(int32_t index, double value) {
    IOParamsSetAt(ExifPrimaryChromaticities, index, value);
}
double TIOParamsVals::GetExifYCbCrCoefficients(int32_t index) const {
    return IOParamsGetAt(ExifYCbCrCoefficients, index);
}
void TIOParamsVals::SetExifYCbCrCoefficients(int32_t index, double value) {
    IOParamsSetAt(ExifYCbCrCoefficients, index, value);
}
double TIOParamsVals::GetExifReferenceBlackWhite(int32_t index) const {
    return IOParamsGetAt(ExifReferenceBlackWhite, index);
}
void TIOParamsVals::SetExifReferenceBlackWhite(int32_t index, double value) {
    IOParamsSetAt(ExifReferenceBlackWhite, index, value);
}

} // namespace imaging
