#include "platform/vcl/StringList.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Streams.h"
#include "tests/platform/vcl/ErrorOf.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

using namespace vcl;
using vcltest::ErrorOf;

namespace {

std::vector<std::string> Lines(const TStrings& list) {
    std::vector<std::string> out;
    for (int32_t i = 0; i < list.GetCount(); ++i)
        out.push_back(list.Get(i));
    return out;
}

void Fill(TStrings& list, const std::vector<std::string>& lines) {
    list.Clear();
    for (auto& s : lines)
        list.Add(s);
}

// A minimal derived list, to prove the abstract base works from its overridables alone.
class VectorStrings : public TStrings {
public:
    std::string Get(int32_t index) const override { return FItems.at(size_t(index)); }
    int32_t GetCount() const override { return int32_t(FItems.size()); }
    void Insert(int32_t index, const std::string& s) override { FItems.insert(FItems.begin() + index, s); }
    void Delete(int32_t index) override { FItems.erase(FItems.begin() + index); }
    void Clear() override { FItems.clear(); }
    std::vector<std::string> FItems;
};

} // namespace

TEST(TStringList, SortedWithDuplicates) {
    struct {
        TDuplicates Duplicates;
        bool CaseSensitive;
        std::vector<std::string> Result;
    } cases[] = {
        // Case-blind: the first spelling stays; an accepted duplicate goes before its equals.
        {dupIgnore, false, {"apple", "banana", "cherry"}},
        {dupAccept, false, {"APPLE", "apple", "Banana", "banana", "cherry"}},
        // Case-sensitive in dictionary order: lower case before capitals on a tie.
        {dupIgnore, true, {"apple", "APPLE", "banana", "Banana", "cherry"}},
    };
    for (auto& c : cases) {
        TStringList list;
        list.SetSorted(true);
        list.SetDuplicates(c.Duplicates);
        list.SetCaseSensitive(c.CaseSensitive);
        for (const char* s : {"cherry", "banana", "apple", "Banana", "APPLE"})
            list.Add(s);
        EXPECT_EQ(Lines(list), c.Result);
        int32_t index = -1;
        EXPECT_EQ(list.Find("BANANA", index), !c.CaseSensitive);
        EXPECT_FALSE(list.Find("blueberry", index));
        EXPECT_EQ(list.Get(index), "cherry");
    }
    TStringList strict;
    strict.SetSorted(true);
    strict.SetDuplicates(dupError);
    strict.Add("one");
    EXPECT_EQ(ErrorOf([&] { strict.Add("ONE"); }), "String list does not allow duplicates");
    EXPECT_EQ(strict.GetCount(), 1);
    // A dupIgnore add returns the existing line's index.
    TStringList ignore;
    ignore.SetSorted(true);
    ignore.Add("b");
    ignore.Add("a");
    EXPECT_EQ(ignore.Add("B"), 1);
}

TEST(TStringList, SortedListRefusesPositionalChanges) {
    TStringList list;
    Fill(list, {"c", "a", "b"});
    list.SetSorted(true);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c"}));
    const std::string sortedError = "Operation not allowed on sorted list";
    EXPECT_EQ(ErrorOf([&] { list.Insert(0, "z"); }), sortedError);
    EXPECT_EQ(ErrorOf([&] { list.Put(0, "z"); }), sortedError);
    EXPECT_EQ(ErrorOf([&] { list.Exchange(0, 2); }), sortedError);
    // Move must not lose the line it could not place.
    EXPECT_EQ(ErrorOf([&] { list.Move(0, 2); }), sortedError);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(list.IndexOf("B"), 1);
    EXPECT_EQ(list.IndexOf("x"), -1);
}

TEST(TStringList, IndexErrorsAndEditing) {
    TStringList list;
    Fill(list, {"zero", "one", "two"});
    for (int32_t bad : {-1, 3, 1000}) {
        EXPECT_EQ(ErrorOf([&] { list.Get(bad); }), "List index out of bounds (" + std::to_string(bad) + ")");
        EXPECT_THROW(list.Delete(bad), EStringListError);
        EXPECT_THROW(list.GetObject(bad), EStringListError);
    }
    EXPECT_THROW(list.Insert(4, "x"), EStringListError);
    list.Insert(3, "three");
    list.Move(3, 0);
    list.Exchange(1, 2);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"three", "one", "zero", "two"}));
    EXPECT_EQ(list.IndexOf("ZERO"), 2);
    TObject marker;
    list.PutObject(2, &marker);
    EXPECT_EQ(list.IndexOfObject(&marker), 2);
    list.Move(2, 0);
    EXPECT_EQ(list.GetObject(0), &marker);

    // CustomSort by length, stable among equals.
    Fill(list, {"ccc", "a", "bb", "d"});
    list.CustomSort(
        [](TStringList* l, int32_t a, int32_t b) { return int(l->Get(a).size()) - int(l->Get(b).size()); });
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "d", "bb", "ccc"}));
}

