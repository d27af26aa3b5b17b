#pragma once
// The formula component: compiles formulas and small programs of subroutines into a byte code
// kept in a text, and computes that code on a value stack. The scanner, the compiler, the
// interpreter and the registries live in formula*.cpp; the built-in functions in formulaf.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/StringList.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/TypInfo.h"

#include <QHash>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <vector>

KORVEL_EXCEPTION(FormulaException, Exception)

class DUvuRarodar;
class TFormulaCalc;

enum TFormulaDataType { fdtnumber = 0, fdtstring = 1, fdtgetvar = 2 };

struct TCalcItem {
    double data = 0;
    QString str;
    TFormulaDataType typ = fdtnumber;
};
using PCalcItem = TCalcItem*;
using TCalcArray = std::vector<TCalcItem>;
using PCalcArray = TCalcArray*;

// Defaults by parameter position; an entry of type fdtgetvar means "no default".
constexpr int kFormulaMaxDefaults = 256;
using TDefArray = std::array<TCalcItem, kFormulaMaxDefaults>;
using PDefArray = std::shared_ptr<TDefArray>;
// A defaults array whose entries all say "no default".
PDefArray NewDefArray();

using pformulafunction = TCalcItem (*)(TFormulaCalc& calc);

struct FTableItem;
using PTableItem = FTableItem*;
using ATableItem = std::vector<std::shared_ptr<FTableItem>>;

struct FTableItem {
    QString name; // upper case
    int paramcount = 0; // -1: any number
    PDefArray defvalues;
    pformulafunction fun = nullptr;
    bool module = false;
    ATableItem funs; // members of a module
};

using StringArray = QStringList;

struct TConstItem {
    QString name; // upper case
    QString value;
};

struct TArtSubFormula {
    QString name;
    int paramcount = 0;
    StringArray varnames;
    TCalcArray values;
    PDefArray defvalues;
    QString fcompiled;
};
using PArtSubFormula = TArtSubFormula*;
using TArtSFArray = std::vector<std::unique_ptr<TArtSubFormula>>;

enum TFormulaError { ER_Ok, ER_ILLEGAL, ER_UNKNOWN, ER_RIGHT, ER_LEFT, ER_SYNTAX, ER_VARS, ER_NOTENOUGH, ER_IDENT };

// ---------------------------------------------------------------------------------------------
// Process-wide tables: the built-in functions and the message texts. Changing them is guarded;
// every instance sees a change from its next run or compile on.

enum TFormulaMessage {
    cGetVarValueNotSet, cGetVarsCountorGetVarValuenotset, cReturnsZeroVars, cDoesNotExists, cVariable,
    cAlreadyExists, cFunction, cAlreadyDefined, cTooManyFunctionsDefined, cUserFunction,
    cTooManyUserFunctionsDefined, cConstant, cWrongbytecode, cIllegalCharacter, cUnknownIdentifier,
    cExpectedRight, cExpectedLeft, cSyntaxError, cVariableNotUsed, cNotEnoughParameters,
    cIdentifierAlreadyDefined, cFormulaMessageCount
};
QString FormulaMessage(TFormulaMessage key);
// Puts back the built-in functions and the English messages (tests).
void ResetFormulaTables();

// ---------------------------------------------------------------------------------------------

class TFormulaCalc {
public:
    explicit TFormulaCalc(int capacity);

    void Clear() { pos = 0; }
    int Num() const { return pos; }
    DUvuRarodar* Parent() const { return fParent; }
    void SetParent(DUvuRarodar* value) { fParent = value; }

    void Push(const TCalcItem& x);
    void PushN(double x);
    void PushS(const QString& x);
    void Pop(int n = 1);
    double PopN();
    QString PopS();
    double TopN() { return ItemN(0); }
    QString TopS() { return ItemS(0); }
    // The item i places below the top; raises "Wrong bytecode!" below the bottom.
    TCalcItem& Item(int i);
    double ItemN(int i) { return NumberOf(Item(i)); }
    QString ItemS(int i) { return TextOf(Item(i)); }
    // Cuts the stack to n items (n <= Num()).
    void SetNum(int n);

    // Conversions of one item. NumberOf raises EConvertError for a text that is no number.
    double NumberOf(const TCalcItem& x);
    bool TryNumberOf(const TCalcItem& x, double& value);
    QString TextOf(const TCalcItem& x);

    void Plus();
    void PlusS();
    void Minus();
    void Mult();
    void Division();
    void cDiv();
    void cMod();
    void Pow();
    void EQ();
    void NE();
    void LT();
    void LE();
    void GT();
    void GE();
    void Like();
    void cAND();
    void cOR();
    void cXOR();
    void cNOT();
    void bAND();
    void bOR();
    void bXOR();
    void bNOT();
    void bSHL();
    void bSHR();
    void Uminus();

