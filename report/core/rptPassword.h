#pragma once
// The window that asks for the password of a protected template.

#include "platform/ui/Forms.h"

class TButton;
class TEdit;
class TImage;
class TLabel;

class TrptPasswordForm : public TForm {
    KORVEL_CLASS(TrptPasswordForm, TForm)
public:
    explicit TrptPasswordForm(TComponent* AOwner);

    TImage* Image = nullptr;
    TLabel* PasswordL = nullptr;
    TEdit* PasswordE = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;
};

// Shows the window modally (owned by the application) and returns whether it was closed with
// OK; typed receives the text of the edit.
bool AskReportPassword(QString& typed);
