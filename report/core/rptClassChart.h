#pragma once
// The chart object. Its look (series kinds, titles, legend) is kept as the chart component's
// stream in the class library's component format; its data comes from the report: for each
// series a TrptSeriesItem names up to six expressions, collected row by row from a dataset, from
// the printings of a data band, or given as fixed lists, and fed into the chart series through a
// helper that knows how each series kind takes its values.
//
// Korvel draws the chart with its own chart model (platform/gfx/Chart.h). Of the component
// stream it reads only the chart's series kinds and their titles, colours and colour-each-point
// flags, and a few chart settings; the bytes themselves go back into the template unchanged as
// long as the series are not changed here. A chart made or changed here is written as a stream
// of the same format holding what Korvel knows of it. Eleven series kinds can be added, the ones
// with a class of their own; the others are refused with a message.

#include "platform/gfx/Chart.h"
#include "platform/rtti/Classes.h"
#include "report/core/rptClassView.h"

#include <QByteArray>
#include <QStringList>

#include <memory>
#include <vector>

class TrptDataBand;
class TrptDataSet;
class TrptReport;
class TrptChartView;

enum TrptSeriesDataType { dtDBData, dtBandData, dtFixedData };
KORVEL_ENUM(TrptSeriesDataType, "dtDBData,dtBandData,dtFixedData")
enum TrptSeriesSortOrder { soNone, soAscending, soDescending };
KORVEL_ENUM(TrptSeriesSortOrder, "soNone,soAscending,soDescending")
enum TrptSeriesXType { xtText, xtNumber, xtDate };
KORVEL_ENUM(TrptSeriesXType, "xtText,xtNumber,xtDate")
enum TrptChartSeries {
    csLine, csArea, csPoint, csBar, csHorizBar, csPie, csGantt, csFastLine, csArrow, csBubble, csChartShape,
    csHorizArea, csHorizLine, csPolar, csRadar, csPolarBar, csGauge, csSmith, csPyramid, csDonut, csBezier,
    csCandle, csVolume, csPointFigure, csHistogram, csHorizHistogram, csErrorBar, csError, csHighLow, csFunnel,
    csBox, csHorizBox, csSurface, csContour, csWaterFall, csColorGrid, csVector3D, csTower, csTriSurface,
    csPoint3D, csBubble3D, csMyPoint, csBarJoin, csBar3D
};
KORVEL_ENUM(TrptChartSeries,
            "csLine,csArea,csPoint,csBar,csHorizBar,csPie,csGantt,csFastLine,csArrow,csBubble,csChartShape,"
            "csHorizArea,csHorizLine,csPolar,csRadar,csPolarBar,csGauge,csSmith,csPyramid,csDonut,csBezier,"
            "csCandle,csVolume,csPointFigure,csHistogram,csHorizHistogram,csErrorBar,csError,csHighLow,csFunnel,"
            "csBox,csHorizBox,csSurface,csContour,csWaterFall,csColorGrid,csVector3D,csTower,csTriSurface,"
            "csPoint3D,csBubble3D,csMyPoint,csBarJoin,csBar3D")

// A series kind the chart cannot draw, or a chart stream that cannot be written.
KORVEL_EXCEPTION(ErptChartError, Exception)

// Where one chart series takes its values from, and the values collected.
class TrptSeriesItem : public TCollectionItem {
    KORVEL_CLASS(TrptSeriesItem, TCollectionItem)
public:
    explicit TrptSeriesItem(TCollection* Collection = nullptr);
    ~TrptSeriesItem() override;

    // Fills the chart series from the collected values (sorting, top N, the helper).
    void LoadSeries(TChartSeries* Series);
    // The six value lists as they will be fed: the leading ";" gone, split at ";".
    std::vector<QStringList> ValueLists() const;

