// The shell's standard formats: clipboard formats that move one flat block of bytes through a global
// memory block or a stream (text, wide text, 32-bit values, file group descriptors, the target's class id),
// the file contents as streams, and the data formats that hold text, file-content streams and the
// drop-effect feedback values.
//
// Every block another program hands over is read by its size rule before anything is copied: a block that
// does not fit gives no data. Streams longer than MaxDropBlockSize are refused before anything is allocated.
#pragma once

#include "dragdrop/DragDrop.h"
#include "platform/vcl/StreamAdapter.h"
#include "platform/vcl/Streams.h"
#include "platform/win/shell/Shell.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dragdrop {

// The largest stream a format reads (256 MiB).
inline constexpr uint64_t MaxDropBlockSize = uint64_t(256) << 20;

// ---- Streams ------------------------------------------------------------------------------------------------

// Named streams, owned; OnChanging fires before every change.
class TStreamList : public TObject {
public:
    ~TStreamList() override;
    // Takes the stream.
    int32_t Add(vcl::TStream* stream, const std::string& name);
    int32_t Count() const { return int32_t(FStreams.size()); }
    vcl::TStream* Streams(int32_t index) const { return FStreams.at(size_t(index)).get(); }
    const std::string& Names(int32_t index) const { return FNames.at(size_t(index)); }
    // Frees every stream.
    void Clear();
    // Moves the source's streams here (after clearing this list); the source is left empty.
    void Assign(TStreamList* source);

    vcl::TNotifyEvent OnChanging;

private:
    void Changing();
    std::vector<std::unique_ptr<vcl::TStream>> FStreams;
    std::vector<std::string> FNames;
};

// An IStream over a stream it owns. CopyTo copies in pieces of up to 1 MiB; asked for "the rest" (a count
// whose high half is negative) at the stream's end, it starts again from the beginning.
class TFixedStreamAdapter : public vcl::TStreamAdapter {
public:
    explicit TFixedStreamAdapter(vcl::TStream* stream) : TStreamAdapter(stream, vcl::soOwned) {}
    win::HRESULT CopyTo(win::IStream* dest, win::ULONGLONG count, win::ULONGLONG* read,
                        win::ULONGLONG* written) override;
    static constexpr uint64_t CopyBufferSize = 0x100000;
};

// ---- Simple formats: one block of bytes --------------------------------------------------------------------

class TCustomSimpleClipboardFormat : public TClipboardFormat {
public:
    TCustomSimpleClipboardFormat() { SetMedia(win::TYMED_HGLOBAL | win::TYMED_ISTREAM); }
    // The block's size (a global block's size, a stream's Stat size), then ReadDataFromMedium.
    bool DoGetData(win::IDataObject* source, const win::STGMEDIUM& medium) override;
    // A block of GetDataSize bytes filled by WriteData: a stream when IStream is asked for, else a global block.
    bool DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) override;

    virtual bool ReadDataFromMedium(const win::STGMEDIUM& medium, size_t size);
    // Takes the data from a block of size bytes; false when the block does not fit the format's rule.
    virtual bool ReadData(const void* buffer, size_t size) = 0;
    // Copies size bytes of the medium (a stream from its start) into buffer.
    virtual bool CopyDataFromMedium(const win::STGMEDIUM& medium, size_t size, void* buffer);
    // Puts the data into a zero-filled block of exactly size bytes.
    virtual bool WriteData(void* buffer, size_t size) = 0;
    virtual int64_t GetDataSize() = 0;
};

// A byte string; with the trim flag it ends at the first zero byte of a block.
class TCustomStringClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override;
    bool HasData() override { return !FData.empty(); }
    void Clear() override { FData.clear(); }

protected:
    std::string FData;
    bool FTrimZeroes = false;
};

// Text: trimmed at its first zero, written with a terminating zero. 8-bit text is UTF-8.
class TCustomTextClipboardFormat : public TCustomStringClipboardFormat {
public:
    TCustomTextClipboardFormat() { FTrimZeroes = true; }
    int64_t GetDataSize() override;
    const std::string& GetText() const { return FData; }
    void SetText(const std::string& value) { FData = value; }
};

// UTF-16 text.
class TCustomWideTextClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override;
    bool HasData() override { return !FWideText.empty(); }
    void Clear() override { FWideText.clear(); }
    const std::u16string& GetWideText() const { return FWideText; }
    void SetWideText(const std::u16string& value) { FWideText = value; }

private:
    std::u16string FWideText;
};

// One 32-bit value: a block of at least four bytes is read, a block of exactly four written.
class TCustomDWORDClipboardFormat : public TCustomSimpleClipboardFormat {
public:
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override { return 4; }
    void Clear() override { FValue = 0; }
    uint32_t GetValue() const { return FValue; }
    void SetValue(uint32_t value) { FValue = value; }

private:
    uint32_t FValue = 0;
};

class TTextClipboardFormat : public TCustomTextClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TTextClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

// A file group descriptor block: a 4-byte count and that many items of ItemSize bytes.
template <class Block, size_t ItemSize> class TFileGroupDescriptorFormat : public TCustomSimpleClipboardFormat {
public:
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override { return int64_t(FBlock.size()); }
    bool HasData() override { return Count() > 0; }
    void Clear() override { FBlock.clear(); }
    // Copies the block (count items); null leaves none.
    void SetDescriptor(const Block* block);
    // The held block, null when none.
    const Block* GetDescriptor() const {
        return FBlock.empty() ? nullptr : reinterpret_cast<const Block*>(FBlock.data());
    }
    uint32_t Count() const;

private:
    std::vector<uint8_t> FBlock;
};

