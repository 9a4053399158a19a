#include "platform/vcl/StringList.h"

#include "platform/vcl/Filer.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <memory>
#include <numeric>

namespace vcl {

namespace {

constexpr const char* StrIndexError = "List index out of bounds (%d)";
constexpr const char* StrSortedError = "Operation not allowed on sorted list";
constexpr const char* StrDuplicateError = "String list does not allow duplicates";

// Unquoted delimited text ends a line at a blank or a control character.
bool StrIsSeparatorBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

} // namespace

// ---- TStrings ---------------------------------------------------------------------------------------

void TStrings::Error(const char* message, int32_t data) const {
    std::string text(message);
    auto at = text.find("%d");
    if (at != std::string::npos)
        text.replace(at, 2, std::to_string(data));
    throw EStringListError(text);
}

void TStrings::Put(int32_t index, const std::string& s) {
    TObject* obj = GetObject(index);
    Delete(index);
    InsertObject(index, s, obj);
}

void TStrings::InsertObject(int32_t index, const std::string& s, TObject* obj) {
    Insert(index, s);
    PutObject(index, obj);
}

int32_t TStrings::Add(const std::string& s) {
    int32_t index = GetCount();
    Insert(index, s);
    return index;
}

int32_t TStrings::AddObject(const std::string& s, TObject* obj) {
    int32_t index = Add(s);
    PutObject(index, obj);
    return index;
}

void TStrings::AddStrings(TStrings* strings) {
    if (!strings)
        return;
    WithUpdate(this, [&] {
        // Read the count once: adding a list to itself must not run forever.
        int32_t n = strings->GetCount();
        for (int32_t i = 0; i < n; ++i)
            AddObject(strings->Get(i), strings->GetObject(i));
    });
}

void TStrings::Assign(TPersistent* source) {
    if (auto* strings = dynamic_cast<TStrings*>(source)) {
        if (strings == this)
            return;
        WithUpdate(this, [&] {
            Clear();
            AddStrings(strings);
        });
        return;
    }
    TPersistent::Assign(source);
}

void TStrings::Exchange(int32_t index1, int32_t index2) {
    WithUpdate(this, [&] {
        std::string s = Get(index1);
        TObject* obj = GetObject(index1);
        Put(index1, Get(index2));
        PutObject(index1, GetObject(index2));
        Put(index2, s);
        PutObject(index2, obj);
    });
}

void TStrings::Move(int32_t curIndex, int32_t newIndex) {
    if (curIndex == newIndex)
        return;
    WithUpdate(this, [&] {
        std::string s = Get(curIndex);
        TObject* obj = GetObject(curIndex);
        if (newIndex < 0 || newIndex >= GetCount())
            Error(StrIndexError, newIndex);
        Delete(curIndex);
        InsertObject(newIndex, s, obj);
    });
}

int TStrings::CompareStrings(const std::string& a, const std::string& b) const {
    return AnsiCompareText(a, b);
}

int32_t TStrings::IndexOf(const std::string& s) const {
    int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i)
        if (CompareStrings(Get(i), s) == 0)
            return i;
    return -1;
}

int32_t TStrings::IndexOfName(const std::string& name) const {
    int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i) {
        std::string s = Get(i);
        size_t at = s.find(FNameValueSeparator);
        if (at != std::string::npos && CompareStrings(s.substr(0, at), name) == 0)
            return i;
    }
    return -1;
}

int32_t TStrings::IndexOfObject(TObject* obj) const {
    int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i)
        if (GetObject(i) == obj)
            return i;
    return -1;
}

bool TStrings::Equals(TStrings* strings) const {
    if (!strings)
        return false;
    int32_t n = GetCount();
    if (n != strings->GetCount())
        return false;
    for (int32_t i = 0; i < n; ++i)
        if (Get(i) != strings->Get(i))
            return false;
    return true;
}

std::string TStrings::GetNames(int32_t index) const {
    std::string s = Get(index);
    size_t at = s.find(FNameValueSeparator);
    return at == std::string::npos ? std::string() : s.substr(0, at);
}

std::string TStrings::GetValues(const std::string& name) const {
    int32_t i = IndexOfName(name);
    return i < 0 ? std::string() : GetValueFromIndex(i);
}

void TStrings::SetValues(const std::string& name, const std::string& value) {
    int32_t i = IndexOfName(name);
    if (!value.empty()) {
        if (i < 0)
            Add(name + FNameValueSeparator + value);
        else
            Put(i, name + FNameValueSeparator + value);
    } else if (i >= 0) {
        Delete(i);
    }
}

std::string TStrings::GetValueFromIndex(int32_t index) const {
    std::string s = Get(index);
    size_t at = s.find(FNameValueSeparator);
    return at == std::string::npos ? std::string() : s.substr(at + 1);
}

void TStrings::SetValueFromIndex(int32_t index, const std::string& value) {
    if (value.empty()) {
        Delete(index);
        return;
    }
    std::string name = index >= 0 && index < GetCount() ? GetNames(index) : std::string();
    if (index < 0)
        Add(name + FNameValueSeparator + value);
    else
        Put(index, name + FNameValueSeparator + value);
}

