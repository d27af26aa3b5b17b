// Date serial numbers, encoding and decoding, the clock, FormatDateTime and date/time parsing.

#include "platform/rtl/SysUtils.h"

#include <QDateTime>
#include <QMutex>

#include <cmath>

namespace {

const int kDayTable[2][12] = {{31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31},
                              {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31}};

// The first day serial that is not representable (10000-01-01) and the first that is (0001-01-01).
constexpr double kMaxDateSerial = 2958466.0;
constexpr double kMinDateSerial = -693593.0;

[[noreturn]] void RaiseDateEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to date encode"));
}

[[noreturn]] void RaiseTimeEncode() {
    throw EConvertError(QStringLiteral("Invalid argument to time encode"));
}

// Day index (days since 1899-12-30, may be negative) and milliseconds of the day. A negative
// value keeps its time measured forward from its day's midnight.
struct TStamp {
    long long Day = 0;
    int MSec = 0;
    bool Valid = false;
};

TStamp ToStamp(TDateTime value) {
    TStamp st;
    if (!std::isfinite(value) || value >= kMaxDateSerial + 1 || value <= kMinDateSerial - 1) return st;
    const double day = std::trunc(value);
    long long ms = std::llround(std::fabs(value - day) * MSecsPerDay);
    st.Day = static_cast<long long>(day);
    if (ms >= static_cast<long long>(MSecsPerDay)) {
        // Rounding reached midnight: it belongs to the next day.
        ms = 0;
        ++st.Day;
    }
    st.MSec = static_cast<int>(ms);
    st.Valid = true;
    return st;
}

void DecodeDay(long long day, quint16& year, quint16& month, quint16& dayOfMonth) {
    long long t = day + DateDelta; // days since 0001-01-01, plus one
    if (t <= 0 || t > 3652059) {
        year = month = dayOfMonth = 0;
        return;
    }
    --t;
    long long y = 1;
    while (t >= 146097) {
        t -= 146097;
        y += 400;
    }
    long long i = t / 36524, d = t % 36524;
    if (i == 4) {
        --i;
        d += 36524;
    }
    y += i * 100;
    i = d / 1461;
    d %= 1461;
    y += i * 4;
    i = d / 365;
    d %= 365;
    if (i == 4) {
        --i;
        d += 365;
    }
    y += i;
    const int* table = kDayTable[IsLeapYear(static_cast<int>(y)) ? 1 : 0];
    int m = 0;
    while (d >= table[m]) {
        d -= table[m];
        ++m;
    }
    year = static_cast<quint16>(y);
    month = static_cast<quint16>(m + 1);
    dayOfMonth = static_cast<quint16>(d + 1);
}

QMutex gClockMutex;
TClockFunction& Clock() {
    static TClockFunction clock;
    return clock;
}

TDateTime SystemNow() {
    const QDateTime now = QDateTime::currentDateTime();
    const QDate d = now.date();
    const QTime t = now.time();
    return EncodeDate(d.year(), d.month(), d.day()) + EncodeTime(t.hour(), t.minute(), t.second(), t.msec());
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Calendar

bool IsLeapYear(int year) {
    return (year % 4 == 0) && ((year % 100 != 0) || (year % 400 == 0));
}

int DaysInMonth(int year, int month) {
    if (month < 1 || month > 12) return 0;
    return kDayTable[IsLeapYear(year) ? 1 : 0][month - 1];
}

int DaysInAMonth(int year, int month) {
    return DaysInMonth(year, month);
}

bool TryEncodeDate(int year, int month, int day, TDateTime& value) {
    if (year < 1 || year > 9999 || month < 1 || month > 12) return false;
    const int* table = kDayTable[IsLeapYear(year) ? 1 : 0];
    if (day < 1 || day > table[month - 1]) return false;
    for (int m = 0; m < month - 1; ++m)
        day += table[m];
    const long long i = year - 1;
    value = static_cast<double>(i * 365 + i / 4 - i / 100 + i / 400 + day - DateDelta);
    return true;
}

TDateTime EncodeDate(int year, int month, int day) {
    TDateTime v = 0;
    if (!TryEncodeDate(year, month, day, v)) RaiseDateEncode();
    return v;
}

void DecodeDate(TDateTime value, quint16& year, quint16& month, quint16& day) {
    const TStamp st = ToStamp(value);
    if (!st.Valid) {
        year = month = day = 0;
        return;
    }
    DecodeDay(st.Day, year, month, day);
}

bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value) {
    if (hour < 0 || hour > 23 || min < 0 || min > 59 || sec < 0 || sec > 59 || msec < 0 || msec > 999)
        return false;
    value = (hour * 3600000.0 + min * 60000.0 + sec * 1000.0 + msec) / MSecsPerDay;
    return true;
}

