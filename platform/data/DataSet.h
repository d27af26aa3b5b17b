#pragma once
// Datasets and fields of the data-access layer.
//
// A dataset reads its whole result when it opens, so RecordCount is exact, First/Next/Prior/Last
// and bookmarks work in both directions, and no statement stays open on the connection.
//
// Field kinds. SQLite types values, not columns, so each value keeps its own storage class
// (TField::ValueKind, IsNull) and every getter converts from what the current record holds. The
// kind of a column as a whole (DataType, and the TField subclass) comes from its declared type by
// SQLite's affinity rules: a name containing "INT" is ftLargeint; "CHAR", "CLOB" or "TEXT"
// ftWideString; "BLOB" ftBlob; "REAL", "FLOA" or "DOUB" ftFloat. A column with no declared type
// (an expression) or another declared type takes the storage class of its first non-NULL value
// in the result (integer ftLargeint, float ftFloat, text ftWideString, BLOB ftBlob), and
// ftWideString when every value is NULL.

#include "platform/data/SQLValue.h"
#include "platform/rtl/Exceptions.h"
#include "platform/rtl/Object.h"
#include "platform/rtl/Streams.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <vector>

enum TFieldType {
    ftUnknown,
    ftString,
    ftSmallint,
    ftInteger,
    ftWord,
    ftBoolean,
    ftFloat,
    ftCurrency,
    ftBCD,
    ftDate,
    ftTime,
    ftDateTime,
    ftBytes,
    ftVarBytes,
    ftAutoInc,
    ftBlob,
    ftMemo,
    ftGraphic,
    ftFmtMemo,
    ftWideString,
    ftLargeint,
    ftTimeStamp,
    ftFMTBcd,
    ftWideMemo
};
using TBlobType = TFieldType;

class TDataSet;

class TField : public TObject {
public:
    TField(TDataSet* dataSet, const QString& fieldName, TFieldType dataType, int size, int index);

    TDataSet* DataSet() const { return FDataSet; }
    const QString& FieldName() const { return FFieldName; }
    const QString& DisplayLabel() const { return FFieldName; }
    TFieldType DataType() const { return FDataType; }
    int Size() const { return FSize; }
    int Index() const { return FIndex; }
    int FieldNo() const { return FIndex + 1; }
    // Characters a column needs to show its values: Size for text, a fixed width otherwise.
    int DisplayWidth() const;
    virtual bool IsBlob() const { return false; }

    // The value of the current record. An empty dataset reads as NULL.
    const TSQLValue& Value() const;
    TSQLValueKind ValueKind() const { return Value().Kind(); }
    bool IsNull() const { return Value().IsNull(); }
    QString AsString() const { return Value().AsString(); }
    QString AsWideString() const { return AsString(); }
    int AsInteger() const { return Value().AsInteger(); }
    Int64 AsLargeInt() const { return Value().AsLargeInt(); }
    double AsFloat() const { return Value().AsFloat(); }
    bool AsBoolean() const { return Value().AsBoolean(); }
    TDateTime AsDateTime() const { return Value().AsDateTime(); }
    QByteArray AsBytes() const { return Value().AsBytes(); }
    // Null, a 64-bit integer, a double, a string, or the BLOB's bytes as a byte array.
    Variant AsVariant() const;
    QString DisplayText() const { return AsString(); }
    QString Text() const { return AsString(); }
    // Writes the value's bytes (AsBytes) at the stream's position.
    void SaveToStream(TStream& stream) const;

private:
    TDataSet* FDataSet;
    QString FFieldName;
    TFieldType FDataType;
    int FSize;
    int FIndex;
};

class TLargeintField : public TField {
public:
    using TField::TField;
};
class TFloatField : public TField {
public:
    using TField::TField;
};
class TWideStringField : public TField {
public:
    using TField::TField;
};

class TBlobField : public TField {
public:
    using TField::TField;
    bool IsBlob() const override { return true; }
    TBlobType BlobType() const { return DataType(); }
    int BlobSize() const { return AsBytes().size(); }
};

class TFields {
public:
    int Count() const { return static_cast<int>(FItems.size()); }
    TField* Get(int index) const; // EListError outside 0..Count-1
    TField* operator[](int index) const { return Get(index); }
    // Names are compared without regard to letter case; the first match wins.
    TField* FindField(const QString& name) const;
    TField* FieldByName(const QString& name) const; // EDatabaseError "Field 'x' not found"
    int IndexOf(const TField* field) const;

private:
    friend class TDataSet;
    std::vector<std::unique_ptr<TField>> FItems;
};

