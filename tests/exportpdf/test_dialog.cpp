// The PDF export's option window driven through the UI services: its texts, the filter's
// properties loaded into it and set from the answers, the save dialog, refused passwords, the
// outline box of a report that hides its outline, slave exports, and a picture of each tab.

#include "PdfTestSupport.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/export/rptPDFDialog.h"

#include "platform/ui/ComCtrls.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QWidget>

#include <QGuiApplication>
#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected question: " << question.toStdString();
}

void Keep(TControl* c, const QString& name) {
    QApplication::processEvents();
    const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
    QDir().mkpath(dir);
    EXPECT_TRUE(c->Widget()->grab().save(dir + QLatin1Char('/') + name)) << name.toStdString();
}

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptPDFExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptPDFExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptPDFExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

} // namespace

TEST(PdfDialog, TextsFromTheStringTable) {
    TUIServicesScope ui(FailOnQuestion);
    TrptPDFExportDialog d(nullptr);
    EXPECT_EQ(d.Caption(), "Export to PDF");
    EXPECT_EQ(d.ClientWidth(), 294);
    EXPECT_EQ(d.ClientHeight(), 351);
    EXPECT_EQ(d.ExportPage->Caption(), "Export");
    EXPECT_EQ(d.GroupPageRange->Caption(), "Page range");
    EXPECT_EQ(d.DescrL->Caption(), "Enter page numbers and/or page ranges, separated by commas. For example, 1,3,5-12");
    EXPECT_EQ(d.EmbeddedCB->Caption(), "Embedded fonts");
    EXPECT_EQ(d.OpenCB->Caption(), "Open after export");
    EXPECT_EQ(d.InfoPage->Caption(), "Information");
    EXPECT_EQ(d.ProducerL->Caption(), "Producer");
    EXPECT_EQ(d.SecGB->Caption(), "Authentification");
    EXPECT_EQ(d.AnnotCB->Caption(), "Add or modify text annotations");
    EXPECT_EQ(d.ViewerGB->Caption(), "Viewer preferences");
    EXPECT_EQ(d.PrintScalingCB->Caption(), "Print scaling");
    EXPECT_EQ(d.OkB->Caption(), "OK");
    EXPECT_EQ(d.CancelB->Caption(), "Cancel");
    EXPECT_EQ(d.SaveDialog1->Filter(), "Adobe PDF file (*.pdf)|*.pdf");
    EXPECT_EQ(d.SaveDialog1->DefaultExt(), ".pdf");
    EXPECT_EQ(d.OwnPassE->PasswordChar(), QLatin1Char('*'));
    EXPECT_EQ(d.PageControl1->ActivePage(), d.ExportPage);
}

TEST(PdfDialog, RightToLeftLayoutMirrorsTheControls) {
    TUIServicesScope ui(FailOnQuestion);
    const Qt::LayoutDirection saved = QGuiApplication::layoutDirection();
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    TrptPDFExportDialog d(nullptr);
    QGuiApplication::setLayoutDirection(saved);
    // Buttons and groups mirror in their parents; the controls inside the groups too.
    EXPECT_EQ(d.OkB->Left(), 294 - 134 - 75);
    EXPECT_EQ(d.CancelB->Left(), 294 - 215 - 75);
    EXPECT_EQ(d.PageControl1->Left(), 294 - 4 - 286);
    EXPECT_EQ(d.AllRB->Left(), d.GroupPageRange->ClientWidth() - 12 - 150);
    EXPECT_EQ(d.PageNumbersE->Left(), d.GroupPageRange->ClientWidth() - 88 - 170);
    EXPECT_EQ(d.TitleE->Left(), d.DocInfoGB->ClientWidth() - 86 - 172);
    // The edit keeps its place to the left of its label, as the label stood right of it before.
    EXPECT_LT(d.TitleE->Left(), d.TitleL->Left());
}