TDateTime EncodeTime(int hour, int min, int sec, int msec) {
    TDateTime v = 0;
    if (!TryEncodeTime(hour, min, sec, msec, v)) RaiseTimeEncode();
    return v;
}

void DecodeTime(TDateTime value, quint16& hour, quint16& min, quint16& sec, quint16& msec) {
    const TStamp st = ToStamp(value);
    const int ms = st.Valid ? st.MSec : 0;
    hour = static_cast<quint16>(ms / 3600000);
    min = static_cast<quint16>(ms / 60000 % 60);
    sec = static_cast<quint16>(ms / 1000 % 60);
    msec = static_cast<quint16>(ms % 1000);
}

bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& value) {
    TDateTime d = 0, t = 0;
    if (!TryEncodeDate(year, month, day, d) || !TryEncodeTime(hour, min, sec, msec, t)) return false;
    value = d >= 0 ? d + t : d - t;
    return true;
}

TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec) {
    TDateTime d = EncodeDate(year, month, day);
    TDateTime t = EncodeTime(hour, min, sec, msec);
    return d >= 0 ? d + t : d - t;
}

void DecodeDateTime(TDateTime value, quint16& year, quint16& month, quint16& day, quint16& hour, quint16& min,
                    quint16& sec, quint16& msec) {
    DecodeDate(value, year, month, day);
    DecodeTime(value, hour, min, sec, msec);
}

int DayOfWeek(TDateTime value) {
    const TStamp st = ToStamp(value);
    if (!st.Valid) return 0;
    // Day index 0 (1899-12-30) was a Saturday.
    long long r = (st.Day + 6) % 7;
    if (r < 0) r += 7;
    return static_cast<int>(r) + 1;
}

int YearOf(TDateTime value) {
    quint16 y, m, d;
    DecodeDate(value, y, m, d);
    return y;
}

int MonthOf(TDateTime value) {
    quint16 y, m, d;
    DecodeDate(value, y, m, d);
    return m;
}

int DayOf(TDateTime value) {
    quint16 y, m, d;
    DecodeDate(value, y, m, d);
    return d;
}

int HourOf(TDateTime value) {
    quint16 h, n, s, z;
    DecodeTime(value, h, n, s, z);
    return h;
}

int MinuteOf(TDateTime value) {
    quint16 h, n, s, z;
    DecodeTime(value, h, n, s, z);
    return n;
}

int SecondOf(TDateTime value) {
    quint16 h, n, s, z;
    DecodeTime(value, h, n, s, z);
    return s;
}

int MilliSecondOf(TDateTime value) {
    quint16 h, n, s, z;
    DecodeTime(value, h, n, s, z);
    return z;
}

int DayOfTheWeek(TDateTime value) {
    const int d = DayOfWeek(value);
    return d == 0 ? 0 : (d + 5) % 7 + 1;
}

TDateTime DateOf(TDateTime value) {
    return std::trunc(value);
}

TDateTime TimeOf(TDateTime value) {
    return std::fabs(value - std::trunc(value));
}

TDateTime IncMonth(TDateTime value, int months) {
    quint16 y, m, d;
    DecodeDate(value, y, m, d);
    if (y == 0) RaiseDateEncode();
    long long total = static_cast<long long>(y) * 12 + (m - 1) + months;
    const long long year = total / 12;
    const int month = static_cast<int>(total % 12) + 1;
    if (year < 1 || year > 9999) RaiseDateEncode();
    const int day = std::min<int>(d, DaysInMonth(static_cast<int>(year), month));
    const TDateTime date = EncodeDate(static_cast<int>(year), month, day);
    const TDateTime time = TimeOf(value);
    return date >= 0 ? date + time : date - time;
}

