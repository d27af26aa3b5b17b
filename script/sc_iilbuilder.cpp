// The program builder: walks the intermediate program and builds items, statements,
// expressions and designators.

#include "script/sc_iilbuilder.h"

#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"
#include "script/sc_iconst.h"
#include "script/sc_idisp.h"
#include "script/sc_iexpression.h"
#include "script/sc_itools.h"

#include <utility>

namespace {

bool Is(const TscXMLItem* x, const char* name) {
    return x && CompareAsciiNoCase(x->Name(), QString::fromLatin1(name)) == 0;
}

QString Quoted(const QString& s) {
    return QStringLiteral("'") + s + QStringLiteral("'");
}

[[noreturn]] void Fail(const QString& msg) {
    throw Exception(msg);
}

// A chain whose value was computed while it was being resolved: the first read hands that
// value over instead of running the chain again.
class TscPrimedDesignator : public TscDesignator {
public:
    using TscDesignator::TscDesignator;
    Variant Evaluate() {
        FFirst = TscDesignator::GetValue();
        FPrimed = true;
        return FFirst;
    }
    Variant GetValue() override {
        if (FPrimed) {
            FPrimed = false;
            return std::exchange(FFirst, Variant::Null());
        }
        return TscDesignator::GetValue();
    }
    void EvalTo(TscEvalResult& R, bool) override { R.SetValue(GetValue()); }

private:
    Variant FFirst = Variant::Null();
    bool FPrimed = false;
};

class TscILBuilder {
public:
    TscILBuilder(TscScript* Script, TscParser* Parser, bool NeedDeclareVars, const TscXMLItem* GrammarTypes)
        : FScript(Script), FParser(Parser), FNeedDeclareVars(NeedDeclareVars), FGrammarTypes(GrammarTypes) {}

    void BuildRoot(TscXMLItem* Root, TscScript* Prog);
    std::unique_ptr<TscDesignator> DoDesignator(const TscXMLItem* xi, TscScript* Prog, TscEmitOp EmitOp);

    QString FErrorPos;
    QString FUnitName;
    bool FLateResolving = false; // resolving a late-bound chain at run time

private:
    void SetPos(const TscXMLItem* x) {
        const QString p = x->GetProp(QStringLiteral("pos"));
        if (!p.isEmpty()) FErrorPos = p;
    }
    void FirstPass(TscXMLItem* Root, TscScript* Prog);
    void DeclareProc(TscXMLItem* x, TscScript* Prog);
    void BuildProcBody(TscXMLItem* x, TscScript* Prog);
    void BuildStatement(TscXMLItem* x, TscScript* Prog, TscStatement* List);
    void BuildChildren(TscXMLItem* x, TscScript* Prog, TscStatement* List, int From = 0, int To = -1);
    void DeclareVar(TscXMLItem* x, TscScript* Prog, TscStatement* List, TscProcVariable* ForProc,
                    bool NextIsVarParam);
    void DeclareConst(TscXMLItem* x, TscScript* Prog);
    TscVarType LookupType(QString& TypeName, TscScript* Prog);
    TscCustomVariable* FindName(const QString& Name, TscScript* Prog);
    void CheckTypes(TscCustomVariable* a, TscCustomVariable* b, TscScript* Prog);
    template <class S> S* NewStmt(TscXMLItem* x, TscScript* Prog, TscStatement* List) {
        auto s = std::make_unique<S>(Prog, FUnitName, x->GetProp(QStringLiteral("pos")));
        S* r = s.get();
        List->AddStatement(std::move(s));
        return r;
    }
    void CodeLine(TscXMLItem* x) { FScript->AddCodeLine(FUnitName, x->GetProp(QStringLiteral("pos"))); }
    void BuildAssign(TscXMLItem* x, TscScript* Prog, TscStatement* List);
    void BuildWith(TscXMLItem* x, TscScript* Prog, TscStatement* List);

public:
    std::unique_ptr<TscExpression> DoExpression(const TscXMLItem* x, TscScript* Prog);
    std::unique_ptr<TscSetExpression> DoSet(const TscXMLItem* x, TscScript* Prog);

private:
    void AddExprChildren(TscExpression* e, const TscXMLItem* x, TscScript* Prog);
    bool FromWith(const TscXMLItem* xi, const TscXMLItem* node, TscScript* Prog, TscDesignator* d,
                  bool& Late);
    void MakeLate(TscDesignator* d, const TscXMLItem* Source);
    void AddAutomation(const TscXMLItem* xi, int From, TscScript* Prog, TscDesignator* d);
    void CheckArguments(TscDesignator* d, TscScript* Prog);

