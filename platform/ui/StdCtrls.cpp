#include "platform/ui/StdCtrls.h"

#include "platform/ui/ControlBridge.h"
#include "platform/ui/Forms.h"
#include "platform/ui/ImgList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTimer>

QString StripHotkey(const QString& caption) {
    QString out;
    out.reserve(caption.size());
    for (int i = 0; i < caption.size(); ++i) {
        if (caption[i] == QLatin1Char('&')) {
            if (i + 1 < caption.size() && caption[i + 1] == QLatin1Char('&')) {
                out += QLatin1Char('&');
                ++i;
            }
            continue;
        }
        out += caption[i];
    }
    return out;
}

QString QtCaption(const QString& caption) { return caption; }

void TControlStrings::Changed() {
    TStringList::Changed();
    if (FChanged) FChanged();
}

// =============================================================================================
// TCustomLabel

TCustomLabel::TCustomLabel(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 65;
    FHeight = 17;
    FControlStyle.Include(csReplicatable);
}

void TCustomLabel::SetAlignment(TAlignment value) {
    FAlignment = value;
    Invalidate();
}

void TCustomLabel::SetLayout(TTextLayout value) {
    FLayout = value;
    Invalidate();
}

void TCustomLabel::SetAutoSize(bool value) {
    FAutoSize = value;
    if (value) AdjustBounds();
}

void TCustomLabel::SetWordWrap(bool value) {
    FWordWrap = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::SetTransparent(bool value) {
    FTransparent = value;
    Invalidate();
}

void TCustomLabel::SetShowAccelChar(bool value) {
    FShowAccelChar = value;
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::TextChanged() {
    AdjustBounds();
    Invalidate();
}

void TCustomLabel::FontChanged() {
    TGraphicControl::FontChanged();
    AdjustBounds();
}

void TCustomLabel::AdjustBounds() {
    if (!FAutoSize) return;
    QImage probe(1, 1, QImage::Format_RGB32);
    TCanvas canvas(&probe);
    canvas.SetFont(*FFont);
    QString text = FText.isEmpty() ? QStringLiteral(" ") : FText;
    TRect r = Rect(0, 0, FWordWrap ? FWidth : 0, 0);
    unsigned flags = DT_CALCRECT | DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u);
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    canvas.DrawText(text, r, flags);
    canvas.ReleaseDevice();
    int left = FLeft;
    if (!FWordWrap && FAlignment == taRightJustify) left += FWidth - r.Width();
    if (!FWordWrap && FAlignment == taCenter) left += (FWidth - r.Width()) / 2;
    SetBounds(left, FTop, r.Width(), r.Height());
}

void TCustomLabel::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    if (!FTransparent) {
        c->Brush().SetColor(FColor);
        c->Brush().SetStyle(bsSolid);
        c->FillRect(r);
    }
    c->Brush().SetStyle(bsClear);
    unsigned flags = DT_EXPANDTABS | (FWordWrap ? DT_WORDBREAK : 0u);
    if (!FShowAccelChar) flags |= DT_NOPREFIX;
    if (FAlignment == taRightJustify) flags |= DT_RIGHT;
    if (FAlignment == taCenter) flags |= DT_CENTER;
    if (FLayout != tlTop) {
        TRect calc = r;
        c->DrawText(FText, calc, flags | DT_CALCRECT);
        const int dy = FLayout == tlBottom ? r.Height() - calc.Height()
                                            : (r.Height() - calc.Height()) / 2;
        r.Top += dy;
    }
    if (!FEnabled) {
        TRect shadow = r;
        OffsetRect(shadow, 1, 1);
        c->Font().SetColor(clBtnHighlight);
        c->DrawText(FText, shadow, flags);
        c->Font().SetColor(clBtnShadow);
        c->DrawText(FText, r, flags);
    } else {
        c->DrawText(FText, r, flags);
    }
}

// =============================================================================================
// Buttons

TButtonControl::TButtonControl(TComponent* AOwner) : TWinControl(AOwner) {
    FTabStop = true;
    // Native buttons report their own clicks.
    FControlStyle.Exclude(csClickEvents);
}

