#include "platform/gfx/Chart.h"

#include "platform/gfx/Graphics.h"
#include "platform/rtl/SysUtils.h"

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

void Widen(double& Lo, double& Hi, bool& Any, double v) {
    if (!std::isfinite(v)) return;
    if (!Any) {
        Lo = Hi = v;
        Any = true;
        return;
    }
    Lo = std::min(Lo, v);
    Hi = std::max(Hi, v);
}

// Round steps (1, 2 or 5 times a power of ten) that cut Lo..Hi into at most about Parts pieces.
std::vector<double> NiceTicks(double Lo, double Hi, int Parts) {
    std::vector<double> r;
    if (!(Hi > Lo) || !std::isfinite(Lo) || !std::isfinite(Hi) || Parts < 1) return r;
    const double raw = (Hi - Lo) / Parts;
    const double mag = std::pow(10.0, std::floor(std::log10(raw)));
    double step = mag;
    for (double m : {1.0, 2.0, 5.0, 10.0})
        if (m * mag >= raw) {
            step = m * mag;
            break;
        }
    for (double v = std::ceil(Lo / step) * step; v <= Hi + step * 1e-9 && r.size() < 64; v += step)
        r.push_back(std::abs(v) < step * 1e-9 ? 0.0 : v);
    return r;
}

QString TickText(double v, bool DateTime) {
    if (DateTime) return DateToStr(v);
    return QString::number(v, 'g', 10);
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
// TChartAxes

int TChartAxes::YToPixel(double v) const {
    return MapValue(std::clamp(v, Min, Max), Min, Max, Plot.Bottom - 1, Plot.Top);
}

int TChartAxes::XValueToPixel(double x) const {
    return MapValue(std::clamp(x, XMin, XMax), XMin, XMax, Plot.Left, Plot.Right - 1);
}

int TChartAxes::SlotWidth() const {
    return std::max(1, Plot.Width() / std::max(1, Slots));
}

int TChartAxes::XToPixel(const TChartSeries& S, int Index) const {
    if (XNumeric) return XValueToPixel(const_cast<TChartSeries&>(S).XValues().Value(Index));
    const int w = Plot.Width();
    if (Slots <= w) {
        const int slot = SlotWidth();
        return Plot.Left + Index * slot + slot / 2;
    }
    // More points than pixels: spread them over the plot instead of running past it.
    return Plot.Left + static_cast<int>((Index + 0.5) * w / Slots);
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

int TChartSeries::AppendPoint(double AX, double AY, const QString& ALabel, TColor AColor, bool ANull) {
    FXValues.FValues.push_back(AX);
    FYValues.FValues.push_back(AY);
    FLabels.push_back(ALabel);
    FColors.push_back(AColor);
    FNulls.push_back(ANull);
    return Count() - 1;
}

int TChartSeries::Add(double AValue, const QString& ALabel, TColor AColor) {
    const int i = AppendPoint(static_cast<double>(Count()), AValue, ALabel, AColor, false);
    for (TChartValueList* l : FOwnLists)
        l->FValues.push_back(0);
    Changed();
    return i;
}

int TChartSeries::AddXY(double AX, double AY, const QString& ALabel, TColor AColor) {
    const int i = AppendPoint(AX, AY, ALabel, AColor, false);
    for (TChartValueList* l : FOwnLists)
        l->FValues.push_back(0);
    FHasXValues = true;
    Changed();
    return i;
}

int TChartSeries::AddNull(const QString& ALabel) {
    const int i = AppendPoint(static_cast<double>(Count()), 0, ALabel, clDefault, true);
    for (TChartValueList* l : FOwnLists)
        l->FValues.push_back(0);
    Changed();
    return i;
}

void TChartSeries::Clear() {
    FXValues.FValues.clear();
    FYValues.FValues.clear();
    FLabels.clear();
    FColors.clear();
    FNulls.clear();
    for (TChartValueList* l : FOwnLists)
        l->FValues.clear();
    FHasXValues = false;
    Changed();
}

void TChartSeries::Delete(int Index) {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    const auto i = static_cast<std::ptrdiff_t>(Index);
    FXValues.FValues.erase(FXValues.FValues.begin() + i);
    FYValues.FValues.erase(FYValues.FValues.begin() + i);
    FLabels.erase(FLabels.begin() + i);
    FColors.erase(FColors.begin() + i);
    FNulls.erase(FNulls.begin() + i);
    for (TChartValueList* l : FOwnLists)
        l->FValues.erase(l->FValues.begin() + i);
    Changed();
}

bool TChartSeries::IsNull(int Index) const {
    if (Index < 0 || Index >= Count()) IndexError(Index);
    return FNulls[static_cast<size_t>(Index)];
}

bool TChartSeries::ValueRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i)
        if (!FNulls[static_cast<size_t>(i)]) Widen(Lo, Hi, any, FYValues.FValues[static_cast<size_t>(i)]);
    return any;
}

