#pragma once
// Variant: the dynamically typed value of scripts, expressions, property access and automation.
// Type codes, conversions and operator rules are the ones scripts and templates rely on;
// docs/variant-rules.md lists them. Text conversions follow the process-wide FormatSettings().

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

using TVarType = quint16;

constexpr TVarType varEmpty = 0x0000;
constexpr TVarType varNull = 0x0001;
constexpr TVarType varSmallint = 0x0002;
constexpr TVarType varInteger = 0x0003;
constexpr TVarType varSingle = 0x0004;
constexpr TVarType varDouble = 0x0005;
constexpr TVarType varCurrency = 0x0006;
constexpr TVarType varDate = 0x0007;
constexpr TVarType varOleStr = 0x0008;
constexpr TVarType varDispatch = 0x0009;
constexpr TVarType varError = 0x000A;
constexpr TVarType varBoolean = 0x000B;
constexpr TVarType varVariant = 0x000C;
constexpr TVarType varUnknown = 0x000D;
constexpr TVarType varShortInt = 0x0010;
constexpr TVarType varByte = 0x0011;
constexpr TVarType varWord = 0x0012;
constexpr TVarType varLongWord = 0x0013;
constexpr TVarType varInt64 = 0x0014;
constexpr TVarType varStrArg = 0x0048;
constexpr TVarType varString = 0x0100; // single-byte text
constexpr TVarType varAny = 0x0101;
constexpr TVarType varUString = 0x0102; // UTF-16 text: what scripts and Qt text produce
constexpr TVarType varTypeMask = 0x0FFF;
constexpr TVarType varArray = 0x2000;
constexpr TVarType varByRef = 0x4000;

class Variant;

// A late-bound automation object (spreadsheet server, ...). Member names compare without regard
// to case; failures raise EVariantDispatchError or the implementation's own exception.
class IDispatchObject {
public:
    virtual ~IDispatchObject() = default;
    virtual Variant Invoke(const QString& name, std::span<const Variant> args) = 0;
    virtual Variant GetProperty(const QString& name, std::span<const Variant> args) = 0;
    virtual void SetProperty(const QString& name, std::span<const Variant> args, const Variant& value) = 0;
};

// Bounds of one dimension of a variant array.
struct TVarArrayBound {
    int LowBound = 0;
    int HighBound = -1;
};

class Variant {
public:
    Variant() = default;
    Variant(const Variant& other) = default;
    Variant(Variant&& other) noexcept = default;
    Variant& operator=(const Variant& other) = default;
    Variant& operator=(Variant&& other) noexcept = default;
    ~Variant() = default;

    Variant(bool v) : FType(varBoolean) { FV.b = v; }
    Variant(int v) : FType(varInteger) { FV.i = v; }
    Variant(unsigned v) : FType(varLongWord) { FV.i = v; }
    Variant(long v) : FType(varInt64) { FV.i = v; }
    Variant(long long v) : FType(varInt64) { FV.i = v; }
    Variant(unsigned long v) : FType(varInt64) { FV.i = static_cast<Int64>(v); }
    Variant(unsigned long long v) : FType(varInt64) { FV.i = static_cast<Int64>(v); }
    Variant(short v) : FType(varSmallint) { FV.i = v; }
    Variant(unsigned short v) : FType(varWord) { FV.i = v; }
    Variant(signed char v) : FType(varShortInt) { FV.i = v; }
    Variant(unsigned char v) : FType(varByte) { FV.i = v; }
    Variant(double v) : FType(varDouble) { FV.d = v; }
    Variant(float v) : FType(varSingle) { FV.d = v; }
    Variant(const QString& v) : FType(varUString), FStr(v) {}
    Variant(const char16_t* v) : FType(varUString), FStr(QString::fromUtf16(v)) {}
    Variant(const char* v) : FType(varUString), FStr(QString::fromUtf8(v)) {}
    Variant(QChar v) : FType(varUString), FStr(v) {}
    explicit Variant(std::shared_ptr<IDispatchObject> disp);
    // A pointer would silently become a Boolean; objects travel as handles instead.
    template <typename T> Variant(T*) = delete;

