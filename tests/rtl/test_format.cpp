// Number conversions and formatting under a "." locale (en_US) and a "," locale (ru_RU).

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

const TFormatSettings& En() {
    static const TFormatSettings fs = TFormatSettings::Create(QStringLiteral("en_US"));
    return fs;
}

const TFormatSettings& Ru() {
    static const TFormatSettings fs = TFormatSettings::Create(QStringLiteral("ru_RU"));
    return fs;
}

// Russian groups digits with a no-break space.
QString Nb(const char* s) {
    return QString::fromUtf8(s).replace(QLatin1Char('_'), QChar(0x00A0));
}

constexpr double kInf = std::numeric_limits<double>::infinity();
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

} // namespace

TEST(FormatSettings, NamedLocales) {
    EXPECT_EQ(En().DecimalSeparator, QLatin1Char('.'));
    EXPECT_EQ(En().ThousandSeparator, QLatin1Char(','));
    EXPECT_EQ(En().DateSeparator, QLatin1Char('/'));
    EXPECT_EQ(En().ShortDateFormat, "m/d/yyyy");
    EXPECT_EQ(En().LongTimeFormat, "h:nn:ss AMPM");
    EXPECT_EQ(En().LongMonthNames[0], "January");
    EXPECT_EQ(En().LongDayNames[0], "Sunday");
    EXPECT_EQ(En().ShortDayNames[6], "Sat");

    EXPECT_EQ(Ru().DecimalSeparator, QLatin1Char(','));
    EXPECT_EQ(Ru().ThousandSeparator, QChar(0x00A0));
    EXPECT_EQ(Ru().DateSeparator, QLatin1Char('.'));
    EXPECT_EQ(Ru().ListSeparator, QLatin1Char(';'));
    EXPECT_EQ(Ru().ShortDateFormat, "dd/mm/yyyy");
    EXPECT_EQ(Ru().LongTimeFormat, "hh:nn:ss");
    EXPECT_EQ(Ru().LongMonthNames[0], QString::fromUtf8("январь"));
    EXPECT_EQ(Ru().LongDayNames[0], QString::fromUtf8("воскресенье"));

    const TFormatSettings c = TFormatSettings::Create(QStringLiteral("C"));
    EXPECT_EQ(c.DecimalSeparator, QLatin1Char('.'));
    EXPECT_EQ(c.LongMonthNames[11], "December");
}

TEST(FormatSettings, ScopeReplacesAndRestoresProcessSettings) {
    const QChar before = FormatSettings().DecimalSeparator;
    {
        TFormatSettingsScope scope(QStringLiteral("ru_RU"));
        EXPECT_EQ(FormatSettings().DecimalSeparator, QLatin1Char(','));
        EXPECT_EQ(FloatToStr(1.5), "1,5");
        EXPECT_EQ(StrToFloat("2,25"), 2.25);
        EXPECT_EQ(Format("%.1f", {0.5}), "0,5");
    }
    EXPECT_EQ(FormatSettings().DecimalSeparator, before);
    {
        TFormatSettingsScope scope(En());
        EXPECT_EQ(FloatToStr(1.5), "1.5");
    }
}

// ---------------------------------------------------------------------------------------------

TEST(IntegerConversions, StrToIntTable) {
    struct Case {
        const char* text;
        int value;
    };
    const Case good[] = {{"42", 42},
                         {"  42", 42},
                         {"-42", -42},
                         {"+7", 7},
                         {"$FF", 255},
                         {"0x1f", 31},
                         {"x10", 16},
                         {"-$10", -16},
                         {"$FFFFFFFF", -1},
                         {"2147483647", 2147483647},
                         {"-2147483648", -2147483647 - 1},
                         {"007", 7}};
    for (const Case& c : good) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(StrToInt(c.text), c.value);
        int v = 0;
        EXPECT_TRUE(TryStrToInt(c.text, v));
        EXPECT_EQ(v, c.value);
    }
    const char* bad[] = {"",   " ",   "42 ", "4 2",        "2147483648", "-2147483649", "$",
                         "0x", "12a", "1.0", "$1FFFFFFFF", "--1",        "\xd9\xa3"};
    for (const char* b : bad) {
        SCOPED_TRACE(b);
        int v = 99;
        EXPECT_FALSE(TryStrToInt(QString::fromUtf8(b), v));
        EXPECT_EQ(v, 99);
        EXPECT_THROW(StrToInt(QString::fromUtf8(b)), EConvertError);
        EXPECT_EQ(StrToIntDef(QString::fromUtf8(b), -5), -5);
    }
    try {
        StrToInt("12a");
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'12a' is not a valid integer value");
    }
}

