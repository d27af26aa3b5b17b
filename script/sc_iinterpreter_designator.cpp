// Designators (name chains) and set constructors.

#include "platform/rtl/TextCase.h"
#include "script/sc_iexpression.h"
#include "script/sc_iinterpreter.h"

namespace {
template <class F> struct TFinally {
    F Fn;
    ~TFinally() { Fn(); }
};
template <class F> TFinally(F) -> TFinally<F>;
} // namespace

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
    ResolveLateBinding();
    return Walk(false, Variant());
}

void TscDesignator::SetValue(const Variant& Value) {
    ResolveLateBinding();
    Walk(true, Value);
}

Variant TscDesignator::Walk(bool Assigning, const Variant& Value) {
    Variant v = Variant::Null();
    TscCustomVariable* prev = nullptr;
    const int n = Count();
    for (int li = 0; li < n; ++li) {
        TscDesignatorItem* link = GetItem(li);
        TscCustomVariable* item = link->Ref();
        if (auto* nested = dynamic_cast<TscDesignator*>(item)) {
            prev = nested;
            v = nested->GetValue();
            continue;
        }
        // A recursive call: the caller's locals are kept aside while the inner call runs.
        std::vector<std::pair<TscCustomVariable*, Variant>> saved;
        if (auto* proc = dynamic_cast<TscProcVariable*>(item); proc && proc->Executing()) {
            TscScript* scope = proc->Prog();
            for (int i = 0; i < scope->Count(); ++i) {
                TObject* o = scope->Items(i);
                if (dynamic_cast<TscVariable*>(o) || dynamic_cast<TscParamItem*>(o)) {
                    auto* var = static_cast<TscCustomVariable*>(o);
                    saved.emplace_back(var, var->GetValue());
                }
            }
        }
        TFinally restore{[&saved] {
            for (auto& [var, val] : saved)
                var->SetValue(val);
        }};
        if (item->Count() > 0) {
            std::vector<Variant> args;
            args.reserve(static_cast<size_t>(link->Count()));
            for (int i = 0; i < link->Count(); ++i) {
                TscCustomExpression* e = link->GetItem(i);
                if (item->IsMacro()) {
                    auto* ex = dynamic_cast<TscExpression*>(e);
                    args.push_back(Variant(ex ? ex->Source() : QString()));
                } else {
                    args.push_back(e->GetValue());
                }
            }
            // Parameters without an argument start from their defaults, not from the last call.
            for (int i = 0; i < item->Count(); ++i)
                item->Params(i)->SetValue(i < static_cast<int>(args.size()) ? args[static_cast<size_t>(i)]
                                                                            : item->Params(i)->DefValue());
        }
        if (auto* helper = dynamic_cast<TscCustomHelper*>(item)) {
            helper->SetParentRef(prev);
            helper->SetParentValue(v);
            helper->SetProg(FProgram);
        }
        prev = item;
        const bool lastLink = li == n - 1;
        if (Assigning && lastLink) {
            item->SetValue(Value);
        } else {
            item->SetNeedResult(!(lastLink && !FNeedResult));
            v = item->GetValue();
        }
        for (int i = 0; i < item->Count() && i < link->Count(); ++i)
            if (item->Params(i)->IsVarParam()) link->GetItem(i)->SetValue(item->Params(i)->Value());
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
