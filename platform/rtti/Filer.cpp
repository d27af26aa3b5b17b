#include "platform/rtti/Filer.h"

#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"

#include <QtEndian>

#include <cmath>
#include <cstring>
#include <limits>

// ---------------------------------------------------------------------------------------------
// TWriter

template <class T> void TWriter::WriteLE(T v) {
    T le = qToLittleEndian(v);
    WriteRaw(&le, sizeof(T));
}

void TWriter::DefineProperty(const QString& name, const TReaderProc&, const TWriterProc& write,
                             bool hasData) {
    if (!hasData || !write) return;
    WritePropName(name);
    write(*this);
}

void TWriter::DefineBinaryProperty(const QString& name, const TBinaryReadProc&, const TBinaryWriteProc& write,
                                   bool hasData) {
    if (!hasData || !write) return;
    WritePropName(name);
    WriteBinary(write());
}

void TWriter::WriteDefinedProperties(TPersistent* instance) {
    if (instance) instance->DefineProperties(this);
}

void TWriter::WritePropName(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    if (utf8.size() > 255) throw EWriteError(QStringLiteral("Property name too long: %1").arg(name));
    FData.append(static_cast<char>(utf8.size()));
    FData.append(utf8);
}

void TWriter::WriteInteger(Int64 value) {
    if (value >= -128 && value <= 127) {
        WriteValue(vaInt8);
        FData.append(static_cast<char>(value));
    } else if (value >= -32768 && value <= 32767) {
        WriteValue(vaInt16);
        WriteLE(static_cast<qint16>(value));
    } else if (value >= std::numeric_limits<qint32>::min() && value <= std::numeric_limits<qint32>::max()) {
        WriteValue(vaInt32);
        WriteLE(static_cast<qint32>(value));
    } else {
        WriteValue(vaInt64);
        WriteLE(static_cast<qint64>(value));
    }
}

void TWriter::WriteString(const QString& value) {
    const QByteArray utf8 = value.toUtf8();
    if (utf8.size() >= 2 * value.size()) {
        WriteValue(vaWString);
        WriteLE(static_cast<qint32>(value.size()));
        for (QChar c : value)
            WriteLE(static_cast<quint16>(c.unicode()));
        return;
    }
    bool ascii = true;
    for (char b : utf8)
        ascii = ascii && static_cast<unsigned char>(b) < 128;
    if (!ascii) {
        WriteValue(vaUTF8String);
        WriteLE(static_cast<qint32>(utf8.size()));
    } else if (utf8.size() >= 256) {
        WriteValue(vaLString);
        WriteLE(static_cast<qint32>(utf8.size()));
    } else {
        WriteValue(vaString);
        FData.append(static_cast<char>(utf8.size()));
    }
    FData.append(utf8);
}

void TWriter::WriteIdent(const QString& value) {
    const QByteArray ascii = value.toLatin1();
    if (ascii.size() > 255) throw EWriteError(QStringLiteral("Identifier too long: %1").arg(value));
    WriteValue(vaIdent);
    FData.append(static_cast<char>(ascii.size()));
    FData.append(ascii);
}

void TWriter::WriteFloat(double value) {
    WriteValue(vaDouble);
    quint64 bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    WriteLE(bits);
}

void TWriter::WriteBinary(const QByteArray& value) {
    WriteValue(vaBinary);
    WriteLE(static_cast<qint32>(value.size()));
    FData.append(value);
}

// ---------------------------------------------------------------------------------------------
// TReader

void TReader::InvalidValue() const {
    throw EReadError(QStringLiteral("Invalid property value"));
}

QByteArray TReader::ReadBytes(qsizetype n) {
    if (n < 0 || n > FData.size() - FPos) throw EReadError(QStringLiteral("Stream read error"));
    QByteArray r = FData.mid(FPos, n);
    FPos += n;
    return r;
}

template <class T> T TReader::ReadLE() {
    const QByteArray b = ReadBytes(sizeof(T));
    return qFromLittleEndian<T>(b.constData());
}

void TReader::DefineProperty(const QString& name, const TReaderProc& read, const TWriterProc&, bool) {
    if (FFound || !read || !SameText(name, FPropName)) return;
    FFound = true;
    read(*this);
}

void TReader::DefineBinaryProperty(const QString& name, const TBinaryReadProc& read, const TBinaryWriteProc&,
                                   bool) {
    if (FFound || !read || !SameText(name, FPropName)) return;
    FFound = true;
    read(ReadBinary());
}

void TReader::ReadDefinedProperties(TPersistent* instance) {
    while (!AtEnd()) {
        FPropName = ReadPropName();
        FFound = false;
        if (instance) instance->DefineProperties(this);
        if (!FFound) throw EReadError(QStringLiteral("Property %1 does not exist").arg(FPropName));
    }
}

TValueType TReader::NextValue() const {
    if (AtEnd()) throw EReadError(QStringLiteral("Stream read error"));
    return static_cast<TValueType>(static_cast<quint8>(FData[FPos]));
}

TValueType TReader::ReadValue() {
    const TValueType t = NextValue();
    ++FPos;
    return t;
}

void TReader::CheckValue(TValueType expected) {
    if (ReadValue() != expected) InvalidValue();
}

