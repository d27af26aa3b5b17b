#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Metafile.h"
#include "platform/gfx/Picture.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A small picture with flat areas and a few single pixels.
QImage Sample(int w = 24, int h = 16) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(qRgb(255, 255, 255));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            if (x < w / 2 && y < h / 2) img.setPixel(x, y, qRgb(200, 30, 30));
            if (x >= w / 2 && y >= h / 2) img.setPixel(x, y, qRgb(20, 40, 180));
        }
    img.setPixel(1, h - 2, qRgb(0, 160, 0));
    return img;
}

// The largest channel difference, or with mean set the average one.
int MaxDiff(const QImage& a, const QImage& b, bool mean = false) {
    int d = 0;
    long long sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int e = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            d = std::max(d, e);
            sum += e;
        }
    return mean ? static_cast<int>(sum / (a.width() * a.height())) : d;
}

} // namespace

TEST(Images, EveryFormatRoundTripsThroughFilesAndStreams) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    struct Case {
        const char* Ext;
        const char* Class;
        int Tolerance; // JPEG is lossy: its average difference is checked
    } cases[] = {{"bmp", "TBitmap", 0},     {"png", "TPngImage", 0}, {"gif", "TGIFImage", 0},
                 {"jpg", "TJPEGImage", 10}, {"ico", "TIcon", 0},     {"emf", "TMetafile", 0},
                 {"wmf", "TMetafile", 0}};
    const QImage src = Sample();
    for (const Case& k : cases) {
        auto g = CreateGraphicForExtension(QString::fromLatin1(k.Ext));
        ASSERT_TRUE(g) << k.Ext;
        TBitmap bmp;
        bmp.SetImage(src);
        g->Assign(bmp);
        const QString file = dir.filePath(QStringLiteral("pic.") + QString::fromLatin1(k.Ext));
        g->SaveToFile(file);

        TPicture pic;
        pic.LoadFromFile(file);
        ASSERT_TRUE(pic.Graphic()) << k.Ext;
        EXPECT_EQ(pic.Graphic()->ClassName(), QString::fromLatin1(k.Class));
        EXPECT_EQ(pic.Width(), src.width()) << k.Ext;
        EXPECT_EQ(pic.Height(), src.height()) << k.Ext;
        const QImage back = pic.Graphic()->ToImage();
        EXPECT_LE(MaxDiff(back, src, k.Tolerance > 0), k.Tolerance) << k.Ext;
        // Inside the flat areas every format keeps the colour closely (channels not swapped).
        EXPECT_LE(MaxDiff(back.copy(2, 2, 6, 4), src.copy(2, 2, 6, 4)), 12) << k.Ext;

        // The same bytes through a stream are recognised by their content.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        TPicture byContent;
        byContent.LoadFromStream(f);
        EXPECT_EQ(byContent.Graphic()->ClassName(), QString::fromLatin1(k.Class));
    }
}

TEST(Images, JpegQualityAndGrayscale) {
    TJPEGImage jpg;
    TBitmap bmp;
    bmp.SetImage(Sample(64, 64));
    jpg.Assign(bmp);
    QByteArray low, high;
    QBuffer b1(&low), b2(&high);
    b1.open(QIODevice::WriteOnly);
    b2.open(QIODevice::WriteOnly);
    jpg.SetCompressionQuality(10);
    jpg.SaveToStream(b1);
    jpg.SetCompressionQuality(100);
    jpg.SaveToStream(b2);
    EXPECT_LT(low.size(), high.size());
    jpg.SetGrayscale(true);
    QByteArray gray;
    QBuffer b3(&gray);
    b3.open(QIODevice::WriteOnly);
    jpg.SaveToStream(b3);
    b3.close();
    b3.open(QIODevice::ReadOnly);
    TJPEGImage back;
    back.LoadFromStream(b3);
    EXPECT_TRUE(back.Grayscale());
    const QRgb p = back.Image().pixel(2, 2);
    EXPECT_EQ(qRed(p), qGreen(p));
    EXPECT_EQ(qGreen(p), qBlue(p));
}

