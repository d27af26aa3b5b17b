#pragma once
// Dialog controls: report objects that each wrap a platform control, placed on a dialog page
// (rptDialogPage.h) or inside another dialog control. The object keeps the stored properties
// and hands them to its control; the control's events run procedures of the report script,
// always (not only while the engine runs), with the object as sender.
//
// TrptDialogControl is the base; the concrete classes are the label, edit, memo, button, check
// box, radio button, combo box, list box and group box.

#include "platform/ui/StdCtrls.h"
#include "report/core/rptClassComponent.h"

#include <memory>
#include <vector>

class TrptDialogControl : public TrptReportComponent {
    KORVEL_CLASS(TrptDialogControl, TrptReportComponent)
public:
    // BaseName: the class name without "Trpt" and "Control" ("Edit" for TrptEditControl).
    explicit TrptDialogControl(TComponent* AOwner = nullptr);
    // The children first, then the control.
    ~TrptDialogControl() override;

    // The wrapped platform control, owned.
    TControl* Control() const { return FControl.get(); }

    // The control's image at the object's rounded absolute place (scale and offset do not apply).
    void Draw(TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX, double OffsetY) override;

    // Bounds, visibility and font go to the control too (bounds rounded to whole pixels).
    void SetLeft(double Value) override;
    void SetTop(double Value) override;
    void SetWidth(double Value) override;
    void SetHeight(double Value) override;
    void SetVisible(bool Value) override;
    void SetParentFont(bool Value) override;
    // The control's window becomes the parent control's, the dialog page's window, or the
    // hidden parent form.
    void SetParent(TrptComponent* Value) override;
    // A caption that still shows the old name follows the new one (not while loading).
    void SetName(const QString& Value) override;

    QString Caption() const;
    void SetCaption(const QString& Value);
    TColor Color() const;
    void SetColor(TColor Value);
    bool Enabled() const;
    void SetEnabled(bool Value);
    QString Hint() const;
    void SetHint(const QString& Value);
    bool ShowHint() const;
    void SetShowHint(bool Value);
    // Always True for a control without a window; only windowed controls take a new value.
    bool TabStop() const;
    void SetTabStop(bool Value);
    // Focuses the control when it has a window.
    void SetFocus();

    // Script event names.
    const QString& OnClick() const { return FOnClick; }
    void SetOnClick(const QString& Value) { FOnClick = Value; }
    const QString& OnDblClick() const { return FOnDblClick; }
    void SetOnDblClick(const QString& Value) { FOnDblClick = Value; }
    const QString& OnEnter() const { return FOnEnter; }
    void SetOnEnter(const QString& Value) { FOnEnter = Value; }
    const QString& OnExit() const { return FOnExit; }
    void SetOnExit(const QString& Value) { FOnExit = Value; }
    const QString& OnKeyDown() const { return FOnKeyDown; }
    void SetOnKeyDown(const QString& Value) { FOnKeyDown = Value; }
    const QString& OnKeyUp() const { return FOnKeyUp; }
    void SetOnKeyUp(const QString& Value) { FOnKeyUp = Value; }
    const QString& OnKeyPress() const { return FOnKeyPress; }
    void SetOnKeyPress(const QString& Value) { FOnKeyPress = Value; }
    const QString& OnMouseDown() const { return FOnMouseDown; }
    void SetOnMouseDown(const QString& Value) { FOnMouseDown = Value; }
    const QString& OnMouseUp() const { return FOnMouseUp; }
    void SetOnMouseUp(const QString& Value) { FOnMouseUp = Value; }
    const QString& OnMouseMove() const { return FOnMouseMove; }
    void SetOnMouseMove(const QString& Value) { FOnMouseMove = Value; }

    // Host method called when the dialog page holding the control is activated.
    TNotifyEvent OnActivate;

protected:
    // Takes the control made by a concrete class, gives it the object's state and parent, and
    // routes its events to the script.
    void InitControl(std::unique_ptr<TControl> AControl);
    void FontChanged() override;
    // Runs the script procedure Event with the object, always.
    void DoNotify(const QString& Event);

private:
    void DoKey(const QString& Event, Word& Key, TShiftState Shift);
    void DoKeyPress(QChar& Key);
    void DoMouse(const QString& Event, TMouseButton Button, TShiftState Shift, int X, int Y);
    void DoMouseMove(TShiftState Shift, int X, int Y);
    void PlaceControl();