bool TChartSeries::XRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i)
        if (!FNulls[static_cast<size_t>(i)]) Widen(Lo, Hi, any, FXValues.FValues[static_cast<size_t>(i)]);
    return any;
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

void TCustomSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    if (Count() == 0) return;
    const TCanvasState saved = Canvas.SaveState();
    const int zero = Axes.YToPixel(0.0);
    // A null point breaks the line and the area into runs.
    std::vector<TPoint> run;
    run.reserve(static_cast<size_t>(Count()));
    auto flush = [&] {
        if (FillsArea() && run.size() > 1) {
            std::vector<TPoint> area = run;
            area.push_back(TPoint{run.back().X, zero});
            area.push_back(TPoint{run.front().X, zero});
            Canvas.Brush().SetStyle(bsSolid);
            Canvas.Brush().SetColor(SeriesColor());
            Canvas.Pen().SetStyle(psSolid);
            Canvas.Pen().SetWidth(1);
            Canvas.Pen().SetColor(SeriesColor());
            Canvas.Polygon(area);
        }
        if (DrawsLine() && run.size() > 1) {
            Canvas.Pen().SetStyle(psSolid);
            Canvas.Pen().SetColor(FillsArea() ? clBlack : SeriesColor());
            Canvas.Pen().SetWidth(FLineWidth);
            Canvas.Polyline(run);
        }
        run.clear();
    };
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) {
            flush();
            continue;
        }
        run.push_back(TPoint{Axes.XToPixel(*this, i), Axes.YToPixel(FYValues.Values()[static_cast<size_t>(i)])});
    }
    flush();
    if (DrawsPoints()) {
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetColor(clBlack);
        Canvas.Pen().SetWidth(1);
        Canvas.Brush().SetStyle(bsSolid);
        for (int i = 0; i < Count(); ++i) {
            if (FNulls[static_cast<size_t>(i)]) continue;
            const TPoint p{Axes.XToPixel(*this, i), Axes.YToPixel(FYValues.Values()[static_cast<size_t>(i)])};
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

void TCustomBarSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    const std::vector<double> from(static_cast<size_t>(Count()), 0.0);
    std::vector<double> to(static_cast<size_t>(Count()));
    for (int i = 0; i < Count(); ++i)
        to[static_cast<size_t>(i)] = FYValues.Value(i);
    DrawSpans(Canvas, Axes, from, to);
}

void TCustomBarSeries::DrawSpans(TCanvas& Canvas, const TChartAxes& Axes, const std::vector<double>& From,
                                 const std::vector<double>& To) {
    const int n = std::min({Count(), static_cast<int>(From.size()), static_cast<int>(To.size())});
    if (n == 0) return;
    const TRect& Plot = Axes.Plot;
    const double Min = Axes.Min, Max = Axes.Max;
    const bool horiz = Horizontal();
    // Slots run along the category axis, values along the other one.
    const int along = horiz ? Plot.Height() : Plot.Width();
    const int nslots = std::max(1, Axes.Slots);
    const bool crowded = nslots > along;
    const int slot = std::max(1, along / nslots);
    const int group = std::max(1, slot * FBarWidthPercent / 100);
    const int bar = std::max(1, group / std::max(1, Axes.Places));
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(crowded ? psClear : psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    for (int i = 0; i < n; ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        int start;
        if (Axes.XNumeric && !horiz)
            start = Axes.XValueToPixel(FXValues.Values()[static_cast<size_t>(i)]) - Plot.Left - group / 2 +
                    Axes.Place * bar;
        else if (crowded)
            start = static_cast<int>(static_cast<double>(i) * along / nslots);
        else
            start = i * slot + (slot - group) / 2 + Axes.Place * bar;
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

void TPieSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    const TRect& Plot = Axes.Plot;
    double total = 0;
    for (int i = 0; i < Count(); ++i)
        if (!FNulls[static_cast<size_t>(i)] && std::isfinite(FYValues.Values()[static_cast<size_t>(i)]))
            total += std::abs(FYValues.Values()[static_cast<size_t>(i)]);
    if (total <= 0) return;
    const int size = std::min(Plot.Width(), Plot.Height());
    const int cx = Plot.Left + Plot.Width() / 2, cy = Plot.Top + Plot.Height() / 2;
    const int r = size / 2;
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    auto at = [&](double a) {
        return TPoint{cx + static_cast<int>(std::lround(r * std::cos(a))),
                      cy - static_cast<int>(std::lround(r * std::sin(a)))};
    };
    double angle = 0;
    for (int i = 0; i < Count(); ++i) {
        const double v = FYValues.Values()[static_cast<size_t>(i)];
        if (FNulls[static_cast<size_t>(i)] || !std::isfinite(v)) continue;
        const double share = std::abs(v) / total;
        if (share <= 0) continue;
        Canvas.Brush().SetColor(PointColor(i));
        if (share >= 1.0) {
            Canvas.Ellipse(cx - r, cy - r, cx + r, cy + r);
            break;
        }
        const double next = angle + share * 2 * std::numbers::pi;
        const TPoint a = at(angle), b = at(next);
        // A slice thinner than a pixel at the rim shows as nothing but its outline: leave it.
        if (a.X == b.X && a.Y == b.Y) continue;
        Canvas.Pie(cx - r, cy - r, cx + r, cy + r, a.X, a.Y, b.X, b.Y);
        angle = next;
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Gantt series

TGanttSeries::TGanttSeries() {
    AddOwnList(&FEndValues);
    AddOwnList(&FNextTask);
}

int TGanttSeries::AddGantt(double AStart, double AEnd, double AY, const QString& ALabel, TColor AColor) {
    const int i = AppendPoint(AStart, AY, ALabel, AColor, false);
    Push(FEndValues, AEnd);
    Push(FNextTask, -1);
    FHasXValues = true;
    Changed();
    return i;
}

bool TGanttSeries::ValueRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const double y = FYValues.Values()[static_cast<size_t>(i)];
        Widen(Lo, Hi, any, y - 0.5);
        Widen(Lo, Hi, any, y + 0.5);
    }
    return any;
}

bool TGanttSeries::XRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        Widen(Lo, Hi, any, FXValues.Values()[static_cast<size_t>(i)]);
        Widen(Lo, Hi, any, FEndValues.Values()[static_cast<size_t>(i)]);
    }
    return any;
}

void TGanttSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    if (Count() == 0) return;
    const double unit = Axes.Plot.Height() / std::max(1e-9, Axes.Max - Axes.Min);
    const int half = std::clamp(static_cast<int>(unit * 0.3), 1, 20);
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    auto startOf = [&](int i) { return Axes.XValueToPixel(FXValues.Values()[static_cast<size_t>(i)]); };
    auto endOf = [&](int i) { return Axes.XValueToPixel(FEndValues.Values()[static_cast<size_t>(i)]); };
    auto yOf = [&](int i) { return Axes.YToPixel(FYValues.Values()[static_cast<size_t>(i)]); };
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const int x0 = std::min(startOf(i), endOf(i)), x1 = std::max(startOf(i), endOf(i));
        Canvas.Brush().SetColor(PointColor(i));
        Canvas.Rectangle(x0, yOf(i) - half, x1 + 1, yOf(i) + half + 1);
    }
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const double next = FNextTask.Values()[static_cast<size_t>(i)];
        if (!(next >= 0 && next < Count())) continue;
        const int j = static_cast<int>(next);
        if (j == i || FNulls[static_cast<size_t>(j)]) continue;
        const int x = std::max(startOf(i), endOf(i));
        const int xj = std::min(startOf(j), endOf(j));
        Canvas.MoveTo(x, yOf(i));
        Canvas.LineTo(std::max(x, xj - 4), yOf(i));
        Canvas.LineTo(std::max(x, xj - 4), yOf(j));
        Canvas.LineTo(xj, yOf(j));
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Arrow series

