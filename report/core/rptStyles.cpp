#include "report/core/rptStyles.h"

#include "platform/gfx/GraphicsClasses.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptClassView.h"
#include "report/core/rptRes.h"
#include "report/core/rptXML.h"
#include "report/core/rptXMLSerializer.h"

#include <mutex>

// =============================================================================================
// TrptStyleItem

KORVEL_CLASS_INFO(TrptStyleItem) {
    // Font.Name and the like are read and written through the font's own record.
    TFontClassInfo();
    using C = TrptStyleItem;
    b.Prop("Name", &C::Name, &C::SetName);
    b.Prop("Color", &C::Color, &C::SetColor).Type("TColor").Default(clNone);
    b.Prop("Font", &C::Font, &C::SetFont);
    b.Prop("Frame", &C::Frame, &C::SetFrame);
}

TrptStyleItem::TrptStyleItem(TCollection* Collection)
    : TCollectionItem(Collection), FFont(std::make_unique<TFont>()), FFrame(std::make_unique<TrptFrame>()) {
    FFont->SetName(QStringLiteral("Arial"));
    FFont->SetSize(10);
    FFont->SetCharset(DEFAULT_CHARSET);
}

TrptStyleItem::~TrptStyleItem() = default;

void TrptStyleItem::Assign(const TPersistent* Source) {
    if (auto* s = dynamic_cast<const TrptStyleItem*>(Source)) {
        FName = s->FName;
        FColor = s->FColor;
        FFont->Assign(*s->FFont);
        FFrame->Assign(s->FFrame.get());
        return;
    }
    TCollectionItem::Assign(Source);
}

void TrptStyleItem::SetName(const QString& Value) {
    if (auto* styles = dynamic_cast<TrptStyles*>(Collection())) {
        const TrptStyleItem* other = styles->Find(Value);
        if (other && other != this) throw Exception(GlobalResources()->Get(QStringLiteral("clDupName")));
    }
    FName = Value;
}

void TrptStyleItem::SetFont(TFont* Value) {
    if (Value) FFont->Assign(*Value);
}

void TrptStyleItem::SetFrame(TrptFrame* Value) {
    FFrame->Assign(Value);
}

void TrptStyleItem::CreateUniqueName() {
    auto* styles = dynamic_cast<TrptStyles*>(Collection());
    for (int n = 1;; ++n) {
        const QString name = QStringLiteral("Style") + QString::number(n);
        if (!styles || !styles->Find(name)) {
            FName = name;
            return;
        }
    }
}

// =============================================================================================
// TrptStyles

KORVEL_CLASS_INFO(TrptStyles) {}

TrptStyles::TrptStyles(TrptReport* AReport)
    : TCollection(TrptStyleItem::StaticClassInfo()), FReport(AReport) {}

TrptStyles::~TrptStyles() = default;

TrptStyleItem* TrptStyles::Add() {
    return static_cast<TrptStyleItem*>(TCollection::Add());
}

TrptStyleItem* TrptStyles::Items(int Index) const {
    return static_cast<TrptStyleItem*>(TCollection::Items(Index));
}

TrptStyleItem* TrptStyles::Find(const QString& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(Items(i)->Name(), Name)) return Items(i);
    return nullptr;
}

void TrptStyles::GetList(TStrings* List) const {
    if (!List) return;
    List->Clear();
    for (int i = 0; i < Count(); ++i)
        List->Add(Items(i)->Name());
}

void TrptStyles::Apply() {
    if (!FReport) return;
    // A copy: restyling does not change the tree, but the list is refilled by every walk.
    const TrptComponentList objects = FReport->AllObjects();
    for (TrptComponent* c : objects)
        if (auto* memo = dynamic_cast<TrptCustomMemoView*>(c))
            memo->SetStyle(Find(memo->Style()) ? memo->Style() : QString());
}

