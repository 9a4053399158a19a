// The format registry: the image formats the I/O component knows, by id, with a description, their file
// extensions and the filters that read, write and recognise them; and signature detection, which tells a
// stream's or file's format from its first bytes.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {
class TStream;
}

namespace imaging {

class TIKBitmap;
class TIOParamsVals;
struct TIKProgressContext;

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
                                   TIKProgressContext& progress, bool paramsOnly);
using TIKFormatWriteProc = void (*)(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                                    TIKProgressContext& progress);
using TIKFormatDetectProc = bool (*)(vcl::TStream* stream);

// One registry record. Descriptions and extension lists hold at most 80 characters; extensions have no
// dots and are separated by ";".
struct TIKFormatEntry {
    int32_t FormatId = 0;
    std::string Description;
    std::string Extensions;
    TIKFormatReadProc Read = nullptr;
    TIKFormatWriteProc Write = nullptr;
    TIKFormatDetectProc Detect = nullptr;
};

// The placeholders of formats without a filter: reading and writing report failure (and write nothing);
// detection answers false.
void NoFormatRead(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                  TIKProgressContext& progress, bool paramsOnly);
void NoFormatWrite(vcl::TStream* stream, TIKBitmap* bitmap, TIOParamsVals& params,
                   TIKProgressContext& progress);
bool NoFormatDetect(vcl::TStream* stream);

// Appends a copy of the entry (texts cut to 80 characters); its index in the list.
int32_t RegisterFormatEntry(const TIKFormatEntry& entry);
// The first entry with that id, or null. Entries stay where they are until FreeFormatRegistry.
const TIKFormatEntry* FindFormatEntryById(int32_t id);
// The first entry one of whose extensions equals ext (without its dot), case ignored; null when none.
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
