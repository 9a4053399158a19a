// The main window's start-up, commands and form events: creation from the layout, the dispatcher, the
// enabling rules, the title and status bar, New, Open, Save, Save As, Exit, Help, About, Support and files
// dropped on the window.
#include "app/GifMainForm.h"

#include "app/AboutForm.h"
#include "app/ExporterForm.h"
#include "app/FrameSizeForm.h"
#include "app/HtmlCodeForm.h"
#include "app/NewGifWizard.h"
#include "app/OptimizeWizard.h"
#include "app/PaletteForm.h"
#include "app/PalettePromptForm.h"
#include "app/PreviewForm.h"
#include "app/ProgressForm.h"
#include "app/SwfHtmlForm.h"
#include "bars/xbBar.h"
#include "bars/xbBarPopupMenu.h"
#include "controls/FcButton.h"
#include "controls/FcComboBox.h"
#include "controls/FcCommon.h"
#include "controls/FcListView.h"
#include "controls/FcPageControl.h"
#include "controls/FcPanel.h"
#include "controls/FcRadioCheck.h"
#include "controls/FcSpinEdit.h"
#include "dragdrop/DragDrop.h"
#include "dragdrop/DragDropFile.h"
#include "gif/GifDocument.h"
#include "imaging/core/ImageKit.h"
#include "imaging/core/ImageKitView.h"
#include "lookandfeel/lkStartup.h"
#include "platform/vcl/ActnList.h"
#include "platform/vcl/Application.h"
#include "platform/vcl/ComCtrls.h"
#include "platform/vcl/CommonDialogs.h"
#include "platform/vcl/Dialogs.h"
#include "platform/vcl/ExtCtrls.h"
#include "platform/vcl/Picture.h"
#include "platform/vcl/StdCtrls.h"
#include "platform/vcl/SysUtils.h"
#include "platform/vcl/TypInfo.h"
#include "platform/win/user/User.h"

#include <exception>

namespace resources {
// Generated at build time from the layout files under resources/forms.
void RegisterProgramForms();
} // namespace resources

