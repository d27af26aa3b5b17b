// The picture converter: one drawing in every format at its own size, what fills the parts the
// drawing leaves empty, the extensions, and values outside the enumeration.
#include "report/export/rptImageConverter.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>

namespace {

// 100 x 50 with a red box in the middle and nothing drawn around it.
void Draw(TMetafile& meta) {
    meta.SetWidth(100);
    meta.SetHeight(50);
    {
        TMetafileCanvas canvas(meta);
        canvas.Brush().SetColor(clRed);
        canvas.FillRect(TRect(30, 15, 70, 35));
    }
}

QString RunTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(120000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("failed: ") + program + QLatin1Char(' ') + QString::fromLocal8Bit(p.readAllStandardError());
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

TEST(ImageConverter, ExtensionsHaveNoDotAndJpegIsJpg) {
    const struct { int Type; const char* Ext; } cases[] = {
        {gpPNG, "png"}, {gpBMP, "bmp"}, {gpEMF, "emf"}, {gpWMF, "wmf"}, {gpJPG, "jpg"}, {gpGIF, "gif"},
        {-1, ""}, {6, ""}, {1000, ""},
    };
    for (const auto& c : cases) EXPECT_EQ(PictureTypeExtension(c.Type), QLatin1String(c.Ext)) << c.Type;
}

// The raster formats: exact size, the box drawn, and the empty parts transparent key colour (PNG)
// or white (the others; a BMP used to keep the key colour as dark boxes).
TEST(ImageConverter, RasterFormatsKeepTheSizeAndFillEmptyPartsAsTheirFormatCan) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TMetafile meta;
    Draw(meta);
    const struct { int Type; QRgb Empty; bool Exact; } cases[] = {
        {gpPNG, qRgb(0x56, 0x34, 0x12), true},
        {gpBMP, qRgb(255, 255, 255), true},
        {gpJPG, qRgb(255, 255, 255), false},
        {gpGIF, qRgb(255, 255, 255), true},
    };
    for (const auto& c : cases) {
        const QString file = dir.filePath(QStringLiteral("pic.") + PictureTypeExtension(c.Type));
        SaveGraphicToFile(meta, file, c.Type);
        QImage image(file);
        ASSERT_FALSE(image.isNull()) << file.toStdString();
        EXPECT_EQ(image.size(), QSize(100, 50)) << file.toStdString();
        const QRgb corner = image.pixel(0, 0), middle = image.pixel(50, 25);
        const int tolerance = c.Exact ? 0 : 8;
        EXPECT_LE(std::abs(qRed(corner) - qRed(c.Empty)), tolerance) << file.toStdString();
        EXPECT_LE(std::abs(qGreen(corner) - qGreen(c.Empty)), tolerance) << file.toStdString();
        EXPECT_LE(std::abs(qBlue(corner) - qBlue(c.Empty)), tolerance) << file.toStdString();
        EXPECT_GE(qRed(middle), 255 - tolerance) << file.toStdString();
        EXPECT_LE(qGreen(middle) + qBlue(middle), 2 * tolerance) << file.toStdString();
        // ImageMagick reads the same size.
        EXPECT_EQ(RunTool(QStringLiteral("identify"), {QStringLiteral("-format"), QStringLiteral("%w %h"), file}),
                  QStringLiteral("100 50"));
    }
    // Only the PNG marks the key colour transparent.
    QFile png(dir.filePath(QStringLiteral("pic.png")));
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QByteArray bytes = png.readAll();
    const qsizetype trns = bytes.indexOf("tRNS");
    ASSERT_GT(trns, 0);
    EXPECT_EQ(bytes.mid(trns + 4, 6), QByteArray::fromHex("005600340012"));
    EXPECT_EQ(QImage(png.fileName()).pixelColor(0, 0).alpha(), 0);
    EXPECT_EQ(QImage(png.fileName()).pixelColor(50, 25).alpha(), 255);
}

// Metafiles keep the logical size; LibreOffice reads both kinds and draws the red box.
TEST(ImageConverter, MetafilesKeepTheLogicalSizeAndOpenInAnOfficeProgram) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    TMetafile meta;
    Draw(meta);
    for (int type : {gpEMF, gpWMF}) {
        const QString ext = PictureTypeExtension(type);
        const QString file = dir.filePath(QStringLiteral("pic.") + ext);
        SaveGraphicToFile(meta, file, type);
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        TMetafile back;
        back.LoadFromStream(f);
        EXPECT_EQ(back.Width(), 100) << ext.toStdString();
        EXPECT_EQ(back.Height(), 50) << ext.toStdString();
        const QImage drawn = back.ToImage();
        EXPECT_EQ(drawn.pixelColor(50, 25), QColor(Qt::red)) << ext.toStdString();

        const QString out = dir.filePath(ext);
        const QString r = RunTool(QStringLiteral("soffice"),
                              {QStringLiteral("-env:UserInstallation=file://") + dir.filePath(QStringLiteral("lo")),
                               QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("png"),
                               QStringLiteral("--outdir"), out, file});
        ASSERT_FALSE(r.startsWith(QLatin1String("failed"))) << r.toStdString();
        const QImage converted(out + QStringLiteral("/pic.png"));
        ASSERT_FALSE(converted.isNull()) << ext.toStdString();
        // The office program places the picture on a page at 96 pixels per inch: the 40 x 20 box
        // of the 100 x 50 drawing comes out 40 x 20.
        ASSERT_EQ(converted.width(), 794) << ext.toStdString();
        int left = converted.width(), top = converted.height(), right = -1, bottom = -1;
        for (int y = 0; y < converted.height(); ++y)
            for (int x = 0; x < converted.width(); ++x) {
                const QColor c = converted.pixelColor(x, y);
                if (c.red() > 200 && c.green() < 60 && c.blue() < 60) {
                    left = std::min(left, x), right = std::max(right, x);
                    top = std::min(top, y), bottom = std::max(bottom, y);
                }
            }
        EXPECT_NEAR(right - left + 1, 40, 2) << ext.toStdString();
        EXPECT_NEAR(bottom - top + 1, 20, 2) << ext.toStdString();
    }
}

TEST(ImageConverter, WritesAtThePositionAndNothingForAnUnknownType) {
    TMetafile meta;
    Draw(meta);
    TMemoryStream stream;
    stream.WriteBytes(QByteArrayLiteral("HEAD"));
    SaveGraphicToStream(meta, stream, 6);
    EXPECT_EQ(stream.Size(), 4);
    SaveGraphicToStream(meta, stream, gpGIF);
    EXPECT_GT(stream.Size(), 4);
    stream.SetPosition(0);
    EXPECT_EQ(stream.ReadBytes(10), QByteArrayLiteral("HEADGIF89a"));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("old.bin"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("previous content");
    }
    SaveGraphicToFile(meta, file, -1);
    EXPECT_EQ(QFileInfo(file).size(), 0);
}

TEST(ImageConverter, AFailedConversionClosesTheFileAndPropagates) {
    TBitmap empty;
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("empty.gif"));
    EXPECT_THROW(SaveGraphicToFile(empty, file, gpGIF), EInvalidGraphicOperation);
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::ReadWrite)); // not held open
    EXPECT_EQ(f.size(), 0);
}

} // namespace
