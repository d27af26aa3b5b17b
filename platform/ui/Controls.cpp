#include "platform/ui/Controls.h"

#include "platform/ui/ControlBridge.h"
#include "platform/ui/Forms.h"
#include "platform/ui/Menus.h"

#include <QApplication>
#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>

#include <algorithm>
#include <cstdlib>
#include <cstring>

namespace {

TControl* gCaptureControl = nullptr;

QString ShortHint(const QString& hint) {
    const int bar = hint.indexOf(QLatin1Char('|'));
    return bar < 0 ? hint : hint.left(bar);
}

bool MouseButtonOf(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton: out = mbLeft; return true;
    case Qt::RightButton: out = mbRight; return true;
    case Qt::MiddleButton: out = mbMiddle; return true;
    default: return false;
    }
}

// A plain widget whose background is the control's colour.
class TPlainWidget : public QWidget {
public:
    using QWidget::QWidget;
};

} // namespace

TControlBridge* BridgeOf(QWidget* w) { return w ? dynamic_cast<TControlBridge*>(w) : nullptr; }

namespace {

int gDetaching = 0; // children being detached from a parent that is destroyed

// Hands focus changes of a control's inner widgets to the control.
class TFocusPartFilter : public QObject {
public:
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::FocusIn || e->type() == QEvent::FocusOut)
            if (auto* c = dynamic_cast<TWinControl*>(FindControl(static_cast<QWidget*>(o))))
                c->DispatchPartFocus(static_cast<QFocusEvent*>(e));
        return false;
    }
};

TFocusPartFilter* FocusPartFilter() {
    static TFocusPartFilter filter;
    return &filter;
}

} // namespace

TControl* FindControl(QWidget* w) {
    while (w) {
        if (TControlBridge* b = BridgeOf(w))
            if (b->Control()) return b->Control();
        w = w->parentWidget();
    }
    return nullptr;
}

TControl* GetCaptureControl() { return gCaptureControl; }

void SetCaptureControl(TControl* control) {
    if (control == gCaptureControl) return;
    if (gCaptureControl && gCaptureControl->HandleAllocated())
        gCaptureControl->Widget()->releaseMouse();
    gCaptureControl = control;
    if (control) control->Widget()->grabMouse();
}

TShiftState ShiftStateFromQt(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
    TShiftState s;
    if (modifiers & Qt::ShiftModifier) s.Include(ssShift);
    if (modifiers & Qt::ControlModifier) s.Include(ssCtrl);
    if (modifiers & Qt::AltModifier) s.Include(ssAlt);
    if (buttons & Qt::LeftButton) s.Include(ssLeft);
    if (buttons & Qt::RightButton) s.Include(ssRight);
    if (buttons & Qt::MiddleButton) s.Include(ssMiddle);
    return s;
}

Word QtKeyToVirtualKey(int k, Qt::KeyboardModifiers modifiers) {
    if (k >= Qt::Key_A && k <= Qt::Key_Z) return static_cast<Word>('A' + (k - Qt::Key_A));
    if (k >= Qt::Key_0 && k <= Qt::Key_9) {
        if (modifiers & Qt::KeypadModifier) return static_cast<Word>(VK_NUMPAD0 + (k - Qt::Key_0));
        return static_cast<Word>('0' + (k - Qt::Key_0));
    }
    if (k >= Qt::Key_F1 && k <= Qt::Key_F24) return static_cast<Word>(VK_F1 + (k - Qt::Key_F1));
    switch (k) {
    case Qt::Key_Backspace: return VK_BACK;
    case Qt::Key_Tab: case Qt::Key_Backtab: return VK_TAB;
    case Qt::Key_Clear: return VK_CLEAR;
    case Qt::Key_Return: case Qt::Key_Enter: return VK_RETURN;
    case Qt::Key_Shift: return VK_SHIFT;
    case Qt::Key_Control: return VK_CONTROL;
    case Qt::Key_Alt: return VK_MENU;
    case Qt::Key_Pause: return VK_PAUSE;
    case Qt::Key_CapsLock: return VK_CAPITAL;
    case Qt::Key_Escape: return VK_ESCAPE;
    case Qt::Key_Space: return VK_SPACE;
    case Qt::Key_PageUp: return VK_PRIOR;
    case Qt::Key_PageDown: return VK_NEXT;
    case Qt::Key_End: return VK_END;
    case Qt::Key_Home: return VK_HOME;
    case Qt::Key_Left: return VK_LEFT;
    case Qt::Key_Up: return VK_UP;
    case Qt::Key_Right: return VK_RIGHT;
    case Qt::Key_Down: return VK_DOWN;
    case Qt::Key_Print: return VK_SNAPSHOT;
    case Qt::Key_Insert: return VK_INSERT;
    case Qt::Key_Delete: return VK_DELETE;
    case Qt::Key_Help: return VK_HELP;
    case Qt::Key_Meta: return VK_LWIN;
    case Qt::Key_Menu: return VK_APPS;
    case Qt::Key_NumLock: return VK_NUMLOCK;
    case Qt::Key_ScrollLock: return VK_SCROLL;
    case Qt::Key_Asterisk: return (modifiers & Qt::KeypadModifier) ? VK_MULTIPLY : Word('8');
    case Qt::Key_Plus: return (modifiers & Qt::KeypadModifier) ? VK_ADD : VK_OEM_PLUS;
    case Qt::Key_Minus: return (modifiers & Qt::KeypadModifier) ? VK_SUBTRACT : VK_OEM_MINUS;
    case Qt::Key_Period: return (modifiers & Qt::KeypadModifier) ? VK_DECIMAL : VK_OEM_PERIOD;
    case Qt::Key_Slash: return (modifiers & Qt::KeypadModifier) ? VK_DIVIDE : VK_OEM_2;
    case Qt::Key_Semicolon: case Qt::Key_Colon: return VK_OEM_1;
    case Qt::Key_Equal: return VK_OEM_PLUS;
    case Qt::Key_Comma: case Qt::Key_Less: return VK_OEM_COMMA;
    case Qt::Key_Greater: return VK_OEM_PERIOD;
    case Qt::Key_Question: return VK_OEM_2;
    case Qt::Key_QuoteLeft: case Qt::Key_AsciiTilde: return VK_OEM_3;
    case Qt::Key_BracketLeft: case Qt::Key_BraceLeft: return VK_OEM_4;
    case Qt::Key_Backslash: case Qt::Key_Bar: return VK_OEM_5;
    case Qt::Key_BracketRight: case Qt::Key_BraceRight: return VK_OEM_6;
    case Qt::Key_Apostrophe: case Qt::Key_QuoteDbl: return VK_OEM_7;
    case Qt::Key_Underscore: return VK_OEM_MINUS;
    default: return 0;
    }
}

int VirtualKeyToQtKey(Word vk) {
    if (vk >= 'A' && vk <= 'Z') return Qt::Key_A + (vk - 'A');
    if (vk >= '0' && vk <= '9') return Qt::Key_0 + (vk - '0');
    if (vk >= VK_F1 && vk <= VK_F1 + 23) return Qt::Key_F1 + (vk - VK_F1);
    if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9) return Qt::Key_0 + (vk - VK_NUMPAD0);
    switch (vk) {
    case VK_BACK: return Qt::Key_Backspace;
    case VK_TAB: return Qt::Key_Tab;
    case VK_RETURN: return Qt::Key_Return;
    case VK_SHIFT: return Qt::Key_Shift;
    case VK_CONTROL: return Qt::Key_Control;
    case VK_MENU: return Qt::Key_Alt;
    case VK_ESCAPE: return Qt::Key_Escape;
    case VK_SPACE: return Qt::Key_Space;
    case VK_PRIOR: return Qt::Key_PageUp;
    case VK_NEXT: return Qt::Key_PageDown;
    case VK_END: return Qt::Key_End;
    case VK_HOME: return Qt::Key_Home;
    case VK_LEFT: return Qt::Key_Left;
    case VK_UP: return Qt::Key_Up;
    case VK_RIGHT: return Qt::Key_Right;
    case VK_DOWN: return Qt::Key_Down;
    case VK_INSERT: return Qt::Key_Insert;
    case VK_DELETE: return Qt::Key_Delete;
    case VK_APPS: return Qt::Key_Menu;
    case VK_MULTIPLY: return Qt::Key_Asterisk;
    case VK_ADD: return Qt::Key_Plus;
    case VK_SUBTRACT: return Qt::Key_Minus;
    case VK_DECIMAL: return Qt::Key_Period;
    case VK_DIVIDE: return Qt::Key_Slash;
    case VK_OEM_1: return Qt::Key_Semicolon;
    case VK_OEM_PLUS: return Qt::Key_Equal;
    case VK_OEM_COMMA: return Qt::Key_Comma;
    case VK_OEM_MINUS: return Qt::Key_Minus;
    case VK_OEM_PERIOD: return Qt::Key_Period;
    case VK_OEM_2: return Qt::Key_Slash;
    case VK_OEM_3: return Qt::Key_QuoteLeft;
    case VK_OEM_4: return Qt::Key_BracketLeft;
    case VK_OEM_5: return Qt::Key_Backslash;
    case VK_OEM_6: return Qt::Key_BracketRight;
    case VK_OEM_7: return Qt::Key_Apostrophe;
    default: return 0;
    }
}

