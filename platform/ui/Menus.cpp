#include "platform/ui/Menus.h"

#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/StdCtrls.h"

#include <QAction>
#include <QActionGroup>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace {

QKeySequence KeySequenceOf(TShortCut sc) {
    if (sc == 0) return {};
    const int key = VirtualKeyToQtKey(sc & 0xFF);
    if (!key) return {};
    int mods = 0;
    if (sc & scShift) mods |= Qt::SHIFT;
    if (sc & scCtrl) mods |= Qt::CTRL;
    if (sc & scAlt) mods |= Qt::ALT;
    return QKeySequence(key | mods);
}

QString KeyName(Word key) {
    switch (key) {
    case VK_BACK: return QStringLiteral("BkSp");
    case VK_TAB: return QStringLiteral("Tab");
    case VK_RETURN: return QStringLiteral("Enter");
    case VK_ESCAPE: return QStringLiteral("Esc");
    case VK_SPACE: return QStringLiteral("Space");
    case VK_PRIOR: return QStringLiteral("PgUp");
    case VK_NEXT: return QStringLiteral("PgDn");
    case VK_END: return QStringLiteral("End");
    case VK_HOME: return QStringLiteral("Home");
    case VK_LEFT: return QStringLiteral("Left");
    case VK_UP: return QStringLiteral("Up");
    case VK_RIGHT: return QStringLiteral("Right");
    case VK_DOWN: return QStringLiteral("Down");
    case VK_INSERT: return QStringLiteral("Ins");
    case VK_DELETE: return QStringLiteral("Del");
    default: break;
    }
    if ((key >= '0' && key <= '9') || (key >= 'A' && key <= 'Z')) return QString(QChar(key));
    if (key >= VK_F1 && key <= VK_F1 + 23) return QStringLiteral("F%1").arg(key - VK_F1 + 1);
    return {};
}

} // namespace

TShortCut ShortCut(Word Key, TShiftState Shift) {
    if (Key & 0xFF00) return 0;
    TShortCut sc = Key;
    if (Shift.Contains(ssShift)) sc |= scShift;
    if (Shift.Contains(ssCtrl)) sc |= scCtrl;
    if (Shift.Contains(ssAlt)) sc |= scAlt;
    return sc;
}

void ShortCutToKey(TShortCut sc, Word& Key, TShiftState& Shift) {
    Key = sc & 0xFF;
    Shift = {};
    if (sc & scShift) Shift.Include(ssShift);
    if (sc & scCtrl) Shift.Include(ssCtrl);
    if (sc & scAlt) Shift.Include(ssAlt);
}

QString ShortCutToText(TShortCut sc) {
    const QString name = KeyName(sc & 0xFF);
    if (name.isEmpty()) return {};
    QString s;
    if (sc & scShift) s += QStringLiteral("Shift+");
    if (sc & scCtrl) s += QStringLiteral("Ctrl+");
    if (sc & scAlt) s += QStringLiteral("Alt+");
    return s + name;
}

TShortCut TextToShortCut(const QString& Text) {
    QString t = Text;
    TShortCut mods = 0;
    for (;;) {
        if (t.startsWith(QLatin1String("Shift+"), Qt::CaseInsensitive)) {
            mods |= scShift;
            t = t.mid(6);
        } else if (t.startsWith(QLatin1String("Ctrl+"), Qt::CaseInsensitive)) {
            mods |= scCtrl;
            t = t.mid(5);
        } else if (t.startsWith(QLatin1String("Alt+"), Qt::CaseInsensitive)) {
            mods |= scAlt;
            t = t.mid(4);
        } else {
            break;
        }
    }
    for (int k = 1; k < 256; ++k)
        if (!KeyName(static_cast<Word>(k)).isEmpty() &&
            KeyName(static_cast<Word>(k)).compare(t, Qt::CaseInsensitive) == 0)
            return static_cast<TShortCut>(k | mods);
    return 0;
}

TMenuItem* NewItem(const QString& ACaption, TShortCut AShortCut, bool AChecked, bool AEnabled,
                   TNotifyEvent AOnClick, const QString& AName) {
    auto* item = new TMenuItem(nullptr);
    item->SetName(AName);
    item->SetCaption(ACaption);
    item->SetShortCut(AShortCut);
    item->SetChecked(AChecked);
    item->SetEnabled(AEnabled);
    item->OnClick = std::move(AOnClick);
    return item;
}

// =============================================================================================
// TMenuItem

TMenuItem::TMenuItem(TComponent* AOwner) : TComponent(AOwner) {}

