#include "imaging/core/IKExif.h"

#include "imaging/core/IKBitmap.h"
#include "imaging/core/IKMask.h"
#include "imaging/io/IOParams.h"
#include "imaging/io/TiffRead.h"
#include "platform/vcl/Streams.h"

#include <atomic>
#include <cstring>
#include <memory>

namespace imaging {

namespace {

// "Exif", 0, pad byte, then the 8 bytes of a TIFF header.
bool ExifHasTiffHeader(const uint8_t* p, int32_t size) {
    if (!p || size < 14 || std::memcmp(p, "Exif", 5) != 0)
        return false;
    const uint8_t* t = p + 6;
    if (t[0] == 'I' && t[1] == 'I')
        return t[2] == 42 && t[3] == 0;
    if (t[0] == 'M' && t[1] == 'M')
        return t[2] == 0 && t[3] == 42;
    return false;
}

void ExifCopyFields(const TIOParamsVals& s, TIOParamsVals& d) {
    d.ExifPresent = 1;
    d.ExifImageDescription = s.TiffImageDescription;
    d.ExifMake = s.ExifMake;
    d.ExifModel = s.ExifModel;
    d.ExifOrientation = s.ExifOrientation;
    d.ExifXResolution = s.ExifXResolution;
    d.ExifYResolution = s.ExifYResolution;
    d.ExifResolutionUnit = s.ExifResolutionUnit;
    d.ExifSoftware = s.ExifSoftware;
    d.ExifDateTime = s.ExifDateTime;
    std::memcpy(d.ExifWhitePoint, s.ExifWhitePoint, sizeof d.ExifWhitePoint);
    std::memcpy(d.ExifPrimaryChromaticities, s.ExifPrimaryChromaticities, sizeof d.ExifPrimaryChromaticities);
    std::memcpy(d.ExifYCbCrCoefficients, s.ExifYCbCrCoefficients, sizeof d.ExifYCbCrCoefficients);
    d.ExifYCbCrPositioning = s.ExifYCbCrPositioning;
    std::memcpy(d.ExifReferenceBlackWhite, s.ExifReferenceBlackWhite, sizeof d.ExifReferenceBlackWhite);
    d.ExifCopyright = s.ExifCopyright;
    d.ExifExposureTime = s.ExifExposureTime;
    d.ExifFNumber = s.ExifFNumber;
    d.ExifExposureProgram = s.ExifExposureProgram;
    std::memcpy(d.ExifIsoSpeedRatings, s.ExifIsoSpeedRatings, sizeof d.ExifIsoSpeedRatings);
    d.ExifVersion = s.ExifVersion;
    d.ExifDateTimeOriginal = s.ExifDateTimeOriginal;
    d.ExifDateTimeDigitized = s.ExifDateTimeDigitized;
    d.ExifCompressedBitsPerPixel = s.ExifCompressedBitsPerPixel;
    d.ExifShutterSpeedValue = s.ExifShutterSpeedValue;
    d.ExifApertureValue = s.ExifApertureValue;
    d.ExifBrightnessValue = s.ExifBrightnessValue;
    d.ExifExposureBiasValue = s.ExifExposureBiasValue;
    d.ExifMaxApertureValue = s.ExifMaxApertureValue;
    d.ExifSubjectDistance = s.ExifSubjectDistance;
    d.ExifMeteringMode = s.ExifMeteringMode;
    d.ExifLightSource = s.ExifLightSource;
    d.ExifFlash = s.ExifFlash;
    d.ExifFocalLength = s.ExifFocalLength;
    d.ExifSubsecTime = s.ExifSubsecTime;
    d.ExifSubsecTimeOriginal = s.ExifSubsecTimeOriginal;
    d.ExifSubsecTimeDigitized = s.ExifSubsecTimeDigitized;
    d.ExifFlashPixVersion = s.ExifFlashPixVersion;
    d.ExifColorSpace = s.ExifColorSpace;
    d.ExifPixelXDimension = s.ExifPixelXDimension;
    d.ExifPixelYDimension = s.ExifPixelYDimension;
    d.ExifRelatedSoundFile = s.ExifRelatedSoundFile;
    d.ExifFocalPlaneXResolution = s.ExifFocalPlaneXResolution;
    d.ExifFocalPlaneYResolution = s.ExifFocalPlaneYResolution;
    d.ExifFocalPlaneResolutionUnit = s.ExifFocalPlaneResolutionUnit;
    d.ExifExposureIndex = s.ExifExposureIndex;
    d.ExifSensingMethod = s.ExifSensingMethod;
    d.ExifFileSource = s.ExifFileSource;
    d.ExifSceneType = s.ExifSceneType;
    d.ExifUserComment = s.ExifUserComment;
    d.ExifUserCommentCode = s.ExifUserCommentCode;
}

} // namespace

bool IKParseExifBlock(const void* data, int32_t size, TIOParamsVals& params) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    if (!ExifHasTiffHeader(p, size))
        return false;
    TIOParamsVals temp(params.Owner);
    vcl::TReadOnlyMemoryStream stream(p + 6, size - 6);
    std::atomic<bool> aborting{false};
    TIKProgressContext progress(aborting);
    int32_t pages = 0;
    std::unique_ptr<TIKMask> noMask;
    // The first directory holds the fields; its pixels (if any) are not wanted.
    TIKBitmap scratch;
    DecodeTiffToBitmap(&scratch, &stream, pages, temp, progress, ikrmParamsOnly, nullptr, ikamIgnore);
    ExifCopyFields(temp, params);

    // The second directory holds the thumbnail; a thumbnail that cannot be decoded is dropped.
    if (pages >= 2) {
        temp.TiffImageIndex = 1;
        stream.SetPosition(0);
        aborting = false;
        auto thumbnail = std::make_unique<TIKBitmap>();
        DecodeTiffToBitmap(thumbnail.get(), &stream, pages, temp, progress, ikrmImage, nullptr, ikamIgnore);
        if (!aborting && thumbnail->Width() > 0)
            params.GetExifThumbnail()->Assign(thumbnail.get());
    }
    return true;
}

} // namespace imaging
