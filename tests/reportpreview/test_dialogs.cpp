// The find dialog and the page-settings dialog driven as a user would: texts from the string
// table, the remembered search text, units, the printer's paper list and the page changed on OK.

#include "report/core/rptClassPage.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPreviewDialogs.h"
#include "report/core/rptPrinter.h"
#include "report/core/rptRes.h"

#include "platform/print/PrintDevice.h"
#include "platform/print/Printers.h"
#include "platform/rtl/IniFiles.h"
#include "platform/ui/ExtCtrls.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QPixmap>
#include <QTemporaryDir>
#include <QWidget>

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

// Runs the form modally; the action fills it in and returns the button pressed.
template <class Form>
TModalResult RunForm(TUIServicesScope& ui, Form& form, std::function<TModalResult(Form*)> action) {
    ui->AnswerModal(form.Name(), [action](TCustomForm* f) {
        auto* d = dynamic_cast<Form*>(f);
        EXPECT_NE(d, nullptr);
        if (!d) return mrCancel;
        return action(d);
    });
    const TModalResult r = form.ShowModal();
    EXPECT_EQ(ui->Pending(), 0);
    return r;
}

} // namespace

TEST(SearchDialog, RemembersTheConfirmedTextOnly) {
    TUIServicesScope ui(FailOnQuestion);
    rptLastSearchText().clear();
    {
        TrptSearchDialog d(nullptr);
        EXPECT_EQ(d.Caption(), "Find Text");
        EXPECT_EQ(d.TextL->Caption(), "Text to find:");
        EXPECT_EQ(d.SearchL->Caption(), "Search options");
        EXPECT_EQ(d.ReplaceL->Caption(), "Replace with");
        EXPECT_EQ(d.TopCB->Caption(), "Search from beginning");
        EXPECT_EQ(d.CaseCB->Caption(), "Case sensitive");
        EXPECT_EQ(d.OkB->Caption(), "OK");
        EXPECT_EQ(d.CancelB->Caption(), "Cancel");
        EXPECT_FALSE(d.ReplacePanel->Visible());
        RunForm<TrptSearchDialog>(ui, d, [](TrptSearchDialog* f) {
            EXPECT_EQ(f->TextE->Text(), "");
            f->TextE->SetText(QStringLiteral("Invoice"));
            f->CaseCB->SetChecked(true);
            Keep(f, QStringLiteral("find_dialog.png"));
            return mrOk;
        });
        EXPECT_TRUE(d.CaseCB->Checked());
    }
    EXPECT_EQ(rptLastSearchText(), "Invoice");
    {
        TrptSearchDialog d(nullptr);
        RunForm<TrptSearchDialog>(ui, d, [](TrptSearchDialog* f) {
            EXPECT_EQ(f->TextE->Text(), "Invoice");
            f->TextE->SetText(QStringLiteral("something else"));
            return mrCancel;
        });
    }
    EXPECT_EQ(rptLastSearchText(), "Invoice");
    TrptSearchDialog d(nullptr);
    RunForm<TrptSearchDialog>(ui, d, [](TrptSearchDialog* f) {
        EXPECT_EQ(f->TextE->Text(), "Invoice");
        return mrCancel;
    });
}

namespace {

TPrinterDevice Laser() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = d.DpiY = 600;
    d.Papers = {{QPageSize(QPageSize::Letter), {5, 5, 5, 5}},
                {QPageSize(QPageSize::A4), {5, 5, 5, 5}},
                {QPageSize(QPageSize::A5), {5, 5, 5, 5}}};
    d.DefaultPaper = QPageSize(QPageSize::A4);
    return d;
}

class PageSettingsTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FInstalled.Names = {QStringLiteral("Laser")};
        FInstalled.DefaultName = QStringLiteral("Laser");
        FreeGlobalPrinters();
        FPreviousList = SetPrinterQuery([this] { return FInstalled; });
        FPreviousDevice = SetPrinterDeviceQuery([](const QString&) { return Laser(); });
        FReport = std::make_unique<TrptReport>(nullptr);
        FReport->SetIniFile(FDir.filePath(QStringLiteral("report.ini")));
        FPage = std::make_unique<TrptReportPage>(nullptr);
        FPage->SetPaperSize(9); // A4
        FPage->SetOrientation(poPortrait);
        FPage->SetLeftMargin(10);
        FPage->SetTopMargin(15);
        FPage->SetRightMargin(20);
        FPage->SetBottomMargin(25.4);
    }
    void TearDown() override {
        FPage.reset();
        FReport.reset();
        FreeGlobalPrinters();
        SetPrinterQuery(std::move(FPreviousList));
        SetPrinterDeviceQuery(std::move(FPreviousDevice));
    }
    void SetUnits(int units) {
        TIniFile ini(FReport->IniFile());
        ini.WriteInteger(QStringLiteral("Form.TrptDesignerForm"), QStringLiteral("Units"), units);
    }
    TModalResult RunPage(std::function<TModalResult(TrptPageSettingsForm*)> action) {
        TrptPageSettingsForm form(nullptr);
        form.SetPage(FPage.get());
        form.SetReport(FReport.get());
        const TModalResult r = RunForm<TrptPageSettingsForm>(FUI, form, std::move(action));
        FNeedRebuild = form.NeedRebuild();
        return r;
    }
    static void Choose(TComboBox* cb, const QString& text) {
        const int index = cb->Items()->IndexOf(text);
        ASSERT_GE(index, 0) << text.toStdString();
        auto* q = qobject_cast<QComboBox*>(cb->Widget());
        ASSERT_NE(q, nullptr);
        q->setCurrentIndex(index);
        emit q->activated(index);
    }
    static QString PaperName(int number) { return GlobalPrinters()->Printer()->PaperName(number); }

    QTemporaryDir FDir;
    TUIServicesScope FUI{FailOnQuestion};
    TInstalledPrinters FInstalled;
    TPrinterQuery FPreviousList;
    TPrinterDeviceQuery FPreviousDevice;
    std::unique_ptr<TrptReport> FReport;
    std::unique_ptr<TrptReportPage> FPage;
    bool FNeedRebuild = false;
};

} // namespace

TEST_F(PageSettingsTest, ShowsThePageInCentimetresWithTheTable) {
    RunPage([&](TrptPageSettingsForm* f) {
        EXPECT_EQ(f->Caption(), "Page Settings");
        EXPECT_EQ(f->SizeL->Caption(), "Size");
        EXPECT_EQ(f->MarginsL->Caption(), "Margins");
        EXPECT_EQ(f->ApplyToAllRB->Caption(), "Apply to all pages");
        EXPECT_EQ(f->UnitL1->Caption(), "cm");
        EXPECT_EQ(f->UnitL6->Caption(), "cm");
        EXPECT_EQ(f->WidthE->Text(), "21");
        EXPECT_EQ(f->HeightE->Text(), "29.70");
        EXPECT_EQ(f->MarginLeftE->Text(), "1");
        EXPECT_EQ(f->MarginBottomE->Text(), "2.54");
        EXPECT_EQ(f->SizeCB->Text(), PaperName(9));
        EXPECT_TRUE(f->PortraitRB->Checked());
        EXPECT_TRUE(f->PortraitImg->Visible());
        EXPECT_FALSE(f->LandscapeImg->Visible());
        EXPECT_TRUE(f->ApplyToCurRB->Checked());
        Keep(f, QStringLiteral("page_settings.png"));
        return mrCancel;
    });
    EXPECT_FALSE(FNeedRebuild);
}

