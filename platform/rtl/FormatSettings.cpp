// The locale format settings: built from Qt's locale data, with Qt's date and time patterns
// translated into the runtime's own format letters.

#include "platform/rtl/SysUtils.h"

#include <QLocale>
#include <QMutex>

namespace {

bool IsPatternLetter(QChar c) {
    return c.isLetter() && c.unicode() < 128;
}

// Quotes literal text so that none of it is read as a format letter.
void AppendLiteral(QString& out, const QString& text) {
    if (text.isEmpty()) return;
    bool needsQuote = false;
    for (QChar c : text)
        if (c.isLetter() || c == QLatin1Char('/') || c == QLatin1Char(':')) needsQuote = true;
    if (!needsQuote) {
        out += text;
        return;
    }
    // Double quotes, unless the text holds one itself.
    const QChar q = text.contains(QLatin1Char('"')) ? QLatin1Char('\'') : QLatin1Char('"');
    out += q;
    out += text;
    out += q;
}

// Translates a Qt date/time pattern (d M y h H m s z AP t, '' quoting) into the runtime's format
// letters (d m y h n s z ampm). dateSep and timeSep, when not null, are replaced by '/' and ':' so
// that the format follows a later change of the separators.
QString TranslatePattern(const QString& qt, QChar dateSep, QChar timeSep, bool widenYear) {
    QString out;
    QString literal;
    const int n = qt.size();
    int i = 0;
    auto flush = [&] {
        AppendLiteral(out, literal);
        literal.clear();
    };
    while (i < n) {
        const QChar c = qt[i];
        if (c == QLatin1Char('\'')) {
            // Quoted text; '' is a quote.
            if (i + 1 < n && qt[i + 1] == QLatin1Char('\'')) {
                literal += QLatin1Char('\'');
                i += 2;
                continue;
            }
            ++i;
            while (i < n) {
                if (qt[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && qt[i + 1] == QLatin1Char('\'')) {
                        literal += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += qt[i++];
            }
            continue;
        }
        if (!IsPatternLetter(c)) {
            if (!dateSep.isNull() && c == dateSep) {
                flush();
                out += QLatin1Char('/');
            } else if (!timeSep.isNull() && c == timeSep) {
                flush();
                out += QLatin1Char(':');
            } else if (c.unicode() == 0x202F || c.unicode() == 0x00A0) {
                literal += QLatin1Char(' '); // narrow or non-breaking space before AM/PM
            } else {
                literal += c;
            }
            ++i;
            continue;
        }
        int run = 1;
        while (i + run < n && qt[i + run] == c)
            ++run;
        const char letter = c.toLatin1();
        i += run;
        QString token;
        switch (letter) {
        case 'd':
            token = QString(std::min(run, 4), QLatin1Char('d'));
            break;
        case 'M':
        case 'L':
            token = QString(std::min(run, 4), QLatin1Char('m'));
            break;
        case 'y':
            token = (run == 2 && !widenYear) ? QStringLiteral("yy") : QStringLiteral("yyyy");
            break;
        case 'h':
        case 'H':
            token = run >= 2 ? QStringLiteral("hh") : QStringLiteral("h");
            break;
        case 'm':
            token = run >= 2 ? QStringLiteral("nn") : QStringLiteral("n");
            break;
        case 's':
            token = run >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
            break;
        case 'z':
            token = run >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
            break;
        case 'A':
        case 'a':
            // "AP", "ap", "A" or "a": the locale's AM/PM text.
            if (i < n && (qt[i] == QLatin1Char('P') || qt[i] == QLatin1Char('p'))) ++i;
            token = QStringLiteral("AMPM");
            break;
        case 't':
            // Time zone: not part of the runtime's formats; drop it and the blank before it.
            while (!literal.isEmpty() && literal.back().isSpace())
                literal.chop(1);
            while (literal.isEmpty() && !out.isEmpty() && out.back() == QLatin1Char(' '))
                out.chop(1);
            continue;
        default:
            literal += QString(run, c);
            continue;
        }
        flush();
        out += token;
    }
    flush();
    return out.trimmed();
}

// The first character between two letter fields of a pattern, skipping quoted text.
QChar FirstSeparator(const QString& pattern, QChar fallback) {
    bool seenLetter = false;
    bool quoted = false;
    for (QChar c : pattern) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
            continue;
        }
        if (quoted) continue;
        if (IsPatternLetter(c)) {
            seenLetter = true;
        } else if (seenLetter && !c.isSpace() && c != QLatin1Char(',')) {
            return c;
        }
    }
    return fallback;
}

// The table of negative currency layouts, "$" for the symbol and "1" for the number.
const char* const kNegCurr[16] = {"($1)", "-$1",  "$-1",  "$1-",  "(1$)", "-1$",  "1-$",   "1$-",
                                  "-1 $", "-$ 1", "1 $-", "$ 1-", "$ -1", "1- $", "($ 1)", "(1 $)"};

QString CurrencyShape(const QLocale& loc, double value, const QString& symbol) {
    QString s = loc.toCurrencyString(value, QStringLiteral("\x01"), 0);
    QString shape;
    const QString number = QStringLiteral("1");
    for (QChar c : s) {
        if (c == QChar(1))
            shape += QLatin1Char('$');
        else if (c.isDigit())
            shape += c;
        else if (c.isSpace() || c.unicode() == 0x00A0 || c.unicode() == 0x202F)
            shape += QLatin1Char(' ');
        else if (c == QLatin1Char('-') || c == QLatin1Char('(') || c == QLatin1Char(')') ||
                 c.unicode() == 0x2212)
            shape += c.unicode() == 0x2212 ? QLatin1Char('-') : c;
    }
    Q_UNUSED(symbol);
    Q_UNUSED(number);
    return shape;
}

std::array<QString, 12> EnglishMonths(bool longNames) {
    static const char* const names[12] = {"January",   "February", "March",    "April",
                                          "May",       "June",     "July",     "August",
                                          "September", "October",  "November", "December"};
    std::array<QString, 12> out;
    for (int i = 0; i < 12; ++i) {
        const QString n = QString::fromLatin1(names[i]);
        out[i] = longNames ? n : n.left(3);
    }
    return out;
}

std::array<QString, 7> EnglishDays(bool longNames) {
    static const char* const names[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                         "Thursday", "Friday", "Saturday"};
    std::array<QString, 7> out;
    for (int i = 0; i < 7; ++i) {
        const QString n = QString::fromLatin1(names[i]);
        out[i] = longNames ? n : n.left(3);
    }
    return out;
}

TFormatSettings FromLocale(const QLocale& loc) {
    TFormatSettings fs;
    const QString dec = loc.decimalPoint();
    const QString group = loc.groupSeparator();
    fs.DecimalSeparator = dec.isEmpty() ? QLatin1Char('.') : dec[0];
    fs.ThousandSeparator = group.isEmpty() ? QChar(0x00A0) : group[0];
    // Qt knows no list separator; the desktop convention is ';' where ',' is the decimal point.
    fs.ListSeparator = fs.DecimalSeparator == QLatin1Char(',') ? QLatin1Char(';') : QLatin1Char(',');

    fs.CurrencyString = loc.currencySymbol(QLocale::CurrencySymbol);
    fs.CurrencyDecimals = 2;
    const QString pos = CurrencyShape(loc, 1, fs.CurrencyString);
    if (pos == QLatin1String("$1"))
        fs.CurrencyFormat = 0;
    else if (pos == QLatin1String("1$"))
        fs.CurrencyFormat = 1;
    else if (pos == QLatin1String("$ 1"))
        fs.CurrencyFormat = 2;
    else
        fs.CurrencyFormat = 3;
    const QString neg = CurrencyShape(loc, -1, fs.CurrencyString);
    fs.NegCurrFormat = fs.CurrencyFormat == 0   ? 1
                       : fs.CurrencyFormat == 1 ? 5
                       : fs.CurrencyFormat == 2 ? 9
                                                : 8;
    for (int i = 0; i < 16; ++i)
        if (neg == QLatin1String(kNegCurr[i])) fs.NegCurrFormat = static_cast<quint8>(i);

    const QString shortDate = loc.dateFormat(QLocale::ShortFormat);
    const QString longDate = loc.dateFormat(QLocale::LongFormat);
    const QString shortTime = loc.timeFormat(QLocale::ShortFormat);
    const QString longTime = loc.timeFormat(QLocale::LongFormat);
    fs.DateSeparator = FirstSeparator(shortDate, QLatin1Char('/'));
    fs.TimeSeparator = FirstSeparator(longTime, QLatin1Char(':'));
    // A two-digit year would lose the century on a round trip, so the short format shows four.
    fs.ShortDateFormat = TranslatePattern(shortDate, fs.DateSeparator, QChar(), true);
    fs.LongDateFormat = TranslatePattern(longDate, QChar(), QChar(), false);
    fs.ShortTimeFormat = TranslatePattern(shortTime, QChar(), fs.TimeSeparator, false);
    fs.LongTimeFormat = TranslatePattern(longTime, QChar(), fs.TimeSeparator, false);
    fs.TimeAMString = loc.amText();
    fs.TimePMString = loc.pmText();

    for (int m = 1; m <= 12; ++m) {
        fs.ShortMonthNames[m - 1] = loc.standaloneMonthName(m, QLocale::ShortFormat);
        fs.LongMonthNames[m - 1] = loc.standaloneMonthName(m, QLocale::LongFormat);
    }
    for (int d = 0; d < 7; ++d) {
        const int qtDay = d == 0 ? 7 : d; // Qt counts from Monday
        fs.ShortDayNames[d] = loc.dayName(qtDay, QLocale::ShortFormat);
        fs.LongDayNames[d] = loc.dayName(qtDay, QLocale::LongFormat);
    }
    fs.TwoDigitYearCenturyWindow = 50;
    return fs;
}

QMutex gMutex;

TFormatSettings& Global() {
    static TFormatSettings settings = TFormatSettings::CreateDefault();
    return settings;
}

} // namespace

