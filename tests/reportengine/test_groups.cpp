// Data bands, master-detail and groups over the SQLite shop: two and three levels with and
// without PrintIfDetailEmpty, RowCount without a dataset, two-level groups whose footers see
// the last record of their group, conditions compared as variants (Null = Null, Null <> ''),
// band columns closed by a group change, bands at the same place, drill-down, and bad templates.

#include "DumpRows.h"
#include "SqlFixture.h"

#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"

#include <gtest/gtest.h>

namespace {

QString Field(const QString& Ds, const QString& F) {
    return QStringLiteral("[%1.\"%2\"]").arg(Ds, F);
}

struct TShop {
    TSqlReport R{ShopSql()};
    TShop() {
        TrptDataSet* customers =
            R.AddDataSet(QStringLiteral("Customers"), QStringLiteral("SELECT * FROM customers ORDER BY id"));
        TrptDataSet* orders = R.AddDetail(QStringLiteral("Orders"),
                                          QStringLiteral("SELECT * FROM orders WHERE cust_id = :key ORDER BY id"),
                                          customers, QStringLiteral("id"));
        R.AddDetail(QStringLiteral("Lines"), QStringLiteral("SELECT * FROM lines WHERE order_id = :key ORDER BY id"),
                    orders, QStringLiteral("id"));
        R.AddDataSet(QStringLiteral("Sales"),
                     QStringLiteral("SELECT c.region, c.name, o.amount FROM orders o JOIN customers c ON c.id = o.cust_id "
                                    "ORDER BY c.id, o.id"));
    }
    QStringList Run(const QString& Bands, const QString& PageAttrs = QString()) {
        R.Load(ReportXml(PageXml(Bands, PageAttrs)));
        if (!R.Prepare()) return {QStringLiteral("error: ") + R.Report->Errors()->Text().trimmed()};
        return BandTrail(R.Dump());
    }
};

QString Customers(const QString& Attrs, double Top = 20) {
    return BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), Top, 20,
                   QStringLiteral("DataSetName=\"Customers\" ") + Attrs,
                   MemoXml(QStringLiteral("MName"), 0, 0, 100, Field(QStringLiteral("Customers"), QStringLiteral("name"))));
}
QString Orders(const QString& Attrs) {
    return BandXml(QStringLiteral("TrptDetailData"), QStringLiteral("D"), 50, 20,
                   QStringLiteral("DataSetName=\"Orders\" ") + Attrs,
                   MemoXml(QStringLiteral("DId"), 20, 0, 100, Field(QStringLiteral("Orders"), QStringLiteral("id"))));
}
QString Lines() {
    return BandXml(QStringLiteral("TrptSubdetailData"), QStringLiteral("S"), 80, 20, QStringLiteral("DataSetName=\"Lines\""),
                   MemoXml(QStringLiteral("SQty"), 40, 0, 100, Field(QStringLiteral("Lines"), QStringLiteral("qty"))));
}

struct TMasterDetailCase {
    const char* Name;
    bool ThreeLevels;
    bool MasterIfEmpty;
    bool DetailIfEmpty;
    const char* Trail;
};

const TMasterDetailCase MasterDetailCases[] = {
    {"two_levels", false, false, false, "Ann 10 11 Bob 20 Dan 40 41 42 Fay 60"},
    {"two_levels_all_masters", false, true, false, "Ann 10 11 Bob 20 Cid Dan 40 41 42 Eve Fay 60"},
    // Orders without lines are left out, and with them the customers left without orders.
    {"three_levels", true, false, false, "Ann 10 1 2 11 3 Dan 40 4 42 5"},
    {"three_levels_all_orders", true, false, true, "Ann 10 1 2 11 3 Bob 20 Dan 40 4 41 42 5 Fay 60"},
    {"three_levels_all", true, true, true, "Ann 10 1 2 11 3 Bob 20 Cid Dan 40 4 41 42 5 Eve Fay 60"},
};

class MasterDetail : public testing::TestWithParam<TMasterDetailCase> {};

TEST_P(MasterDetail, RowsOfEveryLevel) {
    const TMasterDetailCase& c = GetParam();
    TShop shop;
    const QString yes = QStringLiteral("PrintIfDetailEmpty=\"True\"");
    const QStringList trail = shop.Run(Customers(c.MasterIfEmpty ? yes : QString()) +
                                       Orders(c.DetailIfEmpty ? yes : QString()) +
                                       (c.ThreeLevels ? Lines() : QString()));
    QStringList texts;
    for (const QString& t : trail)
        texts << (t.contains(QLatin1Char('[')) ? t.section(QLatin1Char('['), 1).chopped(1) : t);
    EXPECT_EQ(texts.join(QLatin1Char(' ')), QString::fromLatin1(c.Trail)) << qPrintable(trail.join(QLatin1Char(' ')));
}

