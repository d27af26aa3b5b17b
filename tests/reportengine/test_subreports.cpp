// Subreports side by side and printed on their parent, vertical bands crossing a horizontal data
// band, and the templates refused before any output: subreports containing themselves, a
// subreport on a page footer; a vertical band of thousands of columns ends.

#include "DumpRows.h"
#include "SqlFixture.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"

#include <gtest/gtest.h>

namespace {

QString SubPage(const QString& Name, const QString& Bands) {
    return QStringLiteral("  <TrptReportPage Name=\"%1\" PaperWidth=\"100\" PaperHeight=\"100\" PaperSize=\"256\" "
                          "LeftMargin=\"0\" RightMargin=\"0\" TopMargin=\"0\" BottomMargin=\"0\">\n%2  </TrptReportPage>\n")
        .arg(Name, Bands);
}

QString Subreport(const QString& Name, double Left, double Top, const QString& Page, const QString& Attrs = QString()) {
    return QStringLiteral("      <TrptSubreport Name=\"%1\" Left=\"%2\" Top=\"%3\" Width=\"150\" Height=\"20\" Page=\"%4\" %5/>\n")
        .arg(Name)
        .arg(Left)
        .arg(Top)
        .arg(Page, Attrs);
}

QString Rows(const QString& Band, int Count, const QString& Prefix, const QString& Attrs = QString()) {
    return BandXml(QStringLiteral("TrptMasterData"), Band, 20, 20, QStringLiteral("RowCount=\"%1\" ").arg(Count) + Attrs,
                   MemoXml(Band + QStringLiteral("Memo"), 0, 0, 100, Prefix + QStringLiteral(" [Line]")));
}

TEST(Subreports, SideBySideTheRunGoesOnBelowTheOneThatEndedLast) {
    TSqlReport r(QStringLiteral("SELECT 1"));
    r.Load(ReportXml(
        PageXml(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 40, QStringLiteral("RowCount=\"1\""),
                        Subreport(QStringLiteral("Sub1"), 0, 20, QStringLiteral("Page2")) +
                            Subreport(QStringLiteral("Sub2"), 190, 20, QStringLiteral("Page3"))) +
                Rows(QStringLiteral("After"), 1, QStringLiteral("after")).replace(QLatin1String("Top=\"20\""), QLatin1String("Top=\"80\""))) +
        SubPage(QStringLiteral("Page2"), Rows(QStringLiteral("Left1"), 3, QStringLiteral("left"))) +
        SubPage(QStringLiteral("Page3"), Rows(QStringLiteral("Right1"), 20, QStringLiteral("right")))));
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpBand> bands = DumpBands(r.Dump());
    ASSERT_EQ(r.Report->PreviewPages()->Count(), 2) << qPrintable(r.Dump());
    QStringList left, right;
    for (const TDumpBand& b : bands) {
        if (b.Band.Name == QLatin1String("Left1"))
            left << QStringLiteral("%1:%2,%3").arg(b.Page).arg(b.Band.Left).arg(b.Band.Top);
        if (b.Band.Name == QLatin1String("Right1"))
            right << QStringLiteral("%1:%2,%3").arg(b.Page).arg(b.Band.Left).arg(b.Band.Top);
    }
    // Both start 20 below the band's top, one beside the other.
    EXPECT_EQ(left, (QStringList{"0:0,20", "0:0,40", "0:0,60"}));
    ASSERT_EQ(right.size(), 20);
    EXPECT_EQ(right.first(), QStringLiteral("0:190,20"));
    // 17 rows fit page 1 below 20 px; 3 go on page 2, also at the subreport's left.
    EXPECT_EQ(right[17], QStringLiteral("1:190,0"));
    EXPECT_EQ(right.last(), QStringLiteral("1:190,40"));
    // The next band stands below the subreport that ended furthest down: page 2 at 60, left 0.
    const TDumpBand& after = bands.last();
    EXPECT_EQ(after.Band.Name, QStringLiteral("After"));
    EXPECT_EQ(after.Page, 1);
    EXPECT_NEAR(after.Band.Top, 60, 0.01);
    EXPECT_NEAR(after.Band.Left, 0, 0.01);
    // The picture (reportengine_subreports.png): both columns of rows, nothing between them.
    const QString png = r.DrawPage(0, QStringLiteral("reportengine_subreports.png"));
    EXPECT_GT(DarkPixelsIn(png, 0, 22, 100, 78), 20);
    EXPECT_GT(DarkPixelsIn(png, 190, 22, 290, 370), 100);
    EXPECT_EQ(DarkPixelsIn(png, 120, 0, 185, 378), 0);
}

