#pragma once
// The window a report shows its prepared pages in when it has no preview control of its own: a
// flat tool bar, the preview control, a status bar; the export menu listing the registered
// export filters, a context menu mirroring the tool bar, the page number and status texts, full
// screen, and the report's preview options (buttons, captions, zoom). The window's place and
// size are kept in the report's settings store.
//
// RegisterPreviewForm() makes ShowReport open this window (rptRunControl's window factory).

#include "report/core/rptPreview.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Forms.h"

class TEdit;
class TMenuItem;
class TPopupMenu;
class TSpeedButton;
class TrptComboBox;
class TrptTBPanel;

// A tool button drawing its picture from the preview pictures (and its caption when the bar
// shows captions).
class TrptPreviewToolButton : public TToolButton {
    KORVEL_CLASS(TrptPreviewToolButton, TToolButton)
public:
    explicit TrptPreviewToolButton(TComponent* AOwner);
    // The context-menu item mirroring the button (its tag in the original).
    TMenuItem* MenuItem() const { return FMenuItem; }
    void SetMenuItem(TMenuItem* Value) { FMenuItem = Value; }
    TPopupMenu* DropdownMenu() const { return FDropdownMenu; }
    void SetDropdownMenu(TPopupMenu* Value) { FDropdownMenu = Value; }
    void Click() override;
    void MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) override;

    TMouseEvent OnButtonMouseUp;

protected:
    void Paint() override;

private:
    TMenuItem* FMenuItem = nullptr;
    TPopupMenu* FDropdownMenu = nullptr;
};

// The tool bar: buttons and panels left to right in their order.
class TrptPreviewToolBar : public TToolBar {
    KORVEL_CLASS(TrptPreviewToolBar, TToolBar)
public:
    explicit TrptPreviewToolBar(TComponent* AOwner) : TToolBar(AOwner) {}
    void Arrange();

protected:
    void Resize() override;
};

class TrptPreviewForm : public TForm {
    KORVEL_CLASS(TrptPreviewForm, TForm)
public:
    explicit TrptPreviewForm(TComponent* AOwner);
    ~TrptPreviewForm() override;

    TrptPreview* Preview() const { return FPreview; }
    TrptReport* Report() const;

    // Applies the report's preview options, builds the export and context menus.
    void Init();
    // A status text: panel 1, or panel 2 for a hint.
    void SetMessageText(const QString& Value, bool IsHint);
    void SwitchToFullScreen();
    bool FullScreen() const { return FFullScreen; }
    // The commands' state from the preview's (after Init, when preparation starts and ends).
    void UpdateControls();
    // The zoom box shows the preview's zoom.
    void UpdateZoom();

    // Handlers (public: tests and the context menu call them like the buttons do).
    void PrintBClick(TObject* Sender);
    void OpenBClick(TObject* Sender);
    void SaveBClick(TObject* Sender);
    void ExportMIClick(TObject* Sender);
    void PdfBClick(TObject* Sender);
    void EmailBClick(TObject* Sender);
    void FindBClick(TObject* Sender);
    void ZoomPlusBClick(TObject* Sender);
    void ZoomMinusBClick(TObject* Sender);
    // Item chosen (ItemIndex >= 0) or Enter typed in the zoom box.
    void ZoomCBClick(TObject* Sender);
    void PageEClick(TObject* Sender);
    void FirstBClick(TObject* Sender);
    void PriorBClick(TObject* Sender);
    void NextBClick(TObject* Sender);
    void LastBClick(TObject* Sender);
    void PageSettingsBClick(TObject* Sender);
    void DesignerBClick(TObject* Sender);
    void Showtemplate1Click(TObject* Sender);
    void CancelBClick(TObject* Sender);
    void FullScreenBtnClick(TObject* Sender);
    void OutlineBClick(TObject* Sender);
    void ThumbBClick(TObject* Sender);
    void CollapseAllClick(TObject* Sender);
    void ExpandAllClick(TObject* Sender);
    void NewPageBClick(TObject* Sender);
    void DelPageBClick(TObject* Sender);
    void FormKeyDown(TObject* Sender, Word& Key, TShiftState Shift);

    // The window's parts, named as in its layout.
    TrptPreviewToolBar* ToolBar = nullptr;
    TrptPreviewToolButton* PrintB = nullptr;
    TrptPreviewToolButton* OpenB = nullptr;
    TrptPreviewToolButton* SaveB = nullptr;
    TrptPreviewToolButton* ExportB = nullptr;
    TrptPreviewToolButton* PdfB = nullptr;
    TrptPreviewToolButton* EmailB = nullptr;
    TrptPreviewToolButton* FindB = nullptr;
    TrptPreviewToolButton* Sep1 = nullptr;
    TrptPreviewToolButton* ZoomPlusB = nullptr;
    TrptTBPanel* Sep3 = nullptr;
    TrptComboBox* ZoomCB = nullptr;
    TrptPreviewToolButton* ZoomMinusB = nullptr;
    TrptPreviewToolButton* FullScreenBtn = nullptr;
    TrptPreviewToolButton* Sep2 = nullptr;
    TrptPreviewToolButton* OutlineB = nullptr;
    TrptPreviewToolButton* ThumbB = nullptr;
    TrptPreviewToolButton* PageSettingsB = nullptr;
    TrptPreviewToolButton* DesignerB = nullptr;
    TrptPreviewToolButton* Sep5 = nullptr;
    TrptPreviewToolButton* FirstB = nullptr;
    TrptPreviewToolButton* PriorB = nullptr;
    TrptTBPanel* Sep4 = nullptr;
    TEdit* PageE = nullptr;
    TrptPreviewToolButton* NextB = nullptr;
    TrptPreviewToolButton* LastB = nullptr;
    TrptTBPanel* rptTBPanel1 = nullptr;
    TSpeedButton* CancelB = nullptr;
    TStatusBar* StatusBar = nullptr;
    TPopupMenu* ExportPopup = nullptr;
    TPopupMenu* HiddenMenu = nullptr;
    TMenuItem* Showtemplate1 = nullptr;
    TPopupMenu* RightMenu = nullptr;
    TMenuItem* CollapseMI = nullptr;
    TMenuItem* ExpandMI = nullptr;
    TMenuItem* N1 = nullptr;

protected:
    void DoClose(TCloseAction& Action) override;
    void Resize() override;

private:
    TrptPreviewToolButton* AddButton(const QString& Name, int Picture, const QString& CaptionKey,
                                     const QString& HintKey, TNotifyEvent Click);
    TrptPreviewToolButton* AddSeparator(const QString& Name);
    void PageChanged(int PageNo);
    void BuildRightMenu();
    bool HasDrillDown() const;
    void SetDrillDown(bool Expand);
    void SaveLayout();

    TrptPreview* FPreview = nullptr;
    TrptCustomExportFilter* FPDFExport = nullptr;
    TrptCustomExportFilter* FEmailExport = nullptr;
    bool FFullScreen = false;
    TFormBorderStyle FOldBS = bsSizeable;
    TWindowState FOldState = wsNormal;
    std::vector<TrptPreviewToolButton*> FButtons; // in tool-bar order, separators too
};

// Makes ShowReport and ShowPreparedReport open a TrptPreviewForm. Idempotent.
void RegisterPreviewForm();
