#pragma once
// The report dataset over a dataset of the data-access layer: the application binds its query
// result here (SetDataSet) and names it "Report", and templates read it by that name.
//
// While a report runs (Initialize .. Finalize) the component hooks the data-access dataset's
// after-open and before-close handlers, so that it rebinds its fields when the data is opened
// again and forgets them when the data is closed; the dataset's own handlers still run, called
// from the hooks, and are put back by Finalize.
//
// The bound dataset and data source are plain objects, not components, so the component cannot
// hear of their destruction: it checks before every use, through their object handles, that
// they still live, and forgets them when they do not. Field objects are checked against the
// dataset's live fields before each read, so a dataset closed or reopened behind the
// component's back is rebound instead of read through stale fields.

#include "platform/data/DataSet.h"
#include "report/core/rptDataSets.h"

#include <QHash>

#include <cstdint>
#include <vector>

class TrptDBDataset : public TrptCustomDBDataSet {
    KORVEL_CLASS(TrptDBDataset, TrptCustomDBDataSet)
public:
    explicit TrptDBDataset(TComponent* AOwner = nullptr);
    // Puts the dataset's own handlers back when they are still hooked.
    ~TrptDBDataset() override;

    // The dataset bound directly; binding one drops the data source.
    TDataSet* DataSet() const;
    void SetDataSet(TDataSet* Value);
    // A data source whose dataset is used when none is bound directly; binding one drops the
    // dataset.
    TDataSource* DataSource() const;
    void SetDataSource(TDataSource* Value);
    // The dataset in use: DataSet, else the data source's dataset, else none.
    TDataSet* GetDataSet() const;
    // Read decimal (BCD) fields as currency instead of floating point.
    bool BCDToCurrency() const { return FBCDToCurrency; }
    void SetBCDToCurrency(bool Value) { FBCDToCurrency = Value; }

    // The field's text. A name the report does not see gives "Field not found: User."Name""
    // (and that line, after the current object, in the report's errors); an inactive dataset
    // gives the complex name User."Name" itself.
    QString GetDisplayText(const QString& Index) override;
    // Through the alias: the field's width, or its definition's (size for text, 20 for
    // date-time, 15 for 64-bit integers, 10 otherwise).
    int GetDisplayWidth(const QString& Index) override;
    TrptFieldType GetFieldType(const QString& Index) override;
    // Null for an unknown name (the line goes to the report's errors; without a report the
    // error is raised). BLOB fields give their text.
    Variant GetValue(const QString& Index) override;
    // Hooks the dataset's handlers; "DataSet %s is not connected to data" when none is bound.
    void Initialize() override;
    // Back to the bookmarked record, closes the data when CloseDataSource, unhooks.
    void Finalize() override;
    // Opens the data (when OpenDataSource), binds the fields, takes the bookmark the current
    // ranges need. Nothing when already opened.
    void Open() override;
    void Close() override;
    void First() override;
    void Next() override;
    void Prior() override;
    bool Eof() override;
    bool IsBlobField(const QString& fName) override;
    int RecordCount() override;
    // Into a TrptWideStrings (the field's text) or a stream (its bytes, then rewound).
    void AssignBlobTo(const QString& fName, TObject* Obj) override;
    // The aliases of FieldAliases (a field written "-NAME" is hidden), or else the dataset's
    // field names.
    void GetFieldList(TStrings* List) override;

    // The record bookmarked when the data was opened (empty for none).
    const TBookmark& Bookmark() const { return FBookmark; }

private:
    struct THook;
    friend struct THook;

    // Forgets a dataset or data source that no longer lives; recomputes DS when one went.
    void CheckLinks();
    // Recomputes DS; a new one drops the old one's hooks, fields and bookmark.
    void UpdateDS();
    void Hook();
    void Unhook();
    // Forgets the field objects and the bookmark (the data is closed or gone).
    void DropFields();
    // The after-open and before-close work; Sender is the dataset when it calls.
    void BindFields(TDataSet* Sender);
    void CloseHandler(TDataSet* Sender);
    void OpenIfNeeded();
    [[noreturn]] void RaiseNotConnected() const;
    // Index of the name in the field list (-1 when absent) and its live field (none when the
    // name has no field). Stale field objects are rebound first.
    int FindField(const QString& Name, TField*& Field);
    bool FieldIsLive(int ListIndex) const;
    // "Field not found: User."Name"".
    QString NotFoundText(const QString& Index) const;
    // Adds the line to the report's errors; false when there is no report to tell.
    bool ReportNotFound(const QString& Text) const;
    bool OnBookmark() const;

    TDataSet* FDataSet = nullptr;
    TDataSource* FDataSource = nullptr;
    TDataSet* FDS = nullptr;
    std::int32_t FDataSetHandle = 0;
    std::int32_t FDataSourceHandle = 0;
    std::int32_t FDSHandle = 0;
    bool FBCDToCurrency = false;
    bool FDBEof = false;
    TBookmark FBookmark;
    // The dataset whose handlers are hooked (DS or none), and its own handlers.
    TDataSet* FHookedDS = nullptr;
    TDataSet::TDataSetNotifyEvent FSaveOpenEvent;
    TDataSet::TDataSetNotifyEvent FSaveCloseEvent;
    // Beside FFields: the index in DS of each line's field (-1 for none), to check it still lives.
    std::vector<int> FFieldIndex;
    // Names asked for, with their index in FFields; cleared whenever the list is rebuilt.
    QHash<QString, int> FNameIndex;
};

// Registers TrptDBDataset by name, so that a template's data page can hold one (idempotent;
// creating one registers it too).
void RegisterDBDataSetClasses();
