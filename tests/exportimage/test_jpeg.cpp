// The JPEG export of prepared pages: one file per page named r.1.jpg ... or one joined picture,
// sizes and resolution at 96 and 300 dpi, valid files (jpeginfo), closeness to the page as the
// preview draws it (PSNR), cropping, and the faults the export turns into messages.

#include "ImageTestSupport.h"

#include "platform/gfx/Bitmap.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/ui/UIServices.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassView.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPrintLoop.h"
#include "report/export/rptExportImage.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

template <class F> void Quiet(F& f, const QString& File) {
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(File);
}

// Below this the JPEG of a page at quality 90 no longer looks like the page (a wrong offset or
// scale gives well under 20 dB on these pages).
constexpr double PsnrFloor = 30.0;

// The page as the preview draws it, at the export's scale.
QImage Reference(TrptReport* Report, int Index, double Scale) {
    const TPoint size = Report->PreviewPages()->PageSize(Index);
    TBitmap b(static_cast<int>(std::nearbyint(size.X * Scale)), static_cast<int>(std::nearbyint(size.Y * Scale)));
    Report->PreviewPages()->DrawPage(Index, &b.Canvas(), Scale, Scale, 0, 0);
    return b.Image();
}

// A stream that takes Limit bytes and then fails every write.
class TFailingStream : public TMemoryStream {
public:
    explicit TFailingStream(Int64 Limit) : FLimit(Limit) {}
    Int64 Write(const void* Buffer, Int64 Count) override {
        if (Size() + Count > FLimit) throw EWriteError(QStringLiteral("disk full after %1 bytes").arg(FLimit));
        return TMemoryStream::Write(Buffer, Count);
    }

private:
    Int64 FLimit;
};

} // namespace

TEST(JpegExport, SeparatePagesAt96And300Dpi) {
    TPagesReport r(3);
    ASSERT_TRUE(r.Prepared);
    ASSERT_EQ(r.Report->PreviewPages()->Count(), 3);
    QTemporaryDir dir;
    for (const int dpi : {96, 300}) {
        SCOPED_TRACE(dpi);
        const QString folder = dir.filePath(QString::number(dpi));
        ASSERT_TRUE(QDir().mkpath(folder));
        TrptJPEGExport f(nullptr);
        Quiet(f, folder + QStringLiteral("/r.jpg"));
        f.SetResolution(dpi);
        ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
        EXPECT_EQ(r.Report->Errors()->Count(), 0) << r.Report->Errors()->Text().toStdString();
        EXPECT_EQ(QDir(folder).entryList(QDir::Files), (QStringList{"r.1.jpg", "r.2.jpg", "r.3.jpg"}));
        EXPECT_EQ(f.Files()->Count(), 3);
        for (int i = 1; i <= 3; ++i) {
            const QString file = folder + QStringLiteral("/r.%1.jpg").arg(i);
            QString out;
            EXPECT_EQ(RunTool(QStringLiteral("jpeginfo"), {QStringLiteral("-c"), file}, &out), 0) << out.toStdString();
            EXPECT_TRUE(out.trimmed().endsWith(QStringLiteral(" OK"))) << out.toStdString();
            if (dpi == 96)
                EXPECT_EQ(Identify(file), QStringLiteral("794 1123 96 96 PixelsPerInch"));
            else
                EXPECT_TRUE(Identify(file).startsWith(QStringLiteral("2480 3508 300 300"))) << Identify(file).toStdString();
        }
        // Kept for a look at the result.
        QDir().mkpath(QDir::current().filePath(QStringLiteral("screenshots")));
        const QString kept = QDir::current().filePath(QStringLiteral("screenshots/jpeg_page_%1dpi.jpg").arg(dpi));
        QFile::remove(kept);
        QFile::copy(folder + QStringLiteral("/r.2.jpg"), kept);
        // Close to the page as the preview draws it at the same scale.
        for (int i = 0; i < 3; ++i) {
            const QString ref = folder + QStringLiteral("/ref%1.png").arg(i);
            ASSERT_TRUE(Reference(r.Report.get(), i, dpi / 96.0).save(ref));
            const double psnr = Psnr(folder + QStringLiteral("/r.%1.jpg").arg(i + 1), ref);
            EXPECT_GT(psnr, PsnrFloor) << "page " << i + 1;
        }
    }
}