std::string TStrings::GetText() const {
    std::string out;
    int32_t n = GetCount();
    for (int32_t i = 0; i < n; ++i) {
        out += Get(i);
        out += '\n';
    }
    return out;
}

void TStrings::SetText(const std::string& text) {
    WithUpdate(this, [&] {
        Clear();
        size_t start = 0, i = 0, n = text.size();
        while (i < n) {
            char c = text[i];
            if (c == '\n' || c == '\r') {
                Add(text.substr(start, i - start));
                i += (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
                start = i;
            } else {
                ++i;
            }
        }
        if (start < n)
            Add(text.substr(start));
    });
}

std::string TStrings::JoinDelimited(char delimiter, char quoteChar) const {
    int32_t n = GetCount();
    if (n == 1 && Get(0).empty())
        return std::string(2, quoteChar);
    std::string out;
    for (int32_t i = 0; i < n; ++i) {
        std::string s = Get(i);
        bool quote = std::any_of(s.begin(), s.end(), [=](char c) {
            return StrIsSeparatorBlank(c) || c == quoteChar || c == delimiter;
        });
        if (i > 0)
            out += delimiter;
        out += quote ? AnsiQuotedStr(s, quoteChar) : s;
    }
    return out;
}

std::string TStrings::GetDelimitedText() const {
    return JoinDelimited(FDelimiter, FQuoteChar);
}

void TStrings::SplitDelimited(const std::string& text, char delimiter, char quoteChar) {
    WithUpdate(this, [&] {
        Clear();
        size_t p = 0, n = text.size();
        auto skipBlanks = [&] {
            while (p < n && StrIsSeparatorBlank(text[p]))
                ++p;
        };
        skipBlanks();
        while (p < n) {
            std::string s;
            if (text[p] == quoteChar) {
                s = AnsiExtractQuotedStr(text, p, quoteChar);
            } else {
                size_t start = p;
                while (p < n && !StrIsSeparatorBlank(text[p]) && text[p] != delimiter)
                    ++p;
                s = text.substr(start, p - start);
            }
            Add(s);
            skipBlanks();
            if (p < n && text[p] == delimiter) {
                // A delimiter at the very end stands for one more, empty line.
                if (p + 1 == n)
                    Add(std::string());
                ++p;
                skipBlanks();
            }
        }
    });
}

void TStrings::SetDelimitedText(const std::string& text) {
    SplitDelimited(text, FDelimiter, FQuoteChar);
}

std::string TStrings::GetCommaText() const {
    return JoinDelimited(',', '"');
}

void TStrings::SetCommaText(const std::string& text) {
    SplitDelimited(text, ',', '"');
}

void TStrings::BeginUpdate() {
    // The state changes while the count is still 0, so that the list can still report "changing".
    if (FUpdateCount == 0)
        SetUpdateState(true);
    ++FUpdateCount;
}

void TStrings::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0)
        SetUpdateState(false);
}

void TStrings::LoadFromStream(TStream* stream) {
    int64_t size = stream->GetSize() - stream->GetPosition();
    std::string text;
    if (size > 0) {
        if (size > int64_t(INT32_MAX))
            throw EOutOfMemory("Text too large to load");
        text.resize(static_cast<size_t>(size));
        stream->ReadBuffer(text.data(), static_cast<int32_t>(size));
    }
    SetText(text);
}

void TStrings::SaveToStream(TStream* stream) const {
    std::string text = GetText();
    if (text.size() > size_t(INT32_MAX))
        throw EWriteError("Stream write error");
    stream->WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
}

void TStrings::LoadFromFile(const std::string& fileName) {
    TFileStream stream(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&stream);
}

void TStrings::SaveToFile(const std::string& fileName) const {
    SaveFileSafely(fileName, [this](TStream& stream) { SaveToStream(&stream); });
}

// ---- TStringList ------------------------------------------------------------------------------------

TStringList::~TStringList() {
    // No change events from a list that is going away.
    FOnChange = nullptr;
    FOnChanging = nullptr;
    for (TStringItem* item : FList)
        delete item;
}

void TStringList::CheckIndex(int32_t index) const {
    if (index < 0 || index >= GetCount())
        Error(StrIndexError, index);
}

void TStringList::CheckNotSorted() const {
    if (FSorted)
        Error(StrSortedError, 0);
}

void TStringList::Changing() {
    if (GetUpdateCount() == 0 && FOnChanging)
        FOnChanging(this);
}

void TStringList::Changed() {
    if (GetUpdateCount() == 0 && FOnChange)
        FOnChange(this);
}

void TStringList::SetUpdateState(bool updating) {
    if (updating)
        Changing();
    else
        Changed();
}

int TStringList::CompareStrings(const std::string& a, const std::string& b) const {
    return FCaseSensitive ? AnsiCompareStr(a, b) : AnsiCompareText(a, b);
}

std::string TStringList::Get(int32_t index) const {
    CheckIndex(index);
    return FList[size_t(index)]->FString;
}

