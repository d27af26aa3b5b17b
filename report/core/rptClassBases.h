#pragma once
// The interfaces through which a report drives the parts that plug into it: its engine, the
// prepared pages and their outline, a preview control, export filters, wizards, the designer
// window, and the optional template compressor and crypter. The concrete classes live with the
// engine, the prepared pages, the preview, the export filters and the designer.
//
// Operations described as abstract are virtual and raise EAbstractError ("Abstract Error") when a
// descendant does not override them, so a partly built plug-in fails loudly where it falls short.

#include "platform/rtl/StringList.h"
#include "platform/rtl/Types.h"
#include "platform/rtl/Variant.h"
#include "platform/ui/Controls.h"
#include "platform/ui/Forms.h"
#include "platform/ui/UiTypes.h"
#include "report/core/rptClassComponent.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class TCanvas;
class TStream;
class TStrings;
class TrptXMLItem;
class TrptPictureView;
class TrptCustomOutline;
class TrptCustomPreviewPages;
class TrptCustomExportFilter;

// Raises the platform's abstract-call error.
[[noreturn]] void rptAbstractError();

// A band class, for the engine's ShowBand by class.
using TrptBandClass = const TClassInfo*;
// Host hook that shows a dialog page while the engine runs.
using TrptRunDialogEvent = std::function<void(TrptDialogPage* Page)>;

// ---------------------------------------------------------------------------------------------

// The engine a report runs to produce its prepared pages.
class TrptCustomEngine : public TPersistent {
    KORVEL_CLASS(TrptCustomEngine, TPersistent)
public:
    // Keeps the report and creates NotifyList.
    explicit TrptCustomEngine(TrptReport* AReport);
    ~TrptCustomEngine() override;

    // The getter of PageHeight; the base returns the stored value.
    virtual double GetPageHeight() const { return FPageHeight; }
    virtual void EndPage();
    // The base does nothing.
    virtual void BreakAllKeep() {}
    virtual void NewColumn();
    virtual void NewPage();
    virtual void ShowBand(TrptBand* Band);
    virtual void ShowBand(TrptBandClass Band);
    virtual double HeaderHeight();
    virtual double FooterHeight();
    virtual double FreeSpace();
    // SUM, AVG, MIN, MAX and COUNT of expressions.
    virtual Variant GetAggregateValue(const QString& Name, const QString& Expression, TrptBand* Band,
                                      int Flags);
    // True when the pages were produced.
    virtual bool Run();

    // ShowBand with the report's object of that name; none when there is no such band. A
    // template so that the band class only has to be complete where it is called.
    template <class Band = TrptBand> void ShowBandByName(const QString& BandName) {
        ShowBand(dynamic_cast<Band*>(FindReportObject(BandName)));
    }
    // Sets the report's Terminated, which also stops the script.
    void StopReport();

    TrptReport* Report() const { return FReport; }
    TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TrptCustomPreviewPages* Value) { FPreviewPages = Value; }
    // Objects told of engine events; the list is the engine's, the objects are not.
    std::vector<TObject*>& NotifyList() { return FNotifyList; }

    int CurColumn() const { return FCurColumn; }
    void SetCurColumn(int Value) { FCurColumn = Value; }
    int CurVColumn() const { return FCurVColumn; }
    void SetCurVColumn(int Value) { FCurVColumn = Value; }
    // "Line": the line number within the current data band; "Line#": through the whole report.
    int CurLine() const { return FCurLine; }
    void SetCurLine(int Value) { FCurLine = Value; }
    int CurLineThrough() const { return FCurLineThrough; }
    void SetCurLineThrough(int Value) { FCurLineThrough = Value; }
    double CurX() const { return FCurX; }
    void SetCurX(double Value) { FCurX = Value; }
    double CurY() const { return FCurY; }
    void SetCurY(double Value) { FCurY = Value; }
    // The report's EngineOptions.DoublePass (False without a report).
    bool DoublePass() const;
    bool FinalPass() const { return FFinalPass; }
    void SetFinalPass(bool Value) { FFinalPass = Value; }
    double PageHeight() const { return GetPageHeight(); }
    void SetPageHeight(double Value) { FPageHeight = Value; }
    double PageWidth() const { return FPageWidth; }
    void SetPageWidth(double Value) { FPageWidth = Value; }
    bool Running() const { return FRunning; }
    void SetRunning(bool Value) { FRunning = Value; }
    TDateTime StartDate() const { return FStartDate; }
    void SetStartDate(TDateTime Value) { FStartDate = Value; }
    TDateTime StartTime() const { return FStartTime; }
    void SetStartTime(TDateTime Value) { FStartTime = Value; }
    // The page count of the first pass of a double-pass run ("TotalPages#").
    int TotalPages() const { return FTotalPages; }
    void SetTotalPages(int Value) { FTotalPages = Value; }
    bool SecondScriptCall() const { return FSecondScriptCall; }
    void SetSecondScriptCall(bool Value) { FSecondScriptCall = Value; }

    TrptRunDialogEvent OnRunDialog;

