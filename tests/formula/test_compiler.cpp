// Calls, defaults, statements, "$" names, modules and the compile limits.

#include "FormulaTestUtil.h"
#include "formula/formulaf.h"

#include <gtest/gtest.h>

namespace {

class FormulaCompiler : public ::testing::Test {
protected:
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
};

TEST_F(FormulaCompiler, CallsAndStatements) {
    const struct {
        const char* formula;
        const char* result;
    } cases[] = {
        {"SIN(1, 2)", "FormulaException: \")\" expected"},
        {"IFF(1, 2)", "2"},
        {"IFF(0, 2)", "0"},
        {"MIDSTR('abc', 2)", "FormulaException: Not enough parameters"},
        {"MIDSTR('abc', , 1)", "FormulaException: Not enough parameters"},
        {"SIN 1", "FormulaException: \"(\" expected"},
        {"ROUND(2.5)", "3"},
        {"ROUND(2.45, )", "2"},
        {"CONCAT('a', 'b', 'c')", "abc"},
        {"MAX(, 1)", "FormulaException: Not enough parameters"},
        {"NOW() > 0", "1"},
        {"IF 1 THEN 2 ELSE 3 ENDD", "2"},
        {"IF 0 THEN 2 ENDIF", "0"},
        {"IF 1 THEN 2 ELSE 3 ENDIF", "FormulaException: \")\" expected"},
        {"CONDITION(1, 2)", "FormulaException: Not enough parameters"},
        {"CONDITION 1", "FormulaException: \"(\" expected"},
        {"WHILE 0 DO 1 WEND", "0"},
        {"REPEAT 1 UNTIL 1 END", "1"},
        {"BEGIN DEFINES('i'); WHILE $i < 5 DO $i++ WEND END", "5"},
        {"BEGIN DEFINES('i', 's'); FOR $i := 1, $i <= 4, $i++ DO $s := $s + $i NEXT; $s END", "10"},
        {"BEGIN DEFINES('i'); REPEAT $i++ UNTIL $i >= 3 END END", "3"},
        {"BEGIN DEFINES('n'); $n := 4; RETURN($n * 2); 99 END", "8"},
        {"BEGIN DEFINE('a1_2', 5); $a[1, 2] END", "5"},
        {"BEGIN DEFINES('x', 'y'); $x := $y := 7; $x + $y END", "14"},
        {"BEGIN DEFINES('k'); $('k') := 3; $k-- ; $k END", "2"},
        {"$", "FormulaException: Syntax error"},
        {"$a[1; 2)", "FormulaException: Syntax error"},
    };
    for (const auto& c : cases) EXPECT_EQ(EvalFormula(QString::fromUtf8(c.formula)), QString::fromUtf8(c.result)) << c.formula;
}

TEST_F(FormulaCompiler, VariablesAndAssignment) {
    DUvuRarodar f;
    const QStringList vars{"x", "y"};
    EXPECT_EQ(EvalFormula("x := 1", &f), "FormulaException: Unknown identifier 'x'");
    EXPECT_FALSE(f.Test("x := 1", 2, vars));
    EXPECT_EQ(f.Error(), ER_SYNTAX);
    f.Compile("$x := $y := 1", 2, vars);
    TCalcArray vals(2);
    f.Compute(2, &vals);
    EXPECT_EQ(vals[0].data, 1);
    EXPECT_EQ(vals[1].data, 1);
}

TEST_F(FormulaCompiler, VariableCountCodeAndLineMarkers) {
    DUvuRarodar f;
    const QString code = f.Compile("MAX(3, 1, 2)");
    // ... 254 <3.0> 245 29 65535 224
    const QString tail = TFormulaAsm().Num(3).Call(29, 65535).Ret().Code();
    EXPECT_TRUE(code.endsWith(tail));
    f.SetStoreLines(true);
    const QString lined = f.Compile("1 +\n2");
    EXPECT_TRUE(lined.contains(TFormulaAsm().Op(219).Int32(1).Code()));
    EXPECT_TRUE(lined.contains(TFormulaAsm().Op(219).Int32(2).Code()));
    EXPECT_EQ(f.ComputeN(), 3);
}

TCalcItem ModuleF(TFormulaCalc& c) { return TCalcItem{c.ItemN(0) * 10, {}, fdtnumber}; }
QString gModule;
TCalcItem ModuleG(TFormulaCalc& c) {
    gModule = c.Parent()->ModuleName();
    return TCalcItem{7, {}, fdtnumber};
}
double gStored = 0;
TCalcItem ModuleSetV(TFormulaCalc& c) {
    gStored = c.ItemN(0);
    return TCalcItem{gStored, {}, fdtnumber};
}
TCalcItem ModuleV(TFormulaCalc&) { return TCalcItem{gStored, {}, fdtnumber}; }
TCalcItem ModuleSum(TFormulaCalc& c) { return TCalcItem{c.ItemN(0) + c.ItemN(1), {}, fdtnumber}; }
// The member sees the module's result just below its own argument.
TCalcItem ModuleTimes(TFormulaCalc& c) { return TCalcItem{c.ItemN(0) * c.ItemN(1), {}, fdtnumber}; }

TEST_F(FormulaCompiler, Modules) {
    DUvuRarodar f;
    PTableItem m = f.AddUserFunction("M", 0, nullptr, nullptr, true);
    f.AddModuleFunction(m, "f", 1, ModuleF);
    PTableItem n = f.AddModuleFunction(m, "N", 0, nullptr, true);
    f.AddModuleFunction(n, "g", 0, ModuleG);
    f.AddModuleFunction(m, "setv", 1, ModuleSetV);
    f.AddModuleFunction(m, "v", 0, ModuleV);
    PTableItem m2 = f.AddUserFunction("M2", 2, ModuleSum, nullptr, true);
    f.AddModuleFunction(m2, "times", 1, ModuleTimes);

    EXPECT_EQ(f.ComputeStr("M.f(2) + 1"), "21");
    const QString code = f.Compile("M.N.g");
    EXPECT_TRUE(code.startsWith(TFormulaAsm().Op(233).Unit(0).Op(232).Unit(1).Op(234).Unit(0).Unit(0).Unit(0).Code()));
    EXPECT_EQ(f.Compute(), "7");
    EXPECT_EQ(gModule, "M.N");
    EXPECT_EQ(f.ComputeStr("M.v := 3"), "3");
    EXPECT_EQ(gStored, 3);
    EXPECT_EQ(f.ComputeStr("M.v * 2"), "6");
    EXPECT_EQ(f.ComputeStr("M2(1, 2).times(10) + 1"), "31");
    EXPECT_EQ(EvalFormula("M.nothing", &f), "FormulaException: Unknown identifier 'nothing'");
    EXPECT_EQ(EvalFormula("M.f", &f), "FormulaException: Syntax error");
    EXPECT_EQ(EvalFormula("M.f := 1", &f), "FormulaException: Unknown identifier 'setf'");
}

TEST_F(FormulaCompiler, NestingAndLengthLimits) {
    DUvuRarodar f;
    const QString deep = QString(100000, QLatin1Char('(')) + "1" + QString(100000, QLatin1Char(')'));
    try {
        f.Compile(deep);
        FAIL() << "deep brackets compiled";
    } catch (const FormulaException& e) {
        EXPECT_TRUE(e.Message().contains("256")) << e.Message().toStdString();
    }
    EXPECT_FALSE(f.Test(deep));
    EXPECT_TRUE(f.ErrorText().contains("nested deeper"));
    // Terms and prefix operators in a row need no nesting.
    QString terms = "1";
    for (int i = 0; i < 100000; ++i) terms += "+1";
    EXPECT_EQ(f.ComputeStrN(terms), 100001);
    EXPECT_EQ(f.ComputeStrN(QString(20000, QLatin1Char('!')) + "0"), 0);
    // A megabyte of formula compiles in one pass.
    QString big = "0";
    while (big.size() < 1000000) big += " + 'abcdefghij' @ ''";
    EXPECT_NO_THROW(f.Compile(big));
    EXPECT_EQ(EvalFormula(QString(100000, QLatin1Char('+')) + "1"), "FormulaException: Syntax error");
}

} // namespace
