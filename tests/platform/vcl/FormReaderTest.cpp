// Forms read from their layouts: every value kind, sub-objects, collections, string lists, pseudo-properties,
// references, event bindings, inherited layouts, writing back, and malformed layouts.
#include "VclControlsSupport.h"

#include "platform/vcl/Collection.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

#include <gtest/gtest.h>

#include <array>
#include <fstream>
#include <map>
#include <sstream>

using namespace vcl;

namespace {

enum TFrtMode { fmOff, fmSlow, fmFast };
enum TFrtOption { foBold, foItalic, foWide };
using TFrtOptions = TSet<TFrtOption>;
enum TFrtPenKind { pkSolid, pkDash };

std::map<std::string, int>& FrtLoadedLog() {
    static std::map<std::string, int> log;
    return log;
}

class TFrtPen : public TPersistent {
public:
    int32_t GetWidth() const { return FWidth; }
    void SetWidth(int32_t v) { FWidth = v; }
    TFrtPenKind GetStyle() const { return FStyle; }
    void SetStyle(TFrtPenKind v) { FStyle = v; }

private:
    int32_t FWidth = 1;
    TFrtPenKind FStyle = pkSolid;
};

class TFrtItem : public TCollectionItem {
public:
    explicit TFrtItem(TCollection* c) : TCollectionItem(c) {}
    std::string Caption;
    int32_t Width = 0;
    TComponent* Target = nullptr;
};

// A string list that stores two values per line beside the lines, as pseudo-properties.
class TFrtCategories : public TStringList {
public:
    std::vector<int64_t> ItemsVisible;
    std::vector<bool> Visible;

protected:
    void DefineProperties(TFiler* filer) override {
        TStringList::DefineProperties(filer);
        filer->DefineProperty(
            "ItemsVisibles",
            [this](TReader* r) {
                ItemsVisible.clear();
                r->ReadListBegin();
                while (!r->EndOfList())
                    ItemsVisible.push_back(r->ReadInteger());
                r->ReadListEnd();
            },
            [this](TWriter* w) {
                w->WriteListBegin();
                for (int64_t v : ItemsVisible)
                    w->WriteInteger(v);
                w->WriteListEnd();
            },
            !ItemsVisible.empty());
        filer->DefineProperty(
            "Visibles",
            [this](TReader* r) {
                Visible.clear();
                r->ReadListBegin();
                while (!r->EndOfList())
                    Visible.push_back(r->ReadBoolean());
                r->ReadListEnd();
            },
            [this](TWriter* w) {
                w->WriteListBegin();
                for (bool v : Visible)
                    w->WriteBoolean(v);
                w->WriteListEnd();
            },
            !Visible.empty());
    }
};

class TFrtProbe : public TComponent {
public:
    explicit TFrtProbe(TComponent* owner) : TComponent(owner) {}

    int32_t Int = 0;
    int64_t Big = 0;
    double Ratio = 0;
    std::string Label;
    bool Flag = false;
    TFrtMode Mode = fmOff;
    TFrtOptions Options;
    int32_t Code = 0;
    TFrtProbe* Peer = nullptr;
    TComponent* Buddy = nullptr;
    TFrtPen Pen;
    TStringList Lines;
    TFrtCategories Categories;
    TCollection Items{CollectionItemClassOf<TFrtItem>(), this};
    std::array<int64_t, 4> Heights{};
    std::vector<uint8_t> Data;
    TNotifyEvent OnChange;

    int LoadedCount = 0;
    TFrtProbe* PeerAtLoaded = nullptr;
    bool LoadingInLoaded = false;
    bool ReadingInLoaded = true;

