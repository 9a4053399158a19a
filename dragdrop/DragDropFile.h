// File drops: the formats that carry one file name ("FileName", "FileNameW") and name maps ("FileNameMap",
// "FileNameMapW"), the data formats of file names and of name maps, and TFileDropTarget, through which a
// window receives files dropped from the desktop (CF_HDROP first, then "Shell IDList Array", "FileNameW"
// and "FileName").
#pragma once

#include "dragdrop/DragDropFileFormat.h"
#include "dragdrop/DragDropPIDL.h"
#include "dragdrop/DropTarget.h"

#include <memory>

namespace dragdrop {

class TFilenameClipboardFormat : public TCustomTextClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFilenameClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
    bool Assign(TCustomDataFormat* source) override;
    bool AssignTo(TCustomDataFormat* dest) override;
};

class TFilenameWClipboardFormat : public TCustomWideTextClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFilenameWClipboardFormat)
public:
    uint16_t GetClipboardFormat() override;
    bool Assign(TCustomDataFormat* source) override;
    bool AssignTo(TCustomDataFormat* dest) override;
};

// A name list without header, in 8-bit or 16-bit characters.
class TFilenameMapFormat : public TCustomSimpleClipboardFormat {
public:
    explicit TFilenameMapFormat(bool wide);
    ~TFilenameMapFormat() override;
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override;
    bool HasData() override { return FFileMaps->Count() > 0; }
    void Clear() override { FFileMaps->Clear(); }
    bool Assign(TCustomDataFormat* source) override;
    bool AssignTo(TCustomDataFormat* dest) override;
    vcl::TStringList* GetFileMaps() const { return FFileMaps.get(); }

private:
    std::unique_ptr<vcl::TStringList> FFileMaps;
    bool FWide;
};

class TFilenameMapClipboardFormat : public TFilenameMapFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFilenameMapClipboardFormat)
public:
    TFilenameMapClipboardFormat() : TFilenameMapFormat(false) {}
    uint16_t GetClipboardFormat() override;
};

class TFilenameMapWClipboardFormat : public TFilenameMapFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TFilenameMapWClipboardFormat)
public:
    TFilenameMapWClipboardFormat() : TFilenameMapFormat(true) {}
    uint16_t GetClipboardFormat() override;
};

// Path names.
class TFileDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TFileDataFormat)
public:
    explicit TFileDataFormat(TDragDropComponent* owner);
    ~TFileDataFormat() override;
    bool Assign(TClipboardFormat* source) override;
    bool AssignTo(TClipboardFormat* dest) override;
    void Clear() override { FFiles->Clear(); }
    bool HasData() override { return FFiles->Count() > 0; }
    bool NeedsData() override { return FFiles->Count() == 0; }
    vcl::TStringList* GetFiles() const { return FFiles.get(); }

private:
    std::unique_ptr<vcl::TStringList> FFiles;
};

// The new names a source gives its files when they are copied or moved, one per file.
class TFileMapDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TFileMapDataFormat)
public:
    explicit TFileMapDataFormat(TDragDropComponent* owner);
    ~TFileMapDataFormat() override;
    bool Assign(TClipboardFormat* source) override;
    bool AssignTo(TClipboardFormat* dest) override;
    void Clear() override { FFileMaps->Clear(); }
    bool HasData() override { return FFileMaps->Count() > 0; }
    bool NeedsData() override { return FFileMaps->Count() == 0; }
    vcl::TStringList* GetFileMaps() const { return FFileMaps.get(); }

private:
    std::unique_ptr<vcl::TStringList> FFileMaps;
};

// A drop target of files: FileNames holds the names of the drop being handled (during OnDrop).
class TFileDropTarget : public TCustomDropMultiTarget {
public:
    explicit TFileDropTarget(vcl::TComponent* owner);
    vcl::TStrings* GetFileNames() const { return FFileFormat->GetFiles(); }
    // Copy when the source prefers nothing.
    int32_t GetPreferredDropEffect() override;

private:
    TFileDataFormat* FFileFormat;
    TFileMapDataFormat* FFileMapFormat;
};

// The registrations of this file's formats and the file target's class (run by InitializeDragDrop).
void RegisterFileFormats();
void UnregisterFileFormats();

} // namespace dragdrop
