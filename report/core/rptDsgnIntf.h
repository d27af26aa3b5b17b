#pragma once
// The five process-wide registries through which the report core meets the parts that extend it:
// insertable report object classes, export filter instances, wizard classes, property editors and
// component editors. Each is made by its accessor on first use and freed when the program ends.
//
// Class references are class records (const TClassInfo*), except component editors, which are
// made with three arguments and are given by a maker function (ComponentEditorOf<TMyEditor>).
// Property editor classes are the class records of the property editors (TrptPropertyEditor and
// its descendants); none stands for "no editor", which hides the property.

#include "platform/rtl/Set.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/TypInfo.h"

#include <QString>

#include <memory>

class TBitmap;
class TMenu;
class TMenuItem;
class TrptComponent;
class TrptCustomDesigner;
class TrptCustomExportFilter;

// Where an object may be inserted: data pages, report pages, dialog pages, dot-matrix pages.
enum TrptObjectCategory { ctData, ctReport, ctDialog, ctDMP };
KORVEL_ENUM(TrptObjectCategory, "ctData,ctReport,ctDialog,ctDMP")
KORVEL_SET(TrptObjectCategories, TrptObjectCategory)

// ---------------------------------------------------------------------------------------------
// Object registry

// A palette entry: an insertable class, or (without a class) a palette category.
class TrptObjectItem : public TCollectionItem {
    KORVEL_CLASS(TrptObjectItem, TCollectionItem)
public:
    explicit TrptObjectItem(TCollection* Collection = nullptr);
    ~TrptObjectItem() override;

    const TClassInfo* ClassRef() const { return FClassRef; }
    void SetClassRef(const TClassInfo* Value) { FClassRef = Value; }
    // Not owned.
    TBitmap* ButtonBmp() const { return FButtonBmp; }
    void SetButtonBmp(TBitmap* Value) { FButtonBmp = Value; }
    int ButtonImageIndex() const { return FButtonImageIndex; }
    void SetButtonImageIndex(int Value) { FButtonImageIndex = Value; }
    const QString& ButtonHint() const { return FButtonHint; }
    void SetButtonHint(const QString& Value) { FButtonHint = Value; }
    const QString& CategoryName() const { return FCategoryName; }
    void SetCategoryName(const QString& Value) { FCategoryName = Value; }
    quint16 Flags() const { return FFlags; }
    void SetFlags(quint16 Value) { FFlags = Value; }
    TrptObjectCategories Category() const { return FCategory; }
    void SetCategory(const TrptObjectCategories& Value) { FCategory = Value; }

private:
    const TClassInfo* FClassRef = nullptr;
    TBitmap* FButtonBmp = nullptr;
    int FButtonImageIndex = -1;
    QString FButtonHint;
    QString FCategoryName;
    quint16 FFlags = 0;
    TrptObjectCategories FCategory;
};

class TrptObjectCollection : public TCollection {
    KORVEL_CLASS(TrptObjectCollection, TCollection)
public:
    TrptObjectCollection();
    ~TrptObjectCollection() override;

    // Nothing happens when the class is registered already with the same Flags. Otherwise the
    // class is registered by name with the class registry (so templates find it) and an entry is
    // appended; a class given without categories gets ctData (datasets and databases), else
    // ctDialog (dialog controls and dialog components), else ctReport.
    void RegisterObject1(const TClassInfo* ClassRef, TBitmap* ButtonBmp,
                         const QString& ButtonHint = QString(), const QString& CategoryName = QString(),
                         quint16 Flags = 0, int ImageIndex = -1,
                         TrptObjectCategories Category = TrptObjectCategories());
    void RegisterObject(const TClassInfo* ClassRef, TBitmap* ButtonBmp,
                        const QString& CategoryName = QString());
    // A palette category entry (no class).
    void RegisterCategory(const QString& CategoryName, TBitmap* ButtonBmp,
                          const QString& ButtonHint = QString(), int ImageIndex = -1);
    // Removes every entry of the class.
    void Unregister(const TClassInfo* ClassRef);

