// Source pages and aliases, page elements, checked source indexes, page sizes, logical page
// numbers, the page cache and the editing operations.

#include "PreparedFixture.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptOutline.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptXML.h"

#include <gtest/gtest.h>

namespace {

TEST(PreparedSourcePages, CopiesTemplateWithAliasesLinkedBothWays) {
    TPreparedFixture f;
    f.Cell1->SetDataField(QStringLiteral("Name"));
    f.Start();
    ASSERT_EQ(f.Pages->SourcePages().size(), 1u);
    TrptComponent* copy = f.Pages->SourcePages()[0];
    EXPECT_EQ(copy->OriginalComponent(), f.Page);
    EXPECT_EQ(copy->Name(), QStringLiteral("Page1"));

    // Bands are "b", text objects "m"; template and copy share the alias.
    EXPECT_EQ(f.Header->AliasName(), QStringLiteral("b1"));
    EXPECT_TRUE(f.Data->AliasName().startsWith(QLatin1Char('b')));
    EXPECT_TRUE(f.Cell1->AliasName().startsWith(QLatin1Char('m')));
    TrptComponent* cellCopy = f.Cell1->OriginalComponent();
    ASSERT_NE(cellCopy, nullptr);
    EXPECT_EQ(cellCopy->OriginalComponent(), f.Cell1);
    EXPECT_EQ(cellCopy->AliasName(), f.Cell1->AliasName());
    EXPECT_EQ(f.Pages->Dictionary()->GetSourceName(f.Cell1->AliasName()), QStringLiteral("Page0.Cell1"));
    EXPECT_EQ(f.Pages->Dictionary()->GetObject(f.Cell1->AliasName()), cellCopy);
    // The copy keeps no data binding and holds its serialized form.
    EXPECT_EQ(static_cast<TrptView*>(cellCopy)->DataField(), QString());
    EXPECT_TRUE(cellCopy->BaseName().startsWith(QStringLiteral("TrptMemoView ")));

    f.Stop();
    EXPECT_EQ(copy->OriginalComponent(), nullptr);
}

TEST(PreparedSourcePages, PageWithoutSourcePageIsRefusedWithItsNumber) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    TrptReportPage other(nullptr);
    other.SetName(QStringLiteral("Stranger"));
    try {
        f.Pages->AddPage(&other);
        FAIL() << "a page that was not added as a source page was accepted";
    } catch (const ErptPreparedPage& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Prepared page 2"))) << e.Message().toStdString();
        EXPECT_TRUE(e.Message().contains(QStringLiteral("Stranger"))) << e.Message().toStdString();
    }
    EXPECT_EQ(f.Pages->Count(), 1);
    EXPECT_EQ(f.Pages->CurPage(), 0);
    f.Stop();
}

// Page elements whose name holds no index of an existing source page, as a damaged or foreign
// file could have them: an error naming the page, never a read of a missing source page.
TEST(PreparedSourcePages, PageElementsNamingMissingSourcePagesAreErrors) {
    const char* names[] = {"page1", "page-1", "page", "pagex", "page00001", "page100000", "page99999999999999999999"};
    for (const char* name : names) {
        TPreparedFixture f;
        f.Start();
        f.NewPage();
        f.Put(f.Header, 0);
        f.NewPage();
        f.Stop();
        f.Pages->PageItem(1)->SetName(QString::fromLatin1(name));
        SCOPED_TRACE(name);
        try {
            f.Pages->GetPage(1);
            FAIL() << "page element " << name << " was read";
        } catch (const ErptPreparedPage& e) {
            EXPECT_TRUE(e.Message().startsWith(QStringLiteral("Prepared page 2"))) << e.Message().toStdString();
        }
        EXPECT_THROW(f.Pages->GetPageSize(1), ErptPreparedPage);
        // The dump says so and goes on with the other pages.
        const QString dump = DumpPreparedPages(f.Pages);
        EXPECT_TRUE(dump.contains(QStringLiteral("page 2 of 2: error: Prepared page 2"))) << dump.toStdString();
        EXPECT_TRUE(dump.contains(QStringLiteral("PageHeader1"))) << dump.toStdString();
        // A valid name reads again.
        f.Pages->PageItem(1)->SetName(QStringLiteral("page0"));
        EXPECT_NE(f.Pages->GetPage(1), nullptr);
    }
}

