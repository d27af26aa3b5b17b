#include "report/core/rptDataSets.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"

#include <algorithm>

namespace {

// The report an owner stands for: a report itself, or nothing.
TrptReport* AsReportOf(TComponent* c) {
    auto* rc = dynamic_cast<TrptComponent*>(c);
    return rc ? rc->AsReport() : nullptr;
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Process-wide list

TrptGlobalDataSetList& GlobalDataSetList() {
    // Never freed: datasets of static owners may still leave it while the program ends.
    static auto* list = new TrptGlobalDataSetList();
    return *list;
}

void TrptGlobalDataSetList::Add(TrptDataSet* ds) {
    std::lock_guard lock(FLock);
    FItems.push_back(ds);
}

void TrptGlobalDataSetList::Remove(TrptDataSet* ds) {
    std::lock_guard lock(FLock);
    auto it = std::find(FItems.begin(), FItems.end(), ds);
    if (it != FItems.end()) FItems.erase(it);
}

int TrptGlobalDataSetList::Count() {
    std::lock_guard lock(FLock);
    return static_cast<int>(FItems.size());
}

TrptDataSet* TrptGlobalDataSetList::Items(int Index) {
    std::lock_guard lock(FLock);
    if (Index < 0 || Index >= static_cast<int>(FItems.size()))
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return FItems[static_cast<size_t>(Index)];
}

std::vector<TrptDataSet*> TrptGlobalDataSetList::Snapshot() {
    std::lock_guard lock(FLock);
    return FItems;
}

TrptDataSet* FindGlobalDataSet(TrptDataSet* Default, const QString& Name, TComponent* Owner) {
    if (Name.isEmpty()) return nullptr;
    if (!Owner) return Default;
    TrptReport* ownerReport = AsReportOf(Owner);
    TrptGlobalDataSetList& list = GlobalDataSetList();
    std::lock_guard lock(list.Mutex());
    for (int i = 0, n = list.Count(); i < n; ++i) {
        TrptDataSet* ds = list.Items(i);
        if (!AnsiSameText(ds->UserName(), Name)) continue;
        // A dataset on another report's data page belongs to that report alone.
        TrptReport* dsReport = AsReportOf(ds->Owner());
        if (ownerReport && dsReport && dsReport != ownerReport) continue;
        return ds;
    }
    return Default;
}

void FillGlobalDataSetList(TStrings* List) {
    TrptGlobalDataSetList& list = GlobalDataSetList();
    std::lock_guard lock(list.Mutex());
    List->Clear();
    for (int i = 0, n = list.Count(); i < n; ++i) {
        TrptDataSet* ds = list.Items(i);
        if (!ds->UserName().isEmpty() && ds->Enabled()) List->AddObject(ds->UserName(), ds);
    }
}

// ---------------------------------------------------------------------------------------------
// Dataset base

KORVEL_CLASS_INFO(TrptDataSet) {
    using C = TrptDataSet;
    // A base: templates and the designer make its descendants only.
    b.Factory(nullptr);
    b.Prop("Enabled", &C::Enabled, &C::SetEnabled).Default(true);
    b.Prop("RangeBegin", &C::RangeBegin, &C::SetRangeBegin).Default(rbFirst);
    b.Prop("RangeEnd", &C::RangeEnd, &C::SetRangeEnd).Default(reLast);
    b.Prop("RangeEndCount", &C::RangeEndCount, &C::SetRangeEndCount).Default(0);
    b.Prop("UserName", &C::UserName, &C::SetUserName);
    b.Event("OnCheckEOF", &C::OnCheckEOF, "TrptCheckEOFEvent");
    b.Event("OnFirst", &C::OnFirst, "TNotifyEvent");
    b.Event("OnNext", &C::OnNext, "TNotifyEvent");
    b.Event("OnPrior", &C::OnPrior, "TNotifyEvent");
}

TrptDataSet::TrptDataSet(TComponent* AOwner) : TrptDialogComponent(AOwner) {
    FEnabled = true;
    FOpenDataSource = true;
    FRangeBegin = rbFirst;
    FRangeEnd = reLast;
    GlobalDataSetList().Add(this);
}

TrptDataSet::~TrptDataSet() {
    // Out of the list before anything of the dataset goes, so that no lookup can find it half
    // destroyed; the collections that name it hear of it through their free notifications.
    GlobalDataSetList().Remove(this);
}

QString TrptDataSet::GetDisplayText(const QString&) { return QString(); }

int TrptDataSet::GetDisplayWidth(const QString&) { return 10; }

TrptFieldType TrptDataSet::GetFieldType(const QString&) { return fftNumeric; }

Variant TrptDataSet::GetValue(const QString&) { return Variant::Null(); }

void TrptDataSet::SetUserName(const QString& Value) {
    if (Trim(Value).isEmpty()) throw Exception(GlobalResources()->Get(QStringLiteral("prInvProp")));
    FUserName = Value;
}

void TrptDataSet::Open() {
    if (OnOpen) OnOpen(this);
}

void TrptDataSet::Close() {
    if (OnClose) OnClose(this);
}

void TrptDataSet::First() {
    FRecNo = 0;
    FEof = false;
    if (OnFirst) OnFirst(this);
}

void TrptDataSet::Next() {
    FEof = false;
    ++FRecNo;
    if (FRangeEnd == reCount && FRecNo >= FRangeEndCount) {
        // Stay on the last record of the range.
        FRecNo = FRangeEndCount - 1;
        FEof = true;
        return;
    }
    if (OnNext) OnNext(this);
}

void TrptDataSet::Prior() {
    --FRecNo;
    if (OnPrior) OnPrior(this);
}

bool TrptDataSet::Eof() {
    bool result = FRangeEnd == reCount && (FRecNo >= FRangeEndCount || FEof);
    if (OnCheckEOF) OnCheckEOF(this, result);
    return result;
}

bool TrptDataSet::IsBlobField(const QString&) { return false; }

int TrptDataSet::RecordCount() {
    return FRangeBegin == rbFirst && FRangeEnd == reCount ? FRangeEndCount : 0;
}

void TrptDataSet::AssignBlobTo(const QString&, TObject*) {}

void TrptDataSet::GetFieldList(TStrings* List) { List->Clear(); }

bool TrptDataSet::HasField(const QString& fName) {
    TStringList list;
    GetFieldList(&list);
    return list.IndexOf(fName) >= 0;
}

void TrptDataSet::SetName(const QString& Value) {
    inherited::SetName(Value);
    const QString name = Name();
    if (!name.isEmpty() && (FUserName.isEmpty() || FUserName == name)) FUserName = name;
}

void TrptDataSet::SetReportRef(TrptReport* Value) {
    if (FReportRef == Value) return;
    if (FReportRef) RemoveFreeNotification(FReportRef);
    FReportRef = Value;
    // The report may go before the dataset (the application's datasets outlive reports).
    if (FReportRef) FreeNotification(FReportRef);
}

void TrptDataSet::Notification(TComponent* AComponent, TOperation Operation) {
    inherited::Notification(AComponent, Operation);
    if (Operation == opRemove && FReportRef && AComponent == static_cast<TComponent*>(FReportRef))
        FReportRef = nullptr;
}

// ---------------------------------------------------------------------------------------------
// User dataset

KORVEL_CLASS_INFO(TrptUserDataSet) {
    using C = TrptUserDataSet;
    b.Prop("Fields", &C::Fields, &C::SetFields);
    b.Event("OnGetValue", &C::OnGetValue, "TrptGetValueEvent");
    b.Event("OnNewGetValue", &C::OnNewGetValue, "TrptNewGetValueEvent");
}

TrptUserDataSet::TrptUserDataSet(TComponent* AOwner)
    : TrptDataSet(AOwner), FFields(std::make_unique<TStringList>()) {}

TrptUserDataSet::~TrptUserDataSet() = default;

TStrings* TrptUserDataSet::Fields() const { return FFields.get(); }

void TrptUserDataSet::SetFields(const TStrings* Value) {
    if (Value)
        FFields->Assign(*Value);
    else
        FFields->Clear();
}

void TrptUserDataSet::GetFieldList(TStrings* List) { List->Assign(*FFields); }

int TrptUserDataSet::FieldsCount() { return FFields->Count(); }

Variant TrptUserDataSet::GetValue(const QString& Index) {
    Variant value = Variant::Null();
    if (OnGetValue) OnGetValue(Index, value);
    if (OnNewGetValue) OnNewGetValue(this, Index, value);
    return value;
}

QString TrptUserDataSet::GetDisplayText(const QString& Index) {
    QString result;
    if (OnGetValue) {
        Variant value = Variant::Null();
        OnGetValue(Index, value);
        result = VarToStr(value);
    }
    if (OnNewGetValue) {
        Variant value = Variant::Null();
        OnNewGetValue(this, Index, value);
        result = VarToStr(value);
    }
    return result;
}

// ---------------------------------------------------------------------------------------------
// Dataset over the data-access layer (base)

KORVEL_CLASS_INFO(TrptCustomDBDataSet) {
    using C = TrptCustomDBDataSet;
    b.Factory(nullptr);
    b.Prop("CloseDataSource", &C::CloseDataSource, &C::SetCloseDataSource);
    b.Prop("FieldAliases", &C::FieldAliases, &C::SetFieldAliases);
    b.Prop("OpenDataSource", &C::OpenDataSource, &C::SetOpenDataSource).Default(true);
    b.Event("OnClose", &C::OnClose, "TNotifyEvent");
    b.Event("OnOpen", &C::OnOpen, "TNotifyEvent");
}

TrptCustomDBDataSet::TrptCustomDBDataSet(TComponent* AOwner) : TrptDataSet(AOwner) {
    FFields = std::make_unique<TStringList>();
    FFields->SetSorted(true);
    FFields->SetDuplicates(dupIgnore);
    FAliases = std::make_unique<TStringList>();
}

TrptCustomDBDataSet::~TrptCustomDBDataSet() = default;

TStrings* TrptCustomDBDataSet::FieldAliases() const { return FAliases.get(); }

void TrptCustomDBDataSet::SetFieldAliases(const TStrings* Value) {
    if (Value)
        FAliases->Assign(*Value);
    else
        FAliases->Clear();
}

QString TrptCustomDBDataSet::ConvertAlias(const QString& fName) const {
    for (int i = 0; i < FAliases->Count(); ++i) {
        const QString line = FAliases->Get(i);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (AnsiSameText(line.mid(eq + 1), fName)) return line.left(eq);
    }
    return fName;
}

QString TrptCustomDBDataSet::GetAlias(const QString& fName) const {
    for (int i = 0; i < FAliases->Count(); ++i) {
        const QString line = FAliases->Get(i);
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0) continue;
        if (AnsiSameText(line.left(eq), fName)) return line.mid(eq + 1);
    }
    return fName;
}

int TrptCustomDBDataSet::FieldsCount() {
    TStringList list;
    GetFieldList(&list);
    return list.Count();
}

// ---------------------------------------------------------------------------------------------
// Database base

KORVEL_CLASS_INFO(TrptCustomDatabase) {
    using C = TrptCustomDatabase;
    b.Factory(nullptr);
    b.Prop("Connected", &C::GetConnected, &C::SetConnected).Default(false);
    b.Prop("DatabaseName", &C::GetDatabaseName, &C::SetDatabaseName);
    b.Prop("LoginPrompt", &C::GetLoginPrompt, &C::SetLoginPrompt).Default(true);
    b.Prop("Params", &C::GetParams, &C::SetParams);
}

TrptCustomDatabase::TrptCustomDatabase(TComponent* AOwner) : TrptDialogComponent(AOwner) {}

// ---------------------------------------------------------------------------------------------
// Dataset entries of a report

KORVEL_CLASS_INFO(TrptDataSetItem) {
    using C = TrptDataSetItem;
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet);
    b.Prop("DataSetName", &C::DataSetName, &C::SetDataSetName);
}

