#include "platform/ui/Forms.h"

#include "platform/ui/ControlBridge.h"
#include "platform/ui/Menus.h"
#include "platform/ui/StdCtrls.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEventLoop>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMenuBar>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cstdio>

TApplication* Application = nullptr;
TScreen* Screen = nullptr;

namespace {
std::unique_ptr<TApplication> gApplication;
std::unique_ptr<TScreen> gScreen;

class TFormWidget : public QWidget {
public:
    using QWidget::QWidget;
};

void CollectButtons(TWinControl* parent, std::vector<TButton*>& out) {
    for (int i = 0; i < parent->ControlCount(); ++i) {
        TControl* c = parent->Controls(i);
        if (auto* b = dynamic_cast<TButton*>(c)) out.push_back(b);
        if (auto* w = dynamic_cast<TWinControl*>(c)) CollectButtons(w, out);
    }
}

bool ButtonUsable(TButton* b) { return b && b->CanFocus(); }
} // namespace

void InitApplication() {
    if (!gApplication) {
        gApplication = std::make_unique<TApplication>(nullptr);
        Application = gApplication.get();
    }
    if (!gScreen) {
        gScreen = std::make_unique<TScreen>(nullptr);
        Screen = gScreen.get();
    }
    static bool connected = false;
    if (!connected && qApp) {
        connected = true;
        // The application's activation, as programs see it.
        QObject::connect(qApp, &QGuiApplication::applicationStateChanged, qApp, [](Qt::ApplicationState state) {
            if (!Application) return;
            try {
                if (Screen)
                    for (int i = 0; i < Screen->FormCount(); ++i)
                        Screen->Forms(i)->BroadcastActivation(state == Qt::ApplicationActive);
                if (state == Qt::ApplicationActive) {
                    if (Application->OnActivate) Application->OnActivate(Application);
                } else if (Application->OnDeactivate) {
                    Application->OnDeactivate(Application);
                }
            } catch (...) {
                Application->HandleException(Application);
            }
        });
    }
}

void DoneApplication() {
    gApplication.reset();
    Application = nullptr;
    gScreen.reset();
    Screen = nullptr;
}

// =============================================================================================
// TCustomForm

TCustomForm::TCustomForm(TComponent* AOwner) : TWinControl(AOwner) {
    InitApplication();
    FVisible = false;
    FParentColor = false;
    FParentFont = false;
    FColor = clBtnFace;
    FWidth = 320;
    FHeight = 240;
    Screen->AddForm(this);
}

TCustomForm::~TCustomForm() {
    if (FModalLoop) FModalLoop->quit();
    if (Screen) Screen->RemoveForm(this);
    if (Application && Application->FMainForm == this) Application->FMainForm = nullptr;
    if (FWidget) FWidget->hide();
    if (OnDestroy) {
        try {
            OnDestroy(this);
        } catch (...) {
            if (Application) Application->HandleException(this);
        }
    }
}

void TCustomForm::Notification(TComponent* AComponent, TOperation Operation) {
    TWinControl::Notification(AComponent, Operation);
    if (Operation == opRemove) {
        if (AComponent == FActiveControl) FActiveControl = nullptr;
        if (AComponent == FEnteredControl) FEnteredControl = nullptr;
        if (AComponent == FMenu) FMenu = nullptr;
        if (AComponent == FDefaultButton) FDefaultButton = nullptr;
        if (AComponent == FCancelButton) FCancelButton = nullptr;
    }
}

std::unique_ptr<QWidget> TCustomForm::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TFormWidget>>(this);
    w->setFocusPolicy(Qt::NoFocus);
    w->setAttribute(Qt::WA_DeleteOnClose, false);
    return w;
}

void TCustomForm::InitWidget() {
    TWinControl::InitWidget();
    FWidget->setWindowTitle(FText);
    ApplyWindowFlags();
    if (FMenu) FMenu->AttachTo(this);
}

