#pragma once
// Forms, the application object and the screen: top-level windows, modal runs, the default
// exception handling, the list of forms and the cursor registry.

#include "platform/ui/Controls.h"
#include "platform/ui/UIServices.h"

#include <QCursor>

#include <exception>
#include <functional>
#include <map>
#include <vector>

class TButton;
class TMainMenu;
class QEventLoop;
class QTimer;

class TCustomForm : public TWinControl {
    KORVEL_CLASS(TCustomForm, TWinControl)
public:
    explicit TCustomForm(TComponent* AOwner);
    ~TCustomForm() override;

    TFormBorderStyle FormBorderStyle() const { return FFormBorderStyle; }
    void SetFormBorderStyle(TFormBorderStyle value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition value) { FPosition = value; }
    // A shown window keeps its place, size and visibility when the style changes.
    TFormStyle FormStyle() const { return FFormStyle; }
    void SetFormStyle(TFormStyle value);
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState value);
    bool KeyPreview() const { return FKeyPreview; }
    void SetKeyPreview(bool value) { FKeyPreview = value; }
    TModalResult ModalResult() const { return FModalResult; }
    void SetModalResult(TModalResult value);
    TWinControl* ActiveControl() const { return FActiveControl; }
    void SetActiveControl(TWinControl* control);
    TMainMenu* Menu() const { return FMenu; }
    void SetMenu(TMainMenu* value);
    bool Active() const;
    bool Modal() const { return FModal; }

    // Shows and activates the window.
    void Show();
    void Close();
    bool CloseQuery();
    // Runs the window modally through the UI services and returns its ModalResult.
    virtual TModalResult ShowModal();
    void FocusControl(TWinControl* control);
    void SelectFirst();
    // The button Enter presses, and the one Esc presses.
    TButton* DefaultButton() const { return FDefaultButton; }
    TButton* CancelButton() const { return FCancelButton; }
    void SetDefaultButton(TButton* button);
    void SetCancelButton(TButton* button);
    void Release(); // frees the form once the current event is over

    // The modal loop itself (the Qt UI services call it).
    TModalResult RunModalLoop();
    // A scripted modal run: the form shows, the action answers, the form closes.
    TModalResult RunScriptedModal(const std::function<TModalResult(TCustomForm*)>& action);
    // The answer a run without a user gives this window, as it stands (its controls keep their
    // values); mrNone: the window needs a user. The UI services read it.
    TModalResult UnattendedResult() const { return FUnattendedResult; }
    void SetUnattendedResult(TModalResult value) { FUnattendedResult = value; }

    TNotifyEvent OnShow;
    TNotifyEvent OnHide;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
    TCloseEvent OnClose;
    TCloseQueryEvent OnCloseQuery;
    // Paints on the client area under the controls; Canvas() is valid while it runs.
    TNotifyEvent OnPaint;

    // A dialog key from a control of this form: Tab, arrows, Enter, Esc. True when used.
    bool DialogKeyFrom(TWinControl* sender, Word key, TShiftState shift);
    // The menu bar takes the top of the window; the client area starts below it.
    void MenuChanged();
    TRect ClientRect() const override;
    TPoint ClientOffset() const override;
    void ActiveControlFocused(TWinControl* control);
    // A control of the form starts a visit: the control whose visit is still open (left while
    // the window was inactive) hears its OnExit first.
    void ControlEntered(TWinControl* control);
    // Tells the form and every windowed control on it that the application was (de)activated.
    void BroadcastActivation(bool active);

protected:
    virtual void DoShow();
    virtual void DoHide();
    virtual void Activate();
    virtual void Deactivate();
    virtual void DoClose(TCloseAction& Action);
    void Paint() override;
    std::unique_ptr<QWidget> CreateWidget() override;
    void InitWidget() override;
    bool WidgetEvent(QEvent* e) override;
    void SetVisible(bool value) override;
    void SetTextValue(const QString& value) override;
    void ApplyWindowFlags();
    void PlaceOnScreen();
    void CloseModal();
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TFormBorderStyle FFormBorderStyle = bsSizeable;
    TFormStyle FFormStyle = fsNormal;
    TPosition FPosition = poDesigned;
    TWindowState FWindowState = wsNormal;
    bool FKeyPreview = false;
    TModalResult FModalResult = mrNone;
    TWinControl* FActiveControl = nullptr;
    TWinControl* FEnteredControl = nullptr;
    TMainMenu* FMenu = nullptr;
    TButton* FDefaultButton = nullptr;
    TButton* FCancelButton = nullptr;
    bool FModal = false;
    TModalResult FUnattendedResult = mrNone;
    bool FShown = false;
    bool FClosing = false;
    QEventLoop* FModalLoop = nullptr;
    int FMenuHeight = 0;

    friend class TApplication;
};

class TForm : public TCustomForm {
    KORVEL_CLASS(TForm, TCustomForm)
public:
    explicit TForm(TComponent* AOwner) : TCustomForm(AOwner) {}
    // Classic name of the form's border property.
    TFormBorderStyle BorderStyle() const { return FormBorderStyle(); }
    void SetBorderStyle(TFormBorderStyle value) { SetFormBorderStyle(value); }
};

using TExceptionEvent = std::function<void(TObject* Sender, const Exception& E)>;
using THintEvent = TNotifyEvent;

