#include "platform/ui/ComCtrls.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/ControlBridge.h"
#include "platform/ui/Forms.h"

#include <QCalendarWidget>
#include <QCheckBox>
#include <QDateTimeEdit>
#include <QEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QTabBar>

#include <algorithm>
#include <cmath>

QDateTime DateTimeToQDateTime(TDateTime value) {
    quint16 y, m, d, h, n, s, ms;
    DecodeDateTime(value, y, m, d, h, n, s, ms);
    return QDateTime(QDate(y, m, d), QTime(h, n, s, ms));
}

TDateTime QDateTimeToDateTime(const QDateTime& value) {
    const QDate d = value.date();
    const QTime t = value.time();
    return EncodeDateTime(d.year(), d.month(), d.day(), t.hour(), t.minute(), t.second(), t.msec());
}

QString DateTimeFormatToQt(const QString& f) {
    // Letters: d dd ddd dddd, m/mm (month, or minutes after h), yy yyyy, h hh, n nn, s ss,
    // z zzz, AM/PM; quoted text stays literal.
    QString out;
    bool lastWasHour = false;
    for (int i = 0; i < f.size();) {
        const QChar c = f[i];
        if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            const int end = f.indexOf(c, i + 1);
            const QString lit = end < 0 ? f.mid(i + 1) : f.mid(i + 1, end - i - 1);
            out += QLatin1Char('\'') + lit + QLatin1Char('\'');
            i = end < 0 ? f.size() : end + 1;
            continue;
        }
        int run = 1;
        while (i + run < f.size() && f[i + run].toLower() == c.toLower()) ++run;
        const QChar lc = c.toLower();
        if (lc == QLatin1Char('d')) {
            out += QString(std::min(run, 4), QLatin1Char('d'));
            lastWasHour = false;
        } else if (lc == QLatin1Char('m')) {
            out += QString(std::min(run, 4), lastWasHour ? QLatin1Char('m') : QLatin1Char('M'));
            lastWasHour = false;
        } else if (lc == QLatin1Char('y')) {
            out += run <= 2 ? QStringLiteral("yy") : QStringLiteral("yyyy");
            lastWasHour = false;
        } else if (lc == QLatin1Char('h')) {
            out += run >= 2 ? QStringLiteral("HH") : QStringLiteral("H");
            lastWasHour = true;
        } else if (lc == QLatin1Char('n')) {
            out += run >= 2 ? QStringLiteral("mm") : QStringLiteral("m");
        } else if (lc == QLatin1Char('s')) {
            out += run >= 2 ? QStringLiteral("ss") : QStringLiteral("s");
        } else if (lc == QLatin1Char('z')) {
            out += run >= 3 ? QStringLiteral("zzz") : QStringLiteral("z");
        } else if (f.mid(i, 5).compare(QLatin1String("AM/PM"), Qt::CaseInsensitive) == 0) {
            out += QStringLiteral("AP");
            run = 5;
        } else if (lc == QLatin1Char('t')) {
            out += QStringLiteral("AP");
        } else {
            for (int k = 0; k < run; ++k) {
                if (c.isLetter()) out += QLatin1Char('\'') + QString(c) + QLatin1Char('\'');
                else out += c;
            }
        }
        i += run;
    }
    return out;
}

// =============================================================================================
// TTabSheet

TTabSheet::TTabSheet(TComponent* AOwner) : TWinControl(AOwner) {
    FVisible = false;
    FControlStyle.Include(csAcceptsControls);
}

TTabSheet::~TTabSheet() {
    if (FPageControl) FPageControl->RemovePage(this);
}

void TTabSheet::SetParent(TWinControl* value) {
    TWinControl::SetParent(value);
    auto* pc = dynamic_cast<TPageControl*>(value);
    if (pc != FPageControl) {
        if (FPageControl) FPageControl->RemovePage(this);
        FPageControl = nullptr;
        if (pc) pc->InsertPage(this);
    }
}

