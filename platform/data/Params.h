#pragma once
// Statement parameters. A statement names them ":name" (also "@name" or "$name") and is bound
// by name, or uses "?" / "?NNN" and is bound by position (the first "?" takes the first
// parameter of the list). Values never become part of the SQL text.

#include "platform/data/DataSet.h"
#include "platform/data/SQLValue.h"

#include <QString>

#include <memory>
#include <vector>

enum TParamType { ptUnknown, ptInput, ptOutput, ptInputOutput, ptResult };

class TParam {
public:
    TParam() = default;
    TParam(const QString& name, TFieldType dataType, TParamType paramType)
        : FName(name), FDataType(dataType), FParamType(paramType) {}

    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    TFieldType DataType() const { return FDataType; }
    void SetDataType(TFieldType value) { FDataType = value; }
    TParamType ParamType() const { return FParamType; }
    void SetParamType(TParamType value) { FParamType = value; }

    const TSQLValue& Value() const { return FValue; }
    void SetValue(const TSQLValue& value) { FValue = value; }
    bool IsNull() const { return FValue.IsNull(); }
    void Clear() { FValue = TSQLValue(); }

    QString AsString() const { return FValue.AsString(); }
    void SetAsString(const QString& value);
    int AsInteger() const { return FValue.AsInteger(); }
    void SetAsInteger(int value);
    Int64 AsLargeInt() const { return FValue.AsLargeInt(); }
    void SetAsLargeInt(Int64 value);
    double AsFloat() const { return FValue.AsFloat(); }
    void SetAsFloat(double value);
    bool AsBoolean() const { return FValue.AsBoolean(); }
    void SetAsBoolean(bool value); // stored as 1 or 0
    TDateTime AsDateTime() const { return FValue.AsDateTime(); }
    void SetAsDateTime(TDateTime value); // stored as "yyyy-mm-dd hh:nn:ss.zzz"
    // Null and Empty bind NULL; integers, floats, currency and text as themselves; Booleans as
    // 1 or 0; dates as "yyyy-mm-dd hh:nn:ss.zzz"; a byte array as a BLOB. Anything else raises
    // EVariantError.
    Variant AsVariant() const;
    void SetAsVariant(const Variant& value);
    QByteArray AsBlob() const { return FValue.AsBytes(); }
    void SetAsBlob(const QByteArray& value);
    void SetBlobData(const QByteArray& value) { SetAsBlob(value); }
    // The whole stream from its start, as a BLOB (or as UTF-8 text for text types).
    void LoadFromStream(TStream& stream, TFieldType blobType);
    // The file's bytes; EFOpenError when it cannot be read.
    void LoadFromFile(const QString& fileName, TFieldType blobType);

    // The value to bind: a text value of a BLOB parameter binds its UTF-8 bytes.
    TSQLValue BindValue() const;

private:
    QString FName;
    TFieldType FDataType = ftUnknown;
    TParamType FParamType = ptInput;
    TSQLValue FValue;
};

class TParams {
public:
    TParams() = default;
    TParams(const TParams& other);
    TParams& operator=(const TParams& other);

    int Count() const { return static_cast<int>(FItems.size()); }
    TParam& Items(int index) const; // EListError outside 0..Count-1
    TParam& operator[](int index) const { return Items(index); }
    TParam& CreateParam(TFieldType dataType, const QString& name, TParamType paramType);
    TParam& AddParameter();
    // Names are compared without regard to letter case.
    TParam* FindParam(const QString& name) const;
    TParam& ParamByName(const QString& name) const; // EDatabaseError "Parameter 'x' not found"
    void Clear() { FItems.clear(); }

private:
    std::vector<std::unique_ptr<TParam>> FItems;
};
