// Band output over SQLite data: stretching texts push down what stands below them by its shift
// mode; a text split over pages joins back to the whole; a line taller than an empty page is
// cut there instead of moving on for ever; new pages, continuing on the previous page, outline.

#include "DumpRows.h"
#include "SqlFixture.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

constexpr double Eps = 0.011;

// Three columns of a text that stretches with its data, each with objects below it in one shift
// mode; a wide object under all three; a row number in the last column.
QString ShiftTemplate() {
    const QString memo = QStringLiteral(
        "      <TrptMemoView Name=\"%1\" Left=\"%2\" Top=\"%3\" Width=\"%4\" Height=\"20\" %5/>\n");
    const QString note = QStringLiteral("StretchMode=\"smActualHeight\" DataSetName=\"Customers\" DataField=\"note\"");
    QString objects;
    objects += memo.arg(QStringLiteral("Note1")).arg(0).arg(0).arg(100).arg(note);
    objects += memo.arg(QStringLiteral("A1")).arg(0).arg(30).arg(100).arg(QStringLiteral("ShiftMode=\"smAlways\" Text=\"A\""));
    objects += memo.arg(QStringLiteral("B1")).arg(0).arg(60).arg(100).arg(QStringLiteral("ShiftMode=\"smAlways\" Text=\"B\""));
    objects += memo.arg(QStringLiteral("Note2")).arg(120).arg(0).arg(100).arg(note);
    objects += memo.arg(QStringLiteral("W2")).arg(120).arg(30).arg(100).arg(
        QStringLiteral("ShiftMode=\"smWhenOverlapped\" Text=\"W\""));
    objects += memo.arg(QStringLiteral("Note3")).arg(240).arg(0).arg(100).arg(note);
    objects += memo.arg(QStringLiteral("N3")).arg(240).arg(30).arg(100).arg(QStringLiteral("ShiftMode=\"smDontShift\" Text=\"N\""));
    objects += memo.arg(QStringLiteral("Wide")).arg(0).arg(100).arg(340).arg(
        QStringLiteral("ShiftMode=\"smWhenOverlapped\" Text=\"Wide\""));
    return ReportXml(PageXml(QStringLiteral(
        "    <TrptMasterData Name=\"MasterData1\" DataSetName=\"Customers\" Stretched=\"True\" Height=\"120\" Left=\"0\" Top=\"20\" Width=\"377.95\">\n") +
        objects + QStringLiteral("    </TrptMasterData>\n"), QStringLiteral("PaperHeight=\"400\"")));
}

TEST(BandOutput, StretchingTextsShiftWhatIsBelowByShiftMode) {
    TSqlReport r(ShopSql());
    r.AddDataSet(QStringLiteral("Customers"), QStringLiteral("SELECT * FROM customers ORDER BY id"));
    r.Load(ShiftTemplate());
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpBand> rows = DumpBands(r.Dump(), QStringLiteral("TrptMasterData"));
    ASSERT_EQ(rows.size(), 6) << qPrintable(r.Dump());
    // Notes: "short", two lines, four lines, '', NULL, "x".
    const int lines[] = {1, 2, 4, 0, 0, 1};
    double oneLine = 0;
    for (int k = 0; k < rows.size(); ++k) {
        SCOPED_TRACE(k + 1);
        const TDumpBand& row = rows[k];
        const double h = row.Find(QStringLiteral("Note1"))->Height;
        // All three notes stretch alike; a text shorter than its design height keeps it.
        EXPECT_NEAR(row.Find(QStringLiteral("Note2"))->Height, h, Eps);
        EXPECT_NEAR(row.Find(QStringLiteral("Note3"))->Height, h, Eps);
        EXPECT_GE(h, 20 - Eps);
        if (lines[k] == 1) oneLine = h;
        if (lines[k] == 4) {
            EXPECT_GT(h, 60);
        }
        const double d = h - 20;
        // smAlways: moved by the whole growth above, down the chain A1 -> B1.
        EXPECT_NEAR(row.Find(QStringLiteral("A1"))->Top, 30 + d, Eps);
        EXPECT_NEAR(row.Find(QStringLiteral("B1"))->Top, 60 + d, Eps);
        // smWhenOverlapped: only when the text now reaches it, and then just below the text.
        const double w = row.Find(QStringLiteral("W2"))->Top;
        EXPECT_NEAR(w, h > 30 ? h : 30, Eps);
        // smDontShift: stays, even overlapped.
        EXPECT_NEAR(row.Find(QStringLiteral("N3"))->Top, 30, Eps);
        // Under all three: below the lowest object above it that reaches it.
        const double wide = row.Find(QStringLiteral("Wide"))->Top;
        EXPECT_NEAR(wide, std::max({100.0, 80 + d, w + 20, 50.0}), Eps);
        // The stretched band is as tall as its lowest object.
        EXPECT_NEAR(row.Band.Height, wide + 20, Eps);
    }
    EXPECT_NEAR(oneLine, 20, Eps);
    // The template is unchanged after the run: a second run gives the same pages.
    const QString first = r.Dump();
    ASSERT_TRUE(r.Prepare());
    EXPECT_EQ(r.Dump(), first);
}

