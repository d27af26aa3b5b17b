#pragma once
// The persistent and component base classes: assignment between persistent objects, the
// owner tree of components with names, free notifications and loading state, and collections
// of items.

#include "platform/rtti/Filer.h"
#include "platform/rtti/TypInfo.h"

#include "platform/rtl/Set.h"

#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TPersistent : public TObject {
    KORVEL_CLASS(TPersistent, TObject)
public:
    TPersistent() = default;
    // Copies source into this object: source->AssignTo(this), whose default raises
    // EConvertError "Cannot assign a TSource to a TDest" ("a nil" for no source).
    virtual void Assign(const TPersistent* source);
    virtual TPersistent* GetOwner() const { return nullptr; }
    // Dotted path for messages and the designer: owner's path, a point, own name.
    virtual QString GetNamePath() const;

protected:
    friend class TWriter;
    friend class TReader;
    virtual void AssignTo(TPersistent* dest) const;
    [[noreturn]] void AssignError(const TPersistent* source) const;
    // Lists data kept outside the published properties for the binary property stream
    // (filer->DefineProperty / DefineBinaryProperty); overrides call the inherited version.
    virtual void DefineProperties(TFiler* filer) {}
};

enum TOperation { opInsert, opRemove };

enum TComponentStateItem {
    csLoading,
    csReading,
    csWriting,
    csDestroying,
    csDesigning,
    csAncestor,
    csUpdating,
    csFixups,
    csFreeNotification,
    csInline,
    csDesignInstance
};
using TComponentState = TSet<TComponentStateItem>;

// True for a letter or '_' followed by letters, digits and '_' (ASCII, as names in files are).
bool IsValidIdent(const QString& ident);

class TComponent : public TPersistent {
    KORVEL_CLASS(TComponent, TPersistent)
public:
    // With an owner, the owner keeps and finally frees the component; without one, the
    // creator does (std::unique_ptr).
    explicit TComponent(TComponent* owner = nullptr);
    ~TComponent() override;

    TComponent* Owner() const { return FOwner; }
    int ComponentCount() const { return static_cast<int>(FComponents.size()); }
    TComponent* Components(int index) const; // EListError for a bad index
    int ComponentIndex() const;
    void SetComponentIndex(int value);

    const QString& Name() const { return FName; }
    // An identifier or empty; unique among the owner's components ignoring case.
    // EComponentError "'X' is not a valid component name" / "A component named X already exists".
    virtual void SetName(const QString& value);
    int Tag() const { return FTag; }
    void SetTag(int value) { FTag = value; }

    TComponentState ComponentState() const { return FComponentState; }
    bool IsLoading() const { return FComponentState.Contains(csLoading); }
    bool IsDesigning() const { return FComponentState.Contains(csDesigning); }
    bool IsDestroying() const { return FComponentState.Contains(csDestroying); }
    // For the readers and the designer, which drive these states.
    void SetLoading(bool value);
    void SetDesigning(bool value, bool setChildren = true);
    void SetAncestor(bool value);
    void SetComponentStateFlag(TComponentStateItem item, bool value);

    // The owned component of that name, ignoring case; nullptr for none or an empty name.
    TComponent* FindComponent(const QString& name) const;
    // baseName followed by the smallest number from 1 that no owned component uses.
    QString UniqueName(const QString& baseName) const;

    void InsertComponent(TComponent* component);
    void RemoveComponent(TComponent* component);
    void DestroyComponents();
    void Destroying();

    // Asks to be told (Notification with opRemove) when component is freed; both sides are
    // told, whichever dies first. Components of one owner are told through the owner anyway.
    void FreeNotification(TComponent* component);
    void RemoveFreeNotification(TComponent* component);

    // Called by readers once the whole tree and its references are read.
    virtual void Loaded();
    virtual void ValidateRename(TComponent* component, const QString& curName, const QString& newName);

