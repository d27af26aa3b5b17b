#include "platform/rtl/Streams.h"

#include <QLocale>
#include <QStringDecoder>
#include <QStringEncoder>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

// ---------------------------------------------------------------------------------------------
// TEncoding

namespace {

std::atomic<int> GAnsiCodePage{0};

int AnsiCodePageOfLocale() {
    switch (QLocale::system().language()) {
    case QLocale::Russian:
    case QLocale::Ukrainian:
    case QLocale::Belarusian:
    case QLocale::Bulgarian:
    case QLocale::Macedonian:
    case QLocale::Serbian:
    case QLocale::Kazakh:
    case QLocale::Kyrgyz:
    case QLocale::Tatar:
    case QLocale::Mongolian:
    case QLocale::Bashkir:
        return 1251;
    case QLocale::Polish:
    case QLocale::Czech:
    case QLocale::Slovak:
    case QLocale::Hungarian:
    case QLocale::Slovenian:
    case QLocale::Croatian:
    case QLocale::Romanian:
    case QLocale::Albanian:
        return 1250;
    case QLocale::Greek: return 1253;
    case QLocale::Turkish:
    case QLocale::Azerbaijani: return 1254;
    case QLocale::Hebrew: return 1255;
    case QLocale::Arabic:
    case QLocale::Persian:
    case QLocale::Urdu: return 1256;
    case QLocale::Estonian:
    case QLocale::Latvian:
    case QLocale::Lithuanian: return 1257;
    case QLocale::Vietnamese: return 1258;
    case QLocale::Thai: return 874;
    case QLocale::Japanese: return 932;
    case QLocale::Korean: return 949;
    case QLocale::Chinese:
        return QLocale::system().script() == QLocale::TraditionalChineseScript ? 950 : 936;
    default: return 1252;
    }
}

QString CodePageName(int codePage) {
    switch (codePage) {
    case 874: return QStringLiteral("windows-874");
    case 932: return QStringLiteral("windows-31j");
    case 936: return QStringLiteral("GBK");
    case 949: return QStringLiteral("windows-949");
    case 950: return QStringLiteral("Big5");
    case 1200: return QStringLiteral("UTF-16LE");
    case 1201: return QStringLiteral("UTF-16BE");
    case 10000: return QStringLiteral("macintosh");
    case 10006: return QStringLiteral("x-mac-greek");
    case 10007: return QStringLiteral("x-mac-cyrillic");
    case 10029: return QStringLiteral("x-mac-centraleurroman");
    case 10081: return QStringLiteral("x-mac-turkish");
    case 20866: return QStringLiteral("KOI8-R");
    case 21866: return QStringLiteral("KOI8-U");
    case 20127: return QStringLiteral("US-ASCII");
    case 65001: return QStringLiteral("UTF-8");
    default: break;
    }
    if (codePage >= 1250 && codePage <= 1258)
        return QStringLiteral("windows-%1").arg(codePage);
    if (codePage >= 28591 && codePage <= 28605)
        return QStringLiteral("ISO-8859-%1").arg(codePage - 28590);
    if (codePage > 0 && codePage < 1000)
        return QStringLiteral("IBM%1").arg(codePage, 3, 10, QLatin1Char('0'));
    return QString();
}

bool SameName(const QString& a, const char* b) {
    return a.compare(QLatin1String(b), Qt::CaseInsensitive) == 0;
}

} // namespace

TEncoding::TEncoding() : FName(QStringLiteral("UTF-8")), FPreamble(false) {}

TEncoding TEncoding::UTF8() { return TEncoding(QStringLiteral("UTF-8"), true); }
TEncoding TEncoding::UTF8WithoutBOM() { return TEncoding(QStringLiteral("UTF-8"), false); }
TEncoding TEncoding::Unicode() { return TEncoding(QStringLiteral("UTF-16LE"), true); }
TEncoding TEncoding::BigEndianUnicode() { return TEncoding(QStringLiteral("UTF-16BE"), true); }
TEncoding TEncoding::ANSI() { return GetEncoding(AnsiCodePage()); }

