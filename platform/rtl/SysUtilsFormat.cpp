// Number formatting: FloatToStrF, the FormatFloat picture language and printf-style Format.
// Digits come from an 18-significant-digit decimal form of the value, rounded half away from
// zero at the shown position.

#include "platform/rtl/SysUtils.h"

#include <QStringList>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string>

namespace {

// value = 0.D1D2D3... * 10^Exponent; Digits has no trailing zeros and is empty for zero.
struct TDecimal {
    bool Negative = false;
    int Exponent = 0;
    std::string Digits;

    bool IsZero() const { return Digits.empty(); }
};

constexpr int kNoDecimals = 9999;

TDecimal RawDigits(double v) {
    TDecimal d;
    d.Negative = std::signbit(v);
    const double a = std::fabs(v);
    if (a == 0 || !std::isfinite(a)) return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, a, std::chars_format::scientific, 17);
    const std::string text(buf, res.ptr);
    const size_t e = text.find('e');
    d.Digits += text[0];
    for (size_t i = 2; i < e; ++i)
        d.Digits += text[i];
    d.Exponent = std::stoi(text.substr(e + 1)) + 1;
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    return d;
}

// Keeps at most count significant digits, rounding half away from zero.
void RoundDigits(TDecimal& d, int count) {
    if (d.IsZero() || count >= static_cast<int>(d.Digits.size())) return;
    if (count < 0) {
        d.Digits.clear();
        d.Exponent = 0;
        return;
    }
    const bool up = d.Digits[static_cast<size_t>(count)] >= '5';
    d.Digits.resize(static_cast<size_t>(count));
    if (up) {
        int i = count - 1;
        while (i >= 0 && d.Digits[static_cast<size_t>(i)] == '9') {
            d.Digits[static_cast<size_t>(i)] = '0';
            --i;
        }
        if (i < 0) {
            d.Digits.insert(d.Digits.begin(), '1');
            ++d.Exponent;
        } else {
            ++d.Digits[static_cast<size_t>(i)];
        }
    }
    while (!d.Digits.empty() && d.Digits.back() == '0')
        d.Digits.pop_back();
    if (d.Digits.empty()) d.Exponent = 0;
}

// The value rounded to at most precision significant digits and decimals places after the point.
TDecimal ToDecimal(double v, int precision, int decimals) {
    TDecimal d = RawDigits(v);
    if (d.IsZero()) return d;
    const long long byDecimals = static_cast<long long>(d.Exponent) + decimals;
    RoundDigits(d, static_cast<int>(std::min<long long>(precision, byDecimals)));
    return d;
}

char DigitAt(const TDecimal& d, int index) {
    return index >= 0 && index < static_cast<int>(d.Digits.size()) ? d.Digits[static_cast<size_t>(index)]
                                                                   : '0';
}

QString ExponentText(int exponent, int minDigits, bool forcePlus) {
    QString s = QString::number(std::abs(exponent));
    if (s.size() < minDigits) s.prepend(QString(minDigits - s.size(), QLatin1Char('0')));
    if (exponent < 0)
        s.prepend(QLatin1Char('-'));
    else if (forcePlus)
        s.prepend(QLatin1Char('+'));
    return s;
}

// Integer digits of a rounded decimal (at least "0"), optionally grouped by thousands.
QString IntegerPart(const TDecimal& d, QChar thousands) {
    QString s;
    if (d.Exponent <= 0) {
        s = QStringLiteral("0");
    } else {
        for (int i = 0; i < d.Exponent; ++i)
            s += QLatin1Char(DigitAt(d, i));
    }
    if (!thousands.isNull()) {
        for (int pos = static_cast<int>(s.size()) - 3; pos > 0; pos -= 3)
            s.insert(pos, thousands);
    }
    return s;
}

QString FractionPart(const TDecimal& d, int count) {
    QString s;
    for (int i = 0; i < count; ++i)
        s += QLatin1Char(DigitAt(d, d.Exponent + i));
    return s;
}

QString SpecialText(double v) {
    if (std::isnan(v)) return QStringLiteral("NAN");
    return v < 0 ? QStringLiteral("-INF") : QStringLiteral("INF");
}

QString GeneralText(double value, int precision, int digits, const TFormatSettings& fs) {
    const TDecimal d = ToDecimal(value, precision, kNoDecimals);
    if (d.IsZero()) return QStringLiteral("0");
    QString s;
    if (d.Negative) s += QLatin1Char('-');
    const int n = static_cast<int>(d.Digits.size());
    if (d.Exponent > precision || d.Exponent < -3) {
        s += QLatin1Char(d.Digits[0]);
        if (n > 1) {
            s += fs.DecimalSeparator;
            s += QString::fromLatin1(d.Digits.data() + 1, n - 1);
        }
        s += QLatin1Char('E');
        s += ExponentText(d.Exponent - 1, digits, false);
        return s;
    }
    s += IntegerPart(d, QChar());
    if (n > d.Exponent) {
        s += fs.DecimalSeparator;
        s += FractionPart(d, n - d.Exponent);
    }
    return s;
}