// One band holding a text of Lines numbered lines; pages of 100 mm. The run is guarded: more than
// 40 new pages stop it (a split that never ends would otherwise hang the test).
struct TSplitRun {
    QStringList Parts;
    int Pages = 0;
    bool Guarded = false;
    QString Dump;
};

TSplitRun RunSplit(const QString& Text, const QString& MemoAttrs, const QString& BandAttrs) {
    TSqlReport r(QStringLiteral("CREATE TABLE one(id INTEGER); INSERT INTO one VALUES(1);"));
    r.AddDataSet(QStringLiteral("One"), QStringLiteral("SELECT id FROM one"));
    QString escaped = Text;
    escaped.replace(QLatin1String("\r\n"), QLatin1String("&#13;&#10;"));
    r.Load(ReportXml(PageXml(QStringLiteral(
        "    <TrptMasterData Name=\"MasterData1\" DataSetName=\"One\" Stretched=\"True\" %1 Height=\"40\" Left=\"0\" Top=\"20\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"Big\" Left=\"0\" Top=\"0\" Width=\"300\" Height=\"20\" StretchMode=\"smActualHeight\" %2 Text=\"%3\"/>\n"
        "    </TrptMasterData>\n").arg(BandAttrs, MemoAttrs, escaped))));
    TSplitRun out;
    r.Report->OnProgress = [&](TrptReport* Sender, TrptProgressType, int Progress) {
        if (Progress > 40) {
            out.Guarded = true;
            Sender->SetTerminated(true);
        }
    };
    r.Prepare();
    out.Dump = r.Dump();
    out.Pages = r.Report->PreviewPages()->Count();
    for (const TDumpBand& b : DumpBands(out.Dump, QStringLiteral("TrptMasterData")))
        if (const TDumpObject* o = b.Find(QStringLiteral("Big"))) out.Parts << o->Text;
    return out;
}

QString NumberedLines(int n) {
    QStringList l;
    for (int i = 1; i <= n; ++i)
        l << QStringLiteral("line %1").arg(i);
    return l.join(QStringLiteral("\r\n"));
}

TEST(BandOutput, TextSplitOverThreePagesJoinsToTheWhole) {
    // About 25 lines fit a page: 60 lines need three.
    const QString text = NumberedLines(60);
    for (const char* band : {"AllowSplit=\"True\"", ""}) {
        SCOPED_TRACE(band);
        const TSplitRun run = RunSplit(text, QString(), QString::fromLatin1(band));
        ASSERT_FALSE(run.Guarded) << qPrintable(run.Dump.left(2000));
        EXPECT_EQ(run.Pages, 3) << qPrintable(run.Dump);
        ASSERT_EQ(run.Parts.size(), 3);
        QStringList joined;
        for (QString p : run.Parts) {
            EXPECT_FALSE(p.isEmpty());
            joined << p.replace(QLatin1String("\\r\\n"), QLatin1String("\r\n"));
        }
        EXPECT_EQ(joined.join(QStringLiteral("\r\n")), text);
    }
}

TEST(BandOutput, LineTallerThanAnEmptyPageIsCutThereAndTheTextGoesOn) {
    // Each line of a 300-point font is taller than the 100 mm page.
    const QString text = QStringLiteral("A\r\nB\r\nC");
    for (const char* band : {"AllowSplit=\"True\"", ""}) {
        SCOPED_TRACE(band);
        const TSplitRun run = RunSplit(text, QStringLiteral("Font.Size=\"300\""), QString::fromLatin1(band));
        ASSERT_FALSE(run.Guarded) << "the split did not end " << qPrintable(run.Dump.left(1500));
        // One page per line, each holding that line, in order.
        EXPECT_EQ(run.Parts, (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}))
            << qPrintable(run.Dump);
        EXPECT_EQ(run.Pages, 3);
    }
}