TButton::TButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 75;
    FHeight = 25;
}

std::unique_ptr<QWidget> TButton::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QPushButton>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setAutoDefault(false);
    QObject::connect(w.get(), &QPushButton::clicked, w.get(), [this] { Guarded([this] { Click(); }); });
    return w;
}

void TButton::InitWidget() {
    TButtonControl::InitWidget();
    static_cast<QPushButton*>(FWidget.data())->setDefault(FDefault);
    ApplyImage();
}

void TButton::SetImages(TCustomImageList* value) {
    if (FImages) FImages->RemoveFreeNotification(this);
    FImages = value;
    if (value) value->FreeNotification(this);
    ApplyImage();
}

void TButton::SetImageIndex(int value) {
    FImageIndex = value;
    ApplyImage();
}

void TButton::SetImageMarginLeft(int value) {
    FImageMarginLeft = value;
    ApplyImage();
}

void TButton::Notification(TComponent* AComponent, TOperation Operation) {
    TButtonControl::Notification(AComponent, Operation);
    if (Operation == opRemove && AComponent == FImages) {
        FImages = nullptr;
        ApplyImage();
    }
}

void TButton::ApplyImage() {
    if (!FWidget) return;
    auto* b = static_cast<QPushButton*>(FWidget.data());
    if (!FImages || FImageIndex < 0 || FImageIndex >= FImages->Count()) {
        b->setIcon(QIcon());
        return;
    }
    QIcon icon;
    icon.addPixmap(FImages->Pixmap(FImageIndex, true), QIcon::Normal);
    icon.addPixmap(FImages->Pixmap(FImageIndex, false), QIcon::Disabled);
    b->setIcon(icon);
    b->setIconSize(QSize(FImages->Width(), FImages->Height()));
}

void TButton::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget) static_cast<QPushButton*>(FWidget.data())->setText(QtCaption(value));
}

void TButton::SetDefault(bool value) {
    FDefault = value;
    if (FWidget) static_cast<QPushButton*>(FWidget.data())->setDefault(value);
}

void TButton::Click() {
    if (TCustomForm* form = GetParentForm(this)) form->SetModalResult(FModalResult);
    TButtonControl::Click();
}

// =============================================================================================
// TCustomEdit

TCustomEdit::TCustomEdit(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 121;
    FHeight = 21;
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FControlStyle.Exclude(csSetCaption);
}

QLineEdit* TCustomEdit::Line() const { return static_cast<QLineEdit*>(FWidget.data()); }

std::unique_ptr<QWidget> TCustomEdit::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QLineEdit>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w.get(), &QLineEdit::textChanged, w.get(), [this](const QString&) {
        if (FControlState.Contains(csCreating)) return;
        // Text set by the program is not a modification by the user.
        FModified = !FSettingText;
        Guarded([this] { Change(); });
    });
    return w;
}

void TCustomEdit::InitWidget() {
    TWinControl::InitWidget();
    QLineEdit* e = Line();
    e->setMaxLength(FMaxLength > 0 ? FMaxLength : 32767);
    e->setReadOnly(FReadOnly);
    SetPasswordChar(FPasswordChar);
    e->setFrame(true);
    SetAlignment(FAlignment);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, ColorToQColor(FColor));
    e->setPalette(pal);
}

void TCustomEdit::SetAlignment(TAlignment value) {
    FAlignment = value;
    if (!FWidget) return;
    Line()->setAlignment(value == taRightJustify ? Qt::AlignRight
                         : value == taCenter     ? Qt::AlignHCenter
                                                 : Qt::AlignLeft);
}

QString TCustomEdit::GetText() const { return FWidget ? Line()->text() : FText; }

void TCustomEdit::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget) {
        FSettingText = true;
        if (Line()->text() != value) Line()->setText(value);
        FSettingText = false;
    } else if (!FControlState.Contains(csCreating)) {
        FModified = false;
        Change();
    }
}

void TCustomEdit::SetMaxLength(int value) {
    FMaxLength = value;
    if (FWidget) Line()->setMaxLength(value > 0 ? value : 32767);
}