QString CurrencyText(const QString& number, bool negative, const TFormatSettings& fs) {
    static const char* const positive[4] = {"$1", "1$", "$ 1", "1 $"};
    static const char* const negativeForms[16] = {"($1)", "-$1",  "$-1",   "$1-",  "(1$)", "-1$",
                                                  "1-$",  "1$-",  "-1 $",  "-$ 1", "1 $-", "$ 1-",
                                                  "$ -1", "1- $", "($ 1)", "(1 $)"};
    const char* pattern = negative ? negativeForms[fs.NegCurrFormat % 16] : positive[fs.CurrencyFormat % 4];
    QString out;
    for (const char* p = pattern; *p; ++p) {
        if (*p == '$')
            out += fs.CurrencyString;
        else if (*p == '1')
            out += number;
        else
            out += QLatin1Char(*p);
    }
    return out;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// FloatToStrF

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs) {
    if (!std::isfinite(value)) return SpecialText(value);
    precision = std::clamp(precision, 1, 18);
    switch (format) {
    case ffGeneral:
        return GeneralText(value, precision, std::clamp(digits, 0, 4), fs);
    case ffExponent: {
        digits = std::clamp(digits, 0, 4);
        const TDecimal d = ToDecimal(value, precision, kNoDecimals);
        QString s;
        if (d.Negative && !d.IsZero()) s += QLatin1Char('-');
        s += QLatin1Char(DigitAt(d, 0));
        if (precision > 1) {
            s += fs.DecimalSeparator;
            for (int i = 1; i < precision; ++i)
                s += QLatin1Char(DigitAt(d, i));
        }
        s += QLatin1Char('E');
        s += ExponentText(d.IsZero() ? 0 : d.Exponent - 1, digits, true);
        return s;
    }
    case ffFixed:
    case ffNumber:
    case ffCurrency: {
        digits = std::clamp(digits, 0, 18);
        const TDecimal d = ToDecimal(value, precision, digits);
        // More integer digits than the precision can show: the general form instead.
        if (d.Exponent > precision) return GeneralText(value, precision, 0, fs);
        QString number = IntegerPart(d, format == ffFixed ? QChar() : fs.ThousandSeparator);
        if (digits > 0) {
            number += fs.DecimalSeparator;
            number += FractionPart(d, digits);
        }
        const bool negative = d.Negative && !d.IsZero();
        if (format == ffCurrency) return CurrencyText(number, negative, fs);
        return negative ? QLatin1Char('-') + number : number;
    }
    }
    return GeneralText(value, precision, 0, fs);
}

QString FloatToStrF(double value, TFloatFormat format, int precision, int digits) {
    return FloatToStrF(value, format, precision, digits, FormatSettings());
}

// ---------------------------------------------------------------------------------------------
// FormatFloat

namespace {

// Splits a picture into its sections at ';' outside quoted text.
QStringList SplitSections(const QString& format) {
    QStringList sections;
    QString current;
    QChar quote;
    for (QChar c : format) {
        if (!quote.isNull()) {
            current += c;
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            quote = c;
            current += c;
        } else if (c == QLatin1Char(';')) {
            sections << current;
            current.clear();
        } else {
            current += c;
        }
    }
    sections << current;
    return sections;
}

struct TPicture {
    int IntCount = 0;      // digit placeholders before the point
    int MandatoryInt = 0;  // from the first '0' before the point
    int FracCount = 0;     // digit placeholders after the point
    int MandatoryFrac = 0; // up to the last '0' after the point
    bool HasPoint = false;
    bool Thousands = false;
    bool Scientific = false;
    int ExpDigits = 0;
};

bool IsExponentAt(const QString& s, int i) {
    return (s[i] == QLatin1Char('E') || s[i] == QLatin1Char('e')) && i + 1 < s.size() &&
           (s[i + 1] == QLatin1Char('+') || s[i + 1] == QLatin1Char('-'));
}

TPicture Analyse(const QString& section) {
    TPicture p;
    int firstZeroInt = -1;
    const int n = static_cast<int>(section.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int close = static_cast<int>(section.indexOf(c, i + 1));
            i = close < 0 ? n : close;
            continue;
        }
        if (p.Scientific) continue;
        if (c == QLatin1Char('0') || c == QLatin1Char('#')) {
            if (p.HasPoint) {
                ++p.FracCount;
                if (c == QLatin1Char('0')) p.MandatoryFrac = p.FracCount;
            } else {
                if (c == QLatin1Char('0') && firstZeroInt < 0) firstZeroInt = p.IntCount;
                ++p.IntCount;
            }
        } else if (c == QLatin1Char('.')) {
            p.HasPoint = true;
        } else if (c == QLatin1Char(',')) {
            if (!p.HasPoint) p.Thousands = true;
        } else if (IsExponentAt(section, i)) {
            p.Scientific = true;
            int j = i + 2;
            while (j < n && section[j] == QLatin1Char('0')) {
                ++p.ExpDigits;
                ++j;
            }
            p.ExpDigits = std::min(p.ExpDigits, 4);
            i = j - 1;
        }
    }
    if (firstZeroInt >= 0) p.MandatoryInt = p.IntCount - firstZeroInt;
    return p;
}

