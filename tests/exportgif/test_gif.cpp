// The GIF writer: the file's fixed layout, the LZW code stream (read back by a decoder of our own
// and by Qt's GIF reader, pixel for pixel), the table reset after 3,838 strings, pictures of more
// than 256 colours, the size limits and failed writes.
#include "report/export/rptGIF.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Graphics.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImageReader>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>

namespace {

struct TParsedGif {
    int Width = 0, Height = 0;
    QByteArray Head; // everything before the LZW minimum code size
    int MinCodeSize = 0;
    std::vector<int> BlockSizes; // image data sub-blocks
    QByteArray Data;             // their bytes joined
    std::vector<int> Codes;      // the code stream
    std::vector<int> CodeWidths;
    std::vector<quint8> Pixels; // decoded
    bool Trailer = false;
};

int LE16(const QByteArray& b, int at) {
    return quint8(b[at]) | (quint8(b[at + 1]) << 8);
}

// Reads the layout WriteGIF produces (header, 256 colours, control extension, comment, image).
TParsedGif Parse(const QByteArray& file) {
    TParsedGif g;
    const int head = 6 + 7 + 768 + 8 + 2 + 1 + 6 + 1 + 10;
    if (file.size() < head + 2) return g;
    g.Width = LE16(file, 6);
    g.Height = LE16(file, 8);
    g.Head = file.left(head);
    int at = head;
    g.MinCodeSize = quint8(file[at++]);
    while (at < file.size()) {
        const int n = quint8(file[at++]);
        if (n == 0) break;
        g.BlockSizes.push_back(n);
        g.Data += file.mid(at, n);
        at += n;
    }
    g.Trailer = at == file.size() - 1 && quint8(file[at]) == 0x3B;

    // A plain GIF decoder: the width grows when the next code reaches the width's limit.
    const int clear = 1 << g.MinCodeSize, eoi = clear + 1;
    int width = g.MinCodeSize + 1, next = eoi + 1;
    std::vector<std::vector<quint8>> table(4096);
    for (int i = 0; i < clear; ++i)
        table[i] = {quint8(i)};
    int prev = -1;
    qint64 bit = 0;
    const qint64 bits = qint64(g.Data.size()) * 8;
    while (bit + width <= bits) {
        int code = 0;
        for (int i = 0; i < width; ++i, ++bit)
            if (quint8(g.Data[int(bit / 8)]) & (1 << (bit % 8))) code |= 1 << i;
        g.Codes.push_back(code);
        g.CodeWidths.push_back(width);
        if (code == clear) {
            width = g.MinCodeSize + 1;
            next = eoi + 1;
            prev = -1;
            continue;
        }
        if (code == eoi) break;
        std::vector<quint8> entry;
        if (code < next && !table[code].empty())
            entry = table[code];
        else if (code == next && prev >= 0) {
            entry = table[prev];
            entry.push_back(table[prev][0]);
        } else
            return g; // broken stream: leaves the pixels short
        g.Pixels.insert(g.Pixels.end(), entry.begin(), entry.end());
        if (prev >= 0 && next < 4096) {
            table[next] = table[prev];
            table[next].push_back(entry[0]);
            ++next;
            if (next == (1 << width) && width < 12) ++width;
        }
        prev = code;
    }
    return g;
}

QByteArray Write(TBitmap& bmp) {
    TMemoryStream ms;
    WriteGIF(ms, bmp);
    return QByteArray(static_cast<const char*>(ms.Memory()), int(ms.Size()));
}

QImage ReadWithQt(const QByteArray& file) {
    QByteArray copy = file;
    QBuffer buf(&copy);
    buf.open(QIODevice::ReadOnly);
    QImageReader reader(&buf, "gif");
    QImage img = reader.read();
    EXPECT_FALSE(img.isNull()) << reader.errorString().toStdString();
    return img.convertToFormat(QImage::Format_ARGB32);
}

// Pixels as the bitmap holds them after the writer converted it, opaque.
void ExpectSamePixels(const QImage& decoded, const QImage& expected) {
    ASSERT_EQ(decoded.size(), expected.size());
    const QImage e = expected.convertToFormat(QImage::Format_ARGB32);
    int wrong = 0;
    for (int y = 0; y < e.height(); ++y)
        for (int x = 0; x < e.width(); ++x)
            if (decoded.pixel(x, y) != (e.pixel(x, y) | 0xFF000000u) && ++wrong < 5)
                ADD_FAILURE() << "pixel " << x << "," << y << ": " << std::hex << decoded.pixel(x, y)
                              << " vs " << e.pixel(x, y);
    EXPECT_EQ(wrong, 0);
}

// The decoder's pixels looked up in the file's colour table.
void ExpectTableMatches(const TParsedGif& g, const QImage& expected) {
    ASSERT_EQ(g.Pixels.size(), size_t(expected.width()) * expected.height());
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const int i = g.Pixels[size_t(y) * expected.width() + x];
            const QRgb c =
                qRgb(quint8(g.Head[13 + i * 3]), quint8(g.Head[14 + i * 3]), quint8(g.Head[15 + i * 3]));
            if (c != (expected.pixel(x, y) | 0xFF000000u)) {
                ADD_FAILURE() << "index at " << x << "," << y;
                return;
            }
        }
}

