// Programs: subroutines, GLOBAL and CONST sections, RunSub and the program limits.

#include "FormulaTestUtil.h"

#include <gtest/gtest.h>

namespace {

QString RaisedBy(DUvuRarodar& f, const QString& program) {
    try {
        f.CompileProgram(program);
        return QStringLiteral("compiled");
    } catch (const Exception& e) {
        return e.Message();
    }
}

class FormulaPrograms : public ::testing::Test {
protected:
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
    DUvuRarodar F;
};

TEST_F(FormulaPrograms, SubroutinesAndDefaults) {
    F.CompileProgram("SUB twice(x) x * 2");
    TCalcArray v{TCalcItem{21, {}, fdtnumber}};
    EXPECT_EQ(F.RunSub("twice", &v), "42");
    EXPECT_EQ(F.RunSub("TWICE", &v), "42");

    F.CompileProgram("SUB f(a, b = 10) a + b\nSUB g(s = 'x') s @ s");
    EXPECT_EQ(F.ComputeStr("f(1) + f(1, 2)"), "14");
    EXPECT_EQ(F.ComputeStr("g()"), "xx");
    TCalcArray one{TCalcItem{1, {}, fdtnumber}};
    EXPECT_EQ(EvalFormula("", &F), "FormulaException: Syntax error");
    try {
        F.RunSub("f", &one);
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Not enough parameters");
        EXPECT_EQ(F.Error(), ER_NOTENOUGH);
    }
    try {
        F.RunSub("nothing", nullptr);
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Unknown identifier 'NOTHING'");
    }
}

TEST_F(FormulaPrograms, GlobalsConstantsAndMacros) {
    F.CompileProgram("GLOBAL n = 5, t = 'a'\nSUB bump() BEGIN $n := n + 1 END\nSUB tag() t @ n");
    EXPECT_EQ(F.RunSub("bump", nullptr), "6");
    EXPECT_EQ(F.RunSub("bump", nullptr), "7");
    EXPECT_EQ(F.RunSub("tag", nullptr), "a7");

    F.CompileProgram("CONST K = 3\nSUB g() K * 2");
    EXPECT_EQ(F.RunSub("g", nullptr), "6");
    F.CompileProgram("CONST TRUE = 2\nFUNCTION t() TRUE");
    EXPECT_EQ(F.RunSub("t", nullptr), "2");
    F.CompileProgram("CONST TRUE = 1\nPROCEDURE t() TRUE, SUB u() t() + 1");
    EXPECT_EQ(F.RunSub("u", nullptr), "2");
    // The last constant runs to the end of the text.
    F.CompileProgram("SUB a() 1 CONST LAST = 4 + 4");
    EXPECT_EQ(F.ComputeStr("LAST"), "8");
}

TEST_F(FormulaPrograms, Rejections) {
    EXPECT_EQ(RaisedBy(F, "SUB inc() 1"), "Identifier already defined 'inc'");
    EXPECT_EQ(RaisedBy(F, "SUB sin(x) x"), "Identifier already defined 'sin'");
    EXPECT_EQ(RaisedBy(F, "SUB a(x, x) x"), "Identifier already defined 'x'");
    EXPECT_EQ(RaisedBy(F, "SUB a() 1 SUB a() 2"), "Identifier already defined 'a'");
    EXPECT_EQ(RaisedBy(F, "SUB later() other() SUB other() 1"), "Unknown identifier 'other'");
    EXPECT_EQ(RaisedBy(F, "SUB a(b = c) 1"), "Syntax error");
    EXPECT_EQ(RaisedBy(F, "1 + 2"), "Syntax error");
    EXPECT_EQ(RaisedBy(F, "CONST = 3"), "Syntax error");
    EXPECT_EQ(RaisedBy(F, "CONST Q =\nSUB a() 1"), "Syntax error");
    EXPECT_EQ(RaisedBy(F, "GLOBAL g = x"), "Syntax error");
    QString many = "SUB big(";
    for (int i = 0; i < 300; ++i) many += QStringLiteral("p%1, ").arg(i);
    many += "z) 1";
    EXPECT_EQ(RaisedBy(F, many), "A subroutine takes at most 256 parameters");
    EXPECT_EQ(F.Global().paramcount, 0);
}

TEST_F(FormulaPrograms, ErrorPositionsInTheWholeProgram) {
    EXPECT_EQ(RaisedBy(F, "SUB a() 1\nSUB b()\n  2 +\n   (3"), "\")\" expected");
    EXPECT_EQ(F.ErrLine(), 4);
    EXPECT_EQ(F.ErrPos(), 6);
    EXPECT_EQ(F.ErrStrPos(), 30);
    EXPECT_EQ(RaisedBy(F, "SUB a() BEGIN\n  1 + nope END"), "Unknown identifier 'nope'");
    EXPECT_EQ(F.ErrLine(), 2);
    EXPECT_EQ(F.ErrPos(), 10);
}

TEST_F(FormulaPrograms, RecursionSharesOneRecord) {
    F.CompileProgram("SUB r(n) BEGIN IF n > 0 THEN r(n - 1) ENDIF; n END");
    TCalcArray v{TCalcItem{3, {}, fdtnumber}};
    EXPECT_EQ(F.RunSub("r", &v), "0"); // the inner calls overwrote the caller's n
    F.CompileProgram("SUB fact(n) IFF(n > 1, 1, 0)\nSUB forever(n) forever(n + 1)");
    EXPECT_EQ(EvalFormula("forever(1)", &F), "FormulaException: Subroutine calls nested deeper than 1000 levels");
    EXPECT_EQ(F.ComputeStr("fact(3)"), "1"); // the instance is usable afterwards
}

TEST_F(FormulaPrograms, MacroLimits) {
    EXPECT_TRUE(RaisedBy(F, "CONST X = X\nSUB a() X").startsWith("Macros expand to more than"));
    QString chain = "CONST A0 = 1\n";
    for (int i = 1; i <= 40; ++i) chain += QStringLiteral("A%1 = A%2 + A%2\n").arg(i).arg(i - 1);
    chain += "SUB a() A40";
    EXPECT_TRUE(RaisedBy(F, chain).startsWith("Macros expand to more than"));
    // Compiling stays usable and ordinary macros work afterwards.
    F.CompileProgram("SUB ok() IF 1 THEN 2 ENDIF");
    EXPECT_EQ(F.RunSub("ok", nullptr), "2");
}

TEST_F(FormulaPrograms, FormulaAfterProgramHidesGlobals) {
    F.CompileProgram("GLOBAL g = 4\nSUB twice(x) x * 2");
    EXPECT_EQ(F.ComputeStr("twice(3)"), "6");
    EXPECT_EQ(EvalFormula("g", &F), "FormulaException: Unknown identifier 'g'");
}

} // namespace
