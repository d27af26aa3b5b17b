// Every band, page and subreport class keeps every published property through a template save
// and load, placed where templates hold it: pages on the report, bands on a report page, the
// subreport on a band.

#include "BandsTestSupport.h"
#include "tests/common/ReportRoundTrip.h"

#include "report/core/rptDataSets.h"

#include <gtest/gtest.h>

using roundtrip::ChangeEverything;
using roundtrip::CompareEverything;

TEST(BandsAndPagesRoundTrip, EveryClassKeepsEveryPublishedProperty) {
    RegisterPageClasses();
    std::vector<const TClassInfo*> classes = {
        TrptBand::StaticClassInfo(),      TrptDataBand::StaticClassInfo(), TrptNullBand::StaticClassInfo(),
        TrptSubreport::StaticClassInfo(), TrptPage::StaticClassInfo(),     TrptReportPage::StaticClassInfo(),
        TrptDataPage::StaticClassInfo()};
    for (int i = 0; i < 18; ++i)
        classes.push_back(TrptBand::BandClassOf(i));
    for (const TClassInfo* cls : classes) {
        SCOPED_TRACE(cls->ClassName().toStdString());
        ASSERT_EQ(GetClass(cls->ClassName()), cls) << "not registered";
        TBandsReport r;
        // Something for each kind of reference to point at.
        auto* ds = new TrptUserDataSet(r.Data);
        ds->SetName("Orders");
        auto* child = new TrptChild(r.Page);
        child->SetName("ChildTarget");
        auto* other = new TrptReportPage(r.Report.get());
        other->SetName("OtherPage");
        auto* band = new TrptMasterData(r.Page);
        band->SetName("Holder");
        TrptComponent* parent = r.Page;
        if (cls->InheritsFrom(TrptPage::StaticClassInfo())) parent = r.Report.get();
        if (cls == TrptSubreport::StaticClassInfo()) parent = band;
        auto* obj = static_cast<TrptComponent*>(cls->CreateInstance(parent));
        obj->SetName("Object1");
        ChangeEverything(obj, r.Report.get());
        if (auto* p = dynamic_cast<TrptReportPage*>(obj)) {
            // A paper of the template's own, so the stored size is the one set.
            p->SetSizeAndDimensions(256, 123.25, 321.5);
        }
        const QByteArray saved = SaveReport(*r.Report);

        TBandsReport back;
        LoadReport(*back.Report, saved);
        EXPECT_EQ(back.Report->Errors()->Count(), 0) << back.Report->Errors()->Text().toStdString();
        TrptComponent* loaded = back.Report->FindObject("Object1");
        ASSERT_NE(loaded, nullptr) << saved.toStdString();
        EXPECT_EQ(loaded->ClassName(), cls->ClassName());
        EXPECT_EQ(loaded->Parent()->Name(), parent == r.Report.get() ? QString() : parent->Name());
        CompareEverything(obj, loaded, QString());
        EXPECT_EQ(SaveReport(*back.Report), saved);
    }
}

TEST(BandsAndPagesRoundTrip, ATemplateWithEveryKindOfBand) {
    // A page as a designer leaves it: every kind, a child chain, a subreport and its page.
    TBandsReport r;
    TrptReportPage& p = *r.Page;
    p.SetDefaults();
    p.SetColumns(2);
    double top = 0;
    for (int n = 0; n < 18; ++n) {
        auto* b = static_cast<TrptBand*>(TrptBand::BandClassOf(n)->CreateInstance(&p));
        b->CreateUniqueName();
        b->SetBounds(0, top, 700, 20);
        top += 25;
    }
    auto* title = p.FindBand<TrptReportTitle>();
    auto* child = p.FindBand<TrptChild>();
    title->SetChild(child);
    auto* master = p.FindBand<TrptMasterData>();
    master->SetRowCount(3);
    auto* sub = new TrptSubreport(master);
    sub->SetName("Subreport1");
    auto* subPage = new TrptReportPage(r.Report.get());
    subPage->SetName("Page2");
    sub->SetPage(subPage);
    const QByteArray saved = SaveReport(*r.Report);

    TBandsReport back;
    LoadReport(*back.Report, saved);
    EXPECT_EQ(back.Report->Errors()->Count(), 0) << back.Report->Errors()->Text().toStdString();
    auto* page = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page1"));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->Objects().size(), 18u);
    for (int n = 0; n < 18; ++n) {
        auto* b = page->Objects()[static_cast<size_t>(n)]->AsBand();
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->BandNumber(), n);
        EXPECT_DOUBLE_EQ(b->Top(), 25.0 * n);
    }
    EXPECT_EQ(page->FindBand<TrptReportTitle>()->Child(), page->FindBand<TrptChild>());
    EXPECT_EQ(page->FindBand<TrptMasterData>()->RowCount(), 3);
    EXPECT_EQ(page->FindBand<TrptMasterData>()->VirtualDataSet()->RangeEndCount(), 3);
    EXPECT_EQ(page->Columns(), 2);
    EXPECT_EQ(page->ColumnPositions()->Text(), r.Page->ColumnPositions()->Text());
    auto* sub2 = dynamic_cast<TrptSubreport*>(back.Report->FindObject("Subreport1"));
    ASSERT_NE(sub2, nullptr);
    auto* page2 = dynamic_cast<TrptReportPage*>(back.Report->FindObject("Page2"));
    ASSERT_NE(page2, nullptr);
    EXPECT_EQ(sub2->Page(), page2);
    EXPECT_EQ(page2->SubReport(), sub2);
    EXPECT_EQ(SaveReport(*back.Report), saved);
}
