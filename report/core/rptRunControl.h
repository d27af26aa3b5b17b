#pragma once
// What the application calls to turn a loaded report into output: prepare it, show it, print it,
// export it, and open the designer on it; and the progress reporting of those runs (the progress
// window for printing and exporting, and for preparing with OldStyleProgress).
//
// A preparation is never entered twice for one report: a second PrepareReport while one runs
// (a click handled while the progress window processes events, a timer) is refused and the
// running one goes on. Closing the preview window or the progress window while the pages are
// made cancels the preparation; the pages made so far are kept.

#include "report/core/rptClassComponent.h"

#include <QString>

#include <functional>

class TForm;
class TrptReport;
class TrptCustomExportFilter;
class TrptCustomPreview;

// Prepares the report: script and engine into its prepared pages. True when pages were made
// without errors; False also when a preparation of this report is already running.
bool PrepareReport(TrptReport* Report, bool ClearLastReport = true);
// Whether a preparation of the report is running.
bool ReportPreparing(TrptReport* Report);
// Shows the report in a preview, preparing it first (OldStyleProgress) or while the preview is
// open (from the report's timer, about 50 ms after it opened).
void ShowReport(TrptReport* Report, bool ClearLastReport = true);
// Opens the preview on the pages as they are: the report's own Preview control when it has one,
// else a preview window from the registered factory (none: nothing opens).
void ShowPreparedReport(TrptReport* Report);
// The prepared pages' print and export loops (rptPrintLoop.h); neither prepares the report.
bool PrintReport(TrptReport* Report);
bool ExportReport(TrptReport* Report, TrptCustomExportFilter* Filter);
// Opens the designer when a designer class is registered and none is open; else nothing.
void DesignReport(TrptReport* Report, bool Modal = true, bool MDIChild = false);
// The designer on a prepared page; whether it was modified. False without a designer class or
// while one is open.
bool DesignPreviewPage(TrptReport* Report);

// Progress of a run: host events, the progress window, the preview (preparation only).
void ReportProgressStart(TrptReport* Report, TrptProgressType ProgressType);
void ReportProgress(TrptReport* Report, TrptProgressType ProgressType, int Progress);
void ReportProgressStop(TrptReport* Report, TrptProgressType ProgressType);
void SetReportProgressMessage(TrptReport* Report, const QString& Value, bool IsHint);

// The preview window: made by the preview unit; it returns the window (owned by the caller) and
// the preview control on it. Empty: ShowPreparedReport opens no window.
struct TrptPreviewWindow {
    TForm* Form = nullptr;
    TrptCustomPreview* Preview = nullptr;
};
using TrptPreviewWindowFactory = std::function<TrptPreviewWindow(TrptReport* Report)>;
TrptPreviewWindowFactory SetPreviewWindowFactory(TrptPreviewWindowFactory Factory);
