// Property tables: what form resources may set on an object of a class, how to read and write each value,
// and the per-form tables that bind event handlers by method name and fill component fields.
//
// A class's table lists only its own properties and names its base class; lookups walk up the bases.
// Tables are declared once, from a registration function, with the builder:
//
//   DefineClassProperties<TEdit, TWinControl>()
//       .Property("Text", &TEdit::GetText, &TEdit::SetText)
//       .Property("Color", &TEdit::GetColor, &TEdit::SetColor, ColorIdents())
//       .Property("Font", &TEdit::GetFont)                 // a sub-object: "Font.Name = ..."
//       .Event("OnChange", &TEdit::OnChange);
//
//   DefineFormClass<TMyForm>()
//       .Field("Button1", &TMyForm::Button1)
//       .Method("Button1Click", &TMyForm::Button1Click);
//
// The kind of a property follows from the getter's type: integers, floating point, bool, std::string,
// enumerations (names registered with RegisterEnumNames), TSet<E>, a pointer to a TComponent (a reference
// to another component, resolved by name once the whole form is read) or a pointer to another TPersistent
// (a sub-object whose own properties are set through it: a font, a string list, a collection).
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/Types.h"

#include <any>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <type_traits>
#include <typeindex>
#include <vector>

namespace vcl {

enum TTypeKind { tkInteger, tkInt64, tkFloat, tkString, tkEnumeration, tkBoolean, tkSet, tkClass, tkMethod };

// The names of an enumeration's values, in order from MinValue.
struct TEnumInfo {
    std::vector<std::string> Names;
    int32_t MinValue = 0;
};

// Registers the names of E's values, the first being the value minValue. Registering again replaces.
void RegisterEnumInfo(std::type_index type, TEnumInfo info);
const TEnumInfo* GetEnumInfo(std::type_index type);
template <typename E> void RegisterEnumNames(std::initializer_list<const char*> names, int32_t minValue = 0) {
    static_assert(std::is_enum_v<E>);
    TEnumInfo info;
    info.MinValue = minValue;
    for (const char* n : names)
        info.Names.emplace_back(n);
    RegisterEnumInfo(typeid(E), std::move(info));
}

// Identifiers that stand for integer values ("clBtnFace", "crHandPoint"). Both directions return false when
// the map has no entry; integers without a name are written as numbers.
struct TIdentMapEntry {
    int32_t Value;
    const char* Name;
};
struct TIdentMap {
    std::vector<TIdentMapEntry> Entries;
    bool IdentToInt(const std::string& ident, int32_t& value) const; // names compare without case
    bool IntToIdent(int32_t value, std::string& ident) const;
};
const TIdentMap* ColorIdents();  // clBlack ... clWindow, clBtnFace and the other system colours
const TIdentMap* CursorIdents(); // crDefault, crArrow ... crHandPoint

// One published property. Accessors that do not apply to its kind are empty; a property without a setter
// is read-only (sub-objects usually are: their properties are set through them).
struct TPropInfo {
    std::string Name;
    TTypeKind Kind = tkInteger;
    const TEnumInfo* EnumInfo = nullptr; // tkEnumeration and tkSet
    const TIdentMap* IdentMap = nullptr; // tkInteger given names
    std::type_index ClassType =
        typeid(void);                  // tkClass: the static class of the value; tkMethod: the std::function
    bool IsComponentReference = false; // tkClass whose value is a TComponent named by reference

