#include "platform/ui/Mask.h"

#include "platform/rtl/SysUtils.h"

#include <QApplication>
#include <QLineEdit>
#include <QPointer>
#include <QSignalBlocker>

#include <algorithm>
#include <vector>

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

namespace {

struct TMaskPlace {
    bool Input = false;
    bool Required = false;
};

// One entry per character the field shows: a literal or a place for input.
std::vector<TMaskPlace> MaskPlaces(const QString& mask) {
    std::vector<TMaskPlace> places;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == QLatin1Char('>') || c == QLatin1Char('<') || c == QLatin1Char('!')) continue;
        if (c == QLatin1Char('\\')) {
            ++i;
            places.push_back({});
        } else if (IsMaskChar(c)) {
            places.push_back({true, QStringLiteral("0LAC").contains(c)});
        } else {
            places.push_back({});
        }
    }
    return places;
}

// Swallows the click that chose another control when leaving the field was refused: its press
// (still on its way when the exit is refused) and, when it comes before any other press, its
// release. A message box shown in between may take the release; then the next press of the
// user passes and ends this.
class TRefusedClickEater : public QObject {
public:
    explicit TRefusedClickEater(QWidget* window) : QObject(window), FWindow(window) {}
    bool eventFilter(QObject* o, QEvent* e) override {
        const QEvent::Type t = e->type();
        if (t != QEvent::MouseButtonPress && t != QEvent::MouseButtonDblClick && t != QEvent::MouseButtonRelease)
            return false;
        auto* w = qobject_cast<QWidget*>(o);
        if (!w || !FWindow || w->window() != FWindow) return false;
        if (!FPressEaten) {
            FPressEaten = t != QEvent::MouseButtonRelease;
            return true;
        }
        deleteLater();
        QApplication::instance()->removeEventFilter(this);
        return t == QEvent::MouseButtonRelease;
    }

private:
    QPointer<QWidget> FWindow;
    bool FPressEaten = false;
};

} // namespace

QString MaskedTextValue(const QString& editMask, const QString& value) {
    const TEditMaskParts p = SplitEditMask(editMask);
    const std::vector<TMaskPlace> places = MaskPlaces(p.Mask);
    QString out;
    bool typed = false;
    const int n = static_cast<int>(std::min<size_t>(places.size(), static_cast<size_t>(value.size())));
    for (int i = 0; i < n; ++i) {
        if (!places[i].Input) {
            if (p.SaveLiterals) out += value[i];
        } else if (value[i] != p.Blank) {
            out += value[i];
            typed = true;
        }
    }
    return typed ? out : QString();
}

bool MaskedTextComplete(const QString& editMask, const QString& value) {
    const TEditMaskParts p = SplitEditMask(editMask);
    const std::vector<TMaskPlace> places = MaskPlaces(p.Mask);
    bool typed = false, missing = false;
    for (size_t i = 0; i < places.size(); ++i) {
        if (!places[i].Input) continue;
        const bool blank = i >= static_cast<size_t>(value.size()) || value[static_cast<int>(i)] == p.Blank;
        if (!blank) typed = true;
        else if (places[i].Required) missing = true;
    }
    return !typed || !missing;
}

TCustomMaskEdit::TCustomMaskEdit(TComponent* AOwner) : TCustomEdit(AOwner) {}

void TCustomMaskEdit::SetEditMask(const QString& value) {
    if (value == FEditMask) return;
    const QString text = Text();
    FEditMask = value;
    if (FWidget) ApplyText(text);
}

void TCustomMaskEdit::InitWidget() {
    TCustomEdit::InitWidget();
    ApplyText(FText);
}

void TCustomMaskEdit::ApplyText(const QString& value) {
    QLineEdit* e = Line();
    const QSignalBlocker block(e);
    FRawShown = false;
    e->setInputMask(EditMaskToQt(FEditMask));
    e->setText(value);
    if (IsMasked() && !value.isEmpty() && MaskedTextValue(FEditMask, e->displayText()) != value) {
        // Forcing it into the mask would change it: shown and kept as it is.
        e->setInputMask(QString());
        e->setText(value);
        FRawShown = true;
    }
}

QString TCustomMaskEdit::EditText() const {
    if (!FWidget) return FText;
    return Line()->displayText();
}

void TCustomMaskEdit::SetEditText(const QString& value) { SetText(value); }

QString TCustomMaskEdit::GetText() const {
    if (!FWidget || !IsMasked()) return TCustomEdit::GetText();
    if (FRawShown) return Line()->text();
    return MaskedTextValue(FEditMask, Line()->displayText());
}

