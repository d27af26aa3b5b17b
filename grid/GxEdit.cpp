#include "grid/GxEdit.h"

#include "grid/GxSharedDraw.h"
#include "platform/rtl/SysUtils.h"
#include "platform/ui/Forms.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// A mirrored arrow: the picture of the reversed-arrow cursor.
void RegisterReversedArrow() {
    if (!Screen || Screen->HasCursor(crReversedArrow) ||
        !qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    const QPolygon arrow({QPoint(15, 0), QPoint(15, 13), QPoint(12, 10), QPoint(10, 15), QPoint(8, 14),
                          QPoint(10, 9), QPoint(6, 9)});
    p.setPen(Qt::white);
    p.setBrush(Qt::black);
    p.drawPolygon(arrow);
    p.end();
    Screen->SetCursors(crReversedArrow, QCursor(pm, 15, 0));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TGxEditMargins

void TGxEditMargins::Assign(const TPersistent* Source) {
    if (auto src = dynamic_cast<const TGxEditMargins*>(Source)) {
        FLeft = src->FLeft;
        FRight = src->FRight;
        if (FOwner) FOwner->UpdateMargins();
        return;
    }
    TPersistent::Assign(Source);
}

void TGxEditMargins::SetLeft(int Value) {
    FLeft = Value;
    if (FOwner) FOwner->UpdateMargins();
}

void TGxEditMargins::SetRight(int Value) {
    FRight = Value;
    if (FOwner) FOwner->UpdateMargins();
}

// ---------------------------------------------------------------------------------------------
// TGxEditInfo

TGxEditInfo::TGxEditInfo(TGxCustomEdit* AOwner) : TCustomControl(AOwner), FOwner(AOwner) {
    SetVisible(false);
}

void TGxEditInfo::Paint() {
    TCanvas* canvas = Canvas();
    if (!canvas) return;
    TBitmap* glyph = FOwner->Glyph();
    int w = 0;
    if (!glyph->Empty()) {
        const int y = static_cast<int>(std::nearbyint(Height() / 2.0 - glyph->Height() / 2.0));
        DrawAlphaBitmap(*canvas, 0, y, *glyph);
        w = glyph->Width() + 2;
    }
    if (FOwner->ShowPreview()) {
        TRect r(w, 0, w + 20, ClientHeight());
        if (FOwner->PreviewBorder()) {
            canvas->Brush().SetStyle(bsSolid);
            canvas->Brush().SetColor(0x808080);
            canvas->FrameRect(r);
            InflateRect(r, -1, -1);
        }
        FOwner->DrawPreview(*canvas, r);
    }
}

void TGxEditInfo::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TCustomControl::MouseDown(Button, Shift, X, Y);
    FOwner->EditInfoMouseDown(this, Button, Shift, X, Y);
    TBitmap* glyph = FOwner->Glyph();
    if (!glyph->Empty() && PtInRect(TRect(0, 0, glyph->Width(), Height()), TPoint(X, Y)))
        FOwner->DoGlyphClick();
}

// ---------------------------------------------------------------------------------------------
// TGxCustomEdit

TGxCustomEdit::TGxCustomEdit(TComponent* AOwner)
    : TCustomEdit(AOwner), FEditMargins(std::make_unique<TGxEditMargins>(this)),
      FGlyph(std::make_unique<TBitmap>()) {
    FEditInfo = new TGxEditInfo(this);
    FEditInfo->SetParent(this);
    SetBorderStyle(bsSingle);
    FColor = clWindow;
    FParentColor = false;
    FTabStop = true;
    FWidth = 121;
    FHeight = 20;
    FGlyph->OnChange = [this](TObject*) { GlyphChanged(); };
    RegisterReversedArrow();
}

TGxCustomEdit::~TGxCustomEdit() {
    FGlyph->OnChange = nullptr;
}

void TGxCustomEdit::InitWidget() {
    TCustomEdit::InitWidget();
    TCustomEdit::SetAlignment(FAlignment);
    UpdateMargins();
}

void TGxCustomEdit::SetAlignment(TAlignment Value) {
    FAlignment = Value;
    TCustomEdit::SetAlignment(Value);
}

void TGxCustomEdit::SetEditMargins(const TGxEditMargins* Value) {
    if (Value) FEditMargins->Assign(Value);
}

void TGxCustomEdit::SetGlyph(const TBitmap* Value) {
    if (Value)
        FGlyph->Assign(*Value);
    else
        FGlyph->SetSize(0, 0);
    GlyphChanged();
}

void TGxCustomEdit::GlyphChanged() {
    if (FGlyphUpdating) return;
    FGlyphUpdating = true;
    if (!FGlyph->Empty()) {
        FGlyph->SetTransparentMode(tmAuto);
        FGlyph->SetTransparent(true);
    }
    FGlyphUpdating = false;
    UpdateMargins();
    PlaceEditInfo();
}

void TGxCustomEdit::SetPreviewBorder(bool Value) {
    FPreviewBorder = Value;
    RefreshPreview();
}

void TGxCustomEdit::SetShowPreview(bool Value) {
    FShowPreview = Value;
    UpdateMargins();
    PlaceEditInfo();
    Invalidate();
}

void TGxCustomEdit::SetBorderWidth(int Value) {
    FBorderWidth = Value;
    Invalidate();
}

int TGxCustomEdit::GlyphSpace() const {
    return FGlyph->Empty() ? 0 : FGlyph->Width() + 4;
}

void TGxCustomEdit::AdjustMargins(int& Left, int& Right) {
    if (FShowPreview) Left += 25;
    if (!FGlyph->Empty()) Left += FGlyph->Width() + 4;
}

void TGxCustomEdit::UpdateMargins() {
    int left = FEditMargins->Left(), right = FEditMargins->Right();
    AdjustMargins(left, right);
    FAppliedLeft = left;
    FAppliedRight = right;
    if (FWidget) Line()->setTextMargins(left, 0, right, 0);
}

void TGxCustomEdit::GetPreviewRect(TRect& Rect) {
    Rect = ClientRect();
    const int g = GlyphSpace();
    Rect.Left = Rect.Left + g;
    Rect.Right = Rect.Left + 20;
}

void TGxCustomEdit::RefreshPreview() {
    TRect r;
    GetPreviewRect(r);
    if (FEditInfo) FEditInfo->Invalidate();
}

void TGxCustomEdit::PlaceEditInfo() {
    if (!FEditInfo) return;
    int w = GlyphSpace();
    if (FShowPreview) w += 20;
    FEditInfo->SetBounds(0, 0, w, ClientHeight());
    FEditInfo->SetVisible(FShowPreview || !FGlyph->Empty());
}

void TGxCustomEdit::DrawPreview(TCanvas&, const TRect& Rect) {
    DoCustomPreviewDraw(Rect);
}

void TGxCustomEdit::DoCustomPreviewDraw(const TRect& Rect) {
    if (OnCustomPreviewDraw) OnCustomPreviewDraw(this, Rect);
}

void TGxCustomEdit::DoGlyphClick() {
    if (OnGlyphClick) OnGlyphClick(this);
}

int TGxCustomEdit::DialogCode() const {
    int code = TCustomEdit::DialogCode() | DLGC_WANTARROWS;
    if (FWantTabs)
        code |= DLGC_WANTTAB;
    else
        code &= ~DLGC_WANTTAB;
    return code;
}

void TGxCustomEdit::Resize() {
    TCustomEdit::Resize();
    UpdateMargins();
    PlaceEditInfo();
}

void TGxCustomEdit::Moved() {
    if (IsDestroying()) return;
    Invalidate();
    if (FEditInfo) FEditInfo->Invalidate();
    PlaceEditInfo();
}

void TGxCustomEdit::FontChanged() {
    TCustomEdit::FontChanged();
    UpdateMargins();
}

void TGxCustomEdit::EnabledChanged() {
    TCustomEdit::EnabledChanged();
    for (int i = 0; i < ComponentCount(); ++i)
        if (auto c = dynamic_cast<TControl*>(Components(i))) c->Invalidate();
}

void TGxCustomEdit::FocusGained() {
    TCustomEdit::FocusGained();
    if (FEditInfo && FEditInfo->Visible()) FEditInfo->Invalidate();
}

void TGxCustomEdit::FocusLost() {
    TCustomEdit::FocusLost();
    if (FEditInfo && FEditInfo->Visible()) FEditInfo->Invalidate();
}

void TGxCustomEdit::PressKey(QChar Key) {
    QWidget* w = Widget();
    QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(Key));
    QCoreApplication::sendEvent(w, &press);
}

