#include "grid/GxFlyoutControl.h"

#include <QPolygon>

namespace {
QRegion PolygonRegion(std::initializer_list<QPoint> Points) {
    return QRegion(QPolygon(QList<QPoint>(Points)), Qt::WindingFill);
}
} // namespace

TGxFlyoutControl::TGxFlyoutControl(TComponent* AOwner) : TCustomControl(AOwner) {
    FControlStyle.Include(csNoDesignVisible);
    FTabStop = false;
}

TWinControl* TGxFlyoutControl::Host() const {
    TControl* anchor = dynamic_cast<TControl*>(Owner());
    if (!anchor) return nullptr;
    TWinControl* host = dynamic_cast<TWinControl*>(anchor);
    for (TWinControl* p = anchor->Parent(); p; p = p->Parent()) host = p;
    return host;
}

void TGxFlyoutControl::SetScreenBounds(int X, int Y, int AWidth, int AHeight) {
    TWinControl* host = Host();
    if (host && Parent() != host) SetParent(host);
    const TPoint p = host ? host->ScreenToClient(TPoint{X, Y}) : TPoint{X, Y};
    SetBounds(p.X, p.Y, AWidth, AHeight);
    BringToFront();
}

TRect TGxFlyoutControl::ScreenBoundsRect() {
    if (!Parent()) return BoundsRect();
    const TPoint p = Parent()->ClientToScreen(TPoint{Left(), Top()});
    return Bounds(p.X, p.Y, Width(), Height());
}

void TGxFlyoutControl::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(FillColour());
    c->FillRect(ClientRect());
}

// --- roll marker

TRollShadow::TRollShadow(TComponent* AOwner) : TGxFlyoutControl(AOwner) {
    FKind = rkVertical;
}

QRegion TRollShadow::ShapeRegion() {
    QRegion r = PolygonRegion({{-1, 7}, {7, -1}, {8, 0}, {14, 7}, {0, 6}});
    r = r.united(PolygonRegion({{-1, 15}, {14, 15}, {6, 22}, {6, 22}, {-1, 14}}));
    r = r.united(QRegion(QRect(5, 9, 5, 5), QRegion::Ellipse));
    return r;
}

void TRollShadow::UpdateShape() { SetWindowRegion(ShapeRegion()); }

void TRollShadow::SetPosition(const TPoint& P) {
    FPosition = P;
    SetScreenBounds(P.X - 7, P.Y - 11, 32, 32);
    UpdateShape();
}

// --- drop arrows

TDragArrow::TDragArrow(TComponent* AOwner) : TGxFlyoutControl(AOwner) {
    SetBounds(0, 0, 9, 9);
    FArrowKind = akNone;
}

QRegion TDragArrow::ShapeRegion(TArrowKind Kind) {
    switch (Kind) {
    case akUp: return PolygonRegion({{-1, 5}, {4, -1}, {9, 5}, {6, 5}, {6, 9}, {3, 9}, {3, 4}, {0, 5}});
    case akDown: return PolygonRegion({{5, 0}, {3, 0}, {3, 4}, {0, 4}, {4, 9}, {9, 4}, {6, 4}, {6, 0}});
    case akNone: break;
    }
    return QRegion();
}

void TDragArrow::SetArrowKind(TArrowKind Value) {
    FArrowKind = Value;
    UpdateShape();
}

void TDragArrow::UpdateShape() { SetWindowRegion(ShapeRegion(FArrowKind)); }

KORVEL_CLASS_INFO(TGxFlyoutControl) {}
KORVEL_CLASS_INFO(TRollShadow) {}
KORVEL_CLASS_INFO(TDragArrow) {}
