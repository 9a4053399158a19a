// The class library's classes that form resources may name, as registered by RegisterVclClasses.
#pragma once

#include <string>
#include <vector>

namespace vcl {

// The names RegisterVclClasses registers with the class registry, in registration order.
const std::vector<std::string>& VclClassNames();

} // namespace vcl