bool TGxCustomEdit::GetAsBoolean() {
    return StrToBool(Text());
}

TDateTime TGxCustomEdit::GetAsDateTime() {
    const QString t = Text();
    return t.isEmpty() ? 0 : StrToDateTime(t);
}

double TGxCustomEdit::GetAsFloat() {
    const QString t = Text();
    return t.isEmpty() ? 0 : StrToFloat(t);
}

int TGxCustomEdit::GetAsInteger() {
    const QString t = Text();
    return t.isEmpty() ? 0 : StrToInt(t);
}

QString TGxCustomEdit::GetAsString() {
    return Text();
}

void TGxCustomEdit::SetAsBooleanValue(bool Value) {
    SetAsStringValue(BoolToStr(Value, true));
}
void TGxCustomEdit::SetAsDateTimeValue(TDateTime Value) {
    SetAsStringValue(DateTimeToStr(Value));
}
void TGxCustomEdit::SetAsFloatValue(double Value) {
    SetAsStringValue(FloatToStr(Value));
}
void TGxCustomEdit::SetAsIntegerValue(int Value) {
    SetAsStringValue(IntToStr(Value));
}
void TGxCustomEdit::SetAsStringValue(const QString& Value) {
    SetText(Value);
}

// ---------------------------------------------------------------------------------------------
// TGxEdit

