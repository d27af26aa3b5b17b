#include "report/core/rptDialogControls.h"

#include "platform/gfx/Canvas.h"
#include "platform/gfx/Colors.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDialogPage.h"

#include <QImage>
#include <QWidget>

namespace {

int Whole(double Value) {
    return static_cast<int>(Round(Value));
}

QString ControlBaseName(const QString& ClassName) {
    QString name = ClassName;
    if (name.startsWith(QLatin1String("Trpt"))) name.remove(0, 4);
    const qsizetype at = name.indexOf(QLatin1String("Control"));
    if (at >= 0) name.remove(at, 7);
    return name;
}

// The published members every control shows, in the order templates hold them.
template <class C, class B>
void PublishEvents(B& b, bool Keys) {
    b.Prop("OnClick", &C::OnClick, &C::SetOnClick).Type(TrptNotifyEventTypeName);
    b.Prop("OnDblClick", &C::OnDblClick, &C::SetOnDblClick).Type(TrptNotifyEventTypeName);
    if (Keys) {
        b.Prop("OnEnter", &C::OnEnter, &C::SetOnEnter).Type(TrptNotifyEventTypeName);
        b.Prop("OnExit", &C::OnExit, &C::SetOnExit).Type(TrptNotifyEventTypeName);
        b.Prop("OnKeyDown", &C::OnKeyDown, &C::SetOnKeyDown).Type(TrptKeyEventTypeName);
        b.Prop("OnKeyPress", &C::OnKeyPress, &C::SetOnKeyPress).Type(TrptKeyPressEventTypeName);
        b.Prop("OnKeyUp", &C::OnKeyUp, &C::SetOnKeyUp).Type(TrptKeyEventTypeName);
    }
    b.Prop("OnMouseDown", &C::OnMouseDown, &C::SetOnMouseDown).Type(TrptMouseEventTypeName);
    b.Prop("OnMouseMove", &C::OnMouseMove, &C::SetOnMouseMove).Type(TrptMouseMoveEventTypeName);
    b.Prop("OnMouseUp", &C::OnMouseUp, &C::SetOnMouseUp).Type(TrptMouseEventTypeName);
}

} // namespace

// =============================================================================================
// TrptDialogControl

KORVEL_CLASS_INFO(TrptDialogControl) {
    using C = TrptDialogControl;
    // A base: only the concrete classes have a control.
    b.Factory(nullptr);
    b.Prop("Left", &C::Left, &C::SetLeft).Type("Extended");
    b.Prop("Top", &C::Top, &C::SetTop).Type("Extended");
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended");
    b.Prop("Height", &C::Height, &C::SetHeight).Type("Extended");
    b.Prop("Font", &C::Font, &C::SetFont).Stored(&C::IsFontStored);
    b.Prop("GroupIndex", &C::GroupIndex, &C::SetGroupIndex).Default(0);
    b.Prop("ParentFont", &C::ParentFont, &C::SetParentFont).Default(true);
    b.Prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true);
    b.Prop("Hint", &C::Hint, &C::SetHint);
    b.Prop("ShowHint", &C::ShowHint, &C::SetShowHint).Default(false);
    b.Prop("Visible", &C::Visible, &C::SetVisible).Default(true);
}

TrptDialogControl::TrptDialogControl(TComponent* AOwner) : TrptReportComponent(AOwner) {
    SetBaseName(ControlBaseName(ClassName()));
}

TrptDialogControl::~TrptDialogControl() {
    FreeChildren();
    FControl.reset();
}