// Writes one section for the magnitude of value; isZero tells the caller whether it rounded to 0.
QString FormatSection(const QString& section, double value, const TFormatSettings& fs, bool& isZero) {
    const TPicture p = Analyse(section);
    const double magnitude = std::fabs(value);
    QString intStr, fracStr;
    int exponent = 0;
    if (p.Scientific) {
        const int precision = std::clamp(p.IntCount + p.FracCount, 1, 18);
        const TDecimal d = ToDecimal(magnitude, precision, kNoDecimals);
        isZero = d.IsZero();
        for (int i = 0; i < p.IntCount; ++i)
            intStr += QLatin1Char(DigitAt(d, i));
        const int fracDigits = std::max(0, static_cast<int>(d.Digits.size()) - p.IntCount);
        for (int i = 0; i < fracDigits; ++i)
            fracStr += QLatin1Char(DigitAt(d, p.IntCount + i));
        exponent = isZero ? 0 : d.Exponent - p.IntCount;
        // Leading zeros of the integer part only stand where a '0' asks for them.
        while (intStr.size() > p.MandatoryInt && intStr.startsWith(QLatin1Char('0')))
            intStr.remove(0, 1);
    } else {
        const TDecimal d = ToDecimal(magnitude, 15, p.FracCount);
        isZero = d.IsZero();
        if (d.Exponent > 0) intStr = IntegerPart(d, QChar());
        const int fracDigits = std::max(0, static_cast<int>(d.Digits.size()) - d.Exponent);
        fracStr = FractionPart(d, fracDigits);
    }
    while (intStr.size() < p.MandatoryInt)
        intStr.prepend(QLatin1Char('0'));
    while (fracStr.size() < p.MandatoryFrac)
        fracStr += QLatin1Char('0');

    const QChar group = p.Thousands && !p.Scientific ? fs.ThousandSeparator : QChar();
    const int intLen = static_cast<int>(intStr.size());
    QString out;
    auto emitIntDigit = [&](int index) { // index from the left of intStr
        out += intStr[index];
        const int fromRight = intLen - 1 - index;
        if (!group.isNull() && fromRight > 0 && fromRight % 3 == 0) out += group;
    };
    int intSeen = 0, fracSeen = 0;
    bool pointDone = false;
    const int n = static_cast<int>(section.size());
    for (int i = 0; i < n; ++i) {
        const QChar c = section[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const int close = static_cast<int>(section.indexOf(c, i + 1));
            const int end = close < 0 ? n : close;
            out += QStringView(section).mid(i + 1, end - i - 1);
            i = end;
            continue;
        }
        if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && !pointDone) {
            if (intSeen == 0) {
                // Digits beyond the placeholders go where the first placeholder stands.
                for (int k = 0; k < intLen - p.IntCount; ++k)
                    emitIntDigit(k);
            }
            const int position = p.IntCount - 1 - intSeen; // from the right
            if (position < intLen) emitIntDigit(intLen - 1 - position);
            ++intSeen;
            continue;
        }
        if ((c == QLatin1Char('0') || c == QLatin1Char('#')) && pointDone) {
            if (fracSeen < fracStr.size()) out += fracStr[fracSeen];
            ++fracSeen;
            continue;
        }
        if (c == QLatin1Char('.') && !pointDone) {
            pointDone = true;
            if (p.IntCount == 0)
                for (int k = 0; k < intLen; ++k)
                    emitIntDigit(k);
            if (!fracStr.isEmpty()) out += fs.DecimalSeparator;
            continue;
        }
        if (c == QLatin1Char(',') && !pointDone) continue;
        if (p.Scientific && IsExponentAt(section, i)) {
            out += c;
            const bool forcePlus = section[i + 1] == QLatin1Char('+');
            out += ExponentText(exponent, p.ExpDigits, forcePlus);
            int j = i + 2;
            while (j < n && section[j] == QLatin1Char('0'))
                ++j;
            i = j - 1;
            // Only the first exponent counts; later ones are text.
            pointDone = true;
            fracSeen = static_cast<int>(fracStr.size());
            continue;
        }
        out += c;
    }
    return out;
}

