// The export's option window driven through the UI services: its texts, the filter's settings
// loaded into the boxes and written back, the save dialog (an ".xls" answer takes ".xlsx"),
// slave exports and cancelling.

#include "report/core/rptClassReport.h"
#include "report/export/rptExportXLS.h"
#include "report/export/rptExportXLSDialog.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected question: " << question.toStdString();
}

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptXLSExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptXLSExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptXLSExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

TEST(XlsDialog, TextsAndDefaults) {
    TrptXLSExportDialog d(nullptr);
    EXPECT_EQ(d.Caption(), "Export to Excel");
    EXPECT_EQ(d.ClientWidth(), 277);
    EXPECT_EQ(d.ClientHeight(), 320);
    EXPECT_EQ(d.ContinuousCB->Caption(), "Continuous");
    EXPECT_EQ(d.PicturesCB->Caption(), "Pictures");
    EXPECT_EQ(d.AsTextCB->Caption(), "As text");
    EXPECT_EQ(d.FastExpCB->Caption(), "Fast export");
    EXPECT_EQ(d.cbGrid->Caption(), "Grid Lines");
    EXPECT_EQ(d.MergeCB->Caption(), "Merge cells");
    EXPECT_EQ(d.WCB->Caption(), "WYSIWYG");
    EXPECT_EQ(d.BackgrCB->Caption(), "Background");
    EXPECT_EQ(d.PageBreaksCB->Caption(), "Page breaks");
    EXPECT_EQ(d.OpenExcelCB->Caption(), "Open Excel after export");
    EXPECT_EQ(d.SaveDialog1->Filter(), "Excel file (*.xlsx)|*.xlsx");
    EXPECT_EQ(d.SaveDialog1->DefaultExt(), ".xlsx");
    EXPECT_TRUE(d.AllRB->Checked());
    TrptXLSExport f(nullptr);
    EXPECT_EQ(f.GetDescription(), "Excel table (OLE)");
    EXPECT_EQ(f.DefaultExt(), ".xlsx");
    EXPECT_TRUE(f.ExportEMF() && f.ExportStyles() && f.ExportPictures() && f.MergeCells() && f.Wysiwyg() &&
                f.Background() && f.FastExport() && f.PageBreaks() && f.EmptyLines() && f.TruncateLongTexts() &&
                f.GridLines());
    EXPECT_FALSE(f.OpenExcelAfterExport() || f.AsText());
}

TEST(XlsDialog, AnswersReachTheFilter) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Stock.de3"));
    TrptXLSExport f(nullptr);
    f.SetReport(&report);
    f.SetOverwritePrompt(true);
    f.SetSuppressPageHeadersFooters(true);
    Answer(ui, [](TrptXLSExportDialog* d) {
        EXPECT_TRUE(d->ContinuousCB->Checked()); // page headers left out: continuous
        EXPECT_TRUE(d->FastExpCB->Checked());
        EXPECT_FALSE(d->OpenExcelCB->Checked());
        EXPECT_TRUE(d->OpenExcelCB->Visible());
        EXPECT_EQ(d->SaveDialog1->FileName(), "Stock.xlsx");
        EXPECT_TRUE(d->SaveDialog1->Options().Contains(ofOverwritePrompt));
        d->PageNumbersE->SetText(QStringLiteral("1-2"));
        d->ContinuousCB->SetChecked(false);
        d->FastExpCB->SetChecked(false);
        d->AsTextCB->SetChecked(true);
        d->cbGrid->SetChecked(false);
        d->MergeCB->SetChecked(false);
        d->OpenExcelCB->SetChecked(true);
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/out/stock.xls")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.FileName(), "/tmp/out/stock.xlsx");
    EXPECT_EQ(f.PageNumbers(), "1-2");
    EXPECT_TRUE(f.EmptyLines());
    EXPECT_FALSE(f.SuppressPageHeadersFooters());
    EXPECT_FALSE(f.FastExport());
    EXPECT_TRUE(f.AsText());
    EXPECT_FALSE(f.GridLines());
    EXPECT_FALSE(f.MergeCells());
    EXPECT_TRUE(f.OpenExcelAfterExport());
}

TEST(XlsDialog, SlaveExportAsksNoFileAndCancelCancels) {
    TUIServicesScope ui(FailOnQuestion);
    TrptXLSExport f(nullptr);
    f.SetSlaveExport(true);
    f.SetOpenExcelAfterExport(true);
    Answer(ui, [](TrptXLSExportDialog* d) {
        EXPECT_FALSE(d->OpenExcelCB->Visible());
        return mrOk;
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_FALSE(f.OpenExcelAfterExport());
    EXPECT_EQ(ui->Pending(), 0);

    TrptXLSExport g(nullptr);
    Answer(ui, [](TrptXLSExportDialog*) { return mrOk; });
    ui->CancelFile();
    EXPECT_EQ(g.ShowModal(), mrCancel);
    Answer(ui, [](TrptXLSExportDialog*) { return mrCancel; });
    EXPECT_EQ(g.ShowModal(), mrCancel);
    EXPECT_EQ(ui->Pending(), 0);
}

} // namespace

#include "report/core/rptDsgnIntf.h"

#include <QFileInfo>

namespace {

// A filter joins the export menu's registry while it lives; one made for another export gets a
// temporary .xlsx name of its own.
TEST(XlsFilter, RegistryAndTemporaryNames) {
    int index = -1;
    {
        TrptXLSExport f(nullptr);
        index = ExportFilterRegistry()->IndexOf(&f);
        EXPECT_GE(index, 0);
        auto g = TrptCustomExportFilter::CreateNoRegister<TrptXLSExport>();
        EXPECT_LT(ExportFilterRegistry()->IndexOf(g.get()), 0);
    }
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Stock list.de3"));
    TrptXLSExport f(nullptr);
    f.SetSlaveExport(true);
    f.SetShowProgress(false);
    f.SetReport(&report);
    ASSERT_TRUE(f.Start());
    EXPECT_EQ(QFileInfo(f.FileName()).fileName(), "Stock list.xlsx");
    TrptXLSExport h(nullptr);
    h.SetSlaveExport(true);
    ASSERT_TRUE(h.Start());
    EXPECT_TRUE(h.FileName().endsWith(QStringLiteral(".xlsx"))) << h.FileName().toStdString();
    EXPECT_TRUE(QFileInfo::exists(h.FileName())); // the name is reserved
    QFile::remove(h.FileName());
    TrptXLSExport bare(nullptr);
    bare.SetDefaultPath(QStringLiteral("/data/out"));
    bare.SetFileName(QStringLiteral("book.XLS"));
    ASSERT_TRUE(bare.Start());
    EXPECT_EQ(bare.FileName(), "/data/out/book.xlsx");
    TrptXLSExport none(nullptr);
    EXPECT_FALSE(none.Start());
}

} // namespace