TMenuItem::~TMenuItem() {
    if (FParent) FParent->Remove(this);
    for (TMenuItem* child : std::vector<TMenuItem*>(FItems)) {
        child->FParent = nullptr;
        // Items without an owner belong to their parent item.
        if (!child->Owner()) std::unique_ptr<TMenuItem> doomed(child);
    }
    FItems.clear();
    FSubMenu.reset();
    FOwnedAction.reset();
}

TMenu* TMenuItem::GetParentMenu() const {
    const TMenuItem* i = this;
    while (i->FParent) i = i->FParent;
    return i->FMenu;
}

void TMenuItem::SetCaption(const QString& value) {
    FCaption = value;
    UpdateAction();
}

void TMenuItem::SetShortCut(TShortCut value) {
    FShortCut = value;
    UpdateAction();
}

void TMenuItem::SetChecked(bool value) {
    if (value == FChecked) return;
    FChecked = value;
    if (value && FRadioItem && FParent)
        for (TMenuItem* sib : FParent->FItems)
            if (sib != this && sib->FRadioItem && sib->FGroupIndex == FGroupIndex) sib->SetChecked(false);
    UpdateAction();
}

void TMenuItem::SetEnabled(bool value) {
    FEnabled = value;
    UpdateAction();
}

void TMenuItem::SetVisible(bool value) {
    FVisible = value;
    UpdateAction();
}

void TMenuItem::SetRadioItem(bool value) {
    FRadioItem = value;
    UpdateAction();
}

void TMenuItem::SetDefault(bool value) {
    FDefault = value;
    UpdateAction();
}

int TMenuItem::IndexOf(const TMenuItem* item) const {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    return it == FItems.end() ? -1 : static_cast<int>(it - FItems.begin());
}

void TMenuItem::Add(TMenuItem* item) { Insert(Count(), item); }

void TMenuItem::Insert(int index, TMenuItem* item) {
    if (item->FParent) throw EMenuError(QStringLiteral("Menu inserted twice"));
    index = std::clamp(index, 0, Count());
    FItems.insert(FItems.begin() + index, item);
    item->FParent = this;
    Rebuild();
}

void TMenuItem::Remove(TMenuItem* item) {
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it == FItems.end()) return;
    FItems.erase(it);
    item->FParent = nullptr;
    if (FSubMenu && item->FAction) FSubMenu->removeAction(item->FAction);
    Rebuild();
}

void TMenuItem::Delete(int index) {
    if (index < 0 || index >= Count())
        throw EMenuError(QStringLiteral("Menu index out of range"));
    Remove(FItems[index]);
}

void TMenuItem::Clear() {
    for (TMenuItem* child : std::vector<TMenuItem*>(FItems)) {
        Remove(child);
        if (child->Owner()) child->Owner()->RemoveComponent(child);
        std::unique_ptr<TMenuItem> doomed(child);
    }
}

TMenuItem* TMenuItem::Find(const QString& caption) const {
    const QString wanted = StripHotkey(caption);
    for (TMenuItem* i : FItems)
        if (StripHotkey(i->FCaption).compare(wanted, Qt::CaseInsensitive) == 0) return i;
    return nullptr;
}

void TMenuItem::Click() {
    if (!FEnabled) return;
    if (FAutoCheck) SetChecked(!FChecked);
    if (OnClick) OnClick(this);
}

QAction* TMenuItem::Action() {
    if (!FAction) {
        FOwnedAction = std::make_unique<QAction>();
        FAction = FOwnedAction.get();
        QObject::connect(FAction, &QAction::triggered, FAction, [this](bool) {
            try {
                Click();
            } catch (...) {
                if (Application) Application->HandleException(this);
            }
        });
        UpdateAction();
    }
    return FAction;
}

QMenu* TMenuItem::SubMenu() {
    if (!FSubMenu) {
        FSubMenu = std::make_unique<QMenu>();
        Rebuild();
    }
    return FSubMenu.get();
}

void TMenuItem::UpdateAction() {
    if (!FAction) return;
    // A separator's text would be drawn as a section title beside the line.
    FAction->setText(IsLine() ? QString() : FCaption);
    FAction->setSeparator(IsLine());
    FAction->setShortcut(KeySequenceOf(FShortCut));
    FAction->setCheckable(FChecked || FRadioItem || FAutoCheck);
    FAction->setChecked(FChecked);
    FAction->setEnabled(FEnabled);
    FAction->setVisible(FVisible);
    QFont f = FAction->font();
    f.setBold(FDefault);
    FAction->setFont(f);
    if (!FItems.empty()) FAction->setMenu(SubMenu());
    if (TMenu* m = GetParentMenu()) m->Changed();
}

