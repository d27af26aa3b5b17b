// The expression compiler and the program compiler: tokens to postfix byte code.

#include "formula/formula.h"

#include "formula/formulaf.h"
#include "platform/rtl/TextCase.h"

#include <cstring>

namespace {

int Binding(int code) {
    switch (code) {
    case 245: case 248: case 234: return 1;
    case '^': return 2;
    case '!': case 225: case 251: return 3;
    case '*': case '/': case '\\': case '%': case '&': case 226: case 229: case 230: return 4;
    case '+': case '-': case '@': return 5;
    case '|': case 227: case 228: case 247: return 6;
    case '<': case '=': case '>': case 223: case 249: case 250: case 252: return 7;
    case '(': case ')': return 8;
    default: return 100;
    }
}

bool IsBinary(int t) {
    switch (t) {
    case '%': case '&': case '*': case '+': case '-': case '/': case '<': case '=': case '>': case '@':
    case '\\': case '^': case '|': case 223: case 226: case 227: case 228: case 229: case 230: case 247:
    case 249: case 250: case 252:
        return true;
    default: return false;
    }
}

struct NestingGuard {
    int& depth;
    explicit NestingGuard(int& d) : depth(d) { ++depth; }
    ~NestingGuard() { --depth; }
};

} // namespace

// ---------------------------------------------------------------------------------------------
// The compile stack

TFormulaStack::TFormulaStack(int capacity) : max(capacity), data(static_cast<size_t>(capacity)) {}

void TFormulaStack::Push(int code) {
    if (pos >= max) {
        max += 200;
        data.resize(static_cast<size_t>(max));
    }
    data[static_cast<size_t>(pos++)] = static_cast<quint16>(code);
}

int TFormulaStack::Pop() { return pos > 0 ? data[static_cast<size_t>(--pos)] : 0; }

void TFormulaStack::PopEx(QString& out) {
    const int code = Pop();
    if (code == 220 || code == 245 || code == 248) {
        const int index = Pop();
        const int count = Pop();
        out += QChar(static_cast<char16_t>(code));
        out += QChar(static_cast<char16_t>(index));
        out += QChar(static_cast<char16_t>(count));
    } else if (code == 234) {
        const int index = Pop();
        const int addcnt = Pop();
        const int cnt = Pop();
        out += QChar(char16_t(234));
        out += QChar(static_cast<char16_t>(index));
        out += QChar(static_cast<char16_t>(addcnt));
        out += QChar(static_cast<char16_t>(cnt));
    } else if (code != 0) {
        out += QChar(static_cast<char16_t>(code));
    }
}

void TFormulaStack::Drop() {
    const int code = Pop();
    if (code == 220 || code == 245 || code == 248) pos = std::max(0, pos - 2);
    else if (code == 234) pos = std::max(0, pos - 3);
}

// ---------------------------------------------------------------------------------------------
// Emitting

void DUvuRarodar::EmitInt32(qint32 v) {
    const auto u = static_cast<quint32>(v);
    temp += QChar(static_cast<char16_t>(u & 0xFFFF));
    temp += QChar(static_cast<char16_t>(u >> 16));
}

void DUvuRarodar::PatchInt32(int at, qint32 v) {
    const auto u = static_cast<quint32>(v);
    temp[at] = QChar(static_cast<char16_t>(u & 0xFFFF));
    temp[at + 1] = QChar(static_cast<char16_t>(u >> 16));
}

void DUvuRarodar::EmitNumber(double v) {
    quint64 bits;
    std::memcpy(&bits, &v, sizeof bits);
    temp += QChar(char16_t(254));
    for (int i = 0; i < 4; ++i) temp += QChar(static_cast<char16_t>((bits >> (16 * i)) & 0xFFFF));
}

void DUvuRarodar::EmitText(const QString& s) {
    temp += QChar(char16_t(246));
    EmitInt32(static_cast<qint32>(s.size()));
    temp += s;
}

void DUvuRarodar::EmitLineMarker() {
    if (!flines) return;
    temp += QChar(char16_t(219));
    EmitInt32(ErrLine());
}

bool DUvuRarodar::SetError(TFormulaError e) {
    if (ferror == ER_Ok) ferror = e;
    return false;
}

void DUvuRarodar::PopUntil(int barrier) {
    while (S.Num() > 0 && S.Top() != barrier) S.PopEx(temp);
    S.Pop();
}

