#include "report/core/rptDsgnIntf.h"

#include "platform/gfx/Bitmap.h"
#include "platform/gfx/GraphicsClasses.h"
#include "platform/rtl/TextCase.h"
#include "platform/ui/Menus.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDialogComponent.h"

#include <utility>

namespace {

// The registries. Plain pointers, so that they can be asked for (and made again) at any point of
// start-up and shutdown, also after the end-of-program cleanup has run.
struct TRegistries {
    TrptObjectCollection* Objects = nullptr;
    TrptExportFilterCollection* ExportFilters = nullptr;
    TrptWizardCollection* Wizards = nullptr;
    TrptPropertyEditorCollection* PropertyEditors = nullptr;
    TrptComponentEditorCollection* ComponentEditors = nullptr;
};
constinit TRegistries GRegistries;

template <class T> void FreeRegistry(T*& Registry) {
    std::unique_ptr<T> doomed(std::exchange(Registry, nullptr));
}

// Frees the registries when the program ends. Made with the first registry, so it goes before
// anything made earlier (whose destructors may still leave a registry).
struct TRegistryCleanup {
    ~TRegistryCleanup() { FreeRegistries(); }
};

void EnsureCleanup() {
    static TRegistryCleanup cleanup;
}

template <class T> T* Registry(T*& Slot) {
    if (!Slot) {
        EnsureCleanup();
        Slot = std::make_unique<T>().release();
    }
    return Slot;
}

[[noreturn]] void BadIndex(int Index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
}

template <class Item> Item* ItemAt(const TCollection* Collection, int Index) {
    if (Index < 0 || Index >= Collection->Count()) BadIndex(Index);
    return static_cast<Item*>(Collection->Items(Index));
}

// Where a class may be inserted when its registration names no category.
TrptObjectCategories DerivedCategory(const TClassInfo* ClassRef) {
    TrptObjectCategories c;
    if (ClassRef->InheritsFrom(TrptDataSet::StaticClassInfo()) ||
        ClassRef->InheritsFrom(TrptCustomDatabase::StaticClassInfo()))
        c.Include(ctData);
    else if (ClassRef->InheritsFrom(QStringLiteral("TrptDialogControl")) ||
             ClassRef->InheritsFrom(TrptDialogComponent::StaticClassInfo()))
        c.Include(ctDialog);
    else
        c.Include(ctReport);
    return c;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Accessors

TrptObjectCollection* ObjectRegistry() {
    return Registry(GRegistries.Objects);
}

TrptExportFilterCollection* ExportFilterRegistry() {
    return Registry(GRegistries.ExportFilters);
}

TrptWizardCollection* WizardRegistry() {
    return Registry(GRegistries.Wizards);
}

TrptPropertyEditorCollection* PropertyEditorRegistry() {
    return Registry(GRegistries.PropertyEditors);
}

TrptComponentEditorCollection* ComponentEditorRegistry() {
    return Registry(GRegistries.ComponentEditors);
}

TrptExportFilterCollection* ExistingExportFilterRegistry() {
    return GRegistries.ExportFilters;
}

void FreeRegistries() {
    FreeRegistry(GRegistries.Objects);
    FreeRegistry(GRegistries.ExportFilters);
    FreeRegistry(GRegistries.Wizards);
    FreeRegistry(GRegistries.PropertyEditors);
    FreeRegistry(GRegistries.ComponentEditors);
}

// ---------------------------------------------------------------------------------------------
// Object registry

KORVEL_CLASS_INFO(TrptObjectItem) {}

TrptObjectItem::TrptObjectItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptObjectItem::~TrptObjectItem() = default;

KORVEL_CLASS_INFO(TrptObjectCollection) {}

TrptObjectCollection::TrptObjectCollection() : TCollection(TrptObjectItem::StaticClassInfo()) {}

TrptObjectCollection::~TrptObjectCollection() = default;

TrptObjectItem* TrptObjectCollection::Items(int Index) const {
    return ItemAt<TrptObjectItem>(this, Index);
}

void TrptObjectCollection::RegisterObject1(const TClassInfo* ClassRef, TBitmap* ButtonBmp,
                                           const QString& ButtonHint, const QString& CategoryName,
                                           quint16 Flags, int ImageIndex, TrptObjectCategories Category) {
    if (ClassRef) {
        for (int i = 0; i < Count(); ++i) {
            const TrptObjectItem* item = Items(i);
            if (item->ClassRef() == ClassRef && item->Flags() == Flags) return;
        }
        RegisterClass(ClassRef);
        if (Category.Empty()) Category = DerivedCategory(ClassRef);
    }
    auto* item = static_cast<TrptObjectItem*>(Add());
    item->SetClassRef(ClassRef);
    item->SetButtonBmp(ButtonBmp);
    item->SetButtonImageIndex(ImageIndex);
    item->SetButtonHint(ButtonHint);
    item->SetCategoryName(CategoryName);
    item->SetFlags(Flags);
    item->SetCategory(Category);
    if (ButtonBmp) ButtonBmp->Dormant();
}

void TrptObjectCollection::RegisterObject(const TClassInfo* ClassRef, TBitmap* ButtonBmp,
                                          const QString& CategoryName) {
    RegisterObject1(ClassRef, ButtonBmp, QString(), CategoryName, 0, -1, TrptObjectCategories());
}

void TrptObjectCollection::RegisterCategory(const QString& CategoryName, TBitmap* ButtonBmp,
                                            const QString& ButtonHint, int ImageIndex) {
    RegisterObject1(nullptr, ButtonBmp, ButtonHint, CategoryName, 0, ImageIndex, TrptObjectCategories());
}

void TrptObjectCollection::Unregister(const TClassInfo* ClassRef) {
    if (!ClassRef) return;
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->ClassRef() == ClassRef) Delete(i);
}

// ---------------------------------------------------------------------------------------------
// Export filter registry

KORVEL_CLASS_INFO(TrptExportFilterItem) {}

TrptExportFilterItem::TrptExportFilterItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptExportFilterItem::~TrptExportFilterItem() = default;

KORVEL_CLASS_INFO(TrptExportFilterCollection) {}

TrptExportFilterCollection::TrptExportFilterCollection()
    : TCollection(TrptExportFilterItem::StaticClassInfo()) {}

TrptExportFilterCollection::~TrptExportFilterCollection() = default;

TrptExportFilterItem* TrptExportFilterCollection::Items(int Index) const {
    return ItemAt<TrptExportFilterItem>(this, Index);
}

int TrptExportFilterCollection::IndexOf(const TrptCustomExportFilter* Filter) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->Filter() == Filter) return i;
    return -1;
}

