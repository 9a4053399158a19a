// Layout files embedded in the program, found by the class name of the form they describe. Files are
// registered at start-up by code generated from a folder of text forms at build time.
#pragma once

#include "platform/vcl/Exceptions.h"

#include <string>
#include <string_view>
#include <vector>

namespace vcl {

// Registers the text form of the class className (case-insensitive). A later registration of the same class
// replaces the earlier one. The text must outlive the program (generated code passes string literals).
void RegisterFormResource(std::string_view className, std::string_view text);
// The text form registered for className, or an empty view when there is none.
std::string_view FindFormResource(std::string_view className);
// The class names registered, sorted.
std::vector<std::string> FormResourceNames();

// Generated code registers each file through a static object of this type.
struct TFormResourceRegistration {
    TFormResourceRegistration(std::string_view className, std::string_view text) {
        RegisterFormResource(className, text);
    }
};

} // namespace vcl