INSTANTIATE_TEST_SUITE_P(Table, MasterDetail, testing::ValuesIn(MasterDetailCases),
                         [](const testing::TestParamInfo<TMasterDetailCase>& info) { return std::string(info.param.Name); });

TEST(DataBands, RowCountWithoutADatasetOutputsThatManyRows) {
    TShop shop;
    const QStringList trail = shop.Run(BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), 20, 20,
                                               QStringLiteral("RowCount=\"5\""),
                                               MemoXml(QStringLiteral("L"), 0, 0, 100, QStringLiteral("[Line]"))));
    EXPECT_EQ(trail, (QStringList{"M[1]", "M[2]", "M[3]", "M[4]", "M[5]"}));
}

TEST(DataBands, TwoBandsAtTheSameTopUseOnlyTheFirst) {
    TShop shop;
    const QStringList trail =
        shop.Run(Customers(QString(), 40) +
                 BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M2"), 40.001, 20, QStringLiteral("RowCount=\"2\""),
                         MemoXml(QStringLiteral("L"), 0, 0, 100, QStringLiteral("other"))));
    EXPECT_EQ(trail.size(), 6);
    EXPECT_FALSE(trail.join(QLatin1Char(' ')).contains(QLatin1String("other")));
}

// Sales: Ann North 5 7, Bob North 11, Dan NULL 13 17 19, Fay '' 23.
QString SalesGroups(const QString& InnerFooterAttrs) {
    const QString s = QStringLiteral("Sales");
    return BandXml(QStringLiteral("TrptGroupHeader"), QStringLiteral("GH1"), 20, 20, QStringLiteral("Condition=\"Sales.&#34;region&#34;\""),
                   MemoXml(QStringLiteral("R"), 0, 0, 100, QStringLiteral("R:") + Field(s, QStringLiteral("region")))) +
           BandXml(QStringLiteral("TrptGroupHeader"), QStringLiteral("GH2"), 50, 20, QStringLiteral("Condition=\"Sales.&#34;name&#34;\""),
                   MemoXml(QStringLiteral("N"), 0, 0, 100, QStringLiteral("N:") + Field(s, QStringLiteral("name")))) +
           BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), 80, 20, QStringLiteral("DataSetName=\"Sales\""),
                   MemoXml(QStringLiteral("A"), 0, 0, 100, Field(s, QStringLiteral("amount")))) +
           BandXml(QStringLiteral("TrptGroupFooter"), QStringLiteral("GF2"), 110, 20, InnerFooterAttrs,
                   MemoXml(QStringLiteral("NS"), 0, 0, 200,
                           QStringLiteral("end ") + Field(s, QStringLiteral("name")) + QStringLiteral(" [SUM(Sales.\"amount\")]"))) +
           BandXml(QStringLiteral("TrptGroupFooter"), QStringLiteral("GF1"), 140, 20, QString(),
                   MemoXml(QStringLiteral("RS"), 0, 0, 200,
                           QStringLiteral("end ") + Field(s, QStringLiteral("region")) + QStringLiteral(" [SUM(Sales.\"amount\")]")));
}

TEST(Groups, TwoLevelsWithFootersSeeingTheLastRecord) {
    TShop shop;
    // Null fields read as '' (ConvertNulls, the default): Dan's NULL region and Fay's '' are one group.
    const QStringList trail = shop.Run(SalesGroups(QString()));
    EXPECT_EQ(trail.join(QLatin1Char(' ')),
              QStringLiteral("GH1[R:North] GH2[N:Ann] M[5] M[7] GF2[end Ann 12] GH2[N:Bob] M[11] GF2[end Bob 11] GF1[end North 23] "
                             "GH1[R:] GH2[N:Dan] M[13] M[17] M[19] GF2[end Dan 49] GH2[N:Fay] M[23] GF2[end Fay 23] GF1[end  72]"));
    // One-row groups lose their footer, but their totals still restart.
    const QStringList hidden = shop.Run(SalesGroups(QStringLiteral("HideIfSingleDataRecord=\"True\"")));
    EXPECT_EQ(hidden.join(QLatin1Char(' ')),
              QStringLiteral("GH1[R:North] GH2[N:Ann] M[5] M[7] GF2[end Ann 12] GH2[N:Bob] M[11] GF1[end North 23] "
                             "GH1[R:] GH2[N:Dan] M[13] M[17] M[19] GF2[end Dan 49] GH2[N:Fay] M[23] GF1[end  72]"));
}

