#pragma once
// Report datasets: the record sources a report walks (first, next, end of data) and reads values
// from, the report's collection of dataset entries, and the process-wide list of every dataset
// component, through which a template finds the application's datasets by user name.
//
// A dataset that is destroyed leaves the process-wide list and every dataset collection that
// names it; a report that a dataset remembers (ReportRef) is forgotten when the report goes.

#include "platform/rtl/Variant.h"
#include "report/core/rptDialogComponent.h"

#include <QString>

#include <memory>
#include <mutex>
#include <vector>

class TStringList;
class TStrings;

enum TrptRangeBegin { rbFirst, rbCurrent };
KORVEL_ENUM(TrptRangeBegin, "rbFirst,rbCurrent")
enum TrptRangeEnd { reLast, reCurrent, reCount };
KORVEL_ENUM(TrptRangeEnd, "reLast,reCurrent,reCount")
enum TrptFieldType { fftNumeric, fftString, fftBoolean };
KORVEL_ENUM(TrptFieldType, "fftNumeric,fftString,fftBoolean")

using TrptCheckEOFEvent = std::function<void(TObject* Sender, bool& Eof)>;

class TrptDataSet : public TrptDialogComponent {
    KORVEL_CLASS(TrptDataSet, TrptDialogComponent)
public:
    // Enabled, OpenDataSource, RangeBegin rbFirst, RangeEnd reLast; joins the process-wide list.
    explicit TrptDataSet(TComponent* AOwner = nullptr);
    // Leaves the process-wide list (under its lock) before anything else goes.
    ~TrptDataSet() override;

    // Fields.
    virtual QString GetDisplayText(const QString& Index); // base: empty
    virtual int GetDisplayWidth(const QString& Index);    // base: 10
    virtual TrptFieldType GetFieldType(const QString& Index); // base: fftNumeric
    virtual Variant GetValue(const QString& Index);       // base: Null
    // A name that is empty after trimming blanks raises "Invalid property value" ("prInvProp");
    // any other is stored as given.
    virtual void SetUserName(const QString& Value);
    // Around a run of the report.
    virtual void Initialize() {}
    virtual void Finalize() {}
    // Navigation. The base keeps only RecNo and the Eof flag, for ranges of RangeEndCount records.
    virtual void Open();
    virtual void Close();
    virtual void First();
    virtual void Next();
    virtual void Prior();
    virtual bool Eof();
    virtual int FieldsCount() { return 0; }
    virtual bool IsBlobField(const QString& fName);
    // RangeEndCount for a range from the first record counted by reCount; otherwise 0.
    virtual int RecordCount();
    // Copies a large-object field into a picture, stream or string list; base: nothing.
    virtual void AssignBlobTo(const QString& fName, TObject* Obj);
    // The field names; base: an empty list.
    virtual void GetFieldList(TStrings* List);
    // Whether GetFieldList lists the name, ignoring case.
    bool HasField(const QString& fName);

    // A new name becomes the user name too, unless another user name was given.
    void SetName(const QString& Value) override;

    bool CloseDataSource() const { return FCloseDataSource; }
    void SetCloseDataSource(bool Value) { FCloseDataSource = Value; }
    bool Enabled() const { return FEnabled; }
    void SetEnabled(bool Value) { FEnabled = Value; }
    bool OpenDataSource() const { return FOpenDataSource; }
    void SetOpenDataSource(bool Value) { FOpenDataSource = Value; }
    TrptRangeBegin RangeBegin() const { return FRangeBegin; }
    void SetRangeBegin(TrptRangeBegin Value) { FRangeBegin = Value; }
    TrptRangeEnd RangeEnd() const { return FRangeEnd; }
    void SetRangeEnd(TrptRangeEnd Value) { FRangeEnd = Value; }
    int RangeEndCount() const { return FRangeEndCount; }
    void SetRangeEndCount(int Value) { FRangeEndCount = Value; }
    // The report that last initialised the dataset; errors about its fields go there.
    TrptReport* ReportRef() const { return FReportRef; }
    void SetReportRef(TrptReport* Value);
    const QString& UserName() const { return FUserName; }
    int RecNo() const { return FRecNo; }
    bool Initialized() const { return FInitialized; }
    void SetInitialized(bool Value) { FInitialized = Value; }

