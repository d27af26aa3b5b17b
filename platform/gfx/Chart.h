#pragma once
// A small chart model: a chart with a title, a legend and series of values with labels and
// colours (bars, horizontal bars, lines, fast lines, points, areas, pies, Gantt bars, arrows,
// bubbles and shapes), drawn through TCanvas so the screen, the printer and report pages show
// the same picture. Points may be null (kept, with their label, but not drawn) and may carry
// X values of their own, which puts the chart on a numeric X axis. The chart owns the series
// placed on it; a series freed on its own leaves its chart first.

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Types.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TCustomChart;

enum TLegendAlignment { laLeft, laRight, laTop, laBottom };
enum TMultiBar { mbNone, mbSide, mbStacked, mbStacked100 };

// The values of one dimension of a series.
class TChartValueList : public TObject {
public:
    int Count() const { return static_cast<int>(FValues.size()); }
    double Value(int Index) const; // EListError for a bad index
    void SetValue(int Index, double v);
    double MinValue() const;
    double MaxValue() const;
    double Total() const;
    const std::vector<double>& Values() const { return FValues; }
    // Whether the values are date-times (axis labels show dates).
    bool DateTime() const { return FDateTime; }
    void SetDateTime(bool v) { FDateTime = v; }

private:
    friend class TChartSeries;
    std::vector<double> FValues;
    bool FDateTime = false;
};

class TChartTitle : public TObject {
public:
    explicit TChartTitle(std::function<void()> changed) : FChanged(std::move(changed)) {}
    const QString& Text() const { return FText; }
    void SetText(const QString& v);
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);

private:
    std::function<void()> FChanged;
    QString FText;
    bool FVisible = true;
};

class TChartLegend : public TObject {
public:
    explicit TChartLegend(std::function<void()> changed) : FChanged(std::move(changed)) {}
    bool Visible() const { return FVisible; }
    void SetVisible(bool v);
    TLegendAlignment Alignment() const { return FAlignment; }
    void SetAlignment(TLegendAlignment v);

private:
    std::function<void()> FChanged;
    bool FVisible = true;
    TLegendAlignment FAlignment = laRight;
};

// One legend line as the chart shows it.
struct TChartLegendEntry {
    QString Text;
    TColor Color;
};

class TChartSeries;

// Where a series is drawn: the plot, the value axis (Y, or X for horizontal bars) and the
// other axis, either slots (one per point index) or numeric X values from XMin to XMax.
struct TChartAxes {
    TRect Plot;
    double Min = 0, Max = 1;
    bool XNumeric = false;
    double XMin = 0, XMax = 1;
    int Slots = 1;
    // Side-by-side bars: this series' place among Places.
    int Place = 0, Places = 1;

    int YToPixel(double v) const;
    // The centre of point Index of a series along the other axis.
    int XToPixel(const TChartSeries& S, int Index) const;
    int XValueToPixel(double x) const;
    // Pixels per point along the other axis.
    int SlotWidth() const;
};

class TChartSeries : public TObject {
public:
    TChartSeries();
    ~TChartSeries() override;

    // Appends a point and returns its index; clDefault takes the series' colour.
    int Add(double AValue, const QString& ALabel = QString(), TColor AColor = clDefault);
    // A point at its own X value: the chart then runs a numeric X axis.
    int AddXY(double AX, double AY, const QString& ALabel = QString(), TColor AColor = clDefault);
    // A point that holds a place and a label but is not drawn.
    int AddNull(const QString& ALabel = QString());
    void Clear();
    void Delete(int Index); // EListError for a bad index
    int Count() const { return FXValues.Count(); }
    bool IsNull(int Index) const; // EListError for a bad index
    // Whether any point was given an X value of its own.
    bool HasXValues() const { return FHasXValues; }

    TChartValueList& XValues() { return FXValues; }
    TChartValueList& YValues() { return FYValues; }
    const TChartValueList& YValues() const { return FYValues; }
    QString Label(int Index) const;
    // The colour a point is drawn with.
    TColor PointColor(int Index) const;