    TscScript* FScript;
    TscParser* FParser;
    bool FNeedDeclareVars;
    const TscXMLItem* FGrammarTypes;
    TscXMLItem* FProgRoot = nullptr;
    std::vector<std::pair<QString, TscWithStmt*>> FWithList;
};

// ---------------------------------------------------------------------------------------------
// Lookups

TscVarType TscILBuilder::LookupType(QString& TypeName, TscScript* Prog) {
    auto alias = [&](const TscXMLItem* types) {
        if (!types) return false;
        for (int i = 0; i < types->Count(); ++i)
            if (CompareAsciiNoCase(types->Items(i)->Name(), TypeName) == 0) {
                const QString t = types->Items(i)->GetProp(QStringLiteral("type"));
                if (!t.isEmpty()) TypeName = t;
                return true;
            }
        return false;
    };
    const TscXMLItem* rootTypes = nullptr;
    if (FProgRoot) {
        const int i = FProgRoot->Find(QStringLiteral("types"));
        if (i >= 0) rootTypes = FProgRoot->Items(i);
    }
    if (!alias(rootTypes)) alias(FGrammarTypes);
    const TscVarType t = LookupVarType(TypeName, Prog);
    if (t == fvtClass && !Prog->FindClass(TypeName)) Fail(SUnknownType + Quoted(TypeName));
    return t;
}

TscCustomVariable* TscILBuilder::FindName(const QString& Name, TscScript* Prog) {
    if (TscCustomVariable* v = Prog->Find(Name)) return v;
    if (FNeedDeclareVars) Fail(SIdUndeclared + Quoted(Name));
    auto v = std::make_unique<TscVariable>(Name, fvtVariant, QString());
    TscCustomVariable* r = v.get();
    FScript->Add(Name, std::move(v));
    return r;
}

void TscILBuilder::CheckTypes(TscCustomVariable* a, TscCustomVariable* b, TscScript* Prog) {
    if (!AssignmentAllowed(a, b, Prog))
        Fail(SIncompatibleTypes + QStringLiteral(": '") + a->GetFullTypeName() + QStringLiteral("', '") +
             b->GetFullTypeName() + QStringLiteral("'"));
}

// ---------------------------------------------------------------------------------------------
// Roots and declarations

void TscILBuilder::BuildRoot(TscXMLItem* Root, TscScript* Prog) {
    TscXMLItem* saved = FProgRoot;
    FProgRoot = Root;
    FirstPass(Root, Prog);
    for (int i = 0; i < Root->Count(); ++i)
        BuildStatement(Root->Items(i), Prog, Prog->Statement());
    FProgRoot = saved;
}

void TscILBuilder::FirstPass(TscXMLItem* Root, TscScript* Prog) {
    for (int i = 0; i < Root->Count(); ++i) {
        TscXMLItem* x = Root->Items(i);
        if (Is(x, "procedure") || Is(x, "function"))
            DeclareProc(x, Prog);
        else if (Is(x, "compoundstmt"))
            FirstPass(x, Prog);
    }
}

void TscILBuilder::DeclareProc(TscXMLItem* x, TscScript* Prog) {
    SetPos(x);
    QString name, typeName;
    bool hasType = false;
    for (int i = 0; i < x->Count(); ++i) {
        TscXMLItem* c = x->Items(i);
        if (Is(c, "name") && name.isEmpty()) name = c->GetProp(QStringLiteral("text"));
        if (Is(c, "type") && !hasType) {
            typeName = c->GetProp(QStringLiteral("text"));
            hasType = true;
        }
    }
    if (Prog->FindLocal(name)) Fail(SIdRedeclared + Quoted(name));
    const bool isFunc = Is(x, "function");
    // Judged on the written name: an alias may map "void" to a real type.
    const bool hasResult = isFunc && CompareAsciiNoCase(typeName, QStringLiteral("void")) != 0;
    TscVarType typ = fvtInt;
    if (isFunc) {
        if (hasType) {
            typ = LookupType(typeName, Prog);
        } else {
            typ = fvtVariant;
        }
    }
    auto proc = std::make_unique<TscProcVariable>(name, typ, isFunc ? typeName : QString(), Prog, hasResult);
    proc->SetSourcePos(x->GetProp(QStringLiteral("pos")));
    proc->SetSourceUnit(FUnitName);
    TscProcVariable* p = proc.get();
    Prog->Add(name, std::move(proc));
    for (int i = 0; i < x->Count(); ++i) {
        TscXMLItem* c = x->Items(i);
        if (!Is(c, "parameters")) continue;
        bool varParams = false;
        for (int j = 0; j < c->Count(); ++j) {
            TscXMLItem* pc = c->Items(j);
            if (Is(pc, "varparams")) {
                varParams = true;
            } else if (Is(pc, "var")) {
                DeclareVar(pc, p->Prog(), nullptr, p, varParams);
                varParams = false;
            }
        }
    }
}

void TscILBuilder::BuildProcBody(TscXMLItem* x, TscScript* Prog) {
    SetPos(x);
    QString name;
    for (int i = 0; i < x->Count(); ++i)
        if (Is(x->Items(i), "name")) {
            name = x->Items(i)->GetProp(QStringLiteral("text"));
            break;
        }
    auto* proc = dynamic_cast<TscProcVariable*>(Prog->FindLocal(name));
    // A definition the first pass could not see (inside another statement) has no item.
    if (!proc || proc->SourcePos() != x->GetProp(QStringLiteral("pos"))) Fail(SIdUndeclared + Quoted(name));
    TscXMLItem* saved = FProgRoot;
    FProgRoot = x;
    FirstPass(x, proc->Prog());
    for (int i = 0; i < x->Count(); ++i) {
        TscXMLItem* c = x->Items(i);
        if (Is(c, "name") || Is(c, "type") || Is(c, "parameters")) continue;
        BuildStatement(c, proc->Prog(), proc->Prog()->Statement());
    }
    FProgRoot = saved;
}

void TscILBuilder::DeclareVar(TscXMLItem* x, TscScript* Prog, TscStatement* List, TscProcVariable* ForProc,
                              bool NextIsVarParam) {
    SetPos(x);
    int typeIdx = -1;
    for (int i = 0; i < x->Count(); ++i)
        if (Is(x->Items(i), "type")) {
            typeIdx = i;
            break;
        }
    const bool trailing = typeIdx > 0;
    QString typeName =
        typeIdx >= 0 ? x->Items(typeIdx)->GetProp(QStringLiteral("text")) : QStringLiteral("Variant");
    if (typeIdx >= 0) SetPos(x->Items(typeIdx));
    const TscVarType baseTyp = LookupType(typeName, Prog);
    bool varParamLeaf = false;
    for (int i = 0; i < x->Count(); ++i) {
        TscXMLItem* id = x->Items(i);
        if (Is(id, "varparam")) {
            varParamLeaf = true;
            continue;
        }
        if (!Is(id, "ident")) continue;
        SetPos(id);
        const QString name = id->GetProp(QStringLiteral("text"));
        TscScript* scope = Prog;
        if (scope->FindLocal(name)) Fail(SIdRedeclared + Quoted(name));
        // The children that describe this name.
        int from = i + 1, to = x->Count();
        if (trailing) {
            from = 0;
        } else {
            for (int j = i + 1; j < x->Count(); ++j)
                if (Is(x->Items(j), "ident")) {
                    to = j;
                    break;
                }
        }
        TscVarType typ = baseTyp;
        QString tname = typeName;
        Variant start = Variant::Null();
        switch (typ) {
        case fvtBool:
            start = Variant(false);
            break;
        case fvtChar:
        case fvtString:
            start = Variant(QString());
            break;
        case fvtInt:
        case fvtFloat:
        case fvtClass:
        case fvtInt64:
            start = Variant(0);
            break;
        default:
            break;
        }
        TscCustomVariable* refItem = nullptr;
        const TscXMLItem* init = nullptr;
        for (int j = from; j < to; ++j) {
            TscXMLItem* c = x->Items(j);
            if (Is(c, "array")) {
                SetPos(c);
                std::vector<int> bounds;
                for (int k = 0; k < c->Count(); ++k) {
                    TscXMLItem* dim = c->Items(k);
                    if (!Is(dim, "dim")) continue;
                    std::vector<int> vals;
                    for (int m = 0; m < dim->Count(); ++m)
                        if (Is(dim->Items(m), "expr"))
                            vals.push_back(DoExpression(dim->Items(m), Prog)->GetValue().ToInt());
                    if (vals.size() == 1) {
                        bounds.push_back(0);
                        bounds.push_back(vals[0] - 1);
                    } else if (vals.size() >= 2) {
                        bounds.push_back(vals[0]);
                        bounds.push_back(vals[1]);
                    }
                }
                if (bounds.empty()) bounds = {0, 0};
                start = VarArrayCreate(std::span<const int>(bounds), varVariant);
                auto helper = std::make_unique<TscArrayHelper>(QString(), static_cast<int>(bounds.size() / 2),
                                                               typ, tname);
                refItem = helper.get();
                scope->Add(QString(), std::move(helper));
                typ = fvtArray;
            } else if (Is(c, "init")) {
                init = c;
            }
        }
        std::unique_ptr<TscCustomVariable> item;
        std::unique_ptr<TscExpression> initExpr;
        if (ForProc) {
            auto p = std::make_unique<TscParamItem>(name, typ, tname, false, NextIsVarParam || varParamLeaf);
            if (init) {
                for (int k = 0; k < init->Count(); ++k)
                    if (Is(init->Items(k), "expr")) {
                        std::unique_ptr<TscExpression> e = DoExpression(init->Items(k), Prog);
                        CheckTypes(p.get(), e.get(), Prog);
                        start = e->GetValue();
                        p->SetIsOptional(true);
                    }
            }
            item = std::move(p);
        } else {
            if (init)
                for (int k = 0; k < init->Count(); ++k)
                    if (Is(init->Items(k), "expr")) initExpr = DoExpression(init->Items(k), Prog);
            if (typ == fvtChar || typ == fvtString)
                item = std::make_unique<TscStringVariable>(name, typ, tname);
            else
                item = std::make_unique<TscVariable>(name, typ, tname);
        }
        item->SetValue(start);
        item->SetRefItem(refItem);
        item->SetSourcePos(id->GetProp(QStringLiteral("pos")));
        item->SetSourceUnit(FUnitName);
        item->SetValueHook(FScript->OnGetVarValue);
        if (ForProc) {
            auto* p = static_cast<TscParamItem*>(item.get());
            p->SetDefValue(p->GetValue());
            varParamLeaf = false;
            ForProc->AddParam(std::unique_ptr<TscParamItem>(static_cast<TscParamItem*>(item.release())));
            continue;
        }
        TscCustomVariable* v = item.get();
        scope->Add(name, std::move(item));
        if (initExpr && List) {
            CheckTypes(v, initExpr.get(), Prog);
            auto* s = NewStmt<TscAssignmentStmt>(x, Prog, List);
            auto d = std::make_unique<TscDesignator>(Prog);
            d->AddLink(v, id->GetProp(QStringLiteral("pos")));
            std::unique_ptr<TscDesignator> fd = TscDesignator::Build(std::move(d));
            s->SetDesignator(std::move(fd));
            s->SetExpression(std::move(initExpr));
            s->Optimize();
            CodeLine(x);
        }
    }
}

void TscILBuilder::DeclareConst(TscXMLItem* x, TscScript* Prog) {
    SetPos(x);
    QString name;
    const TscXMLItem* ex = nullptr;
    for (int i = 0; i < x->Count(); ++i) {
        if (Is(x->Items(i), "ident") && name.isEmpty()) {
            name = x->Items(i)->GetProp(QStringLiteral("text"));
            SetPos(x->Items(i));
        }
        if (Is(x->Items(i), "expr")) ex = x->Items(i);
    }
    if (Prog->FindLocal(name)) Fail(SIdRedeclared + Quoted(name));
    if (!ex) Fail(SIdUndeclared + Quoted(name));
    std::unique_ptr<TscExpression> e = DoExpression(ex, Prog);
    std::unique_ptr<TscVariable> v;
    if (e->Typ() == fvtString || e->Typ() == fvtChar)
        v = std::make_unique<TscStringVariable>(name, e->Typ(), e->TypeName());
    else
        v = std::make_unique<TscVariable>(name, e->Typ(), e->TypeName());
    v->SetValue(e->GetValue());
    v->SetIsReadOnly(true);
    Prog->Add(name, std::move(v));
}

// ---------------------------------------------------------------------------------------------
// Statements

void TscILBuilder::BuildChildren(TscXMLItem* x, TscScript* Prog, TscStatement* List, int From, int To) {
    if (To < 0) To = x->Count();
    for (int i = From; i < To; ++i)
        BuildStatement(x->Items(i), Prog, List);
}

void TscILBuilder::BuildAssign(TscXMLItem* x, TscScript* Prog, TscStatement* List) {
    // BasicScript's "Set x = v" wraps a whole assignment in another one.
    if (x->Count() == 1 && Is(x->Items(0), "assignstmt")) {
        BuildAssign(x->Items(0), Prog, List);
        return;
    }
    SetPos(x);
    std::unique_ptr<TscDesignator> d;
    std::unique_ptr<TscExpression> e;
    QString mod;
    for (int i = 0; i < x->Count(); ++i) {
        TscXMLItem* c = x->Items(i);
        if (Is(c, "dsgn") && !d)
            d = DoDesignator(c, Prog, emNone);
        else if (Is(c, "modificator"))
            mod = c->GetProp(QStringLiteral("text"));
        else if (Is(c, "expr"))
            e = DoExpression(c, Prog);
    }
    SetPos(x);
    if (!d || !e) Fail(SVarRequired);
    if (d->IsReadOnly()) Fail(SLeftCantAssigned);
    CheckTypes(d.get(), e.get(), Prog);
    if (mod.isEmpty()) {
        const QString o = e->Optimize(d.get());
        if (o != QStringLiteral(" ")) mod = o;
    }
    const QChar m = mod.isEmpty() ? QChar() : mod[0];
    TscAssignmentStmt* s;
    if (m == u'*')
        s = NewStmt<TscAssignMulStmt>(x, Prog, List);
    else if (m == u'+')
        s = NewStmt<TscAssignPlusStmt>(x, Prog, List);
    else if (m == u'-')
        s = NewStmt<TscAssignMinusStmt>(x, Prog, List);
    else if (m == u'/')
        s = NewStmt<TscAssignDivStmt>(x, Prog, List);
    else
        s = NewStmt<TscAssignmentStmt>(x, Prog, List);
    s->SetDesignator(std::move(d));
    s->SetExpression(std::move(e));
    s->Optimize();
    CodeLine(x);
}

void TscILBuilder::BuildWith(TscXMLItem* x, TscScript* Prog, TscStatement* List) {
    const size_t entered = FWithList.size();
    for (int i = 0; i + 1 < x->Count() || (i < x->Count() && Is(x->Items(i), "dsgn")); ++i) {
        TscXMLItem* c = x->Items(i);
        if (!Is(c, "dsgn")) break;
        std::unique_ptr<TscDesignator> d = DoDesignator(c, Prog, emNone);
        SetPos(c);
        if (d->Typ() != fvtClass && d->Typ() != fvtVariant) Fail(SClassRequired);
        QString name;
        for (int n = 0;; ++n) {
            name = QStringLiteral("_WithList_%1").arg(n);
            bool used = Prog->FindLocal(name) != nullptr;
            for (const auto& w : FWithList)
                if (SameText(w.first, name)) used = true;
            if (!used) break;
        }
        auto v = std::make_unique<TscVariable>(name, d->Typ(), d->TypeName());
        TscVariable* var = v.get();
        Prog->Add(name, std::move(v));
        auto* s = NewStmt<TscWithStmt>(c, Prog, List);
        s->SetVariable(var);
        s->SetDesignator(std::move(d));
        CodeLine(c);
        FWithList.emplace_back(name, s);
    }
    if (x->Count() > 0 && !Is(x->Items(x->Count() - 1), "dsgn"))
        BuildStatement(x->Items(x->Count() - 1), Prog, List);
    FWithList.resize(entered);
}

void TscILBuilder::BuildStatement(TscXMLItem* x, TscScript* Prog, TscStatement* List) {
    SetPos(x);
    if (Is(x, "var")) {
        DeclareVar(x, Prog, List, nullptr, false);
    } else if (Is(x, "const")) {
        DeclareConst(x, Prog);
    } else if (Is(x, "procedure") || Is(x, "function")) {
        BuildProcBody(x, Prog);
    } else if (Is(x, "compoundstmt") || Is(x, "thenstmt") || Is(x, "elsestmt") || Is(x, "finallystmt") ||
               Is(x, "exceptstmt")) {
        BuildChildren(x, Prog, List);
    } else if (Is(x, "assignstmt")) {
        BuildAssign(x, Prog, List);
    } else if (Is(x, "callstmt")) {
        std::unique_ptr<TscDesignator> d;
        QString mod;
        for (int i = 0; i < x->Count(); ++i) {
            if (Is(x->Items(i), "dsgn") && !d) d = DoDesignator(x->Items(i), Prog, emNone);
            if (Is(x->Items(i), "modificator")) mod = x->Items(i)->GetProp(QStringLiteral("text"));
        }
        if (!d) Fail(SVarRequired);
        SetPos(x);
        if (!mod.isEmpty() && d->IsReadOnly()) Fail(SLeftCantAssigned);
        d->SetNeedResult(false);
        auto* s = NewStmt<TscCallStmt>(x, Prog, List);
        s->SetDesignator(std::move(d));
        s->SetModificator(mod);
        CodeLine(x);
    } else if (Is(x, "ifstmt")) {
        auto* s = NewStmt<TscIfStmt>(x, Prog, List);
        if (x->Count() > 0) s->SetCondition(DoExpression(x->Items(0), Prog));
        for (int i = 1; i < x->Count(); ++i) {
            if (Is(x->Items(i), "thenstmt")) BuildChildren(x->Items(i), Prog, s);
            if (Is(x->Items(i), "elsestmt")) BuildChildren(x->Items(i), Prog, s->ElseStmt());
        }
        CodeLine(x);
    } else if (Is(x, "casestmt")) {
        auto* s = NewStmt<TscCaseStmt>(x, Prog, List);
        if (x->Count() > 0) s->SetCondition(DoExpression(x->Items(0), Prog));
        for (int i = 1; i < x->Count(); ++i) {
            TscXMLItem* c = x->Items(i);
            if (Is(c, "caseselector")) {
                if (c->Count() != 2) continue;
                auto* sel = NewStmt<TscCaseSelector>(c, Prog, s);
                sel->SetSetExpression(DoSet(c->Items(0), Prog));
                BuildStatement(c->Items(1), Prog, sel);
            } else if (i == x->Count() - 1) {
                BuildStatement(c, Prog, s->ElseStmt());
            }
        }
        CodeLine(x);
    } else if (Is(x, "whilestmt")) {
        auto* s = NewStmt<TscWhileStmt>(x, Prog, List);
        if (x->Count() > 0) s->SetCondition(DoExpression(x->Items(0), Prog));
        BuildChildren(x, Prog, s, 1);
        CodeLine(x);
    } else if (Is(x, "repeatstmt")) {
        auto* s = NewStmt<TscRepeatStmt>(x, Prog, List);
        int cond = x->Count() - 1;
        if (cond >= 0 && Is(x->Items(cond), "inverse")) {
            s->SetInverseCondition(true);
            --cond;
        }
        if (cond < 0) Fail(SVarRequired);
        BuildChildren(x, Prog, s, 0, cond);
        s->SetCondition(DoExpression(x->Items(cond), Prog));
        CodeLine(x);
    } else if (Is(x, "forstmt") || Is(x, "vbforstmt")) {
        if (x->Count() < 3) Fail(SForError);
        SetPos(x->Items(0));
        TscCustomVariable* v = FindName(x->Items(0)->GetProp(QStringLiteral("text")), Prog);
        if (!dynamic_cast<TscVariable*>(v) ||
            !(v->Typ() == fvtInt || v->Typ() == fvtFloat || v->Typ() == fvtVariant || v->Typ() == fvtInt64))
            Fail(SForError);
        int i = 1;
        auto bound = [&]() {
            std::unique_ptr<TscExpression> e = DoExpression(x->Items(i++), Prog);
            CheckTypes(v, e.get(), Prog);
            return e;
        };
        if (Is(x, "forstmt")) {
            auto* s = NewStmt<TscForStmt>(x, Prog, List);
            s->SetVariable(v);
            s->SetBeginValue(bound());
            if (i < x->Count() && Is(x->Items(i), "downto")) {
                s->SetDown(true);
                ++i;
            }
            if (i >= x->Count()) Fail(SForError);
            s->SetEndValue(bound());
            if (i < x->Count()) BuildStatement(x->Items(i), Prog, s);
        } else {
            auto* s = NewStmt<TscVbForStmt>(x, Prog, List);
            s->SetVariable(v);
            s->SetBeginValue(bound());
            s->SetEndValue(bound());
            if (i < x->Count() && Is(x->Items(i), "expr")) s->SetStep(bound());
            if (i < x->Count()) BuildStatement(x->Items(i), Prog, s);
        }
        CodeLine(x);
    } else if (Is(x, "cppforstmt")) {
        auto* s = NewStmt<TscCppForStmt>(x, Prog, List);
        if (x->Count() > 0) BuildStatement(x->Items(0), Prog, s->FirstStmt());
        if (x->Count() > 1) s->SetExpression(DoExpression(x->Items(1), Prog));
        if (x->Count() > 2) BuildStatement(x->Items(2), Prog, s->SecondStmt());
        if (x->Count() > 3) BuildStatement(x->Items(3), Prog, s);
        CodeLine(x);
    } else if (Is(x, "trystmt")) {
        auto* s = NewStmt<TscTryStmt>(x, Prog, List);
        for (int i = 0; i < x->Count(); ++i) {
            TscXMLItem* c = x->Items(i);
            if (Is(c, "exceptstmt")) {
                s->SetIsExcept(true);
                BuildChildren(c, Prog, s->ExceptStmt());
            } else if (Is(c, "finallystmt")) {
                BuildChildren(c, Prog, s->ExceptStmt());
            } else {
                BuildStatement(c, Prog, s);
            }
        }
        CodeLine(x);
    } else if (Is(x, "break")) {
        NewStmt<TscBreakStmt>(x, Prog, List);
        CodeLine(x);
    } else if (Is(x, "continue")) {
        NewStmt<TscContinueStmt>(x, Prog, List);
        CodeLine(x);
    } else if (Is(x, "exit")) {
        NewStmt<TscExitStmt>(x, Prog, List);
        CodeLine(x);
    } else if (Is(x, "return")) {
        auto* r = NewStmt<TscReturnStmt>(x, Prog, List);
        if (x->Count() > 0 && Is(x->Items(0), "expr")) {
            auto* d = new TscXMLItem;
            d->SetName(QStringLiteral("dsgn"));
            const QString epos = x->Items(0)->GetProp(QStringLiteral("pos"));
            d->SetText(QStringLiteral("pos=\"") + EncodeAttributeValue(epos) + QStringLiteral("\""));
            TscXMLItem* n = d->Add();
            n->SetName(QStringLiteral("node"));
            n->SetText(QStringLiteral("text=\"Result\" pos=\"") + EncodeAttributeValue(epos) +
                       QStringLiteral("\""));
            x->InsertItem(0, d);
            BuildAssign(x, Prog, r);
        }
        CodeLine(x);
    } else if (Is(x, "with")) {
        BuildWith(x, Prog, List);
    } else if (Is(x, "delete")) {
        std::unique_ptr<TscDesignator> d;
        for (int i = 0; i < x->Count(); ++i)
            if (Is(x->Items(i), "dsgn")) d = DoDesignator(x->Items(i), Prog, emFree);
        if (!d) Fail(SVarRequired);
        d->SetNeedResult(false);
        auto* s = NewStmt<TscCallStmt>(x, Prog, List);
        s->SetDesignator(std::move(d));
        CodeLine(x);
    } else if (Is(x, "uses")) {
        const QString saved = FUnitName;
        FUnitName = x->GetProp(QStringLiteral("unit"));
        bool done = false;
        if (FScript->OnGetILUnit) {
            QString text;
            FScript->OnGetILUnit(FScript, FUnitName, text);
            if (!text.isEmpty()) {
                TscXMLDocument doc;
                doc.LoadFromBytes(text.toUtf8());
                BuildRoot(doc.Root(), FScript);
                done = true;
            }
        }
        if (!done)
            for (int i = 0; i < x->Count(); ++i)
                BuildRoot(x->Items(i), FScript);
        FUnitName = saved;
    }
}

// ---------------------------------------------------------------------------------------------
// Expressions

void TscILBuilder::AddExprChildren(TscExpression* e, const TscXMLItem* x, TscScript* Prog) {
    for (int i = 0; i < x->Count(); ++i) {
        const TscXMLItem* c = x->Items(i);
        SetPos(c);
        e->SetSourcePos(c->GetProp(QStringLiteral("pos")));
        if (Is(c, "op")) {
            const QString op = LowerCase(c->GetProp(QStringLiteral("text")));
            if (op != QStringLiteral(")") && i == x->Count() - 1) continue;
            e->AddOperator(op);
        } else if (Is(c, "number") || Is(c, "string")) {
            e->AddConst(LiteralToVariant(c->GetProp(QStringLiteral("text"))));
        } else if (Is(c, "dsgn")) {
            e->AddDesignator(DoDesignator(c, Prog, emNone));
        } else if (Is(c, "set")) {
            e->AddSet(DoSet(c, Prog));
        } else if (Is(c, "new")) {
            for (int k = 0; k < c->Count(); ++k)
                if (Is(c->Items(k), "dsgn")) {
                    e->AddDesignator(DoDesignator(c->Items(k), Prog, emCreate));
                    break;
                }
        } else if (Is(c, "expr")) {
            AddExprChildren(e, c, Prog);
        }
    }
}

std::unique_ptr<TscExpression> TscILBuilder::DoExpression(const TscXMLItem* x, TscScript* Prog) {
    auto e = std::make_unique<TscExpression>(Prog);
    SetPos(x);
    e->SetSourcePos(x->GetProp(QStringLiteral("pos")));
    AddExprChildren(e.get(), x, Prog);
    const QString p0 = x->GetProp(QStringLiteral("pos")), p1 = x->GetProp(QStringLiteral("pos1"));
    if (FParser && !p0.isEmpty() && !p1.isEmpty()) {
        const TPoint a = SourcePosToPoint(p0), b = SourcePosToPoint(p1);
        const int s = FParser->GetPlainPosition(a.X, a.Y), t = FParser->GetPlainPosition(b.X, b.Y);
        if (s >= 1 && t >= s) e->SetSource(FParser->Text().mid(s - 1, t - s).trimmed());
    }
    const QString err = e->Finalize();
    if (!err.isEmpty()) {
        FErrorPos = err;
        Fail(SIncompatibleTypes);
    }
    return e;
}

std::unique_ptr<TscSetExpression> TscILBuilder::DoSet(const TscXMLItem* x, TscScript* Prog) {
    auto s = std::make_unique<TscSetExpression>();
    for (int i = 0; i < x->Count(); ++i) {
        const TscXMLItem* c = x->Items(i);
        SetPos(c);
        if (Is(c, "expr"))
            s->AddExpression(DoExpression(c, Prog));
        else if (Is(c, "range"))
            s->AddRange();
    }
    return s;
}

// ---------------------------------------------------------------------------------------------
// Designators

void TscILBuilder::MakeLate(TscDesignator* d, const TscXMLItem* Source) {
    auto src = std::make_unique<TscXMLItem>();
    src->Assign(Source);
    d->Finalize();
    d->SetTyp(fvtVariant);
    d->SetTypeName(QString());
    d->SetIsReadOnly(false);
    d->SetLateBindingXmlSource(std::move(src));
}

bool TscILBuilder::FromWith(const TscXMLItem* xi, const TscXMLItem* node, TscScript* Prog, TscDesignator* d,
                            bool& Late) {
    const QString name = node->GetProp(QStringLiteral("text"));
    for (auto it = FWithList.rbegin(); it != FWithList.rend(); ++it) {
        TscCustomVariable* hidden = Prog->FindLocal(it->first);
        if (!hidden) continue;
        if (hidden->Typ() == fvtVariant) {
            if (Prog->Find(name)) return false;
            auto src = std::make_unique<TscXMLItem>();
            src->Assign(xi);
            auto* first = new TscXMLItem;
            first->SetName(QStringLiteral("node"));
            first->SetText(QStringLiteral("text=\"") + EncodeAttributeValue(it->first) +
                           QStringLiteral("\" pos=\"") +
                           EncodeAttributeValue(node->GetProp(QStringLiteral("pos"))) + QStringLiteral("\""));
            int at = 0;
            while (at < src->Count() && Is(src->Items(at), "addr"))
                ++at;
            src->InsertItem(at, first);
            d->SetTyp(fvtVariant);
            d->SetLateBindingXmlSource(std::move(src));
            Late = true;
            return true;
        }
        TscClassVariable* cls = Prog->FindClass(hidden->TypeName());
        if (!cls) Fail(SUnknownType + Quoted(hidden->TypeName()));
        if (TscCustomHelper* m = cls->Find(name)) {
            d->AddLink(hidden, node->GetProp(QStringLiteral("pos")));
            d->AddLink(m, node->GetProp(QStringLiteral("pos")));
            return true;
        }
    }
    return false;
}

void TscILBuilder::AddAutomation(const TscXMLItem* xi, int From, TscScript* Prog, TscDesignator* d) {
    for (int i = From; i < xi->Count(); ++i) {
        const TscXMLItem* c = xi->Items(i);
        SetPos(c);
        if (Is(c, "node")) {
            const QString text = c->GetProp(QStringLiteral("text"));
            if (text == QStringLiteral("[")) continue;
            auto h = std::make_unique<TscOLEHelper>(text);
            TscOLEHelper* hp = h.get();
            Prog->Add(QString(), std::move(h));
            d->AddLink(hp, c->GetProp(QStringLiteral("pos")));
        } else if (Is(c, "expr")) {
            TscDesignatorItem* link = d->GetItem(d->Count() - 1);
            link->Add(DoExpression(c, Prog));
            auto* h = dynamic_cast<TscOLEHelper*>(link->Ref());
            if (h) h->Add(std::make_unique<TscParamItem>(QString(), fvtVariant, QString(), false, false));
        }
    }
}

std::unique_ptr<TscDesignator> TscILBuilder::DoDesignator(const TscXMLItem* xi, TscScript* Prog,
                                                          TscEmitOp EmitOp) {
    auto d = std::make_unique<TscDesignator>(Prog);
    bool ended = false; // true when the chain is late-bound or automation
    for (int i = 0; i < xi->Count() && !ended; ++i) {
        const TscXMLItem* c = xi->Items(i);
        SetPos(c);
        const QString pos = c->GetProp(QStringLiteral("pos"));
        if (Is(c, "expr")) {
            if (d->Count() == 0) Fail(SVarRequired);
            d->GetItem(d->Count() - 1)->Add(DoExpression(c, Prog));
            continue;
        }
        if (Is(c, "addr")) {
            if (xi->Count() != 2) Fail(SVarRequired);
            const QString name = xi->Items(i == 0 ? 1 : 0)->GetProp(QStringLiteral("text"));
            auto v = std::make_unique<TscStringVariable>(QString(), fvtString, QString());
            v->SetValue(Variant(name));
            TscCustomVariable* vp = v.get();
            Prog->Add(QString(), std::move(v));
            d = std::make_unique<TscDesignator>(Prog);
            d->AddLink(vp, pos);
            ended = true;
            break;
        }
        if (!Is(c, "node")) continue;
        const QString text = c->GetProp(QStringLiteral("text"));
        if (d->Count() == 0) {
            bool late = false;
            if (!FromWith(xi, c, Prog, d.get(), late)) d->AddLink(FindName(text, Prog), pos);
            if (late) return d;
            if (EmitOp == emCreate) {
                auto* cls = dynamic_cast<TscClassVariable*>(d->GetItem(d->Count() - 1)->Ref());
                if (!cls) Fail(SClassRequired);
                TscCustomHelper* ctor = cls->Find(QStringLiteral("Create"));
                if (!ctor) Fail(SIdUndeclared + Quoted(QStringLiteral("Create")));
                d->AddLink(ctor, pos);
            }
            continue;
        }
        TscDesignatorItem* P = d->GetItem(d->Count() - 1);
        TscCustomVariable* pItem = P->Ref();
        auto* mh = dynamic_cast<TscMethodHelper*>(pItem);
        if (mh && mh->IndexMethod() && !P->Flag()) {
            if (text != QStringLiteral("[")) Fail(SIndexRequired);
            P->SetFlag(true);
            continue;
        }
        TscVarType typ = pItem->Typ();
        QString typeName = pItem->TypeName();
        Variant known = Variant::Null();
        bool knownValid = false;
        if (typ == fvtVariant) {
            // Only a plain variable's value is read now: nothing runs at compile time.
            if (dynamic_cast<TscVariable*>(pItem) && d->Count() == 1) {
                known = pItem->GetValue();
                knownValid = true;
            }
            if (!knownValid || known.IsNull() || known.IsEmpty()) {
                // The rest of the chain is resolved when it is first used.
                d->Finalize();
                auto src = std::make_unique<TscXMLItem>();
                src->Assign(xi);
                d->SetTyp(fvtVariant);
                d->SetTypeName(QString());
                d->SetIsReadOnly(false);
                d->SetLateBindingXmlSource(std::move(src));
                if (FScript->IsRunning() || FLateResolving) {
                    // Resolving at run time: the value now decides. The chain so far becomes a
                    // nested designator that hands this value to the walk that follows, so the
                    // host code in it runs once for this use.
                    d->SetLateBindingXmlSource(nullptr);
                    auto prefix = std::make_unique<TscPrimedDesignator>(Prog);
                    prefix->Borrow(d.get());
                    prefix->Finalize();
                    known = prefix->Evaluate();
                    knownValid = true;
                    if (known.IsNull() || known.IsEmpty())
                        throw EVariantError(
                            QStringLiteral("Invalid variant operation: '%1' of a Null value").arg(text));
                    TscPrimedDesignator* pp = prefix.get();
                    Prog->Add(QString(), std::move(prefix));
                    d = std::make_unique<TscDesignator>(Prog);
                    d->AddLink(pp, pos);
                    pItem = pp;
                } else {
                    return d;
                }
            }
            if (known.IsDispatch()) {
                AddAutomation(xi, i, Prog, d.get());
                ended = true;
                break;
            }
            if (known.IsText()) {
                typ = fvtString;
            } else if (known.IsArray()) {
                if (text != QStringLiteral("[")) Fail(SIndexRequired);
                TscCustomVariable* h = Prog->Find(QStringLiteral("__ArrayHelper"));
                if (!h) Fail(SIdUndeclared + Quoted(QStringLiteral("__ArrayHelper")));
                d->AddLink(h, pos);
                continue;
            } else {
                TObject* obj = nullptr;
                try {
                    obj = VariantToObject(known);
                } catch (const Exception&) {
                    obj = nullptr;
                }
                if (!obj) Fail(SClassRequired);
                typeName = obj->ClassName();
                typ = fvtClass;
            }
        }
        if (typ == fvtString || typ == fvtChar) {
            if (text != QStringLiteral("[")) Fail(SStringError);
            TscCustomVariable* h = Prog->Find(QStringLiteral("__StringHelper"));
            if (!h) Fail(SIdUndeclared + Quoted(QStringLiteral("__StringHelper")));
            d->AddLink(h, pos);
        } else if (typ == fvtClass) {
            TscClassVariable* cls = Prog->FindClass(typeName);
            // An object of an unregistered class: its registered ancestor serves.
            if (!cls) Fail(SUnknownType + Quoted(typeName));
            if (text == QStringLiteral("[")) {
                if (!cls->DefProperty()) Fail(QString(SClassError).replace(QStringLiteral("%s"), typeName));
                TscDesignatorItem* link = d->AddLink(cls->DefProperty(), pos);
                link->SetFlag(true);
                continue;
            }
            TscCustomVariable* m = cls->Find(text);
            if (!m) {
                Variant pv = Variant::Null();
                if (dynamic_cast<TscVariable*>(pItem) && d->Count() == 1) pv = pItem->GetValue();
                TComponent* comp = nullptr;
                if (!pv.IsNull() && !pv.IsEmpty() && VarIsOrdinal(pv) && pv.ToInt() != 0) {
                    try {
                        comp = dynamic_cast<TComponent*>(VariantToObject(pv));
                    } catch (const Exception&) {
                        comp = nullptr;
                    }
                }
                if (comp) {
                    if (TComponent* sub = comp->FindComponent(text)) {
                        auto v = std::make_unique<TscVariable>(QString(), fvtClass, sub->ClassName());
                        v->SetValue(ObjectToVariant(sub));
                        m = v.get();
                        Prog->Add(QString(), std::move(v));
                    }
                }
                if (!m && !FScript->IsRunning() && !FLateResolving && Prog->UseClassLateBinding()) {
                    while (d->Count() > 1)
                        d->Remove(d->Item(d->Count() - 1)).reset();
                    MakeLate(d.get(), xi);
                    return d;
                }
                if (!m) Fail(SIdUndeclared + Quoted(text));
            }
            d->AddLink(m, pos);
        } else if (typ == fvtArray) {
            d->AddLink(pItem->RefItem(), pos);
        } else {
            Fail(SArrayRequired);
        }
    }
    if (EmitOp == emFree) {
        if (d->Count() == 0) Fail(SVarRequired);
        TscCustomVariable* last = d->GetItem(d->Count() - 1)->Ref();
        if (last->Typ() != fvtClass && last->Typ() != fvtVariant) Fail(SClassRequired);
        TscClassVariable* obj = Prog->FindClass(QStringLiteral("TObject"));
        TscCustomHelper* f = obj ? obj->Find(QStringLiteral("Free")) : nullptr;
        if (!f) Fail(SIdUndeclared + Quoted(QStringLiteral("Free")));
        d->AddLink(f, xi->GetProp(QStringLiteral("pos")));
    }
    if (d->Count() == 0) Fail(SVarRequired);
    CheckArguments(d.get(), Prog);
    return TscDesignator::Build(std::move(d));
}

void TscILBuilder::CheckArguments(TscDesignator* d, TscScript* Prog) {
    for (int li = 0; li < d->Count(); ++li) {
        TscDesignatorItem* link = d->GetItem(li);
        TscCustomVariable* item = link->Ref();
        if (dynamic_cast<TscDesignator*>(item)) continue;
        if (!link->SourcePos().isEmpty()) FErrorPos = link->SourcePos();
        if (dynamic_cast<TscOLEHelper*>(item)) continue;
        if (link->Count() < item->GetNumberOfRequiredParams()) Fail(SNotEnoughParams);
        if (link->Count() > item->Count()) Fail(STooManyParams);
        for (int i = link->Count(); i < item->Count(); ++i) {
            auto e = std::make_unique<TscExpression>(Prog);
            e->AddConst(item->Params(i)->DefValue());
            e->Finalize();
            link->Add(std::move(e));
        }
        for (int i = 0; i < item->Count(); ++i) {
            auto* a = link->GetItem(i);
            if (!a->SourcePos().isEmpty()) FErrorPos = a->SourcePos();
            CheckTypes(item->Params(i), a, Prog);
        }
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------

void ParseILScript(TscILParser& Parser, TscScript* Script) {
    const TscXMLItem* grammarTypes = nullptr;
    if (const TscXMLDocument* g = Parser.Grammar()) {
        const int i = g->Root()->Find(QStringLiteral("types"));
        if (i >= 0) grammarTypes = g->Root()->Items(i);
    }
    TscILBuilder b(Script, Parser.Parser(), Parser.NeedDeclareVars(), grammarTypes);
    Script->SetErrorUnit(QString());
    try {
        b.BuildRoot(Parser.ILScript()->Root(), Script);
        Script->SetErrorPos(QString());
    } catch (const Exception& e) {
        Script->SetErrorMsg(e.Message());
        Script->SetErrorPos(b.FErrorPos);
        Script->SetErrorUnit(b.FUnitName);
    }
}

std::unique_ptr<TscDesignator> BuildLateBoundDesignator(TscScript* Script, const TscXMLItem* Source) {
    TscScript* root = Script;
    while (root->Parent())
        root = root->Parent();
    TscILParser parser(Script);
    parser.SelectLanguage(root->SyntaxType());
    TscILBuilder b(root, nullptr, parser.NeedDeclareVars(), nullptr);
    b.FLateResolving = true;
    return b.DoDesignator(Source, Script, emNone);
}

void InstallProgramBuilder(TscProgramBuilder& Builder) {
    Builder.Build = [](TscILParser& Parser, TscScript* Script) { ParseILScript(Parser, Script); };
    Builder.BuildDesignator = [](TscScript* Script, const TscXMLItem* Source) {
        return BuildLateBoundDesignator(Script, Source);
    };
}
