#pragma once
// TrptReport, the root of one report: its pages and objects hang below it in the component tree;
// it owns its dataset lists, variables, styles, script, option objects, engine, prepared pages,
// a one-shot timer and the errors of the last operation. Every call from outside the library
// enters here: binding datasets, loading and saving templates, and (other units) preparing,
// previewing, printing, exporting and designing.
//
// Template files (".de3") are read and written by the serializer (rptXMLSerializer.h). The
// ReportOptions.Password attribute is stored with every UTF-16 unit lowered by 10; that is an
// obfuscation, not a protection (EncodeReportPassword).

#include "platform/rtl/StringList.h"
#include "report/core/rptClassComponent.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <mutex>

class TCustomIniFile;
class TForm;
class TTimer;
class TscScript;
class TscCustomVariable;
class TscMethodHelper;
class TrptProgress;
class TrptExpressionCache;
class TrptVariables;
class TrptStyles;
class TrptDrawText;
class TrptCustomCompressor;
class TrptCustomCrypter;

class TrptReport : public TrptComponent {
    KORVEL_CLASS(TrptReport, TrptComponent)
public:
    explicit TrptReport(TComponent* AOwner = nullptr);
    ~TrptReport() override;

    TrptReport* AsReport() override { return this; }

    // Frees the pages and objects, empties the dataset list, variables and styles, clears the
    // four option objects and puts the template properties back to their defaults. Host events,
    // IniFile, ShowProgress, StoreInDFM, OldStyleProgress and Preview stay.
    void Clear() override;
    QString GetDescription() const override;

    // Templates. LoadFromFile clears the report, then reads the file when it exists (or fails
    // with the file system's error when exceptionIfNotFound); it returns whether the file was
    // there. Errors of the template are shown through HandleReportError.
    bool LoadFromFile(const QString& FileName, bool ExceptionIfNotFound = false);
    void LoadFromStream(TStream& Stream) override;
    void SaveToFile(const QString& FileName);
    // UseGetAncestor writes only the differences from the parent template.
    void SaveToStream(TStream& Stream, bool SaveChildren = true, bool SaveDefaultValues = false,
                      bool UseGetAncestor = false) override;

    // Settings store: a registry-style key (IniFile beginning with "\Software\") maps to Korvel's
    // settings store, anything else is an INI file of that name. A new object every call.
    std::unique_ptr<TCustomIniFile> GetIniFile() const;
    // The folder of the running program (at design time the current folder), with a trailing
    // separator.
    QString GetApplicationFolder() const;

    // Datasets.
    // Empty for none; the dataset's UserName when DataSets lists it; else "clDSNotIncl".
    QString GetAlias(TrptDataSet* DataSet) const;
    // The first dataset of DataSets whose UserName equals Alias ignoring case.
    TrptDataSet* GetDataset(const QString& Alias) const;
    // Customers."Name" gives the dataset Customers and the field Name; no ." pair gives nothing.
    void GetDatasetAndField(const QString& ComplexName, TrptDataSet*& Dataset, QString& Field) const;
    void GetDataSetList(TStrings* List, bool OnlyDB = false) const;
    void GetActiveDataSetList(TStrings* List) const;
    // Makes sure the report has a data page (the first page, named "Data") and moves its
    // datasets and database components onto it.
    void CheckDataPage();

    // Pages: the report's direct children.
    TrptComponent* Pages(int Index) const;
    int PagesCount() const { return static_cast<int>(Objects().size()); }

    // Errors of the last load or preparation: sorted, each line once.
    TStringList* Errors() const { return FErrors.get(); }
    void AddErrors(const TStrings& List);

