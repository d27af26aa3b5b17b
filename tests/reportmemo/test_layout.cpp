// Measuring, splitting across pages, AutoWidth, the text rectangle and drawing on an image canvas.

#include "MemoTestUtil.h"

#include "platform/gfx/Canvas.h"
#include "report/core/rptDataSets.h"

#include <QImage>
#include <QStringList>

#include <cmath>

using namespace memotest;

namespace {

constexpr TColor White = 0xFFFFFF;

struct TSheet {
    QImage Image;
    std::unique_ptr<TCanvas> Canvas;
    explicit TSheet(int w = 300, int h = 200) : Image(w, h, QImage::Format_RGB32) {
        Image.fill(Qt::white);
        Canvas = std::make_unique<TCanvas>(&Image);
    }
    TColor At(int x, int y) {
        Canvas->Flush();
        const QRgb p = Image.pixel(x, y);
        return RGB(qRed(p), qGreen(p), qBlue(p));
    }
    // Pixels of a colour inside a rectangle.
    int Count(int x0, int y0, int x1, int y1, TColor c) {
        Canvas->Flush();
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                if (At(x, y) == c) ++n;
        return n;
    }
    int CountNot(int x0, int y0, int x1, int y1, TColor c) {
        return (x1 - x0) * (y1 - y0) - Count(x0, y0, x1, y1, c);
    }
    // Pixels where one channel (0 red, 2 blue) clearly dominates: text drawn in that colour,
    // smoothed edges included.
    int CountTinted(int x0, int y0, int x1, int y1, int channel) {
        Canvas->Flush();
        int n = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) {
                const QRgb p = Image.pixel(x, y);
                const int c[3] = {qRed(p), qGreen(p), qBlue(p)};
                if (c[channel] > 150 && c[(channel + 1) % 3] < 110 && c[(channel + 2) % 3] < 110) ++n;
            }
        return n;
    }
};

void Courier(TrptCustomMemoView& m, int size = 10) {
    m.Font()->SetName(QStringLiteral("Courier New"));
    m.Font()->SetSize(size);
}

QString Lines(int n) {
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << QStringLiteral("line %1").arg(i);
    return l.join(QStringLiteral("\r\n"));
}

} // namespace

TEST(MemoMeasure, HeightOfNothingIsFrameAndGaps) {
    struct TCase {
        double GapY;
        TrptFrameTypes Sides;
        double FrameWidth;
        bool Shadow;
        double Expected;
    };
    const TCase cases[] = {
        {1, {}, 1, false, 2},
        {3, {}, 1, false, 6},
        {1, {ftTop, ftBottom}, 3, false, 2 + 1 + 1.5}, // 4.5 rounds to 4 (halves to even)
        {1, {ftTop, ftBottom}, 2, false, 2 + 0.5 + 1}, // 3.5 rounds to 4
        {1, {ftLeft, ftRight}, 5, true, 2 + 4},
    };
    for (const TCase& c : cases) {
        TrptMemoView m;
        m.SetBounds(0, 0, 100, 50);
        m.SetGapY(c.GapY);
        m.Frame()->SetTyp(c.Sides);
        m.Frame()->SetWidth(c.FrameWidth);
        m.Frame()->SetDropShadow(c.Shadow);
        const double expected = std::nearbyint(c.Expected);
        EXPECT_DOUBLE_EQ(m.CalcHeight(), expected) << c.GapY << " " << c.FrameWidth;
        EXPECT_DOUBLE_EQ(m.FrameGapHeight(), c.Expected);
    }
}

TEST(MemoMeasure, HeightGrowsWithLinesAndWidthFollowsTheText) {
    TrptMemoView m;
    Courier(m);
    m.SetBounds(0, 0, 300, 20);
    m.SetText(QStringLiteral("x"));
    const double one = m.CalcHeight();
    m.SetText(Lines(5));
    const double five = m.CalcHeight();
    EXPECT_GT(one, 2);
    EXPECT_NEAR(five - 2, 5 * (one - 2), 3); // whole lines with their spacing
    EXPECT_EQ(five, std::floor(five));
    // A narrow object wraps the same words onto more lines.
    m.SetText(QStringLiteral("alpha beta gamma delta epsilon"));
    const double wide = m.CalcHeight();
    m.SetWidth(60);
    EXPECT_GT(m.CalcHeight(), wide);
    // The width the text needs grows with the longest line.
    m.SetText(QStringLiteral("ab"));
    const double w2 = m.CalcWidth();
    m.SetText(QStringLiteral("abcdefgh\r\nab"));
    const double w8 = m.CalcWidth();
    EXPECT_GT(w8, w2);
    EXPECT_EQ(w8, std::floor(w8));
    // The highlight font, when active, is what is measured.
    m.SetText(QStringLiteral("x"));
    m.Highlight()->Font()->SetSize(30);
    m.Highlight()->SetActive(true);
    EXPECT_GT(m.CalcHeight(), one + 10);
    EXPECT_EQ(m.Color(), clNone); // the highlight colour does not stay
}

