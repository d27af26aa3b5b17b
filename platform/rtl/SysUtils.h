#pragma once
// Number, date and text conversions with the runtime behaviour the rest of Korvel expects. Every routine that
// depends on the locale reads the process-wide TFormatSettings (FormatSettings()) unless it is given one. Bad
// input raises EConvertError; nothing here has undefined behaviour on any text.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <QChar>
#include <QString>

#include <array>
#include <concepts>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <span>
#include <type_traits>
#include <vector>

// ---------------------------------------------------------------------------------------------
// Locale format settings

struct TFormatSettings {
    QString CurrencyString;
    quint8 CurrencyFormat = 0; // 0 "$1", 1 "1$", 2 "$ 1", 3 "1 $"
    quint8 NegCurrFormat = 0;  // 0..15, the table of negative currency layouts
    QChar ThousandSeparator = QLatin1Char(',');
    QChar DecimalSeparator = QLatin1Char('.');
    quint8 CurrencyDecimals = 2;
    QChar DateSeparator = QLatin1Char('/');
    QChar TimeSeparator = QLatin1Char(':');
    QChar ListSeparator = QLatin1Char(',');
    QString ShortDateFormat;
    QString LongDateFormat;
    QString TimeAMString;
    QString TimePMString;
    QString ShortTimeFormat;
    QString LongTimeFormat;
    std::array<QString, 12> ShortMonthNames;
    std::array<QString, 12> LongMonthNames;
    std::array<QString, 7> ShortDayNames; // Sunday first
    std::array<QString, 7> LongDayNames;  // Sunday first
    quint16 TwoDigitYearCenturyWindow = 50;

    // Settings of a named locale ("en_US", "ru_RU", "de_DE", "C"), built from Qt's own locale
    // data, so tests can pin a locale without system locale packages.
    static TFormatSettings Create(const QString& localeName);
    // Settings of the user's locale (the process default at first use).
    static TFormatSettings CreateDefault();
    // Locale-independent settings: "." decimal, "," thousands, "mm/dd/yyyy", "hh:nn:ss", English names.
    static TFormatSettings Invariant();
};

// The process-wide settings. Filled from the user's locale on first use.
const TFormatSettings& FormatSettings();
void SetFormatSettings(const TFormatSettings& value);

// Replaces the process-wide settings for the scope's lifetime (tests).
class TFormatSettingsScope {
public:
    explicit TFormatSettingsScope(const TFormatSettings& value);
    explicit TFormatSettingsScope(const QString& localeName);
    ~TFormatSettingsScope();
    TFormatSettingsScope(const TFormatSettingsScope&) = delete;
    TFormatSettingsScope& operator=(const TFormatSettingsScope&) = delete;

private:
    TFormatSettings FSaved;
};

// ---------------------------------------------------------------------------------------------
// Integers

QString IntToStr(int value);
QString IntToStr(Int64 value);
// Any other integer type (qsizetype, size_t, unsigned...) prints its own value.
template <std::integral T>
requires(!std::same_as<T, bool>) QString IntToStr(T value) {
    if constexpr (std::is_signed_v<T>)
        return IntToStr(static_cast<Int64>(value));
    else
        return QString::number(static_cast<quint64>(value));
}
QString IntToHex(int value, int digits);   // the 32 bits of value
QString IntToHex(Int64 value, int digits); // the 64 bits of value
// Optional leading blanks, a sign, then decimal digits or a hexadecimal number after "$", "0x" or
// "x"; nothing may follow. A decimal value out of range fails; a hexadecimal one may use all bits.
int StrToInt(const QString& s);
int StrToIntDef(const QString& s, int def);
bool TryStrToInt(const QString& s, int& value);
Int64 StrToInt64(const QString& s);
Int64 StrToInt64Def(const QString& s, Int64 def);
bool TryStrToInt64(const QString& s, Int64& value);

// ---------------------------------------------------------------------------------------------
// Booleans

extern const QString DefaultTrueBoolStr;  // "True"
extern const QString DefaultFalseBoolStr; // "False"
// UseBoolStrs false gives "-1" and "0".
QString BoolToStr(bool value, bool useBoolStrs = false);
// "True"/"False" in any case, or a number (non-zero is true).
bool StrToBool(const QString& s);
bool StrToBoolDef(const QString& s, bool def);
bool TryStrToBool(const QString& s, bool& value);

// ---------------------------------------------------------------------------------------------
// Floating point

enum TFloatFormat { ffGeneral, ffExponent, ffFixed, ffNumber, ffCurrency };

// General format, 15 significant digits: "1.5", "1E20", "1.23E-7", "INF", "-INF", "NAN".
QString FloatToStr(double value);
QString FloatToStr(double value, const TFormatSettings& fs);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits);
QString FloatToStrF(double value, TFloatFormat format, int precision, int digits, const TFormatSettings& fs);
// Picture format: "#,##0.00;(#,##0.00);Zero", "0.###E+00", quoted text...
QString FormatFloat(const QString& format, double value);
QString FormatFloat(const QString& format, double value, const TFormatSettings& fs);
QString CurrToStr(double value);
QString CurrToStr(double value, const TFormatSettings& fs);

