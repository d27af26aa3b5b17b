#include "script/sc_iparser.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextCase.h"

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TscKeywordList

int CompareAsciiNoCase(QStringView a, QStringView b) {
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x >= 'a' && x <= 'z') x -= 32;
        if (y >= 'a' && y <= 'z') y -= 32;
        if (x != y) return x < y ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

bool TscKeywordList::Find(const QString& s, int& index) const {
    int lo = 0, hi = Count() - 1;
    while (lo <= hi) {
        const int mid = (lo + hi) / 2;
        const int c = CompareAsciiNoCase(FItems.at(mid), s);
        if (c == 0) {
            index = mid;
            return true;
        }
        if (c < 0)
            lo = mid + 1;
        else
            hi = mid - 1;
    }
    index = lo;
    return false;
}

void TscKeywordList::Add(const QString& s) {
    int index = 0;
    if (Find(s, index)) return;
    FItems.insert(index, s);
}

// ---------------------------------------------------------------------------------------------
// TscParser

namespace {

// Comma text: commas and blanks separate items, double quotes group (a doubled quote inside).
QStringList SplitCommaText(const QString& s) {
    QStringList r;
    int i = 0;
    const int n = s.size();
    auto skipSep = [&] {
        while (i < n && s[i].unicode() <= ' ')
            ++i;
    };
    skipSep();
    while (i < n) {
        QString item;
        if (s[i] == u'"') {
            ++i;
            while (i < n) {
                if (s[i] == u'"') {
                    if (i + 1 < n && s[i + 1] == u'"') {
                        item += u'"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += s[i++];
            }
        } else {
            while (i < n && s[i].unicode() > ' ' && s[i] != u',')
                item += s[i++];
        }
        r << item;
        skipSep();
        if (i < n && s[i] == u',') {
            ++i;
            skipSep();
            if (i >= n) r << QString();
        }
    }
    return r;
}

bool IsDigit(QChar c) {
    return c >= u'0' && c <= u'9';
}
bool IsHexDigit(QChar c) {
    return IsDigit(c) || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
}
int HexValue(QChar c) {
    if (IsDigit(c)) return c.unicode() - '0';
    if (c >= u'a') return c.unicode() - 'a' + 10;
    return c.unicode() - 'A' + 10;
}
bool IsPunctuation(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 33 && u <= 47) || (u >= 58 && u <= 64) || (u >= 91 && u <= 96) || (u >= 123 && u <= 126);
}
bool IsStringEnd(QChar c) {
    return c.unicode() < 32 && c.unicode() != 9;
}

constexpr uint MaxCode = 0x10FFFF;

} // namespace

TscParser::TscParser() {
    Clear();
}

TscParser::~TscParser() = default;

void TscParser::Clear() {
    FKeywords.Clear();
    FSpecStrChar = false;
    FCommentLine1 = QStringLiteral("//");
    SetCommentBlock1(QStringLiteral("{,}"));
    SetCommentBlock2(QStringLiteral("(*,*)"));
    FHexSequence = QStringLiteral("$");
    ConstructCharset(QStringLiteral("_0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ"));
    FSkiPChar.clear();
    FSkipEOL = true;
    FStringQuotes = QStringLiteral("'");
    FSkipSpace = true;
}

void TscParser::SetCommentBlock1(const QString& value) {
    FCommentBlock1 = value;
    FCommentBlock11.clear();
    FCommentBlock12.clear();
    const QStringList parts = SplitCommaText(value);
    if (parts.size() > 0) FCommentBlock11 = parts[0];
    if (parts.size() > 1) FCommentBlock12 = parts[1];
}

void TscParser::SetCommentBlock2(const QString& value) {
    FCommentBlock2 = value;
    FCommentBlock21.clear();
    FCommentBlock22.clear();
    const QStringList parts = SplitCommaText(value);
    if (parts.size() > 0) FCommentBlock21 = parts[0];
    if (parts.size() > 1) FCommentBlock22 = parts[1];
}

void TscParser::SetPosition(int value) {
    FPosition = std::clamp(value, 1, FSize + 1);
    FLastPosition = FPosition;
}

void TscParser::SetText(const QString& value) {
    FText = value;
    FText += QChar(0);
    FSize = static_cast<int>(value.size());
    FPosition = FLastPosition = 1;
    FError.clear();
    FErrorPos.clear();
    if (FUseY) {
        FYList.clear();
        FYList.append(0);
        for (int i = 0; i < FSize; ++i)
            if (value[i] == u'\n') FYList.append(i + 1);
    }
}

void TscParser::ConstructCharset(const QString& chars) {
    FIdentifierCharset.reset();
    for (QChar c : chars)
        FIdentifierCharset.set(c.unicode() & 0xFF);
}

bool TscParser::IsBlank(QChar c) const {
    const char16_t u = c.unicode();
    if (u > 32) return false;
    return !(u == 13 && !FSkipEOL);
}

bool TscParser::IsIdentStart(QChar c) const {
    const char16_t u = c.unicode();
    if (u >= 127) return true;
    return FIdentifierCharset.test(u) && !IsDigit(c);
}

bool TscParser::IsIdentPart(QChar c) const {
    const char16_t u = c.unicode();
    return u >= 127 || FIdentifierCharset.test(u);
}

bool TscParser::StartsWithAt(int pos, const QString& marker) const {
    if (marker.isEmpty()) return false;
    return QStringView(FText).mid(pos - 1, marker.size()) == marker;
}

// A marker that ends in an identifier character only counts when no identifier character follows
// it: "rem" opens a comment, "remaining" is a name.
bool TscParser::LineCommentAt(int pos, const QString& marker) const {
    if (!StartsWithAt(pos, marker)) return false;
    return !(IsIdentPart(marker.back()) && IsIdentPart(Ch(pos + static_cast<int>(marker.size()))));
}

void TscParser::SkipEOLChars() {
    while (FPosition <= FSize && (Ch(FPosition) == u'\r' || Ch(FPosition) == u'\n'))
        ++FPosition;
}

void TscParser::SkipSpaces() {
    // A continuation character joins the next line to this one: blanks and comments behind it
    // are skipped, then its line end.
    bool joinLine = false;
    for (;;) {
        while (FPosition <= FSize && IsBlank(Ch(FPosition)))
            ++FPosition;
        if (!FSkiPChar.isEmpty() && FPosition <= FSize && Ch(FPosition) == FSkiPChar[0]) {
            ++FPosition;
            joinLine = true;
            continue;
        }
        if (FPosition < FSize) {
            if (LineCommentAt(FPosition, FCommentLine1) || LineCommentAt(FPosition, FCommentLine2)) {
                const bool stopAtCR = FPosition > 1 && Ch(FPosition - 1) != u'\n' && !FSkipEOL;
                while (FPosition <= FSize && Ch(FPosition) != u'\n' && !(stopAtCR && Ch(FPosition) == u'\r'))
                    ++FPosition;
                continue;
            }
            QString closing;
            if (StartsWithAt(FPosition, FCommentBlock11))
                closing = FCommentBlock12;
            else if (StartsWithAt(FPosition, FCommentBlock21))
                closing = FCommentBlock22;
            if (!closing.isEmpty()) {
                FPosition += static_cast<int>(closing.size());
                while (FPosition <= FSize && !StartsWithAt(FPosition, closing))
                    ++FPosition;
                FPosition = std::min(FPosition + static_cast<int>(closing.size()), FSize + 1);
                continue;
            }
        }
        if (joinLine) {
            joinLine = false;
            if (FPosition <= FSize && (Ch(FPosition) == u'\r' || Ch(FPosition) == u'\n')) {
                SkipEOLChars();
                continue;
            }
        }
        break;
    }
    FLastPosition = FPosition;
}

bool TscParser::GetEOL() {
    SkipSpaces();
    if (FPosition <= FSize && (Ch(FPosition) == u'\r' || Ch(FPosition) == u'\n')) {
        SkipEOLChars();
        return true;
    }
    return false;
}

QString TscParser::GetWord() {
    if (FSkipSpace) SkipSpaces();
    const int start = FPosition;
    if (FPosition > FSize || !IsIdentStart(Ch(FPosition))) return QString();
    while (FPosition <= FSize && IsIdentPart(Ch(FPosition)))
        ++FPosition;
    return FText.mid(start - 1, FPosition - start);
}

QString TscParser::GetIdent() {
    QString s = GetWord();
    if (!s.isEmpty() && IsKeyWord(s)) return QString();
    return s;
}

bool TscParser::IsKeyWord(const QString& word) const {
    if (FCaseSensitive) return FKeywords.ContainsExact(word);
    int index = 0;
    return FKeywords.Find(word, index);
}

QString TscParser::GetChar() {
    if (FPosition <= FSize && IsPunctuation(Ch(FPosition))) return QString(Ch(FPosition++));
    return QString();
}

void TscParser::AppendCode(QString& value, uint code) {
    if (QChar::requiresSurrogates(code)) {
        value += QChar(QChar::highSurrogate(code));
        value += QChar(QChar::lowSurrogate(code));
    } else {
        value += QChar(static_cast<char16_t>(code));
    }
}

void TscParser::SetCodeError(int at, const QString& digits) {
    if (!FError.isEmpty()) return;
    FError = QStringLiteral("Character code out of range: %1").arg(digits);
    FErrorPos = GetXYPosition(at);
}

bool TscParser::ReadQuotedPiece(QString& value) {
    if (FStringQuotes.isEmpty() || FPosition > FSize || Ch(FPosition) != FStringQuotes[0]) return false;
    const QChar quote = FStringQuotes[0];
    const int start = FPosition;
    QString piece;
    int p = FPosition + 1;
    for (;;) {
        QChar c = Ch(p);
        if (p > FSize || IsStringEnd(c)) return false;
        if (c == quote) {
            if (!FSpecStrChar && Ch(p + 1) == quote) {
                piece += quote;
                p += 2;
                continue;
            }
            ++p;
            break;
        }
        if (FSpecStrChar && c == u'\\') {
            ++p;
            c = Ch(p);
            if (p > FSize || IsStringEnd(c)) return false;
            const char16_t lc = c.toLower().unicode();
            if (lc == 'n') {
                piece += u'\n';
                ++p;
            } else if (lc == 'r') {
                piece += u'\r';
                ++p;
            } else if (lc == 'x') {
                const int escape = p - 1;
                ++p;
                quint64 code = 0;
                const int digits = p;
                while (p <= FSize && IsHexDigit(Ch(p))) {
                    if (code <= MaxCode) code = code * 16 + HexValue(Ch(p));
                    ++p;
                }
                if (p > digits) {
                    if (code > MaxCode) {
                        SetCodeError(escape, FText.mid(escape - 1, p - escape));
                        FPosition = start;
                        return false;
                    }
                    AppendCode(piece, static_cast<uint>(code));
                }
            } else {
                piece += c;
                ++p;
            }
            continue;
        }
        piece += c;
        ++p;
    }
    FPosition = p;
    value += piece;
    return true;
}

bool TscParser::ReadControlPiece(QString& value) {
    if (FPosition > FSize || Ch(FPosition) != u'#') return false;
    const int start = FPosition;
    FPosition = start + 1;
    const int digits = FPosition;
    if (!ReadUnsignedInteger()) {
        FPosition = start;
        return false;
    }
    QString number = FText.mid(digits - 1, FPosition - digits);
    quint64 code = 0;
    int i = 0;
    int base = 10;
    if (!FHexSequence.isEmpty() && number.startsWith(FHexSequence)) {
        i = static_cast<int>(FHexSequence.size());
        base = 16;
    }
    for (; i < number.size() && code <= MaxCode; ++i)
        code = code * base + HexValue(number[i]);
    if (code > MaxCode) {
        SetCodeError(start, FText.mid(start - 1, FPosition - start));
        FPosition = start;
        return false;
    }
    AppendCode(value, static_cast<uint>(code));
    return true;
}

QString TscParser::GetString() {
    if (FSkipSpace) SkipSpaces();
    const int start = FPosition;
    QString value;
    bool any = false;
    for (;;) {
        if (ReadQuotedPiece(value) || ReadControlPiece(value)) {
            any = true;
            continue;
        }
        break;
    }
    if (!any || !FError.isEmpty()) {
        FPosition = start;
        return QString();
    }
    return QLatin1Char('\'') + value + QLatin1Char('\'');
}

bool TscParser::ReadUnsignedInteger() {
    if (StartsWithAt(FPosition, FHexSequence)) {
        const int p = FPosition + static_cast<int>(FHexSequence.size());
        if (p > FSize || !IsHexDigit(Ch(p))) return false;
        FPosition = p;
        while (FPosition <= FSize && IsHexDigit(Ch(FPosition)))
            ++FPosition;
        return true;
    }
    if (FPosition > FSize || !IsDigit(Ch(FPosition))) return false;
    while (FPosition <= FSize && IsDigit(Ch(FPosition)))
        ++FPosition;
    return true;
}

bool TscParser::ReadUnsignedReal() {
    if (!ReadUnsignedInteger()) return false;
    if (Ch(FPosition) == u'.') {
        if (!IsDigit(Ch(FPosition + 1))) return false;
        FPosition += 1;
        while (FPosition <= FSize && IsDigit(Ch(FPosition)))
            ++FPosition;
    }
    if (Ch(FPosition) == u'e' || Ch(FPosition) == u'E') {
        int p = FPosition + 1;
        if (Ch(p) == u'+' || Ch(p) == u'-') ++p;
        if (IsDigit(Ch(p))) {
            while (p <= FSize && IsDigit(Ch(p)))
                ++p;
            FPosition = p;
        }
    }
    return true;
}

QString TscParser::GetNumber() {
    if (FSkipSpace) SkipSpaces();
    const int start = FPosition;
    if (!ReadUnsignedReal()) {
        FPosition = start;
        if (!ReadUnsignedInteger()) {
            FPosition = start;
            return QString();
        }
    }
    QString s = FText.mid(start - 1, FPosition - start);
    if (!FHexSequence.isEmpty() && FHexSequence != QLatin1String("$"))
        s.replace(FHexSequence, QStringLiteral("$"));
    return s;
}

QString TscParser::GetReportExprString() {
    const int start = FPosition;
    int depth = 1;
    bool outSingle = true, outDouble = true;
    while (FPosition <= FSize) {
        const QChar c = Ch(FPosition);
        if (outSingle && outDouble) {
            if (c == u'<' || c == u'[')
                ++depth;
            else if (c == u'>' || c == u']') {
                if (--depth == 0) break;
            }
        }
        if (c == u'"' && outSingle)
            outDouble = !outDouble;
        else if (c == u'\'' && outDouble)
            outSingle = !outSingle;
        ++FPosition;
    }
    return FText.mid(start - 1, FPosition - start);
}

QString TscParser::GetXYPosition() const {
    return GetXYPosition(FPosition);
}

QString TscParser::GetXYPosition(int position) const {
    if (FYList.isEmpty()) throw EListError(QStringLiteral("List index out of bounds (0)"));
    // The number of line-table entries below the position is the line.
    const auto it = std::lower_bound(FYList.cbegin(), FYList.cend(), position);
    const int line = static_cast<int>(it - FYList.cbegin());
    const int column = position - FYList.at(line - 1);
    return QString::number(line) + QLatin1Char(':') + QString::number(column);
}

int TscParser::GetPlainPosition(int x, int y) const {
    if (y < 1 || y > FYList.size()) return -1;
    return FYList.at(y - 1) + x;
}