TArrowSeries::TArrowSeries() {
    AddOwnList(&FEndXValues);
    AddOwnList(&FEndYValues);
}

int TArrowSeries::AddArrow(double X0, double Y0, double X1, double Y1, const QString& ALabel, TColor AColor) {
    const int i = AppendPoint(X0, Y0, ALabel, AColor, false);
    Push(FEndXValues, X1);
    Push(FEndYValues, Y1);
    FHasXValues = true;
    Changed();
    return i;
}

bool TArrowSeries::ValueRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        Widen(Lo, Hi, any, FYValues.Values()[static_cast<size_t>(i)]);
        Widen(Lo, Hi, any, FEndYValues.Values()[static_cast<size_t>(i)]);
    }
    return any;
}

bool TArrowSeries::XRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        Widen(Lo, Hi, any, FXValues.Values()[static_cast<size_t>(i)]);
        Widen(Lo, Hi, any, FEndXValues.Values()[static_cast<size_t>(i)]);
    }
    return any;
}

void TArrowSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Brush().SetStyle(bsSolid);
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const auto k = static_cast<size_t>(i);
        const TPoint a{Axes.XValueToPixel(FXValues.Values()[k]), Axes.YToPixel(FYValues.Values()[k])};
        const TPoint b{Axes.XValueToPixel(FEndXValues.Values()[k]), Axes.YToPixel(FEndYValues.Values()[k])};
        const TColor c = PointColor(i);
        Canvas.Pen().SetColor(c);
        Canvas.Pen().SetWidth(2);
        Canvas.MoveTo(a.X, a.Y);
        Canvas.LineTo(b.X, b.Y);
        const double dx = b.X - a.X, dy = b.Y - a.Y;
        const double len = std::hypot(dx, dy);
        if (len < 1) continue;
        // A head of 8 pixels, as wide as long, at the end point.
        const double ux = dx / len, uy = dy / len, head = std::min(8.0, len);
        const TPoint l{static_cast<int>(std::lround(b.X - ux * head - uy * head / 2)),
                       static_cast<int>(std::lround(b.Y - uy * head + ux * head / 2))};
        const TPoint r{static_cast<int>(std::lround(b.X - ux * head + uy * head / 2)),
                       static_cast<int>(std::lround(b.Y - uy * head - ux * head / 2))};
        Canvas.Pen().SetWidth(1);
        Canvas.Brush().SetColor(c);
        Canvas.Polygon({b, l, r});
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Bubble series

