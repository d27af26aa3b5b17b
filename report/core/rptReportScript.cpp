// The report's script and expressions: preparing the script, resolving names, computing
// expressions through the expression cache, and the functions every report script gets (Get,
// Set, IIF and the aggregates).

#include "report/core/rptClassReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptExpressionCache.h"
#include "report/core/rptRes.h"
#include "report/core/rptVariables.h"
#include "script/sc_iinterpreter.h"

namespace {

enum TSysVariable { svDate, svTime, svPage, svPageN, svTotalPages, svTotalPagesN, svLine, svLineN, svCopyName };

// Name equality by the locale, with the cheap tests first.
bool SameName(const QString& a, const QString& b) {
    return a.size() == b.size() && (a.compare(b, Qt::CaseInsensitive) == 0 || AnsiSameText(a, b));
}

// The system variables' names are plain ASCII.
bool SameSysName(const QString& a, const QString& b) {
    return a.size() == b.size() && a.compare(b, Qt::CaseInsensitive) == 0;
}

// Script items are named by identifiers: any other text cannot name one, and the lookup of
// every expression's whole text is spared.
bool IsIdentifier(const QString& Name) {
    if (Name.isEmpty()) return false;
    for (QChar c : Name) {
        const char16_t u = c.unicode();
        if (!((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9') || u == '_' || u >= 128))
            return false;
    }
    return true;
}

bool IsCategory(const QString& Name) {
    return !Name.isEmpty() && Name.at(0) == u' ';
}

// The first variable (not category) of that name, or none.
TrptVariable* FindVariable(const TrptVariables* List, const QString& Name) {
    const int n = List->Count();
    for (int i = 0; i < n; ++i) {
        TrptVariable* v = List->Items(i);
        if (SameName(v->Name(), Name) && !IsCategory(v->Name())) return v;
    }
    return nullptr;
}

// The text of a macro function's argument; a default value (not given) is taken as it is.
QString ArgText(TscMethodHelper* Caller, int Index) {
    return VarToStr(Caller->GetVParam(Index));
}

// Removes a name from the chain of variables being evaluated when its evaluation ends.
struct TChainGuard {
    QStringList& Chain;
    ~TChainGuard() { Chain.removeLast(); }
};

// Adds Obj under Name, typed by its class, or by its nearest ancestor that scripts know when its
// own class has no script binding (an object kind of a plug-in, say): its members stay reachable
// and the script compiles.
void AddScriptObject(TscScript* Script, const QString& Name, TObject* Obj) {
    const TClassInfo* cls = ClassInfoOf(Obj);
    while (cls && !Script->FindClass(cls->ClassName()))
        cls = cls->Parent();
    Script->AddVariable(Name, cls ? cls->ClassName() : Obj->ClassName(), ObjectToVariant(Obj));
}

} // namespace

bool TrptReport::CaseSensitiveExpressions() const {
    return FExpressionCache->CaseSensitive();
}

void TrptReport::SetCaseSensitiveExpressions(bool Value) {
    FExpressionCache->SetCaseSensitive(Value);
}

void TrptReport::SetVariables(TrptVariables* Value) {
    if (Value) FVariables->Assign(Value);
}

void TrptReport::AddFunction(const QString& FuncName, const QString& Category, const QString& Description) {
    // Not owned by the report: the function stays when the script is prepared again.
    FScript->SetAddedBy(nullptr);
    FScript->AddMethod(
        FuncName,
        TscCallMethodEvent([this](TObject*, const TClassInfo*, const QString& MethodName, Variant& Params) {
            return OnUserFunction ? OnUserFunction(MethodName, Params) : Variant();
        }),
        Category, Description);
}

bool TrptReport::PrepareScript() {
    FExpressionCache->Clear();
    FExpressionCache->SetScriptLanguage(FScriptLanguage);
    if (FEngine) FEngine->NotifyList().clear();
    FScript->ClearItems(this);
    FScript->SetAddedBy(this);
    FScript->SetMainProg(true);
    struct TAddedByGuard {
        TscScript* Script;
        ~TAddedByGuard() { Script->SetAddedBy(nullptr); }
    } addedBy{FScript.get()};

    for (TrptComponent* c : AllObjects()) {
        c->SetIsDesigning(false);
        c->BeforeStartReport();
        if (!c->Name().isEmpty()) AddScriptObject(FScript.get(), c->Name(), c);
    }
    AddScriptObject(FScript.get(), QStringLiteral("Report"), this);
    if (FEngine) AddScriptObject(FScript.get(), QStringLiteral("Engine"), FEngine.get());
    if (FPreviewPages && FPreviewPages->Outline())
        AddScriptObject(FScript.get(), QStringLiteral("Outline"), FPreviewPages->Outline());
    FScript->AddVariable(QStringLiteral("Value"), QStringLiteral("Variant"), Variant::Null());
    FScript->AddVariable(QStringLiteral("Self"), QStringLiteral("TrptView"), Variant::Null());

    const QString ctAggregate = QStringLiteral("ctAggregate");
    const QString ctOther = QStringLiteral("ctOther");
    auto call = TscCallMethodNewEvent(
        [this](TObject*, const TClassInfo*, const QString& MethodName, TscMethodHelper* Caller) {
            return CallReportFunction(MethodName, Caller);
        });
    FScript->AddMethod(QStringLiteral("function Get(Name: String): Variant"), call, ctOther);
    FScript->AddMethod(QStringLiteral("procedure Set(Name: String; Value: Variant)"), call, ctOther);
    FScript->AddMethod(QStringLiteral("macrofunction IIF(Expr: Boolean; TrueValue, FalseValue: Variant): Variant"),
                       call, ctOther);
    for (const char* f : {"SUM", "AVG", "MIN", "MAX"})
        FScript->AddMethod(QStringLiteral("macrofunction ") + QLatin1String(f) +
                               QStringLiteral("(Expr: Variant; Band: Variant = 0; Flags: Integer = 0): Variant"),
                           call, ctAggregate);
    FScript->AddMethod(QStringLiteral("macrofunction COUNT(Band: Variant = 0; Flags: Integer = 0): Variant"), call,
                       ctAggregate);

    if (LegacyEvents()->OnPrepareScript) LegacyEvents()->OnPrepareScript(this);
    SetLocalValue(FScript->Find(QStringLiteral("Value")));
    SetSelfValue(FScript->Find(QStringLiteral("Self")));
    FScript->SetLines(FScriptText.get());
    FScript->SetSyntaxType(FScriptLanguage);
    bool compiled = false;
    try {
        compiled = FScript->Compile();
    } catch (const Exception& e) {
        // An unknown language or an unreadable unit: reported like a compile error.
        FScript->SetErrorMsg(e.Message());
    }
    if (!compiled)
        FErrors->Add(Format(GlobalResources()->Get(QStringLiteral("clScrError")),
                            {FScript->ErrorPos(), FScript->ErrorMsg()}));
    return compiled;
}

bool TrptReport::ResolveName(const QString& Name, Variant& Value, TscScript* AScript) {
    TrptLegacyEvents* legacy = LegacyEvents();
    if (legacy->OnGetValue) {
        Variant v;
        legacy->OnGetValue(Name, v);
        if (!v.IsEmpty()) {
            Value = std::move(v);
            return true;
        }
    }

    // Dataset."Field": the whole name, ending at the field's closing quote (so an expression
    // holding two such references is not taken for one field with a quote in its name).
    if (const qsizetype p = Name.endsWith(u'"') ? Name.indexOf(QLatin1String(".\"")) : -1; p >= 0) {
        // As GetDatasetAndField, with the cheap name tests first: this runs for every field
        // reference of every expression.
        const QStringView alias = QStringView(Name).left(p);
        TrptDataSet* ds = nullptr;
        for (int i = 0, n = FDataSets->Count(); i < n && !ds; ++i) {
            TrptDataSet* d = FDataSets->Items(i)->DataSet();
            if (d && d->UserName().size() == alias.size() &&
                (alias.compare(d->UserName(), Qt::CaseInsensitive) == 0 || AnsiSameText(d->UserName(), alias.toString())))
                ds = d;
        }
        const QString field = Name.mid(p + 2, Name.size() - p - 3);
        if (ds && !field.isEmpty() && !field.contains(u'"')) {
            Value = ds->GetValue(field);
            if (Value.IsNull() && FEngineOptions->ConvertNulls()) {
                switch (ds->GetFieldType(field)) {
                case fftNumeric: Value = Variant(0); break;
                case fftString: Value = Variant(QString()); break;
                case fftBoolean: Value = Variant(false); break;
                }
            }
            return true;
        }
    }

    // No system variable is shorter than "Date" or longer than "TotalPages#".
    const int sysCount = Name.size() >= 4 && Name.size() <= 11 ? FSysVariables->Count() : 0;
    for (int i = 0; i < sysCount; ++i) {
        if (!SameSysName(FSysVariables->Get(i), Name)) continue;
        Value = Variant::Null();
        switch (static_cast<TSysVariable>(i)) {
        case svDate:
            if (FEngine) Value = Variant::FromDate(FEngine->StartDate());
            break;
        case svTime:
            if (FEngine) Value = Variant::FromDate(FEngine->StartTime());
            break;
        case svPage:
            if (FPreviewPages) Value = Variant(FPreviewPages->GetLogicalPageNo());
            break;
        case svPageN:
            if (FPreviewPages) Value = Variant(FPreviewPages->CurPage() + 1);
            break;
        case svTotalPages:
            if (FPreviewPages) Value = Variant(FPreviewPages->GetLogicalTotalPages());
            break;
        case svTotalPagesN:
            if (FEngine) Value = Variant(FEngine->TotalPages());
            break;
        case svLine:
            if (FEngine) Value = Variant(FEngine->CurLine());
            break;
        case svLineN:
            if (FEngine) Value = Variant(FEngine->CurLineThrough());
            break;
        case svCopyName:
            Value = GlobalVariables()->Variables(QStringLiteral("CopyName0"));
            break;
        }
        return true;
    }

    if (OnGetValue || OnNewGetValue) {
        Variant v;
        if (OnGetValue) OnGetValue(Name, v);
        if (OnNewGetValue) OnNewGetValue(this, Name, v);
        if (!v.IsEmpty()) {
            Value = std::move(v);
            return true;
        }
    }

    if (TrptVariable* var = FindVariable(FVariables.get(), Name)) {
        const Variant& stored = var->Value();
        if (!stored.IsText()) {
            Value = stored;
            return true;
        }
        const QString expr = stored.ToString();
        if (expr.contains(QLatin1String("\r\n"))) {
            Value = stored;
            return true;
        }
        if (expr.trimmed().isEmpty()) {
            Value = Variant::Null();
            return true;
        }
        // A variable met again while it is being computed refers to itself: that would recurse
        // until the stack runs out.
        for (const QString& n : std::as_const(FVariableChain))
            if (SameName(n, var->Name())) {
                QStringList cycle = FVariableChain.mid(FVariableChain.indexOf(n));
                cycle << var->Name();
                throw ErptExpressionError(QStringLiteral("Circular reference in report variables: ") +
                                          cycle.join(QStringLiteral(" -> ")));
            }
        FVariableChain << var->Name();
        TChainGuard guard{FVariableChain};
        Value = Calc(expr, FScript.get());
        return true;
    }

    if (TrptVariable* var = FindVariable(GlobalVariables(), Name)) {
        Value = var->Value();
        return true;
    }

    if (legacy->OnGetScriptValue) return false;

    if (TscScript* s = AScript ? AScript : FScript.get(); s && IsIdentifier(Name)) {
        TscCustomVariable* item = s->FindLocal(Name);
        if (item && !dynamic_cast<TscProcVariable*>(item) && !dynamic_cast<TscMethodHelper*>(item)) {
            Value = item->Value();
            return true;
        }
    }
    return false;
}

Variant TrptReport::Calc(const QString& Expr, TscScript* AScript, bool ScriptCall) {
    if (!AScript) AScript = FScript.get();
    Variant result;
    if (ResolveName(Expr, result, AScript)) return result;
    QString error;
    result = FExpressionCache->Calc(Expr, error, AScript);
    if (error.isEmpty()) return result;
    static const QString zeroDivide = QStringLiteral("Floating point division by zero");
    if (error == zeroDivide && FEngineOptions->IgnoreDevByZero()) return result;
    if (ScriptCall) {
        error = GlobalResources()->Get(QStringLiteral("clErrorInExp")) + error;
    } else {
        if (!FCurObject.isEmpty()) error = FCurObject + QStringLiteral(": ") + error;
        FErrors->Add(error);
    }
    throw ErptExpressionError(error);
}

TscScript* TrptReport::RunningScript() const {
    TscScript* s = FScript->ProgRunning();
    return s ? s : FScript.get();
}

Variant TrptReport::CallReportFunction(const QString& MethodName, TscMethodHelper* Caller) {
    if (MethodName == QLatin1String("GET")) {
        const QString name = VarToStr(Caller->GetVParam(0));
        Variant v;
        if (ResolveName(name, v, RunningScript())) return v;
        const qsizetype paren = name.indexOf(u'(');
        if (paren >= 0) {
            const QString f = name.left(paren).trimmed().toUpper();
            if (f == QLatin1String("SUM") || f == QLatin1String("MIN") || f == QLatin1String("MAX") ||
                f == QLatin1String("AVG") || f == QLatin1String("COUNT"))
                return Calc(name);
        }
        if (LegacyEvents()->OnGetScriptValue) {
            Variant params = VarArrayOf({Variant(name)});
            return LegacyEvents()->OnGetScriptValue(params);
        }
        FErrors->Add(GlobalResources()->Get(QStringLiteral("clUnknownVar")) + QLatin1Char(' ') + name);
        return Variant::Null();
    }
    if (MethodName == QLatin1String("SET")) {
        FVariables->SetVariables(VarToStr(Caller->GetVParam(0)), Caller->GetVParam(1));
        return Variant();
    }
    if (MethodName == QLatin1String("IIF")) {
        try {
            TscScript* running = RunningScript();
            const Variant cond = Calc(ArgText(Caller, 0), running);
            const bool yes = cond.VType() == varBoolean ? cond.ToBool()
                                                         : VarCompareValue(cond, Variant(true)) == vrEqual;
            return Calc(ArgText(Caller, yes ? 1 : 2), running);
        } catch (const Exception&) {
            // The error line Calc added stays; the text object prints nothing.
            return Variant();
        }
    }
    // The aggregates.
    const bool count = MethodName == QLatin1String("COUNT");
    TscScript* running = RunningScript();
    auto argValue = [&](int Index) -> Variant {
        const Variant arg = Caller->GetVParam(Index);
        if (!arg.IsText()) return arg.IsNull() || arg.IsEmpty() ? Variant(0) : arg;
        const QString text = arg.ToString().trimmed();
        return text.isEmpty() ? Variant(0) : Calc(text, running);
    };
    const Variant bandValue = argValue(count ? 0 : 1);
    const Variant flags = argValue(count ? 1 : 2);
    TrptBand* band = nullptr;
    if (!(VarIsOrdinal(bandValue) && bandValue.ToInt64() == 0)) {
        auto* c = dynamic_cast<TrptComponent*>(VariantToObject(bandValue));
        band = c ? c->AsBand() : nullptr;
    }
    if (!FEngine) return Variant::Null();
    return FEngine->GetAggregateValue(MethodName, count ? QString() : ArgText(Caller, 0), band, flags.ToInt());
}
