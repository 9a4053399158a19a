#include "platform/vcl/VclClasses.h"

#include "VclControlsSupport.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Buttons.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/ImgList.h"
#include "platform/vcl/Menus.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclGraphicsClasses.h"

#include <any>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>

using namespace vcl;
using vcltest::VclControlsTest;

namespace {

// Makes the object under test afresh inside a new instance of a registered class, owned by the form.
using FreshObject = std::function<TPersistent*(TForm* form)>;

TPersistent* NewInstance(const std::string& className, TForm* form) {
    TPersistent* obj = FindClass(className)->Create(form);
    if (auto* control = dynamic_cast<TControl*>(obj); control && !dynamic_cast<TCustomForm*>(obj))
        control->SetParent(form);
    return obj;
}

// A valid value other than current for an ordinal property.
int64_t OtherOrdinal(const TPropInfo& p, int64_t current) {
    switch (p.Kind) {
    case tkBoolean:
        return current ? 0 : 1;
    case tkEnumeration: {
        const int64_t n = int64_t(p.EnumInfo->Names.size());
        return p.EnumInfo->MinValue + (current - p.EnumInfo->MinValue + 1) % n;
    }
    case tkSet:
        return current ^ 1;
    default:
        if (p.IdentMap)
            for (const auto& e : p.IdentMap->Entries)
                if (e.Value != current)
                    return e.Value;
        return current + 3;
    }
}

// One handler of every event type the tables use; an event whose type is missing here fails the test.
std::vector<std::any> HandlersOfEveryEventType() {
    return {
        TNotifyEvent([](TObject*) {}),
        TMouseEvent([](TObject*, TMouseButton, TShiftState, int32_t, int32_t) {}),
        TMouseMoveEvent([](TObject*, TShiftState, int32_t, int32_t) {}),
        TKeyEvent([](TObject*, uint16_t&, TShiftState) {}),
        TKeyPressEvent([](TObject*, char&) {}),
        TEndDragEvent([](TObject*, TObject*, int32_t, int32_t) {}),
        TCloseEvent([](TObject*, TCloseAction&) {}),
        TCloseQueryEvent([](TObject*, bool&) {}),
        TDrawItemEvent([](TWinControl*, int32_t, const TRect&, TOwnerDrawState) {}),
        TMeasureItemEvent([](TWinControl*, int32_t, int32_t&) {}),
        TLVSelectItemEvent([](TObject*, TListItem*, bool) {}),
        TLVChangeEvent([](TObject*, TListItem*, TItemChange) {}),
        TLVChangingEvent([](TObject*, TListItem*, TItemChange, bool&) {}),
        TLVColumnClickEvent([](TObject*, TListColumn*) {}),
        TLVDeletedEvent([](TObject*, TListItem*) {}),
        TLVCompareEvent([](TObject*, TListItem*, TListItem*, int32_t, int32_t&) {}),
        TLVCustomDrawItemEvent([](TCustomListView*, TListItem*, TCustomDrawState, bool&) {}),
        TLVEditingEvent([](TObject*, TListItem*, bool&) {}),
        TLVEditedEvent([](TObject*, TListItem*, std::string&) {}),
        TDrawPanelEvent([](TStatusBar*, TStatusPanel*, const TRect&) {}),
        TUDClickEvent([](TObject*, TUDBtnType) {}),
        TUDChangingEvent([](TObject*, bool&) {}),
        THintEvent([](std::string&, bool&) {}),
        TContextPopupEvent([](TObject*, TPoint, bool&) {}),
        TMouseWheelEvent([](TObject*, TShiftState, int32_t, TPoint, bool&) {}),
        TMouseWheelUpDownEvent([](TObject*, TShiftState, TPoint, bool&) {}),
        TStartDragEvent([](TObject*, TDragObject*&) {}),
        TDragOverEvent([](TObject*, TObject*, int32_t, int32_t, TDragState, bool&) {}),
        TDragDropEvent([](TObject*, TObject*, int32_t, int32_t) {}),
        TStartDockEvent([](TObject*, TDragDockObject*&) {}),
        TDockOverEvent([](TObject*, TDragDockObject*, int32_t, int32_t, TDragState, bool&) {}),
        TDockDropEvent([](TObject*, TDragDockObject*, int32_t, int32_t) {}),
        TUnDockEvent([](TObject*, TControl*, TWinControl*, bool&) {}),
    };
}

// Properties whose setters deliberately do not keep every value, by the end of their path.
const std::map<std::string, const char*> NotKeptAsWritten = {
    {"TabOrder", "clamped to the number of windowed siblings"},
    {"TListBox.ItemHeight", "the standard style measures its items from the font"},
    {"TComboBox.ItemHeight", "the standard style measures its items from the font"},
    {"TComboBox.ItemIndex", "an index past the items (there are none here) selects nothing"},
    {"TStatusBar.Left", "aligned to the bottom of its parent"},
    {"TStatusBar.Top", "aligned to the bottom of its parent"},
    {"TStatusBar.Width", "aligned to the bottom of its parent"},
    {"ScrollBar.Position", "kept within the range, which is empty here"},
    {"TSpeedButton.Down", "only a button of a group (GroupIndex not 0) goes down"},
    {"TPageControl.ActivePage", "takes only a page of its own, and there is none here"},
    {"EditMask", "only the empty mask is supported; another raises"},
};

bool KeptAsWritten(const std::string& where) {
    for (const auto& [suffix, why] : NotKeptAsWritten)
        if (where.size() >= suffix.size() &&
            where.compare(where.size() - suffix.size(), suffix.size(), suffix) == 0)
            return false;
    return true;
}

class VclClassesTest : public VclControlsTest {
protected:
    // Every test here reads the tables: none may count on an earlier test to have registered them.
    void SetUp() override {
        VclControlsTest::SetUp();
        RegisterVclClasses();
    }

