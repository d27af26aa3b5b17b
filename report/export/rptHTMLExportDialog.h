#pragma once
// The HTML export's option window: page range, styles, picture format, folders, navigator,
// one file per page, width, background and opening the file; then the save-file dialog.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TComboBox;
class TEdit;
class TGroupBox;
class TLabel;
class TRadioButton;
class TSaveDialog;
class TrptHTMLExport;

class TrptHTMLExportDialog : public TForm {
    KORVEL_CLASS(TrptHTMLExportDialog, TForm)
public:
    explicit TrptHTMLExportDialog(TComponent* AOwner);

    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* GroupQuality = nullptr;
    TCheckBox* StylesCB = nullptr;
    TCheckBox* PicsSameCB = nullptr;
    TCheckBox* NavigatorCB = nullptr;
    TCheckBox* FixWidthCB = nullptr;
    TCheckBox* MultipageCB = nullptr;
    TCheckBox* BackgrCB = nullptr;
    TLabel* PicturesL = nullptr;
    // Items: "None", "JPEG", "BMP", "GIF", "PNG".
    TComboBox* PFormatCB = nullptr;
    TCheckBox* OpenAfterCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);
};

// The filter's ShowModal: loads the controls from the filter, shows the window, and on OK writes
// the answers back and asks for the file name (not for a slave export).
TModalResult RunHTMLExportDialog(TrptHTMLExport* Filter);
