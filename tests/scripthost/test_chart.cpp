// The chart model, drawn into bitmaps, and chart series filled from scripts.

#include "HostScript.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/Chart.h"

namespace {

// The chart drawn into a bitmap of the given size.
std::unique_ptr<TBitmap> Render(TCustomChart& Chart, int W = 200, int H = 120) {
    auto b = std::make_unique<TBitmap>(W, H);
    Chart.Draw(b->Canvas(), Rect(0, 0, W, H));
    return b;
}

// The colour at the middle of the value bar of point Index (of Count) in a one-series chart.
TColor BarMiddle(TCustomChart& Chart, TBitmap& B, int Index, int Count, double Value, double Max) {
    const TRect plot = Chart.PlotRect(B.Canvas(), Rect(0, 0, B.Width(), B.Height()));
    const int slot = plot.Width() / Count;
    const int x = plot.Left + Index * slot + slot / 2;
    const int y = plot.Bottom - 1 - static_cast<int>((Value / Max) * (plot.Height() - 1) / 2);
    return B.Canvas().Pixel(x, y);
}

} // namespace

TEST(ChartModel, BarSeriesDrawsEachValueInItsColour) {
    TChart chart;
    chart.Legend()->SetVisible(false);
    auto* s = chart.AddSeries<TBarSeries>();
    s->Add(10, "a", clRed);
    s->Add(40, "b", clGreen);
    s->Add(20, "c"); // the series' colour
    s->SetSeriesColor(clBlue);
    auto bmp = Render(chart);
    EXPECT_EQ(BarMiddle(chart, *bmp, 0, 3, 10, 40), clRed);
    EXPECT_EQ(BarMiddle(chart, *bmp, 1, 3, 40, 40), clGreen);
    EXPECT_EQ(BarMiddle(chart, *bmp, 2, 3, 20, 40), clBlue);
    // Above the shortest bar the background shows; the tallest bar reaches the plot's top.
    const TRect plot = chart.PlotRect(bmp->Canvas(), Rect(0, 0, 200, 120));
    const int slot = plot.Width() / 3;
    EXPECT_EQ(bmp->Canvas().Pixel(plot.Left + slot / 2, plot.Top + 5), clWhite);
    EXPECT_EQ(bmp->Canvas().Pixel(plot.Left + slot + slot / 2, plot.Top + 2), clGreen);

    // An inactive series is not drawn.
    s->SetActive(false);
    bmp = Render(chart);
    EXPECT_EQ(BarMiddle(chart, *bmp, 1, 3, 40, 40), clWhite);
}

TEST(ChartModel, MultiBarModesPlaceTheBarsOfSeveralSeries) {
    // One slot, two bar series: red 1 and blue 3. Each probe is a height as a share of the
    // plot (0 bottom, 1 top) in the middle of the slot, and the colour expected there.
    struct Probe {
        double Height;
        TColor Expected;
    };
    struct Case {
        TMultiBar Mode;
        std::vector<Probe> Probes;
    };
    const Case cases[] = {
        // The blue stack starts where red ends; the scale runs to the stack's top (4).
        {mbStacked, {{0.1, clRed}, {0.2, clRed}, {0.3, clBlue}, {0.95, clBlue}}},
        // Shares: red 25%, blue 75%, the scale ends at 100%.
        {mbStacked100, {{0.1, clRed}, {0.22, clRed}, {0.3, clBlue}, {0.97, clBlue}}},
        // Without a mode the later bar covers the earlier one in the same place.
        {mbNone, {{0.1, clBlue}, {0.9, clBlue}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.Mode));
        TChart chart;
        chart.Legend()->SetVisible(false);
        chart.SetMultiBar(c.Mode);
        chart.AddSeries<TBarSeries>()->Add(1, "a", clRed);
        chart.AddSeries<TBarSeries>()->Add(3, "a", clBlue);
        auto bmp = Render(chart);
        const TRect plot = chart.PlotRect(bmp->Canvas(), Rect(0, 0, 200, 120));
        const int x = plot.Left + plot.Width() / 2;
        for (const Probe& p : c.Probes) {
            const int y = plot.Bottom - 1 - static_cast<int>(p.Height * (plot.Height() - 1));
            EXPECT_EQ(bmp->Canvas().Pixel(x, y), p.Expected) << "at " << p.Height;
        }
    }

    // Side by side the two bars share the slot: red on the left, blue on the right.
    TChart chart;
    chart.Legend()->SetVisible(false);
    chart.SetMultiBar(mbSide);
    chart.AddSeries<TBarSeries>()->Add(3, "a", clRed);
    chart.AddSeries<TBarSeries>()->Add(3, "a", clBlue);
    auto bmp = Render(chart);
    const TRect plot = chart.PlotRect(bmp->Canvas(), Rect(0, 0, 200, 120));
    const int y = plot.Bottom - plot.Height() / 2;
    const int middle = plot.Left + plot.Width() / 2;
    EXPECT_EQ(bmp->Canvas().Pixel(middle - plot.Width() / 6, y), clRed);
    EXPECT_EQ(bmp->Canvas().Pixel(middle + plot.Width() / 6, y), clBlue);
}

