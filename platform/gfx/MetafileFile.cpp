// TMetafile files: an enhanced or placeable Windows metafile holding the picture as one
// stretched device-independent bitmap. Reading takes back such files (the bitmap records);
// a file with vector records is refused with a clear message.

#include "platform/gfx/Metafile.h"

#include <QtEndian>

namespace {

void Put16(QByteArray& b, int v) {
    b += char(v & 0xFF);
    b += char((v >> 8) & 0xFF);
}

void Put32(QByteArray& b, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b += char((v >> (8 * i)) & 0xFF);
}

void Set32(QByteArray& b, int at, quint32 v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char((v >> (8 * i)) & 0xFF);
}

quint32 Get32(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint32>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

quint16 Get16(const QByteArray& b, qsizetype at) {
    return qFromLittleEndian<quint16>(reinterpret_cast<const uchar*>(b.constData()) + at);
}

// BITMAPINFOHEADER and bottom-up 24-bit rows padded to four bytes.
QByteArray Dib(const QImage& src, QByteArray& bits) {
    const QImage img = src.convertToFormat(QImage::Format_RGB32);
    const int w = img.width(), h = img.height();
    const int stride = (w * 3 + 3) & ~3;
    bits = QByteArray(stride * h, '\0');
    for (int y = 0; y < h; ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(img.constScanLine(h - 1 - y));
        char* dst = bits.data() + static_cast<qsizetype>(y) * stride;
        for (int x = 0; x < w; ++x) {
            dst[3 * x] = char(qBlue(line[x]));
            dst[3 * x + 1] = char(qGreen(line[x]));
            dst[3 * x + 2] = char(qRed(line[x]));
        }
    }
    QByteArray bmi;
    Put32(bmi, 40);
    Put32(bmi, static_cast<quint32>(w));
    Put32(bmi, static_cast<quint32>(h));
    Put16(bmi, 1);
    Put16(bmi, 24);
    Put32(bmi, 0);
    Put32(bmi, static_cast<quint32>(bits.size()));
    Put32(bmi, 3780);
    Put32(bmi, 3780);
    Put32(bmi, 0);
    Put32(bmi, 0);
    return bmi;
}

// A 24- or 32-bit uncompressed DIB back into an image.
QImage ReadDib(const QByteArray& data, qsizetype bmiAt, qsizetype bitsAt, qsizetype bitsSize,
               const QString& what) {
    auto bad = [&] { return EInvalidGraphic(QStringLiteral("%1: damaged bitmap record").arg(what)); };
    if (bmiAt < 0 || bmiAt + 40 > data.size()) throw bad();
    const qint32 w = static_cast<qint32>(Get32(data, bmiAt + 4));
    const qint32 hRaw = static_cast<qint32>(Get32(data, bmiAt + 8));
    const int bpp = Get16(data, bmiAt + 14);
    const quint32 compression = Get32(data, bmiAt + 16);
    const qint32 h = hRaw < 0 ? -hRaw : hRaw;
    if (w <= 0 || h <= 0 || w > 30000 || h > 30000 || (bpp != 24 && bpp != 32) || compression != 0)
        throw EInvalidGraphic(QStringLiteral("%1: only 24- and 32-bit bitmap records are read").arg(what));
    const qsizetype stride = ((static_cast<qsizetype>(w) * bpp / 8) + 3) & ~qsizetype(3);
    if (bitsAt < 0 || bitsSize < stride * h || bitsAt + stride * h > data.size()) throw bad();
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y) {
        const int row = hRaw > 0 ? h - 1 - y : y;
        const auto* src = reinterpret_cast<const uchar*>(data.constData()) + bitsAt + row * stride;
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        const int step = bpp / 8;
        for (int x = 0; x < w; ++x)
            line[x] = qRgb(src[step * x + 2], src[step * x + 1], src[step * x]);
    }
    return img;
}

} // namespace

