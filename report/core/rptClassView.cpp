#include "report/core/rptClassView.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"
#include "report/core/rptUtils.h"
#include "report/core/rptXML.h"
#include "script/sc_iinterpreter.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <mutex>

namespace {

// Frame styles map onto pen styles by their ordinal: dash, dot, dash-dot, dash-dot-dot, the
// inside-frame style for alternate dots, the user style for squares.
TPenStyle PenStyleOf(TrptFrameStyle style) {
    return static_cast<TPenStyle>(static_cast<int>(style));
}

// Where a bracket that ExtractBracketedText delimited really closes: the brackets outside quotes
// of text[i - 1 .. j - 1] balance.
bool BracketCloses(const QString& text, int i, int j) {
    if (j <= i || j > text.size() || text[j - 1] != QLatin1Char(']')) return false;
    int depth = 0;
    bool outsideSingle = true, outsideDouble = true;
    for (int k = i - 1; k < j; ++k) {
        const QChar c = text[k];
        if (outsideSingle && outsideDouble) {
            if (c == QLatin1Char('['))
                ++depth;
            else if (c == QLatin1Char(']'))
                --depth;
        }
        if (outsideSingle && c == QLatin1Char('"')) outsideDouble = !outsideDouble;
        if (outsideDouble && c == QLatin1Char('\'')) outsideSingle = !outsideSingle;
    }
    return depth == 0;
}

} // namespace

// =============================================================================================
// TrptFrameLine

KORVEL_CLASS_INFO(TrptFrameLine) {
    using C = TrptFrameLine;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Stored(&C::IsColorStored);
    b.Prop("Style", &C::Style, &C::SetStyle).Stored(&C::IsStyleStored);
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended").Stored(&C::IsWidthStored);
}

TrptFrameLine::TrptFrameLine(TrptFrame* AFrame) : FFrame(AFrame) {}

void TrptFrameLine::Assign(const TPersistent* Source) {
    if (auto* l = dynamic_cast<const TrptFrameLine*>(Source)) {
        FColor = l->FColor;
        FStyle = l->FStyle;
        FWidth = l->FWidth;
    }
}

bool TrptFrameLine::IsColorStored() const {
    return !FFrame || FColor != FFrame->Color();
}

bool TrptFrameLine::IsStyleStored() const {
    return !FFrame || FStyle != FFrame->Style();
}

bool TrptFrameLine::IsWidthStored() const {
    return !FFrame || DiffFloatsDiffer(FWidth, FFrame->Width());
}

QString TrptFrameLine::Diff(const TrptFrameLine* ALine, const QString& LineName, bool ColorChanged,
                            bool StyleChanged, bool WidthChanged) const {
    QString r;
    if (!ALine) return r;
    // When the frame's own value changed, the line is compared with its frame (what a template
    // would store); otherwise with the reference line.
    const bool colorDiffers = ColorChanged ? (FFrame && FColor != FFrame->Color()) : FColor != ALine->FColor;
    if (colorDiffers) AddDiffEntry(r, LineName + QStringLiteral(".Color"), QString::number(FColor));
    const bool styleDiffers = StyleChanged ? (FFrame && FStyle != FFrame->Style()) : FStyle != ALine->FStyle;
    if (styleDiffers) AddDiffEntry(r, LineName + QStringLiteral(".Style"), QString::number(static_cast<int>(FStyle)));
    const bool widthDiffers =
        WidthChanged ? (FFrame && DiffFloatsDiffer(FWidth, FFrame->Width())) : DiffFloatsDiffer(FWidth, ALine->FWidth);
    if (widthDiffers) AddDiffEntry(r, LineName + QStringLiteral(".Width"), FloatToStr(FWidth));
    return r;
}

// =============================================================================================
// TrptFrame