TObject* TStringList::GetObject(int32_t index) const {
    CheckIndex(index);
    return FList[size_t(index)]->FObject;
}

void TStringList::Put(int32_t index, const std::string& s) {
    CheckNotSorted();
    CheckIndex(index);
    Changing();
    FList[size_t(index)]->FString = s;
    Changed();
}

void TStringList::PutObject(int32_t index, TObject* obj) {
    CheckIndex(index);
    Changing();
    FList[size_t(index)]->FObject = obj;
    Changed();
}

void TStringList::InsertItem(int32_t index, const std::string& s, TObject* obj) {
    Changing();
    auto item = std::make_unique<TStringItem>(TStringItem{s, obj});
    FList.insert(FList.begin() + index, item.get());
    item.release();
    Changed();
}

void TStringList::Insert(int32_t index, const std::string& s) {
    InsertObject(index, s, nullptr);
}

void TStringList::InsertObject(int32_t index, const std::string& s, TObject* obj) {
    CheckNotSorted();
    if (index < 0 || index > GetCount())
        Error(StrIndexError, index);
    InsertItem(index, s, obj);
}

void TStringList::Delete(int32_t index) {
    CheckIndex(index);
    Changing();
    delete FList[size_t(index)];
    FList.erase(FList.begin() + index);
    Changed();
}

void TStringList::Clear() {
    if (FList.empty())
        return;
    Changing();
    for (TStringItem* item : FList)
        delete item;
    FList.clear();
    Changed();
}

int32_t TStringList::Add(const std::string& s) {
    return AddObject(s, nullptr);
}

int32_t TStringList::AddObject(const std::string& s, TObject* obj) {
    int32_t index;
    if (!FSorted) {
        index = GetCount();
    } else if (Find(s, index)) {
        switch (FDuplicates) {
        case dupIgnore:
            return index;
        case dupError:
            Error(StrDuplicateError, 0);
        case dupAccept:
            break;
        }
    }
    InsertItem(index, s, obj);
    return index;
}

void TStringList::Exchange(int32_t index1, int32_t index2) {
    // Swapping two lines would leave a sorted list unsorted, and its searches wrong.
    CheckNotSorted();
    CheckIndex(index1);
    CheckIndex(index2);
    Changing();
    std::swap(FList[size_t(index1)], FList[size_t(index2)]);
    Changed();
}

void TStringList::Move(int32_t curIndex, int32_t newIndex) {
    if (curIndex == newIndex)
        return;
    CheckNotSorted();
    CheckIndex(curIndex);
    CheckIndex(newIndex);
    Changing();
    TStringItem* item = FList[size_t(curIndex)];
    FList.erase(FList.begin() + curIndex);
    FList.insert(FList.begin() + newIndex, item);
    Changed();
}

bool TStringList::Find(const std::string& s, int32_t& index) const {
    int32_t lo = 0, hi = GetCount() - 1;
    bool found = false;
    while (lo <= hi) {
        int32_t mid = lo + (hi - lo) / 2;
        int c = CompareStrings(FList[size_t(mid)]->FString, s);
        if (c < 0) {
            lo = mid + 1;
        } else {
            hi = mid - 1;
            if (c == 0)
                found = true;
        }
    }
    index = lo;
    return found;
}

int32_t TStringList::IndexOf(const std::string& s) const {
    if (!FSorted)
        return TStrings::IndexOf(s);
    int32_t index;
    return Find(s, index) ? index : -1;
}

void TStringList::Sort() {
    CustomSort([](TStringList* list, int32_t a, int32_t b) {
        return list->CompareStrings(list->FList[size_t(a)]->FString, list->FList[size_t(b)]->FString);
    });
}

void TStringList::CustomSort(const TStringListSortCompare& compare) {
    if (FSorted || FList.size() < 2)
        return;
    // Sort a permutation, so that compare always sees the list as it was.
    std::vector<int32_t> order(FList.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
                     [&](int32_t a, int32_t b) { return compare(this, a, b) < 0; });
    Changing();
    std::vector<TStringItem*> sorted;
    sorted.reserve(FList.size());
    for (int32_t i : order)
        sorted.push_back(FList[size_t(i)]);
    FList = std::move(sorted);
    Changed();
}

void TStringList::SetSorted(bool value) {
    if (FSorted == value)
        return;
    if (value)
        Sort();
    FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
    if (FCaseSensitive == value)
        return;
    FCaseSensitive = value;
    if (FSorted) {
        FSorted = false;
        Sort();
        FSorted = true;
    }
}

void TStrings::DefineProperties(TFiler* filer) {
    filer->DefineProperty(
        "Strings",
        [this](TReader* reader) {
            WithUpdate(this, [&] {
                Clear();
                reader->ReadListBegin();
                while (!reader->EndOfList())
                    Add(reader->ReadString());
                reader->ReadListEnd();
            });
        },
        [this](TWriter* writer) {
            writer->WriteListBegin();
            for (int32_t i = 0; i < GetCount(); ++i)
                writer->WriteString(Get(i));
            writer->WriteListEnd();
        },
        GetCount() > 0);
}

} // namespace vcl
