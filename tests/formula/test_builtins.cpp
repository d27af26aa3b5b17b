// The built-in functions, one table, plus those that talk to the host.

#include "FormulaTestUtil.h"

#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

class FormulaBuiltins : public ::testing::Test {
protected:
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
};

TEST_F(FormulaBuiltins, Table) {
    const struct {
        const char* formula;
        const char* result;
    } cases[] = {
        {"CONCAT(1, 'x', 2)", "1x2"},
        {"COUNT('', 'a', 3)", "2"},
        {"ROUND(2.5)", "3"},
        {"ROUND(-2.5)", "-3"},
        {"ROUND(1234, -2)", "1200"},
        {"ROUND(1.005, 99)", "1.005"},
        {"TRUNC(-1.99, 1)", "-1.9"},
        {"TRUNC(1E300, 100)", "EInvalidOp: Invalid floating point operation"},
        {"MIDSTR('abcdef', 2, 3)", "bcd"},
        {"MIDSTR('abcdef', -5, 3)", "abc"},
        {"LEFTSTR('abcdef', 2)", "ab"},
        {"LEFTSTR('abc', -1)", ""},
        {"RIGHTSTR('abcdef', 2)", "ef"},
        {"RIGHTSTR('ab', 5)", "ab"},
        {"POS('c', 'abc')", "3"},
        {"POS('C', 'abc')", "0"},
        {"ENCODEDATE(2024, 1, 1)", "45292"},
        {"DAYOFWEEK(ENCODEDATE(2024, 1, 1))", "1"},
        {"YEAR(45292.75) * 10000 + MONTH(45292) * 100 + DAY(45292)", "20240101"},
        {"HOUR(0.75) + MINUTE(0.75) + SECOND(0.75)", "18"},
        {"MILLISECOND(0.5 + 1/86400000 * 7)", "7"},
        {"ISLEAPYEAR(2024) * 10 + ISLEAPYEAR(1900)", "10"},
        {"ENCODEDATE(2023, 2, 29)", "EConvertError: Invalid argument to date encode"},
        {"YEAR(1E10)", "EConvertError: Invalid date: 10000000000"},
        {"STDDEVP(2, 4, 4, 4, 5, 5, 7, 9)", "2"},
        {"VARIANCEP(2, 4, 4, 4, 5, 5, 7, 9)", "4"},
        {"VARIANCE(1, 2, 3, 4)", "1.66666666666667"},
        {"STDDEV(0.1, 0.1, 0.1)", "0"},
        {"VARIANCE(5)", "EInvalidOp: Invalid floating point operation"},
        {"AVG(1, 2, 6)", "3"},
        {"AVG()", "EInvalidOp: Invalid floating point operation"},
        {"SUM(1, 2, 3) + SUMOFSQUARES(1, 2)", "11"},
        {"SUM()", "0"},
        {"MAX(3, 1, 2) * 10 + MIN(3, 1, 2)", "31"},
        {"MAX()", "0"},
        {"MIN() + SUMOFSQUARES() + DEFINES()", "0"},
        {"COUNT()", "0"},
        {"CONCAT()", ""},
        {"BLOCK()", "0"},
        {"DEFINES('a', 'b') + a", "FormulaException: Unknown identifier 'a'"},
        {"BEGIN DEFINES('a', 'b'); $a + $b + EXISTS('a') + EXISTS('zz') END", "1"},
        {"DEFINES('a', 'b')", "2"},
        {"HEX('ff')", "255"},
        {"HEX('zz')", "EConvertError: '$zz' is not a valid integer value"},
        {"ISNUMBER('zz') * 10 + ISNUMBER('1.5')", "1"},
        {"CODE('A') + CODE('')", "65"},
        {"STRINGOFCHAR('ab', 3)", "aaa"},
        {"STRINGOFCHAR(, 2) @ '|'", "  |"},
        {"STRINGOFCHAR('', 3) @ '|'", "|"},
        {"STRINGOFCHAR('x', -3) @ '|'", "|"},
        {"CHR(65) @ CHR(65601) @ CHR(-65471)", "AAA"},
        {"LENGTH(UPPERCASE('straße'))", "6"},
        {"UPPERCASE('abc') @ LOWERCASE('DEF')", "ABCdef"},
        {"'[' @ TRIM('  a ') @ TRIMLEFT(' b ') @ TRIMRIGHT(' c ') @ ']'", "[ab  c]"},
        {"INT(-2.7) * 10 + FRAC(2.5) * 10", "-15"},
        {"SIGN(-3) + SIGN(0) * 10 + ABS(-4) * 100", "399"},
        {"IFF(0, 'a', 'b')", "b"},
        {"FORMAT('0.00', 3.14159)", "3.14"},
        {"FORMAT('#,##0;(#,##0)', -1234)", "(1,234)"},
        {"FORMATF('%.2f', 2.5)", "2.50"},
        {"FORMATF('%d', 2.5)", "EConvertError: Format '%d' invalid or incompatible with argument"},
        {"FORMATDATE('yyyy-mm-dd', 45292)", "2024-01-01"},
        {"SIN(0) + COS(0) + TAN(0) + ATAN(0) + ASIN(0) + ACOS(1)", "1"},
        {"SINH(0) + COSH(0) + TANH(0) + ASINH(0) + ACOSH(1) + ATANH(0)", "1"},
        {"LG(1000) + EXP(0) + SQRT(16) + LN(1)", "8"},
        {"ASIN(2)", "EInvalidOp: Invalid floating point operation"},
        {"STRINGOFCHAR('x', 1E12)", "FormulaException: Text longer than the text budget of 67108864 characters"},
    };
    for (const auto& c : cases) EXPECT_EQ(EvalFormula(QString::fromUtf8(c.formula)), QString::fromUtf8(c.result)) << c.formula;
}

