// Pagination of one report page: rows per output page, page count and "Page k of n" for the
// header and footer flags, in one and two passes. The template (data/paging.de3) is a 100 x 100 mm
// page without margins (377.953 px): title 20, page header 40, rows of 20, summary 20, page footer
// 40. Page 1 holds 13 rows under title and header (14 without the header), later pages 14.

#include "EngineTest.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassMemo.h"

#include <gtest/gtest.h>

namespace {

struct TPagingCase {
    const char* Name;
    int Rows;
    bool HeaderOnFirst;
    bool FooterOnLast;
    bool PrintIfEmpty;
    // Data rows on each output page; empty: no page at all.
    std::vector<int> RowsPerPage;
};

std::vector<int> Repeat(std::vector<int> head, int value, int count, std::vector<int> tail) {
    for (int i = 0; i < count; ++i)
        head.push_back(value);
    head.insert(head.end(), tail.begin(), tail.end());
    return head;
}

const TPagingCase PagingCases[] = {
    {"rows0", 0, true, true, true, {0}},
    {"rows0_not_if_empty", 0, true, true, false, {}},
    {"rows1", 1, true, true, true, {1}},
    {"rows1_not_if_empty", 1, true, true, false, {1}},
    // 12 rows and the summary end exactly one page (title 20 + header 40 + 240 + summary 20).
    {"one_page", 12, true, true, true, {12}},
    // 13 rows fill page 1; the summary no longer fits and opens page 2.
    {"one_more", 13, true, true, true, {13, 0}},
    {"rows1000", 1000, true, true, true, Repeat({13}, 14, 70, {7})},
    {"rows0_no_first_header", 0, false, true, true, {0}},
    {"one_page_no_first_header", 14, false, true, true, {14}},
    {"one_more_no_first_header", 15, false, true, true, {15, 0}},
    {"rows1000_no_first_header", 1000, false, true, true, Repeat({15}, 14, 70, {5})},
    {"rows1_no_last_footer", 1, true, false, true, {1}},
    {"one_more_no_last_footer", 13, true, false, true, {13, 0}},
    {"rows1000_no_last_footer", 1000, true, false, true, Repeat({13}, 14, 70, {7})},
    {"rows1000_not_if_empty", 1000, true, true, false, Repeat({13}, 14, 70, {7})},
};

class Pagination : public testing::TestWithParam<std::tuple<TPagingCase, bool>> {};

TEST_P(Pagination, RowsPerPageAndPageNumbers) {
    const TPagingCase& c = std::get<0>(GetParam());
    const bool doublePass = std::get<1>(GetParam());
    TEngineReport r(QStringLiteral("paging.de3"), c.Rows);
    r.Band<TrptPageHeader>(QStringLiteral("PageHeader1"))->SetPrintOnFirstPage(c.HeaderOnFirst);
    r.Band<TrptPageFooter>(QStringLiteral("PageFooter1"))->SetPrintOnLastPage(c.FooterOnLast);
    r.Report->EngineOptions()->SetPrintIfEmpty(c.PrintIfEmpty);
    r.Report->EngineOptions()->SetDoublePass(doublePass);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());

    const QList<TDumpPage> pages = SplitDump(r.Dump());
    const int n = static_cast<int>(c.RowsPerPage.size());
    ASSERT_EQ(pages.size(), n) << qPrintable(r.Dump());
    ASSERT_EQ(r.Report->PreviewPages()->Count(), n);
    int row = 0;
    for (int k = 0; k < n; ++k) {
        const TDumpPage& p = pages[k];
        SCOPED_TRACE(k + 1);
        EXPECT_EQ(p.CountOf(QStringLiteral("TrptMasterData")), c.RowsPerPage[static_cast<size_t>(k)]);
        // Rows are numbered through the pages without a gap or a repeat.
        for (const QString& t : p.TextsOf(QStringLiteral("RowMemo")))
            EXPECT_EQ(t, QStringLiteral("Row %1").arg(++row));
        EXPECT_EQ(p.TextsOf(QStringLiteral("TitleMemo")).size(), k == 0 ? 1 : 0);
        EXPECT_EQ(p.TextsOf(QStringLiteral("HeaderMemo")).size(), k == 0 && !c.HeaderOnFirst ? 0 : 1);
        EXPECT_EQ(p.TextsOf(QStringLiteral("SummaryMemo")).size(), k == n - 1 ? 1 : 0);
        // "Page k of n": the total page count is known only in the second pass.
        const QStringList footer = p.TextsOf(QStringLiteral("FooterMemo"));
        if (k == n - 1 && !c.FooterOnLast) {
            EXPECT_TRUE(footer.isEmpty());
        } else {
            ASSERT_EQ(footer.size(), 1);
            EXPECT_EQ(footer[0], QStringLiteral("Page %1 of %2").arg(k + 1).arg(doublePass ? n : 0));
        }
    }
    EXPECT_EQ(row, c.Rows);
    if (n > 0) {
        EXPECT_EQ(pages.last().TextsOf(QStringLiteral("SummaryMemo")),
                  QStringList{QStringLiteral("Rows: %1").arg(c.Rows)});
    }
}

