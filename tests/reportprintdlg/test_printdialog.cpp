// The print dialog driven as a user would: fields set, OK or Cancel pressed, and the report's
// print options, the current printer and the duplex choice checked afterwards.

#include "report/core/rptClassBases.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintDialog.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"

#include "platform/print/PrintDevice.h"
#include "platform/print/Printers.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QImage>
#include <QMap>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected question: " << question.toStdString();
}

TPrinterDevice Laser() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = d.DpiY = 600;
    d.Papers = {{QPageSize(QPageSize::Letter), {5, 5, 5, 5}},
                {QPageSize(QPageSize::A4), {5, 5, 5, 5}},
                {QPageSize(QPageSize::A3), {5, 5, 5, 5}}};
    d.DefaultPaper = QPageSize(QPageSize::A4);
    return d;
}

TPrinterDevice Label() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = d.DpiY = 300;
    d.Papers = {{QPageSize(QPageSize::A6), {2, 2, 2, 2}}};
    d.DefaultPaper = QPageSize(QPageSize::A6);
    return d;
}

// Two installed printers, the laser the default; the report's printer list is made afresh.
class PrintDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        FInstalled.Names = {QStringLiteral("Laser"), QStringLiteral("Labels")};
        FInstalled.DefaultName = QStringLiteral("Laser");
        FreeGlobalPrinters();
        FPreviousList = SetPrinterQuery([this] { return FInstalled; });
        FPreviousDevice = SetPrinterDeviceQuery([](const QString& name) {
            return name == QLatin1String("Laser") ? Laser() : Label();
        });
        ASSERT_EQ(GlobalPrinters()->PrinterIndex(), 0);
    }
    void TearDown() override {
        FreeGlobalPrinters();
        SetPrinterQuery(std::move(FPreviousList));
        SetPrinterDeviceQuery(std::move(FPreviousDevice));
    }

    // The user picks an entry of a combo box.
    static void Choose(TComboBox* cb, int index) {
        auto* q = qobject_cast<QComboBox*>(cb->Widget());
        ASSERT_NE(q, nullptr);
        q->setCurrentIndex(index);
        emit q->activated(index);
    }
    static QStringList Items(TComboBox* cb) { return cb->Items()->ToStringList(); }

    // Runs the dialog; the action fills it in and presses a button.
    bool Run(TrptReport& report, TrptDuplexMode& duplex, std::function<void(TrptPrintDialog*)> action) {
        FUI->AnswerModal(QStringLiteral("rptPrintDialog"), [action](TCustomForm* f) {
            auto* d = dynamic_cast<TrptPrintDialog*>(f);
            EXPECT_NE(d, nullptr);
            if (!d) return mrCancel;
            action(d);
            return mrNone;
        });
        const bool ok = ShowPrintDialog(&report, duplex);
        EXPECT_EQ(FUI->Pending(), 0);
        return ok;
    }

    TUIServicesScope FUI{FailOnQuestion};
    TInstalledPrinters FInstalled;
    TPrinterQuery FPreviousList;
    TPrinterDeviceQuery FPreviousDevice;
};

class PagesStub : public TrptCustomPreviewPages {
public:
    explicit PagesStub(TrptReport* r) : TrptCustomPreviewPages(r) {}
};

} // namespace