// A floating window that shows a hint text.
class THintWindow : public TCustomControl {
    KORVEL_CLASS(THintWindow, TCustomControl)
public:
    explicit THintWindow(TComponent* AOwner);
    // The rectangle (at the origin) that Text needs, breaking lines at MaxWidth.
    virtual TRect CalcHintRect(int MaxWidth, const QString& Text);
    // Shows Text in Rect (screen coordinates).
    virtual void ActivateHint(const TRect& Rect, const QString& Text);
    void ReleaseHandle();
    bool IsShowing() const;

protected:
    std::unique_ptr<QWidget> CreateWidget() override;
    void Paint() override;
};

// A non-visual container of components, with no window of its own.
class TDataModule : public TComponent {
    KORVEL_CLASS(TDataModule, TComponent)
public:
    explicit TDataModule(TComponent* AOwner) : TComponent(AOwner) {}
    ~TDataModule() override {
        if (OnDestroy) OnDestroy(this);
    }
    TNotifyEvent OnCreate;
    TNotifyEvent OnDestroy;
};

class TApplication : public TComponent {
    KORVEL_CLASS(TApplication, TComponent)
public:
    explicit TApplication(TComponent* AOwner);
    ~TApplication() override;

    // Creates a form owned by the application; the first one becomes MainForm.
    template <class F>
    F* CreateForm() {
        F* form = new F(this);
        if (!FMainForm) FMainForm = form;
        return form;
    }
    TCustomForm* MainForm() const { return FMainForm; }
    void SetMainForm(TCustomForm* form) { FMainForm = form; }
    const QString& Title() const { return FTitle; }
    void SetTitle(const QString& value) { FTitle = value; }
    bool Terminated() const { return FTerminated; }
    bool ShowHint() const { return FShowHint; }
    void SetShowHint(bool value) { FShowHint = value; }
    TColor HintColor() const { return FHintColor; }
    void SetHintColor(TColor value) { FHintColor = value; }
    int HintPause() const { return FHintPause; }
    void SetHintPause(int value) { FHintPause = value; }
    bool Active() const;

    // Handles the pending events and returns.
    void ProcessMessages();
    // Waits for and handles at least one event.
    void HandleMessage();
    // Shows the main form and runs the event loop until the main form closes or Terminate.
    void Run();
    void Terminate();

    // The exception being handled: OnException when set, else ShowException. Call from a catch
    // block; EAbort is silent.
    void HandleException(TObject* Sender);
    void HandleException(TObject* Sender, const std::exception_ptr& error);
    virtual void ShowException(const Exception& E);
    // The plain message box of the application: MB_ flags in, ID results out.
    int MessageBox(const QString& Text, const QString& Caption, unsigned Flags = MB_OK);

    TExceptionEvent OnException;
    TNotifyEvent OnActivate;
    TNotifyEvent OnDeactivate;
    TNotifyEvent OnIdle;

    // Forms the application has shown modally, innermost last.
    int ModalLevel() const { return FModalLevel; }

private:
    friend class TCustomForm;
    TCustomForm* FMainForm = nullptr;
    QString FTitle = QStringLiteral("Korvel");
    bool FTerminated = false;
    bool FShowHint = true;
    TColor FHintColor = clInfoBk;
    int FHintPause = 500;
    int FModalLevel = 0;
    bool FHandlingException = false;
};

class TScreen : public TComponent {
    KORVEL_CLASS(TScreen, TComponent)
public:
    explicit TScreen(TComponent* AOwner);
    ~TScreen() override;

    int FormCount() const { return static_cast<int>(FForms.size()); }
    TCustomForm* Forms(int index) const { return FForms.at(index); }
    // The first form of that name (exact comparison), null when none.
    TCustomForm* FindForm(const QString& name) const;
    TCustomForm* ActiveForm() const;
    TWinControl* ActiveControl() const;

    // The cursor registry: numbers to cursors. Standard numbers are negative.
    QCursor CursorOf(TCursor index) const;
    void SetCursors(TCursor index, const QCursor& cursor);
    bool HasCursor(TCursor index) const { return FCursors.count(index) != 0; }
    // The cursor shown everywhere; crDefault lets each control show its own.
    TCursor Cursor() const { return FCursor; }
    void SetCursor(TCursor value);

    int Width() const;
    int Height() const;
    int PixelsPerInch() const { return 96; }
    TPoint CursorPos() const;

    void AddForm(TCustomForm* form);
    void RemoveForm(TCustomForm* form);
    void ControlDestroyed(TControl* control);

private:
    std::vector<TCustomForm*> FForms;
    std::map<TCursor, QCursor> FCursors;
    TCursor FCursor = crDefault;
    bool FOverride = false;
};

// The process's application and screen; created by InitApplication once a QApplication exists.
extern TApplication* Application;
extern TScreen* Screen;
void InitApplication();
void DoneApplication();

// Message boxes through the UI services.
TModalResult MessageDlg(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                        int HelpCtx = 0);
TModalResult MessageDlgDefault(const QString& Msg, TMsgDlgType DlgType, TMsgDlgButtons Buttons,
                               TMsgDlgBtn DefaultButton);
void ShowMessage(const QString& Msg);
// A box owned by a window, with MB_ flags (icons and buttons) and ID results.
int MessageBoxOwned(TWinControl* owner, const QString& Text, const QString& Caption,
                    unsigned Flags);
QString InputBox(const QString& ACaption, const QString& APrompt, const QString& ADefault);
bool InputQuery(const QString& ACaption, const QString& APrompt, QString& Value);
bool SelectDirectory(const QString& Caption, const QString& Root, QString& Directory);
