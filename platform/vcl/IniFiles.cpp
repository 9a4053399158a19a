#include "platform/vcl/IniFiles.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vcl {

namespace {

std::string_view IniTrim(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= ' ')
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= ' ')
        --e;
    return s.substr(b, e - b);
}

std::string IniFold(std::string_view s) {
    return UpperCase(std::string(s));
}

bool IniSameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && CompareText(std::string(a), std::string(b)) == 0;
}

} // namespace

// ---- TIniDocument -----------------------------------------------------------------------------------

void TIniDocument::Clear() {
    FPreamble.clear();
    FSections.clear();
    FIndex.clear();
    FLineBreak = "\n";
    FByteOrderMark = false;
}

void TIniDocument::Parse(std::string_view text) {
    Clear();
    if (text.substr(0, 3) == "\xEF\xBB\xBF") {
        FByteOrderMark = true;
        text.remove_prefix(3);
    }
    bool lineBreakSeen = false;
    size_t start = 0, i = 0, n = text.size();
    auto addLine = [&](std::string_view raw) {
        std::string_view t = IniTrim(raw);
        size_t close = t.rfind(']');
        if (!t.empty() && t[0] == '[' && close != std::string_view::npos) {
            TSection section;
            section.Name = std::string(IniTrim(t.substr(1, close - 1)));
            section.Header = std::string(raw);
            FSections.push_back(std::move(section));
            return;
        }
        TLine line;
        line.Text = std::string(raw);
        if (!t.empty() && t[0] != ';' && t[0] != '#') {
            size_t eq = t.find('=');
            if (eq != std::string_view::npos) {
                line.IsEntry = true;
                line.Key = std::string(IniTrim(t.substr(0, eq)));
                line.Value = std::string(IniTrim(t.substr(eq + 1)));
            }
        }
        (FSections.empty() ? FPreamble : FSections.back().Lines).push_back(std::move(line));
    };
    while (i < n) {
        char c = text[i];
        if (c == '\n' || c == '\r') {
            addLine(text.substr(start, i - start));
            size_t breakLength = (c == '\r' && i + 1 < n && text[i + 1] == '\n') ? 2 : 1;
            if (!lineBreakSeen) {
                FLineBreak = std::string(text.substr(i, breakLength));
                lineBreakSeen = true;
            }
            i += breakLength;
            start = i;
        } else {
            ++i;
        }
    }
    if (start < n)
        addLine(text.substr(start));
    Reindex();
}

std::string TIniDocument::Serialize() const {
    std::string out;
    if (FByteOrderMark)
        out = "\xEF\xBB\xBF";
    for (const TLine& line : FPreamble)
        out += line.Text + FLineBreak;
    for (const TSection& section : FSections) {
        out += section.Header + FLineBreak;
        for (const TLine& line : section.Lines)
            out += line.Text + FLineBreak;
    }
    return out;
}

void TIniDocument::Reindex() {
    FIndex.clear();
    for (size_t i = 0; i < FSections.size(); ++i)
        FIndex.emplace(IniFold(FSections[i].Name), i);
}

TIniDocument::TSection* TIniDocument::Find(std::string_view section) {
    auto it = FIndex.find(IniFold(IniTrim(section)));
    return it == FIndex.end() ? nullptr : &FSections[it->second];
}

const TIniDocument::TSection* TIniDocument::Find(std::string_view section) const {
    auto it = FIndex.find(IniFold(IniTrim(section)));
    return it == FIndex.end() ? nullptr : &FSections[it->second];
}

bool TIniDocument::SectionExists(std::string_view section) const {
    return Find(section) != nullptr;
}

const std::string* TIniDocument::FindValue(std::string_view section, std::string_view key) const {
    const TSection* s = Find(section);
    if (!s)
        return nullptr;
    key = IniTrim(key);
    for (const TLine& line : s->Lines)
        if (line.IsEntry && IniSameName(line.Key, key))
            return &line.Value;
    return nullptr;
}

void TIniDocument::AddSection(std::string_view section) {
    if (Find(section))
        return;
    section = IniTrim(section);
    // Keep a blank line between sections, as people write them.
    std::vector<TLine>& previous = FSections.empty() ? FPreamble : FSections.back().Lines;
    if (!previous.empty() && !IniTrim(previous.back().Text).empty())
        previous.push_back(TLine{});
    TSection s;
    s.Name = std::string(section);
    s.Header = "[" + s.Name + "]";
    FSections.push_back(std::move(s));
    FIndex.emplace(IniFold(section), FSections.size() - 1);
}

void TIniDocument::SetValue(std::string_view section, std::string_view key, std::string_view value) {
    AddSection(section);
    TSection* s = Find(section);
    key = IniTrim(key);
    size_t insertAt = 0;
    for (size_t i = 0; i < s->Lines.size(); ++i) {
        TLine& line = s->Lines[i];
        if (!line.IsEntry)
            continue;
        if (IniSameName(line.Key, key)) {
            line.Value = std::string(IniTrim(value));
            line.Text = line.Key + "=" + line.Value;
            return;
        }
        insertAt = i + 1;
    }
    TLine line;
    line.IsEntry = true;
    line.Key = std::string(key);
    line.Value = std::string(IniTrim(value));
    line.Text = line.Key + "=" + line.Value;
    s->Lines.insert(s->Lines.begin() + static_cast<std::ptrdiff_t>(insertAt), std::move(line));
}

