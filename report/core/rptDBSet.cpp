#include "report/core/rptDBSet.h"

#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Classes.h"
#include "platform/rtti/ObjectHandles.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptRes.h"
#include "report/core/rptWideStrings.h"

#include <QStringDecoder>

#include <mutex>

// One of the dataset's handlers while hooked. A named type, so that unhooking can find this
// component's hook in a chain that other report datasets over the same data may have extended.
struct TrptDBDataset::THook {
    TrptDBDataset* Owner;
    bool AfterOpen;
    void operator()(TDataSet* ds) const {
        if (AfterOpen)
            Owner->BindFields(ds);
        else
            Owner->CloseHandler(ds);
    }
};

namespace {

bool IsTextField(const TField* f) {
    switch (f->DataType()) {
    case ftString:
    case ftWideString:
    case ftMemo:
    case ftFmtMemo:
    case ftWideMemo:
        return true;
    default:
        return false;
    }
}

bool IsWideBlob(const TField* f) {
    return f->DataType() == ftWideString || f->DataType() == ftWideMemo;
}

// The text of a BLOB read as lines: UTF-16 behind its mark, UTF-8 (the database's own text)
// when the bytes are valid UTF-8, else 8-bit text in the system code page.
void LoadBlobText(TrptWideStrings& ws, const QByteArray& bytes) {
    const bool utf16 = bytes.size() > 2 && static_cast<uchar>(bytes[0]) == 0xFF && static_cast<uchar>(bytes[1]) == 0xFE;
    if (!utf16) {
        QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        QString text = decoder.decode(bytes);
        if (!decoder.hasError()) {
            if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);
            ws.SetText(text);
            return;
        }
    }
    TBytesStream stream(bytes);
    ws.LoadFromStream(stream);
}

} // namespace

// ---------------------------------------------------------------------------------------------

KORVEL_CLASS_INFO(TrptDBDataset) {
    using C = TrptDBDataset;
    // Plain objects of the data-access layer have no name a template could resolve, so the
    // bindings are the host's to make and are never written.
    b.Prop("DataSet", &C::DataSet, &C::SetDataSet).Stored(false);
    b.Prop("DataSource", &C::DataSource, &C::SetDataSource).Stored(false);
    b.Prop("BCDToCurrency", &C::BCDToCurrency, &C::SetBCDToCurrency);
}

void RegisterDBDataSetClasses() {
    static std::once_flag once;
    std::call_once(once, [] { RegisterClass(TrptDBDataset::StaticClassInfo()); });
}

TrptDBDataset::TrptDBDataset(TComponent* AOwner) : TrptCustomDBDataSet(AOwner) {
    RegisterDBDataSetClasses();
}

TrptDBDataset::~TrptDBDataset() {
    CheckLinks();
    Unhook();
}

// ---------------------------------------------------------------------------------------------
// Bindings

TDataSet* TrptDBDataset::DataSet() const {
    return FDataSet && TObjectHandles::TryResolve(FDataSetHandle) == FDataSet ? FDataSet : nullptr;
}

TDataSource* TrptDBDataset::DataSource() const {
    return FDataSource && TObjectHandles::TryResolve(FDataSourceHandle) == FDataSource ? FDataSource : nullptr;
}

void TrptDBDataset::SetDataSet(TDataSet* Value) {
    CheckLinks();
    FDataSet = Value;
    FDataSetHandle = TObjectHandles::HandleOf(Value);
    if (Value) {
        FDataSource = nullptr;
        FDataSourceHandle = 0;
    }
    UpdateDS();
}

void TrptDBDataset::SetDataSource(TDataSource* Value) {
    CheckLinks();
    FDataSource = Value;
    FDataSourceHandle = TObjectHandles::HandleOf(Value);
    if (Value) {
        FDataSet = nullptr;
        FDataSetHandle = 0;
    }
    UpdateDS();
}

TDataSet* TrptDBDataset::GetDataSet() const {
    if (TDataSet* d = DataSet()) return d;
    if (TDataSource* s = DataSource()) return s->DataSet();
    return nullptr;
}