KORVEL_CLASS_INFO(TrptFrame) {
    using C = TrptFrame;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(0);
    b.Prop("DropShadow", &C::DropShadow, &C::SetDropShadow).Default(false);
    b.Prop("ShadowColor", &C::ShadowColor, &C::SetShadowColor).Type("TColor").Default(0);
    b.Prop("ShadowWidth", &C::ShadowWidth, &C::SetShadowWidth).Type("Extended").Default(4.0);
    b.Prop("Style", &C::Style, &C::SetStyle).Default(fsSolid);
    b.Prop("Typ", &C::Typ, &C::SetTyp).Default(TrptFrameTypes{});
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended").Default(1.0);
    b.Prop("LeftLine", &C::LeftLine, &C::SetLeftLine);
    b.Prop("TopLine", &C::TopLine, &C::SetTopLine);
    b.Prop("RightLine", &C::RightLine, &C::SetRightLine);
    b.Prop("BottomLine", &C::BottomLine, &C::SetBottomLine);
}

TrptFrame::TrptFrame()
    : FLeftLine(std::make_unique<TrptFrameLine>(this)), FTopLine(std::make_unique<TrptFrameLine>(this)),
      FRightLine(std::make_unique<TrptFrameLine>(this)), FBottomLine(std::make_unique<TrptFrameLine>(this)) {}

TrptFrame::~TrptFrame() = default;

void TrptFrame::Assign(const TPersistent* Source) {
    auto* f = dynamic_cast<const TrptFrame*>(Source);
    if (!f) return;
    FColor = f->FColor;
    FDropShadow = f->FDropShadow;
    FShadowWidth = f->FShadowWidth;
    FShadowColor = f->FShadowColor;
    FStyle = f->FStyle;
    FTyp = f->FTyp;
    FWidth = f->FWidth;
    FLeftLine->Assign(f->FLeftLine.get());
    FTopLine->Assign(f->FTopLine.get());
    FRightLine->Assign(f->FRightLine.get());
    FBottomLine->Assign(f->FBottomLine.get());
}

void TrptFrame::SetColor(TColor Value) {
    FColor = Value;
    for (TrptFrameLine* l : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()})
        l->SetColor(Value);
}

void TrptFrame::SetStyle(TrptFrameStyle Value) {
    FStyle = Value;
    for (TrptFrameLine* l : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()})
        l->SetStyle(Value);
}

void TrptFrame::SetWidth(double Value) {
    FWidth = Value;
    for (TrptFrameLine* l : {FLeftLine.get(), FTopLine.get(), FRightLine.get(), FBottomLine.get()})
        l->SetWidth(Value);
}

QString TrptFrame::Diff(const TrptFrame* AFrame) const {
    QString r;
    if (!AFrame) return r;
    const bool colorChanged = FColor != AFrame->FColor;
    const bool styleChanged = FStyle != AFrame->FStyle;
    const bool widthChanged = DiffFloatsDiffer(FWidth, AFrame->FWidth);
    if (colorChanged) AddDiffEntry(r, QStringLiteral("Frame.Color"), QString::number(FColor));
    if (FDropShadow != AFrame->FDropShadow) AddDiffEntry(r, QStringLiteral("Frame.DropShadow"), DiffBool(FDropShadow));
    if (FShadowColor != AFrame->FShadowColor)
        AddDiffEntry(r, QStringLiteral("Frame.ShadowColor"), QString::number(FShadowColor));
    if (DiffFloatsDiffer(FShadowWidth, AFrame->FShadowWidth))
        AddDiffEntry(r, QStringLiteral("Frame.ShadowWidth"), FloatToStr(FShadowWidth));
    if (styleChanged) AddDiffEntry(r, QStringLiteral("Frame.Style"), QString::number(static_cast<int>(FStyle)));
    if (FTyp != AFrame->FTyp) AddDiffEntry(r, QStringLiteral("Frame.Typ"), QString::number(FTyp.ToInt()));
    if (widthChanged) AddDiffEntry(r, QStringLiteral("Frame.Width"), FloatToStr(FWidth));
    r += FLeftLine->Diff(AFrame->FLeftLine.get(), QStringLiteral("Frame.LeftLine"), colorChanged, styleChanged,
                         widthChanged);
    r += FTopLine->Diff(AFrame->FTopLine.get(), QStringLiteral("Frame.TopLine"), colorChanged, styleChanged,
                        widthChanged);
    r += FRightLine->Diff(AFrame->FRightLine.get(), QStringLiteral("Frame.RightLine"), colorChanged, styleChanged,
                          widthChanged);
    r += FBottomLine->Diff(AFrame->FBottomLine.get(), QStringLiteral("Frame.BottomLine"), colorChanged,
                           styleChanged, widthChanged);
    return r;
}

