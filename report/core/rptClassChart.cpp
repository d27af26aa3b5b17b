#include "report/core/rptClassChart.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Metafile.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/Filer.h"
#include "report/core/rptClassBand.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXMLSerializer.h"

#include <algorithm>
#include <mutex>
#include <numeric>
#include <typeinfo>

namespace {

const char* const KindClasses[] = {"TLineSeries",     "TAreaSeries",  "TPointSeries", "TBarSeries",
                                   "THorizBarSeries", "TPieSeries",   "TGanttSeries", "TFastLineSeries",
                                   "TArrowSeries",    "TBubbleSeries", "TChartShape"};
constexpr int DrawnKinds = 11;

int KindOfClass(const QString& ClassName) {
    for (int i = 0; i < DrawnKinds; ++i)
        if (ClassName.compare(QLatin1String(KindClasses[i]), Qt::CaseInsensitive) == 0) return i;
    return -1;
}

std::unique_ptr<TChartSeries> MakeSeries(int Kind) {
    switch (Kind) {
    case csLine: return std::make_unique<TLineSeries>();
    case csArea: return std::make_unique<TAreaSeries>();
    case csPoint: return std::make_unique<TPointSeries>();
    case csBar: return std::make_unique<TBarSeries>();
    case csHorizBar: return std::make_unique<THorizBarSeries>();
    case csPie: return std::make_unique<TPieSeries>();
    case csGantt: return std::make_unique<TGanttSeries>();
    case csFastLine: return std::make_unique<TFastLineSeries>();
    case csArrow: return std::make_unique<TArrowSeries>();
    case csBubble: return std::make_unique<TBubbleSeries>();
    case csChartShape: return std::make_unique<TChartShape>();
    default: {
        // A series of a class Korvel does not draw: it keeps its place and shows nothing.
        auto s = std::make_unique<TBarSeries>();
        s->SetActive(false);
        return s;
    }
    }
}

double NumberOf(const QString& s) {
    return ReportStrToFloat(s);
}

// A date-time when the list holds date-times, else a number.
double ValueOf(const TChartValueList& List, const QString& s) {
    return List.DateTime() ? StrToDateTime(s) : NumberOf(s);
}

// Reads values of a component stream one at a time, without copying the bytes.
struct TWalker {
    const QByteArray& D;
    qsizetype P = 0;
    bool Peek(quint8& b) const {
        if (P >= D.size()) return false;
        b = static_cast<quint8>(D[P]);
        return true;
    }
    bool Short(QString& s) {
        quint8 n;
        if (!Peek(n) || P + 1 + n > D.size()) return false;
        s = QString::fromUtf8(D.constData() + P + 1, n);
        P += 1 + n;
        return true;
    }
    TReader Here() const { return TReader(QByteArray::fromRawData(D.constData() + P, D.size() - P)); }
};

bool ReadObject(TWalker& w, int depth, TrptChartStreamInfo& info, TrptChartStreamSeries* series) {
    if (depth > 32) return false;
    quint8 b;
    if (!w.Peek(b)) return false;
    if ((b & 0xF0) == 0xF0) {
        ++w.P;
        if (b & 0x02) {
            TReader r = w.Here();
            r.SkipValue();
            w.P += r.Position();
        }
    }
    QString cls, name;
    if (!w.Short(cls) || !w.Short(name)) return false;
    if (depth == 0) info.ClassName = cls, info.Name = name;
    if (series) series->ClassName = cls, series->Name = name;
    while (w.Peek(b) && b != 0) {
        QString prop;
        if (!w.Short(prop)) return false;
        TReader r = w.Here();
        const QString p = prop.toLower();
        if (depth == 0 && p == QLatin1String("title.text.strings")) {
            // A later copy of the property replaces the lines, as reading a string list does.
            info.TitleText.clear();
            r.ReadListBegin();
            while (!r.EndOfList())
                info.TitleText << r.ReadString();
            r.ReadListEnd();
        } else if (depth == 0 && p == QLatin1String("legend.visible")) {
            info.LegendVisible = r.ReadBoolean();
        } else if (series && p == QLatin1String("title")) {
            series->Title = r.ReadString();
        } else if (series && p == QLatin1String("seriescolor")) {
            if (r.NextValue() == vaIdent) {
                TColor c;
                if (IdentToColor(r.ReadIdent(), c)) series->SeriesColor = c;
            } else {
                series->SeriesColor = static_cast<TColor>(r.ReadInteger());
            }
        } else if (series && p == QLatin1String("coloreachpoint")) {
            series->ColorEachPoint = r.ReadBoolean();
            series->HasColorEachPoint = true;
        } else {
            r.SkipValue();
        }
        w.P += r.Position();
    }
    if (!w.Peek(b)) return false;
    if (depth == 0) info.PropsEnd = w.P;
    if (series) series->PropsEnd = w.P;
    ++w.P;
    while (w.Peek(b) && b != 0) {
        TrptChartStreamSeries child;
        if (!ReadObject(w, depth + 1, info, depth == 0 ? &child : nullptr)) return false;
        if (depth == 0 && (child.ClassName.endsWith(QLatin1String("Series"), Qt::CaseInsensitive) ||
                           child.ClassName.compare(QLatin1String("TChartShape"), Qt::CaseInsensitive) == 0))
            info.Series.push_back(child);
    }
    if (!w.Peek(b)) return false;
    if (depth == 0) info.ChildrenEnd = w.P;
    ++w.P;
    return true;
}

} // namespace

