#include "report/core/rptClassOptions.h"

#include "platform/gfx/Picture.h"
#include "platform/rtl/StringList.h"
#include "platform/rtl/SysUtils.h"
#include "platform/sys/Registry.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPassword.h"
#include "report/core/rptRes.h"

TrptPreviewButtons DefaultPreviewButtons() { return TrptPreviewButtons::FromInt(4095); }

// ---------------------------------------------------------------------------------------------
// Report options

KORVEL_CLASS_INFO(TrptReportOptions) {
    using C = TrptReportOptions;
    b.Prop("Author", &C::Author, &C::SetAuthor);
    b.Prop("Compressed", &C::Compressed, &C::SetCompressed).Default(false);
    b.Prop("ConnectionName", &C::ConnectionName, &C::SetConnectionName);
    b.Prop("CreateDate", &C::CreateDate, &C::SetCreateDate).Type("TDateTime");
    b.Prop("Description", &C::Description, &C::SetDescription);
    b.Prop("InitString", &C::InitString, &C::SetInitString);
    b.Prop("Name", &C::Name, &C::SetName);
    b.Prop("LastChange", &C::LastChange, &C::SetLastChange).Type("TDateTime");
    b.Prop("Password", &C::Password, &C::SetPassword);
    b.Prop("Picture", &C::Picture, &C::SetPicture);
    b.Prop("VersionBuild", &C::VersionBuild, &C::SetVersionBuild);
    b.Prop("VersionMajor", &C::VersionMajor, &C::SetVersionMajor);
    b.Prop("VersionMinor", &C::VersionMinor, &C::SetVersionMinor);
    b.Prop("VersionRelease", &C::VersionRelease, &C::SetVersionRelease);
}

TrptReportOptions::TrptReportOptions(TComponent* /*AOwner*/)
    : FDescription(std::make_unique<TStringList>()), FPicture(std::make_unique<TPicture>()) {
    FCreateDate = FLastChange = Now();
}

TrptReportOptions::~TrptReportOptions() = default;

TStrings* TrptReportOptions::Description() const { return FDescription.get(); }

void TrptReportOptions::SetDescription(const TStrings* value) {
    if (value)
        FDescription->Assign(*value);
    else
        FDescription->Clear();
}

void TrptReportOptions::SetPicture(const TPicture* value) {
    if (value)
        FPicture->Assign(*value);
    else
        FPicture->Clear();
}

void TrptReportOptions::Clear() {
    if (!FInfo) {
        FAuthor.clear();
        FVersionBuild.clear();
        FVersionMajor.clear();
        FVersionMinor.clear();
        FVersionRelease.clear();
        FCompressed = false;
        FCreateDate = FLastChange = Now();
        FDescription->Clear();
        FPicture->Clear();
    }
    SetConnectionName(QString());
    FInitString.clear();
    FName.clear();
    FPassword.clear();
    FPrevPassword.clear();
}

void TrptReportOptions::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TrptReportOptions*>(Source);
    if (!s || s == this) return;
    FAuthor = s->FAuthor;
    FCompressed = s->FCompressed;
    // The stored text only: assigning must not ask the settings store again.
    FConnectionName = s->FConnectionName;
    FCreateDate = s->FCreateDate;
    FDescription->Assign(*s->FDescription);
    FInitString = s->FInitString;
    FLastChange = s->FLastChange;
    FName = s->FName;
    FPassword = s->FPassword;
    FPicture->Assign(*s->FPicture);
    FVersionBuild = s->FVersionBuild;
    FVersionMajor = s->FVersionMajor;
    FVersionMinor = s->FVersionMinor;
    FVersionRelease = s->FVersionRelease;
}

bool TrptReportOptions::CheckPassword() {
    if (FPassword.isEmpty()) return true;
    if (FPassword == FPrevPassword || FPassword == FHiddenPassword) return true;
    QString typed;
    // One attempt per load; letter case counts.
    if (AskReportPassword(typed) && typed == FPassword) {
        FPrevPassword = FPassword;
        return true;
    }
    // The refusal is shown like any other load error; the report clears itself afterwards.
    const QString error = GlobalResources()->Get(QStringLiteral("Invalid password"));
    TStringList own;
    TStrings* errors = &own;
    TrptSilentMode mode = simMessageBoxes;
    if (FReport) {
        errors = FReport->Errors();
        mode = FReport->EngineOptions()->NewSilentMode();
    }
    errors->Add(error);
    HandleReportError(mode, GlobalResources()->Get(QStringLiteral("clErrors")) + QStringLiteral("\r\n") + errors->Text());
    return false;
}