void TrptDBDataset::CheckLinks() {
    bool lost = false;
    if (FDS && TObjectHandles::TryResolve(FDSHandle) != FDS) {
        // The dataset is gone, and its handlers with it: nothing to put back.
        if (FHookedDS == FDS) {
            FHookedDS = nullptr;
            FSaveOpenEvent = nullptr;
            FSaveCloseEvent = nullptr;
        }
        if (FDataSet == FDS) {
            FDataSet = nullptr;
            FDataSetHandle = 0;
        }
        FDS = nullptr;
        FDSHandle = 0;
        DropFields();
        FInitialized = false;
        lost = true;
    }
    // Usually the dataset bound is the one in use, checked above: one look-up per call.
    if (FDataSet && FDataSet != FDS && TObjectHandles::TryResolve(FDataSetHandle) != FDataSet) {
        FDataSet = nullptr;
        FDataSetHandle = 0;
        lost = true;
    }
    if (FDataSource && TObjectHandles::TryResolve(FDataSourceHandle) != FDataSource) {
        FDataSource = nullptr;
        FDataSourceHandle = 0;
        lost = true;
    }
    if (lost) UpdateDS();
}

void TrptDBDataset::UpdateDS() {
    TDataSet* ds = FDataSet ? FDataSet : (FDataSource ? FDataSource->DataSet() : nullptr);
    if (ds == FDS) return;
    // Another dataset: nothing of the old one may stay hooked or bound.
    Unhook();
    DropFields();
    FInitialized = false;
    FDS = ds;
    FDSHandle = TObjectHandles::HandleOf(ds);
}

void TrptDBDataset::Hook() {
    if (!FDS || FHookedDS == FDS) return; // hooked once per run, however often initialised
    Unhook();
    FSaveOpenEvent = FDS->AfterOpen;
    FSaveCloseEvent = FDS->BeforeClose;
    FDS->AfterOpen = THook{this, true};
    FDS->BeforeClose = THook{this, false};
    FHookedDS = FDS;
}

void TrptDBDataset::Unhook() {
    if (!FHookedDS) return;
    // Find this component's hook in the chain: another report dataset may have hooked the same
    // data after it, keeping this hook as its saved handler.
    auto unchain = [this](TDataSet::TDataSetNotifyEvent* slot, bool afterOpen, TDataSet::TDataSetNotifyEvent saved) {
        while (slot && *slot) {
            THook* h = slot->target<THook>();
            if (!h || h->AfterOpen != afterOpen) return;
            if (h->Owner == this) {
                *slot = std::move(saved);
                return;
            }
            slot = afterOpen ? &h->Owner->FSaveOpenEvent : &h->Owner->FSaveCloseEvent;
        }
    };
    unchain(&FHookedDS->AfterOpen, true, std::move(FSaveOpenEvent));
    unchain(&FHookedDS->BeforeClose, false, std::move(FSaveCloseEvent));
    FSaveOpenEvent = nullptr;
    FSaveCloseEvent = nullptr;
    FHookedDS = nullptr;
}

void TrptDBDataset::DropFields() {
    FFields->Clear();
    FFieldIndex.clear();
    FNameIndex.clear();
    FBookmark.clear();
}

void TrptDBDataset::BindFields(TDataSet* Sender) {
    FNameIndex.clear();
    GetFieldList(FFields.get());
    FFieldIndex.assign(static_cast<size_t>(FFields->Count()), -1);
    for (int i = 0; i < FFields->Count(); ++i) {
        TField* f = FDS ? FDS->FindField(ConvertAlias(FFields->Get(i))) : nullptr;
        FFields->PutObject(i, f);
        if (f) FFieldIndex[static_cast<size_t>(i)] = FDS->Fields().IndexOf(f);
    }
    if (Sender && FSaveOpenEvent) FSaveOpenEvent(Sender);
}

void TrptDBDataset::CloseHandler(TDataSet* Sender) {
    if (Sender && FSaveCloseEvent) FSaveCloseEvent(Sender);
    FBookmark.clear();
    FInitialized = false;
}

void TrptDBDataset::RaiseNotConnected() const {
    // A component made in code may have no name; its user name then says which one it is.
    const QString name = Name().isEmpty() ? UserName() : Name();
    throw Exception(Format(GlobalResources()->Get(QStringLiteral("dbNotConn")), {name}));
}

// ---------------------------------------------------------------------------------------------
// Fields

bool TrptDBDataset::FieldIsLive(int ListIndex) const {
    TObject* o = FFields->Objects(ListIndex);
    const int fi = FFieldIndex[static_cast<size_t>(ListIndex)];
    if (!o || fi < 0 || !FDS || !FDS->Active() || fi >= FDS->FieldCount()) return false;
    return static_cast<TObject*>(FDS->Fields().Get(fi)) == o;
}

