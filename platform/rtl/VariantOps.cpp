// Variant operators and comparisons. The rule table is written out in docs/variant-rules.md.

#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantPrivate.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"

#include <cmath>
#include <limits>

using namespace VariantDetail;

namespace {

enum class Cls { Empty, Null, Int, Float, Currency, Date, Bool, Text, Other };

Cls ClassOf(const Variant& v) {
    const TVarType t = v.VType();
    if (t & varArray) return Cls::Other;
    switch (t) {
    case varEmpty:
        return Cls::Empty;
    case varNull:
        return Cls::Null;
    case varSingle:
    case varDouble:
        return Cls::Float;
    case varCurrency:
        return Cls::Currency;
    case varDate:
        return Cls::Date;
    case varBoolean:
        return Cls::Bool;
    default:
        break;
    }
    if (IsIntType(t)) return Cls::Int;
    if (IsTextType(t)) return Cls::Text;
    return Cls::Other;
}

// Operands wider than 32 bits make the result 64-bit.
bool IsWide(const Variant& v) {
    return v.VType() == varInt64 || v.VType() == varLongWord;
}

bool FitsInt32(Int64 v) {
    return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
}

Variant IntResult(Int64 r, bool wide) {
    if (!wide && FitsInt32(r)) return Variant(static_cast<int>(r));
    return Variant(static_cast<long long>(r));
}

[[noreturn]] void ZeroDivide() {
    throw EZeroDivide(QStringLiteral("Floating point division by zero"));
}
[[noreturn]] void InvalidFloatOp() {
    throw EInvalidOp(QStringLiteral("Invalid floating point operation"));
}
[[noreturn]] void DivByZero() {
    throw EDivByZero(QStringLiteral("Division by zero"));
}

double CheckFloat(double r, double a, double b) {
    if (std::isinf(r) && std::isfinite(a) && std::isfinite(b))
        throw EOverflow(QStringLiteral("Floating point overflow"));
    if (std::isnan(r) && !std::isnan(a) && !std::isnan(b)) InvalidFloatOp();
    return r;
}

double FloatOp(double a, double b, TVarOp op) {
    switch (op) {
    case TVarOp::Add:
        return CheckFloat(a + b, a, b);
    case TVarOp::Subtract:
        return CheckFloat(a - b, a, b);
    case TVarOp::Multiply:
        return CheckFloat(a * b, a, b);
    default:
        if (b == 0) {
            if (a == 0 || std::isnan(a)) InvalidFloatOp();
            ZeroDivide();
        }
        return CheckFloat(a / b, a, b);
    }
}

// A text operand of an arithmetic operation becomes a number: a date beside a date, a double
// otherwise (non-numeric text raises the conversion error naming Double).
Variant NumericOperand(const Variant& v, Cls other) {
    if (other == Cls::Date) return Variant::FromDate(v.ToDate());
    return Variant(v.ToDouble());
}

QString JoinText(const Variant& a, const Variant& b, TVarType& type) {
    const TVarType ta = a.IsText() ? a.VType() : b.VType();
    const TVarType tb = b.IsText() ? b.VType() : a.VType();
    type = ta == tb ? ta : varUString;
    return (a.IsEmpty() ? QString() : TVariantAccess::Text(a)) +
           (b.IsEmpty() ? QString() : TVariantAccess::Text(b));
}

Variant Arithmetic(const Variant& left, const Variant& right, TVarOp op) {
    if (left.IsNull() || right.IsNull()) {
        if (ClassOf(left) == Cls::Other || ClassOf(right) == Cls::Other) VarInvalidOp();
        return Variant::Null();
    }
    Cls ca = ClassOf(left), cb = ClassOf(right);
    if (ca == Cls::Other || cb == Cls::Other) VarInvalidOp();
    if (op == TVarOp::Add && (ca == Cls::Text || cb == Cls::Text) && (ca == Cls::Text || ca == Cls::Empty) &&
        (cb == Cls::Text || cb == Cls::Empty)) {
        TVarType t = varUString;
        const QString s = JoinText(left, right, t);
        return Variant::FromString(s, t);
    }
    Variant a = left, b = right;
    if (ca == Cls::Text) {
        a = NumericOperand(left, cb);
        ca = ClassOf(a);
    }
    if (cb == Cls::Text) {
        b = NumericOperand(right, ca);
        cb = ClassOf(b);
    }

    if (op == TVarOp::Divide) return Variant(FloatOp(a.ToDouble(), b.ToDouble(), op));

    if (ca == Cls::Date || cb == Cls::Date) {
        const double r = FloatOp(a.ToDouble(), b.ToDouble(), op);
        if (op == TVarOp::Multiply || (op == TVarOp::Subtract && ca == Cls::Date && cb == Cls::Date))
            return Variant(r);
        return Variant::FromDate(r);
    }
    if (ca == Cls::Float || cb == Cls::Float) return Variant(FloatOp(a.ToDouble(), b.ToDouble(), op));
    if (ca == Cls::Currency || cb == Cls::Currency) {
        const Int64 ra = a.ToCurrencyRaw(), rb = b.ToCurrencyRaw();
        Int64 r = 0;
        bool overflow = false;
        if (op == TVarOp::Add)
            overflow = __builtin_add_overflow(ra, rb, &r);
        else if (op == TVarOp::Subtract)
            overflow = __builtin_sub_overflow(ra, rb, &r);
        else {
            const long double p = static_cast<long double>(ra) * rb / 10000.0L;
            overflow = !(p > -9.2e18L && p < 9.2e18L);
            if (!overflow) r = static_cast<Int64>(std::nearbyint(static_cast<double>(p)));
        }
        // Beyond the currency range the value goes on as a double rather than wrap.
        if (overflow) return Variant(FloatOp(a.ToDouble(), b.ToDouble(), op));
        return Variant::FromCurrencyRaw(r);
    }
    // Integers, Booleans (-1, 0) and Empty (0).
    const Int64 ia = a.ToInt64(), ib = b.ToInt64();
    Int64 r = 0;
    bool overflow = false;
    switch (op) {
    case TVarOp::Add:
        overflow = __builtin_add_overflow(ia, ib, &r);
        break;
    case TVarOp::Subtract:
        overflow = __builtin_sub_overflow(ia, ib, &r);
        break;
    default:
        overflow = __builtin_mul_overflow(ia, ib, &r);
        break;
    }
    if (overflow) return Variant(FloatOp(static_cast<double>(ia), static_cast<double>(ib), op));
    return IntResult(r, IsWide(a) || IsWide(b));
}

// Operands of div, mod, shifts and bitwise operations as whole numbers.
void IntOperands(const Variant& a, const Variant& b, Int64& ia, Int64& ib, bool& wide) {
    if (ClassOf(a) == Cls::Other || ClassOf(b) == Cls::Other) VarInvalidOp();
    ia = ToInt64For(a, varInteger);
    ib = ToInt64For(b, varInteger);
    wide = IsWide(a) || IsWide(b) || !FitsInt32(ia) || !FitsInt32(ib);
}

bool NullOperand(const Variant& a, const Variant& b) {
    if (!a.IsNull() && !b.IsNull()) return false;
    if (ClassOf(a) == Cls::Other || ClassOf(b) == Cls::Other) VarInvalidOp();
    return true;
}

int Sign(int v) {
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

template <typename T> int Cmp3(T a, T b) {
    return a < b ? -1 : (b < a ? 1 : 0);
}

constexpr int kUnordered = 2;

// -1, 0, 1, or kUnordered (NaN). Neither side is Null.
int CompareCore(const Variant& a, const Variant& b) {
    Cls ca = ClassOf(a), cb = ClassOf(b);
    if (ca == Cls::Other || cb == Cls::Other) VarInvalidOp();
    if (ca == Cls::Empty && cb == Cls::Empty) return 0;
    if (ca == Cls::Text && cb == Cls::Text) {
        const QString& sa = TVariantAccess::Text(a);
        const QString& sb = TVariantAccess::Text(b);
        const int c = AnsiCompareStr(sa, sb);
        return c != 0 ? c : Sign(CompareStr(sa, sb));
    }
    if (ca == Cls::Empty && cb == Cls::Text) return TVariantAccess::Text(b).isEmpty() ? 0 : -1;
    if (cb == Cls::Empty && ca == Cls::Text) return TVariantAccess::Text(a).isEmpty() ? 0 : 1;
    if (ca == Cls::Bool && cb == Cls::Bool) return Cmp3<int>(a.ToBool(), b.ToBool());
    // Text beside a Boolean is read as a Boolean; beside a date as a date; else as a number.
    if ((ca == Cls::Text && cb == Cls::Bool) || (ca == Cls::Bool && cb == Cls::Text))
        return Cmp3<int>(a.ToBool(), b.ToBool());
    if (ca == Cls::Text || cb == Cls::Text) {
        const Cls other = ca == Cls::Text ? cb : ca;
        const double da = ca == Cls::Text ? (other == Cls::Date ? a.ToDate() : a.ToDouble()) : a.ToDouble();
        const double db = cb == Cls::Text ? (other == Cls::Date ? b.ToDate() : b.ToDouble()) : b.ToDouble();
        if (std::isnan(da) || std::isnan(db)) return kUnordered;
        return Cmp3(da, db);
    }
    const bool intA = ca == Cls::Int || ca == Cls::Bool || ca == Cls::Empty;
    const bool intB = cb == Cls::Int || cb == Cls::Bool || cb == Cls::Empty;
    if (intA && intB) return Cmp3(a.ToInt64(), b.ToInt64());
    if ((ca == Cls::Currency || intA) && (cb == Cls::Currency || intB)) {
        // Exact: both sides as ten-thousandths.
        const long double xa =
            ca == Cls::Currency ? a.RawInt() : static_cast<long double>(a.ToInt64()) * 10000;
        const long double xb =
            cb == Cls::Currency ? b.RawInt() : static_cast<long double>(b.ToInt64()) * 10000;
        return Cmp3(xa, xb);
    }
    const double da = a.ToDouble(), db = b.ToDouble();
    if (std::isnan(da) || std::isnan(db)) return kUnordered;
    return Cmp3(da, db);
}

} // namespace

// ---------------------------------------------------------------------------------------------

Variant VarBinaryOp(const Variant& a, const Variant& b, TVarOp op) {
    switch (op) {
    case TVarOp::Add:
    case TVarOp::Subtract:
    case TVarOp::Multiply:
    case TVarOp::Divide:
        return Arithmetic(a, b, op);
    case TVarOp::IntDivide:
        return VarIntDiv(a, b);
    case TVarOp::Modulus:
        return VarMod(a, b);
    case TVarOp::ShiftLeft:
        return VarShl(a, b);
    case TVarOp::ShiftRight:
        return VarShr(a, b);
    case TVarOp::And:
        return VarAnd(a, b);
    case TVarOp::Or:
        return VarOr(a, b);
    case TVarOp::Xor:
        return VarXor(a, b);
    }
    VarInvalidOp();
}

Variant operator+(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, TVarOp::Add);
}
Variant operator-(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, TVarOp::Subtract);
}
Variant operator*(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, TVarOp::Multiply);
}
Variant operator/(const Variant& a, const Variant& b) {
    return Arithmetic(a, b, TVarOp::Divide);
}

