// The settings store over the registry stand-in.
#include "app/Settings.h"

#include "platform/vcl/Registry.h"

#include <charconv>
#include <exception>

namespace app {

namespace {

// The stored string of a value: strings as they are, integers stored by other programs in decimal.
bool ReadSettingText(vcl::TRegistry& registry, const std::string& name, std::string& text) {
    try {
        if (!registry.ValueExists(name))
            return false;
        switch (registry.GetDataType(name)) {
        case vcl::rdString:
        case vcl::rdExpandString:
            text = registry.ReadString(name);
            return true;
        case vcl::rdInteger:
            text = std::to_string(registry.ReadInteger(name));
            return true;
        default:
            return false;
        }
    } catch (const std::exception&) {
        return false;
    }
}

// A whole decimal integer of 32 bits, with an optional sign.
bool ParseDecimal(const std::string& text, int32_t& value) {
    const char* first = text.data();
    const char* last = first + text.size();
    if (first != last && *first == '+')
        ++first;
    if (first == last)
        return false;
    auto [end, error] = std::from_chars(first, last, value, 10);
    return error == std::errc() && end == last;
}

} // namespace

bool OpenSettingsKey(vcl::TRegistry& registry) {
    try {
        registry.SetRootKey(vcl::HKEY_CURRENT_USER);
        return registry.OpenKey(SettingsKey, true);
    } catch (const std::exception&) {
        return false;
    }
}

int32_t ReadSettingInt(vcl::TRegistry& registry, const std::string& name, int32_t defaultValue) {
    std::string text;
    int32_t value = 0;
    if (!ReadSettingText(registry, name, text) || !ParseDecimal(text, value))
        return defaultValue;
    return value;
}

bool ReadSettingFlag(vcl::TRegistry& registry, const std::string& name, bool defaultValue) {
    std::string text;
    if (!ReadSettingText(registry, name, text))
        return defaultValue;
    return text == "1";
}

bool WriteSettingInt(vcl::TRegistry& registry, const std::string& name, int32_t value) {
    try {
        registry.WriteString(name, std::to_string(value));
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

bool WriteSettingFlag(vcl::TRegistry& registry, const std::string& name, bool value) {
    try {
        registry.WriteString(name, value ? "1" : "0");
        return true;
    } catch (const std::exception&) {
        return false;
    }
}

TPaletteSettings ReadPaletteSettings() {
    TPaletteSettings settings;
    try {
        vcl::TRegistry registry;
        if (!OpenSettingsKey(registry))
            return settings;
        settings.PaletteType = ReadSettingInt(registry, SettingPaletteType, DefaultPaletteType);
        settings.DitherMethod = ReadSettingInt(registry, SettingDitherMethod, DefaultDitherMethod);
        settings.MaxColors = ReadSettingInt(registry, SettingMaxColorCount, DefaultMaxColorCount);
        settings.UseDefaults = ReadSettingFlag(registry, SettingPaletteDefaults, false);
    } catch (const std::exception&) {
        return TPaletteSettings{};
    }
    return settings;
}

void ReadPaletteSettings(int32_t& paletteType, int32_t& ditherMethod, int32_t& maxColors, bool& useDefaults) {
    TPaletteSettings settings = ReadPaletteSettings();
    paletteType = settings.PaletteType;
    ditherMethod = settings.DitherMethod;
    maxColors = settings.MaxColors;
    useDefaults = settings.UseDefaults;
}

} // namespace app
