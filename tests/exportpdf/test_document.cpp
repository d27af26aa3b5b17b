// The PDF document: start and output, object numbering, page dictionaries, information,
// catalog, cross references, the golden two-page file, protection and many pages.

#include "PdfTestSupport.h"

#include "report/core/rptClassPage.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QByteArray ExportTwoPages(bool Compressed) {
    TTestPDFExport f;
    f.SetCompressed(Compressed);
    f.SetTitle(QStringLiteral("Two pages"));
    TTwoPageReport r;
    TMemoryStream out;
    r.Export(f, out);
    return out.Bytes();
}

QByteArray ExportPages(TrptPDFExport& f, int Pages) {
    TMemoryStream out;
    f.SetStream(&out);
    EXPECT_TRUE(f.Start());
    for (int i = 0; i < Pages; ++i) {
        f.StartPage(A4Page());
        f.FinishPage(nullptr, i);
    }
    f.Finish();
    return out.Bytes();
}

} // namespace

TEST(PdfDocument, StartWithoutFileNameOrStreamWritesNothing) {
    TTestPDFExport f;
    EXPECT_FALSE(f.Start());
    f.Finish(); // idle: nothing to complete
}

TEST(PdfDocument, TwoPagesAreNumberedInWritingOrder) {
    const QByteArray pdf = ExportTwoPages(false);
    ASSERT_EQ(CheckCrossReferences(pdf), QString());
    EXPECT_TRUE(pdf.startsWith("%PDF-1.5\r\n2 0 obj\r\n")); // object 1, the page tree, comes last
    // Page 1: the grey view (2) and the shared picture (3) are written as they are drawn, then the
    // content (4) and the page (5); page 2: its picture again (6), the framed view (7), content
    // (8) and page (9); then the page tree (1), the information (10) and the catalog (11).
    for (int n : {2, 3, 6, 7})
        EXPECT_TRUE(ObjectText(pdf, n).startsWith("<<\r\n/Type /XObject\r\n/Subtype /Image\r\n")) << n;
    EXPECT_TRUE(ObjectText(pdf, 4).startsWith("<< /Length ")) << ObjectText(pdf, 4).left(40).constData();
    EXPECT_TRUE(ObjectText(pdf, 5).startsWith("<<\r\n/Type /Page\r\n/Parent 1 0 R\r\n/MediaBox [0 0 595.28 841.89 ]\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 5).contains("/Font << >>\r\n/XObject << /Im0 2 0 R /Im1 3 0 R >>\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 5).endsWith("/Contents 4 0 R\r\n>>\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 9).contains("/XObject << /Im2 6 0 R /Im3 7 0 R >>\r\n"));
    EXPECT_EQ(ObjectText(pdf, 1), QByteArray("<<\r\n/Type /Pages\r\n/Kids [5 0 R 9 0 R ]\r\n/Count 2\r\n>>\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 10).startsWith("<<\r\n/Title <FEFF00540077006F002000700061006700650073>\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 10).contains("/CreationDate (D:20260102030405)\r\n/ModDate (D:20260102030405)\r\n"));
    EXPECT_EQ(ObjectText(pdf, 11), QByteArray("<<\r\n/Type /Catalog\r\n/Pages 1 0 R\r\n/PageMode /UseNone\r\n"
                                              "/ViewerPreferences <<\r\n/DisplayDocTitle true\r\n"
                                              "/PrintScaling /None\r\n>>\r\n>>\r\n"));
    EXPECT_TRUE(pdf.contains("trailer\r\n<<\r\n/Size 12\r\n/Root 11 0 R\r\n/Info 10 0 R\r\n/ID [<"));
    EXPECT_TRUE(pdf.endsWith(">>\r\nstartxref\r\n" + QByteArray::number(pdf.lastIndexOf("xref\r\n0 12")) +
                             "\r\n%%EOF\r\n"));
}

TEST(PdfDocument, UncompressedTwoPagesMatchTheGoldenFile) {
    const QByteArray pdf = ExportTwoPages(false);
    const QString golden = QStringLiteral(KORVEL_TEST_DATA "/two_pages.pdf");
    if (qEnvironmentVariableIsSet("KORVEL_UPDATE_GOLDEN")) {
        QFile out(golden);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(pdf);
    }
    QFile in(golden);
    ASSERT_TRUE(in.open(QIODevice::ReadOnly)) << golden.toStdString();
    const QByteArray expected = in.readAll();
    ASSERT_EQ(pdf.size(), expected.size());
    EXPECT_TRUE(pdf == expected);
    // The identifier is the MD5 of the GUID text.
    EXPECT_TRUE(pdf.contains("/ID [<786932c4045f4318522621407930c90f><786932c4045f4318522621407930c90f>]"));
}

TEST(PdfDocument, EmptyPageHasAnEmptyFontDictionaryAndNoPictures) {
    TTestPDFExport f;
    f.SetCompressed(false);
    const QByteArray pdf = ExportPages(f, 1);
    ASSERT_EQ(CheckCrossReferences(pdf), QString());
    EXPECT_EQ(ObjectText(pdf, 2), QByteArray("<< /Length 0 >>\r\nstream\r\nendstream\r\n"));
    EXPECT_TRUE(ObjectText(pdf, 3).contains("/Resources <<\r\n/Font << >>\r\n/ProcSet [/PDF /Text /ImageC ]\r\n>>\r\n"));
    EXPECT_FALSE(pdf.contains("/XObject"));
    // An empty title: an empty text string and no DisplayDocTitle.
    EXPECT_TRUE(pdf.contains("/Title <FEFF>\r\n"));
    EXPECT_FALSE(pdf.contains("/DisplayDocTitle"));
}

TEST(PdfDocument, CompressedContentSaysBothLengths) {
    TTestPDFExport f;
    TTwoPageReport r;
    TMemoryStream out;
    r.Export(f, out);
    const QByteArray pdf = out.Bytes();
    ASSERT_EQ(CheckCrossReferences(pdf), QString());
    static const QRegularExpression re(QStringLiteral("/Filter /FlateDecode /Length (\\d+) /Length1 (\\d+) >>\r\nstream\r\n"));
    const auto m = re.match(QString::fromLatin1(ObjectText(pdf, 4)));
    ASSERT_TRUE(m.hasMatch());
    const QByteArray content = ObjectText(pdf, 4);
    const qsizetype start = content.indexOf("stream\r\n") + 8;
    EXPECT_EQ(content.mid(start + m.captured(1).toInt()), QByteArray("\r\nendstream\r\n"));
    EXPECT_GT(m.captured(2).toInt(), m.captured(1).toInt());
}

TEST(PdfDocument, ViewerPreferencesAndPageMode) {
    TTestPDFExport f;
    f.SetCompressed(false);
    f.SetTitle(QStringLiteral("T"));
    f.SetHideToolbar(true);
    f.SetHideMenubar(true);
    f.SetHideWindowUI(true);
    f.SetFitWindow(true);
    f.SetCenterWindow(true);
    f.SetPrintScaling(true);
    f.SetOutline(true);
    const QByteArray pdf = ExportPages(f, 1);
    EXPECT_TRUE(pdf.contains("/PageMode /UseOutlines\r\n/ViewerPreferences <<\r\n/DisplayDocTitle true\r\n"
                             "/HideToolbar true\r\n/HideMenubar true\r\n/HideWindowUI true\r\n/FitWindow true\r\n"
                             "/CenterWindow true\r\n>>\r\n>>\r\nendobj\r\n"));
    // An outline without items writes no outline objects.
    EXPECT_FALSE(pdf.contains("/Outlines"));
}

TEST(PdfDocument, CallersStreamStaysOpenAndKeepsEarlierBytes) {
    TTestPDFExport f;
    f.SetOpenAfterExport(true); // ignored with a caller's stream
    TMemoryStream out;
    out.WriteBuffer("HEAD", 4);
    f.SetStream(&out);
    ASSERT_TRUE(f.Start());
    f.StartPage(A4Page());
    f.FinishPage(nullptr, 0);
    f.Finish();
    out.WriteBuffer("TAIL", 4);
    const QByteArray all = out.Bytes();
    EXPECT_TRUE(all.startsWith("HEAD%PDF-1.5\r\n"));
    EXPECT_TRUE(all.endsWith("%%EOF\r\nTAIL"));
}

TEST(PdfDocument, FileNameWithoutFolderGoesToTheDefaultPath) {
    QTemporaryDir dir;
    TTestPDFExport f;
    f.SetFileName(QStringLiteral("out.pdf"));
    f.SetDefaultPath(dir.path());
    ASSERT_TRUE(f.Start());
    f.StartPage(A4Page());
    f.FinishPage(nullptr, 0);
    f.Finish();
    EXPECT_EQ(f.FileName(), dir.path() + QStringLiteral("/out.pdf"));
    QFile file(f.FileName());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray pdf = file.readAll();
    EXPECT_EQ(CheckCrossReferences(pdf), QString());
}

TEST(PdfDocument, SlaveExportWritesIntoTheTemporaryFolder) {
    TTestPDFExport f;
    f.SetSlaveExport(true);
    ASSERT_TRUE(f.Start());
    f.Finish();
    EXPECT_TRUE(f.FileName().endsWith(QStringLiteral(".pdf")));
    EXPECT_TRUE(QFile::exists(f.FileName()));
    QFile::remove(f.FileName());
}

TEST(PdfDocument, TenThousandPages) {
    QTemporaryDir dir;
    TTestPDFExport f;
    f.SetFileName(dir.filePath(QStringLiteral("many.pdf")));
    ASSERT_TRUE(f.Start());
    TTwoColourView pic;
    pic.SetBounds(50, 50, 40, 20);
    for (int i = 0; i < 10000; ++i) {
        f.StartPage(A4Page(i % 2 ? 0xEEEEEE : clNone));
        if (i % 100 == 0) f.ExportObject(&pic);
        f.FinishPage(nullptr, i);
    }
    f.Finish();
    QString out;
    ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), f.FileName()}, &out), 0) << out.toStdString();
    ASSERT_EQ(RunTool(QStringLiteral("pdfinfo"), {f.FileName()}, &out), 0);
    EXPECT_TRUE(out.contains(QRegularExpression(QStringLiteral("Pages:\\s+10000\n")))) << out.toStdString();
}

