// TImageKit: the one-piece image component. It is a single-image view that makes its I/O component and its
// processing component the moment it is created, republishes their most used settings as its own, and hands
// loading, saving and parameter reading to the I/O component. The editor uses one, never shown, to turn an
// image file of another format into a bitmap: LoadFromFileByExtension, ConvertTo(256, false), GetBitmap.
#pragma once

#include "imaging/core/ImageKitProc.h"
#include "imaging/core/ImageKitView.h"
#include "imaging/io/IOComponent.h"

#include <cstdint>
#include <string>

namespace vcl {
class TFiler;
class TFont;
class TStream;
} // namespace vcl

namespace imaging {

class TImageKit : public TImageKitView {
public:
    // Makes the I/O component, then the processing component, both attached to the view.
    explicit TImageKit(vcl::TComponent* owner);

    // Settings of the two components, read and written straight through.
    bool GetAutoUndo() const { return FProcessing->GetAutoUndo(); }
    void SetAutoUndo(bool value) { FProcessing->SetAutoUndo(value); }
    // Read from the processing component; written to it, then to the I/O component.
    TMsgLanguage GetMsgLanguage() const { return FProcessing->GetMsgLanguage(); }
    void SetMsgLanguage(TMsgLanguage value);
    TPRPreviewsParams GetProcPreviewsParams() const { return FProcessing->GetPreviewsParams(); }
    void SetProcPreviewsParams(TPRPreviewsParams value) { FProcessing->SetPreviewsParams(value); }
    TIOPreviewsParams GetIOPreviewsParams() const { return FInOut->GetPreviewsParams(); }
    void SetIOPreviewsParams(TIOPreviewsParams value) { FInOut->SetPreviewsParams(value); }
    // The I/O component's font; written to the I/O component, then to the processing component.
    vcl::TFont* GetPreviewFont() const { return FInOut->GetPreviewFont(); }
    void SetPreviewFont(vcl::TFont* font);
    bool GetStreamHeaders() const { return FInOut->GetStreamHeaders(); }
    void SetStreamHeaders(bool value) { FInOut->SetStreamHeaders(value); }
    const TIKPreviewEvent& GetOnPreview() const { return FProcessing->OnPreview; }
    void SetOnPreview(TIKPreviewEvent value) { FProcessing->OnPreview = std::move(value); }
    const TIKIOPreviewEvent& GetOnIOPreview() const { return FInOut->OnIOPreview; }
    void SetOnIOPreview(TIKIOPreviewEvent value) { FInOut->OnIOPreview = std::move(value); }
    TIKDialogsMeasureUnit GetDialogsMeasureUnit() const { return FInOut->GetDialogsMeasureUnit(); }
    void SetDialogsMeasureUnit(TIKDialogsMeasureUnit value) { FInOut->SetDialogsMeasureUnit(value); }

    // The I/O component's parameters.
    TIOParamsVals& IOParams() { return FInOut->GetParams(); }
    // Reduces the colours of the view's image in place (TImageKitProc::ConvertTo).
    void ConvertTo(int32_t nColors, bool threshold);

    // Handed to the I/O component's operations of the same names.
    virtual void LoadFromFileByExtension(const std::string& fileName);
    virtual void SaveToFileByExtension(const std::string& fileName);
    virtual void ReadParamsFromFile(const std::string& fileName);
    virtual void ReadParamsFromStream(vcl::TStream* stream);
    virtual void ReadParamsFromFileOfFormat(const std::string& fileName, int32_t formatId);
    virtual void ReadParamsFromStreamOfFormat(vcl::TStream* stream, int32_t formatId);

    // From another TImageKit: its parameters, image, background and resolution; from a TImageKitIO: its
    // parameters only; other sources as the view takes them.
    void Assign(vcl::TPersistent* source) override;

    // A layout holds the preview font whole (charset, colour, height, name, style), also where its values are
    // those of a new font.
    void DefineProperties(vcl::TFiler* filer) override;

protected:
    // A font read from a layout into the I/O component's font reaches the processing component too.
    void Loaded() override;

private:
    TImageKitIO* FInOut;
    TImageKitProc* FProcessing;
};

} // namespace imaging
