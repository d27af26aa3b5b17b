#pragma once
// The four option objects a report carries: what the report is (ReportOptions), how its preview
// looks (PreviewOptions), what printing does by default (PrintOptions) and how preparation runs
// (EngineOptions). Each is a sub-object of the report whose published properties a template
// stores as dotted attributes ("ReportOptions.Name", "EngineOptions.DoublePass").
//
// Clear puts back what a cleared report starts with; fields Clear does not touch (MaxMemSize,
// Modal, TempDir ...) keep what the host gave them, which is why a report's load restores some
// of them after reading a template.

#include "platform/rtl/Types.h"
#include "platform/rtti/Classes.h"
#include "report/core/rptUtils.h"

#include <QString>

#include <memory>

class TPicture;
class TStringList;
class TStrings;
class TrptReport;

enum TrptPreviewButton {
    pbPrint,
    pbLoad,
    pbSave,
    pbExport,
    pbZoom,
    pbFind,
    pbOutline,
    pbPageSetup,
    pbTools,
    pbEdit,
    pbNavigator,
    pbExportQuick,
    pbNoClose,
    pbNoFullScreen,
    pbNoEmail
};
KORVEL_ENUM(TrptPreviewButton, "pbPrint,pbLoad,pbSave,pbExport,pbZoom,pbFind,pbOutline,pbPageSetup,pbTools,"
                               "pbEdit,pbNavigator,pbExportQuick,pbNoClose,pbNoFullScreen,pbNoEmail")
KORVEL_SET(TrptPreviewButtons, TrptPreviewButton)

// The first twelve buttons (bit mask 4095): everything but the three "No" switches.
TrptPreviewButtons DefaultPreviewButtons();

enum TrptZoomMode { zmDefault, zmWholePage, zmPageWidth, zmManyPages };
KORVEL_ENUM(TrptZoomMode, "zmDefault,zmWholePage,zmPageWidth,zmManyPages")

enum TrptPrintMode { pmDefault, pmSplit, pmJoin, pmScale };
KORVEL_ENUM(TrptPrintMode, "pmDefault,pmSplit,pmJoin,pmScale")

enum TrptPrintPages { ppAll, ppOdd, ppEven };
KORVEL_ENUM(TrptPrintPages, "ppAll,ppOdd,ppEven")

enum TrptDuplexMode { dmNone, dmVertical, dmHorizontal, dmSimplex };
KORVEL_ENUM(TrptDuplexMode, "dmNone,dmVertical,dmHorizontal,dmSimplex")

// ---------------------------------------------------------------------------------------------

class TrptReportOptions : public TPersistent {
    KORVEL_CLASS(TrptReportOptions, TPersistent)
public:
    // The owner is not used; the report sets the back reference.
    explicit TrptReportOptions(TComponent* AOwner = nullptr);
    ~TrptReportOptions() override;

    // Without Info: author, versions, Compressed, dates (now), description and picture go back
    // too. Always: ConnectionName, InitString, Name, Password and PrevPassword become empty.
    void Clear();
    // Only from another TrptReportOptions (anything else is ignored): the stored fields; the
    // passwords known to this object, Info and the report stay.
    void Assign(const TPersistent* Source) override;

    // True when the report may open: no password, one already accepted or saved by this object,
    // the host's HiddenPassword, or the right text typed into the password window. A refusal
    // adds "Invalid password" to the report's errors and shows them by its silent mode (without
    // a report, in a message box).
    bool CheckPassword();

