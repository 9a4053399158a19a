#include "platform/vcl/FormResources.h"

#include "platform/vcl/SysUtils.h"

#include <algorithm>
#include <map>
#include <mutex>

namespace vcl {

namespace {

std::string FormResourceKey(std::string_view name) {
    return LowerCase(std::string(name));
}

struct FormResourceTable {
    std::mutex Lock;
    std::map<std::string, std::pair<std::string, std::string_view>> Entries; // key -> (name, text)
};

// Built on first use, so registrations from other files' static objects find it ready.
FormResourceTable& FormResourceTableInstance() {
    static FormResourceTable table;
    return table;
}

} // namespace

void RegisterFormResource(std::string_view className, std::string_view text) {
    FormResourceTable& table = FormResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    table.Entries[FormResourceKey(className)] = {std::string(className), text};
}

std::string_view FindFormResource(std::string_view className) {
    FormResourceTable& table = FormResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    const auto it = table.Entries.find(FormResourceKey(className));
    return it == table.Entries.end() ? std::string_view() : it->second.second;
}

std::vector<std::string> FormResourceNames() {
    FormResourceTable& table = FormResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    std::vector<std::string> names;
    for (const auto& [key, entry] : table.Entries)
        names.push_back(entry.first);
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace vcl