// Told when a dataset an entry names is freed, wherever the dataset lives (the application's
// window, another report), so that no entry keeps a dangling dataset.
class TrptReportDataSets::TWatcher : public TComponent {
public:
    explicit TWatcher(TrptReportDataSets* Owner) : FOwner(Owner) {}

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override {
        TComponent::Notification(AComponent, Operation);
        if (Operation == opRemove) FOwner->RemoveDataSet(AComponent);
    }

private:
    TrptReportDataSets* FOwner;
};

TrptDataSetItem::TrptDataSetItem(TCollection* Collection) : TCollectionItem(Collection) {}

TrptDataSetItem::~TrptDataSetItem() = default;

void TrptDataSetItem::SetDataSet(TrptDataSet* Value) {
    FDataSet = Value;
    FDataSetName = Value ? Value->UserName() : QString();
    if (auto* sets = dynamic_cast<TrptReportDataSets*>(Collection())) sets->Watch(Value);
}

QString TrptDataSetItem::DataSetName() const { return FDataSet ? FDataSet->UserName() : FDataSetName; }

void TrptDataSetItem::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    if (Value.isEmpty()) {
        FDataSet = nullptr;
        return;
    }
    auto* sets = dynamic_cast<TrptReportDataSets*>(Collection());
    if (!sets || !sets->Report()) return;
    FDataSet = sets->Report()->FindDataSet(FDataSet, Value);
    sets->Watch(FDataSet);
}