void TCustomEdit::SetPasswordChar(QChar value) {
    FPasswordChar = value;
    if (!FWidget) return;
    Line()->setEchoMode(value.isNull() ? QLineEdit::Normal : QLineEdit::Password);
    // The mask character the program chose, not the style's bullet.
    Line()->setStyleSheet(value.isNull() ? QString()
                                         : QStringLiteral("QLineEdit { lineedit-password-character: %1; }")
                                               .arg(value.unicode()));
}

void TCustomEdit::SetReadOnly(bool value) {
    FReadOnly = value;
    if (FWidget) Line()->setReadOnly(value);
}

bool TCustomEdit::Modified() const { return FModified; }
void TCustomEdit::SetModified(bool value) { FModified = value; }

int TCustomEdit::SelStart() const {
    if (!FWidget) return 0;
    return Line()->hasSelectedText() ? Line()->selectionStart() : Line()->cursorPosition();
}

void TCustomEdit::SetSelStart(int value) {
    if (FWidget) Line()->setCursorPosition(value);
}

int TCustomEdit::SelLength() const { return FWidget ? static_cast<int>(Line()->selectedText().size()) : 0; }

void TCustomEdit::SetSelLength(int value) {
    if (!FWidget) return;
    const int start = SelStart();
    Line()->setSelection(start, value);
}

QString TCustomEdit::SelText() const { return FWidget ? Line()->selectedText() : QString(); }

void TCustomEdit::SetSelText(const QString& value) {
    if (FWidget) Line()->insert(value);
}

void TCustomEdit::SelectAll() {
    if (FWidget) Line()->selectAll();
}

void TCustomEdit::KeyPress(QChar& Key) {
    TWinControl::KeyPress(Key);
    if (Key.isNull()) return;
    if (FCharCase == ecUpperCase) Key = Key.toUpper();
    if (FCharCase == ecLowerCase) Key = Key.toLower();
}

void TCustomEdit::FocusGained() {
    // Entering the edit selects its text, except by a click, which puts the cursor where it was
    // made; coming back to the window (the visit goes on) keeps what was selected.
    const bool select = !FEntered && FFocusReason != Qt::MouseFocusReason;
    if (FAutoSelect && select && FWidget) QTimer::singleShot(0, Line(), [e = QPointer<QLineEdit>(Line())] {
        if (e) e->selectAll();
    });
}

void TCustomEdit::Change() {
    if (OnChange) OnChange(this);
}

// =============================================================================================
// TCustomMemo

TCustomMemo::TCustomMemo(TComponent* AOwner)
    : TWinControl(AOwner), FLines(std::make_unique<TControlStrings>([this] { LinesChanged(); })) {
    FWidth = 185;
    FHeight = 89;
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
}

QPlainTextEdit* TCustomMemo::Editor() const { return static_cast<QPlainTextEdit*>(FWidget.data()); }

std::unique_ptr<QWidget> TCustomMemo::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QPlainTextEdit>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w.get(), &QPlainTextEdit::textChanged, w.get(), [this] {
        if (FControlState.Contains(csCreating)) return;
        WidgetTextChanged();
    });
    return w;
}