    std::function<int64_t(TPersistent*)> GetOrd; // integers, enumerations, booleans, sets (as bits)
    std::function<void(TPersistent*, int64_t)> SetOrd;
    std::function<double(TPersistent*)> GetFloat;
    std::function<void(TPersistent*, double)> SetFloat;
    std::function<std::string(TPersistent*)> GetStr;
    std::function<void(TPersistent*, const std::string&)> SetStr;
    std::function<TPersistent*(TPersistent*)> GetObject;
    std::function<void(TPersistent*, TPersistent*)> SetObject;
    // Events: SetMethod takes a std::any holding a std::function of exactly ClassType and raises
    // EReadError "Invalid property value" for anything else (an empty std::any clears the handler).
    std::function<void(TPersistent*, const std::any&)> SetMethod;
    std::function<bool(TPersistent*)> HasMethod;
    // When set and false for an object, the writer leaves the property out (a font that follows the
    // parent's, a size that another property stores).
    std::function<bool(TPersistent*)> IsStored;
    // How the writer decides that an ordinal value (integer, enumeration, boolean, set) is stored. A table
    // that declares nothing leaves out a value equal to a fresh object's; a declared default leaves out that
    // value alone (where a fresh object has it too); a property declared without a default is always stored.
    enum class TDefaultRule : uint8_t { FreshObject, Declared, NoDefault };
    TDefaultRule DefaultRule = TDefaultRule::FreshObject;
    int64_t DefaultValue = 0; // TDefaultRule::Declared: the value as GetOrd gives it
};

// The properties a class adds to those of its base.
struct TClassPropertyTable {
    std::type_index Type = typeid(void);
    std::type_index Base = typeid(void);
    std::vector<TPropInfo> Props;
};

// Registers (or extends) the table of type. Properties of the same name replace earlier ones.
TClassPropertyTable& ClassPropertyTable(std::type_index type, std::type_index base);
// The property of that name (without case) on the object's most derived class or any base, or null.
const TPropInfo* GetPropInfo(const TObject* object, const std::string& name);
const TPropInfo* GetPropInfo(std::type_index type, const std::string& name);
// Gives type's table the base base unless it names one already (a class without properties of its own
// then shows its base's).
void LinkPropertyTable(std::type_index type, std::type_index base);
// Adds p to table, replacing a property of the same name.
void AddPropInfo(TClassPropertyTable& table, TPropInfo p);
// Raises EReadError "Invalid property value".
[[noreturn]] void ThrowInvalidPropertyValue();
// The base class named by type's table, or void when type has no table.
std::type_index GetPropTableBase(std::type_index type);
// Every property of the class and its bases, bases first.
std::vector<const TPropInfo*> GetPropList(std::type_index type);
std::vector<const TPropInfo*> GetPropList(const TObject* object);

namespace detail {
template <typename V> struct IsTSet : std::false_type {};
template <typename E> struct IsTSet<TSet<E>> : std::true_type { using Enum = E; };
template <typename F> struct MemberFunctionSignature;
template <typename C, typename R, typename... A> struct MemberFunctionSignature<R (C::*)(A...)> {
    using Function = std::function<R(A...)>;
};
} // namespace detail

template <class T, class TBase = void> class TClassProperties {
public:
    TClassProperties() : FTable(&ClassPropertyTable(typeid(T), typeid(TBase))) {}

    // A read-write property; the getter and setter are anything callable on a T* (member functions too).
    template <class G, class S>
    TClassProperties& Property(const char* name, G getter, S setter, const TIdentMap* idents = nullptr) {
        using V = std::remove_cvref_t<std::invoke_result_t<G, T*>>;
        TPropInfo p = Describe<V>(name, getter);
        p.IdentMap = idents;
        if constexpr (std::is_same_v<V, bool>)
            p.SetOrd = [setter](TPersistent* o, int64_t v) { std::invoke(setter, Self(o), v != 0); };
        else if constexpr (std::is_enum_v<V>)
            p.SetOrd = [setter](TPersistent* o, int64_t v) {
                std::invoke(setter, Self(o), static_cast<V>(v));
            };
        else if constexpr (detail::IsTSet<V>::value)
            p.SetOrd = [setter](TPersistent* o, int64_t v) {
                std::invoke(setter, Self(o), V::FromBits(static_cast<uint64_t>(v)));
            };
        else if constexpr (std::is_integral_v<V>)
            p.SetOrd = [setter](TPersistent* o, int64_t v) {
                std::invoke(setter, Self(o), static_cast<V>(v));
            };
        else if constexpr (std::is_floating_point_v<V>)
            p.SetFloat = [setter](TPersistent* o, double v) {
                std::invoke(setter, Self(o), static_cast<V>(v));
            };
        else if constexpr (std::is_same_v<V, std::string>)
            p.SetStr = [setter](TPersistent* o, const std::string& v) { std::invoke(setter, Self(o), v); };
        else if constexpr (std::is_pointer_v<V>)
            p.SetObject = [setter](TPersistent* o, TPersistent* v) {
                using C = std::remove_pointer_t<V>;
                C* typed = v ? dynamic_cast<C*>(v) : nullptr;
                if (v && !typed)
                    ThrowInvalidValue();
                std::invoke(setter, Self(o), typed);
            };
        Add(std::move(p));
        return *this;
    }
    // A read-only property: mostly sub-objects (Font, Items, Lines, Columns, Panels).
    template <class G> TClassProperties& Property(const char* name, G getter) {
        using V = std::remove_cvref_t<std::invoke_result_t<G, T*>>;
        Add(Describe<V>(name, getter));
        return *this;
    }
    // Makes the property declared last stored only when predicate (callable on a T*) says so.
    template <class P> TClassProperties& Stored(P predicate) {
        if (FLast.empty())
            return *this;
        for (auto& p : FTable->Props)
            if (p.Name == FLast)
                p.IsStored = [predicate](TPersistent* o) {
                    return static_cast<bool>(std::invoke(predicate, Self(o)));
                };
        return *this;
    }
    // Declares the default of the ordinal property declared last: the writer stores every other value.
    template <class V> TClassProperties& Default(V value) {
        if (TPropInfo* p = Last()) {
            p->DefaultRule = TPropInfo::TDefaultRule::Declared;
            if constexpr (detail::IsTSet<V>::value)
                p->DefaultValue = static_cast<int64_t>(value.ToBits());
            else {
                static_assert(std::is_integral_v<V> || std::is_enum_v<V>, "a default is an ordinal value");
                p->DefaultValue = static_cast<int64_t>(value);
            }
        }
        return *this;
    }
    // Declares that the ordinal property declared last has no default: the writer stores every value.
    TClassProperties& NoDefault() {
        if (TPropInfo* p = Last())
            p->DefaultRule = TPropInfo::TDefaultRule::NoDefault;
        return *this;
    }
    // An event held in a public std::function member.
    template <class F> TClassProperties& Event(const char* name, std::function<F> T::*member) {
        TPropInfo p;
        p.Name = name;
        p.Kind = tkMethod;
        p.ClassType = typeid(std::function<F>);
        p.SetMethod = [member](TPersistent* o, const std::any& handler) {
            if (!handler.has_value()) {
                Self(o)->*member = nullptr;
                return;
            }
            const auto* f = std::any_cast<std::function<F>>(&handler);
            if (!f)
                ThrowInvalidValue();
            Self(o)->*member = *f;
        };
        p.HasMethod = [member](TPersistent* o) { return static_cast<bool>(Self(o)->*member); };
        Add(std::move(p));
        return *this;
    }

private:
    static T* Self(TPersistent* o) { return static_cast<T*>(o); }
    [[noreturn]] static void ThrowInvalidValue() { ThrowInvalidPropertyValue(); }

    template <class V, class G> static TPropInfo Describe(const char* name, G getter) {
        TPropInfo p;
        p.Name = name;
        if constexpr (std::is_same_v<V, bool>) {
            p.Kind = tkBoolean;
            p.GetOrd = [getter](TPersistent* o) -> int64_t { return std::invoke(getter, Self(o)) ? 1 : 0; };
        } else if constexpr (std::is_enum_v<V>) {
            p.Kind = tkEnumeration;
            p.EnumInfo = GetEnumInfo(typeid(V));
            p.GetOrd = [getter](TPersistent* o) -> int64_t {
                return static_cast<int64_t>(std::invoke(getter, Self(o)));
            };
        } else if constexpr (detail::IsTSet<V>::value) {
            p.Kind = tkSet;
            p.EnumInfo = GetEnumInfo(typeid(typename detail::IsTSet<V>::Enum));
            p.GetOrd = [getter](TPersistent* o) -> int64_t {
                return static_cast<int64_t>(std::invoke(getter, Self(o)).ToBits());
            };
        } else if constexpr (std::is_integral_v<V>) {
            p.Kind = sizeof(V) > 4 ? tkInt64 : tkInteger;
            p.GetOrd = [getter](TPersistent* o) -> int64_t {
                return static_cast<int64_t>(std::invoke(getter, Self(o)));
            };
        } else if constexpr (std::is_floating_point_v<V>) {
            p.Kind = tkFloat;
            p.GetFloat = [getter](TPersistent* o) -> double {
                return static_cast<double>(std::invoke(getter, Self(o)));
            };
        } else if constexpr (std::is_same_v<V, std::string>) {
            p.Kind = tkString;
            p.GetStr = [getter](TPersistent* o) -> std::string { return std::invoke(getter, Self(o)); };
        } else {
            static_assert(std::is_pointer_v<V> && std::is_base_of_v<TPersistent, std::remove_pointer_t<V>>,
                          "a property's value is a number, bool, string, enumeration, set or object");
            p.Kind = tkClass;
            p.ClassType = typeid(std::remove_pointer_t<V>);
            p.IsComponentReference = std::is_base_of_v<TComponent, std::remove_pointer_t<V>>;
            p.GetObject = [getter](TPersistent* o) -> TPersistent* { return std::invoke(getter, Self(o)); };
        }
        return p;
    }
    TPropInfo* Last() {
        for (auto& p : FTable->Props)
            if (!FLast.empty() && p.Name == FLast)
                return &p;
        return nullptr;
    }
    void Add(TPropInfo p) {
        FLast = p.Name;
        AddPropInfo(*FTable, std::move(p));
    }

    TClassPropertyTable* FTable;
    std::string FLast;
};

template <class T, class TBase = void> TClassProperties<T, TBase> DefineClassProperties() {
    static_assert(std::is_base_of_v<TPersistent, T>);
    static_assert(std::is_void_v<TBase> || std::is_base_of_v<TBase, T>);
    return {};
}

// ---- Per-form tables: event handlers by method name, components as fields -----------------------------

struct TFormClassTable {
    std::type_index Type = typeid(void);
    // A handler bound to a root instance, as a std::any holding the std::function of its signature.
    struct TMethodEntry {
        std::string Name;
        std::type_index FunctionType = typeid(void);
        std::function<std::any(TComponent* root)> Bind;
    };
    // Stores a component created from the resource into the root's field of the same name; returns false
    // when the component is not of the field's class.
    struct TFieldEntry {
        std::string Name;
        std::function<bool(TComponent* root, TComponent* component)> Assign;
    };
    std::vector<TMethodEntry> Methods;
    std::vector<TFieldEntry> Fields;
};

TFormClassTable& FormClassTable(std::type_index type);
// The tables of the root's most derived class (fields and methods of bases are found through theirs when
// the form class registered its base with DefineFormClass<T, TBase>).
const TFormClassTable::TMethodEntry* FindMethod(const TComponent* root, const std::string& name);
const TFormClassTable::TFieldEntry* FindField(const TComponent* root, const std::string& name);
void SetFormClassBase(std::type_index type, std::type_index base);
// The form class type derives from, as registered with DefineFormClass<T, TBase>; void when none.
std::type_index GetFormClassBase(std::type_index type);

template <class F> class TFormClass {
public:
    TFormClass() : FTable(&FormClassTable(typeid(F))) {}

    template <class C> TFormClass& Field(const char* name, C* F::*member) {
        static_assert(std::is_base_of_v<TComponent, C>);
        FTable->Fields.push_back({name, [member](TComponent* root, TComponent* component) {
                                      C* typed = dynamic_cast<C*>(component);
                                      if (component && !typed)
                                          return false;
                                      static_cast<F*>(root)->*member = typed;
                                      return true;
                                  }});
        return *this;
    }
    template <class M> TFormClass& Method(const char* name, M method) {
        using Function = typename detail::MemberFunctionSignature<M>::Function;
        FTable->Methods.push_back({name, typeid(Function), [method](TComponent* root) -> std::any {
                                       F* self = static_cast<F*>(root);
                                       return Function([self, method](auto&&... args) {
                                           return (self->*method)(std::forward<decltype(args)>(args)...);
                                       });
                                   }});
        return *this;
    }

private:
    TFormClassTable* FTable;
};

// With TBase the form class also shows TBase's properties when it declares no property table of its own.
template <class F, class TBase = void> TFormClass<F> DefineFormClass() {
    static_assert(std::is_void_v<TBase> || std::is_base_of_v<TBase, F>);
    if constexpr (!std::is_void_v<TBase>) {
        SetFormClassBase(typeid(F), typeid(TBase));
        LinkPropertyTable(typeid(F), typeid(TBase));
    }
    return {};
}

// Makes sure the class library's own classes, enumeration names and property tables are registered.
// Safe to call any number of times from the GUI thread; the reader calls it before loading a form.
void RegisterVclClasses();

} // namespace vcl