bool ReadChartStream(const QByteArray& Data, TrptChartStreamInfo& Info) {
    Info = TrptChartStreamInfo();
    if (!Data.startsWith("TPF0")) return false;
    TWalker w{Data, 4};
    try {
        return ReadObject(w, 0, Info, nullptr);
    } catch (const Exception&) {
        return false;
    }
}

namespace {

// A colour as the stream writes it: by name where it has one, else as a number.
void WriteSeriesColor(TWriter& w, TColor Color) {
    w.WritePropName(QStringLiteral("SeriesColor"));
    QString ident;
    if (ColorToIdent(Color, ident))
        w.WriteIdent(ident);
    else
        w.WriteInteger(static_cast<Int64>(Color));
}

} // namespace

QByteArray WriteSeriesComponent(const QString& ClassName, const QString& Name, const TChartSeries* Series) {
    TWriter w;
    w.WritePropName(ClassName);
    w.WritePropName(Name);
    if (Series) {
        if (!Series->Title().isEmpty()) {
            w.WritePropName(QStringLiteral("Title"));
            w.WriteString(Series->Title());
        }
        if (Series->ColorEachPoint()) {
            w.WritePropName(QStringLiteral("ColorEachPoint"));
            w.WriteBoolean(true);
        }
        // A colour given to the series (by a script, say) must survive the copy onto a page.
        if (Series->SeriesColor() != clDefault && Series->ParentChart()) {
            const int place = Series->ParentChart()->SeriesIndex(Series);
            if (Series->SeriesColor() != TCustomChart::DefaultColor(place)) {
                WriteSeriesColor(w, Series->SeriesColor());
            }
        }
    }
    w.WriteListEnd();
    w.WriteListEnd();
    return w.Data();
}

QByteArray WriteChartStream(const QString& Name, const TChart& Chart, const QStringList& SeriesClasses) {
    TWriter w;
    w.WriteRawValue(QByteArrayLiteral("TPF0"));
    w.WritePropName(QStringLiteral("TChart"));
    w.WritePropName(Name);
    w.WritePropName(QStringLiteral("BevelInner"));
    w.WriteIdent(QStringLiteral("bvNone"));
    w.WritePropName(QStringLiteral("BevelOuter"));
    w.WriteIdent(QStringLiteral("bvNone"));
    w.WritePropName(QStringLiteral("Color"));
    w.WriteIdent(ColorToString(Chart.Color()));
    if (!Chart.Title()->Text().isEmpty()) {
        w.WritePropName(QStringLiteral("Title.Text.Strings"));
        w.WriteListBegin();
        for (const QString& line : Chart.Title()->Text().split(QLatin1Char('\n')))
            w.WriteString(line);
        w.WriteListEnd();
    }
    if (!Chart.Legend()->Visible()) {
        w.WritePropName(QStringLiteral("Legend.Visible"));
        w.WriteBoolean(false);
    }
    w.WriteListEnd();
    for (int i = 0; i < SeriesClasses.size(); ++i)
        w.WriteRawValue(WriteSeriesComponent(SeriesClasses[i], QStringLiteral("Series%1").arg(i + 1),
                                             i < Chart.SeriesCount() ? Chart.Series(i) : nullptr));
    w.WriteListEnd();
    return w.Data();
}

// =============================================================================================
// Helpers

