#pragma once
// The OpenDocument exports' option window: page range, continuous sheet, page breaks, WYSIWYG,
// background and opening the file; then the save-file dialog.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TSaveDialog;
class TrptODFExport;

class TrptODFExportDialog : public TForm {
    KORVEL_CLASS(TrptODFExportDialog, TForm)
public:
    explicit TrptODFExportDialog(TComponent* AOwner);

    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* GroupQuality = nullptr;
    TCheckBox* ContinuousCB = nullptr;
    TCheckBox* PageBreaksCB = nullptr;
    TCheckBox* WCB = nullptr;
    TCheckBox* BackgrCB = nullptr;
    TCheckBox* OpenCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);
};

// The filter's ShowModal: loads the controls from the filter, shows the window, and on OK writes
// the answers back, stamps CreationTime and asks for the file name (not for a slave export).
TModalResult RunODFExportDialog(TrptODFExport* Filter);
