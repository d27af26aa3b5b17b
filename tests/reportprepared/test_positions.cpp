// Moving kept objects to the next page, the bottom of the used part of a page, and whether a band
// is on the current page.

#include "PreparedFixture.h"

#include "report/core/rptPageDump.h"
#include "report/core/rptXML.h"

#include <gtest/gtest.h>

namespace {

double Attr(TrptXMLItem* item, const char* name) {
    return item->GetProp(QString::fromLatin1(name)).replace(QLatin1Char(','), QLatin1Char('.')).toDouble();
}

TEST(PreparedPositions, CutAndPasteMoveBandsToTheNewPlace) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Put(f.Header, 0);
    const int keep = f.Pages->GetCurPosition();
    EXPECT_EQ(keep, 1);
    f.Put(f.Data, 40);
    f.Put(f.Data, 60);
    f.Pages->CutObjects(keep);
    EXPECT_EQ(f.Pages->GetCurPosition(), 1);
    f.NewPage();
    f.Pages->PasteObjects(100, 200);
    TrptXMLItem* page = f.Pages->PageItem(1);
    ASSERT_EQ(page->Count(), 2);
    EXPECT_DOUBLE_EQ(Attr(page->Items(0), "t"), 200);
    EXPECT_DOUBLE_EQ(Attr(page->Items(1), "t"), 220);
    EXPECT_DOUBLE_EQ(Attr(page->Items(0), "l"), 100);
    EXPECT_DOUBLE_EQ(Attr(page->Items(1), "l"), 100);
    EXPECT_EQ(f.Pages->XMLDoc()->Root()->Find(QStringLiteral("cutted")), -1);
    // The moved bands still rebuild with their cells.
    const QStringList lines = DumpLines(DumpPreparedPage(f.Pages, 1));
    ASSERT_EQ(lines.size(), 7);
    EXPECT_TRUE(lines[1].startsWith(QStringLiteral("  TrptMasterData MasterData1 100.00 200.00 "))) << lines[1].toStdString();
    EXPECT_TRUE(lines[4].startsWith(QStringLiteral("  TrptMasterData MasterData1 100.00 220.00 "))) << lines[4].toStdString();
    // Pasting with nothing cut does nothing.
    f.Pages->PasteObjects(1, 1);
    EXPECT_EQ(page->Count(), 2);
    f.Stop();
}

TEST(PreparedPositions, BandExistsForTheBandAndForAnyFooterOfItsKind) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Put(f.Data, 40);
    f.Put(f.Data, 60);
    EXPECT_TRUE(f.Pages->BandExists(f.Data));
    EXPECT_FALSE(f.Pages->BandExists(f.Header));
    EXPECT_FALSE(f.Pages->BandExists(f.Footer));
    // Two objects of one template band are two elements under the band's alias.
    TrptXMLItem* page = f.Pages->PageItem(0);
    EXPECT_EQ(page->Items(0)->Name(), page->Items(1)->Name());

    // A page footer of another template page counts as the page footer.
    TrptReportPage* page2 = new TrptReportPage(f.Report.get());
    page2->SetName(QStringLiteral("Page2"));
    auto* footer2 = new TrptPageFooter(page2);
    footer2->SetName(QStringLiteral("PageFooter2"));
    footer2->SetHeight(10);
    f.Pages->AddSourcePage(page2);
    f.Pages->AddObject(footer2);
    EXPECT_TRUE(f.Pages->BandExists(f.Footer));
    EXPECT_FALSE(f.Pages->BandExists(f.Header));

    f.NewPage();
    EXPECT_FALSE(f.Pages->BandExists(f.Data));
    EXPECT_FALSE(f.Pages->BandExists(f.Footer));
    f.Stop();
}

TEST(PreparedPositions, LastYLeavesOutFootersAndPicksColumns) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Put(f.Footer, 200);
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(0), 0) << "a page with only a page footer";
    f.Put(f.Header, 0);
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(0), 30);
    f.Data->SetLeft(0);
    f.Put(f.Data, 30);
    f.Data->SetLeft(250);
    f.Put(f.Data, 30);
    f.Put(f.Data, 50);
    f.Data->SetLeft(0);
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(0), 70);
    // Column at 250: its rows and the page header.
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(250), 70);
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(250.0005), 70);
    // A column position no band has: only the page header.
    EXPECT_DOUBLE_EQ(f.Pages->GetLastY(400), 30);
    f.Stop();
}

} // namespace