void TCustomMaskEdit::SetTextValue(const QString& value) {
    if (!FWidget || !IsMasked()) {
        TCustomEdit::SetTextValue(value);
        return;
    }
    FText = value;
    FEnterText = value;
    const QString before = GetText();
    const bool rawBefore = FRawShown;
    ApplyText(value);
    FModified = false;
    FEdited = false;
    if (GetText() != before || FRawShown != rawBefore) Guarded([this] { Change(); });
}

void TCustomMaskEdit::Change() {
    // The user edits a value shown as stored: from now on the mask rules what stands there.
    if (FModified) FEdited = true;
    if (FRawShown && FModified && FWidget) {
        QLineEdit* e = Line();
        const QString typed = e->text();
        {
            const QSignalBlocker block(e);
            e->setInputMask(EditMaskToQt(FEditMask));
            e->setText(typed);
            const QString shown = e->displayText();
            const TEditMaskParts p = SplitEditMask(FEditMask);
            const std::vector<TMaskPlace> places = MaskPlaces(p.Mask);
            int cursor = static_cast<int>(shown.size());
            for (size_t i = 0; i < places.size() && static_cast<int>(i) < shown.size(); ++i)
                if (places[i].Input && shown[static_cast<int>(i)] == p.Blank) {
                    cursor = static_cast<int>(i);
                    break;
                }
            e->setCursorPosition(cursor);
        }
        FRawShown = false;
    }
    TCustomEdit::Change();
}

bool TCustomMaskEdit::Incomplete() const {
    return FWidget && IsMasked() && !FRawShown && FEdited &&
           !MaskedTextComplete(FEditMask, Line()->displayText());
}

void TCustomMaskEdit::ValidateError() const {
    throw EDBEditError(QStringLiteral("Invalid input value in %1: \"%2\".  Use escape key to abandon changes")
                           .arg(Name().isEmpty() ? ClassName() : Name(), EditText()));
}

void TCustomMaskEdit::ValidateEdit() {
    if (!Incomplete()) return;
    if (!Focused() && CanFocus() && GetParentForm(this)) {
        FToFirstBlank = true;
        SetFocus();
        FToFirstBlank = false;
    }
    ValidateError();
}

void TCustomMaskEdit::Reset() {
    SetTextValue(FEnterText);
    SelectAll();
}

void TCustomMaskEdit::FocusGained() {
    const bool toBlank = FReEnter || FToFirstBlank;
    FToFirstBlank = false;
    if (!toBlank || !FWidget) {
        TCustomEdit::FocusGained();
        return;
    }
    // Back after a refused entry: the cursor waits at the first required place left empty.
    const QString shown = Line()->displayText();
    const TEditMaskParts p = SplitEditMask(FEditMask);
    const std::vector<TMaskPlace> places = MaskPlaces(p.Mask);
    for (size_t i = 0; i < places.size() && static_cast<int>(i) < shown.size(); ++i)
        if (places[i].Required && shown[static_cast<int>(i)] == p.Blank) {
            Line()->setCursorPosition(static_cast<int>(i));
            break;
        }
}

void TCustomMaskEdit::DoEnter() {
    if (FReEnter) {
        FReEnter = false;
        return;
    }
    FEnterText = Text();
    TCustomEdit::DoEnter();
}

void TCustomMaskEdit::DoExit() {
    // Leaving for another control of the same window with an incomplete entry: the focus comes
    // back, and the click that chose the other control does not reach it.
    QWidget* to = QApplication::focusWidget();
    if (Incomplete() && to && to->window() == FWidget->window()) {
        if (FFocusReason == Qt::MouseFocusReason)
            QApplication::instance()->installEventFilter(new TRefusedClickEater(FWidget->window()));
        FReEnter = true;
        FWidget->setFocus(Qt::OtherFocusReason);
        if (!Focused()) FReEnter = false;
        ValidateError();
    }
    TCustomEdit::DoExit();
}

bool TCustomMaskEdit::ChildKey(Word& Key, TWinControl* Sender) {
    if (Sender == this && Key == VK_ESCAPE && IsMasked() && FEdited) {
        Reset();
        return true;
    }
    return TCustomEdit::ChildKey(Key, Sender);
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TCustomMaskEdit) {}
KORVEL_CLASS_INFO(TMaskEdit) {
    b.Prop("EditMask", &TMaskEdit::EditMask, &TMaskEdit::SetEditMask).Type("TEditMask");
}
