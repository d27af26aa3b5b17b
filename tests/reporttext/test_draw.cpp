// Drawing: block placement for every rotation, how corrections are spread, the calls the layout
// makes on a canvas (recorded, so positions, advances and fonts are exact), printer resolutions,
// and a sample page compared with its reference picture.

#include "TextTestUtil.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptPrinter.h"

#include <QDir>
#include <QImage>
#include <gtest/gtest.h>

#include <numeric>

using namespace texttest;

namespace {

std::vector<TCanvasCommand> Record(TrptDrawText& dt, TrptHAlign h, TrptVAlign v) {
    TMetafile mf;
    {
        TMetafileCanvas mc(mf);
        dt.DrawText(mc, h, v);
    }
    std::vector<TCanvasCommand> out;
    for (const TCanvasCommand& c : mf.Commands())
        if (c.Op == TCanvasOp::ExtTextOut) out.push_back(c);
    return out;
}

int Sum(const std::vector<int>& v) {
    return std::accumulate(v.begin(), v.end(), 0);
}

TLayoutSetup Arial(TRect rect) {
    TLayoutSetup s;
    s.FontName = QStringLiteral("Arial");
    s.Rect = rect;
    return s;
}

// The width the layout gives a line on a screen at a scale: its 600-per-inch extent scaled.
int IdealWidth(TrptDrawText& dt, const QString& line, double scale = 1) {
    return rptRound(dt.Canvas().TextExtents(line).back() / 6.25 * scale);
}

} // namespace

TEST(Draw, BlockPlacementForEveryRotation) {
    const TRect r(10, 20, 110, 70);
    struct {
        int Rotation;
        TrptVAlign VAlign;
        int X, Y, W, F;
    } cases[] = {
        {0, vaTop, 10, 20, 100, 50},     {0, vaBottom, 10, 40, 100, 50},    {0, vaCenter, 10, 30, 100, 50},
        {30, vaTop, 10, 69, 98, 5},      {30, vaBottom, 10, 44, 98, 5},     {30, vaCenter, 10, 57, 98, 5},
        {90, vaTop, 10, 70, 50, 100},    {90, vaBottom, 80, 70, 50, 100},   {90, vaCenter, 45, 70, 50, 100},
        {135, vaTop, 88, 70, 111, -20},  {135, vaBottom, 88, 120, 111, -20}, {135, vaCenter, 88, 95, 111, -20},
        {180, vaTop, 110, 70, 100, 50},  {180, vaBottom, 110, 50, 100, 50}, {180, vaCenter, 110, 60, 100, 50},
        {200, vaTop, 110, 38, 95, 20},   {200, vaBottom, 110, 48, 95, 20},  {200, vaCenter, 110, 43, 95, 20},
        {270, vaTop, 110, 20, 50, 100},  {270, vaBottom, 40, 20, 50, 100},  {270, vaCenter, 75, 20, 50, 100},
        {300, vaTop, 36, 20, 148, -63},  {300, vaBottom, 36, -73, 148, -63}, {300, vaCenter, 36, -26, 148, -63},
        // Angles outside 0..359 are the same as their remainder.
        {-90, vaTop, 110, 20, 50, 100},  {450, vaBottom, 80, 70, 50, 100},  {-330, vaTop, 10, 69, 98, 5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Rotation) + " " + std::to_string(c.VAlign));
        const TrptTextBlock b = PlaceRotatedBlock(r, c.Rotation, 30, c.VAlign);
        EXPECT_EQ(b.X, c.X);
        EXPECT_EQ(b.Y, c.Y);
        EXPECT_EQ(b.Width, c.W);
        EXPECT_EQ(b.FreeHeight, c.F);
    }
}

TEST(Draw, SpreadingUnits) {
    struct {
        int Length, Unit, Count;
        std::vector<int> Result;
    } cases[] = {
        {5, 1, 0, {0, 0, 0, 0, 0}},   {5, 1, 1, {0, 1, 0, 0, 0}},   {5, 1, 2, {1, 0, 1, 0, 0}},
        {5, 1, 3, {1, 0, 1, 1, 0}},   {4, 1, 4, {1, 1, 1, 1}},       {1, 1, 1, {1}},
        {6, 1, 1, {0, 0, 1, 0, 0, 0}}, {3, -1, 2, {-1, -1, 0}},      {9, 1, 3, {0, 1, 0, 0, 1, 0, 1, 0, 0}},
    };
    for (const auto& c : cases) {
        std::vector<int> a(static_cast<size_t>(c.Length), 0);
        SpreadUnits(a, 0, c.Length - 1, c.Unit, c.Count);
        EXPECT_EQ(a, c.Result) << c.Length << " " << c.Count;
    }
}