void TTabSheet::SetPageControl(TPageControl* value) { SetParent(value); }

int TTabSheet::PageIndex() const {
    if (!FPageControl) return -1;
    auto& v = FPageControl->FPages;
    return static_cast<int>(std::find(v.begin(), v.end(), this) - v.begin());
}

void TTabSheet::SetPageIndex(int value) {
    if (FPageControl) FPageControl->MovePage(this, value);
}

int TTabSheet::TabIndex() const {
    if (!FPageControl || !FTabVisible) return -1;
    int n = 0;
    for (TTabSheet* p : FPageControl->FPages) {
        if (p == this) return n;
        if (p->FTabVisible) ++n;
    }
    return -1;
}

void TTabSheet::SetTabVisible(bool value) {
    FTabVisible = value;
    if (FPageControl) FPageControl->UpdateTabs();
}

void TTabSheet::TextChanged() {
    if (FPageControl) FPageControl->UpdateTabs();
}

// =============================================================================================
// TPageControl

TPageControl::TPageControl(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 289;
    FHeight = 193;
    FTabStop = true;
    FControlStyle.Include(csAcceptsControls);
}

TPageControl::~TPageControl() {
    for (TTabSheet* p : FPages) p->FPageControl = nullptr;
}

namespace {
class TPageWidget : public QWidget {
public:
    using QWidget::QWidget;
};
} // namespace

std::unique_ptr<QWidget> TPageControl::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TPageWidget>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    auto* bar = new QTabBar(w.get());
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setDrawBase(true);
    FTabBar = bar;
    QObject::connect(bar, &QTabBar::tabBarClicked, bar, [this](int tab) {
        if (FSyncing) return;
        Guarded([&] { TabClicked(tab); });
    });
    return w;
}

void TPageControl::InitWidget() {
    TWinControl::InitWidget();
    UpdateTabs();
}

int TPageControl::TabHeight() const {
    return FTabBar ? FTabBar->sizeHint().height() : 22;
}

TRect TPageControl::DisplayRect() const {
    TRect r = ClientRect();
    r.Top += TabHeight();
    InflateRect(r, -4, -4);
    r.Top -= 2;
    return r;
}

bool TPageControl::WidgetEvent(QEvent* e) {
    if (e->type() != QEvent::Paint) return TWinControl::WidgetEvent(e);
    bool r = InheritedEvent(e);
    // The raised frame around the sheets, joined to the tabs.
    QPainter p(FWidget);
    const int top = TabHeight() - 1;
    const QRect box(0, top, FWidth - 1, FHeight - top - 1);
    p.setPen(ColorToQColor(clBtnHighlight));
    p.drawLine(box.topLeft(), box.bottomLeft());
    p.drawLine(box.topLeft(), box.topRight());
    p.setPen(ColorToQColor(cl3DDkShadow));
    p.drawLine(box.bottomLeft(), box.bottomRight());
    p.drawLine(box.topRight(), box.bottomRight());
    p.setPen(ColorToQColor(clBtnShadow));
    p.drawLine(box.left() + 1, box.bottom() - 1, box.right() - 1, box.bottom() - 1);
    p.drawLine(box.right() - 1, box.top() + 1, box.right() - 1, box.bottom() - 1);
    return r;
}

void TPageControl::InsertPage(TTabSheet* page) {
    page->FPageControl = this;
    FPages.push_back(page);
    page->FVisible = false;
    UpdateTabs();
    if (!FActivePage) SetActivePage(page);
    PlacePages();
}

void TPageControl::RemovePage(TTabSheet* page) {
    FPages.erase(std::remove(FPages.begin(), FPages.end(), page), FPages.end());
    page->FPageControl = nullptr;
    if (FActivePage == page) {
        FActivePage = nullptr;
        if (!FPages.empty()) SetActivePage(FPages.front());
    }
    UpdateTabs();
}

