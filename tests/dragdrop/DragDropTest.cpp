// The data-format framework: the conversion map and its order, data formats and their owners, format
// names, the key and effect routines, raw media and the interfaced component.
#include "dragdrop/DragDrop.h"
#include "dragdrop/DragDropFile.h"
#include "dragdrop/DragDropFormats.h"
#include "tests/dragdrop/DragDropTestSupport.h"

#include "platform/win/ole/Clipboard.h"
#include "platform/win/user/Messages.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace dragdrop;

namespace ddtest {

// A drop component that holds no data formats: not a valid owner of one.
class TPlainDropComponent : public TDragDropComponent {
public:
    using TDragDropComponent::TDragDropComponent;
};

// A component that holds data formats for drop targets, as a multi target does.
class TFormatHolder : public TDragDropComponent {
public:
    explicit TFormatHolder(vcl::TComponent* owner) : TDragDropComponent(owner) {
        FDataFormats = std::make_unique<TDataFormats>();
    }
    ~TFormatHolder() override {
        while (FDataFormats->Count() > 0)
            delete FDataFormats->Formats(FDataFormats->Count() - 1);
    }
    bool GetFormatScope(TFormatScope& scope) const override {
        scope = fsTarget;
        return true;
    }
};

// Counts the releases of a medium it is the pUnkForRelease of.
class ReleaseCounter final : public win::ComObject<win::IUnknown> {
public:
    win::ULONG Release() override {
        ++Releases;
        return ComObject::Release();
    }
    int Releases = 0;
};

} // namespace ddtest

using namespace ddtest;

