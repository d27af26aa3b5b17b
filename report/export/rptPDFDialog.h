#pragma once
// The PDF export's option window: page range and export settings, document information,
// passwords and permissions, viewer preferences; then the save-file dialog.

#include "platform/ui/Forms.h"

class TButton;
class TCheckBox;
class TEdit;
class TGroupBox;
class TLabel;
class TPageControl;
class TRadioButton;
class TSaveDialog;
class TTabSheet;
class TrptPDFExport;

class TrptPDFExportDialog : public TForm {
    KORVEL_CLASS(TrptPDFExportDialog, TForm)
public:
    explicit TrptPDFExportDialog(TComponent* AOwner);

    TPageControl* PageControl1 = nullptr;
    TTabSheet* ExportPage = nullptr;
    TGroupBox* GroupPageRange = nullptr;
    TRadioButton* AllRB = nullptr;
    TRadioButton* CurPageRB = nullptr;
    TRadioButton* PageNumbersRB = nullptr;
    TEdit* PageNumbersE = nullptr;
    TLabel* DescrL = nullptr;
    TGroupBox* GroupQuality = nullptr;
    TCheckBox* CompressedCB = nullptr;
    TCheckBox* EmbeddedCB = nullptr;
    TCheckBox* BackgrCB = nullptr;
    TCheckBox* PrintOptCB = nullptr;
    TCheckBox* OutlineCB = nullptr;
    TLabel* Label2 = nullptr;
    TEdit* Quality = nullptr;
    TCheckBox* OpenCB = nullptr;
    TTabSheet* InfoPage = nullptr;
    TGroupBox* DocInfoGB = nullptr;
    TLabel *TitleL = nullptr, *AuthorL = nullptr, *SubjectL = nullptr, *KeywordsL = nullptr, *CreatorL = nullptr,
           *ProducerL = nullptr;
    TEdit *TitleE = nullptr, *AuthorE = nullptr, *SubjectE = nullptr, *KeywordsE = nullptr, *CreatorE = nullptr,
          *ProducerE = nullptr;
    TTabSheet* SecurityPage = nullptr;
    TGroupBox* SecGB = nullptr;
    TLabel* OwnPassL = nullptr;
    TLabel* UserPassL = nullptr;
    TEdit* OwnPassE = nullptr;
    TEdit* UserPassE = nullptr;
    TGroupBox* PermGB = nullptr;
    TCheckBox *PrintCB = nullptr, *ModCB = nullptr, *CopyCB = nullptr, *AnnotCB = nullptr;
    TTabSheet* ViewerPage = nullptr;
    TGroupBox* ViewerGB = nullptr;
    TCheckBox *HideToolbarCB = nullptr, *HideMenubarCB = nullptr, *HideWindowUICB = nullptr, *FitWindowCB = nullptr,
              *CenterWindowCB = nullptr, *PrintScalingCB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
    TSaveDialog* SaveDialog1 = nullptr;

    // Typing in the page edit selects "Pages:"; only digits, "," "-" and backspace get in.
    void PageNumbersEChange(TObject* Sender);
    void PageNumbersEKeyPress(TObject* Sender, QChar& Key);
};

// The filter's ShowModal with the dialog: loads the controls from the filter, shows the window,
// and on OK writes the answers back and asks for the file name. A password the PDF encoding
// cannot hold, or a quality that is not a number, is refused with a message and the window
// comes back with the answers given.
TModalResult RunPDFExportDialog(TrptPDFExport* Filter);