    static Variant Null() {
        Variant v;
        v.FType = varNull;
        return v;
    }
    static Variant Empty() { return Variant(); }
    static Variant FromDate(TDateTime d) {
        Variant v;
        v.FType = varDate;
        v.FV.d = d;
        return v;
    }
    // Currency is a fixed-point number with four decimals, kept as value * 10000.
    static Variant FromCurrency(double value);
    static Variant FromCurrencyRaw(Int64 scaled) {
        Variant v;
        v.FType = varCurrency;
        v.FV.i = scaled;
        return v;
    }
    static Variant FromString(const QString& s, TVarType textType = varUString);
    static Variant FromError(int code) {
        Variant v;
        v.FType = varError;
        v.FV.i = code;
        return v;
    }

    TVarType VType() const { return FType; }
    bool IsEmpty() const { return FType == varEmpty; }
    bool IsNull() const { return FType == varNull; }
    bool IsArray() const { return (FType & varArray) != 0; }
    bool IsText() const { return FType == varUString || FType == varString || FType == varOleStr; }
    bool IsDispatch() const { return FType == varDispatch; }

    // Conversions by the rules of docs/variant-rules.md; failures raise EVariantTypeCastError
    // (or EVariantOverflowError for values out of range).
    int ToInt() const;
    Int64 ToInt64() const;
    double ToDouble() const;
    Int64 ToCurrencyRaw() const; // value * 10000
    TDateTime ToDate() const;
    bool ToBool() const;
    QString ToString() const; // Null raises; see VarToStr
    std::shared_ptr<IDispatchObject> ToDispatch() const;

    // Raw payload of the kinds that carry one; meaningful only for the matching VType.
    Int64 RawInt() const { return FV.i; }
    double RawDouble() const { return FV.d; }

    // A kind that holds neither text nor shared storage (Empty, Null, numbers, dates, Booleans):
    // its type code and payload bits are the whole value.
    static constexpr bool IsScalarType(TVarType t) {
        return t <= varDate || t == varBoolean || (t >= varShortInt && t <= varInt64);
    }
    bool IsScalar() const { return IsScalarType(FType); }
    // The payload bits of a scalar value, for SetScalarRaw.
    Int64 ScalarBits() const { return FV.i; }
    // Overwrites the value in place with a scalar given by type code and payload bits (as read
    // with ScalarBits); text or shared storage held before is released. t must be a scalar kind.
    void SetScalarRaw(TVarType t, Int64 bits) {
        if (FType != varInteger && !IsScalar()) ReleaseStorage();
        FType = t;
        FV.i = bits;
    }
    // Overwrites the value in place with an Integer; the same as assigning Variant(v).
    void SetInt(int v) { SetScalarRaw(varInteger, v); }

    // Variant arrays. Elements are Variants; an array of a simple element type converts what
    // is stored into it to that type. Copies share storage until one of them is written.
    int DimCount() const;
    int LowBound(int dim) const; // dim counts from 1
    int HighBound(int dim) const;
    TVarType ElementType() const;
    Variant GetElement(std::span<const int> indices) const;
    void SetElement(std::span<const int> indices, const Variant& value);
    Variant GetElement(int index) const { return GetElement(std::span<const int>(&index, 1)); }
    void SetElement(int index, const Variant& value) { SetElement(std::span<const int>(&index, 1), value); }
    // Changes the high bound of the last dimension, keeping the elements that still fit.
    void Redim(int highBound);

    // Operators. Each follows the rule table: Null propagates, numeric text is a number,
    // text + text joins, Booleans count as -1 and 0.
    friend Variant operator+(const Variant& a, const Variant& b);
    friend Variant operator-(const Variant& a, const Variant& b);
    friend Variant operator*(const Variant& a, const Variant& b);
    friend Variant operator/(const Variant& a, const Variant& b);
    Variant& operator+=(const Variant& b) { return *this = *this + b; }
    Variant& operator-=(const Variant& b) { return *this = *this - b; }
    Variant& operator*=(const Variant& b) { return *this = *this * b; }
    Variant& operator/=(const Variant& b) { return *this = *this / b; }
    Variant operator-() const;