Variant VarIntDiv(const Variant& a, const Variant& b) {
    if (NullOperand(a, b)) return Variant::Null();
    Int64 ia, ib;
    bool wide;
    IntOperands(a, b, ia, ib, wide);
    if (ib == 0) DivByZero();
    if (ia == std::numeric_limits<Int64>::min() && ib == -1)
        throw EIntOverflow(QStringLiteral("Integer overflow"));
    return IntResult(ia / ib, wide);
}

Variant VarMod(const Variant& a, const Variant& b) {
    if (NullOperand(a, b)) return Variant::Null();
    Int64 ia, ib;
    bool wide;
    IntOperands(a, b, ia, ib, wide);
    if (ib == 0) DivByZero();
    if (ib == -1) return IntResult(0, wide);
    return IntResult(ia % ib, wide);
}

Variant VarShl(const Variant& a, const Variant& b) {
    if (NullOperand(a, b)) return Variant::Null();
    Int64 ia, ib;
    bool wide;
    IntOperands(a, b, ia, ib, wide);
    if (wide) return Variant(static_cast<long long>(static_cast<UInt64>(ia) << (ib & 63)));
    return Variant(static_cast<int>(static_cast<quint32>(ia) << (ib & 31)));
}

Variant VarShr(const Variant& a, const Variant& b) {
    if (NullOperand(a, b)) return Variant::Null();
    Int64 ia, ib;
    bool wide;
    IntOperands(a, b, ia, ib, wide);
    // Logical shift: the sign bit is not carried.
    if (wide) return Variant(static_cast<long long>(static_cast<UInt64>(ia) >> (ib & 63)));
    return Variant(static_cast<int>(static_cast<quint32>(ia) >> (ib & 31)));
}

