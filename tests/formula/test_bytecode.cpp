// Byte code written by hand: the interpreter's instructions, and hostile codes set as Compiled.

#include "FormulaTestUtil.h"
#include "formula/formulaf.h"

#include <gtest/gtest.h>

namespace {

QString Install(DUvuRarodar& f, const QString& code) {
    try {
        f.SetCompiled(code);
        return f.Compute();
    } catch (const Exception& e) {
        return e.ClassName() + QStringLiteral(": ") + e.Message();
    }
}

class FormulaByteCode : public ::testing::Test {
protected:
    TFormatSettingsScope FDot{TFormatSettings::Invariant()};
    DUvuRarodar F;
};

TEST_F(FormulaByteCode, Instructions) {
    using A = TFormulaAsm;
    const struct {
        QString code;
        const char* result;
    } cases[] = {
        {A().Num(2).Num(3).Op('*').Ret().Code(), "6"},
        {A().Text("ab").Text("c").Op('@').Ret().Code(), "abc"},
        {A().Num(7).Num(2).Op('\\').Ret().Code(), "3"},
        {A().Num(1).Num(4).Op(230).Ret().Code(), "16"},
        {A().Num(-1).Num(60).Op(229).Ret().Code(), "15"},
        {A().Num(0).Op('!').Op(251).Ret().Code(), "-1"},
        {A().Text("abc").Text("a*").Op(223).Ret().Code(), "1"},
        {A().Op(219).Int32(7).Num(1).Ret().Code(), "1"},
        {A().Num(1).Num(2).Op(241).Ret().Code(), "1"},
        {A().Call(53, 0).Op(241).Num(9).Ret().Code(), "9"},
        {A().Num(1).Num(2).Num(3).Num(3).Call(29, 65535).Ret().Code(), "3"},
        {A().Num(0).JumpIfZero(14).Num(1).Ret().Num(2).Ret().Code(), "2"},
        {A().Num(0).JumpIfZero(13).Num(1).Ret().Num(2).Ret().Code(), "FormulaException: Wrong bytecode!"},
        {A().Jump(9).Num(1).Ret().Num(2).Ret().Code(), "2"},
        {A().Jump(8).Num(1).Ret().Num(2).Ret().Code(), "FormulaException: Wrong bytecode!"},
        {A().Num(1).Ret().Num(99).Ret().Code(), "1"},
    };
    for (const auto& c : cases) EXPECT_EQ(Install(F, c.code), QString::fromUtf8(c.result)) << c.code.toStdString();
    F.SetCompiled(A().Call(53, 0).Ret().Code());
    F.Compute();
    EXPECT_EQ(F.Calc().Num(), 1); // a call without arguments leaves one item
}

// Codes that would read outside their operands, tables or stack never run.
TEST_F(FormulaByteCode, HostileCodesRefused) {
    using A = TFormulaAsm;
    F.Compile("a + b", 2, {"a", "b"});
    const QString good = F.Compiled();
    const QString truncatedNumber = A().Num(1).Code().left(3);
    const QString cases[] = {
        A().Unit(1).Ret().Code(),                       // unknown instruction
        QString(),                                      // nothing
        A().Num(1).Code(),                              // no final return
        truncatedNumber,                                // operand cut off
        A().Num(1).Op(219).Unit(1).Code(),              // line marker cut off
        A().Var(2).Ret().Code(),                        // only two variables
        A().Op(222).Unit(5).Ret().Code(),               // no such global
        A().Num(1).Call(200, 1).Ret().Code(),           // no such built-in
        A().Num(1).Call(7, 2).Ret().Code(),             // SIN takes one argument
        A().Num(1).Call(29, 65535).Ret().Code(),        // count not given by a number
        A().Num(-1).Call(29, 65535).Ret().Code(),       // negative count
        A().Num(1).Num(5).Call(29, 65535).Ret().Code(), // count past the stack
        A().Op('+').Num(1).Ret().Code(),                // pops below what it pushed
        A().Num(1).Op('+').Ret().Code(),
        A().Ret().Code(),                               // returns nothing
        A().Jump(2).Num(1).Ret().Code(),                // jump into an operand
        A().Jump(-5).Num(1).Ret().Code(),
        A().Jump(1000).Num(1).Ret().Code(),
        A().Num(0).JumpIfZero(13).Num(1).Num(2).Ret().Code(), // depths disagree where paths meet
        A().Unit(246).Int32(-2).Ret().Code(),           // negative text length
        A().Unit(246).Int32(100).Unit('x').Ret().Code(),
        A().Unit(231).Int32(70000).Ret().Code(),
        A().Unit(233).Unit(0).Num(1).Ret().Code(),      // no host module
        A().Unit(234).Unit(0).Unit(0).Unit(0).Ret().Code(),
        A().Num(1).Op(220).Unit(0).Unit(1).Ret().Code(), // no subroutine
        A().Num(1).Unit(241).Unit(241).Num(1).Ret().Code(),
        A().Num(3).Num(1).Num(2).Num(2).Jump(28).Num(2).Call(29, 65535).Ret().Code(), // jump onto a counted call
    };
    int i = 0;
    for (const QString& code : cases) {
        EXPECT_EQ(Install(F, code), "FormulaException: Wrong bytecode!") << "case " << i;
        EXPECT_EQ(F.Compiled(), good) << "case " << i;
        ++i;
    }
}

TEST_F(FormulaByteCode, ReplacedEntryCheckedAtRun) {
    // A code verified against one parameter count meets a replaced entry with another.
    const QString code = F.Compile("INC('x')");
    F.AddUserFunction("inc", 2, [](TFormulaCalc&) { return TCalcItem(); }, nullptr, false, true);
    EXPECT_EQ(EvalFormula("1", &F), "1");
    F.Compile("1");
    EXPECT_EQ(Install(F, code), "FormulaException: Wrong bytecode!");
    ResetFormulaTables();
}

TEST_F(FormulaByteCode, Budgets) {
    F.SetInstructionBudget(100000);
    EXPECT_EQ(EvalFormula("WHILE 1 DO 1 WEND", &F), "FormulaException: Run exceeds the instruction budget of 100000");
    F.SetInstructionBudget(DUvuRarodar::kDefaultInstructionBudget);
    EXPECT_EQ(F.ComputeStr("BEGIN DEFINES('i'); WHILE $i < 1000000 DO $i++ WEND END"), "1000000");
    F.SetTextBudget(1000);
    EXPECT_EQ(EvalFormula("STRINGOFCHAR('x', 1001)", &F),
              "FormulaException: Text longer than the text budget of 1000 characters");
    EXPECT_EQ(EvalFormula("BEGIN DEFINES('s'); $s := 'x'; WHILE 1 DO $s := $s @ $s WEND END", &F),
              "FormulaException: Text longer than the text budget of 1000 characters");
    EXPECT_EQ(EvalFormula("LENGTH(STRINGOFCHAR('x', 1000))", &F), "1000");
}

} // namespace