TEST(Groups, ConditionsComparedAsVariantsNullEqualsNullButNotEmptyText) {
    TShop shop;
    // Regions: North, North, South, NULL, NULL, ''.
    const QStringList trail = shop.Run(
        BandXml(QStringLiteral("TrptGroupHeader"), QStringLiteral("GH"), 20, 20,
                QStringLiteral("Condition=\"Customers.&#34;region&#34;\""), MemoXml(QStringLiteral("G"), 0, 0, 100, QStringLiteral("G"))) +
        Customers(QString(), 50));
    // Nulls read as '': NULL and '' are one group.
    EXPECT_EQ(trail.join(QLatin1Char(' ')), QStringLiteral("GH[G] M[Ann] M[Bob] GH[G] M[Cid] GH[G] M[Dan] M[Eve] M[Fay]"));
    // Nulls kept: Null = Null (Dan, Eve) but Null <> '' (Fay).
    shop.R.Report->EngineOptions()->SetConvertNulls(false);
    ASSERT_TRUE(shop.R.Prepare()) << qPrintable(shop.R.Report->Errors()->Text());
    EXPECT_EQ(BandTrail(shop.R.Dump()).join(QLatin1Char(' ')),
              QStringLiteral("GH[G] M[Ann] M[Bob] GH[G] M[Cid] GH[G] M[Dan] M[Eve] GH[G] M[Fay]"));
}

TEST(Groups, GroupChangeClosesARowOfThreeColumns) {
    TShop shop;
    shop.R.Load(ReportXml(PageXml(
        BandXml(QStringLiteral("TrptGroupHeader"), QStringLiteral("GH"), 20, 20, QStringLiteral("Condition=\"Customers.&#34;region&#34;\""),
                MemoXml(QStringLiteral("G"), 0, 0, 100, QStringLiteral("G"))) +
        BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), 50, 20,
                QStringLiteral("DataSetName=\"Customers\" Columns=\"3\" ColumnWidth=\"120\""),
                MemoXml(QStringLiteral("MName"), 0, 0, 100, Field(QStringLiteral("Customers"), QStringLiteral("name"))), 0, 120))));
    ASSERT_TRUE(shop.R.Prepare()) << qPrintable(shop.R.Report->Errors()->Text());
    const QList<TDumpBand> bands = DumpBands(shop.R.Dump());
    QStringList got;
    for (const TDumpBand& b : bands)
        got << QStringLiteral("%1@%2,%3").arg(b.Band.Name).arg(b.Band.Left).arg(b.Band.Top);
    // North: Ann and Bob side by side; South starts below them, Cid back in column 1; NULL and ''
    // (one group, nulls read as ''): Dan, Eve, Fay.
    EXPECT_EQ(got.join(QLatin1Char(' ')),
              QStringLiteral("GH@0,0 M@0,20 M@120,20 GH@0,40 M@0,60 GH@0,80 M@0,100 M@120,100 M@240,100"));
}

// A master of 60 px with its orders of 60 px on a 377.95 px page: Ann's and Bob's blocks take
// 300 px, so Dan's row still fits on page 1 but his three orders do not. Kept together, Dan moves
// to page 2 with his orders.
TEST(DataBands, KeepTogetherMovesTheMasterWithItsDetails) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "kept together" : "not kept");
        TShop shop;
        shop.R.Load(ReportXml(PageXml(
            BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), 20, 60,
                    QStringLiteral("DataSetName=\"Customers\" KeepTogether=\"%1\"").arg(keep ? "True" : "False"),
                    MemoXml(QStringLiteral("MName"), 0, 0, 100, Field(QStringLiteral("Customers"), QStringLiteral("name")))) +
            BandXml(QStringLiteral("TrptDetailData"), QStringLiteral("D"), 100, 60, QStringLiteral("DataSetName=\"Orders\""),
                    MemoXml(QStringLiteral("DId"), 20, 0, 100, Field(QStringLiteral("Orders"), QStringLiteral("id")))))));
        ASSERT_TRUE(shop.R.Prepare()) << qPrintable(shop.R.Report->Errors()->Text());
        QStringList placed;
        for (const TDumpBand& b : DumpBands(shop.R.Dump()))
            placed << QStringLiteral("%1@%2").arg(b.TextOf(b.Band.Name == QLatin1String("M") ? QStringLiteral("MName") : QStringLiteral("DId"))).arg(b.Page);
        const QString dan = keep ? QStringLiteral("Dan@1") : QStringLiteral("Dan@0");
        EXPECT_EQ(placed, (QStringList{"Ann@0", "10@0", "11@0", "Bob@0", "20@0", dan, "40@1", "41@1", "42@1", "Fay@1", "60@1"}))
            << qPrintable(shop.R.Dump());
    }
}

