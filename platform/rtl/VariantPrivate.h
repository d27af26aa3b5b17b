#pragma once
// Internals shared by Variant.cpp and VariantOps.cpp; not for use outside them.

#include "platform/rtl/Variant.h"

#include <QByteArray>

#include <memory>
#include <span>
#include <vector>

struct TVarArrayData {
    TVarType ElementType = varVariant;
    std::vector<TVarArrayBound> Bounds;
    std::vector<Variant> Items; // last index runs fastest
    QByteArray Bytes;           // instead of Items for byte arrays (BLOBs), one byte each
    bool IsBytes() const { return ElementType == varByte; }
    size_t Size() const { return IsBytes() ? static_cast<size_t>(Bytes.size()) : Items.size(); }
    void Fill(size_t total);
    Variant At(size_t offset) const;
    void Put(size_t offset, const Variant& converted);
    size_t Offset(std::span<const int> indices) const; // raises on a bad index
};

class TVariantAccess {
public:
    static const QString& Text(const Variant& v) { return v.FStr; }
    static const TVarArrayData& Array(const Variant& v);
    static TVarArrayData& MutableArray(Variant& v);
    static Variant MakeArray(std::shared_ptr<TVarArrayData> data);
};

namespace VariantDetail {
[[noreturn]] void RangeError(TVarType from, TVarType to);
[[noreturn]] void BoundsError();
[[noreturn]] void NotArrayError();
bool IsIntType(TVarType t);
bool IsTextType(TVarType t);
bool RoundToInt64(double d, Int64& out);
// Whole-number conversion; target names the type in error messages.
Int64 ToInt64For(const Variant& v, TVarType target);
} // namespace VariantDetail
