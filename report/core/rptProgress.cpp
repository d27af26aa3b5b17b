#include "report/core/rptProgress.h"

#include "platform/gfx/Canvas.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "report/core/rptRes.h"

#include <QGuiApplication>
#include <QRect>
#include <QScreen>

#include <algorithm>

KORVEL_CLASS_INFO(TrptProgressBar) {}
KORVEL_CLASS_INFO(TrptProgress) {}

// ---------------------------------------------------------------------------------------------
// TrptProgressBar

TrptProgressBar::TrptProgressBar(TComponent* AOwner) : TCustomControl(AOwner) {
    SetColor(clBtnFace);
}

void TrptProgressBar::SetMin(int Value) {
    FMin = Value;
    if (FMax < FMin) FMax = FMin;
    FPosition = std::clamp(FPosition, FMin, FMax);
    Invalidate();
}

void TrptProgressBar::SetMax(int Value) {
    FMax = std::max(Value, FMin);
    FPosition = std::clamp(FPosition, FMin, FMax);
    Invalidate();
}

void TrptProgressBar::SetPosition(int Value) {
    const int v = std::clamp(Value, FMin, FMax);
    if (v == FPosition) return;
    FPosition = v;
    Invalidate();
}

void TrptProgressBar::Paint() {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Brush().SetStyle(bsSolid);
    c->Brush().SetColor(clBtnFace);
    c->FillRect(r);
    // A sunken frame: shadow on the top and left, highlight on the bottom and right.
    c->Pen().SetColor(clBtnShadow);
    c->MoveTo(r.Left, r.Bottom - 1);
    c->LineTo(r.Left, r.Top);
    c->LineTo(r.Right - 1, r.Top);
    c->Pen().SetColor(clBtnHighlight);
    c->LineTo(r.Right - 1, r.Bottom - 1);
    c->LineTo(r.Left, r.Bottom - 1);
    const int range = FMax - FMin;
    if (range <= 0 || FPosition <= FMin) return;
    const int inner = r.Width() - 4;
    const int filled = static_cast<int>(static_cast<long long>(inner) * (FPosition - FMin) / range);
    c->Brush().SetColor(clHighlight);
    c->FillRect(Rect(r.Left + 2, r.Top + 2, r.Left + 2 + filled, r.Bottom - 2));
}

// ---------------------------------------------------------------------------------------------
// TrptProgress

TrptProgress::TrptProgress(TComponent* AOwner) : TForm(AOwner) {
    SetName(QStringLiteral("rptProgress"));
    SetBorderStyle(bsDialog);
    TCustomForm::SetPosition(poScreenCenter); // our own Position is the progress
    SetClientWidth(298);
    SetClientHeight(108);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);

    Panel1 = new TPanel(this);
    Panel1->SetName(QStringLiteral("Panel1"));
    Panel1->SetParent(this);
    Panel1->SetAlign(alClient);
    Panel1->SetCaption(QString());

    LMessage = new TLabel(this);
    LMessage->SetName(QStringLiteral("LMessage"));
    LMessage->SetParent(Panel1);
    LMessage->SetAutoSize(false);
    LMessage->SetAlignment(taCenter);
    LMessage->SetBounds(8, 15, 282, 13);

    Bar = new TrptProgressBar(this);
    Bar->SetName(QStringLiteral("Bar"));
    Bar->SetParent(Panel1);
    Bar->SetBounds(8, 38, 282, 16);

    CancelB = new TButton(this);
    CancelB->SetName(QStringLiteral("CancelB"));
    CancelB->SetParent(Panel1);
    CancelB->SetBounds(112, 70, 75, 25);
    CancelB->SetCancel(true);
    CancelB->OnClick = [this](TObject* Sender) { CancelBClick(Sender); };

    for (TControl* c : {static_cast<TControl*>(Panel1), static_cast<TControl*>(LMessage),
                        static_cast<TControl*>(Bar)}) {
        c->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            SurfaceMouseDown(s, b, sh, x, y);
        };
        c->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) { SurfaceMouseMove(s, sh, x, y); };
        c->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
            SurfaceMouseUp(s, b, sh, x, y);
        };
    }

    // FormCreate
    CancelB->SetCaption(ResourceTextById(2));
    FActiveForm = Screen ? Screen->ActiveForm() : nullptr;
    if (FActiveForm == this) FActiveForm = nullptr;
    if (FActiveForm) {
        FActiveForm->FreeNotification(this);
        FActiveForm->SetEnabled(false);
    }
    Bar->SetMin(0);
    Bar->SetMax(100);
    FPosition = 0;
    Bar->SetPosition(0);
    FProgress = Bar->Visible();

    if (QGuiApplication::isRightToLeft()) {
        const int width = 298;
        for (TControl* c : {static_cast<TControl*>(LMessage), static_cast<TControl*>(Bar),
                            static_cast<TControl*>(CancelB)})
            c->SetLeft(width - c->Left() - c->Width());
    }
}

