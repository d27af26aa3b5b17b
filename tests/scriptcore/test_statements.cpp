#include "TreeBuild.h"

#include "platform/rtl/SysUtils.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

class StatementTest : public ::testing::Test {
protected:
    void SetUp() override {
        AddBasicTypes(&S);
        for (const char* n : {"i", "j", "n", "k"})
            S.AddVariable(n, "Integer", 0);
        S.AddVariable("log", "Variant", QString());
        S.AddVariable("v", "Variant", Variant::Null());
    }
    TscStatement* Main() { return S.Statement(); }
    template <class T> T* Add(TscStatement* list) {
        return static_cast<T*>(list->AddStatement(std::make_unique<T>(&S, QString(), "1:1")));
    }
    // log := log + text
    void Log(TscStatement* list, const QString& text) { AddAssign(list, "log", "log + '" + text + "'"); }
    void LogVar(TscStatement* list, const QString& var) {
        auto call = std::make_unique<TscAssignmentStmt>(&S, QString(), "1:1");
        call->SetDesignator(Var(&S, "log"));
        auto e = std::make_unique<TscExpression>(&S);
        e->AddDesignator(Var(&S, "log"));
        e->AddOperator("strcat");
        e->AddDesignator(Var(&S, var));
        EXPECT_TRUE(e->Finalize().isEmpty());
        call->SetExpression(std::move(e));
        call->Optimize();
        list->AddStatement(std::move(call));
    }
    QString LogText() { return S.Variables("log").ToString(); }
    TscScript S;
};

TEST_F(StatementTest, AssignmentsAndCompoundForms) {
    AddAssign(Main(), "i", "2 + 3 * 4");
    auto plus = Add<TscAssignPlusStmt>(Main());
    plus->SetDesignator(Var(&S, "i"));
    plus->SetExpression(Ex(&S, "6"));
    auto minus = Add<TscAssignMinusStmt>(Main());
    minus->SetDesignator(Var(&S, "i"));
    minus->SetExpression(Ex(&S, "1"));
    auto mul = Add<TscAssignMulStmt>(Main());
    mul->SetDesignator(Var(&S, "i"));
    mul->SetExpression(Ex(&S, "2"));
    auto div = Add<TscAssignDivStmt>(Main());
    div->SetDesignator(Var(&S, "v"));
    div->SetExpression(Ex(&S, "4"));
    AddAssign(Main(), "v", "10");
    div = Add<TscAssignDivStmt>(Main());
    div->SetDesignator(Var(&S, "v"));
    div->SetExpression(Ex(&S, "4"));
    auto inc = Add<TscCallStmt>(Main());
    inc->SetDesignator(Var(&S, "j"));
    inc->SetModificator("+");
    auto dec = Add<TscCallStmt>(Main());
    dec->SetDesignator(Var(&S, "k"));
    dec->SetModificator("-");
    S.Execute();
    EXPECT_TRUE(S.Variables("i") == Variant(38)); // ((14 + 6) - 1) * 2
    EXPECT_TRUE(S.Variables("v") == Variant(2.5));
    EXPECT_TRUE(S.Variables("j") == Variant(1));
    EXPECT_TRUE(S.Variables("k") == Variant(-1));
    // A typed integer variable refuses text that is no number.
    AddAssign(Main(), "i", "'abc'");
    EXPECT_THROW(S.Execute(), EVariantError);
}

TEST_F(StatementTest, IfAndCase) {
    auto ifs = Add<TscIfStmt>(Main());
    ifs->SetCondition(Ex(&S, "i > 0"));
    Log(ifs, "then");
    Log(ifs->ElseStmt(), "else");
    auto cs = Add<TscCaseStmt>(Main());
    cs->SetCondition(Ex(&S, "i"));
    for (auto [set, text] : {std::pair{"{1,2}", "A"}, {"{2..4}", "B"}}) {
        auto sel = Add<TscCaseSelector>(cs);
        auto e = Ex(&S, set);
        auto* node = dynamic_cast<TscSetNode*>(e->Root());
        ASSERT_NE(node, nullptr);
        auto owned = std::make_unique<TscSetExpression>();
        for (int i = 0; i < node->SetExpression()->EntryCount(); ++i) {
            if (!node->SetExpression()->GetItem(i)) {
                owned->AddRange();
                continue;
            }
            owned->AddExpression(Ex(&S, VarToStr(node->SetExpression()->GetItem(i)->Value())));
        }
        sel->SetSetExpression(std::move(owned));
        Log(sel, text);
    }
    Log(cs->ElseStmt(), "E");
    struct Case {
        int i;
        const char* log;
    } cases[] = {{0, "elseE"}, {1, "thenA"}, {2, "thenA"}, {4, "thenB"}, {9, "thenE"}};
    for (const Case& c : cases) {
        S.SetVariables("i", c.i);
        S.SetVariables("log", QString());
        S.Execute();
        EXPECT_EQ(LogText(), c.log) << c.i;
    }
}

