// Band kinds, their published properties and defaults, child chains, data band columns and
// datasets, the dot-matrix grid and the subreport object.

#include "BandsTestSupport.h"

#include "platform/gfx/Canvas.h"
#include "report/core/rptDataSets.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

QString PropNames(const TClassInfo* cls) {
    QStringList names;
    for (const TPropInfo* p : cls->Props())
        names << p->Name();
    return names.join(',');
}

const QString Common =
    QStringLiteral("Name,Tag,Description,Font,Height,Left,ParentFont,Restrictions,Top,Vertical,"
                   "Visible,Width,OnAfterCalcHeight,OnAfterPrint,OnBeforePrint");
const QString Splittable =
    QStringLiteral("AllowSplit,Child,KeepChild,PrintChildIfInvisible,StartNewPage,Stretched");
const QString DataSet = QStringLiteral(
    "AllowSplit,Child,Columns,ColumnWidth,ColumnGap,DataSet,DataSetName,FooterAfterEach,KeepChild,KeepFooter,"
    "KeepHeader,KeepTogether,OutlineText,PrintChildIfInvisible,PrintIfDetailEmpty,RowCount,StartNewPage,"
    "Stretched,"
    "OnMasterDetail");

} // namespace

TEST(BandKinds, NumbersNamesAndPublishedProperties) {
    RegisterPageClasses();
    struct TKind {
        const char* Class;
        const char* BandName;
        QString Additions;
    };
    const TKind kinds[] = {
        {"TrptReportTitle", "ReportTitle", Splittable},
        {"TrptReportSummary", "ReportSummary", Splittable},
        {"TrptPageHeader", "PageHeader", "Child,PrintChildIfInvisible,PrintOnFirstPage,Stretched"},
        {"TrptPageFooter", "PageFooter", "PrintOnFirstPage,PrintOnLastPage"},
        {"TrptHeader", "Header",
         "AllowSplit,Child,KeepChild,PrintChildIfInvisible,ReprintOnNewPage,StartNewPage,Stretched"},
        {"TrptFooter", "Footer", "AllowSplit,Child,KeepChild,PrintChildIfInvisible,Stretched"},
        {"TrptMasterData", "MasterData", DataSet},
        {"TrptDetailData", "DetailData", DataSet},
        {"TrptSubdetailData", "SubdetailData", DataSet},
        {"TrptDataBand4", "Data4", DataSet},
        {"TrptDataBand5", "Data5", DataSet},
        {"TrptDataBand6", "Data6", DataSet},
        {"TrptGroupHeader", "GroupHeader",
         "AllowSplit,Child,Condition,DrillDown,ExpandDrillDown,KeepChild,KeepTogether,ReprintOnNewPage,"
         "OutlineText,"
         "PrintChildIfInvisible,ResetPageNumbers,ShowFooterIfDrillDown,ShowChildIfDrillDown,StartNewPage,"
         "Stretched,"
         "DrillName"},
        {"TrptGroupFooter", "GroupFooter",
         "AllowSplit,Child,HideIfSingleDataRecord,KeepChild,PrintChildIfInvisible,Stretched"},
        {"TrptChild", "Child", Splittable},
        {"TrptColumnHeader", "ColumnHeader", "Child,Stretched"},
        {"TrptColumnFooter", "ColumnFooter", ""},
        {"TrptOverlay", "Overlay", "PrintOnTop"},
    };
    for (int n = 0; n < 18; ++n) {
        const TKind& k = kinds[n];
        SCOPED_TRACE(k.Class);
        const TClassInfo* cls = GetClass(QString::fromLatin1(k.Class));
        ASSERT_NE(cls, nullptr);
        EXPECT_EQ(TrptBand::BandClassOf(n), cls);
        std::unique_ptr<TrptBand> band(static_cast<TrptBand*>(cls->CreateInstance(nullptr)));
        EXPECT_EQ(band->BandNumber(), n);
        EXPECT_EQ(band->BandName(), k.BandName);
        EXPECT_EQ(band->GetDescription(), n >= 6 && n <= 11 ? "Data band" : "Band");
        EXPECT_EQ(band->OriginalObjectsCount(), -1);
        EXPECT_EQ(band->AsBand(), band.get());
        EXPECT_EQ(PropNames(cls), k.Additions.isEmpty() ? Common : Common + "," + k.Additions);
    }
    TrptNullBand null;
    EXPECT_EQ(null.BandNumber(), 0);
    EXPECT_EQ(null.BandName(), "Null");
    EXPECT_EQ(PropNames(TrptNullBand::StaticClassInfo()), Common);
    EXPECT_EQ(TrptBand::BandClassOf(18), nullptr);
    EXPECT_EQ(TrptBand::BandClassOf(-1), nullptr);

    // A class of its own below a kind answers with the kind.
    class TMyMaster : public TrptMasterData {
    public:
        using TrptMasterData::TrptMasterData;
    } mine;
    EXPECT_EQ(mine.BandNumber(), 6);
}

