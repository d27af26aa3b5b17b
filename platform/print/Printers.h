#pragma once
// The printers of this machine as the rest of the program sees them: their names in the system's
// order, the default one, and which one is current for the process. With no printer installed
// the list holds one virtual printer, so page sizes and print dialogs still have something to
// work with.

#include <QString>
#include <QStringList>

#include <functional>

// What the printing system reports: its printers in list order and the default one's name
// (empty when it names none).
struct TInstalledPrinters {
    QStringList Names;
    QString DefaultName;
};

// Asks Qt Print Support (CUPS) every time; nothing is cached, printers come and go. A print
// server that does not answer at once (PrintServer.h) gives an empty list instead of a hang.
TInstalledPrinters QueryInstalledPrinters();
// What the query in force (the system's or a test's) reports now.
TInstalledPrinters InstalledPrinters();

// Tests replace the system query with their own list; an empty function puts the system query
// back. Returns the query that was in force.
using TPrinterQuery = std::function<TInstalledPrinters()>;
TPrinterQuery SetPrinterQuery(TPrinterQuery query);

// The name of the stand-in printer used when none is installed.
QString VirtualPrinterName();

// True when the printing system reports at least one printer.
bool PhysicalPrintersInstalled();

// The names a user can choose from: the installed printers, or the virtual printer alone.
QStringList PrinterNames();

// The default printer's name; with no printer installed, the virtual printer's.
QString DefaultPrinterName();

// The current printer, process-wide, as a position in PrinterNames(). It starts at the default
// printer (the first when the default is not in the list) and is remembered by name, so it
// follows its printer when others are added or removed; a current printer that disappears gives
// way to the default again.
int CurrentPrinterIndex();
QString CurrentPrinterName();
// -1 selects the default printer; any other position outside the list raises EPrinter.
void SetCurrentPrinterIndex(int index);
// Selects the printer of that name (compared ignoring case); false, and nothing changes, when
// there is none.
bool SetCurrentPrinterName(const QString& name);
