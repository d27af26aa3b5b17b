#pragma once
// Report variables: a named list that expressions and scripts read, grouped by categories for the
// designer. A category is an item whose name is one blank followed by the category's name; its
// variables are the items after it up to the next category. Values are usually expression
// texts, which the report evaluates when a variable is used. The list is stored in templates and
// in variables files (".dd3": root "variables", one "item" element per entry).
//
// TrptArray is the same name-to-value storage keyed by any Variant (as text), for scripts.

#include "platform/rtl/Variant.h"
#include "platform/rtti/Classes.h"

#include <QString>

class TStream;
class TStrings;
class TrptXMLItem;

class TrptVariable : public TCollectionItem {
    KORVEL_CLASS(TrptVariable, TCollectionItem)
public:
    // Value starts as Null.
    explicit TrptVariable(TCollection* Collection = nullptr);
    // Copies name and value from another variable; anything else is ignored.
    void Assign(const TPersistent* Source) override;

    const QString& Name() const { return FName; }
    void SetName(const QString& Value) { FName = Value; }
    const Variant& Value() const { return FValue; }
    void SetValue(const Variant& Value) { FValue = Value; }
    QString DisplayName() const override { return FName; }

private:
    QString FName;
    Variant FValue = Variant::Null();
};

class TrptVariables : public TCollection {
    KORVEL_CLASS(TrptVariables, TCollection)
public:
    TrptVariables();
    ~TrptVariables() override;

    TrptVariable* Add();
    TrptVariable* Insert(int Index);
    TrptVariable* Items(int Index) const;
    // The first item whose name equals Name ignoring case (by the locale); -1 when none.
    int IndexOf(const QString& Name) const;
    // The value of the named item, Null when there is none.
    Variant Variables(const QString& Index) const;
    // Sets the named item's value, appending a new variable at the end when there is none.
    void SetVariables(const QString& Index, const Variant& Value);

    // Appends every category name (without its blank, at most 255 characters); List is emptied
    // first when ClearList.
    void GetCategoriesList(TStrings* List, bool ClearList = true) const;
    // The names of a category's variables; an empty Category gives the items before the first
    // category; an unknown one leaves List empty.
    void GetVariablesList(const QString& Category, TStrings* List) const;
    // Frees the category item and its variables; nothing when it is missing.
    void DeleteCategory(const QString& Name);
    void DeleteVariable(const QString& Name);
    // Only into an existing category: an existing variable of that name (in any category) gets
    // the value and stays where it is; otherwise a new one goes after the category's last variable.
    void AddVariable(const QString& ACategory, const QString& AName, const Variant& AValue);

    // Variables files. Loading empties the list first; a document whose root is not "variables"
    // leaves it empty. A file that is not XML raises TrptInvalidXMLException with the list empty.
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName);
    void LoadFromStream(TStream& Stream);
    void SaveToStream(TStream& Stream);
    void LoadFromXMLItem(TrptXMLItem* Item, bool OldXMLFormat = false);
    void SaveToXMLItem(TrptXMLItem* Item);

    void Assign(const TPersistent* Source) override;

private:
    int CategoryIndex(const QString& Category) const;
};

class TrptArray : public TCollection {
    KORVEL_CLASS(TrptArray, TCollection)
public:
    TrptArray();
    ~TrptArray() override;

    TrptVariable* Items(int Index) const;
    // The key as text compared with the item names ignoring case; -1 when none.
    int IndexOf(const Variant& Name) const;
    // Null for a missing key.
    Variant Variables(const Variant& Index) const;
    // A missing key appends an item named by the key's text.
    void SetVariables(const Variant& Index, const Variant& Value);
};

// The process-wide variables every report can read (not evaluated as expressions).
TrptVariables* GlobalVariables();
