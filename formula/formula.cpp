#include "formula/formula.h"

#include "formula/formulaf.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/TextCase.h"

#include <atomic>
#include <chrono>
#include <mutex>

namespace {

const char* const kMessageKeys[cFormulaMessageCount] = {
    "cGetVarValueNotSet", "cGetVarsCountorGetVarValuenotset", "cReturnsZeroVars", "cDoesNotExists", "cVariable",
    "cAlreadyExists", "cFunction", "cAlreadyDefined", "cTooManyFunctionsDefined", "cUserFunction",
    "cTooManyUserFunctionsDefined", "cConstant", "cWrongbytecode", "cIllegalCharacter", "cUnknownIdentifier",
    "cExpected", "cExpected", "cSyntaxError", "cVariableNotUsed", "cNotEnoughParameters",
    "cIdentifierAlreadyDefined"};

const char* const kMessageTexts[cFormulaMessageCount] = {
    "GetVarValue not set!", "GetVarsCount or GetVarValue not set!", "returns zero vars!", "does not exists",
    "Variable", "already exists", "Function", "already defined", "Too many functions defined", "User Function",
    "Too many user functions defined", "Constant", "Wrong bytecode!", "Illegal character", "Unknown identifier",
    "\")\" expected", "\"(\" expected", "Syntax error", "Variable not used", "Not enough parameters",
    "Identifier already defined"};

// The built-in table is replaced as a whole on every change, so a run keeps the table it
// started with while another instance (or a handler) registers a function.
struct FormulaTables {
    std::mutex lock;
    std::shared_ptr<const std::vector<FTableItem>> builtins;
    std::atomic<quint64> generation{0};
    std::array<QString, cFormulaMessageCount> messages;

    FormulaTables() { ResetLocked(); }
    void ResetLocked() {
        builtins = std::make_shared<const std::vector<FTableItem>>(CreateFormulaBuiltins());
        for (int i = 0; i < cFormulaMessageCount; ++i) messages[static_cast<size_t>(i)] = QString::fromUtf8(kMessageTexts[i]);
        generation.fetch_add(1);
    }
};

FormulaTables& Tables() {
    static FormulaTables tables;
    return tables;
}

void SetMessage(TFormulaMessage key, const QString& value) {
    FormulaTables& t = Tables();
    std::lock_guard<std::mutex> g(t.lock);
    t.messages[static_cast<size_t>(key)] = value;
}

const char* const kStandardMacros[][2] = {
    {"FALSE", "0"}, {"TRUE", "1"}, {"DIV", "\\"}, {"MOD", "%"}, {"AND", "&"}, {"OR", "|"}, {"NOT", "!"},
    {"BAND", "&&"}, {"BOR", "||"}, {"BNOT", "!!"}, {"SHR", "<<"}, {"SHL", ">>"},
    {"BEGIN", "BLOCK("}, {"END", ")"}, {"ENDD", "))"}, {"VAR", "DEFINES("},
    {"IF", "CONDITION("}, {"THEN", ",BLOCK("}, {"ELSE", "),BLOCK("}, {"ENDIF", "),0)"},
    {"WHILE", "LOOP("}, {"DO", ",BLOCK("}, {"WEND", "))"}, {"FOR", "SERIES("}, {"NEXT", "))"},
    {"REPEAT", "TILL(BLOCK("}, {"UNTIL", "),"}, {"LN", "LOG"}, {"PROCEDURE", "SUB"}, {"FUNCTION", "SUB"}};

QString AlreadyDefined(TFormulaMessage kind, const QString& name) {
    return FormulaMessage(kind) + QStringLiteral(" \"") + name + QStringLiteral("\" ") + FormulaMessage(cAlreadyDefined);
}

} // namespace

QString FormulaMessage(TFormulaMessage key) {
    FormulaTables& t = Tables();
    std::lock_guard<std::mutex> g(t.lock);
    return t.messages[static_cast<size_t>(key)];
}

void ResetFormulaTables() {
    FormulaTables& t = Tables();
    std::lock_guard<std::mutex> g(t.lock);
    t.ResetLocked();
}