    // Variant equality with the loose Null rule (Null equals Null only); ordering puts Null
    // below every other value. Arrays and dispatch values cannot be compared.
    friend bool operator==(const Variant& a, const Variant& b);
    friend bool operator!=(const Variant& a, const Variant& b) { return !(a == b); }
    friend bool operator<(const Variant& a, const Variant& b);
    friend bool operator>(const Variant& a, const Variant& b) { return b < a; }
    friend bool operator<=(const Variant& a, const Variant& b);
    friend bool operator>=(const Variant& a, const Variant& b) { return b <= a; }

    // Identical kind and payload (no conversion), for tests and change detection.
    bool SameAs(const Variant& other) const;

private:
    friend class TVariantAccess;
    void ReleaseStorage() {
        FStr = QString();
        FRef.reset();
    }
    TVarType FType = varEmpty;
    union {
        Int64 i;
        double d;
        bool b;
    } FV{0};
    QString FStr;
    std::shared_ptr<void> FRef; // array storage or dispatch object
};

enum class TVarOp {
    Add,
    Subtract,
    Multiply,
    Divide,
    IntDivide,
    Modulus,
    ShiftLeft,
    ShiftRight,
    And,
    Or,
    Xor
};

Variant VarBinaryOp(const Variant& a, const Variant& b, TVarOp op);
Variant VarIntDiv(const Variant& a, const Variant& b);
Variant VarMod(const Variant& a, const Variant& b);
Variant VarShl(const Variant& a, const Variant& b);
Variant VarShr(const Variant& a, const Variant& b);
Variant VarAnd(const Variant& a, const Variant& b);
Variant VarOr(const Variant& a, const Variant& b);
Variant VarXor(const Variant& a, const Variant& b);
Variant VarNot(const Variant& a);
Variant VarNeg(const Variant& a);

enum TVariantRelationship { vrEqual, vrLessThan, vrGreaterThan, vrNotEqual };
// vrNotEqual when either side is Null (and not both) or the two cannot be ordered.
TVariantRelationship VarCompareValue(const Variant& a, const Variant& b);

TVarType VarType(const Variant& v);
bool VarIsNull(const Variant& v);
bool VarIsEmpty(const Variant& v);
bool VarIsClear(const Variant& v);
bool VarIsArray(const Variant& v);
bool VarIsStr(const Variant& v);
bool VarIsNumeric(const Variant& v); // integer, float, currency, Boolean
bool VarIsOrdinal(const Variant& v); // integers and Booleans
bool VarIsFloat(const Variant& v);   // single, double, currency, date
// "Integer", "UnicodeString", "Double", ...; arrays as "Array Integer".
QString VarTypeAsText(TVarType t);

Variant VarAsType(const Variant& v, TVarType t);
// The value as text; Null gives the empty text instead of an error.
QString VarToStr(const Variant& v);
QString VarToStrDef(const Variant& v, const QString& def);
TDateTime VarToDateTime(const Variant& v);
Variant VarFromDateTime(TDateTime d);

// Bounds as pairs (low, high) per dimension; elementType is a simple type code or varVariant.
Variant VarArrayCreate(std::span<const int> bounds, TVarType elementType);
Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType);
// A one-dimensional varVariant array [0..n-1] of the given values.
Variant VarArrayOf(std::initializer_list<Variant> values);
Variant VarArrayOf(std::span<const Variant> values);
int VarArrayDimCount(const Variant& v);
int VarArrayLowBound(const Variant& v, int dim);
int VarArrayHighBound(const Variant& v, int dim);
Variant VarArrayGet(const Variant& v, std::span<const int> indices);
void VarArrayPut(Variant& v, const Variant& value, std::span<const int> indices);
void VarArrayRedim(Variant& v, int highBound);
// Byte arrays (BLOB contents) are stored one byte per element.
Variant VarArrayFromBytes(const QByteArray& bytes); // varArray | varByte, bounds 0..n-1
QByteArray VarArrayToBytes(const Variant& v);       // every element as a byte

// Errors raised by the variant routines, with the texts scripts see.
[[noreturn]] void VarCastError(TVarType from, TVarType to);
[[noreturn]] void VarInvalidOp();