// =============================================================================================
// TrptView

KORVEL_CLASS_INFO(TrptView) {
    using C = TrptView;
    b.Prop("Align", &C::Align, &C::SetAlign).Default(baNone);
    b.Prop("Printable", &C::Printable, &C::SetPrintable).Default(true);
    b.Prop("ShiftMode", &C::ShiftMode, &C::SetShiftMode).Default(smAlways);
    b.Prop("Left", &C::Left, &C::SetLeft).Type("Extended");
    b.Prop("Top", &C::Top, &C::SetTop).Type("Extended");
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended");
    b.Prop("Height", &C::Height, &C::SetHeight).Type("Extended");
    b.Prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
    b.Prop("Restrictions", &C::Restrictions, &C::SetRestrictions).Default(TrptRestrictions{});
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
    b.Prop("OnAfterData", &C::OnAfterData, &C::SetOnAfterData).Type(TrptNotifyEventTypeName);
    b.Prop("OnAfterPrint", &C::OnAfterPrint, &C::SetOnAfterPrint).Type(TrptNotifyEventTypeName);
    b.Prop("OnBeforePrint", &C::OnBeforePrint, &C::SetOnBeforePrint).Type(TrptNotifyEventTypeName);
    b.Prop("OnPreviewClick", &C::OnPreviewClick, &C::SetOnPreviewClick).Type(TrptNotifyEventTypeName);
    b.Prop("OnPreviewDblClick", &C::OnPreviewDblClick, &C::SetOnPreviewDblClick).Type(TrptNotifyEventTypeName);
    b.Prop("Hint", &C::Hint, &C::SetHint);
    b.Prop("ShowHint", &C::ShowHint, &C::SetShowHint);
}

TrptView::TrptView(TComponent* AOwner) : TrptReportComponent(AOwner), FFrame(std::make_unique<TrptFrame>()) {
    TrptComponentStyle style = rptComponentStyle();
    style += csDefaultDiff;
    SetrptComponentStyle(style);
}

TrptView::~TrptView() = default;

bool TrptView::IsDataField() const {
    return FDataSet && !FDataField.isEmpty();
}

void TrptView::SetDataSet(TrptDataSet* Value) {
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : QString();
}

QString TrptView::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TrptView::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    FDataSet = FindDataSet(FDataSet, Value);
}

void TrptView::Notification(TComponent* AComponent, TOperation Operation) {
    TrptReportComponent::Notification(AComponent, Operation);
    // The name stays, so a dataset of that name found later binds again.
    if (Operation == opRemove && AComponent == FDataSet) FDataSet = nullptr;
}

// --- Drawing ---------------------------------------------------------------------------------------

void TrptView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawBackground();
    DrawFrame();
}

void TrptView::BeginDraw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    FCanvas = Canvas;
    FScaleX = ScaleX;
    FScaleY = ScaleY;
    FOffsetX = OffsetX;
    FOffsetY = OffsetY;
    const double l = AbsLeft(), t = AbsTop();
    FX = rptRound(l * ScaleX + OffsetX);
    FY = rptRound(t * ScaleY + OffsetY);
    FX1 = rptRound((l + Width()) * ScaleX + OffsetX);
    FY1 = rptRound((t + Height()) * ScaleY + OffsetY);
    // The shadow lies inside the object's bounds.
    if (FFrame->DropShadow()) {
        FX1 -= rptRound(FFrame->ShadowWidth() * ScaleX);
        FY1 -= rptRound(FFrame->ShadowWidth() * ScaleY);
    }
    FDX = FX1 - FX;
    FDY = FY1 - FY;
    FFrameWidth = rptRound(FFrame->Width() * ScaleX);
}