TEST(BandKinds, DefaultsAndStoredText) {
    TBandsReport r;
    auto* header = new TrptPageHeader(r.Page);
    auto* footer = new TrptPageFooter(r.Page);
    auto* master = new TrptMasterData(r.Page);
    EXPECT_TRUE(header->PrintOnFirstPage());
    EXPECT_TRUE(footer->PrintOnFirstPage());
    EXPECT_TRUE(footer->PrintOnLastPage());
    EXPECT_FALSE(master->Vertical());
    EXPECT_TRUE(master->Visible());
    EXPECT_EQ(master->VirtualDataSet()->RangeEnd(), reCount);
    header->SetName("PageHeader1");
    footer->SetName("PageFooter1");
    master->SetName("MasterData1");
    master->SetBounds(0, 100, 700, 20);
    // Defaults are left out; RowCount has none and is always written.
    const QByteArray text = SaveReport(*r.Report);
    EXPECT_TRUE(
        text.contains("<TrptPageHeader Name=\"PageHeader1\" Height=\"0\" Left=\"0\" Top=\"0\" Width=\"0\"/>"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        "<TrptMasterData Name=\"MasterData1\" Height=\"20\" Left=\"0\" Top=\"100\" Width=\"700\" "
        "ColumnWidth=\"0\" ColumnGap=\"0\" RowCount=\"0\"/>"))
        << text.toStdString();
    footer->SetPrintOnLastPage(false);
    EXPECT_TRUE(SaveReport(*r.Report).contains("PrintOnLastPage=\"False\""));
}

// ---------------------------------------------------------------------------------------------

TEST(ChildBands, ChainsNeverLoop) {
    TBandsReport r;
    auto* title = new TrptReportTitle(r.Page);
    auto* c1 = new TrptChild(r.Page);
    auto* c2 = new TrptChild(r.Page);
    auto* c3 = new TrptChild(r.Page);
    title->SetChild(c1);
    c1->SetChild(c2);
    c2->SetChild(c3);
    EXPECT_EQ(title->Child(), c1);

    // The band itself, and any band whose chain comes back.
    EXPECT_THROW(c1->SetChild(c1), ECircularReference);
    EXPECT_EQ(c1->Child(), c2);
    EXPECT_THROW(c3->SetChild(c1), ECircularReference);
    EXPECT_EQ(c3->Child(), nullptr);
    EXPECT_THROW(c3->SetChild(c2), ECircularReference);
    try {
        c2->SetChild(c1);
        FAIL() << "a loop was accepted";
    } catch (const ECircularReference& e) {
        EXPECT_EQ(e.Message(), "clCirRefNotAllow");
    }
    EXPECT_EQ(c2->Child(), c3);

    // Another chain may end in the same child; a child of no band is fine.
    auto* summary = new TrptReportSummary(r.Page);
    summary->SetChild(c3);
    EXPECT_EQ(summary->Child(), c3);
    c3->SetChild(nullptr);

    // Freeing a child leaves no band pointing at it.
    delete c3;
    EXPECT_EQ(c2->Child(), nullptr);
    EXPECT_EQ(summary->Child(), nullptr);
    delete c1;
    EXPECT_EQ(title->Child(), nullptr);
}

