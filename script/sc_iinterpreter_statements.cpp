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

void TscStatement::SignalLine() {
    FProgram->SignalLine(FUnitName, FSourcePos);
}

bool TscStatement::SignalAndTerminated() {
    SignalLine();
    return FProgram->Terminated();
}

void TscStatement::ExecuteList() {
    for (int i = 0; i < Count(); ++i) {
        if (FProgram->Terminated()) return;
        GetItem(i)->Execute();
        if (FProgram->BreakCalled() || FProgram->ContinueCalled() || FProgram->ExitCalled()) return;
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
    if (auto* e = dynamic_cast<TscExpression*>(FExpression.get()))
        if (TscCustomVariable* single = e->SingleItem()) FExpr = single;
}

void TscAssignmentStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    FVar->SetValue(FExpr->GetValue());
}

void TscAssignPlusStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    FVar->SetValue(FVar->GetValue() + FExpr->GetValue());
}

void TscAssignMinusStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    FVar->SetValue(FVar->GetValue() - FExpr->GetValue());
}

void TscAssignMulStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    FVar->SetValue(FVar->GetValue() * FExpr->GetValue());
}

void TscAssignDivStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (!FVar) Optimize();
    FVar->SetValue(FVar->GetValue() / FExpr->GetValue());
}

void TscCallStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (FModificator.isEmpty()) {
        FDesignator->SetNeedResult(false);
        FDesignator->GetValue();
    } else if (FModificator == QLatin1String("+")) {
        FDesignator->SetValue(FDesignator->GetValue() + Variant(1));
    } else if (FModificator == QLatin1String("-")) {
        FDesignator->SetValue(FDesignator->GetValue() - Variant(1));
    }
}

TscIfStmt::TscIfStmt(TscScript* AProgram, const QString& UnitName, const QString& SourcePos)
    : TscStatement(AProgram, UnitName, SourcePos),
      FElseStmt(std::make_unique<TscStatement>(AProgram, UnitName, SourcePos)) {}

void TscIfStmt::Execute() {
    if (SignalAndTerminated()) return;
    if (FCondition->GetValue().ToBool())
        ExecuteList();
    else
        FElseStmt->Execute();
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
    while (FCondition->GetValue().ToBool()) {
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
        if (FCondition->GetValue().ToBool() == !FInverseCondition) break;
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
    for (int i = b;; FDown ? --i : ++i) {
        FVariable->FValue = Variant(i);
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) return;
        FProgram->SetContinueCalled(false);
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
    Variant i = b;
    while (down ? i >= e : i <= e) {
        FVariable->FValue = i;
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) return;
        FProgram->SetContinueCalled(false);
        // A step of 0 repeats until the body breaks; a terminated script stops it too.
        if (FProgram->Terminated()) return;
        i = i + step;
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
    while (!FExpression || FExpression->GetValue().ToBool()) {
        ExecuteList();
        if (FProgram->BreakCalled() || FProgram->ExitCalled()) return;
        FProgram->SetContinueCalled(false);
        FSecondStmt->Execute();
        if (FProgram->Terminated()) return;
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

void TscExitStmt::Execute() {
    SignalLine();
    FProgram->SetExitCalled(true);
}

void TscWithStmt::Execute() {
    ExecuteList();
    FVariable->SetValue(FDesignator->GetValue());
}