void TrptView::DrawBackground() {
    if (!FCanvas) return;
    TBrush& brush = FCanvas->Brush();
    brush.SetStyle(FBrushStyle);
    if (FColor != clNone) {
        brush.SetStyle(bsSolid);
        brush.SetColor(FColor);
        FCanvas->FillRect(TRect(FX, FY, FX1, FY1));
    }
    // A hatch in the frame's colour over the fill; a frame colour of none draws no hatch.
    if (FBrushStyle >= bsHorizontal && FFrame->Color() != clNone) {
        TBrush saved;
        saved.Assign(brush);
        brush.SetStyle(FBrushStyle);
        brush.SetColor(FFrame->Color());
        FCanvas->Rectangle(FX, FY, FX1 + 1, FY1 + 1);
        brush.Assign(saved);
    }
}

void TrptView::DrawThickLine(int x, int y, int x1, int y1, int w) {
    if (!FCanvas) return;
    if (w < 1) w = 1;
    const bool horizontal = std::abs(x1 - x) > std::abs(y1 - y);
    for (int k = -(w / 2); k < -(w / 2) + w; ++k) {
        if (horizontal) {
            FCanvas->MoveTo(x, y + k);
            FCanvas->LineTo(x1, y1 + k);
        } else {
            FCanvas->MoveTo(x + k, y);
            FCanvas->LineTo(x1 + k, y1);
        }
    }
}

void TrptView::DrawFrame() {
    if (!FCanvas) return;
    TPen& pen = FCanvas->Pen();
    if (FFrame->DropShadow()) {
        pen.SetStyle(psSolid);
        pen.SetWidth(1);
        pen.SetColor(FFrame->ShadowColor());
        const int sx = rptRound(FFrame->ShadowWidth() * FScaleX);
        DrawThickLine(FX1 + sx / 2, FY + sx, FX1 + sx / 2, FY1, sx);
        const int sy = rptRound(FFrame->ShadowWidth() * FScaleY);
        DrawThickLine(FX + sy, FY1 + sy / 2, FX1 + sy, FY1 + sy / 2, sy);
    }
    if (FFrame->Typ().Empty() || FFrame->Color() == clNone || FFrame->Width() == 0) return;

    // Gaps of patterned pens show the fill colour (or nothing without one).
    TBrush& brush = FCanvas->Brush();
    brush.SetStyle(bsSolid);
    if (FFrame->Style() != fsSolid) {
        if (FColor == clNone)
            brush.SetStyle(bsClear);
        else
            brush.SetColor(FColor);
    }
    const TrptFrameTypes typ = FFrame->Typ();
    if (typ.Contains(ftLeft)) DrawSide(sLeft);
    if (typ.Contains(ftRight)) DrawSide(sRight);
    if (typ.Contains(ftTop)) DrawSide(sTop);
    if (typ.Contains(ftBottom)) DrawSide(sBottom);
}

