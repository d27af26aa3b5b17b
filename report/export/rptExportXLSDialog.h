#pragma once
// The spreadsheet export's option window: page range, the export's switches, opening the
// workbook afterwards; then the save-file dialog.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TSaveDialog;
class TrptXLSExport;

class TrptXLSExportDialog : public TForm {
    KORVEL_CLASS(TrptXLSExportDialog, TForm)
public:
    explicit TrptXLSExportDialog(TComponent* AOwner);

    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* GroupQuality = nullptr;
    TCheckBox* ContinuousCB = nullptr;
    TCheckBox* PicturesCB = nullptr;
    TCheckBox* AsTextCB = nullptr;
    TCheckBox* FastExpCB = nullptr;
    TCheckBox* cbGrid = nullptr;
    TCheckBox* MergeCB = nullptr;
    TCheckBox* WCB = nullptr;
    TCheckBox* BackgrCB = nullptr;
    TCheckBox* PageBreaksCB = nullptr;
    TCheckBox* OpenExcelCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);
};

// The filter's ShowModal: loads the boxes from the filter, shows the window, and on OK writes the
// answers back and (unless the filter runs inside another export) asks for the file; a chosen
// ".xls" name takes ".xlsx".
TModalResult RunXLSExportDialog(TrptXLSExport* Filter);
