#include "app/uZlib.h"

#include <QFile>

#include <zlib.h>

namespace {

// Sizes past this are damage, not pictures; refusing them keeps a bad pack from exhausting memory.
constexpr qint32 MaxEntrySize = 512 * 1024 * 1024;

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
    // stream's trailer, giving back what was read ahead.
    QByteArray Inflate(qint32 size) {
        QByteArray out(size, Qt::Uninitialized);
        z_stream z{};
        if (inflateInit(&z) != Z_OK) Damaged(QStringLiteral("the decompressor could not start"));
        z.next_out = reinterpret_cast<Bytef*>(out.data());
        z.avail_out = uInt(size);
        char in[16384];
        int rc = Z_OK;
        const qint64 start = FFile.pos();
        qint64 consumed = 0;
        while (rc != Z_STREAM_END) {
            if (z.avail_in == 0) {
                const qint64 got = FFile.read(in, sizeof in);
                if (got <= 0) break;
                z.next_in = reinterpret_cast<Bytef*>(in);
                z.avail_in = uInt(got);
            }
            const uInt before = z.avail_in;
            rc = inflate(&z, Z_NO_FLUSH);
            consumed += before - z.avail_in;
            if (rc == Z_BUF_ERROR && z.avail_out == 0) break; // more data than announced
            if (rc != Z_OK && rc != Z_STREAM_END) break;
        }
        const qint64 produced = qint64(size) - z.avail_out;
        inflateEnd(&z);
        FFile.seek(start + consumed);
        if (rc != Z_STREAM_END && rc != Z_OK && rc != Z_BUF_ERROR)
            Damaged(QStringLiteral("its compressed data is corrupt"), start);
        if (produced < size)
            Damaged(QStringLiteral("it holds %1 of the %2 bytes announced").arg(produced).arg(size), start);
        if (rc != Z_STREAM_END) Damaged(QStringLiteral("it holds more than the %1 bytes announced").arg(size), start);
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