void TCustomMemo::InitWidget() {
    FSyncing = true;
    TWinControl::InitWidget();
    QPlainTextEdit* e = Editor();
    e->setPlainText(FLines->ToStringList().join(QLatin1Char('\n')));
    FSyncing = false;
    e->setReadOnly(FReadOnly);
    e->setTabChangesFocus(!FWantTabs);
    e->setLineWrapMode(FWordWrap ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    SetScrollBars(FScrollBars);
    QPalette pal = e->palette();
    pal.setColor(QPalette::Base, ColorToQColor(FColor));
    e->setPalette(pal);
}

void TCustomMemo::WidgetTextChanged() {
    if (FSyncing) return;
    FSyncing = true;
    QString t = Editor()->toPlainText();
    FLines->BeginUpdate();
    FLines->Clear();
    if (!t.isEmpty()) FLines->AddStrings(t.split(QLatin1Char('\n')));
    FLines->EndUpdate();
    FSyncing = false;
    FModified = true;
    Guarded([this] { Change(); });
}

void TCustomMemo::LinesChanged() {
    if (FSyncing) return;
    if (FWidget) {
        FSyncing = true;
        Editor()->setPlainText(FLines->ToStringList().join(QLatin1Char('\n')));
        FSyncing = false;
    }
    Change();
}

// The window's text: the lines with a line break between them, none after the last (Lines.Text
// ends every line with one).
QString TCustomMemo::GetText() const { return FLines->ToStringList().join(FLines->LineBreak()); }

void TCustomMemo::SetTextValue(const QString& value) {
    if (FControlState.Contains(csCreating)) return;
    FLines->SetText(value);
}

void TCustomMemo::SetReadOnly(bool value) {
    FReadOnly = value;
    if (FWidget) Editor()->setReadOnly(value);
}

void TCustomMemo::SetWordWrap(bool value) {
    FWordWrap = value;
    if (FWidget) Editor()->setLineWrapMode(value ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
}

void TCustomMemo::SetScrollBars(TScrollStyle value) {
    FScrollBars = value;
    if (!FWidget) return;
    const bool h = value == ssHorizontal || value == ssBoth;
    const bool v = value == ssVertical || value == ssBoth;
    Editor()->setHorizontalScrollBarPolicy(h ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
    Editor()->setVerticalScrollBarPolicy(v ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAlwaysOff);
}

void TCustomMemo::SelectAll() {
    if (FWidget) Editor()->selectAll();
}

int TCustomMemo::DialogCode() const {
    int code = DLGC_WANTARROWS | DLGC_WANTCHARS;
    if (FWantReturns) code |= DLGC_WANTALLKEYS;
    if (FWantTabs) code |= DLGC_WANTTAB;
    return code;
}

void TCustomMemo::Change() {
    if (OnChange) OnChange(this);
}

// =============================================================================================
// TCustomCheckBox

namespace {
class TCheckWidget : public QCheckBox {
public:
    std::function<void()> OnToggle;

protected:
    void nextCheckState() override {
        if (OnToggle) OnToggle();
    }
};
} // namespace

TCustomCheckBox::TCustomCheckBox(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 97;
    FHeight = 17;
}

std::unique_ptr<QWidget> TCustomCheckBox::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TCheckWidget>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    w->OnToggle = [this] { Guarded([this] { Toggle(); }); };
    return w;
}

void TCustomCheckBox::InitWidget() {
    TButtonControl::InitWidget();
    ApplyState();
}

void TCustomCheckBox::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget) static_cast<QCheckBox*>(FWidget.data())->setText(QtCaption(value));
}

void TCustomCheckBox::ApplyState() {
    if (!FWidget) return;
    auto* cb = static_cast<QCheckBox*>(FWidget.data());
    const QSignalBlocker block(cb);
    cb->setTristate(FAllowGrayed || FState == cbGrayed);
    cb->setCheckState(FState == cbChecked   ? Qt::Checked
                      : FState == cbGrayed ? Qt::PartiallyChecked
                                           : Qt::Unchecked);
}

void TCustomCheckBox::SetState(TCheckBoxState value) {
    if (value == FState) return;
    FState = value;
    ApplyState();
    Click();
}

void TCustomCheckBox::SetAllowGrayed(bool value) {
    FAllowGrayed = value;
    ApplyState();
}

void TCustomCheckBox::Toggle() {
    switch (FState) {
    case cbUnchecked: SetState(FAllowGrayed ? cbGrayed : cbChecked); break;
    case cbChecked: SetState(cbUnchecked); break;
    case cbGrayed: SetState(cbChecked); break;
    }
}

// =============================================================================================
// TRadioButton

TRadioButton::TRadioButton(TComponent* AOwner) : TButtonControl(AOwner) {
    FWidth = 113;
    FHeight = 17;
}

std::unique_ptr<QWidget> TRadioButton::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QRadioButton>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setAutoExclusive(false);
    QObject::connect(w.get(), &QRadioButton::clicked, w.get(), [this](bool) {
        Guarded([this] {
            if (!FChecked)
                SetChecked(true);
            else if (FWidget)
                static_cast<QRadioButton*>(FWidget.data())->setChecked(true);
        });
    });
    return w;
}