    // Properties stored in the template.
    QString Version() const { return FVersion; }
    // Any value stores "4.15".
    void SetVersion(const QString& Value);
    const QString& ParentReport() const { return FParentReport; }
    // Loads the parent template into the report (OnLoadTemplate when assigned, else the file
    // beside the report's own, else in the application folder), keeps a copy of it and marks every
    // object as the parent's; the rest of a template being read then applies on top. Empty: every
    // object loses the mark. A parent that is missing, damaged or leads back to the report raises
    // EParentTemplateError before anything changes (rptClassReportInherit.cpp).
    void SetParentReport(const QString& Value);
    // Makes the report an heir of the template templName: clashing names of the report's objects
    // are deleted or renamed (imDefault asks), the report's script is followed by the parent's in
    // a comment. False for the report's own file or when the user cancels.
    bool InheritFromTemplate(const QString& templName, TrptInheriteMode InheriteMode = imDefault);
    TrptDataSet* DataSet() const { return FDataSet; }
    void SetDataSet(TrptDataSet* Value);
    // The dataset's UserName when one is set, else the stored name.
    QString DataSetName() const;
    void SetDataSetName(const QString& Value);
    bool DotMatrixReport() const { return FDotMatrixReport; }
    void SetDotMatrixReport(bool Value) { FDotMatrixReport = Value; }
    TrptEngineOptions* EngineOptions() const { return FEngineOptions.get(); }
    void SetEngineOptions(TrptEngineOptions* Value);
    TrptPreviewOptions* PreviewOptions() const { return FPreviewOptions.get(); }
    void SetPreviewOptions(TrptPreviewOptions* Value);
    TrptPrintOptions* PrintOptions() const { return FPrintOptions.get(); }
    void SetPrintOptions(TrptPrintOptions* Value);
    TrptReportOptions* ReportOptions() const { return FReportOptions.get(); }
    void SetReportOptions(TrptReportOptions* Value);
    const QString& IniFile() const { return FIniFile; }
    void SetIniFile(const QString& Value) { FIniFile = Value; }
    bool OldStyleProgress() const { return FOldStyleProgress; }
    void SetOldStyleProgress(bool Value) { FOldStyleProgress = Value; }
    TrptCustomPreview* Preview() const { return FPreview; }
    // Attaching gives the preview this report and its prepared pages (its Init runs); detaching
    // clears the old preview's references.
    void SetPreview(TrptCustomPreview* Value);
    const QString& ScriptLanguage() const { return FScriptLanguage; }
    void SetScriptLanguage(const QString& Value) { FScriptLanguage = Value; }
    TStrings* ScriptText() const;
    void SetScriptText(TStrings* Value);
    bool ShowProgress() const { return FShowProgress; }
    void SetShowProgress(bool Value) { FShowProgress = Value; }
    bool StoreInDFM() const { return FStoreInDFM; }
    void SetStoreInDFM(bool Value) { FStoreInDFM = Value; }
    // Script event names of the report.
    const QString& OnRunDialogs() const { return FOnRunDialogs; }
    void SetOnRunDialogs(const QString& Value) { FOnRunDialogs = Value; }
    const QString& OnStartReport() const { return FOnStartReport; }
    void SetOnStartReport(const QString& Value) { FOnStartReport = Value; }
    const QString& OnStopReport() const { return FOnStopReport; }
    void SetOnStopReport(const QString& Value) { FOnStopReport = Value; }
    const QString& OnReportPrint() const { return FOnReportPrint; }
    void SetOnReportPrint(const QString& Value) { FOnReportPrint = Value; }

