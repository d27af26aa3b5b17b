// The picture exports' option window: texts, the filter's settings loaded and stored, quality
// and resolution checked with the window staying open, slave exports, the save dialog.

#include "report/core/rptClassReport.h"
#include "report/export/rptExportImage.h"
#include "report/export/rptIMGExportDialog.h"

#include "platform/ui/Dialogs.h"
#include "platform/ui/StdCtrls.h"
#include "platform/ui/UIServices.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

void FailOnQuestion(const QString& question) { ADD_FAILURE() << "unexpected question: " << question.toStdString(); }

void Answer(TUIServicesScope& ui, std::function<TModalResult(TrptIMGExportDialog*)> action) {
    ui->AnswerModal(QStringLiteral("rptIMGExportDialog"), [action](TCustomForm* f) {
        auto* d = dynamic_cast<TrptIMGExportDialog*>(f);
        EXPECT_NE(d, nullptr);
        return d ? action(d) : mrCancel;
    });
}

} // namespace

TEST(ImageDialog, TextsAndFilters) {
    TrptJPEGExport j(nullptr);
    TrptTIFFExport t(nullptr);
    EXPECT_EQ(j.GetDescription(), "JPEG image");
    EXPECT_EQ(t.GetDescription(), "TIFF image");
    EXPECT_EQ(j.FilterDesc(), "Jpeg image (*.jpg)|*.jpg");
    EXPECT_EQ(t.FilterDesc(), "Tiff image (*.tif)|*.tif");
    EXPECT_EQ(j.DefaultExt(), ".jpg");
    EXPECT_EQ(t.DefaultExt(), ".tif");
    TrptIMGExportDialog d(nullptr);
    d.SetFilter(&t);
    EXPECT_EQ(d.Caption(), "Export Settings");
    EXPECT_EQ(d.SeparateCB->Caption(), "Separate files");
    EXPECT_EQ(d.Mono->Caption(), "Monochrome");
    EXPECT_EQ(d.CropPage->Caption(), "Crop pages");
    EXPECT_EQ(d.Label2->Caption(), "JPEG quality");
    EXPECT_EQ(d.Label1->Caption(), "Resolution (dpi) 1-2400");
    EXPECT_EQ(d.SaveDialog1->Filter(), "Tiff image (*.tif)|*.tif");
    EXPECT_EQ(d.SaveDialog1->DefaultExt(), ".tif");
    // Page numbers: digits, commas, dashes and backspace only; typing selects "Pages:".
    const QChar allowed[] = {QLatin1Char('7'), QLatin1Char(','), QLatin1Char('-'), QChar(8)};
    for (const QChar c : allowed) {
        QChar k = c;
        d.PageNumbersEKeyPress(nullptr, k);
        EXPECT_EQ(k, c);
    }
    QChar k = QLatin1Char('a');
    d.PageNumbersEKeyPress(nullptr, k);
    EXPECT_EQ(k, QChar());
    d.PageNumbersE->SetText(QStringLiteral("2"));
    EXPECT_TRUE(d.PageNumbersRB->Checked());
}

