#include "platform/win/kernel/Modules.h"

#include "platform/win/kernel/Errors.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <memory>
#include <mutex>
#include <set>

namespace win {

// "UxTheme.dll" and "uxtheme.DLL" are one module; "USER32" is "user32.dll".
std::string ModuleKey(const std::string& name) {
    std::string key = name;
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    if (key.find('.') == std::string::npos)
        key += ".dll";
    return key;
}

namespace {

struct ModulesEntry {
    std::map<std::string, ModuleExport> Exports;
    std::set<std::string> SwitchedOff;
    int Loads = 0;
    bool Registered = false;
    bool Absent = false;
};

struct ModulesTable {
    std::mutex Lock;
    // Entries are never removed, so a handle (the entry's address) stays valid for the process.
    std::map<std::string, std::unique_ptr<ModulesEntry>> Modules;
};

ModulesTable& ModulesState() {
    static ModulesTable table;
    return table;
}

ModulesEntry& ModulesEntryFor(ModulesTable& table, const std::string& name) {
    auto& slot = table.Modules[ModuleKey(name)];
    if (!slot)
        slot = std::make_unique<ModulesEntry>();
    return *slot;
}

// The entry behind a handle LoadLibrary gave out; null for anything else (never dereferenced unchecked).
ModulesEntry* ModulesFind(ModulesTable& table, HMODULE module) {
    for (auto& [key, entry] : table.Modules)
        if (reinterpret_cast<HMODULE>(entry.get()) == module)
            return entry.get();
    return nullptr;
}

} // namespace

void RegisterModuleExports(const std::string& module, std::initializer_list<ModuleExport> exports) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    ModulesEntry& entry = ModulesEntryFor(table, module);
    entry.Registered = true;
    for (const ModuleExport& e : exports)
        if (e.Name && e.Proc)
            entry.Exports[e.Name] = e;
}

HMODULE LoadLibrary(const char* name) {
    if (!name || !*name || std::string(name).find_first_of("/\\") != std::string::npos) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    auto it = table.Modules.find(ModuleKey(name));
    if (it == table.Modules.end() || !it->second->Registered || it->second->Absent) {
        SetLastError(ERROR_MOD_NOT_FOUND);
        return nullptr;
    }
    ++it->second->Loads;
    return reinterpret_cast<HMODULE>(it->second.get());
}

FARPROC GetProcAddress(HMODULE module, const char* name) {
    ModulesTable& table = ModulesState();
    bool (*available)() = nullptr;
    FARPROC proc = nullptr;
    {
        std::lock_guard lock(table.Lock);
        ModulesEntry* entry = ModulesFind(table, module);
        if (!entry || entry->Loads == 0) {
            SetLastError(ERROR_INVALID_HANDLE);
            return nullptr;
        }
        if (!name || entry->Absent || entry->SwitchedOff.count(name)) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        auto it = entry->Exports.find(name);
        if (it == entry->Exports.end()) {
            SetLastError(ERROR_PROC_NOT_FOUND);
            return nullptr;
        }
        proc = it->second.Proc;
        available = it->second.Available;
    }
    // Asked outside the lock: the predicate may call into the layer that registered it.
    if (available && !available()) {
        SetLastError(ERROR_PROC_NOT_FOUND);
        return nullptr;
    }
    return proc;
}

BOOL FreeLibrary(HMODULE module) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    ModulesEntry* entry = ModulesFind(table, module);
    if (!entry || entry->Loads == 0) {
        SetLastError(ERROR_INVALID_HANDLE);
        return FALSE;
    }
    --entry->Loads;
    return TRUE;
}

bool ModuleRegistered(const std::string& module) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    auto it = table.Modules.find(ModuleKey(module));
    return it != table.Modules.end() && it->second->Registered;
}

int ModuleLoadCount(const std::string& module) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    auto it = table.Modules.find(ModuleKey(module));
    return it == table.Modules.end() ? 0 : it->second->Loads;
}

void SetModuleAbsent(const std::string& module, bool absent) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    ModulesEntryFor(table, module).Absent = absent;
}

void SetExportAbsent(const std::string& module, const std::string& name, bool absent) {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    ModulesEntry& entry = ModulesEntryFor(table, module);
    if (absent)
        entry.SwitchedOff.insert(name);
    else
        entry.SwitchedOff.erase(name);
}

void ResetModuleSwitches() {
    ModulesTable& table = ModulesState();
    std::lock_guard lock(table.Lock);
    for (auto& [key, entry] : table.Modules) {
        entry->Absent = false;
        entry->SwitchedOff.clear();
    }
}

} // namespace win
