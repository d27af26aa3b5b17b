#include "report/core/rptClassLine.h"

#include "platform/gfx/Canvas.h"
#include "platform/rtti/Classes.h"
#include "report/core/rptHTMLTags.h"
#include "report/core/rptRes.h"

#include <algorithm>
#include <cmath>
#include <mutex>

// =============================================================================================
// TrptCustomLineView

KORVEL_CLASS_INFO(TrptCustomLineView) {
    b.Prop("TagStr", &TrptCustomLineView::TagStr, &TrptCustomLineView::SetTagStr);
}

TrptCustomLineView::TrptCustomLineView(TComponent* AOwner) : TrptStretcheable(AOwner) {
    TrptComponentStyle style = rptComponentStyle();
    style -= csDefaultDiff;
    SetrptComponentStyle(style);
}

TrptComponent* TrptCustomLineView::DesignCreate(const TClassInfo* Cls, TComponent* AOwner, int Flags) {
    TrptComponent* c = TrptComponent::DesignCreate(Cls, AOwner, Flags);
    if (auto* line = dynamic_cast<TrptCustomLineView*>(c)) {
        line->SetDiagonal(Flags != 0);
        line->SetArrowEnd(Flags == 2 || Flags == 4);
        line->SetArrowStart(Flags == 3 || Flags == 4);
    }
    return c;
}

void TrptCustomLineView::Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) {
    if (!FDiagonal) {
        if (Width() <= Height()) {
            SetWidth(0);
            Frame()->SetTyp(TrptFrameTypes{ftLeft});
        } else {
            SetHeight(0);
            Frame()->SetTyp(TrptFrameTypes{ftTop});
        }
    }
    BeginDraw(Canvas, ScaleX, ScaleY, OffsetX, OffsetY);
    if (!FCanvas) return;
    if (FDiagonal)
        DrawDiagonal();
    else
        DrawFrame();
    // A line that is not drawn gets no arrows either.
    if (Frame()->Color() == clNone || Frame()->Width() == 0) return;
    if (FArrowStart) DrawArrowHead(FX, FY, FX1, FY1);
    if (FArrowEnd) DrawArrowHead(FX1, FY1, FX, FY);
}

void TrptCustomLineView::DrawDiagonal() {
    const TrptFrame* frame = Frame();
    if (frame->Color() == clNone || frame->Width() == 0) return;
    TCanvas& c = *FCanvas;
    TBrush& brush = c.Brush();
    brush.SetStyle(bsSolid);
    if (Color() == clNone)
        brush.SetStyle(bsClear);
    else
        brush.SetColor(Color());
    TPen& pen = c.Pen();
    pen.SetColor(frame->Color());
    pen.SetWidth(1);
    // Frame styles map onto pen styles by ordinal; a double line is drawn solid.
    pen.SetStyle(frame->Style() == fsDouble ? psSolid
                                            : static_cast<TPenStyle>(static_cast<int>(frame->Style())));
    pen.SetUserStyle({});
    DrawThickLine(FX, FY, FX1, FY1, FFrameWidth);
}

std::vector<TPoint> TrptCustomLineView::ArrowHeadPoints(double tx, double ty, double ox, double oy) const {
    const double w = FArrowWidth * FScaleX;
    const double len = FArrowLength * FScaleX;
    double bx = 0, by = 0, w1x = 0, w1y = 0, w2x = 0, w2y = 0;
    if (std::fabs(tx - ox) > 8) {
        // The base lies on the line through O and T, len away from the tip, between them when it
        // can.
        const double k = (ty - oy) / (tx - ox);
        const double m = (tx * oy - ty * ox) / (tx - ox);
        const double a = 1 + k * k;
        const double b = 2 * (k * (m - ty) - tx);
        const double c = tx * tx + (m - ty) * (m - ty) - len * len;
        const double root = std::sqrt(std::max(0.0, b * b - 4 * a * c));
        bx = (-b + root) / (2 * a);
        if ((bx > ox && bx > tx) || (bx < ox && bx < tx)) bx = (-b - root) / (2 * a);
        by = k * bx + m;
        if (ty == oy) {
            w1x = w2x = bx;
            w1y = by - w;
            w2y = by + w;
        } else {
            const double theta = std::atan(k);
            w1x = bx + w * std::sin(theta);
            w1y = by - w * std::cos(theta);
            w2x = bx - w * std::sin(theta);
            w2y = by + w * std::cos(theta);
        }
    } else {
        // Nearly vertical.
        bx = tx;
        by = ty - len;
        if (by < std::min(oy, ty) || by > std::max(oy, ty)) by = ty + len;
        w1x = bx - w;
        w1y = by;
        w2x = bx + w;
        w2y = by;
    }
    return {TPoint(rptRound(tx), rptRound(ty)), TPoint(rptRound(w1x), rptRound(w1y)),
            TPoint(rptRound(w2x), rptRound(w2y))};
}

void TrptCustomLineView::DrawArrowHead(double tx, double ty, double ox, double oy) {
    const std::vector<TPoint> p = ArrowHeadPoints(tx, ty, ox, oy);
    TCanvas& c = *FCanvas;
    TPen& pen = c.Pen();
    pen.SetColor(Frame()->Color());
    if (FArrowSolid) {
        c.Brush().SetStyle(bsSolid);
        c.Brush().SetColor(Frame()->Color());
        c.Polygon({p[0], p[1], p[2], p[0]});
    } else {
        pen.SetWidth(rptRound(Frame()->Width() * FScaleX));
        c.Polyline({p[1], p[0], p[2]});
    }
}

// =============================================================================================
// TrptLineView

KORVEL_CLASS_INFO(TrptLineView) {
    using C = TrptLineView;
    b.Prop("ArrowEnd", &C::ArrowEnd, &C::SetArrowEnd).Default(false);
    b.Prop("ArrowLength", &C::ArrowLength, &C::SetArrowLength).Default(20);
    b.Prop("ArrowSolid", &C::ArrowSolid, &C::SetArrowSolid).Default(false);
    b.Prop("ArrowStart", &C::ArrowStart, &C::SetArrowStart).Default(false);
    b.Prop("ArrowWidth", &C::ArrowWidth, &C::SetArrowWidth).Default(5);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
    b.Prop("Diagonal", &C::Diagonal, &C::SetDiagonal).Default(false);
}

TrptLineView::TrptLineView(TComponent* AOwner) : TrptCustomLineView(AOwner) {}

TrptLineView* TrptLineView::DesignCreate(TComponent* AOwner, int Flags) {
    return static_cast<TrptLineView*>(TrptCustomLineView::DesignCreate(StaticClassInfo(), AOwner, Flags));
}

QString TrptLineView::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obLine"));
}

// =============================================================================================

void RegisterLineClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterViewClasses();
        RegisterClasses({TrptCustomLineView::StaticClassInfo(), TrptLineView::StaticClassInfo()});
    });
}