bool TEncoding::IsKnown(const QString& name) {
    if (name.isEmpty())
        return false;
    const QByteArray n = name.toLatin1();
    return QStringEncoder(n.constData()).isValid() && QStringDecoder(n.constData()).isValid();
}

TEncoding TEncoding::GetEncoding(const QString& name) {
    if (SameName(name, "UTF-8") || SameName(name, "UTF8"))
        return UTF8WithoutBOM();
    if (SameName(name, "UTF-16") || SameName(name, "UTF-16LE") || SameName(name, "unicode"))
        return Unicode();
    if (SameName(name, "UTF-16BE"))
        return BigEndianUnicode();
    if (!IsKnown(name))
        throw EConvertError(QStringLiteral("Unknown encoding \"%1\"").arg(name));
    return TEncoding(name, false);
}

TEncoding TEncoding::GetEncoding(int codePage) {
    const QString name = CodePageName(codePage);
    if (name.isEmpty() || !IsKnown(name))
        throw EConvertError(QStringLiteral("Unknown code page %1").arg(codePage));
    return GetEncoding(name);
}

int TEncoding::AnsiCodePage() {
    int cp = GAnsiCodePage.load();
    if (cp == 0) {
        cp = AnsiCodePageOfLocale();
        if (!IsKnown(CodePageName(cp)))
            cp = 1252;
        GAnsiCodePage.store(cp);
    }
    return cp;
}

void TEncoding::SetAnsiCodePage(int codePage) {
    GetEncoding(codePage); // raises for a code page we cannot convert
    GAnsiCodePage.store(codePage);
}

bool TEncoding::IsUTF8() const { return SameName(FName, "UTF-8"); }
bool TEncoding::IsUnicode() const {
    return SameName(FName, "UTF-16LE") || SameName(FName, "UTF-16BE");
}
bool TEncoding::IsSingleByte() const {
    if (IsUTF8() || IsUnicode())
        return false;
    // Multi-byte Asian code pages are the exception among the names we hand out.
    return !(SameName(FName, "windows-31j") || SameName(FName, "Shift_JIS") ||
             SameName(FName, "GBK") || SameName(FName, "windows-949") || SameName(FName, "Big5"));
}

QByteArray TEncoding::Preamble() const {
    if (!FPreamble)
        return {};
    if (IsUTF8())
        return QByteArray("\xEF\xBB\xBF", 3);
    if (SameName(FName, "UTF-16LE"))
        return QByteArray("\xFF\xFE", 2);
    if (SameName(FName, "UTF-16BE"))
        return QByteArray("\xFE\xFF", 2);
    return {};
}

TEncoding TEncoding::WithoutPreamble() const { return TEncoding(FName, false); }
TEncoding TEncoding::WithPreamble() const { return TEncoding(FName, IsUTF8() || IsUnicode()); }

QByteArray TEncoding::GetBytes(const QString& text) const {
    const QByteArray name = FName.toLatin1();
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    QByteArray out = encoder.encode(text);
    if (!encoder.hasError())
        return out;
    // Write what cannot be held as '?', one character at a time, as the original platform did.
    out.clear();
    for (qsizetype i = 0; i < text.size();) {
        const qsizetype len = (text.at(i).isHighSurrogate() && i + 1 < text.size() &&
                               text.at(i + 1).isLowSurrogate())
                                  ? 2
                                  : 1;
        QStringEncoder one(name.constData(), QStringConverter::Flag::Stateless);
        const QByteArray part = one.encode(QStringView(text).mid(i, len));
        out += one.hasError() ? QByteArray("?") : part;
        i += len;
    }
    return out;
}