void TrptView::DrawSide(TSide side) {
    TCanvas& c = *FCanvas;
    TPen& pen = c.Pen();
    const TrptFrameLine* line = side == sLeft    ? FFrame->LeftLine()
                                : side == sRight ? FFrame->RightLine()
                                : side == sTop   ? FFrame->TopLine()
                                                 : FFrame->BottomLine();
    const TrptFrameStyle style = line->Style();
    const int w = rptRound(line->Width() * FScaleX);
    pen.SetColor(line->Color());
    if (style == fsSolid || style == fsDouble) {
        pen.SetStyle(psSolid);
        pen.SetWidth(w);
    } else {
        pen.SetStyle(PenStyleOf(style));
        pen.SetWidth(1);
    }

    const bool frameSolid = FFrame->Style() == fsSolid;
    const bool vertical = side == sLeft || side == sRight;
    int x = 0, y = 0, x1 = 0, y1 = 0;
    TrptFrameType before = ftTop, after = ftBottom;
    switch (side) {
    case sLeft:
        x = FX, y = FY - (pen.Width() == 2 && !frameSolid ? 1 : 0), x1 = FX, y1 = FY1;
        break;
    case sRight:
        x = FX1, y = FY, x1 = FX1, y1 = FY1;
        break;
    case sTop:
        x = FX, y = FY, x1 = FX1, y1 = FY;
        before = ftLeft, after = ftRight;
        break;
    case sBottom:
        x = FX, y = FY1, x1 = FX1 + (pen.Width() == 1 && !frameSolid ? 1 : 0), y1 = FY1;
        before = ftLeft, after = ftRight;
        break;
    }
    const bool hasBefore = FFrame->Typ().Contains(before);
    const bool hasAfter = FFrame->Typ().Contains(after);

    switch (style) {
    case fsSolid:
    case fsDouble: {
        // A side without a neighbour stops half its width short, so its square cap ends flush.
        if (!hasBefore) (vertical ? y : x) += w / 2;
        if (!hasAfter) (vertical ? y1 : x1) -= w / 2;
        if (style == fsSolid) {
            TPen saved;
            saved.Assign(pen);
            pen.SetEndCap(pecSquare);
            c.MoveTo(x, y);
            // A one-pixel pen leaves out its last point; a square cap would cover it.
            if (w <= 1) (vertical ? y1 : x1) += 1;
            c.LineTo(x1, y1);
            pen.Assign(saved);
            break;
        }
        const int d1 = hasBefore ? w : 0;
        const int d2 = hasAfter ? w : 0;
        const int outward = side == sLeft || side == sTop ? -1 : 1;
        auto stroke = [&](int offset, int extend1, int extend2) {
            if (vertical) {
                c.MoveTo(x + offset, y - extend1);
                c.LineTo(x1 + offset, y1 + extend2);
            } else {
                c.MoveTo(x - extend1, y + offset);
                c.LineTo(x1 + extend2, y1 + offset);
            }
        };
        // Strokes go from the one at -w across the side to the one at +w.
        for (int offset : {-w, 0, w}) {
            if (offset == 0) {
                if (FColor == clNone) continue;
                pen.SetColor(FColor);
                stroke(0, 0, 0);
                pen.SetColor(line->Color());
            } else if (offset == outward * w) {
                stroke(offset, d1, d2);
            } else {
                stroke(offset, -d1, -d2);
            }
        }
        break;
    }
    case fsDash:
    case fsDot:
    case fsDashDot:
    case fsDashDotDot:
        DrawThickLine(x, y, x1, y1, w);
        break;
    case fsAltDot:
    case fsSquare: {
        if (FColor != clNone) {
            pen.SetColor(FColor);
            const TPenStyle st = pen.Style();
            pen.SetStyle(psSolid);
            DrawThickLine(x, y, x1, y1, w);
            pen.SetStyle(st);
            pen.SetColor(line->Color());
        }
        TPen saved;
        saved.Assign(pen);
        pen.SetStyle(psUserStyle);
        pen.SetColor(line->Color());
        if (w <= 1) {
            pen.SetWidth(1);
            pen.SetEndCap(pecFlat);
            pen.SetUserStyle({1, 1});
        } else if (style == fsSquare) {
            pen.SetWidth(w);
            pen.SetEndCap(pecFlat);
            pen.SetUserStyle({w, w});
        } else {
            // Round dots of diameter w every 2w pixels.
            pen.SetWidth(w);
            pen.SetEndCap(pecRound);
            pen.SetUserStyle({0, 2 * w});
        }
        c.MoveTo(x, y);
        c.LineTo(x1, y1);
        pen.Assign(saved);
        break;
    }
    }
}

// --- Prepared pages --------------------------------------------------------------------------------

QString TrptView::Diff(TrptComponent* AComponent) {
    QString r = TrptReportComponent::Diff(AComponent);
    auto* v = dynamic_cast<TrptView*>(AComponent);
    if (!v) return r;
    if (FBrushStyle != v->FBrushStyle) AddDiffEntry(r, QStringLiteral("BrushStyle"), QString::number(FBrushStyle));
    if (FAlign != v->FAlign) AddDiffEntry(r, QStringLiteral("Align"), QString::number(FAlign));
    if (FColor != v->FColor) AddDiffEntry(r, QStringLiteral("Color"), QString::number(FColor));
    r += FFrame->Diff(v->FFrame.get());
    if (FCursor != v->FCursor) AddDiffEntry(r, QStringLiteral("Cursor"), QString::number(FCursor));
    if (FPrintable != v->FPrintable) AddDiffEntry(r, QStringLiteral("Printable"), DiffBool(FPrintable));
    if (FTagStr != v->FTagStr) AddDiffEntry(r, QStringLiteral("TagStr"), EscapeXMLText(FTagStr));
    if (FURL != v->FURL) AddDiffEntry(r, QStringLiteral("URL"), EscapeXMLText(FURL));
    return r;
}