TEST(IntegerConversions, Int64AndHex) {
    EXPECT_EQ(StrToInt64("9223372036854775807"), std::numeric_limits<Int64>::max());
    EXPECT_EQ(StrToInt64("-9223372036854775808"), std::numeric_limits<Int64>::min());
    EXPECT_EQ(StrToInt64("$FFFFFFFFFFFFFFFF"), -1);
    EXPECT_EQ(StrToInt64("4294967296"), 4294967296LL);
    EXPECT_THROW(StrToInt64("9223372036854775808"), EConvertError);
    EXPECT_EQ(StrToInt64Def("x", 3), 3);
    EXPECT_EQ(IntToStr(Int64(1) << 40), "1099511627776");
    EXPECT_EQ(IntToStr(-2147483647 - 1), "-2147483648");
    EXPECT_EQ(IntToStr(qsizetype(-3)), "-3");
    EXPECT_EQ(IntToStr(size_t(18446744073709551615ull)), "18446744073709551615");
    EXPECT_EQ(IntToStr(4000000000u), "4000000000");
    EXPECT_EQ(IntToHex(255, 4), "00FF");
    EXPECT_EQ(IntToHex(-1, 2), "FFFFFFFF");
    EXPECT_EQ(IntToHex(Int64(-1), 2), "FFFFFFFFFFFFFFFF");
    EXPECT_EQ(IntToHex(Int64(0xABCDEF), 0), "ABCDEF");
}