TCustomForm* GetParentForm(TControl* control) {
    while (control && control->Parent()) control = control->Parent();
    return dynamic_cast<TCustomForm*>(control);
}

// =============================================================================================
// TControl

TControl::TControl(TComponent* AOwner) : TComponent(AOwner), FFont(std::make_unique<TFont>()) {
    FFont->OnChange = [this](TObject*) { FontChanged(); };
}

TControl::~TControl() {
    if (gCaptureControl == this) gCaptureControl = nullptr;
    if (Screen) Screen->ControlDestroyed(this);
    if (FParent) FParent->RemoveControl(this);
    if (FWidget) {
        if (TControlBridge* b = BridgeOf(FWidget)) b->Detach();
        if (FOwnedWidget && FOwnedWidget.get() == FWidget.data()) {
            FOwnedWidget.reset();
        } else {
            std::unique_ptr<QWidget> doomed(FWidget.data());
        }
    }
    FOwnedWidget.reset();
}

QWidget* TControl::Widget() {
    HandleNeeded();
    return FWidget;
}

void TControl::HandleNeeded() {
    if (FWidget) return;
    std::unique_ptr<QWidget> w = CreateWidget();
    FWidget = w.get();
    if (FPopupWindow) {
        w->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        w->setAttribute(Qt::WA_ShowWithoutActivating);
        FOwnedWidget = std::move(w);
    } else if (FParent && FParent->HandleAllocated()) {
        w->setParent(FParent->ClientWidget());
        w.release(); // the parent widget owns it now
    } else {
        FOwnedWidget = std::move(w);
    }
    FControlState.Include(csCreating);
    InitWidget();
    FControlState.Exclude(csCreating);
}

std::unique_ptr<QWidget> TControl::CreateWidget() {
    return std::make_unique<TBridgeWidget<TPlainWidget>>(this);
}

void TControl::InitWidget() {
    QWidget* w = FWidget;
    w->setObjectName(Name());
    w->setAttribute(Qt::WA_Hover, false);
    w->setMouseTracking(true);
    SetWidgetGeometry();
    ApplyFont();
    ApplyColor();
    w->setEnabled(FEnabled);
    if (FCursor != crDefault && Screen) w->setCursor(Screen->CursorOf(FCursor));
    SetHint(FHint);
    SetTextValue(FText);
    // A control without a parent window stays hidden until it gets one: shown, it would become a
    // stray top-level window, and the window manager's placement would move its bounds.
    w->setVisible(FVisible && !dynamic_cast<TCustomForm*>(this) && (w->parentWidget() || FPopupWindow));
}

void TControl::Notification(TComponent* AComponent, TOperation Operation) {
    TComponent::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FPopupMenu) FPopupMenu = nullptr;
}

void TControl::ChangeControlState(TControlStateItem item, bool on) {
    if (on)
        FControlState.Include(item);
    else
        FControlState.Exclude(item);
}

void TControl::SetParent(TWinControl* value) {
    if (value == FParent) return;
    if (value == this) throw EInvalidControlOperation(QStringLiteral("A control cannot have itself as its parent"));
    if (FParent) FParent->RemoveControl(this);
    FParent = value;
    if (FParent) {
        FParent->InsertControl(this);
        if (FParent->HandleAllocated() && !FPopupWindow) {
            HandleNeeded();
            if (FWidget->parentWidget() != FParent->ClientWidget()) {
                if (FOwnedWidget) FOwnedWidget.release();
                FWidget->setParent(FParent->ClientWidget());
            }
            SetWidgetGeometry();
            FWidget->setVisible(FVisible);
        }
        if (FParentFont) ParentFontChanged();
        if (FParentColor) ParentColorChanged();
        UpdateAnchorRules();
        if (FAlign != alNone || FAnchors != TAnchors{akLeft, akTop}) FParent->Realign();
    } else if (FWidget && FWidget->parentWidget() && !FPopupWindow) {
        FWidget->hide();
        FWidget->setParent(nullptr);
        FOwnedWidget.reset(FWidget.data());
    }
}

void TControl::SetWidgetGeometry() {
    if (!FWidget) return;
    TPoint off = FParent && !FPopupWindow ? FParent->ClientOffset() : TPoint{};
    // A window of fixed size keeps its size fixed, at the new size.
    if (FWidget->isWindow() && FWidget->minimumSize() == FWidget->maximumSize() &&
        FWidget->minimumSize() != QSize(0, 0))
        FWidget->setFixedSize(std::max(FWidth, 0), std::max(FHeight, 0));
    FWidget->setGeometry(FLeft + off.X, FTop + off.Y, std::max(FWidth, 0), std::max(FHeight, 0));
}

void TControl::SetBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool sized = AWidth != FWidth || AHeight != FHeight;
    const bool moved = ALeft != FLeft || ATop != FTop;
    if (!sized && !moved) {
        UpdateAnchorRules();
        return;
    }
    FLeft = ALeft;
    FTop = ATop;
    FWidth = AWidth;
    FHeight = AHeight;
    SetWidgetGeometry();
    if (!FControlState.Contains(csAligning)) UpdateAnchorRules();
    if (sized) {
        if (auto* wc = dynamic_cast<TWinControl*>(this)) {
            wc->LayoutScrollBars();
            wc->Realign();
        }
        Resize();
    }
    if (moved) Moved();
    if (FParent && FAlign != alNone && !FControlState.Contains(csAligning)) FParent->Realign();
}

void TControl::SetLayoutBounds(int ALeft, int ATop, int AWidth, int AHeight) {
    const bool was = FControlState.Contains(csAligning);
    FControlState.Include(csAligning);
    try {
        SetBounds(ALeft, ATop, AWidth, AHeight);
    } catch (...) {
        if (!was) FControlState.Exclude(csAligning);
        throw;
    }
    if (!was) FControlState.Exclude(csAligning);
}

void TControl::WidgetResized(int w, int h) {
    if (w == FWidth && h == FHeight) return;
    FWidth = w;
    FHeight = h;
    if (auto* wc = dynamic_cast<TWinControl*>(this)) {
        wc->LayoutScrollBars();
        wc->Realign();
    }
    Resize();
}

void TControl::WidgetMoved(int x, int y) {
    FLeft = x;
    FTop = y;
}

TRect TControl::ClientRect() const { return Rect(0, 0, FWidth, FHeight); }

void TControl::SetClientWidth(int value) {
    SetWidth(FWidth + value - ClientWidth());
}

void TControl::SetClientHeight(int value) {
    SetHeight(FHeight + value - ClientHeight());
}

TPoint TControl::ClientOrigin() {
    QWidget* w = Widget();
    TPoint off = ClientOffset();
    QPoint p = w->mapToGlobal(QPoint(off.X, off.Y));
    return {p.x(), p.y()};
}

TPoint TControl::ClientToScreen(const TPoint& p) {
    TPoint o = ClientOrigin();
    return {p.X + o.X, p.Y + o.Y};
}

TPoint TControl::ScreenToClient(const TPoint& p) {
    TPoint o = ClientOrigin();
    return {p.X - o.X, p.Y - o.Y};
}

TPoint TControl::ClientToParent(const TPoint& p, TWinControl* AParent) {
    if (!AParent) AParent = FParent;
    if (!AParent) throw EInvalidControlOperation(QStringLiteral("Control '%1' has no parent window").arg(Name()));
    TPoint r = p;
    TControl* c = this;
    while (c && c != AParent) {
        r.X += c->Left();
        r.Y += c->Top();
        c = c->Parent();
        if (c && c != AParent) {
            TPoint off = c->ClientOffset();
            r.X += off.X;
            r.Y += off.Y;
        }
    }
    if (c != AParent) throw EInvalidControlOperation(QStringLiteral("'%1' is not a parent of '%2'").arg(AParent->Name(), Name()));
    return r;
}

void TControl::SetAlign(TAlign value) {
    if (value == FAlign) return;
    FAlign = value;
    if (FParent) FParent->Realign();
}