bool IsNullText(const QString& s) {
    return s.isEmpty() || s.compare(QLatin1String("NULL"), Qt::CaseInsensitive) == 0;
}

TColor SeriesColorOf(const QString& s) {
    if (s.trimmed().isEmpty()) return clDefault;
    try {
        return StringToColor(s.trimmed());
    } catch (const Exception&) {
        return clDefault;
    }
}

QString TrptStdSeriesHelper::GetParamNames() const {
    return QStringLiteral("Label;Y;X (optional);Color (optional)");
}

void TrptStdSeriesHelper::AddValues(TChartSeries* Series, const QString& v1, const QString& v2,
                                    const QString& v3, const QString& v4, const QString&, const QString&,
                                    TrptSeriesXType XType) {
    if (IsNullText(v2)) {
        Series->AddNull(v1);
        return;
    }
    double y;
    if (Series->YValues().DateTime())
        y = StrToDateTime(v2);
    else
        y = IsValidReportFloat(v2) ? NumberOf(v2) : 0.0;
    const QString x = v3.isEmpty() ? v1 : v3;
    const TColor c = SeriesColorOf(v4);
    switch (XType) {
    case xtText:
        Series->Add(y, v1, c);
        break;
    case xtNumber:
        Series->AddXY(NumberOf(x), y, v1, c);
        break;
    case xtDate:
        Series->XValues().SetDateTime(true);
        Series->AddXY(StrToDateTime(x), y, v1, c);
        break;
    }
}

QString TrptPieSeriesHelper::GetParamNames() const {
    return QStringLiteral("Label;Pie;Color (optional)");
}

void TrptPieSeriesHelper::AddValues(TChartSeries* Series, const QString& v1, const QString& v2, const QString& v3,
                                    const QString&, const QString&, const QString&, TrptSeriesXType) {
    if (IsNullText(v2)) {
        Series->AddNull(v1);
        return;
    }
    Series->Add(ValueOf(Series->YValues(), v2), v1, SeriesColorOf(v3));
}

QString TrptGanttSeriesHelper::GetParamNames() const {
    return QStringLiteral("Label;Start;End;Y;Next task");
}

void TrptGanttSeriesHelper::AddValues(TChartSeries* Series, const QString& v1, const QString& v2,
                                      const QString& v3, const QString& v4, const QString& v5, const QString&,
                                      TrptSeriesXType) {
    auto* g = dynamic_cast<TGanttSeries*>(Series);
    if (!g || IsNullText(v2) || IsNullText(v3) || IsNullText(v4)) {
        Series->AddNull(v1);
        return;
    }
    const int i = g->AddGantt(ValueOf(g->StartValues(), v2), ValueOf(g->EndValues(), v3), NumberOf(v4), v1);
    if (!v5.isEmpty()) g->NextTask().SetValue(i, StrToInt(v5.trimmed()));
}

QString TrptArrowSeriesHelper::GetParamNames() const {
    return QStringLiteral("Label;X0;Y0;X1;Y1;Color (optional)");
}

void TrptArrowSeriesHelper::AddValues(TChartSeries* Series, const QString& v1, const QString& v2,
                                      const QString& v3, const QString& v4, const QString& v5, const QString& v6,
                                      TrptSeriesXType) {
    auto* a = dynamic_cast<TArrowSeries*>(Series);
    if (!a || IsNullText(v2) || IsNullText(v3) || IsNullText(v4) || IsNullText(v5)) {
        Series->AddNull(v1);
        return;
    }
    a->AddArrow(NumberOf(v2), NumberOf(v3), NumberOf(v4), NumberOf(v5), v1, SeriesColorOf(v6));
}

QString TrptBubbleSeriesHelper::GetParamNames() const {
    return QStringLiteral("Label;X;Y;Radius;Color (optional)");
}

void TrptBubbleSeriesHelper::AddValues(TChartSeries* Series, const QString& v1, const QString& v2,
                                       const QString& v3, const QString& v4, const QString& v5, const QString&,
                                       TrptSeriesXType) {
    auto* b = dynamic_cast<TBubbleSeries*>(Series);
    if (!b || IsNullText(v2) || IsNullText(v3) || IsNullText(v4)) {
        Series->AddNull(v1);
        return;
    }
    b->AddBubble(NumberOf(v2), NumberOf(v3), NumberOf(v4), v1, SeriesColorOf(v5));
}

