#pragma once
// The masked edit. Masks use the classic syntax: "!99/99/0000;1;_" is the mask, then whether
// literals are kept in Text (1) or left out (0), then the character shown for blanks.
//   0 digit, 9 optional digit, # optional digit or sign, L letter, l optional letter,
//   A letter or digit, a optional letter or digit, C any character, c optional character,
//   > upper case from here, < lower case, <> no conversion, \ next character literal,
//   ! trailing blanks trimmed, : and / the time and date separators.

#include "platform/ui/StdCtrls.h"

KORVEL_EXCEPTION(EDBEditError, Exception)

struct TEditMaskParts {
    QString Mask;       // the mask field alone
    bool SaveLiterals = true;
    QChar Blank = QLatin1Char('_');
};

TEditMaskParts SplitEditMask(const QString& editMask);
// The same mask in Qt's input-mask notation (empty for an empty mask).
QString EditMaskToQt(const QString& editMask);
// The text as a mask keeps it in Text, from the shown text: the characters typed into the
// mask's places, with the literals when the mask keeps them. Places left blank add nothing, and a
// field where nothing was typed gives an empty text. (Not the formatting routine FormatMaskText
// of the runtime library, which inserts literals.)
QString MaskedTextValue(const QString& editMask, const QString& value);
// Whether a shown text fills every place the mask requires ("0", "L", "A", "C"); a field where
// nothing was typed counts as complete, since it stands for no value.
bool MaskedTextComplete(const QString& editMask, const QString& value);

// A masked edit. A value the mask cannot hold (a stored text of another form) is shown as it is
// and kept in Text until the user edits it; the first edit applies the mask to what then stands
// in the field. An incomplete entry is refused when the focus goes to another control of the
// window: the focus comes back and EDBEditError names the field. Esc brings back the value the
// field had when it was entered.
class TCustomMaskEdit : public TCustomEdit {
    KORVEL_CLASS(TCustomMaskEdit, TCustomEdit)
public:
    explicit TCustomMaskEdit(TComponent* AOwner);

    const QString& EditMask() const { return FEditMask; }
    void SetEditMask(const QString& value);
    // The text with the mask's literals and blanks, as shown.
    QString EditText() const;
    void SetEditText(const QString& value);
    bool IsMasked() const { return !FEditMask.isEmpty(); }
    // True while a value the mask cannot hold is shown unchanged.
    bool ShowsUnmaskedValue() const { return FRawShown; }
    // Raises EDBEditError naming the field when the user left a required place empty, and
    // puts the focus on the field.
    void ValidateEdit();
    // Back to the value the field had when it was entered.
    void Reset();

protected:
    void InitWidget() override;
    QString GetText() const override;
    void SetTextValue(const QString& value) override;
    void Change() override;
    void FocusGained() override;
    void DoEnter() override;
    void DoExit() override;
    bool ChildKey(Word& Key, TWinControl* Sender) override;
    // Shows value: in the mask when the mask holds it, as it is otherwise.
    void ApplyText(const QString& value);
    bool Incomplete() const;
    [[noreturn]] void ValidateError() const;

    QString FEditMask;
    bool FRawShown = false;
    // Typed into since the program last set the text. Kept apart from Modified, which change
    // handlers may clear.
    bool FEdited = false;
    bool FReEnter = false; // the focus comes back after a refused exit: no new visit
    bool FToFirstBlank = false; // the next focus puts the cursor on the first place left empty
    QString FEnterText;
};

class TMaskEdit : public TCustomMaskEdit {
    KORVEL_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