TEST_F(PrintDialogTest, TextsAndListsComeFromTheStringTable) {
    TrptPrintDialog d(nullptr);
    EXPECT_EQ(d.Caption(), "Print");
    EXPECT_EQ(d.Label12->Caption(), "Printer");
    EXPECT_EQ(d.OtherGB->Caption(), "Other"); // stored as "!Other"
    EXPECT_EQ(d.OrderL->Caption(), "Order");
    EXPECT_EQ(d.DuplexL->Caption(), "Duplex");
    EXPECT_EQ(d.PropButton->Caption(), "Properties...");
    EXPECT_EQ(d.PageNumbersRB->Caption(), "Pages:");
    EXPECT_TRUE(d.DescrL->Caption().startsWith("Enter page numbers"));
    EXPECT_EQ(d.FileDlg->Title(), "Print to file");
    EXPECT_EQ(d.FileDlg->Filter(), GlobalResources()->Get("510"));
    EXPECT_EQ(Items(d.OrderCB), QStringList({"Direct (1-9)", "Reverse (9-1)"}));
    EXPECT_EQ(Items(d.PrintPagesCB), QStringList({"All pages", "Odd pages", "Even pages"}));
    EXPECT_EQ(Items(d.DuplexCB), QStringList({"Default", "Vertical", "Horizontal", "Simplex"}));
    EXPECT_EQ(Items(d.PrintModeCB), QStringList({"Default", "Split big pages", "Join small pages", "Scale"}));
    EXPECT_EQ(Items(d.PrintersCB), QStringList({"Laser", "Labels"}));
    EXPECT_EQ(d.PrintersCB->ItemIndex(), 0);
    // "Default" first, then the printer's papers without the custom entry.
    const QStringList sheets = Items(d.PagPageSizeCB);
    ASSERT_EQ(sheets.size(), 4);
    EXPECT_EQ(sheets.first(), "Default");
    EXPECT_FALSE(sheets.contains("Custom"));
    EXPECT_EQ(d.PagPageSizeCB->ItemIndex(), 0);
    EXPECT_EQ(d.OldIndex, 0);

    const QString saved = GlobalResources()->Get("213");
    GlobalResources()->Add("213", "Druckmodus");
    TrptPrintDialog german(nullptr);
    GlobalResources()->Add("213", saved);
    EXPECT_EQ(german.ScaleGB->Caption(), "Druckmodus");
}

TEST_F(PrintDialogTest, OkWritesEveryChoiceIntoThePrintOptions) {
    TrptReport report;
    TrptDuplexMode duplex = dmNone;
    const bool ok = Run(report, duplex, [](TrptPrintDialog* d) {
        d->CopiesE->SetText("3");
        d->CollateCB->SetChecked(true);
        d->PageNumbersRB->SetChecked(true);
        d->PageNumbersE->SetText("2,4-6");
        Choose(d->PrintPagesCB, 2);
        Choose(d->OrderCB, 1);
        Choose(d->DuplexCB, 2);
        Choose(d->PrintModeCB, 1);
        Choose(d->PagPageSizeCB, d->PagPageSizeCB->Items()->IndexOf(
                                     GlobalPrinters()->Printer()->Papers().at(
                                         GlobalPrinters()->Printer()->PaperIndex(8)).Name));
        d->OkB->Click();
    });
    ASSERT_TRUE(ok);
    const TrptPrintOptions* o = report.PrintOptions();
    EXPECT_EQ(o->Copies(), 3);
    EXPECT_TRUE(o->Collate());
    EXPECT_EQ(o->PageNumbers(), "2,4-6");
    EXPECT_EQ(o->PrintPages(), ppEven);
    EXPECT_TRUE(o->Reverse());
    EXPECT_EQ(duplex, dmHorizontal);
    EXPECT_EQ(o->PrintMode(), pmSplit);
    EXPECT_EQ(o->PrintOnSheet(), 8); // A3
    EXPECT_TRUE(GlobalPrinters()->Printer()->FileName().isEmpty());
}

TEST_F(PrintDialogTest, ShowingFillsTheFieldsFromTheOptions) {
    TrptReport report;
    TrptPrintOptions* o = report.PrintOptions();
    o->SetCopies(4);
    o->SetCollate(true);
    o->SetPageNumbers("3-5");
    o->SetPrintPages(ppOdd);
    o->SetReverse(true);
    o->SetPrintMode(pmJoin);
    o->SetPrintOnSheet(1); // Letter
    TrptDuplexMode duplex = dmSimplex;
    const bool ok = Run(report, duplex, [](TrptPrintDialog* d) {
        EXPECT_EQ(d->CopiesE->Text(), "4");
        EXPECT_TRUE(d->CollateCB->Checked());
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_FALSE(d->AllRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), "3-5");
        EXPECT_EQ(d->PrintPagesCB->ItemIndex(), 1);
        EXPECT_EQ(d->OrderCB->ItemIndex(), 1);
        EXPECT_EQ(d->PrintModeCB->ItemIndex(), 2);
        EXPECT_EQ(d->DuplexCB->ItemIndex(), 3);
        EXPECT_TRUE(d->PagPageSizeCB->Enabled());
        EXPECT_EQ(d->PagPageSizeCB->Text(), GlobalPrinters()->Printer()->Papers().at(
                                               GlobalPrinters()->Printer()->PaperIndex(1)).Name);
        d->CancelB->Click();
    });
    EXPECT_FALSE(ok);
    // Cancel writes nothing.
    EXPECT_EQ(o->Copies(), 4);
    EXPECT_EQ(o->PageNumbers(), "3-5");
    EXPECT_EQ(duplex, dmSimplex);
}

