// Page content: the page fill, shapes, frames and rasterised objects, read from uncompressed
// files.

#include "PdfTestSupport.h"

#include "platform/rtti/ClassBuilder.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The bar-code object is known to the writer by its class name only.
class TrptBarCodeView : public TrptView {
    KORVEL_CLASS(TrptBarCodeView, TrptView)
public:
    explicit TrptBarCodeView(TComponent* AOwner = nullptr) : TrptView(AOwner) { SetColor(0x00FF00); }
};

// Text objects are rasterised at three times their size until text is written as text.
class TTextLikeView : public TrptView {
public:
    explicit TTextLikeView(TComponent* AOwner = nullptr) : TrptView(AOwner) { SetColor(0xFFFF00); }
    bool IsTextObject() const override { return true; }
};

// Writes one page (A4 without fill unless given) holding the views; the uncompressed file.
QByteArray OnePage(TrptPDFExport& f, const std::vector<TrptView*>& views, const TrptPDFPageSetup& page = A4Page()) {
    f.SetCompressed(false);
    TMemoryStream out;
    f.SetStream(&out);
    EXPECT_TRUE(f.Start());
    f.StartPage(page);
    for (TrptView* v : views)
        f.ExportObject(v);
    f.FinishPage(nullptr, 0);
    f.Finish();
    EXPECT_EQ(CheckCrossReferences(out.Bytes()), QString());
    return out.Bytes();
}

// The content stream of the only page: the object before the page object.
QByteArray PageContent(const QByteArray& pdf) {
    static const QRegularExpression re(QStringLiteral("/Contents (\\d+) 0 R"));
    const auto m = re.match(QString::fromLatin1(pdf));
    const QByteArray obj = ObjectText(pdf, m.captured(1).toInt());
    const qsizetype s = obj.indexOf("stream\r\n") + 8;
    return obj.mid(s, obj.lastIndexOf("endstream") - s);
}

int CountOf(const QByteArray& hay, const QByteArray& needle) {
    return static_cast<int>(hay.count(needle));
}

} // namespace

KORVEL_CLASS_INFO(TrptBarCodeView) {}

TEST(PdfContent, PageFillUsesItsOwnColourDigitsAndTheMargins) {
    TTestPDFExport f;
    const QByteArray pdf = OnePage(f, {}, A4Page(RGB(10, 128, 255)));
    EXPECT_EQ(PageContent(pdf), QByteArray("0.00 w\r\n0.03 0.50 1 RG\r\n0.03 0.50 1 rg\r\n28.35 28.35 m\r\n"
                                           "566.93 28.35 l\r\n566.93 813.54 l\r\n28.35 813.54 l\r\nB\r\n"));
}

TEST(PdfContent, ShapesAsVectorOperators) {
    TrptShapeView rect, round, diag;
    rect.SetBounds(10, 20, 100, 40);
    rect.SetColor(RGB(255, 0, 0));
    round.SetBounds(10, 20, 100, 40);
    round.SetShape(skRoundRectangle);
    diag.SetBounds(10, 20, 100, 40);
    diag.SetShape(skDiagonal2);
    diag.Frame()->SetStyle(fsDash);
    diag.Frame()->SetWidth(2);
    TTestPDFExport f;
    const QByteArray c = PageContent(OnePage(f, {&rect, &round, &diag}));
    // Page height 841.89: top 20 px is 826.89, bottom 60 px is 796.89.
    EXPECT_TRUE(c.startsWith("[] 0 d\r\n0 0 0 RG\r\n0.75 w\r\n1.00 0.00 0.00 rg\r\n7.50 796.89 \r\n75.00 30.00 re\r\nB\r\n"))
        << c.constData();
    // Rounded corners of 7.48 px without a fill: stroked only.
    EXPECT_TRUE(c.contains("[] 0 d\r\n0 0 0 RG\r\n0.75 w\r\n0.00 0.00 0.00 rg\r\n13.11 796.89 m\r\n76.89 796.89 l\r\n"
                           "79.70 796.89 82.50 799.70 82.50 802.50 c\r\n"))
        << c.constData();
    EXPECT_TRUE(c.contains("7.50 802.50 l\r\n7.50 799.70 10.30 796.89 13.11 796.89 c\r\nS\r\n")) << c.constData();
    // The dash is not scaled to points; the width is.
    EXPECT_TRUE(c.endsWith("[12.00 ] 0 d\r\n0 0 0 RG\r\n1.50 w\r\n7.50 826.89 m\r\n82.50 796.89 l\r\nS\r\n"))
        << c.constData();
}

