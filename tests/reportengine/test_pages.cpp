// Output pages beyond the plain run: a page footer left off the first page keeps its totals, the
// title below or above the page header, a report dataset running the pages once per record, and
// the same pages when the prepared pages live in a temporary file.

#include "EngineTest.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"

#include <gtest/gtest.h>

namespace {

// 40 rows, 16 a page; without a footer on page 1 the footer of page 2 totals pages 1 and 2.
TEST(OutputPages, FooterLeftOffTheFirstPageKeepsItsTotals) {
    TEngineReport r(QStringLiteral("totals.de3"), 40);
    r.Band<TrptPageFooter>(QStringLiteral("PageFooter1"))->SetPrintOnFirstPage(false);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpPage> pages = SplitDump(r.Dump());
    ASSERT_EQ(pages.size(), 3);
    EXPECT_TRUE(pages[0].TextsOf(QStringLiteral("PageSumMemo")).isEmpty());
    int sum = 0;
    for (int row = 1; row <= 32; ++row)
        sum += row * 10;
    EXPECT_EQ(pages[1].TextsOf(QStringLiteral("PageSumMemo")), QStringList{QString::number(sum)});
}

TEST(OutputPages, TitleBeforeOrAfterThePageHeader) {
    for (const bool titleFirst : {true, false}) {
        TEngineReport r(QStringLiteral("paging.de3"), 3);
        r.Page()->SetTitleBeforeHeader(titleFirst);
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpPage> pages = SplitDump(r.Dump());
        ASSERT_EQ(pages.size(), 1);
        const QStringList& lines = pages[0].Lines;
        ASSERT_GE(lines.size(), 2);
        SCOPED_TRACE(titleFirst);
        EXPECT_TRUE(
            lines[0].trimmed().startsWith(titleFirst ? QLatin1String("TrptReportTitle ReportTitle1 0.00 0.00")
                                                     : QLatin1String("TrptPageHeader PageHeader1 0.00 0.00")))
            << qPrintable(lines[0]);
    }
}

// A report dataset of three records runs the report page three times, each with its title.
TEST(OutputPages, ReportDatasetRunsThePagesOncePerRecord) {
    TEngineReport r(QStringLiteral("paging.de3"), 2);
    auto* outer = new TRowsDataSet(r.Host.get());
    outer->SetName(QStringLiteral("OuterData"));
    outer->SetUserName(QStringLiteral("Outer"));
    outer->SetCount(3);
    r.Report->DataSets()->Add(outer);
    r.Report->SetDataSet(outer);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpPage> pages = SplitDump(r.Dump());
    ASSERT_EQ(pages.size(), 3);
    for (const TDumpPage& p : pages) {
        EXPECT_EQ(p.TextsOf(QStringLiteral("TitleMemo")).size(), 1);
        EXPECT_EQ(p.TextsOf(QStringLiteral("RowMemo")),
                  (QStringList{QStringLiteral("Row 1"), QStringLiteral("Row 2")}));
    }
}

// Pages moved to the temporary file come back as they were added. (One report at a time: both
// would name their dataset "Rows", and a template binds the first of that name it finds.)
TEST(OutputPages, SamePagesFromTheFileCache) {
    for (const char* name : {"paging.de3", "keep.de3"}) {
        SCOPED_TRACE(name);
        QString plainDump;
        {
            TEngineReport plain(QString::fromLatin1(name), 400);
            ASSERT_TRUE(plain.Prepare()) << qPrintable(plain.Report->Errors()->Text());
            plainDump = plain.Dump();
        }
        TEngineReport cached(QString::fromLatin1(name), 400);
        cached.Report->EngineOptions()->SetUseFileCache(true);
        cached.Report->EngineOptions()->SetMaxMemSize(0);
        ASSERT_TRUE(cached.Prepare()) << qPrintable(cached.Report->Errors()->Text());
        EXPECT_GT(cached.Report->PreviewPages()->Count(), 25);
        EXPECT_EQ(cached.Dump(), plainDump);
    }
}

} // namespace