TEST(Images, BadDataAndUnknownKindsRaiseClearErrors) {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("broken.jpg"));
    {
        QFile f(bad);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("\xFF\xD8\xFF\xE0 this is not a picture");
    }
    TPicture pic;
    try {
        pic.LoadFromFile(bad);
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("broken.jpg"))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("JPEG"))) << e.Message().toStdString();
    }
    EXPECT_THROW(pic.LoadFromFile(dir.filePath(QStringLiteral("x.xyz"))), EInvalidGraphic);
    EXPECT_THROW(pic.LoadFromFile(dir.filePath(QStringLiteral("missing.png"))), EFOpenError);
    QByteArray junk("abcdefgh");
    QBuffer buf(&junk);
    buf.open(QIODevice::ReadOnly);
    EXPECT_THROW(pic.LoadFromStream(buf), EInvalidGraphic);
    // An icon is known by its first four bytes.
    EXPECT_TRUE(CreateGraphicForData(QByteArray("\x00\x00\x01\x00\x01\x00", 6)));
    EXPECT_FALSE(CreateGraphicForData(QByteArray("\x00", 1)));
}

TEST(Images, PngWithATransparentColour) {
    TPngImage png;
    QImage img(10, 5, QImage::Format_RGB32);
    img.fill(qRgb(0x56, 0x34, 0x12));
    img.setPixel(3, 3, qRgb(255, 0, 0));
    png.SetImage(img);
    png.SetTransparentColor(0x123456);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    png.SaveToStream(buf);
    EXPECT_TRUE(data.contains("tRNS"));
    buf.close();
    buf.open(QIODevice::ReadOnly);
    TPngImage back;
    back.LoadFromStream(buf);
    EXPECT_EQ(qAlpha(back.Image().pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(back.Image().pixel(3, 3)), 255);
}

TEST(Images, BitmapScanLinesUseTheClassicLayouts) {
    TBitmap bmp(4, 2, pf24bit);
    uchar* row = bmp.ScanLine(1);
    row[0] = 0x10; // blue
    row[1] = 0x20; // green
    row[2] = 0x30; // red
    EXPECT_EQ(bmp.Canvas().Pixel(0, 1), RGB(0x30, 0x20, 0x10));
    bmp.Canvas().SetPixel(1, 1, RGB(1, 2, 3));
    row = bmp.ScanLine(1);
    EXPECT_EQ(row[3], 3);
    EXPECT_EQ(row[4], 2);
    EXPECT_EQ(row[5], 1);

    TBitmap mono(8, 1, pf1bit);
    mono.Canvas().SetPixel(0, 0, clBlack);
    const uchar* bits = mono.ScanLine(0);
    const QList<QRgb> pal = mono.Palette();
    const int first = (bits[0] >> 7) & 1; // most significant bit first
    EXPECT_EQ(pal[first] & 0xFFFFFF, 0u);
    EXPECT_THROW(mono.ScanLine(1), EInvalidGraphicOperation);

    // Saved in the depth of its format.
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    bmp.SaveToStream(buf);
    EXPECT_EQ(static_cast<quint8>(data[28]), 24); // biBitCount
    TBitmap back;
    buf.close();
    buf.open(QIODevice::ReadOnly);
    back.LoadFromStream(buf);
    EXPECT_EQ(back.PixelFormat(), pf24bit);
    EXPECT_EQ(back.Canvas().Pixel(0, 1), RGB(0x30, 0x20, 0x10));
}

TEST(Images, BitmapSidesSetOneAtATime) {
    // Width first, then Height: the first side waits while the bitmap has no pixels.
    TBitmap b;
    b.SetWidth(12);
    EXPECT_EQ(b.Width(), 12);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_TRUE(b.Empty());
    b.SetHeight(7);
    EXPECT_EQ(b.Width(), 12);
    EXPECT_EQ(b.Height(), 7);
    EXPECT_FALSE(b.Empty());
    b.Canvas().SetPixel(11, 6, clRed);
    EXPECT_EQ(b.Canvas().Pixel(11, 6), clRed);
    // Back to one side 0 keeps the other one.
    b.SetHeight(0);
    EXPECT_EQ(b.Width(), 12);
    EXPECT_TRUE(b.Empty());
    TBitmap copy;
    copy.Assign(b);
    EXPECT_EQ(copy.Width(), 12);
    EXPECT_EQ(copy.Height(), 0);
}

TEST(Images, PictureBitmapAndSizes) {
    TPicture pic;
    EXPECT_EQ(pic.Width(), 0);
    int changes = 0;
    pic.OnChange = [&](TObject*) { ++changes; };
    TBitmap& b = pic.Bitmap();
    b.SetSize(10, 10);
    b.Canvas().Rectangle(0, 0, 10, 10);
    EXPECT_EQ(b.Canvas().Pixel(0, 0), clBlack); // the pen colour
    EXPECT_EQ(pic.Width(), 10);
    EXPECT_GT(changes, 0);
    TPicture copy;
    copy.Assign(pic);
    EXPECT_EQ(copy.Height(), 10);
    EXPECT_NE(copy.Graphic(), pic.Graphic());
    // A recorded picture becomes pixels when assigned to a bitmap.
    TMetafile mf;
    mf.SetWidth(5);
    mf.SetHeight(5);
    {
        TMetafileCanvas c(mf);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, 5, 5));
    }
    TBitmap fromMf;
    fromMf.Assign(mf);
    EXPECT_EQ(fromMf.Canvas().Pixel(2, 2), clRed);
    // A metafile file with vector records is refused, naming the record.
    QByteArray emf;
    {
        QBuffer b(&emf);
        b.open(QIODevice::WriteOnly);
        mf.SaveToStream(b);
    }
    EXPECT_EQ(emf.mid(40, 4), QByteArray(" EMF"));
    QByteArray vector = emf.left(108);
    vector += QByteArray("\x1B\x00\x00\x00\x10\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00", 16); // a move-to
    QBuffer vb(&vector);
    vb.open(QIODevice::ReadOnly);
    TMetafile other;
    try {
        other.LoadFromStream(vb);
        FAIL() << "no error";
    } catch (const EInvalidGraphic& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("record type 27"))) << e.Message().toStdString();
    }
    TMetafile sizeless;
    QBuffer nb;
    nb.open(QIODevice::WriteOnly);
    EXPECT_THROW(sizeless.SaveToStream(nb), EInvalidGraphicOperation);
}

