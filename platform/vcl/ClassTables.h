// The class library's property tables, one registration function per unit, each defined in the file beside
// the unit it describes (StdCtrlsTables.cpp beside StdCtrls.cpp). RegisterVclClasses (VclClasses.cpp)
// registers the enumeration names first, then calls each of these once; a table needs the names of its
// enumerations but no other table, so the order among them does not matter. Internal to the class library.
#pragma once

#include "platform/vcl/TypInfo.h"

#include <any>
#include <functional>
#include <typeinfo>
#include <utility>

namespace vcl {

void RegisterGraphicsTables();
void RegisterControlsTables();
void RegisterFormsTables();
void RegisterStdCtrlsTables();
void RegisterButtonsTables();
void RegisterComCtrlsTables();
void RegisterMaskTables();
void RegisterExtCtrlsTables();
void RegisterImgListTables();
void RegisterMenusTables();
void RegisterActnListTables();
void RegisterCommonDialogsTables();

// An event whose handler is set through a method (the handler is passed on, or starts a timer) rather than
// held in a public member.
template <class T, class F, class G, class S> void AddEventAccessor(const char* name, G getter, S setter) {
    TPropInfo p;
    p.Name = name;
    p.Kind = tkMethod;
    p.ClassType = typeid(std::function<F>);
    p.SetMethod = [setter](TPersistent* o, const std::any& handler) {
        T* self = static_cast<T*>(o);
        if (!handler.has_value()) {
            std::invoke(setter, self, std::function<F>());
            return;
        }
        const auto* f = std::any_cast<std::function<F>>(&handler);
        if (!f)
            ThrowInvalidPropertyValue();
        std::invoke(setter, self, *f);
    };
    p.HasMethod = [getter](TPersistent* o) {
        return static_cast<bool>(std::invoke(getter, static_cast<T*>(o)));
    };
    AddPropInfo(ClassPropertyTable(typeid(T), typeid(void)), std::move(p));
}

} // namespace vcl