TEST(BooleanConversions, Table) {
    EXPECT_EQ(BoolToStr(true), "-1");
    EXPECT_EQ(BoolToStr(false), "0");
    EXPECT_EQ(BoolToStr(true, true), "True");
    EXPECT_TRUE(StrToBool("True"));
    EXPECT_TRUE(StrToBool("true"));
    EXPECT_FALSE(StrToBool("FALSE"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_TRUE(StrToBool("2"));
    EXPECT_THROW(StrToBool("yes"), EConvertError);
    EXPECT_THROW(StrToBool(""), EConvertError);
    EXPECT_TRUE(StrToBoolDef("maybe", true));
}

// ---------------------------------------------------------------------------------------------

TEST(FloatToStr, Table) {
    struct Case {
        double value;
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {0, "0", "0"},
        {1.5, "1.5", "1,5"},
        {-1.5, "-1.5", "-1,5"},
        {0.1 + 0.2, "0.3", "0,3"},
        {1.0 / 3, "0.333333333333333", "0,333333333333333"},
        {2.0 / 3, "0.666666666666667", "0,666666666666667"},
        {100, "100", "100"},
        {1234.5, "1234.5", "1234,5"},
        {123456789012345.0, "123456789012345", "123456789012345"},
        {1234567890123456.0, "1.23456789012346E15", "1,23456789012346E15"},
        {1e15, "1E15", "1E15"},
        {1e20, "1E20", "1E20"},
        {-2.5e300, "-2.5E300", "-2,5E300"},
        {0.0001, "0.0001", "0,0001"},
        {0.00025, "0.00025", "0,00025"},
        {0.00001, "1E-5", "1E-5"},
        {1.5e-7, "1.5E-7", "1,5E-7"},
        {5e-324, "4.94065645841247E-324", "4,94065645841247E-324"},
        {1.7976931348623157e308, "1.79769313486232E308", "1,79769313486232E308"},
        {-0.0, "0", "0"},
        {kInf, "INF", "INF"},
        {-kInf, "-INF", "-INF"},
        {kNaN, "NAN", "NAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.en);
        EXPECT_EQ(FloatToStr(c.value, En()), c.en);
        EXPECT_EQ(FloatToStr(c.value, Ru()), QString::fromUtf8(c.ru));
    }
}

TEST(FloatToStrF, Table) {
    struct Case {
        double value;
        TFloatFormat format;
        int precision, digits;
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {1234.5678, ffFixed, 15, 2, "1234.57", "1234,57"},
        {1234.5678, ffNumber, 15, 2, "1,234.57", "1_234,57"},
        {1234567.5, ffNumber, 15, 0, "1,234,568", "1_234_568"},
        {-1234567.5, ffNumber, 15, 1, "-1,234,567.5", "-1_234_567,5"},
        {1234.5678, ffExponent, 4, 2, "1.235E+03", "1,235E+03"},
        {0.00012, ffExponent, 3, 0, "1.20E-4", "1,20E-4"},
        {0, ffExponent, 3, 2, "0.00E+00", "0,00E+00"},
        {-0.001, ffFixed, 15, 2, "0.00", "0,00"},
        {2.5, ffFixed, 15, 0, "3", "3"},
        {0.125, ffFixed, 15, 2, "0.13", "0,13"},
        {1.005, ffFixed, 15, 2, "1.00", "1,00"}, // the double lies below 1.005
        {1.23456789, ffFixed, 4, 6, "1.235000", "1,235000"},
        {1e20, ffFixed, 15, 2, "1E20", "1E20"},
        {123.456, ffGeneral, 4, 0, "123.5", "123,5"},
        {123456, ffGeneral, 4, 0, "1.235E5", "1,235E5"},
        {123456, ffGeneral, 4, 3, "1.235E005", "1,235E005"},
        {1234.5, ffCurrency, 15, 2, "$1,234.50", "1_234,50 \xe2\x82\xbd"},
        {-1234.5, ffCurrency, 15, 2, "($1,234.50)", "-1_234,50 \xe2\x82\xbd"},
        {kNaN, ffFixed, 15, 2, "NAN", "NAN"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.en);
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, En()), c.en);
        EXPECT_EQ(FloatToStrF(c.value, c.format, c.precision, c.digits, Ru()), Nb(c.ru));
    }
}

TEST(FloatToStr, CurrencyKeepsFourDecimals) {
    EXPECT_EQ(CurrToStr(0.1, En()), "0.1");
    EXPECT_EQ(CurrToStr(-1234.56786, Ru()), "-1234,5679");
    EXPECT_EQ(CurrToStr(100, En()), "100");
    EXPECT_EQ(CurrToStr(0.00004, En()), "0");
}

TEST(StrToFloat, AcceptsTable) {
    struct Case {
        const char* en;
        const char* ru;
        double value;
    };
    const Case cases[] = {
        {"1.5", "1,5", 1.5},
        {"  1.5  ", " 1,5 ", 1.5},
        {"-1.5e3", "-1,5e3", -1500},
        {"1E-2", "1E-2", 0.01},
        {".5", ",5", 0.5},
        {"5.", "5,", 5},
        {"+3", "+3", 3},
        {"0", "0", 0},
        {"1e-400", "1e-400", 0},
        {"123456789012345678901234567890", "123456789012345678901234567890", 1.2345678901234568e29},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.en);
        EXPECT_EQ(StrToFloat(c.en, En()), c.value);
        EXPECT_EQ(StrToFloat(c.ru, Ru()), c.value);
    }
}

TEST(StrToFloat, RejectsTable) {
    const char* en[] = {"",    " ",    "abc",   "1,5", "1,000.5", "1.5.2", "1e",  "1e+",  "-",
                        "1 5", "1.5x", "1e999", "--1", "0x10",    "1d0",   "INF", "-inf", "NAN"};
    for (const char* s : en) {
        SCOPED_TRACE(s);
        double v = 42;
        EXPECT_FALSE(TryStrToFloat(s, v, En()));
        EXPECT_EQ(v, 42);
        EXPECT_THROW(StrToFloat(s, En()), EConvertError);
        EXPECT_EQ(StrToFloatDef(s, -1, En()), -1);
    }
    // The "." of the other locale is no separator in Russian, and a no-break space is no digit.
    EXPECT_THROW(StrToFloat("1.5", Ru()), EConvertError);
    EXPECT_THROW(StrToFloat(Nb("1_000,5"), Ru()), EConvertError);
    try {
        StrToFloat("1,5", En());
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "'1,5' is not a valid floating point value");
    }
}

