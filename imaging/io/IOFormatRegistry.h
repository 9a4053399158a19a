// The format registry: the image formats the I/O component knows, by id, with a description, their file
// extensions and the filters that read, write and recognise them; and signature detection, which tells a
// stream's or file's format from its first bytes.
#pragma once

#include "imaging/io/IOParams.h"

#include <cstdint>
#include <memory>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIKMask;

// Format ids, as TIOParamsVals::FileType holds them.
enum TIKFormatId : int32_t {
    ikfUnknown = 0,
    ikfTiff = 1,
    ikfGif = 2,
    ikfJpeg = 3,
    ikfPcx = 4,
    ikfBmp = 5,
    ikfIco = 6,
    ikfCur = 7,
    ikfPng = 8,
    ikfWmf = 9,
    ikfEmf = 10,
    ikfTga = 11,
    ikfPnm = 12,
    ikfJp2 = 13,
    ikfJ2k = 14
};

using TIKFormatReadProc = void (*)(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                                   TIKProgressContext& progress, TIKReadMode mode);
using TIKFormatWriteProc = void (*)(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                                    TIKProgressContext& progress);
using TIKFormatDetectProc = bool (*)(vcl::TStream* stream);

// Where a read's bytes come from: a file (the data runs to its end) or a stream the I/O component was
// handed (more may follow the image).
enum TIKReadOrigin : uint8_t { ikroFile, ikroStream };

// One read as the I/O component asks it of a format: more than a read callback receives.
struct TIKFormatReadArgs {
    vcl::TStream* Stream;
    TIKBitmap* Bitmap;
    TIOParamsVals& Params;
    TIKProgressContext& Progress;
    TIKReadMode Mode = ikrmImage;
    TIKReadOrigin Origin = ikroFile;
    // The data length a stream block header gave, -1 without one.
    int64_t BlockLength = -1;
    // Transparency the reader found, as a mask of the image's size; the component makes it the image's
    // alpha channel.
    std::unique_ptr<TIKMask> Mask{};
    // The images or pages the data holds, for the formats that count them.
    int32_t Count = 0;
};
using TIKFormatLoadProc = void (*)(TIKFormatReadArgs& args);

// The 12-byte block header (a 4-byte tag, a 0 byte, 3 unused bytes, the little-endian data length) that
// lets several images share one stream.
enum TIKBlockHeaderRead : uint8_t {
    ikbhNone,     // stream loads never look for one
    ikbhExpected, // with StreamHeaders a stream load needs one with the format's tag, else it fails
    ikbhProbed,   // every stream load takes one with the format's tag when it is there
};

// Which loads give an attached view the image's resolution.
enum TIKViewDpiRule : uint8_t { ikvdFileAndStream, ikvdFileOnly, ikvdNever };

// How a load changes the component's background colour.
enum TIKLoadBackground : uint8_t {
    iklbKeep,
    iklbGif, // the GIF's transparent colour when it has one, else its screen background
    iklbPng, // the reader starts from the component's colour (PngBackground) and hands back what it found
};

// One registry record: a format as the registry lists it and as the I/O component reads and writes it.
// Descriptions and extension lists hold at most 80 characters; extensions have no dots and are separated by
// ";". An added format needs an id, its extensions and a Read or Load; the other fields have the defaults
// of a plain format.
struct TIKFormatEntry {
    int32_t FormatId = 0;
    std::string Description;
    std::string Extensions;
    TIKFormatReadProc Read = nullptr;
    TIKFormatWriteProc Write = nullptr;
    TIKFormatDetectProc Detect = nullptr;
    // The I/O component's reader; without one it calls Read. Built-in entries have both.
    TIKFormatLoadProc Load = nullptr;
    // Extensions that pick the format too without being listed (as Extensions, ";" between them).
    std::string MoreExtensions{};
    // Stream saves write a block header with this tag when StreamHeaders is set; null: never.
    const char* BlockTag = nullptr;
    TIKBlockHeaderRead BlockHeaderRead = ikbhNone;
    // An older header that stream loads still accept in place of the tagged one: these bytes and a 0
    // byte, the data running on to the end of the stream. Null: none.
    const char* OlderBlockTag = nullptr;
    // Whether a stream save whose writer failed still fills in its block header's length.
    bool BlockLengthAfterFailure = true;
    TIKViewDpiRule ViewDpi = ikvdFileAndStream;
    TIKLoadBackground Background = iklbKeep;
    // File loads of the format import a metafile (TImageKitIO::ImportMetafile) instead of reading.
    bool Metafile = false;
};

// Runs the entry's reader the way the I/O component does: Load when there is one, else Read. False when
// the entry has neither.
bool RunFormatRead(const TIKFormatEntry& entry, TIKFormatReadArgs& args);

// The placeholders of formats without a filter: reading and writing report failure (and write nothing);
// detection answers false.
void NoFormatRead(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                  TIKProgressContext& progress, TIKReadMode mode);
void NoFormatWrite(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                   TIKProgressContext& progress);
bool NoFormatDetect(vcl::TStream* stream);

// Appends a copy of the entry (texts cut to 80 characters); its index in the list.
int32_t RegisterFormatEntry(const TIKFormatEntry& entry);
// The first entry with that id, or null. Entries stay where they are until FreeFormatRegistry.
const TIKFormatEntry* FindFormatEntryById(int32_t id);
// The first entry one of whose extensions (listed, then further ones) equals ext (without its dot), case
// ignored; null when none.
const TIKFormatEntry* FindFormatEntryByExtension(const std::string& ext);
// The number of extensions of the entry with that id (0 when there is none), and the index-th of them
// (empty when the id or the index does not exist).
int32_t FormatExtensionCount(int32_t id);
std::string FormatExtensionAt(int32_t id, int32_t index);
// The format id of the content at the stream's position, 0 when unknown; the position is unchanged.
int32_t FindStreamFormat(vcl::TStream* stream);
// The format id of a file's content, 0 when unknown or unreadable. With checkExtension the id must agree
// with the file's extension (icons and cursors, which share one layout, take the extension's id).
int32_t FindFileFormat(const std::string& fileName, bool checkExtension);

// The registry holds the built-in formats from first use on; BuildFormatRegistry starts it again with
// them alone, FreeFormatRegistry empties it.
void BuildFormatRegistry();
void FreeFormatRegistry();

} // namespace imaging