void TCustomForm::ApplyWindowFlags() {
    if (!FWidget) return;
    Qt::WindowFlags flags;
    switch (FFormBorderStyle) {
    case bsNone: flags = Qt::Window | Qt::FramelessWindowHint; break;
    case bsDialog: flags = Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint; break;
    case bsToolWindow:
    case bsSizeToolWin: flags = Qt::Tool; break;
    case bsSingle: flags = Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint; break;
    case bsSizeable: flags = Qt::Window; break;
    }
    if (FFormStyle == fsStayOnTop) flags |= Qt::WindowStaysOnTopHint;
    const bool visible = FWidget->isVisible();
    // Changing the flags makes a new native window, which may not keep the old one's place.
    const QRect geometry = FWidget->geometry();
    FWidget->setWindowFlags(flags);
    FWidget->setGeometry(geometry);
    const bool fixed = FFormBorderStyle == bsSingle || FFormBorderStyle == bsDialog ||
                       FFormBorderStyle == bsToolWindow;
    if (fixed)
        FWidget->setFixedSize(std::max(FWidth, 0), std::max(FHeight, 0));
    else {
        FWidget->setMinimumSize(0, 0);
        FWidget->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    }
    if (visible) FWidget->show();
}

void TCustomForm::SetFormBorderStyle(TFormBorderStyle value) {
    if (value == FFormBorderStyle) return;
    FFormBorderStyle = value;
    ApplyWindowFlags();
}

void TCustomForm::SetFormStyle(TFormStyle value) {
    if (value == FFormStyle) return;
    FFormStyle = value;
    ApplyWindowFlags();
}

void TCustomForm::SetWindowState(TWindowState value) {
    FWindowState = value;
    if (!FWidget) return;
    switch (value) {
    case wsNormal: FWidget->setWindowState(Qt::WindowNoState); break;
    case wsMinimized: FWidget->setWindowState(Qt::WindowMinimized); break;
    case wsMaximized: FWidget->setWindowState(Qt::WindowMaximized); break;
    }
}

void TCustomForm::SetMenu(TMainMenu* value) {
    FMenu = value;
    if (value) {
        value->FreeNotification(this);
        if (FWidget) value->AttachTo(this);
    }
}

void TCustomForm::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget) FWidget->setWindowTitle(value);
}

void TCustomForm::BroadcastActivation(bool active) {
    std::vector<TWinControl*> list;
    GetTabOrderList(list);
    ApplicationActivated(active);
    for (TWinControl* c : list) c->ApplicationActivated(active);
}

void TCustomForm::MenuChanged() {
    int h = 0;
    if (FMenu && FMenu->MenuBar()) h = FMenu->MenuBar()->sizeHint().height();
    if (h == FMenuHeight) return;
    FMenuHeight = h;
    for (TControl* c : FControls) c->SetWidgetGeometry();
    Realign();
}

TRect TCustomForm::ClientRect() const {
    TRect r = TWinControl::ClientRect();
    r.Bottom = std::max(0, r.Bottom - FMenuHeight);
    return r;
}

TPoint TCustomForm::ClientOffset() const {
    TPoint p = TWinControl::ClientOffset();
    p.Y += FMenuHeight;
    return p;
}

bool TCustomForm::Active() const { return FWidget && FWidget->isActiveWindow(); }

void TCustomForm::PlaceOnScreen() {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return;
    const QRect area = screen->availableGeometry();
    QRect center = area;
    if (FPosition == poMainFormCenter || FPosition == poOwnerFormCenter) {
        TCustomForm* other = FPosition == poMainFormCenter ? Application->MainForm()
                                                           : dynamic_cast<TCustomForm*>(Owner());
        if (other && other != this && other->HandleAllocated()) center = other->Widget()->geometry();
    }
    switch (FPosition) {
    case poScreenCenter:
    case poDesktopCenter:
    case poMainFormCenter:
    case poOwnerFormCenter:
        FLeft = center.x() + (center.width() - FWidth) / 2;
        FTop = center.y() + (center.height() - FHeight) / 2;
        SetWidgetGeometry();
        break;
    default:
        break;
    }
}

