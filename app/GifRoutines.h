// The editor's document routines: loading and saving GIF files with the user's messages, normalising a
// document before it is saved or played, adding a picture as a frame under the palette settings, the
// loop count, frame delays and disposals, frame moves, fitting frame and animation sizes to each other,
// reading any supported image file into a bitmap, and the encoded size. They keep no state of their own
// but the hooks the main window sets, and run on the GUI thread only. This is the editor's chief header
// for the code that needs no window.
#pragma once

#include "app/FormPlacement.h"
#include "app/Settings.h"
#include "app/ShellUtils.h"
#include "gif/GifDocument.h"

#include <cstdint>
#include <functional>
#include <string>

namespace vcl {
class TBitmap;
}
namespace imaging {
class TImageKit;
}

namespace app {

// A colour table of no image: the colour picker's working copy. Its hooks do nothing, and sorting it
// answers false.
class TCmdColorMap : public gif::TGifColorMap {
public:
    void ReportIssue(int32_t severity, const std::string& message) override {}
    void CountUsage(gif::TGifUsageHistogram& histogram) override {}
    void RemapPixels(const gif::TGifRemapTable& map) override {}
    bool SortAndPrune() override { return false; }
    void ColorsChanged() override {}
};

// The hourglass while a routine works; the cursor before it comes back on every exit.
class THourglass {
public:
    THourglass();
    ~THourglass();
    THourglass(const THourglass&) = delete;
    THourglass& operator=(const THourglass&) = delete;

private:
    int16_t FPrevious = 0; // a vcl::TCursor; crDefault
};

// ---- Files -------------------------------------------------------------------------------------------

// Reads the file into the document; on failure tells the user and returns false, the document as it was.
bool LoadGifFile(gif::TGifDocument* document, const std::string& fileName);
// Normalises the document and writes it through a temporary file renamed over the target, so a failed
// save leaves the old file as it was. Saves only when create is set or the file exists; on failure tells
// the user and returns false.
bool SaveGifFile(gif::TGifDocument* document, const std::string& fileName, bool forSaving, bool create);
// Prepares a document for saving (forDisplay false) or playing: a global table when there is none,
// exactly one graphic control extension per frame (the last), exactly one loop extension, on frame 0
// (one of loopCount when only later frames had one). Disposals stay as they are.
void NormalizeGifForSave(gif::TGifDocument* document, bool forDisplay, int32_t loopCount);
// The bytes SaveToStream writes for the document.
int64_t GifEncodedSize(gif::TGifDocument* document);

// The extension table: 0 ".gif", 1 ".jpg" (and ".jpeg"), 2 ".bmp", 3 ".jif", 4 ".dcx", 5 ".ico",
// 6 ".pbm", 7 ".pcx", 8 ".ljp", 9 ".pgm", 10 ".pic", 11 ".png", 12 ".ppm", 13 ".rle", 14 ".tga",
// 15 ".tif" (and ".tiff"), 16 ".wmf" (and ".emf"), 17 ".wpg", 18 ".avi"; 20 for any other extension.
constexpr int32_t ImageTypeUnknown = 20;
int32_t ImageFileTypeIndex(const std::string& fileName);

// ---- Frames ------------------------------------------------------------------------------------------

// Asks for palette settings (type, dither, maximum colours) when they are not applied silently; false is
// Cancel. Until the palette dialog sets it, the prompt answers Cancel; tests replace it.
using TPaletteSettingsPrompt = std::function<bool(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors)>;
void SetPaletteSettingsPrompt(TPaletteSettingsPrompt prompt);
bool PromptPaletteSettings(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors);

// Adds the bitmap as a new frame at index (an index at or beyond the last frame's appends); returns the
// frame's index, or -1 when the user cancelled the palette question.
int32_t AddBitmapFrame(gif::TGifDocument* document, vcl::TBitmap* bitmap, int32_t index);
// What a document's first frame gets: an endless loop extension, a delay of one second, a sorted local
// table and a global table. Nothing when frame 0 already has a loop extension.
void ApplyFirstFrameDefaults(gif::TGifFrame* frame);
// Sets the document's reduction fields; true when the document is to be optimised to one global table.
bool ApplyPaletteSettings(gif::TGifDocument* document, int32_t paletteType, int32_t ditherMethod,
                          int32_t maxColors);
// Sorts and prunes every table, then merges them into one global table.
void OptimizeToGlobalPalette(gif::TGifDocument* document);
// Frees the frame at index; when it was frame 0, its loop extension moves to the new frame 0.
void FreeFrameAt(gif::TGifDocument* document, int32_t index);
// Moves a frame; the loop extension stays at the head of frame 0 with its count.
void MoveFrame(int32_t from, int32_t to, gif::TGifDocument* document);
// True when at least two frames are not empty.
bool IsAnimatedGif(gif::TGifDocument* document);

// ---- Loop count, delays, disposals, comments ---------------------------------------------------------

// The loop count of frame 0's loop extension (0: endless); 1 without frames or without one.
int32_t GetLoopCount(gif::TGifDocument* document);
// Creates, changes or (for 1) removes the loop extension of frame 0.
void SetLoopCount(gif::TGifDocument* document, int32_t count);
// Puts a new loop extension at the head of the frame's extension list; nothing for a count of 1 or a
// frame that does not exist.
void AddLoopExtension(gif::TGifDocument* document, int32_t frameIndex, int32_t count);
bool HasLoopExtension(gif::TGifDocument* document);
// The delay in hundredths of a second; a frame without a graphic control extension gets one (disposal
// dpRestoreBackground).
void SetFrameDelay(gif::TGifFrame* frame, int32_t delay);
// The disposal 0..3; a frame without a graphic control extension gets one.
void SetFrameDisposal(gif::TGifFrame* frame, int32_t disposal);
// Appends a comment extension whose lines are those of text.
void AddCommentExtension(gif::TGifFrame* frame, const std::string& text);

// Seconds typed by the user as a delay: hundredths rounded to the nearest, within 0..65535.
uint16_t SecondsToDelay(double seconds);
// A play count typed by the user, within 0..65535.
uint16_t ClampPlayCount(int64_t count);
// The play count of a spin box's value: the nearest whole number within 0..65535 (a value that is no number,
// from text that is none, gives 1).
uint16_t PlayCountFromValue(double value);

// ---- Sizes -------------------------------------------------------------------------------------------

// Makes a bitmap larger than the animation and the animation agree: trimming crops the bitmap to the
// logical screen; otherwise the logical screen grows to the larger of each dimension.
void FitFrameSize(gif::TGifDocument* document, vcl::TBitmap* bitmap, bool trim);
// Crops every frame that reaches past the bitmap's width or height (never below 1 pixel; a frame wholly
// beyond the edge is left); frames keep their extensions and colour tables.
void TrimFramesToSize(gif::TGifDocument* document, vcl::TBitmap* bitmap);
// Keeps the top-left width x height part of the bitmap.
void CropBitmap(vcl::TBitmap* bitmap, int32_t height, int32_t width);

// ---- Other image files --------------------------------------------------------------------------------

// Reads an image file of the type index into the bitmap: 0 on success, -1 on failure (the user has been
// told). A GIF of two or more non-empty frames leaves the bitmap as it is and succeeds. Types other than
// GIF and BMP go through the image component, whose 256-colour, 24-bit picture the bitmap receives.
int32_t LoadImageFileToBitmap(const std::string& fileName, vcl::TBitmap* bitmap, int32_t type);
// The main window's hidden image component, which LoadImageFileToBitmap reads other formats through;
// until one is handed over (and after it is freed) the routines use one of their own.
void SetRoutineImageKit(imaging::TImageKit* kit);

// The colour of the main window's transparent-colour swatch, which a document normalised for display
// takes as its background colour; none until the main window sets the source.
void SetTransparentColorSource(std::function<gif::TGifColor()> source);

} // namespace app
