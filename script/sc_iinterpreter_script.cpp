// TscScript: the item list, registration, compiling and running.

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"
#include "script/sc_iinterpreter.h"
#include "script/sc_itools.h"

#include <algorithm>

KORVEL_CLASS_INFO(TscScript) {
    b.Prop("Lines", &TscScript::Lines, &TscScript::SetLines);
    b.Prop("SyntaxType", &TscScript::SyntaxType, &TscScript::SetSyntaxType);
}

namespace {

template <class F> struct TFinally {
    F Fn;
    ~TFinally() { Fn(); }
};
template <class F> TFinally(F) -> TFinally<F>;

int CompareNames(const QString& a, const QString& b) {
    return a.compare(b, Qt::CaseInsensitive);
}

} // namespace

TscScript::TscScript(TComponent* AOwner)
    : TComponent(AOwner), FLines(std::make_unique<TStringList>()), FMacros(std::make_unique<TStringList>()) {
    SetIncludePath(QStringList{QString()});
    FStatement = std::make_unique<TscStatement>(this, QString(), QString());
}

TscScript::~TscScript() {
    ScScopesChanged(); // a script made later at this address is another scope
    Clear();
    ClearRTTI();
    FItems.clear();
    FStatement.reset();
}

int TscScript::LowerBound(const QString& Name) const {
    auto it = std::lower_bound(FItems.begin(), FItems.end(), Name,
                               [](const TEntry& e, const QString& n) { return CompareNames(e.Name, n) < 0; });
    return static_cast<int>(it - FItems.begin());
}

void TscScript::Add(const QString& Name, std::unique_ptr<TObject> Item) {
    if (auto* v = dynamic_cast<TscCustomVariable*>(Item.get())) v->SetAddedBy(FAddedBy);
    // Before the entries of equal name, so a lookup finds the newest.
    const int at = LowerBound(Name);
    FItems.insert(FItems.begin() + at, TEntry{Name, std::move(Item)});
    ++FItemsVersion;
}

TObject* TscScript::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[static_cast<size_t>(Index)].Object.get();
}

QString TscScript::ItemName(int Index) const {
    Items(Index);
    return FItems[static_cast<size_t>(Index)].Name;
}

std::unique_ptr<TObject> TscScript::Remove(TObject* Item) {
    for (size_t i = 0; i < FItems.size(); ++i)
        if (FItems[i].Object.get() == Item) {
            std::unique_ptr<TObject> r = std::move(FItems[i].Object);
            FItems.erase(FItems.begin() + static_cast<std::ptrdiff_t>(i));
            ++FItemsVersion;
            return r;
        }
    throw EListError(QStringLiteral("List index out of bounds (-1)"));
}

TscCustomVariable* TscScript::FindLocal(const QString& Name) const {
    const int i = LowerBound(Name);
    if (i < Count() && CompareNames(FItems[static_cast<size_t>(i)].Name, Name) == 0)
        return dynamic_cast<TscCustomVariable*>(FItems[static_cast<size_t>(i)].Object.get());
    return nullptr;
}

TscCustomVariable* TscScript::Find(const QString& Name) const {
    for (const TscScript* s = this; s; s = s->FParent)
        if (TscCustomVariable* v = s->FindLocal(Name)) return v;
    return nullptr;
}

TscClassVariable* TscScript::FindClass(const QString& Name) const {
    return dynamic_cast<TscClassVariable*>(Find(Name));
}

Variant TscScript::Variables(const QString& Name) const {
    TscCustomVariable* v = Find(Name);
    return v ? v->Value() : Variant::Null();
}

void TscScript::SetVariables(const QString& Name, const Variant& Value) {
    if (TscCustomVariable* v = Find(Name))
        v->SetValue(Value);
    else
        AddVariable(Name, QStringLiteral("Variant"), Value);
}

void TscScript::RemoveItems(const void* Owner) {
    for (int i = Count() - 1; i >= 0; --i) {
        auto* v = dynamic_cast<TscCustomVariable*>(FItems[static_cast<size_t>(i)].Object.get());
        if (v && v->AddedBy() == Owner) FItems.erase(FItems.begin() + i);
    }
    ++FItemsVersion;
}

void TscScript::ClearStatements() {
    FStatement->Clear();
    FUnitLines.clear();
}

void TscScript::ClearItems(const void* Owner) {
    RemoveItems(Owner);
    ClearStatements();
}