void TGxEdit::SetAsStringValue(const QString& Value) {
    TGxCustomEdit::SetAsStringValue(Value);
}

void TGxEdit::BeginEditing() {
    SetSelStart(Text().size());
}

int TGxEdit::InfoEdge() const {
    const int right = FEditInfo && FEditInfo->Visible() ? FEditInfo->Left() + FEditInfo->Width() : 0;
    return right + 2;
}

void TGxEdit::MouseMove(TShiftState Shift, int X, int Y) {
    TGxCustomEdit::MouseMove(Shift, X, Y);
    SetCursor(X <= InfoEdge() ? crReversedArrow : crDefault);
}

void TGxEdit::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    TGxCustomEdit::MouseDown(Button, Shift, X, Y);
    if (X <= InfoEdge()) SelectAll();
}

void TGxEdit::Change() {
    TGxCustomEdit::Change();
    TextChanged();
}

void TGxEdit::TextChanged() {
    TGxCustomEdit::TextChanged();
}

KORVEL_CLASS_INFO(TGxEditMargins) {
    b.Prop("Left", &TGxEditMargins::Left, &TGxEditMargins::SetLeft).Default(0);
    b.Prop("Right", &TGxEditMargins::Right, &TGxEditMargins::SetRight).Default(0);
}
KORVEL_CLASS_INFO(TGxEditInfo) {}
KORVEL_CLASS_INFO(TGxCustomEdit) {
    b.Prop("PreviewBorder", &TGxCustomEdit::PreviewBorder, &TGxCustomEdit::SetPreviewBorder).Default(true);
    b.Prop("ShowPreview", &TGxCustomEdit::ShowPreview, &TGxCustomEdit::SetShowPreview).Default(false);
    b.Prop("WantTabs", &TGxCustomEdit::WantTabs, &TGxCustomEdit::SetWantTabs).Default(false);
}
KORVEL_CLASS_INFO(TGxEdit) {}