void TCustomForm::SetVisible(bool value) {
    if (value == FVisible && (!value || (FWidget && FWidget->isVisible()))) return;
    FVisible = value;
    if (value) {
        HandleNeeded();
        if (!FShown) {
            FShown = true;
            PlaceOnScreen();
        }
        DoShow();
        if (!FVisible) return; // OnShow hid it again
        ApplyWindowFlags();
        SetWindowState(FWindowState);
        // The window opens with the focus on its active control, not on Qt's first widget.
        if (!FActiveControl) FActiveControl = FindNextControl(nullptr, true, true, false);
        if (FActiveControl && FActiveControl->CanFocus())
            FActiveControl->Widget()->setFocus(Qt::OtherFocusReason);
        FWidget->show();
        FWidget->raise();
        FWidget->activateWindow();
        QApplication::setActiveWindow(FWidget);
        if (FActiveControl && FActiveControl->CanFocus())
            FActiveControl->Widget()->setFocus(Qt::OtherFocusReason);
    } else {
        if (FWidget && FWidget->isVisible()) {
            FWidget->hide();
            DoHide();
        }
    }
    VisibleChanged();
}

void TCustomForm::Show() {
    SetVisible(true);
}

void TCustomForm::DoShow() {
    if (OnShow) OnShow(this);
}

void TCustomForm::DoHide() {
    if (OnHide) OnHide(this);
}

void TCustomForm::Activate() {
    if (OnActivate) OnActivate(this);
}

void TCustomForm::Deactivate() {
    if (OnDeactivate) OnDeactivate(this);
}

void TCustomForm::Paint() {
    if (OnPaint) OnPaint(this);
}

void TCustomForm::DoClose(TCloseAction& Action) {
    if (OnClose) OnClose(this, Action);
}

void TCustomForm::SetModalResult(TModalResult value) {
    FModalResult = value;
    if (value != mrNone && FModalLoop) FModalLoop->quit();
}

bool TCustomForm::CloseQuery() {
    bool canClose = true;
    if (OnCloseQuery) OnCloseQuery(this, canClose);
    return canClose;
}

void TCustomForm::Close() {
    if (FModal) {
        SetModalResult(mrCancel);
        if (FModalLoop) FModalLoop->quit();
        return;
    }
    if (FClosing) return;
    if (!CloseQuery()) return;
    TCloseAction action = caHide;
    DoClose(action);
    if (action == caNone) return;
    if (Application && Application->MainForm() == this) {
        Hide();
        Application->Terminate();
    } else if (action == caHide) {
        Hide();
    } else if (action == caMinimize) {
        SetWindowState(wsMinimized);
    } else {
        Release();
    }
}

void TCustomForm::Release() {
    Hide();
    // Freed by its owner later: the form must outlive the event that asked for it.
    QTimer::singleShot(0, [form = QPointer<QWidget>(FWidget), self = this]() {
        (void)form;
        if (self->Owner()) self->Owner()->RemoveComponent(self);
        std::unique_ptr<TCustomForm> doomed(self);
    });
}

void TCustomForm::CloseModal() {
    TCloseAction action = caNone;
    if (CloseQuery()) {
        action = caHide;
        DoClose(action);
    }
    if (action == caNone) FModalResult = mrNone;
}

TModalResult TCustomForm::ShowModal() {
    if ((FWidget && FWidget->isVisible()) || !FEnabled || FModal)
        throw EInvalidOperation(QStringLiteral("Cannot make a visible window modal"));
    SetCaptureControl(nullptr);
    FModalResult = mrNone;
    TModalResult r = UIServices().RunModal(this);
    (void)r;
    return FModalResult;
}