TEST(ChildBands, ChainOutsideAReportForgetsFreedChild) {
    // Bands made by code without a report are told through their own notification link.
    TrptHeader header;
    auto child = std::make_unique<TrptChild>();
    header.SetChild(child.get());
    child.reset();
    EXPECT_EQ(header.Child(), nullptr);
}

TEST(ChildBands, ChildReferenceSurvivesTemplateRoundTrip) {
    TBandsReport r;
    auto* header = new TrptHeader(r.Page);
    header->SetName("Header1");
    auto* child = new TrptChild(r.Page);
    child->SetName("Child1");
    header->SetChild(child);
    TBandsReport back;
    LoadReport(*back.Report, SaveReport(*r.Report));
    auto* h = dynamic_cast<TrptHeader*>(back.Report->FindObject("Header1"));
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(h->Child(), back.Report->FindObject("Child1"));
}

// ---------------------------------------------------------------------------------------------

TEST(DataBands, RowCountDrivesTheVirtualDataSet) {
    TrptMasterData band;
    band.SetRowCount(5);
    TrptUserDataSet* ds = band.VirtualDataSet();
    int rows = 0;
    for (ds->First(); !ds->Eof(); ds->Next())
        ++rows;
    EXPECT_EQ(rows, 5);
    band.SetRowCount(0);
    ds->First();
    EXPECT_TRUE(ds->Eof());
}

TEST(DataBands, ColumnsMoveTheBand) {
    TrptDetailData band;
    band.SetColumns(3);
    band.SetColumnWidth(200);
    band.SetColumnGap(10);
    const double lefts[] = {0, 210, 420};
    for (int c = 1; c <= 3; ++c) {
        band.SetMaxY(55);
        band.SetCurColumn(c);
        EXPECT_EQ(band.CurColumn(), c);
        EXPECT_DOUBLE_EQ(band.Left(), lefts[c - 1]);
        // Only the first column starts a new row of columns.
        EXPECT_DOUBLE_EQ(band.MaxY(), c == 1 ? 0 : 55);
    }
    band.SetMaxY(80);
    band.SetCurColumn(4);
    EXPECT_EQ(band.CurColumn(), 1);
    EXPECT_DOUBLE_EQ(band.Left(), 0);
    EXPECT_DOUBLE_EQ(band.MaxY(), 0);

    // Without columns (the engine still sets CurColumn := Columns after the rows) the band stays
    // in place, also when a column width was left in the template.
    band.SetColumns(0);
    band.SetCurColumn(0);
    EXPECT_EQ(band.CurColumn(), 1);
    EXPECT_DOUBLE_EQ(band.Left(), 0);
    band.SetCurColumn(-3);
    EXPECT_DOUBLE_EQ(band.Left(), 0);
}

TEST(DataBands, DataSetAndUserNameGoTogether) {
    TBandsReport r;
    auto* ds = new TrptUserDataSet(r.Data);
    ds->SetName("Orders");
    auto* band = new TrptMasterData(r.Page);
    band->SetDataSet(ds);
    EXPECT_EQ(band->DataSetName(), "Orders");
    // The user name read is the dataset's, as it is now.
    ds->SetUserName("Customer orders");
    EXPECT_EQ(band->DataSetName(), "Customer orders");
    band->SetDataSet(nullptr);
    EXPECT_EQ(band->DataSetName(), "");

    band->SetDataSetName("Customer orders");
    EXPECT_EQ(band->DataSet(), ds);
    // Through the process-wide list an unknown name keeps the dataset bound (the lookup starts
    // from it); with none bound the name is kept for a dataset that comes later.
    band->SetDataSetName("Nothing of that name");
    EXPECT_EQ(band->DataSet(), ds);
    band->SetDataSet(nullptr);
    band->SetDataSetName("Nothing of that name");
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(band->DataSetName(), "Nothing of that name");

    band->SetDataSetName("customer ORDERS");
    EXPECT_EQ(band->DataSet(), ds);
    ds->SetUserName("Sales");
    delete ds;
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(band->DataSetName(), "customer ORDERS");
}