int TrptDBDataset::FindField(const QString& Name, TField*& Field) {
    Field = nullptr;
    auto lookup = [this](const QString& n) {
        auto it = FNameIndex.constFind(n);
        if (it != FNameIndex.constEnd()) return it.value();
        const int i = FFields->IndexOf(n);
        if (FNameIndex.size() > 1024) FNameIndex.clear(); // names come from templates; bound it anyway
        FNameIndex.insert(n, i);
        return i;
    };
    int i = lookup(Name);
    if (i < 0 || !FDS || !FDS->Active()) return i;
    if (!FieldIsLive(i)) {
        // The data was closed and opened again without the hooks (or its fields were rebuilt):
        // bind the live fields.
        BindFields(nullptr);
        i = lookup(Name);
        if (i < 0 || !FieldIsLive(i)) return i;
    }
    Field = static_cast<TField*>(FFields->Objects(i));
    return i;
}

QString TrptDBDataset::NotFoundText(const QString& Index) const {
    return GlobalResources()->Get(QStringLiteral("dbFldNotFound")) + QLatin1Char(' ') + UserName() +
           QStringLiteral(".\"") + Index + QLatin1Char('"');
}

bool TrptDBDataset::ReportNotFound(const QString& Text) const {
    if (!FReportRef) return false;
    FReportRef->Errors()->Add(FReportRef->CurObject() + QStringLiteral(": ") + Text);
    return true;
}

void TrptDBDataset::OpenIfNeeded() {
    CheckLinks();
    if (!FInitialized) Open();
    if (!FDS) RaiseNotConnected(); // marked opened from outside with nothing bound
}

QString TrptDBDataset::GetDisplayText(const QString& Index) {
    CheckLinks();
    const QString complexName = UserName() + QStringLiteral(".\"") + Index + QLatin1Char('"');
    if (!FDS) return complexName;
    if (!FInitialized) Open();
    if (!FDS || !FDS->Active()) return complexName;
    if (FFields->Count() == 0) return FDS->FieldByName(Index)->DisplayText();
    TField* f = nullptr;
    FindField(Index, f);
    if (!f) {
        // A name outside the list, or an alias of a field the data does not have.
        const QString text = NotFoundText(Index);
        ReportNotFound(text);
        return text;
    }
    return f->DisplayText();
}

int TrptDBDataset::GetDisplayWidth(const QString& Index) {
    CheckLinks();
    if (!FDS) RaiseNotConnected();
    const QString name = ConvertAlias(Index);
    if (TField* f = FDS->FindField(name)) return f->DisplayWidth();
    try {
        FDS->FieldDefs().Update();
    } catch (const Exception&) {
        // The definitions as they were are good enough for a width.
    }
    if (const TFieldDef* def = FDS->FieldDefs().Find(name)) {
        switch (def->DataType) {
        case ftString:
        case ftWideString:
            return def->Size;
        case ftDateTime:
            return 20;
        case ftLargeint:
            return 15;
        default:
            return 10;
        }
    }
    return FDS->FieldByName(name)->DisplayWidth(); // the data-access layer's "not found"
}

TrptFieldType TrptDBDataset::GetFieldType(const QString& Index) {
    CheckLinks();
    TField* f = FDS ? FDS->FindField(ConvertAlias(Index)) : nullptr;
    if (!f) return fftNumeric;
    if (IsTextField(f)) return fftString;
    if (f->DataType() == ftBoolean) return fftBoolean;
    return fftNumeric;
}

Variant TrptDBDataset::GetValue(const QString& Index) {
    OpenIfNeeded();
    if (!FDS->Active()) return Variant::Null(); // data left closed (OpenDataSource off) reads as nothing
    TField* f = nullptr;
    FindField(Index, f);
    if (!f) {
        const QString text = NotFoundText(Index);
        if (!ReportNotFound(text)) throw EDatabaseError(text);
        return Variant::Null();
    }
    switch (f->DataType()) {
    case ftBCD:
    case ftFMTBcd:
        if (f->IsNull()) return Variant::Null();
        return FBCDToCurrency ? Variant::FromCurrency(f->AsFloat()) : Variant(f->AsFloat());
    case ftTimeStamp:
        if (f->IsNull()) return Variant::Null();
        return VarFromDateTime(f->AsDateTime());
    default:
        break;
    }
    if (f->IsBlob()) return Variant(IsWideBlob(f) ? f->AsWideString() : f->AsString());
    // 64-bit integers and every other kind: the value as the record holds it (Null included).
    return f->AsVariant();
}

bool TrptDBDataset::IsBlobField(const QString& fName) {
    OpenIfNeeded();
    TField* f = nullptr;
    FindField(fName, f);
    return f && f->IsBlob();
}

