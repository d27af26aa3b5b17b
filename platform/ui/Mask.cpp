#include "platform/ui/Mask.h"

#include "platform/rtl/SysUtils.h"

#include <QLineEdit>

TEditMaskParts SplitEditMask(const QString& editMask) {
    TEditMaskParts p;
    // The fields are separated by unescaped ';' counted from the end.
    QStringList fields;
    QString cur;
    for (int i = 0; i < editMask.size(); ++i) {
        if (editMask[i] == QLatin1Char('\\') && i + 1 < editMask.size()) {
            cur += editMask[i];
            cur += editMask[++i];
        } else if (editMask[i] == QLatin1Char(';')) {
            fields << cur;
            cur.clear();
        } else {
            cur += editMask[i];
        }
    }
    fields << cur;
    if (fields.size() >= 3) {
        p.Blank = fields[2].isEmpty() ? QLatin1Char(' ') : fields[2][0];
        p.SaveLiterals = fields[1] != QLatin1String("0");
        p.Mask = fields.mid(0, fields.size() - 2).join(QLatin1Char(';'));
    } else if (fields.size() == 2) {
        p.SaveLiterals = fields[1] != QLatin1String("0");
        p.Mask = fields[0];
    } else {
        p.Mask = fields[0];
    }
    return p;
}

namespace {

bool IsMaskChar(QChar c) {
    return QStringLiteral("09#LlAaCc").contains(c);
}

} // namespace

QString EditMaskToQt(const QString& editMask) {
    if (editMask.isEmpty()) return {};
    const TEditMaskParts p = SplitEditMask(editMask);
    const TFormatSettings& fs = FormatSettings();
    QString out;
    const QString& m = p.Mask;
    for (int i = 0; i < m.size(); ++i) {
        const QChar c = m[i];
        switch (c.unicode()) {
        case '0': out += QLatin1Char('9'); break;
        case '9': out += QLatin1Char('0'); break;
        case '#': out += QLatin1Char('#'); break;
        case 'L': out += QLatin1Char('A'); break;
        case 'l': out += QLatin1Char('a'); break;
        case 'A': out += QLatin1Char('N'); break;
        case 'a': out += QLatin1Char('n'); break;
        case 'C': out += QLatin1Char('X'); break;
        case 'c': out += QLatin1Char('x'); break;
        case '>':
            if (i + 1 < m.size() && m[i + 1] == QLatin1Char('<')) {
                out += QLatin1Char('!');
                ++i;
            } else {
                out += QLatin1Char('>');
            }
            break;
        case '<': out += QLatin1Char('<'); break;
        case '!': break;
        case ':': out += QLatin1Char('\\') + QString(fs.TimeSeparator); break;
        case '/': out += QLatin1Char('\\') + QString(fs.DateSeparator); break;
        case '\\':
            if (i + 1 < m.size()) {
                out += QLatin1Char('\\');
                out += m[++i];
            }
            break;
        default:
            // Everything else is a literal; Qt needs its own mask letters escaped.
            if (QStringLiteral("AaNnXx90Dd#HhBb><!{}[]\\;").contains(c)) out += QLatin1Char('\\');
            out += c;
            break;
        }
    }
    out += QLatin1Char(';');
    out += p.Blank;
    return out;
}

QString MaskedTextValue(const QString& editMask, const QString& value) {
    const TEditMaskParts p = SplitEditMask(editMask);
    if (p.SaveLiterals) return value;
    // Keep only the characters typed into mask positions.
    QString out;
    int vi = 0;
    const QString& m = p.Mask;
    for (int i = 0; i < m.size() && vi < value.size(); ++i) {
        const QChar c = m[i];
        if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('\\')) {
            ++i;
            ++vi;
            continue;
        }
        if (IsMaskChar(c)) {
            if (value[vi] != p.Blank) out += value[vi];
        }
        ++vi;
    }
    return out;
}

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const QString& value) {
    FEditMask = value;
    if (FWidget) Line()->setInputMask(EditMaskToQt(value));
}

void TCustomMaskEdit::InitWidget() {
    TCustomEdit::InitWidget();
    Line()->setInputMask(EditMaskToQt(FEditMask));
    if (!FText.isEmpty()) Line()->setText(FText);
}

QString TCustomMaskEdit::EditText() const {
    if (!FWidget) return FText;
    return Line()->displayText();
}

void TCustomMaskEdit::SetEditText(const QString& value) { SetText(value); }

QString TCustomMaskEdit::GetText() const {
    if (!FWidget || FEditMask.isEmpty()) return TCustomEdit::GetText();
    return MaskedTextValue(FEditMask, Line()->displayText());
}

void TCustomMaskEdit::SetTextValue(const QString& value) { TCustomEdit::SetTextValue(value); }

void TCustomMaskEdit::ValidateEdit() {
    if (!FWidget || FEditMask.isEmpty()) return;
    if (!Line()->hasAcceptableInput())
        throw EDBEditError(QStringLiteral("Invalid input value.  Use escape key to abandon changes"));
}

void TCustomMaskEdit::DoExit() { TCustomEdit::DoExit(); }

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TCustomMaskEdit) {}
KORVEL_CLASS_INFO(TMaskEdit) {
    b.Prop("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask).Type("TEditMask");
}