    TrptCheckEOFEvent OnCheckEOF;
    TNotifyEvent OnFirst;
    TNotifyEvent OnNext;
    TNotifyEvent OnPrior;
    TNotifyEvent OnOpen;
    TNotifyEvent OnClose;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;

    bool FCloseDataSource = false;
    bool FEnabled = true;
    bool FEof = false;
    bool FOpenDataSource = true;
    TrptRangeBegin FRangeBegin = rbFirst;
    TrptRangeEnd FRangeEnd = reLast;
    int FRangeEndCount = 0;
    TrptReport* FReportRef = nullptr;
    QString FUserName;
    bool FInitialized = false;
    int FRecNo = 0;
};

// ---------------------------------------------------------------------------------------------

// A dataset whose records are the host's: it names the fields and answers values from events;
// the host decides the end of data through OnCheckEOF or a counted range.
class TrptUserDataSet : public TrptDataSet {
    KORVEL_CLASS(TrptUserDataSet, TrptDataSet)
public:
    explicit TrptUserDataSet(TComponent* AOwner = nullptr);
    ~TrptUserDataSet() override;

    TStrings* Fields() const;
    void SetFields(const TStrings* Value);

    void GetFieldList(TStrings* List) override;
    int FieldsCount() override;
    // Null, then OnGetValue, then OnNewGetValue on the same value.
    Variant GetValue(const QString& Index) override;
    // Each event from Null on its own, the value as text after each: the second event's text
    // wins when both are assigned.
    QString GetDisplayText(const QString& Index) override;

    TrptGetValueEvent OnGetValue;
    TrptNewGetValueEvent OnNewGetValue;

private:
    std::unique_ptr<TStringList> FFields;
};

// ---------------------------------------------------------------------------------------------

// The base of datasets over the data-access layer: field aliases and the visible field names.
class TrptCustomDBDataSet : public TrptDataSet {
    KORVEL_CLASS(TrptCustomDBDataSet, TrptDataSet)
public:
    explicit TrptCustomDBDataSet(TComponent* AOwner = nullptr);
    ~TrptCustomDBDataSet() override;

    // Lines "FIELD=Alias".
    TStrings* FieldAliases() const;
    void SetFieldAliases(const TStrings* Value);
    // The field behind an alias (first line whose alias equals fName ignoring case), or fName.
    QString ConvertAlias(const QString& fName) const;
    // The alias of a field (first line whose field equals fName ignoring case), or fName.
    QString GetAlias(const QString& fName) const;
    int FieldsCount() override;

protected:
    // The visible names (aliases), sorted, without duplicates, each with its field object;
    // filled by the dataset over the data-access layer.
    std::unique_ptr<TStringList> FFields;
    std::unique_ptr<TStringList> FAliases;
};

// ---------------------------------------------------------------------------------------------

// The abstract database connection of data pages; no descendant exists here, and every
// operation answers as an unconnected database does.
class TrptCustomDatabase : public TrptDialogComponent {
    KORVEL_CLASS(TrptCustomDatabase, TrptDialogComponent)
public:
    explicit TrptCustomDatabase(TComponent* AOwner = nullptr);

    // The published Connected, DatabaseName, LoginPrompt and Params read and write through these.
    virtual void SetConnected(bool Value) { (void)Value; }
    virtual void SetDatabaseName(const QString& Value) { (void)Value; }
    virtual void SetLoginPrompt(bool Value) { (void)Value; }
    virtual void SetParams(TStrings* Value) { (void)Value; }
    virtual bool GetConnected() const { return false; }
    virtual QString GetDatabaseName() const { return QString(); }
    virtual bool GetLoginPrompt() const { return false; }
    virtual TStrings* GetParams() const { return nullptr; }
    virtual QString ToString() const { return QString(); }
    virtual void FromString(const QString& Connection) { (void)Connection; }
    virtual void SetLogin(const QString& Login, const QString& Password) { (void)Login, (void)Password; }
};

