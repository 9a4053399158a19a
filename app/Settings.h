// The editor's settings: a handful of user choices kept as strings under one key of the per-user
// registry store (flags "1" or "0", numbers in decimal). Nothing is cached: every caller reads afresh.
#pragma once

#include <cstdint>
#include <string>

namespace vcl {
class TRegistry;
}

namespace app {

// The key below HKEY_CURRENT_USER.
inline constexpr const char* SettingsKey = "Software\\Quorvane Software\\Loomwick\\Settings";

// Value names and their defaults.
inline constexpr const char* SettingPaletteType = "PaletteType";         // 0 global, 1 web-safe, 2 local
inline constexpr const char* SettingMaxColorCount = "MaxColorCount";     // 256, 128, 64, 32, 16 or 8
inline constexpr const char* SettingDitherMethod = "DitherMethod";       // 0 nearest, 1 Floyd-Steinberg
inline constexpr const char* SettingMaxImportCount = "MaxImportCount";   // 256, 128, 64, 32, 16 or 8
inline constexpr const char* SettingPaletteDefaults = "PaletteDefaults"; // apply without asking
inline constexpr const char* SettingClipDefault = "ClipDefault";         // answer the size question
inline constexpr const char* SettingClipFrame = "ClipFrame";             // trim (true) or grow (false)
constexpr int32_t DefaultPaletteType = 2;
constexpr int32_t DefaultMaxColorCount = 256;
constexpr int32_t DefaultDitherMethod = 0;
constexpr int32_t DefaultMaxImportCount = 256;

// Opens (creating when missing) the settings key; false when it cannot be opened. Never raises.
bool OpenSettingsKey(vcl::TRegistry& registry);
// On an opened key: the stored string as a decimal integer, or the default when it is missing or not a
// number.
int32_t ReadSettingInt(vcl::TRegistry& registry, const std::string& name, int32_t defaultValue);
// On an opened key: true exactly when the stored string is "1"; a missing or unreadable value gives the
// default.
bool ReadSettingFlag(vcl::TRegistry& registry, const std::string& name, bool defaultValue);
// On an opened key: numbers in decimal, flags as "1" or "0". False when the store refused the value.
bool WriteSettingInt(vcl::TRegistry& registry, const std::string& name, int32_t value);
bool WriteSettingFlag(vcl::TRegistry& registry, const std::string& name, bool value);

// The palette settings new frames are reduced with; the defaults when the key cannot be opened.
struct TPaletteSettings {
    int32_t PaletteType = DefaultPaletteType;
    int32_t DitherMethod = DefaultDitherMethod;
    int32_t MaxColors = DefaultMaxColorCount;
    bool UseDefaults = false; // "PaletteDefaults": apply without showing the dialog
};
void ReadPaletteSettings(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors, bool& useDefaults);
TPaletteSettings ReadPaletteSettings();

} // namespace app