QString TReader::ReadPropName() {
    const int n = static_cast<quint8>(ReadBytes(1)[0]);
    return QString::fromUtf8(ReadBytes(n));
}

Int64 TReader::ReadInteger() {
    switch (ReadValue()) {
    case vaInt8:
        return static_cast<qint8>(ReadBytes(1)[0]);
    case vaInt16:
        return ReadLE<qint16>();
    case vaInt32:
        return ReadLE<qint32>();
    case vaInt64:
        return ReadLE<qint64>();
    default:
        InvalidValue();
    }
}

bool TReader::ReadBoolean() {
    switch (ReadValue()) {
    case vaTrue:
        return true;
    case vaFalse:
        return false;
    default:
        InvalidValue();
    }
}

QString TReader::ReadString() {
    switch (ReadValue()) {
    case vaString:
    case vaIdent: {
        const int n = static_cast<quint8>(ReadBytes(1)[0]);
        return QString::fromLatin1(ReadBytes(n));
    }
    case vaLString:
        return QString::fromLatin1(ReadBytes(ReadLE<qint32>()));
    case vaUTF8String:
        return QString::fromUtf8(ReadBytes(ReadLE<qint32>()));
    case vaWString: {
        const qint32 n = ReadLE<qint32>();
        if (n < 0 || n > (FData.size() - FPos) / 2) throw EReadError(QStringLiteral("Stream read error"));
        QString s(n, Qt::Uninitialized);
        for (qint32 i = 0; i < n; ++i)
            s[i] = QChar(ReadLE<quint16>());
        return s;
    }
    default:
        InvalidValue();
    }
}

QString TReader::ReadIdent() {
    switch (NextValue()) {
    case vaIdent:
        return ReadString();
    case vaFalse:
        ++FPos;
        return QStringLiteral("False");
    case vaTrue:
        ++FPos;
        return QStringLiteral("True");
    case vaNil:
        ++FPos;
        return QStringLiteral("nil");
    case vaNull:
        ++FPos;
        return QStringLiteral("Null");
    default:
        InvalidValue();
    }
}

namespace {

// The 80-bit extended format: sign and 15-bit exponent, then a 64-bit mantissa with an
// explicit integer bit.
double ExtendedToDouble(const QByteArray& b) {
    const quint64 mantissa = qFromLittleEndian<quint64>(b.constData());
    const quint16 se = qFromLittleEndian<quint16>(b.constData() + 8);
    const bool negative = se & 0x8000;
    const int exponent = se & 0x7FFF;
    double v;
    if (exponent == 0 && mantissa == 0)
        v = 0;
    else if (exponent == 0x7FFF)
        v = (mantissa << 1) ? std::numeric_limits<double>::quiet_NaN() : INFINITY;
    else
        v = std::ldexp(static_cast<double>(mantissa), exponent - 16383 - 63);
    return negative ? -v : v;
}

} // namespace

double TReader::ReadFloat() {
    switch (NextValue()) {
    case vaExtended:
        ++FPos;
        return ExtendedToDouble(ReadBytes(10));
    case vaDouble:
    case vaDate: {
        ++FPos;
        const quint64 bits = ReadLE<quint64>();
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    case vaSingle: {
        ++FPos;
        const quint32 bits = ReadLE<quint32>();
        float f;
        std::memcpy(&f, &bits, sizeof f);
        return f;
    }
    case vaCurrency:
        ++FPos;
        return static_cast<double>(ReadLE<qint64>()) / 10000.0;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        return static_cast<double>(ReadInteger());
    default:
        InvalidValue();
    }
}

QByteArray TReader::ReadBinary() {
    CheckValue(vaBinary);
    return ReadBytes(ReadLE<qint32>());
}

void TReader::SkipValue() {
    switch (NextValue()) {
    case vaNull:
    case vaFalse:
    case vaTrue:
    case vaNil:
        ++FPos;
        return;
    case vaList:
        ++FPos;
        while (!EndOfList())
            SkipValue();
        ++FPos;
        return;
    case vaInt8:
    case vaInt16:
    case vaInt32:
    case vaInt64:
        ReadInteger();
        return;
    case vaExtended:
    case vaDouble:
    case vaDate:
    case vaSingle:
    case vaCurrency:
        ReadFloat();
        return;
    case vaString:
    case vaIdent:
    case vaLString:
    case vaUTF8String:
    case vaWString:
        ReadString();
        return;
    case vaBinary:
        ReadBinary();
        return;
    case vaSet:
        ++FPos;
        for (;;) { // identifiers up to an empty one
            const int n = static_cast<quint8>(ReadBytes(1)[0]);
            if (n == 0) return;
            ReadBytes(n);
        }
    case vaCollection:
        ++FPos;
        while (!EndOfList()) {
            const TValueType t = NextValue();
            if (t == vaInt8 || t == vaInt16 || t == vaInt32) ReadInteger(); // item index
            ReadListBegin();
            while (!EndOfList()) {
                ReadPropName();
                SkipValue();
            }
            ReadListEnd();
        }
        ++FPos;
        return;
    default:
        InvalidValue();
    }
}

QByteArray TReader::ReadRawValue() {
    const qsizetype start = FPos;
    SkipValue();
    return FData.mid(start, FPos - start);
}