int DUvuRarodar::CompilePart(int barrier) {
    S.Push(barrier);
    const int t = CompileExpression();
    PopUntil(barrier);
    return t;
}

// ---------------------------------------------------------------------------------------------
// Expressions

int DUvuRarodar::CompileExpression() {
    NestingGuard guard(fnesting);
    if (fnesting > kMaxNesting) LimitError(QStringLiteral("Formula nested deeper than %1 levels").arg(kMaxNesting));
    int t = NextToken();
    if (t == 255) return 0;
    for (;;) {
        if (t == '+') t = NextToken();
        switch (t) {
        case 254:
            EmitNumber(data);
            EmitLineMarker();
            t = NextToken();
            break;
        case 246:
            EmitText(tmp);
            EmitLineMarker();
            t = NextToken();
            break;
        case 253:
        case 222:
            if (fkeyword) return 0;
            temp += QChar(static_cast<char16_t>(t));
            temp += QChar(static_cast<char16_t>(static_cast<int>(data)));
            EmitLineMarker();
            t = NextToken();
            break;
        case 231:
            temp += QChar(char16_t(231));
            EmitInt32(static_cast<qint32>(tmp.size()));
            temp += tmp;
            EmitLineMarker();
            t = NextToken();
            break;
        case '!':
        case 225:
        case '-':
            // The operand and everything binding to it follow; the operator waits on the stack.
            S.Push(t == '-' ? 251 : t);
            t = NextToken();
            if (t == 255) return 0;
            continue;
        case '(': {
            S.Push('(');
            const int r = CompileExpression();
            if (r != ')') return SetError(ER_RIGHT), 0;
            PopUntil('(');
            t = NextToken();
            break;
        }
        case 245:
        case 248:
        case 220: {
            if (fkeyword) return 0;
            const int index = static_cast<int>(data);
            CallEntry e;
            if (t == 245) {
                const FTableItem& f = Builtin(index);
                e = {f.paramcount, f.defvalues, f.module, &f.funs};
            } else if (t == 248) {
                const FTableItem& f = *userfunc[static_cast<size_t>(index)];
                e = {f.paramcount, f.defvalues, f.module, &f.funs};
            } else {
                const TArtSubFormula& f = *fsubformula[static_cast<size_t>(index)];
                e = {f.paramcount, f.defvalues, false, nullptr};
            }
            EmitLineMarker();
            S.Push(e.paramcount);
            S.Push(index);
            S.Push(t);
            t = CompileArguments(e, index, QString());
            if (t == 0) return 0;
            break;
        }
        case 224: {
            if (NextToken() != '(') return SetError(ER_LEFT), 0;
            const int r = CompilePart('(');
            if (r != ')') return SetError(ER_RIGHT), 0;
            temp += QChar(char16_t(224));
            t = NextToken();
            break;
        }
        case 36:
            t = CompileVarByName();
            if (t == 0) return 0;
            break;
        case 244:
        case 243:
        case 239:
        case 238:
            t = CompileStatement(t);
            if (t == 0) return 0;
            break;
        default: return 0;
        }
        // Tail: a binary operator continues the expression.
        if (t == 255) return 255;
        if (!IsBinary(t)) return t;
        while (S.Num() > 0 && Binding(t) >= Binding(S.Top())) S.PopEx(temp);
        S.Push(t);
        t = NextToken();
        if (t == 255) return 0;
    }
}

