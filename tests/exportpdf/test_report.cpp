// A report built in code, prepared by the engine and exported by the export loop: the PDF has the
// prepared pages, and objects stand inside the page margins where the preview draws them.

#include "PdfTestSupport.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptEngine.h"
#include "platform/sys/Desktop.h"
#include "report/core/rptPrintLoop.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QUrl>
#include <gtest/gtest.h>

TEST(PdfReport, PreparedReportThroughTheExportLoop) {
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    auto* page = new TrptReportPage(&report);
    page->SetLeftMargin(10);
    page->SetTopMargin(10);
    page->SetRightMargin(10);
    page->SetBottomMargin(10);
    auto* title = new TrptReportTitle(page);
    title->SetHeight(120);
    auto* box = new TrptShapeView(title);
    box->SetBounds(0, 0, 100, 50);
    box->SetColor(RGB(255, 0, 0));
    auto* memo = new TrptMemoView(title);
    memo->SetBounds(0, 60, 300, 40);
    memo->SetText(QStringLiteral("Prepared and exported"));
    ASSERT_TRUE(PrepareReportPages(&report));
    const int pages = report.PreviewPages()->Count();
    ASSERT_GE(pages, 1);

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("report.pdf"));
    TTestPDFExport f;
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(path);
    ASSERT_TRUE(ExportPreparedPages(&report, report.PreviewPages(), &f));

    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out), 0) << out.toStdString();
    ASSERT_EQ(RunTool(QStringLiteral("pdfinfo"), {path}, &out), 0);
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+%1\n").arg(pages)))) << out.toStdString();
    const QString prefix = dir.filePath(QStringLiteral("r"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"),
                                                   QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                   QStringLiteral("1"), path, prefix},
                      &out),
              0);
    QImage img(prefix + QStringLiteral("-1.png"));
    if (img.isNull()) img = QImage(prefix + QStringLiteral("-01.png"));
    ASSERT_FALSE(img.isNull());
    // The rectangle starts at the margins: 10 mm is 28.35 points.
    EXPECT_EQ(qRed(img.pixel(27, 45)), 255);
    EXPECT_EQ(qGreen(img.pixel(27, 45)), 255);
    const QRgb red = img.pixel(60, 45);
    EXPECT_GT(qRed(red), 200);
    EXPECT_LT(qGreen(red), 60);
    // The text's letters below it, inside the margins.
    int dark = 0;
    for (int y = 73; y < 103; ++y)
        for (int x = 28; x < 254; ++x)
            if (qGray(img.pixel(x, y)) < 100) ++dark;
    EXPECT_GT(dark, 100);
}

// A filter set to open the finished file opens it after a whole export, never after a cancelled one.
TEST(PdfReport, ACancelledExportIsFalseAndOpensNothing) {
    struct TCancellingExport : TTestPDFExport {
        bool Cancel = false;
        void ExportObject(TrptComponent* Obj) override {
            if (Cancel && Report()) Report()->SetTerminated(true);
            TTestPDFExport::ExportObject(Obj);
        }
    };
    QStringList opened;
    SetOpenUrlHandler([&](const QUrl& url) {
        opened << url.toLocalFile();
        return true;
    });
    TrptReport report;
    report.EngineOptions()->SetSilentMode(true);
    auto* page = new TrptReportPage(&report);
    auto* title = new TrptReportTitle(page);
    title->SetHeight(60);
    auto* memo = new TrptMemoView(title);
    memo->SetBounds(0, 0, 300, 40);
    memo->SetText(QStringLiteral("Cancelled or not"));
    ASSERT_TRUE(PrepareReportPages(&report));
    QTemporaryDir dir;
    for (bool cancel : {true, false}) {
        opened.clear();
        const QString path = dir.filePath(cancel ? QStringLiteral("cancelled.pdf") : QStringLiteral("whole.pdf"));
        TCancellingExport f;
        f.Cancel = cancel;
        f.SetShowDialog(false);
        f.SetShowProgress(false);
        f.SetOpenAfterExport(true);
        f.SetFileName(path);
        EXPECT_EQ(ExportPreparedPages(&report, report.PreviewPages(), &f), !cancel);
        EXPECT_EQ(opened, cancel ? QStringList() : QStringList{path});
    }
    SetOpenUrlHandler(nullptr);
}
