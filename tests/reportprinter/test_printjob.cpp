// Print jobs through a printer object into a PDF file: pages, paper sizes per page, the title,
// where drawing lands (the printable area's corner, printer pixels per axis), aborted and empty
// jobs. The files are read back with pdfinfo and pdftoppm.

#include "PrinterFakes.h"

#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "report/core/rptPrinter.h"

#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

using namespace printertest;

namespace {

const QString Laser = QStringLiteral("Office Laser");
const QString Wide = QStringLiteral("Plotter");

struct PdfInfo {
    int Pages = 0;
    QString Title;
    QList<QSizeF> Sizes; // points
};

PdfInfo ReadPdfInfo(const QString& file) {
    PdfInfo info;
    const QString tool = QStringLiteral(KORVEL_PDFINFO);
    if (tool.isEmpty() || tool.endsWith(QLatin1String("NOTFOUND"))) {
        ADD_FAILURE() << "pdfinfo is missing (poppler-utils, tools/deps.sh)";
        return info;
    }
    QProcess run;
    run.start(tool, {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("99"), file});
    if (!run.waitForFinished(30000) || run.exitCode() != 0) {
        ADD_FAILURE() << "pdfinfo failed: " << run.readAllStandardError().toStdString();
        return info;
    }
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    const QRegularExpression pages(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption);
    const QRegularExpression title(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption);
    const QRegularExpression size(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                  QRegularExpression::MultilineOption);
    info.Pages = pages.match(out).captured(1).toInt();
    info.Title = title.match(out).captured(1).trimmed();
    for (auto it = size.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        info.Sizes << QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble());
    }
    return info;
}

// Page n of the file at 72 pixels per inch (one pixel per point).
QImage RenderPage(const QString& file, int page, const QString& workDir) {
    const QString tool = QStringLiteral(KORVEL_PDFTOPPM);
    if (tool.isEmpty() || tool.endsWith(QLatin1String("NOTFOUND"))) {
        ADD_FAILURE() << "pdftoppm is missing (poppler-utils, tools/deps.sh)";
        return {};
    }
    const QString prefix = workDir + QStringLiteral("/render");
    QProcess run;
    run.start(tool, {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"), QString::number(page),
                     QStringLiteral("-l"), QString::number(page), QStringLiteral("-singlefile"),
                     QStringLiteral("-png"), file, prefix});
    if (!run.waitForFinished(30000) || run.exitCode() != 0) {
        ADD_FAILURE() << "pdftoppm failed: " << run.readAllStandardError().toStdString();
        return {};
    }
    return QImage(prefix + QStringLiteral(".png"));
}

QSizeF Points(double widthMm, double heightMm) {
    return {widthMm * 72 / 25.4, heightMm * 72 / 25.4};
}

void ExpectSize(const QSizeF& actual, const QSizeF& expected) {
    EXPECT_NEAR(actual.width(), expected.width(), 0.5);
    EXPECT_NEAR(actual.height(), expected.height(), 0.5);
}

bool Dark(const QImage& image, double x, double y) {
    return qGray(image.pixel(static_cast<int>(x), static_cast<int>(y))) < 64;
}

// The pixel rows and columns of dark pixels: the drawn square's extent.
QRect DarkBounds(const QImage& image) {
    QRect r;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (Dark(image, x, y)) r |= QRect(x, y, 1, 1);
    return r;
}

void FillSquare(TrptCustomPrinter* p, int width, int height) {
    TCanvas* canvas = p->Canvas();
    canvas->Brush().SetColor(clBlack);
    canvas->FillRect(TRect(0, 0, width, height));
}

} // namespace