    TrptObjectItem* Items(int Index) const;
    TrptObjectItem* GetObjectItem(int Index) const { return Items(Index); }
};

// ---------------------------------------------------------------------------------------------
// Export filter registry

class TrptExportFilterItem : public TCollectionItem {
    KORVEL_CLASS(TrptExportFilterItem, TCollectionItem)
public:
    explicit TrptExportFilterItem(TCollection* Collection = nullptr);
    ~TrptExportFilterItem() override;
    // Not owned.
    TrptCustomExportFilter* Filter() const { return FFilter; }
    void SetFilter(TrptCustomExportFilter* Value) { FFilter = Value; }

private:
    TrptCustomExportFilter* FFilter = nullptr;
};

// The filters the preview offers in its export menu, in registration order.
class TrptExportFilterCollection : public TCollection {
    KORVEL_CLASS(TrptExportFilterCollection, TCollection)
public:
    TrptExportFilterCollection();
    ~TrptExportFilterCollection() override;

    // Ignored for none and for a filter already listed.
    void Register(TrptCustomExportFilter* Filter);
    // Removes every entry of the filter.
    void Unregister(TrptCustomExportFilter* Filter);
    int IndexOf(const TrptCustomExportFilter* Filter) const;

    TrptExportFilterItem* Items(int Index) const;
    TrptExportFilterItem* GetExportFilterItem(int Index) const { return Items(Index); }
};

// ---------------------------------------------------------------------------------------------
// Wizard registry

class TrptWizardItem : public TCollectionItem {
    KORVEL_CLASS(TrptWizardItem, TCollectionItem)
public:
    explicit TrptWizardItem(TCollection* Collection = nullptr);
    ~TrptWizardItem() override;

    const TClassInfo* ClassRef() const { return FClassRef; }
    void SetClassRef(const TClassInfo* Value) { FClassRef = Value; }
    // Not owned.
    TBitmap* ButtonBmp() const { return FButtonBmp; }
    void SetButtonBmp(TBitmap* Value) { FButtonBmp = Value; }
    int ButtonImageIndex() const { return FButtonImageIndex; }
    void SetButtonImageIndex(int Value) { FButtonImageIndex = Value; }
    bool IsToolbarWizard() const { return FIsToolbarWizard; }
    void SetIsToolbarWizard(bool Value) { FIsToolbarWizard = Value; }

private:
    const TClassInfo* FClassRef = nullptr;
    TBitmap* FButtonBmp = nullptr;
    int FButtonImageIndex = -1;
    bool FIsToolbarWizard = false;
};

class TrptWizardCollection : public TCollection {
    KORVEL_CLASS(TrptWizardCollection, TCollection)
public:
    TrptWizardCollection();
    ~TrptWizardCollection() override;

    // Ignored when the class is listed; otherwise appended with image index -1.
    void Register(const TClassInfo* ClassRef, TBitmap* ButtonBmp, bool IsToolbarWizard = false);
    // Ignored when the class is listed; otherwise appended with the image index and no bitmap.
    void Register1(const TClassInfo* ClassRef, int ImageIndex);
    // Removes every entry of the class.
    void Unregister(const TClassInfo* ClassRef);
    int IndexOf(const TClassInfo* ClassRef) const;

    TrptWizardItem* Items(int Index) const;
    TrptWizardItem* GetWizardItem(int Index) const { return Items(Index); }
};

// ---------------------------------------------------------------------------------------------
// Property editor registry

using TrptPropertyEditorClass = const TClassInfo*;

class TrptPropertyEditorItem : public TCollectionItem {
    KORVEL_CLASS(TrptPropertyEditorItem, TCollectionItem)
public:
    explicit TrptPropertyEditorItem(TCollection* Collection = nullptr);
    ~TrptPropertyEditorItem() override;

