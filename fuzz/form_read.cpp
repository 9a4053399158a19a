// Reads arbitrary text layouts into components: the text is converted to the binary form and read into a
// root, with the class library's classes and a probe of every value kind available; what was read is then
// written back and read again, and read once more into a form. Refusals are exceptions; a crash, a sanitizer report, a leak or a hang is a
// finding.
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Collection.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormText.h"
#include "platform/vcl/Forms.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/StringList.h"
#include "platform/vcl/TypInfo.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

enum TFuzzKind { fkOne, fkTwo, fkThree };
using TFuzzKinds = vcl::TSet<TFuzzKind>;

class TFuzzItem : public vcl::TCollectionItem {
public:
    explicit TFuzzItem(vcl::TCollection* c) : vcl::TCollectionItem(c) {}
    std::string Text;
    vcl::TComponent* Link = nullptr;
};

class TFuzzProbe : public vcl::TComponent {
public:
    explicit TFuzzProbe(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    int32_t Int = 0;
    int64_t Big = 0;
    double Real = 0;
    std::string Text;
    bool Flag = false;
    TFuzzKind Kind = fkOne;
    TFuzzKinds Kinds;
    TFuzzProbe* Peer = nullptr;
    vcl::TStringList Lines;
    vcl::TCollection Items{vcl::CollectionItemClassOf<TFuzzItem>(), this};
    vcl::TNotifyEvent OnEvent;
    std::vector<uint8_t> Data;

    void Notification(vcl::TComponent* component, vcl::TOperation operation) override {
        vcl::TComponent::Notification(component, operation);
        if (operation == vcl::opRemove && component == Peer)
            Peer = nullptr;
    }

protected:
    void DefineProperties(vcl::TFiler* filer) override {
        filer->DefineBinaryProperty(
            "Data",
            [this](vcl::TStream* s) {
                Data.resize(static_cast<size_t>(s->GetSize()));
                s->ReadBuffer(Data.data(), static_cast<int32_t>(Data.size()));
            },
            [this](vcl::TStream* s) { s->WriteBuffer(Data.data(), static_cast<int32_t>(Data.size())); },
            !Data.empty());
        filer->DefineProperty(
            "Numbers",
            [](vcl::TReader* r) {
                r->ReadListBegin();
                while (!r->EndOfList())
                    r->ReadInteger();
                r->ReadListEnd();
            },
            nullptr, false);
    }
};

class TFuzzRoot : public vcl::TComponent {
public:
    explicit TFuzzRoot(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    TFuzzProbe* Probe1 = nullptr;
    void Handler(vcl::TObject*) {}
    // The root streams the components it owns.
    void GetChildren(const vcl::TGetChildProc& proc, vcl::TComponent* root) override {
        for (int32_t i = 0; i < GetComponentCount(); ++i)
            if (!GetComponent(i)->HasParent())
                proc(GetComponent(i));
    }
};

void FuzzRegister() {
    static const bool done = [] {
        vcl::RegisterEnumNames<TFuzzKind>({"fkOne", "fkTwo", "fkThree"});
        vcl::RegisterClass<TFuzzProbe>("TFuzzProbe");
        vcl::RegisterClass<TFuzzRoot>("TFuzzRoot");
        vcl::DefineClassProperties<TFuzzItem>()
            .Property(
                "Text", [](TFuzzItem* i) { return i->Text; },
                [](TFuzzItem* i, const std::string& v) { i->Text = v; })
            .Property(
                "Link", [](TFuzzItem* i) { return i->Link; },
                [](TFuzzItem* i, vcl::TComponent* v) { i->Link = v; });
        vcl::DefineClassProperties<TFuzzProbe>()
            .Property(
                "Int", [](TFuzzProbe* p) { return p->Int; }, [](TFuzzProbe* p, int32_t v) { p->Int = v; })
            .Property(
                "Big", [](TFuzzProbe* p) { return p->Big; }, [](TFuzzProbe* p, int64_t v) { p->Big = v; })
            .Property(
                "Real", [](TFuzzProbe* p) { return p->Real; }, [](TFuzzProbe* p, double v) { p->Real = v; })
            .Property(
                "Text", [](TFuzzProbe* p) { return p->Text; },
                [](TFuzzProbe* p, const std::string& v) { p->Text = v; })
            .Property(
                "Flag", [](TFuzzProbe* p) { return p->Flag; }, [](TFuzzProbe* p, bool v) { p->Flag = v; })
            .Property(
                "Kind", [](TFuzzProbe* p) { return p->Kind; },
                [](TFuzzProbe* p, TFuzzKind v) { p->Kind = v; })
            .Property(
                "Kinds", [](TFuzzProbe* p) { return p->Kinds; },
                [](TFuzzProbe* p, TFuzzKinds v) { p->Kinds = v; })
            .Property(
                "Peer", [](TFuzzProbe* p) { return p->Peer; },
                [](TFuzzProbe* p, TFuzzProbe* v) {
                    p->Peer = v;
                    if (v)
                        p->FreeNotification(v);
                })
            .Property("Lines", [](TFuzzProbe* p) { return &p->Lines; })
            .Property("Items", [](TFuzzProbe* p) { return &p->Items; })
            .Event("OnEvent", &TFuzzProbe::OnEvent);
        vcl::DefineFormClass<TFuzzRoot>()
            .Field("Probe1", &TFuzzRoot::Probe1)
            .Method("Handler", &TFuzzRoot::Handler);
        return true;
    }();
    (void)done;
}

std::string FuzzWrite(vcl::TComponent* root) {
    vcl::TMemoryStream out;
    vcl::TWriter writer(&out);
    writer.WriteRootComponent(root);
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.GetSize()));
}

template <class TRoot> void FuzzRead(const std::string& binary, std::string* written) {
    vcl::TReadOnlyMemoryStream in(binary.data(), static_cast<int64_t>(binary.size()));
    vcl::TReader reader(&in);
    auto* root = new TRoot(nullptr);
    try {
        reader.ReadRootComponent(root);
        if (written)
            *written = FuzzWrite(root);
    } catch (const vcl::Exception&) {
    }
    root->Free();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Forms and their controls live on a screen; the headless one keeps everything in memory.
    static headless::HeadlessScreen screen;
    FuzzRegister();
    std::string binary;
    try {
        binary = vcl::ObjectTextToBinary(std::string(reinterpret_cast<const char*>(data), size));
    } catch (const vcl::Exception&) {
        return 0;
    }
    std::string written;
    FuzzRead<TFuzzRoot>(binary, &written);
    if (!written.empty())
        FuzzRead<TFuzzRoot>(written, nullptr);
    // The same layout as a form: controls inside controls get their parents.
    FuzzRead<vcl::TForm>(binary, nullptr);
    return 0;
}