namespace {

Variant Logical(const Variant& a, const Variant& b, TVarOp op) {
    if (NullOperand(a, b)) return Variant::Null();
    const Cls ca = ClassOf(a), cb = ClassOf(b);
    const bool boolA = ca == Cls::Bool || ca == Cls::Empty || (ca == Cls::Text && cb == Cls::Bool);
    const bool boolB = cb == Cls::Bool || cb == Cls::Empty || (cb == Cls::Text && ca == Cls::Bool);
    if (boolA && boolB && (ca == Cls::Bool || cb == Cls::Bool)) {
        const bool x = a.ToBool(), y = b.ToBool();
        switch (op) {
        case TVarOp::And:
            return Variant(x && y);
        case TVarOp::Or:
            return Variant(x || y);
        default:
            return Variant(x != y);
        }
    }
    Int64 ia, ib;
    bool wide;
    IntOperands(a, b, ia, ib, wide);
    switch (op) {
    case TVarOp::And:
        return IntResult(ia & ib, wide);
    case TVarOp::Or:
        return IntResult(ia | ib, wide);
    default:
        return IntResult(ia ^ ib, wide);
    }
}

} // namespace

Variant VarAnd(const Variant& a, const Variant& b) {
    return Logical(a, b, TVarOp::And);
}
Variant VarOr(const Variant& a, const Variant& b) {
    return Logical(a, b, TVarOp::Or);
}
Variant VarXor(const Variant& a, const Variant& b) {
    return Logical(a, b, TVarOp::Xor);
}

