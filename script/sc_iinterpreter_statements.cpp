// Statements: every kind runs its own Execute; break, continue, exit and termination travel in
// the program's flags.

#include "script/sc_iexpression.h"
#include "script/sc_iinterpreter.h"

namespace {
template <class F> struct TFinally {
    F Fn;
    ~TFinally() { Fn(); }
};
template <class F> TFinally(F) -> TFinally<F>;
} // namespace

TscStatement::TscStatement(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : FProgram(AProgram), FSourcePos(SourcePos), FUnitName(UnitName) {}

void TscStatement::ExecuteItems() {
    // The statements of a list do not change while it runs. Terminated is tested before every
    // statement: after the first, by the test that follows the previous one.
    TscScript* const prog = FProgram;
    if (prog->Terminated()) return;
    if (FItems.size() == 2) {
        // Two statements (a guard and a return, say): each from a call site of its own, which
        // the processor predicts better than one site taking turns.
        static_cast<TscStatement*>(FItems[0].get())->Execute();
        if (prog->FlowStopped()) return;
        static_cast<TscStatement*>(FItems[1].get())->Execute();
        return;
    }
    const auto* const end = FItems.data() + FItems.size();
    for (const auto* it = FItems.data(); it != end; ++it) {
        static_cast<TscStatement*>(it->get())->Execute();
        if (prog->FlowStopped()) return;
    }
}

void TscStatement::Execute() {
    ExecuteList();
}

// ---------------------------------------------------------------------------------------------

void TscAssignmentStmt::Optimize() {
    FVar = FDesignator.get();
    if (auto* vd = dynamic_cast<TscVariableDesignator*>(FDesignator.get())) FVar = vd->RefItem();
    FExpr = FExpression.get();
    // An expression is read through its tree, one call fewer per run.
    if (auto* e = dynamic_cast<TscExpression*>(FExpression.get()))
        if (TscCustomVariable* direct = e->SingleItem() ? e->SingleItem() : e->Root()) FExpr = direct;
    // A one-link chain without arguments (a parameter) is read straight from its item.
    if (auto* d = dynamic_cast<TscDesignator*>(FExpr))
        if (TscCustomVariable* plain = d->PlainItem()) FExpr = plain;
}

void TscAssignmentStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    TscEvalResult e;
    FExpr->Eval(e, true);
    if (e.IsInt())
        FVar->StoreInt(e.Int());
    else
        FVar->SetValue(e.Get());
}

namespace {

// V := target; E := value; target := V op E. The target is read once, before the value, and
// written once; two integers are worked out without Variants.
template <TVarOp Op> [[gnu::noinline]] void CompoundAssignSlow(TscCustomVariable* Var, TscCustomVariable* Expr);

// An integer target and a value of another kind: the Variant rule decides.
template <TVarOp Op> [[gnu::noinline]] void MixedAssign(TscCustomVariable* Var, int a, TscEvalResult& e) {
    Var->SetValue(VarBinaryOp(Variant(a), e.Get(), Op));
}

template <TVarOp Op> void CompoundAssign(TscCustomVariable* Var, TscCustomVariable* Expr) {
    if constexpr (Op != TVarOp::Divide) {
        // An integer target read in place (nothing runs, so reading it first is the same).
        if (int a; Var->PeekInt(a)) {
            int b;
            if (!Expr->PeekInt(b)) {
                TscEvalResult e;
                Expr->Eval(e, true);
                if (!e.IsInt()) {
                    MixedAssign<Op>(Var, a, e);
                    return;
                }
                b = e.Int();
            }
            const long long x = a, y = b;
            Var->StoreInt(Op == TVarOp::Add ? x + y : Op == TVarOp::Subtract ? x - y : x * y);
            return;
        }
    }
    CompoundAssignSlow<Op>(Var, Expr);
}

// Any other target: read through its item.
template <TVarOp Op> void CompoundAssignSlow(TscCustomVariable* Var, TscCustomVariable* Expr) {
    TscEvalResult v, e;
    Var->Eval(v, false);
    Expr->Eval(e, true);
    if (Op != TVarOp::Divide && v.IsInt() && e.IsInt()) {
        const long long a = v.Int(), b = e.Int();
        Var->StoreInt(Op == TVarOp::Add ? a + b : Op == TVarOp::Subtract ? a - b : a * b);
        return;
    }
    Var->SetValue(VarBinaryOp(v.Get(), e.Get(), Op));
}

} // namespace

void TscAssignPlusStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    CompoundAssign<TVarOp::Add>(FVar, FExpr);
}

void TscAssignMinusStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    CompoundAssign<TVarOp::Subtract>(FVar, FExpr);
}

void TscAssignMulStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    CompoundAssign<TVarOp::Multiply>(FVar, FExpr);
}

void TscAssignDivStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    CompoundAssign<TVarOp::Divide>(FVar, FExpr);
}

void TscCallStmt::SetModificator(const QString& v) {
    FModificator = v;
    FStep = v == QLatin1String("+") ? 1 : v == QLatin1String("-") ? -1 : 0;
}

void TscCallStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (FStep != 0) {
        // i++ on a plain variable goes to the variable itself.
        if (!FStepTarget) {
            FStepTarget = FDesignator.get();
            if (FDesignator->Kind() == dkVariable && FDesignator->RefItem()) FStepTarget = FDesignator->RefItem();
        }
        if (int a; FStepTarget->PeekInt(a)) {
            FStepTarget->StoreInt(static_cast<long long>(a) + FStep);
            return;
        }
        TscEvalResult v;
        FStepTarget->Eval(v, true);
        if (v.IsInt())
            FStepTarget->StoreInt(static_cast<long long>(v.Int()) + FStep);
        else
            FStepTarget->SetValue(FStep > 0 ? v.Get() + Variant(1) : v.Get() - Variant(1));
    } else if (FModificator.isEmpty()) {
        FDesignator->SetNeedResult(false);
        FDesignator->GetValue();
    }
}

TscIfStmt::TscIfStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FElseStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

void TscIfStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FCondLooked) {
        // The condition is read through its tree, one call fewer per run.
        auto* e = dynamic_cast<TscExpression*>(FCondition.get());
        FCondTree = e ? e->Root() : nullptr;
        FCondLooked = true;
    }
    if (FCondTree ? FCondTree->GetBool() : FCondition->GetBool())
        ExecuteList();
    else
        FElseStmt->ExecuteList();
}

TscCaseStmt::TscCaseStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FElseStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

void TscCaseStmt::Execute() {
    const Variant value = FCondition->GetValue();
    if (SignalAndTerminated()) return;
    for (int i = 0; i < Count(); ++i) {
        auto* sel = static_cast<TscCaseSelector*>(GetItem(i));
        if (sel->Check(value)) {
            sel->Execute();
            return;
        }
    }
    FElseStmt->Execute();
}

void TscWhileStmt::Execute() {
    if (SignalAndTerminated()) return;
    while (FCondition->GetBool()) {
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) break;
        FProgram->SetContinueCalled(false);
    }
    FProgram->SetBreakCalled(false);
}

void TscRepeatStmt::Execute() {
    if (SignalAndTerminated()) return;
    for (;;) {
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) break;
        FProgram->SetContinueCalled(false);
        if (FCondition->GetBool() == !FInverseCondition) break;
    }
    FProgram->SetBreakCalled(false);
}

void TscForStmt::Execute() {
    const int b = FBeginValue->GetValue().ToInt();
    const int e = FEndValue->GetValue().ToInt();
    if (SignalAndTerminated()) return;
    TFinally done{[this] { FProgram->SetBreakCalled(false); }};
    if (FDown ? b < e : e < b) return;
    // The counter stops on the end value itself, so a loop to the integer limit never steps past it.
    TscScript* const prog = FProgram;
    for (int i = b;; FDown ? --i : ++i) {
        ScStoreInt(FVariable->FValue, i);
        ExecuteList();
        if (prog->FlowStopped()) [[unlikely]] {
            if (prog->BreakCalled() || prog->ExitCalled() || prog->Terminated()) return;
            prog->SetContinueCalled(false);
        }
        if (i == e) return;
    }
}

