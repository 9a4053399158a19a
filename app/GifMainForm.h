// The editor's main window: one animated GIF document, the command items of its menus, toolbar and frame
// popup (each command reaches DispatchCommand by its tag), the frame list with one row per frame, the
// property panel, the preview page and the separate preview window. This is the editor's chief header for
// its windows; GifRoutines.h holds the routines that need no window.
//
// The window's code is spread over files by topic: GifMainForm.cpp (start-up, commands, opening and saving,
// dropped files, the form's events), GifMainFrames.cpp (the rows), GifMainPreview.cpp (playback and the
// preview window), GifMainProperties.cpp (the property panel). Commands with windows of their own live in
// their own files and are called from DispatchCommand.
#pragma once

#include "app/GifRoutines.h"
#include "platform/vcl/Forms.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vcl {
class TBitmap;
class TImage;
class TLabel;
class TListItem;
class TOpenDialog;
class TProgressBar;
class TSaveDialog;
class TShape;
class TStatusBar;
class TTimer;
} // namespace vcl
namespace bars {
class TxbBarButton;
class TxbBarItem;
class TxbBarManager;
class TxbBarPopupMenu;
class TxbBarSubItem;
} // namespace bars
namespace controls {
class TFcButton;
class TFcCheckBox;
class TFcComboBox;
class TFcGroupBox;
class TFcListView;
class TFcPageControl;
class TFcPanel;
class TFcRadioButton;
class TFcSpinEdit;
class TFcTabSheet;
} // namespace controls
namespace dragdrop {
class TFileDropTarget;
}

namespace app {

class TfrmGifPreview;

// The texts of the title bar: the application title, then the file or "[UNTITLED]".
extern const char* const EditorTitle;   // "Quorvane Loomwick Version 7.5"
extern const char* const SupportAddress; // the maker's support page (tag 504)

class TfrmGifMain : public vcl::TForm {
public:
    explicit TfrmGifMain(vcl::TComponent* owner);
    ~TfrmGifMain() override;

    // ---- The layout's components -----------------------------------------------------------------------
    bars::TxbBarManager* xbBarManager1 = nullptr;
    bars::TxbBarButton *miNew = nullptr, *miOpen = nullptr, *miExit = nullptr, *miSave = nullptr,
                       *miSaveAs = nullptr, *miSaveAsFlash = nullptr, *miImportAVI = nullptr,
                       *miExportImages = nullptr;
    bars::TxbBarButton *miFrameInsert = nullptr, *miFrameRemove = nullptr, *miSelectAll = nullptr,
                       *miFrameUp = nullptr, *miFrameDown = nullptr;
    bars::TxbBarButton *miViewPreviewWindow = nullptr, *miPlay = nullptr, *miPause = nullptr, *miRewind = nullptr;
    bars::TxbBarButton *miPalDefaults = nullptr, *miFrameSizeDialog = nullptr, *miHTMLCode = nullptr,
                       *miOptimize = nullptr;
    bars::TxbBarButton *miHelpContents = nullptr, *miAbout = nullptr, *miSupport = nullptr;
    bars::TxbBarSubItem *siFile = nullptr, *siEdit = nullptr, *siView = nullptr, *siTools = nullptr,
                        *siHelp = nullptr, *siSaveDrop = nullptr;
    // The frame list's right-click menu: Select All; Insert, Remove; Up, Down.
    bars::TxbBarPopupMenu* pumFrames = nullptr;

    controls::TFcListView* lvFiles = nullptr;
    controls::TFcPanel* pnlRight = nullptr;
    controls::TFcPanel* pnlProperties = nullptr;
    controls::TFcGroupBox *grpAnimation = nullptr, *grpFrame = nullptr;
    controls::TFcRadioButton *optLoopForever = nullptr, *optLoopSpecified = nullptr;
    controls::TFcSpinEdit* spinPlayTimes = nullptr;
    vcl::TLabel* lblPlayTimes = nullptr;
    controls::TFcCheckBox* chkAnimationTrans = nullptr;
    vcl::TLabel* lblTransparent = nullptr;
    vcl::TShape* shpTransColor = nullptr;
    controls::TFcButton* btnSelectTransColor = nullptr;
    vcl::TLabel *lblDelay1 = nullptr, *lblDelay2 = nullptr, *lblDisposal = nullptr;
    controls::TFcSpinEdit* spinDelay = nullptr;
    controls::TFcComboBox* cboDisposal = nullptr;
    controls::TFcPageControl* pcPreview = nullptr;
    controls::TFcTabSheet* tsPreview = nullptr;
    vcl::TImage *imgPreview = nullptr, *ImageGIF = nullptr;
    vcl::TStatusBar* StatusBar = nullptr;
    vcl::TProgressBar* prgBar = nullptr;
    imaging::TImageKit* ImageKit1 = nullptr;
    vcl::TOpenDialog* dlgOpen2 = nullptr;
    vcl::TSaveDialog* dlgSave = nullptr;
    vcl::TOpenDialog* dlgOpenAVI = nullptr;
    dragdrop::TFileDropTarget* dftFiles = nullptr;
    vcl::TTimer* timerDelayedFileOpen = nullptr;

