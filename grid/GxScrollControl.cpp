#include "grid/GxScrollControl.h"

#include "grid/GxFlyoutControl.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"

#include <QBitmap>
#include <QPainter>
#include <QPixmap>

#include <cstdlib>

// ---------------------------------------------------------------------------------------------
// Scroll-bar model

TGxCustomScrollBar::TGxCustomScrollBar(TGxCustomScrollControl* AOwnerScrollView, TCanvas* ACanvas)
    : FCanvas(ACanvas), FOwner(AOwnerScrollView) {}

void TGxCustomScrollBar::SetKind(TScrollBarKind Value) {
    FKind = Value;
    FBarFlag = Value == skHorizontal ? SB_HORZ : SB_VERT;
}

void TGxCustomScrollBar::SetAutoHide(bool Value) {
    FAutoHide = Value;
    SetVisible(FMax != 0 || !FAutoHide);
    UpdateScrollBar();
}

void TGxCustomScrollBar::SetEnabled(bool Value) {
    FEnabled = Value;
    if (FOwner && FBarFlag >= 0) FOwner->EnableScrollBar(FBarFlag, Value ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
    UpdateScrollBar();
}

void TGxCustomScrollBar::SetMax(int Value) {
    if (Value == FMax) return;
    FMax = std::max(Value, 0);
    SetVisible(CanBeVisible());
    UpdateScrollBar();
    if (FMax < FPosition) SetPosition(FMax);
}

void TGxCustomScrollBar::SetMin(int Value) {
    FMin = std::max(Value, 0);
    UpdateScrollBar();
}

void TGxCustomScrollBar::SetPageSize(int Value) {
    if (Value == FPageSize) return;
    FPageSize = Value <= 0 ? 1 : Value;
    UpdateScrollBar();
}

void TGxCustomScrollBar::SetPosition(int Value) {
    FOldPosition = FPosition;
    int v = Value;
    if (v < FMin)
        v = FMin;
    else if (v > FMax)
        v = FMax;
    if (v < 0) v = 0;
    FPosition = v;
    UpdateScrollBar();
    if (FUpdateCount > 0 || FManualScroll || !FOwner) return;
    // The delta hook runs exactly once per assignment, even when nothing moved.
    if (FKind == skVertical) {
        const int delta = FOwner->GetVertScrollDelta(FOldPosition, FPosition);
        FOwner->ScrollContent(this, 0, delta);
    } else {
        const int delta = FOwner->GetHorzScrollDelta(FOldPosition, FPosition);
        FOwner->ScrollContent(this, delta, 0);
    }
}

bool TGxCustomScrollBar::CanBeVisible() const { return !(FPageSize >= FMax && FAutoHide); }

void TGxCustomScrollBar::SendScroll(int Code) {
    if (FOwner) FOwner->SendScroll(FKind == skHorizontal ? SB_HORZ : SB_VERT, Code);
}

void TGxCustomScrollBar::Next() {
    if (FMax >= 1) SendScroll(SB_LINEDOWN);
}

void TGxCustomScrollBar::Prior() {
    if (FMax >= 1 && FPosition > 0) SendScroll(SB_LINEUP);
}

void TGxCustomScrollBar::PageDown() {
    if (FMax >= 1) SendScroll(SB_PAGEDOWN);
}

void TGxCustomScrollBar::PageUp() {
    if (FMax >= 1) SendScroll(SB_PAGEUP);
}

void TGxCustomScrollBar::SetValues(int AMax, int APageSize, int ALargeChange) {
    FMax = AMax;
    FPageSize = APageSize;
    FLargeChange = ALargeChange;
    UpdateScrollBar();
}

void TGxCustomScrollBar::Assign(const TPersistent* Source) {
    if (dynamic_cast<const TGxCustomScrollBar*>(Source)) return;
    TPersistent::Assign(Source);
}

int TGxCustomScrollBar::GetTrackPosition() const {
    if (!FOwner || FBarFlag < 0) return FPosition;
    FOwner->HandleNeeded();
    TScrollInfo info;
    info.fMask = SIF_TRACKPOS;
    FOwner->GetScrollInfo(FBarFlag, info);
    return info.nTrackPos;
}

void TGxScrollBar::SetVisible(bool Value) {
    TGxCustomScrollBar::SetVisible(Value);
    if (FOwner && FBarFlag >= 0) FOwner->ShowScrollBar(FBarFlag, Value);
}

void TGxScrollBar::UpdateScrollBar() {
    if (IsUpdating || !FOwner || FBarFlag < 0) return;
    IsUpdating = true;
    struct Guard {
        bool& f;
        ~Guard() { f = false; }
    } guard{IsUpdating};
    const int track = GetTrackPosition();
    TScrollInfo info;
    info.cbSize = 28;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS;
    if (!FAutoHide) info.fMask |= SIF_DISABLENOSCROLL;
    info.nMin = FMin;
    info.nMax = FMax;
    info.nPage = static_cast<unsigned>(std::max(FPageSize, 0));
    info.nPos = FPosition;
    info.nTrackPos = 0;
    if (FMax > 0)
        FOwner->EnableScrollBar(FBarFlag, FOwner->Enabled() && FEnabled ? ESB_ENABLE_BOTH : ESB_DISABLE_BOTH);
    FOwner->SetScrollInfo(FBarFlag, info, true);
    if (track != FPosition) {
        if (auto* sc = dynamic_cast<TGxScrollControl*>(FOwner)) {
            if (FKind == skVertical)
                sc->DoVerticalScroll();
            else
                sc->DoHorizontalScroll();
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Scrolling control

TGxCustomScrollControl::TGxCustomScrollControl(TComponent* AOwner) : TCustomControl(AOwner) {}

void TGxCustomScrollControl::ScrollContent(TGxCustomScrollBar* Bar, int DeltaX, int DeltaY) {
    BeforeScroll(Bar->Kind());
    if (DeltaX != 0)
        ScrollWindow(DeltaX, DeltaY, FHorzScrollClipRect);
    else
        ScrollWindow(0, DeltaY, FVertScrollClipRect);
    AfterScroll(Bar->Kind());
}

void TGxCustomScrollControl::FocusNextControl() {
    if (Parent()) Parent()->PostKeyDown(VK_TAB);
}

void TGxCustomScrollControl::FocusPriorControl() {
    if (!Parent()) return;
    Parent()->PostKeyDown(VK_SHIFT, {ssShift});
    Parent()->PostKeyDown(VK_TAB, {ssShift});
}

void SetFocusIfOnForm(TWinControl* Control) {
    if (Control && GetParentForm(Control) && Control->CanFocus()) Control->SetFocus();
}

namespace {
// The roll cursors are drawn here: an up/down arrow pair with the arrow of the direction filled.
QCursor MakeRollCursor(int Which) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(Qt::black);
    const QPolygon up(QList<QPoint>{{15, 3}, {22, 10}, {8, 10}});
    const QPolygon down(QList<QPoint>{{8, 21}, {22, 21}, {15, 28}});
    p.setBrush(Which == crRollDown ? Qt::white : Qt::black);
    p.drawPolygon(Which == crRollDown ? up : up);
    p.setBrush(Which == crRollUp ? Qt::white : Qt::black);
    p.drawPolygon(down);
    p.setBrush(Qt::black);
    p.drawEllipse(QPoint(15, 15), 2, 2);
    p.end();
    return QCursor(pm, 15, 15);
}
} // namespace

TGxScrollControl::TGxScrollControl(TComponent* AOwner) : TGxCustomScrollControl(AOwner) {
    FMouseWheelEnabled = true;
    FHorzScrollBar = std::make_unique<TGxScrollBar>(this, nullptr);
    FVertScrollBar = std::make_unique<TGxScrollBar>(this, nullptr);
    FRollShadow = std::make_unique<TRollShadow>(this);
    FRollShadow->SetVisible(false);
    FRollTimer = std::make_unique<TTimer>(this);
    FRollTimer->SetEnabled(false);
    FRollTimer->OnTimer = [this](TObject* Sender) { RollTimerTick(Sender); };
    FRollTimer->SetInterval(1);
    FScrollStyle = TGxScrollStyle{rsRoll};
    FHorzScrollBar->SetKind(skHorizontal);
    FVertScrollBar->SetKind(skVertical);
    FViewState = {};
    RegisterRollCursors();
}

TGxScrollControl::~TGxScrollControl() {
    if (MouseCapture()) SetMouseCapture(false);
    FRollShadow.reset();
    FRollTimer.reset();
    FHorzScrollBar.reset();
    FVertScrollBar.reset();
}

void TGxScrollControl::RegisterRollCursors() {
    if (!Screen) return;
    for (TCursor c : {crRoll, crRollUp, crRollDown}) Screen->SetCursors(c, MakeRollCursor(c));
}

void TGxScrollControl::InitWidget() {
    TGxCustomScrollControl::InitWidget();
    FHorzScrollBar->UpdateScrollBar();
    FVertScrollBar->UpdateScrollBar();
}

void TGxScrollControl::EnabledChanged() {
    TGxCustomScrollControl::EnabledChanged();
    Invalidate();
    FHorzScrollBar->UpdateScrollBar();
    FVertScrollBar->UpdateScrollBar();
}

void TGxScrollControl::DoHorizontalScroll() {
    if (OnHorizontalScroll) OnHorizontalScroll(this, FHorzScrollBar->Position());
}

void TGxScrollControl::DoVerticalScroll() {
    if (OnVerticalScroll) OnVerticalScroll(this, FVertScrollBar->Position());
}

bool TGxScrollControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    if (FMouseWheelEnabled) return true;
    return TGxCustomScrollControl::DoMouseWheelDown(Shift, MousePos);
}

bool TGxScrollControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    if (FMouseWheelEnabled) return true;
    return TGxCustomScrollControl::DoMouseWheelUp(Shift, MousePos);
}

void TGxScrollControl::HandleScroll(TGxScrollBar* Bar, int ScrollCode, int Pos) {
    switch (ScrollCode) {
    case SB_LINEUP:
    case SB_LINEDOWN: Bar->SetScrollKind(rkLine); break;
    case SB_PAGEUP:
    case SB_PAGEDOWN: Bar->SetScrollKind(rkPage); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: Bar->SetScrollKind(rkThumb); break;
    case SB_TOP:
    case SB_BOTTOM: Bar->SetScrollKind(rkTopBottom); break;
    default: break;
    }
    bool has = true;
    int np = 0;
    switch (ScrollCode) {
    case SB_LINEUP: np = Bar->Position() - Bar->SmallChange(); break;
    case SB_LINEDOWN: np = Bar->Position() + Bar->SmallChange(); break;
    case SB_PAGEUP: np = Bar->Position() - Bar->LargeChange(); break;
    case SB_PAGEDOWN: np = Bar->Position() + Bar->LargeChange(); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: {
        // The window bar's tracking position; a request that did not come from dragging the
        // bar carries its target in Pos.
        const int track = Bar->GetTrackPosition();
        np = track != Bar->Position() ? track : Pos;
        break;
    }
    case SB_TOP: np = 0; break;
    case SB_BOTTOM: np = Bar->Max(); break;
    default: has = false; break;
    }
    if (has) {
        if (np <= 0)
            np = 0;
        else if (np > Bar->Max() - Bar->PageSize())
            np = Bar->Max() - Bar->PageSize() + 1;
        Bar->SetPosition(np);
    }
    if (Bar == FVertScrollBar.get())
        DoVerticalScroll();
    else
        DoHorizontalScroll();
}

void TGxScrollControl::WMHScroll(int ScrollCode, int Pos) {
    TGxCustomScrollControl::WMHScroll(ScrollCode, Pos);
    HandleScroll(FHorzScrollBar.get(), ScrollCode, Pos);
}

void TGxScrollControl::WMVScroll(int ScrollCode, int Pos) {
    TGxCustomScrollControl::WMVScroll(ScrollCode, Pos);
    HandleScroll(FVertScrollBar.get(), ScrollCode, Pos);
}

void TGxScrollControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxCustomScrollControl::MouseDown(Button, Shift, X, Y);
    if (Button != mbMiddle || !FScrollStyle.Contains(rsRoll)) return;
    FViewState.Include(vsRolling);
    // A press that is not followed by any movement scrolls nothing.
    FRollDirection = {};
    FRollShadow->SetCursor(crRoll);
    FRollPoint = {X, Y};
    FRollShadow->SetPosition(ClientToScreen(FRollPoint));
    FRollShadow->Show();
    FRollTimer->SetInterval(1);
    FRollTimer->SetEnabled(true);
    SetMouseCapture(true);
}