TModalResult TCustomForm::RunModalLoop() {
    FModal = true;
    FModalResult = mrNone;
    ++Application->FModalLevel;
    HandleNeeded();
    FWidget->setWindowModality(Qt::ApplicationModal);
    QEventLoop loop;
    FModalLoop = &loop;
    try {
        Show();
        for (;;) {
            if (FModalResult == mrNone && !Application->Terminated()) loop.exec();
            if (Application->Terminated()) FModalResult = mrCancel;
            if (FModalResult != mrNone) {
                CloseModal();
                if (FModalResult != mrNone) break;
            }
        }
    } catch (...) {
        FModalLoop = nullptr;
        FModal = false;
        --Application->FModalLevel;
        if (FWidget) FWidget->setWindowModality(Qt::NonModal);
        Hide();
        throw;
    }
    FModalLoop = nullptr;
    FModal = false;
    --Application->FModalLevel;
    Hide();
    if (FWidget) FWidget->setWindowModality(Qt::NonModal);
    return FModalResult;
}

TModalResult TCustomForm::RunScriptedModal(const std::function<TModalResult(TCustomForm*)>& action) {
    FModal = true;
    FModalResult = mrNone;
    ++Application->FModalLevel;
    try {
        Show();
        TModalResult r = action(this);
        if (r != mrNone) FModalResult = r;
        if (FModalResult == mrNone) FModalResult = mrCancel;
        CloseModal();
    } catch (...) {
        FModal = false;
        --Application->FModalLevel;
        Hide();
        throw;
    }
    FModal = false;
    --Application->FModalLevel;
    Hide();
    return FModalResult;
}

void TCustomForm::SetActiveControl(TWinControl* control) {
    if (control == FActiveControl) {
        if (control && FWidget && FWidget->isVisible() && control->CanFocus())
            control->Widget()->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (control && (control == this || GetParentForm(control) != this || !control->CanFocus()))
        throw EInvalidOperation(QStringLiteral("Cannot focus a disabled or invisible window"));
    FActiveControl = control;
    if (control) {
        control->FreeNotification(this);
        if (FWidget && FWidget->isVisible()) control->Widget()->setFocus(Qt::OtherFocusReason);
    }
}

void TCustomForm::FocusControl(TWinControl* control) {
    const bool changed = control != FActiveControl;
    SetActiveControl(control);
    if (!changed && control && FWidget && FWidget->isVisible())
        control->Widget()->setFocus(Qt::OtherFocusReason);
}

void TCustomForm::SelectFirst() {
    TWinControl* c = FindNextControl(nullptr, true, true, false);
    if (!c) c = FindNextControl(nullptr, true, false, false);
    if (c) SetActiveControl(c);
}

void TCustomForm::SetDefaultButton(TButton* button) {
    FDefaultButton = button;
    if (button) button->FreeNotification(this);
}

void TCustomForm::SetCancelButton(TButton* button) {
    FCancelButton = button;
    if (button) button->FreeNotification(this);
}

void TCustomForm::ActiveControlFocused(TWinControl* control) {
    if (control != this) {
        FActiveControl = control;
        control->FreeNotification(this);
    }
}

void TCustomForm::ControlEntered(TWinControl* control) {
    TWinControl* previous = FEnteredControl;
    FEnteredControl = control;
    if (control != this) control->FreeNotification(this);
    if (previous && previous != control && previous->FEntered) {
        previous->FEntered = false;
        previous->DoExit();
    }
    ActiveControlFocused(control);
}

bool TCustomForm::DialogKeyFrom(TWinControl* sender, Word key, TShiftState shift) {
    if (shift.Contains(ssAlt)) return false;
    switch (key) {
    case VK_TAB:
        if (shift.Contains(ssCtrl)) return false;
        SelectNext(FActiveControl ? FActiveControl : sender, !shift.Contains(ssShift), true);
        return true;
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        TWinControl* cur = FActiveControl ? FActiveControl : sender;
        if (cur && cur->Parent())
            cur->Parent()->SelectNext(cur, key == VK_RIGHT || key == VK_DOWN, false);
        return cur != nullptr;
    }
    case VK_RETURN:
    case VK_ESCAPE: {
        if (!shift.Empty()) return false;
        std::vector<TButton*> buttons;
        CollectButtons(this, buttons);
        TButton* target = nullptr;
        if (key == VK_RETURN) {
            // A focused button presses itself; otherwise the default button.
            if (auto* b = dynamic_cast<TButton*>(sender); b && ButtonUsable(b))
                target = b;
            else {
                for (TButton* b : buttons)
                    if (b->Default() && ButtonUsable(b)) target = target ? target : b;
                if (!target && ButtonUsable(FDefaultButton)) target = FDefaultButton;
            }
        } else {
            for (TButton* b : buttons)
                if (b->Cancel() && ButtonUsable(b)) target = target ? target : b;
            if (!target && ButtonUsable(FCancelButton)) target = FCancelButton;
        }
        if (!target) return false;
        target->Click();
        return true;
    }
    default:
        return false;
    }
}