    bool Active() const { return FActive; }
    void SetActive(bool v);
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& v);
    // The title, or "Series" and the 1-based place on the chart when there is none.
    QString LegendTitle() const;
    // clDefault until set: the chart then gives the colour of the series' place.
    TColor SeriesColor() const;
    void SetSeriesColor(TColor v);
    bool ColorEachPoint() const { return FColorEachPoint; }
    void SetColorEachPoint(bool v);
    bool ShowInLegend() const { return FShowInLegend; }
    void SetShowInLegend(bool v);

    TCustomChart* ParentChart() const { return FParentChart; }
    // Moves the series onto the chart (which then owns it) or, with nullptr, off it (the
    // caller owns it again).
    void SetParentChart(TCustomChart* v);

    // Lines, points and areas share the horizontal slots of bars; pies take the whole area.
    virtual bool UsesAxes() const { return true; }
    // The extent of the non-null points on the value axis and on the X axis; false when there
    // is none.
    virtual bool ValueRange(double& Lo, double& Hi) const;
    virtual bool XRange(double& Lo, double& Hi) const;
    virtual void Draw(TCanvas& Canvas, const TChartAxes& Axes) = 0;

protected:
    friend class TCustomChart;
    void Changed();
    // Appends one point to the lists every series has; the caller appends to its own lists.
    int AppendPoint(double AX, double AY, const QString& ALabel, TColor AColor, bool ANull);
    // Lists of a kind's own (end values, radii) that grow and shrink with the points.
    void AddOwnList(TChartValueList* List) { FOwnLists.push_back(List); }
    static void Push(TChartValueList& List, double v) { List.FValues.push_back(v); }
    TChartValueList FXValues;
    TChartValueList FYValues;
    std::vector<QString> FLabels;
    std::vector<TColor> FColors;
    std::vector<bool> FNulls;
    std::vector<TChartValueList*> FOwnLists;
    bool FHasXValues = false;
    bool FActive = true;
    QString FTitle;
    TColor FSeriesColor = clDefault;
    bool FColorEachPoint = false;
    bool FShowInLegend = true;
    TCustomChart* FParentChart = nullptr;
};

// Series drawn as a polyline through the slots' centres.
class TCustomSeries : public TChartSeries {
public:
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;
    int LineWidth() const { return FLineWidth; }
    void SetLineWidth(int v);

protected:
    virtual bool DrawsLine() const { return true; }
    virtual bool DrawsPoints() const { return false; }
    virtual bool FillsArea() const { return false; }
    int FLineWidth = 1;
};

class TLineSeries : public TCustomSeries {};
class TFastLineSeries : public TCustomSeries {};
class TPointSeries : public TCustomSeries {
protected:
    bool DrawsLine() const override { return false; }
    bool DrawsPoints() const override { return true; }
};
class TAreaSeries : public TCustomSeries {
protected:
    bool FillsArea() const override { return true; }
};

class TCustomBarSeries : public TChartSeries {
public:
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;
    // Draws bar i from From[i] to To[i] on the value axis (stacked bars start where the series
    // below them end).
    void DrawSpans(TCanvas& Canvas, const TChartAxes& Axes, const std::vector<double>& From,
                   const std::vector<double>& To);
    int BarWidthPercent() const { return FBarWidthPercent; }
    void SetBarWidthPercent(int v); // 1..100
    virtual bool Horizontal() const { return false; }

private:
    int FBarWidthPercent = 70;
};

class TBarSeries : public TCustomBarSeries {};
class THorizBarSeries : public TCustomBarSeries {
public:
    bool Horizontal() const override { return true; }
};

class TCircledSeries : public TChartSeries {
public:
    bool UsesAxes() const override { return false; }
};

// One pie: the slices follow the points counter-clockwise from three o'clock.
class TPieSeries : public TCircledSeries {
public:
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;
};

// Bars from a start to an end on the X axis, at a Y value; NextTask links a bar to another
// (by index), drawn as a connector from this bar's end to that bar's start.
class TGanttSeries : public TChartSeries {
public:
    TGanttSeries();
    int AddGantt(double AStart, double AEnd, double AY, const QString& ALabel = QString(),
                 TColor AColor = clDefault);
    TChartValueList& StartValues() { return FXValues; }
    TChartValueList& EndValues() { return FEndValues; }
    TChartValueList& NextTask() { return FNextTask; } // -1: none
    bool ValueRange(double& Lo, double& Hi) const override;
    bool XRange(double& Lo, double& Hi) const override;
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;

private:
    TChartValueList FEndValues, FNextTask;
};