PDefArray NewDefArray() {
    auto d = std::make_shared<TDefArray>();
    for (TCalcItem& item : *d) item.typ = fdtgetvar;
    return d;
}

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(DUvuRarodar) {
    b.Prop("UnQuotedString", &DUvuRarodar::UnQuotedString, &DUvuRarodar::SetUnQuotedString);
    b.Prop("TestUsedVars", &DUvuRarodar::TestUsedVars, &DUvuRarodar::SetTestUsedVars).Default(false);
    b.Prop("CaseSensitive", &DUvuRarodar::CaseSensitive, &DUvuRarodar::SetCaseSensitive).Default(false);
    b.Prop("Step", &DUvuRarodar::Step, &DUvuRarodar::SetStep);
    b.Prop("StoreLines", &DUvuRarodar::StoreLines, &DUvuRarodar::SetStoreLines);
    b.Prop("CaseSensitiveString", &DUvuRarodar::CaseSensitiveString, &DUvuRarodar::SetCaseSensitiveString)
        .Default(true);
    b.Prop("ExternGetVar", &DUvuRarodar::ExternGetVar, &DUvuRarodar::SetExternGetVar);
    b.Prop("VarNameLiterals", &DUvuRarodar::VarNameLiterals, &DUvuRarodar::SetVarNameLiterals);
    b.Event("GetVarValue", &DUvuRarodar::GetVarValue, "DUvuRarodarGetVarProc");
    b.Event("GetVarsCount", &DUvuRarodar::GetVarsCount, "DUvuRarodarGetVarsCountProc");
    b.Prop("NoLeadingZero", &DUvuRarodar::NoLeadingZero, &DUvuRarodar::SetNoLeadingZero);
    b.Prop("ZeroEmptyString", &DUvuRarodar::ZeroEmptyString, &DUvuRarodar::SetZeroEmptyString);
    b.Event("OnStep", &DUvuRarodar::OnStep, "DUvuRarodarStepProc");
    b.Prop("AutoCreateVars", &DUvuRarodar::AutoCreateVars, &DUvuRarodar::SetAutoCreateVars);
    b.Event("OnLoadLang", &DUvuRarodar::OnLoadLang, "DUvuRarodarLoadLangProc");
}