TEST(PdfContent, EllipseTriangleAndDiamond) {
    TrptShapeView e, t, d;
    for (TrptShapeView* s : {&e, &t, &d})
        s->SetBounds(0, 0, 40, 20);
    e.SetShape(skEllipse);
    t.SetShape(skTriangle);
    d.SetShape(skDiamond);
    TrptPDFPageSetup page = A4Page();
    page.Height = 100; // 75 points: y 0 is 75.00
    TTestPDFExport f;
    const QByteArray c = PageContent(OnePage(f, {&e, &t, &d}, page));
    EXPECT_TRUE(c.contains("30.00 67.50 m\r\n30.00 63.36 23.28 60.00 15.00 60.00 c\r\n6.72 60.00 0.00 63.36 0.00 67.50 c\r\n")) << c.constData();
    EXPECT_TRUE(c.contains("15.00 75.00 m 30.00 60.00 l 0.00 60.00 l 15.00 75.00 l\r\nS\r\n")) << c.constData();
    EXPECT_TRUE(c.contains("15.00 75.00 m 30.00 67.50 l 15.00 60.00 l 0.00 67.50 l 15.00 75.00 l\r\nS\r\n"))
        << c.constData();
}

TEST(PdfContent, FrameSidesInTheirOrderWithTheirOwnLines) {
    TrptView v;
    v.SetBounds(10, 20, 100, 40);
    v.Frame()->SetTyp(TrptFrameTypes{ftTop, ftLeft});
    v.Frame()->TopLine()->SetStyle(fsDot);
    v.Frame()->TopLine()->SetWidth(2);
    v.Frame()->LeftLine()->SetColor(RGB(255, 0, 0));
    TTestPDFExport f;
    const QByteArray c = PageContent(OnePage(f, {&v}));
    EXPECT_TRUE(c.endsWith("Q\r\n0 0 0 RG\r\n"
                           "0 0 0 RG\r\n[4.00 12.00 ] 0 d\r\n1.50 w\r\n7.50 826.89 m\r\n82.50 826.89 l\r\nS\r\n"
                           "1.00 0.00 0.00 RG\r\n[] 0 d\r\n0.75 w\r\n7.50 826.89 m\r\n7.50 796.89 l\r\nS\r\n"))
        << c.constData();
}

TEST(PdfContent, RasterisedObjectIsOneImageDrawnWithItsSizeAndPlace) {
    TTwoColourView a, b;
    a.SetBounds(40, 40, 200, 100);
    b.SetBounds(300, 40, 200, 100);
    TTestPDFExport f;
    const QByteArray pdf = OnePage(f, {&a, &b});
    EXPECT_EQ(CountOf(pdf, "/Subtype /Image"), 1);
    EXPECT_TRUE(ObjectText(pdf, 2).contains("/Width 201\r\n/Height 101\r\n"));
    const QByteArray c = PageContent(pdf);
    EXPECT_EQ(c, QByteArray("q\r\n150.00 0 0 75.00 30.00 736.89 cm\r\n/Im0 Do\r\nQ\r\n"
                            "q\r\n150.00 0 0 75.00 225.00 736.89 cm\r\n/Im0 Do\r\nQ\r\n"));
    EXPECT_TRUE(pdf.contains("/XObject << /Im0 2 0 R >>\r\n"));
}

TEST(PdfContent, PicturesAreSharedWithinAPageOnly) {
    TTwoColourView a;
    a.SetBounds(40, 40, 20, 10);
    TTestPDFExport f;
    f.SetCompressed(false);
    TMemoryStream out;
    f.SetStream(&out);
    ASSERT_TRUE(f.Start());
    for (int page = 0; page < 2; ++page) {
        f.StartPage(A4Page());
        f.ExportObject(&a);
        f.ExportObject(&a);
        f.FinishPage(nullptr, page);
    }
    f.Finish();
    const QByteArray pdf = out.Bytes();
    EXPECT_EQ(CountOf(pdf, "/Subtype /Image"), 2);
    EXPECT_TRUE(pdf.contains("/XObject << /Im0 2 0 R >>"));
    EXPECT_TRUE(pdf.contains("/XObject << /Im1 5 0 R >>"));
}