void TrptDialogControl::InitControl(std::unique_ptr<TControl> AControl) {
    FControl = std::move(AControl);
    // The class name is known only now: the base constructor saw its own.
    SetBaseName(ControlBaseName(ClassName()));
    TControl* c = FControl.get();
    c->SetBounds(Whole(Left()), Whole(Top()), Whole(Width()), Whole(Height()));
    c->SetVisible(Visible());
    c->SetFont(Font());
    c->SetParentFont(ParentFont());
    c->OnClick = [this](TObject*) { DoNotify(FOnClick); };
    c->OnDblClick = [this](TObject*) { DoNotify(FOnDblClick); };
    c->OnMouseDown = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        DoMouse(FOnMouseDown, Button, Shift, X, Y);
    };
    c->OnMouseUp = [this](TObject*, TMouseButton Button, TShiftState Shift, int X, int Y) {
        DoMouse(FOnMouseUp, Button, Shift, X, Y);
    };
    c->OnMouseMove = [this](TObject*, TShiftState Shift, int X, int Y) { DoMouseMove(Shift, X, Y); };
    if (auto* w = dynamic_cast<TWinControl*>(c)) {
        w->OnEnter = [this](TObject*) { DoNotify(FOnEnter); };
        w->OnExit = [this](TObject*) { DoNotify(FOnExit); };
        w->OnKeyDown = [this](TObject*, Word& Key, TShiftState Shift) { DoKey(FOnKeyDown, Key, Shift); };
        w->OnKeyUp = [this](TObject*, Word& Key, TShiftState Shift) { DoKey(FOnKeyUp, Key, Shift); };
        w->OnKeyPress = [this](TObject*, QChar& Key) { DoKeyPress(Key); };
    }
    PlaceControl();
}

void TrptDialogControl::PlaceControl() {
    if (!FControl) return;
    TWinControl* window = nullptr;
    if (auto* parent = dynamic_cast<TrptDialogControl*>(Parent()))
        window = dynamic_cast<TWinControl*>(parent->Control());
    else if (Parent() && Parent()->IsDialogPage())
        window = static_cast<TrptDialogPage*>(Parent())->DialogForm();
    if (!window) window = HiddenParentForm();
    FControl->SetParent(window);
}

void TrptDialogControl::SetParent(TrptComponent* Value) {
    TrptReportComponent::SetParent(Value);
    PlaceControl();
}

void TrptDialogControl::SetName(const QString& Value) {
    const QString old = Name();
    const bool follow = FControl && FControl->ControlStyle().Contains(csSetCaption) && !IsLoading() &&
                        FControl->Caption() == old;
    TrptReportComponent::SetName(Value);
    if (follow) FControl->SetCaption(Name());
}

void TrptDialogControl::SetLeft(double Value) {
    TrptReportComponent::SetLeft(Value);
    if (FControl) FControl->SetLeft(Whole(Left()));
}

void TrptDialogControl::SetTop(double Value) {
    TrptReportComponent::SetTop(Value);
    if (FControl) FControl->SetTop(Whole(Top()));
}

void TrptDialogControl::SetWidth(double Value) {
    TrptReportComponent::SetWidth(Value);
    if (FControl) FControl->SetWidth(Whole(Width()));
}

void TrptDialogControl::SetHeight(double Value) {
    TrptReportComponent::SetHeight(Value);
    if (FControl) FControl->SetHeight(Whole(Height()));
}

void TrptDialogControl::SetVisible(bool Value) {
    TrptReportComponent::SetVisible(Value);
    if (FControl) FControl->SetVisible(Value);
}

void TrptDialogControl::SetParentFont(bool Value) {
    TrptReportComponent::SetParentFont(Value);
    if (FControl) FControl->SetParentFont(Value);
}

void TrptDialogControl::FontChanged() {
    TrptReportComponent::FontChanged();
    if (!FControl) return;
    FControl->SetFont(Font());
    // Copying the font cuts the control's tie to its parent's; the object decides.
    FControl->SetParentFont(ParentFont());
}

QString TrptDialogControl::Caption() const {
    return FControl ? FControl->Caption() : QString();
}

void TrptDialogControl::SetCaption(const QString& Value) {
    if (FControl) FControl->SetCaption(Value);
}

TColor TrptDialogControl::Color() const {
    return FControl ? FControl->Color() : clBtnFace;
}

void TrptDialogControl::SetColor(TColor Value) {
    if (FControl) FControl->SetColor(Value);
}

bool TrptDialogControl::Enabled() const {
    return !FControl || FControl->Enabled();
}

void TrptDialogControl::SetEnabled(bool Value) {
    if (FControl) FControl->SetEnabled(Value);
}