TEST_F(PageSettingsTest, InchesShowA4As827By1169) {
    SetUnits(1);
    RunPage([&](TrptPageSettingsForm* f) {
        EXPECT_EQ(f->Units(), duInches);
        EXPECT_EQ(f->UnitL1->Caption(), "in");
        EXPECT_EQ(f->WidthE->Text(), "8.27");
        EXPECT_EQ(f->HeightE->Text(), "11.69");
        EXPECT_EQ(f->MarginBottomE->Text(), "1");
        return mrCancel;
    });
    // Pixels and characters show centimetres too.
    for (int units : {2, 3}) {
        SetUnits(units);
        RunPage([&](TrptPageSettingsForm* f) {
            EXPECT_EQ(f->UnitL2->Caption(), "cm");
            EXPECT_EQ(f->WidthE->Text(), "21");
            return mrCancel;
        });
    }
}

TEST_F(PageSettingsTest, ChoosingAPaperTakesItsSizeFromThePrinter) {
    FPage->SetPaperWidth(100); // a custom page
    FPage->SetPaperHeight(150);
    RunPage([&](TrptPageSettingsForm* f) {
        EXPECT_EQ(f->SizeCB->ItemIndex(), 0); // the custom entry
        EXPECT_EQ(f->WidthE->Text(), "10");
        Choose(f->SizeCB, PaperName(9));
        EXPECT_EQ(f->WidthE->Text(), "21");
        EXPECT_EQ(f->HeightE->Text(), "29.70");
        f->LandscapeRB->SetChecked(true);
        EXPECT_EQ(f->WidthE->Text(), "29.70");
        EXPECT_EQ(f->HeightE->Text(), "21");
        EXPECT_TRUE(f->LandscapeImg->Visible());
        EXPECT_FALSE(f->PortraitImg->Visible());
        f->MarginTopE->SetText(QStringLiteral("2"));
        f->ApplyToAllRB->SetChecked(true);
        return mrOk;
    });
    EXPECT_TRUE(FNeedRebuild);
    EXPECT_EQ(FPage->PaperSize(), 9);
    EXPECT_EQ(FPage->Orientation(), poLandscape);
    EXPECT_NEAR(FPage->PaperWidth(), 297, 0.01);
    EXPECT_NEAR(FPage->PaperHeight(), 210, 0.01);
    EXPECT_NEAR(FPage->TopMargin(), 20, 1e-9);
    EXPECT_NEAR(FPage->BottomMargin(), 25.4, 1e-9);
}

TEST_F(PageSettingsTest, CustomSizeTurnsWithTheOrientationButtons) {
    FPage->SetPaperWidth(100);
    FPage->SetPaperHeight(150);
    RunPage([&](TrptPageSettingsForm* f) {
        f->LandscapeRB->SetChecked(true);
        EXPECT_EQ(f->WidthE->Text(), "15");
        EXPECT_EQ(f->HeightE->Text(), "10");
        return mrOk;
    });
    EXPECT_EQ(FPage->PaperSize(), 256);
    EXPECT_NEAR(FPage->PaperWidth(), 150, 1e-6);
    EXPECT_NEAR(FPage->PaperHeight(), 100, 1e-6);
}

TEST_F(PageSettingsTest, TypingASizeSelectsTheCustomEntry) {
    RunPage([&](TrptPageSettingsForm* f) {
        EXPECT_EQ(f->SizeCB->Text(), PaperName(9));
        f->WidthE->SetText(QStringLiteral("12.5"));
        EXPECT_EQ(f->SizeCB->ItemIndex(), 0);
        f->HeightE->SetText(QStringLiteral("abc")); // not a number: the page keeps its height
        return mrOk;
    });
    EXPECT_EQ(FPage->PaperSize(), 256);
    EXPECT_NEAR(FPage->PaperWidth(), 125, 1e-6);
    EXPECT_NEAR(FPage->PaperHeight(), 297, 0.01);
}

TEST_F(PageSettingsTest, CancelLeavesThePage) {
    RunPage([&](TrptPageSettingsForm* f) {
        Choose(f->SizeCB, PaperName(11)); // A5
        f->MarginLeftE->SetText(QStringLiteral("5"));
        return mrCancel;
    });
    EXPECT_EQ(FPage->PaperSize(), 9);
    EXPECT_NEAR(FPage->LeftMargin(), 10, 1e-9);
}
