// The core that drop targets and drop sources share. A clipboard format object stands for one OLE data
// representation (a FORMATETC) and reads or writes its data through a storage medium; a data format object
// holds data at the application's level (text, file names, feedback values) and owns the clipboard formats
// it converts from and to. Which clipboard formats belong to which data format is not written into the
// classes: conversion records in one map (DataFormatMap) say so, and a data format asks the map for its
// clipboard formats when it is made.
//
// Classes that the map makes by reference carry a class record (TClipboardFormatClass, TDataFormatClass):
// the class's name, its base's record and a factory, so that "this class or a descendant" can be asked of
// two classes and the map can make an instance of a class it only knows by its record.
//
// InitializeDragDrop() registers every format of the library and starts OLE; FinalizeDragDrop() undoes it.
// Both count their calls; only the first and the last do the work.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Controls.h"
#include "platform/vcl/Exceptions.h"
#include "platform/win/ole/Ole.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace dragdrop {

using vcl::TObject;
using vcl::TShiftState;
using win::TPoint;

enum TDragType { dtCopy, dtMove, dtLink };
// Its bits are the OLE effects DROPEFFECT_COPY, DROPEFFECT_MOVE and DROPEFFECT_LINK.
using TDragTypes = vcl::TSet<TDragType>;

enum TFormatScope { fsSource, fsTarget };
using TFormatScopes = vcl::TSet<TFormatScope>;
// fdGet: data that flows from the data object to its reader; fdSet: data a drop target writes back into the
// source's data object.
enum TFormatDirection { fdGet, fdSet };
using TFormatDirections = vcl::TSet<TFormatDirection>;

// A failed OLE call, with its result code.
class EOleSysError : public vcl::Exception {
public:
    EOleSysError(win::HRESULT code);
    win::HRESULT ErrorCode() const { return FErrorCode; }

private:
    win::HRESULT FErrorCode;
};
// Raises EOleSysError for a failed result.
win::HRESULT OleCheck(win::HRESULT result);

// ---- The shell's drag-image helper ------------------------------------------------------------------

inline constexpr win::CLSID CLSID_DragDropHelper{
    0x4657278A, 0x411B, 0x11D2, {0x83, 0x9A, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}};

struct IDropTargetHelper : win::IUnknown {
    static constexpr win::IID Iid{0x4657278B, 0x411B, 0x11D2, {0x83, 0x9A, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}};
    virtual win::HRESULT DragEnter(win::HWND target, win::IDataObject* data, TPoint* point, win::DWORD effect) = 0;
    virtual win::HRESULT DragLeave() = 0;
    virtual win::HRESULT DragOver(TPoint* point, win::DWORD effect) = 0;
    virtual win::HRESULT Drop(win::IDataObject* data, TPoint* point, win::DWORD effect) = 0;
    virtual win::HRESULT Show(win::BOOL show) = 0;
};

struct SHDRAGIMAGE {
    win::TSize sizeDragImage;
    TPoint ptOffset;
    win::HBITMAP hbmpDragImage = nullptr;
    win::COLORREF crColorKey = 0;
};

struct IDragSourceHelper : win::IUnknown {
    static constexpr win::IID Iid{0xDE5BF786, 0x477A, 0x11D2, {0x83, 0x9D, 0x00, 0xC0, 0x4F, 0xD9, 0x18, 0xD0}};
    virtual win::HRESULT InitializeFromBitmap(SHDRAGIMAGE* image, win::IDataObject* data) = 0;
    virtual win::HRESULT InitializeFromWindow(win::HWND window, TPoint* point, win::IDataObject* data) = 0;
};

// ---- Class records ------------------------------------------------------------------------------------

class TClipboardFormat;
class TCustomDataFormat;
class TDragDropComponent;

struct TClipboardFormatClassRecord {
    const char* Name;
    const TClipboardFormatClassRecord* Parent;
    // Makes an instance with the class's own formats and media; null for a class that is not made so.
    TClipboardFormat* (*Create)();
    bool InheritsFrom(const TClipboardFormatClassRecord* base) const;
};
using TClipboardFormatClass = const TClipboardFormatClassRecord*;

struct TDataFormatClassRecord {
    const char* Name;
    const TDataFormatClassRecord* Parent;
    bool InheritsFrom(const TDataFormatClassRecord* base) const;
};
using TDataFormatClass = const TDataFormatClassRecord*;

// Declares a clipboard format class's record (in the class body) and defines it (in its source file).
#define DRAGDROP_CLIPBOARD_FORMAT(Class)                                                                     \
public:                                                                                                      \
    static ::dragdrop::TClipboardFormatClass StaticClass();                                                  \
    ::dragdrop::TClipboardFormatClass ClassType() const override;

