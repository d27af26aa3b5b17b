// Views drawn on an image canvas: device rectangles, fills, hatches, every frame style, width and
// side, shadows and shapes, checked at the pixels the drawing rules define.

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassView.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <functional>

namespace {

class TTestView : public TrptView {
public:
    explicit TTestView(TComponent* AOwner = nullptr) : TrptView(AOwner) {}
    using TrptView::DrawThickLine;
};

constexpr TColor White = 0xFFFFFF;

struct TSheet {
    QImage Image;
    std::unique_ptr<TCanvas> Canvas;
    explicit TSheet(int w = 120, int h = 100) : Image(w, h, QImage::Format_RGB32) {
        Image.fill(Qt::white);
        Canvas = std::make_unique<TCanvas>(&Image);
    }
    TColor At(int x, int y) {
        Canvas->Flush();
        const QRgb p = Image.pixel(x, y);
        return RGB(qRed(p), qGreen(p), qBlue(p));
    }
};

// A view of 40 x 30 at (10, 10): device rectangle (10, 10)-(50, 40) at scale 1.
void Box(TrptView& v) {
    v.SetBounds(10, 10, 40, 30);
}

} // namespace

TEST(ViewDraw, DeviceRectangleRoundsHalvesToEvenAndKeepsTheShadowInside) {
    struct TCase {
        double L, T, W, H, Scale, OffX, OffY;
        bool Shadow;
        double ShadowWidth, FrameWidth;
        int X, Y, X1, Y1, FW;
    };
    const TCase cases[] = {
        {10, 10, 40, 30, 1, 0, 0, false, 4, 1, 10, 10, 50, 40, 1},
        {10, 10, 40, 30, 1, 0, 0, true, 4, 1, 10, 10, 46, 36, 1},
        {0.5, 1.5, 2, 1, 1, 0, 0, false, 4, 2.5, 0, 2, 2, 2, 2},     // halves go to the even side
        {10, 10, 40, 30, 2, 5, 7, false, 4, 1.5, 25, 27, 105, 87, 3}, // 1.5 x 2 = 3
        {10, 10, 40, 30, 1.5, 0, 0, true, 3, 1, 15, 15, 71, 56, 2},   // shadow 4.5 -> 4
    };
    for (const TCase& c : cases) {
        TTestView v;
        v.SetBounds(c.L, c.T, c.W, c.H);
        v.Frame()->SetDropShadow(c.Shadow);
        v.Frame()->SetShadowWidth(c.ShadowWidth);
        v.Frame()->SetWidth(c.FrameWidth);
        v.BeginDraw(nullptr, c.Scale, c.Scale, c.OffX, c.OffY);
        EXPECT_EQ(v.X(), c.X);
        EXPECT_EQ(v.Y(), c.Y);
        EXPECT_EQ(v.X1(), c.X1);
        EXPECT_EQ(v.Y1(), c.Y1);
        EXPECT_EQ(v.DX(), c.X1 - c.X);
        EXPECT_EQ(v.DY(), c.Y1 - c.Y);
        EXPECT_EQ(v.FrameWidth(), c.FW);
    }
    // Without a canvas nothing is drawn, whatever is asked.
    TTestView v;
    Box(v);
    v.SetColor(clRed);
    v.Frame()->SetTyp(TrptFrameTypes{ftLeft});
    v.Draw(nullptr, 1, 1, 0, 0);
    EXPECT_EQ(v.X1(), 50);
}