// --- Print cycle -----------------------------------------------------------------------------------

void TrptView::BeforePrint() {
    TrptReportComponent::BeforePrint();
    FTempTag = FTagStr;
    FTempURL = FURL;
    if (TrptReport* r = Report())
        if (TscCustomVariable* self = r->SelfValue()) self->SetValue(ObjectToVariant(this));
}

void TrptView::GetData() {
    TrptReportComponent::GetData();
    if (FTagStr.contains(QLatin1Char('['))) ReplaceBracketExpressions(FTagStr);
    if (FURL.contains(QLatin1Char('['))) ReplaceBracketExpressions(FURL);
}

void TrptView::AfterPrint() {
    TrptReportComponent::AfterPrint();
    FTagStr = FTempTag;
    FURL = FTempURL;
}

void TrptView::ReplaceBracketExpressions(QString& s) {
    TrptReport* report = Report();
    if (!report) return;
    static const QString open = QStringLiteral("["), close = QStringLiteral("]");
    int from = 0;
    for (;;) {
        const qsizetype p = s.indexOf(QLatin1Char('['), from);
        if (p < 0) return;
        int i = static_cast<int>(p) + 1, j = 0;
        const QString expr = ExtractBracketedText(s, open, close, i, j);
        // A bracket that never closes is text.
        if (!BracketCloses(s, i, j)) return;
        // The expansions before a failing one stay in s; the report has noted the error.
        const QString value = VarToStr(report->Calc(expr));
        s.replace(i - 1, j - i + 1, value);
        from = i - 1 + static_cast<int>(value.size());
    }
}

// =============================================================================================
// TrptStretcheable

KORVEL_CLASS_INFO(TrptStretcheable) {
    b.Prop("StretchMode", &TrptStretcheable::StretchMode, &TrptStretcheable::SetStretchMode).Default(smDontStretch);
}

TrptStretcheable::TrptStretcheable(TComponent* AOwner) : TrptView(AOwner) {}

double TrptStretcheable::CalcHeight() {
    return Height();
}

double TrptStretcheable::DrawPart() {
    return 0;
}

bool TrptStretcheable::HasNextDataPart() {
    return false;
}

// =============================================================================================
// TrptShapeView

KORVEL_CLASS_INFO(TrptShapeView) {
    using C = TrptShapeView;
    b.Prop("BrushStyle", &C::BrushStyle, &C::SetBrushStyle).Default(bsSolid);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("Cursor", &C::Cursor, &C::SetCursor).Default(0);
    b.Prop("Curve", &C::Curve, &C::SetCurve).Default(0);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("Shape", &C::Shape, &C::SetShape).Default(skRectangle);
    b.Prop("TagStr", &C::TagStr, &C::SetTagStr);
    b.Prop("URL", &C::URL, &C::SetURL);
}

TrptShapeView::TrptShapeView(TComponent* AOwner) : TrptView(AOwner) {
    TrptComponentStyle style = rptComponentStyle();
    style -= csDefaultDiff;
    SetrptComponentStyle(style);
}

TrptShapeView* TrptShapeView::DesignCreate(TComponent* AOwner, int Flags) {
    auto* shape = static_cast<TrptShapeView*>(TrptComponent::DesignCreate(StaticClassInfo(), AOwner, Flags));
    if (Flags >= skRectangle && Flags <= skDiagonal2) shape->SetShape(static_cast<TrptShapeKind>(Flags));
    return shape;
}

QString TrptShapeView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obShape"));
}

QString TrptShapeView::Diff(TrptComponent* AComponent) {
    QString r = TrptView::Diff(AComponent);
    if (auto* s = dynamic_cast<TrptShapeView*>(AComponent); s && FShape != s->FShape)
        AddDiffEntry(r, QStringLiteral("Shape"), QString::number(FShape));
    return r;
}