bool TCustomForm::WidgetEvent(QEvent* e) {
    switch (e->type()) {
    case QEvent::Close: {
        e->ignore();
        Close();
        return true;
    }
    case QEvent::WindowActivate: {
        bool r = InheritedEvent(e);
        Activate();
        return r;
    }
    case QEvent::WindowDeactivate: {
        bool r = InheritedEvent(e);
        Deactivate();
        return r;
    }
    case QEvent::Paint: {
        bool r = InheritedEvent(e);
        if (OnPaint) {
            QPainter p(FWidget);
            PaintOn(p, static_cast<QPaintEvent*>(e)->region());
        }
        return r;
    }
    default:
        return TWinControl::WidgetEvent(e);
    }
}

// =============================================================================================
// THintWindow

namespace {
class THintWidget : public QWidget {
public:
    using QWidget::QWidget;
};
} // namespace

THintWindow::THintWindow(TComponent* AOwner) : TCustomControl(AOwner) {
    InitApplication();
    FPopupWindow = true;
    FVisible = false;
    FParentColor = false;
    FColor = Application ? Application->HintColor() : clInfoBk;
}

std::unique_ptr<QWidget> THintWindow::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<THintWidget>>(this);
    w->setAttribute(Qt::WA_OpaquePaintEvent);
    return w;
}

TRect THintWindow::CalcHintRect(int MaxWidth, const QString& Text) {
    QFont f(Font()->Name());
    f.setPixelSize(Font()->Height() < 0 ? -Font()->Height() : 11);
    QFontMetrics fm(f);
    QRect r = fm.boundingRect(QRect(0, 0, std::max(MaxWidth, 1), 100000),
                              Qt::TextWordWrap | Qt::AlignLeft, Text);
    return Rect(0, 0, r.width() + 6, r.height() + 2);
}

void THintWindow::ActivateHint(const TRect& R, const QString& Text) {
    FText = Text;
    SetBounds(R.Left, R.Top, R.Width(), R.Height());
    FVisible = true;
    QWidget* w = Widget();
    w->show();
    w->raise();
    Invalidate();
}

void THintWindow::ReleaseHandle() {
    FVisible = false;
    if (FWidget) FWidget->hide();
}

bool THintWindow::IsShowing() const { return FWidget && FWidget->isVisible(); }

void THintWindow::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush().SetColor(FColor);
    c->Brush().SetStyle(bsSolid);
    c->FillRect(r);
    c->Pen().SetColor(clBlack);
    c->Brush().SetStyle(bsClear);
    c->Rectangle(r);
    TRect tr = r;
    tr.Left += 2;
    tr.Top += 1;
    c->Font().SetColor(clInfoText);
    c->DrawText(FText, tr, DT_LEFT | DT_WORDBREAK | DT_NOPREFIX);
}

// =============================================================================================
// TApplication

TApplication::TApplication(TComponent* AOwner) : TComponent(AOwner) {}

TApplication::~TApplication() {
    if (Application == this) Application = nullptr;
}

bool TApplication::Active() const { return QApplication::activeWindow() != nullptr; }

void TApplication::ProcessMessages() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void TApplication::HandleMessage() {
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    if (OnIdle) OnIdle(this);
}

void TApplication::Run() {
    qApp->setQuitOnLastWindowClosed(false);
    if (FMainForm) FMainForm->Show();
    while (!FTerminated) {
        HandleMessage();
    }
}

