// Registries of enumeration names, property tables and form-class tables.
#include "platform/vcl/TypInfo.h"

#include "platform/vcl/Exceptions.h"
#include "platform/vcl/SysUtils.h"

#include <map>
#include <memory>

namespace vcl {

namespace {

struct TRegistries {
    std::map<std::type_index, TEnumInfo> Enums;
    std::map<std::type_index, std::unique_ptr<TClassPropertyTable>> Classes;
    std::map<std::type_index, std::unique_ptr<TFormClassTable>> Forms;
    std::map<std::type_index, std::type_index> FormBases;
};

TRegistries& Registries() {
    static TRegistries r;
    return r;
}

const TClassPropertyTable* FindTable(std::type_index type) {
    auto& classes = Registries().Classes;
    auto it = classes.find(type);
    return it == classes.end() ? nullptr : it->second.get();
}

const TFormClassTable* FindFormTable(std::type_index type) {
    auto& forms = Registries().Forms;
    auto it = forms.find(type);
    return it == forms.end() ? nullptr : it->second.get();
}

std::type_index FormBase(std::type_index type) {
    auto& bases = Registries().FormBases;
    auto it = bases.find(type);
    return it == bases.end() ? std::type_index(typeid(void)) : it->second;
}

} // namespace

void RegisterEnumInfo(std::type_index type, TEnumInfo info) {
    Registries().Enums[type] = std::move(info);
}

const TEnumInfo* GetEnumInfo(std::type_index type) {
    auto& enums = Registries().Enums;
    auto it = enums.find(type);
    return it == enums.end() ? nullptr : &it->second;
}

bool TIdentMap::IdentToInt(const std::string& ident, int32_t& value) const {
    for (const auto& e : Entries)
        if (SameText(ident, e.Name)) {
            value = e.Value;
            return true;
        }
    return false;
}

bool TIdentMap::IntToIdent(int32_t value, std::string& ident) const {
    for (const auto& e : Entries)
        if (e.Value == value) {
            ident = e.Name;
            return true;
        }
    return false;
}

TClassPropertyTable& ClassPropertyTable(std::type_index type, std::type_index base) {
    auto& slot = Registries().Classes[type];
    if (!slot) {
        slot = std::make_unique<TClassPropertyTable>();
        slot->Type = type;
    }
    if (base != typeid(void))
        slot->Base = base;
    return *slot;
}

void LinkPropertyTable(std::type_index type, std::type_index base) {
    if (base == typeid(void) || base == type)
        return;
    TClassPropertyTable& table = ClassPropertyTable(type, typeid(void));
    if (table.Base == typeid(void))
        table.Base = base;
}

void AddPropInfo(TClassPropertyTable& table, TPropInfo p) {
    for (auto& existing : table.Props)
        if (SameText(existing.Name, p.Name)) {
            existing = std::move(p);
            return;
        }
    table.Props.push_back(std::move(p));
}

void ThrowInvalidPropertyValue() {
    throw EReadError("Invalid property value");
}

const TPropInfo* GetPropInfo(std::type_index type, const std::string& name) {
    for (const TClassPropertyTable* t = FindTable(type); t; t = FindTable(t->Base))
        for (const auto& p : t->Props)
            if (SameText(p.Name, name))
                return &p;
    return nullptr;
}

const TPropInfo* GetPropInfo(const TObject* object, const std::string& name) {
    return object ? GetPropInfo(typeid(*object), name) : nullptr;
}

std::type_index GetPropTableBase(std::type_index type) {
    const TClassPropertyTable* t = FindTable(type);
    return t ? t->Base : std::type_index(typeid(void));
}

std::vector<const TPropInfo*> GetPropList(std::type_index type) {
    std::vector<const TClassPropertyTable*> chain;
    for (const TClassPropertyTable* t = FindTable(type); t; t = FindTable(t->Base))
        chain.push_back(t);
    std::vector<const TPropInfo*> list;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it)
        for (const auto& p : (*it)->Props) {
            // A derived class may redeclare a base's property; keep the derived one in the base's place.
            bool replaced = false;
            for (auto& q : list)
                if (SameText(q->Name, p.Name)) {
                    q = &p;
                    replaced = true;
                }
            if (!replaced)
                list.push_back(&p);
        }
    return list;
}

std::vector<const TPropInfo*> GetPropList(const TObject* object) {
    return object ? GetPropList(typeid(*object)) : std::vector<const TPropInfo*>{};
}

TFormClassTable& FormClassTable(std::type_index type) {
    auto& slot = Registries().Forms[type];
    if (!slot) {
        slot = std::make_unique<TFormClassTable>();
        slot->Type = type;
    }
    return *slot;
}

void SetFormClassBase(std::type_index type, std::type_index base) {
    Registries().FormBases.insert_or_assign(type, base);
}

std::type_index GetFormClassBase(std::type_index type) {
    return FormBase(type);
}

const TFormClassTable::TMethodEntry* FindMethod(const TComponent* root, const std::string& name) {
    if (!root)
        return nullptr;
    for (std::type_index t = typeid(*root); t != typeid(void); t = FormBase(t))
        if (const TFormClassTable* table = FindFormTable(t))
            for (const auto& m : table->Methods)
                if (SameText(m.Name, name))
                    return &m;
    return nullptr;
}

const TFormClassTable::TFieldEntry* FindField(const TComponent* root, const std::string& name) {
    if (!root)
        return nullptr;
    for (std::type_index t = typeid(*root); t != typeid(void); t = FormBase(t))
        if (const TFormClassTable* table = FindFormTable(t))
            for (const auto& f : table->Fields)
                if (SameText(f.Name, name))
                    return &f;
    return nullptr;
}

} // namespace vcl