TEST(TStringList, CommaTextRoundTrips) {
    struct {
        std::vector<std::string> Lines;
        const char* Text;
    } cases[] = {
        {{"a", "b", "c"}, "a,b,c"},
        {{"with space", "plain"}, "\"with space\",plain"},
        {{"say \"hi\""}, "\"say \"\"hi\"\"\""},
        {{"a,b"}, "\"a,b\""},
        {{""}, "\"\""},
        {{"a", "", "b"}, "a,,b"},
        {{"a", ""}, "a,"},
        {{"", "a"}, ",a"},
        {{}, ""},
        {{" lead", "tab\there", "nul\0x"}, "\" lead\",\"tab\there\",\"nul\0x\""},
    };
    // The NUL case needs explicit lengths.
    cases[9].Lines[2] = std::string("nul\0x", 5);
    std::string nulText("\" lead\",\"tab\there\",\"nul\0x\"", 26);
    for (auto& c : cases) {
        TStringList list;
        Fill(list, c.Lines);
        std::string want = &c == &cases[9] ? nulText : std::string(c.Text);
        EXPECT_EQ(list.GetCommaText(), want);
        TStringList back;
        back.SetCommaText(want);
        EXPECT_EQ(Lines(back), c.Lines) << want;
    }
    // Reading: blanks separate unquoted words, text after a closing quote starts a new line.
    TStringList list;
    list.SetCommaText("  one two , \"three, four\"x,five  ");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"one", "two", "three, four", "x", "five"}));
    list.SetCommaText("\"unterminated");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"unterminated"}));

    list.SetDelimiter(';');
    list.SetQuoteChar('\'');
    list.SetDelimitedText("a;'b;c';'it''s'");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b;c", "it's"}));
    EXPECT_EQ(list.GetDelimitedText(), "a;'b;c';'it''s'");
    EXPECT_EQ(list.GetCommaText(), "a,b;c,it's");
    EXPECT_EQ(list.GetDelimiter(), ';');
}

TEST(TStringList, TextNamesAndValues) {
    TStringList list;
    list.SetText("one\r\ntwo\rthree\nfour\n");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"one", "two", "three", "four"}));
    EXPECT_EQ(list.GetText(), "one\ntwo\nthree\nfour\n");
    list.SetText("\n\nlast");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"", "", "last"}));
    list.SetText("");
    EXPECT_EQ(list.GetCount(), 0);
    // Raw bytes stay raw.
    list.SetText(std::string("\xFF\xFE\x00z", 4));
    EXPECT_EQ(list.Get(0), std::string("\xFF\xFE\x00z", 4));

    Fill(list, {"Left=10", "Top=20", "plain", "Empty=", "Eq=a=b"});
    EXPECT_EQ(list.GetValues("left"), "10");
    EXPECT_EQ(list.GetValues("Eq"), "a=b");
    EXPECT_EQ(list.GetValues("missing"), "");
    EXPECT_EQ(list.GetNames(2), "");
    EXPECT_EQ(list.GetNames(4), "Eq");
    EXPECT_EQ(list.IndexOfName("EMPTY"), 3);
    EXPECT_EQ(list.GetValueFromIndex(1), "20");
    list.SetValues("Top", "25");
    list.SetValues("Width", "300");
    list.SetValues("Left", "");
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"Top=25", "plain", "Empty=", "Eq=a=b", "Width=300"}));
    list.SetValueFromIndex(0, "26");
    EXPECT_EQ(list.Get(0), "Top=26");
}

TEST(TStringList, ChangeEventsAndUpdates) {
    TStringList list;
    std::vector<std::string> events;
    list.SetOnChanging([&](TObject*) { events.push_back("changing"); });
    list.SetOnChange([&](TObject*) { events.push_back("change " + std::to_string(list.GetCount())); });
    list.Add("a");
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 1"}));
    events.clear();
    list.BeginUpdate();
    list.BeginUpdate();
    list.Add("b");
    list.Add("c");
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing"}));
    list.EndUpdate();
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 3"}));
    events.clear();
    list.SetText("x\ny"); // one change for the whole text
    EXPECT_EQ(events, (std::vector<std::string>{"changing", "change 2"}));
}

TEST(TStrings, AbstractBaseAssignAndEquals) {
    VectorStrings v;
    v.Add("b");
    v.Add("a");
    v.Put(0, "c");
    v.Exchange(0, 1);
    v.Move(0, 1);
    EXPECT_EQ(v.FItems, (std::vector<std::string>{"c", "a"}));
    EXPECT_EQ(v.IndexOf("A"), 1);
    v.SetCommaText("x,\"y z\"");
    EXPECT_EQ(v.FItems, (std::vector<std::string>{"x", "y z"}));

    TStringList list;
    list.Assign(&v);
    EXPECT_TRUE(list.Equals(&v));
    list.Put(1, "Y Z");
    EXPECT_FALSE(list.Equals(&v)); // exact comparison
    list.AddStrings(&list);        // adding a list to itself doubles it once
    EXPECT_EQ(list.GetCount(), 4);
    TPersistent other;
    EXPECT_THROW(list.Assign(&other), EConvertError);
}

TEST(TStringList, FilesAndStreams) {
    auto path =
        std::filesystem::temp_directory_path() / ("lw-strings-" + std::to_string(::getpid()) + ".txt");
    { std::ofstream(path, std::ios::binary) << "dos\r\nmac\runix\nlast"; }
    TStringList list;
    list.LoadFromFile(path.string());
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"dos", "mac", "unix", "last"}));
    list.Add("added");
    list.SaveToFile(path.string());
    TStringList again;
    again.LoadFromFile(path.string());
    EXPECT_TRUE(again.Equals(&list));
    EXPECT_EQ(std::filesystem::file_size(path), list.GetText().size());
    std::filesystem::remove(path);
    EXPECT_THROW(again.LoadFromFile(path.string()), EFOpenError);

    // A stream is read from its position.
    TMemoryStream stream;
    stream.WriteBuffer("skip|a\nb", 8);
    stream.SetPosition(5);
    list.LoadFromStream(&stream);
    EXPECT_EQ(Lines(list), (std::vector<std::string>{"a", "b"}));
}