    void DoFunction(const FTableItem& fun, int cnt, bool module, int addcnt);

private:
    friend class DUvuRarodar;
    int Compare(); // -1, 0, 1 of L against R; pops nothing
    void SetTop2(double value); // replaces L and R by a number
    TCalcItem& Raw(int i) { return data[static_cast<size_t>(pos - 1 - i)]; }

    int max;
    int pos = 0;
    TCalcArray data;
    DUvuRarodar* fParent = nullptr;
};

class TFormulaStack {
public:
    explicit TFormulaStack(int capacity);
    void Clear() { pos = 0; }
    int Num() const { return pos; }
    void Push(int code);
    int Pop();
    int Top() const { return pos > 0 ? data[static_cast<size_t>(pos - 1)] : 0; }
    // Removes the top entry (a whole call marker) and appends its byte code to out.
    void PopEx(QString& out);
    // Removes the top entry without emitting it (a call marker counts as one entry).
    void Drop();
    DUvuRarodar* Parent() const { return fParent; }
    void SetParent(DUvuRarodar* value) { fParent = value; }

private:
    friend class DUvuRarodar;
    int max;
    int pos = 0;
    std::vector<quint16> data;
    DUvuRarodar* fParent = nullptr;
};

// ---------------------------------------------------------------------------------------------

class DUvuRarodar : public TComponent {
    KORVEL_CLASS(DUvuRarodar, TComponent)
public:
    using DUvuRarodarGetVarProc = std::function<void(const QString& Vname, int n, QString& Val, bool wantnumber)>;
    using DUvuRarodarGetVarsCountProc = std::function<void(const QString& Vname, int& count, bool wantnumber)>;
    using DUvuRarodarStepProc = std::function<void(DUvuRarodar* AF)>;
    using DUvuRarodarLoadLangProc = std::function<void()>;

    explicit DUvuRarodar(TComponent* AOwner = nullptr);
    ~DUvuRarodar() override;

    // Formulas
    bool Test(const QString& instr, int num = 0, const StringArray& vars = {});
    QString Compile(const QString& instr, int num = 0, const StringArray& vars = {});
    double ComputeN(int num = 0, PCalcArray vals = nullptr);
    QString Compute(int num = 0, PCalcArray vals = nullptr);
    double ComputeStrN(const QString& instr, int num = 0, const StringArray& vars = {}, PCalcArray vals = nullptr);
    QString ComputeStr(const QString& instr, int num = 0, const StringArray& vars = {}, PCalcArray vals = nullptr);
    QString Compiled() const { return formula.fcompiled; }
    // Installs a code compiled earlier with the same variables; a code that does not verify
    // raises "Wrong bytecode!" and changes nothing.
    void SetCompiled(const QString& value);

    // Programs
    void CompileProgram(const QString& instr);
    QString RunSub(const QString& name, PCalcArray vals);
    QString RunSub(int idx, PCalcArray vals);

    // Variables
    int FindVar(const QString& name);
    PCalcItem GetVar(const QString& name);
    void SetVar(const QString& name, const TCalcItem& value);
    PCalcItem IncVar(const QString& name);
    PCalcItem DecVar(const QString& name);
    void AddVar(const QString& name, const TCalcItem& value);
    void StartGetVars(int n);
    bool GetNextVar(TCalcItem& x, bool wantnumber);
    // EXISTS: whether name is a variable of the current or the global scope.
    bool VarExists(const QString& name);

    // Functions, modules, macros
    PTableItem AddUserFunction(const QString& name, int paramcount, pformulafunction fun, PDefArray defval = nullptr,
                               bool ismodule = false, bool replace = false);
    PTableItem AddModuleFunction(PTableItem module, const QString& name, int paramcount, pformulafunction fun,
                                 bool ismodule = false, bool replace = false);
    void AddUserConstant(const QString& name, const QString& value, bool test = false);

    // Messages
    void LoadLang(const QString& lngfile);
    QString GetLocalString(const QString& name, const QString& defvalue) const;
    void SetLocalString(const QString& name, const QString& value);
    TStrings* LocalStrings() const { return flocalstrings.get(); }
    void SetLocalStrings(TStrings* value);
    QString ErrorText() const;