TEST(Draw, OneLineAlignedAndPlaced) {
    TrptDrawText dt;
    Prepare(dt, Arial(TRect(0, 0, 200, 100)));
    dt.SetText(QStringLiteral("Hello world"));
    const int o = IdealWidth(dt, QStringLiteral("Hello world"));
    struct {
        TrptHAlign H;
        TrptVAlign V;
        int X, Y;
    } cases[] = {
        {haLeft, vaTop, 0, 0},
        {haRight, vaTop, 200 - o, 0},
        {haCenter, vaTop, rptRound((200 - o) / 2.0), 0},
        {haLeft, vaBottom, 0, 85},  // one line: S = Round(15.28) = 15
        {haLeft, vaCenter, 0, 42}, // 42.5 rounds to even
        {haBlock, vaTop, 0, 0},    // the only line ends its paragraph: left aligned
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.H) + " " + std::to_string(c.V));
        dt.SetText(QStringLiteral("Hello world"));
        const auto cmds = Record(dt, c.H, c.V);
        ASSERT_EQ(cmds.size(), 1u);
        EXPECT_EQ(cmds[0].Text, QStringLiteral("Hello world"));
        EXPECT_EQ(cmds[0].A[0], c.X);
        EXPECT_EQ(cmds[0].A[1], c.Y);
        ASSERT_TRUE(cmds[0].HasDx);
        EXPECT_EQ(Sum(cmds[0].Dx), o);
        EXPECT_EQ(cmds[0].Flags, ETO_CLIPPED);
        EXPECT_TRUE(cmds[0].HasRect);
        EXPECT_EQ(TRect(cmds[0].A[2], cmds[0].A[3], cmds[0].A[4], cmds[0].A[5]), TRect(0, 0, 200, 100));
        EXPECT_EQ(cmds[0].State.FontHeight, -13);
        EXPECT_EQ(cmds[0].State.FontOrientation, 0);
    }
}

TEST(Draw, LineAdvancesCarryTheLayoutsHeight) {
    // Ten lines of 13-pixel text with spacing 2 advance 15 pixels each on the screen; the layout
    // says 15.28, so the 3 pixels left over are spread over the advances.
    TrptDrawText dt;
    Prepare(dt, Arial(TRect(0, 0, 200, 300)));
    QStringList ten;
    for (int i = 0; i < 10; ++i)
        ten << QStringLiteral("line %1").arg(i);
    dt.SetText(ten);
    auto cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 10u);
    const int expected[] = {0, 15, 31, 46, 61, 77, 92, 108, 123, 138};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(cmds[static_cast<size_t>(i)].A[1], expected[i]) << i;
    // Without WYSIWYG: the device's own advances and line heights.
    TLayoutSetup setup = Arial(TRect(0, 0, 200, 300));
    setup.Wysiwyg = false;
    Prepare(dt, setup);
    dt.SetText(ten);
    cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 10u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(cmds[static_cast<size_t>(i)].A[1], 15 * i);
        EXPECT_FALSE(cmds[static_cast<size_t>(i)].HasDx);
    }
}