std::unique_ptr<TrptSeriesHelper> CreateSeriesHelper(TChartSeries* Series) {
    const std::type_info& t = typeid(*Series);
    if (t == typeid(TPieSeries)) return std::make_unique<TrptPieSeriesHelper>();
    if (t == typeid(TGanttSeries)) return std::make_unique<TrptGanttSeriesHelper>();
    if (t == typeid(TArrowSeries)) return std::make_unique<TrptArrowSeriesHelper>();
    if (t == typeid(TBubbleSeries)) return std::make_unique<TrptBubbleSeriesHelper>();
    return std::make_unique<TrptStdSeriesHelper>();
}

// =============================================================================================
// TrptSeriesItem

KORVEL_CLASS_INFO(TrptSeriesItem) {
    using C = TrptSeriesItem;
    b.Prop("DataType", &C::DataType, &C::SetDataType).Default(int(dtDBData));
    b.Prop("DataBand", &C::DataBand, &C::SetDataBand);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("SortOrder", &C::SortOrder, &C::SetSortOrder).Default(int(soNone));
    b.Prop("TopN", &C::TopN, &C::SetTopN).Default(0);
    b.Prop("TopNCaption", &C::TopNCaption, &C::SetTopNCaption);
    b.Prop("XType", &C::XType, &C::SetXType).Default(int(xtText));
    b.Prop("Source1", [](const C& c) { return c.Source(1); }, [](C& c, const QString& v) { c.SetSource(1, v); });
    b.Prop("Source2", [](const C& c) { return c.Source(2); }, [](C& c, const QString& v) { c.SetSource(2, v); });
    b.Prop("Source3", [](const C& c) { return c.Source(3); }, [](C& c, const QString& v) { c.SetSource(3, v); });
    b.Prop("Source4", [](const C& c) { return c.Source(4); }, [](C& c, const QString& v) { c.SetSource(4, v); });
    b.Prop("Source5", [](const C& c) { return c.Source(5); }, [](C& c, const QString& v) { c.SetSource(5, v); });
    b.Prop("Source6", [](const C& c) { return c.Source(6); }, [](C& c, const QString& v) { c.SetSource(6, v); });
    b.Prop("Values1", [](const C& c) { return c.Values(1); }, [](C& c, const QString& v) { c.SetValues(1, v); });
    b.Prop("Values2", [](const C& c) { return c.Values(2); }, [](C& c, const QString& v) { c.SetValues(2, v); });
    b.Prop("Values3", [](const C& c) { return c.Values(3); }, [](C& c, const QString& v) { c.SetValues(3, v); });
    b.Prop("Values4", [](const C& c) { return c.Values(4); }, [](C& c, const QString& v) { c.SetValues(4, v); });
    b.Prop("Values5", [](const C& c) { return c.Values(5); }, [](C& c, const QString& v) { c.SetValues(5, v); });
    b.Prop("Values6", [](const C& c) { return c.Values(6); }, [](C& c, const QString& v) { c.SetValues(6, v); });
    b.Prop("XSource", [](const C& c) { return c.Source(1); }, [](C& c, const QString& v) { c.SetSource(1, v); });
    b.Prop("YSource", [](const C& c) { return c.Source(2); }, [](C& c, const QString& v) { c.SetSource(2, v); });
    b.Prop("XValues", [](const C& c) { return c.Values(1); }, [](C& c, const QString& v) { c.SetValues(1, v); });
    b.Prop("YValues", [](const C& c) { return c.Values(2); }, [](C& c, const QString& v) { c.SetValues(2, v); });
}

TrptSeriesItem::TrptSeriesItem(TCollection* Collection) : TCollectionItem(Collection) {}
TrptSeriesItem::~TrptSeriesItem() = default;

TrptChartView* TrptSeriesItem::Chart() const {
    auto* data = dynamic_cast<TrptSeriesData*>(Collection());
    return data ? data->Chart() : nullptr;
}

void TrptSeriesItem::SetDataSet(TrptDataSet* Value) {
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : QString();
}

QString TrptSeriesItem::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TrptSeriesItem::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    TrptChartView* chart = Chart();
    FDataSet = !Value.isEmpty() && chart ? chart->FindDataSet(FDataSet, Value) : nullptr;
}

void TrptSeriesItem::ClearValues() {
    for (QString& v : FValues)
        v.clear();
}

void TrptSeriesItem::AppendValue(int k, const QString& Text) {
    FValues[k - 1] += QLatin1Char(';');
    FValues[k - 1] += Text;
}