// Bad numbers are explained and the window comes back with the answers as given; good ones are
// stored and the save dialog asks for the file.
TEST(ImageDialog, QualityAndResolutionAreChecked) {
    TUIServicesScope ui(FailOnQuestion);
    TrptReport report;
    report.SetFileName(QStringLiteral("/data/reports/Stock.de3"));
    TrptJPEGExport f(nullptr);
    f.SetReport(&report);
    f.SetDefaultPath(QStringLiteral("/srv/pictures"));
    struct {
        const char *Quality, *Resolution, *Message;
    } bad[] = {{"high", "96", "\"high\" is not a whole number"},
               {"0", "96", "0 is outside 1 to 100"},
               {"101", "96", "101 is outside 1 to 100"},
               {"80", "1.5", "\"1.5\" is not a whole number"},
               {"80", "0", "0 is outside 1 to 2400"},
               {"80", "1000000", "1000000 is outside 1 to 2400"}};
    bool first = true;
    for (const auto& b : bad) {
        Answer(ui, [b, first](TrptIMGExportDialog* d) {
            if (first) {
                EXPECT_EQ(d->Quality->Text(), "90");
                EXPECT_TRUE(d->Quality->Enabled());
                EXPECT_EQ(d->Resolution->Text(), "96");
                EXPECT_TRUE(d->SeparateCB->Checked());
                EXPECT_TRUE(d->SeparateCB->Visible());
                EXPECT_EQ(d->SaveDialog1->FileName(), "Stock.jpg");
                d->Mono->SetChecked(true);
                d->CropPage->SetChecked(true);
                d->SeparateCB->SetChecked(false);
                d->PageNumbersE->SetText(QStringLiteral("1,3-4"));
            } else {
                // The answers come back as they were given.
                EXPECT_TRUE(d->Mono->Checked());
                EXPECT_EQ(d->PageNumbersE->Text(), "1,3-4");
            }
            d->Quality->SetText(QString::fromLatin1(b.Quality));
            d->Resolution->SetText(QString::fromLatin1(b.Resolution));
            return mrOk;
        });
        ui->AnswerMessage(mrOk, QString::fromLatin1(b.Message));
        first = false;
    }
    Answer(ui, [](TrptIMGExportDialog* d) {
        d->Quality->SetText(QStringLiteral("75"));
        d->Resolution->SetText(QStringLiteral(" 300 "));
        return mrOk;
    });
    ui->AnswerFile({QStringLiteral("/srv/pictures/stock.jpg")});
    EXPECT_EQ(f.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_EQ(f.JPEGQuality(), 75);
    EXPECT_EQ(f.Resolution(), 300);
    EXPECT_TRUE(f.Monochrome());
    EXPECT_TRUE(f.CropImages());
    EXPECT_FALSE(f.SeparateFiles());
    EXPECT_EQ(f.PageNumbers(), "1,3-4");
    EXPECT_EQ(f.FileName(), "/srv/pictures/stock.jpg");
}

// Cancel keeps every setting; the TIFF export ignores the quality box; a slave export hides the
// separate-files box and asks for no file.
TEST(ImageDialog, CancelTiffAndSlave) {
    TUIServicesScope ui(FailOnQuestion);
    TrptTIFFExport t(nullptr);
    t.SetResolution(150);
    Answer(ui, [](TrptIMGExportDialog* d) {
        EXPECT_FALSE(d->Quality->Enabled());
        d->Quality->SetText(QStringLiteral("not a number"));
        d->Resolution->SetText(QStringLiteral("200"));
        d->CurPageRB->SetChecked(true);
        return mrOk;
    });
    ui->CancelFile();
    EXPECT_EQ(t.ShowModal(), mrCancel);
    EXPECT_EQ(t.Resolution(), 200);
    EXPECT_TRUE(t.CurPage());
    Answer(ui, [](TrptIMGExportDialog* d) {
        d->Resolution->SetText(QStringLiteral("72"));
        return mrCancel;
    });
    EXPECT_EQ(t.ShowModal(), mrCancel);
    EXPECT_EQ(t.Resolution(), 200);
    t.SetSlaveExport(true);
    Answer(ui, [](TrptIMGExportDialog* d) {
        EXPECT_FALSE(d->SeparateCB->Visible());
        EXPECT_FALSE(d->SeparateCB->Checked());
        QApplication::processEvents();
        const QString dir = QDir::current().filePath(QStringLiteral("screenshots"));
        QDir().mkpath(dir);
        EXPECT_TRUE(d->Widget()->grab().save(dir + QStringLiteral("/image_export_dialog.png")));
        return mrOk;
    });
    EXPECT_EQ(t.ShowModal(), mrOk);
    EXPECT_EQ(ui->Pending(), 0);
    EXPECT_FALSE(t.SeparateFiles());
}
