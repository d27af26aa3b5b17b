#pragma once
// The binary property stream: data a class keeps outside its published properties (a picture's
// bytes, a report's dataset list), written as name/value pairs with one-byte value tags. A class
// lists such data in TPersistent::DefineProperties; TWriter and TReader call it.
//
// Layout of one defined property: its name as a length byte and that many UTF-8 bytes, then its
// value. Values start with a TValueType tag; numbers and lengths are little-endian.

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <QByteArray>
#include <QString>

#include <functional>

class TPersistent;
class TReader;
class TWriter;

enum TValueType : quint8 {
    vaNull = 0, // end of a list
    vaList = 1,
    vaInt8 = 2,
    vaInt16 = 3,
    vaInt32 = 4,
    vaExtended = 5, // 10-byte float; read only
    vaString = 6,   // one-byte length, single-byte text
    vaIdent = 7,
    vaFalse = 8,
    vaTrue = 9,
    vaBinary = 10, // 32-bit length, bytes
    vaSet = 11,
    vaLString = 12, // 32-bit length, single-byte text
    vaNil = 13,
    vaCollection = 14,
    vaSingle = 15,
    vaCurrency = 16,
    vaDate = 17,
    vaWString = 18, // 32-bit length in UTF-16 units
    vaInt64 = 19,
    vaUTF8String = 20, // 32-bit length in bytes
    vaDouble = 21,
};

using TReaderProc = std::function<void(TReader& reader)>;
using TWriterProc = std::function<void(TWriter& writer)>;
using TBinaryReadProc = std::function<void(const QByteArray& data)>;
using TBinaryWriteProc = std::function<QByteArray()>;

class TFiler {
public:
    virtual ~TFiler() = default;
    // hasData: whether the writer should write it at all (a reader ignores it).
    virtual void DefineProperty(const QString& name, const TReaderProc& read, const TWriterProc& write,
                                bool hasData) = 0;
    virtual void DefineBinaryProperty(const QString& name, const TBinaryReadProc& read,
                                      const TBinaryWriteProc& write, bool hasData) = 0;
};

class TWriter : public TFiler {
public:
    void DefineProperty(const QString& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TBinaryReadProc& read, const TBinaryWriteProc& write,
                              bool hasData) override;

    // Every defined property of the object that has data; empty when there is none.
    void WriteDefinedProperties(TPersistent* instance);

    void WritePropName(const QString& name); // EWriteError beyond 255 UTF-8 bytes
    void WriteListBegin() { WriteValue(vaList); }
    void WriteListEnd() { WriteValue(vaNull); }
    // The smallest of 8, 16, 32 and 64 bits that holds the value.
    void WriteInteger(Int64 value);
    void WriteBoolean(bool value) { WriteValue(value ? vaTrue : vaFalse); }
    // Wide when UTF-8 would take at least two bytes a character, UTF-8 when it has non-ASCII
    // bytes, else single-byte text with a 32-bit length from 256 bytes on, a one-byte one below.
    void WriteString(const QString& value);
    void WriteIdent(const QString& value);
    void WriteFloat(double value); // vaDouble
    void WriteBinary(const QByteArray& value);
    void WriteValue(TValueType type) { FData.append(static_cast<char>(type)); }
    // A value exactly as ReadRawValue gave it (data kept for a class that reads it later).
    void WriteRawValue(const QByteArray& value) { FData.append(value); }

    const QByteArray& Data() const { return FData; }

private:
    void WriteRaw(const void* p, int n) { FData.append(static_cast<const char*>(p), n); }
    template <class T> void WriteLE(T v);
    QByteArray FData;
};

class TReader : public TFiler {
public:
    explicit TReader(const QByteArray& data) : FData(data) {}

    void DefineProperty(const QString& name, const TReaderProc& read, const TWriterProc& write,
                        bool hasData) override;
    void DefineBinaryProperty(const QString& name, const TBinaryReadProc& read, const TBinaryWriteProc& write,
                              bool hasData) override;

    // Reads name/value pairs into the object until the data ends. A name the object does not
    // define raises EReadError "Property X does not exist".
    void ReadDefinedProperties(TPersistent* instance);

    bool AtEnd() const { return FPos >= FData.size(); }
    int Position() const { return static_cast<int>(FPos); }
    TValueType NextValue() const; // EReadError at the end
    TValueType ReadValue();
    bool EndOfList() const { return NextValue() == vaNull; }
    void ReadListBegin() { CheckValue(vaList); }
    void ReadListEnd() { CheckValue(vaNull); }
    QString ReadPropName();
    Int64 ReadInteger(); // any integer tag
    bool ReadBoolean();
    QString ReadString(); // any text tag, identifiers included
    QString ReadIdent();
    double ReadFloat(); // doubles, singles, 10-byte floats, currency, dates and integers
    QByteArray ReadBinary();
    // Skips one value of any kind, lists and collections included.
    void SkipValue();
    // Skips one value and returns its bytes, tag included.
    QByteArray ReadRawValue();

private:
    void CheckValue(TValueType expected);
    [[noreturn]] void InvalidValue() const;
    QByteArray ReadBytes(qsizetype n);
    template <class T> T ReadLE();
    QByteArray FData;
    qsizetype FPos = 0;
    QString FPropName;
    bool FFound = false;
};
