// Report buttons and the "Report designer" menu item: the button's query bound as the dataset
// "Report", its template loaded from the Report folder beside the program, and the report shown,
// printed or exported in the button's mode.

#include "app/dbControls.h"
#include "app/dbStringGridEx.h"
#include "app/uLang.h"
#include "app/uMainForm.h"
#include "platform/data/Params.h"
#include "platform/data/SQLConnection.h"
#include "platform/sys/Program.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Dialogs.h"
#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptDBSet.h"
#include "report/core/rptDesignerComponent.h"
#include "report/core/rptRunControl.h"
#include "report/export/rptHTMLExport.h"
#include "report/export/rptExportImage.h"
#include "report/export/rptExportODF.h"
#include "report/export/rptExportRTF.h"
#include "report/export/rptExportXLS.h"
#include "report/export/rptPDFExport.h"

#include <QDir>
#include <QFileInfo>

namespace {

int Info(TCustomForm* owner, const QString& text, const QString& caption) {
    return MessageBoxOwned(owner, text, caption, MB_OK | MB_ICONINFORMATION);
}

QString ReportFolder() {
    return ProgramFolder() + QStringLiteral("Report");
}

// A new file for an export: the system makes "tmp<hex>.tmp" in the user's temporary folder and
// the export goes to that name with the format's extension. The folder is the system's, not
// this run's own, since the viewer that opens the export may outlive the program. Should a file
// of the export's name exist already, a new one of its own is made instead of overwriting it.
QString NewExportFileName(const QString& extension) {
    const QString folder = QDir::tempPath();
    const QString tmp = CreateTempFileIn(folder, QStringLiteral("tmp"), QStringLiteral(".tmp"));
    QString name = tmp.left(tmp.size() - 4) + extension;
    if (QFileInfo::exists(name)) name = CreateTempFileIn(folder, QStringLiteral("tmp"), extension);
    return name;
}

} // namespace

void TfrmMainKorvel::CreateReportComponents() {
    rptReport = new TrptReport(this);
    rptReport->SetName(QStringLiteral("rptReport"));
    rptReport->SetIniFile(QStringLiteral("\\Software\\Dize Rorerir"));
    // The stored report: one data page and one A4 page with 10 mm margins.
    rptReport->CheckDataPage();
    auto* page = new TrptReportPage(rptReport);
    page->SetName(QStringLiteral("Page1"));
    page->SetPaperSize(9);
    page->SetLeftMargin(10);
    page->SetRightMargin(10);
    page->SetTopMargin(10);
    page->SetBottomMargin(10);

    rptDBDataset = new TrptDBDataset(this);
    rptDBDataset->SetName(QStringLiteral("rptDBDataset"));
    rptDBDataset->SetUserName(QStringLiteral("rptDBDataset1"));
    rptDBDataset->SetCloseDataSource(false);
    rptDBDataset->SetBCDToCurrency(false);

    rptDesigner = new TrptDesigner(this);
    rptDesigner->SetName(QStringLiteral("rptDesigner"));

    rptPDFExport1 = new TrptPDFExport(this);
    rptPDFExport1->SetName(QStringLiteral("rptPDFExport1"));
    rptPDFExport1->SetOpenAfterExport(true);
    rptHTMLExport1 = new TrptHTMLExport(this);
    rptHTMLExport1->SetName(QStringLiteral("rptHTMLExport1"));
    rptHTMLExport1->SetOpenAfterExport(true);
    rptRTFExport1 = new TrptRTFExport(this);
    rptRTFExport1->SetName(QStringLiteral("rptRTFExport1"));
    rptRTFExport1->SetOpenAfterExport(true);
    rptXLSExport1 = new TrptXLSExport(this);
    rptXLSExport1->SetName(QStringLiteral("rptXLSExport1"));
    rptXLSExport1->SetOpenExcelAfterExport(true);
    rptODSExport1 = new TrptODSExport(this);
    rptODSExport1->SetName(QStringLiteral("rptODSExport1"));
    rptODSExport1->SetOpenAfterExport(true);
    rptODTExport1 = new TrptODTExport(this);
    rptODTExport1->SetName(QStringLiteral("rptODTExport1"));
    rptODTExport1->SetOpenAfterExport(true);
    rptJPEGExport1 = new TrptJPEGExport(this);
    rptJPEGExport1->SetName(QStringLiteral("rptJPEGExport1"));
    rptTIFFExport1 = new TrptTIFFExport(this);
    rptTIFFExport1->SetName(QStringLiteral("rptTIFFExport1"));
    for (TrptCustomExportFilter* f : std::initializer_list<TrptCustomExportFilter*>{
             rptPDFExport1, rptHTMLExport1, rptRTFExport1, rptXLSExport1, rptODSExport1, rptODTExport1, rptJPEGExport1,
             rptTIFFExport1}) {
        f->SetUseFileCache(true);
        f->SetShowProgress(true);
        f->SetOverwritePrompt(false);
        f->SetDataOnly(false);
    }
}