    void Loaded() override {
        ++LoadedCount;
        ++FrtLoadedLog()[GetName()];
        PeerAtLoaded = Peer;
        LoadingInLoaded = GetComponentState().Contains(csLoading);
        ReadingInLoaded = GetComponentState().Contains(csReading);
        TComponent::Loaded();
    }

protected:
    void DefineProperties(TFiler* filer) override {
        filer->DefineProperty(
            "Heights",
            [this](TReader* r) {
                r->ReadListBegin();
                for (size_t i = 0; !r->EndOfList(); ++i) {
                    const int64_t v = r->ReadInteger();
                    if (i < Heights.size())
                        Heights[i] = v;
                }
                r->ReadListEnd();
            },
            [this](TWriter* w) {
                w->WriteListBegin();
                for (int64_t v : Heights)
                    w->WriteInteger(v);
                w->WriteListEnd();
            },
            Heights != std::array<int64_t, 4>{});
        filer->DefineBinaryProperty(
            "Data",
            [this](TStream* s) {
                Data.resize(static_cast<size_t>(s->GetSize()));
                s->ReadBuffer(Data.data(), static_cast<int32_t>(Data.size()));
            },
            [this](TStream* s) { s->WriteBuffer(Data.data(), static_cast<int32_t>(Data.size())); },
            !Data.empty());
        // Properties of older versions: read and dropped, never written.
        filer->DefineProperty(
            "OldFlag", [](TReader* r) { r->ReadBoolean(); }, nullptr, false);
        filer->DefineProperty(
            "OldSides",
            [](TReader* r) {
                r->ReadValue();
                while (!r->ReadStr().empty()) {
                }
            },
            nullptr, false);
    }
};

// A component whose children are components of the form (as a bar manager's items are): the form owns
// them, the layout nests them inside the manager, and the manager gives them back to the writer.
class TFrtLeaf;
class TFrtManager : public TComponent {
public:
    explicit TFrtManager(TComponent* owner) : TComponent(owner) {}
    std::vector<TFrtLeaf*> Leaves;
    int ReadStateCount = 0;
    void ReadState(TReader* reader) override {
        TComponent::ReadState(reader);
        ++ReadStateCount;
    }
    void GetChildren(const TGetChildProc& proc, TComponent* root) override;
    void Notification(TComponent* component, TOperation operation) override;
};

class TFrtLeaf : public TComponent {
public:
    explicit TFrtLeaf(TComponent* owner) : TComponent(owner) {}
    TFrtManager* Manager = nullptr;
    TComponent* ParentAtReadState = nullptr;
    bool HasParent() const override { return Manager != nullptr; }
    TComponent* GetParentComponent() const override { return Manager; }
    void SetParentComponent(TComponent* value) override {
        if (auto* m = dynamic_cast<TFrtManager*>(value)) {
            Manager = m;
            m->Leaves.push_back(this);
        }
    }
    void ReadState(TReader* reader) override {
        ParentAtReadState = reader->GetParent();
        TComponent::ReadState(reader);
    }
    void Notification(TComponent* component, TOperation operation) override {
        TComponent::Notification(component, operation);
        if (operation == opRemove && component == Manager)
            Manager = nullptr;
    }
};

void TFrtManager::GetChildren(const TGetChildProc& proc, TComponent* root) {
    for (TFrtLeaf* leaf : Leaves)
        if (leaf->GetOwner() == root)
            proc(leaf);
}

void TFrtManager::Notification(TComponent* component, TOperation operation) {
    TComponent::Notification(component, operation);
    if (operation == opRemove)
        std::erase(Leaves, component);
}

class TFrtPanel : public TPanel {
public:
    explicit TFrtPanel(TComponent* owner) : TPanel(owner) {}
    void Loaded() override {
        ++FrtLoadedLog()[GetName()];
        TPanel::Loaded();
    }
};

class TFrtButton : public TButton {
public:
    explicit TFrtButton(TComponent* owner) : TButton(owner) {}
    void Loaded() override {
        ++FrtLoadedLog()[GetName()];
        TButton::Loaded();
    }
};

class TFrtForm : public TForm {
public:
    explicit TFrtForm(TComponent* owner) : TForm(owner) { InitInheritedComponent(typeid(TFrtForm)); }

    TFrtProbe* Probe1 = nullptr;
    TFrtProbe* Probe2 = nullptr;
    TFrtPanel* Panel1 = nullptr;
    TFrtButton* Button1 = nullptr;
    int Clicks = 0;
    std::vector<TObject*> Changes;