void TrptReportOptions::SetConnectionName(const QString& value) {
    FConnectionName = value;
    if (value.isEmpty() || !FReport || !FReport->OnSetConnection) return;
    // Stored connections: the machine's first, then the user's, each also under the key with
    // "FIB" appended; every one found is handed on, so the last one wins.
    static const QString key = QStringLiteral("\\Software\\Dize Rorerir\\Connections");
    const struct {
        HKEY Root;
        QString Key;
    } places[] = {{HKEY_LOCAL_MACHINE, key},
                  {HKEY_CURRENT_USER, key},
                  {HKEY_LOCAL_MACHINE, key + QStringLiteral("FIB")},
                  {HKEY_CURRENT_USER, key + QStringLiteral("FIB")}};
    for (const auto& place : places) {
        QString connection;
        try {
            TRegistry reg;
            reg.SetRootKey(place.Root);
            if (!reg.OpenKeyReadOnly(place.Key)) continue;
            if (reg.GetDataType(value) != rdString && reg.GetDataType(value) != rdExpandString) continue;
            connection = reg.ReadString(value);
        } catch (const ERegistryException&) {
            // An unreadable settings store is treated like a missing key.
            continue;
        }
        if (!connection.isEmpty() && FReport->OnSetConnection) FReport->OnSetConnection(connection);
    }
}

// ---------------------------------------------------------------------------------------------
// Preview options

KORVEL_CLASS_INFO(TrptPreviewOptions) {
    using C = TrptPreviewOptions;
    b.Prop("AllowEdit", &C::AllowEdit, &C::SetAllowEdit).Default(true);
    b.Prop("Buttons", &C::Buttons, &C::SetButtons).Default(DefaultPreviewButtons());
    b.Prop("DoubleBuffered", &C::DoubleBuffered, &C::SetDoubleBuffered).Default(true);
    b.Prop("Maximized", &C::Maximized, &C::SetMaximized).Default(true);
    b.Prop("MDIChild", &C::MDIChild, &C::SetMDIChild).Default(false);
    b.Prop("Modal", &C::Modal, &C::SetModal).Default(true);
    b.Prop("OutlineExpand", &C::OutlineExpand, &C::SetOutlineExpand).Default(true);
    b.Prop("OutlineVisible", &C::OutlineVisible, &C::SetOutlineVisible).Default(false);
    b.Prop("OutlineWidth", &C::OutlineWidth, &C::SetOutlineWidth).Default(120);
    b.Prop("PagesInCache", &C::PagesInCache, &C::SetPagesInCache).Default(50);
    b.Prop("ShowCaptions", &C::ShowCaptions, &C::SetShowCaptions).Default(false);
    b.Prop("ThumbnailVisible", &C::ThumbnailVisible, &C::SetThumbnailVisible).Default(false);
    b.Prop("Zoom", &C::Zoom, &C::SetZoom).Type("Extended");
    b.Prop("ZoomMode", &C::ZoomMode, &C::SetZoomMode).Default(zmDefault);
    b.Prop("PictureCacheInFile", &C::PictureCacheInFile, &C::SetPictureCacheInFile).Default(false);
}

TrptPreviewOptions::TrptPreviewOptions() {
    Clear();
    FAllowEdit = true;
    FButtons = DefaultPreviewButtons();
    FDoubleBuffered = true;
    FMaximized = true;
    FMDIChild = false;
    FModal = true;
    FPagesInCache = 50;
    FShowCaptions = false;
    FZoom = 1.0;
    FZoomMode = zmDefault;
    FPictureCacheInFile = false;
}

void TrptPreviewOptions::Clear() {
    FOutlineExpand = true;
    FOutlineVisible = false;
    FOutlineWidth = 120;
    FPagesInCache = 50;
    FThumbnailVisible = false;
}

void TrptPreviewOptions::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TrptPreviewOptions*>(Source);
    if (!s || s == this) return;
    FAllowEdit = s->FAllowEdit;
    FButtons = s->FButtons;
    FDoubleBuffered = s->FDoubleBuffered;
    FMaximized = s->FMaximized;
    FMDIChild = s->FMDIChild;
    FModal = s->FModal;
    FOutlineExpand = s->FOutlineExpand;
    FOutlineVisible = s->FOutlineVisible;
    FOutlineWidth = s->FOutlineWidth;
    FPagesInCache = s->FPagesInCache;
    FShowCaptions = s->FShowCaptions;
    FThumbnailVisible = s->FThumbnailVisible;
    FZoom = s->FZoom;
    FZoomMode = s->FZoomMode;
    FPictureCacheInFile = s->FPictureCacheInFile;
    FRTLPreview = s->FRTLPreview;
}

// ---------------------------------------------------------------------------------------------
// Print options

