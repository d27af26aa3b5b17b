#include "report/core/rptOutline.h"

#include "report/core/rptXML.h"

#include <cstdint>

KORVEL_CLASS_INFO(TrptOutline) {}
KORVEL_CLASS_INFO(TrptDictionary) {}

namespace {

const QString OutlineName = QStringLiteral("outline");
const QString ItemName = QStringLiteral("item");
const QString TextAttr = QStringLiteral("text");
const QString PageAttr = QStringLiteral("page");
const QString TopAttr = QStringLiteral("top");

// An attribute as a number; ok false when it is empty or not a whole number.
int IntProp(const TrptXMLItem* item, const QString& name, bool& ok) {
    const QString s = item->GetProp(name);
    ok = false;
    if (s.isEmpty()) return 0;
    return s.trimmed().toInt(&ok);
}

void ShiftTree(TrptXMLItem* item, int delta) {
    bool ok = false;
    const int page = IntProp(item, PageAttr, ok);
    item->SetProp(PageAttr, QString::number(page + 1));
    const int top = IntProp(item, TopAttr, ok);
    item->SetProp(TopAttr, QString::number(top + delta));
    for (int i = 0; i < item->Count(); ++i) ShiftTree(item->Items(i), delta);
}

// The names list keeps the source index in each entry's object slot; nothing is pointed to.
TObject* IndexAsObject(int index) {
    return reinterpret_cast<TObject*>(static_cast<std::intptr_t>(index));
}
int ObjectAsIndex(TObject* obj) {
    return static_cast<int>(reinterpret_cast<std::intptr_t>(obj));
}

} // namespace

// ---------------------------------------------------------------------------------------------
// TrptOutline

TrptOutline::TrptOutline(TrptCustomPreviewPages* APreviewPages, TrptXMLDocument* ADocument)
    : TrptCustomOutline(APreviewPages), FDocument(ADocument) {}

int TrptOutline::GetCount() {
    return FCurItem ? FCurItem->Count() : 0;
}

void TrptOutline::AddItem(const QString& Text, int Top) {
    // Before the first LevelRoot the item goes to the root level rather than nowhere.
    if (!FCurItem) LevelRoot();
    TrptXMLItem* item = FCurItem->Add(ItemName);
    item->SetProp(TextAttr, Text);
    item->SetProp(PageAttr, QString::number(FPreviewPages ? FPreviewPages->CurPage() : 0));
    item->SetProp(TopAttr, QString::number(Top));
    FCurItem = item;
}

void TrptOutline::LevelDown(int Index) {
    if (!FCurItem) return;
    FCurItem = FCurItem->Items(Index);
}

void TrptOutline::LevelRoot() {
    FCurItem = FDocument->Root()->FindItem(OutlineName);
}

void TrptOutline::LevelUp() {
    if (!FCurItem) return;
    const TrptXMLItem* root = FDocument->Root()->FindItem(OutlineName);
    if (FCurItem != root && FCurItem->Parent()) FCurItem = FCurItem->Parent();
}

void TrptOutline::GetItem(int Index, QString& Text, int& Page, int& Top) {
    if (!FCurItem) return;
    const TrptXMLItem* item = FCurItem->Items(Index);
    Text = item->GetProp(TextAttr);
    bool ok = false;
    const int page = IntProp(item, PageAttr, ok);
    if (ok) Page = page;
    const int top = IntProp(item, TopAttr, ok);
    if (ok) Top = top;
}

void TrptOutline::ShiftItems(TrptXMLItem* From, int NewTop) {
    if (!From || !From->Parent()) return;
    TrptXMLItem* parent = From->Parent();
    const int next = parent->IndexOf(From) + 1;
    if (next <= 0 || next >= parent->Count()) return;
    TrptXMLItem* sibling = parent->Items(next);
    bool ok = false;
    const int base = IntProp(sibling, TopAttr, ok);
    ShiftTree(sibling, NewTop - base);
}

TrptXMLItem* TrptOutline::GetCurPosition() {
    if (!FCurItem || FCurItem->Count() == 0) return nullptr;
    return FCurItem->Items(FCurItem->Count() - 1);
}

// ---------------------------------------------------------------------------------------------
// TrptDictionary

TrptDictionary::TrptDictionary()
    : FNames(std::make_unique<TStringList>()), FSourceNames(std::make_unique<TStringList>()) {
    FNames->SetCaseSensitive(false);
    FNames->SetDuplicates(dupIgnore);
    FNames->SetSorted(true);
}

TrptDictionary::~TrptDictionary() = default;

void TrptDictionary::Clear() {
    FNames->Clear();
    FSourceNames->Clear();
}

void TrptDictionary::Add(const QString& Name, const QString& SourceName, TObject* Obj) {
    const int index = FSourceNames->AddObject(SourceName, Obj);
    FNames->AddObject(Name, IndexAsObject(index));
}

QString TrptDictionary::AddUnique(const QString& Base, const QString& SourceName, TObject* Obj) {
    const QString name = CreateUniqueName(Base);
    Add(name, SourceName, Obj);
    return name;
}

QString TrptDictionary::CreateUniqueName(const QString& Base) const {
    int n = 10000;
    while (n > 1) {
        if (FNames->IndexOf(Base + QString::number(n)) != -1) break;
        n /= 2;
    }
    while (FNames->IndexOf(Base + QString::number(n)) != -1) ++n;
    return Base + QString::number(n);
}

int TrptDictionary::SourceIndex(const QString& Name) const {
    const int i = FNames->IndexOf(Name);
    if (i == -1) return -1;
    const int index = ObjectAsIndex(FNames->Objects(i));
    return index >= 0 && index < FSourceNames->Count() ? index : -1;
}

TObject* TrptDictionary::GetObject(const QString& Name) const {
    const int index = SourceIndex(Name);
    return index == -1 ? nullptr : FSourceNames->Objects(index);
}

QString TrptDictionary::GetSourceName(const QString& Name) const {
    const int index = SourceIndex(Name);
    return index == -1 ? QString() : FSourceNames->Strings(index);
}
