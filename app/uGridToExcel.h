#pragma once
// Grid to spreadsheet: copies a result grid into a new workbook of the spreadsheet server
// ("Excel.Application") through late-bound automation calls and leaves it shown to the user.

#include "platform/rtl/Variant.h"

#include <memory>

class TGxGrid;
class TWorkbookData;
class TdbButton;
class TWinControl;

// The transfer array [1..rows, 1..cols] of texts: row 1 the column captions, row r the grid's
// row r - 2; the grid's last column (the hidden record id) is left out. A text starting with "="
// gets an apostrophe in front so that it stays text. Empty when there is no column to send.
Variant GridTransferArray(TGxGrid& grid);

// Sends the grid: captions shaded grey, the block framed and shrunk to fit, A1 selected, the
// program made visible. Returns the workbook when Korvel's own spreadsheet server took it (null
// when nothing was sent or another server did). Automation errors pass to the caller.
std::shared_ptr<TWorkbookData> SendGridToExcel(TGxGrid& grid);

// The button action: an information box owned by mainWindow when no spreadsheet server is
// registered; otherwise the grid named by the button's dbResultControl on the button's window is
// sent. When no program of the desktop opened the workbook, an information box owned by
// mainWindow says so and names the file it was saved to. A name that is no grid of that window
// raises EInvalidOperation naming both.
void GridToExcel(TdbButton& button, TWinControl* mainWindow);