protected:
    TrptComponent* FindReportObject(const QString& Name) const;

    int FCurColumn = 0;
    int FCurVColumn = 0;
    int FCurLine = 0;
    int FCurLineThrough = 0;
    double FCurX = 0;
    double FCurY = 0;
    bool FFinalPass = false;
    std::vector<TObject*> FNotifyList;
    double FPageHeight = 0;
    double FPageWidth = 0;
    TrptCustomPreviewPages* FPreviewPages = nullptr;
    TrptReport* FReport;
    bool FRunning = false;
    TDateTime FStartDate = 0;
    TDateTime FStartTime = 0;
    int FTotalPages = 0;
    bool FSecondScriptCall = false;
};

// ---------------------------------------------------------------------------------------------

// The outline tree of a prepared report.
class TrptCustomOutline : public TPersistent {
    KORVEL_CLASS(TrptCustomOutline, TPersistent)
public:
    explicit TrptCustomOutline(TrptCustomPreviewPages* APreviewPages);
    ~TrptCustomOutline() override;

    virtual int GetCount();
    virtual void AddItem(const QString& Text, int Top);
    virtual void LevelDown(int Index);
    virtual void LevelRoot();
    virtual void LevelUp();
    virtual void GetItem(int Index, QString& Text, int& Page, int& Top);
    virtual void ShiftItems(TrptXMLItem* From, int NewTop);
    virtual TrptXMLItem* GetCurPosition();

    int Count() { return GetCount(); }
    TrptXMLItem* CurItem() const { return FCurItem; }
    void SetCurItem(TrptXMLItem* Value) { FCurItem = Value; }
    TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
    // The prepared pages' engine.
    TrptCustomEngine* Engine() const;

protected:
    TrptXMLItem* FCurItem = nullptr;
    TrptCustomPreviewPages* FPreviewPages;
};

// ---------------------------------------------------------------------------------------------

enum TrptAddPageAction { apWriteOver, apAdd };
KORVEL_ENUM(TrptAddPageAction, "apWriteOver,apAdd")

// The prepared pages of a report: what the engine writes and preview, printing and export read.
class TrptCustomPreviewPages : public TObject {
    KORVEL_CLASS(TrptCustomPreviewPages, TObject)
public:
    // Keeps the report. A TrptOutline cannot be made before the concrete class's own constructor
    // runs, so that constructor installs it (SetOutline); the base owns it from then on.
    explicit TrptCustomPreviewPages(TrptReport* AReport);
    ~TrptCustomPreviewPages() override;