namespace {

class DragDropFrameworkTest : public DragDropFixture {};

std::string Directions(TFormatDirections d) {
    return std::string(d.Contains(fdGet) ? "G" : "") + (d.Contains(fdSet) ? "S" : "");
}

std::string Scopes(TFormatScopes s) {
    return std::string(s.Contains(fsSource) ? "src" : "") + (s.Contains(fsSource) && s.Contains(fsTarget) ? "," : "") +
           (s.Contains(fsTarget) ? "tgt" : "");
}

TEST_F(DragDropFrameworkTest, MapHoldsEveryConversionInOrder) {
    struct Row {
        const char* DataFormat;
        const char* ClipboardFormat;
        int Priority;
        const char* Directions;
        const char* Scopes;
    };
    const std::vector<Row> expected = {
        {"TTextDataFormat", "TTextClipboardFormat", 0, "G", "src,tgt"},
        {"TTextDataFormat", "TFileGroupDescritorWClipboardFormat", 1, "G", "src"},
        {"TTextDataFormat", "TFileGroupDescritorClipboardFormat", 1, "G", "src"},
        {"TTextDataFormat", "TFileContentsClipboardFormat", 1, "G", "src,tgt"},
        {"TFeedbackDataFormat", "TLogicalPerformedDropEffectClipboardFormat", 0, "S", "src,tgt"},
        {"TFeedbackDataFormat", "TTargetCLSIDClipboardFormat", 0, "S", "src,tgt"},
        {"TFeedbackDataFormat", "TInShellDragLoopClipboardFormat", 0, "G", "src,tgt"},
        {"TFeedbackDataFormat", "TPasteSuccededClipboardFormat", 0, "S", "src,tgt"},
        {"TFeedbackDataFormat", "TPerformedDropEffectClipboardFormat", 0, "S", "src,tgt"},
        {"TFeedbackDataFormat", "TPreferredDropEffectClipboardFormat", 0, "G", "src,tgt"},
        {"TDataStreamDataFormat", "TFileContentsStreamClipboardFormat", 0, "G", "tgt"},
        {"TPIDLDataFormat", "TPIDLClipboardFormat", 0, "G", "src,tgt"},
        {"TPIDLDataFormat", "TFileClipboardFormat", 1, "G", "src,tgt"},
        {"TFileDataFormat", "TFileClipboardFormat", 0, "G", "src,tgt"},
        {"TFileDataFormat", "TPIDLClipboardFormat", 1, "G", "src,tgt"},
        {"TFileDataFormat", "TFilenameWClipboardFormat", 2, "G", "src,tgt"},
        {"TFileDataFormat", "TFilenameClipboardFormat", 2, "G", "src,tgt"},
        {"TFileMapDataFormat", "TFilenameMapWClipboardFormat", 0, "G", "src,tgt"},
        {"TFileMapDataFormat", "TFilenameMapClipboardFormat", 0, "G", "src,tgt"},
    };
    TDataFormatMap* map = DataFormatMap();
    ASSERT_EQ(map->Count(), int32_t(expected.size()));
    for (size_t i = 0; i < expected.size(); ++i) {
        const TDataFormatMap::TRecord& r = map->Records(int32_t(i));
        SCOPED_TRACE(i);
        EXPECT_STREQ(r.DataFormat->Name, expected[i].DataFormat);
        EXPECT_STREQ(r.ClipboardFormat->Name, expected[i].ClipboardFormat);
        EXPECT_EQ(r.Priority, expected[i].Priority);
        EXPECT_EQ(Directions(r.Directions), expected[i].Directions);
        EXPECT_EQ(Scopes(r.Scopes), expected[i].Scopes);
    }
    // The registered data format classes; finalisation empties both lists.
    ASSERT_EQ(DataFormatClasses()->Count(), 5);
    EXPECT_EQ(DataFormatClasses()->Formats(0), TTextDataFormat::StaticClass());
    EXPECT_EQ(DataFormatClasses()->Formats(1), TDataStreamDataFormat::StaticClass());
    EXPECT_EQ(DataFormatClasses()->Formats(4), TFileMapDataFormat::StaticClass());
}

TEST(DragDropMapTest, OrdersByPriorityNewcomersFirstAndUnitesARepeatedPair) {
    static const TDataFormatClassRecord a{"A", TCustomDataFormat::StaticClass()};
    static const TDataFormatClassRecord b{"B", TCustomDataFormat::StaticClass()};
    static const TClipboardFormatClassRecord x{"X", TClipboardFormat::StaticClass(), nullptr};
    static const TClipboardFormatClassRecord y{"Y", TClipboardFormat::StaticClass(), nullptr};
    static const TClipboardFormatClassRecord z{"Z", TClipboardFormat::StaticClass(), nullptr};
    auto order = [](const TDataFormatMap& map) {
        std::string s;
        for (int32_t i = 0; i < map.Count(); ++i)
            s += std::string(map.Records(i).DataFormat->Name) + map.Records(i).ClipboardFormat->Name +
                 std::to_string(map.Records(i).Priority) + " ";
        return s;
    };
    TDataFormatMap map;
    map.Add(&a, &x, 1, {fdGet}, {fsTarget});
    map.Add(&a, &y, 1, {fdGet}, {fsTarget});
    map.Add(&a, &z, 0, {fdGet}, {fsTarget});
    EXPECT_EQ(order(map), "AZ0 AY1 AX1 ");
    // Another class's record stays apart; a repeated pair moves to its new place with united sets.
    map.Add(&b, &x, 0, {fdGet}, {fsSource});
    map.Add(&a, &z, 2, {fdSet}, {fsSource});
    EXPECT_EQ(order(map), "AY1 AX1 AZ2 BX0 ");
    const TDataFormatMap::TRecord& r = map.Records(2);
    EXPECT_TRUE(r.Directions.Contains(fdGet) && r.Directions.Contains(fdSet));
    EXPECT_TRUE(r.Scopes.Contains(fsSource) && r.Scopes.Contains(fsTarget));
    EXPECT_EQ(map.IndexOf(&a, &z), 2);
    EXPECT_EQ(map.IndexOf(&b, &y), -1);
    map.DeleteByClipboardFormat(&x);
    EXPECT_EQ(order(map), "AY1 AZ2 ");
    map.DeleteByDataFormat(&a);
    EXPECT_EQ(map.Count(), 0);
}

TEST_F(DragDropFrameworkTest, DataFormatOwnersDecideTheConversionsAndTheList) {
    // Without an owner: the conversions of drop targets (CF_TEXT and the file contents), in no list.
    TTextDataFormat alone(nullptr);
    TClipboardFormats* formats = alone.GetCompatibleFormats();
    ASSERT_EQ(formats->Count(), 2);
    EXPECT_EQ(formats->Formats(0)->ClassType(), TTextClipboardFormat::StaticClass());
    EXPECT_EQ(formats->Formats(1)->ClassType(), TFileContentsClipboardFormat::StaticClass());
    EXPECT_EQ(formats->FindFormat(TClipboardFormat::StaticClass()), formats->Formats(0));
    EXPECT_FALSE(formats->Contain(TFileGroupDescritorClipboardFormat::StaticClass()));
    EXPECT_TRUE(formats->Formats(0)->GetDataDirections().Contains(fdGet));

    // A target's data formats join its list in the order they are made, and leave it when freed.
    TFormatHolder target(nullptr);
    auto* text = new TTextDataFormat(&target);
    auto* streams = new TDataStreamDataFormat(&target);
    ASSERT_EQ(target.GetDataFormats()->Count(), 2);
    EXPECT_EQ(target.GetDataFormats()->Formats(0), text);
    EXPECT_EQ(target.GetDataFormats()->Formats(1), streams);
    delete text;
    EXPECT_EQ(target.GetDataFormats()->Count(), 1);

    // Any other owner is refused with the message as it stands.
    TPlainDropComponent plain(nullptr);
    try {
        TTextDataFormat wrong(&plain);
        FAIL() << "a plain drop component was taken as owner";
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "TPlainDropComponent is not a valid owner for TTextDataFormat. Owner must be derived "
                               "from TCustomDropMultiSource or TCustomDropMultiTarget");
    }
}