TEST(StrToFloat, RoundTripsFloatToStr) {
    const double values[] = {0.1, 1.5e-7, 123456.789, -2.5e300, 1e-5, 99.99, -0.5, 1e15, 3e-320};
    for (const TFormatSettings* fs : {&En(), &Ru()}) {
        for (double v : values) {
            SCOPED_TRACE(v);
            EXPECT_EQ(StrToFloat(FloatToStr(v, *fs), *fs), v);
        }
    }
}

// ---------------------------------------------------------------------------------------------

TEST(FormatFloat, Table) {
    struct Case {
        const char* format;
        double value;
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {"0.00", 1234.567, "1234.57", "1234,57"},
        {"#,##0.00", 1234567.891, "1,234,567.89", "1_234_567,89"},
        {"#,##0.00", -1234567.891, "-1,234,567.89", "-1_234_567,89"},
        {",0", 1234567, "1,234,567", "1_234_567"},
        {"#,##0", 999.5, "1,000", "1_000"},
        {"#,##0", 12, "12", "12"},
        {"0", 2.5, "3", "3"},
        {"0", -2.5, "-3", "-3"},
        {"0", 3.5, "4", "4"},
        {"0.00", 0.125, "0.13", "0,13"},
        {"0.0", 0.05, "0.1", "0,1"},
        {"#.##", 0.5, ".5", ",5"},
        {"#.##", 1, "1", "1"},
        {"#", 0, "", ""},
        {"0.###", 1.5, "1.5", "1,5"},
        {"000.000", 1.5, "001.500", "001,500"},
        {"00000", -42, "-00042", "-00042"},
        {"000-000", 123456, "123-456", "123-456"},
        {"0.00", -0.001, "0.00", "0,00"},
        {"0.00", 1e-300, "0.00", "0,00"},
        {"0", 1e20, "1E20", "1E20"},
        {"", 1.5, "1.5", "1,5"},
        // sections
        {"#,##0.00;(#,##0.00)", -1234.5, "(1,234.50)", "(1_234,50)"},
        {"#,##0.00;(#,##0.00)", 1234.5, "1,234.50", "1_234,50"},
        {"#,##0.00;(#,##0.00);Zero", 0, "Zero", "Zero"},
        {"#,##0.00;(#,##0.00);Zero", -0.001, "Zero", "Zero"},
        {"0.00;;Zero", -5, "-5.00", "-5,00"},
        {"0.00;;Zero", 0, "Zero", "Zero"},
        {"0.00;'neg'", -1, "neg", "neg"},
        {"0.0;-0.0;'nil'", -2.25, "-2.3", "-2,3"},
        {"0.0;(0.0)", -0.01, "0.0", "0,0"},
        {"0.0;(0.0)", -0.05, "(0.1)", "(0,1)"},
        // scientific
        {"0.00E+00", 1234, "1.23E+03", "1,23E+03"},
        {"0.00E-00", 1234, "1.23E03", "1,23E03"},
        {"0.00e-00", 0.00123, "1.23e-03", "1,23e-03"},
        {"0.###E+0", 0.000123456, "1.235E-4", "1,235E-4"},
        {"00.00E+00", 1234, "12.34E+02", "12,34E+02"},
        {"0.0E+00", 0, "0.0E+00", "0,0E+00"},
        {"0.00E+00", -1234, "-1.23E+03", "-1,23E+03"},
        {"0.00E+000", 1e300, "1.00E+300", "1,00E+300"},
        // literal text
        {"\"$\"#,##0.00", 1234.5, "$1,234.50", "$1_234,50"},
        {"'Total: '0.0", 5, "Total: 5.0", "Total: 5,0"},
        {"0.0 'kg'", 5, "5.0 kg", "5,0 kg"},
        {"'#0;'0", 7, "#0;7", "#0;7"},
        {"0 %", 50, "50 %", "50 %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(FormatFloat(c.format, c.value, En()), c.en);
        EXPECT_EQ(FormatFloat(c.format, c.value, Ru()), Nb(c.ru));
    }
}

TEST(FormatFloat, SpecialValues) {
    EXPECT_EQ(FormatFloat("0.00", kInf, En()), "INF");
    EXPECT_EQ(FormatFloat("0.00", -kInf, En()), "-INF");
    EXPECT_EQ(FormatFloat("#,##0", kNaN, En()), "NAN");
    EXPECT_EQ(FormatFloat("0.00", -0.0, En()), "0.00");
    EXPECT_EQ(FormatFloat("0.00;(0.00);zero", -0.0, En()), "zero");
}

// ---------------------------------------------------------------------------------------------

TEST(Format, DirectiveTable) {
    int local = 0;
    const void* pointer = &local;
    struct Case {
        const char* format;
        std::vector<FormatArg> args;
        QString en;
        QString ru;
    };
    const QString hexPointer = IntToHex(static_cast<Int64>(reinterpret_cast<quintptr>(pointer)), 16);
    const std::vector<Case> cases = {
        {"%d", {42}, "42", "42"},
        {"%5d", {42}, "   42", "   42"},
        {"%-5d|", {42}, "42   |", "42   |"},
        {"%.5d", {-42}, "-00042", "-00042"},
        {"%d", {Int64(1) << 40}, "1099511627776", "1099511627776"},
        {"%D", {7}, "7", "7"},
        {"%u", {-1}, "4294967295", "4294967295"},
        {"%x", {255}, "FF", "FF"},
        {"%.4x", {255}, "00FF", "00FF"},
        {"%x", {-1}, "FFFFFFFF", "FFFFFFFF"},
        {"%x", {Int64(-1)}, "FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF"},
        {"%s", {"abc"}, "abc", "abc"},
        {"%.2s", {"abc"}, "ab", "ab"},
        {"%5s", {"abc"}, "  abc", "  abc"},
        {"%-5s|", {"abc"}, "abc  |", "abc  |"},
        {"%s", {QChar(0x0416)}, QString(QChar(0x0416)), QString(QChar(0x0416))},
        {"%s%s%s", {'a', u'b', QLatin1String("c")}, "abc", "abc"},
        {"%f", {1.5}, "1.50", "1,50"},
        {"%.3f", {2.0 / 3}, "0.667", "0,667"},
        {"%9.2f", {12.375}, "    12.38", "    12,38"},
        {"%.0f", {0.5}, "1", "1"},
        {"%e", {1234.5}, "1.23450000000000E+003", "1,23450000000000E+003"},
        {"%.3e", {-1234.5}, "-1.23E+003", "-1,23E+003"},
        {"%g", {1234.5}, "1234.5", "1234,5"},
        {"%g", {1e20}, "1E020", "1E020"},
        {"%n", {1234567.891}, "1,234,567.89", Nb("1_234_567,89")},
        {"%.0n", {1234567.891}, "1,234,568", Nb("1_234_568")},
        {"%m", {-1234.5}, "($1,234.50)", Nb("-1_234,50 \xe2\x82\xbd")},
        {"%1:s %0:s", {"a", "b"}, "b a", "b a"},
        {"%0:s%s", {"a", "b"}, "ab", "ab"},
        {"%*d", {5, 42}, "   42", "   42"},
        {"%-*.*f|", {8, 1, 3.14159}, "3.1     |", "3,1     |"},
        {"%*d", {-5, 42}, "42", "42"},
        {"100%%", {}, "100%", "100%"},
        {"%p", {nullptr}, "0000000000000000", "0000000000000000"},
        {"%p", {pointer}, hexPointer, hexPointer},
        {"%s is %d years", {"Ann", 30}, "Ann is 30 years", "Ann is 30 years"},
        {"no directives", {1}, "no directives", "no directives"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_EQ(Format(c.format, c.args, En()), c.en);
        EXPECT_EQ(Format(c.format, c.args, Ru()), c.ru);
    }
    EXPECT_EQ(Format("%s-%d", {QStringLiteral("x"), 1}), "x-1");
}

TEST(Format, BadFormatsRaiseConvertError) {
    struct Case {
        const char* format;
        std::vector<FormatArg> args;
    };
    const std::vector<Case> cases = {
        {"%d", {"x"}},
        {"%s", {1}},
        {"%f", {1}},
        {"%d", {1.5}},
        {"%d", {}},
        {"%s %s", {"a"}},
        {"%", {1}},
        {"abc%", {}},
        {"%q", {1}},
        {"%5", {1}},
        {"%-", {1}},
        {"%d", {true}},
        {"%s", {true}},
        {"%*d", {"x", 1}},
        {"%*d", {1}},
        {"%.*f", {1}},
        {"%99999999d", {1}},
        {"%2:d", {1, 2}},
        {"%p", {1}},
        {"%x", {1.0}},
        {"%1:", {1, 2}},
        {"%*:d", {-1, 2}},
        {"%u", {"1"}},
        {"%e", {"1"}},
        {"%.99999999f", {1.0}},
        {"%*d", {2000000, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.format);
        EXPECT_THROW(Format(c.format, c.args, En()), EConvertError);
    }
    try {
        Format("%d", {"x"});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "Format '%d' invalid or incompatible with argument");
    }
    try {
        Format("%s %s", {"x"});
        FAIL();
    } catch (const EConvertError& e) {
        EXPECT_EQ(e.Message(), "No argument for format '%s %s'");
    }
}

// Every prefix of a directive and every small mix of argument kinds either formats or raises
// EConvertError; nothing else may happen (the sanitizers watch for the rest).
TEST(Format, NoFormatStringMisbehaves) {
    const QString pieces[] = {"%", "*", "-", ":", ".", "0", "1", "9", "d", "s", "f", "x", "%", "a"};
    const std::vector<FormatArg> args = {1, "s", 2.5, Int64(-7), nullptr, QChar('c'), true};
    int formatted = 0, raised = 0;
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            for (const QString& c : pieces)
                for (const QString& d : pieces) {
                    try {
                        Format(a + b + c + d, args, En());
                        ++formatted;
                    } catch (const EConvertError&) {
                        ++raised;
                    }
                }
    EXPECT_GT(formatted, 0);
    EXPECT_GT(raised, 0);
}

// ---------------------------------------------------------------------------------------------

TEST(Rounding, HalfToEvenAndTruncation) {
    struct Case {
        double value;
        Int64 round, trunc;
    };
    const Case cases[] = {{2.5, 2, 2},
                          {-2.5, -2, -2},
                          {3.5, 4, 3},
                          {0.5, 0, 0},
                          {1.5, 2, 1},
                          {-0.5, 0, 0},
                          {2.4999, 2, 2},
                          {-2.7, -3, -2},
                          {2.7, 3, 2},
                          {1e15 + 0.5, 1000000000000000, 1000000000000000},
                          {4294967296.5, 4294967296, 4294967296}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        EXPECT_EQ(Round(c.value), c.round);
        EXPECT_EQ(Trunc(c.value), c.trunc);
    }
    EXPECT_EQ(Int(-2.7), -2.0);
    EXPECT_EQ(Frac(-2.75), -0.75);
    EXPECT_EQ(Frac(2.75), 0.75);
    EXPECT_THROW(Round(kNaN), EInvalidOp);
    EXPECT_THROW(Round(1e19), EInvalidOp);
    EXPECT_THROW(Trunc(-kInf), EInvalidOp);
    EXPECT_EQ(Round(-9.2e18), static_cast<Int64>(-9.2e18));

    EXPECT_DOUBLE_EQ(RoundTo(1.2345, -2), 1.23);
    EXPECT_DOUBLE_EQ(RoundTo(1234, 2), 1200);
    EXPECT_DOUBLE_EQ(RoundTo(2.5, 0), 2);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(1.235, -2), 1.24);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(-1.235, -2), -1.24);
    EXPECT_DOUBLE_EQ(SimpleRoundTo(2.5, 0), 3);
}