TEST(ViewDraw, ThickLinesAreStrokesAcrossTheirDirection) {
    TSheet s;
    TTestView v;
    v.BeginDraw(s.Canvas.get(), 1, 1, 0, 0);
    s.Canvas->Pen().SetColor(clBlack);
    v.DrawThickLine(10, 20, 60, 20, 0); // one stroke
    v.DrawThickLine(10, 50, 60, 50, 4); // rows 48, 49, 50, 51
    v.DrawThickLine(80, 10, 80, 60, 3); // columns 79, 80, 81
    EXPECT_EQ(s.At(30, 20), clBlack);
    EXPECT_EQ(s.At(30, 19), White);
    EXPECT_EQ(s.At(30, 21), White);
    for (int y : {48, 49, 50, 51})
        EXPECT_EQ(s.At(30, y), clBlack) << y;
    EXPECT_EQ(s.At(30, 47), White);
    EXPECT_EQ(s.At(30, 52), White);
    EXPECT_EQ(s.At(60, 50), White); // the end point is not set
    for (int x : {79, 80, 81})
        EXPECT_EQ(s.At(x, 30), clBlack) << x;
    EXPECT_EQ(s.At(78, 30), White);
    EXPECT_EQ(s.At(82, 30), White);
}

TEST(ViewDraw, BackgroundFillAndHatches) {
    {
        TSheet s;
        TTestView v;
        Box(v);
        v.SetColor(clYellow);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(s.At(10, 10), clYellow);
        EXPECT_EQ(s.At(49, 39), clYellow);
        EXPECT_EQ(s.At(50, 20), White); // right and bottom edges exclusive
        EXPECT_EQ(s.At(20, 40), White);
        EXPECT_EQ(s.At(9, 20), White);
    }
    {
        // bsClear with a colour: the colour fills, no hatch.
        TSheet s;
        TTestView v;
        Box(v);
        v.SetColor(clLime);
        v.SetBrushStyle(bsClear);
        v.Frame()->SetColor(clRed);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        for (int y = 10; y < 40; ++y)
            ASSERT_EQ(s.At(25, y), clLime) << y;
    }
    {
        // Horizontal hatch in the frame's colour over the fill: some rows red, the others filled.
        TSheet s;
        TTestView v;
        Box(v);
        v.SetColor(clYellow);
        v.SetBrushStyle(bsHorizontal);
        v.Frame()->SetColor(clRed);
        s.Canvas->Pen().SetStyle(psClear);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        int red = 0, yellow = 0;
        for (int y = 11; y < 39; ++y) {
            const TColor c = s.At(25, y);
            red += c == clRed;
            yellow += c == clYellow;
            // A horizontal hatch is the same along a row.
            EXPECT_EQ(s.At(15, y), c) << y;
        }
        EXPECT_GT(red, 1);
        EXPECT_GT(yellow, red);
        EXPECT_EQ(red + yellow, 28);
    }
    {
        // A hatch without a fill leaves the page between its lines.
        TSheet s;
        TTestView v;
        Box(v);
        v.SetBrushStyle(bsVertical);
        v.Frame()->SetColor(clBlue);
        s.Canvas->Pen().SetStyle(psClear);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        int blue = 0, white = 0;
        for (int x = 11; x < 49; ++x) {
            const TColor c = s.At(x, 25);
            blue += c == clBlue;
            white += c == White;
        }
        EXPECT_GT(blue, 1);
        EXPECT_EQ(blue + white, 38);
    }
}