    TrptSeriesDataType DataType() const { return FDataType; }
    void SetDataType(TrptSeriesDataType Value) { FDataType = Value; }
    TrptDataBand* DataBand() const { return FDataBand; }
    void SetDataBand(TrptDataBand* Value) { FDataBand = Value; }
    TrptDataSet* DataSet() const { return FDataSet; }
    // Also copies the dataset's user name into DataSetName.
    void SetDataSet(TrptDataSet* Value);
    // The bound dataset's user name, else the name stored.
    QString DataSetName() const;
    // Stores the name and looks the dataset up through the chart's report; no match (or an
    // empty name) leaves none bound.
    void SetDataSetName(const QString& Value);
    TrptSeriesSortOrder SortOrder() const { return FSortOrder; }
    void SetSortOrder(TrptSeriesSortOrder Value) { FSortOrder = Value; }
    int TopN() const { return FTopN; }
    void SetTopN(int Value) { FTopN = Value; }
    const QString& TopNCaption() const { return FTopNCaption; }
    void SetTopNCaption(const QString& Value) { FTopNCaption = Value; }
    TrptSeriesXType XType() const { return FXType; }
    void SetXType(TrptSeriesXType Value) { FXType = Value; }
    // k from 1 to 6.
    const QString& Source(int k) const { return FSource[k - 1]; }
    void SetSource(int k, const QString& Value) { FSource[k - 1] = Value; }
    const QString& Values(int k) const { return FValues[k - 1]; }
    void SetValues(int k, const QString& Value) { FValues[k - 1] = Value; }
    void ClearValues();
    // Appends ";" and the text to list k.
    void AppendValue(int k, const QString& Text);

    // The chart the item belongs to (nullptr for an item of no chart).
    TrptChartView* Chart() const;

private:
    TrptDataBand* FDataBand = nullptr;
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
    TrptSeriesDataType FDataType = dtDBData;
    TrptSeriesSortOrder FSortOrder = soNone;
    int FTopN = 0;
    QString FTopNCaption;
    QString FSource[6];
    TrptSeriesXType FXType = xtText;
    QString FValues[6];
};

// The series items of a chart; item i feeds the chart's series i.
class TrptSeriesData : public TCollection {
    KORVEL_CLASS(TrptSeriesData, TCollection)
public:
    explicit TrptSeriesData(TrptChartView* AChart = nullptr);
    TrptSeriesItem* Add() { return static_cast<TrptSeriesItem*>(TCollection::Add()); }
    TrptSeriesItem* Series(int Index) const { return static_cast<TrptSeriesItem*>(Items(Index)); }
    TrptChartView* Chart() const { return FChart; }
    TrptReport* Report() const;
    TPersistent* GetOwner() const override;

private:
    TrptChartView* FChart;
};

// How one series kind takes the six texts of a point.
class TrptSeriesHelper {
public:
    virtual ~TrptSeriesHelper() = default;
    // The names of the value columns, ";"-separated, as the chart editor shows them.
    virtual QString GetParamNames() const = 0;
    virtual void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                           const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) = 0;
};

class TrptStdSeriesHelper : public TrptSeriesHelper {
public:
    QString GetParamNames() const override;
    void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                   const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) override;
};

class TrptPieSeriesHelper : public TrptSeriesHelper {
public:
    QString GetParamNames() const override;
    void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                   const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) override;
};

class TrptGanttSeriesHelper : public TrptSeriesHelper {
public:
    QString GetParamNames() const override;
    void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                   const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) override;
};

class TrptArrowSeriesHelper : public TrptSeriesHelper {
public:
    QString GetParamNames() const override;
    void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                   const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) override;
};

class TrptBubbleSeriesHelper : public TrptSeriesHelper {
public:
    QString GetParamNames() const override;
    void AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                   const QString& v4, const QString& v5, const QString& v6, TrptSeriesXType XType) override;
};

// A new helper for the series' exact class: pie, Gantt, arrow and bubble series have their own,
// every other series the standard one.
std::unique_ptr<TrptSeriesHelper> CreateSeriesHelper(TChartSeries* Series);
// Empty or "NULL" in any case.
bool IsNullText(const QString& s);
// A colour name or number; the automatic colour (clDefault) for an empty or unreadable text.
TColor SeriesColorOf(const QString& s);

