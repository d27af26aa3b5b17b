// The compressed two-page file read by real PDF tools: qpdf's structure check, poppler's page
// count and size, its image list and its rendering against the views' own drawing.

#include "PdfTestSupport.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>

namespace {

class PdfTools : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Dir.isValid());
        Path = Dir.filePath(QStringLiteral("report.pdf"));
        TTestPDFExport f;
        f.SetFileName(Path);
        ASSERT_TRUE(f.Start());
        f.StartPage(Report.Setup1);
        for (TrptView* v : Report.Page1)
            f.ExportObject(v);
        f.FinishPage(nullptr, 0);
        f.StartPage(Report.Setup2);
        for (TrptView* v : Report.Page2)
            f.ExportObject(v);
        f.FinishPage(nullptr, 1);
        f.Finish();
    }
    QTemporaryDir Dir;
    QString Path;
    TTwoPageReport Report;
};

// Share of pixels whose largest channel difference exceeds the limit, and the mean difference.
void Compare(const QImage& a, const QImage& b, double& farShare, double& mean) {
    const int w = std::min(a.width(), b.width()), h = std::min(a.height(), b.height());
    long far = 0;
    double sum = 0;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            const int d = std::max({std::abs(qRed(p) - qRed(q)), std::abs(qGreen(p) - qGreen(q)),
                                    std::abs(qBlue(p) - qBlue(q))});
            sum += d;
            if (d > 64) ++far;
        }
    farShare = static_cast<double>(far) / (w * h);
    mean = sum / (w * h);
}

} // namespace

TEST_F(PdfTools, QpdfFindsNoErrors) {
    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), Path}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("No syntax or stream encoding errors found"))) << out.toStdString();
}

TEST_F(PdfTools, PdfinfoShowsTwoA4Pages) {
    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("pdfinfo"), {Path}, &out), 0) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+2\n")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Page size:\\s+595.28 x 841.89 pts \\(A4\\)\n"))))
        << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("PDF version:\\s+1.5\n")))) << out.toStdString();
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Author:\\s+Korvel Report\n")))) << out.toStdString();
}

TEST_F(PdfTools, PdfimagesListsThePicturesOfEachPage) {
    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), Path}, &out), 0) << out.toStdString();
    // page, number, type, width, height, colour, components, bits, encoding
    static const QRegularExpression row(
        QStringLiteral("^\\s*(\\d+)\\s+\\d+\\s+image\\s+(\\d+)\\s+(\\d+)\\s+rgb\\s+3\\s+8\\s+jpeg"),
        QRegularExpression::MultilineOption);
    QStringList found;
    for (auto it = row.globalMatch(out); it.hasNext();) {
        const auto m = it.next();
        found << m.captured(1) + QLatin1Char(':') + m.captured(2) + QLatin1Char('x') + m.captured(3);
    }
    // Page 1: the grey view, then the picture drawn twice (listed twice, one object). Page 2: the
    // picture again and the framed view.
    EXPECT_EQ(found, QStringList({QStringLiteral("1:151x91"), QStringLiteral("1:201x101"), QStringLiteral("1:201x101"),
                                  QStringLiteral("2:201x101"), QStringLiteral("2:301x151")}))
        << out.toStdString();
}

TEST_F(PdfTools, RenderingMatchesTheViewsOwnDrawing) {
    const QString prefix = Dir.filePath(QStringLiteral("page"));
    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), Path, prefix}, &out),
              0)
        << out.toStdString();
    const QImage pdf1(prefix + QStringLiteral("-1.png")), pdf2(prefix + QStringLiteral("-2.png"));
    ASSERT_FALSE(pdf1.isNull());
    ASSERT_FALSE(pdf2.isNull());
    EXPECT_EQ(pdf1.size(), QSize(596, 842)); // 595.28 x 841.89 points

    const QImage own1 = RenderOwn(Report.Setup1, Report.Page1);
    const QImage own2 = RenderOwn(Report.Setup2, Report.Page2);
    if (qEnvironmentVariableIsSet("KORVEL_KEEP_RENDERING")) {
        pdf1.save(QStringLiteral("/tmp/pdf-page1.png"));
        own1.save(QStringLiteral("/tmp/own-page1.png"));
    }
    double farShare = 0, mean = 0;
    Compare(pdf1, own1, farShare, mean);
    EXPECT_LT(farShare, 0.01);
    EXPECT_LT(mean, 3.0);
    Compare(pdf2, own2, farShare, mean);
    EXPECT_LT(farShare, 0.01);
    EXPECT_LT(mean, 3.0);

    // Probes: the page fill, inside the red rectangle, both halves of the picture.
    const QRgb fill = pdf1.pixel(40, 700), outside = pdf1.pixel(10, 700);
    EXPECT_GT(qBlue(fill), 180);
    EXPECT_LT(qBlue(fill), 230); // light yellow: 0xFF, 0xFF, 0xCC
    EXPECT_EQ(qBlue(outside), 255);
    const QRgb red = pdf1.pixel(90, 75);
    EXPECT_GT(qRed(red), 200);
    EXPECT_LT(qBlue(red), 60);
    const QRgb left = pdf1.pixel(qRound(100 * 0.75), qRound(450 * 0.75)), right = pdf1.pixel(qRound(220 * 0.75), qRound(450 * 0.75));
    EXPECT_GT(qRed(left), 200);
    EXPECT_GT(qBlue(right), 200);
    EXPECT_LT(qRed(right), 60);
}