TEST_F(StatementTest, WhileRepeatAndCppForLoops) {
    // while i < 3 do begin i := i + 1; log += i end
    auto w = Add<TscWhileStmt>(Main());
    w->SetCondition(Ex(&S, "i < 3"));
    AddAssign(w, "i", "i + 1");
    LogVar(w, "i");
    // a false condition runs nothing
    auto none = Add<TscWhileStmt>(Main());
    none->SetCondition(Ex(&S, "False"));
    Log(none, "never");
    // repeat runs once although the condition holds from the start
    auto r = Add<TscRepeatStmt>(Main());
    r->SetCondition(Ex(&S, "True"));
    Log(r, "R");
    // do ... while: ends when the condition is false
    auto dw = Add<TscRepeatStmt>(Main());
    dw->SetInverseCondition(true);
    dw->SetCondition(Ex(&S, "j < 2"));
    AddAssign(dw, "j", "j + 1");
    Log(dw, "D");
    // for (k = 0; k < 3; k++) log += k
    auto cf = Add<TscCppForStmt>(Main());
    AddAssign(cf->FirstStmt(), "k", "0");
    cf->SetExpression(Ex(&S, "k < 3"));
    auto inc = std::make_unique<TscCallStmt>(&S, QString(), "1:1");
    inc->SetDesignator(Var(&S, "k"));
    inc->SetModificator("+");
    cf->SecondStmt()->AddStatement(std::move(inc));
    LogVar(cf, "k");
    S.Execute();
    EXPECT_EQ(LogText(), "123RDD012");
}

TEST_F(StatementTest, CountedForLoops) {
    auto loop = [&](int from, int to, bool down) {
        Main()->Clear();
        S.SetVariables("log", QString());
        auto f = Add<TscForStmt>(Main());
        f->SetVariable(S.Find("i"));
        f->SetBeginValue(Ex(&S, QString::number(from)));
        f->SetEndValue(Ex(&S, QString::number(to)));
        f->SetDown(down);
        LogVar(f, "i");
        // changing the variable in the body does not change the count
        AddAssign(f, "i", "100");
        S.Execute();
        return LogText();
    };
    S.SetVariables("i", -7);
    EXPECT_EQ(loop(5, 1, false), "");
    EXPECT_TRUE(S.Variables("i") == Variant(-7));
    EXPECT_EQ(loop(1, 3, false), "123");
    EXPECT_EQ(loop(3, 1, true), "321");
    EXPECT_TRUE(S.Variables("i") == Variant(100));

    // Up to the integer limit: the loop ends there instead of wrapping around.
    Main()->Clear();
    S.SetVariables("n", 0);
    auto up = Add<TscForStmt>(Main());
    up->SetVariable(S.Find("i"));
    up->SetBeginValue(Ex(&S, QString::number(INT_MAX - 2)));
    up->SetEndValue(Ex(&S, QString::number(INT_MAX)));
    AddAssign(up, "n", "n + 1");
    auto down = Add<TscForStmt>(Main());
    down->SetVariable(S.Find("j"));
    down->SetDown(true);
    auto minExpr = std::make_unique<TscExpression>(&S);
    minExpr->AddConst(INT_MIN + 1);
    minExpr->AddOperator("-");
    minExpr->AddConst(1);
    minExpr->Finalize();
    down->SetBeginValue(Ex(&S, "unminus 2147483647"));
    down->SetEndValue(std::move(minExpr));
    AddAssign(down, "n", "n + 1");
    S.Execute();
    EXPECT_TRUE(S.Variables("n") == Variant(5));
    EXPECT_TRUE(S.Variables("i") == Variant(INT_MAX));
    EXPECT_TRUE(S.Variables("j") == Variant(INT_MIN));
}

TEST_F(StatementTest, SteppedForLoops) {
    auto f = Add<TscVbForStmt>(Main());
    f->SetVariable(S.Find("v"));
    f->SetBeginValue(Ex(&S, "10"));
    f->SetEndValue(Ex(&S, "3"));
    f->SetStep(Ex(&S, "unminus 2"));
    LogVar(f, "v");
    Log(f, ",");
    auto g = Add<TscVbForStmt>(Main());
    g->SetVariable(S.Find("k"));
    g->SetBeginValue(Ex(&S, "1"));
    g->SetEndValue(Ex(&S, "2"));
    LogVar(g, "k");
    S.Execute();
    EXPECT_EQ(LogText(), "10,8,6,4,12");
}