    // ---- State -----------------------------------------------------------------------------------------
    // The document lives as long as the window; other images are copied into it, never swapped in.
    gif::TGifDocument* Document = nullptr;
    // A second image for looking at GIF files before their frames are inserted.
    gif::TGifDocument* Scratch = nullptr;
    bool HasDocument = false; // a document is loaded or being built
    bool Playing = false;     // the preview page plays the animation
    bool Modified = false;    // unsaved changes
    std::string FileName;     // full path; empty: untitled
    std::string ImageFolder;  // where the open and insert dialogs start
    std::string DroppedFile;  // a dropped GIF file waiting for the timer
    // Set while code (not the user) fills the delay box, the disposal box and "Use Image Transparency".
    bool SettingDelay = false, SettingDisposal = false, SettingTransparency = false;

    // ---- Commands (GifMainForm.cpp) --------------------------------------------------------------------
    // The OnClick of every command item: DispatchCommand with the item's tag.
    void MenuItemClick(vcl::TObject* sender);
    // Runs the command of the tag (an unknown tag does nothing), then the enabling rules and the preview
    // window's refresh, whatever the command did.
    void DispatchCommand(intptr_t tag);
    // Enables the commands and controls by the document, the rows and the selection.
    void UpdateCommandStates();
    void UpdateTitle();
    // Sets one status bar panel's text and repaints the bar; an index outside the panels does nothing.
    void SetStatusText(const std::string& text, int32_t panel);
    // Offers to save unsaved changes; false means stop (Cancel, or Yes and nothing was saved).
    bool ConfirmSaveChanges();
    bool NewDocument();
    // The new-animation wizard (NewGifWizard.cpp): on Finish its images become the document's frames with
    // its loop count and delay; after Finish or Cancel HasDocument says whether there are frames.
    void RunNewWizard();
    // Empties the document, the pictures and the rows; the title becomes untitled.
    void ClearDocument();
    bool OpenDocument();
    // Opens the file into the document; on failure everything stays as it was and false is returned.
    bool OpenGifFile(const std::string& file);
    bool SaveDocument();
    // Writes under a name the user chooses; the name is adopted only after the write succeeded.
    bool SaveDocumentAs();
    // Writes the document to FileName through a temporary file (a failed write leaves the old file).
    bool WriteDocument();
    bool WriteDocumentTo(const std::string& file);
    void ShowHelp();
    void ShowSupport();
    // The document as a Flash movie with its HTML (FlashExport.cpp).
    void ExportToFlash();
    // Chosen frames saved as separate files (ExporterForm.cpp).
    void ShowExporter();
    // The optimisation wizard (OptimizeWizard.cpp); after Finish the rows are made again from the document.
    void ShowOptimizeWizard();
    // The AVI import (AviImport.cpp): after the offer to save changes, the file chosen in dlgOpenAVI becomes
    // the new untitled, modified document; ImportAviDocument does that for a file and is true when it did.
    void ImportAvi();
    bool ImportAviDocument(const std::string& file);
    // The temporary image's progress, on prgBar inside the status bar.
    void AviProgress(vcl::TObject* sender, vcl::TProgressStage stage, uint8_t percent);

    // ---- Rows (GifMainFrames.cpp) ----------------------------------------------------------------------
    // One row per frame, empty frames included: row i is frame i.
    void FillFrameRows();
    // Releases every row's flag and empties the list.
    void ClearFrameRows();
    // Gives every row the caption "Frame n - name": the file its frames came from.
    void NameFrameRows(const std::string& name);
    // Adds (index -1) or inserts a row for a frame, with flag 0, the caption "Frame n - name" and the size.
    vcl::TListItem* InsertFrameRow(int32_t index, const std::string& name);
    // The size text of frame i: "w x h", or "Unknown".
    std::string FrameSizeText(int32_t index) const;
    // Puts FrameSizeText again into every row that shows a size (a frame-size fit may have changed them).
    void RefreshFrameSizeTexts();
    // The row flag: 1 when the frame has a transparent colour of its own.
    static uint8_t RowFlag(vcl::TListItem* item);
    static void SetRowFlag(vcl::TListItem* item, uint8_t value);
    void SelectAllFrames();
    // Gives every row the caption FrameRowCaption(caption, position + 1).
    void RenumberFrameRows();
    void lvFilesDblClick(vcl::TObject* sender);
    // A press on the list: Remove is enabled only with more than one row and a selected row; the right
    // button pops up pumFrames once the list has handled the press (so the menu acts on the row pressed).
    void lvFilesMouseDown(vcl::TObject* sender, vcl::TMouseButton button, vcl::TShiftState shift, int32_t x,
                          int32_t y);
    // pumFrames at the cursor, its Remove entry enabled by the press's rule.
    void PopupFrameMenu();

