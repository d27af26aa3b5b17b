#include "report/core/rptClassReport.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/SingleByteCodec.h"
#include "platform/rtl/IniFiles.h"
#include "platform/rtl/TextCase.h"
#include "platform/rtti/Filer.h"
#include "platform/rtti/ObjectHandles.h"
#include "platform/sys/Program.h"
#include "platform/sys/Registry.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/Forms.h"
#include "report/core/rptClassBases.h"
#include "report/core/rptClassChart.h"
#include "report/core/rptClassCheckBox.h"
#include "report/core/rptClassDMP.h"
#include "report/core/rptClassMemo.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassPicture.h"
#include "report/core/rptClassView.h"
#include "report/core/rptDataSets.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptDialogComponent.h"
#include "report/core/rptDrawText.h"
#include "report/core/rptExpressionCache.h"
#include "report/core/rptRes.h"
#include "report/core/rptScriptRTTI.h"
#include "report/core/rptStyles.h"
#include "report/core/rptWideStrings.h"
#include "report/core/rptVariables.h"
#include "report/core/rptXMLSerializer.h"
#include "script/sc_iclassesrtti.h"
#include "script/sc_iinterpreter.h"

#include <QDir>
#include <QFileInfo>

#include <atomic>

namespace {

const QString& DefaultIniFile() {
    static const QString key = QStringLiteral("\\Software\\Dize Rorerir");
    return key;
}

const QString& ReportVersion() {
    static const QString v = QStringLiteral("4.15");
    return v;
}

// Units an XML file cannot hold: NUL, surrogates, U+FFFE and U+FFFF.
bool Storable(char16_t u) {
    return u != 0 && (u < 0xD800 || u > 0xDFFF) && u != 0xFFFE && u != 0xFFFF;
}

// The marker of an escaped character in a stored password: a surrogate pair whose low half
// lies in DFF6..DFFF. Shifting a real password never gives such a pair (that low half would
// come from U+E000..U+E009, which never follows a high surrogate), so templates stored by the
// plain scheme cannot hold it.
constexpr char16_t EscapeHigh = 0xDBFF;
constexpr char16_t EscapeLow = 0xDFFF;
constexpr int EscapeDigits = 6;

bool IsHexDigit(QChar c) {
    const char16_t u = c.unicode();
    return (u >= '0' && u <= '9') || (u >= 'A' && u <= 'F') || (u >= 'a' && u <= 'f');
}

std::atomic<const TClassInfo*> GDesignerClass{nullptr};
std::atomic<const TClassInfo*> GCompressorClass{nullptr};
std::atomic<const TClassInfo*> GCrypterClass{nullptr};

// An instance of a registered class that must be a T (a compressor or crypter hook).
template <class T>
std::unique_ptr<T> MakeInstanceOf(const TClassInfo* cls) {
    std::unique_ptr<TObject> made(cls->CreateInstance(nullptr));
    T* typed = dynamic_cast<T*>(made.get());
    if (!typed) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    made.release();
    return std::unique_ptr<T>(typed);
}

} // namespace

// ---------------------------------------------------------------------------------------------
// Password of a template

QString EncodeReportPassword(const QString& Password) {
    QString r;
    r.reserve(Password.size());
    const qsizetype n = Password.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = Password[i].unicode();
        // One character: a unit, or a surrogate pair.
        const bool pair = QChar::isHighSurrogate(u) && i + 1 < n && QChar::isLowSurrogate(Password[i + 1].unicode());
        if (pair) {
            const char16_t lo = Password[i + 1].unicode();
            const char16_t eh = char16_t(u - 10), el = char16_t(lo - 10);
            // Shifted, a pair stays a pair only when both halves stay in their ranges.
            if (QChar::isHighSurrogate(eh) && QChar::isLowSurrogate(el) && el < 0xDFF6) {
                r += QChar(eh);
                r += QChar(el);
                ++i;
                continue;
            }
        } else {
            const char16_t e = char16_t(u - 10);
            if (!QChar::isSurrogate(u) && Storable(e)) {
                r += QChar(e);
                continue;
            }
        }
        const uint cp = pair ? QChar::surrogateToUcs4(u, Password[i + 1].unicode()) : uint(u);
        if (pair) ++i;
        r += QChar(EscapeHigh);
        r += QChar(EscapeLow);
        r += QStringLiteral("%1").arg(cp, EscapeDigits, 16, QLatin1Char('0')).toUpper();
    }
    return r;
}

