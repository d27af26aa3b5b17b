// The chart object in whole reports: series drawn only inside the plot, scripts that reach the
// chart, a template file with stored chart bytes saved twice, and a chart fed from SQLite on a
// prepared page, drawn to PNG and exported to PDF (reportchart_sqlite_page.png and
// reportchart_sqlite_pdf-1.png are left in the working folder to look at).

#include "platform/data/SQLConnection.h"
#include "platform/gfx/Canvas.h"
#include "platform/rtl/Streams.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassChart.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptPageDump.h"
#include "report/core/rptPrintLoop.h"
#include "report/core/rptRunControl.h"
#include "report/export/rptPDFExport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

bool IsPureRed(QRgb p) {
    return qRed(p) > 200 && qGreen(p) < 80 && qBlue(p) < 80;
}
bool IsPureBlue(QRgb p) {
    return qBlue(p) > 200 && qRed(p) < 80 && qGreen(p) < 80;
}

// Pixels matching Pred inside Rect (Inside) or outside it.
int Count(const QImage& Img, const QRect& Rect, bool Inside, const std::function<bool(QRgb)>& Pred) {
    int n = 0;
    for (int y = 0; y < Img.height(); ++y)
        for (int x = 0; x < Img.width(); ++x)
            if (Rect.contains(x, y) == Inside && Pred(Img.pixel(x, y))) ++n;
    return n;
}

QImage DrawPreparedPage(TrptReport& Report, int Index) {
    TrptCustomPreviewPages* pages = Report.PreviewPages();
    const TPoint size = pages->GetPageSize(Index);
    QImage img(size.X, size.Y, QImage::Format_RGB32);
    img.fill(Qt::white);
    TCanvas c(&img);
    pages->DrawPage(Index, &c, 1, 1, 0, 0);
    return img;
}

// The first chart object on prepared page Index.
TrptChartView* PreparedChart(TrptReport& Report, int Index) {
    TrptReportPage* page = Report.PreviewPages()->GetPage(Index);
    if (!page) return nullptr;
    for (TrptComponent* c : page->AllObjects())
        if (auto* chart = dynamic_cast<TrptChartView*>(c)) return chart;
    return nullptr;
}

int RunTool(const QString& Program, const QStringList& Arguments, QString* Output) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(Program, Arguments);
    if (!p.waitForStarted(10000)) {
        *Output = Program + QStringLiteral(" did not start");
        return -1;
    }
    p.waitForFinished(120000);
    *Output = QString::fromLocal8Bit(p.readAll());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

// A report with one page and a title band holding the chart (and a text object below it).
struct TChartPage {
    std::unique_ptr<TComponent> Host = std::make_unique<TComponent>(nullptr);
    std::unique_ptr<TrptReport> Report = std::make_unique<TrptReport>();
    TrptReportPage* Page = nullptr;
    TrptReportTitle* Title = nullptr;
    TrptChartView* Chart = nullptr;
    TrptMemoView* Memo = nullptr;

    explicit TChartPage(double Margin = 0) {
        RegisterReportClasses();
        RegisterChartClasses();
        Report->EngineOptions()->SetNewSilentMode(simSilent);
        Report->CheckDataPage();
        Page = new TrptReportPage(Report.get());
        Page->SetName(QStringLiteral("Page1"));
        Page->SetLeftMargin(Margin);
        Page->SetTopMargin(Margin);
        Page->SetRightMargin(Margin);
        Page->SetBottomMargin(Margin);
        Title = new TrptReportTitle(Page);
        Title->SetName(QStringLiteral("ReportTitle1"));
        Title->SetBounds(0, 0, 600, 360);
        Chart = new TrptChartView(Title);
        Chart->SetName(QStringLiteral("Chart1"));
        Chart->SetBounds(40, 20, 400, 300);
        Memo = new TrptMemoView(Title);
        Memo->SetName(QStringLiteral("Memo1"));
        Memo->SetBounds(40, 330, 300, 20);
    }
};

// ---------------------------------------------------------------------------------------------

