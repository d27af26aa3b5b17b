// One job through the real printer class into a PDF file (print to file), read back with
// pdfinfo: the sheets, their paper, the title; and a printer that disappears before the job.

#include "PrintFakes.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintLoop.h"

#include "platform/print/PrintDevice.h"
#include "platform/print/Printers.h"
#include "platform/ui/UIServices.h"

#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace printtest;

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

TPrinterDevice Office() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = d.DpiY = 300;
    d.Papers = {{QPageSize(QPageSize::A4), {4, 4, 4, 4}},
                {QPageSize(QPageSize::A5), {4, 4, 4, 4}},
                {QPageSize(QPageSize::A3), {4, 4, 4, 4}}};
    d.DefaultPaper = QPageSize(QPageSize::A4);
    return d;
}

// The installed printers for one test; the report's printer list is made afresh.
class RealJob : public ::testing::Test {
protected:
    void SetUp() override {
        FreeGlobalPrinters();
        FPreviousList = SetPrinterQuery([this] { return Installed; });
        FPreviousDevice = SetPrinterDeviceQuery([this](const QString& name) {
            return Gone.contains(name) ? TPrinterDevice() : Office();
        });
        ASSERT_TRUE(Dir.isValid());
        Report.ReportOptions()->SetName(QStringLiteral("Monthly sales"));
        Report.PrintOptions()->SetShowDialog(false);
    }
    void TearDown() override {
        FreeGlobalPrinters();
        SetPrinterQuery(std::move(FPreviousList));
        SetPrinterDeviceQuery(std::move(FPreviousDevice));
    }

    struct Info {
        int Pages = 0;
        QString Title;
        QStringList Sizes;
    };
    static Info PdfInfo(const QString& file) {
        Info info;
        const QString tool = QStringLiteral(KORVEL_PDFINFO);
        if (tool.isEmpty() || tool.endsWith(QLatin1String("NOTFOUND"))) {
            ADD_FAILURE() << "pdfinfo is missing (poppler-utils, tools/deps.sh)";
            return info;
        }
        QProcess run;
        run.start(tool, {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("99"), file});
        if (!run.waitForFinished(30000) || run.exitCode() != 0) {
            ADD_FAILURE() << "pdfinfo failed: " << run.readAllStandardError().toStdString();
            return info;
        }
        const QString out = QString::fromUtf8(run.readAllStandardOutput());
        info.Pages = QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)$"), QRegularExpression::MultilineOption)
                         .match(out)
                         .captured(1)
                         .toInt();
        info.Title = QRegularExpression(QStringLiteral("^Title:\\s+(.*)$"), QRegularExpression::MultilineOption)
                         .match(out)
                         .captured(1)
                         .trimmed();
        const QRegularExpression size(QStringLiteral("^Page\\s+\\d+ size:\\s+([\\d.]+) x ([\\d.]+) pts"),
                                      QRegularExpression::MultilineOption);
        for (auto it = size.globalMatch(out); it.hasNext();) {
            const auto m = it.next();
            info.Sizes << QStringLiteral("%1x%2").arg(qRound(m.captured(1).toDouble())).arg(qRound(m.captured(2).toDouble()));
        }
        return info;
    }

    TInstalledPrinters Installed{{QStringLiteral("Office")}, QStringLiteral("Office")};
    QStringList Gone;
    QTemporaryDir Dir;
    TrptReport Report;
    QStringList Log;
    RecordedPages Pages{&Report, &Log};
    TUIServicesScope UI{FailOnQuestion};

private:
    TPrinterQuery FPreviousList;
    TPrinterDeviceQuery FPreviousDevice;
};

TEST_F(RealJob, PagesOfTwoPapersInOnePdf) {
    Pages.Add(9, 210, 297);
    Pages.Add(11, 148, 210);
    Pages.Add(9, 210, 297, poLandscape);
    const QString file = Dir.filePath(QStringLiteral("job.pdf"));
    Report.PrintOptions()->SetPrnOutFileName(file);
    ASSERT_TRUE(PrintPreparedPages(&Report, &Pages));
    ASSERT_TRUE(QFileInfo::exists(file));
    const Info info = PdfInfo(file);
    EXPECT_EQ(info.Pages, 3);
    EXPECT_EQ(info.Title, "Monthly sales");
    // A4 portrait, A5 portrait, A4 landscape, in points.
    EXPECT_EQ(info.Sizes, QStringList({"595x842", "420x595", "842x595"}));
    EXPECT_EQ(Log.size(), 3);
}

TEST_F(RealJob, CollatedCopiesAndJoinedPagesMakeTheirSheets) {
    Pages.AddMany(3, 11, 148, 210);
    const QString file = Dir.filePath(QStringLiteral("join.pdf"));
    TrptPrintOptions* o = Report.PrintOptions();
    o->SetPrnOutFileName(file);
    o->SetPrintMode(pmJoin);
    o->SetPrintOnSheet(9);
    ASSERT_TRUE(PrintPreparedPages(&Report, &Pages));
    const Info info = PdfInfo(file);
    // Three A5 pages two-up: two landscape A4 sheets.
    EXPECT_EQ(info.Pages, 2);
    EXPECT_EQ(info.Sizes, QStringList({"842x595", "842x595"}));
}

TEST_F(RealJob, APrinterThatDisappearsFailsNamingIt) {
    Installed = {{QStringLiteral("Office"), QStringLiteral("Labels")}, QStringLiteral("Office")};
    Pages.AddMany(1);
    Report.PrintOptions()->SetPrinter(QStringLiteral("Labels"));
    Report.PrintOptions()->SetPrnOutFileName(Dir.filePath(QStringLiteral("gone.pdf")));
    // The printer is listed, but its device no longer answers when the job starts.
    Gone << QStringLiteral("Labels");
    UI->AnswerMessage(mrOk, QStringLiteral("Printer selected is not valid: Labels"));
    EXPECT_FALSE(PrintPreparedPages(&Report, &Pages));
    EXPECT_FALSE(QFileInfo::exists(Dir.filePath(QStringLiteral("gone.pdf"))));
    UI->Verify();
}

TEST_F(RealJob, NoPrinterInstalled) {
    Installed = {};
    Pages.AddMany(1);
    UI->AnswerMessage(mrOk, QStringLiteral("No printers installed on your system"));
    EXPECT_FALSE(PrintPreparedPages(&Report, &Pages));
    UI->Verify();
}

} // namespace