QString DecodeReportPassword(const QString& Stored) {
    QString r;
    r.reserve(Stored.size());
    const qsizetype n = Stored.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t u = Stored[i].unicode();
        if (u == EscapeHigh && i + 1 + EscapeDigits < n && Stored[i + 1].unicode() == EscapeLow) {
            bool digits = true;
            for (int k = 0; k < EscapeDigits; ++k)
                digits = digits && IsHexDigit(Stored[i + 2 + k]);
            if (digits) {
                const uint cp = QStringView(Stored).mid(i + 2, EscapeDigits).toUInt(nullptr, 16);
                if (cp <= 0xFFFF) {
                    r += QChar(char16_t(cp));
                } else if (cp <= 0x10FFFF) {
                    r += QChar(QChar::highSurrogate(cp));
                    r += QChar(QChar::lowSurrogate(cp));
                }
                i += 1 + EscapeDigits;
                continue;
            }
        }
        r += QChar(char16_t(u + 10));
    }
    return r;
}

// ---------------------------------------------------------------------------------------------
// Process-wide objects

std::recursive_mutex& ReportLoadLock() {
    static std::recursive_mutex* lock = new std::recursive_mutex; // outlives every report
    return *lock;
}

TrptLegacyEvents* LegacyEvents() {
    static TrptLegacyEvents* events = new TrptLegacyEvents;
    return events;
}

const TClassInfo* DesignerClass() {
    return GDesignerClass.load();
}
void SetDesignerClass(const TClassInfo* Value) {
    GDesignerClass.store(Value);
}
const TClassInfo* CompressorClass() {
    return GCompressorClass.load();
}
void SetCompressorClass(const TClassInfo* Value) {
    GCompressorClass.store(Value);
}
const TClassInfo* CrypterClass() {
    return GCrypterClass.load();
}
void SetCrypterClass(const TClassInfo* Value) {
    GCrypterClass.store(Value);
}

void RegisterReportClasses() {
    RegisterStandardClasses();
    RegisterBaseClasses();
    RegisterOptionClasses();
    RegisterDataSetClasses();
    RegisterDBDataSetClasses();
    RegisterViewClasses();
    RegisterStyleClasses();
    RegisterMemoClasses();
    RegisterPageClasses();
    RegisterLinePictureClasses();
    RegisterDMPClasses();
    RegisterCheckBoxClasses();
    RegisterChartClasses();
    RegisterClasses({TrptComponent::StaticClassInfo(), TrptReportComponent::StaticClassInfo(),
                     TrptReport::StaticClassInfo()});
}

// ---------------------------------------------------------------------------------------------
// TrptReport

KORVEL_CLASS_INFO(TrptReport) {
    RegisterOptionClasses();
    b.Prop("Version", &TrptReport::Version, &TrptReport::SetVersion);
    b.Prop("ParentReport", &TrptReport::ParentReport, &TrptReport::SetParentReport);
    b.Prop("DataSet", &TrptReport::DataSet, &TrptReport::SetDataSet);
    b.Prop("DataSetName", &TrptReport::DataSetName, &TrptReport::SetDataSetName);
    b.Prop("DotMatrixReport", &TrptReport::DotMatrixReport, &TrptReport::SetDotMatrixReport).Default(false);
    b.Prop("EngineOptions", &TrptReport::EngineOptions, &TrptReport::SetEngineOptions);
    b.Prop("IniFile", &TrptReport::IniFile, &TrptReport::SetIniFile).Default(DefaultIniFile());
    b.Prop("OldStyleProgress", &TrptReport::OldStyleProgress, &TrptReport::SetOldStyleProgress).Default(false);
    b.Prop("Preview", &TrptReport::Preview, &TrptReport::SetPreview);
    b.Prop("PreviewOptions", &TrptReport::PreviewOptions, &TrptReport::SetPreviewOptions);
    b.Prop("PrintOptions", &TrptReport::PrintOptions, &TrptReport::SetPrintOptions);
    b.Prop("ReportOptions", &TrptReport::ReportOptions, &TrptReport::SetReportOptions);
    b.Prop("ScriptLanguage", &TrptReport::ScriptLanguage, &TrptReport::SetScriptLanguage)
        .Default("PascalScript");
    b.Prop("ScriptText", &TrptReport::ScriptText, &TrptReport::SetScriptText);
    b.Prop("ShowProgress", &TrptReport::ShowProgress, &TrptReport::SetShowProgress).Default(true);
    b.Prop("StoreInDFM", &TrptReport::StoreInDFM, &TrptReport::SetStoreInDFM).Default(true);
    b.Event("OnAfterPrint", &TrptReport::OnAfterPrint, "TrptBeforePrintEvent");
    b.Event("OnBeforeConnect", &TrptReport::OnBeforeConnect, "TrptBeforeConnectEvent");
    b.Event("OnAfterDisconnect", &TrptReport::OnAfterDisconnect, "TrptAfterDisconnectEvent");
    b.Event("OnBeforePrint", &TrptReport::OnBeforePrint, "TrptBeforePrintEvent");
    b.Event("OnBeginDoc", &TrptReport::OnBeginDoc, "TNotifyEvent");
    b.Event("OnClickObject", &TrptReport::OnClickObject, "TrptClickObjectEvent");
    b.Event("OnDblClickObject", &TrptReport::OnDblClickObject, "TrptClickObjectEvent");
    b.Event("OnEndDoc", &TrptReport::OnEndDoc, "TNotifyEvent");
    b.Event("OnGetValue", &TrptReport::OnGetValue, "TrptGetValueEvent");
    b.Event("OnNewGetValue", &TrptReport::OnNewGetValue, "TrptNewGetValueEvent");
    b.Event("OnManualBuild", &TrptReport::OnManualBuild, "TrptManualBuildEvent");
    b.Event("OnMouseOverObject", &TrptReport::OnMouseOverObject, "TrptMouseOverObjectEvent");
    b.Event("OnPreview", &TrptReport::OnPreview, "TNotifyEvent");
    b.Event("OnPrintReport", &TrptReport::OnPrintReport, "TNotifyEvent");
    b.Event("OnAfterPrintReport", &TrptReport::OnAfterPrintReport, "TNotifyEvent");
    b.Event("OnPrintPage", &TrptReport::OnPrintPage, "TrptPrintPageEvent");
    b.Event("OnProgress", &TrptReport::OnProgress, "TrptProgressEvent");
    b.Event("OnProgressStart", &TrptReport::OnProgressStart, "TrptProgressEvent");
    b.Event("OnProgressStop", &TrptReport::OnProgressStop, "TrptProgressEvent");
    b.Event("OnUserFunction", &TrptReport::OnUserFunction, "TrptUserFunctionEvent");
    b.Event("OnLoadTemplate", &TrptReport::OnLoadTemplate, "TrptLoadTemplateEvent");
    b.Event("OnAfterScriptCompile", &TrptReport::OnAfterScriptCompile, "TNotifyEvent");
    b.Event("OnClosePreview", &TrptReport::OnClosePreview, "TNotifyEvent");
    b.Prop("OnReportPrint", &TrptReport::OnReportPrint, &TrptReport::SetOnReportPrint).Type("TrptNotifyEvent");
    b.Prop("OnRunDialogs", &TrptReport::OnRunDialogs, &TrptReport::SetOnRunDialogs).Type("TrptRunDialogsEvent");
    b.Prop("OnStartReport", &TrptReport::OnStartReport, &TrptReport::SetOnStartReport).Type("TrptNotifyEvent");
    b.Prop("OnStopReport", &TrptReport::OnStopReport, &TrptReport::SetOnStopReport).Type("TrptNotifyEvent");
}

