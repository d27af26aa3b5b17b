// The TIFF writer over each layout (bilevel, RGB from 32, 24 and 16 bits, palette of 8 and 4 bits),
// read back by libtiff's tools: directory entries and their values, even offsets, the resolution
// as 960/10, and the pixels after a tiffcp round trip compared with the golden pictures. Then
// several images in one file, the chain of directories, and tiles of a joined report picture.

#include "ImageTestSupport.h"

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportImage.h"

#include <QFile>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString Golden(const char* Name) { return QStringLiteral(KORVEL_TEST_DATA "/") + QLatin1String(Name); }

std::unique_ptr<TBitmap> BitmapOf(const QString& Png, TPixelFormat Format) {
    QImage img(Png);
    EXPECT_FALSE(img.isNull()) << Png.toStdString();
    auto b = std::make_unique<TBitmap>();
    b->SetImage(img.convertToFormat(QImage::Format_RGB32));
    b->SetPixelFormat(Format);
    return b;
}

void WriteTiff(const QString& File, const std::vector<TBitmap*>& Images, int Resolution = 96) {
    TFileStream f(File, fmCreate);
    bool header = true;
    for (TBitmap* b : Images) {
        WriteTiffImage(f, 0, *b, header, Resolution);
        header = false;
    }
}

} // namespace

TEST(TiffWriter, EachLayoutReadsBackWithItsTagsAndPixels) {
    struct {
        const char* Golden;
        TPixelFormat Format;
        int Entries, Bits, Photometric, Samples;
    } cases[] = {
        {"mono.png", pf1bit, 14, 1, 1, 1},       {"rgb.png", pfDevice, 15, 8, 2, 3},
        {"rgb.png", pf24bit, 15, 8, 2, 3},       {"rgb.png", pf16bit, 15, 8, 2, 3},
        {"palette256.png", pf8bit, 15, 8, 3, 1}, {"palette16.png", pf4bit, 15, 4, 3, 1},
    };
    QTemporaryDir dir;
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.Golden) + " format " + std::to_string(c.Format));
        const QString file = dir.filePath(QStringLiteral("t%1.tif").arg(n));
        const QString copy = dir.filePath(QStringLiteral("c%1.tif").arg(n++));
        auto b = BitmapOf(Golden(c.Golden), c.Format);
        WriteTiff(file, {b.get()});
        QString out;
        EXPECT_EQ(RunTool(QStringLiteral("tiffinfo"), {file}, &out), 0) << out.toStdString();
        EXPECT_FALSE(out.contains(QStringLiteral("Warning")) || out.contains(QStringLiteral("Error"))) << out.toStdString();
        qint64 first = 0;
        const auto dirs = ReadTiffDump(file, &first);
        ASSERT_EQ(dirs.size(), 1u);
        const TTiffDir& d = dirs[0];
        EXPECT_EQ(first % 2, 0);
        EXPECT_EQ(d.Next, 0);
        EXPECT_EQ(static_cast<int>(d.Entries.size()), c.Entries);
        EXPECT_EQ(d.Entry(256), QStringLiteral("SHORT (3) 1<%1>").arg(b->Width()));
        EXPECT_EQ(d.Entry(257), QStringLiteral("SHORT (3) 1<%1>").arg(b->Height()));
        if (c.Samples == 3)
            EXPECT_EQ(d.Entry(258), QStringLiteral("SHORT (3) 3<8 8 8>"));
        else
            EXPECT_EQ(d.Entry(258), QStringLiteral("SHORT (3) 1<%1>").arg(c.Bits));
        EXPECT_EQ(d.Entry(259), QStringLiteral("SHORT (3) 1<1>"));
        EXPECT_EQ(d.Entry(262), QStringLiteral("SHORT (3) 1<%1>").arg(c.Photometric));
        EXPECT_EQ(d.Entry(277), QStringLiteral("SHORT (3) 1<%1>").arg(c.Samples));
        EXPECT_EQ(d.Entry(278), QStringLiteral("LONG (4) 1<%1>").arg(b->Height()));
        EXPECT_EQ(d.Entry(282), QStringLiteral("RATIONAL (5) 1<96>"));
        EXPECT_EQ(d.Entry(283), QStringLiteral("RATIONAL (5) 1<96>"));
        EXPECT_EQ(d.Entry(296), QStringLiteral("SHORT (3) 1<2>"));
        EXPECT_EQ(d.Entry(305), QStringLiteral("ASCII (2) 11<Korvel rpt\\0>"));
        EXPECT_EQ(d.Has(284), c.Samples == 3);
        EXPECT_EQ(d.Has(320), c.Photometric == 3);
        // Strip bytes: rows without padding; a 4-bit row of odd width keeps its last pixel.
        const int w = b->Width();
        const int rowBytes = c.Bits == 1 ? (w + 7) / 8 : c.Bits == 4 ? (w + 1) / 2 : c.Samples * w;
        EXPECT_EQ(d.Entry(279), QStringLiteral("LONG (4) 1<%1>").arg(rowBytes * b->Height()));
        // The rational really is 960/10 in the file.
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        const QByteArray data = f.readAll();
        const qsizetype resAt = data.indexOf(QByteArray("\xC0\x03\0\0\x0A\0\0\0\xC0\x03\0\0\x0A\0\0\0", 16));
        EXPECT_GE(resAt, 0);
        EXPECT_EQ(resAt % 2, 0);
        ASSERT_EQ(RunTool(QStringLiteral("tiffcp"), {file, copy}, &out), 0) << out.toStdString();
        EXPECT_EQ(PixelsDiffering(copy, Golden(c.Golden)), 0);
    }
}

