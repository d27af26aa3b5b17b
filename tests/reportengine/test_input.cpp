// Bad and large input: a data band naming a dataset that does not exist, a dataset that fails
// while it is walked, a page with no room, 100,000 rows; and columns on a page.

#include "EngineTest.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptPageDump.h"

#include <gtest/gtest.h>

namespace {

TEST(EngineInput, DataBandNamingAMissingDatasetGivesItsMessageAndNoPages) {
    TEngineReport r(QStringLiteral("missing.de3"), 5);
    EXPECT_FALSE(r.Prepare());
    EXPECT_TRUE(r.Report->Errors()->Text().contains(QStringLiteral("Dataset \"Nope\" does not exist")))
        << qPrintable(r.Report->Errors()->Text());
    EXPECT_EQ(r.Report->PreviewPages()->Count(), 0);
    EXPECT_FALSE(r.Report->Engine()->Running());
}

TEST(EngineInput, DatasetFailingWhileWalkedStopsAndKeepsThePagesMade) {
    TEngineReport r(QStringLiteral("paging.de3"), 100);
    r.Rows->FailAt = 30;
    EXPECT_FALSE(r.Prepare());
    EXPECT_TRUE(r.Report->Errors()->Text().contains(QStringLiteral("Rows: the connection was lost")))
        << qPrintable(r.Report->Errors()->Text());
    EXPECT_FALSE(r.Report->Engine()->Running());
    // Rows 1 to 30 were output: 13 on page 1, 14 on page 2, 3 on page 3.
    const QList<TDumpPage> pages = SplitDump(r.Dump());
    ASSERT_EQ(pages.size(), 3);
    EXPECT_EQ(pages[0].CountOf(QStringLiteral("TrptMasterData")), 13);
    EXPECT_EQ(pages[1].CountOf(QStringLiteral("TrptMasterData")), 14);
    EXPECT_EQ(pages[2].TextsOf(QStringLiteral("RowMemo")).last(), QStringLiteral("Row 30"));
    // The same report prepares again once the data is back.
    r.Rows->FailAt = 0;
    EXPECT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    EXPECT_EQ(r.Report->PreviewPages()->Count(), 8);
}

TEST(EngineInput, PageWithoutRoomIsAnErrorNotAnEndlessRun) {
    for (const double margin : {50.0, 45.0}) {
        TEngineReport r(QStringLiteral("paging.de3"), 3);
        r.Page()->SetTopMargin(margin);
        r.Page()->SetBottomMargin(margin);
        EXPECT_FALSE(r.Prepare());
        EXPECT_TRUE(r.Report->Errors()->Text().contains(QStringLiteral("Page1")))
            << qPrintable(r.Report->Errors()->Text());
        EXPECT_EQ(r.Report->PreviewPages()->Count(), 0);
    }
}

TEST(EngineInput, HundredThousandRows) {
    TEngineReport r(QStringLiteral("paging.de3"), 100000);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    // 13 rows on page 1, then 14 a page: 99,987 = 7,141 x 14 + 13.
    TrptCustomPreviewPages* pages = r.Report->PreviewPages();
    ASSERT_EQ(pages->Count(), 7143);
    const QList<TDumpPage> last = SplitDump(DumpPreparedPage(pages, pages->Count() - 1));
    ASSERT_EQ(last.size(), 1);
    EXPECT_EQ(last[0].TextsOf(QStringLiteral("RowMemo")).last(), QStringLiteral("Row 100000"));
    EXPECT_EQ(last[0].TextsOf(QStringLiteral("SummaryMemo")), QStringList{QStringLiteral("Rows: 100000")});
}

// Two columns of 16 rows under a column header; each column footer counts its own rows and
// stands directly below the column's last row.
TEST(PageColumns, RowsFillColumnOneThenTwoThenTheNextPage) {
    TEngineReport r(QStringLiteral("columns.de3"), 40);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QString dump = r.Dump();
    const QList<TDumpPage> pages = SplitDump(dump);
    ASSERT_EQ(pages.size(), 2) << qPrintable(dump);
    EXPECT_EQ(pages[0].CountOf(QStringLiteral("TrptMasterData")), 32);
    EXPECT_EQ(pages[0].CountOf(QStringLiteral("TrptColumnHeader")), 2);
    EXPECT_EQ(pages[0].TextsOf(QStringLiteral("ColumnCountMemo")),
              (QStringList{QStringLiteral("16"), QStringLiteral("16")}));
    EXPECT_EQ(pages[1].CountOf(QStringLiteral("TrptMasterData")), 8);
    EXPECT_EQ(pages[1].TextsOf(QStringLiteral("ColumnCountMemo")), QStringList{QStringLiteral("8")});
    EXPECT_EQ(dump, Golden(QStringLiteral("columns-40"), dump));
}

} // namespace
