// The scanner: reads the source one token at a time. Macros are read from a stack of frames over
// the source instead of being spliced into it, so expanding costs the macro's length only.

#include "formula/formula.h"

#include "formula/formulaf.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <cmath>

namespace {

bool IsDigit(QChar c) { return c.unicode() >= u'0' && c.unicode() <= u'9'; }
bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= u'0' && u <= u'9') || (u >= u'A' && u <= u'F') || (u >= u'a' && u <= u'f');
}
bool IsBlank(QChar c) {
    const char16_t u = c.unicode();
    return u == u'\t' || u == u'\n' || u == u'\r' || u == u' ';
}

} // namespace

void DUvuRarodar::StartScan(const QString& text) {
    input = text;
    frames.clear();
    frames.push_back({text, 0});
    fexpanded = 0;
    fexpandlimit = 8 * static_cast<qint64>(text.size()) + 65536;
}

bool DUvuRarodar::AtEnd() const {
    const ScanFrame& f = frames.back();
    return f.idx >= f.text.size();
}

QChar DUvuRarodar::Cur() const {
    const ScanFrame& f = frames.back();
    return f.idx < f.text.size() ? f.text[f.idx] : QChar(0);
}

QChar DUvuRarodar::Ahead() const {
    // The character after the current one, looking through finished macro texts.
    for (size_t k = frames.size(); k-- > 0;) {
        const ScanFrame& f = frames[k];
        const int at = f.idx + (k + 1 == frames.size() ? 1 : 0);
        if (at < f.text.size()) return f.text[at];
    }
    return QChar(0);
}

void DUvuRarodar::Advance() {
    ScanFrame& f = frames.back();
    if (f.idx >= f.text.size()) return;
    if (f.text.at(f.idx) == QLatin1Char('\n')) {
        ++lines;
        spos = 1;
        soffset = 0;
        xsoffset = 0;
    } else {
        ++spos;
    }
    ++pos;
    ++f.idx;
    while (frames.size() > 1 && frames.back().idx >= frames.back().text.size()) frames.pop_back();
}

DUvuRarodar::ScanState DUvuRarodar::SaveScan() const { return {frames, pos, spos, lines, offset, soffset, xsoffset}; }

void DUvuRarodar::RestoreScan(const ScanState& s) {
    frames = s.frames;
    pos = s.pos;
    spos = s.spos;
    lines = s.lines;
    offset = s.offset;
    soffset = s.soffset;
    xsoffset = s.xsoffset;
}

void DUvuRarodar::LimitError(const QString& text) {
    flimitmsg = text;
    if (ferror == ER_Ok) ferror = ER_SYNTAX;
    throw FormulaException(text);
}

void DUvuRarodar::ExpandMacro(const QString& ident, const QString& text) {
    fexpanded += text.size() + 1;
    if (fexpanded > fexpandlimit)
        LimitError(QStringLiteral("Macros expand to more than %1 characters").arg(fexpandlimit));
    if (static_cast<int>(frames.size()) > kMaxMacroDepth)
        LimitError(QStringLiteral("Macros nested deeper than %1 levels").arg(kMaxMacroDepth));
    // Positions as if the text had been put in place of the name.
    pos -= ident.size();
    spos -= ident.size();
    offset += ident.size() - text.size();
    soffset += ident.size() - text.size();
    if (!text.isEmpty()) frames.push_back({text, 0});
}

QString DUvuRarodar::RawToLineEnd() {
    QString v;
    while (!AtEnd()) {
        const QChar c = Cur();
        if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r')) break;
        v += c;
        Advance();
    }
    return v;
}

bool DUvuRarodar::FollowerIs(int code) {
    const ScanState saved = SaveScan();
    const TFormulaError e = ferror;
    const QString t = tmp;
    const double d = data;
    const int next = NextToken(false, true, true, true);
    if (next == code) return true;
    RestoreScan(saved);
    ferror = e;
    tmp = t;
    data = d;
    return false;
}

