// Feeds arbitrary bytes to the form converters: as text to the text parser (and what it makes back to
// text, which must parse again to the same binary form), and as binary form data to the printer.
// Refusals are exceptions; anything else (a crash, a sanitizer report, a hang) is a finding.
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/FormText.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    try {
        const std::string binary = vcl::ObjectTextToBinary(input);
        const std::string text = vcl::ObjectBinaryToText(binary);
        if (vcl::ObjectTextToBinary(text) != binary)
            std::abort();
    } catch (const vcl::Exception&) {
    }
    try {
        vcl::ObjectBinaryToText("TPF0" + input);
    } catch (const vcl::Exception&) {
    }
    return 0;
}
