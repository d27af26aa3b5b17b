#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"

#include <gtest/gtest.h>

namespace {

QImage White(int w, int h) {
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::white);
    return img;
}

} // namespace

TEST(Canvas, LineToLeavesOutTheEndPoint) {
    QImage img = White(20, 20);
    TCanvas c(&img);
    c.MoveTo(2, 5);
    c.LineTo(10, 5);
    c.MoveTo(15, 2);
    c.LineTo(15, 12);
    EXPECT_EQ(c.PenPos(), TPoint(15, 12));
    for (int x = 2; x < 10; ++x)
        EXPECT_EQ(c.Pixel(x, 5), clBlack) << x;
    EXPECT_EQ(c.Pixel(10, 5), clWhite);
    EXPECT_EQ(c.Pixel(1, 5), clWhite);
    EXPECT_EQ(c.Pixel(15, 2), clBlack);
    EXPECT_EQ(c.Pixel(15, 11), clBlack);
    EXPECT_EQ(c.Pixel(15, 12), clWhite);
}

TEST(Canvas, RectanglesAreExclusiveAtRightAndBottom) {
    QImage img = White(30, 30);
    TCanvas c(&img);
    c.Brush().SetColor(clRed);
    c.Rectangle(5, 5, 15, 12);
    EXPECT_EQ(c.Pixel(5, 5), clBlack);
    EXPECT_EQ(c.Pixel(14, 11), clBlack);
    EXPECT_EQ(c.Pixel(15, 11), clWhite);
    EXPECT_EQ(c.Pixel(14, 12), clWhite);
    EXPECT_EQ(c.Pixel(6, 6), clRed);
    EXPECT_EQ(c.Pixel(13, 10), clRed);

    c.Brush().SetColor(clLime);
    c.FillRect(TRect(20, 20, 24, 24));
    EXPECT_EQ(c.Pixel(20, 20), clLime);
    EXPECT_EQ(c.Pixel(23, 23), clLime);
    EXPECT_EQ(c.Pixel(24, 23), clWhite);
    EXPECT_EQ(c.Pixel(23, 24), clWhite);

    c.Brush().SetColor(clBlue);
    c.FrameRect(TRect(0, 20, 6, 26));
    EXPECT_EQ(c.Pixel(0, 20), clBlue);
    EXPECT_EQ(c.Pixel(5, 25), clBlue);
    EXPECT_EQ(c.Pixel(2, 22), clWhite);
    EXPECT_EQ(c.Pixel(6, 25), clWhite);
}

TEST(Canvas, XorAndInvertRasterOperations) {
    QImage img = White(20, 20);
    TCanvas c(&img);
    c.Brush().SetColor(clRed);
    c.FillRect(TRect(0, 0, 20, 10));
    c.Pen().SetMode(pmXor);
    c.Pen().SetColor(clWhite);
    c.MoveTo(0, 5);
    c.LineTo(20, 5);
    EXPECT_EQ(c.Pixel(3, 5), clAqua); // red xor white
    EXPECT_EQ(c.Pixel(3, 15), clWhite);
    c.MoveTo(0, 5);
    c.LineTo(20, 5); // the same line again restores the pixels
    EXPECT_EQ(c.Pixel(3, 5), clRed);

    c.Pen().SetMode(pmNot);
    c.MoveTo(0, 15);
    c.LineTo(20, 15);
    EXPECT_EQ(c.Pixel(3, 15), clBlack);

    c.Pen().SetMode(pmCopy);
    c.SetCopyMode(cmDstInvert);
    c.CopyRect(TRect(0, 0, 4, 4), c, TRect(0, 0, 4, 4));
    EXPECT_EQ(c.Pixel(1, 1), clAqua);
    EXPECT_EQ(c.Pixel(4, 4), clRed);
    c.SetCopyMode(cmSrcCopy);
    c.InvertRect(TRect(0, 0, 4, 4));
    EXPECT_EQ(c.Pixel(1, 1), clRed);

    // The focus frame inverts every other pixel; drawing it twice removes it.
    const QImage before = img.copy();
    c.DrawFocusRect(TRect(2, 2, 12, 8));
    EXPECT_EQ(c.Pixel(2, 2), clAqua);
    EXPECT_EQ(c.Pixel(3, 2), clRed);
    EXPECT_EQ(c.Pixel(5, 5), clRed);
    c.DrawFocusRect(TRect(2, 2, 12, 8));
    c.Flush();
    EXPECT_EQ(img, before);
}