namespace app {

const char* const EditorTitle = "Quorvane Loomwick Version 7.5";
const char* const SupportAddress = "https://www.example.com/loomwick/support";

TfrmGifMain* frmGifMain = nullptr;

namespace {

constexpr const char* UntitledSuffix = " - [UNTITLED]";

// The shortcuts of the command items.
struct ShortCutRow {
    bars::TxbBarButton* TfrmGifMain::*Item;
    uint16_t Key;
    bool Ctrl;
};
const ShortCutRow ShortCuts[] = {
    {&TfrmGifMain::miNew, 'N', true},          {&TfrmGifMain::miOpen, 'O', true},
    {&TfrmGifMain::miSave, 'S', true},         {&TfrmGifMain::miFrameInsert, 'I', true},
    {&TfrmGifMain::miFrameRemove, win::VK_DELETE, false}, {&TfrmGifMain::miSelectAll, 'A', true},
    {&TfrmGifMain::miFrameUp, 'U', true},      {&TfrmGifMain::miFrameDown, 'D', true},
    {&TfrmGifMain::miPlay, 'P', true},         {&TfrmGifMain::miPause, 'X', true},
    {&TfrmGifMain::miHelpContents, win::VK_F1, false},
};

void Enable(bars::TxbBarItem* item, bool value) {
    if (item)
        item->SetEnabled(value);
}

void Enable(vcl::TControl* control, bool value) {
    if (control)
        control->SetEnabled(value);
}

// True when the window with the focus takes typed text: an edit, or the edit inside a combo box.
bool FocusIsTextField() {
    win::HWND focus = win::GetFocus();
    if (!focus)
        return false;
    if (dynamic_cast<vcl::TCustomEdit*>(vcl::TWinControl::FindControl(focus)))
        return true;
    return vcl::LowerCase(win::GetClassNameString(focus)) == "edit";
}

int EditorStarts = 0;

void RegisterEditorClasses() {
    static bool done = false;
    if (done)
        return;
    done = true;
    using F = TfrmGifMain;
    vcl::DefineFormClass<TfrmGifMain, vcl::TForm>()
        .Field("xbBarManager1", &F::xbBarManager1)
        .Field("miNew", &F::miNew)
        .Field("miOpen", &F::miOpen)
        .Field("miExit", &F::miExit)
        .Field("miSave", &F::miSave)
        .Field("miSaveAs", &F::miSaveAs)
        .Field("miSaveAsFlash", &F::miSaveAsFlash)
        .Field("miImportAVI", &F::miImportAVI)
        .Field("miExportImages", &F::miExportImages)
        .Field("miFrameInsert", &F::miFrameInsert)
        .Field("miFrameRemove", &F::miFrameRemove)
        .Field("miSelectAll", &F::miSelectAll)
        .Field("miFrameUp", &F::miFrameUp)
        .Field("miFrameDown", &F::miFrameDown)
        .Field("miViewPreviewWindow", &F::miViewPreviewWindow)
        .Field("miPlay", &F::miPlay)
        .Field("miPause", &F::miPause)
        .Field("miRewind", &F::miRewind)
        .Field("miPalDefaults", &F::miPalDefaults)
        .Field("miFrameSizeDialog", &F::miFrameSizeDialog)
        .Field("miHTMLCode", &F::miHTMLCode)
        .Field("miOptimize", &F::miOptimize)
        .Field("miHelpContents", &F::miHelpContents)
        .Field("miAbout", &F::miAbout)
        .Field("miSupport", &F::miSupport)
        .Field("siFile", &F::siFile)
        .Field("siEdit", &F::siEdit)
        .Field("siView", &F::siView)
        .Field("siTools", &F::siTools)
        .Field("siHelp", &F::siHelp)
        .Field("siSaveDrop", &F::siSaveDrop)
        .Field("pumFrames", &F::pumFrames)
        .Field("lvFiles", &F::lvFiles)
        .Field("pnlRight", &F::pnlRight)
        .Field("pnlProperties", &F::pnlProperties)
        .Field("grpAnimation", &F::grpAnimation)
        .Field("grpFrame", &F::grpFrame)
        .Field("optLoopForever", &F::optLoopForever)
        .Field("optLoopSpecified", &F::optLoopSpecified)
        .Field("spinPlayTimes", &F::spinPlayTimes)
        .Field("lblPlayTimes", &F::lblPlayTimes)
        .Field("chkAnimationTrans", &F::chkAnimationTrans)
        .Field("lblTransparent", &F::lblTransparent)
        .Field("shpTransColor", &F::shpTransColor)
        .Field("btnSelectTransColor", &F::btnSelectTransColor)
        .Field("lblDelay1", &F::lblDelay1)
        .Field("lblDelay2", &F::lblDelay2)
        .Field("lblDisposal", &F::lblDisposal)
        .Field("spinDelay", &F::spinDelay)
        .Field("cboDisposal", &F::cboDisposal)
        .Field("pcPreview", &F::pcPreview)
        .Field("tsPreview", &F::tsPreview)
        .Field("imgPreview", &F::imgPreview)
        .Field("ImageGIF", &F::ImageGIF)
        .Field("StatusBar", &F::StatusBar)
        .Field("prgBar", &F::prgBar)
        .Field("ImageKit1", &F::ImageKit1)
        .Field("dlgOpen2", &F::dlgOpen2)
        .Field("dlgSave", &F::dlgSave)
        .Field("dlgOpenAVI", &F::dlgOpenAVI)
        .Field("dftFiles", &F::dftFiles)
        .Field("timerDelayedFileOpen", &F::timerDelayedFileOpen)
        .Method("MenuItemClick", &F::MenuItemClick)
        .Method("FormCreate", &F::FormCreate)
        .Method("FormShow", &F::FormShow)
        .Method("FormActivate", &F::FormActivate)
        .Method("FormCloseQuery", &F::FormCloseQuery)
        .Method("FormClose", &F::FormClose)
        .Method("FormDestroy", &F::FormDestroy)
        .Method("dftFilesDrop", &F::dftFilesDrop)
        .Method("timerDelayedFileOpenTimer", &F::timerDelayedFileOpenTimer)
        .Method("lvFilesSelectItem", &F::lvFilesSelectItem)
        .Method("lvFilesDblClick", &F::lvFilesDblClick)
        .Method("lvFilesMouseDown", &F::lvFilesMouseDown)
        .Method("spinDelayChange", &F::spinDelayChange)
        .Method("cboDisposalChange", &F::cboDisposalChange)
        .Method("optLoopForeverClick", &F::optLoopForeverClick)
        .Method("spinPlayTimesChange", &F::spinPlayTimesChange)
        .Method("btnSelectTransColorClick", &F::btnSelectTransColorClick)
        .Method("chkAnimationTransClick", &F::chkAnimationTransClick);
    vcl::RegisterClass<TfrmGifMain>("TfrmGifMain");
    RegisterAboutFormClass();
    RegisterPreviewFormClass();
    RegisterSwfHtmlFormClass();
    RegisterExporterFormClass();
    RegisterPalettePromptFormClass();
    RegisterFrameSizeFormClass();
    RegisterPaletteFormClass();
    RegisterProgressFormClass();
    RegisterHtmlCodeFormClass();
    RegisterOptimizeWizardClass();
    RegisterNewGifWizardClass();
}

} // namespace

// ---- Start-up ---------------------------------------------------------------------------------------------

void InitializeEditor() {
    if (EditorStarts++ > 0)
        return;
    gif::InitializeGifModule();
    dragdrop::InitializeDragDrop();
    lookandfeel::InitializeLookAndFeel();
    bars::InitBarCommonModule();
    imaging::RegisterImagingClasses();
    controls::InitializeControls();
    controls::RegisterControlClasses();
    resources::RegisterProgramForms();
    RegisterEditorClasses();
}

void FinalizeEditor() {
    if (EditorStarts == 0 || --EditorStarts > 0)
        return;
    controls::FinalizeControls();
    bars::DoneBarCommonModule();
    lookandfeel::FinalizeLookAndFeel();
    dragdrop::FinalizeDragDrop();
}

// ---- Creation ---------------------------------------------------------------------------------------------

TfrmGifMain::TfrmGifMain(vcl::TComponent* owner) : vcl::TForm(owner) {
    frmGifMain = this;
    InitInheritedComponent(typeid(TfrmGifMain));
}

TfrmGifMain::~TfrmGifMain() {
    ReleasePreviewWindow();
    SetRoutineImageKit(nullptr);
    SetTransparentColorSource(nullptr);
    SetPaletteSettingsPrompt(nullptr);
    if (FDocument)
        FDocument->StopAllPainters();
    if (ImageGIF)
        ImageGIF->GetPicture()->SetGraphic(nullptr);
    if (frmGifMain == this)
        frmGifMain = nullptr;
}

void TfrmGifMain::FormCreate(vcl::TObject*) {
    gif::DefaultPaintOptions.Include(gif::gpoPaintOnTarget);
    vcl::Application->SetTitle(EditorTitle);
    SetCaption(std::string(EditorTitle) + UntitledSuffix);
    FScratch = std::make_unique<gif::TGifDocument>();
    FDocument = std::make_unique<gif::TGifDocument>();
    Scratch = FScratch.get();
    Document = FDocument.get();
    Document->OnBeforeFrame = [this](vcl::TObject* sender) { DocumentBeforeFrame(sender); };
    Document->OnPlayEnd = [this](vcl::TObject* sender) { DocumentPlayEnd(sender); };
    HasDocument = false;
    imgPreview->SetAlign(vcl::alClient);
    ImageGIF->SetAlign(vcl::alClient);
    ClearFrameRows();
    const std::string images = ProgramFolder() + "Images";
    ImageFolder = vcl::DirectoryExists(images) ? WithTrailingBackslash(images) : ProgramFolder();
    pnlProperties->SetBevelOuter(vcl::bvNone);
    pnlProperties->SetBevelInner(vcl::bvNone);
    for (const ShortCutRow& row : ShortCuts)
        if (bars::TxbBarButton* item = this->*row.Item)
            item->SetShortCut(vcl::ShortCut(row.Key, row.Ctrl ? vcl::TShiftState{vcl::ssCtrl} : vcl::TShiftState{}));
    SetRoutineImageKit(ImageKit1);
    // New frames of more than 16 colours ask how their colours are reduced.
    SetPaletteSettingsPrompt(ShowPalettePrompt);
    // A document normalised for display takes the swatch's colour as its background.
    SetTransparentColorSource([this] { return gif::TGifColor(shpTransColor->GetBrush()->GetColor()); });
    if (miExportImages)
        miExportImages->SetVisible(bars::ivNever);
}

void TfrmGifMain::FormShow(vcl::TObject*) {
    UpdateCommandStates();
    dftFiles->SetTarget(this);
}

void TfrmGifMain::FormActivate(vcl::TObject*) {
    // Once: the window comes back where it was closed, or in the middle of the work area the first time.
    // Later activations (switching back from another program) leave it where the user put it.
    if (FPlacementRestored)
        return;
    FPlacementRestored = true;
    if (!RestoreFormPlacement(this, GetName(), true, false))
        CenterFormOnWorkArea(this);
}

void TfrmGifMain::FormCloseQuery(vcl::TObject*, bool& canClose) { canClose = ConfirmSaveChanges(); }

void TfrmGifMain::FormClose(vcl::TObject*, vcl::TCloseAction&) {
    StopPreview(true);
    ReleasePreviewWindow();
    imgPreview->GetPicture()->SetGraphic(nullptr);
    SaveFormPlacement(this, GetName());
}

void TfrmGifMain::FormDestroy(vcl::TObject*) {}

// ---- Commands ---------------------------------------------------------------------------------------------

void TfrmGifMain::MenuItemClick(vcl::TObject* sender) {
    if (auto* component = dynamic_cast<vcl::TComponent*>(sender))
        DispatchCommand(component->GetTag());
}

void TfrmGifMain::DispatchCommand(intptr_t tag) {
    switch (tag) {
    case 101:
        NewDocument();
        break;
    case 102:
        OpenDocument();
        break;
    case 103:
        Close();
        break;
    case 104:
        SaveDocument();
        break;
    case 105:
        SaveDocumentAs();
        break;
    case 106:
        ExportToFlash();
        break;
    case 107:
        ImportAvi();
        break;
    case 108:
        ShowExporter();
        break;
    case 201:
        InsertFrames();
        break;
    case 202:
        // Del typed in a text field edits the text there; the frames stay.
        if (FocusIsTextField()) {
            win::HWND focus = win::GetFocus();
            win::SendMessage(focus, win::WM_KEYDOWN, win::VK_DELETE, 0);
            win::SendMessage(focus, win::WM_KEYUP, win::VK_DELETE, 0);
        } else {
            RemoveFrames();
        }
        break;
    case 203:
        SelectAllFrames();
        break;
    case 204:
        MoveSelectedFrame(false);
        break;
    case 205:
        MoveSelectedFrame(true);
        break;
    case 301:
        TogglePreviewWindow();
        break;
    case 302:
        PlayPreview();
        break;
    case 303:
        StopPreview(true);
        break;
    case 304:
        GotoFirstFrame();
        break;
    case 401: {
        int32_t type = 0, dither = 0, colors = 0;
        ShowPalettePrompt(type, dither, colors);
        break;
    }
    case 402: {
        // Edits the stored answer only.
        bool trim = false;
        AskFrameSizeAction(trim, true);
        break;
    }
    case 403:
        ShowHtmlCode(vcl::ExtractFileName(FileName), Document->GetWidth(), Document->GetHeight());
        break;
    case 404:
        ShowOptimizeWizard();
        break;
    case 501:
        ShowHelp();
        break;
    case 502:
        ShowAboutBox();
        break;
    case 504:
        ShowSupport();
        break;
    default:
        break;
    }
    UpdateCommandStates();
    RefreshPreviewWindow();
}

void TfrmGifMain::UpdateCommandStates() {
    if (!lvFiles)
        return;
    const int32_t rows = lvFiles->GetItems()->Count();
    const int32_t selected = lvFiles->GetSelCount();
    vcl::TListItem* first = lvFiles->GetSelected();
    Enable(miPlay, !Playing && HasDocument && rows > 1);
    Enable(miPause, Playing && HasDocument);
    Enable(miRewind, Playing && HasDocument);
    for (bars::TxbBarButton* item : {miSave, miSaveAs, miSaveAsFlash, miExportImages})
        Enable(item, HasDocument);
    Enable(miHTMLCode, HasDocument && selected > 0);
    Enable(miOptimize, HasDocument && selected > 0);
    Enable(miFrameRemove, first != nullptr);
    Enable(miFrameInsert, rows == 0 || first != nullptr);
    Enable(pnlProperties, HasDocument);
    Enable(pcPreview, HasDocument);
    Enable(tsPreview, HasDocument);
    for (vcl::TControl* control : std::initializer_list<vcl::TControl*>{lblDelay1, lblDelay2, spinDelay, lblDisposal,
                                                                          cboDisposal})
        Enable(control, selected > 0);
    const bool one = selected == 1 && rows > 0;
    Enable(miFrameUp, one && !lvFiles->GetItems()->GetItem(0)->GetSelected());
    Enable(miFrameDown, one && !lvFiles->GetItems()->GetItem(rows - 1)->GetSelected());
    // The property panel gives its controls back their states when it is enabled again: the controls that
    // follow the loop and transparency boxes are set after it.
    const bool specified = optLoopSpecified->GetChecked();
    Enable(lblPlayTimes, specified);
    Enable(spinPlayTimes, specified);
    const bool transparent = chkAnimationTrans->GetChecked();
    for (vcl::TControl* control : std::initializer_list<vcl::TControl*>{lblTransparent, shpTransColor,
                                                                          btnSelectTransColor})
        Enable(control, transparent);
}

void TfrmGifMain::UpdateTitle() {
    SetCaption(std::string(EditorTitle) + (FileName.empty() ? std::string(UntitledSuffix) : " - " + FileName));
}

void TfrmGifMain::SetStatusText(const std::string& text, int32_t panel) {
    if (!StatusBar || panel < 0 || panel >= StatusBar->GetPanels()->Count())
        return;
    StatusBar->GetPanels()->GetItem(panel)->SetText(text);
    StatusBar->Repaint();
}

bool TfrmGifMain::ConfirmSaveChanges() {
    if (!Modified)
        return true;
    const std::string name =
        FileName.empty() ? std::string("the UNTITLED Image") : vcl::ExtractFileName(FileName);
    switch (vcl::MessageBox(GetHandle(), "Would you like to save the changes to " + name + " ?", "Confirm",
                            vcl::MB_YESNOCANCEL | vcl::MB_ICONQUESTION)) {
    case vcl::IDYES:
        return SaveDocument();
    case vcl::IDNO:
        return true;
    default:
        return false;
    }
}

bool TfrmGifMain::NewDocument() {
    if (!ConfirmSaveChanges())
        return false;
    ClearDocument();
    RunNewWizard();
    return true;
}

void TfrmGifMain::ClearDocument() {
    StopPreview(true);
    SetCaption(std::string(EditorTitle) + UntitledSuffix);
    FileName.clear();
    Modified = false;
    Document->Assign(nullptr);
    imgPreview->GetPicture()->SetGraphic(nullptr);
    ImageGIF->GetPicture()->SetGraphic(nullptr);
    ClearFrameRows();
    chkAnimationTrans->SetChecked(false);
}

bool TfrmGifMain::OpenDocument() {
    if (!ConfirmSaveChanges())
        return false;
    dlgOpen2->SetOptions(
        vcl::TOpenOptions{vcl::ofHideReadOnly, vcl::ofPathMustExist, vcl::ofFileMustExist, vcl::ofEnableSizing});
    dlgOpen2->SetInitialDir(ImageFolder);
    const vcl::TGraphicClass gifClass = vcl::GraphicClass<gif::TGifDocument>();
    dlgOpen2->SetFilter(vcl::TPicture::GraphicFilter(&gifClass));
    if (!dlgOpen2->Execute())
        return false;
    const std::string file = dlgOpen2->GetFileName();
    ImageFolder = vcl::ExtractFilePath(file);
    return OpenGifFile(file);
}

bool TfrmGifMain::OpenGifFile(const std::string& file) {
    if (!vcl::FileExists(file)) {
        vcl::MessageBox(GetHandle(), "The following file could not be found:\r\n\r\n" + file, "File Not Found",
                        vcl::MB_OK | vcl::MB_ICONERROR);
        return false;
    }
    if (Playing)
        StopPreview(true);
    if (!LoadGifFile(Document, file)) {
        vcl::ShowMessage("Error Loading Image:\n\n" + file);
        return false;
    }
    HasDocument = true;
    FileName = file;
    Modified = false;
    UpdateTitle();
    ShowLoopCount();
    // The box shows whether any frame is transparent; opening changes no frame.
    Document->SetTransparent(Document->AnyFrameTransparent());
    SettingTransparency = true;
    chkAnimationTrans->SetChecked(Document->GetTransparent());
    SettingTransparency = false;
    FillFrameRows();
    if (lvFiles->GetItems()->Count() > 0)
        lvFiles->GetItems()->GetItem(0)->SetSelected(true);
    return true;
}

bool TfrmGifMain::SaveDocument() {
    if (Playing)
        StopPreview(true);
    return FileName.empty() ? SaveDocumentAs() : WriteDocument();
}

bool TfrmGifMain::SaveDocumentAs() {
    if (Playing)
        StopPreview(true);
    dlgSave->SetFilter("Gif Files (*.gif)|*.gif");
    dlgSave->SetFileName(FileName);
    if (!dlgSave->Execute())
        return false;
    const std::string file = dlgSave->GetFileName();
    if (!WriteDocumentTo(file))
        return false;
    FileName = file;
    UpdateTitle();
    return true;
}

bool TfrmGifMain::WriteDocument() { return WriteDocumentTo(FileName); }

bool TfrmGifMain::WriteDocumentTo(const std::string& file) {
    if (!SaveGifFile(Document, file, true, true))
        return false;
    Modified = false;
    UpdateTitle();
    lvFiles->ClearSelection();
    if (lvFiles->GetItems()->Count() > 0)
        lvFiles->GetItems()->GetItem(0)->SetSelected(true);
    return true;
}

void TfrmGifMain::ShowHelp() { ShellOpen(ProgramFolder() + "loomwick.chm", GetHandle()); }

void TfrmGifMain::ShowSupport() { ShellOpen(SupportAddress, GetHandle()); }

// ---- Dropped files ----------------------------------------------------------------------------------------

void TfrmGifMain::dftFilesDrop(vcl::TObject*, vcl::TShiftState, vcl::TPoint, int32_t&) {
    vcl::TStrings* names = dftFiles->GetFileNames();
    for (int32_t i = 0; i < names->Count(); ++i) {
        const std::string name = names->Get(i);
        if (vcl::LowerCase(vcl::ExtractFileExt(name)) == ".gif") {
            DroppedFile = name;
            timerDelayedFileOpen->SetEnabled(true);
            return;
        }
    }
}

void TfrmGifMain::timerDelayedFileOpenTimer(vcl::TObject*) {
    timerDelayedFileOpen->SetEnabled(false);
    if (!ConfirmSaveChanges())
        return;
    OpenGifFile(DroppedFile);
    UpdateCommandStates();
}

} // namespace app
