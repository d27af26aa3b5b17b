// Edit-mask formatting of a value (FormatMaskText).

#include "platform/rtl/SysUtils.h"

namespace {

enum class TMaskCharKind { Literal, Input, Directive };

struct TMaskChar {
    TMaskCharKind Kind;
    QChar Char; // the literal to insert, or the mask letter
};

bool IsInputLetter(QChar c) {
    switch (c.unicode()) {
    case 'L':
    case 'l':
    case 'A':
    case 'a':
    case 'C':
    case 'c':
    case '0':
    case '9':
    case '#':
        return true;
    default:
        return false;
    }
}

struct TMask {
    std::vector<TMaskChar> Chars;
    bool SaveLiterals = true;
    bool Reverse = false;
};

// The mask's fields: the separators only count among the last four characters, so a mask may
// use ";" as a literal earlier on.
TMask ParseMask(const QString& editMask, const TFormatSettings& fs) {
    TMask m;
    QString mask = editMask;
    QString fields;
    const int n = static_cast<int>(editMask.size());
    for (int i = std::max(0, n - 4); i < n; ++i) {
        if (editMask[i] == QLatin1Char(';') && !(i > 0 && editMask[i - 1] == QLatin1Char('\\'))) {
            mask = editMask.left(i);
            fields = editMask.mid(i + 1);
            break;
        }
    }
    if (!fields.isEmpty() && fields[0] == QLatin1Char('0')) m.SaveLiterals = false;
    for (int i = 0; i < mask.size(); ++i) {
        const QChar c = mask[i];
        if (c == QLatin1Char('\\') && i + 1 < mask.size()) {
            m.Chars.push_back({TMaskCharKind::Literal, mask[++i]});
        } else if (c == QLatin1Char('!')) {
            m.Reverse = true;
            m.Chars.push_back({TMaskCharKind::Directive, c});
        } else if (c == QLatin1Char('<') || c == QLatin1Char('>') || c == QLatin1Char('\\')) {
            m.Chars.push_back({TMaskCharKind::Directive, c});
        } else if (IsInputLetter(c)) {
            m.Chars.push_back({TMaskCharKind::Input, c});
        } else if (c == QLatin1Char('/')) {
            m.Chars.push_back({TMaskCharKind::Literal, fs.DateSeparator});
        } else if (c == QLatin1Char(':')) {
            m.Chars.push_back({TMaskCharKind::Literal, fs.TimeSeparator});
        } else if (c == QLatin1Char('_')) {
            m.Chars.push_back({TMaskCharKind::Literal, QLatin1Char(' ')});
        } else {
            m.Chars.push_back({TMaskCharKind::Literal, c});
        }
    }
    return m;
}

// Input without literals: the literals are inserted and missing characters become blanks.
QString InsertLiterals(const TMask& m, const QString& value, QChar blank) {
    QString out;
    if (!m.Reverse) {
        int pos = 0;
        for (const TMaskChar& mc : m.Chars) {
            if (mc.Kind == TMaskCharKind::Literal)
                out += mc.Char;
            else if (mc.Kind == TMaskCharKind::Input)
                out += pos < value.size() ? value[pos++] : blank;
        }
        out += QStringView(value).mid(std::min<qsizetype>(pos, value.size()));
        return out;
    }
    // From the right: the value's last character fills the mask's last input position.
    int pos = static_cast<int>(value.size()) - 1;
    for (auto it = m.Chars.rbegin(); it != m.Chars.rend(); ++it) {
        if (it->Kind == TMaskCharKind::Literal)
            out.prepend(it->Char);
        else if (it->Kind == TMaskCharKind::Input)
            out.prepend(pos >= 0 ? value[pos--] : blank);
    }
    if (pos >= 0) out.prepend(QStringView(value).left(pos + 1));
    return out;
}

// Input that already holds the literals: each sub-field between literals is padded to the mask.
QString PadSubFields(const TMask& m, const QString& value, QChar blank) {
    QString out;
    int pos = 0;
    const int n = static_cast<int>(value.size());
    for (size_t k = 0; k < m.Chars.size(); ++k) {
        const TMaskChar& mc = m.Chars[k];
        if (mc.Kind == TMaskCharKind::Literal) {
            out += mc.Char;
            if (pos < n && value[pos] == mc.Char) ++pos;
        } else if (mc.Kind == TMaskCharKind::Input) {
            // A literal of the mask met early in the value ends the sub-field: pad it.
            bool atLiteral = false;
            for (size_t j = k + 1; j < m.Chars.size(); ++j) {
                if (m.Chars[j].Kind == TMaskCharKind::Literal) {
                    atLiteral = pos < n && value[pos] == m.Chars[j].Char;
                    break;
                }
            }
            if (pos < n && !atLiteral)
                out += value[pos++];
            else
                out += blank;
        }
    }
    out += QStringView(value).mid(std::min(pos, n));
    return out;
}

} // namespace

QString FormatMaskText(const QString& editMask, const QString& value, const TFormatSettings& fs) {
    const TMask m = ParseMask(editMask, fs);
    const QChar blank = QLatin1Char(' ');
    return m.SaveLiterals ? PadSubFields(m, value, blank) : InsertLiterals(m, value, blank);
}

QString FormatMaskText(const QString& editMask, const QString& value) {
    return FormatMaskText(editMask, value, FormatSettings());
}
