#include "platform/vcl/Resources.h"

#include "platform/vcl/Exceptions.h"

#include <cctype>
#include <map>
#include <mutex>

namespace vcl {

namespace {

std::string ResourceKey(std::string_view name) {
    std::string key(name);
    for (char& c : key)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return key;
}

struct ResourceTable {
    std::mutex Lock;
    std::map<std::pair<TResourceType, std::string>, std::span<const uint8_t>> Entries;
};

ResourceTable& ResourceTableInstance() {
    static ResourceTable table;
    return table;
}

} // namespace

void RegisterResource(TResourceType type, std::string_view name, std::span<const uint8_t> data) {
    ResourceTable& table = ResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    table.Entries[{type, ResourceKey(name)}] = data;
}

std::span<const uint8_t> FindResourceData(TResourceType type, std::string_view name) {
    ResourceTable& table = ResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    auto it = table.Entries.find({type, ResourceKey(name)});
    if (it == table.Entries.end())
        throw EResNotFound("Resource " + std::string(name) + " not found");
    return it->second;
}

bool ResourceExists(TResourceType type, std::string_view name) {
    ResourceTable& table = ResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    return table.Entries.count({type, ResourceKey(name)}) != 0;
}

std::vector<std::string> ResourceNames(TResourceType type) {
    ResourceTable& table = ResourceTableInstance();
    std::lock_guard<std::mutex> guard(table.Lock);
    std::vector<std::string> names;
    for (auto& [key, data] : table.Entries)
        if (key.first == type)
            names.push_back(key.second);
    return names;
}

} // namespace vcl
