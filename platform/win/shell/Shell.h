// The shell: opening files and addresses with their programs (through xdg-open), item-id lists for
// file-system paths, the drop and transfer formats programs exchange files in, and the data object a
// desktop drop of files arrives as.
#pragma once

#include "platform/win/kernel/Utf16.h"

#include "platform/win/ole/ObjIdl.h"

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

namespace win {

// ---- Opening files and addresses ---------------------------------------------------------------------

// Result codes of ShellExecute: above 32 means success.
constexpr int SE_ERR_OOM = 0; // out of memory or resources
constexpr int SE_ERR_FNF = 2; // file not found
constexpr int SE_ERR_PNF = 3; // path not found
constexpr int SE_ERR_ACCESSDENIED = 5;
constexpr int SE_ERR_NOMEM = 8;
constexpr int SE_ERR_BADFORMAT = 11;
constexpr int SE_ERR_SHARE = 26;
constexpr int SE_ERR_ASSOCINCOMPLETE = 27;
constexpr int SE_ERR_DDETIMEOUT = 28;
constexpr int SE_ERR_DDEFAIL = 29;
constexpr int SE_ERR_DDEBUSY = 30;
constexpr int SE_ERR_NOASSOC = 31;
constexpr int SE_ERR_DLLNOTFOUND = 32;
constexpr int SE_SUCCESS = 42; // what a successful call answers

// Opens a file, folder or address (http:, https:, mailto:, file: ...) with the desktop's program for it:
// verb "open" (or none). An executable file is started itself with the parameters (split like a command
// line, never given to a shell). Relative paths are taken from `directory` when given. The launcher is
// started with an argument vector and waited for up to a few seconds so that its failure can be
// reported; a launcher still running then is reaped in the background.
intptr_t ShellExecute(HWND owner, const char* verb, const char* file, const char* parameters,
                      const char* directory, int showCommand);

constexpr ULONG SEE_MASK_DEFAULT = 0x00000000;
constexpr ULONG SEE_MASK_NOCLOSEPROCESS = 0x00000040;
constexpr ULONG SEE_MASK_FLAG_DDEWAIT = 0x00000100;
constexpr ULONG SEE_MASK_FLAG_NO_UI = 0x00000400;

struct SHELLEXECUTEINFO {
    DWORD cbSize = sizeof(SHELLEXECUTEINFO);
    ULONG fMask = 0;
    HWND hwnd = nullptr;
    const char* lpVerb = nullptr;
    const char* lpFile = nullptr;
    const char* lpParameters = nullptr;
    const char* lpDirectory = nullptr;
    int nShow = 0;
    intptr_t hInstApp = 0;     // the ShellExecute result code
    HANDLE hProcess = nullptr; // with SEE_MASK_NOCLOSEPROCESS: a signalled handle to close with CloseHandle
};
// As ShellExecute; TRUE when the launcher succeeded.
BOOL ShellExecuteEx(SHELLEXECUTEINFO* info);
// Running a command line through the system is not offered: always fails (0).
UINT WinExec(const char* commandLine, UINT showCommand);

// For tests: launches go to the spy instead of being started; it gets the argument vector and answers
// the launcher's exit status (0 success). An empty function starts programs again.
void SetShellLaunchSpy(std::function<int(const std::vector<std::string>& argv)> spy);
// The program that opens documents and addresses ("xdg-open"); tests may name another.
void SetShellOpenProgram(const std::string& program);

// ---- Item-id lists ------------------------------------------------------------------------------------

// An item: its total size in bytes (the size field included), then its data. A list is items back to
// back, ended by a zero size. Here each file-system item holds the byte 0x31 and one path component; the
// desktop (the root folder "/") is the empty list.
#pragma pack(push, 1)
struct SHITEMID {
    USHORT cb;
    BYTE abID[1];
};
struct ITEMIDLIST {
    SHITEMID mkid;
};
#pragma pack(pop)
using LPITEMIDLIST = ITEMIDLIST*;
using LPCITEMIDLIST = const ITEMIDLIST*;
constexpr BYTE SHITEM_FILESYSTEM = 0x31;

// The byte length of a list, its terminator included; 0 for null.
UINT ILGetSize(LPCITEMIDLIST list);
void ILFree(LPITEMIDLIST list); // lists come from the task allocator
LPITEMIDLIST ILClone(LPCITEMIDLIST list);
// A list from path components (absolute path, "/" separated), from the task allocator; null on failure.
LPITEMIDLIST ILCreateFromPath(const char* path);

struct IBindCtx;

struct IShellFolder : IUnknown {
    static constexpr IID Iid{0x000214E6, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    // An absolute path of an existing file or folder to its list (relative to this folder, which for the
    // desktop is the whole path). eaten receives the characters used; attributes are left as asked.
    virtual HRESULT ParseDisplayName(HWND owner, IBindCtx* context, const char* displayName, ULONG* eaten,
                                     LPITEMIDLIST* list, ULONG* attributes) = 0;
};
inline constexpr IID IID_IShellFolder = IShellFolder::Iid;

HRESULT SHGetDesktopFolder(IShellFolder** folder);
HRESULT SHGetMalloc(IMalloc** malloc);
// The path of a list into a buffer of MAX_PATH + 1 characters; FALSE (and an empty buffer) when an item
// is not a file-system item or the path does not fit.
BOOL SHGetPathFromIDList(LPCITEMIDLIST list, char* path);
// The same into a buffer of `size` characters.
BOOL SHGetPathFromIDListEx(LPCITEMIDLIST list, char* path, DWORD size, int flags);

// ---- Transfer formats ---------------------------------------------------------------------------------

inline constexpr const char* CFSTR_SHELLIDLIST = "Shell IDList Array";
inline constexpr const char* CFSTR_FILENAMEA = "FileName";
inline constexpr const char* CFSTR_FILENAMEW = "FileNameW";
inline constexpr const char* CFSTR_FILENAMEMAPA = "FileNameMap";
inline constexpr const char* CFSTR_FILENAMEMAPW = "FileNameMapW";
inline constexpr const char* CFSTR_FILEDESCRIPTORA = "FileGroupDescriptor";
inline constexpr const char* CFSTR_FILEDESCRIPTORW = "FileGroupDescriptorW";
inline constexpr const char* CFSTR_FILECONTENTS = "FileContents";
inline constexpr const char* CFSTR_PREFERREDDROPEFFECT = "Preferred DropEffect";
inline constexpr const char* CFSTR_PERFORMEDDROPEFFECT = "Performed DropEffect";
inline constexpr const char* CFSTR_LOGICALPERFORMEDDROPEFFECT = "Logical Performed DropEffect";
inline constexpr const char* CFSTR_PASTESUCCEEDED = "Paste Succeeded";
inline constexpr const char* CFSTR_INDRAGLOOP = "InShellDragLoop";
inline constexpr const char* CFSTR_TARGETCLSID = "TargetCLSID";

#pragma pack(push, 1)
// The header of a CF_HDROP block: the name list starts at pFiles, in 16-bit characters when fWide.
struct DROPFILES {
    DWORD pFiles = 0;
    TPoint pt;
    BOOL fNC = FALSE;
    BOOL fWide = FALSE;
};
// "Shell IDList Array": cidl items, then cidl + 1 offsets from the block start (the parent folder's list
// first, then each item's list relative to it).
struct CIDA {
    UINT cidl;
    UINT aoffset[1];
};
struct FILETIME {
    DWORD dwLowDateTime = 0;
    DWORD dwHighDateTime = 0;
};
struct FILEDESCRIPTORA {
    DWORD dwFlags;
    CLSID clsid;
    TSize sizel;
    TPoint pointl;
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char cFileName[MAX_PATH];
};
struct FILEDESCRIPTORW {
    DWORD dwFlags;
    CLSID clsid;
    TSize sizel;
    TPoint pointl;
    DWORD dwFileAttributes;
    FILETIME ftCreationTime;
    FILETIME ftLastAccessTime;
    FILETIME ftLastWriteTime;
    DWORD nFileSizeHigh;
    DWORD nFileSizeLow;
    char16_t cFileName[MAX_PATH];
};
struct FILEGROUPDESCRIPTORA {
    UINT cItems;
    FILEDESCRIPTORA fgd[1];
};
struct FILEGROUPDESCRIPTORW {
    UINT cItems;
    FILEDESCRIPTORW fgd[1];
};
#pragma pack(pop)
static_assert(sizeof(DROPFILES) == 20);
static_assert(sizeof(FILEDESCRIPTORA) == 332 && offsetof(FILEDESCRIPTORA, cFileName) == 72);
static_assert(sizeof(FILEDESCRIPTORW) == 592 && offsetof(FILEDESCRIPTORW, cFileName) == 72);

// A CF_HDROP block for the names (8-bit UTF-8, or UTF-16 when wide).
std::vector<uint8_t> BuildHDrop(const std::vector<std::string>& files, bool wide = false);
// The names of a CF_HDROP block; reading stops at the block's end even when a name lacks its zero.
std::vector<std::string> ReadHDrop(const uint8_t* block, size_t size);
// Number of files in a CF_HDROP block (index 0xFFFFFFFF), or the length of name `index` copied into the
// buffer (without the buffer: the length it needs).
UINT DragQueryFile(HGLOBAL drop, UINT index, char* buffer, UINT size);

// The paths of the file: URLs of a text/uri-list (percent-decoded; comments, other schemes and other
// hosts are left out).
std::vector<std::string> ParseUriList(const std::string& uriList);
// The file: URL of an absolute path (characters outside the unreserved set percent-encoded).
std::string FileUrlFromPath(const std::string& path);

// The data object of files (and text) dropped from another program: CF_HDROP, "FileNameW" and "FileName"
// (the first file), and CF_TEXT when text is given. It takes SetData (the feedback formats targets write
// back) and keeps it.
ComPtr<IDataObject> CreateFileDropDataObject(const std::vector<std::string>& files,
                                             const std::string& text = {});

// ---- Asynchronous transfers -----------------------------------------------------------------------------

struct IAsyncOperation : IUnknown {
    static constexpr IID Iid{0x3D8B0590, 0xF691, 0x11D2, {0x8E, 0xA9, 0x00, 0x60, 0x97, 0xDF, 0x5B, 0xD4}};
    virtual HRESULT SetAsyncMode(BOOL doOpAsync) = 0;
    virtual HRESULT GetAsyncMode(BOOL* isOpAsync) = 0;
    virtual HRESULT StartOperation(IBindCtx* context) = 0;
    virtual HRESULT InOperation(BOOL* inAsyncOp) = 0;
    virtual HRESULT EndOperation(HRESULT result, IBindCtx* context, DWORD effects) = 0;
};
inline constexpr IID IID_IAsyncOperation = IAsyncOperation::Iid;

} // namespace win