    virtual int GetCount();
    virtual TrptReportPage* GetPage(int Index);
    virtual TPoint GetPageSize(int Index);
    virtual void Clear();
    virtual void Initialize();
    virtual void AddObject(TrptComponent* Obj);
    virtual void AddPage(TrptReportPage* Page);
    virtual void AddSourcePage(TrptReportPage* Page);
    virtual void AddToSourcePage(TrptComponent* Obj);
    virtual void BeginPass();
    virtual void ClearFirstPassPages();
    virtual void CutObjects(int APosition);
    virtual void Finish();
    virtual void IncLogicalPageNumber();
    virtual void ResetLogicalPageNumber();
    virtual void PasteObjects(double X, double Y);
    virtual void ShiftAnchors(int From, int NewTop);
    virtual void AddPicture(TrptPictureView* Picture);
    virtual bool BandExists(TrptBand* Band);
    virtual int GetCurPosition();
    virtual int GetAnchorCurPosition();
    virtual double GetLastY(double ColumnPosition);
    // "Page" and "TotalPages".
    virtual int GetLogicalPageNo();
    virtual int GetLogicalTotalPages();
    virtual void AddEmptyPage(int Index);
    virtual void DeletePage(int Index);
    virtual void ModifyPage(int Index, TrptReportPage* Page);
    virtual void DrawPage(int Index, TCanvas* Canvas, double ScaleX, double ScaleY, double OffsetX,
                          double OffsetY);
    virtual void ObjectOver(int Index, int X, int Y, TMouseButton Button, TShiftState Shift, double Scale,
                            double OffsetX, double OffsetY, bool Click, TCursor& Cursor, bool DBClick);
    virtual void AddFrom(TrptReport* Report);
    virtual void LoadFromStream(TStream& Stream, bool AllowPartialLoading = false);
    virtual void SaveToStream(TStream& Stream);
    virtual bool LoadFromFile(const QString& FileName, bool ExceptionIfNotFound = false);
    virtual void SaveToFile(const QString& FileName);
    virtual bool Print();
    virtual bool Export(TrptCustomExportFilter* Filter);

    int Count() { return GetCount(); }
    TrptReportPage* Page(int Index) { return GetPage(Index); }
    TPoint PageSize(int Index) { return GetPageSize(Index); }

    TrptAddPageAction AddPageAction() const { return FAddPageAction; }
    void SetAddPageAction(TrptAddPageAction Value) { FAddPageAction = Value; }
    // The page being produced, and the page shown in the preview.
    int CurPage() const { return FCurPage; }
    void SetCurPage(int Value) { FCurPage = Value; }
    int CurPreviewPage() const { return FCurPreviewPage; }
    void SetCurPreviewPage(int Value) { FCurPreviewPage = Value; }
    TrptCustomEngine* Engine() const { return FEngine; }
    void SetEngine(TrptCustomEngine* Value) { FEngine = Value; }
    int FirstPage() const { return FFirstPage; }
    void SetFirstPage(int Value) { FFirstPage = Value; }
    TrptCustomOutline* Outline() const { return FOutline.get(); }
    TrptReport* Report() const { return FReport; }

protected:
    void SetOutline(std::unique_ptr<TrptCustomOutline> Value) { FOutline = std::move(Value); }

    TrptAddPageAction FAddPageAction = apWriteOver;
    int FCurPage = 0;
    int FCurPreviewPage = 0;
    TrptCustomEngine* FEngine = nullptr;
    int FFirstPage = 0;
    std::unique_ptr<TrptCustomOutline> FOutline;
    TrptReport* FReport;
};

// ---------------------------------------------------------------------------------------------

// A preview control; the report sets its Report and PreviewPages and calls Init.
class TrptCustomPreview : public TCustomControl {
    KORVEL_CLASS(TrptCustomPreview, TCustomControl)
public:
    explicit TrptCustomPreview(TComponent* AOwner);
    ~TrptCustomPreview() override;

    // The report and its prepared pages were (re)assigned: show them.
    virtual void Init();
    // Stop repainting while the pages change, and start again.
    virtual void Lock();
    virtual void Unlock();
    virtual void RefreshReport();
    virtual void InternalOnProgressStart(TrptReport* Sender, TrptProgressType ProgressType, int Progress);
    // During preparation Progress is the number of pages produced minus one.
    virtual void InternalOnProgress(TrptReport* Sender, TrptProgressType ProgressType, int Progress);
    virtual void InternalOnProgressStop(TrptReport* Sender, TrptProgressType ProgressType, int Progress);

    TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages; }
    void SetPreviewPages(TrptCustomPreviewPages* Value) { FPreviewPages = Value; }
    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* Value) { FReport = Value; }
    bool UseReportHints() const { return FUseReportHints; }
    void SetUseReportHints(bool Value) { FUseReportHints = Value; }