// Bubbles at the ends of the X range with radii bigger than the gaps: drawn through the object
// (a picture stretched into its rectangle), none of their colour reaches the axis labels or the
// legend, while the legend still shows the series' own colour beside the plot.
TEST(ChartClip, BigBubblesStayInsideThePlot) {
    TChartPage r;
    r.Chart->AddSeries(csBubble);
    TrptSeriesItem* item = r.Chart->SeriesData()->Series(0);
    item->SetDataType(dtFixedData);
    item->SetSource(1, QStringLiteral("a;b;c"));
    item->SetSource(2, QStringLiteral("1;5;10"));
    item->SetSource(3, QStringLiteral("2;5;8"));
    item->SetSource(4, QStringLiteral("4;3;4"));
    item->SetSource(5, QStringLiteral("clBlue;clBlue;clBlue"));
    r.Chart->GetData();
    r.Chart->LoadAllSeries(); // the plot's place depends on the values

    QImage probe(400, 300, QImage::Format_RGB32);
    TCanvas measure(&probe);
    const TRect p = r.Chart->Chart()->PlotRect(measure, TRect(0, 0, 400, 300));
    ASSERT_GT(p.Width(), 100);
    // At the object's size and stretched to twice it, as a zoomed preview shows it.
    for (const int scale : {1, 2}) {
        SCOPED_TRACE(scale);
        const int ox = 30, oy = 20;
        QImage img(480 * scale, 360 * scale, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            TCanvas canvas(&img);
            r.Chart->Draw(&canvas, scale, scale, ox - 40 * scale, oy - 20 * scale);
        }
        img.save(QStringLiteral("reportchart_bubbles_%1.png").arg(scale));
        const QRect plot(ox + p.Left * scale, oy + p.Top * scale, p.Width() * scale, p.Height() * scale);
        // A pixel of slack per scale step for the stretch's rounding.
        const QRect slack = plot.adjusted(-scale, -scale, scale, scale);

        EXPECT_GT(Count(img, plot, true, IsPureBlue), 2000 * scale * scale);
        EXPECT_EQ(Count(img, slack, false, IsPureBlue), 0) << "bubble colour outside the plot " << plot.x() << ","
                                                           << plot.y() << " " << plot.width() << "x" << plot.height();
        // The legend (the series colour, red) and the value labels (black) are outside the plot.
        EXPECT_GT(Count(img, slack, false, IsPureRed), 50 * scale * scale);
        EXPECT_GT(Count(img, QRect(ox, oy, plot.x() - ox, 300 * scale), true, [](QRgb c) { return qGray(c) < 100; }),
                  20 * scale);
    }
}

// ---------------------------------------------------------------------------------------------

struct TScriptCase {
    const char* Language;
    const char* Script;
};

// The script adds a line series with fixed values, gives the first series new values and the
// colour blue, and prints the series count.
const TScriptCase ScriptCases[] = {
    {"PascalScript", R"(begin
  Chart1.AddSeries(csLine);
  Chart1.SeriesData.Items[1].DataType := dtFixedData;
  Chart1.SeriesData.Items[1].Source1 := 'a;b;c';
  Chart1.SeriesData.Items[1].Source2 := '2;6;4';
  Chart1.SeriesData.Items[0].Source2 := '4;8;9';
  Chart1.Series[0].SeriesColor := clBlue;
  Memo1.Text := 'Series ' + IntToStr(Chart1.SeriesCount) + ' of ' + IntToStr(Chart1.Chart.SeriesCount);
end.)"},
    {"JScript", R"(Chart1.AddSeries(csLine);
Chart1.SeriesData.Items[1].DataType = dtFixedData;
Chart1.SeriesData.Items[1].Source1 = "a;b;c";
Chart1.SeriesData.Items[1].Source2 = "2;6;4";
Chart1.SeriesData.Items[0].Source2 = "4;8;9";
Chart1.Series[0].SeriesColor = clBlue;
Memo1.Text = "Series " + IntToStr(Chart1.SeriesCount) + " of " + IntToStr(Chart1.Chart.SeriesCount);)"},
    {"BasicScript", R"(Chart1.AddSeries(csLine)
Chart1.SeriesData.Items[1].DataType = dtFixedData
Chart1.SeriesData.Items[1].Source1 = "a;b;c"
Chart1.SeriesData.Items[1].Source2 = "2;6;4"
Chart1.SeriesData.Items[0].Source2 = "4;8;9"
Chart1.Series[0].SeriesColor = clBlue
Memo1.Text = "Series " + IntToStr(Chart1.SeriesCount) + " of " + IntToStr(Chart1.Chart.SeriesCount)
)"},
};