    // Writes every property of the object (each on a fresh instance) and reads it back, then does the same
    // for its sub-objects and for an item of each collection.
    void CheckProperties(const FreshObject& fresh, const std::string& path, int depth = 0) {
        ASSERT_LT(depth, 4) << path;
        TForm* form = NewForm();
        TPersistent* sample = fresh(form);
        ASSERT_NE(sample, nullptr) << path;
        const auto props = GetPropList(sample);
        form->Free();
        for (const TPropInfo* p : props) {
            const std::string where = path + "." + p->Name;
            SCOPED_TRACE(where);
            FVisited.insert(where);
            if (!KeptAsWritten(where))
                continue;
            form = NewForm();
            TPersistent* obj = fresh(form);
            CheckOne(*p, obj, form, where);
            form->Free();
            if (p->Kind == tkClass && !p->IsComponentReference) {
                const std::string name = p->Name;
                FreshObject sub = [fresh, name](TForm* f) -> TPersistent* {
                    TPersistent* owner = fresh(f);
                    TPersistent* value = GetPropInfo(owner, name)->GetObject(owner);
                    if (auto* collection = dynamic_cast<TCollection*>(value))
                        return collection->Add();
                    return value;
                };
                form = NewForm();
                TPersistent* value = sub(form);
                form->Free();
                if (value)
                    CheckProperties(sub, where, depth + 1);
            }
        }
    }

