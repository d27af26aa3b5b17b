#include "app/uZlib.h"

#include <QFile>

#include <zlib.h>

#include <algorithm>

namespace {

// Sizes past this are damage, not pictures; refusing them keeps a bad pack from exhausting memory.
constexpr qint32 MaxEntrySize = 64 * 1024 * 1024;

class PackReader {
public:
    explicit PackReader(const QString& fileName) : FFileName(fileName), FFile(fileName) {
        if (!FFile.open(QIODevice::ReadOnly))
            throw EFOpenError(QStringLiteral("Cannot open file \"%1\". %2").arg(fileName, FFile.errorString()));
    }

    qint32 ReadInt(const char* what) {
        char b[4];
        if (FFile.read(b, 4) != 4) Damaged(QStringLiteral("the %1 is cut short").arg(QLatin1String(what)));
        return qint32(quint32(quint8(b[0])) | quint32(quint8(b[1])) << 8 | quint32(quint8(b[2])) << 16 |
                      quint32(quint8(b[3])) << 24);
    }

    QByteArray ReadBytes(qint32 n, const char* what) {
        QByteArray bytes = FFile.read(n);
        if (bytes.size() != n) Damaged(QStringLiteral("the %1 is cut short").arg(QLatin1String(what)));
        return bytes;
    }

    // Inflates one zlib stream into exactly `size` bytes and leaves the file right behind the
    // stream's trailer, giving back what was read ahead. Memory grows with what the stream really
    // yields, so a lying size costs nothing.
    QByteArray Inflate(qint32 size) {
        const qint64 start = FFile.pos();
        const qint64 left = FFile.size() - start;
        // Deflate never expands data more than about 1032 times; a larger claim cannot be true.
        if (qint64(size) > left * 1032 + 64)
            Damaged(QStringLiteral("it announces %1 bytes from only %2 bytes of data").arg(size).arg(left), start);
        QByteArray out;
        out.reserve(qsizetype(std::min<qint64>(size, 1 << 20)));
        z_stream z{};
        if (inflateInit(&z) != Z_OK) Damaged(QStringLiteral("the decompressor could not start"));
        char in[16384];
        char chunk[65536];
        int rc = Z_OK;
        qint64 consumed = 0;
        bool overflow = false;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                const qint64 got = FFile.read(in, sizeof in);
                if (got <= 0) break;
                z.next_in = reinterpret_cast<Bytef*>(in);
                z.avail_in = uInt(got);
            }
            z.next_out = reinterpret_cast<Bytef*>(chunk);
            z.avail_out = sizeof chunk;
            const uInt before = z.avail_in;
            rc = inflate(&z, Z_NO_FLUSH);
            consumed += before - z.avail_in;
            const qsizetype produced = qsizetype(sizeof chunk - z.avail_out);
            if (out.size() + produced > size) {
                overflow = true;
                break;
            }
            out.append(chunk, produced);
            // Z_BUF_ERROR only asks for more input here; the loop reads it or stops at the end.
            if (rc != Z_OK && rc != Z_STREAM_END && rc != Z_BUF_ERROR) break;
        }
        inflateEnd(&z);
        FFile.seek(start + consumed);
        if (overflow) Damaged(QStringLiteral("it holds more than the %1 bytes announced").arg(size), start);
        if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR)
            Damaged(QStringLiteral("its compressed data is corrupt"), start);
        if (out.size() < size)
            Damaged(QStringLiteral("it holds %1 of the %2 bytes announced").arg(out.size()).arg(size), start);
        if (rc != Z_STREAM_END) Damaged(QStringLiteral("its compressed data is cut short"), start);
        return out;
    }

    [[noreturn]] void Damaged(const QString& what, qint64 at = -1) const {
        throw EReadError(QStringLiteral("The picture pack \"%1\" is damaged at byte %2: %3.")
                             .arg(FFileName)
                             .arg(at >= 0 ? at : FFile.pos())
                             .arg(what));
    }

    qint64 Pos() const { return FFile.pos(); }

private:
    QString FFileName;
    QFile FFile;
};

void AppendInt(QByteArray& out, qint32 v) {
    for (int i = 0; i < 4; ++i) out.append(char((quint32(v) >> (8 * i)) & 0xFF));
}

} // namespace

void LoadGraphics(const QString& fileName, const QString& folder, const TPictureSink& sink) {
    const TEncoding ansi = TEncoding::ANSI();
    QString prefix = folder;
    if (!prefix.endsWith(u'\\') && !prefix.endsWith(u'/')) prefix += u'\\';
    PackReader pack(fileName);
    const qint32 count = pack.ReadInt("entry count");
    for (qint32 i = 0; i < count; ++i) {
        const qint64 entryStart = pack.Pos();
        const qint32 nameLength = pack.ReadInt("name length");
        if (nameLength < 0 || nameLength > 65536)
            pack.Damaged(QStringLiteral("entry %1 has a name length of %2").arg(i + 1).arg(nameLength), entryStart);
        const QByteArray name = pack.ReadBytes(nameLength, "entry name");
        const qint32 size = pack.ReadInt("unpacked size");
        if (size < 0 || size > MaxEntrySize)
            pack.Damaged(QStringLiteral("entry %1 announces %2 bytes").arg(i + 1).arg(size), entryStart);
        TMemoryStream picture;
        picture.SetBytes(pack.Inflate(size));
        picture.SetPosition(0);
        sink(picture, prefix + ansi.GetString(name));
    }
}

QByteArray BuildPicturePack(const QList<TPicturePackEntry>& entries) {
    const TEncoding ansi = TEncoding::ANSI();
    QByteArray out;
    AppendInt(out, qint32(entries.size()));
    for (const TPicturePackEntry& e : entries) {
        const QByteArray name = ansi.GetBytes(e.Name);
        AppendInt(out, qint32(name.size()));
        out.append(name);
        AppendInt(out, qint32(e.Data.size()));
        uLongf len = compressBound(uLong(e.Data.size()));
        QByteArray z(qsizetype(len), Qt::Uninitialized);
        compress2(reinterpret_cast<Bytef*>(z.data()), &len, reinterpret_cast<const Bytef*>(e.Data.constData()),
                  uLong(e.Data.size()), Z_BEST_COMPRESSION);
        z.resize(qsizetype(len));
        out.append(z);
    }
    return out;
}

bool ParsePictureEntryName(const QString& name, TPictureEntryName& parts) {
    const QStringList p = name.split(u'.');
    if (p.size() != 4) return false;
    parts.Window = p[1];
    parts.Control = p[2];
    parts.Extension = p[3].toLower();
    return true;
}
