// The OpenDocument exports' option window driven through the UI services: texts, the filter's
// settings loaded and set from the answers, the creation time, the save dialog, slave exports.

#include "report/core/rptClassReport.h"
#include "report/export/rptExportODF.h"
#include "report/export/rptExportODFDialog.h"

#include "platform/rtl/SysUtils.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected question: " << question.toStdString(); }

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptODFExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptODFExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptODFExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

TEST(OdfDialog, AnswersSetTheFilter) {
    TUIServicesScope ui(FailOnQuestion);
    SetClock([] { return EncodeDate(2026, 5, 6) + EncodeTime(7, 8, 9, 0); });
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Invoices.de3"));
    TrptODTExport f(nullptr);
    f.SetReport(&report);
    f.SetPageNumbers(QStringLiteral("1-2"));
    Answer(ui, [](TrptODFExportDialog* d) {
        EXPECT_EQ(d->Caption(), QStringLiteral("Open Document Text"));
        EXPECT_EQ(d->ContinuousCB->Caption(), QStringLiteral("Continuous"));
        EXPECT_EQ(d->PageBreaksCB->Caption(), QStringLiteral("Page breaks"));
        EXPECT_EQ(d->OpenCB->Caption(), QStringLiteral("Open after export"));
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), QStringLiteral("1-2"));
        EXPECT_TRUE(d->PageBreaksCB->Checked() && d->WCB->Checked() && d->BackgrCB->Checked());
        EXPECT_FALSE(d->ContinuousCB->Checked() || d->OpenCB->Checked());
        EXPECT_EQ(d->SaveDialog1->FileName(), QStringLiteral("Invoices.odt"));
        EXPECT_EQ(d->SaveDialog1->Filter(), QStringLiteral("Open Document Text file (*.odt)|*.odt"));
        QChar key = QLatin1Char('x');
        d->PageNumbersEKeyPress(nullptr, key);
        EXPECT_TRUE(key.isNull());
        d->CurPageRB->SetChecked(true);
        d->ContinuousCB->SetChecked(true);
        d->PageBreaksCB->SetChecked(false);
        d->WCB->SetChecked(false);
        d->OpenCB->SetChecked(true);
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/out/march.odt")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    SetClock({});
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_TRUE(f.CurPage());
    EXPECT_TRUE(f.PageNumbers().isEmpty());
    EXPECT_TRUE(f.SingleSheet());
    EXPECT_FALSE(f.ExportPageBreaks());
    EXPECT_FALSE(f.Wysiwyg());
    EXPECT_TRUE(f.OpenAfterExport());
    EXPECT_EQ(f.CreationTime(), EncodeDate(2026, 5, 6) + EncodeTime(7, 8, 9, 0));
    EXPECT_EQ(f.FileName(), QStringLiteral("/tmp/out/march.odt"));
}

TEST(OdfDialog, CancelledSaveDialogCancels) {
    TUIServicesScope ui(FailOnQuestion);
    TrptODSExport f(nullptr);
    Answer(ui, [](TrptODFExportDialog*) { return mrOk; });
    ui->CancelFile();
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_TRUE(f.FileName().isEmpty());
}

TEST(OdfDialog, SlaveExportHidesOpenAndAsksNoFile) {
    TUIServicesScope ui(FailOnQuestion);
    TrptODSExport f(nullptr);
    f.SetSlaveExport(true);
    f.SetOpenAfterExport(true);
    Answer(ui, [](TrptODFExportDialog* d) {
        EXPECT_FALSE(d->OpenCB->Visible());
        return mrOk;
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_FALSE(f.OpenAfterExport());
}

} // namespace
