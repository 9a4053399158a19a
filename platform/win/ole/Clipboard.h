// The clipboard: one store per process, holding one block per format. A desktop backend may mirror the
// text and file formats to the desktop's clipboard through a bridge.
#pragma once

#include "platform/win/WinTypes.h"

#include <string>
#include <vector>

namespace win {

constexpr UINT CF_TEXT = 1;
constexpr UINT CF_BITMAP = 2;
constexpr UINT CF_METAFILEPICT = 3;
constexpr UINT CF_DIB = 8;
constexpr UINT CF_PALETTE = 9;
constexpr UINT CF_UNICODETEXT = 13;
constexpr UINT CF_ENHMETAFILE = 14;
constexpr UINT CF_HDROP = 15;
constexpr UINT CF_LOCALE = 16;
constexpr UINT CF_DIBV5 = 17;

// Opening fails while another window holds the clipboard open.
BOOL OpenClipboard(HWND owner);
BOOL CloseClipboard();
// Frees what the clipboard holds; the window that opened it becomes its owner.
BOOL EmptyClipboard();
// The clipboard takes the block (a global memory block, or a bitmap or palette for CF_BITMAP and
// CF_PALETTE) and frees it when emptied. Returns nullptr, leaving the block to the caller, on failure.
HANDLE SetClipboardData(UINT format, HANDLE data);
// The block stays the clipboard's.
HANDLE GetClipboardData(UINT format);
BOOL IsClipboardFormatAvailable(UINT format);
UINT EnumClipboardFormats(UINT format);
int CountClipboardFormats();
// One id per name (compared without case), stable within the process, from 0xC000 up.
UINT RegisterClipboardFormat(const char* name);
// The name of a registered format; 0 (and an empty buffer) for the predefined ones.
int GetClipboardFormatName(UINT format, char* buffer, int maxCount);
HWND GetClipboardOwner();
// Counts the clipboard's changes (emptied, a block set): a reader can tell whether it changed since.
DWORD GetClipboardSequenceNumber();
HWND GetOpenClipboardWindow();

// Mirrors the clipboard to a desktop's. The backend installs one; the store tells it after every change
// and asks it for formats it does not hold itself. Bitmaps travel as packed 32-bit DIBs (CF_DIB): a
// CF_BITMAP put on the clipboard is published as CF_DIB, and a CF_BITMAP asked for is made from the
// desktop's CF_DIB.
class IClipboardBridge {
public:
    virtual ~IClipboardBridge() = default;
    // The clipboard was emptied: what follows replaces what the desktop was given.
    virtual void Emptied() {}
    virtual void Published(UINT format, const std::vector<uint8_t>& bytes) = 0;
    // What another program put on the desktop's clipboard, as the bytes of the format asked for.
    virtual bool Fetch(UINT format, std::vector<uint8_t>* bytes) = 0;
};
void SetClipboardBridge(IClipboardBridge* bridge);
// Another program took the desktop's clipboard: the store lets go of what it holds (unless the clipboard
// is open just now), so that readers get the desktop's data from then on.
void DesktopClipboardChanged();

// A packed DIB (header and 32-bit bottom-up rows) of a bitmap, and a 32-bit bitmap made from a packed
// DIB of 24 or 32 bits (null for anything else, or a block shorter than its header says).
std::vector<uint8_t> PackedDibFromBitmap(HBITMAP bitmap);
HBITMAP BitmapFromPackedDib(const uint8_t* block, size_t size);

} // namespace win