TEST(Canvas, PenStylesShowTheirPattern) {
    struct Case {
        TPenStyle Style;
        std::vector<int> OnOff; // the pattern from the line's start
    } cases[] = {
        {psDash, {18, 6}},
        {psDot, {3, 3}},
        {psDashDot, {9, 6, 3, 6}},
        {psDashDotDot, {9, 3, 3, 3, 3, 3}},
    };
    for (const Case& k : cases) {
        QImage img = White(60, 3);
        TCanvas c(&img);
        c.Brush().SetStyle(bsClear); // transparent gaps
        c.Pen().SetStyle(k.Style);
        c.MoveTo(0, 1);
        c.LineTo(60, 1);
        int x = 0;
        bool on = true;
        for (size_t i = 0; i < k.OnOff.size(); ++i, on = !on)
            for (int n = 0; n < k.OnOff[i]; ++n, ++x)
                EXPECT_EQ(c.Pixel(x, 1), on ? clBlack : clWhite) << "style " << k.Style << " x " << x;
    }
    // An opaque background fills the gaps with the background colour.
    QImage img = White(30, 3);
    TCanvas c(&img);
    c.Brush().SetColor(clLime);
    c.Pen().SetStyle(psDash);
    c.MoveTo(0, 1);
    c.LineTo(30, 1);
    EXPECT_EQ(c.Pixel(2, 1), clBlack);
    EXPECT_EQ(c.Pixel(20, 1), clLime);
    // A clear pen draws nothing.
    c.Pen().SetStyle(psClear);
    c.MoveTo(0, 2);
    c.LineTo(30, 2);
    EXPECT_EQ(c.Pixel(5, 2), clWhite);
}

TEST(Canvas, HatchBrushesLeaveGapsUntouched) {
    struct Case {
        TBrushStyle Style;
        int Rows, Cols; // full black rows and columns in a 16 x 16 fill
    } cases[] = {{bsHorizontal, 2, 0}, {bsVertical, 0, 2}, {bsCross, 2, 2}};
    for (const Case& k : cases) {
        QImage img = White(16, 16);
        img.fill(Qt::red);
        TCanvas c(&img);
        c.Brush().SetColor(clBlack);
        c.Brush().SetStyle(k.Style);
        c.FillRect(TRect(0, 0, 16, 16));
        int rows = 0, cols = 0, red = 0;
        for (int y = 0; y < 16; ++y) {
            bool full = true;
            for (int x = 0; x < 16; ++x)
                full = full && c.Pixel(x, y) == clBlack;
            rows += full;
        }
        for (int x = 0; x < 16; ++x) {
            bool full = true;
            for (int y = 0; y < 16; ++y)
                full = full && c.Pixel(x, y) == clBlack;
            cols += full;
        }
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                red += c.Pixel(x, y) == clRed;
        EXPECT_EQ(rows, k.Rows) << k.Style;
        EXPECT_EQ(cols, k.Cols) << k.Style;
        EXPECT_GT(red, 150) << k.Style; // the gaps keep what was there
    }
    // Diagonal hatches: one black pixel in each row of every 8 columns.
    QImage img = White(16, 16);
    TCanvas c(&img);
    c.Brush().SetColor(clBlack);
    c.Brush().SetStyle(bsFDiagonal);
    c.FillRect(TRect(0, 0, 16, 16));
    for (int y = 0; y < 16; ++y) {
        int n = 0;
        for (int x = 0; x < 16; ++x)
            n += c.Pixel(x, y) == clBlack;
        EXPECT_EQ(n, 2) << y;
    }
}

TEST(Canvas, ClippingSetExcludeIntersectReset) {
    QImage img = White(40, 40);
    TCanvas c(&img);
    EXPECT_EQ(c.ClipRect(), TRect(0, 0, 40, 40));
    c.SetClipRect(TRect(10, 10, 20, 20));
    c.ExcludeClipRect(TRect(12, 12, 14, 14));
    EXPECT_EQ(c.ClipRect(), TRect(10, 10, 20, 20));
    c.Brush().SetColor(clRed);
    c.FillRect(TRect(0, 0, 40, 40));
    EXPECT_EQ(c.Pixel(9, 9), clWhite);
    EXPECT_EQ(c.Pixel(10, 10), clRed);
    EXPECT_EQ(c.Pixel(19, 19), clRed);
    EXPECT_EQ(c.Pixel(20, 20), clWhite);
    EXPECT_EQ(c.Pixel(12, 12), clWhite);
    EXPECT_EQ(c.Pixel(14, 14), clRed);
    c.IntersectClipRect(TRect(15, 0, 40, 40));
    EXPECT_EQ(c.ClipRect(), TRect(15, 10, 20, 20));
    c.Brush().SetColor(clBlue);
    c.FillRect(TRect(0, 0, 40, 40));
    EXPECT_EQ(c.Pixel(14, 14), clRed);
    EXPECT_EQ(c.Pixel(15, 15), clBlue);
    c.ResetClip();
    c.FillRect(TRect(0, 0, 40, 40));
    EXPECT_EQ(c.Pixel(0, 0), clBlue);
}

