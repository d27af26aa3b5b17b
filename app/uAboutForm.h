#pragma once
// The about box: a picture, a line of text and OK.

#include "platform/ui/Forms.h"

class TImage;
class TLabel;
class TButton;

class TfrmKorvelAbout : public TForm {
    KORVEL_CLASS(TfrmKorvelAbout, TForm)
public:
    explicit TfrmKorvelAbout(TComponent* AOwner);

    TImage* Image = nullptr;
    TLabel* lbText = nullptr;
    TButton* bOK = nullptr;
};

extern TfrmKorvelAbout* frmKorvelAbout;