int DUvuRarodar::CompileArguments(const CallEntry& entry, int moduleIndex, QString prefix) {
    NestingGuard guard(fnesting);
    if (fnesting > kMaxNesting) LimitError(QStringLiteral("Formula nested deeper than %1 levels").arg(kMaxNesting));
    int t = NextToken();
    if (t == 0) return 0;
    if (entry.module && t == '.') {
        S.Drop();
        return CompileMember(0, moduleIndex, prefix, entry.funs);
    }
    if (entry.paramcount == 0) {
        if (t == '(') {
            t = NextToken();
            if (t != ')') return SetError(ER_RIGHT), 0;
            t = NextToken();
        }
        temp += prefix;
        S.PopEx(temp);
        if (t != '.') return t;
        // The module's result is the first of the items the member call replaces.
        return CompileMember(1, moduleIndex, prefix, entry.funs);
    }
    if (t != '(') return SetError(ER_LEFT), 0;
    S.Push('(');
    auto emitDefault = [&](int k) -> bool {
        if (!entry.defs || k > kFormulaMaxDefaults) return SetError(ER_NOTENOUGH);
        const TCalcItem& d = (*entry.defs)[static_cast<size_t>(k - 1)];
        if (d.typ == fdtgetvar) return SetError(ER_NOTENOUGH);
        if (d.typ == fdtstring) EmitText(d.str);
        else EmitNumber(d.data);
        EmitLineMarker();
        return true;
    };
    int term = 0;
    if (entry.paramcount > 0) {
        bool closed = false;
        for (int k = 1; k <= entry.paramcount; ++k) {
            S.Push(',');
            const int u = closed ? ')' : NextToken(true);
            if (u == ',' || u == ')') {
                if (!emitDefault(k)) return 0;
                if (!closed) {
                    NextToken();
                    term = u;
                    closed = u == ')';
                }
            } else {
                const int r = CompileExpression();
                if (r == 0) return 0;
                term = r;
                closed = r == ')';
            }
            PopUntil(',');
            if (term != ',' && term != ')' && k < entry.paramcount) return SetError(ER_NOTENOUGH), 0;
        }
    } else {
        int count = 0;
        if (NextToken(true) == ')') {
            NextToken();
            term = ')';
        } else {
            for (;;) {
                S.Push(',');
                const int u = NextToken(true);
                if (u == ',' || u == ')') {
                    if (!emitDefault(count + 1)) return 0;
                    NextToken();
                    term = u;
                } else {
                    const int r = CompileExpression();
                    if (r == 0) return 0;
                    term = r;
                }
                PopUntil(',');
                ++count;
                if (term != ',') break;
            }
        }
        EmitNumber(count);
        EmitLineMarker();
    }
    if (term != ')') return SetError(ER_RIGHT), 0;
    PopUntil('(');
    temp += prefix;
    S.PopEx(temp);
    t = NextToken();
    if (t != '.') return t;
    return CompileMember(1, moduleIndex, prefix, entry.funs);
}

int DUvuRarodar::CompileMember(int addcnt, int moduleIndex, QString prefix, const ATableItem* funs) {
    const int t = NextToken(false, false, true);
    if (t != 235) return SetError(ER_SYNTAX), 0;
    QString name = tmp;
    if (!funs || funs->empty()) return SetError(ER_UNKNOWN), 0;
    const int after = NextToken(true, false, true);
    if (after == 240) name = QStringLiteral("set") + name;
    const QString upper = UpperCase(name);
    int index = -1;
    for (size_t i = 0; i < funs->size(); ++i)
        if ((*funs)[i]->name == upper) {
            index = static_cast<int>(i);
            break;
        }
    if (index < 0) {
        tmp = name;
        return SetError(ER_UNKNOWN), 0;
    }
    const FTableItem& member = *(*funs)[static_cast<size_t>(index)];
    S.Push(member.paramcount);
    S.Push(addcnt);
    S.Push(index);
    S.Push(234);
    prefix += QChar(char16_t(prefix.isEmpty() ? 233 : 232));
    prefix += QChar(static_cast<char16_t>(moduleIndex));
    if (after == '(' || after == '.') {
        CallEntry e{member.paramcount, member.defvalues, member.module, &member.funs};
        return CompileArguments(e, index, prefix);
    }
    if (after == 240) {
        NextToken();
        if (member.paramcount != 1) return SetError(ER_SYNTAX), 0;
        const int r = CompilePart('(');
        if (r == 0) return 0;
        temp += prefix;
        S.PopEx(temp);
        return r;
    }
    if (member.paramcount != 0) return SetError(ER_SYNTAX), 0;
    temp += prefix;
    S.PopEx(temp);
    return NextToken();
}

int DUvuRarodar::CompileVarByName() {
    int u = NextToken(false, true);
    int next;
    if ((u == 253 || u == 246 || u == 231 || u == 222) && !fkeyword) {
        EmitText(tmp);
        EmitLineMarker();
        next = NextToken();
        if (next == '[') {
            for (;;) {
                const int r = CompilePart('(');
                if (r == ',') {
                    temp += QChar(char16_t('@'));
                    EmitText(QStringLiteral("_"));
                    temp += QChar(char16_t('@'));
                    continue;
                }
                if (r == ']') {
                    temp += QChar(char16_t('@'));
                    break;
                }
                return SetError(ER_SYNTAX), 0;
            }
            next = NextToken();
        }
    } else {
        if (u != '(') return SetError(ER_SYNTAX), 0;
        const int r = CompilePart('(');
        if (r != ')') return SetError(ER_RIGHT), 0;
        next = NextToken();
    }
    auto call = [&](int index, int count) {
        temp += QChar(char16_t(245));
        temp += QChar(static_cast<char16_t>(index));
        temp += QChar(static_cast<char16_t>(count));
    };
    if (next == 237) {
        call(fbINC, 1);
        next = NextToken();
    } else if (next == 236) {
        call(fbDEC, 1);
        next = NextToken();
    } else if (next == 240) {
        next = CompilePart('(');
        if (next == 0) return 0;
        call(fbSET, 2);
    } else {
        call(fbVAL, 1);
    }
    EmitLineMarker();
    return next;
}

