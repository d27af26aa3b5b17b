#pragma once
// Dialog pages: pages of a report that are real windows, shown before the printable pages are
// built so the user can give the report its parameters. The page owns its window
// (TrptDialogForm); the dialog controls placed on it (rptDialogControls.h) put their platform
// controls on that window. The window's events run procedures of the report script.
//
// Controls of report objects that do not stand on a dialog page are parented by one hidden form
// of the process (HiddenParentForm), so they still have a window to paint in.
//
// Shown without a user (tests, a platform without a screen), a dialog page is answered by its
// controls as they stand, through the UI services: the window's unattended result is mrOk.

#include "platform/ui/Forms.h"
#include "report/core/rptClassPage.h"

#include <memory>

class QTimer;
class TrptDialogPage;

// The window of a dialog page.
class TrptDialogForm : public TForm {
    KORVEL_CLASS(TrptDialogForm, TForm)
public:
    // AOwner is only asked for its Tag: 318 marks a report that prepares outside the GUI
    // thread, whose windows keep the plain defaults of the class. The window has no owner.
    explicit TrptDialogForm(TComponent* AOwner);
    ~TrptDialogForm() override;

    bool ThreadSafe() const { return FThreadSafe; }
    // Once the user has ended moving or resizing the window: the window has stayed still for
    // ModifySettleMs, or it was hidden before that.
    TNotifyEvent OnModify;
    static constexpr int ModifySettleMs = 250;

protected:
    bool WidgetEvent(QEvent* e) override;
    // The window keeps the arrow keys and Tab for its controls and its key events.
    int DialogCode() const override { return 3; }

private:
    void Settled();

    bool FThreadSafe = false;
    // Restarted by every move and resize of the shown window.
    std::unique_ptr<QTimer> FSettle;
};

// The never-shown form that parents controls of report objects outside dialog pages.
class TParentForm : public TForm {
    KORVEL_CLASS(TParentForm, TForm)
public:
    // Its controls belong to different reports: radio buttons there do not exclude each other.
    explicit TParentForm(TComponent* AOwner) : TForm(AOwner) { SetGroupsRadioButtons(false); }
};

// Made on first use, freed when the application ends (its controls are taken off first).
TParentForm* HiddenParentForm();
// Takes every control off the hidden form, first control first.
void ReleaseParentFormControls();

// Script event types of dialog windows and controls, for the inspector's event editor.
inline constexpr const char* TrptKeyEventTypeName = "TrptKeyEvent";
inline constexpr const char* TrptKeyPressEventTypeName = "TrptKeyPressEvent";
inline constexpr const char* TrptCloseQueryEventTypeName = "TrptCloseQueryEvent";
inline constexpr const char* TrptMouseEventTypeName = "TrptMouseEvent";
inline constexpr const char* TrptMouseMoveEventTypeName = "TrptMouseMoveEvent";

class TrptDialogPage : public TrptPage {
    KORVEL_CLASS(TrptDialogPage, TrptPage)
public:
    explicit TrptDialogPage(TComponent* AOwner = nullptr);
    // The window goes under ReportLoadLock, after the page's objects.
    ~TrptDialogPage() override;

    // "obDlgPage".
    QString GetDescription() const override;
    bool IsDialogPage() const override { return true; }

    TrptDialogForm* DialogForm() const { return FForm.get(); }

    // Bounds: the page's own and the window's. While loading, a stored client size decides the
    // window's size instead of Width and Height.
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    // Reading gives the window's client size; writing sizes the window and takes its new outer
    // size into Width or Height.
    double ClientWidth() const;
    void SetClientWidth(double Value);
    double ClientHeight() const;
    void SetClientHeight(double Value);

    TFormBorderStyle BorderStyle() const { return FBorderStyle; }
    // Stored only; applied to the window when it is shown.
    void SetBorderStyle(TFormBorderStyle Value) { FBorderStyle = Value; }
    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& Value);
    TColor Color() const { return FColor; }
    void SetColor(TColor Value);
    TPosition Position() const { return FPosition; }
    void SetPosition(TPosition Value) { FPosition = Value; }
    TWindowState WindowState() const { return FWindowState; }
    void SetWindowState(TWindowState Value) { FWindowState = Value; }
    TModalResult ModalResult() const;
    void SetModalResult(TModalResult Value);

    // Hides the window, applies Position and WindowState and connects the window's events to
    // the page's script procedures.
    void Initialize();
    // Initialize, then the window runs modally through the UI services; its modal result.
    // The window runs as a normal window and is left stay-on-top afterwards, also on error.
    TModalResult ShowModal();

    // Script event names.
    const QString& OnActivate() const { return FOnActivate; }
    void SetOnActivate(const QString& Value) { FOnActivate = Value; }
    const QString& OnClick() const { return FOnClick; }
    void SetOnClick(const QString& Value) { FOnClick = Value; }
    const QString& OnDeactivate() const { return FOnDeactivate; }
    void SetOnDeactivate(const QString& Value) { FOnDeactivate = Value; }
    const QString& OnHide() const { return FOnHide; }
    void SetOnHide(const QString& Value) { FOnHide = Value; }
    const QString& OnShow() const { return FOnShow; }
    void SetOnShow(const QString& Value) { FOnShow = Value; }
    const QString& OnResize() const { return FOnResize; }
    void SetOnResize(const QString& Value) { FOnResize = Value; }
    const QString& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(const QString& Value) { FOnKeyDown = Value; }
    const QString& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(const QString& Value) { FOnKeyUp = Value; }
    const QString& OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(const QString& Value) { FOnKeyPress = Value; }
    const QString& OnCloseQuery() const { return FOnCloseQuery; }
    void SetOnCloseQuery(const QString& Value) { FOnCloseQuery = Value; }

    // The window's handlers, public so that tests and the scripted services can drive them.
    void DoActivate(TObject* Sender);
    void DoCloseQuery(TObject* Sender, bool& CanClose);
    void DoKey(const QString& Event, TObject* Sender, Word& Key, TShiftState Shift);
    void DoKeyPress(TObject* Sender, QChar& Key);

protected:
    void FontChanged() override;

private:
    // The page's bounds from the window's, without writing the window again.
    void UpdateBounds();
    void Notify(const QString& Event, TObject* Sender);

    std::unique_ptr<TrptDialogForm> FForm;
    TFormBorderStyle FBorderStyle = bsSizeable;
    QString FCaption;
    TColor FColor = clBtnFace;
    double FClientWidth = 0;
    double FClientHeight = 0;
    TPosition FPosition = poScreenCenter;
    TWindowState FWindowState = wsNormal;
    QString FOnActivate;
    QString FOnClick;
    QString FOnDeactivate;
    QString FOnHide;
    QString FOnShow;
    QString FOnResize;
    QString FOnKeyDown;
    QString FOnKeyUp;
    QString FOnKeyPress;
    QString FOnCloseQuery;
};

// Registers the dialog page and control classes for templates (once per process).
void RegisterDialogClasses();
// Puts the dialog controls into the object registry (the designer's palette, category ctDialog).
void RegisterDialogObjects();