TEST(ChartModel, StackedBarsKeepNegativeValuesBelowZero) {
    TChart chart;
    chart.Legend()->SetVisible(false);
    chart.SetMultiBar(mbStacked);
    chart.AddSeries<TBarSeries>()->Add(2, "a", clRed);
    chart.AddSeries<TBarSeries>()->Add(-2, "a", clBlue);
    chart.AddSeries<TBarSeries>()->Add(2, "a", clGreen);
    // Range -2..4: zero sits one third up the plot.
    auto bmp = Render(chart);
    const TRect plot = chart.PlotRect(bmp->Canvas(), Rect(0, 0, 200, 120));
    const int x = plot.Left + plot.Width() / 2;
    const auto at = [&](double share) {
        return bmp->Canvas().Pixel(x, plot.Bottom - 1 - static_cast<int>(share * (plot.Height() - 1)));
    };
    EXPECT_EQ(at(0.15), clBlue);  // -2..0
    EXPECT_EQ(at(0.5), clRed);    // 0..2
    EXPECT_EQ(at(0.85), clGreen); // 2..4, on top of red, not from zero
}

TEST(ChartModel, PieAndLegend) {
    TChart chart;
    auto* pie = chart.AddSeries<TPieSeries>();
    pie->SetColorEachPoint(true);
    pie->Add(1, "left half");
    pie->Add(1, "right half", clYellow);
    const auto entries = chart.LegendEntries();
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].Text, "left half");
    EXPECT_EQ(entries[0].Color, TCustomChart::DefaultColor(0));
    EXPECT_EQ(entries[1].Color, clYellow);
    chart.Legend()->SetVisible(false);
    auto bmp = Render(chart, 100, 100);
    const TRect plot = chart.PlotRect(bmp->Canvas(), Rect(0, 0, 100, 100));
    const int cx = plot.Left + plot.Width() / 2, cy = plot.Top + plot.Height() / 2;
    // The first slice runs counter-clockwise from three o'clock over the upper half.
    EXPECT_EQ(bmp->Canvas().Pixel(cx, cy - 15), TCustomChart::DefaultColor(0));
    EXPECT_EQ(bmp->Canvas().Pixel(cx, cy + 15), clYellow);
}