// ---------------------------------------------------------------------------------------------
// Clock

void SetClock(TClockFunction clock) {
    QMutexLocker lock(&gClockMutex);
    Clock() = std::move(clock);
}

TDateTime Now() {
    TClockFunction clock;
    {
        QMutexLocker lock(&gClockMutex);
        clock = Clock();
    }
    return clock ? clock() : SystemNow();
}

TDateTime Date() {
    return std::trunc(Now());
}

TDateTime Time() {
    // Through hours..milliseconds, so the result equals what EncodeTime gives for that time.
    quint16 h, n, s, z;
    DecodeTime(Now(), h, n, s, z);
    return EncodeTime(h, n, s, z);
}

// ---------------------------------------------------------------------------------------------
// FormatDateTime

namespace {

QString Pad(int value, int width) {
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

bool StartsWithNoCase(const QString& s, int at, const char* what) {
    const QLatin1String w(what);
    return QStringView(s).mid(at, w.size()).compare(w, Qt::CaseInsensitive) == 0 && at + w.size() <= s.size();
}

// True when an am/pm specifier follows in the format, which makes the hour 12-hour based.
bool HasAmPmAfter(const QString& f, int from) {
    QChar quote;
    for (int i = from; i < f.size(); ++i) {
        const QChar c = f[i];
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            continue;
        }
        if (StartsWithNoCase(f, i, "am/pm") || StartsWithNoCase(f, i, "a/p") ||
            StartsWithNoCase(f, i, "ampm"))
            return true;
    }
    return false;
}

struct TDateParts {
    quint16 Year = 0, Month = 0, Day = 0, Hour = 0, Min = 0, Sec = 0, MSec = 0;
    int DayOfWeek = 0;
    bool HasTime = false;
};

void AppendFormat(QString& out, const QString& f, const TDateParts& p, const TFormatSettings& fs, int depth) {
    if (depth > 2) return; // a settings format that names itself would never end
    const int n = static_cast<int>(f.size());
    char lastToken = ' ';
    bool use12Hour = false;
    int i = 0;
    auto countRun = [&](QChar c) {
        int run = 1;
        while (i + run < n && f[i + run].toUpper() == c.toUpper())
            ++run;
        return run;
    };
    while (i < n) {
        const QChar c = f[i];
        const char u = c.toUpper().unicode() < 128 ? static_cast<char>(c.toUpper().unicode()) : 0;
        switch (u) {
        case 'C':
            ++i;
            AppendFormat(out, fs.ShortDateFormat, p, fs, depth + 1);
            if (p.HasTime) {
                out += QLatin1Char(' ');
                AppendFormat(out, fs.LongTimeFormat, p, fs, depth + 1);
            }
            lastToken = 'C';
            break;
        case 'D': {
            const int run = countRun(c);
            i += run;
            if (run == 1)
                out += QString::number(p.Day);
            else if (run == 2)
                out += Pad(p.Day, 2);
            else if (run == 3) {
                if (p.DayOfWeek >= 1) out += fs.ShortDayNames[static_cast<size_t>(p.DayOfWeek - 1)];
            } else if (run == 4) {
                if (p.DayOfWeek >= 1) out += fs.LongDayNames[static_cast<size_t>(p.DayOfWeek - 1)];
            } else if (run == 5)
                AppendFormat(out, fs.ShortDateFormat, p, fs, depth + 1);
            else
                AppendFormat(out, fs.LongDateFormat, p, fs, depth + 1);
            lastToken = 'D';
            break;
        }
        case 'E': {
            // Year of the era; the Gregorian calendar has one era counted from year 1.
            const int run = countRun(c);
            i += run;
            out += run >= 2 ? Pad(p.Year, 2) : QString::number(p.Year);
            lastToken = 'E';
            break;
        }
        case 'G': {
            const int run = countRun(c);
            i += run;
            out += QStringLiteral("A.D.");
            lastToken = 'G';
            break;
        }
        case 'Y': {
            const int run = countRun(c);
            i += run;
            if (run <= 2)
                out += Pad(p.Year % 100, 2);
            else
                out += Pad(p.Year, 4);
            lastToken = 'Y';
            break;
        }
        case 'M': {
            const int run = countRun(c);
            i += run;
            if (lastToken == 'H' && run <= 2) {
                // After an hour, m is the minute.
                out += run == 1 ? QString::number(p.Min) : Pad(p.Min, 2);
                lastToken = 'N';
                break;
            }
            if (run == 1)
                out += QString::number(p.Month);
            else if (run == 2)
                out += Pad(p.Month, 2);
            else if (p.Month >= 1 && p.Month <= 12)
                out += run == 3 ? fs.ShortMonthNames[static_cast<size_t>(p.Month - 1)]
                                : fs.LongMonthNames[static_cast<size_t>(p.Month - 1)];
            lastToken = 'M';
            break;
        }
        case 'H': {
            const int run = countRun(c);
            i += run;
            use12Hour = HasAmPmAfter(f, i);
            int h = p.Hour;
            if (use12Hour) {
                h %= 12;
                if (h == 0) h = 12;
            }
            out += run == 1 ? QString::number(h) : Pad(h, 2);
            lastToken = 'H';
            break;
        }
        case 'N': {
            const int run = countRun(c);
            i += run;
            out += run == 1 ? QString::number(p.Min) : Pad(p.Min, 2);
            lastToken = 'N';
            break;
        }
        case 'S': {
            const int run = countRun(c);
            i += run;
            out += run == 1 ? QString::number(p.Sec) : Pad(p.Sec, 2);
            lastToken = 'S';
            break;
        }
        case 'Z': {
            const int run = countRun(c);
            i += run;
            out += run == 1 ? QString::number(p.MSec) : Pad(p.MSec, 3);
            lastToken = 'Z';
            break;
        }
        case 'T': {
            const int run = countRun(c);
            i += run;
            AppendFormat(out, run == 1 ? fs.ShortTimeFormat : fs.LongTimeFormat, p, fs, depth + 1);
            lastToken = 'T';
            break;
        }
        case 'A': {
            const bool pm = p.Hour >= 12;
            if (StartsWithNoCase(f, i, "am/pm")) {
                out += pm ? f.mid(i + 3, 2) : f.mid(i, 2);
                i += 5;
            } else if (StartsWithNoCase(f, i, "a/p")) {
                out += pm ? f.mid(i + 2, 1) : f.mid(i, 1);
                i += 3;
            } else if (StartsWithNoCase(f, i, "ampm")) {
                out += pm ? fs.TimePMString : fs.TimeAMString;
                i += 4;
            } else {
                out += c;
                ++i;
            }
            break;
        }
        case '/':
            if (!fs.DateSeparator.isNull()) out += fs.DateSeparator;
            ++i;
            break;
        case ':':
            if (!fs.TimeSeparator.isNull()) out += fs.TimeSeparator;
            ++i;
            break;
        case '"':
        case '\'': {
            const int close = static_cast<int>(f.indexOf(c, i + 1));
            const int end = close < 0 ? n : close;
            out += QStringView(f).mid(i + 1, end - i - 1);
            i = end + 1;
            break;
        }
        default:
            out += c;
            ++i;
            break;
        }
    }
}

TDateParts Parts(TDateTime value) {
    TDateParts p;
    DecodeDateTime(value, p.Year, p.Month, p.Day, p.Hour, p.Min, p.Sec, p.MSec);
    p.DayOfWeek = DayOfWeek(value);
    p.HasTime = p.Hour != 0 || p.Min != 0 || p.Sec != 0 || p.MSec != 0;
    return p;
}

} // namespace

QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs) {
    QString out;
    AppendFormat(out, format.isEmpty() ? QStringLiteral("c") : format, Parts(value), fs, 0);
    return out;
}

QString FormatDateTime(const QString& format, TDateTime value) {
    return FormatDateTime(format, value, FormatSettings());
}

QString DateToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(QStringLiteral("ddddd"), value, fs);
}

QString DateToStr(TDateTime value) {
    return DateToStr(value, FormatSettings());
}

QString TimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(QStringLiteral("tt"), value, fs);
}

QString TimeToStr(TDateTime value) {
    return TimeToStr(value, FormatSettings());
}

QString DateTimeToStr(TDateTime value, const TFormatSettings& fs) {
    return FormatDateTime(QStringLiteral("c"), value, fs);
}

QString DateTimeToStr(TDateTime value) {
    return DateTimeToStr(value, FormatSettings());
}

// ---------------------------------------------------------------------------------------------
// Parsing

namespace {

enum class TDateOrder { MDY, DMY, YMD };

TDateOrder OrderOf(const QString& shortDateFormat) {
    QChar quote;
    for (QChar c : shortDateFormat) {
        if (!quote.isNull()) {
            if (c == quote) quote = QChar();
            continue;
        }
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            continue;
        }
        switch (c.toUpper().unicode()) {
        case 'D':
            return TDateOrder::DMY;
        case 'Y':
            return TDateOrder::YMD;
        case 'M':
            return TDateOrder::MDY;
        default:
            break;
        }
    }
    return TDateOrder::MDY;
}