void TGxScrollControl::MouseMove(TShiftState Shift, int X, int Y) {
    TGxCustomScrollControl::MouseMove(Shift, X, Y);
    if (!FViewState.Contains(vsRolling)) return;
    FRollDirection = {};
    const int dy = Y - FRollPoint.Y;
    TCursor cur = crRoll;
    if (dy < -5) {
        cur = crRollUp;
        FRollDirection.Include(rdUp);
    } else if (dy >= 6) {
        cur = crRollDown;
        FRollDirection.Include(rdDown);
    }
    if (Screen) Screen->SetCursor(cur);
    FRollShadow->SetCursor(cur);
}

TPoint TGxScrollControl::RollCursorPos() {
    return Screen ? ScreenToClient(Screen->CursorPos()) : FRollPoint;
}

void TGxScrollControl::RollTimerTick(TObject*) {
    const TPoint p = RollCursorPos();
    const int dy = p.Y - FRollPoint.Y;
    const int interval = 100 - std::abs(dy);
    FRollTimer->SetInterval(interval <= 0 ? 1 : static_cast<unsigned>(interval));
    if (FRollDirection.Contains(rdUp)) FVertScrollBar->Prior();
    if (FRollDirection.Contains(rdDown)) FVertScrollBar->Next();
}

void TGxScrollControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxCustomScrollControl::MouseUp(Button, Shift, X, Y);
    FRollTimer->SetEnabled(false);
    FViewState.Exclude(vsRolling);
    FRollShadow->Hide();
    if (Screen) Screen->SetCursor(crDefault);
    SetMouseCapture(false);
}

KORVEL_CLASS_INFO(TGxCustomScrollBar) {}
KORVEL_CLASS_INFO(TGxScrollBar) {}
KORVEL_CLASS_INFO(TGxCustomScrollControl) {}
KORVEL_CLASS_INFO(TGxScrollControl) {}