QImage Noise(int w, int h, int colours, quint32 seed) {
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            seed = seed * 1103515245u + 12345u;
            const int k = int((seed >> 16) % quint32(colours));
            img.setPixel(x, y, qRgb(k, (k * 37) % 256, 255 - k));
        }
    return img;
}

TEST(WriteGIF, FixedLayoutByteForByte) {
    TBitmap bmp;
    bmp.SetImage(Noise(3, 2, 4, 7));
    const QByteArray file = Write(bmp);
    const QList<QRgb> palette = bmp.Palette();
    QByteArray expected("GIF89a");
    expected += QByteArray::fromHex("03000200E70000");
    for (int i = 0; i < 256; ++i) {
        const QRgb c = i < palette.size() ? palette[i] : 0;
        expected += char(qRed(c));
        expected += char(qGreen(c));
        expected += char(qBlue(c));
    }
    expected += QByteArray::fromHex("21F9040000000000");
    expected += QByteArray::fromHex("21FE06") + "Korvel" + QByteArray(1, '\0');
    expected += QByteArray::fromHex("2C00000000030002000008");
    ASSERT_GE(file.size(), expected.size());
    EXPECT_EQ(file.left(expected.size()).toHex(), expected.toHex());
    const TParsedGif g = Parse(file);
    EXPECT_TRUE(g.Trailer);
    EXPECT_EQ(g.MinCodeSize, 8);
    EXPECT_EQ(g.Codes.front(), 256);
    EXPECT_EQ(g.Codes.back(), 257);
    ExpectTableMatches(g, bmp.Image());
    ExpectSamePixels(ReadWithQt(file), bmp.Image());
}

TEST(WriteGIF, OnePixelIsClearPixelEndInOneBlockOfFourBytes) {
    QImage img(1, 1, QImage::Format_RGB32);
    img.setPixel(0, 0, qRgb(200, 10, 30));
    TBitmap bmp;
    bmp.SetImage(img);
    const QByteArray file = Write(bmp);
    const TParsedGif g = Parse(file);
    EXPECT_EQ(g.BlockSizes, std::vector<int>{4});
    ASSERT_EQ(g.Codes.size(), 3u);
    EXPECT_EQ(g.Codes[0], 256);
    EXPECT_EQ(g.Codes[2], 257);
    EXPECT_EQ(g.CodeWidths, (std::vector<int>{9, 9, 9}));
    EXPECT_TRUE(g.Trailer);
    const QImage back = ReadWithQt(file);
    ASSERT_EQ(back.size(), QSize(1, 1));
    EXPECT_EQ(back.pixel(0, 0), qRgb(200, 10, 30));
}