void TApplication::Terminate() {
    FTerminated = true;
    if (QCoreApplication::instance()) {
        // Wake HandleMessage and any modal loop.
        QTimer::singleShot(0, [] {});
        QCoreApplication::postEvent(qApp, new QEvent(QEvent::User));
    }
}

void TApplication::HandleException(TObject* Sender) {
    HandleException(Sender, std::current_exception());
}

void TApplication::HandleException(TObject* Sender, const std::exception_ptr& error) {
    if (!error) return;
    auto show = [&](const Exception& e) {
        if (FHandlingException) {
            // An error while an error box is up must not recurse.
            std::fprintf(stderr, "%s: %s\n", qPrintable(e.ClassName()), qPrintable(e.Message()));
            return;
        }
        FHandlingException = true;
        try {
            if (OnException)
                OnException(Sender, e);
            else
                ShowException(e);
        } catch (...) {
            FHandlingException = false;
            std::fprintf(stderr, "exception in the exception handler\n");
            return;
        }
        FHandlingException = false;
    };
    try {
        std::rethrow_exception(error);
    } catch (const EAbort&) {
        // Silent by design.
    } catch (const Exception& e) {
        show(e);
    } catch (const std::exception& e) {
        show(Exception(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        show(Exception(QStringLiteral("Unknown exception")));
    }
}

void TApplication::ShowException(const Exception& E) {
    QString msg = E.Message();
    if (!msg.isEmpty() && msg.back() > QLatin1Char('.')) msg += QLatin1Char('.');
    MessageBox(msg, FTitle, MB_OK | MB_ICONSTOP);
}

int TApplication::MessageBox(const QString& Text, const QString& Caption, unsigned Flags) {
    return MessageBoxOwned(nullptr, Text, Caption, Flags);
}

// =============================================================================================
// TScreen

TScreen::TScreen(TComponent* AOwner) : TComponent(AOwner) {}

TScreen::~TScreen() {
    if (FOverride && QGuiApplication::instance()) QGuiApplication::restoreOverrideCursor();
    if (Screen == this) Screen = nullptr;
}

TCustomForm* TScreen::FindForm(const QString& name) const {
    for (TCustomForm* f : FForms)
        if (f->Name() == name) return f;
    return nullptr;
}

TCustomForm* TScreen::ActiveForm() const {
    if (QWidget* w = QApplication::activeWindow())
        if (auto* f = dynamic_cast<TCustomForm*>(FindControl(w))) return f;
    return nullptr;
}

TWinControl* TScreen::ActiveControl() const {
    TCustomForm* f = ActiveForm();
    return f ? f->ActiveControl() : nullptr;
}

QCursor TScreen::CursorOf(TCursor index) const {
    auto it = FCursors.find(index);
    if (it != FCursors.end()) return it->second;
    switch (index) {
    case crNone: return QCursor(Qt::BlankCursor);
    case crCross: return QCursor(Qt::CrossCursor);
    case crIBeam: return QCursor(Qt::IBeamCursor);
    case crSizeNESW: return QCursor(Qt::SizeBDiagCursor);
    case crSizeNS: return QCursor(Qt::SizeVerCursor);
    case crSizeNWSE: return QCursor(Qt::SizeFDiagCursor);
    case crSizeWE: return QCursor(Qt::SizeHorCursor);
    case crUpArrow: return QCursor(Qt::UpArrowCursor);
    case crHourGlass: return QCursor(Qt::WaitCursor);
    case crDrag: return QCursor(Qt::DragCopyCursor);
    case crNoDrop: return QCursor(Qt::ForbiddenCursor);
    case crHSplit: return QCursor(Qt::SplitHCursor);
    case crVSplit: return QCursor(Qt::SplitVCursor);
    case crMultiDrag: return QCursor(Qt::DragCopyCursor);
    case crSQLWait: return QCursor(Qt::BusyCursor);
    case crNo: return QCursor(Qt::ForbiddenCursor);
    case crAppStart: return QCursor(Qt::BusyCursor);
    case crHelp: return QCursor(Qt::WhatsThisCursor);
    case crHandPoint: return QCursor(Qt::PointingHandCursor);
    case crSizeAll: return QCursor(Qt::SizeAllCursor);
    default: return QCursor(Qt::ArrowCursor);
    }
}

void TScreen::SetCursors(TCursor index, const QCursor& cursor) { FCursors[index] = cursor; }

void TScreen::SetCursor(TCursor value) {
    if (value == FCursor) return;
    FCursor = value;
    if (!QGuiApplication::instance()) return;
    if (value == crDefault) {
        if (FOverride) QGuiApplication::restoreOverrideCursor();
        FOverride = false;
    } else if (FOverride) {
        QGuiApplication::changeOverrideCursor(CursorOf(value));
    } else {
        QGuiApplication::setOverrideCursor(CursorOf(value));
        FOverride = true;
    }
}

int TScreen::Width() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

TPoint TScreen::CursorPos() const {
    QPoint p = QCursor::pos();
    return {p.x(), p.y()};
}

void TScreen::AddForm(TCustomForm* form) { FForms.push_back(form); }

void TScreen::RemoveForm(TCustomForm* form) {
    FForms.erase(std::remove(FForms.begin(), FForms.end(), form), FForms.end());
}

void TScreen::ControlDestroyed(TControl* control) {
    FForms.erase(std::remove_if(FForms.begin(), FForms.end(),
                                [control](TCustomForm* f) {
                                    return static_cast<const void*>(f) ==
                                           static_cast<const void*>(control);
                                }),
                 FForms.end());
}

// =============================================================================================
// Message boxes

TModalResult MessageDlgDefault(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                               TMsgDlgBtn DefaultButton) {
    TMessageRequest r;
    r.Text = Msg;
    r.Caption = MsgDlgTypeCaption(DlgType);
    r.Icon = MsgDlgTypeIcon(DlgType);
    r.Buttons = Buttons;
    r.DefaultButton = DefaultButton;
    return UIServices().Message(r);
}

TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons, int) {
    // The default button is the first of OK, Yes, ... that the box has.
    TMsgDlgBtn def = mbOK;
    for (TMsgDlgBtn b : {mbOK, mbYes, mbYesToAll, mbRetry, mbAbort, mbIgnore, mbAll, mbNo, mbNoToAll, mbCancel, mbClose, mbHelp})
        if (Buttons.Contains(b)) {
            def = b;
            break;
        }
    return MessageDlgDefault(Msg, DlgType, Buttons, def);
}

void ShowMessage(const QString& Msg) {
    TMessageRequest r;
    r.Text = Msg;
    r.Caption = Application ? Application->Title() : QString();
    r.Buttons = TMsgDlgButtons{mbOK};
    UIServices().Message(r);
}

int MessageBoxOwned(TWinControl* owner, const QString& Text, const QString& Caption, unsigned Flags) {
    TMessageRequest r;
    r.Text = Text;
    r.Caption = Caption;
    r.Owner = owner;
    std::vector<TMsgDlgBtn> order;
    switch (Flags & 0xF) {
    case MB_OKCANCEL: order = {mbOK, mbCancel}; break;
    case MB_ABORTRETRYIGNORE: order = {mbAbort, mbRetry, mbIgnore}; break;
    case MB_YESNOCANCEL: order = {mbYes, mbNo, mbCancel}; break;
    case MB_YESNO: order = {mbYes, mbNo}; break;
    case MB_RETRYCANCEL: order = {mbRetry, mbCancel}; break;
    default: order = {mbOK}; break;
    }
    r.Buttons = TMsgDlgButtons{};
    for (TMsgDlgBtn b : order) r.Buttons.Include(b);
    const unsigned def = (Flags & 0xF00) >> 8;
    r.DefaultButton = order[std::min<size_t>(def, order.size() - 1)];
    switch (Flags & 0xF0) {
    case MB_ICONHAND: r.Icon = TMessageIcon::Error; break;
    case MB_ICONQUESTION: r.Icon = TMessageIcon::Question; break;
    case MB_ICONEXCLAMATION: r.Icon = TMessageIcon::Warning; break;
    case MB_ICONASTERISK: r.Icon = TMessageIcon::Information; break;
    default: r.Icon = TMessageIcon::None; break;
    }
    // The ID results have the same numbers as the modal results.
    TModalResult result = UIServices().Message(r);
    return result == mrNone ? IDCANCEL : result;
}

QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault) {
    QString value = ADefault;
    if (!UIServices().Input(ACaption, APrompt, value)) return ADefault;
    return value;
}

bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value) {
    return UIServices().Input(ACaption, APrompt, Value);
}

bool SelectDirectory(const QString& Caption, const QString& Root, QString& Directory) {
    return UIServices().SelectFolder(Caption, Root, Directory);
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TCustomForm) {
    b.Prop("Position", &TCustomForm::Position, &TCustomForm::SetPosition).Default(poDesigned);
    b.Prop("WindowState", &TCustomForm::WindowState, &TCustomForm::SetWindowState).Default(wsNormal);
    b.Prop("KeyPreview", &TCustomForm::KeyPreview, &TCustomForm::SetKeyPreview).Default(false);
    b.Prop("ModalResult", &TCustomForm::ModalResult, &TCustomForm::SetModalResult).Type("TModalResult").Stored(false);
    b.Prop("ActiveControl", &TCustomForm::ActiveControl, &TCustomForm::SetActiveControl);
    b.Prop("Menu", &TCustomForm::Menu, &TCustomForm::SetMenu);
    b.Event("OnShow", &TCustomForm::OnShow, "TNotifyEvent");
    b.Event("OnHide", &TCustomForm::OnHide, "TNotifyEvent");
    b.Event("OnActivate", &TCustomForm::OnActivate, "TNotifyEvent");
    b.Event("OnDeactivate", &TCustomForm::OnDeactivate, "TNotifyEvent");
    b.Event("OnCreate", &TCustomForm::OnCreate, "TNotifyEvent");
    b.Event("OnDestroy", &TCustomForm::OnDestroy, "TNotifyEvent");
    b.Event("OnClose", &TCustomForm::OnClose, "TCloseEvent");
    b.Event("OnCloseQuery", &TCustomForm::OnCloseQuery, "TCloseQueryEvent");
    b.Event("OnPaint", &TCustomForm::OnPaint, "TNotifyEvent");
}

