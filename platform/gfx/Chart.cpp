#include "platform/gfx/Chart.h"

#include "platform/gfx/Graphics.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

[[noreturn]] void IndexError(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

// Where a value lands between the low and the high pixel of an axis.
int MapValue(double v, double Min, double Max, int Low, int High) {
    const double t = (v - Min) / (Max - Min);
    return Low + static_cast<int>(std::lround(t * (High - Low)));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TChartValueList

double TChartValueList::Value(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FValues[static_cast<size_t>(Index)];
}

void TChartValueList::SetValue(int Index, double v) {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    FValues[static_cast<size_t>(Index)] = v;
}

double TChartValueList::MinValue() const {
    return FValues.empty() ? 0.0 : *std::min_element(FValues.begin(), FValues.end());
}

double TChartValueList::MaxValue() const {
    return FValues.empty() ? 0.0 : *std::max_element(FValues.begin(), FValues.end());
}

double TChartValueList::Total() const {
    double t = 0;
    for (double v : FValues)
        t += v;
    return t;
}

// ---------------------------------------------------------------------------------------------
// Title and legend

void TChartTitle::SetText(const QString& v) {
    if (FText == v) return;
    FText = v;
    if (FChanged) FChanged();
}

void TChartTitle::SetVisible(bool v) {
    if (FVisible == v) return;
    FVisible = v;
    if (FChanged) FChanged();
}

void TChartLegend::SetVisible(bool v) {
    if (FVisible == v) return;
    FVisible = v;
    if (FChanged) FChanged();
}

void TChartLegend::SetAlignment(TLegendAlignment v) {
    if (FAlignment == v) return;
    FAlignment = v;
    if (FChanged) FChanged();
}

// ---------------------------------------------------------------------------------------------
// TChartSeries

TChartSeries::TChartSeries() = default;

TChartSeries::~TChartSeries() {
    // A series freed on its own must not stay in its chart's list.
    if (FParentChart) {
        auto& list = FParentChart->FSeries;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
        FParentChart->Changed();
    }
}

int TChartSeries::Add(double AValue, const QString& ALabel, TColor AColor) {
    FXValues.FValues.push_back(static_cast<double>(Count()));
    FYValues.FValues.push_back(AValue);
    FLabels.push_back(ALabel);
    FColors.push_back(AColor);
    Changed();
    return Count() - 1;
}

void TChartSeries::Clear() {
    FXValues.FValues.clear();
    FYValues.FValues.clear();
    FLabels.clear();
    FColors.clear();
    Changed();
}

void TChartSeries::Delete(int Index) {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    const auto i = static_cast<std::ptrdiff_t>(Index);
    FXValues.FValues.erase(FXValues.FValues.begin() + i);
    FYValues.FValues.erase(FYValues.FValues.begin() + i);
    FLabels.erase(FLabels.begin() + i);
    FColors.erase(FColors.begin() + i);
    Changed();
}

QString TChartSeries::Label(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FLabels[static_cast<size_t>(Index)];
}

TColor TChartSeries::SeriesColor() const {
    if (FSeriesColor != clDefault) return FSeriesColor;
    return TCustomChart::DefaultColor(FParentChart ? FParentChart->SeriesIndex(this) : 0);
}

TColor TChartSeries::PointColor(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    const TColor c = FColors[static_cast<size_t>(Index)];
    if (c != clDefault) return c;
    return FColorEachPoint ? TCustomChart::DefaultColor(Index) : SeriesColor();
}

void TChartSeries::SetActive(bool v) {
    if (FActive == v) return;
    FActive = v;
    Changed();
}

void TChartSeries::SetTitle(const QString& v) {
    if (FTitle == v) return;
    FTitle = v;
    Changed();
}

QString TChartSeries::LegendTitle() const {
    if (!FTitle.isEmpty()) return FTitle;
    const int i = FParentChart ? FParentChart->SeriesIndex(this) : 0;
    return QStringLiteral("Series%1").arg(i + 1);
}

void TChartSeries::SetSeriesColor(TColor v) {
    if (FSeriesColor == v) return;
    FSeriesColor = v;
    Changed();
}

void TChartSeries::SetColorEachPoint(bool v) {
    if (FColorEachPoint == v) return;
    FColorEachPoint = v;
    Changed();
}

void TChartSeries::SetShowInLegend(bool v) {
    if (FShowInLegend == v) return;
    FShowInLegend = v;
    Changed();
}

void TChartSeries::SetParentChart(TCustomChart* v) {
    if (FParentChart == v) return;
    if (FParentChart) FParentChart->RemoveSeries(this).release(); // ownership passes to v or the caller
    if (v) v->AddSeries(std::unique_ptr<TChartSeries>(this));
}

void TChartSeries::Changed() {
    if (FParentChart) FParentChart->Changed();
}

// ---------------------------------------------------------------------------------------------
// Line, point and area series

void TCustomSeries::SetLineWidth(int v) {
    v = std::max(1, v);
    if (FLineWidth == v) return;
    FLineWidth = v;
    Changed();
}

void TCustomSeries::Draw(TCanvas& Canvas, const TRect& Plot, double Min, double Max, int Slots, int, int) {
    if (Count() == 0) return;
    const int slot = std::max(1, Plot.Width() / std::max(1, Slots));
    std::vector<TPoint> points;
    for (int i = 0; i < Count(); ++i)
        points.push_back(TPoint{Plot.Left + i * slot + slot / 2,
                                MapValue(FYValues.Value(i), Min, Max, Plot.Bottom - 1, Plot.Top)});
    const TCanvasState saved = Canvas.SaveState();
    if (FillsArea() && points.size() > 1) {
        const int zero = MapValue(std::clamp(0.0, Min, Max), Min, Max, Plot.Bottom - 1, Plot.Top);
        std::vector<TPoint> area = points;
        area.push_back(TPoint{points.back().X, zero});
        area.push_back(TPoint{points.front().X, zero});
        Canvas.Brush().SetStyle(bsSolid);
        Canvas.Brush().SetColor(SeriesColor());
        Canvas.Pen().SetColor(SeriesColor());
        Canvas.Polygon(area);
    }
    if (DrawsLine() && points.size() > 1) {
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetColor(SeriesColor());
        Canvas.Pen().SetWidth(FLineWidth);
        Canvas.Polyline(points);
    }
    if (DrawsPoints()) {
        Canvas.Pen().SetColor(clBlack);
        Canvas.Pen().SetWidth(1);
        Canvas.Brush().SetStyle(bsSolid);
        for (int i = 0; i < Count(); ++i) {
            const TPoint& p = points[static_cast<size_t>(i)];
            Canvas.Brush().SetColor(PointColor(i));
            Canvas.Rectangle(p.X - 3, p.Y - 3, p.X + 4, p.Y + 4);
        }
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Bar series

void TCustomBarSeries::SetBarWidthPercent(int v) {
    v = std::clamp(v, 1, 100);
    if (FBarWidthPercent == v) return;
    FBarWidthPercent = v;
    Changed();
}

void TCustomBarSeries::Draw(TCanvas& Canvas, const TRect& Plot, double Min, double Max, int Slots, int Place,
                            int Places) {
    const std::vector<double> from(static_cast<size_t>(Count()), 0.0);
    std::vector<double> to(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        to[static_cast<size_t>(i)] = FYValues.Value(i);
    DrawSpans(Canvas, Plot, Min, Max, Slots, Place, Places, from, to);
}

void TCustomBarSeries::DrawSpans(TCanvas& Canvas, const TRect& Plot, double Min, double Max, int Slots,
                                 int Place, int Places, const std::vector<double>& From,
                                 const std::vector<double>& To) {
    const int n = std::min({Count(), static_cast<int>(From.size()), static_cast<int>(To.size())});
    if (n == 0) return;
    const bool horiz = Horizontal();
    // Slots run along the category axis, values along the other one.
    const int along = horiz ? Plot.Height() : Plot.Width();
    const int slot = std::max(1, along / std::max(1, Slots));
    const int group = std::max(1, slot * FBarWidthPercent / 100);
    const int bar = std::max(1, group / std::max(1, Places));
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    for (int i = 0; i < n; ++i) {
        const int start = i * slot + (slot - group) / 2 + Place * bar;
        const double a = std::clamp(From[static_cast<size_t>(i)], Min, Max);
        const double b = std::clamp(To[static_cast<size_t>(i)], Min, Max);
        Canvas.Brush().SetColor(PointColor(i));
        if (horiz) {
            const int p0 = MapValue(a, Min, Max, Plot.Left, Plot.Right - 1);
            const int p1 = MapValue(b, Min, Max, Plot.Left, Plot.Right - 1);
            const int top = Plot.Top + start;
            Canvas.Rectangle(std::min(p0, p1), top, std::max(p0, p1) + 1, top + bar);
        } else {
            const int p0 = MapValue(a, Min, Max, Plot.Bottom - 1, Plot.Top);
            const int p1 = MapValue(b, Min, Max, Plot.Bottom - 1, Plot.Top);
            const int left = Plot.Left + start;
            Canvas.Rectangle(left, std::min(p0, p1), left + bar, std::max(p0, p1) + 1);
        }
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Pie series

void TPieSeries::Draw(TCanvas& Canvas, const TRect& Plot, double, double, int, int, int) {
    double total = 0;
    for (double v : FYValues.Values())
        total += std::abs(v);
    if (total <= 0) return;
    const int size = std::min(Plot.Width(), Plot.Height());
    const int cx = Plot.Left + Plot.Width() / 2, cy = Plot.Top + Plot.Height() / 2;
    const int r = size / 2;
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    double angle = 0;
    for (int i = 0; i < Count(); ++i) {
        const double share = std::abs(FYValues.Value(i)) / total;
        if (share <= 0) continue;
        Canvas.Brush().SetColor(PointColor(i));
        if (share >= 1.0) {
            Canvas.Ellipse(cx - r, cy - r, cx + r, cy + r);
            break;
        }
        const double next = angle + share * 2 * std::numbers::pi;
        auto at = [&](double a) {
            return TPoint{cx + static_cast<int>(std::lround(r * std::cos(a))),
                          cy - static_cast<int>(std::lround(r * std::sin(a)))};
        };
        const TPoint a = at(angle), b = at(next);
        Canvas.Pie(cx - r, cy - r, cx + r, cy + r, a.X, a.Y, b.X, b.Y);
        angle = next;
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// TCustomChart

TCustomChart::TCustomChart()
    : FTitle(std::make_unique<TChartTitle>([this] { Changed(); })),
      FLegend(std::make_unique<TChartLegend>([this] { Changed(); })) {}

TCustomChart::~TCustomChart() {
    OnChange = nullptr;
    FreeAllSeries();
}

TChartSeries* TCustomChart::Series(int Index) const {
    if (Index < 0 || Index >= SeriesCount()) IndexError(Index);
    return FSeries[static_cast<size_t>(Index)];
}

TChartSeries* TCustomChart::AddSeries(std::unique_ptr<TChartSeries> Series) {
    TChartSeries* s = Series.release();
    if (s->FParentChart && s->FParentChart != this) s->FParentChart->RemoveSeries(s).release();
    if (s->FParentChart != this) FSeries.push_back(s);
    s->FParentChart = this;
    Changed();
    return s;
}

std::unique_ptr<TChartSeries> TCustomChart::RemoveSeries(TChartSeries* Series) {
    const auto it = std::find(FSeries.begin(), FSeries.end(), Series);
    if (it == FSeries.end()) return nullptr;
    FSeries.erase(it);
    Series->FParentChart = nullptr;
    Changed();
    return std::unique_ptr<TChartSeries>(Series);
}

void TCustomChart::FreeAllSeries() {
    while (!FSeries.empty())
        RemoveSeries(FSeries.back()).reset();
}

int TCustomChart::SeriesIndex(const TChartSeries* Series) const {
    const auto it = std::find(FSeries.begin(), FSeries.end(), Series);
    return it == FSeries.end() ? -1 : static_cast<int>(it - FSeries.begin());
}

void TCustomChart::SetColor(TColor v) {
    if (FColor == v) return;
    FColor = v;
    Changed();
}

void TCustomChart::SetAxisColor(TColor v) {
    if (FAxisColor == v) return;
    FAxisColor = v;
    Changed();
}

void TCustomChart::SetMultiBar(TMultiBar v) {
    if (FMultiBar == v) return;
    FMultiBar = v;
    Changed();
}

void TCustomChart::Changed() {
    if (OnChange) OnChange(this);
}

TColor TCustomChart::DefaultColor(int Index) {
    static const TColor palette[] = {clRed,    clGreen, clYellow, clBlue,   clFuchsia, clTeal, clNavy,
                                     clMaroon, clLime,  clOlive,  clPurple, clSilver,  clAqua, clGray};
    constexpr int n = static_cast<int>(sizeof(palette) / sizeof(palette[0]));
    return palette[((Index % n) + n) % n];
}

std::vector<TChartLegendEntry> TCustomChart::LegendEntries() const {
    std::vector<TChartLegendEntry> r;
    for (TChartSeries* s : FSeries) {
        if (!s->Active() || !s->ShowInLegend()) continue;
        if (!s->UsesAxes() || s->ColorEachPoint()) {
            for (int i = 0; i < s->Count(); ++i)
                r.push_back({s->Label(i), s->PointColor(i)});
        } else {
            r.push_back({s->LegendTitle(), s->SeriesColor()});
        }
    }
    return r;
}

TRect TCustomChart::PlotRect(TCanvas& Canvas, const TRect& Bounds) {
    TRect r = Bounds;
    r.Left += 4;
    r.Top += 4;
    r.Right -= 4;
    r.Bottom -= 4;
    const int lineH = Canvas.TextHeight(QStringLiteral("Ag")) + 2;
    if (FTitle->Visible() && !FTitle->Text().isEmpty()) r.Top += lineH + 2;
    const auto entries = LegendEntries();
    if (FLegend->Visible() && !entries.empty()) {
        int widest = 0;
        for (const auto& e : entries)
            widest = std::max(widest, Canvas.TextWidth(e.Text));
        const int legendW = widest + 24;
        const int legendH = static_cast<int>(entries.size()) * lineH + 4;
        switch (FLegend->Alignment()) {
        case laLeft:
            r.Left += legendW + 4;
            break;
        case laRight:
            r.Right -= legendW + 4;
            break;
        case laTop:
            r.Top += legendH + 4;
            break;
        case laBottom:
            r.Bottom -= legendH + 4;
            break;
        }
    }
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    return r;
}

void TCustomChart::Draw(TCanvas& Canvas, const TRect& Bounds) {
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(FColor);
    Canvas.FillRect(Bounds);
    const int lineH = Canvas.TextHeight(QStringLiteral("Ag")) + 2;
    Canvas.Brush().SetStyle(bsClear);
    if (FTitle->Visible() && !FTitle->Text().isEmpty()) {
        const int w = Canvas.TextWidth(FTitle->Text());
        Canvas.TextOut(Bounds.Left + (Bounds.Width() - w) / 2, Bounds.Top + 4, FTitle->Text());
    }
    const TRect plot = PlotRect(Canvas, Bounds);

    const auto entries = LegendEntries();
    if (FLegend->Visible() && !entries.empty()) {
        int widest = 0;
        for (const auto& e : entries)
            widest = std::max(widest, Canvas.TextWidth(e.Text));
        int x = 0, y = 0;
        switch (FLegend->Alignment()) {
        case laLeft:
            x = Bounds.Left + 4, y = plot.Top;
            break;
        case laRight:
            x = plot.Right + 4, y = plot.Top;
            break;
        case laTop:
            x = plot.Left, y = plot.Top - static_cast<int>(entries.size()) * lineH - 8;
            break;
        case laBottom:
            x = plot.Left, y = plot.Bottom + 4;
            break;
        }
        for (const auto& e : entries) {
            Canvas.Brush().SetStyle(bsSolid);
            Canvas.Brush().SetColor(e.Color);
            Canvas.Pen().SetColor(clBlack);
            Canvas.Rectangle(x + 2, y + 2, x + 14, y + lineH - 2);
            Canvas.Brush().SetStyle(bsClear);
            Canvas.TextOut(x + 20, y, e.Text);
            y += lineH;
        }
    }

    // Axis series share one scale that always shows the zero line.
    double lo = 0, hi = 0;
    int slotCount = 1, bars = 0;
    bool axes = false;
    TChartSeries* pie = nullptr;
    std::vector<TCustomBarSeries*> barSeries;
    for (TChartSeries* s : FSeries) {
        if (!s->Active()) continue;
        if (!s->UsesAxes()) {
            if (!pie) pie = s;
            continue;
        }
        axes = true;
        slotCount = std::max(slotCount, s->Count());
        auto* b = dynamic_cast<TCustomBarSeries*>(s);
        if (b) {
            ++bars;
            barSeries.push_back(b);
        }
        // Stacked bars get their range from the stacks below.
        const bool stackedBar = b && (FMultiBar == mbStacked || FMultiBar == mbStacked100);
        if (s->Count() > 0 && !stackedBar) {
            lo = std::min(lo, s->YValues().MinValue());
            hi = std::max(hi, s->YValues().MaxValue());
        }
    }

    // Stacks: positive values pile up from zero, negative ones down from zero; in the 100% mode
    // each slot's values are shares of that slot's total size.
    const bool stacked = FMultiBar == mbStacked || FMultiBar == mbStacked100;
    std::vector<std::vector<double>> spanFrom, spanTo;
    if (stacked && !barSeries.empty()) {
        const auto slotN = static_cast<size_t>(slotCount);
        std::vector<double> up(slotN, 0.0), down(slotN, 0.0), total(slotN, 0.0);
        if (FMultiBar == mbStacked100)
            for (TCustomBarSeries* b : barSeries)
                for (int i = 0; i < b->Count(); ++i)
                    total[static_cast<size_t>(i)] += std::abs(b->YValues().Value(i));
        for (TCustomBarSeries* b : barSeries) {
            std::vector<double> from(static_cast<size_t>(b->Count())), to(from.size());
            for (int i = 0; i < b->Count(); ++i) {
                const auto k = static_cast<size_t>(i);
                double v = b->YValues().Value(i);
                if (FMultiBar == mbStacked100) v = total[k] > 0 ? v * 100.0 / total[k] : 0.0;
                double& base = v >= 0 ? up[k] : down[k];
                from[k] = base;
                base += v;
                to[k] = base;
                lo = std::min(lo, base);
                hi = std::max(hi, base);
            }
            spanFrom.push_back(std::move(from));
            spanTo.push_back(std::move(to));
        }
        if (FMultiBar == mbStacked100) {
            lo = std::max(lo, -100.0);
            hi = std::min(std::max(hi, 100.0), 100.0);
        }
    }
    if (hi <= lo) hi = lo + 1;
    if (pie && !axes) {
        pie->Draw(Canvas, plot, 0, 0, 1, 0, 1);
    } else if (axes) {
        const int places = FMultiBar == mbSide ? std::max(1, bars) : 1;
        int place = 0;
        for (TChartSeries* s : FSeries) {
            if (!s->Active() || !s->UsesAxes()) continue;
            auto* b = dynamic_cast<TCustomBarSeries*>(s);
            if (b && stacked) {
                b->DrawSpans(Canvas, plot, lo, hi, slotCount, 0, 1, spanFrom[static_cast<size_t>(place)],
                             spanTo[static_cast<size_t>(place)]);
            } else {
                s->Draw(Canvas, plot, lo, hi, slotCount, b && FMultiBar == mbSide ? place : 0, places);
            }
            if (b) ++place;
        }
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetWidth(1);
        Canvas.Pen().SetColor(FAxisColor);
        Canvas.MoveTo(plot.Left, plot.Top);
        Canvas.LineTo(plot.Left, plot.Bottom);
        Canvas.MoveTo(plot.Left, plot.Bottom);
        Canvas.LineTo(plot.Right, plot.Bottom);
    }
    Canvas.RestoreState(saved);
}