void TRadioButton::InitWidget() {
    TButtonControl::InitWidget();
    auto* rb = static_cast<QRadioButton*>(FWidget.data());
    const QSignalBlocker block(rb);
    rb->setChecked(FChecked);
}

void TRadioButton::SetTextValue(const QString& value) {
    FText = value;
    if (FWidget) static_cast<QRadioButton*>(FWidget.data())->setText(QtCaption(value));
}

void TRadioButton::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    if (FWidget) {
        auto* rb = static_cast<QRadioButton*>(FWidget.data());
        const QSignalBlocker block(rb);
        rb->setChecked(value);
    }
    if (value) {
        if (FParent && FParent->GroupsRadioButtons())
            for (int i = 0; i < FParent->ControlCount(); ++i)
                if (auto* other = dynamic_cast<TRadioButton*>(FParent->Controls(i)); other && other != this)
                    other->SetChecked(false);
        Click();
    }
}

// =============================================================================================
// TCustomComboBox

TCustomComboBox::TCustomComboBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TControlStrings>([this] { ItemsChanged(); })) {
    FWidth = 145;
    FHeight = 21;
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
}

QComboBox* TCustomComboBox::Combo() const { return static_cast<QComboBox*>(FWidget.data()); }

std::unique_ptr<QWidget> TCustomComboBox::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QComboBox>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w.get(), qOverload<int>(&QComboBox::activated), w.get(), [this](int index) {
        if (FSyncing) return;
        FItemIndex = index;
        Guarded([this] {
            Select();
            Change();
        });
    });
    QObject::connect(w.get(), &QComboBox::editTextChanged, w.get(), [this](const QString& t) {
        if (FSyncing || FControlState.Contains(csCreating)) return;
        FText = t;
        const int i = Combo()->findText(t, Qt::MatchExactly);
        FItemIndex = i;
        if (Combo()->view() && Combo()->view()->isVisible()) return;
        Guarded([this] { Change(); });
    });
    return w;
}

void TCustomComboBox::InitWidget() {
    TWinControl::InitWidget();
    QComboBox* c = Combo();
    c->setEditable(FStyle == csDropDown || FStyle == csSimple);
    c->setMaxVisibleItems(FDropDownCount > 0 ? FDropDownCount : 8);
    FItemsDirty = true;
    SyncItems();
}

void TCustomComboBox::SyncItems() const {
    if (!FWidget) return;
    QComboBox* c = Combo();
    if (FItemsDirty) {
        FSyncing = true;
        const QSignalBlocker block(c);
        c->clear();
        c->addItems(FItems->ToStringList());
        FItemsDirty = false;
        FSyncing = false;
    }
    FSyncing = true;
    const QSignalBlocker block(c);
    c->setCurrentIndex(FItemIndex);
    if (c->isEditable() && FItemIndex < 0) c->setEditText(FText);
    FSyncing = false;
}

void TCustomComboBox::ItemsChanged() {
    if (FSorted && !FItems->Sorted()) FItems->SetSorted(true);
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
    FItemsDirty = true;
    SyncItems();
}

int TCustomComboBox::ItemIndex() const { return FItemIndex < FItems->Count() ? FItemIndex : -1; }

void TCustomComboBox::SetItemIndex(int value) {
    if (value < -1 || value >= FItems->Count()) value = -1;
    FItemIndex = value;
    FText = value >= 0 ? FItems->Get(value) : (FStyle == csDropDownList ? QString() : FText);
    if (value < 0 && FStyle == csDropDownList) FText.clear();
    SyncItems();
}

void TCustomComboBox::SetStyle(TComboBoxStyle value) {
    FStyle = value;
    if (FWidget) {
        Combo()->setEditable(value == csDropDown || value == csSimple);
        SyncItems();
    }
}

void TCustomComboBox::SetDropDownCount(int value) {
    FDropDownCount = value;
    if (FWidget) Combo()->setMaxVisibleItems(value > 0 ? value : 8);
}

void TCustomComboBox::SetSorted(bool value) {
    FSorted = value;
    FItems->SetSorted(value);
}

