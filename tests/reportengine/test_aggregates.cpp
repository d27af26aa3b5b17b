// Aggregates: finding the calls in texts, the values with NULLs and Booleans, the same call in two
// footers, page-footer totals, keep blocks moving with their totals, and per-column values past
// the old limit of 1,000 columns.

#include "EngineTest.h"

#include "report/core/rptAggregates.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptEngine.h"
#include "report/core/rptVariables.h"

#include <gtest/gtest.h>

namespace {

struct TFoundCall {
    QString Func, Text;
    QStringList Args;
};

std::vector<TFoundCall> Scan(const QString& Expr, const QStringList& Variables = {},
                             const QStringList& Values = {}) {
    std::vector<TFoundCall> found;
    TrptAggregateList::TScanHooks hooks;
    hooks.IsVariable = [&](const QString& Name, QString& Value) {
        const qsizetype i = Variables.indexOf(Name);
        if (i < 0) return false;
        Value = Values[i];
        return true;
    };
    hooks.IsField = [](const QString& Expr) {
        return Expr.contains(QLatin1String(".\"")) && !Expr.contains(u'(');
    };
    hooks.Found = [&](const QString& Func, const QString& Text, const QStringList& Args) {
        found.push_back({Func, Text, Args});
    };
    TrptAggregateList::ScanExpression(Expr, hooks);
    return found;
}

TEST(AggregateScan, FindsCallsWhereverTheyStand) {
    struct TCase {
        const char* Expr;
        std::vector<std::pair<const char*, const char*>> Calls; // call text, arguments joined by |
    };
    const TCase cases[] = {
        {"SUM(Rows.\"Amount\")", {{"SUM(Rows.\"Amount\")", "Rows.\"Amount\""}}},
        {"count()", {{"count()", ""}}},
        {"COUNT(MasterData1, 3)", {{"COUNT(MasterData1, 3)", "MasterData1|3"}}},
        {"IIF((SUM(x, MasterData1, 1) > 0), 'yes', 'no')", {{"SUM(x, MasterData1, 1)", "x|MasterData1|1"}}},
        {"<MAX(a)> + AVG(f(b, c))", {{"MAX(a)", "a"}, {"AVG(f(b, c))", "f(b, c)"}}},
        // Quoted text is skipped, also when it looks like a call.
        {"'SUM(a)' + \"MIN(b)\" + MIN('x,y')", {{"MIN('x,y')", "'x,y'"}}},
        // Words that only start like an aggregate, or without a parenthesis, are not calls.
        {"SUMMARY(a) + SUM + Total.SUM(b)", {{"SUM(b)", "b"}}},
        // Four pieces: the third replaces the second, the fourth is dropped.
        {"SUM(a, b, c, d)", {{"SUM(a, b, c, d)", "a|c"}}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Expr);
        const auto found = Scan(QString::fromUtf8(c.Expr));
        ASSERT_EQ(found.size(), c.Calls.size());
        for (size_t i = 0; i < found.size(); ++i) {
            EXPECT_EQ(found[i].Text, QString::fromUtf8(c.Calls[i].first));
            EXPECT_EQ(found[i].Args.join(u'|'), QString::fromUtf8(c.Calls[i].second));
        }
    }
}

TEST(AggregateScan, LooksIntoVariablesButNotIntoFields) {
    const auto found =
        Scan(QStringLiteral("Total + 1"), {QStringLiteral("Total")}, {QStringLiteral("SUM(Rows.\"A\") * 2")});
    ASSERT_EQ(found.size(), 1u);
    EXPECT_EQ(found[0].Text, QStringLiteral("SUM(Rows.\"A\")"));
    // A variable that names itself does not loop.
    EXPECT_TRUE(Scan(QStringLiteral("Loop"), {QStringLiteral("Loop")}, {QStringLiteral("Loop")}).empty());
    EXPECT_TRUE(Scan(QStringLiteral("Rows.\"SUM\"")).empty());
}

QString Text(const TDumpPage& Page, const char* Memo) {
    const QStringList t = Page.TextsOf(QString::fromLatin1(Memo));
    return t.size() == 1 ? t[0] : QStringLiteral("<%1 texts>").arg(t.size());
}

// Amount is Null on even rows: SUM, AVG and MIN/MAX see only 10, 30 and 50; COUNT sees five rows;
// a Boolean adds 1 when true.
TEST(AggregateValues, NullsAndBooleansInAFooter) {
    TEngineReport r(QStringLiteral("totals.de3"), 5);
    r.Report->EngineOptions()->SetConvertNulls(false);
    const auto plain = r.Rows->Value;
    r.Rows->Value = [plain](int Row, const QString& Field) {
        if (Field == QLatin1String("Amount") && Row % 2 == 0) return Variant::Null();
        return plain(Row, Field);
    };
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpPage> pages = SplitDump(r.Dump());
    ASSERT_EQ(pages.size(), 1);
    EXPECT_EQ(Text(pages[0], "SumMemo"), QStringLiteral("90"));
    EXPECT_EQ(Text(pages[0], "AvgMemo"), QStringLiteral("30"));
    EXPECT_EQ(Text(pages[0], "MinMemo"), QStringLiteral("10"));
    EXPECT_EQ(Text(pages[0], "MaxMemo"), QStringLiteral("50"));
    EXPECT_EQ(Text(pages[0], "CountMemo"), QStringLiteral("5"));
    EXPECT_EQ(Text(pages[0], "FlagMemo"), QStringLiteral("3"));
    EXPECT_EQ(Text(pages[0], "NestedMemo"), QStringLiteral("yes 4"));
    // The summary's SUM is an item of its own with the same total.
    EXPECT_EQ(Text(pages[0], "SummarySumMemo"), QStringLiteral("90"));
    EXPECT_EQ(Text(pages[0], "PageSumMemo"), QStringLiteral("90"));
}

TEST(AggregateValues, OnlyNullsAndNoRowsGiveZero) {
    for (const int rows : {0, 3}) {
        TEngineReport r(QStringLiteral("totals.de3"), rows);
        r.Report->EngineOptions()->SetConvertNulls(false);
        r.Rows->Value = [](int Row, const QString& Field) {
            return Field == QLatin1String("Amount") ? Variant::Null() : Variant(Row);
        };
        ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
        const QList<TDumpPage> pages = SplitDump(r.Dump());
        ASSERT_EQ(pages.size(), 1);
        SCOPED_TRACE(rows);
        // The data footer follows rows only; the summary and the page footer are always there.
        for (const char* memo : {"SumMemo", "AvgMemo", "MinMemo", "MaxMemo"})
            EXPECT_EQ(pages[0].TextsOf(QString::fromLatin1(memo)),
                      rows == 0 ? QStringList() : QStringList{QStringLiteral("0")})
                << memo;
        if (rows > 0) {
            EXPECT_EQ(Text(pages[0], "CountMemo"), QStringLiteral("3"));
        }
        EXPECT_EQ(Text(pages[0], "SummarySumMemo"), QStringLiteral("0"));
        EXPECT_EQ(Text(pages[0], "PageSumMemo"), QStringLiteral("0"));
    }
}

// The footer of a data band is printed only after rows; the page footer and the summary always.
// Page footers total their own page; the report summary totals everything.
TEST(AggregateValues, PageFooterTotalsEachPage) {
    TEngineReport r(QStringLiteral("totals.de3"), 40);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QString dump = r.Dump();
    const QList<TDumpPage> pages = SplitDump(dump);
    // 377.953 - 40 for the page footer holds 16 rows of 20.
    ASSERT_EQ(pages.size(), 3) << qPrintable(dump);
    int first = 1;
    for (const TDumpPage& p : pages) {
        const int n = p.CountOf(QStringLiteral("TrptMasterData"));
        int sum = 0;
        for (int row = first; row < first + n; ++row)
            sum += row * 10;
        EXPECT_EQ(Text(p, "PageSumMemo"), QString::number(sum));
        first += n;
    }
    EXPECT_EQ(first, 41);
    EXPECT_EQ(Text(pages.last(), "SumMemo"), QString::number(10 * 40 * 41 / 2));
    EXPECT_EQ(Text(pages.last(), "SummarySumMemo"), QString::number(10 * 40 * 41 / 2));
    EXPECT_EQ(dump, Golden(QStringLiteral("totals-40"), dump));
}

// Groups of five rows kept together: a group that does not fit moves whole to the next page, and
// the page footers count its rows on the page where they finally stand.
TEST(KeepBlocks, GroupMovesToTheNextPageWithItsTotals) {
    TEngineReport r(QStringLiteral("keep.de3"), 25);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QString dump = r.Dump();
    const QList<TDumpPage> pages = SplitDump(dump);
    ASSERT_EQ(pages.size(), 3) << qPrintable(dump);
    const int groupsPerPage[] = {2, 2, 1};
    const char* pageSums[] = {"550", "1550", "1150"};
    int group = 0;
    for (int k = 0; k < 3; ++k) {
        SCOPED_TRACE(k + 1);
        const TDumpPage& p = pages[k];
        EXPECT_EQ(p.CountOf(QStringLiteral("TrptGroupHeader")), groupsPerPage[k]);
        EXPECT_EQ(p.CountOf(QStringLiteral("TrptMasterData")), groupsPerPage[k] * 5);
        const QStringList sums = p.TextsOf(QStringLiteral("GroupSumMemo"));
        for (const QString& s : sums) {
            ++group;
            int sum = 0;
            for (int row = (group - 1) * 5 + 1; row <= group * 5; ++row)
                sum += row * 10;
            EXPECT_EQ(s, QString::number(sum));
        }
        EXPECT_EQ(Text(p, "PageSumMemo"), QString::fromLatin1(pageSums[k]));
    }
    EXPECT_EQ(group, 5);
    EXPECT_EQ(dump, Golden(QStringLiteral("keep-25"), dump));
}

TEST(KeepBlocks, WithoutKeepingTheGroupIsCutAtThePageEnd) {
    TEngineReport r(QStringLiteral("keep.de3"), 25);
    r.Band<TrptGroupHeader>(QStringLiteral("GroupHeader1"))->SetKeepTogether(false);
    ASSERT_TRUE(r.Prepare()) << qPrintable(r.Report->Errors()->Text());
    const QList<TDumpPage> pages = SplitDump(r.Dump());
    ASSERT_GE(pages.size(), 2);
    // Group 3 opens on page 1 and goes on on page 2.
    EXPECT_EQ(pages[0].CountOf(QStringLiteral("TrptGroupHeader")), 3);
    EXPECT_EQ(pages[0].CountOf(QStringLiteral("TrptMasterData")), 11);
}

// Per-column values (vertical bands) are kept for any column number.
TEST(AggregateList, ColumnValuesPastAThousandColumns) {
    TEngineReport r(QStringLiteral("totals.de3"), 0);
    ASSERT_TRUE(r.Report->PrepareScript()) << qPrintable(r.Report->Errors()->Text());
    TrptReportPage* page = r.Page();
    auto* data = r.Band(QStringLiteral("MasterData1"));
    auto* footer = r.Band(QStringLiteral("Footer1"));
    page->SubBands().push_back(data);
    data->SetFooter(footer);
    TrptAggregateList list(r.Report.get());
    list.AddItems(page);
    ASSERT_GT(list.Count(), 0);
    for (int col : {1, 999, 1000, 1001, 5000}) {
        r.Rows->SetCount(10);
        r.Rows->First();
        list.AddValue(data, col);
        r.Rows->Next();
        list.AddValue(data, col);
    }
    for (int col : {1, 999, 1000, 1001, 5000}) {
        SCOPED_TRACE(col);
        // Rows 1 and 2: amounts 10 and 20.
        EXPECT_EQ(
            list.GetValue(footer, col, QStringLiteral("SUM"), QStringLiteral("Rows.\"Amount\""), nullptr, 0)
                .ToInt(),
            30);
        EXPECT_EQ(list.GetValue(footer, col, QStringLiteral("COUNT"), QString(), data, 0).ToInt(), 2);
    }
    EXPECT_EQ(
        list.GetValue(footer, 4999, QStringLiteral("SUM"), QStringLiteral("Rows.\"Amount\""), nullptr, 0)
            .ToInt(),
        0);
    list.Reset(footer);
    EXPECT_EQ(
        list.GetValue(footer, 5000, QStringLiteral("SUM"), QStringLiteral("Rows.\"Amount\""), nullptr, 0)
            .ToInt(),
        0);
}

} // namespace