TBubbleSeries::TBubbleSeries() {
    AddOwnList(&FRadiusValues);
}

int TBubbleSeries::AddBubble(double AX, double AY, double ARadius, const QString& ALabel, TColor AColor) {
    const int i = AppendPoint(AX, AY, ALabel, AColor, false);
    Push(FRadiusValues, ARadius);
    FHasXValues = true;
    Changed();
    return i;
}

bool TBubbleSeries::ValueRange(double& Lo, double& Hi) const {
    bool any = false;
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const double y = FYValues.Values()[static_cast<size_t>(i)];
        const double r = std::abs(FRadiusValues.Values()[static_cast<size_t>(i)]);
        Widen(Lo, Hi, any, y - r);
        Widen(Lo, Hi, any, y + r);
    }
    return any;
}

void TBubbleSeries::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    const double unit = Axes.Plot.Height() / std::max(1e-9, Axes.Max - Axes.Min);
    const int limit = std::max(Axes.Plot.Width(), Axes.Plot.Height());
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    for (int i = 0; i < Count(); ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        const double rv = std::abs(FRadiusValues.Values()[static_cast<size_t>(i)]) * unit;
        const int r = std::max(1, static_cast<int>(std::min(rv, static_cast<double>(limit))));
        const int x = Axes.XToPixel(*this, i), y = Axes.YToPixel(FYValues.Values()[static_cast<size_t>(i)]);
        Canvas.Brush().SetColor(PointColor(i));
        Canvas.Ellipse(x - r, y - r, x + r + 1, y + r + 1);
    }
    Canvas.RestoreState(saved);
}

// ---------------------------------------------------------------------------------------------
// Shape series

void TChartShape::SetStyle(TChartShapeStyle v) {
    if (FStyle == v) return;
    FStyle = v;
    Changed();
}