TEST(PdfDialog, PageEditTakesDigitsCommasAndDashesAndSelectsPages) {
    TrptPDFExportDialog d(nullptr);
    EXPECT_TRUE(d.AllRB->Checked());
    for (QChar k : {QChar(u'a'), QChar(u' '), QChar(u'.'), QChar(u';')}) {
        QChar key = k;
        d.PageNumbersEKeyPress(nullptr, key);
        EXPECT_TRUE(key.isNull()) << QString(k).toStdString();
    }
    for (QChar k : {QChar(u'0'), QChar(u'9'), QChar(u','), QChar(u'-'), QChar(8)}) {
        QChar key = k;
        d.PageNumbersEKeyPress(nullptr, key);
        EXPECT_EQ(key, k);
    }
    EXPECT_TRUE(d.AllRB->Checked());
    d.PageNumbersE->SetText(QStringLiteral("2"));
    EXPECT_TRUE(d.PageNumbersRB->Checked());
    EXPECT_FALSE(d.AllRB->Checked());
}

// Every answer reaches its property; the file name comes from the save dialog.
TEST(PdfDialog, AnswersSetTheFilterProperties) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Invoices.de3"));
    report.ReportOptions()->SetName(QStringLiteral("Invoices"));
    report.PreviewOptions()->SetOutlineVisible(true);
    TTestPDFExport f;
    f.SetReport(&report);
    f.SetPageNumbers(QStringLiteral("1-2"));
    f.SetOwnerPassword("old\xA0");
    f.SetEmbeddedFonts(false);
    Answer(ui, [](TrptPDFExportDialog* d) {
        // Loaded from the filter.
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), "1-2");
        EXPECT_EQ(d->TitleE->Text(), "Invoices");
        EXPECT_EQ(d->OwnPassE->Text(), QStringLiteral("old\u20AC"));
        EXPECT_TRUE(d->OutlineCB->Checked());
        EXPECT_TRUE(d->OutlineCB->Enabled());
        EXPECT_FALSE(d->EmbeddedCB->Checked());
        EXPECT_TRUE(d->PrintCB->Checked() && d->ModCB->Checked() && d->CopyCB->Checked() && d->AnnotCB->Checked());
        EXPECT_EQ(d->Quality->Text(), "100");
        // The save dialog offers the report's name with the PDF extension.
        EXPECT_EQ(d->SaveDialog1->FileName(), "Invoices.pdf");
        Keep(d, QStringLiteral("pdf_dialog_export.png"));
        d->PageNumbersE->SetText(QStringLiteral("2-3,5"));
        d->EmbeddedCB->SetChecked(true);
        d->CompressedCB->SetChecked(false);
        d->PrintOptCB->SetChecked(true);
        d->BackgrCB->SetChecked(true);
        d->OpenCB->SetChecked(false);
        d->Quality->SetText(QStringLiteral("80"));
        d->PageControl1->SetActivePage(d->InfoPage);
        d->AuthorE->SetText(QStringLiteral("Accounts"));
        d->SubjectE->SetText(QStringLiteral("March"));
        d->KeywordsE->SetText(QStringLiteral("invoice, march"));
        d->CreatorE->SetText(QStringLiteral("Korvel"));
        d->ProducerE->SetText(QStringLiteral("Korvel PDF"));
        Keep(d, QStringLiteral("pdf_dialog_information.png"));
        d->PageControl1->SetActivePage(d->SecurityPage);
        d->OwnPassE->SetText(QStringLiteral("Eigent\u00FCmer\u20AC"));
        d->UserPassE->SetText(QStringLiteral("leser"));
        d->ModCB->SetChecked(false);
        d->AnnotCB->SetChecked(false);
        Keep(d, QStringLiteral("pdf_dialog_security.png"));
        d->PageControl1->SetActivePage(d->ViewerPage);
        d->HideToolbarCB->SetChecked(true);
        d->CenterWindowCB->SetChecked(true);
        d->PrintScalingCB->SetChecked(true);
        Keep(d, QStringLiteral("pdf_dialog_viewer.png"));
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/out/march.pdf")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.PageNumbers(), "2-3,5");
    EXPECT_FALSE(f.CurPage());
    EXPECT_TRUE(f.EmbeddedFonts());
    EXPECT_FALSE(f.Compressed());
    EXPECT_TRUE(f.PrintOptimized());
    EXPECT_TRUE(f.Background());
    EXPECT_FALSE(f.OpenAfterExport());
    EXPECT_TRUE(f.Outline());
    EXPECT_EQ(f.Quality(), 80);
    EXPECT_EQ(f.Title(), "Invoices");
    EXPECT_EQ(f.Author(), "Accounts");
    EXPECT_EQ(f.Subject(), "March");
    EXPECT_EQ(f.Keywords(), "invoice, march");
    EXPECT_EQ(f.Creator(), "Korvel");
    EXPECT_EQ(f.Producer(), "Korvel PDF");
    EXPECT_EQ(f.OwnerPassword(), QByteArray("Eigent\xFCmer\xA0"));
    EXPECT_EQ(f.UserPassword(), QByteArray("leser"));
    EXPECT_EQ(f.ProtectionFlags(), (TrptPDFEncBits{ePrint, eCopy}));
    EXPECT_EQ(f.EncBits(), -44);
    EXPECT_TRUE(f.HideToolbar());
    EXPECT_FALSE(f.HideMenubar());
    EXPECT_TRUE(f.CenterWindow());
    EXPECT_TRUE(f.PrintScaling());
    EXPECT_EQ(f.FileName(), "/tmp/out/march.pdf");
}