QString TrptDialogControl::Hint() const {
    return FControl ? FControl->Hint() : QString();
}

void TrptDialogControl::SetHint(const QString& Value) {
    if (FControl) FControl->SetHint(Value);
}

bool TrptDialogControl::ShowHint() const {
    return FControl && FControl->ShowHint();
}

void TrptDialogControl::SetShowHint(bool Value) {
    if (FControl) FControl->SetShowHint(Value);
}

bool TrptDialogControl::TabStop() const {
    auto* w = dynamic_cast<TWinControl*>(FControl.get());
    return !w || w->TabStop();
}

void TrptDialogControl::SetTabStop(bool Value) {
    if (auto* w = dynamic_cast<TWinControl*>(FControl.get())) w->SetTabStop(Value);
}

void TrptDialogControl::SetFocus() {
    if (auto* w = dynamic_cast<TWinControl*>(FControl.get())) w->SetFocus();
}

void TrptDialogControl::DoNotify(const QString& Event) {
    if (Event.isEmpty()) return;
    if (TrptReport* report = Report()) report->DoNotifyEvent(this, Event, true);
}

void TrptDialogControl::DoKey(const QString& Event, Word& Key, TShiftState Shift) {
    TrptReport* report = Report();
    if (!report || Event.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(this), Variant(static_cast<int>(Key)),
                                 Variant(static_cast<int>(Shift.ToInt() & 0xFF))});
    report->DoParamEvent(Event, params, true);
    if (params.IsArray()) Key = static_cast<Word>(params.GetElement(1).ToInt());
}

void TrptDialogControl::DoKeyPress(QChar& Key) {
    TrptReport* report = Report();
    if (!report || FOnKeyPress.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(this), Variant(QString(Key))});
    report->DoParamEvent(FOnKeyPress, params, true);
    if (!params.IsArray()) return;
    const QString key = params.GetElement(1).ToString();
    // An emptied key is swallowed.
    Key = key.isEmpty() ? QChar() : key.at(0);
}

void TrptDialogControl::DoMouse(const QString& Event, TMouseButton Button, TShiftState Shift, int X, int Y) {
    TrptReport* report = Report();
    if (!report || Event.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(this), Variant(static_cast<int>(Button)),
                                 Variant(static_cast<int>(Shift.ToInt() & 0xFF)), Variant(X), Variant(Y)});
    report->DoParamEvent(Event, params, true);
}

void TrptDialogControl::DoMouseMove(TShiftState Shift, int X, int Y) {
    TrptReport* report = Report();
    if (!report || FOnMouseMove.isEmpty()) return;
    Variant params = VarArrayOf(
        {ObjectToVariant(this), Variant(static_cast<int>(Shift.ToInt() & 0xFF)), Variant(X), Variant(Y)});
    report->DoParamEvent(FOnMouseMove, params, true);
}

void TrptDialogControl::Draw(TCanvas* Canvas, double, double, double, double) {
    const int w = Whole(Width()), h = Whole(Height());
    if (!FControl || w <= 0 || h <= 0) return;
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(ColorToQColor(clBtnFace));
    QWidget* widget = FControl->Widget();
    if (widget->size() != QSize(w, h)) widget->resize(w, h);
    widget->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
    Canvas->Lock();
    try {
        const int x = Whole(AbsLeft()), y = Whole(AbsTop());
        Canvas->DrawImage(TRect(x, y, x + w, y + h), image, QRect(0, 0, w, h));
    } catch (...) {
        Canvas->Unlock();
        throw;
    }
    Canvas->Unlock();
}

// =============================================================================================
// Concrete controls

KORVEL_CLASS_INFO(TrptLabelControl) {
    using C = TrptLabelControl;
    b.Prop("Alignment", &C::Alignment, &C::SetAlignment).Default(taLeftJustify);
    b.Prop("AutoSize", &C::AutoSize, &C::SetAutoSize).Default(true);
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(false);
    PublishEvents<C>(b, false);
}

TrptLabelControl::TrptLabelControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    InitControl(std::make_unique<TLabel>(nullptr));
    SetWidth(40);
    SetHeight(13);
}

