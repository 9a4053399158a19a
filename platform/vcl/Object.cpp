#include "platform/vcl/Object.h"

#include <cxxabi.h>
#include <cstdlib>
#include <mutex>
#include <typeindex>
#include <typeinfo>
#include <unordered_map>

namespace vcl {

namespace {

std::string Demangle(const std::type_info& type) {
    int status = 0;
    char* raw = abi::__cxa_demangle(type.name(), nullptr, nullptr, &status);
    std::string name = (status == 0 && raw) ? raw : type.name();
    std::free(raw);
    auto colon = name.rfind("::");
    return colon == std::string::npos ? name : name.substr(colon + 2);
}

} // namespace

std::string TObject::ClassName() const {
    static std::mutex lock;
    static std::unordered_map<std::type_index, std::string> cache;
    const std::type_info& type = typeid(*this);
    std::lock_guard<std::mutex> guard(lock);
    auto it = cache.find(type);
    if (it == cache.end())
        it = cache.emplace(type, Demangle(type)).first;
    return it->second;
}

} // namespace vcl