// A password the PDF encoding cannot hold is refused with a message and the window comes back.
TEST(PdfDialog, PasswordOutsideTheEncodingIsRefused) {
    TUIServicesScope ui(FailOnQuestion);
    TTestPDFExport f;
    Answer(ui, [](TrptPDFExportDialog* d) {
        d->UserPassE->SetText(QStringLiteral("\u043F\u0430\u0440\u043E\u043B\u044C"));
        return mrOk;
    });
    ui->AnswerMessage(mrOk, QStringLiteral("User password: The password cannot hold \"\u043F\" (U+043F)"));
    Answer(ui, [](TrptPDFExportDialog* d) {
        EXPECT_EQ(d->UserPassE->Text(), QStringLiteral("\u043F\u0430\u0440\u043E\u043B\u044C"));
        d->UserPassE->SetText(QStringLiteral("parol"));
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/x.pdf")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.UserPassword(), "parol");
}

TEST(PdfDialog, QualityThatIsNoNumberIsRefused) {
    TUIServicesScope ui(FailOnQuestion);
    TTestPDFExport f;
    Answer(ui, [](TrptPDFExportDialog* d) {
        d->Quality->SetText(QStringLiteral("high"));
        return mrOk;
    });
    ui->AnswerMessage(mrOk, QStringLiteral("\"high\" is not a whole number"));
    Answer(ui, [](TrptPDFExportDialog*) { return mrCancel; });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.Quality(), 95);
}

TEST(PdfDialog, CancelInTheSaveDialogKeepsTheOptions) {
    TUIServicesScope ui(FailOnQuestion);
    TTestPDFExport f;
    f.SetDefaultPath(QStringLiteral("/srv/pdf"));
    Answer(ui, [](TrptPDFExportDialog* d) {
        EXPECT_EQ(d->SaveDialog1->InitialDir(), "/srv/pdf");
        d->CurPageRB->SetChecked(true);
        d->HideMenubarCB->SetChecked(true);
        return mrOk;
    });
    ui->CancelFile();
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_TRUE(f.CurPage());
    EXPECT_TRUE(f.HideMenubar());
    EXPECT_TRUE(f.FileName().isEmpty());
}

TEST(PdfDialog, HiddenOutlineUncheckedAndDisabled) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.PreviewOptions()->SetOutlineVisible(false);
    TTestPDFExport f;
    f.SetReport(&report);
    f.SetOutline(true);
    Answer(ui, [](TrptPDFExportDialog* d) {
        EXPECT_FALSE(d->OutlineCB->Checked());
        EXPECT_FALSE(d->OutlineCB->Enabled());
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/y.pdf")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_FALSE(f.Outline());
}

TEST(PdfDialog, SlaveExportHidesOpenAndAsksNoFileName) {
    TUIServicesScope ui(FailOnQuestion);
    TTestPDFExport f;
    f.SetSlaveExport(true);
    f.SetOpenAfterExport(true);
    Answer(ui, [](TrptPDFExportDialog* d) {
        EXPECT_FALSE(d->OpenCB->Visible());
        return mrOk;
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_FALSE(f.OpenAfterExport());
}