std::vector<QStringList> TrptSeriesItem::ValueLists() const {
    std::vector<QStringList> r(6);
    for (int k = 0; k < 6; ++k) {
        QString v = FValues[k];
        const bool collected = v.startsWith(QLatin1Char(';'));
        if (collected) v.remove(0, 1);
        TStringList list;
        SplitDelimitedText(v, list, QLatin1Char(';'));
        for (int i = 0; i < list.Count(); ++i)
            r[static_cast<size_t>(k)] << list[i];
        // Collected values each come after a ';': one at the end is an empty (null) last value.
        if (collected && v.endsWith(QLatin1Char(';'))) r[static_cast<size_t>(k)] << QString();
    }
    return r;
}

namespace {

double SortValue(const QString& s) {
    return IsValidReportFloat(s) ? ReportStrToFloat(s) : 0.0;
}

// Moving the first smallest (or largest) remaining entry to the front, step by step, keeps equal
// entries in their order: a stable sort of the Y list gives the same result. Lists shorter than
// the Y list take each move only where the moved entry exists in them.
void SortLists(std::vector<QStringList>& lists, bool descending) {
    const QStringList& y = lists[1];
    const int n = static_cast<int>(y.size());
    std::vector<double> v(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v[static_cast<size_t>(i)] = SortValue(y[i]);
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return descending ? v[static_cast<size_t>(a)] > v[static_cast<size_t>(b)]
                          : v[static_cast<size_t>(a)] < v[static_cast<size_t>(b)];
    });
    for (size_t k = 0; k < lists.size(); ++k) {
        QStringList& l = lists[k];
        if (l.isEmpty()) continue;
        if (l.size() >= n) {
            QStringList sorted;
            sorted.reserve(l.size());
            for (int i : order)
                sorted << l[i];
            for (qsizetype i = n; i < l.size(); ++i)
                sorted << l[i];
            l = sorted;
            continue;
        }
        // The moves one by one: cur holds the original index at each place.
        std::vector<int> cur(static_cast<size_t>(n));
        std::iota(cur.begin(), cur.end(), 0);
        for (int i = 0; i < n; ++i) {
            const int want = order[static_cast<size_t>(i)];
            const int j = static_cast<int>(std::find(cur.begin() + i, cur.end(), want) - cur.begin());
            cur.erase(cur.begin() + j);
            cur.insert(cur.begin() + i, want);
            if (j < l.size()) l.move(j, i);
        }
    }
}

} // namespace

void TrptSeriesItem::LoadSeries(TChartSeries* Series) {
    if (!Series) return;
    Series->Clear();
    std::vector<QStringList> lists = ValueLists();
    if (lists[1].isEmpty()) return;
    const bool sameLength = lists[0].size() == lists[1].size();
    if (FTopN > 0 && FTopN < lists[1].size()) {
        if (sameLength) {
            FSortOrder = soDescending;
            SortLists(lists, true);
            double sum = 0;
            const qsizetype from = FTopN - 1;
            for (qsizetype i = from; i < lists[1].size(); ++i)
                sum += SortValue(lists[1][i]);
            for (QStringList& l : lists)
                if (l.size() > from) l.erase(l.begin() + from, l.end());
            lists[0] << FTopNCaption;
            lists[1] << FloatToStr(sum);
        }
    } else if (FSortOrder != soNone && sameLength) {
        SortLists(lists, FSortOrder == soDescending);
    }
    std::unique_ptr<TrptSeriesHelper> helper = CreateSeriesHelper(Series);
    const auto at = [&](int k, qsizetype i) { return i < lists[static_cast<size_t>(k)].size() ? lists[static_cast<size_t>(k)][i] : QString(); };
    for (qsizetype i = 0; i < lists[1].size(); ++i)
        helper->AddValues(Series, at(0, i), at(1, i), at(2, i), at(3, i), at(4, i), at(5, i), FXType);
}

// =============================================================================================
// TrptSeriesData

KORVEL_CLASS_INFO(TrptSeriesData) {
    b.Factory(nullptr);
}

TrptSeriesData::TrptSeriesData(TrptChartView* AChart)
    : TCollection(TrptSeriesItem::StaticClassInfo()), FChart(AChart) {}

TrptReport* TrptSeriesData::Report() const {
    return FChart ? FChart->Report() : nullptr;
}

TPersistent* TrptSeriesData::GetOwner() const {
    return FChart;
}

