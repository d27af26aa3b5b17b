// The chart object: both null rules, top N, refused kinds, the stored chart bytes kept, odd value
// counts, and one picture per series kind (reportchart_<kind>.png to look at).

#include "platform/gfx/Canvas.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassChart.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"

#include <QImage>
#include <gtest/gtest.h>

namespace {

// Rows whose field V holds the values given.
class TRowsDataSet : public TrptUserDataSet {
public:
    explicit TRowsDataSet(TComponent* AOwner) : TrptUserDataSet(AOwner) {
        Fields()->SetCommaText(QStringLiteral("V"));
        SetRangeEnd(reCount);
    }
    void SetRows(std::vector<Variant> v) {
        Rows = std::move(v);
        SetRangeEndCount(static_cast<int>(Rows.size()));
    }
    Variant GetValue(const QString&) override {
        const int i = RecNo();
        return i >= 0 && i < static_cast<int>(Rows.size()) ? Rows[static_cast<size_t>(i)] : Variant::Null();
    }
    std::vector<Variant> Rows;
};

struct TChartReport {
    std::unique_ptr<TComponent> Host = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report;
    TrptMasterData* Band = nullptr;
    TRowsDataSet* Data = nullptr;
    TrptChartView* Chart = nullptr;

    TChartReport() {
        RegisterReportClasses();
        Report = std::make_unique<TrptReport>();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        // Null field values reach the chart as Null, not converted to 0 by the report.
        Report->EngineOptions()->SetConvertNulls(false);
        Report->CheckDataPage();
        auto* page = new TrptReportPage(Report.get());
        page->SetName("Page1");
        Data = new TRowsDataSet(Host.get());
        Data->SetName("RowData");
        Data->SetUserName("Rows");
        Report->DataSets()->Add(Data);
        Band = new TrptMasterData(page);
        Band->SetName("Data1");
        Band->SetBounds(0, 0, 700, 30);
        Band->SetDataSet(Data);
        Chart = new TrptChartView(Band);
        Chart->SetName("Chart1");
        Chart->SetBounds(0, 0, 400, 300);
    }
    TrptSeriesItem* Item(TrptSeriesDataType Type) {
        Chart->AddSeries(csBar);
        TrptSeriesItem* item = Chart->SeriesData()->Series(Chart->SeriesData()->Count() - 1);
        item->SetDataType(Type);
        item->SetDataSet(Data);
        item->SetDataBand(Band);
        item->SetSource(1, QStringLiteral("'L'"));
        item->SetSource(2, QStringLiteral("Rows.\"V\""));
        return item;
    }
    // The chart's first series after loading: Y of each point, NaN for a null point.
    std::vector<double> Points() {
        Chart->LoadAllSeries();
        TChartSeries* s = Chart->Chart()->Series(0);
        std::vector<double> r;
        for (int i = 0; i < s->Count(); ++i)
            r.push_back(s->IsNull(i) ? std::nan("") : s->YValues().Value(i));
        return r;
    }
};

TEST(ChartData, NullRulesOfDatasetAndBandItems) {
    struct Case {
        TrptSeriesDataType Type;
        bool IgnoreNulls;
        QString Values2;
        bool NullPoint;
        bool NullLast = false; // the rows 4, 6, Null instead of 4, Null, 6
    };
    const Case cases[] = {
        {dtDBData, false, ";4;0;6", false},  // a dataset item turns a Null into 0
        {dtDBData, true, ";4;;6", true},     // ... and with IgnoreNulls keeps it null
        {dtBandData, true, ";4;0;6", false}, // a band item with IgnoreNulls turns it into 0
        {dtBandData, false, ";4;;6", true},  // ... and without gives a null point
        {dtDBData, true, ";4;6;", true, true}, // a null last row stays a point
        {dtBandData, false, ";4;6;", true, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(QStringLiteral("type %1 ignore %2").arg(int(c.Type)).arg(c.IgnoreNulls).toStdString());
        TChartReport r;
        if (c.NullLast)
            r.Data->SetRows({Variant(4), Variant(6), Variant::Null()});
        else
            r.Data->SetRows({Variant(4), Variant::Null(), Variant(6)});
        r.Chart->SetIgnoreNulls(c.IgnoreNulls);
        TrptSeriesItem* item = r.Item(c.Type);
        r.Chart->BeforeStartReport();
        if (c.Type == dtDBData) {
            r.Chart->GetData();
        } else {
            r.Data->First();
            while (!r.Data->Eof()) {
                r.Chart->OnNotify(r.Band);
                r.Data->Next();
            }
        }
        EXPECT_EQ(item->Values(2), c.Values2);
        const std::vector<double> p = r.Points();
        ASSERT_EQ(p.size(), 3u);
        EXPECT_EQ(p[0], 4);
        const int mid = c.NullLast ? 2 : 1;
        EXPECT_EQ(p[c.NullLast ? 1 : 2], 6);
        EXPECT_EQ(std::isnan(p[mid]), c.NullPoint);
        if (!c.NullPoint) {
            EXPECT_EQ(p[mid], 0);
        }
    }
}

TEST(ChartData, TopNSumsTheRest) {
    TChartReport r;
    TrptSeriesItem* item = r.Item(dtFixedData);
    item->SetSource(1, QStringLiteral("a;b;c;d;e"));
    item->SetSource(2, QStringLiteral("5;3;9;1;7"));
    item->SetTopN(3);
    item->SetTopNCaption(QStringLiteral("Others"));
    r.Chart->GetData();
    EXPECT_EQ(r.Points(), (std::vector<double>{9, 7, 9}));
    TChartSeries* s = r.Chart->Chart()->Series(0);
    EXPECT_EQ(s->Label(0), QStringLiteral("c"));
    EXPECT_EQ(s->Label(2), QStringLiteral("Others"));
    EXPECT_EQ(item->SortOrder(), soDescending);
}

TEST(ChartData, KindsAfterShapeAreRefusedWithAMessage) {
    TChartReport r;
    try {
        r.Chart->AddSeries(csPolar);
        FAIL() << "csPolar was added";
    } catch (const ErptChartError& e) {
        EXPECT_TRUE(e.Message().contains(QStringLiteral("csPolar"))) << e.Message().toStdString();
    }
    EXPECT_EQ(r.Chart->Chart()->SeriesCount(), 0);
    EXPECT_EQ(r.Chart->SeriesData()->Count(), 0);
    r.Chart->AddSeries(csPie);
    EXPECT_FALSE(r.Chart->Chart()->AxisVisible());
    r.Chart->AddSeries(csLine);
    EXPECT_TRUE(r.Chart->Chart()->AxisVisible());
}

TEST(ChartData, StoredChartBytesComeBackUnchanged) {
    TChartReport r;
    const QByteArray stored = QByteArray("TPF0\x06TChart\x05" "Chart\x00\x00", 19) + QByteArray(40, '\x7f');
    r.Chart->SetChartStream(stored);
    EXPECT_EQ(r.Chart->ChartStreamToWrite(), stored);
}

TEST(ChartData, OddValueCountsDraw) {
    struct Case {
        const char* Name;
        int Count;
        double Sign;
    };
    for (const Case c : {Case{"none", 0, 1}, Case{"one", 1, 1}, Case{"negative", 20, -1}, Case{"many", 100000, 1}}) {
        SCOPED_TRACE(c.Name);
        TChartReport r;
        TrptSeriesItem* item = r.Item(dtFixedData);
        QStringList labels, ys;
        for (int i = 0; i < c.Count; ++i) {
            labels << QString::number(i);
            ys << QString::number(c.Sign * (i % 17 + 1));
        }
        item->SetSource(1, labels.join(';'));
        item->SetSource(2, ys.join(';'));
        r.Chart->GetData();
        QImage img(420, 320, QImage::Format_RGB32);
        img.fill(Qt::white);
        TCanvas canvas(&img);
        r.Chart->Draw(&canvas, 1, 1, 0, 0);
        EXPECT_EQ(r.Chart->Chart()->Series(0)->Count(), c.Count);
    }
}

TEST(ChartDraw, EveryKindToPng) {
    for (int kind = csLine; kind <= csChartShape; ++kind) {
        const QString name = TrptChartView::SeriesClassName(static_cast<TrptChartSeries>(kind));
        SCOPED_TRACE(name.toStdString());
        TChartReport r;
        r.Chart->AddSeries(static_cast<TrptChartSeries>(kind));
        TrptSeriesItem* item = r.Chart->SeriesData()->Series(0);
        item->SetDataType(dtFixedData);
        item->SetSource(1, QStringLiteral("a;b;c;d"));
        item->SetSource(2, QStringLiteral("1;4;2;5"));
        item->SetSource(3, QStringLiteral("2;6;4;8"));
        item->SetSource(4, QStringLiteral("3;1;4;2"));
        item->SetSource(5, QStringLiteral("5;3;6;4"));
        r.Chart->GetData();
        QImage img(420, 320, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TCanvas canvas(&img);
            r.Chart->Draw(&canvas, 1, 1, 10, 10);
        }
        EXPECT_EQ(r.Chart->Chart()->Series(0)->Count(), 4);
        int coloured = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                if (qGray(img.pixel(x, y)) < 200) ++coloured;
        EXPECT_GT(coloured, 200);
        EXPECT_TRUE(img.save(QStringLiteral("reportchart_%1.png").arg(name)));
    }
}

} // namespace