// ---------------------------------------------------------------------------------------------
// Protection

TEST(PdfSecurity, PermissionValueFollowsTheFlags) {
    TTestPDFExport f;
    EXPECT_EQ(f.EncBits(), -4);
    f.SetProtectionFlags(TrptPDFEncBits{});
    EXPECT_EQ(f.EncBits(), -64);
    f.SetProtectionFlags(TrptPDFEncBits{ePrint});
    EXPECT_EQ(f.EncBits(), -60);
    f.SetProtectionFlags(TrptPDFEncBits{eCopy, eAnnot});
    EXPECT_EQ(f.EncBits(), -16);
}

TEST(PdfSecurity, ProtectedFileOpensWithEitherPasswordOnly) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("locked.pdf"));
    TTestPDFExport f;
    f.SetFileName(path);
    f.SetUserPassword("user");
    f.SetOwnerPassword("owner");
    f.SetProtectionFlags(TrptPDFEncBits{ePrint});
    f.SetTitle(QStringLiteral("Secret (1)"));
    TTwoPageReport r;
    ASSERT_TRUE(f.Start());
    f.StartPage(r.Setup1);
    for (TrptView* v : r.Page1)
        f.ExportObject(v);
    f.FinishPage(nullptr, 0);
    f.Finish();
    EXPECT_TRUE(f.EmbeddedFonts()); // replaced by EmbedFontsIfProtected

    QString out;
    EXPECT_NE(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &out), 0);
    for (const char* pw : {"user", "owner"}) {
        ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--password=%1").arg(QLatin1String(pw)),
                                                   QStringLiteral("--check"), path},
                          &out),
                  0)
            << pw << out.toStdString();
    }
    ASSERT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--password=user"), QStringLiteral("--show-encryption"), path}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("P = -60"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("R = 3"))) << out.toStdString();
    ASSERT_EQ(RunTool(QStringLiteral("pdfinfo"), {QStringLiteral("-upw"), QStringLiteral("user"), path}, &out), 0);
    EXPECT_TRUE(out.contains(QStringLiteral("Title:           Secret (1)"))) << out.toStdString();
    EXPECT_TRUE(out.contains(QStringLiteral("CreationDate:    Fri Jan  2 03:04:05 2026"))) << out.toStdString();
    // The decrypted page shows the red rectangle.
    const QString prefix = dir.filePath(QStringLiteral("locked"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-upw"), QStringLiteral("user"), QStringLiteral("-r"),
                                                   QStringLiteral("72"), QStringLiteral("-png"), path, prefix},
                      &out),
              0)
        << out.toStdString();
    const QImage img(prefix + QStringLiteral("-1.png"));
    ASSERT_FALSE(img.isNull());
    const QRgb red = img.pixel(qRound(105 * 0.75), qRound(100 * 0.75));
    EXPECT_GT(qRed(red), 200);
    EXPECT_LT(qGreen(red), 60);
}

