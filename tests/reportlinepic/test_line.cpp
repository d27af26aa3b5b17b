// Line objects: straightening, the designer's flags, arrow-head geometry for every direction,
// and the pixels of straight, diagonal and arrowed lines.

#include "LinePicTest.h"

#include "report/core/rptClassLine.h"
#include "report/core/rptClassReport.h"

#include <gtest/gtest.h>

using namespace linepic;

namespace {

constexpr TColor Red = 0x0000FF;
const QRgb RedPixel = Rgb(255, 0, 0);
const QRgb WhitePixel = Rgb(255, 255, 255);

} // namespace

TEST(LineView, ConstructionDefaultsAndDescription) {
    RegisterReportClasses();
    TrptLineView line;
    EXPECT_FALSE(line.rptComponentStyle().Contains(csDefaultDiff));
    EXPECT_EQ(line.ArrowWidth(), 5);
    EXPECT_EQ(line.ArrowLength(), 20);
    EXPECT_FALSE(line.ArrowStart() || line.ArrowEnd() || line.ArrowSolid() || line.Diagonal());
    EXPECT_EQ(line.GetDescription(), QStringLiteral("Line object"));
    EXPECT_EQ(GetClass(QStringLiteral("TrptLineView")), TrptLineView::StaticClassInfo());
    EXPECT_EQ(GetClass(QStringLiteral("TrptCustomLineView")), TrptCustomLineView::StaticClassInfo());
}

TEST(LineView, DesignerFlagsChooseDiagonalAndArrows) {
    struct TCase {
        int Flags;
        bool Diagonal, End, Start;
    };
    const TCase cases[] = {
        {0, false, false, false}, {1, true, false, false}, {2, true, true, false},
        {3, true, false, true},   {4, true, true, true},
    };
    for (const TCase& c : cases) {
        TComponent owner(nullptr);
        TrptLineView* line = TrptLineView::DesignCreate(&owner, c.Flags);
        ASSERT_NE(line, nullptr);
        EXPECT_TRUE(line->IsDesigning());
        EXPECT_EQ(line->Diagonal(), c.Diagonal) << c.Flags;
        EXPECT_EQ(line->ArrowEnd(), c.End) << c.Flags;
        EXPECT_EQ(line->ArrowStart(), c.Start) << c.Flags;
    }
}

TEST(LineView, StraightLinesBecomeVerticalOrHorizontal) {
    struct TCase {
        double W, H;
        bool Vertical;
    };
    // A square box is taken as vertical.
    const TCase cases[] = {{100, 100, true}, {3, 80, true}, {80, 3, false}, {0, 50, true}, {50, 0, false}};
    for (const TCase& c : cases) {
        TSheet sheet(140, 140);
        TrptLineView line;
        line.SetBounds(10, 10, c.W, c.H);
        line.Frame()->SetColor(Red);
        line.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
        if (c.Vertical) {
            EXPECT_EQ(line.Width(), 0) << c.W << "x" << c.H;
            EXPECT_EQ(line.Height(), c.H);
            EXPECT_EQ(line.Frame()->Typ(), TrptFrameTypes{ftLeft});
            EXPECT_EQ(sheet.At(10, 10 + int(c.H) / 2), RedPixel);
            EXPECT_EQ(sheet.At(11, 10 + int(c.H) / 2), WhitePixel);
        } else {
            EXPECT_EQ(line.Height(), 0) << c.W << "x" << c.H;
            EXPECT_EQ(line.Frame()->Typ(), TrptFrameTypes{ftTop});
            EXPECT_EQ(sheet.At(10 + int(c.W) / 2, 10), RedPixel);
            EXPECT_EQ(sheet.At(10 + int(c.W) / 2, 11), WhitePixel);
        }
    }
    // A diagonal line keeps its box.
    TrptLineView diagonal;
    diagonal.SetDiagonal(true);
    diagonal.SetBounds(0, 0, 30, 40);
    diagonal.Draw(nullptr, 1, 1, 0, 0);
    EXPECT_EQ(diagonal.Width(), 30);
    EXPECT_EQ(diagonal.Height(), 40);
}