void TPageControl::MovePage(TTabSheet* page, int index) {
    auto it = std::find(FPages.begin(), FPages.end(), page);
    if (it == FPages.end()) return;
    FPages.erase(it);
    index = std::clamp(index, 0, static_cast<int>(FPages.size()));
    FPages.insert(FPages.begin() + index, page);
    UpdateTabs();
}

void TPageControl::UpdateTabs() {
    if (!FTabBar) return;
    FSyncing = true;
    while (FTabBar->count() > 0) FTabBar->removeTab(0);
    for (TTabSheet* p : FPages)
        if (p->FTabVisible) FTabBar->addTab(p->Caption());
    if (FActivePage) FTabBar->setCurrentIndex(FActivePage->TabIndex());
    FTabBar->setGeometry(0, 0, std::max(FWidth, 0), TabHeight());
    FSyncing = false;
    PlacePages();
}

void TPageControl::PlacePages() {
    const TRect r = DisplayRect();
    for (TTabSheet* p : FPages) {
        p->SetLayoutBounds(r.Left, r.Top, std::max(r.Width(), 0), std::max(r.Height(), 0));
        p->SetVisible(p == FActivePage);
    }
}

void TPageControl::Resize() {
    if (FTabBar) FTabBar->setGeometry(0, 0, std::max(FWidth, 0), TabHeight());
    PlacePages();
    TWinControl::Resize();
}

bool TPageControl::CanChange() {
    bool allow = true;
    if (OnChanging) OnChanging(this, allow);
    return allow;
}

void TPageControl::Change() {
    if (OnChange) OnChange(this);
}

void TPageControl::TabClicked(int tab) {
    TTabSheet* target = nullptr;
    int n = 0;
    for (TTabSheet* p : FPages) {
        if (!p->FTabVisible) continue;
        if (n++ == tab) target = p;
    }
    if (!target || target == FActivePage) return;
    if (!CanChange()) {
        FSyncing = true;
        if (FActivePage) FTabBar->setCurrentIndex(FActivePage->TabIndex());
        FSyncing = false;
        return;
    }
    SetActivePage(target);
    Change();
}

void TPageControl::SetActivePage(TTabSheet* page) {
    if (page && page->FPageControl != this) return;
    FActivePage = page;
    if (FTabBar && page) {
        FSyncing = true;
        FTabBar->setCurrentIndex(page->TabIndex());
        FSyncing = false;
    }
    PlacePages();
}

int TPageControl::ActivePageIndex() const { return FActivePage ? FActivePage->PageIndex() : -1; }

void TPageControl::SetActivePageIndex(int value) {
    SetActivePage(value >= 0 && value < PageCount() ? FPages[value] : nullptr);
}

void TPageControl::SetStyle(TTabStyle value) {
    FStyle = value;
    if (FTabBar) FTabBar->setDocumentMode(value != tsTabs);
}

void TPageControl::SelectNextPage(bool GoForward, bool CheckTabVisible) {
    if (FPages.empty()) return;
    const int count = PageCount();
    int i = std::max(ActivePageIndex(), 0);
    for (int k = 0; k < count; ++k) {
        i = (i + (GoForward ? 1 : count - 1)) % count;
        if (!CheckTabVisible || FPages[i]->FTabVisible) {
            if (CanChange()) {
                SetActivePage(FPages[i]);
                Change();
            }
            return;
        }
    }
}

// =============================================================================================
// TDateTimePicker

namespace {
class TPickerWidget : public QWidget {
public:
    using QWidget::QWidget;
};

// A click on the field selects the whole section under it (day, month, hour...), so digits
// typed next replace that section's value.
class TSectionClickFilter : public QObject {
public:
    explicit TSectionClickFilter(QDateTimeEdit* edit) : QObject(edit), FEdit(edit) {}
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton && FEdit->hasFocus() &&
            FEdit->currentSection() != QDateTimeEdit::NoSection)
            FEdit->setSelectedSection(FEdit->currentSection());
        return false;
    }