TEST(PreparedPages, PageSizesAndOutOfRange) {
    TPreparedFixture f;
    EXPECT_EQ(f.Pages->GetPage(0), nullptr);
    EXPECT_EQ(f.Pages->GetPageSize(0).X, 0);
    f.Start();
    f.NewPage();
    f.Stop();
    const TPoint size = f.Pages->GetPageSize(0);
    EXPECT_EQ(size.X, 794); // A4: 210 mm
    EXPECT_EQ(size.Y, 1123); // 297 mm
    EXPECT_EQ(f.Pages->GetPageSize(1).X, 0);
    EXPECT_EQ(f.Pages->GetPageSize(-1).Y, 0);
    EXPECT_EQ(f.Pages->GetPage(1), nullptr);
    EXPECT_EQ(f.Pages->GetPage(-1), nullptr);
}

TEST(PreparedPages, WriteOverRevisitsExistingPages) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.NewPage();
    EXPECT_EQ(f.Pages->CurPage(), 1);
    // Back to the first page, as the engine does for vertical bands and subreports.
    f.Pages->SetCurPage(-1);
    f.Pages->SetAddPageAction(apWriteOver);
    f.Pages->AddPage(f.Page);
    EXPECT_EQ(f.Pages->Count(), 2);
    EXPECT_EQ(f.Pages->CurPage(), 0);
    f.Pages->AddObject(f.Footer);
    EXPECT_EQ(f.Pages->PageItem(0)->Count(), 1);
    EXPECT_EQ(f.Pages->PageItem(1)->Count(), 0);
    f.Stop();
}

TEST(PreparedPages, RevisitedPageInTheTemporaryFileIsReadBackBeforeWriting) {
    TPreparedFixture f;
    f.Report->EngineOptions()->SetUseFileCache(true);
    f.Report->EngineOptions()->SetMaxMemSize(0);
    f.Start();
    for (int i = 0; i < 6; ++i) {
        f.NewPage();
        f.Put(f.Header, 0);
    }
    f.NewPage(); // unloads pages 2 to 4 (5 is the newest before this one)
    ASSERT_FALSE(f.Pages->PageItem(3)->Loaded());
    f.Pages->SetCurPage(3);
    EXPECT_EQ(f.Pages->GetCurPosition(), 1);
    f.ExpectedPages[3] += DumpAsAdded([&] {
        f.Data->SetTop(50);
        f.Pages->AddObject(f.Data);
        return f.Data;
    }(), 1);
    EXPECT_EQ(f.Pages->GetCurPosition(), 2);
    f.Stop();
    EXPECT_EQ(DumpPreparedPages(f.Pages), f.Expected());
}

TEST(PreparedPages, CacheKeepsPagesInCacheAndAtLeastOne) {
    for (int inCache : {0, 1, 3}) {
        TPreparedFixture f;
        f.Report->PreviewOptions()->SetPagesInCache(inCache);
        f.Start();
        for (int i = 0; i < 5; ++i) f.NewPage();
        f.Stop();
        TrptReportPage* first = f.Pages->GetPage(0);
        EXPECT_EQ(f.Pages->GetPage(0), first) << "the page just built comes from the cache";
        for (int i = 0; i < 5; ++i) f.Pages->GetPage(i);
        EXPECT_EQ(f.Pages->PageCacheCount(), std::max(1, inCache));
        f.Pages->ClearPageCache();
        EXPECT_EQ(f.Pages->PageCacheCount(), 0);
    }
}

TEST(PreparedPages, LogicalPageNumbersOfGroupsOfPages) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.NewPage();
    f.NewPage();
    f.Pages->ResetLogicalPageNumber(); // a new group begins after three pages
    f.NewPage();
    f.NewPage();
    f.Pages->ResetLogicalPageNumber();
    f.Stop();
    const int n[] = {1, 2, 3, 1, 2};
    const int t[] = {3, 3, 3, 2, 2};
    for (int i = 0; i < 5; ++i) {
        f.Pages->SetCurPage(i);
        EXPECT_EQ(f.Pages->GetLogicalPageNo(), n[i]) << i;
        EXPECT_EQ(f.Pages->GetLogicalTotalPages(), t[i]) << i;
    }
    // No number recorded: physical numbers.
    f.Pages->SetCurPage(7);
    f.Engine->SetTotalPages(9);
    EXPECT_EQ(f.Pages->GetLogicalPageNo(), 8);
    EXPECT_EQ(f.Pages->GetLogicalTotalPages(), 9);
}

