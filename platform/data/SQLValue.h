#pragma once
// One value as SQLite stores it: SQLite types values, not columns, so every cell of a result
// and every parameter carries its own storage class.

#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <variant>

enum class TSQLValueKind { Null, Integer, Float, Text, Blob };

class TSQLValue {
public:
    TSQLValue() = default;
    static TSQLValue Integer(Int64 v) {
        TSQLValue r;
        r.FData = v;
        return r;
    }
    static TSQLValue Float(double v) {
        TSQLValue r;
        r.FData = v;
        return r;
    }
    static TSQLValue Text(const QString& v) {
        TSQLValue r;
        r.FData = v;
        return r;
    }
    static TSQLValue Blob(const QByteArray& v) {
        TSQLValue r;
        r.FData = v;
        return r;
    }

    TSQLValueKind Kind() const { return static_cast<TSQLValueKind>(FData.index()); }
    bool IsNull() const { return Kind() == TSQLValueKind::Null; }

    // Typed reads. Conversions follow the field rules: NULL reads as 0, "" or empty bytes;
    // text that is not a number raises EConvertError.
    QString AsString() const;     // integers in decimal, floats by FloatToStr, BLOBs as UTF-8
    Int64 AsLargeInt() const;     // floats rounded half to even
    int AsInteger() const;        // EConvertError when the value does not fit in 32 bits
    double AsFloat() const;       // text read with "." first, then the locale's separator
    bool AsBoolean() const;       // numbers: non-zero; text: "True"/"False" or a number
    TDateTime AsDateTime() const; // text "yyyy-mm-dd[ hh:nn[:ss[.zzz]]]" or the locale's form
    QByteArray AsBytes() const;   // BLOBs as stored, text as UTF-8, numbers as their text

    // The raw payloads (valid only for the matching kind).
    Int64 IntegerValue() const { return std::get<Int64>(FData); }
    double FloatValue() const { return std::get<double>(FData); }
    const QString& TextValue() const { return std::get<QString>(FData); }
    const QByteArray& BlobValue() const { return std::get<QByteArray>(FData); }

    bool operator==(const TSQLValue& other) const { return FData == other.FData; }

private:
    std::variant<std::monostate, Int64, double, QString, QByteArray> FData;
};

// The stored form of a date-time value: "yyyy-mm-dd hh:nn:ss.zzz".
QString SQLDateTimeText(TDateTime value);
// Reads "yyyy-mm-dd", optionally followed by a blank or "T" and "hh:nn[:ss[.zzz]]".
bool TrySQLTextToDateTime(const QString& text, TDateTime& value);
