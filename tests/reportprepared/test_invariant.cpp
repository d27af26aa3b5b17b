// What GetPage rebuilds equals what AddObject was given, object by object, whether the page
// elements stay in memory or go to the temporary file and come back, and whatever the size of
// the page cache.

#include "PreparedFixture.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptXML.h"

#include <QFileInfo>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Rows of varying text, width, visibility and font go onto pages of five rows, each page with
// its header and footer.
void FillPages(TPreparedFixture& f, int pageCount) {
    f.Start();
    int row = 0;
    for (int p = 0; p < pageCount; ++p) {
        f.NewPage();
        f.HeaderMemo->SetText(QStringLiteral("Customers, page %1").arg(p + 1));
        f.Put(f.Header, 0);
        for (int r = 0; r < 5; ++r, ++row) {
            f.Cell1->SetText(QStringLiteral("Row %1\r\nsecond line \"quoted\" <&>").arg(row));
            f.Cell2->SetText(QString::number(row * 1.25, 'f', 2));
            f.Cell2->SetWidth(100 + row % 7);
            f.Cell2->SetVisible(row % 4 != 3);
            f.Cell1->Font()->SetSize(row % 3 == 0 ? 12 : 10);
            f.Cell1->SetParentFont(false);
            f.Put(f.Data, 40 + r * 20.5);
        }
        f.FooterMemo->SetText(QStringLiteral("Page %1 of %2").arg(p + 1).arg(pageCount));
        f.Put(f.Footer, 200);
    }
    // The template as it was before the run.
    f.Cell2->SetVisible(true);
    f.Cell2->SetWidth(150);
    f.Stop();
}

struct TCacheCase {
    const char* Name;
    bool UseFileCache;
    int MaxMemSize;
    int PagesInCache;
    int PageCount;
};

class PreparedInvariant : public ::testing::TestWithParam<TCacheCase> {};

TEST_P(PreparedInvariant, RebuiltPagesEqualWhatWasAdded) {
    const TCacheCase& c = GetParam();
    TPreparedFixture f;
    f.Report->EngineOptions()->SetUseFileCache(c.UseFileCache);
    f.Report->EngineOptions()->SetMaxMemSize(c.MaxMemSize);
    f.Report->PreviewOptions()->SetPagesInCache(c.PagesInCache);
    FillPages(f, c.PageCount);

    ASSERT_EQ(f.Pages->Count(), c.PageCount);
    if (c.UseFileCache && c.MaxMemSize == 0) {
        // Everything but the first two pages and the newest one went to the temporary file.
        EXPECT_FALSE(f.Pages->XMLDoc()->TempFile().isEmpty());
        EXPECT_TRUE(f.Pages->PageItem(0)->Loaded());
        EXPECT_TRUE(f.Pages->PageItem(1)->Loaded());
        EXPECT_FALSE(f.Pages->PageItem(2)->Loaded());
        EXPECT_TRUE(f.Pages->PageItem(c.PageCount - 1)->Loaded());
    } else {
        EXPECT_TRUE(f.Pages->XMLDoc()->TempFile().isEmpty());
    }

    const QString expected = f.Expected();
    EXPECT_EQ(DumpPreparedPages(f.Pages), expected);
    // Once more, in another order, so that pages are evicted and read back again.
    for (int i = c.PageCount - 1; i >= 0; --i) EXPECT_EQ(DumpPreparedPage(f.Pages, i), DumpPreparedPage(f.Pages, i));
    EXPECT_EQ(DumpPreparedPages(f.Pages), expected);
    EXPECT_LE(f.Pages->PageCacheCount(), std::max(1, c.PagesInCache));
}

