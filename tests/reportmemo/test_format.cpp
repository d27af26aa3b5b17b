// Display formats: numbers, currency, dates, times, Booleans, the format suffixes of expressions and
// HideZeros, each under an English and a German locale; and format strings from templates that do
// not fit their value, which must give the value's plain text.

#include "MemoTestUtil.h"

#include "platform/rtl/SysUtils.h"

#include <QStringList>

using namespace memotest;

namespace {

struct TFormatCase {
    const char* Name;
    Variant Value;
    TrptFormatKind Kind;
    const char* FormatStr;
    const char* Decimal;
    const char* Thousand;
    const char* English; // en_US
    const char* German;  // de_DE
};

TDateTime SampleDateTime() {
    return EncodeDate(2024, 3, 5) + EncodeTime(14, 7, 9, 0);
}

} // namespace

TEST(MemoFormat, DisplayFormatTableUnderTwoLocales) {
    const Variant when = Variant::FromDate(SampleDateTime());
    const TFormatCase cases[] = {
        {"fixed", 1234.5, fkNumeric, "%2.2f", "", "", "1234.50", "1234,50"},
        {"number with thousands", 1234.5, fkNumeric, "%2.2n", "", "", "1,234.50", "1.234,50"},
        {"own separators", 1234.5, fkNumeric, "%2.2n", ",", " ", "1 234,50", "1 234,50"},
        {"own decimal only", 1234.5, fkNumeric, "%2.2f", "-", "", "1234-50", "1234-50"},
        {"picture", 1234.5, fkNumeric, "#,##0.00", "", "", "1,234.50", "1.234,50"},
        {"picture leading zero", 7.0, fkNumeric, "000", "", "", "007", "007"},
        {"integer", 42, fkNumeric, "%5d", "", "", "   42", "   42"},
        {"integer with percent", 42, fkNumeric, "%d%%", "", "", "42%", "42%"},
        {"negative", -3.5, fkNumeric, "%.1f", "", "", "-3.5", "-3,5"},
        {"exponent", 1234.5, fkNumeric, "%.3e", "", "", "1.23E+003", "1,23E+003"},
        {"currency", 1234.5, fkNumeric, "%2.2m", "", "", "$1,234.50", "1.234,50 \xe2\x82\xac"},
        {"date", when, fkDateTime, "dd.mm.yyyy", "", "", "05.03.2024", "05.03.2024"},
        {"time", when, fkDateTime, "hh:nn:ss", "", "", "14:07:09", "14:07:09"},
        {"month name", when, fkDateTime, "d mmmm yyyy", "", "", "5 March 2024", "5 M\xc3\xa4rz 2024"},
        {"short date", when, fkDateTime, "ddddd", "", "", "3/5/2024", "05.03.2024"},
        {"Boolean true", true, fkBoolean, "No,Yes", "", "", "Yes", "Yes"},
        {"Boolean false", false, fkBoolean, "No,Yes", "", "", "No", "No"},
        {"Boolean text", "maybe", fkBoolean, "No,Yes", "", "", "No", "No"},
        {"Boolean null", Variant::Null(), fkBoolean, "No,Yes", "", "", "", ""},
        {"text", 2.5, fkText, "", "", "", "2.5", "2,5"},
        {"text of a string", "abc", fkText, "%2.2f", "", "", "abc", "abc"},
        {"null", Variant::Null(), fkNumeric, "%2.2f", "", "", "", ""},
        // Errors of any non-text kind: the plain text.
        {"date from text", "not a date", fkDateTime, "dd.mm.yyyy", "", "", "not a date", "not a date"},
        {"number from text", "abc", fkNumeric, "%2.2f", "", "", "abc", "abc"},
        {"integer out of range", 1e12, fkNumeric, "%d", "", "", "1000000000000", "1000000000000"},
    };
    for (const char* locale : {"en_US", "de_DE"}) {
        TFormatSettingsScope scope(QString::fromLatin1(locale));
        TrptMemoView m;
        for (const TFormatCase& c : cases) {
            TrptFormat f;
            f.SetKind(c.Kind);
            f.SetFormatStr(QString::fromUtf8(c.FormatStr));
            f.SetDecimalSeparator(QString::fromUtf8(c.Decimal));
            f.SetThousandSeparator(QString::fromUtf8(c.Thousand));
            const QString expected =
                QString::fromUtf8(locale == QLatin1String("en_US") ? c.English : c.German);
            EXPECT_EQ(m.FormatData(c.Value, &f), expected) << locale << ": " << c.Name;
        }
    }
}

