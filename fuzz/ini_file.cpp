// Feeds arbitrary bytes to the ini parser of TMemIniFile, reads everything back, and checks that the text
// it would write reads the same as the text it read. Anything else (a crash, a sanitizer report, a hang,
// a failed check) is a finding.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/IniFiles.h"
#include "platform/vcl/StringList.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// Every section with its "key=value" lines, as one text.
std::string Dump(vcl::TMemIniFile& ini) {
    vcl::TStringList sections, values;
    ini.ReadSections(&sections);
    std::string out;
    for (int32_t i = 0; i < sections.GetCount(); ++i) {
        ini.ReadSectionValues(sections.Get(i), &values);
        out += "[" + sections.Get(i) + "]\n" + values.GetText();
        for (int32_t k = 0; k < values.GetCount(); ++k) {
            std::string key = values.GetNames(k);
            ini.ReadInteger(sections.Get(i), key, 0);
            ini.ReadFloat(sections.Get(i), key, 0);
            ini.ReadBool(sections.Get(i), key, false);
        }
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    vcl::TMemIniFile ini("");
    ini.SetText(text);
    std::string first = Dump(ini);

    vcl::TMemIniFile again("");
    again.SetText(ini.GetText());
    if (Dump(again) != first)
        std::abort();

    // Writing through the public interface either works or is refused with the ini error.
    try {
        std::string_view half = text.substr(0, size / 2);
        again.WriteString(std::string(half), std::string(text.substr(size / 2, 8)),
                          std::string(text.substr(size / 2)));
        again.DeleteKey("", "");
        again.EraseSection(std::string(half));
    } catch (const vcl::EIniFileException&) {
    }
    return 0;
}