TEST_F(StatementTest, BreakContinueAndNestedLoops) {
    // for i := 1 to 3 do for j := 1 to 3 do begin if j = 2 then continue; if j = 3 then break; log += j end
    auto outer = Add<TscForStmt>(Main());
    outer->SetVariable(S.Find("i"));
    outer->SetBeginValue(Ex(&S, "1"));
    outer->SetEndValue(Ex(&S, "3"));
    LogVar(outer, "i");
    auto inner = Add<TscForStmt>(outer);
    inner->SetVariable(S.Find("j"));
    inner->SetBeginValue(Ex(&S, "1"));
    inner->SetEndValue(Ex(&S, "4"));
    auto c = Add<TscIfStmt>(inner);
    c->SetCondition(Ex(&S, "j = 2"));
    Add<TscContinueStmt>(c);
    auto b = Add<TscIfStmt>(inner);
    b->SetCondition(Ex(&S, "j = 3"));
    Add<TscBreakStmt>(b);
    LogVar(inner, "j");
    Log(Main(), "!");
    S.Execute();
    EXPECT_EQ(LogText(), "112131!");
    EXPECT_FALSE(S.BreakCalled());
}

TEST_F(StatementTest, WithStoresTheObjectInItsHiddenVariable) {
    S.AddVariable("_WithList_0", "Variant", Variant::Null());
    auto w = Add<TscWithStmt>(Main());
    w->SetVariable(S.Find("_WithList_0"));
    w->SetDesignator(Var(&S, "k"));
    S.SetVariables("k", 77);
    S.Execute();
    EXPECT_TRUE(S.Variables("_WithList_0") == Variant(77));
}

TEST_F(StatementTest, TryExceptPublishesTheException) {
    S.AddMethod("procedure Fail(Msg: String)",
                [](TObject*, const TClassInfo*, const QString&, Variant& p) -> Variant {
                    throw EConvertError(p.GetElement(0).ToString());
                });
    auto t = Add<TscTryStmt>(Main());
    t->SetIsExcept(true);
    auto call = std::make_unique<TscCallStmt>(&S, QString(), "1:1");
    call->SetDesignator(DB(&S).Link(S.Find("Fail")).Arg(Ex(&S, "'bad_value'")).Done());
    t->AddStatement(std::move(call));
    Log(t, "not_reached");
    Log(t->ExceptStmt(), "caught");
    Log(Main(), "+after");
    S.Execute();
    EXPECT_EQ(LogText(), "caught+after");
    EXPECT_TRUE(S.Variables("ExceptionClassName") == Variant(QString("EConvertError")));
    EXPECT_TRUE(S.Variables("ExceptionMessage") == Variant(QString("bad_value")));
}

TEST_F(StatementTest, TryFinallyRunsAndTheErrorStillPasses) {
    S.AddMethod("procedure Fail", [](TObject*, const TClassInfo*, const QString&, Variant&) -> Variant {
        throw EDatabaseError("db down");
    });
    auto t = Add<TscTryStmt>(Main());
    auto call = std::make_unique<TscCallStmt>(&S, QString(), "1:1");
    call->SetDesignator(DB(&S).Link(S.Find("Fail")).Done());
    t->AddStatement(std::move(call));
    Log(t->ExceptStmt(), "finally");
    Log(Main(), "after");
    try {
        S.Execute();
        FAIL() << "the exception was swallowed";
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.Message(), "db down");
    }
    EXPECT_EQ(LogText(), "finally");
    EXPECT_FALSE(S.IsRunning());
}

class ProcTest : public StatementTest {
protected:
    // function Name(p: Integer): Integer, added to the script; its local scope holds p.
    TscProcVariable* AddFunction(const QString& name, bool isFunc = true) {
        auto p = std::make_unique<TscProcVariable>(name, fvtInt, "Integer", &S, isFunc);
        TscProcVariable* r = p.get();
        S.Add(name, std::move(p));
        r->AddParam(std::make_unique<TscParamItem>("p", fvtInt, "Integer", false, false));
        return r;
    }
};

TEST_F(ProcTest, ExitEndsTheProcedureNotItsCaller) {
    TscProcVariable* f = AddFunction("Proc", false);
    TscScript* L = f->Prog();
    // while True do begin log += 'x'; exit end; log += 'unreached'
    auto w = std::make_unique<TscWhileStmt>(L, QString(), "1:1");
    w->SetCondition(Ex(L, "True"));
    AddAssign(w.get(), "log", "log + 'x'");
    w->AddStatement(std::make_unique<TscExitStmt>(L, QString(), "1:1"));
    L->Statement()->AddStatement(std::move(w));
    AddAssign(L->Statement(), "log", "log + 'unreached'");
    auto call = Add<TscCallStmt>(Main());
    call->SetDesignator(DB(&S).Link(f).Arg(Ex(&S, "1")).Done());
    Log(Main(), "back");
    S.Execute();
    EXPECT_EQ(LogText(), "xback");
}