TEST_F(PrintDialogTest, ModeSwitchPicksA4AndDefaultDisablesTheSheet) {
    TrptPrintDialog d(nullptr);
    Choose(d.PrintModeCB, 0);
    EXPECT_FALSE(d.PagPageSizeCB->Enabled());
    Choose(d.PrintModeCB, 1);
    EXPECT_TRUE(d.PagPageSizeCB->Enabled());
    TrptCustomPrinter* laser = GlobalPrinters()->Printer();
    const QString a4 = laser->Papers().at(laser->PaperIndex(9)).Name;
    EXPECT_EQ(d.PagPageSizeCB->Text(), a4);
    // A sheet already chosen stays when the mode changes again.
    Choose(d.PagPageSizeCB, 1);
    const QString chosen = d.PagPageSizeCB->Text();
    Choose(d.PrintModeCB, 3);
    EXPECT_EQ(d.PagPageSizeCB->Text(), chosen);
    Choose(d.PrintModeCB, 0);
    EXPECT_EQ(d.PagPageSizeCB->ItemIndex(), 0);
    EXPECT_EQ(d.PagPageSizeCB->Text(), "Default");
    EXPECT_FALSE(d.PagPageSizeCB->Enabled());
}

TEST_F(PrintDialogTest, AnotherPrinterIsUndoneByCancelAndKeptByOk) {
    for (bool ok : {false, true}) {
        SCOPED_TRACE(ok ? "OK" : "Cancel");
        GlobalPrinters()->SetPrinterIndex(0);
        TrptReport report;
        TrptDuplexMode duplex = dmNone;
        const bool result = Run(report, duplex, [ok](TrptPrintDialog* d) {
            Choose(d->PrintersCB, 1);
            EXPECT_EQ(GlobalPrinters()->PrinterIndex(), 1);
            // The label printer has A6 only.
            EXPECT_EQ(d->PagPageSizeCB->Items()->Count(), 2);
            EXPECT_EQ(d->PagPageSizeCB->ItemIndex(), 0);
            (ok ? d->OkB : d->CancelB)->Click();
        });
        EXPECT_EQ(result, ok);
        EXPECT_EQ(GlobalPrinters()->PrinterIndex(), ok ? 1 : 0);
    }
}

TEST_F(PrintDialogTest, CurrentPageBecomesThePageList) {
    TrptReport report;
    report.SetPreviewPages(std::make_unique<PagesStub>(&report));
    report.PreviewPages()->SetCurPreviewPage(7);
    report.PrintOptions()->SetPageNumbers("1-2");
    TrptDuplexMode duplex = dmNone;
    ASSERT_TRUE(Run(report, duplex, [](TrptPrintDialog* d) {
        d->CurPageRB->SetChecked(true);
        d->OkB->Click();
    }));
    EXPECT_EQ(report.PrintOptions()->PageNumbers(), "7");

    // All pages clears the list; an empty copies text prints one copy.
    ASSERT_TRUE(Run(report, duplex, [](TrptPrintDialog* d) {
        d->AllRB->SetChecked(true);
        d->CopiesE->SetText("");
        d->OkB->Click();
    }));
    EXPECT_TRUE(report.PrintOptions()->PageNumbers().isEmpty());
    EXPECT_EQ(report.PrintOptions()->Copies(), 1);
}

TEST_F(PrintDialogTest, CopiesTakeDigitsOnly) {
    TrptPrintDialog d(nullptr);
    d.CopiesE->SetText("1x2");
    EXPECT_EQ(d.CopiesE->Text(), "12");
}