// ---------------------------------------------------------------------------------------------

class TrptDataSetItem : public TCollectionItem {
    KORVEL_CLASS(TrptDataSetItem, TCollectionItem)
public:
    explicit TrptDataSetItem(TCollection* Collection = nullptr);
    ~TrptDataSetItem() override;

    TrptDataSet* DataSet() const { return FDataSet; }
    // Stores the dataset and takes its user name (empty for none).
    void SetDataSet(TrptDataSet* Value);
    // The dataset's user name when there is one, else the stored name.
    QString DataSetName() const;
    // An empty name clears the dataset; otherwise, in a report's collection, the report's
    // FindDataSet resolves it (starting from the current dataset).
    void SetDataSetName(const QString& Value);

private:
    friend class TrptReportDataSets;
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
};

class TrptReportDataSets : public TCollection {
    KORVEL_CLASS(TrptReportDataSets, TCollection)
public:
    explicit TrptReportDataSets(TrptReport* AReport = nullptr);
    ~TrptReportDataSets() override;

    TrptReport* Report() const { return FReport; }
    TrptDataSetItem* Items(int Index) const;
    // Appends an entry; an existing entry for the dataset is not looked for.
    TrptDataSetItem* Add(TrptDataSet* ds);
    // The first entry whose dataset is ds, or none.
    TrptDataSetItem* Find(TrptDataSet* ds) const;
    // The first entry with a dataset whose user name equals Name ignoring case, or none.
    TrptDataSetItem* Find(const QString& Name) const;
    // Frees the entry Find(Name) gives.
    void Delete(const QString& Name);
    // For every entry with a dataset, in order: ReportRef := the report, then Initialize.
    void Initialize();
    void Finalize();
    // Frees every entry that names the dataset (the dataset is going away). Compares addresses
    // only, so it may be called from a notification while the dataset is being destroyed.
    void RemoveDataSet(const TComponent* ds);

private:
    friend class TrptDataSetItem;
    class TWatcher;
    void Watch(TrptDataSet* ds);

    TrptReport* FReport;
    std::unique_ptr<TWatcher> FWatcher;
};

// ---------------------------------------------------------------------------------------------

// Every dataset of the process, in creation order, guarded by its own lock. Adding, removing,
// searching and listing take the lock.
class TrptGlobalDataSetList {
public:
    TrptGlobalDataSetList() = default;
    TrptGlobalDataSetList(const TrptGlobalDataSetList&) = delete;
    TrptGlobalDataSetList& operator=(const TrptGlobalDataSetList&) = delete;

    void Lock() { FLock.lock(); }
    void Unlock() { FLock.unlock(); }
    std::recursive_mutex& Mutex() { return FLock; }

    // Under the lock.
    void Add(TrptDataSet* ds);
    void Remove(TrptDataSet* ds);
    int Count();
    TrptDataSet* Items(int Index);
    // A copy of the list, taken under the lock.
    std::vector<TrptDataSet*> Snapshot();

private:
    std::recursive_mutex FLock;
    std::vector<TrptDataSet*> FItems;
};

TrptGlobalDataSetList& GlobalDataSetList();

// The dataset for a user name. An empty name gives none; no owner gives Default. Otherwise the
// first dataset of the process-wide list whose user name equals Name ignoring case, skipping
// datasets of another report when Owner is (or belongs to) a report; Default when none matches.
TrptDataSet* FindGlobalDataSet(TrptDataSet* Default, const QString& Name, TComponent* Owner);
// Clears List and adds every enabled dataset with a user name, the dataset as the line's object.
void FillGlobalDataSetList(TStrings* List);

// Registers by name the dataset classes a template may hold: TrptUserDataSet (idempotent).
void RegisterDataSetClasses();