protected:
    TrptCustomPreviewPages* FPreviewPages = nullptr;
    TrptReport* FReport = nullptr;
    bool FUseReportHints = false;
};

// ---------------------------------------------------------------------------------------------

// The base of every export filter. A filter registers itself in the export-filter registry when
// it is created (so the preview offers it) and leaves it when destroyed; filters made with
// CreateNoRegister (by other filters or by code) stay out of it.
//
// The export loop drives a filter in this order: ShowModal (only with ShowDialog; anything but
// mrOk ends the export), Start (False ends it), then per page StartPage, ExportObject for each
// object and FinishPage, and Finish at the end.
class TrptCustomExportFilter : public TComponent {
    KORVEL_CLASS(TrptCustomExportFilter, TComponent)
public:
    explicit TrptCustomExportFilter(TComponent* AOwner = nullptr);
    ~TrptCustomExportFilter() override;

    // A filter of that class, made without owner and kept out of the registry.
    static std::unique_ptr<TrptCustomExportFilter> CreateNoRegister(const TClassInfo* Cls);
    template <class T> static std::unique_ptr<T> CreateNoRegister() {
        TNoRegisterScope scope;
        return std::make_unique<T>(nullptr);
    }

    // The filter's text in the export menu; the base has none.
    virtual QString GetDescription() const { return QString(); }
    // The base shows nothing and answers mrOk.
    virtual TModalResult ShowModal() { return mrOk; }
    // The base answers True.
    virtual bool Start() { return true; }
    virtual void ExportObject(TrptComponent* Obj);
    // The base versions do nothing.
    virtual void Finish() {}
    virtual void FinishPage(TrptReportPage* Page, int Index) { (void)Page, (void)Index; }
    virtual void StartPage(TrptReportPage* Page, int Index) { (void)Page, (void)Index; }

    bool NoRegister() const { return FNoRegister; }

    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool Value) { FShowDialog = Value; }
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    bool ExportNotPrintable() const { return FExportNotPrintable; }
    void SetExportNotPrintable(bool Value) { FExportNotPrintable = Value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool Value) { FUseFileCache = Value; }
    const QString& DefaultPath() const { return FDefaultPath; }
    void SetDefaultPath(const QString& Value) { FDefaultPath = Value; }
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool OverwritePrompt() const { return FOverwritePrompt; }
    void SetOverwritePrompt(bool Value) { FOverwritePrompt = Value; }
    // Set by the export loop to the time the export starts.
    TDateTime CreationTime() const { return FCreationTime; }
    void SetCreationTime(TDateTime Value) { FCreationTime = Value; }
    bool DataOnly() const { return FDataOnly; }
    void SetDataOnly(bool Value) { FDataOnly = Value; }
    // Only the page shown in the preview.
    bool CurPage() const { return FCurPage; }
    void SetCurPage(bool Value) { FCurPage = Value; }
    // A page list such as "1,3,5-12".
    const QString& PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString& Value) { FPageNumbers = Value; }
    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* Value) { FReport = Value; }
    // Written to instead of a file by the filters that can; not owned.
    TStream* Stream() const { return FStream; }
    void SetStream(TStream* Value) { FStream = Value; }
    // Driven by another filter.
    bool SlaveExport() const { return FSlaveExport; }
    void SetSlaveExport(bool Value) { FSlaveExport = Value; }
    const QString& DefaultExt() const { return FDefaultExt; }
    void SetDefaultExt(const QString& Value) { FDefaultExt = Value; }
    const QString& FilterDesc() const { return FFilterDesc; }
    void SetFilterDesc(const QString& Value) { FFilterDesc = Value; }
    bool SuppressPageHeadersFooters() const { return FSuppressPageHeadersFooters; }
    void SetSuppressPageHeadersFooters(bool Value) { FSuppressPageHeadersFooters = Value; }
    const QString& ExportTitle() const { return FExportTitle; }
    void SetExportTitle(const QString& Value) { FExportTitle = Value; }
    // The files written, when the filter keeps such a list; none otherwise. Owned.
    TStrings* Files() const { return FFiles.get(); }
    void SetFiles(std::unique_ptr<TStrings> Value) { FFiles = std::move(Value); }

    // Called by the export loop before Start.
    TNotifyEvent OnBeginExport;
    void DoBeginExport() {
        if (OnBeginExport) OnBeginExport(this);
    }