TEST(Subreports, PrintedOnItsParentBecomesPartOfTheBand) {
    TSqlReport r(QStringLiteral("SELECT 1"));
    r.Load(ReportXml(
        PageXml(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 40,
                        QStringLiteral("RowCount=\"2\" Stretched=\"True\""),
                        MemoXml(QStringLiteral("Own"), 0, 0, 100, QStringLiteral("own [Line]")) +
                            Subreport(QStringLiteral("Sub1"), 30, 20, QStringLiteral("Page2"),
                                      QStringLiteral("PrintOnParent=\"True\"")))) +
        SubPage(QStringLiteral("Page2"), Rows(QStringLiteral("Inner"), 3, QStringLiteral("inner")))));
    for (int run = 0; run < 2; ++run) {
        SCOPED_TRACE(run);
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpBand> bands = DumpBands(r.Dump());
        ASSERT_EQ(bands.size(), 2) << qPrintable(r.Dump());
        for (int k = 0; k < 2; ++k) {
            const TDumpBand& b = bands[k];
            EXPECT_EQ(b.Band.Name, QStringLiteral("M1"));
            // The band's own text and the three captured rows at their output places.
            ASSERT_EQ(b.Objects.size(), 4);
            EXPECT_EQ(b.Objects[0].Text, QStringLiteral("own %1").arg(k + 1));
            for (int i = 0; i < 3; ++i) {
                EXPECT_EQ(b.Objects[i + 1].Text, QStringLiteral("inner %1").arg(i + 1));
                EXPECT_NEAR(b.Objects[i + 1].Left, 30, 0.01);
                EXPECT_NEAR(b.Objects[i + 1].Top, 20 + 20 * i, 0.01);
            }
            // The stretched band is as tall as the lowest of them.
            EXPECT_NEAR(b.Band.Height, 80, 0.01);
            EXPECT_NEAR(b.Band.Top, 80 * k, 0.01);
        }
        // The captured objects are gone from the template again.
        EXPECT_EQ(r.Band(QStringLiteral("M1"))->Objects().size(), 2u);
    }
}

struct TRefusedCase {
    const char* Name;
    const char* Message;
};

