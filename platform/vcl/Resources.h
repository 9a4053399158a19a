// Bitmaps and cursors embedded in the program, found by name. Code generated at build time from a folder of
// .bmp and .cur files (loomwick_embed_resources) registers each file under its upper-case name without
// extension; the program calls that code at start-up, before a library loads what it draws.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vcl {

// Bitmaps and cursors have names of their own: a bitmap and a cursor may share one.
enum TResourceType { rtBitmapResource, rtCursorResource };

// Registers the bytes of a whole .bmp or .cur file under name (case-insensitive); a later registration of
// the same name and type replaces the earlier one. The bytes must outlive the program (generated code
// passes static arrays).
void RegisterResource(TResourceType type, std::string_view name, std::span<const uint8_t> data);
// The bytes registered under name; EResNotFound "Resource NAME not found" when there are none.
std::span<const uint8_t> FindResourceData(TResourceType type, std::string_view name);
bool ResourceExists(TResourceType type, std::string_view name);
// The names registered for a type, upper-case and sorted.
std::vector<std::string> ResourceNames(TResourceType type);

} // namespace vcl
