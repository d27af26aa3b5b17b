// Designators (name chains) and set constructors.

#include "platform/rtl/TextCase.h"
#include "script/sc_iexpression.h"
#include "script/sc_iinterpreter.h"

#include <pthread.h>

#include <algorithm>
#include <cstdint>
#include <utility>

// ---------------------------------------------------------------------------------------------
// Set expressions

bool TscSetExpression::Check(const Variant& Value) {
    const int n = EntryCount();
    for (int i = 0; i < n; ++i) {
        TscCustomExpression* e = GetItem(i);
        if (!e) continue;
        bool r;
        if (i + 2 < n && !GetItem(i + 1) && GetItem(i + 2)) {
            r = Value >= e->Value() && Value <= GetItem(i + 2)->Value();
            i += 2;
        } else {
            r = Value == e->Value();
        }
        if (r) return true;
    }
    return false;
}

Variant TscSetExpression::GetValue() {
    const int n = EntryCount();
    if (n == 0) return VarArrayCreate({0, -1}, varVariant);
    Variant a = VarArrayCreate({0, n - 1}, varVariant);
    for (int i = 0; i < n; ++i)
        a.SetElement(i, GetItem(i) ? GetItem(i)->Value() : Variant::Null());
    return a;
}

// ---------------------------------------------------------------------------------------------
// Designators

TscDesignator::TscDesignator(TscScript* AProgram)
    : TscCustomVariable(QString(), fvtInt, QString()), FProgram(AProgram) {
    FMainProg = AProgram;
    for (TscScript* s = AProgram; s; s = s->Parent())
        if (s->MainProg()) {
            FMainProg = s;
            break;
        }
    if (AProgram && FMainProg) AProgram->SetUseClassLateBinding(FMainProg->UseClassLateBinding());
}

TscDesignator::~TscDesignator() {
    FLateBindingXmlSource.reset();
    Clear();
}

TscDesignatorItem* TscDesignator::AddLink(TscCustomVariable* Ref, const QString& SourcePos) {
    auto link = std::make_unique<TscDesignatorItem>();
    link->SetRef(Ref);
    link->SetSourcePos(SourcePos);
    TscDesignatorItem* r = link.get();
    Add(std::move(link));
    return r;
}

void TscDesignator::Finalize() {
    if (Count() == 0) return;
    TscCustomVariable* last = GetItem(Count() - 1)->Ref();
    FTyp = last->Typ();
    FTypeName = last->TypeName();
    if (FTyp == fvtConstructor) {
        FTyp = fvtClass;
        FTypeName = Count() > 1 ? GetItem(Count() - 2)->Ref()->TypeName() : QString();
    }
    FIsReadOnly = last->IsReadOnly();
    TscCustomVariable* first = GetItem(0)->Ref();
    FKind = dkOther;
    if (Count() == 1 && dynamic_cast<TscVariable*>(first)) {
        FKind = dkVariable;
        FRefItem = first;
    } else if (Count() == 2 && dynamic_cast<TscStringVariable*>(first) && GetItem(1)->Count() > 0) {
        FKind = dkStringArray;
        FRefItem = first;
        FRef1 = GetItem(1)->GetItem(0);
    } else if (Count() == 2 && dynamic_cast<TscVariable*>(first) && first->Typ() == fvtArray &&
               first->RefItem()) {
        FKind = dkArray;
        FRefItem = first;
        FRef1 = first->RefItem();
        FRef2 = GetItem(1);
    }
}

void TscDesignator::Borrow(TscDesignator* ADesignator) {
    std::swap(FItems, ADesignator->FItems);
    FKind = ADesignator->FKind;
    FRef1 = ADesignator->FRef1;
    FRef2 = ADesignator->FRef2;
    FTyp = ADesignator->FTyp;
    FTypeName = ADesignator->FTypeName;
    FIsReadOnly = ADesignator->FIsReadOnly;
    FRefItem = ADesignator->FRefItem;
}