TEST_F(FormulaBuiltins, ExternalVariablesExpand) {
    DUvuRarodar f;
    f.SetExternGetVar(true);
    EXPECT_EQ(EvalFormula("SUM(v)", &f), "FormulaException: GetVarsCount or GetVarValue not set!");
    EXPECT_EQ(EvalFormula("v + 1", &f), "FormulaException: GetVarValue not set!");
    int count = 3;
    f.GetVarsCount = [&](const QString&, int& n, bool) { n = count; };
    f.GetVarValue = [](const QString& name, int n, QString& v, bool) { v = name + QString::number(n); };
    EXPECT_EQ(f.ComputeStr("CONCAT('<', v, '>')"), "<v0v1v2>");
    f.GetVarValue = [](const QString&, int n, QString& v, bool) { v = QString::number(n + 1); };
    EXPECT_EQ(f.ComputeStr("SUM(v) * 10 + COUNT(v, v)"), "66");
    EXPECT_EQ(f.ComputeStr("v * 5"), "5"); // a single read is value 0
    count = 0;
    EXPECT_EQ(EvalFormula("SUM(v)", &f), "FormulaException: \"v\" returns zero vars!");
    count = -1;
    EXPECT_EQ(EvalFormula("SUM(v)", &f), "FormulaException: \"v\" returns a negative number of values");
    count = 2000000;
    f.SetInstructionBudget(1000000);
    EXPECT_TRUE(EvalFormula("SUM(v)", &f).contains("instruction budget of 1000000"));
}

TEST_F(FormulaBuiltins, ClockRandomAndDialogs) {
    SetClock([] { return 45292.5; });
    EXPECT_EQ(EvalFormula("NOW()"), "45292.5");
    SetClock({});
    DUvuRarodar f;
    f.SetRandSeed(7);
    const double a = f.ComputeStrN("RND()");
    f.SetRandSeed(7);
    EXPECT_EQ(f.ComputeStrN("RND()"), a);
    EXPECT_GE(a, 0);
    EXPECT_LT(a, 1);
    EXPECT_EQ(f.ComputeStr("RANDOMIZE()"), "0");

    QStringList unexpected;
    auto scripted = std::make_unique<TScriptedUIServices>([&](const QString& q) { unexpected << q; });
    TScriptedUIServices* ui = scripted.get();
    auto previous = SetUIServices(std::move(scripted));
    ui->AnswerInput("typed").CancelInput().AnswerMessage(mrNo, "Go on?");
    EXPECT_EQ(f.ComputeStr("INPUT()"), "typed");
    EXPECT_EQ(f.ComputeStr("INPUT('Title', 'Name:', 'x')"), "");
    EXPECT_EQ(f.ComputeStr("MSG('Go on?', , 4 + 32)"), "7"); // MB_YESNO, question icon; IDNO
    ASSERT_EQ(ui->Messages().size(), 1u);
    EXPECT_EQ(ui->Messages()[0].Caption, "Message");
    EXPECT_EQ(ui->Messages()[0].Icon, TMessageIcon::Question);
    EXPECT_TRUE(ui->Asked().front().contains("Input value"));
    SetUIServices(std::move(previous));
    EXPECT_TRUE(unexpected.isEmpty());
}

TEST_F(FormulaBuiltins, ExistsInsideSubroutineKeepsScope) {
    DUvuRarodar f;
    f.CompileProgram("GLOBAL x = 1\nSUB s() BEGIN DEFINE('mine', 4); EXISTS('x') * 10 + $mine END");
    EXPECT_EQ(f.RunSub("s", nullptr), "14");
}

} // namespace