    // Parts other units fill or read.
    const QString& CurObject() const { return FCurObject; }
    void SetCurObject(const QString& Value) { FCurObject = Value; }
    TrptReportDataSets* DataSets() const { return FDataSets.get(); }
    TrptReportDataSets* EnabledDataSets() const { return FEnabledDataSets.get(); }
    TrptCustomDesigner* Designer() const { return FDesigner; }
    void SetDesigner(TrptCustomDesigner* Value) { FDesigner = Value; }
    TStringList* DrillState() const { return FDrillState.get(); }
    // The engine and the prepared pages, installed by the units that implement them (the report
    // owns both and links them to each other).
    TrptCustomEngine* Engine() const { return FEngine.get(); }
    TrptCustomPreviewPages* PreviewPages() const { return FPreviewPages.get(); }
    void SetEngine(std::unique_ptr<TrptCustomEngine> Value);
    void SetPreviewPages(std::unique_ptr<TrptCustomPreviewPages> Value);
    const QString& FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    TStream* LoadStream() const { return FLoadStream; }
    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }
    TForm* ParentForm() const { return FParentForm; }
    void SetParentForm(TForm* Value) { FParentForm = Value; }
    TrptReport* ParentReportObject() const { return FParentReportObject.get(); }
    void SetParentReportObject(std::unique_ptr<TrptReport> Value);
    TForm* PreviewForm() const { return FPreviewForm; }
    void SetPreviewForm(TForm* Value) { FPreviewForm = Value; }
    TrptProgress* Progress() const { return FProgress; }
    void SetProgress(TrptProgress* Value) { FProgress = Value; }
    bool Reloading() const { return FReloading; }
    void SetReloading(bool Value) { FReloading = Value; }
    TscScript* Script() const { return FScript.get(); }
    TStringList* FakeScriptText() const { return FFakeScriptText.get(); }
    TStringList* SysVariables() const { return FSysVariables.get(); }
    bool Terminated() const { return FTerminated; }
    // True also stops the script.
    void SetTerminated(bool Value);
    TTimer* Timer() const { return FTimer.get(); }
    TscCustomVariable* LocalValue() const { return FLocalValue; }
    void SetLocalValue(TscCustomVariable* Value) { FLocalValue = Value; }
    TscCustomVariable* SelfValue() const { return FSelfValue; }
    void SetSelfValue(TscCustomVariable* Value) { FSelfValue = Value; }
    // The serializer reading or writing the report, so that its collections use the same one.
    TrptXMLSerializer* XMLSerializer() const { return FXMLSerializer; }
    void SetXMLSerializer(TrptXMLSerializer* Value) { FXMLSerializer = Value; }
    bool StreamLoaded() const { return FStreamLoaded; }
    // Whether loading takes ReportLoadLock (the engine option EnableThreadSafe).
    bool UsesLoadLock() const;
    // For the serializer: the parent template's object of that name (the copy itself for the
    // report's own name), or none.
    TPersistent* GetAncestorObject(const QString& Name) const;

    // Script and expressions (rptReportScript.cpp).
    // Registers the report's names and functions in its script and compiles it; a compile error
    // goes to Errors ("clScrError") and gives False.
    bool PrepareScript();
    // The value of a name or an expression, seen from AScript (none: the report script). An
    // error is added to Errors (after CurObject) and raised as ErptExpressionError; ScriptCall
    // (a report script calling Calc) raises without the line in Errors.
    Variant Calc(const QString& Expr, TscScript* AScript = nullptr, bool ScriptCall = false);
    // A host function for the report script, answered by OnUserFunction; FuncName is its
    // declaration. Kept when the script is prepared again.
    void AddFunction(const QString& FuncName, const QString& Category = QString(),
                     const QString& Description = QString());
    // Kept for compatibility: expressions are always told apart by their exact text.
    bool CaseSensitiveExpressions() const;
    void SetCaseSensitiveExpressions(bool Value);
    TrptExpressionCache* ExpressionCache() const { return FExpressionCache.get(); }
    TrptVariables* Variables() const { return FVariables.get(); }
    void SetVariables(TrptVariables* Value);
    // Styles of the report's text objects: setting copies the items of Value (none clears them)
    // and applies them to the text objects.
    TrptStyles* Styles() const { return FStyles.get(); }
    void SetStyles(TrptStyles* Value);
    // The report's own text layout (used under TrptDrawText's lock).
    TrptDrawText* DrawText() const { return FDrawText.get(); }

    // Script events of report objects (the script side lives with the script unit).
    void DoNotifyEvent(TObject* Obj, const QString& EventName, bool RunAlways = false);
    void DoParamEvent(const QString& EventName, Variant& Params, bool RunAlways = false);
    void DoBeforePrint(TrptReportComponent* C);
    void DoAfterPrint(TrptReportComponent* C);
    // The view's OnPreviewClick or OnPreviewDblClick script procedure gets [view, button, shift,
    // modified] (and may change modified), then the host event. A template, so that the view
    // class only has to be complete where it is called.
    template <class View = TrptView>
    void DoPreviewClick(View* V, TMouseButton Button, TShiftState Shift, bool& Modified, bool DblClick) {
        DoPreviewClickOf(V, V, Button, Shift, Modified, DblClick);
    }
    void DoPreviewClickOf(TrptReportComponent* C, TrptView* V, TMouseButton Button, TShiftState Shift,
                          bool& Modified, bool DblClick);

    // Host events.
    TrptBeforePrintEvent OnAfterPrint;
    TrptBeforePrintEvent OnBeforePrint;
    TrptBeforeConnectEvent OnBeforeConnect;
    TrptAfterDisconnectEvent OnAfterDisconnect;
    TNotifyEvent OnBeginDoc;
    TNotifyEvent OnEndDoc;
    TNotifyEvent OnAfterScriptCompile;
    TrptClickObjectEvent OnClickObject;
    TrptClickObjectEvent OnDblClickObject;
    TrptGetValueEvent OnGetValue;
    TrptNewGetValueEvent OnNewGetValue;
    TrptUserFunctionEvent OnUserFunction;
    TrptManualBuildEvent OnManualBuild;
    TrptMouseOverObjectEvent OnMouseOverObject;
    TNotifyEvent OnPreview;
    TrptPrintPageEvent OnPrintPage;
    TNotifyEvent OnPrintReport;
    TNotifyEvent OnAfterPrintReport;
    TrptProgressEvent OnProgressStart;
    TrptProgressEvent OnProgress;
    TrptProgressEvent OnProgressStop;
    TrptLoadTemplateEvent OnLoadTemplate;
    TNotifyEvent OnClosePreview;
    TrptEditConnectionEvent OnEditConnection;
    TrptSetConnectionEvent OnSetConnection;

protected:
    void Notification(TComponent* AComponent, TOperation Operation) override;
    void DefineProperties(TFiler* Filer) override;