std::unique_ptr<TscDesignator> TscDesignator::Build(std::unique_ptr<TscDesignator> D) {
    D->Finalize();
    std::unique_ptr<TscDesignator> fast;
    switch (D->Kind()) {
    case dkVariable:
        fast = std::make_unique<TscVariableDesignator>(D->FProgram);
        break;
    case dkStringArray:
        fast = std::make_unique<TscStringDesignator>(D->FProgram);
        break;
    case dkArray:
        fast = std::make_unique<TscArrayDesignator>(D->FProgram);
        break;
    default:
        return D;
    }
    fast->Borrow(D.get());
    fast->SetNeedResult(D->NeedResult());
    return fast;
}

void TscDesignator::ResolveLateBinding() {
    if (!FLateBindingXmlSource) return;
    const TscProgramBuilder& builder = ScriptProgramBuilder();
    if (!builder.BuildDesignator) throw Exception(QStringLiteral("No program builder is installed"));
    std::unique_ptr<TscDesignator> d = builder.BuildDesignator(FProgram, FLateBindingXmlSource.get());
    Borrow(d.get());
    FLateBindingXmlSource.reset();
}

Variant TscDesignator::GetValue() {
    if (FLateBindingXmlSource) ResolveLateBinding();
    static const Variant none;
    return Walk(false, none);
}

void TscDesignator::SetValue(const Variant& Value) {
    ResolveLateBinding();
    Walk(true, Value);
}

void TscDesignatorItem::SetRef(TscCustomVariable* v) {
    FRef = v;
    if (dynamic_cast<TscDesignator*>(v))
        FLinkKind = lkNested;
    else if (dynamic_cast<TscProcVariable*>(v))
        FLinkKind = lkProc;
    else if (dynamic_cast<TscCustomHelper*>(v))
        FLinkKind = lkHelper;
    else
        FLinkKind = lkPlain;
}