TEST(JpegExport, JoinedPagesOneUnderTheOther) {
    TPagesReport r(3);
    ASSERT_TRUE(r.Prepared);
    QTemporaryDir dir;
    TrptJPEGExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("r.jpg")));
    f.SetSeparateFiles(false);
    ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"r.jpg"});
    EXPECT_EQ(Identify(dir.filePath(QStringLiteral("r.jpg"))), QStringLiteral("794 3369 96 96 PixelsPerInch"));
    // The third page's box is 2 x 1123 pixels further down.
    const QImage img(dir.filePath(QStringLiteral("r.jpg")));
    ASSERT_FALSE(img.isNull());
    for (int p = 0; p < 3; ++p) {
        const QRgb px = img.pixel(200, 200 + 1123 * p);
        EXPECT_GT(qRed(px), 170) << p;
        EXPECT_LT(qGreen(px), 70) << p;
    }
    EXPECT_GT(qGray(img.pixel(200, 600 + 1123 * 2)), 240);
}

// Only objects between x 100 and 200 (report pixels from the page's edge): 101 pixels wide;
// the page background does not count. A page on which nothing is drawn stays uncropped.
TEST(JpegExport, CropToTheObjects) {
    TrptReport report;
    report.EngineOptions()->SetNewSilentMode(simSilent);
    auto* page = new TrptReportPage(&report);
    page->SetPaperSize(9);
    page->SetLeftMargin(0);
    page->SetTopMargin(0);
    page->SetRightMargin(0);
    page->SetBottomMargin(0);
    auto* title = new TrptReportTitle(page);
    title->SetHeight(300);
    auto* box = new TrptShapeView(title);
    box->SetBounds(100, 40, 100, 60);
    box->SetColor(RGB(0, 0, 255));
    auto* blank = new TrptPageFooter(page);
    blank->SetHeight(20);
    page->AlignChildren();
    ASSERT_TRUE(PrepareReportPages(&report));
    QTemporaryDir dir;
    TrptJPEGExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("crop.jpg")));
    f.SetCropImages(true);
    ASSERT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));
    EXPECT_EQ(Identify(dir.filePath(QStringLiteral("crop.1.jpg"))), QStringLiteral("101 61 96 96 PixelsPerInch"));

    // A page with nothing on it: nothing to crop to, the whole page is kept.
    TrptReport empty;
    empty.EngineOptions()->SetNewSilentMode(simSilent);
    auto* p2 = new TrptReportPage(&empty);
    p2->SetPaperSize(9);
    auto* t2 = new TrptReportTitle(p2);
    t2->SetHeight(30);
    p2->AlignChildren();
    ASSERT_TRUE(PrepareReportPages(&empty));
    TrptJPEGExport g(nullptr);
    Quiet(g, dir.filePath(QStringLiteral("empty.jpg")));
    g.SetCropImages(true);
    ASSERT_TRUE(ExportPreparedPages(&empty, empty.PreviewPages(), &g));
    EXPECT_EQ(empty.Errors()->Count(), 0);
    EXPECT_EQ(Identify(dir.filePath(QStringLiteral("empty.1.jpg"))), QStringLiteral("794 1123 96 96 PixelsPerInch"));
}

TEST(JpegExport, MonochromeIsBlackAndWhite) {
    TPagesReport r(1);
    QTemporaryDir dir;
    TrptJPEGExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("m.jpg")));
    f.SetMonochrome(true);
    ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("jpeginfo"), {QStringLiteral("-c"), dir.filePath(QStringLiteral("m.1.jpg"))}, &out), 0);
    const QImage img(dir.filePath(QStringLiteral("m.1.jpg")));
    ASSERT_EQ(img.format(), QImage::Format_Grayscale8);
    EXPECT_LT(qGray(img.pixel(200, 200)), 30);
    EXPECT_GT(qGray(img.pixel(700, 1000)), 225);
}

