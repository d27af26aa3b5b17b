#include "report/core/rptDialogPage.h"

#include "platform/rtl/SysUtils.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDialogControls.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptRes.h"
#include "report/core/rptRunControl.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTimer>
#include <QWidget>

#include <mutex>

namespace {

// The Tag a page lends its window while the window is made: the report prepares outside the
// GUI thread.
constexpr int ThreadSafeTag = 318;

int Whole(double Value) {
    return static_cast<int>(Round(Value));
}

} // namespace

// =============================================================================================
// TrptDialogForm

KORVEL_CLASS_INFO(TrptDialogForm) {
    b.Factory(nullptr);
}

TrptDialogForm::TrptDialogForm(TComponent* AOwner)
    : TForm(nullptr), FThreadSafe(AOwner && AOwner->Tag() == ThreadSafeTag) {
    if (FThreadSafe) return;
    // The window as it is designed: small, blank caption, key preview, and closing refused
    // until a page hooks its own close query.
    SetBounds(200, 108, 115, 59);
    SetClientWidth(115);
    SetClientHeight(59);
    SetCaption(QStringLiteral(" "));
    SetColor(clBtnFace);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetHeight(-11);
    SetKeyPreview(true);
    OnCloseQuery = [](TObject*, bool& CanClose) { CanClose = false; };
}

TrptDialogForm::~TrptDialogForm() = default;

bool TrptDialogForm::WidgetEvent(QEvent* e) {
    const bool handled = TForm::WidgetEvent(e);
    // X11 tells nobody when the user lets go of a window he drags or sizes: the move is over
    // when the window has stayed still for a moment.
    switch (e->type()) {
    case QEvent::Move:
    case QEvent::Resize:
        if (FWidget && FWidget->isVisible()) {
            if (!FSettle) {
                FSettle = std::make_unique<QTimer>();
                FSettle->setSingleShot(true);
                QObject::connect(FSettle.get(), &QTimer::timeout, [this] { Settled(); });
            }
            FSettle->start(ModifySettleMs);
        }
        break;
    case QEvent::Hide:
        // A window closed in the middle of a move still reports where it ended.
        if (FSettle && FSettle->isActive()) {
            FSettle->stop();
            Settled();
        }
        break;
    default:
        break;
    }
    return handled;
}

void TrptDialogForm::Settled() {
    if (OnModify) OnModify(this);
}

// =============================================================================================
// The hidden parent form

namespace {

std::unique_ptr<TParentForm>& HiddenFormSlot() {
    static std::unique_ptr<TParentForm> form;
    return form;
}

void FreeHiddenParentForm() {
    ReleaseParentFormControls();
    HiddenFormSlot().reset();
}

} // namespace

KORVEL_CLASS_INFO(TParentForm) {
    b.Factory(nullptr);
}

TParentForm* HiddenParentForm() {
    auto& form = HiddenFormSlot();
    if (!form) {
        form = std::make_unique<TParentForm>(nullptr);
        form->SetName(QStringLiteral("rptHiddenParentForm"));
        // Its widgets must go before the application that made them.
        if (QCoreApplication::instance()) qAddPostRoutine(FreeHiddenParentForm);
    }
    return form.get();
}

void ReleaseParentFormControls() {
    TParentForm* form = HiddenFormSlot().get();
    if (!form) return;
    while (form->ControlCount() > 0)
        form->Controls(0)->SetParent(nullptr);
}

// =============================================================================================
// TrptDialogPage