INSTANTIATE_TEST_SUITE_P(Table, Pagination, testing::Combine(testing::ValuesIn(PagingCases), testing::Bool()),
                         [](const testing::TestParamInfo<Pagination::ParamType>& info) {
                             return std::string(std::get<0>(info.param).Name) +
                                    (std::get<1>(info.param) ? "_two_passes" : "_one_pass");
                         });

// The whole dump of a small case, as a reader checks it against the template.
TEST(PaginationGolden, ThirteenRowsTwoPasses) {
    TEngineReport r(QStringLiteral("paging.de3"), 13);
    r.Report->EngineOptions()->SetDoublePass(true);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QString dump = r.Dump();
    EXPECT_EQ(dump, Golden(QStringLiteral("paging-13-two-passes"), dump));
}

// A band exactly as tall as the space left stays on the page: the comparison is strict.
TEST(Pagination, BandThatExactlyFillsTheFreeSpaceStays) {
    for (const double extra : {0.0, 0.001}) {
        TEngineReport r(QStringLiteral("paging.de3"), 5);
        TrptReportPage* page = r.Page();
        auto* summary = r.Band(QStringLiteral("ReportSummary1"));
        // What is left after title 20, header 40 and five rows of 20, above the footer of 40.
        const double pageHeight =
            page->PaperHeight() * 3.77953 - page->TopMargin() * 3.77953 - page->BottomMargin() * 3.77953;
        summary->SetHeight(pageHeight - 40 - (20.0 + 40.0 + 5 * 20.0) + extra);
        summary->Objects()[0]->SetHeight(summary->Height());
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpPage> pages = SplitDump(r.Dump());
        SCOPED_TRACE(extra);
        ASSERT_EQ(pages.size(), extra == 0 ? 1 : 2);
        EXPECT_EQ(pages.last().TextsOf(QStringLiteral("SummaryMemo")).size(), 1);
    }
}

} // namespace

// A row that no longer fits moves to the next page after its values were computed: a page number
// in it names the page it lands on (the page-count macro stays for drawing to replace).
TEST(Pagination, PageNumberInARowThatMovesToTheNextPage) {
    for (const bool suppress : {false, true}) {
        SCOPED_TRACE(suppress);
        TEngineReport r(QStringLiteral("paging.de3"), 30);
        r.Report->EngineOptions()->SetDoublePass(true);
        auto* memo = dynamic_cast<TrptCustomMemoView*>(r.Report->FindObject(QStringLiteral("RowMemo")));
        ASSERT_TRUE(memo);
        memo->Lines()->SetText(suppress ? QStringLiteral("p[Page#] of [TotalPages#]")
                                        : QStringLiteral("Row [Line#] p[Page#] of [TotalPages#]"));
        memo->SetSuppressRepeated(suppress);
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpPage> pages = SplitDump(r.Dump());
        ASSERT_EQ(pages.size(), 3);
        int row = 0;
        for (int k = 0; k < pages.size(); ++k) {
            const QStringList texts = pages[k].TextsOf(QStringLiteral("RowMemo"));
            ASSERT_FALSE(texts.isEmpty());
            for (int i = 0; i < texts.size(); ++i) {
                ++row;
                const QString want = QStringLiteral("p%1 of [TotalPages#]").arg(k + 1);
                if (suppress)
                    EXPECT_EQ(texts[i], i == 0 ? want : QString()) << k << ' ' << i;
                else
                    EXPECT_EQ(texts[i], QStringLiteral("Row %1 ").arg(row) + want) << k << ' ' << i;
            }
        }
        EXPECT_EQ(row, 30);
    }
}