TEST(ChartScript, ScriptsFillAndChangeTheChart) {
    for (const TScriptCase& c : ScriptCases) {
        SCOPED_TRACE(c.Language);
        TChartPage r;
        r.Chart->AddSeries(csBar);
        TrptSeriesItem* item = r.Chart->SeriesData()->Series(0);
        item->SetDataType(dtFixedData);
        item->SetSource(1, QStringLiteral("a;b;c"));
        item->SetSource(2, QStringLiteral("1;1;1"));
        r.Report->SetScriptLanguage(QString::fromLatin1(c.Language));
        r.Report->ScriptText()->SetText(QString::fromUtf8(c.Script));
        ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << r.Report->Errors()->Text().toStdString();
        ASSERT_EQ(r.Report->Errors()->Text(), QString());

        EXPECT_TRUE(DumpPreparedPages(r.Report->PreviewPages()).contains(QStringLiteral("Series 2 of 2")))
            << DumpPreparedPages(r.Report->PreviewPages()).toStdString();
        TrptChartView* chart = PreparedChart(*r.Report, 0);
        ASSERT_NE(chart, nullptr);
        ASSERT_EQ(chart->SeriesData()->Count(), 2);
        ASSERT_EQ(chart->Chart()->SeriesCount(), 2);
        EXPECT_EQ(chart->SeriesKind(1), int(csLine));
        chart->LoadAllSeries();
        const std::vector<double>& bars = chart->Chart()->Series(0)->YValues().Values();
        EXPECT_EQ(bars, (std::vector<double>{4, 8, 9}));
        EXPECT_EQ(chart->Chart()->Series(1)->YValues().Values(), (std::vector<double>{2, 6, 4}));
        EXPECT_EQ(chart->Chart()->Series(0)->SeriesColor(), clBlue);

        // The page shows blue bars inside the chart's rectangle.
        const QImage img = DrawPreparedPage(*r.Report, 0);
        const QRect box(static_cast<int>(chart->AbsLeft()), static_cast<int>(chart->AbsTop()), 400, 300);
        EXPECT_GT(Count(img, box, true, IsPureBlue), 2000);
        EXPECT_EQ(Count(img, box, false, IsPureBlue), 0);
    }
}

// ---------------------------------------------------------------------------------------------

// Bytes of a chart component as a designer stores them: a TChart named Chart with a few
// settings of its own and two series (a bar series and a line series), in the class library's
// binary component format.
class TStreamBytes {
public:
    TStreamBytes& Short(const char* s) {
        const QByteArray b(s);
        D += static_cast<char>(b.size());
        D += b;
        return *this;
    }
    TStreamBytes& Prop(const char* Name) { return Short(Name); }
    TStreamBytes& Int8(int v) {
        D += '\x02';
        D += static_cast<char>(v);
        return *this;
    }
    TStreamBytes& Int16(int v) {
        D += '\x03';
        D += static_cast<char>(v & 0xFF);
        D += static_cast<char>((v >> 8) & 0xFF);
        return *this;
    }
    TStreamBytes& Int32(qint32 v) {
        D += '\x04';
        for (int i = 0; i < 4; ++i)
            D += static_cast<char>((v >> (8 * i)) & 0xFF);
        return *this;
    }
    TStreamBytes& Str(const char* s) {
        D += '\x06';
        return Short(s);
    }
    TStreamBytes& Ident(const char* s) {
        D += '\x07';
        return Short(s);
    }
    TStreamBytes& Bool(bool v) {
        D += v ? '\x09' : '\x08';
        return *this;
    }
    TStreamBytes& Byte(char b) {
        D += b;
        return *this;
    }
    QByteArray D = QByteArray("TPF0");
};