TEST(MemoFormat, DisplayFormatIsTheDefault) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    TrptMemoView m;
    m.DisplayFormat()->SetKind(fkNumeric);
    m.DisplayFormat()->SetFormatStr(QStringLiteral("%.3f"));
    EXPECT_EQ(m.FormatData(Variant(2.0)), QStringLiteral("2.000"));
    TrptFormat other;
    other.Assign(m.DisplayFormat());
    EXPECT_EQ(other.Kind(), fkNumeric);
    EXPECT_EQ(other.FormatStr(), QStringLiteral("%.3f"));
}

// Format strings come from templates; none may reach the formatter with a value it cannot take.
TEST(MemoFormat, EverySpecifierThatDoesNotFitGivesThePlainText) {
    TFormatSettingsScope scope(QStringLiteral("en_US"));
    TrptMemoView m;
    struct TCase {
        const char* FormatStr;
        Variant Value;
        const char* Expected;
    };
    const TCase cases[] = {
        // Fitting directives.
        {"%f", 2.5, "2.50"},
        {"%g", 2.5, "2.5"},
        {"%n", 1234.0, "1,234.00"},
        {"%m", 2.5, "$2.50"},
        {"%e", 2.5, "2.50000000000000E+000"},
        {"%d", 42, "42"},
        {"%u", 42, "42"},
        {"%.4d", 42, "0042"},
        {"%-4d|", 42, "42  |"},
        {"%0:d", 42, "42"},
        {"weight %.1f kg", 2.5, "weight 2.5 kg"},
        {"value %.1f", 2.5, "2.5"}, // "u" in the text: the value goes as an integer, which %f cannot take
        {"no directive", 2.5, "no directive"},
        // Not fitting: the value as it is.
        {"%s", 2.5, "2.5"},
        {"%s", 42, "42"},
        {"%p", 2.5, "2.5"},
        {"%x", 255.0, "255"}, // no "d" or "u": passed as a float, which %x cannot show
        {"%du", 42.0, "42u"},
        {"%d %d", 42, "42"},
        {"%f %f", 2.5, "2.5"},
        {"%*d", 42, "42"},
        {"%.*f", 2.5, "2.5"},
        {"%1:d", 42, "42"},
        {"%n%n", 1.0, "1"},
        {"%300d", 42, "42"},
        {"%.999f", 2.5, "2.5"},
        {"%99999999999999999999d", 42, "42"},
        {"%", 2.5, "2.5"},
        {"abc%", 2.5, "2.5"},
        {"%-", 2.5, "2.5"},
        {"%q", 2.5, "2.5"},
        {"%d", "abc", "abc"},
        {"%d", 3e9, "3000000000"},
        {"%f", "x", "x"},
        {"%c", 65, "65"},
    };
    for (const TCase& c : cases) {
        TrptFormat f;
        f.SetKind(fkNumeric);
        f.SetFormatStr(QString::fromUtf8(c.FormatStr));
        EXPECT_EQ(m.FormatData(c.Value, &f), QString::fromUtf8(c.Expected)) << c.FormatStr;
    }
    // Pictures and date formats of any text never fail either.
    for (const char* pic :
         {"#", "0", "#,##0.00;(#,##0.00);zero", "0000000000000000000000000000000000000", "#e", "0\"x"}) {
        TrptFormat f;
        f.SetKind(fkNumeric);
        f.SetFormatStr(QString::fromUtf8(pic));
        EXPECT_NO_THROW(m.FormatData(Variant(-12.5), &f)) << pic;
    }
    for (const char* df : {"", "\"", "'", "yyyyyyyyyyyy", "%s%n", "c", "ampm", "zzzzzz"}) {
        TrptFormat f;
        f.SetKind(fkDateTime);
        f.SetFormatStr(QString::fromUtf8(df));
        EXPECT_NO_THROW(m.FormatData(Variant::FromDate(SampleDateTime()), &f)) << df;
    }
}