// Resolutions outside 1 .. 2400 dpi, and qualities outside 1 .. 100, write nothing: the export
// fails with the message in the report's errors (simSilent) or raised again (simReThrow).
TEST(ImageExportInput, OutOfRangeSettingsAreRefused) {
    TPagesReport r(1);
    QTemporaryDir dir;
    struct {
        int Dpi, Quality;
        const char* Message;
    } cases[] = {{0, 90, "resolution 0 dpi"}, {1000000, 90, "resolution 1000000 dpi"}, {-5, 90, "resolution -5"},
                 {96, 0, "JPEG quality 0"},   {96, 101, "JPEG quality 101"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Message);
        r.Report->Errors()->Clear();
        r.Report->EngineOptions()->SetNewSilentMode(simSilent);
        TrptJPEGExport f(nullptr);
        Quiet(f, dir.filePath(QStringLiteral("x.jpg")));
        f.SetResolution(c.Dpi);
        f.SetJPEGQuality(c.Quality);
        EXPECT_FALSE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
        EXPECT_TRUE(r.Report->Errors()->Text().contains(QLatin1String(c.Message))) << r.Report->Errors()->Text().toStdString();
        EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
        r.Report->EngineOptions()->SetNewSilentMode(simReThrow);
        EXPECT_THROW(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f), Exception);
    }
    // The TIFF export takes the same resolution limits; 2400 dpi is still allowed.
    r.Report->EngineOptions()->SetNewSilentMode(simSilent);
    r.Report->Errors()->Clear();
    TrptTIFFExport t(nullptr);
    Quiet(t, dir.filePath(QStringLiteral("x.tif")));
    t.SetResolution(2401);
    EXPECT_FALSE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &t));
    EXPECT_TRUE(r.Report->Errors()->Text().contains(QStringLiteral("outside 1 to 2400 dpi")));
}

// A4 at 2400 dpi is 557 million pixels: refused with a message naming the page, nothing written.
TEST(ImageExportInput, TooLargeBitmapsAreRefused) {
    TPagesReport r(2);
    QTemporaryDir dir;
    TrptTIFFExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("big.tif")));
    f.SetResolution(2400);
    EXPECT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
    EXPECT_EQ(r.Report->Errors()->Count(), 2);
    EXPECT_TRUE(r.Report->Errors()->Strings(0).contains(QStringLiteral("page 1 would be 19843 x 28063 pixels")))
        << r.Report->Errors()->Text().toStdString();
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

// 500 pages joined: the picture stops at 30,000 pixels and the first page that does not fit is
// named once.
TEST(ImageExportInput, JoinedPictureReportsTheFirstPageLeftOut) {
    TPagesReport r(500);
    ASSERT_TRUE(r.Prepared);
    ASSERT_EQ(r.Report->PreviewPages()->Count(), 500);
    QTemporaryDir dir;
    TrptJPEGExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("all.jpg")));
    f.SetSeparateFiles(false);
    EXPECT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
    ASSERT_EQ(r.Report->Errors()->Count(), 1) << r.Report->Errors()->Text().toStdString();
    // 26 pages of 1123 pixels fit in 30,000; page 27 is cut.
    EXPECT_TRUE(r.Report->Errors()->Strings(0).startsWith(QStringLiteral("Page 27 and the pages after it")))
        << r.Report->Errors()->Text().toStdString();
    // (identify refuses pictures this high under its default policy; jpeginfo reads the header.)
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("jpeginfo"), {QStringLiteral("-c"), dir.filePath(QStringLiteral("all.jpg"))}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral(" 794 x 30000 "))) << out.toStdString();
}

// A target that cannot be written: one message per picture, through SilentMode; a message box
// with simMessageBoxes; never a crash, and the export goes on with the next page.
TEST(ImageExportInput, UnwritableTarget) {
    TPagesReport r(2);
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("no such folder/r.jpg"));
    {
        TrptJPEGExport f(nullptr);
        Quiet(f, missing);
        EXPECT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
        ASSERT_EQ(r.Report->Errors()->Count(), 2);
        EXPECT_TRUE(r.Report->Errors()->Strings(0).startsWith(dir.filePath(QStringLiteral("no such folder/r.1.jpg"))))
            << r.Report->Errors()->Text().toStdString();
        EXPECT_TRUE(r.Report->Errors()->Strings(1).contains(QStringLiteral("r.2.jpg")));
    }
    {
        r.Report->Errors()->Clear();
        r.Report->EngineOptions()->SetNewSilentMode(simMessageBoxes);
        TUIServicesScope ui([](const QString& q) { ADD_FAILURE() << "unexpected: " << q.toStdString(); });
        ui->AnswerMessage(mrOk, QStringLiteral("r.1.tif"));
        ui->AnswerMessage(mrOk, QStringLiteral("r.2.tif"));
        TrptTIFFExport f(nullptr);
        Quiet(f, dir.filePath(QStringLiteral("no such folder/r.tif")));
        EXPECT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
        EXPECT_EQ(ui->Pending(), 0);
    }
}