TEST_F(DragDropFrameworkTest, FormatIdsAndNames) {
    TTextClipboardFormat text;
    EXPECT_EQ(text.GetFormatEtc().cfFormat, win::CF_TEXT);
    EXPECT_EQ(text.GetFormatEtc().tymed, win::TYMED_HGLOBAL | win::TYMED_ISTREAM);
    EXPECT_EQ(text.GetFormatEtc().lindex, -1);
    EXPECT_EQ(text.GetClipboardFormatName(), "");
    EXPECT_EQ(GetClipboardFormatNameStr(uint16_t(win::CF_HDROP)), "");
    TPreferredDropEffectClipboardFormat preferred;
    EXPECT_EQ(preferred.GetClipboardFormatName(), "Preferred DropEffect");
    EXPECT_EQ(preferred.GetFormatEtc().cfFormat, win::RegisterClipboardFormat("Preferred DropEffect"));
    // The two file-contents classes share their id; the text one asks for the first file.
    TFileContentsClipboardFormat contents;
    TFileContentsStreamClipboardFormat streams;
    EXPECT_EQ(contents.GetFormatEtc().cfFormat, streams.GetFormatEtc().cfFormat);
    EXPECT_EQ(contents.GetFormatEtc().lindex, 0);
    EXPECT_EQ(streams.GetFormatEtc().tymed, win::TYMED_ISTREAM);

    try {
        text.SetClipboardFormatName("Mine");
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "TTextClipboardFormat.ClipboardFormat is read-only");
    }
    try {
        TRawClipboardFormat::StaticClass()->Create();
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "The TRawClipboardFormat class can not be instantiated with the default constructor");
    }
    // A raw format takes any name; AcceptFormat needs the id, no device, the aspect and a common medium.
    TRawClipboardFormat raw(win::FORMATETC{0, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL});
    raw.SetClipboardFormatName("Loomwick test format");
    uint16_t id = uint16_t(win::RegisterClipboardFormat("Loomwick test format"));
    EXPECT_EQ(raw.GetClipboardFormat(), id);
    EXPECT_EQ(raw.GetClipboardFormatName(), "Loomwick test format");
    EXPECT_TRUE(raw.AcceptFormat({id, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL | win::TYMED_ISTREAM}));
    EXPECT_FALSE(raw.AcceptFormat({id, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_ISTREAM}));
    EXPECT_FALSE(raw.AcceptFormat({id, nullptr, win::DVASPECT_ICON, -1, win::TYMED_HGLOBAL}));
    EXPECT_FALSE(raw.AcceptFormat({uint16_t(id + 1), nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL}));
}