DUvuRarodar::DUvuRarodar(TComponent* AOwner)
    : TComponent(AOwner), S(200), C(200), flocalstrings(std::make_unique<TStringList>()) {
    S.SetParent(this);
    C.SetParent(this);
    pformula = &formula;
    fvarname = QStringLiteral("_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    for (const auto& m : kStandardMacros) AddUserConstant(QString::fromLatin1(m[0]), QString::fromLatin1(m[1]));
    flocalstrings->SetNameValueSeparator(QLatin1Char('='));
    RefreshBuiltins();
}

DUvuRarodar::~DUvuRarodar() = default;

void DUvuRarodar::RefreshBuiltins() {
    FormulaTables& t = Tables();
    const quint64 gen = t.generation.load(std::memory_order_acquire);
    if (gen == fbuiltinsgen && fbuiltins) return;
    std::lock_guard<std::mutex> g(t.lock);
    fbuiltins = t.builtins;
    fbuiltinsgen = t.generation.load();
}

const FTableItem& DUvuRarodar::Builtin(int i) const { return (*fbuiltins)[static_cast<size_t>(i)]; }

QString DUvuRarodar::FunctionName() const { return fcurfun ? fcurfun->name : QString(); }

void DUvuRarodar::CheckIdle(const char* what) const {
    if (frunning)
        throw FormulaException(QStringLiteral("%1 is not allowed while the formula is running").arg(QLatin1String(what)));
}

// ---------------------------------------------------------------------------------------------
// Variables

bool DUvuRarodar::SameName(const QString& a, const QString& b) const {
    if (fcasesensitive) return a == b;
    // ASCII folding without building upper-case copies: names are compared on every lookup.
    if (a.size() != b.size()) return false;
    const char16_t* x = reinterpret_cast<const char16_t*>(a.utf16());
    const char16_t* y = reinterpret_cast<const char16_t*>(b.utf16());
    for (qsizetype i = 0; i < a.size(); ++i) {
        char16_t c = x[i], d = y[i];
        if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
        if (d >= u'a' && d <= u'z') d = static_cast<char16_t>(d - 32);
        if (c != d) return false;
    }
    return true;
}

int DUvuRarodar::FindSub(const QString& name) {
    if (fsubindexcase != fcasesensitive || fsubindex.size() > static_cast<qsizetype>(fsubformula.size())) {
        fsubindex.clear();
        fsubindexcase = fcasesensitive;
        for (size_t i = 0; i < fsubformula.size(); ++i) {
            const QString key = fcasesensitive ? fsubformula[i]->name : UpperCase(fsubformula[i]->name);
            if (!fsubindex.contains(key)) fsubindex.insert(key, static_cast<int>(i));
        }
    }
    return fsubindex.value(fcasesensitive ? name : UpperCase(name), -1);
}

DUvuRarodar::VarRef DUvuRarodar::FindVarRef(const QString& name) {
    TArtSubFormula* cur = pformula;
    for (int i = 0; i < cur->varnames.size(); ++i)
        if (SameName(cur->varnames[i], name)) return {cur, i};
    if (cur != &formula)
        for (int i = 0; i < formula.varnames.size(); ++i)
            if (SameName(formula.varnames[i], name)) return {&formula, i};
    return {};
}

int DUvuRarodar::FindVar(const QString& name) {
    const VarRef r = FindVarRef(name);
    if (r.scope != pformula) pformula = &formula;
    return r.index;
}

DUvuRarodar::VarRef DUvuRarodar::NeedVar(const QString& name) {
    const VarRef r = FindVarRef(name);
    if (r.index < 0)
        throw FormulaException(FormulaMessage(cVariable) + QLatin1Char(' ') + name + QLatin1Char(' ') +
                               FormulaMessage(cDoesNotExists));
    return r;
}

PCalcItem DUvuRarodar::GetVar(const QString& name) {
    const VarRef r = NeedVar(name);
    return &r.scope->values[static_cast<size_t>(r.index)];
}

void DUvuRarodar::SetVar(const QString& name, const TCalcItem& value) {
    const VarRef r = FindVarRef(name);
    if (r.index < 0) {
        if (!fautovar) NeedVar(name);
        TArtSubFormula* saved = pformula;
        pformula = &formula;
        try {
            AddVar(name, value);
        } catch (...) {
            pformula = saved;
            throw;
        }
        pformula = saved;
        return;
    }
    TCalcItem copy = value;
    if (copy.typ == fdtgetvar) copy.str = C.TextOf(value), copy.typ = fdtstring;
    r.scope->values[static_cast<size_t>(r.index)] = std::move(copy);
}

PCalcItem DUvuRarodar::IncVar(const QString& name) {
    const VarRef r = NeedVar(name);
    TCalcItem& v = r.scope->values[static_cast<size_t>(r.index)];
    const double n = CheckedFloat2(C.NumberOf(v) + 1, nullptr, 0, 0);
    v.typ = fdtnumber;
    v.data = n;
    v.str.clear();
    return &v;
}

PCalcItem DUvuRarodar::DecVar(const QString& name) {
    const VarRef r = NeedVar(name);
    TCalcItem& v = r.scope->values[static_cast<size_t>(r.index)];
    const double n = CheckedFloat2(C.NumberOf(v) - 1, nullptr, 0, 0);
    v.typ = fdtnumber;
    v.data = n;
    v.str.clear();
    return &v;
}

void DUvuRarodar::AddVar(const QString& name, const TCalcItem& value) {
    if (FindVarRef(name).index >= 0)
        throw FormulaException(FormulaMessage(cVariable) + QLatin1Char(' ') + name + QLatin1Char(' ') +
                               FormulaMessage(cAlreadyExists));
    pformula->varnames.append(name);
    TCalcItem copy = value;
    if (copy.typ == fdtgetvar) copy.str = C.TextOf(value), copy.typ = fdtstring;
    pformula->values.push_back(std::move(copy));
}

bool DUvuRarodar::VarExists(const QString& name) { return FindVarRef(name).index >= 0; }

void DUvuRarodar::StartGetVars(int n) {
    ncnt = n;
    npos = 1;
    gvcnt = -1;
    gvpos = 0;
}

bool DUvuRarodar::GetNextVar(TCalcItem& x, bool wantnumber) {
    if (npos > ncnt) {
        x = TCalcItem();
        return false;
    }
    const TCalcItem& a = C.Item(npos);
    if (a.typ != fdtgetvar) {
        x = a;
        ++npos;
        return npos <= ncnt;
    }
    const QString name = a.str;
    if (gvcnt < 0) {
        if (!GetVarsCount || !GetVarValue) throw FormulaException(FormulaMessage(cGetVarsCountorGetVarValuenotset));
        int count = 0;
        GetVarsCount(name, count, wantnumber);
        if (count == 0)
            throw FormulaException(QLatin1Char('"') + name + QStringLiteral("\" ") + FormulaMessage(cReturnsZeroVars));
        if (count < 0)
            throw FormulaException(QStringLiteral("\"%1\" returns a negative number of values").arg(name));
        ChargeBudget(count);
        gvcnt = count;
        gvpos = count - 1;
    }
    QString v;
    GetVarValue(name, gvpos, v, wantnumber);
    x.typ = fdtstring;
    x.data = 0;
    x.str = v;
    if (--gvpos < 0) {
        gvcnt = -1;
        ++npos;
        return npos <= ncnt;
    }
    return true;
}

QString DUvuRarodar::ExternalValue(const QString& name, int n, bool wantnumber) {
    if (!GetVarValue) throw FormulaException(FormulaMessage(cGetVarValueNotSet));
    QString v;
    GetVarValue(name, n, v, wantnumber);
    return v;
}

void DUvuRarodar::CheckText(qsizetype length) const {
    if (length > ftextbudget)
        throw FormulaException(QStringLiteral("Text longer than the text budget of %1 characters").arg(ftextbudget));
}

void DUvuRarodar::ChargeBudget(qint64 n) {
    if (n > finstrleft) {
        finstrleft = 0;
        throw FormulaException(QStringLiteral("Run exceeds the instruction budget of %1").arg(finstrbudget));
    }
    finstrleft -= n;
}

double DUvuRarodar::NextRandom() { return std::generate_canonical<double, 53>(frandom); }

void DUvuRarodar::Randomize() {
    frandom.seed(static_cast<quint64>(std::chrono::steady_clock::now().time_since_epoch().count()) ^
                 static_cast<quint64>(std::chrono::system_clock::now().time_since_epoch().count()));
}

// ---------------------------------------------------------------------------------------------
// Functions, modules and macros

PTableItem DUvuRarodar::AddUserFunction(const QString& name, int paramcount, pformulafunction fun, PDefArray defval,
                                        bool ismodule, bool replace) {
    AddUserConstant(name, QString(), true);
    const QString upper = UpperCase(name);
    FormulaTables& t = Tables();
    bool builtinTaken = false;
    {
        std::lock_guard<std::mutex> g(t.lock);
        const auto& table = *t.builtins;
        for (size_t i = 0; i < table.size(); ++i) {
            if (table[i].name != upper) continue;
            if (!replace) {
                builtinTaken = true;
                break;
            }
            auto copy = std::make_shared<std::vector<FTableItem>>(table);
            FTableItem& e = (*copy)[i];
            e.name = upper;
            e.paramcount = paramcount;
            e.defvalues = defval;
            e.fun = fun;
            e.module = ismodule;
            t.builtins = copy;
            t.generation.fetch_add(1, std::memory_order_release);
            return &e;
        }
    }
    if (builtinTaken) throw FormulaException(AlreadyDefined(cFunction, name));
    for (auto& f : userfunc) {
        if (f->name != upper) continue;
        if (!replace) throw FormulaException(AlreadyDefined(cUserFunction, name));
        f->name = upper;
        f->paramcount = paramcount;
        f->defvalues = defval;
        f->fun = fun;
        f->module = ismodule;
        return f.get();
    }
    auto e = std::make_shared<FTableItem>();
    e->name = upper;
    e->paramcount = paramcount;
    e->defvalues = defval;
    e->fun = fun;
    e->module = ismodule;
    userfunc.push_back(e);
    return e.get();
}

PTableItem DUvuRarodar::AddModuleFunction(PTableItem module, const QString& name, int paramcount,
                                          pformulafunction fun, bool ismodule, bool replace) {
    if (!module) throw FormulaException(QStringLiteral("No module given for \"%1\"").arg(name));
    AddUserConstant(name, QString(), true);
    const QString upper = UpperCase(name);
    for (auto& f : module->funs) {
        if (f->name != upper) continue;
        if (!replace) throw FormulaException(AlreadyDefined(cFunction, name));
        f->paramcount = paramcount;
        f->fun = fun;
        f->module = ismodule;
        return f.get();
    }
    auto e = std::make_shared<FTableItem>();
    e->name = upper;
    e->paramcount = paramcount;
    e->fun = fun;
    e->module = ismodule;
    module->funs.push_back(e);
    return e.get();
}

void DUvuRarodar::AddUserConstant(const QString& name, const QString& value, bool test) {
    const QString upper = UpperCase(name);
    for (TConstItem& c : ConstTable) {
        if (c.name != upper) continue;
        if (test || !fconstsection) throw FormulaException(AlreadyDefined(cConstant, name));
        c.value = value;
        return;
    }
    if (test) return;
    ConstTable.push_back({upper, value});
}

// ---------------------------------------------------------------------------------------------
// Messages

void DUvuRarodar::LoadLang(const QString& lngfile) {
    TMemIniFile ini(lngfile);
    flocalstrings->Clear();
    ini.ReadSectionValues(QStringLiteral("ZorAzuvide"), *flocalstrings);
    for (int i = 0; i < cFormulaMessageCount; ++i) {
        const auto key = static_cast<TFormulaMessage>(i);
        if (key == cExpectedLeft) continue;
        if (key == cExpectedRight) {
            SetLocalString(QStringLiteral("cExpected"), GetLocalString(QStringLiteral("cExpected"), QStringLiteral("expected")));
            continue;
        }
        SetMessage(key, GetLocalString(QString::fromLatin1(kMessageKeys[i]), QString::fromUtf8(kMessageTexts[i])));
    }
    if (OnLoadLang) OnLoadLang();
}

QString DUvuRarodar::GetLocalString(const QString& name, const QString& defvalue) const {
    const QString v = flocalstrings->Values(name);
    return v.isEmpty() ? defvalue : v;
}

void DUvuRarodar::SetLocalString(const QString& name, const QString& value) {
    if (CompareText(name, QStringLiteral("cExpected")) == 0) {
        SetMessage(cExpectedRight, QStringLiteral("\")\" ") + value);
        SetMessage(cExpectedLeft, QStringLiteral("\"(\" ") + value);
        return;
    }
    for (int i = 0; i < cFormulaMessageCount; ++i)
        if (CompareText(name, QString::fromLatin1(kMessageKeys[i])) == 0) {
            SetMessage(static_cast<TFormulaMessage>(i), value);
            return;
        }
}

void DUvuRarodar::SetLocalStrings(TStrings* value) {
    if (value) flocalstrings->Assign(*value);
    else flocalstrings->Clear();
}

QString DUvuRarodar::ErrorText() const {
    if (!flimitmsg.isEmpty()) return flimitmsg;
    const auto q = [](const QString& s) { return QStringLiteral(" '") + s + QLatin1Char('\''); };
    switch (ferror) {
    case ER_Ok: return QStringLiteral("Ok");
    case ER_ILLEGAL: return FormulaMessage(cIllegalCharacter) + q(QString(fillegal));
    case ER_UNKNOWN: return FormulaMessage(cUnknownIdentifier) + q(tmp);
    case ER_RIGHT: return FormulaMessage(cExpectedRight);
    case ER_LEFT: return FormulaMessage(cExpectedLeft);
    case ER_SYNTAX: return FormulaMessage(cSyntaxError);
    case ER_VARS: return FormulaMessage(cVariableNotUsed);
    case ER_NOTENOUGH: return FormulaMessage(cNotEnoughParameters);
    case ER_IDENT: return FormulaMessage(cIdentifierAlreadyDefined) + q(tmp);
    }
    return QString();
}
