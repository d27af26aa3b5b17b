#pragma once
// The window that asks what to do when a report made an heir of a parent template has objects
// named like the parent's: delete the report's duplicates or rename them; and the error of a
// parent template that is missing, damaged or that leads back to its heir.

#include "platform/rtl/Exceptions.h"
#include "platform/ui/Forms.h"

KORVEL_EXCEPTION(EParentTemplateError, Exception)

class TButton;
class TImageList;
class TLabel;
class TPaintBox;
class TRadioButton;

class TrptInheritErrorForm : public TForm {
    KORVEL_CLASS(TrptInheritErrorForm, TForm)
public:
    explicit TrptInheritErrorForm(TComponent* AOwner);

    TPaintBox* PaintBox = nullptr;
    TImageList* ImageList = nullptr;
    TLabel* MessageL = nullptr;
    TRadioButton* DeleteRB = nullptr;
    TRadioButton* RenameRB = nullptr;
    TButton* OkB = nullptr;
    TButton* CancelB = nullptr;

private:
    void PaintBoxPaint(TObject* Sender);
};
