#pragma once
// The picture exports' option window: page range and separate files, monochrome, crop, JPEG
// quality and resolution; then the save-file dialog.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TSaveDialog;
class TrptCustomImageExport;
class TrptCustomExportFilter;

class TrptIMGExportDialog : public TForm {
    KORVEL_CLASS(TrptIMGExportDialog, TForm)
public:
    explicit TrptIMGExportDialog(TComponent* AOwner);

    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TCheckBox* SeparateCB = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TCheckBox* Mono = nullptr;
    TCheckBox* CropPage = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* Quality = nullptr;
    TLabel* Label1 = nullptr;
    TEdit* Resolution = nullptr;
    TButton* OK = nullptr;
    TButton* Cancel = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // The export whose filter text and default extension the save dialog takes.
    TrptCustomExportFilter* Filter() const { return FFilter; }
    void SetFilter(TrptCustomExportFilter* Value);

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);

private:
    TrptCustomExportFilter* FFilter = nullptr;
};

// The filter's ShowModal: loads the controls from the filter, shows the window, and on OK
// checks the quality (1 .. 100) and the resolution (1 .. 2400 dpi); a refused answer is
// explained in a message and the window comes back with the answers given. Then the settings
// are stored and (unless SlaveExport) the save dialog asks for the file.
TModalResult RunIMGExportDialog(TrptCustomImageExport* Filter);