    const QString& Author() const { return FAuthor; }
    void SetAuthor(const QString& value) { FAuthor = value; }
    bool Compressed() const { return FCompressed; }
    void SetCompressed(bool value) { FCompressed = value; }
    const QString& ConnectionName() const { return FConnectionName; }
    // Stores the name; with a report whose OnSetConnection is assigned, every stored connection
    // of that name hands its text to the event (see rptClassOptions.cpp).
    void SetConnectionName(const QString& value);
    TDateTime CreateDate() const { return FCreateDate; }
    void SetCreateDate(TDateTime value) { FCreateDate = value; }
    TStrings* Description() const;
    void SetDescription(const TStrings* value);
    const QString& InitString() const { return FInitString; }
    void SetInitString(const QString& value) { FInitString = value; }
    const QString& Name() const { return FName; }
    void SetName(const QString& value) { FName = value; }
    TDateTime LastChange() const { return FLastChange; }
    void SetLastChange(TDateTime value) { FLastChange = value; }
    const QString& Password() const { return FPassword; }
    void SetPassword(const QString& value) { FPassword = value; }
    TPicture* Picture() const { return FPicture.get(); }
    void SetPicture(const TPicture* value);
    const QString& VersionBuild() const { return FVersionBuild; }
    void SetVersionBuild(const QString& value) { FVersionBuild = value; }
    const QString& VersionMajor() const { return FVersionMajor; }
    void SetVersionMajor(const QString& value) { FVersionMajor = value; }
    const QString& VersionMinor() const { return FVersionMinor; }
    void SetVersionMinor(const QString& value) { FVersionMinor = value; }
    const QString& VersionRelease() const { return FVersionRelease; }
    void SetVersionRelease(const QString& value) { FVersionRelease = value; }

    TrptReport* Report() const { return FReport; }
    void SetReport(TrptReport* value) { FReport = value; }
    // The password last accepted or saved by this report object; a load keeps it across the
    // report's clearing, so that the same object does not ask twice.
    const QString& PrevPassword() const { return FPrevPassword; }
    void SetPrevPassword(const QString& value) { FPrevPassword = value; }
    // A password the host knows: a report protected by it opens without asking.
    const QString& HiddenPassword() const { return FHiddenPassword; }
    void SetHiddenPassword(const QString& value) { FHiddenPassword = value; }
    // Load only the informational fields of a template.
    bool Info() const { return FInfo; }
    void SetInfo(bool value) { FInfo = value; }

private:
    QString FAuthor;
    bool FCompressed = false;
    QString FConnectionName;
    TDateTime FCreateDate = 0;
    std::unique_ptr<TStringList> FDescription;
    QString FInitString;
    QString FName;
    TDateTime FLastChange = 0;
    QString FPassword;
    std::unique_ptr<TPicture> FPicture;
    TrptReport* FReport = nullptr;
    QString FVersionBuild, FVersionMajor, FVersionMinor, FVersionRelease;
    QString FPrevPassword;
    QString FHiddenPassword;
    bool FInfo = false;
};

// ---------------------------------------------------------------------------------------------

class TrptPreviewOptions : public TPersistent {
    KORVEL_CLASS(TrptPreviewOptions, TPersistent)
public:
    TrptPreviewOptions();

    // The outline and thumbnail panes and the page cache; the rest stays.
    void Clear();
    // Only from another TrptPreviewOptions: every field.
    void Assign(const TPersistent* Source) override;