KORVEL_CLASS_INFO(TrptReportDataSets) {}

TrptReportDataSets::TrptReportDataSets(TrptReport* AReport)
    : TCollection(TrptDataSetItem::StaticClassInfo()), FReport(AReport), FWatcher(std::make_unique<TWatcher>(this)) {}

TrptReportDataSets::~TrptReportDataSets() {
    // The items go first; the watcher then leaves the datasets it watched.
    Clear();
}

TrptDataSetItem* TrptReportDataSets::Items(int Index) const {
    return static_cast<TrptDataSetItem*>(TCollection::Items(Index));
}

TrptDataSetItem* TrptReportDataSets::Add(TrptDataSet* ds) {
    auto* item = static_cast<TrptDataSetItem*>(TCollection::Add());
    item->SetDataSet(ds);
    return item;
}

TrptDataSetItem* TrptReportDataSets::Find(TrptDataSet* ds) const {
    for (int i = 0; i < Count(); ++i)
        if (Items(i)->FDataSet == ds) return Items(i);
    return nullptr;
}

TrptDataSetItem* TrptReportDataSets::Find(const QString& Name) const {
    for (int i = 0; i < Count(); ++i) {
        TrptDataSetItem* item = Items(i);
        if (item->FDataSet && AnsiSameText(item->FDataSet->UserName(), Name)) return item;
    }
    return nullptr;
}