TEST_F(ProcTest, RecursionKeepsEachLevelsParameters) {
    // function Fact(p): if p <= 1 then Result := 1 else Result := p * Fact(p - 1)
    TscProcVariable* f = AddFunction("Fact");
    TscScript* L = f->Prog();
    auto ifs = std::make_unique<TscIfStmt>(L, QString(), "1:1");
    ifs->SetCondition(Ex(L, "p <= 1"));
    AddAssign(ifs.get(), "Result", "1");
    auto a = std::make_unique<TscAssignmentStmt>(L, QString(), "1:1");
    a->SetDesignator(Var(L, "Result"));
    auto e = std::make_unique<TscExpression>(L);
    e->AddDesignator(DB(L).Link(L->Find("p")).Done());
    e->AddOperator("*");
    e->AddDesignator(DB(L).Link(f).Arg(Ex(L, "p - 1")).Done());
    ASSERT_TRUE(e->Finalize().isEmpty());
    a->SetExpression(std::move(e));
    a->Optimize();
    ifs->ElseStmt()->AddStatement(std::move(a));
    L->Statement()->AddStatement(std::move(ifs));
    EXPECT_TRUE(S.CallFunction("Fact", VarArrayOf({6})) == Variant(720));
    EXPECT_TRUE(S.CallFunction("Fact", VarArrayOf({1})) == Variant(1));
    EXPECT_FALSE(f->Executing());
}

TEST_F(ProcTest, TerminateStopsLoopsProceduresAndRecursion) {
    int runs = 0;
    S.AddMethod("procedure Tick", [&](TObject*, const TClassInfo*, const QString&, Variant&) -> Variant {
        if (++runs == 3) S.Terminate();
        return Variant(0);
    });
    // procedure Deep(p): Tick; if p > 0 then Deep(p - 1); log += 'x' (runs after the inner call)
    TscProcVariable* f = AddFunction("Deep", false);
    TscScript* L = f->Prog();
    auto tick = std::make_unique<TscCallStmt>(L, QString(), "1:1");
    tick->SetDesignator(DB(L).Link(S.Find("Tick")).Done());
    L->Statement()->AddStatement(std::move(tick));
    auto ifs = std::make_unique<TscIfStmt>(L, QString(), "1:1");
    ifs->SetCondition(Ex(L, "p > 0"));
    auto rec = std::make_unique<TscCallStmt>(L, QString(), "1:1");
    rec->SetDesignator(DB(L).Link(f).Arg(Ex(L, "p - 1")).Done());
    ifs->AddStatement(std::move(rec));
    L->Statement()->AddStatement(std::move(ifs));
    AddAssign(L->Statement(), "log", "log + 'x'");
    // while True do Deep(5)
    auto w = Add<TscWhileStmt>(Main());
    w->SetCondition(Ex(&S, "True"));
    auto call = std::make_unique<TscCallStmt>(&S, QString(), "1:1");
    call->SetDesignator(DB(&S).Link(f).Arg(Ex(&S, "5")).Done());
    w->AddStatement(std::move(call));
    S.Execute(); // returns normally
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(LogText(), ""); // no level finished its body after the stop
    // A later run starts afresh.
    runs = 10;
    S.Variables("log");
    Main()->Clear();
    Log(Main(), "again");
    S.Execute();
    EXPECT_EQ(LogText(), "again");
}

TEST_F(ProcTest, LineHookSeesStatementsAndCanTerminate) {
    QStringList lines;
    S.OnRunLine = [&](TscScript* sender, const QString&, const QString& pos) {
        lines << pos;
        if (lines.size() == 4) sender->Terminate();
    };
    auto w = std::make_unique<TscWhileStmt>(&S, QString(), "1:1");
    w->SetCondition(Ex(&S, "True"));
    auto a = std::make_unique<TscAssignmentStmt>(&S, QString(), "2:3");
    a->SetDesignator(Var(&S, "i"));
    a->SetExpression(Ex(&S, "i + 1"));
    a->Optimize();
    w->AddStatement(std::move(a));
    Main()->AddStatement(std::move(w));
    S.Execute();
    EXPECT_EQ(lines, QStringList({"1:1", "2:3", "2:3", "2:3"}));
    EXPECT_TRUE(S.Variables("i") == Variant(2));
}

} // namespace