    void CheckOne(const TPropInfo& p, TPersistent* obj, TForm* form, const std::string& where) {
        switch (p.Kind) {
        case tkBoolean:
        case tkEnumeration:
        case tkSet:
        case tkInteger:
        case tkInt64: {
            ASSERT_TRUE(p.GetOrd);
            if (p.Kind == tkEnumeration || p.Kind == tkSet) {
                ASSERT_NE(p.EnumInfo, nullptr) << "no names registered";
                ASSERT_FALSE(p.EnumInfo->Names.empty());
            }
            if (!p.SetOrd)
                return;
            const int64_t value = OtherOrdinal(p, p.GetOrd(obj));
            p.SetOrd(obj, value);
            EXPECT_EQ(p.GetOrd(obj), value);
            if (p.IdentMap) {
                std::string ident;
                EXPECT_TRUE(p.IdentMap->IntToIdent(int32_t(value), ident));
            }
            return;
        }
        case tkFloat:
            ASSERT_TRUE(p.GetFloat);
            if (p.SetFloat) {
                const double value = p.GetFloat(obj) + 0.5;
                p.SetFloat(obj, value);
                EXPECT_EQ(p.GetFloat(obj), value);
            }
            return;
        case tkString: {
            ASSERT_TRUE(p.GetStr);
            if (!p.SetStr)
                return;
            // One-character properties keep the first character.
            const std::string value = p.Name == "PasswordChar" ? "*" : "x" + p.Name;
            p.SetStr(obj, value);
            EXPECT_EQ(p.GetStr(obj), value);
            return;
        }
        case tkClass:
            ASSERT_TRUE(p.GetObject);
            if (p.IsComponentReference)
                CheckReference(p, obj, form);
            else
                EXPECT_NE(p.GetObject(obj), nullptr) << "a sub-object is always there";
            return;
        case tkMethod:
            CheckEvent(p, obj);
            return;
        }
    }

    // A reference takes a component of its class (the first candidate that fits) and is cleared by nil.
    void CheckReference(const TPropInfo& p, TPersistent* obj, TForm* form) {
        ASSERT_TRUE(p.SetObject);
        EXPECT_EQ(p.GetObject(obj), nullptr);
        auto* container = dynamic_cast<TCustomForm*>(obj)
                              ? static_cast<TWinControl*>(static_cast<TForm*>(obj))
                              : static_cast<TWinControl*>(form);
        auto* edit = new TEdit(form);
        edit->SetParent(container);
        std::vector<TComponent*> candidates = {edit, new TImageList(form), new TAction(form),
                                               new TPopupMenu(form)};
        TComponent* taken = nullptr;
        for (TComponent* c : candidates) {
            try {
                p.SetObject(obj, c);
                taken = c;
                break;
            } catch (const EReadError&) {
            }
        }
        ASSERT_NE(taken, nullptr) << "no candidate fits";
        EXPECT_EQ(p.GetObject(obj), taken);
        p.SetObject(obj, nullptr);
        EXPECT_EQ(p.GetObject(obj), nullptr);
    }

    void CheckEvent(const TPropInfo& p, TPersistent* obj) {
        ASSERT_TRUE(p.SetMethod);
        ASSERT_TRUE(p.HasMethod);
        EXPECT_FALSE(p.HasMethod(obj));
        EXPECT_THROW(p.SetMethod(obj, std::any(42)), EReadError);
        const std::any* handler = nullptr;
        for (const std::any& h : FHandlers)
            if (std::type_index(h.type()) == p.ClassType)
                handler = &h;
        ASSERT_NE(handler, nullptr) << "the test knows no handler of this event's type";
        p.SetMethod(obj, *handler);
        EXPECT_TRUE(p.HasMethod(obj));
        p.SetMethod(obj, std::any());
        EXPECT_FALSE(p.HasMethod(obj));
    }

    TForm* NewForm() {
        auto* form = new TForm(nullptr);
        form->SetBounds(10, 10, 400, 300);
        return form;
    }

