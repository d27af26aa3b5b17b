#pragma once
// The options dialog: where the database file lives.

#include "platform/ui/Forms.h"

class TGroupBox;
class TRadioButton;
class TEdit;
class TSpeedButton;
class TLabel;
class TButton;
class TOpenDialog;

class TfrmOptionsKorvel : public TForm {
    KORVEL_CLASS(TfrmOptionsKorvel, TForm)
public:
    explicit TfrmOptionsKorvel(TComponent* AOwner);

    TGroupBox* gbDatabase = nullptr;
    TRadioButton* rbAppFolder = nullptr;
    TRadioButton* rbDBFilename = nullptr;
    TEdit* edFileName = nullptr;
    TSpeedButton* bOpenFile = nullptr;
    TLabel* lbPath = nullptr;
    TButton* bOK = nullptr;
    TButton* bCancel = nullptr;
    TOpenDialog* OpenDialog = nullptr;

    void FormShow(TObject* Sender);
    void rbAppFolderClick(TObject* Sender);
    void rbDBFilenameClick(TObject* Sender);
    void bOpenFileClick(TObject* Sender);
    void bOKClick(TObject* Sender);
    void bCancelClick(TObject* Sender);

private:
    void SetFileControlsEnabled(bool value);
};

extern TfrmOptionsKorvel* frmOptionsKorvel;
