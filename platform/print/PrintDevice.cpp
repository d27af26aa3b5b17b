#include "platform/print/PrintDevice.h"

#include "platform/print/PrintServer.h"
#include "platform/rtl/Exceptions.h"

#include <QFile>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QPrinterInfo>

#include <algorithm>

namespace {

TPrinterDeviceQuery& QuerySlot() {
    static TPrinterDeviceQuery query;
    return query;
}

int DuplexNumber(QPrinter::DuplexMode mode) {
    switch (mode) {
    case QPrinter::DuplexLongSide: return PrinterDuplexLongEdge;
    case QPrinter::DuplexShortSide: return PrinterDuplexShortEdge;
    default: return PrinterDuplexSimplex;
    }
}

QPrinter::DuplexMode DuplexMode(int number) {
    switch (number) {
    case PrinterDuplexLongEdge: return QPrinter::DuplexLongSide;
    case PrinterDuplexShortEdge: return QPrinter::DuplexShortSide;
    default: return QPrinter::DuplexNone;
    }
}

// Device-mode bin numbers of the paper sources Qt knows.
QPrinter::PaperSource PaperSource(int bin) {
    switch (bin) {
    case 1: return QPrinter::OnlyOne;
    case 2: return QPrinter::Lower;
    case 3: return QPrinter::Middle;
    case 4: return QPrinter::Manual;
    case 5: return QPrinter::Envelope;
    case 6: return QPrinter::EnvelopeManual;
    case 8: return QPrinter::Tractor;
    case 9: return QPrinter::SmallFormat;
    case 10: return QPrinter::LargeFormat;
    case 11: return QPrinter::LargeCapacity;
    case 14: return QPrinter::Cassette;
    case 15: return QPrinter::FormSource;
    default: return bin >= 256 ? QPrinter::CustomSource : QPrinter::Auto;
    }
}

QMarginsF MillimetreMargins(const QPageLayout& layout) {
    QPageLayout inMillimetres = layout;
    inMillimetres.setUnits(QPageLayout::Millimeter);
    return inMillimetres.minimumMargins();
}

} // namespace

QMarginsF LandscapeMargins(const QMarginsF& portrait) {
    return {portrait.top(), portrait.right(), portrait.bottom(), portrait.left()};
}

TPrinterDevice QueryPrinterDevice(const QString& name) {
    TPrinterDevice device;
    if (name.isEmpty() || !PrintServerAnswers(ConfiguredPrintServer())) return device;
    const QPrinterInfo info = QPrinterInfo::printerInfo(name);
    if (info.isNull()) return device;
    QPrinter printer(info, QPrinter::HighResolution);
    if (!printer.isValid()) return device;
    device.DpiX = printer.logicalDpiX();
    device.DpiY = printer.logicalDpiY();
    device.Valid = device.DpiX > 0 && device.DpiY > 0;
    device.DefaultLandscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    printer.setPageOrientation(QPageLayout::Portrait);
    for (const QPageSize& size : info.supportedPageSizes()) {
        if (!size.isValid()) continue;
        printer.setPageSize(size);
        device.Papers.append({size, MillimetreMargins(printer.pageLayout())});
    }
    device.DefaultPaper = info.defaultPageSize();
    device.DefaultDuplex = DuplexNumber(info.defaultDuplexMode());
    return device;
}

TPrinterDeviceQuery SetPrinterDeviceQuery(TPrinterDeviceQuery query) {
    std::swap(query, QuerySlot());
    return query;
}

TPrinterDevice PrinterDevice(const QString& name) {
    const TPrinterDeviceQuery& query = QuerySlot();
    return query ? query(name) : QueryPrinterDevice(name);
}

// ---------------------------------------------------------------------------------------------

TPrintJob::TPrintJob(const TPrintJobSettings& settings) : FSettings(settings) {
    FSettings.DpiX = std::max(1, FSettings.DpiX);
    FSettings.DpiY = std::max(1, FSettings.DpiY);
    if (FSettings.FileName.isEmpty()) {
        const QPrinterInfo info = PrintServerAnswers(ConfiguredPrintServer())
                                      ? QPrinterInfo::printerInfo(FSettings.PrinterName)
                                      : QPrinterInfo();
        if (info.isNull())
            throw EPrinter(QStringLiteral("The printer \"%1\" is not available").arg(FSettings.PrinterName));
        FPrinter = std::make_unique<QPrinter>(info, QPrinter::HighResolution);
    } else {
        FPrinter = std::make_unique<QPrinter>(QPrinter::HighResolution);
        FPrinter->setOutputFormat(QPrinter::PdfFormat);
        FPrinter->setOutputFileName(FSettings.FileName);
    }
    FPrinter->setDocName(FSettings.Title);
    FPrinter->setCreator(QStringLiteral("Korvel"));
    FPrinter->setFullPage(false);
    // One resolution for the device; a printer with two is drawn through a scale per axis.
    FPrinter->setResolution(std::max(FSettings.DpiX, FSettings.DpiY));
    ApplyPage();
}

TPrintJob::~TPrintJob() {
    if (Active()) Abort();
}

void TPrintJob::ApplyPage() {
    const TPrintPage& page = FSettings.Page;
    FPrinter->setPageLayout(QPageLayout(page.Size,
                                        page.Landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                                        page.Margins, QPageLayout::Millimeter));
    // Fixed once the document is open; the printer refuses it then.
    if (!FStarted) FPrinter->setCopyCount(std::max(1, page.Copies));
    FPrinter->setPaperSource(PaperSource(page.Bin));
    FPrinter->setDuplex(DuplexMode(page.Duplex));
}

void TPrintJob::SetPage(const TPrintPage& page) {
    FSettings.Page = page;
    ApplyPage();
}

void TPrintJob::SetScale() {
    const double resolution = FPrinter->resolution();
    FPainter->resetTransform();
    FPainter->scale(resolution / FSettings.DpiX, resolution / FSettings.DpiY);
}

void TPrintJob::BeginPage() {
    if (FFinished) throw EPrinter(QStringLiteral("The print job has already ended"));
    if (FInPage) EndPage();
    if (!FStarted) {
        FPainter = std::make_unique<QPainter>();
        if (!FPainter->begin(FPrinter.get())) {
            FPainter.reset();
            throw EPrinter(FSettings.FileName.isEmpty()
                               ? QStringLiteral("Cannot print on \"%1\"").arg(FSettings.PrinterName)
                               : QStringLiteral("Cannot write the file \"%1\"").arg(FSettings.FileName));
        }
        FStarted = true;
    } else if (!FPrinter->newPage()) {
        throw EPrinter(QStringLiteral("Cannot start a new page on \"%1\"")
                           .arg(FSettings.FileName.isEmpty() ? FSettings.PrinterName : FSettings.FileName));
    }
    SetScale();
    FInPage = true;
    ++FPageCount;
}

void TPrintJob::EndPage() {
    FInPage = false;
}

void TPrintJob::End() {
    FInPage = false;
    if (FStarted && !FFinished) FPainter->end();
    FFinished = true;
}

void TPrintJob::Abort() {
    FInPage = false;
    if (FStarted && !FFinished) {
        FPrinter->abort();
        if (FPainter->isActive()) FPainter->end();
        // The PDF writer cannot abort: what it wrote is removed instead.
        if (!FSettings.FileName.isEmpty()) QFile::remove(FSettings.FileName);
    }
    FFinished = true;
}