TEST(Draw, JustifiedLinesFillTheWidth) {
    TrptDrawText dt;
    Prepare(dt, Arial(TRect(0, 0, 90, 200)));
    dt.SetText(QStringLiteral("aa bb cc dd ee ff gg hh ii jj kk ll mm"));
    ASSERT_GT(dt.LineCount(), 2);
    const QStringList lines = Lines(dt);
    const auto cmds = Record(dt, haBlock, vaTop);
    ASSERT_EQ(cmds.size(), static_cast<size_t>(lines.size()));
    for (size_t i = 0; i + 1 < cmds.size(); ++i) {
        EXPECT_EQ(cmds[i].A[0], 0);
        EXPECT_EQ(Sum(cmds[i].Dx), 90) << lines[static_cast<int>(i)].toStdString();
    }
    // The paragraph's last line keeps its own width.
    EXPECT_EQ(Sum(cmds.back().Dx), IdealWidth(dt, lines.back()));

    // Lines without blanks cannot be spread: left aligned.
    dt.SetText(QStringLiteral("abcdefghijklmnopqrstuvwxyz"));
    ASSERT_GT(dt.LineCount(), 1);
    const QString first = dt.Line(0);
    const auto cut = Record(dt, haBlock, vaTop);
    EXPECT_EQ(Sum(cut[0].Dx), IdealWidth(dt, first));

    // Right to left: the last line of a justified paragraph goes to the right.
    TLayoutSetup rtl = Arial(TRect(0, 0, 90, 200));
    rtl.RTL = true;
    Prepare(dt, rtl);
    dt.SetText(QStringLiteral("aa bb cc dd ee ff gg hh ii jj kk ll mm"));
    const auto right = Record(dt, haBlock, vaTop);
    const QString last = Lines(dt).back();
    EXPECT_EQ(right.back().A[0], 90 - IdealWidth(dt, last));
    EXPECT_EQ(right.back().Flags, unsigned(ETO_CLIPPED | ETO_RTLREADING));
}

TEST(Draw, RunsOfMarkupAndSubscripts) {
    TrptDrawText dt;
    TLayoutSetup setup = Arial(TRect(0, 0, 200, 100));
    setup.Markup = true;
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("a<b>b</b>c H<sub>2</sub>O <font color=\"#0000FF\">x</font>"));
    const auto cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 6u);
    const char* texts[] = {"a", "b", "c H", "2", "O ", "x"};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(cmds[static_cast<size_t>(i)].Text, QString::fromLatin1(texts[i]));
    EXPECT_EQ(TFontStyles::FromInt(cmds[1].State.FontStyle), TFontStyles{fsBold});
    EXPECT_EQ(TFontStyles::FromInt(cmds[2].State.FontStyle), TFontStyles{});
    // Each run starts where the one before ended.
    for (size_t i = 1; i < cmds.size(); ++i)
        EXPECT_EQ(cmds[i].A[0], cmds[i - 1].A[0] + Sum(cmds[i - 1].Dx)) << i;
    // The subscript is smaller and lower by its size.
    EXPECT_EQ(cmds[3].State.FontHeight, -9);
    EXPECT_EQ(cmds[3].A[1], 7);
    EXPECT_EQ(cmds[4].State.FontHeight, -13);
    EXPECT_EQ(cmds[4].A[1], 0);
    EXPECT_EQ(cmds[5].State.FontColor, TColor(0xFF0000));
}

TEST(Draw, RotatedLinesStartAtTheirCornerAndAdvanceSideways) {
    TrptDrawText dt;
    TLayoutSetup setup = Arial(TRect(0, 0, 100, 200));
    setup.Rotation = 90;
    Prepare(dt, setup);
    dt.SetText(QStringList{"up", "again"});
    auto cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].State.FontOrientation, 900);
    EXPECT_EQ(cmds[0].A[0], 0);
    EXPECT_EQ(cmds[0].A[1], 200);
    EXPECT_EQ(cmds[1].A[0], 16); // 15 and the spread pixel
    EXPECT_EQ(cmds[1].A[1], 200);

    setup.Rotation = 180;
    setup.Rect = TRect(0, 0, 200, 100);
    Prepare(dt, setup);
    dt.SetText(QStringList{"down", "under"});
    cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].State.FontOrientation, 1800);
    EXPECT_EQ(cmds[0].A[0], 200);
    EXPECT_EQ(cmds[0].A[1], 100);
    EXPECT_EQ(cmds[1].A[0], 200);
    EXPECT_EQ(cmds[1].A[1], 84);

    // Right alignment along a rotated baseline: a line at 90 degrees ends at the top.
    setup.Rotation = 90;
    setup.Rect = TRect(0, 0, 100, 200);
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("up"));
    cmds = Record(dt, haRight, vaTop);
    ASSERT_EQ(cmds.size(), 1u);
    // The start moves up by the free length along the baseline (200 - width + 1).
    EXPECT_EQ(cmds[0].A[1], 200 - (200 - IdealWidth(dt, QStringLiteral("up")) + 1));
}