int DUvuRarodar::CompileStatement(int t) {
    NestingGuard guard(fnesting);
    if (fnesting > kMaxNesting) LimitError(QStringLiteral("Formula nested deeper than %1 levels").arg(kMaxNesting));
    if (NextToken() != '(') return SetError(ER_LEFT), 0;
    auto expect = [&](int got, int want, TFormulaError e) {
        if (got == want) return true;
        if (got != 0) SetError(e);
        return false;
    };
    auto jump = [&](int code) {
        temp += QChar(static_cast<char16_t>(code));
        const int at = static_cast<int>(temp.size());
        EmitInt32(0);
        return at;
    };
    auto here = [&] { return static_cast<qint32>(temp.size()); };
    switch (t) {
    case 244: { // CONDITION(c, a, b)
        if (!expect(CompilePart('('), ',', ER_NOTENOUGH)) return 0;
        const int toElse = jump(244);
        EmitLineMarker();
        if (!expect(CompilePart(','), ',', ER_NOTENOUGH)) return 0;
        const int toEnd = jump(242);
        PatchInt32(toElse, here());
        EmitLineMarker();
        if (!expect(CompilePart(','), ')', ER_RIGHT)) return 0;
        PatchInt32(toEnd, here());
        break;
    }
    case 243: { // LOOP(c, s)
        EmitNumber(-1);
        const qint32 top = here();
        EmitNumber(1);
        temp += QChar(char16_t('+'));
        if (!expect(CompilePart('('), ',', ER_NOTENOUGH)) return 0;
        const int toExit = jump(244);
        EmitLineMarker();
        if (!expect(CompilePart(','), ')', ER_RIGHT)) return 0;
        temp += QChar(char16_t(241));
        PatchInt32(jump(242), top);
        PatchInt32(toExit, here());
        EmitLineMarker();
        break;
    }
    case 239: { // TILL(s, c)
        EmitNumber(0);
        const qint32 top = here();
        EmitNumber(1);
        temp += QChar(char16_t('+'));
        EmitLineMarker();
        if (!expect(CompilePart('('), ',', ER_NOTENOUGH)) return 0;
        temp += QChar(char16_t(241));
        EmitLineMarker();
        if (!expect(CompilePart(','), ')', ER_RIGHT)) return 0;
        PatchInt32(jump(244), top);
        EmitLineMarker();
        break;
    }
    case 238: { // SERIES(i, c, n, s)
        if (!expect(CompilePart('('), ',', ER_NOTENOUGH)) return 0;
        temp += QChar(char16_t(241));
        EmitNumber(-1);
        const qint32 top = here();
        EmitNumber(1);
        temp += QChar(char16_t('+'));
        EmitLineMarker();
        if (!expect(CompilePart(','), ',', ER_NOTENOUGH)) return 0;
        const int toExit = jump(244);
        const int toBody = jump(242);
        const qint32 next = here();
        EmitLineMarker();
        if (!expect(CompilePart(','), ',', ER_NOTENOUGH)) return 0;
        temp += QChar(char16_t(241));
        PatchInt32(jump(242), top);
        PatchInt32(toBody, here());
        EmitLineMarker();
        if (!expect(CompilePart(','), ')', ER_RIGHT)) return 0;
        temp += QChar(char16_t(241));
        PatchInt32(jump(242), next);
        PatchInt32(toExit, here());
        EmitLineMarker();
        break;
    }
    }
    return NextToken();
}

// ---------------------------------------------------------------------------------------------
// Formulas

