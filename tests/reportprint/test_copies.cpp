// Uncollated copies are the printer's: their count is given before the document begins and is
// not touched while it is open, also when the paper changes from page to page. Checked with the
// recording printer (the calls) and with the real printer class printing into a PDF file (no
// complaint from the device about a copy count changed during the job).

#include "PrintFakes.h"

#include "report/core/rptClassOptions.h"
#include "report/core/rptClassReport.h"
#include "report/core/rptPrintLoop.h"

#include "platform/print/PrintDevice.h"
#include "platform/print/Printers.h"
#include "platform/ui/UIServices.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace printtest;

namespace {

void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

QStringList* GMessages = nullptr;
void CollectMessages(QtMsgType type, const QMessageLogContext&, const QString& text) {
    // The offscreen platform cannot raise the progress window; that says nothing about printing.
    if (text.contains(QLatin1String("does not support raise()"))) return;
    if (GMessages && type != QtDebugMsg && type != QtInfoMsg) *GMessages << text;
}

void AddThreePapers(RecordedPages& pages) {
    pages.Add(9, 210, 297);
    pages.Add(11, 148, 210);
    pages.Add(9, 210, 297, poLandscape);
}

TEST(PrintCopies, UncollatedCountGoesToThePrinterBeforeTheDocument) {
    RecordingPrinter printer;
    TrptCustomPrinter* previous = SetPrintLoopPrinter(&printer);
    TUIServicesScope ui{FailOnQuestion};
    TrptReport report;
    RecordedPages pages(&report, &printer.Log);
    AddThreePapers(pages);
    report.PrintOptions()->SetShowDialog(false);
    report.PrintOptions()->SetCopies(3);
    report.PrintOptions()->SetCollate(false);
    EXPECT_TRUE(PrintPreparedPages(&report, &pages));
    SetPrintLoopPrinter(previous);

    const qsizetype begin = printer.Log.indexOf(QRegularExpression(QStringLiteral("BeginDoc.*")));
    ASSERT_GT(begin, 0);
    EXPECT_TRUE(printer.Log.first().startsWith(QLatin1String("Params ")));
    int params = 0;
    for (const QString& line : printer.Log)
        if (line.startsWith(QLatin1String("Params "))) {
            ++params;
            EXPECT_TRUE(line.endsWith(QLatin1String(" copies 3"))) << line.toStdString();
        }
    // A new paper for each page, each with the job's count; every page drawn once.
    EXPECT_EQ(params, 3);
    EXPECT_EQ(printer.Log.count(QStringLiteral("BeginPage")), 3);
}

TEST(PrintCopies, RealPrinterKeepsTheCountWhileTheDocumentIsOpen) {
    TPrinterDevice device;
    device.Valid = true;
    device.DpiX = device.DpiY = 300;
    device.Papers = {{QPageSize(QPageSize::A4), {4, 4, 4, 4}}, {QPageSize(QPageSize::A5), {4, 4, 4, 4}}};
    device.DefaultPaper = QPageSize(QPageSize::A4);
    FreeGlobalPrinters();
    TPrinterQuery previousList = SetPrinterQuery([] { return TInstalledPrinters{{QStringLiteral("Office")}, QStringLiteral("Office")}; });
    TPrinterDeviceQuery previousDevice = SetPrinterDeviceQuery([&](const QString&) { return device; });
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString file = dir.filePath(QStringLiteral("copies.pdf"));

    QStringList messages;
    GMessages = &messages;
    const QtMessageHandler previousHandler = qInstallMessageHandler(CollectMessages);
    {
        TUIServicesScope ui{FailOnQuestion};
        TrptReport report;
        QStringList log;
        RecordedPages pages(&report, &log);
        AddThreePapers(pages);
        report.PrintOptions()->SetShowDialog(false);
        report.PrintOptions()->SetPrnOutFileName(file);
        report.PrintOptions()->SetCopies(3);
        report.PrintOptions()->SetCollate(false);
        EXPECT_TRUE(PrintPreparedPages(&report, &pages));
        EXPECT_EQ(log.size(), 3);
    }
    qInstallMessageHandler(previousHandler);
    GMessages = nullptr;
    FreeGlobalPrinters();
    SetPrinterQuery(std::move(previousList));
    SetPrinterDeviceQuery(std::move(previousDevice));

    EXPECT_TRUE(messages.isEmpty()) << messages.join(QLatin1Char('\n')).toStdString();
    EXPECT_TRUE(QFileInfo(file).size() > 0);
}

} // namespace