TrptReport::TrptReport(TComponent* AOwner)
    : TrptComponent(AOwner), FIniFile(DefaultIniFile()), FVersion(ReportVersion()) {
    // The classes of the core are known by name before the first template is read.
    static std::once_flag registered;
    std::call_once(registered, RegisterReportClasses);
    // The report is the first script host: its scripts see the host classes and its own.
    RegisterReportRTTIModules();
    FVariables = std::make_unique<TrptVariables>();
    FScript = std::make_unique<TscScript>(nullptr);
    FScript->SetExtendedCharset(true);
    FScript->AddRTTI();
    FTimer = std::make_unique<TTimer>(nullptr);
    FTimer->SetEnabled(false);
    FTimer->SetInterval(50);
    FEngineOptions = std::make_unique<TrptEngineOptions>();
    FPreviewOptions = std::make_unique<TrptPreviewOptions>();
    FPrintOptions = std::make_unique<TrptPrintOptions>();
    FReportOptions = std::make_unique<TrptReportOptions>();
    FReportOptions->SetReport(this);
    FDataSets = std::make_unique<TrptReportDataSets>(this);
    FEnabledDataSets = std::make_unique<TrptReportDataSets>(this);
    FScriptText = std::make_unique<TStringList>();
    FFakeScriptText = std::make_unique<TStringList>();
    FExpressionCache = std::make_unique<TrptExpressionCache>(FScript.get());
    FErrors = std::make_unique<TStringList>();
    FErrors->SetSorted(true);
    FErrors->SetDuplicates(dupIgnore);
    FStyles = std::make_unique<TrptStyles>(this);
    FSysVariables = std::make_unique<TStringList>();
    FDrawText = std::make_unique<TrptDrawText>();
    FDrillState = std::make_unique<TStringList>();
    Clear();
}

TrptReport::~TrptReport() {
    // Pages and objects first, while the report is whole: their removal reaches the lists below.
    FreeChildren();
    SetPreview(nullptr);
    FParentReportObject.reset();
    FEngine.reset();
    FPreviewPages.reset();
    FTimer.reset();
    if (FParentForm) {
        std::unique_ptr<TForm> form(FParentForm);
        FParentForm = nullptr;
    }
}

QString TrptReport::GetDescription() const {
    return GlobalResources()->Get(QStringLiteral("obReport"));
}