bool DUvuRarodar::DoTest(const QString& instr, int num, const StringArray& vars, bool body) {
    RefreshBuiltins();
    pformula->fcompiled.clear();
    if (num < 0 || num > vars.size()) throw FormulaException(QStringLiteral("Fewer variable names than %1").arg(num));
    if (num > 65535) throw FormulaException(QStringLiteral("A formula takes at most 65535 variables"));
    if (!body) {
        pformula->varnames = vars.mid(0, num);
        pformula->values.assign(static_cast<size_t>(num), TCalcItem());
        usedvars.assign(static_cast<size_t>(num), false);
        StartScan(instr);
        pos = spos = lines = 1;
        soffset = offset = 0;
        xoffset = xsoffset = xlines = 0;
    }
    pformula->paramcount = num;
    temp.clear();
    flimitmsg.clear();
    ferror = ER_Ok;
    fnesting = 0;
    EmitLineMarker();
    const bool savedMode = fexsyntax;
    if (!body) fexsyntax = false;
    int t = 0;
    try {
        t = CompileExpression();
    } catch (const FormulaException&) {
        fexsyntax = savedMode;
        if (flimitmsg.isEmpty()) throw;
        temp.clear();
        return false;
    }
    fexsyntax = savedMode;
    if (t != 255) {
        const bool bodyEnd = fexsyntax && (t == ',' || ((t == 220 || t == 221 || t == 222) && fkeyword));
        if (!bodyEnd) {
            SetError(ER_SYNTAX);
            temp.clear();
            return false;
        }
    }
    while (S.Num() > 0) S.PopEx(temp);
    if (ftestused && !fexsyntax)
        for (bool used : usedvars)
            if (!used) {
                ferror = ER_VARS;
                temp.clear();
                return false;
            }
    tc = t;
    if (temp.isEmpty() || ferror != ER_Ok) {
        SetError(ER_SYNTAX);
        return false;
    }
    return true;
}

bool DUvuRarodar::Test(const QString& instr, int num, const StringArray& vars) {
    CheckIdle("Test");
    S.Clear();
    const bool ok = DoTest(instr, num, vars, false);
    pformula->fcompiled.clear();
    return ok;
}

void DUvuRarodar::RaiseCompileError() {
    const QString text = ErrorText();
    throw FormulaException(text);
}

QString DUvuRarodar::Compile(const QString& instr, int num, const StringArray& vars) {
    CheckIdle("Compile");
    S.Clear();
    C.Clear();
    pformula = &formula;
    if (!DoTest(instr, num, vars, false)) {
        formula.fcompiled.clear();
        RaiseCompileError();
    }
    formula.fcompiled = temp + QChar(char16_t(224));
    return formula.fcompiled;
}

double DUvuRarodar::ComputeStrN(const QString& instr, int num, const StringArray& vars, PCalcArray vals) {
    Compile(instr, num, vars);
    return ComputeN(num, vals);
}

QString DUvuRarodar::ComputeStr(const QString& instr, int num, const StringArray& vars, PCalcArray vals) {
    Compile(instr, num, vars);
    return Compute(num, vals);
}

// ---------------------------------------------------------------------------------------------
// Programs

void DUvuRarodar::RequireProgram(bool ok, TFormulaError e) {
    if (ok) return;
    SetError(e);
    RaiseCompileError();
}

void DUvuRarodar::ClearProgram() {
    fsubformula.clear();
    fsubindex.clear();
    formula.varnames.clear();
    formula.values.clear();
    formula.defvalues.reset();
    formula.paramcount = 0;
    formula.fcompiled.clear();
    pformula = &formula;
}

void DUvuRarodar::CompileProgram(const QString& instr) {
    CheckIdle("CompileProgram");
    RefreshBuiltins();
    xoffset = xsoffset = xlines = 0;
    pos = spos = lines = 1;
    offset = soffset = 0;
    flimitmsg.clear();
    ferror = ER_Ok;
    StartScan(instr);
    ClearProgram();
    usedvars.clear();
    struct Restore {
        DUvuRarodar* f;
        ~Restore() {
            f->fexsyntax = false;
            f->fconstsection = false;
            f->pformula = &f->formula;
        }
    } restore{this};
    try {
        int t = NextToken();
        while (t != 255) {
            if (t == 0) RaiseCompileError();
            if (t == 220 && fkeyword) ProgramSub(t);
            else if (t == 221 && fkeyword) ProgramConst(t);
            else if (t == 222 && fkeyword) ProgramGlobal(t);
            else RequireProgram(false, ER_SYNTAX);
        }
    } catch (const FormulaException&) {
        if (ferror == ER_Ok) ferror = ER_SYNTAX;
        throw;
    }
}