TEST(Images, BlankPngDrawnThroughItsCanvasKeepsTheUnpaintedColourTransparent) {
    TMetafile mf;
    mf.SetWidth(100);
    mf.SetHeight(50);
    {
        TMetafileCanvas c(mf);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(10, 10, 20, 20));
    }
    TPngImage png;
    png.CreateBlank(2, 8, mf.Width(), mf.Height());
    png.SetTransparentColor(0x123456);
    png.Canvas().Brush().SetColor(0x123456);
    png.Canvas().FillRect(png.Canvas().ClipRect());
    png.Canvas().Draw(0, 0, mf);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    png.SaveToStream(buf);
    buf.close();
    buf.open(QIODevice::ReadOnly);
    TPngImage back;
    back.LoadFromStream(buf);
    ASSERT_EQ(back.Image().size(), QSize(100, 50));
    const QRgb bg = back.Image().pixel(50, 40);
    EXPECT_EQ(qAlpha(bg), 0);
    const QRgb red = back.Image().pixel(15, 15);
    EXPECT_EQ(qAlpha(red), 255);
    EXPECT_EQ(qRed(red), 255);
    // The file holds the colour itself: red 0x56, green 0x34, blue 0x12.
    const QImage rgb = QImage::fromData(data).convertToFormat(QImage::Format_ARGB32);
    EXPECT_EQ(qRed(rgb.pixel(50, 40)), 0x56);
}

TEST(Images, LargeGifWithManyColoursRoundTripsExactly) {
    // Noise makes the coder fill its table and start again several times.
    QImage img(300, 200, QImage::Format_RGB32);
    quint32 seed = 12345;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            seed = seed * 1103515245u + 12345u;
            const int k = static_cast<int>((seed >> 16) % 200);
            img.setPixel(x, y, qRgb(k, 255 - k, (k * 7) % 256));
        }
    TGIFImage gif;
    gif.SetImage(img);
    QByteArray data;
    QBuffer buf(&data);
    buf.open(QIODevice::WriteOnly);
    gif.SaveToStream(buf);
    buf.close();
    buf.open(QIODevice::ReadOnly);
    TGIFImage back;
    back.LoadFromStream(buf);
    ASSERT_EQ(back.Image().size(), img.size());
    EXPECT_EQ(MaxDiff(back.Image(), img), 0);
}