TrptProgress::~TrptProgress() {
    EnableActiveForm();
}

void TrptProgress::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FActiveForm) FActiveForm = nullptr;
}

void TrptProgress::EnableActiveForm() {
    if (!FActiveForm) return;
    FActiveForm->SetEnabled(true);
}

void TrptProgress::DoHide() {
    TForm::DoHide();
    EnableActiveForm();
}

void TrptProgress::Execute(int MaxValue, const QString& Msg, bool Canceled, bool Progress) {
    FTerminated = false;
    CancelB->SetVisible(Canceled);
    SetShowProgress(Progress);
    Bar->SetMin(0);
    Reset();
    Bar->SetMax(MaxValue);
    SetMessage(Msg);
    // A second run after a hide disables the owner form again.
    if (FActiveForm) FActiveForm->SetEnabled(false);
    Show();
    if (FActiveForm) {
        const TRect fr = FActiveForm->BoundsRect();
        QScreen* screen = QGuiApplication::screenAt(QPoint((fr.Left + fr.Right) / 2, (fr.Top + fr.Bottom) / 2));
        if (!screen) screen = QGuiApplication::primaryScreen();
        if (screen) {
            const QRect area = screen->availableGeometry();
            const int left = std::clamp(Left(), area.left(), std::max(area.left(), area.right() + 1 - Width()));
            const int top = std::clamp(Top(), area.top(), std::max(area.top(), area.bottom() + 1 - Height()));
            if (left != Left() || top != Top()) SetBounds(left, top, Width(), Height());
        }
    }
    if (Application) Application->ProcessMessages();
}

void TrptProgress::Tick() {
    if (Bar->Min() <= FPosition && FPosition < Bar->Max()) SetPosition(FPosition + 1);
}

void TrptProgress::SetPosition(int Value) {
    FPosition = Value;
    Bar->SetPosition(Value);
    BringToFront();
    if (Application) Application->ProcessMessages();
}

void TrptProgress::SetMessage(const QString& Value) {
    FMessage = Value;
    LMessage->SetCaption(Value);
    LMessage->Repaint();
}

void TrptProgress::SetShowProgress(bool Value) {
    Bar->SetVisible(Value);
    FProgress = Value;
    LMessage->SetTop(Value ? 15 : 35);
}

void TrptProgress::SetTerminated(bool Value) {
    FTerminated = Value;
    if (Value) Close();
}

void TrptProgress::CancelBClick(TObject*) {
    SetTerminated(true);
}

void TrptProgress::SurfaceMouseDown(TObject*, TMouseButton Button, TShiftState, int, int) {
    if (Button != mbLeft) return;
    FDragging = true;
    FDragStart = Screen ? Screen->CursorPos() : TPoint{0, 0};
    FDragOrigin = {Left(), Top()};
}

void TrptProgress::SurfaceMouseMove(TObject*, TShiftState, int, int) {
    if (!FDragging || !Screen) return;
    const TPoint p = Screen->CursorPos();
    SetBounds(FDragOrigin.X + p.X - FDragStart.X, FDragOrigin.Y + p.Y - FDragStart.Y, Width(), Height());
}

void TrptProgress::SurfaceMouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    FDragging = false;
}