// Colour maps hold each component times 257 (white is 0xFFFF) and every image has its own map.
TEST(TiffWriter, PaletteImagesHaveTheirOwnFullRangeMaps) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("two.tif"));
    auto a = BitmapOf(Golden("palette16.png"), pf8bit);
    auto b = BitmapOf(Golden("palette256.png"), pf8bit);
    WriteTiff(file, {a.get(), b.get()});
    const auto dirs = ReadTiffDump(file);
    ASSERT_EQ(dirs.size(), 2u);
    const QString mapA = dirs[0].Entry(320), mapB = dirs[1].Entry(320);
    EXPECT_TRUE(mapA.startsWith(QStringLiteral("SHORT (3) 768<"))) << mapA.toStdString();
    EXPECT_NE(mapA, mapB);
    EXPECT_TRUE(mapA.contains(QStringLiteral("65535"))) << mapA.toStdString();
    EXPECT_FALSE(mapA.contains(QStringLiteral("65280")));
    // Each image of the file reads back as its golden picture.
    QString out;
    for (int i = 0; i < 2; ++i) {
        const QString page = dir.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_EQ(RunTool(QStringLiteral("convert"), {file + QStringLiteral("[%1]").arg(i), page}, &out), 0)
            << out.toStdString();
        EXPECT_EQ(PixelsDiffering(page, Golden(i == 0 ? "palette16.png" : "palette256.png")), 0) << i;
    }
}