void TrptReport::ResetTemplateProperties() {
    BindDataSet(nullptr);
    FDataSetName.clear();
    FDotMatrixReport = false;
    SetParentReport(QString());
    FScriptLanguage = QStringLiteral("PascalScript");
    FScriptText->SetText(QStringLiteral("begin\r\n\r\nend."));
    FSysVariables->Clear();
    for (const char* v : {"Date", "Time", "Page", "Page#", "TotalPages", "TotalPages#", "Line", "Line#", "CopyName#"})
        FSysVariables->Add(QString::fromLatin1(v));
    FOnRunDialogs.clear();
    FOnStartReport.clear();
    FOnStopReport.clear();
}

void TrptReport::Clear() {
    if (!FInLoad) FKnownPassword.clear();
    TrptComponent::Clear();
    // Entries freed now must not be reached by references still waiting in a load.
    if (FXMLSerializer)
        for (int i = 0; i < FDataSets->Count(); ++i)
            FXMLSerializer->ForgetObject(FDataSets->Items(i));
    FDataSets->Clear();
    FVariables->Clear();
    FStyles->Clear();
    FEngineOptions->Clear();
    FPreviewOptions->Clear();
    FPrintOptions->Clear();
    FReportOptions->Clear();
    ResetTemplateProperties();
}

TrptComponent* TrptReport::Pages(int Index) const {
    if (Index < 0 || Index >= PagesCount())
        throw EListError(QStringLiteral("List index out of bounds (%1)").arg(Index));
    return Objects()[static_cast<size_t>(Index)];
}

void TrptReport::AddErrors(const TStrings& List) {
    for (int i = 0; i < List.Count(); ++i)
        FErrors->Add(List.Get(i));
}

void TrptReport::SetVersion(const QString& Value) {
    (void)Value;
    FVersion = ReportVersion();
}

void TrptReport::SetEngineOptions(TrptEngineOptions* Value) {
    if (Value) FEngineOptions->Assign(Value);
}

void TrptReport::SetPreviewOptions(TrptPreviewOptions* Value) {
    if (Value) FPreviewOptions->Assign(Value);
}

void TrptReport::SetPrintOptions(TrptPrintOptions* Value) {
    if (Value) FPrintOptions->Assign(Value);
}

void TrptReport::SetReportOptions(TrptReportOptions* Value) {
    if (Value) FReportOptions->Assign(Value);
}

TStrings* TrptReport::ScriptText() const {
    if (IsWriting() && !FStoreInDFM && ComponentState().Contains(csWriting)) return FFakeScriptText.get();
    return FScriptText.get();
}

void TrptReport::SetScriptText(TStrings* Value) {
    if (Value) FScriptText->Assign(*Value);
}

void TrptReport::SetTerminated(bool Value) {
    FTerminated = Value;
    if (Value && FScript) FScript->Terminate();
}

void TrptReport::SetParentReportObject(std::unique_ptr<TrptReport> Value) {
    FParentReportObject = std::move(Value);
}

void TrptReport::BindDataSet(TrptDataSet* Value) {
    if (FDataSet == Value) return;
    if (FDataSet && FDataSet->Owner() != this) FDataSet->RemoveFreeNotification(this);
    FDataSet = Value;
    // A dataset of the host window tells the report when it goes.
    if (FDataSet && FDataSet->Owner() != this) FDataSet->FreeNotification(this);
}

void TrptReport::SetDataSet(TrptDataSet* Value) {
    BindDataSet(Value);
    FDataSetName = Value ? Value->UserName() : QString();
}

QString TrptReport::DataSetName() const {
    return FDataSet ? FDataSet->UserName() : FDataSetName;
}

void TrptReport::SetDataSetName(const QString& Value) {
    FDataSetName = Value;
    BindDataSet(FindDataSet(FDataSet, Value));
}

void TrptReport::Notification(TComponent* AComponent, TOperation Operation) {
    TrptComponent::Notification(AComponent, Operation);
    if (Operation != opRemove || !AComponent) return;
    // Compared by address: a component that is being freed no longer knows its class.
    bool dataset = AComponent == FDataSet;
    if (dataset) FDataSet = nullptr;
    for (TrptReportDataSets* list : {FDataSets.get(), FEnabledDataSets.get()})
        for (int i = list ? list->Count() : 0; i-- > 0;)
            if (static_cast<TComponent*>(list->Items(i)->DataSet()) == AComponent) {
                list->TCollection::Delete(i);
                dataset = true;
            }
    if (dataset) NotifyDesignerDataTree();
    NotifyPreviewRemoved(AComponent);
}

void TrptReport::SetEngine(std::unique_ptr<TrptCustomEngine> Value) {
    FEngine = std::move(Value);
    if (FEngine) FEngine->SetPreviewPages(FPreviewPages.get());
    if (FPreviewPages) FPreviewPages->SetEngine(FEngine.get());
}