KORVEL_CLASS_INFO(TrptEditControl) {
    using C = TrptEditControl;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("MaxLength", &C::MaxLength, &C::SetMaxLength).Default(0);
    b.Prop("PasswordChar", &C::PasswordChar, &C::SetPasswordChar);
    b.Prop("ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    b.Prop("Text", &C::Text, &C::SetText);
    b.Prop("OnChange", &C::OnChange, &C::SetOnChange).Type(TrptNotifyEventTypeName);
    PublishEvents<C>(b, true);
}

TrptEditControl::TrptEditControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    auto edit = std::make_unique<TEdit>(nullptr);
    edit->OnChange = [this](TObject*) { DoNotify(FOnChange); };
    InitControl(std::move(edit));
    SetWidth(121);
    SetHeight(21);
}

QString TrptEditControl::PasswordChar() const {
    const QChar c = Edit()->PasswordChar();
    return c.isNull() ? QString() : QString(c);
}

void TrptEditControl::SetPasswordChar(const QString& Value) {
    Edit()->SetPasswordChar(Value.isEmpty() ? QChar() : Value.at(0));
}

KORVEL_CLASS_INFO(TrptMemoControl) {
    using C = TrptMemoControl;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("Lines", &C::Lines, &C::SetLines);
    b.Prop("MaxLength", &C::MaxLength, &C::SetMaxLength).Default(0);
    b.Prop("ReadOnly", &C::ReadOnly, &C::SetReadOnly).Default(false);
    b.Prop("ScrollBars", &C::ScrollBars, &C::SetScrollBars).Default(ssNone);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    b.Prop("WordWrap", &C::WordWrap, &C::SetWordWrap).Default(true);
    b.Prop("OnChange", &C::OnChange, &C::SetOnChange).Type(TrptNotifyEventTypeName);
    PublishEvents<C>(b, true);
}

TrptMemoControl::TrptMemoControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    auto memo = std::make_unique<TMemo>(nullptr);
    memo->OnChange = [this](TObject*) { DoNotify(FOnChange); };
    InitControl(std::move(memo));
    SetWidth(185);
    SetHeight(89);
}

KORVEL_CLASS_INFO(TrptButtonControl) {
    using C = TrptButtonControl;
    b.Prop("Cancel", &C::Cancel, &C::SetCancel).Default(false);
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Default", &C::Default, &C::SetDefault).Default(false);
    b.Prop("ModalResult", &C::ModalResult, &C::SetModalResult).Type("TModalResult").Default(0);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    PublishEvents<C>(b, true);
}

TrptButtonControl::TrptButtonControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    InitControl(std::make_unique<TButton>(nullptr));
    SetWidth(75);
    SetHeight(25);
}

void TrptButtonControl::UpdateFormButtons() {
    TCustomForm* form = GetParentForm(Button());
    if (!form || dynamic_cast<TParentForm*>(form)) return;
    if (Button()->Default()) form->SetDefaultButton(Button());
    else if (form->DefaultButton() == Button()) form->SetDefaultButton(nullptr);
    if (Button()->Cancel()) form->SetCancelButton(Button());
    else if (form->CancelButton() == Button()) form->SetCancelButton(nullptr);
}

void TrptButtonControl::SetCancel(bool Value) {
    Button()->SetCancel(Value);
    UpdateFormButtons();
}

void TrptButtonControl::SetDefault(bool Value) {
    Button()->SetDefault(Value);
    UpdateFormButtons();
}

void TrptButtonControl::SetParent(TrptComponent* Value) {
    // The form it leaves forgets it.
    if (TCustomForm* form = Control() ? GetParentForm(Control()) : nullptr) {
        if (form->DefaultButton() == Button()) form->SetDefaultButton(nullptr);
        if (form->CancelButton() == Button()) form->SetCancelButton(nullptr);
    }
    TrptDialogControl::SetParent(Value);
    if (Control()) UpdateFormButtons();
}

