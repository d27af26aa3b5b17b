#pragma once
// Printers described by the tests instead of the machine's: the installed list and each printer's
// device. The report's printer list is made again for every world and freed after it.

#include "platform/print/PrintDevice.h"
#include "platform/print/Printers.h"
#include "report/core/rptPrinter.h"

#include <QMap>

#include <gtest/gtest.h>

namespace printertest {

inline void FailOnQuestion(const QString& question) {
    ADD_FAILURE() << "unexpected: " << question.toStdString();
}

inline TPrinterPaper Paper(QPageSize::PageSizeId id, QMarginsF margins = {4, 4, 4, 4}) {
    return {QPageSize(id), margins};
}

// A paper only its printer names (no standard size matches).
inline TPrinterPaper OwnPaper(const QString& name, double width, double height,
                              QMarginsF margins = {3, 3, 3, 3}) {
    return {QPageSize(QSizeF(width, height), QPageSize::Millimeter, name, QPageSize::ExactMatch), margins};
}

// A 600 DPI office printer: A4 (its default) with uneven margins, Letter, Envelope DL, A6 (no
// number in the paper table), a photo paper of its own and a second name for the same size,
// three bins besides the automatic one, long-edge duplex by default.
inline TPrinterDevice OfficeLaser() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = d.DpiY = 600;
    d.Papers = {Paper(QPageSize::A4, {4.5, 5.5, 6.2, 7.49}),
                Paper(QPageSize::Letter, {6.35, 6.35, 6.35, 6.35}),
                Paper(QPageSize::EnvelopeDL),
                Paper(QPageSize::A6),
                OwnPaper(QStringLiteral("Photo 4x6"), 101.6, 152.4),
                OwnPaper(QStringLiteral("Index card 4x6"), 101.6, 152.4)};
    d.DefaultPaper = QPageSize(QPageSize::A4);
    d.Bins = {{1, QStringLiteral("Upper tray")},
              {7, QStringLiteral("Automatic")},
              {2, QStringLiteral("Lower tray")},
              {260, QStringLiteral("Tray 5")}};
    d.DefaultBin = 1;
    d.DefaultDuplex = PrinterDuplexLongEdge;
    return d;
}

// A printer with another resolution per axis, landscape by default on A3.
inline TPrinterDevice Plotter() {
    TPrinterDevice d;
    d.Valid = true;
    d.DpiX = 300;
    d.DpiY = 600;
    d.Papers = {Paper(QPageSize::A3, {10, 12, 10, 12}), Paper(QPageSize::A6),
                OwnPaper(QStringLiteral("Photo 4x6"), 101.6, 152.4)};
    d.DefaultPaper = QPageSize(QPageSize::A3);
    d.DefaultLandscape = true;
    return d;
}

class PrinterWorld {
public:
    // names empty: no printer installed.
    explicit PrinterWorld(const QStringList& names = {}, const QString& defaultName = {}) {
        FInstalled.Names = names;
        FInstalled.DefaultName = defaultName;
        FreeGlobalPrinters();
        FPreviousList = SetPrinterQuery([this] { return FInstalled; });
        FPreviousDevice = SetPrinterDeviceQuery([this](const QString& name) {
            ++FDeviceQueries[name];
            return FDevices.value(name);
        });
    }
    ~PrinterWorld() {
        FreeGlobalPrinters();
        SetPrinterQuery(std::move(FPreviousList));
        SetPrinterDeviceQuery(std::move(FPreviousDevice));
    }
    PrinterWorld(const PrinterWorld&) = delete;
    PrinterWorld& operator=(const PrinterWorld&) = delete;

    PrinterWorld& Device(const QString& name, const TPrinterDevice& device) {
        FDevices[name] = device;
        return *this;
    }
    void SetDefault(const QString& name) { FInstalled.DefaultName = name; }
    int DeviceQueries(const QString& name) const { return FDeviceQueries.value(name); }

private:
    TInstalledPrinters FInstalled;
    QMap<QString, TPrinterDevice> FDevices;
    QMap<QString, int> FDeviceQueries;
    TPrinterQuery FPreviousList;
    TPrinterDeviceQuery FPreviousDevice;
};

} // namespace printertest