    TPersistent* GetOwner() const override { return FOwner; }
    QString GetNamePath() const override { return FName; }

protected:
    // Told of every component inserted into or removed from this one's owner tree, and of
    // components this one asked to watch. Overrides clear their references on opRemove and
    // call the inherited version.
    virtual void Notification(TComponent* component, TOperation operation);
    virtual void ValidateInsert(TComponent* component) {}
    virtual void ValidateContainer(TComponent* component);

private:
    void Insert(TComponent* component);
    void Remove(TComponent* component);
    void RemoveNotification(TComponent* component);

    TComponent* FOwner = nullptr;
    QString FName;
    int FTag = 0;
    TComponentState FComponentState;
    std::vector<TComponent*> FComponents;   // owned
    std::vector<TComponent*> FFreeNotifies; // not owned
    // Names of the owned components, made once an owner holds many of them (a report's
    // thousands of objects are found by name while a template loads).
    mutable std::unique_ptr<TNameIndex<TComponent>> FNameIndex;
};

class TCollection;

class TCollectionItem : public TPersistent {
    KORVEL_CLASS(TCollectionItem, TPersistent)
public:
    // With a collection, the item joins it and the collection frees it.
    explicit TCollectionItem(TCollection* collection = nullptr);
    ~TCollectionItem() override;

    TCollection* Collection() const { return FCollection; }
    void SetCollection(TCollection* value);
    int ID() const { return FID; }
    int Index() const;
    void SetIndex(int value);
    virtual QString DisplayName() const { return ClassName(); }

    TPersistent* GetOwner() const override;
    QString GetNamePath() const override;

protected:
    // Tells the collection (Update) that this item, or with allItems every item, changed.
    void Changed(bool allItems);

private:
    friend class TCollection;
    TCollection* FCollection = nullptr;
    int FID = 0;
};

enum TCollectionNotification { cnAdded, cnExtracting, cnDeleting };

class TCollection : public TPersistent {
    KORVEL_CLASS(TCollection, TPersistent)
public:
    // Items are made by itemClass's factory and must descend from TCollectionItem.
    explicit TCollection(const TClassInfo* itemClass);
    ~TCollection() override;

    const TClassInfo* ItemClass() const { return FItemClass; }
    int Count() const { return static_cast<int>(FItems.size()); }
    TCollectionItem* Items(int index) const; // EListError "List index out of bounds (n)"
    // Assigns value to the item at index.
    void SetItems(int index, const TCollectionItem* value);
    TCollectionItem* Add();
    TCollectionItem* Insert(int index);
    void Delete(int index);
    void Clear();
    TCollectionItem* FindItemID(int id) const;
    template <class T> T* AddItem() { return dynamic_cast<T*>(Add()); }

    // Update notifications wait until the outermost EndUpdate, which sends one for everything.
    void BeginUpdate() { ++FUpdateCount; }
    void EndUpdate();
    int UpdateCount() const { return FUpdateCount; }

    void Assign(const TPersistent* source) override;
    QString GetNamePath() const override;

    // Called with the changed item, or nullptr when the whole collection changed.
    std::function<void(TCollection* sender, TCollectionItem* item)> OnUpdate;

protected:
    virtual void Update(TCollectionItem* item);
    virtual void Notify(TCollectionItem* item, TCollectionNotification action) {}
    void Changed();

private:
    friend class TCollectionItem;
    void InsertItem(TCollectionItem* item);
    void RemoveItem(TCollectionItem* item);

    const TClassInfo* FItemClass;
    std::vector<TCollectionItem*> FItems; // owned
    int FNextID = 0;
    int FUpdateCount = 0;
};

// A collection that reports an owner (the object whose property it is).
class TOwnedCollection : public TCollection {
    KORVEL_CLASS(TOwnedCollection, TCollection)
public:
    TOwnedCollection(TPersistent* owner, const TClassInfo* itemClass)
        : TCollection(itemClass), FOwner(owner) {}
    TPersistent* GetOwner() const override { return FOwner; }

private:
    TPersistent* FOwner;
};

// Registers by name the classes of this unit and the runtime library's string lists (which
// are also found by type, so ClassName of a TStringList is "TStringList").
void RegisterStandardClasses();
const TClassInfo* TStringsClassInfo();
const TClassInfo* TStringListClassInfo();