void TrptReportDataSets::Delete(const QString& Name) {
    if (TrptDataSetItem* item = Find(Name)) TCollection::Delete(item->Index());
}

void TrptReportDataSets::Initialize() {
    for (int i = 0; i < Count(); ++i) {
        TrptDataSet* ds = Items(i)->FDataSet;
        if (!ds) continue;
        ds->SetReportRef(FReport);
        ds->Initialize();
    }
}

void TrptReportDataSets::Finalize() {
    for (int i = 0; i < Count(); ++i)
        if (TrptDataSet* ds = Items(i)->FDataSet) ds->Finalize();
}

void TrptReportDataSets::RemoveDataSet(const TComponent* ds) {
    if (!ds) return;
    // Compared by address: the dataset may be partly destroyed already.
    for (int i = Count() - 1; i >= 0; --i)
        if (Items(i)->FDataSet && static_cast<const TComponent*>(Items(i)->FDataSet) == ds)
            TCollection::Delete(i);
}

void TrptReportDataSets::Watch(TrptDataSet* ds) {
    if (ds) FWatcher->FreeNotification(ds);
}

// ---------------------------------------------------------------------------------------------

void RegisterDataSetClasses() {
    // The bases have no factory; only datasets a template can hold are found by name.
    RegisterClass(TrptUserDataSet::StaticClassInfo());
}