void DUvuRarodar::ProgramSub(int& t) {
    pformula = &formula;
    RequireProgram(NextToken(false, false, true) == 235, ER_SYNTAX);
    RequireProgram(LookupName(tmp) == 235, ER_IDENT);
    auto sub = std::make_unique<TArtSubFormula>();
    sub->name = tmp;
    TArtSubFormula* s = sub.get();
    fsubformula.push_back(std::move(sub));
    fsubindexcase = fcasesensitive;
    const QString key = fcasesensitive ? s->name : UpperCase(s->name);
    if (!fsubindex.contains(key)) fsubindex.insert(key, static_cast<int>(fsubformula.size()) - 1);
    pformula = s;
    if (NextToken(true) == '(') {
        NextToken();
        for (;;) {
            int u = NextToken(false, false, true);
            if (u == ')') break;
            RequireProgram(u == 235, ER_SYNTAX);
            RequireProgram(LookupName(tmp) == 235, ER_IDENT);
            if (s->paramcount >= kFormulaMaxDefaults)
                LimitError(QStringLiteral("A subroutine takes at most %1 parameters").arg(kFormulaMaxDefaults));
            s->varnames.append(tmp);
            s->values.emplace_back();
            if (!s->defvalues) s->defvalues = NewDefArray();
            const int k = s->paramcount++;
            u = NextToken(true);
            if (u == '=') {
                NextToken();
                u = NextToken(false, false, true);
                RequireProgram(u == 254 || u == 246, ER_SYNTAX);
                TCalcItem& d = (*s->defvalues)[static_cast<size_t>(k)];
                if (u == 254) d = TCalcItem{data, QString(), fdtnumber};
                else d = TCalcItem{0, tmp, fdtstring};
                u = NextToken(true);
            }
            if (u == ',') NextToken();
        }
    }
    // The body is read again from the source, so its macros are replaced anew.
    S.Clear();
    C.Clear();
    fexsyntax = true;
    if (frames.size() > 1) {
        const int base = frames.front().idx;
        frames.resize(1);
        pos = base + 1;
        offset = 0;
        spos += soffset;
        soffset = 0;
    }
    const StringArray names = s->varnames;
    if (!DoTest(QString(), s->paramcount, names, true)) RaiseCompileError();
    fexsyntax = false;
    s->fcompiled = temp + QChar(char16_t(224));
    t = tc;
    pformula = &formula;
    if (t == ',') t = NextToken();
}

void DUvuRarodar::ProgramConst(int& t) {
    pformula = &formula;
    fexsyntax = true;
    fconstsection = true;
    for (;;) {
        const ScanState before = SaveScan();
        t = NextToken(false, false, true);
        if (t != 235) break;
        const QString name = tmp;
        while (!AtEnd() && (Cur() == QLatin1Char(' ') || Cur() == QLatin1Char('\t'))) Advance();
        if (Cur() != QLatin1Char('=')) {
            // A macro such as PROCEDURE ends the section and is read again with macros on.
            bool isMacro = false;
            for (const TConstItem& m : ConstTable) isMacro = isMacro || m.name == UpperCase(name);
            if (isMacro) {
                RestoreScan(before);
                fconstsection = false;
                t = NextToken();
                break;
            }
        }
        RequireProgram(LookupName(name) == 235, ER_IDENT);
        tmp = name;
        RequireProgram(Cur() == QLatin1Char('='), ER_SYNTAX);
        Advance();
        const QString value = RawToLineEnd();
        RequireProgram(!value.isEmpty(), ER_SYNTAX);
        AddUserConstant(name, value, false);
    }
    fconstsection = false;
    fexsyntax = false;
}

void DUvuRarodar::ProgramGlobal(int& t) {
    pformula = &formula;
    for (;;) {
        t = NextToken(false, false, true);
        if (t != 235) return;
        const QString name = tmp;
        RequireProgram(LookupName(name) == 235, ER_IDENT);
        TCalcItem value;
        if (NextToken(true) == '=') {
            NextToken();
            const int u = NextToken(false, false, true);
            RequireProgram(u == 254 || u == 246, ER_SYNTAX);
            if (u == 254) value = TCalcItem{data, QString(), fdtnumber};
            else value = TCalcItem{0, tmp, fdtstring};
        }
        AddVar(name, value);
        formula.paramcount = static_cast<int>(formula.varnames.size());
        t = NextToken();
        if (t != ',') return;
    }
}