void TControl::SetAnchors(const TAnchors& value) {
    FAnchors = value;
    UpdateAnchorRules();
}

void TControl::UpdateAnchorRules() {
    if (!FParent) {
        FAnchorRulesValid = false;
        return;
    }
    const TRect pc = FParent->ClientRect();
    if (pc.Width() <= 0 && pc.Height() <= 0) {
        FAnchorRulesValid = false;
        return;
    }
    FOriginalParentSize = {pc.Width(), pc.Height()};
    if (FAnchors.Contains(akLeft))
        FAnchorRules.X = FAnchors.Contains(akRight) ? FWidth : FLeft;
    else
        FAnchorRules.X = FAnchors.Contains(akRight) ? FLeft : FLeft + FWidth / 2;
    if (FAnchors.Contains(akTop))
        FAnchorRules.Y = FAnchors.Contains(akBottom) ? FHeight : FTop;
    else
        FAnchorRules.Y = FAnchors.Contains(akBottom) ? FTop : FTop + FHeight / 2;
    FAnchorRulesValid = true;
}

void TControl::SetVisible(bool value) {
    if (value == FVisible) return;
    FVisible = value;
    if (FWidget) FWidget->setVisible(value);
    VisibleChanged();
    if (FParent && (FAlign != alNone)) FParent->Realign();
}

void TControl::SetWindowRegion(const QRegion& region) {
    QWidget* w = Widget();
    // A mask that lies outside the widget hides every pixel.
    w->setMask(region.isEmpty() ? QRegion(-2, -2, 1, 1) : region);
}

void TControl::ClearWindowRegion() { Widget()->clearMask(); }

void TControl::Show() { SetVisible(true); }
void TControl::Hide() { SetVisible(false); }

bool TControl::Showing() const {
    for (const TControl* c = this; c; c = c->FParent) {
        if (!c->FVisible) return false;
        if (!c->FParent) return !dynamic_cast<const TCustomForm*>(c) || (c->FWidget && c->FWidget->isVisible());
    }
    return true;
}

void TControl::SetEnabled(bool value) {
    if (value == FEnabled) return;
    FEnabled = value;
    if (FWidget) FWidget->setEnabled(value);
    EnabledChanged();
}

void TControl::SetColor(TColor value) {
    if (value == FColor && !FParentColor) return;
    FColor = value;
    FParentColor = false;
    ApplyColor();
    ColorChanged();
}

void TControl::SetParentColor(bool value) {
    if (value == FParentColor) return;
    FParentColor = value;
    if (value) ParentColorChanged();
}

void TControl::ParentColorChanged() {
    if (FParentColor && FParent) {
        FColor = FParent->Color();
        ApplyColor();
        ColorChanged();
        FParentColor = true;
    }
}

void TControl::ColorChanged() {
    Invalidate();
    if (auto* wc = dynamic_cast<TWinControl*>(this))
        for (TControl* c : wc->FControls)
            if (c->FParentColor) c->ParentColorChanged();
}

void TControl::SetParentFont(bool value) {
    if (value == FParentFont) return;
    FParentFont = value;
    if (value) ParentFontChanged();
}

void TControl::ParentFontChanged() {
    if (FParentFont && FParent) {
        FFontChanging = true;
        FFont->Assign(*FParent->Font());
        FFontChanging = false;
        FontChanged();
        FParentFont = true;
    }
}

void TControl::FontChanged() {
    // A font set by hand breaks the tie with the parent's font.
    if (!FFontChanging) FParentFont = false;
    ApplyFont();
    Invalidate();
    if (auto* wc = dynamic_cast<TWinControl*>(this))
        for (TControl* c : wc->FControls)
            if (c->FParentFont) c->ParentFontChanged();
}

void TControl::ApplyFont() {
    if (!FWidget) return;
    QFont f(FFont->Name());
    const int h = FFont->Height();
    if (h < 0)
        f.setPixelSize(-h);
    else if (h > 0)
        f.setPixelSize(h * 4 / 5 > 0 ? h * 4 / 5 : 1);
    const TFontStyles st = FFont->Style();
    f.setBold(st.Contains(fsBold));
    f.setItalic(st.Contains(fsItalic));
    f.setUnderline(st.Contains(fsUnderline));
    f.setStrikeOut(st.Contains(fsStrikeOut));
    FWidget->setFont(f);
    QPalette pal = FWidget->palette();
    const QColor fc = ColorToQColor(FFont->Color());
    pal.setColor(QPalette::WindowText, fc);
    pal.setColor(QPalette::Text, fc);
    pal.setColor(QPalette::ButtonText, fc);
    FWidget->setPalette(pal);
}

void TControl::ApplyColor() {
    if (!FWidget) return;
    QPalette pal = FWidget->palette();
    const QColor c = ColorToQColor(FColor);
    pal.setColor(QPalette::Window, c);
    FWidget->setPalette(pal);
    FWidget->setAutoFillBackground(!FParentColor || dynamic_cast<TCustomForm*>(this));
}

void TControl::EnabledChanged() { Invalidate(); }
void TControl::VisibleChanged() {}
void TControl::TextChanged() { Invalidate(); }

QString TControl::GetText() const { return FText; }

void TControl::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget && FWidget->isWindow()) FWidget->setWindowTitle(value);
}

void TControl::SetText(const QString& value) {
    if (value == GetText()) return;
    SetTextValue(value);
    TextChanged();
}

void TControl::SetCursor(TCursor value) {
    FCursor = value;
    if (FWidget && Screen) {
        if (value == crDefault)
            FWidget->unsetCursor();
        else
            FWidget->setCursor(Screen->CursorOf(value));
    }
}

void TControl::SetHint(const QString& value) {
    FHint = value;
    if (FWidget) FWidget->setToolTip(ShowHint() ? ShortHint(value) : QString());
}

void TControl::SetShowHint(bool value) {
    FShowHint = value;
    FParentShowHint = false;
    SetHint(FHint);
}

void TControl::SetParentShowHint(bool value) {
    FParentShowHint = value;
    if (value && FParent) FShowHint = FParent->ShowHint();
    SetHint(FHint);
}

void TControl::SetPopupMenu(TPopupMenu* value) {
    FPopupMenu = value;
    if (value) value->FreeNotification(this);
}

bool TControl::MouseCapture() const { return gCaptureControl == this; }

void TControl::SetMouseCapture(bool value) {
    if (value)
        SetCaptureControl(this);
    else if (gCaptureControl == this)
        SetCaptureControl(nullptr);
}

void TControl::Invalidate() {
    if (FWidget) FWidget->update();
}

void TControl::InvalidateRect(const TRect& r) {
    if (!FWidget) return;
    TPoint off = ClientOffset();
    FWidget->update(QRect(r.Left + off.X, r.Top + off.Y, r.Width(), r.Height()));
}

void TControl::Update() {
    if (FWidget && FWidget->isVisible()) {
        QWidget* top = FWidget->window();
        QCoreApplication::sendPostedEvents(top, QEvent::UpdateRequest);
        QCoreApplication::sendPostedEvents(top, QEvent::UpdateLater);
    }
}

void TControl::Repaint() {
    Invalidate();
    if (FWidget && FWidget->isVisible()) FWidget->repaint();
}

void TControl::BringToFront() {
    if (FWidget) FWidget->raise();
    if (FParent) {
        auto& v = FParent->FControls;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        v.push_back(this);
    }
}

void TControl::SendToBack() {
    if (FWidget) FWidget->lower();
    if (FParent) {
        auto& v = FParent->FControls;
        v.erase(std::remove(v.begin(), v.end(), this), v.end());
        v.insert(v.begin(), this);
    }
}

void TControl::PostKeyDown(Word key, TShiftState shift) {
    if (!FWidget) return;
    Qt::KeyboardModifiers m;
    if (shift.Contains(ssShift)) m |= Qt::ShiftModifier;
    if (shift.Contains(ssCtrl)) m |= Qt::ControlModifier;
    if (shift.Contains(ssAlt)) m |= Qt::AltModifier;
    int qk = VirtualKeyToQtKey(key);
    if (qk == Qt::Key_Tab && shift.Contains(ssShift)) qk = Qt::Key_Backtab;
    QString text;
    if (key == VK_TAB) text = QStringLiteral("\t");
    QCoreApplication::postEvent(FWidget, new QKeyEvent(QEvent::KeyPress, qk, m, text));
}

void TControl::Click() {
    if (OnClick) OnClick(this);
}

void TControl::DblClick() {
    if (OnDblClick) OnDblClick(this);
}

void TControl::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseDown) OnMouseDown(this, Button, Shift, X, Y);
}