void TChartShape::Draw(TCanvas& Canvas, const TChartAxes& Axes) {
    int first = -1, second = -1;
    for (int i = 0; i < Count() && second < 0; ++i) {
        if (FNulls[static_cast<size_t>(i)]) continue;
        (first < 0 ? first : second) = i;
    }
    if (first < 0) return;
    int x0, y0, x1, y1;
    if (second >= 0) {
        x0 = Axes.XToPixel(*this, first);
        y0 = Axes.YToPixel(FYValues.Values()[static_cast<size_t>(first)]);
        x1 = Axes.XToPixel(*this, second);
        y1 = Axes.YToPixel(FYValues.Values()[static_cast<size_t>(second)]);
    } else {
        const int c = Axes.XToPixel(*this, first), half = std::max(1, Axes.SlotWidth() * 35 / 100);
        x0 = c - half;
        x1 = c + half;
        y0 = Axes.YToPixel(0);
        y1 = Axes.YToPixel(FYValues.Values()[static_cast<size_t>(first)]);
    }
    const TRect r(std::min(x0, x1), std::min(y0, y1), std::max(x0, x1) + 1, std::max(y0, y1) + 1);
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetWidth(1);
    Canvas.Pen().SetColor(clBlack);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(PointColor(first));
    switch (FStyle) {
    case chasRectangle:
        Canvas.Rectangle(r);
        break;
    case chasCircle:
        Canvas.Ellipse(r);
        break;
    case chasVertLine:
        Canvas.Pen().SetColor(PointColor(first));
        Canvas.MoveTo((r.Left + r.Right) / 2, r.Top);
        Canvas.LineTo((r.Left + r.Right) / 2, r.Bottom);
        break;
    case chasHorizLine:
        Canvas.Pen().SetColor(PointColor(first));
        Canvas.MoveTo(r.Left, (r.Top + r.Bottom) / 2);
        Canvas.LineTo(r.Right, (r.Top + r.Bottom) / 2);
        break;
    case chasTriangle:
        Canvas.Polygon({TPoint{r.Left, r.Bottom - 1}, TPoint{r.Right - 1, r.Bottom - 1},
                        TPoint{(r.Left + r.Right) / 2, r.Top}});
        break;
    }
    const QString text = FLabels[static_cast<size_t>(first)];
    if (!text.isEmpty()) {
        Canvas.Brush().SetStyle(bsClear);
        const int w = Canvas.TextWidth(text), h = Canvas.TextHeight(text);
        Canvas.TextOut((r.Left + r.Right - w) / 2, (r.Top + r.Bottom - h) / 2, text);
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
            for (int i = 0; i < s->Count() && static_cast<int>(r.size()) < MaxLegendLines; ++i)
                if (!s->IsNull(i)) r.push_back({s->Label(i), s->PointColor(i)});
        } else {
            r.push_back({s->LegendTitle(), s->SeriesColor()});
        }
        if (static_cast<int>(r.size()) >= MaxLegendLines) break;
    }
    return r;
}

struct TCustomChart::TLayout {
    TRect Plot;
    int LineH = 0;
    std::vector<TChartLegendEntry> Legend; // the lines that fit
    int LegendW = 0;
    bool Axes = false;
    TChartSeries* Pie = nullptr;
    // Every axis series is a horizontal bar series: categories run down the left side.
    bool Horizontal = false;
    TChartAxes A;
    bool Stacked = false;
    int Bars = 0;
    std::vector<TCustomBarSeries*> BarSeries;
    std::vector<std::vector<double>> From, To;
    std::vector<double> ValueTicks, XTicks;
    bool XDates = false;
    // Whose labels the category axis shows.
    TChartSeries* Labels = nullptr;
};