class TScanner {
public:
    explicit TScanner(const QString& s) : FText(s) {}

    bool AtEnd() const { return FPos >= FText.size(); }
    int Position() const { return FPos; }
    void SetPosition(int p) { FPos = p; }

    void SkipBlanks() {
        while (FPos < FText.size() && FText[FPos].unicode() <= ' ')
            ++FPos;
    }

    // Up to nine decimal digits after blanks; digits gives how many were read.
    bool Number(int& value, int& digits) {
        SkipBlanks();
        const int start = FPos;
        long long v = 0;
        while (FPos < FText.size() && FText[FPos].unicode() >= '0' && FText[FPos].unicode() <= '9') {
            if (FPos - start >= 9) return false;
            v = v * 10 + (FText[FPos].unicode() - '0');
            ++FPos;
        }
        digits = FPos - start;
        value = static_cast<int>(v);
        return digits > 0;
    }

    bool Char(QChar c) {
        SkipBlanks();
        if (FPos < FText.size() && FText[FPos] == c) {
            ++FPos;
            return true;
        }
        return false;
    }

    bool Word(const QString& w) {
        SkipBlanks();
        if (w.isEmpty()) return false;
        if (QStringView(FText).mid(FPos, w.size()).compare(w, Qt::CaseInsensitive) == 0 &&
            FPos + w.size() <= FText.size()) {
            FPos += static_cast<int>(w.size());
            return true;
        }
        return false;
    }

private:
    const QString& FText;
    int FPos = 0;
};

bool ScanDate(TScanner& sc, const TFormatSettings& fs, TDateTime& value) {
    const TDateOrder order = OrderOf(fs.ShortDateFormat);
    int n1 = 0, n2 = 0, n3 = 0, l1 = 0, l2 = 0, l3 = 0;
    if (!sc.Number(n1, l1) || !sc.Char(fs.DateSeparator) || !sc.Number(n2, l2)) return false;
    int year = 0, month = 0, day = 0, yearDigits = 0;
    if (sc.Char(fs.DateSeparator)) {
        if (!sc.Number(n3, l3)) return false;
        switch (order) {
        case TDateOrder::MDY:
            month = n1;
            day = n2;
            year = n3;
            yearDigits = l3;
            break;
        case TDateOrder::DMY:
            day = n1;
            month = n2;
            year = n3;
            yearDigits = l3;
            break;
        case TDateOrder::YMD:
            year = n1;
            month = n2;
            day = n3;
            yearDigits = l1;
            break;
        }
    } else {
        // Two numbers: the current year.
        year = YearOf(Now());
        yearDigits = 4;
        if (order == TDateOrder::DMY) {
            day = n1;
            month = n2;
        } else {
            month = n1;
            day = n2;
        }
    }
    if (yearDigits <= 2 && year <= 99) {
        const int centuryBase = YearOf(Now()) - fs.TwoDigitYearCenturyWindow;
        year += centuryBase / 100 * 100;
        if (fs.TwoDigitYearCenturyWindow > 0 && year < centuryBase) year += 100;
    }
    // A trailing separator, as in "31.12.2024.", is allowed.
    sc.Char(fs.DateSeparator);
    return TryEncodeDate(year, month, day, value);
}