void TControl::MouseMove(TShiftState Shift, int X, int Y) {
    if (OnMouseMove) OnMouseMove(this, Shift, X, Y);
}

void TControl::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (OnMouseUp) OnMouseUp(this, Button, Shift, X, Y);
}

bool TControl::DoMouseWheel(TShiftState Shift, int WheelDelta, TPoint MousePos) {
    bool result = false;
    if (OnMouseWheel) OnMouseWheel(this, Shift, WheelDelta, MousePos, result);
    if (!result) {
        FWheelAccumulator += WheelDelta;
        while (std::abs(FWheelAccumulator) >= 120) {
            const bool down = FWheelAccumulator < 0;
            FWheelAccumulator = std::abs(FWheelAccumulator) - 120;
            if (down) {
                if (FWheelAccumulator != 0) FWheelAccumulator = -FWheelAccumulator;
                result = DoMouseWheelDown(Shift, MousePos);
            } else {
                result = DoMouseWheelUp(Shift, MousePos);
            }
        }
    }
    return result;
}

bool TControl::DoMouseWheelDown(TShiftState Shift, TPoint MousePos) {
    bool result = false;
    if (OnMouseWheelDown) OnMouseWheelDown(this, Shift, MousePos, result);
    return result;
}

bool TControl::DoMouseWheelUp(TShiftState Shift, TPoint MousePos) {
    bool result = false;
    if (OnMouseWheelUp) OnMouseWheelUp(this, Shift, MousePos, result);
    return result;
}

void TControl::DoContextPopup(TPoint MousePos, bool& Handled) {
    if (OnContextPopup) OnContextPopup(this, MousePos, Handled);
}

void TControl::MouseEnter() {
    if (OnMouseEnter) OnMouseEnter(this);
}

void TControl::MouseLeave() {
    if (OnMouseLeave) OnMouseLeave(this);
}

void TControl::Resize() {
    if (OnResize) OnResize(this);
}

TCanvas* TControl::Canvas() { return FPaintCanvas.get(); }

void TControl::Guarded(const std::function<void()>& f) {
    try {
        f();
    } catch (...) {
        InitApplication();
        Application->HandleException(this);
    }
}

bool TControl::DispatchWidgetEvent(QEvent* e) {
    bool result = true;
    try {
        result = WidgetEvent(e);
    } catch (...) {
        InitApplication();
        Application->HandleException(this);
        e->accept();
        result = true;
    }
    return result;
}

bool TControl::InheritedEvent(QEvent* e) {
    TControlBridge* b = BridgeOf(FWidget);
    return b ? b->BaseEvent(e) : false;
}

void TControl::PaintOn(QPainter& painter, const QRegion& region) {
    if (!FPaintCanvas) {
        FPaintCanvas = std::make_unique<TCanvas>();
    }
    FPaintCanvas->SetFont(*FFont);
    FPaintCanvas->Brush().SetColor(FColor);
    TPoint off = ClientOffset();
    painter.save();
    painter.setClipRegion(region);
    painter.translate(off.X, off.Y);
    FPaintCanvas->SetPainter(&painter);
    FPaintCanvas->SetClipRegion(region.translated(-off.X, -off.Y));
    try {
        Paint();
    } catch (...) {
        FPaintCanvas->ResetClip();
        FPaintCanvas->ReleaseDevice();
        painter.restore();
        throw;
    }
    FPaintCanvas->ResetClip();
    FPaintCanvas->ReleaseDevice();
    painter.restore();
}

bool TControl::HandleMouse(QMouseEvent* me) {
    TMouseButton button = mbLeft;
    const TPoint off = ClientOffset();
    const QPoint pos = me->position().toPoint();
    const int x = pos.x() - off.X, y = pos.y() - off.Y;
    TShiftState shift = ShiftStateFromQt(me->modifiers(), me->buttons());
    switch (me->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        if (!MouseButtonOf(me->button(), button)) return InheritedEvent(me);
        const bool dbl = me->type() == QEvent::MouseButtonDblClick &&
                         FControlStyle.Contains(csDoubleClicks);
        if (WantsNativeMouse()) InheritedEvent(me);
        me->accept();
        if (dbl) {
            if (button == mbLeft && FControlStyle.Contains(csClickEvents)) DblClick();
            shift.Include(ssDouble);
        } else if (button == mbLeft && FControlStyle.Contains(csClickEvents)) {
            FControlState.Include(csClicked);
        }
        if (button == mbLeft) FControlState.Include(csLButtonDown);
        MouseDown(button, shift, x, y);
        return true;
    }
    case QEvent::MouseButtonRelease: {
        if (!MouseButtonOf(me->button(), button)) return InheritedEvent(me);
        if (WantsNativeMouse()) InheritedEvent(me);
        me->accept();
        if (gCaptureControl == this && !(me->buttons() & (Qt::LeftButton | Qt::RightButton | Qt::MiddleButton)) &&
            FControlStyle.Contains(csCaptureMouse))
            SetCaptureControl(nullptr);
        if (button == mbLeft) {
            FControlState.Exclude(csLButtonDown);
            if (FControlState.Contains(csClicked)) {
                FControlState.Exclude(csClicked);
                if (ClientRect().Contains({x, y})) Click();
            }
        }
        MouseUp(button, shift, x, y);
        return true;
    }
    case QEvent::MouseMove:
        if (WantsNativeMouse()) InheritedEvent(me);
        me->accept();
        MouseMove(shift, x, y);
        return true;
    default:
        return InheritedEvent(me);
    }
}

bool TControl::WidgetEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
        if (!FEnabled) return InheritedEvent(e);
        return HandleMouse(static_cast<QMouseEvent*>(e));
    case QEvent::Enter:
        InheritedEvent(e);
        if (!FMouseInControl) {
            FMouseInControl = true;
            MouseEnter();
        }
        return true;
    case QEvent::Leave:
        InheritedEvent(e);
        if (FMouseInControl) {
            FMouseInControl = false;
            MouseLeave();
        }
        return true;
    case QEvent::Wheel: {
        auto* we = static_cast<QWheelEvent*>(e);
        const QPoint gp = we->globalPosition().toPoint();
        if (DoMouseWheel(ShiftStateFromQt(we->modifiers(), we->buttons()), we->angleDelta().y(),
                         {gp.x(), gp.y()})) {
            we->accept();
            return true;
        }
        return InheritedEvent(e);
    }
    case QEvent::ContextMenu: {
        auto* ce = static_cast<QContextMenuEvent*>(e);
        const TPoint off = ClientOffset();
        TPoint p{ce->pos().x() - off.X, ce->pos().y() - off.Y};
        bool handled = false;
        DoContextPopup(p, handled);
        if (handled) return true;
        if (FPopupMenu) {
            FPopupMenu->SetPopupComponent(this);
            FPopupMenu->Popup(ce->globalPos().x(), ce->globalPos().y());
            return true;
        }
        e->ignore();
        return false; // the parent may have a menu
    }
    case QEvent::Resize: {
        bool r = InheritedEvent(e);
        if (FWidget && FWidget->isWindow()) WidgetResized(FWidget->width(), FWidget->height());
        return r;
    }
    case QEvent::Move: {
        bool r = InheritedEvent(e);
        // The client area's place, as SetBounds gives it (x() would add the frame, and a saved
        // window would creep by its frame's width each time it is placed again).
        if (FWidget && FWidget->isWindow()) WidgetMoved(FWidget->geometry().x(), FWidget->geometry().y());
        return r;
    }
    default:
        return InheritedEvent(e);
    }
}

// =============================================================================================
// TWinControl