bool HasPlaceholder(const QString& section) {
    const TPicture p = Analyse(section);
    return p.IntCount + p.FracCount > 0 || p.HasPoint || p.Scientific;
}

} // namespace

QString FormatFloat(const QString& format, double value, const TFormatSettings& fs) {
    if (!std::isfinite(value) || format.isEmpty()) return FloatToStrF(value, ffGeneral, 15, 0, fs);
    const QStringList sections = SplitSections(format);
    const bool hasNegative = sections.size() > 1 && !sections[1].isEmpty();
    const bool hasZero = sections.size() > 2 && !sections[2].isEmpty();
    int index = 0;
    if (value < 0 && hasNegative)
        index = 1;
    else if (value == 0 && hasZero)
        index = 2;
    const QString& section = sections[index];
    if (section.isEmpty()) return FloatToStrF(value, ffGeneral, 15, 0, fs);

    // Huge values have more integer digits than a double holds; the general form shows them.
    if (std::fabs(value) >= 1e18 && !Analyse(section).Scientific)
        return FloatToStrF(value, ffGeneral, 15, 0, fs);

    bool isZero = false;
    QString out = FormatSection(section, value, fs, isZero);
    if (isZero && value != 0 && (hasZero || index == 1)) {
        // A value that rounds to zero is no longer negative: the zero section shows it, or the
        // positive one when there is none.
        bool ignored = false;
        return FormatSection(sections[hasZero ? 2 : 0], 0.0, fs, ignored);
    }
    // The positive section shows a negative value with a leading minus, unless it rounded to 0.
    if (index == 0 && value < 0 && !isZero && HasPlaceholder(section)) out.prepend(QLatin1Char('-'));
    return out;
}

QString FormatFloat(const QString& format, double value) {
    return FormatFloat(format, value, FormatSettings());
}

// ---------------------------------------------------------------------------------------------
// Format

namespace {

constexpr int kMaxWidth = 1000000;

class TFormatter {
public:
    TFormatter(const QString& format, std::span<const FormatArg> args, const TFormatSettings& fs)
        : FFormat(format), FArgs(args), FSettings(fs) {}

    QString Run() {
        const int n = static_cast<int>(FFormat.size());
        QString out;
        out.reserve(n);
        int i = 0;
        while (i < n) {
            const QChar c = FFormat[i];
            if (c != QLatin1Char('%')) {
                out += c;
                ++i;
                continue;
            }
            ++i;
            if (i >= n) Invalid();
            if (FFormat[i] == QLatin1Char('%')) {
                out += QLatin1Char('%');
                ++i;
                continue;
            }
            int number = 0;
            bool has = ScanNumber(i, number);
            if (has && i < n && FFormat[i] == QLatin1Char(':')) {
                if (number < 0) Invalid();
                FArgIndex = number;
                ++i;
                has = false;
            }
            bool left = false;
            if (!has) {
                if (i < n && FFormat[i] == QLatin1Char('-')) {
                    left = true;
                    ++i;
                }
                has = ScanNumber(i, number);
            }
            const int width = has ? number : -1;
            int precision = -1;
            if (i < n && FFormat[i] == QLatin1Char('.')) {
                ++i;
                if (!ScanNumber(i, precision)) precision = 0;
            }
            if (i >= n) Invalid();
            const QChar type = FFormat[i].toUpper();
            ++i;
            QString text = Directive(type, precision);
            if (width > text.size()) {
                const QString pad(width - text.size(), QLatin1Char(' '));
                text = left ? text + pad : pad + text;
            }
            out += text;
        }
        return out;
    }

private:
    [[noreturn]] void Invalid() const {
        throw EConvertError(QStringLiteral("Format '%1' invalid or incompatible with argument").arg(FFormat));
    }

    const FormatArg& NextArg() {
        if (FArgIndex < 0 || FArgIndex >= static_cast<int>(FArgs.size()))
            throw EConvertError(QStringLiteral("No argument for format '%1'").arg(FFormat));
        return FArgs[static_cast<size_t>(FArgIndex++)];
    }

