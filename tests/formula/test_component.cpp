// The component: compile and compute, variables, registries, messages and guarded tables.

#include "FormulaTestUtil.h"

#include "platform/rtl/IniFiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class FormulaComponent : public ::testing::Test {
protected:
    void TearDown() override { ResetFormulaTables(); }
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
};

TEST_F(FormulaComponent, ComputeAndVariables) {
    DUvuRarodar f;
    EXPECT_EQ(f.ComputeStr("TRUE AND NOT FALSE"), "1");
    const QStringList vars{"x"};
    f.Compile("x + 1", 1, vars);
    TCalcArray v{TCalcItem{2, {}, fdtnumber}};
    EXPECT_EQ(f.ComputeN(1, &v), 3);
    v[0] = TCalcItem{0, "a", fdtstring};
    EXPECT_EQ(f.Compute(1, &v), "a1");
    f.Compile("$x := 5", 1, vars);
    f.Compute(1, &v);
    EXPECT_EQ(v[0].data, 5);
    EXPECT_EQ(v[0].typ, fdtnumber);
    // Fewer values than variables, or another count, are refused before anything runs.
    TCalcArray none;
    EXPECT_THROW(f.Compute(1, &none), FormulaException);
    EXPECT_THROW(f.Compute(1, nullptr), FormulaException);
    EXPECT_THROW(f.Compute(0, nullptr), FormulaException);
}

TEST_F(FormulaComponent, TestUsedVarsAndCleanRecompile) {
    DUvuRarodar f;
    f.SetTestUsedVars(true);
    const QStringList vars{"x"};
    EXPECT_EQ(EvalFormula("", &f), "FormulaException: Syntax error");
    try {
        f.Compile("1", 1, vars);
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Variable not used");
    }
    EXPECT_TRUE(f.Compiled().isEmpty());
    EXPECT_FALSE(f.Test("(1"));
    EXPECT_EQ(f.Error(), ER_RIGHT);
    EXPECT_TRUE(f.Test("x * 2", 1, vars));
    EXPECT_EQ(f.Error(), ER_Ok);
    EXPECT_EQ(f.ErrorText(), "Ok");
}

TEST_F(FormulaComponent, CompiledSetBack) {
    DUvuRarodar f;
    const QStringList vars{"a", "b"};
    const struct {
        const char* formula;
        const char* result;
    } cases[] = {
        {"a * 10 + b", "12"},
        {"IF a > b THEN 'big' ELSE 'small' ENDD", "small"},
        {"BEGIN DEFINES('i', 's'); FOR $i := 0, $i < 4, $i++ DO $s := $s + $i NEXT; $s END", "6"},
        {"MAX(a, b, 7) @ CONCAT('x', b)", "7x2"},
        {"'a'#0'b'#55296 @ ''", "a\0b\xED\xA0\x80"},
    };
    for (const auto& c : cases) {
        TCalcArray v{TCalcItem{1, {}, fdtnumber}, TCalcItem{2, {}, fdtnumber}};
        const QString code = f.Compile(QString::fromUtf8(c.formula), 2, vars);
        const QString first = f.Compute(2, &v);
        DUvuRarodar g;
        g.Compile("a + b", 2, vars); // same variables
        g.SetCompiled(code);
        EXPECT_EQ(g.Compiled(), code);
        EXPECT_EQ(g.Compute(2, &v), first) << c.formula;
    }
    const QString withNul = f.Compile("'a'#0'b'#55296");
    const QString text = f.Compute();
    EXPECT_EQ(text.size(), 4);
    EXPECT_EQ(text[1].unicode(), 0);
    EXPECT_EQ(text[3].unicode(), 0xD800);
}