TEST_F(PrintDialogTest, PrintToFileAsksForAPdfFileAndItsCancelCancelsTheDialog) {
    const QString dir = QDir::tempPath();
    {
        TrptReport report;
        TrptDuplexMode duplex = dmNone;
        FUI->AnswerModal(QStringLiteral("rptPrintDialog"), [](TCustomForm* f) {
            auto* d = dynamic_cast<TrptPrintDialog*>(f);
            d->FileCB->SetChecked(true);
            d->CopiesE->SetText("2");
            d->OkB->Click();
            return mrNone;
        });
        FUI->AnswerFile({dir + "/job.prn"});
        EXPECT_TRUE(ShowPrintDialog(&report, duplex));
        EXPECT_EQ(GlobalPrinters()->Printer()->FileName(), dir + "/job.pdf");
        EXPECT_EQ(report.PrintOptions()->Copies(), 2);
        ASSERT_FALSE(FUI->Asked().isEmpty());
    }
    {
        TrptReport report;
        TrptDuplexMode duplex = dmNone;
        FUI->AnswerModal(QStringLiteral("rptPrintDialog"), [](TCustomForm* f) {
            auto* d = dynamic_cast<TrptPrintDialog*>(f);
            Choose(d->PrintersCB, 1);
            d->FileCB->SetChecked(true);
            d->CopiesE->SetText("5");
            d->OkB->Click();
            return mrNone;
        });
        FUI->CancelFile();
        EXPECT_FALSE(ShowPrintDialog(&report, duplex));
        EXPECT_EQ(report.PrintOptions()->Copies(), 1); // nothing written
        EXPECT_EQ(GlobalPrinters()->PrinterIndex(), 1); // the printer chosen stays
        EXPECT_TRUE(GlobalPrinters()->Printer()->FileName().isEmpty());
    }
    EXPECT_EQ(FUI->Pending(), 0);
}

TEST_F(PrintDialogTest, Screenshot) {
    TrptPrintDialog d(nullptr);
    d.CollateCB->SetChecked(true);
    Choose(d.PrintModeCB, 1);
    d.Show();
    QApplication::processEvents();
    const QImage shot = d.Widget()->grab().toImage();
    ASSERT_FALSE(shot.isNull());
    const QString path = QDir::temp().filePath(QStringLiteral("korvel-report-printdialog.png"));
    ASSERT_TRUE(shot.save(path, "PNG")) << path.toStdString();
    d.Hide();
}

TEST_F(PrintDialogTest, PropertiesAskThePrinterSetupAndKeepTheDuplexWhenItIsNotChanged) {
    TrptPrintDialog d(nullptr);
    d.ADuplexMode = dmVertical;
    d.DuplexCB->SetItemIndex(1);
    FUI->AnswerPrint(TPrintChoice{});
    d.PropButton->Click();
    ASSERT_EQ(FUI->PrintRequests().size(), 1u);
    EXPECT_TRUE(FUI->PrintRequests().back().Setup);
    EXPECT_EQ(FUI->PrintRequests().back().Printers, QStringList({"Laser"}));
    EXPECT_EQ(d.ADuplexMode, dmVertical);
    EXPECT_EQ(d.DuplexCB->ItemIndex(), 1);
}

TEST_F(PrintDialogTest, WithoutPrintersTheVirtualPrinterStaysCurrent) {
    FInstalled.Names.clear();
    FInstalled.DefaultName.clear();
    FreeGlobalPrinters();
    ASSERT_FALSE(GlobalPrinters()->HasPhysicalPrinters());
    TrptReport report;
    TrptDuplexMode duplex = dmNone;
    ASSERT_TRUE(Run(report, duplex, [](TrptPrintDialog* d) {
        EXPECT_EQ(d->PrintersCB->Items()->Count(), 0);
        EXPECT_GT(d->PagPageSizeCB->Items()->Count(), 1); // the paper table
        Choose(d->PrintModeCB, 3);
        d->OkB->Click();
    }));
    EXPECT_EQ(GlobalPrinters()->PrinterIndex(), 0);
    EXPECT_EQ(report.PrintOptions()->PrintMode(), pmScale);
    // Scale mode picked A4 from the virtual printer's paper table.
    EXPECT_EQ(report.PrintOptions()->PrintOnSheet(), 9);
}
