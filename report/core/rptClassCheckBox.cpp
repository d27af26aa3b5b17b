#include "report/core/rptClassCheckBox.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Variant.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"

#include <mutex>

namespace {

struct TUnitPoint {
    double u, v;
};

// Outlines in a glyph cell: u across the cell's width, v down its height, both 0 .. 1.
// A check mark with a short left arm and a long right one.
const TUnitPoint CheckOutline[] = {{0.08, 0.55}, {0.22, 0.43}, {0.40, 0.61}, {0.80, 0.14},
                                   {0.93, 0.25}, {0.40, 0.86}};
// A cross of two bars, each about a tenth of the cell thick.
const TUnitPoint CrossOutline[] = {{0.12, 0.27}, {0.24, 0.15}, {0.50, 0.41}, {0.76, 0.15},
                                   {0.88, 0.27}, {0.62, 0.53}, {0.88, 0.79}, {0.76, 0.91},
                                   {0.50, 0.65}, {0.24, 0.91}, {0.12, 0.79}, {0.38, 0.53}};

} // namespace

KORVEL_CLASS_INFO(TrptCheckBoxView) {
    using C = TrptCheckBoxView;
    b.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    b.Prop("CheckColor", &C::CheckColor, &C::SetCheckColor).Type("TColor");
    b.Prop("Checked", &C::Checked, &C::SetChecked).Default(true);
    b.Prop("CheckStyle", &C::CheckStyle, &C::SetCheckStyle);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    b.Prop("DataField", &C::DataField, &C::SetDataField);
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
    b.Prop("Expression", &C::Expression, &C::SetExpression);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("UncheckStyle", &C::UncheckStyle, &C::SetUncheckStyle).Default(usEmpty);
    b.Prop("URL", &C::URL, &C::SetURL);
}

KORVEL_CLASS_INFO(TrptCheckBoxObject) {}

TrptCheckBoxView::TrptCheckBoxView(TComponent* AOwner) : TrptView(AOwner) {
    FChecked = true;
    SetWidth(5 * rptMMFactor);
    SetHeight(5 * rptMMFactor);
}

QString TrptCheckBoxView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obChBox"));
}

bool TrptCheckBoxView::ValueAsBoolean(const Variant& v) const {
    if (v.IsNull()) return false;
    try {
        return v.ToBool();
    } catch (const EVariantTypeCastError&) {
        // Said with the object and the value, so the report's author finds the data.
        throw EVariantTypeCastError(
            QStringLiteral("%1: '%2' is not a Boolean value").arg(Name(), VarToStr(v)));
    }
}

void TrptCheckBoxView::GetData() {
    TrptView::GetData();
    if (IsDataField()) {
        FChecked = ValueAsBoolean(DataSet()->GetValue(DataField()));
    } else if (!FExpression.isEmpty()) {
        // An expression that gives Null (a field without a value) is unchecked, as a Null field is.
        if (TrptReport* r = Report()) FChecked = ValueAsBoolean(r->Calc(FExpression));
    }
}

int TrptCheckBoxView::GlyphWidth(int Height) {
    return rptRound(Height * 0.85);
}

std::vector<TPoint> TrptCheckBoxView::GlyphMark(bool Check, int x, int y, int x1, int y1) {
    const int h = y1 - y;
    const int w = GlyphWidth(h);
    // Centred as a character of that width would be.
    const int left = x + (x1 - x - w) / 2;
    std::vector<TPoint> points;
    auto add = [&](const TUnitPoint& p) { points.emplace_back(left + rptRound(p.u * w), y + rptRound(p.v * h)); };
    if (Check)
        for (const TUnitPoint& p : CheckOutline) add(p);
    else
        for (const TUnitPoint& p : CrossOutline) add(p);
    return points;
}

void TrptCheckBoxView::PaintMark() {
    if (!FCanvas) return;
    TCanvas& c = *FCanvas;
    enum { mkNone, mkCross, mkCheck, mkLineCross, mkPlus, mkMinus } mark = mkNone;
    if (FChecked) {
        switch (FCheckStyle) {
        case csCross: mark = mkCross; break;
        case csCheck: mark = mkCheck; break;
        case csLineCross: mark = mkLineCross; break;
        case csPlus: mark = mkPlus; break;
        }
    } else {
        switch (FUncheckStyle) {
        case usEmpty: mark = mkNone; break;
        case usCross: mark = mkCross; break;
        case usLineCross: mark = mkLineCross; break;
        case usMinus: mark = mkMinus; break;
        }
    }
    if (mark == mkNone) return;

    c.Pen().SetColor(FCheckColor);
    c.Pen().SetStyle(psSolid);
    c.Pen().SetWidth(1);
    c.Pen().SetUserStyle({});
    const int my = FY + (FY1 - FY) / 2;
    const int mx = FX + (FX1 - FX) / 2;
    switch (mark) {
    case mkCross:
    case mkCheck: {
        // The glyph is clipped to the box, as text drawn into it would be.
        const std::optional<QRegion> savedClip = c.ClipRegion();
        c.IntersectClipRect(TRect(FX, FY, FX1, FY1));
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(FCheckColor);
        c.Polygon(GlyphMark(mark == mkCheck, FX, FY, FX1, FY1));
        c.SetClipRegion(savedClip);
        break;
    }
    case mkLineCross:
        DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
        DrawThickLine(FX, FY1, FX1, FY, FFrameWidth);
        break;
    case mkPlus:
        DrawThickLine(FX + 3, my, FX1 - 2, my, FFrameWidth);
        DrawThickLine(mx, FY + 3, mx, FY1 - 2, FFrameWidth);
        break;
    case mkMinus:
        DrawThickLine(FX + 3, my, FX1 - 2, my, FFrameWidth);
        break;
    case mkNone:
        break;
    }
}

void TrptCheckBoxView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    PaintMark();
    DrawFrame();
}

// =============================================================================================

void RegisterCheckBoxClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterViewClasses();
        RegisterClasses({TrptCheckBoxView::StaticClassInfo(), TrptCheckBoxObject::StaticClassInfo()});
    });
}

void RegisterCheckBoxObject() {
    RegisterCheckBoxClasses();
    ObjectRegistry()->RegisterObject1(TrptCheckBoxView::StaticClassInfo(), nullptr, QString(), QString(), 0, 24);
}

void UnregisterCheckBoxObject() {
    ObjectRegistry()->Unregister(TrptCheckBoxView::StaticClassInfo());
}