// Bands of one page over the customers: StartNewPage, the outline, a second report page that
// continues on the first page's last output page.
TEST(BandOutput, StartNewPageBreaksBeforeEveryRowButTheFirst) {
    TSqlReport r(ShopSql());
    r.AddDataSet(QStringLiteral("Customers"), QStringLiteral("SELECT * FROM customers ORDER BY id"));
    r.Load(ReportXml(PageXml(QStringLiteral(
        "    <TrptReportTitle Name=\"Title1\" Height=\"20\" Left=\"0\" Top=\"0\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"T\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"Title\"/>\n"
        "    </TrptReportTitle>\n"
        "    <TrptMasterData Name=\"MasterData1\" DataSetName=\"Customers\" StartNewPage=\"True\" OutlineText=\"Customers.&#34;name&#34;\" Height=\"20\" Left=\"0\" Top=\"40\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"Name\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"[Customers.&#34;name&#34;]\"/>\n"
        "    </TrptMasterData>\n"))));
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpBand> rows = DumpBands(r.Dump(), QStringLiteral("TrptMasterData"));
    ASSERT_EQ(rows.size(), 6);
    EXPECT_EQ(r.Report->PreviewPages()->Count(), 6);
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(rows[k].Page, k);
        // Below the title on page 1, at the top of the others.
        EXPECT_NEAR(rows[k].Band.Top, k == 0 ? 20 : 0, Eps);
    }
    // One outline entry per row, on its page, at the row's top.
    TrptCustomOutline* outline = r.Report->PreviewPages()->Outline();
    outline->LevelRoot();
    ASSERT_EQ(outline->GetCount(), 6);
    const QStringList names{"Ann", "Bob", "Cid", "Dan", "Eve", "Fay"};
    for (int k = 0; k < 6; ++k) {
        QString text;
        int page = -1, top = -1;
        outline->GetItem(k, text, page, top);
        EXPECT_EQ(text, names[k]);
        EXPECT_EQ(page, k);
        EXPECT_EQ(top, k == 0 ? 20 : 0);
    }
}

TEST(BandOutput, SecondReportPageContinuesOnThePreviousPage) {
    TSqlReport r(ShopSql());
    r.AddDataSet(QStringLiteral("Customers"), QStringLiteral("SELECT * FROM customers ORDER BY id"));
    r.AddDataSet(QStringLiteral("Orders"), QStringLiteral("SELECT * FROM orders ORDER BY id"));
    const QString page2 = QStringLiteral(
        "  <TrptReportPage Name=\"Page2\" PaperWidth=\"100\" PaperHeight=\"100\" PaperSize=\"256\" LeftMargin=\"0\" "
        "RightMargin=\"0\" TopMargin=\"0\" BottomMargin=\"0\" PrintOnPreviousPage=\"%1\">\n"
        "    <TrptPageHeader Name=\"PageHeader2\" Height=\"20\" Left=\"0\" Top=\"0\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"H2\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"Header 2\"/>\n"
        "    </TrptPageHeader>\n"
        "    <TrptReportTitle Name=\"Title2\" Height=\"20\" Left=\"0\" Top=\"30\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"T2\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"Orders\"/>\n"
        "    </TrptReportTitle>\n"
        "    <TrptMasterData Name=\"MasterData2\" DataSetName=\"Orders\" Height=\"20\" Left=\"0\" Top=\"60\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"O\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"[Orders.&#34;id&#34;]\"/>\n"
        "    </TrptMasterData>\n"
        "  </TrptReportPage>\n");
    const QString page1 = PageXml(QStringLiteral(
        "    <TrptMasterData Name=\"MasterData1\" DataSetName=\"Customers\" Height=\"20\" Left=\"0\" Top=\"40\" Width=\"377.95\">\n"
        "      <TrptMemoView Name=\"Name\" Left=\"0\" Top=\"0\" Width=\"100\" Height=\"20\" Text=\"[Customers.&#34;name&#34;]\"/>\n"
        "    </TrptMasterData>\n"));
    for (const bool previous : {true, false}) {
        SCOPED_TRACE(previous);
        r.Load(ReportXml(page1 + page2.arg(previous ? QStringLiteral("True") : QStringLiteral("False"))));
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpBand> bands = DumpBands(r.Dump());
        const QStringList trail = BandTrail(r.Dump());
        SCOPED_TRACE(qPrintable(trail.join(QLatin1Char(' '))));
        if (previous) {
            // 6 customers (120 px), then the title and 7 orders on the same page, no page header.
            EXPECT_EQ(r.Report->PreviewPages()->Count(), 1);
            EXPECT_FALSE(trail.join(QLatin1Char(' ')).contains(QLatin1String("PageHeader2")));
            EXPECT_EQ(bands[6].Band.Name, QStringLiteral("Title2"));
            EXPECT_NEAR(bands[6].Band.Top, 120, Eps);
            EXPECT_NEAR(bands.last().Band.Top, 140 + 6 * 20, Eps);
        } else {
            EXPECT_EQ(r.Report->PreviewPages()->Count(), 2);
            // A page of its own, with its page header and title.
            for (int k = 6; k < 8; ++k) {
                EXPECT_TRUE(bands[k].Band.Name == QStringLiteral("PageHeader2") ||
                            bands[k].Band.Name == QStringLiteral("Title2"));
                EXPECT_EQ(bands[k].Page, 1);
            }
        }
    }
}

} // namespace