TWinControl::TWinControl(TComponent* AOwner) : TControl(AOwner) {
    FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TWinControl::~TWinControl() {
    // Children stay with their owners; they only lose their parent, and a focused one hears
    // no OnExit from a window that is going away.
    ++gDetaching;
    struct Done {
        ~Done() { --gDetaching; }
    } done;
    for (TControl* c : std::vector<TControl*>(FControls)) {
        c->FParent = nullptr;
        if (c->FWidget && c->FWidget->parentWidget()) {
            c->FWidget->hide();
            c->FWidget->setParent(nullptr);
            c->FOwnedWidget.reset(c->FWidget.data());
        }
    }
    FControls.clear();
    FTabList.clear();
}

void TWinControl::InsertControl(TControl* c) {
    FControls.push_back(c);
    if (auto* wc = dynamic_cast<TWinControl*>(c)) FTabList.push_back(wc);
}

void TWinControl::RemoveControl(TControl* c) {
    FControls.erase(std::remove(FControls.begin(), FControls.end(), c), FControls.end());
    FTabList.erase(std::remove(FTabList.begin(), FTabList.end(), c), FTabList.end());
}

bool TWinControl::ContainsControl(TControl* control) const {
    for (TControl* c = control; c; c = c->Parent())
        if (c == this) return true;
    return false;
}

TControl* TWinControl::FindChildControl(const QString& name) const {
    for (TControl* c : FControls)
        if (c->Name().compare(name, Qt::CaseInsensitive) == 0) return c;
    return nullptr;
}

int TWinControl::TabOrder() const {
    if (!FParent) return -1;
    auto& l = FParent->FTabList;
    auto it = std::find(l.begin(), l.end(), this);
    return it == l.end() ? -1 : static_cast<int>(it - l.begin());
}

void TWinControl::SetTabOrder(int value) {
    if (!FParent) return;
    auto& l = FParent->FTabList;
    const int cur = TabOrder();
    if (cur < 0) return;
    const int count = static_cast<int>(l.size());
    if (value < 0) value = 0;
    if (value >= count) value = count - 1;
    if (value == cur) return;
    l.erase(l.begin() + cur);
    l.insert(l.begin() + value, this);
}

void TWinControl::SetTabStop(bool value) { FTabStop = value; }

void TWinControl::GetTabOrderList(std::vector<TWinControl*>& list) const {
    for (TWinControl* c : FTabList) {
        list.push_back(c);
        c->GetTabOrderList(list);
    }
}

TWinControl* TWinControl::FindNextControl(TWinControl* CurControl, bool GoForward,
                                          bool CheckTabStop, bool CheckParent) const {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    if (list.empty()) return nullptr;
    const int count = static_cast<int>(list.size());
    auto it = std::find(list.begin(), list.end(), CurControl);
    int start = it == list.end() ? (GoForward ? count - 1 : 0) : static_cast<int>(it - list.begin());
    int i = start;
    do {
        if (GoForward) {
            if (++i == count) i = 0;
        } else {
            if (i == 0) i = count;
            --i;
        }
        TWinControl* c = list[i];
        if (c->CanFocus() && (!CheckTabStop || c->TabStop()) && (!CheckParent || c->Parent() == this))
            return c;
    } while (i != start);
    return nullptr;
}

void TWinControl::SelectNext(TWinControl* CurControl, bool GoForward, bool CheckTabStop) {
    TWinControl* next = FindNextControl(CurControl, GoForward, CheckTabStop, !CheckTabStop);
    if (next) next->SetFocus();
}

bool TWinControl::CanFocus() const {
    TCustomForm* form = GetParentForm(const_cast<TWinControl*>(this));
    if (!form) return FVisible && FEnabled;
    for (const TControl* c = this; c && c != form; c = c->Parent())
        if (!c->Visible() || !c->Enabled()) return false;
    return true;
}

bool TWinControl::Focused() const {
    if (!FWidget) return false;
    QWidget* f = QApplication::focusWidget();
    // While no window of the program is active, the window's own focus widget counts.
    if (!f && FWidget->isVisible()) f = FWidget->window()->focusWidget();
    return f && FindControl(f) == this;
}

void TWinControl::SetFocus() {
    TCustomForm* form = GetParentForm(this);
    if (form && form != this) {
        form->FocusControl(this);
        return;
    }
    if (!CanFocus())
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    Widget()->setFocus(Qt::OtherFocusReason);
}

void TWinControl::SetBorderStyle(TBorderStyle value) {
    if (value == FBorderStyle) return;
    FBorderStyle = value;
    LayoutScrollBars();
    Realign();
    Invalidate();
}

TPoint TWinControl::ClientOffset() const {
    const int b = NonClientBorder();
    return {b, b};
}

TRect TWinControl::ClientRect() const {
    const int b = NonClientBorder();
    int w = FWidth - 2 * b, h = FHeight - 2 * b;
    const int extent = 16;
    if (FScroll[SB_VERT].Visible) w -= extent;
    if (FScroll[SB_HORZ].Visible) h -= extent;
    return Rect(0, 0, std::max(w, 0), std::max(h, 0));
}

void TWinControl::EnableAlign() {
    if (FAlignLevel > 0 && --FAlignLevel == 0) Realign();
}

void TWinControl::Realign() {
    if (FAlignLevel > 0 || FAligning) return;
    TRect r = ClientRect();
    AdjustClientRect(r);
    FAligning = true;
    try {
        AlignControls(nullptr, r);
    } catch (...) {
        FAligning = false;
        throw;
    }
    FAligning = false;
    ControlsAligned();
}

void TWinControl::AlignControls(TControl* AControl, TRect& Rect) {
    const TRect client = ClientRect();
    // Anchored controls first: they keep their distances to the anchored sides.
    for (TControl* c : FControls) {
        if (c->FAlign != alNone || c->FAnchors == TAnchors{akLeft, akTop}) continue;
        if (!c->FAnchorRulesValid) {
            c->UpdateAnchorRules();
            continue;
        }
        int l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
        const int pw = client.Width(), ph = client.Height();
        const TPoint o = c->FOriginalParentSize, rules = c->FAnchorRules;
        if (c->FAnchors.Contains(akLeft)) {
            if (c->FAnchors.Contains(akRight)) w = pw - (o.X - rules.X);
        } else if (c->FAnchors.Contains(akRight)) {
            l = pw - (o.X - rules.X);
        } else if (o.X > 0) {
            l = rules.X * pw / o.X - w / 2;
        }
        if (c->FAnchors.Contains(akTop)) {
            if (c->FAnchors.Contains(akBottom)) h = ph - (o.Y - rules.Y);
        } else if (c->FAnchors.Contains(akBottom)) {
            t = ph - (o.Y - rules.Y);
        } else if (o.Y > 0) {
            t = rules.Y * ph / o.Y - h / 2;
        }
        c->FControlState.Include(csAligning);
        try {
            c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
        } catch (...) {
            c->FControlState.Exclude(csAligning);
            throw;
        }
        c->FControlState.Exclude(csAligning);
    }
    // Aligned controls take the edges in the classic order, each kind in its position order.
    const TAlign order[] = {alTop, alBottom, alLeft, alRight, alClient};
    for (TAlign a : order) {
        std::vector<TControl*> list;
        for (TControl* c : FControls)
            if (c->FAlign == a && c->FVisible) list.push_back(c);
        std::stable_sort(list.begin(), list.end(), [a](TControl* x, TControl* y) {
            switch (a) {
            case alTop: return x->FTop < y->FTop;
            case alBottom: return x->FTop + x->FHeight > y->FTop + y->FHeight;
            case alLeft: return x->FLeft < y->FLeft;
            case alRight: return x->FLeft + x->FWidth > y->FLeft + y->FWidth;
            default: return false;
            }
        });
        for (TControl* c : list) {
            int l = c->FLeft, t = c->FTop, w = c->FWidth, h = c->FHeight;
            switch (a) {
            case alTop:
                l = Rect.Left; t = Rect.Top; w = Rect.Width();
                Rect.Top += h;
                break;
            case alBottom:
                l = Rect.Left; t = Rect.Bottom - h; w = Rect.Width();
                Rect.Bottom -= h;
                break;
            case alLeft:
                l = Rect.Left; t = Rect.Top; h = Rect.Height();
                Rect.Left += w;
                break;
            case alRight:
                l = Rect.Right - w; t = Rect.Top; h = Rect.Height();
                Rect.Right -= w;
                break;
            case alClient:
                l = Rect.Left; t = Rect.Top; w = Rect.Width(); h = Rect.Height();
                break;
            default: break;
            }
            c->FControlState.Include(csAligning);
            try {
                c->SetBounds(l, t, std::max(w, 0), std::max(h, 0));
            } catch (...) {
                c->FControlState.Exclude(csAligning);
                throw;
            }
            c->FControlState.Exclude(csAligning);
        }
    }
}

std::unique_ptr<QWidget> TWinControl::CreateWidget() {
    return std::make_unique<TBridgeWidget<TPlainWidget>>(this);
}

void TWinControl::InitWidget() {
    TControl::InitWidget();
    // Inner widgets of the control's own (not those of child controls) report their focus.
    for (QWidget* part : FWidget->findChildren<QWidget*>())
        if (!BridgeOf(part) && FindControl(part) == this) part->installEventFilter(FocusPartFilter());
    for (int bar = 0; bar < 2; ++bar)
        if (FScroll[bar].Visible || FScroll[bar].Info.nMax != 0) SetScrollInfo(bar, FScroll[bar].Info, false);
    for (TControl* c : std::vector<TControl*>(FControls)) {
        c->HandleNeeded();
        if (c->FPopupWindow) continue;
        if (c->FWidget->parentWidget() != ClientWidget()) {
            if (c->FOwnedWidget) c->FOwnedWidget.release();
            c->FWidget->setParent(ClientWidget());
            c->SetWidgetGeometry();
            c->FWidget->setVisible(c->FVisible);
        }
    }
    // Qt stacks later siblings on top; keep the control list's order.
    for (TControl* c : FControls)
        if (c->FWidget) c->FWidget->raise();
    LayoutScrollBars();
}

void TWinControl::FocusChange(QFocusEvent* fe) {
    FFocusReason = fe->reason();
    const bool windowSwitch =
        fe->reason() == Qt::ActiveWindowFocusReason || fe->reason() == Qt::PopupFocusReason;
    if (fe->type() == QEvent::FocusIn) {
        FocusGained();
        // A window shown or activated with the focus here starts a visit unless one is open.
        if (FEntered || gDetaching > 0) return;
        FEntered = true;
        if (TCustomForm* form = GetParentForm(this); form && form != this)
            form->ControlEntered(this);
        DoEnter();
        return;
    }
    // Focus passing between the control's own widgets, or to its pop-up, is no leaving.
    if (FEntered && !windowSwitch && gDetaching == 0 && FindControl(QApplication::focusWidget()) != this) {
        FEntered = false;
        DoExit();
    }
    FocusLost();
}

void TWinControl::DispatchPartFocus(QFocusEvent* e) {
    try {
        FocusChange(e);
    } catch (...) {
        InitApplication();
        Application->HandleException(this);
    }
}

void TWinControl::DoEnter() {
    if (OnEnter) OnEnter(this);
}

void TWinControl::DoExit() {
    if (OnExit) OnExit(this);
}

void TWinControl::KeyDown(Word& Key, TShiftState Shift) {
    if (OnKeyDown) OnKeyDown(this, Key, Shift);
}

void TWinControl::KeyUp(Word& Key, TShiftState Shift) {
    if (OnKeyUp) OnKeyUp(this, Key, Shift);
}

void TWinControl::KeyPress(QChar& Key) {
    if (OnKeyPress) OnKeyPress(this, Key);
}

bool TWinControl::ChildKey(Word& Key, TWinControl* Sender) {
    return FParent ? FParent->ChildKey(Key, Sender) : false;
}

bool TWinControl::HandleKey(QKeyEvent* ke) {
    TCustomForm* form = GetParentForm(this);
    const TShiftState shift = ShiftStateFromQt(ke->modifiers());
    if (ke->type() == QEvent::KeyRelease) {
        if (ke->isAutoRepeat()) return InheritedEvent(ke);
        Word key = QtKeyToVirtualKey(ke->key(), ke->modifiers());
        if (form && form != this && form->KeyPreview()) form->KeyUp(key, shift);
        if (key != 0) KeyUp(key, shift);
        if (key != 0) InheritedEvent(ke);
        ke->accept();
        return true;
    }
    Word key = QtKeyToVirtualKey(ke->key(), ke->modifiers());
    if (key != 0 && ChildKey(key, this)) {
        ke->accept();
        return true;
    }
    if (key != 0 && form) {
        int mask = 0;
        switch (key) {
        case VK_TAB: mask = DLGC_WANTTAB; break;
        case VK_LEFT: case VK_RIGHT: case VK_UP: case VK_DOWN: mask = DLGC_WANTARROWS; break;
        case VK_RETURN: case VK_ESCAPE: case VK_CANCEL: mask = DLGC_WANTALLKEYS; break;
        default: break;
        }
        if (mask && !(DialogCode() & mask) && form->DialogKeyFrom(this, key, shift)) {
            ke->accept();
            return true;
        }
    }
    if (key != 0 && form && form != this && form->KeyPreview()) form->KeyDown(key, shift);
    const Word originalKey = key;
    if (key != 0) KeyDown(key, shift);

    // The typed character, as the key's text gives it.
    QChar ch;
    const QString text = ke->text();
    if (text.size() == 1 && text[0].unicode() != 0x7F) ch = text[0];
    const QChar originalChar = ch;
    if (!ch.isNull()) {
        if (form && form != this && form->KeyPreview()) form->KeyPress(ch);
        if (!ch.isNull()) KeyPress(ch);
    }
    bool callBase;
    if (!originalChar.isNull())
        callBase = !ch.isNull();
    else
        callBase = key != 0 || originalKey == 0;
    if (callBase) {
        if (ch != originalChar) {
            QKeyEvent changed(ke->type(), ke->key(), ke->modifiers(), QString(ch), ke->isAutoRepeat());
            InheritedEvent(&changed);
        } else {
            InheritedEvent(ke);
        }
    }
    ke->accept();
    return true;
}

bool TWinControl::WidgetEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
        return HandleKey(static_cast<QKeyEvent*>(e));
    case QEvent::ShortcutOverride: {
        // Keys the control handles itself must not be taken by menu short cuts.
        return InheritedEvent(e);
    }
    case QEvent::Paint: {
        bool r = InheritedEvent(e);
        if (NonClientBorder() > 0) {
            QPainter p(FWidget);
            PaintNonClient(p);
        }
        return r;
    }
    case QEvent::FocusIn:
    case QEvent::FocusOut: {
        bool r = InheritedEvent(e);
        FocusChange(static_cast<QFocusEvent*>(e));
        return r;
    }
    default:
        return TControl::WidgetEvent(e);
    }
}

