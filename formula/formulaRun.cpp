// The value stack, the operators, the byte-code verifier and the run loop.

#include "formula/formula.h"

#include "formula/AMask.h"
#include "formula/formulaf.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

const TFormatSettings& InvariantSettings() {
    static const TFormatSettings fs = TFormatSettings::Invariant();
    return fs;
}

[[noreturn]] void NotANumber(const QString& s) {
    throw EConvertError(QStringLiteral("'%1' is not a valid floating point value").arg(s));
}

inline qint32 ReadInt32(const char16_t* c, int p) {
    return static_cast<qint32>(static_cast<quint32>(c[p]) | (static_cast<quint32>(c[p + 1]) << 16));
}

inline double ReadNumber(const char16_t* c, int p) {
    quint64 bits = 0;
    for (int i = 0; i < 4; ++i) bits |= static_cast<quint64>(c[p + i]) << (16 * i);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
}

inline double Finite(double r) {
    if (std::isfinite(r)) return r;
    return CheckedFloat2(r, nullptr, 0, 0);
}

constexpr double kTwo63 = 9223372036854775808.0;

// A square is the exactly rounded product, which pow may miss by a unit in the last place.
inline double FormulaPower(double a, double b) {
    const double r = b == 2 ? a * a : std::pow(a, b);
    return std::isfinite(r) ? r : CheckedFloat2(r, [](double x, double y) { return std::pow(x, y); }, a, b);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// The value stack

TFormulaCalc::TFormulaCalc(int capacity) : max(capacity), data(static_cast<size_t>(capacity)) {}

void TFormulaCalc::Push(const TCalcItem& x) {
    if (pos >= max) {
        max += 200;
        data.resize(static_cast<size_t>(max));
    }
    data[static_cast<size_t>(pos++)] = x;
}

void TFormulaCalc::PushN(double x) {
    if (pos >= max) {
        max += 200;
        data.resize(static_cast<size_t>(max));
    }
    TCalcItem& it = data[static_cast<size_t>(pos++)];
    it.typ = fdtnumber;
    it.data = x;
}

void TFormulaCalc::PushS(const QString& x) {
    if (pos >= max) {
        max += 200;
        data.resize(static_cast<size_t>(max));
    }
    TCalcItem& it = data[static_cast<size_t>(pos++)];
    it.typ = fdtstring;
    it.data = 0;
    it.str = x;
}

void TFormulaCalc::Pop(int n) {
    if (n < 0 || n > pos) fParent->WrongCode();
    pos -= n;
}

double TFormulaCalc::PopN() {
    const double v = ItemN(0);
    --pos;
    return v;
}

QString TFormulaCalc::PopS() {
    QString v = ItemS(0);
    --pos;
    return v;
}

TCalcItem& TFormulaCalc::Item(int i) {
    if (i < 0 || i >= pos) fParent->WrongCode();
    return Raw(i);
}

void TFormulaCalc::SetNum(int n) {
    if (n >= 0 && n <= pos) pos = n;
}

bool TFormulaCalc::TryNumberOf(const TCalcItem& x, double& value) {
    if (x.typ == fdtnumber) {
        value = x.data;
        return true;
    }
    const QString s = x.typ == fdtstring ? x.str : fParent->ExternalValue(x.str, 0, false);
    if (s.isEmpty() && fParent->fzero) {
        value = 0;
        return true;
    }
    double v = 0;
    if (TryStrToFloat(s, v, InvariantSettings()) && std::isfinite(v)) {
        value = v;
        return true;
    }
    // Numbers become texts with the locale's separator; such a text reads back as its number.
    const TFormatSettings& fs = FormatSettings();
    if (fs.DecimalSeparator != QLatin1Char('.') && TryStrToFloat(s, v, fs) && std::isfinite(v)) {
        value = v;
        return true;
    }
    return false;
}

double TFormulaCalc::NumberOf(const TCalcItem& x) {
    if (x.typ == fdtnumber) return x.data;
    double v;
    if (TryNumberOf(x, v)) return v;
    NotANumber(x.typ == fdtstring ? x.str : fParent->ExternalValue(x.str, 0, false));
}

QString TFormulaCalc::TextOf(const TCalcItem& x) {
    switch (x.typ) {
    case fdtnumber: return FloatToStr(x.data);
    case fdtstring: return x.str;
    case fdtgetvar: return fParent->ExternalValue(x.str, 0, false);
    }
    return QString();
}

void TFormulaCalc::SetTop2(double value) {
    --pos;
    TCalcItem& l = Raw(0);
    l.typ = fdtnumber;
    l.data = value;
}

void TFormulaCalc::Plus() {
    TCalcItem& l = Raw(1);
    TCalcItem& r = Raw(0);
    if (l.typ == fdtnumber && r.typ == fdtnumber) {
        const double v = l.data + r.data;
        SetTop2(Finite(v));
        return;
    }
    double a, b;
    if (TryNumberOf(l, a) && TryNumberOf(r, b)) {
        SetTop2(Finite(a + b));
        return;
    }
    PlusS();
}

void TFormulaCalc::PlusS() {
    const QString a = TextOf(Raw(1));
    const QString b = TextOf(Raw(0));
    fParent->CheckText(a.size() + b.size());
    --pos;
    TCalcItem& l = Raw(0);
    l.typ = fdtstring;
    l.data = 0;
    l.str = a + b;
}

void TFormulaCalc::Minus() { SetTop2(Finite(NumberOf(Raw(1)) - NumberOf(Raw(0)))); }
void TFormulaCalc::Mult() { SetTop2(Finite(NumberOf(Raw(1)) * NumberOf(Raw(0)))); }
void TFormulaCalc::Division() { SetTop2(CheckedDivision(NumberOf(Raw(1)), NumberOf(Raw(0)))); }

void TFormulaCalc::cDiv() {
    const qint64 a = FormulaTrunc(NumberOf(Raw(1)));
    const qint64 b = FormulaTrunc(NumberOf(Raw(0)));
    if (b == 0) throw EDivByZero(QStringLiteral("Division by zero"));
    if (b == -1) SetTop2(-static_cast<double>(a)); // also right for the lowest 64-bit value
    else SetTop2(static_cast<double>(a / b));
}

void TFormulaCalc::cMod() {
    const qint64 a = FormulaTrunc(NumberOf(Raw(1)));
    const qint64 b = FormulaTrunc(NumberOf(Raw(0)));
    if (b == 0) throw EDivByZero(QStringLiteral("Division by zero"));
    if (b == -1) SetTop2(0);
    else SetTop2(static_cast<double>(a % b));
}

void TFormulaCalc::Pow() {
    const double a = NumberOf(Raw(1));
    const double b = NumberOf(Raw(0));
    SetTop2(FormulaPower(a, b));
}

int TFormulaCalc::Compare() {
    TCalcItem& l = Raw(1);
    TCalcItem& r = Raw(0);
    double a, b;
    if (l.typ == fdtnumber && r.typ == fdtnumber) {
        a = l.data;
        b = r.data;
    } else if (!TryNumberOf(l, a) || !TryNumberOf(r, b)) {
        QString x = TextOf(l), y = TextOf(r);
        if (!fParent->fcasesensitivestring) {
            x = UpperCase(x);
            y = UpperCase(y);
        }
        const int c = QStringView(x).compare(QStringView(y), Qt::CaseSensitive);
        return c < 0 ? -1 : (c > 0 ? 1 : 0);
    }
    return a < b ? -1 : (a > b ? 1 : 0);
}

void TFormulaCalc::EQ() { SetTop2(Compare() == 0 ? 1 : 0); }
void TFormulaCalc::NE() { SetTop2(Compare() != 0 ? 1 : 0); }
void TFormulaCalc::LT() { SetTop2(Compare() < 0 ? 1 : 0); }
void TFormulaCalc::LE() { SetTop2(Compare() <= 0 ? 1 : 0); }
void TFormulaCalc::GT() { SetTop2(Compare() > 0 ? 1 : 0); }
void TFormulaCalc::GE() { SetTop2(Compare() >= 0 ? 1 : 0); }

void TFormulaCalc::Like() {
    const QString text = TextOf(Raw(1));
    const QString mask = TextOf(Raw(0));
    SetTop2(MatchesMask(text, mask) ? 1 : 0);
}

void TFormulaCalc::cAND() {
    if (NumberOf(Raw(1)) == 0) return SetTop2(0);
    SetTop2(NumberOf(Raw(0)) != 0 ? 1 : 0);
}

void TFormulaCalc::cOR() {
    if (NumberOf(Raw(1)) != 0) return SetTop2(1);
    SetTop2(NumberOf(Raw(0)) != 0 ? 1 : 0);
}

void TFormulaCalc::cXOR() {
    const bool a = NumberOf(Raw(1)) != 0;
    const bool b = NumberOf(Raw(0)) != 0;
    SetTop2(a != b ? 1 : 0);
}

void TFormulaCalc::cNOT() {
    TCalcItem& x = Raw(0);
    const double v = NumberOf(x) == 0 ? 1 : 0;
    x.typ = fdtnumber;
    x.data = v;
}

void TFormulaCalc::bAND() { SetTop2(static_cast<double>(FormulaTrunc(NumberOf(Raw(1))) & FormulaTrunc(NumberOf(Raw(0))))); }
void TFormulaCalc::bOR() { SetTop2(static_cast<double>(FormulaTrunc(NumberOf(Raw(1))) | FormulaTrunc(NumberOf(Raw(0))))); }
void TFormulaCalc::bXOR() { SetTop2(static_cast<double>(FormulaTrunc(NumberOf(Raw(1))) ^ FormulaTrunc(NumberOf(Raw(0))))); }

void TFormulaCalc::bNOT() {
    TCalcItem& x = Raw(0);
    const double v = static_cast<double>(~FormulaTrunc(NumberOf(x)));
    x.typ = fdtnumber;
    x.data = v;
}

void TFormulaCalc::bSHL() {
    const auto a = static_cast<quint64>(FormulaTrunc(NumberOf(Raw(1))));
    const int n = static_cast<int>(FormulaTrunc(NumberOf(Raw(0))) & 63);
    SetTop2(static_cast<double>(static_cast<qint64>(a << n)));
}

void TFormulaCalc::bSHR() {
    const auto a = static_cast<quint64>(FormulaTrunc(NumberOf(Raw(1))));
    const int n = static_cast<int>(FormulaTrunc(NumberOf(Raw(0))) & 63);
    SetTop2(static_cast<double>(static_cast<qint64>(a >> n)));
}

void TFormulaCalc::Uminus() {
    TCalcItem& x = Raw(0);
    const double v = -NumberOf(x);
    x.typ = fdtnumber;
    x.data = v;
}

void TFormulaCalc::DoFunction(const FTableItem& fun, int cnt, bool module, int addcnt) {
    if (cnt == 65535) {
        const double n = NumberOf(Item(0));
        if (!(n >= 0 && n < pos && n == std::floor(n))) fParent->WrongCode();
        cnt = static_cast<int>(n) + 1;
    } else if (fun.paramcount != cnt) {
        fParent->WrongCode(); // the entry was replaced by one with another parameter count
    }
    if (cnt == 0) {
        PushN(0);
        cnt = 1;
    }
    if (addcnt < 0 || cnt + addcnt > pos) fParent->WrongCode();
    if (!fun.fun) throw FormulaException(QStringLiteral("Function %1 cannot be called").arg(fun.name));
    const int at = pos - cnt - addcnt;
    fParent->fcurfun = &fun;
    fParent->fparamcount = fun.paramcount;
    TCalcItem r = fun.fun(*this);
    data[static_cast<size_t>(at)] = std::move(r);
    pos = at + 1;
}

// ---------------------------------------------------------------------------------------------
// Verifying a code before it is installed

void DUvuRarodar::WrongCode() const { throw FormulaException(FormulaMessage(cWrongbytecode)); }

void DUvuRarodar::VerifyCode(const QString& code, const TArtSubFormula& scope) const {
    const auto* c = reinterpret_cast<const char16_t*>(code.utf16());
    const int n = static_cast<int>(code.size());
    std::vector<int> starts;
    std::vector<char> isStart(static_cast<size_t>(n) + 1, 0);
    std::vector<char> noTarget(static_cast<size_t>(n) + 1, 0);
    std::vector<const ATableItem*> lists(static_cast<size_t>(n) + 1, nullptr);
    std::vector<int> countArg(static_cast<size_t>(n) + 1, -1); // the count item of a 65535 call
    const ATableItem* curlist = nullptr;
    int lastNumber = -1; // start of the last 254 before the markers in front of this instruction
    for (int p = 0; p < n;) {
        const int op = c[p];
        starts.push_back(p);
        isStart[static_cast<size_t>(p)] = 1;
        int len = 1;
        switch (op) {
        case 33: case 37: case 38: case 42: case 43: case 45: case 47: case 60: case 61: case 62: case 64:
        case 92: case 94: case 124: case 223: case 224: case 225: case 226: case 227: case 228: case 229:
        case 230: case 241: case 247: case 249: case 250: case 251: case 252:
            break;
        case 222: case 232: case 233: case 253: len = 2; break;
        case 219: case 220: case 242: case 244: case 245: case 248: len = 3; break;
        case 234: len = 4; break;
        case 254: len = 5; break;
        case 231: case 246: {
            if (p + 3 > n) WrongCode();
            const qint32 l = ReadInt32(c, p + 1);
            if (l < 0 || l > n - p - 3) WrongCode();
            len = 3 + l;
            break;
        }
        default: WrongCode();
        }
        if (p + len > n) WrongCode();
        // Module prefixes lead straight into the member call.
        if (op == 233) {
            const int i = c[p + 1];
            if (i >= static_cast<int>(userfunc.size()) || !userfunc[static_cast<size_t>(i)]->module) WrongCode();
            curlist = &userfunc[static_cast<size_t>(i)]->funs;
        } else if (op == 232) {
            const int i = c[p + 1];
            if (!curlist || i >= static_cast<int>(curlist->size()) || !(*curlist)[static_cast<size_t>(i)]->module)
                WrongCode();
            curlist = &(*curlist)[static_cast<size_t>(i)]->funs;
        } else if (op == 234) {
            if (!curlist) WrongCode();
            lists[static_cast<size_t>(p)] = curlist;
            curlist = nullptr;
        } else if (curlist && op != 219) {
            WrongCode();
        }
        if ((op == 245 || op == 248 || op == 234) && c[p + (op == 234 ? 3 : 2)] == 65535) {
            if (lastNumber < 0) WrongCode();
            const double v = ReadNumber(c, lastNumber + 1);
            if (!(v >= 0 && v <= 65534 && v == std::floor(v))) WrongCode();
            countArg[static_cast<size_t>(p)] = static_cast<int>(v);
            for (int q = lastNumber + 5; q <= p; ++q) noTarget[static_cast<size_t>(q)] = 1;
        }
        if (op == 254) lastNumber = p;
        else if (op != 219 && op != 232 && op != 233) lastNumber = -1;
        p += len;
    }
    if (starts.empty() || c[starts.back()] != 224 || curlist) WrongCode();

    auto entryOf = [&](int p) -> const FTableItem* {
        const int op = c[p];
        const int i = c[p + 1];
        if (op == 245) return i < static_cast<int>(fbuiltins->size()) ? &(*fbuiltins)[static_cast<size_t>(i)] : nullptr;
        if (op == 248) return i < static_cast<int>(userfunc.size()) ? userfunc[static_cast<size_t>(i)].get() : nullptr;
        const ATableItem* l = lists[static_cast<size_t>(p)];
        return i < static_cast<int>(l->size()) ? (*l)[static_cast<size_t>(i)].get() : nullptr;
    };

    // Stack depths along every path: each instruction start has one depth.
    std::vector<int> depth(static_cast<size_t>(n) + 1, -1);
    std::vector<int> work{0};
    depth[0] = 0;
    auto reach = [&](int target, int d) {
        if (target < 0 || target >= n || !isStart[static_cast<size_t>(target)]) WrongCode();
        int& slot = depth[static_cast<size_t>(target)];
        if (slot < 0) {
            slot = d;
            work.push_back(target);
        } else if (slot != d) {
            WrongCode();
        }
    };
    while (!work.empty()) {
        const int p = work.back();
        work.pop_back();
        int d = depth[static_cast<size_t>(p)];
        const int op = c[p];
        auto need = [&](int k) {
            if (d < k) WrongCode();
        };
        int next = p + 1;
        bool falls = true;
        switch (op) {
        case 33: case 225: case 251: need(1); break;
        case 219: next = p + 3; break;
        case 222:
            if (c[p + 1] >= formula.paramcount) WrongCode();
            ++d, next = p + 2;
            break;
        case 253:
            if (c[p + 1] >= scope.paramcount) WrongCode();
            ++d, next = p + 2;
            break;
        case 232: case 233: next = p + 2; break;
        case 231: case 246: ++d, next = p + 3 + ReadInt32(c, p + 1); break;
        case 254: ++d, next = p + 5; break;
        case 241: need(1), --d; break;
        case 224: need(1), falls = false; break;
        case 242:
            reach(ReadInt32(c, p + 1), d);
            if (noTarget[static_cast<size_t>(ReadInt32(c, p + 1))]) WrongCode();
            falls = false;
            break;
        case 244: {
            need(1), --d;
            const int t = ReadInt32(c, p + 1);
            if (t < 0 || t >= n || noTarget[static_cast<size_t>(t)]) WrongCode();
            reach(t, d);
            next = p + 3;
            break;
        }
        case 220: {
            const int i = c[p + 1], cnt = c[p + 2];
            if (i >= static_cast<int>(fsubformula.size()) || cnt != fsubformula[static_cast<size_t>(i)]->paramcount)
                WrongCode();
            need(cnt);
            d += 1 - cnt;
            next = p + 3;
            break;
        }
        case 245: case 248: case 234: {
            const FTableItem* f = entryOf(p);
            const int cnt = c[p + (op == 234 ? 3 : 2)];
            const int addcnt = op == 234 ? c[p + 2] : 0;
            if (!f) WrongCode();
            int items;
            if (cnt == 65535) {
                if (f->paramcount != -1) WrongCode();
                items = countArg[static_cast<size_t>(p)] + 1;
            } else {
                if (f->paramcount != cnt) WrongCode();
                items = cnt;
            }
            if (items == 0) ++d, items = 1;
            need(items + addcnt);
            d += 1 - items - addcnt;
            next = p + (op == 234 ? 4 : 3);
            break;
        }
        default: // binary operators
            need(2), --d;
            break;
        }
        if (falls) {
            if (next >= n) WrongCode();
            reach(next, d);
        }
    }
}

void DUvuRarodar::SetCompiled(const QString& value) {
    CheckIdle("Setting Compiled");
    RefreshBuiltins();
    VerifyCode(value, formula);
    formula.fcompiled = value;
}

// ---------------------------------------------------------------------------------------------
// Running

void DUvuRarodar::RunCode(const QString& code, int argc, TCalcItem* argv) {
    if (fcalldepth >= kMaxCallDepth)
        throw FormulaException(QStringLiteral("Subroutine calls nested deeper than %1 levels").arg(kMaxCallDepth));
    struct Depth {
        int& d;
        explicit Depth(int& x) : d(x) { ++d; }
        ~Depth() { --d; }
    } depthGuard(fcalldepth);
    const QString keep = code; // the run holds its code even if the scope's code changes
    xlines = 0;
    lines = 1;
    fmodulename.clear();
    TArtSubFormula* scope = pformula;
    if (scope->varnames.size() > scope->paramcount) {
        scope->varnames.erase(scope->varnames.begin() + scope->paramcount, scope->varnames.end());
    }
    if (static_cast<int>(scope->values.size()) != scope->paramcount) scope->values.resize(static_cast<size_t>(scope->paramcount));
    if (argc > scope->paramcount) WrongCode();
    for (int i = 0; i < argc; ++i) scope->values[static_cast<size_t>(i)] = argv[i];
    ferror = ER_Ok;
    fstop = false;
    const auto* c = reinterpret_cast<const char16_t*>(keep.utf16());
    const int n = static_cast<int>(keep.size());
    for (int p = 0; p < n; ++p) {
        if (fstep) {
            if (fstop) break;
            if (QCoreApplication::instance()) QCoreApplication::processEvents();
            if (fstop) break;
        }
        if (--finstrleft < 0) {
            finstrleft = 0;
            throw FormulaException(QStringLiteral("Run exceeds the instruction budget of %1").arg(finstrbudget));
        }
        const int op = c[p];
        switch (op) {
        case 33: C.cNOT(); break;
        case 37: C.cMod(); break;
        case 38: C.cAND(); break;
        case 42: C.Mult(); break;
        case 43: C.Plus(); break;
        case 45: C.Minus(); break;
        case 47: C.Division(); break;
        case 60: C.LT(); break;
        case 61: C.EQ(); break;
        case 62: C.GT(); break;
        case 64: C.PlusS(); break;
        case 92: C.cDiv(); break;
        case 94: C.Pow(); break;
        case 124: C.cOR(); break;
        case 219:
            lines = ReadInt32(c, p + 1);
            p += 2;
            break;
        case 220: {
            const int idx = c[p + 1], cnt = c[p + 2];
            p += 2;
            if (idx >= static_cast<int>(fsubformula.size())) WrongCode();
            TArtSubFormula* sub = fsubformula[static_cast<size_t>(idx)].get();
            if (cnt != sub->paramcount || cnt > C.pos) WrongCode();
            TCalcArray args(static_cast<size_t>(cnt));
            for (int k = 0; k < cnt; ++k) args[static_cast<size_t>(k)] = C.Raw(cnt - 1 - k);
            C.pos -= cnt;
            const int base = C.pos;
            TArtSubFormula* saved = pformula;
            pformula = sub;
            try {
                RunCode(sub->fcompiled, cnt, args.data());
            } catch (...) {
                pformula = saved;
                throw;
            }
            pformula = saved;
            // The call leaves exactly the subroutine's result, whatever its code left below it.
            if (C.pos > base + 1) {
                C.data[static_cast<size_t>(base)] = C.Raw(0);
                C.pos = base + 1;
            } else if (C.pos == base) {
                C.PushN(0);
            } else if (C.pos < base) {
                WrongCode();
            }
            break;
        }
        case 222: {
            const int idx = c[++p];
            if (idx >= static_cast<int>(formula.values.size())) WrongCode();
            C.Push(formula.values[static_cast<size_t>(idx)]);
            break;
        }
        case 223: C.Like(); break;
        case 224: p = n; break;
        case 225: C.bNOT(); break;
        case 226: C.bAND(); break;
        case 227: C.bOR(); break;
        case 228: C.bXOR(); break;
        case 229: C.bSHR(); break;
        case 230: C.bSHL(); break;
        case 231:
        case 246: {
            const qint32 len = ReadInt32(c, p + 1);
            if (len < 0 || len > n - p - 3) WrongCode();
            if (C.pos >= C.max) C.PushN(0), --C.pos;
            TCalcItem& it = C.data[static_cast<size_t>(C.pos++)];
            it.typ = op == 231 ? fdtgetvar : fdtstring;
            it.data = 0;
            it.str = keep.mid(p + 3, len);
            p += 2 + len;
            break;
        }
        case 232: {
            const int idx = c[++p];
            if (!fcurlist || idx >= static_cast<int>(fcurlist->size())) WrongCode();
            const FTableItem& m = *(*fcurlist)[static_cast<size_t>(idx)];
            fmodulename += QLatin1Char('.') + m.name;
            fcurlist = &m.funs;
            break;
        }
        case 233: {
            const int idx = c[++p];
            if (idx >= static_cast<int>(userfunc.size())) WrongCode();
            const FTableItem& m = *userfunc[static_cast<size_t>(idx)];
            fmodulename = m.name;
            fcurlist = &m.funs;
            break;
        }
        case 234: {
            const int idx = c[p + 1], addcnt = c[p + 2], cnt = c[p + 3];
            p += 3;
            if (!fcurlist || idx >= static_cast<int>(fcurlist->size())) WrongCode();
            const std::shared_ptr<FTableItem> keepEntry = (*fcurlist)[static_cast<size_t>(idx)];
            C.DoFunction(*keepEntry, cnt, true, addcnt);
            break;
        }
        case 241: C.Pop(1); break;
        case 242: {
            const qint32 t = ReadInt32(c, p + 1);
            if (t < 0 || t > n) WrongCode();
            p = t - 1;
            break;
        }
        case 244: {
            const qint32 t = ReadInt32(c, p + 1);
            const double v = C.PopN();
            if (v == 0) {
                if (t < 0 || t > n) WrongCode();
                p = t - 1;
            } else {
                p += 2;
            }
            break;
        }
        case 245: {
            const int idx = c[p + 1], cnt = c[p + 2];
            p += 2;
            if (idx >= static_cast<int>(fbuiltins->size())) WrongCode();
            fmodulename.clear();
            C.DoFunction((*fbuiltins)[static_cast<size_t>(idx)], cnt, false, 0);
            break;
        }
        case 247: C.cXOR(); break;
        case 248: {
            const int idx = c[p + 1], cnt = c[p + 2];
            p += 2;
            if (idx >= static_cast<int>(userfunc.size())) WrongCode();
            fmodulename.clear();
            const std::shared_ptr<FTableItem> keepEntry = userfunc[static_cast<size_t>(idx)];
            C.DoFunction(*keepEntry, cnt, false, 0);
            break;
        }
        case 249: C.LE(); break;
        case 250: C.GE(); break;
        case 251: C.Uminus(); break;
        case 252: C.NE(); break;
        case 253: {
            const int idx = c[++p];
            if (idx >= static_cast<int>(scope->values.size())) WrongCode();
            C.Push(scope->values[static_cast<size_t>(idx)]);
            break;
        }
        case 254:
            C.PushN(ReadNumber(c, p + 1));
            p += 4;
            break;
        default: WrongCode();
        }
        if (fstep && OnStep) OnStep(this);
    }
    for (int i = 0; i < argc && i < static_cast<int>(scope->values.size()); ++i) argv[i] = scope->values[static_cast<size_t>(i)];
}

void DUvuRarodar::PlanNumeric(const QString& code) {
    NumericPlan& plan = fnumplan;
    plan.code = code;
    plan.builtinsgen = fbuiltinsgen;
    plan.usable = false;
    plan.ops.clear();
    plan.depth = 0;
    plan.instructions = 0;
    const auto* c = reinterpret_cast<const char16_t*>(code.utf16());
    const int n = static_cast<int>(code.size());
    int d = 0;
    auto leaf = [&](NumericOp o) {
        plan.ops.push_back(o);
        plan.depth = std::max(plan.depth, ++d);
    };
    // A binary operator takes a parameter or constant pushed just before it as its right operand.
    auto binary = [&](NumericOp::Kind stackKind) {
        if (d < 2) return false;
        --d;
        NumericOp& last = plan.ops.back();
        const int shift = last.kind == NumericOp::Param ? 5 : last.kind == NumericOp::Const ? 10 : 0;
        if (shift) last.kind = static_cast<NumericOp::Kind>(stackKind + shift);
        else plan.ops.push_back(NumericOp{stackKind});
        return true;
    };
    for (int p = 0; p < n; ++p) {
        const int op = c[p];
        ++plan.instructions;
        bool ok = true;
        switch (op) {
        case 42: ok = binary(NumericOp::MulS); break;
        case 43: ok = binary(NumericOp::AddS); break;
        case 45: ok = binary(NumericOp::SubS); break;
        case 47: ok = binary(NumericOp::DivS); break;
        case 94: ok = binary(NumericOp::PowS); break;
        case 251:
            ok = d >= 1;
            plan.ops.push_back(NumericOp{NumericOp::Neg});
            break;
        case 222:
        case 253: {
            if (p + 1 >= n) return;
            const int idx = c[++p];
            if (idx >= formula.paramcount) return;
            NumericOp o{NumericOp::Param};
            o.index = idx;
            leaf(o);
            break;
        }
        case 254: {
            if (p + 4 >= n) return;
            NumericOp o{NumericOp::Const};
            o.value = ReadNumber(c, p + 1);
            p += 4;
            leaf(o);
            break;
        }
        case 245: {
            if (p + 2 >= n) return;
            const int idx = c[p + 1], cnt = c[p + 2];
            p += 2;
            if (idx >= static_cast<int>(fbuiltins->size()) || cnt != 1 || d < 1) return;
            const FTableItem& e = (*fbuiltins)[static_cast<size_t>(idx)];
            NumericOp o{NumericOp::Call};
            o.fn = e.paramcount == 1 ? NumericBuiltin(e.fun) : nullptr;
            if (!o.fn) return;
            o.entry = &e;
            plan.ops.push_back(o);
            break;
        }
        case 224: plan.usable = d == 1 && p == n - 1; return;
        default: return;
        }
        if (!ok) return;
    }
}

namespace {

inline double Divide(double l, double r) {
    const double q = l / r;
    return r != 0 && std::isfinite(q) ? q : CheckedDivision(l, r);
}

} // namespace

// Runs the main formula on doubles when it is made only of what the plan takes and every value is a
// number; the results, errors, budget and state afterwards are those of the interpreter.
bool DUvuRarodar::RunNumeric(const QString& code, int argc, TCalcItem* argv) {
    if (fstep || pformula != &formula || argc != formula.paramcount) return false;
    for (int i = 0; i < argc; ++i)
        if (argv[i].typ != fdtnumber) return false;
    if (fnumplan.code.constData() != code.constData() || fnumplan.code.size() != code.size() ||
        fnumplan.builtinsgen != fbuiltinsgen)
        PlanNumeric(code);
    const NumericPlan& plan = fnumplan;
    if (!plan.usable || plan.instructions > finstrbudget || plan.depth > 64) return false;
    xlines = 0;
    lines = 1;
    fmodulename.clear();
    if (formula.varnames.size() > formula.paramcount)
        formula.varnames.erase(formula.varnames.begin() + formula.paramcount, formula.varnames.end());
    if (static_cast<int>(formula.values.size()) != formula.paramcount)
        formula.values.resize(static_cast<size_t>(formula.paramcount));
    for (int i = 0; i < argc; ++i) {
        TCalcItem& v = formula.values[static_cast<size_t>(i)];
        v.data = argv[i].data;
        v.typ = fdtnumber;
        if (!v.str.isNull() || !argv[i].str.isNull()) v.str = argv[i].str;
    }
    ferror = ER_Ok;
    fstop = false;
    finstrleft = finstrbudget - plan.instructions;
    double st[64]; // below the top, which stays in a register
    double t = 0;
    int sp = -1;
    const NumericOp* o = plan.ops.data();
    const NumericOp* const end = o + plan.ops.size();
    for (; o != end; ++o) {
        switch (o->kind) {
        case NumericOp::Param: st[++sp] = t, t = argv[o->index].data; break;
        case NumericOp::Const: st[++sp] = t, t = o->value; break;
        case NumericOp::Neg: t = -t; break;
        case NumericOp::Call:
            fcurfun = o->entry;
            fparamcount = 1;
            t = CheckedFloat(o->fn(t), o->fn, t);
            break;
        case NumericOp::AddS: t = Finite(st[sp--] + t); break;
        case NumericOp::SubS: t = Finite(st[sp--] - t); break;
        case NumericOp::MulS: t = Finite(st[sp--] * t); break;
        case NumericOp::DivS: t = Divide(st[sp--], t); break;
        case NumericOp::PowS: t = FormulaPower(st[sp--], t); break;
        case NumericOp::AddP: t = Finite(t + argv[o->index].data); break;
        case NumericOp::SubP: t = Finite(t - argv[o->index].data); break;
        case NumericOp::MulP: t = Finite(t * argv[o->index].data); break;
        case NumericOp::DivP: t = Divide(t, argv[o->index].data); break;
        case NumericOp::PowP: t = FormulaPower(t, argv[o->index].data); break;
        case NumericOp::AddC: t = Finite(t + o->value); break;
        case NumericOp::SubC: t = Finite(t - o->value); break;
        case NumericOp::MulC: t = Finite(t * o->value); break;
        case NumericOp::DivC: t = Divide(t, o->value); break;
        case NumericOp::PowC: t = FormulaPower(t, o->value); break;
        }
    }
    C.Clear();
    C.PushN(t);
    return true;
}

void DUvuRarodar::RunTop(const QString& code, int argc, TCalcItem* argv) {
    RefreshBuiltins();
    if (RunNumeric(code, argc, argv)) {
        fcalldepth = 0;
        return;
    }
    frunning = true;
    finstrleft = finstrbudget;
    fcalldepth = 0;
    struct Idle {
        DUvuRarodar* f;
        ~Idle() { f->frunning = false; }
    } idle{this};
    RunCode(code, argc, argv);
}

static void CheckValues(int num, int paramcount, PCalcArray vals) {
    if (num != paramcount)
        throw FormulaException(QStringLiteral("The formula has %1 variables, not %2").arg(paramcount).arg(num));
    if (num > 0 && (!vals || static_cast<int>(vals->size()) < num))
        throw FormulaException(QStringLiteral("Fewer values than the %1 variables").arg(num));
}

double DUvuRarodar::ComputeN(int num, PCalcArray vals) {
    CheckIdle("Compute");
    CheckValues(num, pformula->paramcount, vals);
    if (pformula->fcompiled.isEmpty()) throw FormulaException(QStringLiteral("Nothing is compiled"));
    C.Clear();
    RunTop(pformula->fcompiled, num, num > 0 ? vals->data() : nullptr);
    if (fstop) return 0;
    return C.TopN();
}

QString DUvuRarodar::Compute(int num, PCalcArray vals) {
    CheckIdle("Compute");
    CheckValues(num, pformula->paramcount, vals);
    if (pformula->fcompiled.isEmpty()) throw FormulaException(QStringLiteral("Nothing is compiled"));
    C.Clear();
    RunTop(pformula->fcompiled, num, num > 0 ? vals->data() : nullptr);
    if (fstop) return QString();
    return C.TopS();
}

QString DUvuRarodar::RunSub(const QString& name, PCalcArray vals) {
    CheckIdle("RunSub");
    const int idx = FindSub(name);
    if (idx >= 0) return RunSub(idx, vals);
    ferror = ER_UNKNOWN;
    const QString shown = !fcasesensitive && !fsubformula.empty() ? UpperCase(name) : name;
    throw FormulaException(FormulaMessage(cUnknownIdentifier) + QStringLiteral(" '") + shown + QLatin1Char('\''));
}

QString DUvuRarodar::RunSub(int idx, PCalcArray vals) {
    CheckIdle("RunSub");
    if (idx < 0 || idx >= static_cast<int>(fsubformula.size()))
        throw FormulaException(QStringLiteral("No subroutine %1").arg(idx));
    TArtSubFormula* sub = fsubformula[static_cast<size_t>(idx)].get();
    if ((sub->paramcount > 0 && !vals) || (vals && static_cast<int>(vals->size()) != sub->paramcount)) {
        ferror = ER_NOTENOUGH;
        throw FormulaException(FormulaMessage(cNotEnoughParameters));
    }
    const int savedS = S.Num();
    const int savedC = C.Num();
    pformula = sub;
    struct Back {
        DUvuRarodar* f;
        int s, c;
        ~Back() {
            f->pformula = &f->formula;
            f->S.pos = std::min(f->S.pos, s);
            f->C.SetNum(std::min(f->C.Num(), c));
        }
    } back{this, savedS, savedC};
    RunTop(sub->fcompiled, sub->paramcount, vals ? vals->data() : nullptr);
    if (fstop) return QString();
    return C.TopS();
}
