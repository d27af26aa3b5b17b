#include "platform/gfx/Canvas.h"
#include "platform/gfx/FontService.h"

#include <QRawFont>
#include <gtest/gtest.h>

namespace {

QImage White(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

// The box of every pixel that is not white.
QRect Ink(const QImage& img) {
    QRect r;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((img.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) r |= QRect(x, y, 1, 1);
    return r;
}

void SetArial(TCanvas& c, int height) {
    c.Font().SetName(QStringLiteral("Arial"));
    c.Font().SetHeight(height);
    c.Font().SetColor(clBlack);
}

} // namespace

TEST(Text, MeasuresWithTheFontsAdvances) {
    TCanvas c; // measuring needs no device
    SetArial(c, -13);
    // Liberation Sans advances: H 1479, e 1139, l 455, o 1139 units of 2048 per em.
    // (1479 + 1139 + 455 + 455 + 1139) * 13 / 2048 = 29.62...
    EXPECT_EQ(c.TextWidth(QStringLiteral("Hello")), 30);
    // Ascent 1854 and descent 434 at 13 pixels: 12 + 3.
    EXPECT_EQ(c.TextHeight(QStringLiteral("Hello")), 15);
    EXPECT_EQ(c.TextWidth(QString()), 0);
    const TTextMetric tm = c.TextMetrics();
    EXPECT_EQ(tm.tmAscent, 12);
    EXPECT_EQ(tm.tmDescent, 3);
    EXPECT_EQ(tm.tmInternalLeading, 2);

    // A longer text, cross-checked against Qt's own reading of the same file.
    const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
    c.Font().SetHeight(-100);
    const auto face = c.FontFace();
    const QRawFont raw = face->RawFont(100);
    double sum = 0;
    for (const QPointF& a : raw.advancesForGlyphIndexes(raw.glyphIndexesForString(text)))
        sum += a.x();
    EXPECT_EQ(c.TextWidth(text), qRound(sum));
    EXPECT_EQ(c.TextWidth(text), 1979);
    const std::vector<int> ext = c.TextExtents(text);
    ASSERT_EQ(ext.size(), static_cast<size_t>(text.size()));
    EXPECT_EQ(ext.back(), 1979);
    EXPECT_EQ(ext[0], 61); // "T" is 1251 units

    // Bold comes from its own file with its own advances: l 569 and o 1251 units.
    c.Font().SetHeight(-13);
    c.Font().SetStyle({fsBold});
    EXPECT_EQ(c.TextWidth(QStringLiteral("Hello")), 32);
}

TEST(Text, DrawTextCalcRectWithWordBreak) {
    QImage img = White(200, 200);
    TCanvas c(&img);
    SetArial(c, -13);
    const QString text = QStringLiteral("one two three four five six");
    TRect r(10, 10, 70, 10);
    const int h = c.DrawText(text, r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    // In 60 pixels: "one two" (46; "one two three" is 79), "three four" (56), "five six" (45),
    // each line 15 high; the box narrows to the widest line.
    EXPECT_EQ(c.TextWidth(QStringLiteral("one two")), 46);
    EXPECT_EQ(c.TextWidth(QStringLiteral("one two three")), 79);
    EXPECT_EQ(c.TextWidth(QStringLiteral("three four")), 56);
    EXPECT_EQ(c.TextWidth(QStringLiteral("three four five")), 79);
    EXPECT_EQ(h, 3 * 15);
    EXPECT_EQ(r, TRect(10, 10, 10 + 56, 10 + 45));
    c.Flush();
    EXPECT_TRUE(Ink(img).isNull()); // calculating draws nothing

    // Single line: the width of the text and one line high.
    TRect s(0, 0, 5, 0);
    EXPECT_EQ(c.DrawText(QStringLiteral("Hello"), s, DT_CALCRECT | DT_SINGLELINE), 15);
    EXPECT_EQ(s, TRect(0, 0, 30, 15));
    // Ampersands: one is a prefix mark, two stand for one.
    TRect p(0, 0, 100, 0);
    c.DrawText(QStringLiteral("&Hello"), p, DT_CALCRECT | DT_SINGLELINE);
    EXPECT_EQ(p.Right, 30);
    c.DrawText(QStringLiteral("&Hello"), p = TRect(0, 0, 100, 0), DT_CALCRECT | DT_SINGLELINE | DT_NOPREFIX);
    EXPECT_GT(p.Right, 30);
    // A word wider than the box stays whole unless edit-control breaking is asked for.
    TRect w(0, 0, 20, 0);
    EXPECT_EQ(c.DrawText(QStringLiteral("abcdefghij"), w, DT_CALCRECT | DT_WORDBREAK), 15);
    // ab | cd | efg | hij (a and b are 7.2 pixels, c 6.5, so "abc" needs 21).
    EXPECT_EQ(c.DrawText(QStringLiteral("abcdefghij"), w = TRect(0, 0, 20, 0),
                         DT_CALCRECT | DT_WORDBREAK | DT_EDITCONTROL),
              60);
}

TEST(Text, DrawTextAlignsAndClips) {
    struct Case {
        unsigned Flags;
        int Left, Right; // expected ink range (inclusive) within slack
    } cases[] = {
        {DT_LEFT, 10, 40},
        {DT_RIGHT, 160, 190},
        {DT_CENTER, 85, 115},
    };
    for (const Case& k : cases) {
        QImage img = White(200, 40);
        TCanvas c(&img);
        SetArial(c, -13);
        c.Brush().SetStyle(bsClear);
        TRect r(10, 0, 190, 40);
        c.DrawText(QStringLiteral("Hello"), r, k.Flags | DT_SINGLELINE | DT_VCENTER);
        c.Flush();
        const QRect ink = Ink(img);
        ASSERT_FALSE(ink.isNull());
        EXPECT_GE(ink.left(), k.Left - 1) << k.Flags;
        EXPECT_LE(ink.right(), k.Right) << k.Flags;
        EXPECT_GE(ink.top(), 12); // centred: the 15-pixel line starts at 12
        EXPECT_LE(ink.bottom(), 12 + 15);
    }
    // The end ellipsis keeps the text inside the box; without NOCLIP nothing leaks out.
    QImage img = White(200, 20);
    TCanvas c(&img);
    SetArial(c, -13);
    c.Brush().SetStyle(bsClear);
    TRect r(0, 0, 60, 20);
    c.DrawText(QStringLiteral("A rather long caption for a cell"), r, DT_SINGLELINE | DT_END_ELLIPSIS);
    c.Flush();
    EXPECT_LT(Ink(img).right(), 60);
    EXPECT_GT(Ink(img).right(), 45); // the dots reach towards the edge
}

TEST(Text, TextOutBackgroundAndRotation) {
    QImage img = White(100, 100);
    TCanvas c(&img);
    SetArial(c, -13);
    c.Brush().SetColor(clYellow); // opaque background in the brush colour
    c.TextOut(10, 10, QStringLiteral("Hello"));
    EXPECT_EQ(c.PenPos(), TPoint(40, 10));
    EXPECT_EQ(c.Pixel(10, 10), clYellow);
    EXPECT_EQ(c.Pixel(39, 24), clYellow);
    EXPECT_EQ(c.Pixel(40, 10), clWhite);

    // Orientation 900: the text runs upwards from its reference point.
    QImage rot = White(60, 100);
    TCanvas r(&rot);
    SetArial(r, -13);
    r.Brush().SetStyle(bsClear);
    r.Font().SetOrientation(900);
    r.TextOut(10, 80, QStringLiteral("Hello"));
    r.Flush();
    const QRect ink = Ink(rot);
    ASSERT_FALSE(ink.isNull());
    EXPECT_GT(ink.height(), ink.width());
    EXPECT_LE(ink.bottom(), 80);
    EXPECT_GE(ink.top(), 80 - 31);
}

TEST(Text, MissingCharactersComeFromTheFallbackFace) {
    TCanvas c;
    SetArial(c, -20);
    const QString hebrew = QString::fromUtf8("\u05E9\u05DC\u05D5\u05DD");
    // The metric twin of Arial has no Hebrew letters; DejaVu Sans has them.
    EXPECT_EQ(c.FontFace()->GlyphIndex(U'\u05E9'), 0u);
    const auto runs = ShapeText(c.FontFace(), hebrew + QStringLiteral(" ab"), true);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].Face->Family(), QStringLiteral("Liberation Sans")); // "ab" is leftmost
    EXPECT_FALSE(runs[0].Rtl);
    EXPECT_EQ(runs[1].Face->Family(), QStringLiteral("DejaVu Sans"));
    EXPECT_TRUE(runs[1].Rtl);
    for (const TShapedGlyph& g : runs[1].Glyphs)
        EXPECT_NE(g.GlyphId, 0u);
    TCanvas d;
    d.Font().SetName(QStringLiteral("DejaVu Sans"));
    d.Font().SetHeight(-20);
    EXPECT_EQ(c.TextWidth(hebrew), d.TextWidth(hebrew));
    EXPECT_GT(c.TextWidth(hebrew), 20);
}

TEST(Text, ExtTextOutTakesTheGivenAdvancesAndTextRectFillsItsBox) {
    QImage img = White(200, 30);
    TCanvas c(&img);
    SetArial(c, -13);
    c.Brush().SetStyle(bsClear);
    const std::vector<int> dx = {40, 40, 40, 40, 40};
    c.ExtTextOut(0, 0, 0, nullptr, QStringLiteral("iiiii"), &dx);
    c.Flush();
    const QRect spaced = Ink(img);
    EXPECT_GE(spaced.right(), 160); // the fifth i starts at 160
    EXPECT_LT(spaced.right(), 170);

    // TextRect with a solid brush fills the whole box and clips the text to it.
    QImage box = White(100, 30);
    TCanvas t(&box);
    SetArial(t, -13);
    t.Brush().SetColor(clYellow);
    t.TextRect(TRect(10, 5, 40, 25), 12, 7, QStringLiteral("Clipped text"));
    EXPECT_EQ(t.Pixel(10, 5), clYellow);
    EXPECT_EQ(t.Pixel(39, 24), clYellow);
    EXPECT_EQ(t.Pixel(40, 10), clWhite);
    EXPECT_EQ(t.Pixel(9, 10), clWhite);
}