protected:
    // While alive, the next export filter constructed on this thread stays out of the registry.
    class TNoRegisterScope {
    public:
        TNoRegisterScope();
        ~TNoRegisterScope();
        TNoRegisterScope(const TNoRegisterScope&) = delete;
        TNoRegisterScope& operator=(const TNoRegisterScope&) = delete;

    private:
        bool FWas;
    };

private:
    bool FNoRegister = false;
    bool FShowDialog = true;
    QString FFileName;
    bool FExportNotPrintable = false;
    bool FUseFileCache = true;
    QString FDefaultPath;
    bool FShowProgress = true;
    bool FOverwritePrompt = false;
    TDateTime FCreationTime = 0;
    bool FDataOnly = false;
    bool FCurPage = false;
    QString FPageNumbers;
    TrptReport* FReport = nullptr;
    TStream* FStream = nullptr;
    bool FSlaveExport = false;
    QString FDefaultExt;
    QString FFilterDesc;
    bool FSuppressPageHeadersFooters = false;
    QString FExportTitle;
    std::unique_ptr<TStrings> FFiles;
};

// ---------------------------------------------------------------------------------------------

// The designer window. The report makes it through DesignerClass (set by the designer when the
// program starts) and CreateDesigner, and calls UpdateDataTree when a dataset goes; everything
// else is the designer's own.
class TrptCustomDesigner : public TForm {
    KORVEL_CLASS(TrptCustomDesigner, TForm)
public:
    TrptCustomDesigner(TComponent* AOwner, TrptReport* AReport, bool APreviewDesigner = false);
    // Used when the class is made through its class record: the report and the flag are those
    // of the CreateDesigner call in progress (none outside one).
    explicit TrptCustomDesigner(TComponent* AOwner);
    ~TrptCustomDesigner() override;

    // A designer of class Cls (TrptCustomDesigner or a descendant) for the report. With an owner
    // the owner frees it; without one the caller does.
    static TrptCustomDesigner* CreateDesigner(const TClassInfo* Cls, TComponent* AOwner, TrptReport* AReport,
                                              bool APreviewDesigner = false);

    // Stores the flag; True also marks the report modified.
    virtual void SetModified(bool Value);
    virtual void SetPage(TrptPage* Value);
    // The script text being edited.
    virtual TStrings* GetCode();
    virtual QString InsertExpression(const QString& Expr);
    virtual void Lock();
    virtual void ReloadPages(int Index);
    virtual void ReloadReport();
    // The report calls it when a dataset is removed.
    virtual void UpdateDataTree();
    virtual void UpdatePage();

    TrptReport* Report() const { return FReport; }
    bool IsPreviewDesigner() const { return FIsPreviewDesigner; }
    bool Modified() const { return FModified; }
    TrptPage* Page() const { return FPage; }
    TStrings* Code() { return GetCode(); }
    TrptComponentList& Objects() { return FObjects; }
    TrptComponentList& SelectedObjects() { return FSelectedObjects; }
    bool UseObjectFont() const { return FUseObjectFont; }
    void SetUseObjectFont(bool Value) { FUseObjectFont = Value; }
    const QString& MemoFontName() const { return FMemoFontName; }
    void SetMemoFontName(const QString& Value) { FMemoFontName = Value; }
    int MemoFontSize() const { return FMemoFontSize; }
    void SetMemoFontSize(int Value) { FMemoFontSize = Value; }
    TForm* ParentForm() const { return FParentForm; }
    void SetParentForm(TForm* Value) { FParentForm = Value; }

protected:
    // A report that goes while its designer is open leaves no dangling reference behind.
    void Notification(TComponent* AComponent, TOperation Operation) override;