    bool AllowEdit() const { return FAllowEdit; }
    void SetAllowEdit(bool value) { FAllowEdit = value; }
    TrptPreviewButtons Buttons() const { return FButtons; }
    void SetButtons(TrptPreviewButtons value) { FButtons = value; }
    bool DoubleBuffered() const { return FDoubleBuffered; }
    void SetDoubleBuffered(bool value) { FDoubleBuffered = value; }
    bool Maximized() const { return FMaximized; }
    void SetMaximized(bool value) { FMaximized = value; }
    bool MDIChild() const { return FMDIChild; }
    void SetMDIChild(bool value) { FMDIChild = value; }
    bool Modal() const { return FModal; }
    void SetModal(bool value) { FModal = value; }
    bool OutlineExpand() const { return FOutlineExpand; }
    void SetOutlineExpand(bool value) { FOutlineExpand = value; }
    bool OutlineVisible() const { return FOutlineVisible; }
    void SetOutlineVisible(bool value) { FOutlineVisible = value; }
    int OutlineWidth() const { return FOutlineWidth; }
    void SetOutlineWidth(int value) { FOutlineWidth = value; }
    int PagesInCache() const { return FPagesInCache; }
    void SetPagesInCache(int value) { FPagesInCache = value; }
    bool ShowCaptions() const { return FShowCaptions; }
    void SetShowCaptions(bool value) { FShowCaptions = value; }
    bool ThumbnailVisible() const { return FThumbnailVisible; }
    void SetThumbnailVisible(bool value) { FThumbnailVisible = value; }
    double Zoom() const { return FZoom; }
    void SetZoom(double value) { FZoom = value; }
    TrptZoomMode ZoomMode() const { return FZoomMode; }
    void SetZoomMode(TrptZoomMode value) { FZoomMode = value; }
    bool PictureCacheInFile() const { return FPictureCacheInFile; }
    void SetPictureCacheInFile(bool value) { FPictureCacheInFile = value; }
    bool RTLPreview() const { return FRTLPreview; }
    void SetRTLPreview(bool value) { FRTLPreview = value; }

private:
    bool FAllowEdit = true;
    TrptPreviewButtons FButtons;
    bool FDoubleBuffered = true;
    bool FMaximized = true;
    bool FMDIChild = false;
    bool FModal = true;
    bool FOutlineExpand = true;
    bool FOutlineVisible = false;
    int FOutlineWidth = 120;
    int FPagesInCache = 50;
    bool FShowCaptions = false;
    bool FThumbnailVisible = false;
    double FZoom = 1.0;
    TrptZoomMode FZoomMode = zmDefault;
    bool FPictureCacheInFile = false;
    bool FRTLPreview = false;
};

// ---------------------------------------------------------------------------------------------

class TrptPrintOptions : public TPersistent {
    KORVEL_CLASS(TrptPrintOptions, TPersistent)
public:
    TrptPrintOptions();

    // Everything but SwapPageSize and PrnOutFileName; the printer becomes "Default" (the
    // string table's text of "prDefault").
    void Clear();
    // Only from another TrptPrintOptions: copies, collation, pages, printer, modes, splicing.
    void Assign(const TPersistent* Source) override;

    int Copies() const { return FCopies; }
    void SetCopies(int value) { FCopies = value; }
    bool Collate() const { return FCollate; }
    void SetCollate(bool value) { FCollate = value; }
    const QString& PageNumbers() const { return FPageNumbers; }
    void SetPageNumbers(const QString& value) { FPageNumbers = value; }
    int PagesOnSheet() const { return FPagesOnSheet; }
    void SetPagesOnSheet(int value) { FPagesOnSheet = value; }
    const QString& Printer() const { return FPrinter; }
    void SetPrinter(const QString& value) { FPrinter = value; }
    TrptPrintMode PrintMode() const { return FPrintMode; }
    void SetPrintMode(TrptPrintMode value) { FPrintMode = value; }
    int PrintOnSheet() const { return FPrintOnSheet; }
    void SetPrintOnSheet(int value) { FPrintOnSheet = value; }
    TrptPrintPages PrintPages() const { return FPrintPages; }
    void SetPrintPages(TrptPrintPages value) { FPrintPages = value; }
    bool Reverse() const { return FReverse; }
    void SetReverse(bool value) { FReverse = value; }
    bool ShowDialog() const { return FShowDialog; }
    void SetShowDialog(bool value) { FShowDialog = value; }
    bool SwapPageSize() const { return FSwapPageSize; }
    void SetSwapPageSize(bool value) { FSwapPageSize = value; }
    const QString& PrnOutFileName() const { return FPrnOutFileName; }
    void SetPrnOutFileName(const QString& value) { FPrnOutFileName = value; }
    TrptDuplexMode Duplex() const { return FDuplex; }
    void SetDuplex(TrptDuplexMode value) { FDuplex = value; }
    int SplicingLine() const { return FSplicingLine; }
    void SetSplicingLine(int value) { FSplicingLine = value; }

private:
    int FCopies = 1;
    bool FCollate = true;
    QString FPageNumbers;
    int FPagesOnSheet = 0;
    QString FPrinter;
    TrptPrintMode FPrintMode = pmDefault;
    int FPrintOnSheet = 0;
    TrptPrintPages FPrintPages = ppAll;
    bool FReverse = false;
    bool FShowDialog = true;
    bool FSwapPageSize = false;
    QString FPrnOutFileName;
    TrptDuplexMode FDuplex = dmNone;
    int FSplicingLine = 3;
};

