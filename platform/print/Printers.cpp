#include "platform/print/Printers.h"

#include "platform/print/PrintServer.h"

#include "platform/rtl/Exceptions.h"
#include "platform/rtl/TextCase.h"

#include <QPrinterInfo>

#include <algorithm>

namespace {

TPrinterQuery& QuerySlot() {
    static TPrinterQuery query;
    return query;
}

// The chosen printer by name; empty means "the default".
QString& CurrentName() {
    static QString name;
    return name;
}

TInstalledPrinters Installed() {
    const TPrinterQuery& query = QuerySlot();
    return query ? query() : QueryInstalledPrinters();
}

int IndexOfName(const QStringList& names, const QString& name) {
    if (name.isEmpty()) return -1;
    for (int i = 0; i < names.size(); ++i)
        if (AnsiSameText(names[i], name)) return i;
    return -1;
}

QStringList NamesOf(const TInstalledPrinters& installed) {
    return installed.Names.isEmpty() ? QStringList{VirtualPrinterName()} : installed.Names;
}

int DefaultIndexOf(const TInstalledPrinters& installed) {
    return std::max(0, IndexOfName(installed.Names, installed.DefaultName));
}

} // namespace

TInstalledPrinters QueryInstalledPrinters() {
    TInstalledPrinters result;
    if (!PrintServerAnswers(ConfiguredPrintServer())) return result;
    for (const QPrinterInfo& info : QPrinterInfo::availablePrinters())
        result.Names << info.printerName();
    result.DefaultName = QPrinterInfo::defaultPrinterName();
    return result;
}

TInstalledPrinters InstalledPrinters() {
    return Installed();
}

TPrinterQuery SetPrinterQuery(TPrinterQuery query) {
    std::swap(query, QuerySlot());
    return query;
}

QString VirtualPrinterName() {
    return QStringLiteral("Virtual");
}

bool PhysicalPrintersInstalled() {
    return !Installed().Names.isEmpty();
}

QStringList PrinterNames() {
    return NamesOf(Installed());
}

QString DefaultPrinterName() {
    const TInstalledPrinters installed = Installed();
    return NamesOf(installed).at(DefaultIndexOf(installed));
}

int CurrentPrinterIndex() {
    const TInstalledPrinters installed = Installed();
    const int chosen = IndexOfName(NamesOf(installed), CurrentName());
    return chosen >= 0 ? chosen : DefaultIndexOf(installed);
}

QString CurrentPrinterName() {
    return PrinterNames().at(CurrentPrinterIndex());
}

void SetCurrentPrinterIndex(int index) {
    if (index == -1) {
        CurrentName().clear();
        return;
    }
    const QStringList names = PrinterNames();
    if (index < 0 || index >= names.size()) throw EPrinter(QStringLiteral("Printer selected is not valid"));
    CurrentName() = names[index];
}

bool SetCurrentPrinterName(const QString& name) {
    const QStringList names = PrinterNames();
    const int index = IndexOfName(names, name);
    if (index < 0) return false;
    CurrentName() = names[index];
    return true;
}
