// Formula texts to results on a fresh instance: the scanner, the compiler and the operators.

#include "FormulaTestUtil.h"

#include <gtest/gtest.h>

namespace {

struct Case {
    const char* formula;
    const char* result;
};

void CheckTable(const std::vector<Case>& cases) {
    for (const Case& c : cases)
        EXPECT_EQ(EvalFormula(QString::fromUtf8(c.formula)), QString::fromUtf8(c.result)) << c.formula;
}

class FormulaLanguage : public ::testing::Test {
protected:
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
};

TEST_F(FormulaLanguage, ScannerTraps) {
    CheckTable({
        {"'It''s'", "It's"},
        {"LENGTH('a'#13#10'b')", "4"},
        {"'''a'", "a"},
        {"#65#66", "AB"},
        {"$1F", "31"},
        {"$0FF", "255"},
        {"$0FFFFFFFF", "-1"},
        {"$0FFFFFFFFF", "FormulaException: Syntax error"},
        {"$FF", "FormulaException: Variable FF does not exists"},
        {".5", "FormulaException: Syntax error"},
        {"'abc' == 'a*'", "1"},
        {"1 SHR 4", "16"},
        {"256 SHL 4", "16"},
        {"1 - -1", "FormulaException: Syntax error"},
        {"1 - - 1", "FormulaException: Syntax error"},
        {"1 - (-1)", "2"},
        {"begin 1; 2 end", "2"},
        {"{a}{b} 1", "FormulaException: Illegal character '{'"},
        {"{a}// x\n{b} 1", "1"},
        {"1 + // rest of line\n 2", "3"},
        {"'abc", "FormulaException: Syntax error"},
        {"1e", "FormulaException: Syntax error"},
        {"1e999", "FormulaException: Syntax error"},
        {"#", "FormulaException: Syntax error"},
        {"1 ? 2", "FormulaException: Illegal character '?'"},
        {"1 : 2", "FormulaException: Syntax error"},
        {"abc", "FormulaException: Unknown identifier 'abc'"},
        {"PI > 3.14159 AND PI < 3.1416", "1"},
        {"CODE(#1000000065)", "51777"},
    });
}

TEST_F(FormulaLanguage, NulEndsTheSource) {
    EXPECT_EQ(EvalFormula(QStringLiteral("1 + 2") + QChar(0) + QStringLiteral("garbage (")), "3");
    EXPECT_EQ(EvalFormula(QStringLiteral("LENGTH('a") + QChar(0) + QStringLiteral("b')")), "3");
}

TEST_F(FormulaLanguage, LeadingZeroAndUnquotedNames) {
    DUvuRarodar f;
    f.SetNoLeadingZero(true);
    EXPECT_EQ(f.ComputeStr(".5 + 1"), "1.5");
    f.SetUnQuotedString(true);
    EXPECT_EQ(f.ComputeStr("abc @ 1"), "abc1");
    f.SetExternGetVar(true); // with both, the external variable wins
    f.GetVarValue = [](const QString& name, int, QString& v, bool) { v = QStringLiteral("ext:") + name; };
    EXPECT_EQ(f.ComputeStr("abc"), "ext:abc");
}

TEST_F(FormulaLanguage, UnknownIdentifierPosition) {
    DUvuRarodar f;
    EXPECT_FALSE(f.Test("1 + abc"));
    EXPECT_EQ(f.Error(), ER_UNKNOWN);
    EXPECT_EQ(f.ErrPos(), 7); // the identifier's last character
    EXPECT_EQ(f.ErrLine(), 1);
    EXPECT_FALSE(f.Test("1 +\n  (2 + 3"));
    EXPECT_EQ(f.Error(), ER_RIGHT);
    EXPECT_EQ(f.ErrLine(), 2);
    EXPECT_EQ(f.ErrorText(), "\")\" expected");
}

TEST_F(FormulaLanguage, Precedence) {
    CheckTable({
        {"-2 ^ 2", "-4"},
        {"2 ^ -2", "0.25"},
        {"2 ^ 3 ^ 2", "64"},
        {"NOT 0 AND 1", "1"},
        {"1 + 2 = 3", "1"},
        {"1 OR 0 = 0", "0"},
        {"2 + 3 * 4", "14"},
        {"(2 + 3) * 4", "20"},
        {"10 - 4 - 3", "3"},
        {"1 XOR 1", "0"},
        {"6 BAND 3", "2"},
        {"6 BOR 3", "7"},
        {"6 BXOR 3", "5"},
        {"BNOT 0", "-1"},
        {"3 <> 4", "1"},
        {"3 <= 3", "1"},
        {"3 >= 4", "0"},
        {"+3", "3"},
        {"x := 1", "FormulaException: Unknown identifier 'x'"},
    });
}

TEST_F(FormulaLanguage, Coercion) {
    CheckTable({
        {"'12' + '3'", "15"},
        {"'12' + 'a'", "12a"},
        {"12 @ 3", "123"},
        {"'10' > '9'", "1"},
        {"'abc' < 'abd'", "1"},
        {"'abc' = 'ABC'", "0"},
        {"'a' - 1", "EConvertError: 'a' is not a valid floating point value"},
        {"7 \\ 2", "3"},
        {"-7 \\ 2", "-3"},
        {"-7 % 2", "-1"},
        {"7 DIV 2 + 7 MOD 2", "4"},
        {"1 << 4", "16"},
        {"-1 >> 60", "15"},
        {"0.1 + 0.2", "0.3"},
        {"1/3", "0.333333333333333"},
    });
    DUvuRarodar f;
    f.SetCaseSensitiveString(false);
    EXPECT_EQ(f.ComputeStr("'abc' = 'ABC'"), "1");
    EXPECT_EQ(f.ComputeStr("POS('B', 'abc')"), "2");
    f.SetZeroEmptyString(true);
    EXPECT_EQ(f.ComputeStr("'' * 3 + 1"), "1");
    DUvuRarodar g;
    EXPECT_EQ(EvalFormula("'' * 3", &g), "EConvertError: '' is not a valid floating point value");
}

// Integer edges and floating-point failures raise instead of giving NaN or infinity.
TEST_F(FormulaLanguage, ArithmeticEdges) {
    CheckTable({
        {"1/0", "EZeroDivide: Floating point division by zero"},
        {"0/0", "EInvalidOp: Invalid floating point operation"},
        {"LOG(0)", "EZeroDivide: Floating point division by zero"},
        {"LN(-1)", "EInvalidOp: Invalid floating point operation"},
        {"SQRT(-1)", "EInvalidOp: Invalid floating point operation"},
        {"1E308 * 10", "EOverflow: Floating point overflow"},
        {"EXP(1000)", "EOverflow: Floating point overflow"},
        {"0 ^ -1", "EZeroDivide: Floating point division by zero"},
        {"(-8) ^ 0.5", "EInvalidOp: Invalid floating point operation"},
        {"ATANH(1)", "EZeroDivide: Floating point division by zero"},
        {"INT(1E30)", "EInvalidOp: Invalid floating point operation"},
        {"5 \\ 0", "EDivByZero: Division by zero"},
        {"5 % 0", "EDivByZero: Division by zero"},
        {"1E30 BAND 1", "EInvalidOp: Invalid floating point operation"},
        {"1 SHL 64", "1"},
        {"1 << 64", "1"},
        {"1 << 65", "2"},
        {"1 << -1", "-9.22337203685478E18"},
        {"(0-9223372036854775807-1) \\ -1", "9.22337203685478E18"},
        {"(0-9223372036854775807-1) % -1", "0"},
        {"9223372036854775807 \\ 1", "EInvalidOp: Invalid floating point operation"},
    });
}

TEST(FormulaLocale, DecimalCommaReadsBack) {
    TFormatSettingsScope de(QStringLiteral("de_DE"));
    CheckTable({
        {"1/2", "0,5"},
        {"(1/2 @ '') + 1", "1,5"},
        {"'2,5' * 2", "5"},
        {"'2.5' * 2", "5"},
        {"FORMAT('0.00', 3.14159)", "3,14"},
        {"FORMATF('%.2f', 2.5)", "2,50"},
        {"1.5 + 1", "2,5"},
    });
}

} // namespace
