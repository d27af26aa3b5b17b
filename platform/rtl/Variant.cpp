// Variant storage, conversions and arrays. The operators live in VariantOps.cpp.

#include "platform/rtl/Variant.h"
#include "platform/rtl/VariantPrivate.h"

#include "platform/rtl/SysUtils.h"

#include <cmath>
#include <limits>

// ---------------------------------------------------------------------------------------------
// Errors

void VarCastError(TVarType from, TVarType to) {
    throw EVariantTypeCastError(QStringLiteral("Could not convert variant of type (%1) into type (%2)")
                                    .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

void VarInvalidOp() {
    throw EVariantInvalidOpError(QStringLiteral("Invalid variant operation"));
}

namespace VariantDetail {

[[noreturn]] void RangeError(TVarType from, TVarType to) {
    throw EVariantOverflowError(
        QStringLiteral("Range check error converting variant of type (%1) into type (%2)")
            .arg(VarTypeAsText(from), VarTypeAsText(to)));
}

[[noreturn]] void BoundsError() {
    throw EVariantBadIndexError(QStringLiteral("Variant or safe array index out of bounds"));
}

[[noreturn]] void NotArrayError() {
    throw EVariantNotAnArrayError(QStringLiteral("Variant is not an array"));
}

bool IsIntType(TVarType t) {
    switch (t) {
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return true;
    default:
        return false;
    }
}

bool IsTextType(TVarType t) {
    return t == varUString || t == varString || t == varOleStr;
}

// Rounds half to even, as the floating-point unit does by default; false when out of range.
bool RoundToInt64(double d, Int64& out) {
    if (!std::isfinite(d)) return false;
    const double r = std::nearbyint(d);
    if (!(r >= -9223372036854775808.0 && r < 9223372036854775808.0)) return false;
    out = static_cast<Int64>(r);
    return true;
}

} // namespace VariantDetail

using namespace VariantDetail;

// ---------------------------------------------------------------------------------------------
// Construction

Variant::Variant(std::shared_ptr<IDispatchObject> disp) : FType(disp ? varDispatch : varEmpty) {
    FRef = std::move(disp);
}

Variant Variant::FromCurrency(double value) {
    Int64 raw = 0;
    if (!RoundToInt64(value * 10000.0, raw)) RangeError(varDouble, varCurrency);
    return FromCurrencyRaw(raw);
}

Variant Variant::FromString(const QString& s, TVarType textType) {
    Variant v(s);
    v.FType = IsTextType(textType) ? textType : varUString;
    return v;
}

bool Variant::SameAs(const Variant& o) const {
    if (FType != o.FType) return false;
    switch (FType) {
    case varEmpty:
    case varNull:
        return true;
    case varBoolean:
        return FV.b == o.FV.b;
    case varSingle:
    case varDouble:
    case varDate:
        return FV.d == o.FV.d || (std::isnan(FV.d) && std::isnan(o.FV.d));
    case varUString:
    case varString:
    case varOleStr:
        return FStr == o.FStr;
    case varDispatch:
        return FRef == o.FRef;
    default:
        break;
    }
    if (IsArray()) {
        const auto& a = TVariantAccess::Array(*this);
        const auto& b = TVariantAccess::Array(o);
        if (a.Bounds.size() != b.Bounds.size()) return false;
        for (size_t i = 0; i < a.Bounds.size(); ++i)
            if (a.Bounds[i].LowBound != b.Bounds[i].LowBound ||
                a.Bounds[i].HighBound != b.Bounds[i].HighBound)
                return false;
        if (a.IsBytes() || b.IsBytes()) return a.IsBytes() == b.IsBytes() && a.Bytes == b.Bytes;
        for (size_t i = 0; i < a.Items.size(); ++i)
            if (!a.Items[i].SameAs(b.Items[i])) return false;
        return true;
    }
    return FV.i == o.FV.i;
}

// ---------------------------------------------------------------------------------------------
// Conversions

namespace {

// Text to a whole number: an integer literal, else a number with the locale's decimal
// separator rounded half to even.
bool TextToInt64(const QString& s, Int64& out) {
    if (TryStrToInt64(s, out)) return true;
    double d = 0;
    if (TryStrToFloat(s, d)) return RoundToInt64(d, out);
    return false;
}

// Currency printed from its scaled integer, so 1.2345 never shows binary noise.
QString CurrencyText(Int64 scaled) {
    const bool negative = scaled < 0;
    const UInt64 magnitude = negative ? UInt64(0) - static_cast<UInt64>(scaled) : static_cast<UInt64>(scaled);
    QString text = QString::number(magnitude / 10000);
    QString frac = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (frac.endsWith(QLatin1Char('0')))
        frac.chop(1);
    if (!frac.isEmpty()) text += FormatSettings().DecimalSeparator + frac;
    return negative ? QLatin1Char('-') + text : text;
}

} // namespace

Int64 VariantDetail::ToInt64For(const Variant& v, TVarType target) {
    switch (v.VType()) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return v.RawInt();
    case varBoolean:
        return v.ToBool() ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate: {
        Int64 r = 0;
        if (!RoundToInt64(v.RawDouble(), r)) RangeError(v.VType(), target);
        return r;
    }
    case varCurrency: {
        // Exact rounding of the scaled value, half to even.
        Int64 q = v.RawInt() / 10000;
        const Int64 rem = v.RawInt() % 10000;
        const Int64 mag = rem < 0 ? -rem : rem;
        if (mag > 5000 || (mag == 5000 && (q % 2) != 0)) q += rem < 0 ? -1 : 1;
        return q;
    }
    case varUString:
    case varString:
    case varOleStr: {
        Int64 r = 0;
        if (!TextToInt64(TVariantAccess::Text(v), r)) VarCastError(v.VType(), target);
        return r;
    }
    default:
        VarCastError(v.VType(), target);
    }
}

Int64 Variant::ToInt64() const {
    return ToInt64For(*this, varInt64);
}

int Variant::ToInt() const {
    const Int64 r = ToInt64For(*this, varInteger);
    if (r < std::numeric_limits<int>::min() || r > std::numeric_limits<int>::max())
        RangeError(FType, varInteger);
    return static_cast<int>(r);
}

double Variant::ToDouble() const {
    switch (FType) {
    case varEmpty:
        return 0;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return static_cast<double>(FV.i);
    case varBoolean:
        return FV.b ? -1 : 0;
    case varSingle:
    case varDouble:
    case varDate:
        return FV.d;
    case varCurrency:
        return static_cast<double>(FV.i) / 10000.0;
    case varUString:
    case varString:
    case varOleStr: {
        double d = 0;
        if (!TryStrToFloat(FStr, d)) VarCastError(FType, varDouble);
        return d;
    }
    default:
        VarCastError(FType, varDouble);
    }
}

Int64 Variant::ToCurrencyRaw() const {
    switch (FType) {
    case varCurrency:
        return FV.i;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        if (FV.i > 922337203685477LL || FV.i < -922337203685477LL) RangeError(FType, varCurrency);
        return FV.i * 10000;
    case varUString:
    case varString:
    case varOleStr: {
        double d = 0;
        if (!TryStrToFloat(FStr, d)) VarCastError(FType, varCurrency);
        Int64 r = 0;
        if (!RoundToInt64(d * 10000.0, r)) RangeError(FType, varCurrency);
        return r;
    }
    case varEmpty:
    case varBoolean:
    case varSingle:
    case varDouble:
    case varDate: {
        Int64 r = 0;
        if (!RoundToInt64(ToDouble() * 10000.0, r)) RangeError(FType, varCurrency);
        return r;
    }
    default:
        VarCastError(FType, varCurrency);
    }
}

TDateTime Variant::ToDate() const {
    switch (FType) {
    case varUString:
    case varString:
    case varOleStr: {
        TDateTime d = 0;
        if (!TryStrToDateTime(FStr, d)) VarCastError(FType, varDate);
        return d;
    }
    case varEmpty:
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varBoolean:
    case varSingle:
    case varDouble:
    case varDate:
    case varCurrency:
        return ToDouble();
    default:
        VarCastError(FType, varDate);
    }
}

bool Variant::ToBool() const {
    switch (FType) {
    case varEmpty:
        return false;
    case varBoolean:
        return FV.b;
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varCurrency:
        return FV.i != 0;
    case varSingle:
    case varDouble:
    case varDate:
        return FV.d != 0;
    case varUString:
    case varString:
    case varOleStr: {
        bool b = false;
        if (!TryStrToBool(FStr, b)) VarCastError(FType, varBoolean);
        return b;
    }
    default:
        VarCastError(FType, varBoolean);
    }
}

QString Variant::ToString() const {
    switch (FType) {
    case varEmpty:
        return QString();
    case varSmallint:
    case varInteger:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
        return IntToStr(FV.i);
    case varBoolean:
        return FV.b ? DefaultTrueBoolStr : DefaultFalseBoolStr;
    // A single keeps the digits it can hold, so 0.1 does not print as 0.100000001490116.
    case varSingle:
        return FloatToStrF(FV.d, ffGeneral, 7, 0);
    case varDouble:
        return FloatToStr(FV.d);
    case varCurrency:
        return CurrencyText(FV.i);
    case varDate:
        return DateTimeToStr(FV.d);
    case varUString:
    case varString:
    case varOleStr:
        return FStr;
    default:
        VarCastError(FType, varUString);
    }
}

std::shared_ptr<IDispatchObject> Variant::ToDispatch() const {
    if (FType == varDispatch) return std::static_pointer_cast<IDispatchObject>(FRef);
    VarCastError(FType, varDispatch);
}

// ---------------------------------------------------------------------------------------------
// Free functions

TVarType VarType(const Variant& v) {
    return v.VType();
}
bool VarIsNull(const Variant& v) {
    return v.IsNull();
}
bool VarIsEmpty(const Variant& v) {
    return v.IsEmpty();
}
bool VarIsClear(const Variant& v) {
    return v.IsEmpty();
}
bool VarIsArray(const Variant& v) {
    return v.IsArray();
}
bool VarIsStr(const Variant& v) {
    return v.IsText();
}
bool VarIsNumeric(const Variant& v) {
    return IsIntType(v.VType()) || v.VType() == varSingle || v.VType() == varDouble ||
           v.VType() == varCurrency || v.VType() == varBoolean;
}
bool VarIsOrdinal(const Variant& v) {
    return IsIntType(v.VType()) || v.VType() == varBoolean;
}
bool VarIsFloat(const Variant& v) {
    return v.VType() == varSingle || v.VType() == varDouble || v.VType() == varCurrency ||
           v.VType() == varDate;
}

QString VarTypeAsText(TVarType t) {
    QString name;
    switch (t & varTypeMask) {
    case varEmpty:
        name = QStringLiteral("Empty");
        break;
    case varNull:
        name = QStringLiteral("Null");
        break;
    case varSmallint:
        name = QStringLiteral("Smallint");
        break;
    case varInteger:
        name = QStringLiteral("Integer");
        break;
    case varSingle:
        name = QStringLiteral("Single");
        break;
    case varDouble:
        name = QStringLiteral("Double");
        break;
    case varCurrency:
        name = QStringLiteral("Currency");
        break;
    case varDate:
        name = QStringLiteral("Date");
        break;
    case varOleStr:
        name = QStringLiteral("OleStr");
        break;
    case varDispatch:
        name = QStringLiteral("Dispatch");
        break;
    case varError:
        name = QStringLiteral("Error");
        break;
    case varBoolean:
        name = QStringLiteral("Boolean");
        break;
    case varVariant:
        name = QStringLiteral("Variant");
        break;
    case varUnknown:
        name = QStringLiteral("Unknown");
        break;
    case varShortInt:
        name = QStringLiteral("ShortInt");
        break;
    case varByte:
        name = QStringLiteral("Byte");
        break;
    case varWord:
        name = QStringLiteral("Word");
        break;
    case varLongWord:
        name = QStringLiteral("LongWord");
        break;
    case varInt64:
        name = QStringLiteral("Int64");
        break;
    case varString:
        name = QStringLiteral("String");
        break;
    case varAny:
        name = QStringLiteral("Any");
        break;
    case varUString:
        name = QStringLiteral("UnicodeString");
        break;
    default:
        name = QStringLiteral("$%1").arg(t & varTypeMask, 4, 16, QLatin1Char('0')).toUpper();
        break;
    }
    if (t & varArray) name = QStringLiteral("Array ") + name;
    if (t & varByRef) name = QStringLiteral("ByRef ") + name;
    return name;
}

Variant VarAsType(const Variant& v, TVarType t) {
    if (v.VType() == t || t == varVariant) return v;
    if (v.IsArray() || (t & varArray)) VarCastError(v.VType(), t);
    switch (t) {
    case varEmpty:
        return Variant();
    case varNull:
        return Variant::Null();
    case varSmallint: {
        const Int64 r = ToInt64For(v, t);
        if (r < -32768 || r > 32767) RangeError(v.VType(), t);
        return Variant(static_cast<short>(r));
    }
    case varInteger:
        return Variant(v.ToInt());
    case varShortInt: {
        const Int64 r = ToInt64For(v, t);
        if (r < -128 || r > 127) RangeError(v.VType(), t);
        return Variant(static_cast<signed char>(r));
    }
    case varByte: {
        const Int64 r = ToInt64For(v, t);
        if (r < 0 || r > 255) RangeError(v.VType(), t);
        return Variant(static_cast<unsigned char>(r));
    }
    case varWord: {
        const Int64 r = ToInt64For(v, t);
        if (r < 0 || r > 65535) RangeError(v.VType(), t);
        return Variant(static_cast<unsigned short>(r));
    }
    case varLongWord: {
        const Int64 r = ToInt64For(v, t);
        if (r < 0 || r > 4294967295LL) RangeError(v.VType(), t);
        return Variant(static_cast<unsigned>(r));
    }
    case varInt64:
        return Variant(static_cast<long long>(v.ToInt64()));
    case varSingle: {
        const double d = v.ToDouble();
        if (std::isfinite(d) && std::fabs(d) > std::numeric_limits<float>::max()) RangeError(v.VType(), t);
        return Variant(static_cast<float>(d));
    }
    case varDouble:
        return Variant(v.ToDouble());
    case varCurrency:
        return Variant::FromCurrencyRaw(v.ToCurrencyRaw());
    case varDate:
        return Variant::FromDate(v.ToDate());
    case varBoolean:
        return Variant(v.ToBool());
    case varUString:
    case varString:
    case varOleStr:
        return Variant::FromString(v.ToString(), t);
    case varDispatch:
        return Variant(v.ToDispatch());
    default:
        VarCastError(v.VType(), t);
    }
}

QString VarToStr(const Variant& v) {
    return v.IsNull() ? QString() : v.ToString();
}

QString VarToStrDef(const Variant& v, const QString& def) {
    return v.IsNull() ? def : v.ToString();
}

TDateTime VarToDateTime(const Variant& v) {
    return v.ToDate();
}

Variant VarFromDateTime(TDateTime d) {
    return Variant::FromDate(d);
}

// ---------------------------------------------------------------------------------------------
// Arrays

namespace {

bool ValidElementType(TVarType t) {
    switch (t) {
    case varSmallint:
    case varInteger:
    case varSingle:
    case varDouble:
    case varCurrency:
    case varDate:
    case varOleStr:
    case varDispatch:
    case varError:
    case varBoolean:
    case varVariant:
    case varShortInt:
    case varByte:
    case varWord:
    case varLongWord:
    case varInt64:
    case varString:
    case varUString:
        return true;
    default:
        return false;
    }
}

Variant ZeroOf(TVarType t) {
    if (t == varVariant || t == varDispatch) return Variant();
    if (t == varError) return Variant::FromError(0);
    return VarAsType(Variant(), t);
}

} // namespace

const TVarArrayData& TVariantAccess::Array(const Variant& v) {
    if (!v.IsArray()) NotArrayError();
    return *std::static_pointer_cast<TVarArrayData>(v.FRef);
}

TVarArrayData& TVariantAccess::MutableArray(Variant& v) {
    if (!v.IsArray()) NotArrayError();
    if (v.FRef.use_count() > 1) // copy on write: arrays have value semantics
        v.FRef = std::make_shared<TVarArrayData>(*std::static_pointer_cast<TVarArrayData>(v.FRef));
    return *std::static_pointer_cast<TVarArrayData>(v.FRef);
}

Variant TVariantAccess::MakeArray(std::shared_ptr<TVarArrayData> data) {
    Variant v;
    v.FType = varArray | data->ElementType;
    v.FRef = std::move(data);
    return v;
}

void TVarArrayData::Fill(size_t total) {
    if (IsBytes())
        Bytes = QByteArray(static_cast<qsizetype>(total), '\0');
    else
        Items.assign(total, ZeroOf(ElementType));
}

Variant TVarArrayData::At(size_t offset) const {
    if (IsBytes()) return Variant(static_cast<unsigned char>(Bytes[static_cast<qsizetype>(offset)]));
    return Items[offset];
}

void TVarArrayData::Put(size_t offset, const Variant& converted) {
    if (IsBytes())
        Bytes[static_cast<qsizetype>(offset)] = static_cast<char>(converted.RawInt());
    else
        Items[offset] = converted;
}

size_t TVarArrayData::Offset(std::span<const int> indices) const {
    if (indices.size() != Bounds.size()) BoundsError();
    size_t offset = 0;
    for (size_t d = 0; d < Bounds.size(); ++d) {
        const auto& b = Bounds[d];
        if (indices[d] < b.LowBound || indices[d] > b.HighBound) BoundsError();
        offset = offset * static_cast<size_t>(b.HighBound - b.LowBound + 1) +
                 static_cast<size_t>(indices[d] - b.LowBound);
    }
    return offset;
}

Variant VarArrayCreate(std::span<const int> bounds, TVarType elementType) {
    if (bounds.empty() || bounds.size() % 2 != 0)
        throw EVariantInvalidArgError(QStringLiteral("Invalid argument"));
    if (!ValidElementType(elementType))
        throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
    auto data = std::make_shared<TVarArrayData>();
    data->ElementType = elementType;
    Int64 total = 1;
    for (size_t i = 0; i < bounds.size(); i += 2) {
        const TVarArrayBound b{bounds[i], bounds[i + 1]};
        if (Int64(b.HighBound) - b.LowBound + 1 < 0)
            throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
        total *= Int64(b.HighBound) - b.LowBound + 1;
        if (total > (Int64(1) << 28))
            throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
        data->Bounds.push_back(b);
    }
    data->Fill(static_cast<size_t>(total));
    return TVariantAccess::MakeArray(std::move(data));
}

Variant VarArrayCreate(std::initializer_list<int> bounds, TVarType elementType) {
    return VarArrayCreate(std::span<const int>(bounds.begin(), bounds.size()), elementType);
}

Variant VarArrayOf(std::span<const Variant> values) {
    Variant v = VarArrayCreate({0, static_cast<int>(values.size()) - 1}, varVariant);
    auto& data = TVariantAccess::MutableArray(v);
    for (size_t i = 0; i < values.size(); ++i)
        data.Items[i] = values[i];
    return v;
}

Variant VarArrayOf(std::initializer_list<Variant> values) {
    return VarArrayOf(std::span<const Variant>(values.begin(), values.size()));
}

int Variant::DimCount() const {
    return IsArray() ? static_cast<int>(TVariantAccess::Array(*this).Bounds.size()) : 0;
}

int Variant::LowBound(int dim) const {
    const auto& a = TVariantAccess::Array(*this);
    if (dim < 1 || dim > static_cast<int>(a.Bounds.size())) BoundsError();
    return a.Bounds[dim - 1].LowBound;
}

int Variant::HighBound(int dim) const {
    const auto& a = TVariantAccess::Array(*this);
    if (dim < 1 || dim > static_cast<int>(a.Bounds.size())) BoundsError();
    return a.Bounds[dim - 1].HighBound;
}

TVarType Variant::ElementType() const {
    return TVariantAccess::Array(*this).ElementType;
}

Variant Variant::GetElement(std::span<const int> indices) const {
    const auto& a = TVariantAccess::Array(*this);
    return a.At(a.Offset(indices));
}

void Variant::SetElement(std::span<const int> indices, const Variant& value) {
    TVarType elem = TVariantAccess::Array(*this).ElementType;
    Variant converted = elem == varVariant ? value : VarAsType(value, elem);
    auto& a = TVariantAccess::MutableArray(*this);
    a.Put(a.Offset(indices), converted);
}

void Variant::Redim(int highBound) {
    const auto& old = TVariantAccess::Array(*this);
    const TVarArrayBound last = old.Bounds.back();
    if (Int64(highBound) - last.LowBound + 1 < 0)
        throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
    auto data = std::make_shared<TVarArrayData>();
    data->ElementType = old.ElementType;
    data->Bounds = old.Bounds;
    data->Bounds.back().HighBound = highBound;
    Int64 total = 1;
    for (const auto& b : data->Bounds)
        total *= Int64(b.HighBound) - b.LowBound + 1;
    if (total > (Int64(1) << 28))
        throw EVariantArrayCreateError(QStringLiteral("Error creating variant or safe array"));
    data->Fill(static_cast<size_t>(total));
    // Elements are laid out with the last index running fastest, so each run of the last
    // dimension is copied as far as it fits.
    const size_t oldRun = static_cast<size_t>(last.HighBound - last.LowBound + 1);
    const size_t newRun = static_cast<size_t>(highBound - last.LowBound + 1);
    const size_t keep = std::min(oldRun, newRun);
    const size_t runs = oldRun ? old.Size() / oldRun : 0;
    for (size_t r = 0; r < runs && newRun; ++r)
        for (size_t i = 0; i < keep; ++i)
            data->Put(r * newRun + i, old.At(r * oldRun + i));
    *this = TVariantAccess::MakeArray(std::move(data));
}

int VarArrayDimCount(const Variant& v) {
    return v.DimCount();
}
int VarArrayLowBound(const Variant& v, int dim) {
    return v.LowBound(dim);
}
int VarArrayHighBound(const Variant& v, int dim) {
    return v.HighBound(dim);
}
Variant VarArrayGet(const Variant& v, std::span<const int> indices) {
    return v.GetElement(indices);
}
void VarArrayPut(Variant& v, const Variant& value, std::span<const int> indices) {
    v.SetElement(indices, value);
}
void VarArrayRedim(Variant& v, int highBound) {
    v.Redim(highBound);
}

Variant VarArrayFromBytes(const QByteArray& bytes) {
    auto data = std::make_shared<TVarArrayData>();
    data->ElementType = varByte;
    data->Bounds.push_back({0, static_cast<int>(bytes.size()) - 1});
    data->Bytes = bytes;
    return TVariantAccess::MakeArray(std::move(data));
}

QByteArray VarArrayToBytes(const Variant& v) {
    const auto& a = TVariantAccess::Array(v);
    if (a.IsBytes()) return a.Bytes;
    QByteArray r;
    r.reserve(static_cast<qsizetype>(a.Items.size()));
    for (const Variant& e : a.Items)
        r.append(static_cast<char>(VarAsType(e, varByte).RawInt()));
    return r;
}
