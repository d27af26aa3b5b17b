#pragma once
// The print dialog a report shows before it prints: printer, pages, copies and collation, print
// to file, the print mode with its sheet, page parity, order and duplex. On OK the choices go
// into the report's print options and the current printer; the duplex choice is handed back in
// ADuplexMode. Cancel puts the printer that was current when the dialog opened back.

#include "report/core/rptClassOptions.h"

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TLabel;
class TPaintBox;
class TRadioButton;
class TSaveDialog;
class TrptCustomPrinter;
class TrptReport;

class TrptPrintDialog : public TForm {
    KORVEL_CLASS(TrptPrintDialog, TForm)
public:
    explicit TrptPrintDialog(TComponent* AOwner);

    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* FileDlg = nullptr;
    TGroupBox* Label12 = nullptr;
    TLabel* WhereL = nullptr;
    TLabel* WhereL1 = nullptr;
    TComboBox* PrintersCB = nullptr;
    TButton* PropButton = nullptr;
    TCheckBox* FileCB = nullptr;
    TGroupBox* Label1 = nullptr;
    TLabel* DescrL = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TGroupBox* Label2 = nullptr;
    TLabel* CopiesL = nullptr;
    TPaintBox* CopiesPB = nullptr;
    TEdit* CopiesE = nullptr;
    TCheckBox* CollateCB = nullptr;
    TGroupBox* ScaleGB = nullptr;
    TComboBox* PagPageSizeCB = nullptr;
    TLabel* NameL = nullptr;
    TLabel* PagSizeL = nullptr;
    TComboBox* PrintModeCB = nullptr;
    TGroupBox* OtherGB = nullptr;
    TLabel* PrintL = nullptr;
    TLabel* DuplexL = nullptr;
    TComboBox* PrintPagesCB = nullptr;
    TComboBox* DuplexCB = nullptr;
    TLabel* OrderL = nullptr;
    TComboBox* OrderCB = nullptr;

    // Printer index when the dialog opened.
    int OldIndex = -1;
    // Set by the caller before ShowModal.
    TrptReport* AReport = nullptr;
    // The duplex choice, in and out.
    TrptDuplexMode ADuplexMode = dmNone;

    void PrintersCBClick(TObject* Sender);
    void PrintModeCBClick(TObject* Sender);
    void PropButtonClick(TObject* Sender);
    void CollateCBClick(TObject* Sender);

protected:
    void DoShow() override;
    void DoHide() override;

private:
    void CopiesPBPaint(TObject* Sender);
    // Position of a paper number in the sheet combo (whose first entry is "Default" and which
    // lacks the custom paper); -1 when the printer has no such paper.
    int SheetIndexOf(TrptCustomPrinter* Printer, int Paper) const;
    void FillSheets(TrptCustomPrinter* Printer);
};

// Shows the dialog for the report with the duplex choice; true when it was confirmed, and then
// Duplex holds the choice.
bool ShowPrintDialog(TrptReport* Report, TrptDuplexMode& Duplex);
