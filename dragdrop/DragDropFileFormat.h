// File names as the shell hands them over: name lists (zero-ended names back to back, ended by one more
// zero, in 8-bit or 16-bit characters) and CF_HDROP, a header and a name list. Below both the file drop
// formats and the item-id lists, which convert to and from it.
#pragma once

#include "dragdrop/DragDropFormats.h"
#include "platform/vcl/StringList.h"

#include <cstddef>
#include <memory>

namespace dragdrop {

// Appends the names of a list of size bytes (8-bit names are UTF-8; 16-bit ones are converted to it).
// Nothing is read past the block: a last name without its zero ends at the block's end, and an odd last
// byte of a 16-bit list is ignored. True when a name was taken.
bool ReadNameList(const void* block, size_t size, bool wide, vcl::TStrings* list);
// Writes the names and the final zero into a block of size bytes, never past its end.
void WriteNameList(void* block, size_t size, bool wide, vcl::TStrings* list);
// The bytes a list of these names takes, its final zero included.
int64_t NameListSize(vcl::TStrings* list, bool wide);

// CF_HDROP: a 20-byte header (the list's offset, a point, the non-client and wide flags), then the names.
class TFileClipboardFormat : public TCustomSimpleClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFileClipboardFormat)
public:
    TFileClipboardFormat();
    ~TFileClipboardFormat() override;
    uint16_t GetClipboardFormat() override;
    // Blocks under 21 bytes, and blocks whose list would start past their end, are refused.
    bool ReadData(const void* buffer, size_t size) override;
    // Writes the names as an 8-bit list after a header that says so.
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override;
    bool HasData() override { return FFiles->Count() > 0; }
    void Clear() override { FFiles->Clear(); }
    bool Assign(TCustomDataFormat* source) override;
    bool AssignTo(TCustomDataFormat* dest) override;
    vcl::TStringList* GetFiles() const { return FFiles.get(); }

private:
    std::unique_ptr<vcl::TStringList> FFiles;
};

} // namespace dragdrop
