#include "report/core/rptClassBases.h"

#include "platform/rtl/Streams.h"
#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDsgnIntf.h"
#include "report/core/rptUtils.h"

#include <QFile>

namespace {

// Set by TNoRegisterScope; the next export filter constructor takes it and clears it, so filters
// that filter makes in its own constructor register as usual.
thread_local bool GExportFilterNoRegister = false;

// The report and flag of the CreateDesigner call in progress, for constructors run through a
// class record.
struct TPendingDesigner {
    bool Active = false;
    TrptReport* Report = nullptr;
    bool PreviewDesigner = false;
};
thread_local TPendingDesigner GPendingDesigner;

} // namespace

void rptAbstractError() {
    throw EAbstractError(QStringLiteral("Abstract Error"));
}

// ---------------------------------------------------------------------------------------------
// TrptCustomEngine

KORVEL_CLASS_INFO(TrptCustomEngine) {
    using C = TrptCustomEngine;
    b.Prop("CurColumn", &C::CurColumn, &C::SetCurColumn);
    b.Prop("CurVColumn", &C::CurVColumn, &C::SetCurVColumn);
    b.Prop("CurX", &C::CurX, &C::SetCurX);
    b.Prop("CurY", &C::CurY, &C::SetCurY);
    b.Prop("DoublePass", &C::DoublePass);
    b.Prop("FinalPass", &C::FinalPass, &C::SetFinalPass);
    b.Prop("PageHeight", &C::PageHeight, &C::SetPageHeight);
    b.Prop("PageWidth", &C::PageWidth, &C::SetPageWidth);
    b.Prop("StartDate", &C::StartDate, &C::SetStartDate).Type("TDateTime");
    b.Prop("StartTime", &C::StartTime, &C::SetStartTime).Type("TDateTime");
    b.Prop("TotalPages", &C::TotalPages, &C::SetTotalPages);
    b.Prop("SecondScriptCall", &C::SecondScriptCall, &C::SetSecondScriptCall);
}

TrptCustomEngine::TrptCustomEngine(TrptReport* AReport) : FReport(AReport) {}

TrptCustomEngine::~TrptCustomEngine() = default;

void TrptCustomEngine::EndPage() {
    rptAbstractError();
}
void TrptCustomEngine::NewColumn() {
    rptAbstractError();
}
void TrptCustomEngine::NewPage() {
    rptAbstractError();
}
void TrptCustomEngine::ShowBand(TrptBand*) {
    rptAbstractError();
}
void TrptCustomEngine::ShowBand(TrptBandClass) {
    rptAbstractError();
}
double TrptCustomEngine::HeaderHeight() {
    rptAbstractError();
}
double TrptCustomEngine::FooterHeight() {
    rptAbstractError();
}
double TrptCustomEngine::FreeSpace() {
    rptAbstractError();
}
Variant TrptCustomEngine::GetAggregateValue(const QString&, const QString&, TrptBand*, int) {
    rptAbstractError();
}
bool TrptCustomEngine::Run() {
    rptAbstractError();
}

TrptComponent* TrptCustomEngine::FindReportObject(const QString& Name) const {
    return FReport ? FReport->FindObject(Name) : nullptr;
}

void TrptCustomEngine::StopReport() {
    if (FReport) FReport->SetTerminated(true);
}