TEST(PrintJob, PagesOfDifferentPapersGoIntoOnePdf) {
    PrinterWorld world({Laser}, Laser);
    world.Device(Laser, OfficeLaser());
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("job.pdf"));

    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    p->SetFileName(file);
    p->SetTitle(QStringLiteral("Quarterly figures"));
    p->SetPrintParams(9, 0, 0, poPortrait, 7, dmNone, 1);
    p->BeginDoc();
    EXPECT_TRUE(p->Printing());
    p->BeginPage();
    FillSquare(p, 600, 600); // one inch at 600 DPI, at the printable area's corner
    p->EndPage();
    p->SetPrintParams(1, 0, 0, poLandscape, 7, dmNone, 1);
    p->BeginPage();
    p->EndPage();
    p->SetPrintParams(256, 100, 150, poPortrait, 7, dmNone, 1);
    p->BeginPage();
    FillSquare(p, 300, 300);
    p->EndPage();
    p->EndDoc();
    EXPECT_FALSE(p->Printing());

    const PdfInfo info = ReadPdfInfo(file);
    EXPECT_EQ(info.Pages, 3);
    EXPECT_EQ(info.Title, QStringLiteral("Quarterly figures"));
    ASSERT_EQ(info.Sizes.size(), 3);
    ExpectSize(info.Sizes[0], Points(210, 297));
    ExpectSize(info.Sizes[1], Points(279.4, 215.9));
    ExpectSize(info.Sizes[2], Points(100, 150));

    // The square starts at the printer's margins (4 mm left, 6 mm top on A4) and is an inch wide.
    const QRect first = DarkBounds(RenderPage(file, 1, dir.path()));
    EXPECT_NEAR(first.left(), 4 * 72 / 25.4, 1.5);
    EXPECT_NEAR(first.top(), 6 * 72 / 25.4, 1.5);
    EXPECT_NEAR(first.width(), 72, 1.5);
    EXPECT_NEAR(first.height(), 72, 1.5);
    EXPECT_TRUE(DarkBounds(RenderPage(file, 2, dir.path())).isEmpty());
    const QRect third = DarkBounds(RenderPage(file, 3, dir.path()));
    EXPECT_NEAR(third.width(), 36, 1.5);
}

TEST(PrintJob, DrawingUsesTheResolutionOfEachAxis) {
    PrinterWorld world({Wide}, Wide);
    world.Device(Wide, Plotter());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("plot.pdf"));
    TrptCustomPrinter* p = GlobalPrinters()->Printer();
    ASSERT_EQ(p->DPI(), TPoint(300, 600));
    p->SetFileName(file);
    p->BeginDoc();
    p->BeginPage();
    FillSquare(p, 300, 600); // one inch each way
    p->EndPage();
    p->EndDoc();

    const PdfInfo info = ReadPdfInfo(file);
    EXPECT_EQ(info.Pages, 1);
    EXPECT_EQ(info.Title, QStringLiteral("Rozo Zodeva Document"));
    ASSERT_EQ(info.Sizes.size(), 1);
    ExpectSize(info.Sizes[0], Points(420, 297)); // its default: A3 landscape
    const QRect square = DarkBounds(RenderPage(file, 1, dir.path()));
    EXPECT_NEAR(square.width(), 72, 1.5);
    EXPECT_NEAR(square.height(), 72, 1.5);
    EXPECT_NEAR(square.left(), 12 * 72 / 25.4, 1.5);
    EXPECT_NEAR(square.top(), 10 * 72 / 25.4, 1.5);
}

TEST(PrintJob, AbortedEmptyAndVirtualJobsLeaveNoFile) {
    QTemporaryDir dir;
    {
        PrinterWorld world({Laser}, Laser);
        world.Device(Laser, OfficeLaser());
        TrptCustomPrinter* p = GlobalPrinters()->Printer();

        const QString aborted = dir.filePath(QStringLiteral("aborted.pdf"));
        p->SetFileName(aborted);
        p->BeginDoc();
        p->BeginPage();
        FillSquare(p, 100, 100);
        p->EndPage();
        p->BeginPage();
        p->Abort();
        EXPECT_FALSE(p->Printing());
        EXPECT_FALSE(QFileInfo::exists(aborted));

        const QString empty = dir.filePath(QStringLiteral("empty.pdf"));
        p->SetFileName(empty);
        p->BeginDoc();
        p->EndDoc();
        EXPECT_FALSE(QFileInfo::exists(empty));

        // A file that cannot be written stops the job with a message naming it.
        const QString unwritable = dir.filePath(QStringLiteral("missing/folder/job.pdf"));
        p->SetFileName(unwritable);
        p->BeginDoc();
        try {
            p->BeginPage();
            ADD_FAILURE() << "no error";
        } catch (const EPrinter& e) {
            EXPECT_TRUE(e.Message().contains(unwritable)) << e.Message().toStdString();
        }
        p->EndDoc();
        EXPECT_FALSE(p->Printing());

        // The printer is usable again afterwards.
        const QString again = dir.filePath(QStringLiteral("again.pdf"));
        p->SetFileName(again);
        p->BeginDoc();
        p->BeginPage();
        p->EndPage();
        p->EndDoc();
        EXPECT_EQ(ReadPdfInfo(again).Pages, 1);
    }
    {
        PrinterWorld world;
        TrptCustomPrinter* p = GlobalPrinters()->Printer();
        const QString file = dir.filePath(QStringLiteral("virtual.pdf"));
        p->SetFileName(file);
        p->BeginDoc();
        p->BeginPage();
        p->EndPage();
        p->EndDoc();
        EXPECT_FALSE(QFileInfo::exists(file));
    }
}