class TFileGroupDescritorClipboardFormat : public TFileGroupDescriptorFormat<win::FILEGROUPDESCRIPTORA, 332> {
    DRAGDROP_CLIPBOARD_FORMAT(TFileGroupDescritorClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

class TFileGroupDescritorWClipboardFormat : public TFileGroupDescriptorFormat<win::FILEGROUPDESCRIPTORW, 592> {
    DRAGDROP_CLIPBOARD_FORMAT(TFileGroupDescritorWClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

// The first file's contents as text.
class TFileContentsClipboardFormat : public TCustomTextClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFileContentsClipboardFormat)
public:
    TFileContentsClipboardFormat() { SetIndex(0); }
    uint16_t GetClipboardFormat() override;
};

// Every file's contents as a named stream (names from the "FileGroupDescriptor" block when there is one).
class TFileContentsStreamClipboardFormat : public TClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFileContentsStreamClipboardFormat)
public:
    TFileContentsStreamClipboardFormat();
    ~TFileContentsStreamClipboardFormat() override;
    uint16_t GetClipboardFormat() override;
    // Reads each stream from its start, at most its Stat size; a stream that cannot be read is skipped.
    bool GetData(win::IDataObject* dataObject) override;
    bool AssignTo(TCustomDataFormat* dest) override;
    void Clear() override { FStreams->Clear(); }
    bool HasData() override { return FStreams->Count() > 0; }
    TStreamList* GetStreams() const { return FStreams.get(); }

private:
    std::unique_ptr<TStreamList> FStreams;
};

class TPreferredDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TPreferredDropEffectClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
    bool HasData() override { return true; }
};

class TPerformedDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TPerformedDropEffectClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

class TLogicalPerformedDropEffectClipboardFormat : public TCustomDWORDClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TLogicalPerformedDropEffectClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

class TPasteSuccededClipboardFormat : public TCustomDWORDClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TPasteSuccededClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
};

class TInShellDragLoopClipboardFormat : public TCustomDWORDClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TInShellDragLoopClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
    bool GetInShellDragLoop() const { return GetValue() != 0; }
    void SetInShellDragLoop(bool value) { SetValue(value ? 1 : 0); }
};

class TTargetCLSIDClipboardFormat : public TCustomSimpleClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TTargetCLSIDClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override { return 16; }
    bool HasData() override { return !(FCLSID == win::GUID_NULL); }
    void Clear() override { FCLSID = win::GUID_NULL; }
    const win::CLSID& GetCLSID() const { return FCLSID; }
    void SetCLSID(const win::CLSID& value) { FCLSID = value; }

private:
    win::CLSID FCLSID;
};

// ---- Data formats -----------------------------------------------------------------------------------------

class TTextDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TTextDataFormat)
public:
    explicit TTextDataFormat(TDragDropComponent* owner) : TCustomDataFormat(owner, StaticClass()) {}
    bool Assign(TClipboardFormat* source) override;
    bool AssignTo(TClipboardFormat* dest) override;
    void Clear() override;
    bool HasData() override { return !FText.empty(); }
    bool NeedsData() override { return FText.empty(); }
    const std::string& GetText() const { return FText; }
    void SetText(const std::string& value);

protected:
    TTextDataFormat(TDragDropComponent* owner, TDataFormatClass formatClass) : TCustomDataFormat(owner, formatClass) {}

private:
    std::string FText;
};

class TDataStreamDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TDataStreamDataFormat)
public:
    explicit TDataStreamDataFormat(TDragDropComponent* owner);
    ~TDataStreamDataFormat() override;
    void Clear() override;
    bool HasData() override { return FStreams->Count() > 0; }
    bool NeedsData() override { return FStreams->Count() == 0; }
    TStreamList* GetStreams() const { return FStreams.get(); }

private:
    std::unique_ptr<TStreamList> FStreams;
};

// The drop-effect values a source and a target tell each other.
class TFeedbackDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TFeedbackDataFormat)
public:
    explicit TFeedbackDataFormat(TDragDropComponent* owner) : TCustomDataFormat(owner, StaticClass()) {}
    bool Assign(TClipboardFormat* source) override;
    bool AssignTo(TClipboardFormat* dest) override;
    // Preferred and Performed become 0 and InShellDragLoop False; the other values stay.
    void Clear() override;
    bool HasData() override;
    bool NeedsData() override;

    int32_t GetPreferredDropEffect() const { return FPreferredDropEffect; }
    void SetPreferredDropEffect(int32_t value);
    int32_t GetPerformedDropEffect() const { return FPerformedDropEffect; }
    void SetPerformedDropEffect(int32_t value);
    int32_t GetLogicalPerformedDropEffect() const { return FLogicalPerformedDropEffect; }
    void SetLogicalPerformedDropEffect(int32_t value) { FLogicalPerformedDropEffect = value; }
    int32_t GetPasteSucceeded() const { return FPasteSucceeded; }
    void SetPasteSucceeded(int32_t value) { FPasteSucceeded = value; }
    bool GetInShellDragLoop() const { return FInShellDragLoop; }
    void SetInShellDragLoop(bool value);
    const win::CLSID& GetTargetCLSID() const { return FTargetCLSID; }
    void SetTargetCLSID(const win::CLSID& value) { FTargetCLSID = value; }

private:
    int32_t FPreferredDropEffect = 0;
    int32_t FPerformedDropEffect = 0;
    int32_t FLogicalPerformedDropEffect = 0;
    int32_t FPasteSucceeded = 0;
    bool FInShellDragLoop = false;
    bool FGotInShellDragLoop = false;
    win::CLSID FTargetCLSID;
};

// The registrations of this file's formats, run by InitializeDragDrop and undone by FinalizeDragDrop.
void RegisterStandardFormats();
void UnregisterStandardFormats();

} // namespace dragdrop