bool TIniDocument::DeleteKey(std::string_view section, std::string_view key) {
    bool found = false;
    std::string name = IniFold(IniTrim(section));
    key = IniTrim(key);
    for (TSection& s : FSections) {
        if (IniFold(s.Name) != name)
            continue;
        for (size_t i = s.Lines.size(); i > 0; --i) {
            TLine& line = s.Lines[i - 1];
            if (line.IsEntry && IniSameName(line.Key, key)) {
                s.Lines.erase(s.Lines.begin() + static_cast<std::ptrdiff_t>(i - 1));
                found = true;
            }
        }
    }
    return found;
}

bool TIniDocument::EraseSection(std::string_view section) {
    std::string name = IniFold(IniTrim(section));
    size_t before = FSections.size();
    std::erase_if(FSections, [&](const TSection& s) { return IniFold(s.Name) == name; });
    if (FSections.size() == before)
        return false;
    Reindex();
    return true;
}

namespace {

bool IniStartsWith(std::string_view name, std::string_view prefix) {
    if (name.size() < prefix.size())
        return false;
    for (size_t i = 0; i < prefix.size(); ++i) {
        char a = name[i], b = prefix[i];
        if (a != b && !((a | 0x20) == (b | 0x20) && (a | 0x20) >= 'a' && (a | 0x20) <= 'z'))
            return false;
    }
    return true;
}

} // namespace

bool TIniDocument::HasSectionStartingWith(std::string_view prefix) const {
    return std::any_of(FSections.begin(), FSections.end(),
                       [&](const TSection& s) { return IniStartsWith(s.Name, prefix); });
}

size_t TIniDocument::EraseSectionsStartingWith(std::string_view prefix) {
    size_t erased =
        std::erase_if(FSections, [&](const TSection& s) { return IniStartsWith(s.Name, prefix); });
    if (erased)
        Reindex();
    return erased;
}

std::vector<std::string> TIniDocument::SectionNames() const {
    std::vector<std::string> names;
    for (size_t i = 0; i < FSections.size(); ++i) {
        auto it = FIndex.find(IniFold(FSections[i].Name));
        if (it != FIndex.end() && it->second == i)
            names.push_back(FSections[i].Name);
    }
    return names;
}

std::vector<TIniDocument::TEntry> TIniDocument::Entries(std::string_view section) const {
    std::vector<TEntry> entries;
    const TSection* s = Find(section);
    if (!s)
        return entries;
    std::unordered_map<std::string, bool> seen;
    for (const TLine& line : s->Lines)
        if (line.IsEntry && seen.emplace(IniFold(line.Key), true).second)
            entries.emplace_back(line.Key, line.Value);
    return entries;
}

// ---- TCustomIniFile ---------------------------------------------------------------------------------

namespace {

bool IniHasLineBreak(const std::string& s) {
    return s.find_first_of("\r\n") != std::string::npos;
}

// One pair of double quotes around a value protects its blanks; a reader takes it off.
std::string IniUnquote(const std::string& value) {
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        return value.substr(1, value.size() - 2);
    return value;
}

std::string IniQuote(const std::string& value) {
    bool blankEdge = !value.empty() && (static_cast<unsigned char>(value.front()) <= ' ' ||
                                        static_cast<unsigned char>(value.back()) <= ' ');
    bool quoted = value.size() >= 2 && value.front() == '"' && value.back() == '"';
    return blankEdge || quoted ? "\"" + value + "\"" : value;
}

} // namespace

std::string TCustomIniFile::ReadString(const std::string& section, const std::string& ident,
                                       const std::string& defaultValue) {
    const std::string* value = Document().FindValue(section, ident);
    return value ? IniUnquote(*value) : defaultValue;
}

void TCustomIniFile::WriteString(const std::string& section, const std::string& ident,
                                 const std::string& value) {
    // Anything that would read back as another line, section or key is refused rather than written.
    std::string key(IniTrim(ident));
    if (IniHasLineBreak(section) || IniHasLineBreak(ident) || IniHasLineBreak(value))
        throw EIniFileException(
            Format("Cannot write [%s] %s to %s: line breaks are not allowed", section, ident, FFileName));
    if (key.find('=') != std::string::npos ||
        (!key.empty() && (key[0] == '[' || key[0] == ';' || key[0] == '#')))
        throw EIniFileException(
            Format("Cannot write [%s] %s to %s: invalid key name", section, ident, FFileName));
    std::string stored = IniQuote(value);
    const std::string* current = Document().FindValue(section, ident);
    if (current && *current == stored)
        return; // nothing to write
    Document().SetValue(section, ident, stored);
    Modified();
}

int32_t TCustomIniFile::ReadInteger(const std::string& section, const std::string& ident,
                                    int32_t defaultValue) {
    return StrToIntDef(Trim(ReadString(section, ident, std::string())), defaultValue);
}