private:
    QDateTimeEdit* FEdit;
};
} // namespace

TDateTimePicker::TDateTimePicker(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 186;
    FHeight = 21;
    FTabStop = true;
    FParentColor = false;
    FColor = clWindow;
    FDateTime = Now();
}

std::unique_ptr<QWidget> TDateTimePicker::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<TPickerWidget>>(this);
    w->setFocusPolicy(Qt::NoFocus);
    auto* edit = new QDateTimeEdit(w.get());
    edit->setCalendarPopup(true);
    if (QLineEdit* field = edit->findChild<QLineEdit*>()) field->installEventFilter(new TSectionClickFilter(edit));
    FEdit = edit;
    auto* check = new QCheckBox(w.get());
    FCheck = check;
    w->setFocusProxy(edit);
    QObject::connect(edit, &QDateTimeEdit::dateTimeChanged, edit, [this](const QDateTime& dt) {
        if (FSyncing) return;
        Guarded([&] {
            // A time picker keeps its date, a date picker its time.
            TDateTime v = QDateTimeToDateTime(dt);
            if (FKind == dtkTime)
                v = DateOf(FDateTime) + TimeOf(v);
            else
                v = DateOf(v) + TimeOf(FDateTime);
            FDateTime = v;
            Change();
        });
    });
    QObject::connect(check, &QCheckBox::toggled, check, [this](bool on) {
        if (FSyncing) return;
        Guarded([&] {
            FChecked = on;
            if (FEdit) FEdit->setEnabled(on && FEnabled);
            Change();
        });
    });
    return w;
}

void TDateTimePicker::InitWidget() {
    TWinControl::InitWidget();
    ApplyToWidget();
    Layout();
}

void TDateTimePicker::Resize() {
    Layout();
    TWinControl::Resize();
}

void TDateTimePicker::Layout() {
    if (!FEdit) return;
    int x = 0;
    if (FShowCheckbox && FCheck) {
        FCheck->setGeometry(2, 0, 18, FHeight);
        FCheck->show();
        x = 20;
    } else if (FCheck) {
        FCheck->hide();
    }
    FEdit->setGeometry(x, 0, std::max(FWidth - x, 0), FHeight);
}

QString TDateTimePicker::DisplayFormat() const {
    if (!FFormat.isEmpty()) return DateTimeFormatToQt(FFormat);
    const TFormatSettings& fs = FormatSettings();
    if (FKind == dtkTime) return DateTimeFormatToQt(fs.LongTimeFormat);
    return DateTimeFormatToQt(FDateFormat == dfLong ? fs.LongDateFormat : fs.ShortDateFormat);
}

void TDateTimePicker::ApplyToWidget() {
    if (!FEdit) return;
    FSyncing = true;
    FEdit->setDisplayFormat(DisplayFormat());
    FEdit->setCalendarPopup(FKind == dtkDate);
    FEdit->setDateTime(DateTimeToQDateTime(FDateTime));
    FEdit->setEnabled(FEnabled && (!FShowCheckbox || FChecked));
    if (FCheck) FCheck->setChecked(FChecked);
    FSyncing = false;
}

void TDateTimePicker::SetDateTime(TDateTime value) {
    if (value == FDateTime) return;
    FDateTime = value;
    ApplyToWidget();
    Change();
}

TDateTime TDateTimePicker::Date() const { return DateOf(FDateTime); }
void TDateTimePicker::SetDate(TDateTime value) { SetDateTime(DateOf(value) + TimeOf(FDateTime)); }
TDateTime TDateTimePicker::Time() const { return TimeOf(FDateTime); }
void TDateTimePicker::SetTime(TDateTime value) { SetDateTime(DateOf(FDateTime) + TimeOf(value)); }

void TDateTimePicker::SetKind(TDateTimeKind value) {
    FKind = value;
    ApplyToWidget();
}