void TWinControl::PaintNonClient(QPainter& p) {
    if (FBorderStyle != bsSingle || !FWidget) return;
    const QRect r(0, 0, FWidth, FHeight);
    // The sunken client edge: dark outer lines top-left, light bottom-right.
    p.save();
    p.setPen(ColorToQColor(clBtnShadow));
    p.drawLine(r.left(), r.top(), r.right(), r.top());
    p.drawLine(r.left(), r.top(), r.left(), r.bottom());
    p.setPen(ColorToQColor(clBtnHighlight));
    p.drawLine(r.left(), r.bottom(), r.right(), r.bottom());
    p.drawLine(r.right(), r.top(), r.right(), r.bottom());
    p.setPen(ColorToQColor(cl3DDkShadow));
    p.drawLine(r.left() + 1, r.top() + 1, r.right() - 1, r.top() + 1);
    p.drawLine(r.left() + 1, r.top() + 1, r.left() + 1, r.bottom() - 1);
    p.setPen(ColorToQColor(cl3DLight));
    p.drawLine(r.left() + 1, r.bottom() - 1, r.right() - 1, r.bottom() - 1);
    p.drawLine(r.right() - 1, r.top() + 1, r.right() - 1, r.bottom() - 1);
    p.restore();
}

// --- window scroll bars

void TWinControl::LayoutScrollBars() {
    if (!FWidget) return;
    const TPoint off = ClientOffset();
    const TRect cr = ClientRect();
    const int extent = 16;
    if (QScrollBar* v = FScroll[SB_VERT].Bar) {
        v->setVisible(FScroll[SB_VERT].Visible);
        v->setGeometry(off.X + cr.Width(), off.Y, extent, cr.Height());
        v->raise();
    }
    if (QScrollBar* h = FScroll[SB_HORZ].Bar) {
        h->setVisible(FScroll[SB_HORZ].Visible);
        h->setGeometry(off.X, off.Y + cr.Height(), cr.Width(), extent);
        h->raise();
    }
}