// Noise never repeats a string, so every code adds one; once the 3,838th string has taken code
// 4095 the next new string brings a clear code at width 12, and codes start again at width 9.
TEST(WriteGIF, TableFullAfter3838StringsClearsAndRestartsAtWidth9) {
    TBitmap bmp;
    bmp.SetImage(Noise(300, 300, 200, 99));
    const QImage before = bmp.Image();
    const QByteArray file = Write(bmp);
    const TParsedGif g = Parse(file);
    std::vector<size_t> clears;
    for (size_t i = 0; i < g.Codes.size(); ++i)
        if (g.Codes[i] == 256) clears.push_back(i);
    ASSERT_GE(clears.size(), 3u);
    EXPECT_EQ(clears[0], 0u);
    EXPECT_EQ(clears[1] - clears[0] - 1, 3839u) << "3,838 strings added, then one more code before the clear";
    EXPECT_EQ(clears[2] - clears[1] - 1, 3839u);
    EXPECT_EQ(g.CodeWidths[clears[1]], 12);
    EXPECT_EQ(g.CodeWidths[clears[1] + 1], 9);
    EXPECT_EQ(g.CodeWidths[clears[1] - 1], 12);
    // The width rises once code 511 is taken: 255 codes of 9 bits follow a clear.
    EXPECT_EQ(g.CodeWidths[clears[0] + 255], 9);
    EXPECT_EQ(g.CodeWidths[clears[0] + 256], 10);
    EXPECT_EQ(g.CodeWidths[clears[1] + 256], 10);
    // Data sub-blocks are 254 bytes but the last.
    ASSERT_GT(g.BlockSizes.size(), 2u);
    for (size_t i = 0; i + 1 < g.BlockSizes.size(); ++i)
        ASSERT_EQ(g.BlockSizes[i], 254);
    EXPECT_LE(g.BlockSizes.back(), 254);
    EXPECT_TRUE(g.Trailer);
    // 200 colours survive exactly.
    ExpectSamePixels(bmp.Image().convertToFormat(QImage::Format_ARGB32), before);
    ExpectTableMatches(g, before);
    ExpectSamePixels(ReadWithQt(file), before);
}

// More than 256 colours: the conversion reduces the picture, the bitmap keeps the reduced pixels
// and the file holds exactly those.
TEST(WriteGIF, MoreThan256ColoursAreReducedAndTheFileMatchesTheBitmap) {
    QImage img(64, 64, QImage::Format_RGB32);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x)
            img.setPixel(x, y, qRgb(x * 4, y * 4, (x + y) * 2));
    TBitmap bmp;
    bmp.SetImage(img);
    const QByteArray file = Write(bmp);
    EXPECT_EQ(bmp.PixelFormat(), pf8bit);
    const QImage reduced = bmp.Image().convertToFormat(QImage::Format_ARGB32);
    QSet<QRgb> colours;
    int worst = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            const QRgb a = reduced.pixel(x, y), b = img.pixel(x, y);
            colours.insert(a);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    EXPECT_LE(colours.size(), 256);
    EXPECT_GT(colours.size(), 16);
    EXPECT_LE(worst, 64) << "reduced colours stay near the originals";
    const TParsedGif g = Parse(file);
    ExpectTableMatches(g, reduced);
    ExpectSamePixels(ReadWithQt(file), reduced);
}

// ImageMagick, a reader users have, decodes the file to the same pixels, also past a table reset.
TEST(WriteGIF, ImageMagickReadsTheSamePixels) {
    QImage img(300, 120, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, qRgb((x * 7 + y) & 0xFF, (y * 13) & 0xFF, (x ^ y) & 0xFF));
    TBitmap bmp;
    bmp.SetImage(img);
    const QByteArray file = Write(bmp);
    const QImage expected = bmp.Image().convertToFormat(QImage::Format_ARGB32);
    QTemporaryDir dir;
    const QString path = dir.filePath("picture.gif");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    QProcess convert;
    convert.start("convert", {path, "-depth", "8", "rgb:-"});
    ASSERT_TRUE(convert.waitForFinished(60000)) << "ImageMagick's convert must be installed (tools/deps.sh)";
    ASSERT_EQ(convert.exitCode(), 0) << convert.readAllStandardError().toStdString();
    const QByteArray rgb = convert.readAllStandardOutput();
    ASSERT_EQ(rgb.size(), expected.width() * expected.height() * 3);
    int differing = 0;
    for (int y = 0; y < expected.height(); ++y)
        for (int x = 0; x < expected.width(); ++x) {
            const int at = (y * expected.width() + x) * 3;
            const QRgb want = expected.pixel(x, y);
            if (quint8(rgb[at]) != qRed(want) || quint8(rgb[at + 1]) != qGreen(want) ||
                quint8(rgb[at + 2]) != qBlue(want))
                ++differing;
        }
    EXPECT_EQ(differing, 0);
}

// The file has no transparency: transparent pixels are written as the colour the conversion
// gives them, and a reader sees an opaque picture equal to the converted bitmap.
TEST(WriteGIF, TransparentPixelsAreWrittenOpaque) {
    TBitmap bmp(4, 3, pf32bit);
    QImage img(4, 3, QImage::Format_ARGB32);
    img.fill(qRgba(0, 0, 0, 0));
    img.setPixel(1, 1, qRgba(255, 0, 0, 255));
    img.setPixel(2, 2, qRgba(0, 0, 255, 255));
    bmp.SetImage(img);
    bmp.SetTransparent(true);
    const QByteArray file = Write(bmp);
    EXPECT_EQ(file.mid(6 + 7 + 768, 8).toHex(), QByteArray("21f9040000000000"));
    const QImage back = ReadWithQt(file);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(qAlpha(back.pixel(x, y)), 255);
    EXPECT_EQ(back.pixel(1, 1), qRgb(255, 0, 0));
    EXPECT_EQ(back.pixel(2, 2), qRgb(0, 0, 255));
    ExpectSamePixels(back, bmp.Image());
}