TEST(ViewDraw, SolidSidesAndTheirCorners) {
    struct TCase {
        const char* Name;
        TrptFrameTypes Typ;
        double Width;
        std::vector<std::pair<int, int>> On, Off;
    };
    const std::vector<TCase> cases = {
        {"one-pixel box", TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom}, 1,
         {{10, 10}, {10, 25}, {30, 10}, {50, 25}, {30, 40}, {49, 40}, {50, 39}, {50, 40}, {50, 10}, {10, 40}},
         {{11, 25}, {30, 11}, {49, 25}, {30, 39}, {9, 25}, {30, 9}, {51, 25}, {30, 41}}},
        {"width 4, neighbours drawn: full length, the square caps fill the corners",
         TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom}, 4,
         {{8, 8}, {11, 11}, {51, 8}, {8, 41}, {51, 41}, {30, 8}, {30, 11}, {8, 25}, {11, 25}},
         {{7, 25}, {12, 25}, {30, 12}, {30, 7}, {52, 25}, {30, 42}, {30, 25}}},
        {"width 4 alone: shortened by w div 2 at both ends", TrptFrameTypes{ftLeft}, 4,
         {{8, 10}, {11, 10}, {8, 39}, {11, 39}, {9, 25}},
         {{9, 8}, {9, 9}, {9, 41}, {7, 25}, {12, 25}, {30, 10}}},
        {"width 4, top only", TrptFrameTypes{ftTop}, 4,
         {{10, 8}, {49, 11}, {30, 9}},
         {{8, 9}, {9, 9}, {51, 9}, {30, 7}, {30, 12}, {10, 25}}},
    };
    for (const TCase& c : cases) {
        TSheet s;
        TTestView v;
        Box(v);
        v.Frame()->SetTyp(c.Typ);
        v.Frame()->SetWidth(c.Width);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        for (auto [x, y] : c.On)
            EXPECT_EQ(s.At(x, y), clBlack) << c.Name << " at " << x << "," << y;
        for (auto [x, y] : c.Off)
            EXPECT_EQ(s.At(x, y), White) << c.Name << " at " << x << "," << y;
    }
}

TEST(ViewDraw, EachSideTakesItsOwnLine) {
    TSheet s;
    TTestView v;
    Box(v);
    v.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
    v.Frame()->LeftLine()->SetColor(clRed);
    v.Frame()->RightLine()->SetColor(clBlue);
    v.Frame()->RightLine()->SetWidth(3);
    v.Frame()->TopLine()->SetColor(clLime);
    v.Frame()->BottomLine()->SetStyle(fsDot);
    v.Draw(s.Canvas.get(), 1, 1, 0, 0);
    EXPECT_EQ(s.At(10, 25), clRed);
    for (int x : {49, 50, 51})
        EXPECT_EQ(s.At(x, 25), clBlue) << x;
    EXPECT_EQ(s.At(52, 25), White);
    EXPECT_EQ(s.At(30, 10), clLime);
    // A dotted bottom: along the side some pixels set, some not.
    int set = 0, clear = 0;
    for (int x = 12; x < 48; ++x)
        (s.At(x, 40) == clBlack ? set : clear)++;
    EXPECT_GT(set, 5);
    EXPECT_GT(clear, 5);
}

TEST(ViewDraw, PatternedSidesAsTable) {
    // Dashes, dots and their mixes: along the side a pattern of set and clear pixels, in one-pixel
    // strokes; the gaps take the fill colour when there is one.
    for (TrptFrameStyle style : {fsDash, fsDot, fsDashDot, fsDashDotDot}) {
        for (bool filled : {false, true}) {
            TSheet s;
            TTestView v;
            Box(v);
            if (filled) v.SetColor(clYellow);
            v.Frame()->SetTyp(TrptFrameTypes{ftTop});
            v.Frame()->SetStyle(style);
            v.Draw(s.Canvas.get(), 1, 1, 0, 0);
            int on = 0, off = 0;
            for (int x = 10; x < 50; ++x) {
                const TColor c = s.At(x, 10);
                if (c == clBlack)
                    ++on;
                else if (c == (filled ? clYellow : White))
                    ++off;
                else
                    ADD_FAILURE() << "style " << style << " colour " << c << " at " << x;
            }
            EXPECT_GT(on, 5) << style;
            EXPECT_GT(off, 2) << style;
            EXPECT_EQ(s.At(30, 9), White) << style;
            EXPECT_EQ(s.At(30, 11), filled ? clYellow : White) << style;
        }
    }
    // Width 3 gives three patterned strokes.
    TSheet s;
    TTestView v;
    Box(v);
    v.Frame()->SetTyp(TrptFrameTypes{ftLeft});
    v.Frame()->SetStyle(fsDash);
    v.Frame()->SetWidth(3);
    v.Draw(s.Canvas.get(), 1, 1, 0, 0);
    for (int x : {9, 10, 11})
        EXPECT_EQ(s.At(x, 12), clBlack) << x;
    EXPECT_EQ(s.At(8, 12), White);
    EXPECT_EQ(s.At(12, 12), White);
}

