// The HTML export's option window driven through the UI services: texts, the filter's settings
// loaded and set from the answers, every picture type kept by OK, the save dialog, slave exports.

#include "report/core/rptClassReport.h"
#include "report/export/rptHTMLExport.h"
#include "report/export/rptHTMLExportDialog.h"

#include "platform/rtl/Streams.h"
#include "platform/sys/TempFiles.h"
#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QGuiApplication>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected question: " << question.toStdString(); }

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptHTMLExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptHTMLExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptHTMLExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

TEST(HTMLDialog, TextsAndAnswersSetTheFilter) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Invoices.de3"));
    TrptHTMLExport f(nullptr);
    f.SetReport(&report);
    f.SetPageNumbers(QStringLiteral("1-2"));
    f.SetDefaultPath(QStringLiteral("/data/out"));
    Answer(ui, [](TrptHTMLExportDialog* d) {
        EXPECT_EQ(d->Caption(), QStringLiteral("Export to HTML table"));
        EXPECT_EQ(d->StylesCB->Caption(), QStringLiteral("Styles"));
        EXPECT_EQ(d->PicsSameCB->Caption(), QStringLiteral("All in one folder"));
        EXPECT_EQ(d->NavigatorCB->Caption(), QStringLiteral("Page navigator"));
        EXPECT_EQ(d->FixWidthCB->Caption(), QStringLiteral("Fixed width"));
        EXPECT_EQ(d->MultipageCB->Caption(), QStringLiteral("Multipage"));
        EXPECT_EQ(d->BackgrCB->Caption(), QStringLiteral("Background"));
        EXPECT_EQ(d->PicturesL->Caption(), QStringLiteral("Pictures"));
        EXPECT_EQ(d->OpenAfterCB->Caption(), QStringLiteral("Open after export"));
        EXPECT_EQ(d->OkB->Caption(), QStringLiteral("OK"));
        EXPECT_EQ(d->CancelB->Caption(), QStringLiteral("Cancel"));
        const char* items[] = {"None", "JPEG", "BMP", "GIF", "PNG"};
        EXPECT_EQ(d->PFormatCB->Items()->Count(), 5);
        for (int i = 0; i < 5 && i < d->PFormatCB->Items()->Count(); ++i)
            EXPECT_EQ(d->PFormatCB->Items()->Get(i), QString::fromLatin1(items[i]));
        EXPECT_EQ(d->PFormatCB->Style(), csDropDownList);
        // The class defaults.
        EXPECT_TRUE(d->StylesCB->Checked() && d->FixWidthCB->Checked());
        EXPECT_FALSE(d->PicsSameCB->Checked() || d->NavigatorCB->Checked() || d->MultipageCB->Checked() ||
                     d->BackgrCB->Checked() || d->OpenAfterCB->Checked());
        EXPECT_EQ(d->PFormatCB->Text(), QStringLiteral("PNG"));
        EXPECT_TRUE(d->PageNumbersRB->Checked());
        EXPECT_EQ(d->PageNumbersE->Text(), QStringLiteral("1-2"));
        EXPECT_EQ(d->SaveDialog1->FileName(), QStringLiteral("Invoices.html"));
        EXPECT_EQ(d->SaveDialog1->Filter(), QStringLiteral("HTML file (*.html)|*.html"));
        EXPECT_EQ(d->SaveDialog1->DefaultExt(), QStringLiteral(".html"));
        QChar key = QLatin1Char('x');
        d->PageNumbersEKeyPress(nullptr, key);
        EXPECT_TRUE(key.isNull());
        key = QLatin1Char('7');
        d->PageNumbersEKeyPress(nullptr, key);
        EXPECT_EQ(key, QLatin1Char('7'));
        d->CurPageRB->SetChecked(true);
        d->StylesCB->SetChecked(false);
        d->FixWidthCB->SetChecked(false);
        d->PicsSameCB->SetChecked(true);
        d->NavigatorCB->SetChecked(true);
        d->MultipageCB->SetChecked(true);
        d->BackgrCB->SetChecked(true);
        d->OpenAfterCB->SetChecked(true);
        d->PFormatCB->SetItemIndex(3);
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/tmp/out/march.html")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_TRUE(f.CurPage());
    EXPECT_TRUE(f.PageNumbers().isEmpty());
    EXPECT_FALSE(f.ExportStyles());
    EXPECT_FALSE(f.FixedWidth());
    EXPECT_TRUE(f.PicsInSameFolder() && f.Navigator() && f.Multipage() && f.Background() && f.OpenAfterExport());
    EXPECT_TRUE(f.ExportPictures());
    EXPECT_EQ(f.PictureType(), gpGIF);
    EXPECT_EQ(f.FileName(), QStringLiteral("/tmp/out/march.html"));
}

// Confirming the window unchanged keeps the picture setting, PNG included.
TEST(HTMLDialog, EveryPictureTypeSurvivesOk) {
    struct {
        bool pictures;
        TrptPictureType type;
        const char* shown;
    } cases[] = {
        {true, gpPNG, "PNG"}, {true, gpJPG, "JPEG"}, {true, gpBMP, "BMP"},
        {true, gpGIF, "GIF"}, {false, gpPNG, "None"}, {false, gpBMP, "None"},
    };
    for (const auto& c : cases) {
        TUIServicesScope ui(FailOnQuestion);
        TrptHTMLExport f(nullptr);
        f.SetExportPictures(c.pictures);
        f.SetPictureType(c.type);
        f.SetFileName(QStringLiteral("/tmp/x.html"));
        QString shown;
        Answer(ui, [&shown](TrptHTMLExportDialog* d) {
            shown = d->PFormatCB->Text();
            return mrOk;
        });
        ui->AnswerFile({QStringLiteral("/tmp/x.html")});
        EXPECT_EQ(f.ShowModal(), mrOk);
        EXPECT_EQ(shown, QString::fromLatin1(c.shown));
        EXPECT_EQ(f.ExportPictures(), c.pictures) << c.shown;
        EXPECT_EQ(f.PictureType(), c.type) << c.shown;
    }
    // And each item sets its type.
    const TrptPictureType byItem[] = {gpPNG, gpJPG, gpBMP, gpGIF, gpPNG};
    for (int item = 1; item < 5; ++item) {
        TUIServicesScope ui(FailOnQuestion);
        TrptHTMLExport f(nullptr);
        f.SetFileName(QStringLiteral("/tmp/x.html"));
        f.SetPictureType(gpEMF);
        Answer(ui, [item](TrptHTMLExportDialog* d) {
            d->PFormatCB->SetItemIndex(item);
            return mrOk;
        });
        ui->AnswerFile({QStringLiteral("/tmp/x.html")});
        EXPECT_EQ(f.ShowModal(), mrOk);
        EXPECT_EQ(f.PictureType(), byItem[item]) << item;
        EXPECT_TRUE(f.ExportPictures());
    }
}

TEST(HTMLDialog, CancelLeavesTheFilterAlone) {
    TUIServicesScope ui(FailOnQuestion);
    TrptHTMLExport f(nullptr);
    Answer(ui, [](TrptHTMLExportDialog* d) {
        d->MultipageCB->SetChecked(true);
        return mrCancel;
    });
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_FALSE(f.Multipage());
    EXPECT_EQ(ui->Pending(), 0);
}

TEST(HTMLDialog, CancelledSaveDialogCancels) {
    TUIServicesScope ui(FailOnQuestion);
    TrptHTMLExport f(nullptr);
    Answer(ui, [](TrptHTMLExportDialog*) { return mrOk; });
    ui->CancelFile();
    EXPECT_EQ(f.ShowModal(), mrCancel);
    EXPECT_TRUE(f.FileName().isEmpty());
}

TEST(HTMLDialog, SlaveExportLocksTheLayoutAndAsksNoFile) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Invoices.de3"));
    TrptHTMLExport f(nullptr);
    f.SetReport(&report);
    f.SetSlaveExport(true);
    f.SetOpenAfterExport(true);
    f.SetMultipage(true);
    f.SetNavigator(true);
    f.SetExportPictures(false);
    Answer(ui, [](TrptHTMLExportDialog* d) {
        EXPECT_FALSE(d->OpenAfterCB->Visible());
        EXPECT_FALSE(d->MultipageCB->Enabled() || d->BackgrCB->Enabled() || d->NavigatorCB->Enabled() ||
                     d->PicsSameCB->Enabled());
        EXPECT_FALSE(d->MultipageCB->Checked() || d->NavigatorCB->Checked() || d->OpenAfterCB->Checked());
        EXPECT_TRUE(d->PicsSameCB->Checked());
        EXPECT_EQ(d->PFormatCB->Text(), QStringLiteral("PNG"));
        return mrOk;
    });
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_FALSE(f.OpenAfterExport() || f.Multipage() || f.Navigator() || f.Background());
    EXPECT_TRUE(f.ExportPictures() && f.PicsInSameFolder());
    EXPECT_EQ(f.FileName(), TempFolderPath() + QStringLiteral("Invoices.html"));
}

TEST(HTMLDialog, StreamNeedsNoWindow) {
    TUIServicesScope ui(FailOnQuestion);
    TMemoryStream stream;
    TrptHTMLExport f(nullptr);
    f.SetStream(&stream);
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
}

TEST(HTMLDialog, RightToLeftMirrorsTheControls) {
    const Qt::LayoutDirection was = QGuiApplication::layoutDirection();
    QGuiApplication::setLayoutDirection(Qt::RightToLeft);
    TrptHTMLExportDialog d(nullptr);
    QGuiApplication::setLayoutDirection(was);
    // Left to right the OK button stands at 128 and "Styles" at 12 in its group.
    EXPECT_EQ(d.OkB->Left(), d.ClientWidth() - 128 - 75);
    EXPECT_EQ(d.StylesCB->Left(), d.GroupQuality->ClientWidth() - 12 - 125);
    TrptHTMLExportDialog ltr(nullptr);
    EXPECT_EQ(ltr.OkB->Left(), 128);
}

} // namespace