KORVEL_CLASS_INFO(TrptDialogPage) {
    using C = TrptDialogPage;
    b.Prop("BorderStyle", &C::BorderStyle, &C::SetBorderStyle).Default(bsSizeable);
    b.Prop("Caption", &C::Caption, &C::SetCaption);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clBtnFace);
    b.Prop("Left", &C::Left, &C::SetLeft).Type("Extended");
    b.Prop("Top", &C::Top, &C::SetTop).Type("Extended");
    b.Prop("Width", &C::Width, &C::SetWidth).Type("Extended");
    b.Prop("Height", &C::Height, &C::SetHeight).Type("Extended");
    b.Prop("ClientWidth", &C::ClientWidth, &C::SetClientWidth).Type("Extended").Default(0.0);
    b.Prop("ClientHeight", &C::ClientHeight, &C::SetClientHeight).Type("Extended").Default(0.0);
    b.Prop("Position", &C::Position, &C::SetPosition).Default(poScreenCenter);
    b.Prop("WindowState", &C::WindowState, &C::SetWindowState).Default(wsNormal);
    b.Prop("OnActivate", &C::OnActivate, &C::SetOnActivate).Type(TrptNotifyEventTypeName);
    b.Prop("OnClick", &C::OnClick, &C::SetOnClick).Type(TrptNotifyEventTypeName);
    b.Prop("OnDeactivate", &C::OnDeactivate, &C::SetOnDeactivate).Type(TrptNotifyEventTypeName);
    b.Prop("OnHide", &C::OnHide, &C::SetOnHide).Type(TrptNotifyEventTypeName);
    b.Prop("OnShow", &C::OnShow, &C::SetOnShow).Type(TrptNotifyEventTypeName);
    b.Prop("OnResize", &C::OnResize, &C::SetOnResize).Type(TrptNotifyEventTypeName);
    b.Prop("OnKeyDown", &C::OnKeyDown, &C::SetOnKeyDown).Type(TrptKeyEventTypeName);
    b.Prop("OnKeyUp", &C::OnKeyUp, &C::SetOnKeyUp).Type(TrptKeyEventTypeName);
    b.Prop("OnKeyPress", &C::OnKeyPress, &C::SetOnKeyPress).Type(TrptKeyPressEventTypeName);
    b.Prop("OnCloseQuery", &C::OnCloseQuery, &C::SetOnCloseQuery).Type(TrptCloseQueryEventTypeName);
}

TrptDialogPage::TrptDialogPage(TComponent* AOwner) : TrptPage(AOwner) {
    // The window reads the Tag while it is made; the page's own Tag comes back afterwards.
    const int tag = Tag();
    TrptReport* report = Report();
    SetTag(report && report->EngineOptions()->EnableThreadSafe() ? ThreadSafeTag : 0);
    FForm = std::make_unique<TrptDialogForm>(this);
    SetTag(tag);
    FForm->SetName(QStringLiteral("rptDialogForm"));
    FForm->SetKeyPreview(true);
    Font()->SetName(QStringLiteral("Tahoma"));
    Font()->SetSize(8);
    FForm->SetColor(FColor);
    FForm->SetShowHint(true);
    FForm->SetFont(Font());
    UpdateBounds();
}

TrptDialogPage::~TrptDialogPage() {
    std::lock_guard<std::recursive_mutex> lock(ReportLoadLock());
    // The controls leave the window before it goes.
    FreeChildren();
    FForm.reset();
}

QString TrptDialogPage::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obDlgPage"));
}

void TrptDialogPage::SetLeft(double Value) {
    TrptPage::SetLeft(Value);
    if (FForm) FForm->SetLeft(Whole(Left()));
}

void TrptDialogPage::SetTop(double Value) {
    TrptPage::SetTop(Value);
    if (FForm) FForm->SetTop(Whole(Top()));
}

void TrptDialogPage::SetWidth(double Value) {
    TrptPage::SetWidth(Value);
    if (FForm && !(IsLoading() && FClientWidth != 0)) FForm->SetWidth(Whole(Width()));
}

void TrptDialogPage::SetHeight(double Value) {
    TrptPage::SetHeight(Value);
    if (FForm && !(IsLoading() && FClientHeight != 0)) FForm->SetHeight(Whole(Height()));
}

double TrptDialogPage::ClientWidth() const {
    return FForm ? FForm->ClientWidth() : FClientWidth;
}

void TrptDialogPage::SetClientWidth(double Value) {
    FClientWidth = Value;
    if (!FForm) return;
    FForm->SetClientWidth(Whole(Value));
    TrptPage::SetWidth(FForm->Width());
}

double TrptDialogPage::ClientHeight() const {
    return FForm ? FForm->ClientHeight() : FClientHeight;
}

void TrptDialogPage::SetClientHeight(double Value) {
    FClientHeight = Value;
    if (!FForm) return;
    FForm->SetClientHeight(Whole(Value));
    TrptPage::SetHeight(FForm->Height());
}

void TrptDialogPage::SetCaption(const QString& Value) {
    FCaption = Value;
    FForm->SetCaption(Value);
}

void TrptDialogPage::SetColor(TColor Value) {
    FColor = Value;
    FForm->SetColor(Value);
}

TModalResult TrptDialogPage::ModalResult() const {
    return FForm->ModalResult();
}

void TrptDialogPage::SetModalResult(TModalResult Value) {
    FForm->SetModalResult(Value);
}

void TrptDialogPage::FontChanged() {
    TrptPage::FontChanged();
    if (FForm) FForm->SetFont(Font());
}

void TrptDialogPage::UpdateBounds() {
    TrptPage::SetLeft(FForm->Left());
    TrptPage::SetTop(FForm->Top());
    TrptPage::SetWidth(FForm->Width());
    TrptPage::SetHeight(FForm->Height());
}