KORVEL_CLASS_INFO(TrptPrintOptions) {
    using C = TrptPrintOptions;
    b.Prop("Copies", &C::Copies, &C::SetCopies).Default(1);
    b.Prop("Collate", &C::Collate, &C::SetCollate).Default(true);
    b.Prop("PageNumbers", &C::PageNumbers, &C::SetPageNumbers);
    b.Prop("Printer", &C::Printer, &C::SetPrinter);
    b.Prop("PrintMode", &C::PrintMode, &C::SetPrintMode).Default(pmDefault);
    // No declared default: the paper of the split and join modes is always written.
    b.Prop("PrintOnSheet", &C::PrintOnSheet, &C::SetPrintOnSheet);
    b.Prop("PrintPages", &C::PrintPages, &C::SetPrintPages).Default(ppAll);
    b.Prop("Reverse", &C::Reverse, &C::SetReverse).Default(false);
    b.Prop("ShowDialog", &C::ShowDialog, &C::SetShowDialog).Default(true);
    b.Prop("SwapPageSize", &C::SwapPageSize, &C::SetSwapPageSize).Stored(false);
}

TrptPrintOptions::TrptPrintOptions() { Clear(); }

void TrptPrintOptions::Clear() {
    FCopies = 1;
    FCollate = true;
    FPageNumbers.clear();
    FPagesOnSheet = 0;
    FPrinter = GlobalResources()->Get(QStringLiteral("prDefault"));
    FPrintMode = pmDefault;
    FPrintOnSheet = 0;
    FPrintPages = ppAll;
    FReverse = false;
    FShowDialog = true;
    FSplicingLine = 3;
    FDuplex = dmNone;
}

void TrptPrintOptions::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TrptPrintOptions*>(Source);
    if (!s || s == this) return;
    FCopies = s->FCopies;
    FCollate = s->FCollate;
    FPageNumbers = s->FPageNumbers;
    FPrinter = s->FPrinter;
    FPrintMode = s->FPrintMode;
    FPrintOnSheet = s->FPrintOnSheet;
    FPrintPages = s->FPrintPages;
    FReverse = s->FReverse;
    FShowDialog = s->FShowDialog;
    FSplicingLine = s->FSplicingLine;
}

// ---------------------------------------------------------------------------------------------
// Engine options

KORVEL_CLASS_INFO(TrptEngineOptions) {
    using C = TrptEngineOptions;
    b.Prop("ConvertNulls", &C::ConvertNulls, &C::SetConvertNulls).Default(true);
    b.Prop("DoublePass", &C::DoublePass, &C::SetDoublePass).Default(false);
    b.Prop("MaxMemSize", &C::MaxMemSize, &C::SetMaxMemSize).Default(10);
    b.Prop("PrintIfEmpty", &C::PrintIfEmpty, &C::SetPrintIfEmpty).Default(true);
    b.Prop("SilentMode", &C::SilentMode, &C::SetSilentMode).Default(false);
    b.Prop("NewSilentMode", &C::NewSilentMode, &C::SetNewSilentMode).Default(simMessageBoxes);
    b.Prop("TempDir", &C::TempDir, &C::SetTempDir);
    b.Prop("UseFileCache", &C::UseFileCache, &C::SetUseFileCache).Default(false);
    b.Prop("IgnoreDevByZero", &C::IgnoreDevByZero, &C::SetIgnoreDevByZero).Default(false);
}

TrptEngineOptions::TrptEngineOptions() {
    Clear();
    FMaxMemSize = 10;
    FPrintIfEmpty = true;
    FSilentMode = simMessageBoxes;
    FEnableThreadSafe = false;
    FTempDir.clear();
    FUseGlobalDataSetList = true;
    FUseFileCache = false;
    FDestroyForms = true;
}

void TrptEngineOptions::Clear() {
    FConvertNulls = true;
    FIgnoreDevByZero = false;
    FDoublePass = false;
}

void TrptEngineOptions::Assign(const TPersistent* Source) {
    const auto* s = dynamic_cast<const TrptEngineOptions*>(Source);
    if (!s || s == this) return;
    FConvertNulls = s->FConvertNulls;
    FDoublePass = s->FDoublePass;
    FMaxMemSize = s->FMaxMemSize;
    FPrintIfEmpty = s->FPrintIfEmpty;
    FSilentMode = s->FSilentMode;
    FTempDir = s->FTempDir;
    FUseFileCache = s->FUseFileCache;
    FIgnoreDevByZero = s->FIgnoreDevByZero;
}

void RegisterOptionClasses() {
    RegisterClasses({TrptReportOptions::StaticClassInfo(), TrptPreviewOptions::StaticClassInfo(),
                     TrptPrintOptions::StaticClassInfo(), TrptEngineOptions::StaticClassInfo()});
}