TEST(PreparedPages, TwoPassesKeepFirstPassNumbersAndAnchors) {
    TPreparedFixture f;
    f.Report->EngineOptions()->SetDoublePass(true);
    f.Engine->SetFinalPass(false);
    f.Start();
    f.NewPage();
    f.Pages->AddAnchor(QStringLiteral("Intro"));
    f.Pages->Outline()->AddItem(QStringLiteral("First"), 0);
    f.NewPage();
    // The last group of the first pass is closed by ClearFirstPassPages itself.
    f.Pages->ClearFirstPassPages();
    EXPECT_EQ(f.Pages->Count(), 0);
    EXPECT_EQ(f.Pages->CurPage(), -1);
    f.Pages->Outline()->LevelRoot();
    EXPECT_EQ(f.Pages->Outline()->GetCount(), 0);
    EXPECT_NE(f.Pages->FindAnchor(QStringLiteral("intro")), nullptr);

    f.Engine->SetFinalPass(true);
    f.Pages->SetAddPageAction(apAdd);
    f.NewPage();
    f.NewPage();
    EXPECT_EQ(f.Pages->GetLogicalPageNo(), 2);
    EXPECT_EQ(f.Pages->GetLogicalTotalPages(), 2);
    EXPECT_EQ(f.Pages->XMLDoc()->Root()->FindItem(QStringLiteral("logicalpagenumbers"))->Count(), 2);
    f.Stop();
}

TEST(PreparedPages, SecondPassAfterExistingPagesDropsOnlyItsOwnPart) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Put(f.Header, 0);
    f.Pages->Outline()->AddItem(QStringLiteral("kept"), 0);
    f.Pages->Outline()->LevelUp();
    f.Pages->BeginPass(); // a second report appended to the same prepared pages
    f.Put(f.Data, 40);
    f.Pages->Outline()->LevelRoot();
    f.Pages->Outline()->AddItem(QStringLiteral("dropped"), 40);
    f.NewPage();
    f.Pages->ClearFirstPassPages();
    EXPECT_EQ(f.Pages->Count(), 1);
    EXPECT_EQ(f.Pages->PageItem(0)->Count(), 1);
    f.Pages->Outline()->LevelRoot();
    ASSERT_EQ(f.Pages->Outline()->GetCount(), 1);
    QString text;
    int page = -1, top = -1;
    f.Pages->Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, QStringLiteral("kept"));
    EXPECT_EQ(f.Pages->CurPage(), 0);
    f.Stop();
}

TEST(PreparedEditing, EmptyDeleteModifyPages) {
    TPreparedFixture f;
    f.Pages->AddEmptyPage(0); // nothing on an empty report
    EXPECT_EQ(f.Pages->Count(), 0);
    f.Start();
    f.NewPage();
    f.Put(f.Header, 0);
    f.NewPage();
    f.Put(f.Footer, 200);
    f.Stop();

    f.Pages->AddEmptyPage(1);
    ASSERT_EQ(f.Pages->Count(), 3);
    EXPECT_EQ(f.Pages->PageItem(1)->Name(), QStringLiteral("page0"));
    EXPECT_EQ(f.Pages->PageItem(1)->Count(), 0);
    EXPECT_EQ(DumpLines(DumpPreparedPage(f.Pages, 2)).size(), 3); // the footer page moved on

    // Modified and written back whole.
    TrptReportPage* page = f.Pages->GetPage(0);
    auto* memo = dynamic_cast<TrptMemoView*>(static_cast<TrptComponent*>(page)->FindObject(QStringLiteral("HeaderMemo")));
    ASSERT_NE(memo, nullptr);
    memo->SetText(QStringLiteral("edited in the preview"));
    f.Pages->ModifyPage(0, page);
    EXPECT_EQ(f.Pages->PageItem(0)->Name(), QStringLiteral("TrptReportPage"));
    EXPECT_EQ(f.Pages->PageCacheCount(), 0);
    EXPECT_TRUE(DumpPreparedPage(f.Pages, 0).contains(QStringLiteral("\"edited in the preview\""))) << DumpPreparedPage(f.Pages, 0).toStdString();
    EXPECT_EQ(f.Pages->GetPageSize(0).X, 794);

    f.Pages->DeletePage(1);
    f.Pages->DeletePage(5);
    EXPECT_EQ(f.Pages->Count(), 2);
    f.Pages->DeletePage(0);
    f.Pages->DeletePage(0);
    EXPECT_EQ(f.Pages->Count(), 1) << "the last page stays";
}