// =============================================================================================
// TrptChartView

KORVEL_CLASS_INFO(TrptChartView) {
    using C = TrptChartView;
    b.Prop("IgnoreNulls", &C::IgnoreNulls, &C::SetIgnoreNulls).Default(false);
    b.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(int(bsSolid));
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("URL", &C::URL, &C::SetURL);
}

TrptChartView::TrptChartView(TComponent* AOwner) : TrptView(AOwner) {
    MakeChart();
    FSeriesData = std::make_unique<TrptSeriesData>(this);
}

TrptChartView::~TrptChartView() {
    FChart.reset();
}

QString TrptChartView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obChart"));
}

void TrptChartView::MakeChart() {
    FChart = std::make_unique<TChart>();
    FChart->SetColor(clWhite);
    FChart->Title()->SetText(QString());
    FKinds.clear();
    FSeriesClasses.clear();
}

QString TrptChartView::SeriesClassName(TrptChartSeries Kind) {
    return Kind >= 0 && Kind < DrawnKinds ? QString::fromLatin1(KindClasses[Kind]) : QString();
}

int TrptChartView::SeriesKind(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FKinds.size()) ? FKinds[static_cast<size_t>(Index)] : -1;
}

void TrptChartView::ApplyKindToAxes(int Kind) {
    FChart->SetAxisVisible(Kind != csPie);
}

void TrptChartView::AddSeries(TrptChartSeries Series) {
    if (Series < 0 || Series >= DrawnKinds) {
        const QString name = GetEnumName(TypeInfoOf(static_cast<TrptChartSeries*>(nullptr)), Series);
        throw ErptChartError(
            QStringLiteral("The chart series kind %1 cannot be added: charts draw line, area, point, bar, "
                           "horizontal bar, pie, Gantt, fast line, arrow, bubble and shape series")
                .arg(name.isEmpty() ? QString::number(int(Series)) : name));
    }
    FChart->AddSeries(MakeSeries(Series));
    FKinds.push_back(Series);
    FSeriesClasses << SeriesClassName(Series);
    ++FAddedSince;
    FSeriesData->Add();
    ApplyKindToAxes(Series);
}

void TrptChartView::ClearSeries() {
    MakeChart();
    FSeriesData->Clear();
    FChartStream.clear();
    FStreamReadable = false;
    FAddedSince = 0;
}

void TrptChartView::SetChartStream(const QByteArray& Data) {
    MakeChart();
    FChartStream = Data;
    FAddedSince = 0;
    FStreamReadable = ReadChartStream(Data, FStreamInfo);
    if (!FStreamReadable) return;
    FChart->Title()->SetText(FStreamInfo.TitleText.join(QLatin1Char('\n')));
    FChart->Legend()->SetVisible(FStreamInfo.LegendVisible);
    for (const TrptChartStreamSeries& s : FStreamInfo.Series) {
        const int kind = KindOfClass(s.ClassName);
        TChartSeries* made = FChart->AddSeries(MakeSeries(kind));
        if (!s.Title.isEmpty()) made->SetTitle(s.Title);
        if (s.SeriesColor != clDefault) made->SetSeriesColor(s.SeriesColor);
        if (s.HasColorEachPoint) made->SetColorEachPoint(s.ColorEachPoint);
        else if (kind == csPie) made->SetColorEachPoint(true);
        FKinds.push_back(kind);
        FSeriesClasses << s.ClassName;
        if (kind >= 0) ApplyKindToAxes(kind);
    }
}

namespace {

// The settings Korvel knows that differ from what the stream held, as properties to append to
// the component's property list (a later value of a property overrides an earlier one).
QByteArray ChangedSeriesProps(const TrptChartStreamSeries& Read, const TChartSeries* S, int Place, int Kind) {
    TWriter w;
    if (S->Title() != Read.Title) {
        w.WritePropName(QStringLiteral("Title"));
        w.WriteString(S->Title());
    }
    const TColor readColour = Read.SeriesColor == clDefault ? TCustomChart::DefaultColor(Place) : Read.SeriesColor;
    if (S->SeriesColor() != readColour) {
        WriteSeriesColor(w, S->SeriesColor());
    }
    // A pie read without the flag colours each point (as the stream's reader set it).
    if (S->ColorEachPoint() != (Read.HasColorEachPoint ? Read.ColorEachPoint : Kind == csPie)) {
        w.WritePropName(QStringLiteral("ColorEachPoint"));
        w.WriteBoolean(S->ColorEachPoint());
    }
    return w.Data();
}

} // namespace