    // Published properties
    bool UnQuotedString() const { return funquotedstring; }
    void SetUnQuotedString(bool v) { funquotedstring = v; }
    bool TestUsedVars() const { return ftestused; }
    void SetTestUsedVars(bool v) { ftestused = v; }
    bool CaseSensitive() const { return fcasesensitive; }
    void SetCaseSensitive(bool v) { fcasesensitive = v; }
    bool Step() const { return fstep; }
    void SetStep(bool v) { fstep = v; }
    bool StoreLines() const { return flines; }
    void SetStoreLines(bool v) { flines = v; }
    bool CaseSensitiveString() const { return fcasesensitivestring; }
    void SetCaseSensitiveString(bool v) { fcasesensitivestring = v; }
    bool ExternGetVar() const { return fexgetvar; }
    void SetExternGetVar(bool v) { fexgetvar = v; }
    QString VarNameLiterals() const { return fvarname; }
    void SetVarNameLiterals(const QString& v) { fvarname = v; }
    bool NoLeadingZero() const { return fnozero; }
    void SetNoLeadingZero(bool v) { fnozero = v; }
    bool ZeroEmptyString() const { return fzero; }
    void SetZeroEmptyString(bool v) { fzero = v; }
    bool AutoCreateVars() const { return fautovar; }
    void SetAutoCreateVars(bool v) { fautovar = v; }
    const TArtSFArray& SubFormula() const { return fsubformula; }

    DUvuRarodarGetVarProc GetVarValue;
    DUvuRarodarGetVarsCountProc GetVarsCount;
    DUvuRarodarStepProc OnStep;
    DUvuRarodarLoadLangProc OnLoadLang;

    // Public, not stored
    TFormulaCalc& Calc() { return C; }
    TFormulaError Error() const { return ferror; }
    int ErrPos() const { return spos + soffset + xsoffset; }
    int ErrLine() const { return lines + xlines; }
    int ErrStrPos() const { return xoffset + pos + offset; }
    void SetStop(bool v) { fstop = v; }
    QString FunctionName() const;
    QString ModuleName() const { return fmodulename; }
    int ParamCount() const { return fparamcount; }
    TArtSubFormula& Global() { return formula; }
    PArtSubFormula Subroutine() const { return pformula; }

    // Budgets set by the host: instructions per run (external values delivered count too) and
    // the longest text a run may build. Going over raises FormulaException naming the budget.
    qint64 InstructionBudget() const { return finstrbudget; }
    void SetInstructionBudget(qint64 v) { finstrbudget = v; }
    int TextBudget() const { return ftextbudget; }
    void SetTextBudget(int v) { ftextbudget = v; }
    static constexpr qint64 kDefaultInstructionBudget = 1000000000;
    static constexpr int kDefaultTextBudget = 64 * 1024 * 1024;
    static constexpr int kMaxNesting = 256;   // brackets, calls and statements inside each other
    static constexpr int kMaxCallDepth = 1000; // subroutine calls inside each other
    static constexpr int kMaxMacroDepth = 64;  // macros expanding inside each other

    // The generator behind RND and RANDOMIZE.
    void SetRandSeed(quint64 seed) { frandom.seed(seed); }
    double NextRandom();
    void Randomize();

    // Used by the built-ins and the value stack.
    void CheckText(qsizetype length) const;
    void ChargeBudget(qint64 n);
    QString ExternalValue(const QString& name, int n, bool wantnumber);
    void SetFunction(const FTableItem* f) { fcurfun = f; }
    bool CaseSensitiveStrings() const { return fcasesensitivestring; }
    bool ZeroEmpty() const { return fzero; }

private:
    friend class TFormulaCalc;
    struct ScanFrame {
        QString text;
        int idx = 0;
    };
    struct ScanState {
        std::vector<ScanFrame> frames;
        int pos, spos, lines, offset, soffset, xsoffset;
    };
    struct CallEntry {
        int paramcount = 0;
        PDefArray defs;
        bool module = false;
        const ATableItem* funs = nullptr;
    };

    // Scanner
    int NextToken(bool peek = false, bool textmode = false, bool nolookup = false, bool follower = false);
    int LookupName(const QString& text);
    QChar Cur() const;
    QChar Ahead() const; // the character after the current one
    void Advance();
    bool AtEnd() const;
    ScanState SaveScan() const;
    void RestoreScan(const ScanState& s);
    void StartScan(const QString& text);
    void ExpandMacro(const QString& ident, const QString& text);
    bool FollowerIs(int code);
    QString RawToLineEnd();