void TMetafile::SaveToStream(QIODevice& stream) {
    if (FWidth <= 0 || FHeight <= 0)
        throw EInvalidGraphicOperation(QStringLiteral("Cannot save a metafile without a size"));
    QImage raster(FWidth, FHeight, QImage::Format_RGB32);
    raster.fill(Qt::white);
    {
        TCanvas c(&raster);
        Draw(c, TRect(0, 0, FWidth, FHeight));
    }
    QByteArray bits;
    const QByteArray bmi = Dib(raster, bits);
    QByteArray out;
    if (FEnhanced) {
        // Header (108 bytes), one stretched bitmap, end of file.
        const quint32 recSize = 80 + bmi.size() + bits.size();
        QByteArray h;
        Put32(h, 1);
        Put32(h, 108);
        for (int v : {0, 0, FWidth - 1, FHeight - 1})
            Put32(h, static_cast<quint32>(v));
        for (int v : {0, 0, MMWidth(), MMHeight()})
            Put32(h, static_cast<quint32>(v));
        Put32(h, 0x464D4520);
        Put32(h, 0x10000);
        Put32(h, 0); // total size, set below
        Put32(h, 3);
        Put16(h, 1);
        Put16(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 1024); // reference device: 96 pixels per inch
        Put32(h, 768);
        Put32(h, 271);
        Put32(h, 203);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 271000);
        Put32(h, 203000);
        QByteArray r;
        Put32(r, 81);
        Put32(r, recSize);
        for (int v : {0, 0, FWidth - 1, FHeight - 1})
            Put32(r, static_cast<quint32>(v));
        for (int v : {0, 0, 0, 0, FWidth, FHeight})
            Put32(r, static_cast<quint32>(v));
        Put32(r, 80);
        Put32(r, static_cast<quint32>(bmi.size()));
        Put32(r, 80 + static_cast<quint32>(bmi.size()));
        Put32(r, static_cast<quint32>(bits.size()));
        Put32(r, 0);
        Put32(r, 0x00CC0020);
        Put32(r, static_cast<quint32>(FWidth));
        Put32(r, static_cast<quint32>(FHeight));
        r += bmi;
        r += bits;
        QByteArray e;
        Put32(e, 14);
        Put32(e, 20);
        Put32(e, 0);
        Put32(e, 16);
        Put32(e, 20);
        out = h + r + e;
        Set32(out, 48, static_cast<quint32>(out.size()));
    } else {
        // Placeable header, then a window set-up and one stretched bitmap in 16-bit words.
        QByteArray p;
        Put32(p, 0x9AC6CDD7);
        Put16(p, 0);
        for (int v : {0, 0, FWidth, FHeight})
            Put16(p, v);
        Put16(p, 96);
        Put32(p, 0);
        quint16 sum = 0;
        for (int i = 0; i < 10; ++i)
            sum ^= Get16(p, i * 2);
        Put16(p, sum);
        QByteArray recs;
        auto rec = [&](int function, std::initializer_list<int> params, const QByteArray& tail = {}) {
            const quint32 words =
                3 + static_cast<quint32>(params.size()) + static_cast<quint32>(tail.size() / 2);
            Put32(recs, words);
            Put16(recs, function);
            for (int v : params)
                Put16(recs, v);
            recs += tail;
            return words;
        };
        quint32 maxRec = rec(0x020B, {0, 0});
        maxRec = std::max(maxRec, rec(0x020C, {FHeight, FWidth}));
        QByteArray dib = bmi + bits;
        if (dib.size() % 2) dib += '\0';
        // Raster operation as two words, colour usage, source and destination in reverse order.
        maxRec = std::max(
            maxRec, rec(0x0F43, {0x0020, 0x00CC, 0, FHeight, FWidth, 0, 0, FHeight, FWidth, 0, 0}, dib));
        maxRec = std::max(maxRec, rec(0x0000, {}));
        QByteArray mh;
        Put16(mh, 1);
        Put16(mh, 9);
        Put16(mh, 0x0300);
        Put32(mh, static_cast<quint32>((18 + recs.size()) / 2));
        Put16(mh, 0);
        Put32(mh, maxRec);
        Put16(mh, 0);
        out = p + mh + recs;
    }
    if (stream.write(out) != out.size()) throw EWriteError(QStringLiteral("Cannot write the metafile"));
}