TEST(ViewDraw, DoubleSides) {
    // Width 2: outer stroke 2 pixels out, inner 2 in; the gap between keeps the page without a fill
    // colour and takes the fill colour with one.
    for (bool filled : {false, true}) {
        TSheet s;
        TTestView v;
        v.SetBounds(20, 20, 60, 50);
        if (filled) v.SetColor(clYellow);
        v.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        v.Frame()->SetStyle(fsDouble);
        v.Frame()->SetWidth(2);
        v.Frame()->SetColor(clBlue);
        // Something under the frame that a gap must leave alone.
        s.Canvas->Brush().SetColor(clLime);
        s.Canvas->FillRect(TRect(15, 40, 25, 41));
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        // Left side at x = 20: strokes centred on 18 and 22, each two wide (17-18, 21-22).
        EXPECT_EQ(s.At(17, 45), clBlue);
        EXPECT_EQ(s.At(18, 45), clBlue);
        EXPECT_EQ(s.At(21, 45), clBlue);
        EXPECT_EQ(s.At(22, 45), clBlue);
        EXPECT_EQ(s.At(20, 40), filled ? clYellow : clLime);
        EXPECT_EQ(s.At(16, 45), White);
        EXPECT_EQ(s.At(23, 45), filled ? clYellow : White);
        // Top side at y = 20: outer stroke at 18, inner at 22.
        EXPECT_EQ(s.At(50, 18), clBlue);
        EXPECT_EQ(s.At(50, 22), clBlue);
        // Right side at x = 80: outer at 82, inner at 78.
        EXPECT_EQ(s.At(82, 45), clBlue);
        EXPECT_EQ(s.At(78, 45), clBlue);
        // The outer strokes meet at the corner, the inner ones stop inside.
        EXPECT_EQ(s.At(18, 18), clBlue);
        EXPECT_EQ(s.At(82, 18), clBlue);
        EXPECT_EQ(s.At(50, 75), White); // below the box
    }
}

TEST(ViewDraw, AltDotsAndSquares) {
    {
        // Width 1: every other pixel.
        TSheet s;
        TTestView v;
        Box(v);
        v.Frame()->SetTyp(TrptFrameTypes{ftTop});
        v.Frame()->SetStyle(fsAltDot);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        for (int x = 10; x < 48; x += 2) {
            EXPECT_EQ(s.At(x, 10), clBlack) << x;
            EXPECT_EQ(s.At(x + 1, 10), White) << x;
        }
    }
    {
        // Squares of 4 every 8 pixels, over a line of the fill colour.
        TSheet s;
        TTestView v;
        v.SetBounds(10, 20, 80, 30);
        v.SetColor(clYellow);
        v.Frame()->SetTyp(TrptFrameTypes{ftTop});
        v.Frame()->SetStyle(fsSquare);
        v.Frame()->SetWidth(4);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        int black = 0, yellow = 0;
        for (int x = 12; x < 76; ++x) {
            const TColor c = s.At(x, 19);
            black += c == clBlack;
            yellow += c == clYellow;
        }
        EXPECT_EQ(black + yellow, 64);
        EXPECT_NEAR(black, 32, 4);
        EXPECT_EQ(s.At(40, 15), White);
    }
    {
        // Round dots of diameter 6 every 12 pixels: the middle row alternates dot and gap.
        TSheet s;
        TTestView v;
        v.SetBounds(10, 20, 90, 30);
        v.Frame()->SetTyp(TrptFrameTypes{ftTop});
        v.Frame()->SetStyle(fsAltDot);
        v.Frame()->SetWidth(6);
        v.Frame()->SetColor(clRed);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        int runs = 0;
        bool inDot = false;
        for (int x = 10; x < 100; ++x) {
            const bool red = s.At(x, 20) == clRed;
            if (red && !inDot) ++runs;
            inDot = red;
        }
        EXPECT_GE(runs, 6);
        EXPECT_LE(runs, 8);
        // Round: the dot's top row is narrower than its middle row.
        int mid = 0, top = 0;
        for (int x = 12; x < 22; ++x) {
            mid += s.At(x, 20) == clRed;
            top += s.At(x, 17) == clRed;
        }
        EXPECT_GT(mid, top);
    }
}