// Arrows from (X0, Y0) to (X1, Y1).
class TArrowSeries : public TChartSeries {
public:
    TArrowSeries();
    int AddArrow(double X0, double Y0, double X1, double Y1, const QString& ALabel = QString(),
                 TColor AColor = clDefault);
    TChartValueList& StartXValues() { return FXValues; }
    TChartValueList& StartYValues() { return FYValues; }
    TChartValueList& EndXValues() { return FEndXValues; }
    TChartValueList& EndYValues() { return FEndYValues; }
    bool ValueRange(double& Lo, double& Hi) const override;
    bool XRange(double& Lo, double& Hi) const override;
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;

private:
    TChartValueList FEndXValues, FEndYValues;
};

// Circles at (X, Y) whose radius is in units of the value axis.
class TBubbleSeries : public TChartSeries {
public:
    TBubbleSeries();
    int AddBubble(double AX, double AY, double ARadius, const QString& ALabel = QString(),
                  TColor AColor = clDefault);
    TChartValueList& RadiusValues() { return FRadiusValues; }
    bool ValueRange(double& Lo, double& Hi) const override;
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;

private:
    TChartValueList FRadiusValues;
};

enum TChartShapeStyle { chasRectangle, chasCircle, chasVertLine, chasHorizLine, chasTriangle };

// One figure whose corners are the first two points, (X0, Y0) and (X1, Y1), with the first
// point's label written inside; a single point spans its slot from zero to its value.
class TChartShape : public TChartSeries {
public:
    TChartShapeStyle Style() const { return FStyle; }
    void SetStyle(TChartShapeStyle v);
    void Draw(TCanvas& Canvas, const TChartAxes& Axes) override;

private:
    TChartShapeStyle FStyle = chasRectangle;
};

class TCustomChart : public TObject {
public:
    TCustomChart();
    ~TCustomChart() override;

    int SeriesCount() const { return static_cast<int>(FSeries.size()); }
    TChartSeries* Series(int Index) const; // EListError for a bad index
    // Takes the series over; returns it.
    TChartSeries* AddSeries(std::unique_ptr<TChartSeries> Series);
    template <class S> S* AddSeries() { return static_cast<S*>(AddSeries(std::make_unique<S>())); }
    // Hands the series back to the caller.
    std::unique_ptr<TChartSeries> RemoveSeries(TChartSeries* Series);
    void FreeAllSeries();
    int SeriesIndex(const TChartSeries* Series) const;

    TColor Color() const { return FColor; }
    void SetColor(TColor v);
    TChartTitle* Title() const { return FTitle.get(); }
    TChartLegend* Legend() const { return FLegend.get(); }
    TColor AxisColor() const { return FAxisColor; }
    void SetAxisColor(TColor v);
    TMultiBar MultiBar() const { return FMultiBar; }
    void SetMultiBar(TMultiBar v);
    // Off: the axis lines and their labels are not drawn.
    bool AxisVisible() const { return FAxisVisible; }
    void SetAxisVisible(bool v) {
        if (FAxisVisible == v) return;
        FAxisVisible = v;
        Changed();
    }

    // The legend's lines: one per shown series, or one per point of a chart that shows pies.
    std::vector<TChartLegendEntry> LegendEntries() const;
    // The colour of a series' place when it has none of its own.
    static TColor DefaultColor(int Index);
    // The area the series are drawn in for a chart drawn into Bounds (inside the title, the
    // legend and the axis labels).
    TRect PlotRect(TCanvas& Canvas, const TRect& Bounds);
    void Draw(TCanvas& Canvas, const TRect& Bounds);
    // The legend draws at most as many lines as fit; the rest are left out.
    static constexpr int MaxLegendLines = 200;

    // Raised whenever what the chart shows changes.
    std::function<void(TObject* Sender)> OnChange;
    void Changed();

private:
    friend class TChartSeries;
    struct TLayout;
    // Ranges, stacks and margins of a drawing into Bounds.
    void Layout(TCanvas& Canvas, const TRect& Bounds, TLayout& L);
    std::vector<TChartSeries*> FSeries; // owned, freed by the destructor
    TColor FColor = clWhite;
    TColor FAxisColor = clBlack;
    TMultiBar FMultiBar = mbSide;
    bool FAxisVisible = true;
    std::unique_ptr<TChartTitle> FTitle;
    std::unique_ptr<TChartLegend> FLegend;
};

class TChart : public TCustomChart {};