    void Button1Click(TObject*) { ++Clicks; }
    void ProbeChange(TObject* sender) { Changes.push_back(sender); }
    void Resized(int32_t) {}

protected:
    struct NoLayout {};
    TFrtForm(TComponent* owner, NoLayout) : TForm(owner) {}
};

// The same form class without reading a layout: malformed layouts are read into it.
class TFrtBareForm : public TFrtForm {
public:
    explicit TFrtBareForm(TComponent* owner) : TFrtForm(owner, NoLayout{}) {}
};

class TFrtChildForm : public TFrtForm {
public:
    explicit TFrtChildForm(TComponent* owner) : TFrtForm(owner, NoLayout{}) {
        InitInheritedComponent(typeid(TFrtChildForm));
    }
    TFrtProbe* Extra = nullptr;
};

class TFrtNoLayoutForm : public TForm {
public:
    explicit TFrtNoLayoutForm(TComponent* owner) : TForm(owner) {
        InitInheritedComponent(typeid(TFrtNoLayoutForm));
    }
};

std::string FrtRead(const std::string& name) {
    std::ifstream in(std::string(LOOMWICK_TEST_DATA) + "/vcl/forms/" + name, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

const TIdentMap* FrtIdents() {
    static const TIdentMap map{{{0, "fiZero"}, {42, "fiAnswer"}}};
    return &map;
}

const std::string& FrtReaderFormText() {
    static const std::string text = FrtRead("ReaderForm.txt");
    return text;
}

void FrtRegister() {
    static const bool done = [] {
        RegisterEnumNames<TFrtMode>({"fmOff", "fmSlow", "fmFast"});
        RegisterEnumNames<TFrtOption>({"foBold", "foItalic", "foWide"});
        RegisterEnumNames<TFrtPenKind>({"pkSolid", "pkDash"});
        RegisterClass<TFrtProbe>("TFrtProbe");
        RegisterClass<TFrtPanel>("TFrtPanel");
        RegisterClass<TFrtManager>("TFrtManager");
        RegisterClass<TFrtLeaf>("TFrtLeaf");
        RegisterClass<TFrtButton>("TFrtButton");
        DefineClassProperties<TFrtPen>()
            .Property("Width", &TFrtPen::GetWidth, &TFrtPen::SetWidth)
            .Property("Style", &TFrtPen::GetStyle, &TFrtPen::SetStyle);
        DefineClassProperties<TFrtItem>()
            .Property(
                "Caption", [](TFrtItem* i) { return i->Caption; },
                [](TFrtItem* i, const std::string& v) { i->Caption = v; })
            .Property(
                "Width", [](TFrtItem* i) { return i->Width; }, [](TFrtItem* i, int32_t v) { i->Width = v; })
            .Property(
                "Target", [](TFrtItem* i) { return i->Target; },
                [](TFrtItem* i, TComponent* v) { i->Target = v; });
        DefineClassProperties<TFrtProbe>()
            .Property(
                "Int", [](TFrtProbe* p) { return p->Int; }, [](TFrtProbe* p, int32_t v) { p->Int = v; })
            .Property(
                "Big", [](TFrtProbe* p) { return p->Big; }, [](TFrtProbe* p, int64_t v) { p->Big = v; })
            .Property(
                "Ratio", [](TFrtProbe* p) { return p->Ratio; }, [](TFrtProbe* p, double v) { p->Ratio = v; })
            .Property(
                "Label", [](TFrtProbe* p) { return p->Label; },
                [](TFrtProbe* p, const std::string& v) { p->Label = v; })
            .Stored([](TFrtProbe* p) { return p->Label != "hidden"; })
            .Property(
                "Flag", [](TFrtProbe* p) { return p->Flag; }, [](TFrtProbe* p, bool v) { p->Flag = v; })
            .Property(
                "Mode", [](TFrtProbe* p) { return p->Mode; }, [](TFrtProbe* p, TFrtMode v) { p->Mode = v; })
            .Property(
                "Options", [](TFrtProbe* p) { return p->Options; },
                [](TFrtProbe* p, TFrtOptions v) { p->Options = v; })
            .Property(
                "Code", [](TFrtProbe* p) { return p->Code; }, [](TFrtProbe* p, int32_t v) { p->Code = v; },
                FrtIdents())
            .Property(
                "Peer", [](TFrtProbe* p) { return p->Peer; }, [](TFrtProbe* p, TFrtProbe* v) { p->Peer = v; })
            .Property(
                "Buddy", [](TFrtProbe* p) { return p->Buddy; },
                [](TFrtProbe* p, TComponent* v) { p->Buddy = v; })
            .Property("Pen", [](TFrtProbe* p) { return &p->Pen; })
            .Property("Lines", [](TFrtProbe* p) { return static_cast<TStringList*>(&p->Lines); })
            .Property("Categories", [](TFrtProbe* p) { return &p->Categories; })
            .Property("Items", [](TFrtProbe* p) { return &p->Items; })
            .Event("OnChange", &TFrtProbe::OnChange);
        DefineClassProperties<TFrtPanel>()
            .Property("Left", &TControl::GetLeft, &TControl::SetLeft)
            .Property("Top", &TControl::GetTop, &TControl::SetTop)
            .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
            .Property("Height", &TControl::GetHeight, &TControl::SetHeight);
        DefineClassProperties<TFrtButton>()
            .Property("Left", &TControl::GetLeft, &TControl::SetLeft)
            .Property("Top", &TControl::GetTop, &TControl::SetTop)
            .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
            .Property("Height", &TControl::GetHeight, &TControl::SetHeight)
            .Property("Caption", &TControl::GetCaption, &TControl::SetCaption)
            .Event("OnClick", static_cast<TNotifyEvent TFrtButton::*>(&TControl::OnClick));
        DefineClassProperties<TFrtForm>()
            .Property("Caption", &TControl::GetCaption, &TControl::SetCaption)
            .Property("Width", &TControl::GetWidth, &TControl::SetWidth)
            .Property("Height", &TControl::GetHeight, &TControl::SetHeight);
        DefineFormClass<TFrtForm>()
            .Field("Probe1", &TFrtForm::Probe1)
            .Field("Probe2", &TFrtForm::Probe2)
            .Field("Panel1", &TFrtForm::Panel1)
            .Field("Button1", &TFrtForm::Button1)
            .Method("Button1Click", &TFrtForm::Button1Click)
            .Method("ProbeChange", &TFrtForm::ProbeChange)
            .Method("Resized", &TFrtForm::Resized);
        DefineClassProperties<TFrtBareForm, TFrtForm>();
        DefineClassProperties<TFrtChildForm, TFrtForm>();
        DefineFormClass<TFrtBareForm, TFrtForm>();
        DefineFormClass<TFrtChildForm, TFrtForm>().Field("Extra", &TFrtChildForm::Extra);
        RegisterFormResource("TFrtForm", FrtReaderFormText());
        RegisterFormResource("TFrtChildForm", "inherited ReaderChild: TFrtChildForm\n"
                                              "  Caption = 'Child'\n"
                                              "  inherited Probe1: TFrtProbe\n"
                                              "    Int = 7\n"
                                              "  end\n"
                                              "  object Extra: TFrtProbe\n"
                                              "    Peer = Probe1\n"
                                              "  end\n"
                                              "end\n");
        return true;
    }();
    (void)done;
}

// Reads a text layout into a new bare form; the form is returned even when reading failed.
void FrtReadInto(TComponent* root, const std::string& text) {
    const std::string binary = ObjectTextToBinary(text);
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    TReader reader(&stream);
    reader.ReadRootComponent(root);
}

std::string FrtWriteText(TComponent* root) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteRootComponent(root);
    return ObjectBinaryToText(
        std::string(static_cast<const char*>(stream.Memory()), size_t(stream.GetSize())));
}

class FormReader : public vcltest::VclControlsTest {
protected:
    void SetUp() override {
        VclControlsTest::SetUp();
        FrtRegister();
        FrtLoadedLog().clear();
    }
};

TEST_F(FormReader, LayoutBuildsAWorkingForm) {
    auto* form = new TFrtForm(nullptr);
    EXPECT_EQ(form->GetName(), "ReaderForm");
    EXPECT_EQ(form->GetCaption(), "Reader test");
    EXPECT_EQ(form->GetWidth(), 420);
    ASSERT_NE(form->Probe1, nullptr);
    ASSERT_NE(form->Probe2, nullptr);
    ASSERT_NE(form->Panel1, nullptr);
    ASSERT_NE(form->Button1, nullptr);
    EXPECT_EQ(form->FindComponent("Button1"), form->Button1);

    TFrtProbe* p = form->Probe1;
    EXPECT_EQ(p->Int, -70000);
    EXPECT_EQ(p->Big, 5000000000LL);
    EXPECT_DOUBLE_EQ(p->Ratio, 0.25);
    EXPECT_EQ(p->Label, "It's\r\ntwo lines");
    EXPECT_TRUE(p->Flag);
    EXPECT_EQ(p->Mode, fmFast);
    EXPECT_EQ(p->Options, (TFrtOptions{foBold, foWide}));
    EXPECT_EQ(p->Code, 42);
    EXPECT_EQ(p->Peer, form->Probe2); // a reference to a component further down
    EXPECT_EQ(form->Probe2->Peer, p);
    EXPECT_EQ(p->Buddy, form->Button1);
    EXPECT_EQ(p->Pen.GetWidth(), 3);
    EXPECT_EQ(p->Pen.GetStyle(), pkDash);
    EXPECT_EQ(p->Lines.GetCommaText(), "one,two");
    EXPECT_EQ(p->Categories.GetCommaText(), "Default,File,Edit");
    EXPECT_EQ(p->Categories.ItemsVisible, (std::vector<int64_t>{2, 1, 0}));
    EXPECT_EQ(p->Categories.Visible, (std::vector<bool>{true, false, true}));
    ASSERT_EQ(p->Items.GetCount(), 2);
    auto* first = static_cast<TFrtItem*>(p->Items.GetItem(0));
    EXPECT_EQ(first->Caption, "first");
    EXPECT_EQ(first->Width, 120);
    EXPECT_EQ(first->Target, form->Panel1);
    EXPECT_EQ(static_cast<TFrtItem*>(p->Items.GetItem(1))->Caption, "second");
    EXPECT_EQ(p->Heights, (std::array<int64_t, 4>{0, 0, 49, 0}));
    EXPECT_EQ(p->Data, (std::vector<uint8_t>{0x00, 0x01, 0x02, 0x7F, 0x80, 0xFE, 0xFF}));

    // Controls get the component they were read inside as their parent.
    EXPECT_EQ(form->Panel1->GetParent(), form);
    EXPECT_EQ(form->Button1->GetParent(), form->Panel1);
    EXPECT_EQ(form->Button1->GetOwner(), form);
    EXPECT_EQ(form->Button1->GetCaption(), "Go");
    EXPECT_EQ(form->Button1->GetLeft(), 16);

    // Components nested in a component that is not a control get it as their parent component.
    auto* manager = dynamic_cast<TFrtManager*>(form->FindComponent("Manager1"));
    ASSERT_NE(manager, nullptr);
    ASSERT_EQ(manager->Leaves.size(), 2u);
    EXPECT_EQ(manager->Leaves[0]->GetName(), "Leaf1");
    EXPECT_EQ(manager->Leaves[0]->GetOwner(), form);
    EXPECT_EQ(manager->Leaves[1]->ParentAtReadState, manager);
    EXPECT_EQ(manager->ReadStateCount, 1);

    // Loaded ran once for every component, after the references were resolved, with csLoading still set.
    for (const char* name : {"Probe1", "Probe2", "Panel1", "Button1"})
        EXPECT_EQ(FrtLoadedLog()[name], 1) << name;
    EXPECT_EQ(p->PeerAtLoaded, form->Probe2);
    EXPECT_TRUE(p->LoadingInLoaded);
    EXPECT_FALSE(p->ReadingInLoaded);
    EXPECT_FALSE(p->GetComponentState().Contains(csLoading));
    EXPECT_FALSE(form->GetComponentState().Contains(csLoading));

    // Events are bound to the form's methods by name.
    p->OnChange(p);
    form->Probe2->OnChange(form->Probe2);
    EXPECT_EQ(form->Changes, (std::vector<TObject*>{p, form->Probe2}));
    form->Show();
    Pump();
    Click(form->Button1, 10, 10);
    EXPECT_EQ(form->Clicks, 1);

    // A component freed later clears its field.
    form->Probe2->Free();
    EXPECT_EQ(form->Probe2, nullptr);
    form->Free();
}

TEST_F(FormReader, WritingTheFormGivesBackItsLayout) {
    auto* form = new TFrtForm(nullptr);
    EXPECT_EQ(FrtWriteText(form), FrtReaderFormText());
    form->Free();
}

TEST_F(FormReader, InheritedLayoutReadsIntoTheBaseLayoutsComponents) {
    auto* form = new TFrtChildForm(nullptr);
    EXPECT_EQ(form->GetName(), "ReaderChild");
    EXPECT_EQ(form->GetCaption(), "Child");
    ASSERT_NE(form->Probe1, nullptr);
    EXPECT_EQ(form->Probe1->Int, 7);                     // changed by the derived layout
    EXPECT_EQ(form->Probe1->Label.substr(0, 4), "It's"); // kept from the base layout
    ASSERT_NE(form->Extra, nullptr);
    EXPECT_EQ(form->Extra->Peer, form->Probe1);
    EXPECT_EQ(form->Probe1->LoadedCount, 1);
    EXPECT_EQ(form->Extra->LoadedCount, 1);
    EXPECT_EQ(FrtLoadedLog()["Button1"], 1);
    form->Free();
}

TEST_F(FormReader, FormClassWithoutLayoutRaises) {
    try {
        new TFrtNoLayoutForm(nullptr);
        FAIL() << "no exception";
    } catch (const EResNotFound& e) {
        EXPECT_STREQ(e.what(), "Resource TFrtNoLayoutForm not found");
    }
}

TEST_F(FormReader, ReferencesIntoAnotherFormAndOldProperties) {
    auto* other = new TFrtBareForm(nullptr);
    other->SetName("OtherForm");
    auto* ok = new TFrtButton(other);
    ok->SetName("OkButton");
    auto* form = new TFrtBareForm(nullptr);
    FrtReadInto(form, "object Main: TFrtBareForm\n"
                      "  object P: TFrtProbe\n"
                      "    OldFlag = True\n"
                      "    Buddy = OtherForm.OkButton\n"
                      "    OldSides = [sdLeft, sdTop]\n"
                      "    Int = 3\n"
                      "    Label = 'hidden'\n"
                      "  end\n"
                      "end\n");
    auto* p = static_cast<TFrtProbe*>(form->FindComponent("P"));
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->Buddy, ok);
    EXPECT_EQ(p->Int, 3);
    EXPECT_EQ(p->Label, "hidden");
    // Old properties and those whose table says so are not written back; the reference keeps its form's
    // name.
    const std::string text = FrtWriteText(form);
    EXPECT_EQ(text, "object Main: TFrtBareForm\n"
                    "  Width = 320\n"
                    "  Height = 240\n"
                    "  object P: TFrtProbe\n"
                    "    Int = 3\n"
                    "    Buddy = OtherForm.OkButton\n"
                    "  end\n"
                    "end\n");
    form->Free();
    other->Free();
}

TEST_F(FormReader, ClassLibraryControlsReadThroughTheirTables) {
    const std::string layout = "object Dlg: TForm\n"
                               "  Caption = 'Dialog'\n"
                               "  Color = clWindow\n"
                               "  Font.Name = 'Arial'\n"
                               "  Font.Style = [fsBold]\n"
                               "  object Panel1: TPanel\n"
                               "    Left = 8\n"
                               "    Top = 4\n"
                               "    object OkButton: TButton\n"
                               "      Caption = 'OK'\n"
                               "      Cursor = crHandPoint\n"
                               "    end\n"
                               "  end\n"
                               "  object Top1: TPanel\n"
                               "    Align = alTop\n"
                               "  end\n"
                               "  object Memo1: TMemo\n"
                               "    Lines.Strings = (\n"
                               "      'a'\n"
                               "      'b')\n"
                               "  end\n"
                               "end\n";
    auto* form = new TForm(nullptr);
    FrtReadInto(form, layout);
    EXPECT_EQ(form->GetName(), "Dlg");
    EXPECT_EQ(form->GetCaption(), "Dialog");
    EXPECT_EQ(form->GetColor(), clWindow);
    EXPECT_EQ(form->GetFont()->GetName(), "Arial");
    auto* panel = dynamic_cast<TPanel*>(form->FindComponent("Panel1"));
    auto* ok = dynamic_cast<TButton*>(form->FindComponent("OkButton"));
    auto* memo = dynamic_cast<TMemo*>(form->FindComponent("Memo1"));
    ASSERT_TRUE(panel && ok && memo);
    EXPECT_EQ(panel->GetParent(), form);
    EXPECT_EQ(ok->GetParent(), panel);
    EXPECT_EQ(ok->GetCursor(), crHandPoint);
    EXPECT_EQ(memo->GetLines()->GetCommaText(), "a,b");
    // Aligned children are placed once everything is read.
    auto* top = static_cast<TControl*>(form->FindComponent("Top1"));
    EXPECT_EQ(top->GetWidth(), form->GetClientWidth());
    EXPECT_EQ(top->GetTop(), 0);

    // What the writer makes reads back to the same layout, and names stay in the object headers.
    const std::string written = FrtWriteText(form);
    EXPECT_EQ(written.find("Name = 'OkButton'"), std::string::npos) << written;
    EXPECT_NE(written.find("Lines.Strings = (\n      'a'\n      'b')"), std::string::npos) << written;
    auto* again = new TForm(nullptr);
    FrtReadInto(again, written);
    EXPECT_EQ(FrtWriteText(again), written);
    again->Free();
    form->Free();
}

// Ordinal properties whose table declares their defaults, beside one that declares nothing.
class TFrtDeclared : public TComponent {
public:
    explicit TFrtDeclared(TComponent* owner) : TComponent(owner) {}
    bool Shown = true;           // declared without a default
    bool Wide = true;            // declared default False
    int32_t Count = 3;           // declared default 3
    TFrtOptions Options{foBold}; // declared without a default
    TFrtMode Mode = fmSlow;      // undeclared: compared with a fresh object
};

TEST_F(FormReader, DeclaredDefaultsDecideWhatIsStored) {
    static const bool registered = [] {
        RegisterClass<TFrtDeclared>("TFrtDeclared");
        DefineClassProperties<TFrtDeclared>()
            .Property(
                "Shown", [](TFrtDeclared* p) { return p->Shown; },
                [](TFrtDeclared* p, bool v) { p->Shown = v; })
            .NoDefault()
            .Property(
                "Wide", [](TFrtDeclared* p) { return p->Wide; }, [](TFrtDeclared* p, bool v) { p->Wide = v; })
            .Default(false)
            .Property(
                "Count", [](TFrtDeclared* p) { return p->Count; },
                [](TFrtDeclared* p, int32_t v) { p->Count = v; })
            .Default(3)
            .Property(
                "Options", [](TFrtDeclared* p) { return p->Options; },
                [](TFrtDeclared* p, TFrtOptions v) { p->Options = v; })
            .NoDefault()
            .Property(
                "Mode", [](TFrtDeclared* p) { return p->Mode; },
                [](TFrtDeclared* p, TFrtMode v) { p->Mode = v; });
        return true;
    }();
    (void)registered;
    struct Case {
        const char* Body; // the component's properties as read
        const char* Written;
    } cases[] = {
        // A fresh component stores what has no default and what differs from its declared one.
        {"", "    Shown = True\n    Wide = True\n    Options = [foBold]\n"},
        // Stated values are kept, the declared default a fresh object lacks too; a declared default a fresh
        // object has and a fresh object's undeclared value are left out.
        {"    Shown = False\n    Wide = False\n    Count = 3\n    Options = []\n    Mode = fmSlow\n",
         "    Shown = False\n    Wide = False\n    Options = []\n"},
        {"    Count = 4\n    Options = [foBold, foWide]\n    Mode = fmFast\n",
         "    Shown = True\n    Wide = True\n    Count = 4\n    Options = [foBold, foWide]\n"
         "    Mode = fmFast\n"},
    };
    for (const Case& c : cases) {
        auto* form = new TFrtBareForm(nullptr);
        FrtReadInto(form, std::string("object Main: TFrtBareForm\n  object D: TFrtDeclared\n") + c.Body +
                              "  end\nend\n");
        EXPECT_EQ(FrtWriteText(form), std::string("object Main: TFrtBareForm\n  Width = 320\n  Height = 240\n"
                                                  "  object D: TFrtDeclared\n") +
                                          c.Written + "  end\nend\n")
            << c.Body;
        form->Free();
    }
}

struct FrtBadCase {
    const char* Body;    // components of the form, between its header and its end
    const char* Message; // a part of the error message
};

TEST_F(FormReader, MalformedLayoutsRaiseAndFreeWhatWasMade) {
    const FrtBadCase cases[] = {
        {"object X: TNoSuchClass\nend\n", "Class TNoSuchClass not found"},
        {"object P: TFrtProbe\n Foo = 1\nend\n", "Error reading P.Foo: Property Foo does not exist"},
        {"object P: TFrtProbe\n Pen.Colour = 1\nend\n", "Error reading P.Pen.Colour: Property Colour"},
        {"object P: TFrtProbe\n Lines.Strings = (1)\nend\n", "Error reading P.Lines.Strings"},
        {"object P: TFrtProbe\n Int = 'text'\nend\n", "Error reading P.Int"},
        {"object P: TFrtProbe\n Int = 5000000000\nend\n", "out of range"},
        {"object P: TFrtProbe\n Mode = fmNope\nend\n", "Invalid property value 'fmNope'"},
        {"object P: TFrtProbe\n Mode = 2\nend\n", "Error reading P.Mode"},
        {"object P: TFrtProbe\n Flag = 1\nend\n", "Error reading P.Flag"},
        {"object P: TFrtProbe\n Options = [foBold, foNope]\nend\n", "'foNope'"},
        {"object P: TFrtProbe\n Code = fiNope\nend\n", "'fiNope'"},
        {"object P: TFrtProbe\n Ratio = 'x'\nend\n", "Error reading P.Ratio"},
        {"object P: TFrtProbe\n Pen = 1\nend\n", "Error reading P.Pen"},
        {"object P: TFrtProbe\n Items = <item Nope = 1 end>\nend\n", "Property Nope does not exist"},
        {"object P: TFrtProbe\n Peer = Nobody\nend\n", "Unresolved reference to 'Nobody'"},
        {"object P: TFrtProbe\n Peer = Q\nend\nobject Q: TFrtPanel\nend\n", "Error reading P.Peer"},
        {"object P: TFrtProbe\n Peer = 12\nend\n", "Error reading P.Peer"},
        {"object P: TFrtProbe\n OnChange = NoSuchMethod\nend\n", "Method NoSuchMethod not found"},
        {"object P: TFrtProbe\n OnChange = Resized\nend\n", "does not fit"},
        {"object P: TFrtProbe\nend\nobject P: TFrtProbe\nend\n", "A component named P already exists"},
        {"object Probe1: TFrtPanel\nend\n", "Field Probe1"},
        {"object P: TFrtProbe\nend\ninherited Ghost: TFrtProbe\nend\n", "Ancestor for 'Ghost' not found"},
        {"object Panel1: TFrtPanel\n object B: TFrtButton\n  Caption = 5\n end\nend\n",
         "Error reading B.Caption"},
    };
    for (const FrtBadCase& c : cases) {
        auto* form = new TFrtBareForm(nullptr);
        const std::string text = std::string("object Main: TFrtBareForm\n") + c.Body + "end\n";
        try {
            FrtReadInto(form, text);
            ADD_FAILURE() << "no exception for " << c.Body;
        } catch (const Exception& e) {
            EXPECT_NE(std::string(e.what()).find(c.Message), std::string::npos) << e.what();
        }
        EXPECT_EQ(form->GetComponentCount(), 0) << c.Body;
        EXPECT_EQ(form->GetControlCount(), 0) << c.Body;
        EXPECT_EQ(form->Probe1, nullptr);
        EXPECT_FALSE(form->GetComponentState().Contains(csLoading));
        form->Free();
    }
}

TEST_F(FormReader, CollectionReadTwiceDropsWhatItsFirstItemsAwaited) {
    auto* form = new TFrtBareForm(nullptr);
    FrtReadInto(form, "object Main: TFrtBareForm\n"
                      "  object P: TFrtProbe\n"
                      "    Items = <item Target = Q end>\n"
                      "    Items = <item Caption = 'b' end>\n"
                      "  end\n"
                      "  object Q: TFrtProbe\n"
                      "  end\n"
                      "end\n");
    auto* p = static_cast<TFrtProbe*>(form->FindComponent("P"));
    ASSERT_EQ(p->Items.GetCount(), 1);
    EXPECT_EQ(static_cast<TFrtItem*>(p->Items.GetItem(0))->Caption, "b");
    EXPECT_EQ(static_cast<TFrtItem*>(p->Items.GetItem(0))->Target, nullptr);
    form->Free();
}

TEST_F(FormReader, EveryTruncationOfALayoutRaises) {
    const std::string binary = ObjectTextToBinary(FrtReaderFormText());
    for (size_t n = 0; n < binary.size(); ++n) {
        auto* form = new TFrtBareForm(nullptr);
        TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(n));
        TReader reader(&stream);
        EXPECT_THROW(reader.ReadRootComponent(form), EReadError) << n;
        EXPECT_EQ(form->GetComponentCount(), 0) << n;
        form->Free();
    }
}