    // Compiler
    int CompileExpression();
    int CompilePart(int barrier);
    int CompileArguments(const CallEntry& entry, int moduleIndex, QString prefix);
    int CompileMember(int addcnt, int moduleIndex, QString prefix, const ATableItem* funs);
    int CompileVarByName();
    int CompileStatement(int t);
    void PopUntil(int barrier);
    void EmitLineMarker();
    void EmitNumber(double v);
    void EmitText(const QString& s);
    void EmitInt32(qint32 v);
    void PatchInt32(int at, qint32 v);
    bool SetError(TFormulaError e);
    [[noreturn]] void LimitError(const QString& text);
    bool DoTest(const QString& instr, int num, const StringArray& vars, bool body);
    void RaiseCompileError();

    // Programs
    void ClearProgram();
    void ProgramSub(int& t);
    void ProgramConst(int& t);
    void ProgramGlobal(int& t);
    void RequireProgram(bool ok, TFormulaError e);

    // Interpreter
    void RunCode(const QString& code, int argc, TCalcItem* argv);
    void RunTop(const QString& code, int argc, TCalcItem* argv);
    bool RunNumeric(const QString& code, int argc, TCalcItem* argv);
    void PlanNumeric(const QString& code);
    void VerifyCode(const QString& code, const TArtSubFormula& scope) const;
    [[noreturn]] void WrongCode() const;
    void RefreshBuiltins();
    void CheckIdle(const char* what) const;
    const FTableItem& Builtin(int i) const;

    // Variables
    struct VarRef {
        TArtSubFormula* scope = nullptr;
        int index = -1;
    };
    VarRef FindVarRef(const QString& name);
    VarRef NeedVar(const QString& name);
    bool SameName(const QString& a, const QString& b) const;
    int FindSub(const QString& name); // -1 when there is none

    // State (see the component's description)
    int offset = 0, soffset = 0, xoffset = 0, xsoffset = 0, xlines = 0, pos = 1, spos = 1, lines = 1;
    TFormulaError ferror = ER_Ok;
    bool fstop = false, fstep = false, flines = false, fexsyntax = false, fexgetvar = false, fautovar = false;
    bool ftestused = false, fcasesensitive = false, fcasesensitivestring = true, funquotedstring = false;
    bool fnozero = false, fzero = false;
    QString fvarname;
    const FTableItem* fcurfun = nullptr;
    QString fmodulename;
    int fparamcount = 0;
    TFormulaStack S;
    TFormulaCalc C;
    QString input, temp, tmp;
    int tc = 0;
    TArtSubFormula formula;
    PArtSubFormula pformula = nullptr;
    double data = 0;
    int ncnt = 0, gvcnt = -1, gvpos = 0, npos = 0;
    TArtSFArray fsubformula;
    QHash<QString, int> fsubindex; // subroutine by name (upper case unless CaseSensitive)
    bool fsubindexcase = false;
    std::vector<bool> usedvars;
    ATableItem userfunc;
    std::vector<TConstItem> ConstTable;
    std::unique_ptr<TStringList> flocalstrings;

    // Mine
    std::vector<ScanFrame> frames;
    bool fconstsection = false;
    bool fkeyword = false; // the last 220/222 token was the keyword, not a name
    QChar fillegal;
    QString flimitmsg; // a compile limit that was hit
    int fnesting = 0;
    qint64 fexpanded = 0; // macro text read in this compile
    qint64 fexpandlimit = 0;
    int fcalldepth = 0;
    bool frunning = false;
    qint64 finstrbudget = kDefaultInstructionBudget;
    qint64 finstrleft = 0;
    int ftextbudget = kDefaultTextBudget;
    const ATableItem* fcurlist = nullptr;
    std::shared_ptr<const std::vector<FTableItem>> fbuiltins;
    quint64 fbuiltinsgen = ~quint64(0);
    std::mt19937_64 frandom{5489u};

    // A formula of numbers, parameters, arithmetic and one-argument math built-ins runs on a plain
    // double stack with the same checks and errors as the interpreter; anything else takes the interpreter.
    struct NumericOp {
        // The right operand of a binary operator comes from the stack (S), a parameter (P) or a constant (C).
        enum Kind : quint8 { Param, Const, AddS, SubS, MulS, DivS, PowS, AddP, SubP, MulP, DivP, PowP,
                             AddC, SubC, MulC, DivC, PowC, Neg, Call } kind;
        int index = 0;
        double value = 0;
        double (*fn)(double) = nullptr;
        const FTableItem* entry = nullptr;
    };
    struct NumericPlan {
        QString code; // keeps the planned buffer alive, so its address identifies it
        quint64 builtinsgen = 0;
        bool usable = false;
        int depth = 0;
        std::vector<NumericOp> ops;
        qint64 instructions = 0;
    };
    NumericPlan fnumplan;
};