bool ScanTime(TScanner& sc, const TFormatSettings& fs, TDateTime& value) {
    int baseHour = -1;
    auto scanMarker = [&] {
        if (sc.Word(fs.TimeAMString) || sc.Word(QStringLiteral("AM")))
            baseHour = 0;
        else if (sc.Word(fs.TimePMString) || sc.Word(QStringLiteral("PM")))
            baseHour = 12;
    };
    scanMarker();
    int hour = 0, min = 0, sec = 0, msec = 0, len = 0;
    if (!sc.Number(hour, len)) return false;
    if (sc.Char(fs.TimeSeparator)) {
        if (!sc.Number(min, len)) return false;
        if (sc.Char(fs.TimeSeparator)) {
            if (!sc.Number(sec, len)) return false;
            if (sc.Char(QLatin1Char('.')) ||
                (fs.DecimalSeparator != QLatin1Char('.') && sc.Char(fs.DecimalSeparator))) {
                if (!sc.Number(msec, len)) return false;
            }
        }
    }
    if (baseHour < 0) scanMarker();
    if (baseHour >= 0) {
        if (hour == 0 || hour > 12) return false;
        if (hour == 12) hour = 0;
        hour += baseHour;
    }
    sc.SkipBlanks();
    return TryEncodeTime(hour, min, sec, msec, value);
}

} // namespace

bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& fs) {
    TScanner sc(s);
    TDateTime v = 0;
    if (!ScanDate(sc, fs, v)) return false;
    sc.SkipBlanks();
    if (!sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryStrToDate(const QString& s, TDateTime& value) {
    return TryStrToDate(s, value, FormatSettings());
}

TDateTime StrToDate(const QString& s, const TFormatSettings& fs) {
    TDateTime v = 0;
    if (!TryStrToDate(s, v, fs)) throw EConvertError(QStringLiteral("'%1' is not a valid date").arg(s));
    return v;
}

TDateTime StrToDate(const QString& s) {
    return StrToDate(s, FormatSettings());
}

TDateTime StrToDateDef(const QString& s, TDateTime def) {
    TDateTime v = 0;
    return TryStrToDate(s, v) ? v : def;
}

bool TryStrToTime(const QString& s, TDateTime& value, const TFormatSettings& fs) {
    TScanner sc(s);
    TDateTime v = 0;
    if (!ScanTime(sc, fs, v) || !sc.AtEnd()) return false;
    value = v;
    return true;
}

bool TryStrToTime(const QString& s, TDateTime& value) {
    return TryStrToTime(s, value, FormatSettings());
}

TDateTime StrToTime(const QString& s, const TFormatSettings& fs) {
    TDateTime v = 0;
    if (!TryStrToTime(s, v, fs)) throw EConvertError(QStringLiteral("'%1' is not a valid time").arg(s));
    return v;
}

TDateTime StrToTime(const QString& s) {
    return StrToTime(s, FormatSettings());
}

bool TryStrToDateTime(const QString& s, TDateTime& value, const TFormatSettings& fs) {
    TScanner sc(s);
    TDateTime date = 0, time = 0;
    if (ScanDate(sc, fs, date)) {
        sc.SkipBlanks();
        if (!sc.AtEnd() && !(ScanTime(sc, fs, time) && sc.AtEnd())) return false;
        value = date >= 0 ? date + time : date - time;
        return true;
    }
    // A time alone is a time on day 0.
    return TryStrToTime(s, value, fs);
}

bool TryStrToDateTime(const QString& s, TDateTime& value) {
    return TryStrToDateTime(s, value, FormatSettings());
}

TDateTime StrToDateTime(const QString& s, const TFormatSettings& fs) {
    TDateTime v = 0;
    if (!TryStrToDateTime(s, v, fs))
        throw EConvertError(QStringLiteral("'%1' is not a valid date and time").arg(s));
    return v;
}

TDateTime StrToDateTime(const QString& s) {
    return StrToDateTime(s, FormatSettings());
}

TDateTime StrToDateTimeDef(const QString& s, TDateTime def) {
    TDateTime v = 0;
    return TryStrToDateTime(s, v) ? v : def;
}