QByteArray DesignedChartBytes() {
    TStreamBytes b;
    b.Short("TChart").Short("Chart");
    b.Prop("Left").Int8(0).Prop("Top").Int8(0).Prop("Width").Int16(400).Prop("Height").Int16(250);
    b.Prop("BackWall.Brush.Color").Ident("clWhite");
    b.Prop("BackWall.Brush.Style").Ident("bsClear");
    b.Prop("Title.Text.Strings").Byte('\x01').Str("Sales by region").Byte('\x00');
    b.Prop("Legend.Alignment").Ident("laBottom");
    b.Prop("View3D").Bool(false);
    b.Prop("View3DOptions.Elevation").Int16(315);
    b.Prop("BevelOuter").Ident("bvNone");
    b.Prop("Color").Ident("clWhite");
    b.Prop("TabOrder").Int8(0);
    b.Byte('\x00'); // end of the chart's properties
    b.Short("TBarSeries").Short("Series1");
    b.Prop("Marks.ArrowLength").Int8(20).Prop("Marks.Visible").Bool(false);
    b.Prop("SeriesColor").Ident("clRed");
    b.Prop("Title").Str("Amount");
    b.Prop("XValues.DateTime").Bool(false).Prop("XValues.Name").Str("X");
    b.Prop("XValues.Multiplier").Byte('\x05'); // an extended 1.0
    b.D += QByteArray("\x00\x00\x00\x00\x00\x00\x00\x80\xFF\x3F", 10);
    b.Prop("XValues.Order").Ident("loAscending");
    b.Prop("YValues.Name").Str("Bar").Prop("YValues.Order").Ident("loNone");
    b.Byte('\x00').Byte('\x00');
    b.Short("TLineSeries").Short("Series2");
    b.Prop("SeriesColor").Int32(0x008000);
    b.Prop("Title").Str("Trend");
    b.Prop("Pointer.InflateMargins").Bool(true).Prop("Pointer.Style").Ident("psRectangle");
    b.Prop("Pointer.Visible").Bool(false);
    b.Byte('\x00').Byte('\x00');
    b.Byte('\x00'); // end of the chart's children
    return b.D;
}