TEST_F(FormReader, DeepNestingIsRefused) {
    TMemoryStream stream;
    TWriter writer(&stream);
    writer.WriteSignature();
    constexpr int depth = 1000;
    writer.WriteStr("TFrtBareForm");
    writer.WriteStr("Main");
    writer.WriteListEnd();
    for (int i = 0; i < depth; ++i) {
        writer.WriteStr("TFrtProbe");
        writer.WriteStr("");
        writer.WriteListEnd();
    }
    for (int i = 0; i <= depth; ++i)
        writer.WriteListEnd();
    auto* form = new TFrtBareForm(nullptr);
    stream.SetPosition(0);
    TReader reader(&stream);
    EXPECT_THROW(reader.ReadRootComponent(form), EReadError);
    EXPECT_EQ(form->GetComponentCount(), 0);
    form->Free();
}

TEST_F(FormReader, RootOfTheNamedClassIsMadeWhenNoneIsGiven) {
    const std::string binary = ObjectTextToBinary("object Solo: TFrtProbe\n  Int = 9\nend\n");
    TReadOnlyMemoryStream stream(binary.data(), static_cast<int64_t>(binary.size()));
    TReader reader(&stream);
    TComponent* root = reader.ReadRootComponent(nullptr);
    auto* probe = dynamic_cast<TFrtProbe*>(root);
    ASSERT_NE(probe, nullptr);
    EXPECT_EQ(probe->GetName(), "Solo");
    EXPECT_EQ(probe->Int, 9);
    EXPECT_EQ(probe->LoadedCount, 1);
    root->Free();
}

} // namespace