class TNamelessFormat : public TClipboardFormat {
public:
    void Clear() override {}
};

TEST(DragDropClassTest, AFormatWithoutIdSaysSo) {
    TNamelessFormat f;
    try {
        f.GetFormatEtc();
        FAIL();
    } catch (const vcl::Exception& e) {
        EXPECT_EQ(e.Message(), "Internal error: TNamelessFormat.GetClipboardFormat needs implementation");
    }
}

TEST(DragDropRoutinesTest, KeysToShiftState) {
    struct Case {
        uint16_t Keys;
        std::vector<vcl::TShiftStateItem> Expected;
    };
    const std::vector<Case> cases = {
        {0, {}},
        {uint16_t(win::MK_SHIFT), {vcl::ssShift}},
        {uint16_t(win::MK_CONTROL), {vcl::ssCtrl}},
        {uint16_t(win::MK_LBUTTON | win::MK_RBUTTON | win::MK_MBUTTON), {vcl::ssLeft, vcl::ssRight, vcl::ssMiddle}},
        {uint16_t(win::MK_ALT | win::MK_SHIFT | win::MK_CONTROL), {vcl::ssAlt, vcl::ssShift, vcl::ssCtrl}},
    };
    for (const Case& c : cases) {
        TShiftState expected;
        for (auto item : c.Expected)
            expected.Include(item);
        EXPECT_EQ(KeysToShiftState(c.Keys), expected) << "keys " << c.Keys;
    }
}

TEST(DragDropRoutinesTest, ShiftStateToDropEffect) {
    const int32_t copy = win::DROPEFFECT_COPY, move = win::DROPEFFECT_MOVE, link = win::DROPEFFECT_LINK;
    struct Case {
        TShiftState Shift;
        int32_t Allowed;
        bool Fallback;
        int32_t Expected;
    };
    const std::vector<Case> cases = {
        {{}, copy | move | link, true, move},
        {{vcl::ssCtrl}, copy | move | link, true, copy},
        {{vcl::ssCtrl, vcl::ssShift}, copy | move | link, true, link},
        {{vcl::ssShift}, copy | move | link, true, move},
        {{vcl::ssShift}, copy | link, true, copy},
        {{vcl::ssShift}, copy | link, false, 0},
        {{}, link, true, link},
        {{vcl::ssCtrl, vcl::ssShift}, move, true, move},
        {{vcl::ssAlt, vcl::ssLeft}, move, false, move},
        {{}, 0, true, 0},
    };
    for (size_t i = 0; i < cases.size(); ++i)
        EXPECT_EQ(ShiftStateToDropEffect(cases[i].Shift, cases[i].Allowed, cases[i].Fallback), cases[i].Expected)
            << "case " << i;
}

TEST(DragDropRoutinesTest, DropEffectToDragTypeAndBack) {
    struct Case {
        int32_t Effect;
        bool Result;
        TDragType Type;
    };
    const std::vector<Case> cases = {
        {0, false, dtCopy},
        {int32_t(win::DROPEFFECT_COPY | win::DROPEFFECT_MOVE | win::DROPEFFECT_LINK), true, dtCopy},
        {int32_t(win::DROPEFFECT_MOVE | win::DROPEFFECT_LINK), true, dtMove},
        {int32_t(win::DROPEFFECT_LINK), true, dtLink},
        {int32_t(win::DROPEFFECT_SCROLL), false, dtCopy},
    };
    for (const Case& c : cases) {
        TDragType t = dtLink;
        EXPECT_EQ(DropEffectToDragType(c.Effect, t), c.Result) << c.Effect;
        EXPECT_EQ(t, c.Type) << c.Effect;
    }
    EXPECT_EQ(DragTypesToDropEffect({dtCopy, dtLink}), int32_t(win::DROPEFFECT_COPY | win::DROPEFFECT_LINK));
    EXPECT_EQ(DragTypesToDropEffect({dtMove}), int32_t(win::DROPEFFECT_MOVE));
}

