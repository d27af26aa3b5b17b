#include "platform/data/Params.h"

#include "platform/rtl/Exceptions.h"

#include <QFile>

void TParam::SetAsString(const QString& value) {
    if (FDataType == ftUnknown) FDataType = ftWideString;
    FValue = TSQLValue::Text(value);
}

void TParam::SetAsInteger(int value) {
    if (FDataType == ftUnknown) FDataType = ftInteger;
    FValue = TSQLValue::Integer(value);
}

void TParam::SetAsLargeInt(Int64 value) {
    if (FDataType == ftUnknown) FDataType = ftLargeint;
    FValue = TSQLValue::Integer(value);
}

void TParam::SetAsFloat(double value) {
    if (FDataType == ftUnknown) FDataType = ftFloat;
    FValue = TSQLValue::Float(value);
}

void TParam::SetAsBoolean(bool value) {
    if (FDataType == ftUnknown) FDataType = ftBoolean;
    FValue = TSQLValue::Integer(value ? 1 : 0);
}

void TParam::SetAsDateTime(TDateTime value) {
    if (FDataType == ftUnknown) FDataType = ftDateTime;
    FValue = TSQLValue::Text(SQLDateTimeText(value));
}

Variant TParam::AsVariant() const {
    switch (FValue.Kind()) {
    case TSQLValueKind::Null:
        return Variant::Null();
    case TSQLValueKind::Integer:
        return Variant(static_cast<long long>(FValue.IntegerValue()));
    case TSQLValueKind::Float:
        return Variant(FValue.FloatValue());
    case TSQLValueKind::Text:
        return Variant(FValue.TextValue());
    case TSQLValueKind::Blob: {
        const QByteArray& bytes = FValue.BlobValue();
        Variant a = VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, varByte);
        for (int i = 0; i < bytes.size(); ++i)
            a.SetElement(i, Variant(static_cast<unsigned char>(bytes[i])));
        return a;
    }
    }
    return Variant::Null();
}

void TParam::SetAsVariant(const Variant& value) {
    const TVarType t = value.VType();
    if (value.IsNull() || value.IsEmpty()) {
        Clear();
    } else if (value.IsArray()) {
        if (value.DimCount() != 1)
            throw EVariantError(QStringLiteral("Only a one-dimensional array can be a BLOB parameter"));
        QByteArray bytes;
        for (int i = value.LowBound(1); i <= value.HighBound(1); ++i)
            bytes.append(static_cast<char>(value.GetElement(i).ToInt()));
        SetAsBlob(bytes);
    } else if (value.IsText()) {
        SetAsString(value.ToString());
    } else if (t == varBoolean) {
        SetAsBoolean(value.ToBool());
    } else if (t == varDate) {
        SetAsDateTime(value.ToDate());
    } else if (VarIsFloat(value)) {
        SetAsFloat(value.ToDouble());
    } else if (VarIsOrdinal(value)) {
        SetAsLargeInt(value.ToInt64());
    } else {
        throw EVariantError(QStringLiteral("A value of type %1 cannot be a parameter").arg(VarTypeAsText(t)));
    }
}

void TParam::SetAsBlob(const QByteArray& value) {
    FDataType = ftBlob;
    FValue = TSQLValue::Blob(value);
}

void TParam::LoadFromStream(TStream& stream, TFieldType blobType) {
    stream.SetPosition(0);
    const QByteArray bytes = stream.ReadAll();
    FDataType = blobType;
    FValue =
        (blobType == ftMemo || blobType == ftWideMemo || blobType == ftWideString || blobType == ftString)
            ? TSQLValue::Text(QString::fromUtf8(bytes))
            : TSQLValue::Blob(bytes);
}

void TParam::LoadFromFile(const QString& fileName, TFieldType blobType) {
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, f.errorString()));
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EReadError(QStringLiteral("Cannot read file \"%1\". %2").arg(fileName, f.errorString()));
    FDataType = blobType;
    FValue =
        (blobType == ftMemo || blobType == ftWideMemo || blobType == ftWideString || blobType == ftString)
            ? TSQLValue::Text(QString::fromUtf8(bytes))
            : TSQLValue::Blob(bytes);
}

TSQLValue TParam::BindValue() const {
    if ((FDataType == ftBlob || FDataType == ftGraphic) && FValue.Kind() == TSQLValueKind::Text)
        return TSQLValue::Blob(FValue.TextValue().toUtf8());
    return FValue;
}

TParams::TParams(const TParams& other) {
    *this = other;
}

TParams& TParams::operator=(const TParams& other) {
    if (this == &other) return *this;
    FItems.clear();
    for (const auto& p : other.FItems)
        FItems.push_back(std::make_unique<TParam>(*p));
    return *this;
}

TParam& TParams::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return *FItems[static_cast<size_t>(index)];
}

TParam& TParams::CreateParam(TFieldType dataType, const QString& name, TParamType paramType) {
    FItems.push_back(std::make_unique<TParam>(name, dataType, paramType));
    return *FItems.back();
}

TParam& TParams::AddParameter() {
    FItems.push_back(std::make_unique<TParam>());
    return *FItems.back();
}

TParam* TParams::FindParam(const QString& name) const {
    for (const auto& p : FItems)
        if (p->Name().compare(name, Qt::CaseInsensitive) == 0) return p.get();
    return nullptr;
}

TParam& TParams::ParamByName(const QString& name) const {
    if (TParam* p = FindParam(name)) return *p;
    throw EDatabaseError(QStringLiteral("Parameter '%1' not found").arg(name));
}