TEST(MemoSplit, PartsCarryTheRestAndTheParagraphBreak) {
    TrptMemoView m;
    Courier(m);
    m.SetBounds(0, 0, 300, 1000);
    m.SetText(QStringLiteral("x"));
    const double line = m.CalcHeight() - 2; // one line with its spacing

    m.SetText(Lines(10));
    m.InitPart();
    EXPECT_FALSE(m.FirstParaBreak());
    // Room for three lines (and the gaps) per part.
    QStringList all;
    int parts = 0;
    while (!m.PartMemo().isEmpty() && parts < 20) {
        m.SetHeight(3 * line + 2.5);
        const double spare = m.DrawPart();
        const QStringList got = Plain(m.Text()).split(QStringLiteral("\r\n"));
        if (!m.PartMemo().isEmpty()) {
            EXPECT_EQ(got.size(), 3) << parts;
            EXPECT_GT(spare, 0);
            EXPECT_LT(spare, line);
        }
        all << got;
        ++parts;
    }
    EXPECT_EQ(parts, 4);
    EXPECT_EQ(all.join(QLatin1Char('|')), Lines(10).replace(QStringLiteral("\r\n"), QStringLiteral("|")));

    // Less than one line: nothing in this part, the whole height back, all text left.
    m.SetText(Lines(2));
    m.InitPart();
    m.SetHeight(line / 2);
    EXPECT_DOUBLE_EQ(m.DrawPart(), line / 2);
    EXPECT_EQ(Plain(m.Text()), QString());
    EXPECT_EQ(Plain(m.PartMemo()), Lines(2));

    // A paragraph cut in the middle continues in the next part.
    m.SetWidth(60);
    m.SetText(QStringLiteral("one two three four five six seven eight nine ten"));
    m.InitPart();
    m.SetHeight(line + 2.5);
    m.DrawPart();
    EXPECT_TRUE(m.LastParaBreak());
    EXPECT_FALSE(m.PartMemo().isEmpty());
    TrptMemoView source;
    m.Diff(&source);
    EXPECT_TRUE(m.FirstParaBreak());
}

TEST(MemoAutoWidth, RightAlignedTextKeepsItsRightEdge) {
    for (TrptHAlign align : {haLeft, haRight, haCenter}) {
        TrptMemoView m;
        Courier(m);
        m.SetAutoWidth(true);
        m.SetHAlign(align);
        m.SetBounds(100, 10, 20, 20);
        m.SetText(QStringLiteral("a much longer text than twenty units"));
        TSheet sheet(400, 60);
        m.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
        const double w = m.Width();
        EXPECT_GT(w, 100) << align;
        EXPECT_NEAR(w, m.CalcWidth(), 0.5) << align;
        switch (align) {
        case haLeft:
            EXPECT_DOUBLE_EQ(m.Left(), 100);
            break;
        case haRight:
            EXPECT_NEAR(m.Left() + w, 120, 1e-9);
            break;
        default:
            EXPECT_NEAR(m.Left() + w / 2, 110, 1e-9);
        }
    }
}

TEST(MemoDraw, TextRectangleInsideFrameAndGaps) {
    TrptMemoView m;
    m.SetBounds(10, 20, 100, 50);
    m.Frame()->SetTyp(TrptFrameTypes{ftLeft, ftTop, ftRight, ftBottom});
    m.Frame()->SetWidth(3);
    m.BeginDraw(nullptr, 2, 2, 0, 0);
    // Left 20 + round(5/2)=2 + 4; top 40 + 2 + 2; right 220 - 3 - 4 + 1; bottom 140 - 3 - 2 + 1.
    EXPECT_EQ(m.TextRect(), TRect(26, 44, 214, 136));
    m.Frame()->SetTyp(TrptFrameTypes{});
    m.BeginDraw(nullptr, 1, 1, 5, 5);
    EXPECT_EQ(m.TextRect(), TRect(17, 26, 114, 75));
}