TEST(DataBands, DataSetOfTheProgramMayGoFirst) {
    // A dataset the program owns (as the shell's query dataset) is freed before the report.
    TBandsReport r;
    auto appData = std::make_unique<TrptUserDataSet>(nullptr);
    appData->SetUserName("Report");
    auto* band = new TrptMasterData(r.Page);
    auto* page = r.Page;
    band->SetDataSetName("Report");
    page->SetDataSetName("Report");
    ASSERT_EQ(band->DataSet(), appData.get());
    ASSERT_EQ(page->DataSet(), appData.get());
    appData.reset();
    EXPECT_EQ(band->DataSet(), nullptr);
    EXPECT_EQ(page->DataSet(), nullptr);
    EXPECT_EQ(band->DataSetName(), "Report");
}

TEST(DataBands, EngineBindsTheVirtualDataSetSafely) {
    auto band = std::make_unique<TrptMasterData>();
    band->SetRowCount(2);
    band->SetDataSet(band->VirtualDataSet());
    EXPECT_EQ(band->DataSet(), band->VirtualDataSet());
    band.reset(); // frees its dataset last, without touching it again (sanitizers watch)
}

TEST(DataBands, EngineLinksForgetFreedBands) {
    TBandsReport r;
    auto* header = new TrptHeader(r.Page);
    auto* master = new TrptMasterData(r.Page);
    auto* detail = new TrptDetailData(r.Page);
    auto* group = new TrptGroupHeader(r.Page);
    master->SetHeader(header);
    master->SetGroup(group);
    master->SubBands().push_back(detail);
    r.Page->SubBands().push_back(master);
    delete header;
    delete detail;
    delete group;
    EXPECT_EQ(master->Header(), nullptr);
    EXPECT_EQ(master->Group(), nullptr);
    EXPECT_TRUE(master->SubBands().empty());
    delete master;
    EXPECT_TRUE(r.Page->SubBands().empty());
}

// ---------------------------------------------------------------------------------------------

TEST(GroupHeaders, DiffCarriesTheDrillName) {
    TrptGroupHeader tmpl, copy;
    copy.SetDrillName("MasterData1.3.GroupHeader1.2");
    EXPECT_FALSE(copy.Diff(&tmpl).contains("DrillName"));
    copy.SetDrillDown(true);
    const QString d = copy.Diff(&tmpl);
    EXPECT_TRUE(d.startsWith(" t=\"0\"")) << d.toStdString();
    EXPECT_TRUE(d.endsWith(" DrillName=\"MasterData1.3.GroupHeader1.2\"")) << d.toStdString();
}

// ---------------------------------------------------------------------------------------------