// What Korvel reads of a chart component stream: the series in order, with what it knows of
// each, and where the chart's list of children ends (new series go there).
struct TrptChartStreamSeries {
    QString ClassName;
    QString Name;
    QString Title;
    TColor SeriesColor = clDefault;
    bool ColorEachPoint = false;
    bool HasColorEachPoint = false;
    // Where the series' property list ends (changed properties are appended there).
    qsizetype PropsEnd = -1;
};
struct TrptChartStreamInfo {
    QString ClassName;
    QString Name;
    QStringList TitleText;
    bool LegendVisible = true;
    std::vector<TrptChartStreamSeries> Series;
    qsizetype PropsEnd = -1;
    qsizetype ChildrenEnd = -1;
};
// False when the bytes are not a component stream Korvel can walk.
bool ReadChartStream(const QByteArray& Data, TrptChartStreamInfo& Info);
// A component stream of a chart named Name with the given series.
QByteArray WriteChartStream(const QString& Name, const TChart& Chart, const QStringList& SeriesClasses);
// One series component as it sits in a chart's list of children.
QByteArray WriteSeriesComponent(const QString& ClassName, const QString& Name, const TChartSeries* Series);

class TrptChartView : public TrptView {
    KORVEL_CLASS(TrptChartView, TrptView)
public:
    explicit TrptChartView(TComponent* AOwner = nullptr);
    ~TrptChartView() override;

    QString GetDescription() const override;
    void BeforeStartReport() override;
    void OnNotify(TObject* Sender) override;
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;
    void GetData() override;
    void AfterPrint() override;

    // A series of one of the first eleven kinds, with its item; ErptChartError for the others.
    void AddSeries(TrptChartSeries Series);
    // A new empty chart and no items.
    void ClearSeries();
    // Feeds every series from its item.
    void LoadAllSeries();
    // The kind of the chart series at Index (csLine .. csChartShape), or -1 for a series
    // whose kind Korvel does not know (kept in the stream, not drawn).
    int SeriesKind(int Index) const;
    static QString SeriesClassName(TrptChartSeries Kind);

    TChart* Chart() const { return FChart.get(); }
    TrptSeriesData* SeriesData() const { return FSeriesData.get(); }
    bool IgnoreNulls() const { return FIgnoreNulls; }
    void SetIgnoreNulls(bool Value) { FIgnoreNulls = Value; }
    int ChartElevation() const { return FChartElevation; }
    void SetChartElevation(int Value) { FChartElevation = Value; }
    // The component stream as read from the template (empty for a chart made here).
    const QByteArray& ChartStream() const { return FChartStream; }
    // Reads a component stream as the "Chart" property does.
    void SetChartStream(const QByteArray& Data);
    // What the "Chart" property writes.
    QByteArray ChartStreamToWrite() const;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;
    virtual void MakeChart();

private:
    void ApplyKindToAxes(int Kind);
    std::unique_ptr<TChart> FChart;
    std::unique_ptr<TrptSeriesData> FSeriesData;
    bool FIgnoreNulls = false;
    int FChartElevation = 345;
    // Kinds of the chart's series, in order (-1: a class Korvel does not know).
    std::vector<int> FKinds;
    // Class and component names of the series as the stream holds them.
    QStringList FSeriesClasses, FSeriesNames;
    QByteArray FChartStream;
    // Series added since FChartStream was read: they go in front of its children's end.
    int FAddedSince = 0;
    bool FStreamReadable = false;
    TrptChartStreamInfo FStreamInfo;
};

// The companion component, grouped with the class library's controls; it has no behaviour.
class TrptChartObject : public TComponent {
    KORVEL_CLASS(TrptChartObject, TComponent)
public:
    explicit TrptChartObject(TComponent* AOwner = nullptr) : TComponent(AOwner) {}
};

// Registers the chart classes for templates (once per process).
void RegisterChartClasses();
// Puts the chart object into the object registry (palette image 25), and takes it out again.
void RegisterChartObject();
void UnregisterChartObject();
