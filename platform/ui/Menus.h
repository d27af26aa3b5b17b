#pragma once
// Main and pop-up menus: a tree of TMenuItem with captions ('&' marks the access key), short
// cuts, check marks and click events, shown through Qt menus.

#include "platform/rtl/Exceptions.h"
#include "platform/rtti/Classes.h"
#include "platform/ui/UiTypes.h"

#include <QPointer>

#include <memory>
#include <vector>

class QAction;
class QMenu;
class QMenuBar;
class TCustomForm;
class TMenu;

KORVEL_EXCEPTION(EMenuError, Exception)

class TMenuItem : public TComponent {
    KORVEL_CLASS(TMenuItem, TComponent)
public:
    explicit TMenuItem(TComponent* AOwner);
    ~TMenuItem() override;

    const QString& Caption() const { return FCaption; }
    void SetCaption(const QString& value);
    TShortCut ShortCut() const { return FShortCut; }
    void SetShortCut(TShortCut value);
    bool Checked() const { return FChecked; }
    void SetChecked(bool value);
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool value);
    bool Visible() const { return FVisible; }
    void SetVisible(bool value);
    bool RadioItem() const { return FRadioItem; }
    void SetRadioItem(bool value);
    int GroupIndex() const { return FGroupIndex; }
    void SetGroupIndex(int value) { FGroupIndex = value; }
    bool AutoCheck() const { return FAutoCheck; }
    void SetAutoCheck(bool value) { FAutoCheck = value; }
    bool Default() const { return FDefault; }
    void SetDefault(bool value);
    const QString& Hint() const { return FHint; }
    void SetHint(const QString& value) { FHint = value; }
    // A caption of "-" is a separator line.
    bool IsLine() const { return FCaption == QLatin1String("-"); }

    // Sub-items.
    int Count() const { return static_cast<int>(FItems.size()); }
    TMenuItem* Items(int index) const { return FItems.at(index); }
    TMenuItem* operator[](int index) const { return Items(index); }
    int IndexOf(const TMenuItem* item) const;
    void Add(TMenuItem* item);
    void Insert(int index, TMenuItem* item);
    void Remove(TMenuItem* item);
    void Delete(int index);
    void Clear(); // frees the sub-items
    TMenuItem* Parent() const { return FParent; }
    TMenuItem* Find(const QString& caption) const; // by caption without '&', any case
    TMenu* GetParentMenu() const;

    // Raises OnClick (after toggling Checked for AutoCheck items).
    virtual void Click();
    TNotifyEvent OnClick;

    // The Qt action standing for the item (created on demand).
    QAction* Action();
    QMenu* SubMenu(); // for items with sub-items

private:
    friend class TMenu;
    void Rebuild();
    void UpdateAction();

    QString FCaption;
    TShortCut FShortCut = 0;
    bool FChecked = false;
    bool FEnabled = true;
    bool FVisible = true;
    bool FRadioItem = false;
    int FGroupIndex = 0;
    bool FAutoCheck = false;
    bool FDefault = false;
    QString FHint;
    std::vector<TMenuItem*> FItems;
    TMenuItem* FParent = nullptr;
    TMenu* FMenu = nullptr;
    QPointer<QAction> FAction;
    std::unique_ptr<QMenu> FSubMenu;
    std::unique_ptr<QAction> FOwnedAction;
};

class TMenu : public TComponent {
    KORVEL_CLASS(TMenu, TComponent)
public:
    explicit TMenu(TComponent* AOwner);
    ~TMenu() override;
    TMenuItem* Items() const { return FItems.get(); }
    // Runs the short cut of an item of this menu; true when one matched.
    bool IsShortCut(Word key, TShiftState shift);
    TMenuItem* FindItemByShortCut(TShortCut shortCut) const;
    virtual void Changed() {}

protected:
    std::unique_ptr<TMenuItem> FItems;
};

class TMainMenu : public TMenu {
    KORVEL_CLASS(TMainMenu, TMenu)
public:
    explicit TMainMenu(TComponent* AOwner);
    ~TMainMenu() override;
    // Shows the menu as the form's menu bar (done by TCustomForm::SetMenu).
    void AttachTo(TCustomForm* form);
    QMenuBar* MenuBar() const;
    void Changed() override;

private:
    QPointer<QMenuBar> FBar;
    TCustomForm* FForm = nullptr;
};

class TPopupMenu : public TMenu {
    KORVEL_CLASS(TPopupMenu, TMenu)
public:
    explicit TPopupMenu(TComponent* AOwner);
    ~TPopupMenu() override;
    // Shows the menu at a screen point; returns at once, items click later.
    virtual void Popup(int X, int Y);
    TComponent* PopupComponent() const { return FPopupComponent; }
    void SetPopupComponent(TComponent* value) { FPopupComponent = value; }
    bool AutoPopup() const { return FAutoPopup; }
    void SetAutoPopup(bool value) { FAutoPopup = value; }
    QMenu* Menu();
    TNotifyEvent OnPopup;

private:
    TComponent* FPopupComponent = nullptr;
    bool FAutoPopup = true;
    std::unique_ptr<QMenu> FMenuWidget;
};

TShortCut ShortCut(Word Key, TShiftState Shift);
void ShortCutToKey(TShortCut ShortCut, Word& Key, TShiftState& Shift);
// "Ctrl+S", "Shift+F5", "Alt+Ins"...; TextToShortCut reads them back (0 when unknown).
QString ShortCutToText(TShortCut ShortCut);
TShortCut TextToShortCut(const QString& Text);
// A menu item created with the usual properties in one call.
TMenuItem* NewItem(const QString& ACaption, TShortCut AShortCut, bool AChecked, bool AEnabled,
                   TNotifyEvent AOnClick, const QString& AName = {});