bool TrptCustomEngine::DoublePass() const {
    return FReport && FReport->EngineOptions()->DoublePass();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomOutline

KORVEL_CLASS_INFO(TrptCustomOutline) {}

TrptCustomOutline::TrptCustomOutline(TrptCustomPreviewPages* APreviewPages) : FPreviewPages(APreviewPages) {}

TrptCustomOutline::~TrptCustomOutline() = default;

int TrptCustomOutline::GetCount() {
    rptAbstractError();
}
void TrptCustomOutline::AddItem(const QString&, int) {
    rptAbstractError();
}
void TrptCustomOutline::LevelDown(int) {
    rptAbstractError();
}
void TrptCustomOutline::LevelRoot() {
    rptAbstractError();
}
void TrptCustomOutline::LevelUp() {
    rptAbstractError();
}
void TrptCustomOutline::GetItem(int, QString&, int&, int&) {
    rptAbstractError();
}
void TrptCustomOutline::ShiftItems(TrptXMLItem*, int) {
    rptAbstractError();
}
TrptXMLItem* TrptCustomOutline::GetCurPosition() {
    rptAbstractError();
}

TrptCustomEngine* TrptCustomOutline::Engine() const {
    return FPreviewPages ? FPreviewPages->Engine() : nullptr;
}

// ---------------------------------------------------------------------------------------------
// TrptCustomPreviewPages

KORVEL_CLASS_INFO(TrptCustomPreviewPages) {}

TrptCustomPreviewPages::TrptCustomPreviewPages(TrptReport* AReport) : FReport(AReport) {}

TrptCustomPreviewPages::~TrptCustomPreviewPages() = default;

int TrptCustomPreviewPages::GetCount() {
    rptAbstractError();
}
TrptReportPage* TrptCustomPreviewPages::GetPage(int) {
    rptAbstractError();
}
TPoint TrptCustomPreviewPages::GetPageSize(int) {
    rptAbstractError();
}
void TrptCustomPreviewPages::Clear() {
    rptAbstractError();
}
void TrptCustomPreviewPages::Initialize() {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddObject(TrptComponent*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddPage(TrptReportPage*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddSourcePage(TrptReportPage*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddToSourcePage(TrptComponent*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::BeginPass() {
    rptAbstractError();
}
void TrptCustomPreviewPages::ClearFirstPassPages() {
    rptAbstractError();
}
void TrptCustomPreviewPages::CutObjects(int) {
    rptAbstractError();
}
void TrptCustomPreviewPages::Finish() {
    rptAbstractError();
}
void TrptCustomPreviewPages::IncLogicalPageNumber() {
    rptAbstractError();
}
void TrptCustomPreviewPages::ResetLogicalPageNumber() {
    rptAbstractError();
}
void TrptCustomPreviewPages::PasteObjects(double, double) {
    rptAbstractError();
}
void TrptCustomPreviewPages::ShiftAnchors(int, int) {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddPicture(TrptPictureView*) {
    rptAbstractError();
}
bool TrptCustomPreviewPages::BandExists(TrptBand*) {
    rptAbstractError();
}
int TrptCustomPreviewPages::GetCurPosition() {
    rptAbstractError();
}
int TrptCustomPreviewPages::GetAnchorCurPosition() {
    rptAbstractError();
}
double TrptCustomPreviewPages::GetLastY(double) {
    rptAbstractError();
}
int TrptCustomPreviewPages::GetLogicalPageNo() {
    rptAbstractError();
}
int TrptCustomPreviewPages::GetLogicalTotalPages() {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddEmptyPage(int) {
    rptAbstractError();
}
void TrptCustomPreviewPages::DeletePage(int) {
    rptAbstractError();
}
void TrptCustomPreviewPages::ModifyPage(int, TrptReportPage*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::DrawPage(int, TCanvas*, double, double, double, double) {
    rptAbstractError();
}
void TrptCustomPreviewPages::ObjectOver(int, int, int, TMouseButton, TShiftState, double, double, double,
                                        bool, TCursor&, bool) {
    rptAbstractError();
}
void TrptCustomPreviewPages::AddFrom(TrptReport*) {
    rptAbstractError();
}
void TrptCustomPreviewPages::LoadFromStream(TStream&, bool) {
    rptAbstractError();
}
void TrptCustomPreviewPages::SaveToStream(TStream&) {
    rptAbstractError();
}
bool TrptCustomPreviewPages::LoadFromFile(const QString&, bool) {
    rptAbstractError();
}
void TrptCustomPreviewPages::SaveToFile(const QString&) {
    rptAbstractError();
}
bool TrptCustomPreviewPages::Print() {
    rptAbstractError();
}
bool TrptCustomPreviewPages::Export(TrptCustomExportFilter*) {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomPreview

KORVEL_CLASS_INFO(TrptCustomPreview) {}

TrptCustomPreview::TrptCustomPreview(TComponent* AOwner) : TCustomControl(AOwner) {}

TrptCustomPreview::~TrptCustomPreview() = default;

void TrptCustomPreview::Init() {
    rptAbstractError();
}
void TrptCustomPreview::Lock() {
    rptAbstractError();
}
void TrptCustomPreview::Unlock() {
    rptAbstractError();
}
void TrptCustomPreview::RefreshReport() {
    rptAbstractError();
}
void TrptCustomPreview::InternalOnProgressStart(TrptReport*, TrptProgressType, int) {
    rptAbstractError();
}
void TrptCustomPreview::InternalOnProgress(TrptReport*, TrptProgressType, int) {
    rptAbstractError();
}
void TrptCustomPreview::InternalOnProgressStop(TrptReport*, TrptProgressType, int) {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomExportFilter

KORVEL_CLASS_INFO(TrptCustomExportFilter) {
    using C = TrptCustomExportFilter;
    b.Prop("ShowDialog", &C::ShowDialog, &C::SetShowDialog).Default(true);
    b.Prop("FileName", &C::FileName, &C::SetFileName);
    b.Prop("ExportNotPrintable", &C::ExportNotPrintable, &C::SetExportNotPrintable).Default(false);
    b.Prop("UseFileCache", &C::UseFileCache, &C::SetUseFileCache);
    b.Prop("DefaultPath", &C::DefaultPath, &C::SetDefaultPath);
    b.Prop("ShowProgress", &C::ShowProgress, &C::SetShowProgress);
    b.Prop("OverwritePrompt", &C::OverwritePrompt, &C::SetOverwritePrompt);
    b.Prop("CreationTime", &C::CreationTime, &C::SetCreationTime).Type("TDateTime");
    b.Prop("DataOnly", &C::DataOnly, &C::SetDataOnly);
    b.Event("OnBeginExport", &C::OnBeginExport, "TNotifyEvent");
}

TrptCustomExportFilter::TNoRegisterScope::TNoRegisterScope() : FWas(GExportFilterNoRegister) {
    GExportFilterNoRegister = true;
}

TrptCustomExportFilter::TNoRegisterScope::~TNoRegisterScope() {
    GExportFilterNoRegister = FWas;
}

TrptCustomExportFilter::TrptCustomExportFilter(TComponent* AOwner)
    : TComponent(AOwner), FNoRegister(GExportFilterNoRegister) {
    GExportFilterNoRegister = false;
    if (!FNoRegister) ExportFilterRegistry()->Register(this);
}

TrptCustomExportFilter::~TrptCustomExportFilter() {
    // Also a filter made without registering: one put in by hand must not stay behind for the
    // export menu. At program end the registry may be gone; leaving it must not make a new one.
    if (TrptExportFilterCollection* registry = ExistingExportFilterRegistry()) registry->Unregister(this);
}

std::unique_ptr<TrptCustomExportFilter> TrptCustomExportFilter::CreateNoRegister(const TClassInfo* Cls) {
    if (!Cls || !Cls->InheritsFrom(TrptCustomExportFilter::StaticClassInfo()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    TNoRegisterScope scope;
    std::unique_ptr<TObject> obj(Cls->CreateInstance(nullptr));
    auto* filter = dynamic_cast<TrptCustomExportFilter*>(obj.get());
    if (!filter) throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    obj.release();
    return std::unique_ptr<TrptCustomExportFilter>(filter);
}

void TrptCustomExportFilter::ExportObject(TrptComponent*) {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomDesigner

KORVEL_CLASS_INFO(TrptCustomDesigner) {}

TrptCustomDesigner::TrptCustomDesigner(TComponent* AOwner, TrptReport* AReport, bool APreviewDesigner)
    : TForm(AOwner) {
    GPendingDesigner.Active = false;
    Attach(AReport, APreviewDesigner);
}

TrptCustomDesigner::TrptCustomDesigner(TComponent* AOwner) : TForm(AOwner) {
    if (GPendingDesigner.Active) {
        GPendingDesigner.Active = false;
        Attach(GPendingDesigner.Report, GPendingDesigner.PreviewDesigner);
    }
}

TrptCustomDesigner::~TrptCustomDesigner() {
    if (FReport) {
        if (FReport->Designer() == this) FReport->SetDesigner(nullptr);
        RemoveFreeNotification(FReport);
    }
}

void TrptCustomDesigner::Attach(TrptReport* AReport, bool APreviewDesigner) {
    if (FReport && FReport != AReport) RemoveFreeNotification(FReport);
    FReport = AReport;
    FIsPreviewDesigner = APreviewDesigner;
    if (FReport) FreeNotification(FReport);
}

TrptCustomDesigner* TrptCustomDesigner::CreateDesigner(const TClassInfo* Cls, TComponent* AOwner,
                                                       TrptReport* AReport, bool APreviewDesigner) {
    if (!Cls || !Cls->InheritsFrom(TrptCustomDesigner::StaticClassInfo()))
        throw EInvalidCast(QStringLiteral("Invalid class typecast"));
    const TPendingDesigner was = GPendingDesigner;
    GPendingDesigner = {true, AReport, APreviewDesigner};
    TObject* obj = nullptr;
    try {
        obj = Cls->CreateInstance(AOwner);
    } catch (...) {
        GPendingDesigner = was;
        throw;
    }
    GPendingDesigner = was;
    auto* designer = static_cast<TrptCustomDesigner*>(obj);
    // A class whose factory used another constructor still gets what it was made for.
    if (designer->FReport != AReport || designer->FIsPreviewDesigner != APreviewDesigner)
        designer->Attach(AReport, APreviewDesigner);
    return designer;
}

void TrptCustomDesigner::Notification(TComponent* AComponent, TOperation Operation) {
    TForm::Notification(AComponent, Operation);
    if (Operation == opRemove && FReport && AComponent == static_cast<TComponent*>(FReport))
        FReport = nullptr;
}

void TrptCustomDesigner::SetModified(bool Value) {
    FModified = Value;
    if (Value && FReport) FReport->SetModified(true);
}

void TrptCustomDesigner::SetPage(TrptPage* Value) {
    FPage = Value;
}

TStrings* TrptCustomDesigner::GetCode() {
    rptAbstractError();
}
QString TrptCustomDesigner::InsertExpression(const QString&) {
    rptAbstractError();
}
void TrptCustomDesigner::Lock() {
    rptAbstractError();
}
void TrptCustomDesigner::ReloadPages(int) {
    rptAbstractError();
}
void TrptCustomDesigner::ReloadReport() {
    rptAbstractError();
}
void TrptCustomDesigner::UpdateDataTree() {
    rptAbstractError();
}
void TrptCustomDesigner::UpdatePage() {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomWizard

KORVEL_CLASS_INFO(TrptCustomWizard) {}

TrptCustomWizard::TrptCustomWizard(TComponent* AOwner) : TComponent(AOwner) {
    FDesigner = dynamic_cast<TrptCustomDesigner*>(AOwner);
    FReport = FDesigner ? FDesigner->Report() : nullptr;
}

TrptCustomWizard::~TrptCustomWizard() = default;

bool TrptCustomWizard::Execute() {
    rptAbstractError();
}

QString WizardDescription(const TClassInfo* WizardClass) {
    if (!WizardClass || !WizardClass->InheritsFrom(TrptCustomWizard::StaticClassInfo()) ||
        !WizardClass->CanCreate())
        return QString();
    std::unique_ptr<TObject> wizard(WizardClass->CreateInstance(nullptr));
    auto* w = dynamic_cast<TrptCustomWizard*>(wizard.get());
    return w ? w->GetDescription() : QString();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomCompressor

KORVEL_CLASS_INFO(TrptCustomCompressor) {}

TrptCustomCompressor::TrptCustomCompressor(TComponent* AOwner, const TClassInfo* OwnClass)
    : TComponent(AOwner), FOldCompressor(CompressorClass()) {
    SetCompressorClass(OwnClass ? OwnClass : TrptCustomCompressor::StaticClassInfo());
}

TrptCustomCompressor::~TrptCustomCompressor() {
    SetCompressorClass(FOldCompressor);
    FStream.reset();
    if (!FTempFile.isEmpty()) QFile::remove(FTempFile);
}

void TrptCustomCompressor::CreateStream() {
    FStream.reset();
    if (!FTempFile.isEmpty()) {
        QFile::remove(FTempFile);
        FTempFile.clear();
    }
    if (FIsDE3File || !FReport || !FReport->EngineOptions()->UseFileCache()) {
        FStream = std::make_unique<TMemoryStream>();
        return;
    }
    FTempFile = NewTempFileNameIn(FReport->EngineOptions()->TempDir());
    FStream = std::make_unique<TFileStream>(FTempFile, fmOpenReadWrite);
}

bool TrptCustomCompressor::Decompress(TStream&) {
    rptAbstractError();
}
void TrptCustomCompressor::Compress(TStream&) {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptCustomCrypter

KORVEL_CLASS_INFO(TrptCustomCrypter) {}

TrptCustomCrypter::TrptCustomCrypter(TComponent* AOwner, const TClassInfo* OwnClass) : TComponent(AOwner) {
    SetCrypterClass(OwnClass ? OwnClass : TrptCustomCrypter::StaticClassInfo());
}

TrptCustomCrypter::~TrptCustomCrypter() = default;

void TrptCustomCrypter::CreateStream() {
    FStream = std::make_unique<TMemoryStream>();
}

bool TrptCustomCrypter::Decrypt(TStream&, const QByteArray&) {
    rptAbstractError();
}
void TrptCustomCrypter::Crypt(TStream&, const QByteArray&) {
    rptAbstractError();
}

// ---------------------------------------------------------------------------------------------
// TrptDBComponents

KORVEL_CLASS_INFO(TrptDBComponents) {}

TrptDBComponents::TrptDBComponents(TComponent* AOwner) : TComponent(AOwner) {}

TrptDBComponents::~TrptDBComponents() = default;

// ---------------------------------------------------------------------------------------------

void RegisterBaseClasses() {
    RegisterClasses({TrptCustomEngine::StaticClassInfo(), TrptCustomOutline::StaticClassInfo(),
                     TrptCustomPreviewPages::StaticClassInfo(), TrptCustomPreview::StaticClassInfo(),
                     TrptCustomExportFilter::StaticClassInfo(), TrptCustomDesigner::StaticClassInfo(),
                     TrptCustomWizard::StaticClassInfo(), TrptCustomCompressor::StaticClassInfo(),
                     TrptCustomCrypter::StaticClassInfo(), TrptDBComponents::StaticClassInfo()});
}
