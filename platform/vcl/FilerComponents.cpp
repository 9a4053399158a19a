// Reading components from, and writing them to, the binary form: objects created by class name,
// properties set through the property tables, references and event bindings resolved by name.
#include "platform/vcl/Collection.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/FormResources.h"
#include "platform/vcl/Scope.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"

#include <algorithm>
#include <climits>
#include <utility>

namespace vcl {

namespace {

// Objects, collections and sub-object paths nest; a hostile form could nest them without end.
constexpr int32_t FilerCompMaxDepth = 200;

std::string FilerCompDescribe(TPersistent* instance) {
    if (auto* c = dynamic_cast<TComponent*>(instance))
        return c->GetName().empty() ? c->ClassName() : c->GetName();
    return instance->GetNamePath();
}

bool FilerCompIsReadError(const std::exception& e) {
    return std::string_view(e.what()).starts_with("Error reading ");
}

// Restores a reader's owner and parent when the children of one object are done.
struct FilerCompScope {
    TReader& Reader;
    TComponent* Owner;
    TComponent* Parent;
    ~FilerCompScope() {
        Reader.SetOwner(Owner);
        Reader.SetParent(Parent);
    }
};

} // namespace

// ---- TReader ----------------------------------------------------------------------------------------

TComponent* TReader::ReadRootComponent(TComponent* root) {
    RegisterVclClasses();
    ReadSignature();
    uint8_t flags;
    int32_t childPos;
    ReadPrefix(flags, childPos);
    const std::string className = ReadStr();
    const std::string name = ReadStr();

    bool madeRoot = false;
    if (!root) {
        TPersistent* object = FindClass(className)->Create(nullptr);
        root = dynamic_cast<TComponent*>(object);
        if (!root) {
            delete object;
            throw EReadError("Class " + className + " is not a component");
        }
        madeRoot = true;
    }
    FRoot = root;
    FOwner = root;
    FParent = root;
    const bool wasLoading = root->FComponentState.Contains(csLoading);
    root->FComponentState.Include(csLoading).Include(csReading);
    FLoaded.push_back(root);
    try {
        if (!name.empty() && !SameText(root->GetName(), name)) {
            // A second instance of a form owned by the same owner gets a name of its own.
            std::string unique = name;
            TComponent* owner = root->GetOwner();
            for (int i = 1; owner && owner->FindComponent(unique) && owner->FindComponent(unique) != root;
                 ++i)
                unique = name + "_" + std::to_string(i);
            root->SetName(unique);
        }
        root->ReadState(this);
        FixupReferences();
    } catch (...) {
        for (auto it = FCreated.rbegin(); it != FCreated.rend(); ++it)
            (*it)->Free();
        for (TComponent* c : FLoaded)
            if (std::find(FCreated.begin(), FCreated.end(), c) == FCreated.end()) {
                c->FComponentState.Exclude(csReading);
                if (!(c == root && wasLoading))
                    c->FComponentState.Exclude(csLoading);
            }
        FCreated.clear();
        FLoaded.clear();
        FFixups.clear();
        if (madeRoot)
            root->Free();
        throw;
    }
    for (TComponent* c : FLoaded)
        c->FComponentState.Exclude(csReading);
    std::vector<TComponent*> loaded = std::move(FLoaded);
    FLoaded.clear();
    FCreated.clear();
    if (FLoadedList) {
        for (TComponent* c : loaded)
            if (std::find(FLoadedList->begin(), FLoadedList->end(), c) == FLoadedList->end())
                FLoadedList->push_back(c);
    } else {
        for (TComponent* c : loaded)
            c->Loaded();
    }
    return root;
}

TComponent* TReader::ReadComponent(TComponent*) {
    if (++FDepth > FilerCompMaxDepth)
        throw EReadError("Form data nested too deeply");
    uint8_t flags;
    int32_t childPos;
    ReadPrefix(flags, childPos);
    const std::string className = ReadStr();
    const std::string name = ReadStr();
    TComponent* result = nullptr;
    if (flags & ffInherited) {
        // Made by an ancestor's resource (or the constructor): read into the existing component.
        result = FOwner ? FOwner->FindComponent(name) : nullptr;
        if (!result)
            throw EReadError("Ancestor for '" + name + "' not found");
        result->FComponentState.Include(csLoading).Include(csReading);
        if (std::find(FLoaded.begin(), FLoaded.end(), result) == FLoaded.end())
            FLoaded.push_back(result);
    } else {
        TPersistent* object = FindClass(className)->Create(FOwner);
        result = dynamic_cast<TComponent*>(object);
        if (!result) {
            delete object;
            throw EReadError("Class " + className + " is not a component");
        }
        FCreated.push_back(result);
        result->FComponentState.Include(csLoading).Include(csReading);
        FLoaded.push_back(result);
        if (!name.empty()) {
            result->SetName(name);
            if (FRoot && result->GetOwner() == FRoot)
                if (const TFormClassTable::TFieldEntry* field = FindField(FRoot, name))
                    if (!field->Assign(FRoot, result))
                        throw EReadError("Field " + name + " is not of class " + className);
        }
        if (FParent && FParent != result)
            result->SetParentComponent(FParent);
    }
    if ((flags & ffChildPos) && FParent)
        FParent->SetChildOrder(result, childPos);
    result->ReadState(this);
    --FDepth;
    return result;
}

void TReader::ReadData(TComponent* instance) {
    while (!EndOfList())
        ReadProperty(instance);
    ReadListEnd();
    FilerCompScope scope{*this, FOwner, FParent};
    FParent = instance;
    if (!FOwner)
        FOwner = FRoot;
    while (!EndOfList())
        ReadComponent(nullptr);
    ReadListEnd();
}

void TReader::PropertyError(TPersistent* instance, const std::string& path, const std::string& message) {
    throw EReadError("Error reading " + FilerCompDescribe(instance) + "." + path + ": " + message);
}

void TReader::ReadProperty(TPersistent* instance) {
    const std::string path = ReadStr();
    try {
        TPersistent* target = instance;
        size_t start = 0;
        for (size_t dot; (dot = path.find('.', start)) != std::string::npos; start = dot + 1) {
            const std::string segment = path.substr(start, dot - start);
            const TPropInfo* p = GetPropInfo(target, segment);
            if (!p || p->Kind != tkClass || p->IsComponentReference || !p->GetObject)
                throw EReadError("Property " + segment + " does not exist");
            target = p->GetObject(target);
            if (!target)
                throw EReadError("Property " + segment + " holds no object");
        }
        FPropName = path.substr(start);
        if (const TPropInfo* p = GetPropInfo(target, FPropName)) {
            ReadPropValue(target, *p);
            return;
        }
        FPropHandled = false;
        const int64_t before = FStream->GetPosition();
        target->DefineProperties(this);
        if (!FPropHandled)
            throw EReadError("Property " + FPropName + " does not exist");
        // A reader that took nothing would leave the value to be read as the next property's name.
        if (FStream->GetPosition() == before)
            SkipValue();
    } catch (const std::exception& e) {
        if (FilerCompIsReadError(e))
            throw;
        PropertyError(instance, path, e.what());
    }
}

void TReader::ReadPropValue(TPersistent* instance, const TPropInfo& prop) {
    auto readOnly = [&] { throw EReadError("Property " + prop.Name + " is read-only"); };
    switch (prop.Kind) {
    case tkInteger:
    case tkInt64: {
        if (!prop.SetOrd)
            readOnly();
        int64_t value;
        if (NextValue() == vaIdent) {
            const std::string ident = ReadIdent();
            int32_t v;
            if (!prop.IdentMap || !prop.IdentMap->IdentToInt(ident, v))
                throw EReadError("Invalid property value '" + ident + "'");
            value = v;
        } else {
            value = ReadInteger();
        }
        if (prop.Kind == tkInteger && (value < INT32_MIN || value > int64_t(UINT32_MAX)))
            throw EReadError("Invalid property value: " + std::to_string(value) + " is out of range");
        prop.SetOrd(instance, value);
        break;
    }
    case tkFloat:
        if (!prop.SetFloat)
            readOnly();
        prop.SetFloat(instance, ReadFloat());
        break;
    case tkString:
        if (!prop.SetStr)
            readOnly();
        prop.SetStr(instance, ReadString());
        break;
    case tkBoolean:
        if (!prop.SetOrd)
            readOnly();
        prop.SetOrd(instance, ReadBoolean() ? 1 : 0);
        break;
    case tkEnumeration: {
        if (!prop.SetOrd)
            readOnly();
        if (NextValue() != vaIdent)
            throw EReadError("Invalid property value: an identifier was expected");
        const std::string ident = ReadIdent();
        const TEnumInfo* info = prop.EnumInfo;
        size_t index = 0;
        while (info && index < info->Names.size() && !SameText(info->Names[index], ident))
            ++index;
        if (!info || index == info->Names.size())
            throw EReadError("Invalid property value '" + ident + "'");
        prop.SetOrd(instance, info->MinValue + static_cast<int64_t>(index));
        break;
    }
    case tkSet: {
        if (!prop.SetOrd)
            readOnly();
        if (ReadValue() != vaSet)
            throw EReadError("Invalid property value: a set was expected");
        uint64_t bits = 0;
        for (std::string e = ReadStr(); !e.empty(); e = ReadStr()) {
            const TEnumInfo* info = prop.EnumInfo;
            size_t index = 0;
            while (info && index < info->Names.size() && !SameText(info->Names[index], e))
                ++index;
            const int64_t ord = info ? info->MinValue + static_cast<int64_t>(index) : -1;
            if (!info || index == info->Names.size() || ord < 0 || ord > 63)
                throw EReadError("Invalid property value '" + e + "'");
            bits |= uint64_t(1) << ord;
        }
        prop.SetOrd(instance, static_cast<int64_t>(bits));
        break;
    }
    case tkClass:
        if (prop.IsComponentReference) {
            if (!prop.SetObject)
                readOnly();
            const TValueType v = NextValue();
            if (v == vaNil) {
                ReadValue();
                prop.SetObject(instance, nullptr);
            } else if (v == vaIdent) {
                // The component may come later in the form, or live in another form: resolved at the end.
                FFixups.push_back({instance, &prop, ReadIdent()});
            } else {
                throw EReadError("Invalid property value: a component name was expected");
            }
        } else {
            TPersistent* object = prop.GetObject ? prop.GetObject(instance) : nullptr;
            const TValueType v = NextValue();
            if (v == vaCollection) {
                auto* collection = dynamic_cast<TCollection*>(object);
                if (!collection)
                    throw EReadError("Invalid property value: " + prop.Name + " is not a collection");
                ReadCollection(collection);
            } else if (v == vaNil && prop.SetObject) {
                ReadValue();
                prop.SetObject(instance, nullptr);
            } else {
                throw EReadError("Invalid property value");
            }
        }
        break;
    case tkMethod: {
        if (!prop.SetMethod)
            readOnly();
        const TValueType v = NextValue();
        if (v == vaNil) {
            ReadValue();
            prop.SetMethod(instance, std::any());
            if (FRoot)
                FRoot->SetEventBinding(instance, prop.Name, {});
            break;
        }
        if (v != vaIdent)
            throw EReadError("Invalid property value: a method name was expected");
        const std::string method = ReadIdent();
        const TFormClassTable::TMethodEntry* entry = FindMethod(FRoot, method);
        if (!entry)
            throw EReadError("Method " + method + " not found");
        if (entry->FunctionType != prop.ClassType)
            throw EReadError("Method " + method + " does not fit the event " + prop.Name);
        prop.SetMethod(instance, entry->Bind(FRoot));
        FRoot->SetEventBinding(instance, prop.Name, method);
        break;
    }
    }
}

void TReader::ReadCollection(TCollection* collection) {
    if (ReadValue() != vaCollection)
        throw EReadError("Invalid property value: a collection was expected");
    if (++FDepth > FilerCompMaxDepth)
        throw EReadError("Form data nested too deeply");
    WithUpdate(collection, [&] {
        if (!EndOfList()) {
            ForgetItemsOf(collection);
            collection->Clear();
        }
        while (!EndOfList()) {
            const TValueType v = NextValue();
            if (v == vaInt8 || v == vaInt16 || v == vaInt32)
                ReadInteger(); // the item's index in the ancestor: items are read in order
            TCollectionItem* item = collection->Add();
            ReadListBegin();
            while (!EndOfList())
                ReadProperty(item);
            ReadListEnd();
        }
        ReadListEnd();
    });
    --FDepth;
}

// The items of a collection read twice are freed before the second read: references still to be resolved
// for them (or for objects inside them) and their event bindings go with them.
void TReader::ForgetItemsOf(TCollection* collection) {
    std::erase_if(FFixups, [collection](const TFixup& f) {
        int32_t steps = 0;
        for (TPersistent* p = f.Instance; p && steps < 256; p = p->GetOwner(), ++steps) {
            if (p == collection)
                return true;
            if (dynamic_cast<TComponent*>(p))
                return false;
        }
        return false;
    });
    if (!FRoot)
        return;
    std::vector<TPersistent*> items;
    for (int32_t i = 0; i < collection->GetCount(); ++i)
        items.push_back(collection->GetItem(i));
    std::erase_if(FRoot->FEventBindings, [&items](const TComponent::TEventBinding& b) {
        return std::find(items.begin(), items.end(), b.Instance) != items.end();
    });
}

void TReader::DefineProperty(const std::string& name, const TReaderProc& readData, const TWriterProc&, bool) {
    if (FPropHandled || !readData || !SameText(name, FPropName))
        return;
    FPropHandled = true;
    readData(this);
}

void TReader::DefineBinaryProperty(const std::string& name, const TStreamProc& readData, const TStreamProc&,
                                   bool) {
    if (FPropHandled || !readData || !SameText(name, FPropName))
        return;
    FPropHandled = true;
    const std::vector<uint8_t> data = ReadBinary();
    TReadOnlyMemoryStream stream(data.data(), static_cast<int64_t>(data.size()));
    readData(&stream);
}

TComponent* TReader::ResolveReference(const std::string& name) const {
    const size_t dot = name.find('.');
    if (dot == std::string::npos)
        return SameText(name, FRoot->GetName()) ? FRoot : FRoot->FindComponent(name);
    const std::string rootName = name.substr(0, dot);
    TComponent* c = nullptr;
    if (SameText(rootName, FRoot->GetName()))
        c = FRoot;
    if (!c)
        c = FindGlobalComponent(rootName);
    if (!c && FRoot->GetOwner())
        c = FRoot->GetOwner()->FindComponent(rootName);
    for (size_t start = dot + 1; c;) {
        const size_t next = name.find('.', start);
        c = c->FindComponent(
            name.substr(start, next == std::string::npos ? std::string::npos : next - start));
        if (next == std::string::npos)
            break;
        start = next + 1;
    }
    return c;
}

void TReader::FixupReferences() {
    std::vector<TFixup> fixups = std::move(FFixups);
    FFixups.clear();
    for (const TFixup& f : fixups) {
        TComponent* target = ResolveReference(f.Name);
        if (!target)
            PropertyError(f.Instance, f.Prop->Name, "Unresolved reference to '" + f.Name + "'");
        try {
            f.Prop->SetObject(f.Instance, target);
        } catch (const std::exception& e) {
            PropertyError(f.Instance, f.Prop->Name, e.what());
        }
    }
}

// ---- TWriter ----------------------------------------------------------------------------------------

TWriter::~TWriter() {
    for (auto& [type, object] : FDefaults)
        if (object)
            object->Free();
}

TPersistent* TWriter::DefaultsFor(TPersistent* instance) {
    std::type_index type = typeid(*instance);
    // A root whose class has a layout would read it when made: its defaults come from the class it derives
    // from.
    if (instance == FRoot && !FindFormResource(instance->ClassName()).empty())
        type = GetPropTableBase(type);
    auto found = FDefaults.find(type);
    if (found != FDefaults.end())
        return found->second;
    TPersistent* fresh = nullptr;
    if (auto* item = dynamic_cast<TCollectionItem*>(instance)) {
        if (item->GetCollection() && item->GetCollection()->GetItemClass())
            fresh = item->GetCollection()->GetItemClass()(nullptr);
    } else {
        for (std::type_index t = type; t != typeid(void) && !fresh; t = GetPropTableBase(t))
            if (const TPersistentClass* cls = GetClassByType(t))
                fresh = cls->Create(nullptr);
    }
    FDefaults[type] = fresh;
    return fresh;
}

std::string TWriter::ReferenceName(TComponent* component) const {
    if (component->GetName().empty())
        return {};
    if (component == FRoot || component->GetOwner() == FRoot)
        return component->GetName();
    TComponent* owner = component->GetOwner();
    if (owner && !owner->GetName().empty())
        return owner->GetName() + "." + component->GetName();
    return component->GetName();
}

void TWriter::WriteRootComponent(TComponent* root) {
    RegisterVclClasses();
    FRoot = root;
    WriteSignature();
    WriteComponent(root);
}

void TWriter::WriteComponent(TComponent* component) {
    if (++FDepth > FilerCompMaxDepth)
        throw EWriteError("Components nested too deeply to stream");
    if (!FRoot)
        FRoot = component;
    {
        const bool wasWriting = component->FComponentState.Contains(csWriting);
        component->FComponentState.Include(csWriting);
        ScopeExit written([component, wasWriting]() noexcept {
            if (!wasWriting)
                component->FComponentState.Exclude(csWriting);
        });
        WritePrefix(0, 0);
        WriteStr(component->ClassName());
        WriteStr(component->GetName());
        component->WriteState(this);
    }
    --FDepth;
}

void TWriter::WriteData(TComponent* component) {
    WriteObjectProperties(component, DefaultsFor(component), "");
    WriteListEnd();
    component->GetChildren([this](TComponent* child) { WriteComponent(child); }, FRoot);
    WriteListEnd();
}

void TWriter::WriteProperties(TPersistent* instance) {
    WriteObjectProperties(instance, DefaultsFor(instance), "");
}

void TWriter::WriteObjectProperties(TPersistent* instance, TPersistent* defaults, const std::string& prefix) {
    if (++FDepth > FilerCompMaxDepth)
        throw EWriteError("Objects nested too deeply to stream");
    for (const TPropInfo* p : GetPropList(instance)) {
        // The defaults may be of a base class (a root whose own class reads a layout when made): they
        // answer only for the properties their class has.
        TPersistent* d = defaults && GetPropInfo(defaults, p->Name) == p ? defaults : nullptr;
        WriteProperty(instance, d, *p, prefix);
    }
    {
        std::string saved = std::exchange(FPropPath, prefix);
        ScopeExit restore([&]() noexcept { FPropPath.swap(saved); });
        instance->DefineProperties(this);
    }
    --FDepth;
}

void TWriter::WriteProperty(TPersistent* instance, TPersistent* defaults, const TPropInfo& prop,
                            const std::string& prefix) {
    // A component's name is stored in its object header.
    if (prefix.empty() && SameText(prop.Name, "Name") && dynamic_cast<TComponent*>(instance))
        return;
    if (prop.IsStored && !prop.IsStored(instance))
        return;
    const std::string name = prefix + prop.Name;
    switch (prop.Kind) {
    case tkInteger:
    case tkInt64:
    case tkBoolean:
    case tkEnumeration:
    case tkSet: {
        if (!prop.SetOrd || !prop.GetOrd)
            return;
        const int64_t value = prop.GetOrd(instance);
        // A declared default is left out only where a fresh object has it too: a class whose constructor
        // sets another value would read the left-out default back as its own.
        if (prop.DefaultRule == TPropInfo::TDefaultRule::Declared) {
            if (value == prop.DefaultValue && (!defaults || prop.GetOrd(defaults) == value))
                return;
        } else if (prop.DefaultRule == TPropInfo::TDefaultRule::FreshObject) {
            if (defaults && prop.GetOrd(defaults) == value)
                return;
        }
        if (prop.Kind == tkEnumeration) {
            const TEnumInfo* info = prop.EnumInfo;
            const int64_t index = info ? value - info->MinValue : -1;
            if (!info || index < 0 || index >= static_cast<int64_t>(info->Names.size()))
                return; // a value without a name cannot be read back
            WriteStr(name);
            WriteIdent(info->Names[size_t(index)]);
        } else if (prop.Kind == tkSet) {
            WriteStr(name);
            WriteValue(vaSet);
            const TEnumInfo* info = prop.EnumInfo;
            for (int bit = 0; bit < 64 && info; ++bit) {
                const int64_t index = bit - info->MinValue;
                if (((uint64_t(value) >> bit) & 1) && index >= 0 && index < int64_t(info->Names.size()))
                    WriteStr(info->Names[size_t(index)]);
            }
            WriteStr("");
        } else if (prop.Kind == tkBoolean) {
            WriteStr(name);
            WriteBoolean(value != 0);
        } else {
            WriteStr(name);
            std::string ident;
            if (prop.IdentMap && value >= INT32_MIN && value <= INT32_MAX &&
                prop.IdentMap->IntToIdent(static_cast<int32_t>(value), ident))
                WriteIdent(ident);
            else
                WriteInteger(value);
        }
        break;
    }
    case tkFloat: {
        if (!prop.SetFloat || !prop.GetFloat)
            return;
        const double value = prop.GetFloat(instance);
        if (defaults && prop.GetFloat(defaults) == value)
            return;
        WriteStr(name);
        WriteFloat(value);
        break;
    }
    case tkString: {
        if (!prop.SetStr || !prop.GetStr)
            return;
        const std::string value = prop.GetStr(instance);
        if (defaults ? prop.GetStr(defaults) == value : value.empty())
            return;
        WriteStr(name);
        WriteString(value);
        break;
    }
    case tkClass: {
        if (!prop.GetObject)
            return;
        TPersistent* value = prop.GetObject(instance);
        TPersistent* defaultValue = defaults ? prop.GetObject(defaults) : nullptr;
        if (prop.IsComponentReference) {
            if (!prop.SetObject || value == defaultValue)
                return;
            if (!value) {
                WriteStr(name);
                WriteIdent("nil");
                return;
            }
            const std::string ref = ReferenceName(static_cast<TComponent*>(value));
            if (ref.empty())
                return;
            WriteStr(name);
            WriteIdent(ref);
            return;
        }
        if (!value)
            return;
        if (auto* collection = dynamic_cast<TCollection*>(value)) {
            auto* defaultCollection = dynamic_cast<TCollection*>(defaultValue);
            if (collection->GetCount() == 0 && (!defaultCollection || defaultCollection->GetCount() == 0))
                return;
            WriteStr(name);
            WriteCollection(collection);
            return;
        }
        WriteObjectProperties(value, defaultValue, name + ".");
        break;
    }
    case tkMethod: {
        if (!prop.HasMethod || !prop.HasMethod(instance) || !FRoot)
            return;
        const std::string method = FRoot->GetEventBinding(instance, prop.Name);
        if (method.empty())
            return; // a handler set in code has no name to store
        WriteStr(name);
        WriteIdent(method);
        break;
    }
    }
}

void TWriter::WriteCollection(TCollection* collection) {
    WriteValue(vaCollection);
    for (int32_t i = 0; i < collection->GetCount(); ++i) {
        TCollectionItem* item = collection->GetItem(i);
        WriteListBegin();
        WriteObjectProperties(item, DefaultsFor(item), "");
        WriteListEnd();
    }
    WriteListEnd();
}

void TWriter::DefineProperty(const std::string& name, const TReaderProc&, const TWriterProc& writeData,
                             bool hasData) {
    if (!hasData || !writeData)
        return;
    WriteStr(FPropPath + name);
    writeData(this);
}

void TWriter::DefineBinaryProperty(const std::string& name, const TStreamProc&, const TStreamProc& writeData,
                                   bool hasData) {
    if (!hasData || !writeData)
        return;
    TMemoryStream stream;
    writeData(&stream);
    const auto* bytes = static_cast<const uint8_t*>(stream.Memory());
    WriteStr(FPropPath + name);
    WriteBinary(std::vector<uint8_t>(bytes, bytes + stream.GetSize()));
}

} // namespace vcl