    std::unique_ptr<TControl> FControl;
    QString FOnClick, FOnDblClick, FOnEnter, FOnExit, FOnKeyDown, FOnKeyUp, FOnKeyPress;
    QString FOnMouseDown, FOnMouseUp, FOnMouseMove;
};

class TrptLabelControl : public TrptDialogControl {
    KORVEL_CLASS(TrptLabelControl, TrptDialogControl)
public:
    explicit TrptLabelControl(TComponent* AOwner = nullptr);
    TLabel* Label() const { return static_cast<TLabel*>(Control()); }
    TAlignment Alignment() const { return Label()->Alignment(); }
    void SetAlignment(TAlignment Value) { Label()->SetAlignment(Value); }
    bool AutoSize() const { return Label()->AutoSize(); }
    void SetAutoSize(bool Value) { Label()->SetAutoSize(Value); }
    bool WordWrap() const { return Label()->WordWrap(); }
    void SetWordWrap(bool Value) { Label()->SetWordWrap(Value); }
};

class TrptEditControl : public TrptDialogControl {
    KORVEL_CLASS(TrptEditControl, TrptDialogControl)
public:
    explicit TrptEditControl(TComponent* AOwner = nullptr);
    TEdit* Edit() const { return static_cast<TEdit*>(Control()); }
    QString Text() const { return Edit()->Text(); }
    void SetText(const QString& Value) { Edit()->SetText(Value); }
    int MaxLength() const { return Edit()->MaxLength(); }
    void SetMaxLength(int Value) { Edit()->SetMaxLength(Value); }
    // The character shown for each typed one; empty shows the text.
    QString PasswordChar() const;
    void SetPasswordChar(const QString& Value);
    bool ReadOnly() const { return Edit()->ReadOnly(); }
    void SetReadOnly(bool Value) { Edit()->SetReadOnly(Value); }
    const QString& OnChange() const { return FOnChange; }
    void SetOnChange(const QString& Value) { FOnChange = Value; }

private:
    QString FOnChange;
};

class TrptMemoControl : public TrptDialogControl {
    KORVEL_CLASS(TrptMemoControl, TrptDialogControl)
public:
    explicit TrptMemoControl(TComponent* AOwner = nullptr);
    TMemo* Memo() const { return static_cast<TMemo*>(Control()); }
    TStrings* Lines() const { return Memo()->Lines(); }
    void SetLines(TStrings* Value) { Memo()->SetLines(Value); }
    int MaxLength() const { return Memo()->MaxLength(); }
    void SetMaxLength(int Value) { Memo()->SetMaxLength(Value); }
    bool ReadOnly() const { return Memo()->ReadOnly(); }
    void SetReadOnly(bool Value) { Memo()->SetReadOnly(Value); }
    TScrollStyle ScrollBars() const { return Memo()->ScrollBars(); }
    void SetScrollBars(TScrollStyle Value) { Memo()->SetScrollBars(Value); }
    bool WordWrap() const { return Memo()->WordWrap(); }
    void SetWordWrap(bool Value) { Memo()->SetWordWrap(Value); }
    const QString& OnChange() const { return FOnChange; }
    void SetOnChange(const QString& Value) { FOnChange = Value; }

private:
    QString FOnChange;
};

class TrptButtonControl : public TrptDialogControl {
    KORVEL_CLASS(TrptButtonControl, TrptDialogControl)
public:
    explicit TrptButtonControl(TComponent* AOwner = nullptr);
    TButton* Button() const { return static_cast<TButton*>(Control()); }
    bool Cancel() const { return Button()->Cancel(); }
    void SetCancel(bool Value);
    bool Default() const { return Button()->Default(); }
    void SetDefault(bool Value);
    // The page's modal result when the button is pressed (mrOk 1, mrCancel 2 ...).
    int ModalResult() const { return Button()->ModalResult(); }
    void SetModalResult(int Value) { Button()->SetModalResult(Value); }
    // The form's Enter and Esc buttons, once the button stands on a form.
    void SetParent(TrptComponent* Value) override;

private:
    void UpdateFormButtons();
};