// ---------------------------------------------------------------------------------------------

class TrptEngineOptions : public TPersistent {
    KORVEL_CLASS(TrptEngineOptions, TPersistent)
public:
    TrptEngineOptions();

    // ConvertNulls, IgnoreDevByZero and DoublePass only.
    void Clear();
    // Only from another TrptEngineOptions: what a template stores, not the host's switches
    // (DestroyForms, EnableThreadSafe, UseGlobalDataSetList, ReportThread).
    void Assign(const TPersistent* Source) override;

    bool ConvertNulls() const { return FConvertNulls; }
    void SetConvertNulls(bool value) { FConvertNulls = value; }
    bool DestroyForms() const { return FDestroyForms; }
    void SetDestroyForms(bool value) { FDestroyForms = value; }
    bool DoublePass() const { return FDoublePass; }
    void SetDoublePass(bool value) { FDoublePass = value; }
    int MaxMemSize() const { return FMaxMemSize; }
    void SetMaxMemSize(int value) { FMaxMemSize = value; }
    bool PrintIfEmpty() const { return FPrintIfEmpty; }
    void SetPrintIfEmpty(bool value) { FPrintIfEmpty = value; }
    // Kept for hosts that set it; nothing here runs a thread.
    TObject* ReportThread() const { return FReportThread; }
    void SetReportThread(TObject* value) { FReportThread = value; }
    bool EnableThreadSafe() const { return FEnableThreadSafe; }
    void SetEnableThreadSafe(bool value) { FEnableThreadSafe = value; }
    // The Boolean view of NewSilentMode: True is simSilent; writing False gives simMessageBoxes.
    bool SilentMode() const { return FSilentMode == simSilent; }
    void SetSilentMode(bool value) { FSilentMode = value ? simSilent : simMessageBoxes; }
    TrptSilentMode NewSilentMode() const { return FSilentMode; }
    void SetNewSilentMode(TrptSilentMode value) { FSilentMode = value; }
    const QString& TempDir() const { return FTempDir; }
    void SetTempDir(const QString& value) { FTempDir = value; }
    bool UseFileCache() const { return FUseFileCache; }
    void SetUseFileCache(bool value) { FUseFileCache = value; }
    bool UseGlobalDataSetList() const { return FUseGlobalDataSetList; }
    void SetUseGlobalDataSetList(bool value) { FUseGlobalDataSetList = value; }
    bool IgnoreDevByZero() const { return FIgnoreDevByZero; }
    void SetIgnoreDevByZero(bool value) { FIgnoreDevByZero = value; }

private:
    bool FConvertNulls = true;
    bool FDestroyForms = true;
    bool FDoublePass = false;
    int FMaxMemSize = 10;
    bool FPrintIfEmpty = true;
    TObject* FReportThread = nullptr;
    bool FEnableThreadSafe = false;
    TrptSilentMode FSilentMode = simMessageBoxes;
    QString FTempDir;
    bool FUseFileCache = false;
    bool FUseGlobalDataSetList = true;
    bool FIgnoreDevByZero = false;
};

// Registers the four option classes by name (idempotent).
void RegisterOptionClasses();
