#include "platform/data/DataSet.h"

#include <QDataStream>
#include <QIODevice>

#include <algorithm>

// ---------------------------------------------------------------------------------------------
// TField

TField::TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size, int index)
    : FDataSet(dataSet), FFieldName(fieldName), FDataType(dataType), FSize(size), FIndex(index) {}

const TSQLValue& TField::Value() const {
    return FDataSet->CurrentValue(FIndex);
}

Variant TField::AsVariant() const {
    const TSQLValue& v = Value();
    switch (v.Kind()) {
    case TSQLValueKind::Null:
        return Variant::Null();
    case TSQLValueKind::Integer:
        return Variant(static_cast<long long>(v.IntegerValue()));
    case TSQLValueKind::Float:
        return Variant(v.FloatValue());
    case TSQLValueKind::Text:
        return Variant(v.TextValue());
    case TSQLValueKind::Blob: {
        const QByteArray& bytes = v.BlobValue();
        Variant a = VarArrayCreate({0, static_cast<int>(bytes.size()) - 1}, varByte);
        for (int i = 0; i < bytes.size(); ++i)
            a.SetElement(i, Variant(static_cast<unsigned char>(bytes[i])));
        return a;
    }
    }
    return Variant::Null();
}

void TField::SaveToStream(TStream& stream) const {
    const TSQLValue& v = Value();
    if (v.Kind() == TSQLValueKind::Blob)
        stream.WriteBytes(v.BlobValue());
    else
        stream.WriteBytes(v.AsBytes());
}

int TField::DisplayWidth() const {
    switch (FDataType) {
    case ftString:
    case ftWideString:
        return std::max(FSize, 1);
    case ftLargeint:
        return 15;
    case ftDateTime:
    case ftTimeStamp:
        return 20;
    default:
        return 10;
    }
}

// ---------------------------------------------------------------------------------------------
// TFields

TField* TFields::Get(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)].get();
}

TField* TFields::FindField(const QString& name) const {
    for (const auto& f : FItems)
        if (f->FieldName().compare(name, Qt::CaseInsensitive) == 0) return f.get();
    return nullptr;
}

TField* TFields::FieldByName(const QString& name) const {
    if (TField* f = FindField(name)) return f;
    throw EDatabaseError(QStringLiteral("Field '%1' not found").arg(name));
}

int TFields::IndexOf(const TField* field) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].get() == field) return i;
    return -1;
}

// ---------------------------------------------------------------------------------------------
// TFieldDefs

const TFieldDef& TFieldDefs::Items(int index) const {
    if (index < 0 || index >= Count())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(index));
    return FItems[static_cast<size_t>(index)];
}

int TFieldDefs::IndexOf(const QString& name) const {
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<size_t>(i)].Name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

const TFieldDef* TFieldDefs::Find(const QString& name) const {
    const int i = IndexOf(name);
    return i < 0 ? nullptr : &FItems[static_cast<size_t>(i)];
}

void TFieldDefs::Update() {
    if (FDataSet->Active()) return; // kept in step with the open result
    const std::vector<TResultColumn> columns = FDataSet->DescribeColumns();
    const std::vector<std::vector<TSQLValue>> noRows;
    FItems.clear();
    for (size_t i = 0; i < columns.size(); ++i)
        FItems.push_back({columns[i].Name,
                          FieldTypeOfColumn(columns[i].DeclaredType, noRows, static_cast<int>(i)), 0,
                          static_cast<int>(i) + 1});
}

// ---------------------------------------------------------------------------------------------
// Column kinds

TFieldType FieldTypeOfColumn(const QString& declaredType, const std::vector<std::vector<TSQLValue>>& rows,
                             int column) {
    const QString t = declaredType.toUpper();
    if (t.contains(QLatin1String("INT"))) return ftLargeint;
    if (t.contains(QLatin1String("CHAR")) || t.contains(QLatin1String("CLOB")) ||
        t.contains(QLatin1String("TEXT")))
        return ftWideString;
    if (t.contains(QLatin1String("BLOB"))) return ftBlob;
    if (t.contains(QLatin1String("REAL")) || t.contains(QLatin1String("FLOA")) ||
        t.contains(QLatin1String("DOUB")))
        return ftFloat;
    for (const auto& row : rows) {
        switch (row[static_cast<size_t>(column)].Kind()) {
        case TSQLValueKind::Null:
            continue;
        case TSQLValueKind::Integer:
            return ftLargeint;
        case TSQLValueKind::Float:
            return ftFloat;
        case TSQLValueKind::Text:
            return ftWideString;
        case TSQLValueKind::Blob:
            return ftBlob;
        }
    }
    return ftWideString;
}

// ---------------------------------------------------------------------------------------------
// TDataSet

TDataSet::TDataSet() : FFieldDefs(this) {}

TDataSet::~TDataSet() = default;

void TDataSet::SetActive(bool value) {
    if (value)
        Open();
    else
        Close();
}

void TDataSet::Open() {
    if (FActive) return;
    DoBeforeOpen();
    Activate(OpenCursor());
    DoAfterOpen();
}

void TDataSet::OpenWithResult(TResultSet result) {
    if (FActive) Close();
    DoBeforeOpen();
    Activate(std::move(result));
    DoAfterOpen();
}