TEST(PdfContent, BackgroundNotPrintableAndEmptyObjects) {
    TrptView bg, hidden, empty;
    bg.SetName(QStringLiteral("_pagebackground"));
    bg.SetBounds(10, 10, 100, 100);
    bg.SetColor(RGB(200, 200, 200));
    hidden.SetBounds(10, 10, 100, 100);
    hidden.SetPrintable(false);
    empty.SetBounds(10, 10, 0, 30);
    empty.Frame()->SetTyp(TrptFrameTypes{ftLeft});
    {
        TTestPDFExport f;
        EXPECT_EQ(PageContent(OnePage(f, {&bg, &hidden, &empty})), QByteArray());
    }
    {
        TTestPDFExport f;
        f.SetBackground(true);
        f.SetExportNotPrintable(true);
        const QByteArray pdf = OnePage(f, {&bg, &hidden, &empty});
        EXPECT_EQ(CountOf(PageContent(pdf), " Do\r\n"), 2);
    }
}

TEST(PdfContent, BrokenPictureIsWrittenBlankAndTheExportGoesOn) {
    TBrokenView broken;
    broken.SetBounds(10, 10, 50, 50);
    TTwoColourView after;
    after.SetBounds(100, 10, 50, 50);
    TTestPDFExport f;
    const QByteArray pdf = OnePage(f, {&broken, &after});
    EXPECT_EQ(CountOf(pdf, "/Subtype /Image"), 2);
    EXPECT_EQ(CountOf(PageContent(pdf), " Do\r\n"), 2);
}

TEST(PdfContent, FrameIsLeftOutOfThePictureAndPutBackWithEverySide) {
    TrptView v;
    v.SetBounds(10, 10, 60, 40);
    v.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    v.Frame()->SetWidth(3);
    v.Frame()->LeftLine()->SetWidth(5);
    TTestPDFExport f;
    const QByteArray pdf = OnePage(f, {&v});
    EXPECT_DOUBLE_EQ(v.Frame()->Width(), 3);
    EXPECT_DOUBLE_EQ(v.Frame()->LeftLine()->Width(), 5);
    EXPECT_DOUBLE_EQ(v.Frame()->TopLine()->Width(), 3);
    // The left side is written with its own width.
    EXPECT_TRUE(PageContent(pdf).contains("3.75 w\r\n7.50 834.39 m\r\n7.50 804.39 l\r\nS\r\n"));
}

TEST(PdfContent, ScalesOfTextBarCodeAndPrintOptimized) {
    TTextLikeView text;
    text.SetBounds(10, 10, 50, 20);
    TrptBarCodeView bar;
    bar.SetBounds(100, 10, 50, 20);
    TrptView plain;
    plain.SetBounds(200, 10, 50, 20);
    plain.SetColor(RGB(0, 0, 255));
    {
        TTestPDFExport f;
        const QByteArray pdf = OnePage(f, {&text, &bar, &plain});
        EXPECT_TRUE(ObjectText(pdf, 2).contains("/Width 153\r\n/Height 63\r\n"));  // 3 x, + 3
        EXPECT_TRUE(ObjectText(pdf, 3).contains("/Width 102\r\n/Height 42\r\n"));  // 2 x, + 2
        EXPECT_TRUE(ObjectText(pdf, 4).contains("/Width 51\r\n/Height 21\r\n"));
    }
    {
        TTestPDFExport f;
        f.SetPrintOptimized(true);
        const QByteArray pdf = OnePage(f, {&bar, &plain});
        EXPECT_TRUE(ObjectText(pdf, 2).contains("/Width 153\r\n/Height 63\r\n"));
        EXPECT_TRUE(ObjectText(pdf, 3).contains("/Width 153\r\n/Height 63\r\n"));
    }
}