TEST_F(DragDropFrameworkTest, ARawFormatReleasesTheMediumItWasGivenOnce) {
    for (Medium kind : {Medium::HGlobal, Medium::Stream}) {
        auto counter = win::ComPtr<ReleaseCounter>::Attach(new ReleaseCounter);
        win::STGMEDIUM medium = MakeMedium(kind, Bytes("raw block"));
        medium.pUnkForRelease = counter.Get();
        counter->AddRef(); // the medium's own reference, given up by its release
        // What the medium holds goes with pUnkForRelease: keep it alive here for the check below.
        win::HGLOBAL block = medium.tymed == win::TYMED_HGLOBAL ? medium.hGlobal : nullptr;
        auto stream = win::ComPtr<win::IStream>::Attach(medium.tymed == win::TYMED_ISTREAM ? medium.pstm : nullptr);
        {
            uint16_t id = uint16_t(win::RegisterClipboardFormat("Loomwick raw"));
            TRawClipboardFormat raw(win::FORMATETC{id, nullptr, win::DVASPECT_CONTENT, -1, Tymed(kind)});
            ASSERT_TRUE(raw.GetDataFromMedium(nullptr, medium));
            EXPECT_EQ(counter->Releases, 1);
            EXPECT_EQ(medium.tymed, win::TYMED_NULL);
            ASSERT_TRUE(raw.HasData());
            // The copy is the format's own: written out again, it gives the same bytes.
            win::STGMEDIUM out;
            ASSERT_TRUE(raw.SetDataToMedium(raw.GetFormatEtc(), out));
            EXPECT_EQ(MediumBytes(out), Bytes("raw block"));
            win::ReleaseStgMedium(&out);
        }
        EXPECT_EQ(counter->Releases, 1);
        if (block)
            win::GlobalFree(block);
    }
}

TEST_F(DragDropFrameworkTest, ARawDataFormatClearsTheMediaOfItsFormats) {
    TFormatHolder target(nullptr);
    auto* data = new TRawDataFormat(&target);
    uint16_t id = uint16_t(win::RegisterClipboardFormat("Loomwick raw"));
    auto* raw = new TRawClipboardFormat(win::FORMATETC{id, nullptr, win::DVASPECT_CONTENT, -1, win::TYMED_HGLOBAL});
    data->GetCompatibleFormats()->Add(raw);
    EXPECT_TRUE(data->NeedsData());
    auto object = win::CreateMemoryDataObject({{id, Bytes("payload")}});
    ASSERT_TRUE(data->GetData(object.Get()));
    EXPECT_TRUE(data->HasData());
    EXPECT_FALSE(data->NeedsData());
    int changes = 0;
    data->OnChanging = [&](TObject*) { ++changes; };
    data->Clear();
    EXPECT_EQ(changes, 1);
    EXPECT_FALSE(data->HasData());
}

TEST(DragDropComponentTest, InterfaceReferencesNeverFreeTheComponent) {
    TPlainDropComponent component(nullptr);
    win::IUnknown* unknown = &component;
    EXPECT_EQ(unknown->AddRef(), win::ULONG(-1));
    EXPECT_EQ(unknown->Release(), win::ULONG(-1));
    EXPECT_EQ(unknown->Release(), win::ULONG(-1));
    void* p = nullptr;
    EXPECT_EQ(unknown->QueryInterface(win::IUnknown::Iid, &p), win::S_OK);
    EXPECT_EQ(p, static_cast<void*>(unknown));
    EXPECT_EQ(unknown->QueryInterface(win::IDataObject::Iid, &p), win::E_NOINTERFACE);
    EXPECT_EQ(p, nullptr);
}

} // namespace