TEST(Draw, ScaleIndentSpacingAndOptions) {
    TrptDrawText dt;
    TLayoutSetup setup = Arial(TRect(0, 0, 200, 100));
    setup.Scale = 2;
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("Hello"));
    auto cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 1u);
    EXPECT_EQ(cmds[0].State.FontHeight, -27);
    EXPECT_EQ(Sum(cmds[0].Dx), IdealWidth(dt, QStringLiteral("Hello"), 2));

    setup = Arial(TRect(0, 0, 200, 100));
    setup.ParagraphGap = 10;
    setup.Clipped = false;
    Prepare(dt, setup);
    dt.SetText(QStringList{"first", "second"});
    cmds = Record(dt, haLeft, vaTop);
    ASSERT_EQ(cmds.size(), 2u);
    EXPECT_EQ(cmds[0].A[0], 10);
    EXPECT_EQ(cmds[0].Flags, 0u);
    EXPECT_EQ(cmds[1].A[0], 10); // a paragraph of its own
    dt.SetText(QStringList{"first"});
    dt.SetParaBreaks(true, false);
    cmds = Record(dt, haLeft, vaTop);
    EXPECT_EQ(cmds[0].A[0], 0); // continues a paragraph: no indent
    dt.SetText(QStringList{"first"});
    cmds = Record(dt, haCenter, vaTop);
    EXPECT_EQ(cmds[0].A[0], rptRound((200 - IdealWidth(dt, QStringLiteral("first"))) / 2.0)); // no indent

    // Character spacing widens the line on both sides of the correction.
    setup = Arial(TRect(0, 0, 200, 100));
    setup.CharSpacing = 2;
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("abc"));
    cmds = Record(dt, haLeft, vaTop);
    const int ext = dt.Canvas().TextExtents(QStringLiteral("abc")).back();
    EXPECT_EQ(Sum(cmds[0].Dx), rptRound((ext + 2 * rptRound(2 * 6.25)) / 6.25) + 2);

    // Bold or italic right-aligned text moves one pixel further left.
    setup = Arial(TRect(0, 0, 200, 100));
    setup.Style = TFontStyles{fsBold};
    Prepare(dt, setup);
    dt.SetText(QStringLiteral("Bold"));
    cmds = Record(dt, haRight, vaTop);
    EXPECT_EQ(cmds[0].A[0], 200 - IdealWidth(dt, QStringLiteral("Bold")) - 1);
}