bool TCustomComboBox::DroppedDown() const { return FWidget && Combo()->view() && Combo()->view()->isVisible(); }

void TCustomComboBox::SetDroppedDown(bool value) {
    if (!FWidget) return;
    if (value)
        Combo()->showPopup();
    else
        Combo()->hidePopup();
}

void TCustomComboBox::Clear() {
    FItems->Clear();
    FItemIndex = -1;
    FText.clear();
    SyncItems();
}

QString TCustomComboBox::GetText() const {
    if (FItemIndex >= 0 && FItemIndex < FItems->Count()) return FItems->Get(FItemIndex);
    if (FWidget && Combo()->isEditable()) return Combo()->currentText();
    return FStyle == csDropDownList ? QString() : FText;
}

void TCustomComboBox::SetTextValue(const QString& value) {
    if (FControlState.Contains(csCreating)) return;
    const int i = FItems->IndexOf(value);
    if (FStyle == csDropDownList) {
        if (i >= 0) SetItemIndex(i);
        return;
    }
    FText = value;
    FItemIndex = i;
    SyncItems();
}

void TCustomComboBox::Change() {
    if (OnChange) OnChange(this);
}

void TCustomComboBox::Select() {
    if (OnSelect) OnSelect(this);
}

// =============================================================================================
// TCustomListBox

TCustomListBox::TCustomListBox(TComponent* AOwner)
    : TWinControl(AOwner), FItems(std::make_unique<TControlStrings>([this] { ItemsChanged(); })) {
    FWidth = 121;
    FHeight = 97;
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FControlStyle.Exclude(csClickEvents);
}

QListWidget* TCustomListBox::List() const { return static_cast<QListWidget*>(FWidget.data()); }

std::unique_ptr<QWidget> TCustomListBox::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QListWidget>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    QObject::connect(w.get(), &QListWidget::currentRowChanged, w.get(), [this](int row) {
        if (FSyncing) return;
        FItemIndex = row;
        Guarded([this] { Click(); });
    });
    return w;
}

void TCustomListBox::InitWidget() {
    TWinControl::InitWidget();
    List()->setSelectionMode(FMultiSelect ? QAbstractItemView::ExtendedSelection
                                          : QAbstractItemView::SingleSelection);
    FItemsDirty = true;
    SyncItems();
}

void TCustomListBox::SyncItems() const {
    if (!FWidget) return;
    QListWidget* l = List();
    FSyncing = true;
    if (FItemsDirty) {
        l->clear();
        l->addItems(FItems->ToStringList());
        FItemsDirty = false;
    }
    l->setCurrentRow(FItemIndex);
    FSyncing = false;
}

void TCustomListBox::ItemsChanged() {
    if (FSorted && !FItems->Sorted()) FItems->SetSorted(true);
    if (FItemIndex >= FItems->Count()) FItemIndex = -1;
    FItemsDirty = true;
    SyncItems();
}

int TCustomListBox::ItemIndex() const { return FItemIndex < FItems->Count() ? FItemIndex : -1; }

void TCustomListBox::SetItemIndex(int value) {
    if (value < -1 || value >= FItems->Count()) value = -1;
    FItemIndex = value;
    SyncItems();
}

void TCustomListBox::SetMultiSelect(bool value) {
    FMultiSelect = value;
    if (FWidget)
        List()->setSelectionMode(value ? QAbstractItemView::ExtendedSelection
                                       : QAbstractItemView::SingleSelection);
}