// The " #" suffix of an expression makes a format of its own; ",", "-" and "." in a number suffix
// name the decimal separator.
TEST(MemoFormat, FormatSuffixesUnderTwoLocales) {
    struct TCase {
        const char* Text;
        const char* English;
        const char* German;
    };
    const TCase cases[] = {
        {"[2.5 #N%2,1f]", "2,5", "2,5"},
        {"[2.5 #N%2.1f]", "2.5", "2.5"},
        {"[2.5 #n%2-1f]", "2-5", "2-5"},
        {"[1234.5 #N%2.2n]", "1,234.50", "1.234.50"},
        {"[1234.5 #N#0.00]", "1234.50", "1234.50"},
        {"[42 #N%d]", "42", "42"},
        {"[45356 #Ddd.mm.yyyy]", "05.03.2024", "05.03.2024"},
        {"[45356.5 #Thh:nn]", "12:00", "12:00"},
        {"[True #BNo,Yes]", "Yes", "Yes"},
        {"[False #bNo,Yes]", "No", "No"},
        {"[2.5 #X]", "2.5", "2,5"},                     // any other letter: text
        {"['a #b' + 'c)']", "a #bc)", "a #bc)"},        // ")" after " #": the whole is the expression
        {"[2.5 #N%s]", "2.5", "2,5"},                   // a suffix that does not fit: plain text
        {"a[1+2]b[3*3 #N%.1f]c", "a3b9.0c", "a3b9.0c"}, // "." in the suffix names the separator
        {"[TOTALPAGES#] [copyname#]", "[TotalPages#] [CopyName#]", "[TotalPages#] [CopyName#]"},
    };
    auto report = NewCalcReport();
    for (const char* locale : {"en_US", "de_DE"}) {
        TFormatSettingsScope scope(QString::fromLatin1(locale));
        for (const TCase& c : cases) {
            TrptMemoView m(report.get());
            m.SetText(QString::fromUtf8(c.Text));
            m.BeforePrint();
            m.GetData();
            const QString expected =
                QString::fromUtf8(locale == QLatin1String("en_US") ? c.English : c.German);
            EXPECT_EQ(Plain(m.Text()), expected) << locale << ": " << c.Text;
            m.AfterPrint();
            EXPECT_EQ(Plain(m.Text()), QString::fromUtf8(c.Text));
        }
    }
    EXPECT_EQ(report->Errors()->Count(), 0) << report->Errors()->Text().toStdString();
}

TEST(MemoFormat, HideZerosHidesNumericZerosOnly) {
    auto report = NewCalcReport();
    struct TCase {
        const char* Text;
        const char* Shown;
    };
    const TCase cases[] = {
        {"[0]", ""}, {"[0.0 #N%.2f]", ""}, {"[1-1]", ""}, {"['0']", "0"}, {"[1]", "1"}, {"a[0]b", "ab"},
    };
    for (const TCase& c : cases) {
        TrptMemoView m(report.get());
        m.SetHideZeros(true);
        m.SetText(QString::fromUtf8(c.Text));
        EXPECT_EQ(Plain(Output(m)), QString::fromUtf8(c.Shown)) << c.Text;
        m.SetHideZeros(false);
        EXPECT_NE(Plain(Output(m)), QString()) << c.Text;
    }
}