TEST(Draw, TheCanvasKeepsItsFontAndNothingIsDrawnWithoutLines) {
    QImage img(50, 50, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    c.Font().SetName(QStringLiteral("Courier New"));
    c.Font().SetHeight(-20);
    c.SetBkMode(OPAQUE);
    TrptDrawText dt;
    Prepare(dt, Arial(TRect(0, 0, 50, 50)));
    dt.DrawText(c, haLeft, vaTop); // no text yet
    dt.SetText(QStringList());
    dt.DrawText(c, haLeft, vaTop);
    c.Flush();
    EXPECT_EQ(img.pixel(5, 5), QColor(Qt::white).rgb());
    dt.SetText(QStringLiteral("W"));
    dt.DrawText(c, haLeft, vaTop);
    EXPECT_EQ(c.Font().Name(), QStringLiteral("Courier New"));
    EXPECT_EQ(c.Font().Height(), -20);
    EXPECT_EQ(c.BkMode(), OPAQUE);
    EXPECT_FALSE(TrptDrawText::IsPrinterCanvas(c));
}

namespace {

class TDpiPrinter : public TrptVirtualPrinter {
public:
    TDpiPrinter(int dpiX, int dpiY) : TrptVirtualPrinter(QStringLiteral("Test printer"), QString()) {
        FDPI = TPoint(dpiX, dpiY);
        FInitialized = true;
    }
};

// Rows with ink in the columns [from, to).
int InkHeight(const QImage& img, int from, int to) {
    int top = -1, bottom = -1;
    for (int y = 0; y < img.height(); ++y)
        for (int x = from; x < to; ++x)
            if (qGray(img.pixel(x, y)) < 128) {
                if (top < 0) top = y;
                bottom = y;
                break;
            }
    return top < 0 ? 0 : bottom - top + 1;
}

// The columns where ink starts and ends, per block of ink.
std::vector<std::pair<int, int>> InkBlocks(const QImage& img) {
    std::vector<std::pair<int, int>> blocks;
    bool in = false;
    for (int x = 0; x < img.width(); ++x) {
        bool ink = false;
        for (int y = 0; y < img.height() && !ink; ++y)
            ink = qGray(img.pixel(x, y)) < 128;
        if (ink && !in) blocks.push_back({x, x});
        if (ink) blocks.back().second = x;
        in = ink;
    }
    return blocks;
}

} // namespace

TEST(Draw, PrinterHeightsFollowTheVerticalResolution) {
    // A printer with twice the horizontal resolution: every run, not only the first, gets its
    // height from the vertical one, and the text is as wide as the layout says.
    for (const auto& [dpiX, dpiY] : {std::pair{600, 300}, {300, 300}}) {
        SCOPED_TRACE(dpiX);
        TDpiPrinter printer(dpiX, dpiY);
        QImage img(400, 120, QImage::Format_RGB32);
        img.fill(Qt::white);
        TrptPrinterCanvas pc(&printer);
        pc.SetDevice(&img);
        TrptDrawText dt;
        TLayoutSetup setup = Arial(TRect(0, 0, 150, 30));
        setup.FontSize = 20;
        setup.Markup = true;
        Prepare(dt, setup);
        dt.SetDimensions(dpiX / 96.0, dpiY / 96.0, 1, TRect(0, 0, 150, 30),
                         TRect(0, 0, rptRound(150 * dpiX / 96.0), rptRound(30 * dpiY / 96.0)));
        EXPECT_TRUE(TrptDrawText::IsPrinterCanvas(pc));
        dt.SetText(QStringLiteral("H  <b>H</b>"));
        dt.DrawText(pc, haLeft, vaTop);
        pc.Flush();
        const auto blocks = InkBlocks(img);
        ASSERT_EQ(blocks.size(), 2u);
        const int plain = InkHeight(img, blocks[0].first, blocks[0].second + 1);
        const int bold = InkHeight(img, blocks[1].first, blocks[1].second + 1);
        EXPECT_NEAR(plain, 20 * dpiY / 72.0 * 1409 / 2048, 3); // the face's cap height
        EXPECT_NEAR(bold, plain, 1);
    }
}

TEST(Draw, LocksAndTheSharedLayout) {
    EXPECT_EQ(GlobalDrawText(), GlobalDrawText());
    {
        TrptDrawTextLock outer;
        TrptDrawTextLock inner; // the same thread may take it again
        TrptDrawText* dt = GlobalDrawText();
        Prepare(*dt, Arial(TRect(0, 0, 100, 100)));
        dt->SetText(QStringLiteral("shared"));
        EXPECT_EQ(dt->LineCount(), 1);
    }
}

// ---------------------------------------------------------------------------------------------
// The sample page

namespace {

struct TSample {
    TRect Box;
    QString Text;
    TrptHAlign H = haLeft;
    TrptVAlign V = vaTop;
    int Rotation = 0;
    QString Font = QStringLiteral("Arial");
    int Size = 10;
    bool Markup = false;
    bool WordBreak = false;
    bool RTL = false;
    double ParagraphGap = 0;
    double LineSpacing = 2;
    TColor Color = clBlack;
};

QImage SamplePage() {
    QImage img(960, 720, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    std::vector<TSample> samples;
    const QString fox = QStringLiteral("The quick brown fox jumps over the lazy dog, again and again and again.");
    const TrptHAlign hs[] = {haLeft, haRight, haCenter, haBlock};
    for (int i = 0; i < 4; ++i)
        samples.push_back({TRect(10 + 237 * i, 10, 237 * i + 237, 100), fox, hs[i]});
    const TrptVAlign vs[] = {vaTop, vaCenter, vaBottom};
    for (int i = 0; i < 3; ++i)
        samples.push_back({TRect(10 + 237 * i, 115, 237 * i + 237, 235), QStringLiteral("Two lines\r\nof text"),
                           haCenter, vs[i], 0, QStringLiteral("Times New Roman"), 14});
    {
        TSample m{TRect(721, 115, 948, 235),
                  QStringLiteral("<b>Bold</b> <i>italic</i> <u>underline</u> <strike>strike</strike> "
                                 "H<sub>2</sub>O x<sup>2</sup> <font color=\"#C00000\">red</font> "
                                 "<font color=navy><b><i>navy</i></b></font> <nowrap>no wrap here</nowrap>")};
        m.Markup = true;
        m.Size = 11;
        samples.push_back(m);
    }
    const int rotations[] = {0, 30, 90, 180, 270, 315};
    for (int i = 0; i < 6; ++i) {
        TSample r{TRect(10 + 158 * i, 250, 158 * i + 158, 470),
                  QStringLiteral("Rotated %1 degrees, two lines").arg(rotations[i]), haCenter, vaCenter,
                  rotations[i]};
        r.Size = 12;
        samples.push_back(r);
    }
    {
        TSample ru{TRect(10, 485, 320, 710),
                   QStringLiteral("Переносы в длинных словах: электрификация, достопримечательность, "
                                  "переосвидетельствование и молоко делятся по слогам, а строки "
                                  "выравниваются по ширине."),
                   haBlock};
        ru.Font = QStringLiteral("Times New Roman");
        ru.Size = 13;
        ru.WordBreak = true;
        ru.ParagraphGap = 20;
        samples.push_back(ru);
        TSample rtl{TRect(330, 485, 630, 600), QStringLiteral("שלום עולם and مرحبا بالعالم, read from the right"),
                    haRight};
        rtl.RTL = true;
        rtl.Size = 12;
        samples.push_back(rtl);
        TSample spaced{TRect(330, 610, 630, 710),
                       QStringLiteral("Wide line spacing and a first-line indent in a paragraph that wraps."),
                       haLeft};
        spaced.LineSpacing = 8;
        spaced.ParagraphGap = 30;
        spaced.Font = QStringLiteral("Courier New");
        spaced.Color = clNavy;
        samples.push_back(spaced);
        TSample big{TRect(640, 485, 948, 710),
                    QStringLiteral("<u>Big</u> <b>B</b><i>I</i><strike>S</strike> a<sub>i</sub><sup>2</sup>"), haCenter,
                    vaCenter};
        big.Markup = true;
        big.Size = 36;
        big.Font = QStringLiteral("DejaVu Sans");
        samples.push_back(big);
    }

    TrptDrawText dt;
    for (const TSample& s : samples) {
        c.Pen().SetColor(TColor(0xC0C0C0));
        c.Brush().SetStyle(bsClear);
        c.Rectangle(s.Box);
        TLayoutSetup setup;
        setup.FontName = s.Font;
        setup.FontSize = s.Size;
        setup.Color = s.Color;
        setup.Markup = s.Markup;
        setup.WordBreak = s.WordBreak;
        setup.RTL = s.RTL;
        setup.Rotation = s.Rotation;
        setup.ParagraphGap = s.ParagraphGap;
        setup.LineSpacing = s.LineSpacing;
        setup.Rect = TRect(s.Box.Left + 2, s.Box.Top + 1, s.Box.Right - 2 + 1, s.Box.Bottom - 1 + 1);
        Prepare(dt, setup);
        dt.SetText(s.Text);
        dt.DrawText(c, s.H, s.V);
    }
    c.Flush();
    return img;
}

} // namespace

TEST(Draw, SamplePageMatchesItsReference) {
    const QImage page = SamplePage();
    const QString written = QDir::current().absoluteFilePath(QStringLiteral("reporttext_sample.png"));
    ASSERT_TRUE(page.save(written));
    const QString reference = QStringLiteral(KORVEL_TEST_DATA "/text_sample.png");
    if (qEnvironmentVariableIsSet("KORVEL_UPDATE_REFERENCE")) {
        ASSERT_TRUE(page.save(reference));
    }
    QImage ref(reference);
    ASSERT_FALSE(ref.isNull()) << "missing reference " << reference.toStdString();
    ref = ref.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(ref.size(), page.size());
    // Anti-aliasing may differ a little between FreeType versions; glyphs in other places do not.
    int differing = 0;
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x) {
            const QRgb a = page.pixel(x, y), b = ref.pixel(x, y);
            const int d = std::max({std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                                    std::abs(qBlue(a) - qBlue(b))});
            if (d > 96) ++differing;
        }
    EXPECT_LE(differing, page.width() * page.height() / 500) << "see " << written.toStdString();
}