// 17 filler rows of 20 px leave 37.95 px on the page: room for the second list's header but not
// for its first row. With KeepHeader the header goes to the next page with that row, once.
TEST(DataBands, KeepHeaderTakesTheHeaderAlongWithTheFirstRow) {
    for (const bool keep : {false, true}) {
        SCOPED_TRACE(keep ? "KeepHeader" : "without");
        TShop shop;
        shop.R.Load(ReportXml(PageXml(
            BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M1"), 20, 20, QStringLiteral("RowCount=\"17\""),
                    MemoXml(QStringLiteral("F"), 0, 0, 100, QStringLiteral("f"))) +
            BandXml(QStringLiteral("TrptHeader"), QStringLiteral("H"), 60, 20, QString(),
                    MemoXml(QStringLiteral("HT"), 0, 0, 100, QStringLiteral("head"))) +
            BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M2"), 100, 20,
                    QStringLiteral("RowCount=\"3\" KeepHeader=\"%1\"").arg(keep ? "True" : "False"),
                    MemoXml(QStringLiteral("RT"), 0, 0, 100, QStringLiteral("row [Line]"))))));
        ASSERT_TRUE(shop.R.Prepare()) << qPrintable(shop.R.Report->Errors()->Text());
        QStringList placed;
        for (const TDumpBand& b : DumpBands(shop.R.Dump()))
            if (b.Band.Name != QLatin1String("M1")) placed << QStringLiteral("%1@%2:%3").arg(b.Band.Name).arg(b.Page).arg(b.Band.Top);
        const QStringList expected = keep ? QStringList{"H@1:0", "M2@1:20", "M2@1:40", "M2@1:60"}
                                          : QStringList{"H@0:340", "M2@1:0", "M2@1:20", "M2@1:40"};
        EXPECT_EQ(placed, expected) << qPrintable(shop.R.Dump());
    }
}

// The logical page number ("Page") starts again at 1 on a template page that resets it; the
// physical one ("Page#") goes on.
TEST(DataBands, ResetPageNumbersRestartsTheLogicalCountOnThatPage) {
    TShop shop;
    const QString bands = BandXml(QStringLiteral("TrptMasterData"), QStringLiteral("M"), 20, 100, QStringLiteral("RowCount=\"5\""),
                                  MemoXml(QStringLiteral("R"), 0, 0, 200, QStringLiteral("row"))) +
                          BandXml(QStringLiteral("TrptPageFooter"), QStringLiteral("PF"), 300, 20, QString(),
                                  MemoXml(QStringLiteral("N"), 0, 0, 200, QStringLiteral("[Page] [Page#]")));
    QString second = PageXml(QString(bands).replace(QLatin1String("Name=\"M\""), QLatin1String("Name=\"M2\""))
                                 .replace(QLatin1String("Name=\"R\""), QLatin1String("Name=\"R2\""))
                                 .replace(QLatin1String("Name=\"PF\""), QLatin1String("Name=\"PF2\""))
                                 .replace(QLatin1String("Name=\"N\""), QLatin1String("Name=\"N2\"")),
                             QStringLiteral("ResetPageNumbers=\"True\""));
    second.replace(QLatin1String("Name=\"Page1\""), QLatin1String("Name=\"Page2\""));
    shop.R.Load(ReportXml(PageXml(bands) + second));
    ASSERT_TRUE(shop.R.Prepare()) << qPrintable(shop.R.Report->Errors()->Text());
    QStringList numbers;
    for (const TDumpBand& b : DumpBands(shop.R.Dump(), QStringLiteral("TrptPageFooter")))
        numbers << QStringLiteral("%1:%2").arg(b.Page).arg(b.TextOf(b.Band.Name == QLatin1String("PF") ? QStringLiteral("N") : QStringLiteral("N2")));
    // Three rows of 100 px fit above the footer: each template page gives two pages.
    EXPECT_EQ(numbers, (QStringList{"0:1 1", "1:2 2", "2:1 3", "3:2 4"})) << qPrintable(shop.R.Dump());
}

