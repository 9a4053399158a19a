// Item-id lists as the shell hands dragged objects over: "Shell IDList Array" (a count, the offsets of the
// parent folder's list and of each item's list relative to it, then the lists), a read-only view that gives
// the items as file-system paths, and the routines that build lists from paths. A list is kept as the byte
// string of all its bytes, its terminating zero size included.
#pragma once

#include "dragdrop/DragDropFileFormat.h"
#include "platform/vcl/StringList.h"
#include "platform/win/shell/Shell.h"

#include <memory>
#include <string>

namespace dragdrop {

// The length of a list made by this program's layer, its terminator included; 0 for null.
uint32_t PIDLLength(const win::ITEMIDLIST* list);
std::string PIDLToString(const win::ITEMIDLIST* list);
// The absolute list of a path; null on any failure (free it with CoTaskMemFree).
win::LPITEMIDLIST PathToPIDL(const std::string& path);
// Parent without its terminator, then child.
std::string CombinePIDLs(const std::string& parent, const std::string& child);
// The list of the folder all paths share (a path's folder ends at its last "/"); empty for no paths. Raises
// "Failed to get interface to Desktop" and "Invalid filename: %s" (a folder that cannot be parsed).
std::string CommonParentPIDL(vcl::TStrings* paths);
// The common parent, then each path relative to it; false (and an empty list) when a path has no list.
bool PathsToPIDLs(vcl::TStrings* paths, vcl::TStrings* list);

// The items of a list of item-id lists (element 0 the parent, then the items) as paths: an item without a
// file-system path is the empty string. Read-only: changes do nothing, except Assign, which builds the lists
// from paths.
class TPIDLsToFilenamesStrings : public vcl::TStrings {
public:
    explicit TPIDLsToFilenamesStrings(vcl::TStrings* pidls) : FPIDLs(pidls) {}
    // Raises "Filename index out of range" outside 0 to Count - 1.
    std::string Get(int32_t index) const override;
    int32_t GetCount() const override;
    void Put(int32_t, const std::string&) override {}
    void PutObject(int32_t, vcl::TObject*) override {}
    void Insert(int32_t, const std::string&) override {}
    void Delete(int32_t) override {}
    void Clear() override {}
    void Assign(vcl::TPersistent* source) override;

private:
    vcl::TStrings* FPIDLs;
};

// "Shell IDList Array". A block is read only when its count, its offsets and every list (each item and the
// terminator) lie inside it, and its lists together are no longer than it.
class TPIDLClipboardFormat : public TCustomSimpleClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TPIDLClipboardFormat)
public:
    TPIDLClipboardFormat();
    ~TPIDLClipboardFormat() override;
    uint16_t GetClipboardFormat() override;
    bool ReadData(const void* buffer, size_t size) override;
    bool WriteData(void* buffer, size_t size) override;
    int64_t GetDataSize() override;
    bool HasData() override { return FPIDLs->Count() > 0; }
    void Clear() override { FPIDLs->Clear(); }
    vcl::TStringList* GetPIDLs() const { return FPIDLs.get(); }
    TPIDLsToFilenamesStrings* GetFilenames() const { return FFilenames.get(); }

private:
    std::unique_ptr<vcl::TStringList> FPIDLs;
    std::unique_ptr<TPIDLsToFilenamesStrings> FFilenames;
};

// The item-id lists themselves.
class TPIDLDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TPIDLDataFormat)
public:
    explicit TPIDLDataFormat(TDragDropComponent* owner);
    ~TPIDLDataFormat() override;
    bool Assign(TClipboardFormat* source) override;
    bool AssignTo(TClipboardFormat* dest) override;
    void Clear() override { FPIDLs->Clear(); }
    bool HasData() override { return FPIDLs->Count() > 0; }
    bool NeedsData() override { return FPIDLs->Count() == 0; }
    vcl::TStringList* GetPIDLs() const { return FPIDLs.get(); }
    TPIDLsToFilenamesStrings* GetFilenames() const { return FFilenames.get(); }

private:
    std::unique_ptr<vcl::TStringList> FPIDLs;
    std::unique_ptr<TPIDLsToFilenamesStrings> FFilenames;
};

// The registrations of this file's formats (run by InitializeDragDrop).
void RegisterPIDLFormats();
void UnregisterPIDLFormats();

} // namespace dragdrop
