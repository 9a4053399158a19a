// String lists: the abstract TStrings and the TStringList that holds its strings itself.
// Strings are raw bytes (UTF-8 by convention); nothing is re-encoded.
#pragma once

#include "platform/vcl/Persistent.h"
#include "platform/vcl/Types.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vcl {

class TStream;

class TStrings : public TPersistent {
public:
    // What a derived list must provide.
    virtual std::string Get(int32_t index) const = 0;
    virtual int32_t GetCount() const = 0;
    virtual void Insert(int32_t index, const std::string& s) = 0;
    virtual void Delete(int32_t index) = 0;
    virtual void Clear() = 0;
    // What it may refine. The default Put deletes and inserts, keeping the line's object.
    virtual void Put(int32_t index, const std::string& s);
    virtual TObject* GetObject(int32_t index) const { return nullptr; }
    virtual void PutObject(int32_t index, TObject* obj) {}
    virtual void InsertObject(int32_t index, const std::string& s, TObject* obj);

    int32_t Count() const { return GetCount(); }
    std::string operator[](int32_t index) const { return Get(index); }
    std::string GetStrings(int32_t index) const { return Get(index); }
    void SetStrings(int32_t index, const std::string& s) { Put(index, s); }
    TObject* GetObjects(int32_t index) const { return GetObject(index); }
    void SetObjects(int32_t index, TObject* obj) { PutObject(index, obj); }

    virtual int32_t Add(const std::string& s);
    virtual int32_t AddObject(const std::string& s, TObject* obj);
    void Append(const std::string& s) { Add(s); }
    virtual void AddStrings(TStrings* strings);
    void Assign(TPersistent* source) override;
    virtual void Exchange(int32_t index1, int32_t index2);
    virtual void Move(int32_t curIndex, int32_t newIndex);
    // Comparisons ignore case unless a derived list says otherwise (TStringList::SetCaseSensitive).
    virtual int32_t IndexOf(const std::string& s) const;
    int32_t IndexOfName(const std::string& name) const;
    int32_t IndexOfObject(TObject* obj) const;
    // Same strings in the same order, compared byte for byte.
    bool Equals(TStrings* strings) const;

    // "name=value" lines.
    std::string GetNames(int32_t index) const;
    std::string GetValues(const std::string& name) const;
    // An empty value removes the line.
    void SetValues(const std::string& name, const std::string& value);
    std::string GetValueFromIndex(int32_t index) const;
    void SetValueFromIndex(int32_t index, const std::string& value);
    char GetNameValueSeparator() const { return FNameValueSeparator; }
    void SetNameValueSeparator(char value) { FNameValueSeparator = value; }

    // Every line followed by "\n". Reading splits at "\r\n", "\r" or "\n"; a final line break adds no
    // empty line.
    virtual std::string GetText() const;
    virtual void SetText(const std::string& text);
    // Lines separated by the delimiter; a line holding blanks, control characters, the quote character
    // or the delimiter is quoted, doubling inner quotes. Reading also splits unquoted text at blanks.
    std::string GetDelimitedText() const;
    void SetDelimitedText(const std::string& text);
    // DelimitedText with ',' and '"'.
    std::string GetCommaText() const;
    void SetCommaText(const std::string& text);
    char GetDelimiter() const { return FDelimiter; }
    void SetDelimiter(char value) { FDelimiter = value; }
    char GetQuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(char value) { FQuoteChar = value; }

    // Nested; the list reports its changes once when the outermost EndUpdate runs.
    virtual void BeginUpdate();
    virtual void EndUpdate();
    int32_t GetUpdateCount() const { return FUpdateCount; }

    virtual void LoadFromStream(TStream* stream);
    virtual void SaveToStream(TStream* stream) const;
    void LoadFromFile(const std::string& fileName);
    // Written through a temporary file, so a failed save keeps the old file.
    void SaveToFile(const std::string& fileName) const;

protected:
    // Stores the lines in form resources as the pseudo-property "Strings", a list of strings.
    void DefineProperties(TFiler* filer) override;
    virtual int CompareStrings(const std::string& a, const std::string& b) const;
    // Called when the outermost BeginUpdate starts (true) and the matching EndUpdate ends (false).
    virtual void SetUpdateState(bool updating) {}
    // Raises EStringListError with the message, "%d" replaced by data.
    [[noreturn]] void Error(const char* message, int32_t data) const;

private:
    std::string JoinDelimited(char delimiter, char quoteChar) const;
    void SplitDelimited(const std::string& text, char delimiter, char quoteChar);
    int32_t FUpdateCount = 0;
    char FDelimiter = ',';
    char FQuoteChar = '"';
    char FNameValueSeparator = '=';
};

enum TDuplicates { dupIgnore, dupAccept, dupError };

class TStringList;
using TStringListSortCompare = std::function<int(TStringList* list, int32_t index1, int32_t index2)>;

class TStringList : public TStrings {
public:
    TStringList() = default;
    ~TStringList() override;

    std::string Get(int32_t index) const override;
    int32_t GetCount() const override { return static_cast<int32_t>(FList.size()); }
    void Put(int32_t index, const std::string& s) override;
    TObject* GetObject(int32_t index) const override;
    void PutObject(int32_t index, TObject* obj) override;
    void Insert(int32_t index, const std::string& s) override;
    void InsertObject(int32_t index, const std::string& s, TObject* obj) override;
    void Delete(int32_t index) override;
    void Clear() override;
    int32_t Add(const std::string& s) override;
    int32_t AddObject(const std::string& s, TObject* obj) override;
    void Exchange(int32_t index1, int32_t index2) override;
    void Move(int32_t curIndex, int32_t newIndex) override;
    int32_t IndexOf(const std::string& s) const override;

    // Binary search of a sorted list: true when found; index is the first match or where s would go.
    virtual bool Find(const std::string& s, int32_t& index) const;
    // Stable sorts. CustomSort leaves a Sorted list alone.
    virtual void Sort();
    virtual void CustomSort(const TStringListSortCompare& compare);

    bool GetSorted() const { return FSorted; }
    void SetSorted(bool value);
    TDuplicates GetDuplicates() const { return FDuplicates; }
    void SetDuplicates(TDuplicates value) { FDuplicates = value; }
    bool GetCaseSensitive() const { return FCaseSensitive; }
    void SetCaseSensitive(bool value);

    const TNotifyEvent& GetOnChange() const { return FOnChange; }
    void SetOnChange(TNotifyEvent value) { FOnChange = std::move(value); }
    const TNotifyEvent& GetOnChanging() const { return FOnChanging; }
    void SetOnChanging(TNotifyEvent value) { FOnChanging = std::move(value); }

protected:
    virtual void Changed();
    virtual void Changing();
    void SetUpdateState(bool updating) override;
    int CompareStrings(const std::string& a, const std::string& b) const override;
    virtual void InsertItem(int32_t index, const std::string& s, TObject* obj);

private:
    struct TStringItem {
        std::string FString;
        TObject* FObject = nullptr;
    };
    void CheckIndex(int32_t index) const;
    void CheckNotSorted() const;
    // Pointers, so that inserting into a long sorted list moves 8 bytes a line.
    std::vector<TStringItem*> FList;
    bool FSorted = false;
    bool FCaseSensitive = false;
    TDuplicates FDuplicates = dupIgnore;
    TNotifyEvent FOnChange;
    TNotifyEvent FOnChanging;
};

} // namespace vcl