TEST(ViewDraw, ShadowsAndFramesThatDrawNothing) {
    {
        // Empty Typ with a shadow: the shadow and no lines; the box shrinks by the shadow width.
        TSheet s;
        TTestView v;
        Box(v);
        v.SetColor(clYellow);
        v.Frame()->SetDropShadow(true);
        v.Frame()->SetShadowColor(clGray);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(v.X1(), 46);
        EXPECT_EQ(v.Y1(), 36);
        EXPECT_EQ(s.At(45, 35), clYellow);
        EXPECT_EQ(s.At(10, 10), clYellow);
        // Right strip x 46..49 from y 14, bottom strip y 36..39 from x 14.
        for (int x : {46, 49})
            EXPECT_EQ(s.At(x, 20), clGray) << x;
        EXPECT_EQ(s.At(46, 13), White);
        EXPECT_EQ(s.At(50, 20), White);
        for (int y : {36, 39})
            EXPECT_EQ(s.At(30, y), clGray) << y;
        EXPECT_EQ(s.At(13, 37), White);
        EXPECT_EQ(s.At(49, 39), clGray);
        EXPECT_EQ(s.At(30, 40), White);
    }
    for (int variant = 0; variant < 2; ++variant) {
        // A frame colour of none or a width of 0 draws no lines; the shadow stays.
        TSheet s;
        TTestView v;
        Box(v);
        v.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom});
        v.Frame()->SetDropShadow(true);
        v.Frame()->SetShadowColor(clGray);
        if (variant == 0)
            v.Frame()->SetColor(clNone);
        else
            v.Frame()->SetWidth(0);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(s.At(10, 20), White) << variant;
        EXPECT_EQ(s.At(20, 10), White) << variant;
        EXPECT_EQ(s.At(47, 20), clGray) << variant;
    }
}