TEST(ChartModel, SeriesOwnershipAndErrors) {
    int changes = 0;
    auto chart = std::make_unique<TChart>();
    chart->OnChange = [&](TObject*) { ++changes; };
    auto* a = chart->AddSeries<TLineSeries>();
    auto* b = chart->AddSeries<TBarSeries>();
    EXPECT_EQ(b->LegendTitle(), "Series2");
    EXPECT_EQ(a->SeriesColor(), TCustomChart::DefaultColor(0));
    EXPECT_EQ(b->SeriesColor(), TCustomChart::DefaultColor(1));
    const int before = changes;
    b->Add(3);
    EXPECT_GT(changes, before);
    // A series freed on its own leaves the chart.
    std::unique_ptr<TChartSeries>(chart->RemoveSeries(a)).reset();
    EXPECT_EQ(chart->SeriesCount(), 1);
    EXPECT_THROW(b->Delete(1), EListError);
    EXPECT_THROW(chart->Series(1), EListError);
    auto loose = std::make_unique<TBarSeries>();
    loose->SetParentChart(chart.get());
    TBarSeries* owned = static_cast<TBarSeries*>(loose.release());
    EXPECT_EQ(chart->SeriesIndex(owned), 1);
    chart.reset(); // frees both series (the sanitizer reports a leak or a double free)
}

TEST(ScriptChart, BarSeriesWithThreeValuesFromScript) {
    TChart chart;
    chart.Legend()->SetVisible(false);
    const char* pascal = R"(var S: TBarSeries;
begin
  S := TBarSeries.Create(Chart1);
  S.Add(5, 'x', clFuchsia);
  S.Clear;
  S.Add(10, 'a', clRed); S.Add(40, 'b', clGreen); S.Add(20, 'c', clBlue);
  Log(S.Count);
  S.Title := 'Sales';
  Log(S.Title); Log(S.Active); Log(S.ParentChart.SeriesCount);
  S.Delete(0);
  S.Active := False;
  Log(S.Count); Log(S.Active);
end.)";
    THostScript r("PascalScript", pascal, {{"Chart1", &chart}});
    EXPECT_EQ(r.Run(), "3|Sales|True|1|2|False");
    ASSERT_EQ(chart.SeriesCount(), 1);
    EXPECT_EQ(chart.Series(0)->LegendTitle(), "Sales");

    // The same three values from JScript, drawn and checked pixel by pixel.
    TChart chart2;
    chart2.Legend()->SetVisible(false);
    THostScript js("JScript", R"(var S = TBarSeries.Create(nil);
S.ParentChart = Chart2;
S.Add(10, "a", clRed); S.Add(40, "b", clGreen); S.Add(20, "c", clBlue);
Log(S.Count());)",
                   {{"Chart2", &chart2}});
    EXPECT_EQ(js.Run(), "3");
    auto bmp = Render(chart2);
    EXPECT_EQ(BarMiddle(chart2, *bmp, 0, 3, 10, 40), clRed);
    EXPECT_EQ(BarMiddle(chart2, *bmp, 1, 3, 40, 40), clGreen);
    EXPECT_EQ(BarMiddle(chart2, *bmp, 2, 3, 20, 40), clBlue);
}

TEST(ScriptChart, LegendTitleAndRefusedOwner) {
    TChart chart;
    THostScript r("PascalScript", R"(var S: TPieSeries; B: TBarSeries;
begin
  B := TBarSeries.Create(Chart1);
  B.Title := 'Revenue';
  S := TPieSeries.Create(nil);
  S.Free;
  Chart1.Legend.Alignment := laBottom;
  Chart1.Title.Text := 'Year';
  Log(Chart1.SeriesCount); Log(Chart1.Legend.Alignment); Log(lsLastValues); Log(mbStacked100);
  B := TBarSeries.Create(Application);
end.)",
                  {{"Chart1", &chart}});
    EXPECT_EQ(r.Run(),
              "run: EInvalidOperation: A chart series belongs to a chart: create it with its chart or "
              "with nil");
    EXPECT_EQ(r.Log.join('|'), "1|3|3|3");
    const auto entries = chart.LegendEntries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Text, "Revenue");
    EXPECT_EQ(chart.Title()->Text(), "Year");
}
