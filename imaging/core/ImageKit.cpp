// TImageKit: the view with its two components made at once, their settings and operations passed through.
#include "imaging/core/ImageKit.h"

#include "platform/vcl/Filer.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/TypInfo.h"

namespace imaging {

TImageKit::TImageKit(vcl::TComponent* owner)
    : TImageKitView(owner), FInOut(GetIO()), FProcessing(GetProc()) {}

void TImageKit::SetMsgLanguage(TMsgLanguage value) {
    FProcessing->SetMsgLanguage(value);
    FInOut->SetMsgLanguage(value);
}

void TImageKit::SetPreviewFont(vcl::TFont* font) {
    FInOut->SetPreviewFont(font);
    FProcessing->SetPreviewFont(font);
}

void TImageKit::Loaded() {
    TImageKitView::Loaded();
    FProcessing->SetPreviewFont(FInOut->GetPreviewFont());
}

void TImageKit::DefineProperties(vcl::TFiler* filer) {
    TImageKitView::DefineProperties(filer);
    // Only written here: reading goes through the published PreviewFont and its font's own properties.
    if (!dynamic_cast<vcl::TWriter*>(filer))
        return;
    vcl::TFont* font = GetPreviewFont();
    for (const char* name : {"Charset", "Color", "Height", "Name", "Style"}) {
        const vcl::TPropInfo* p = vcl::GetPropInfo(font, name);
        if (!p)
            continue;
        filer->DefineProperty(std::string("PreviewFont.") + name, nullptr,
                              [font, p](vcl::TWriter* writer) {
                                  if (p->Kind == vcl::tkString) {
                                      writer->WriteString(p->GetStr(font));
                                  } else if (p->Kind == vcl::tkSet) {
                                      writer->WriteValue(vcl::vaSet);
                                      const int64_t bits = p->GetOrd(font);
                                      for (int bit = 0; bit < 64 && p->EnumInfo; ++bit) {
                                          const int64_t index = bit - p->EnumInfo->MinValue;
                                          if (((uint64_t(bits) >> bit) & 1) && index >= 0 &&
                                              index < int64_t(p->EnumInfo->Names.size()))
                                              writer->WriteStr(p->EnumInfo->Names[size_t(index)]);
                                      }
                                      writer->WriteStr("");
                                  } else {
                                      const int64_t value = p->GetOrd(font);
                                      std::string ident;
                                      if (p->IdentMap && p->IdentMap->IntToIdent(int32_t(value), ident))
                                          writer->WriteIdent(ident);
                                      else
                                          writer->WriteInteger(value);
                                  }
                              },
                              true);
    }
}

void TImageKit::ConvertTo(int32_t nColors, bool threshold) {
    FProcessing->ConvertTo(nColors, threshold);
}

void TImageKit::LoadFromFileByExtension(const std::string& fileName) {
    FInOut->LoadFromFileByExtension(fileName);
}

void TImageKit::SaveToFileByExtension(const std::string& fileName) {
    FInOut->SaveToFileByExtension(fileName);
}

void TImageKit::ReadParamsFromFile(const std::string& fileName) {
    FInOut->ReadParamsFromFile(fileName);
}

void TImageKit::ReadParamsFromStream(vcl::TStream* stream) {
    FInOut->ReadParamsFromStream(stream);
}

void TImageKit::ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId) {
    FInOut->ReadParamsFromFileOfFormat(fileName, formatId);
}

void TImageKit::ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId) {
    FInOut->ReadParamsFromStreamOfFormat(stream, formatId);
}

void TImageKit::Assign(vcl::TPersistent* source) {
    if (auto* kit = dynamic_cast<TImageKit*>(source))
        FInOut->AssignParams(&kit->IOParams());
    else if (auto* io = dynamic_cast<TImageKitIO*>(source))
        FInOut->AssignParams(io);
    TImageKitView::Assign(source);
}

} // namespace imaging
