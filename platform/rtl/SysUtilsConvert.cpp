// Integer, Boolean and float conversions to and from text, rounding, and the small text routines.

#include "platform/rtl/SysUtils.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace {

[[noreturn]] void RaiseInvalidInteger(const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid integer value").arg(s));
}

[[noreturn]] void RaiseInvalidFloat(const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
}

bool IsBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

int HexValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= '0' && u <= '9') return u - '0';
    if (u >= 'a' && u <= 'f') return u - 'a' + 10;
    if (u >= 'A' && u <= 'F') return u - 'A' + 10;
    return -1;
}

// The integer scan: leading blanks, a sign, then decimal digits or a hexadecimal number
// after "$", "0x" or "x". Nothing may follow. A hexadecimal number may fill all the bits
// (so "$FFFFFFFF" is -1 for 32 bits); a decimal one must fit the signed range.
bool ScanInteger(const QString& s, int bits, Int64& out) {
    const int n = s.size();
    int i = 0;
    while (i < n && IsBlank(s[i]))
        ++i;
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    bool hex = false;
    if (i < n && s[i] == QLatin1Char('$')) {
        hex = true;
        ++i;
    } else if (i + 1 < n && s[i] == QLatin1Char('0') &&
               (s[i + 1] == QLatin1Char('x') || s[i + 1] == QLatin1Char('X'))) {
        hex = true;
        i += 2;
    } else if (i < n && (s[i] == QLatin1Char('x') || s[i] == QLatin1Char('X'))) {
        hex = true;
        ++i;
    }
    if (i >= n) return false;
    UInt64 value = 0;
    if (hex) {
        const UInt64 limit = bits == 64 ? std::numeric_limits<UInt64>::max() : 0xFFFFFFFFull;
        for (; i < n; ++i) {
            const int d = HexValue(s[i]);
            if (d < 0) return false;
            if (value > (limit >> 4)) return false;
            value = (value << 4) | static_cast<UInt64>(d);
        }
        Int64 v = bits == 64 ? static_cast<Int64>(value)
                             : static_cast<Int64>(static_cast<qint32>(static_cast<quint32>(value)));
        out = negative ? static_cast<Int64>(0ull - static_cast<UInt64>(v)) : v;
        if (bits == 32) out = static_cast<qint32>(static_cast<quint32>(static_cast<UInt64>(out)));
        return true;
    }
    const UInt64 maxMagnitude = bits == 64 ? (negative ? 9223372036854775808ull : 9223372036854775807ull)
                                           : (negative ? 2147483648ull : 2147483647ull);
    for (; i < n; ++i) {
        const char16_t u = s[i].unicode();
        if (u < '0' || u > '9') return false;
        const UInt64 d = u - '0';
        if (value > (maxMagnitude - d) / 10) return false;
        value = value * 10 + d;
    }
    out = negative ? static_cast<Int64>(0ull - value) : static_cast<Int64>(value);
    return true;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Integers

QString IntToStr(int value) {
    return QString::number(value);
}

QString IntToStr(Int64 value) {
    return QString::number(static_cast<qint64>(value));
}

QString IntToHex(int value, int digits) {
    QString s = QString::number(static_cast<quint32>(value), 16).toUpper();
    digits = std::min(std::max(digits, 0), 64);
    if (s.size() < digits) s.prepend(QString(digits - s.size(), QLatin1Char('0')));
    return s;
}

QString IntToHex(Int64 value, int digits) {
    QString s = QString::number(static_cast<quint64>(value), 16).toUpper();
    digits = std::min(std::max(digits, 0), 64);
    if (s.size() < digits) s.prepend(QString(digits - s.size(), QLatin1Char('0')));
    return s;
}

bool TryStrToInt(const QString& s, int& value) {
    Int64 v = 0;
    if (!ScanInteger(s, 32, v)) return false;
    value = static_cast<int>(v);
    return true;
}

int StrToInt(const QString& s) {
    int v = 0;
    if (!TryStrToInt(s, v)) RaiseInvalidInteger(s);
    return v;
}

int StrToIntDef(const QString& s, int def) {
    int v = 0;
    return TryStrToInt(s, v) ? v : def;
}

bool TryStrToInt64(const QString& s, Int64& value) {
    return ScanInteger(s, 64, value);
}

Int64 StrToInt64(const QString& s) {
    Int64 v = 0;
    if (!TryStrToInt64(s, v)) RaiseInvalidInteger(s);
    return v;
}

Int64 StrToInt64Def(const QString& s, Int64 def) {
    Int64 v = 0;
    return TryStrToInt64(s, v) ? v : def;
}

// ---------------------------------------------------------------------------------------------
// Booleans

const QString DefaultTrueBoolStr = QStringLiteral("True");
const QString DefaultFalseBoolStr = QStringLiteral("False");

QString BoolToStr(bool value, bool useBoolStrs) {
    if (useBoolStrs) return value ? DefaultTrueBoolStr : DefaultFalseBoolStr;
    return value ? QStringLiteral("-1") : QStringLiteral("0");
}

bool TryStrToBool(const QString& s, bool& value) {
    const QString t = s.trimmed();
    if (t.compare(DefaultTrueBoolStr, Qt::CaseInsensitive) == 0) {
        value = true;
        return true;
    }
    if (t.compare(DefaultFalseBoolStr, Qt::CaseInsensitive) == 0) {
        value = false;
        return true;
    }
    double d = 0;
    if (TryStrToFloat(s, d) && !std::isnan(d)) {
        value = d != 0;
        return true;
    }
    return false;
}

bool StrToBool(const QString& s) {
    bool v = false;
    if (!TryStrToBool(s, v)) throw EConvertError(QStringLiteral("'%1' is not a valid boolean value").arg(s));
    return v;
}

bool StrToBoolDef(const QString& s, bool def) {
    bool v = false;
    return TryStrToBool(s, v) ? v : def;
}

// ---------------------------------------------------------------------------------------------
// Floating point

QString FloatToStr(double value) {
    return FloatToStrF(value, ffGeneral, 15, 0, FormatSettings());
}

QString FloatToStr(double value, const TFormatSettings& fs) {
    return FloatToStrF(value, ffGeneral, 15, 0, fs);
}

QString CurrToStr(double value) {
    return CurrToStr(value, FormatSettings());
}

QString CurrToStr(double value, const TFormatSettings& fs) {
    // Currency keeps four decimals; the text shows them without trailing zeros.
    if (!std::isfinite(value)) return FloatToStrF(value, ffGeneral, 15, 0, fs);
    QString s = FloatToStrF(value, ffFixed, 18, 4, fs);
    const int point = static_cast<int>(s.lastIndexOf(fs.DecimalSeparator));
    if (point >= 0 && !s.contains(QLatin1Char('E'))) {
        while (s.endsWith(QLatin1Char('0')))
            s.chop(1);
        if (s.size() == point + 1) s.chop(1);
    }
    return s;
}

bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& fs) {
    const int n = s.size();
    int i = 0;
    while (i < n && IsBlank(s[i]))
        ++i;
    int end = n;
    while (end > i && IsBlank(s[end - 1]))
        --end;
    std::string ascii;
    ascii.reserve(static_cast<size_t>(end - i) + 1);
    bool negative = false;
    if (i < end && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    int intDigits = 0, fracDigits = 0;
    bool seenPoint = false;
    for (; i < end; ++i) {
        const QChar c = s[i];
        const char16_t u = c.unicode();
        if (u >= '0' && u <= '9') {
            ascii += static_cast<char>(u);
            (seenPoint ? fracDigits : intDigits)++;
        } else if (c == fs.DecimalSeparator && !seenPoint) {
            seenPoint = true;
            ascii += '.';
        } else {
            break;
        }
    }
    if (intDigits + fracDigits == 0) return false;
    long exponent = 0;
    if (i < end && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E'))) {
        ++i;
        bool expNegative = false;
        if (i < end && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
            expNegative = s[i] == QLatin1Char('-');
            ++i;
        }
        int expDigits = 0;
        for (; i < end; ++i) {
            const char16_t u = s[i].unicode();
            if (u < '0' || u > '9') break;
            if (exponent < 100000) exponent = exponent * 10 + (u - '0');
            ++expDigits;
        }
        if (expDigits == 0) return false;
        if (expNegative) exponent = -exponent;
        ascii += 'e';
        ascii += std::to_string(exponent);
    }
    if (i != end) return false;
    double result = 0;
    const auto [ptr, ec] = std::from_chars(ascii.data(), ascii.data() + ascii.size(), result);
    if (ptr != ascii.data() + ascii.size()) return false;
    if (ec == std::errc::result_out_of_range) {
        // Too small is zero; too large is an overflow, which is an error.
        bool allZero = true;
        for (char ch : ascii) {
            if (ch == 'e') break;
            if (ch >= '1' && ch <= '9') allZero = false;
        }
        if (!allZero && exponent + intDigits > 0) return false;
        result = 0;
    } else if (ec != std::errc()) {
        return false;
    }
    value = negative ? -result : result;
    return true;
}

bool TryStrToFloat(const QString& s, double& value) {
    return TryStrToFloat(s, value, FormatSettings());
}

double StrToFloat(const QString& s, const TFormatSettings& fs) {
    double v = 0;
    if (!TryStrToFloat(s, v, fs)) RaiseInvalidFloat(s);
    return v;
}

double StrToFloat(const QString& s) {
    return StrToFloat(s, FormatSettings());
}

double StrToFloatDef(const QString& s, double def, const TFormatSettings& fs) {
    double v = 0;
    return TryStrToFloat(s, v, fs) ? v : def;
}

double StrToFloatDef(const QString& s, double def) {
    return StrToFloatDef(s, def, FormatSettings());
}

// ---------------------------------------------------------------------------------------------
// Rounding

namespace {

// 2^63 as a double; anything at or beyond it does not fit an Int64.
constexpr double kTwo63 = 9223372036854775808.0;

Int64 CheckedInt64(double r) {
    if (!(r >= -kTwo63 && r < kTwo63)) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    return static_cast<Int64>(r);
}

} // namespace

Int64 Round(double value) {
    if (!std::isfinite(value)) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    const double floor = std::floor(value);
    const double diff = value - floor;
    double r = floor;
    if (diff > 0.5)
        r = floor + 1;
    else if (diff == 0.5)
        r = std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
    return CheckedInt64(r);
}

Int64 Trunc(double value) {
    if (!std::isfinite(value)) throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
    return CheckedInt64(std::trunc(value));
}

double Int(double value) {
    return std::trunc(value);
}

double Frac(double value) {
    if (std::isinf(value)) return std::numeric_limits<double>::quiet_NaN();
    return value - std::trunc(value);
}

double RoundTo(double value, int digit) {
    if (!std::isfinite(value) || digit < -37 || digit > 37) return value;
    const double factor = std::pow(10.0, digit);
    const double q = value / factor;
    if (std::fabs(q) >= kTwo63) return value;
    return static_cast<double>(Round(q)) * factor;
}

double SimpleRoundTo(double value, int digit) {
    if (!std::isfinite(value) || digit < -37 || digit > 37) return value;
    if (digit < 0) {
        const double factor = std::pow(10.0, -digit);
        const double q = value * factor;
        return (value < 0 ? std::trunc(q - 0.5) : std::trunc(q + 0.5)) / factor;
    }
    const double factor = std::pow(10.0, digit);
    const double q = value / factor;
    return (value < 0 ? std::trunc(q - 0.5) : std::trunc(q + 0.5)) * factor;
}

// ---------------------------------------------------------------------------------------------
// Small text routines

QString Trim(const QString& s) {
    int b = 0, e = s.size();
    while (b < e && s[b].unicode() <= ' ')
        ++b;
    while (e > b && s[e - 1].unicode() <= ' ')
        --e;
    return s.mid(b, e - b);
}

QString TrimLeft(const QString& s) {
    int b = 0;
    while (b < s.size() && s[b].unicode() <= ' ')
        ++b;
    return s.mid(b);
}

QString TrimRight(const QString& s) {
    int e = s.size();
    while (e > 0 && s[e - 1].unicode() <= ' ')
        --e;
    return s.left(e);
}

QString AnsiQuotedStr(const QString& s, QChar quote) {
    QString out;
    out.reserve(s.size() + 2);
    out += quote;
    for (QChar c : s) {
        out += c;
        if (c == quote) out += quote;
    }
    out += quote;
    return out;
}

QString QuotedStr(const QString& s) {
    return AnsiQuotedStr(s, QLatin1Char('\''));
}

QString AnsiDequotedStr(const QString& s, QChar quote) {
    if (s.isEmpty() || s[0] != quote) return s;
    QString result;
    int i = 1;
    const int n = s.size();
    bool closed = false;
    while (i < n) {
        if (s[i] == quote) {
            if (i + 1 < n && s[i + 1] == quote) {
                result += quote;
                i += 2;
                continue;
            }
            closed = true;
            ++i;
            break;
        }
        result += s[i++];
    }
    // A text that is not wholly quoted, and yields nothing or runs to its end, stays as it is.
    const bool atEnd = i >= n;
    if ((result.isEmpty() || atEnd) && !(closed && s.size() >= 2 && s.back() == quote && atEnd)) return s;
    return result;
}

QString StringOfChar(QChar ch, int count) {
    return count > 0 ? QString(count, ch) : QString();
}

QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern, int flags) {
    if (oldPattern.isEmpty()) return s;
    const Qt::CaseSensitivity cs = (flags & rfIgnoreCase) ? Qt::CaseInsensitive : Qt::CaseSensitive;
    QString out;
    int from = 0;
    while (true) {
        const int at = s.indexOf(oldPattern, from, cs);
        if (at < 0) break;
        out += QStringView(s).mid(from, at - from);
        out += newPattern;
        from = at + oldPattern.size();
        if (!(flags & rfReplaceAll)) break;
    }
    out += QStringView(s).mid(from);
    return out;
}

int Pos(const QString& substr, const QString& s) {
    if (substr.isEmpty()) return 0;
    return s.indexOf(substr) + 1;
}

QString Copy(const QString& s, int index, int count) {
    if (index < 1) index = 1;
    if (count < 1 || index > s.size()) return QString();
    const qsizetype available = s.size() - (index - 1);
    return s.mid(index - 1, std::min<qsizetype>(count, available));
}

void Delete(QString& s, int index, int count) {
    if (index < 1 || index > s.size() || count < 1) return;
    const qsizetype available = s.size() - (index - 1);
    s.remove(index - 1, std::min<qsizetype>(count, available));
}

void Insert(const QString& source, QString& s, int index) {
    if (source.isEmpty()) return;
    if (index < 1) index = 1;
    if (index > s.size() + 1) index = static_cast<int>(s.size()) + 1;
    s.insert(index - 1, source);
}