void TrptExportFilterCollection::Register(TrptCustomExportFilter* Filter) {
    if (!Filter || IndexOf(Filter) >= 0) return;
    static_cast<TrptExportFilterItem*>(Add())->SetFilter(Filter);
}

void TrptExportFilterCollection::Unregister(TrptCustomExportFilter* Filter) {
    if (!Filter) return;
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->Filter() == Filter) Delete(i);
}

// ---------------------------------------------------------------------------------------------
// Wizard registry

KORVEL_CLASS_INFO(TrptWizardItem) {}

TrptWizardItem::TrptWizardItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptWizardItem::~TrptWizardItem() = default;

KORVEL_CLASS_INFO(TrptWizardCollection) {}

TrptWizardCollection::TrptWizardCollection() : TCollection(TrptWizardItem::StaticClassInfo()) {}

TrptWizardCollection::~TrptWizardCollection() = default;

TrptWizardItem* TrptWizardCollection::Items(int Index) const {
    return ItemAt<TrptWizardItem>(this, Index);
}

int TrptWizardCollection::IndexOf(const TClassInfo* ClassRef) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->ClassRef() == ClassRef) return i;
    return -1;
}

void TrptWizardCollection::Register(const TClassInfo* ClassRef, TBitmap* ButtonBmp, bool IsToolbarWizard) {
    if (!ClassRef || IndexOf(ClassRef) >= 0) return;
    auto* item = static_cast<TrptWizardItem*>(Add());
    item->SetClassRef(ClassRef);
    item->SetButtonBmp(ButtonBmp);
    item->SetButtonImageIndex(-1);
    item->SetIsToolbarWizard(IsToolbarWizard);
    if (ButtonBmp) ButtonBmp->Dormant();
}

void TrptWizardCollection::Register1(const TClassInfo* ClassRef, int ImageIndex) {
    if (!ClassRef || IndexOf(ClassRef) >= 0) return;
    auto* item = static_cast<TrptWizardItem*>(Add());
    item->SetClassRef(ClassRef);
    item->SetButtonImageIndex(ImageIndex);
}

void TrptWizardCollection::Unregister(const TClassInfo* ClassRef) {
    if (!ClassRef) return;
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->ClassRef() == ClassRef) Delete(i);
}