void TDataSet::Activate(TResultSet result) {
    for (const auto& row : result.Rows)
        if (row.size() != result.Columns.size())
            throw EDatabaseError(QStringLiteral("A result row does not match its columns"));
    FResult = std::move(result);
    BuildFields();
    FActive = true;
    First();
}

void TDataSet::BuildFields() {
    FFields.FItems.clear();
    FFieldDefs.Clear();
    for (size_t i = 0; i < FResult.Columns.size(); ++i) {
        const int index = static_cast<int>(i);
        const TFieldType type = FieldTypeOfColumn(FResult.Columns[i].DeclaredType, FResult.Rows, index);
        int size = 0;
        if (type == ftWideString) {
            for (const auto& row : FResult.Rows)
                if (row[i].Kind() == TSQLValueKind::Text)
                    size = std::max(size, static_cast<int>(row[i].TextValue().size()));
            size = std::max(size, 1);
        }
        const QString& name = FResult.Columns[i].Name;
        std::unique_ptr<TField> field;
        switch (type) {
        case ftLargeint:
            field = std::make_unique<TLargeintField>(this, name, type, size, index);
            break;
        case ftFloat:
            field = std::make_unique<TFloatField>(this, name, type, size, index);
            break;
        case ftBlob:
            field = std::make_unique<TBlobField>(this, name, type, size, index);
            break;
        default:
            field = std::make_unique<TWideStringField>(this, name, type, size, index);
            break;
        }
        FFields.FItems.push_back(std::move(field));
        FFieldDefs.Add({name, type, size, index + 1});
    }
}

void TDataSet::Close() {
    if (!FActive) return;
    DoBeforeClose();
    FActive = false;
    FFields.FItems.clear();
    FResult = TResultSet();
    FCurrent = 0;
    FEof = FBof = true;
    DoAfterClose();
}

void TDataSet::CheckActive() const {
    if (!FActive) throw EDatabaseError(QStringLiteral("Cannot perform this operation on a closed dataset"));
}

void TDataSet::First() {
    CheckActive();
    FCurrent = 0;
    FBof = true;
    FEof = FResult.Rows.empty();
}

void TDataSet::Last() {
    CheckActive();
    FCurrent = FResult.Rows.empty() ? 0 : static_cast<int>(FResult.Rows.size()) - 1;
    FEof = true;
    FBof = FResult.Rows.empty();
}

void TDataSet::Next() {
    CheckActive();
    FBof = false;
    if (FCurrent + 1 < static_cast<int>(FResult.Rows.size()))
        ++FCurrent;
    else
        FEof = true;
}

void TDataSet::Prior() {
    CheckActive();
    FEof = FResult.Rows.empty();
    if (FCurrent > 0)
        --FCurrent;
    else
        FBof = true;
}

int TDataSet::MoveBy(int count) {
    int moved = 0;
    while (count > 0 && !FEof) {
        const int before = FCurrent;
        Next();
        if (FCurrent != before) ++moved;
        --count;
    }
    while (count < 0 && !FBof) {
        const int before = FCurrent;
        Prior();
        if (FCurrent != before) --moved;
        ++count;
    }
    return moved;
}

int TDataSet::RecordCount() const {
    CheckActive();
    return static_cast<int>(FResult.Rows.size());
}

void TDataSet::SetRecNo(int value) {
    CheckActive();
    if (value < 1 || value > static_cast<int>(FResult.Rows.size())) return;
    FCurrent = value - 1;
    FEof = FBof = false;
}

const TSQLValue& TDataSet::CurrentValue(int index) const {
    static const TSQLValue null;
    if (!FActive || FResult.Rows.empty()) return null;
    const auto& row = FResult.Rows[static_cast<size_t>(FCurrent)];
    if (index < 0 || index >= static_cast<int>(row.size())) return null;
    return row[static_cast<size_t>(index)];
}

void TDataSet::GetFieldNames(QStringList& list) const {
    list.clear();
    for (int i = 0; i < FFields.Count(); ++i)
        list.append(FFields.Get(i)->FieldName());
}

QStringList TDataSet::FieldNames() const {
    QStringList list;
    GetFieldNames(list);
    return list;
}

std::vector<TResultColumn> TDataSet::DescribeColumns() {
    return FResult.Columns;
}

TBookmark TDataSet::GetBookmark() const {
    if (!FActive || FResult.Rows.empty()) return TBookmark();
    TBookmark b;
    QDataStream out(&b, QIODevice::WriteOnly);
    out << static_cast<qint32>(FCurrent);
    return b;
}

namespace {

int BookmarkIndex(const TBookmark& bookmark) {
    if (bookmark.size() != 4) return -1;
    QDataStream in(bookmark);
    qint32 i = -1;
    in >> i;
    return i;
}

} // namespace

bool TDataSet::BookmarkValid(const TBookmark& bookmark) const {
    const int i = BookmarkIndex(bookmark);
    return FActive && i >= 0 && i < static_cast<int>(FResult.Rows.size());
}

void TDataSet::GotoBookmark(const TBookmark& bookmark) {
    CheckActive();
    if (!BookmarkValid(bookmark)) throw EDatabaseError(QStringLiteral("Record not found"));
    FCurrent = BookmarkIndex(bookmark);
    FEof = FBof = false;
}

int TDataSet::CompareBookmarks(const TBookmark& a, const TBookmark& b) const {
    const int ia = BookmarkIndex(a), ib = BookmarkIndex(b);
    return ia < ib ? -1 : (ia > ib ? 1 : 0);
}