    std::vector<std::any> FHandlers = HandlersOfEveryEventType();
    std::set<std::string> FVisited;
};

TEST_F(VclClassesTest, EveryRegisteredClassIsMadeByNameWithItsOwnerAndFreed) {
    RegisterVclClasses();
    RegisterVclClasses(); // registering twice is harmless
    const auto& names = VclClassNames();
    ASSERT_GE(names.size(), 30u);
    for (const char* expected :
         {"TForm",        "TButton",      "TEdit",      "TMemo",       "TListBox",    "TComboBox",
          "TCheckBox",    "TRadioButton", "TGroupBox",  "TLabel",      "TListView",   "TStatusBar",
          "TProgressBar", "TTrackBar",    "TUpDown",    "TPanel",      "TBevel",      "TShape",
          "TImage",       "TPaintBox",    "TScrollBox", "TBitBtn",     "TImageList",  "TPopupMenu",
          "TTimer",       "TActionList",  "TAction",    "TOpenDialog", "TSaveDialog", "TColorDialog"})
        EXPECT_NE(std::find(names.begin(), names.end(), expected), names.end()) << expected;

    TForm* form = MakeForm();
    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const TPersistentClass* cls = FindClass(name);
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(GetClass(name), cls);
        TPersistent* obj = NewInstance(name, form);
        auto* component = dynamic_cast<TComponent*>(obj);
        ASSERT_NE(component, nullptr);
        EXPECT_EQ(component->GetOwner(), form);
        EXPECT_EQ(obj->ClassName(), name);
        EXPECT_EQ(std::type_index(typeid(*obj)), cls->Type);
        // The table of the class leads to the component's own properties.
        EXPECT_NE(GetPropInfo(obj, "tag"), nullptr);
        EXPECT_EQ(GetPropInfo(obj, "Name"), nullptr) << "the object line holds the name";
        component->Free();
        EXPECT_EQ(form->GetComponentCount(), 0);
    }
    EXPECT_EQ(GetClass("TNoSuchControl"), nullptr);
    EXPECT_THROW(FindClass("TNoSuchControl"), EClassNotFound);
}

TEST_F(VclClassesTest, EveryPropertyReadsBackWhatWasWritten) {
    for (const std::string& name : VclClassNames())
        CheckProperties([name](TForm* form) { return NewInstance(name, form); }, name);
    // Sub-objects and the items of collections were reached too.
    for (const char* path : {"TButton.Font.Style", "TForm.Constraints.MinWidth", "TShape.Pen.Mode",
                             "TShape.Brush.Color", "TListView.Columns.Caption", "TStatusBar.Panels.Bevel",
                             "TScrollBox.VertScrollBar.Range", "TForm.ActiveControl", "TLabel.FocusControl",
                             "TUpDown.OnClick", "TTimer.OnTimer", "TAction.OnExecute"})
        EXPECT_EQ(FVisited.count(path), 1u) << path;
}

TEST_F(VclClassesTest, ControlsPublishTheCommonProperties) {
    for (const char* cls : {"TButton", "TEdit", "TListView", "TPanel", "TLabel", "TShape"})
        for (const char* prop : {"Left", "Top", "Width", "Height", "Align", "Anchors", "Visible", "Enabled",
                                 "Color", "ParentColor", "Font", "ParentFont", "Hint", "ShowHint", "Action",
                                 "Constraints", "OnClick", "OnMouseDown"})
            EXPECT_NE(GetPropInfo(FindClass(cls)->Type, prop), nullptr) << cls << "." << prop;
    for (const char* cls : {"TButton", "TEdit", "TListView", "TPanel", "TScrollBox"})
        for (const char* prop : {"TabOrder", "TabStop", "OnKeyDown", "OnEnter"})
            EXPECT_NE(GetPropInfo(FindClass(cls)->Type, prop), nullptr) << cls << "." << prop;
    // What a class has a caption or a text under.
    struct Case {
        const char* Class;
        const char* Prop;
        bool Has;
    };
    for (const Case& c : std::initializer_list<Case>{{"TButton", "Caption", true},
                                                     {"TEdit", "Text", true},
                                                     {"TEdit", "Caption", false},
                                                     {"TComboBox", "Text", true},
                                                     {"TLabel", "Caption", true},
                                                     {"TForm", "ClientWidth", true},
                                                     {"TMemo", "Lines", true},
                                                     {"TUpDown", "Associate", true},
                                                     {"TTimer", "OnTimer", true},
                                                     {"TAction", "OnExecute", true}})
        EXPECT_EQ(GetPropInfo(FindClass(c.Class)->Type, c.Prop) != nullptr, c.Has)
            << c.Class << "." << c.Prop;
    // An up-down's click says which button; it replaces the control's plain click.
    EXPECT_EQ(GetPropInfo(typeid(TUpDown), "OnClick")->ClassType, std::type_index(typeid(TUDClickEvent)));
}