namespace {

// Argument values of one link: on the stack for the usual few, so a call allocates nothing.
class TArgValues {
public:
    explicit TArgValues(int n) {
        if (n > Inline) FHeap = std::make_unique<TscEvalResult[]>(static_cast<size_t>(n));
    }
    TscEvalResult& operator[](int i) { return FHeap ? FHeap[static_cast<size_t>(i)] : FInline[i]; }

private:
    static constexpr int Inline = 3;
    TscEvalResult FInline[Inline];
    std::unique_ptr<TscEvalResult[]> FHeap;
};

// Puts a recursive call's caller locals back when the link is done, also when an exception passes.
class TLocalsGuard {
public:
    TLocalsGuard() = default;
    TLocalsGuard(const TLocalsGuard&) = delete;
    TLocalsGuard& operator=(const TLocalsGuard&) = delete;
    [[gnu::always_inline]] void Save(TscProcVariable* Proc) {
        FProc = Proc;
        FMark = Proc->SaveLocals(FQuick);
    }
    void Restore() {
        if (FProc) std::exchange(FProc, nullptr)->RestoreLocals(FMark, FQuick);
    }
    ~TLocalsGuard() { Restore(); }

private:
    TscProcVariable* FProc = nullptr;
    size_t FMark = 0;
    // Left unset: only the slots SaveLocals fills are read.
    TscProcVariable::TQuickLocal FQuick[TscProcVariable::QuickLocals];
};

// Evaluates the link's arguments, every one before any parameter changes (Fib(n - 1) reads the
// n it is about to replace), and hands them to the item's parameters.
void PassArguments(TscDesignatorItem* link, TscCustomVariable* item, int params) {
    const int given = link->Count();
    if (params == 1 && given == 1 && !item->IsMacro()) {
        // One argument for one parameter: no list of values needed.
        TscEvalResult a;
        link->Arg(0)->Eval(a, false);
        TscParamItem* p = item->ParamAt(0);
        if (a.IsInt())
            p->StoreInt(a.Int());
        else
            p->SetValue(a.Get());
        return;
    }
    TArgValues args(given);
    for (int i = 0; i < given; ++i) {
        TscCustomExpression* e = link->Arg(i);
        if (item->IsMacro()) {
            auto* ex = dynamic_cast<TscExpression*>(e);
            args[i].SetValue(Variant(ex ? ex->Source() : QString()));
        } else {
            e->Eval(args[i], false);
        }
    }
    // Parameters without an argument start from their defaults, not from the last call.
    for (int i = 0; i < params; ++i) {
        TscParamItem* p = item->ParamAt(i);
        if (i >= given)
            p->SetValue(p->DefValue());
        else if (args[i].IsInt())
            p->StoreInt(args[i].Int());
        else
            p->SetValue(args[i].Get());
    }
}

// Var parameters hand their values back to the argument expressions. The caller's locals of a
// recursive call are put back first: a var argument that is the caller's own parameter
// (Walk(n - 1, acc) inside Walk) must end up with the inner call's value, not the saved one.
void WriteBack(TscDesignatorItem* link, TscCustomVariable* item, int params, TLocalsGuard& locals) {
    if (!link->HasVarParams()) {
        locals.Restore();
        return;
    }
    const int given = std::min(params, link->Count());
    std::vector<Variant> values(static_cast<size_t>(given));
    for (int i = 0; i < given; ++i)
        if (item->ParamAt(i)->IsVarParam()) values[static_cast<size_t>(i)] = item->ParamAt(i)->Value();
    locals.Restore();
    for (int i = 0; i < given; ++i)
        if (item->ParamAt(i)->IsVarParam()) link->Arg(i)->SetValue(values[static_cast<size_t>(i)]);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Script procedure calls

// The stored values are kept, not the values read through a value hook: the hook's answer
// must not end up stored in the variable when the call returns. A scalar is kept as its type
// code and payload bits, so saving and restoring it makes no Variant.
void TscProcVariable::GrowSavedLocals(size_t Top) {
    FSavedLocals.resize(std::max(Top, FSavedLocals.size() * 2));
    FSavedData = FSavedLocals.data();
    FKeptSlots = FSavedLocals.size();
}

void TscProcVariable::SaveValue(TSavedLocal& Slot, const TLocal& Local) {
    if (Local.Str) {
        Slot.Kind = TSavedLocal::skText;
        ScStoreValue(Slot.Value, Variant(Local.Str->Str()));
    } else {
        Slot.Kind = TSavedLocal::skValue;
        ScStoreValue(Slot.Value, Variant(Local.Var->FValue));
    }
}

void TscProcVariable::RestoreValue(TSavedLocal& Slot) {
    if (Slot.Kind == TSavedLocal::skText)
        static_cast<TscStringVariable*>(Slot.Var)->Str() = VarToStr(Slot.Value);
    else
        ScStoreValue(Slot.Var->FValue, std::move(Slot.Value));
}

[[gnu::always_inline]] inline size_t TscProcVariable::SaveLocals(TQuickLocal* Quick) {
    if (FLocalsVersion != FProgram->ItemsVersion()) [[unlikely]]
        CollectLocals();
    const TLocal* l = FLocals.data();
    const TLocal* const end = l + FLocals.size();
    if (FQuickLocals) [[likely]] {
        // Each slot keeps its item, so the restore needs nothing of FLocals. A value that is
        // not a scalar sends the whole lot to the buffer below; nothing has changed yet.
        TQuickLocal* q = Quick;
        const TLocal* p = l;
        for (; p != end; ++p, ++q) {
            const Variant& value = p->Var->FValue;
            if (value.VType() != varInteger && !value.IsScalar()) [[unlikely]]
                break;
            q->Var = p->Var;
            q->Type = value.VType();
            q->Bits = value.ScalarBits();
        }
        if (p == end) [[likely]]
            return QuickFlag | static_cast<size_t>(end - l);
    }
    const size_t mark = FUsedSlots;
    const size_t top = mark + static_cast<size_t>(end - l);
    if (top > FKeptSlots) [[unlikely]]
        GrowSavedLocals(top);
    for (TSavedLocal* slot = FSavedData + mark; l != end; ++l, ++slot) {
        const Variant& value = l->Var->FValue;
        slot->Var = l->Var;
        if (!l->Str && (value.VType() == varInteger || value.IsScalar())) [[likely]] {
            slot->Kind = TSavedLocal::skScalar;
            slot->Type = value.VType();
            slot->Bits = value.ScalarBits();
        } else {
            SaveValue(*slot, *l);
        }
    }
    FUsedSlots = top;
    return mark;
}

[[gnu::always_inline]] inline void TscProcVariable::RestoreLocals(size_t Mark, const TQuickLocal* Quick) {
    if (Mark & QuickFlag) [[likely]] {
        for (const TQuickLocal *q = Quick, *end = Quick + (Mark & ~QuickFlag); q != end; ++q)
            q->Var->FValue.SetScalarRaw(q->Type, q->Bits);
        return;
    }
    TSavedLocal* const end = FSavedData + FUsedSlots;
    for (TSavedLocal* s = FSavedData + Mark; s != end; ++s) {
        if (s->Kind == TSavedLocal::skScalar) [[likely]]
            s->Var->FValue.SetScalarRaw(s->Type, s->Bits);
        else
            RestoreValue(*s);
    }
    FUsedSlots = Mark;
}

namespace {

// The lowest stack address a script call may start from, for the running thread: a script that
// recurses without end raises instead of overflowing the stack. The margin leaves room for one
// more level of the engine's own calls (far larger in an instrumented build) and for the throw.
// The highest address until it is worked out, on the first call in the thread.
thread_local std::uintptr_t StackFloor = UINTPTR_MAX;

[[gnu::noinline]] void CheckStack(std::uintptr_t Frame, const QString& Name) {
    if (StackFloor == UINTPTR_MAX) {
        constexpr std::size_t Margin = 1024 * 1024;
        StackFloor = 0; // unknown: no check
        pthread_attr_t attr;
        if (pthread_getattr_np(pthread_self(), &attr) == 0) {
            void* low = nullptr;
            std::size_t size = 0;
            if (pthread_attr_getstack(&attr, &low, &size) == 0 && low && size >= 2 * Margin)
                StackFloor = reinterpret_cast<std::uintptr_t>(low) + Margin;
            pthread_attr_destroy(&attr);
        }
    }
    if (Frame < StackFloor)
        throw EStackOverflow(QStringLiteral("Stack overflow in %1: the calls go too deep").arg(Name));
}

} // namespace

// Empty as the typed assignment stores it: 0 for an Integer result.
[[gnu::always_inline]] inline void TscProcVariable::ResetResult() {
    TscCustomVariable* result = FRefItem;
    const TscVarType t = result->Typ();
    if (t == fvtInt)
        result->StoreInt(0);
    else if (t == fvtVariant && !result->IsReadOnly())
        result->FValue.SetScalarRaw(varEmpty, 0);
    else
        result->SetValue(Variant());
}

[[gnu::always_inline]] inline void TscProcVariable::Run() {
    // The frame address, not a local's: an instrumented build may keep locals off the stack.
    if (const auto frame = reinterpret_cast<std::uintptr_t>(__builtin_frame_address(0)); frame < StackFloor)
        [[unlikely]] CheckStack(frame, FName);
    TscScript* const scope = FProgram.get();
    if (const unsigned g = ScScopeGeneration.load(std::memory_order_relaxed); g != FMainGeneration)
        [[unlikely]] {
        TscScript* m = scope;
        while (m && !m->FMainProg)
            m = m->FParent;
        FMainScope = m;
        FMainGeneration = g;
    }
    TscScript* const main = FMainScope;
    // Put back when the run ends, also when an exception passes; kept by value, so the
    // restoring reads nothing through the frame.
    struct TRestore {
        TscProcVariable* Proc;
        TscScript* Scope;
        TscScript* Main;
        TscScript* SavedRunning;
        bool WasExecuting;
        ~TRestore() {
            // A recursive call shares the scope with its caller: a stop requested inside it
            // must still stop the caller.
            Scope->SetFlow(TscScript::sfExit | TscScript::sfTerminated, WasExecuting && Scope->Terminated());
            Scope->FIsRunning = WasExecuting;
            if (Main) Main->FProgRunning = SavedRunning;
            Proc->FExecuting = WasExecuting;
        }
    } restore{this, scope, main, main ? main->FProgRunning : nullptr, FExecuting};
    FExecuting = true;
    if (FIsFunc) ResetResult();
    if (main) main->FProgRunning = scope;
    scope->SetFlow(TscScript::sfExit | TscScript::sfTerminated, false);
    scope->FIsRunning = true;
    scope->Statement()->ExecuteList();
}

Variant TscProcVariable::GetValue() {
    Run();
    return FIsFunc ? FRefItem->GetValue() : Variant::Null();
}

void TscProcVariable::EvalTo(TscEvalResult& R, bool) {
    Run();
    // Not by reference: the next call of the procedure changes its result.
    if (FIsFunc)
        FRefItem->Eval(R, false);
    else
        R.SetValue(Variant::Null());
}

// The same steps as the designator walk for a call on its own (Fib(n - 1)), with the result
// kept as an integer when it is one.
void TscProcVariable::Call(TscDesignatorItem* Link, TscEvalResult& R, bool NeedResult) {
    TLocalsGuard locals;
    if (FExecuting) locals.Save(this);
    const int params = Count();
    if (params == 1 && Link->Count() == 1 && !FIsMacro) {
        // One argument for one parameter, read through the argument's tree.
        TscCustomVariable* arg = Link->FirstArgItem();
        TscParamItem* p = ParamAt(0);
        if (int v; arg->PeekInt(v)) {
            p->StoreInt(v);
        } else {
            TscEvalResult a;
            arg->Eval(a, false);
            if (a.IsInt())
                p->StoreInt(a.Int());
            else
                p->SetValue(a.Get());
        }
    } else if (params > 0) {
        PassArguments(Link, this, params);
    }
    FNeedResult = NeedResult;
    Run();
    // Taken before the caller's locals (the result among them) are put back, and not by
    // reference: the next call changes the result.
    if (FIsFunc) {
        if (int v; FRefItem->PeekInt(v))
            R.SetInt(v);
        else
            FRefItem->Eval(R, false);
    } else {
        R.SetValue(Variant::Null());
    }
    if (params > 0 && Link->HasVarParams()) WriteBack(Link, this, params, locals);
}

void TscDesignator::EvalTo(TscEvalResult& R, bool AllowRef) {
    if (FLateBindingXmlSource) ResolveLateBinding();
    const size_t n = FItems.size();
    if (n == 1 && Link(0)->LinkKind() == lkProc) {
        TscDesignatorItem* link = Link(0);
        static_cast<TscProcVariable*>(link->Ref())->Call(link, R, FNeedResult);
        return;
    }
    if (n == 2 && FKind == dkOther && ReadMember(R)) return;
    TscCustomVariable::EvalTo(R, AllowRef);
}

// Object.Member without arguments on either link (a host property read): the steps of Walk for
// that chain, without its loop, its guards and its copies of the object value.
bool TscDesignator::ReadMember(TscEvalResult& R) {
    TscDesignatorItem* const l0 = Link(0);
    TscDesignatorItem* const l1 = Link(1);
    TscCustomVariable* const first = l0->Ref();
    TscCustomVariable* const member = l1->Ref();
    const TscLinkKind k0 = l0->LinkKind();
    if (l1->LinkKind() != lkHelper || member->Count() != 0 ||
        !(k0 == lkNested || (k0 == lkPlain && first->Count() == 0)))
        return false;
    if (k0 == lkPlain) first->SetNeedResult(true);
    auto* helper = static_cast<TscCustomHelper*>(member);
    // The object value is read before the member learns its parent, as the walk does.
    Variant object = first->GetValue();
    helper->SetParentRef(first);
    helper->SetParentValue(std::move(object));
    helper->SetProg(FProgram);
    helper->SetNeedResult(FNeedResult);
    R.SetValue(helper->GetValue());
    return true;
}

TscCustomVariable* TscDesignator::PlainItem() const {
    if (FLateBindingXmlSource || Count() != 1) return nullptr;
    TscDesignatorItem* link = Link(0);
    if (link->LinkKind() != lkPlain || link->Ref()->Count() != 0) return nullptr;
    return link->Ref();
}

Variant TscDesignator::WalkSingle(bool Assigning, const Variant& Value) {
    TscCustomVariable* item = Link(0)->Ref();
    if (Assigning) {
        item->SetValue(Value);
        return Variant::Null();
    }
    item->SetNeedResult(FNeedResult);
    return item->GetValue();
}

Variant TscDesignator::Walk(bool Assigning, const Variant& Value) {
    const int n = Count();
    if (n == 1) {
        TscDesignatorItem* link = Link(0);
        if (link->LinkKind() == lkPlain && link->Ref()->Count() == 0) return WalkSingle(Assigning, Value);
    }
    Variant v = Variant::Null();
    TscCustomVariable* prev = nullptr;
    for (int li = 0; li < n; ++li) {
        TscDesignatorItem* link = Link(li);
        TscCustomVariable* item = link->Ref();
        const TscLinkKind kind = link->LinkKind();
        if (kind == lkNested) {
            prev = item;
            v = item->GetValue();
            continue;
        }
        // A recursive call: the caller's locals are kept aside while the inner call runs.
        TLocalsGuard locals;
        if (kind == lkProc) {
            auto* proc = static_cast<TscProcVariable*>(item);
            if (proc->Executing()) locals.Save(proc);
        }
        const int params = item->Count();
        if (params > 0) PassArguments(link, item, params);
        if (kind == lkHelper) {
            auto* helper = static_cast<TscCustomHelper*>(item);
            helper->SetParentRef(prev);
            helper->SetParentValue(v);
            helper->SetProg(FProgram);
        }
        prev = item;
        auto writeBack = [&] {
            if (params > 0) WriteBack(link, item, params, locals);
        };
        if (li == n - 1) {
            if (Assigning) {
                item->SetValue(Value);
                writeBack();
                return v;
            }
            item->SetNeedResult(FNeedResult);
            Variant r = item->GetValue();
            writeBack();
            return r;
        }
        item->SetNeedResult(true);
        v = item->GetValue();
        writeBack();
    }
    return v;
}

Variant TscVariableDesignator::GetValue() {
    return FRefItem->GetValue();
}

void TscVariableDesignator::SetValue(const Variant& Value) {
    FRefItem->SetValue(Value);
}

namespace {
int CheckedIndex(const QString& s, int i) {
    if (i < 1 || i > s.size()) throw ERangeError(QStringLiteral("String index out of range: %1").arg(i));
    return i;
}
} // namespace

Variant TscStringDesignator::GetValue() {
    auto* sv = static_cast<TscStringVariable*>(FRefItem);
    const QString& s = sv->Str();
    return Variant(QString(s[CheckedIndex(s, FRef1->GetValue().ToInt()) - 1]));
}

void TscStringDesignator::SetValue(const Variant& Value) {
    auto* sv = static_cast<TscStringVariable*>(FRefItem);
    QString& s = sv->Str();
    const int i = CheckedIndex(s, FRef1->GetValue().ToInt());
    const QString t = Value.ToString();
    if (t.isEmpty()) throw EConvertError(QStringLiteral("A character is required"));
    s[i - 1] = t[0];
}

void TscArrayDesignator::PrepareHelper() {
    auto* helper = static_cast<TscCustomHelper*>(FRef1);
    helper->SetParentRef(FRefItem);
    for (int i = 0; i < FRef2->Count() && i < helper->Count(); ++i)
        helper->Params(i)->SetValue(FRef2->GetItem(i)->GetValue());
}

Variant TscArrayDesignator::GetValue() {
    PrepareHelper();
    return FRef1->GetValue();
}

void TscArrayDesignator::SetValue(const Variant& Value) {
    PrepareHelper();
    FRef1->SetValue(Value);
}