TEST(Subreports, RefusedTemplates) {
    const QString selfPage2 = SubPage(
        QStringLiteral("Page2"), BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M2"), 20, 40, QStringLiteral("RowCount=\"1\""),
                                         Subreport(QStringLiteral("Sub2"), 0, 0, QStringLiteral("Page2"))));
    const QString loopPage2 = SubPage(
        QStringLiteral("Page2"), BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M2"), 20, 40, QStringLiteral("RowCount=\"1\""),
                                         Subreport(QStringLiteral("Sub2"), 0, 0, QStringLiteral("Page3"))));
    const QString loopPage3 = SubPage(
        QStringLiteral("Page3"), BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M3"), 20, 40, QStringLiteral("RowCount=\"1\""),
                                         Subreport(QStringLiteral("Sub3"), 0, 0, QStringLiteral("Page2"))));
    const QString plain = PageXml(Rows(QStringLiteral("M1"), 1, QStringLiteral("main")));
    const QString main = PageXml(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 40, QStringLiteral("RowCount=\"1\""),
                                         Subreport(QStringLiteral("Sub1"), 0, 0, QStringLiteral("Page2"))));
    const QString onFooter = PageXml(BandXml(QStringLiteral("TrptPageFooter"), QStringLiteral("PF"), 200, 40, QString(),
                                             Subreport(QStringLiteral("Sub1"), 0, 0, QStringLiteral("Page2"))));
    const QString page2 = SubPage(QStringLiteral("Page2"), Rows(QStringLiteral("Inner"), 3, QStringLiteral("inner")));
    const std::pair<QString, QString> cases[] = {
        {ReportXml(plain + selfPage2), QStringLiteral("Sub2: the subreport contains itself (Page2 > Page2)")},
        {ReportXml(plain + loopPage2 + loopPage3), QStringLiteral("the subreport contains itself (Page")},
        {ReportXml(onFooter + page2), QStringLiteral("Sub1: a subreport on PF can only print on its parent")},
    };
    for (const auto& [xml, message] : cases) {
        SCOPED_TRACE(qPrintable(message));
        TSqlReport r(QStringLiteral("SELECT 1"));
        r.Load(xml);
        EXPECT_FALSE(r.Prepare());
        EXPECT_TRUE(r.Report->Errors()->Text().contains(message)) << qPrintable(r.Report->Errors()->Text());
        EXPECT_EQ(r.Report->PreviewPages()->Count(), 0);
    }
    // Printed on its parent, a page footer's subreport is fine.
    TSqlReport r(QStringLiteral("SELECT 1"));
    QString xml = ReportXml(onFooter + page2);
    xml.replace(QLatin1String("Page=\"Page2\" "), QLatin1String("Page=\"Page2\" PrintOnParent=\"True\""));
    r.Load(xml);
    EXPECT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    EXPECT_TRUE(r.Dump().contains(QLatin1String("inner 3"))) << qPrintable(r.Dump());
}