bool TCustomListBox::Selected(int index) const {
    if (index < 0 || index >= FItems->Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    SyncItems();
    if (!FWidget) return index == FItemIndex;
    return List()->item(index)->isSelected();
}

void TCustomListBox::SetSelected(int index, bool value) {
    if (index < 0 || index >= FItems->Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    const_cast<TCustomListBox*>(this)->HandleNeeded();
    SyncItems();
    List()->item(index)->setSelected(value);
}

int TCustomListBox::SelCount() const {
    if (!FWidget) return FItemIndex >= 0 ? 1 : 0;
    return static_cast<int>(List()->selectedItems().size());
}

void TCustomListBox::SetSorted(bool value) {
    FSorted = value;
    FItems->SetSorted(value);
}

int TCustomListBox::TopIndex() const {
    if (!FWidget) return 0;
    QListWidgetItem* item = List()->itemAt(0, 0);
    return item ? List()->row(item) : 0;
}

void TCustomListBox::SetTopIndex(int value) {
    if (!FWidget || value < 0 || value >= FItems->Count()) return;
    List()->scrollToItem(List()->item(value), QAbstractItemView::PositionAtTop);
}

// =============================================================================================
// TCustomGroupBox

TCustomGroupBox::TCustomGroupBox(TComponent* AOwner) : TCustomControl(AOwner) {
    FWidth = 185;
    FHeight = 105;
    FControlStyle = TControlStyle{csAcceptsControls, csCaptureMouse, csClickEvents, csSetCaption,
                                  csDoubleClicks, csReplicatable, csParentBackground};
}

void TCustomGroupBox::AdjustClientRect(TRect& r) const {
    const int h = std::abs(FFont->Height()) + 4;
    r.Top += h;
    InflateRect(r, -1, -1);
}

void TCustomGroupBox::TextChanged() {
    Invalidate();
    Realign();
}

void TCustomGroupBox::Paint() {
    TCanvas* c = Canvas();
    const TRect r = ClientRect();
    c->Brush().SetColor(FColor);
    c->Brush().SetStyle(bsSolid);
    c->FillRect(r);
    c->SetFont(*FFont);
    const int h = c->TextHeight(QStringLiteral("0"));
    TRect frame = Rect(0, h / 2, r.Width(), r.Height());
    // The etched frame: shadow then highlight, one pixel apart.
    c->Brush().SetStyle(bsClear);
    c->Pen().SetColor(clBtnShadow);
    c->Rectangle(frame.Left, frame.Top, frame.Right - 1, frame.Bottom - 1);
    c->Pen().SetColor(clBtnHighlight);
    c->Rectangle(frame.Left + 1, frame.Top + 1, frame.Right, frame.Bottom);
    if (!FText.isEmpty()) {
        TRect tr = Rect(8, 0, 0, h);
        c->DrawText(FText, tr, DT_CALCRECT | DT_SINGLELINE);
        tr.Right += 4;
        c->Brush().SetColor(FColor);
        c->Brush().SetStyle(bsSolid);
        c->FillRect(Rect(tr.Left - 2, tr.Top, tr.Right, tr.Bottom));
        c->Brush().SetStyle(bsClear);
        c->DrawText(FText, tr, DT_SINGLELINE);
    }
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TCustomLabel) {}
KORVEL_CLASS_INFO(TLabel) {
    b.Prop("Alignment", &TLabel::Alignment, &TLabel::SetAlignment).Default(taLeftJustify);
    b.Prop("Layout", &TLabel::Layout, &TLabel::SetLayout).Default(tlTop);
    b.Prop("AutoSize", &TLabel::AutoSize, &TLabel::SetAutoSize).Default(true);
    b.Prop("WordWrap", &TLabel::WordWrap, &TLabel::SetWordWrap).Default(false);
    b.Prop("Transparent", &TLabel::Transparent, &TLabel::SetTransparent).Default(false);
    b.Prop("ShowAccelChar", &TLabel::ShowAccelChar, &TLabel::SetShowAccelChar).Default(true);
    b.Prop("FocusControl", &TLabel::FocusControl, &TLabel::SetFocusControl);
}
KORVEL_CLASS_INFO(TButtonControl) {}
KORVEL_CLASS_INFO(TButton) {
    b.Prop("Images", &TButton::Images, &TButton::SetImages);
    b.Prop("ImageIndex", &TButton::ImageIndex, &TButton::SetImageIndex).Default(-1);
    b.Prop("Default", &TButton::Default, &TButton::SetDefault).Default(false);
    b.Prop("Cancel", &TButton::Cancel, &TButton::SetCancel).Default(false);
    b.Prop("ModalResult", &TButton::ModalResult, &TButton::SetModalResult).Type("TModalResult").Default(0);
}
KORVEL_CLASS_INFO(TCustomEdit) {}
KORVEL_CLASS_INFO(TEdit) {
    b.Prop("MaxLength", &TEdit::MaxLength, &TEdit::SetMaxLength).Default(0);
    b.Prop("PasswordChar", &TEdit::PasswordChar, &TEdit::SetPasswordChar);
    b.Prop("ReadOnly", &TEdit::ReadOnly, &TEdit::SetReadOnly).Default(false);
    b.Prop("CharCase", &TEdit::CharCase, &TEdit::SetCharCase).Default(ecNormal);
    b.Prop("AutoSelect", &TEdit::AutoSelect, &TEdit::SetAutoSelect).Default(true);
    b.Prop("Modified", &TEdit::Modified, &TEdit::SetModified).Stored(false);
    b.Event("OnChange", &TEdit::OnChange, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TCustomMemo) {}
KORVEL_CLASS_INFO(TMemo) {
    b.Prop("Lines", &TMemo::Lines, &TMemo::SetLines);
    b.Prop("ReadOnly", &TMemo::ReadOnly, &TMemo::SetReadOnly).Default(false);
    b.Prop("WordWrap", &TMemo::WordWrap, &TMemo::SetWordWrap).Default(true);
    b.Prop("WantReturns", &TMemo::WantReturns, &TMemo::SetWantReturns).Default(true);
    b.Prop("WantTabs", &TMemo::WantTabs, &TMemo::SetWantTabs).Default(false);
    b.Prop("ScrollBars", &TMemo::ScrollBars, &TMemo::SetScrollBars).Default(ssNone);
    b.Prop("MaxLength", &TMemo::MaxLength, &TMemo::SetMaxLength).Default(0);
    b.Event("OnChange", &TMemo::OnChange, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TCustomCheckBox) {}
KORVEL_CLASS_INFO(TCheckBox) {
    b.Prop("AllowGrayed", &TCheckBox::AllowGrayed, &TCheckBox::SetAllowGrayed).Default(false);
    b.Prop("State", &TCheckBox::State, &TCheckBox::SetState).Default(cbUnchecked);
    b.Prop("Checked", &TCheckBox::Checked, &TCheckBox::SetChecked).Stored(false);
    b.Prop("Alignment", &TCheckBox::Alignment, &TCheckBox::SetAlignment).Default(taRightJustify);
}
KORVEL_CLASS_INFO(TRadioButton) {
    b.Prop("Checked", &TRadioButton::Checked, &TRadioButton::SetChecked).Default(false);
}
KORVEL_CLASS_INFO(TCustomComboBox) {}
KORVEL_CLASS_INFO(TComboBox) {
    b.Prop("Style", &TComboBox::Style, &TComboBox::SetStyle).Default(csDropDown);
    b.Prop("Items", &TComboBox::Items, &TComboBox::SetItems);
    b.Prop("ItemIndex", &TComboBox::ItemIndex, &TComboBox::SetItemIndex).Default(-1);
    b.Prop("DropDownCount", &TComboBox::DropDownCount, &TComboBox::SetDropDownCount).Default(8);
    b.Prop("Sorted", &TComboBox::Sorted, &TComboBox::SetSorted).Default(false);
    b.Prop("MaxLength", &TComboBox::MaxLength, &TComboBox::SetMaxLength).Default(0);
    b.Event("OnChange", &TComboBox::OnChange, "TNotifyEvent");
    b.Event("OnSelect", &TComboBox::OnSelect, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TCustomListBox) {}
KORVEL_CLASS_INFO(TListBox) {
    b.Prop("Items", &TListBox::Items, &TListBox::SetItems);
    b.Prop("ItemIndex", &TListBox::ItemIndex, &TListBox::SetItemIndex).Default(-1);
    b.Prop("MultiSelect", &TListBox::MultiSelect, &TListBox::SetMultiSelect).Default(false);
    b.Prop("Sorted", &TListBox::Sorted, &TListBox::SetSorted).Default(false);
}
KORVEL_CLASS_INFO(TCustomGroupBox) {}
KORVEL_CLASS_INFO(TGroupBox) {}
