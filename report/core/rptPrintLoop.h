#pragma once
// The two loops over a prepared report for outside consumers: printing (copies, collation,
// duplex, page ranges, odd/even pages, reverse order; default, split, join and scale modes) and
// exporting (every page and its objects handed to an export filter). The report's Print and
// Export (rptRunControl.h) call them; the preview may call them directly.

#include "platform/rtl/Exceptions.h"

class TrptReport;
class TrptCustomPreviewPages;
class TrptCustomExportFilter;
class TrptCustomPrinter;

// Raised while exporting when the report was terminated (the progress window's Cancel).
KORVEL_EXCEPTION(EExportTerminated, Exception)

// How many sheets of size Piece cover Size (millimetres): a remainder under 11 mm earns no
// further sheet.
int SheetPieces(double Size, double Piece);

// Sheets of C x D across (X) and down (Y) covering A x B; Rotated when turning the sheet needs
// fewer of them (X and Y are then those of the turned sheet).
struct TrptSheetArrangement {
    int X = 1;
    int Y = 1;
    bool Rotated = false;
};
TrptSheetArrangement ArrangeSheets(double A, double B, double C, double D);

// Rounding of the loops: to the nearest integer, halves to even.
double PrintRound(double Value);

// The printer the loops use instead of the printer list's current one (hosts and tests); null
// goes back to the list. Returns the previous one. Not owned.
TrptCustomPrinter* SetPrintLoopPrinter(TrptCustomPrinter* Printer);
// The printer a job goes to now.
TrptCustomPrinter* PrintLoopPrinter();

// Prints Pages of Report with its print options. False when no printer is installed, the print
// dialog was cancelled, the printer is not valid, the page list is unreadable or names no page,
// or the job failed.
bool PrintPreparedPages(TrptReport* Report, TrptCustomPreviewPages* Pages);

// Hands Pages to Filter. False when Filter is null, its dialog was cancelled, the export was
// cancelled (Terminated) or an error ended it (then reported through the report's errors).
bool ExportPreparedPages(TrptReport* Report, TrptCustomPreviewPages* Pages, TrptCustomExportFilter* Filter);