// Two subreports naming one page: the page prints for each of them, it stays a subreport page
// while any of them names it, and clearing or reloading the report (pages freed in any order,
// with no removal notices) leaves no subreport holding the freed page.
TEST(Subreports, TwoSubreportsNamingOnePage) {
    const QString page2 = SubPage(QStringLiteral("Page2"), Rows(QStringLiteral("Inner"), 2, QStringLiteral("inner")));
    const QString twoOnMain = ReportXml(
        PageXml(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 40, QStringLiteral("RowCount=\"1\""),
                        Subreport(QStringLiteral("Sub1"), 0, 0, QStringLiteral("Page2")) +
                            Subreport(QStringLiteral("Sub2"), 190, 0, QStringLiteral("Page2")))) +
        page2);
    // Sub1 on the first page, Sub2 on a page after Page2, and Sub3 on Page2 naming its own page.
    const QString spread = ReportXml(
        PageXml(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 40, QStringLiteral("RowCount=\"1\""),
                        Subreport(QStringLiteral("Sub1"), 0, 0, QStringLiteral("Page2")))) +
        SubPage(QStringLiteral("Page2"), BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M2"), 20, 40,
                                                 QStringLiteral("RowCount=\"1\""),
                                                 Subreport(QStringLiteral("Sub3"), 0, 0, QStringLiteral("Page2")))) +
        SubPage(QStringLiteral("Page3"), BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M3"), 20, 40,
                                                 QStringLiteral("RowCount=\"1\""),
                                                 Subreport(QStringLiteral("Sub2"), 0, 0, QStringLiteral("Page2")))));

    {
        TSqlReport r(QStringLiteral("SELECT 1"));
        r.Load(twoOnMain);
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        EXPECT_EQ(r.Dump().count(QStringLiteral("inner 2")), 2) << qPrintable(r.Dump());
        // (Preparing reloads the template afterwards: find the objects after it.)
        auto find = [&r](const char* Name) { return r.Report->FindObject(QLatin1String(Name)); };
        auto* page = dynamic_cast<TrptReportPage*>(find("Page2"));
        auto* sub1 = dynamic_cast<TrptSubreport*>(find("Sub1"));
        auto* sub2 = dynamic_cast<TrptSubreport*>(find("Sub2"));
        ASSERT_TRUE(page && sub1 && sub2);
        EXPECT_EQ(sub1->Page(), page);
        EXPECT_EQ(sub2->Page(), page);
        // The page's subreport goes away: the other one still prints it.
        delete sub2;
        EXPECT_EQ(page->SubReport(), sub1);
        EXPECT_EQ(sub1->Page(), page);
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        EXPECT_EQ(r.Dump().count(QStringLiteral("inner 2")), 1) << qPrintable(r.Dump());
        // Moved away, it lets the page print by itself again.
        page = dynamic_cast<TrptReportPage*>(find("Page2"));
        sub1 = dynamic_cast<TrptSubreport*>(find("Sub1"));
        ASSERT_TRUE(page && sub1);
        sub1->SetPage(nullptr);
        EXPECT_FALSE(page->IsSubReport());
        // The page freed first, by itself: neither subreport keeps it.
        r.Load(twoOnMain);
        sub1 = dynamic_cast<TrptSubreport*>(find("Sub1"));
        sub2 = dynamic_cast<TrptSubreport*>(find("Sub2"));
        delete find("Page2");
        EXPECT_EQ(sub1->Page(), nullptr);
        EXPECT_EQ(sub2->Page(), nullptr);
        r.Report->Clear();
    }
    for (const QString& xml : {spread, twoOnMain}) {
        TSqlReport r(QStringLiteral("SELECT 1"));
        r.Load(xml);
        auto* page = dynamic_cast<TrptReportPage*>(r.Report->FindObject(QStringLiteral("Page2")));
        ASSERT_TRUE(page);
        EXPECT_TRUE(page->IsSubReport());
        r.Prepare();  // the spread layout contains itself through Sub3 and is refused
        r.Load(xml);
        r.Report->Clear();
        r.Load(xml);  // and freed with the report at the end
    }
}

// A horizontal band of two rows crossed by a vertical band of Columns rows 50 px wide: each
// horizontal row repeats the cell once per vertical row, from left to right, continuing on
// further pages (7 cells fit the 377.95 px page).
QString VerticalXml(int Columns) {
    return ReportXml(PageXml(
        BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("H"), 20, 20, QStringLiteral("RowCount=\"2\""),
                MemoXml(QStringLiteral("Cell"), 100, 0, 50, QStringLiteral("c[Line]"))) +
        BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("V"), 0, 300,
                QStringLiteral("Vertical=\"True\" RowCount=\"%1\"").arg(Columns), QString(), 100, 50)));
}

TEST(VerticalBands, CellsRepeatFromLeftToRightForEveryHorizontalRow) {
    TSqlReport r(QStringLiteral("SELECT 1"));
    r.Load(VerticalXml(3));
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpBand> rows = DumpBands(r.Dump(), QStringLiteral("TrptMasterData"));
    ASSERT_EQ(rows.size(), 2) << qPrintable(r.Dump());
    for (int k = 0; k < 2; ++k) {
        QStringList cells;
        for (const TDumpObject& o : rows[k].Objects)
            cells << QStringLiteral("%1@%2").arg(o.Text).arg(o.Left);
        EXPECT_EQ(cells, (QStringList{"c1@0", "c2@50", "c3@100"}));
        EXPECT_NEAR(rows[k].Band.Top, 20 * k, 0.01);
    }
    // The picture (reportengine_vertical.png): cells c1..c3 across, in both rows.
    const QString png = r.DrawPage(0, QStringLiteral("reportengine_vertical.png"));
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            EXPECT_GT(DarkPixelsIn(png, col * 50, row * 20 + 2, col * 50 + 48, row * 20 + 18), 5) << row << col;
    EXPECT_EQ(DarkPixelsIn(png, 152, 0, 378, 40), 0);
    // The template keeps its single cell.
    ASSERT_TRUE(r.Prepare());
    EXPECT_EQ(DumpBands(r.Dump(), QStringLiteral("TrptMasterData")).size(), 2);
}