Variant VarNot(const Variant& a) {
    switch (ClassOf(a)) {
    case Cls::Null:
        return a;
    case Cls::Bool:
        return Variant(!a.ToBool());
    case Cls::Other:
        VarInvalidOp();
    case Cls::Text: {
        // "True"/"False" stay logical; other text must be a whole number.
        bool b = false;
        Int64 i = 0;
        if (!TryStrToInt64(TVariantAccess::Text(a), i) && TryStrToBool(TVariantAccess::Text(a), b))
            return Variant(!b);
        break;
    }
    default:
        break;
    }
    const Int64 i = ToInt64For(a, varInteger);
    return IntResult(~i, IsWide(a) || !FitsInt32(i));
}

Variant VarNeg(const Variant& a) {
    switch (ClassOf(a)) {
    case Cls::Null:
        return a;
    case Cls::Other:
        VarInvalidOp();
    case Cls::Empty:
        return Variant(0);
    case Cls::Float:
        return a.VType() == varSingle ? Variant(static_cast<float>(-a.RawDouble())) : Variant(-a.RawDouble());
    case Cls::Date:
        return Variant::FromDate(-a.RawDouble());
    case Cls::Currency:
        if (a.RawInt() == std::numeric_limits<Int64>::min()) return Variant(-a.ToDouble());
        return Variant::FromCurrencyRaw(-a.RawInt());
    case Cls::Text:
        return Variant(-a.ToDouble());
    case Cls::Bool:
        return Variant(a.ToBool() ? 1 : 0);
    case Cls::Int:
        break;
    }
    const Int64 i = a.RawInt();
    if (i == std::numeric_limits<Int64>::min()) return Variant(-static_cast<double>(i));
    return IntResult(-i, IsWide(a));
}

Variant Variant::operator-() const {
    return VarNeg(*this);
}

// ---------------------------------------------------------------------------------------------
// Comparisons

bool operator==(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        if (ClassOf(a) == Cls::Other || ClassOf(b) == Cls::Other) VarInvalidOp();
        return a.IsNull() && b.IsNull();
    }
    return CompareCore(a, b) == 0;
}

bool operator<(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        if (ClassOf(a) == Cls::Other || ClassOf(b) == Cls::Other) VarInvalidOp();
        return a.IsNull() && !b.IsNull();
    }
    return CompareCore(a, b) == -1;
}

bool operator<=(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) {
        if (ClassOf(a) == Cls::Other || ClassOf(b) == Cls::Other) VarInvalidOp();
        return a.IsNull();
    }
    const int c = CompareCore(a, b);
    return c == -1 || c == 0;
}

TVariantRelationship VarCompareValue(const Variant& a, const Variant& b) {
    if (a.IsNull() || b.IsNull()) return a.IsNull() && b.IsNull() ? vrEqual : vrNotEqual;
    switch (CompareCore(a, b)) {
    case -1:
        return vrLessThan;
    case 0:
        return vrEqual;
    case 1:
        return vrGreaterThan;
    default:
        return vrNotEqual;
    }
}
