#include "script/sc_ichartrtti.h"

#include "platform/gfx/Chart.h"
#include "platform/rtti/Classes.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_igraphicsrtti.h"

using namespace scbind;

namespace sc_ichartrtti {

namespace {

bool Is(const QString& Name, const char* Literal) {
    return Name == QLatin1String(Literal);
}

// The chart model's records descend from TObject's: the scripts' ancestor names (TComponent,
// TWinControl) only route member lookup, and the component properties would not apply.
const TClassInfo* Root() {
    return TObjectClassInfo();
}

const TClassInfo* TitleClass() {
    return HostClass<TChartTitle>("TChartTitle", Root(), [](TClassBuilder<TChartTitle>& b) {
        b.Prop(
            "Text", [](const TChartTitle& t) { return t.Text(); },
            [](TChartTitle& t, const QString& v) { t.SetText(v); });
        b.Prop("Visible", &TChartTitle::Visible, &TChartTitle::SetVisible);
    });
}

const TClassInfo* LegendClass() {
    return HostClass<TChartLegend>(
        "TChartLegend", NamedClass(QStringLiteral("TCustomChartLegend"), Root()),
        [](TClassBuilder<TChartLegend>& b) {
            b.Prop(
                "Alignment", [](const TChartLegend& l) { return int(l.Alignment()); },
                [](TChartLegend& l, int v) {
                    if (v < laLeft || v > laBottom)
                        throw ERangeError(
                            QStringLiteral("Alignment: %1 is not a TLegendAlignment value").arg(v));
                    l.SetAlignment(static_cast<TLegendAlignment>(v));
                });
            b.Prop("Visible", &TChartLegend::Visible, &TChartLegend::SetVisible);
        });
}

const TClassInfo* ValueListClass() {
    return HostClass<TChartValueList>("TChartValueList", Root(), [](TClassBuilder<TChartValueList>& b) {
        b.Prop("Count", &TChartValueList::Count);
        b.Prop("MaxValue", &TChartValueList::MaxValue);
        b.Prop("MinValue", &TChartValueList::MinValue);
        b.Prop("Total", &TChartValueList::Total);
    });
}

const TClassInfo* CustomSeriesClass() {
    return HostClass<TCustomSeries>(
        "TCustomSeries", TFunctions::SeriesClass(), [](TClassBuilder<TCustomSeries>& b) {
            b.Prop("LineWidth", &TCustomSeries::LineWidth, &TCustomSeries::SetLineWidth);
        });
}

const TClassInfo* CircledSeriesClass() {
    return HostClass<TCircledSeries>("TCircledSeries", TFunctions::SeriesClass());
}

} // namespace

const TClassInfo* TFunctions::ChartClass() {
    static const TClassInfo* custom =
        HostClass<TCustomChart>("TCustomChart", Root(), [](TClassBuilder<TCustomChart>& b) {
            b.Prop("AxisColor", &TCustomChart::AxisColor, &TCustomChart::SetAxisColor).Type("TColor");
            b.Prop("Color", &TCustomChart::Color, &TCustomChart::SetColor).Type("TColor");
            b.Prop("Legend", &TCustomChart::Legend);
            b.Prop(
                "MultiBar", [](const TCustomChart& c) { return int(c.MultiBar()); },
                [](TCustomChart& c, int v) {
                    if (v < mbNone || v > mbStacked100)
                        throw ERangeError(QStringLiteral("MultiBar: %1 is not a TMultiBar value").arg(v));
                    c.SetMultiBar(static_cast<TMultiBar>(v));
                });
            b.Prop("SeriesCount", &TCustomChart::SeriesCount);
            b.Prop("Title", &TCustomChart::Title);
        });
    return HostClass<TChart>("TChart", custom);
}

const TClassInfo* TFunctions::SeriesClass() {
    return HostClass<TChartSeries>("TChartSeries", Root(), [](TClassBuilder<TChartSeries>& b) {
        b.Prop("ColorEachPoint", &TChartSeries::ColorEachPoint, &TChartSeries::SetColorEachPoint);
        b.Prop("ParentChart", &TChartSeries::ParentChart, &TChartSeries::SetParentChart);
        b.Prop("SeriesColor", &TChartSeries::SeriesColor, &TChartSeries::SetSeriesColor).Type("TColor");
        b.Prop("ShowInLegend", &TChartSeries::ShowInLegend, &TChartSeries::SetShowInLegend);
        b.Prop("XValues", [](const TChartSeries& s) { return &const_cast<TChartSeries&>(s).XValues(); });
        b.Prop("YValues", [](const TChartSeries& s) { return &const_cast<TChartSeries&>(s).YValues(); });
    });
}

const TClassInfo* TFunctions::BarSeriesClass() {
    return HostClass<TCustomBarSeries>("TCustomBarSeries", SeriesClass(),
                                       [](TClassBuilder<TCustomBarSeries>& b) {
                                           b.Prop("BarWidthPercent", &TCustomBarSeries::BarWidthPercent,
                                                  &TCustomBarSeries::SetBarWidthPercent);
                                       });
}

TFunctions::TFunctions(TscScript* AScript) : TscRTTIModule(AScript) {
    TscScript* s = FScript;
    // Records that properties refer to exist before any class is registered with the script.
    ChartClass();
    ValueListClass();
    TitleClass();
    LegendClass();
    s->AddType(QStringLiteral("TChartValue"), fvtFloat);
    const std::pair<const char*, const char*> enums[] = {
        {"TLegendStyle", "lsAuto, lsSeries, lsValues, lsLastValues"},
        {"TLegendAlignment", "laLeft, laRight, laTop, laBottom"},
        {"TLegendTextStyle",
         "ltsPlain, ltsLeftValue, ltsRightValue, ltsLeftPercent,ltsRightPercent, ltsXValue"},
        {"TChartListOrder", "loNone, loAscending, loDescending"},
        {"TGradientDirection", "gdTopBottom, gdBottomTop, gdLeftRight, gdRightLeft"},
        {"TSeriesMarksStyle", "smsValue, smsPercent, smsLabel, smsLabelPercent, smsLabelValue, smsLegend, "
                              "smsPercentTotal, smsLabelPercentTotal, smsXValue"},
        {"TAxisLabelStyle", "talAuto, talNone, talValue, talMark, talText"},
        {"THorizAxis", "aTopAxis, aBottomAxis"},
        {"TVertAxis", "aLeftAxis, aRightAxis"},
        {"TTeeBackImageMode", "pbmStretch, pbmTile, pbmCenter"},
        {"TPanningMode", "pmNone, pmHorizontal, pmVertical, pmBoth"},
        {"TSeriesPointerStyle",
         "psRectangle, psCircle, psTriangle, psDownTriangle, psCross, psDiagCross, psStar, "
         "psDiamond, psSmallDot"},
        {"TMultiArea", "maNone, maStacked, maStacked100"},
        {"TMultiBar", "mbNone, mbSide, mbStacked, mbStacked100"},
        {"TBarStyle", "bsRectangle, bsPyramid, bsInvPyramid, bsCilinder, bsEllipse, bsArrow, bsRectGradient"},
        {"TPenEndStyle", "esRound, esSquare, esFlat"},
        {"TPenMode", "pmBlack, pmWhite, pmNop, pmNot, pmCopy, pmNotCopy, pmMergePenNot, pmMaskPenNot, "
                     "pmMergeNotPen, pmMaskNotPen, pmMerge, pmNotMerge, pmMask, pmNotMask, pmXor, pmNotXor"},
        {"TPenStyle", "psSolid, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame"}};
    for (const auto& [typ, names] : enums)
        AddEnumList(s, QString::fromLatin1(typ), QString::fromLatin1(names), false);

    const TscCallMethodNewEvent call = [this](TObject* inst, const TClassInfo* cls, const QString& name,
                                              TscMethodHelper* c) {
        return CallHostMethod(inst, cls, name, c);
    };
    const TscGetValueEvent get = &TFunctions::GetHostProperty;
    const TscSetValueEvent set = &TFunctions::SetHostProperty;
    auto Add = [s](const TClassInfo* cls, const char* ancestor) {
        return s->AddClass(cls, QString::fromLatin1(ancestor));
    };
    auto Named = [](const char* name, const TClassInfo* parent) {
        return NamedClass(QString::fromLatin1(name), parent);
    };

    Add(ValueListClass(), "TPersistent");
    Add(Named("TChartAxisTitle", Root()), "TPersistent");
    Add(Named("TChartAxis", Root()), "TPersistent");
    Add(Named("TCustomChartLegend", Root()), "TPersistent");
    Add(LegendClass(), "TCustomChartLegend");
    Add(Named("TSeriesMarks", Root()), "TPersistent");
    Add(Named("TTeeGradient", Root()), "TPersistent");
    Add(Named("TChartWall", Root()), "TPersistent");
    Add(Named("TChartBrush", sc_igraphicsrtti::TFunctions::BrushClass()), "TBrush");
    Add(TitleClass(), "TPersistent");
    Add(Named("TView3DOptions", Root()), "TPersistent");
    Add(Named("TChartPen", Root()), "TComponent");

    TscClassVariable* c = Add(SeriesClass(), "TComponent");
    // Series are not components here: the chart they are made for owns them, so the owner is
    // any object (a chart or nil; anything else is refused when the script runs).
    c->AddConstructor(QStringLiteral("constructor Create(AOwner: TObject)"), call);
    c->AddMethod(QStringLiteral("procedure Clear"), call);
    c->AddMethod(QStringLiteral("procedure Delete(Index: Integer)"), call);
    c->AddMethod(QStringLiteral("function Count: Integer"), call);
    c->AddMethod(QStringLiteral("procedure Add(const AValue: Double; const ALabel: String; AColor: TColor)"),
                 call);
    c->AddProperty(QStringLiteral("Active"), QStringLiteral("Boolean"), get, set);

    Add(Named("TSeriesPointer", Root()), "TPersistent");
    Add(CustomSeriesClass(), "TChartSeries");
    Add(HostClass<TLineSeries>("TLineSeries", CustomSeriesClass()), "TCustomSeries");
    Add(HostClass<TPointSeries>("TPointSeries", CustomSeriesClass()), "TCustomSeries");
    Add(HostClass<TAreaSeries>("TAreaSeries", CustomSeriesClass()), "TCustomSeries");
    c = Add(BarSeriesClass(), "TChartSeries");
    c->AddProperty(QStringLiteral("Title"), QStringLiteral("String"), get, set);
    Add(HostClass<TBarSeries>("TBarSeries", BarSeriesClass()), "TCustomBarSeries");
    Add(HostClass<THorizBarSeries>("THorizBarSeries", BarSeriesClass()), "TCustomBarSeries");
    Add(CircledSeriesClass(), "TChartSeries");
    Add(HostClass<TPieSeries>("TPieSeries", CircledSeriesClass()), "TCircledSeries");
    Add(HostClass<TFastLineSeries>("TFastLineSeries", SeriesClass()), "TChartSeries");
    c = Add(ChartClass()->Parent(), "TWinControl");
    c->AddConstructor(QStringLiteral("constructor Create(AOwner: TObject)"), call);
    Add(ChartClass(), "TCustomChart");
}

Variant TFunctions::CallHostMethod(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                   TscMethodHelper* C) {
    if (Is(Name, "CREATE")) {
        TObject* owner = ArgObject(C, 0);
        if (Cls && Cls->InheritsFrom(SeriesClass())) {
            auto* chart = dynamic_cast<TCustomChart*>(owner);
            if (owner && !chart)
                throw EInvalidOperation(
                    QStringLiteral("A chart series belongs to a chart: create it with its "
                                   "chart or with nil"));
            std::unique_ptr<TObject> made{NewInstance(Cls, nullptr)};
            auto* series = dynamic_cast<TChartSeries*>(made.get());
            if (!series) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
            made.release();
            if (chart) series->SetParentChart(chart);
            return Obj(series);
        }
        if (owner)
            throw EInvalidOperation(
                QStringLiteral("A chart made by a script has no owner: create it with nil and "
                               "free it"));
        return Obj(NewInstance(Cls, nullptr));
    }
    auto& series = Self<TChartSeries>(Instance, Name);
    if (Is(Name, "CLEAR"))
        series.Clear();
    else if (Is(Name, "DELETE"))
        series.Delete(Arg(C, 0).ToInt());
    else if (Is(Name, "COUNT"))
        return Variant(series.Count());
    else if (Is(Name, "ADD"))
        series.Add(Arg(C, 0).ToDouble(), Arg(C, 1).ToString(), static_cast<TColor>(Arg(C, 2).ToInt()));
    return None();
}

Variant TFunctions::GetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name) {
    if (Cls == SeriesClass() && Is(Name, "ACTIVE"))
        return Variant(Self<TChartSeries>(Instance, Name).Active());
    if (Cls == BarSeriesClass() && Is(Name, "TITLE"))
        return Variant(Self<TCustomBarSeries>(Instance, Name).Title());
    return None();
}

void TFunctions::SetHostProperty(TObject* Instance, const TClassInfo* Cls, const QString& Name,
                                 const Variant& Value) {
    if (Cls == SeriesClass() && Is(Name, "ACTIVE"))
        Self<TChartSeries>(Instance, Name).SetActive(Value.ToBool());
    else if (Cls == BarSeriesClass() && Is(Name, "TITLE"))
        Self<TCustomBarSeries>(Instance, Name).SetTitle(Value.ToString());
}

} // namespace sc_ichartrtti