TEST(DotMatrix, BandsSnapToTheCharacterGrid) {
    TBandsReport r;
    auto* dmp = new TTestDotMatrixPage(r.Report.get());
    auto* band = new TrptMasterData(dmp);
    struct {
        double In, Top, Height, Left;
    } cases[] = {
        {20, 17, 17, 19.2}, {30, 34, 34, 28.8}, {8.5, 17 * 0, 0, 9.6}, {25.5, 34, 34, 28.8}, {0, 0, 0, 0}};
    // 8.5 / 17 = 0.5 rounds to even (0); 25.5 / 17 = 1.5 rounds to 2; 8.5 / 9.6 rounds to 1.
    for (const auto& c : cases) {
        band->SetTop(c.In);
        band->SetHeight(c.In);
        band->SetLeft(c.In);
        EXPECT_DOUBLE_EQ(band->Top(), c.Top) << c.In;
        EXPECT_DOUBLE_EQ(band->Height(), c.Height) << c.In;
        EXPECT_NEAR(band->Left(), c.Left, 1e-9) << c.In;
    }
    // Width is free, and on a plain page nothing snaps.
    band->SetWidth(100.3);
    EXPECT_DOUBLE_EQ(band->Width(), 100.3);
    auto* plain = new TrptMasterData(r.Page);
    plain->SetBounds(3.3, 20, 100, 30);
    EXPECT_DOUBLE_EQ(plain->Top(), 20);
    EXPECT_DOUBLE_EQ(plain->Height(), 30);
    EXPECT_DOUBLE_EQ(plain->Left(), 3.3);
}

// ---------------------------------------------------------------------------------------------

TEST(Subreports, LooksAndPageLink) {
    TBandsReport r;
    auto* band = new TrptMasterData(r.Page);
    auto* sub = new TrptSubreport(band);
    EXPECT_FALSE(sub->rptComponentStyle().Contains(csPreviewVisible));
    EXPECT_EQ(sub->Frame()->Typ(), (TrptFrameTypes{ftLeft, ftRight, ftTop, ftBottom}));
    EXPECT_EQ(sub->Font()->Name(), "Tahoma");
    EXPECT_EQ(sub->Font()->Size(), 8);
    EXPECT_FALSE(sub->ParentFont());
    EXPECT_EQ(sub->Color(), 12632256);
    EXPECT_EQ(sub->GetDescription(), "Subreport object");
    // The inherited Page() of the component still finds the page the object lies on.
    EXPECT_EQ(static_cast<TrptComponent*>(sub)->Page(), r.Page);

    auto* page2 = new TrptReportPage(r.Report.get());
    auto* page3 = new TrptReportPage(r.Report.get());
    sub->SetPage(page2);
    EXPECT_EQ(page2->SubReport(), sub);
    EXPECT_TRUE(page2->IsSubReport());
    // Moving to another page frees the first one to print by itself.
    sub->SetPage(page3);
    EXPECT_FALSE(page2->IsSubReport());
    EXPECT_EQ(page3->SubReport(), sub);
    delete sub;
    EXPECT_FALSE(page3->IsSubReport());

    auto* sub2 = new TrptSubreport(band);
    sub2->SetPage(page2);
    delete page2;
    EXPECT_EQ(sub2->Page(), nullptr);
}

TEST(Subreports, DrawsFillFrameAndName) {
    TBandsReport r;
    auto* band = new TrptMasterData(r.Page);
    band->SetBounds(0, 0, 300, 60);
    auto* sub = new TrptSubreport(band);
    sub->SetName("SubReport1");
    sub->SetBounds(20, 10, 200, 40);
    QImage img(300, 80, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    sub->Draw(&c, 1, 1, 0, 0);
    // Grey fill inside, black frame on the edges, dark text near the top-left corner, nothing
    // outside.
    EXPECT_EQ(img.pixel(150, 40) & 0xFFFFFF, 0xC0C0C0u);
    EXPECT_EQ(img.pixel(20, 30) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(img.pixel(120, 50) & 0xFFFFFF, 0x000000u);
    EXPECT_EQ(img.pixel(10, 5) & 0xFFFFFF, 0xFFFFFFu);
    int dark = 0;
    for (int y = 12; y < 30; ++y)
        for (int x = 22; x < 100; ++x)
            if (qGray(img.pixel(x, y)) < 96) ++dark;
    EXPECT_GT(dark, 20) << "the name was not written";
    int darkRight = 0;
    for (int y = 12; y < 30; ++y)
        for (int x = 150; x < 215; ++x)
            if (qGray(img.pixel(x, y)) < 96) ++darkRight;
    EXPECT_EQ(darkRight, 0) << "a short name stays near the left";
}