// ---------------------------------------------------------------------------------------------
// Property editor registry

KORVEL_CLASS_INFO(TrptPropertyEditorItem) {}

TrptPropertyEditorItem::TrptPropertyEditorItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptPropertyEditorItem::~TrptPropertyEditorItem() = default;

KORVEL_CLASS_INFO(TrptPropertyEditorCollection) {}

TrptPropertyEditorCollection::TrptPropertyEditorCollection()
    : TCollection(TrptPropertyEditorItem::StaticClassInfo()) {}

TrptPropertyEditorCollection::~TrptPropertyEditorCollection() = default;

TrptPropertyEditorItem* TrptPropertyEditorCollection::Items(int Index) const {
    return ItemAt<TrptPropertyEditorItem>(this, Index);
}

void TrptPropertyEditorCollection::Register(const TTypeInfo* PropertyType, const TClassInfo* ComponentClass,
                                            const QString& PropertyName,
                                            TrptPropertyEditorClass EditorClass) {
    auto* item = static_cast<TrptPropertyEditorItem*>(Add());
    item->SetPropertyType(PropertyType);
    item->SetComponentClass(ComponentClass);
    item->SetPropertyName(PropertyName);
    item->SetEditorClass(EditorClass);
}

void TrptPropertyEditorCollection::RegisterEventEditor(TrptPropertyEditorClass EditorClass) {
    Register(nullptr, nullptr, QString(), EditorClass);
    FEventEditorItem = Count() - 1;
}

void TrptPropertyEditorCollection::UnRegister(TrptPropertyEditorClass EditorClass) {
    if (!EditorClass) return;
    for (int i = Count() - 1; i >= 0; --i) {
        if (Items(i)->EditorClass() != EditorClass) continue;
        Delete(i);
        // The remembered position keeps naming the event editor's entry, or none once it is gone.
        if (i == FEventEditorItem)
            FEventEditorItem = -1;
        else if (i < FEventEditorItem)
            --FEventEditorItem;
    }
}

int TrptPropertyEditorCollection::GetPropertyEditor(const TTypeInfo* PropertyType, const TObject* Component,
                                                    const QString& PropertyName) const {
    // Report event types ("TrptNotifyEvent", "TrptRunDialogsEvent" ...) all get the event editor.
    if (PropertyType) {
        const QString name = PropertyType->Name().toLower();
        if (name.startsWith(QLatin1String("trpt"))) {
            const qsizetype p = name.indexOf(QLatin1String("event"));
            if (p >= 0 && p + 5 == name.size()) return FEventEditorItem;
        }
    }
    const TClassInfo* componentClass = Component ? ClassInfoOf(Component) : nullptr;
    int typeOnly = -1;
    for (int i = Count() - 1; i >= 0; --i) {
        const TrptPropertyEditorItem* item = Items(i);
        if (!item->ComponentClass()) {
            if (item->PropertyType() != PropertyType) continue;
            if (item->PropertyName().isEmpty())
                typeOnly = i;
            else if (SameText(item->PropertyName(), PropertyName))
                return i;
        } else if (componentClass && componentClass->InheritsFrom(item->ComponentClass()) &&
                   SameText(item->PropertyName(), PropertyName)) {
            return i;
        }
    }
    return typeOnly;
}

void TrptPropertyEditorCollection::HidePropertiesOfClass(const TClassInfo* ComponentClass,
                                                         const QString& Names) {
    for (const QString& piece : Names.split(QLatin1Char(';'))) {
        const QString name = piece.trimmed();
        if (!name.isEmpty()) Register(nullptr, ComponentClass, name, nullptr);
    }
}