TEST(PdfSecurity, OwnerPasswordAloneOpensWithoutPasswordAndSameOwnerValueEachTime) {
    QByteArray o[2], u[2];
    for (int i = 0; i < 2; ++i) {
        TrptPDFExport f(nullptr); // a new identifier each time
        f.SetCompressed(false);
        f.SetOwnerPassword("owner");
        TMemoryStream out;
        f.SetStream(&out);
        ASSERT_TRUE(f.Start());
        f.StartPage(A4Page());
        f.FinishPage(nullptr, 0);
        f.Finish();
        const QByteArray pdf = out.Bytes();
        EXPECT_TRUE(pdf.contains("/P -4\r\n"));
        const qsizetype oi = pdf.indexOf("/O ("), ui = pdf.indexOf("/U (");
        o[i] = pdf.mid(oi, ui - oi);
        u[i] = pdf.mid(ui, pdf.indexOf(">>\r\n>>\r\nstartxref") - ui);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("o.pdf"));
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(pdf);
        file.close();
        QString text;
        EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path}, &text), 0) << text.toStdString();
    }
    EXPECT_EQ(o[0], o[1]);
    EXPECT_NE(u[0], u[1]);
}

TEST(PdfDocument, ReportPageGivesSizeMarginsAndColour) {
    TrptReportPage page;
    page.SetPaperSize(11); // A5: 148 x 210 mm
    page.SetLeftMargin(20);
    page.SetTopMargin(10);
    page.SetRightMargin(5);
    page.SetBottomMargin(15);
    page.SetColor(RGB(255, 0, 0));
    TTestPDFExport f;
    f.SetCompressed(false);
    TMemoryStream out;
    f.SetStream(&out);
    ASSERT_TRUE(f.Start());
    f.StartPage(&page, 0);
    f.FinishPage(&page, 0);
    f.Finish();
    const QByteArray pdf = out.Bytes();
    ASSERT_EQ(CheckCrossReferences(pdf), QString());
    // The page's own size: 148 x 210 mm as whole pixels (559 x 794), 0.75 pt per px.
    EXPECT_EQ(page.Width(), 559);
    EXPECT_TRUE(ObjectText(pdf, 3).contains("/MediaBox [0 0 419.25 595.50 ]")) << ObjectText(pdf, 3).constData();
    EXPECT_TRUE(ObjectText(pdf, 2).contains("1 0 0 RG\r\n1 0 0 rg\r\n56.69 42.52 m\r\n405.08 42.52 l\r\n"
                                            "405.08 567.15 l\r\n56.69 567.15 l\r\nB\r\n"))
        << ObjectText(pdf, 2).constData();
    EXPECT_THROW(f.StartPage(nullptr, 0), EInvalidPointer);
}