// Three images of odd sizes: the header points at the first directory, each directory at the next,
// the last at 0, and every directory lies on a word boundary after strips of odd length.
TEST(TiffWriter, DirectoriesChainOnEvenOffsets) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("chain.tif"));
    auto a = BitmapOf(Golden("rgb.png"), pfDevice);      // 41 x 19 x 3: odd strip
    auto b = BitmapOf(Golden("mono.png"), pf1bit);       // 5 bytes a row, 23 rows: odd strip
    auto c = BitmapOf(Golden("palette16.png"), pf4bit);  // 19 bytes a row, 21 rows: odd strip
    WriteTiff(file, {a.get(), b.get(), c.get()}, 300);
    qint64 first = 0;
    const auto dirs = ReadTiffDump(file, &first);
    ASSERT_EQ(dirs.size(), 3u);
    EXPECT_EQ(dirs[0].Offset, first);
    for (size_t i = 0; i < dirs.size(); ++i) {
        EXPECT_EQ(dirs[i].Offset % 2, 0) << i;
        EXPECT_EQ(dirs[i].Next, i + 1 < dirs.size() ? dirs[i + 1].Offset : 0) << i;
        EXPECT_EQ(dirs[i].Entry(282), QStringLiteral("RATIONAL (5) 1<300>"));
    }
    EXPECT_EQ(dirs[1].Entries.size(), 14u);
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("tiffinfo"), {file}, &out), 0) << out.toStdString();
    const QString copy = dir.filePath(QStringLiteral("copy.tif"));
    ASSERT_EQ(RunTool(QStringLiteral("tiffcp"), {file, copy}, &out), 0) << out.toStdString();
    const char* goldens[] = {"rgb.png", "mono.png", "palette16.png"};
    for (int i = 0; i < 3; ++i) {
        const QString page = dir.filePath(QStringLiteral("p%1.png").arg(i));
        ASSERT_EQ(RunTool(QStringLiteral("convert"), {copy + QStringLiteral("[%1]").arg(i), page}, &out), 0);
        EXPECT_EQ(PixelsDiffering(page, Golden(goldens[i])), 0) << i;
    }
}

// Two A4 pages joined with MultiImage: two page-sized tiles, two chained directories.
TEST(TiffExport, JoinedPagesAsTilesOfOneFile) {
    TPagesReport r(2);
    ASSERT_TRUE(r.Prepared);
    ASSERT_EQ(r.Report->PreviewPages()->Count(), 2);
    QTemporaryDir dir;
    for (const bool mono : {false, true}) {
        SCOPED_TRACE(mono ? "monochrome" : "colour");
        const QString file = dir.filePath(mono ? QStringLiteral("mono.tif") : QStringLiteral("colour.tif"));
        TrptTIFFExport f(nullptr);
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetSeparateFiles(false);
        f.SetMultiImage(true);
        f.SetMonochrome(mono);
        f.SetFileName(file);
        ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
        EXPECT_EQ(r.Report->Errors()->Count(), 0) << r.Report->Errors()->Text().toStdString();
        qint64 first = 0;
        const auto dirs = ReadTiffDump(file, &first);
        ASSERT_EQ(dirs.size(), 2u);
        EXPECT_EQ(dirs[0].Offset, first);
        EXPECT_EQ(dirs[0].Next, dirs[1].Offset);
        EXPECT_EQ(dirs[1].Next, 0);
        for (const TTiffDir& d : dirs) {
            EXPECT_EQ(d.Entry(256), QStringLiteral("SHORT (3) 1<794>"));
            EXPECT_EQ(d.Entry(257), QStringLiteral("SHORT (3) 1<1123>"));
            EXPECT_EQ(d.Entries.size(), mono ? 14u : 15u);
        }
        QString out;
        EXPECT_EQ(RunTool(QStringLiteral("tiffinfo"), {file}, &out), 0) << out.toStdString();
        // The red box of each page is inside its own tile (colour), black in the monochrome file.
        for (int i = 0; i < 2; ++i) {
            const QString page = dir.filePath(QStringLiteral("page%1.png").arg(i));
            ASSERT_EQ(RunTool(QStringLiteral("convert"), {file + QStringLiteral("[%1]").arg(i), page}, &out), 0);
            const QImage img(page);
            ASSERT_EQ(img.size(), QSize(794, 1123));
            // 10 mm margin (37.8 px) + 100 px: the box is at about (188, 188).
            const QRgb px = img.pixel(200, 200);
            if (mono)
                EXPECT_EQ(qGray(px), 0);
            else
                EXPECT_TRUE(qRed(px) == 200 && qGreen(px) == 30 && qBlue(px) == 30) << std::hex << px;
            EXPECT_EQ(qGray(img.pixel(700, 1000)), 255);
        }
    }
}