void TCustomIniFile::WriteInteger(const std::string& section, const std::string& ident, int32_t value) {
    WriteString(section, ident, IntToStr(value));
}

bool TCustomIniFile::ReadBool(const std::string& section, const std::string& ident, bool defaultValue) {
    return ReadInteger(section, ident, defaultValue ? 1 : 0) != 0;
}

void TCustomIniFile::WriteBool(const std::string& section, const std::string& ident, bool value) {
    WriteString(section, ident, value ? "1" : "0");
}

double TCustomIniFile::ReadFloat(const std::string& section, const std::string& ident, double defaultValue) {
    return StrToFloatDef(ReadString(section, ident, std::string()), defaultValue);
}

void TCustomIniFile::WriteFloat(const std::string& section, const std::string& ident, double value) {
    WriteString(section, ident, FloatToStr(value));
}

bool TCustomIniFile::SectionExists(const std::string& section) {
    return Document().SectionExists(section);
}

bool TCustomIniFile::ValueExists(const std::string& section, const std::string& ident) {
    return Document().FindValue(section, ident) != nullptr;
}

void TCustomIniFile::ReadSection(const std::string& section, TStrings* strings) {
    WithUpdate(strings, [&] {
        strings->Clear();
        for (const auto& entry : Document().Entries(section))
            strings->Add(entry.first);
    });
}

void TCustomIniFile::ReadSections(TStrings* strings) {
    WithUpdate(strings, [&] {
        strings->Clear();
        for (const std::string& name : Document().SectionNames())
            strings->Add(name);
    });
}

void TCustomIniFile::ReadSectionValues(const std::string& section, TStrings* strings) {
    WithUpdate(strings, [&] {
        strings->Clear();
        for (const auto& entry : Document().Entries(section))
            strings->Add(entry.first + "=" + IniUnquote(entry.second));
    });
}

void TCustomIniFile::EraseSection(const std::string& section) {
    if (Document().EraseSection(section))
        Modified();
}

void TCustomIniFile::DeleteKey(const std::string& section, const std::string& ident) {
    if (Document().DeleteKey(section, ident))
        Modified();
}

void TCustomIniFile::SaveDocument(const TIniDocument& document) {
    std::string text = document.Serialize();
    try {
        SaveFileSafely(FFileName, [&](TStream& stream) {
            if (!text.empty())
                stream.WriteBuffer(text.data(), static_cast<int32_t>(text.size()));
        });
    } catch (const Exception& e) {
        throw EIniFileException(Format("Unable to write to %s (%s)", FFileName, e.Message()));
    }
}

bool TCustomIniFile::LoadDocument(TIniDocument& document) {
    document.Clear();
    int fd = ::open(FFileName.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR;
    std::string text;
    char buffer[65536];
    bool ok = true;
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            ok = false;
        if (n <= 0)
            break;
        text.append(buffer, static_cast<size_t>(n));
    }
    ::close(fd);
    if (ok)
        document.Parse(text);
    return ok;
}

// ---- TIniFile ---------------------------------------------------------------------------------------

bool TIniFile::TStamp::operator==(const TStamp& o) const {
    return Exists == o.Exists && Device == o.Device && Inode == o.Inode && Size == o.Size &&
           Time.tv_sec == o.Time.tv_sec && Time.tv_nsec == o.Time.tv_nsec;
}

TIniFile::TIniFile(const std::string& fileName) : TCustomIniFile(fileName) {}

TIniFile::TStamp TIniFile::CurrentStamp() const {
    TStamp stamp;
    struct stat st {};
    if (::stat(GetFileName().c_str(), &st) == 0) {
        stamp.Exists = true;
        stamp.Device = st.st_dev;
        stamp.Inode = st.st_ino;
        stamp.Size = st.st_size;
        stamp.Time = st.st_mtim;
    }
    return stamp;
}

TIniDocument& TIniFile::Document() {
    TStamp now = CurrentStamp();
    if (!FLoaded || !(now == FStamp)) {
        // An unreadable file reads as empty; a write then fails rather than replace it.
        FReadable = LoadDocument(FDocument);
        FStamp = now;
        FLoaded = true;
    }
    return FDocument;
}

void TIniFile::Modified() {
    if (!FReadable) {
        FLoaded = false;
        throw EIniFileException(Format("Unable to write to %s: the file cannot be read", GetFileName()));
    }
    SaveDocument(FDocument);
    FStamp = CurrentStamp();
}

// ---- TMemIniFile ------------------------------------------------------------------------------------

TMemIniFile::TMemIniFile(const std::string& fileName) : TCustomIniFile(fileName) {
    if (!fileName.empty() && !LoadDocument(FDocument))
        throw EIniFileException(Format("Unable to read %s", fileName));
}

void TMemIniFile::UpdateFile() {
    SaveDocument(FDocument);
}

void TMemIniFile::GetStrings(TStrings* list) {
    list->SetText(FDocument.Serialize());
}

void TMemIniFile::SetStrings(TStrings* list) {
    FDocument.Parse(list->GetText());
}

} // namespace vcl