KORVEL_CLASS_INFO(TrptCheckBoxControl) {
    using C = TrptCheckBoxControl;
    b.Prop("Alignment", &C::Alignment, &C::SetAlignment).Default(taRightJustify);
    b.Prop("AllowGrayed", &C::AllowGrayed, &C::SetAllowGrayed).Default(false);
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Checked", &C::Checked, &C::SetChecked).Default(false);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("State", &C::State, &C::SetState).Default(cbUnchecked);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    PublishEvents<C>(b, true);
}

TrptCheckBoxControl::TrptCheckBoxControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    InitControl(std::make_unique<TCheckBox>(nullptr));
    SetWidth(97);
    SetHeight(17);
}

KORVEL_CLASS_INFO(TrptRadioButtonControl) {
    using C = TrptRadioButtonControl;
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Checked", &C::Checked, &C::SetChecked).Default(false);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    PublishEvents<C>(b, true);
}

TrptRadioButtonControl::TrptRadioButtonControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    InitControl(std::make_unique<TRadioButton>(nullptr));
    SetWidth(113);
    SetHeight(17);
}

KORVEL_CLASS_INFO(TrptComboBoxControl) {
    using C = TrptComboBoxControl;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("Sorted", &C::Sorted, &C::SetSorted).Default(false);
    b.Prop("Style", &C::Style, &C::SetStyle).Default(csDropDown);
    b.Prop("Items", &C::Items, &C::SetItems);
    b.Prop("ItemIndex", &C::ItemIndex, &C::SetItemIndex).Default(-1);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    b.Prop("Text", &C::Text, &C::SetText);
    b.Prop("OnChange", &C::OnChange, &C::SetOnChange).Type(TrptNotifyEventTypeName);
    PublishEvents<C>(b, true);
}

TrptComboBoxControl::TrptComboBoxControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    auto combo = std::make_unique<TComboBox>(nullptr);
    combo->OnChange = [this](TObject*) { DoNotify(FOnChange); };
    InitControl(std::move(combo));
    SetWidth(145);
    SetHeight(21);
}

void TrptComboBoxControl::SetItemIndex(int Value) {
    ComboBox()->SetItemIndex(Value >= 0 && Value < Items()->Count() ? Value : -1);
}

KORVEL_CLASS_INFO(TrptListBoxControl) {
    using C = TrptListBoxControl;
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    b.Prop("Sorted", &C::Sorted, &C::SetSorted).Default(false);
    b.Prop("Items", &C::Items, &C::SetItems);
    b.Prop("ItemIndex", &C::ItemIndex, &C::SetItemIndex).Default(-1);
    b.Prop("TabStop", &C::TabStop, &C::SetTabStop).Default(true);
    PublishEvents<C>(b, true);
}

TrptListBoxControl::TrptListBoxControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    InitControl(std::make_unique<TListBox>(nullptr));
    SetWidth(121);
    SetHeight(97);
}

void TrptListBoxControl::SetItemIndex(int Value) {
    ListBox()->SetItemIndex(Value >= 0 && Value < Items()->Count() ? Value : -1);
}

KORVEL_CLASS_INFO(TrptGroupBoxControl) {
    using C = TrptGroupBoxControl;
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor");
    PublishEvents<C>(b, true);
}

TrptGroupBoxControl::TrptGroupBoxControl(TComponent* AOwner) : TrptDialogControl(AOwner) {
    TrptComponentStyle style = rptComponentStyle();
    style.Include(csContainer);
    SetrptComponentStyle(style);
    InitControl(std::make_unique<TGroupBox>(nullptr));
    SetWidth(185);
    SetHeight(105);
}

std::vector<const TClassInfo*> DialogControlClasses() {
    return {TrptLabelControl::StaticClassInfo(),       TrptEditControl::StaticClassInfo(),
            TrptMemoControl::StaticClassInfo(),        TrptButtonControl::StaticClassInfo(),
            TrptCheckBoxControl::StaticClassInfo(),    TrptRadioButtonControl::StaticClassInfo(),
            TrptComboBoxControl::StaticClassInfo(),    TrptListBoxControl::StaticClassInfo(),
            TrptGroupBoxControl::StaticClassInfo()};
}