void TWinControl::SetScrollInfo(int bar, const TScrollInfo& info, bool redraw) {
    if (bar != SB_HORZ && bar != SB_VERT) return;
    ScrollBarState& s = FScroll[bar];
    if (info.fMask & SIF_RANGE) {
        s.Info.nMin = info.nMin;
        s.Info.nMax = info.nMax;
    }
    if (info.fMask & SIF_PAGE) s.Info.nPage = info.nPage;
    if (info.fMask & SIF_POS) s.Info.nPos = info.nPos;
    s.DisableNoScroll = (info.fMask & SIF_DISABLENOSCROLL) != 0;
    // The position stays inside the range, as the window scroll bar keeps it.
    const int page = static_cast<int>(std::max(s.Info.nPage, 1u));
    const int maxPos = std::max(s.Info.nMin, s.Info.nMax - page + 1);
    s.Info.nPos = std::clamp(s.Info.nPos, s.Info.nMin, maxPos);
    const bool scrollable = s.Info.nMax > s.Info.nMin &&
                            static_cast<int>(s.Info.nPage) <= s.Info.nMax - s.Info.nMin;
    const bool wasVisible = s.Visible;
    s.Visible = scrollable || s.DisableNoScroll;
    if (!FWidget) return;
    if (s.Visible && !s.Bar) {
        auto* sb = new QScrollBar(bar == SB_HORZ ? Qt::Horizontal : Qt::Vertical, FWidget);
        s.Bar = sb;
        sb->setFocusPolicy(Qt::NoFocus);
        QObject::connect(sb, &QAbstractSlider::actionTriggered, sb,
                         [this, bar](int action) { Guarded([&] { ScrollBarAction(bar, action); }); });
        QObject::connect(sb, &QAbstractSlider::sliderReleased, sb, [this, bar]() {
            Guarded([&] {
                QScrollBar* b = FScroll[bar].Bar;
                const int pos = b ? b->sliderPosition() : 0;
                FScroll[bar].Info.nTrackPos = pos;
                if (bar == SB_HORZ) {
                    WMHScroll(SB_THUMBPOSITION, pos);
                    WMHScroll(SB_ENDSCROLL, 0);
                } else {
                    WMVScroll(SB_THUMBPOSITION, pos);
                    WMVScroll(SB_ENDSCROLL, 0);
                }
            });
        });
    }
    if (QScrollBar* sb = s.Bar) {
        s.Syncing = true;
        const QSignalBlocker block(sb);
        sb->setRange(s.Info.nMin, maxPos);
        sb->setPageStep(page);
        sb->setSingleStep(1);
        if (!sb->isSliderDown()) sb->setValue(s.Info.nPos);
        sb->setEnabled(scrollable && s.Enabled && FEnabled);
        s.Syncing = false;
    }
    if (wasVisible != s.Visible || (s.Bar && s.Bar->pos() == QPoint(0, 0))) {
        LayoutScrollBars();
        Realign();
        Invalidate();
    }
    if (redraw && s.Bar) s.Bar->update();
}

bool TWinControl::GetScrollInfo(int bar, TScrollInfo& info) const {
    if (bar != SB_HORZ && bar != SB_VERT) return false;
    const ScrollBarState& s = FScroll[bar];
    const unsigned mask = info.fMask;
    if (mask & SIF_RANGE) {
        info.nMin = s.Info.nMin;
        info.nMax = s.Info.nMax;
    }
    if (mask & SIF_PAGE) info.nPage = s.Info.nPage;
    if (mask & SIF_POS) info.nPos = s.Info.nPos;
    if (mask & SIF_TRACKPOS)
        info.nTrackPos = (s.Bar && s.Bar->isSliderDown()) ? s.Bar->sliderPosition() : s.Info.nPos;
    return true;
}

int TWinControl::GetScrollPos(int bar) const {
    if (bar != SB_HORZ && bar != SB_VERT) return 0;
    return FScroll[bar].Info.nPos;
}

void TWinControl::ShowScrollBar(int bar, bool show) {
    for (int b = 0; b < 2; ++b) {
        if (bar != b && bar != SB_BOTH) continue;
        if (FScroll[b].Visible == show) continue;
        FScroll[b].Visible = show;
        if (show && !FScroll[b].Bar && FWidget) {
            const bool keep = FScroll[b].DisableNoScroll;
            FScroll[b].DisableNoScroll = true;
            TScrollInfo info = FScroll[b].Info;
            info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
            SetScrollInfo(b, info, true);
            FScroll[b].DisableNoScroll = keep;
        }
        LayoutScrollBars();
        Realign();
        Invalidate();
    }
}

void TWinControl::EnableScrollBar(int bar, int arrows) {
    for (int b = 0; b < 2; ++b) {
        if (bar != b && bar != SB_BOTH) continue;
        FScroll[b].Enabled = arrows != ESB_DISABLE_BOTH;
        if (QScrollBar* sb = FScroll[b].Bar) {
            const ScrollBarState& s = FScroll[b];
            const bool scrollable = s.Info.nMax > s.Info.nMin &&
                                    static_cast<int>(s.Info.nPage) <= s.Info.nMax - s.Info.nMin;
            sb->setEnabled(scrollable && s.Enabled && FEnabled);
        }
    }
}

bool TWinControl::ScrollBarVisible(int bar) const {
    return (bar == SB_HORZ || bar == SB_VERT) && FScroll[bar].Visible;
}

bool TWinControl::ScrollBarEnabled(int bar) const {
    if (bar != SB_HORZ && bar != SB_VERT) return false;
    if (QScrollBar* sb = FScroll[bar].Bar) return sb->isEnabled();
    return FScroll[bar].Enabled;
}

void TWinControl::ScrollBarAction(int bar, int action) {
    ScrollBarState& s = FScroll[bar];
    QScrollBar* sb = s.Bar;
    if (!sb || s.Syncing) return;
    int code;
    switch (action) {
    case QAbstractSlider::SliderSingleStepAdd: code = SB_LINEDOWN; break;
    case QAbstractSlider::SliderSingleStepSub: code = SB_LINEUP; break;
    case QAbstractSlider::SliderPageStepAdd: code = SB_PAGEDOWN; break;
    case QAbstractSlider::SliderPageStepSub: code = SB_PAGEUP; break;
    case QAbstractSlider::SliderToMinimum: code = SB_TOP; break;
    case QAbstractSlider::SliderToMaximum: code = SB_BOTTOM; break;
    case QAbstractSlider::SliderMove: code = SB_THUMBTRACK; break;
    default: return;
    }
    const int pos = sb->sliderPosition();
    // The program moves the bar itself in answer to the request.
    if (code != SB_THUMBTRACK) sb->setSliderPosition(s.Info.nPos);
    s.Info.nTrackPos = pos;
    SendScroll(bar, code, pos);
    if (code != SB_THUMBTRACK) SendScroll(bar, SB_ENDSCROLL, 0);
}

void TWinControl::SendScroll(int bar, int code, int pos) {
    if (code == SB_THUMBTRACK || code == SB_THUMBPOSITION) FScroll[bar == SB_HORZ ? 0 : 1].Info.nTrackPos = pos;
    if (bar == SB_HORZ)
        WMHScroll(code, pos);
    else
        WMVScroll(code, pos);
}

void TWinControl::ScrollWindow(int dx, int dy, const TRect& clip) {
    if (!FWidget) return;
    const TPoint off = ClientOffset();
    const TRect cr = ClientRect();
    QRect r = clip.IsEmpty() ? QRect(0, 0, cr.Width(), cr.Height())
                             : QRect(clip.Left, clip.Top, clip.Width(), clip.Height());
    r = r.intersected(QRect(0, 0, cr.Width(), cr.Height())).translated(off.X, off.Y);
    if (r.isEmpty()) return;
    if (auto* cc = dynamic_cast<TCustomControl*>(this)) {
        cc->ScrollBuffer(dx, dy, r);
        return;
    }
    FWidget->scroll(dx, dy, r);
}

// =============================================================================================
// TCustomControl

namespace {
class TCustomWidget : public QWidget {
public:
    using QWidget::QWidget;
};
} // namespace