// Numeric formulas over number values run on a double stack; the same formula over values given as
// text takes the interpreter. Both must give the same text, the same error and the same budget.
TEST_F(FormulaComponent, NumericFormulasMatchTheInterpreter) {
    struct Case {
        const char* formula;
        double x, y;
    };
    const Case cases[] = {
        {"x*x + 2*x*y - SIN(x)/(1+y^2)", 0.3, -1.7},
        {"(x+1)*(y-2)/3 - (-x)", 2.5, 7},
        {"x^y + y^2 - COS(x)*EXP(y)", 2, 0.5},
        {"x/y", 1, 0},          // EZeroDivide
        {"x/y", 0, 0},          // EInvalidOp
        {"SQRT(x) + y", -1, 0}, // EInvalidOp
        {"LOG(x)", 0, 0},
        {"x*y", 1e300, 1e300},  // EOverflow
        {"y^2", 0, 1e200},
        {"x - y + 4 / 2 ^ 2", 5, 3},
    };
    auto run = [](DUvuRarodar& f, TCalcArray& v) {
        try {
            return f.Compute(2, &v);
        } catch (const Exception& e) {
            return e.ClassName() + QStringLiteral(": ") + e.Message();
        }
    };
    for (const Case& c : cases) {
        DUvuRarodar f;
        f.Compile(c.formula, 2, {"x", "y"});
        TCalcArray numbers{TCalcItem{c.x, {}, fdtnumber}, TCalcItem{c.y, {}, fdtnumber}};
        TCalcArray texts{TCalcItem{0, QString::number(c.x, 'g', 17), fdtstring},
                         TCalcItem{0, QString::number(c.y, 'g', 17), fdtstring}};
        const QString fast = run(f, numbers);
        EXPECT_EQ(fast, run(f, texts)) << c.formula;
        EXPECT_EQ(run(f, numbers), fast) << c.formula; // a second run on the kept plan
    }
    // A square is the rounded product.
    DUvuRarodar sq;
    sq.Compile("y^2", 1, {"y"});
    for (double y : {0.1, 1.7, 3.3333333333333335, 1e-160, 123456.789}) {
        TCalcArray v{TCalcItem{y, {}, fdtnumber}};
        EXPECT_EQ(sq.ComputeN(1, &v), y * y) << y;
    }
    // The instruction budget counts the same instructions on both roads.
    DUvuRarodar b;
    b.Compile("x*x + 2*x*y", 2, {"x", "y"});
    TCalcArray numbers{TCalcItem{1, {}, fdtnumber}, TCalcItem{2, {}, fdtnumber}};
    TCalcArray texts{TCalcItem{0, "1", fdtstring}, TCalcItem{0, "2", fdtstring}};
    int needed = 1;
    for (;; ++needed) {
        b.SetInstructionBudget(needed);
        if (run(b, texts) == "5") break;
        ASSERT_LT(needed, 100);
    }
    EXPECT_EQ(run(b, numbers), "5");
    b.SetInstructionBudget(needed - 1);
    EXPECT_EQ(run(b, numbers), run(b, texts));
    EXPECT_TRUE(run(b, numbers).startsWith("FormulaException"));
    // A built-in replaced after the formula ran once is the one called.
    DUvuRarodar s;
    s.Compile("SIN(x) * 2", 1, {"x"});
    TCalcArray zero{TCalcItem{0, {}, fdtnumber}};
    EXPECT_EQ(s.Compute(1, &zero), "0");
    s.AddUserFunction("sin", 1, [](TFormulaCalc&) { return TCalcItem{21, {}, fdtnumber}; }, nullptr, false, true);
    EXPECT_EQ(s.Compute(1, &zero), "42");
}

TEST_F(FormulaComponent, HostFunctionsAndConstants) {
    DUvuRarodar f, other;
    try {
        f.AddUserFunction("sin", 1, [](TFormulaCalc&) { return TCalcItem{42, {}, fdtnumber}; });
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Function \"sin\" already defined");
    }
    EXPECT_EQ(EvalFormula("SIN(0)", &other), "0");
    f.AddUserFunction("sin", 1, [](TFormulaCalc&) { return TCalcItem{42, {}, fdtnumber}; }, nullptr, false, true);
    EXPECT_EQ(EvalFormula("SIN(0)", &other), "42"); // every instance in the process
    ResetFormulaTables();
    EXPECT_EQ(EvalFormula("SIN(0)", &other), "0");
    try {
        f.AddUserFunction("true", 0, nullptr);
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Constant \"true\" already defined");
    }
    PDefArray d = NewDefArray();
    (*d)[1] = TCalcItem{100, {}, fdtnumber};
    f.AddUserFunction("plus", 2, [](TFormulaCalc& c) { return TCalcItem{c.ItemN(1) + c.ItemN(0), {}, fdtnumber}; }, d);
    EXPECT_EQ(f.ComputeStr("PLUS(1) + plus(1, 2)"), "104");
    try {
        f.AddUserFunction("Plus", 2, nullptr);
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "User Function \"Plus\" already defined");
    }
    EXPECT_EQ(EvalFormula("plus(1, 2)", &other), "FormulaException: Unknown identifier 'plus'");
    f.AddUserConstant("ten", "10");
    EXPECT_EQ(f.ComputeStr("TEN * 2"), "20");
    EXPECT_THROW(f.AddUserConstant("TEN", "11"), FormulaException);
    EXPECT_NO_THROW(f.AddUserConstant("new", "", true));
    EXPECT_EQ(EvalFormula("new", &f), "FormulaException: Unknown identifier 'new'");
}