KORVEL_CLASS_INFO(TForm) {
    b.Prop("BorderStyle", &TForm::BorderStyle, &TForm::SetBorderStyle).Default(bsSizeable);
}

KORVEL_CLASS_INFO(THintWindow) {}

KORVEL_CLASS_INFO(TDataModule) {
    b.Event("OnCreate", &TDataModule::OnCreate, "TNotifyEvent");
    b.Event("OnDestroy", &TDataModule::OnDestroy, "TNotifyEvent");
}

KORVEL_CLASS_INFO(TApplication) {
    b.Prop("Title", &TApplication::Title, &TApplication::SetTitle);
    b.Prop("ShowHint", &TApplication::ShowHint, &TApplication::SetShowHint);
    b.Prop("HintColor", &TApplication::HintColor, &TApplication::SetHintColor).Type("TColor");
    b.Prop("HintPause", &TApplication::HintPause, &TApplication::SetHintPause);
    b.Prop("MainForm", &TApplication::MainForm);
    b.Prop("Terminated", &TApplication::Terminated);
}

KORVEL_CLASS_INFO(TScreen) {
    b.Prop("FormCount", &TScreen::FormCount);
    b.Prop("ActiveForm", &TScreen::ActiveForm);
    b.Prop("Cursor", &TScreen::Cursor, &TScreen::SetCursor).Type("TCursor");
    b.Prop("Width", &TScreen::Width);
    b.Prop("Height", &TScreen::Height);
}
