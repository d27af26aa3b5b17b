// Text objects: until text is written as text they are rasterised at three times their size, so
// the rendered page shows the text where the object stands.

#include "PdfTestSupport.h"

#include "report/core/rptClassMemo.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PdfText, TextObjectIsAPictureAtThreeTimesItsSize) {
    TrptMemoView memo;
    memo.SetBounds(100, 100, 300, 60);
    memo.Font()->SetSize(24);
    memo.SetText(QStringLiteral("MMMMMMMM"));
    memo.Frame()->SetTyp(TrptFrameTypes{ftBottom});

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("text.pdf"));
    TTestPDFExport f;
    f.SetFileName(path);
    ASSERT_TRUE(f.Start());
    f.StartPage(A4Page());
    f.ExportObject(&memo);
    f.FinishPage(nullptr, 0);
    f.Finish();

    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("903   183  rgb     3   8  jpeg"))) << out.toStdString();
    const QString prefix = dir.filePath(QStringLiteral("text"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path, prefix}, &out), 0);
    const QImage img(prefix + QStringLiteral("-1.png"));
    ASSERT_FALSE(img.isNull());
    if (qEnvironmentVariableIsSet("KORVEL_KEEP_RENDERING")) img.save(QStringLiteral("/tmp/pdf-text.png"));
    // Dark pixels of the letters inside the object, none outside it; the bottom frame line is
    // drawn as a vector line at 160 px (120 pt).
    int inside = 0, outside = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x) {
            if (qGray(img.pixel(x, y)) > 100) continue;
            const bool in = x >= 75 && x < 300 && y >= 75 && y < 121;
            (in ? inside : outside)++;
        }
    EXPECT_GT(inside, 300);
    EXPECT_EQ(outside, 0);
    EXPECT_LT(qGray(img.pixel(150, 120)), 100);
}