// Each arrow: tip, the other end, scale; expected tip and wings.
TEST(LineView, ArrowHeadsLieOnTheLineArrowLengthFromTheTip) {
    struct TCase {
        const char* What;
        double Tx, Ty, Ox, Oy, Scale;
        TPoint W1, W2;
    };
    const TCase cases[] = {
        {"right", 110, 50, 10, 50, 1, {90, 45}, {90, 55}},
        {"left", 0, 20, 100, 20, 1, {20, 15}, {20, 25}},
        {"right at scale 2", 110, 50, 10, 50, 2, {70, 40}, {70, 60}},
        {"3-4-5 down", 60, 80, 0, 0, 1, {52, 61}, {44, 67}},
        {"3-4-5 at its start", 0, 0, 60, 80, 1, {16, 13}, {8, 19}},
        {"falling to the left", 20, 80, 80, 0, 1, {28, 61}, {36, 67}},
        // Eight pixels or less across: the vertical construction.
        {"nearly vertical down", 55, 110, 50, 10, 1, {50, 90}, {60, 90}},
        {"nearly vertical up", 50, 10, 55, 110, 1, {45, 30}, {55, 30}},
        {"exactly vertical", 50, 100, 50, 0, 1, {45, 80}, {55, 80}},
        // Shorter than the arrow: the base lies beyond the other end.
        {"short", 12, 0, 0, 0, 1, {-8, -5}, {-8, 5}},
    };
    for (const TCase& c : cases) {
        TrptLineView line;
        line.SetDiagonal(true);
        line.BeginDraw(nullptr, c.Scale, c.Scale, 0, 0);
        const std::vector<TPoint> p = line.ArrowHeadPoints(c.Tx, c.Ty, c.Ox, c.Oy);
        ASSERT_EQ(p.size(), 3u);
        EXPECT_EQ(p[0], TPoint(int(c.Tx), int(c.Ty))) << c.What;
        EXPECT_EQ(p[1], c.W1) << c.What << " first wing " << p[1].X << "," << p[1].Y;
        EXPECT_EQ(p[2], c.W2) << c.What << " second wing " << p[2].X << "," << p[2].Y;
    }
}

TEST(LineView, ArrowsAreDrawnSolidOrOpenAtTheChosenEnds) {
    auto draw = [](bool solid, bool start, bool end) {
        auto sheet = std::make_unique<TSheet>(130, 100);
        TrptLineView line;
        line.SetBounds(10, 50, 100, 0);
        line.Frame()->SetColor(Red);
        line.SetArrowSolid(solid);
        line.SetArrowStart(start);
        line.SetArrowEnd(end);
        line.Draw(sheet->Canvas.get(), 1, 1, 0, 0);
        return sheet;
    };
    // The end arrow: tip (110, 50), wings (90, 45) and (90, 55); (95, 48) lies inside it, off
    // the strokes.
    auto solid = draw(true, false, true);
    EXPECT_EQ(solid->At(95, 48), RedPixel);
    EXPECT_EQ(solid->At(95, 52), RedPixel);
    EXPECT_EQ(solid->At(20, 48), WhitePixel) << "no arrow at the start";
    auto open = draw(false, false, true);
    EXPECT_EQ(open->At(95, 48), WhitePixel);
    EXPECT_EQ(open->At(90, 45), RedPixel) << "the first wing's stroke starts there";
    EXPECT_EQ(open->At(102, 48), RedPixel) << "on the stroke to the tip";
    EXPECT_EQ(open->At(102, 52), RedPixel) << "on the stroke back to the second wing";
    // The start arrow mirrors it: tip (10, 50), wings (30, 45) and (30, 55).
    auto both = draw(true, true, true);
    EXPECT_EQ(both->At(25, 48), RedPixel);
    EXPECT_EQ(both->At(95, 48), RedPixel);
    auto none = draw(true, false, false);
    EXPECT_EQ(none->At(95, 48), WhitePixel);
    EXPECT_EQ(none->At(60, 50), RedPixel);
}

TEST(LineView, DiagonalLinesGoCornerToCornerInTheFrameColour) {
    TSheet sheet(120, 100);
    TrptLineView line;
    line.SetDiagonal(true);
    line.SetBounds(10, 10, 80, 60);
    line.Frame()->SetColor(Red);
    line.Frame()->SetWidth(3);
    line.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    // (10, 10) to (90, 70): more horizontal, so three strokes at y offsets -1, 0, 1.
    EXPECT_EQ(sheet.At(50, 40), RedPixel);
    EXPECT_EQ(sheet.At(50, 39), RedPixel);
    EXPECT_EQ(sheet.At(50, 41), RedPixel);
    EXPECT_EQ(sheet.At(50, 43), WhitePixel);
    EXPECT_EQ(sheet.At(88, 12), WhitePixel);

    // No colour or no width: nothing, arrows included.
    for (int k = 0; k < 2; ++k) {
        TSheet blank(120, 100);
        TrptLineView none;
        none.SetDiagonal(k == 0);
        none.SetBounds(10, 10, 80, 60);
        none.SetArrowEnd(true);
        none.SetArrowSolid(true);
        if (k == 0)
            none.Frame()->SetColor(clNone);
        else
            none.Frame()->SetWidth(0);
        none.Draw(blank.Canvas.get(), 1, 1, 0, 0);
        int drawn = 0;
        for (int y = 0; y < 100; ++y)
            for (int x = 0; x < 120; ++x)
                drawn += blank.At(x, y) != WhitePixel;
        EXPECT_EQ(drawn, 0) << k;
    }
}