QByteArray TrptChartView::ChartStreamToWrite() const {
    if (!FChartStream.isEmpty() && FStreamReadable && FStreamInfo.ChildrenEnd > 0 && FStreamInfo.PropsEnd > 0) {
        // The bytes stay as read; what was changed here (by a script, say) is appended to the
        // property lists, and series added here go at the end of the chart's children.
        std::vector<std::pair<qsizetype, QByteArray>> inserts;
        QByteArray added;
        const int first = FChart->SeriesCount() - FAddedSince;
        for (int i = std::max(0, first); i < FChart->SeriesCount(); ++i)
            added += WriteSeriesComponent(FSeriesClasses.value(i), QStringLiteral("KorvelSeries%1").arg(i + 1),
                                          FChart->Series(i));
        if (!added.isEmpty()) inserts.emplace_back(FStreamInfo.ChildrenEnd, added);
        for (size_t i = 0; i < FStreamInfo.Series.size() && static_cast<int>(i) < FChart->SeriesCount(); ++i) {
            const TrptChartStreamSeries& read = FStreamInfo.Series[i];
            QByteArray props =
                ChangedSeriesProps(read, FChart->Series(static_cast<int>(i)), static_cast<int>(i), SeriesKind(static_cast<int>(i)));
            if (!props.isEmpty() && read.PropsEnd > 0) inserts.emplace_back(read.PropsEnd, props);
        }
        TWriter chart;
        if (FChart->Title()->Text() != FStreamInfo.TitleText.join(QLatin1Char('\n'))) {
            chart.WritePropName(QStringLiteral("Title.Text.Strings"));
            chart.WriteListBegin();
            if (!FChart->Title()->Text().isEmpty())
                for (const QString& line : FChart->Title()->Text().split(QLatin1Char('\n')))
                    chart.WriteString(line);
            chart.WriteListEnd();
        }
        if (FChart->Legend()->Visible() != FStreamInfo.LegendVisible) {
            chart.WritePropName(QStringLiteral("Legend.Visible"));
            chart.WriteBoolean(FChart->Legend()->Visible());
        }
        if (!chart.Data().isEmpty()) inserts.emplace_back(FStreamInfo.PropsEnd, chart.Data());
        if (inserts.empty()) return FChartStream;
        // From the back, so that the earlier places stay where they were read.
        std::sort(inserts.begin(), inserts.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        QByteArray r = FChartStream;
        for (const auto& [at, bytes] : inserts)
            r.insert(at, bytes);
        return r;
    }
    // Bytes Korvel cannot walk stay as they are unless series were added here.
    if (!FChartStream.isEmpty() && FAddedSince == 0) return FChartStream;
    QStringList classes = FSeriesClasses;
    for (QString& c : classes)
        if (c.isEmpty()) c = QStringLiteral("TBarSeries");
    return WriteChartStream(QStringLiteral("Chart"), *FChart, classes);
}

void TrptChartView::DefineProperties(TFiler* Filer) {
    TrptView::DefineProperties(Filer);
    Filer->DefineBinaryProperty(
        QStringLiteral("Chart"), [this](const QByteArray& d) { SetChartStream(d); },
        [this] { return ChartStreamToWrite(); }, true);
    Filer->DefineProperty(
        QStringLiteral("ChartElevation"),
        [this](TReader& r) { FChartElevation = static_cast<int>(r.ReadInteger()); },
        [this](TWriter& w) { w.WriteInteger(FChartElevation); }, true);
    Filer->DefineProperty(
        QStringLiteral("SeriesData"), [this](TReader& r) { ReadCollectionXml(FSeriesData.get(), r, this); },
        [this](TWriter& w) { WriteCollectionXml(FSeriesData.get(), w, this); }, true);
}

void TrptChartView::Notification(TComponent* AComponent, TOperation Operation) {
    TrptView::Notification(AComponent, Operation);
    if (Operation != opRemove || !FSeriesData) return;
    for (int i = 0; i < FSeriesData->Count(); ++i) {
        TrptSeriesItem* item = FSeriesData->Series(i);
        if (item->DataSet() && static_cast<TComponent*>(item->DataSet()) == AComponent) {
            const QString name = item->DataSetName();
            item->SetDataSet(nullptr);
            item->SetDataSetName(QString());
            (void)name;
        }
        if (item->DataBand() && static_cast<TComponent*>(item->DataBand()) == AComponent) item->SetDataBand(nullptr);
    }
}

void TrptChartView::BeforeStartReport() {
    for (int i = 0; i < FSeriesData->Count(); ++i)
        FSeriesData->Series(i)->ClearValues();
    if (TrptReport* report = Report())
        if (TrptCustomEngine* engine = report->Engine()) {
            auto& list = engine->NotifyList();
            if (std::find(list.begin(), list.end(), this) == list.end()) list.push_back(this);
        }
}

void TrptChartView::GetData() {
    TrptView::GetData();
    TrptReport* report = Report();
    for (int n = 0; n < FSeriesData->Count(); ++n) {
        TrptSeriesItem* item = FSeriesData->Series(n);
        if (item->DataType() == dtFixedData) {
            for (int k = 1; k <= 6; ++k)
                item->SetValues(k, item->Source(k));
            continue;
        }
        if (item->DataType() != dtDBData || !item->DataSet() || !report) continue;
        item->ClearValues();
        TrptDataSet* ds = item->DataSet();
        ds->First();
        while (!ds->Eof()) {
            for (int k = 1; k <= 6; ++k) {
                if (item->Source(k).trimmed().isEmpty()) continue;
                const Variant v = report->Calc(item->Source(k));
                if (k == 1 || FIgnoreNulls || !v.IsNull())
                    item->AppendValue(k, VarToStr(v));
                else
                    item->AppendValue(k, QStringLiteral("0"));
            }
            ds->Next();
        }
    }
}

void TrptChartView::OnNotify(TObject* Sender) {
    TrptReport* report = Report();
    if (!report) return;
    for (int n = 0; n < FSeriesData->Count(); ++n) {
        TrptSeriesItem* item = FSeriesData->Series(n);
        if (item->DataType() != dtBandData || !item->DataBand() || static_cast<TObject*>(item->DataBand()) != Sender)
            continue;
        report->SetCurObject(Name());
        for (int k = 1; k <= 6; ++k) {
            if (item->Source(k).trimmed().isEmpty()) continue;
            const Variant v = report->Calc(item->Source(k));
            if (k != 1 && FIgnoreNulls && v.IsNull())
                item->AppendValue(k, QStringLiteral("0"));
            else
                item->AppendValue(k, VarToStr(v));
        }
    }
}

void TrptChartView::AfterPrint() {
    TrptView::AfterPrint();
    for (int i = 0; i < FSeriesData->Count(); ++i)
        FSeriesData->Series(i)->ClearValues();
}

void TrptChartView::LoadAllSeries() {
    // Items beyond the chart's series (a stream Korvel could not read) are drawn as bars.
    while (FChart->SeriesCount() < FSeriesData->Count()) {
        FChart->AddSeries(MakeSeries(csBar));
        FKinds.push_back(csBar);
        FSeriesClasses << QString();
    }
    for (int i = 0; i < FSeriesData->Count(); ++i)
        FSeriesData->Series(i)->LoadSeries(FChart->Series(i));
}

void TrptChartView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    LoadAllSeries();
    FChart->SetColor(Color() == clNone ? clWhite : Color());
    const int w = static_cast<int>(Round(Width())), h = static_cast<int>(Round(Height()));
    if (FCanvas && w > 0 && h > 0 && FX1 > FX && FY1 > FY) {
        // Drawn at the object's own size and stretched, as a picture is.
        TMetafile picture;
        picture.SetEnhanced(false);
        picture.SetWidth(w);
        picture.SetHeight(h);
        {
            TMetafileCanvas canvas(picture);
            FChart->Draw(canvas, TRect(0, 0, w, h));
        }
        picture.Draw(*FCanvas, TRect(FX, FY, FX1, FY1));
    }
    DrawFrame();
}

// =============================================================================================

void RegisterChartClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterViewClasses();
        RegisterClasses({TrptChartView::StaticClassInfo(), TrptChartObject::StaticClassInfo()});
    });
}

KORVEL_CLASS_INFO(TrptChartObject) {}

void RegisterChartObject() {
    RegisterChartClasses();
    ObjectRegistry()->RegisterObject1(TrptChartView::StaticClassInfo(), nullptr, QString(), QString(), 0, 25);
}

void UnregisterChartObject() {
    ObjectRegistry()->Unregister(TrptChartView::StaticClassInfo());
}