void TrptStyles::Assign(const TPersistent* Source) {
    if (auto* src = dynamic_cast<const TrptStyles*>(Source)) {
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

void TrptStyles::LoadFromXMLItem(TrptXMLItem* Item, bool OldXMLFormat) {
    Clear();
    if (!Item) return;
    FName = Item->GetProp(QStringLiteral("Name"));
    TrptXMLSerializer serializer(nullptr);
    serializer.SetOldFormat(OldXMLFormat);
    for (int i = 0; i < Item->Count(); ++i) {
        TrptXMLItem* child = Item->Items(i);
        if (!AnsiSameText(child->Name(), QStringLiteral("item"))) continue;
        serializer.XMLToObj(child->Text(), Add());
    }
    Apply();
}

void TrptStyles::SaveToXMLItem(TrptXMLItem* Item) {
    if (!Item) return;
    Item->SetName(QStringLiteral("style"));
    Item->SetProp(QStringLiteral("Name"), FName);
    TrptXMLSerializer serializer(nullptr);
    for (int i = 0; i < Count(); ++i)
        Item->Add(QStringLiteral("item"))->SetText(serializer.ObjToXML(Items(i)));
}

void TrptStyles::LoadFromStream(TStream& Stream) {
    Clear();
    TrptXMLDocument doc;
    doc.LoadFromStream(Stream);
    if (AnsiSameText(doc.Root()->Name(), QStringLiteral("style")))
        LoadFromXMLItem(doc.Root(), doc.OldVersion());
}

void TrptStyles::SaveToStream(TStream& Stream) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    SaveToXMLItem(doc.Root());
    doc.SaveToStream(Stream);
}

void TrptStyles::LoadFromFile(const QString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TrptStyles::SaveToFile(const QString& FileName) {
    // Through the document's temporary file: a failed save leaves the old file as it was.
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    SaveToXMLItem(doc.Root());
    doc.SaveToFile(FileName);
}

// =============================================================================================
// TrptStyleSheet

TrptStyleSheet::TrptStyleSheet() = default;

TrptStyleSheet::~TrptStyleSheet() {
    Clear();
}

void TrptStyleSheet::Clear() {
    while (!FList.empty())
        Delete(0);
}

void TrptStyleSheet::Delete(int Index) {
    (void)Items(Index);
    FList.erase(FList.begin() + Index);
}

TrptStyles* TrptStyleSheet::Add() {
    FList.push_back(std::make_unique<TrptStyles>(nullptr));
    return FList.back().get();
}

TrptStyles* TrptStyleSheet::Items(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FList[static_cast<size_t>(Index)].get();
}

TrptStyles* TrptStyleSheet::Find(const QString& Name) const {
    const int i = IndexOf(Name);
    return i >= 0 ? Items(i) : nullptr;
}

int TrptStyleSheet::IndexOf(const QString& Name) const {
    for (int i = 0; i < Count(); ++i)
        if (AnsiSameText(FList[static_cast<size_t>(i)]->Name(), Name)) return i;
    return -1;
}

void TrptStyleSheet::GetList(TStrings* List) const {
    if (!List) return;
    List->Clear();
    for (const auto& s : FList)
        List->Add(s->Name());
}

void TrptStyleSheet::LoadFromStream(TStream& Stream) {
    Clear();
    TrptXMLDocument doc;
    doc.LoadFromStream(Stream);
    TrptXMLItem* root = doc.Root();
    if (!AnsiSameText(root->Name(), QStringLiteral("stylesheet"))) return;
    for (int i = 0; i < root->Count(); ++i) {
        TrptXMLItem* child = root->Items(i);
        if (AnsiSameText(child->Name(), QStringLiteral("style")))
            Add()->LoadFromXMLItem(child, doc.OldVersion());
    }
}

void TrptStyleSheet::SaveToStream(TStream& Stream) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("stylesheet"));
    for (const auto& s : FList)
        s->SaveToXMLItem(doc.Root()->Add());
    doc.SaveToStream(Stream);
}

void TrptStyleSheet::LoadFromFile(const QString& FileName) {
    TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(stream);
}

void TrptStyleSheet::SaveToFile(const QString& FileName) {
    TrptXMLDocument doc;
    doc.SetAutoIndent(true);
    doc.Root()->SetName(QStringLiteral("stylesheet"));
    for (const auto& s : FList)
        s->SaveToXMLItem(doc.Root()->Add());
    doc.SaveToFile(FileName);
}

// =============================================================================================

void RegisterStyleClasses() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterClasses({TrptStyleItem::StaticClassInfo()}); });
}