TEST(MemoDraw, FillTextUnderlinesAndHighlightOnAnImage) {
    auto report = NewCalcReport();
    TSheet sheet;
    TrptMemoView m(report.get());
    Courier(m, 14);
    m.SetBounds(10, 10, 200, 60);
    m.SetColor(clYellow);
    m.Font()->SetColor(clBlue);
    m.SetText(QStringLiteral("HHHH"));
    m.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    // The fill covers the object, the text is blue and starts near the left gap.
    EXPECT_EQ(sheet.At(205, 65), clYellow);
    EXPECT_EQ(sheet.At(5, 5), White);
    EXPECT_GT(sheet.CountTinted(12, 11, 80, 35, 2), 20);
    EXPECT_EQ(sheet.CountNot(150, 11, 209, 69, clYellow), 0); // nothing drawn right of the text

    // An active highlight fills with its colour and writes in its font; the object's colour stays.
    TSheet lit;
    m.Highlight()->SetCondition(QStringLiteral("1 = 1"));
    m.Highlight()->SetColor(clLime);
    m.Highlight()->Font()->SetColor(clRed);
    m.Highlight()->Font()->SetName(QStringLiteral("Courier New"));
    m.Highlight()->Font()->SetSize(14);
    m.BeforePrint();
    m.GetData();
    ASSERT_TRUE(m.Highlight()->Active());
    m.Draw(lit.Canvas.get(), 1, 1, 0, 0);
    m.AfterPrint();
    EXPECT_EQ(lit.At(205, 65), clLime);
    EXPECT_GT(lit.CountTinted(12, 11, 80, 35, 0), 20);
    EXPECT_EQ(lit.CountTinted(0, 0, 300, 200, 2), 0);
    EXPECT_EQ(m.Color(), clYellow);

    // Ruled lines in the frame colour under every line, to the bottom of the object.
    TSheet ruled;
    TrptMemoView u(report.get());
    Courier(u, 10);
    u.SetBounds(10, 10, 100, 80);
    u.SetUnderlines(true);
    u.Frame()->SetColor(clRed);
    u.SetText(QStringLiteral("a"));
    u.Draw(ruled.Canvas.get(), 1, 1, 0, 0);
    int rows = 0;
    for (int y = 10; y < 90; ++y)
        if (ruled.Count(10, y, 110, y + 1, clRed) >= 90) ++rows;
    EXPECT_GE(rows, 4);
    EXPECT_LE(rows, 8);
}

TEST(MemoDraw, MacrosAreReplacedWhenDrawnAndTheDesignerShowsTheBinding) {
    auto report = NewCalcReport();
    TSheet sheet;
    TrptMemoView m(report.get());
    m.SetBounds(0, 0, 100, 20);
    m.SetText(QStringLiteral("[TotalPages#]"));
    m.SetTotalPages(7);
    m.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    EXPECT_EQ(Plain(m.Text()), QStringLiteral("7"));

    // In the designer the macro stays and a bound object shows its field; its lines stay.
    TrptMemoView d(report.get());
    d.SetIsDesigning(true);
    d.SetText(QStringLiteral("[TotalPages#]"));
    d.Draw(sheet.Canvas.get(), 1, 1, 0, 0);
    EXPECT_EQ(Plain(d.Text()), QStringLiteral("[TotalPages#]"));

    auto ds = std::make_unique<TrptUserDataSet>(nullptr);
    ds->SetUserName(QStringLiteral("Orders"));
    TSheet bound;
    TrptMemoView b(report.get());
    b.SetIsDesigning(true);
    b.SetBounds(10, 10, 200, 20);
    b.SetDataSet(ds.get());
    b.SetDataField(QStringLiteral("Total"));
    b.Draw(bound.Canvas.get(), 1, 1, 0, 0);
    EXPECT_GT(bound.CountNot(10, 10, 210, 30, White), 30); // the binding is written
    EXPECT_EQ(b.Text(), QString());                        // and the lines stay empty
}

TEST(MemoWrap, WrappedLinesAndTextWithoutMarkup) {
    TrptMemoView m;
    Courier(m);
    m.SetBounds(0, 0, 70, 100);
    m.SetText(QStringLiteral("one two three four"));
    const QString wrapped = m.WrapText(true);
    EXPECT_GT(wrapped.count(QStringLiteral("\r\n")), 0);
    EXPECT_FALSE(wrapped.endsWith(QStringLiteral("\r\n")));
    EXPECT_EQ(QString(wrapped).replace(QStringLiteral("\r\n"), QStringLiteral(" ")).simplified(),
              QStringLiteral("one two three four"));
    m.SetAllowHTMLTags(true);
    m.SetText(QStringLiteral("<b>bold</b> and <i>it</i>"));
    EXPECT_EQ(Plain(m.WrapText(false)), QStringLiteral("bold and it"));
    EXPECT_EQ(m.Canvas(), nullptr); // the scratch canvas is not kept
}