    // Digits or '*' (an integer argument). False when neither is there.
    bool ScanNumber(int& i, int& value) {
        const int n = static_cast<int>(FFormat.size());
        if (i < n && FFormat[i] == QLatin1Char('*')) {
            ++i;
            const FormatArg& a = NextArg();
            if (a.ArgKind() != FormatArg::Kind::Integer && a.ArgKind() != FormatArg::Kind::Int64) Invalid();
            const Int64 v = a.AsInt64();
            if (v > kMaxWidth || v < -kMaxWidth) Invalid();
            value = static_cast<int>(v);
            return true;
        }
        if (i >= n || !FFormat[i].isDigit() || FFormat[i].unicode() > '9') return false;
        Int64 v = 0;
        while (i < n && FFormat[i].unicode() >= '0' && FFormat[i].unicode() <= '9') {
            v = v * 10 + (FFormat[i].unicode() - '0');
            if (v > kMaxWidth) Invalid(); // a width no text could need: refuse rather than allocate it
            ++i;
        }
        value = static_cast<int>(v);
        return true;
    }

    static QString ZeroPad(QString digits, int precision) {
        if (precision > digits.size()) digits.prepend(QString(precision - digits.size(), QLatin1Char('0')));
        return digits;
    }

    QString Directive(QChar type, int precision) {
        const FormatArg& a = NextArg();
        const FormatArg::Kind k = a.ArgKind();
        const bool isInt = k == FormatArg::Kind::Integer || k == FormatArg::Kind::Int64;
        switch (type.toLatin1()) {
        case 'D': {
            if (!isInt) Invalid();
            const Int64 v = a.AsInt64();
            const UInt64 magnitude = v < 0 ? 0ull - static_cast<UInt64>(v) : static_cast<UInt64>(v);
            const QString digits = ZeroPad(QString::number(magnitude), precision);
            return v < 0 ? QLatin1Char('-') + digits : digits;
        }
        case 'U': {
            if (!isInt) Invalid();
            const UInt64 v = k == FormatArg::Kind::Integer
                                 ? static_cast<UInt64>(static_cast<quint32>(a.AsInt64()))
                                 : static_cast<UInt64>(a.AsInt64());
            return ZeroPad(QString::number(v), precision);
        }
        case 'X': {
            if (!isInt) Invalid();
            const UInt64 v = k == FormatArg::Kind::Integer
                                 ? static_cast<UInt64>(static_cast<quint32>(a.AsInt64()))
                                 : static_cast<UInt64>(a.AsInt64());
            return ZeroPad(QString::number(v, 16).toUpper(), precision);
        }
        case 'E':
        case 'F':
        case 'G':
        case 'N':
        case 'M': {
            if (k != FormatArg::Kind::Extended) Invalid();
            const double v = a.AsFloat();
            switch (type.toLatin1()) {
            case 'E':
                return FloatToStrF(v, ffExponent, precision < 0 ? 15 : std::min(precision, 18), 3, FSettings);
            case 'G':
                return FloatToStrF(v, ffGeneral, precision < 0 ? 15 : std::min(precision, 18), 3, FSettings);
            case 'F':
                return FloatToStrF(v, ffFixed, 18, precision < 0 ? 2 : std::min(precision, 18), FSettings);
            case 'N':
                return FloatToStrF(v, ffNumber, 18, precision < 0 ? 2 : std::min(precision, 18), FSettings);
            default:
                return FloatToStrF(v, ffCurrency, 18,
                                   precision < 0 ? FSettings.CurrencyDecimals : std::min(precision, 18),
                                   FSettings);
            }
        }
        case 'S': {
            if (k != FormatArg::Kind::String && k != FormatArg::Kind::Char) Invalid();
            const QString& s = a.AsString();
            return precision >= 0 && precision < s.size() ? s.left(precision) : s;
        }
        case 'P': {
            if (k != FormatArg::Kind::Pointer) Invalid();
            return IntToHex(static_cast<Int64>(a.AsPointer()), static_cast<int>(sizeof(void*) * 2));
        }
        default:
            Invalid();
        }
    }

    const QString& FFormat;
    std::span<const FormatArg> FArgs;
    const TFormatSettings& FSettings;
    int FArgIndex = 0;
};

} // namespace

QString Format(const QString& format, std::span<const FormatArg> args, const TFormatSettings& fs) {
    return TFormatter(format, args, fs).Run();
}

QString Format(const QString& format, std::span<const FormatArg> args) {
    return Format(format, args, FormatSettings());
}

QString Format(const QString& format, std::initializer_list<FormatArg> args) {
    return Format(format, std::span<const FormatArg>(args.begin(), args.size()), FormatSettings());
}