TEST(PreparedEditing, AddFromAppendsPagesAnchorsAndOutline) {
    TPreparedFixture a;
    a.Start();
    a.NewPage();
    a.Put(a.Header, 0);
    a.Stop();

    TPreparedFixture b;
    b.Start();
    b.NewPage();
    b.NewPage();
    b.Engine->SetCurY(77);
    b.Pages->AddAnchor(QStringLiteral("Totals"));
    b.Pages->Outline()->AddItem(QStringLiteral("Part B"), 10);
    b.Pages->Outline()->AddItem(QStringLiteral("Inner"), 20);
    b.Put(b.Data, 300);
    b.Stop();

    a.Pages->AddFrom(b.Report.get());
    ASSERT_EQ(a.Pages->Count(), 3);
    EXPECT_EQ(a.Pages->PageItem(1)->Name(), QStringLiteral("TrptReportPage"));
    EXPECT_EQ(a.Pages->GetAnchorPage(QStringLiteral("totals")), 3);
    a.Pages->Outline()->LevelRoot();
    ASSERT_EQ(a.Pages->Outline()->GetCount(), 1);
    QString text;
    int page = 0, top = 0;
    a.Pages->Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, QStringLiteral("Part B"));
    EXPECT_EQ(page, 2);
    a.Pages->Outline()->LevelDown(0);
    ASSERT_EQ(a.Pages->Outline()->GetCount(), 1);
    a.Pages->Outline()->GetItem(0, text, page, top);
    EXPECT_EQ(text, QStringLiteral("Inner"));
    EXPECT_EQ(top, 20);
    // Pages stored whole read back without the other report's dictionary.
    const QStringList bLines = DumpLines(DumpPreparedPage(b.Pages, 1));
    const QStringList aLines = DumpLines(DumpPreparedPage(a.Pages, 2));
    ASSERT_EQ(aLines.size(), bLines.size());
    for (int i = 1; i < aLines.size(); ++i) EXPECT_EQ(aLines[i], bLines[i]);
    // The bottom of the other report's last band is where an appended report goes on.
    a.Pages->SetCurPage(2);
    EXPECT_DOUBLE_EQ(a.Pages->GetLastY(0), 320);
}

TEST(PreparedPages, UpdatePageDimensionsGivesTheSourcePageACustomPaper) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Pages->UpdatePageDimensions(f.Page, 500, 377.953);
    f.Stop();
    TrptReportPage* source = f.Pages->SourcePages()[0];
    EXPECT_EQ(source->PaperSize(), 256);
    EXPECT_NEAR(source->PaperWidth(), 500 / 3.77953, 1e-6);
    EXPECT_NEAR(source->PaperHeight(), 100, 1e-6);
    EXPECT_EQ(f.Pages->GetPageSize(0).Y, 378);
    TrptReportPage stranger(nullptr);
    EXPECT_THROW(f.Pages->UpdatePageDimensions(&stranger, 1, 1), ErptPreparedPage);
}

TEST(PreparedPages, ClearEmptiesEverything) {
    TPreparedFixture f;
    f.Start();
    f.NewPage();
    f.Put(f.Header, 0);
    f.Pages->AddAnchor(QStringLiteral("x"));
    f.Stop();
    f.Pages->Clear();
    EXPECT_EQ(f.Pages->Count(), 0);
    EXPECT_EQ(f.Pages->CurPage(), -1);
    EXPECT_TRUE(f.Pages->SourcePages().empty());
    EXPECT_EQ(f.Pages->Dictionary()->Names()->Count(), 0);
    EXPECT_EQ(f.Pages->FindAnchor(QStringLiteral("x")), nullptr);
    EXPECT_EQ(f.Pages->XMLSize(), 0);
    EXPECT_EQ(DumpPreparedPages(f.Pages), QStringLiteral("no pages\n"));
    // And it prepares again.
    f.ExpectedPages.clear();
    f.Start();
    f.NewPage();
    f.Put(f.Data, 10);
    f.Stop();
    EXPECT_EQ(DumpPreparedPages(f.Pages), f.Expected());
}

} // namespace

namespace {

TEST(PreparedPages, ProgressOfAPreparation) {
    TPreparedFixture f;
    QStringList calls;
    f.Report->OnProgressStart = [&](TrptReport*, TrptProgressType t, int p) {
        calls << QStringLiteral("start %1 %2").arg(int(t)).arg(p);
    };
    f.Report->OnProgress = [&](TrptReport*, TrptProgressType t, int p) {
        calls << QStringLiteral("page %1 %2").arg(int(t)).arg(p);
    };
    f.Report->OnProgressStop = [&](TrptReport*, TrptProgressType t, int p) {
        calls << QStringLiteral("stop %1 %2").arg(int(t)).arg(p);
    };
    f.Start();
    f.NewPage();
    f.NewPage();
    f.Pages->SetCurPage(0);
    f.Pages->SetAddPageAction(apWriteOver);
    f.Pages->AddPage(f.Page); // revisiting a page is no progress
    f.Pages->SetCurPage(1);
    f.NewPage();
    f.Stop();
    EXPECT_EQ(calls.join(QLatin1Char(',')), QStringLiteral("start 0 0,page 0 1,page 0 2,page 0 3,stop 0 0"));
}

} // namespace
