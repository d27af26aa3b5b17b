// Number, colour and dash texts of the PDF writer.

#include "PdfTestSupport.h"

#include "report/core/rptUtils.h"

#include <gtest/gtest.h>

#include <random>

TEST(PdfNumbers, TwoDecimalsRoundHalfAwayFromZero) {
    const struct {
        double Value;
        const char* Text;
    } cases[] = {
        {0, "0.00"},        {595.2756, "595.28"}, {-3.5, "-3.50"}, {0.125, "0.13"},  {-0.125, "-0.13"},
        {0.375, "0.38"},    {2.5, "2.50"},        {1.005, "1.00"}, {2.675, "2.67"},  {-0.001, "0.00"},
        {-0.005, "-0.01"}, {841.8903, "841.89"}, {7.5, "7.50"},   {1e14, "100000000000000.00"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PdfFloat(c.Value), QByteArray(c.Text)) << c.Value;
}

TEST(PdfNumbers, SameTextAsTheReportsFixedPointFormatting) {
    std::mt19937_64 rng(42);
    std::uniform_real_distribution<double> wide(-20000, 20000);
    std::uniform_int_distribution<int> eighths(-800000, 800000);
    for (int i = 0; i < 30000; ++i) {
        // Random values, values on exact eighths (the halfway cases) and short decimals.
        const double v = i % 3 == 0 ? wide(rng) : i % 3 == 1 ? eighths(rng) / 8.0 : eighths(rng) / 1000.0;
        ASSERT_EQ(QString::fromLatin1(PdfFloat(v)), FloatToTextWithSeparator(2, QLatin1Char('.'), v)) << v;
    }
}

TEST(PdfNumbers, BufferAppendsNumbersAndLines) {
    TrptPDFBuffer b;
    b.Int(-12).Add(' ').Pt(1.5, 2).Eol().Line("S");
    EXPECT_EQ(b.Bytes(), QByteArray("-12 1.50 2.00\r\nS\r\n"));
}

TEST(PdfNumbers, WriterCountsPositionAcrossFlushesAndBlocks) {
    TMemoryStream out;
    out.WriteBuffer("xx", 2);
    TrptPDFWriter w;
    w.Open(&out);
    EXPECT_EQ(w.Position(), 2);
    w.Line("%PDF-1.5");
    const QByteArray big(100000, 'a');
    w.Block(big);
    for (int i = 0; i < 20000; ++i) {
        w.Int(i).Eol();
        w.Check();
    }
    const Int64 position = w.Position();
    w.Close();
    EXPECT_EQ(out.Size(), position);
    const QByteArray all = out.Bytes();
    EXPECT_TRUE(all.startsWith("xx%PDF-1.5\r\naaa"));
    EXPECT_TRUE(all.endsWith("19998\r\n19999\r\n"));
}

TEST(PdfColours, BlackWhiteAndComponentsOver255) {
    TTestPDFExport f;
    EXPECT_EQ(f.ColorToPDF(clBlack), QByteArray("0 0 0"));
    EXPECT_EQ(f.ColorToPDF(0xFFFFFF), QByteArray("1 1 1"));
    // Red 10, green 128, blue 255.
    EXPECT_EQ(f.ColorToPDF(RGB(10, 128, 255)), QByteArray("0.04 0.50 1.00"));
    EXPECT_EQ(f.ColorToPDF(RGB(10, 128, 255)), QByteArray("0.04 0.50 1.00"));
    EXPECT_EQ(f.ColorToPDF(RGB(255, 0, 0)), QByteArray("1.00 0.00 0.00"));
    // A system colour is resolved first; only the value 0 itself is the short black.
    const TColor text = ColorToRGB(clBtnFace);
    EXPECT_EQ(f.ColorToPDF(clBtnFace), PdfFloat(GetRValue(text) / 255.0) + ' ' + PdfFloat(GetGValue(text) / 255.0) +
                                           ' ' + PdfFloat(GetBValue(text) / 255.0));
    EXPECT_EQ(f.ColorToPDF(clNone), QByteArray("0.00 0.00 0.00"));
}

TEST(PdfDashes, PatternsScaleWithTheWidthButNotByPoints) {
    const struct {
        TrptFrameStyle Style;
        double Width;
        const char* Text;
    } cases[] = {
        {fsSolid, 3, "[] 0 d"},
        {fsDouble, 3, "[] 0 d"},
        {fsAltDot, 3, "[] 0 d"},
        {fsSquare, 3, "[] 0 d"},
        {fsDash, 1, "[6.00 ] 0 d"},
        {fsDot, 2, "[4.00 12.00 ] 0 d"},
        {fsDashDot, 1, "[6.00 6.00 2.00 6.00 ] 0 d"},
        {fsDashDotDot, 0.5, "[3.00 3.00 1.00 3.00 1.00 3.00 ] 0 d"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TrptPDFExport::DashPattern(c.Style, c.Width), QByteArray(c.Text)) << c.Style;
}

TEST(PdfStrings, HexTextStringAndLiteralEscapes) {
    EXPECT_EQ(PdfHexTextString(QString()), QByteArray("<FEFF>"));
    EXPECT_EQ(PdfHexTextString(QStringLiteral("A\u00e9\u20ac")), QByteArray("<FEFF004100E920AC>"));
    EXPECT_EQ(PdfEscapeLiteral(QByteArray("a(b)c\\d\re\nf\x01", 12)), QByteArray("a\\(b\\)c\\\\d\\re\\nf\x01"));
}