    TrptReport* FReport = nullptr;
    bool FIsPreviewDesigner = false;
    QString FMemoFontName;
    int FMemoFontSize = 0;
    bool FUseObjectFont = false;
    TForm* FParentForm = nullptr;
    bool FModified = false;
    TrptComponentList FObjects;
    TrptPage* FPage = nullptr;
    TrptComponentList FSelectedObjects;

private:
    void Attach(TrptReport* AReport, bool APreviewDesigner);
};

// ---------------------------------------------------------------------------------------------

// The base of report wizards; the designer is its owner.
class TrptCustomWizard : public TComponent {
    KORVEL_CLASS(TrptCustomWizard, TComponent)
public:
    // Designer := AOwner (when it is a designer) and Report := that designer's report.
    explicit TrptCustomWizard(TComponent* AOwner);
    ~TrptCustomWizard() override;

    // The wizard's display name; the base has none.
    virtual QString GetDescription() const { return QString(); }
    // True when a report was made.
    virtual bool Execute();

    TrptCustomDesigner* Designer() const { return FDesigner; }
    TrptReport* Report() const { return FReport; }

private:
    TrptCustomDesigner* FDesigner = nullptr;
    TrptReport* FReport = nullptr;
};

// The display name of a wizard class, asked of a passing instance without a designer.
QString WizardDescription(const TClassInfo* WizardClass);

// ---------------------------------------------------------------------------------------------

// Template compression. Creating a compressor component makes its class the report's
// CompressorClass (which is what turns compression on); destroying it puts the previous one back.
class TrptCustomCompressor : public TComponent {
    KORVEL_CLASS(TrptCustomCompressor, TComponent)
public:
    // OwnClass is the descendant's class (its StaticClassInfo()): during this constructor the
    // object cannot tell it by itself. None stands for this base class.
    explicit TrptCustomCompressor(TComponent* AOwner = nullptr, const TClassInfo* OwnClass = nullptr);
    ~TrptCustomCompressor() override;

    // A template (IsDE3File) or a report without UseFileCache works in memory; otherwise the work
    // stream is a new temporary file in the engine option TempDir.
    void CreateStream();
    // When Source is compressed, puts the plain data into the work stream and answers True;
    // False leaves Source to be read as it is.
    virtual bool Decompress(TStream& Source);
    // Writes the work stream compressed to Dest.
    virtual void Compress(TStream& Dest);

    bool IsDE3File() const { return FIsDE3File; }
    void SetIsDE3File(bool Value) { FIsDE3File = Value; }
    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* Value) { FReport = Value; }
    TStream* Stream() const { return FStream.get(); }
    // The temporary file behind the work stream, or empty.
    const QString& TempFile() const { return FTempFile; }

private:
    bool FIsDE3File = false;
    TrptReport* FReport = nullptr;
    std::unique_ptr<TStream> FStream;
    const TClassInfo* FOldCompressor = nullptr;
    QString FTempFile;
};

// Template encryption. Creating a crypter component makes its class the report's CrypterClass;
// destroying it leaves the class registered.
class TrptCustomCrypter : public TComponent {
    KORVEL_CLASS(TrptCustomCrypter, TComponent)
public:
    // OwnClass as for TrptCustomCompressor.
    explicit TrptCustomCrypter(TComponent* AOwner = nullptr, const TClassInfo* OwnClass = nullptr);
    ~TrptCustomCrypter() override;

    // The work stream is in memory.
    void CreateStream();
    // When Source is encrypted, decrypts it with Key into the work stream and answers True.
    virtual bool Decrypt(TStream& Source, const QByteArray& Key);
    // Writes the work stream encrypted with Key to Dest.
    virtual void Crypt(TStream& Dest, const QByteArray& Key);

    TStream* Stream() const { return FStream.get(); }

private:
    std::unique_ptr<TStream> FStream;
};

// The base of component packs that add database engines to the designer.
class TrptDBComponents : public TComponent {
    KORVEL_CLASS(TrptDBComponents, TComponent)
public:
    explicit TrptDBComponents(TComponent* AOwner = nullptr);
    ~TrptDBComponents() override;
    // The base has none.
    virtual QString GetDescription() const { return QString(); }
};

// Registers the classes of this unit by name (idempotent).
void RegisterBaseClasses();