TEST(TextRoutines, Table) {
    EXPECT_EQ(Trim(" \t ab c\r\n"), "ab c");
    EXPECT_EQ(TrimLeft("  ab "), "ab ");
    EXPECT_EQ(TrimRight("  ab \n"), "  ab");
    EXPECT_EQ(Trim("   "), "");
    EXPECT_EQ(QuotedStr("it's"), "'it''s'");
    EXPECT_EQ(AnsiQuotedStr("say \"hi\"", QLatin1Char('"')), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(AnsiDequotedStr("'it''s'", QLatin1Char('\'')), "it's");
    EXPECT_EQ(AnsiDequotedStr("plain", QLatin1Char('\'')), "plain");
    EXPECT_EQ(AnsiDequotedStr("'open", QLatin1Char('\'')), "'open");
    EXPECT_EQ(AnsiDequotedStr("''", QLatin1Char('\'')), "");
    EXPECT_EQ(AnsiDequotedStr("'ab'cd", QLatin1Char('\'')), "ab");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll), "aXb-c");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfReplaceAll | rfIgnoreCase), "a-b-c");
    EXPECT_EQ(StringReplace("aXbxc", "x", "-", rfIgnoreCase), "a-bxc");
    EXPECT_EQ(StringReplace("abc", "", "-", rfReplaceAll), "abc");
    EXPECT_EQ(StringReplace("aaa", "a", "aa", rfReplaceAll), "aaaaaa");
    EXPECT_EQ(Pos("b", "abcb"), 2);
    EXPECT_EQ(Pos("", "abc"), 0);
    EXPECT_EQ(Pos("z", "abc"), 0);
    EXPECT_EQ(Copy("abc", 0, 2), "ab");
    EXPECT_EQ(Copy("abc", 2, 100), "bc");
    EXPECT_EQ(Copy("abc", 4, 1), "");
    EXPECT_EQ(Copy("abc", 1, -1), "");
    QString s = "abcdef";
    Delete(s, 2, 2);
    EXPECT_EQ(s, "adef");
    Delete(s, 3, 100);
    EXPECT_EQ(s, "ad");
    Delete(s, 0, 1);
    EXPECT_EQ(s, "ad");
    Insert("XY", s, 2);
    EXPECT_EQ(s, "aXYd");
    Insert("!", s, 99);
    EXPECT_EQ(s, "aXYd!");
    Insert("<", s, -3);
    EXPECT_EQ(s, "<aXYd!");
    EXPECT_EQ(StringOfChar('-', 3), "---");
}