TEST(VerticalBands, ThousandsOfColumnsContinueOnFurtherPagesAndEnd) {
    TSqlReport r(QStringLiteral("SELECT 1"));
    r.Load(VerticalXml(2000));
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    // 2000 cells, 7 a page: 286 pages, each horizontal row on every one of them.
    EXPECT_EQ(r.Report->PreviewPages()->Count(), 286);
    int cells = 0;
    for (const TDumpBand& b : DumpBands(r.Dump(), QStringLiteral("TrptMasterData")))
        cells += b.Objects.size();
    EXPECT_EQ(cells, 2 * 2000);
}

// Totals per vertical column: a footer's cell in a vertical column, summing over the master band
// by name, sums what the data rows showed in that column; the vertical header's cells (left of
// the columns) sum the rows.
TEST(VerticalBands, FooterTotalsPerVerticalColumn) {
    TSqlReport r(QStringLiteral("CREATE TABLE h(k INTEGER, a INTEGER); INSERT INTO h VALUES (1,1),(2,2),(3,3);"
                                "CREATE TABLE v(j INTEGER, f INTEGER); INSERT INTO v VALUES (1,10),(2,100);"));
    r.AddDataSet(QStringLiteral("H"), QStringLiteral("SELECT * FROM h ORDER BY k"));
    r.AddDataSet(QStringLiteral("V"), QStringLiteral("SELECT * FROM v ORDER BY j"));
    const QString product = QStringLiteral("<H.\"a\"> * <V.\"f\">");
    r.Load(ReportXml(PageXml(
        BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("MH"), 20, 20, QStringLiteral("DataSetName=\"H\""),
                MemoXml(QStringLiteral("Row"), 250, 0, 90, QStringLiteral("r[<H.\"k\">]")) +
                    MemoXml(QStringLiteral("Cell"), 100, 0, 50, QStringLiteral("[") + product + QStringLiteral("]"))) +
        BandXml(QStringLiteral("TrptFooter"), QStringLiteral("FH"), 60, 20, QString(),
                MemoXml(QStringLiteral("All"), 250, 0, 90, QStringLiteral("t[SUM(<H.\"a\">)]")) +
                    MemoXml(QStringLiteral("ColSum"), 100, 0, 50,
                            QStringLiteral("s[SUM(") + product + QStringLiteral(", MH)]"))) +
        BandXml(QStringLiteral("TrptHeader"), QStringLiteral("VH"), 0, 300, QStringLiteral("Vertical=\"True\""),
                QString(), 0, 100) +
        BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("MV"), 0, 300,
                QStringLiteral("Vertical=\"True\" DataSetName=\"V\""), QString(), 100, 50))));
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QString dump = r.Dump();
    auto texts = [&](const QString& ClassName) {
        QStringList out;
        for (const TDumpBand& b : DumpBands(dump, ClassName)) {
            QStringList cells;
            for (const TDumpObject& o : b.Objects) cells << QStringLiteral("%1@%2").arg(o.Text).arg(o.Left);
            out << cells.join(QLatin1Char(' '));
        }
        return out;
    };
    EXPECT_EQ(texts(QStringLiteral("TrptMasterData")),
              (QStringList{"r1@250 10@100 100@150", "r2@250 20@100 200@150", "r3@250 30@100 300@150"}))
        << qPrintable(dump);
    // Column 1: 10 + 20 + 30; column 2: 100 + 200 + 300; the rows: 1 + 2 + 3.
    EXPECT_EQ(texts(QStringLiteral("TrptFooter")), (QStringList{"t6@250 s60@100 s600@150"})) << qPrintable(dump);
}

} // namespace