TEST_F(VclClassesTest, EnumerationNamesMatchTheirValues) {
    RegisterVclClasses();
    struct Case {
        std::type_index Type;
        int Value;
        const char* Name;
    };
    for (const Case& c : std::initializer_list<Case>{
             {typeid(TAlign), alClient, "alClient"},
             {typeid(TAnchorKind), akBottom, "akBottom"},
             {typeid(TFormBorderStyle), bsSizeToolWin, "bsSizeToolWin"},
             {typeid(TPosition), poScreenCenter, "poScreenCenter"},
             {typeid(TBevelCut), bvSpace, "bvSpace"},
             {typeid(TShapeType), stCircle, "stCircle"},
             {typeid(TViewStyle), vsReport, "vsReport"},
             {typeid(TAlignment), taCenter, "taCenter"},
             {typeid(TScrollStyle), ssBoth, "ssBoth"},
             {typeid(TCheckBoxState), cbGrayed, "cbGrayed"},
             {typeid(TComboBoxStyle), csDropDownList, "csDropDownList"},
             {typeid(TListBoxStyle), lbOwnerDrawVariable, "lbOwnerDrawVariable"},
             {typeid(TFontStyle), fsStrikeOut, "fsStrikeOut"},
             {typeid(TCloseAction), caFree, "caFree"},
             {typeid(TBrushStyle), bsClear, "bsClear"},
             {typeid(TPenMode), pmXor, "pmXor"},
             {typeid(TOpenOption), ofFileMustExist, "ofFileMustExist"},
             {typeid(TBitBtnKind), bkAll, "bkAll"},
             {typeid(TStatusPanelBevel), pbRaised, "pbRaised"},
             {typeid(TTickStyle), tsManual, "tsManual"},
         }) {
        const TEnumInfo* info = GetEnumInfo(c.Type);
        ASSERT_NE(info, nullptr) << c.Name;
        ASSERT_LT(size_t(c.Value), info->Names.size()) << c.Name;
        EXPECT_EQ(info->Names[size_t(c.Value)], c.Name);
        // The last value is the last name: no enumeration has names missing at its end.
        EXPECT_EQ(info->MinValue, 0);
    }
    EXPECT_EQ(GetEnumInfo(typeid(TAlign))->Names.size(), size_t(alCustom) + 1);
    EXPECT_EQ(GetEnumInfo(typeid(TPenMode))->Names.size(), size_t(pmNotXor) + 1);
    EXPECT_EQ(GetEnumInfo(typeid(TOpenOption))->Names.size(), size_t(ofEnableSizing) + 1);
}