#define DRAGDROP_DEFINE_CLIPBOARD_FORMAT(Class, Base, Factory)                                               \
    ::dragdrop::TClipboardFormatClass Class::StaticClass() {                                                 \
        static const ::dragdrop::TClipboardFormatClassRecord record{#Class, Base::StaticClass(), Factory};   \
        return &record;                                                                                      \
    }                                                                                                        \
    ::dragdrop::TClipboardFormatClass Class::ClassType() const { return StaticClass(); }

#define DRAGDROP_DATA_FORMAT(Class)                                                                          \
public:                                                                                                      \
    static ::dragdrop::TDataFormatClass StaticClass();                                                       \
    ::dragdrop::TDataFormatClass ClassType() const override;

#define DRAGDROP_DEFINE_DATA_FORMAT(Class, Base)                                                             \
    ::dragdrop::TDataFormatClass Class::StaticClass() {                                                      \
        static const ::dragdrop::TDataFormatClassRecord record{#Class, Base::StaticClass()};                 \
        return &record;                                                                                      \
    }                                                                                                        \
    ::dragdrop::TDataFormatClass Class::ClassType() const { return StaticClass(); }

// The factory of a class the map makes.
template <class T> TClipboardFormat* NewClipboardFormat() {
    return new T();
}

// ---- Clipboard formats ------------------------------------------------------------------------------------

// The id of the clipboard format registered under name, registered when first asked for and kept in cache
// (0 until then, and again after a failed registration). Formats are asked for on transfer threads too.
uint16_t CachedClipboardFormat(std::atomic<uint16_t>& cache, const char* name);

// One OLE data representation: a FORMATETC (format id, no target device, an aspect, an index and the storage
// media it takes) and the directions its data flows in.
class TClipboardFormat : public TObject {
public:
    static TClipboardFormatClass StaticClass();
    virtual TClipboardFormatClass ClassType() const;

    TClipboardFormat();
    // The FORMATETC becomes (GetClipboardFormat, no device, DVASPECT_CONTENT, -1, tymed).
    virtual void CreateFormat(win::DWORD tymed);
    // The FORMATETC becomes a copy of formatEtc.
    virtual void CreateFormatEtc(const win::FORMATETC& formatEtc);

    // Reads the data from a medium; the base reads nothing.
    virtual bool DoGetData(win::IDataObject* source, const win::STGMEDIUM& medium);
    // Fills a medium with the data; the base fills nothing.
    virtual bool DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium);
    // The format id; a class that names none raises "Internal error: %s.%s needs implementation".
    virtual uint16_t GetClipboardFormat();
    virtual void SetClipboardFormat(uint16_t value);
    // The registered name of the id ("" for the predefined formats).
    virtual std::string GetClipboardFormatName();
    // Raises "%s.ClipboardFormat is read-only" for a format of fixed id.
    virtual void SetClipboardFormatName(const std::string& value);
    // The object offers this FORMATETC (QueryGetData answers S_OK).
    virtual bool HasValidFormats(win::IDataObject* dataObject);
    // Same id, no device, same aspect and a common medium.
    virtual bool AcceptFormat(const win::FORMATETC& formatEtc);
    // Clears, then reads this format from the object.
    virtual bool GetData(win::IDataObject* dataObject);
    // Clears, reads the medium when it is of one of the format's media, and releases it in every case.
    virtual bool GetDataFromMedium(win::IDataObject* source, win::STGMEDIUM& medium);
    // Writes this format into the object (SetData with release); a medium not taken is released.
    virtual bool SetData(win::IDataObject* dataObject, const win::FORMATETC& formatEtc, win::STGMEDIUM& medium);
    // Take the data from or give it to a data format; the base does neither.
    virtual bool Assign(TCustomDataFormat* source);
    virtual bool AssignTo(TCustomDataFormat* dest);
    virtual void Clear() = 0;
    virtual bool HasData();

    // Empties the medium, then fills it when formatEtc asks for this format's id and aspect and a medium
    // the format takes.
    bool SetDataToMedium(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium);

    // The FORMATETC, its id looked up on first use.
    const win::FORMATETC& GetFormatEtc();
    TFormatDirections GetDataDirections() const { return FDataDirections; }
    void SetDataDirections(TFormatDirections value) { FDataDirections = value; }

protected:
    // Media of the FORMATETC, for the constructors of the families.
    void SetMedia(win::DWORD tymed) { FFormatEtc.tymed = tymed; }
    void SetIndex(win::LONG index) { FFormatEtc.lindex = index; }

private:
    TFormatDirections FDataDirections{fdGet};
    win::FORMATETC FFormatEtc;
    bool FFormatKnown = false;
};

// An ordered list of clipboard formats that frees them, last first, when it owns them.
class TClipboardFormats : public TObject {
public:
    explicit TClipboardFormats(bool ownsObjects = true) : FOwnsObjects(ownsObjects) {}
    ~TClipboardFormats() override;
    int32_t Add(TClipboardFormat* format);
    // The first format of that class or a descendant; null when none.
    TClipboardFormat* FindFormat(TClipboardFormatClass formatClass) const;
    bool Contain(TClipboardFormatClass formatClass) const { return FindFormat(formatClass) != nullptr; }
    int32_t Count() const { return int32_t(FList.size()); }
    TClipboardFormat* Formats(int32_t index) const { return FList.at(size_t(index)); }
    void Clear();

private:
    std::vector<TClipboardFormat*> FList;
    bool FOwnsObjects;
};

// ---- Data formats -------------------------------------------------------------------------------------------

// Data at the application's level and the clipboard formats it converts from and to. Made with an owner (a
// multi-format drop target or source, whose list it joins; the owner's role picks the conversions) or
// without one (then it takes the conversions of drop targets and joins no list).
class TCustomDataFormat : public TObject {
public:
    static TDataFormatClass StaticClass();
    virtual TDataFormatClass ClassType() const;

    ~TCustomDataFormat() override;

    // Fires OnChanging.
    virtual void Changing();
    virtual void Clear() = 0;
    // Takes the data from a clipboard format; the base asks the format (source->AssignTo(this)).
    virtual bool Assign(TClipboardFormat* source);
    // Gives the data to a clipboard format; the base asks the format (dest->Assign(this)).
    virtual bool AssignTo(TClipboardFormat* dest);
    // Reads from the compatible formats in order while more data is needed.
    virtual bool GetData(win::IDataObject* dataObject);
    virtual bool HasData() = 0;
    virtual bool NeedsData();
    // Some compatible format is offered by the object.
    virtual bool HasValidFormats(win::IDataObject* dataObject);
    // Some compatible format accepts the FORMATETC.
    virtual bool AcceptFormat(const win::FORMATETC& formatEtc);

    TClipboardFormats* GetCompatibleFormats() const { return FCompatibleFormats.get(); }
    TDragDropComponent* GetOwner() const { return FOwner; }
    // The OnChanging handler of the lists that hold descendants' data.
    void ListChanging(TObject* sender) { Changing(); }

    vcl::TNotifyEvent OnChanging;

protected:
    // formatClass is the class being made: its conversions fill the compatible formats.
    TCustomDataFormat(TDragDropComponent* owner, TDataFormatClass formatClass);

private:
    std::unique_ptr<TClipboardFormats> FCompatibleFormats;
    TDragDropComponent* FOwner;
};

// The ordered list of a component's data formats; it frees none of them.
class TDataFormats : public TObject {
public:
    ~TDataFormats() override;
    // Appends unless present; the format's index.
    virtual int32_t Add(TCustomDataFormat* format);
    virtual void Remove(TCustomDataFormat* format);
    int32_t Count() const { return int32_t(FList.size()); }
    TCustomDataFormat* Formats(int32_t index) const { return FList.at(size_t(index)); }

private:
    std::vector<TCustomDataFormat*> FList;
};

// The registered data format classes.
class TDataFormatClasses : public TObject {
public:
    virtual void Add(TDataFormatClass formatClass);
    virtual void Remove(TDataFormatClass formatClass);
    int32_t Count() const { return int32_t(FList.size()); }
    TDataFormatClass Formats(int32_t index) const { return FList.at(size_t(index)); }

private:
    std::vector<TDataFormatClass> FList;
};

// The conversion records, ordered: the records of one data format class by ascending priority, a newcomer
// before the earlier ones of equal priority.
class TDataFormatMap : public TObject {
public:
    struct TRecord {
        TDataFormatClass DataFormat;
        TClipboardFormatClass ClipboardFormat;
        int32_t Priority;
        TFormatScopes Scopes;
        TFormatDirections Directions;
    };

    void Add(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat, int32_t priority,
             TFormatDirections directions, TFormatScopes scopes);
    // The first record of dataFormat (or a descendant) and clipboardFormat (or a descendant); -1 when none.
    int32_t IndexOf(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat) const;
    void DeleteByDataFormat(TDataFormatClass dataFormat);
    void DeleteByClipboardFormat(TClipboardFormatClass clipboardFormat);
    // Clears formats, then makes one clipboard format for each record of dataFormat (or a descendant)
    // whose scopes hold scope, in the map's order, with the record's directions.
    void GetSupportedFormats(TDataFormatClass dataFormat, TFormatScope scope, TClipboardFormats* formats) const;

    int32_t Count() const { return int32_t(FRecords.size()); }
    const TRecord& Records(int32_t index) const { return FRecords.at(size_t(index)); }

private:
    std::vector<TRecord> FRecords;
};

// The two lists, made on first use (a library may register before InitializeDragDrop has run).
TDataFormatMap* DataFormatMap();
TDataFormatClasses* DataFormatClasses();

void RegisterDataFormat(TDataFormatClass formatClass);
// Deletes the class's conversion records (and its descendants'), then the class.
void UnregisterDataFormat(TDataFormatClass formatClass);
void RegisterFormatConversion(TDataFormatClass dataFormat, TClipboardFormatClass clipboardFormat,
                              int32_t priority, TFormatDirections directions, TFormatScopes scopes);
// Deletes every record of the class or a descendant.
void UnregisterClipboardFormat(TClipboardFormatClass formatClass);

// ---- Raw formats ----------------------------------------------------------------------------------------

// A clipboard format for any FORMATETC that keeps the medium itself.
class TRawClipboardFormat : public TClipboardFormat {
    DRAGDROP_CLIPBOARD_FORMAT(TRawClipboardFormat)
public:
    explicit TRawClipboardFormat(const win::FORMATETC& formatEtc);
    ~TRawClipboardFormat() override;

    bool DoGetData(win::IDataObject* source, const win::STGMEDIUM& medium) override;
    bool DoSetData(const win::FORMATETC& formatEtc, win::STGMEDIUM& medium) override;
    uint16_t GetClipboardFormat() override;
    // Registers the name and takes its id.
    void SetClipboardFormatName(const std::string& value) override;
    bool Assign(TCustomDataFormat* source) override;
    bool AssignTo(TCustomDataFormat* dest) override;
    // Does nothing: the medium stays until the data format clears it.
    void Clear() override {}
    bool HasData() override;

    win::STGMEDIUM& GetMedium() { return FMedium; }
    // Releases and empties the held medium.
    void ClearData();

private:
    win::STGMEDIUM FMedium;
};

// Data kept as the raw media of its TRawClipboardFormat objects.
class TRawDataFormat : public TCustomDataFormat {
    DRAGDROP_DATA_FORMAT(TRawDataFormat)
public:
    explicit TRawDataFormat(TDragDropComponent* owner) : TCustomDataFormat(owner, StaticClass()) {}
    void Clear() override;
    bool HasData() override;
    bool NeedsData() override;

protected:
    TRawDataFormat(TDragDropComponent* owner, TDataFormatClass formatClass) : TCustomDataFormat(owner, formatClass) {}
};

// ---- Components ---------------------------------------------------------------------------------------

// A component that answers IUnknown. Its reference counting goes to its owner when the owner answers
// IUnknown, and does nothing otherwise: interface references never free the component, its owner does.
class TInterfacedComponent : public vcl::TComponent, public win::IUnknown {
public:
    explicit TInterfacedComponent(vcl::TComponent* owner) : TComponent(owner) {}
    win::HRESULT QueryInterface(win::REFIID iid, void** object) override;
    win::ULONG AddRef() override;
    win::ULONG Release() override;

protected:
    // Sets *object (without a reference) to the interface iid of this class; false when it has none.
    virtual bool GetInterface(win::REFIID iid, void** object);
};

// The base of the drop components: a reference-counted component with its list of data formats (made by
// the multi-format targets and sources).
class TDragDropComponent : public TInterfacedComponent {
public:
    explicit TDragDropComponent(vcl::TComponent* owner) : TInterfacedComponent(owner) {}
    ~TDragDropComponent() override;
    TDataFormats* GetDataFormats() const { return FDataFormats.get(); }
    // The role the component's data formats take their conversions for; false for a component that
    // holds no data formats.
    virtual bool GetFormatScope(TFormatScope& scope) const { return false; }

protected:
    std::unique_ptr<TDataFormats> FDataFormats;
};

// ---- Routines -----------------------------------------------------------------------------------------

TShiftState KeysToShiftState(uint16_t keyState);
// Shift and Ctrl ask for link, Ctrl for copy, anything else for move; an effect not allowed gives, with
// fallback, the first allowed of copy, move and link, else 0.
int32_t ShiftStateToDropEffect(TShiftState shiftState, int32_t allowedEffects, bool fallback);
// Copy before move before link; false (and dtCopy) when the effect holds none.
bool DropEffectToDragType(int32_t effect, TDragType& dragType);
int32_t DragTypesToDropEffect(TDragTypes dragTypes);
// A client point of the window relative to its window rectangle (what the image-list drag calls take).
TPoint ClientToWindowPoint(win::HWND window, TPoint point);
// A deep copy of the medium; true when it worked.
bool CopyMedium(const win::STGMEDIUM& source, win::STGMEDIUM& dest);
std::string GetClipboardFormatNameStr(uint16_t format);

// Registers the library's formats and starts OLE (counted).
void InitializeDragDrop();
void FinalizeDragDrop();

} // namespace dragdrop
