#include "grid/GxColumnDragBox.h"

#include "grid/GxDisplays.h"

TColumnDragBox::TColumnDragBox(TComponent* AOwner) : TGxFlyoutControl(AOwner), FOwner(AOwner) {
    FColumnDisplay = std::make_unique<TDefaultStyleDisplay>(this);
}

TColumnDragBox::~TColumnDragBox() {
    if (MouseCapture()) SetMouseCapture(false);
}

void TColumnDragBox::Show(int, int, TGxCustomColumn* AColumn, bool Hide) {
    FColumnDisplay->SetDefaultDrawing(false);
    if (auto* ctl = dynamic_cast<TControl*>(FOwner)) Font()->Assign(*ctl->Font());
    SetVisible(!Hide);
    FColumn = AColumn;
    // The box takes every following move and the release, as a pressed button would.
    SetMouseCapture(true);
}

void TColumnDragBox::DoDragBoxDrop(int X, int Y) {
    if (OnDragBoxDrop) OnDragBoxDrop(this, X, Y);
}

void TColumnDragBox::DoDragBoxMove(int X, int Y) {
    if (OnDragBoxMove) OnDragBoxMove(this, X, Y);
}

void TColumnDragBox::MouseMove(TShiftState Shift, int X, int Y) {
    TGxFlyoutControl::MouseMove(Shift, X, Y);
    const TPoint p = ClientToScreen(TPoint{X, Y});
    DoDragBoxMove(p.X, p.Y);
    SetScreenBounds(p.X - ClientWidth() / 2, p.Y - ClientHeight() + 4, Width(), Height());
}

void TColumnDragBox::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxFlyoutControl::MouseUp(Button, Shift, X, Y);
    if (Button != mbLeft) return;
    const TPoint p = ClientToScreen(TPoint{X, Y});
    SetMouseCapture(false);
    Hide();
    DoDragBoxDrop(p.X, p.Y);
}

void TColumnDragBox::Paint() {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    if (FColumn) {
        c->SetFont(*Font());
        FColumnDisplay->SetCanvas(c);
        FColumnDisplay->DrawHeader(FColumn, r);
    }
    c->Pen().SetColor(clBlack);
    c->MoveTo(0, r.Height() - 1);
    c->LineTo(r.Width() - 1, r.Height() - 1);
    c->LineTo(r.Width() - 1, -1);
}

KORVEL_CLASS_INFO(TColumnDragBox) {}
