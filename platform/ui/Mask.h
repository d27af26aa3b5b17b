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
// The text as a mask keeps it in Text: literals dropped when the mask says so. (Not the
// formatting routine FormatMaskText of the runtime library, which inserts literals.)
QString MaskedTextValue(const QString& editMask, const QString& value);

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
    // Raises EDBEditError when a required position is empty.
    void ValidateEdit();

protected:
    void InitWidget() override;
    QString GetText() const override;
    void SetTextValue(const QString& value) override;
    void DoExit() override;

    QString FEditMask;
};

class TMaskEdit : public TCustomMaskEdit {
    KORVEL_CLASS(TMaskEdit, TCustomMaskEdit)
public:
    explicit TMaskEdit(TComponent* AOwner) : TCustomMaskEdit(AOwner) {}
};