// Optional blanks, sign, digits with the locale's decimal separator, optional exponent, trailing
// blanks. No thousands separators, and no "INF" or "NAN": a text must hold a number.
double StrToFloat(const QString& s);
double StrToFloat(const QString& s, const TFormatSettings& fs);
double StrToFloatDef(const QString& s, double def);
double StrToFloatDef(const QString& s, double def, const TFormatSettings& fs);
bool TryStrToFloat(const QString& s, double& value);
bool TryStrToFloat(const QString& s, double& value, const TFormatSettings& fs);

// Rounding. Round goes half to even ("banker's"); all return 64 bits and raise EInvalidOp for
// values that do not fit (NaN, infinities, beyond 64 bits).
Int64 Round(double value);
Int64 Trunc(double value);
double Int(double value);  // integral part, toward zero
double Frac(double value); // value - Int(value)
// Rounds to 10^digit (digit -2 is hundredths), half to even, as the math unit's RoundTo.
double RoundTo(double value, int digit);
// Rounds to 10^digit, half away from zero.
double SimpleRoundTo(double value, int digit = -2);

// ---------------------------------------------------------------------------------------------
// Format

// One argument of Format: a small tagged value with implicit constructors.
class FormatArg {
public:
    enum class Kind { Integer, Int64, Extended, String, Char, Pointer, Boolean };

    FormatArg(int v) : FKind(Kind::Integer), FInt(v) {}
    FormatArg(unsigned v) : FKind(Kind::Int64), FInt(v) {}
    FormatArg(long v) : FKind(Kind::Int64), FInt(v) {}
    FormatArg(unsigned long v) : FKind(Kind::Int64), FInt(static_cast<Int64>(v)) {}
    FormatArg(long long v) : FKind(Kind::Int64), FInt(v) {}
    FormatArg(unsigned long long v) : FKind(Kind::Int64), FInt(static_cast<Int64>(v)) {}
    FormatArg(short v) : FKind(Kind::Integer), FInt(v) {}
    FormatArg(unsigned short v) : FKind(Kind::Integer), FInt(v) {}
    FormatArg(double v) : FKind(Kind::Extended), FFloat(v) {}
    FormatArg(float v) : FKind(Kind::Extended), FFloat(v) {}
    FormatArg(const QString& v) : FKind(Kind::String), FText(v) {}
    FormatArg(const char* v) : FKind(Kind::String), FText(QString::fromUtf8(v)) {}
    FormatArg(QLatin1String v) : FKind(Kind::String), FText(v) {}
    FormatArg(QChar v) : FKind(Kind::Char), FText(v) {}
    FormatArg(char v) : FKind(Kind::Char), FText(QChar::fromLatin1(v)) {}
    FormatArg(char16_t v) : FKind(Kind::Char), FText(QChar(v)) {}
    FormatArg(const void* v) : FKind(Kind::Pointer), FPtr(reinterpret_cast<quintptr>(v)) {}
    FormatArg(std::nullptr_t) : FKind(Kind::Pointer), FPtr(0) {}
    FormatArg(bool v) : FKind(Kind::Boolean), FInt(v ? 1 : 0) {}

    Kind ArgKind() const { return FKind; }
    Int64 AsInt64() const { return FInt; }
    double AsFloat() const { return FFloat; }
    const QString& AsString() const { return FText; }
    quintptr AsPointer() const { return FPtr; }

private:
    Kind FKind;
    Int64 FInt = 0;
    double FFloat = 0;
    QString FText;
    quintptr FPtr = 0;
};

// Directives: "%" [index ":"] ["-"] [width] ["." precision] type, with type one of
// d u e f g n m p s x (either case) and "*" for a width or precision taken from the arguments;
// "%%" is a percent sign. A bad directive, a missing argument or an argument of the wrong kind
// raises EConvertError.
QString Format(const QString& format, std::initializer_list<FormatArg> args);
QString Format(const QString& format, std::span<const FormatArg> args);
QString Format(const QString& format, std::span<const FormatArg> args, const TFormatSettings& fs);
inline QString Format(const QString& format, const std::vector<FormatArg>& args) {
    return Format(format, std::span<const FormatArg>(args));
}

// ---------------------------------------------------------------------------------------------
// Date and time. TDateTime counts days from 1899-12-30; the fraction is the time of day. A
// negative value is a date before 1899-12-30 with the time measured forward from that day's
// midnight, so -1.25 is 1899-12-29 06:00.

constexpr double HoursPerDay = 24;
constexpr double MinsPerDay = 24 * 60;
constexpr double SecsPerDay = 24 * 60 * 60;
constexpr double MSecsPerDay = 24.0 * 60 * 60 * 1000;
constexpr int DateDelta = 693594; // days from 0001-01-01 to 1899-12-31

bool IsLeapYear(int year);
int DaysInMonth(int year, int month); // 0 for a month outside 1..12
int DaysInAMonth(int year, int month);

