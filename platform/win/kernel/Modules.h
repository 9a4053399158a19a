// Optional libraries: modules and entry points that callers look up by name at run time. The layers fill
// one table (the window system registers "USER32", the visual-styles layer "uxtheme.dll"); LoadLibrary and
// GetProcAddress answer from it, and whatever the table lacks is missing, as on an older system.
#pragma once

#include "platform/win/WinTypes.h"

#include <initializer_list>
#include <string>

namespace win {

// An entry point as GetProcAddress hands it out; callers cast it back to the function's own type.
using FARPROC = void (*)();

constexpr DWORD ERROR_MOD_NOT_FOUND = 126;
constexpr DWORD ERROR_PROC_NOT_FOUND = 127;

template <class F>
FARPROC ExportOf(F* function) {
    return reinterpret_cast<FARPROC>(function);
}

struct ModuleExport {
    const char* Name = nullptr;
    FARPROC Proc = nullptr;
    // Asked on every lookup: an entry point the layer cannot really serve here (layered windows without a
    // compositing manager) is missing while this answers false. Null: always present.
    bool (*Available)() = nullptr;
};

// Adds the entry points to the named module, making the module loadable; an entry of the same name is
// replaced. Names of modules compare without letter case, and a name without an extension means ".dll"
// ("USER32" is "user32.dll"); entry-point names compare exactly.
void RegisterModuleExports(const std::string& module, std::initializer_list<ModuleExport> exports);

// A handle that stays the same for the process's life (also across FreeLibrary to a count of 0). Each call
// counts; null with ERROR_MOD_NOT_FOUND for a module nobody registered, one switched off, or a path.
HMODULE LoadLibrary(const char* name);
inline HMODULE LoadLibraryA(const char* name) { return LoadLibrary(name); }
// Null with ERROR_PROC_NOT_FOUND for a name the module lacks or that is switched off, ERROR_INVALID_HANDLE
// for a handle LoadLibrary did not give out or whose count is 0.
FARPROC GetProcAddress(HMODULE module, const char* name);
// Counts one load down; FALSE (ERROR_INVALID_HANDLE) for a handle that is not loaded.
BOOL FreeLibrary(HMODULE module);

// The name under which the table keeps a module: lower case, ".dll" added when the name has no extension.
std::string ModuleKey(const std::string& module);
// Whether a layer registered the module (switches aside).
bool ModuleRegistered(const std::string& module);

// How often the module is loaded now (tests check that every load is freed); 0 for an unknown name.
int ModuleLoadCount(const std::string& module);

// Test switches that simulate systems without a module or without one entry point.
void SetModuleAbsent(const std::string& module, bool absent);
void SetExportAbsent(const std::string& module, const std::string& name, bool absent);
void ResetModuleSwitches();

} // namespace win