void TscScript::Clear() {
    for (int i = Count() - 1; i >= 0; --i) {
        TObject* o = FItems[static_cast<size_t>(i)].Object.get();
        if (dynamic_cast<TscRTTIModule*>(o)) continue;
        auto* v = dynamic_cast<TscCustomVariable*>(o);
        if (v && v->AddedBy() == scRTTIAddedBy) continue;
        FItems.erase(FItems.begin() + i);
    }
    ++FItemsVersion;
    ClearStatements();
    SetErrorPos(QString());
    SetErrorMsg(QString());
    SetErrorUnit(QString());
}

void TscScript::AddRTTI() {
    if (FRTTIAdded) return;
    FAddedBy = scRTTIAddedBy;
    {
        TFinally reset{[this] { FAddedBy = nullptr; }};
        for (TscRTTIModuleClass cls : *RTTIModuleList())
            Add(QString(), cls(this));
    }
    FRTTIAdded = true;
}

void TscScript::ClearRTTI() {
    if (!FRTTIAdded) return;
    for (int i = Count() - 1; i >= 0; --i) {
        TObject* o = FItems[static_cast<size_t>(i)].Object.get();
        auto* v = dynamic_cast<TscCustomVariable*>(o);
        if (dynamic_cast<TscRTTIModule*>(o) || (v && v->AddedBy() == scRTTIAddedBy))
            FItems.erase(FItems.begin() + i);
    }
    ++FItemsVersion;
    FRTTIAdded = false;
}

// ---------------------------------------------------------------------------------------------
// Registration

void TscScript::AddType(const QString& TypeName, TscVarType ParentType) {
    if (!Find(TypeName)) Add(TypeName, std::make_unique<TscTypeVariable>(TypeName, ParentType, QString()));
}

TscClassVariable* TscScript::AddClass(const TClassInfo* AClass, const QString& Ancestor) {
    // A class known here or in a parent scope is handed back, so a module can add to it.
    if (Find(AClass->ClassName())) return FindClass(AClass->ClassName());
    auto c = std::make_unique<TscClassVariable>(AClass, Ancestor);
    c->SetProg(this);
    TscClassVariable* r = c.get();
    Add(AClass->ClassName(), std::move(c));
    if (TscClassVariable* anc = FindClass(Ancestor)) r->SetDefProperty(anc->DefProperty());
    return r;
}

void TscScript::AddConst(const QString& Name, const QString& Typ, const Variant& Value) {
    if (Find(Name)) return;
    auto v = std::make_unique<TscVariable>(Name, LookupVarType(Typ, this), Typ);
    v->SetValue(Value);
    v->SetIsReadOnly(true);
    Add(Name, std::move(v));
}

void TscScript::AddVariable(const QString& Name, const QString& Typ, const Variant& Value) {
    if (Find(Name)) return;
    auto v = std::make_unique<TscVariable>(Name, LookupVarType(Typ, this), Typ);
    v->SetValue(Value);
    v->SetValueHook(OnGetVarValue);
    Add(Name, std::move(v));
}

void TscScript::AddEnumValues(const QString& Typ, const QString& Names, bool Bits) {
    Add(Typ, std::make_unique<TscVariable>(Typ, fvtEnum, Typ));
    int value = Bits ? 1 : 0;
    for (const QString& raw : Names.split(',')) {
        const QString name = raw.trimmed();
        auto v = std::make_unique<TscVariable>(name, fvtEnum, Typ);
        v->SetValue(Variant(value));
        v->SetIsReadOnly(true);
        Add(name, std::move(v));
        value = Bits ? value * 2 : value + 1;
    }
}

void TscScript::AddEnum(const QString& Typ, const QString& Names) {
    AddEnumValues(Typ, Names, false);
}

void TscScript::AddEnumSet(const QString& Typ, const QString& Names) {
    AddEnumValues(Typ, Names, true);
}

TscMethodHelper* TscScript::AddMethodHelper(std::unique_ptr<TscMethodHelper> M, const QString& Category,
                                            const QString& Description) {
    M->SetDescription(Description.isEmpty() ? M->Name() : Description);
    M->SetCategory(Category);
    TscMethodHelper* r = M.get();
    const QString name = M->Name();
    Add(name, std::move(M));
    return r;
}

TscMethodHelper* TscScript::AddMethod(const QString& Syntax, TscCallMethodEvent CallEvent,
                                      const QString& Category, const QString& Description) {
    auto m = std::make_unique<TscMethodHelper>(Syntax, this);
    m->OnCall = std::move(CallEvent);
    return AddMethodHelper(std::move(m), Category, Description);
}

