#include "report/core/rptVariables.h"

#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptXML.h"
#include "report/core/rptXMLSerializer.h"

#include <memory>

namespace {

bool IsCategoryName(const QString& Name) {
    return !Name.isEmpty() && Name.at(0) == u' ';
}

// Reads every "item" child of Item into a new variable of List; other children are skipped.
void ReadItems(TrptVariables* List, TrptXMLItem* Item, bool OldXMLFormat) {
    TrptXMLSerializer serializer(nullptr);
    serializer.SetOldFormat(OldXMLFormat);
    for (int i = 0; i < Item->Count(); ++i) {
        TrptXMLItem* child = Item->Items(i);
        if (!SameText(child->Name(), QStringLiteral("item"))) continue;
        serializer.XMLToObj(child->Text(), List->Add());
    }
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrptVariable

KORVEL_CLASS_INFO(TrptVariable) {
    b.Prop("Name", &TrptVariable::Name, &TrptVariable::SetName);
    b.Prop("Value", &TrptVariable::Value, &TrptVariable::SetValue);
}

TrptVariable::TrptVariable(TCollection* Collection) : TCollectionItem(Collection) {}

void TrptVariable::Assign(const TPersistent* Source) {
    if (const auto* v = dynamic_cast<const TrptVariable*>(Source)) {
        FName = v->FName;
        FValue = v->FValue;
    }
}

// ---------------------------------------------------------------------------------------------
// TrptVariables

KORVEL_CLASS_INFO(TrptVariables) {}

TrptVariables::TrptVariables() : TCollection(TrptVariable::StaticClassInfo()) {}

TrptVariables::~TrptVariables() = default;

TrptVariable* TrptVariables::Add() {
    return static_cast<TrptVariable*>(TCollection::Add());
}

TrptVariable* TrptVariables::Insert(int Index) {
    return static_cast<TrptVariable*>(TCollection::Insert(Index));
}

TrptVariable* TrptVariables::Items(int Index) const {
    return static_cast<TrptVariable*>(TCollection::Items(Index));
}

int TrptVariables::IndexOf(const QString& Name) const {
    const int n = Count();
    for (int i = 0; i < n; ++i) {
        const QString& name = Items(i)->Name();
        // Equal lengths first: the locale compare is the expensive part of a lookup.
        if (name.size() == Name.size() && AnsiSameText(name, Name)) return i;
    }
    return -1;
}

Variant TrptVariables::Variables(const QString& Index) const {
    const int i = IndexOf(Index);
    return i >= 0 ? Items(i)->Value() : Variant::Null();
}

void TrptVariables::SetVariables(const QString& Index, const Variant& Value) {
    const int i = IndexOf(Index);
    TrptVariable* v = i >= 0 ? Items(i) : nullptr;
    if (!v) {
        v = Add();
        v->SetName(Index);
    }
    v->SetValue(Value);
}

int TrptVariables::CategoryIndex(const QString& Category) const {
    return IndexOf(QLatin1Char(' ') + Category);
}

void TrptVariables::GetCategoriesList(TStrings* List, bool ClearList) const {
    if (!List) return;
    if (ClearList) List->Clear();
    for (int i = 0; i < Count(); ++i) {
        const QString& name = Items(i)->Name();
        if (IsCategoryName(name)) List->Add(name.mid(1, 255));
    }
}

void TrptVariables::GetVariablesList(const QString& Category, TStrings* List) const {
    if (!List) return;
    List->Clear();
    int i = 0;
    if (!Category.isEmpty()) {
        i = CategoryIndex(Category);
        if (i < 0) return;
        ++i;
    }
    for (; i < Count(); ++i) {
        const QString& name = Items(i)->Name();
        if (IsCategoryName(name)) break;
        List->Add(name);
    }
}

void TrptVariables::DeleteCategory(const QString& Name) {
    const int i = CategoryIndex(Name);
    if (i < 0) return;
    BeginUpdate();
    Delete(i);
    while (i < Count() && !IsCategoryName(Items(i)->Name()))
        Delete(i);
    EndUpdate();
}

void TrptVariables::DeleteVariable(const QString& Name) {
    const int i = IndexOf(Name);
    if (i >= 0) Delete(i);
}

void TrptVariables::AddVariable(const QString& ACategory, const QString& AName, const Variant& AValue) {
    int i = CategoryIndex(ACategory);
    if (i < 0) return;
    if (const int existing = IndexOf(AName); existing >= 0) {
        Items(existing)->SetValue(AValue);
        return;
    }
    ++i;
    while (i < Count() && !IsCategoryName(Items(i)->Name()))
        ++i;
    TrptVariable* v = Insert(i);
    v->SetName(AName);
    v->SetValue(AValue);
}

void TrptVariables::LoadFromFile(const QString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TrptVariables::SaveToFile(const QString& FileName) {
    // Through a temporary file: a failed save leaves the old file as it was.
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("variables"));
    SaveToXMLItem(doc.Root());
    doc.SaveToFile(FileName);
}

void TrptVariables::LoadFromStream(TStream& Stream) {
    Clear();
    TrptXMLDocument doc;
    doc.LoadFromStream(Stream);
    TrptXMLItem* root = doc.Root();
    if (SameText(root->Name(), QStringLiteral("variables"))) ReadItems(this, root, doc.OldVersion());
}

void TrptVariables::SaveToStream(TStream& Stream) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("variables"));
    SaveToXMLItem(doc.Root());
    doc.SaveToStream(Stream);
}

void TrptVariables::LoadFromXMLItem(TrptXMLItem* Item, bool OldXMLFormat) {
    Clear();
    if (Item) ReadItems(this, Item, OldXMLFormat);
}

void TrptVariables::SaveToXMLItem(TrptXMLItem* Item) {
    if (!Item) return;
    TrptXMLSerializer serializer(nullptr);
    for (int i = 0; i < Count(); ++i) {
        TrptXMLItem* child = Item->Add(QStringLiteral("item"));
        child->SetText(serializer.ObjToXML(Items(i)));
    }
}

void TrptVariables::Assign(const TPersistent* Source) {
    if (const auto* src = dynamic_cast<const TrptVariables*>(Source)) {
        if (src == this) return;
        BeginUpdate();
        Clear();
        for (int i = 0; i < src->Count(); ++i)
            Add()->Assign(src->Items(i));
        EndUpdate();
        return;
    }
    TCollection::Assign(Source);
}

// ---------------------------------------------------------------------------------------------
// TrptArray

KORVEL_CLASS_INFO(TrptArray) {}

TrptArray::TrptArray() : TCollection(TrptVariable::StaticClassInfo()) {}

TrptArray::~TrptArray() = default;

TrptVariable* TrptArray::Items(int Index) const {
    return static_cast<TrptVariable*>(TCollection::Items(Index));
}

int TrptArray::IndexOf(const Variant& Name) const {
    const QString key = VarToStr(Name);
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), key)) return i;
    return -1;
}

Variant TrptArray::Variables(const Variant& Index) const {
    const int i = IndexOf(Index);
    return i >= 0 ? Items(i)->Value() : Variant::Null();
}

void TrptArray::SetVariables(const Variant& Index, const Variant& Value) {
    const int i = IndexOf(Index);
    TrptVariable* v = i >= 0 ? Items(i) : nullptr;
    if (!v) {
        v = static_cast<TrptVariable*>(Add());
        v->SetName(VarToStr(Index));
    }
    v->SetValue(Value);
}

// ---------------------------------------------------------------------------------------------

TrptVariables* GlobalVariables() {
    static const std::unique_ptr<TrptVariables> list = std::make_unique<TrptVariables>();
    return list.get();
}