void TCustomChart::Layout(TCanvas& Canvas, const TRect& Bounds, TLayout& L) {
    L.LineH = Canvas.TextHeight(QStringLiteral("Ag")) + 2;
    TRect r = Bounds;
    r.Left += 4;
    r.Top += 4;
    r.Right -= 4;
    r.Bottom -= 4;
    if (FTitle->Visible() && !FTitle->Text().isEmpty()) r.Top += L.LineH + 2;

    if (FLegend->Visible()) {
        L.Legend = LegendEntries();
        const bool side = FLegend->Alignment() == laLeft || FLegend->Alignment() == laRight;
        const int room = side ? std::max(0, (r.Height() - 4) / std::max(1, L.LineH)) : 8;
        if (static_cast<int>(L.Legend.size()) > room) L.Legend.resize(static_cast<size_t>(room));
    }
    if (!L.Legend.empty()) {
        int widest = 0;
        for (const auto& e : L.Legend)
            widest = std::max(widest, Canvas.TextWidth(e.Text));
        L.LegendW = std::min(widest + 24, std::max(24, Bounds.Width() / 3));
        const int legendH = static_cast<int>(L.Legend.size()) * L.LineH + 4;
        switch (FLegend->Alignment()) {
        case laLeft:
            r.Left += L.LegendW + 4;
            break;
        case laRight:
            r.Right -= L.LegendW + 4;
            break;
        case laTop:
            r.Top += legendH + 4;
            break;
        case laBottom:
            r.Bottom -= legendH + 4;
            break;
        }
    }

    // Axis series share one scale that always shows the zero line.
    double lo = 0, hi = 0, xlo = 0, xhi = 0;
    bool anyX = false;
    int slotCount = 1;
    bool allHoriz = true;
    L.Stacked = FMultiBar == mbStacked || FMultiBar == mbStacked100;
    for (TChartSeries* s : FSeries) {
        if (!s->Active()) continue;
        if (!s->UsesAxes()) {
            if (!L.Pie) L.Pie = s;
            continue;
        }
        L.Axes = true;
        slotCount = std::max(slotCount, s->Count());
        if (!L.Labels && s->Count() > 0) L.Labels = s;
        auto* b = dynamic_cast<TCustomBarSeries*>(s);
        if (b) {
            ++L.Bars;
            L.BarSeries.push_back(b);
        }
        if (!b || !b->Horizontal()) allHoriz = false;
        if (s->HasXValues()) {
            double a = 0, z = 0;
            if (s->XRange(a, z)) {
                if (!anyX) xlo = a, xhi = z;
                xlo = std::min(xlo, a);
                xhi = std::max(xhi, z);
                anyX = true;
                if (s->XValues().DateTime()) L.XDates = true;
            }
        }
        // Stacked bars get their range from the stacks below.
        if (!(b && L.Stacked)) {
            double a = 0, z = 0;
            if (s->ValueRange(a, z)) {
                lo = std::min(lo, a);
                hi = std::max(hi, z);
            }
        }
    }
    L.Horizontal = L.Axes && allHoriz;

    // Stacks: positive values pile up from zero, negative ones down from zero; in the 100% mode
    // each slot's values are shares of that slot's total size.
    if (L.Stacked && !L.BarSeries.empty()) {
        const auto slotN = static_cast<size_t>(slotCount);
        std::vector<double> up(slotN, 0.0), down(slotN, 0.0), total(slotN, 0.0);
        auto valueAt = [](TCustomBarSeries* b, int i) {
            const double v = b->YValues().Value(i);
            return b->IsNull(i) || !std::isfinite(v) ? 0.0 : v;
        };
        if (FMultiBar == mbStacked100)
            for (TCustomBarSeries* b : L.BarSeries)
                for (int i = 0; i < b->Count(); ++i)
                    total[static_cast<size_t>(i)] += std::abs(valueAt(b, i));
        for (TCustomBarSeries* b : L.BarSeries) {
            std::vector<double> from(static_cast<size_t>(b->Count())), to(from.size());
            for (int i = 0; i < b->Count(); ++i) {
                const auto k = static_cast<size_t>(i);
                double v = valueAt(b, i);
                if (FMultiBar == mbStacked100) v = total[k] > 0 ? v * 100.0 / total[k] : 0.0;
                double& base = v >= 0 ? up[k] : down[k];
                from[k] = base;
                base += v;
                to[k] = base;
                lo = std::min(lo, base);
                hi = std::max(hi, base);
            }
            L.From.push_back(std::move(from));
            L.To.push_back(std::move(to));
        }
        if (FMultiBar == mbStacked100) {
            lo = std::max(lo, -100.0);
            hi = std::min(std::max(hi, 100.0), 100.0);
        }
    }
    if (!std::isfinite(lo) || !std::isfinite(hi)) lo = 0, hi = 1;
    if (hi <= lo) hi = lo + 1;
    L.A.Min = lo;
    L.A.Max = hi;
    L.A.Slots = slotCount;
    L.A.XNumeric = anyX && !L.Horizontal;
    if (L.A.XNumeric) {
        if (xhi <= xlo) xlo -= 0.5, xhi += 0.5;
        // A margin, so points at the ends do not sit on the axis.
        const double pad = (xhi - xlo) * 0.05;
        L.A.XMin = xlo - pad;
        L.A.XMax = xhi + pad;
    }

    if (L.Axes) {
        L.ValueTicks = NiceTicks(lo, hi, 5);
        if (L.Horizontal) {
            // Category labels down the left side, value labels below.
            int widest = 0;
            if (L.Labels)
                for (int i = 0; i < std::min(L.Labels->Count(), 200); ++i)
                    widest = std::max(widest, Canvas.TextWidth(L.Labels->Label(i)));
            r.Left += std::min(widest, r.Width() / 3) + 6;
        } else {
            int widest = 0;
            for (double v : L.ValueTicks)
                widest = std::max(widest, Canvas.TextWidth(TickText(v, false)));
            r.Left += std::min(widest, r.Width() / 3) + 6;
        }
        r.Bottom -= L.LineH + 2;
        if (L.A.XNumeric) {
            const int sample = Canvas.TextWidth(TickText(L.A.XMax, L.XDates)) + 12;
            L.XTicks = NiceTicks(L.A.XMin, L.A.XMax, std::max(1, r.Width() / std::max(1, sample)));
        }
    }
    if (r.Right < r.Left) r.Right = r.Left;
    if (r.Bottom < r.Top) r.Bottom = r.Top;
    L.Plot = r;
    L.A.Plot = r;
}