struct TFieldDef {
    QString Name;
    TFieldType DataType = ftUnknown;
    int Size = 0;
    int FieldNo = 0;
};

class TFieldDefs {
public:
    explicit TFieldDefs(TDataSet* dataSet) : FDataSet(dataSet) {}
    int Count() const { return static_cast<int>(FItems.size()); }
    const TFieldDef& Items(int index) const;
    const TFieldDef* Find(const QString& name) const;
    int IndexOf(const QString& name) const;
    // Brings the definitions up to date: those of the open result, or, for a closed query, of
    // its prepared statement.
    void Update();
    void Clear() { FItems.clear(); }
    void Add(const TFieldDef& def) { FItems.push_back(def); }

private:
    TDataSet* FDataSet;
    std::vector<TFieldDef> FItems;
};

// A record position; empty means none.
using TBookmark = QByteArray;

// One result column as the statement reports it.
struct TResultColumn {
    QString Name;
    QString DeclaredType;
};

// A whole result: its columns and every row.
struct TResultSet {
    std::vector<TResultColumn> Columns;
    std::vector<std::vector<TSQLValue>> Rows;
};

class TDataSet : public TObject {
public:
    using TDataSetNotifyEvent = std::function<void(TDataSet* dataSet)>;

    TDataSet();
    ~TDataSet() override;

    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }

    bool Active() const { return FActive; }
    void SetActive(bool value);
    void Open();
    void Close();

    void First();
    void Next();
    void Prior();
    void Last();
    // Moves by count records (negative: backwards) and returns how far it went.
    int MoveBy(int count);
    bool Eof() const { return FEof; }
    bool Bof() const { return FBof; }
    bool IsEmpty() const { return FResult.Rows.empty(); }
    int RecordCount() const;
    // 1-based number of the current record; 0 when there is none.
    int RecNo() const { return FResult.Rows.empty() ? 0 : FCurrent + 1; }
    void SetRecNo(int value);

    TFields& Fields() { return FFields; }
    const TFields& Fields() const { return FFields; }
    int FieldCount() const { return FFields.Count(); }
    TField* FieldByName(const QString& name) const { return FFields.FieldByName(name); }
    TField* FindField(const QString& name) const { return FFields.FindField(name); }
    void GetFieldNames(QStringList& list) const;
    QStringList FieldNames() const;
    TFieldDefs& FieldDefs() { return FFieldDefs; }

    TBookmark GetBookmark() const;
    bool BookmarkValid(const TBookmark& bookmark) const;
    void GotoBookmark(const TBookmark& bookmark); // EDatabaseError "Record not found"
    void FreeBookmark(TBookmark& bookmark) const { bookmark.clear(); }
    int CompareBookmarks(const TBookmark& a, const TBookmark& b) const;

    TDataSetNotifyEvent BeforeOpen;
    TDataSetNotifyEvent AfterOpen;
    TDataSetNotifyEvent BeforeClose;
    TDataSetNotifyEvent AfterClose;

    // The value of field `index` in the current record (NULL when there is none).
    const TSQLValue& CurrentValue(int index) const;

protected:
    void DoBeforeOpen() {
        if (BeforeOpen) BeforeOpen(this);
    }
    void DoAfterOpen() {
        if (AfterOpen) AfterOpen(this);
    }
    void DoBeforeClose() {
        if (BeforeClose) BeforeClose(this);
    }
    void DoAfterClose() {
        if (AfterClose) AfterClose(this);
    }

    // Produces the whole result; called by Open.
    virtual TResultSet OpenCursor() = 0;
    // Column definitions without opening; the base gives those of the open result.
    virtual std::vector<TResultColumn> DescribeColumns();
    // Opens on a result that was already read (used by the connection's Execute).
    void OpenWithResult(TResultSet result);
    void CheckActive() const;

private:
    friend class TFieldDefs;
    void Activate(TResultSet result);
    void BuildFields();

    QString FName;
    bool FActive = false;
    bool FEof = true;
    bool FBof = true;
    int FCurrent = 0;
    TResultSet FResult;
    TFields FFields;
    TFieldDefs FFieldDefs;
};

// The kind of a result column, by the rules at the top of this file.
TFieldType FieldTypeOfColumn(const QString& declaredType, const std::vector<std::vector<TSQLValue>>& rows,
                             int column);

// Links a dataset to whoever shows or reports it.
class TDataSource : public TObject {
public:
    TDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TDataSet* value) { FDataSet = value; }

private:
    TDataSet* FDataSet = nullptr;
};
