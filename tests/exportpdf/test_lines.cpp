// Line objects: the stroke from the box's top-left to its bottom-right corner and the arrow heads.

#include "PdfTestSupport.h"

#include "report/core/rptClassLine.h"

#include <gtest/gtest.h>

namespace {

// A page 200 px high (150 pt), no margins, no fill.
QByteArray LineContent(TrptLineView& line) {
    TrptPDFPageSetup page = A4Page();
    page.Height = 200;
    TTestPDFExport f;
    f.SetCompressed(false);
    TMemoryStream out;
    f.SetStream(&out);
    EXPECT_TRUE(f.Start());
    f.StartPage(page);
    f.ExportObject(&line);
    f.FinishPage(nullptr, 0);
    f.Finish();
    const QByteArray obj = ObjectText(out.Bytes(), 2);
    const qsizetype s = obj.indexOf("stream\r\n") + 8;
    return obj.mid(s, obj.lastIndexOf("endstream") - s);
}

} // namespace

TEST(PdfLines, HorizontalLineWithArrowAtTheEnd) {
    TrptLineView line;
    line.SetBounds(10, 100, 100, 0);
    EXPECT_EQ(LineContent(line), QByteArray("[] 0 d\r\n0 0 0 RG\r\n0.75 w\r\n7.50 75.00 m\r\n82.50 75.00 l\r\nS\r\n"));
    line.SetArrowEnd(true); // length 20, width 5: 15 and 3.75 points
    EXPECT_EQ(LineContent(line), QByteArray("[] 0 d\r\n0 0 0 RG\r\n0.75 w\r\n7.50 75.00 m\r\n82.50 75.00 l\r\nS\r\n"
                                            "[] 0 d\r\n67.50 71.25 m\r\n82.50 75.00 l\r\n67.50 78.75 l\r\nS\r\n"));
}

TEST(PdfLines, VerticalLineWithSolidArrowAtTheStart) {
    TrptLineView line;
    line.SetBounds(10, 10, 0, 100);
    line.SetArrowStart(true);
    line.SetArrowSolid(true);
    line.Frame()->SetColor(RGB(255, 0, 0));
    line.Frame()->SetStyle(fsDash);
    EXPECT_EQ(LineContent(line), QByteArray("[6.00 ] 0 d\r\n1.00 0.00 0.00 RG\r\n0.75 w\r\n7.50 142.50 m\r\n7.50 67.50 l\r\nS\r\n"
                                            "[6.00 ] 0 d\r\n3.75 127.50 m\r\n7.50 142.50 l\r\n11.25 127.50 l\r\n"
                                            "1 j\r\n1.00 0.00 0.00 rg\r\nb\r\n"));
}

TEST(PdfLines, DiagonalArrowWingsAreAcrossTheLine) {
    TrptLineView line;
    line.SetBounds(0, 0, 80, 60); // 60 x 45 points: a 3-4-5 triangle
    line.SetDiagonal(true);
    line.SetArrowEnd(true);
    line.SetArrowLength(40); // 30 points: the base is 24 left and 18 up of the tip
    line.SetArrowWidth(8);   // 6 points each side
    const QByteArray c = LineContent(line);
    // Tip (60, 105); base (36, 123); wings 6 points off the base across the line.
    EXPECT_TRUE(c.endsWith("[] 0 d\r\n32.40 118.20 m\r\n60.00 105.00 l\r\n39.60 127.80 l\r\nS\r\n")) << c.constData();
}