void TDateTimePicker::SetDateFormat(TDTDateFormat value) {
    FDateFormat = value;
    ApplyToWidget();
}

void TDateTimePicker::SetFormat(const QString& value) {
    FFormat = value;
    ApplyToWidget();
}

void TDateTimePicker::SetShowCheckbox(bool value) {
    FShowCheckbox = value;
    ApplyToWidget();
    Layout();
}

void TDateTimePicker::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    ApplyToWidget();
}

void TDateTimePicker::Change() {
    if (OnChange) OnChange(this);
}

// =============================================================================================
// TMonthCalendar

TMonthCalendar::TMonthCalendar(TComponent* AOwner) : TWinControl(AOwner) {
    FWidth = 225;
    FHeight = 160;
    FTabStop = true;
    FDate = DateOf(Now());
    FControlStyle.Exclude(csClickEvents);
}

std::unique_ptr<QWidget> TMonthCalendar::CreateWidget() {
    auto w = std::make_unique<TBridgeWidget<QCalendarWidget>>(this);
    w->setFocusPolicy(Qt::StrongFocus);
    w->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    w->setGridVisible(false);
    QObject::connect(w.get(), &QCalendarWidget::clicked, w.get(), [this](QDate d) {
        Guarded([&] {
            FDate = EncodeDate(d.year(), d.month(), d.day());
            Click();
        });
    });
    QObject::connect(w.get(), &QCalendarWidget::selectionChanged, w.get(), [this] {
        if (FSyncing) return;
        Guarded([&] {
            const QDate d = static_cast<QCalendarWidget*>(FWidget.data())->selectedDate();
            FDate = EncodeDate(d.year(), d.month(), d.day());
            if (OnChange) OnChange(this);
        });
    });
    return w;
}

void TMonthCalendar::InitWidget() {
    TWinControl::InitWidget();
    ApplyToWidget();
}

void TMonthCalendar::ApplyToWidget() {
    if (!FWidget) return;
    FSyncing = true;
    static_cast<QCalendarWidget*>(FWidget.data())->setSelectedDate(DateTimeToQDateTime(FDate).date());
    FSyncing = false;
}

void TMonthCalendar::SetDate(TDateTime value) {
    value = DateOf(value);
    if (value == FDate) return;
    FDate = value;
    ApplyToWidget();
    if (OnChange) OnChange(this);
}

// =============================================================================================
// TToolButton

TToolButton::TToolButton(TComponent* AOwner) : TGraphicControl(AOwner) {
    FWidth = 23;
    FHeight = 22;
}

void TToolButton::SetParent(TWinControl* value) {
    TGraphicControl::SetParent(value);
    if (auto* bar = dynamic_cast<TToolBar*>(value)) bar->ArrangeButtons();
}

int TToolButton::Index() const {
    auto* bar = dynamic_cast<TToolBar*>(FParent);
    if (!bar) return -1;
    for (int i = 0; i < bar->ButtonCount(); ++i)
        if (bar->Buttons(i) == this) return i;
    return -1;
}

void TToolButton::SetStyle(TToolButtonStyle value) {
    FStyle = value;
    if (auto* bar = dynamic_cast<TToolBar*>(FParent)) bar->ArrangeButtons();
    Invalidate();
}

void TToolButton::SetDown(bool value) {
    if (value == FDown) return;
    FDown = value;
    // Grouped check buttons release the others of their group.
    if (value && FGrouped && FParent)
        for (int i = 0; i < FParent->ControlCount(); ++i)
            if (auto* b = dynamic_cast<TToolButton*>(FParent->Controls(i)); b && b != this && b->FGrouped)
                b->SetDown(false);
    Invalidate();
}

void TToolButton::SetImageIndex(int value) {
    FImageIndex = value;
    Invalidate();
}

void TToolButton::TextChanged() {
    if (auto* bar = dynamic_cast<TToolBar*>(FParent)) bar->ArrangeButtons();
    Invalidate();
}