TscMethodHelper* TscScript::AddMethod(const QString& Syntax, TscCallMethodNewEvent CallEvent,
                                      const QString& Category, const QString& Description) {
    auto m = std::make_unique<TscMethodHelper>(Syntax, this);
    m->OnCallNew = std::move(CallEvent);
    return AddMethodHelper(std::move(m), Category, Description);
}

void TscScript::AddObject(const QString& Name, TObject* Obj) {
    AddVariable(Name, Obj ? Obj->ClassName() : QStringLiteral("TObject"), ObjectToVariant(Obj));
}

void TscScript::AddForm(TComponent* Form) {
    AddComponent(Form);
}

void TscScript::AddComponent(TComponent* Form) {
    TscClassVariable* cls = FindClass(Form->ClassName());
    if (!cls) {
        QString ancestor;
        if (Form->InheritsFrom(QStringLiteral("TForm")))
            ancestor = QStringLiteral("TForm");
        else if (Form->InheritsFrom(QStringLiteral("TDataModule")))
            ancestor = QStringLiteral("TDataModule");
        else if (Form->InheritsFrom(QStringLiteral("TFrame")))
            ancestor = QStringLiteral("TFrame");
        else
            return;
        cls = AddClass(ClassInfoOf(Form), ancestor);
    }
    for (int i = 0; i < Form->ComponentCount(); ++i)
        cls->AddComponent(Form->Components(i));
    AddObject(Form->Name(), Form);
}

void TscScript::SetLines(const TStrings* Value) {
    if (Value)
        FLines->Assign(*Value);
    else
        FLines->Clear();
}

// ---------------------------------------------------------------------------------------------
// Compiling

bool TscScript::Compile() {
    SetErrorMsg(QString());
    {
        TscILParser parser(this);
        parser.SelectLanguage(FSyntaxType);
        if (parser.MakeILScript(FLines->Text())) {
            const TscProgramBuilder& builder = ScriptProgramBuilder();
            if (builder.Build)
                builder.Build(parser, this);
            else
                SetErrorMsg(QStringLiteral("No program builder is installed"));
        }
    }
    if (!ErrorMsg().isEmpty()) return false;
    SetErrorPos(QString());
    return true;
}

bool TscScript::GetILCode(TStream& Stream) {
    SetErrorMsg(QString());
    {
        TscILParser parser(this);
        parser.SelectLanguage(FSyntaxType);
        if (parser.MakeILScript(FLines->Text())) parser.ILScript()->SaveToStream(Stream);
    }
    if (!ErrorMsg().isEmpty()) return false;
    SetErrorPos(QString());
    return true;
}

bool TscScript::SetILCode(TStream& Stream) {
    SetErrorMsg(QString());
    {
        TscILParser parser(this);
        parser.SelectLanguage(FSyntaxType);
        parser.ILScript()->LoadFromStream(Stream);
        const TscProgramBuilder& builder = ScriptProgramBuilder();
        if (builder.Build)
            builder.Build(parser, this);
        else
            SetErrorMsg(QStringLiteral("No program builder is installed"));
    }
    if (!ErrorMsg().isEmpty()) return false;
    SetErrorPos(QString());
    return true;
}

bool TscScript::Run() {
    const bool ok = Compile();
    if (ok) Execute();
    return ok;
}

void TscScript::AddCodeLine(const QString& UnitName, const QString& APos) {
    const int colon = APos.indexOf(':');
    const QString line = colon >= 0 ? APos.left(colon) : APos;
    auto it = std::find_if(FUnitLines.begin(), FUnitLines.end(),
                           [&](const auto& e) { return e.first == UnitName; });
    if (it == FUnitLines.end()) {
        FUnitLines.push_back({UnitName, QStringList()});
        it = FUnitLines.end() - 1;
    }
    if (!it->second.contains(line)) it->second << line;
}

bool TscScript::IsExecutableLine(int LineN, const QString& UnitName) const {
    for (const auto& e : FUnitLines)
        if (e.first == UnitName) return e.second.contains(QString::number(LineN));
    return false;
}

// ---------------------------------------------------------------------------------------------
// Running

void TscScript::Execute() {
    SetFlow(sfExit | sfTerminated, false);
    FIsRunning = true;
    if (!FMainProg) ScScopesChanged();
    FMainProg = true;
    TFinally done{[this] {
        SetFlow(sfExit | sfTerminated, false);
        FIsRunning = false;
    }};
    FStatement->Execute();
}