TEST(ChartTemplate, FileWithStoredChartBytesSavesTheSameTwice) {
    const QByteArray stored = DesignedChartBytes();
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString first = dir.filePath(QStringLiteral("chart1.rpt")), second = dir.filePath(QStringLiteral("chart2.rpt"));
    {
        TChartPage r;
        auto* band = new TrptMasterData(r.Page);
        band->SetName(QStringLiteral("MasterData1"));
        band->SetBounds(0, 400, 600, 20);
        r.Chart->SetChartStream(stored);
        ASSERT_EQ(r.Chart->Chart()->SeriesCount(), 2);
        TrptSeriesItem* bars = r.Chart->SeriesData()->Add();
        bars->SetDataType(dtDBData);
        bars->SetDataSetName(QStringLiteral("Sales"));
        bars->SetSource(1, QStringLiteral("Sales.\"region\""));
        bars->SetSource(2, QStringLiteral("Sales.\"amount\""));
        bars->SetSortOrder(soDescending);
        bars->SetTopN(3);
        bars->SetTopNCaption(QStringLiteral("Others; \"rest\" <&>"));
        TrptSeriesItem* line = r.Chart->SeriesData()->Add();
        line->SetDataType(dtBandData);
        line->SetDataBand(band);
        line->SetXType(xtNumber);
        line->SetSource(1, QStringLiteral("[Line]"));
        line->SetSource(2, QStringLiteral("[Line] * 2"));
        line->SetSource(3, QStringLiteral("[Line]"));
        r.Chart->SetIgnoreNulls(true);
        r.Report->SaveToFile(first);
    }
    TChartPage loaded;
    ASSERT_TRUE(loaded.Report->LoadFromFile(first, true));
    auto* chart = dynamic_cast<TrptChartView*>(loaded.Report->FindObject(QStringLiteral("Chart1")));
    ASSERT_NE(chart, nullptr);
    loaded.Report->SaveToFile(second);

    QFile a(first), b(second);
    ASSERT_TRUE(a.open(QIODevice::ReadOnly));
    ASSERT_TRUE(b.open(QIODevice::ReadOnly));
    const QByteArray firstBytes = a.readAll();
    EXPECT_EQ(firstBytes, b.readAll());
    EXPECT_TRUE(firstBytes.contains("Chart1")) << firstBytes.constData();

    EXPECT_EQ(chart->ChartStream(), stored);
    EXPECT_EQ(chart->ChartStreamToWrite(), stored);
    EXPECT_TRUE(chart->IgnoreNulls());
    ASSERT_EQ(chart->Chart()->SeriesCount(), 2);
    EXPECT_EQ(chart->SeriesKind(0), int(csBar));
    EXPECT_EQ(chart->SeriesKind(1), int(csLine));
    EXPECT_EQ(chart->Chart()->Series(0)->Title(), QStringLiteral("Amount"));
    EXPECT_EQ(chart->Chart()->Series(0)->SeriesColor(), clRed);
    EXPECT_EQ(chart->Chart()->Series(1)->SeriesColor(), TColor(0x008000));
    EXPECT_EQ(chart->Chart()->Title()->Text(), QStringLiteral("Sales by region"));

    ASSERT_EQ(chart->SeriesData()->Count(), 2);
    TrptSeriesItem* bars = chart->SeriesData()->Series(0);
    EXPECT_EQ(bars->DataType(), dtDBData);
    EXPECT_EQ(bars->DataSetName(), QStringLiteral("Sales"));
    EXPECT_EQ(bars->Source(1), QStringLiteral("Sales.\"region\""));
    EXPECT_EQ(bars->Source(2), QStringLiteral("Sales.\"amount\""));
    EXPECT_EQ(bars->SortOrder(), soDescending);
    EXPECT_EQ(bars->TopN(), 3);
    EXPECT_EQ(bars->TopNCaption(), QStringLiteral("Others; \"rest\" <&>"));
    TrptSeriesItem* line = chart->SeriesData()->Series(1);
    EXPECT_EQ(line->DataType(), dtBandData);
    ASSERT_NE(line->DataBand(), nullptr);
    EXPECT_EQ(line->DataBand()->Name(), QStringLiteral("MasterData1"));
    EXPECT_EQ(line->XType(), xtNumber);
    EXPECT_EQ(line->Source(2), QStringLiteral("[Line] * 2"));

    // A change made after loading (by a script, say) reaches the bytes written; the rest of
    // them stays as stored.
    chart->Chart()->Series(0)->SetSeriesColor(clBlue);
    chart->Chart()->Title()->SetText(QStringLiteral("First quarter"));
    const QByteArray changed = chart->ChartStreamToWrite();
    EXPECT_GT(changed.size(), stored.size());
    EXPECT_TRUE(changed.startsWith(stored.left(stored.indexOf("TabOrder"))));
    TrptChartView again;
    again.SetChartStream(changed);
    ASSERT_EQ(again.Chart()->SeriesCount(), 2);
    EXPECT_EQ(again.Chart()->Series(0)->SeriesColor(), clBlue);
    EXPECT_EQ(again.Chart()->Series(0)->Title(), QStringLiteral("Amount"));
    EXPECT_EQ(again.Chart()->Series(1)->SeriesColor(), TColor(0x008000));
    EXPECT_EQ(again.Chart()->Title()->Text(), QStringLiteral("First quarter"));
    EXPECT_EQ(again.ChartStreamToWrite(), changed);
}

// ---------------------------------------------------------------------------------------------

