// Reads arbitrary bytes as the stored data of a picture and of a bitmap held directly (a glyph), the way a
// layout carries them: "Picture.Data" starts with the graphic's class name, "Glyph.Data" is a bitmap's size
// and BMP file. The first input byte picks the property; what was read is written back and read again.
// Refusals are exceptions; a crash, a sanitizer report, a leak or a hang is a finding.
#include "platform/backend/headless/HeadlessScreen.h"
#include "platform/vcl/Bitmap.h"
#include "platform/vcl/Component.h"
#include "platform/vcl/Exceptions.h"
#include "platform/vcl/Filer.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/Streams.h"
#include "platform/vcl/TypInfo.h"
#include "platform/vcl/VclGraphicsClasses.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

class TFuzzPictureHolder : public vcl::TComponent {
public:
    explicit TFuzzPictureHolder(vcl::TComponent* owner) : vcl::TComponent(owner) {}
    vcl::TPicture Picture;
    vcl::TBitmap Glyph;
};

void FuzzPictureRegister() {
    static const bool done = [] {
        vcl::RegisterVclGraphicsClasses();
        vcl::RegisterClass<TFuzzPictureHolder>("TFuzzPictureHolder");
        vcl::DefineClassProperties<TFuzzPictureHolder, vcl::TComponent>()
            .Property("Picture", [](TFuzzPictureHolder* h) { return &h->Picture; })
            .Property("Glyph", [](TFuzzPictureHolder* h) { return &h->Glyph; });
        return true;
    }();
    (void)done;
}

std::string FuzzPictureLayout(const std::string& property, const uint8_t* data, size_t size) {
    vcl::TMemoryStream out;
    {
        vcl::TWriter writer(&out);
        writer.WriteSignature();
        writer.WritePrefix(0, 0);
        writer.WriteStr("TFuzzPictureHolder");
        writer.WriteStr("Holder");
        writer.WriteStr(property);
        writer.WriteBinary(std::vector<uint8_t>(data, data + size));
        writer.WriteListEnd();
        writer.WriteListEnd();
    }
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.GetSize()));
}

std::string FuzzPictureWrite(vcl::TComponent* root) {
    vcl::TMemoryStream out;
    {
        vcl::TWriter writer(&out);
        writer.WriteRootComponent(root);
    }
    return std::string(static_cast<const char*>(out.Memory()), static_cast<size_t>(out.GetSize()));
}

void FuzzPictureRead(const std::string& binary, std::string* written) {
    vcl::TReadOnlyMemoryStream in(binary.data(), static_cast<int64_t>(binary.size()));
    vcl::TReader reader(&in);
    auto* root = new TFuzzPictureHolder(nullptr);
    try {
        reader.ReadRootComponent(root);
        if (written)
            *written = FuzzPictureWrite(root);
    } catch (const vcl::Exception&) {
    }
    root->Free();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static headless::HeadlessScreen screen;
    if (size < 1)
        return 0;
    FuzzPictureRegister();
    const std::string binary =
        FuzzPictureLayout(data[0] & 1 ? "Glyph.Data" : "Picture.Data", data + 1, size - 1);
    std::string written;
    FuzzPictureRead(binary, &written);
    if (!written.empty())
        FuzzPictureRead(written, nullptr);
    return 0;
}