void TrptDBDataset::AssignBlobTo(const QString& fName, TObject* Obj) {
    OpenIfNeeded();
    TField* f = nullptr;
    const int i = FindField(fName, f);
    if (i < 0) throw EListError(QStringLiteral("List index out of bounds (%1)").arg(i));
    if (!f || !f->IsBlob() || !Obj) return;
    if (auto* ws = dynamic_cast<TrptWideStrings*>(Obj)) {
        if (f->DataType() == ftWideMemo) {
            TStringStream text(f->AsWideString(), TEncoding::Unicode().WithoutPreamble());
            ws->LoadFromWStream(text);
        } else {
            LoadBlobText(*ws, f->AsBytes());
        }
    } else if (auto* stream = dynamic_cast<TStream*>(Obj)) {
        if (f->DataType() == ftWideMemo)
            stream->WriteBytes(TEncoding::Unicode().WithoutPreamble().GetBytes(f->AsWideString()));
        else
            f->SaveToStream(*stream);
        stream->SetPosition(0);
    }
}

void TrptDBDataset::GetFieldList(TStrings* List) {
    List->Clear();
    TStrings* aliases = FieldAliases();
    if (aliases->Count() > 0) {
        for (int i = 0; i < aliases->Count(); ++i) {
            const QString line = aliases->Get(i);
            const int eq = line.indexOf(QLatin1Char('='));
            const QString field = eq < 0 ? line : line.left(eq);
            if (field.startsWith(QLatin1Char('-'))) continue;
            List->Add(GetAlias(field));
        }
        return;
    }
    TDataSet* ds = FDS ? FDS : GetDataSet();
    if (!ds) return;
    try {
        for (int i = 0; i < ds->FieldCount(); ++i)
            List->Add(ds->Fields().Get(i)->FieldName());
    } catch (const Exception&) {
        // A list that cannot be read whole is as good as the names read so far.
    }
}

// ---------------------------------------------------------------------------------------------
// Around a run

void TrptDBDataset::Initialize() {
    CheckLinks();
    UpdateDS();
    if (!FDS) RaiseNotConnected();
    Hook();
    FDBEof = false;
    FInitialized = false;
}

void TrptDBDataset::Finalize() {
    CheckLinks();
    if (FDS) {
        try {
            if (!FBookmark.isEmpty()) {
                // Data reopened with fewer records has no such record any more; it stays put.
                if (FDS->BookmarkValid(FBookmark)) FDS->GotoBookmark(FBookmark);
                FBookmark.clear();
            }
            if (FCloseDataSource) Close();
        } catch (...) {
            Unhook();
            FInitialized = false;
            throw;
        }
        Unhook();
    }
    FInitialized = false;
}

// ---------------------------------------------------------------------------------------------
// Navigation

void TrptDBDataset::Open() {
    if (FInitialized) return;
    CheckLinks();
    if (!FDS) RaiseNotConnected();
    FInitialized = true;
    if (FOpenDataSource) {
        try {
            FDS->Open();
        } catch (Exception& e) {
            FInitialized = false;
            // In a report with several datasets the data-access layer's text alone does not say
            // which one failed.
            e.SetMessage(QStringLiteral("Dataset \"%1\": %2").arg(UserName(), e.Message()));
            throw;
        }
    }
    BindFields(nullptr);
    if (FRangeBegin == rbCurrent || FRangeEnd == reCurrent)
        FBookmark = FDS->GetBookmark();
    else
        FBookmark.clear();
    inherited::Open();
}

void TrptDBDataset::Close() {
    CheckLinks();
    inherited::Close();
    CloseHandler(nullptr);
    if (FDS) FDS->Close();
}

bool TrptDBDataset::OnBookmark() const {
    return !FBookmark.isEmpty() && FDS->CompareBookmarks(FDS->GetBookmark(), FBookmark) == 0;
}

void TrptDBDataset::First() {
    OpenIfNeeded();
    // An empty result has no record to bookmark: the range then starts at its (absent) first.
    if (FRangeBegin == rbCurrent && !FBookmark.isEmpty())
        FDS->GotoBookmark(FBookmark);
    else
        FDS->First();
    FDBEof = false;
    inherited::First();
}

void TrptDBDataset::Next() {
    OpenIfNeeded();
    FDBEof = false;
    if (FRangeEnd == reCurrent && OnBookmark()) {
        FDBEof = true;
        return;
    }
    FDS->Next();
    inherited::Next();
}

void TrptDBDataset::Prior() {
    OpenIfNeeded();
    FDS->Prior();
    inherited::Prior();
}

bool TrptDBDataset::Eof() {
    OpenIfNeeded();
    return inherited::Eof() || FDS->Eof() || FDBEof;
}

int TrptDBDataset::RecordCount() {
    OpenIfNeeded();
    return FDS->RecordCount();
}