// Output into a stream that fails after N bytes: one message, nothing more written, no crash; for
// the TIFF export the pages of a working stream form one file with a directory each.
TEST(ImageExportInput, StreamFailingAfterNBytes) {
    TPagesReport r(3);
    for (const Int64 limit : {Int64(0), Int64(7), Int64(100), Int64(5000), Int64(30000)}) {
        SCOPED_TRACE(limit);
        for (const bool tiff : {false, true}) {
            r.Report->Errors()->Clear();
            TFailingStream s(limit);
            std::unique_ptr<TrptCustomImageExport> f;
            if (tiff)
                f = std::make_unique<TrptTIFFExport>(nullptr);
            else
                f = std::make_unique<TrptJPEGExport>(nullptr);
            f->SetShowDialog(false);
            f->SetShowProgress(false);
            f->SetStream(&s);
            EXPECT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), f.get()));
            EXPECT_EQ(r.Report->Errors()->Count(), 1) << r.Report->Errors()->Text().toStdString();
            EXPECT_TRUE(r.Report->Errors()->Text().contains(QStringLiteral("disk full")));
            EXPECT_LE(s.Size(), limit);
        }
    }
    // A stream that works: three JPEG pictures one after the other, or one TIFF of three images.
    QTemporaryDir dir;
    r.Report->Errors()->Clear();
    TMemoryStream js, ts;
    TrptJPEGExport j(nullptr);
    j.SetShowDialog(false);
    j.SetShowProgress(false);
    j.SetStream(&js);
    ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &j));
    const QByteArray jpegs(static_cast<const char*>(js.Memory()), static_cast<qsizetype>(js.Size()));
    EXPECT_EQ(jpegs.count(QByteArray("\xFF\xD8\xFF\xE0", 4)), 3);
    TrptTIFFExport t(nullptr);
    t.SetShowDialog(false);
    t.SetShowProgress(false);
    t.SetStream(&ts);
    ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &t));
    EXPECT_EQ(r.Report->Errors()->Count(), 0);
    const QString file = dir.filePath(QStringLiteral("s.tif"));
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(static_cast<const char*>(ts.Memory()), static_cast<qsizetype>(ts.Size()));
    }
    EXPECT_EQ(ReadTiffDump(file).size(), 3u);
    QString out;
    EXPECT_EQ(RunTool(QStringLiteral("tiffinfo"), {file}, &out), 0) << out.toStdString();
}

// Pages of the same size share one bitmap in turn: nothing of a page shows on the next.
TEST(JpegExport, NextPageStartsWhite) {
    TrptReport report;
    report.EngineOptions()->SetNewSilentMode(simSilent);
    auto* page = new TrptReportPage(&report);
    page->SetPaperSize(9);
    TrptShapeView box(nullptr);
    box.SetBounds(0, 0, 600, 380);
    box.SetColor(clBlack);
    QTemporaryDir dir;
    TrptTIFFExport f(nullptr);
    Quiet(f, dir.filePath(QStringLiteral("p.tif")));
    f.SetReport(&report);
    ASSERT_TRUE(f.Start());
    f.StartPage(page, 0);
    f.ExportObject(&box);
    f.FinishPage(page, 0);
    f.StartPage(page, 1);
    f.FinishPage(page, 1);
    f.Finish();
    EXPECT_EQ(report.Errors()->Count(), 0);
    for (const char* n : {"p.1", "p.2"})
        ASSERT_EQ(RunTool(QStringLiteral("convert"), {dir.filePath(QLatin1String(n) + QStringLiteral(".tif")),
                                                      dir.filePath(QLatin1String(n) + QStringLiteral(".png"))}),
                  0);
    const QImage first(dir.filePath(QStringLiteral("p.1.png"))), second(dir.filePath(QStringLiteral("p.2.png")));
    ASSERT_FALSE(first.isNull());
    ASSERT_EQ(second.size(), first.size());
    EXPECT_EQ(qGray(first.pixel(300, 300)), 0);
    EXPECT_EQ(qGray(second.pixel(300, 300)), 255);
}