void TMenuItem::Rebuild() {
    if (FAction && !FItems.empty() && FAction->menu() != FSubMenu.get()) FAction->setMenu(SubMenu());
    if (FSubMenu) {
        FSubMenu->clear();
        for (TMenuItem* i : FItems) FSubMenu->addAction(i->Action());
    }
    if (TMenu* m = GetParentMenu()) m->Changed();
}

// =============================================================================================
// TMenu

TMenu::TMenu(TComponent* AOwner) : TComponent(AOwner), FItems(std::make_unique<TMenuItem>(nullptr)) {
    FItems->FMenu = this;
}

TMenu::~TMenu() = default;

TMenuItem* TMenu::FindItemByShortCut(TShortCut sc) const {
    std::vector<TMenuItem*> stack{FItems.get()};
    while (!stack.empty()) {
        TMenuItem* i = stack.back();
        stack.pop_back();
        if (i != FItems.get() && i->ShortCut() == sc && sc != 0) return i;
        for (int k = i->Count() - 1; k >= 0; --k) stack.push_back(i->Items(k));
    }
    return nullptr;
}

bool TMenu::IsShortCut(Word key, TShiftState shift) {
    TMenuItem* i = FindItemByShortCut(ShortCut(key, shift));
    if (!i || !i->Enabled() || !i->Visible()) return false;
    i->Click();
    return true;
}

// =============================================================================================
// TMainMenu

TMainMenu::TMainMenu(TComponent* AOwner) : TMenu(AOwner) {}

QMenuBar* TMainMenu::MenuBar() const { return FBar.data(); }

TMainMenu::~TMainMenu() {
    if (FBar) {
        std::unique_ptr<QMenuBar> doomed(FBar.data());
    }
}

void TMainMenu::AttachTo(TCustomForm* form) {
    FForm = form;
    if (!FBar) {
        FBar = new QMenuBar(form->Widget());
    } else if (FBar->parentWidget() != form->Widget()) {
        FBar->setParent(form->Widget());
    }
    Changed();
}

void TMainMenu::Changed() {
    if (!FBar) return;
    FBar->clear();
    for (int i = 0; i < FItems->Count(); ++i) FBar->addAction(FItems->Items(i)->Action());
    if (FForm) {
        FBar->setGeometry(0, 0, FForm->Width(), FBar->sizeHint().height());
        FBar->show();
        FForm->MenuChanged();
    }
}

// =============================================================================================
// TPopupMenu

TPopupMenu::TPopupMenu(TComponent* AOwner) : TMenu(AOwner) {}

TPopupMenu::~TPopupMenu() = default;

QMenu* TPopupMenu::Menu() {
    if (!FMenuWidget) FMenuWidget = std::make_unique<QMenu>();
    FMenuWidget->clear();
    for (int i = 0; i < FItems->Count(); ++i) FMenuWidget->addAction(FItems->Items(i)->Action());
    return FMenuWidget.get();
}

void TPopupMenu::Popup(int X, int Y) {
    if (OnPopup) OnPopup(this);
    Menu()->popup(QPoint(X, Y));
}

// ---------------------------------------------------------------------------------------------
// Published properties
KORVEL_CLASS_INFO(TMenuItem) {
    b.Prop("Caption", &TMenuItem::Caption, &TMenuItem::SetCaption).Type("TCaption");
    b.Prop("ShortCut", &TMenuItem::ShortCut, &TMenuItem::SetShortCut).Type("TShortCut").Default(0);
    b.Prop("Checked", &TMenuItem::Checked, &TMenuItem::SetChecked).Default(false);
    b.Prop("Enabled", &TMenuItem::Enabled, &TMenuItem::SetEnabled).Default(true);
    b.Prop("Visible", &TMenuItem::Visible, &TMenuItem::SetVisible).Default(true);
    b.Prop("RadioItem", &TMenuItem::RadioItem, &TMenuItem::SetRadioItem).Default(false);
    b.Prop("GroupIndex", &TMenuItem::GroupIndex, &TMenuItem::SetGroupIndex).Default(0);
    b.Prop("AutoCheck", &TMenuItem::AutoCheck, &TMenuItem::SetAutoCheck).Default(false);
    b.Prop("Default", &TMenuItem::Default, &TMenuItem::SetDefault).Default(false);
    b.Prop("Hint", &TMenuItem::Hint, &TMenuItem::SetHint);
    b.Event("OnClick", &TMenuItem::OnClick, "TNotifyEvent");
}
KORVEL_CLASS_INFO(TMenu) {}
KORVEL_CLASS_INFO(TMainMenu) {}
KORVEL_CLASS_INFO(TPopupMenu) {
    b.Prop("AutoPopup", &TPopupMenu::AutoPopup, &TPopupMenu::SetAutoPopup).Default(true);
    b.Event("OnPopup", &TPopupMenu::OnPopup, "TNotifyEvent");
}
