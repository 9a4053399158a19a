// TBitmap: a picture held in a device-independent bitmap section (rows bottom-up, padded to 4 bytes),
// with its palette, a canvas, a transparency mask and BMP streaming.
#pragma once

#include "platform/vcl/BmpFormat.h"
#include "platform/vcl/Canvas.h"
#include "platform/vcl/Graphic.h"

#include <memory>

namespace vcl {

enum TPixelFormat { pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit, pfCustom };
enum TBitmapHandleType { bmDIB, bmDDB };
enum TTransparentMode { tmAuto, tmFixed };
// Whether the fourth byte of 32-bit pixels is alpha (read from files that carry it) or unused.
enum TAlphaFormat { afIgnored, afDefined };

class TBitmapCanvas;

class TBitmap : public TGraphic {
public:
    TBitmap();
    ~TBitmap() override;

    void Assign(TPersistent* source) override;
    void Draw(TCanvas* canvas, const TRect& rect) override;
    void LoadFromStream(TStream* stream) override;
    void SaveToStream(TStream* stream) override;
    // Loads the BMP file embedded under name (Resources.h): EResNotFound when there is none, EInvalidGraphic
    // naming it when its bytes are not a whole bitmap.
    void LoadFromResourceName(const std::string& name);
    // Form data: the size of the BMP stream as a 32-bit little-endian integer, then the BMP stream. A size
    // that does not match the data raises EReadError.
    void ReadData(TStream* stream) override;
    void WriteData(TStream* stream) override;

    bool GetEmpty() const override { return FFormat.Width == 0 || FFormat.Height == 0; }
    int32_t GetWidth() const override { return FFormat.Width; }
    int32_t GetHeight() const override { return FFormat.Height; }
    // Size changes keep the top-left part of the picture; new pixels are white.
    void SetWidth(int32_t value) override { SetSize(value, FFormat.Height); }
    void SetHeight(int32_t value) override { SetSize(FFormat.Width, value); }
    void SetSize(int32_t width, int32_t height);

    // The palette of the bitmap, owned by it (built from the colour table of bitmaps of 8 bits or less).
    win::HPALETTE GetPalette() const override;
    // Takes over the palette handle; bitmaps of 8 bits or less take its colours as their colour table.
    void SetPalette(win::HPALETTE value) override;
    // Gives up the palette: the caller owns the handle returned.
    win::HPALETTE ReleasePalette();
    bool GetIgnorePalette() const { return FIgnorePalette; }
    void SetIgnorePalette(bool value) { FIgnorePalette = value; }

    TCanvas* GetCanvas();

    // The bitmap handle, made on demand. Setting a handle hands it to the bitmap, which deletes it later
    // unless ReleaseHandle gives it back first (also after the bitmap converted it to another format).
    win::HBITMAP GetHandle();
    void SetHandle(win::HBITMAP value);
    // Gives up the handle: the caller owns the handle returned and the bitmap keeps a copy of the picture.
    win::HBITMAP ReleaseHandle();
    bool HandleAllocated() const { return FHandle != nullptr; }
    TBitmapHandleType GetHandleType() const;
    void SetHandleType(TBitmapHandleType value);

    TPixelFormat GetPixelFormat() const { return FPixelFormat; }
    // Converts the pixels to the new format in place.
    void SetPixelFormat(TPixelFormat value);
    bool GetMonochrome() const;
    void SetMonochrome(bool value);
    TAlphaFormat GetAlphaFormat() const { return FFormat.HasAlpha ? afDefined : afIgnored; }
    void SetAlphaFormat(TAlphaFormat value);

    // Row 0 is the top of the picture; the rows are the bitmap's own memory, bottom-up and 4-byte padded.
    void* ScanLine(int32_t row);

    // The transparent colour: fixed, or (tmAuto) the colour of the bottom-left pixel.
    TColor GetTransparentColor();
    void SetTransparentColor(TColor value);
    TTransparentMode GetTransparentMode() const { return FTransparentMode; }
    void SetTransparentMode(TTransparentMode value);
    // A monochrome bitmap of the same size whose set bits mark pixels of the transparent colour.
    win::HBITMAP GetMaskHandle();
    void SetMaskHandle(win::HBITMAP value);
    win::HBITMAP ReleaseMaskHandle();
    bool MaskHandleAllocated() const { return FMaskHandle != nullptr; }

    // Frees what can be made again (the canvas's device context, the mask, the palette handle).
    void Dormant();
    void FreeImage();

    // The layout of the pixels (width, height, depth, masks, colour table).
    const TDibFormat& GetDibFormat() const { return FFormat; }

protected:
    void Changed(TObject* sender) override;

private:
    friend class TBitmapCanvas;
    void FreeContext();
    void FreeMask();
    void FreePalette() const;
    // Replaces the pixels by a new section of the given layout (filled white), keeping nothing.
    uint8_t* NewImage(const TDibFormat& format);
    // Turns a device-dependent handle handed in through SetHandle into a section of our own.
    void NeedDib();
    void ReplaceHandle(win::HBITMAP handle, uint8_t* bits, const TDibFormat& format);
    void DropAdopted();
    TDibFormat FormatFor(TPixelFormat pf, int32_t width, int32_t height) const;
    static TPixelFormat PixelFormatOf(const TDibFormat& format);

    TDibFormat FFormat;
    TPixelFormat FPixelFormat = pfDevice;
    win::HBITMAP FHandle = nullptr;
    uint8_t* FBits = nullptr; // null for a device-dependent handle taken over through SetHandle
    mutable win::HPALETTE FPalette = nullptr;
    win::HBITMAP FMaskHandle = nullptr;
    win::HBITMAP FAdoptedHandle = nullptr; // the handle given to SetHandle, kept for ReleaseHandle
    std::unique_ptr<TBitmapCanvas> FCanvas;
    TColor FTransparentColor = clDefault;
    TTransparentMode FTransparentMode = tmAuto;
    bool FIgnorePalette = false;
};

// A new palette with the entries of palette (nullptr for nullptr); the caller owns it.
win::HPALETTE CopyPalette(win::HPALETTE palette);
// A new palette of the 16 colours every display shows: the first and last eight static colours.
win::HPALETTE SystemPalette16();

} // namespace vcl