    // ---- Frame commands (GifMainFrames.cpp) --------------------------------------------------------------
    // Where an inserted frame goes: 0 without a selected row, else after the first selected row, but no
    // further than the last row's index (which appends).
    int32_t InsertPosition() const;
    // The frame-size question for a bitmap larger than the animation by more than a pixel: 0 when not
    // asked, else its answer, 1 (the bitmap or the animation fitted) or 2 (Cancel).
    int32_t CheckFrameSize(vcl::TBitmap* bitmap);
    // The size check, then the frame added at index; -1 when the user cancelled either question.
    int32_t AddCheckedFrame(vcl::TBitmap* bitmap, int32_t index);
    // Tag 201: image files chosen by the user inserted as frames (an animated GIF adds all its frames).
    void InsertFrames();
    // Every frame of the GIF appended (its pictures only); into no document, the file becomes the document.
    void InsertAnimatedGif(const std::string& file);
    // Tag 202: the selected frames removed; at least one frame stays.
    void RemoveFrames();
    // Tags 204 and 205: the selected frame and its row moved one place up or down.
    void MoveSelectedFrame(bool down);

    // ---- Preview (GifMainPreview.cpp) ------------------------------------------------------------------
    void PlayPreview();
    // Back to the still frame; with stopPainter the playing copy's painter is stopped and waited for.
    void StopPreview(bool stopPainter);
    void GotoFirstFrame();
    void TogglePreviewWindow();
    void RefreshPreviewWindow();
    void DocumentBeforeFrame(vcl::TObject* sender);
    void DocumentPlayEnd(vcl::TObject* sender);
    // The separate preview window, while it exists.
    TfrmGifPreview* PreviewWindow() const { return FPreviewWindow; }

    // ---- Properties (GifMainProperties.cpp) -------------------------------------------------------------
    void lvFilesSelectItem(vcl::TObject* sender, vcl::TListItem* item, bool selected);
    void spinDelayChange(vcl::TObject* sender);
    void cboDisposalChange(vcl::TObject* sender);
    void optLoopForeverClick(vcl::TObject* sender);
    void spinPlayTimesChange(vcl::TObject* sender);
    void btnSelectTransColorClick(vcl::TObject* sender);
    void chkAnimationTransClick(vcl::TObject* sender);
    // Shows the loop count of the document in the loop controls without changing the document.
    void ShowLoopCount();
    // The selected rows, in order.
    std::vector<int32_t> SelectedRows() const;

    // ---- Form events -----------------------------------------------------------------------------------
    void FormCreate(vcl::TObject* sender);
    void FormShow(vcl::TObject* sender);
    void FormActivate(vcl::TObject* sender);
    void FormCloseQuery(vcl::TObject* sender, bool& canClose);
    void FormClose(vcl::TObject* sender, vcl::TCloseAction& action);
    void FormDestroy(vcl::TObject* sender);
    void dftFilesDrop(vcl::TObject* sender, vcl::TShiftState shift, vcl::TPoint point, int32_t& effect);
    void timerDelayedFileOpenTimer(vcl::TObject* sender);

    // Whether the placement was put back (or the window centred) on a first activation.
    bool GetPlacementRestored() const { return FPlacementRestored; }

    void WndProc(vcl::TMessage& message) override;

private:
    friend class TfrmGifPreview;
    void ReleasePreviewWindow();
    // Runs one property change: stops a playing preview, runs change, refreshes the preview window and
    // plays again when it was playing.
    template <typename F> void WithPreviewStopped(F change);

    std::unique_ptr<gif::TGifDocument> FDocument;
    std::unique_ptr<gif::TGifDocument> FScratch;
    TfrmGifPreview* FPreviewWindow = nullptr;
    bool FPlacementRestored = false;
    bool FSettingLoop = false; // the loop controls show the document's count
    // The command items by tag, for the enabling rules.
    std::vector<bars::TxbBarItem*> CommandItems() const;
};

// The one main window, while it exists.
extern TfrmGifMain* frmGifMain;

// "Frame " + n, then " - " and what followed the first " - " of the old caption, when it had one.
std::string FrameRowCaption(const std::string& caption, int32_t n);

// Creates the About box (owned by the application), shows it modally and releases it.
void ShowAboutBox();

// The editor's start-up, once before its first window: the GIF library, drag and drop, the look-and-feel
// side and the command bars, the imaging library, the themed controls, then the program's layouts and the
// editor's classes. Later calls only count; FinalizeEditor undoes one call, the last one shuts down.
void InitializeEditor();
void FinalizeEditor();

} // namespace app