INSTANTIATE_TEST_SUITE_P(
    Caches, PreparedInvariant,
    ::testing::Values(TCacheCase{"Memory", false, 10, 50, 12}, TCacheCase{"MemoryOnePageCached", false, 10, 1, 12},
                      TCacheCase{"FileCacheTinyLimit", true, 0, 2, 30},
                      TCacheCase{"FileCacheNoPageCache", true, 0, 0, 30},
                      TCacheCase{"FileCacheLimitNotReached", true, 10, 3, 12}),
    [](const ::testing::TestParamInfo<TCacheCase>& i) { return std::string(i.param.Name); });

TEST(PreparedInvariantCases, FirstPassOfTwoKeepsOnlyPositionsAndFinalPassEverything) {
    TPreparedFixture f;
    f.Report->EngineOptions()->SetDoublePass(true);
    f.Engine->SetFinalPass(false);
    f.Start();
    f.NewPage();
    f.Cell1->SetText(QStringLiteral("first pass text"));
    f.Put(f.Data, 33);
    // The text is not part of a first-pass difference: the rebuilt cell has the source's text.
    TrptReportPage* page = f.Pages->GetPage(0);
    ASSERT_NE(page, nullptr);
    auto* cell = dynamic_cast<TrptMemoView*>(static_cast<TrptComponent*>(page)->FindObject(QStringLiteral("Cell1")));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->Text(), QString());
    EXPECT_DOUBLE_EQ(cell->Parent()->Top(), 33);

    f.Pages->ClearFirstPassPages();
    EXPECT_EQ(f.Pages->Count(), 0);
    f.Engine->SetFinalPass(true);
    f.ExpectedPages.clear();
    f.Pages->SetAddPageAction(apAdd);
    f.NewPage();
    f.Cell1->SetText(QStringLiteral("final pass text"));
    f.Put(f.Data, 44);
    f.Stop();
    EXPECT_EQ(DumpPreparedPages(f.Pages), f.Expected());
}

TEST(PreparedInvariantCases, ObjectsWithoutSourceCopyAreStoredWhole) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    // A band made while preparing, not added to the source page: stored in class form.
    auto extra = std::make_unique<TrptChild>(nullptr);
    extra->SetName(QStringLiteral("Extra"));
    extra->SetBounds(0, 120, f.Data->Width(), 18);
    auto* memo = new TrptMemoView(extra.get());
    memo->SetName(QStringLiteral("ExtraMemo"));
    memo->SetBounds(5, 1, 100, 16);
    memo->SetText(QStringLiteral("made while preparing"));
    f.Pages->AddObject(extra.get());
    // Stored whole, in class form, which keeps no name.
    f.ExpectedPages.back() += DumpAsAdded(extra.get(), 1)
                                  .replace(QStringLiteral(" ExtraMemo "), QStringLiteral(" (unnamed) "))
                                  .replace(QStringLiteral(" Extra "), QStringLiteral(" (unnamed) "));
    // One added to the source page gets an alias and is stored as a difference.
    auto added = std::make_unique<TrptMemoView>(nullptr);
    added->SetBounds(1, 2, 30, 40);
    added->SetText(QStringLiteral("added to the source page"));
    f.Pages->AddToSourcePage(added.get());
    ASSERT_NE(added->OriginalComponent(), nullptr);
    EXPECT_TRUE(added->AliasName().startsWith(QLatin1Char('m')));
    added->SetName(added->OriginalComponent()->Name());
    f.Pages->AddObject(added.get());
    f.ExpectedPages.back() += DumpAsAdded(added.get(), 1);
    f.Stop();

    TrptXMLItem* page = f.Pages->PageItem(0);
    ASSERT_EQ(page->Count(), 2);
    EXPECT_EQ(page->Items(0)->Name(), QStringLiteral("TrptChild"));
    EXPECT_EQ(page->Items(0)->Items(0)->Name(), QStringLiteral("TrptMemoView"));
    EXPECT_EQ(page->Items(1)->Name(), added->AliasName());
    EXPECT_EQ(DumpPreparedPages(f.Pages), f.Expected());
}

} // namespace