TEST(Canvas, PixelsFrame3DAndShapes) {
    QImage img = White(30, 30);
    TCanvas c(&img);
    c.SetPixel(3, 4, clRed);
    EXPECT_EQ(c.Pixel(3, 4), clRed);
    EXPECT_EQ(c.Pixel(-1, 4), -1);

    TRect r(10, 10, 20, 20);
    c.Frame3D(r, clWhite, clBlack, 1);
    EXPECT_EQ(r, TRect(11, 11, 19, 19));
    c.Frame3D(r = TRect(0, 10, 8, 18), clBlue, clRed, 1);
    EXPECT_EQ(c.Pixel(0, 10), clBlue); // top-left
    EXPECT_EQ(c.Pixel(7, 10), clRed);  // top-right belongs to the bottom colour
    EXPECT_EQ(c.Pixel(7, 17), clRed);
    EXPECT_EQ(c.Pixel(0, 17), clRed); // bottom-left too
    EXPECT_EQ(c.Pixel(0, 16), clBlue);

    // A triangle: filled inside, nothing outside its box.
    c.Brush().SetColor(clLime);
    c.Pen().SetColor(clLime);
    c.Polygon({TPoint(20, 29), TPoint(29, 29), TPoint(29, 20)});
    EXPECT_EQ(c.Pixel(28, 28), clLime);
    EXPECT_EQ(c.Pixel(21, 21), clWhite);
    // An ellipse fills its centre and leaves its box's corners.
    c.Brush().SetColor(clBlue);
    c.Ellipse(0, 20, 10, 30);
    EXPECT_EQ(c.Pixel(5, 25), clBlue);
    EXPECT_EQ(c.Pixel(0, 20), clWhite);
}

TEST(Canvas, TransparentAndAlphaBitmaps) {
    TBitmap bmp(4, 4, pf24bit);
    bmp.Canvas().Brush().SetColor(clRed);
    bmp.Canvas().FillRect(TRect(0, 0, 4, 4));
    bmp.Canvas().SetPixel(1, 1, clBlue);
    EXPECT_EQ(bmp.TransparentColor(), clRed); // the bottom-left pixel

    QImage img = White(10, 10);
    TCanvas c(&img);
    bmp.SetTransparent(true);
    c.Draw(2, 2, bmp);
    EXPECT_EQ(c.Pixel(3, 3), clBlue);
    EXPECT_EQ(c.Pixel(2, 2), clWhite);
    bmp.SetTransparent(false);
    c.Draw(6, 6, bmp);
    EXPECT_EQ(c.Pixel(6, 6), clRed);
    c.BrushCopy(TRect(0, 6, 4, 10), bmp, TRect(0, 0, 4, 4), clRed);
    EXPECT_EQ(c.Pixel(0, 6), clWhite);
    EXPECT_EQ(c.Pixel(1, 7), clBlue);

    TBitmap alpha(2, 1, pf32bit);
    alpha.SetAlphaFormat(afDefined);
    uchar* row = alpha.ScanLine(0);
    const uchar px[8] = {0, 0, 0, 128, 0, 0, 0, 255}; // black at half and full alpha (B, G, R, A)
    std::copy(px, px + 8, row);
    c.Draw(0, 0, alpha);
    const int half = GetRValue(c.Pixel(0, 0));
    EXPECT_NEAR(half, 127, 2);
    EXPECT_EQ(c.Pixel(1, 0), clBlack);
}

TEST(Canvas, StretchDrawScalesBitmaps) {
    TBitmap bmp(2, 2, pf24bit);
    bmp.Canvas().SetPixel(0, 0, clRed);
    QImage img = White(10, 10);
    TCanvas c(&img);
    c.StretchDraw(TRect(0, 0, 8, 8), bmp);
    EXPECT_EQ(c.Pixel(3, 3), clRed);
    EXPECT_EQ(c.Pixel(4, 4), clWhite);
    EXPECT_EQ(c.Pixel(7, 7), clWhite);
    EXPECT_EQ(c.Pixel(8, 8), clWhite);
}