TEST(Groups, CollapsedDrillDownGroupsPrintOnlyTheirHeader) {
    TShop shop;
    const QString bands =
        BandXml(QStringLiteral("TrptGroupHeader"), QStringLiteral("GH"), 20, 20,
                QStringLiteral("Condition=\"Customers.&#34;region&#34;\" DrillDown=\"True\""),
                MemoXml(QStringLiteral("G"), 0, 0, 100, QStringLiteral("G ") + Field(QStringLiteral("Customers"), QStringLiteral("region")))) +
        Customers(QString(), 50);
    EXPECT_EQ(shop.Run(bands).join(QLatin1Char(' ')), QStringLiteral("GH[G North] GH[G South] GH[G ]"));
    // The second group instance, opened.
    shop.R.Report->DrillState()->Add(QStringLiteral("GH.2"));
    EXPECT_EQ(shop.Run(bands).join(QLatin1Char(' ')), QStringLiteral("GH[G North] GH[G South] M[Cid] GH[G ]"));
}

// Pictures to look at: a grouped report and a three-level master-detail list, drawn from the
// prepared pages (reportengine_grouped.png, reportengine_masterdetail.png).
TEST(GroupsDraw, GroupedAndMasterDetailPages) {
    TShop shop;
    shop.Run(SalesGroups(QString()));
    const QString grouped = shop.R.DrawPage(0, QStringLiteral("reportengine_grouped.png"));
    // Every one of the 19 lines (20 px each) has text.
    for (int line = 0; line < 17; ++line)
        EXPECT_GT(DarkPixelsIn(grouped, 0, line * 20 + 2, 200, line * 20 + 18), 5) << line;
    shop.Run(Customers(QString()) + Orders(QString()) + Lines());
    const QString md = shop.R.DrawPage(0, QStringLiteral("reportengine_masterdetail.png"));
    // Ann at 0, order 10 indented by 20 at 20, its line by 40 at 40; nothing left of each level.
    EXPECT_GT(DarkPixelsIn(md, 0, 2, 20, 18), 5);
    EXPECT_EQ(DarkPixelsIn(md, 0, 22, 20, 38), 0);
    EXPECT_GT(DarkPixelsIn(md, 20, 22, 60, 38), 5);
    EXPECT_EQ(DarkPixelsIn(md, 0, 42, 40, 58), 0);
    EXPECT_GT(DarkPixelsIn(md, 40, 42, 80, 58), 5);
}

// Templates the engine refuses, each with a message naming the band, and no endless run.
struct TBadCase {
    const char* Name;
    const char* Bands;
    const char* Message;
};

const TBadCase BadCases[] = {
    {"detail_without_master",
     "    <TrptDetailData Name=\"D\" DataSetName=\"Orders\" Height=\"20\" Left=\"0\" Top=\"20\" Width=\"377.95\"/>\n",
     "D"},
    {"group_header_without_data_band",
     "    <TrptGroupHeader Name=\"GH\" Condition=\"1\" Height=\"20\" Left=\"0\" Top=\"20\" Width=\"377.95\"/>\n",
     "No data band for the group GH"},
    {"detail_on_its_masters_dataset",
     "    <TrptMasterData Name=\"M\" DataSetName=\"Customers\" Height=\"20\" Left=\"0\" Top=\"20\" Width=\"377.95\"/>\n"
     "    <TrptDetailData Name=\"D\" DataSetName=\"Customers\" Height=\"20\" Left=\"0\" Top=\"50\" Width=\"377.95\"/>\n",
     "D: the detail band uses the dataset of its master M"},
    {"condition_that_raises",
     "    <TrptGroupHeader Name=\"GH\" Condition=\"Customers.&#34;nope&#34;\" Height=\"20\" Left=\"0\" Top=\"20\" Width=\"377.95\"/>\n"
     "    <TrptMasterData Name=\"M\" DataSetName=\"Customers\" Height=\"20\" Left=\"0\" Top=\"50\" Width=\"377.95\"/>\n",
     "nope"},
};

class BadTemplates : public testing::TestWithParam<TBadCase> {};

TEST_P(BadTemplates, ClearErrorNoHang) {
    const TBadCase& c = GetParam();
    TShop shop;
    shop.R.Load(ReportXml(PageXml(QString::fromLatin1(c.Bands))));
    EXPECT_FALSE(shop.R.Prepare());
    EXPECT_TRUE(shop.R.Report->Errors()->Text().contains(QString::fromLatin1(c.Message)))
        << qPrintable(shop.R.Report->Errors()->Text());
    EXPECT_FALSE(shop.R.Report->Engine()->Running());
}

INSTANTIATE_TEST_SUITE_P(Table, BadTemplates, testing::ValuesIn(BadCases),
                         [](const testing::TestParamInfo<TBadCase>& info) { return std::string(info.param.Name); });

} // namespace