void TrptDialogPage::Notify(const QString& Event, TObject* Sender) {
    if (TrptReport* report = Report()) report->DoNotifyEvent(Sender, Event, true);
}

void TrptDialogPage::DoActivate(TObject* Sender) {
    UpdateBounds();
    Notify(FOnActivate, Sender);
    for (TrptComponent* c : AllObjects())
        if (auto* control = dynamic_cast<TrptDialogControl*>(c); control && control->OnActivate)
            control->OnActivate(this);
}

void TrptDialogPage::DoCloseQuery(TObject* Sender, bool& CanClose) {
    TrptReport* report = Report();
    if (!report || FOnCloseQuery.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(Sender), Variant(CanClose)});
    report->DoParamEvent(FOnCloseQuery, params, true);
    if (params.IsArray()) CanClose = params.GetElement(1).ToBool();
}

void TrptDialogPage::DoKey(const QString& Event, TObject* Sender, Word& Key, TShiftState Shift) {
    TrptReport* report = Report();
    if (!report || Event.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(Sender), Variant(static_cast<int>(Key)),
                                 Variant(static_cast<int>(Shift.ToInt() & 0xFF))});
    report->DoParamEvent(Event, params, true);
    if (params.IsArray()) Key = static_cast<Word>(params.GetElement(1).ToInt());
}

void TrptDialogPage::DoKeyPress(TObject* Sender, QChar& Key) {
    TrptReport* report = Report();
    if (!report || FOnKeyPress.isEmpty()) return;
    Variant params = VarArrayOf({ObjectToVariant(Sender), Variant(QString(Key))});
    report->DoParamEvent(FOnKeyPress, params, true);
    if (!params.IsArray()) return;
    const QString key = params.GetElement(1).ToString();
    // An emptied key is swallowed.
    Key = key.isEmpty() ? QChar() : key.at(0);
}

void TrptDialogPage::Initialize() {
    if (FForm->Visible()) FForm->Hide();
    FForm->SetPosition(FPosition);
    FForm->SetWindowState(FWindowState);
    FForm->OnActivate = [this](TObject* Sender) { DoActivate(Sender); };
    FForm->OnClick = [this](TObject* Sender) { Notify(FOnClick, Sender); };
    FForm->OnCloseQuery = [this](TObject* Sender, bool& CanClose) { DoCloseQuery(Sender, CanClose); };
    FForm->OnDeactivate = [this](TObject* Sender) { Notify(FOnDeactivate, Sender); };
    FForm->OnHide = [this](TObject* Sender) { Notify(FOnHide, Sender); };
    FForm->OnKeyDown = [this](TObject* Sender, Word& Key, TShiftState Shift) { DoKey(FOnKeyDown, Sender, Key, Shift); };
    FForm->OnKeyPress = [this](TObject* Sender, QChar& Key) { DoKeyPress(Sender, Key); };
    FForm->OnKeyUp = [this](TObject* Sender, Word& Key, TShiftState Shift) { DoKey(FOnKeyUp, Sender, Key, Shift); };
    FForm->OnShow = [this](TObject* Sender) { Notify(FOnShow, Sender); };
    FForm->OnResize = [this](TObject* Sender) { Notify(FOnResize, Sender); };
    FForm->OnMouseMove = [this](TObject*, TShiftState, int, int) {
        if (TrptReport* report = Report()) SetReportProgressMessage(report, QString(), true);
    };
}

TModalResult TrptDialogPage::ShowModal() {
    Initialize();
    FForm->SetBorderStyle(FBorderStyle);
    FForm->SetFormStyle(fsNormal);
    FForm->OnModify = [this](TObject*) { UpdateBounds(); };
    // With nobody to answer, the window is answered by its controls as they stand.
    FForm->SetUnattendedResult(mrOk);
    TModalResult result = mrNone;
    try {
        result = FForm->ShowModal();
    } catch (...) {
        FForm->SetFormStyle(fsStayOnTop);
        throw;
    }
    FForm->SetFormStyle(fsStayOnTop);
    return result;
}

// =============================================================================================

void RegisterDialogClasses() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterPageClasses();
        RegisterClasses({TrptDialogPage::StaticClassInfo(), TrptDialogControl::StaticClassInfo()});
        for (const TClassInfo* cls : DialogControlClasses())
            RegisterClass(cls);
    });
}

void RegisterDialogObjects() {
    RegisterDialogClasses();
    for (const TClassInfo* cls : DialogControlClasses())
        ObjectRegistry()->RegisterObject1(cls, nullptr, QString(), QString(), 0, -1, TrptObjectCategories{ctDialog});
}