namespace {

void PaintSample(TCanvas& c) {
    c.Brush().SetColor(clYellow);
    c.Rectangle(2, 2, 30, 20);
    c.Pen().SetStyle(psDot);
    c.Brush().SetStyle(bsClear);
    c.MoveTo(0, 25);
    c.LineTo(60, 25);
    c.Pen().SetStyle(psSolid);
    c.Pen().SetWidth(3);
    c.Pen().SetColor(clRed);
    c.MoveTo(35, 5);
    c.LineTo(55, 35);
    c.Pen().SetWidth(1);
    c.Brush().SetColor(clBlue);
    c.Brush().SetStyle(bsDiagCross);
    c.Ellipse(32, 2, 58, 22);
    c.SetClipRect(TRect(0, 28, 30, 40));
    c.Font().SetName(QStringLiteral("Arial"));
    c.Font().SetHeight(-11);
    c.Brush().SetStyle(bsClear);
    c.TextOut(2, 27, QStringLiteral("Korvel text"));
    c.ResetClip();
    c.Pen().SetMode(pmXor);
    c.Pen().SetColor(clWhite);
    c.Polyline({TPoint(0, 39), TPoint(59, 30)});
}

} // namespace

TEST(Metafile, ReplayGivesTheSamePixelsAsDirectDrawing) {
    QImage direct = White(60, 40);
    {
        TCanvas c(&direct);
        PaintSample(c);
    }
    TMetafile mf;
    mf.SetWidth(60);
    mf.SetHeight(40);
    {
        TMetafileCanvas rec(mf);
        PaintSample(rec);
    }
    EXPECT_FALSE(mf.Empty());
    QImage replayed = White(60, 40);
    {
        TCanvas c(&replayed);
        c.Draw(0, 0, mf);
    }
    EXPECT_EQ(replayed, direct);

    // At an offset the same picture moves by whole pixels.
    QImage shifted = White(80, 60);
    {
        TCanvas c(&shifted);
        c.Draw(10, 15, mf);
    }
    EXPECT_EQ(shifted.copy(10, 15, 60, 40), direct);
}

TEST(Metafile, ReplaysAtAnyScaleAndKeepsItsLogicalSize) {
    TMetafile mf;
    {
        TMetafileCanvas rec(mf);
        rec.Brush().SetColor(clRed);
        rec.FillRect(TRect(10, 10, 20, 20));
    }
    EXPECT_EQ(mf.Width(), 20); // no size given: the bounds of the drawing
    EXPECT_EQ(mf.Height(), 20);
    QImage img = White(50, 50);
    TCanvas c(&img);
    c.StretchDraw(TRect(0, 0, 40, 40), mf);
    EXPECT_EQ(c.Pixel(19, 19), clWhite);
    EXPECT_EQ(c.Pixel(20, 20), clRed);
    EXPECT_EQ(c.Pixel(39, 39), clRed);
    EXPECT_EQ(c.Pixel(40, 40), clWhite);
    // A clip on the target canvas also limits the replay.
    QImage img2 = White(50, 50);
    TCanvas c2(&img2);
    c2.SetClipRect(TRect(0, 0, 30, 30));
    c2.StretchDraw(TRect(0, 0, 40, 40), mf);
    EXPECT_EQ(c2.Pixel(29, 29), clRed);
    EXPECT_EQ(c2.Pixel(30, 30), clWhite);
    EXPECT_EQ(mf.ToImage().size(), QSize(20, 20));
}

TEST(Canvas, ForeignPainterKeepsItsOriginAndClip) {
    QImage img = White(40, 40);
    QPainter p(&img);
    p.translate(10, 10);
    p.setClipRect(QRect(0, 0, 10, 10)); // device 10..19
    TCanvas c;
    c.SetPainter(&p);
    c.Brush().SetColor(clRed);
    c.FillRect(TRect(0, 0, 30, 30));
    EXPECT_EQ(c.Pixel(0, 0), clRed); // the canvas's own coordinates
    EXPECT_EQ(c.Pixel(9, 9), clRed);
    EXPECT_EQ(c.Pixel(10, 10), clWhite); // outside the painter's clip
    EXPECT_EQ(c.Pixel(-1, -1), clWhite);
    c.ReleaseDevice();
    p.end();
    EXPECT_EQ(img.pixel(10, 10), qRgb(255, 0, 0));
    EXPECT_EQ(img.pixel(20, 20), qRgb(255, 255, 255));
}

TEST(Canvas, AnEmptyClipDrawsNothing) {
    QImage img = White(10, 10);
    TCanvas c(&img);
    c.ExcludeClipRect(TRect(0, 0, 10, 10));
    EXPECT_TRUE(c.ClipRect().IsEmpty());
    c.Brush().SetColor(clRed);
    c.FillRect(TRect(0, 0, 10, 10));
    c.Rectangle(0, 0, 10, 10);
    EXPECT_EQ(c.Pixel(5, 5), clWhite);
    EXPECT_EQ(c.Pixel(0, 0), clWhite);
}