void RegisterStandardPropertyEditors(const TrptStandardPropertyEditors& Editors) {
    struct TEntry {
        const TTypeInfo* Type;
        const TClassInfo* Class;
        const char* Name;
        TrptPropertyEditorClass Editor;
        const char* Slot;
    };
    const TEntry entries[] = {
        {TTypeInfo::Named(tkString, QStringLiteral("TComponentName")), nullptr, "Name", Editors.NameProperty,
         "NameProperty"},
        {TTypeInfo::Named(tkInteger, QStringLiteral("TColor")), nullptr, "", Editors.ColorProperty,
         "ColorProperty"},
        {TFontClassInfo()->TypeInfo(), nullptr, "", Editors.FontProperty, "FontProperty"},
        {TTypeInfo::Named(tkString, QStringLiteral("String")), TFontClassInfo(), "Name",
         Editors.FontNameProperty, "FontNameProperty"},
        {TTypeInfo::Named(tkInteger, QStringLiteral("Integer")), TFontClassInfo(), "Charset",
         Editors.FontCharsetProperty, "FontCharsetProperty"},
        {TTypeInfo::Named(tkInteger, QStringLiteral("TModalResult")), nullptr, "",
         Editors.ModalResultProperty, "ModalResultProperty"},
        {TTypeInfo::Named(tkInteger, QStringLiteral("TShortCut")), nullptr, "", Editors.ShortCutProperty,
         "ShortCutProperty"},
        {TTypeInfo::Named(tkInteger, QStringLiteral("TCursor")), nullptr, "", Editors.CursorProperty,
         "CursorProperty"},
        {TTypeInfo::Named(tkFloat, QStringLiteral("TDateTime")), nullptr, "", Editors.DateTimeProperty,
         "DateTimeProperty"},
        {TTypeInfo::Named(tkFloat, QStringLiteral("TDate")), nullptr, "", Editors.DateProperty,
         "DateProperty"},
        {TTypeInfo::Named(tkFloat, QStringLiteral("TTime")), nullptr, "", Editors.TimeProperty,
         "TimeProperty"},
    };
    // An entry without editor would hide the property: refuse the whole table instead.
    for (const TEntry& e : entries)
        if (!e.Editor)
            throw EInvalidArgument(
                QStringLiteral("Standard property editor %1 is missing").arg(QString::fromLatin1(e.Slot)));
    TrptPropertyEditorCollection* registry = PropertyEditorRegistry();
    for (const TEntry& e : entries)
        registry->Register(e.Type, e.Class, QString::fromLatin1(e.Name), e.Editor);
}

// ---------------------------------------------------------------------------------------------
// Component editors

TrptComponentEditor::TrptComponentEditor(TrptComponent* AComponent, TrptCustomDesigner* ADesigner,
                                         TMenu* AMenu)
    : FComponent(AComponent), FDesigner(ADesigner), FMenu(AMenu) {}

TrptComponentEditor::~TrptComponentEditor() = default;

TMenuItem* TrptComponentEditor::AddMenuItem(const QString& Caption, int Tag, bool Checked) {
    if (!FMenu) return nullptr;
    auto* item = new TMenuItem(FMenu); // owned by the menu
    item->SetCaption(Caption);
    item->SetTag(Tag);
    item->SetChecked(Checked);
    FMenu->Items()->Add(item);
    return item;
}

KORVEL_CLASS_INFO(TrptComponentEditorItem) {}

TrptComponentEditorItem::TrptComponentEditorItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptComponentEditorItem::~TrptComponentEditorItem() = default;

KORVEL_CLASS_INFO(TrptComponentEditorCollection) {}

TrptComponentEditorCollection::TrptComponentEditorCollection()
    : TCollection(TrptComponentEditorItem::StaticClassInfo()) {}

TrptComponentEditorCollection::~TrptComponentEditorCollection() = default;

TrptComponentEditorItem* TrptComponentEditorCollection::Items(int Index) const {
    return ItemAt<TrptComponentEditorItem>(this, Index);
}

void TrptComponentEditorCollection::Register(const TClassInfo* ComponentClass,
                                             TrptComponentEditorClass ComponentEditor) {
    auto* item = static_cast<TrptComponentEditorItem*>(Add());
    item->SetComponentClass(ComponentClass);
    item->SetComponentEditor(ComponentEditor);
}

void TrptComponentEditorCollection::UnRegister(TrptComponentEditorClass ComponentEditor) {
    if (!ComponentEditor) return;
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->ComponentEditor() == ComponentEditor) Delete(i);
}

std::unique_ptr<TrptComponentEditor>
TrptComponentEditorCollection::GetComponentEditor(TrptComponent* Component, TrptCustomDesigner* Designer,
                                                  TMenu* Menu) const {
    if (!Component) return nullptr;
    const TClassInfo* cls = ClassInfoOf(Component);
    int found = -1;
    for (int i = 0; i < Count() && found < 0; ++i)
        if (Items(i)->ComponentClass() == cls) found = i;
    if (found < 0)
        for (int i = 0; i < Count(); ++i)
            if (Items(i)->ComponentClass() && cls->InheritsFrom(Items(i)->ComponentClass())) found = i;
    if (found < 0 || !Items(found)->ComponentEditor()) return nullptr;
    return Items(found)->ComponentEditor()(Component, Designer, Menu);
}