QString TEncoding::GetString(const QByteArray& bytes) const {
    const QByteArray name = FName.toLatin1();
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    return decoder.decode(bytes);
}

bool TEncoding::CanEncode(const QString& text) const {
    if (IsUTF8() || IsUnicode())
        return true;
    const QByteArray name = FName.toLatin1();
    QStringEncoder encoder(name.constData(), QStringConverter::Flag::Stateless);
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && GetString(bytes) == text;
}

int TEncoding::GetBufferEncoding(const QByteArray& buffer, TEncoding& encoding) {
    if (buffer.startsWith("\xEF\xBB\xBF")) {
        encoding = UTF8();
        return 3;
    }
    if (buffer.startsWith("\xFF\xFE")) {
        encoding = Unicode();
        return 2;
    }
    if (buffer.startsWith("\xFE\xFF")) {
        encoding = BigEndianUnicode();
        return 2;
    }
    return 0;
}

TEncoding TEncoding::DetectWithoutBOM(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    const QString decoded = utf8.decode(bytes); // the decoder works only when converted
    if (!utf8.hasError())
        return UTF8WithoutBOM();
    return ANSI();
}

QString TEncoding::DecodeText(const QByteArray& bytes, TEncoding* used) {
    TEncoding enc;
    const int skip = GetBufferEncoding(bytes, enc);
    if (skip == 0)
        enc = DetectWithoutBOM(bytes);
    if (used)
        *used = enc;
    return enc.GetString(skip ? bytes.mid(skip) : bytes);
}

// ---------------------------------------------------------------------------------------------
// TStream

namespace {
constexpr Int64 MaxChunk = 1 << 20;
}

Int64 TStream::Seek(Int64 offset, quint16 origin) {
    switch (origin) {
    case soFromBeginning: return Seek(offset, soBeginning);
    case soFromCurrent: return Seek(offset, soCurrent);
    case soFromEnd: return Seek(offset, soEnd);
    default: throw EStreamError(QStringLiteral("Invalid seek origin (%1)").arg(origin));
    }
}