    const TTypeInfo* PropertyType() const { return FPropertyType; }
    void SetPropertyType(const TTypeInfo* Value) { FPropertyType = Value; }
    const TClassInfo* ComponentClass() const { return FComponentClass; }
    void SetComponentClass(const TClassInfo* Value) { FComponentClass = Value; }
    const QString& PropertyName() const { return FPropertyName; }
    void SetPropertyName(const QString& Value) { FPropertyName = Value; }
    // None: the property is hidden.
    TrptPropertyEditorClass EditorClass() const { return FEditorClass; }
    void SetEditorClass(TrptPropertyEditorClass Value) { FEditorClass = Value; }

private:
    const TTypeInfo* FPropertyType = nullptr;
    const TClassInfo* FComponentClass = nullptr;
    QString FPropertyName;
    TrptPropertyEditorClass FEditorClass = nullptr;
};

// Maps a property type, an object class and a property name to a property editor class. Three
// kinds of entry mean something: by type (every property of that type), by type and name, and by
// class and name (whatever the type).
class TrptPropertyEditorCollection : public TCollection {
    KORVEL_CLASS(TrptPropertyEditorCollection, TCollection)
public:
    TrptPropertyEditorCollection();
    ~TrptPropertyEditorCollection() override;

    // Appends an entry, without a duplicate test.
    void Register(const TTypeInfo* PropertyType, const TClassInfo* ComponentClass,
                  const QString& PropertyName, TrptPropertyEditorClass EditorClass);
    // The editor of every report event property (types "Trpt...Event").
    void RegisterEventEditor(TrptPropertyEditorClass EditorClass);
    // Removes every entry of that editor class (none is not a class: nothing happens).
    void UnRegister(TrptPropertyEditorClass EditorClass);
    // The index of the entry to use for that property of Component, or -1 for the default editor
    // of the property's kind. A name-specific entry beats a type-only one; among name-specific
    // entries the latest wins, among type-only ones the earliest.
    int GetPropertyEditor(const TTypeInfo* PropertyType, const TObject* Component,
                          const QString& PropertyName) const;
    // Hides the properties named in Names (separated by ";") on the class and its descendants.
    void HidePropertiesOfClass(const TClassInfo* ComponentClass, const QString& Names);

    // The index of the event editor's entry, -1 until one is registered.
    int EventEditorItem() const { return FEventEditorItem; }

    TrptPropertyEditorItem* Items(int Index) const;

private:
    int FEventEditorItem = -1;
};

// The editor classes of the standard registrations, given by the unit that defines them.
struct TrptStandardPropertyEditors {
    TrptPropertyEditorClass NameProperty = nullptr;
    TrptPropertyEditorClass ColorProperty = nullptr;
    TrptPropertyEditorClass FontProperty = nullptr;
    TrptPropertyEditorClass FontNameProperty = nullptr;
    TrptPropertyEditorClass FontCharsetProperty = nullptr;
    TrptPropertyEditorClass ModalResultProperty = nullptr;
    TrptPropertyEditorClass ShortCutProperty = nullptr;
    TrptPropertyEditorClass CursorProperty = nullptr;
    TrptPropertyEditorClass DateTimeProperty = nullptr;
    TrptPropertyEditorClass DateProperty = nullptr;
    TrptPropertyEditorClass TimeProperty = nullptr;
};

// Registers the standard property editors in their fixed order: Name (TComponentName), TColor,
// TFont, TFont's Name and Charset, TModalResult, TShortCut, TCursor, TDateTime, TDate, TTime.
// Every class must be given (an entry without editor would hide the property): EInvalidArgument
// names the missing one, and nothing is registered then.
void RegisterStandardPropertyEditors(const TrptStandardPropertyEditors& Editors);

// ---------------------------------------------------------------------------------------------
// Component editor registry