TEST(WriteGIF, SidesUpTo65535AreWrittenLargerOrEmptyAreRefused) {
    {
        QImage img(65535, 1, QImage::Format_RGB32);
        img.fill(Qt::white);
        img.setPixel(65534, 0, qRgb(255, 0, 0));
        img.setPixel(0, 0, qRgb(0, 0, 255));
        TBitmap bmp;
        bmp.SetImage(img);
        const QByteArray file = Write(bmp);
        EXPECT_EQ(file.mid(6, 4).toHex(), QByteArray("ffff0100"));
        EXPECT_EQ(file.mid(6 + 7 + 768 + 8 + 10 + 5, 4).toHex(), QByteArray("ffff0100"));
        const QImage back = ReadWithQt(file);
        ASSERT_EQ(back.size(), QSize(65535, 1));
        EXPECT_EQ(back.pixel(65534, 0), qRgb(255, 0, 0));
        EXPECT_EQ(back.pixel(0, 0), qRgb(0, 0, 255));
        EXPECT_EQ(back.pixel(30000, 0), qRgb(255, 255, 255));
    }
    const QSize refused[] = {{65536, 1}, {1, 65536}, {0, 0}, {0, 5}, {5, 0}};
    for (const QSize& s : refused) {
        TBitmap bmp(s.width(), s.height());
        const TPixelFormat format = bmp.PixelFormat();
        TMemoryStream ms;
        ms.WriteBytes("keep");
        try {
            WriteGIF(ms, bmp);
            ADD_FAILURE() << s.width() << " x " << s.height() << " written";
        } catch (const EInvalidGraphicOperation& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("65535"))) << e.Message().toStdString();
        }
        EXPECT_EQ(ms.Size(), 4);
        EXPECT_EQ(bmp.PixelFormat(), format);
    }
}

// A stream that takes a few bytes and then refuses more.
class TFailingStream : public TStream {
public:
    using TStream::Seek;
    TFailingStream(TStream& target, Int64 room) : FTarget(target), FRoom(room) {}
    Int64 Read(void* buffer, Int64 count) override { return FTarget.Read(buffer, count); }
    Int64 Write(const void* buffer, Int64 count) override {
        const Int64 n = std::min(count, FRoom);
        FRoom -= n;
        return n > 0 ? FTarget.Write(buffer, n) : 0;
    }
    Int64 Seek(Int64 offset, TSeekOrigin origin) override { return FTarget.Seek(offset, origin); }
    Int64 Size() override { return FTarget.Size(); }
    void SetSize(Int64 value) override { FTarget.SetSize(value); }

private:
    TStream& FTarget;
    Int64 FRoom;
};

TEST(WriteGIF, AFailedWriteRaisesAndLeavesNoTornPicture) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("pic.gif"));
    {
        TFileStream file(name, fmCreate);
        file.WriteBytes("HEAD");
        TFailingStream failing(file, 500);
        TBitmap bmp;
        bmp.SetImage(Noise(40, 40, 100, 3));
        try {
            WriteGIF(failing, bmp);
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Cannot write the GIF image")))
                << e.Message().toStdString();
        }
    }
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), QByteArray("HEAD"));

    // A device that is full: the error names the file.
    if (QFile::exists(QStringLiteral("/dev/full"))) {
        TFileStream full(QStringLiteral("/dev/full"), fmOpenWrite);
        TBitmap bmp(8, 8);
        try {
            WriteGIF(full, bmp);
            ADD_FAILURE() << "no error";
        } catch (const EWriteError& e) {
            EXPECT_TRUE(e.Message().contains(QStringLiteral("/dev/full"))) << e.Message().toStdString();
        }
    }
    // A folder that does not exist: the file stream is refused before anything is written.
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("missing/pic.gif")), fmCreate), EFCreateError);
    EXPECT_FALSE(QFile::exists(dir.filePath(QStringLiteral("missing/pic.gif"))));
}

} // namespace
