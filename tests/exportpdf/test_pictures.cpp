// Picture objects: decoded pictures become image objects shared within a page; a picture that
// cannot be decoded leaves its object blank and the export goes on.

#include "PdfTestSupport.h"

#include "report/core/rptClassPicture.h"

#include "platform/gfx/Picture.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray PngOfTwoColours() {
    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::red);
    for (int y = 0; y < 20; ++y)
        for (int x = 20; x < 40; ++x)
            img.setPixel(x, y, qRgb(0, 0, 255));
    QByteArray png;
    QBuffer buf(&png);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return png;
}

void Load(TrptPictureView& v, const QByteArray& data) {
    TBytesStream s(data);
    v.LoadPictureFromStream(s, true);
}

} // namespace

TEST(PdfPictures, SamePictureTwiceIsOneImageAndRendersInPlace) {
    TrptPictureView a, b;
    a.SetBounds(100, 100, 200, 100);
    b.SetBounds(100, 300, 200, 100);
    for (TrptPictureView* v : {&a, &b}) {
        v->SetStretched(true);
        Load(*v, PngOfTwoColours());
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("pictures.pdf"));
    TTestPDFExport f;
    f.SetFileName(path);
    ASSERT_TRUE(f.Start());
    f.StartPage(A4Page());
    f.ExportObject(&a);
    f.ExportObject(&b);
    f.FinishPage(nullptr, 0);
    f.Finish();

    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out), 0) << out.toStdString();
    ASSERT_EQ(RunTool(QStringLiteral("pdfimages"), {QStringLiteral("-list"), path}, &out), 0);
    // Two draws of one image object (the object number column is the same).
    EXPECT_EQ(out.count(QStringLiteral("201   101  rgb     3   8  jpeg")), 2) << out.toStdString();
    EXPECT_EQ(out.count(QStringLiteral("image")), 2) << out.toStdString();
    const QString prefix = dir.filePath(QStringLiteral("p"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-png"), path, prefix}, &out), 0);
    const QImage img(prefix + QStringLiteral("-1.png"));
    ASSERT_FALSE(img.isNull());
    for (int top : {100, 300}) {
        const QRgb left = img.pixel(qRound(140 * 0.75), qRound((top + 50) * 0.75));
        const QRgb right = img.pixel(qRound(260 * 0.75), qRound((top + 50) * 0.75));
        EXPECT_GT(qRed(left), 200) << top;
        EXPECT_LT(qBlue(left), 60) << top;
        EXPECT_GT(qBlue(right), 200) << top;
        EXPECT_LT(qRed(right), 60) << top;
    }
}

TEST(PdfPictures, UndecodablePictureIsWrittenBlank) {
    TrptPictureView v;
    v.SetBounds(10, 10, 50, 50);
    QByteArray broken = PngOfTwoColours().left(40);
    broken.append(QByteArray(200, '\x55'));
    EXPECT_THROW(Load(v, broken), EInvalidGraphic);
    TTestPDFExport f;
    f.SetCompressed(false);
    TMemoryStream out;
    f.SetStream(&out);
    ASSERT_TRUE(f.Start());
    f.StartPage(A4Page());
    f.ExportObject(&v);
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QByteArray pdf = out.Bytes();
    EXPECT_EQ(CheckCrossReferences(pdf), QString());
    EXPECT_TRUE(ObjectText(pdf, 2).contains("/Width 51\r\n/Height 51\r\n"));
    const QByteArray obj = ObjectText(pdf, 2);
    const QImage blank = TJPEGImage::Decode(obj.mid(obj.indexOf("stream\r\n") + 8, obj.indexOf("\r\nendstream") - obj.indexOf("stream\r\n") - 8));
    EXPECT_EQ(blank.pixel(25, 25), qRgb(255, 255, 255));
}