TEST(ViewDraw, Shapes) {
    struct TCase {
        const char* Name;
        TrptShapeKind Kind;
        double L, T, W, H;
        int Curve;
        std::vector<std::pair<int, int>> Pen, Fill, Outside;
    };
    // Fill yellow, pen black width 1; figures within (FX, FY)-(FX1 + 1, FY1 + 1).
    const std::vector<TCase> cases = {
        {"rectangle", skRectangle, 10, 10, 40, 30, 0, {{10, 10}, {50, 40}, {30, 10}, {50, 25}}, {{30, 25}, {11, 11}},
         {{51, 25}, {30, 41}}},
        // 100 x 40 and Curve 0: corners of min(100, 40) div 4 = 10.
        {"rounded rectangle", skRoundRectangle, 5, 5, 100, 40, 0, {{55, 5}, {5, 25}}, {{55, 25}, {9, 9}},
         {{5, 5}, {105, 45}}},
        {"ellipse", skEllipse, 10, 10, 60, 40, 0, {{40, 10}, {10, 30}, {70, 30}, {40, 50}}, {{40, 30}},
         {{12, 12}, {68, 48}}},
        // FDX = 41 (odd): apex at 10 + 20.
        {"triangle", skTriangle, 10, 10, 41, 40, 0, {{30, 10}, {10, 50}, {30, 50}, {48, 50}}, {{30, 40}},
         {{29, 10}, {31, 10}, {12, 12}, {49, 12}}},
        {"diamond", skDiamond, 10, 10, 40, 40, 0, {{30, 10}, {50, 30}, {30, 50}, {10, 30}}, {{30, 30}},
         {{12, 12}, {48, 48}}},
    };
    for (const TCase& c : cases) {
        TSheet s;
        TrptShapeView v;
        v.SetBounds(c.L, c.T, c.W, c.H);
        v.SetShape(c.Kind);
        v.SetCurve(c.Curve);
        v.SetColor(clYellow);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        for (auto [x, y] : c.Pen)
            EXPECT_EQ(s.At(x, y), clBlack) << c.Name << " pen at " << x << "," << y;
        for (auto [x, y] : c.Fill)
            EXPECT_EQ(s.At(x, y), clYellow) << c.Name << " fill at " << x << "," << y;
        for (auto [x, y] : c.Outside)
            EXPECT_EQ(s.At(x, y), White) << c.Name << " outside at " << x << "," << y;
    }
    {
        // Diagonals are thick lines of the frame width.
        TSheet s;
        TrptShapeView d1, d2;
        d1.SetBounds(10, 10, 40, 40);
        d1.SetShape(skDiagonal1);
        d1.Frame()->SetWidth(3);
        d1.Draw(s.Canvas.get(), 1, 1, 0, 0);
        d2.SetBounds(60, 10, 40, 40);
        d2.SetShape(skDiagonal2);
        d2.Draw(s.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(s.At(30, 30), clBlack);  // (10, 50) -> (50, 10)
        EXPECT_EQ(s.At(29, 30), clBlack);  // strokes at x - 1, x, x + 1
        EXPECT_EQ(s.At(31, 30), clBlack);
        EXPECT_EQ(s.At(33, 30), White);
        EXPECT_EQ(s.At(80, 30), clBlack);  // (60, 10) -> (100, 50)
        EXPECT_EQ(s.At(81, 30), White);
    }
    {
        // A shape's frame colour of none: no outline, the fill still drawn; a hatch brush draws the
        // fill first, then the hatch in the frame colour.
        TSheet s;
        TrptShapeView v;
        v.SetBounds(10, 10, 40, 30);
        v.SetColor(clYellow);
        v.Frame()->SetColor(clNone);
        v.Draw(s.Canvas.get(), 1, 1, 0, 0);
        EXPECT_EQ(s.At(10, 10), clYellow);
        TrptShapeView h;
        h.SetBounds(60, 10, 40, 30);
        h.SetColor(clYellow);
        h.SetBrushStyle(bsHorizontal);
        h.Frame()->SetColor(clRed);
        h.Draw(s.Canvas.get(), 1, 1, 0, 0);
        int red = 0, yellow = 0;
        for (int y = 12; y < 38; ++y) {
            red += s.At(80, y) == clRed;
            yellow += s.At(80, y) == clYellow;
        }
        EXPECT_GT(red, 1);
        EXPECT_GT(yellow, red);
        EXPECT_EQ(s.At(60, 25), clRed); // outline in the frame colour
    }
}

TEST(ViewDraw, DoubleShapesAreTwoFiguresAndKeepTheirBounds) {
    TSheet s;
    TrptShapeView v;
    v.SetBounds(10, 10, 60, 60);
    v.Frame()->SetStyle(fsDouble);
    v.Frame()->SetWidth(2);
    v.Frame()->TopLine()->SetStyle(fsDot);
    v.Draw(s.Canvas.get(), 1, 1, 0, 0);
    // Outer rectangle on x = 10, inner one 2 x 2 = 4 further in.
    EXPECT_EQ(s.At(10, 40), clBlack);
    EXPECT_EQ(s.At(14, 40), clBlack);
    EXPECT_EQ(s.At(12, 40), White);
    EXPECT_EQ(s.At(40, 40), White);
    EXPECT_DOUBLE_EQ(v.Left(), 10);
    EXPECT_DOUBLE_EQ(v.Width(), 60);
    EXPECT_DOUBLE_EQ(v.Height(), 60);
    EXPECT_EQ(v.Frame()->Style(), fsDouble);
    EXPECT_EQ(v.Frame()->TopLine()->Style(), fsDot);
    EXPECT_EQ(v.Frame()->LeftLine()->Style(), fsDouble);
}