TEST_F(VclClassesTest, ColourAndCursorIdentifiersNameThisLibrarysValues) {
    struct Case {
        const TIdentMap* Map;
        int32_t Value;
        const char* Name;
    };
    for (const Case& c : std::initializer_list<Case>{{ColorIdents(), clBlack, "clBlack"},
                                                     {ColorIdents(), clWhite, "clWhite"},
                                                     {ColorIdents(), clSilver, "clSilver"},
                                                     {ColorIdents(), clNone, "clNone"},
                                                     {ColorIdents(), clDefault, "clDefault"},
                                                     {ColorIdents(), clScrollBar, "clScrollBar"},
                                                     {ColorIdents(), clBtnFace, "clBtnFace"},
                                                     {ColorIdents(), clWindowText, "clWindowText"},
                                                     {ColorIdents(), clInfoBk, "clInfoBk"},
                                                     {CursorIdents(), crDefault, "crDefault"},
                                                     {CursorIdents(), crHandPoint, "crHandPoint"},
                                                     {CursorIdents(), crHourGlass, "crHourGlass"},
                                                     {CursorIdents(), crSizeAll, "crSizeAll"}}) {
        std::string ident;
        EXPECT_TRUE(c.Map->IntToIdent(c.Value, ident)) << c.Name;
        EXPECT_EQ(ident, c.Name);
        int32_t value = 0;
        EXPECT_TRUE(c.Map->IdentToInt(c.Name, value)) << c.Name;
        EXPECT_EQ(value, c.Value) << c.Name;
    }
    int32_t value = 0;
    EXPECT_TRUE(ColorIdents()->IdentToInt("CLBTNFACE", value));
    EXPECT_EQ(value, clBtnFace);
    EXPECT_TRUE(ColorIdents()->IdentToInt("clLtGray", value)); // read, but clSilver is written
    EXPECT_EQ(value, clSilver);
    std::string ident;
    EXPECT_FALSE(ColorIdents()->IntToIdent(0x123456, ident));
    EXPECT_FALSE(ColorIdents()->IdentToInt("clNoSuchColour", value));
    // Colours and cursors of controls are read through their names.
    EXPECT_EQ(GetPropInfo(typeid(TPanel), "Color")->IdentMap, ColorIdents());
    EXPECT_EQ(GetPropInfo(typeid(TFont), "Color")->IdentMap, ColorIdents());
    EXPECT_EQ(GetPropInfo(typeid(TImage), "Cursor")->IdentMap, CursorIdents());
    EXPECT_TRUE(GetPropInfo(typeid(TFont), "Charset")->IdentMap->IdentToInt("DEFAULT_CHARSET", value));
    EXPECT_EQ(value, DEFAULT_CHARSET);
}

} // namespace

namespace vcltest {
void RegisterTestForms();
}

namespace {

TEST(EmbeddedForms, EveryLayoutFileOfTheTestFolderIsRegisteredUnderItsRootClass) {
    vcltest::RegisterTestForms();
    vcltest::RegisterTestForms(); // once is enough; again changes nothing
    const std::filesystem::path folder = std::filesystem::path(LOOMWICK_TEST_DATA) / "vcl" / "forms";
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder)) {
        if (entry.path().extension() != ".txt")
            continue;
        ++files;
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        // The class named on the first line, "object Name: TClass".
        const std::string first = text.substr(0, text.find('\n'));
        std::string cls = first.substr(first.find(':') + 1);
        cls.erase(0, cls.find_first_not_of(" \t"));
        cls.erase(cls.find_last_not_of(" \t\r") + 1);
        SCOPED_TRACE(entry.path().filename().string() + " as " + cls);
        EXPECT_EQ(FindFormResource(cls), text) << "the embedded text is the file, byte for byte";
    }
    EXPECT_GT(files, 0);
}

} // namespace

// Registration works whichever entry point a program calls first: the graphics entry point once re-entered
// its own one-time initialisation through RegisterVclClasses. The check runs in a fresh copy of this test
// program, where nothing has registered anything yet.
TEST(VclClassesDeathTest, GraphicsEntryPointFirstInAFreshProgramRegistersEverything) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            RegisterVclGraphicsClasses();
            RegisterVclClasses();
            RegisterVclGraphicsClasses();
            const bool ok = GetPropInfo(typeid(TAction), "Category") &&
                            GetPropInfo(typeid(TImage), "Picture") && GetClass("TImage") &&
                            VclClassNames().size() >= 30u;
            std::exit(ok ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