TRect TCustomChart::PlotRect(TCanvas& Canvas, const TRect& Bounds) {
    TLayout L;
    Layout(Canvas, Bounds, L);
    return L.Plot;
}

void TCustomChart::Draw(TCanvas& Canvas, const TRect& Bounds) {
    const TCanvasState saved = Canvas.SaveState();
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(FColor);
    Canvas.FillRect(Bounds);
    TLayout L;
    Layout(Canvas, Bounds, L);
    const TRect plot = L.Plot;
    const int lineH = L.LineH;
    Canvas.Brush().SetStyle(bsClear);
    if (FTitle->Visible() && !FTitle->Text().isEmpty()) {
        const int w = Canvas.TextWidth(FTitle->Text());
        Canvas.TextOut(Bounds.Left + (Bounds.Width() - w) / 2, Bounds.Top + 4, FTitle->Text());
    }

    if (!L.Legend.empty()) {
        int x = 0, y = 0;
        switch (FLegend->Alignment()) {
        case laLeft:
            x = Bounds.Left + 4, y = plot.Top;
            break;
        case laRight:
            x = Bounds.Right - 4 - L.LegendW, y = plot.Top;
            break;
        case laTop:
            x = plot.Left, y = Bounds.Top + 4 + (FTitle->Visible() && !FTitle->Text().isEmpty() ? lineH + 2 : 0);
            break;
        case laBottom:
            x = plot.Left, y = Bounds.Bottom - 4 - static_cast<int>(L.Legend.size()) * lineH - 4;
            break;
        }
        const TCanvasState clip = Canvas.SaveState();
        for (const auto& e : L.Legend) {
            Canvas.Brush().SetStyle(bsSolid);
            Canvas.Brush().SetColor(e.Color);
            Canvas.Pen().SetColor(clBlack);
            Canvas.Rectangle(x + 2, y + 2, x + 14, y + lineH - 2);
            Canvas.Brush().SetStyle(bsClear);
            Canvas.TextRect(TRect(x + 20, y, x + L.LegendW, y + lineH), x + 20, y, e.Text);
            y += lineH;
        }
        Canvas.RestoreState(clip);
    }

    // Series stay inside the plot (big bubbles, arrows, shapes past the scale); the axes and
    // their labels are drawn after the clip is lifted.
    const TCanvasState unclipped = Canvas.SaveState();
    Canvas.IntersectClipRect(plot);
    if (L.Pie && !L.Axes) {
        TChartAxes a;
        a.Plot = plot;
        L.Pie->Draw(Canvas, a);
        Canvas.RestoreState(unclipped);
    } else if (L.Axes) {
        TChartAxes a = L.A;
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetWidth(1);
        // The zero line, where negative values meet positive ones.
        if (a.Min < 0 && a.Max > 0) {
            Canvas.Pen().SetColor(clSilver);
            if (L.Horizontal) {
                const int x = MapValue(0, a.Min, a.Max, plot.Left, plot.Right - 1);
                Canvas.MoveTo(x, plot.Top);
                Canvas.LineTo(x, plot.Bottom);
            } else {
                Canvas.MoveTo(plot.Left, a.YToPixel(0));
                Canvas.LineTo(plot.Right, a.YToPixel(0));
            }
        }
        a.Places = FMultiBar == mbSide ? std::max(1, L.Bars) : 1;
        int place = 0;
        for (TChartSeries* s : FSeries) {
            if (!s->Active() || !s->UsesAxes()) continue;
            auto* b = dynamic_cast<TCustomBarSeries*>(s);
            if (b && L.Stacked) {
                TChartAxes one = a;
                one.Place = 0;
                one.Places = 1;
                b->DrawSpans(Canvas, one, L.From[static_cast<size_t>(place)], L.To[static_cast<size_t>(place)]);
            } else {
                a.Place = b && FMultiBar == mbSide ? place : 0;
                s->Draw(Canvas, a);
            }
            if (b) ++place;
        }
        Canvas.RestoreState(unclipped);
        if (!FAxisVisible) {
            Canvas.RestoreState(saved);
            return;
        }
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Pen().SetWidth(1);
        Canvas.Pen().SetColor(FAxisColor);
        Canvas.MoveTo(plot.Left, plot.Top);
        Canvas.LineTo(plot.Left, plot.Bottom);
        Canvas.MoveTo(plot.Left, plot.Bottom);
        Canvas.LineTo(plot.Right, plot.Bottom);

        // Labels: values on the value axis, categories (or X values) on the other.
        Canvas.Brush().SetStyle(bsClear);
        const int textH = lineH - 2;
        for (double v : L.ValueTicks) {
            const QString t = TickText(v, false);
            const int w = Canvas.TextWidth(t);
            if (L.Horizontal) {
                const int x = MapValue(v, a.Min, a.Max, plot.Left, plot.Right - 1);
                Canvas.MoveTo(x, plot.Bottom);
                Canvas.LineTo(x, plot.Bottom + 3);
                Canvas.TextOut(std::clamp(x - w / 2, Bounds.Left, std::max(Bounds.Left, Bounds.Right - w)),
                               plot.Bottom + 2, t);
            } else {
                const int y = a.YToPixel(v);
                Canvas.MoveTo(plot.Left - 3, y);
                Canvas.LineTo(plot.Left, y);
                Canvas.TextOut(plot.Left - 5 - w, y - textH / 2, t);
            }
        }
        if (a.XNumeric) {
            for (double v : L.XTicks) {
                const QString t = TickText(v, L.XDates);
                const int x = a.XValueToPixel(v);
                Canvas.MoveTo(x, plot.Bottom);
                Canvas.LineTo(x, plot.Bottom + 3);
                Canvas.TextOut(x - Canvas.TextWidth(t) / 2, plot.Bottom + 2, t);
            }
        } else if (L.Labels) {
            // Every k-th label, so that neighbours do not overlap.
            TChartSeries* s = L.Labels;
            const int n = s->Count();
            const int along = L.Horizontal ? plot.Height() : plot.Width();
            int widest = 0;
            for (int i = 0; i < std::min(n, 200); ++i)
                widest = std::max(widest, L.Horizontal ? textH : Canvas.TextWidth(s->Label(i)));
            if (widest > 0 && n > 0) {
                const double perSlot = static_cast<double>(along) / std::max(1, a.Slots);
                const int k = std::max(1, static_cast<int>(std::ceil((widest + 6) / std::max(1e-9, perSlot))));
                for (int i = 0; i < n; i += k) {
                    const QString t = s->Label(i);
                    if (t.isEmpty()) continue;
                    if (L.Horizontal) {
                        const int slot = std::max(1, along / std::max(1, a.Slots));
                        const int y = a.Slots <= along ? plot.Top + i * slot + slot / 2
                                                       : plot.Top + static_cast<int>((i + 0.5) * perSlot);
                        Canvas.TextOut(plot.Left - 4 - Canvas.TextWidth(t), y - textH / 2, t);
                    } else {
                        const int x = a.XToPixel(*s, i);
                        Canvas.TextOut(x - Canvas.TextWidth(t) / 2, plot.Bottom + 2, t);
                    }
                }
            }
        }
    }
    Canvas.RestoreState(saved);
}