// FormatFloat takes pictures from report templates: any picture gives a text, never an error.
TEST(FormatFloat, AnyPictureGivesText) {
    const QString pieces[] = {"0", "#", ".", ",", "E+", "e-", "'", "\"", ";", "x", "E", "00"};
    const double values[] = {0, -123456.789, 1e300};
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            for (const QString& c : pieces)
                for (const QString& d : pieces)
                    for (double v : values)
                        EXPECT_NO_THROW(FormatFloat(a + b + c + d, v, Ru())) << (a + b + c + d).toStdString();
}

TEST(StrToFloat, TryNeverRaises) {
    const QString pieces[] = {"1", "-", "+", ".", ",", "e", "E", " ", "9", "INF", "\xc2\xa0"};
    double v = 0;
    int accepted = 0;
    for (const QString& a : pieces)
        for (const QString& b : pieces)
            for (const QString& c : pieces)
                for (const QString& d : pieces)
                    if (TryStrToFloat(a + b + c + d, v, En())) ++accepted;
    EXPECT_GT(accepted, 0);
}

TEST(FormatMaskText, Table) {
    struct Case {
        const char* mask;
        const char* value;
        const char* en;
        const char* ru;
    };
    const Case cases[] = {
        {"(000) 000-0000;0;_", "5551234567", "(555) 123-4567", "(555) 123-4567"},
        {"(000) 000-0000;1;_", "(555) 123-4567", "(555) 123-4567", "(555) 123-4567"},
        {"(000) 000-0000;1;_", "(55) 12-4567", "(55 ) 12 -4567", "(55 ) 12 -4567"},
        {"(000) 000-0000", "(555) 123-4567", "(555) 123-4567", "(555) 123-4567"},
        {"00/00/0000;0", "31122024", "31/12/2024", "31.12.2024"},
        {"!00:00;0", "930", " 9:30", " 9:30"},
        {"000;0", "12", "12 ", "12 "},
        {"!999;0", "12", " 12", " 12"},
        {"\\(000\\);0", "123", "(123)", "(123)"},
        {">LL-00;0", "AB12", "AB-12", "AB-12"},
        {"00_00;0", "1234", "12 34", "12 34"},
        {"000;0", "12345", "12345", "12345"},
        {"", "abc", "abc", "abc"},
        {";0", "abc", "abc", "abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mask);
        EXPECT_EQ(FormatMaskText(c.mask, c.value, En()), c.en);
        EXPECT_EQ(FormatMaskText(c.mask, c.value, Ru()), c.ru);
    }
}
