// The open, save and colour dialog components: they fill a request from their properties, show the
// screen's dialog over the active window and read the answer back into their properties.
#pragma once

#include "platform/vcl/Component.h"
#include "platform/vcl/GraphicsObjects.h"
#include "platform/vcl/Types.h"

#include <memory>
#include <string>

namespace vcl {

class TStrings;

class TCommonDialog : public TComponent {
public:
    explicit TCommonDialog(TComponent* owner) : TComponent(owner) {}
    // Shows the dialog modally; true when the user confirmed, false when cancelled (properties kept).
    virtual bool Execute() = 0;
    const std::string& GetTitle() const { return FTitle; }
    void SetTitle(const std::string& value) { FTitle = value; }

private:
    std::string FTitle;
};

enum TOpenOption {
    ofReadOnly,
    ofOverwritePrompt,
    ofHideReadOnly,
    ofNoChangeDir,
    ofNoValidate,
    ofAllowMultiSelect,
    ofPathMustExist,
    ofFileMustExist,
    ofCreatePrompt,
    ofEnableSizing
};
using TOpenOptions = TSet<TOpenOption>;

class TOpenDialog : public TCommonDialog {
public:
    explicit TOpenDialog(TComponent* owner);
    ~TOpenDialog() override;
    bool Execute() override;

    // "description|patterns|description|patterns", a trailing "|" allowed.
    const std::string& GetFilter() const { return FFilter; }
    void SetFilter(const std::string& value) { FFilter = value; }
    // The chosen filter, counted from 1; updated when the user confirms.
    int32_t GetFilterIndex() const { return FFilterIndex; }
    void SetFilterIndex(int32_t value) { FFilterIndex = value; }
    // Added with a dot to a typed name that has no extension; a leading dot is ignored.
    const std::string& GetDefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const std::string& value);
    const std::string& GetInitialDir() const { return FInitialDir; }
    void SetInitialDir(const std::string& value) { FInitialDir = value; }
    // The name proposed before, and the (first) file chosen after a confirmed dialog.
    const std::string& GetFileName() const { return FFileName; }
    void SetFileName(const std::string& value) { FFileName = value; }
    // Every file chosen (one unless ofAllowMultiSelect).
    TStrings* GetFiles() const { return FFiles.get(); }
    TOpenOptions GetOptions() const { return FOptions; }
    void SetOptions(TOpenOptions value) { FOptions = value; }

protected:
    bool DoExecute(bool save);

private:
    std::string FFilter;
    int32_t FFilterIndex = 1;
    std::string FDefaultExt;
    std::string FInitialDir;
    std::string FFileName;
    std::unique_ptr<TStrings> FFiles;
    TOpenOptions FOptions{ofHideReadOnly, ofEnableSizing};
};

class TSaveDialog : public TOpenDialog {
public:
    explicit TSaveDialog(TComponent* owner) : TOpenDialog(owner) {}
    bool Execute() override;
};

class TColorDialog : public TCommonDialog {
public:
    explicit TColorDialog(TComponent* owner) : TCommonDialog(owner) {}
    bool Execute() override;
    // The colour shown first and, after a confirmed dialog, the colour chosen (always an RGB value).
    TColor GetColor() const { return FColor; }
    void SetColor(TColor value) { FColor = value; }

private:
    TColor FColor = clBlack;
};

} // namespace vcl