TFormatSettings TFormatSettings::Invariant() {
    TFormatSettings fs;
    fs.CurrencyString = QString(QChar(0x00A4));
    fs.CurrencyFormat = 0;
    fs.NegCurrFormat = 0;
    fs.ThousandSeparator = QLatin1Char(',');
    fs.DecimalSeparator = QLatin1Char('.');
    fs.CurrencyDecimals = 2;
    fs.DateSeparator = QLatin1Char('/');
    fs.TimeSeparator = QLatin1Char(':');
    fs.ListSeparator = QLatin1Char(',');
    fs.ShortDateFormat = QStringLiteral("mm/dd/yyyy");
    fs.LongDateFormat = QStringLiteral("dddd, dd mmmm yyyy");
    fs.TimeAMString = QStringLiteral("AM");
    fs.TimePMString = QStringLiteral("PM");
    fs.ShortTimeFormat = QStringLiteral("hh:nn");
    fs.LongTimeFormat = QStringLiteral("hh:nn:ss");
    fs.ShortMonthNames = EnglishMonths(false);
    fs.LongMonthNames = EnglishMonths(true);
    fs.ShortDayNames = EnglishDays(false);
    fs.LongDayNames = EnglishDays(true);
    fs.TwoDigitYearCenturyWindow = 50;
    return fs;
}