void TscScript::SignalLineHook(const QString& UnitName, const QString& SourcePos) {
    for (TscScript* s = this; s; s = s->FParent)
        if (s->OnRunLine) {
            s->OnRunLine(this, UnitName, SourcePos);
            return;
        }
}

void TscScript::Terminate() {
    SetFlow(sfExit | sfTerminated, true);
    for (const TEntry& e : FItems)
        if (auto* p = dynamic_cast<TscProcVariable*>(e.Object.get())) p->Prog()->Terminate();
}

Variant TscScript::RunProc(TscProcVariable* Proc, const Variant& Params) {
    int given = 0;
    if (VarIsArray(Params)) {
        const int high = VarArrayHighBound(Params, 1);
        for (int i = 0; i <= high; ++i) {
            if (i >= Proc->Count()) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
            Proc->Params(i)->SetValue(Params.GetElement(i));
        }
        given = high + 1;
    }
    // Parameters the caller leaves out start from their defaults, not from the last call.
    for (int i = std::max(given, 0); i < Proc->Count(); ++i)
        Proc->Params(i)->SetValue(Proc->Params(i)->DefValue());
    return Proc->GetValue();
}

Variant TscScript::CallFunction(const QString& Name, const Variant& Params) {
    auto* p = dynamic_cast<TscProcVariable*>(FindLocal(Name));
    if (!p) return Variant::Null();
    return RunProc(p, Params);
}

Variant TscScript::CallFunction1(const QString& Name, Variant& Params) {
    auto* p = dynamic_cast<TscProcVariable*>(FindLocal(Name));
    if (!p) return Variant::Null();
    Variant result = RunProc(p, Params);
    if (VarIsArray(Params)) {
        const int high = VarArrayHighBound(Params, 1);
        for (int i = 0; i <= high; ++i)
            Params.SetElement(i, p->Params(i)->Value());
    }
    return result;
}

Variant TscScript::CallFunction2(TscProcVariable* Func, const Variant& Params) {
    if (!Func) return Variant::Null();
    return RunProc(Func, Params);
}

Variant TscScript::Evaluate(const QString& Expression) {
    FEvaluteRiseError = false;
    Variant result = Variant::Null();
    TscScript* scope = FProgRunning ? FProgRunning : this;
    auto s = std::make_unique<TscScript>();
    if (!scope->FRTTIAdded) s->AddRTTI();
    s->SetParent(scope);
    s->OnGetVarValue = scope->OnGetVarValue;
    TscRunLineHook savedRunLine = std::move(OnRunLine);
    TFinally restore{[&] { OnRunLine = std::move(savedRunLine); }};
    s->SetSyntaxType(FSyntaxType);
    // The expression stands on lines of its own inside brackets: a line comment or a line break
    // in it cannot swallow the wrapper, and text that closes the bracket early fails to compile.
    QString text;
    const QString nl = QStringLiteral("\r\n");
    if (SameText(FSyntaxType, QStringLiteral("PascalScript")))
        text = QStringLiteral("function scEvaluateFUNC: Variant; begin Result := (") + nl + Expression + nl +
               QStringLiteral(") end; begin end.");
    else if (SameText(FSyntaxType, QStringLiteral("C++Script")))
        text = QStringLiteral("Variant scEvaluateFUNC() { return (") + nl + Expression + nl +
               QStringLiteral("); } {}");
    else if (SameText(FSyntaxType, QStringLiteral("BasicScript"))) {
        // Basic ends a statement at the line break, so a second line would be a statement of
        // its own: refused rather than run.
        if (Expression.contains(u'\r') || Expression.contains(u'\n')) {
            FEvaluteRiseError = true;
            return Variant(QStringLiteral("A BasicScript expression must stand on one line"));
        }
        text = QStringLiteral("function scEvaluateFUNC") + nl + QStringLiteral("return ") + Expression + nl +
               QStringLiteral("end function");
    } else if (SameText(FSyntaxType, QStringLiteral("JScript")))
        text = QStringLiteral("function scEvaluateFUNC() { return (") + nl + Expression + nl +
               QStringLiteral("); }");
    s->Lines()->SetText(text);
    if (s->Compile()) {
        TscCustomVariable* f = s->FindLocal(QStringLiteral("scEvaluateFUNC"));
        result = f ? f->Value() : Variant::Null();
    } else {
        result = Variant(s->ErrorMsg());
        FEvaluteRiseError = true;
    }
    return result;
}