int DUvuRarodar::NextToken(bool peek, bool textmode, bool nolookup, bool follower) {
    if (peek) {
        const ScanState saved = SaveScan();
        const int t = NextToken(false, textmode, nolookup, follower);
        RestoreScan(saved);
        return t;
    }
    ferror = ER_Ok;
    tmp.clear();
    fkeyword = false;
    for (;;) {
        // Blanks, then one brace comment with the braces and blanks after it.
        while (!AtEnd() && IsBlank(Cur())) Advance();
        if (Cur() == QLatin1Char('{')) {
            while (!AtEnd() && Cur() != QLatin1Char('}')) Advance();
            while (!AtEnd() && (Cur() == QLatin1Char('}') || IsBlank(Cur()))) Advance();
        }
        if (Cur() == QLatin1Char('/') && Ahead() == QLatin1Char('/')) {
            while (!AtEnd() && Cur() != QLatin1Char('\n')) Advance();
            Advance();
            continue;
        }
        const QChar c = Cur();
        if (AtEnd() || c.unicode() == 0) return 255;

        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('#')) {
            while (!AtEnd() && (Cur() == QLatin1Char('\'') || Cur() == QLatin1Char('"') || Cur() == QLatin1Char('#'))) {
                const QChar q = Cur();
                Advance();
                if (q == QLatin1Char('#')) {
                    if (!IsDigit(Cur())) {
                        ferror = ER_SYNTAX;
                        return 0;
                    }
                    unsigned code = 0;
                    while (IsDigit(Cur())) {
                        code = (code * 10 + (Cur().unicode() - u'0')) % 65536u;
                        Advance();
                    }
                    tmp += QChar(static_cast<char16_t>(code));
                    continue;
                }
                bool any = false;
                for (;;) {
                    if (AtEnd()) {
                        ferror = ER_SYNTAX; // no closing quote before the end
                        return 0;
                    }
                    const QChar d = Cur();
                    if (d == q) {
                        if (any && Ahead() == q) {
                            tmp += q;
                            Advance();
                            Advance();
                            continue;
                        }
                        Advance();
                        break;
                    }
                    tmp += d;
                    any = true;
                    Advance();
                }
            }
            return 246;
        }

        if (fvarname.contains(c)) {
            QString ident;
            while (!AtEnd() && (fvarname.contains(Cur()) || IsDigit(Cur()))) {
                ident += Cur();
                Advance();
            }
            tmp = ident;
            const QString upper = UpperCase(ident);
            static const struct {
                const char* word;
                int code;
            } keywords[] = {{"GLOBAL", 222}, {"CONST", 221}, {"SUB", 220}, {"XOR", 247}, {"BXOR", 228},
                            {"LIKE", 223}, {"PI", 254}, {"CONDITION", 244}, {"LOOP", 243}, {"TILL", 239},
                            {"SERIES", 238}, {"RETURN", 224}};
            for (const auto& k : keywords)
                if (upper == QLatin1String(k.word)) {
                    fkeyword = true;
                    data = k.code == 254 ? 3.141592653589793 : -1;
                    return k.code;
                }
            if (!fconstsection) {
                bool expanded = false;
                for (const TConstItem& m : ConstTable)
                    if (m.name == upper) {
                        ExpandMacro(ident, m.value);
                        expanded = true;
                        break;
                    }
                if (expanded) {
                    tmp.clear();
                    continue;
                }
            }
            if (nolookup) return 235;
            const int t = LookupName(ident);
            if (t != 235) return t;
            if (fexgetvar) return 231;
            if (funquotedstring || textmode) return 246;
            ferror = ER_UNKNOWN;
            --pos;
            --spos;
            return 0;
        }

        if (c == QLatin1Char('$')) {
            Advance();
            if (!IsDigit(Cur())) return 36;
            quint64 v = 0;
            bool tooBig = false;
            while (IsHexDigit(Cur())) {
                const char16_t u = Cur().unicode();
                const unsigned d = u <= u'9' ? u - u'0' : (u <= u'F' ? u - u'A' + 10 : u - u'a' + 10);
                v = v * 16 + d;
                if (v > 0xFFFFFFFFull) tooBig = true, v = 0xFFFFFFFFull + 1;
                Advance();
            }
            if (tooBig) {
                ferror = ER_SYNTAX;
                return 0;
            }
            data = static_cast<qint32>(static_cast<quint32>(v));
            return 254;
        }

        if (IsDigit(c) || (fnozero && c == QLatin1Char('.') && IsDigit(Ahead()))) {
            QString num;
            while (IsDigit(Cur())) num += Cur(), Advance();
            if (Cur() == QLatin1Char('.')) {
                num += Cur(), Advance();
                while (IsDigit(Cur())) num += Cur(), Advance();
            }
            if (Cur() == QLatin1Char('E') || Cur() == QLatin1Char('e')) {
                num += Cur(), Advance();
                if (Cur() == QLatin1Char('+') || Cur() == QLatin1Char('-')) num += Cur(), Advance();
                while (IsDigit(Cur())) num += Cur(), Advance();
            }
            double v = 0;
            if (!TryStrToFloat(num, v, TFormatSettings::Invariant()) || !std::isfinite(v)) {
                ferror = ER_SYNTAX;
                return 0;
            }
            data = v;
            return 254;
        }

        const char16_t u = c.unicode();
        switch (u) {
        case u'!': case u'%': case u'&': case u'(': case u')': case u'*': case u'+': case u',': case u'-':
        case u'.': case u'/': case u';': case u'@': case u'[': case u'\\': case u']': case u'^': case u'|': {
            Advance();
            if (follower) return u == u';' ? u',' : u;
            switch (u) {
            case u';': return FollowerIs(u')') ? u')' : u',';
            case u'+': return FollowerIs(u'+') ? 237 : u;
            case u'-': return FollowerIs(u'-') ? 236 : u;
            case u'|': return FollowerIs(u'|') ? 227 : u;
            case u'&': return FollowerIs(u'&') ? 226 : u;
            case u'!': return FollowerIs(u'!') ? 225 : u;
            default: return u;
            }
        }
        case u':':
            Advance();
            if (Cur() == QLatin1Char('=')) {
                Advance();
                return 240;
            }
            ferror = ER_SYNTAX;
            return 0;
        case u'=':
            Advance();
            if (Cur() == QLatin1Char('=')) {
                Advance();
                return 223;
            }
            return u'=';
        case u'>':
            Advance();
            if (Cur() == QLatin1Char('=')) return Advance(), 250;
            if (Cur() == QLatin1Char('>')) return Advance(), 229;
            return u'>';
        case u'<':
            Advance();
            if (Cur() == QLatin1Char('=')) return Advance(), 249;
            if (Cur() == QLatin1Char('<')) return Advance(), 230;
            if (Cur() == QLatin1Char('>')) return Advance(), 252;
            return u'<';
        default:
            ferror = ER_ILLEGAL;
            fillegal = c;
            return 0;
        }
    }
}

int DUvuRarodar::LookupName(const QString& text) {
    const QString upper = UpperCase(text);
    const auto& table = *fbuiltins;
    for (size_t i = 0; i < table.size(); ++i)
        if (table[i].name == upper) {
            data = static_cast<double>(i);
            return 245;
        }
    for (size_t i = 0; i < userfunc.size(); ++i)
        if (userfunc[i]->name == upper) {
            data = static_cast<double>(i);
            return 248;
        }
    for (int i = 0; i < pformula->paramcount && i < pformula->varnames.size(); ++i)
        if (SameName(pformula->varnames[i], text)) {
            data = i;
            if (pformula == &formula && i < static_cast<int>(usedvars.size())) usedvars[static_cast<size_t>(i)] = true;
            return 253;
        }
    if (pformula != &formula)
        for (int i = 0; i < formula.paramcount && i < formula.varnames.size(); ++i)
            if (SameName(formula.varnames[i], text)) {
                data = i;
                return 222;
            }
    const int sub = FindSub(text);
    if (sub >= 0) {
        data = sub;
        return 220;
    }
    return 235;
}