TFormatSettings TFormatSettings::Create(const QString& localeName) {
    if (localeName.isEmpty() || localeName == QLatin1String("C") || localeName == QLatin1String("POSIX") ||
        localeName.startsWith(QLatin1String("C.")))
        return Invariant();
    QString name = localeName;
    const int dot = name.indexOf(QLatin1Char('.'));
    if (dot > 0) name.truncate(dot); // "ru_RU.UTF-8"
    const QLocale loc(name);
    if (loc.language() == QLocale::C) return Invariant();
    return FromLocale(loc);
}

TFormatSettings TFormatSettings::CreateDefault() {
    const QLocale loc = QLocale::system();
    if (loc.language() == QLocale::C) return Invariant();
    return FromLocale(loc);
}

const TFormatSettings& FormatSettings() {
    return Global();
}

void SetFormatSettings(const TFormatSettings& value) {
    QMutexLocker lock(&gMutex);
    Global() = value;
}

TFormatSettingsScope::TFormatSettingsScope(const TFormatSettings& value) : FSaved(FormatSettings()) {
    SetFormatSettings(value);
}

TFormatSettingsScope::TFormatSettingsScope(const QString& localeName)
    : TFormatSettingsScope(TFormatSettings::Create(localeName)) {}

TFormatSettingsScope::~TFormatSettingsScope() {
    SetFormatSettings(FSaved);
}