private:
    void ResetTemplateProperties();
    void BindDataSet(TrptDataSet* Value);
    // "clErrors", a line break and the errors, by the engine option SilentMode.
    void ShowErrors();
    bool EngineRunning() const;
    void NotifyDesignerDataTree();
    void NotifyPreviewRemoved(TComponent* AComponent);

    QString FCurObject;
    TrptDataSet* FDataSet = nullptr;
    QString FDataSetName;
    std::unique_ptr<TrptReportDataSets> FDataSets;
    TrptCustomDesigner* FDesigner = nullptr;
    bool FDotMatrixReport = false;
    std::unique_ptr<TStringList> FDrillState;
    std::unique_ptr<TrptReportDataSets> FEnabledDataSets;
    std::unique_ptr<TrptCustomEngine> FEngine;
    std::unique_ptr<TrptEngineOptions> FEngineOptions;
    std::unique_ptr<TStringList> FErrors;
    QString FFileName;
    QString FIniFile;
    TStream* FLoadStream = nullptr;
    TscCustomVariable* FLocalValue = nullptr;
    TscCustomVariable* FSelfValue = nullptr;
    bool FModified = false;
    bool FOldStyleProgress = false;
    TForm* FParentForm = nullptr;
    QString FParentReport;
    std::unique_ptr<TrptReport> FParentReportObject;
    std::unique_ptr<TrptCustomPreviewPages> FPreviewPages;
    TrptCustomPreview* FPreview = nullptr;
    TForm* FPreviewForm = nullptr;
    std::unique_ptr<TrptPreviewOptions> FPreviewOptions;
    std::unique_ptr<TrptPrintOptions> FPrintOptions;
    TrptProgress* FProgress = nullptr;
    bool FReloading = false;
    std::unique_ptr<TrptReportOptions> FReportOptions;
    std::unique_ptr<TscScript> FScript;
    QString FScriptLanguage;
    std::unique_ptr<TStringList> FScriptText;
    std::unique_ptr<TStringList> FFakeScriptText;
    bool FShowProgress = true;
    bool FStoreInDFM = true;
    std::unique_ptr<TStringList> FSysVariables;
    bool FTerminated = false;
    std::unique_ptr<TTimer> FTimer;
    QString FVersion;
    TrptXMLSerializer* FXMLSerializer = nullptr;
    bool FStreamLoaded = false;
    QString FOnRunDialogs;
    QString FOnStartReport;
    QString FOnStopReport;
    QString FOnReportPrint;
    std::unique_ptr<TrptStyles> FStyles;
    std::unique_ptr<TrptDrawText> FDrawText;
    // The password this object saved or accepted last (ReportOptions.PrevPassword, which the
    // clearing at the start of every load empties).
    QString FKnownPassword;
    bool FInLoad = false;
    // The parent template named by the template being read could not be loaded.
    bool FParentTemplateFailed = false;
    // The report component's place on its host window at design time.
    int FDesignLeft = 0;
    int FDesignTop = 0;

    // Names and functions of the report script (rptReportScript.cpp).
    bool ResolveName(const QString& Name, Variant& Value, TscScript* AScript);
    Variant CallReportFunction(const QString& MethodName, TscMethodHelper* Caller);
    TscScript* RunningScript() const;
    std::unique_ptr<TrptVariables> FVariables;
    // After FScript, so that it goes first: its script's parent is the report script.
    std::unique_ptr<TrptExpressionCache> FExpressionCache;
    // The variables being computed, innermost last: a name met again is a cycle.
    QStringList FVariableChain;
};

// The password attribute of a template without a crypter: each UTF-16 unit lowered by 10 when
// saved and raised by 10 when loaded. Decoding keeps that scheme for every stored template.
// Encoding never writes a unit an XML file cannot hold (see rptClassReport.cpp), and Decode of
// Encode gives back every password.
QString EncodeReportPassword(const QString& Password);
QString DecodeReportPassword(const QString& Stored);

// Serialises loading report objects when a report's EnableThreadSafe is set, and guards the
// destruction of dialog-page windows.
std::recursive_mutex& ReportLoadLock();

// Compatibility hooks a host layer may fill; the report calls each only when assigned.
class TrptLegacyEvents : public TObject {
public:
    TrptGetValueEvent OnGetValue;
    TNotifyEvent OnPrepareScript;
    TrptLoadEvent OnLoad;
    TrptGetScriptValueEvent OnGetScriptValue;
    QString Filter;
};
TrptLegacyEvents* LegacyEvents();

// Class references other units fill: the designer window class (set by the designer when the
// program starts), and the compressor and crypter classes (set by such a component when it is
// created; none exists, so templates stay plain).
const TClassInfo* DesignerClass();
void SetDesignerClass(const TClassInfo* Value);
const TClassInfo* CompressorClass();
void SetCompressorClass(const TClassInfo* Value);
const TClassInfo* CrypterClass();
void SetCrypterClass(const TClassInfo* Value);

// Registers the report classes of the core by name for templates (idempotent).
void RegisterReportClasses();