TrptCustomExportFilter* TfrmMainKorvel::ReportExportFilter(int openIn) {
    TrptCustomExportFilter* filter = nullptr;
    QString extension;
    switch (openIn) {
    case rpoPDF:
        filter = rptPDFExport1;
        extension = QStringLiteral(".pdf");
        break;
    case rpoHTML:
        filter = rptHTMLExport1;
        extension = QStringLiteral(".html");
        break;
    case rpoExcel:
        // The workbook filter writes .xlsx; it takes this name's ".xls" as ".xlsx".
        filter = rptXLSExport1;
        extension = QStringLiteral(".xls");
        break;
    case rpoWord:
        filter = rptRTFExport1;
        extension = QStringLiteral(".rtf");
        break;
    case rpoODT:
        filter = rptODTExport1;
        extension = QStringLiteral(".odt");
        break;
    case rpoODS:
        filter = rptODSExport1;
        extension = QStringLiteral(".ods");
        break;
    case rpoJPEG:
    case rpoTIFF:
        // The user picks the file in the filter's own dialog.
        filter = openIn == rpoJPEG ? static_cast<TrptCustomExportFilter*>(rptJPEGExport1) : rptTIFFExport1;
        filter->SetShowDialog(true);
        return filter;
    default:
        return nullptr;
    }
    filter->SetFileName(NewExportFileName(extension));
    filter->SetShowDialog(false);
    return filter;
}

bool TfrmMainKorvel::LoadReportTemplate(const QString& path) {
    // Loading clears the report; its errors are collected quietly here and shown once, with the
    // file's name, instead of the library's own box.
    rptReport->Clear();
    rptReport->SetFileName(QString());
    rptReport->EngineOptions()->SetNewSilentMode(simSilent);
    QString problem;
    try {
        TFileStream stream(path, fmOpenRead | fmShareDenyWrite);
        rptReport->SetFileName(path);
        rptReport->LoadFromStream(stream);
        problem = rptReport->Errors()->Text().trimmed();
    } catch (const Exception& e) {
        problem = e.Message();
    }
    rptReport->EngineOptions()->SetNewSilentMode(simMessageBoxes);
    if (problem.isEmpty()) return true;
    // What was read of a damaged template is not run.
    rptReport->Clear();
    Info(this, path + QChar(13) + problem, Lang.Error);
    return false;
}

void TfrmMainKorvel::ActionReport(TdbButton* B, TCustomForm* W) {
    // A second press while a report is being made (a click handled while the progress window
    // or a preview processes events) would clear the report under the running one.
    if (FInReportAction || ReportPreparing(rptReport)) return;
    FInReportAction = true;
    struct TReset {
        bool& Flag;
        ~TReset() { Flag = false; }
    } reset{FInReportAction};

    // 1. A new record of an edit window is saved first, so that "$id" names it.
    if (W != this && W->Name() != Name() && B->dbGeneralTableId() == -1 && B->dbParentTable().isEmpty() &&
        !SaveFirst(W))
        return;

    // 2. The record of the selected grid row.
    if (!B->dbResultControl().isEmpty()) {
        auto* grid = dynamic_cast<TdbStringGridEx*>(W->FindComponent(B->dbResultControl()));
        if (grid) {
            if (grid->RowCount() == 0) {
                Info(this, Lang.Please_select_record_in_grid, Lang.Info);
                return;
            }
            if (grid->dbItemID() == -1) {
                Info(this, Lang.Please_select_record_in_grid, Lang.Error);
                return;
            }
            B->SetdbGeneralTableId(grid->dbItemID());
        }
    }

    // 3 and 4. The query, its typed values bound as parameters; the result becomes "Report".
    TParams params;
    const QString sql = SubstituteControls(B, W, &params, false);
    if (!sql.trimmed().isEmpty()) {
        std::unique_ptr<TSQLQuery> query;
        try {
            query = FSQLConnection->ExecuteQuery(sql, params.Count() ? &params : nullptr);
        } catch (const Exception& e) {
            Info(this, e.Message(), Lang.Error);
            return;
        }
        rptDBDataset->SetDataSet(query.get());
        rptDBDataset->SetUserName(QStringLiteral("Report"));
        FReportQuery = std::move(query);
    }

    // 5. No template: the designer on an empty report with that dataset.
    if (B->dbReportFile().isEmpty()) {
        rptDesigner->SetOpenDir(ReportFolder());
        rptDesigner->SetSaveDir(ReportFolder());
        rptReport->Clear();
        rptReport->SetFileName(QString());
        rptReport->DataSets()->Add(rptDBDataset);
        if (!DesignerClass()) {
            Info(this, QStringLiteral("No report designer is installed yet: a report button without a template "
                                      "cannot open one."),
                 Lang.Info);
            return;
        }
        DesignReport(rptReport, true, false);
        return;
    }

    // 6.
    const QString path = ReportFolder() + QDir::separator() + B->dbReportFile();
    if (!QFileInfo(path).isFile()) {
        Info(this, Lang.Report_file_not_found + QStringLiteral(":") + QChar(13) + path, Lang.Error);
        return;
    }

    // 7. Loading clears the dataset list; the template names "Report" itself.
    rptReport->DataSets()->Add(rptDBDataset);
    if (!LoadReportTemplate(path)) return;

    // 8.
    const int openIn = B->dbReportOpenIn();
    switch (openIn) {
    case rpoPreview:
        ShowReport(rptReport, true);
        return;
    case rpoPrint:
        if (PrepareReport(rptReport, true)) PrintReport(rptReport);
        return;
    default:
        break;
    }
    if (!PrepareReport(rptReport, true)) return;
    if (TrptCustomExportFilter* filter = ReportExportFilter(openIn)) ExportReport(rptReport, filter);
}

void TfrmMainKorvel::mniReportClick(TObject*) {
    rptDesigner->SetOpenDir(ReportFolder());
    rptDesigner->SetSaveDir(ReportFolder());
    if (!DesignerClass()) {
        Info(this, QStringLiteral("No report designer is installed yet."), Lang.Info);
        return;
    }
    DesignReport(rptReport, true, false);
}