Int64 TStream::Size() {
    const Int64 pos = Seek(0, soCurrent);
    const Int64 size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::SetSize(Int64) {
    throw EStreamError(QStringLiteral("Stream does not support changing its size"));
}

void TStream::ReadBuffer(void* buffer, Int64 count) {
    if (count < 0)
        throw EReadError(QStringLiteral("Stream read error"));
    auto* p = static_cast<char*>(buffer);
    Int64 done = 0;
    while (done < count) {
        const Int64 n = Read(p + done, count - done);
        if (n <= 0)
            throw EReadError(QStringLiteral("Stream read error"));
        done += n;
    }
}

void TStream::WriteBuffer(const void* buffer, Int64 count) {
    if (count < 0)
        throw EWriteError(QStringLiteral("Stream write error"));
    const auto* p = static_cast<const char*>(buffer);
    Int64 done = 0;
    while (done < count) {
        const Int64 n = Write(p + done, count - done);
        if (n <= 0)
            throw EWriteError(QStringLiteral("Stream write error"));
        done += n;
    }
}

Int64 TStream::CopyFrom(TStream& source, Int64 count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    if (count < 0)
        throw EReadError(QStringLiteral("Stream read error"));
    QByteArray buffer(static_cast<qsizetype>(std::min(count, MaxChunk)), '\0');
    Int64 left = count;
    while (left > 0) {
        const Int64 n = std::min(left, static_cast<Int64>(buffer.size()));
        source.ReadBuffer(buffer.data(), n);
        WriteBuffer(buffer.constData(), n);
        left -= n;
    }
    return count;
}

QByteArray TStream::ReadBytes(Int64 count) {
    QByteArray out;
    if (count <= 0)
        return out;
    out.resize(static_cast<qsizetype>(std::min(count, MaxChunk)));
    Int64 done = 0;
    while (done < count) {
        if (done == out.size())
            out.resize(static_cast<qsizetype>(std::min(count, done * 2)));
        const Int64 n = Read(out.data() + done, out.size() - done);
        if (n <= 0)
            break;
        done += n;
    }
    out.resize(static_cast<qsizetype>(done));
    return out;
}

QByteArray TStream::ReadAll() {
    const Int64 pos = Position();
    const Int64 size = Size();
    if (size <= pos)
        return {};
    return ReadBytes(size - pos);
}

void TStream::WriteBytes(const QByteArray& bytes) { WriteBuffer(bytes.constData(), bytes.size()); }

// ---------------------------------------------------------------------------------------------
// Memory streams

Int64 TCustomMemoryStream::Read(void* buffer, Int64 count) {
    if (count <= 0 || FPosition >= FSize)
        return 0;
    const Int64 n = std::min(count, FSize - FPosition);
    std::memcpy(buffer, FData.constData() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

Int64 TCustomMemoryStream::Seek(Int64 offset, TSeekOrigin origin) {
    Int64 base = 0;
    switch (origin) {
    case soBeginning: base = 0; break;
    case soCurrent: base = FPosition; break;
    case soEnd: base = FSize; break;
    }
    if ((offset > 0 && base > std::numeric_limits<Int64>::max() - offset) || base + offset < 0)
        throw EStreamError(QStringLiteral("Invalid stream position"));
    FPosition = base + offset;
    return FPosition;
}

void TCustomMemoryStream::SaveToStream(TStream& stream) {
    if (FSize > 0)
        stream.WriteBuffer(FData.constData(), FSize);
}

void TCustomMemoryStream::SaveToFile(const QString& fileName) {
    TFileStream file(fileName, fmCreate);
    SaveToStream(file);
}

void TMemoryStream::SetSize(Int64 value) {
    if (value < 0)
        throw EStreamError(QStringLiteral("Invalid stream size"));
    if (value > std::numeric_limits<qsizetype>::max() / 2)
        throw EOutOfMemory(QStringLiteral("Out of memory while expanding memory stream"));
    const Int64 old = FSize;
    if (value > FData.size()) {
        // Grow by a quarter at least, so that many small writes stay linear.
        const Int64 capacity = std::max(value, static_cast<Int64>(FData.size()) +
                                                   static_cast<Int64>(FData.size()) / 4);
        FData.resize(static_cast<qsizetype>(capacity));
    }
    if (value > old)
        std::memset(FData.data() + old, 0, static_cast<size_t>(value - old));
    FSize = value;
    if (FPosition > FSize)
        FPosition = FSize;
}

Int64 TMemoryStream::Write(const void* buffer, Int64 count) {
    if (count <= 0)
        return 0;
    if (FPosition > std::numeric_limits<Int64>::max() - count)
        throw EWriteError(QStringLiteral("Stream write error"));
    const Int64 end = FPosition + count;
    const Int64 pos = FPosition;
    if (end > FSize) {
        if (pos > FSize)
            SetSize(pos); // a gap left by seeking past the end is zero-filled
        if (end > FData.size()) {
            if (end > std::numeric_limits<qsizetype>::max() / 2)
                throw EOutOfMemory(QStringLiteral("Out of memory while expanding memory stream"));
            // Grow by half at least: long runs of small writes copy the bytes only a few times.
            const Int64 capacity = std::max(end, static_cast<Int64>(FData.size()) +
                                                     static_cast<Int64>(FData.size()) / 2);
            FData.resize(static_cast<qsizetype>(capacity));
        }
        FSize = end; // written below, so not zero-filled first
    }
    std::memcpy(FData.data() + pos, buffer, static_cast<size_t>(count));
    FPosition = end;
    return count;
}

void TMemoryStream::Clear() {
    FData.clear();
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::SetBytes(const QByteArray& bytes) {
    FData = bytes;
    FSize = bytes.size();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& stream) {
    stream.SetPosition(0);
    const Int64 count = stream.Size();
    QByteArray data(static_cast<qsizetype>(count), '\0');
    if (count > 0)
        stream.ReadBuffer(data.data(), count);
    SetBytes(data);
}

void TMemoryStream::LoadFromFile(const QString& fileName) {
    TFileStream file(fileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(file);
}

TStringStream::TStringStream(const QString& text, const TEncoding& encoding)
    : FEncoding(encoding) {
    SetBytes(encoding.GetBytes(text));
}

QString TStringStream::ReadString(Int64 count) { return FEncoding.GetString(ReadBytes(count)); }

void TStringStream::WriteString(const QString& text) { WriteBytes(FEncoding.GetBytes(text)); }

// ---------------------------------------------------------------------------------------------
// File streams

namespace {
QString OsError(int err) { return QString::fromLocal8Bit(std::strerror(err)); }
} // namespace

THandleStream::~THandleStream() {
    if (FHandle >= 0)
        ::close(FHandle);
}

Int64 THandleStream::Read(void* buffer, Int64 count) {
    if (count <= 0)
        return 0;
    for (;;) {
        const ssize_t n = ::read(FHandle, buffer, static_cast<size_t>(std::min(count, MaxChunk * 64)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EReadError(QStringLiteral("Stream read error. %1").arg(OsError(errno)));
        return n;
    }
}

Int64 THandleStream::Write(const void* buffer, Int64 count) {
    if (count <= 0)
        return 0;
    for (;;) {
        const ssize_t n =
            ::write(FHandle, buffer, static_cast<size_t>(std::min(count, MaxChunk * 64)));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EWriteError(QStringLiteral("Stream write error. %1").arg(OsError(errno)));
        return n;
    }
}

Int64 THandleStream::Seek(Int64 offset, TSeekOrigin origin) {
    int whence = SEEK_SET;
    switch (origin) {
    case soBeginning: whence = SEEK_SET; break;
    case soCurrent: whence = SEEK_CUR; break;
    case soEnd: whence = SEEK_END; break;
    }
    const off_t pos = ::lseek(FHandle, static_cast<off_t>(offset), whence);
    if (pos < 0)
        throw EStreamError(QStringLiteral("Invalid stream position. %1").arg(OsError(errno)));
    return pos;
}

void THandleStream::SetSize(Int64 value) {
    if (value < 0)
        throw EStreamError(QStringLiteral("Invalid stream size"));
    const Int64 pos = Position();
    if (::ftruncate(FHandle, static_cast<off_t>(value)) != 0)
        throw EWriteError(QStringLiteral("Stream write error. %1").arg(OsError(errno)));
    if (pos > value)
        Seek(value, soBeginning);
}

TFileStream::TFileStream(const QString& fileName, quint16 mode) : FFileName(fileName) {
    const QByteArray path = fileName.toLocal8Bit();
    if ((mode & fmCreate) == fmCreate) {
        FHandle = ::open(path.constData(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (FHandle < 0)
            throw EFCreateError(
                QStringLiteral("Cannot create file \"%1\". %2").arg(fileName, OsError(errno)));
        return;
    }
    int flags = O_RDONLY;
    switch (mode & 0x0003) {
    case fmOpenWrite: flags = O_WRONLY; break;
    case fmOpenReadWrite: flags = O_RDWR; break;
    default: flags = O_RDONLY; break;
    }
    FHandle = path.isEmpty() ? -1 : ::open(path.constData(), flags | O_CLOEXEC);
    const int err = path.isEmpty() ? ENOENT : errno;
    if (FHandle >= 0) {
        struct stat st {};
        if (::fstat(FHandle, &st) == 0 && S_ISDIR(st.st_mode)) {
            ::close(FHandle);
            FHandle = -1;
            throw EFOpenError(
                QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, OsError(EISDIR)));
        }
        return;
    }
    throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, OsError(err)));
}