void TrptReport::SetPreviewPages(std::unique_ptr<TrptCustomPreviewPages> Value) {
    FPreviewPages = std::move(Value);
    if (FPreviewPages) FPreviewPages->SetEngine(FEngine.get());
    if (FEngine) FEngine->SetPreviewPages(FPreviewPages.get());
    if (FPreview) FPreview->SetPreviewPages(FPreviewPages.get());
}

void TrptReport::SetPreview(TrptCustomPreview* Value) {
    if (FPreview && !Value) {
        FPreview->SetReport(nullptr);
        FPreview->SetPreviewPages(nullptr);
        FPreviewForm = nullptr;
    }
    if (FPreview && FPreview != Value) FPreview->RemoveFreeNotification(this);
    FPreview = Value;
    if (FPreview) {
        // The preview lives on a host window; its going away clears the reference.
        FPreview->FreeNotification(this);
        FPreview->SetReport(this);
        FPreview->SetPreviewPages(FPreviewPages.get());
        FPreview->Init();
    }
}

bool TrptReport::UsesLoadLock() const {
    return FEngineOptions && FEngineOptions->EnableThreadSafe();
}

TPersistent* TrptReport::GetAncestorObject(const QString& Name) const {
    if (!FParentReportObject) return nullptr;
    if (SameText(Name, this->Name())) return FParentReportObject.get();
    return FParentReportObject->FindObject(Name);
}

std::unique_ptr<TCustomIniFile> TrptReport::GetIniFile() const {
    if (FIniFile.startsWith(QLatin1String("\\Software\\"), Qt::CaseInsensitive))
        return std::make_unique<TRegistryIniFile>(FIniFile);
    return std::make_unique<TIniFile>(FIniFile);
}

QString TrptReport::GetApplicationFolder() const {
    if (TComponent::IsDesigning()) return QDir::currentPath() + QLatin1Char('/');
    QString folder = ProgramFolder();
    if (!folder.endsWith(QLatin1Char('/'))) folder += QLatin1Char('/');
    return folder;
}

// ---------------------------------------------------------------------------------------------
// Datasets

TrptDataSet* TrptComponent::FindDataSet(TrptDataSet* DataSet, const QString& DSName) const {
    TrptReport* report = Report();
    if (!report || report->EngineOptions()->UseGlobalDataSetList())
        return FindGlobalDataSet(DataSet, DSName, report ? static_cast<TComponent*>(report)
                                                         : const_cast<TrptComponent*>(this));
    TrptDataSetItem* item = report->DataSets()->Find(DSName);
    return item ? item->DataSet() : nullptr;
}

QString TrptReport::GetAlias(TrptDataSet* DataSet) const {
    if (!DataSet) return QString();
    if (FDataSets->Find(DataSet)) return DataSet->UserName();
    return GlobalResources()->Get(QStringLiteral("clDSNotIncl"));
}

TrptDataSet* TrptReport::GetDataset(const QString& Alias) const {
    TrptDataSetItem* item = FDataSets->Find(Alias);
    return item ? item->DataSet() : nullptr;
}

void TrptReport::GetDatasetAndField(const QString& ComplexName, TrptDataSet*& Dataset, QString& Field) const {
    Dataset = nullptr;
    Field.clear();
    const qsizetype p = ComplexName.indexOf(QLatin1String(".\""));
    if (p < 0) return;
    Dataset = GetDataset(ComplexName.left(p));
    Field = ComplexName.mid(p + 2, ComplexName.size() - (p + 2) - 1);
}

void TrptReport::GetDataSetList(TStrings* List, bool OnlyDB) const {
    if (!List) return;
    List->Clear();
    for (int i = 0; i < FDataSets->Count(); ++i) {
        TrptDataSet* ds = FDataSets->Items(i)->DataSet();
        if (!ds) continue;
        if (OnlyDB && dynamic_cast<TrptUserDataSet*>(ds)) continue;
        List->AddObject(ds->UserName(), ds);
    }
}

void TrptReport::GetActiveDataSetList(TStrings* List) const {
    if (!List) return;
    if (FEngineOptions->UseGlobalDataSetList()) {
        FillGlobalDataSetList(List);
        return;
    }
    List->Clear();
    for (int i = 0; i < FEnabledDataSets->Count(); ++i)
        if (TrptDataSet* ds = FEnabledDataSets->Items(i)->DataSet()) List->AddObject(ds->UserName(), ds);
}

// ---------------------------------------------------------------------------------------------
// Templates

bool TrptReport::LoadFromFile(const QString& FileName, bool ExceptionIfNotFound) {
    const bool wasInLoad = FInLoad;
    FInLoad = true;
    Clear();
    FInLoad = wasInLoad;
    FFileName.clear();
    const bool exists = QFileInfo(FileName).isFile();
    if (exists || ExceptionIfNotFound) {
        TFileStream stream(FileName, fmOpenRead | fmShareDenyWrite);
        FFileName = FileName;
        LoadFromStream(stream);
    }
    return exists;
}