TDateTime EncodeDate(int year, int month, int day);
bool TryEncodeDate(int year, int month, int day, TDateTime& value);
void DecodeDate(TDateTime value, quint16& year, quint16& month, quint16& day);
TDateTime EncodeTime(int hour, int min, int sec, int msec);
bool TryEncodeTime(int hour, int min, int sec, int msec, TDateTime& value);
void DecodeTime(TDateTime value, quint16& hour, quint16& min, quint16& sec, quint16& msec);
TDateTime EncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec);
bool TryEncodeDateTime(int year, int month, int day, int hour, int min, int sec, int msec, TDateTime& value);
void DecodeDateTime(TDateTime value, quint16& year, quint16& month, quint16& day, quint16& hour, quint16& min,
                    quint16& sec, quint16& msec);

int DayOfWeek(TDateTime value); // 1 = Sunday .. 7 = Saturday
int YearOf(TDateTime value);
int MonthOf(TDateTime value);
int DayOf(TDateTime value);
int HourOf(TDateTime value);
int MinuteOf(TDateTime value);
int SecondOf(TDateTime value);
int MilliSecondOf(TDateTime value);
int DayOfTheWeek(TDateTime value); // ISO numbering: 1 = Monday .. 7 = Sunday; 0 outside the calendar
TDateTime DateOf(TDateTime value); // the date with the time cut off
TDateTime TimeOf(TDateTime value); // the time of day alone
TDateTime IncMonth(TDateTime value, int months = 1);

// The clock. Tests fix it with SetClock; an empty function goes back to the system clock.
using TClockFunction = std::function<TDateTime()>;
void SetClock(TClockFunction clock);
TDateTime Now();
TDateTime Date();
TDateTime Time();

// "ddddd" (short date), "tt" (long time), "c" (both, time left out at midnight).
QString DateToStr(TDateTime value);
QString DateToStr(TDateTime value, const TFormatSettings& fs);
QString TimeToStr(TDateTime value);
QString TimeToStr(TDateTime value, const TFormatSettings& fs);
QString DateTimeToStr(TDateTime value);
QString DateTimeToStr(TDateTime value, const TFormatSettings& fs);
QString FormatDateTime(const QString& format, TDateTime value);
QString FormatDateTime(const QString& format, TDateTime value, const TFormatSettings& fs);

// Dates are read in the order of ShortDateFormat (day, month, year) with DateSeparator; a missing
// year is the current one and a year of one or two digits is placed by TwoDigitYearCenturyWindow.
// Times are h[:n[:s[.z]]] with TimeSeparator and an optional AM/PM marker.
TDateTime StrToDate(const QString& s);
TDateTime StrToDate(const QString& s, const TFormatSettings& fs);
TDateTime StrToDateDef(const QString& s, TDateTime def);
bool TryStrToDate(const QString& s, TDateTime& value);
bool TryStrToDate(const QString& s, TDateTime& value, const TFormatSettings& fs);
TDateTime StrToTime(const QString& s);
TDateTime StrToTime(const QString& s, const TFormatSettings& fs);
bool TryStrToTime(const QString& s, TDateTime& value);
bool TryStrToTime(const QString& s, TDateTime& value, const TFormatSettings& fs);
TDateTime StrToDateTime(const QString& s);
TDateTime StrToDateTime(const QString& s, const TFormatSettings& fs);
TDateTime StrToDateTimeDef(const QString& s, TDateTime def);
bool TryStrToDateTime(const QString& s, TDateTime& value);
bool TryStrToDateTime(const QString& s, TDateTime& value, const TFormatSettings& fs);

// ---------------------------------------------------------------------------------------------
// Small text routines (1-based positions)

QString Trim(const QString& s); // drops leading and trailing characters <= ' '
QString TrimLeft(const QString& s);
QString TrimRight(const QString& s);
QString QuotedStr(const QString& s); // 'it''s'
QString AnsiQuotedStr(const QString& s, QChar quote);
// Removes the quotes and undoubles inner ones; a text that does not start with the quote is
// returned unchanged.
QString AnsiDequotedStr(const QString& s, QChar quote);
QString StringOfChar(QChar ch, int count);

enum TReplaceFlag { rfReplaceAll = 1, rfIgnoreCase = 2 };
QString StringReplace(const QString& s, const QString& oldPattern, const QString& newPattern, int flags);

int Pos(const QString& substr, const QString& s);     // 0 when absent or empty
QString Copy(const QString& s, int index, int count); // clamps, never raises
void Delete(QString& s, int index, int count);
void Insert(const QString& source, QString& s, int index);

// ---------------------------------------------------------------------------------------------
// Edit masks: "mask;save literals;blank". Mask letters L l A a C c 0 9 # take input characters,
// "\" quotes the next character, "!" fills from the right, "<" ">" are case directives, "/" and
// ":" are the locale's separators, "_" is a blank; anything else is a literal.

// Value formatted through the mask. When the mask saves literals (second field not "0"), Value
// already holds them and each of its sub-fields is padded to the mask; otherwise the mask's
// literals are inserted. Missing input characters become blanks.
QString FormatMaskText(const QString& editMask, const QString& value);
QString FormatMaskText(const QString& editMask, const QString& value, const TFormatSettings& fs);