TEST_F(FormulaComponent, VariablesByName) {
    DUvuRarodar f;
    EXPECT_THROW(f.GetVar("x"), FormulaException);
    f.AddVar("x", TCalcItem{1, {}, fdtnumber});
    EXPECT_EQ(f.FindVar("X"), 0);
    f.SetCaseSensitive(true);
    EXPECT_EQ(f.FindVar("X"), -1);
    EXPECT_EQ(f.IncVar("x")->data, 2);
    EXPECT_EQ(f.DecVar("x")->data, 1);
    try {
        f.AddVar("x", TCalcItem());
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Variable x already exists");
    }
    try {
        f.SetVar("y", TCalcItem());
        FAIL();
    } catch (const FormulaException& e) {
        EXPECT_EQ(e.Message(), "Variable y does not exists");
    }
    f.SetAutoCreateVars(true);
    f.SetVar("y", TCalcItem{0, "t", fdtstring});
    EXPECT_EQ(f.GetVar("y")->str, "t");
}

TEST_F(FormulaComponent, LanguageFile) {
    QTemporaryDir dir;
    const QString file = dir.filePath("de.ini");
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write("[ZorAzuvide]\ncExpected=fehlt\ncSyntaxError=Syntaxfehler\ncVariable=\n");
    }
    DUvuRarodar f, other;
    int loaded = 0;
    f.OnLoadLang = [&] { ++loaded; };
    f.LoadLang(file);
    EXPECT_EQ(loaded, 1);
    EXPECT_EQ(f.LocalStrings()->Count(), 3);
    EXPECT_EQ(f.GetLocalString("cVariable", "dflt"), "dflt");
    EXPECT_EQ(EvalFormula("(1", &other), "FormulaException: \")\" fehlt");
    EXPECT_EQ(EvalFormula("SIN 1", &other), "FormulaException: \"(\" fehlt");
    EXPECT_EQ(EvalFormula("1 +", &other), "FormulaException: Syntaxfehler");
    f.SetLocalString("CSYNTAXERROR", "Kaputt");
    f.SetLocalString("noSuchKey", "x");
    EXPECT_EQ(EvalFormula("1 +", &other), "FormulaException: Kaputt");
    ResetFormulaTables();
    EXPECT_EQ(EvalFormula("1 +", &other), "FormulaException: Syntax error");
}

TCalcItem Reenter(TFormulaCalc& c) {
    c.Parent()->Compute();
    return TCalcItem();
}

TEST_F(FormulaComponent, NestedRunsRefused) {
    DUvuRarodar f;
    f.SetInstructionBudget(100000);
    f.AddUserFunction("again", 0, Reenter);
    EXPECT_EQ(EvalFormula("again()", &f), "FormulaException: Compute is not allowed while the formula is running");
    f.SetStep(true);
    int steps = 0;
    QString refused;
    f.OnStep = [&](DUvuRarodar* af) {
        if (++steps == 3) {
            try {
                af->Compile("1");
            } catch (const FormulaException& e) {
                refused = e.Message();
            }
        }
        if (steps >= 3) af->SetStop(true);
    };
    EXPECT_EQ(f.ComputeStr("WHILE 1 DO 1 WEND"), "");
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(refused, "Compile is not allowed while the formula is running");
    EXPECT_EQ(f.ComputeN(), 0); // a stopped run gives 0 as well
    f.SetStep(false);
    EXPECT_EQ(f.ComputeStr("2"), "2");
}

TEST_F(FormulaComponent, PublishedDefaults) {
    DUvuRarodar f;
    EXPECT_FALSE(f.UnQuotedString());
    EXPECT_TRUE(f.CaseSensitiveString());
    EXPECT_EQ(f.VarNameLiterals(), "_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const TClassInfo* info = DUvuRarodar::StaticClassInfo();
    for (const char* name : {"UnQuotedString", "TestUsedVars", "CaseSensitive", "Step", "StoreLines",
                             "CaseSensitiveString", "ExternGetVar", "VarNameLiterals", "GetVarValue", "GetVarsCount",
                             "NoLeadingZero", "ZeroEmptyString", "OnStep", "AutoCreateVars", "OnLoadLang"})
        EXPECT_NE(info->FindProp(QString::fromLatin1(name)), nullptr) << name;
    f.SetVarNameLiterals("_ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    EXPECT_EQ(EvalFormula("SIN(0) + PI1", &f), "FormulaException: Unknown identifier 'PI1'");
    EXPECT_EQ(EvalFormula("sin(0)", &f), "FormulaException: Illegal character 's'");
}

} // namespace