void TrptReport::SaveToFile(const QString& FileName) {
    // A parent template given by an absolute path is stored relative to the new file (a drive
    // letter, as templates made elsewhere name it, counts as absolute too).
    QString parent = FParentReport;
    if (parent.size() > 1 && parent[1] == QLatin1Char(':')) parent.remove(0, 2);
    if (!parent.isEmpty() && (QDir::isAbsolutePath(parent) || parent != FParentReport)) {
        const QString folder = QFileInfo(FileName).absolutePath();
        FParentReport = QDir(folder).relativeFilePath(QDir::cleanPath(parent));
    }
    TFileStream stream(FileName, fmCreate);
    SaveToStream(stream, true, false, false);
}

void TrptReport::ShowErrors() {
    if (FErrors->Count() == 0) return;
    HandleReportError(FEngineOptions->NewSilentMode(),
                      GlobalResources()->Get(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + FErrors->Text());
}

void TrptReport::LoadFromStream(TStream& Stream) {
    FErrors->Clear();
    TStream* source = &Stream;

    std::unique_ptr<TrptCustomCompressor> compressor;
    if (const TClassInfo* cls = CompressorClass()) {
        try {
            compressor = MakeInstanceOf<TrptCustomCompressor>(cls);
            compressor->SetReport(this);
            compressor->SetIsDE3File(true);
            compressor->CreateStream();
            if (compressor->Decompress(*source)) {
                source = compressor->Stream();
                source->SetPosition(0);
            }
        } catch (const Exception&) {
            compressor.reset();
            FErrors->Add(GlobalResources()->Get(QStringLiteral("clDecompressError")));
            ShowErrors();
            return;
        }
    }

    const QString passwordBefore = FReportOptions->Password();
    FReportOptions->SetPassword(FReportOptions->HiddenPassword());

    bool decrypted = false;
    std::unique_ptr<TrptCustomCrypter> crypter;
    if (const TClassInfo* cls = CrypterClass()) {
        try {
            crypter = MakeInstanceOf<TrptCustomCrypter>(cls);
            crypter->CreateStream();
            const QByteArray key =
                TSingleByteCodec::Get(SystemCodePage()).FromUnicode(FReportOptions->Password());
            decrypted = crypter->Decrypt(*source, key);
            if (decrypted) {
                source = crypter->Stream();
                source->SetPosition(0);
            }
        } catch (const Exception&) {
            crypter.reset();
            FReportOptions->SetPassword(passwordBefore);
            FErrors->Add(GlobalResources()->Get(QStringLiteral("clDecryptError")));
            ShowErrors();
            return;
        }
    }

    // What the host set stays the host's: a template may not change these.
    TrptEngineOptions engine;
    engine.Assign(FEngineOptions.get());
    TrptPreviewOptions preview;
    preview.Assign(FPreviewOptions.get());
    const QString iniFile = FIniFile;
    TrptCustomPreview* previewControl = FPreview;
    const bool oldStyleProgress = FOldStyleProgress;
    const bool showProgress = FShowProgress;
    const bool storeInDFM = FStoreInDFM;
    const int designLeft = FDesignLeft, designTop = FDesignTop;

    FStreamLoaded = true;
    FLoadStream = source;
    bool malformed = false;
    const bool wasInLoad = FInLoad;
    FInLoad = true;
    try {
        const bool handled = LegacyEvents()->OnLoad && LegacyEvents()->OnLoad(this, source);
        if (!handled) TrptComponent::LoadFromStream(*source);
        FInLoad = wasInLoad;
    } catch (const TrptInvalidXMLException& e) {
        FInLoad = wasInLoad;
        // Nothing of the report was touched: the document is read whole before the report is
        // cleared (see TrptComponent::LoadFromStream).
        FStreamLoaded = false;
        malformed = true;
        FErrors->Add(decrypted ? QStringLiteral("Invalid password") : e.Message());
    } catch (const Exception& e) {
        FInLoad = wasInLoad;
        FStreamLoaded = false;
        FErrors->Add(e.Message());
    } catch (...) {
        FInLoad = wasInLoad;
        FLoadStream = nullptr;
        throw;
    }
    FLoadStream = nullptr;
    crypter.reset();
    compressor.reset();
    // Nothing of an heir whose parent could not be loaded stays: no half-merged report.
    if (FParentTemplateFailed) {
        FParentTemplateFailed = false;
        FStreamLoaded = false;
        Clear();
    }

    CheckDataPage();
    const bool convertNulls = FEngineOptions->ConvertNulls();
    const bool ignoreDevByZero = FEngineOptions->IgnoreDevByZero();
    const bool doublePass = FEngineOptions->DoublePass();
    FEngineOptions->Assign(&engine);
    FEngineOptions->SetConvertNulls(convertNulls);
    FEngineOptions->SetIgnoreDevByZero(ignoreDevByZero);
    FEngineOptions->SetDoublePass(doublePass);
    const bool outlineVisible = FPreviewOptions->OutlineVisible();
    const int outlineWidth = FPreviewOptions->OutlineWidth();
    const bool outlineExpand = FPreviewOptions->OutlineExpand();
    const int pagesInCache = FPreviewOptions->PagesInCache();
    const bool thumbnailVisible = FPreviewOptions->ThumbnailVisible();
    FPreviewOptions->Assign(&preview);
    FPreviewOptions->SetOutlineVisible(outlineVisible);
    FPreviewOptions->SetOutlineWidth(outlineWidth);
    FPreviewOptions->SetOutlineExpand(outlineExpand);
    FPreviewOptions->SetPagesInCache(pagesInCache);
    FPreviewOptions->SetThumbnailVisible(thumbnailVisible);
    FIniFile = iniFile;
    FPreview = previewControl;
    FOldStyleProgress = oldStyleProgress;
    FShowProgress = showProgress;
    FStoreInDFM = storeInDFM;
    FDesignLeft = designLeft;
    FDesignTop = designTop;

    if (malformed)
        FReportOptions->SetPassword(passwordBefore);
    else if (!decrypted)
        FReportOptions->SetPassword(DecodeReportPassword(FReportOptions->Password()));

    if (FReportOptions->Info()) {
        Clear();
        return;
    }
    // The clearing at the start of the read forgot which password this object saved or accepted
    // last; a template protected by it opens without a question.
    if (!FKnownPassword.isEmpty() && FReportOptions->Password() == FKnownPassword)
        FReportOptions->SetPrevPassword(FKnownPassword);
    if (FReloading || FEngineOptions->EnableThreadSafe() || decrypted || FReportOptions->CheckPassword()) {
        if (!FReportOptions->Password().isEmpty() && !decrypted) FKnownPassword = FReportOptions->Password();
        ShowErrors();
    } else {
        Clear();
    }
}

void TrptReport::SaveToStream(TStream& Stream, bool SaveChildren, bool SaveDefaultValues, bool UseGetAncestor) {
    std::unique_ptr<TrptCustomCompressor> compressor;
    std::unique_ptr<TrptCustomCrypter> crypter;
    TStream* target = &Stream;
    const QString password = FReportOptions->Password();
    if (FReportOptions->Compressed())
        if (const TClassInfo* cls = CompressorClass()) {
            compressor = MakeInstanceOf<TrptCustomCompressor>(cls);
            compressor->SetReport(this);
            compressor->SetIsDE3File(true);
            compressor->CreateStream();
            target = compressor->Stream();
        }
    if (!password.isEmpty())
        if (const TClassInfo* cls = CrypterClass()) {
            crypter = MakeInstanceOf<TrptCustomCrypter>(cls);
            crypter->CreateStream();
            target = crypter->Stream();
        }

    FReportOptions->SetPrevPassword(password);
    FKnownPassword = password;
    // Without a crypter the password goes into the file shifted: an obfuscation, no protection.
    if (!crypter) FReportOptions->SetPassword(EncodeReportPassword(password));
    TrptCustomPreview* previewControl = FPreview;
    FPreview = nullptr;
    try {
        TrptComponent::SaveToStream(*target, SaveChildren, SaveDefaultValues, UseGetAncestor);
    } catch (...) {
        FPreview = previewControl;
        FReportOptions->SetPassword(password);
        throw;
    }
    FPreview = previewControl;
    FReportOptions->SetPassword(password);

    if (crypter) {
        TStream& dest = compressor ? *compressor->Stream() : Stream;
        crypter->Crypt(dest, password.toUtf8());
        crypter.reset();
    }
    if (compressor) compressor->Compress(Stream);
}

void TrptReport::DefineProperties(TFiler* Filer) {
    TrptComponent::DefineProperties(Filer);
    if (ComponentState().Contains(csWriting) && !FStoreInDFM) return;
    Filer->DefineProperty(
        QStringLiteral("Left"), [this](TReader& r) { FDesignLeft = static_cast<int>(r.ReadInteger()); },
        [this](TWriter& w) { w.WriteInteger(FDesignLeft); }, FDesignLeft != 0);
    Filer->DefineProperty(
        QStringLiteral("Top"), [this](TReader& r) { FDesignTop = static_cast<int>(r.ReadInteger()); },
        [this](TWriter& w) { w.WriteInteger(FDesignTop); }, FDesignTop != 0);
    Filer->DefineProperty(
        QStringLiteral("Datasets"), [this](TReader& r) { ReadCollectionXml(FDataSets.get(), r, this); },
        [this](TWriter& w) { WriteCollectionXml(FDataSets.get(), w, this); }, true);
    Filer->DefineProperty(
        QStringLiteral("Variables"), [this](TReader& r) { ReadCollectionXml(FVariables.get(), r, this); },
        [this](TWriter& w) { WriteCollectionXml(FVariables.get(), w, this); }, true);
    Filer->DefineProperty(
        QStringLiteral("Style"), [this](TReader& r) { ReadCollectionXml(FStyles.get(), r, this); },
        [this](TWriter& w) { WriteCollectionXml(FStyles.get(), w, this); }, true);
}

void TrptReport::SetStyles(TrptStyles* Value) {
    if (!Value) {
        FStyles->Clear();
        return;
    }
    FStyles->Assign(Value);
    FStyles->Apply();
}

void TrptReport::CheckDataPage() {
    const TClassInfo* dataPageClass = GetClass(QStringLiteral("TrptDataPage"));
    if (!dataPageClass || !dataPageClass->CanCreate()) return;
    for (TrptComponent* c : AllObjects())
        if (ClassInfoOf(c)->InheritsFrom(dataPageClass)) return;
    auto* page = static_cast<TrptComponent*>(dataPageClass->CreateInstance(this));
    // First among the pages.
    auto& pages = Objects();
    pages.erase(std::find(pages.begin(), pages.end(), page));
    pages.insert(pages.begin(), page);
    if (FindObject(QStringLiteral("Data")))
        page->CreateUniqueName();
    else
        page->SetName(QStringLiteral("Data"));
    const TClassInfo* dialogComponent = TrptDialogComponent::StaticClassInfo();
    TrptComponentList move;
    for (TrptComponent* c : AllObjects())
        if (c != page && ClassInfoOf(c)->InheritsFrom(dialogComponent)) move.push_back(c);
    double left = 60;
    for (TrptComponent* c : move) {
        c->SetParent(page);
        c->SetLeft(left);
        c->SetTop(20);
        left += 64;
    }
}

// ---------------------------------------------------------------------------------------------
// Script events

bool TrptReport::EngineRunning() const {
    return FEngine && FEngine->Running();
}

void TrptReport::NotifyDesignerDataTree() {
    if (FDesigner) FDesigner->UpdateDataTree();
}

void TrptReport::NotifyPreviewRemoved(TComponent* AComponent) {
    if (FPreview && AComponent == FPreview) FPreview = nullptr;
}

void TrptReport::DoPreviewClickOf(TrptReportComponent* C, TrptView* V, TMouseButton Button, TShiftState Shift,
                                  bool& Modified, bool DblClick) {
    Variant params = VarArrayOf({ObjectToVariant(C), Variant(static_cast<int>(Button)),
                                 Variant(static_cast<int>(Shift.ToInt() & 0xFF)), Variant(Modified)});
    if (C) DoParamEvent(DblClick ? C->OnPreviewDblClick() : C->OnPreviewClick(), params, true);
    if (params.IsArray()) Modified = params.GetElement(3).ToBool();
    const TrptClickObjectEvent& event = DblClick ? OnDblClickObject : OnClickObject;
    if (event) event(V, Button, Shift, Modified);
}

void TrptReport::DoNotifyEvent(TObject* Obj, const QString& EventName, bool RunAlways) {
    if (EventName.isEmpty() || !(RunAlways || EngineRunning())) return;
    try {
        FScript->CallFunction(EventName, VarArrayOf({ObjectToVariant(Obj)}));
    } catch (const Exception& e) {
        // Said with the object and event, so the report's author finds the handler.
        RaiseScriptEventError(Obj, EventName, e);
    }
}

void TrptReport::DoParamEvent(const QString& EventName, Variant& Params, bool RunAlways) {
    if (EventName.isEmpty() || !(RunAlways || EngineRunning())) return;
    try {
        FScript->CallFunction1(EventName, Params);
    } catch (const Exception& e) {
        // The first argument is the object when the event passes one (a dialog or preview
        // click); the report's own events pass values.
        TObject* obj = nullptr;
        if (Params.IsArray() && VarArrayHighBound(Params, 1) >= 0) {
            const Variant first = Params.GetElement(0);
            if (first.VType() == varInteger && first.ToInt() != 0)
                obj = TObjectHandles::TryResolve(static_cast<std::int32_t>(first.ToInt()));
        }
        RaiseScriptEventError(obj ? obj : this, EventName, e);
    }
}

void TrptReport::DoBeforePrint(TrptReportComponent* C) {
    if (OnBeforePrint) OnBeforePrint(C);
    if (C) DoNotifyEvent(C, C->OnBeforePrint(), false);
}

void TrptReport::DoAfterPrint(TrptReportComponent* C) {
    if (OnAfterPrint) OnAfterPrint(C);
    if (C) DoNotifyEvent(C, C->OnAfterPrint(), false);
}