class TrptCheckBoxControl : public TrptDialogControl {
    KORVEL_CLASS(TrptCheckBoxControl, TrptDialogControl)
public:
    explicit TrptCheckBoxControl(TComponent* AOwner = nullptr);
    TCheckBox* CheckBox() const { return static_cast<TCheckBox*>(Control()); }
    TAlignment Alignment() const { return CheckBox()->Alignment(); }
    void SetAlignment(TAlignment Value) { CheckBox()->SetAlignment(Value); }
    bool AllowGrayed() const { return CheckBox()->AllowGrayed(); }
    void SetAllowGrayed(bool Value) { CheckBox()->SetAllowGrayed(Value); }
    bool Checked() const { return CheckBox()->Checked(); }
    void SetChecked(bool Value) { CheckBox()->SetChecked(Value); }
    TCheckBoxState State() const { return CheckBox()->State(); }
    void SetState(TCheckBoxState Value) { CheckBox()->SetState(Value); }
};

class TrptRadioButtonControl : public TrptDialogControl {
    KORVEL_CLASS(TrptRadioButtonControl, TrptDialogControl)
public:
    explicit TrptRadioButtonControl(TComponent* AOwner = nullptr);
    TRadioButton* RadioButton() const { return static_cast<TRadioButton*>(Control()); }
    bool Checked() const { return RadioButton()->Checked(); }
    void SetChecked(bool Value) { RadioButton()->SetChecked(Value); }
};

class TrptComboBoxControl : public TrptDialogControl {
    KORVEL_CLASS(TrptComboBoxControl, TrptDialogControl)
public:
    explicit TrptComboBoxControl(TComponent* AOwner = nullptr);
    TComboBox* ComboBox() const { return static_cast<TComboBox*>(Control()); }
    TStrings* Items() const { return ComboBox()->Items(); }
    void SetItems(TStrings* Value) { ComboBox()->SetItems(Value); }
    int ItemIndex() const { return ComboBox()->ItemIndex(); }
    // An index outside the items selects nothing.
    void SetItemIndex(int Value);
    TComboBoxStyle Style() const { return ComboBox()->Style(); }
    void SetStyle(TComboBoxStyle Value) { ComboBox()->SetStyle(Value); }
    QString Text() const { return ComboBox()->Text(); }
    void SetText(const QString& Value) { ComboBox()->SetText(Value); }
    bool Sorted() const { return ComboBox()->Sorted(); }
    void SetSorted(bool Value) { ComboBox()->SetSorted(Value); }
    const QString& OnChange() const { return FOnChange; }
    void SetOnChange(const QString& Value) { FOnChange = Value; }

private:
    QString FOnChange;
};

class TrptListBoxControl : public TrptDialogControl {
    KORVEL_CLASS(TrptListBoxControl, TrptDialogControl)
public:
    explicit TrptListBoxControl(TComponent* AOwner = nullptr);
    TListBox* ListBox() const { return static_cast<TListBox*>(Control()); }
    TStrings* Items() const { return ListBox()->Items(); }
    void SetItems(TStrings* Value) { ListBox()->SetItems(Value); }
    int ItemIndex() const { return ListBox()->ItemIndex(); }
    // An index outside the items selects nothing.
    void SetItemIndex(int Value);
    bool Sorted() const { return ListBox()->Sorted(); }
    void SetSorted(bool Value) { ListBox()->SetSorted(Value); }
};

// A frame with a caption that holds other dialog controls.
class TrptGroupBoxControl : public TrptDialogControl {
    KORVEL_CLASS(TrptGroupBoxControl, TrptDialogControl)
public:
    explicit TrptGroupBoxControl(TComponent* AOwner = nullptr);
    TGroupBox* GroupBox() const { return static_cast<TGroupBox*>(Control()); }
};

// The concrete dialog control classes, in palette order.
std::vector<const TClassInfo*> DialogControlClasses();