// Sales per region from SQLite as a bar chart on a page with 10 mm margins.
TEST(ChartReport, SqliteChartOnThePreparedPageAndInThePdf) {
    TChartPage r(10);
    TSQLConnection conn;
    conn.Params().Add(QStringLiteral("Database=:memory:"));
    conn.SetParamValue(QStringLiteral("FailIfMissing"), QStringLiteral("False"));
    conn.ExecuteDirect(QStringLiteral("CREATE TABLE sales(id INTEGER PRIMARY KEY, region TEXT, amount REAL);"
                                      "INSERT INTO sales VALUES(1, 'North', 120);"
                                      "INSERT INTO sales VALUES(2, 'South', 75.5);"
                                      "INSERT INTO sales VALUES(3, 'East', 240);"
                                      "INSERT INTO sales VALUES(4, 'West', 30);"
                                      "INSERT INTO sales VALUES(5, 'Centre', NULL);"));
    TSQLQuery query(&conn);
    query.SetSQL(QStringLiteral("SELECT region, amount FROM sales ORDER BY id"));
    auto* ds = new TrptDBDataset(r.Host.get());
    ds->SetName(QStringLiteral("SalesDS"));
    ds->SetUserName(QStringLiteral("Sales"));
    ds->SetDataSet(&query);
    r.Report->DataSets()->Add(ds);

    r.Chart->AddSeries(csBar);
    r.Chart->Chart()->Title()->SetText(QStringLiteral("Sales by region"));
    r.Chart->Chart()->Series(0)->SetTitle(QStringLiteral("Amount"));
    TrptSeriesItem* item = r.Chart->SeriesData()->Series(0);
    item->SetDataType(dtDBData);
    item->SetDataSet(ds);
    item->SetSource(1, QStringLiteral("Sales.\"region\""));
    item->SetSource(2, QStringLiteral("Sales.\"amount\""));
    r.Memo->SetText(QStringLiteral("Five regions"));
    ASSERT_TRUE(PrepareReport(r.Report.get(), true)) << r.Report->Errors()->Text().toStdString();

    TrptChartView* chart = PreparedChart(*r.Report, 0);
    ASSERT_NE(chart, nullptr);
    chart->LoadAllSeries();
    EXPECT_EQ(chart->Chart()->Series(0)->YValues().Values(), (std::vector<double>{120, 75.5, 240, 30, 0}));
    EXPECT_EQ(chart->Chart()->Series(0)->Label(2), QStringLiteral("East"));

    // The object sits 40 and 20 pixels into the band, the band at the page's margins: 10 mm
    // is 37.8 pixels (a pixel of slack for rounding).
    EXPECT_EQ(chart->AbsLeft(), 40);
    EXPECT_EQ(chart->AbsTop(), 20);
    const int margin = static_cast<int>(std::lround(10 * 96 / 25.4));
    const QImage page = DrawPreparedPage(*r.Report, 0);
    ASSERT_TRUE(page.save(QStringLiteral("reportchart_sqlite_page.png")));
    const QRect box(margin + 40 - 1, margin + 20 - 1, 402, 302);
    EXPECT_GT(Count(page, box, true, IsPureRed), 3000);
    EXPECT_EQ(Count(page, box, false, IsPureRed), 0);
    // The title's text, the axis labels and the text object below the chart are there.
    EXPECT_GT(Count(page, box.adjusted(0, 0, -100, -280), true, [](QRgb c) { return qGray(c) < 100; }), 30);
    EXPECT_GT(Count(page, QRect(box.left(), box.bottom() + 10, 300, 20), true, [](QRgb c) { return qGray(c) < 100; }),
              30);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("chart.pdf"));
    TrptPDFExport f(nullptr);
    f.SetShowDialog(false);
    f.SetShowProgress(false);
    f.SetFileName(pdf);
    ASSERT_TRUE(ExportPreparedPages(r.Report.get(), r.Report->PreviewPages(), &f));
    ASSERT_TRUE(QFile::exists(pdf));
    QFile::remove(QStringLiteral("reportchart_sqlite.pdf"));
    QFile::copy(pdf, QStringLiteral("reportchart_sqlite.pdf"));

    QString out;
    if (QStandardPaths::findExecutable(QStringLiteral("qpdf")).isEmpty()) {
        GTEST_SKIP() << "qpdf is not installed (tools/deps.sh installs it): the PDF was not checked";
    }
    EXPECT_EQ(RunTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), pdf}, &out), 0) << out.toStdString();
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        GTEST_SKIP() << "pdftoppm is not installed: the PDF's picture was not checked";
    }
    const QString prefix = QDir::current().absoluteFilePath(QStringLiteral("reportchart_sqlite_pdf"));
    ASSERT_EQ(RunTool(QStringLiteral("pdftoppm"), {QStringLiteral("-png"), QStringLiteral("-r"), QStringLiteral("96"),
                                                   QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                   QStringLiteral("1"), pdf, prefix},
                      &out),
              0)
        << out.toStdString();
    QImage shown(prefix + QStringLiteral("-1.png"));
    ASSERT_FALSE(shown.isNull());
    // The same place in the PDF (a pixel of slack for rounding), the same colour inside only.
    EXPECT_GT(Count(shown, box, true, IsPureRed), 3000);
    EXPECT_EQ(Count(shown, box, false, IsPureRed), 0);
}

} // namespace