// The base of the designer's component editors: per-object menu commands and editing dialogs.
class TrptComponentEditor : public TObject {
public:
    TrptComponentEditor(TrptComponent* AComponent, TrptCustomDesigner* ADesigner, TMenu* AMenu);
    ~TrptComponentEditor() override;

    // True when the object was changed; the base has no dialog.
    virtual bool Edit() { return false; }
    virtual bool HasEditor() { return false; }
    // Adds the editor's commands to Menu (AddMenuItem); the base adds none.
    virtual void GetMenuItems() {}
    // Runs the command of that tag; True when the object was changed.
    virtual bool Execute(int Tag, bool Checked) {
        (void)Tag, (void)Checked;
        return false;
    }
    // A menu item owned by Menu with that caption, tag and check mark, appended to Menu; none
    // without a menu.
    TMenuItem* AddMenuItem(const QString& Caption, int Tag, bool Checked);

    TrptComponent* Component() const { return FComponent; }
    TrptCustomDesigner* Designer() const { return FDesigner; }
    TMenu* Menu() const { return FMenu; }

private:
    TrptComponent* FComponent;
    TrptCustomDesigner* FDesigner;
    TMenu* FMenu;
};

using TrptComponentEditorClass = std::unique_ptr<TrptComponentEditor> (*)(TrptComponent* Component,
                                                                          TrptCustomDesigner* Designer,
                                                                          TMenu* Menu);
// The class reference of a component editor class E.
template <class E>
std::unique_ptr<TrptComponentEditor> ComponentEditorOf(TrptComponent* Component, TrptCustomDesigner* Designer,
                                                       TMenu* Menu) {
    return std::make_unique<E>(Component, Designer, Menu);
}

class TrptComponentEditorItem : public TCollectionItem {
    KORVEL_CLASS(TrptComponentEditorItem, TCollectionItem)
public:
    explicit TrptComponentEditorItem(TCollection* Collection = nullptr);
    ~TrptComponentEditorItem() override;

    const TClassInfo* ComponentClass() const { return FComponentClass; }
    void SetComponentClass(const TClassInfo* Value) { FComponentClass = Value; }
    TrptComponentEditorClass ComponentEditor() const { return FComponentEditor; }
    void SetComponentEditor(TrptComponentEditorClass Value) { FComponentEditor = Value; }

private:
    const TClassInfo* FComponentClass = nullptr;
    TrptComponentEditorClass FComponentEditor = nullptr;
};

class TrptComponentEditorCollection : public TCollection {
    KORVEL_CLASS(TrptComponentEditorCollection, TCollection)
public:
    TrptComponentEditorCollection();
    ~TrptComponentEditorCollection() override;

    // Appends, without a duplicate test.
    void Register(const TClassInfo* ComponentClass, TrptComponentEditorClass ComponentEditor);
    // Removes every entry of that editor class.
    void UnRegister(TrptComponentEditorClass ComponentEditor);
    // A new editor for Component: the first entry for exactly its class, else the last entry for
    // a class it descends from; none when there is neither.
    std::unique_ptr<TrptComponentEditor> GetComponentEditor(TrptComponent* Component,
                                                            TrptCustomDesigner* Designer, TMenu* Menu) const;

    TrptComponentEditorItem* Items(int Index) const;
};

// ---------------------------------------------------------------------------------------------
// Accessors: each makes its registry on the first call.

TrptObjectCollection* ObjectRegistry();
TrptExportFilterCollection* ExportFilterRegistry();
TrptWizardCollection* WizardRegistry();
TrptPropertyEditorCollection* PropertyEditorRegistry();
TrptComponentEditorCollection* ComponentEditorRegistry();
// The export filter registry when it exists, without making one (filters leaving it at program
// end use this).
TrptExportFilterCollection* ExistingExportFilterRegistry();
// Frees all five, as the end of the program does; the accessors make new, empty ones afterwards.
void FreeRegistries();