void TMetafile::LoadFromStream(QIODevice& stream) {
    const QByteArray data = stream.readAll();
    const QString what = QStringLiteral("Metafile");
    QImage img;
    int width = 0, height = 0;
    bool enhanced = true;
    if (data.size() >= 108 && Get32(data, 0) == 1 && Get32(data, 40) == 0x464D4520) {
        const qint64 l = static_cast<qint32>(Get32(data, 8)), t = static_cast<qint32>(Get32(data, 12));
        const qint64 r = static_cast<qint32>(Get32(data, 16)), b = static_cast<qint32>(Get32(data, 20));
        if (r - l + 1 > 30000 || b - t + 1 > 30000)
            throw EInvalidGraphic(QStringLiteral("%1: the picture is too large").arg(what));
        width = static_cast<int>(r - l + 1);
        height = static_cast<int>(b - t + 1);
        qsizetype at = Get32(data, 4);
        while (at + 8 <= data.size()) {
            const quint32 type = Get32(data, at), size = Get32(data, at + 4);
            if (size < 8 || at + size > static_cast<quint32>(data.size()))
                throw EInvalidGraphic(QStringLiteral("%1: damaged record at offset %2").arg(what).arg(at));
            if (type == 81) {
                if (size < 80)
                    throw EInvalidGraphic(
                        QStringLiteral("%1: damaged record at offset %2").arg(what).arg(at));
                img = ReadDib(data, at + Get32(data, at + 48), at + Get32(data, at + 56),
                              Get32(data, at + 60), what);
            } else if (type == 14) {
                break;
            } else if (type != 1) {
                throw EInvalidGraphic(QStringLiteral("%1: record type %2 at offset %3 is not supported")
                                          .arg(what)
                                          .arg(type)
                                          .arg(at));
            }
            at += size;
        }
    } else if (data.size() >= 40 && Get32(data, 0) == 0x9AC6CDD7) {
        enhanced = false;
        width = static_cast<qint16>(Get16(data, 10)) - static_cast<qint16>(Get16(data, 6));
        height = static_cast<qint16>(Get16(data, 12)) - static_cast<qint16>(Get16(data, 8));
        qsizetype at = 22 + 18;
        while (at + 6 <= data.size()) {
            const qsizetype size = static_cast<qsizetype>(Get32(data, at)) * 2;
            const int function = Get16(data, at + 4);
            if (size < 6 || at + size > data.size())
                throw EInvalidGraphic(QStringLiteral("%1: damaged record at offset %2").arg(what).arg(at));
            if (function == 0) break;
            if (function == 0x0F43) {
                if (size < 28)
                    throw EInvalidGraphic(
                        QStringLiteral("%1: damaged record at offset %2").arg(what).arg(at));
                const qsizetype bmiAt = at + 28;
                img = ReadDib(data, bmiAt, bmiAt + 40, size - 28 - 40, what);
            } else if (function != 0x020B && function != 0x020C) {
                throw EInvalidGraphic(QStringLiteral("%1: record 0x%2 at offset %3 is not supported")
                                          .arg(what)
                                          .arg(function, 4, 16, QLatin1Char('0'))
                                          .arg(at));
            }
            at += size;
        }
    } else {
        throw EInvalidGraphic(QStringLiteral("%1: not an enhanced or placeable metafile").arg(what));
    }
    if (img.isNull() || width <= 0 || height <= 0)
        throw EInvalidGraphic(QStringLiteral("%1: no picture in the file").arg(what));
    FWidth = width;
    FHeight = height;
    FEnhanced = enhanced;
    std::vector<TCanvasCommand> commands;
    TCanvasCommand c;
    c.Op = TCanvasOp::DrawImage;
    c.A[2] = width;
    c.A[3] = height;
    c.Image = img;
    c.Source = img.rect();
    commands.push_back(std::move(c));
    SetCommands(std::move(commands));
}