void TToolButton::Click() {
    if (FStyle == tbsSeparator || FStyle == tbsDivider) return;
    if (FStyle == tbsCheck) SetDown(!FDown);
    TGraphicControl::Click();
}

void TToolButton::MouseDown(TMouseButton Button, TShiftState Shift, int X, int Y) {
    if (Button == mbLeft && FStyle != tbsSeparator && FStyle != tbsDivider) {
        FPressed = true;
        Invalidate();
    }
    TGraphicControl::MouseDown(Button, Shift, X, Y);
}

void TToolButton::MouseUp(TMouseButton Button, TShiftState Shift, int X, int Y) {
    FPressed = false;
    Invalidate();
    TGraphicControl::MouseUp(Button, Shift, X, Y);
}

void TToolButton::MouseEnter() {
    FHot = true;
    Invalidate();
    TGraphicControl::MouseEnter();
}

void TToolButton::MouseLeave() {
    FHot = false;
    Invalidate();
    TGraphicControl::MouseLeave();
}

void TToolButton::Paint() {
    TCanvas* c = Canvas();
    TRect r = ClientRect();
    c->Brush().SetColor(clBtnFace);
    c->FillRect(r);
    if (FStyle == tbsSeparator || FStyle == tbsDivider) {
        const int x = r.Width() / 2 - 1;
        c->Pen().SetColor(clBtnShadow);
        c->MoveTo(x, 1);
        c->LineTo(x, r.Bottom - 1);
        c->Pen().SetColor(clBtnHighlight);
        c->MoveTo(x + 1, 1);
        c->LineTo(x + 1, r.Bottom - 1);
        return;
    }
    auto* bar = dynamic_cast<TToolBar*>(FParent);
    const bool flat = !bar || bar->Flat();
    const bool sunken = FPressed || FDown;
    if (sunken)
        c->Frame3D(r, clBtnShadow, clBtnHighlight, 1);
    else if (!flat || FHot)
        c->Frame3D(r, clBtnHighlight, clBtnShadow, 1);
    TRect tr = ClientRect();
    if (sunken) OffsetRect(tr, 1, 1);
    c->SetFont(*FFont);
    if (!FEnabled) c->Font().SetColor(clGrayText);
    c->Brush().SetStyle(bsClear);
    c->DrawText(FText, tr, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
}

// =============================================================================================
// TToolBar

TToolBar::TToolBar(TComponent* AOwner) : TCustomControl(AOwner) {
    FAlign = alTop;
    FWidth = 150;
    FHeight = 29;
    FControlStyle.Include(csAcceptsControls);
}

int TToolBar::ButtonCount() const {
    int n = 0;
    for (TControl* c : FControls)
        if (dynamic_cast<TToolButton*>(c)) ++n;
    return n;
}

TToolButton* TToolBar::Buttons(int index) const {
    int n = 0;
    for (TControl* c : FControls)
        if (auto* b = dynamic_cast<TToolButton*>(c)) {
            if (n++ == index) return b;
        }
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

void TToolBar::SetButtonWidth(int value) {
    FButtonWidth = value;
    ArrangeButtons();
}

void TToolBar::SetButtonHeight(int value) {
    FButtonHeight = value;
    ArrangeButtons();
}

void TToolBar::SetShowCaptions(bool value) {
    FShowCaptions = value;
    ArrangeButtons();
}

void TToolBar::SetFlat(bool value) {
    FFlat = value;
    Invalidate();
}

void TToolBar::ArrangeButtons() {
    if (FArranging) return;
    FArranging = true;
    int x = 0;
    for (TControl* c : FControls) {
        auto* b = dynamic_cast<TToolButton*>(c);
        if (!b || !b->Visible()) continue;
        int w = FButtonWidth;
        if (b->Style() == tbsSeparator || b->Style() == tbsDivider) w = 8;
        else if (FShowCaptions && !b->Caption().isEmpty())
            w = std::max(FButtonWidth, static_cast<int>(b->Caption().size()) * 7 + 10);
        b->SetLayoutBounds(x, 2, w, FButtonHeight);
        x += w;
    }
    FArranging = false;
}

void TToolBar::Resize() {
    ArrangeButtons();
    TCustomControl::Resize();
}

void TToolBar::Paint() {
    TCanvas* c = Canvas();
    c->Brush().SetColor(FColor);
    c->FillRect(ClientRect());
}

// =============================================================================================
// TStatusBar

TStatusBar::TStatusBar(TComponent* AOwner) : TCustomControl(AOwner) {
    FAlign = alBottom;
    FWidth = 200;
    FHeight = 19;
}

TStatusPanel& TStatusBar::AddPanel() {
    FPanels.emplace_back();
    Invalidate();
    return FPanels.back();
}

void TStatusBar::ClearPanels() {
    FPanels.clear();
    Invalidate();
}

void TStatusBar::SetSimplePanel(bool value) {
    FSimplePanel = value;
    Invalidate();
}

void TStatusBar::SetSimpleText(const QString& value) {
    FSimpleText = value;
    Invalidate();
}

void TStatusBar::SetSizeGrip(bool value) {
    FSizeGrip = value;
    Invalidate();
}

void TStatusBar::Paint() {
    TCanvas* c = Canvas();
    const TRect all = ClientRect();
    c->Brush().SetColor(FColor);
    c->FillRect(all);
    c->SetFont(*FFont);
    auto panel = [&](TRect r, const QString& text, TAlignment a) {
        TRect frame = r;
        c->Frame3D(frame, clBtnShadow, clBtnHighlight, 1);
        c->Brush().SetStyle(bsClear);
        TRect tr = frame;
        tr.Left += 2;
        tr.Right -= 2;
        unsigned flags = DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX;
        flags |= a == taRightJustify ? DT_RIGHT : a == taCenter ? DT_CENTER : DT_LEFT;
        c->DrawText(text, tr, flags);
        c->Brush().SetStyle(bsSolid);
    };
    if (FSimplePanel || FPanels.empty()) {
        panel(Rect(0, 2, all.Right, all.Bottom), FSimplePanel ? FSimpleText : FText, taLeftJustify);
    } else {
        int x = 0;
        for (size_t i = 0; i < FPanels.size(); ++i) {
            const bool last = i + 1 == FPanels.size();
            const int right = last ? all.Right : std::min(all.Right, x + FPanels[i].Width);
            panel(Rect(x, 2, right, all.Bottom), FPanels[i].Text, FPanels[i].Alignment);
            x = right + 2;
            if (x >= all.Right) break;
        }
    }
    if (FSizeGrip) {
        // Three diagonal ridges in the bottom-right corner.
        for (int k = 0; k < 3; ++k) {
            const int o = 4 + k * 4;
            c->Pen().SetColor(clBtnHighlight);
            c->MoveTo(all.Right - o, all.Bottom - 1);
            c->LineTo(all.Right, all.Bottom - o - 1);
            c->Pen().SetColor(clBtnShadow);
            c->MoveTo(all.Right - o + 1, all.Bottom - 1);
            c->LineTo(all.Right, all.Bottom - o);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TTabSheet) {
    b.Prop("PageControl", &TTabSheet::PageControl, &TTabSheet::SetPageControl).Stored(false);
    b.Prop("PageIndex", &TTabSheet::PageIndex, &TTabSheet::SetPageIndex).Stored(false);
    b.Prop("TabVisible", &TTabSheet::TabVisible, &TTabSheet::SetTabVisible).Default(true);
    b.Prop("ImageIndex", &TTabSheet::ImageIndex, &TTabSheet::SetImageIndex).Default(-1);
}
KORVEL_CLASS_INFO(TPageControl) {
    b.Prop("ActivePage", &TPageControl::ActivePage, &TPageControl::SetActivePage);
    b.Prop("ActivePageIndex", &TPageControl::ActivePageIndex, &TPageControl::SetActivePageIndex).Stored(false);
    b.Prop("PageCount", &TPageControl::PageCount);
    b.Prop("Style", &TPageControl::Style, &TPageControl::SetStyle).Default(tsTabs);
    b.Event("OnChange", &TPageControl::OnChange, "TNotifyEvent");
    b.Event("OnChanging", &TPageControl::OnChanging, "TTabChangingEvent");
}
KORVEL_CLASS_INFO(TDateTimePicker) {
    b.Prop("DateTime", &TDateTimePicker::DateTime, &TDateTimePicker::SetDateTime).Type("TDateTime");
    b.Prop("Date", &TDateTimePicker::Date, &TDateTimePicker::SetDate).Type("TDate").Stored(false);
    b.Prop("Time", &TDateTimePicker::Time, &TDateTimePicker::SetTime).Type("TTime").Stored(false);
    b.Prop("Kind", &TDateTimePicker::Kind, &TDateTimePicker::SetKind).Default(dtkDate);
    b.Prop("DateFormat", &TDateTimePicker::DateFormat, &TDateTimePicker::SetDateFormat).Default(dfShort);
    b.Prop("Format", &TDateTimePicker::Format, &TDateTimePicker::SetFormat);
    b.Prop("ShowCheckbox", &TDateTimePicker::ShowCheckbox, &TDateTimePicker::SetShowCheckbox).Default(false);
    b.Prop("Checked", &TDateTimePicker::Checked, &TDateTimePicker::SetChecked).Default(true);
    b.Event("OnChange", &TDateTimePicker::OnChange, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TMonthCalendar) {
    b.Prop("Date", &TMonthCalendar::Date, &TMonthCalendar::SetDate).Type("TDate");
    b.Event("OnChange", &TMonthCalendar::OnChange, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TToolButton) {
    b.Prop("Style", &TToolButton::Style, &TToolButton::SetStyle).Default(tbsButton);
    b.Prop("Down", &TToolButton::Down, &TToolButton::SetDown).Default(false);
    b.Prop("ImageIndex", &TToolButton::ImageIndex, &TToolButton::SetImageIndex).Default(-1);
    b.Prop("Grouped", &TToolButton::Grouped, &TToolButton::SetGrouped).Default(false);
}
KORVEL_CLASS_INFO(TToolBar) {
    b.Prop("ButtonWidth", &TToolBar::ButtonWidth, &TToolBar::SetButtonWidth).Default(23);
    b.Prop("ButtonHeight", &TToolBar::ButtonHeight, &TToolBar::SetButtonHeight).Default(22);
    b.Prop("ShowCaptions", &TToolBar::ShowCaptions, &TToolBar::SetShowCaptions).Default(false);
    b.Prop("Flat", &TToolBar::Flat, &TToolBar::SetFlat).Default(true);
}
KORVEL_CLASS_INFO(TStatusBar) {
    b.Prop("SimplePanel", &TStatusBar::SimplePanel, &TStatusBar::SetSimplePanel).Default(false);
    b.Prop("SimpleText", &TStatusBar::SimpleText, &TStatusBar::SetSimpleText);
    b.Prop("SizeGrip", &TStatusBar::SizeGrip, &TStatusBar::SetSizeGrip).Default(true);
}

void MirrorChildControls(TWinControl* Parent) {
    if (!Parent) return;
    const int width = Parent->ClientWidth();
    for (int i = 0; i < Parent->ControlCount(); ++i) {
        TControl* c = Parent->Controls(i);
        const bool placed = c->Align() == alNone && !dynamic_cast<TTabSheet*>(c);
        if (placed) c->SetLeft(width - c->Left() - c->Width());
        if (auto* w = dynamic_cast<TWinControl*>(c)) MirrorChildControls(w);
    }
}
