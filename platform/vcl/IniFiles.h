// Ini files: TIniFile (every write goes to the file at once) and TMemIniFile (read whole, written back by
// UpdateFile), both over TIniDocument, which the registry store uses too.
#pragma once

#include "platform/vcl/Object.h"

#include <cstdint>
#include <ctime>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

namespace vcl {

class TStrings;

// The text of an ini file, kept line by line: writing a value changes only its line, and comments,
// blank lines and lines that are neither sections nor "key=value" stay as they were (and are otherwise
// ignored). Section and key names compare without case (ASCII); the first section and the first key of a
// name count. Values are the text after "=", without surrounding blanks.
class TIniDocument {
public:
    using TEntry = std::pair<std::string, std::string>;

    void Parse(std::string_view text);
    std::string Serialize() const;
    void Clear();

    bool SectionExists(std::string_view section) const;
    // Null when the section or key is missing.
    const std::string* FindValue(std::string_view section, std::string_view key) const;
    // Adds the section (at the end) and the key (after the section's last key) as needed.
    void SetValue(std::string_view section, std::string_view key, std::string_view value);
    void AddSection(std::string_view section);
    // Every key of that name in every section of that name; false when there was none.
    bool DeleteKey(std::string_view section, std::string_view key);
    bool EraseSection(std::string_view section);
    // Every section whose name starts with prefix (compared without case); the number erased.
    size_t EraseSectionsStartingWith(std::string_view prefix);
    // Whether a section name starts with prefix (compared without case).
    bool HasSectionStartingWith(std::string_view prefix) const;
    // Names in file order, each once, spelt as first seen.
    std::vector<std::string> SectionNames() const;
    // The keys and values of the first section of that name, in order, each key once.
    std::vector<TEntry> Entries(std::string_view section) const;

private:
    struct TLine {
        std::string Text; // as read or as last written
        std::string Key;
        std::string Value;
        bool IsEntry = false;
    };
    struct TSection {
        std::string Name;
        std::string Header;
        std::vector<TLine> Lines;
    };
    TSection* Find(std::string_view section);
    const TSection* Find(std::string_view section) const;
    void Reindex();

    std::vector<TLine> FPreamble; // lines before the first section
    std::vector<TSection> FSections;
    std::unordered_map<std::string, size_t> FIndex; // upper-cased name -> first section of that name
    std::string FLineBreak = "\n";
    bool FByteOrderMark = false;
};

class TCustomIniFile : public TObject {
public:
    explicit TCustomIniFile(std::string fileName) : FFileName(std::move(fileName)) {}
    const std::string& GetFileName() const { return FFileName; }

    // A value written with surrounding blanks or quotes comes back as written.
    std::string ReadString(const std::string& section, const std::string& ident,
                           const std::string& defaultValue);
    // Raises EIniFileException when the value cannot be stored (line breaks, "=" in a key) or written.
    void WriteString(const std::string& section, const std::string& ident, const std::string& value);
    // Decimal or hex ("0x1F", "$1F"); anything else gives the default.
    int32_t ReadInteger(const std::string& section, const std::string& ident, int32_t defaultValue);
    void WriteInteger(const std::string& section, const std::string& ident, int32_t value);
    // A number other than 0 is true; written as "1" or "0".
    bool ReadBool(const std::string& section, const std::string& ident, bool defaultValue);
    void WriteBool(const std::string& section, const std::string& ident, bool value);
    double ReadFloat(const std::string& section, const std::string& ident, double defaultValue);
    void WriteFloat(const std::string& section, const std::string& ident, double value);

    bool SectionExists(const std::string& section);
    bool ValueExists(const std::string& section, const std::string& ident);
    // Fill strings (cleared first) with the key names, the section names, or "key=value" lines.
    void ReadSection(const std::string& section, TStrings* strings);
    void ReadSections(TStrings* strings);
    void ReadSectionValues(const std::string& section, TStrings* strings);
    void EraseSection(const std::string& section);
    void DeleteKey(const std::string& section, const std::string& ident);
    virtual void UpdateFile() = 0;

protected:
    // The document, up to date with the file for readers.
    virtual TIniDocument& Document() = 0;
    // Called after every change of the document.
    virtual void Modified() = 0;
    // Writes the document to the file safely; raises EIniFileException on failure.
    void SaveDocument(const TIniDocument& document);
    // Reads the file into the document; a missing file gives an empty one. False when it exists but
    // cannot be read.
    bool LoadDocument(TIniDocument& document);

private:
    std::string FFileName;
};

// Reads the file again whenever it changed on disk; every write goes to the file at once, through a
// temporary file, keeping the other sections and the comments.
class TIniFile : public TCustomIniFile {
public:
    explicit TIniFile(const std::string& fileName);
    void UpdateFile() override {}

protected:
    TIniDocument& Document() override;
    void Modified() override;

private:
    struct TStamp {
        bool Exists = false;
        uint64_t Device = 0, Inode = 0;
        int64_t Size = 0;
        struct timespec Time {};
        bool operator==(const TStamp& o) const;
    };
    TStamp CurrentStamp() const;
    TIniDocument FDocument;
    TStamp FStamp;
    bool FLoaded = false;
    bool FReadable = true;
};

// The whole file in memory: reads and writes touch only memory until UpdateFile.
class TMemIniFile : public TCustomIniFile {
public:
    // Reads the file (a missing one is empty); raises EIniFileException when it exists but cannot be read.
    explicit TMemIniFile(const std::string& fileName);
    void UpdateFile() override;
    void Clear() { FDocument.Clear(); }
    // The file's lines, and replacing the contents by lines (parsed like a file).
    void GetStrings(TStrings* list);
    void SetStrings(TStrings* list);
    void SetText(std::string_view text) { FDocument.Parse(text); }
    std::string GetText() const { return FDocument.Serialize(); }

protected:
    TIniDocument& Document() override { return FDocument; }
    void Modified() override {}

private:
    TIniDocument FDocument;
};

} // namespace vcl