void TscVbForStmt::Execute() {
    const Variant b = FBeginValue->GetValue();
    const Variant e = FEndValue->GetValue();
    const Variant step = FStep ? FStep->GetValue() : Variant(1);
    const bool down = step < Variant(0);
    if (SignalAndTerminated()) return;
    TFinally done{[this] { FProgram->SetBreakCalled(false); }};
    if (b.VType() == varInteger && e.VType() == varInteger && step.VType() == varInteger) {
        // All three integers: the counter needs no Variant. Every value it stores lies between
        // begin and end, so within 32 bits; a step past the range ends the loop as the
        // variant addition (which would give an Int64) does.
        const long long last = ScOps::Int(e), by = ScOps::Int(step);
        TscScript* const prog = FProgram;
        for (long long i = ScOps::Int(b); down ? i >= last : i <= last; i += by) {
            ScStoreInt(FVariable->FValue, static_cast<int>(i));
            ExecuteList();
            if (prog->FlowStopped()) [[unlikely]] {
                if (prog->BreakCalled() || prog->ExitCalled() || prog->Terminated()) return;
                prog->SetContinueCalled(false);
            }
        }
        return;
    }
    Variant i = b;
    while (down ? ScOps::LessEq(e, i) : ScOps::LessEq(i, e)) {
        ScStoreValue(FVariable->FValue, Variant(i));
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) return;
        FProgram->SetContinueCalled(false);
        // A step of 0 repeats until the body breaks; a terminated script stops it too.
        if (FProgram->Terminated()) return;
        i = ScOps::Add(i, step);
    }
}

TscCppForStmt::TscCppForStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FFirstStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)),
      FSecondStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

void TscCppForStmt::Execute() {
    if (SignalAndTerminated()) return;
    TFinally done{[this] { FProgram->SetBreakCalled(false); }};
    FFirstStmt->Execute();
    if (FProgram->Terminated()) return;
    // The condition's tree and a one-statement body and step are run without the layers around
    // them; each still checks termination where the list would.
    auto* expr = dynamic_cast<TscExpression*>(FExpression.get());
    TscExpressionNode* cond = expr ? expr->Root() : nullptr;
    TscStatement* body = Count() == 1 ? GetItem(0) : nullptr;
    TscStatement* step = FSecondStmt->Count() == 1 ? FSecondStmt->GetItem(0) : nullptr;
    // The usual step, i++: counted in place once its first run has found the variable.
    auto* const stepCall = dynamic_cast<TscCallStmt*>(step);
    TscScript* const prog = FProgram;
    while (cond ? cond->GetBool() : !FExpression || FExpression->GetBool()) {
        if (body) {
            if (prog->Terminated()) return;
            body->Execute();
        } else {
            ExecuteList();
        }
        if (prog->FlowStopped()) [[unlikely]] {
            if (prog->BreakCalled() || prog->ExitCalled() || prog->Terminated()) return;
            prog->SetContinueCalled(false);
        }
        if (stepCall) {
            if (!stepCall->StepInPlace()) stepCall->Execute();
        } else if (step) {
            step->Execute();
        } else {
            FSecondStmt->ExecuteList();
        }
        if (prog->Terminated()) return;
    }
}

TscTryStmt::TscTryStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FExceptStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

void TscTryStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (FIsExcept) {
        try {
            ExecuteList();
        } catch (const Exception& e) {
            FProgram->SetVariables(QStringLiteral("ExceptionClassName"), Variant(e.ClassName()));
            FProgram->SetVariables(QStringLiteral("ExceptionMessage"), Variant(e.Message()));
            FExceptStmt->Execute();
        }
        return;
    }
    auto runFinally = [this] {
        const bool savedExit = FProgram->ExitCalled();
        FProgram->SetExitCalled(false);
        FExceptStmt->Execute();
        FProgram->SetExitCalled(savedExit);
    };
    try {
        ExecuteList();
    } catch (...) {
        runFinally();
        throw;
    }
    runFinally();
}

void TscBreakStmt::Execute() {
    FProgram->SetBreakCalled(true);
}

void TscContinueStmt::Execute() {
    FProgram->SetContinueCalled(true);
}

void TscReturnStmt::Execute() {
    // The list running this statement has just tested Terminated.
    if (!FItems.empty()) {
        static_cast<TscStatement*>(FItems.front().get())->Execute();
        if (FProgram->FlowStopped()) return;
    }
    SignalLine();
    FProgram->SetExitCalled(true);
}

void TscExitStmt::Execute() {
    SignalLine();
    FProgram->SetExitCalled(true);
}

void TscWithStmt::Execute() {
    ExecuteList();
    FVariable->SetValue(FDesignator->GetValue());
}
