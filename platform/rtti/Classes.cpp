#include "platform/rtti/Classes.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/ObjectHandles.h"

#include <algorithm>
#include <memory>
#include <mutex>

namespace {

[[noreturn]] void ListIndexError(int index) {
    throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
}

// Owned children are kept by raw pointer because they leave the list themselves when freed;
// this is the one place that frees them.
template <class T> void FreeOwned(T* object) {
    std::unique_ptr<T> owned(object);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TPersistent

KORVEL_CLASS_INFO(TPersistent) {}

void TPersistent::Assign(const TPersistent* source) {
    if (source)
        source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::AssignTo(TPersistent* dest) const {
    dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* source) const {
    const QString sourceName = source ? source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("Cannot assign a %1 to a %2").arg(sourceName, ClassName()));
}

QString TPersistent::GetNamePath() const {
    const QString name = ClassName();
    if (TPersistent* owner = GetOwner()) {
        const QString ownerPath = owner->GetNamePath();
        if (!ownerPath.isEmpty()) return ownerPath + QLatin1Char('.') + name;
    }
    return name;
}

// ---------------------------------------------------------------------------------------------
// TComponent

KORVEL_CLASS_INFO(TComponent) {
    b.Prop("Name", &TComponent::Name, &TComponent::SetName).Type("TComponentName").Stored(false);
    b.Prop("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

bool IsValidIdent(const QString& ident) {
    if (ident.isEmpty()) return false;
    auto alpha = [](QChar c) { return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_'; };
    if (!alpha(ident[0])) return false;
    for (QChar c : ident)
        if (!alpha(c) && !(c >= u'0' && c <= u'9')) return false;
    return true;
}

TComponent::TComponent(TComponent* owner) {
    if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
    Destroying();
    // Tell everyone that watches this component; each one drops its link.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        other->RemoveNotification(this);
        other->Notification(this, opRemove);
    }
    DestroyComponents();
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
    if (FComponentState.Contains(csDestroying)) return;
    FComponentState.Include(csDestroying);
    // Scripts must not reach a component that is going away.
    TObjectHandles::Release(this);
    for (TComponent* c : FComponents)
        c->Destroying();
}

void TComponent::DestroyComponents() {
    while (!FComponents.empty()) {
        TComponent* c = FComponents.back();
        // Siblings die together, so only components others watch send notifications.
        if (c->FComponentState.Contains(csFreeNotification))
            RemoveComponent(c);
        else
            Remove(c);
        FreeOwned(c);
    }
}

TComponent* TComponent::Components(int index) const {
    if (index < 0 || index >= ComponentCount()) ListIndexError(index);
    return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
    if (!FOwner) return -1;
    const auto& list = FOwner->FComponents;
    auto it = std::find(list.begin(), list.end(), this);
    return it == list.end() ? -1 : static_cast<int>(it - list.begin());
}

void TComponent::SetComponentIndex(int value) {
    if (!FOwner) return;
    auto& list = FOwner->FComponents;
    const int cur = ComponentIndex();
    if (cur < 0) return;
    value = std::clamp(value, 0, static_cast<int>(list.size()) - 1);
    if (value == cur) return;
    list.erase(list.begin() + cur);
    list.insert(list.begin() + value, this);
}

void TComponent::SetName(const QString& value) {
    if (FName == value) return;
    if (!value.isEmpty() && !IsValidIdent(value))
        throw EComponentError(QStringLiteral("'%1' is not a valid component name").arg(value));
    if (FOwner)
        FOwner->ValidateRename(this, FName, value);
    else
        ValidateRename(nullptr, FName, value);
    if (FOwner && FOwner->FNameIndex) {
        FOwner->FNameIndex->Remove(FName, this);
        if (!value.isEmpty()) FOwner->FNameIndex->Add(value, this);
    }
    FName = value;
}

void TComponent::ValidateRename(TComponent* component, const QString& curName, const QString& newName) {
    if (component && !SameText(curName, newName) && component->FOwner == this && FindComponent(newName))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(newName));
}

void TComponent::ValidateContainer(TComponent* component) {
    component->ValidateInsert(this);
}

TComponent* TComponent::FindComponent(const QString& name) const {
    if (name.isEmpty()) return nullptr;
    constexpr size_t IndexFrom = 16;
    if (!FNameIndex && FComponents.size() >= IndexFrom) {
        FNameIndex = std::make_unique<TNameIndex<TComponent>>();
        for (TComponent* c : FComponents)
            if (!c->FName.isEmpty()) FNameIndex->Add(c->FName, c);
    }
    if (FNameIndex) return FNameIndex->Find(name);
    for (TComponent* c : FComponents)
        if (SameText(c->FName, name)) return c;
    return nullptr;
}

QString TComponent::UniqueName(const QString& baseName) const {
    for (int n = 1;; ++n) {
        const QString candidate = baseName + QString::number(n);
        if (!FindComponent(candidate)) return candidate;
    }
}

void TComponent::InsertComponent(TComponent* component) {
    if (!component) return;
    if (component->FOwner == this) return;
    // An owner loop would never be freed, or freed twice.
    for (const TComponent* o = this; o; o = o->FOwner)
        if (o == component)
            throw EComponentError(QStringLiteral("A component cannot be owned by itself or its descendant"));
    component->ValidateContainer(this);
    // A name taken here would make FindComponent ambiguous; refuse before anything moves.
    if (FindComponent(component->FName))
        throw EComponentError(QStringLiteral("A component named %1 already exists").arg(component->FName));
    ValidateRename(component, QString(), component->FName);
    if (component->FOwner) component->FOwner->RemoveComponent(component);
    Insert(component);
    if (FComponentState.Contains(csDesigning)) component->SetDesigning(true);
    Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
    if (!component || component->FOwner != this) return;
    Notification(component, opRemove);
    Remove(component);
}

void TComponent::Insert(TComponent* component) {
    FComponents.push_back(component);
    component->FOwner = this;
    if (FNameIndex && !component->FName.isEmpty()) FNameIndex->Add(component->FName, component);
}

void TComponent::Remove(TComponent* component) {
    // Components mostly go in the reverse order they came (owners free from the back).
    auto it = std::find(FComponents.rbegin(), FComponents.rend(), component);
    if (it != FComponents.rend()) FComponents.erase(std::next(it).base());
    component->FOwner = nullptr;
    if (FNameIndex) FNameIndex->Remove(component->FName, component);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
    if (operation == opRemove && component) RemoveFreeNotification(component);
    // Every owned component hears of it; the list may shrink while they react.
    for (size_t i = FComponents.size(); i-- > 0;) {
        if (i >= FComponents.size()) {
            if (FComponents.empty()) break;
            i = FComponents.size() - 1;
        }
        FComponents[i]->Notification(component, operation);
    }
}

void TComponent::FreeNotification(TComponent* component) {
    if (!component || component == this) return;
    if (!FOwner || component->FOwner != FOwner) {
        if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
            FFreeNotifies.push_back(component);
        if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
            component->FFreeNotifies.end())
            component->FFreeNotifies.push_back(this);
    }
    FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
    RemoveNotification(component);
    if (component) component->RemoveNotification(this);
}

void TComponent::RemoveNotification(TComponent* component) {
    auto it = std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component);
    if (it != FFreeNotifies.end()) FFreeNotifies.erase(it);
}

void TComponent::Loaded() {
    FComponentState.Exclude(csLoading);
}

void TComponent::SetLoading(bool value) {
    SetComponentStateFlag(csLoading, value);
}

void TComponent::SetDesigning(bool value, bool setChildren) {
    SetComponentStateFlag(csDesigning, value);
    if (setChildren)
        for (TComponent* c : FComponents)
            c->SetDesigning(value, true);
}

void TComponent::SetAncestor(bool value) {
    SetComponentStateFlag(csAncestor, value);
    for (TComponent* c : FComponents)
        c->SetAncestor(value);
}

void TComponent::SetComponentStateFlag(TComponentStateItem item, bool value) {
    if (value)
        FComponentState.Include(item);
    else
        FComponentState.Exclude(item);
}

// ---------------------------------------------------------------------------------------------
// TCollectionItem

KORVEL_CLASS_INFO(TCollectionItem) {}

TCollectionItem::TCollectionItem(TCollection* collection) {
    SetCollection(collection);
}

TCollectionItem::~TCollectionItem() {
    SetCollection(nullptr);
}

void TCollectionItem::SetCollection(TCollection* value) {
    if (FCollection == value) return;
    if (FCollection) FCollection->RemoveItem(this);
    if (value) value->InsertItem(this);
}

int TCollectionItem::Index() const {
    if (!FCollection) return -1;
    const auto& items = FCollection->FItems;
    auto it = std::find(items.begin(), items.end(), this);
    return it == items.end() ? -1 : static_cast<int>(it - items.begin());
}

void TCollectionItem::SetIndex(int value) {
    const int cur = Index();
    if (cur < 0 || value < 0 || cur == value) return;
    auto& items = FCollection->FItems;
    if (value >= static_cast<int>(items.size())) ListIndexError(value);
    items.erase(items.begin() + cur);
    items.insert(items.begin() + value, this);
    Changed(true);
}

TPersistent* TCollectionItem::GetOwner() const {
    return FCollection;
}

QString TCollectionItem::GetNamePath() const {
    if (!FCollection) return ClassName();
    return QStringLiteral("%1[%2]").arg(FCollection->GetNamePath()).arg(Index());
}

void TCollectionItem::Changed(bool allItems) {
    if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ---------------------------------------------------------------------------------------------
// TCollection

KORVEL_CLASS_INFO(TCollection) {}
KORVEL_CLASS_INFO(TOwnedCollection) {}

TCollection::TCollection(const TClassInfo* itemClass)
    : FItemClass(itemClass ? itemClass : TCollectionItem::StaticClassInfo()) {}

TCollection::~TCollection() {
    FUpdateCount = 1; // no notifications from a dying collection
    while (!FItems.empty())
        FreeOwned(FItems.back());
}

TCollectionItem* TCollection::Items(int index) const {
    if (index < 0 || index >= Count()) ListIndexError(index);
    return FItems[static_cast<size_t>(index)];
}

void TCollection::SetItems(int index, const TCollectionItem* value) {
    Items(index)->Assign(value);
}

TCollectionItem* TCollection::Add() {
    std::unique_ptr<TObject> obj(FItemClass->CreateInstance(nullptr));
    // Checked here, once the item is fully made: during its constructor it cannot tell its class.
    auto* item = dynamic_cast<TCollectionItem*>(obj.get());
    if (!item || !ClassInfoOf(item)->InheritsFrom(FItemClass))
        throw EInvalidCast(QStringLiteral("%1 is not a collection item class").arg(FItemClass->ClassName()));
    obj.release();
    item->SetCollection(this);
    return item;
}

TCollectionItem* TCollection::Insert(int index) {
    if (index < 0 || index > Count()) ListIndexError(index);
    TCollectionItem* item = Add();
    item->SetIndex(index);
    return item;
}

void TCollection::Delete(int index) {
    TCollectionItem* item = Items(index);
    Notify(item, cnDeleting);
    FreeOwned(item);
}

void TCollection::Clear() {
    if (FItems.empty()) return;
    BeginUpdate();
    while (!FItems.empty())
        FreeOwned(FItems.back());
    EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
    for (TCollectionItem* i : FItems)
        if (i->FID == id) return i;
    return nullptr;
}

void TCollection::EndUpdate() {
    if (FUpdateCount > 0 && --FUpdateCount == 0) Changed();
}

void TCollection::Assign(const TPersistent* source) {
    if (auto* other = dynamic_cast<const TCollection*>(source)) {
        if (other == this) return;
        BeginUpdate();
        try {
            Clear();
            for (TCollectionItem* i : other->FItems)
                Add()->Assign(i);
        } catch (...) {
            EndUpdate();
            throw;
        }
        EndUpdate();
        return;
    }
    TPersistent::Assign(source);
}

QString TCollection::GetNamePath() const {
    TPersistent* owner = GetOwner();
    if (!owner) return ClassName();
    const QString path = owner->GetNamePath();
    return path.isEmpty() ? ClassName() : path + QLatin1Char('.') + ClassName();
}

void TCollection::Update(TCollectionItem* item) {
    if (OnUpdate) OnUpdate(this, item);
}

void TCollection::Changed() {
    if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::InsertItem(TCollectionItem* item) {
    FItems.push_back(item);
    item->FCollection = this;
    item->FID = FNextID++;
    Notify(item, cnAdded);
    Changed();
}

void TCollection::RemoveItem(TCollectionItem* item) {
    Notify(item, cnExtracting);
    auto it = std::find(FItems.begin(), FItems.end(), item);
    if (it != FItems.end()) FItems.erase(it);
    item->FCollection = nullptr;
    Changed();
}

// ---------------------------------------------------------------------------------------------
// String lists of the runtime library. Their records descend from TObject, as their C++
// classes do, so nothing casts a string list to TPersistent.

const TClassInfo* TStringsClassInfo() {
    static const TClassInfo* info = TClassBuilder<TStrings>::Build(
        QStringLiteral("TStrings"), TObjectClassInfo(), [](TClassBuilder<TStrings>&) {});
    return info;
}

const TClassInfo* TStringListClassInfo() {
    static const TClassInfo* info = TClassBuilder<TStringList>::Build(
        QStringLiteral("TStringList"), TStringsClassInfo(), [](TClassBuilder<TStringList>&) {});
    return info;
}

void EnsureStandardClassTypes() {
    static std::once_flag once;
    std::call_once(once, [] {
        RegisterClassType(typeid(TStrings), TStringsClassInfo());
        RegisterClassType(typeid(TStringList), TStringListClassInfo());
    });
}

void RegisterStandardClasses() {
    EnsureStandardClassTypes();
    RegisterClasses({TPersistent::StaticClassInfo(), TComponent::StaticClassInfo(),
                     TCollection::StaticClassInfo(), TCollectionItem::StaticClassInfo(), TStringsClassInfo(),
                     TStringListClassInfo()});
}