TCustomControl::TCustomControl(TComponent* AOwner) : TWinControl(AOwner) {
    FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

TCustomControl::~TCustomControl() { EndOutsidePaint(); }

std::unique_ptr<QWidget> TCustomControl::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TCustomWidget>>(this);
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

TCanvas* TCustomControl::Canvas() {
    if (FPaintPainter) return FPaintCanvas.get();
    // Between paints the canvas draws straight into the control's pixels.
    if (!FOutsidePainter) {
        QWidget* w = Widget();
        const QSize size(std::max(FWidth, 1), std::max(FHeight, 1));
        if (FBuffer.size() != size) {
            FBuffer = QImage(size, QImage::Format_RGB32);
            FBuffer.fill(ColorToQColor(FColor));
            FInvalid = QRegion(FBuffer.rect());
        }
        if (!FPaintCanvas) FPaintCanvas = std::make_unique<TCanvas>();
        FOutsidePainter = std::make_unique<QPainter>(&FBuffer);
        const TPoint off = ClientOffset();
        const TRect cr = ClientRect();
        FOutsidePainter->setClipRect(QRect(off.X, off.Y, cr.Width(), cr.Height()));
        FOutsidePainter->translate(off.X, off.Y);
        FPaintCanvas->SetPainter(FOutsidePainter.get());
        FPaintCanvas->ResetClip();
        w->update();
    }
    return FPaintCanvas.get();
}

void TCustomControl::EndOutsidePaint() {
    if (!FOutsidePainter) return;
    if (FPaintCanvas) FPaintCanvas->ReleaseDevice();
    FOutsidePainter->end();
    FOutsidePainter.reset();
}

void TCustomControl::Invalidate() {
    if (!FWidget) return;
    FInvalid += QRect(0, 0, FWidth, FHeight);
    FWidget->update();
}

void TCustomControl::InvalidateQRect(const QRect& r) {
    if (!FWidget) return;
    FInvalid += r;
    FWidget->update(r);
}

void TCustomControl::Update() {
    if (FWidget && FWidget->isVisible() && !FInvalid.isEmpty()) FWidget->repaint(FInvalid);
}

void TCustomControl::PaintBuffered(const QRegion& region) {
    EndOutsidePaint();
    if (!FPaintCanvas) FPaintCanvas = std::make_unique<TCanvas>();
    QPainter p(&FBuffer);
    const TPoint off = ClientOffset();
    const TRect cr = ClientRect();
    const QRect client(off.X, off.Y, cr.Width(), cr.Height());
    // Whatever Paint leaves untouched shows the control's colour.
    p.setClipRegion(region);
    p.fillRect(region.boundingRect(), ColorToQColor(FColor));
    p.save();
    p.setClipRegion(region.intersected(client));
    p.translate(off.X, off.Y);
    FPaintCanvas->SetFont(*FFont);
    FPaintCanvas->Brush().SetColor(FColor);
    FPaintCanvas->Brush().SetStyle(bsSolid);
    FPaintCanvas->SetPainter(&p);
    // The update region is the canvas's clip, so Paint can ask ClipRect what needs drawing.
    FPaintCanvas->SetClipRegion(region.intersected(client).translated(-off.X, -off.Y));
    FPaintPainter = &p;
    try {
        Paint();
    } catch (...) {
        FPaintPainter = nullptr;
        FPaintCanvas->ResetClip();
        FPaintCanvas->ReleaseDevice();
        throw;
    }
    FPaintPainter = nullptr;
    FPaintCanvas->ResetClip();
    FPaintCanvas->ReleaseDevice();
    p.restore();
    p.setClipRegion(region);
    PaintNonClient(p);
}

void TCustomControl::ScrollBuffer(int dx, int dy, const QRect& clip) {
    EndOutsidePaint();
    if (FBuffer.isNull()) {
        InvalidateQRect(clip);
        return;
    }
    const QRect src = clip.translated(-dx, -dy).intersected(clip).intersected(FBuffer.rect());
    const QRect dst = src.translated(dx, dy).intersected(FBuffer.rect());
    if (!dst.isEmpty()) {
        // Moved in place, line by line (no copy of the area): rows in the order that reads each
        // line before it is overwritten; memmove handles the overlap within a row.
        const QRect from = dst.translated(-dx, -dy);
        uchar* bits = FBuffer.bits();
        const qsizetype bpl = FBuffer.bytesPerLine();
        const size_t bytes = static_cast<size_t>(dst.width()) * 4;
        for (int k = 0; k < dst.height(); ++k) {
            const int row = dy > 0 ? dst.height() - 1 - k : k;
            std::memmove(bits + (dst.top() + row) * bpl + dst.left() * 4,
                         bits + (from.top() + row) * bpl + from.left() * 4, bytes);
        }
    }
    QRegion uncovered = QRegion(clip) - QRegion(dst);
    // Pending invalid parts move with the pixels.
    const QRegion pending = FInvalid.intersected(clip);
    FInvalid += pending.translated(dx, dy).intersected(clip);
    FInvalid += uncovered;
    FWidget->update(clip);
}

bool TCustomControl::WidgetEvent(QEvent* e) {
    if (e->type() == QEvent::Paint) {
        auto* pe = static_cast<QPaintEvent*>(e);
        EndOutsidePaint();
        const QSize size(std::max(FWidget->width(), 1), std::max(FWidget->height(), 1));
        if (FBuffer.size() != size) {
            // Not filled here: the whole buffer is invalid, and PaintBuffered fills what it paints.
            FBuffer = QImage(size, QImage::Format_RGB32);
            FInvalid = QRegion(FBuffer.rect());
        }
        const QRegion todo = FInvalid.intersected(QRect(QPoint(0, 0), size));
        FInvalid = QRegion();
        if (!todo.isEmpty()) PaintBuffered(todo);
        // Only what the event asks for is copied.
        QPainter wp(FWidget);
        for (const QRect& r : pe->region().intersected(FBuffer.rect()))
            wp.drawImage(r.topLeft(), FBuffer, r);
        return true;
    }
    if (e->type() == QEvent::Resize) {
        FInvalid += QRect(0, 0, FWidget->width(), FWidget->height());
    }
    return TWinControl::WidgetEvent(e);
}

// =============================================================================================
// TGraphicControl

TGraphicControl::TGraphicControl(TComponent* AOwner) : TControl(AOwner) {
    FControlStyle = TControlStyle{csCaptureMouse, csClickEvents, csSetCaption, csDoubleClicks};
}

std::unique_ptr<QWidget> TGraphicControl::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TPlainWidget>>(this);
    w->setFocusPolicy(Qt::NoFocus);
    return w;
}

bool TGraphicControl::WidgetEvent(QEvent* e) {
    if (e->type() == QEvent::Paint) {
        auto* pe = static_cast<QPaintEvent*>(e);
        QPainter p(FWidget);
        PaintOn(p, pe->region());
        return true;
    }
    return TControl::WidgetEvent(e);
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TControl) {
    b.Prop("Left", &TControl::Left, &TControl::SetLeft);
    b.Prop("Top", &TControl::Top, &TControl::SetTop);
    b.Prop("Width", &TControl::Width, &TControl::SetWidth);
    b.Prop("Height", &TControl::Height, &TControl::SetHeight);
    b.Prop("ClientWidth", &TControl::ClientWidth, &TControl::SetClientWidth).Stored(false);
    b.Prop("ClientHeight", &TControl::ClientHeight, &TControl::SetClientHeight).Stored(false);
    b.Prop("Align", &TControl::Align, &TControl::SetAlign).Default(alNone);
    b.Prop("Anchors", &TControl::Anchors, &TControl::SetAnchors);
    b.Prop("Caption", &TControl::Caption, &TControl::SetCaption).Type("TCaption");
    b.Prop("Text", &TControl::Text, &TControl::SetText).Type("TCaption").Stored(false);
    b.Prop("Color", &TControl::Color, &TControl::SetColor).Type("TColor");
    b.Prop("ParentColor", &TControl::ParentColor, &TControl::SetParentColor);
    b.Prop("Font", &TControl::Font, &TControl::SetFont);
    b.Prop("ParentFont", &TControl::ParentFont, &TControl::SetParentFont);
    b.Prop("Cursor", &TControl::Cursor, &TControl::SetCursor).Type("TCursor").Default(crDefault);
    b.Prop("Hint", &TControl::Hint, &TControl::SetHint);
    b.Prop("ShowHint", &TControl::ShowHint, &TControl::SetShowHint);
    b.Prop("ParentShowHint", &TControl::ParentShowHint, &TControl::SetParentShowHint).Default(true);
    b.Prop("PopupMenu", &TControl::PopupMenu, &TControl::SetPopupMenu);
    b.Prop("Visible", &TControl::Visible, &TControl::SetVisible).Default(true);
    b.Prop("Enabled", &TControl::Enabled, &TControl::SetEnabled).Default(true);
    b.Prop("HelpContext", &TControl::HelpContext, &TControl::SetHelpContext).Default(0);
    b.Event("OnClick", &TControl::OnClick, "TNotifyEvent");
    b.Event("OnDblClick", &TControl::OnDblClick, "TNotifyEvent");
    b.Event("OnResize", &TControl::OnResize, "TNotifyEvent");
    b.Event("OnMouseDown", &TControl::OnMouseDown, "TMouseEvent");
    b.Event("OnMouseMove", &TControl::OnMouseMove, "TMouseMoveEvent");
    b.Event("OnMouseUp", &TControl::OnMouseUp, "TMouseEvent");
    b.Event("OnMouseEnter", &TControl::OnMouseEnter, "TNotifyEvent");
    b.Event("OnMouseLeave", &TControl::OnMouseLeave, "TNotifyEvent");
}

KORVEL_CLASS_INFO(TWinControl) {
    b.Prop("TabOrder", &TWinControl::TabOrder, &TWinControl::SetTabOrder).Stored(false);
    b.Prop("TabStop", &TWinControl::TabStop, &TWinControl::SetTabStop);
    b.Event("OnEnter", &TWinControl::OnEnter, "TNotifyEvent");
    b.Event("OnExit", &TWinControl::OnExit, "TNotifyEvent");
    b.Event("OnKeyDown", &TWinControl::OnKeyDown, "TKeyEvent");
    b.Event("OnKeyPress", &TWinControl::OnKeyPress, "TKeyPressEvent");
    b.Event("OnKeyUp", &TWinControl::OnKeyUp, "TKeyEvent");
}

KORVEL_CLASS_INFO(TCustomControl) {}
KORVEL_CLASS_INFO(TGraphicControl) {}