void TrptShapeView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    TrptFrame* frame = Frame();
    if (frame->Style() != fsDouble) {
        BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
        DrawShape();
        return;
    }
    // Two solid figures, the inner one moved in by multiples of the frame width. The sides keep
    // their own styles.
    TrptFrameStyle lineStyles[4];
    TrptFrameLine* lines[4] = {frame->LeftLine(), frame->TopLine(), frame->RightLine(), frame->BottomLine()};
    for (int i = 0; i < 4; ++i)
        lineStyles[i] = lines[i]->Style();
    frame->SetStyle(fsSolid);
    const double l = Left(), t = Top(), w = Width(), h = Height();
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawShape();
    const double fw = frame->Width();
    switch (FShape) {
    case skRectangle:
    case skRoundRectangle:
    case skEllipse:
        SetLeft(l + 2 * fw), SetTop(t + 2 * fw), SetWidth(w - 4 * fw), SetHeight(h - 4 * fw);
        break;
    case skTriangle:
        SetLeft(l + 4 * fw), SetTop(t + 4 * fw), SetWidth(w - 8 * fw), SetHeight(h - 6 * fw);
        break;
    case skDiamond:
        SetLeft(l + 3 * fw), SetTop(t + 3 * fw), SetWidth(w - 6 * fw), SetHeight(h - 6 * fw);
        break;
    case skDiagonal1:
    case skDiagonal2:
        SetLeft(l + 2 * fw);
        break;
    }
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    DrawShape();
    frame->SetStyle(fsDouble);
    for (int i = 0; i < 4; ++i)
        lines[i]->SetStyle(lineStyles[i]);
    SetLeft(l), SetTop(t), SetWidth(w), SetHeight(h);
}

void TrptShapeView::DrawShape() {
    if (!FCanvas) return;
    TCanvas& c = *FCanvas;
    const TrptFrame* frame = Frame();
    TPen& pen = c.Pen();
    TBrush& brush = c.Brush();
    pen.SetColor(frame->Color());
    pen.SetWidth(FFrameWidth);
    pen.SetStyle(frame->Color() == clNone ? psClear : PenStyleOf(frame->Style()));
    brush.SetStyle(bsSolid);
    c.SetBkMode(OPAQUE);

    auto figure = [&] {
        switch (FShape) {
        case skRectangle:
            c.Rectangle(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skRoundRectangle: {
            const int corner = FCurve != 0 ? rptRound(FCurve * FScaleX * 10) : std::min(FDX, FDY) / 4;
            c.RoundRect(FX, FY, FX1 + 1, FY1 + 1, corner, corner);
            break;
        }
        case skEllipse:
            c.Ellipse(FX, FY, FX1 + 1, FY1 + 1);
            break;
        case skTriangle:
            c.Polygon({TPoint(FX1, FY1), TPoint(FX, FY1), TPoint(FX + FDX / 2, FY)});
            break;
        case skDiamond:
            c.Polygon({TPoint(FX + FDX / 2, FY), TPoint(FX1, FY + FDY / 2), TPoint(FX + FDX / 2, FY1),
                       TPoint(FX, FY + FDY / 2)});
            break;
        case skDiagonal1:
            DrawThickLine(FX, FY1, FX1, FY, FFrameWidth);
            break;
        case skDiagonal2:
            DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
            break;
        }
    };

    if (BrushStyle() == bsSolid) {
        if (Color() == clNone)
            brush.SetStyle(bsClear);
        else
            brush.SetColor(Color());
        figure();
        return;
    }
    if (Color() != clNone) {
        brush.SetColor(Color());
        figure();
    }
    brush.SetStyle(BrushStyle());
    brush.SetColor(frame->Color());
    figure();
}

// =============================================================================================

void RegisterViewClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClasses({TrptFrameLine::StaticClassInfo(), TrptFrame::StaticClassInfo(), TrptView::StaticClassInfo(),
                         TrptStretcheable::StaticClassInfo(), TrptShapeView::StaticClassInfo()});
    });
}

void AddDiffEntry(QString& r, const QString& name, const QString& value) {
    r += QLatin1Char(' ');
    r += name;
    r += QStringLiteral("=\"");
    r += value;
    r += QLatin1Char('"');
}

QString DiffBool(bool value) {
    return value ? QStringLiteral("1") : QStringLiteral("0");
}

bool DiffFloatsDiffer(double a, double b) {
    return std::fabs(a - b) > 1e-4;
}
